#include "store/grid.h"

#include "store/gridbind.h"
#include "store/gridcolor.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPalette>
#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>

#include <algorithm>

namespace store {

namespace {

constexpr int kDefaultRowHeight = 300; // twips

// Paints the cells' own colours, and the fixed columns in the button colour of the view.
class CellColorDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const auto *m = qobject_cast<const FlexGridModel *>(index.model());
        if (!m)
            return;
        const int r = index.row() + m->FixedRows();
        const int c = index.column();
        if (m->HasCellForeColor(r, c))
            option->palette.setBrush(QPalette::Text, VbToQColor(m->CellForeColor(r, c)));
        if (m->HasCellBackColor(r, c))
            option->backgroundBrush = VbToQColor(m->CellBackColor(r, c));
        else if (c < m->FixedCols() && option->widget)
            option->backgroundBrush = option->widget->palette().button();
    }
};

} // namespace

class FlexGrid::Measurer
{
};

FlexGrid::FlexGrid(QWidget *parent) : QTableView(parent), m_own(std::make_unique<FlexGridModel>())
{
    setItemDelegate(new CellColorDelegate(this));
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
                if (m_syncing || section < 0 || section >= m_model->Cols())
                    return;
                m_syncing = true;
                m_model->SetColWidth(section, newSize * TwipsPerPixel());
                m_syncing = false;
            });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int v) {
        if (m_syncing)
            return;
        m_syncing = true;
        m_model->SetTopRow(v + FixedRows());
        m_syncing = false;
    });
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &i) {
        if (i.isValid())
            emit cellDoubleClicked(i.row() + FixedRows(), i.column());
    });
    m_model = m_own.get();
    attach();
}

FlexGrid::~FlexGrid()
{
    detach();
    if (m_model != m_own.get())
        m_model->SetMeasurer(nullptr);
    setModel(nullptr);
}

void FlexGrid::SetGridModel(FlexGridModel *model)
{
    if (!model)
        model = m_own.get();
    if (model == m_model)
        return;
    detach();
    m_model = model;
    attach();
}

void FlexGrid::attach()
{
    QItemSelectionModel *old = selectionModel();
    setModel(m_model);
    delete old;
    FlexGridModel *m = m_model;
    m_links = {
        // A model handed over that goes first leaves the grid showing its own again.
        connect(m, &QObject::destroyed, this,
                [this] {
                    m_links.clear();
                    m_model = m_own.get();
                    attach();
                }),
        connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
                &FlexGrid::viewSelectionChanged),
        connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
                &FlexGrid::viewSelectionChanged),
        connect(m, &QAbstractItemModel::modelReset, this, &FlexGrid::applyAllSizes),
        connect(m, &QAbstractItemModel::columnsInserted, this, &FlexGrid::applyAllSizes),
        connect(m, &FlexGridModel::colWidthChanged, this, &FlexGrid::applyColumnWidth),
        connect(m, &FlexGridModel::rowHeightChanged, this, &FlexGrid::applyRowHeight),
        connect(m, &FlexGridModel::cursorChanged, this, &FlexGrid::syncViewSelection),
        connect(m, &FlexGridModel::topRowChanged, this, &FlexGrid::scrollToTopRow),
    };
    applyAllSizes();
    syncViewSelection();
}

void FlexGrid::detach()
{
    for (const QMetaObject::Connection &c : std::as_const(m_links))
        disconnect(c);
    m_links.clear();
}

int FlexGrid::GridWidth() const
{
    return width() * TwipsPerPixel();
}

int FlexGrid::TwipsPerPixel() const
{
    const int dpi = logicalDpiX();
    if (dpi <= 0)
        return 15;
    return std::max(1, qRound(1440.0 / dpi));
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
    int row = cur.row() + fr;
    int col = cur.column();
    int rowSel = row;
    int colSel = col;
    const QItemSelection sel = selectionModel()->selection();
    if (!sel.isEmpty()) {
        int top = row, bottom = row, left = col, right = col;
        for (const QItemSelectionRange &r : sel) {
            top = std::min(top, r.top() + fr);
            bottom = std::max(bottom, r.bottom() + fr);
            left = std::min(left, r.left());
            right = std::max(right, r.right());
        }
        rowSel = (row == top) ? bottom : top;
        colSel = (col == left) ? right : left;
        if (selectionBehavior() == QAbstractItemView::SelectRows) {
            col = FixedCols();
            colSel = Cols() - 1;
        }
    }
    m_syncing = true;
    m_model->SetCursor(row, col, rowSel, colSel);
    m_syncing = false;
}

void FlexGrid::syncViewSelection()
{
    if (m_syncing || !m_model->Redraw())
        return;
    const int fr = FixedRows();
    const int row = Row(), col = Col(), rowSel = RowSel(), colSel = ColSel();
    m_syncing = true;
    QItemSelectionModel *sm = selectionModel();
    const int r1 = std::max(std::min(row, rowSel), fr) - fr;
    const int r2 = std::min(std::max(row, rowSel), Rows() - 1) - fr;
    const int c1 = std::max(std::min(col, colSel), 0);
    const int c2 = std::min(std::max(col, colSel), Cols() - 1);
    if (row >= fr && row < Rows() && col >= 0 && col < Cols())
        sm->setCurrentIndex(m_model->index(row - fr, col), QItemSelectionModel::NoUpdate);
    if (r1 <= r2 && c1 <= c2 && r2 >= 0) {
        sm->select(QItemSelection(m_model->index(r1, c1), m_model->index(r2, c2)),
                   QItemSelectionModel::ClearAndSelect);
    } else {
        sm->clearSelection();
    }
    m_syncing = false;
}

void FlexGrid::scrollToTopRow(int row)
{
    if (m_syncing || row < FixedRows() || row >= Rows())
        return;
    m_syncing = true;
    scrollTo(m_model->index(row - FixedRows(), std::max(0, Col())),
             QAbstractItemView::PositionAtTop);
    m_syncing = false;
}

void FlexGrid::applyColumnWidth(int col)
{
    if (m_syncing || !m_model->Redraw() || col < 0 || col >= m_model->columnCount())
        return;
    m_syncing = true;
    const int px = ColWidth(col) / TwipsPerPixel();
    if (px <= 0) {
        horizontalHeader()->setSectionHidden(col, true);
    } else {
        horizontalHeader()->setSectionHidden(col, false);
        horizontalHeader()->resizeSection(col, px);
    }
    m_syncing = false;
}

void FlexGrid::applyRowHeight(int row)
{
    const int fr = FixedRows();
    if (row < fr || !m_model->Redraw())
        return;
    const int twips = RowHeight(row);
    if (twips <= 0) {
        setRowHidden(row - fr, true);
    } else {
        setRowHidden(row - fr, false);
        verticalHeader()->resizeSection(row - fr, std::max(1, twips / TwipsPerPixel()));
    }
}

void FlexGrid::applyAllSizes()
{
    for (int c = 0; c < Cols(); ++c)
        applyColumnWidth(c);
    const int fr = FixedRows();
    m_syncing = true;
    for (int r = fr; r < Rows(); ++r) {
        const int h = RowHeight(r);
        if (h == kDefaultRowHeight)
            continue;
        if (h <= 0)
            setRowHidden(r - fr, true);
        else
            verticalHeader()->resizeSection(r - fr, std::max(1, h / TwipsPerPixel()));
    }
    m_syncing = false;
}

} // namespace store
