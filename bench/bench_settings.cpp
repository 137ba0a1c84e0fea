// The program's INI file at the settings bound, and one far above it: what
// the start-up's readers of it cost, with one read shared between them and
// with one read each.
#include "TxFileRead.h"
#include "TxIniFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// A settings file of `size` bytes: the program's sections, then either one
// long value or many short keys.
QString WriteIni(const QTemporaryDir& dir, qint64 size, bool shortLines)
{
    QByteArray text = "[VAT]\nRate=0.14\n[Units]\nAirflow=0\n[Form]\nLeft=10\nTop=10\nWidth=800\nHeight=600\n";
    if (shortLines) {
        text += "[Padding]\n";
        for (int i = 0; text.size() < size - 32; ++i)
            text += "k" + QByteArray::number(i) + "=v\n";
    } else {
        text += "[Enquiry]\nNote=";
    }
    text += QByteArray(size - text.size() - 1, 'x') + "\n";
    const QString name = dir.filePath("vozudarizazi.ini");
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        return QString();
    return name;
}

// The reads of the start-up: VAT, units, the main window's sections, its
// edit units and the unit-settings window's place, each through an object
// of its own.
void StartupReads(const QString& name)
{
    benchmark::DoNotOptimize(TIniFile(name).ReadFloat("VAT", "Rate", 0.14));
    benchmark::DoNotOptimize(TIniFile(name).ReadSectionValues("Units"));
    {
        const TIniFile ini(name);
        for (const char* key : {"Left", "Top", "Width", "Height"})
            benchmark::DoNotOptimize(ini.ReadInteger("Form", key, 0));
        for (int i = 0; i < 9; ++i)
            benchmark::DoNotOptimize(ini.ReadInteger("ListColWidth", QString::number(i), 0));
    }
    benchmark::DoNotOptimize(TIniFile(name).ReadInteger("EditUnits", "AirFlow", 0));
    benchmark::DoNotOptimize(TIniFile(name).ValueExists("UnitsForm", "Left"));
}

void BM_StartupReadsOfAFullIni(benchmark::State& state)
{
    const qint64 size = state.range(0) * 1024 * 1024;
    const bool shortLines = state.range(1) != 0;
    const bool shared = state.range(2) != 0;
    QTemporaryDir dir;
    const QString name = WriteIni(dir, size, shortLines);
    int reads = 0;
    SetWholeFileReadObserver([&](const QString&) { ++reads; });
    for (auto _ : state) {
        if (shared) {
            const TIniReadShare share;
            StartupReads(name);
        } else {
            StartupReads(name);
        }
    }
    SetWholeFileReadObserver({});
    state.counters["reads"] = benchmark::Counter(reads, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_StartupReadsOfAFullIni)
    ->ArgNames({"MiB", "short_lines", "shared"})
    ->ArgsProduct({{MaxSettingsFileSize / (1024 * 1024), 64}, {0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

} // namespace

BENCHMARK_MAIN();
