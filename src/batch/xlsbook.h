#pragma once
// Reading an .xls workbook (BIFF8 and older through FreeXL). This runs only inside the reading
// helper, never in the program: FreeXL may crash or loop on a damaged file.
//
// FreeXL passes over formula cells; their results as the spreadsheet last saved them (a number,
// a text in the STRING record that follows, a Boolean or an error) are read from the workbook
// stream of a BIFF8 file through libgsf and put over FreeXL's cells, and so are Boolean and error
// constants, which FreeXL gives as numbers. Formulas are never evaluated: the cells of a file
// whose writer saved no result (python's xlwt) come out as XlsCell::NoResult.

#include "batch/xlsproto.h"

#include <QString>
#include <QStringList>

namespace batch {

// The sheet names in their order; 0 or a SheetError.
int XlsBookSheets(const QByteArray &path, QStringList &names);
// Rows 1..maxRow (all when maxRow <= 0) and columns 1..maxCol of the named sheet (found as
// FindSheet finds it); 0 or a SheetError.
int XlsBookCells(const QByteArray &path, const QString &sheet, qint64 maxRow, int maxCol,
                 XlsCells &out);

} // namespace batch
