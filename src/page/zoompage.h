#pragma once
// Fitting the page to its frame and zooming it with its fields.

namespace page {

class PageHost;

// Gives the page the frame's width and the slip's proportions (widthMM x heightMM) at the
// top-left corner, sets the bars and redraws. A size that makes no page changes nothing (false).
bool FitPagePic(PageHost &host, double widthMM, double heightMM);

// Makes the page (1 + zoom) times as large with its fields rebuilt at the new scale, keeping
// their values and the part of the page shown. A click beyond the zoom bounds does nothing
// (false).
bool ZoomPage(PageHost &host, double zoom);

// The zoom button handler: Zm(0) in, Zm(1) out, Zm(2) fit width.
bool ZoomButton(PageHost &host, int index);

} // namespace page
