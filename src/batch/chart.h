#pragma once
// The line chart of a result grid: one series per scrollable column over the data rows, the
// month labels of the last fixed column along the bottom, the grid's tag as the title, a legend
// of the captions, and a second (red) axis on the right for series far larger or smaller than the
// first. Drawn in twips on a ChartCanvas: the chart widget's picture, an image, or a recording.

#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QWidget>

namespace store {
class FlexGridModel;
}

namespace batch {

// A font of the chart: a pixel height (the labels) or a point size (the title), bold or not.
struct ChartFont
{
    double pixelHeight = 0;
    double pointSize = 0;
    bool bold = false;
};

// Where the chart draws. Positions and sizes in twips; colours as 0x00BBGGRR.
class ChartCanvas
{
public:
    virtual ~ChartCanvas() = default;
    virtual double Width() const = 0;
    virtual double Height() const = 0;
    // Cls: all white.
    virtual void Clear() = 0;
    virtual void Line(QPointF a, QPointF b, quint32 color, Qt::PenStyle style) = 0;
    // A box filled with the colour (its outline in the same colour).
    virtual void Box(QRectF box, quint32 color) = 0;
    // A circle filled with fill, its outline (black) drawn in the style.
    virtual void Circle(QPointF centre, double radius, quint32 fill, Qt::PenStyle outline) = 0;
    // Text with its cell's top-left corner at p (before turning), turned by angle degrees
    // counter-clockwise (-90 reads downwards).
    virtual void Text(QPointF p, const QString &text, double angle, const ChartFont &font,
                      quint32 color) = 0;
    virtual double TextWidth(const QString &text, const ChartFont &font) const = 0;
    virtual double TextHeight(const ChartFont &font) const = 0;
};

// A canvas on an image; tpp twips to the pixel (15 at 96 dots per inch).
class ImageCanvas : public ChartCanvas
{
public:
    explicit ImageCanvas(QImage &image, int tpp = 15) : m_image(image), m_tpp(tpp) {}
    double Width() const override { return m_image.width() * double(m_tpp); }
    double Height() const override { return m_image.height() * double(m_tpp); }
    void Clear() override;
    void Line(QPointF a, QPointF b, quint32 color, Qt::PenStyle style) override;
    void Box(QRectF box, quint32 color) override;
    void Circle(QPointF centre, double radius, quint32 fill, Qt::PenStyle outline) override;
    void Text(QPointF p, const QString &text, double angle, const ChartFont &font,
              quint32 color) override;
    double TextWidth(const QString &text, const ChartFont &font) const override;
    double TextHeight(const ChartFont &font) const override;

private:
    QPointF Px(QPointF twips) const { return twips / double(m_tpp); }
    QFont Font(const ChartFont &f) const;
    QImage &m_image;
    int m_tpp;
};

// The chart picture Pic: keeps its drawing in a white image of its size, which it shows and
// which a capture of the widget saves.
class ChartPicture : public QWidget
{
    Q_OBJECT
public:
    explicit ChartPicture(QWidget *parent = nullptr);
    QImage &Image() { return m_image; }
    // The canvas over the picture's image (valid until the next resize).
    ImageCanvas Canvas();
    void Cls();

signals:
    // A right press on the picture, at its global position; the press goes no further.
    void rightPressed(QPoint global);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QImage m_image;
};

// The chart of the grid's rows firstRow..lastRow (-1: all data rows); split lets a series move
// to the right axis.
void DrawGridChart(ChartCanvas &pic, const store::FlexGridModel &grid, int firstRow = -1,
                   int lastRow = -1, bool split = true);

// The parts, in twips: the left axis with its title, grid lines and labels (returns the left
// scale), the right axis of the split series (returns its scale, 0 without one), the series, the
// legend.
double DrawChartAxes(ChartCanvas &pic, const store::FlexGridModel &grid, double maximum,
                     double left, double top, double rightMargin, double bottomMargin, int firstRow,
                     int lastRow, bool negative);
double DrawChartRightAxis(ChartCanvas &pic, const store::FlexGridModel &grid, double top,
                          double rightMargin, double bottomMargin, int firstRow, int lastRow,
                          int splitCol);
void DrawChartSeries(ChartCanvas &pic, const store::FlexGridModel &grid, double leftScale,
                     double rightScale, double left, double top, double rightMargin,
                     double bottomMargin, int firstRow, int lastRow, bool negative, int splitCol);
void DrawChartLegend(ChartCanvas &pic, const store::FlexGridModel &grid, double legendWidth);
// Magenta for 0 to green for count; 0x00BBGGRR.
quint32 ChartSeriesColor(int index, int count);
// The title lines (CR LF between them): the first 18 points bold black, the others 10 points red,
// each centred.
void ChartTitle(ChartCanvas &pic, const QString &text, double top);
// Text of the given pixel height at (x, y) twips, turned by angle degrees; unless noAlign it ends
// at x.
void PrintAngleText(ChartCanvas &pic, double x, double y, const QString &text, double angle,
                    bool noAlign, double height, int weight, quint32 color = 0);

} // namespace batch
