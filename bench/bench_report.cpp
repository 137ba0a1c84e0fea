// The report's edges: a letterhead line of any length wraps in time that
// grows with the line, and loading a preview file that someone else made,
// whatever it holds, takes no more than a couple of seconds.
#include "TxPageStream.h"
#include "TxPreviewFile.h"
#include "TxReportLayout.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDataStream>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace {

// One page's commands: the commands `draw` records, repeated `times` times.
QByteArray Repeated(const std::function<void(QPainter&)>& draw, quint32 times)
{
    TPageRecorder recorder(QSize(800, 1100), 96);
    QPainter p(&recorder);
    draw(p);
    p.end();
    const QByteArray one = recorder.Commands();
    QDataStream in(one);
    quint32 count = 0;
    in >> count;
    QByteArray commands;
    QDataStream out(&commands, QIODevice::WriteOnly);
    out << count * times;
    for (quint32 i = 0; i < times; ++i)
        commands.append(one.mid(4));
    return commands;
}

QByteArray FileOf(const QByteArray& commands, int pages)
{
    TPreviewFileContents contents;
    contents.PaperName = QStringLiteral("A4");
    for (int i = 0; i < pages; ++i) {
        TPreviewPage page;
        page.Units = mmPixel;
        page.Size = QSize(800, 1100);
        page.Commands = commands;
        contents.Pages.push_back(page);
    }
    return PreviewFileBytes(contents);
}

void Load(benchmark::State& state, const QByteArray& bytes)
{
    for (auto _ : state) {
        try {
            benchmark::DoNotOptimize(ParsePreviewFile(bytes, QStringLiteral("crafted.ppv")).Pages.size());
        } catch (const EPreviewFileError&) {
        }
    }
    state.counters["MB"] = double(bytes.size()) / 1e6;
}

QImage Plain(int side)
{
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// Plain pictures of 2400 x 2400 (as large as a page takes with room for
// little else), so many a page on so many pages: little to read, much to
// decode.
void BM_LoadLargePictures(benchmark::State& state)
{
    const QImage image = Plain(2400);
    const QByteArray bytes =
        FileOf(Repeated([&image](QPainter& p) { p.drawImage(QRectF(0, 0, 100, 100), image); }, quint32(state.range(0))),
               int(state.range(1)));
    Load(state, bytes);
}

// Pictures of noise, one a page: much to read, check, decode and pack.
void BM_LoadNoisyPictures(benchmark::State& state)
{
    QImage image(2400, 2400, QImage::Format_RGB32);
    quint32 x = 12345;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int i = 0; i < image.width(); ++i)
            line[i] = (x = x * 1664525u + 1013904223u) | 0xFF000000u;
    }
    const QByteArray bytes =
        FileOf(Repeated([&image](QPainter& p) { p.drawImage(QRectF(0, 0, 100, 100), image); }, 1), int(state.range(0)));
    Load(state, bytes);
}

// Many tiny pictures: each costs its own decoding.
void BM_LoadManySmallPictures(benchmark::State& state)
{
    const QImage image = Plain(1);
    const QByteArray bytes =
        FileOf(Repeated([&image](QPainter& p) { p.drawImage(QPointF(0, 0), image); }, quint32(state.range(0))), 1);
    Load(state, bytes);
}

// Long texts and many small paths.
void BM_LoadTexts(benchmark::State& state)
{
    const QString text(100000, QLatin1Char('x'));
    const QByteArray bytes =
        FileOf(Repeated([&text](QPainter& p) { p.drawText(QPointF(10, 10), text); }, quint32(state.range(0))), 1);
    Load(state, bytes);
}

void BM_LoadPaths(benchmark::State& state)
{
    QPainterPath path;
    for (int i = 0; i < 1000; ++i)
        path.lineTo(i % 97, i % 89);
    const QByteArray bytes = FileOf(Repeated([&path](QPainter& p) { p.drawPath(path); }, quint32(state.range(0))), 1);
    Load(state, bytes);
}

// Many short commands: a pen and a line, over and over.
void BM_LoadManyCommands(benchmark::State& state)
{
    const QByteArray bytes = FileOf(Repeated(
                                        [](QPainter& p) {
                                            p.setPen(QPen(Qt::red, 2));
                                            p.drawLine(0, 0, 10, 10);
                                            p.setPen(QPen(Qt::blue, 1));
                                            p.drawLine(0, 10, 10, 0);
                                        },
                                        quint32(state.range(0))),
                                    1);
    Load(state, bytes);
}

// A letterhead line of state.range(0) bytes of words, wrapped whole at
// 8 points on the width of an A4 header.
void BM_WrapLongLine(benchmark::State& state)
{
    const QString line = QStringLiteral("VAT 4012345678 ").repeated(state.range(0) / 15);
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(11);
    const QFontMetrics metrics(font);
    for (auto _ : state)
        benchmark::DoNotOptimize(WrapToWidth(line, metrics, 600).size());
}

} // namespace

BENCHMARK(BM_WrapLongLine)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
// Within the budgets (one picture, two pages of one) and beyond them.
BENCHMARK(BM_LoadLargePictures)
    ->Args({1, 1})
    ->Args({1, 2})
    ->Args({100, 1})
    ->Args({1, 100})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_LoadNoisyPictures)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LoadManySmallPictures)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);
// Files just below the largest a preview file may be.
BENCHMARK(BM_LoadTexts)->Arg(600)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LoadManyCommands)->Arg(500000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LoadPaths)->Arg(7000)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
