#include "store/startup.h"

#include "store/db.h"
#include "store/filewriter.h"
#include "store/params.h"
#include "store/paths.h"
#include "store/reporter.h"
#include "store/schema.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QTemporaryFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
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

} // namespace

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
    if (!db.OpenConn(DataFilePath()))
        return 1;
    // Nothing is written to a file that cannot take the program's writes or that is damaged;
    // the user hears why at once, not when the work of the session is lost.
    QString why;
    if (db.IsReadOnly())
        why = QStringLiteral("数据库文件是只读的，无法保存：")
              + QDir::toNativeSeparators(DataFilePath());
    else if (!db.QuickCheck(&why))
        why = QStringLiteral("数据库文件已损坏：") + why;
    else if (!UpgradeDBSchema(&why) && why.isEmpty())
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
