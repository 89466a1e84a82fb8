// Timings of the database layer on a database holding 1,000 formats of 60 fields each:
// one parameter read, one query of a whole format, one save of a format's 60 rows.

#include "store/db/db.h"
#include "store/db/params.h"
#include "store/db/schema.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

using namespace store;

namespace {

constexpr int kFormats = 1000;
constexpr int kFields = 60;

std::unique_ptr<QTemporaryDir> g_dir;

QString FormatName(int i)
{
    return QStringLiteral("工行转账支票%1").arg(i);
}

bool Populate()
{
    g_dir = std::make_unique<QTemporaryDir>();
    qputenv("QUORVAN_HOME", g_dir->path().toUtf8());
    if (!Db::Main().OpenConn(g_dir->path() + QStringLiteral("/DATA.mdb")) || !UpgradeDBSchema())
        return false;
    Transaction tx;
    const QString sql = QStringLiteral(
        "INSERT INTO Fmt(Fmt, LBL, Dir, X, Y, W, H, S, L, Color, fName, fSize, Clas, Cash) "
        "VALUES(?, ?, 0, ?, ?, 40, 6, 0, 0, 0, '宋体', 10.5, 0, 0)");
    for (int f = 0; f < kFormats; ++f) {
        for (int r = 0; r < kFields; ++r) {
            if (!ExecSQL(sql, {FormatName(f), QStringLiteral("字段%1").arg(r), r * 2.5, r * 1.5}))
                return false;
        }
        if (!ExecSQL(QStringLiteral("INSERT INTO Fmt(Fmt, LBL, W, H) VALUES(?, ?, 240, 80)"),
                     {FormatName(f), QString::fromUtf8(kFmtParaMarker)}))
            return false;
    }
    for (int i = 0; i < 50; ++i)
        if (!SetPara(QStringLiteral("自定义类型%1").arg(100 + i), QStringLiteral("YYYY年MM月DD日")))
            return false;
    SetPara(QStringLiteral("软件密码"), QString());
    return tx.Commit();
}

void BM_GetPara(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(GetPara(QStringLiteral("软件密码")));
}
BENCHMARK(BM_GetPara);

void BM_OpenRsFormat(benchmark::State &state)
{
    const QString name = FormatName(kFormats / 2);
    const QString sql = QStringLiteral("SELECT * FROM Fmt WHERE Fmt=? AND LBL<>? ORDER BY Clas, ID");
    for (auto _ : state) {
        Recordset rs;
        OpenRs(rs, sql, {name, QString::fromUtf8(kFmtParaMarker)});
        if (rs.RecordCount() != kFields)
            state.SkipWithError("wrong row count");
        benchmark::DoNotOptimize(rs.Rows().data());
    }
}
BENCHMARK(BM_OpenRsFormat)->Unit(benchmark::kMicrosecond);

// The save of a format as the field grid does it: every row updated by its ID, in one transaction.
void BM_SaveFormat60Rows(benchmark::State &state)
{
    const QString name = FormatName(kFormats / 3);
    Recordset rs;
    OpenRs(rs, QStringLiteral("SELECT ID FROM Fmt WHERE Fmt=? AND LBL<>? ORDER BY ID"),
           {name, QString::fromUtf8(kFmtParaMarker)});
    const QString sql = QStringLiteral(
        "UPDATE Fmt SET Fmt=?, LBL=?, Dir=?, X=?, Y=?, W=?, H=?, S=?, L=?, Color=?, fName=?, "
        "fSize=?, fBold=?, fItalic=?, fUnderline=?, fStrikethru=?, Clas=?, Cash=?, RCtl=?, "
        "SumID=?, SumID1=?, RCtl1=?, Mem=? WHERE ID=?");
    int round = 0;
    for (auto _ : state) {
        ++round;
        Transaction tx;
        for (const auto &row : rs.Rows()) {
            ExecSQL(sql, {name, QStringLiteral("字段"), 0, round * 0.01, 2.0, 40.0, 6.0, 0.0, 0.0, 0,
                          QStringLiteral("宋体"), 10.5, false, false, false, false, 0, 103.0, 0.0,
                          0.0, 0.0, 0, QString(), row.at(0)});
        }
        if (!tx.Commit())
            state.SkipWithError("commit failed");
    }
}
BENCHMARK(BM_SaveFormat60Rows)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (!Populate())
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Db::Main().Close();
    return 0;
}
