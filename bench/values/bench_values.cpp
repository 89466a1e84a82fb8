#include "values/amounts.h"
#include "values/contentkind.h"

#include <benchmark/benchmark.h>

#include <QStringList>

using namespace values;

namespace {

const QStringList &amounts()
{
    static const QStringList list = {
        QStringLiteral("100"),
        QStringLiteral("1234.56"),
        QStringLiteral("100005000"),
        QStringLiteral("￥1,234.00"),
        QStringLiteral("0.05"),
        QStringLiteral("-100.5"),
        QStringLiteral("9999999999999.99"),
        QStringLiteral("1010101.01"),
        QStringLiteral("12.345"),
        QStringLiteral("7"),
    };
    return list;
}

void CashToCapitalPerCall(benchmark::State &state)
{
    const QStringList &in = amounts();
    const QString unit = QStringLiteral("元");
    qsizetype i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(CashToCapital(in[i], unit));
        i = (i + 1) % in.size();
    }
}
BENCHMARK(CashToCapitalPerCall);

void FormatCashPerCall(benchmark::State &state)
{
    const QStringList &in = amounts();
    qsizetype i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FormatCash(in[i], 2, true, true));
        i = (i + 1) % in.size();
    }
}
BENCHMARK(FormatCashPerCall);

// The kinds a cheque or deposit slip uses most, in turn.
void AutoConvertPerCall(benchmark::State &state)
{
    const QStringList &in = amounts();
    const double codes[] = {103, 104, 11, 114.08, 121.08, 311, 120, 117, 0, 116};
    const ValueEnv env = ValueEnv::system();
    qsizetype i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(AutoConvert(codes[i % 10], in[i % in.size()], env));
        ++i;
    }
}
BENCHMARK(AutoConvertPerCall);

void AutoConvertDatePerCall(benchmark::State &state)
{
    const QString in = QStringLiteral("2014-8-28");
    const ValueEnv env = ValueEnv::system();
    for (auto _ : state)
        benchmark::DoNotOptimize(AutoConvert(110, in, env));
}
BENCHMARK(AutoConvertDatePerCall);

void CapitalToNumPerCall(benchmark::State &state)
{
    const QString in = QStringLiteral("壹亿零伍仟元零伍分");
    for (auto _ : state)
        benchmark::DoNotOptimize(CapitalToNum(in, 103));
}
BENCHMARK(CapitalToNumPerCall);

// A million capital amounts in one go.
void MillionCashToCapital(benchmark::State &state)
{
    const QStringList &in = amounts();
    const QString unit = QStringLiteral("元");
    for (auto _ : state) {
        for (int i = 0; i < 1000000; ++i)
            benchmark::DoNotOptimize(CashToCapital(in[i % in.size()], unit));
    }
}
BENCHMARK(MillionCashToCapital)->Unit(benchmark::kMillisecond)->Iterations(3);

void MillionAutoConvert(benchmark::State &state)
{
    const QStringList &in = amounts();
    const double codes[] = {103, 104, 11, 114.08, 121.08, 311, 120, 117, 0, 116};
    const ValueEnv env = ValueEnv::system();
    for (auto _ : state) {
        for (int i = 0; i < 1000000; ++i)
            benchmark::DoNotOptimize(AutoConvert(codes[i % 10], in[i % in.size()], env));
    }
}
BENCHMARK(MillionAutoConvert)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
