// The search against the floor of reading and parsing the same files: on the
// bundled catalogue and on a generated one of 100 ranges of 100 bodies.
#include "SilencerSearch.h"
#include "TxFormat.h"
#include "TxPlatform.h"
#include "TxSilencerXML.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <chrono>
#include <memory>

namespace {

QStringList BundledRanges()
{
    const QDir data(QStringLiteral(VOZ_CONTENT_DIR "/data"));
    QStringList files;
    for (const QString& name : data.entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name))
        files.append(data.filePath(name));
    return files;
}

// 100 rectangular ranges of 100 bodies each, written once per process.
QStringList LargeRanges()
{
    static std::unique_ptr<QTemporaryDir> dir;
    static QStringList files;
    if (dir)
        return files;
    dir = std::make_unique<QTemporaryDir>();
    for (int r = 0; r < 100; ++r) {
        QString xml = Format("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<catalogue type=\"silencer\">\n<head>\n"
                             "<code>%s</code>\n<title>Range %d</title>\n<maker>Maker</maker>\n"
                             "<description>Splitter silencer %d</description>\n<usage>Plant rooms</usage>\n"
                             "<prefix>G%d</prefix>\n<size shape=\"rectangular\" kind=\"fixed\" height=\"Height\" "
                             "width=\"Width\" length=\"Length\" gap=\"Gap\">Height,Width,Length,Gap</size>\n"
                             "<kfactor>1</kfactor>\n<img src=\"g_photo.png\" alt=\"photo\"/>\n"
                             "<img src=\"g_ga.png\" alt=\"ga\"/>\n<page href=\"g.htm\"/>\n</head>\n<body>\n",
                             QString::fromLatin1(AppIdentifier), r, r, r);
        for (int b = 0; b < 100; ++b) {
            const int h = 300 + 150 * (b % 7);
            const int w = 600 + 300 * (b / 7 % 5);
            const int l = 1200 + 600 * (b % 3);
            xml += Format("<item>\n<name>%dx%d-%d</name>\n<size>%d,%d,%d,%d</size>\n"
                          "<sil>%d, %d, %d, %d, %d, %d, %d, %d</sil>\n<kfactor>%0.3f</kfactor>\n"
                          "<weight>%0.1f</weight>\n</item>\n",
                          h, w, l, h, w, l, w / 3, 5 + b % 5, 10 + b % 7, 16 + b % 9, 28 + b % 11, 40 + b % 13,
                          34 + b % 9, 22 + b % 7, 14 + b % 5, 0.6 + 0.01 * (b % 40), 30.0 + b);
        }
        xml += QStringLiteral("</body>\n</catalogue>\n");
        const QString path = dir->filePath(Format("range%d.xml", r));
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(xml.toUtf8());
        files.append(path);
    }
    return files;
}

TSpecificationRec DefaultDuty()
{
    TSpecificationRec s;
    s.airflow = 2.8;
    s.maxdP = 80;
    s.width = 0.9;
    s.height = 0.5;
    s.diameter = 0.6;
    s.atten = TOctave{9, 10, 15, 45, 50, 50, 45, 20};
    return s;
}

size_t ParseAll(const QStringList& files)
{
    size_t nodes = 0;
    for (const QString& name : files) {
        QFile f(name);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QByteArray bytes = f.readAll();
        pugi::xml_document doc;
        if (doc.load_buffer(bytes.constData(), static_cast<size_t>(bytes.size())))
            nodes += static_cast<size_t>(std::distance(doc.document_element().begin(), doc.document_element().end()));
    }
    return nodes;
}

QStringList Files(int which)
{
    return which == 0 ? BundledRanges() : LargeRanges();
}

void BM_ParseOnly(benchmark::State& state)
{
    const QStringList files = Files(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(ParseAll(files));
}

void BM_Search(benchmark::State& state)
{
    SetAppCode(QString::fromLatin1(AppIdentifier));
    const QStringList files = Files(static_cast<int>(state.range(0)));
    const TSpecificationRec spec = DefaultDuty();
    TRecordingMessageService messages;
    TSilencerSearch search(messages);
    std::vector<TSelectionRec> found;
    for (auto _ : state) {
        found.clear();
        search.Run(spec, files, found);
        benchmark::DoNotOptimize(found.data());
    }
    state.counters["results"] = static_cast<double>(found.size());

    // The floor, timed here as well so the ratio shows beside the result.
    using Clock = std::chrono::steady_clock;
    const int rounds = 20;
    const auto t0 = Clock::now();
    for (int i = 0; i < rounds; ++i)
        benchmark::DoNotOptimize(ParseAll(files));
    const double parseSeconds = std::chrono::duration<double>(Clock::now() - t0).count() / rounds;
    const auto t1 = Clock::now();
    for (int i = 0; i < rounds; ++i) {
        found.clear();
        search.Run(spec, files, found);
    }
    const double searchSeconds = std::chrono::duration<double>(Clock::now() - t1).count() / rounds;
    state.counters["ratio"] = searchSeconds / parseSeconds;
}

} // namespace

BENCHMARK(BM_Search)->Arg(0)->Name("BM_Search/bundled")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseOnly)->Arg(0)->Name("BM_ParseOnly/bundled")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Search)->Arg(1)->Name("BM_Search/large")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseOnly)->Arg(1)->Name("BM_ParseOnly/large")->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
