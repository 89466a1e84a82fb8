#pragma once
// The field row: one row of the field grid per field, 23 text columns (the column list is the
// format store's, store::FmtCol), and the codings inside its cells.

#include "store/fmtstore.h"

#include <QString>

#include <optional>

namespace page {

using store::DirCodeToText;
using store::DirTextToCode;

// Column 9 packs the line spacing v (mm, signed) and the alignment a (0 left, 1 right,
// 2 centre): +(|v| + 1000a) for v >= 0, -(|v| + 1000a) for v < 0.
double PackSpacing(double spacing, int alignment);
// The alignment of a packed value: Int(|L| / 1000).
int AlignmentOfPacked(double packed);
// The spacing of a packed value, negative when L is.
double SpacingOfPacked(double packed);

// A cell read strictly: the whole text (blanks around it aside) is one number, else nothing.
// Positions, sizes, the font size and the alignment are read this way.
std::optional<double> StrictNumber(const QString &cell);
// A Boolean cell: any non-empty text is true.
inline bool TickOf(const QString &cell) { return !cell.isEmpty(); }

} // namespace page
