#pragma once
// Content kinds of text fields: the conversion of a field's text by its kind code, the border
// that goes with the code, the automatic date fill and the kinds the user can choose.

#include "values/valueenv.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace values {

// The decimals of the figure kinds 104, 105, 117, 118 and 123 from the code's hundredths:
// .00 gives 2, .01 gives 3 ... .97 gives 99, .98 gives 0 and .99 gives 1.
int GetCashDecimals(double code);

// The pattern of the date kinds 110 to 113 ("" for any other kind).
QString DatePatternForKind(int kind);

// A field's text converted by its content kind code. The empty text, plain text (codes below
// 1) and the kinds without a rule come back unchanged, as does a text whose conversion fails
// (an amount too long for capitals, a negative amount in capital digits).
QString convertByKind(double code, const QString &t, const ValueEnv &env);

// The field's border for a code: 1 (single line) for 0 < code < 100 and 200 < code < 400, else 0.
int borderForCode(double code);

struct Converted
{
    QString text;
    std::optional<int> border; // unset: the field keeps its border
};

// What leaving a text field does: the converted text and, unless the text is empty, the
// border for the code.
Converted AutoConvert(double code, const QString &t, const ValueEnv &env);

// The text a field of the given code receives when the dates are filled in automatically:
// today's date or date part for the date kinds, the user's pattern for kind 119, the present
// text for every other kind; each then converted as AutoConvert converts it.
Converted AutoFillDate(double code, const QString &present, const ValueEnv &env);

// The 27 entries "<code>｜<caption>" of the list "内容类别", in the order the user sees them.
const QStringList &ContentKindEntries();
// The kind an entry stands for: the number in its first three characters ("011" gives 11).
int ContentKindOfEntry(const QString &entry);

} // namespace values
