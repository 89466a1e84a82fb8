// The batch and history tabs, their buttons and the format library's menu entries through the
// main window as the program wires it, every dialog answered here.

#include "mainwin/batchtab.h"
#include "mainwin/historytab.h"

#include "mainwin_fixture.h"
#include "window_fixture.h"

#include "batch/analysewin.h"
#include "batch/inputmap.h"
#include "library/fmtdown.h"
#include "library/fmtfile.h"
#include "mainwin/mainwindow.h"
#include "mainwin/menus.h"
#include "mainwin/notifyinglabel.h"
#include "mainwin/pageediting.h"
#include "mainwin/printing.h"
#include "mainwin/selformat.h"
#include "page/field.h"
#include "page/pageview.h"
#include "page/propdialogs.h"
#include "page/registry.h"
#include "print/printers.h"
#include "store/model/context.h"
#include "store/view/grid.h"
#include "store/model/history.h"
#include "store/db/params.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStringEncoder>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <functional>
#include <memory>

using mainwin::MainWindow;

namespace {

constexpr int kPayee = 8;   // 收款人
constexpr int kAmount = 10; // 小写金额

template <class T> QList<T *> TopLevels()
{
    QList<T *> out;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *t = qobject_cast<T *>(w); t && t->isVisible())
            out << t;
    return out;
}

class TabsTest : public MainWinTest
{
protected:
    void SetUp() override
    {
        MainWinTest::SetUp();
        // The program's wiring, with the printer and the PDF file answered first.
        mainwin::PrintQuestions q;
        q.choosePrinter = ChoosePdfPrinter;
        q.pdfFileName = [this] { return pdfFile; };
        ASSERT_NO_FATAL_FAILURE(ShowChequeWindow(w, q));
        // Active, so that leaving a field converts it.
        QApplication::setActiveWindow(w.get());
        batchTab = &w->batchTab();
        historyTab = &w->historyTab();
        batchTab->importTarget().openChooser = [this](const QString &) {
            ++importAsked;
            return importFile;
        };
        historyTab->CSave().chooser = [this](const QString &filter, const QString &current) {
            exportAsked << filter + u'|' + current;
            return exportFile;
        };
        library::SetFileQuestion([this](const QString &filter, bool save, const QString &) {
            fileAsked << filter + (save ? QStringLiteral("|save") : QStringLiteral("|open"));
            return libraryFile;
        });
    }
    void TearDown() override
    {
        for (auto *a : TopLevels<batch::AnalyseWindow>())
            a->close();
        for (auto *d : TopLevels<library::FmtDown>())
            d->close();
        library::SetFileQuestion({});
        w.reset();
        MainWinTest::TearDown();
    }

    page::TextField *text(int index) const
    {
        return static_cast<page::TextField *>(w->fields()->GetCtlByIdx(index));
    }
    void type(int index, const QString &value)
    {
        QLineEdit *box = text(index)->Box();
        box->setFocus();
        box->clear();
        // Chinese text comes through the input method as a whole.
        box->insert(value);
        w->PG()->setFocus();
    }
    int column(const store::FlexGrid &g, const QString &head) const
    {
        for (int c = 0; c < g.Cols(); ++c)
            if (g.TextMatrix(0, c) == head)
                return c;
        return -1;
    }
    QString cidOf(int index) const { return QString::number(*w->context().Fields()->CtlID(index)); }

    std::unique_ptr<MainWindow> w;
    mainwin::BatchTab *batchTab = nullptr;
    mainwin::HistoryTab *historyTab = nullptr;
    QString pdfFile = m_dir.filePath(QStringLiteral("out.pdf"));
    QString importFile;
    QString exportFile;
    QString libraryFile;
    int importAsked = 0;
    QStringList exportAsked;
    QStringList fileAsked;
};

TEST_F(TabsTest, PrintHistoryExportFindStatisticsBatchAndLibrary)
{
    // A cheque printed: one page, and the history tab shows it.
    type(kPayee, QStringLiteral("张三贸易公司"));
    type(kAmount, QStringLiteral("1234.5"));
    w->COM(0)->click();
    EXPECT_EQ(PdfPages(pdfFile), 1);
    const QString amount = text(kAmount)->Text();
    ASSERT_FALSE(amount.isEmpty());

    w->SST()->setCurrentIndex(2);
    store::FlexGrid &h = *w->MSF(2);
    ASSERT_EQ(h.Rows(), h.FixedRows() + 1);
    const int payeeCol = column(h, cidOf(kPayee));
    ASSERT_GE(payeeCol, 0);
    EXPECT_EQ(h.TextMatrix(2, payeeCol), QStringLiteral("张三贸易公司"));
    EXPECT_EQ(h.TextMatrix(2, column(h, cidOf(kAmount))), amount);

    // Reprint of the selected print: the printing tab in front with its values, then printed.
    type(kPayee, QString());
    type(kAmount, QString());
    h.SetRow(2);
    h.SetRowSel(2);
    w->COM(20)->click();
    EXPECT_EQ(w->SST()->currentIndex(), 0);
    EXPECT_EQ(text(kPayee)->Text(), QStringLiteral("张三贸易公司"));
    EXPECT_EQ(text(kAmount)->Text(), amount);
    QFile::remove(pdfFile);
    w->COM(0)->click();
    EXPECT_EQ(PdfPages(pdfFile), 1);
    store::ExecSQL(QStringLiteral("DELETE FROM 历史 WHERE ID=2"));

    // The history saved as a workbook: openpyxl reads the named sheet, each value with its TAB.
    w->SST()->setCurrentIndex(2);
    ASSERT_EQ(h.Rows(), h.FixedRows() + 1);
    exportFile = m_dir.filePath(QStringLiteral("h.xlsx"));
    w->COM(23)->click();
    ASSERT_EQ(exportAsked.size(), 1);
    EXPECT_TRUE(exportAsked[0].endsWith(u'|')) << exportAsked[0].toStdString(); // no name preset
    const QString book =
        RunTool(QStringLiteral("/usr/bin/python3"),
                {QStringLiteral("-c"),
                 QStringLiteral("import openpyxl,sys,json\n"
                                "wb=openpyxl.load_workbook(sys.argv[1])\n"
                                "ws=wb.worksheets[0]\n"
                                "rows=[[c for c in r] for r in ws.iter_rows(values_only=True)]\n"
                                "sys.stdout.buffer.write(json.dumps([ws.title,rows],"
                                "ensure_ascii=False).encode('utf-8'))"),
                 exportFile});
    EXPECT_TRUE(book.startsWith(QStringLiteral("[\"Quorvan支票打印历史数据\"")))
        << book.toStdString();
    EXPECT_TRUE(book.contains(QStringLiteral("\"张三贸易公司\\t\""))) << book.toStdString();
    EXPECT_TRUE(book.contains(u'"' + amount + QStringLiteral("\\t\""))) << book.toStdString();

    // The payee typed into the keyword box and Enter: its row is current.
    h.SetRow(1);
    w->KWord()->insert(QStringLiteral("没有这个"));
    QTest::keyClick(w->KWord(), Qt::Key_Return);
    EXPECT_EQ(rec().messages.value(rec().messages.size() - 1),
              QStringLiteral("没有查到相关的记录！"));
    w->KWord()->clear();
    w->KWord()->insert(QStringLiteral("张三"));
    QTest::keyClick(w->KWord(), Qt::Key_Enter);
    EXPECT_EQ(h.Row(), 2);
    EXPECT_EQ(h.RowSel(), 2);

    // The statistics window: one of it; counting gives the one print this month.
    w->COM(26)->click();
    ASSERT_EQ(TopLevels<batch::AnalyseWindow>().size(), 1);
    batch::AnalyseWindow *stats = TopLevels<batch::AnalyseWindow>()[0];
    EXPECT_FALSE(stats->isModal());
    w->COM(26)->click();
    EXPECT_EQ(TopLevels<batch::AnalyseWindow>(), QList<batch::AnalyseWindow *>{stats});
    stats->Op[0]->setChecked(true);
    stats->Comm->click();
    const QString month = QDate::currentDate().toString(QStringLiteral("yyyy-MM"));
    QString counted;
    for (int r = 2; r < stats->MSF->Rows(); ++r)
        if (stats->MSF->TextMatrix(r, 2) == month)
            counted = stats->MSF->TextMatrix(r, 3);
    QStringList dump;
    for (int r = 0; r < stats->MSF->Rows(); ++r)
        for (int c = 0; c < stats->MSF->Cols(); ++c)
            dump << stats->MSF->TextMatrix(r, c);
    EXPECT_EQ(counted, QStringLiteral("1"))
        << dump.join('|').toStdString() << " / " << rec().messages.join('|').toStdString()
        << stats->Com[3]->currentText().toStdString();
    stats->close();

    // Three records from a GBK CSV through the column map.
    importFile = m_dir.filePath(QStringLiteral("records.csv"));
    {
        QFile f(importFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        QStringEncoder gbk("GB18030");
        f.write(
            gbk(QStringLiteral("收款人,金额\r\n甲公司,100\r\n乙公司,2500.5\r\n丙公司,38.07\r\n")));
    }
    rec().messages.clear();
    whenModal<batch::InputMap>([](batch::InputMap *m) {
        auto typeSpec = [m](int index, const QString &spec) {
            for (int r = 1; r < m->M1->Rows(); ++r) {
                if (m->M1->TextMatrix(r, 0) != QString::number(index))
                    continue;
                m->M1_Click(r, 4);
                m->TT->selectAll();
                QTest::keyClicks(m->TT, spec);
            }
        };
        typeSpec(kPayee, QStringLiteral("A"));
        typeSpec(kAmount, QStringLiteral("B"));
        m->Com[0]->click();
    });
    w->SST()->setCurrentIndex(1);
    w->COM(10)->click();
    EXPECT_EQ(importAsked, 1);
    store::FlexGrid &b = *w->MSF(1);
    ASSERT_EQ(b.Rows(), b.FixedRows() + 3);
    EXPECT_EQ(w->R_Num(1)->text() + u'/' + w->R_Num(0)->text(), QStringLiteral("1/3"));
    EXPECT_TRUE(w->HS()->isEnabled());
    EXPECT_TRUE(w->COM(1)->isEnabled());
    EXPECT_EQ(text(kPayee)->Text(), QStringLiteral("甲公司"));

    // A press on the batch grid's header neither sorts nor fits it.
    const int amountCol = column(b, QString::number(kAmount));
    ASSERT_GT(amountCol, 0);
    b.SetColWidth(amountCol, 3000);
    auto cellsAndWidths = [&b] {
        QStringList out;
        for (int r = 0; r < b.Rows(); ++r)
            for (int c = 0; c < b.Cols(); ++c)
                out << b.TextMatrix(r, c);
        for (int c = 0; c < b.Cols(); ++c)
            out << QString::number(b.ColWidth(c));
        return out;
    };
    const QStringList before = cellsAndWidths();
    QHeaderView *head = b.horizontalHeader();
    for (int c : {amountCol, 0}) {
        const QPoint at(head->sectionViewportPosition(c) + head->sectionSize(c) / 2,
                        head->height() / 2);
        QTest::mouseClick(head->viewport(), Qt::LeftButton, {}, at);
    }
    EXPECT_EQ(cellsAndWidths(), before);

    pdfFile = m_dir.filePath(QStringLiteral("batch.pdf"));
    w->COM(1)->click();
    EXPECT_EQ(PdfPages(pdfFile), 3);

    // Records 3 and 2 selected upwards and deleted; record 1 is left.
    rec().messages.clear();
    rec().answer = true;
    b.SetRow(4);
    b.SetRowSel(3);
    w->COM(11)->click();
    EXPECT_EQ(rec().messages, QStringList{QStringLiteral("您确定要删除第2至第3行？")});
    ASSERT_EQ(b.Rows(), b.FixedRows() + 1);
    EXPECT_EQ(b.TextMatrix(2, column(b, QString::number(kPayee))), QStringLiteral("甲公司"));
    EXPECT_EQ(w->R_Num(0)->text(), QStringLiteral("1"));
    EXPECT_FALSE(w->HS()->isEnabled());
    EXPECT_FALSE(w->COM(1)->isEnabled());

    rec().messages.clear();
    w->COM(12)->click();
    EXPECT_EQ(rec().messages, QStringList{QStringLiteral("您确定要清除所有记录？")});
    EXPECT_EQ(b.Rows(), b.FixedRows());

    // The format library: exported through the chooser, imported under a new name.
    mainwin::Menus *menus = &w->menus();
    ASSERT_TRUE(menus);
    ASSERT_TRUE(menus->mOutputFormat->isEnabled());
    ASSERT_TRUE(menus->mInputFormat->isEnabled());
    ASSERT_TRUE(menus->DownFmt->isEnabled());
    libraryFile = m_dir.filePath(QStringLiteral("cheque.cqf"));
    whenModal<mainwin::SelFormat>([](mainwin::SelFormat *d) {
        d->CMB->setCurrentIndex(d->CMB->findText(QStringLiteral("转账支票")));
        d->COM[0]->click();
    });
    rec().messages.clear();
    menus->mOutputFormat->trigger();
    EXPECT_EQ(rec().messages, QStringList{QStringLiteral("格式：“转账支票”导出完成！")});
    ASSERT_TRUE(QFile::exists(libraryFile));

    rec().messages.clear();
    rec().answer = false; // not opened at once
    rec().textAnswers = QStringList{QStringLiteral("转账支票副本")};
    menus->mInputFormat->trigger();
    EXPECT_EQ(fileAsked, (QStringList{QString::fromUtf16(library::kFmtFileFilter) + "|save",
                                      QString::fromUtf16(library::kFmtFileFilter) + "|open"}));
    EXPECT_EQ(rec().messages, (QStringList{"格式：“转账支票”已存在，请另取格式名！",
                                           "格式“转账支票副本”导入成功,立即调用此格式？"}));
    EXPECT_EQ(RunTool(QStringLiteral("sqlite3"),
                      {store::DataFilePath(),
                       QStringLiteral("SELECT COUNT(*) FROM Fmt WHERE Fmt='转账支票副本';")})
                  .trimmed(),
              QStringLiteral("12"));

    // The catalogue without a server: its message, no window blocks.
    rec().messages.clear();
    menus->DownFmt->trigger();
    ASSERT_EQ(TopLevels<library::FmtDown>().size(), 1);
    EXPECT_FALSE(TopLevels<library::FmtDown>()[0]->isModal());
    menus->DownFmt->trigger();
    EXPECT_EQ(TopLevels<library::FmtDown>().size(), 1);
    EXPECT_EQ(rec().messages,
              QStringList{QStringLiteral("没有设置网站地址，无法连接格式下载网站！")});
}

// Each button index reaches its action through the dispatcher, which hides the history
// drop-down first; an index without a command does nothing.
TEST_F(TabsTest, DispatcherTable)
{
    // Two prints and one batch record to act on.
    const QString cid = cidOf(kPayee);
    for (const char *payee : {"甲", "乙"})
        ASSERT_GT(store::SaveHistoryValues(QStringLiteral("转账支票"),
                                           {{cid.toInt(), QString::fromUtf8(payee)}}),
                  0);
    store::FlexGrid &b = *w->MSF(1);
    b.SetCols(2);
    b.SetRows(3);
    b.SetTextMatrix(0, 1, QString::number(kPayee));
    b.SetTextMatrix(2, 1, QStringLiteral("丙"));
    w->resetBatchNav(b.Model());
    w->SST()->setCurrentIndex(2);
    store::FlexGrid &h = *w->MSF(2);
    ASSERT_EQ(h.Rows(), h.FixedRows() + 2);
    rec().answer = false;

    struct Case
    {
        int index;
        std::function<void()> prepare;
        std::function<bool()> reached;
    };
    const Case cases[] = {
        {10, [] {}, [this] { return importAsked == 1; }},
        {11, [&b] { b.SetRow(2); },
         [this] { return rec().messages == QStringList{"您确定要删除第1至第1行？"}; }},
        {12, [] {}, [this] { return rec().messages == QStringList{"您确定要清除所有记录？"}; }},
        {21, [&h] { h.SetRow(3); },
         [this] { return rec().messages == QStringList{"您确定要删除第2至第2行？"}; }},
        {22, [] {}, [this] { return rec().messages == QStringList{"您确定要删除第1至第2行？"}; }},
        {23, [] {}, [this] { return exportAsked.size() == 1; }},
        {24, [this] { w->KWord()->setText(QStringLiteral("丁")); },
         [this] { return rec().messages == QStringList{"没有查到相关的记录！"}; }},
        {25, [&h] { h.SetTag(QString()); }, [&h] { return h.Tag().endsWith(QLatin1String("|0")); }},
        {26, [] {}, [] { return TopLevels<batch::AnalyseWindow>().size() == 1; }},
        {20,
         [&h] {
             h.SetRow(3);
             h.SetRowSel(3);
         },
         [this] { return w->SST()->currentIndex() == 0 && text(kPayee)->Text() == "甲"; }},
    };
    for (const Case &c : cases) {
        rec().messages.clear();
        c.prepare();
        w->COMB()->show();
        w->Com_Click(c.index);
        EXPECT_FALSE(w->COMB()->isVisible()) << c.index;
        EXPECT_TRUE(c.reached()) << c.index << ' ' << rec().messages.join('|').toStdString();
    }
    EXPECT_EQ(b.Rows(), b.FixedRows() + 1); // every question answered no
    EXPECT_EQ(h.Rows(), h.FixedRows() + 2);
    EXPECT_FALSE(w->COM(25)->isEnabled());
    // Back on the history tab after "显示全部": the newest 300 again.
    w->SST()->setCurrentIndex(2);
    EXPECT_TRUE(h.Tag().endsWith(QLatin1String("|300"))) << h.Tag().toStdString();

    // An index without a command only hides the drop-down.
    rec().messages.clear();
    w->COMB()->show();
    w->Com_Click(99);
    EXPECT_FALSE(w->COMB()->isVisible());
    EXPECT_TRUE(rec().messages.isEmpty());

    // The menu entries: the format chooser, the open dialog, the catalogue.
    mainwin::Menus *menus = &w->menus();
    bool chooserShown = false;
    whenModal<mainwin::SelFormat>([&](mainwin::SelFormat *d) {
        chooserShown = true;
        d->COM[1]->click();
    });
    menus->mOutputFormat->trigger();
    EXPECT_TRUE(chooserShown);
    menus->mInputFormat->trigger();
    EXPECT_EQ(fileAsked, QStringList{QString::fromUtf16(library::kFmtFileFilter) + "|open"});
    menus->DownFmt->trigger();
    EXPECT_EQ(TopLevels<library::FmtDown>().size(), 1);
}

// The field grid's double click: nothing on its header rows, the field's dialog on a data row,
// also while the format is locked; each tab shows its container only.
TEST_F(TabsTest, FieldGridDoubleClickAndTabContainers)
{
    page::PropertyDialogs &dialogs = w->dialogs();
    store::FlexGrid &f = *w->MSF(3);
    w->O2(2)->setChecked(true);
    f.SetRow(1);
    mainwin::MSF_DblClick(*w, 3);
    for (auto kind : {page::FieldKind::Text, page::FieldKind::Check, page::FieldKind::Picture,
                      page::FieldKind::Line, page::FieldKind::Label})
        EXPECT_EQ(dialogs.Dialog(kind), nullptr);

    const int row = w->fields()->GetCtlByIdx(kPayee)->Row();
    ASSERT_GE(row, f.FixedRows());
    f.SetRow(row);
    mainwin::MSF_DblClick(*w, 2); // other grids do nothing
    EXPECT_EQ(dialogs.Dialog(page::FieldKind::Text), nullptr);
    mainwin::MSF_DblClick(*w, 3);
    page::PropertyDialog *d = dialogs.Dialog(page::FieldKind::Text);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->CtlRow(), row);
    dialogs.CloseAll();

    // The record bar leaves the arrow keys to the page; the counter's labels never overlap.
    EXPECT_EQ(w->HS()->focusPolicy(), Qt::NoFocus);
    w->R_Num(1)->setCaption(QStringLiteral("12345"));
    w->R_Num(0)->setCaption(QStringLiteral("67890"));
    QLabel *slash = w->findChild<QLabel *>(QStringLiteral("L_K(1)"));
    ASSERT_TRUE(slash);
    w->FRM(1)->layout()->activate();
    EXPECT_LE(w->R_Num(1)->geometry().right(), slash->geometry().left());
    EXPECT_LE(slash->geometry().right(), w->R_Num(0)->geometry().left());

    for (int i : {1, 2, 0, 2}) {
        w->SST()->setCurrentIndex(i);
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(w->PIC(k)->isVisible(), k == i) << i << ' ' << k;
    }
}

} // namespace

namespace {

// Page 1 of a PDF at 150 dpi in grey, read back from pdftoppm's file.
QImage FirstPage(const QString &pdf)
{
    const QString stem = pdf + QStringLiteral("-p1");
    RunTool(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QStringLiteral("150"), QStringLiteral("-gray"),
             QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"),
             QStringLiteral("-singlefile"), pdf, stem});
    return QImage(stem + QStringLiteral(".pgm"));
}

} // namespace

TEST_F(TabsTest, BatchWithAFiveMegabyteCellPrintsBothRecordsAndShowsThemInTheHistory)
{
    // A payee cell of 1,750,000 characters (names, account numbers and amounts pasted over and
    // over, 5 MB in GBK), beside a record of the usual kind.
    const QStringList words = {"收款单位",     "0001",     "有限公司", "；",       "账号",
                               "6222 0210",    " ",        "Bank",     "（分行）", "壹仟",
                               "贰佰叁拾肆元", "ＡＢ１２", "𠮷野家",   "。"};
    QString cell;
    quint64 seed = 7;
    while (cell.size() < 1750000) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        cell += words.at(qsizetype((seed >> 33) % quint64(words.size())));
    }
    cell.truncate(1750000);

    const auto importAndPrintAll = [&](const QString &payee, const QString &name) {
        importFile = m_dir.filePath(name + QStringLiteral(".csv"));
        {
            QFile f(importFile);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            QStringEncoder gbk("GB18030");
            f.write(gbk(QStringLiteral("收款人,金额\r\n") + payee +
                        QStringLiteral(",100\r\n乙公司,2500.5\r\n")));
        }
        whenModal<batch::InputMap>([](batch::InputMap *m) {
            for (int r = 1; r < m->M1->Rows(); ++r) {
                const int index = m->M1->TextMatrix(r, 0).toInt();
                if (index != kPayee && index != kAmount)
                    continue;
                m->M1_Click(r, 4);
                m->TT->selectAll();
                QTest::keyClicks(m->TT,
                                 index == kPayee ? QStringLiteral("A") : QStringLiteral("B"));
            }
            m->Com[0]->click();
        });
        w->SST()->setCurrentIndex(1);
        w->COM(10)->click();
        ASSERT_EQ(w->MSF(1)->Rows(), w->MSF(1)->FixedRows() + 2);
        pdfFile = m_dir.filePath(name + QStringLiteral(".pdf"));
        QTest::mouseClick(w->COM(1), Qt::LeftButton);
        EXPECT_EQ(PdfPages(pdfFile), 2);
    };
    ASSERT_NO_FATAL_FAILURE(importAndPrintAll(cell, QStringLiteral("long")));
    ASSERT_NO_FATAL_FAILURE(importAndPrintAll(cell.left(2000), QStringLiteral("cut")));
    EXPECT_TRUE(rec().messages.isEmpty()) << rec().messages.join('|').toStdString();

    // The slip shows only the lines that reach its paper: those of the first 2,000 characters.
    const QImage whole = FirstPage(m_dir.filePath(QStringLiteral("long.pdf")));
    const QImage cut = FirstPage(m_dir.filePath(QStringLiteral("cut.pdf")));
    ASSERT_FALSE(whole.isNull());
    EXPECT_TRUE(whole == cut);

    // Every print is in the history, the long payee whole.
    EXPECT_EQ(RunTool(QStringLiteral("sqlite3"),
                      {store::DataFilePath(),
                       QStringLiteral("SELECT ID || ':' || length(Con) FROM 历史 WHERE "
                                      "Fmt='转账支票' AND CID=%1 ORDER BY ID;")
                           .arg(cidOf(kPayee))})
                  .split(u'\n', Qt::SkipEmptyParts),
              (QStringList{QStringLiteral("1:%1").arg(cell.toUcs4().size()), "2:3",
                           QStringLiteral("3:%1").arg(cell.left(2000).toUcs4().size()), "4:3"}));

    // The history tab fits its columns and paints the long cells.
    w->SST()->setCurrentIndex(2);
    store::FlexGrid &h = *w->MSF(2);
    ASSERT_EQ(h.Rows(), h.FixedRows() + 4);
    const int payeeCol = column(h, cidOf(kPayee));
    ASSERT_GE(payeeCol, 0);
    EXPECT_EQ(h.TextMatrix(h.FixedRows() + 3, payeeCol).size(), 1750000); // newest first
    EXPECT_LE(h.ColWidth(payeeCol), h.GridWidth());
    h.grab();
}
