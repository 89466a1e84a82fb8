// Commands of the real main window never run on a half-typed field: the print button clicked, the
// menu entry chosen and its shortcut pressed while an amount is still being typed print and record
// the amount as leaving the field converts it (words, figures and digit boxes agree), read back
// with pdftotext and the sqlite3 client.
#include "mainwin_fixture.h"
#include "window_fixture.h"

#include "mainwin/mainwindow.h"
#include "mainwin/menus.h"
#include "mainwin/printing.h"
#include "page/field.h"
#include "page/registry.h"
#include "print/printers.h"
#include "store/model/context.h"
#include "store/view/grid.h"
#include "store/db/paths.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <memory>

#include "../common/qtry.h"

using mainwin::MainWindow;

namespace {

constexpr int kStubAmount = 3; // 存根金额
constexpr int kStubUse = 4;    // 存根用途
constexpr int kPayee = 8;      // 收款人
constexpr int kWords = 9;      // 大写金额
constexpr int kAmount = 10;    // 小写金额, twelve boxes from 181 mm
constexpr int kUse = 11;       // 用途

struct Word
{
    double x, y;
    QString text;
};

// A text as a reader of the PDF reads it: the embedded font maps some ideographs to radicals of
// the same shape (⻆ for 角, ⼄ for 乙), compatibility forms count as their plain ones (￥).
QString AsRead(const QString &text)
{
    QString s = text.normalized(QString::NormalizationForm_KC);
    s.replace(QChar(0x2EC6), QChar(0x89D2));
    return s;
}

// The words of every page of a PDF file with their place in millimetres from the paper's corner.
QList<QList<Word>> PdfWords(const QString &pdf)
{
    const QString html =
        RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    QList<QList<Word>> pages;
    const QRegularExpression tag(
        R"re(<page |<word xMin="([0-9.]+)" yMin="([0-9.]+)"[^>]*>([^<]*)</word>)re");
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(0).startsWith(QStringLiteral("<page"))) {
            pages.append(QList<Word>());
            continue;
        }
        if (!pages.isEmpty())
            pages.last().append({m.captured(1).toDouble() * 25.4 / 72,
                                 m.captured(2).toDouble() * 25.4 / 72, AsRead(m.captured(3))});
    }
    return pages;
}

// The digits in the boxes of the amount in figures, left to right.
QString BoxedAmount(const QList<Word> &page)
{
    QList<Word> boxes;
    for (const Word &w : page)
        if (w.x >= 180 && w.y >= 29 && w.y <= 39)
            boxes.append(w);
    std::sort(boxes.begin(), boxes.end(), [](const Word &a, const Word &b) { return a.x < b.x; });
    QString s;
    for (const Word &w : boxes)
        s += w.text;
    return s;
}

bool Holds(const QList<Word> &page, const QString &text)
{
    const QString read = AsRead(text);
    return std::any_of(page.begin(), page.end(), [&](const Word &w) { return w.text == read; });
}

// The page's words, for a failure's message.
std::string Dump(const QList<Word> &page)
{
    QStringList s;
    for (const Word &w : page)
        s << QStringLiteral("%1@%2,%3").arg(w.text).arg(w.x, 0, 'f', 1).arg(w.y, 0, 'f', 1);
    return s.join(u' ').toStdString();
}

class CommandRouteTest : public MainWinTest
{
protected:
    void SetUp() override
    {
        MainWinTest::SetUp();
        mainwin::PrintQuestions q;
        q.choosePrinter = ChoosePdfPrinter;
        q.pdfFileName = [this] { return pdfFile; };
        ASSERT_NO_FATAL_FAILURE(ShowChequeWindow(w, q));
        QApplication::setActiveWindow(w.get());
    }
    void TearDown() override
    {
        w.reset();
        MainWinTest::TearDown();
    }

    QLineEdit *box(int index) const
    {
        return static_cast<page::TextField *>(w->fields()->GetCtlByIdx(index))->Box();
    }
    // Clicks into the field, selects its text and types over it; the field keeps the focus.
    void typeInto(int index, const QString &text)
    {
        QLineEdit *b = box(index);
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(4, 4));
        QTRY_VERIFY(b->hasFocus());
        b->selectAll();
        if (text.toLatin1() == text.toUtf8())
            QTest::keyClicks(b, text);
        else
            b->insert(text); // as an input method commits it
        ASSERT_EQ(b->text(), text);
    }
    // A command that prints: the page as printed and the new print's values in the history.
    void expectPrinted(const QString &words, const QString &figures, const QString &boxes)
    {
        const QList<QList<Word>> pages = PdfWords(pdfFile);
        ASSERT_EQ(pages.size(), 1) << pdfFile.toStdString();
        EXPECT_TRUE(Holds(pages[0], words)) << Dump(pages[0]);
        EXPECT_TRUE(Holds(pages[0], figures)) << Dump(pages[0]);
        EXPECT_EQ(BoxedAmount(pages[0]), AsRead(boxes));
        EXPECT_EQ(lastPrint(kWords), words);
        EXPECT_EQ(lastPrint(kAmount), figures);
        EXPECT_EQ(lastPrint(kStubAmount), figures);
    }
    QString sql(const QString &query) const
    {
        return RunTool(QStringLiteral("sqlite3"), {store::DataFilePath(), query}).trimmed();
    }
    qint32 cid(int index) const { return *w->fields()->CtlID(index); }
    // The field's value in the newest print, read by the sqlite3 client.
    QString lastPrint(int index) const
    {
        return sql(QStringLiteral("SELECT Con FROM 历史 WHERE Fmt='转账支票' AND CID=%1 AND "
                                  "ID=(SELECT MAX(ID) FROM 历史 WHERE Fmt='转账支票');")
                       .arg(cid(index)));
    }

    std::unique_ptr<MainWindow> w;
    QString pdfFile;
};

TEST_F(CommandRouteTest, PrintByButtonMenuAndShortcutTakesTheAmountAsLeavingTheFieldLeavesIt)
{
    // An earlier amount, left as the user leaves it.
    typeInto(kAmount, QStringLiteral("357"));
    typeInto(kPayee, QStringLiteral("甲公司"));
    ASSERT_EQ(box(kWords)->text(), QStringLiteral("叁佰伍拾柒元整"));

    // The print button, clicked at once: the button takes no focus.
    typeInto(kAmount, QStringLiteral("8000.5"));
    pdfFile = m_dir.filePath(QStringLiteral("button.pdf"));
    QTest::mouseClick(w->COM(0), Qt::LeftButton);
    expectPrinted(QStringLiteral("捌仟元伍角整"), QStringLiteral("￥8,000.50"),
                  QStringLiteral("￥800050"));
    EXPECT_TRUE(box(kAmount)->hasFocus());
    EXPECT_EQ(lastPrint(kPayee), QStringLiteral("甲公司"));

    // 打印 > 打印当前单据 with the mouse.
    mainwin::Menus *menus = &w->menus();
    ASSERT_NE(menus, nullptr);
    typeInto(kAmount, QStringLiteral("12.3"));
    pdfFile = m_dir.filePath(QStringLiteral("menu.pdf"));
    QMenuBar *bar = w->menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {},
                      bar->actionGeometry(menus->mPrint->menuAction()).center());
    QTRY_VERIFY(menus->mPrint->isVisible());
    QTest::mouseClick(menus->mPrint, Qt::LeftButton, {},
                      menus->mPrint->actionGeometry(menus->m_PCom[0]).center());
    QTRY_VERIFY(QFile::exists(pdfFile));
    expectPrinted(QStringLiteral("壹拾贰元叁角整"), QStringLiteral("￥12.30"),
                  QStringLiteral("￥1230"));

    // The same entry from the keyboard: Alt+P opens the menu on its first entry, Enter runs it.
    typeInto(kAmount, QStringLiteral("906"));
    pdfFile = m_dir.filePath(QStringLiteral("shortcut.pdf"));
    QTest::keyClick(box(kAmount), Qt::Key_P, Qt::AltModifier);
    QTRY_VERIFY(menus->mPrint->isVisible());
    QTest::keyClick(menus->mPrint, Qt::Key_Return);
    QTRY_VERIFY(QFile::exists(pdfFile));
    expectPrinted(QStringLiteral("玖佰零陆元整"), QStringLiteral("￥906.00"),
                  QStringLiteral("￥90600"));
    EXPECT_EQ(sql(QStringLiteral("SELECT COUNT(DISTINCT ID) FROM 历史;")), QStringLiteral("3"));
    EXPECT_TRUE(rec().messages.isEmpty()) << rec().messages.join('|').toStdString();
}

TEST_F(CommandRouteTest, ZoomOptionsAndClosingFinishTheEditToo)
{
    // Zoom, which lays the fields out anew.
    typeInto(kAmount, QStringLiteral("8000.5"));
    QTest::mouseClick(w->Zm(0), Qt::LeftButton);
    EXPECT_EQ(box(kAmount)->text(), QStringLiteral("￥8,000.50"));
    EXPECT_EQ(box(kWords)->text(), QStringLiteral("捌仟元伍角整"));

    // An option box.
    typeInto(kAmount, QStringLiteral("20"));
    QTest::mouseClick(w->O2(0), Qt::LeftButton);
    EXPECT_EQ(box(kWords)->text(), QStringLiteral("贰拾元整"));

    // A date the field's kind cannot read is cleared, as leaving the field by mouse clears it.
    typeInto(1, QStringLiteral("abc"));
    QTest::mouseClick(w->Zm(1), Qt::LeftButton);
    EXPECT_EQ(box(1)->text(), QString());

    // Closing the window keeps the amount as leaving the field keeps it.
    typeInto(kAmount, QStringLiteral("66.6"));
    const qint32 amount = cid(kAmount), words = cid(kWords);
    w->close();
    const QString stored = QStringLiteral("SELECT Con FROM 默认 WHERE Fmt='转账支票' AND ID=%1;");
    EXPECT_EQ(sql(stored.arg(amount)), QStringLiteral("￥66.60"));
    EXPECT_EQ(sql(stored.arg(words)), QStringLiteral("陆拾陆元陆角整"));
}

TEST_F(CommandRouteTest, PrintAllCommitsTheEditOfTheShownRecordOnEveryPage)
{
    store::FlexGrid &g = *w->MSF(1);
    g.SetCols(3);
    g.SetRows(5);
    g.SetFixedRows(2);
    g.SetFixedCols(1);
    g.SetTextMatrix(0, 1, QString::number(kPayee));
    g.SetTextMatrix(0, 2, QString::number(kAmount));
    const QStringList payees{"甲公司", "乙公司", "丙公司"};
    const QStringList amounts{"100", "2500.5", "38.07"};
    for (int i = 0; i < 3; ++i) {
        g.SetTextMatrix(2 + i, 1, payees[i]);
        g.SetTextMatrix(2 + i, 2, amounts[i]);
    }
    w->resetBatchNav(g.Model());
    ASSERT_TRUE(w->COM(1)->isEnabled());

    // The use typed on the page is no column of the batch: it goes on every slip, and its stub
    // copy with it. The amount typed over the shown record is the record's until it is left.
    typeInto(kAmount, QStringLiteral("999"));
    typeInto(kUse, QStringLiteral("货款"));
    pdfFile = m_dir.filePath(QStringLiteral("batch.pdf"));
    QTest::mouseClick(w->COM(1), Qt::LeftButton);

    const QList<QList<Word>> pages = PdfWords(pdfFile);
    ASSERT_EQ(pages.size(), 3);
    const QStringList boxes{"￥10000", "￥250050", "￥3807"};
    const QStringList words{"壹佰元整", "贰仟伍佰元伍角整", "叁拾捌元零柒分"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(std::count_if(pages[i].begin(), pages[i].end(),
                                [](const Word &x) { return x.text == QStringLiteral("货款"); }),
                  2)
            << i;
        EXPECT_TRUE(Holds(pages[i], payees[i])) << i;
        EXPECT_TRUE(Holds(pages[i], words[i])) << i;
        EXPECT_EQ(BoxedAmount(pages[i]), AsRead(boxes[i])) << i;
        for (const Word &x : pages[i])
            EXPECT_FALSE(x.text.contains(QStringLiteral("999"))) << i;
    }
    EXPECT_EQ(sql(QStringLiteral("SELECT group_concat(Con, '|') FROM (SELECT Con FROM 历史 WHERE "
                                 "CID=%1 ORDER BY ID);")
                      .arg(cid(kStubUse))),
              QStringLiteral("货款|货款|货款"));
    EXPECT_EQ(sql(QStringLiteral("SELECT group_concat(Con, '|') FROM (SELECT Con FROM 历史 WHERE "
                                 "CID=%1 ORDER BY ID);")
                      .arg(cid(kAmount))),
              QStringLiteral("￥100.00|￥2,500.50|￥38.07"));
    // The record shown before is back.
    EXPECT_EQ(box(kAmount)->text(), QStringLiteral("￥100.00"));
    EXPECT_TRUE(rec().messages.isEmpty()) << rec().messages.join('|').toStdString();
}

} // namespace
