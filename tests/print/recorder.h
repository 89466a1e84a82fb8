#pragma once
// A print surface with fixed metrics that records what is drawn: every character 100 twips wide
// ("钟" and every other text 200 twips high), text widths proportional to the font size for the
// font fitting (10 twips per point per character), screen widths 1 pixel per point per character.

#include "print/printsurface.h"

#include <QList>
#include <cmath>
#include <QString>

namespace printtest {

struct Text
{
    double x, y;
    QString text;
    print::FontSpec font;
    QColor color;
};

struct LineRec
{
    double x1, y1, x2, y2;
    int width, style;
    QColor color;
};

struct PictureRec
{
    QRectF rect;
    QSize imageSize;
};

struct BarcodeRec
{
    bool code39;
    QString text;
    double xMm, yMm, hMm, wMm, narrow, textSize;
    QString fontName;
};

class Recorder : public print::PrintSurface
{
public:
    // With fitMetrics the text width follows the font size (for the font fitting); otherwise it is
    // a fixed 100 twips per character.
    explicit Recorder(double paperWmm = 210, double paperHmm = 297, bool fitMetrics = false);

    double TextWidth(const QString &text) override;
    double TextHeight(const QString &) override { return 200; }
    void PrintAt(double x, double y, const QString &text) override;
    void SetFont(const print::FontSpec &font) override { m_font = font; }
    print::FontSpec Font() const override { return m_font; }
    void SetColor(const QColor &c) override { m_color = c; }
    void Line(double x1, double y1, double x2, double y2, int w, int style,
              const QColor &c) override
    {
        lines.append({x1, y1, x2, y2, w, style, c});
    }
    void Picture(const QRectF &r, const QImage &img) override { pictures.append({r, img.size()}); }
    double Code39BarWidth(const QString &text, double widthTw) override
    {
        return text.isEmpty() ? 0 : std::floor(widthTw / (18.0 * (text.size() + 2)));
    }
    void Code39(const QString &text, double x, double y, double h, double narrow, double size,
                const QString &font) override
    {
        barcodes.append({true, text, x, y, h, 0, narrow, size, font});
    }
    void Ean13(const QString &text, double x, double y, double h, double w, double size) override
    {
        barcodes.append({false, text, x, y, h, w, 0, size, QString()});
    }
    double PaperWidth() const override { return m_paperW; }
    double PaperHeight() const override { return m_paperH; }
    double ScreenTextWidthPx(const QString &text, const print::FontSpec &font, double) override
    {
        return text.size() * font.size;
    }

    // The printed characters joined, in drawing order (blanks included).
    QString Joined() const;

    QList<Text> texts;
    QList<LineRec> lines;
    QList<PictureRec> pictures;
    QList<BarcodeRec> barcodes;

private:
    double m_paperW, m_paperH;
    bool m_fit;
    print::FontSpec m_font;
    QColor m_color = Qt::black;
};

} // namespace printtest
