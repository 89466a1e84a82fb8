#pragma once
// The flex grid: a grid of text cells addressed by row and column from 0, its first FixedRows
// rows and FixedCols columns fixed, every cell a text with an optional text colour and back
// colour (0x00BBGGRR), sizes in twips. The cells are the truth; the view shows them.
//
// A bound grid keeps the database column names in row 0 (height 0, never shown) and the
// captions in row 1; data rows start at FixedRows. The view shows the last fixed row as its
// header and the data rows below it, so every row number the program uses means the same row
// in code and on screen.

#include <QFont>
#include <QString>
#include <QTableView>

#include <functional>
#include <optional>
#include <vector>

namespace store {

class FlexGridModel;

class FlexGrid : public QTableView
{
    Q_OBJECT

public:
    explicit FlexGrid(QWidget *parent = nullptr);
    ~FlexGrid() override;

    FlexGrid(const FlexGrid &) = delete;
    FlexGrid &operator=(const FlexGrid &) = delete;

    // Counts. Growing adds empty cells; shrinking drops rows or columns at the end. Fixed counts
    // are clamped so that Rows >= FixedRows and Cols >= FixedCols; raising a fixed count above
    // the size grows the grid (as the original control did).
    int Rows() const;
    void SetRows(int rows);
    int Cols() const;
    void SetCols(int cols);
    int FixedRows() const;
    void SetFixedRows(int n);
    int FixedCols() const;
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
    // First visible data row and first visible scrollable column.
    int TopRow() const;
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
    // Width of the grid in twips.
    int GridWidth() const;
    // Twips per device pixel of the grid's screen (15 at 96 dpi).
    int TwipsPerPixel() const;

    // The table the grid shows (or another key its owner keeps there).
    QString Tag() const { return m_tag; }
    void SetTag(const QString &tag) { m_tag = tag; }

    // Decimals kept when a stored Double is loaded into the grid (2, the display rule of every
    // grid; the field grid keeps 3).
    int DoubleDecimals() const { return m_doubleDecimals; }
    void SetDoubleDecimals(int n) { m_doubleDecimals = n; }

    // Suspends drawing while a grid is filled; switching it on again shows the new contents.
    bool Redraw() const { return m_redraw; }
    void SetRedraw(bool on);

    // Whether the data rows may be reordered by a header click. The field grid, whose rows are
    // bound to the field controls by position, refuses it.
    bool Sortable() const { return m_sortable; }
    void SetSortable(bool on) { m_sortable = on; }

    // Sorts the data rows (FixedRows .. Rows-1) by one column, whole rows with their colours:
    // cells that both read as numbers compare as numbers, numbers come before text, text in
    // the program's list order; equal cells keep their order.
    void Sort(int col, bool ascending);

    // The room a cell takes beside its text (the text margins on both sides and the grid line),
    // in twips: a column fitted to a text needs this much more to show it whole.
    int CellTextMargin() const;

    // Width of a text in twips, measured with the font of the grid's window (or the measurer
    // given to SetTextMeasurer).
    int TextWidth(const QString &text) const;
    void SetTextMeasurer(std::function<int(const QString &)> measurer);
    // The font TextWidth measures with; nullopt while a measurer of its own is set.
    std::optional<QFont> MeasuringFont() const;
    // Measures as the cells draw: with the grid's own font, plus CellTextMargin (instead of the
    // window's font and the text alone).
    void SetMeasureAsCellsDraw(bool on) { m_asCellsDraw = on; }
    bool HasTextMeasurer() const { return bool(m_measurer); }

signals:
    // A data cell was double-clicked (row and column of the grid).
    void cellDoubleClicked(int row, int col);

private:
    friend class FlexGridModel;
    void headerPressed(int section);
    void viewSelectionChanged();
    void syncViewSelection();
    void applyColumnWidth(int col);
    void applyAllSizes();
    void clampCursor();

    FlexGridModel *m_model = nullptr;
    QString m_tag;
    int m_row = 0;
    int m_col = 0;
    int m_rowSel = 0;
    int m_colSel = 0;
    int m_topRow = 0;
    int m_leftCol = 0;
    bool m_redraw = true;
    bool m_sortable = true;
    int m_doubleDecimals = 2;
    bool m_syncing = false;
    std::vector<int> m_colWidth;
    std::vector<int> m_colAlign;
    std::vector<int> m_rowHeight;
    std::function<int(const QString &)> m_measurer;
    bool m_asCellsDraw = false;
};

} // namespace store
