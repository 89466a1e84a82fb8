// The chart through a recording canvas: geometry, colours and texts without pixels; one chart
// also into an image, to see ink where the lines are.

#include "batch/chart.h"

#include "store/view/grid.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using batch::ChartFont;

struct Item
{
    enum Kind { Line, Box, Circle, Text } kind;
    QPointF a, b;
    quint32 color = 0;
    Qt::PenStyle style = Qt::SolidLine;
    QString text;
    double angle = 0;
    ChartFont font;
};

// Records what is drawn; text is 100 twips per character and 200 twips high.
class RecordingCanvas : public batch::ChartCanvas
{
public:
    double Width() const override { return 12000; }
    double Height() const override { return 9000; }
    void Clear() override
    {
        items.clear();
        ++clears;
    }
    void Line(QPointF a, QPointF b, quint32 color, Qt::PenStyle style) override
    {
        items.push_back({Item::Line, a, b, color, style, {}, 0, {}});
    }
    void Box(QRectF box, quint32 color) override
    {
        items.push_back(
            {Item::Box, box.topLeft(), box.bottomRight(), color, Qt::SolidLine, {}, 0, {}});
    }
    void Circle(QPointF c, double r, quint32 fill, Qt::PenStyle outline) override
    {
        items.push_back({Item::Circle, c, QPointF(r, r), fill, outline, {}, 0, {}});
    }
    void Text(QPointF p, const QString &text, double angle, const ChartFont &font,
              quint32 color) override
    {
        items.push_back({Item::Text, p, {}, color, Qt::SolidLine, text, angle, font});
    }
    double TextWidth(const QString &text, const ChartFont &) const override
    {
        return 100.0 * text.size();
    }
    double TextHeight(const ChartFont &) const override { return 200; }

    std::vector<Item> of(Item::Kind k, quint32 color) const
    {
        std::vector<Item> out;
        std::copy_if(items.begin(), items.end(), std::back_inserter(out),
                     [&](const Item &i) { return i.kind == k && i.color == color; });
        return out;
    }
    QStringList texts(quint32 color, double angle = 0) const
    {
        QStringList out;
        for (const Item &i : of(Item::Text, color))
            if (i.angle == angle)
                out << i.text;
        return out;
    }
    std::vector<Item> items;
    int clears = 0;
};

constexpr quint32 kBlue = 0xFF0000, kRed = 255, kLightGrey = 0xD0D0D0, kGrey = 0xA0A0A0;

// A result grid as the statistics leave it: 2 fixed rows, 3 fixed columns (the month in
// column 2), one or more series.
void Fill(store::FlexGrid &g, const std::vector<std::vector<double>> &series, int months)
{
    g.SetRows(2 + months);
    g.SetCols(3 + int(series.size()));
    g.SetFixedRows(2);
    g.SetFixedCols(3);
    g.SetTag(QStringLiteral("标题\r\n第二行"));
    for (int r = 0; r < months; ++r)
        g.SetTextMatrix(2 + r, 2, QStringLiteral("2024-%1").arg(r + 1, 2, 10, QLatin1Char('0')));
    for (size_t s = 0; s < series.size(); ++s) {
        g.SetTextMatrix(1, 3 + int(s), QStringLiteral("系列%1").arg(s + 1));
        for (int r = 0; r < months; ++r)
            g.SetNumber(2 + r, 3 + int(s), series[s][size_t(r) % series[s].size()]);
    }
}

TEST(Chart, ScalesAndAxes)
{
    RecordingCanvas pic;
    store::FlexGrid g;

    // One row, or one column: nothing but the clearing.
    g.SetRows(1);
    g.SetCols(5);
    batch::DrawGridChart(pic, g.Model());
    EXPECT_TRUE(pic.items.empty());
    EXPECT_EQ(pic.clears, 1);

    auto leftLabels = [&] { return pic.texts(kBlue, 0); };
    Fill(g, {{0.9, 0.3}}, 3);
    batch::DrawGridChart(pic, g.Model());
    EXPECT_EQ(leftLabels(),
              (QStringList{"0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7", "0.8", "0.9", "1"}));
    // The title: the first line black, the other red.
    EXPECT_EQ(pic.texts(0).value(0), QStringLiteral("标题"));
    EXPECT_EQ(pic.texts(kRed).value(0), QStringLiteral("第二行"));

    Fill(g, {{55, 3}}, 3);
    batch::DrawGridChart(pic, g.Model());
    EXPECT_EQ(leftLabels().first(), "6");
    EXPECT_EQ(leftLabels().last(), "60");

    // Mended: 1.5 gets the unit 0.2, so its point lies inside the plot.
    Fill(g, {{1.5, 1}}, 3);
    batch::DrawGridChart(pic, g.Model());
    EXPECT_EQ(leftLabels().last(), "2");
    for (const Item &c : pic.of(Item::Circle, kRed))
        EXPECT_GE(c.a.y(), 1200) << "a point above the plot";

    // A negative value: 20 steps from -9 to 10 units.
    Fill(g, {{5, -3}}, 3);
    batch::DrawGridChart(pic, g.Model());
    ASSERT_EQ(leftLabels().size(), 20);
    EXPECT_EQ(leftLabels().first(), "-9");
    EXPECT_EQ(leftLabels().last(), "10");

    // Mended: all zeros still give the title and the axes.
    Fill(g, {{0}}, 3);
    batch::DrawGridChart(pic, g.Model());
    EXPECT_EQ(pic.texts(0).value(0), QStringLiteral("标题"));
    EXPECT_EQ(pic.of(Item::Line, 0).size(), 2u);
    EXPECT_EQ(leftLabels().last(), "1");
    // Points on the axis get no circle and no line between them.
    EXPECT_TRUE(pic.of(Item::Circle, kRed).empty());
}

TEST(Chart, RightAxisMonthsAndLegend)
{
    RecordingCanvas pic;
    store::FlexGrid g;
    // Exactly ten times larger stays on the left.
    Fill(g, {{10}, {100}}, 4);
    batch::DrawGridChart(pic, g.Model());
    EXPECT_TRUE(pic.texts(kRed, 0).size() == 1) << pic.texts(kRed, 0).join(',').toStdString();
    // More than ten times moves right: red labels of its own scale.
    Fill(g, {{10}, {101}}, 4);
    batch::DrawGridChart(pic, g.Model());
    const QStringList red = pic.texts(kRed, 0);
    ASSERT_EQ(red.size(), 1 + 10);
    EXPECT_EQ(red.mid(1).first(), "12");
    EXPECT_EQ(red.last(), "120");
    // The series colours: magenta to green over the columns, in the legend boxes.
    const std::vector<Item> boxes = [&] {
        std::vector<Item> b;
        for (const Item &i : pic.items)
            if (i.kind == Item::Box)
                b.push_back(i);
        return b;
    }();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].color, batch::ChartSeriesColor(3, 4));
    EXPECT_EQ(boxes[1].color, batch::ChartSeriesColor(4, 4));
    EXPECT_EQ(batch::ChartSeriesColor(0, 0), 0xFF00FFu);
    EXPECT_EQ(batch::ChartSeriesColor(4, 4), 0x00FF00u);
    EXPECT_EQ(batch::ChartSeriesColor(200, 100), 0x00FF00u); // no overflow past 128

    // 27 months: a dotted vertical at every plotted row but the last, labels reading downwards.
    Fill(g, {{1, 2, 3}}, 27);
    batch::DrawGridChart(pic, g.Model());
    EXPECT_EQ(pic.of(Item::Line, kLightGrey).size(), 26u);
    for (const Item &l : pic.of(Item::Line, kLightGrey))
        EXPECT_EQ(l.style, Qt::DotLine);
    EXPECT_EQ(pic.of(Item::Line, kLightGrey).front().a.x(), 1200); // on the axis
    const QStringList months = pic.texts(kBlue, -90);
    ASSERT_EQ(months.size(), 27);
    EXPECT_EQ(months.first(), "2024-01");
    EXPECT_EQ(pic.of(Item::Line, kGrey).size(), 10u);
    // Value labels end at their points, the first one starts there.
    std::vector<Item> values;
    for (const Item &t : pic.of(Item::Text, 0))
        if (t.font.pixelHeight == 11)
            values.push_back(t);
    ASSERT_EQ(values.size(), 27u);
    EXPECT_EQ(values[0].a.x(), 1200);
    EXPECT_DOUBLE_EQ(values[1].a.x() + 100.0 * values[1].text.size(), 1200 + 9000 / 26.0);
}

TEST(Chart, InkInAnImage)
{
    store::FlexGrid g;
    Fill(g, {{100, 0, 300, 250}}, 4);
    QImage image(800, 600, QImage::Format_ARGB32);
    batch::ImageCanvas canvas(image);
    batch::DrawGridChart(canvas, g.Model());
    // The left axis is black from top to bottom of the plot; the series' first point is red.
    EXPECT_EQ(QColor(image.pixel(1200 / 15, 5000 / 15)), QColor(Qt::black));
    int reddish = 0, green = 0;
    for (int yy = 0; yy < image.height(); ++yy)
        for (int xx = 0; xx < image.width(); ++xx) {
            const QColor c = image.pixelColor(xx, yy);
            if (c.red() > 200 && c.green() < 100 && c.blue() < 100)
                ++reddish;
            if (c.green() > 200 && c.red() < 100 && c.blue() < 100)
                ++green;
        }
    EXPECT_GE(reddish, 3); // the three points above the axis
    EXPECT_GT(green, 300); // the series (one series: green) over 800 pixels of plot
}

} // namespace
