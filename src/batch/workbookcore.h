#pragma once
// What the program's workbook readers and the .xls reading helper share (Qt Core only): their
// failure numbers, finding a sheet by its name, and telling the number formats that show a date.

#include <QString>
#include <QStringList>

namespace batch {

// Failure numbers of the workbook readers (the messages are SheetErrorText's).
enum SheetError : int {
    kSheetOk = 0,
    kSheetCannotOpen = 5,    // missing or unreadable file
    kSheetTooLarge = 7,      // a part of the workbook unzips beyond what a sheet can hold
    kSheetNoSuchSheet = 9,   // no worksheet of that name
    kSheetCancelled = 18,    // the user stopped the reading
    kSheetReaderFailed = 57, // the .xls reading helper crashed, hung or answered nonsense
    kSheetNotWorkbook = 438  // not a workbook of the kind its name says
};

// The index of the sheet of that exact name, else the first one equal ignoring case; -1 when none.
int FindSheet(const QStringList &names, const QString &sheet);

// A number format code that shows a date or a time (y, m, d, h or s outside quotes, brackets and
// escapes).
bool IsDateFormatCode(const QString &code);
// A built-in number format (by its id) that shows a date or a time.
bool IsBuiltinDateFormat(int id);

} // namespace batch
