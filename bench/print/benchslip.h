#pragma once
// The slip of the batch benchmark: 240 x 80 mm with five text fields and a Code 39 barcode, laid
// out as the peer's template is, filled from one record of the benchmark's CSV file.

#include "print/filledpage.h"

#include <QStringList>

class QPrinter;

namespace printbench {

print::FilledPage BenchSlip(const QStringList &record); // date,payee,words,amount,purpose,serial
// Sends the printer's output to a PDF file, with no page margins.
void PdfOutput(QPrinter &printer, const QString &file);
// The records of a CSV file with a header line (plain commas, no quoting).
QList<QStringList> ReadRecords(const QString &path);

} // namespace printbench
