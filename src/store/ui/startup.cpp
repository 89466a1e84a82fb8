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

quint32 Be32(const QByteArray &b, qsizetype at)
{
    return (quint32(quint8(b[at])) << 24) | (quint32(quint8(b[at + 1])) << 16) |
           (quint32(quint8(b[at + 2])) << 8) | quint32(quint8(b[at + 3]));
}

// SQLite's count of the changes committed to the file (header bytes 24 to 27).
std::optional<quint32> ChangeCounter(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray head = f.read(28);
    if (head.size() < 28)
        return std::nullopt;
    return Be32(head, 24);
}

// What identifies the state of the database file without reading it: one line of numbers.
QString Fingerprint(const QString &path)
{
    struct stat st = {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return QString();
    const std::optional<quint32> counter = ChangeCounter(path);
    if (!counter)
        return QString();
    return QStringLiteral("%1 %2.%3 %4 %5 %6")
        .arg(qint64(st.st_size))
        .arg(qint64(st.st_mtim.tv_sec))
        .arg(qint64(st.st_mtim.tv_nsec), 9, 10, QLatin1Char('0'))
        .arg(*counter)
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

// The change counter in the copy of page 1 a rollback journal holds: the file's counter when the
// interrupted transaction began. Nothing when the journal holds no page 1 that SQLite would play
// back (it only changed other pages), or is not a rollback journal.
std::optional<quint32> JournalChangeCounter(const QString &journal)
{
    // Only a few bytes of each record are read: no read-ahead.
    QFile f(journal);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return std::nullopt;
    static const QByteArray kMagic("\xd9\xd5\x05\xf9\x20\xa1\x63\xd7", 8);
    const qint64 size = f.size();
    // The journal is a chain of segments: a header of one sector (magic, record count, checksum
    // seed, the file's page count, sector size, page size), then its records (page number, page,
    // checksum); the next header starts at the next sector boundary.
    qint64 header = 0;
    while (header + 28 <= size && f.seek(header)) {
        const QByteArray h = f.read(28);
        if (h.size() < 28 || !h.startsWith(kMagic))
            break;
        const quint32 records = Be32(h, 8);
        const quint32 seed = Be32(h, 12);
        const qint64 sector = Be32(h, 20);
        const qint64 pageSize = Be32(h, 24);
        if (sector < 32 || sector > 65536 || pageSize < 512 || pageSize > 65536 ||
            (pageSize & (pageSize - 1)) != 0)
            break;
        const qint64 recordSize = pageSize + 8;
        qint64 at = header + sector;
        // All ones: records up to the end; none: never synced, so none of them is played back.
        const qint64 n = records == 0xffffffffu ? (size - at) / recordSize : qint64(records);
        for (qint64 r = 0; r < n && at + recordSize <= size; ++r, at += recordSize) {
            if (!f.seek(at))
                return std::nullopt;
            const QByteArray pgno = f.read(4);
            if (pgno.size() < 4 || Be32(pgno, 0) != 1)
                continue;
            const QByteArray rec = f.read(recordSize - 4);
            if (rec.size() < recordSize - 4)
                return std::nullopt;
            // SQLite plays a record back only when its checksum holds.
            quint32 sum = seed;
            for (qint64 i = pageSize - 200; i > 0; i -= 200)
                sum += quint8(rec[i]);
            if (sum != Be32(rec, pageSize))
                return std::nullopt;
            return Be32(rec, 24);
        }
        if (records == 0xffffffffu)
            break;
        header = (at + sector - 1) / sector * sector;
    }
    return std::nullopt;
}

// Whether the rollback journal can be the file's own: the interrupted transaction began on the
// file at the counter its copy of page 1 holds, and it had written page 1 (one more) or not.
// False, with the two counters, only when the journal tells that it cannot; a write-ahead log,
// or a journal without page 1, tells nothing.
bool JournalCanBelong(const QString &file, const QString &journal, quint32 *inJournal,
                      quint32 *inFile)
{
    if (!journal.endsWith(QLatin1String("-journal")))
        return true;
    const std::optional<quint32> j = JournalChangeCounter(journal);
    const std::optional<quint32> f = ChangeCounter(file);
    if (!j || !f)
        return true;
    *inJournal = *j;
    *inFile = *f;
    return *f == *j || *f == *j + 1;
}

// Whether the two files hold the same bytes.
bool SameBytes(const QString &a, const QString &b)
{
    QFile fa(a);
    QFile fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly) || fa.size() != fb.size())
        return false;
    while (!fa.atEnd()) {
        const QByteArray x = fa.read(1 << 20);
        if (x.isEmpty() || x != fb.read(x.size()))
            return false;
    }
    return true;
}

// A copy of the database and of its journals, set aside under Temp before the journal is played
// into the file: if the file does not check out afterwards, the journal was not its own, and the
// file goes back as it was. Until the start has decided on it, the copy carries a mark with the
// file's state when it was copied (and, once the journal is played, its state then). A start
// that was ended before the decision (killed, refused on the way, the disk full) leaves it marked,
// and the next start goes on from it, as long as the file in place is the one it was made from,
// as copied, part-played by the same journal or played. Any other file is not touched by the
// copy: the copy is kept for the clerk and named. A copy the start decided to keep is named to
// the clerk: the mark holds the message until it has been shown, and a start that finds such a
// mark shows it again.
class SetAside
{
public:
    // How the file in place stands to the copy taken up.
    enum class Found {
        Missing,    // no file
        Untouched,  // as it was copied
        PartPlayed, // changed, with the same journal still beside it: the play was cut off
        Played,     // the journal played into it (or the copy put back), not yet decided on
        Other       // another file
    };

    // The folders of copies kept by starts that ended before they told the clerk, each with what
    // it was to say.
    static QList<std::pair<QString, QString>> Untold()
    {
        QList<std::pair<QString, QString>> untold;
        for (const QString &dir : Folders()) {
            const QStringList lines = MarkedLines(dir);
            if (lines.value(0) == kTell)
                untold.append({dir, lines.mid(1).join(u'\n')});
        }
        return untold;
    }
    // The clerk has been told about the copy in dir.
    static void Told(const QString &dir) { QFile::remove(dir + u'/' + kMark); }
    // Every folder under Temp that holds a set-aside copy, oldest first.
    static QStringList Folders()
    {
        QStringList dirs;
        for (const QFileInfo &d :
             QDir(TempRoot()).entryInfoList({kPrefix + u'*'}, QDir::Dirs, QDir::Name))
            dirs << d.absoluteFilePath();
        return dirs;
    }

    // Takes up the copy an earlier start set aside and did not decide on, if there is one. A
    // marked folder that holds no copy of the file is dropped: it was ended while copying, before
    // the file was opened, or while it was being removed after the decision.
    bool Resume(const QString &file)
    {
        QStringList marked;
        for (const QString &dir : Folders())
            if (QFileInfo::exists(dir + u'/' + kMark) && MarkedLines(dir).value(0) != kTell)
                marked << dir;
        if (marked.isEmpty())
            return false;
        m_dir = marked.last();
        m_copy = m_dir + u'/' + QFileInfo(file).fileName();
        if (!HasCopy()) {
            Drop();
            return false;
        }
        qInfo().noquote() << "an earlier start did not decide on the copy it set aside:" << m_dir;
        return true;
    }
    Found Compare(const QString &file, const QStringList &journals) const
    {
        if (!QFileInfo::exists(file))
            return Found::Missing;
        const QStringList lines = MarkedLines(m_dir);
        const QString now = Fingerprint(file);
        if (now == lines.value(0))
            return Found::Untouched;
        if (!journals.isEmpty()) {
            const bool same = std::all_of(journals.begin(), journals.end(), [&](const QString &j) {
                return SameBytes(j, m_dir + u'/' + QFileInfo(j).fileName());
            });
            return same ? Found::PartPlayed : Found::Other;
        }
        if (lines.contains(kPlayed + now))
            return Found::Played;
        // Cut off while it was put back: the copy is in place already.
        if (lines.contains(kPutBack) && SameBytes(file, m_copy))
            return Found::Played;
        return Found::Other;
    }

    // Marks the copy with the file's state, then copies the file and its journals through the
    // file writer (each synced). A copy taken up from an earlier start keeps its database and
    // takes the journals anew. False, with the reason, when a copy cannot be made; nothing new
    // is then left of the attempt.
    bool Make(const QString &file, const QStringList &journals, QString *why)
    {
        const bool resumed = IsMade();
        if (!resumed) {
            if (!MakeDir(why))
                return false;
            if (!WriteMark({Fingerprint(file)})) {
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
    // drop them when it makes the new file. The text that tells the clerk where they are.
    QString MoveAside(const QStringList &journals)
    {
        QString why;
        if (!MakeDir(&why))
            return QString();
        const QString text = QStringLiteral("数据库文件不存在，程序将建立新的数据库文件。\n"
                                            "原来旁边留下的日志文件另存在“%1”。")
                                 .arg(Native(m_dir));
        WillTell(text);
        for (const QString &j : journals) {
            if (!QFile::rename(j, m_dir + u'/' + QFileInfo(j).fileName()))
                qWarning().noquote() << "could not set aside" << j;
        }
        qInfo().noquote() << "journals of a database that is gone set aside in" << m_dir;
        return text;
    }
    // The journal has been played into the file and it opens: its state now.
    void MarkPlayed(const QString &file)
    {
        QStringList lines = MarkedLines(m_dir);
        lines.insert(1, kPlayed + Fingerprint(file));
        if (!WriteMark(lines))
            qWarning().noquote() << "could not mark the copy in" << m_dir << "as played";
    }
    // The file is being put back (the check after the journal failed with why): a start that
    // takes the copy up puts it back again, without checking the file first.
    void BeginPutBack(const QString &why)
    {
        QStringList lines = MarkedLines(m_dir);
        const qsizetype at = lines.indexOf(kPutBack);
        if (at >= 0)
            lines.resize(at);
        if (!WriteMark(lines << kPutBack << why))
            qWarning().noquote() << "could not mark the copy in" << m_dir << "as put back";
    }
    bool PutBackBegun(QString *why) const
    {
        const QStringList lines = MarkedLines(m_dir);
        const qsizetype at = lines.indexOf(kPutBack);
        if (at < 0)
            return false;
        *why = lines.mid(at + 1).join(u'\n');
        return true;
    }
    bool IsMade() const { return !m_dir.isEmpty(); }
    bool HasCopy() const { return !m_copy.isEmpty() && QFileInfo(m_copy).isFile(); }
    QString Dir() const { return m_dir; }
    QString Copy() const { return m_copy; }
    // The copy is about to be kept, and the clerk told so with text: a start that ends before
    // the message is shown (or while the copy is still changed on the way) shows it.
    void WillTell(const QString &text)
    {
        if (!m_dir.isEmpty() && !WriteMark({kTell, text}))
            qWarning().noquote() << "could not mark" << m_dir;
    }
    // The copy is kept for the clerk, who is to be told so with text; no later start takes it
    // up. Its folder, whose mark holds the text until Told.
    QString Defer(const QString &text)
    {
        WillTell(text);
        const QString dir = m_dir;
        m_dir.clear();
        m_copy.clear();
        return dir;
    }
    // The copy is kept; the message that names it comes from the caller.
    void Keep()
    {
        if (!m_dir.isEmpty())
            QFile::remove(m_dir + u'/' + kMark);
        m_dir.clear();
        m_copy.clear();
    }
    // Removes the copy: the mark goes last, so a start ended on the way finds a marked folder
    // without a copy, and removes the rest.
    void Drop()
    {
        if (m_dir.isEmpty())
            return;
        for (const QFileInfo &f : QDir(m_dir).entryInfoList(QDir::Files | QDir::NoDotAndDotDot))
            QFile::remove(f.absoluteFilePath());
        QDir(m_dir).removeRecursively();
        m_dir.clear();
        m_copy.clear();
    }

private:
    static QString TempRoot() { return AppDataDir() + QStringLiteral("/Temp"); }

    static QStringList MarkedLines(const QString &dir)
    {
        QString text;
        if (dir.isEmpty() || !ReadTextFile(dir + u'/' + kMark, &text))
            return {};
        return text.trimmed().split(u'\n');
    }
    bool WriteMark(const QStringList &lines) const
    {
        return WriteTextFile(lines.join(u'\n') + u'\n', m_dir + u'/' + kMark) == 1;
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
    static inline const QString kPlayed = QStringLiteral("played ");
    static inline const QString kPutBack = QStringLiteral("put back");
    static inline const QString kTell = QStringLiteral("tell");
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

// The line that names every folder holding a copy of the database or its journals set aside at
// a start.
QString CopiesLine()
{
    QStringList dirs = SetAside::Folders();
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
            SetAside::Told(d);
        QStringList all = notes;
        if (!text.isEmpty())
            all.prepend(text);
        notes.clear();
        noteDirs.clear();
        if (!all.isEmpty())
            ReportMessage(all.join(u'\n'), kind);
    };
    auto keep = [&](SetAside &copy, const QString &text) {
        noteDirs << copy.Defer(text);
        notes << text;
    };
    for (const auto &[dir, text] : SetAside::Untold()) {
        noteDirs << dir;
        notes << text;
    }
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

    // A journal left by a run that was killed while writing is played into the file when it is
    // opened. It may not be the file's own (a copy put in the file's place since): the file and
    // the journal are set aside first, so the file can go back as it was. A set-aside an earlier
    // start did not decide on is decided against the file it was made from.
    SetAside aside;
    QStringList journals = JournalsBeside(file);
    std::optional<SetAside::Found> found;
    if (aside.Resume(file)) {
        const QString dir = Native(aside.Dir());
        found = aside.Compare(file, journals);
        switch (*found) {
        case SetAside::Found::Missing:
            keep(aside, QStringLiteral("数据库文件“%1”不存在，程序将建立新的数据库文件。\n"
                                       "上次启动前的数据库文件和日志文件另存在“%2”，没有删除。")
                            .arg(Native(path), dir));
            break;
        case SetAside::Found::Other:
            checkReason = QStringLiteral("another file is in the place of the one set aside in ") +
                          aside.Dir();
            keep(aside,
                 QStringLiteral("上次启动时另存的数据库文件和日志文件保留在“%1”。\n"
                                "现在的数据库文件“%2”已不是当时另存的那一个，程序没有用另存的文件替换它。")
                     .arg(dir, Native(path)));
            break;
        case SetAside::Found::Untouched:
        case SetAside::Found::Played:
            if (journals.isEmpty())
                checkReason = QStringLiteral("an earlier start ended before it decided on the "
                                             "copy set aside in ") + aside.Dir();
            break;
        case SetAside::Found::PartPlayed:
            qInfo().noquote() << "the play of the journal was cut off; it starts again from the "
                                 "copy in" << aside.Dir();
            break;
        }
    }
    if (!exists && !journals.isEmpty()) {
        SetAside moved;
        if (const QString text = moved.MoveAside(journals); !text.isEmpty())
            keep(moved, text);
    } else if (!journals.isEmpty()) {
        checkReason = QStringLiteral("a journal was left beside the file: ") + journals.join(u' ');
        QString why;
        if (!aside.HasCopy() || found == SetAside::Found::Untouched) {
            if (!aside.Make(file, journals, &why))
                return refuse(ProblemText(
                    QStringLiteral("数据库文件旁有上次中断时留下的日志文件，使用它之前要先把数据库和日志另存一份，"
                                   "但无法另存（数据库和日志都没有改动）。"),
                    why, {CopiesLine()}));
        }
        // A journal that tells it belongs to another state of the file is not played.
        for (const QString &j : journals) {
            quint32 inJournal = 0;
            quint32 inFile = 0;
            if (JournalCanBelong(file, j, &inJournal, &inFile))
                continue;
            qInfo().noquote() << "the journal" << j << "began at change" << inJournal
                              << "of a file, this file is at change" << inFile;
            const QString text =
                QStringLiteral("数据库文件旁有一个上次中断时留下的日志文件，但它不属于现在的数据库文件"
                               "（日志记下的修改次数是%1，数据库文件的是%2），所以没有使用它。\n"
                               "数据库文件没有改动；日志文件和启动前的数据库文件另存在“%3”。")
                    .arg(inJournal)
                    .arg(inFile)
                    .arg(Native(aside.Dir()));
            aside.WillTell(text);
            for (const QString &k : journals) {
                if (QFile::exists(k) && !QFile::remove(k))
                    return refuse(ProblemText(
                        QStringLiteral("数据库文件旁有一个不属于它的日志文件，但无法把它移开："
                                       "%1（数据库文件没有改动）。")
                            .arg(Native(k)),
                        QString(), {CopiesLine()}));
            }
            keep(aside, text);
            journals.clear();
            break;
        }
    }
    const QString copiesLine = CopiesLine();

    // A file that no longer opens after its journal was played goes back as well.
    const bool opened = db.OpenConn(path, true);
    if (opened && aside.HasCopy() && !journals.isEmpty())
        aside.MarkPlayed(file);
    const int openCode = opened ? 0 : db.LastErrorCode().toInt() & 0xff;
    const bool putBackUnreadable =
        !opened && aside.HasCopy() && (openCode == 11 || openCode == 26); // CORRUPT, NOTADB
    if (!opened && !putBackUnreadable) {
        if (db.LastErrorCode().isEmpty())
            return refuse(ProblemText(db.LastError(), QString(), {copiesLine}));
        return refuse(ProblemText(OpenProblem(path, db.LastErrorCode()),
                                  db.LastError() + QStringLiteral("，错误号") +
                                      db.LastErrorCode(),
                                  {BackupLine(file), copiesLine}));
    }
    // Nothing is written to a file that cannot take the program's writes or that is damaged;
    // the user hears why at once, not when the work of the session is lost.
    if (opened && db.IsReadOnly())
        return refuse(ProblemText(
            QStringLiteral("数据库文件是只读的，无法保存：") + Native(path), QString(), {copiesLine}));
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
                    {BackupLine(file), copiesLine}));
            // The file did not survive its journal: it goes back as it was before the start,
            // without the journal, which is kept aside.
            db.Close();
            aside.BeginPutBack(why);
            QString putBack;
            if (!PutBack(aside, file, &putBack))
                return refuse(ProblemText(
                    QStringLiteral("用数据库文件旁留下的日志文件恢复后，数据库文件“%1”未通过检查，"
                                   "而启动前的数据库文件无法放回原处。")
                        .arg(Native(path)),
                    why + u'\n' + putBack, {copiesLine, BackupLine(file)}));
            QString again;
            if (!CheckDatabase(file, &again)) {
                aside.Keep();
                return refuse(ProblemText(
                    QStringLiteral("数据库文件已损坏，程序不能使用它（它旁边留下的日志文件也无法修复它），"
                                   "已放回启动前的样子：") +
                        Native(path),
                    again, {copiesLine, BackupLine(file)}));
            }
            keep(aside,
                QStringLiteral("数据库文件旁有一个上次中断时留下的日志文件，但它不属于现在的数据库文件"
                               "（用它恢复后数据库未通过检查）。\n"
                               "数据库文件已放回启动前的样子，日志文件没有使用。\n") +
                copiesLine + u'\n' + DetailLine(why));
            if (!db.OpenConn(path, true))
                return refuse(ProblemText(OpenProblem(path, db.LastErrorCode()), db.LastError(),
                                          {copiesLine}));
        } else {
            // The journal was the file's own and has been rolled back (or the file was whole
            // as it was set aside): nothing to keep.
            aside.Drop();
        }
    }
    QString why;
    if (!UpgradeDBSchema(&why)) {
        if (why.isEmpty())
            why = db.LastError();
        return refuse(QStringLiteral("无法建立数据库连接！\n") + why);
    }
    // Told once the file is whole and has its tables: a start ended at the message finds it so.
    report(QString(), MsgKind::Warning);

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
