#include "barcode.h"

#include "store/core/units.h"

#include <QPaintDevice>
#include <QPainter>
#include <cmath>

namespace values {

void SetTwipScale(QPainter &painter, const QPaintDevice &device)
{
    painter.scale(device.logicalDpiX() / store::kTwipsPerInch,
                  device.logicalDpiY() / store::kTwipsPerInch);
}

QFont TwipFont(const QString &family, double pointSize)
{
    QFont f(family);
    f.setPixelSize(std::max(1, int(std::lround(pointSize * 20))));
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

void DrawBarcodeTexts(QPainter &painter, const QList<BarcodeText> &texts)
{
    constexpr double kBig = 1e6;
    for (const BarcodeText &t : texts)
        painter.drawText(QRectF(t.topLeft, QSizeF(kBig, kBig)),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, t.text);
}

void PaintBarcode(QPainter &painter, const BarcodeLayout &layout, const QFont &font,
                  const BarcodeTextPainter &drawTexts)
{
    painter.save();
    if (!layout.clip.isEmpty())
        painter.setClipRect(layout.clip, Qt::IntersectClip);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QColor colour = painter.pen().color();
    const QColor bars = layout.barColour.isValid() ? layout.barColour : colour;
    // All bars in one call: a PDF gets one filled path instead of a fill per bar.
    painter.setPen(Qt::NoPen);
    painter.setBrush(bars);
    painter.drawRects(layout.bars.constData(), int(layout.bars.size()));
    if (!layout.texts.isEmpty()) {
        painter.setFont(font);
        painter.setPen(colour);
        if (drawTexts)
            drawTexts(painter, layout.texts);
        else
            DrawBarcodeTexts(painter, layout.texts);
    }
    painter.restore();
}

} // namespace values
