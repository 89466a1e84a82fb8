#include "page/zoom.h"

#include <gtest/gtest.h>

using namespace page;

TEST(FitPage, FlatSlipFitsTheFrame)
{
    auto p = PlanFitPage(14400, 6000, 180, 50);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->left, 0);
    EXPECT_EQ(p->top, 0);
    EXPECT_EQ(p->width, 14400);
    EXPECT_EQ(p->height, 4000);
    EXPECT_FALSE(p->vs.enabled);
    EXPECT_FALSE(p->phs.enabled);
}

TEST(FitPage, TallSlipScrolls)
{
    struct Case
    {
        double frameW, frameH, w, h;
        double height;
        int max;
    };
    const Case cases[] = {
        {14400, 6000, 180, 95, 7600, 5},
        {10000, 6000, 100, 100, 10000, 5},  // overflow 40 %
        {10000, 4000, 100, 100, 10000, 10}, // overflow 60 %
    };
    for (const Case &c : cases) {
        auto p = PlanFitPage(c.frameW, c.frameH, c.w, c.h);
        ASSERT_TRUE(p);
        EXPECT_EQ(p->height, c.height);
        EXPECT_TRUE(p->vs.enabled);
        EXPECT_EQ(p->vs.max, c.max);
        EXPECT_EQ(p->vs.value, 0);
        EXPECT_FALSE(p->phs.enabled);
    }
}

TEST(FitPage, RefusesSizesThatMakeNoPage)
{
    EXPECT_FALSE(PlanFitPage(14400, 6000, 180, 0));
    EXPECT_FALSE(PlanFitPage(14400, 6000, 0, 50));
    EXPECT_FALSE(PlanFitPage(14400, 6000, -180, 50));
    EXPECT_FALSE(PlanFitPage(14400, 6000, 180, std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(PlanFitPage(14400, 6000, std::numeric_limits<double>::quiet_NaN(), 50));
}

TEST(ZoomPage, ZoomInFromTheTop)
{
    PagePlacement cur;
    cur.width = 10000;
    cur.height = 10000;
    auto p = PlanZoomPage(cur, 10000, 6000, kZoomInStep);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->width, 11000);
    EXPECT_EQ(p->height, 11000);
    EXPECT_TRUE(p->phs.enabled);
    EXPECT_EQ(p->phs.max, 5);
    EXPECT_EQ(p->phs.value, 0);
    EXPECT_TRUE(p->vs.enabled);
    EXPECT_EQ(p->vs.max, 5);
    EXPECT_EQ(p->top, 0);
    EXPECT_EQ(p->left, 0);
}

TEST(ZoomPage, FitWidthAfterAnySequenceIsExact)
{
    const int sequences[][6] = {{1, 1, 1, 1, 1, 1}, {1, -1, 1, -1, -1, 1}, {-1, -1, -1, 0, 0, 0},
                                {1, 1, 1, 1, 1, 1}};
    for (const auto &seq : sequences) {
        PagePlacement cur = *PlanFitPage(10000, 6000, 180, 50);
        for (int step : seq) {
            if (!step)
                continue;
            auto next =
                PlanZoomPage(cur, 10000, 6000, step > 0 ? kZoomInStep : kZoomOutStep, 3.6);
            ASSERT_TRUE(next);
            cur = *next;
        }
        // Two more zoom-ins after eight in total, the case that left 10000.000000000002.
        for (int i = 0; i < 2; ++i)
            cur = *PlanZoomPage(cur, 10000, 6000, kZoomInStep, 3.6);
        auto fit = PlanZoomPage(cur, 10000, 6000, FitWidthStep(cur.width, 10000), 3.6);
        ASSERT_TRUE(fit);
        EXPECT_EQ(fit->width, 10000);
        EXPECT_FALSE(fit->phs.enabled);
        EXPECT_EQ(fit->left, 0);
        EXPECT_EQ(fit->height, 2778); // 10000 / 3.6, whole twips
    }
    // Without the slip's proportions the page keeps its own, to within the rounding.
    PagePlacement cur = *PlanFitPage(10000, 6000, 180, 50);
    for (int i = 0; i < 6; ++i)
        cur = *PlanZoomPage(cur, 10000, 6000, i % 2 ? kZoomOutStep : kZoomInStep);
    cur = *PlanZoomPage(cur, 10000, 6000, FitWidthStep(cur.width, 10000));
    EXPECT_EQ(cur.width, 10000);
    EXPECT_NEAR(cur.height, 2778, 2);
}

TEST(ZoomPage, StopsAtTheBounds)
{
    PagePlacement cur = *PlanFitPage(10000, 6000, 180, 50);
    int steps = 0;
    while (auto next = PlanZoomPage(cur, 10000, 6000, kZoomInStep)) {
        cur = *next;
        ASSERT_LT(++steps, 100);
    }
    EXPECT_EQ(cur.width, 10000 * kMaxPageZoom);
    EXPECT_EQ(steps, 22); // 1.1^21 < 8 < 1.1^22: the last click is cut at the bound
    EXPECT_FALSE(PlanZoomPage(cur, 10000, 6000, kZoomInStep));

    cur = *PlanFitPage(10000, 6000, 180, 50);
    // Ten zoom-outs stay inside: 0.9^10 of the width.
    for (int i = 0; i < 10; ++i)
        cur = *PlanZoomPage(cur, 10000, 6000, kZoomOutStep);
    EXPECT_NEAR(cur.width, 10000 * 0.34868, 10);
    steps = 0;
    while (auto next = PlanZoomPage(cur, 10000, 6000, kZoomOutStep)) {
        cur = *next;
        ASSERT_LT(++steps, 100);
    }
    EXPECT_EQ(cur.width, 10000 * kMinPageZoom);
    EXPECT_GT(cur.height, 0);
}

TEST(ZoomPage, KeepsTheScrolledPart)
{
    // Page 10000 x 20000 in a 10000 x 5000 frame, scrolled halfway down.
    PagePlacement cur;
    cur.width = 10000;
    cur.height = 20000;
    cur.vs = {true, ScrollMaxFor(20000, 5000), 0};
    ASSERT_EQ(cur.vs.max, 10);
    cur.vs.value = 5;
    cur = PlaceByBars(cur, 10000, 5000);
    EXPECT_EQ(cur.top, -7500);
    auto p = PlanZoomPage(cur, 10000, 5000, kZoomInStep);
    ASSERT_TRUE(p);
    // The same part of the page (7500 of 20000 = 37.5 %) stays at the top as far as the ten
    // steps allow: 37.5 % of 22000 = 8250 of an overflow of 17000 -> 4.85 -> 5.
    EXPECT_EQ(p->vs.max, 10);
    EXPECT_EQ(p->vs.value, 5);
    EXPECT_EQ(p->top, -8500);
}

TEST(Scroll, NeverPastTheFarEdge)
{
    // A page over twice the frame's height: the last bar value shows its bottom edge exactly.
    const int max = ScrollMaxFor(13000, 6000);
    ASSERT_EQ(max, 10);
    for (int v = 0; v <= max; ++v) {
        const double top = ScrollOffset(13000, 6000, v, max);
        EXPECT_LE(top, 0);
        EXPECT_GE(top + 13000, 6000) << "value " << v;
    }
    EXPECT_EQ(ScrollOffset(13000, 6000, max, max), -7000);
    EXPECT_EQ(ScrollOffset(13000, 6000, max + 3, max), -7000);
    EXPECT_EQ(ScrollMaxFor(12000, 6000), 5); // overflow of exactly half the page
    EXPECT_EQ(ScrollOffset(5000, 6000, 3, 5), 0);
    EXPECT_EQ(ScrollMaxFor(5000, 6000), 0);
}
