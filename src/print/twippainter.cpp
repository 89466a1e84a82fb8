#include "print/twippainter.h"

#include "print/wideglyphs.h"

#include "store/core/units.h"
#include "values/barcode.h"
#include "values/code39.h"
#include "values/ean13.h"

#include <QGlyphRun>
#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPen>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

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
    m_texts = nullptr;
}

void TwipPainter::UseTextCache(TextCache *cache)
{
    m_cache = cache ? cache : &m_ownCache;
    m_texts = nullptr;
}

const QFontMetricsF &TwipPainter::Metrics()
{
    if (!m_metrics)
        m_metrics.emplace(m_font, &m_device);
    return *m_metrics;
}

TwipPainter::FontTexts &TwipPainter::Texts()
{
    if (!m_texts)
        m_texts = &(*m_cache)[FontKey{m_spec, m_dpiX}];
    return *m_texts;
}

double TwipPainter::TextWidth(const QString &text)
{
    QHash<QString, double> &widths = Texts().widths;
    auto it = widths.constFind(text);
    if (it == widths.constEnd())
        it = widths.insert(text, store::PixelToTwip(Metrics().horizontalAdvance(text), m_dpiX));
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
    if (m_wide) {
        for (qsizetype i = 0; i + 1 < text.size(); ++i) {
            if (text.at(i).isHighSurrogate() && text.at(i + 1).isLowSurrogate())
                NoteWide(Texts(), text.mid(i++, 2));
        }
    }
    m_painter.drawText(QPointF(DevX(x), DevY(y) + Metrics().ascent()), text);
}

void TwipPainter::NoteWide(FontTexts &texts, const QString &c)
{
    if (!m_wide || c.size() != 2 || !c.at(0).isHighSurrogate())
        return;
    // The character laid out alone takes the glyphs it takes within its text: an ideograph is
    // drawn the same wherever it stands.
    const QList<PlacedGlyph> &placed =
        LayOut(texts, c, m_font, &m_device, m_painter.layoutDirection());
    for (qsizetype i = 0; i < placed.size();) {
        QList<quint32> glyphs;
        const int font = placed.at(i).font;
        for (; i < placed.size() && placed.at(i).font == font; ++i)
            glyphs.append(placed.at(i).index);
        m_wide->Note(texts.fonts.at(font), glyphs, c);
    }
}

namespace {

// A coordinate as the painter's text drawing takes it: cut to 1/64 of a pixel towards zero.
double TextGrid(double v)
{
    return double(int(v * 64.0)) / 64.0;
}

} // namespace

namespace {

// Glyphs gathered into one drawGlyphRun call for as long as they share their font.
class RunBatch
{
public:
    RunBatch(QPainter &painter, const QList<QRawFont> &fonts) : m_painter(painter), m_fonts(fonts)
    {
    }
    ~RunBatch() { Flush(); }
    void Add(const TwipPainter::PlacedGlyph &g, const QPointF &at)
    {
        if (g.font != m_font) {
            Flush();
            m_font = g.font;
        }
        m_indexes.append(g.index);
        m_positions.append(at);
    }
    void Flush()
    {
        if (m_indexes.isEmpty())
            return;
        QGlyphRun run;
        run.setRawFont(m_fonts.at(m_font));
        run.setGlyphIndexes(m_indexes);
        run.setPositions(m_positions);
        m_painter.drawGlyphRun(QPointF(0, 0), run);
        m_indexes.clear();
        m_positions.clear();
    }

private:
    QPainter &m_painter;
    const QList<QRawFont> &m_fonts;
    QList<quint32> m_indexes;
    QList<QPointF> m_positions;
    int m_font = -1;
};

} // namespace

const QList<TwipPainter::PlacedGlyph> &TwipPainter::LayOut(FontTexts &texts, const QString &c,
                                                           const QFont &font, QPaintDevice *device,
                                                           Qt::LayoutDirection direction)
{
    auto it = texts.glyphs.constFind(c);
    if (it != texts.glyphs.constEnd())
        return *it;
    // The character laid out alone, as drawText lays it out, in the font for this device.
    QTextLayout layout(c, font, device);
    QTextOption option;
    option.setTextDirection(direction);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(1e6);
    layout.endLayout();
    const QPointF baseline(line.x(), line.y() + line.ascent());
    QList<PlacedGlyph> placed;
    for (const QGlyphRun &run : line.glyphRuns()) {
        qsizetype f = texts.fonts.indexOf(run.rawFont());
        if (f < 0) {
            f = texts.fonts.size();
            texts.fonts.append(run.rawFont());
        }
        const QList<quint32> indexes = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        for (qsizetype i = 0; i < indexes.size() && i < positions.size(); ++i)
            placed.append({int(f), indexes.at(i), positions.at(i) - baseline});
    }
    texts.baselines.insert(c, baseline);
    return *texts.glyphs.insert(c, placed);
}

void TwipPainter::PrintChars(const QStringList &chars, const QList<double> &xs, double y)
{
    // Underline and strike-out are drawn under each character on its own, gaps included.
    if (m_spec.underline || m_spec.strikeOut) {
        PrintSurface::PrintChars(chars, xs, y);
        return;
    }
    FontTexts &texts = Texts();
    // Each glyph where drawText puts it: the character's origin on the 1/64 pixel grid plus the
    // glyph's place in its laid out character, both exact in binary, so the sums are too.
    const double baseline = TextGrid(DevY(y) + Metrics().ascent());
    m_painter.setPen(m_color);
    RunBatch runs(m_painter, texts.fonts);
    for (qsizetype i = 0; i < chars.size(); ++i) {
        const double origin = TextGrid(DevX(xs.at(i)));
        if (m_wide && chars.at(i).size() == 2)
            NoteWide(texts, chars.at(i));
        for (const PlacedGlyph &g :
             LayOut(texts, chars.at(i), m_font, &m_device, m_painter.layoutDirection()))
            runs.Add(g, QPointF(origin + g.at.x(), baseline + g.at.y()));
    }
}

void TwipPainter::BarcodeTexts(QPainter &painter, const QList<values::BarcodeText> &texts,
                               const FontKey &key)
{
    // Each character's glyph goes where drawText(rect, AlignLeft | AlignTop, c) puts it: the
    // cell's top-left corner cut to Qt's 1/64 grid in twips, plus the baseline's place in the
    // character laid out alone (a multiple of 1/64 too), mapped by the painter as drawText maps
    // it. That holds for a character of one glyph at its own origin under a painter that only
    // scales and moves; anything else is drawn as before. So is text an image gets too big for
    // the glyph cache (64 pixels): that is filled as outlines, from positions mapped back.
    const QTransform &m = painter.worldTransform();
    const double pixels = double(painter.font().pixelSize());
    const bool outlines = painter.paintEngine() &&
                          painter.paintEngine()->type() == QPaintEngine::Raster &&
                          pixels * pixels * std::abs(m.determinant()) >= 64.0 * 64.0;
    if (painter.viewTransformEnabled() || m.type() > QTransform::TxScale || outlines) {
        values::DrawBarcodeTexts(painter, texts);
        return;
    }
    FontTexts &cache = (*m_cache)[key];
    RunBatch runs(painter, cache.fonts);
    for (const values::BarcodeText &t : texts) {
        const QList<PlacedGlyph> &glyphs =
            LayOut(cache, t.text, painter.font(), painter.device(), painter.layoutDirection());
        if (glyphs.size() != 1 || glyphs.constFirst().at != QPointF(0, 0)) {
            runs.Flush();
            values::DrawBarcodeTexts(painter, {t});
            continue;
        }
        const QPointF base = cache.baselines.value(t.text);
        runs.Add(glyphs.constFirst(),
                 QPointF(TextGrid(t.topLeft.x()) + base.x(), TextGrid(t.topLeft.y()) + base.y()));
    }
}

void TwipPainter::SetColor(const QColor &color)
{
    m_color = color;
}

void TwipPainter::Line(double x1, double y1, double x2, double y2, int widthPx, int style,
                       const QColor &color)
{
    static const Qt::PenStyle styles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine,
                                          Qt::DashDotDotLine};
    widthPx = std::max(widthPx, 1);
    // A printer pen wider than one pixel is always drawn solid, whatever its style.
    const Qt::PenStyle ps = (widthPx > 1 || style < 0 || style > 4) ? Qt::SolidLine : styles[style];
    QPen pen(color, widthPx, ps, Qt::FlatCap);
    m_painter.setPen(pen);
    m_painter.drawLine(QPointF(DevX(x1), DevY(y1)), QPointF(DevX(x2), DevY(y2)));
}

void TwipPainter::Picture(const QRectF &rect, const QImage &image)
{
    if (image.isNull())
        return;
    m_painter.drawImage(
        QRectF(DevX(rect.x()), DevY(rect.y()), DevX(rect.width()), DevY(rect.height())), image);
}

double TwipPainter::Code39BarWidth(const QString &text, double widthTw)
{
    return values::GetCode39BarWidth(text, widthTw);
}

void TwipPainter::Code39(const QString &text, double xMm, double yMm, double hMm, double narrowTw,
                         double textSize, const QString &fontName)
{
    m_painter.save();
    m_painter.setPen(m_color);
    values::SetTwipScale(m_painter, m_device);
    // The line under the bars is shaped once per font and document, like the spaced texts (a
    // negative resolution marks a font laid out in twips).
    FontSpec spec;
    spec.name = fontName;
    spec.size = textSize;
    const FontKey key{spec, -m_dpiX};
    // A character that cannot be drawn leaves the bars before it; the document tells the user
    // once instead of stopping every slip of a batch.
    if (!values::DrawCode39(m_painter, text, xMm, yMm, hMm, narrowTw, textSize, true, fontName,
                            [&](QPainter &p, const QList<values::BarcodeText> &texts) {
                                BarcodeTexts(p, texts, key);
                            }))
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
