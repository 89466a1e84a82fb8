#pragma once
// Reading CSV text into records and fields, as spreadsheet programs write it.
//
// Records end at CR LF, LF or CR outside quotes; a line end at the end of the text adds no empty
// record; an empty line is a record of no fields. Fields end at ",". A quote as a field's first
// non-blank character opens a quoted section (blanks before it are kept): in it "" is one quote,
// "," and line ends are data (CR LF, CR and LF each become one LF), and a single quote closes it;
// what follows up to the next "," is appended as it stands. A quote elsewhere is an ordinary
// character. A quote still open at the end of the text ends the field and the record there.

#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

namespace batch {

using CsvRecords = std::vector<QStringList>;

// Parses the text. steps (when given) receives the number of parser steps taken, at most one per
// character. maxRecords > 0 stops after that many records. The records before the (0-based)
// record firstKept are only counted: they come out with no fields.
CsvRecords ParseCsv(QStringView text, qint64 *steps = nullptr, qint64 maxRecords = 0,
                    qint64 firstKept = 0);

// The whole file decoded (UTF-8 after a byte-order mark or when valid, else GB18030) and parsed.
// False when the path does not end in ".csv" (any case) or the file cannot be opened or read;
// records is then empty.
bool ReadCsvRecords(const QString &path, CsvRecords &records, qint64 maxRecords = 0,
                    qint64 firstKept = 0);

} // namespace batch
