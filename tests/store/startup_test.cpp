#include "store_fixture.h"

#include "store/db.h"
#include "store/params.h"
#include "store/paths.h"
#include "store/startup.h"

#include <QCoreApplication>
#include <QDir>
#include <QLockFile>
#include <QProcess>
#include <QWidget>

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
    SelResult = "HP LaserJet";
    std::unique_ptr<QLockFile> lock;
    EXPECT_EQ(Main(Hooks(calls), lock), std::nullopt);
    EXPECT_TRUE(lock);
    EXPECT_EQ(calls.log, QStringList({"check 60 9.10", "MF"}));
    EXPECT_EQ(SelResult, "");
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
