#pragma once
// Conversion and calculation on the fields of the page: the field calculation of values reads
// and writes the text fields through the field registry and the print history through the store.

#include "page/registry.h"
#include "values/calc.h"
#include "values/valueenv.h"

#include <vector>

namespace page {

// What conversions read from outside a field: the clock now and the program's parameters.
values::ValueEnv PageValueEnv();

// The text field's text converted by its content kind, with the border that goes with it; an
// empty text stays empty and keeps its border.
void AutoConvertField(FieldRegistry &reg, TextField &field,
                      const values::ValueEnv &env = PageValueEnv());

// Every text field passes its conversion once more; date fields take today's date.
void AutoFillDates(FieldRegistry &reg, const values::ValueEnv &env = PageValueEnv());

// The print history of the database as the calculation sees it.
class StoreCalcHistory : public values::CalcHistory
{
public:
    qint32 FindHistoryByCon(const QString &fmt, qint32 id, const QString &content,
                            int &member) override;
    std::vector<values::CalcHistoryValue> LoadPrint(const QString &fmt, qint32 print) override;
};

// What leaving text field index does on the page: the page's values as a record, the field's
// conversion and the calculation on it (LeaveTextField), and what changed put back.
void LeaveField(FieldRegistry &reg, int index, const values::ValueEnv &env = PageValueEnv());

} // namespace page
