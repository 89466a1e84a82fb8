#pragma once
// Arithmetic of fitting the page into its frame, zooming it and scrolling it, kept free of
// widgets. Page and frame sizes are twips; page sizes are whole twips after every step.

#include <optional>

namespace page {

// The page's width stays within these multiples of the frame's width; a zoom click that would
// leave them is cut at the bound, and a click at the bound does nothing.
inline constexpr double kMinPageZoom = 0.25;
inline constexpr double kMaxPageZoom = 8.0;

// The zoom steps of the three zoom buttons Zm(0), Zm(1) and Zm(2).
inline constexpr double kZoomInStep = 0.1;
inline constexpr double kZoomOutStep = -0.1;
double FitWidthStep(double pageW, double frameW);

// Maximum of a page scroll bar: 5 while the overflow is under about half the page, else 10;
// 0 when the page fits.
int ScrollMaxFor(double pageExtent, double frameExtent);

// Offset of the page's edge (0 or negative) for a bar value: the bar's whole range covers the
// overflow exactly, so the page never scrolls past its far edge.
double ScrollOffset(double pageExtent, double frameExtent, int value, int max);

struct BarState
{
    bool enabled = false;
    int max = 0;
    int value = 0;
};

struct PagePlacement
{
    double left = 0; // twips in the frame
    double top = 0;
    double width = 0;
    double height = 0;
    BarState vs;  // vertical bar VS
    BarState phs; // horizontal bar PHS
};

// The page fitted to the frame's width with the slip's proportions, at the top-left corner,
// both bars at 0. Nothing for a slip size that is not a positive number in both directions.
std::optional<PagePlacement> PlanFitPage(double frameW, double frameH, double widthMM,
                                         double heightMM);

// The page after a zoom by (1 + zoom), keeping the part shown at the frame's top-left corner as
// far as the bars' steps allow. ratio is the slip's width / height (0 = keep the page's own).
// Nothing when the page already stands at the bound in that direction.
std::optional<PagePlacement> PlanZoomPage(const PagePlacement &current, double frameW,
                                          double frameH, double zoom, double ratio = 0);

// The page's position for bar values, given its size.
PagePlacement PlaceByBars(PagePlacement p, double frameW, double frameH);

} // namespace page
