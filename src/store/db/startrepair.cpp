#include "store/db/startrepair.h"

#include "store/db/filewriter.h"
#include "store/db/textfile.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace store {

namespace {

quint32 Be32(const QByteArray &b, qsizetype at)
{
    return (quint32(quint8(b[at])) << 24) | (quint32(quint8(b[at + 1])) << 16) |
           (quint32(quint8(b[at + 2])) << 8) | quint32(quint8(b[at + 3]));
}

QString Native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

const QString kPrefix = QStringLiteral("启动前的数据库-");
const QString kMark = QStringLiteral(".undecided");
const QString kUnused = QStringLiteral(".未使用");
const QString kUsed = QStringLiteral(".已使用");
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

// The journals and the shared-memory file of a write-ahead log beside the file.
QStringList BesideAndShm(const QString &file)
{
    QStringList all = JournalsBeside(file);
    all << file + QStringLiteral("-shm");
    return all;
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

void SyncFolder(const QString &dir)
{
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// A file moved into a folder: renamed where it can be, else copied through the file writer and
// then removed.
bool MoveFile(const QString &from, const QString &to, QString *why)
{
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0) {
        SyncFolder(QFileInfo(to).absolutePath());
        SyncFolder(QFileInfo(from).absolutePath());
        return true;
    }
    return CopyFileOver(from, to, why) && QFile::remove(from);
}

// The change counter in the copy of page 1 a rollback journal holds: the file's counter when the
// interrupted transaction began; and every page the journal would play back, by page number.
// The journal is a chain of segments: a header of one sector (magic, record count, checksum seed,
// the file's page count, sector size, page size), then its records (page number, page,
// checksum); the next header starts at the next sector boundary. SQLite plays a record back only
// when its checksum holds.
struct JournalPages
{
    std::optional<quint32> page1Counter;
    QByteArray page1;
    QHash<quint32, QList<QByteArray>> pages;
};

JournalPages ReadRollbackJournal(const QString &journal, bool wantPages)
{
    JournalPages out;
    QFile f(journal);
    if (!f.open(QIODevice::ReadOnly))
        return out;
    static const QByteArray kMagic("\xd9\xd5\x05\xf9\x20\xa1\x63\xd7", 8);
    const qint64 size = f.size();
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
                return out;
            const QByteArray pgno = f.read(4);
            if (pgno.size() < 4)
                return out;
            const quint32 number = Be32(pgno, 0);
            if (number != 1 && !wantPages)
                continue;
            const QByteArray rec = f.read(recordSize - 4);
            if (rec.size() < recordSize - 4)
                return out;
            quint32 sum = seed;
            for (qint64 i = pageSize - 200; i > 0; i -= 200)
                sum += quint8(rec[i]);
            if (sum != Be32(rec, pageSize))
                return out;
            if (number == 1 && !out.page1Counter) {
                out.page1Counter = Be32(rec, 24);
                out.page1 = rec.left(pageSize);
            }
            if (wantPages)
                out.pages[number] << rec.left(pageSize);
            else
                return out;
        }
        if (records == 0xffffffffu)
            break;
        header = (at + sector - 1) / sector * sector;
    }
    return out;
}

// The pages a write-ahead log holds (header: magic, version, page size, checkpoint, two salts,
// checksum; each frame: page number, size after commit, the salts, checksum, then the page).
void ReadWal(const QString &wal, QHash<quint32, QList<QByteArray>> *pages)
{
    QFile f(wal);
    if (!f.open(QIODevice::ReadOnly))
        return;
    const QByteArray h = f.read(32);
    if (h.size() < 32 || (Be32(h, 0) & 0xfffffffeu) != 0x377f0682u)
        return;
    const qint64 pageSize = Be32(h, 8) == 1 ? 65536 : Be32(h, 8);
    if (pageSize < 512 || pageSize > 65536)
        return;
    const QByteArray salts = h.mid(16, 8);
    for (;;) {
        const QByteArray frame = f.read(24 + pageSize);
        if (frame.size() < 24 + pageSize)
            return;
        if (frame.mid(8, 8) == salts)
            (*pages)[Be32(frame, 0)] << frame.mid(24);
    }
}

bool IsWal(const QString &keptName)
{
    return keptName.endsWith(QLatin1String("-wal"));
}

// Page 1 without what SQLite rewrites in it on any commit (the file format bytes a change of
// journal mode sets, the change counter, the version it was written with).
QByteArray Masked(QByteArray page)
{
    for (int i : {18, 19})
        page[i] = 0;
    for (int i = 24; i < 28; ++i)
        page[i] = 0;
    for (int i = 92; i < 100; ++i)
        page[i] = 0;
    return page;
}

// Whether every page of the file is the copy's page or one the journals would play (a page past
// the copy's end may be zeros: SQLite grows a file back to its size before the play).
bool OfThePlay(const QString &file, const QString &copy, const QHash<quint32, QList<QByteArray>> &pages)
{
    QFile f(file);
    QFile c(copy);
    if (!f.open(QIODevice::ReadOnly) || !c.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = c.read(100);
    if (head.size() < 100)
        return false;
    const qint64 raw = (qint64(quint8(head[16])) << 8) | quint8(head[17]);
    const qint64 pageSize = raw == 1 ? 65536 : raw;
    if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0 || f.size() % pageSize != 0)
        return false;
    c.seek(0);
    const qint64 copyPages = c.size() / pageSize;
    const QByteArray zeros(pageSize, '\0');
    for (quint32 p = 1; p <= quint32(f.size() / pageSize); ++p) {
        QByteArray mine = f.read(pageSize);
        QByteArray before = p <= copyPages ? c.read(pageSize) : QByteArray();
        if (mine.size() != pageSize)
            return false;
        if (p == 1) {
            mine = Masked(mine);
            if (!before.isEmpty())
                before = Masked(before);
        }
        if (mine == before || (p > copyPages && mine == zeros))
            continue;
        const QList<QByteArray> played = pages.value(p);
        const bool found = std::any_of(played.begin(), played.end(), [&](const QByteArray &q) {
            return (p == 1 ? Masked(q) : q) == mine;
        });
        if (!found)
            return false;
    }
    return true;
}

// Every page the kept journals would play, by page number.
QHash<quint32, QList<QByteArray>> PagesOf(const QList<std::pair<QString, QString>> &kept)
{
    QHash<quint32, QList<QByteArray>> pages;
    for (const auto &[path, name] : kept) {
        if (IsWal(name)) {
            ReadWal(path, &pages);
            continue;
        }
        const JournalPages j = ReadRollbackJournal(path, true);
        for (auto it = j.pages.begin(); it != j.pages.end(); ++it)
            pages[it.key()] << it.value();
    }
    return pages;
}

QStringList MarkLines(const QString &dir)
{
    QString text;
    if (!ReadTextFile(dir + u'/' + kMark, &text))
        return {};
    return text.trimmed().split(u'\n');
}

} // namespace

QString DetailLine(const QString &detail)
{
    QString d = detail;
    d.replace(u'\n', QStringLiteral("；"));
    d = d.simplified();
    if (d.size() > 240)
        d = d.left(240) + QStringLiteral("……");
    return QStringLiteral("（详细信息：") + d + QStringLiteral("）");
}

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

namespace repair {

Step Decide(const Found &f)
{
    if (f.stage == Stage::None) {
        if (f.beside == Beside::None)
            return Step::Open;
        return f.filePresent ? Step::SetAside : Step::MoveJournalsAside;
    }
    // A folder whose copy went: one an earlier version was removing.
    if (!f.copyHeld)
        return Step::Drop;
    // A journal whose page 1 shows it is another's is never played (an earlier version's mark
    // does not tell how far it went): as long as the file is as copied, as before any play.
    if (f.owner == Owner::Foreign && f.file == FileIs::AsCopied && f.stage != Stage::Copied &&
        f.stage != Stage::PuttingBack) {
        Found before = f;
        before.stage = Stage::Copied;
        return Decide(before);
    }
    const bool missing = f.file == FileIs::Missing;
    const bool other = f.file == FileIs::Other;
    switch (f.stage) {
    case Stage::None:
        break;
    case Stage::Copied:
        // Nothing has opened the file yet: anything but the copy is another's doing.
        if (missing)
            return Step::KeepMissing;
        if (f.file != FileIs::AsCopied)
            return Step::KeepOther;
        if (f.beside == Beside::Kept)
            return f.owner == Owner::Foreign ? Step::RemoveJournals : Step::MarkPlaying;
        // The file's own journal (its page 1 shows it) went, or another came in its place: the
        // file is still the one killed while it wrote, and only its own journal mends it.
        if (f.owner == Owner::Own)
            return f.beside == Beside::None ? Step::RestoreJournals : Step::MoveStrayAside;
        if (f.beside == Beside::None)
            return f.owner == Owner::Foreign ? Step::KeepUnusedForeign : Step::KeepUnusedGone;
        return Step::KeepUnusedReplaced;
    case Stage::Playing:
    case Stage::Checking:
    case Stage::Passed:
        // The file has been opened, or is about to be: the folder stays for a file gone or
        // another one in place.
        if (missing)
            return Step::KeepMissing;
        if (other)
            return Step::KeepOther;
        if (f.stage != Stage::Playing) {
            if (f.beside == Beside::Other)
                return Step::MoveStrayAside;
            // The kept journals beside the file again (put back with it): played again.
            if (f.beside == Beside::Kept)
                return Step::MarkPlaying;
            if (f.stage == Stage::Checking)
                return Step::Check;
            return f.file == FileIs::AsCopied || f.owner == Owner::Own ? Step::Drop
                                                                         : Step::KeepPlayed;
        }
        if (f.beside == Beside::Other)
            return f.file == FileIs::AsCopied && f.owner != Owner::Own ? Step::KeepUnusedReplaced
                                                                      : Step::MoveStrayAside;
        // SQLite deletes the journal once it has played it, before the outcome is recorded:
        // the play goes again from the kept journals (playing them twice gives the same pages).
        if (f.beside == Beside::None)
            return Step::RestoreJournals;
        return Step::Play;
    case Stage::PuttingBack:
        if (other)
            return Step::KeepOther;
        if (f.beside == Beside::Other)
            return Step::MoveStrayAside;
        if (missing || f.file == FileIs::OfThePlay)
            return Step::PutBack;
        if (f.beside == Beside::Kept)
            return Step::RemoveJournals;
        return Step::KeepPutBack;
    }
    return Step::Open;
}

const char *StepName(Step step)
{
    switch (step) {
    case Step::Open: return "open";
    case Step::SetAside: return "set aside";
    case Step::MoveJournalsAside: return "move the journals aside";
    case Step::MarkPlaying: return "mark playing";
    case Step::Play: return "play";
    case Step::RestoreJournals: return "restore the journals";
    case Step::RemoveJournals: return "remove the journals";
    case Step::Check: return "check";
    case Step::PutBack: return "put back";
    case Step::Drop: return "drop";
    case Step::MoveStrayAside: return "move a stray journal aside";
    case Step::KeepMissing: return "keep: the file is missing";
    case Step::KeepOther: return "keep: another file";
    case Step::KeepUnusedForeign: return "keep: a foreign journal";
    case Step::KeepUnusedGone: return "keep: the journal went";
    case Step::KeepUnusedReplaced: return "keep: the journal was replaced";
    case Step::KeepPlayed: return "keep: played a journal that cannot tell";
    case Step::KeepPutBack: return "keep: put back";
    }
    return "?";
}

namespace {

// Whether the kept journals went into the file at the stage: the file then opened with them.
bool JournalsUsed(Step step, const Found &f)
{
    if (step == Step::KeepPlayed || f.copyRolledBack)
        return true;
    return (step == Step::KeepMissing || step == Step::KeepOther) &&
           (f.stage == Stage::Checking || f.stage == Stage::Passed);
}

} // namespace

QString KeepText(Step step, const Found &f, const QString &dirPath, const QString &filePath)
{
    const QString dir = Native(dirPath);
    const QString file = Native(filePath);
    const bool used = JournalsUsed(step, f);
    // The copy of a file killed while it wrote is that file with its own journal played.
    const QString rolled = f.copyRolledBack
                               ? QStringLiteral("另存的数据库文件已用它自己的日志文件恢复（那个日志文件已用来恢复它）。")
                               : QString();
    switch (step) {
    case Step::MoveJournalsAside:
        return QStringLiteral("数据库文件“%1”不存在，程序将建立新的数据库文件。\n"
                              "原来旁边留下的日志文件另存在“%2”，没有使用。")
            .arg(file, dir);
    case Step::MoveStrayAside:
        return QStringLiteral("数据库文件旁又出现了一个日志文件，它不属于正在恢复的数据库文件，"
                              "程序没有使用它，把它另存在“%1”。")
            .arg(dir);
    case Step::KeepMissing:
        return QStringLiteral("数据库文件“%1”不存在，程序将建立新的数据库文件。\n"
                              "启动前的数据库文件和当时旁边的日志文件另存在“%2”，没有删除；%3")
                   .arg(file, dir,
                        f.copyRolledBack ? QString()
                        : used           ? QStringLiteral("那个日志文件曾用来恢复后来不在了的数据库文件。")
                                         : QStringLiteral("日志文件没有使用。")) +
               rolled;
    case Step::KeepOther:
        return QStringLiteral("上次启动时另存的数据库文件和日志文件保留在“%1”。\n"
                              "现在的数据库文件“%2”已不是当时另存的那一个，程序没有改动它，"
                              "也没有用另存的文件替换它；%3")
                   .arg(dir, file,
                        f.copyRolledBack ? QString()
                        : used           ? QStringLiteral("那个日志文件曾用来恢复当时的数据库文件。")
                                         : QStringLiteral("那个日志文件没有使用。")) +
               rolled;
    case Step::KeepUnusedForeign:
        return QStringLiteral("数据库文件旁有一个上次中断时留下的日志文件，但它不属于现在的数据库文件"
                              "（%1），所以没有使用它。\n"
                              "数据库文件没有改动；启动前的数据库文件和没有使用的日志文件另存在“%2”。")
            .arg(f.journalCounter == f.copyCounter
                     ? QStringLiteral("日志记下的数据库文件开头与现在的不同")
                     : QStringLiteral("日志记下的修改次数是%1，数据库文件的是%2")
                           .arg(f.journalCounter)
                           .arg(f.copyCounter),
                 dir);
    case Step::KeepUnusedGone:
        return QStringLiteral("上次启动时数据库文件旁的日志文件已不在原处，程序没有用它修改数据库文件。\n"
                              "启动前的数据库文件和那个日志文件另存在“%1”。")
                   .arg(dir) +
               (f.copyRolledBack ? rolled : QStringLiteral("日志文件没有使用。"));
    case Step::KeepUnusedReplaced:
        return QStringLiteral("上次启动时数据库文件旁的日志文件已换成另一个日志文件，程序没有用原来的那个修改数据库文件，"
                              "数据库文件没有变。\n启动前的数据库文件和原来的日志文件另存在“%1”。")
                   .arg(dir) +
               (f.copyRolledBack ? rolled : QStringLiteral("原来的日志文件没有使用。"));
    case Step::KeepPlayed:
        return QStringLiteral("数据库文件旁有一个上次中断时留下的日志文件，无法确定它是否属于现在的数据库文件，"
                              "程序已用它恢复了数据库，使用它之前的数据库文件和这个日志文件另存在“%1”。")
            .arg(dir);
    case Step::KeepPutBack:
        return QStringLiteral("数据库文件旁有一个上次中断时留下的日志文件，但它不属于现在的数据库文件"
                              "（用它恢复后数据库未通过检查）。\n数据库文件已放回启动前的样子，日志文件没有使用；"
                              "启动前的数据库文件和日志文件另存在“%1”。")
                   .arg(dir) +
               (f.why.isEmpty() ? QString() : u'\n' + DetailLine(f.why));
    default:
        return QString();
    }
}

// The folder under way: its mark's stage, the copy and the kept journals (each with the name it
// had beside the file).
struct Repairer::Pending
{
    QString dir;
    Stage stage = Stage::Playing;
    QString why;
    QString copy;
    QList<std::pair<QString, QString>> kept; // path in the folder, name beside the file
};

Repairer::Repairer(Place place) : m_place(std::move(place)) {}

QStringList Repairer::Folders() const
{
    QStringList dirs;
    for (const QFileInfo &d :
         QDir(m_place.tempRoot).entryInfoList({kPrefix + u'*'}, QDir::Dirs, QDir::Name))
        dirs << d.absoluteFilePath();
    return dirs;
}

QList<std::pair<QString, QString>> Repairer::Untold() const
{
    QList<std::pair<QString, QString>> untold;
    for (const QString &dir : Folders()) {
        const QStringList lines = MarkLines(dir);
        if (lines.value(0) == QLatin1String("tell"))
            untold.append({dir, lines.mid(1).join(u'\n')});
    }
    return untold;
}

void Repairer::Told(const QString &dir)
{
    QFile::remove(dir + u'/' + kMark);
}

void Repairer::Tidy()
{
    const QDir root(m_place.tempRoot);
    // Folders being made or removed when a start was cut off: nothing had touched the file yet,
    // or the folder was no longer wanted.
    for (const QFileInfo &d : root.entryInfoList({u'.' + kPrefix + u'*'},
                                                 QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot)) {
        if (QDir(d.absoluteFilePath()).removeRecursively())
            qInfo().noquote() << "removed an unfinished set-aside folder:" << d.absoluteFilePath();
    }
    for (const QString &dir : Folders()) {
        QDir d(dir);
        const QFileInfoList files = d.entryInfoList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
        bool holds = false;
        for (const QFileInfo &fi : files) {
            if (fi.fileName() == kMark)
                continue;
            holds = true;
            const QString name = fi.fileName();
            if (name.endsWith(QLatin1String("-journal")) || name.endsWith(QLatin1String("-wal"))) {
                const QString to = fi.absoluteFilePath() + kUnused;
                if (!QFileInfo::exists(to) &&
                    ::rename(QFile::encodeName(fi.absoluteFilePath()).constData(),
                             QFile::encodeName(to).constData()) == 0) {
                    SyncFolder(dir);
                    qInfo().noquote() << "renamed a kept journal so that nothing plays it:" << to;
                }
            }
        }
        if (!holds && d.removeRecursively())
            qInfo().noquote() << "removed a set-aside folder that holds nothing:" << dir;
    }
}

std::optional<Repairer::Pending> Repairer::Under() const
{
    const QString name = QFileInfo(m_place.file).fileName();
    const QStringList dirs = Folders();
    for (auto it = dirs.rbegin(); it != dirs.rend(); ++it) {
        const QStringList lines = MarkLines(*it);
        if (lines.isEmpty() || lines[0] == QLatin1String("tell"))
            continue;
        Pending p;
        p.dir = *it;
        const QString first = lines[0];
        if (first == QLatin1String("copied"))
            p.stage = Stage::Copied;
        else if (first == QLatin1String("playing"))
            p.stage = Stage::Playing;
        else if (first == QLatin1String("checking"))
            p.stage = Stage::Checking;
        else if (first == QLatin1String("passed"))
            p.stage = Stage::Passed;
        // An earlier version's mark (the file's state, then what it had done): judged by the
        // file's bytes as a play that was about to begin, unless it was putting the copy back.
        const qsizetype putBack = lines.indexOf(QStringLiteral("put back"));
        if (putBack >= 0) {
            p.stage = Stage::PuttingBack;
            p.why = lines.mid(putBack + 1).join(u'\n');
        }
        p.copy = p.dir + u'/' + name;
        for (const char *suffix : kJournalSuffixes) {
            const QString beside = name + QLatin1String(suffix);
            for (const QString &kept : {beside + kUnused, beside + kUsed, beside}) {
                if (QFileInfo(p.dir + u'/' + kept).isFile()) {
                    p.kept.append({p.dir + u'/' + kept, beside});
                    break;
                }
            }
        }
        return p;
    }
    return std::nullopt;
}

Found Repairer::Look() const
{
    Found f;
    const QString &file = m_place.file;
    f.filePresent = QFileInfo(file).isFile();
    const QStringList beside = JournalsBeside(file);
    const std::optional<Pending> p = Under();
    if (!p) {
        f.beside = beside.isEmpty() ? Beside::None : Beside::Other;
        return f;
    }
    f.stage = p->stage;
    f.why = p->why;
    f.copyHeld = QFileInfo(p->copy).isFile();

    if (beside.isEmpty()) {
        f.beside = Beside::None;
    } else {
        bool same = beside.size() == p->kept.size();
        for (const auto &[kept, name] : p->kept) {
            const QString there = QFileInfo(file).absolutePath() + u'/' + name;
            same = same && beside.contains(there) && SameBytes(there, kept);
        }
        f.beside = same ? Beside::Kept : Beside::Other;
    }

    // Whose the kept journals are.
    const std::optional<quint32> copyCounter = ChangeCounter(p->copy);
    bool unknown = p->kept.isEmpty();
    bool foreign = false;
    for (const auto &[kept, name] : p->kept) {
        if (IsWal(name)) {
            unknown = true;
            continue;
        }
        const JournalPages j = ReadRollbackJournal(kept, false);
        if (!j.page1Counter || !copyCounter) {
            unknown = true;
            continue;
        }
        // The transaction began at the journal's count. A file whose page 1 was written since
        // counts one more; one at the same count still has the very page 1 the journal holds.
        QFile copy(p->copy);
        const bool samePage1 =
            copy.open(QIODevice::ReadOnly) && copy.read(j.page1.size()) == j.page1;
        if (*copyCounter == *j.page1Counter + 1 || (*copyCounter == *j.page1Counter && samePage1))
            continue;
        foreign = true;
        f.journalCounter = *j.page1Counter;
        f.copyCounter = *copyCounter;
    }
    f.owner = foreign ? Owner::Foreign : unknown ? Owner::Unknown : Owner::Own;

    if (!f.filePresent)
        f.file = FileIs::Missing;
    else if (!f.copyHeld)
        f.file = FileIs::Other;
    else if (SameBytes(file, p->copy))
        f.file = FileIs::AsCopied;
    else if (OfThePlay(file, p->copy, PagesOf(p->kept)))
        f.file = FileIs::OfThePlay;
    else
        f.file = FileIs::Other;
    return f;
}

QString Repairer::NewFolder() const
{
    const QString base = m_place.tempRoot + u'/' + kPrefix +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString dir = base;
    auto taken = [&](const QString &d) {
        return QFileInfo::exists(d) ||
               QFileInfo::exists(m_place.tempRoot + QStringLiteral("/.") + QFileInfo(d).fileName());
    };
    for (int n = 2; taken(dir); ++n)
        dir = base + u'-' + QString::number(n);
    return dir;
}

bool Repairer::WriteMark(const QString &dir, const QStringList &lines) const
{
    return WriteTextFile(lines.join(u'\n') + u'\n', dir + u'/' + kMark) == 1;
}

// The copy of a file killed while it wrote (its journal its own by page 1) is no database on its
// own: its journal is played into it, in a folder of its own, and it takes the copy's place
// when the result checks out. Playing it into a copy that has it played already changes nothing.
bool Repairer::RollBackCopy(const Pending &p)
{
    const QString name = QFileInfo(p.copy).fileName();
    const QString making = m_place.tempRoot + QStringLiteral("/.") + kPrefix + QStringLiteral("rollback");
    QDir(making).removeRecursively();
    bool ok = QDir().mkpath(making) && CopyFileOver(p.copy, making + u'/' + name);
    for (const auto &[kept, beside] : p.kept)
        ok = ok && CopyFileOver(kept, making + u'/' + beside);
    if (ok) {
        sqlite3 *db = nullptr;
        ok = sqlite3_open_v2(QFile::encodeName(making + u'/' + name).constData(), &db,
                             SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
             sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) ==
                 SQLITE_OK;
        sqlite3_close(db);
    }
    QString why;
    ok = ok && JournalsBeside(making + u'/' + name).isEmpty() &&
         m_place.check(making + u'/' + name, &why) && CopyFileOver(making + u'/' + name, p.copy);
    QDir(making).removeRecursively();
    if (ok)
        qInfo().noquote() << "the copy in" << p.dir << "has its own journal played";
    return ok;
}

bool Repairer::Keep(Step step, Found found, const Pending &p)
{
    if (found.owner == Owner::Own && found.copyHeld &&
        (step == Step::KeepMissing || step == Step::KeepOther || step == Step::KeepUnusedGone ||
         step == Step::KeepUnusedReplaced))
        found.copyRolledBack = RollBackCopy(p);
    // A file gone with the kept journals still beside it: they are in the folder.
    if (step == Step::KeepMissing && found.beside == Beside::Kept) {
        for (const QString &j : JournalsBeside(m_place.file))
            QFile::remove(j);
    }
    if (JournalsUsed(step, found)) {
        for (const auto &[kept, name] : p.kept) {
            const QString used = p.dir + u'/' + name + kUsed;
            if (kept != used)
                MoveFile(kept, used, nullptr);
        }
    }
    return WriteMark(p.dir, {QStringLiteral("tell"), KeepText(step, found, p.dir, m_place.shown)});
}

bool Repairer::Do(Step step, Problem *problem)
{
    return Do(step, Look(), problem);
}

bool Repairer::Do(Step step, const Found &found, Problem *problem)
{
    const QString &file = m_place.file;
    const QString name = QFileInfo(file).fileName();
    const std::optional<Pending> p = Under();
    auto fail = [&](const QString &what, const QString &detail = QString()) {
        problem->what = what;
        problem->detail = detail;
        problem->code.clear();
        return false;
    };
    auto markFailed = [&](const QString &dir) {
        return fail(QStringLiteral("无法写入文件“%1”。").arg(Native(dir + u'/' + kMark)));
    };

    switch (step) {
    case Step::Open:
        return true;
    case Step::SetAside: {
        const QString dir = NewFolder();
        const QString making = m_place.tempRoot + QStringLiteral("/.") + QFileInfo(dir).fileName();
        QString why;
        bool ok = QDir().mkpath(making);
        if (!ok)
            why = QStringLiteral("无法建立文件夹“%1”。").arg(Native(making));
        ok = ok && CopyFileOver(file, making + u'/' + name, &why);
        for (const QString &j : JournalsBeside(file))
            ok = ok && CopyFileOver(j, making + u'/' + QFileInfo(j).fileName() + kUnused, &why);
        if (ok && !WriteMark(making, {QStringLiteral("copied")})) {
            ok = false;
            why = QStringLiteral("无法写入文件“%1”。").arg(Native(making + u'/' + kMark));
        }
        if (ok && !QDir().rename(making, dir)) {
            ok = false;
            why = QStringLiteral("无法建立文件夹“%1”。").arg(Native(dir));
        }
        if (!ok) {
            QDir(making).removeRecursively();
            return fail(QStringLiteral("数据库文件旁有上次中断时留下的日志文件，使用它之前要先把数据库和日志另存一份，"
                                       "但无法另存（数据库和日志都没有改动）。"),
                        why);
        }
        SyncFolder(m_place.tempRoot);
        qInfo().noquote() << "set aside before the journal is played:" << dir;
        return true;
    }
    case Step::MoveJournalsAside:
    case Step::MoveStrayAside: {
        // The folder is told of before the journals move in: a start cut off on the way leaves
        // a folder that holds nothing (removed by the next start) or the journals that moved.
        const QString dir = NewFolder();
        const QString making = m_place.tempRoot + QStringLiteral("/.") + QFileInfo(dir).fileName();
        const QString text = KeepText(step, found, dir, m_place.shown);
        if (!QDir().mkpath(making) || !WriteMark(making, {QStringLiteral("tell"), text}) ||
            !QDir().rename(making, dir)) {
            QDir(making).removeRecursively();
            return fail(QStringLiteral("数据库文件旁有一个上次中断时留下的日志文件，但无法把它移开"
                                       "（无法建立文件夹“%1”）。").arg(Native(dir)));
        }
        SyncFolder(m_place.tempRoot);
        for (const QString &j : JournalsBeside(file)) {
            QString why;
            if (!MoveFile(j, dir + u'/' + QFileInfo(j).fileName() + kUnused, &why))
                return fail(QStringLiteral("数据库文件旁有一个上次中断时留下的日志文件，但无法把它移开：%1")
                                .arg(Native(j)),
                            why);
        }
        QFile::remove(file + QStringLiteral("-shm"));
        qInfo().noquote() << "journals moved aside, not played:" << dir;
        return true;
    }
    default:
        break;
    }

    if (!p)
        return fail(QStringLiteral("数据库文件旁的日志文件无法处理（另存的文件不见了）。"));
    const QString &dir = p->dir;
    switch (step) {
    case Step::MarkPlaying:
        return WriteMark(dir, {QStringLiteral("playing")}) || markFailed(dir);
    case Step::Play: {
        sqlite3 *db = nullptr;
        int rc = sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READWRITE,
                                 nullptr);
        QString why;
        if (rc == SQLITE_OK) {
            sqlite3_extended_result_codes(db, 1);
            sqlite3_busy_timeout(db, 2000);
            // Reading the schema plays a rollback journal; a write-ahead log goes into the
            // file when the file leaves that mode.
            rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
            if (rc == SQLITE_OK && QFileInfo::exists(file + QStringLiteral("-wal")))
                rc = sqlite3_exec(db, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr);
        }
        if (rc != SQLITE_OK)
            why = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_close(db);
        const int primary = rc & 0xff;
        if (rc == SQLITE_OK) {
            // What SQLite left beside the file it did not take for a hot journal: it would be
            // overwritten by the next write, and the folder keeps its copy.
            for (const QString &j : JournalsBeside(file)) {
                qInfo().noquote() << "not a journal that SQLite plays:" << j;
                QFile::remove(j);
            }
            qInfo().noquote() << "the journal beside" << file << "is played";
            return WriteMark(dir, {QStringLiteral("checking")}) || markFailed(dir);
        }
        if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB) {
            qInfo().noquote() << "the file does not open after its journal:" << why;
            return WriteMark(dir, {QStringLiteral("put back"), why}) || markFailed(dir);
        }
        problem->what.clear();
        problem->detail = why;
        problem->code = QString::number(rc);
        return false;
    }
    case Step::RestoreJournals:
        for (const auto &[kept, beside] : p->kept) {
            QString why;
            if (!CopyFileOver(kept, QFileInfo(file).absolutePath() + u'/' + beside, &why))
                return fail(QStringLiteral("无法把另存的日志文件放回数据库文件旁。"), why);
        }
        return true;
    case Step::RemoveJournals:
        for (const QString &j : BesideAndShm(file)) {
            if (QFileInfo::exists(j) && !QFile::remove(j))
                return fail(QStringLiteral("数据库文件旁有一个上次中断时留下的日志文件，但无法把它移开："
                                           "%1（数据库文件没有改动）。")
                                .arg(Native(j)));
        }
        return true;
    case Step::Check: {
        QString why;
        if (m_place.check(file, &why)) {
            m_checked = Fingerprint(file);
            return WriteMark(dir, {QStringLiteral("passed")}) || markFailed(dir);
        }
        return WriteMark(dir, {QStringLiteral("put back"), why}) || markFailed(dir);
    }
    case Step::PutBack: {
        for (const QString &j : BesideAndShm(file))
            QFile::remove(j);
        QString why;
        if (!CopyFileOver(p->copy, file, &why))
            return fail(QStringLiteral("用数据库文件旁留下的日志文件恢复后，数据库文件“%1”未通过检查，"
                                       "而启动前的数据库文件无法放回原处。")
                            .arg(Native(m_place.shown)),
                        p->why + u'\n' + why);
        qInfo().noquote() << "the copy set aside in" << dir << "is put back";
        return true;
    }
    case Step::Drop: {
        const QString going = m_place.tempRoot + QStringLiteral("/.") + QFileInfo(dir).fileName();
        if (QDir().rename(dir, going)) {
            SyncFolder(m_place.tempRoot);
            QDir(going).removeRecursively();
        } else {
            QDir(dir).removeRecursively();
        }
        return true;
    }
    default:
        return Keep(step, found, *p) || markFailed(dir);
    }
}

bool Repairer::Run(Problem *problem, int stopAfter)
{
    Tidy();
    // Each step leaves a state that leads on; the bound only guards against a disk that takes
    // a step and shows it undone.
    for (int n = 0; n < 64; ++n) {
        const Found found = Look();
        const Step step = Decide(found);
        if (step == Step::Open)
            return true;
        if (stopAfter >= 0 && m_steps.size() >= stopAfter)
            return true;
        qInfo().noquote() << "repair of the database:" << StepName(step);
        if (!Do(step, found, problem))
            return false;
        m_steps << step;
    }
    problem->what = QStringLiteral("数据库文件旁的日志文件无法处理（修复没有结束）。");
    return false;
}

bool Repairer::FileChecked() const
{
    return !m_checked.isEmpty() && Fingerprint(m_place.file) == m_checked;
}

} // namespace repair
} // namespace store
