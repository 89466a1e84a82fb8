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

// How a text field of a content kind is laid on paper.
enum class PrintForm {
    Lines,     // its text in lines, spaced and aligned as the row says
    Nothing,   // kinds that print nothing
    Boxes,     // one character per printed box (digits, postcode)
    CashBoxes, // an amount one character per box, "￥" first (blanked for 301-399)
};

// Everything the program reads from a content kind code, each by its one rule. The screen (border,
// alignment, keys), the conversion, the property dialog and the paper all take it from here.
struct KindInfo
{
    int kind = 0;   // the integer part of the code; 0 (plain text) for every code below 1
    int border = 0; // 1 (single line) when 0 < code < 100 or 200 < code < 400, fraction and all
    bool rightAligned = false; // kinds 1-99, 301-399, 114 and 121 stand right-aligned on the page
    bool digitKeys = false;    // only digits, Backspace and "." are typed: the code rounded to a
                               // whole number (halves to even) is 1-99 or 105-108
    int boxes = 0; // printed boxes: k (1-99), k - 300 (301-399), k - 200 (201-299), 6 (109)
    PrintForm print = PrintForm::Lines;
    bool yuanSign = false; // an amount in boxes that keeps its "￥" (1-99; 301-399 blank it)
    int decimals = 2;      // the figure kinds 104, 105, 117, 118 and 123: GetCashDecimals
    int positions = 0;     // 114 and 121: the capital-digit positions, the code's hundredths
    // The entry of "内容类别" that shows the code: 11, 211 or 311 for the boxed kinds, the kind
    // itself otherwise; and the number the dialog edits beside it (boxes, positions or the code).
    int listKind = 0;
    double count = 0;
};
KindInfo DecodeKind(double code);

// The code the property dialog stores for a list entry and the number beside it: the inverse of
// listKind and count (the box kinds add 200 or 300, 114 and 121 take the count as hundredths).
double KindCode(int listKind, double count);

// The field's border for a code (DecodeKind's border).
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
