#include "page/zoom.h"

#include "store/core/vb.h"

#include <algorithm>
#include <cmath>

namespace page {

namespace {

double wholeTwips(double v) { return store::RoundEven(v); }

BarState barFor(double pageExtent, double frameExtent, double shownFrom)
{
    BarState b;
    if (!(pageExtent > frameExtent))
        return b;
    b.enabled = true;
    b.max = ScrollMaxFor(pageExtent, frameExtent);
    const double overflow = pageExtent - frameExtent;
    const double v = store::RoundEven(std::abs(shownFrom) / overflow * b.max);
    b.value = int(std::clamp(v, 0.0, double(b.max)));
    return b;
}

} // namespace

double FitWidthStep(double pageW, double frameW)
{
    if (!(pageW > 0))
        return 0;
    return -(pageW - frameW) / pageW;
}

int ScrollMaxFor(double pageExtent, double frameExtent)
{
    if (!(pageExtent > frameExtent) || !(pageExtent > 0))
        return 0;
    return 5 * int(store::RoundEven((pageExtent - frameExtent) / pageExtent + 0.999));
}

double ScrollOffset(double pageExtent, double frameExtent, int value, int max)
{
    if (!(pageExtent > frameExtent) || max <= 0)
        return 0;
    const int v = std::clamp(value, 0, max);
    return wholeTwips(-(pageExtent - frameExtent) * v / max);
}

PagePlacement PlaceByBars(PagePlacement p, double frameW, double frameH)
{
    p.top = p.vs.enabled ? ScrollOffset(p.height, frameH, p.vs.value, p.vs.max) : 0;
    p.left = p.phs.enabled ? ScrollOffset(p.width, frameW, p.phs.value, p.phs.max) : 0;
    return p;
}

std::optional<PagePlacement> PlanFitPage(double frameW, double frameH, double widthMM,
                                         double heightMM)
{
    if (!(widthMM > 0) || !(heightMM > 0) || !std::isfinite(widthMM) ||
        !std::isfinite(heightMM) || !(frameW > 0))
        return std::nullopt;
    const double ratio = widthMM / heightMM;
    PagePlacement p;
    p.width = wholeTwips(frameW);
    p.height = wholeTwips(p.width / ratio);
    if (!(p.height >= 1))
        return std::nullopt;
    p.vs.enabled = p.height > frameH;
    p.vs.max = p.vs.enabled ? ScrollMaxFor(p.height, frameH) : 0;
    return p;
}

std::optional<PagePlacement> PlanZoomPage(const PagePlacement &cur, double frameW, double frameH,
                                          double zoom, double ratio)
{
    if (!(cur.width > 0) || !(cur.height > 0) || !(frameW > 0) || !std::isfinite(zoom) ||
        !(1 + zoom > 0))
        return std::nullopt;
    const double minW = wholeTwips(frameW * kMinPageZoom);
    const double maxW = wholeTwips(frameW * kMaxPageZoom);
    double w = wholeTwips(cur.width * (1 + zoom));
    if (zoom > 0 && cur.width >= maxW)
        return std::nullopt;
    if (zoom < 0 && cur.width <= minW)
        return std::nullopt;
    w = std::clamp(w, minW, maxW);
    if (w == cur.width)
        return std::nullopt;
    const double shape = ratio > 0 ? ratio : cur.width / cur.height;
    const double h = std::max(1.0, wholeTwips(w / shape));

    const double topRatio = cur.top / cur.height;
    const double leftRatio = cur.left / cur.width;
    PagePlacement p;
    p.width = w;
    p.height = h;
    p.vs = barFor(h, frameH, topRatio * h);
    p.phs = barFor(w, frameW, leftRatio * w);
    return PlaceByBars(p, frameW, frameH);
}

} // namespace page
