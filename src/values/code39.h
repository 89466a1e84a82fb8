#pragma once
// Code 39 symbols: start and stop character "*", five bars and four spaces per character, a
// wide element three narrow ones wide, a gap of three narrow widths after each character.

#include "values/barcode.h"

#include <QString>

class QPainter;

namespace values {

inline constexpr char16_t kCode39InvalidMessage[] =
    u"要打印的条形码字符串中包含无效字符！当前版本只支持字符0-9,A-Z,-,%和$，*只能作为首尾字符";

// The table index of a character: "0"-"9" 0-9, "A"-"Z" 10-35, "-" 36, "%" 37, "$" 38, "*" 39;
// -1 for any other.
int Code39Index(QChar c);
// Nine flags for a table index: the five bars, then the four spaces, "1" = wide; nullptr
// outside 0-39.
const char *Code39Pattern(int index);

// The text as it is drawn: upper-cased (ASCII letters only) and framed by "*" where the
// frame is missing.
QString PrepareCode39Text(const QString &text);

// Element widths in twips for a narrow width X: narrow bar and space round(X), wide bar and
// space round(3X), the gap after each character round(3X).
struct Code39Widths
{
    double narrow;
    double wide;
    double gap;
    static Code39Widths forNarrow(double x);
};

// The symbol as modules of the narrow width ("1" dark, "0" light), gaps included. It ends
// before the first character that cannot be drawn (any character outside the table, or a
// "*" inside the text); *valid then becomes false.
QString Code39Modules(const QString &text, bool *valid = nullptr);

// Width in twips of the symbol at narrow width X, the last gap included; 0 for "".
double MeasureCode39(const QString &text, double x);

// The largest whole narrow width whose symbol is not wider than `width` twips (0 at least,
// 0 for ""): doubling from 10, then counting down.
double GetCode39BarWidth(const QString &text, double width);

// Bars at (x, y) of height h (twips) and, when textTop >= 0, each character's text with its
// top at textTop, left-aligned under its bars.
BarcodeLayout LayoutCode39(const QString &text, double x, double y, double h, double narrow,
                           double textTop, bool *valid = nullptr);

// Draws the symbol on a painter in twips: top-left (x, y) and height h in millimetres, narrow
// width in twips, the human-readable line in `fontName` at `textSize` points under the bars
// when textSize > 0 and showText. Returns false when the text holds a character that cannot
// be drawn: the bars before it stay, and the caller shows kCode39InvalidMessage. drawTexts, when
// given, draws the human-readable line (see PaintBarcode).
bool DrawCode39(QPainter &painter, const QString &text, double x, double y, double h, double narrow,
                double textSize, bool showText, const QString &fontName,
                const BarcodeTextPainter &drawTexts = {});

} // namespace values
