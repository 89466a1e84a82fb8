// Laying out formats on the real main window: selecting, dragging, sizing and nudging fields and
// lines with the mouse and the keys, the menu of the field settings and the pop-up menus.
#include "mainwin/mainwindow.h"
#include "mainwin/pageediting.h"
#include "mainwin/popupmenus.h"
#include "mainwin/printing.h"
#include "mainwin/typing.h"
#include "mainwin/typingfmt.h"
#include "mainwin_fixture.h"
#include "page/designer.h"
#include "page/field.h"
#include "page/fieldrow.h"
#include "page/fieldvalue.h"
#include "page/pageview.h"
#include "page/propdialogs.h"
#include "page/registry.h"
#include "print/printers.h"
#include "store/model/context.h"
#include "store/view/fmtcmd.h"
#include "store/model/gridbind.h"
#include "store/model/gridmodel.h"
#include "store/core/helpers.h"
#include "store/db/params.h"
#include "store/core/vb.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFontDialog>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QRubberBand>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>

#include <QToolButton>
#include <optional>

#include <map>
#include <set>

#include "../common/qtry.h"

using mainwin::MainWindow;
using page::FieldKind;
using page::PageField;

namespace {

class DesignerTest : public MainWinTest
{
protected:
    void SetUp() override
    {
        MainWinTest::SetUp();
        m_w = static_cast<MainWindow *>(mainwin::ShowMainWindow());
        m_w->setAttribute(Qt::WA_DeleteOnClose, false);
        // The formats were saved on a screen 15360 twips wide: fonts load as saved.
        m_w->context().SetScreenWidthSource([] { return 15360; });
        QSignalSpy loaded(m_w, &MainWindow::loadFinished);
        ASSERT_TRUE(loaded.wait(5000));
        QApplication::setActiveWindow(m_w);
    }
    void TearDown() override
    {
        delete m_w;
        MainWinTest::TearDown();
    }

    page::FieldRegistry &reg() { return *m_w->fields(); }
    page::Designer &designer() { return m_w->pageEditing().designer(); }
    page::PageView *pg() { return m_w->PG(); }
    int tpp() { return pg()->tpp(); }
    double scale() { return pg()->twWidth() / store::Val(m_w->context().Wid()); }

    PageField *byLabel(const QString &lbl)
    {
        for (PageField *f : reg().AllFields())
            if (reg().Grid()->TextMatrix(f->Row(), store::ColLBL) == lbl)
                return f;
        ADD_FAILURE() << "no field " << lbl.toStdString();
        return nullptr;
    }
    page::TextField *text(const QString &lbl)
    {
        return static_cast<page::TextField *>(byLabel(lbl));
    }
    page::LineField *line() { return static_cast<page::LineField *>(reg().GetCtlByIdx(3001)); }
    // A page point given in millimetres, in pixels of the page.
    QPoint pgAt(double xmm, double ymm)
    {
        return QPoint(qRound(store::MMToPage(xmm, scale()) / double(tpp())),
                      qRound(store::MMToPage(ymm, scale()) / double(tpp())));
    }
    QPoint pgAtTw(int x, int y)
    {
        return QPoint(qRound(x / double(tpp())), qRound(y / double(tpp())));
    }
    void ctrlClick(PageField *f, QPoint at = QPoint(20, 4))
    {
        QTest::mouseClick(f->Widget(), Qt::LeftButton, Qt::ControlModifier, at);
    }
    std::set<QString> selected()
    {
        std::set<QString> s;
        for (PageField *f : reg().AllFields())
            if (f->Selected())
                s.insert(reg().Grid()->TextMatrix(f->Row(), store::ColLBL));
        return s;
    }
    // The stored cells of a format's field rows as the sqlite3 client shows them.
    QStringList dumpRows(const QString &fmt)
    {
        QProcess p;
        p.start("sqlite3", {"-separator", "\t", home() + "/DATA.mdb",
                            QString("SELECT * FROM Fmt WHERE Fmt='%1' AND LBL<>'%2' ORDER BY ID")
                                .arg(fmt, QString::fromUtf8(store::kFmtParaMarker))});
        EXPECT_TRUE(p.waitForFinished(10000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        return QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    }
    // A move with buttons and keys held (QTest's moves carry no keys).
    void dragTo(QWidget *w, QPoint at, Qt::KeyboardModifiers keys)
    {
        QMouseEvent e(QEvent::MouseMove, QPointF(at), QPointF(w->mapToGlobal(at)), Qt::NoButton,
                      Qt::LeftButton, keys);
        QApplication::sendEvent(w, &e);
    }
    // Runs f once the next pop-up menu is open, then closes the menu.
    void whenMenuOpens(std::function<void(QMenu *)> f)
    {
        QTimer::singleShot(0, m_w, [f] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            f(menu);
            if (menu)
                menu->close();
        });
    }

    page::PropertyDialogs &dialogs() { return m_w->dialogs(); }
    // "设置内容框" from the field's pop-up menu.
    void openCtlSet(PageField *f)
    {
        whenMenuOpens([](QMenu *) {});
        QTest::mousePress(f->Widget(), Qt::RightButton, {}, QPoint(10, 4));
        m_w->menuForm()->mCtlSet()->trigger();
    }
    // Types into a dialog's box as the user does (the old text replaced).
    static void typeInto(QLineEdit *box, const QString &text)
    {
        box->setFocus();
        box->selectAll();
        if (text.isEmpty())
            QTest::keyClick(box, Qt::Key_Delete);
        else if (text.toLatin1() != text.toUtf8())
            box->insert(text); // as an input method commits it
        else
            QTest::keyClicks(box, text);
    }
    // Picks an entry of a list as a click does.
    static void pick(QComboBox *list, const QString &startsWith)
    {
        for (int i = 0; i < list->count(); ++i)
            if (list->itemText(i).startsWith(startsWith)) {
                list->setCurrentIndex(i);
                emit list->activated(i);
                return;
            }
        ADD_FAILURE() << "no entry " << startsWith.toStdString();
    }
    QString cell(PageField *f, int col) { return reg().Grid()->TextMatrix(f->Row(), col); }
    // Answers the font dialog (font given: accepted with it, else cancelled) and then, when it
    // comes, the colour dialog (cancelled), as they open.
    void answerFontDialogs(std::optional<QFont> font)
    {
        auto *t = new QTimer(m_w);
        t->setInterval(0);
        QObject::connect(t, &QTimer::timeout, t, [t, font] {
            QWidget *m = QApplication::activeModalWidget();
            if (auto *f = qobject_cast<QFontDialog *>(m)) {
                if (font) {
                    f->setCurrentFont(*font);
                    f->accept();
                } else {
                    f->reject();
                    t->deleteLater();
                }
            } else if (auto *c = qobject_cast<QColorDialog *>(m)) {
                c->reject();
                t->deleteLater();
            }
        });
        t->start();
    }
    // Every field row of the grid, to see that nothing else changed.
    QStringList gridRows()
    {
        QStringList rows;
        const store::FlexGridModel &g = *reg().Grid();
        for (int r = g.FixedRows(); r < g.Rows(); ++r) {
            QStringList cells;
            for (int c = 0; c < g.Cols(); ++c)
                cells << g.TextMatrix(r, c);
            rows << cells.join('\t');
        }
        return rows;
    }

    MainWindow *m_w = nullptr;
};

const QString kCheque = QStringLiteral("转账支票");
const QString kEvery = QStringLiteral("全类型支票");

} // namespace

TEST_F(DesignerTest, DragAtTheMoveGripMovesTheSelectionAndWritesOnlyItsCells)
{
    ASSERT_EQ(m_w->context().FormatName(), kCheque);
    const QStringList before = dumpRows(kCheque);
    page::TextField *payee = text("收款人");
    page::TextField *use = text("用途");
    const QRect payeeTw(payee->Left(), payee->Top(), payee->Width(), payee->Height());
    const QRect useTw(use->Left(), use->Top(), use->Width(), use->Height());
    ctrlClick(payee);
    ctrlClick(use);
    EXPECT_EQ(selected(), (std::set<QString>{"收款人", "用途"}));
    EXPECT_EQ(payee->Box()->palette().color(QPalette::Base), QColor(0xD0, 0xD0, 0xD0));

    // Hover the move grip, press, drag 4 pixels right and 3 down, release.
    const QPoint grip(3, 3);
    QTest::mouseMove(payee->Box(), grip);
    EXPECT_EQ(payee->PointerMode(), 5);
    EXPECT_EQ(payee->Box()->cursor().shape(), Qt::SizeAllCursor);
    EXPECT_EQ(payee->Box()->toolTip(),
              "提示：按住鼠标左键(别松开),拖动鼠标,即可移动本输入框位置。");
    QTest::mousePress(payee->Box(), Qt::LeftButton, {}, grip);
    QTest::mouseMove(payee->Box(), grip + QPoint(4, 3));
    QTest::mouseRelease(payee->Box(), Qt::LeftButton, {}, grip);
    const int dx = 4 * tpp(), dy = 3 * tpp();
    EXPECT_EQ(QRect(payee->Left(), payee->Top(), payee->Width(), payee->Height()),
              payeeTw.translated(dx, dy));
    EXPECT_EQ(QRect(use->Left(), use->Top(), use->Width(), use->Height()),
              useTw.translated(dx, dy));
    EXPECT_FALSE(payee->Box()->hasSelectedText());
    // The rows took the move at once.
    const double s = scale();
    EXPECT_EQ(reg().Grid()->TextMatrix(payee->Row(), store::ColX),
              store::CStr(store::PageToMM(payeeTw.x() + dx, s)));

    auto *cmds = &m_w->formatCommands();
    ASSERT_NE(cmds, nullptr);
    ASSERT_TRUE(store::SaveFmt(*cmds));
    m_w->OpenFmt(kCheque, true);
    payee = text("收款人");
    use = text("用途");
    EXPECT_EQ(payee->Left(), payeeTw.x() + dx);
    EXPECT_EQ(use->Top(), useTw.y() + dy);
    EXPECT_TRUE(selected().empty());

    // Outside: exactly X and Y of the two rows differ.
    const QStringList after = dumpRows(kCheque);
    ASSERT_EQ(after.size(), before.size());
    int changed = 0;
    for (int i = 0; i < before.size(); ++i) {
        const QStringList b = before[i].split('\t'), a = after[i].split('\t');
        ASSERT_EQ(a.size(), b.size());
        for (int c = 0; c < a.size(); ++c) {
            if (a[c] == b[c])
                continue;
            ++changed;
            ASSERT_TRUE(b[2] == "收款人" || b[2] == "用途") << before[i].toStdString();
            ASSERT_TRUE(c == 4 || c == 5) << "column " << c; // ID, Fmt, LBL, Dir, X, Y
            const QRect &r = b[2] == "收款人" ? payeeTw : useTw;
            EXPECT_NEAR(a[c].toDouble(), store::PageToMM(c == 4 ? r.x() + dx : r.y() + dy, s),
                        1e-9);
        }
    }
    EXPECT_EQ(changed, 4);

    // The arrow keys on the selection.
    payee = text("收款人");
    ctrlClick(payee);
    pg()->setFocus(Qt::MouseFocusReason);
    const int left = payee->Left(), height = payee->Height();
    const double size = store::Val(reg().Grid()->TextMatrix(payee->Row(), store::ColFSize));
    QTest::keyClick(pg(), Qt::Key_Left);
    EXPECT_EQ(payee->Left(), left - 10);
    QTest::keyClick(pg(), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(payee->Height(), height + 10);
    QTest::keyClick(pg(), Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(store::Val(reg().Grid()->TextMatrix(payee->Row(), store::ColFSize)), size + 0.5);
    EXPECT_DOUBLE_EQ(payee->Font().size, (size + 0.5) * reg().Zoom());
    QTest::keyClick(pg(), Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(payee->Top(), payeeTw.y() + dy);
    // In the focused text box a key moves the field once, and still reaches the box.
    payee->Box()->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(payee->Box(), Qt::Key_Up);
    EXPECT_EQ(payee->Top(), payeeTw.y() + dy - 10);
    // Locked, or nothing selected: nothing moves.
    m_w->O2(2)->setChecked(true);
    pg()->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(pg(), Qt::Key_Left);
    QTest::keyClick(pg(), Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(payee->Left(), left - 10);
    EXPECT_EQ(payee->Height(), height + 10);
    m_w->O2(2)->setChecked(false);
    QTest::mouseClick(pg(), Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_TRUE(selected().empty());
    QTest::keyClick(pg(), Qt::Key_Left);
    EXPECT_EQ(payee->Left(), left - 10);
}

TEST_F(DesignerTest, BandsCtrlClicksAndLines)
{
    addEveryKindFormat();
    m_w->OpenFmt(kEvery, false);
    ASSERT_EQ(reg().CtlCount(3), 1);
    // A band dragged from bottom-right to top-left meets the payee and the tick box, and
    // crosses the line's middle without holding an end of it.
    QTest::mousePress(pg(), Qt::LeftButton, {}, pgAt(57, 50));
    EXPECT_EQ(pg()->toolTip(), "按住鼠标左键并拖动鼠标可以选中需要修改的输入框。");
    QTest::mouseMove(pg(), pgAt(30, 30));
    auto *edit = &m_w->pageEditing();
    EXPECT_TRUE(edit->band()->isVisible());
    QTest::mouseMove(pg(), pgAt(15, 10));
    QTest::mouseRelease(pg(), Qt::LeftButton, {}, pgAt(15, 10));
    EXPECT_FALSE(edit->band()->isVisible());
    EXPECT_EQ(pg()->toolTip(),
              "箭头键->移动位置，Shift+箭头键->改变控件大小，Ctrl+箭头键->改变字体大小！");
    EXPECT_EQ(selected(), (std::set<QString>{"收款人", "加急"}));
    // A Ctrl band adds the seal and the line, whose end it holds.
    QTest::mousePress(pg(), Qt::LeftButton, Qt::ControlModifier, pgAt(175, 50));
    dragTo(pg(), pgAt(135, 40), Qt::ControlModifier);
    QTest::mouseRelease(pg(), Qt::LeftButton, Qt::ControlModifier, pgAt(135, 40));
    EXPECT_EQ(selected(), (std::set<QString>{"收款人", "加急", "图章", "线条"}));
    EXPECT_EQ(page::CountSelCtl(reg()), 2);
    // A small move is no band step; a plain press elsewhere clears everything.
    QTest::mousePress(pg(), Qt::LeftButton, {}, pgAt(100, 55));
    EXPECT_TRUE(selected().empty());
    QTest::mouseMove(pg(), pgAt(100, 55) + QPoint(5, 5));
    EXPECT_FALSE(edit->band()->isVisible());
    QTest::mouseRelease(pg(), Qt::LeftButton, {}, pgAt(100, 55) + QPoint(5, 5));

    // Ctrl+press on a check box and a label toggles them.
    ctrlClick(byLabel("加急"), QPoint(3, 3));
    ctrlClick(byLabel(kEvery), QPoint(3, 3));
    EXPECT_EQ(selected(), (std::set<QString>{"加急", kEvery}));
    ctrlClick(byLabel(kEvery), QPoint(3, 3));
    EXPECT_EQ(selected(), (std::set<QString>{"加急"}));

    // The line's body: a plain press never selects it, a Ctrl+press does.
    page::LineField *ln = line();
    const QPoint body = pgAtTw((ln->X1() + ln->X2()) / 2, ln->Y1());
    QTest::mouseMove(pg(), body);
    EXPECT_EQ(designer().PagePointer(), 2);
    EXPECT_EQ(pg()->cursor().shape(), Qt::CrossCursor);
    QTest::mouseClick(pg(), Qt::LeftButton, {}, body);
    EXPECT_FALSE(ln->Selected());
    QTest::mouseMove(pg(), body + QPoint(1, 0));
    QTest::mouseClick(pg(), Qt::LeftButton, Qt::ControlModifier, body + QPoint(1, 0));
    EXPECT_TRUE(ln->Selected());

    // Dragging the line with two text fields selected moves them, sizes nothing.
    ctrlClick(byLabel("收款人"));
    ctrlClick(byLabel("金额"));
    std::map<int, QRect> geo;
    for (PageField *f : reg().AllFields())
        geo[f->Index()] = QRect(f->Left(), f->Top(), f->Width(), f->Height());
    const int x1 = ln->X1(), y1 = ln->Y1(), x2 = ln->X2(), y2 = ln->Y2();
    QTest::mouseMove(pg(), body);
    EXPECT_EQ(designer().PagePointer(), 2);
    QTest::mousePress(pg(), Qt::LeftButton, Qt::ControlModifier, body);
    EXPECT_FALSE(ln->Selected()); // toggled off again; the line dragged moves all the same
    // The line is 10.5 pixels wide: it moves once the mouse leaves its 157-twip tolerance.
    dragTo(pg(), body + QPoint(0, -15), Qt::ControlModifier);
    QTest::mouseRelease(pg(), Qt::LeftButton, Qt::ControlModifier, body + QPoint(0, -15));
    const int moved = ln->Y1() - y1;
    EXPECT_EQ(moved, -15 * tpp());
    EXPECT_EQ(ln->Y2() - y2, moved);
    EXPECT_EQ(ln->X1(), x1);
    EXPECT_EQ(ln->X2(), x2);
    for (const QString &lbl : {"收款人", "金额"}) {
        PageField *f = byLabel(lbl);
        EXPECT_EQ(QRect(f->Left(), f->Top(), f->Width(), f->Height()),
                  geo[f->Index()].translated(0, moved))
            << lbl.toStdString();
    }
    EXPECT_EQ(reg().Grid()->TextMatrix(ln->Row(), store::ColY),
              store::CStr(store::PageToMM(ln->Y1(), scale())));

    // Pressing near the end and dragging moves only that end.
    QTest::mouseClick(pg(), Qt::LeftButton, {}, pgAt(100, 55));
    const QPoint end = pgAtTw(ln->X2(), ln->Y2());
    const int ex1 = ln->X1(), ey1 = ln->Y1(), ex2 = ln->X2(), ey2 = ln->Y2();
    QTest::mouseMove(pg(), end + QPoint(-1, 1));
    EXPECT_EQ(designer().PagePointer(), 8);
    QTest::mousePress(pg(), Qt::LeftButton, {}, end + QPoint(-1, 1));
    QTest::mouseMove(pg(), end + QPoint(9, 6));
    QTest::mouseRelease(pg(), Qt::LeftButton, {}, end + QPoint(9, 6));
    EXPECT_EQ(ln->X1(), ex1);
    EXPECT_EQ(ln->Y1(), ey1);
    EXPECT_EQ(ln->X2(), ex2 + 10 * tpp());
    EXPECT_EQ(ln->Y2(), ey2 + 5 * tpp());
    EXPECT_EQ(designer().PagePointer(), 0);

    // Locked: a press starts no band and keeps the band's rectangle.
    m_w->O2(2)->setChecked(true);
    const page::Designer::Rect r = designer().SelRect;
    QTest::mousePress(pg(), Qt::LeftButton, {}, pgAt(5, 5));
    QTest::mouseMove(pg(), pgAt(60, 30));
    QTest::mouseRelease(pg(), Qt::LeftButton, {}, pgAt(60, 30));
    EXPECT_EQ(designer().SelRect.x1, r.x1);
    EXPECT_EQ(designer().SelRect.x2, r.x2);
    EXPECT_FALSE(edit->band()->isVisible());
    QTest::mouseMove(byLabel("收款人")->Widget(), QPoint(2, 2));
    EXPECT_EQ(byLabel("收款人")->PointerMode(), 0);
}

TEST_F(DesignerTest, AlignmentMenusAndClipboard)
{
    addEveryKindFormat();
    m_w->OpenFmt(kEvery, false);
    mainwin::PopupMenus &menus = *m_w->menuForm();
    auto action = [&](const char *name) {
        auto *a = m_w->mCtlSame()->findChild<QAction *>(name);
        if (!a)
            for (QMenu *m : m_w->mCtlSame()->findChildren<QMenu *>())
                for (QAction *x : m->actions())
                    if (x->objectName() == name)
                        a = x;
        EXPECT_NE(a, nullptr) << name;
        return a;
    };
    // The items of the menu in their order.
    QStringList captions;
    for (QAction *a : m_w->mCtlSame()->actions()) {
        captions << a->text();
        if (a->menu())
            for (QAction *x : a->menu()->actions())
                captions << x->text();
    }
    EXPECT_EQ(captions, QStringList({"内容框对齐", "左对齐", "右对齐", "顶端对齐", "底部对齐",
                                     "内容框尺寸", "统一宽度", "统一高度", "统一尺寸"}));

    // "左对齐" on a text field, a check box and a picture: the proposal accepted.
    PageField *payee = byLabel("收款人"), *tick = byLabel("加急"), *bar = byLabel("条码");
    for (PageField *f : {payee, tick, bar})
        ctrlClick(f, QPoint(3, 3));
    const int minLeft = std::min({payee->Left(), tick->Left(), bar->Left()});
    action("mAlignLeft")->trigger();
    EXPECT_EQ(rec().messages.value(0), "请输入设定值(毫米)：");
    for (PageField *f : {payee, tick, bar})
        EXPECT_EQ(
            f->Left(),
            store::CLng(store::Val(store::CStr(store::CLng(minLeft / scale() * 100) / 100.0)) *
                        scale()));
    // A typo changes nothing.
    const int top = bar->Top();
    rec().textAnswers = {"abc"};
    action("mAlignTop")->trigger();
    EXPECT_EQ(rec().messages.last(), "请输入有效的数值！");
    EXPECT_EQ(bar->Top(), top);
    // "统一尺寸": the height first, then the width; the check box keeps its size.
    rec().messages.clear();
    rec().textAnswers = {"10", "30"};
    action("mAlignSize")->trigger();
    EXPECT_EQ(rec().messages.size(), 2);
    EXPECT_EQ(bar->Height(), store::CLng(10 * scale()));
    EXPECT_EQ(payee->Width(), store::CLng(30 * scale()));
    EXPECT_EQ(tick->Width(), page::kCheckBoxWidth);
    // Only labels and lines: the message, once.
    QTest::mouseClick(pg(), Qt::LeftButton, {}, pgAt(100, 55));
    ctrlClick(byLabel(kEvery), QPoint(3, 3));
    rec().messages.clear();
    action("mAlignSize")->trigger();
    EXPECT_EQ(rec().messages, QStringList{"请先选定多个输入框，再操作此功能！"});

    // Right presses: a text field, a check box, the page.
    page::TextField *amount = text("金额");
    amount->SetText("ABCD");
    bool copyShown = false;
    whenMenuOpens([&](QMenu *m) {
        EXPECT_EQ(m, menus.m_CtlSet());
        copyShown =
            menus.mCopy()->isVisible() && menus.mPaste()->isVisible() && menus.L5()->isVisible();
    });
    QTest::mousePress(amount->Box(), Qt::RightButton, {}, QPoint(10, 4));
    EXPECT_TRUE(copyShown);
    EXPECT_EQ(menus.CurCtl, amount);
    menus.mCopy()->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "ABCD");
    whenMenuOpens([&](QMenu *m) {
        EXPECT_EQ(m, menus.m_CtlSet());
        copyShown =
            menus.mCopy()->isVisible() || menus.mPaste()->isVisible() || menus.L5()->isVisible();
    });
    QTest::mousePress(tick->Widget(), Qt::RightButton, {}, QPoint(3, 3));
    EXPECT_FALSE(copyShown);
    EXPECT_EQ(menus.CurCtl, tick);
    QMenu *opened = nullptr;
    whenMenuOpens([&](QMenu *m) { opened = m; });
    QTest::mousePress(pg(), Qt::RightButton, {}, pgAt(100, 55));
    EXPECT_EQ(opened, menus.mPicGraph());
    EXPECT_EQ(menus.CurCtl, tick);

    // A value longer than its box shows is copied whole, and pasted into at its end.
    const QString longText = QString(40000, u'长') + u'尾';
    amount->SetText(longText);
    whenMenuOpens([](QMenu *) {});
    QTest::mousePress(amount->Box(), Qt::RightButton, {}, QPoint(10, 4));
    menus.mCopy()->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), longText);
    QGuiApplication::clipboard()->setText("XY");
    amount->Box()->end(false);
    whenMenuOpens([](QMenu *) {});
    QTest::mousePress(amount->Box(), Qt::RightButton, {}, QPoint(10, 4));
    menus.mPaste()->trigger();
    EXPECT_EQ(amount->Text(), longText + "XY");
    amount->SetText("ABCD");

    // Paste into the payee over a selected part, and into the label (and its row).
    page::TextField *payeeText = text("收款人");
    payeeText->SetText("ABCD");
    payeeText->Box()->setSelection(1, 2);
    QGuiApplication::clipboard()->setText("XY");
    whenMenuOpens([](QMenu *) {});
    QTest::mousePress(payeeText->Box(), Qt::RightButton, {}, QPoint(10, 4));
    menus.mPaste()->trigger();
    EXPECT_EQ(payeeText->Text(), "AXYD");
    auto *label = static_cast<page::LabelField *>(byLabel(kEvery));
    whenMenuOpens([](QMenu *) {});
    QTest::mousePress(label->Widget(), Qt::RightButton, {}, QPoint(3, 3));
    menus.mPaste()->trigger();
    EXPECT_EQ(label->CaptionText(), "XY");
    EXPECT_EQ(reg().Grid()->TextMatrix(label->Row(), store::ColLBL), "XY");

    // "清空内容框" with only the check box selected clears only it (not the typed values).
    QTest::mouseClick(pg(), Qt::LeftButton, {}, pgAt(100, 55));
    static_cast<page::CheckField *>(tick)->SetValue(1);
    ctrlClick(tick, QPoint(3, 3)); // the click ticks it off and on like any click
    static_cast<page::CheckField *>(tick)->SetValue(1);
    ASSERT_EQ(selected(), (std::set<QString>{"加急"}));
    menus.mClearCtl()->trigger();
    EXPECT_EQ(static_cast<page::CheckField *>(tick)->Value(), 0);
    EXPECT_EQ(payeeText->Text(), "AXYD");
    EXPECT_EQ(amount->Text(), "ABCD");
    // Nothing selected: every field with a prompt is emptied.
    QTest::mouseClick(pg(), Qt::LeftButton, {}, pgAt(100, 55));
    menus.mClearCtl()->trigger();
    EXPECT_EQ(payeeText->Text(), "");

    // Locked: "设置内容框" greyed, copying still works.
    m_w->O2(2)->setChecked(true);
    EXPECT_FALSE(menus.mCtlSet()->isEnabled());
    EXPECT_FALSE(m_w->mCtlSame()->isEnabled());
    amount->SetText("1234.5");
    whenMenuOpens([](QMenu *) {});
    QTest::mousePress(amount->Box(), Qt::RightButton, {}, QPoint(10, 4));
    EXPECT_TRUE(menus.mCopy()->isEnabled());
    menus.mCopy()->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "1234.5");
}

TEST_F(DesignerTest, TextFieldDialogWritesTheMarkedItemsToTheSelection)
{
    const QStringList before = dumpRows(kCheque);
    page::TextField *payee = text("收款人"), *use = text("用途"), *amount = text("小写金额");
    payee->SetText("1234.5");
    ctrlClick(payee);
    ctrlClick(use);
    // "设置内容框" from the third field's pop-up menu.
    openCtlSet(amount);
    auto *dlg = qobject_cast<page::EditCtl *>(dialogs().Dialog(FieldKind::Text));
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(dlg->windowTitle(), "添加/修改控件");
    EXPECT_EQ(dlg->CtlRow(), amount->Row());
    EXPECT_EQ(dlg->TT(0)->text(), "小写金额");
    EXPECT_EQ(dlg->CMB()->currentText().left(3), "011");
    EXPECT_EQ(dlg->CashNum()->text(), "12");
    EXPECT_EQ(dlg->LCode()->text(), "小写金额格数：");
    EXPECT_FALSE(dlg->OpA(0)->isEnabled());
    // The relation list: no own field, IDs in six digits.
    EXPECT_EQ(dlg->RCtl(0)->itemText(0), "000000｜没有相关联输入框");
    for (int i = 1; i < dlg->RCtl(0)->count(); ++i)
        EXPECT_FALSE(dlg->RCtl(0)->itemText(i).endsWith("｜小写金额"));
    // The sum and relation lists, filled after the dialog was laid out, show their longest
    // entry whole when closed.
    QTRY_VERIFY(dlg->isVisible());
    for (QComboBox *list : {dlg->CSUM(0), dlg->CSUM(1), dlg->RCtl(0), dlg->RCtl(1)}) {
        dlg->layout()->activate();
        EXPECT_GE(list->width(), list->sizeHint().width()) << list->objectName().toStdString();
    }
    EXPECT_FALSE(dlg->Changed());

    // Cancel after edits writes nothing; a cancelled font dialog marks nothing.
    const QStringList grid0 = gridRows();
    typeInto(dlg->TT(1), "99");
    dlg->cancelButton()->click();
    EXPECT_EQ(gridRows(), grid0);
    openCtlSet(amount);
    dlg = qobject_cast<page::EditCtl *>(dialogs().Dialog(FieldKind::Text));
    ASSERT_NE(dlg, nullptr);
    QTimer::singleShot(0, [] {
        if (auto *d = qobject_cast<QFontDialog *>(QApplication::activeModalWidget()))
            d->reject();
    });
    static_cast<QAbstractButton *>(dlg->fontButton())->click();
    EXPECT_FALSE(dlg->Changed());
    // A position without a number: the message, the box keeps the focus, nothing written.
    typeInto(dlg->TT(2), "abc");
    dlg->okButton()->click();
    EXPECT_EQ(rec().messages.last(), "请输入有效的数值！");
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(gridRows(), grid0);
    dlg->cancelButton()->click();
    QTRY_VERIFY(!dialogs().Dialog(FieldKind::Text));

    // X 30 and the kind "103｜大写金额(元)" for the three fields.
    openCtlSet(amount);
    dlg = qobject_cast<page::EditCtl *>(dialogs().Dialog(FieldKind::Text));
    ASSERT_NE(dlg, nullptr);
    typeInto(dlg->TT(1), "30");
    pick(dlg->CMB(), "103");
    EXPECT_EQ(dlg->LCode()->text(), "数据类型代码：");
    EXPECT_FALSE(dlg->CashNum()->isEnabled());
    dlg->okButton()->click();
    QTRY_VERIFY(!dialogs().Dialog(FieldKind::Text));
    const double s = scale();
    for (page::TextField *f : {payee, use, amount}) {
        EXPECT_EQ(cell(f, store::ColX), "30");
        EXPECT_EQ(cell(f, store::ColCash), "103");
        EXPECT_EQ(f->Left(), store::MMToPage(30, s));
    }
    EXPECT_EQ(payee->Text(), "壹仟贰佰叁拾肆元伍角整");

    // Saved and read back from outside: X and the kind of the three rows, nothing else.
    ASSERT_TRUE(store::SaveFmt(*&m_w->formatCommands()));
    const QStringList after = dumpRows(kCheque);
    ASSERT_EQ(after.size(), before.size());
    int changed = 0;
    for (int i = 0; i < before.size(); ++i) {
        const QStringList b = before[i].split('\t'), a = after[i].split('\t');
        for (int c = 0; c < a.size(); ++c) {
            if (a[c] == b[c])
                continue;
            ++changed;
            EXPECT_TRUE(b[2] == "收款人" || b[2] == "用途" || b[2] == "小写金额")
                << b[2].toStdString();
            // ID, Fmt, LBL, Dir, X, ..., Clas (17), Cash (18)
            EXPECT_TRUE((c == 4 && a[c].toDouble() == 30) || (c == 18 && a[c].toDouble() == 103))
                << "column " << c << " " << a[c].toStdString();
        }
    }
    EXPECT_EQ(changed, 6);

    // A format switch closes an open dialog, which writes nothing into the next format.
    openCtlSet(amount);
    dlg = qobject_cast<page::EditCtl *>(dialogs().Dialog(FieldKind::Text));
    ASSERT_NE(dlg, nullptr);
    typeInto(dlg->TT(1), "5");
    QPointer<page::EditCtl> guard(dlg);
    m_w->OpenFmt("进账单", false);
    QTRY_VERIFY(!guard || !guard->isVisible());
    const QStringList other = gridRows();
    QCoreApplication::processEvents();
    EXPECT_EQ(gridRows(), other);
    EXPECT_FALSE(dialogs().Dialog(FieldKind::Text) &&
                 dialogs().Dialog(FieldKind::Text)->isVisible());
}

// A field whose family is not installed, at a size between whole points (as stored on a wide
// screen): the font dialog opens on what the field shows, and 确定 on it changes nothing that
// 保存格式 then stores.
TEST_F(DesignerTest, FontDialogAcceptedUnchangedKeepsTheFieldsFont)
{
    ASSERT_TRUE(store::ExecSQL("UPDATE Fmt SET fName='宋体', fSize=16.54 WHERE Fmt=? AND "
                               "LBL='收款人'",
                               {kCheque}));
    m_w->OpenFmt(kCheque, true);
    const QStringList before = dumpRows(kCheque);
    const QString shown = QFontInfo(text("收款人")->Widget()->font()).family();
    ASSERT_NE(shown, "宋体");
    openCtlSet(text("收款人"));
    auto *dlg = qobject_cast<page::EditCtl *>(dialogs().Dialog(FieldKind::Text));
    ASSERT_NE(dlg, nullptr);
    QTRY_VERIFY(dlg->isVisible());
    QFont opened;
    int answered = 0;
    auto *t = new QTimer(m_w);
    t->setInterval(0);
    QObject::connect(t, &QTimer::timeout, t, [&] {
        QWidget *m = QApplication::activeModalWidget();
        auto *box = m ? m->findChild<QDialogButtonBox *>() : nullptr;
        if (!box || !(qobject_cast<QFontDialog *>(m) || qobject_cast<QColorDialog *>(m)))
            return;
        if (auto *f = qobject_cast<QFontDialog *>(m)) {
            opened = f->currentFont();
            QTest::mouseClick(box->button(QDialogButtonBox::Ok), Qt::LeftButton);
        } else {
            QTest::mouseClick(box->button(QDialogButtonBox::Cancel), Qt::LeftButton);
            t->deleteLater();
        }
        ++answered;
    });
    t->start();
    QTest::mouseClick(static_cast<QAbstractButton *>(dlg->fontButton()), Qt::LeftButton);
    EXPECT_EQ(answered, 2);
    EXPECT_EQ(opened.family().toStdString(), shown.toStdString());
    EXPECT_EQ(opened.pointSize(), 17);
    QTest::mouseClick(dlg->okButton(), Qt::LeftButton);
    QTRY_VERIFY(!dialogs().Dialog(FieldKind::Text));
    m_w->findChild<QAction *>("m_FCom(31)")->trigger();
    EXPECT_EQ(dumpRows(kCheque).join('\n').toStdString(), before.join('\n').toStdString());
    EXPECT_TRUE(before.join('\n').contains("\t宋体\t16.54\t"));
}

TEST_F(DesignerTest, CheckPictureLabelAndLineDialogs)
{
    addEveryKindFormat();
    // Two more fields of each kind, so that a dialog's field has two selected companions.
    const QString sql =
        "INSERT INTO Fmt(Fmt, LBL, Dir, X, Y, W, H, S, L, Color, fName, fSize, "
        "Clas, Cash) VALUES('全类型支票', ?, 0, ?, ?, ?, ?, 0, 0, 0, '宋体', ?, ?, ?)";
    struct R
    {
        const char *lbl;
        double x, y, w, h, size;
        int clas;
        double cash;
    } rows[] = {{"加急2", 30, 30, 5, 5, 10.5, 1, 0},   {"加急3", 40, 30, 5, 5, 10.5, 1, 0},
                {"标签2", 10, 52, 30, 6, 10.5, 4, 0},  {"标签3", 50, 52, 30, 6, 10.5, 4, 0},
                {"线条2", 10, 50, 60, 50, 1, 3, 1},    {"线条3", 100, 50, 160, 50, 1, 3, 1},
                {"图章2", 165, 28, 10, 10, 10.5, 2, 0}};
    for (const R &r : rows)
        ASSERT_TRUE(store::ExecSQL(
            sql, {QString::fromUtf8(r.lbl), r.x, r.y, r.w, r.h, r.size, r.clas, r.cash}));
    m_w->OpenFmt(kEvery, false);
    const double s = scale();
    page::TextField *payee = text("收款人");

    // Check boxes: "纵向坐标：" 33 and the prompt below, for three boxes; a text field stays.
    const QString payeeRow = cell(payee, store::ColY);
    for (const char *l : {"加急2", "加急3"})
        ctrlClick(byLabel(l), QPoint(3, 3));
    ctrlClick(payee);
    auto *chk = qobject_cast<page::ProChk *>(dialogs().Open(byLabel("加急")));
    ASSERT_NE(chk, nullptr);
    EXPECT_EQ(chk->windowTitle(), "修改可选框属性");
    // A cancelled font dialog marks nothing; OK then writes nothing.
    answerFontDialogs(std::nullopt);
    static_cast<QAbstractButton *>(chk->fontButton())->click();
    EXPECT_FALSE(chk->Changed());
    typeInto(chk->TT(2), "33");
    chk->findChild<QRadioButton *>("POS(3)")->click();
    chk->okButton()->click();
    for (const char *l : {"加急", "加急2", "加急3"}) {
        EXPECT_EQ(cell(byLabel(l), store::ColY), "33") << l;
        EXPECT_EQ(cell(byLabel(l), store::ColDir), "下方") << l;
        EXPECT_EQ(byLabel(l)->Top(), store::MMToPage(33, s));
    }
    EXPECT_EQ(cell(payee, store::ColY), payeeRow);

    // Pictures: a barcode redrawn at its new size, read back by zbarimg.
    QTest::mouseClick(pg(), Qt::LeftButton, {}, pgAt(100, 58));
    auto *bar = static_cast<page::PictureField *>(byLabel("条码"));
    page::SetPicCtlContent(*bar, "QUORVAN42");
    ctrlClick(byLabel("图章"), QPoint(3, 3));
    ctrlClick(byLabel("图章2"), QPoint(3, 3));
    ctrlClick(byLabel("金额"));
    const QString amountW = cell(byLabel("金额"), store::ColW);
    auto *pic = qobject_cast<page::ProPic *>(dialogs().Open(bar));
    ASSERT_NE(pic, nullptr);
    EXPECT_EQ(pic->windowTitle(), "添加/修改图像框");
    typeInto(pic->TT(0), "条形码");
    typeInto(pic->TT(3), "90");
    typeInto(pic->TT(4), "12abc");
    pic->findChild<QRadioButton *>("POS(2)")->click();
    pic->okButton()->click();
    for (int i = 2001; i <= 2003; ++i) {
        PageField *f = reg().GetCtlByIdx(i);
        EXPECT_EQ(cell(f, store::ColLBL), "条形码");
        EXPECT_EQ(cell(f, store::ColW), "90");
        EXPECT_EQ(cell(f, store::ColH), "12");
        EXPECT_EQ(cell(f, store::ColDir), "右边");
        // The prompt now stands right of its field.
        EXPECT_EQ(f->Caption()->Left(), f->Left() + f->Width());
    }
    EXPECT_EQ(cell(byLabel("金额"), store::ColW), amountW);
    EXPECT_EQ(bar->Width(), store::MMToPage(90, s));
    EXPECT_EQ(bar->Box()->Picture().width(), bar->Box()->width());
    QTemporaryFile png(m_dir.path() + "/barXXXXXX.png");
    ASSERT_TRUE(png.open());
    ASSERT_TRUE(bar->Box()->grab().save(png.fileName(), "PNG"));
    QProcess z;
    z.start("zbarimg", {"--raw", "-q", png.fileName()});
    ASSERT_TRUE(z.waitForFinished(10000));
    EXPECT_EQ(QString::fromUtf8(z.readAllStandardOutput()).trimmed(), "QUORVAN42");

    // Labels: "居中" alone packs the spacing with alignment 2 into column 9.
    QTest::mouseClick(pg(), Qt::LeftButton, {}, pgAt(100, 58));
    for (const char *l : {"标签2", "标签3"})
        ctrlClick(byLabel(l), QPoint(3, 3));
    ctrlClick(byLabel("加急"), QPoint(3, 3));
    auto *lbl = qobject_cast<page::ProLBL *>(dialogs().Open(byLabel(kEvery)));
    ASSERT_NE(lbl, nullptr);
    EXPECT_EQ(lbl->windowTitle(), "标签属性修改");
    const QString tickY = cell(byLabel("加急"), store::ColY);
    lbl->OpA(2)->click();
    typeInto(lbl->TT(1), "12.5");
    typeInto(lbl->TT(4), "8");
    answerFontDialogs(QFont("DejaVu Sans", 14, QFont::Bold));
    static_cast<QAbstractButton *>(lbl->fontButton())->click();
    EXPECT_TRUE(lbl->Changed());
    lbl->okButton()->click();
    for (int i = 4001; i <= 4003; ++i) {
        PageField *f = reg().GetCtlByIdx(i);
        EXPECT_EQ(cell(f, store::ColL), store::CStr(page::PackSpacing(0, 2)));
        EXPECT_EQ(cell(f, store::ColX), "12.5");
        EXPECT_EQ(cell(f, store::ColH), "8");
        EXPECT_EQ(cell(f, store::ColFName), "DejaVu Sans");
        EXPECT_EQ(cell(f, store::ColFSize), "14");
        EXPECT_EQ(cell(f, store::ColBold), "√");
        EXPECT_EQ(f->Alignment(), 2);
        EXPECT_EQ(f->Left(), store::MMToPage(12.5, s));
    }
    EXPECT_EQ(cell(byLabel("加急"), store::ColY), tickY);

    // Lines: style, thickness, points and black.
    QTest::mouseClick(pg(), Qt::LeftButton, {}, pgAt(100, 58));
    auto *l2 = static_cast<page::LineField *>(byLabel("线条2"));
    auto *l3 = static_cast<page::LineField *>(byLabel("线条3"));
    for (page::LineField *l : {l2, l3}) {
        const QPoint body = pgAtTw((l->X1() + l->X2()) / 2, l->Y1());
        QTest::mouseMove(pg(), body + QPoint(0, 1));
        QTest::mouseClick(pg(), Qt::LeftButton, Qt::ControlModifier, body + QPoint(0, 1));
    }
    ASSERT_TRUE(l2->Selected() && l3->Selected());
    auto *first = static_cast<page::LineField *>(byLabel("线条"));
    auto *ln = qobject_cast<page::ProLine *>(dialogs().Open(first));
    ASSERT_NE(ln, nullptr);
    EXPECT_EQ(ln->windowTitle(), "线条属性修改");
    pick(ln->CMB(), "3 - ");
    typeInto(ln->TT(0), "0");
    ln->okButton()->click();
    EXPECT_EQ(rec().messages.last(), "请输入有效的数值！");
    typeInto(ln->TT(0), "3");
    typeInto(ln->TT(2), "20");
    QTimer::singleShot(0, [] {
        if (auto *d = qobject_cast<QColorDialog *>(QApplication::activeModalWidget())) {
            d->setCurrentColor(Qt::black);
            d->accept();
        }
    });
    // Blue first in the rows, so that black is a change.
    for (page::LineField *l : {first, l2, l3})
        store::SetCellColor(*reg().Grid(), l->Row(), store::ColColor, 0xFF0000, false);
    ln->ColorButton()->click();
    EXPECT_TRUE(ln->Changed());
    ln->okButton()->click();
    for (page::LineField *l : {first, l2, l3}) {
        EXPECT_EQ(cell(l, store::ColCash), "3");
        EXPECT_EQ(cell(l, store::ColFSize), "3");
        EXPECT_EQ(cell(l, store::ColY), "20");
        EXPECT_EQ(store::GetCellColor(*reg().Grid(), l->Row(), store::ColColor, false), 0u);
        EXPECT_EQ(l->BorderColor(), 0u);
        EXPECT_EQ(l->BorderStyle(), 3);
        EXPECT_EQ(l->Y1(), store::MMToPage(20, s));
        EXPECT_FALSE(l->Selected());
    }
}

TEST_F(DesignerTest, SlipSizeDialog)
{
    page::TextField *payee = text("收款人");
    payee->SetText("上海某某有限公司");
    const double xmm = store::Val(cell(payee, store::ColX));
    auto *size = qobject_cast<page::FormSize *>(dialogs().OpenFormSize());
    ASSERT_NE(size, nullptr);
    EXPECT_EQ(size->windowTitle(), "修改单据尺寸");
    EXPECT_EQ(size->TX()->text(), "240");
    auto attempt = [&](const QString &w, const QString &h) {
        size->TX()->setText(w);
        size->TY()->setText(h);
        rec().messages.clear();
        size->okButton()->click();
        return rec().messages.isEmpty();
    };
    for (const auto &[w, h] :
         {std::pair{"210", "10.4"}, {"10", "201"}, {"-100", "-50"}, {"", "50"}}) {
        EXPECT_FALSE(attempt(w, h)) << w << "x" << h;
        EXPECT_EQ(rec().messages.value(0), "单据的宽度与高度比例应为1：20到20：1之间！");
        EXPECT_TRUE(size->isVisible());
        EXPECT_EQ(size->TX()->text(), w);
    }
    EXPECT_TRUE(attempt("210", "10.5"));
    EXPECT_EQ(m_w->Wid()->text(), "210");
    EXPECT_EQ(m_w->Hie()->text(), "10.5");
    size = dialogs().OpenFormSize();
    EXPECT_TRUE(attempt("10", "200"));
    size = dialogs().OpenFormSize();
    EXPECT_TRUE(attempt("180mm", "95.5"));
    EXPECT_EQ(m_w->Wid()->text(), "180");
    EXPECT_EQ(m_w->Hie()->text(), "95.5");
    EXPECT_EQ(pg()->twWidth(), m_w->PFrm()->twWidth());
    EXPECT_NEAR(pg()->twHeight(), pg()->twWidth() * 95.5 / 180, 1);
    // Typed values and millimetres survive the rebuild.
    payee = text("收款人");
    EXPECT_EQ(payee->Text(), "上海某某有限公司");
    EXPECT_EQ(store::Val(cell(payee, store::ColX)), xmm);
    EXPECT_EQ(payee->Left(), store::MMToPage(xmm, scale()));
}

// Outside: the field the dialog moved prints at its new place.
TEST_F(MainWinTest, FieldMovedByItsDialogPrintsThere)
{
    const QString pdf = m_dir.filePath("moved.pdf");
    mainwin::PrintQuestions q;
    q.choosePrinter = [] {
        print::Current().Select(print::kPdfPrinterName);
        return print::kPdfPrinterName;
    };
    q.pdfFileName = [pdf] { return pdf; };
    auto w = std::make_unique<MainWindow>(mainwin::MainWindowHooks{q, {}, {}});
    mainwin::PageEditing *edit = &w->pageEditing();
    QSignalSpy loaded(w.get(), &MainWindow::loadFinished);
    w->show();
    ASSERT_TRUE(loaded.wait(5000));
    ASSERT_EQ(w->context().FormatName(), "转账支票");
    auto *payee = static_cast<page::TextField *>(w->fields()->GetCtlByIdx(8));
    payee->SetText("甲乙丙丁有限公司");
    auto *dlg = qobject_cast<page::EditCtl *>(edit->dialogs().Open(payee));
    ASSERT_NE(dlg, nullptr);
    dlg->TT(1)->setFocus();
    dlg->TT(1)->selectAll();
    QTest::keyClicks(dlg->TT(1), "30");
    dlg->okButton()->click();
    w->COM(0)->click();
    ASSERT_TRUE(QFile::exists(pdf));
    QProcess p;
    p.start("pdftotext", {"-bbox", pdf, "-"});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    const QRegularExpression word(R"re(<word xMin="([0-9.]+)"[^>]*>([^<]*)</word>)re");
    // The payee and the stub's payee, which repeats it: one of them 30 mm from the left edge
    // (plus the cheque's margin), in points.
    const double margin = store::Val(w->context().MarginX());
    const double at = (30 + margin) * 72 / 25.4;
    int near = 0, found = 0;
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        if (!m.captured(2).endsWith("有限公司"))
            continue;
        ++found;
        if (std::abs(m.captured(1).toDouble() - at) < 3 * 72 / 25.4)
            ++near;
    }
    EXPECT_EQ(found, 2) << html.toStdString();
    EXPECT_EQ(near, 1) << html.toStdString();
}

TEST_F(DesignerTest, TextFieldDialogKindsSumsLinksAndCustomPattern)
{
    page::TextField *amount = text("小写金额"), *payee = text("收款人"), *use = text("用途");
    store::FlexGridModel &g = *reg().Grid();
    auto open = [&](PageField *f) {
        auto *d = qobject_cast<page::EditCtl *>(dialogs().Open(f));
        EXPECT_NE(d, nullptr);
        return d;
    };
    auto ok = [&](page::EditCtl *d) {
        d->okButton()->click();
        QTRY_VERIFY(!dialogs().Dialog(FieldKind::Text));
    };
    // A stored 104.01 is shown as its code and kept when the kind is not touched.
    g.SetTextMatrix(amount->Row(), store::ColCash, "104.01");
    page::EditCtl *d = open(amount);
    EXPECT_TRUE(d->CMB()->currentText().startsWith("104｜"));
    EXPECT_EQ(d->LCode()->text(), "数据类型代码：");
    EXPECT_EQ(d->CashNum()->text(), "104.01");
    EXPECT_FALSE(d->CashNum()->isEnabled());
    // Keys typed into the list change nothing.
    QTest::keyClick(d->CMB(), Qt::Key_Down);
    QTest::keyClick(d->CMB(), Qt::Key_A);
    EXPECT_TRUE(d->CMB()->currentText().startsWith("104｜"));
    ok(d);
    EXPECT_EQ(cell(amount, store::ColCash), "104.01");
    // 114 with 5 positions: 114.05, shown as 5 again.
    d = open(amount);
    pick(d->CMB(), "114");
    EXPECT_EQ(d->CashNum()->text(), "11");
    EXPECT_EQ(d->LCode()->text(), "大写金额位数：");
    EXPECT_FALSE(d->OpA(0)->isEnabled());
    typeInto(d->CashNum(), "5");
    ok(d);
    EXPECT_EQ(cell(amount, store::ColCash), "114.05");
    d = open(amount);
    EXPECT_EQ(d->CashNum()->text(), "5");
    // 211 keeps 11 boxes; 8 gives 208; 150 confirmed without leaving the box is no code.
    pick(d->CMB(), "211");
    EXPECT_TRUE(d->OpA(0)->isEnabled());
    EXPECT_EQ(d->LCode()->text(), "数字格数：");
    ok(d);
    EXPECT_EQ(cell(amount, store::ColCash), "211");
    d = open(amount);
    typeInto(d->CashNum(), "8");
    ok(d);
    EXPECT_EQ(cell(amount, store::ColCash), "208");
    d = open(amount);
    typeInto(d->CashNum(), "150");
    ok(d);
    EXPECT_EQ(cell(amount, store::ColCash), "211");

    // The relation lists: no own field, IDs in six digits.
    const QString useId = cell(use, store::ColID);
    g.SetTextMatrix(payee->Row(), store::ColSumID, "-" + useId + ".1");
    g.SetTextMatrix(payee->Row(), store::ColRCtl, "-" + useId);
    d = open(payee);
    const QString useEntry = useId.rightJustified(6, '0') + "｜用途";
    EXPECT_EQ(d->RCtl(0)->itemText(0), "000000｜没有相关联输入框");
    QStringList entries;
    for (int i = 0; i < d->RCtl(0)->count(); ++i)
        entries << d->RCtl(0)->itemText(i);
    EXPECT_TRUE(entries.contains(useEntry));
    EXPECT_FALSE(entries.contains(cell(payee, store::ColID).rightJustified(6, '0') + "｜收款人"));
    EXPECT_EQ(entries.size(), reg().CtlCount(0)); // every other text field and the first entry
    // A sum of -ID.1: multiply, negated, that field; marked again it stays.
    EXPECT_TRUE(d->Op1(1)->isChecked());
    EXPECT_TRUE(d->Chk(0)->isChecked());
    EXPECT_EQ(d->CSUM(0)->currentText(), useEntry);
    // A negative link shows neither option.
    EXPECT_EQ(d->RCtl(0)->currentText(), useEntry);
    EXPECT_FALSE(d->Op2(0)->isChecked());
    EXPECT_FALSE(d->Op2(1)->isChecked());
    pick(d->CSUM(0), useEntry);
    d->Op2(0)->click();
    ok(d);
    EXPECT_EQ(cell(payee, store::ColSumID), "-" + useId + ".1");
    EXPECT_EQ(cell(payee, store::ColRCtl), useId);

    // The custom pattern of kind 119: stored at once, the entry renamed, nothing marked.
    d = open(use);
    pick(d->CMB(), "119");
    EXPECT_TRUE(d->Custom()->isEnabled());
    rec().textAnswers = {"MM/DD"};
    d->Custom()->click();
    EXPECT_EQ(rec().messages.last(), "请输入自定义数据格式信息(类型编号119)：");
    EXPECT_EQ(store::GetPara("自定义类型119"), "MM/DD");
    EXPECT_EQ(d->CMB()->currentText(), "119｜自定义日期：MM/DD");
    d->cancelButton()->click();
    EXPECT_EQ(store::GetPara("自定义类型119"), "MM/DD");
    d = open(use);
    for (int i = 0; i < d->CMB()->count(); ++i)
        if (d->CMB()->itemText(i).startsWith("119"))
            EXPECT_EQ(d->CMB()->itemText(i), "119｜自定义日期：MM/DD");
    d->cancelButton()->click();
}

TEST_F(DesignerTest, LineMenuOnTheLineUnderThePointer)
{
    addEveryKindFormat();
    m_w->OpenFmt(kEvery, false);
    mainwin::PopupMenus &menus = *m_w->menuForm();
    page::LineField *ln = line();
    const QPoint body = pgAtTw((ln->X1() + ln->X2()) / 2, ln->Y1());
    QTest::mouseMove(pg(), body);
    ASSERT_EQ(designer().PagePointer(), 2);
    bool shown = true;
    QMenu *opened = nullptr;
    whenMenuOpens([&](QMenu *m) {
        opened = m;
        shown =
            menus.mCopy()->isVisible() || menus.mPaste()->isVisible() || menus.L5()->isVisible();
    });
    QTest::mousePress(pg(), Qt::RightButton, {}, body);
    EXPECT_EQ(opened, menus.m_CtlSet());
    EXPECT_FALSE(shown);
    EXPECT_EQ(menus.CurCtl, ln);
    // "设置内容框" on it: the line dialog with its row.
    menus.mCtlSet()->trigger();
    auto *d = dialogs().Dialog(FieldKind::Line);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->CtlRow(), ln->Row());
    d->reject();
}

TEST_F(DesignerTest, DialogPreviewShowsThePromptAsTyped)
{
    page::TextField *amount = text("小写金额");
    openCtlSet(amount);
    auto *dlg = qobject_cast<page::EditCtl *>(dialogs().Dialog(FieldKind::Text));
    ASSERT_NE(dlg, nullptr);
    typeInto(dlg->TT(0), "<b>金额</b>&amp;");
    const auto *preview = dlg->findChild<QLabel *>("LBL");
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->text(), "<b>金额</b>&amp;");
    EXPECT_EQ(preview->textFormat(), Qt::PlainText);
    dlg->cancelButton()->click();
}

TEST_F(DesignerTest, RightClicksAndDoubleClicksSelectOnlyWhatTheUserChose)
{
    ASSERT_EQ(m_w->context().FormatName(), kCheque);
    const QStringList before = dumpRows(kCheque);
    const std::set<QString> stub{"存根出票日期", "存根收款人", "存根金额", "存根用途"};
    // A band over the stub, then zoom in, which clears the selection.
    ASSERT_EQ(pg()->childAt(pgAt(64, 74)), nullptr);
    // Earlier right presses answered by a menu left their button held in the test's mouse.
    QTest::mouseRelease(pg(), Qt::RightButton, {}, pgAt(64, 74));
    QTest::mousePress(pg(), Qt::LeftButton, {}, pgAt(64, 74));
    QTest::mouseMove(pg(), pgAt(30, 45));
    QTest::mouseMove(pg(), pgAt(12, 26));
    QTest::mouseRelease(pg(), Qt::LeftButton, {}, pgAt(12, 26));
    ASSERT_EQ(selected(), stub);
    QTest::mouseClick(m_w->Zm(0), Qt::LeftButton);
    ASSERT_TRUE(selected().empty());
    std::map<QString, QRect> places;
    for (const QString &lbl : stub) {
        const PageField *f = byLabel(lbl);
        places[lbl] = QRect(f->Left(), f->Top(), f->Width(), f->Height());
    }

    // A right click on an empty spot and Esc: the menu went, nothing is selected.
    QMenu *opened = nullptr;
    whenMenuOpens([&](QMenu *m) {
        opened = m;
        QTest::keyClick(m, Qt::Key_Escape);
    });
    QTest::mousePress(pg(), Qt::RightButton, {}, pgAt(200, 70));
    QTest::mouseRelease(pg(), Qt::RightButton, {}, pgAt(200, 70));
    EXPECT_EQ(opened, m_w->menuForm()->mPicGraph());
    EXPECT_TRUE(selected().empty());
    // The arrow keys then move nothing, and a save stores the rows as they were.
    pg()->setFocus();
    QTest::keyClick(pg(), Qt::Key_Right);
    QTest::keyClick(pg(), Qt::Key_Down, Qt::ShiftModifier);
    for (const QString &lbl : stub) {
        const PageField *f = byLabel(lbl);
        EXPECT_EQ(QRect(f->Left(), f->Top(), f->Width(), f->Height()), places[lbl])
            << lbl.toStdString();
    }
    ASSERT_TRUE(store::SaveFmt(*&m_w->formatCommands()));
    EXPECT_EQ(dumpRows(kCheque), before);

    // Ctrl+double-click toggles once, whether the second press comes with the double click (as
    // from a mouse) or only the double click does.
    page::TextField *payee = text("收款人");
    auto send = [](QWidget *w, QEvent::Type type, Qt::MouseButton b, Qt::KeyboardModifiers keys,
                   quint64 time) {
        const QPoint at(10, 4);
        QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), b,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(b),
                      keys);
        e.setTimestamp(time);
        QApplication::sendEvent(w, &e);
    };
    auto doubleClick = [&](QWidget *w, Qt::MouseButton b, Qt::KeyboardModifiers keys, quint64 t) {
        send(w, QEvent::MouseButtonPress, b, keys, t);
        send(w, QEvent::MouseButtonRelease, b, keys, t + 40);
        send(w, QEvent::MouseButtonPress, b, keys, t + 120);
        send(w, QEvent::MouseButtonDblClick, b, keys, t + 120);
        send(w, QEvent::MouseButtonRelease, b, keys, t + 160);
    };
    doubleClick(payee->Box(), Qt::LeftButton, Qt::ControlModifier, 100000);
    EXPECT_EQ(selected(), std::set<QString>{"收款人"});
    QTest::mouseClick(payee->Box(), Qt::LeftButton, Qt::ControlModifier, QPoint(10, 4));
    QTest::mouseDClick(payee->Box(), Qt::LeftButton, Qt::ControlModifier, QPoint(10, 4));
    EXPECT_TRUE(selected().empty());

    // A right double-click opens one menu, on a field and on the page.
    int menus = 0;
    auto closeEach = [&] {
        ++menus;
        QTimer::singleShot(0, m_w, [] {
            if (QWidget *p = QApplication::activePopupWidget())
                p->close();
        });
    };
    QObject::connect(m_w->menuForm()->m_CtlSet(), &QMenu::aboutToShow, m_w, closeEach);
    QObject::connect(m_w->menuForm()->mPicGraph(), &QMenu::aboutToShow, m_w, closeEach);
    doubleClick(payee->Box(), Qt::RightButton, {}, 200000);
    EXPECT_EQ(menus, 1);
    doubleClick(pg(), Qt::RightButton, {}, 300000);
    EXPECT_EQ(menus, 2);
    EXPECT_TRUE(selected().empty());
}
