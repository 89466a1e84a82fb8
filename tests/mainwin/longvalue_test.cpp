// Values longer than a line edit keeps by default (32,767 characters) through the main window as
// the clerk works it: a batch cell shown on the page and printed by either print button, a paste
// into a field, each whole on paper and in the history.

#include "mainwin_fixture.h"
#include "window_fixture.h"

#include "batch/inputmap.h"
#include "batch/sheets.h"
#include "mainwin/batchtab.h"
#include "mainwin/mainwindow.h"
#include "mainwin/notifyinglabel.h"
#include "page/field.h"
#include "page/registry.h"
#include "store/db/paths.h"
#include "store/view/grid.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QPushButton>
#include <QScrollBar>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

namespace {

constexpr int kStubPurpose = 4; // 存根用途, the same content as 用途
constexpr int kPayee = 8;       // 收款人
constexpr int kAmount = 10;     // 小写金额
constexpr int kPurpose = 11;    // 用途
constexpr int kRecords = 30;
constexpr int kLongRecord = 2;

// count characters (code points) of pasted payee names, account numbers and amounts, a
// character outside the BMP among them; it begins and ends with no blank.
QString LongText(qsizetype count, quint64 seed)
{
    const QStringList words = {"收款单位", "0001", "有限公司", "；",     "账号",     "6222 0210",
                               " ",        "Bank", "（分行）", "壹仟",   "ＡＢ１２", "𠮷野家",
                               "。",       "x"};
    QString text = QStringLiteral("用途：");
    for (qsizetype n = text.size(); n < count;) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        const QString &word = words.at(qsizetype((seed >> 33) % quint64(words.size())));
        text += word;
        n += word.toUcs4().size();
    }
    QList<uint> u = text.toUcs4();
    u.resize(count);
    u.back() = U'尾';
    return QString::fromUcs4(reinterpret_cast<const char32_t *>(u.constData()), u.size());
}

// Two long texts equal, or where they part.
testing::AssertionResult Same(const QString &a, const QString &b)
{
    if (a == b)
        return testing::AssertionSuccess();
    qsizetype i = 0;
    while (i < a.size() && i < b.size() && a.at(i) == b.at(i))
        ++i;
    return testing::AssertionFailure()
           << "lengths " << a.size() << " and " << b.size() << ", first difference at " << i
           << ": \"" << a.mid(i, 20).toStdString() << "\" / \"" << b.mid(i, 20).toStdString()
           << '"';
}

class LongValueTest : public MainWinTest
{
protected:
    void SetUp() override
    {
        MainWinTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(openWindow());
    }
    void TearDown() override
    {
        w.reset();
        MainWinTest::TearDown();
    }

    void openWindow()
    {
        mainwin::PrintQuestions q;
        q.choosePrinter = ChoosePdfPrinter;
        q.pdfFileName = [this] { return pdfFile; };
        ASSERT_NO_FATAL_FAILURE(ShowChequeWindow(w, q));
        // Active, so that leaving a field converts it.
        QApplication::setActiveWindow(w.get());
        w->batchTab().importTarget().openChooser = [this](const QString &) { return importFile; };
    }
    // The program started again on a program folder of its own, as new.
    void openInFreshFolder(const QTemporaryDir &dir)
    {
        w.reset();
        store::Db::Main().Close();
        qputenv("QUORVAN_HOME", (dir.path() + QStringLiteral("/home")).toUtf8());
        qputenv("XDG_CONFIG_HOME", (dir.path() + QStringLiteral("/config")).toUtf8());
        ASSERT_TRUE(store::Db::Main().OpenConn(store::DataFilePath()));
        ASSERT_TRUE(store::UpgradeDBSchema());
        ASSERT_NO_FATAL_FAILURE(openWindow());
        ASSERT_EQ(history(1), QString());
    }

    page::TextField *text(int index) const
    {
        return static_cast<page::TextField *>(w->fields()->GetCtlByIdx(index));
    }

    // The 导入 button of the batch tab on the sheet, payee, amount and purpose mapped to its
    // columns A, B and C.
    void import(const QString &sheet)
    {
        importFile = sheet;
        if (sheet.endsWith(QStringLiteral(".xlsx")))
            whenModal<batch::Sheets>([](batch::Sheets *s) { s->Img[0]->click(); });
        whenModal<batch::InputMap>([](batch::InputMap *m) {
            for (int r = 1; r < m->M1->Rows(); ++r) {
                const int index = m->M1->TextMatrix(r, 0).toInt();
                const QString col = index == kPayee    ? QStringLiteral("A")
                                    : index == kAmount ? QStringLiteral("B")
                                    : index == kPurpose ? QStringLiteral("C")
                                                        : QString();
                if (col.isEmpty())
                    continue;
                m->M1_Click(r, 4);
                m->TT->selectAll();
                QTest::keyClicks(m->TT, col);
            }
            m->Com[0]->click();
        });
        w->SST()->setCurrentIndex(1);
        QTest::mouseClick(w->COM(10), Qt::LeftButton);
        ASSERT_EQ(w->MSF(1)->Rows(), w->MSF(1)->FixedRows() + kRecords);
    }

    // The rows of print id in 历史 as a plain SQLite client reads them: "CID|length|Con" each.
    QString history(int id) const
    {
        return RunTool(QStringLiteral("sqlite3"),
                       {store::DataFilePath(),
                        QStringLiteral("SELECT CID, length(Con), Con FROM 历史 WHERE ID=%1 "
                                       "ORDER BY CID;")
                            .arg(id)});
    }
    QString historyValue(int id, int index) const
    {
        return RunTool(QStringLiteral("sqlite3"),
                       {store::DataFilePath(),
                        QStringLiteral("SELECT Con FROM 历史 WHERE ID=%1 AND CID=%2;")
                            .arg(id)
                            .arg(*w->fields()->CtlID(index))})
            .chopped(1);
    }
    static QString pdfText(const QString &pdf, int page)
    {
        return RunTool(QStringLiteral("pdftotext"),
                       {QStringLiteral("-layout"), QStringLiteral("-f"), QString::number(page),
                        QStringLiteral("-l"), QString::number(page), pdf, QStringLiteral("-")});
    }

    std::unique_ptr<mainwin::MainWindow> w;
    QString pdfFile;
    QString importFile;
};

// The batch sheet: a header row, then kRecords records, the purpose of record kLongRecord long.
void WriteCsv(const QString &file, const QString &longCell)
{
    QString csv = QStringLiteral("收款人,金额,用途\r\n");
    for (int r = 1; r <= kRecords; ++r)
        csv += QStringLiteral("甲公司%1,%2.5,%3\r\n")
                   .arg(r)
                   .arg(r * 100)
                   .arg(r == kLongRecord ? longCell : QStringLiteral("货款%1").arg(r));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    QStringEncoder gbk("GB18030");
    f.write(gbk(csv));
}

// The same as a workbook written by hand, its texts inline.
void WriteXlsx(const QString &file, const QString &longCell)
{
    QString rows;
    const auto cell = [](const QString &ref, const QString &text) {
        return QStringLiteral("<c r=\"%1\" t=\"inlineStr\"><is><t>%2</t></is></c>")
            .arg(ref, text.toHtmlEscaped());
    };
    rows += QStringLiteral("<row r=\"1\">") + cell("A1", "收款人") + cell("B1", "金额") +
            cell("C1", "用途") + QStringLiteral("</row>");
    for (int r = 1; r <= kRecords; ++r) {
        const QString n = QString::number(r + 1);
        rows += QStringLiteral("<row r=\"%1\">").arg(n) +
                cell(u'A' + n, QStringLiteral("甲公司%1").arg(r)) +
                QStringLiteral("<c r=\"B%1\"><v>%2.5</v></c>").arg(n).arg(r * 100) +
                cell(u'C' + n, r == kLongRecord ? longCell : QStringLiteral("货款%1").arg(r)) +
                QStringLiteral("</row>");
    }
    const QString sheetPart = file + QStringLiteral(".sheet.xml");
    {
        QFile f(sheetPart);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("<worksheet xmlns=\"http://schemas.openxmlformats.org/"
                               "spreadsheetml/2006/main\"><sheetData>%1</sheetData></worksheet>")
                    .arg(rows)
                    .toUtf8());
    }
    const QString made = RunTool(
        QStringLiteral("python3"),
        {QStringLiteral("-c"),
         QStringLiteral(
             "import sys, zipfile\n"
             "z = zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED)\n"
             "z.writestr('[Content_Types].xml', '<Types/>')\n"
             "z.writestr('xl/workbook.xml', '<workbook xmlns:r=\"http://schemas.openxmlformats.org/"
             "officeDocument/2006/relationships\"><sheets><sheet name=\"记录\" sheetId=\"1\" "
             "r:id=\"r1\"/></sheets></workbook>')\n"
             "z.writestr('xl/_rels/workbook.xml.rels', '<Relationships><Relationship Id=\"r1\" "
             "Target=\"worksheets/s.xml\"/></Relationships>')\n"
             "z.write(sys.argv[2], 'xl/worksheets/s.xml')\n"
             "z.close()\n"
             "print('ok')\n"),
         file, sheetPart});
    ASSERT_EQ(made, QStringLiteral("ok\n"));
}

// A cell over 32,767 characters, shown on the page when the clerk steps to its record and
// printed by 打印当前单据 in one fresh program folder and by 打印所有单据 in another: the same
// history rows, the cell whole in them (in 用途 and in 存根用途, which has the same content), and
// the same text on paper. From a .csv and from an .xlsx sheet.
TEST_F(LongValueTest, BatchCellOverALineEditsLimitPrintsWholeAndTheSameByBothButtons)
{
    const QString longCell = LongText(40000, 11);
    ASSERT_GT(longCell.size(), 40000); // UTF-16, the pair of 𠮷 among them
    // Program folders for each sheet and route, kept until the window closes.
    QTemporaryDir folders[4];
    int used = 0;
    for (const QString ext : {QStringLiteral("csv"), QStringLiteral("xlsx")}) {
        SCOPED_TRACE(ext.toStdString());
        const QString sheet = m_dir.filePath(QStringLiteral("records.") + ext);
        if (ext == u"csv")
            ASSERT_NO_FATAL_FAILURE(WriteCsv(sheet, longCell));
        else
            ASSERT_NO_FATAL_FAILURE(WriteXlsx(sheet, longCell));

        // The current record, in a program folder of its own.
        ASSERT_NO_FATAL_FAILURE(openInFreshFolder(folders[used++]));
        ASSERT_NO_FATAL_FAILURE(import(sheet));
        ASSERT_EQ(w->R_Num(1)->text(), QStringLiteral("1"));
        // A click on the record scroll bar's right arrow shows record 2.
        QScrollBar *hs = w->HS();
        QTest::mouseClick(hs, Qt::LeftButton, Qt::NoModifier,
                          QPoint(hs->width() - hs->height() / 2, hs->height() / 2));
        ASSERT_EQ(w->R_Num(1)->text(), QString::number(kLongRecord));
        EXPECT_TRUE(Same(text(kPurpose)->Text(), longCell));
        EXPECT_TRUE(Same(text(kStubPurpose)->Text(), longCell));
        // The box shows the start of the value, as much as it can show.
        EXPECT_EQ(text(kPurpose)->Box()->text(), longCell.left(page::TextBox::kShownWhole));
        pdfFile = m_dir.filePath(QStringLiteral("current-") + ext + QStringLiteral(".pdf"));
        QTest::mouseClick(w->COM(0), Qt::LeftButton);
        ASSERT_EQ(PdfPages(pdfFile), 1);
        const QString currentRows = history(1);
        const QString currentPage = pdfText(pdfFile, 1);
        EXPECT_TRUE(Same(historyValue(1, kPurpose), longCell));
        EXPECT_TRUE(Same(historyValue(1, kStubPurpose), longCell));
        EXPECT_EQ(history(2), QString());

        // Every record, in another.
        ASSERT_NO_FATAL_FAILURE(openInFreshFolder(folders[used++]));
        ASSERT_NO_FATAL_FAILURE(import(sheet));
        pdfFile = m_dir.filePath(QStringLiteral("all-") + ext + QStringLiteral(".pdf"));
        QTest::mouseClick(w->COM(1), Qt::LeftButton);
        ASSERT_EQ(PdfPages(pdfFile), kRecords);
        EXPECT_TRUE(Same(historyValue(kLongRecord, kPurpose), longCell));
        EXPECT_TRUE(Same(history(kLongRecord), currentRows));
        EXPECT_TRUE(Same(pdfText(pdfFile, kLongRecord), currentPage));
        EXPECT_TRUE(currentPage.contains(QStringLiteral("用途："))) << currentPage.toStdString();
        // The page shows the record it showed before, whole.
        EXPECT_EQ(text(kPurpose)->Text(), QStringLiteral("货款1"));
        EXPECT_TRUE(rec().messages.isEmpty()) << rec().messages.join('|').toStdString();
    }
}

// 40,000 characters pasted into 用途 stay whole when the field is left (and copied into
// 存根用途), when the slip is printed, and when the field is edited again: at its end, and
// replaced whole once the clerk tabs into it and types; and through its history drop-down.
TEST_F(LongValueTest, PasteOverALineEditsLimitIsKeptWholeThroughLeavingAndPrinting)
{
    const QString pasted = LongText(40000, 5);
    QGuiApplication::clipboard()->setText(pasted);
    page::TextBox *box = text(kPurpose)->Box();
    ClickThroughWindow(box);
    ASSERT_TRUE(box->hasFocus());
    KeyThroughWindow(box, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(box->text(), pasted);
    // Leaving the field: its conversion and the same-content link.
    KeyThroughWindow(box, Qt::Key_Tab);
    ASSERT_FALSE(box->hasFocus());
    EXPECT_TRUE(Same(text(kPurpose)->Text(), pasted));
    EXPECT_TRUE(Same(text(kStubPurpose)->Text(), pasted));

    pdfFile = m_dir.filePath(QStringLiteral("pasted.pdf"));
    QTest::mouseClick(w->COM(0), Qt::LeftButton);
    ASSERT_EQ(PdfPages(pdfFile), 1);
    EXPECT_TRUE(Same(historyValue(1, kPurpose), pasted));
    EXPECT_TRUE(Same(historyValue(1, kStubPurpose), pasted));
    EXPECT_TRUE(pdfText(pdfFile, 1).contains(QStringLiteral("用途：")));

    // Typed at the end of the value, not at the end of what the box showed.
    ClickThroughWindow(box);
    KeyThroughWindow(box, Qt::Key_End);
    TypeThroughWindow(box, QStringLiteral("完"));
    KeyThroughWindow(box, Qt::Key_Tab);
    EXPECT_TRUE(Same(text(kPurpose)->Text(), pasted + QStringLiteral("完")));
    EXPECT_TRUE(Same(text(kStubPurpose)->Text(), pasted + QStringLiteral("完")));

    // Tabbing into a field selects all of it: a key replaces the whole value.
    ClickThroughWindow(text(kPayee)->Box());
    for (int tabs = 0; !box->hasFocus(); ++tabs) {
        ASSERT_LT(tabs, 40);
        const QWidget *before = QApplication::focusWidget();
        KeyThroughWindow(box, Qt::Key_Tab);
        ASSERT_NE(QApplication::focusWidget(), before);
    }
    ASSERT_TRUE(text(kPurpose)->Box()->ShowsStart());
    TypeThroughWindow(box, QStringLiteral("房租"));
    KeyThroughWindow(box, Qt::Key_Tab);
    EXPECT_EQ(text(kPurpose)->Text(), QStringLiteral("房租"));
    EXPECT_EQ(text(kStubPurpose)->Text(), QStringLiteral("房租"));

    // The history drop-down of a double click shows the start of the value and keeps it whole.
    text(kPurpose)->SetText(pasted);
    QTest::mouseDClick(box, Qt::LeftButton, Qt::NoModifier, box->rect().center());
    ASSERT_TRUE(w->COMB()->isVisible());
    EXPECT_EQ(w->COMB()->currentText(), box->text());
    EXPECT_EQ(box->text().size(), page::TextBox::kShownWhole);
    EXPECT_TRUE(Same(text(kPurpose)->Text(), pasted));
    EXPECT_TRUE(Same(text(kStubPurpose)->Text(), pasted));
    EXPECT_TRUE(rec().messages.isEmpty()) << rec().messages.join('|').toStdString();
}

} // namespace

