// The statistics through the real main window: the window's lists, runs that sum, count, take a
// condition and build dates from a trio, TEMP_Ana, the checks, the exports and the splitter.

#include "batch/analysewin.h"
#include "batch/chart.h"
#include "batch/statistics.h"

#include "batch_fixture.h"
#include "stat_sample.h"

#include "mainwin/historytab.h"
#include "mainwin/mainwindow.h"
#include "mainwin/popupmenus.h"
#include "mainwin/printing.h"
#include "mainwin/typing.h"
#include "print/picoutput.h"
#include "store/view/grid.h"
#include "store/db/params.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QMouseEvent>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSplitter>
#include <QTest>
#include <QToolButton>

namespace {

using statsample::kFormat;

class StatsTest : public BatchTest
{
protected:
    void SetUp() override
    {
        BatchTest::SetUp();
        ids = statsample::MakeFormat();
        statsample::MakeHistory(ids);
        mainwin::MainWindowHooks hooks;
        hooks.statExportFile = [this](const QString &, const QString &) { return book; };
        w = std::make_unique<mainwin::MainWindow>(hooks);
        QSignalSpy loaded(w.get(), &mainwin::MainWindow::loadFinished);
        w->show();
        ASSERT_TRUE(loaded.count() > 0 || loaded.wait(5000));
        w->OpenFmt(kFormat, false);
        ASSERT_EQ(w->context().FormatName(), kFormat);
        win = batch::ShowAnalyse(Target());
    }
    void TearDown() override
    {
        if (win)
            win->close();
        QCoreApplication::processEvents();
        w.reset();
        BatchTest::TearDown();
    }
    batch::StatTarget Target()
    {
        batch::StatTarget t;
        t.host = w.get();
        t.parent = w.get();
        mainwin::PopupMenus *m = w->menuForm();
        t.mMSF = m->mMSF();
        t.mPic = m->mPic();
        t.setCurGrid = [m](store::FlexGridModel *g) { m->CurGrid = g; };
        t.setCurPic = [m](QWidget *p) { m->CurPic = p; };
        return t;
    }
    static QStringList Items(QComboBox *c)
    {
        QStringList out;
        for (int i = 0; i < c->count(); ++i)
            out << c->itemText(i);
        return out;
    }
    void Choose(int com, const QString &text)
    {
        win->Com[com]->setCurrentIndex(win->Com[com]->findText(text));
        ASSERT_EQ(win->Com[com]->currentText(), text);
        win->Com_Click(com);
    }
    // The month rows as "month=value".
    QStringList Months() const
    {
        QStringList out;
        for (int r = 2; r < win->MSF->Rows(); ++r)
            out << win->MSF->TextMatrix(r, 2) + u'=' + win->MSF->TextMatrix(r, 3);
        return out;
    }
    QStringList Title() const { return win->MSF->Tag().split(QStringLiteral("\r\n")); }
    void Run()
    {
        win->DTP[0]->setDate(QDate(2024, 4, 15)); // the range given end first
        win->DTP[1]->setDate(QDate(2024, 1, 1));
        rec().messages.clear();
        win->Comm->click();
    }

    QMap<QString, qint32> ids;
    QString book = m_dir.filePath(QStringLiteral("stats.xlsx"));
    std::unique_ptr<mainwin::MainWindow> w;
    QPointer<batch::AnalyseWindow> win;
};

TEST_F(StatsTest, ListsAndRuns)
{
    EXPECT_EQ(Items(win->Com[0]), (QStringList{"大写金额", "金额_XX", "金额大写", "收款人"}));
    EXPECT_EQ(win->Com[0]->currentText(), QStringLiteral("大写金额"));
    EXPECT_EQ(Items(win->Com[1]), (QStringList{"出票日期", "年", "月", "日", "大写金额", "金额_XX",
                                               "金额大写", "收款人"}));
    EXPECT_EQ(win->Com[1]->currentIndex(), -1);
    EXPECT_EQ(win->Com[3]->currentText(), QStringLiteral("出票日期"));
    EXPECT_EQ(win->Com[4]->currentText(), QStringLiteral("年"));
    EXPECT_TRUE(win->Op[4]->isChecked());
    // All slips until a condition is chosen: "综合统计", the option of the design.
    EXPECT_TRUE(win->Op[2]->isChecked());
    EXPECT_FALSE(win->Op[3]->isChecked());
    EXPECT_FALSE(win->Com[1]->isEnabled());
    // The lists take no keys.
    QTest::keyClick(win->Com[0], Qt::Key_Down);
    EXPECT_EQ(win->Com[0]->currentText(), QStringLiteral("大写金额"));
    // A group's values: its members', not those of "金额大写".
    Choose(1, QStringLiteral("金额_XX"));
    EXPECT_EQ(Items(win->Com[2]).size(), 4);
    EXPECT_TRUE(Items(win->Com[2]).contains(QStringLiteral("￥1,234.50")));
    EXPECT_FALSE(Items(win->Com[2]).contains(QStringLiteral("伍拾元整")));

    // Summing the capital amount by the full date: the end day counted, a time of day stays in
    // its day, February empty, April 16 outside.
    Run();
    EXPECT_EQ(rec().messages, QStringList());
    EXPECT_EQ(Months(), (QStringList{"2024-01=1200", "2024-02=0", "2024-03=30", "2024-04=1"}));
    EXPECT_EQ(win->MSF->TextMatrix(1, 3), QStringLiteral("金额"));
    for (int r = 0; r < win->MSF->Rows(); ++r)
        for (int c = 0; c < win->MSF->Cols(); ++c)
            EXPECT_TRUE(ShowsWholeText(*win->MSF, r, c))
                << win->MSF->TextMatrix(r, c).toStdString();
    // Only the title's very last "；" goes.
    EXPECT_EQ(
        Title(),
        (QStringList{
            "票据开单统计分析图表",
            "统计：Quorvan支票打印软件；单据：统计样本；统计内容：金额；日期：2024-01至2024-04；",
            "统计对象：大写金额"}));
    EXPECT_EQ(
        RunTool("sqlite3",
                {store::DataFilePath(), "SELECT DT || '=' || Sm FROM TEMP_Ana ORDER BY DT;"}),
        QStringLiteral("2024-01-05=1000.0\n2024-01-31=200.0\n2024-03-31=30.0\n2024-04-15=1.0\n"));

    // Counting by the combined date (two-digit and capital years).
    win->Op[5]->setChecked(true);
    win->Op[0]->setChecked(true);
    Choose(5, QStringLiteral("月"));
    Choose(6, QStringLiteral("日"));
    Run();
    EXPECT_EQ(Months(), (QStringList{"2024-01=2", "2024-02=0", "2024-03=1", "2024-04=1"}));
    EXPECT_EQ(win->MSF->TextMatrix(1, 3), QStringLiteral("单据数"));
    EXPECT_EQ(Title(),
              (QStringList{"票据开单统计分析图表", "统计：Quorvan支票打印软件；单据：统计样本；统计"
                                                   "内容：单据数；日期：2024-01至2024-04"}));

    // The group summed on a condition that holds a quote.
    win->Op[4]->setChecked(true);
    win->Op[1]->setChecked(true);
    win->Op[3]->setChecked(true);
    Choose(0, QStringLiteral("金额_XX"));
    Choose(1, QStringLiteral("收款人"));
    Choose(2, QStringLiteral("O'Brien"));
    Run();
    EXPECT_EQ(Months(), (QStringList{"2024-01=1334.5", "2024-02=0", "2024-03=5"}));
    EXPECT_EQ(
        Title(),
        (QStringList{
            "票据开单统计分析图表",
            "统计：Quorvan支票打印软件；单据：统计样本；统计内容：金额；日期：2024-01至2024-03；",
            "统计对象：金额_XX；统计条件：收款人=“O'Brien”"}));
    // Counting on the condition: the condition follows the date.
    win->Op[0]->setChecked(true);
    Run();
    EXPECT_EQ(Title().value(1),
              QStringLiteral("统计：Quorvan支票打印软件；单据：统计样本；统计内容：单据数；日期：20"
                             "24-01至2024-03；统计条件：收款人=“O'Brien”"));
    EXPECT_EQ(
        RunTool("sqlite3", {store::DataFilePath(), "SELECT COUNT(*) FROM TEMP_Ana;"}).trimmed(),
        "2");

    // The checks.
    win->Com[2]->setCurrentIndex(-1);
    Run();
    EXPECT_EQ(rec().messages, QStringList{"统计条件没有设置！"});
    win->Op[2]->setChecked(true);
    win->Op[5]->setChecked(true);
    win->Com[6]->setCurrentIndex(-1);
    Run();
    EXPECT_EQ(rec().messages, QStringList{"日期内容框不能为空！"});
    win->Op[4]->setChecked(true);
    win->Com[0]->setCurrentIndex(-1);
    Run();
    EXPECT_EQ(rec().messages, QStringList{"金额框不能为空！"});
    // No job in the range: header rows only, no title, the chart cleared.
    Choose(0, QStringLiteral("大写金额"));
    win->DTP[0]->setDate(QDate(2020, 1, 1));
    win->DTP[1]->setDate(QDate(2020, 2, 1));
    win->Comm->click();
    EXPECT_EQ(win->MSF->Rows(), 2);
    EXPECT_EQ(win->MSF->Tag(), QString());
}

// A work table of more jobs than one statement run writes: every job once, with its day and sum.
// The controls above the grid at the desktop's fonts: none overlaps another and all lie inside
// the window, on a wide screen with every text whole (labels, options, field lists), and on a
// screen 1024 pixels wide too, where the window fits and the field lists give way.
TEST_F(StatsTest, ControlsAboveTheGridNeitherOverlapNorAreCut)
{
    Choose(1, QStringLiteral("收款人"));
    QList<QWidget *> controls;
    for (QGroupBox *frame : win->findChildren<QGroupBox *>()) {
        controls << frame;
        for (QWidget *c : frame->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            if (c->isVisible())
                controls << c;
    }
    controls << win->Comm;
    const auto rectOf = [this](QWidget *c) { return QRect(c->mapTo(win, QPoint()), c->size()); };
    for (const int width : {1600, 1008}) {
        win->resize(width, win->height());
        QApplication::processEvents(); // the layouts follow the new width
        for (QWidget *a : controls) {
            const std::string name =
                QString(a->objectName() + u' ' + a->metaObject()->className()).toStdString();
            EXPECT_TRUE(win->rect().contains(rectOf(a))) << width << ' ' << name;
            EXPECT_LE(rectOf(a).bottom(), win->SplitLine->geometry().top()) << name;
            const bool field = qobject_cast<QComboBox *>(a) && a != win->Com[2];
            if (qobject_cast<QLabel *>(a) || qobject_cast<QRadioButton *>(a) ||
                (field && width == 1600))
                EXPECT_GE(a->width(), a->sizeHint().width()) << width << ' ' << name;
            for (QWidget *b : controls) {
                // Siblings never overlap (a frame holds its own controls).
                if (a != b && a->parentWidget() == b->parentWidget())
                    EXPECT_FALSE(rectOf(a).intersects(rectOf(b)))
                        << width << ' ' << name << " / " << b->objectName().toStdString();
            }
        }
    }
}

TEST_F(StatsTest, ManyJobsFillTheWorkTableWhole)
{
    {
        store::Transaction tx;
        for (int job = 0; job < 245; ++job) {
            statsample::Print(
                ids, {{"出票日期",
                       QStringLiteral("2024-02-%1").arg(1 + job % 28, 2, 10, QLatin1Char('0'))},
                      {"大写金额", job % 2 ? "壹元整" : "贰拾元伍角"}});
        }
        ASSERT_TRUE(tx.Commit());
    }
    Run();
    EXPECT_EQ(rec().messages, QStringList());
    // 122 jobs of 1 and 123 of 20.5 in February, beside the four of the sample.
    EXPECT_EQ(Months(), (QStringList{"2024-01=1200", "2024-02=2643.5", "2024-03=30", "2024-04=1"}));
    EXPECT_EQ(RunTool("sqlite3", {store::DataFilePath(),
                                  "SELECT count(*), sum(Sm), count(DISTINCT DT) FROM TEMP_Ana;"
                                  "SELECT count(*) FROM TEMP_Ana WHERE DT = '2024-02-28';"}),
              QStringLiteral("249|3874.5|32\n8\n"));
}

TEST_F(StatsTest, ExportsAndSplitter)
{
    Run();
    ASSERT_EQ(win->MSF->Rows(), 6);
    // The chart drawn at the window's size: the black axis, ink of the series.
    const QImage &chart = win->Pic->Image();
    ASSERT_GT(chart.width(), 300);
    int black = 0;
    const int plotPx = (chart.height() - (1200 + 1600) / 15);
    for (int y = 1200 / 15; y < 1200 / 15 + plotPx; ++y)
        black += QColor(chart.pixel(1200 / 15, y)) == QColor(Qt::black);
    EXPECT_GT(black, plotPx / 3); // the axis, under the dots of the first month's line
    chart.save(m_dir.filePath(QStringLiteral("chart.png")));

    // The grid's menu on the right button, "导出表格" to .xlsx.
    mainwin::PopupMenus *m = w->menuForm();
    QTest::mousePress(win->MSF->viewport(), Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_EQ(m->CurGrid, &win->MSF->Model());
    EXPECT_TRUE(m->mMSF()->isVisible());
    m->mMSF()->hide();
    m->mOutMSF_Click();
    const QString json = python(
        QStringLiteral(
            "import sys, json, openpyxl\nws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]\n"
            "print(json.dumps([ws.title] + [[c.value for c in r] for r in ws.iter_rows()], "
            "ensure_ascii=False))"),
        {book});
    const QJsonArray a = QJsonDocument::fromJson(json.toUtf8()).array();
    ASSERT_GE(a.size(), 3);
    EXPECT_EQ(a[0].toString(), QStringLiteral("Quorvan支票统计数据"));
    EXPECT_EQ(a[1].toArray().last().toString(), QStringLiteral("金额\t"));
    EXPECT_EQ(a[2].toArray()[1].toString(), QStringLiteral("2024-01\t"));
    EXPECT_EQ(a[2].toArray()[2].toString(), QStringLiteral("1200\t"));

    // The chart's menu on the right button only; its picture as a JPEG of the chart's size.
    QTest::mousePress(win->Pic, Qt::MiddleButton, {}, QPoint(10, 10));
    EXPECT_EQ(m->CurPic, nullptr);
    QTest::mousePress(win->Pic, Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_EQ(m->CurPic, win->Pic);
    m->mPic()->hide();
    const QString jpg = m_dir.filePath(QStringLiteral("chart.jpg"));
    ASSERT_TRUE(print::SavePictureAs(print::CaptureWholeWindow(m->CurPic), jpg));
    EXPECT_EQ(RunTool("identify", {"-format", "%w %h", jpg}),
              QStringLiteral("%1 %2").arg(win->Pic->width()).arg(win->Pic->height()));

    // The splitter dragged and released: kept in the settings, where a new window starts.
    QWidget *handle = win->SplitLine->handle(1);
    QTest::mousePress(handle, Qt::LeftButton);
    win->SplitLine->setSizes({300, win->SplitLine->width() - win->SplitLine->handleWidth() - 300});
    QTest::mouseRelease(handle, Qt::LeftButton);
    const int left = win->SplitLeft();
    EXPECT_EQ(left, 300 * 15);
    const QString ini =
        RunTool("/usr/bin/python3", {"-c",
                                     "import configparser,sys\nc=configparser.ConfigParser()\n"
                                     "c.optionxform=str\nc.read(sys.argv[1],encoding='utf-8')\n"
                                     "print(c['%U4F4D%U7F6E']['%U7EDF%U8BA1_%U5206%U754C%U7EBF'])",
                                     store::SettingsFilePath()});
    EXPECT_EQ(ini.trimmed(), QString::number(left));
    win->close();
    QCoreApplication::processEvents();
    ASSERT_TRUE(win.isNull());
    win = batch::ShowAnalyse(Target());
    QCoreApplication::processEvents();
    EXPECT_EQ(win->SplitLeft(), left);
    // Afresh: no result yet.
    EXPECT_EQ(win->MSF->Rows() <= 2, true);
}

} // namespace

TEST(StatEntries, GroupRuleAfterTheFirstUnderscore)
{
    const std::pair<const char *, const char *> cases[] = {
        {"金额_1", "金额_XX"},    {"金额_2", "金额_XX"}, {"a_b_3", "a_b_3"}, {"x_2_y", "x_2_XX"},
        {"金额大写", "金额大写"}, {"a_0", "a_0"},        {"b_1.5", "b_XX"},  {"_3", "_XX"}};
    for (const auto &[label, entry] : cases)
        EXPECT_EQ(batch::StatEntryOf(QString::fromUtf8(label)), QString::fromUtf8(entry)) << label;
    EXPECT_TRUE(batch::CompareLBL(QStringLiteral("金额_XX"), QStringLiteral("金额_7")));
    EXPECT_FALSE(batch::CompareLBL(QStringLiteral("金额_XX"), QStringLiteral("金额大写")));
    EXPECT_FALSE(batch::CompareLBL(QStringLiteral("金额_1"), QStringLiteral("金额_2")));
    EXPECT_TRUE(batch::CompareLBL(QStringLiteral("abc"), QStringLiteral("abc")));
    EXPECT_FALSE(batch::CompareLBL(QStringLiteral("abc"), QStringLiteral("ABC")));
}
