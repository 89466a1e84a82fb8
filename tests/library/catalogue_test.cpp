// The web catalogue and the format manager through the real main window, against the local web
// server.
#include "library_fixture.h"

#include "library/fmtdown.h"
#include "library/fmtfile.h"
#include "library/fmtlist.h"
#include "library/preview.h"
#include "library/web.h"
#include "mainwin/mainwindow.h"
#include "mainwin/notifyinglabel.h"
#include "mainwin/typingfmt.h"
#include "page/backpic.h"
#include "store/model/context.h"
#include "store/view/grid.h"
#include "store/model/gridbind.h"
#include "store/ui/indicator.h"
#include "store/ui/startup.h"

#include <QAction>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <csignal>
#include <functional>

#include "../common/hiddennames.h"
#include "../common/qtry.h"

namespace {

QByteArray Jpeg(int w, int h, QColor c)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(c);
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "JPG");
    return bytes;
}

const QByteArray kCatalogue =
    store::ToGbk("支票|中国银行转账支票|/fmt/boc.cqf|/pic/boc.jpg|2021-03-04<br>"
                 "进账单|工行进账单|/fmt/icbc.cqf|/pic/icbc.jpg?v=2|2020-12-31<br>"
                 "支票|两段<br>"
                 "支票|支票/A|/fmt/a.cqf|/pic/a.jpg|2019-1-2<br>Finished<BR>");

class CatalogueTest : public LibraryTest
{
protected:
    void SetUp() override
    {
        LibraryTest::SetUp();
        w = static_cast<mainwin::MainWindow *>(mainwin::ShowMainWindow());
        QTRY_COMPARE(w->context().FormatName(), QStringLiteral("转账支票"));
        host = &w->formatCommands();
        ASSERT_TRUE(host);
    }
    void TearDown() override
    {
        for (QWidget *tw : QApplication::topLevelWidgets())
            if (auto *d = qobject_cast<library::FmtDown *>(tw))
                d->close();
        delete w.data();
        library::SetFileQuestion({});
        LibraryTest::TearDown();
    }
    library::FmtDown *Catalogue() { return library::FmtDown::ShowModeless(*host, w); }
    QPointer<mainwin::MainWindow> w;
    mainwin::MainFormatCommands *host = nullptr;
};

TEST_F(CatalogueTest, ListPreviewSearchAndInstall)
{
    Serve();
    Put("/xrm/fmt.asp", kCatalogue);
    Put("/pic/boc.jpg", Jpeg(300, 120, Qt::blue));
    Put("/pic/icbc.jpg", Jpeg(200, 600, Qt::green));
    Put("/pic/a.jpg", Jpeg(240, 80, Qt::red));
    Put("/fmt/a.cqf", store::ToGbk(library::FmtFileText(QStringLiteral("转账支票"))));

    library::FmtDown *d = Catalogue();
    EXPECT_EQ(d->windowTitle(), QStringLiteral("可供下载的格式模板"));
    store::FlexGrid &g = *d->MSF;
    ASSERT_EQ(g.Rows() - g.FixedRows(), 3); // the two-field piece is no row
    EXPECT_EQ(g.TextMatrix(2, 6), QStringLiteral("中国银行转账支票"));
    EXPECT_EQ(g.TextMatrix(2, 7), QStringLiteral("2021.03.04"));
    EXPECT_EQ(g.TextMatrix(3, 6), QStringLiteral("工行进账单"));
    EXPECT_EQ(g.TextMatrix(4, 7), QStringLiteral("2019.01.02"));
    EXPECT_EQ(g.TextMatrix(2, 4), QStringLiteral("√"));
    EXPECT_EQ(SqliteTrimmed("SELECT Dat FROM 网站格式 ORDER BY Dat DESC;"),
              "2021-03-04\n2020-12-31\n2019-01-02");
    // The first row's preview came with the opening.
    EXPECT_TRUE(QFile::exists(home() + "/Temp/boc.jpg"));
    EXPECT_TRUE(d->Preview->Showing());
    ASSERT_TRUE(server.WaitRequests(2));

    // A class is found; the row change fetches that preview (its query dropped from the name).
    d->Skey->setText(QStringLiteral("进账单"));
    d->Com[2]->click();
    EXPECT_EQ(g.Row(), 3);
    EXPECT_TRUE(QFile::exists(home() + "/Temp/icbc.jpg"));
    EXPECT_TRUE(d->Preview->Showing());
    ASSERT_TRUE(server.WaitRequests(3));
    EXPECT_EQ(server.RequestLines().value(2),
              "GET /pic/icbc.jpg?v=2&Time=" + server.RequestLines().value(2).section("Time=", 1));
    // A second visit asks the server nothing; the search wraps.
    d->Skey->setText(QStringLiteral("中国银行"));
    d->Com[2]->click();
    EXPECT_EQ(g.Row(), 2);
    EXPECT_EQ(server.Requests().size(), 3);
    d->Skey->clear();
    d->Com[2]->click();
    EXPECT_EQ(rec().messages, QStringList{"请先输入关键词！"});

    // Installing "支票/A": picture and file into Temp under the safe name, then imported.
    rec().messages.clear();
    rec().answer = false;
    g.SetRow(4);
    d->Com[1]->click();
    EXPECT_TRUE(QFile::exists(home() + "/Temp/支票4A.jpg"));
    EXPECT_TRUE(QFile::exists(home() + "/Temp/支票4A.cqf"));
    EXPECT_EQ(SqliteTrimmed("SELECT COUNT(*) FROM Fmt WHERE Fmt='支票4A';"),
              SqliteTrimmed("SELECT COUNT(*) FROM Fmt WHERE Fmt='转账支票';"));
    EXPECT_EQ(ReadAll(page::GetBackPicFile("支票4A")), ReadAll(www() + "/pic/a.jpg"));
    EXPECT_EQ(rec().messages, QStringList{"格式“支票4A”导入成功,立即调用此格式？"});

    // The format file is gone from the server: nothing is installed, an older file in Temp
    // included.
    ASSERT_TRUE(store::ExecSQL("DELETE FROM Fmt WHERE Fmt='支票4A'"));
    QFile::remove(www() + "/fmt/a.cqf");
    rec().messages.clear();
    const QString dump = SqliteTrimmed("SELECT * FROM Fmt ORDER BY ID;");
    d->Com[1]->click();
    EXPECT_EQ(rec().messages, QStringList{"无法打开下载文档：\r\n" + home() + "/Temp/支票4A.cqf"});
    EXPECT_EQ(SqliteTrimmed("SELECT * FROM Fmt ORDER BY ID;"), dump);

    // Closing keeps the keyword for the next time.
    d->Skey->setText(QStringLiteral("工行"));
    d->close();
    EXPECT_EQ(store::GetPara("格式搜索"), QStringLiteral("工行"));
}

TEST_F(CatalogueTest, NoServerNoRequest)
{
    ASSERT_TRUE(server.Start(www()));
    Put("/xrm/fmt.asp", kCatalogue);
    library::FmtDown *d = Catalogue();
    EXPECT_EQ(d->MSF->Rows(), d->MSF->FixedRows());
    d->Com[0]->click();
    d->Com[1]->click();
    // The opening (an empty list fetches), "更新列表" and "导入格式" each say so.
    EXPECT_EQ(rec().messages, QStringList(3, "没有设置网站地址，无法连接格式下载网站！"));
    Put("/ping", "pong");
    QString pong;
    EXPECT_EQ(library::GetUrlText(server.Base() + "/ping", pong, "pong", 5), "");
    ASSERT_TRUE(server.WaitRequests(1));
    EXPECT_EQ(server.Requests().size(), 1);
    EXPECT_TRUE(server.RequestLines().value(0).startsWith("GET /ping?Time="));
}

TEST_F(CatalogueTest, PreviewNamesAndOddServerPaths)
{
    EXPECT_EQ(library::PreviewFileName("http://h/pic/a.jpg?x=1#y"), "a.jpg");
    EXPECT_EQ(library::PreviewFileName("http://h/pic/a:b*.jpg"), "a6b0.jpg");
    for (const char *odd : {"http://h/pic/", "http://h/pic/.", "http://h/pic/.."}) {
        const QString name = library::PreviewFileName(odd);
        EXPECT_TRUE(name.endsWith(".jpg") && name.size() > 10) << name.toStdString();
        EXPECT_FALSE(name.contains('/'));
    }
    EXPECT_NE(library::PreviewFileName("http://h/pic/"), library::PreviewFileName("http://h/x/"));

    // A picture or format path that is no path on the server is never requested; a second
    // opening with a filled list asks nothing.
    Serve();
    Put("/xrm/fmt.asp", store::ToGbk("支票|外站支票|http://example.invalid/a.cqf|"
                                     "http://example.invalid/a.jpg|2021-01-01<br>Finished"));
    library::FmtDown *d = Catalogue();
    ASSERT_EQ(d->MSF->Rows() - d->MSF->FixedRows(), 1);
    d->Com[1]->click();
    d->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    d = Catalogue();
    EXPECT_EQ(d->MSF->Rows() - d->MSF->FixedRows(), 1);
    Put("/ping", "pong");
    QString pong;
    EXPECT_EQ(library::GetUrlText(server.Base() + "/ping", pong, "pong", 5), "");
    ASSERT_TRUE(server.WaitRequests(2));
    EXPECT_EQ(server.Requests().size(), 2);
    EXPECT_TRUE(server.RequestLines().value(0).startsWith("GET /xrm/fmt.asp?key="));
    EXPECT_TRUE(server.RequestLines().value(1).startsWith("GET /ping?"));
    EXPECT_FALSE(d->Preview->Showing());
    EXPECT_TRUE(rec().messages.isEmpty()) << rec().messages.join('|').toStdString();
}

// A catalogue name holding a character that hides or turns round what it shows, or showing
// nothing at all, is asked for again before anything is fetched; cancelled, nothing is fetched or
// installed. A Korean name (of a cheque, "支票", as a format's name must be to install) installs
// without a question.
TEST_F(CatalogueTest, InstallAsksAgainForANameWithHiddenCharacters)
{
    Serve();
    const std::vector<hiddennames::Case> cases = hiddennames::Cases("工行", "支票", true);
    QString list;
    for (const hiddennames::Case &c : cases)
        list += QStringLiteral("支票|") + c.name +
                QStringLiteral("|/fmt/a.cqf|/pic/a.jpg|2021-1-1<br>");
    const QString korean = hiddennames::kKorean + QStringLiteral("支票");
    list += QStringLiteral("支票|") + korean + QStringLiteral("|/fmt/k.cqf||2021-1-1<br>");
    Put("/xrm/fmt.asp", store::ToGbk(list + QStringLiteral("Finished")));
    Put("/fmt/a.cqf", store::ToGbk(library::FmtFileText(QStringLiteral("转账支票"))));
    Put("/fmt/k.cqf", store::ToGbk(library::FmtFileText(QStringLiteral("转账支票"))));
    Put("/pic/a.jpg", Jpeg(240, 80, Qt::red));
    library::FmtDown *d = Catalogue();
    ASSERT_EQ(d->MSF->Rows() - d->MSF->FixedRows(), qsizetype(cases.size()) + 1);
    ASSERT_TRUE(server.WaitRequests(1));
    const QString dump = SqliteTrimmed("SELECT * FROM Fmt ORDER BY ID;");
    for (int row = d->MSF->FixedRows(); row + 1 < d->MSF->Rows(); ++row) {
        const hiddennames::Case &c = cases[size_t(row - d->MSF->FixedRows())];
        SCOPED_TRACE(c.name.toStdString());
        ASSERT_EQ(d->MSF->TextMatrix(row, 6), c.name);
        d->MSF->SetRow(row);
        const qsizetype requests = server.Requests().size();
        rec().messages.clear();
        rec().textPresets.clear();
        rec().textAnswers = QStringList{QString()};
        d->Com[1]->click();
        EXPECT_EQ(rec().messages, QStringList{c.Prompt()});
        EXPECT_EQ(rec().textPresets, QStringList{c.preset});
        EXPECT_EQ(server.Requests().size(), requests);
    }
    EXPECT_EQ(SqliteTrimmed("SELECT * FROM Fmt ORDER BY ID;"), dump);
    EXPECT_FALSE(QFileInfo::exists(home() + "/Temp/a.cqf"));

    // The Korean name: fetched and installed under it, no name asked.
    d->MSF->SetRow(d->MSF->Rows() - 1);
    rec().messages.clear();
    rec().textPresets.clear();
    rec().answer = false; // not opened now
    d->Com[1]->click();
    EXPECT_TRUE(rec().textPresets.isEmpty());
    EXPECT_EQ(SqliteTrimmed("SELECT COUNT(*) > 1 FROM Fmt WHERE Fmt='" + korean + "';"), "1");
}

// --- the format manager

void AddFormat(const QString &name)
{
    ASSERT_TRUE(store::ExecSQL("INSERT INTO Fmt(Fmt, LBL, X, Y, W, H, Mem) VALUES(?, ?, 10, 10, "
                               "150, 70, 'True|False|0|0|0|0|0|False|')",
                               {name, QString::fromUtf8(store::kFmtParaMarker)}));
    ASSERT_TRUE(store::ExecSQL("INSERT INTO Fmt(Fmt, LBL, X, Y, W, H) VALUES(?, '金额', 10, 10, "
                               "50, 6)",
                               {name}));
    const qint64 id = store::LastInsertId();
    ASSERT_TRUE(
        store::ExecSQL("INSERT INTO 历史(Fmt, ID, CID, Con) VALUES(?, 1, ?, '100')", {name, id}));
    ASSERT_TRUE(store::ExecSQL("INSERT INTO 映射(ID, Fmt, Map) VALUES(?, ?, 'A')", {id, name}));
}

int RowOf(const store::FlexGrid &g, const QString &name)
{
    for (int r = g.FixedRows(); r < g.Rows(); ++r)
        if (g.TextMatrix(r, 3) == name)
            return r;
    return -1;
}

TEST_F(CatalogueTest, FormatManager)
{
    for (const char *n : {"支票abc", "支票ABC", "进账单2"})
        AddFormat(QString::fromUtf8(n));
    ASSERT_TRUE(store::SetPara("格式查找", "a||c"));
    QAction *choose = w->findChild<QAction *>("m_FCom(30)");
    ASSERT_TRUE(choose);

    // Shown with the current row red and ticked; the list holds the formats of kind by name.
    QStringList names;
    int redRow = -1;
    QString tick, history;
    whenModal<library::FmtList>([&](library::FmtList *d) {
        store::FlexGrid &g = *d->MSF;
        for (int r = g.FixedRows(); r < g.Rows(); ++r)
            names << g.TextMatrix(r, 3);
        redRow = g.Row();
        tick = g.TextMatrix(g.Row(), 2);
        EXPECT_EQ(store::GetCellColor(g.Model(), g.Row(), 3, true), 255u);
        EXPECT_EQ(g.TextMatrix(g.Row(), 4), "240");
        history = d->Skey->currentText() + "/" + QString::number(d->Skey->count());
        // The search: case-sensitive, from the row below, with wrap.
        d->Skey->setEditText("abc");
        d->Com[6]->click();
        EXPECT_EQ(g.TextMatrix(g.Row(), 3), QStringLiteral("支票abc"));
        d->Com[6]->click(); // wraps to the same one: no other holds "abc"
        EXPECT_EQ(g.TextMatrix(g.Row(), 3), QStringLiteral("支票abc"));
        d->Skey->setEditText("b");
        d->Com[6]->click(); // "b" is only in 支票abc: it stays
        EXPECT_EQ(g.TextMatrix(g.Row(), 3), QStringLiteral("支票abc"));
        d->Skey->setEditText("B");
        QTest::keyClick(d->Skey->lineEdit(), Qt::Key_Return);
        EXPECT_EQ(g.TextMatrix(g.Row(), 3), QStringLiteral("支票ABC"));
        // Esc offers to clear the keyword list; answered No it stays.
        store::RecordingReporter &r = **m_rec;
        r.answer = false;
        QTest::keyClick(d->Skey->lineEdit(), Qt::Key_Escape);
        EXPECT_EQ(r.messages.value(0), QStringLiteral("您要清除搜索关键词列表？"));
        EXPECT_EQ(d->Skey->count(), 2);
        EXPECT_TRUE(d->isVisible());
        d->Com[0]->click(); // choose it
    });
    choose->trigger();
    EXPECT_EQ(names, (QStringList{"进账单", "进账单2", "支票abc", "支票ABC", "转账支票"}));
    EXPECT_EQ(tick, QStringLiteral("√"));
    EXPECT_EQ(names.value(redRow - 2), QStringLiteral("转账支票"));
    EXPECT_EQ(history, "a/2");
    EXPECT_EQ(w->context().FormatName(), QStringLiteral("支票ABC"));
    EXPECT_EQ(store::GetPara("格式查找"), "B||a||c");

    // The current format alone: refused, and nothing is said to be done.
    rec().messages.clear();
    whenModal<library::FmtList>([&](library::FmtList *d) {
        store::FlexGrid &g = *d->MSF;
        g.SetRow(RowOf(g, "支票ABC"));
        g.SetRowSel(RowOf(g, "支票ABC"));
        d->Com[4]->click();
        EXPECT_EQ(g.Rows() - g.FixedRows(), 5);
        d->Com[1]->click();
    });
    choose->trigger();
    EXPECT_EQ(rec().messages, QStringList{"此格式为当前格式，不允许删除！"});

    // Deleting a range that holds the current format: the others go with their history and
    // column map, the current one stays.
    rec().messages.clear();
    rec().answer = true;
    whenModal<library::FmtList>([&](library::FmtList *d) {
        store::FlexGrid &g = *d->MSF;
        const int first = RowOf(g, "进账单2"), last = RowOf(g, "支票ABC");
        g.SetRow(first);
        g.SetRowSel(last);
        d->Com[4]->click();
        QStringList left;
        for (int r = g.FixedRows(); r < g.Rows(); ++r)
            left << g.TextMatrix(r, 3);
        EXPECT_EQ(left, (QStringList{"进账单", "支票ABC", "转账支票"}));
        EXPECT_EQ(store::GetCellColor(g.Model(), RowOf(g, "支票ABC"), 3, true), 255u);
        d->Com[1]->click(); // quit: the format stays
    });
    choose->trigger();
    EXPECT_EQ(rec().messages,
              (QStringList{"此格式为当前格式，不允许删除！", "您确定要删除格式：“支票abc”？",
                           "您确定要删除格式：“进账单2”？", "删除完成！"}));
    EXPECT_EQ(w->context().FormatName(), QStringLiteral("支票ABC"));
    EXPECT_EQ(SqliteTrimmed("SELECT COUNT(*) FROM Fmt WHERE Fmt IN ('支票abc','进账单2');"), "0");
    EXPECT_EQ(SqliteTrimmed("SELECT COUNT(*) FROM 历史 WHERE Fmt IN ('支票abc','进账单2');"), "0");
    EXPECT_EQ(SqliteTrimmed("SELECT COUNT(*) FROM 映射 WHERE Fmt IN ('支票abc','进账单2');"), "0");
    EXPECT_EQ(SqliteTrimmed("SELECT COUNT(*) FROM 历史 WHERE Fmt='支票ABC';"), "1");

    // An import answered Yes opens the new format while the manager is open; the list marks it.
    const QString file = m_dir.path() + "/新支票.cqf";
    Put("/../新支票.cqf", store::ToGbk(library::FmtFileText(QStringLiteral("转账支票"))));
    library::SetFileQuestion(
        [&](const QString &, bool save, const QString &) { return save ? QString() : file; });
    rec().messages.clear();
    QString marked;
    whenModal<library::FmtList>([&](library::FmtList *d) {
        d->Com[3]->click();
        marked = d->MSF->TextMatrix(d->MSF->Row(), 3);
        EXPECT_EQ(store::GetCellColor(d->MSF->Model(), d->MSF->Row(), 3, true), 255u);
        d->close(); // the close box: nothing chosen
    });
    choose->trigger();
    EXPECT_EQ(rec().messages, QStringList{"格式“新支票”导入成功,立即调用此格式？"});
    EXPECT_EQ(marked, QStringLiteral("新支票"));
    EXPECT_EQ(w->context().FormatName(), QStringLiteral("新支票"));
    EXPECT_EQ(w->LFMT(0)->caption(), QStringLiteral("新支票"));
}

// A server that takes the connection and never answers: the wait shows the progress window
// and ends, after the tries, with a message; the list stays as it was.
TEST_F(CatalogueTest, ServerThatNeverAnswersIsToldAfterTheTries)
{
    library::SetCatalogueListTimeout(0.2);
    QTcpServer mute;
    ASSERT_TRUE(mute.listen(QHostAddress::LocalHost));
    ASSERT_TRUE(store::SaveRegStr("KVRTM", "Web", "Server",
                                  QStringLiteral("http://127.0.0.1:%1/").arg(mute.serverPort())));
    // Whether the progress window is up each time a try reaches the server.
    QStringList shown;
    QObject::connect(&mute, &QTcpServer::newConnection, [&] {
        shown << (store::ProgressShowing() ? QStringLiteral("shown") : QStringLiteral("hidden"));
    });
    QElapsedTimer t;
    t.start();
    library::FmtDown *d = Catalogue(); // an empty list is fetched on opening
    d->Com[0]->click();
    EXPECT_LT(t.elapsed(), 5000);
    library::SetCatalogueListTimeout(60);
    EXPECT_FALSE(shown.isEmpty());
    EXPECT_FALSE(shown.contains(QStringLiteral("hidden"))) << shown.join(u' ').toStdString();
    EXPECT_FALSE(store::ProgressShowing());
    EXPECT_EQ(rec().messages, QStringList(2, "无法取得格式模板列表：网络错误！"));
    EXPECT_EQ(d->MSF->Rows(), d->MSF->FixedRows());
    d->close();
}

// A catalogue request that gets no answer for a while: Esc on its progress window ends it and
// its tries at once, the window takes every command right after, and the answer that comes
// late changes nothing. A command that comes while the request runs says why it cannot run.
TEST_F(CatalogueTest, EscEndsTheListRequestAndItsTries)
{
    Serve();
    Put("/xrm/fmt.asp", kCatalogue);
    Put("/pic/boc.jpg", Jpeg(300, 120, Qt::blue));
    Put("/pic/icbc.jpg", Jpeg(200, 600, Qt::green));
    library::FmtDown *d = Catalogue();
    store::FlexGrid &g = *d->MSF;
    ASSERT_EQ(g.Rows() - g.FixedRows(), 3);
    const QString table = SqliteTrimmed("SELECT * FROM 网站格式 ORDER BY ID;");

    // From now on the server holds the list back (far less than a try's allowance of 60 s) and
    // then would answer with another one.
    Put("/xrm/fmt.asp", store::ToGbk("支票|迟到的格式|/fmt/late.cqf|/pic/late.jpg|2022-01-01"
                                     "<br>Finished<BR>"));
    Put("/xrm/fmt.asp.delay", "1.5");
    const QString busy =
        QStringLiteral("正在与格式下载网站通信，请等它完成，或在进度窗口按Esc键中止后再试。");
    int listRequests = 0;
    bool progressShown = false;
    QElapsedTimer sinceEsc;
    server.OnRequest([&](const QString &line) {
        if (!line.startsWith(QStringLiteral("GET /xrm/fmt.asp")))
            return;
        ++listRequests;
        progressShown = store::ProgressShowing();
        if (listRequests == 1) {
            // Commands of the window while its request runs.
            d->Com[0]->click();
            d->Com[1]->click();
        }
        sinceEsc.start();
        KeyThroughWindow(store::IndicatorWindow(), Qt::Key_Escape);
    });

    const auto update = [&] {
        sinceEsc.invalidate();
        ClickThroughWindow(d->Com[0]);
        ASSERT_TRUE(sinceEsc.isValid());
        EXPECT_LT(sinceEsc.elapsed(), 500);
        EXPECT_TRUE(progressShown);
        EXPECT_FALSE(store::ProgressShowing());
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    };
    update();
    EXPECT_EQ(listRequests, 1);
    EXPECT_EQ(rec().messages, QStringList(2, busy));
    rec().messages.clear();

    // "更新列表" at once sends a new request (and Esc ends it as well).
    update();
    EXPECT_EQ(listRequests, 2);

    // A click on a row is taken at once: its preview is fetched and shown.
    const QRect cell = g.visualRect(g.model()->index(3 - g.FixedRows(), 6));
    QTest::mouseClick(g.viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    EXPECT_EQ(g.Row(), 3);
    EXPECT_EQ(g.TextMatrix(3, 4), QStringLiteral("√"));
    EXPECT_TRUE(QFile::exists(home() + "/Temp/icbc.jpg"));
    EXPECT_TRUE(d->Preview->Showing());
    EXPECT_TRUE(rec().messages.isEmpty()) << rec().messages.join('|').toStdString();

    // The server's late answers go nowhere: no further try, the list and its table as before.
    const int picture = 1;
    ASSERT_TRUE(server.WaitDone(1 + picture + 2 + picture, 10000));
    QCoreApplication::processEvents();
    EXPECT_EQ(listRequests, 2);
    EXPECT_EQ(g.Rows() - g.FixedRows(), 3);
    EXPECT_EQ(g.TextMatrix(2, 6), QStringLiteral("中国银行转账支票"));
    EXPECT_EQ(SqliteTrimmed("SELECT * FROM 网站格式 ORDER BY ID;"), table);
    EXPECT_TRUE(rec().messages.isEmpty()) << rec().messages.join('|').toStdString();
    d->close();
}

// A termination request while the catalogue waits for its server: the request ends at once
// (no further try), and the catalogue and the main window close only once the request has
// returned, the catalogue's keyword saved as at every close.
TEST_F(CatalogueTest, TerminationWhileTheListIsFetchedClosesAfterTheRequest)
{
    Serve();
    Put("/xrm/fmt.asp", kCatalogue);
    QPointer<library::FmtDown> d = Catalogue();
    d->Skey->setText(QStringLiteral("工行"));
    Put("/xrm/fmt.asp.delay", "1.5");
    store::CatchTerminationSignals();
    store::CloseWindowsOnTerminationSignals();
    int listRequests = 0;
    server.OnRequest([&](const QString &line) {
        if (line.startsWith(QStringLiteral("GET /xrm/fmt.asp")) && ++listRequests == 1)
            ::raise(SIGTERM);
    });
    bool inside = false, catalogueGoneInside = false, windowGoneInside = false;
    QObject::connect(d, &QObject::destroyed, [&] { catalogueGoneInside = inside; });
    QObject::connect(w, &QObject::destroyed, [&] { windowGoneInside = inside; });
    QElapsedTimer t;
    t.start();
    inside = true;
    d->Com[0]->click();
    inside = false;
    EXPECT_LT(t.elapsed(), 1000);
    EXPECT_FALSE(catalogueGoneInside);
    EXPECT_FALSE(windowGoneInside);
    QTRY_VERIFY(!d && !w);
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::signal(sig, SIG_DFL);
    ASSERT_TRUE(server.WaitDone(2 + 1));
    EXPECT_EQ(listRequests, 1);
    EXPECT_EQ(store::GetPara("格式搜索"), QStringLiteral("工行"));
}

} // namespace
