#include "store/grid.h"

#include "store/gridbind.h"
#include "store/gridcolor.h"
#include "store/vb.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QCollator>
#include <QFontMetrics>
#include <QHeaderView>
#include <QStyle>
#include <QItemSelectionModel>
#include <QPalette>
#include <QScrollBar>

#include <algorithm>

namespace store {

namespace {

constexpr int kDefaultColWidth = 960;  // twips
constexpr int kDefaultRowHeight = 300; // twips

Qt::Alignment AlignmentOf(int code, const QString &text)
{
    switch (code) {
    case 0: return Qt::AlignLeft | Qt::AlignTop;
    case 1: return Qt::AlignLeft | Qt::AlignVCenter;
    case 2: return Qt::AlignLeft | Qt::AlignBottom;
    case 3: return Qt::AlignHCenter | Qt::AlignTop;
    case 4: return Qt::AlignCenter;
    case 5: return Qt::AlignHCenter | Qt::AlignBottom;
    case 6: return Qt::AlignRight | Qt::AlignTop;
    case 7: return Qt::AlignRight | Qt::AlignVCenter;
    case 8: return Qt::AlignRight | Qt::AlignBottom;
    default:
        return (IsNumeric(text) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
    }
}

} // namespace

// The cells of a grid and the view's window onto them: view row i is grid row FixedRows + i,
// and the last fixed row is the header. While drawing is suspended the view keeps seeing the
// counts it last saw, and one reset shows the new contents.
class FlexGridModel : public QAbstractTableModel
{
public:
    struct Cell
    {
        QString text;
        quint32 fore = 0;
        quint32 back = 0;
        bool hasFore = false;
        bool hasBack = false;
    };

    explicit FlexGridModel(FlexGrid *grid) : QAbstractTableModel(grid), m_grid(grid) {}

    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        if (parent.isValid())
            return 0;
        return m_frozen ? m_shownRows : dataRows();
    }
    int columnCount(const QModelIndex &parent = QModelIndex()) const override
    {
        if (parent.isValid())
            return 0;
        return m_frozen ? m_shownCols : cols;
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        const int r = index.row() + fixedRows;
        const int c = index.column();
        if (r < fixedRows || r >= int(rows.size()) || c < 0 || c >= cols)
            return {};
        const Cell &cell = rows[r][c];
        switch (role) {
        case Qt::DisplayRole:
            return cell.text;
        case Qt::BackgroundRole:
            if (cell.hasBack)
                return VbToQColor(cell.back);
            if (c < fixedCols)
                return m_grid->palette().button();
            return {};
        case Qt::ForegroundRole:
            if (cell.hasFore)
                return VbToQColor(cell.fore);
            return {};
        case Qt::TextAlignmentRole:
            return int(AlignmentOf(m_grid->ColAlignment(c), cell.text));
        default:
            return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        if (fixedRows < 1 || section < 0 || section >= cols)
            return {};
        return rows[fixedRows - 1][section].text;
    }

    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        if (!index.isValid())
            return Qt::NoItemFlags;
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    }

    int dataRows() const { return std::max(0, int(rows.size()) - fixedRows); }

    bool live() const { return !m_frozen; }

    void freeze()
    {
        if (m_frozen)
            return;
        m_shownRows = dataRows();
        m_shownCols = cols;
        m_frozen = true;
    }
    void thaw()
    {
        if (!m_frozen)
            return;
        beginResetModel();
        m_frozen = false;
        endResetModel();
    }
    void reset()
    {
        if (m_frozen)
            return;
        beginResetModel();
        endResetModel();
    }

    void resizeRows(int n)
    {
        n = std::max(0, n);
        const int old = int(rows.size());
        if (n == old)
            return;
        if (n < fixedRows) {
            if (live())
                beginResetModel();
            rows.resize(size_t(n));
            fixedRows = n;
            if (live())
                endResetModel();
            return;
        }
        const int oldData = dataRows();
        const int newData = std::max(0, n - fixedRows);
        if (live() && newData > oldData)
            beginInsertRows(QModelIndex(), oldData, newData - 1);
        else if (live() && newData < oldData)
            beginRemoveRows(QModelIndex(), newData, oldData - 1);
        rows.resize(size_t(n));
        for (int r = old; r < n; ++r)
            rows[r].resize(size_t(cols));
        if (live() && newData > oldData)
            endInsertRows();
        else if (live() && newData < oldData)
            endRemoveRows();
    }

    void dropRows(int first, int count)
    {
        if (live())
            beginRemoveRows(QModelIndex(), first - fixedRows, first - fixedRows + count - 1);
        rows.erase(rows.begin() + first, rows.begin() + first + count);
        if (live())
            endRemoveRows();
    }

    void resizeCols(int n)
    {
        n = std::max(0, n);
        if (n == cols)
            return;
        if (n < fixedCols)
            fixedCols = n;
        const int old = cols;
        if (live() && n > old)
            beginInsertColumns(QModelIndex(), old, n - 1);
        else if (live() && n < old)
            beginRemoveColumns(QModelIndex(), n, old - 1);
        cols = n;
        for (auto &row : rows)
            row.resize(size_t(n));
        if (live() && n > old)
            endInsertColumns();
        else if (live() && n < old)
            endRemoveColumns();
    }

    void cellChanged(int r, int c)
    {
        if (!live())
            return;
        if (r >= fixedRows) {
            const QModelIndex i = index(r - fixedRows, c);
            emit dataChanged(i, i);
        } else if (r == fixedRows - 1) {
            emit headerDataChanged(Qt::Horizontal, c, c);
        }
    }

    std::vector<std::vector<Cell>> rows;
    int cols = 0;
    int fixedRows = 0;
    int fixedCols = 0;

private:
    FlexGrid *m_grid;
    bool m_frozen = false;
    int m_shownRows = 0;
    int m_shownCols = 0;
};

FlexGrid::FlexGrid(QWidget *parent) : QTableView(parent), m_model(new FlexGridModel(this))
{
    setModel(m_model);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setWordWrap(false);
    verticalHeader()->hide();
    horizontalHeader()->setMinimumSectionSize(0);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    verticalHeader()->setMinimumSectionSize(0);
    verticalHeader()->setDefaultSectionSize(std::max(1, kDefaultRowHeight / TwipsPerPixel()));
    setSortingEnabled(false);

    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &FlexGrid::headerPressed);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int section, int, int newSize) {
                if (m_syncing || section < 0 || section >= int(m_colWidth.size()))
                    return;
                m_colWidth[section] = newSize * TwipsPerPixel();
            });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &FlexGrid::viewSelectionChanged);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            &FlexGrid::viewSelectionChanged);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int v) {
        if (!m_syncing)
            m_topRow = v + FixedRows();
    });
    connect(m_model, &QAbstractItemModel::modelReset, this, &FlexGrid::applyAllSizes);
    connect(m_model, &QAbstractItemModel::columnsInserted, this, &FlexGrid::applyAllSizes);
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &i) {
        if (i.isValid())
            emit cellDoubleClicked(i.row() + FixedRows(), i.column());
    });
}

FlexGrid::~FlexGrid() = default;

int FlexGrid::Rows() const { return int(m_model->rows.size()); }

void FlexGrid::SetRows(int rows)
{
    rows = std::max(0, rows);
    m_rowHeight.resize(size_t(rows), kDefaultRowHeight);
    m_model->resizeRows(rows);
    clampCursor();
}

int FlexGrid::Cols() const { return m_model->cols; }

void FlexGrid::SetCols(int cols)
{
    cols = std::max(0, cols);
    m_colWidth.resize(size_t(cols), kDefaultColWidth);
    m_colAlign.resize(size_t(cols), 9);
    m_model->resizeCols(cols);
    clampCursor();
}

int FlexGrid::FixedRows() const { return m_model->fixedRows; }

void FlexGrid::SetFixedRows(int n)
{
    n = std::max(0, n);
    if (n > Rows())
        SetRows(n);
    if (n == m_model->fixedRows)
        return;
    if (m_model->live()) {
        m_model->fixedRows = n;
        m_model->reset();
    } else {
        m_model->fixedRows = n;
    }
    clampCursor();
}

void FlexGrid::RemoveRows(int first, int count)
{
    first = std::max(first, FixedRows());
    count = std::min(count, Rows() - first);
    if (count <= 0)
        return;
    m_model->dropRows(first, count);
    m_rowHeight.erase(m_rowHeight.begin() + first, m_rowHeight.begin() + first + count);
    clampCursor();
}

int FlexGrid::FixedCols() const { return m_model->fixedCols; }

void FlexGrid::SetFixedCols(int n)
{
    n = std::max(0, n);
    if (n > Cols())
        SetCols(n);
    if (n == m_model->fixedCols)
        return;
    m_model->fixedCols = n;
    if (m_leftCol < n)
        m_leftCol = n;
    if (m_model->live() && Rows() > FixedRows())
        emit m_model->dataChanged(m_model->index(0, 0),
                                  m_model->index(Rows() - FixedRows() - 1, Cols() - 1));
}

QString FlexGrid::TextMatrix(int row, int col) const
{
    if (row < 0 || row >= Rows() || col < 0 || col >= Cols())
        return QString();
    return m_model->rows[row][col].text;
}

bool FlexGrid::SetTextMatrix(int row, int col, const QString &text)
{
    if (row < 0 || row >= Rows() || col < 0 || col >= Cols())
        return false;
    QString &cell = m_model->rows[row][col].text;
    if (cell == text)
        return true;
    cell = text;
    m_model->cellChanged(row, col);
    return true;
}

bool FlexGrid::SetNumber(int row, int col, double value)
{
    return SetTextMatrix(row, col, CStr(value));
}

quint32 FlexGrid::CellBackColor(int row, int col) const
{
    if (row < 0 || row >= Rows() || col < 0 || col >= Cols())
        return 0;
    const auto &c = m_model->rows[row][col];
    return c.hasBack ? c.back : 0;
}

bool FlexGrid::HasCellBackColor(int row, int col) const
{
    if (row < 0 || row >= Rows() || col < 0 || col >= Cols())
        return false;
    return m_model->rows[row][col].hasBack;
}

void FlexGrid::SetCellBackColor(int row, int col, quint32 color)
{
    if (row < 0 || row >= Rows() || col < 0 || col >= Cols())
        return;
    auto &c = m_model->rows[row][col];
    c.back = color & 0xFFFFFF;
    c.hasBack = true;
    m_model->cellChanged(row, col);
}

void FlexGrid::ClearCellBackColor(int row, int col)
{
    if (row < 0 || row >= Rows() || col < 0 || col >= Cols())
        return;
    auto &c = m_model->rows[row][col];
    c.back = 0;
    c.hasBack = false;
    m_model->cellChanged(row, col);
}

quint32 FlexGrid::CellForeColor(int row, int col) const
{
    if (row < 0 || row >= Rows() || col < 0 || col >= Cols())
        return 0;
    const auto &c = m_model->rows[row][col];
    return c.hasFore ? c.fore : 0;
}

bool FlexGrid::HasCellForeColor(int row, int col) const
{
    if (row < 0 || row >= Rows() || col < 0 || col >= Cols())
        return false;
    return m_model->rows[row][col].hasFore;
}

void FlexGrid::SetCellForeColor(int row, int col, quint32 color)
{
    if (row < 0 || row >= Rows() || col < 0 || col >= Cols())
        return;
    auto &c = m_model->rows[row][col];
    if (c.hasFore && c.fore == (color & 0xFFFFFF))
        return;
    c.fore = color & 0xFFFFFF;
    c.hasFore = true;
    m_model->cellChanged(row, col);
}

void FlexGrid::SetRow(int row)
{
    m_row = row;
    m_rowSel = row;
    m_colSel = m_col;
    syncViewSelection();
}

void FlexGrid::SetCol(int col)
{
    m_col = col;
    m_colSel = col;
    m_rowSel = m_row;
    syncViewSelection();
}

void FlexGrid::SetRowSel(int row)
{
    m_rowSel = row;
    syncViewSelection();
}

void FlexGrid::SetColSel(int col)
{
    m_colSel = col;
    syncViewSelection();
}

int FlexGrid::TopRow() const { return m_topRow; }

void FlexGrid::SetTopRow(int row)
{
    row = std::clamp(row, FixedRows(), std::max(FixedRows(), Rows() - 1));
    m_topRow = row;
    if (row >= FixedRows() && row < Rows()) {
        m_syncing = true;
        scrollTo(m_model->index(row - FixedRows(), std::max(0, m_col)),
                 QAbstractItemView::PositionAtTop);
        m_syncing = false;
    }
}

int FlexGrid::LeftCol() const { return std::max(m_leftCol, FixedCols()); }

void FlexGrid::SetLeftCol(int col)
{
    m_leftCol = std::clamp(col, FixedCols(), std::max(FixedCols(), Cols() - 1));
}

int FlexGrid::ColWidth(int col) const
{
    if (col < 0 || col >= int(m_colWidth.size()))
        return 0;
    return m_colWidth[col];
}

void FlexGrid::SetColWidth(int col, int twips)
{
    if (col < 0 || col >= int(m_colWidth.size()))
        return;
    m_colWidth[col] = std::max(0, twips);
    applyColumnWidth(col);
}

int FlexGrid::RowHeight(int row) const
{
    if (row < 0 || row >= int(m_rowHeight.size()))
        return 0;
    return m_rowHeight[row];
}

void FlexGrid::SetRowHeight(int row, int twips)
{
    if (row < 0 || row >= int(m_rowHeight.size()))
        return;
    m_rowHeight[row] = std::max(0, twips);
    if (row >= FixedRows() && m_model->live()) {
        const int viewRow = row - FixedRows();
        if (twips <= 0) {
            setRowHidden(viewRow, true);
        } else {
            setRowHidden(viewRow, false);
            verticalHeader()->resizeSection(viewRow, std::max(1, twips / TwipsPerPixel()));
        }
    }
}

int FlexGrid::ColAlignment(int col) const
{
    if (col < 0 || col >= int(m_colAlign.size()))
        return 9;
    return m_colAlign[col];
}

void FlexGrid::SetColAlignment(int col, int alignment)
{
    if (col < 0 || col >= int(m_colAlign.size()))
        return;
    m_colAlign[col] = alignment;
}

int FlexGrid::GridWidth() const { return width() * TwipsPerPixel(); }

int FlexGrid::TwipsPerPixel() const
{
    const int dpi = logicalDpiX();
    if (dpi <= 0)
        return 15;
    return std::max(1, qRound(1440.0 / dpi));
}

void FlexGrid::SetRedraw(bool on)
{
    if (on == m_redraw)
        return;
    m_redraw = on;
    if (on) {
        m_model->thaw();
    } else {
        m_model->freeze();
    }
}

void FlexGrid::Sort(int col, bool ascending)
{
    if (col < 0 || col >= Cols() || Rows() - FixedRows() < 2)
        return;
    struct Key
    {
        bool numeric;
        double number;
        int row;
    };
    auto &rows = m_model->rows;
    const int first = FixedRows();
    std::vector<Key> keys;
    keys.reserve(size_t(Rows() - first));
    for (int r = first; r < Rows(); ++r) {
        const QString &t = rows[r][col].text;
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
        const QString &ta = rows[a.row][col].text;
        const QString &tb = rows[b.row][col].text;
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
    std::vector<std::vector<FlexGridModel::Cell>> sorted;
    std::vector<int> heights;
    sorted.reserve(keys.size());
    heights.reserve(keys.size());
    for (const Key &k : keys) {
        sorted.push_back(std::move(rows[k.row]));
        heights.push_back(m_rowHeight[k.row]);
    }
    const bool live = m_model->live();
    if (live)
        emit m_model->layoutAboutToBeChanged();
    for (size_t i = 0; i < sorted.size(); ++i) {
        rows[first + i] = std::move(sorted[i]);
        m_rowHeight[first + i] = heights[i];
    }
    if (live) {
        emit m_model->layoutChanged();
        emit m_model->dataChanged(m_model->index(0, 0),
                                  m_model->index(Rows() - first - 1, Cols() - 1));
    }
}

int FlexGrid::CellTextMargin() const
{
    const int margin = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1);
    return (margin + 4) * TwipsPerPixel();
}

int FlexGrid::TextWidth(const QString &text) const
{
    if (m_measurer)
        return m_measurer(text);
    const QFontMetrics fm(*MeasuringFont());
    return fm.horizontalAdvance(text) * TwipsPerPixel() + (m_asCellsDraw ? CellTextMargin() : 0);
}

std::optional<QFont> FlexGrid::MeasuringFont() const
{
    if (m_measurer)
        return std::nullopt;
    if (m_asCellsDraw)
        return font();
    const QWidget *w = window();
    return w ? w->font() : font();
}

void FlexGrid::SetTextMeasurer(std::function<int(const QString &)> measurer)
{
    m_measurer = std::move(measurer);
}

void FlexGrid::headerPressed(int section)
{
    if (section < 0 || section >= Cols())
        return;
    if (section < FixedCols()) {
        AutoColWidth(*this, FixedRows(), true);
        return;
    }
    SortGridByCol(*this, section);
}

void FlexGrid::viewSelectionChanged()
{
    if (m_syncing)
        return;
    const QModelIndex cur = selectionModel()->currentIndex();
    if (!cur.isValid())
        return;
    const int fr = FixedRows();
    m_row = cur.row() + fr;
    m_col = cur.column();
    m_rowSel = m_row;
    m_colSel = m_col;
    const QItemSelection sel = selectionModel()->selection();
    if (sel.isEmpty())
        return;
    int top = m_row, bottom = m_row, left = m_col, right = m_col;
    for (const QItemSelectionRange &r : sel) {
        top = std::min(top, r.top() + fr);
        bottom = std::max(bottom, r.bottom() + fr);
        left = std::min(left, r.left());
        right = std::max(right, r.right());
    }
    m_rowSel = (m_row == top) ? bottom : top;
    m_colSel = (m_col == left) ? right : left;
    if (selectionBehavior() == QAbstractItemView::SelectRows) {
        m_col = FixedCols();
        m_colSel = Cols() - 1;
    }
}

void FlexGrid::syncViewSelection()
{
    if (!m_model->live())
        return;
    const int fr = FixedRows();
    m_syncing = true;
    QItemSelectionModel *sm = selectionModel();
    const int r1 = std::max(std::min(m_row, m_rowSel), fr) - fr;
    const int r2 = std::min(std::max(m_row, m_rowSel), Rows() - 1) - fr;
    const int c1 = std::max(std::min(m_col, m_colSel), 0);
    const int c2 = std::min(std::max(m_col, m_colSel), Cols() - 1);
    if (m_row >= fr && m_row < Rows() && m_col >= 0 && m_col < Cols())
        sm->setCurrentIndex(m_model->index(m_row - fr, m_col), QItemSelectionModel::NoUpdate);
    if (r1 <= r2 && c1 <= c2 && r2 >= 0) {
        sm->select(QItemSelection(m_model->index(r1, c1), m_model->index(r2, c2)),
                   QItemSelectionModel::ClearAndSelect);
    } else {
        sm->clearSelection();
    }
    m_syncing = false;
}

void FlexGrid::applyColumnWidth(int col)
{
    if (!m_model->live() || col < 0 || col >= m_model->columnCount() ||
        col >= int(m_colWidth.size()))
        return;
    m_syncing = true;
    const int px = m_colWidth[col] / TwipsPerPixel();
    if (px <= 0) {
        horizontalHeader()->setSectionHidden(col, true);
    } else {
        horizontalHeader()->setSectionHidden(col, false);
        horizontalHeader()->resizeSection(col, px);
    }
    m_syncing = false;
}

void FlexGrid::applyAllSizes()
{
    for (int c = 0; c < Cols(); ++c)
        applyColumnWidth(c);
    const int fr = FixedRows();
    m_syncing = true;
    for (int r = fr; r < Rows() && r < int(m_rowHeight.size()); ++r) {
        if (m_rowHeight[r] == kDefaultRowHeight)
            continue;
        if (m_rowHeight[r] <= 0)
            setRowHidden(r - fr, true);
        else
            verticalHeader()->resizeSection(r - fr, std::max(1, m_rowHeight[r] / TwipsPerPixel()));
    }
    m_syncing = false;
}

void FlexGrid::clampCursor()
{
    m_row = std::clamp(m_row, 0, std::max(0, Rows() - 1));
    m_rowSel = std::clamp(m_rowSel, 0, std::max(0, Rows() - 1));
    m_col = std::clamp(m_col, 0, std::max(0, Cols() - 1));
    m_colSel = std::clamp(m_colSel, 0, std::max(0, Cols() - 1));
    m_topRow = std::clamp(m_topRow, FixedRows(), std::max(FixedRows(), Rows() - 1));
}

} // namespace store
