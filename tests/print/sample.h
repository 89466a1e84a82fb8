#pragma once
// The shipped transfer cheque "转账支票" (its rows of the ready formats) filled with known values,
// plus a barcode field, as the page renderer gets it.

#include "print/filledpage.h"

namespace printtest {

print::FilledPage SampleCheque();
// A shipped format ("转账支票" or "进账单") filled with known values, without the barcode.
print::FilledPage SampleFormat(const QString &name);
// The value each field of the sample is filled with, by its label.
QString SampleValue(const QString &label);

} // namespace printtest
