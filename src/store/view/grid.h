#pragma once
// The flex grid view: shows the cells of a FlexGridModel (see store/model/gridmodel.h) in a table, the
// last fixed row as its header and the data rows below it, and reports what the user selects,
// scrolls and resizes back into the model. It owns a model of its own until it is handed
// another. The thin forwarders below let window code keep addressing the grid as one control.

#include "store/model/gridmodel.h"

#include <QFont>
#include <QString>
#include <QTableView>

#include <functional>
#include <memory>
#include <optional>

namespace store {

class FlexGrid : public QTableView
{
    Q_OBJECT

public:
    explicit FlexGrid(QWidget *parent = nullptr);
    ~FlexGrid() override;

    FlexGrid(const FlexGrid &) = delete;
    FlexGrid &operator=(const FlexGrid &) = delete;

    // The cells shown. SetGridModel shows another model (not owned; it must outlive the view or
    // be handed back); nullptr returns to the grid's own.
    FlexGridModel &Model() { return *m_model; }
    const FlexGridModel &Model() const { return *m_model; }
    void SetGridModel(FlexGridModel *model);

    // The model's operations, forwarded.
    int Rows() const { return m_model->Rows(); }
    void SetRows(int rows) { m_model->SetRows(rows); }
    int Cols() const { return m_model->Cols(); }
    void SetCols(int cols) { m_model->SetCols(cols); }
    int FixedRows() const { return m_model->FixedRows(); }
    void SetFixedRows(int n) { m_model->SetFixedRows(n); }
    int FixedCols() const { return m_model->FixedCols(); }
    void SetFixedCols(int n) { m_model->SetFixedCols(n); }
    void RemoveRows(int first, int count) { m_model->RemoveRows(first, count); }
    QString TextMatrix(int row, int col) const { return m_model->TextMatrix(row, col); }
    bool SetTextMatrix(int row, int col, const QString &text)
    {
        return m_model->SetTextMatrix(row, col, text);
    }
    bool SetNumber(int row, int col, double value) { return m_model->SetNumber(row, col, value); }
    quint32 CellBackColor(int row, int col) const { return m_model->CellBackColor(row, col); }
    bool HasCellBackColor(int row, int col) const { return m_model->HasCellBackColor(row, col); }
    void SetCellBackColor(int row, int col, quint32 color)
    {
        m_model->SetCellBackColor(row, col, color);
    }
    void ClearCellBackColor(int row, int col) { m_model->ClearCellBackColor(row, col); }
    quint32 CellForeColor(int row, int col) const { return m_model->CellForeColor(row, col); }
    bool HasCellForeColor(int row, int col) const { return m_model->HasCellForeColor(row, col); }
    void SetCellForeColor(int row, int col, quint32 color)
    {
        m_model->SetCellForeColor(row, col, color);
    }
    int Row() const { return m_model->Row(); }
    void SetRow(int row) { m_model->SetRow(row); }
    int Col() const { return m_model->Col(); }
    void SetCol(int col) { m_model->SetCol(col); }
    int RowSel() const { return m_model->RowSel(); }
    void SetRowSel(int row) { m_model->SetRowSel(row); }
    int ColSel() const { return m_model->ColSel(); }
    void SetColSel(int col) { m_model->SetColSel(col); }
    int TopRow() const { return m_model->TopRow(); }
    void SetTopRow(int row) { m_model->SetTopRow(row); }
    int LeftCol() const { return m_model->LeftCol(); }
    void SetLeftCol(int col) { m_model->SetLeftCol(col); }
    int ColWidth(int col) const { return m_model->ColWidth(col); }
    void SetColWidth(int col, int twips) { m_model->SetColWidth(col, twips); }
    int RowHeight(int row) const { return m_model->RowHeight(row); }
    void SetRowHeight(int row, int twips) { m_model->SetRowHeight(row, twips); }
    int ColAlignment(int col) const { return m_model->ColAlignment(col); }
    void SetColAlignment(int col, int alignment) { m_model->SetColAlignment(col, alignment); }
    QString Tag() const { return m_model->Tag(); }
    void SetTag(const QString &tag) { m_model->SetTag(tag); }
    int DoubleDecimals() const { return m_model->DoubleDecimals(); }
    void SetDoubleDecimals(int n) { m_model->SetDoubleDecimals(n); }
    bool Redraw() const { return m_model->Redraw(); }
    void SetRedraw(bool on) { m_model->SetRedraw(on); }
    bool Sortable() const { return m_model->Sortable(); }
    void SetSortable(bool on) { m_model->SetSortable(on); }
    void Sort(int col, bool ascending) { m_model->Sort(col, ascending); }

    // Width of the grid in twips.
    int GridWidth() const;
    // Twips per device pixel of the grid's screen (15 at 96 dpi).
    int TwipsPerPixel() const;

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
    class Measurer;

    void attach();
    void detach();
    void headerPressed(int section);
    void viewSelectionChanged();
    void syncViewSelection();
    void scrollToTopRow(int row);
    void applyColumnWidth(int col);
    void applyRowHeight(int row);
    void applyAllSizes();

    std::unique_ptr<FlexGridModel> m_own;
    FlexGridModel *m_model = nullptr;
    std::unique_ptr<Measurer> m_measure;
    QList<QMetaObject::Connection> m_links;
    bool m_syncing = false;
    std::function<int(const QString &)> m_measurer;
    bool m_asCellsDraw = false;
};

// Makes the grid measure its texts as its cells draw them (with their margins), so that columns
// fitted by AutoColWidth show whole texts.
void MeasureWithCellMargins(FlexGrid &grid);

} // namespace store
