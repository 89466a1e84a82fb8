// Web access and the version check against a local web server.
#include "../common/smalldisk.h"
#include "library_fixture.h"

#include "library/version.h"
#include "library/web.h"
#include "mainwin/mainwindow.h"
#include "mainwin/starthooks.h"
#include "store/ui/indicator.h"
#include "store/ui/startup.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLockFile>
#include <QTcpServer>
#include <QTimer>

#include "../common/qtry.h"

namespace {

const QString kCatalogue = QStringLiteral("/xrm/fmt.asp?key=支票,进账单");

class WebTest : public LibraryTest
{
protected:
    void SetUp() override
    {
        LibraryTest::SetUp();
        library::SetWebClock([] { return QTime(9, 5, 7); });
    }
    void TearDown() override
    {
        library::SetWebClock({});
        LibraryTest::TearDown();
    }
};

TEST_F(WebTest, TextFetchRequestAndReply)
{
    Serve();
    Put("/xrm/fmt.asp", store::ToGbk("支票|甲<+>乙|/f|/p|2021-03-04<br>Finished<BR>tail<BR>end"));
    Put("/plain.txt", store::ToGbk("第一行<+>第二行，完"));
    QString reply;
    EXPECT_EQ(library::GetUrlTextRetry(library::WebUrl(kCatalogue), reply, "Finished", 5), "");
    EXPECT_EQ(reply, QStringLiteral("支票|甲\r\n乙|/f|/p|2021-03-04<br>Finished<BR>tail"));
    EXPECT_EQ(library::GetUrlText(library::WebUrl("/plain.txt"), reply, "完", 5), "");
    EXPECT_EQ(reply, QStringLiteral("第一行\r\n第二行，完"));
    ASSERT_TRUE(server.WaitRequests(2));
    const QList<QStringList> req = server.Requests();
    EXPECT_EQ(req[0][0], "GET /xrm/fmt.asp?key=%D6%A7%C6%B1,%BD%F8%D5%CB%B5%A5&Time=09:05:07 "
                         "HTTP/1.1");
    EXPECT_EQ(req[1][0], "GET /plain.txt?Time=09:05:07 HTTP/1.1");
    for (const QStringList &r : req)
        EXPECT_TRUE(r.filter(QRegularExpression("^content-type: text/xml$",
                                                QRegularExpression::CaseInsensitiveOption))
                        .size() == 1)
            << r.join('|').toStdString();

    // Without the marker: five tries, the whole text handed back.
    reply = "old";
    EXPECT_EQ(library::GetUrlTextRetry(library::WebUrl("/plain.txt"), reply, "Finished", 5),
              QStringLiteral("网络错误！"));
    EXPECT_EQ(reply, QStringLiteral("第一行<+>第二行，完"));
    ASSERT_TRUE(server.WaitRequests(7));
    EXPECT_EQ(server.Requests().size(), 7);
}

TEST_F(WebTest, ErrorRepliesFailAndNeverReachAFile)
{
    Serve();
    Put("/err/500.asp", "<html><title>Server Error</title>Finished</html>");
    Put("/err/500.asp.status", "500");
    Put("/err/short.cqf", QByteArray(2000, 'x') + "Finished");
    Put("/err/short.cqf.short", "");
    Put("/good.jpg", "JPEGDATA");
    Put("/moved.jpg", "");
    Put("/moved.jpg.redirect", "/good.jpg");
    const QString file = home() + "/target.jpg";
    Put("/../home/target.jpg", "OLD");
    QString reply = "kept";
    for (const char *path : {"/missing.asp", "/err/500.asp", "/err/short.cqf"}) {
        EXPECT_EQ(library::GetUrlText(library::WebUrl(path), reply, "Finished", 5),
                  QStringLiteral("网络错误！"))
            << path;
        EXPECT_EQ(reply, "kept");
        EXPECT_FALSE(library::DownloadUrlToFile(library::WebUrl(path), file, 5)) << path;
        EXPECT_EQ(ReadAll(file), "OLD");
    }
    EXPECT_FALSE(store::ProgressShowing());
    // A redirect is followed.
    EXPECT_TRUE(library::DownloadUrlToFile(library::WebUrl("/moved.jpg"), file, 5));
    EXPECT_EQ(ReadAll(file), "JPEGDATA");
    // A folder that cannot take the file: false, nothing left behind.
    EXPECT_FALSE(
        library::DownloadUrlToFile(library::WebUrl("/good.jpg"), home() + "/no/such/dir/x.jpg", 5));
    EXPECT_TRUE(rec().messages.isEmpty()) << rec().messages.join('|').toStdString();
}

TEST_F(WebTest, SlowRepliesEndAtTheDeadlineOrWhenTheProgressWindowCloses)
{
    Serve();
    Put("/slow.asp", "Finished");
    Put("/slow.asp.delay", "4");
    QString reply = "kept";
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(library::GetUrlText(library::WebUrl("/slow.asp"), reply, "Finished", 0.3),
              QStringLiteral("网络错误！"));
    EXPECT_LT(t.elapsed(), 2500);
    EXPECT_EQ(reply, "kept");

    const QString file = home() + "/slow.jpg";
    Put("/../home/slow.jpg", "OLD BYTES");
    // The user closes the progress window (Esc or its close box) while the reply is awaited.
    QTimer closer;
    closer.setInterval(20);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (store::Indicator *w = store::IndicatorWindow(); w && server.Requests().size() >= 2)
            w->close();
    });
    closer.start();
    t.restart();
    EXPECT_FALSE(library::DownloadUrlToFile(library::WebUrl("/slow.asp"), file, 30));
    closer.stop();
    EXPECT_LT(t.elapsed(), 3500);
    EXPECT_EQ(ReadAll(file), "OLD BYTES");
    EXPECT_FALSE(store::ProgressShowing());
    EXPECT_EQ(store::ProgressState().caption, QStringLiteral("正在下载..."));
    EXPECT_EQ(store::ProgressState().total, 10);
}

TEST_F(WebTest, NoServerOrARefusedPortFailsAtOnce)
{
    ASSERT_TRUE(server.Start(www()));
    QString reply = "kept";
    // No address set: no request at all.
    EXPECT_EQ(library::WebUrl("/x.asp"), "");
    EXPECT_EQ(library::GetUrlTextRetry(library::WebUrl("/x.asp"), reply, "x", 5),
              QStringLiteral("网络错误！"));
    EXPECT_FALSE(library::DownloadUrlToFile(library::WebUrl("/x.asp"), home() + "/x", 5));
    EXPECT_EQ(library::CheckNewVersion(60, "9.10"), "");
    Put("/ping", "pong");
    QString pong;
    EXPECT_EQ(library::GetUrlText(server.Base() + "/ping", pong, "pong", 5), "");
    ASSERT_TRUE(server.WaitRequests(1));
    EXPECT_EQ(server.RequestLines(), QStringList{"GET /ping?Time=09:05:07 HTTP/1.1"});

    // A port nobody listens on.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close();
    ASSERT_TRUE(store::SaveRegStr("KVRTM", "Web", "Server",
                                  QStringLiteral("http://127.0.0.1:%1").arg(port)));
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(library::GetUrlTextRetry(library::WebUrl("/x.asp"), reply, "x", 20),
              QStringLiteral("网络错误！"));
    EXPECT_EQ(library::CheckNewVersion(60, "9.10"), "");
    EXPECT_LT(t.elapsed(), 5000);
    EXPECT_EQ(reply, "kept");
}

// Replies a server must not be able to force on the program: too large (announced or streamed),
// sent elsewhere, cut short, or more than the disk can take. Each fails, the file keeps its
// old bytes and nothing is left beside it.
TEST_F(WebTest, OversizedRedirectedCutAndUnwritableRepliesKeepTheOldFile)
{
    Serve();
    const QString dir = m_dir.path() + "/down";
    QDir().mkpath(dir);
    const QString file = dir + "/fmt.cqf";
    Put("/../down/fmt.cqf", "OLD");
    auto leftBeside = [&] { return QDir(dir).entryList(QDir::Files | QDir::Hidden); };
    QString why;

    // A text larger than a catalogue can be, sent without a length.
    Put("/list.asp", "");
    Put("/list.asp.size", QByteArray::number(library::kMaxTextReplyBytes + 1024 * 1024));
    Put("/list.asp.nolength", "");
    QString reply = "kept";
    EXPECT_EQ(library::GetUrlText(library::WebUrl("/list.asp"), reply, "Finished", 20),
              QStringLiteral("网络错误！"));
    EXPECT_EQ(reply, "kept");

    // A file announced larger than any format: refused before its body.
    Put("/huge.cqf", "");
    Put("/huge.cqf.size", QByteArray::number(library::kMaxDownloadBytes + 1));
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(library::DownloadUrlToFile(library::WebUrl("/huge.cqf"), file, 20, nullptr, &why));
    EXPECT_LT(t.elapsed(), 5000);
    EXPECT_EQ(why, QStringLiteral("服务器的回复过大。"));
    // One that keeps sending past the limit without saying so.
    Put("/endless.cqf", "");
    Put("/endless.cqf.size", QByteArray::number(3 * 1024 * 1024));
    Put("/endless.cqf.nolength", "");
    EXPECT_FALSE(library::DownloadUrlToFile(library::WebUrl("/endless.cqf"), file, 20, nullptr,
                                            &why, 1024 * 1024));
    EXPECT_EQ(why, QStringLiteral("服务器的回复过大。"));
    EXPECT_EQ(ReadAll(file), "OLD");
    EXPECT_EQ(leftBeside(), QStringList{"fmt.cqf"});

    // A large file within the limit arrives whole, however many pieces it comes in.
    Put("/large.cqf", "");
    Put("/large.cqf.size", QByteArray::number(32 * 1024 * 1024));
    const QString large = dir + "/large.cqf";
    EXPECT_TRUE(library::DownloadUrlToFile(library::WebUrl("/large.cqf"), large, 60, nullptr, &why))
        << why.toStdString();
    EXPECT_EQ(QFileInfo(large).size(), 32 * 1024 * 1024);
    QFile::remove(large);

    // A redirect to another host is not followed (the same server under another name).
    Put("/good.cqf", "GOOD");
    Put("/away.cqf", "");
    Put("/away.cqf.redirect",
        QStringLiteral("http://localhost:%1/good.cqf").arg(server.Port()).toLatin1());
    EXPECT_FALSE(library::DownloadUrlToFile(library::WebUrl("/away.cqf"), file, 20, nullptr, &why));
    EXPECT_TRUE(why.contains("localhost")) << why.toStdString();
    EXPECT_EQ(library::GetUrlText(library::WebUrl("/away.cqf"), reply, "GOOD", 20),
              QStringLiteral("网络错误！"));
    EXPECT_FALSE(server.RequestLines().join('|').contains("/good.cqf"));
    // A reply cut off before the length it announced.
    Put("/cut.cqf", QByteArray(200000, 'c'));
    Put("/cut.cqf.short", "");
    EXPECT_FALSE(library::DownloadUrlToFile(library::WebUrl("/cut.cqf"), file, 20));
    EXPECT_EQ(ReadAll(file), "OLD");
    EXPECT_EQ(leftBeside(), QStringList{"fmt.cqf"});
    // Within the server a redirect is followed.
    Put("/here.cqf", "");
    Put("/here.cqf.redirect", "/good.cqf");
    EXPECT_TRUE(library::DownloadUrlToFile(library::WebUrl("/here.cqf"), file, 20));
    EXPECT_EQ(ReadAll(file), "GOOD");

    // A disk with a few KB left: the reply does not fit, the message names the file.
    SmallDisk disk(m_dir.path() + "/small", "256k");
    if (!disk.mounted())
        GTEST_SKIP() << "a small tmpfs cannot be mounted here (needs root)";
    const QString onDisk = disk.path() + "/fmt.cqf";
    ASSERT_TRUE(store::WriteTextFile("OLD", onDisk) > 0);
    disk.fill(8192);
    Put("/big.cqf", "");
    Put("/big.cqf.size", QByteArray::number(200 * 1024));
    EXPECT_FALSE(
        library::DownloadUrlToFile(library::WebUrl("/big.cqf"), onDisk, 20, nullptr, &why));
    EXPECT_TRUE(why.startsWith(QStringLiteral("无法写入文件“%1”！").arg(onDisk)))
        << why.toStdString();
    EXPECT_EQ(ReadAll(onDisk), "OLD");
    EXPECT_EQ(disk.names(), QStringList{"fmt.cqf"});
    EXPECT_TRUE(rec().messages.isEmpty()) << rec().messages.join('|').toStdString();
}

// --- the version check through the program's start-up

class VersionTest : public WebTest
{
protected:
    void SetUp() override
    {
        WebTest::SetUp();
        library::SetVersionCheckTimeout(2);
        Serve();
    }
    void TearDown() override
    {
        DeleteMainWindows();
        lock.reset();
        library::SetVersionCheckTimeout(4);
        WebTest::TearDown();
    }
    static void DeleteMainWindows()
    {
        QList<QPointer<QWidget>> left;
        for (QWidget *tw : QApplication::topLevelWidgets())
            if (qobject_cast<mainwin::MainWindow *>(tw))
                left << tw;
        for (const QPointer<QWidget> &tw : left)
            delete tw.data();
    }
    void Announce(const QByteArray &title, const QByteArray &status = "200")
    {
        Put("/radovezorur/downpage/Pro.asp",
            "<html><head><title>" + title + "</title></head><body>Quorvan</body></html>");
        Put("/radovezorur/downpage/Pro.asp.status", status);
    }
    // store::Main with the program's hooks: its exit code, or -1 when a window came up.
    int Start()
    {
        lock.reset();
        const std::optional<int> code = store::Main(mainwin::ProgramHooks(), lock);
        return code ? *code : -1;
    }
    bool MainWindowShown() const
    {
        for (QWidget *tw : QApplication::topLevelWidgets())
            if (qobject_cast<mainwin::MainWindow *>(tw) && tw->isVisible())
                return true;
        return false;
    }
    void PlaceUpdater()
    {
        const QString script = home() + "/update.exe";
        QFile f(script);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\nprintf '%s' \"$1\" > \"$(dirname \"$0\")/updater-arg.txt.part\"\n"
                "mv \"$(dirname \"$0\")/updater-arg.txt.part\" \"$(dirname "
                "\"$0\")/updater-arg.txt\"\n");
        f.close();
        ASSERT_TRUE(f.setPermissions(f.permissions() | QFile::ExeOwner));
    }
    std::unique_ptr<QLockFile> lock;
};

TEST_F(VersionTest, NewerVersionHandsOverToTheUpdater)
{
    Announce("Quorvan支票打印软件 (9.11)");
    PlaceUpdater();
    EXPECT_EQ(Start(), 0);
    EXPECT_FALSE(MainWindowShown());
    EXPECT_EQ(rec().messages, QStringList{"本软件已升级，启动自动升级..."});
    ASSERT_TRUE(server.WaitRequests(1));
    EXPECT_EQ(server.RequestLines().value(0),
              "GET /radovezorur/downpage/Pro.asp?ID=60&O=9.10&Time=09:05:07 HTTP/1.1");
    const QString arg = home() + "/updater-arg.txt";
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(arg), 10000);
    EXPECT_EQ(ReadAll(arg), "KT58.rar|tests_library.exe");
    // The lock went with the start-up: the next start may run.
    lock.reset();
    EXPECT_TRUE(store::TakeInstanceLock());
}

TEST_F(VersionTest, WithoutTheUpdaterTheProgramStartsAnyway)
{
    Announce("Quorvan (9.2)"); // 9.2 is newer than 9.10
    EXPECT_EQ(Start(), -1);
    EXPECT_TRUE(MainWindowShown());
    EXPECT_EQ(rec().messages, (QStringList{"本软件已升级，启动自动升级...",
                                           "无法启动自动升级程序“" + home() + "/update.exe”！"}));
}

// A server that takes the connection and never answers holds the start-up for the check's
// allowance, not for five time-outs.
TEST_F(VersionTest, ServerThatNeverAnswersDelaysTheWindowOnlyBriefly)
{
    library::SetVersionCheckTimeout(4);
    QTcpServer mute; // listens, never answers
    ASSERT_TRUE(mute.listen(QHostAddress::LocalHost));
    ASSERT_TRUE(store::SaveRegStr("KVRTM", "Web", "Server",
                                  QStringLiteral("http://127.0.0.1:%1").arg(mute.serverPort())));
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(Start(), -1);
    EXPECT_TRUE(MainWindowShown());
    EXPECT_LT(t.elapsed(), 7000);
    EXPECT_GE(t.elapsed(), 3500);
    EXPECT_TRUE(rec().messages.isEmpty()) << rec().messages.join('|').toStdString();
}

TEST_F(VersionTest, SameVersionErrorPagesAndNoAnswerStartNormally)
{
    Announce("Quorvan (9.10)");
    EXPECT_EQ(library::CheckNewVersion(60, "9.10"), "9.1");
    EXPECT_EQ(Start(), -1);
    EXPECT_TRUE(MainWindowShown());
    DeleteMainWindows();
    lock.reset();

    PlaceUpdater();
    Announce("Service Unavailable (503)", "503");
    EXPECT_EQ(library::CheckNewVersion(60, "9.10"), "");
    EXPECT_EQ(Start(), -1);
    EXPECT_TRUE(MainWindowShown());
    EXPECT_TRUE(rec().messages.isEmpty()) << rec().messages.join('|').toStdString();
    EXPECT_FALSE(QFile::exists(home() + "/updater-arg.txt"));
}

} // namespace
