#pragma once
// Finding a keyword in a bound grid (the history tab's search button).

#include "store/model/gridmodel.h"

#include <QString>

namespace store {

// Trims the keyword (written back) and looks for the next data row, from the current one on and
// wrapping round, whose scrollable cells contain it (exact, case-sensitive). A wholly selected
// current row is skipped, so pressing again finds the next row. Found: that row becomes current,
// wholly selected and the first visible row; true. Not found: "没有查到相关的记录！" and false,
// the selection unchanged. An empty keyword or a grid without data rows: false, no message.
bool FindInGrid(FlexGridModel &grid, QString &keyword);

} // namespace store
