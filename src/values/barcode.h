#pragma once
// What the barcode encoders produce and how it reaches a paint device: bars and texts in twips,
// painted through QPainter whose coordinates are twips.

#include <QColor>
#include <QFont>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <functional>

class QPainter;
class QPaintDevice;

namespace values {

struct BarcodeText
{
    QPointF topLeft; // the top of the text cell, twips
    QString text;
};

struct BarcodeLayout
{
    QList<QRectF> bars; // dark rectangles, twips
    QList<BarcodeText> texts;
    QRectF clip;      // drawing stays inside when not empty
    QColor barColour; // the painter's pen colour when not valid
};

// Scales a painter on `device` so that one unit is one twip.
void SetTwipScale(QPainter &painter, const QPaintDevice &device);

// A font of `pointSize` points for a painter in twips (20 twips to the point).
QFont TwipFont(const QString &family, double pointSize);

// Draws the texts of a barcode with the painter's font and pen already set.
using BarcodeTextPainter = std::function<void(QPainter &, const QList<BarcodeText> &)>;

// Each text with its top at its position, one drawText call each.
void DrawBarcodeTexts(QPainter &painter, const QList<BarcodeText> &texts);

// Paints the bars in their colour (or the painter's pen colour), solid and not smoothed, and each
// text with its top at its position (through drawTexts when given, else DrawBarcodeTexts); the
// painter's state is left as it was.
void PaintBarcode(QPainter &painter, const BarcodeLayout &layout, const QFont &font,
                  const BarcodeTextPainter &drawTexts = {});

} // namespace values
