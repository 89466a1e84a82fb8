#pragma once
// Saving what a grid shows as a CSV text file or an .xlsx workbook, and the spreadsheet column
// letters of the sheet import.

#include <QString>

#include <functional>

namespace store {
class FlexGridModel;
}

namespace batch {

// A save dialog that remembers the file name it held last, one per caller (the history tab and
// the statistics grid each keep their own). chooser, when set, answers in place of the dialog
// (tests): it gets the filter and the name held, and returns "" for cancel.
class SaveDialog
{
public:
    QString FileName;
    std::function<QString(const QString &filter, const QString &current)> chooser;

    // Shows the dialog; the chosen name (kept in FileName) or "" when cancelled.
    QString ShowSave(const QString &filter);
};

// The filter of the export's save dialog.
inline const QString kExportFilter =
    QStringLiteral("CSV (逗号分隔)(*.csv)|*.csv|MS Excel文件  (*.xlsx)|*.xlsx");

// Asks for a file and writes the grid's visible rows and columns into it: a name ending in
// "csv" (any case) as CSV, any other as an .xlsx workbook whose first sheet is named sheetName
// (a name ending in ".xls" gets an "x"). An existing file is replaced only after the user agreed
// and only by a complete new file.
void ExportGrid(const store::FlexGridModel &grid, SaveDialog &dialog, const QString &sheetName);

// The writers. Every cell's text is followed by one TAB. Both report a failure with
// "文件保存出错！", leave no partial file and an existing file untouched, and return false.
bool ExportGridToCsv(const store::FlexGridModel &grid, const QString &fileName);
bool ExportGridToXls(const store::FlexGridModel &grid, const QString &fileName,
                     const QString &sheetName);

// The CSV line of the cells (each already holding its TAB): quotes doubled, a cell quoted when it
// holds ",", a quote, CR or LF, cells joined by ",". No line end.
QString CsvLine(const QStringList &cells);

// 1 -> "A", 26 -> "Z", 27 -> "AA", 702 -> "ZZ"; "" outside 1..702.
QString ColNumToLetter(qint32 n);
// Trimmed and upper-cased: one letter -> 1..26, two -> (first - 64) * 26 + (second - 64), more
// than two characters and "" -> 0 (no column); any other result <= 0 reads 1 ("1" -> 1).
qint16 ColLetterToNum(const QString &text);

} // namespace batch
