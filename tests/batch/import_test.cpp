// The sheet import through the real main window: the file chosen, its worksheet, the specs typed
// into the import window, the records in the batch grid, on the page and printed; the map and
// the row boxes kept for the next import.

#include "batch/inputmap.h"
#include "batch/sheets.h"

#include "batch_fixture.h"

#include "mainwin/historytab.h"
#include "mainwin/mainwindow.h"
#include "mainwin/notifyinglabel.h"
#include "mainwin/printing.h"
#include "mainwin/typing.h"
#include "page/field.h"
#include "page/registry.h"
#include "print/printers.h"
#include "store/db/textfile.h"
#include "store/view/grid.h"
#include "store/db/params.h"
#include "store/db/paths.h"

#include <QApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>

namespace {

const QString kData = QStringLiteral(BATCH_DATA_DIR);
constexpr int kPayee = 8;    // 收款人
constexpr int kWords = 9;    // 大写金额, converted from the figure
constexpr int kAmount = 10;  // 小写金额
constexpr int kPurpose = 11; // 用途

// Runs action on the modal window of type T as soon as it is the active modal window (the
// windows are waited on with exec()).
template <class T> void WhenModal(std::function<void(T *)> action)
{
    QTimer::singleShot(0, [action] {
        auto *w = qobject_cast<T *>(QApplication::activeModalWidget());
        if (w && w->isVisible())
            action(w);
        else
            WhenModal<T>(action);
    });
}

class ImportTest : public BatchTest
{
protected:
    void SetUp() override
    {
        BatchTest::SetUp();
        // Wired as the program's start-up wires it, with the print questions answered.
        mainwin::PrintQuestions q;
        q.choosePrinter = [] {
            print::Current().Select(print::kPdfPrinterName);
            return print::kPdfPrinterName;
        };
        q.pdfFileName = [this] { return pdf; };
        w = std::make_unique<mainwin::MainWindow>(mainwin::MainWindowHooks{q, {}, {}});
        QSignalSpy loaded(w.get(), &mainwin::MainWindow::loadFinished);
        w->show();
        ASSERT_TRUE(loaded.count() > 0 || loaded.wait(5000));
        w->OpenFmt(QStringLiteral("转账支票"), false);
        target.host = w.get();
        target.layout = [this]() -> const page::FieldLayout * { return &w->fields()->Layout(); };
        target.parent = w.get();
        target.openChooser = [this](const QString &filter) {
            filters << filter;
            return file;
        };
    }
    void TearDown() override
    {
        w.reset();
        BatchTest::TearDown();
    }

    // Types a spec into the map row of the field through the floating edit box.
    static void TypeSpec(batch::InputMap *m, int index, const QString &spec)
    {
        int row = -1;
        for (int r = 1; r < m->M1->Rows(); ++r)
            if (m->M1->TextMatrix(r, 0) == QString::number(index))
                row = r;
        ASSERT_GT(row, 0);
        const QModelIndex cell = m->M1->model()->index(row - 1, 4);
        m->M1->scrollTo(cell);
        QTest::mouseClick(m->M1->viewport(), Qt::LeftButton, {}, m->M1->visualRect(cell).center());
        ASSERT_TRUE(m->TT->isVisible());
        QTest::keyClicks(m->TT, spec);
    }

    void importColumns(int rows, int cols);

    int column(int index) const
    {
        const store::FlexGrid &g = *w->MSF(1);
        for (int c = 0; c < g.Cols(); ++c)
            if (g.TextMatrix(0, c) == QString::number(index))
                return c;
        return -1;
    }
    // Every cell of the batch grid, row by row.
    QString GridText() const
    {
        const store::FlexGrid &g = *w->MSF(1);
        QStringList rows;
        for (int r = 0; r < g.Rows(); ++r) {
            QStringList cells;
            for (int c = 0; c < g.Cols(); ++c)
                cells << g.TextMatrix(r, c);
            rows << cells.join(u'|');
        }
        return rows.join(u'\n');
    }
    QString fieldText(int index) const
    {
        return static_cast<page::TextField *>(w->fields()->GetCtlByIdx(index))->Text();
    }

    std::unique_ptr<mainwin::MainWindow> w;
    batch::ImportTarget target;
    QString file = kData + "/sheet.xls";
    QString pdf = m_dir.filePath(QStringLiteral("batch.pdf"));
    QStringList filters;
};

TEST_F(ImportTest, WorkbookIntoTheBatchGridAndPrinted)
{
    QStringList listed;
    WhenModal<batch::Sheets>([&](batch::Sheets *s) {
        for (int r = 1; r < s->SHL->Rows(); ++r)
            listed << s->SHL->TextMatrix(r, 0) + s->SHL->TextMatrix(r, 1) +
                          s->SHL->TextMatrix(r, 2);
        s->Img[0]->click();
    });
    batch::SelImportFile(1, target);
    EXPECT_EQ(filters, QStringList{batch::kImportFilter});
    EXPECT_EQ(listed, (QStringList{"1√A", "2B", "3C"}));
    EXPECT_EQ(batch::ImportFile, file);
    EXPECT_EQ(batch::ImportSheet, QStringLiteral("A"));

    QString preview;
    int mapRows = 0;
    WhenModal<batch::InputMap>([&](batch::InputMap *m) {
        preview = m->M0->TextMatrix(0, 1) + m->M0->TextMatrix(1, 1) + m->M0->TextMatrix(2, 2);
        mapRows = m->M1->Rows() - 1;
        TypeSpec(m, kPayee, QStringLiteral("A"));
        TypeSpec(m, kAmount, QStringLiteral("C"));
        TypeSpec(m, kPurpose, QStringLiteral("E,\"No.1\""));
        // The last spec is in the grid while its edit box is still open.
        EXPECT_EQ(m->M1->TextMatrix(m->MapEditRow, 4), QStringLiteral("E,\"No.1\""));
        m->Com[0]->click();
    });
    batch::ShowInputMap(target);
    EXPECT_EQ(preview, QStringLiteral("A姓名第一行\n第二行"));
    EXPECT_EQ(mapRows,
              w->fields()->CtlCount(0) + w->fields()->CtlCount(1) + w->fields()->CtlCount(2));
    EXPECT_EQ(rec().messages, QStringList());

    // Exactly the sheet's five records (rows 2 to 6), none beyond.
    store::FlexGrid &g = *w->MSF(1);
    ASSERT_EQ(g.Rows(), 2 + 5);
    EXPECT_EQ(g.TextMatrix(2, column(kPayee)), QStringLiteral("张三"));
    EXPECT_EQ(g.TextMatrix(2, column(kAmount)), QStringLiteral("1234.5"));
    EXPECT_EQ(g.TextMatrix(2, column(kPurpose)), QStringLiteral("北京No.1"));
    EXPECT_EQ(g.TextMatrix(1, column(kPayee)), QStringLiteral("收款人"));
    EXPECT_EQ(w->R_Num(0)->text(), QStringLiteral("5"));
    EXPECT_EQ(w->R_Num(1)->text(), QStringLiteral("1"));
    // Record 1 on the page, its amount converted into capital figures.
    EXPECT_EQ(fieldText(kPayee), QStringLiteral("张三"));
    EXPECT_TRUE(fieldText(kWords).startsWith(QStringLiteral("壹仟贰佰叁拾肆元伍角")))
        << fieldText(kWords).toStdString();

    w->COM(1)->click();
    const QString info = RunTool(QStringLiteral("pdfinfo"), {pdf});
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+5\\n"))))
        << info.toStdString();

    // The specs are kept by field ID, the row boxes in the settings file.
    const QString maps =
        RunTool(QStringLiteral("sqlite3"),
                {store::DataFilePath(),
                 QStringLiteral("SELECT Map FROM 映射 WHERE Fmt='转账支票' ORDER BY ID;")});
    EXPECT_EQ(maps, QStringLiteral("A\nC\nE,\"No.1\"\n"));
    const QString ini = RunTool(QStringLiteral("/usr/bin/python3"),
                                {QStringLiteral("-c"),
                                 QStringLiteral("import configparser,sys,urllib.parse\n"
                                                "c=configparser.ConfigParser()\nc.optionxform=str\n"
                                                "c.read(sys.argv[1],encoding='utf-8')\n"
                                                "s=c['Quillbrook']\n"
                                                "print(','.join(s[urllib.parse.quote(k)] for k in "
                                                "('T(0)','T(1)','T(2)')))"),
                                 store::SettingsFilePath()});
    EXPECT_EQ(ini.trimmed(), QStringLiteral("2,100,1"));
}

// Imports rows 1..rows of the file's first sheet into text fields 1..cols (columns A, B, ...)
// through the chooser and the import window, as the clerk does.
void ImportTest::importColumns(int rows, int cols)
{
    WhenModal<batch::Sheets>([](batch::Sheets *s) { s->Img[0]->click(); });
    batch::SelImportFile(1, target);
    WhenModal<batch::InputMap>([&](batch::InputMap *m) {
        for (int k = 1; k <= cols; ++k)
            TypeSpec(m, k, QString(QChar(u'A' + k - 1)));
        m->T[0]->setText(QStringLiteral("1"));
        m->T[1]->setText(QString::number(rows));
        m->Com[0]->click();
    });
    batch::ShowInputMap(target);
}

// Formulas of every result kind, shared strings, empty and merged cells in workbooks saved by
// LibreOffice (which stores each formula's value) and by openpyxl (which stores none): every
// imported cell is what openpyxl reads from the same file with data_only=True. The formulas
// without values are told before anything is taken; stopping keeps the batch.
TEST_F(ImportTest, FormulaWorkbooksOfLibreOfficeAndOpenpyxlAsOpenpyxlReadsThem)
{
    const QString script = kData + "/formula_sheets.py";
    const QString made = m_dir.filePath(QStringLiteral("明细.xlsx"));
    RunTool(QStringLiteral("/usr/bin/python3"), {script, QStringLiteral("make"), made});
    ASSERT_TRUE(QFileInfo::exists(made));
    // One LibreOffice run with a profile of its own.
    const QString out = m_dir.filePath(QStringLiteral("lo"));
    QProcess lo;
    lo.start(QStringLiteral("soffice"),
             {QStringLiteral("-env:UserInstallation=file://") +
                  m_dir.filePath(QStringLiteral("profile")),
              QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("xlsx"),
              QStringLiteral("--outdir"), out, made});
    ASSERT_TRUE(lo.waitForFinished(240000));
    const QString saved = out + QStringLiteral("/明细.xlsx");
    ASSERT_TRUE(QFileInfo::exists(saved)) << lo.readAllStandardError().toStdString();

    constexpr int kRows = 7, kCols = 7;
    for (const QString &f : {saved, made}) {
        SCOPED_TRACE(f.toStdString());
        const QJsonArray want =
            QJsonDocument::fromJson(RunTool(QStringLiteral("/usr/bin/python3"),
                                            {script, QStringLiteral("cells"), f,
                                             QString::number(kRows), QString::number(kCols)})
                                        .toUtf8())
                .array();
        ASSERT_EQ(want.size(), kRows);
        // LibreOffice stored the values: the grid is compared with more than empty cells.
        if (f == saved)
            EXPECT_EQ(want[1].toArray()[3].toString() + want[2].toArray()[6].toString(),
                      QStringLiteral("50ABC，第3笔"));
        file = f;
        rec().messages.clear();
        if (f == made) {
            // Stopped at the question: the batch LibreOffice's file gave stays.
            const QString before = GridText();
            rec().answer = false;
            importColumns(kRows, kCols);
            ASSERT_EQ(rec().messages.size(), 1);
            EXPECT_EQ(rec().messages[0],
                      QStringLiteral("此表格中有18个公式单元格没有保存计算结果（D列“金额”5个，"
                                     "E列“日期”4个，F列“已核”5个，G列“备注”4个），导入后这些单元格"
                                     "将是空的。\n\n请先用Excel、WPS或LibreOffice打开此文件并保存"
                                     "一次，再重新导入。\n\n是否仍然导入？"));
            EXPECT_EQ(GridText(), before);
            rec().answer = true;
            rec().messages.clear();
            importColumns(kRows, kCols);
            EXPECT_EQ(rec().messages.size(), 1);
        } else {
            importColumns(kRows, kCols);
            EXPECT_EQ(rec().messages, QStringList());
        }
        const store::FlexGrid &g = *w->MSF(1);
        ASSERT_EQ(g.Rows(), 2 + kRows);
        for (int r = 0; r < kRows; ++r)
            for (int k = 1; k <= kCols; ++k)
                EXPECT_EQ(g.TextMatrix(2 + r, column(k)), want[r].toArray()[k - 1].toString())
                    << "row " << r + 1 << " column " << k;
    }
    // The values LibreOffice stored, not merely empty cells on both sides.
    EXPECT_EQ(w->MSF(1)->TextMatrix(3, column(4)), QString()); // openpyxl's file: no values
}

// A CSV file in UTF-8 without a mark, its signs and Greek and Cyrillic letters beside Chinese,
// and a short one in GBK that is valid UTF-8 as well: the import window shows each as written.
TEST_F(ImportTest, CsvFilesShowAsWritten)
{
    const struct
    {
        QByteArray bytes;
        QStringList cells;
    } files[] = {
        {QStringLiteral("收款人,用途\n张三,½×2 αβ Иван Петров\n").toUtf8(),
         {"收款人", "用途", "张三", "½×2 αβ Иван Петров"}},
        {store::ToGbk(QStringLiteral("谢谢,写\n支票,100\n")), {"谢谢", "写", "支票", "100"}},
    };
    for (const auto &f : files) {
        const QString csv = path(QStringLiteral("text.csv"));
        QFile out(csv);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(f.bytes);
        out.close();
        batch::ImportFile = csv;
        QStringList shown;
        WhenModal<batch::InputMap>([&](batch::InputMap *m) {
            shown = QStringList{m->M0->TextMatrix(1, 1), m->M0->TextMatrix(1, 2),
                                m->M0->TextMatrix(2, 1), m->M0->TextMatrix(2, 2)};
            m->Com[1]->click();
        });
        batch::ShowInputMap(target);
        EXPECT_EQ(shown, f.cells);
    }
    EXPECT_EQ(rec().messages, QStringList());
}

// A file with nothing in it, an empty worksheet, and a workbook whose sheet unzips beyond any
// sheet's size: a message, and the batch grid keeps the records already imported.
// Long dates, amounts and names and the row numbers 10 to 19 show whole in the preview and the
// map.
TEST_F(ImportTest, PreviewAndMapShowWholeTexts)
{
    const QString csv = path(QStringLiteral("long.csv"));
    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\xEF\xBB\xBF日期,金额,收款人\n"); // UTF-8 with its mark
    for (int i = 0; i < 25; ++i)
        f.write(QStringLiteral("2024-01-%1 10:11:12,5438531.%2,北京某某科技有限公司\n")
                    .arg(i + 10)
                    .arg(i + 10)
                    .toUtf8());
    f.close();
    batch::ImportFile = csv;
    int checked = 0, mapScrolls = -1;
    bool helpUnderRows = true;
    QStringList cut;
    WhenModal<batch::InputMap>([&](batch::InputMap *m) {
        for (store::FlexGrid *g : {m->M0, m->M1})
            for (int r = g->FixedRows(); r < g->Rows(); ++r)
                for (int c = 0; c < g->Cols(); ++c) {
                    checked += !g->TextMatrix(r, c).isEmpty();
                    if (!ShowsWholeText(*g, r, c))
                        cut << g->TextMatrix(r, c);
                }
        // Every column of the map, the one the column numbers go into included, without
        // scrolling; the help text beside the row settings, not under them.
        mapScrolls = m->M1->horizontalScrollBar()->maximum();
        const auto *rows = m->findChild<QLabel *>(QStringLiteral("Label2(0)"));
        helpUnderRows = !rows || m->LBL2->geometry().intersects(rows->geometry());
        m->Com[1]->click();
    });
    batch::ShowInputMap(target);
    EXPECT_GT(checked, 19 * 3);
    EXPECT_EQ(cut, QStringList());
    EXPECT_EQ(mapScrolls, 0);
    EXPECT_FALSE(helpUnderRows);
}

TEST_F(ImportTest, NothingToImportKeepsTheBatch)
{
    file = kData + "/sheet.csv";
    importColumns(6, 3);
    ASSERT_EQ(w->MSF(1)->Rows(), 2 + 6);
    const QString before = w->MSF(1)->TextMatrix(3, column(1));
    ASSERT_FALSE(before.isEmpty());

    const QString empty = m_dir.filePath(QStringLiteral("empty.csv"));
    QFile(empty).open(QIODevice::WriteOnly);
    const QString emptySheet = m_dir.filePath(QStringLiteral("empty.xlsx"));
    const QString bomb = m_dir.filePath(QStringLiteral("bomb.xlsx"));
    python(
        QStringLiteral("import sys,zipfile,openpyxl\n"
                       "wb=openpyxl.Workbook(); wb.active.title='A'; wb.save(sys.argv[1])\n"
                       "src=zipfile.ZipFile(sys.argv[1])\n"
                       "with zipfile.ZipFile(sys.argv[2],'w',zipfile.ZIP_DEFLATED) as z:\n"
                       "  for i in src.infolist():\n"
                       "    if i.filename!='xl/worksheets/sheet1.xml': z.writestr(i, src.read(i))\n"
                       "  with z.open('xl/worksheets/sheet1.xml','w',force_zip64=True) as f:\n"
                       "    f.write(b'<worksheet><sheetData><row r=\"1\"><c r=\"A1\" "
                       "t=\"inlineStr\"><is><t>')\n"
                       "    for k in range(40): f.write(b'x'*(1<<20))\n"),
        {emptySheet, bomb});
    const QStringList expected{QStringLiteral("没有可导入的数据！"),
                               QStringLiteral("没有可导入的数据！"),
                               // Refused by the preview, and again by the confirm button.
                               QStringLiteral("表格文件解压后过大，可能已损坏，无法导入！"),
                               QStringLiteral("表格文件解压后过大，可能已损坏，无法导入！")};
    for (const QString &f : {empty, emptySheet, bomb}) {
        file = f;
        importColumns(6, 3);
        EXPECT_EQ(w->MSF(1)->Rows(), 2 + 6) << f.toStdString();
        EXPECT_EQ(w->MSF(1)->TextMatrix(3, column(1)), before);
    }
    EXPECT_EQ(rec().messages, expected);
}

TEST_F(ImportTest, ReopenedWindowKeepsSpecsAndRowsAndRefusesTooMany)
{
    file = kData + "/sheet.csv";
    // The spec of a field that no longer exists is not shown, and goes when the window closes.
    store::ExecSQL(
        QStringLiteral("INSERT INTO 映射(ID, Fmt, Map) VALUES(999999, '转账支票', 'Z')"));
    batch::SelImportFile(1, target);
    EXPECT_EQ(batch::ImportSheet, QString());
    // First visit: a spec typed, then cancel: saved all the same.
    WhenModal<batch::InputMap>([&](batch::InputMap *m) {
        TypeSpec(m, kPayee, QStringLiteral("A"));
        m->T[0]->setText(QStringLiteral("100"));
        m->T[1]->setText(QStringLiteral("2"));
        m->Com[1]->click();
    });
    batch::ShowInputMap(target);
    EXPECT_EQ(w->MSF(1)->Rows(), 2);
    EXPECT_EQ(RunTool(QStringLiteral("sqlite3"),
                      {store::DataFilePath(), QStringLiteral("SELECT Map FROM 映射;")}),
              QStringLiteral("A\n"));

    QString shown;
    QStringList afterRefusal;
    WhenModal<batch::InputMap>([&](batch::InputMap *m) {
        for (int r = 1; r < m->M1->Rows(); ++r)
            if (m->M1->TextMatrix(r, 0) == QString::number(kPayee))
                shown = m->M1->TextMatrix(r, 4);
        shown += u'|' + m->T[0]->text() + u'|' + m->T[1]->text();
        // The saved spec retyped: the first key replaces it, as in any grid cell.
        TypeSpec(m, kPayee, QStringLiteral("C"));
        shown += u'|' + m->M1->TextMatrix(m->MapEditRow, 4);
        m->T[0]->setText(QStringLiteral("1"));
        m->T[1]->setText(QStringLiteral("30001"));
        m->Com[0]->click();
        afterRefusal = rec().messages;
        EXPECT_TRUE(m->isVisible()); // the window stays
        m->T[1]->setText(QStringLiteral("30000"));
        m->T[0]->setText(QStringLiteral("100"));
        m->T[1]->setText(QStringLiteral("2"));
        m->Com[0]->click();
    });
    batch::ShowInputMap(target);
    EXPECT_EQ(shown, QStringLiteral("A|100|2|C"));
    EXPECT_EQ(afterRefusal,
              QStringList{QStringLiteral("一次性导入数据不得超过3万条记录，请重新设置！")});
    // 100 and 2 swapped: the CSV's rows 2 to 6.
    ASSERT_EQ(w->MSF(1)->Rows(), 2 + 5);
    EXPECT_EQ(w->MSF(1)->TextMatrix(5, column(kPayee)), QStringLiteral("0.5"));

    // An unsupported file: the message, nothing imported.
    file = m_dir.filePath(QStringLiteral("notes.txt"));
    QFile(file).open(QIODevice::WriteOnly);
    bool stillShowsPreview = false;
    WhenModal<batch::Sheets>([&](batch::Sheets *s) { s->Img[0]->click(); });
    batch::SelImportFile(1, target);
    EXPECT_EQ(batch::ImportSheet, QString()); // no sheets in a text file
    EXPECT_EQ(rec().messages.last(), QStringLiteral("无法打开XLS文件！"));
    (void)stillShowsPreview;
}

} // namespace

#include "batch/xlschild.h"

#include <QElapsedTimer>

namespace {

// LibreOffice's own CSV export (UTF-8, as shown) of each workbook, all made in one run with a
// profile of its own: the rows of cells by file.
QHash<QString, QList<QStringList>> LibreOfficeCsv(const QStringList &files, const QString &dir)
{
    QProcess lo;
    lo.start(QStringLiteral("soffice"),
             QStringList{QStringLiteral("-env:UserInstallation=file://") + dir + "/profile",
                         QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                         QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76,1"),
                         QStringLiteral("--outdir"), dir + "/csv"} +
                 files);
    lo.waitForFinished(240000);
    QHash<QString, QList<QStringList>> out;
    for (const QString &f : files) {
        const QString csv = dir + "/csv/" + QFileInfo(f).completeBaseName() + ".csv";
        const QString rows =
            RunTool(QStringLiteral("/usr/bin/python3"),
                    {QStringLiteral("-c"),
                     QStringLiteral("import csv,sys\n"
                                    "for r in csv.reader(open(sys.argv[1],encoding='utf-8')):\n"
                                    "    print('\\x1f'.join(r))"),
                     csv});
        for (const QString &line : rows.split(u'\n', Qt::SkipEmptyParts))
            out[f] << line.split(QChar(0x1f));
    }
    return out;
}

} // namespace

// Formula workbooks saved by LibreOffice and by python's xlwt, through the batch tab into the
// grid, onto the page and printed: every cell as LibreOffice's own CSV export shows it.
TEST_F(ImportTest, FormulaWorkbooksReadAsLibreOfficeShowsThem)
{
    const QString lo = kData + "/formulas-lo.xls";
    const QString xlwt = kData + "/formulas-xlwt.xls";
    const auto csv = LibreOfficeCsv({lo, xlwt}, m_dir.path());
    ASSERT_EQ(csv.value(lo).size(), 8) << "LibreOffice made no CSV";
    // Sheet column (0-based) of each text field: the payee takes the text formula, the amount
    // the product.
    const std::vector<std::pair<int, int>> fieldColumn{
        {1, 6}, {2, 0},      {3, 1},      {4, 2},       {5, 4},        {6, 7},
        {7, 8}, {kPayee, 5}, {kWords, 9}, {kAmount, 3}, {kPurpose, 10}};
    ASSERT_GE(w->fields()->CtlCount(0), 11);
    const int kBoolean = 8; // 大额: LibreOffice shows 1 and 0 where the program reads True/False
    const QList<int> formulaColumns{3, 4, 5, 7, 8, 9};

    auto import = [&] {
        rec().messages.clear();
        WhenModal<batch::Sheets>([](batch::Sheets *s) { s->Img[0]->click(); });
        batch::SelImportFile(1, target);
        ASSERT_EQ(batch::ImportSheet, QStringLiteral("数据"));
        WhenModal<batch::InputMap>([&](batch::InputMap *m) {
            for (const auto &[field, col] : fieldColumn)
                TypeSpec(m, field, QString(QChar(u'A' + col)));
            m->T[0]->setText(QStringLiteral("1"));
            m->T[1]->setText(QStringLiteral("100"));
            m->T[2]->setText(QStringLiteral("1"));
            m->Com[0]->click();
        });
        batch::ShowInputMap(target);
    };
    for (const QString &book : {lo, xlwt}) {
        SCOPED_TRACE(book.toStdString());
        file = book;
        if (book == xlwt) {
            // xlwt saved no results: the question names the columns, and stopping keeps the
            // batch LibreOffice's file gave.
            const QString before = GridText();
            rec().answer = false;
            import();
            ASSERT_EQ(rec().messages.size(), 1);
            EXPECT_TRUE(rec().messages[0].startsWith(QStringLiteral(
                "此表格中有24个公式单元格没有保存计算结果（D列“金额”4个，E列“合计”4个，"
                "F列“称呼”4个，H列“到期”4个，I列“大额”4个，J列“均价”4个）")))
                << rec().messages[0].toStdString();
            EXPECT_EQ(GridText(), before);
            rec().answer = true;
            import();
            EXPECT_EQ(rec().messages.size(), 1);
        } else {
            import();
            EXPECT_EQ(rec().messages, QStringList());
        }

        const QList<QStringList> &sheet = csv.value(lo); // both files compute to this
        const store::FlexGrid &g = *w->MSF(1);
        ASSERT_EQ(g.Rows(), 2 + sheet.size());
        for (int r = 0; r < sheet.size(); ++r) {
            for (const auto &[field, col] : fieldColumn) {
                QString want = sheet[r].value(col);
                if (col == kBoolean && r > 0 && !want.isEmpty())
                    want = want == QLatin1String("1") ? QStringLiteral("True")
                                                      : QStringLiteral("False");
                // xlwt saves no results of its formulas: going on imports them empty.
                if (book == xlwt && r > 0 && r < 6 && formulaColumns.contains(col))
                    want.clear();
                EXPECT_EQ(g.TextMatrix(2 + r, column(field)), want)
                    << "row " << r + 1 << " column " << char('A' + col);
            }
        }
    }

    // The LibreOffice workbook once more, printed: the formulas' values on the slips.
    file = lo;
    WhenModal<batch::Sheets>([](batch::Sheets *s) { s->Img[0]->click(); });
    batch::SelImportFile(1, target);
    WhenModal<batch::InputMap>([&](batch::InputMap *m) {
        m->T[0]->setText(QStringLiteral("2"));
        m->Com[0]->click();
    });
    batch::ShowInputMap(target);
    ASSERT_EQ(w->MSF(1)->Rows(), 2 + 7);
    EXPECT_EQ(fieldText(kPayee), QStringLiteral("张三先生"));
    EXPECT_TRUE(fieldText(kWords).startsWith(QStringLiteral("壹佰贰拾伍元")))
        << fieldText(kWords).toStdString();
    w->COM(1)->click();
    const QString text = RunTool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    // (pdftotext gives some characters of the font as their radicals: 生 comes out as U+2F63.)
    EXPECT_TRUE(text.contains(QStringLiteral("赵六先"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("2,469.12"))) << text.toStdString();
    EXPECT_TRUE(RunTool(QStringLiteral("pdfinfo"), {pdf})
                    .contains(QRegularExpression(QStringLiteral("Pages:\\s+7\\n"))));
}

// A workbook that crashes the .xls library and one that makes it read for ever: the message,
// the page and the batch grid as they were, and the program answering events meanwhile and after.
TEST_F(ImportTest, DamagedWorkbookChangesNothing)
{
    file = kData + "/sheet.csv";
    WhenModal<batch::InputMap>([&](batch::InputMap *m) {
        TypeSpec(m, kPayee, QStringLiteral("A"));
        m->Com[0]->click();
    });
    batch::SelImportFile(1, target);
    batch::ShowInputMap(target);
    const QList<QStringList> before = GridCells(*w->MSF(1));
    ASSERT_GT(before.size(), 3);
    auto *purpose = static_cast<page::TextField *>(w->fields()->GetCtlByIdx(kPurpose));
    purpose->SetText(QStringLiteral("手写的用途"));

    const int limit = batch::XlsReadTimeLimit();
    batch::SetXlsReadTimeLimit(3000);
    for (const QString &name : {QStringLiteral("crash.xls"), QStringLiteral("hang.xls")}) {
        SCOPED_TRACE(name.toStdString());
        file = kData + "/" + name;
        rec().messages.clear();
        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(100);
        QElapsedTimer clock;
        clock.start();
        batch::SelImportFile(1, target);
        const qint64 took = clock.elapsed();
        ticker.stop();
        EXPECT_EQ(rec().messages, QStringList{QStringLiteral("无法打开XLS文件！")});
        EXPECT_EQ(batch::ImportSheet, QString());
        if (name == QLatin1String("hang.xls")) {
            EXPECT_GE(took, 2900); // the timer's own slack
            EXPECT_LT(took, 15000);
            EXPECT_GE(ticks, 10); // events went on while it read
        }
        EXPECT_EQ(GridCells(*w->MSF(1)), before);
        EXPECT_EQ(fieldText(kPurpose), QStringLiteral("手写的用途"));
    }
    batch::SetXlsReadTimeLimit(limit);

    // Usable at once: a sound workbook goes in.
    file = kData + "/sheet.xls";
    rec().messages.clear();
    WhenModal<batch::Sheets>([](batch::Sheets *s) { s->Img[0]->click(); });
    batch::SelImportFile(1, target);
    EXPECT_EQ(batch::ImportSheet, QStringLiteral("A"));
    EXPECT_EQ(rec().messages, QStringList());
}
