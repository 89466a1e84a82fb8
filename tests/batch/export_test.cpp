// Grid export: .xlsx read back by openpyxl, CSV read back by Python's csv module, the overwrite
// question and failures that must leave an old file as it was; the column letters.

#include "batch/gridexport.h"

#include "../common/smalldisk.h"
#include "batch_fixture.h"

#include "store/view/grid.h"
#include "store/db/textfile.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kSheet = QStringLiteral("Quorvan支票打印历史数据");

// A grid shaped like the history grid: row 0 of names (height 0), row 1 of captions, column 0 of
// width 0; cells with a comma, a quote, a bare LF, CR LF, Chinese text and empty cells.
void FillHistoryLikeGrid(store::FlexGrid &g)
{
    g.SetCols(5);
    g.SetRows(5);
    g.SetFixedRows(2);
    g.SetFixedCols(2);
    g.SetRowHeight(0, 0);
    const int widths[] = {0, 500, 1230, 2460, 1845};
    for (int c = 0; c < 5; ++c)
        g.SetColWidth(c, widths[c]);
    const QStringList rows[] = {
        {"ID", "", "Con", "Sm", "Note"},
        {"", "序号", "收款人", "金额", "备注"},
        {"7", "1", "甲,公司", "1,234.50", "他说\"好\""},
        {"8", "2", "两行\n文本", "", "回车\r\n换行"},
        {"9", "3", "中文", "0.30", ""},
    };
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 5; ++c)
            g.SetTextMatrix(r, c, rows[r].at(c));
}

// The failure message of an export, naming the file.
::testing::AssertionResult SaveErrorNaming(const QString &message, const QString &file)
{
    if (message.startsWith(QStringLiteral("文件保存出错！\n无法写入文件“%1”！\n").arg(file)))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << message.toStdString();
}

// The visible cells each followed by a TAB, as both files must hold them.
QList<QStringList> ExpectedRows()
{
    return {
        {"序号\t", "收款人\t", "金额\t", "备注\t"},
        {"1\t", "甲,公司\t", "1,234.50\t", "他说\"好\"\t"},
        {"2\t", "两行\n文本\t", "\t", "回车\r\n换行\t"},
        {"3\t", "中文\t", "0.30\t", "\t"},
    };
}

const char *kReadXlsx = R"(
import sys, json, re, openpyxl
# openpyxl leaves Excel's escape of a CR ("_x000D_") as it is stored.
def text(v):
    return re.sub(r"_x([0-9A-Fa-f]{4})_", lambda m: chr(int(m.group(1), 16)), v) \
        if isinstance(v, str) else v
wb = openpyxl.load_workbook(sys.argv[1])
ws = wb.worksheets[0]
out = {"title": ws.title, "rows": [], "fill": [], "bold": [], "border": [], "widths": {}}
for row in ws.iter_rows(min_row=1, max_row=ws.max_row, max_col=ws.max_column):
    out["rows"].append([text(c.value) for c in row])
    out["fill"].append([c.fill.fgColor.rgb if c.fill.patternType == "solid" else "" for c in row])
    out["bold"].append([bool(c.font.b) for c in row])
    out["border"].append([all(s.style == "thin" for s in
        (c.border.left, c.border.right, c.border.top, c.border.bottom)) for c in row])
for k, d in ws.column_dimensions.items():
    out["widths"][k] = d.width
print(json.dumps(out, ensure_ascii=False))
)";

const char *kReadCsv = R"(
import sys, csv, json
with open(sys.argv[1], encoding="gbk", newline="") as f:
    rows = list(csv.reader(f))
print(json.dumps(rows, ensure_ascii=False))
)";

QByteArray ReadAll(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class ExportTest : public BatchTest
{
protected:
    void SetUp() override
    {
        BatchTest::SetUp();
        FillHistoryLikeGrid(grid);
        dialog.chooser = [this](const QString &filter, const QString &current) {
            filters << filter;
            shownNames << current;
            return answer;
        };
    }
    store::FlexGrid grid;
    batch::SaveDialog dialog;
    QString answer;
    QStringList filters, shownNames;
};

TEST_F(ExportTest, WorkbookReadBackByOpenpyxl)
{
    answer = path(QStringLiteral("history.xls"));
    batch::ExportGrid(grid.Model(), dialog, kSheet);
    // The workbook is an .xlsx file: the name asked for gets its "x".
    const QString file = answer + u'x';
    ASSERT_TRUE(QFile::exists(file));
    EXPECT_FALSE(QFile::exists(answer));
    EXPECT_EQ(filters, QStringList{batch::kExportFilter});
    EXPECT_EQ(rec().messages, QStringList());

    const QJsonObject o =
        QJsonDocument::fromJson(python(QString::fromUtf8(kReadXlsx), {file}).toUtf8()).object();
    EXPECT_EQ(o["title"].toString(), kSheet);
    const QList<QStringList> want = ExpectedRows();
    const QJsonArray rows = o["rows"].toArray();
    ASSERT_EQ(rows.size(), want.size());
    for (int r = 0; r < want.size(); ++r) {
        const QJsonArray row = rows[r].toArray();
        ASSERT_EQ(row.size(), 4) << r;
        for (int c = 0; c < 4; ++c) {
            // Empty cells are not written (only their borders).
            const QString expected = want[r][c] == QLatin1String("\t") ? QString() : want[r][c];
            EXPECT_EQ(row[c].toString(), expected) << r << "," << c;
            EXPECT_EQ(o["fill"].toArray()[r].toArray()[c].toString(),
                      r == 0 ? QStringLiteral("FFFFC080") : QString())
                << r << "," << c;
            EXPECT_EQ(o["bold"].toArray()[r].toArray()[c].toBool(), r == 0);
            EXPECT_TRUE(o["border"].toArray()[r].toArray()[c].toBool()) << r << "," << c;
        }
    }
    // Int(twips / 123) with Excel's padding as stored: 4 -> 4.7109375, 10 -> 10.7109375.
    const QJsonObject widths = o["widths"].toObject();
    EXPECT_DOUBLE_EQ(widths["A"].toDouble(), 4.7109375);
    EXPECT_DOUBLE_EQ(widths["B"].toDouble(), 10.7109375);
    EXPECT_DOUBLE_EQ(widths["C"].toDouble(), 20.7109375);
    EXPECT_DOUBLE_EQ(widths["D"].toDouble(), 15.7109375);
    // Nothing but the workbook is left in the folder.
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("history.xlsx")});
}

TEST_F(ExportTest, CsvReadBackByPythonsCsvModule)
{
    answer = path(QStringLiteral("history.CSV"));
    batch::ExportGrid(grid.Model(), dialog, kSheet);
    const QByteArray bytes = ReadAll(answer);
    ASSERT_FALSE(bytes.isEmpty());
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    EXPECT_EQ(bytes.count("\r\n"), 4 + 1); // four rows, one CR LF inside a quoted cell
    const QJsonArray rows =
        QJsonDocument::fromJson(python(QString::fromUtf8(kReadCsv), {answer}).toUtf8()).array();
    const QList<QStringList> want = ExpectedRows();
    ASSERT_EQ(rows.size(), want.size());
    for (int r = 0; r < want.size(); ++r) {
        QStringList got;
        for (const QJsonValue &v : rows[r].toArray())
            got << v.toString();
        EXPECT_EQ(got, want[r]) << r;
    }
    // A plain cell is written unquoted with its TAB; empty cells are a TAB between commas.
    EXPECT_TRUE(
        bytes.startsWith(store::ToGbk(QStringLiteral("序号\t,收款人\t,金额\t,备注\t\r\n"))));
    EXPECT_TRUE(bytes.contains(",\t,")) << bytes.constData();
}

TEST_F(ExportTest, OverwriteAndFailuresLeaveTheOldFile)
{
    const QString file = path(QStringLiteral("old.csv"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old contents\r\n");
    }
    const QByteArray old = ReadAll(file);

    // No: nothing written.
    answer = file;
    rec().answer = false;
    batch::ExportGrid(grid.Model(), dialog, kSheet);
    EXPECT_EQ(rec().messages, QStringList{QStringLiteral("该文件已存在，是否覆盖？")});
    EXPECT_EQ(ReadAll(file), old);
    // The dialog shows the name it held last.
    batch::ExportGrid(grid.Model(), dialog, kSheet);
    EXPECT_EQ(shownNames.last(), file);

    // A workbook that cannot be written (a cell beyond a workbook's 32,767 characters) over an
    // existing file: the old file stays, no partial file is left.
    const QString book = path(QStringLiteral("old.xlsx"));
    QFile::copy(file, book);
    grid.SetTextMatrix(3, 2, QString(40000, u'长'));
    rec().answer = true;
    rec().messages.clear();
    answer = book;
    batch::ExportGrid(grid.Model(), dialog, kSheet);
    ASSERT_EQ(rec().messages.size(), 2);
    EXPECT_EQ(rec().messages.at(0), QStringLiteral("该文件已存在，是否覆盖？"));
    EXPECT_TRUE(SaveErrorNaming(rec().messages.at(1), book));
    EXPECT_EQ(ReadAll(book), old);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);

    // A folder that does not exist: the save error, for CSV too, naming the missing folder.
    grid.SetTextMatrix(3, 2, QStringLiteral("两行\n文本"));
    for (const QString name : {QStringLiteral("missing/out.csv"), QStringLiteral("missing/o.xlsx")}) {
        rec().messages.clear();
        answer = path(name);
        batch::ExportGrid(grid.Model(), dialog, kSheet);
        ASSERT_EQ(rec().messages.size(), 1);
        EXPECT_TRUE(SaveErrorNaming(rec().messages.at(0), answer));
        EXPECT_TRUE(rec().messages.at(0).endsWith(QStringLiteral("\n文件夹不存在。")))
            << rec().messages.at(0).toStdString();
    }

    // A read-only folder holding the file: it cannot be replaced (the administrator may).
    if (geteuid() != 0) {
        QDir(m_dir.path()).mkdir(QStringLiteral("ro"));
        const QString locked = path(QStringLiteral("ro/old.csv"));
        QFile::copy(file, locked);
        QFile::setPermissions(path(QStringLiteral("ro")), QFile::ReadOwner | QFile::ExeOwner);
        rec().messages.clear();
        answer = locked;
        batch::ExportGrid(grid.Model(), dialog, kSheet);
        EXPECT_EQ(rec().messages.value(1),
                  QStringLiteral("该文件无法覆盖，请确认该文件没被其他软件打开！"));
        EXPECT_EQ(ReadAll(locked), old);
        QFile::setPermissions(path(QStringLiteral("ro")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // Too many columns for a workbook: refused before anything is written.
    store::FlexGrid wide;
    wide.SetRows(1);
    wide.SetCols(16385);
    rec().messages.clear();
    EXPECT_FALSE(batch::ExportGridToXls(wide.Model(), path(QStringLiteral("wide.xlsx")), kSheet));
    ASSERT_EQ(rec().messages.size(), 1);
    EXPECT_TRUE(SaveErrorNaming(rec().messages.at(0), path(QStringLiteral("wide.xlsx"))));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("wide.xlsx"))));

    // An empty grid.
    store::FlexGrid empty;
    empty.SetRows(0);
    rec().messages.clear();
    batch::ExportGrid(empty.Model(), dialog, kSheet);
    EXPECT_EQ(rec().messages, QStringList{QStringLiteral("表格中没有数据！")});
}

// A cell longer than a workbook cell holds (32,767 characters with the TAB the export adds) is
// refused before anything is written, told by its row, its column and the limit, with CSV as the
// way out: no file is left, an older file keeps every byte. The same grid goes whole into CSV,
// and a cell of exactly the limit goes whole into the workbook.
TEST_F(ExportTest, CellsLongerThanAWorkbookCellAreRefusedForThatReason)
{
    const QString text = QString(39990, u'长') + QStringLiteral("末尾的十个字符！");
    ASSERT_EQ(text.size(), 39998);
    grid.SetTextMatrix(3, 3, text + QStringLiteral("00"));
    const QString whole = grid.TextMatrix(3, 3);
    ASSERT_EQ(whole.size(), 40000);
    const QString limitText = QStringLiteral("Excel工作簿一个单元格最多能容纳的32,767个字符");
    const auto expectRefusal = [&](const QString &file) {
        ASSERT_EQ(rec().messages.size(), 1);
        const QString m = rec().messages.at(0);
        EXPECT_TRUE(SaveErrorNaming(m, file));
        // Row 3 of the sheet (the hidden name row is left out), the third visible column.
        EXPECT_TRUE(m.contains(QStringLiteral("第3行、C列（“金额”）的单元格有40,000个字符")))
            << m.toStdString();
        EXPECT_TRUE(m.contains(limitText)) << m.toStdString();
        EXPECT_TRUE(m.contains(QStringLiteral("CSV文件（*.csv），CSV文件没有这个限制")))
            << m.toStdString();
        EXPECT_FALSE(m.contains(QStringLiteral("磁盘"))) << m.toStdString();
        rec().messages.clear();
    };

    answer = path(QStringLiteral("long.xlsx"));
    batch::ExportGrid(grid.Model(), dialog, kSheet);
    expectRefusal(answer);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());

    // Over an older workbook of the same name.
    grid.SetTextMatrix(3, 3, QStringLiteral("短"));
    batch::ExportGrid(grid.Model(), dialog, kSheet);
    const QByteArray older = ReadAll(answer);
    ASSERT_TRUE(older.startsWith("PK"));
    grid.SetTextMatrix(3, 3, whole);
    rec().answer = true;
    batch::ExportGrid(grid.Model(), dialog, kSheet);
    ASSERT_EQ(rec().messages.value(0), QStringLiteral("该文件已存在，是否覆盖？"));
    rec().messages.removeFirst();
    expectRefusal(answer);
    EXPECT_EQ(ReadAll(answer), older);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("long.xlsx")});

    // CSV has no such limit: the whole cell, read back by Python.
    answer = path(QStringLiteral("long.csv"));
    batch::ExportGrid(grid.Model(), dialog, kSheet);
    EXPECT_EQ(rec().messages, QStringList());
    const QJsonArray rows =
        QJsonDocument::fromJson(python(QString::fromUtf8(kReadCsv), {answer}).toUtf8()).array();
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[2].toArray()[2].toString(), whole + u'\t');

    // At the limit: 32,766 characters and the TAB go whole into the workbook; one more does not.
    const QString atLimit = QString(32760, u'长') + QStringLiteral("abcdef");
    const char *readCell = R"(
import sys, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]
print(ws["C3"].value, end="")
)";
    grid.SetTextMatrix(3, 3, atLimit);
    answer = path(QStringLiteral("limit.xlsx"));
    batch::ExportGrid(grid.Model(), dialog, kSheet);
    EXPECT_EQ(rec().messages, QStringList());
    const QString stored = python(QString::fromUtf8(readCell), {answer});
    EXPECT_EQ(stored.size(), 32767);
    EXPECT_EQ(stored, atLimit + u'\t');
    grid.SetTextMatrix(3, 3, atLimit + u'g');
    EXPECT_FALSE(batch::ExportGridToXls(grid.Model(), path(QStringLiteral("over.xlsx")), kSheet));
    ASSERT_EQ(rec().messages.size(), 1);
    EXPECT_TRUE(rec().messages.at(0).contains(QStringLiteral("有32,767个字符")))
        << rec().messages.at(0).toStdString();
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("over.xlsx"))));
}

// Another error of the workbook library is told with its own meaning, not as a write failure.
TEST_F(ExportTest, WorkbookLibraryErrorsAreToldWithTheirMeaning)
{
    const QString file = path(QStringLiteral("sheet.xlsx"));
    EXPECT_FALSE(batch::ExportGridToXls(grid.Model(), file, QStringLiteral("历史[1]")));
    ASSERT_EQ(rec().messages.size(), 1);
    EXPECT_TRUE(SaveErrorNaming(rec().messages.at(0), file));
    EXPECT_TRUE(rec().messages.at(0).endsWith(
        QStringLiteral("\n工作表的名称含有不允许的字符（[ ] : * ? / \\）。")))
        << rec().messages.at(0).toStdString();
    EXPECT_FALSE(rec().messages.at(0).contains(QStringLiteral("磁盘")));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

// Both writers on a disk with a few KB left, over an earlier export: the save error naming the
// file, the old file byte for byte, nothing beside it. A new workbook gets the umask's mode.
TEST_F(ExportTest, FullDiskKeepsTheOldFileAndTellsWhichFile)
{
    const mode_t umaskBefore = ::umask(022);
    answer = path(QStringLiteral("new.xlsx"));
    batch::ExportGrid(grid.Model(), dialog, kSheet);
    EXPECT_EQ(QFile::permissions(answer) & 0x0777,
              QFile::ReadUser | QFile::WriteUser | QFile::ReadGroup | QFile::ReadOther);
    ::umask(umaskBefore);

    SmallDisk disk(path(QStringLiteral("small")), QStringLiteral("256k"));
    if (!disk.mounted())
        GTEST_SKIP() << "a small tmpfs cannot be mounted here (needs root)";
    // Rows enough that neither file fits into what is left.
    grid.SetRows(3000);
    for (int r = 2; r < grid.Rows(); ++r)
        for (int c = 1; c < 5; ++c)
            grid.SetTextMatrix(r, c, QStringLiteral("第%1行第%2列的内容").arg(r).arg(c));
    rec().answer = true;
    for (const QString name : {QStringLiteral("out.csv"), QStringLiteral("out.xlsx")}) {
        const QString file = disk.path() + u'/' + name;
        ASSERT_TRUE(store::WriteTextFile(QStringLiteral("旧文件"), file) > 0);
    }
    disk.fill(8192);
    for (const QString name : {QStringLiteral("out.csv"), QStringLiteral("out.xlsx")}) {
        const QString file = disk.path() + u'/' + name;
        rec().messages.clear();
        answer = file;
        batch::ExportGrid(grid.Model(), dialog, kSheet);
        ASSERT_EQ(rec().messages.size(), 2) << name.toStdString();
        EXPECT_TRUE(SaveErrorNaming(rec().messages.at(1), file));
        EXPECT_TRUE(rec().messages.at(1).endsWith(QStringLiteral("\n磁盘空间不足。")))
            << rec().messages.at(1).toStdString();
        EXPECT_EQ(store::FromGbk(ReadAll(file)), QStringLiteral("旧文件"));
        EXPECT_EQ(disk.names(), (QStringList{"out.csv", "out.xlsx"}));
    }
}

TEST_F(ExportTest, NamesDecideTheKindOfFile)
{
    for (const QString name : {QStringLiteral("a.txt"), QStringLiteral("noext")}) {
        answer = path(name);
        batch::ExportGrid(grid.Model(), dialog, kSheet);
        EXPECT_TRUE(ReadAll(answer).startsWith("PK")) << name.toStdString(); // a workbook
    }
    answer = path(QStringLiteral("b.Csv"));
    batch::ExportGrid(grid.Model(), dialog, kSheet);
    EXPECT_FALSE(ReadAll(answer).startsWith("PK"));
    EXPECT_EQ(rec().messages, QStringList());
}

TEST(ColumnLetters, BothWays)
{
    const std::pair<int, const char *> letters[] = {{1, "A"},   {26, "Z"},  {27, "AA"},
                                                    {52, "AZ"}, {59, "BG"}, {702, "ZZ"},
                                                    {0, ""},    {703, ""},  {-1, ""}};
    for (const auto &[n, s] : letters)
        EXPECT_EQ(batch::ColNumToLetter(n), QString::fromLatin1(s)) << n;
    const std::pair<const char *, int> numbers[] = {{"a", 1}, {" AB ", 28}, {"ABC", 0}, {"1", 1},
                                                    {"", 0},  {"zz", 702},  {"A1", 11}};
    for (const auto &[s, n] : numbers)
        EXPECT_EQ(batch::ColLetterToNum(QString::fromLatin1(s)), n) << s;
}

} // namespace
