#include "store/compact.h"

#include "store/db.h"
#include "store/indicator.h"
#include "store/paths.h"
#include "store/reporter.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace store {

namespace {

struct Failure
{
    QString number;
    QString description;
};

bool SyncPath(const QString &path, bool directory)
{
    const QByteArray p = QFile::encodeName(path);
    const int fd = ::open(p.constData(), directory ? (O_RDONLY | O_DIRECTORY) : O_RDWR);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

Failure LastDbFailure(const Db &db, const char *fallback)
{
    Failure f;
    f.number = db.LastErrorCode();
    f.description = db.LastError().isEmpty() ? QString::fromUtf8(fallback) : db.LastError();
    return f;
}

Failure ErrnoFailure()
{
    return {QString::number(errno), QString::fromLocal8Bit(std::strerror(errno))};
}

// VACUUM INTO a new file, which gets the owner and permissions of the database (a private 0600
// file stays private, in its copies too); the target must not exist.
bool VacuumInto(Db &db, const QString &target, const struct stat &like, Failure *failure)
{
    if (!db.ExecSQL(QStringLiteral("VACUUM INTO ?"), {target})) {
        *failure = LastDbFailure(db, "VACUUM INTO");
        QFile::remove(target);
        return false;
    }
    const QByteArray t = QFile::encodeName(target);
    if (::geteuid() == 0) {
        // Only root can give the file away; a failure leaves root's own file, readable as before.
        [[maybe_unused]] const int ignored = ::chown(t.constData(), like.st_uid, like.st_gid);
    }
    if (::chmod(t.constData(), like.st_mode & 07777) != 0) {
        *failure = ErrnoFailure();
        QFile::remove(target);
        return false;
    }
    if (!SyncPath(target, false)) {
        *failure = ErrnoFailure();
        return false;
    }
    return true;
}

bool RemoveIfPresent(const QString &path, Failure *failure)
{
    const QFileInfo fi(path);
    if (!fi.exists() && !fi.isSymLink())
        return true;
    QFile f(path);
    if (fi.isDir() || !f.remove()) {
        *failure = {QStringLiteral("-1"),
                    QStringLiteral("无法删除") + QDir::toNativeSeparators(path)
                        + (fi.isDir() ? QString() : QStringLiteral("：") + f.errorString())};
        return false;
    }
    return true;
}

bool CheckCopy(const QString &path, Failure *failure)
{
    Db copy;
    if (!copy.OpenConn(path, true)) {
        *failure = {QStringLiteral("-1"), copy.LastError()};
        return false;
    }
    QString why;
    if (!copy.QuickCheck(&why)) {
        *failure = {QStringLiteral("-1"), QStringLiteral("压缩后的数据库未通过检查：") + why};
        return false;
    }
    return true;
}

} // namespace

QString CompactBackupPath(const QString &dbPath)
{
    return QFileInfo(dbPath).absolutePath() + QStringLiteral("/backup.mdb");
}

QString CompactWorkPath(const QString &dbPath)
{
    return QFileInfo(dbPath).absolutePath() + QStringLiteral("/Temp/TEMP.mdb");
}

bool CompactDB(const QString &pathIn, bool backup)
{
    const QString path = QFileInfo(pathIn).absoluteFilePath();
    if (!QFileInfo(path).isFile()) {
        ReportMessage(QStringLiteral("没有找到要压缩的数据库文件！"), MsgKind::Warning);
        return false;
    }
    // A database reached through a symbolic link is compacted where it really lives: the link
    // stays a link, and the copies are made beside the real file, on its file system.
    const QString file = QFileInfo(path).canonicalFilePath();

    Db &mainDb = Db::Main();
    const bool isMain = mainDb.IsOpen() && mainDb.Path() == path;
    Db own;
    Db &db = isMain ? mainDb : own;
    Failure failure;
    auto fail = [&]() {
        EndProgress();
        if (isMain && !mainDb.IsOpen())
            mainDb.OpenConn(path, true);
        ReportMessage(QStringLiteral("数据库压缩失败（") + failure.number + failure.description
                          + QStringLiteral("）！"),
                      MsgKind::Error);
        return false;
    };

    StartProgress(QStringLiteral("开始压缩数据库……"), 3);
    struct stat like = {};
    if (::stat(QFile::encodeName(file).constData(), &like) != 0) {
        failure = ErrnoFailure();
        return fail();
    }
    if (!isMain && !db.OpenConn(path, true)) {
        failure = {QStringLiteral("-1"), db.LastError()};
        return fail();
    }
    if (db.TransactionDepth() > 0) {
        failure = {QStringLiteral("-1"), QStringLiteral("数据库正忙")};
        return fail();
    }

    if (backup) {
        const QString backupPath = CompactBackupPath(file);
        const QString fresh = backupPath + QStringLiteral(".new");
        if (!RemoveIfPresent(fresh, &failure) || !VacuumInto(db, fresh, like, &failure))
            return fail();
        if (std::rename(QFile::encodeName(fresh).constData(),
                        QFile::encodeName(backupPath).constData())
            != 0) {
            failure = ErrnoFailure();
            QFile::remove(fresh);
            return fail();
        }
    }
    StepProgress(1, QStringLiteral("pages"));

    const QString work = CompactWorkPath(file);
    QDir().mkpath(QFileInfo(work).absolutePath());
    if (!RemoveIfPresent(work, &failure))
        return fail();
    if (!VacuumInto(db, work, like, &failure) || !CheckCopy(work, &failure)) {
        QFile::remove(work);
        return fail();
    }
    StepProgress(1, QString());

    // Swap: the compacted file takes the database's name in one rename; until then the old
    // file is complete.
    db.Close();
    if (std::rename(QFile::encodeName(work).constData(), QFile::encodeName(file).constData())
        != 0) {
        failure = ErrnoFailure();
        QFile::remove(work);
        return fail();
    }
    SyncPath(QFileInfo(file).absolutePath(), true);
    if (isMain && !mainDb.OpenConn(path)) {
        failure = {QStringLiteral("-1"), mainDb.LastError()};
        return fail();
    }
    EndProgress();
    return true;
}

bool CompactMainDB()
{
    return CompactDB(DataFilePath(), true);
}

} // namespace store
