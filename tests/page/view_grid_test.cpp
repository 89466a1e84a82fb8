#include "page/pagegrid.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace page;

namespace {

int countColor(const GridPrimitives &g, bool vertical, quint32 color)
{
    return int(std::count_if(g.lines.begin(), g.lines.end(), [&](const GridLine &l) {
        return (l.from.x() == l.to.x()) == vertical && l.color == color;
    }));
}

std::vector<GridText> textsAt(const GridPrimitives &g, auto pred)
{
    std::vector<GridText> out;
    std::copy_if(g.texts.begin(), g.texts.end(), std::back_inserter(out), pred);
    return out;
}

} // namespace

TEST(PageGrid, Cheque180mmWide)
{
    // 10206 x 5103 twips for 180 mm: s = 56.7.
    const GridPrimitives g = pageGridPrimitives(10206, 5103, 180, 1);
    const int vertical = countColor(g, true, kCmLineColor) + countColor(g, true, kGridLineColor);
    EXPECT_EQ(vertical, 91);
    EXPECT_EQ(countColor(g, true, kCmLineColor), 19);
    const int horizontal =
        countColor(g, false, kCmLineColor) + countColor(g, false, kGridLineColor);
    EXPECT_EQ(horizontal, 46);
    EXPECT_EQ(countColor(g, false, kCmLineColor), 10);

    // Vertical lines span the page, the 1 cm ones at x = 0, 567, 1134, ..., 10206.
    std::vector<double> cm;
    for (const GridLine &l : g.lines)
        if (l.from.x() == l.to.x() && l.color == kCmLineColor) {
            EXPECT_DOUBLE_EQ(l.from.y(), 0);
            EXPECT_DOUBLE_EQ(l.to.y(), 5103);
            cm.push_back(l.from.x());
        }
    ASSERT_EQ(cm.size(), 19u);
    EXPECT_NEAR(cm[1], 567, 1e-9);
    EXPECT_NEAR(cm[2], 1134, 1e-9);
    EXPECT_NEAR(cm.back(), 10206, 1e-9);

    auto top = textsAt(g, [](const GridText &t) { return t.y == 0; });
    ASSERT_EQ(top.size(), 19u);
    for (int i = 0; i <= 18; ++i) {
        EXPECT_EQ(top[i].text, QString::number(i));
        EXPECT_EQ(top[i].x, qRound(i * 10 * 56.7));
    }
    auto bottom = textsAt(g, [](const GridText &t) { return t.y == 4843; });
    EXPECT_EQ(bottom.size(), 19u);

    auto left = textsAt(g, [](const GridText &t) { return t.x == 0 && t.y != 0 && t.y != 4843; });
    ASSERT_EQ(left.size(), 9u);
    EXPECT_EQ(left.front().text, "1");
    EXPECT_EQ(left.front().y, 567);
    EXPECT_EQ(left.back().text, "9");
    EXPECT_EQ(left.back().y, 5103);
    auto right = textsAt(g, [](const GridText &t) { return t.x == 10076; });
    EXPECT_EQ(right.size(), 9u);
    // No "0" on the left or right edge: the only zeros are the two corner numbers.
    auto zeros = textsAt(g, [](const GridText &t) { return t.text == "0"; });
    EXPECT_EQ(zeros.size(), 2u);
}

TEST(PageGrid, TwoDigitNumbersOnTheRightMoveInwards)
{
    // A page 120 mm high at the same scale.
    const GridPrimitives g = pageGridPrimitives(10206, 120 * 56.7, 180, 1);
    auto ten = textsAt(g, [](const GridText &t) { return t.text == "10" && t.x > 9000; });
    // "10" appears as a top/bottom number at x 5670 and as the right-edge number at W - 260.
    ASSERT_EQ(ten.size(), 1u);
    EXPECT_EQ(ten[0].x, 9946);
    auto nine = textsAt(g, [](const GridText &t) { return t.text == "9" && t.x > 9000; });
    ASSERT_EQ(nine.size(), 1u);
    EXPECT_EQ(nine[0].x, 10076);
}

TEST(PageGrid, NothingUnlessTheRulerIsOn)
{
    for (int ruler : {0, 2, -1}) {
        const GridPrimitives g = pageGridPrimitives(10206, 5103, 180, ruler);
        EXPECT_TRUE(g.lines.empty());
        EXPECT_TRUE(g.texts.empty());
    }
    // No page or no slip width: nothing, and no division by zero.
    EXPECT_TRUE(pageGridPrimitives(10206, 5103, 0, 1).lines.empty());
    EXPECT_TRUE(pageGridPrimitives(0, 5103, 180, 1).lines.empty());
    EXPECT_TRUE(pageGridPrimitives(10206, 0, 180, 1).lines.empty());
}

TEST(PageGrid, BoundsRoundHalvesToEven)
{
    // 181 mm: lines up to 180; 183 mm: up to 182 (CLng(183) = 183, odd so the last is 182).
    const GridPrimitives a = pageGridPrimitives(181 * 50, 50 * 50, 181, 1);
    const GridPrimitives b = pageGridPrimitives(183 * 50, 50 * 50, 183, 1);
    auto lastX = [](const GridPrimitives &g) {
        double m = 0;
        for (const GridLine &l : g.lines)
            if (l.from.x() == l.to.x())
                m = std::max(m, l.from.x());
        return m;
    };
    EXPECT_DOUBLE_EQ(lastX(a), 180 * 50);
    EXPECT_DOUBLE_EQ(lastX(b), 182 * 50);
    // Height bound CLng(48.5) = 48 (half to even): lines up to 48 mm.
    const GridPrimitives c = pageGridPrimitives(100 * 50, 48.5 * 50, 100, 1);
    double lastY = 0;
    for (const GridLine &l : c.lines)
        if (l.from.y() == l.to.y())
            lastY = std::max(lastY, l.from.y());
    EXPECT_DOUBLE_EQ(lastY, 48 * 50);
}
