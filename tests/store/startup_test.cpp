#include "store_fixture.h"

#include "store/db/db.h"
#include "store/db/params.h"
#include "store/db/paths.h"
#include "store/ui/startup.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QLockFile>
#include <QMap>
#include <QProcess>
#include <QSettings>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

using namespace store;
using storetest::Sqlite3;
using storetest::TempHome;

namespace {

struct Calls
{
    QStringList log;
    QWidget window;
};

StartupHooks Hooks(Calls &calls)
{
    StartupHooks h;
    h.checkNewVersion = [&calls](int product, const QString &version) {
        calls.log << QString("check %1 %2").arg(product).arg(version);
        return QString();
    };
    h.showMainWindow = [&calls] {
        calls.log << "MF";
        return &calls.window;
    };
    h.showPasswordWindow = [&calls] {
        calls.log << "PSDCon";
        return &calls.window;
    };
    return h;
}

} // namespace

TEST(Startup, FreshFolderGetsTheDatabaseThenVersionCheckThenMainWindow)
{
    TempHome home;
    ScopedRecordingReporter messages;
    Calls calls;
    std::unique_ptr<QLockFile> lock;
    EXPECT_EQ(Main(Hooks(calls), lock), std::nullopt);
    EXPECT_TRUE(lock);
    EXPECT_EQ(calls.log, QStringList({"check 60 9.10", "MF"}));
    EXPECT_TRUE(messages->messages.isEmpty());
    EXPECT_TRUE(Db::Main().IsOpen());
    EXPECT_EQ(Sqlite3(home.DataFile(), "SELECT count(*) FROM Fmt WHERE Fmt=''"), "1");
}

TEST(Startup, PasswordParameterShowsThePasswordWindow)
{
    TempHome home;
    ScopedRecordingReporter messages;
    {
        Calls calls;
        std::unique_ptr<QLockFile> lock;
        ASSERT_EQ(Main(Hooks(calls), lock), std::nullopt);
        ASSERT_TRUE(SetPara("软件密码", "123"));
        Db::Main().Close();
    }
    Calls calls;
    std::unique_ptr<QLockFile> lock;
    EXPECT_EQ(Main(Hooks(calls), lock), std::nullopt);
    EXPECT_EQ(calls.log, QStringList({"check 60 9.10", "PSDCon"}));
}

TEST(Startup, AccessFileIsReportedLeftUntouchedAndTheProgramStops)
{
    TempHome home;
    ScopedRecordingReporter messages;
    QDir().mkpath(home.Home());
    QByteArray jet("\x00\x01\x00\x00Standard Jet DB\x00", 20);
    jet += QByteArray(2028, '\x5a');
    QFile f(home.DataFile());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(jet);
    f.close();
    Calls calls;
    std::unique_ptr<QLockFile> lock;
    EXPECT_EQ(Main(Hooks(calls), lock), std::optional<int>(1));
    EXPECT_TRUE(calls.log.isEmpty());
    ASSERT_EQ(messages->messages.size(), 1);
    EXPECT_TRUE(messages->messages[0].startsWith("无法建立数据库连接！"));
    EXPECT_EQ(storetest::FileBytes(home.DataFile()), jet);
}

TEST(Startup, SecondInstanceEndsAtOnceSilentlyWithoutTouchingTheDatabase)
{
    TempHome home;
    // This process holds the program folder's instance lock, as a running program does.
    auto lock = TakeInstanceLock();
    ASSERT_TRUE(lock);
    QProcess p;
    p.setProcessChannelMode(QProcess::SeparateChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start(QUORVAN_EXE, {});
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_EQ(p.readAllStandardOutput(), "");
    EXPECT_FALSE(QFile::exists(home.DataFile()));
}

namespace {

// Starts this test binary as a child that saves rows in one transaction and waits for the kill.
void KillDuringSave(const QString &db, bool commit, const QByteArray &signal)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {"--child-save", db, "60", commit ? "1" : "0"});
    ASSERT_TRUE(child.waitForStarted());
    QByteArray out;
    while (!out.contains(signal)) {
        ASSERT_TRUE(child.waitForReadyRead(20000)) << out.toStdString();
        out += child.readAllStandardOutput();
    }
    child.kill(); // SIGKILL
    ASSERT_TRUE(child.waitForFinished(20000));
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);
}

} // namespace

TEST(CrashSafety, KillInTheMiddleOfASaveLeavesAllOrNothing)
{
    TempHome home;
    ASSERT_TRUE(Db::Main().OpenConn(DataFilePath()));
    ASSERT_TRUE(UpgradeDBSchema());
    Db::Main().Close();
    const QString count = "SELECT count(*) FROM Fmt WHERE Fmt='崩溃测试'";

    const QByteArray before = storetest::FileBytes(home.DataFile());
    KillDuringSave(home.DataFile(), false, "half");
    // The killed writer had already changed the file; its journal holds the old pages.
    EXPECT_TRUE(QFile::exists(home.DataFile() + "-journal"));
    EXPECT_NE(storetest::FileBytes(home.DataFile()), before);
    // The journal left by the killed writer is rolled back by the next opener.
    EXPECT_EQ(Sqlite3(home.DataFile(), count), "0");
    EXPECT_EQ(Sqlite3(home.DataFile(), "PRAGMA integrity_check"), "ok");

    KillDuringSave(home.DataFile(), true, "committed");
    EXPECT_EQ(Sqlite3(home.DataFile(), count), "60");
    EXPECT_EQ(Sqlite3(home.DataFile(), "PRAGMA integrity_check"), "ok");

    // Our own connection agrees and can write again.
    ASSERT_TRUE(Db::Main().OpenConn(home.DataFile()));
    Recordset rs;
    ASSERT_TRUE(OpenRs(rs, count));
    EXPECT_EQ(rs.Value(0, 0).toInt(), 60);
    EXPECT_TRUE(ExecSQL("DELETE FROM Fmt WHERE Fmt='崩溃测试'"));
}

// ---------------------------------------------------------------------------------------------
// The real program, started on prepared folders and closed as the session closes it at log-out.

namespace {

constexpr int kWait = 30000;

// One run of the program binary. Where permissions matter it runs as the unprivileged user
// nobody (as root it would write into any folder whatever its mode).
class Program
{
public:
    Program(const QString &home, const QString &config, const QString &userHome,
            bool asNobody = false, const QMap<QString, QString> &more = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (auto it = more.begin(); it != more.end(); ++it)
            env.insert(it.key(), it.value());
        env.insert("QUORVAN_HOME", home);
        env.insert("XDG_CONFIG_HOME", config);
        env.insert("HOME", userHome);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.remove("XDG_RUNTIME_DIR");
        m_p.setProcessEnvironment(env);
        m_p.setReadChannel(QProcess::StandardError);
        // Only root must step down; anyone else is bound by the mode bits already.
        if (asNobody && ::geteuid() == 0)
            m_p.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", QUORVAN_EXE});
        else
            m_p.start(QUORVAN_EXE, QStringList{});
    }
    ~Program()
    {
        if (m_p.state() != QProcess::NotRunning) {
            m_p.kill();
            m_p.waitForFinished(kWait);
        }
    }
    qint64 Pid() const { return m_p.processId(); }

    // Waits until the program's log holds one of the texts; false when it falls silent first.
    bool WaitForLog(const QStringList &any)
    {
        auto found = [&] {
            return std::any_of(any.begin(), any.end(), [&](const QString &t) { return m_err.contains(t); });
        };
        while (!found()) {
            if (!m_p.waitForReadyRead(kWait))
                return false;
            m_err += QString::fromUtf8(m_p.readAllStandardError());
        }
        return true;
    }
    // What the program tells the user (its message box text, as it also logs it).
    QString WaitForMessage()
    {
        WaitForLog({"message: "});
        return Message();
    }
    QString Message() const
    {
        const qsizetype at = m_err.indexOf("message: ");
        return at < 0 ? QString() : m_err.mid(at + 9);
    }
    // The program has taken the instance lock, so it handles a close request from now on.
    bool WaitUntilRunning(const QString &home)
    {
        QLockFile probe(home + "/.instance.lock");
        return QTest::qWaitFor(
            [&] {
                qint64 pid = 0;
                return probe.getLockInfo(&pid, nullptr, nullptr) && pid == Pid();
            },
            kWait);
    }
    // Asks the program to close (SIGTERM) and returns its exit code; -1 for a crash.
    int Close()
    {
        m_p.terminate();
        return Finish();
    }
    // Kills the program (SIGKILL), as a crash or a power cut ends it.
    int Kill()
    {
        m_p.kill();
        return Finish();
    }
    int Finish()
    {
        const bool finished = m_p.waitForFinished(kWait);
        m_err += QString::fromUtf8(m_p.readAllStandardError());
        if (!finished)
            return -2;
        return m_p.exitStatus() == QProcess::NormalExit ? m_p.exitCode() : -1;
    }
    QString Stderr() const { return m_err; }

private:
    QProcess m_p;
    QString m_err;
};

// Folders for one run: the program folder, the config folder and a home for the user, all
// reachable by nobody.
class RunFolders
{
public:
    RunFolders()
    {
        QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                                | QFileDevice::ExeOther);
        for (const QString &d : {Home(), Config(), User()}) {
            QDir().mkpath(d);
            Chmod(d, 0777);
        }
    }
    QString Home() const { return m_dir.path() + "/home"; }
    QString Config() const { return m_dir.path() + "/config"; }
    QString User() const { return m_dir.path() + "/user"; }
    QString DataFile() const { return Home() + "/DATA.mdb"; }
    QString LockFile() const { return Home() + "/.instance.lock"; }
    static void Chmod(const QString &path, int mode)
    {
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode_t(mode)), 0);
    }

private:
    QTemporaryDir m_dir;
};

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// Starts the program, lets it come up, closes it: the exit status, 0 for a clean close.
int RunAndClose(const RunFolders &run, bool asNobody = false)
{
    Program p(run.Home(), run.Config(), run.User(), asNobody);
    if (!p.WaitUntilRunning(run.Home())) {
        ADD_FAILURE() << "did not come up: " << p.Stderr().toStdString();
        return -3;
    }
    const int rc = p.Close();
    EXPECT_FALSE(p.Stderr().contains("message: ")) << p.Stderr().toStdString();
    return rc;
}

} // namespace

TEST(Program, StartsAndClosesCleanlySavingWhatItSavesAtClose)
{
    RunFolders run;
    EXPECT_EQ(RunAndClose(run), 0);
    // The close ran its saves: the options went to the settings file, the lock went away.
    QSettings ini(run.Config() + "/KVRTM.ini", QSettings::IniFormat);
    EXPECT_EQ(ini.value("Validate/DefaultSoftSet").toString(), "0§☆§0§☆§0§☆§0§☆§0§☆§");
    EXPECT_EQ(Sqlite3(run.DataFile(), "SELECT LBL FROM Fmt WHERE Fmt=''"), "转账支票");
    EXPECT_FALSE(QFileInfo::exists(run.LockFile()));
    // And once more on the file it made.
    EXPECT_EQ(RunAndClose(run), 0);
}

namespace {

// One run of the program on the folder, ended as the session ends it or killed once its start-up
// has begun the session; its log.
QString RunOnce(const RunFolders &run, bool kill)
{
    Program p(run.Home(), run.Config(), run.User());
    EXPECT_TRUE(p.WaitUntilRunning(run.Home())) << p.Stderr().toStdString();
    // The record of the last clean close goes as the session begins.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return !QFileInfo::exists(run.Home() + "/.DATA.mdb.closed"); }, kWait));
    if (kill)
        EXPECT_EQ(p.Kill(), -1);
    else
        EXPECT_EQ(p.Close(), 0);
    return p.Stderr();
}

bool FullCheckRan(const QString &log)
{
    return log.contains("full database check of");
}

} // namespace

TEST(Program, FullCheckRunsOnlyAfterAnUncleanEndOrAChangeByAnotherProgram)
{
    RunFolders run;
    // A new database needs no check; a start after a clean close skips it.
    EXPECT_FALSE(FullCheckRan(RunOnce(run, false)));
    EXPECT_TRUE(QFileInfo::exists(run.Home() + "/.DATA.mdb.closed"));
    EXPECT_FALSE(FullCheckRan(RunOnce(run, false)));
    // Killed: the next start checks the whole file.
    EXPECT_FALSE(FullCheckRan(RunOnce(run, true)));
    EXPECT_FALSE(QFileInfo::exists(run.Home() + "/.DATA.mdb.closed"));
    const QString afterKill = RunOnce(run, false);
    EXPECT_TRUE(FullCheckRan(afterKill)) << afterKill.toStdString();
    EXPECT_TRUE(afterKill.contains("did not close cleanly")) << afterKill.toStdString();
    // Another program wrote to the file after the clean close.
    Sqlite3(run.DataFile(), "INSERT INTO 参数(Var, Con) VALUES('别的程序', '写入')");
    const QString afterChange = RunOnce(run, false);
    EXPECT_TRUE(FullCheckRan(afterChange)) << afterChange.toStdString();
    EXPECT_TRUE(afterChange.contains("changed since the last clean close"))
        << afterChange.toStdString();
    EXPECT_FALSE(FullCheckRan(RunOnce(run, false)));
}

TEST(Program, LockLeftBehindOrUnreadableIsTakenOver)
{
    // A lock whose process is gone.
    QProcess gone;
    gone.start("true", QStringList{});
    ASSERT_TRUE(gone.waitForFinished(kWait));
    const QByteArray stale = QByteArray::number(gone.processId()) + "\nquorvan\n"
                             + QSysInfo::machineHostName().toUtf8() + "\n";
    for (const QByteArray &content : {QByteArray(), QByteArray("\x01\x02garbage\n\xff"), stale}) {
        RunFolders run;
        WriteFile(run.LockFile(), content);
        EXPECT_EQ(RunAndClose(run), 0) << content.toStdString();
        EXPECT_EQ(Sqlite3(run.DataFile(), "SELECT count(*) FROM Fmt WHERE Fmt=''"), "1");
    }
}

TEST(Program, LiveLockMeansAnotherCopyRuns)
{
    RunFolders run;
    Program first(run.Home(), run.Config(), run.User());
    ASSERT_TRUE(first.WaitUntilRunning(run.Home()));
    Program second(run.Home(), run.Config(), run.User());
    EXPECT_EQ(second.Finish(), 0);
    EXPECT_FALSE(second.Stderr().contains("message: ")) << second.Stderr().toStdString();
    // The first copy still holds its lock and closes cleanly.
    qint64 pid = 0;
    EXPECT_TRUE(QLockFile(run.LockFile()).getLockInfo(&pid, nullptr, nullptr));
    EXPECT_EQ(pid, first.Pid());
    EXPECT_EQ(first.Close(), 0);
}

TEST(Program, LockThatCannotBeMadeIsReportedAndEndsWithAFailure)
{
    {
        // A folder in the lock file's place.
        RunFolders run;
        ASSERT_TRUE(QDir().mkpath(run.LockFile()));
        Program p(run.Home(), run.Config(), run.User());
        const QString message = p.WaitForMessage();
        ASSERT_FALSE(message.isEmpty()) << p.Stderr().toStdString();
        EXPECT_TRUE(message.startsWith("无法建立运行锁文件，程序不能启动！")) << message.toStdString();
        EXPECT_TRUE(message.contains("文件夹")) << message.toStdString();
        EXPECT_EQ(p.Close(), 1);
        EXPECT_TRUE(QFileInfo(run.LockFile()).isDir());
        EXPECT_FALSE(QFileInfo::exists(run.DataFile()));
    }
    {
        // A read-only program folder, for a user who may not write there.
        RunFolders run;
        RunFolders::Chmod(run.Home(), 0555);
        Program p(run.Home(), run.Config(), run.User(), true);
        const QString message = p.WaitForMessage();
        ASSERT_FALSE(message.isEmpty()) << p.Stderr().toStdString();
        EXPECT_TRUE(message.startsWith("无法建立运行锁文件，程序不能启动！")) << message.toStdString();
        EXPECT_TRUE(message.contains("只读")) << message.toStdString();
        EXPECT_EQ(p.Close(), 1);
        EXPECT_TRUE(QDir(run.Home()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    }
}

TEST(Program, FullProgramFolderIsReportedAndEndsWithAFailure)
{
    RunFolders run;
    QProcess mount;
    mount.start("mount", {"-t", "tmpfs", "-o", "size=64k", "tmpfs", run.Home()});
    if (!mount.waitForFinished(kWait) || mount.exitStatus() != QProcess::NormalExit
        || mount.exitCode() != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    struct Unmount
    {
        QString dir;
        ~Unmount() { QProcess::execute("umount", {dir}); }
    } unmount{run.Home()};
    RunFolders::Chmod(run.Home(), 0777);
    // Fill it up.
    QFile filler(run.Home() + "/filler");
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
    const QByteArray block(4096, 'x');
    while (filler.write(block) == block.size() && filler.flush()) {
    }
    filler.close();

    Program p(run.Home(), run.Config(), run.User());
    const QString message = p.WaitForMessage();
    EXPECT_TRUE(message.startsWith("无法建立运行锁文件，程序不能启动！")) << message.toStdString();
    EXPECT_TRUE(message.contains("磁盘可能已满")) << message.toStdString();
    EXPECT_EQ(p.Close(), 1);
    EXPECT_FALSE(QFileInfo::exists(run.LockFile()));
    EXPECT_FALSE(QFileInfo::exists(run.DataFile()));
}

// ---------------------------------------------------------------------------------------------
// Databases the start-up must not use: each refused with its reason, the file left as it was.

namespace {

// A program folder whose database has the schema and some history, closed again.
void MakeDatabase(const TempHome &home)
{
    ASSERT_TRUE(Db::Main().OpenConn(DataFilePath()));
    ASSERT_TRUE(UpgradeDBSchema());
    Transaction tx;
    for (int i = 0; i < 3000; ++i)
        ASSERT_TRUE(ExecSQL("INSERT INTO 历史(Fmt, ID, CID, Con) VALUES(?, ?, ?, ?)",
                            {"转账支票", i, i % 7, QString(60, QChar(u'款'))}));
    ASSERT_TRUE(tx.Commit());
    Db::Main().Close();
    ASSERT_TRUE(QFileInfo(home.DataFile()).size() > 200000);
}

// Runs the start-up on the folder and returns its one message; the file must be byte-unchanged.
QString RefusedAtStart(const TempHome &home)
{
    const QByteArray before = storetest::FileBytes(home.DataFile());
    ScopedRecordingReporter messages;
    Calls calls;
    std::unique_ptr<QLockFile> lock;
    EXPECT_EQ(Main(Hooks(calls), lock), std::optional<int>(1));
    EXPECT_TRUE(calls.log.isEmpty());
    EXPECT_FALSE(Db::Main().IsOpen());
    EXPECT_EQ(storetest::FileBytes(home.DataFile()), before);
    EXPECT_EQ(messages->messages.size(), 1) << messages->messages.join("|").toStdString();
    const QString message = messages->messages.value(0);
    EXPECT_TRUE(message.startsWith("无法建立数据库连接！\n")) << message.toStdString();
    return message;
}

} // namespace

TEST(Startup, TruncatedDatabaseIsRefusedWithItsReasonAndLeftUnchanged)
{
    TempHome home;
    MakeDatabase(home);
    // Cut to half its pages, as a copy broken off part-way. The header's page count no longer
    // holds (as in a file last written by an SQLite that did not keep it), so the file still
    // opens and only a check of its pages shows the loss.
    QFile f(home.DataFile());
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.resize(f.size() / 4096 / 2 * 4096));
    ASSERT_TRUE(f.seek(92));
    ASSERT_EQ(f.write(QByteArray("\xff\xff\xff\xff", 4)), 4);
    f.close();
    // Still openable: the schema on its first page reads.
    EXPECT_EQ(Sqlite3(home.DataFile(), "SELECT count(*) FROM sqlite_master WHERE name='历史'"), "1");
    const QString message = RefusedAtStart(home);
    EXPECT_TRUE(message.contains("数据库文件已损坏")) << message.toStdString();
}

TEST(Startup, DatabaseCutByOneByteAfterACleanCloseIsRefusedAndLeftUnchanged)
{
    TempHome home;
    MakeDatabase(home);
    {
        // A session that ends cleanly records the file.
        ScopedRecordingReporter messages;
        Calls calls;
        std::unique_ptr<QLockFile> lock;
        ASSERT_EQ(Main(Hooks(calls), lock), std::nullopt);
        EndSession();
        EXPECT_TRUE(messages->messages.isEmpty());
    }
    ASSERT_TRUE(QFileInfo::exists(CleanCloseRecordPath()));
    QFile f(home.DataFile());
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.resize(f.size() - 1));
    f.close();
    // SQLite's quick check does not see the loss; the full check does.
    EXPECT_EQ(Sqlite3(home.DataFile(), "PRAGMA quick_check"), "ok");
    const int checks = FullChecksRun();
    const QString message = RefusedAtStart(home);
    EXPECT_TRUE(message.contains("数据库文件已损坏")) << message.toStdString();
    EXPECT_EQ(FullChecksRun(), checks + 1);
}

TEST(Startup, DatabaseOfANewerBuildIsRefused)
{
    TempHome home;
    MakeDatabase(home);
    Sqlite3(home.DataFile(), QString("PRAGMA user_version=%1").arg(kSchemaVersion + 1));
    const QString message = RefusedAtStart(home);
    EXPECT_TRUE(message.contains("较新版本")) << message.toStdString();
    EXPECT_TRUE(message.contains(QString("结构版本%1").arg(kSchemaVersion + 1)))
        << message.toStdString();
}

TEST(Startup, TextColumnsOfANumericTypeAreRefused)
{
    TempHome home;
    MakeDatabase(home);
    // A file whose 参数 keeps its values in a MEMO column, as a converted Access file has it.
    Sqlite3(home.DataFile(), "DROP TABLE 参数; CREATE TABLE 参数(ID INTEGER PRIMARY KEY "
                             "AUTOINCREMENT, Var TEXT, Con MEMO); "
                             "INSERT INTO 参数(Var, Con) VALUES('账号', '0012')");
    // There, "0012" became a number.
    EXPECT_EQ(Sqlite3(home.DataFile(), "SELECT Con FROM 参数"), "12");
    const QString message = RefusedAtStart(home);
    EXPECT_TRUE(message.contains("参数.Con（MEMO）")) << message.toStdString();
}

TEST(Startup, DatabasesOfAnotherProgramAreRefused)
{
    {
        // Our table names, but a 历史 that wants a value we never give.
        TempHome home;
        MakeDatabase(home);
        Sqlite3(home.DataFile(), "ALTER TABLE 历史 RENAME TO old; CREATE TABLE 历史(Fmt TEXT NOT "
                                 "NULL, ID INTEGER NOT NULL, CID INTEGER NOT NULL, Con TEXT, "
                                 "Branch TEXT NOT NULL); DROP TABLE old");
        const QString message = RefusedAtStart(home);
        EXPECT_TRUE(message.contains("历史.Branch")) << message.toStdString();
    }
    {
        // Tables of another program only, with its own schema version.
        TempHome home;
        QDir().mkpath(home.Home());
        Sqlite3(home.DataFile(), "CREATE TABLE customers(id INTEGER PRIMARY KEY, name TEXT); "
                                 "CREATE TABLE orders(id INTEGER, total REAL); "
                                 "INSERT INTO customers(name) VALUES('甲'); PRAGMA user_version=7");
        const QString message = RefusedAtStart(home);
        EXPECT_TRUE(message.contains("customers")) << message.toStdString();
        EXPECT_TRUE(message.contains("另一个程序")) << message.toStdString();
    }
    {
        // A schema version but no Fmt: our 参数 alone does not make it ours.
        TempHome home;
        QDir().mkpath(home.Home());
        Sqlite3(home.DataFile(), "CREATE TABLE 参数(ID INTEGER PRIMARY KEY AUTOINCREMENT, Var "
                                 "TEXT, Con TEXT); CREATE TABLE t(x); PRAGMA user_version=1");
        const QString message = RefusedAtStart(home);
        EXPECT_TRUE(message.contains("Fmt")) << message.toStdString();
    }
    {
        // A file that names its application.
        TempHome home;
        MakeDatabase(home);
        Sqlite3(home.DataFile(), "PRAGMA application_id=1179405394");
        const QString message = RefusedAtStart(home);
        EXPECT_TRUE(message.contains("另一个程序")) << message.toStdString();
    }
    {
        // An extra column that may stay empty does not stop us.
        TempHome home;
        MakeDatabase(home);
        Sqlite3(home.DataFile(), "ALTER TABLE 历史 ADD COLUMN Note TEXT");
        ASSERT_TRUE(Db::Main().OpenConn(DataFilePath()));
        QString why;
        EXPECT_TRUE(UpgradeDBSchema(&why)) << why.toStdString();
        Db::Main().Close();
    }
}

TEST(Program, ReadOnlyDatabaseIsReportedAtStartAndLeftUnchanged)
{
    RunFolders run;
    {
        TempHome home;
        MakeDatabase(home);
        ASSERT_TRUE(QFile::copy(home.DataFile(), run.DataFile()));
    }
    // The folder is the user's; the database file is read-only to them.
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(QFile::encodeName(run.Home()).constData(), 65534, 65534), 0);
        ASSERT_EQ(::chown(QFile::encodeName(run.DataFile()).constData(), 65534, 65534), 0);
    }
    RunFolders::Chmod(run.Home(), 0755);
    RunFolders::Chmod(run.DataFile(), 0444);
    const QByteArray before = storetest::FileBytes(run.DataFile());
    Program p(run.Home(), run.Config(), run.User(), true);
    const QString message = p.WaitForMessage();
    EXPECT_TRUE(message.startsWith("无法建立数据库连接！\n数据库文件是只读的")) << message.toStdString();
    EXPECT_EQ(p.Close(), 1);
    EXPECT_EQ(storetest::FileBytes(run.DataFile()), before);
}

// ---------------------------------------------------------------------------------------------
// The start after something went wrong: journals, leftovers, an empty file.

namespace {

// A folder the program has made its database in and closed, with history rows added.
void MakeFolderWithHistory(const RunFolders &run, int rows)
{
    ASSERT_EQ(RunAndClose(run), 0);
    Sqlite3(run.DataFile(),
            QString("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                    "INSERT INTO 历史(Fmt, ID, CID, Con) SELECT '转账支票', i, i % 7, "
                    "printf('收款人%%06d', i) || hex(randomblob(40)) FROM n")
                .arg(rows));
}

// A writer killed in the middle of a large change: SQLite's own client with a page cache so small
// that the change spills into the file long before its commit, ended without a word. The
// transaction begins with the statements given.
const QString kGrowingUpdate = "UPDATE 历史 SET Con = Con || '改'";
// A change that keeps every row's size: its journal holds no page 1.
const QString kSameSizeUpdate = "UPDATE 历史 SET Con = replace(Con, '收款人', '付款人')";

void KillDuringUpdate(const QString &db, const QString &update = kGrowingUpdate)
{
    QProcess py;
    py.start("python3", QStringList{"-c", "import os, sqlite3, sys\n"
                                          "c = sqlite3.connect(sys.argv[1], isolation_level=None)\n"
                                          "c.execute('PRAGMA cache_size=5')\n"
                                          "c.execute('BEGIN')\n"
                                          "c.execute(sys.argv[2])\n"
                                          "os._exit(0)\n",
                                    db, update});
    ASSERT_TRUE(py.waitForFinished(kWait));
    ASSERT_EQ(py.exitCode(), 0) << py.readAllStandardError().toStdString();
    ASSERT_GT(QFileInfo(db + "-journal").size(), 0);
}

QStringList SetAsideFolders(const RunFolders &run)
{
    return QDir(run.Home() + "/Temp").entryList({"启动前的数据库-*"}, QDir::Dirs);
}

QString RowsDigest(const QString &db)
{
    return Sqlite3(db, "SELECT count(*), sum(length(Con)), max(Con) FROM 历史");
}

// The write-ahead log of another folder's database (made by the same start, with more history),
// left by a writer killed after its change: nothing in it tells whose it is, so it is played.
QByteArray ForeignWal(int rows)
{
    RunFolders other;
    MakeFolderWithHistory(other, rows);
    QProcess py;
    py.start("python3", QStringList{"-c", "import os, sqlite3, sys\n"
                                          "c = sqlite3.connect(sys.argv[1], isolation_level=None)\n"
                                          "c.execute('PRAGMA journal_mode=WAL')\n"
                                          "c.execute('PRAGMA wal_autocheckpoint=0')\n"
                                          "c.execute(sys.argv[2])\n"
                                          "os._exit(0)\n",
                                    other.DataFile(), kGrowingUpdate});
    EXPECT_TRUE(py.waitForFinished(kWait));
    EXPECT_EQ(py.exitCode(), 0) << py.readAllStandardError().toStdString();
    const QByteArray wal = storetest::FileBytes(other.DataFile() + "-wal");
    EXPECT_GT(wal.size(), 0);
    return wal;
}

// A start that tells something, ended by a kill while it shows it: what it told.
QString ToldThenKilled(const RunFolders &run)
{
    Program p(run.Home(), run.Config(), run.User());
    const QString message = p.WaitForMessage();
    EXPECT_EQ(p.Kill(), -1);
    return message;
}

// The copy is the database again, byte for byte, whole and with every row, no journal beside it.
void ExpectCopyInPlace(const RunFolders &run, const QByteArray &copy, const QString &rows)
{
    EXPECT_EQ(storetest::FileBytes(run.DataFile()), copy);
    EXPECT_EQ(Sqlite3(run.DataFile(), "PRAGMA integrity_check"), "ok");
    EXPECT_EQ(RowsDigest(run.DataFile()), rows);
    EXPECT_FALSE(QFileInfo::exists(run.DataFile() + "-journal"));
}

// One folder under Temp holds the copy and the journal as they were, and the message names it.
void ExpectOneCopyAsideNamedBy(const RunFolders &run, const QString &message,
                               const QByteArray &journal, const QByteArray &copy)
{
    const QStringList aside = SetAsideFolders(run);
    ASSERT_EQ(aside.size(), 1) << message.toStdString();
    const QString dir = run.Home() + "/Temp/" + aside[0];
    EXPECT_TRUE(message.contains("日志文件")) << message.toStdString();
    EXPECT_TRUE(message.contains(dir)) << message.toStdString();
    EXPECT_EQ(storetest::FileBytes(dir + "/DATA.mdb-journal.未使用"), journal);
    EXPECT_EQ(storetest::FileBytes(dir + "/DATA.mdb"), copy);
}

// The copy kept in dir, opened by the sqlite3 shell where it lies (in a copy of the folder, as
// the clerk copies it): whole, and its rows.
QString RowsOpenedWhereItLies(const QString &dir)
{
    QTemporaryDir there;
    QProcess cp;
    cp.start("cp", {"-a", dir + "/.", there.path()});
    EXPECT_TRUE(cp.waitForFinished(kWait));
    if (Sqlite3(there.path() + "/DATA.mdb", "PRAGMA integrity_check") != "ok")
        return QString();
    return RowsDigest(there.path() + "/DATA.mdb");
}

} // namespace

TEST(Program, RestoredCopyIsNotDestroyedByAJournalOfANewerState)
{
    RunFolders run;
    MakeFolderWithHistory(run, 3000);
    // The copy the clerk keeps, and the rows it holds.
    const QByteArray older = storetest::FileBytes(run.DataFile());
    const QString olderRows = RowsDigest(run.DataFile());
    // The database grows on, and the program is killed while writing it.
    Sqlite3(run.DataFile(), "INSERT INTO 历史(Fmt, ID, CID, Con) SELECT Fmt, ID + 3000, CID, "
                            "Con || Con FROM 历史");
    KillDuringUpdate(run.DataFile());
    const QByteArray journal = storetest::FileBytes(run.DataFile() + "-journal");
    // The clerk puts the older copy in the database's place; the journal stays beside it.
    WriteFile(run.DataFile(), older);

    const QString message = ToldThenKilled(run);
    ExpectCopyInPlace(run, older, olderRows);
    // The clerk is told, and where the journal is kept, not played; the copy opens clean where
    // it lies, as the clerk's own SQLite client opens it.
    ExpectOneCopyAsideNamedBy(run, message, journal, older);
    EXPECT_TRUE(message.contains("没有使用")) << message.toStdString();
    EXPECT_EQ(RowsOpenedWhereItLies(run.Home() + "/Temp/" + SetAsideFolders(run).value(0)), olderRows);
    // And the program works on it.
    EXPECT_EQ(RunAndClose(run), 0);
    EXPECT_EQ(RowsDigest(run.DataFile()), olderRows);
}

TEST(Program, HotJournalOfTheFileItselfIsRolledBackAndNothingIsKeptAside)
{
    RunFolders run;
    MakeFolderWithHistory(run, 3000);
    const QString rows = RowsDigest(run.DataFile());
    KillDuringUpdate(run.DataFile());
    const QString log = RunOnce(run, false);
    EXPECT_TRUE(FullCheckRan(log)) << log.toStdString();
    EXPECT_FALSE(log.contains("message: ")) << log.toStdString();
    EXPECT_EQ(RowsDigest(run.DataFile()), rows);
    EXPECT_EQ(Sqlite3(run.DataFile(), "SELECT count(*) FROM 历史 WHERE Con LIKE '%改'"), "0");
    EXPECT_EQ(Sqlite3(run.DataFile(), "PRAGMA integrity_check"), "ok");
    EXPECT_FALSE(QFileInfo::exists(run.DataFile() + "-journal"));
    EXPECT_TRUE(SetAsideFolders(run).isEmpty());
}

namespace {

// Starts the program with the stop library: at the call number `at` of the kind ("pwrite" into
// its database, "rename" or "fsync" of any file) it is killed, or (full) the writes into the
// database fail from there on as on a full disk, which the program reports; the message, if any.
QString StartStopped(const RunFolders &run, const QString &call, int at, bool full = false)
{
    QMap<QString, QString> env{{"LD_PRELOAD", STOPWRITE_LIBRARY},
                               {"QUORVAN_TEST_STOP_FILE", QFileInfo(run.DataFile()).canonicalFilePath()},
                               {"QUORVAN_TEST_STOP_AT", QString::number(at)}};
    if (call != "pwrite")
        env.insert("QUORVAN_TEST_STOP_CALL", call);
    if (full)
        env.insert("QUORVAN_TEST_STOP_FULL", "1");
    Program p(run.Home(), run.Config(), run.User(), false, env);
    if (!full) {
        EXPECT_EQ(p.Finish(), -1) << p.Stderr().toStdString();
        return QString();
    }
    const QString message = p.WaitForMessage();
    EXPECT_EQ(p.Kill(), -1);
    return message;
}

// A start asked to end (SIGTERM) as soon as it runs: it ends once it has repaired, told and
// closed its message, if any. What it told.
QString StartAndEnd(const RunFolders &run)
{
    Program p(run.Home(), run.Config(), run.User());
    EXPECT_TRUE(p.WaitUntilRunning(run.Home())) << p.Stderr().toStdString();
    const int rc = p.Close();
    EXPECT_TRUE(rc == 0 || rc == 1) << rc << p.Stderr().toStdString();
    return p.Message();
}

} // namespace

// A start with a journal to play (another folder's write-ahead log) killed at a
// write into the database, a rename or a sync of any file; then what the clerk does; then two
// starts. Every state the clerk had is the database or a copy that opens clean where it lies,
// named to the clerk; no journal lies under a name SQLite plays; no folder is left empty.
TEST(Program, StartKilledAtAWriteRenameOrSyncThenTheClerkThenTwoStarts)
{
    struct Case
    {
        const char *call;
        int at;
        const char *clerk;
    };
    const Case cases[] = {{"pwrite", 1, "another file"},
                          {"pwrite", 100, "nothing"},
                          {"rename", 2, "nothing"},
                          {"rename", 4, "deleted"},
                          {"fsync", 3, "another file"}};
    RunFolders base;
    MakeFolderWithHistory(base, 3000);
    const QByteArray older = storetest::FileBytes(base.DataFile());
    const QString olderRows = RowsDigest(base.DataFile());
    const QByteArray journal = ForeignWal(12000);
    const QString clerksFile = base.User() + "/backup.mdb";
    WriteFile(clerksFile, older);
    Sqlite3(clerksFile, "DELETE FROM 历史 WHERE ID > 2000");
    const QString clerksRows = RowsDigest(clerksFile);
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.call) + " " + std::to_string(c.at) + ", then " + c.clerk);
        RunFolders run;
        ASSERT_EQ(RunAndClose(run), 0);
        WriteFile(run.DataFile(), older);
        WriteFile(run.DataFile() + "-wal", journal);
        StartStopped(run, c.call, c.at);
        // The state of the file the clerk overwrites or deletes is the clerk's to give up,
        // unless a copy holds it already.
        auto copies = [&] {
            QStringList rows;
            for (const QString &name :
                 QDir(run.Home() + "/Temp").entryList({"启动前的数据库-*"}, QDir::Dirs))
                if (QFileInfo::exists(run.Home() + "/Temp/" + name + "/DATA.mdb"))
                    rows << RowsOpenedWhereItLies(run.Home() + "/Temp/" + name);
            return rows;
        };
        QStringList states;
        if (QString(c.clerk) == "nothing" || copies().contains(olderRows))
            states << olderRows;
        if (QString(c.clerk) == "another file") {
            WriteFile(run.DataFile(), storetest::FileBytes(clerksFile));
            states << clerksRows;
        } else if (QString(c.clerk) == "deleted") {
            ASSERT_TRUE(QFile::remove(run.DataFile()));
        }
        QString told;
        for (int start = 0; start < 2; ++start)
            told += StartAndEnd(run);
        EXPECT_EQ(Sqlite3(run.DataFile(), "PRAGMA integrity_check"), "ok");
        QStringList held{RowsDigest(run.DataFile())};
        for (const QString &name : QDir(run.Home() + "/Temp")
                                       .entryList({"*启动前的数据库-*"},
                                                  QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot)) {
            const QString dir = run.Home() + "/Temp/" + name;
            EXPECT_TRUE(name.startsWith("启动前的数据库-")) << name.toStdString();
            const QStringList files = QDir(dir).entryList(QDir::Files | QDir::Hidden);
            EXPECT_FALSE(files.isEmpty()) << name.toStdString();
            for (const QString &f : files)
                EXPECT_FALSE(f.endsWith("-journal") || f.endsWith("-wal") || f == ".undecided")
                    << f.toStdString();
            EXPECT_EQ(told.count("“" + dir + "”"), 1) << told.toStdString();
            if (files.contains("DATA.mdb"))
                held << RowsOpenedWhereItLies(dir);
        }
        for (const QString &s : states)
            EXPECT_TRUE(held.contains(s)) << told.toStdString();
        EXPECT_FALSE(QFileInfo::exists(run.DataFile() + "-wal"));
    }
}

// The play stopped by a full disk: the clerk hears it and where the copy is; the next start
// plays the same log again from the copy and keeps the copy from before it (the log cannot tell
// whose it is), or puts it back when the played file fails its check.
TEST(Program, PlayOutOfRoomStartsAgainFromTheMarkedCopy)
{
    RunFolders run;
    MakeFolderWithHistory(run, 3000);
    const QByteArray older = storetest::FileBytes(run.DataFile());
    const QString olderRows = RowsDigest(run.DataFile());
    WriteFile(run.DataFile() + "-wal", ForeignWal(12000));
    const QString stopped = StartStopped(run, "pwrite", 100, true);
    const QStringList aside = SetAsideFolders(run);
    ASSERT_EQ(aside.size(), 1);
    const QString dir = run.Home() + "/Temp/" + aside[0];
    EXPECT_EQ(storetest::FileBytes(dir + "/DATA.mdb"), older);
    EXPECT_TRUE(stopped.contains("磁盘空间不足")) << stopped.toStdString();
    EXPECT_TRUE(stopped.contains(dir)) << stopped.toStdString();

    const QString message = ToldThenKilled(run);
    EXPECT_EQ(SetAsideFolders(run), aside);
    EXPECT_TRUE(message.contains(dir)) << message.toStdString();
    EXPECT_EQ(RowsOpenedWhereItLies(dir), olderRows);
    EXPECT_EQ(Sqlite3(run.DataFile(), "PRAGMA integrity_check"), "ok");
    EXPECT_FALSE(QFileInfo::exists(run.DataFile() + "-wal"));
    EXPECT_EQ(RunAndClose(run), 0);
}

// A start that shows its message ends on a request to end, and has told it: the next start
// works without a word.
TEST(Program, StartShowingItsMessageEndsOnSigterm)
{
    RunFolders run;
    MakeFolderWithHistory(run, 3000);
    const QString rows = RowsDigest(run.DataFile());
    // A journal of a newer state beside it: set aside and not played, which the start tells.
    RunFolders newer;
    WriteFile(newer.DataFile(), storetest::FileBytes(run.DataFile()));
    Sqlite3(newer.DataFile(), "DELETE FROM 历史 WHERE ID % 3 = 0");
    KillDuringUpdate(newer.DataFile());
    WriteFile(run.DataFile() + "-journal", storetest::FileBytes(newer.DataFile() + "-journal"));
    Program p(run.Home(), run.Config(), run.User());
    EXPECT_TRUE(p.WaitForMessage().contains("没有使用"));
    EXPECT_EQ(p.Close(), 0);
    EXPECT_EQ(RowsDigest(run.DataFile()), rows);
    const QString log = RunOnce(run, false);
    EXPECT_FALSE(log.contains("message: ")) << log.toStdString();
}

TEST(Program, KilledExportsAndCompactionsLeaveNothingAfterTheNextStart)
{
    RunFolders run;
    MakeFolderWithHistory(run, 20000);
    const QString rows = RowsDigest(run.DataFile());
    const QString exportDir = run.User() + "/导出";
    QDir().mkpath(exportDir);
    const QString target = exportDir + "/历史记录.csv";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QUORVAN_HOME", run.Home());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    // Each child is killed a few writes (or compactions) in, wherever it then is.
    auto killAfter = [&](const QStringList &args, const QByteArray &line, int lines) {
        QProcess child;
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), args);
        ASSERT_TRUE(child.waitForStarted());
        QByteArray out;
        while (out.count(line) < lines) {
            ASSERT_TRUE(child.waitForReadyRead(kWait)) << out.toStdString();
            out += child.readAllStandardOutput();
        }
        child.kill();
        ASSERT_TRUE(child.waitForFinished(kWait));
    };
    for (int k = 0; k < 50; ++k)
        killAfter({"--child-write", target}, "writing", 1 + k % 4);
    const QStringList leftByExports = QDir(exportDir).entryList({"*.part"}, QDir::Files | QDir::Hidden);
    auto compactionLeftovers = [&] {
        return QFileInfo::exists(run.Home() + "/backup.mdb.new")
               || QFileInfo::exists(run.Home() + "/Temp/TEMP.mdb");
    };
    for (int k = 0; k < 20 && !(k >= 3 && compactionLeftovers()); ++k)
        killAfter({"--child-compact"}, "compacting", 1 + k % 3);
    ASSERT_FALSE(leftByExports.isEmpty());
    if (!compactionLeftovers()) {
        // On a fast or a busy machine no kill may have landed inside a compaction's copy: the
        // files it leaves then are put there as it leaves them, a copy of the database each.
        QDir().mkpath(run.Home() + "/Temp");
        ASSERT_TRUE(QFile::copy(run.DataFile(), run.Home() + "/Temp/TEMP.mdb"));
        ASSERT_TRUE(QFile::copy(run.DataFile(), run.Home() + "/backup.mdb.new"));
    }
    ASSERT_TRUE(compactionLeftovers());

    const QString log = RunOnce(run, false);
    EXPECT_FALSE(log.contains("message: ")) << log.toStdString();
    EXPECT_EQ(QDir(exportDir).entryList(QDir::Files | QDir::Hidden), QStringList{"历史记录.csv"});
    EXPECT_EQ(QFileInfo(target).size(), 32 * 64 * 1024);
    EXPECT_FALSE(QFileInfo::exists(run.Home() + "/backup.mdb.new"));
    EXPECT_FALSE(QFileInfo::exists(run.Home() + "/Temp/TEMP.mdb"));
    EXPECT_TRUE(QDir(run.Home() + "/Temp").entryList({"TEMP.mdb*"}, QDir::Files).isEmpty());
    EXPECT_EQ(RowsDigest(run.DataFile()), rows);
    EXPECT_EQ(Sqlite3(run.DataFile(), "PRAGMA integrity_check"), "ok");

    // A folder with only finished files keeps them all as they are.
    const QString picture = run.Home() + "/转账支票.jpg";
    WriteFile(picture, "jpeg");
    auto listing = [&] {
        QStringList all;
        QDirIterator it(run.Home(), QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString f = it.next();
            if (!f.endsWith("/DATA.mdb") && !f.endsWith("/.DATA.mdb.closed"))
                all << f + " " + QString::fromLatin1(storetest::FileBytes(f).toHex().left(64));
        }
        all.sort();
        return all;
    };
    const QStringList before = listing();
    EXPECT_TRUE(before.join('\n').contains("/backup.mdb ")) << before.join('\n').toStdString();
    RunOnce(run, false);
    EXPECT_EQ(listing(), before);
}

TEST(Program, EmptyDatabaseFileIsRefusedAndStaysEmpty)
{
    RunFolders run;
    WriteFile(run.DataFile(), QByteArray());
    Program p(run.Home(), run.Config(), run.User());
    const QString message = p.WaitForMessage();
    EXPECT_TRUE(message.startsWith("无法建立数据库连接！\n数据库文件")) << message.toStdString();
    EXPECT_TRUE(message.contains("0字节")) << message.toStdString();
    EXPECT_EQ(p.Close(), 1);
    EXPECT_TRUE(QFileInfo(run.DataFile()).isFile());
    EXPECT_EQ(QFileInfo(run.DataFile()).size(), 0);
}

TEST(Startup, DamagedDatabaseMessageNamesTheBackupWithItsDate)
{
    TempHome home;
    MakeDatabase(home);
    ASSERT_TRUE(QFile::copy(home.DataFile(), home.Home() + "/backup.mdb"));
    const QDateTime when(QDate(2024, 3, 5), QTime(14, 7));
    {
        QFile b(home.Home() + "/backup.mdb");
        ASSERT_TRUE(b.open(QIODevice::ReadWrite));
        ASSERT_TRUE(b.setFileTime(when, QFileDevice::FileModificationTime));
    }
    // Garbage over the pages after the schema: the file opens, its history does not read.
    QFile f(home.DataFile());
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.seek(8 * 4096));
    ASSERT_EQ(f.write(QByteArray(20 * 4096, '\x5a')), 20 * 4096);
    f.close();
    const QString message = RefusedAtStart(home);
    const QStringList lines = message.split('\n');
    ASSERT_GE(lines.size(), 4) << message.toStdString();
    EXPECT_TRUE(lines[1].startsWith("数据库文件已损坏")) << message.toStdString();
    EXPECT_TRUE(lines[2].startsWith("（详细信息：")) << message.toStdString();
    EXPECT_TRUE(lines[3].contains(home.Home() + "/backup.mdb")) << message.toStdString();
    EXPECT_TRUE(lines[3].contains("2024年3月5日 14:07")) << message.toStdString();
}
