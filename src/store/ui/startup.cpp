#include "store/ui/startup.h"

#include "store/ui/compact.h"
#include "store/db/db.h"
#include "store/db/dbcheck.h"
#include "store/db/filewriter.h"
#include "store/ui/indicator.h"
#include "store/db/params.h"
#include "store/db/paths.h"
#include "store/db/reporter.h"
#include "store/db/schema.h"
#include "store/db/startrepair.h"
#include "store/db/textfile.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocale>
#include <QApplication>
#include <QLockFile>
#include <QPointer>
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

// The full check (the parallel one compaction makes of its copy), with the progress window when
// the file is big enough to take a while.
bool CheckDatabase(const QString &path, QString *why)
{
    ++g_fullChecks;
    const qint64 size = QFileInfo(path).size();
    const bool showing = size > 64LL * 1024 * 1024;
    // A rough pace for the bar: the check reads some 250 MB a second here.
    const double expectedMs = std::max(1.0, double(size) / (250.0 * 1024 * 1024) * 1000);
    QElapsedTimer t;
    t.start();
    if (showing)
        StartProgress(QStringLiteral("正在检查数据库……"), 100);
    const bool ok = CheckDatabaseFile(path, why, [&] {
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

QString Native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// The file the database path names (a symbolic link is followed, as SQLite follows it: its
// journal lies beside the real file); the path itself when nothing is there.
QString RealFile(const QString &path)
{
    const QString real = QFileInfo(path).canonicalFilePath();
    return real.isEmpty() ? QFileInfo(path).absoluteFilePath() : real;
}

// What a killed compaction leaves: its unfinished copies, each with whatever journal SQLite made
// beside it. The database itself is complete until the swap, so these are only in the way.
void RemoveCompactionLeftovers(const QString &file)
{
    for (const QString &copy :
         {CompactBackupPath(file) + QStringLiteral(".new"), CompactWorkPath(file)}) {
        for (const char *suffix : {"", "-journal", "-wal", "-shm"}) {
            const QString f = copy + QLatin1String(suffix);
            const QFileInfo fi(f);
            if ((fi.isFile() || fi.isSymLink()) && QFile::remove(f))
                qInfo().noquote() << "removed what a killed compaction left:" << f;
        }
    }
}

// The line that tells the way back through the copy compaction keeps, when there is one.
QString BackupLine(const QString &file)
{
    const QFileInfo backup(CompactBackupPath(file));
    if (!backup.isFile() || backup.size() == 0)
        return QString();
    return QStringLiteral("“压缩整理数据库”时保留的备份“%1”（%2）可以用来恢复：退出程序，把它复制为“%3”"
                          "（其后的打印记录不在其中）。")
        .arg(Native(backup.absoluteFilePath()),
             QLocale(QLocale::Chinese, QLocale::China)
                 .toString(backup.lastModified(), QStringLiteral("yyyy年M月d日 HH:mm")),
             Native(file));
}

// The message of a database that cannot be used: what is wrong in Chinese, the technical detail
// on a line of its own, then where a way back is.
QString ProblemText(const QString &what, const QString &detail, const QStringList &more = {})
{
    QStringList lines{QStringLiteral("无法建立数据库连接！"), what};
    if (!detail.isEmpty())
        lines << DetailLine(detail);
    for (const QString &m : more)
        if (!m.isEmpty())
            lines << m;
    return lines.join(u'\n');
}

// Why the file could not be opened, in words for the clerk, from SQLite's error number.
QString OpenProblem(const QString &file, const QString &code)
{
    const QString f = Native(file);
    switch (code.toInt() & 0xff) {
    case 11: // SQLITE_CORRUPT
    case 26: // SQLITE_NOTADB
        return QStringLiteral("数据库文件已损坏，无法读取：") + f;
    case 8: // SQLITE_READONLY: a journal it may not roll back
        return QStringLiteral("数据库文件“%1”是只读的，无法完成上次中断的写入。").arg(f);
    case 13: // SQLITE_FULL
        return QStringLiteral("磁盘空间不足，无法打开数据库文件“%1”。").arg(f);
    case 14: // SQLITE_CANTOPEN
    case 23: // SQLITE_AUTH
        return QStringLiteral("无法打开数据库文件“%1”（没有读取权限，或文件夹不可用）。").arg(f);
    default:
        return QStringLiteral("无法读取数据库文件“%1”。").arg(f);
    }
}

// The place of the repair a start makes before it opens the file.
repair::Place RepairPlace(const QString &path, const QString &file)
{
    return {file, path, AppDataDir() + QStringLiteral("/Temp"),
            [](const QString &f, QString *why) { return CheckDatabase(f, why); }};
}

// The line that names every folder holding a copy of the database or its journals set aside at
// a start.
QString CopiesLine(const repair::Repairer &repairer)
{
    QStringList dirs = repairer.Folders();
    if (dirs.isEmpty())
        return QString();
    for (QString &d : dirs)
        d = QStringLiteral("“%1”").arg(Native(d));
    if (dirs.size() == 1)
        return QStringLiteral("启动前的数据库文件和日志文件另存在%1。").arg(dirs[0]);
    return QStringLiteral("启动前的数据库文件和日志文件的副本另存在以下文件夹：%1。")
        .arg(dirs.join(QStringLiteral("、")));
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
    const QString file = RealFile(path);
    RemoveCompactionLeftovers(file);
    // What the clerk is to hear about the copies kept at this start (and at starts that ended
    // before they told it), said with the start's message or on its own once the start has
    // decided; the folders' marks keep it until then.
    QStringList notes;
    QStringList noteDirs;
    auto report = [&](const QString &text, MsgKind kind) {
        for (const QString &d : std::as_const(noteDirs))
            repair::Repairer::Told(d);
        QStringList all = notes;
        if (!text.isEmpty())
            all.prepend(text);
        notes.clear();
        noteDirs.clear();
        if (!all.isEmpty())
            ReportMessage(all.join(u'\n'), kind);
    };
    auto refuse = [&](const QString &text) {
        report(text, MsgKind::Error);
        db.Close();
        return 1;
    };

    // Only a missing file is made anew; an empty one is what is left of a file that was lost.
    const bool exists = QFileInfo::exists(path);
    if (exists && QFileInfo(file).isFile() && QFileInfo(file).size() == 0)
        return refuse(ProblemText(
            QStringLiteral("数据库文件“%1”是空的（0字节），其中的格式和打印记录已经丢失。程序没有改动它。")
                .arg(Native(path)),
            QString(), {BackupLine(file)}));

    // Whether the file is still as the last clean close left it, decided before this session
    // touches it; from now on the record no longer describes the file.
    QString checkReason = exists ? FullCheckReason(path) : QString();
    QFile::remove(CleanCloseRecordPath());

    // A journal left beside the file is played into it when it is opened, and it may not be the
    // file's own: the repair sets the file aside first and decides on what the play leaves
    // (an earlier start cut off on the way is gone on from).
    repair::Repairer repairer(RepairPlace(path, file));
    repair::Problem problem;
    const bool repaired = repairer.Run(&problem);
    for (const auto &[dir, text] : repairer.Untold()) {
        noteDirs << dir;
        notes << text;
    }
    const QString copiesLine = CopiesLine(repairer);
    if (!repaired) {
        if (!problem.code.isEmpty())
            return refuse(ProblemText(OpenProblem(path, problem.code),
                                      problem.detail + QStringLiteral("，错误号") + problem.code,
                                      {BackupLine(file), copiesLine}));
        return refuse(ProblemText(problem.what, problem.detail, {copiesLine}));
    }
    if (!repairer.Steps().isEmpty() && !repairer.FileChecked())
        checkReason = QStringLiteral("the start repaired the file: ") +
                      QString::fromLatin1(repair::StepName(repairer.Steps().last()));
    else if (repairer.FileChecked())
        checkReason.clear();

    if (!db.OpenConn(path, true)) {
        if (db.LastErrorCode().isEmpty())
            return refuse(ProblemText(db.LastError(), QString(), {copiesLine}));
        return refuse(ProblemText(OpenProblem(path, db.LastErrorCode()),
                                  db.LastError() + QStringLiteral("，错误号") +
                                      db.LastErrorCode(),
                                  {BackupLine(file), copiesLine}));
    }
    // Nothing is written to a file that cannot take the program's writes or that is damaged;
    // the user hears why at once, not when the work of the session is lost.
    if (db.IsReadOnly())
        return refuse(ProblemText(
            QStringLiteral("数据库文件是只读的，无法保存：") + Native(path), QString(), {copiesLine}));
    if (!checkReason.isEmpty()) {
        qInfo().noquote() << "checking the database:" << checkReason;
        QString why;
        if (!CheckDatabase(file, &why))
            return refuse(ProblemText(
                QStringLiteral("数据库文件已损坏，程序不能使用它：") + Native(path), why,
                {BackupLine(file), copiesLine}));
    }
    QString why;
    if (!UpgradeDBSchema(&why)) {
        if (why.isEmpty())
            why = db.LastError();
        return refuse(QStringLiteral("无法建立数据库连接！\n") + why);
    }
    // Told once the file is whole and has its tables: a start ended at the message finds it so.
    report(QString(), MsgKind::Warning);
    // A request to end that closed the message ends the start too.
    if (TerminationRequested()) {
        EndSession();
        return 0;
    }

    if (hooks.checkNewVersion)
        hooks.checkNewVersion(60, QString::fromUtf8(kProgramVersion));
    if (hooks.endAfterVersionCheck && hooks.endAfterVersionCheck()) {
        db.Close();
        return 0;
    }

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

void CloseWindowsOnTerminationSignals()
{
    OnTerminationRequest([] {
        // The progress window first: closing it stops the operation that runs. A window that
        // cannot close now (its command still runs) does not keep the others open; it closes
        // itself once it may.
        if (Indicator *progress = IndicatorWindow())
            progress->close();
        QList<QPointer<QWidget>> windows;
        for (QWidget *w : QApplication::topLevelWidgets())
            windows << w;
        for (const QPointer<QWidget> &w : windows) {
            if (w && w->isVisible())
                w->close();
        }
    });
}

} // namespace store
