#include "store/model/gridmodel.h"

#include "store/core/vb.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <atomic>

namespace store {

namespace {

constexpr int kDefaultColWidth = 960; // twips

Qt::Alignment AlignmentOf(int code, const QString &text)
{
    switch (code) {
    case 0:
        return Qt::AlignLeft | Qt::AlignTop;
    case 1:
        return Qt::AlignLeft | Qt::AlignVCenter;
    case 2:
        return Qt::AlignLeft | Qt::AlignBottom;
    case 3:
        return Qt::AlignHCenter | Qt::AlignTop;
    case 4:
        return Qt::AlignCenter;
    case 5:
        return Qt::AlignHCenter | Qt::AlignBottom;
    case 6:
        return Qt::AlignRight | Qt::AlignTop;
    case 7:
        return Qt::AlignRight | Qt::AlignVCenter;
    case 8:
        return Qt::AlignRight | Qt::AlignBottom;
    default:
        return (IsNumeric(text) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
    }
}

} // namespace

namespace {

// Revisions are handed out from one count, so that no two grids ever share one.
std::atomic<quint64> g_revisions{0};

} // namespace

FlexGridModel::FlexGridModel(QObject *parent)
    : QAbstractTableModel(parent), m_revision(++g_revisions)
{
}

void FlexGridModel::Revise()
{
    m_revision = ++g_revisions;
}

FlexGridModel::~FlexGridModel() = default;

bool FlexGridModel::Inside(int row, int col) const
{
    return row >= 0 && row < Rows() && col >= 0 && col < m_cols;
}

int FlexGridModel::DataRows() const
{
    return std::max(0, Rows() - m_fixedRows);
}

int FlexGridModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return m_frozen ? m_shownRows : DataRows();
}

int FlexGridModel::columnCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return m_frozen ? m_shownCols : m_cols;
}

QVariant FlexGridModel::data(const QModelIndex &index, int role) const
{
    const int r = index.row() + m_fixedRows;
    const int c = index.column();
    if (r < m_fixedRows || !Inside(r, c))
        return {};
    const QString &text = m_cells[r].text[c];
    switch (role) {
    case Qt::DisplayRole:
        return text;
    case Qt::TextAlignmentRole:
        return int(AlignmentOf(ColAlignment(c), text));
    default:
        return {};
    }
}

QVariant FlexGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    if (m_fixedRows < 1 || section < 0 || section >= m_cols)
        return {};
    return m_cells[m_fixedRows - 1].text[section];
}

Qt::ItemFlags FlexGridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void FlexGridModel::SetRedraw(bool on)
{
    if (on == !m_frozen)
        return;
    if (!on) {
        m_shownRows = DataRows();
        m_shownCols = m_cols;
        m_frozen = true;
        return;
    }
    beginResetModel();
    m_frozen = false;
    endResetModel();
}

void FlexGridModel::ResizeRows(int n)
{
    Revise();
    const int old = Rows();
    if (n == old)
        return;
    const bool live = !m_frozen;
    if (n < m_fixedRows) {
        if (live)
            beginResetModel();
        m_cells.resize(size_t(n));
        m_fixedRows = n;
        if (live)
            endResetModel();
        return;
    }
    const int oldData = DataRows();
    const int newData = std::max(0, n - m_fixedRows);
    if (live && newData > oldData)
        beginInsertRows(QModelIndex(), oldData, newData - 1);
    else if (live && newData < oldData)
        beginRemoveRows(QModelIndex(), newData, oldData - 1);
    m_cells.resize(size_t(n));
    for (int r = old; r < n; ++r)
        m_cells[r].text.resize(size_t(m_cols));
    if (live && newData > oldData)
        endInsertRows();
    else if (live && newData < oldData)
        endRemoveRows();
}

void FlexGridModel::SetRows(int rows)
{
    rows = std::max(0, rows);
    m_rowHeight.resize(size_t(rows), kGridRowHeight);
    ResizeRows(rows);
    ClampCursor();
}

void FlexGridModel::SetCols(int n)
{
    Revise();
    n = std::max(0, n);
    m_colWidth.resize(size_t(n), kDefaultColWidth);
    m_colAlign.resize(size_t(n), 9);
    if (n != m_cols) {
        if (n < m_fixedCols)
            m_fixedCols = n;
        const int old = m_cols;
        const bool live = !m_frozen;
        if (live && n > old)
            beginInsertColumns(QModelIndex(), old, n - 1);
        else if (live && n < old)
            beginRemoveColumns(QModelIndex(), n, old - 1);
        m_cols = n;
        for (CellRow &row : m_cells) {
            row.text.resize(size_t(n));
            if (!row.colors.empty())
                row.colors.resize(size_t(n));
        }
        if (live && n > old)
            endInsertColumns();
        else if (live && n < old)
            endRemoveColumns();
    }
    ClampCursor();
}

void FlexGridModel::SetFixedRows(int n)
{
    Revise();
    n = std::max(0, n);
    if (n > Rows())
        SetRows(n);
    if (n == m_fixedRows)
        return;
    if (!m_frozen) {
        beginResetModel();
        m_fixedRows = n;
        endResetModel();
    } else {
        m_fixedRows = n;
    }
    ClampCursor();
}

void FlexGridModel::SetFixedCols(int n)
{
    Revise();
    n = std::max(0, n);
    if (n > m_cols)
        SetCols(n);
    if (n == m_fixedCols)
        return;
    m_fixedCols = n;
    if (m_leftCol < n)
        m_leftCol = n;
    // The fixed columns are painted apart from the others.
    if (!m_frozen && Rows() > m_fixedRows)
        emit dataChanged(index(0, 0), index(Rows() - m_fixedRows - 1, m_cols - 1));
}

void FlexGridModel::RemoveRows(int first, int count)
{
    Revise();
    first = std::max(first, m_fixedRows);
    count = std::min(count, Rows() - first);
    if (count <= 0)
        return;
    const bool live = !m_frozen;
    if (live)
        beginRemoveRows(QModelIndex(), first - m_fixedRows, first - m_fixedRows + count - 1);
    m_cells.erase(m_cells.begin() + first, m_cells.begin() + first + count);
    if (live)
        endRemoveRows();
    m_rowHeight.erase(m_rowHeight.begin() + first, m_rowHeight.begin() + first + count);
    ClampCursor();
}

void FlexGridModel::CellChanged(int r, int c)
{
    Revise();
    if (m_frozen)
        return;
    if (r >= m_fixedRows) {
        const QModelIndex i = index(r - m_fixedRows, c);
        emit dataChanged(i, i);
    } else if (r == m_fixedRows - 1) {
        emit headerDataChanged(Qt::Horizontal, c, c);
    }
}

QString FlexGridModel::TextMatrix(int row, int col) const
{
    if (!Inside(row, col))
        return QString();
    return m_cells[row].text[col];
}

bool FlexGridModel::SetTextMatrix(int row, int col, const QString &text)
{
    if (!Inside(row, col))
        return false;
    QString &cell = m_cells[row].text[col];
    if (cell == text)
        return true;
    cell = text;
    CellChanged(row, col);
    return true;
}

bool FlexGridModel::SetNumber(int row, int col, double value)
{
    return SetTextMatrix(row, col, CStr(value));
}

const FlexGridModel::CellColors *FlexGridModel::ColorsOf(int row, int col) const
{
    if (!Inside(row, col))
        return nullptr;
    const CellRow &r = m_cells[row];
    return r.colors.empty() ? nullptr : &r.colors[col];
}

FlexGridModel::CellColors &FlexGridModel::ColorsFor(int row, int col)
{
    CellRow &r = m_cells[row];
    if (r.colors.empty())
        r.colors.resize(size_t(m_cols));
    return r.colors[col];
}

quint32 FlexGridModel::CellBackColor(int row, int col) const
{
    const CellColors *c = ColorsOf(row, col);
    return c && c->hasBack ? c->back : 0;
}

bool FlexGridModel::HasCellBackColor(int row, int col) const
{
    const CellColors *c = ColorsOf(row, col);
    return c && c->hasBack;
}

void FlexGridModel::SetCellBackColor(int row, int col, quint32 color)
{
    if (!Inside(row, col))
        return;
    CellColors &c = ColorsFor(row, col);
    c.back = color & 0xFFFFFF;
    c.hasBack = true;
    CellChanged(row, col);
}

void FlexGridModel::ClearCellBackColor(int row, int col)
{
    if (!Inside(row, col))
        return;
    if (const CellColors *c = ColorsOf(row, col); c && c->hasBack) {
        CellColors &set = ColorsFor(row, col);
        set.back = 0;
        set.hasBack = false;
    }
    CellChanged(row, col);
}

quint32 FlexGridModel::CellForeColor(int row, int col) const
{
    const CellColors *c = ColorsOf(row, col);
    return c && c->hasFore ? c->fore : 0;
}

bool FlexGridModel::HasCellForeColor(int row, int col) const
{
    const CellColors *c = ColorsOf(row, col);
    return c && c->hasFore;
}

void FlexGridModel::SetCellForeColor(int row, int col, quint32 color)
{
    if (!Inside(row, col))
        return;
    if (const CellColors *c = ColorsOf(row, col); c && c->hasFore && c->fore == (color & 0xFFFFFF))
        return;
    CellColors &c = ColorsFor(row, col);
    c.fore = color & 0xFFFFFF;
    c.hasFore = true;
    CellChanged(row, col);
}

void FlexGridModel::SetRow(int row)
{
    m_row = row;
    m_rowSel = row;
    m_colSel = m_col;
    emit cursorChanged();
}

void FlexGridModel::SetCol(int col)
{
    m_col = col;
    m_colSel = col;
    m_rowSel = m_row;
    emit cursorChanged();
}

void FlexGridModel::SetRowSel(int row)
{
    m_rowSel = row;
    emit cursorChanged();
}

void FlexGridModel::SetColSel(int col)
{
    m_colSel = col;
    emit cursorChanged();
}

void FlexGridModel::SetCursor(int row, int col, int rowSel, int colSel)
{
    m_row = row;
    m_col = col;
    m_rowSel = rowSel;
    m_colSel = colSel;
    emit cursorChanged();
}

void FlexGridModel::SetTopRow(int row)
{
    m_topRow = std::clamp(row, m_fixedRows, std::max(m_fixedRows, Rows() - 1));
    emit topRowChanged(m_topRow);
}

int FlexGridModel::LeftCol() const
{
    return std::max(m_leftCol, m_fixedCols);
}

void FlexGridModel::SetLeftCol(int col)
{
    m_leftCol = std::clamp(col, m_fixedCols, std::max(m_fixedCols, m_cols - 1));
}

int FlexGridModel::ColWidth(int col) const
{
    if (col < 0 || col >= int(m_colWidth.size()))
        return 0;
    return m_colWidth[col];
}

void FlexGridModel::SetColWidth(int col, int twips)
{
    if (col < 0 || col >= int(m_colWidth.size()))
        return;
    m_colWidth[col] = std::max(0, twips);
    emit colWidthChanged(col);
}

int FlexGridModel::RowHeight(int row) const
{
    if (row < 0 || row >= int(m_rowHeight.size()))
        return 0;
    return m_rowHeight[row];
}

void FlexGridModel::SetRowHeight(int row, int twips)
{
    if (row < 0 || row >= int(m_rowHeight.size()))
        return;
    m_rowHeight[row] = std::max(0, twips);
    emit rowHeightChanged(row);
}

int FlexGridModel::ColAlignment(int col) const
{
    if (col < 0 || col >= int(m_colAlign.size()))
        return 9;
    return m_colAlign[col];
}

void FlexGridModel::SetColAlignment(int col, int alignment)
{
    if (col < 0 || col >= int(m_colAlign.size()))
        return;
    m_colAlign[col] = alignment;
}

void FlexGridModel::Sort(int col, bool ascending)
{
    Revise();
    if (col < 0 || col >= m_cols || Rows() - m_fixedRows < 2)
        return;
    struct Key
    {
        bool numeric;
        double number;
        int row;
    };
    auto &rows = m_cells;
    const int first = m_fixedRows;
    std::vector<Key> keys;
    keys.reserve(size_t(Rows() - first));
    for (int r = first; r < Rows(); ++r) {
        const QString &t = rows[r].text[col];
        const bool num = IsNumeric(t);
        keys.push_back({num, num ? Val(t) : 0.0, r});
    }
    QCollator collator(QLocale(QLocale::Chinese, QLocale::China));
    collator.setCaseSensitivity(Qt::CaseSensitive);
    auto less = [&](const Key &a, const Key &b) {
        if (a.numeric && b.numeric)
            return a.number < b.number;
        if (a.numeric != b.numeric)
            return a.numeric; // numbers before text
        const QString &ta = rows[a.row].text[col];
        const QString &tb = rows[b.row].text[col];
        int c = collator.compare(ta, tb);
        if (c == 0)
            c = QString::compare(ta, tb);
        return c < 0;
    };
    if (ascending)
        std::stable_sort(keys.begin(), keys.end(), less);
    else
        std::stable_sort(keys.begin(), keys.end(),
                         [&](const Key &a, const Key &b) { return less(b, a); });
    std::vector<CellRow> sorted;
    std::vector<int> heights;
    sorted.reserve(keys.size());
    heights.reserve(keys.size());
    for (const Key &k : keys) {
        sorted.push_back(std::move(rows[k.row]));
        heights.push_back(m_rowHeight[k.row]);
    }
    const bool live = !m_frozen;
    if (live)
        emit layoutAboutToBeChanged();
    for (size_t i = 0; i < sorted.size(); ++i) {
        rows[first + i] = std::move(sorted[i]);
        m_rowHeight[first + i] = heights[i];
    }
    if (live) {
        emit layoutChanged();
        emit dataChanged(index(0, 0), index(Rows() - first - 1, m_cols - 1));
    }
}

void FlexGridModel::ClampCursor()
{
    m_row = std::clamp(m_row, 0, std::max(0, Rows() - 1));
    m_rowSel = std::clamp(m_rowSel, 0, std::max(0, Rows() - 1));
    m_col = std::clamp(m_col, 0, std::max(0, m_cols - 1));
    m_colSel = std::clamp(m_colSel, 0, std::max(0, m_cols - 1));
    m_topRow = std::clamp(m_topRow, m_fixedRows, std::max(m_fixedRows, Rows() - 1));
}

} // namespace store
