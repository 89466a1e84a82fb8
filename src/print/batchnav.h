#pragma once
// Stepping through the imported batch records: the record scroll bar, the two counters and one
// record of the batch grid at a time, as a record without widgets (FillRecord, which a batch print
// lays out through print::PageSource) or onto the page's fields when the scroll bar moves
// (LoadBatchRow).

#include "page/record.h"

#include <QHash>
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
    // The page's fields: their layout, their values as a record and back (what changed).
    std::function<const page::FieldLayout *()> layout;
    std::function<page::FieldRecord()> record;
    std::function<void(page::FieldRecord &record)> putRecord;
    // What leaving text field index does (TT_LostFocus), on a record.
    std::function<void(page::FieldRecord &record, int index)> leaveText;
    std::function<QString()> crlfChr;    // the line-break symbol of sheet texts
    std::function<QString()> formatName; // the open format (LFMT(0))
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
    // What LoadBatchRow does to the page's values, done to a record of them: for kinds 0, 1, 2
    // and each field in index order, the value of its column when the column has any data (a
    // text with the line-break symbol turned into line breaks, a check box ticked by any
    // non-blank text, a picture field's link), then for a text field what leaving it does. The
    // record carries from one row to the next as the page would. False for a row outside the
    // data or records that do not fit the open format: the record is unchanged.
    bool FillRecord(const store::FlexGridModel &grid, int row, const page::FieldLayout &layout,
                    page::FieldRecord &record);
    // The record counter shows the record of grid row row.
    void ShowRecordNumber(int row);

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
    QHash<int, int> m_colOfIndex; // the first column naming each field index
};

} // namespace print
