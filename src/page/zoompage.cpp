#include "page/zoompage.h"

#include "page/pageview.h"
#include "page/pageviewhost.h"
#include "page/zoom.h"
#include "store/model/context.h"

namespace page {

namespace {

void publishWidths(PageHost &host)
{
    PageFrame &f = host.pageFrame();
    host.context().SetPageWidths(f.page()->twWidth(), f.twWidth());
}

} // namespace

bool FitPagePic(PageHost &host, double widthMM, double heightMM)
{
    PageFrame &f = host.pageFrame();
    const auto plan = PlanFitPage(f.twWidth(), f.twHeight(), widthMM, heightMM);
    if (!plan)
        return false;
    f.setSlipRatio(widthMM / heightMM);
    f.applyPlacement(*plan);
    publishWidths(host);
    host.O2_Click(0);
    host.O2_Click(4);
    return true;
}

bool ZoomPage(PageHost &host, double zoom)
{
    PageFrame &f = host.pageFrame();
    const auto plan = PlanZoomPage(f.placement(), f.twWidth(), f.twHeight(), zoom, f.slipRatio());
    if (!plan)
        return false;
    PageView *pg = f.page();
    pg->setVisible(false);
    const FieldValues values = host.saveFieldValues();
    f.applyPlacement(*plan);
    publishWidths(host);
    host.reloadFields();
    host.O2_Click(0);
    host.O2_Click(4);
    host.restoreFieldValues(values);
    pg->setVisible(true);
    return true;
}

bool ZoomButton(PageHost &host, int index)
{
    PageFrame &f = host.pageFrame();
    switch (index) {
    case 0:
        return ZoomPage(host, kZoomInStep);
    case 1:
        return ZoomPage(host, kZoomOutStep);
    case 2:
        return ZoomPage(host, FitWidthStep(f.page()->twWidth(), f.twWidth()));
    default:
        return false;
    }
}

} // namespace page
