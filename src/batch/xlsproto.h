#pragma once
// What the .xls reading helper hands back over its standard output, and the checks the program
// makes on it (Qt Core only, shared by both ends). Anything that does not decode exactly, to its
// end mark, is taken as the helper having failed.
//
// Layout, little-endian: "QVXL", the version byte 1, the kind ('S' sheet names, 'C' cells), the
// 1904 flag, a zero byte; the status (a SheetError) and the entry count as 32-bit numbers; the
// entries; "END!".
// A sheet name: its UTF-8 length (32 bits) and bytes. A cell: row and column (1-based, 32 bits
// each), its kind byte, then for text its UTF-8 length and bytes, for a number or a date the
// 64-bit IEEE double, for a Boolean one byte; a formula without its result has nothing more.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace batch {

struct XlsCell
{
    // NoResult: a formula whose result the file does not hold (its writer saved none).
    enum Kind : quint8 { Text = 0, Number = 1, Date = 2, Boolean = 3, NoResult = 4 };
    quint32 row = 0; // 1-based
    quint32 col = 0; // 1-based
    Kind kind = Text;
    double number = 0; // Number, Date (the serial day), Boolean (0 or 1)
    QString text;      // Text
};

struct XlsCells
{
    bool date1904 = false;
    std::vector<XlsCell> cells;
};

QByteArray EncodeXlsSheetNames(int status, const QStringList &names);
QByteArray EncodeXlsCells(int status, const XlsCells &cells);

// False for anything but a whole, well-formed answer of that kind; cells must lie in rows
// 1..maxRow (any row when maxRow <= 0) and columns 1..maxCol.
bool DecodeXlsSheetNames(const QByteArray &bytes, int &status, QStringList &names);
bool DecodeXlsCells(const QByteArray &bytes, qint64 maxRow, int maxCol, int &status,
                    XlsCells &cells);

} // namespace batch
