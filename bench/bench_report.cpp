// The report's edges: a letterhead line of any length wraps in time that
// grows with the line; the report with pictures as large as a camera makes
// them is drawn on any paper in well under a second, and drawn again (a
// paper change, an activation) without reading its pictures again; loading a preview file that someone else made,
// whatever it holds, is done or refused in about a second; and any page a
// file may hold paints in a window at any zoom in less than that.
#include "PageTabStrip.h"
#include "SilencerReport.h"
#include "TxFormat.h"
#include "TxPageStream.h"
#include "TxPreviewDocument.h"
#include "TxPreviewFile.h"
#include "TxPrintPreview.h"
#include "TxPrintPreviewDlg.h"
#include "TxRegistry.h"
#include "TxReportLayout.h"
#include "UnitsManager.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QDataStream>
#include <QIODevice>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTemporaryDir>

#include <zlib.h>

#include <algorithm>
#include <functional>

namespace {

const QSize Sheet(800, 1100);
// A2 landscape, the widest sheet a page may have.
const QSize WidestSheet(2245, 1587);

// One page's commands: the commands `draw` records, repeated `times` times.
QByteArray Repeated(const std::function<void(QPainter&)>& draw, quint32 times, QSize sheet = Sheet)
{
    TPageRecorder recorder(sheet, 96);
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

QByteArray FileOf(const QByteArray& commands, int pages, QSize sheet = Sheet)
{
    TPreviewFileContents contents;
    contents.PaperName = QStringLiteral("A4");
    for (int i = 0; i < pages; ++i) {
        TPreviewPage page;
        page.Units = mmPixel;
        page.Size = sheet;
        page.Commands = commands;
        contents.Pages.push_back(page);
    }
    return PreviewFileBytes(contents);
}

// Loads `bytes`; counts whether they were refused.
void Load(benchmark::State& state, const QByteArray& bytes)
{
    bool refused = false;
    for (auto _ : state) {
        try {
            benchmark::DoNotOptimize(ParsePreviewFile(bytes, QStringLiteral("crafted.ppv")).Pages.size());
        } catch (const EPreviewFileError&) {
            refused = true;
        }
    }
    state.counters["MB"] = double(bytes.size()) / 1e6;
    state.counters["refused"] = refused;
}

QImage Plain(int side)
{
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

QImage Noise(int side)
{
    QImage image(side, side, QImage::Format_RGB32);
    quint32 x = 12345;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int i = 0; i < image.width(); ++i)
            line[i] = (x = x * 1664525u + 1013904223u) | 0xFF000000u;
    }
    return image;
}

// A picture's commands with the PNG as it is, parts the recorder would
// leave out kept.
QByteArray PictureAsIs(const QImage& image, quint32 times)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    QByteArray commands;
    QDataStream out(&commands, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    out << times;
    for (quint32 i = 0; i < times; ++i)
        out << quint8(22) << 0.0 << 0.0 << 1.0 << 1.0 << 0.0 << 0.0 << 1.0 << 1.0 << png;
    return commands;
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

// Pictures of noise, one a page: much to read, check, decode and pack. Two
// pages are within the file's budget, three are not.
void BM_LoadNoisyPictures(benchmark::State& state)
{
    const QImage image = Noise(2400);
    const QByteArray bytes =
        FileOf(Repeated([&image](QPainter& p) { p.drawImage(QRectF(0, 0, 100, 100), image); }, 1), int(state.range(0)));
    Load(state, bytes);
}

// Many tiny pictures: each costs its own decoding. 64 are what a page may
// hold.
void BM_LoadManySmallPictures(benchmark::State& state)
{
    const QImage image = Plain(1);
    const QByteArray bytes =
        FileOf(Repeated([&image](QPainter& p) { p.drawImage(QPointF(0, 0), image); }, quint32(state.range(0))), 1);
    Load(state, bytes);
}

// Small pictures each carrying a compressed text of 7 MB, as many as the
// pictures' budget lets a file hold.
void BM_LoadPicturesWithTexts(benchmark::State& state)
{
    QImage image = Plain(1);
    image.setText(QStringLiteral("Comment"), QString(7 * 1000 * 1000, QLatin1Char('x')));
    Load(state, FileOf(PictureAsIs(image, 1000), 3));
}

// Texts of a letterhead line's longest, as many as a page and a file may
// hold; and longer ones.
void BM_LoadTexts(benchmark::State& state)
{
    const QString text(int(state.range(0)), QLatin1Char('x'));
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(11);
    const QByteArray bytes = FileOf(Repeated(
                                        [&](QPainter& p) {
                                            p.setFont(font);
                                            p.drawText(QPointF(10, 10), text);
                                        },
                                        quint32(state.range(1))),
                                    int(state.range(2)));
    Load(state, bytes);
}

// Many short commands: a pen and a short rule, over and over.
void BM_LoadManyCommands(benchmark::State& state)
{
    const QByteArray bytes = FileOf(Repeated(
                                        [](QPainter& p) {
                                            p.setPen(QPen(Qt::red, 1));
                                            p.drawLine(0, 0, 1, 1);
                                        },
                                        quint32(state.range(0))),
                                    int(state.range(1)));
    Load(state, bytes);
}

// Paths of many points with a wide pen, as in a file that was not made
// here: refused.
void BM_LoadPaths(benchmark::State& state)
{
    QPainterPath path;
    for (int i = 0; i < 3000; ++i)
        path.lineTo(i % 97 * 8, i % 89 * 12);
    const QByteArray bytes = FileOf(Repeated(
                                        [&path](QPainter& p) {
                                            p.setPen(QPen(Qt::black, 3));
                                            p.drawPath(path);
                                        },
                                        1),
                                    1);
    Load(state, bytes);
}

// The most a page may hold of one kind of drawing, all of it on one spot:
// what a window showing that spot paints.
QByteArray Crowded(int kind)
{
    const QImage picture = Noise(64);
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(19); // the largest the program writes
    switch (kind) {
    case 0: // texts of three letters at their largest, each on the others
        return Repeated(
            [&](QPainter& p) {
                p.setFont(font);
                p.drawText(QPointF(400, 550), QStringLiteral("WMW"));
            },
            320);
    case 5: // texts of 30 letters, as many as the widest sheet holds
        return Repeated(
            [&](QPainter& p) {
                p.setFont(font);
                p.drawText(QPointF(400, 550), QString(30, QLatin1Char('W')));
            },
            62, WidestSheet);
    case 1: // pictures, drawn smooth
        return Repeated(
            [&](QPainter& p) {
                p.setRenderHint(QPainter::SmoothPixmapTransform);
                p.drawImage(QRectF(380, 540, 160, 100), picture);
            },
            MaxPageAreas);
    case 2: // solid boxes
        return Repeated([](QPainter& p) { p.fillRect(QRectF(380, 540, 160, 100), Qt::red); }, MaxPageAreas);
    case 3: // short rules, as many commands as a page may hold
        return Repeated(
            [](QPainter& p) {
                p.setPen(QPen(Qt::black, 1));
                p.drawLine(460, 590, 461, 591);
            },
            2400);
    default: // rules across the page, each on the others, drawn smooth
        return Repeated(
            [](QPainter& p) {
                p.setRenderHint(QPainter::Antialiasing);
                p.setPen(QPen(Qt::black, 1));
                p.drawLine(0, 550, 800, 560);
            },
            23);
    }
}

// Paints a page of Crowded(kind) at state.range(1) percent as a window of
// 1600 x 1000 pixels on the crowded spot does: what is in sight and half
// the window around it.
void BM_PaintCrowdedPage(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("crowded.ppv"));
    QFile out(file);
    out.open(QIODevice::WriteOnly);
    out.write(FileOf(Crowded(int(state.range(0))), 1, state.range(0) == 5 ? WidestSheet : Sheet));
    out.close();
    TPrintPreview preview;
    preview.Document()->LoadFromFile(file);
    preview.SetZoom(int(state.range(1)));
    const double s = state.range(1) / 100.0;
    const QRect window(QPoint(qRound(460 * s) - 1600, qRound(590 * s) - 1000), QSize(3200, 2000));
    for (auto _ : state)
        benchmark::DoNotOptimize(preview.RenderPart(1, window).size());
}

// The worst a file may hold for saving as PDF (and Send) and printing:
// kind 0, pages of one-letter texts of every letter, as many as a page's
// elements allow, in as many font families and fonts as a file may use;
// kind 1, two pages of a picture of noise, as much as a file may hold.
void LoadWorst(benchmark::State& state, TPreviewDocument& doc, QTemporaryDir& dir)
{
    QByteArray bytes;
    if (state.range(0) == 0) {
        // A text takes its command, its letter and its font's one-letter
        // family, and the recorder sets the font again before it.
        const quint32 texts = quint32(MaxPageElements / 5) - 5;
        TPageRecorder recorder(Sheet, 96);
        QPainter p(&recorder);
        for (quint32 i = 0; i < texts; ++i) {
            const int f = int(i * MaxFileFonts / texts);
            QFont font(QString(QChar(u'A' + f % MaxFileFamilies))); // found as the nearest there is
            font.setPixelSize(6 + f / MaxFileFamilies);             // within the text budget
            font.setBold(f % 2);
            p.setFont(font);
            p.drawText(QPointF(10 + i % 700, 20 + i % 1000), QString(QChar(u'!' + i % 94)));
        }
        p.end();
        bytes = FileOf(recorder.Commands(), int(MaxFileElements / MaxPageElements));
    } else {
        const QImage image = Noise(2400);
        bytes = FileOf(Repeated([&image](QPainter& p) { p.drawImage(QRectF(0, 0, 100, 100), image); }, 1), 2);
    }
    const QString file = dir.filePath(QStringLiteral("worst.ppv"));
    QFile out(file);
    out.open(QIODevice::WriteOnly);
    out.write(bytes);
    out.close();
    try {
        doc.LoadFromFile(file);
    } catch (const EPreviewFileError& e) {
        state.SkipWithError(e.Message().toStdString().c_str());
    }
}

void BM_SaveWorstAsPdf(benchmark::State& state)
{
    QTemporaryDir dir;
    TPreviewDocument doc;
    LoadWorst(state, doc, dir);
    for (auto _ : state)
        doc.SaveAsPDF(dir.filePath(QStringLiteral("worst.pdf")));
}

// The first page of the worst, painted as the window shows it whole.
void BM_PaintWorstPage(benchmark::State& state)
{
    QTemporaryDir dir;
    TPreviewDocument doc;
    LoadWorst(state, doc, dir);
    QImage image(Sheet, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter p(&image);
        PaintPage(p, doc.Page(1), 96, 96);
    }
}

// A picture of 2000 x 2000 whose data go on with state.range(0) MB of
// zeros, on three pages: refused after inflating what its pixels take.
void BM_LoadPictureDataGoingOn(benchmark::State& state)
{
    const int side = 2000;
    const qint64 raw = qint64(side) * (1 + 3 * side);
    z_stream z{};
    deflateInit(&z, 9);
    QByteArray zeros(16 << 20, '\0');
    QByteArray data;
    for (qint64 left = raw + (state.range(0) << 20); left > 0; left -= zeros.size()) {
        z.next_in = reinterpret_cast<Bytef*>(zeros.data());
        z.avail_in = uInt(std::min<qint64>(left, zeros.size()));
        const int flush = left <= zeros.size() ? Z_FINISH : Z_NO_FLUSH;
        do {
            char buffer[1 << 16];
            z.next_out = reinterpret_cast<Bytef*>(buffer);
            z.avail_out = sizeof buffer;
            deflate(&z, flush);
            data.append(buffer, qsizetype(sizeof buffer - z.avail_out));
        } while (z.avail_out == 0 || (flush == Z_FINISH && z.avail_in > 0));
    }
    deflateEnd(&z);
    QByteArray png = QByteArray::fromHex("89504e470d0a1a0a");
    auto chunk = [&png](const char* type, const QByteArray& body) {
        QDataStream out(&png, QIODevice::Append);
        out << quint32(body.size());
        out.writeRawData(type, 4);
        out.writeRawData(body.constData(), int(body.size()));
        out << quint32(crc32(crc32(0, reinterpret_cast<const Bytef*>(type), 4),
                             reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size())));
    };
    chunk("IHDR", QByteArray::fromHex("000007d0000007d00802000000"));
    chunk("IDAT", data);
    chunk("IEND", {});
    QByteArray commands;
    QDataStream out(&commands, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    out << quint32(1) << quint8(22) << 0.0 << 0.0 << 100.0 << 100.0 << 0.0 << 0.0 << double(side) << double(side)
        << png;
    Load(state, FileOf(commands, 3));
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

// The shipped photo and drawing, or both at state.range(1) pixels high as a
// maker's camera takes them, in the report on the paper of state.range(0).
// First drawn: the pictures are new files each time (the report as first
// opened); drawn again: a paper change there and back with the same files,
// each paper drawn before.
void ReportPictures(benchmark::State& state, bool cold)
{
    static const char* const papers[] = {"A4", "A3", "Tabloid", "Legal"};
    const QString content = QStringLiteral(VOZ_CONTENT_DIR "/");
    QTemporaryDir dir;
    SetRegistryFileName(dir.filePath(QStringLiteral("registry.conf")));
    QImage photo(content + QStringLiteral("images/trm_photo.png"));
    QImage drawing(content + QStringLiteral("images/trm_ga.png"));
    if (const int high = int(state.range(1)); high > 0) {
        const QSize camera(high * 2 / 3, high);
        photo = photo.scaled(camera, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        drawing = drawing.scaled(camera, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    int copies = 0;
    auto pictures = [&] {
        const QString program = dir.filePath(Format("program%d/", copies++));
        QDir().mkpath(program + QStringLiteral("images"));
        photo.save(program + QStringLiteral("images/photo.png"), "PNG");
        drawing.save(program + QStringLiteral("images/ga.png"), "PNG");
        return program;
    };
    TSilencerReportInput in;
    in.Spec.airflow = 2.8;
    in.Spec.maxdP = 80;
    in.Rec.model = QStringLiteral("TRM 900x500");
    in.Rec.shape = 1;
    in.Rec.photo = QStringLiteral("photo.png");
    in.Rec.ga = QStringLiteral("ga.png");
    in.Rectangular = true;
    in.UserDataDir = content + QStringLiteral("documents/");
    in.ExeDir = pictures();
    in.VersionText = QStringLiteral("Vozudarizazi 1.0");
    TPrintPreviewForm form(nullptr, dir.path() + QLatin1Char('/'));
    form.OnCreatePages = [&in](TPrintPreviewForm& f) { BuildReport(f, in); };
    const int paper = form.FormComboBox->findText(QString::fromLatin1(papers[state.range(0)]));
    const int other = form.FormComboBox->findText(QStringLiteral("A5"));
    for (const int index : {paper, other}) {
        form.FormComboBox->setCurrentIndex(index);
        form.DoCreatePages();
    }
    const TReportPictureWork read = ReportPictureWork();
    const TPictureWork recorded = PageStreamPictureWork();
    for (auto _ : state) {
        if (cold) {
            state.PauseTiming();
            in.ExeDir = pictures();
            form.FormComboBox->setCurrentIndex(paper);
            state.ResumeTiming();
            form.FormComboBoxChange();
            continue;
        }
        for (const int index : {paper, other}) {
            form.FormComboBox->setCurrentIndex(index);
            form.FormComboBoxChange();
        }
    }
    // What each drawing read, scaled, compressed and decoded of its pictures.
    const double drawings = (cold ? 1.0 : 2.0) * double(state.iterations());
    state.counters["read"] = double(ReportPictureWork().Read - read.Read) / drawings;
    state.counters["scaled"] = double(ReportPictureWork().Scaled - read.Scaled) / drawings;
    state.counters["compressed"] = double(PageStreamPictureWork().Compressed - recorded.Compressed) / drawings;
    state.counters["decoded"] = double(PageStreamPictureWork().Decoded - recorded.Decoded) / drawings;
    SetRegistryFileName(QString());
}

void BM_ReportFirstDrawn(benchmark::State& state)
{
    ReportPictures(state, true);
}

void BM_ReportDrawnAgain(benchmark::State& state)
{
    ReportPictures(state, false);
}

// A preview file of state.range(0) pages of one short rule each, loaded
// into the window on the screen, and a paper change that replaces them with
// the one page of a report: a tab a page comes and goes.
void BM_ManyPagesInTheWindow(benchmark::State& state)
{
    QTemporaryDir dir;
    SetRegistryFileName(dir.filePath(QStringLiteral("registry.conf")));
    const QString file = dir.filePath(QStringLiteral("pages.ppv"));
    QFile out(file);
    out.open(QIODevice::WriteOnly);
    out.write(FileOf(Repeated([](QPainter& p) { p.drawLine(10, 10, 20, 10); }, 1), int(state.range(0))));
    out.close();
    TPrintPreviewForm form(nullptr, dir.path() + QLatin1Char('/'));
    form.OnCreatePages = [](TPrintPreviewForm& f) { f.DrawRule(100); };
    form.show();
    for (auto _ : state) {
        form.Document().LoadFromFile(file);
        benchmark::DoNotOptimize(form.PageNavigator->count());
        form.FormComboBoxChange();
    }
    SetRegistryFileName(QString());
}

} // namespace

BENCHMARK(BM_ManyPagesInTheWindow)->Arg(1000)->Arg(2000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ReportFirstDrawn)->ArgsProduct({{0, 1, 2, 3}, {0, 4490}})->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReportDrawnAgain)->ArgsProduct({{1, 2, 3}, {4490}})->Unit(benchmark::kMillisecond)->Iterations(3);
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
BENCHMARK(BM_LoadManySmallPictures)->Arg(64)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LoadPicturesWithTexts)->Unit(benchmark::kMillisecond)->Iterations(1);
// A page's and a file's worth of texts and of rules, and beyond.
BENCHMARK(BM_LoadTexts)->Args({1000, 2, 120})->Args({100000, 600, 1})->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LoadManyCommands)->Args({2400, 25})->Args({500000, 1})->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LoadPaths)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SaveWorstAsPdf)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PaintWorstPage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LoadPictureDataGoingOn)->Arg(1024)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PaintCrowdedPage)
    ->ArgsProduct({{0, 1, 2, 3, 4, 5}, {100, 400, 1000}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir units;
    CreateUnitsManager(units.filePath(QStringLiteral("units.ini")));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    FreeUnitsManager();
    return 0;
}
