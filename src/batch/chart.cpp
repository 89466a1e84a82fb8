#include "batch/chart.h"

#include "store/model/gridbind.h"
#include "store/view/gridcolor.h"
#include "store/model/gridmodel.h"
#include "store/core/vb.h"
#include "values/fonts.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace batch {

namespace {

constexpr quint32 kBlack = 0;
constexpr quint32 kRed = 255;
constexpr quint32 kBlue = 0xFF0000;
constexpr quint32 kLightGrey = 0xD0D0D0;
constexpr quint32 kGrey = 0xA0A0A0;

// The chart's value of a cell: its leading number.
double CellValue(const store::FlexGridModel &grid, int row, int col)
{
    return store::Val(grid.TextMatrix(row, col));
}

// The picture's own font for the one-line height of the value labels.
const ChartFont kPictureFont{0, 10, false};

} // namespace

// ---------------------------------------------------------------------------------------------
// Canvas on an image

QFont ImageCanvas::Font(const ChartFont &f) const
{
    values::registerFontSubstitutes();
    QFont font(QStringLiteral("宋体"));
    if (f.pixelHeight > 0)
        font.setPixelSize(std::max(1, int(std::lround(f.pixelHeight))));
    else
        font.setPointSizeF(f.pointSize > 0 ? f.pointSize : 10);
    font.setBold(f.bold);
    return font;
}

void ImageCanvas::Clear()
{
    m_image.fill(Qt::white);
}

void ImageCanvas::Line(QPointF a, QPointF b, quint32 color, Qt::PenStyle style)
{
    QPainter p(&m_image);
    p.setPen(QPen(store::VbToQColor(color), 1, style));
    p.drawLine(Px(a), Px(b));
}

void ImageCanvas::Box(QRectF box, quint32 color)
{
    QPainter p(&m_image);
    p.setPen(store::VbToQColor(color));
    p.setBrush(store::VbToQColor(color));
    p.drawRect(QRectF(Px(box.topLeft()), Px(box.bottomRight())).normalized());
}

void ImageCanvas::Circle(QPointF centre, double radius, quint32 fill, Qt::PenStyle outline)
{
    QPainter p(&m_image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1, outline));
    p.setBrush(store::VbToQColor(fill));
    const double r = radius / m_tpp;
    p.drawEllipse(Px(centre), r, r);
}

void ImageCanvas::Text(QPointF pt, const QString &text, double angle, const ChartFont &font,
                       quint32 color)
{
    QPainter p(&m_image);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QFont f = Font(font);
    p.setFont(f);
    p.setPen(store::VbToQColor(color));
    p.translate(Px(pt));
    // The angle turns counter-clockwise, as the screen's text functions took it.
    p.rotate(-angle);
    p.drawText(QPointF(0, QFontMetricsF(f, &m_image).ascent()), text);
}

double ImageCanvas::TextWidth(const QString &text, const ChartFont &font) const
{
    return QFontMetricsF(Font(font), &m_image).horizontalAdvance(text) * m_tpp;
}

double ImageCanvas::TextHeight(const ChartFont &font) const
{
    return QFontMetricsF(Font(font), &m_image).height() * m_tpp;
}

// ---------------------------------------------------------------------------------------------
// The chart widget

ChartPicture::ChartPicture(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Pic"));
    m_image = QImage(QSize(1, 1), QImage::Format_ARGB32);
    m_image.fill(Qt::white);
}

ImageCanvas ChartPicture::Canvas()
{
    return ImageCanvas(m_image, 15);
}

void ChartPicture::Cls()
{
    m_image.fill(Qt::white);
    update();
}

void ChartPicture::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.drawImage(0, 0, m_image);
}

void ChartPicture::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::RightButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    emit rightPressed(event->globalPosition().toPoint());
}

void ChartPicture::resizeEvent(QResizeEvent *)
{
    // The drawing stays where it was; new room is white.
    QImage bigger(size().expandedTo(QSize(1, 1)), QImage::Format_ARGB32);
    bigger.fill(Qt::white);
    QPainter p(&bigger);
    p.drawImage(0, 0, m_image);
    p.end();
    m_image = bigger;
}

// ---------------------------------------------------------------------------------------------
// The chart

quint32 ChartSeriesColor(int index, int count)
{
    count = std::max(count, index);
    if (count <= 0)
        return 0xFF00FF; // magenta
    const int g = std::clamp(int(qint64(index) * 255 / count), 0, 255);
    return quint32(255 - g) | quint32(g) << 8 | quint32(255 - g) << 16;
}

void PrintAngleText(ChartCanvas &pic, double x, double y, const QString &text, double angle,
                    bool noAlign, double height, int weight, quint32 color)
{
    const ChartFont font{height, 0, weight >= 600};
    // Measured in the font it is drawn in.
    if (!noAlign)
        x -= pic.TextWidth(text, font);
    pic.Text(QPointF(x, y), text, angle, font, color);
}

void ChartTitle(ChartCanvas &pic, const QString &text, double top)
{
    if (text.isEmpty())
        return;
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    const ChartFont first{0, 18, true};
    const ChartFont other{0, 10, false};
    double y = std::round((top - pic.TextHeight(first)) / 5);
    for (int i = 0; i < lines.size(); ++i) {
        const ChartFont &f = i == 0 ? first : other;
        const double x = std::round((pic.Width() - pic.TextWidth(lines[i], f)) / 2);
        pic.Text(QPointF(x, y), lines[i], 0, f, i == 0 ? kBlack : kRed);
        y += pic.TextHeight(f) + 90;
    }
}

double DrawChartAxes(ChartCanvas &pic, const store::FlexGridModel &grid, double maximum,
                     double left, double top, double rightMargin, double bottomMargin, int firstRow,
                     int lastRow, bool negative)
{
    // Without a value above 0 the axes still show, with the smallest unit.
    maximum = std::max(maximum, 0.0);
    const double right = pic.Width() - rightMargin;
    const double bottom = pic.Height() - bottomMargin;
    ChartTitle(pic, grid.Tag(), top);
    pic.Line(QPointF(left, bottom), QPointF(right, bottom), kBlack, Qt::SolidLine);
    pic.Line(QPointF(left, top), QPointF(left, bottom), kBlack, Qt::SolidLine);

    const double step = lastRow > firstRow ? (right - left) / (lastRow - firstRow) : right - left;
    const bool dotted = step > 0;
    if (dotted) {
        const int labelCol = grid.FixedCols() - 1;
        for (int i = firstRow; i <= lastRow; ++i) {
            const double x = (i - firstRow) * step + left;
            if (i > 0 && i < grid.Rows() - 1)
                pic.Line(QPointF(x, top), QPointF(x, bottom), kLightGrey, Qt::DotLine);
            PrintAngleText(pic, x + 180, bottom + 20, grid.TextMatrix(i, labelCol), -90, true, 12,
                           0, kBlue);
        }
    }

    double unit;
    if (maximum >= 2)
        unit = store::Int((maximum + 9) / 10);
    else
        // Up to a data maximum of 1 the scale of 1 holds it; above, 2 does.
        unit = maximum / 1.1 <= 1 ? 0.1 : 0.2;
    if (unit == 0)
        unit = 0.1;
    const int n = negative ? 20 : 10;
    const double vstep = (bottom - top) / n;
    for (int k = 1; k <= n; ++k) {
        const double y = bottom - k * vstep;
        pic.Line(QPointF(left + 20, y), QPointF(right, y), kGrey,
                 dotted ? Qt::DotLine : Qt::SolidLine);
        const double label = n == 20 ? (k - 10) * unit : k * unit;
        PrintAngleText(pic, left - 20, y, store::CStr(label), 0, false, 12, 0, kBlue);
    }
    return unit * 10;
}

double DrawChartRightAxis(ChartCanvas &pic, const store::FlexGridModel &grid, double top,
                          double rightMargin, double bottomMargin, int firstRow, int lastRow,
                          int splitCol)
{
    if (splitCol <= 0 || splitCol >= grid.Cols())
        return 0;
    double min = 0;
    double v = store::GetRangeMaxMin(grid, splitCol, grid.Cols() - 1, firstRow, lastRow, min);
    if (!(v > 0))
        return 0;
    v *= 1.1;
    const double right = pic.Width() - rightMargin;
    const double bottom = pic.Height() - bottomMargin;
    pic.Line(QPointF(right, top), QPointF(right, bottom), kBlack, Qt::DotLine);
    const double unit = store::Int((v + 9) / 10);
    const double step = (bottom - top) / 10;
    for (int i = 1; i <= 10; ++i) {
        const double y = bottom - i * step;
        pic.Line(QPointF(right, y), QPointF(right + 90, y), kRed, Qt::DotLine);
        PrintAngleText(pic, right + 20, y, store::CStr(i * unit), 0, true, 12, 0, kRed);
    }
    return unit * 10;
}

void DrawChartSeries(ChartCanvas &pic, const store::FlexGridModel &grid, double leftScale,
                     double rightScale, double left, double top, double rightMargin,
                     double bottomMargin, int firstRow, int lastRow, bool negative, int splitCol)
{
    if (grid.FixedRows() >= grid.Rows())
        return;
    if (splitCol == 0)
        splitCol = 55555;
    const double plotW = pic.Width() - left - rightMargin;
    const double plotH = pic.Height() - top - bottomMargin;
    const double bottom = pic.Height() - bottomMargin;
    const double step = lastRow > firstRow ? plotW / (lastRow - firstRow) : plotW;
    if (negative) {
        // The axes span -10 to +10 units: both scales doubled.
        leftScale *= 2;
        rightScale *= 2;
    }
    auto yOf = [&](int col, double v) {
        double scale = col >= splitCol ? rightScale : leftScale;
        if (scale == 0)
            scale = 1;
        return plotH - plotH * v / scale + top - (negative ? plotH / 2 : 0);
    };
    const int count = grid.Cols() - 1;
    for (int c = grid.FixedCols(); c < grid.Cols(); ++c) {
        const quint32 color = ChartSeriesColor(c, count);
        QPointF prev(left, yOf(c, CellValue(grid, firstRow, c)));
        double x = left;
        for (int r = firstRow + 1; r <= lastRow; ++r) {
            x += step;
            const QPointF p(x, yOf(c, CellValue(grid, r, c)));
            if (!(prev.y() >= bottom - 10 && p.y() >= bottom - 10))
                pic.Line(prev, p, color, Qt::SolidLine);
            prev = p;
        }
    }
    const double lineHeight = pic.TextHeight(kPictureFont);
    for (int c = grid.FixedCols(); c < grid.Cols(); ++c) {
        double x = left;
        for (int r = firstRow; r <= lastRow; ++r, x += step) {
            const double y = yOf(c, CellValue(grid, r, c));
            if (y < bottom - 10)
                pic.Circle(QPointF(x, y), 20, kRed, Qt::DashLine);
            // The first point's label starts at it, clear of the vertical axis.
            PrintAngleText(pic, x, y - lineHeight, grid.TextMatrix(r, c), 0, r == firstRow, 11, 0,
                           kBlack);
        }
    }
}

void DrawChartLegend(ChartCanvas &pic, const store::FlexGridModel &grid, double legendWidth)
{
    const int series = grid.Cols() - grid.FixedCols();
    if (series <= 0)
        return;
    const double item = std::min(600.0, std::round(pic.Height() / (series + 1)));
    const double off = std::round((item - 200) / 2);
    const double x1 = pic.Width() - legendWidth + 200;
    const double x2 = pic.Width() - 300;
    double y = std::max(0.0, (pic.Height() - grid.Cols() * item) / 2);
    const int captionRow = grid.FixedRows() - 1;
    for (int c = grid.FixedCols(); c < grid.Cols(); ++c) {
        pic.Box(QRectF(QPointF(x1, y + off + 200), QPointF(x2, y + item)),
                ChartSeriesColor(c, grid.Cols() - 1));
        PrintAngleText(pic, x1, y + off, grid.TextMatrix(captionRow, c), 0, true, 13, 0, kBlack);
        y += item;
    }
}

void DrawGridChart(ChartCanvas &pic, const store::FlexGridModel &grid, int firstRow, int lastRow,
                   bool split)
{
    pic.Clear();
    if (grid.Rows() < 2 || grid.Cols() < 2)
        return;
    if (firstRow == -1)
        firstRow = grid.FixedRows();
    if (lastRow == -1 || lastRow > grid.Rows() - 1)
        lastRow = grid.Rows() - 1;
    double maximum = 0;
    double minimum = 99999999999.0;
    int splitCol = 0;
    // With a negative value the series are placed about the middle; a second scale would not
    // follow them, so nothing moves to the right.
    double anyMin = 0;
    store::GetRangeMaxMin(grid, grid.FixedCols(), grid.Cols() - 1, firstRow, lastRow, anyMin);
    if (anyMin < 0)
        split = false;
    for (int c = grid.FixedCols(); c < grid.Cols(); ++c) {
        double min = 0;
        const double v = store::GetRangeMaxMin(grid, c, c, firstRow, lastRow, min);
        if (c != grid.FixedCols() && split && maximum > 0 &&
            (v / maximum > 10 || v / maximum < 0.1)) {
            splitCol = c;
            break;
        }
        maximum = std::max(maximum, v);
        minimum = std::min(minimum, min);
    }
    maximum *= 1.1;
    const bool negative = minimum < 0;
    const double leftScale =
        DrawChartAxes(pic, grid, maximum, 1200, 1200, 1800, 1600, firstRow, lastRow, negative);
    const double rightScale =
        DrawChartRightAxis(pic, grid, 1200, 1800, 1600, firstRow, lastRow, splitCol);
    DrawChartSeries(pic, grid, leftScale, rightScale, 1200, 1200, 1800, 1600, firstRow, lastRow,
                    negative, splitCol);
    DrawChartLegend(pic, grid, 1500);
}

} // namespace batch
