#pragma once
// Turning sheet rows into batch records: the column specs of the fields, the batch grid's layout,
// and the two readers (workbook and CSV) that fill it, plus the import window's CSV preview.
//
// A column spec names what goes into a field: items separated by ",", each a literal in quotes
// ("地址：") or a column (one or two letters, or a column number) with an optional row offset
// after its last "+" (C+1: column C one row below the record's first row). Items are joined with
// nothing between them.
//
// Batch grid layout: row 0 (hidden) holds the field index of each data column, row 1 the field's
// prompt caption, column 0 the record numbers; data rows start at row 2.

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace store {
class FlexGridModel;
}

namespace batch {

class SheetData;

// The column specs of the three field kinds: TT[k - 1] belongs to text field k, CC[k - 1] to
// check field 1000 + k, II[k - 1] to picture field 2000 + k; "" imports nothing.
struct ImportMaps
{
    QStringList TT;
    QStringList CC;
    QStringList II;
};

// What the readers need of the page: the prompt caption of a field (LL) and the line-break symbol.
struct ImportPage
{
    std::function<QString(int index)> caption;
    QString crlfChr = QStringLiteral("//");
};

// The specs in field order (texts, checks, pictures).
QStringList MergeColLists(const ImportMaps &maps);
// The field indexes in the same order.
std::vector<int> MergedIndexes(const ImportMaps &maps);
// “ and ” become ", "，" becomes ",", trimmed, then one leading and one trailing comma removed.
void NormalizeColSpecs(QStringList &specs);

// One item of a normalised spec.
struct SpecItem
{
    bool literal = false;
    QString text;   // the literal's inner text
    qint64 col = 0; // the column (>= 1) of a reference
    qint64 offset = 0;
};
// The items of one normalised spec; items that read nothing are left out.
std::vector<SpecItem> ParseColSpec(const QString &spec);

// The value of one field for the record starting at sheet row firstRow: the items joined, one
// trailing TAB removed from each cell read, LF turned into crlfChr (a CR stays).
QString SpecValue(const std::vector<SpecItem> &items, const SheetData &sheet, qint64 firstRow,
                  const QString &crlfChr);

// Records for rows start..end with n rows each: the ceiling of (end - start + 1) / n, but none
// that would begin after lastRow.
qint64 RecordCount(qint64 start, qint64 end, qint64 n, qint64 lastRow);

// Sets the grid's size for records data rows and every field's column: the field indexes in row
// 0 (height 0), the captions in row 1, the record numbers in column 0.
void PrepareDataGrid(store::FlexGridModel &grid, qint64 records, const ImportMaps &maps,
                     const ImportPage &page);

// Fills the batch grid from the named sheet of a workbook (.xls or .xlsx). 0, or the number of
// the failure that stopped it after its message was shown (5, 7, 9, 438, 57 when the .xls reader
// failed, 6 or 11 for rows per record above 32767 or below 1; 0 for a path of another kind); 18
// without a message when the user closed the progress window, or chose not to import formula
// cells whose results the file does not hold (a question asks). On a failure, and when the rows
// give no record ("没有可导入的数据！"), the grid keeps what it held.
int ReadExcelData(store::FlexGridModel &grid, const QString &path, const QString &sheet,
                  qint32 start, qint32 end, const ImportMaps &maps, qint32 rowsPerRecord,
                  const ImportPage &page);

// Fills the batch grid from a CSV file, a record being a sheet row. Always 0; a path that is not
// ".csv", a file that cannot be read, or rows per record outside 1..32767 show "CSV文件导入错误！",
// and rows that give no record "没有可导入的数据！"; the grid then keeps what it held.
int ReadCsvData(store::FlexGridModel &grid, const QString &path, qint32 start, qint32 end,
                const ImportMaps &maps, qint32 rowsPerRecord, const ImportPage &page);

// The preview: sheet row r, column c into cell (r, c) for r < Rows, c < Cols. Silent on failure.
void LoadCsvToGrid(store::FlexGridModel &grid, const QString &path);
// The same from a workbook sheet; 0 or the failure number (its message not shown), 18 when the
// user closed the progress window.
int LoadSheetToGrid(store::FlexGridModel &grid, const QString &path, const QString &sheet);

} // namespace batch
