// Opening a 60-field format from a database holding 1,000 formats: its whole-format row, the
// field grid and the field objects on the page; and saving it back in one transaction.

#include "page/registry.h"
#include "page/rowsync.h"
#include "store/model/context.h"
#include "store/db/db.h"
#include "store/model/fmtstore.h"
#include "store/view/grid.h"
#include "store/db/paths.h"
#include "store/db/reporter.h"
#include "store/db/schema.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

constexpr int kFormats = 1000;
constexpr int kFields = 60;

QString FormatName(int i) { return QStringLiteral("测试格式%1支票").arg(i); }

// 40 text boxes, 5 check boxes, 3 pictures, 6 lines and 6 labels per format.
int KindOf(int n)
{
    if (n < 40)
        return 0;
    if (n < 45)
        return 1;
    if (n < 48)
        return 2;
    if (n < 54)
        return 3;
    return 4;
}

bool Fill()
{
    store::Transaction tx;
    if (!tx.Ok())
        return false;
    for (int f = 0; f < kFormats; ++f) {
        const QString name = FormatName(f);
        for (int n = 0; n < kFields; ++n) {
            const int kind = KindOf(n);
            if (!store::ExecSQL(
                    "INSERT INTO Fmt(Fmt, LBL, Dir, X, Y, W, H, S, L, Color, fName, fSize, fBold, "
                    "Clas, Cash, RCtl, SumID, SumID1, RCtl1) "
                    "VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
                    {name, kind == 3 ? QStringLiteral("线条") : QStringLiteral("字段%1").arg(n),
                     n % 4, 5.0 + (n % 10) * 19.25, 4.5 + (n / 10) * 11.125, 30.5, 6.25, 0, 0,
                     (n * 4099) & 0xFFFFFF, QStringLiteral("宋体"), 10.5, n % 2, kind,
                     kind == 0 ? (n % 3 == 0 ? 104.0 : 0.0) : (kind == 3 ? 1.0 : 0.0), 0,
                     0, 0, 0}))
                return false;
        }
        if (!store::ExecSQL("INSERT INTO Fmt(Fmt, LBL, X, Y, W, H, Color, Mem) VALUES(?,?,?,?,?,?,?,?)",
                            {name, QString::fromUtf8(store::kFmtParaMarker), 10, 10, 210, 100,
                             15360, QStringLiteral("True|False|1|0|0|1|0|True|")}))
            return false;
    }
    return tx.Commit();
}

struct Env
{
    QTemporaryDir dir;
    store::AppContext ctx;
    store::FlexGridModel grid;
    QWidget page;
    std::unique_ptr<page::FieldRegistry> reg;
    store::ScopedRecordingReporter messages;

    Env()
    {
        qputenv("QUORVAN_HOME", (dir.path() + "/home").toUtf8());
        qputenv("XDG_CONFIG_HOME", (dir.path() + "/config").toUtf8());
        store::Db::Main().OpenConn(store::DataFilePath());
        store::UpgradeDBSchema();
        Fill();
        ctx.SetScreenWidthSource([] { return 15360; });
        ctx.SetFieldGrid(&grid);
        ctx.SetPageWidths(11340, 11340);
        page.resize(800, 450);
        reg = std::make_unique<page::FieldRegistry>(ctx, &page);
        ctx.SetFields(reg.get());
    }
};

Env *g_env = nullptr;

// What opening a format does with the store and the field model: the page is hidden while the
// fields are made, as format initialisation does.
void Open(Env &e, const QString &name)
{
    e.ctx.SetFormatName(name);
    store::LoadFmtPara(e.ctx, name);
    store::LoadFmtToGrid(e.ctx, e.grid, name);
    page::ReloadAllCtl(*e.reg, e.grid, false);
}

void BM_LoadFormat(benchmark::State &state)
{
    Env &e = *g_env;
    if (state.range(0))
        e.page.show();
    else
        e.page.hide();
    int i = 0;
    for (auto _ : state) {
        Open(e, FormatName(i++ % kFormats));
        benchmark::DoNotOptimize(e.reg->CtlCount(0));
    }
    if (e.grid.Rows() != kFields + 2 || e.reg->CtlCount(0) != 40)
        state.SkipWithError("the format did not load");
    e.page.hide();
}
BENCHMARK(BM_LoadFormat)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SaveFormat(benchmark::State &state)
{
    Env &e = *g_env;
    Open(e, FormatName(7));
    for (auto _ : state) {
        e.grid.SetNumber(2, store::ColX, 5.0 + state.iterations() % 7);
        if (!store::SaveGridToFmt(e.ctx, e.grid))
            state.SkipWithError("the save failed");
    }
}
BENCHMARK(BM_SaveFormat)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Env env;
    g_env = &env;
    store::Recordset rs;
    store::OpenRs(rs, "SELECT COUNT(*), COUNT(DISTINCT Fmt) FROM Fmt");
    std::printf("database: %lld rows in Fmt, %lld format names\n", rs.Value(0, 0).toLongLong(),
                rs.Value(0, 1).toLongLong());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
