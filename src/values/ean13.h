#pragma once
// EAN-13 symbols: 12 data digits and the check digit, 95 modules, the digits under the bars.

#include "values/barcode.h"

#include <QList>
#include <QString>

class QPainter;

namespace values {

// 13 digits from any text: its digits (every other character dropped first), padded with
// "0" in front to 12 and cut to the first 12, then the check digit.
QString CleanEAN13Str(const QString &text);

// Every "0" turned into "1" and every "1" into "0".
QString InvertBits(const QString &bits);

// The 95 modules ("1" dark) of the cleaned text; text becomes the cleaned 13 digits.
QString EncodeEAN13(QString &text);

// Runs of equal modules, left to right: a dark run as 10 + its length, a light run as its
// length. A symbol has 59 runs; the guard bars are runs 0, 2, 28, 30, 56 and 58.
QList<int> EAN13Runs(const QString &bits);

// Font measures the layout needs, in twips.
struct EAN13Metrics
{
    double width9;     // width of the text "9"
    double width0;     // width of the text "0"
    double lineHeight; // height of one text line
};

// Bars and digits of the cleaned 13 digits in the box (x, y, w, h), twips. The digits are
// laid out when textSize >= 2 and showText; a text line is kept free under the bars when
// textSize > 0 and showText.
BarcodeLayout LayoutEAN13(const QString &digits, double x, double y, double h, double w,
                          double textSize, bool showText, const EAN13Metrics &metrics);

// Draws the symbol of text on a painter in twips into the box (x, y, w, h) in millimetres,
// the digits in "宋体" at textSize points.
void DrawEAN13(QPainter &painter, const QString &text, double x, double y, double h, double w,
               double textSize, bool showText);

} // namespace values
