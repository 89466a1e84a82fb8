#pragma once
// Stepping through the imported batch records: one record of the batch grid at a time into the
// page's fields, the record scroll bar and the two counters.

#include <QList>
#include <QString>
#include <functional>

class QLabel;
class QScrollBar;
class QWidget;

namespace store {
class FlexGridModel;
}

namespace print {

// The main window's controls and field operations the navigation uses.
struct BatchNavTarget
{
    QScrollBar *HS = nullptr;
    QLabel *R_Num[2] = {nullptr, nullptr}; // 0: record count, 1: record shown
    QWidget *printAll = nullptr;           // the print-all button
    std::function<int(int kind)> ctlCount; // fields of a kind on the page
    std::function<void(int index, const QString &text)> setCtlValue;
    std::function<void(int index)> ttLostFocus; // conversion and calculation of a text field
    std::function<QString()> formatName;        // the open format (LFMT(0))
};

class BatchNav
{
public:
    explicit BatchNav(BatchNavTarget target) : m_t(std::move(target)) {}

    // Sets up the scroll bar, the counters and the print-all button for the grid's records and
    // shows the first record.
    void InitBatchNav(const store::FlexGridModel &grid);
    // Puts record row (a grid row) into the page's fields; rows outside the data change nothing.
    void LoadBatchRow(const store::FlexGridModel &grid, int row);

    // The data column that fills the field, -1 when none; a column that is empty in every record
    // never fills its field.
    int ColumnFor(const store::FlexGridModel &grid, int index);
    bool Applies(const store::FlexGridModel &grid, int col);

    // The records are keyed by the field indexes of the format that was open when they were
    // set up; under another format they would fill unrelated fields. Empty while they fit, else
    // the message that refuses to use them.
    QString Problem() const;

private:
    void Scan(const store::FlexGridModel &grid);

    BatchNavTarget m_t;
    QString OpenFormat() const { return m_t.formatName ? m_t.formatName() : QString(); }

    const store::FlexGridModel *m_grid = nullptr;
    QString m_format; // the format the records were set up for
    int m_rows = -1, m_cols = -1;
    QList<int> m_indexOfCol; // field index named in row 0 of each column (-1: none)
    QList<bool> m_applies;
};

} // namespace print
