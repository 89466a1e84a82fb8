#pragma once
// Number and text semantics of the original program's language, kept in one place so that every
// folder reads and writes numbers the same way.

#include <QString>
#include <QStringView>
#include <optional>

namespace store {

// Leading-number reading: leading blanks, a sign, digits with blanks inside skipped, one ".",
// an optional exponent; stops at the first other character; no number reads 0.
// Val("  -12.5abc") = -12.5, Val("1 2") = 12, Val("1e3") = 1000, Val("") = 0.
double Val(QStringView text);

// The leading number of Val as plain decimal text without exponent ("-12.5", "0" when none),
// for callers that must stay exact beyond a double's reach.
QString ValText(QStringView text);

// Integer part toward zero.
double Fix(double x);
// Integer part toward minus infinity.
double Int(double x);
// Rounded to a 32-bit integer, halves to even; nullopt when out of range or not a number.
std::optional<qint32> CLngChecked(double x);
// As CLngChecked, clamped to the 32-bit range (0 for NaN) where a caller cannot fail.
qint32 CLng(double x);
// Halves to even, as CLng but without the range (for whole twips of big pages).
double RoundEven(double x);

// Decimal text of a number: at most 15 significant digits, "." as separator, no exponent
// ever, no trailing zeros, "-" for negatives, "0" for zero (CStr(0.1+0.2) = "0.3").
QString CStr(double x);

// True when the whole text (blanks around it aside) is one number: sign, digits, one point,
// an optional exponent. Used before a grid text goes into a numeric column.
bool IsNumeric(QStringView text);

} // namespace store
