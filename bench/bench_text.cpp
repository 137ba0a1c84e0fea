// Formatting and parsing of numbers, which every grid row and file touches.
#include "TxConv.h"
#include "TxFormat.h"
#include "TxString.h"

#include <benchmark/benchmark.h>

static void BM_FormatFixed(benchmark::State& state)
{
    double v = 0.1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Format("%0.2f", v));
        v += 1.37;
    }
}
BENCHMARK(BM_FormatFixed);

static void BM_NormaliseAndParse(benchmark::State& state)
{
    const QString text = QStringLiteral(" 12 345.678e-3 ");
    for (auto _ : state)
        benchmark::DoNotOptimize(StrToFloat(NormaliseNumberText(text)));
}
BENCHMARK(BM_NormaliseAndParse);

// A column converts many values with one factor; a list row converts
// several quantities in turn, each with its own factor (mm, m³/hr, m³/min,
// kg/s).
static void BM_ConvertToDisplayUnits(benchmark::State& state)
{
    const double factors[] = {1000.0, 3600.0, 60.0, 0.001};
    const auto count = static_cast<size_t>(state.range(0));
    double v = 0.3;
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ToDisplayUnits(v, factors[i], 0.0));
        i = (i + 1) % count;
        v += 0.001;
    }
}
BENCHMARK(BM_ConvertToDisplayUnits)->Arg(1)->Arg(2)->Arg(4);

BENCHMARK_MAIN();
