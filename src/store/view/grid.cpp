#include "store/view/grid.h"

#include "store/model/gridbind.h"
#include "store/view/gridcolor.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QHash>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPalette>
#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>

#include <algorithm>
#include <cmath>

namespace store {

namespace {

// A cell's text up to this many characters is shown and measured whole; of a longer one only a
// prefix that is already wider than the grid, which shows and fits the same.
constexpr qsizetype kLongCell = 4096;

// The first n characters of text, a surrogate pair kept whole.
QString CellPrefix(const QString &text, qsizetype n)
{
    if (n < text.size() && n > 0 && text.at(n - 1).isHighSurrogate())
        --n;
    return text.left(n);
}

// Paints the cells' own colours, and the fixed columns in the button colour of the view.
class CellColorDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        // The style lays out the whole text to elide it, at every paint: a long text is cut to
        // what is wider than any cell can be, and still ends in an ellipsis.
        if (option->text.size() > kLongCell)
            option->text = CellPrefix(option->text, kLongCell) + QChar(0x2026);
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

// How the ASCII digits of one font measure. Where every digit has the same advance and pairs with
// its neighbours exactly as '0' does (the same kerning, alone, after a Han or a Latin letter and
// inside a run of the neighbour's own script), a text measures the same as the text with every
// digit written '0'. Texts that differ only in their digits (amounts, account numbers, dates,
// numbered names) then share one measurement. Checked once per font for the digits among
// themselves and once per character found beside a digit; a character that fails, or that
// shaping may join to the digit (a combining mark, a surrogate, a format or right-to-left
// character), keeps the texts it stands beside a digit in measured as they are.
class DigitMetrics
{
public:
    explicit DigitMetrics(const QFont &font) : m_fm(font)
    {
        const qreal zero = m_fm.horizontalAdvance(QStringLiteral("0"));
        m_alike = true;
        for (char16_t d = u'1'; m_alike && d <= u'9'; ++d)
            m_alike = m_fm.horizontalAdvance(QString(QChar(d))) == zero;
        for (char16_t d = u'0'; m_alike && d <= u'9'; ++d) {
            for (char16_t e = u'0'; m_alike && e <= u'9'; ++e)
                m_alike = PairsAsZero(QChar(d), QChar(e));
        }
    }

    // Digits may be replaced by '0' at all.
    bool Alike() const { return m_alike; }

    // Every digit pairs with x (on either side) as '0' does.
    bool NeighbourSafe(QChar x)
    {
        const auto it = m_neighbours.constFind(x.unicode());
        if (it != m_neighbours.constEnd())
            return *it;
        bool safe = !x.isSurrogate() && x.unicode() != 0x9C;
        if (safe) {
            switch (x.category()) {
            case QChar::Mark_NonSpacing:
            case QChar::Mark_SpacingCombining:
            case QChar::Mark_Enclosing:
            case QChar::Other_Format:
                safe = false;
                break;
            default:
                break;
            }
        }
        if (safe) {
            switch (x.direction()) {
            case QChar::DirR:
            case QChar::DirAL:
            case QChar::DirRLE:
            case QChar::DirRLO:
            case QChar::DirRLI:
            case QChar::DirLRE:
            case QChar::DirLRO:
            case QChar::DirLRI:
            case QChar::DirFSI:
            case QChar::DirPDF:
            case QChar::DirPDI:
                safe = false;
                break;
            default:
                break;
            }
        }
        for (char16_t d = u'1'; safe && d <= u'9'; ++d)
            safe = PairsAsZero(QChar(d), x) && PairsAsZero(x, QChar(d)) &&
                   Width(QString(x) + QChar(d) + x) == Width(QString(x) + u'0' + x);
        m_neighbours.insert(x.unicode(), safe);
        return safe;
    }

private:
    qreal Width(const QString &text) const { return m_fm.horizontalAdvance(text); }

    // a b measures as a b with each digit among them written '0', alone and after a Han and a
    // Latin letter (which give the digits their script).
    bool PairsAsZero(QChar a, QChar b) const
    {
        const auto zeroed = [](QChar c) {
            return c.unicode() >= u'0' && c.unicode() <= u'9' ? QChar(u'0') : c;
        };
        for (const char16_t *prefix : {u"", u"一", u"A"}) {
            const QString p = QString::fromUtf16(prefix);
            if (Width(p + a + b) != Width(p + zeroed(a) + zeroed(b)))
                return false;
        }
        return true;
    }

    QFontMetricsF m_fm;
    bool m_alike = false;
    QHash<char16_t, bool> m_neighbours;
};

// The checks of the fonts met so far, by font and resolution; they go with the application
// object, before the fonts do.
QHash<QString, DigitMetrics *> &KnownDigitMetrics()
{
    static QHash<QString, DigitMetrics *> known;
    return known;
}

void ForgetDigitMetrics()
{
    qDeleteAll(KnownDigitMetrics());
    KnownDigitMetrics().clear();
}

DigitMetrics *DigitMetricsOf(const QFont &font, int twipsPerPixel)
{
    QHash<QString, DigitMetrics *> &known = KnownDigitMetrics();
    if (known.isEmpty())
        qAddPostRoutine(ForgetDigitMetrics);
    const QString key = font.key() + u'@' + QString::number(twipsPerPixel);
    auto it = known.find(key);
    if (it == known.end())
        it = known.insert(key, new DigitMetrics(font));
    return (*it)->Alike() ? *it : nullptr;
}

// The widths of the texts of one grid, each distinct text measured once, and with the grid's own
// font each distinct text up to its digits (DigitMetrics).
class TextWidths
{
public:
    explicit TextWidths(const FlexGrid &grid) : m_grid(grid)
    {
        if (const std::optional<QFont> font = grid.MeasuringFont())
            m_digits = DigitMetricsOf(*font, grid.TwipsPerPixel());
    }

    int Width(const QString &text)
    {
        if (text.isEmpty())
            return 0;
        // A measurer of the caller's is quick, and a cache of many distinct texts would cost more
        // than it saves.
        if (m_grid.HasTextMeasurer())
            return m_grid.TextWidth(text);
        const QString &key = Key(text);
        const auto it = m_measured.constFind(key);
        if (it != m_measured.constEnd())
            return *it;
        const int w = m_grid.TextWidth(key);
        m_measured.insert(key, w);
        return w;
    }

private:
    static bool IsDigit(QChar c) { return c.unicode() >= u'0' && c.unicode() <= u'9'; }

    // The text with its digits written '0' where that keeps its width, else the text itself.
    const QString &Key(const QString &text)
    {
        if (!m_digits)
            return text;
        const QChar *p = text.constData();
        const qsizetype n = text.size();
        bool any = false;
        for (qsizetype i = 0; i < n; ++i) {
            if (!IsDigit(p[i]))
                continue;
            any = true;
            if (i > 0 && !IsDigit(p[i - 1]) && !m_digits->NeighbourSafe(p[i - 1]))
                return text;
            if (i + 1 < n && !IsDigit(p[i + 1]) && !m_digits->NeighbourSafe(p[i + 1]))
                return text;
        }
        if (!any)
            return text;
        m_key.resize(n);
        QChar *q = m_key.data();
        for (qsizetype i = 0; i < n; ++i)
            q[i] = IsDigit(p[i]) ? QChar(u'0') : p[i];
        return m_key;
    }

    const FlexGrid &m_grid;
    DigitMetrics *m_digits = nullptr;
    QHash<QString, int> m_measured;
    QString m_key;
};

// Measures each text as the sum of its characters' advances in the font of the grid's window,
// each character measured once, plus the cell margins: a batch of tens of thousands of mostly
// distinct texts fits in one quick pass.
class CharacterWidths
{
public:
    explicit CharacterWidths(const FlexGrid &grid)
        : m_fm(grid.window() ? grid.window()->font() : grid.font()), m_tpp(grid.TwipsPerPixel()),
          m_margin(grid.CellTextMargin())
    {
    }

    int Width(const QString &text)
    {
        double width = 0;
        for (const QChar c : text) {
            auto it = m_advance.constFind(c.unicode());
            if (it == m_advance.constEnd())
                it = m_advance.insert(c.unicode(), m_fm.horizontalAdvance(c));
            width += *it;
        }
        return int(std::ceil(width)) * m_tpp + m_margin;
    }

private:
    QFontMetricsF m_fm;
    int m_tpp;
    int m_margin;
    QHash<char16_t, double> m_advance;
};

} // namespace

// The grid's measure, installed on the model it shows.
class FlexGrid::Measurer : public GridMeasurer
{
public:
    explicit Measurer(const FlexGrid &grid) : m_grid(grid) {}

    int GridWidth() const override { return m_grid.GridWidth(); }

    std::function<int(const QString &)> MeasurePass(MeasureBy by) const override
    {
        std::function<int(const QString &)> measure;
        if (by == MeasureBy::Characters) {
            auto widths = std::make_shared<CharacterWidths>(m_grid);
            measure = [widths](const QString &text) { return widths->Width(text); };
        } else {
            auto widths = std::make_shared<TextWidths>(m_grid);
            measure = [widths](const QString &text) { return widths->Width(text); };
        }
        // No column is fitted wider than half the grid: a long text whose beginning is already
        // wider than the whole grid gives that column without being measured to its end.
        return [measure, limit = GridWidth()](const QString &text) {
            if (text.size() > kLongCell) {
                const int begins = measure(CellPrefix(text, kLongCell));
                if (begins >= limit)
                    return begins;
            }
            return measure(text);
        };
    }

private:
    const FlexGrid &m_grid;
};

FlexGrid::FlexGrid(QWidget *parent)
    : QTableView(parent), m_own(std::make_unique<FlexGridModel>()),
      m_measure(std::make_unique<Measurer>(*this))
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
    verticalHeader()->setDefaultSectionSize(std::max(1, kGridRowHeight / TwipsPerPixel()));
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
    m_model->SetMeasurer(m_measure.get());
    applyAllSizes();
    syncViewSelection();
}

void FlexGrid::detach()
{
    if (m_model->Measurer() == m_measure.get())
        m_model->SetMeasurer(nullptr);
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

void MeasureWithCellMargins(FlexGrid &grid)
{
    grid.SetTextMeasurer({});
    grid.SetMeasureAsCellsDraw(true);
}

void FlexGrid::headerPressed(int section)
{
    if (section < 0 || section >= Cols())
        return;
    if (section < FixedCols()) {
        AutoColWidth(*m_model, FixedRows(), true);
        return;
    }
    SortGridByCol(*m_model, section);
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
        if (h == kGridRowHeight)
            continue;
        if (h <= 0)
            setRowHidden(r - fr, true);
        else
            verticalHeader()->resizeSection(r - fr, std::max(1, h / TwipsPerPixel()));
    }
    m_syncing = false;
}

} // namespace store
