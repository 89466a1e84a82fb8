#include "page/fmtinit.h"

#include "page/pageview.h"
#include "page/pageviewhost.h"
#include "page/zoompage.h"
#include "store/context.h"
#include "store/defaults.h"
#include "store/fmtstore.h"
#include "store/gridbind.h"
#include "store/indicator.h"
#include "store/vb.h"

#include <QDebug>

#include <exception>

namespace page {

namespace {

template <class F> void guarded(const char *step, F &&f)
{
    try {
        f();
    } catch (const std::exception &e) {
        qWarning("InitFmtOnPage: %s failed: %s", step, e.what());
    } catch (...) {
        qWarning("InitFmtOnPage: %s failed", step);
    }
}

} // namespace

void InitFmtOnPage(PageHost &host, const QString &fmtName)
{
    store::AppContext &ctx = host.context();
    PageView *pg = host.pageFrame().page();
    const auto step = [] { store::StepProgress(1, QStringLiteral("pages")); };

    guarded("hide", [&] { pg->setVisible(false); });
    guarded("dialogs", [&] { host.closeFieldDialogs(); });
    guarded("batch", [&] {
        if (store::FlexGridModel *batch = host.batchGrid())
            store::ClearGrid(*batch, false,
                             [&](store::FlexGridModel &g) { host.resetBatchNav(g); });
    });
    guarded("progress", [&] { store::StartProgress(QString::fromUtf16(kInitFmtCaption), 6); });
    guarded("step", step);
    guarded("para", [&] { store::LoadFmtPara(ctx, fmtName); });
    guarded("step", step);
    guarded("fit", [&] { FitPagePic(host, store::Val(ctx.Wid()), store::Val(ctx.Hie())); });
    guarded("step", step);
    guarded("grid", [&] {
        if (ctx.FormatName() != fmtName)
            qWarning("InitFmtOnPage: the page shows %s, loading %s",
                     qUtf8Printable(ctx.FormatName()), qUtf8Printable(fmtName));
        if (store::FlexGridModel *grid = ctx.FieldGrid())
            store::LoadFmtToGrid(ctx, *grid, fmtName);
    });
    guarded("step", step);
    guarded("fields", [&] { host.reloadFields(); });
    guarded("step", step);
    guarded("defaults", [&] { store::LoadDefaultRecord(ctx, fmtName); });
    guarded("progress", [] { store::EndProgress(); });
    pg->setVisible(true);
}

} // namespace page
