#pragma once
// The cells of one worksheet, read once into memory from an .xls workbook (FreeXL, in a process
// of its own: xlschild.h), an .xlsx workbook (our reader on minizip's unzip half) or a CSV file
// (a record is a sheet row), so that the import reads every kind the same way.
//
// Cell texts: a number as CStr writes it, a date as "yyyy-MM-dd" (with " HH:mm:ss" when it holds
// a time), text as stored with its line breaks, "True"/"False" for a Boolean, "" for an empty
// cell.

#include "batch/workbookcore.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace batch {

// Told now and then how far a long read has come (0..1); false stops the read with
// kSheetCancelled.
using SheetProgress = std::function<bool(double fraction)>;

// What one part of an .xlsx package may unzip to: 100 times its packed size, at least 32 MB (a
// small sheet of repeated cells packs tightly) and never more than 512 MB.
qint64 XlsxPartLimit(qint64 packedSize);

class SheetData
{
public:
    // Text of the cell at the 1-based row and column; "" outside what was read.
    QString Cell(qint64 row, qint64 col) const;
    // The last row holding a cell (0 for an empty sheet).
    qint64 LastRow() const { return qint64(m_rows.size()); }

    // Filling: the cells of row (1-based); rows between stay empty.
    void SetCell(qint64 row, qint64 col, QString text);
    void SetRow(qint64 row, QStringList cells);
    void Clear()
    {
        m_rows.clear();
        m_missing.clear();
    }

    // Formula cells whose result the file does not hold (they read as ""), in reading order:
    // (row, column), 1-based. Formulas are never evaluated here.
    void AddMissingResult(qint64 row, qint64 col) { m_missing.emplace_back(row, col); }
    const std::vector<std::pair<qint64, qint64>> &MissingResults() const { return m_missing; }

private:
    std::vector<QStringList> m_rows; // row r at r - 1, column c at c - 1
    std::vector<std::pair<qint64, qint64>> m_missing;
};

// Reads rows 1..maxRow (all when maxRow <= 0) and columns 1..maxCol of the named sheet of an .xls
// or .xlsx workbook (by the lower-cased suffix). The sheet is looked up by its exact name, then
// ignoring case. 0 or a SheetError; any other suffix gives 0 without reading (the caller's
// failure path then shows the number 0).
// progress (when given) is asked while an .xlsx sheet is read.
int LoadWorkbookSheet(const QString &path, const QString &sheet, qint64 maxRow, int maxCol,
                      SheetData &data, bool *wrongSuffix = nullptr,
                      const SheetProgress &progress = {});

// The sheet names of a workbook in their order; false when it cannot be read.
bool ListSheets(const QString &path, QStringList &names);

// The CSV records as sheet rows.
void CsvToSheet(const std::vector<QStringList> &records, SheetData &data);

// The message for a failure number of the workbook readers.
QString SheetErrorText(int number);
// Shows it.
void ReportSheetError(int number);

// An Excel serial day number as text: "yyyy-MM-dd", with " HH:mm:ss" when it has a time part,
// "HH:mm:ss" for a time alone; the 1904 system when date1904.
QString ExcelSerialToText(double serial, bool date1904);

} // namespace batch
