#pragma once
// Grids bound to tables: row 0 holds the database column names (hidden), row 1 the captions,
// data rows start at row 2; the fixed columns run up to and including the one captioned "序号";
// the grid's tag names the table. Operations to set such a grid up, fill it from its table, fit,
// sort, delete and clear rows, and read and write cell colours.

#include "store/db/db.h"
#include "store/model/gridmodel.h"

#include <QStringList>
#include <QVariant>

#include <functional>
#include <utility>

namespace store {

// The caption of the row-number column.
inline constexpr const char16_t *kRowNumberCaption = u"序号";

// Sets the grid up with these columns: 2 fixed rows (row 0 of names, height 0, and row 1 of
// captions), 2 fixed columns, no data row; every column aligned left-top, column 1 left-bottom.
// Lists of different lengths leave the grid untouched and return false.
bool InitGridCols(FlexGridModel &grid, const QStringList &names, const QStringList &captions);

// The text a grid shows for a stored value, by the column's declared type: a Double rounded to
// two decimals (or the given number, halves to even) as plain decimal text, a Date as
// "yyyy.mm.dd", a Boolean as "√" or "", NULL as "".
QString GridCellText(const QVariant &value, ColType type, int decimals = 2);

// Fills the data rows from the table named in the grid's tag: "SELECT * FROM <tag>" with the
// condition (program text with "?" placeholders bound to args) and the order (program text).
// Row 0 names the columns: "" writes the row number in the "序号" column; "Color" sets the cell's
// back colour; "table:idcolumn:shown" looks the value up in another table; any other name is a
// column of the table, shown by its declared type. Fits the widths at the end. False when the
// query failed (the database layer has told the user); the grid then has no data rows.
bool LoadTableToGrid(FlexGridModel &grid, const QString &cond = QString(), const SqlArgs &args = {},
                     const QString &order = QString());

// Removes all data rows, after the question "您确定要清除所有记录？" when ask is set. Then calls
// navigator (the batch record navigator of the batch grid) when one is given. False when the
// user said no.
bool ClearGrid(FlexGridModel &grid, bool ask,
               const std::function<void(FlexGridModel &)> &navigator = {});

// Deletes the data rows first..last (either order; clamped to the data rows), whole rows with
// their colours, after the question "您确定要删除第a至第b行？" when ask is set; the remaining
// rows are numbered 1..N again. first and last receive the rows actually deleted. False when
// nothing was deleted (no data rows, or the user said no).
bool DeleteGridRows(FlexGridModel &grid, int &first, int &last, bool ask);

// Sets every column's width from its contents (twips): the widest data text from startRow on,
// the caption counting only when some cell has text, plus 100; 50 for an empty column; at most
// half the grid's width. Columns left of the "序号" column get 0. Texts measure as the view that
// shows the grid measures them (by whole texts, or by the sum of their characters for large
// batches of mostly distinct texts). Shows the progress window
// "正在做交易数据表格进行格式设置……" for more than 200 rows when showProgress is set.
void AutoColWidth(FlexGridModel &grid, int startRow, bool showProgress,
                  MeasureBy by = MeasureBy::Texts);

// A press at (x, y) twips relative to the grid: in the header band over the fixed columns it
// fits the widths; over a scrollable column it sorts by that column.
void GridHeaderClick(FlexGridModel &grid, double x, double y);

// Sorts the data rows by the column, toggling "△" (ascending) and "▽" (descending) at the end of
// its caption and removing the marks from the other captions; renumbers the "序号" column.
// A grid that is not sortable (the field grid) is left as it is and false returned.
bool SortGridByCol(FlexGridModel &grid, int col);

// The row under the vertical position y (twips): a y in the caption band gives the row above
// the first visible row; below all rows, the last row.
int GridRowFromY(const FlexGridModel &grid, double y);

// Afterwards first >= second.
template <class T> void OrderPair(T &first, T &second)
{
    if (first < second)
        std::swap(first, second);
}

// Puts the rows first and last in order and within the data rows of the grid (a selection made
// either way, or reaching into the fixed rows); false when no data row lies between them.
bool ClampDataRows(const FlexGridModel &grid, int &first, int &last);

// Text colour of every cell of the row.
void SetRowForeColor(FlexGridModel &grid, int row, quint32 color);
// Back colour of the scrollable cells of one data row.
void SetRowBackColor(FlexGridModel &grid, int row, quint32 color);
// Text colour of every cell of every data row.
void SetGridForeColor(FlexGridModel &grid, quint32 color);
// A cell's text colour (fore) or back colour, 0 when it has none of its own.
quint32 GetCellColor(const FlexGridModel &grid, int row, int col, bool fore);
void SetCellColor(FlexGridModel &grid, int row, int col, quint32 color, bool fore);

// The largest leading number in the block (never below 0); min receives the smallest
// (99999999999 for an empty block).
double GetRangeMaxMin(const FlexGridModel &grid, int c1, int c2, int r1, int r2, double &min);

} // namespace store
