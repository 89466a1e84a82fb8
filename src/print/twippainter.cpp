#include "print/twippainter.h"

#include "store/units.h"
#include "values/barcode.h"
#include "values/code39.h"
#include "values/ean13.h"

#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>
#include <algorithm>

namespace print {

double PrintSurface::ScreenTextWidthPx(const QString &text, const FontSpec &font, double dpi)
{
    // A one-pixel image at the screen's resolution stands for the screen: the width comes out the
    // same as on a label there, with or without a window system.
    QImage screen(1, 1, QImage::Format_RGB32);
    const int dpm = int(std::lround(dpi / 0.0254));
    screen.setDotsPerMeterX(dpm);
    screen.setDotsPerMeterY(dpm);
    return QFontMetricsF(TwipPainter::MakeFont(font), &screen).horizontalAdvance(text);
}

TwipPainter::TwipPainter(QPainter &painter, QPaintDevice &device, QSizeF paperTw)
    : m_painter(painter), m_device(device), m_paper(paperTw), m_dpiX(device.logicalDpiX()),
      m_dpiY(device.logicalDpiY())
{
    SetFont(m_spec);
}

QFont TwipPainter::MakeFont(const FontSpec &spec)
{
    QFont f(spec.name);
    f.setPointSizeF(std::max(spec.size, 1.0));
    f.setBold(spec.bold);
    f.setItalic(spec.italic);
    f.setUnderline(spec.underline);
    f.setStrikeOut(spec.strikeOut);
    return f;
}

void TwipPainter::SetFont(const FontSpec &font)
{
    if (m_metrics && font == m_spec)
        return;
    m_spec = font;
    m_font = MakeFont(font);
    m_metrics.reset();
    m_widths = nullptr;
}

void TwipPainter::UseWidthCache(WidthCache *cache)
{
    m_widthCache = cache;
    m_widths = nullptr;
}

const QFontMetricsF &TwipPainter::Metrics()
{
    if (!m_metrics)
        m_metrics.emplace(m_font, &m_device);
    return *m_metrics;
}

double TwipPainter::TextWidth(const QString &text)
{
    if (!m_widthCache)
        return store::PixelToTwip(Metrics().horizontalAdvance(text), m_dpiX);
    if (!m_widths)
        m_widths = &(*m_widthCache)[WidthKey{m_spec, m_dpiX}];
    auto it = m_widths->constFind(text);
    if (it == m_widths->constEnd())
        it = m_widths->insert(text, store::PixelToTwip(Metrics().horizontalAdvance(text), m_dpiX));
    return *it;
}

double TwipPainter::TextHeight(const QString &text)
{
    Q_UNUSED(text);
    return store::PixelToTwip(Metrics().height(), m_dpiY);
}

void TwipPainter::PrintAt(double x, double y, const QString &text)
{
    m_painter.setFont(m_font);
    m_painter.setPen(m_color);
    m_painter.drawText(QPointF(DevX(x), DevY(y) + Metrics().ascent()), text);
}

void TwipPainter::SetColor(const QColor &color)
{
    m_color = color;
}

void TwipPainter::Line(double x1, double y1, double x2, double y2, int widthPx, int style,
                       const QColor &color)
{
    static const Qt::PenStyle styles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine,
                                          Qt::DashDotLine, Qt::DashDotDotLine};
    widthPx = std::max(widthPx, 1);
    // A printer pen wider than one pixel is always drawn solid, whatever its style.
    const Qt::PenStyle ps =
        (widthPx > 1 || style < 0 || style > 4) ? Qt::SolidLine : styles[style];
    QPen pen(color, widthPx, ps, Qt::FlatCap);
    m_painter.setPen(pen);
    m_painter.drawLine(QPointF(DevX(x1), DevY(y1)), QPointF(DevX(x2), DevY(y2)));
}

void TwipPainter::Picture(const QRectF &rect, const QImage &image)
{
    if (image.isNull())
        return;
    m_painter.drawImage(QRectF(DevX(rect.x()), DevY(rect.y()), DevX(rect.width()),
                               DevY(rect.height())),
                        image);
}

double TwipPainter::Code39BarWidth(const QString &text, double widthTw)
{
    return values::GetCode39BarWidth(text, widthTw);
}

void TwipPainter::Code39(const QString &text, double xMm, double yMm, double hMm,
                         double narrowTw, double textSize, const QString &fontName)
{
    m_painter.save();
    m_painter.setPen(m_color);
    values::SetTwipScale(m_painter, m_device);
    // A character that cannot be drawn leaves the bars before it; the document tells the user
    // once instead of stopping every slip of a batch.
    if (!values::DrawCode39(m_painter, text, xMm, yMm, hMm, narrowTw, textSize, true, fontName))
        m_invalidBarcode = true;
    m_painter.restore();
}

void TwipPainter::Ean13(const QString &text, double xMm, double yMm, double hMm, double wMm,
                        double textSize)
{
    m_painter.save();
    m_painter.setPen(m_color);
    values::SetTwipScale(m_painter, m_device);
    values::DrawEAN13(m_painter, text, xMm, yMm, hMm, wMm, textSize, true);
    m_painter.restore();
}

} // namespace print
