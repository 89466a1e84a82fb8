#include "page/fmtinit.h"

#include "page/pageview.h"
#include "page/pageviewhost.h"
#include "page/zoompage.h"
#include "store/model/context.h"
#include "store/model/defaults.h"
#include "store/model/fieldrow.h"
#include "store/db/reporter.h"
#include "store/model/fmtstore.h"
#include "store/model/gridbind.h"
#include "store/ui/indicator.h"
#include "store/core/vb.h"

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
    const auto step = [] { store::StepProgress(1, store::StepShows::CountAndTimes); };

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
    // Rows whose kind cell holds no field kind (a damaged or hand-made format) make no field:
    // the clerk learns which, once, and the rows stay as they are stored.
    guarded("kinds", [&] {
        const store::FlexGridModel *grid = ctx.FieldGrid();
        const QStringList ignored = grid ? store::RowsWithoutKind(*grid) : QStringList();
        if (ignored.isEmpty())
            return;
        QStringList names;
        for (const QString &lbl : ignored)
            names << (lbl.isEmpty() ? QStringLiteral("（无标签）") : u'“' + lbl + u'”');
        store::ReportMessage(QStringLiteral("格式“%1”中有%2行的输入框类别无法识别，这些行不会"
                                            "显示、打印或记入历史：\n%3")
                                 .arg(fmtName)
                                 .arg(ignored.size())
                                 .arg(names.join(QStringLiteral("、"))),
                             store::MsgKind::Warning);
    });
}

} // namespace page
