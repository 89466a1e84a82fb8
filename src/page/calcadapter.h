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

// The text fields of the registry as the calculation sees them.
class PageCalcFields : public values::CalcFields
{
public:
    explicit PageCalcFields(FieldRegistry &reg) : m_reg(reg) {}
    std::vector<values::CalcFieldRow> TextFieldRows() const override;
    QString Text(qint32 id) const override;
    void SetText(qint32 id, const QString &text, std::optional<int> border) override;
    QString FormatName() const override;

private:
    TextField *TextByID(qint32 id) const;
    FieldRegistry &m_reg;
};

// The print history of the database as the calculation sees it.
class StoreCalcHistory : public values::CalcHistory
{
public:
    qint32 FindHistoryByCon(const QString &fmt, qint32 id, const QString &content,
                            int &member) override;
    std::vector<values::CalcHistoryValue> LoadPrint(const QString &fmt, qint32 print) override;
};

// The calculation after text field id was edited; returns the edited field and every field it
// changed.
std::vector<qint32> AutoCalc(FieldRegistry &reg, qint32 id,
                             const values::ValueEnv &env = PageValueEnv());

} // namespace page
