#pragma once
// What the program's workbook readers and the .xls reading helper share (Qt Core only): finding
// a sheet by its name, and telling the number formats that show a date.

#include <QString>
#include <QStringList>

namespace batch {

// The index of the sheet of that exact name, else the first one equal ignoring case; -1 when none.
int FindSheet(const QStringList &names, const QString &sheet);

// A number format code that shows a date or a time (y, m, d, h or s outside quotes, brackets and
// escapes).
bool IsDateFormatCode(const QString &code);
// A built-in number format (by its id) that shows a date or a time.
bool IsBuiltinDateFormat(int id);

} // namespace batch
