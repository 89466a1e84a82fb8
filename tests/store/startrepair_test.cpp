// The repair a start makes before it opens the database, as a table: every state a start can
// find, each start cut off after every step it takes, then each thing a clerk may do between
// starts, then fresh starts. No process is killed: a cut-off is the executor stopped there.

#include "store_fixture.h"

#include "store/db/dbcheck.h"
#include "store/db/startrepair.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <functional>
#include <map>

using namespace store;
using namespace store::repair;
using storetest::FileBytes;

namespace {

void Put(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// A connection of SQLite's own library.
class Conn
{
public:
    explicit Conn(const QString &path, int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)
    {
        m_rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, flags, nullptr);
    }
    ~Conn() { sqlite3_close(m_db); }
    bool Ok() const { return m_rc == SQLITE_OK; }
    void Exec(const QString &sql)
    {
        char *err = nullptr;
        const int rc = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &err);
        EXPECT_EQ(rc, SQLITE_OK) << sql.toStdString() << ": " << (err ? err : "");
        sqlite3_free(err);
    }
    // The rows of a query, each column's text joined.
    QString Rows(const QString &sql)
    {
        sqlite3_stmt *st = nullptr;
        QString out;
        if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK)
            return QStringLiteral("error: ") + QString::fromUtf8(sqlite3_errmsg(m_db));
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            for (int i = 0; i < sqlite3_column_count(st); ++i)
                out += QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, i))) + u'|';
            out += u'\n';
        }
        if (rc != SQLITE_DONE)
            out += QStringLiteral("error: ") + QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_finalize(st);
        return out.trimmed();
    }

private:
    sqlite3 *m_db = nullptr;
    int m_rc = SQLITE_ERROR;
};

// The starts write and sync many small files: in memory where the machine has room for it.
QString TempTemplate()
{
    const QString shm = QStringLiteral("/dev/shm");
    return (QFileInfo(shm).isDir() && QFileInfo(shm).isWritable() ? shm : QDir::tempPath()) +
           QStringLiteral("/startrepair-XXXXXX");
}

QString ScratchRoot()
{
    static QTemporaryDir dir(TempTemplate());
    return dir.path();
}

// What a database holds, as one digest; empty when it does not read whole.
QString Content(const QString &path)
{
    static int serial = 0;
    const QString scratch = ScratchRoot() + QStringLiteral("/content-%1.db").arg(++serial);
    QFile::remove(scratch);
    if (!QFile::copy(path, scratch))
        return QString();
    QString digest;
    {
        Conn c(scratch, SQLITE_OPEN_READONLY);
        if (c.Rows("PRAGMA integrity_check") != "ok|")
            return QString();
        digest = QString::fromLatin1(
            QCryptographicHash::hash((c.Rows("SELECT * FROM Fmt ORDER BY ID") + u'#' +
                                      c.Rows("SELECT * FROM 历史 ORDER BY ID"))
                                         .toUtf8(),
                                     QCryptographicHash::Sha1)
                .toHex());
    }
    QFile::remove(scratch);
    return digest;
}

// The database the program keeps: a field table and a history with an index over its text.
QByteArray MakeBase(int rows, const QString &tag)
{
    const QString path = ScratchRoot() + "/base-" + tag + ".db";
    QFile::remove(path);
    {
        Conn c(path);
        c.Exec("PRAGMA page_size=4096");
        c.Exec("CREATE TABLE Fmt(ID INTEGER PRIMARY KEY, X INTEGER, Y INTEGER, LBL TEXT)");
        c.Exec("CREATE TABLE 历史(ID INTEGER PRIMARY KEY, Fmt TEXT, CID INTEGER, Con TEXT)");
        c.Exec("CREATE INDEX 历史_fmt_cid_con ON 历史(Fmt, CID, Con)");
        c.Exec("BEGIN");
        c.Exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40) "
               "INSERT INTO Fmt SELECT i, i * 3, i, '字段' || i FROM n");
        c.Exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
               QString::number(rows) +
               ") INSERT INTO 历史 SELECT i, '转账支票', i % 7, printf('收款人%06d有限公司', i) "
               "|| hex(randomblob(24)) FROM n");
        c.Exec("COMMIT");
    }
    return FileBytes(path);
}

QByteArray Committed(const QByteArray &db, const QStringList &statements)
{
    const QString path = ScratchRoot() + "/commit.db";
    QFile::remove(path);
    Put(path, db);
    {
        Conn c(path);
        for (const QString &s : statements)
            c.Exec(s);
    }
    return FileBytes(path);
}

// A writer killed in the middle of a change that spilled into the file long before its commit:
// the file and its hot journal as the kill leaves them.
std::pair<QByteArray, QByteArray> Crashed(const QByteArray &db, const QStringList &statements)
{
    const QString path = ScratchRoot() + "/crash.db";
    QFile::remove(path);
    QFile::remove(path + "-journal");
    Put(path, db);
    Conn c(path);
    c.Exec("PRAGMA cache_size=5");
    c.Exec("BEGIN");
    for (const QString &s : statements)
        c.Exec(s);
    std::pair<QByteArray, QByteArray> out{FileBytes(path), FileBytes(path + "-journal")};
    c.Exec("ROLLBACK");
    EXPECT_GT(out.second.size(), 0);
    return out;
}

// A write-ahead log of a change to the file, never checkpointed.
QByteArray WalOf(const QByteArray &db, const QString &statement)
{
    const QString path = ScratchRoot() + "/wal.db";
    QFile::remove(path);
    Put(path, db);
    Conn c(path);
    c.Exec("PRAGMA journal_mode=WAL");
    c.Exec("PRAGMA wal_autocheckpoint=0");
    c.Exec(statement);
    const QByteArray wal = FileBytes(path + "-wal");
    EXPECT_GT(wal.size(), 0);
    return wal;
}

const QString kGrow = "UPDATE 历史 SET Con = Con || '改改改改改改'";
const QString kSameSize = "UPDATE 历史 SET Con = replace(Con, '有限公司', '無限公司')";

// The files a start may find, made once.
struct Material
{
    QByteArray base = MakeBase(600, "a");
    // The clerk's restored copy: the base with one more edit of its own.
    QByteArray restored = Committed(base, {"UPDATE 历史 SET Con = '收取' WHERE ID = 1"});
    // A newer state of the same file, with a killed write whose journal holds page 1.
    QByteArray newer = Committed(base, {"UPDATE Fmt SET X = X + 7", "DELETE FROM 历史 WHERE ID % 5 = 0"});
    std::pair<QByteArray, QByteArray> newerCrash = Crashed(newer, {"UPDATE Fmt SET X = X + 1", kGrow});
    // The file's own killed write.
    std::pair<QByteArray, QByteArray> ownCrash = Crashed(restored, {kGrow});
    // A write that kept every row's size: its journal holds no page 1.
    QByteArray moved = Committed(base, {"UPDATE Fmt SET X = X + 50"});
    std::pair<QByteArray, QByteArray> movedCrash =
        Crashed(moved, {"UPDATE Fmt SET Y = Y + 1", kSameSize});
    // Another folder's file, with a killed write of the same kind.
    QByteArray unrelated = MakeBase(1000, "b");
    std::pair<QByteArray, QByteArray> unrelatedCrash = Crashed(unrelated, {kSameSize});
    QByteArray wal = WalOf(restored, "UPDATE Fmt SET X = X + 2");
    // What the clerk may put in place later: another backup, and another file with its own
    // killed write.
    QByteArray backup = Committed(base, {"DELETE FROM 历史 WHERE ID > 400"});
    std::pair<QByteArray, QByteArray> backupCrash = Crashed(backup, {kGrow});
};

const Material &M()
{
    static const Material m;
    return m;
}

// One program folder and the starts made on it.
class Folder
{
public:
    Folder()
    {
        QDir().mkpath(Temp());
        m_place = {File(), File(), Temp(), [this](const QString &f, QString *why) {
                       ++m_checks;
                       return CheckDatabaseFile(f, why);
                   }};
    }
    QString File() const { return m_dir.path() + "/DATA.mdb"; }
    QString Journal() const { return File() + "-journal"; }
    QString Temp() const { return m_dir.path() + "/Temp"; }

    // A start: the repair, then what the clerk is told, then the file opened (made anew when
    // missing). Stopped after stopAfter steps, it ends there, as a start killed there does.
    bool Start(int stopAfter = -1)
    {
        Repairer r(m_place);
        Problem problem;
        const bool ok = r.Run(&problem, stopAfter);
        m_lastSteps.clear();
        for (Step s : r.Steps())
            m_lastSteps << QString::fromLatin1(StepName(s));
        m_allSteps += m_lastSteps;
        if (!ok)
            m_problems << problem.what + " " + problem.detail + " " + problem.code;
        if (stopAfter >= 0)
            return ok;
        for (const auto &[dir, text] : r.Untold()) {
            m_told << text;
            Repairer::Told(dir);
        }
        if (ok && !QFileInfo::exists(File())) {
            Conn c(File());
            c.Exec("CREATE TABLE Fmt(ID INTEGER PRIMARY KEY, X INTEGER, Y INTEGER, LBL TEXT)");
            c.Exec("CREATE TABLE 历史(ID INTEGER PRIMARY KEY, Fmt TEXT, CID INTEGER, Con TEXT)");
        }
        return ok;
    }
    int StepsOfAFullStart() const { return int(m_lastSteps.size()); }

    QStringList Folders() const
    {
        QStringList dirs;
        for (const QFileInfo &d : QDir(Temp()).entryInfoList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot))
            dirs << d.absoluteFilePath();
        return dirs;
    }
    // What the kept copies hold (each opened read-write by SQLite where it lies, in a copy of its
    // folder), by folder.
    std::map<QString, QString> CopyContents() const
    {
        std::map<QString, QString> out;
        for (const QString &dir : Folders()) {
            if (QFileInfo::exists(dir + "/DATA.mdb"))
                out[dir] = OpenedWhereItLies(dir);
        }
        return out;
    }
    // Every state the files hold: the database and each copy.
    QSet<QString> States() const
    {
        QSet<QString> s;
        if (QFileInfo::exists(File()) && !QFileInfo::exists(Journal()))
            s << Content(File());
        for (const auto &[dir, content] : CopyContents())
            s << content;
        s.remove(QString());
        return s;
    }
    // Every journal kept in a folder, by its bytes.
    QSet<QByteArray> KeptJournals() const
    {
        QSet<QByteArray> out;
        for (const QString &dir : Folders())
            for (const QFileInfo &f : QDir(dir).entryInfoList(QDir::Files))
                if (f.fileName() != "DATA.mdb")
                    out << FileBytes(f.absoluteFilePath());
        return out;
    }

    const QStringList &Told() const { return m_told; }
    const QStringList &Problems() const { return m_problems; }
    const QStringList &LastSteps() const { return m_lastSteps; }
    const QStringList &AllSteps() const { return m_allSteps; }
    int Checks() const { return m_checks; }

    // The copy in dir opened by a plain SQLite client where it lies (in a copy of the folder):
    // its content, empty when it does not check out or when opening changed it.
    static QString OpenedWhereItLies(const QString &dir)
    {
        static int serial = 0;
        const QString there = ScratchRoot() + QStringLiteral("/where-%1").arg(++serial);
        QDir().mkpath(there);
        for (const QFileInfo &f : QDir(dir).entryInfoList(QDir::Files | QDir::Hidden))
            QFile::copy(f.absoluteFilePath(), there + u'/' + f.fileName());
        const QByteArray before = FileBytes(there + "/DATA.mdb");
        QString ok;
        {
            Conn c(there + "/DATA.mdb");
            ok = c.Rows("PRAGMA integrity_check");
        }
        const QString content = ok == "ok|" && FileBytes(there + "/DATA.mdb") == before
                                    ? Content(there + "/DATA.mdb")
                                    : QString();
        QDir(there).removeRecursively();
        return content;
    }

private:
    QTemporaryDir m_dir{TempTemplate()};
    Place m_place;
    QStringList m_told;
    QStringList m_problems;
    QStringList m_lastSteps;
    QStringList m_allSteps;
    int m_checks = 0;
};

// A state a start can find: the file and the journal beside it (empty: none), the states the
// clerk has in them, and what the first start is to do with it.
struct Situation
{
    const char *name;
    std::function<QByteArray()> file; // null: no file
    std::function<QByteArray()> journal;
    const char *journalName;
    std::function<QByteArray()> state; // the clerk's content, as a file (null: none)
    bool own;          // the file's own journal: rolled back with nothing kept and nothing said
    const char *words; // what the first start tells, when it keeps a copy
};

std::vector<Situation> Situations()
{
    return {
        {"the file's own hot journal", [] { return M().ownCrash.first; },
         [] { return M().ownCrash.second; }, "-journal", [] { return M().restored; }, true, nullptr},
        {"a journal of a newer state beside a restored copy", [] { return M().restored; },
         [] { return M().newerCrash.second; }, "-journal", [] { return M().restored; }, false,
         "没有使用"},
        {"a journal without page 1 that fits the restored copy", [] { return M().restored; },
         [] { return M().movedCrash.second; }, "-journal", [] { return M().restored; }, false,
         nullptr},
        {"a journal without page 1 of another folder's file", [] { return M().restored; },
         [] { return M().unrelatedCrash.second; }, "-journal", [] { return M().restored; }, false,
         nullptr},
        {"a write-ahead log", [] { return M().restored; }, [] { return M().wal; }, "-wal",
         [] { return M().restored; }, false, "已用它恢复了数据库"},
        {"a journal without its file", nullptr, [] { return M().newerCrash.second; }, "-journal",
         nullptr, false, "不存在"},
        {"a file alone", [] { return M().restored; }, nullptr, "", [] { return M().restored; }, true,
         nullptr},
    };
}

// The content the clerk had in the situation.
QString ClerksState(const Situation &s)
{
    if (!s.state)
        return QString();
    const QString path = ScratchRoot() + "/situation.db";
    QFile::remove(path);
    Put(path, s.state());
    return Content(path);
}

void Lay(const Folder &f, const Situation &s)
{
    QFile::remove(f.File());
    QFile::remove(f.Journal());
    QFile::remove(f.File() + "-wal");
    if (s.file)
        Put(f.File(), s.file());
    if (s.journal)
        Put(f.File() + QLatin1String(s.journalName), s.journal());
}

// What the clerk may do between starts. Each changes the states the clerk has: what it puts in
// place is one more; what it overwrites or deletes in the file's place the clerk gives up.
struct Action
{
    const char *name;
    std::function<void(const Folder &, const Situation &)> act;
    bool replacesFile;
    bool replacesJournal;
    std::function<QString()> adds;     // the state it puts in place, if any
    std::function<QByteArray()> stale; // a journal that must be kept, if any
};

std::vector<Action> Actions()
{
    auto backupState = [] {
        const QString path = ScratchRoot() + "/backup.db";
        Put(path, M().backup);
        return Content(path);
    };
    return {
        {"nothing", [](const Folder &, const Situation &) {}, false, false, nullptr, nullptr},
        {"another file put in place, the journal left beside it",
         [](const Folder &f, const Situation &) { Put(f.File(), M().backup); }, true, false, backupState,
         nullptr},
        {"another file put in place with its own journal",
         [](const Folder &f, const Situation &) {
             QFile::remove(f.File() + "-wal");
             Put(f.File(), M().backupCrash.first);
             Put(f.Journal(), M().backupCrash.second);
         },
         true, true, backupState, nullptr},
        {"the file deleted", [](const Folder &f, const Situation &) { QFile::remove(f.File()); },
         true, false, nullptr, nullptr},
        {"the same file and journal put back", [](const Folder &f, const Situation &s) { Lay(f, s); },
         true, true, nullptr, nullptr},
        {"a second, different stale journal",
         [](const Folder &f, const Situation &) {
             QFile::remove(f.File() + "-wal");
             Put(f.Journal(), M().unrelatedCrash.second);
         },
         false, true, nullptr, [] { return M().unrelatedCrash.second; }},
    };
}

// What must hold after a start that ran to its end.
void ExpectSound(const Folder &f, const QSet<QString> &clerks, const QSet<QByteArray> &staleJournals)
{
    // Every state the clerk had is the database or a kept copy.
    const QSet<QString> states = f.States();
    for (const QString &s : clerks)
        EXPECT_TRUE(states.contains(s)) << "a state the clerk had is lost";
    for (const QByteArray &j : staleJournals)
        EXPECT_TRUE(f.KeptJournals().contains(j)) << "a stale journal is lost";
    EXPECT_FALSE(QFileInfo::exists(f.Journal()));
    EXPECT_FALSE(QFileInfo::exists(f.File() + "-wal"));
    const QString told = f.Told().join(u'\n');
    for (const QString &dir : f.Folders()) {
        const QString name = QFileInfo(dir).fileName();
        // No folder being made or removed, none empty, none untold.
        EXPECT_TRUE(name.startsWith("启动前的数据库-")) << name.toStdString();
        const QStringList files = QDir(dir).entryList(QDir::Files | QDir::Hidden);
        EXPECT_FALSE(files.isEmpty()) << name.toStdString();
        EXPECT_FALSE(files.contains(".undecided")) << name.toStdString();
        // Nothing under a name SQLite plays; the copy opens clean where it lies.
        for (const QString &file : files) {
            EXPECT_FALSE(file.endsWith("-journal") || file.endsWith("-wal")) << file.toStdString();
        }
        // (A file killed while it wrote, whose own journal the clerk replaced by another, is no
        // database on its own: its copy is kept as it was handed over.)
        if (files.contains("DATA.mdb") && FileBytes(dir + "/DATA.mdb") != M().ownCrash.first)
            EXPECT_FALSE(Folder::OpenedWhereItLies(dir).isEmpty()) << name.toStdString();
        // Named once, in words true of its journal.
        const QString quoted = QStringLiteral("“%1”").arg(dir);
        EXPECT_EQ(told.count(quoted), 1) << name.toStdString() << "\n" << told.toStdString();
        QString text;
        for (const QString &t : f.Told())
            if (t.contains(quoted))
                text = t;
        const bool used = files.contains("DATA.mdb-journal.已使用") || files.contains("DATA.mdb-wal.已使用");
        const bool unused = files.contains("DATA.mdb-journal.未使用") || files.contains("DATA.mdb-wal.未使用");
        if (used)
            EXPECT_TRUE(text.contains("用来恢复") || text.contains("用它恢复")) << text.toStdString();
        if (unused)
            EXPECT_TRUE(text.contains("没有使用")) << text.toStdString();
        // Another file is named so only when it is another file.
        if (text.contains("已不是当时另存的那一个") && files.contains("DATA.mdb") &&
            QFileInfo::exists(f.File()))
            EXPECT_NE(FileBytes(f.File()), FileBytes(dir + "/DATA.mdb")) << text.toStdString();
    }
}

void Exercise(const Situation &s, int cutAfter, const Action &a, const std::function<void(Folder &)> &inTheCut = {})
{
    Folder f;
    Lay(f, s);
    QSet<QString> clerks;
    if (const QString c = ClerksState(s); !c.isEmpty())
        clerks << c;
    QSet<QByteArray> stale;
    if (!s.file && s.journal)
        stale << s.journal();
    if (cutAfter >= 0) {
        ASSERT_TRUE(f.Start(cutAfter)) << f.Problems().join('\n').toStdString();
        if (inTheCut)
            inTheCut(f);
    } else {
        ASSERT_TRUE(f.Start()) << f.Problems().join('\n').toStdString();
    }
    // What the clerk gives up by overwriting or deleting the file (or the journal a file killed
    // while it wrote needs): a state only the file held.
    if (a.replacesFile || (a.replacesJournal && s.own && s.journal)) {
        QSet<QString> held;
        for (const auto &[dir, content] : f.CopyContents())
            held << content;
        clerks &= held;
    }
    a.act(f, s);
    if (a.adds)
        clerks << a.adds();
    if (QString(a.name) == "the same file and journal put back" && !ClerksState(s).isEmpty())
        clerks << ClerksState(s);
    // A stale journal the action overwrote, and that no folder holds, the clerk gave up.
    {
        const QSet<QByteArray> kept = f.KeptJournals();
        QSet<QByteArray> still;
        for (const QByteArray &j : std::as_const(stale))
            if (kept.contains(j) || FileBytes(f.Journal()) == j || FileBytes(f.File() + "-wal") == j)
                still << j;
        stale = still;
    }
    if (a.stale)
        stale << a.stale();
    for (int start = 0; start < 2; ++start)
        ASSERT_TRUE(f.Start()) << f.Problems().join('\n').toStdString();
    ExpectSound(f, clerks, stale);
    // A start after a start finds nothing to do.
    EXPECT_TRUE(f.LastSteps().isEmpty()) << f.LastSteps().join(", ").toStdString();
}

} // namespace

// Each situation on its own: what the first start does and tells.
TEST(StartRepair, EachSituationOnItsOwn)
{
    for (const Situation &s : Situations()) {
        SCOPED_TRACE(s.name);
        Folder f;
        Lay(f, s);
        const QString clerks = ClerksState(s);
        ASSERT_TRUE(f.Start()) << f.Problems().join('\n').toStdString();
        ExpectSound(f, clerks.isEmpty() ? QSet<QString>{} : QSet<QString>{clerks},
                    s.file ? QSet<QByteArray>{} : QSet<QByteArray>{s.journal()});
        if (s.own) {
            // The file's own journal: rolled back, nothing kept, nothing said.
            EXPECT_TRUE(f.Folders().isEmpty());
            EXPECT_TRUE(f.Told().isEmpty()) << f.Told().join('\n').toStdString();
            EXPECT_EQ(Content(f.File()), clerks);
        } else {
            EXPECT_EQ(f.Folders().size(), 1);
            ASSERT_EQ(f.Told().size(), 1);
            if (s.words)
                EXPECT_TRUE(f.Told()[0].contains(s.words)) << f.Told()[0].toStdString();
        }
    }
}

// A journal without page 1 that fits the file is played, and the copy from before it is kept
// and named: the clerk's own last edit is in it.
TEST(StartRepair, JournalThatCannotTellWhoseItIsKeepsTheCopy)
{
    Folder f;
    Put(f.File(), M().restored);
    Put(f.Journal(), M().movedCrash.second);
    const QString clerks = Content(f.File());
    ASSERT_TRUE(f.Start());
    ASSERT_EQ(f.Folders().size(), 1);
    const QString dir = f.Folders()[0];
    EXPECT_EQ(f.CopyContents().at(dir), clerks);
    EXPECT_TRUE(QFileInfo::exists(dir + "/DATA.mdb-journal.已使用"));
    ASSERT_EQ(f.Told().size(), 1);
    EXPECT_TRUE(f.Told()[0].contains(dir));
    // One sentence.
    EXPECT_FALSE(f.Told()[0].contains(u'\n')) << f.Told()[0].toStdString();
}

// Folders an earlier version left: the journal beside the copy under SQLite's own name, or
// nothing in it at all.
TEST(StartRepair, FoldersOfEarlierVersionsAreMadeSafe)
{
    Folder f;
    Put(f.File(), M().restored);
    const QString old = f.Temp() + "/启动前的数据库-20240101-080000";
    QDir().mkpath(old);
    Put(old + "/DATA.mdb", M().restored);
    Put(old + "/DATA.mdb-journal", M().newerCrash.second);
    const QString empty = f.Temp() + "/启动前的数据库-20240101-090000";
    QDir().mkpath(empty);
    // Opened where it lies, as the clerk's SQLite client opens it, the copy would take the
    // journal and be damaged.
    EXPECT_TRUE(Folder::OpenedWhereItLies(old).isEmpty());
    ASSERT_TRUE(f.Start());
    EXPECT_EQ(f.Folders(), QStringList{old});
    EXPECT_EQ(FileBytes(old + "/DATA.mdb-journal.未使用"), M().newerCrash.second);
    EXPECT_EQ(Folder::OpenedWhereItLies(old), Content(old + "/DATA.mdb"));
}

// A start cut off between SQLite's play (which deletes the journal) and the mark that records
// it, and one cut off half way through the play: the next start finishes the repair.
TEST(StartRepair, PlayCutOffBeforeItsOutcomeIsRecordedIsFinished)
{
    for (const Situation &s : Situations()) {
        if (!s.file || !s.journal)
            continue;
        for (const bool half : {false, true}) {
            SCOPED_TRACE(std::string(s.name) + (half ? ", half played" : ", played"));
            for (const Action &a : Actions()) {
                SCOPED_TRACE(a.name);
                // Up to the mark that says the play is about to begin.
                Folder probe;
                Lay(probe, s);
                ASSERT_TRUE(probe.Start());
                const int marked = int(probe.AllSteps().indexOf("mark playing"));
                if (marked < 0)
                    continue;
                Exercise(s, marked + 1, a, [&](Folder &f) {
                    if (!half) {
                        Conn c(f.File());
                        c.Rows("SELECT count(*) FROM sqlite_master");
                        if (QString(s.journalName) == "-wal")
                            c.Exec("PRAGMA journal_mode=DELETE");
                        return;
                    }
                    // Every other page of the journal written back, the journal still beside.
                    const QByteArray j = FileBytes(f.Journal());
                    if (j.isEmpty())
                        return;
                    QFile db(f.File());
                    ASSERT_TRUE(db.open(QIODevice::ReadWrite));
                    auto be32 = [&](qsizetype at) {
                        return (quint32(quint8(j[at])) << 24) | (quint32(quint8(j[at + 1])) << 16) |
                               (quint32(quint8(j[at + 2])) << 8) | quint32(quint8(j[at + 3]));
                    };
                    const qsizetype sector = be32(20);
                    const qsizetype page = be32(24);
                    // Only the records SQLite plays: those the header counts.
                    const int records = int(be32(8));
                    int n = 0;
                    for (qsizetype at = sector; n < records && at + page + 8 <= j.size();
                         at += page + 8, ++n) {
                        const quint32 pgno = be32(at);
                        if (n % 2 == 0 && db.seek(qint64(pgno - 1) * page))
                            db.write(j.mid(at + 4, page));
                    }
                });
            }
        }
    }
}

// The table: every situation, cut off after every step of its start (and not at all), then each
// thing the clerk may do, then two starts.
TEST(StartRepair, EveryCutOffThenEveryActionOfTheClerk)
{
    int cases = 0;
    for (const Situation &s : Situations()) {
        Folder probe;
        Lay(probe, s);
        ASSERT_TRUE(probe.Start());
        const int steps = probe.StepsOfAFullStart();
        for (int cut = -1; cut < steps; ++cut) {
            for (const Action &a : Actions()) {
                SCOPED_TRACE(std::string(s.name) + ", cut off after step " + std::to_string(cut) +
                             ", then " + a.name);
                Exercise(s, cut, a);
                ++cases;
                if (::testing::Test::HasFatalFailure())
                    return;
            }
        }
    }
    EXPECT_GT(cases, 100);
}

// The file's own journal: however often its start is cut off, the next start ends with the
// rolled-back file, no copy and no message.
TEST(StartRepair, OwnJournalCutOffAnywhereLeavesNothingBehind)
{
    const Situation own = Situations()[0];
    Folder probe;
    Lay(probe, own);
    ASSERT_TRUE(probe.Start());
    for (int cut = 0; cut < probe.StepsOfAFullStart(); ++cut) {
        SCOPED_TRACE(cut);
        Folder f;
        Lay(f, own);
        ASSERT_TRUE(f.Start(cut));
        ASSERT_TRUE(f.Start());
        EXPECT_TRUE(f.Folders().isEmpty());
        EXPECT_TRUE(f.Told().isEmpty());
        EXPECT_EQ(Content(f.File()), ClerksState(own));
    }
}

// The decision over every state a start can find: another file is never touched, a journal is
// played only when it is the one kept, a copy is removed only when the file needs it no more,
// and a folder under way is never left undecided.
TEST(StartRepair, DecisionOverEveryStateAStartCanFind)
{
    const Stage stages[] = {Stage::None, Stage::Copied, Stage::Playing, Stage::Checking,
                            Stage::Passed, Stage::PuttingBack};
    const FileIs files[] = {FileIs::Missing, FileIs::AsCopied, FileIs::OfThePlay, FileIs::Other};
    const Beside besides[] = {Beside::None, Beside::Kept, Beside::Other};
    const Owner owners[] = {Owner::Own, Owner::Foreign, Owner::Unknown};
    const QSet<Step> touching{Step::MarkPlaying, Step::Play,      Step::RestoreJournals,
                              Step::RemoveJournals, Step::Check, Step::PutBack,
                              Step::Drop,        Step::MoveStrayAside};
    int states = 0;
    for (Stage stage : stages)
        for (FileIs file : files)
            for (Beside beside : besides)
                for (Owner owner : owners)
                    for (bool held : {true, false}) {
                        Found f;
                        f.stage = stage;
                        f.file = file;
                        f.filePresent = file != FileIs::Missing;
                        f.beside = beside;
                        f.owner = owner;
                        f.copyHeld = held;
                        const Step step = Decide(f);
                        ++states;
                        SCOPED_TRACE(StepName(step));
                        if (stage == Stage::None) {
                            EXPECT_EQ(step == Step::Open, beside == Beside::None);
                            continue;
                        }
                        EXPECT_NE(step, Step::Open);
                        if (!held) {
                            EXPECT_EQ(step, Step::Drop);
                            continue;
                        }
                        if (file == FileIs::Other)
                            EXPECT_FALSE(touching.contains(step));
                        if (step == Step::Play)
                            EXPECT_EQ(beside, Beside::Kept);
                        if (step == Step::Check || step == Step::RestoreJournals)
                            EXPECT_EQ(beside, Beside::None);
                        if (step == Step::PutBack || step == Step::RemoveJournals)
                            EXPECT_NE(beside, Beside::Other);
                        if ((step == Step::MarkPlaying || step == Step::RestoreJournals) &&
                            file == FileIs::AsCopied)
                            EXPECT_NE(owner, Owner::Foreign);
                        if (step == Step::Drop)
                            EXPECT_TRUE(stage == Stage::Passed &&
                                        (owner == Owner::Own || file == FileIs::AsCopied));
                    }
    EXPECT_EQ(states, 6 * 4 * 3 * 3 * 2);
}
