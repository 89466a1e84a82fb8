#include "store_fixture.h"

#include "../common/programfolder.h"

#include "store/ui/indicator.h"
#include "store/ui/msgbox.h"
#include "store/ui/uihelpers.h"
#include "store/ui/waitform.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace store;
using storetest::StoreTest;

TEST(Progress, PercentagesAreCutToTenthsOfAPercent)
{
    ProgressGuard guard;
    struct Case
    {
        int done, total;
        const char *percent;
    };
    for (const Case c : {Case{1, 3, "33.3%"}, Case{2, 3, "66.6%"}, Case{3, 3, "100%"},
                         Case{250, 500, "50%"}, Case{1, 7, "14.2%"}, Case{4, 3, "133.3%"}}) {
        StartProgress("x", c.total);
        StepProgress(c.done);
        ASSERT_TRUE(IndicatorWindow());
        EXPECT_EQ(IndicatorWindow()->Percent->text(), QString::fromUtf8(c.percent));
    }
}

TEST(Progress, CountedStepsShowCountAndTimes)
{
    ProgressGuard guard;
    qint32 start = 0;
    StartProgress("正在加载历史记录……", 500, start);
    Indicator *w = IndicatorWindow();
    ASSERT_TRUE(w);
    EXPECT_TRUE(ProgressShowing());
    EXPECT_EQ(w->windowTitle(), "进度指示器");
    EXPECT_EQ(w->LBL->text(), "正在加载历史记录……");
    for (int i = 0; i < 250; ++i)
        StepProgress(1, StepShows::CountAndTimes);
    EXPECT_EQ(w->Percent->text(), "50%");
    EXPECT_EQ(w->L1->text(), "(250/500)");
    // Within the first second everything reads zero.
    EXPECT_EQ(w->L2->text(), "0:0/0:0/0:0");
    EXPECT_DOUBLE_EQ(w->Pic->DrawnFraction(), 0.5);
    // A new caption changes the caption only.
    StepProgress(1, "正在保存格式……");
    EXPECT_EQ(w->LBL->text(), "正在保存格式……");
    EXPECT_EQ(w->L1->text(), "(250/500)");
}

TEST(Progress, EscOnTheProgressWindowCancels)
{
    ProgressGuard guard;
    QMainWindow other;
    other.show();
    other.activateWindow();
    StartProgress("正在打印单据……", 10);
    Indicator *w = IndicatorWindow();
    ASSERT_TRUE(w);
    EXPECT_EQ(w->parentWidget(), &other); // it belongs to the window the work started from
    QSignalSpy closed(w, &Indicator::closed);
    KeyThroughWindow(w, Qt::Key_Escape);
    EXPECT_FALSE(ProgressShowing());
    EXPECT_EQ(closed.count(), 1);
    // Steps after the cancel only update the state.
    StepProgress(1, StepShows::CountAndTimes);
    EXPECT_FALSE(ProgressShowing());
}

TEST(Progress, NegativeStartTakesTheCurrentCountAndTheBarNeverShrinks)
{
    ProgressGuard guard;
    StartProgress("a", 100);
    DrawProgress(40);
    EndProgress();
    EXPECT_FALSE(ProgressShowing());
    qint32 start = -1;
    StartProgress("b", 100, start);
    EXPECT_EQ(start, 40);
    ASSERT_TRUE(IndicatorWindow());
    EXPECT_DOUBLE_EQ(IndicatorWindow()->Pic->DrawnFraction(), 0.4);
    DrawProgress(10);
    EXPECT_DOUBLE_EQ(IndicatorWindow()->Pic->DrawnFraction(), 0.4);
    EXPECT_EQ(ProgressState().current, 10);
}

TEST(Progress, ZeroTotalAndStepsAfterTheEndAreHarmless)
{
    ProgressGuard guard;
    EndProgress(); // none open
    StartProgress("z", 0);
    DrawProgress(5);
    EXPECT_DOUBLE_EQ(IndicatorWindow()->Pic->DrawnFraction(), 0);
    StepProgress(1, StepShows::CountAndTimes);
    EXPECT_EQ(ProgressState().total, 1);
    EXPECT_EQ(IndicatorWindow()->Percent->text(), "600%");
    EndProgress();
    StepProgress(1, StepShows::CountAndTimes);
    DrawProgress(3);
    EXPECT_FALSE(IndicatorWindow());
    EXPECT_EQ(ProgressState().current, 3);
}

TEST(Progress, OtherWindowsAreDeafWhileItShowsAndAQuestionAboveItIsNot)
{
    ProgressGuard guard;
    QLineEdit other;
    other.show();
    StartProgress("正在下载...", 10);
    Indicator *w = IndicatorWindow();
    ASSERT_TRUE(w);
    ASSERT_TRUE(w->isVisible());
    // Typing into another window does nothing while the operation runs.
    TypeThroughWindow(&other, "123");
    EXPECT_EQ(other.text(), "");

    // A message opened meanwhile comes above the progress window and takes the mouse; Esc in a
    // question answers the question only.
    MessageBoxReporter reporter;
    bool clicked = false;
    whenModal<QMessageBox>([&](QMessageBox *box) {
        EXPECT_EQ(box->parentWidget(), w);
        clicked = true;
        ClickThroughWindow(box->button(QMessageBox::Ok));
    });
    reporter.Message("无法识别此文件", MsgKind::Warning);
    EXPECT_TRUE(clicked);
    whenModal<QMessageBox>([](QMessageBox *box) { KeyThroughWindow(box, Qt::Key_Escape); });
    EXPECT_FALSE(reporter.Question("是否覆盖？"));
    EXPECT_TRUE(ProgressShowing());
    EXPECT_EQ(QApplication::activeModalWidget(), w); // back to the progress window

    QSignalSpy closed(w, &Indicator::closed);
    w->close();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(ProgressShowing());
    TypeThroughWindow(&other, "45");
    EXPECT_EQ(other.text(), "45");
    StepProgress(1, StepShows::CountAndTimes); // the operation goes on without a window
    EXPECT_EQ(ProgressState().current, 1);
}

TEST(Progress, GoesWithTheWindowItBelongsTo)
{
    ProgressGuard guard;
    auto *owner = new QDialog;
    owner->show();
    owner->activateWindow();
    StartProgress("正在导入格式...", 3);
    Indicator *w = IndicatorWindow();
    ASSERT_TRUE(w);
    QSignalSpy closed(w, &Indicator::closed);
    delete owner;
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(ProgressShowing());
    EXPECT_FALSE(IndicatorWindow());
}

TEST(WaitFormClosed, ReturnsWhenTheWindowGoesAndAtOnceWhenNone)
{
    WaitFormClosed(QString("请选择格式名称"));
    WaitFormClosed(static_cast<QWidget *>(nullptr));

    auto *chooser = new QDialog;
    chooser->setAttribute(Qt::WA_DeleteOnClose);
    chooser->setWindowTitle("请选择格式名称");
    chooser->show();
    EXPECT_TRUE(IsFormOpen("请选择格式名称"));
    EXPECT_FALSE(IsFormOpen("请选择格式"));
    QTimer::singleShot(0, chooser, &QDialog::accept);
    WaitFormClosed(QString("请选择格式名称"));
    EXPECT_FALSE(IsFormOpen("请选择格式名称"));

    // A window that is only hidden also ends the wait.
    QWidget hidden;
    hidden.setWindowTitle("格式模板列表");
    hidden.show();
    QTimer::singleShot(0, &hidden, &QWidget::hide);
    WaitFormClosed(&hidden);
    EXPECT_FALSE(hidden.isVisible());
}

TEST(FileFilter, VbPairsBecomeDialogFilters)
{
    EXPECT_EQ(VbFilterToQt("格式文件|*.cqf|所有文件|*.*"), "格式文件 (*.cqf);;所有文件 (*)");
    EXPECT_EQ(VbFilterToQt("JPEG格式(*.jpg)|*.jpg"), "JPEG格式(*.jpg)");
    EXPECT_EQ(VbFilterToQt("表格|*.xls;*.csv"), "表格 (*.xls *.csv)");
}

namespace {
using HistoryCombo = StoreTest;

qint64 Field(const QString &fmt, const QString &lbl)
{
    EXPECT_TRUE(ExecSQL("INSERT INTO Fmt(Fmt, LBL) VALUES(?, ?)", {fmt, lbl}));
    return LastInsertId();
}

void History(qint64 cid, const QString &con)
{
    EXPECT_TRUE(ExecSQL("INSERT INTO 历史(Fmt, ID, CID, Con) VALUES('f', 1, ?, ?)", {cid, con}));
}

QStringList Items(QComboBox &c)
{
    QStringList l;
    for (int i = 0; i < c.count(); ++i)
        l << c.itemText(i);
    return l;
}
} // namespace

TEST_F(HistoryCombo, OwnValuesOrTheLabelGroupSorted)
{
    const qint64 plain = Field("f", "收款人");
    const qint64 zero = Field("f", "收款人_0");
    const qint64 one = Field("f", "收款人_1");
    const qint64 two = Field("g", "收款人_2");
    const qint64 account = Field("f", "收款人账号");
    const qint64 quoted = Field("f", "O'Brien_1");
    const qint64 roundsUp = Field("f", "付款人_0.6");
    const qint64 roundsDown = Field("f", "a_0.5");
    History(plain, "中国银行");
    History(zero, "零号");
    History(one, "上海公司");
    History(one, "北京公司");
    History(one, "北京公司");
    History(two, "中原公司");
    History(account, "6222000012");
    History(quoted, "q");
    History(roundsDown, "own");

    QComboBox c;
    c.setEditable(true);
    c.setEditText("正在输入");
    // The group is every label that starts with "收款人_" (in any format), but not "收款人账号";
    // the list is sorted by pinyin.
    FillHistoryCombo(&c, two);
    EXPECT_EQ(Items(c), QStringList({"北京公司", "零号", "上海公司", "中原公司"}));
    EXPECT_EQ(c.currentText(), "正在输入");
    FillHistoryCombo(&c, plain);
    EXPECT_EQ(Items(c), QStringList({"中国银行"}));
    FillHistoryCombo(&c, zero);
    EXPECT_EQ(Items(c), QStringList({"零号"}));
    FillHistoryCombo(&c, quoted);
    EXPECT_EQ(Items(c), QStringList({"q"}));
    FillHistoryCombo(&c, roundsUp); // 0.6 rounds to 1: the group 付款人_ has no values
    EXPECT_TRUE(Items(c).isEmpty());
    FillHistoryCombo(&c, roundsDown); // 0.5 rounds to 0: own values
    EXPECT_EQ(Items(c), QStringList({"own"}));
    EXPECT_TRUE(m_messages->messages.isEmpty());
}

TEST(MessageBox, UserTextIsShownAsItStandsNeverAsRichText)
{
    // A format name or value that looks like markup.
    const QString text = "格式“<b>甲</b> &amp; <img src=x>”已存在！\n第二行";
    MessageBoxReporter reporter;
    struct Seen
    {
        QString text;
        Qt::TextFormat format = Qt::AutoText;
        Qt::TextFormat labelFormat = Qt::AutoText;
        QString labelText;
    };
    // Reads the box that is up and answers it with the given button.
    auto answer = [](Seen &seen, QMessageBox::StandardButton button) {
        QTimer::singleShot(0, [&seen, button] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            ASSERT_TRUE(box);
            seen.text = box->text();
            seen.format = box->textFormat();
            const auto *label = box->findChild<QLabel *>("qt_msgbox_label");
            ASSERT_TRUE(label);
            seen.labelFormat = label->textFormat();
            seen.labelText = label->text();
            box->button(button)->click();
        });
    };
    Seen message;
    answer(message, QMessageBox::Ok);
    reporter.Message(text, MsgKind::Error);
    EXPECT_EQ(message.format, Qt::PlainText);
    EXPECT_EQ(message.labelFormat, Qt::PlainText);
    EXPECT_EQ(message.text, text);
    EXPECT_EQ(message.labelText, text);

    Seen question;
    answer(question, QMessageBox::Yes);
    EXPECT_TRUE(reporter.Question(text));
    EXPECT_EQ(question.labelFormat, Qt::PlainText);
    EXPECT_EQ(question.labelText, text);
    Seen no;
    answer(no, QMessageBox::No);
    EXPECT_FALSE(reporter.Question(text));

    // The progress window's caption may name a format too.
    ProgressGuard guard;
    StartProgress(text, 3);
    for (QLabel *l : IndicatorWindow()->findChildren<QLabel *>())
        EXPECT_EQ(l->textFormat(), Qt::PlainText) << l->text().toStdString();
}

TEST(MessageBox, ALongFileNameWrapsInsideTheBox)
{
    // A file name with nowhere to break a line in it, as a PDF that could not be written names.
    const QString text = QStringLiteral("无法写入文件“/media/clerk/") + QString(220, u'a') +
                         QStringLiteral("0123456789.pdf”！\n磁盘是只读的。");
    MessageBoxReporter reporter;
    QString shown;
    QRect needed, room, box, screen;
    whenModal<QMessageBox>([&](QMessageBox *b) {
        const auto *label = b->findChild<QLabel *>("qt_msgbox_label");
        ASSERT_TRUE(label);
        shown = label->text();
        room = label->contentsRect();
        needed = label->fontMetrics().boundingRect(QRect(0, 0, room.width(), 100000),
                                                   Qt::TextWordWrap, shown);
        box = b->frameGeometry();
        screen = b->screen()->availableGeometry();
        ClickThroughWindow(b->button(QMessageBox::Ok));
    });
    reporter.Message(text, MsgKind::Error);

    // Every character shows, on lines within the label, in a box on the screen.
    EXPECT_EQ(QString(shown).remove(QChar(0x200B)), text);
    EXPECT_LE(needed.width(), room.width());
    EXPECT_LE(needed.height(), room.height());
    EXPECT_TRUE(screen.contains(box)) << box.width();
}
