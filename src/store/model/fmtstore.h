#pragma once
// Formats in table Fmt: the field rows of a format to and from the field grid, the whole-format
// row "【§单据整体格式参数§】" (slip size, margins stored as 10 minus their value, the screen width
// at save, eight option switches) to and from the main window, and the shared state row (the
// format open last and three options).
//
// The field grid has 23 text columns; row 0 holds the column names, row 1 the captions, data rows
// start at 2 in the order Clas, ID. Column 10 holds the colour as the cell's back colour.

#include "store/model/context.h"
#include "store/model/gridmodel.h"
#include "store/db/schema.h" // kFmtParaMarker, the marker in LBL of the whole-format row

#include <QString>
#include <QStringList>

#include <optional>

namespace store {

// Columns of the field grid.
enum FmtCol : int {
    ColID = 0,
    ColNo = 1,
    ColLBL = 2,
    ColDir = 3,
    ColX = 4,
    ColY = 5,
    ColW = 6,
    ColH = 7,
    ColS = 8,
    ColL = 9,
    ColColor = 10,
    ColFName = 11,
    ColFSize = 12,
    ColBold = 13,
    ColItalic = 14,
    ColUnderline = 15,
    ColStrikethru = 16,
    ColClas = 17,
    ColCash = 18,
    ColRCtl = 19,
    ColSumID = 20,
    ColSumID1 = 21,
    ColRCtl1 = 22,
    FmtColCount = 23,
};

// The separator of the state row's three options.
inline constexpr const char16_t *kStateSeparator = u"§☆§";

// Row 0 names and row 1 captions of the field grid.
const QStringList &FmtFieldNames();
const QStringList &FmtFieldCaptions();

// The caption label's side: "上方" 0, "左边" 1, "右边" 2, "下方" 3 exactly; any other text 0.
int DirTextToCode(const QString &text);
// 0..3 to the words; any other code "".
QString DirCodeToText(int code);

// A stored margin as shown and back: 10 - value (either mode).
double CalibToMargin(double value, int mode = 0);

// The whole-format row of the format (empty name: the open one): slip size into Wid/Hie,
// margins 10 - X and 10 - Y into M_X/M_Y, FmtZoom from the screen width the format was saved on,
// and the eight switches from Mem when it holds at least eight items. FmtZoom is 1 on entry, so a
// format without that row is not scaled; its size, margins and switches stay as they were.
// False when there is no such row.
bool LoadFmtPara(AppContext &ctx, const QString &name = QString());

// Writes the whole-format row (inserted when missing): Fmt, the marker, W, H, X, Y as given
// (texts that are no number leave the stored value), Color = the screen width now, Mem = the
// switches. False on a database failure.
bool SaveFmtPara(AppContext &ctx, const QString &w, const QString &h, double x, double y,
                 const QString &name = QString());

// Keeps the margins shown now (M_X, M_Y) in the whole-format row of the format (empty name: the
// open one) as 10 - margin, the rest of the row untouched; a format not saved yet takes them
// when it is saved. False, told to the user, when they could not be written.
bool SaveFmtMargins(AppContext &ctx, const QString &name = QString());

// The state row: the format open last (""), and O2(0..2) from its options.
QString LoadFmtState(AppContext &ctx);
// Updates the state row with the format name (empty: the open one) and O2(0..2); a database
// without the state row is left without one.
bool SaveFmtState(AppContext &ctx, const QString &name = QString());

// Fills the field grid with the format's field rows (empty name: the open one): the grid's
// columns, tag "Fmt", rows in the order Clas, ID, the position code as its word, font sizes and
// line widths scaled by FmtZoom, column 0 900 twips wide. The field grid is not sortable.
// Doubles keep three decimals (a thousandth of a millimetre) so that a save and load give the
// same rows.
bool LoadFmtToGrid(AppContext &ctx, FlexGridModel &grid, const QString &name = QString());

// Saves the field grid as the format (empty name: the open one) in one transaction: records of
// the format that no grid row names are deleted (with the old whole-format row), every row is
// written to its record by ID or to a new record, the links between fields follow new IDs, and a
// new whole-format row is written. On any failure nothing is changed, in the database or in the
// grid, and the user is told. An empty name is refused with a message.
bool SaveGridToFmt(AppContext &ctx, FlexGridModel &grid, const QString &name = QString());

// Writes one grid row into table Fmt under the format name: as an UPDATE of record existingId,
// or as a new record when existingId is empty. Numeric cells that are no number leave the
// stored value (or the column's default). mem, when given, becomes the record's Mem. Then every
// link cell of the grid (columns 19 to 22) naming the row's old ID (column 0) is turned to the
// record's ID, keeping its sign and a sum's negate tenth, and column 0 takes the new ID.
// Returns the record's ID, or nullopt when the statement failed (grid unchanged).
std::optional<qint64> SaveRowToDB(FlexGridModel &grid, int row, const QString &fmtName,
                                  std::optional<qint64> existingId,
                                  const std::optional<QString> &mem = std::nullopt);

// The link cell after its target's ID changed from oldId to newId: ±old -> ±new, and for the sum
// columns ±(old + 0.1) -> ±(new + 0.1). Any other text is returned unchanged.
QString TranslateLink(const QString &cell, qint64 oldId, qint64 newId, bool sumColumn);

} // namespace store
