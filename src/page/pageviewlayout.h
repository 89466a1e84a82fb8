#pragma once
// Placement of the main window over the screen's work area and of the page frame, its scroll
// bars and the frames around it, in twips; and centring of windows above the taskbar.

#include <QRect>

class QWidget;

namespace page {

// Design sizes the layout reads from controls it does not place itself (twips).
struct MainLayoutDesign
{
    int sstTop = 0;     // tab control's top in the window
    int vsWidth = 240;  // page scroll bars' thickness
    int phsHeight = 240;
    int vsTop = 1020;   // vertical page bar's top in the first tab
    int frm1Left = 7800; // frame with slip size, margins and format name
};

struct MainLayout
{
    QRect main; // the window, outer size
    QRect sst;  // tab control, in the window's client area
    QRect pic;  // every tab page (PIC(0) and the others), in the tab control
    QRect pfrm; // page frame, in the tab page
    QRect hs;   // batch records bar (only its width is set here)
    QRect phs;
    QRect vs;
    QRect lbl;  // label under the tab control (only Left, Width and Top)
    QRect frm1; // only its width (and Left from the design)
};

// Height in twips of the screen strip below the work area; 0 for a taskbar on another edge, and
// also when the work area is unknown (empty).
int TaskbarHeightTw(int screenHeightPx, const QRect &workAreaPx, int tpp);

// The layout for a screen of screenPx pixels with the given work area, tpp twips per pixel.
MainLayout computeMainLayout(const QSize &screenPx, const QRect &workAreaPx, int tpp,
                             const MainLayoutDesign &design = {});

// The tab page's own controls for a tab page of picW x picH twips (part of computeMainLayout,
// also used when the window is resized).
void computeTabPageLayout(MainLayout &l, int picW, int picH, int sstW,
                          const MainLayoutDesign &design);

// Top-left corner (twips) that centres a w x h window in the space above the taskbar.
QPoint CenterFormPos(const QSize &screenPx, const QRect &workAreaPx, int tpp, int w, int h);

// Twips per pixel of the primary screen (15 at 96 dpi).
int ScreenTpp();
int GetTaskbarHeight();
// Moves a window to the centre of the primary screen's work area: its outer frame, title bar
// included, is what is centred, again once the window manager has framed the window.
void CenterForm(QWidget *w);
// Lays a window's outer frame (title bar and borders included) over frame, in screen pixels. The
// frame's size is known only once the window manager has framed the shown window: until then
// the inner area takes the rectangle, and the window is fitted again as soon as it is framed.
void PlaceFrame(QWidget *w, const QRect &frame);

} // namespace page
