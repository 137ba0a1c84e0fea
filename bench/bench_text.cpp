// Formatting and parsing of numbers, which every grid row and file touches.
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

BENCHMARK_MAIN();
