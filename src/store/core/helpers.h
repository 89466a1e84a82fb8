#pragma once
// Small shared services with no widgets and no database: cutting text, reading typed amounts,
// page units, month boundaries, ticks, the numeric key filter and durations.

#include <QDate>
#include <QString>
#include <QVariant>

namespace store {

// Cuts text at a separator (exact, case-sensitive). From the left: returns the part before the
// first separator and leaves the part after it in text. Otherwise: returns the part after the last
// separator and leaves the part before it. Without a separator: "" and text unchanged.
QString CutStr(QString &text, const QString &sep, bool fromLeft);

// An amount as typed: "￥", "$" and "," removed; a trailing "%" reads as hundredths.
// "￥1,234.50" -> 1234.5, "12.5%" -> 0.125, "abc" -> 0.
double CashStrToVal(const QString &value);

// Page scale: page width in twips divided by the slip width in mm (the Val of its text);
// 0 when the slip width reads 0.
double PageScale(double pageWidthTwips, const QString &slipWidthMm);
// Twips of the page to millimetres, three decimals (halves to even); 0 when scale is 0.
double PageToMM(double twips, double scale);
// Millimetres to whole twips of the page (halves to even).
qint32 MMToPage(double mm, double scale);

QDate FirstDayOfMonth(const QDate &d);
QDate LastDayOfMonth(const QDate &d);

// "√" for true or any non-zero number, "" for false, zero and text that is no number.
QString BoolToTick(const QVariant &value);
bool IsNotEmpty(const QString &text);

// Keeps the key codes of "0".."9", Backspace (8) and "." (46); any other becomes 0.
void NumKeyFilter(int &key);

// A duration as "h:m:s" with the leading zero groups dropped (at least "m:s"):
// 0 -> "0:0", 65 -> "1:5", 3725 -> "1:2:5", 90000 -> "25:0:0". Negative counts as 0.
QString SecondsToTimeStr(qint64 seconds);

// Lets pending events run, twice per round, for n + 1 rounds.
void DoEventsN(int n);

} // namespace store
