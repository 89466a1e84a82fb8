#pragma once
// What the page renderer draws on: the printer object's operations in twips from the printable
// page's top-left corner. TwipPainter puts them on any QPaintDevice; tests record them.

#include "print/textlayout.h"

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QString>

namespace print {

struct FontSpec
{
    QString name;
    double size = 10.5; // points
    bool bold = false, italic = false, underline = false, strikeOut = false;
    bool operator==(const FontSpec &) const = default;
};

class PrintSurface : public TextSurface
{
public:
    virtual void SetFont(const FontSpec &font) = 0;
    virtual FontSpec Font() const = 0;
    virtual void SetColor(const QColor &color) = 0;
    // A line in twips; width in device pixels, style 0 solid .. 4 dash-dot-dot.
    virtual void Line(double x1, double y1, double x2, double y2, int widthPx, int style,
                      const QColor &color) = 0;
    // The picture stretched over the rectangle (twips).
    virtual void Picture(const QRectF &rect, const QImage &image) = 0;
    // Barcodes at a top-left corner and height in mm; textSize 0 draws no human-readable text.
    virtual double Code39BarWidth(const QString &text, double widthTw) = 0;
    virtual void Code39(const QString &text, double xMm, double yMm, double hMm, double narrowTw,
                        double textSize, const QString &fontName) = 0;
    virtual void Ean13(const QString &text, double xMm, double yMm, double hMm, double wMm,
                       double textSize) = 0;
    // Width in pixels of the text on the screen page at that font (the measuring label).
    virtual double ScreenTextWidthPx(const QString &text, const FontSpec &font, double dpi);
};

} // namespace print
