// Timings of the print history at scale: a format of 15 text fields with 100,000 prints, every
// field filled (1.5 million rows of 历史), next to 200 other formats with 50 prints each. Measured:
// the type-ahead query of one key press, the related-field look-up when a field is left, the
// history grid load of the history tab (300 prints), and saving one print.
//
// QUORVAN_BENCH_PRINTS overrides the number of prints of the big format.

#include "store/db/db.h"
#include "store/view/grid.h"
#include "store/model/history.h"
#include "store/db/schema.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

using namespace store;

namespace {

constexpr int kFields = 15;
constexpr int kOtherFormats = 200;
constexpr int kOtherPrints = 50;

const QString kFmt = QStringLiteral("工行转账支票");
std::unique_ptr<QTemporaryDir> g_dir;
QList<qint32> g_ids;
int g_prints = 100000;

const char *const kLabels[kFields] = {"出票日期", "收款人", "付款行名称", "出票人账号", "大写金额",
                                      "小写金额", "用途",   "存根收款人", "存根金额",   "存根用途",
                                      "密码",     "行号",   "附加信息",   "经办",       "复核"};

// The value field f holds in print n: payees and purposes repeat (a few thousand distinct
// ones), amounts and numbers are mostly distinct, as on a clerk's real history.
QString ValueSql(int f)
{
    switch (f) {
    case 1:
    case 7:
        return QStringLiteral("'收款单位' || ((n * 7919) % 3000) || '有限公司'");
    case 4:
    case 5:
    case 8:
        return QStringLiteral("printf('%d.%02d', (n * 37) % 100000, n % 100)");
    case 6:
    case 9:
        return QStringLiteral("'货款' || (n % 400)");
    default:
        return QStringLiteral("printf('%d-%d', n, %1)").arg(f);
    }
}

bool Populate()
{
    bool ok = false;
    const int prints = qEnvironmentVariableIntValue("QUORVAN_BENCH_PRINTS", &ok);
    if (ok && prints > 0)
        g_prints = prints;
    g_dir = std::make_unique<QTemporaryDir>();
    qputenv("QUORVAN_HOME", g_dir->path().toUtf8());
    if (!Db::Main().OpenConn(g_dir->path() + QStringLiteral("/DATA.mdb")) || !UpgradeDBSchema())
        return false;
    QElapsedTimer t;
    t.start();
    Transaction tx;
    for (int f = 0; f < kFields; ++f) {
        if (!ExecSQL(QStringLiteral("INSERT INTO Fmt(Fmt, LBL, X, Y, W, H, Clas, Cash) "
                                    "VALUES(?, ?, ?, 10, 40, 6, 0, 0)"),
                     {kFmt, QString::fromUtf8(kLabels[f]), f * 10.0}))
            return false;
        g_ids << qint32(LastInsertId());
    }
    const QString series = QStringLiteral("WITH RECURSIVE p(n) AS (SELECT 1 UNION ALL SELECT "
                                          "n + 1 FROM p WHERE n < ?) ");
    for (int f = 0; f < kFields; ++f) {
        if (!ExecSQL(series +
                         QStringLiteral("INSERT INTO 历史(Fmt, ID, CID, Con) SELECT ?, n, ?, %1 "
                                        "FROM p")
                             .arg(ValueSql(f)),
                     {g_prints, kFmt, g_ids[f]}))
            return false;
    }
    for (int o = 0; o < kOtherFormats; ++o) {
        const QString other = QStringLiteral("其他进账单%1").arg(o);
        if (!ExecSQL(QStringLiteral("INSERT INTO Fmt(Fmt, LBL, X, Y, W, H, Clas) "
                                    "VALUES(?, '收款人', 0, 0, 40, 6, 0)"),
                     {other}))
            return false;
        if (!ExecSQL(series + QStringLiteral("INSERT INTO 历史(Fmt, ID, CID, Con) SELECT ?, n, ?, "
                                             "'收款单位' || n FROM p"),
                     {kOtherPrints, other, qint32(LastInsertId())}))
            return false;
    }
    if (!tx.Commit())
        return false;
    ExecSQL(QStringLiteral("ANALYZE"));
    std::fprintf(stderr, "history of %d prints x %d fields written in %.1f s\n", g_prints, kFields,
                 double(t.elapsed()) / 1000);
    return true;
}

// One key press in the payee field: the completions of what is typed so far.
void BM_TypeAheadKeyPress(benchmark::State &state)
{
    const QStringList prefixes = {QStringLiteral("收"), QStringLiteral("收款单位12"),
                                  QStringLiteral("收款单位2999有"), QStringLiteral("无此单位")};
    const QString prefix = prefixes[int(state.range(0))];
    for (auto _ : state)
        benchmark::DoNotOptimize(HistoryCompletions(kFmt, g_ids[1], prefix, 2));
    state.SetLabel(prefix.toStdString());
}
BENCHMARK(BM_TypeAheadKeyPress)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

// Leaving the payee field: the newest print that held the payee (related fields).
void BM_FindHistoryByCon(benchmark::State &state)
{
    for (auto _ : state) {
        int member = 0;
        benchmark::DoNotOptimize(
            FindHistoryByCon(kFmt, g_ids[1], QStringLiteral("收款单位1234有限公司"), member));
    }
}
BENCHMARK(BM_FindHistoryByCon)->Unit(benchmark::kMicrosecond);

// Showing the history tab: the newest 300 prints with all their values into the grid.
void BM_LoadHistoryGrid(benchmark::State &state)
{
    FlexGrid grid;
    grid.resize(1200, 600);
    for (auto _ : state) {
        ClearHistoryCache(grid.Model());
        benchmark::DoNotOptimize(LoadHistoryToGrid(grid.Model(), kFmt, kHistoryTabLimit));
    }
    state.counters["rows"] = grid.Rows() - grid.FixedRows();
}
BENCHMARK(BM_LoadHistoryGrid)->Unit(benchmark::kMillisecond);

// Printing: one print of 15 values stored (each iteration adds one).
void BM_SaveOnePrint(benchmark::State &state)
{
    QList<PrintValue> values;
    for (int f = 0; f < kFields; ++f)
        values.append({g_ids[f], QStringLiteral("新值%1").arg(f)});
    for (auto _ : state)
        benchmark::DoNotOptimize(SaveHistoryValues(kFmt, values));
}
BENCHMARK(BM_SaveOnePrint)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::benchmark::Initialize(&argc, argv);
    if (!Populate()) {
        std::fprintf(stderr, "could not build the history: %s\n",
                     qUtf8Printable(Db::Main().LastError()));
        return 1;
    }
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    Db::Main().Close();
    return 0;
}
