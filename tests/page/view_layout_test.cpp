#include "page/pageviewlayout.h"

#include <gtest/gtest.h>

using namespace page;

TEST(MainLayout, ScreenWithBottomTaskbar)
{
    const QSize screen(1024, 768);
    const QRect work(0, 0, 1024, 738); // 30 px taskbar at the bottom
    EXPECT_EQ(TaskbarHeightTw(768, work, 15), 450);
    MainLayoutDesign d;
    d.phsHeight = 255;
    const MainLayout l = computeMainLayout(screen, work, 15, d);
    EXPECT_EQ(l.main, QRect(0, 0, 15360, 11070));
    EXPECT_EQ(l.sst.size(), QSize(15280, 10070));
    EXPECT_EQ(l.pic, QRect(0, 330, 15280, 9740));
    EXPECT_EQ(l.pfrm.top(), 1020);
    EXPECT_EQ(l.pfrm.width(), 15280 - d.vsWidth);
    EXPECT_EQ(l.pfrm.height(), 9740 - 1020 - 255);
    EXPECT_EQ(l.phs.top(), 9740 - 255 - 15);
    EXPECT_EQ(l.phs.width(), l.pfrm.width());
    EXPECT_EQ(l.vs.left(), 15000);
    EXPECT_EQ(l.vs.height(), 9740 - d.vsTop - 20);
    EXPECT_EQ(l.hs.width(), 15250);
    EXPECT_EQ(l.lbl.left(), 20);
    EXPECT_EQ(l.lbl.width(), 15240);
    EXPECT_EQ(l.lbl.top(), 10070 + 20);
    EXPECT_EQ(l.frm1.width(), 15280 - d.frm1Left - 30);
    // The window fills the work area: centring leaves it at the top-left corner.
    EXPECT_EQ(CenterFormPos(screen, work, 15, 15360, 11070), QPoint(0, 0));
    EXPECT_EQ(CenterFormPos(screen, work, 15, 6000, 3000).x(), 4680);
    EXPECT_EQ(CenterFormPos(screen, work, 15, 6000, 3000).y(), (11520 - 3000 - 450) / 2);
}

TEST(MainLayout, TaskbarOnOtherEdges)
{
    // Left, top and right panels leave the screen's bottom to the work area.
    for (const QRect &work : {QRect(40, 0, 984, 768), QRect(0, 27, 1024, 741),
                              QRect(0, 0, 990, 768)}) {
        EXPECT_EQ(TaskbarHeightTw(768, work, 15), 0);
        EXPECT_EQ(computeMainLayout(QSize(1024, 768), work, 15).main.height(), 11520);
    }
    // A top panel: the dialog is centred below it, not over it.
    EXPECT_EQ(CenterFormPos(QSize(1024, 768), QRect(0, 27, 1024, 741), 15, 6000, 3000).y(),
              27 * 15 + (741 * 15 - 3000) / 2);
}

TEST(MainLayout, UnknownWorkAreaIsNoTaskbar)
{
    EXPECT_EQ(TaskbarHeightTw(768, QRect(), 15), 0);
    EXPECT_EQ(computeMainLayout(QSize(1024, 768), QRect(), 15).main.height(), 11520);
}
