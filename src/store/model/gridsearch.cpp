#include "store/model/gridsearch.h"

#include "store/db/reporter.h"

#include <algorithm>

namespace store {

bool FindInGrid(FlexGridModel &grid, QString &keyword)
{
    keyword = keyword.trimmed();
    const int first = grid.FixedRows();
    const int rows = grid.Rows();
    if (rows <= first || keyword.isEmpty())
        return false;

    // A current row among the fixed rows (left there by a reload) starts the walk at the first
    // data row; every data row is visited at most once.
    const int current = grid.Row();
    int j = std::clamp(current, first, rows - 1);
    const bool wholeRow = current >= first && grid.Col() == grid.FixedCols() &&
                          grid.RowSel() == current && grid.ColSel() == grid.Cols() - 1;
    int toVisit = rows - first;
    if (wholeRow) {
        j = (j + 1 >= rows) ? first : j + 1;
        // The selected row itself is searched again only when it is the only one.
        toVisit = std::max(1, toVisit - 1);
    }
    for (; toVisit > 0; --toVisit) {
        for (int c = grid.FixedCols(); c < grid.Cols(); ++c) {
            if (grid.TextMatrix(j, c).contains(keyword, Qt::CaseSensitive)) {
                grid.SetTopRow(j);
                grid.SetRow(j);
                grid.SetCol(grid.FixedCols());
                grid.SetRowSel(j);
                grid.SetColSel(grid.Cols() - 1);
                return true;
            }
        }
        j = (j + 1 >= rows) ? first : j + 1;
    }
    ReportMessage(QStringLiteral("没有查到相关的记录！"));
    return false;
}

} // namespace store
