// Typing into the fields of the real main window, headless: the key filter, leaving a field,
// type-ahead and the drop-down from the history, related fields, tick fields, check-box groups
// and relation colours.

#include "mainwin/histcombo.h"
#include "mainwin/mainwindow.h"
#include "mainwin/notifyinglabel.h"
#include "mainwin/typing.h"
#include "mainwin_fixture.h"
#include "page/field.h"
#include "page/registry.h"
#include "store/model/context.h"
#include "store/db/db.h"
#include "store/model/fmtstore.h"
#include "store/view/grid.h"
#include "store/model/history.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <memory>

using mainwin::MainWindow;
using mainwin::Typing;
using page::TextField;

namespace {

class TypingTest : public MainWinTest
{
protected:
    void SetUp() override
    {
        MainWinTest::SetUp();
        if (HasFatalFailure())
            return;
        m_w = std::make_unique<MainWindow>();
        m_typing = &m_w->typing();
        QSignalSpy loaded(m_w.get(), &MainWindow::loadFinished);
        m_w->show();
        ASSERT_TRUE(loaded.count() > 0 || loaded.wait(5000));
        m_w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_w.get()));
        ASSERT_EQ(m_w->context().FormatName(), "转账支票");
    }
    void TearDown() override
    {
        m_w.reset();
        MainWinTest::TearDown();
    }

    page::FieldRegistry &reg() { return *m_w->fields(); }
    store::FlexGrid &grid() { return *m_w->MSF(3); }

    // The text field whose prompt is label.
    TextField *field(const QString &label)
    {
        for (int i = reg().FirstCtlIdx(0); i <= reg().LastCtlIdx(0); ++i) {
            auto *f = static_cast<TextField *>(reg().GetCtlByIdx(i));
            if (f && grid().TextMatrix(f->Row(), store::ColLBL) == label)
                return f;
        }
        ADD_FAILURE() << "no field " << label.toStdString();
        return nullptr;
    }
    // Opens a format; the progress window took the activation meanwhile, the user's window
    // system hands it back.
    void openFormat(const QString &name)
    {
        m_w->OpenFmt(name, false);
        ASSERT_EQ(m_w->context().FormatName(), name);
        m_w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_w.get()));
    }
    qint32 idOf(TextField *f) { return reg().GetCtlID(f).value_or(0); }
    void setCell(page::PageField *f, int col, const QString &v)
    {
        grid().SetTextMatrix(f->Row(), col, v);
    }

    // Types into the field as the user does: focus in, keys, focus to the next field.
    void typeInto(TextField *f, const QString &keys)
    {
        f->Box()->setFocus(Qt::MouseFocusReason);
        f->Box()->clear();
        // ASCII as key presses, everything else as the input method commits it.
        for (const QChar c : keys) {
            if (c.unicode() < 128) {
                QTest::keyClick(f->Box(), char(c.unicode()));
            } else {
                QInputMethodEvent ime;
                ime.setCommitString(QString(c));
                QApplication::sendEvent(f->Box(), &ime);
            }
        }
    }
    void leave(TextField *f, TextField *next)
    {
        ASSERT_TRUE(f->Box()->hasFocus());
        next->Box()->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(next->Box()->hasFocus());
    }
    // Waits for the type-ahead timer to fire once.
    void waitCompletion()
    {
        QTimer *t = m_w->AutoFind();
        ASSERT_TRUE(t->isActive());
        QSignalSpy fired(t, &QTimer::timeout);
        ASSERT_TRUE(fired.wait(2000));
    }
    void print(const QList<store::PrintValue> &values)
    {
        ASSERT_GT(store::SaveHistoryValues("转账支票", values), 0);
    }

    std::unique_ptr<MainWindow> m_w;
    Typing *m_typing = nullptr;
};

QColor bgr(quint32 c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

} // namespace

TEST_F(TypingTest, AmountFieldTakesDigitsAndPointOnly)
{
    TextField *amount = field("小写金额");
    typeInto(amount, "1a2,b3.4-5x");
    EXPECT_EQ(amount->Text(), "123.45");
    QTest::keyClick(amount->Box(), Qt::Key_Return);
    EXPECT_EQ(amount->Text(), "123.45");
    QTest::keyClick(amount->Box(), Qt::Key_Backspace);
    EXPECT_EQ(amount->Text(), "123.4");

    // Pasted text keeps only what could be typed.
    QGuiApplication::clipboard()->setText("￥1,234.50元");
    amount->Box()->clear();
    QTest::keyClick(amount->Box(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(amount->Text(), "1234.50");

    // An input method's commit is filtered the same way.
    amount->Box()->clear();
    QInputMethodEvent ime;
    ime.setCommitString("壹2a3");
    QApplication::sendEvent(amount->Box(), &ime);
    EXPECT_EQ(amount->Text(), "23");

    // A plain field takes anything.
    TextField *payee = field("收款人");
    typeInto(payee, "a1.-x");
    EXPECT_EQ(payee->Text(), "a1.-x");
}

TEST_F(TypingTest, SelectAllThenTypingReplacesTheAmount)
{
    TextField *amount = field("小写金额");
    typeInto(amount, "1234.5");
    leave(amount, field("用途"));
    ASSERT_EQ(amount->Text(), "￥1,234.50");
    amount->Box()->setFocus(Qt::MouseFocusReason);
    amount->Box()->setCursorPosition(0);
    QTest::keyClick(amount->Box(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(amount->Box()->selectedText(), "￥1,234.50");
    QTest::keyClicks(amount->Box(), "88");
    EXPECT_EQ(amount->Text(), "88");
    leave(amount, field("用途"));
    EXPECT_EQ(amount->Text(), "￥88.00");
    EXPECT_EQ(field("大写金额")->Text(), "捌拾捌元整");
}

TEST_F(TypingTest, KeyFilterFollowsTheRoundedContentKind)
{
    TextField *f = field("用途");
    const struct
    {
        const char *code;
        const char *keys;
        const char *expected;
    } cases[] = {
        {"104.98", "a1.x", "1."},   {"104.99", "a1.x", "1."}, {"104", "a1.x", "a1.x"},
        {"104.01", "a1.x", "a1.x"}, {"11", "x.5", ".5"},      {"108", "2a8", "28"},
        {"0", "甲a1", "甲a1"},      {"99.5", "a1", "a1"},     {"0.5", "a1", "a1"},
        {"0.51", "a1", "1"},
    };
    for (const auto &c : cases) {
        setCell(f, store::ColCash, c.code);
        typeInto(f, QString::fromUtf8(c.keys));
        EXPECT_EQ(f->Text(), QString::fromUtf8(c.expected)) << c.code;
    }
}

TEST_F(TypingTest, SwallowedKeyArmsTheTimerBackspaceDoesNot)
{
    TextField *amount = field("小写金额");
    QTimer *t = m_w->AutoFind();
    amount->Box()->setFocus(Qt::MouseFocusReason);
    t->stop();
    QTest::keyClick(amount->Box(), Qt::Key_A);
    EXPECT_TRUE(t->isActive());
    EXPECT_EQ(t->interval(), mainwin::kAutoFindInterval);
    EXPECT_TRUE(t->isSingleShot());
    EXPECT_EQ(m_typing->CurTTIdx(), amount->Index());
    t->stop();
    QTest::keyClick(amount->Box(), Qt::Key_Backspace);
    EXPECT_FALSE(t->isActive());
    QTest::keyClick(amount->Box(), Qt::Key_Left);
    EXPECT_FALSE(t->isActive());
}

TEST_F(TypingTest, LeavingTheAmountConvertsItAndTheLinkedFields)
{
    TextField *amount = field("小写金额");
    typeInto(amount, "1234.5");
    leave(amount, field("用途"));
    EXPECT_EQ(amount->Text(), "￥1,234.50");
    EXPECT_EQ(field("大写金额")->Text(), "壹仟贰佰叁拾肆元伍角整");
    EXPECT_EQ(field("存根金额")->Text(), "￥1,234.50");
    EXPECT_EQ(amount->BorderStyle(), 1);

    // Capitals typed into the capital field give the figures of the stub.
    TextField *capital = field("大写金额");
    typeInto(capital, "壹佰元整");
    leave(capital, field("用途"));
    EXPECT_EQ(field("存根金额")->Text(), "￥100.00");
}

TEST_F(TypingTest, NoConversionWhenFocusGoesToAPopupOrAnotherWindow)
{
    TextField *amount = field("小写金额");
    typeInto(amount, "100");
    for (Qt::FocusReason reason : {Qt::PopupFocusReason, Qt::ActiveWindowFocusReason}) {
        QFocusEvent out(QEvent::FocusOut, reason);
        QApplication::sendEvent(amount->Box(), &out);
        EXPECT_EQ(amount->Text(), "100") << reason;
        EXPECT_EQ(field("大写金额")->Text(), "");
    }
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(amount->Box(), &out);
    EXPECT_EQ(amount->Text(), "￥100.00");
}

TEST_F(TypingTest, TypeAheadCompletesAUniqueEarlierValue)
{
    TextField *payee = field("收款人");
    const qint32 id = idOf(payee);
    print({{id, "123"}});
    print({{id, "125"}});
    print({{idOf(field("用途")), "129"}});

    typeInto(payee, "12");
    waitCompletion();
    EXPECT_EQ(payee->Text(), "12");

    typeInto(payee, "123");
    waitCompletion();
    EXPECT_EQ(payee->Text(), "123");

    ASSERT_TRUE(store::ExecSQL("DELETE FROM 历史 WHERE Con='125'"));
    typeInto(payee, "12");
    waitCompletion();
    EXPECT_EQ(payee->Text(), "123");
    EXPECT_EQ(payee->Box()->selectionStart(), 2);
    EXPECT_EQ(payee->Box()->selectedText(), "3");
    // The next key replaces the proposed rest.
    QTest::keyClick(payee->Box(), Qt::Key_9);
    EXPECT_EQ(payee->Text(), "129");
}

TEST_F(TypingTest, TypeAheadTakesTypedCharactersLiterally)
{
    TextField *payee = field("收款人");
    const qint32 id = idOf(payee);
    print({{id, "O'Brien 公司"}});
    print({{id, "50%折扣"}});
    print({{id, "A_B"}});
    print({{id, "AxB 公司"}});

    typeInto(payee, "O'B");
    waitCompletion();
    EXPECT_EQ(payee->Text(), "O'Brien 公司");
    typeInto(payee, "A_");
    waitCompletion();
    EXPECT_EQ(payee->Text(), "A_B");
    typeInto(payee, "%");
    waitCompletion();
    EXPECT_EQ(payee->Text(), "%");
    // Lower case never completes to upper case.
    typeInto(payee, "a");
    waitCompletion();
    EXPECT_EQ(payee->Text(), "a");
    EXPECT_TRUE(rec().messages.isEmpty()) << rec().messages.join("; ").toStdString();
}

TEST_F(TypingTest, TimerArmedBeforeASwitchCompletesNothing)
{
    TextField *payee = field("收款人");
    print({{idOf(payee), "甲公司"}});
    typeInto(payee, "甲");
    ASSERT_TRUE(m_w->AutoFind()->isActive());
    m_w->OpenFmt("进账单", false);
    ASSERT_EQ(m_w->context().FormatName(), "进账单");
    EXPECT_FALSE(m_w->AutoFind()->isActive());
    m_typing->AutoFind_Timer();
    for (int i = reg().FirstCtlIdx(0); i <= reg().LastCtlIdx(0); ++i)
        EXPECT_NE(static_cast<TextField *>(reg().GetCtlByIdx(i))->Text(), "甲公司");
}

TEST_F(TypingTest, RelatedFieldFillsFromTheHistory)
{
    TextField *payee = field("收款人");
    TextField *purpose = field("用途");
    // The payee is related to the purpose (second link column, negative).
    setCell(payee, store::ColRCtl1, QString::number(-idOf(purpose)));
    print({{idOf(payee), "甲公司"}, {idOf(purpose), "旧货款"}});
    print({{idOf(payee), "乙公司"}, {idOf(purpose), "服务费"}});
    print({{idOf(payee), "甲公司"}, {idOf(purpose), "货款"}});

    typeInto(payee, "甲公司");
    leave(payee, field("小写金额"));
    EXPECT_EQ(purpose->Text(), "货款");
    // The stub's payee is the same content.
    EXPECT_EQ(field("存根收款人")->Text(), "甲公司");
    // The purpose's own same-content link copies it on to the stub.
    EXPECT_EQ(field("存根用途")->Text(), "货款");
}

TEST_F(TypingTest, DropDownOffersTheFieldsEarlierValues)
{
    TextField *payee = field("收款人");
    const qint32 id = idOf(payee);
    print({{id, "C"}});
    print({{id, "A"}});
    print({{id, "B"}});
    print({{id, "A"}});
    payee->SetText("A");
    QTest::mouseDClick(payee->Box(), Qt::LeftButton);
    QComboBox *comb = m_w->COMB();
    ASSERT_TRUE(comb->isVisible());
    const QWidget *box = payee->Box();
    EXPECT_EQ(comb->x(), box->x());
    EXPECT_EQ(comb->y(), box->y());
    EXPECT_EQ(comb->width(), box->width() + payee->ToPx(300));
    EXPECT_EQ(comb->currentText(), "A");
    QStringList items;
    for (int i = 0; i < comb->count(); ++i)
        items << comb->itemText(i);
    EXPECT_EQ(items, (QStringList{"A", "B", "C"}));
    EXPECT_EQ(m_typing->dropDown().servedIndex(), payee->Index());

    // Choosing "B": the field takes it and the drop-down goes.
    comb->setFocus(Qt::MouseFocusReason);
    comb->setCurrentIndex(0);
    QTest::keyClick(comb, Qt::Key_Down);
    EXPECT_EQ(payee->Text(), "B");
    EXPECT_EQ(field("存根收款人")->Text(), "B");
    EXPECT_FALSE(comb->isVisible());
}

TEST_F(TypingTest, DropDownConvertsWhatItPutsIntoTheField)
{
    TextField *amount = field("存根金额");
    print({{idOf(amount), "77"}});
    print({{idOf(amount), "88"}});
    amount->SetText("");
    QTest::mouseDClick(amount->Box(), Qt::LeftButton);
    QComboBox *comb = m_w->COMB();
    ASSERT_TRUE(comb->isVisible());
    comb->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(comb, Qt::Key_Down);
    EXPECT_EQ(amount->Text(), "￥88.00");
    // A click into another field hides it too.
    QTest::mouseDClick(amount->Box(), Qt::LeftButton);
    ASSERT_TRUE(comb->isVisible());
    QTest::mouseClick(field("用途")->Box(), Qt::LeftButton);
    EXPECT_FALSE(comb->isVisible());
    // Serving another field leaves the first one alone.
    QTest::mouseDClick(field("用途")->Box(), Qt::LeftButton);
    EXPECT_EQ(amount->Text(), "￥88.00");
}

TEST_F(TypingTest, TickFieldTogglesOnClick)
{
    TextField *f = field("用途");
    setCell(f, store::ColCash, "115");
    f->SetText("x");
    QTest::mouseClick(f->Box(), Qt::LeftButton);
    EXPECT_EQ(f->Text(), "");
    QTest::mouseClick(f->Box(), Qt::LeftButton);
    EXPECT_EQ(f->Text(), "√");
    // Other kinds do not toggle.
    setCell(f, store::ColCash, "0");
    QTest::mouseClick(f->Box(), Qt::LeftButton);
    EXPECT_EQ(f->Text(), "√");
}

namespace {

// A format of check boxes whose RCtl links follow next[i] (index into the list, -1 none).
std::vector<qint64> makeBoxes(const QString &fmt, const std::vector<int> &next)
{
    std::vector<qint64> ids;
    for (size_t i = 0; i < next.size(); ++i) {
        EXPECT_TRUE(store::ExecSQL(
            "INSERT INTO Fmt(Fmt, LBL, Clas, X, Y, W, H, fName, fSize) "
            "VALUES(?, ?, 1, ?, ?, 5, 5, '宋体', 9)",
            {fmt, QString("框%1").arg(i), 1 + double(i % 30) * 6, 1 + double(i / 30) * 3}));
        ids.push_back(store::LastInsertId());
    }
    for (size_t i = 0; i < next.size(); ++i)
        EXPECT_TRUE(store::ExecSQL("UPDATE Fmt SET RCtl=? WHERE ID=?",
                                   {next[i] < 0 ? 0.0 : double(ids[size_t(next[i])]), ids[i]}));
    EXPECT_TRUE(store::ExecSQL("INSERT INTO Fmt(Fmt, LBL, X, Y, W, H, Color) VALUES(?, ?, 0, 0, "
                               "200, 120, 15360)",
                               {fmt, QString::fromUtf8(store::kFmtParaMarker)}));
    return ids;
}

} // namespace

TEST_F(TypingTest, TickingABoxUnticksTheRestOfItsGroup)
{
    auto box = [this](int n) {
        return static_cast<page::CheckField *>(reg().GetCtlByIdx(1000 + n));
    };
    auto tickAll = [&](int count) {
        for (int i = 1; i <= count; ++i) {
            const QSignalBlocker b(box(i)->Box());
            box(i)->SetValue(1);
        }
    };
    makeBoxes("环形支票", {1, 2, 0});
    m_w->OpenFmt("环形支票", false);
    ASSERT_EQ(reg().CtlCount(1), 3);
    tickAll(3);
    box(2)->SetValue(0);
    box(2)->Box()->click();
    EXPECT_EQ(box(1)->Value(), 0);
    EXPECT_EQ(box(2)->Value(), 1);
    EXPECT_EQ(box(3)->Value(), 0);

    makeBoxes("链形支票", {1, 2, -1});
    m_w->OpenFmt("链形支票", false);
    tickAll(3);
    box(1)->SetValue(0);
    box(1)->SetValue(1); // set by the program: the same as a click
    EXPECT_EQ(box(2)->Value(), 0);
    EXPECT_EQ(box(3)->Value(), 0);
    tickAll(3);
    box(3)->SetValue(0);
    box(3)->Box()->click();
    EXPECT_EQ(box(1)->Value(), 1);
    EXPECT_EQ(box(2)->Value(), 1);

    // A ring of 503: the walk stops after 501 boxes.
    std::vector<int> ring(503);
    for (int i = 0; i < 503; ++i)
        ring[size_t(i)] = (i + 1) % 503;
    makeBoxes("大环支票", ring);
    m_w->OpenFmt("大环支票", false);
    ASSERT_EQ(reg().CtlCount(1), 503);
    tickAll(503);
    box(1)->SetValue(0);
    box(1)->Box()->click();
    int unticked = 0;
    for (int i = 2; i <= 503; ++i)
        unticked += box(i)->Value() == 0;
    EXPECT_EQ(unticked, 501);
    EXPECT_EQ(box(503)->Value(), 1);
}

TEST_F(TypingTest, RelationColoursShowHowFieldsDependOnTheFocusedOne)
{
    TextField *f = field("收款人");
    TextField *same = field("用途");
    TextField *related = field("存根用途");
    TextField *adds = field("存根金额");
    TextField *multiplies = field("小写金额");
    TextField *plain = field("大写金额");
    setCell(f, store::ColRCtl, QString::number(idOf(same)));
    setCell(same, store::ColRCtl, "0");
    setCell(f, store::ColRCtl1, QString::number(-idOf(related)));
    setCell(adds, store::ColSumID, QString::number(idOf(f)));
    setCell(multiplies, store::ColSumID1, QString::number(-idOf(f) - 0.1));
    setCell(plain, store::ColRCtl, "0");

    auto base = [](TextField *t) { return t->Box()->palette().color(QPalette::Base); };
    f->SetSelected(true);
    m_typing->TT_GotFocus(f->Index());
    EXPECT_EQ(Typing::RelationColor(same), mainwin::kNormalBackColor);
    f->SetSelected(false);

    field("存根出票日期")->Box()->setFocus(Qt::MouseFocusReason);
    f->Box()->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(base(same), QColor(255, 170, 170));
    EXPECT_EQ(base(related), QColor(0, 255, 17));
    EXPECT_EQ(base(adds), QColor(170, 255, 170));
    EXPECT_EQ(base(multiplies), QColor(170, 170, 255));
    EXPECT_EQ(base(related), bgr(mainwin::kRelatedColor));
    EXPECT_EQ(Typing::RelationColor(plain), mainwin::kNormalBackColor);

    // A selected field shows the selection grey and keeps it when the colours go.
    adds->SetSelected(true);
    EXPECT_EQ(base(adds), QColor(0xD0, 0xD0, 0xD0));
    m_typing->HideRelationColor();
    for (TextField *t : {same, related, multiplies})
        EXPECT_EQ(base(t), QColor(255, 255, 255));
    EXPECT_EQ(base(adds), QColor(0xD0, 0xD0, 0xD0));
    EXPECT_EQ(Typing::RelationColor(adds), mainwin::kNormalBackColor);
}

TEST_F(TypingTest, FieldsOfANewFormatAreWatchedToo)
{
    openFormat("进账单");
    TextField *amount = field("小写金额");
    typeInto(amount, "12a");
    EXPECT_EQ(amount->Text(), "12");
    leave(amount, field("用途"));
    EXPECT_EQ(field("大写金额")->Text(), "壹拾贰元整");
    // The old format's defaults were kept and come back.
    openFormat("转账支票");
    openFormat("进账单");
    EXPECT_EQ(field("小写金额")->Text(), "￥12.00");
}
