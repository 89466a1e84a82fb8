// The designer's geometry: the line hit test, the band test, the clamps of moving and sizing and
// the reference value of an alignment, on the cases users meet.
#include "page/designer.h"

#include <gtest/gtest.h>

using page::LineHitTest;

TEST(DesignerGeometry, LineHitTest)
{
    // A horizontal line 1 pixel wide (15 twips): tolerance 30, the start point first.
    auto h = [](int w, double x, double y) { return LineHitTest(1000, 1000, 3000, 1000, w, x, y); };
    EXPECT_EQ(h(15, 1020, 1025), 0);
    EXPECT_EQ(h(15, 2990, 975), 2);
    EXPECT_EQ(h(15, 2000, 1029), 1);
    EXPECT_EQ(h(15, 2000, 1031), -1);
    EXPECT_EQ(h(15, 969, 1000), -1);
    // From 4 pixels on the whole width is the tolerance; 3 pixels keep 30.
    EXPECT_EQ(h(60, 2000, 1055), 1);
    EXPECT_EQ(h(45, 2000, 1055), -1);
    // A vertical line.
    auto v = [](double x, double y) { return LineHitTest(1000, 1000, 1000, 3000, 15, x, y); };
    EXPECT_EQ(v(1010, 2000), 1);
    EXPECT_EQ(v(1010, 3025), 2);
    EXPECT_EQ(v(1010, 3031), -1);
    // A steep line is grabbed a third of a pixel off its body (measured at right angles).
    EXPECT_EQ(LineHitTest(1000, 1000, 1020, 3000, 15, 1010, 2000), 1);
    EXPECT_EQ(LineHitTest(1000, 1000, 1020, 3000, 15, 1005, 2000), 1);
    EXPECT_EQ(LineHitTest(1000, 1000, 1020, 3000, 15, 1060, 2000), -1);
    // A sloped line: 45 degrees, 21 twips off at right angles is on it, 43 is not.
    EXPECT_EQ(LineHitTest(0, 0, 2000, 2000, 15, 1015, 985), 1);
    EXPECT_EQ(LineHitTest(0, 0, 2000, 2000, 15, 1030, 970), -1);
}

TEST(DesignerGeometry, BandMeetsBoxesAndLineEnds)
{
    // Corners in any order, edges included.
    EXPECT_EQ(page::BoxInRect(500, 500, 500, 500, 5000, 5000, 1000, 1000),
              page::BoxInRect(500, 500, 500, 500, 1000, 1000, 5000, 5000));
    EXPECT_TRUE(page::BoxInRect(500, 500, 500, 500, 1000, 0, 2000, 2000));
    EXPECT_FALSE(page::BoxInRect(500, 500, 500, 500, 1001, 0, 2000, 2000));
    // A line only by an end point inside.
    EXPECT_FALSE(page::LineInRect(1000, 3000, 9000, 3000, 4000, 2000, 6000, 4000));
    EXPECT_TRUE(page::LineInRect(1000, 3000, 9000, 3000, 500, 2500, 1500, 3500));
    EXPECT_TRUE(page::LineInRect(1000, 3000, 9000, 3000, 8000, 2500, 9000, 3500));
}

TEST(DesignerGeometry, ClampsAndAlignment)
{
    // Page 11340 x 5400; field at 100, 200, 1000 x 300.
    EXPECT_EQ(page::ClampMove(100, 1000, -200, 11340), 0);
    EXPECT_EQ(page::ClampMove(100, 1000, 20000, 11340), 10340);
    EXPECT_EQ(page::ClampMove(200, 300, 6000, 5400), 5100);
    // Wider than the page: flush with its right edge, at a negative place.
    EXPECT_EQ(page::ClampMove(0, 12000, 10, 11340), -660);
    EXPECT_EQ(page::ClampSize(0, 5, -10, 11340), 0);
    EXPECT_EQ(page::ClampSize(10000, 1000, 1000, 11340), 1340);

    const std::vector<page::Box> boxes = {
        {300, 300, 1700, 200}, {1000, 500, 2500, 100}, {-50, 800, 100, 400}};
    EXPECT_EQ(page::AlignReference(0, boxes), 300);
    // A field at a negative place takes part like any other.
    EXPECT_EQ(page::AlignReference(1, boxes), -50);
    EXPECT_EQ(page::AlignReference(2, boxes), 3500);
    EXPECT_EQ(page::AlignReference(3, boxes), 1200);
    EXPECT_EQ(page::AlignReference(4, boxes), 2500);
    EXPECT_EQ(page::AlignReference(5, boxes), 400);
    EXPECT_EQ(page::AlignReference(1, {{-50, -20, 10, 10}}), -50);
    EXPECT_FALSE(page::AlignReference(0, {}).has_value());
}
