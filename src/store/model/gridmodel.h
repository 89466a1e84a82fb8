#pragma once
// The cells of a flex grid: a grid of text cells addressed by row and column from 0, its first
// FixedRows rows and FixedCols columns fixed, every cell a text with an optional text colour and
// back colour (0x00BBGGRR), sizes in twips. The cells are the truth; a view (the grid widget of
// store/view/grid.h) shows them and the code that keeps the open format, the history and the batch data
// reads and writes them here without any window.
//
// A bound grid keeps the database column names in row 0 (height 0, never shown) and the
// captions in row 1; data rows start at FixedRows. As an item model it offers the data rows
// only: item row i is grid row FixedRows + i, and the last fixed row gives the header texts, so
// every row number the program uses means the same row in code and on screen.

#include <QAbstractTableModel>
#include <QString>

#include <functional>
#include <vector>

namespace store {

// The height of a new row, in twips.
inline constexpr int kGridRowHeight = 300;

// How a pass of column fitting measures texts: each whole text, or each text as the sum of its
// characters (quick for many distinct texts).
enum class MeasureBy { Texts, Characters };

// How texts measure where a grid is shown, for fitting its columns. The view installs one.
class GridMeasurer
{
public:
    virtual ~GridMeasurer() = default;
    // Width of the grid in twips.
    virtual int GridWidth() const = 0;
    // Measures texts in twips for one pass over the cells; the measure may remember what it
    // measured until it is dropped.
    virtual std::function<int(const QString &)> MeasurePass(MeasureBy by) const = 0;
};

class FlexGridModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit FlexGridModel(QObject *parent = nullptr);
    ~FlexGridModel() override;

    FlexGridModel(const FlexGridModel &) = delete;
    FlexGridModel &operator=(const FlexGridModel &) = delete;

    // Changes with every change of the cells, their colours or the grid's counts, and no two
    // grids ever share one: what was read from a grid at one revision holds while it stays.
    quint64 Revision() const { return m_revision; }

    // Counts. Growing adds empty cells; shrinking drops rows or columns at the end. Fixed counts
    // are clamped so that Rows >= FixedRows and Cols >= FixedCols; raising a fixed count above
    // the size grows the grid (as the original control did).
    int Rows() const { return int(m_cells.size()); }
    void SetRows(int rows);
    int Cols() const { return m_cols; }
    void SetCols(int cols);
    int FixedRows() const { return m_fixedRows; }
    void SetFixedRows(int n);
    int FixedCols() const { return m_fixedCols; }
    void SetFixedCols(int n);
    // Removes count rows from first on, whole rows with their colours and heights.
    void RemoveRows(int first, int count);

    // Cell text; "" outside the grid. Writing outside the grid does nothing and returns false.
    QString TextMatrix(int row, int col) const;
    bool SetTextMatrix(int row, int col, const QString &text);
    // A number written into a cell becomes its decimal text (CStr: 15 significant digits, ".",
    // no exponent).
    bool SetNumber(int row, int col, double value);

    // Colours as 0x00BBGGRR. A cell without a colour of its own reads 0 (the grid's default).
    quint32 CellBackColor(int row, int col) const;
    bool HasCellBackColor(int row, int col) const;
    void SetCellBackColor(int row, int col, quint32 color);
    void ClearCellBackColor(int row, int col);
    quint32 CellForeColor(int row, int col) const;
    bool HasCellForeColor(int row, int col) const;
    void SetCellForeColor(int row, int col, quint32 color);

    // The current cell and the far corner of the selection. Setting Row or Col collapses the
    // selection onto the current cell; RowSel/ColSel then extend it.
    int Row() const { return m_row; }
    void SetRow(int row);
    int Col() const { return m_col; }
    void SetCol(int col);
    int RowSel() const { return m_rowSel; }
    void SetRowSel(int row);
    int ColSel() const { return m_colSel; }
    void SetColSel(int col);
    // All four at once, as a view reports what the user selected (cursorChanged once).
    void SetCursor(int row, int col, int rowSel, int colSel);
    // First visible data row and first visible scrollable column.
    int TopRow() const { return m_topRow; }
    void SetTopRow(int row);
    int LeftCol() const;
    void SetLeftCol(int col);

    // Sizes in twips. Row heights of hidden rows (row 0 of a bound grid) are 0.
    int ColWidth(int col) const;
    void SetColWidth(int col, int twips);
    int RowHeight(int row) const;
    void SetRowHeight(int row, int twips);
    // Alignment codes of the original control: 0 left top, 1 left centre, 2 left bottom,
    // 3 centre top, 4 centre, 5 centre bottom, 6 right top, 7 right centre, 8 right bottom,
    // 9 general (text left, numbers right).
    int ColAlignment(int col) const;
    void SetColAlignment(int col, int alignment);

    // The table the grid shows (or another key its owner keeps there).
    QString Tag() const { return m_tag; }
    void SetTag(const QString &tag) { m_tag = tag; }

    // Decimals kept when a stored Double is loaded into the grid (2, the display rule of every
    // grid; the field grid keeps 3).
    int DoubleDecimals() const { return m_doubleDecimals; }
    void SetDoubleDecimals(int n) { m_doubleDecimals = n; }

    // Suspends the change signals while a grid is filled: the views keep seeing the counts they
    // last saw, and switching it on again shows the new contents with one reset.
    bool Redraw() const { return !m_frozen; }
    void SetRedraw(bool on);

    // Whether the data rows may be reordered by a header click. The field grid, whose rows are
    // bound to the field controls by position, refuses it.
    bool Sortable() const { return m_sortable; }
    void SetSortable(bool on) { m_sortable = on; }

    // Sorts the data rows (FixedRows .. Rows-1) by one column, whole rows with their colours:
    // cells that both read as numbers compare as numbers, numbers come before text, text in
    // the program's list order; equal cells keep their order.
    void Sort(int col, bool ascending);

    // How the grid's texts measure where it is shown (not owned); nullptr when no view shows it.
    const GridMeasurer *Measurer() const { return m_measurer; }
    void SetMeasurer(const GridMeasurer *measurer) { m_measurer = measurer; }

    // The item model: the data rows, texts and alignments (colours are the view's to paint).
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

signals:
    // A size set in code; the views apply it (while drawing is on).
    void colWidthChanged(int col);
    void rowHeightChanged(int row);
    // The current cell or the selection set in code.
    void cursorChanged();
    // The first visible row set in code.
    void topRowChanged(int row);

private:
    struct CellColors
    {
        quint32 fore = 0;
        quint32 back = 0;
        bool hasFore = false;
        bool hasBack = false;
    };
    // One row: the texts of its cells, and their colours once a cell of the row has one (the
    // rows of a long sheet mostly have none, and then take no room for them).
    struct CellRow
    {
        std::vector<QString> text;
        std::vector<CellColors> colors; // empty, or one per column
    };
    const CellColors *ColorsOf(int row, int col) const;
    CellColors &ColorsFor(int row, int col);

    // A new revision: the cells, their colours or the grid's shape changed.
    void Revise();
    bool Inside(int row, int col) const;
    int DataRows() const;
    void ResizeRows(int n);
    void CellChanged(int row, int col);
    void ClampCursor();

    std::vector<CellRow> m_cells;
    quint64 m_revision;
    int m_cols = 0;
    int m_fixedRows = 0;
    int m_fixedCols = 0;
    std::vector<int> m_colWidth;
    std::vector<int> m_colAlign;
    std::vector<int> m_rowHeight;
    QString m_tag;
    int m_row = 0;
    int m_col = 0;
    int m_rowSel = 0;
    int m_colSel = 0;
    int m_topRow = 0;
    int m_leftCol = 0;
    bool m_sortable = true;
    int m_doubleDecimals = 2;
    bool m_frozen = false;
    int m_shownRows = 0;
    int m_shownCols = 0;
    const GridMeasurer *m_measurer = nullptr;
};

} // namespace store
