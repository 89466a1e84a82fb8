#include "store/startup.h"

#include "store/db.h"
#include "store/filewriter.h"
#include "store/indicator.h"
#include "store/params.h"
#include "store/paths.h"
#include "store/reporter.h"
#include "store/schema.h"
#include "store/textfile.h"

#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLockFile>
#include <QTemporaryFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace store {

namespace {

// A running copy holds its lock file with a native lock for as long as it lives.
bool LockHeldByLiveProcess(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

// Why nothing can be written into the program folder, as near as we can tell.
QString FolderProblem(const QString &dir)
{
    const QFileInfo fi(dir);
    if (!fi.isDir())
        return QStringLiteral("程序文件夹不存在，也无法建立");
    if (::access(QFile::encodeName(dir).constData(), W_OK | X_OK) != 0)
        return QStringLiteral("程序文件夹是只读的（没有写入权限）");
    QTemporaryFile probe(dir + QStringLiteral("/.write-test-XXXXXX"));
    if (!probe.open())
        return QStringLiteral("无法在程序文件夹中写入文件：") + probe.errorString();
    const QByteArray block(4096, '\0');
    if (probe.write(block) != block.size() || !probe.flush())
        return QStringLiteral("无法在程序文件夹中写入文件（磁盘可能已满）：") + probe.errorString();
    return QStringLiteral("原因不明");
}

int g_fullChecks = 0;

// What identifies the state of the database file without reading it: one line of numbers.
QString Fingerprint(const QString &path)
{
    struct stat st = {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return QString();
    // SQLite counts every change it commits in the header (bytes 24 to 27).
    QFile f(path);
    QByteArray head;
    if (f.open(QIODevice::ReadOnly))
        head = f.read(28);
    if (head.size() < 28)
        return QString();
    const quint32 counter = (quint32(quint8(head[24])) << 24) | (quint32(quint8(head[25])) << 16) |
                            (quint32(quint8(head[26])) << 8) | quint32(quint8(head[27]));
    return QStringLiteral("%1 %2.%3 %4 %5 %6")
        .arg(qint64(st.st_size))
        .arg(qint64(st.st_mtim.tv_sec))
        .arg(qint64(st.st_mtim.tv_nsec), 9, 10, QLatin1Char('0'))
        .arg(counter)
        .arg(quint64(st.st_dev))
        .arg(quint64(st.st_ino));
}

// Why the file needs the full check now; empty when it is as the last clean close left it.
QString FullCheckReason(const QString &path)
{
    QFile record(CleanCloseRecordPath());
    if (!record.open(QIODevice::ReadOnly))
        return QStringLiteral("the last run did not close cleanly");
    const QString recorded = QString::fromLatin1(record.readAll()).trimmed();
    const QString now = Fingerprint(path);
    if (now.isEmpty() || recorded != now)
        return QStringLiteral("the file changed since the last clean close");
    return QString();
}

// The full check, with the progress window when the file is big enough to take a while.
bool CheckDatabase(Db &db, const QString &path, QString *why)
{
    ++g_fullChecks;
    const qint64 size = QFileInfo(path).size();
    const bool showing = size > 64LL * 1024 * 1024;
    // A rough pace for the bar: the check reads the file and looks up every row in every index
    // (some 40 MB a second here).
    const double expectedMs = std::max(1.0, double(size) / (40.0 * 1024 * 1024) * 1000);
    QElapsedTimer t;
    t.start();
    if (showing)
        StartProgress(QStringLiteral("正在检查数据库……"), 100);
    const bool ok = db.IntegrityCheck(why, [&] {
        if (showing) {
            const qint32 n = qint32(std::min(95.0, double(t.elapsed()) * 100 / expectedMs));
            StepProgress(std::max(0, n - ProgressState().current));
        }
    });
    if (showing)
        EndProgress();
    qInfo().noquote() << "full database check of" << path << "in" << t.elapsed()
                      << "ms:" << (ok ? QStringLiteral("ok") : *why);
    return ok;
}

} // namespace

QString CleanCloseRecordPath()
{
    return AppDataDir() + QStringLiteral("/.DATA.mdb.closed");
}

int FullChecksRun()
{
    return g_fullChecks;
}

void EndSession()
{
    Db &db = Db::Main();
    const QString path = db.Path();
    if (!db.IsOpen() || path != QFileInfo(DataFilePath()).absoluteFilePath())
        return;
    db.Close();
    const QString now = Fingerprint(path);
    if (!now.isEmpty() && WriteTextFile(now + u'\n', CleanCloseRecordPath()) != 1)
        qWarning().noquote() << "could not record the clean close in" << CleanCloseRecordPath();
}

QString InstanceLockPath()
{
    return AppDataDir() + QStringLiteral("/.instance.lock");
}

std::unique_ptr<QLockFile> TakeInstanceLock(QString *failure)
{
    const QString path = InstanceLockPath();
    const QString dir = QFileInfo(path).absolutePath();
    auto fail = [&](const QString &why) -> std::unique_ptr<QLockFile> {
        if (failure)
            *failure = QStringLiteral("无法建立运行锁文件，程序不能启动！\n")
                       + QDir::toNativeSeparators(path) + u'\n' + why;
        return nullptr;
    };
    if (failure)
        failure->clear();

    auto lock = std::make_unique<QLockFile>(path);
    // A lock is stale only when its process is gone, however old it is.
    lock->setStaleLockTime(0);
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (lock->tryLock(0))
            return lock;
        switch (lock->error()) {
        case QLockFile::LockFailedError:
            break;
        case QLockFile::PermissionError:
        case QLockFile::UnknownError:
        case QLockFile::NoError:
            return fail(FolderProblem(dir));
        }
        const QFileInfo fi(path);
        if (fi.isDir())
            return fail(QStringLiteral("这个位置是一个文件夹，请删除或改名"));
        if (LockHeldByLiveProcess(path))
            return nullptr; // another copy runs
        // Nobody holds the file: left by a copy that ended without removing it, or empty or
        // unreadable. It is taken over.
        if (!lock->removeStaleLockFile() && QFileInfo::exists(path))
            return fail(QStringLiteral("无法删除失效的锁文件：") + FolderProblem(dir));
    }
    return fail(FolderProblem(dir));
}

std::optional<int> Main(const StartupHooks &hooks, std::unique_ptr<QLockFile> &instanceLock)
{
    QString failure;
    instanceLock = TakeInstanceLock(&failure);
    if (!instanceLock) {
        if (failure.isEmpty())
            return 0;
        ReportMessage(failure, MsgKind::Error);
        return 1;
    }
    // What a killed earlier run was writing (only this copy may touch it now).
    RemoveUnfinishedFiles();

    Db &db = Db::Main();
    const QString path = DataFilePath();
    // Whether the file is still as the last clean close left it, decided before this session
    // touches it; from now on the record no longer describes the file.
    const QString checkReason = QFileInfo::exists(path) ? FullCheckReason(path) : QString();
    QFile::remove(CleanCloseRecordPath());
    if (!db.OpenConn(path))
        return 1;
    // Nothing is written to a file that cannot take the program's writes or that is damaged;
    // the user hears why at once, not when the work of the session is lost.
    QString why;
    if (db.IsReadOnly()) {
        why = QStringLiteral("数据库文件是只读的，无法保存：") + QDir::toNativeSeparators(path);
    } else if (!checkReason.isEmpty()) {
        qInfo().noquote() << "checking the database:" << checkReason;
        if (!CheckDatabase(db, path, &why))
            why = QStringLiteral("数据库文件已损坏：") + why;
    }
    if (why.isEmpty() && !UpgradeDBSchema(&why) && why.isEmpty())
        why = db.LastError();
    if (!why.isEmpty()) {
        ReportMessage(QStringLiteral("无法建立数据库连接！\n") + why, MsgKind::Error);
        db.Close();
        return 1;
    }

    if (hooks.checkNewVersion)
        hooks.checkNewVersion(60, QString::fromUtf8(kProgramVersion));
    if (hooks.endAfterVersionCheck && hooks.endAfterVersionCheck()) {
        db.Close();
        return 0;
    }

    SelResult.clear();

    QWidget *w = nullptr;
    if (!GetPara(QStringLiteral("软件密码")).isEmpty()) {
        if (hooks.showPasswordWindow)
            w = hooks.showPasswordWindow();
    } else if (hooks.showMainWindow) {
        w = hooks.showMainWindow();
    }
    if (!w)
        return 1;
    return std::nullopt;
}

} // namespace store
