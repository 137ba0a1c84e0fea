// The project window shows any project Open accepts within a couple of
// seconds, and the quotation of one whose every item has an ancillary name of
// its own is written or refused in time and memory that follow the items and
// names, not their product. A file beyond the bounds is refused as it is
// read, in time and memory that follow its bytes; notes of a letter with
// many accents cost nothing while the cursor blinks.
#include "ProjectDlg.h"
#include "ProjectDocuments.h"
#include "TxApplicationPath.h"
#include "TxErrors.h"
#include "TxPlatform.h"
#include "TxRegistry.h"
#include "UnitsManager.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <sys/resource.h>

namespace {

QTemporaryDir& Scratch()
{
    static QTemporaryDir dir;
    return dir;
}

// `length` characters of a text that reads like one.
QString Text(int length, int seed)
{
    const QString words = QStringLiteral("Supply air handling unit %1, roof level, east wing ").arg(seed);
    return words.repeated(length / words.size() + 1).left(length);
}

TSelectionRec FullSelection(int i)
{
    TSelectionRec s;
    s.model = Text(decltype(s.model)::MaxLength, i);
    s.prefix = Text(decltype(s.prefix)::MaxLength, i);
    s.rangedesc = Text(decltype(s.rangedesc)::MaxLength, i);
    s.size = Text(decltype(s.size)::MaxLength, i);
    s.shape = static_cast<uint8_t>(i % 2);
    s.widdiam = 0.9;
    s.height = 0.6;
    s.length = 1.2;
    s.atten = {1, 2, 3, 4, 5, 6, 7, 8};
    s.regen = {10, 20, 30, 40, 50, 60, 70, 80};
    s.dp = 55.5;
    return s;
}

// Every bound reached: the most items, each with the longest description, the
// first with the most ancillaries an item holds, the others sharing what is
// left of the project's, the longest header texts and notes.
QString LargestProjectFile()
{
    static QString written;
    if (!written.isEmpty())
        return written;
    TProject p;
    p.ProjectName = p.QuoteNo = p.Revision = p.Attention = p.Contractor = Text(MaxProjectText, 0);
    p.Notes.clear();
    for (int chars = 0; chars + 71 <= MaxProjectNotes; chars += 71)
        p.Notes.append(Text(70, chars));
    TSpecificationRec spec;
    spec.airflow = 2.8;
    spec.height = 0.5;
    for (int i = 0; i < MaxProjectItems; ++i) {
        p.InsertItem(spec, FullSelection(i), -1);
        TProjectItem& item = p.Item(i);
        item.Description = Text(MaxProjectText, i);
        item.Qty = 1 + i % 7;
        item.Price = 1000 + i * 0.25;
        item.Ancillaries.clear();
        const int lines =
            i == 0 ? MaxItemAncillaries : (MaxProjectAncillaries - MaxItemAncillaries) / (MaxProjectItems - 1);
        for (int a = 0; a < lines; ++a)
            item.Ancillaries.push_back({Text(160, i * 100 + a), a + 1, 10.5 + a, 0});
        item.CalcAncillaryTotal();
        item.CalcTotal();
    }
    p.CalcTotals();
    const QString file = Scratch().filePath(QStringLiteral("largest.pxf"));
    if (!p.SaveToFile(file))
        std::abort();
    written = file;
    return file;
}

void BM_OpenAndShowLargestProject(benchmark::State& state)
{
    const QString file = LargestProjectFile();
    TProjectForm form;
    form.resize(1200, 800);
    form.show();
    QApplication::processEvents();
    for (auto _ : state) {
        if (!form.LoadProject(file))
            state.SkipWithError("refused");
        // Painted as the screen would show it.
        benchmark::DoNotOptimize(form.grab());
    }
    state.counters["MB"] = double(QFileInfo(file).size()) / 1e6;
}
BENCHMARK(BM_OpenAndShowLargestProject)->Unit(benchmark::kMillisecond)->Iterations(3);

// Every line, item and project total of the largest project, as Open
// computes them; each edit computes the project's.
void BM_TotalsOfLargestProject(benchmark::State& state)
{
    TProject p;
    if (!p.LoadFromFile(LargestProjectFile()))
        state.SkipWithError("refused");
    for (auto _ : state) {
        for (const auto& item : p.Items) {
            item->CalcAncillaryTotal();
            item->CalcTotal();
        }
        p.CalcTotals();
    }
}
BENCHMARK(BM_TotalsOfLargestProject)->Unit(benchmark::kMillisecond);

// Writes the quotation of `p` at each iteration; whether it was refused.
bool QuoteEachIteration(benchmark::State& state, const TProject& p)
{
    TRecordingDocumentOpener opener;
    TScopedDocumentOpener openerScope(opener);
    bool refused = false;
    for (auto _ : state) {
        try {
            ShowQuotation(p, QStringLiteral("Vozudarizazi"), Scratch().path());
        } catch (const EInOutError&) {
            refused = true;
        }
    }
    return refused;
}

// Items each with one priced ancillary of its own name: every page of the
// quotation writes a row for every name.
void BM_QuotationOfOwnAncillaryNames(benchmark::State& state)
{
    const int items = static_cast<int>(state.range(0));
    TProject p;
    for (int i = 0; i < items; ++i) {
        p.InsertItem({}, {}, -1);
        TProjectItem& item = p.Item(i);
        item.Price = 10;
        item.Ancillaries = {{QStringLiteral("Anc %1").arg(i), 1, 1, 0}};
        item.CalcAncillaryTotal();
        item.CalcTotal();
    }
    p.CalcTotals();
    const bool refused = QuoteEachIteration(state, p);
    state.counters["refused"] = refused;
    state.counters["MB"] =
        refused ? 0 : double(QFileInfo(Scratch().filePath(QStringLiteral("Project.htm"))).size()) / 1e6;
}
BENCHMARK(BM_QuotationOfOwnAncillaryNames)->Arg(1000)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

double PeakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024;
}

// The project's ancillary lines at their bound, every one priced under the
// longest name of its own: what the quotation builds before it can count.
void BM_QuotationOfLongestAncillaryNames(benchmark::State& state)
{
    TProject p;
    for (int i = 0; i < MaxProjectAncillaries / MaxItemAncillaries; ++i) {
        p.InsertItem({}, {}, -1);
        TProjectItem& item = p.Item(i);
        item.Ancillaries.clear();
        for (int a = 0; a < MaxItemAncillaries; ++a)
            item.Ancillaries.push_back({Text(MaxProjectText, i * MaxItemAncillaries + a), 1, 1, 0});
        item.CalcAncillaryTotal();
        item.CalcTotal();
    }
    p.CalcTotals();
    const bool refused = QuoteEachIteration(state, p);
    state.counters["refused"] = refused;
    state.counters["peakMB"] = PeakMegabytes();
}
BENCHMARK(BM_QuotationOfLongestAncillaryNames)->Unit(benchmark::kMillisecond)->Iterations(3);

// One item of many more ancillaries than a project holds: refused as the
// file is read, before anything is built of it.
void BM_OpenRefusesTooManyAncillaries(benchmark::State& state)
{
    const QString file = Scratch().filePath(QStringLiteral("many.pxf"));
    {
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly))
            std::abort();
        out.write("<project developer=\"Vededudezar Software\"><head><filedescription>DEZ Uder Project File"
                  "</filedescription><manufacturer>DEZ Uder</manufacturer></head><body><item><ancillaries>");
        out.write(QByteArray("<aitem/>").repeated(3500000));
        out.write("</ancillaries></item></body></project>");
    }
    for (auto _ : state) {
        TProject p;
        if (p.LoadFromFile(file))
            state.SkipWithError("loaded");
    }
    state.counters["MB"] = double(QFileInfo(file).size()) / 1e6;
}
BENCHMARK(BM_OpenRefusesTooManyAncillaries)->Unit(benchmark::kMillisecond);

// What every blink of the cursor asks of notes of one letter and its accents.
void BM_NotesCursorOnAccentedLetter(benchmark::State& state)
{
    TProjectForm form;
    form.show();
    form.NotesMemo->setPlainText(QStringLiteral("a") + QString(MaxProjectNotes - 1, QChar(0x0301)));
    form.NotesMemo->moveCursor(QTextCursor::End);
    form.NotesMemo->setFocus();
    QApplication::processEvents();
    // A blink: where the cursor is, and that spot painted again.
    for (auto _ : state)
        form.NotesMemo->viewport()->repaint(form.NotesMemo->cursorRect());
}
BENCHMARK(BM_NotesCursorOnAccentedLetter)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    SetRegistryFileName(Scratch().filePath(QStringLiteral("registry.conf")));
    ExeDir = Scratch().path() + QLatin1Char('/');
    UserDataDir = ExeDir;
    InitProjectSettings(Scratch().filePath(QStringLiteral("none.ini")),
                        Scratch().filePath(QStringLiteral("none2.ini")));
    CreateUnitsManager(Scratch().filePath(QStringLiteral("units.ini")));
    TRecordingMessageService messages;
    TScopedMessageService messagesScope(messages);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    FreeUnitsManager();
    return 0;
}
