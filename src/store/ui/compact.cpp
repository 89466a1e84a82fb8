#include "store/ui/compact.h"

#include "store/db/db.h"
#include "store/db/dbcheck.h"
#include "store/ui/indicator.h"
#include "store/db/paths.h"
#include "store/db/reporter.h"

#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

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

// VACUUM INTO a new file through a connection of its own (so it may run beside the backup copy),
// which gets the owner and permissions of the database (a private 0600 file stays private, in
// its copies too); the target must not exist. Synced by the caller.
bool VacuumInto(const QString &file, const QString &target, const struct stat &like,
                Failure *failure)
{
    if (!VacuumFileInto(file, target, &failure->description, &failure->number)) {
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
    return true;
}

// A plain copy of the file's bytes into a new file target (which must not exist) with the owner
// and permissions of like, synced to the disk. The caller keeps other writers out meanwhile.
bool CopyInto(const QString &source, const QString &target, const struct stat &like,
              Failure *failure)
{
    const QByteArray s = QFile::encodeName(source);
    const QByteArray t = QFile::encodeName(target);
    const int in = ::open(s.constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        *failure = ErrnoFailure();
        return false;
    }
    const int out =
        ::open(t.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, like.st_mode & 0777);
    if (out < 0) {
        *failure = ErrnoFailure();
        ::close(in);
        return false;
    }
    bool ok = true;
    // The kernel copies without passing the bytes through us; where it cannot, a plain loop.
    for (;;) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
        if (n > 0)
            continue;
        if (n < 0 &&
            (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL) &&
            ::lseek(out, 0, SEEK_CUR) == 0) {
            std::vector<char> buf(1 << 20);
            ssize_t r;
            while (ok && (r = ::read(in, buf.data(), buf.size())) != 0) {
                if (r < 0) {
                    ok = errno == EINTR;
                    continue;
                }
                for (ssize_t done = 0; ok && done < r;) {
                    const ssize_t w = ::write(out, buf.data() + done, size_t(r - done));
                    if (w > 0)
                        done += w;
                    else if (!(w < 0 && errno == EINTR))
                        ok = false;
                }
            }
        } else if (n < 0) {
            ok = false;
        }
        break;
    }
    if (ok && ::geteuid() == 0) {
        // Only root can give the file away; a failure leaves root's own file.
        [[maybe_unused]] const int ignored = ::fchown(out, like.st_uid, like.st_gid);
    }
    ok = ok && ::fchmod(out, like.st_mode & 07777) == 0 && ::fsync(out) == 0;
    if (!ok)
        *failure = ErrnoFailure();
    ::close(in);
    if (::close(out) != 0 && ok) {
        *failure = ErrnoFailure();
        ok = false;
    }
    struct stat copied = {};
    if (ok && (::stat(t.constData(), &copied) != 0 || copied.st_size != QFileInfo(source).size())) {
        *failure = {QStringLiteral("-1"), QStringLiteral("备份文件不完整")};
        ok = false;
    }
    if (!ok)
        QFile::remove(target);
    return ok;
}

bool RemoveIfPresent(const QString &path, Failure *failure)
{
    const QFileInfo fi(path);
    if (!fi.exists() && !fi.isSymLink())
        return true;
    QFile f(path);
    if (fi.isDir() || !f.remove()) {
        *failure = {QStringLiteral("-1"),
                    QStringLiteral("无法删除") + QDir::toNativeSeparators(path) +
                        (fi.isDir() ? QString() : QStringLiteral("：") + f.errorString())};
        return false;
    }
    return true;
}

// The compacted copy synced to the disk and checked in full, both at once (on any thread).
bool SyncAndCheckCopy(const QString &path, Failure *failure)
{
    bool synced = false;
    bool checked = false;
    int syncErrno = 0;
    QString why;
    RunTogether({[&] {
                     synced = SyncPath(path, false);
                     syncErrno = errno;
                 },
                 [&] { checked = CheckDatabaseFile(path, &why); }});
    if (!synced) {
        errno = syncErrno;
        *failure = ErrnoFailure();
        return false;
    }
    if (!checked) {
        *failure = {QStringLiteral("-1"), QStringLiteral("压缩后的数据库未通过检查：") + why};
        return false;
    }
    return true;
}

// The file system gives a replaced file's space back when its last name and descriptor are
// gone, which for a database this size takes a tenth of the whole compaction. Files kept here
// across their replacement are given back on a thread of their own by Release(). A file a
// connection holds locked is released only after that connection has let go of its locks:
// closing any descriptor of a file drops all the process's locks on it.
class SpaceGivenBackLater
{
public:
    SpaceGivenBackLater() = default;
    SpaceGivenBackLater(const SpaceGivenBackLater &) = delete;
    SpaceGivenBackLater &operator=(const SpaceGivenBackLater &) = delete;
    ~SpaceGivenBackLater()
    {
        for (const int fd : m_fds)
            ::close(fd);
    }

    void Keep(const QString &path)
    {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0)
            m_fds.push_back(fd);
    }
    void Release()
    {
        if (m_fds.empty())
            return;
        std::thread([fds = std::move(m_fds)] {
            for (const int fd : fds)
                ::close(fd);
        }).detach();
        m_fds.clear();
    }

private:
    std::vector<int> m_fds;
};

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
        ReportMessage(QStringLiteral("数据库压缩失败（") + failure.number + failure.description +
                          QStringLiteral("）！"),
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

    // From here until the compacted copy has taken the file's place no other writer changes the
    // file: the backup, the compacted copy and the swap all see the same database.
    Transaction hold(db);
    if (!hold.Ok()) {
        failure = LastDbFailure(db, "BEGIN");
        return fail();
    }

    const QString backupPath = CompactBackupPath(file);
    const QString fresh = backupPath + QStringLiteral(".new");
    const QString work = CompactWorkPath(file);
    if (backup && !RemoveIfPresent(fresh, &failure))
        return fail();
    QDir().mkpath(QFileInfo(work).absolutePath());
    const auto tick = [] { DrawProgress(ProgressState().current); };
    QElapsedTimer timer;
    timer.start();
    // The backup (the file's bytes as they are) is copied while the compacted copy is made:
    // neither writes the database, and the copy takes a core the VACUUM leaves idle, where the
    // check after it wants them all.
    bool vacuumed = false;
    bool copied = !backup;
    Failure vacuumFailure, copyFailure;
    std::vector<std::function<void()>> making{[&] {
        vacuumed =
            RemoveIfPresent(work, &vacuumFailure) && VacuumInto(file, work, like, &vacuumFailure);
    }};
    if (backup)
        making.push_back([&] { copied = CopyInto(file, fresh, like, &copyFailure); });
    RunTogether(making, tick);
    StepProgress(1, StepShows::CountAndTimes);
    const qint64 vacuumMs = timer.restart();

    bool checked = false;
    Failure checkFailure;
    if (vacuumed && copied)
        RunTogether({[&] { checked = SyncAndCheckCopy(work, &checkFailure); }}, tick);
    if (!copied) {
        failure = copyFailure;
        QFile::remove(work);
        return fail();
    }
    SpaceGivenBackLater replaced;
    if (backup)
        replaced.Keep(backupPath);
    if (backup && std::rename(QFile::encodeName(fresh).constData(),
                              QFile::encodeName(backupPath).constData()) != 0) {
        failure = ErrnoFailure();
        QFile::remove(fresh);
        QFile::remove(work);
        return fail();
    }
    if (!vacuumed || !checked) {
        failure = vacuumed ? checkFailure : vacuumFailure;
        QFile::remove(work);
        return fail();
    }
    StepProgress(1);
    qInfo().noquote() << "compaction of" << file << ": VACUUM INTO and backup copy" << vacuumMs
                      << "ms, sync and check" << timer.elapsed() << "ms";

    // Swap: the compacted file takes the database's name in one rename; until then the old
    // file is complete. Writers are let in only after it.
    replaced.Keep(file);
    if (std::rename(QFile::encodeName(work).constData(), QFile::encodeName(file).constData()) !=
        0) {
        failure = ErrnoFailure();
        QFile::remove(work);
        hold.Rollback();
        replaced.Release();
        return fail();
    }
    hold.Commit();
    db.Close();
    replaced.Release();
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
