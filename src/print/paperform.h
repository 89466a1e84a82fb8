#pragma once
// The slip's size as the printer's paper: a standard size when one matches, a size the printer
// lists when one matches, else a named custom size.

#include <QPageSize>
#include <QString>

class QPrinter;

namespace print {

struct PaperFormResult
{
    bool opened = false;  // false: the printer could not be reached, nothing changed
    bool applied = false; // the paper is now the slip's size
    QString message;      // for the user when the printer cannot take the size
};

// The page size that stands for a slip of w x h mm on the printer (PDF output takes any size):
// a standard size that matches to the point, else the first size the printer lists of that size
// in points, else a custom size called formName. Invalid when the printer takes no custom
// sizes. formName becomes the name of the size chosen.
QPageSize PaperFormFor(QPrinter &printer, QString &formName, double wMm, double hMm);

// Sets that size on the printer.
PaperFormResult SetPrinterPaperSize(QPrinter &printer, QString &formName, double wMm, double hMm);

} // namespace print
