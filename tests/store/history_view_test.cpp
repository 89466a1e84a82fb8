// The history grid as the history tab shows it: its columns fitted to the texts as they draw.

#include "history_fixture.h"

#include "store/view/grid.h"
#include "store/model/history.h"

using namespace store;
using histtest::History;

TEST_F(History, ColumnWidthsAreThoseOfMeasuringEveryCell)
{
    FlexGrid view;
    view.SetGridModel(&m_grid);
    // Texts that differ only in their digits share one measurement; the widths must be exactly
    // those of measuring every cell with the grid's own font, whatever stands beside the digits:
    // letters that kern ("AV", "To"), punctuation, Han, spaces, marks that join a digit.
    MakeFormat();
    const QStringList shapes = {
        "%1",       "¥%1.%2", "AV%1",  "To%1Ty", "%1年%2月%3日", "收款单位%1有限公司",
        "No.%1-%2", "(%1)",   "%1 %2", "1̄%1",    "W%1.%2V",      "%1%2%3",
        "fi%1fl",   "-%1,%2",
    };
    for (int p = 1; p <= 400; ++p) {
        const QString shape = shapes[p % shapes.size()];
        Store("A", p, qint32(m_text),
              QString(shape).arg(p * 7919 % 100000).arg(p % 97).arg(p % 31));
        Store("A", p, qint32(m_text2), QString(shapes[(p * 3) % shapes.size()]).arg(p % 10).arg(p));
        Store("A", p, qint32(m_pic), QString("%1").arg(qint64(p) * 1234567));
    }
    // Wide enough that no column stops at half the grid.
    view.resize(4000, 400);
    ASSERT_TRUE(LoadHistoryToGrid(m_grid, "A", 0).has_value());
    ASSERT_TRUE(view.MeasuringFont().has_value());
    // The rule, cell by cell, from row 0 down.
    const int half = view.GridWidth() / 2;
    for (int c = 1; c < m_grid.Cols(); ++c) {
        int w = 0;
        for (int r = 0; r < m_grid.Rows(); ++r)
            if (!m_grid.TextMatrix(r, c).isEmpty())
                w = std::max(w, view.TextWidth(m_grid.TextMatrix(r, c)));
        if (w != 0)
            w = std::max(w, view.TextWidth(m_grid.TextMatrix(1, c)));
        w = w != 0 ? std::min(w + 100, half) : 50;
        EXPECT_EQ(m_grid.ColWidth(c), w) << "column " << c;
    }
}
