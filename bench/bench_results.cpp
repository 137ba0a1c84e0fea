// Filling and sorting the main window's result list with 10,000 rows: the
// list is built once per search and re-ordered on every header click.
#include "SilencerSearch.h"
#include "TxFormat.h"
#include "UnitsManager.h"
#include "main.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

#include <vector>

namespace {

std::vector<TSelectionRec> Records(int count)
{
    std::vector<TSelectionRec> records(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        TSelectionRec& r = records[static_cast<size_t>(i)];
        // Scrambled keys, so that every sort has work to do.
        const int k = (i * 7919) % count;
        r.model = Format("TR%d-%dx%d", k % 37, 300 + k % 900, 600 + (k * 13) % 1500);
        r.shape = 1;
        r.widdiam = 0.3 + (k % 900) * 0.001;
        r.height = 0.6 + ((k * 13) % 1500) * 0.001;
        r.length = 0.6 + (k % 5) * 0.3;
        for (int b = 0; b < 8; ++b)
            r.atten[static_cast<size_t>(b)] = 5 + (k + b * 3) % 50;
        r.db = OctaveTotal(r.atten);
        r.dp = 10.0 + (k % 700) * 0.1;
        r.vp = 2.0 + (k % 97) * 0.1;
    }
    return records;
}

void BM_FillAndSortResults(benchmark::State& state)
{
    const std::vector<TSelectionRec> records = Records(static_cast<int>(state.range(0)));
    QTreeWidget list;
    list.setColumnCount(ResultColumnCount);
    list.resize(613, 129);
    list.show();
    for (auto _ : state) {
        TResultSort sort;
        list.clear();
        FillResultList(&list, records, sort);
        sort.ColumnClick(6); // pressure drop, largest first
        SortResultList(&list, records, sort);
        benchmark::DoNotOptimize(list.topLevelItemCount());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FillAndSortResults)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_SortResultsByClick(benchmark::State& state)
{
    const std::vector<TSelectionRec> records = Records(static_cast<int>(state.range(0)));
    QTreeWidget list;
    list.setColumnCount(ResultColumnCount);
    TResultSort sort;
    FillResultList(&list, records, sort);
    int column = 0;
    for (auto _ : state) {
        sort.ColumnClick(column);
        SortResultList(&list, records, sort);
        column = (column + 1) % ResultColumnCount;
    }
}
BENCHMARK(BM_SortResultsByClick)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    CreateUnitsManager(dir.filePath(QStringLiteral("units.ini")));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    FreeUnitsManager();
    return 0;
}
