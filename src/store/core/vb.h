#pragma once
// Number, text and date semantics of the original program's language, kept in one place so that
// every folder reads and writes numbers and dates the same way.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringView>
#include <optional>
#include <string>
#include <string_view>

namespace store {

// The leading number of a text as Val reads it, taken apart: sign, mantissa digits, where the
// point stands among them, and the exponent. Shared by Val, ValText and the exact decimal
// arithmetic of the amount conversions.
struct NumberScan
{
    bool negative = false; // a "-" stood before the digits (also for a zero)
    std::string digits;    // the mantissa digits as written, without the point
    int pointPos = 0;      // how many of the digits stand before the point
    int exponent = 0;      // the exponent, clamped to +-400
    bool any = false;      // false when the text has no leading number at all
};
NumberScan ScanNumber(QStringView text);
// The same reading for texts already reduced to ASCII.
NumberScan ScanNumber(std::string_view text);

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

// DateSerial: a month or day outside its range carries over into the year or month
// (month 13 is January of the next year, day 0 the last day of the month before); the years
// 0-29 mean 2000-2029 and 30-99 mean 1930-1999. nullopt when the result falls outside the
// years 100 to 9999.
std::optional<QDate> DateSerial(qint64 year, qint64 month, qint64 day);

// Reading of a date text, in place of the system's date reading (IsDate/CDate). Accepted,
// with blanks around ignored:
//   yyyy-M-d, yyyy/M/d, yyyy.M.d, yyyy年M月d日 (the 日 may be missing), yyyyMMdd,
//   each optionally followed by a time H:mm or H:mm:ss (after a blank or "T");
//   M-d, M/d and M月d日: that month and day of today's year (29 February of a year without
//   it falls in the leap year before).
// The year always has four digits; nullopt when the text is no valid date. The result holds
// the date and time as written, in UTC so that no time-zone rule moves them.
std::optional<QDateTime> CDate(QStringView text, const QDate &today);

// Format(value, pattern) for dates. Tokens, case-insensitive: yyyy (year), yy (year in two
// digits), m/mm (month, or minutes right after an hour or right before seconds), mmm/mmmm
// (short/long month name), d/dd (day), ddd/dddd (short/long weekday name), h/hh (hour of 24),
// n/nn (minutes), s/ss (seconds). Text in double quotes and a character after "\" are copied
// as they stand, as is every other character. Names are the Chinese ones.
QString FormatDate(const QDateTime &value, QStringView pattern);

} // namespace store
