#include "mainwin/historytab.h"
#include "mainwin/printing.h"

#include "../common/smalldisk.h"
#include "mainwin_fixture.h"
#include "window_fixture.h"

#include "library/fmtfile.h"
#include "mainwin/mainwindow.h"
#include "mainwin/menus.h"
#include "page/pageview.h"
#include "mainwin/notifyinglabel.h"
#include "page/field.h"
#include "page/registry.h"
#include "print/margin.h"
#include "print/pagewriter.h"
#include "print/pdftext.h"
#include "print/printers.h"
#include "print/printrun.h"
#include "store/model/context.h"
#include "store/view/grid.h"
#include "store/ui/indicator.h"
#include "store/ui/msgbox.h"
#include "store/db/paths.h"
#include "store/db/textfile.h"
#include "store/ui/startup.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGlyphRun>
#include <QLineEdit>
#include <QLockFile>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QPushButton>
#include <QRawFont>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

using mainwin::MainWindow;

namespace {

constexpr int kPayee = 8;   // 收款人
constexpr int kAmount = 10; // 小写金额

class PrintingTest : public MainWinTest
{
protected:
    void SetUp() override
    {
        MainWinTest::SetUp();
        mainwin::PrintQuestions q;
        q.choosePrinter = [this] {
            ++asked;
            return cancel ? QString() : ChoosePdfPrinter();
        };
        q.pdfFileName = [this] {
            ++fileAsked;
            progressWhenAsked |= store::IndicatorWindow() != nullptr;
            return pdfFile;
        };
        ASSERT_NO_FATAL_FAILURE(ShowChequeWindow(w, q));
        printing = &w->printing();
        ASSERT_EQ(w->LFMT(0)->caption(), QStringLiteral("转账支票"));
    }
    void TearDown() override
    {
        w.reset();
        MainWinTest::TearDown();
    }

    page::TextField *text(int index) const
    {
        return static_cast<page::TextField *>(w->fields()->GetCtlByIdx(index));
    }
    qint32 cid(int index) const { return *w->context().Fields()->CtlID(index); }

    // Print number and value of the field in every stored print of the cheque, oldest first,
    // read by the sqlite3 client from the program's database.
    QStringList history(int index) const
    {
        const QString sql = QStringLiteral("SELECT ID || '=' || Con FROM 历史 WHERE "
                                           "Fmt='转账支票' AND CID=%1 ORDER BY ID;")
                                .arg(cid(index));
        return RunTool(QStringLiteral("sqlite3"), {store::DataFilePath(), sql})
            .split('\n', Qt::SkipEmptyParts);
    }

    // Records for the payee and the amount (three unless told), as the import leaves them.
    void setUpBatch(int count = 3)
    {
        store::FlexGrid &g = *w->MSF(1);
        g.SetRedraw(false);
        g.SetCols(3);
        g.SetRows(2 + count);
        g.SetFixedRows(2);
        g.SetFixedCols(1);
        g.SetTextMatrix(0, 1, QString::number(kPayee));
        g.SetTextMatrix(0, 2, QString::number(kAmount));
        g.SetTextMatrix(1, 1, QStringLiteral("收款人"));
        g.SetTextMatrix(1, 2, QStringLiteral("小写金额"));
        const QStringList payees{"甲公司", "乙公司", "丙公司"};
        const QStringList amounts{"100.00", "2500.50", "38.07"};
        for (int i = 0; i < count; ++i) {
            g.SetTextMatrix(2 + i, 1, payees.value(i, QStringLiteral("第%1家").arg(i + 1)));
            g.SetTextMatrix(2 + i, 2, amounts.value(i, QStringLiteral("%1.00").arg(i + 1)));
        }
        g.SetRedraw(true);
        w->resetBatchNav(g.Model());
    }

    std::unique_ptr<MainWindow> w;
    mainwin::Printing *printing = nullptr;
    QString pdfFile = m_dir.filePath(QStringLiteral("out.pdf"));
    bool cancel = false;
    int asked = 0;
    int fileAsked = 0;
    bool progressWhenAsked = false;
};

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Widgets of the window painted while something runs.
// Counts the paint events of a widget and everything inside it.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget *area) : m_area(area) { qApp->installEventFilter(this); }
    ~PaintCounter() override { qApp->removeEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::Paint && o->isWidgetType() &&
            (o == m_area || m_area->isAncestorOf(static_cast<QWidget *>(o))))
            ++paints;
        return false;
    }

private:
    QWidget *m_area;
};

TEST_F(PrintingTest, PrintButtonPrintsThePageAndRecordsIt)
{
    QLineEdit *box = text(kAmount)->Box();
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("1234.50"));
    ASSERT_EQ(text(kAmount)->Text(), QStringLiteral("1234.50"));
    w->MSF(2)->SetTag(QStringLiteral("转账支票|300"));

    w->COM(0)->click();

    EXPECT_EQ(asked, 1);
    EXPECT_EQ(PdfPages(pdfFile), 1);
    EXPECT_FALSE(QFile::exists(pdfFile + QStringLiteral(".part")));
    // Leaving the amount converted it, as the print's edit finish leaves it.
    EXPECT_EQ(history(kAmount), QStringList{QStringLiteral("1=￥1,234.50")});
    EXPECT_TRUE(w->MSF(2)->Tag().isEmpty()); // the history tab loads again
    EXPECT_TRUE(rec().messages.isEmpty()) << rec().messages.join('|').toStdString();

    // The next print gets the next number.
    box->clear();
    QTest::keyClicks(box, QStringLiteral("7.00"));
    w->COM(0)->click();
    EXPECT_EQ(history(kAmount), (QStringList{"1=￥1,234.50", "2=￥7.00"}));
}

// Every word of a printed PDF with its box, as pdftotext -bbox reads it.
QStringList WordBoxes(const QString &pdf)
{
    QStringList words;
    const QString xml = RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf,
                                                             QStringLiteral("-")});
    static const QRegularExpression word(QStringLiteral("<word [^>]*>[^<]*</word>"));
    for (auto it = word.globalMatch(xml); it.hasNext();)
        words << it.next().captured(0);
    return words;
}

// A row whose kind cell holds no field kind (empty, or a fraction) makes no field anywhere: the
// page, the printed words and the history stand as without it, and opening the format names it.
TEST_F(PrintingTest, RowWithoutAFieldKindIsNeitherShownNorPrintedNorRecorded)
{
    const auto printOnce = [&](const QString &file) {
        pdfFile = file;
        QLineEdit *payee = text(kPayee)->Box();
        QTest::mouseClick(payee, Qt::LeftButton);
        QTest::keyClicks(payee, QStringLiteral("ACME Trading"));
        QLineEdit *amount = text(kAmount)->Box();
        QTest::mouseClick(amount, Qt::LeftButton);
        QTest::keyClicks(amount, QStringLiteral("8000.5"));
        QTest::mouseClick(w->COM(0), Qt::LeftButton);
        return WordBoxes(file);
    };
    const auto printed = [](int print) {
        return RunTool(QStringLiteral("sqlite3"),
                       {store::DataFilePath(),
                        QStringLiteral("SELECT CID || '=' || Con FROM 历史 WHERE Fmt='转账支票' "
                                       "AND ID=%1 ORDER BY CID;")
                            .arg(print)});
    };
    const QStringList clean = printOnce(m_dir.filePath(QStringLiteral("clean.pdf")));
    ASSERT_FALSE(clean.isEmpty());
    ASSERT_TRUE(printed(1).contains(QStringLiteral("=￥8,000.50")));
    ASSERT_TRUE(printed(1).contains(QStringLiteral("捌仟元伍角整")));

    // A row without a kind sorts before every field; one of kind 1.6 after the check boxes.
    for (const char *clas : {"NULL", "1.6"}) {
        ASSERT_TRUE(store::ExecSQL(
            QStringLiteral("INSERT INTO Fmt(Fmt, LBL, Dir, X, Y, W, H, fName, fSize, Clas, Cash) "
                           "VALUES('转账支票', ?, 0, 30, 30, 40, 6, '宋体', 10, %1, 0)")
                .arg(QLatin1String(clas)),
            {QStringLiteral("坏行") + QLatin1String(clas)}));
    }
    const int before = w->fields()->CtlCount(0) + w->fields()->CtlCount(1) +
                       w->fields()->CtlCount(2) + w->fields()->CtlCount(4);
    rec().messages.clear();
    w->OpenFmt(QStringLiteral("转账支票"), true);
    ASSERT_EQ(rec().messages.size(), 1) << rec().messages.join('|').toStdString();
    EXPECT_TRUE(rec().messages[0].contains(QStringLiteral("坏行NULL")));
    EXPECT_TRUE(rec().messages[0].contains(QStringLiteral("坏行1.6")));
    EXPECT_EQ(w->fields()->CtlCount(0) + w->fields()->CtlCount(1) + w->fields()->CtlCount(2) +
                  w->fields()->CtlCount(4),
              before);
    text(kPayee)->SetText(QString());
    text(kAmount)->SetText(QString());

    rec().messages.clear();
    EXPECT_EQ(printOnce(m_dir.filePath(QStringLiteral("odd.pdf"))), clean);
    EXPECT_EQ(printed(2), printed(1));
    EXPECT_TRUE(rec().messages.isEmpty()) << rec().messages.join('|').toStdString();
    // The rows stay as they are stored.
    EXPECT_EQ(RunTool(QStringLiteral("sqlite3"),
                      {store::DataFilePath(),
                       QStringLiteral("SELECT COALESCE(Clas, 'null') FROM Fmt WHERE LBL LIKE "
                                      "'坏行%' ORDER BY ID;")}),
              QStringLiteral("null\n1.6\n"));

    // The same rows brought in by a format file, the 1.6 written as the file has it.
    const QString cqf = m_dir.filePath(QStringLiteral("坏行.cqf"));
    QStringList lines = library::FmtFileText(QStringLiteral("转账支票")).split(QStringLiteral("\r\n"));
    ASSERT_GT(lines.size(), 3);
    lines[1] = QStringLiteral("转账支票乙");
    ASSERT_TRUE(lines.filter(QStringLiteral("坏行1.6")).join(QString()).contains(u"1.6"));
    ASSERT_EQ(store::WriteTextFile(lines.join(QStringLiteral("\r\n")), cqf), 1);
    library::SetFileQuestion([cqf](const QString &, bool, const QString &) { return cqf; });
    rec().messages.clear();
    rec().answer = true; // open it at once
    QAction *import = w->menus().mFormat->findChild<QAction *>(QStringLiteral("mInputFormat"));
    ASSERT_TRUE(import);
    import->trigger();
    library::SetFileQuestion({});
    ASSERT_EQ(w->context().FormatName(), QStringLiteral("转账支票乙"));
    EXPECT_EQ(rec().messages.filter(QStringLiteral("坏行1.6")).size(), 1)
        << rec().messages.join('|').toStdString();
    text(kPayee)->SetText(QString());
    text(kAmount)->SetText(QString());
    EXPECT_EQ(printOnce(m_dir.filePath(QStringLiteral("imported.pdf"))), clean);
    const auto contents = [](const QString &fmt) {
        return RunTool(QStringLiteral("sqlite3"),
                       {store::DataFilePath(),
                        QStringLiteral("SELECT Con FROM 历史 WHERE Fmt='%1' AND ID=1 ORDER BY CID;")
                            .arg(fmt)});
    };
    EXPECT_EQ(contents(QStringLiteral("转账支票乙")), contents(QStringLiteral("转账支票")));
}

TEST_F(PrintingTest, CancelledPrinterChoicePrintsAndRecordsNothing)
{
    QTest::keyClicks(text(kAmount)->Box(), QStringLiteral("5.00"));
    cancel = true;
    w->COM(0)->click();
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(QFile::exists(pdfFile));
    EXPECT_TRUE(history(kAmount).isEmpty());
}

TEST_F(PrintingTest, AmountLongerThanItsBoxesIsRefused)
{
    QTest::keyClicks(text(kAmount)->Box(), QStringLiteral("12345678901234"));
    w->COM(0)->click();
    EXPECT_FALSE(QFile::exists(pdfFile));
    EXPECT_TRUE(history(kAmount).isEmpty());
    ASSERT_EQ(rec().messages.size(), 1);
    EXPECT_TRUE(rec().messages[0].contains(QStringLiteral("小写金额")))
        << rec().messages[0].toStdString();
}

TEST_F(PrintingTest, BatchRecordsOnTheScrollBarAndPrintedOnePageEach)
{
    // No records: nothing to step through or to print all of.
    EXPECT_FALSE(w->COM(1)->isEnabled());
    EXPECT_FALSE(w->HS()->isEnabled());

    // One print before the batch, so that the batch continues its numbering.
    QTest::keyClicks(text(kAmount)->Box(), QStringLiteral("1.00"));
    w->COM(0)->click();
    ASSERT_EQ(history(kAmount), QStringList{QStringLiteral("1=1.00")});

    setUpBatch();
    EXPECT_TRUE(w->COM(1)->isEnabled());
    EXPECT_TRUE(w->HS()->isEnabled());
    EXPECT_EQ(w->HS()->maximum(), 3);
    EXPECT_EQ(w->R_Num(0)->text(), QStringLiteral("3"));
    EXPECT_EQ(w->R_Num(1)->text(), QStringLiteral("1"));
    EXPECT_EQ(text(kPayee)->Text(), QStringLiteral("甲公司"));
    EXPECT_EQ(text(kAmount)->Text(), QStringLiteral("￥100.00"));

    w->HS()->setValue(3);
    EXPECT_EQ(w->R_Num(1)->text(), QStringLiteral("3"));
    EXPECT_EQ(text(kPayee)->Text(), QStringLiteral("丙公司"));
    EXPECT_EQ(text(kAmount)->Text(), QStringLiteral("￥38.07"));
    w->HS()->setValue(2);
    EXPECT_EQ(text(kPayee)->Text(), QStringLiteral("乙公司"));

    pdfFile = m_dir.filePath(QStringLiteral("batch.pdf"));
    w->MSF(2)->SetTag(QStringLiteral("转账支票|300"));
    {
        // The records pass through the page without it being painted for each (at most once,
        // with the record put back), while the rest of the window stays painted for the desktop
        // (the questions before uncovered it).
        PaintCounter counter(w->PG());
        w->COM(1)->click();
        EXPECT_LE(counter.paints, w->PG()->findChildren<QWidget *>().size() + 1);
        EXPECT_TRUE(w->PG()->updatesEnabled());
        EXPECT_TRUE(w->updatesEnabled());
    }
    EXPECT_FALSE(progressWhenAsked); // the file question came before the progress window

    EXPECT_EQ(PdfPages(pdfFile), 3);
    EXPECT_EQ(history(kAmount), (QStringList{"1=1.00", "2=￥100.00", "3=￥2,500.50", "4=￥38.07"}));
    EXPECT_EQ(history(kPayee), (QStringList{"2=甲公司", "3=乙公司", "4=丙公司"}));
    EXPECT_TRUE(w->MSF(2)->Tag().isEmpty());
    // The record shown before the batch is back on the page.
    EXPECT_EQ(w->R_Num(1)->text(), QStringLiteral("2"));
    EXPECT_EQ(text(kPayee)->Text(), QStringLiteral("乙公司"));
    EXPECT_TRUE(rec().messages.isEmpty()) << rec().messages.join('|').toStdString();

    // Emptied: the navigation is reset and print-all is off again.
    w->MSF(1)->SetRows(2);
    w->resetBatchNav(w->MSF(1)->Model());
    EXPECT_FALSE(w->COM(1)->isEnabled());
    EXPECT_EQ(w->R_Num(0)->text(), QStringLiteral("1"));
}

TEST_F(PrintingTest, MessageDuringABatchOpensAboveTheProgressWindowAndTakesTheMouse)
{
    setUpBatch();
    w->MSF(1)->SetTextMatrix(3, 2, QStringLiteral("12345678901234")); // too long for its boxes
    pdfFile = m_dir.filePath(QStringLiteral("batch.pdf"));
    store::MessageBoxReporter boxes;
    store::SetReporter(&boxes);
    QString told, caption;
    bool above = false;
    whenModal<QMessageBox>([&](QMessageBox *box) {
        told = box->text();
        store::Indicator *progress = store::IndicatorWindow();
        above = progress && progress->isVisible() && box->parentWidget() == progress;
        caption = progress ? progress->LBL->text() : QString();
        ClickThroughWindow(box->button(QMessageBox::Ok));
    });
    ClickThroughWindow(w->COM(1));
    store::SetReporter(&rec());
    EXPECT_TRUE(told.startsWith(QStringLiteral("第2条记录：")) && told.contains("小写金额"))
        << told.toStdString();
    EXPECT_TRUE(told.endsWith(QStringLiteral("已打印前1张单据。"))) << told.toStdString();
    EXPECT_TRUE(above);
    EXPECT_EQ(caption, QStringLiteral("正在打印单据……"));
    EXPECT_EQ(PdfPages(pdfFile), 1);
    EXPECT_EQ(history(kPayee), QStringList{QStringLiteral("1=甲公司")});
    ExpectUsable(text(kPayee)->Box());
}

// A page writer held back (a slow printer): all records are handed over at once and the run
// waits for the writer to end the document. Esc on the progress window, and a termination
// request, end that wait at once: the document is given up, nothing is recorded, no part file
// is left.
TEST_F(PrintingTest, WaitForASlowWriterAnswersEscAndTermination)
{
    constexpr int kRecords = 20;
    constexpr auto kPageTime = std::chrono::milliseconds(250);
    setUpBatch(kRecords);
    pdfFile = m_dir.filePath(QStringLiteral("batch.pdf"));
    const QString part = pdfFile + QStringLiteral(".part");
    std::atomic<int> begun{0};
    int handedOver = -1;
    QElapsedTimer sinceEsc;
    print::PageWriter::SetBeforePageHook([&] {
        // On the second page the records are all handed over long since: Esc then falls into
        // the wait for the writer.
        if (++begun == 2) {
            QMetaObject::invokeMethod(qApp, [&] {
                handedOver = store::ProgressState().current;
                sinceEsc.start();
                KeyThroughWindow(store::IndicatorWindow(), Qt::Key_Escape);
            }, Qt::QueuedConnection);
        }
        std::this_thread::sleep_for(kPageTime);
    });
    ClickThroughWindow(w->COM(1));
    const qint64 afterEsc = sinceEsc.isValid() ? sinceEsc.elapsed() : -1;
    print::PageWriter::SetBeforePageHook({});
    EXPECT_EQ(handedOver, kRecords);
    EXPECT_GE(afterEsc, 0);
    EXPECT_LT(afterEsc, 1000);
    EXPECT_LT(begun.load(), 6);
    EXPECT_EQ(rec().messages,
              QStringList{"批量打印已中止：文档没有打印完，已放弃，没有打印也没有记录任何单据。"});
    EXPECT_FALSE(QFile::exists(pdfFile));
    EXPECT_FALSE(QFile::exists(part));
    EXPECT_TRUE(history(kPayee).isEmpty());
    EXPECT_EQ(text(kPayee)->Text(), QStringLiteral("甲公司")); // the record shown before is back
    ExpectUsable(text(kPayee)->Box());

    // The program's termination handling and event loop in a process of its own (the child
    // side below): SIGTERM in the same wait ends it with status 0, the document given up as by
    // Esc, the window closed and saved only once the run has returned.
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUORVAN_TERM_CHILD_PDF"), pdfFile);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=PrintingTest.TerminationChild")});
    QByteArray out;
    while (!out.contains("WRITING\n") && child.waitForReadyRead(30000))
        out += child.readAllStandardOutput();
    ASSERT_TRUE(out.contains("WRITING\n")) << out.toStdString();
    const QString childHome =
        QString::fromUtf8(out).section(QStringLiteral("HOME "), 1).section(u'\n', 0, 0);
    QElapsedTimer sinceTerm;
    sinceTerm.start();
    child.terminate();
    ASSERT_TRUE(child.waitForFinished(30000));
    const qint64 afterTerm = sinceTerm.elapsed();
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    out += child.readAllStandardOutput();
    EXPECT_EQ(child.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains("MESSAGES 0\n")) << out.toStdString();
    EXPECT_LT(afterTerm, 2000);
    EXPECT_FALSE(QFile::exists(pdfFile));
    EXPECT_FALSE(QFile::exists(part));
    ASSERT_FALSE(childHome.isEmpty());
    EXPECT_EQ(RunTool(QStringLiteral("sqlite3"),
                      {childHome + QStringLiteral("/DATA.mdb"), "SELECT COUNT(*) FROM 历史;"})
                  .trimmed(),
              QStringLiteral("0"));
    // The child's whole temporary folder: its program folder and config folder.
    QDir(QFileInfo(childHome).path()).removeRecursively();
}

// The child side of the test above: the window with a held-back page writer under the program's
// own termination handling and event loop; it tells its folder and when the writer has begun.
TEST_F(PrintingTest, TerminationChild)
{
    const QString pdf = qEnvironmentVariable("QUORVAN_TERM_CHILD_PDF");
    if (pdf.isEmpty())
        GTEST_SKIP() << "run by WaitForASlowWriterAnswersEscAndTermination";
    setUpBatch(20);
    pdfFile = pdf;
    // The folder outlives this process for the parent to read.
    m_dir.setAutoRemove(false);
    std::printf("HOME %s\n", qPrintable(home()));
    std::fflush(stdout);
    store::CatchTerminationSignals();
    store::CloseWindowsOnTerminationSignals();
    int pages = 0;
    print::PageWriter::SetBeforePageHook([&] {
        if (++pages == 2) {
            std::printf("WRITING\n");
            std::fflush(stdout);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    });
    // As the program's own main window: it goes once closed, but never under a command that
    // still runs.
    MainWindow *window = w.release();
    window->setAttribute(Qt::WA_DeleteOnClose);
    bool running = false, goneUnderTheRun = false;
    QObject::connect(window, &QObject::destroyed, [&] { goneUnderTheRun = running; });
    QTimer::singleShot(0, [&] {
        running = true;
        window->COM(1)->click();
        running = false;
    });
    const int rc = QApplication::exec();
    // Nothing is said on the way out (a message box would hold the end up).
    std::printf("MESSAGES %d\n", int(rec().messages.size()));
    std::fflush(stdout);
    ::_exit(goneUnderTheRun ? 20 : rc);
}

TEST_F(PrintingTest, PdfOnAFullDiskFailsKeepsTheEarlierFileAndRecordsNothing)
{
    SmallDisk disk(m_dir.filePath(QStringLiteral("small")));
    if (!disk.mounted())
        GTEST_SKIP() << "a small tmpfs cannot be mounted here (needs root)";
    pdfFile = m_dir.filePath(QStringLiteral("small/out.pdf"));
    QLineEdit *box = text(kAmount)->Box();
    QTest::keyClicks(box, QStringLiteral("1.00"));
    w->COM(0)->click();
    ASSERT_EQ(PdfPages(pdfFile), 1);
    ASSERT_EQ(history(kAmount), QStringList{QStringLiteral("1=1.00")});
    const QByteArray earlier = readAll(pdfFile);

    // Room for the start of a file (one block), not for a whole one.
    disk.fill(4096);
    const QString failed = QStringLiteral("无法写入文件“%1”！\n磁盘空间不足。").arg(pdfFile);
    box->clear();
    QTest::keyClicks(box, QStringLiteral("2.00"));
    w->COM(0)->click();
    EXPECT_EQ(rec().messages, QStringList{failed});
    EXPECT_EQ(readAll(pdfFile), earlier);
    EXPECT_FALSE(QFile::exists(pdfFile + QStringLiteral(".part")));
    EXPECT_EQ(history(kAmount), QStringList{QStringLiteral("1=1.00")});

    // A batch, with that room and with none: one message for the document, no print of it
    // recorded.
    setUpBatch();
    for (const qint64 left : {4096, 0}) {
        disk.fill(left);
        rec().messages.clear();
        w->COM(1)->click();
        EXPECT_EQ(rec().messages, QStringList{failed});
        EXPECT_EQ(readAll(pdfFile), earlier);
        EXPECT_FALSE(QFile::exists(pdfFile + QStringLiteral(".part")));
        EXPECT_EQ(history(kAmount), QStringList{QStringLiteral("1=1.00")});
    }
}

// A folder nobody may write in (an immutable one: the tests run as root, whom permissions do not
// stop): the message names the file and says why.
TEST_F(PrintingTest, PdfIntoAFolderWithoutWritePermissionSaysWhy)
{
    const QString folder = m_dir.filePath(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const auto immutable = [&](bool on) {
        return QProcess::execute(QStringLiteral("chattr"), {on ? "+i" : "-i", folder}) == 0;
    };
    if (!immutable(true))
        GTEST_SKIP() << "the file system here has no immutable folders";
    const auto unlock = qScopeGuard([&] { immutable(false); });
    pdfFile = folder + QStringLiteral("/out.pdf");
    w->COM(0)->click();
    EXPECT_EQ(rec().messages,
              QStringList{QStringLiteral("无法写入文件“%1”！\n没有写入权限。").arg(pdfFile)});
    EXPECT_TRUE(QDir(folder).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    EXPECT_TRUE(history(kAmount).isEmpty());
}

TEST_F(PrintingTest, BatchWhoseHistoryCannotBeStoredLeavesTheEarlierFileAndTellsOnce)
{
    setUpBatch();
    pdfFile = m_dir.filePath(QStringLiteral("batch.pdf"));
    {
        QFile earlier(pdfFile);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier");
    }
    ASSERT_TRUE(store::ExecSQL(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON 历史 "
                                              "BEGIN SELECT RAISE(ABORT, 'refused'); END")));
    w->COM(1)->click();
    // The database's message, then what became of the file.
    ASSERT_EQ(rec().messages.size(), 2) << rec().messages.join('|').toStdString();
    EXPECT_EQ(rec().messages.at(1),
              QStringLiteral("这次打印未能记入历史，文件“%1”没有写入。").arg(pdfFile));
    EXPECT_EQ(readAll(pdfFile), QByteArray("earlier"));
    EXPECT_FALSE(QFile::exists(pdfFile + QStringLiteral(".part")));
    EXPECT_TRUE(history(kPayee).isEmpty());

    // The history fails only at its commit, once the file has taken its place (as on a disk that
    // fills up under the database): the file is kept, and the message says so.
    ASSERT_TRUE(store::ExecSQL(QStringLiteral("DROP TRIGGER refuse")));
    ASSERT_TRUE(store::ExecSQL(QStringLiteral("PRAGMA foreign_keys=ON")));
    ASSERT_TRUE(store::ExecSQL(QStringLiteral("CREATE TABLE never(id INTEGER PRIMARY KEY)")));
    ASSERT_TRUE(store::ExecSQL(QStringLiteral("CREATE TABLE late(p INTEGER REFERENCES never(id) "
                                              "DEFERRABLE INITIALLY DEFERRED)")));
    ASSERT_TRUE(store::ExecSQL(QStringLiteral("CREATE TRIGGER atcommit AFTER INSERT ON 历史 "
                                              "BEGIN INSERT INTO late VALUES(-1); END")));
    rec().messages.clear();
    w->COM(1)->click();
    ASSERT_EQ(rec().messages.size(), 2) << rec().messages.join('|').toStdString();
    EXPECT_EQ(rec().messages.join('|').toStdString(),
              (QStringLiteral("数据库打开错误(COMMIT)！|文件“%1”已经写入，但这次打印未能记入历史。")
                   .arg(pdfFile))
                  .toStdString());
    EXPECT_EQ(PdfPages(pdfFile), 3);
    EXPECT_FALSE(QFile::exists(pdfFile + QStringLiteral(".part")));
    EXPECT_TRUE(history(kPayee).isEmpty());
    ASSERT_TRUE(store::ExecSQL(QStringLiteral("PRAGMA foreign_keys=OFF")));
}

TEST_F(PrintingTest, UnfinishedPdfOfAnInterruptedRunIsRemovedAtTheNextStart)
{
    print::Current().Select(print::kPdfPrinterName);
    const QString part = pdfFile + QStringLiteral(".part");
    // A run that ends in the middle of a document.
    const pid_t child = ::fork();
    if (child == 0) {
        printing->run().PrintFmt(false, true);
        ::_exit(QFile::exists(part) ? 0 : 1);
    }
    ASSERT_GT(child, 0);
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_TRUE(QFile::exists(part));

    // The next start of the program.
    QWidget shown;
    store::StartupHooks hooks;
    hooks.showMainWindow = [&shown] { return &shown; };
    std::unique_ptr<QLockFile> lock;
    EXPECT_EQ(store::Main(hooks, lock), std::nullopt);
    EXPECT_FALSE(QFile::exists(part));
    EXPECT_FALSE(QFile::exists(pdfFile));
}

TEST_F(PrintingTest, MarginsFromTheMarginButtonSurviveARestart)
{
    w->COM(36)->click();
    auto *m = w->findChild<print::Margin *>();
    ASSERT_NE(m, nullptr);
    m->TX->setText(QStringLiteral("3"));
    m->TY->setText(QStringLiteral("-2"));
    m->Comm[0]->click();
    // Kept in the format's whole-format row as 10 - margin.
    EXPECT_EQ(RunTool(QStringLiteral("sqlite3"),
                      {QStringLiteral("-separator"), QStringLiteral(","), store::DataFilePath(),
                       QStringLiteral("SELECT X, Y FROM Fmt WHERE Fmt='转账支票' AND "
                                      "LBL='【§单据整体格式参数§】';")})
                  .trimmed(),
              QStringLiteral("7.0,12.0"));

    w->close();
    w = std::make_unique<MainWindow>();
    QSignalSpy loaded(w.get(), &MainWindow::loadFinished);
    w->show();
    ASSERT_TRUE(loaded.count() > 0 || loaded.wait(5000));
    EXPECT_EQ(w->LFMT(0)->caption(), QStringLiteral("转账支票"));
    EXPECT_EQ(w->M_X()->text(), QStringLiteral("3"));
    EXPECT_EQ(w->M_Y()->text(), QStringLiteral("-2"));
}

TEST_F(PrintingTest, MarginButtonEditsTheMargins)
{
    w->context().SetMargins(QStringLiteral("10"), QStringLiteral("10"));
    w->COM(36)->click();
    auto *m = w->findChild<print::Margin *>();
    ASSERT_NE(m, nullptr);
    EXPECT_FALSE(m->isModal()); // the main window stays usable
    EXPECT_EQ(m->TX->text(), QStringLiteral("10"));
    m->TX->setText(QStringLiteral("12"));
    m->TY->setText(QStringLiteral("8.5"));
    m->Comm[0]->click();
    EXPECT_EQ(w->context().MarginX(), QStringLiteral("12"));
    EXPECT_EQ(w->context().MarginY(), QStringLiteral("8.5"));
    EXPECT_EQ(w->M_X()->text(), QStringLiteral("12"));
}

} // namespace

TEST_F(PrintingTest, HistoryTabShowsPrintsNewestFirstDeletesAndReprints)
{
    QLineEdit *box = text(kAmount)->Box();
    for (const char *amount : {"1.00", "2.00", "3.00"}) {
        box->clear();
        QTest::keyClicks(box, QString::fromLatin1(amount));
        w->COM(0)->click();
    }
    ASSERT_EQ(history(kAmount), (QStringList{"1=1.00", "2=2.00", "3=3.00"}));

    w->SST()->setCurrentIndex(2);
    store::FlexGrid &g = *w->MSF(2);
    ASSERT_EQ(g.Rows(), 5);
    int amountCol = -1;
    for (int c = 0; c < g.Cols(); ++c)
        if (g.TextMatrix(0, c) == QString::number(cid(kAmount)))
            amountCol = c;
    ASSERT_GE(amountCol, 0);
    EXPECT_EQ(g.TextMatrix(2, amountCol), QStringLiteral("3.00"));
    EXPECT_EQ(g.TextMatrix(4, amountCol), QStringLiteral("1.00"));
    EXPECT_FALSE(w->COM(25)->isEnabled()); // every print is shown

    // Deleting the middle print leaves the others.
    g.SetRow(3);
    g.SetRowSel(3);
    rec().answer = true;
    w->COM(21)->click();
    EXPECT_EQ(history(kAmount), (QStringList{"1=1.00", "3=3.00"}));

    // One print selected: its values come back onto the page, nothing is printed.
    g.SetRow(g.Rows() - 1);
    g.SetRowSel(g.Rows() - 1);
    QFile::remove(pdfFile);
    const int askedBefore = asked;
    w->COM(20)->click();
    EXPECT_EQ(w->SST()->currentIndex(), 0);
    EXPECT_EQ(text(kAmount)->Text(), QStringLiteral("1.00"));
    EXPECT_FALSE(QFile::exists(pdfFile));

    // Both selected: one printer question and one file question, both before the progress
    // window; each reprinted as a document of its own (the second beside the first), unrecorded.
    w->SST()->setCurrentIndex(2);
    g.SetRow(2);
    g.SetRowSel(3);
    const int filesBefore = fileAsked;
    w->COM(20)->click();
    EXPECT_EQ(asked, askedBefore + 1);
    EXPECT_EQ(fileAsked, filesBefore + 1);
    EXPECT_FALSE(progressWhenAsked);
    EXPECT_EQ(PdfPages(pdfFile), 1);
    EXPECT_EQ(PdfPages(m_dir.filePath(QStringLiteral("out-2.pdf"))), 1);
    // Each document holds its own print; the page shows the last one filled.
    const auto pdfText = [](const QString &pdf) {
        return RunTool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")})
            .remove(QLatin1Char(' '));
    };
    EXPECT_TRUE(pdfText(pdfFile).contains(QStringLiteral("￥300")));
    EXPECT_FALSE(pdfText(pdfFile).contains(QStringLiteral("￥100")));
    EXPECT_TRUE(pdfText(m_dir.filePath(QStringLiteral("out-2.pdf"))).contains(QStringLiteral("￥100")));
    EXPECT_EQ(text(kAmount)->Text(), QStringLiteral("1.00"));
    EXPECT_EQ(history(kAmount), (QStringList{"1=1.00", "3=3.00"}));
}

// Text copied or searched in a printed PDF reads as typed: 人, 月, 日 and 角 are the ideographs,
// not the radicals that share their glyphs.
TEST_F(PrintingTest, PdfTextReadsAsTyped)
{
    constexpr int kPurpose = 11; // 用途
    // As an input method enters them.
    text(kPayee)->Box()->insert(QStringLiteral("人民日报社"));
    text(kPurpose)->Box()->insert(QStringLiteral("收款人三月房租伍角"));

    w->COM(0)->click();

    const QString t = RunTool(QStringLiteral("pdftotext"), {pdfFile, QStringLiteral("-")});
    for (const QString &s : {QStringLiteral("人民日报社"), QStringLiteral("收款人三月房租伍角")})
        EXPECT_TRUE(t.contains(s)) << s.toStdString() << " not in " << t.toStdString();
    EXPECT_FALSE(t.contains(QRegularExpression(QStringLiteral("[\\x{2E80}-\\x{2FDF}]"))))
        << t.toStdString();
    EXPECT_EQ(history(kPayee), QStringList{QStringLiteral("1=人民日报社")});
}

// Ideographs beyond the Basic Multilingual Plane read back out of the printed PDF as typed,
// beside ordinary text, on a single print and on every page of a batch, where they come first,
// again and new.
TEST_F(PrintingTest, PdfTextKeepsCharactersBeyondTheBasicPlane)
{
    constexpr int kPurpose = 11; // 用途
    const auto pdfText = [](const QString &pdf) {
        return RunTool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    };
    text(kPayee)->Box()->insert(QStringLiteral("王𠀾𠮷村"));
    text(kPurpose)->Box()->insert(QStringLiteral("收款人三月房租"));
    w->COM(0)->click();
    const QString single = pdfText(pdfFile);
    for (const QString &s : {QStringLiteral("王𠀾𠮷村"), QStringLiteral("收款人三月房租")})
        EXPECT_TRUE(single.contains(s)) << s.toStdString() << " not in " << single.toStdString();
    EXPECT_EQ(history(kPayee), QStringList{QStringLiteral("1=王𠀾𠮷村")});

    setUpBatch();
    const QStringList payees{QStringLiteral("𠮷野家"), QStringLiteral("王𠀾𠮷村"),
                             QStringLiteral("渔港𩸽店")};
    for (int i = 0; i < 3; ++i)
        w->MSF(1)->SetTextMatrix(2 + i, 1, payees[i]);
    pdfFile = m_dir.filePath(QStringLiteral("batch.pdf"));
    w->COM(1)->click();
    ASSERT_EQ(PdfPages(pdfFile), 3);
    const QString batch = pdfText(pdfFile);
    const QStringList pages = batch.split(QLatin1Char('\f'));
    ASSERT_GE(pages.size(), 3) << batch.toStdString();
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(pages[i].contains(payees[i]))
            << payees[i].toStdString() << " not in " << pages[i].toStdString();
        EXPECT_TRUE(pages[i].contains(QStringLiteral("收款人三月房租"))) << pages[i].toStdString();
    }
}

// The pass over the written file changes what the text reads as, never what the page shows:
// text drawn as text and as glyph runs renders pixel for pixel as before.
TEST(PdfText, PagesRenderExactlyAsBefore)
{
    QTemporaryDir dir;
    const QString before = dir.filePath(QStringLiteral("before.pdf"));
    const QString after = dir.filePath(QStringLiteral("after.pdf"));
    const QString text = QStringLiteral("收款人 十二月 九日 伍角 出票人开户银行");
    {
        QPdfWriter pdf(before);
        QPainter p(&pdf);
        for (const char *family : {"Noto Serif CJK SC", "Noto Sans CJK SC"}) {
            QFont f(QString::fromLatin1(family));
            f.setPointSize(16);
            p.setFont(f);
            p.drawText(300, p.font().family().contains(u"Serif") ? 800 : 1600, text);
            QRawFont raw = QRawFont::fromFont(f);
            QGlyphRun run;
            run.setRawFont(raw);
            const QList<quint32> glyphs = raw.glyphIndexesForString(text);
            run.setGlyphIndexes(glyphs);
            QList<QPointF> at;
            qreal x = 0;
            for (const QPointF &advance : raw.advancesForGlyphIndexes(glyphs)) {
                at << QPointF(x, 0);
                x += advance.x();
            }
            run.setPositions(at);
            p.drawGlyphRun(QPointF(300, p.font().family().contains(u"Serif") ? 2400 : 3200), run);
        }
    }
    ASSERT_TRUE(QFile::copy(before, after));
    ASSERT_TRUE(print::PdfTextAsDrawn(after));
    // A file already updated is read the general way and has nothing more to correct.
    const qint64 updated = QFileInfo(after).size();
    ASSERT_TRUE(print::PdfTextAsDrawn(after));
    EXPECT_EQ(QFileInfo(after).size(), updated);

    const QString in = RunTool(QStringLiteral("pdftotext"), {before, QStringLiteral("-")});
    const QString out = RunTool(QStringLiteral("pdftotext"), {after, QStringLiteral("-")});
    EXPECT_FALSE(in.contains(QStringLiteral("收款人"))); // as Qt writes it: 收款⼈
    EXPECT_EQ(out.count(QStringLiteral("收款人")), 4) << out.toStdString();
    EXPECT_EQ(out.count(QStringLiteral("出票人开户银行")), 4) << out.toStdString();
    EXPECT_FALSE(out.contains(QRegularExpression(QStringLiteral("[\\x{2E80}-\\x{2FDF}]"))));

    for (const QString &f : {before, after})
        RunTool(QStringLiteral("pdftoppm"),
                {QStringLiteral("-r"), QStringLiteral("100"), QStringLiteral("-png"), f, f});
    const QImage a(before + QStringLiteral("-1.png"));
    const QImage b(after + QStringLiteral("-1.png"));
    ASSERT_FALSE(a.isNull());
    EXPECT_EQ(a, b);
}
