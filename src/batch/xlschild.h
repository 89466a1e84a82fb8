#pragma once
// .xls workbooks are read by the helper program "quorvan-xlsread" installed beside this one, in a
// process of its own: a file that crashes or hangs the library costs that process only. Its
// crash, a reading that runs past the time limit, or an answer that does not decode, all come out
// as kSheetReaderFailed, and closing the progress window meanwhile as kSheetCancelled; either
// leaves nothing changed. While it reads, the program's events go on (the progress window
// redraws and takes Esc).

#include <QString>
#include <QStringList>

namespace batch {

class SheetData;

// The sheet names; 0 or a SheetError.
int ListXlsSheets(const QString &path, QStringList &names);
// Rows 1..maxRow (all when maxRow <= 0) and columns 1..maxCol of the named sheet; 0 or a
// SheetError. data is only filled on success.
int LoadXlsSheet(const QString &path, const QString &sheet, qint64 maxRow, int maxCol,
                 SheetData &data);

// How long a reading may take, in milliseconds (30 s unless set).
int XlsReadTimeLimit();
void SetXlsReadTimeLimit(int ms);

} // namespace batch
