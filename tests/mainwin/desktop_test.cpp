// Windows under a real window manager (openbox on Xvfb, see tests/common/on-desktop.sh): the
// whole window, frame and title bar included, lies on the screen's work area.
#include "mainwin/mainwindow.h"
#include "mainwin_fixture.h"
#include "page/pageviewlayout.h"

#include <QDialog>
#include <QScreen>
#include <QtTest>

#include "../common/qtry.h"

using mainwin::MainWindow;

namespace {

bool framed(const QWidget &w)
{
    return w.frameGeometry() != w.geometry();
}

} // namespace

TEST_F(MainWinTest, FramesLieOnTheWorkArea)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();

    MainWindow w;
    QSignalSpy loaded(&w, &MainWindow::loadFinished);
    w.show();
    ASSERT_TRUE(loaded.count() > 0 || loaded.wait(10000));
    // The frame is known once the window manager has framed the window; then it covers the work
    // area: title bar on screen, nothing cut at the bottom.
    QTRY_VERIFY_WITH_TIMEOUT(framed(w) && w.frameGeometry() == avail, 10000);
    EXPECT_GT(w.geometry().top(), avail.top()) << "no room left for the title bar";
    EXPECT_TRUE(avail.contains(w.frameGeometry()));

    // A centred window: its frame centred in the work area.
    QDialog d(&w);
    d.resize(500, 300);
    page::CenterForm(&d);
    d.show();
    QTRY_VERIFY_WITH_TIMEOUT(framed(d) && avail.contains(d.frameGeometry()) &&
                                 qAbs(d.frameGeometry().center().y() - avail.center().y()) <= 1 &&
                                 qAbs(d.frameGeometry().center().x() - avail.center().x()) <= 1,
                             10000);
    d.close();
    w.close();
}
