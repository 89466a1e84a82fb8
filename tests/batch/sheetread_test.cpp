// The sheet readers: one sheet as .xls, .xlsx and CSV gives one batch grid; our own export comes
// back without its TABs; the column specs; the failure numbers.

#include "batch/gridexport.h"
#include "batch/sheetread.h"
#include "batch/sheetsource.h"

#include "batch_fixture.h"

#include "store/view/grid.h"

#include <QFile>
#include <QTest>

namespace {

using batch::ImportMaps;
using batch::ImportPage;

const QString kData = QStringLiteral(BATCH_DATA_DIR);

ImportPage Page()
{
    ImportPage p;
    p.caption = [](int index) { return QStringLiteral("字段%1").arg(index); };
    p.crlfChr = QStringLiteral("//");
    return p;
}

void MakeBatchGrid(store::FlexGrid &g)
{
    g.SetFixedRows(2);
    g.SetFixedCols(1);
}

// Reads a file of any kind into a fresh batch grid.
QList<QStringList> Import(const QString &file, const ImportMaps &maps, int start, int end, int n,
                          int *result = nullptr)
{
    store::FlexGrid g;
    MakeBatchGrid(g);
    int r = file.endsWith(QLatin1String(".csv"))
                ? batch::ReadCsvData(g.Model(), file, start, end, maps, n, Page())
                : batch::ReadExcelData(g.Model(), file, QStringLiteral("A"), start, end, maps, n,
                                       Page());
    if (result)
        *result = r;
    return GridCells(g);
}

class SheetReadTest : public BatchTest
{
};

TEST_F(SheetReadTest, OneSheetThreeFilesOneGrid)
{
    ImportMaps maps;
    maps.TT = {QStringLiteral("A"),         QStringLiteral("D,F"), QStringLiteral("A,\"地址：\",E"),
               QStringLiteral("D,“//”,F"),  QStringLiteral("C+1"), QStringLiteral("\"x,y\",A"),
               QStringLiteral("“号：”，A"), QStringLiteral("B"),   QString()};
    maps.CC = {QStringLiteral("c")};
    maps.II = {QStringLiteral("2")};
    const QStringList files{kData + "/sheet.xls", kData + "/sheet.xlsx", kData + "/sheet.csv"};
    QList<QList<QStringList>> grids;
    for (const QString &f : files)
        grids << Import(f, maps, 2, 100, 1);
    EXPECT_EQ(rec().messages, QStringList());

    const QList<QStringList> &g = grids[0];
    // Five records (the empty row 3 among them), none past the sheet's last row.
    ASSERT_EQ(g.size(), 2 + 5);
    ASSERT_EQ(g[0].size(), 1 + 11);
    EXPECT_EQ(g[0].mid(1),
              (QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "9", "1001", "2001"}));
    EXPECT_EQ(g[1][1], QStringLiteral("字段1"));
    EXPECT_EQ(g[2], (QStringList{"1", "张三", "2024-01-310.3", "张三地址：北京", "2024-01-31//0.3",
                                 "", "x,y张三", "号：张三", "第一行//第二行", "", "1234.5",
                                 "第一行//第二行"}));
    EXPECT_EQ(g[3],
              (QStringList{"2", "", "", "地址：", "//", "88", "x,y", "号：", "", "", "", ""}));
    EXPECT_EQ(g[4][8], QStringLiteral("含,逗号和\"引号\""));
    EXPECT_EQ(g[5][8], QStringLiteral("ζξ字"));
    EXPECT_EQ(g[5][2], QStringLiteral("2024-02-29-1.25"));
    EXPECT_EQ(grids[1], g) << "xlsx";
    EXPECT_EQ(grids[2], g) << "csv";

    // Three rows per record: records begin at rows 2 and 5 (row 8 lies past the sheet).
    ImportMaps three;
    three.TT = {QStringLiteral("A"), QStringLiteral("C+2"), QStringLiteral("A+1")};
    QList<QList<QStringList>> threes;
    for (const QString &f : files)
        threes << Import(f, three, 2, 100, 3);
    ASSERT_EQ(threes[0].size(), 2 + 2);
    EXPECT_EQ(threes[0][2], (QStringList{"1", "张三", "88", ""}));
    EXPECT_EQ(threes[0][3], (QStringList{"2", "王五", "", "赵六"}));
    EXPECT_EQ(threes[1], threes[0]);
    EXPECT_EQ(threes[2], threes[0]);

    // Our own export (libxlsxwriter: shared strings, relative part paths) reads the same.
    store::FlexGrid batchGrid;
    MakeBatchGrid(batchGrid);
    batch::ReadCsvData(batchGrid.Model(), files[2], 1, 100,
                       ImportMaps{{"A", "B", "C", "D", "E", "F"}, {}, {}}, 1, Page());
    batchGrid.SetColWidth(0, 0);
    const QString own = path(QStringLiteral("own.xlsx"));
    ASSERT_TRUE(batch::ExportGridToXls(batchGrid.Model(), own, QStringLiteral("A")));
    // Exported rows: the captions, then the six sheet rows; columns A..F.
    EXPECT_EQ(Import(own, maps, 3, 100, 1), g);
}

TEST_F(SheetReadTest, ExportedHistoryImportsBackWithoutTabs)
{
    store::FlexGrid history;
    history.SetRows(4);
    history.SetCols(3);
    history.SetFixedRows(2);
    history.SetFixedCols(1);
    history.SetRowHeight(0, 0);
    history.SetColWidth(0, 0);
    history.SetColWidth(1, 1200);
    history.SetColWidth(2, 1200);
    history.SetTextMatrix(1, 1, QStringLiteral("收款人"));
    history.SetTextMatrix(1, 2, QStringLiteral("金额"));
    history.SetTextMatrix(2, 1, QStringLiteral("张三"));
    history.SetTextMatrix(2, 2, QStringLiteral("1,234.50"));
    history.SetTextMatrix(3, 1, QStringLiteral("两\n行"));
    history.SetTextMatrix(3, 2, QStringLiteral("\t"));
    ImportMaps maps{{QStringLiteral("A"), QStringLiteral("A,B"), QStringLiteral("B")}, {}, {}};
    for (const QString name : {QStringLiteral("h.xlsx"), QStringLiteral("h.csv")}) {
        const QString file = path(name);
        ASSERT_TRUE(name.endsWith(QLatin1String("csv"))
                        ? batch::ExportGridToCsv(history.Model(), file)
                        : batch::ExportGridToXls(history.Model(), file, QStringLiteral("A")));
        const QList<QStringList> g = Import(file, maps, 2, 100, 1);
        ASSERT_EQ(g.size(), 4) << name.toStdString();
        EXPECT_EQ(g[2].mid(1), (QStringList{"张三", "张三1,234.50", "1,234.50"}));
        // A cell of one TAB keeps one TAB after losing the export's.
        EXPECT_EQ(g[3].mid(1), (QStringList{"两//行", "两//行\t", "\t"}));
    }
}

TEST(ColumnSpecs, ItemsAndValues)
{
    batch::SheetData sheet;
    sheet.SetRow(1, {"张", "三", "x\t", "y\t\t", "a\nb", "c\rd"});
    for (int r = 2; r <= 12; ++r)
        sheet.SetCell(r, 3, QStringLiteral("C%1").arg(r));
    auto value = [&](const QString &spec, qint64 row = 1) {
        QStringList specs{spec};
        batch::NormalizeColSpecs(specs);
        return batch::SpecValue(batch::ParseColSpec(specs[0]), sheet, row, QStringLiteral("//"));
    };
    EXPECT_EQ(value("A,B"), "张三");
    EXPECT_EQ(value("“A”，B"), "A三");
    EXPECT_EQ(value(",A,"), "张");
    EXPECT_EQ(value(",,A"), "张");
    EXPECT_EQ(value("ABC"), "");
    EXPECT_EQ(value("\""), "");
    EXPECT_EQ(value("1"), "张");
    EXPECT_EQ(value("2"), "三");
    EXPECT_EQ(value("A1"), "");
    EXPECT_EQ(value("b"), "三");
    EXPECT_EQ(value("\"a,b\""), "a,b");
    EXPECT_EQ(value("\"a, b\" , A"), "a, b张");
    EXPECT_EQ(value("C"), "x");
    EXPECT_EQ(value("D"), "y\t");
    EXPECT_EQ(value("C,D"), "xy\t");
    EXPECT_EQ(value("E"), "a//b");
    EXPECT_EQ(value("F"), "c\rd");
    EXPECT_EQ(value("C+1.6"), "C3");
    EXPECT_EQ(value("C+2.5"), "C3");
    EXPECT_EQ(value("C+1e1"), "C11");
    EXPECT_EQ(value("C+-1", 3), "C2");
    EXPECT_EQ(value("C+-5", 3), "");
    EXPECT_EQ(value("A", 0), "");
    EXPECT_EQ(value("ZZ"), "");

    EXPECT_EQ(batch::RecordCount(2, 100, 3, 1000), 33);
    EXPECT_EQ(batch::RecordCount(2, 101, 3, 1000), 34);
    EXPECT_EQ(batch::RecordCount(2, 100, 1, 20), 19);
    EXPECT_EQ(batch::RecordCount(2, 100, 1, 1), 0);
    EXPECT_EQ(batch::RecordCount(1, 30000, 1, 100000), 30000);
}

TEST_F(SheetReadTest, FailuresReportTheirNumbers)
{
    const ImportMaps maps{{QStringLiteral("A")}, {}, {}};
    int result = -1;
    const QString xls = kData + "/sheet.xls";
    auto last = [this] { return rec().messages.isEmpty() ? QString() : rec().messages.last(); };

    Import(path(QStringLiteral("missing.xls")), maps, 2, 100, 1, &result);
    EXPECT_EQ(result, 5);
    EXPECT_EQ(last(), QStringLiteral("无法打开Excel文件，请检查后重新输入文件名及路径！"));
    store::FlexGrid g;
    MakeBatchGrid(g);
    EXPECT_EQ(
        batch::ReadExcelData(g.Model(), xls, QStringLiteral("无此表"), 2, 100, maps, 1, Page()), 9);
    EXPECT_EQ(last(), QStringLiteral("输入表格名称有误，无法打开表格，请重新输入！"));
    EXPECT_EQ(g.Rows(), 2); // no records
    const QString renamed = path(QStringLiteral("book.xls"));
    QFile::copy(kData + "/sheet.xlsx", renamed);
    Import(renamed, maps, 2, 100, 1, &result);
    EXPECT_EQ(result, 438);
    EXPECT_EQ(last(), QStringLiteral("文件类型不对，请选择Excel文档！"));
    Import(xls, maps, 2, 100, 0, &result);
    EXPECT_EQ(result, 11);
    EXPECT_EQ(last(), QStringLiteral("未知错误，错误号：11　请检查输入值！"));
    Import(xls, maps, 2, 100, 40000, &result);
    EXPECT_EQ(result, 6);

    rec().messages.clear();
    const QList<QStringList> none = Import(path(QStringLiteral("missing.csv")), maps, 2, 100, 1);
    EXPECT_EQ(rec().messages, QStringList{QStringLiteral("CSV文件导入错误！")});
    EXPECT_EQ(none.size(), 2);
    rec().messages.clear();
    Import(kData + "/sheet.csv", maps, 2, 100, 0);
    EXPECT_EQ(rec().messages, QStringList{QStringLiteral("CSV文件导入错误！")});

    QStringList sheets;
    ASSERT_TRUE(batch::ListSheets(xls, sheets));
    EXPECT_EQ(sheets, (QStringList{"A", "B", "C"}));
    ASSERT_TRUE(batch::ListSheets(kData + "/sheet.xlsx", sheets));
    EXPECT_EQ(sheets, (QStringList{"A", "B", "C"}));
    EXPECT_FALSE(batch::ListSheets(path(QStringLiteral("missing.xlsx")), sheets));
}

} // namespace

namespace {

// A package written by hand with the forms other programs use: element prefixes, rich text with
// phonetic runs, Excel's "_x000D_", entities, dates by built-in, CJK and custom formats, the 1904
// system, Booleans, errors, formulas' text, cells and rows without their numbers, skipped rows.
const char *kMakeOddXlsx = R"(
import sys, zipfile
ns = 'xmlns:x="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"'
z = zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED)
z.writestr("[Content_Types].xml", "<Types/>")
z.writestr("xl/workbook.xml", '<x:workbook %s><x:workbookPr date1904="%s"/><x:sheets>'
  '<x:sheet name="首页" sheetId="1" r:id="rId7"/><x:sheet name="数据" sheetId="2" r:id="rId8"/>'
  '</x:sheets></x:workbook>' % (ns, sys.argv[2]))
z.writestr("xl/_rels/workbook.xml.rels", '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
  '<Relationship Id="rId7" Type="ws" Target="worksheets/a.xml"/>'
  '<Relationship Id="rId8" Type="ws" Target="/xl/worksheets/b.xml"/></Relationships>')
z.writestr("xl/sharedStrings.xml", '<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
  '<si><t>张三</t></si>'
  '<si><r><t>上</t></r><r><rPr><b/></rPr><t xml:space="preserve">海 </t></r><rPh sb="0" eb="1"><t>シャン</t></rPh></si>'
  '<si><t>a_x000D_b &amp; &lt;c&gt;</t></si></sst>')
z.writestr("xl/styles.xml", '<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
  '<numFmts count="1"><numFmt numFmtId="170" formatCode="&quot;Day&quot; yyyy/mm/dd"/>'
  '<numFmt numFmtId="171" formatCode="[Red]0.00;&quot;d&quot;"/></numFmts>'
  '<cellStyleXfs count="1"><xf numFmtId="14"/></cellStyleXfs>'
  '<cellXfs count="6"><xf numFmtId="0"/><xf numFmtId="14"/><xf numFmtId="31"/><xf numFmtId="170"/>'
  '<xf numFmtId="171"/><xf numFmtId="22"/></cellXfs></styleSheet>')
z.writestr("xl/worksheets/a.xml", '<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>'
  '<row r="1"><c r="A1"><v>1</v></c></row></sheetData></worksheet>')
z.writestr("xl/worksheets/b.xml", '<x:worksheet %s><x:sheetData>'
  '<x:row r="1"><x:c r="A1" t="s"><x:v>0</x:v></x:c><x:c t="s"><x:v>1</x:v></x:c><x:c r="D1" t="s"><x:v>2</x:v></x:c></x:row>'
  '<x:row><x:c r="A2" s="1"><x:v>45322</x:v></x:c><x:c r="B2" s="2"><x:v>45322</x:v></x:c>'
  '<x:c r="C2" s="3"><x:v>45322.5</x:v></x:c><x:c r="D2" s="4"><x:v>45322</x:v></x:c>'
  '<x:c r="E2" s="5"><x:v>0.75</x:v></x:c><x:c r="F2" s="1"><x:v>60</x:v></x:c></x:row>'
  '<x:row r="5"><x:c r="A5" t="b"><x:v>1</x:v></x:c><x:c r="B5" t="e"><x:v>#DIV/0!</x:v></x:c>'
  '<x:c r="C5" t="str"><x:f>A1&amp;"x"</x:f><x:v>张三x</x:v></x:c>'
  '<x:c r="D5" t="inlineStr"><x:is><x:t>行一&#10;行二</x:t></x:is></x:c><x:c r="E5"/>'
  '<x:c r="F5"><x:v>1E-3</x:v></x:c></x:row></x:sheetData></x:worksheet>' % ns)
z.close()
)";

} // namespace

TEST_F(SheetReadTest, WorkbookFormsOfOtherPrograms)
{
    const QString file = path(QStringLiteral("odd.xlsx"));
    python(QString::fromUtf8(kMakeOddXlsx), {file, QStringLiteral("0")});
    QStringList sheets;
    ASSERT_TRUE(batch::ListSheets(file, sheets));
    EXPECT_EQ(sheets, (QStringList{"首页", "数据"}));
    batch::SheetData d;
    ASSERT_EQ(batch::LoadWorkbookSheet(file, QStringLiteral("数据"), 0, 702, d), 0);
    EXPECT_EQ(d.Cell(1, 1), "张三");
    EXPECT_EQ(d.Cell(1, 2), "上海 "); // the phonetic run is no part of it
    EXPECT_EQ(d.Cell(1, 4), "a\rb & <c>");
    EXPECT_EQ(d.Cell(2, 1), "2024-01-31");
    EXPECT_EQ(d.Cell(2, 2), "2024-01-31");          // a CJK date format
    EXPECT_EQ(d.Cell(2, 3), "2024-01-31 12:00:00"); // a custom one with text in quotes
    EXPECT_EQ(d.Cell(2, 4), "45322");               // "d" in quotes is no date
    EXPECT_EQ(d.Cell(2, 5), "18:00:00");
    EXPECT_EQ(d.Cell(2, 6), "1900-02-29");
    EXPECT_EQ(d.Cell(5, 1), "True");
    EXPECT_EQ(d.Cell(5, 2), "#DIV/0!");
    EXPECT_EQ(d.Cell(5, 3), "张三x");
    EXPECT_EQ(d.Cell(5, 4), "行一\n行二");
    EXPECT_EQ(d.Cell(5, 5), "");
    EXPECT_EQ(d.Cell(5, 6), "0.001");
    EXPECT_EQ(d.LastRow(), 5);
    // The end row stops the reading.
    ASSERT_EQ(batch::LoadWorkbookSheet(file, QStringLiteral("数据"), 2, 702, d), 0);
    EXPECT_EQ(d.LastRow(), 2);

    const QString file1904 = path(QStringLiteral("odd1904.xlsx"));
    python(QString::fromUtf8(kMakeOddXlsx), {file1904, QStringLiteral("1")});
    ASSERT_EQ(batch::LoadWorkbookSheet(file1904, QStringLiteral("数据"), 0, 702, d), 0);
    EXPECT_EQ(d.Cell(2, 1), "2028-02-01");
}

// Worksheets cut to break a scanner: 20 MB of text with no tag, a tag that never closes, many
// "&" without their ";", a value split at every byte. Each ends in one pass over its bytes: read,
// refused as broken, or stopped by the progress callback.
TEST_F(SheetReadTest, HostileWorksheetsEndInOnePass)
{
    const QString make = QStringLiteral(
        "import sys, zipfile\n"
        "z = zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED)\n"
        "z.writestr('xl/workbook.xml', '<workbook><sheets><sheet name=\"A\" "
        "r:id=\"r1\"/></sheets></workbook>')\n"
        "z.writestr('xl/_rels/workbook.xml.rels', '<Relationships><Relationship Id=\"r1\" "
        "Target=\"worksheets/s.xml\"/></Relationships>')\n"
        "head = b'<worksheet><sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>'\n"
        "body = {'text': b'x' * (20 << 20),\n"
        "        'tag': b'</t></is></c><c r=\"B1\" ' + b'a' * (20 << 20),\n"
        "        'amp': b'&' * (8 << 20) + "
        "b'&amp;</t></is></c></row></sheetData></worksheet>'}[sys.argv[2]]\n"
        "z.writestr('xl/worksheets/s.xml', head + body)\n");
    batch::SheetData d;
    // All of the text is the cell's, the part being cut nowhere in it.
    const QString amp = path(QStringLiteral("amp.xlsx"));
    python(make, {amp, QStringLiteral("amp")});
    ASSERT_EQ(batch::LoadWorkbookSheet(amp, QStringLiteral("A"), 0, 702, d), 0);
    EXPECT_EQ(d.Cell(1, 1), QString(8 << 20, u'&') + u'&');
    const QString tag = path(QStringLiteral("tag.xlsx"));
    python(make, {tag, QStringLiteral("tag")});
    EXPECT_EQ(batch::LoadWorkbookSheet(tag, QStringLiteral("A"), 0, 702, d),
              batch::kSheetNotWorkbook);
    // The progress window's cancel: the callback's false stops the reading of the open text.
    const QString text = path(QStringLiteral("text.xlsx"));
    python(make, {text, QStringLiteral("text")});
    int asked = 0;
    double last = 0;
    EXPECT_EQ(batch::LoadWorkbookSheet(text, QStringLiteral("A"), 0, 702, d, nullptr,
                                       [&](double f) {
                                           last = f;
                                           return ++asked < 3;
                                       }),
              batch::kSheetCancelled);
    EXPECT_EQ(asked, 3);
    EXPECT_GT(last, 0.1);
    EXPECT_LT(last, 0.2);
    // Not stopped, the cell whose text never ends is no cell.
    EXPECT_EQ(batch::LoadWorkbookSheet(text, QStringLiteral("A"), 0, 702, d), 0);
    EXPECT_EQ(d.LastRow(), 0);
    EXPECT_EQ(batch::XlsxPartLimit(1000), qint64(32) << 20);
    EXPECT_EQ(batch::XlsxPartLimit(1 << 20), qint64(100) << 20);
    EXPECT_EQ(batch::XlsxPartLimit(100 << 20), qint64(512) << 20);
}

#include "batch/sheets.h"

TEST_F(SheetReadTest, WorksheetChooserMarks)
{
    batch::Sheets one(kData + "/sheet.xls", 1);
    ASSERT_TRUE(one.LoadSheets());
    EXPECT_EQ(one.windowTitle(), QStringLiteral("选择要导入数据所在的工作表"));
    EXPECT_EQ(one.MarkedSheets(), QStringLiteral("A"));
    one.PressRow(3);
    EXPECT_EQ(one.MarkedSheets(), QStringLiteral("C"));
    one.PressRow(3);
    EXPECT_EQ(one.MarkedSheets(), QString());
    one.PressHeader(1); // nothing in the one-sheet mode
    EXPECT_EQ(one.MarkedSheets(), QString());

    batch::Sheets several(kData + "/sheet.xlsx", 2);
    ASSERT_TRUE(several.LoadSheets());
    several.PressRow(3);
    EXPECT_EQ(several.MarkedSheets(), QStringLiteral("A‖C"));
    several.PressHeader(1);
    EXPECT_EQ(several.MarkedSheets(), QString());
    several.PressHeader(1);
    EXPECT_EQ(several.MarkedSheets(), QStringLiteral("A‖B‖C"));
    // A right-button press on a row toggles it too.
    const QRect cell = several.SHL->visualRect(several.SHL->model()->index(1, 2));
    QTest::mousePress(several.SHL->viewport(), Qt::RightButton, {}, cell.center());
    EXPECT_EQ(several.MarkedSheets(), QStringLiteral("A‖C"));

    batch::Sheets broken(path(QStringLiteral("none.xls")), 1);
    EXPECT_FALSE(broken.LoadSheets());
    EXPECT_EQ(rec().messages, QStringList{QStringLiteral("无法打开XLS文件！")});
}

#include "batch/xlschild.h"
#include "batch/xlsproto.h"

#include <QElapsedTimer>

// The .xls reader's process crashing or reading for ever: "无法打开XLS文件！" and a batch grid
// that keeps its records; an answer cut short or out of bounds is not believed.
TEST_F(SheetReadTest, XlsReaderProcessFailures)
{
    const ImportMaps maps{{QStringLiteral("A"), QStringLiteral("C")}, {}, {}};
    store::FlexGrid g;
    MakeBatchGrid(g);
    ASSERT_EQ(batch::ReadCsvData(g.Model(), kData + "/sheet.csv", 2, 100, maps, 1, Page()), 0);
    const QList<QStringList> before = GridCells(g);
    ASSERT_EQ(before.size(), 2 + 5);

    rec().messages.clear();
    EXPECT_EQ(batch::ReadExcelData(g.Model(), kData + "/crash.xls", QStringLiteral("A"), 2, 100,
                                   maps, 1, Page()),
              batch::kSheetReaderFailed);
    EXPECT_EQ(rec().messages, QStringList{QStringLiteral("无法打开XLS文件！")});
    EXPECT_EQ(GridCells(g), before);

    const int limit = batch::XlsReadTimeLimit();
    batch::SetXlsReadTimeLimit(1000);
    QElapsedTimer clock;
    clock.start();
    batch::SheetData d;
    EXPECT_EQ(batch::LoadWorkbookSheet(kData + "/hang.xls", QStringLiteral("A"), 0, 702, d),
              batch::kSheetReaderFailed);
    EXPECT_LT(clock.elapsed(), 10000);
    batch::SetXlsReadTimeLimit(limit);

    batch::XlsCells cells;
    cells.cells.push_back({3, 2, batch::XlsCell::Text, 0, QStringLiteral("张三")});
    cells.cells.push_back({4, 1, batch::XlsCell::Date, 45322, {}});
    cells.cells.push_back({4, 3, batch::XlsCell::Boolean, 1, {}});
    const QByteArray good = batch::EncodeXlsCells(0, cells);
    int status = -1;
    batch::XlsCells back;
    ASSERT_TRUE(batch::DecodeXlsCells(good, 10, 3, status, back));
    EXPECT_EQ(back.cells.size(), 3u);
    EXPECT_EQ(back.cells[0].text, QStringLiteral("张三"));
    for (qsizetype n = 0; n < good.size(); ++n)
        EXPECT_FALSE(batch::DecodeXlsCells(good.left(n), 10, 3, status, back)) << n;
    EXPECT_FALSE(batch::DecodeXlsCells(good + "x", 10, 3, status, back));
    EXPECT_FALSE(batch::DecodeXlsCells(good, 3, 3, status, back));  // row 4 beyond the rows asked
    EXPECT_FALSE(batch::DecodeXlsCells(good, 10, 2, status, back)); // column 3 beyond the columns
    QByteArray bad = good;
    bad[16 + 4 + 4] = char(9); // no such kind
    EXPECT_FALSE(batch::DecodeXlsCells(bad, 10, 3, status, back));
    QStringList names;
    EXPECT_FALSE(batch::DecodeXlsSheetNames(good, status, names)); // an answer of another kind
}
