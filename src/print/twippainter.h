#pragma once
// The print surface over a QPainter that is active on a device: twips are turned into device
// units here and nowhere else, and text is measured with the device's own font metrics.

#include "print/printsurface.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QList>
#include <QPointF>
#include <QRawFont>
#include <QSizeF>
#include <optional>

class QPainter;
class QPaintDevice;

namespace values {
struct BarcodeText;
}

namespace print {

class WideGlyphs;

class TwipPainter : public PrintSurface
{
public:
    // paperTw: the paper in its current orientation, in twips; the painter's origin is the
    // printable page's top-left corner.
    TwipPainter(QPainter &painter, QPaintDevice &device, QSizeF paperTw);

    double TextWidth(const QString &text) override;
    double TextHeight(const QString &text) override;
    void PrintAt(double x, double y, const QString &text) override;
    // The characters of a line as glyphs at their own places, one run per font: exactly where
    // PrintAt would put each of them, without laying out every character again.
    void PrintChars(const QStringList &chars, const QList<double> &xs, double y) override;

    void SetFont(const FontSpec &font) override;
    FontSpec Font() const override { return m_spec; }
    void SetColor(const QColor &color) override;
    void Line(double x1, double y1, double x2, double y2, int widthPx, int style,
              const QColor &color) override;
    void Picture(const QRectF &rect, const QImage &image) override;
    double Code39BarWidth(const QString &text, double widthTw) override;
    void Code39(const QString &text, double xMm, double yMm, double hMm, double narrowTw,
                double textSize, const QString &fontName) override;
    void Ean13(const QString &text, double xMm, double yMm, double hMm, double wMm,
               double textSize) override;
    double PaperWidth() const override { return m_paper.width(); }
    double PaperHeight() const override { return m_paper.height(); }

    double DevX(double tw) const { return tw * m_dpiX / 1440.0; }
    double DevY(double tw) const { return tw * m_dpiY / 1440.0; }

    // True once a barcode held a character it could not draw.
    bool InvalidBarcode() const { return m_invalidBarcode; }

    // The font these settings stand for, at its point size on the device it is used on.
    static QFont MakeFont(const FontSpec &spec);

    // What was measured and shaped before, by font: the pages of one document measure and draw
    // the same characters in the same fonts over and over.
    struct FontKey
    {
        FontSpec font;
        double dpi = 0;
        bool operator==(const FontKey &) const = default;
    };
    friend size_t qHash(const FontKey &k, size_t seed)
    {
        return qHashMulti(seed, k.font.name, k.font.size, k.font.bold, k.font.italic,
                          k.font.underline, k.font.strikeOut, k.dpi);
    }
    // One glyph of a character: its font (an index into the fonts of its entry), its index in
    // that font, and where it sits from the character's origin on the baseline, device pixels.
    struct PlacedGlyph
    {
        int font = 0;
        quint32 index = 0;
        QPointF at;
    };
    struct FontTexts
    {
        QHash<QString, double> widths;             // twips
        QHash<QString, QList<PlacedGlyph>> glyphs; // by character
        QHash<QString, QPointF> baselines;         // the laid out character's baseline origin
        QList<QRawFont> fonts;
    };
    using TextCache = QHash<FontKey, FontTexts>;
    // Measures and shapes through the cache (not owned; it must stay for the device it was
    // filled on). Without one the surface keeps its own.
    void UseTextCache(TextCache *cache);
    // Notes the glyphs of the characters beyond the Basic Multilingual Plane in record as they
    // are drawn (not owned; none by default).
    void NoteWideGlyphs(WideGlyphs *record) { m_wide = record; }

private:
    const QFontMetricsF &Metrics();
    FontTexts &Texts();
    // The character laid out alone in font on device (once per entry of the cache): its glyphs
    // from its baseline's origin.
    static const QList<PlacedGlyph> &LayOut(FontTexts &texts, const QString &c, const QFont &font,
                                            QPaintDevice *device, Qt::LayoutDirection direction);
    // Notes the glyphs c is drawn with, when it lies beyond the plane and a record is kept.
    void NoteWide(FontTexts &texts, const QString &c);
    // A barcode's human-readable line as glyph runs where drawText would put each character,
    // in the twip-scaled painter of the barcode.
    void BarcodeTexts(QPainter &painter, const QList<values::BarcodeText> &texts,
                      const FontKey &key);

    QPainter &m_painter;
    QPaintDevice &m_device;
    QSizeF m_paper;
    double m_dpiX, m_dpiY;
    FontSpec m_spec;
    QFont m_font;
    std::optional<QFontMetricsF> m_metrics;
    TextCache m_ownCache;
    TextCache *m_cache = &m_ownCache;
    FontTexts *m_texts = nullptr; // the current font's entry of m_cache
    QColor m_color = Qt::black;
    bool m_invalidBarcode = false;
    WideGlyphs *m_wide = nullptr;
};

} // namespace print
