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
#include <QSocketNotifier>
#include <QTemporaryFile>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace store {

namespace {

// The handler writes a byte here; the event loop reads it.
int g_closePipe[2] = {-1, -1};
bool g_terminationRequested = false;

void OnTerminationSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_closePipe[1], &c, 1);
}

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

const char *const kJournalSuffixes[] = {"-journal", "-wal"};

// The journals SQLite would play into the file when it opens it.
QStringList JournalsBeside(const QString &file)
{
    QStringList found;
    for (const char *suffix : kJournalSuffixes) {
        const QFileInfo j(file + QLatin1String(suffix));
        if (j.isFile() && j.size() > 0)
            found << j.absoluteFilePath();
    }
    return found;
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

// SQLite's words on one line, cut short where a damaged file has it list page after page.
QString DetailLine(const QString &detail)
{
    QString d = detail;
    d.replace(u'\n', QStringLiteral("；"));
    d = d.simplified();
    if (d.size() > 240)
        d = d.left(240) + QStringLiteral("……");
    return QStringLiteral("（详细信息：") + d + QStringLiteral("）");
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

// A copy of the database and of its journals, set aside under Temp before the journal is played
// into the file: if the file does not check out afterwards, the journal was not its own, and the
// file goes back as it was. Until the start has decided on it, the copy carries a mark; a start
// that was ended before then (killed, or refused on the way) leaves it marked, and the next start
// goes on from that copy: the file beside it may already hold the journal played into it.
class SetAside
{
public:
    // Takes up the copy an earlier start set aside and did not decide on, if there is one.
    bool Resume(const QString &file)
    {
        QStringList marked;
        for (const QFileInfo &d : QDir(TempRoot()).entryInfoList({kPrefix + u'*'}, QDir::Dirs))
            if (QFileInfo::exists(d.absoluteFilePath() + u'/' + kMark))
                marked << d.absoluteFilePath();
        if (marked.isEmpty())
            return false;
        marked.sort();
        m_dir = marked.last();
        m_copy = m_dir + u'/' + QFileInfo(file).fileName();
        qInfo().noquote() << "an earlier start did not decide on the copy it set aside:" << m_dir;
        return true;
    }
    // Marks the copy with the file's state, then copies the file and its journals through the
    // file writer (each synced). A copy taken up from an earlier start keeps its database while
    // the file is in the state it was marked with; a file changed since (put in its place by
    // someone, or part-played) gets a copy of its own, and the earlier one stays where it is.
    // False, with the reason, when a copy cannot be made; nothing new is then left of the
    // attempt.
    bool Make(const QString &file, const QStringList &journals, QString *why)
    {
        if (IsMade() && HasCopy() && MarkedLines().value(0) != Fingerprint(file)) {
            qInfo().noquote() << "the file changed since the copy in" << m_dir << "was set aside";
            Keep();
            m_dir.clear();
        }
        const bool resumed = IsMade();
        if (!resumed) {
            if (!MakeDir(why))
                return false;
            if (WriteTextFile(Fingerprint(file) + u'\n', m_dir + u'/' + kMark) != 1) {
                *why = QStringLiteral("无法写入文件“%1”。").arg(Native(m_dir + u'/' + kMark));
                Drop();
                return false;
            }
        }
        m_copy = m_dir + u'/' + QFileInfo(file).fileName();
        QStringList copies = journals;
        if (!HasCopy())
            copies.prepend(file);
        for (const QString &from : copies) {
            if (!CopyFileOver(from, m_dir + u'/' + QFileInfo(from).fileName(), why)) {
                if (!resumed)
                    Drop();
                return false;
            }
        }
        qInfo().noquote() << "set aside before the journal is played:" << m_dir;
        return true;
    }
    // Journals without their database (it is gone) are moved aside as they are: SQLite would
    // drop them when it makes the new file.
    void MoveAside(const QStringList &journals)
    {
        QString why;
        if (!MakeDir(&why))
            return;
        for (const QString &j : journals) {
            if (!QFile::rename(j, m_dir + u'/' + QFileInfo(j).fileName()))
                qWarning().noquote() << "could not set aside" << j;
        }
        qInfo().noquote() << "journals of a database that is gone set aside in" << m_dir;
    }
    // The file is being put back (the check after the journal failed with why): a start that
    // takes the copy up puts it back again, without checking the file first.
    void BeginPutBack(const QString &file, const QString &why)
    {
        const QString state = MarkedLines().value(0, Fingerprint(file));
        if (WriteTextFile(state + QStringLiteral("\nput back\n") + why + u'\n',
                          m_dir + u'/' + kMark) != 1)
            qWarning().noquote() << "could not mark the copy in" << m_dir << "as put back";
    }
    bool PutBackBegun(QString *why) const
    {
        const QStringList lines = MarkedLines();
        if (lines.value(1) != u"put back")
            return false;
        *why = lines.mid(2).join(u'\n');
        return true;
    }
    bool IsMade() const { return !m_dir.isEmpty(); }
    bool HasCopy() const { return !m_copy.isEmpty() && QFileInfo(m_copy).isFile(); }
    QString Dir() const { return m_dir; }
    QString Copy() const { return m_copy; }
    // The copy is kept for the clerk, who is told where it is; no later start takes it up.
    void Keep()
    {
        if (!m_dir.isEmpty())
            QFile::remove(m_dir + u'/' + kMark);
    }
    void Drop()
    {
        if (!m_dir.isEmpty())
            QDir(m_dir).removeRecursively();
        m_dir.clear();
        m_copy.clear();
    }

private:
    static QString TempRoot() { return AppDataDir() + QStringLiteral("/Temp"); }

    // The mark: the file's state when it was copied; "put back" and why, once it is put back.
    QStringList MarkedLines() const
    {
        QString text;
        ReadTextFile(m_dir + u'/' + kMark, &text);
        return text.trimmed().split(u'\n');
    }

    bool MakeDir(QString *why)
    {
        const QString base = TempRoot() + u'/' + kPrefix +
                             QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        m_dir = base;
        for (int n = 2; QFileInfo::exists(m_dir); ++n)
            m_dir = base + u'-' + QString::number(n);
        if (!QDir().mkpath(m_dir)) {
            *why = QStringLiteral("无法建立文件夹“%1”。").arg(Native(m_dir));
            m_dir.clear();
            return false;
        }
        return true;
    }

    static inline const QString kPrefix = QStringLiteral("启动前的数据库-");
    static inline const QString kMark = QStringLiteral(".undecided");
    QString m_dir;
    QString m_copy;
};

// Puts the copy set aside back in the file's place, with no journal beside it.
bool PutBack(const SetAside &aside, const QString &file, QString *why)
{
    for (const char *suffix : {"-journal", "-wal", "-shm"})
        QFile::remove(file + QLatin1String(suffix));
    return CopyFileOver(aside.Copy(), file, why);
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
    auto refuse = [&](const QString &text) {
        ReportMessage(text, MsgKind::Error);
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

    // A journal left by a run that was killed while writing is played into the file when it is
    // opened. It may not be the file's own (a copy put in the file's place since): the file and
    // the journal are set aside first, so the file can go back as it was.
    SetAside aside;
    const QStringList journals = JournalsBeside(file);
    const bool resumed = exists && aside.Resume(file);
    if (!exists && !journals.isEmpty()) {
        aside.MoveAside(journals);
    } else if (resumed && journals.isEmpty()) {
        if (aside.HasCopy())
            checkReason = QStringLiteral("an earlier start ended before it decided on the copy set "
                                         "aside in ") + aside.Dir();
        else
            aside.Drop(); // ended while copying: the file was never opened
    } else if (!journals.isEmpty()) {
        checkReason = QStringLiteral("a journal was left beside the file: ") + journals.join(u' ');
        QString why;
        if (!aside.Make(file, journals, &why))
            return refuse(ProblemText(
                QStringLiteral("数据库文件旁有上次中断时留下的日志文件，使用它之前要先把数据库和日志另存一份，"
                               "但无法另存（数据库和日志都没有改动）。"),
                why));
    }
    const QString asideLine =
        aside.IsMade()
            ? QStringLiteral("启动前的数据库文件和日志文件已另存在“%1”。").arg(Native(aside.Dir()))
            : QString();

    // A file that no longer opens after its journal was played goes back as well.
    const bool opened = db.OpenConn(path, true);
    const int openCode = opened ? 0 : db.LastErrorCode().toInt() & 0xff;
    const bool putBackUnreadable =
        !opened && aside.HasCopy() && (openCode == 11 || openCode == 26); // CORRUPT, NOTADB
    if (!opened && !putBackUnreadable) {
        if (db.LastErrorCode().isEmpty())
            return refuse(ProblemText(db.LastError(), QString(), {asideLine}));
        return refuse(ProblemText(OpenProblem(path, db.LastErrorCode()),
                                  db.LastError() + QStringLiteral("，错误号") +
                                      db.LastErrorCode(),
                                  {BackupLine(file), asideLine}));
    }
    // Nothing is written to a file that cannot take the program's writes or that is damaged;
    // the user hears why at once, not when the work of the session is lost.
    if (opened && db.IsReadOnly())
        return refuse(ProblemText(
            QStringLiteral("数据库文件是只读的，无法保存：") + Native(path), QString(), {asideLine}));
    if (!checkReason.isEmpty()) {
        qInfo().noquote() << "checking the database:" << checkReason;
        QString why;
        bool failed = true;
        if (!opened)
            why = db.LastError() + QStringLiteral("，错误号") + db.LastErrorCode();
        else if (!aside.PutBackBegun(&why))
            failed = !CheckDatabase(file, &why);
        if (failed) {
            if (!aside.HasCopy())
                return refuse(ProblemText(
                    QStringLiteral("数据库文件已损坏，程序不能使用它：") + Native(path), why,
                    {BackupLine(file)}));
            // The file did not survive its journal: it goes back as it was before the start,
            // without the journal, which is kept aside.
            db.Close();
            aside.BeginPutBack(file, why);
            QString putBack;
            if (!PutBack(aside, file, &putBack))
                return refuse(ProblemText(
                    QStringLiteral("用数据库文件旁留下的日志文件恢复后，数据库文件“%1”未通过检查，"
                                   "而启动前的数据库文件无法放回原处。")
                        .arg(Native(path)),
                    why + u'\n' + putBack, {asideLine, BackupLine(file)}));
            QString again;
            if (!CheckDatabase(file, &again)) {
                aside.Keep();
                return refuse(ProblemText(
                    QStringLiteral("数据库文件已损坏，程序不能使用它（它旁边留下的日志文件也无法修复它），"
                                   "已放回启动前的样子：") +
                        Native(path),
                    again, {asideLine, BackupLine(file)}));
            }
            aside.Keep();
            ReportMessage(
                QStringLiteral("数据库文件旁有一个上次中断时留下的日志文件，但它不属于现在的数据库文件"
                               "（用它恢复后数据库未通过检查）。\n"
                               "数据库文件已放回启动前的样子，日志文件没有使用。\n") +
                    QStringLiteral("日志文件和启动前的数据库文件另存在“%1”。").arg(Native(aside.Dir())) +
                    u'\n' + DetailLine(why),
                MsgKind::Warning);
            if (!db.OpenConn(path, true))
                return refuse(ProblemText(OpenProblem(path, db.LastErrorCode()), db.LastError(),
                                          {asideLine}));
        } else {
            // The journal was the file's own and has been rolled back: nothing to keep.
            aside.Drop();
        }
    }
    QString why;
    if (!UpgradeDBSchema(&why)) {
        if (why.isEmpty())
            why = db.LastError();
        return refuse(QStringLiteral("无法建立数据库连接！\n") + why);
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

void CatchTerminationSignals()
{
    if (g_closePipe[0] >= 0 || ::pipe2(g_closePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction sa = {};
    sa.sa_handler = OnTerminationSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &sa, nullptr);
}

bool TerminationRequested()
{
    return g_terminationRequested;
}

void CloseWindowsOnTerminationSignals()
{
    if (g_closePipe[0] < 0 || !qApp)
        return;
    auto *n = new QSocketNotifier(g_closePipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(n, &QSocketNotifier::activated, qApp, [] {
        char buf[16];
        while (::read(g_closePipe[0], buf, sizeof buf) > 0) {
        }
        g_terminationRequested = true;
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
