#include "print/batchnav.h"

#include "store/model/defaults.h"
#include "store/model/gridmodel.h"
#include "store/core/vb.h"

#include <QLabel>
#include <QScrollBar>

namespace print {

void BatchNav::Scan(const store::FlexGridModel &grid)
{
    // Whether a column has any data is kept with the records rather than read from its width on
    // screen, which the user may change.
    m_grid = &grid;
    m_rows = grid.Rows();
    m_cols = grid.Cols();
    m_indexOfCol.fill(-1, m_cols);
    m_applies.fill(false, m_cols);
    m_colOfIndex.clear();
    for (int c = grid.FixedCols(); c < m_cols; ++c) {
        const QString head = grid.TextMatrix(0, c);
        if (store::IsNumeric(head)) {
            m_indexOfCol[c] = int(store::Val(head));
            if (!m_colOfIndex.contains(m_indexOfCol[c]))
                m_colOfIndex.insert(m_indexOfCol[c], c);
        }
        for (int r = grid.FixedRows(); r < m_rows && !m_applies[c]; ++r)
            m_applies[c] = !grid.TextMatrix(r, c).isEmpty();
    }
}

int BatchNav::ColumnFor(const store::FlexGridModel &grid, int index)
{
    if (m_grid != &grid || m_rows != grid.Rows() || m_cols != grid.Cols())
        Scan(grid);
    return m_colOfIndex.value(index, -1);
}

bool BatchNav::Applies(const store::FlexGridModel &grid, int col)
{
    if (m_grid != &grid || m_rows != grid.Rows() || m_cols != grid.Cols())
        Scan(grid);
    return col >= 0 && col < m_applies.size() && m_applies[col];
}

QString BatchNav::Problem() const
{
    const QString open = OpenFormat();
    if (m_format.isEmpty() || open.isEmpty() || open == m_format)
        return QString();
    return QStringLiteral("批量记录是为格式“%1”导入的，与当前格式“%2”不符，请重新导入！")
        .arg(m_format, open);
}

void BatchNav::InitBatchNav(const store::FlexGridModel &grid)
{
    Scan(grid);
    m_format = grid.FixedRows() < grid.Rows() ? OpenFormat() : QString();
    QScrollBar *hs = m_t.HS;
    int max = 1;
    if (hs)
        hs->setValue(1);
    if (grid.FixedRows() < grid.Rows()) {
        LoadBatchRow(grid, grid.FixedRows());
        max = grid.Rows() - grid.FixedRows();
    }
    if (hs) {
        hs->setMinimum(1);
        hs->setMaximum(max);
    }
    const int value = hs ? hs->value() : 1;
    if (m_t.R_Num[0])
        m_t.R_Num[0]->setText(QString::number(max));
    if (m_t.R_Num[1])
        m_t.R_Num[1]->setText(QString::number(value));
    const bool enable = max >= 2;
    if (m_t.printAll)
        m_t.printAll->setEnabled(enable);
    if (hs)
        hs->setEnabled(enable);
}

void BatchNav::LoadBatchRow(const store::FlexGridModel &grid, int row)
{
    const page::FieldLayout *layout = m_t.layout ? m_t.layout() : nullptr;
    if (!layout || !m_t.record)
        return;
    page::FieldRecord record = m_t.record();
    if (!FillRecord(grid, row, *layout, record))
        return;
    if (m_t.putRecord)
        m_t.putRecord(record);
    ShowRecordNumber(row);
}

bool BatchNav::FillRecord(const store::FlexGridModel &grid, int row,
                          const page::FieldLayout &layout, page::FieldRecord &record)
{
    if (row < grid.FixedRows() || row >= grid.Rows() || !Problem().isEmpty())
        return false;
    const QString crlf = m_t.crlfChr ? m_t.crlfChr() : QStringLiteral("//");
    for (int kind = 0; kind <= 2; ++kind) {
        for (int index = kind * 1000 + 1; index <= kind * 1000 + layout.Count(kind); ++index) {
            const int col = ColumnFor(grid, index);
            if (col < 0)
                continue;
            if (Applies(grid, col)) {
                const QString cell = grid.TextMatrix(row, col);
                switch (kind) {
                case 0:
                    record.SetValue(index, store::CrlfToBreaks(cell, crlf));
                    break;
                case 1:
                    page::SetCheckBox(layout, record, index, !cell.trimmed().isEmpty());
                    break;
                default:
                    record.SetValue(index, cell);
                    break;
                }
            }
            if (kind == 0 && m_t.leaveText)
                m_t.leaveText(record, index);
        }
    }
    return true;
}

void BatchNav::ShowRecordNumber(int row)
{
    if (m_t.R_Num[1])
        m_t.R_Num[1]->setText(QString::number(row - 1));
}

} // namespace print
