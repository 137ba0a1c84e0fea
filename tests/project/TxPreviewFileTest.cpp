#include "TxPreviewFile.h"

#include "TxPageStream.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QColorSpace>
#include <QCryptographicHash>
#include <QDataStream>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>

namespace {

// Everything the program's pages hold: texts on white and on nothing,
// the frame, rules, a filled box, pictures and a shrunk part.
void DrawSample(QPainter& p, int number)
{
    p.setBackgroundMode(Qt::OpaqueMode);
    p.setBackground(Qt::white);
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(13);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(QRectF(20, 20, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip,
               QStringLiteral("Page %1: 63 125 250 m³/s").arg(number));
    p.setBackgroundMode(Qt::TransparentMode);
    font.setBold(true);
    font.setItalic(true);
    font.setPixelSize(19);
    p.setFont(font);
    p.setPen(QColor(0, 0, 128));
    p.drawText(QPointF(20, 70), QStringLiteral("Silencer Report"));
    p.setPen(QPen(QColor(245, 245, 220), 0));
    p.drawRect(QRect(10, 10, 379, 279));
    p.setPen(QPen(Qt::red, 1));
    p.drawLine(20, 90, 380, 90);
    p.drawPolyline(QPolygonF({QPointF(20, 100), QPointF(60, 140), QPointF(100, 100)}));
    p.setBrush(QColor(255, 200, 0));
    p.drawPolygon(QPolygonF({QPointF(120, 100), QPointF(160, 140), QPointF(200, 100)}), Qt::WindingFill);
    p.setBrush(Qt::NoBrush);
    QImage image(30, 20, QImage::Format_ARGB32);
    image.fill(QColor(10, 120, 200));
    p.drawImage(QPoint(20, 160), image);
    p.drawPixmap(QRect(60, 160, 60, 40), QPixmap::fromImage(image));
    p.save();
    p.scale(0.5, 0.5);
    p.fillRect(QRect(300, 320, 80, 80), Qt::magenta);
    p.drawText(QPointF(300, 440), QStringLiteral("shrunk"));
    p.restore();
}

TPreviewPage SamplePage(int number)
{
    TPreviewPage page;
    page.Units = mmPixel;
    page.Size = QSize(400, 300);
    TPageRecorder recorder(page.Size, PreviewPixelsPerInch);
    QPainter p(&recorder);
    DrawSample(p, number);
    p.end();
    page.Commands = recorder.Commands();
    QString error;
    EXPECT_TRUE(CommandsToPage(page.Commands, SheetFor(page), page.Drawing, error)) << error.toStdString();
    return page;
}

QImage Render(const TPreviewPage& page)
{
    QImage image(page.Size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    PaintPage(p, page, PreviewPixelsPerInch, PreviewPixelsPerInch);
    return image;
}

int DifferentPixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return -1;
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                ++n;
    return n;
}

TPreviewFileContents Sample(int pages)
{
    TPreviewFileContents c;
    c.PaperName = QStringLiteral("A4");
    for (int i = 1; i <= pages; ++i)
        c.Pages.push_back(SamplePage(i));
    return c;
}

// A file around `body` with a correct head and checksum, for bodies no
// writer of the program makes.
QByteArray FileAround(const QByteArray& body, quint16 version = PreviewFileVersion)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    out << quint32(0x565A5050) << version << quint16(0) << quint32(body.size());
    out.writeRawData(body.constData(), int(body.size()));
    const QByteArray hash = QCryptographicHash::hash(body, QCryptographicHash::Sha256);
    out.writeRawData(hash.constData(), int(hash.size()));
    return bytes;
}

// A body with `pages` pages of the given commands.
QByteArray BodyWithCommands(const QByteArray& commands, quint32 pages = 1)
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    out << QStringLiteral("A4") << pages;
    for (quint32 i = 0; i < pages; ++i)
        out << quint8(mmPixel) << qint32(100) << qint32(100) << commands;
    return body;
}

QByteArray Commands(const std::function<void(QDataStream&)>& write, quint32 count)
{
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    out << count;
    write(out);
    return data;
}

QByteArray PngOf(const QImage& image)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

// `count` pictures in `png`, each drawn into a unit square.
QByteArray Pictures(quint32 count, const QByteArray& png)
{
    return Commands(
        [&](QDataStream& s) {
            for (quint32 i = 0; i < count; ++i)
                s << quint8(22) << 0.0 << 0.0 << 1.0 << 1.0 << 0.0 << 0.0 << 1.0 << 1.0 << png;
        },
        count);
}

// `count` plain pictures of `side` x `side`.
QByteArray Pictures(quint32 count, int side)
{
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::darkBlue);
    return Pictures(count, PngOf(image));
}

// `count` commands that only set the render hints.
QByteArray Hints(quint32 count)
{
    return Commands(
        [count](QDataStream& s) {
            for (quint32 i = 0; i < count; ++i)
                s << quint8(9) << qint32(0);
        },
        count);
}

// The commands of what `draw` paints on a sheet of 100 x 100 pixels.
QByteArray Recorded(const std::function<void(QPainter&)>& draw, int unitsPerInch = PreviewPixelsPerInch)
{
    TPageRecorder recorder(QSize(100, 100), unitsPerInch);
    QPainter p(&recorder);
    draw(p);
    p.end();
    return recorder.Commands();
}

} // namespace

TEST(PreviewFile, PagesComeBackAsTheyWereDrawn)
{
    const TPreviewFileContents original = Sample(3);
    TTempFolder dir;
    const QString file = dir.File("report.ppv");
    WritePreviewFile(file, original);
    const TPreviewFileContents loaded = ReadPreviewFile(file);
    EXPECT_EQ(loaded.PaperName, "A4");
    ASSERT_EQ(loaded.Pages.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(loaded.Pages[i].Size, original.Pages[i].Size);
        EXPECT_EQ(loaded.Pages[i].Units, original.Pages[i].Units);
        const QImage before = Render(original.Pages[i]);
        const QImage after = Render(loaded.Pages[i]);
        EXPECT_EQ(DifferentPixels(before, after), 0) << "page " << i + 1;
    }
    // Pages differ from one another, so the comparison means something.
    EXPECT_GT(DifferentPixels(Render(original.Pages[0]), Render(original.Pages[1])), 0);
    // Saved again, a loaded file gives the same bytes.
    EXPECT_EQ(PreviewFileBytes(loaded), PreviewFileBytes(original));
}

// What the program's pages never hold is recorded as drawn and refused on
// reading, saying what it is; pictures lose only texts and colour profile.
TEST(PreviewFile, OnlyWhatTheProgramDrawsReadsBack)
{
    using D = std::function<void(QPainter&)>;
    QImage described(4, 4, QImage::Format_RGB32);
    described.fill(Qt::red);
    described.setText(QStringLiteral("Comment"), QString(100000, QLatin1Char('x')));
    described.setColorSpace(QColorSpace::AdobeRgb);
    QImage deep(4, 4, QImage::Format_RGBA64);
    deep.fill(Qt::red);
    QImage large(2001, 2001, QImage::Format_RGB32);
    large.fill(Qt::darkBlue);
    auto line = [](const QPen& pen) {
        return D([pen](QPainter& p) {
            p.setPen(pen);
            p.drawLine(0, 50, 100, 50);
        });
    };
    auto text = [](int pixels, QPointF at) {
        return D([=](QPainter& p) {
            QFont f(QStringLiteral("Verdana"));
            f.setPixelSize(pixels);
            p.setFont(f);
            p.drawText(at, QStringLiteral("Title"));
        });
    };
    // A short line after `setup`.
    auto then = [](const D& setup) {
        return D([setup](QPainter& p) {
            setup(p);
            p.drawLine(0, 0, 10, 10);
        });
    };
    QPen dashes(Qt::black, 1);
    dashes.setDashPattern({4, 2});
    QPainterPath curve;
    curve.moveTo(10, 10);
    curve.cubicTo(20, 0, 30, 20, 40, 10);
    const struct {
        const char* What;
        D Draw;
        QString Error;
        int Times = 1; // Draw is done
        int UnitsPerInch = PreviewPixelsPerInch;
        QSize Sheet = QSize(100, 100);
    } cases[] = {
        {"a rule", line(QPen(Qt::black, 1)), ""},
        {"a rule of hundredths of a millimetre", line(QPen(Qt::black, 26)), "", 1, 2540},
        {"the title", text(19, {10, 50}), ""},
        {"a picture with texts and a profile", [&](QPainter& p) { p.drawImage(QPoint(0, 0), described); }, ""},
        {"a picture of 16 bits a channel", [&](QPainter& p) { p.drawImage(QPoint(0, 0), deep); }, ""},
        {"a dashed pen", line(QPen(Qt::black, 1, Qt::DashLine)), "a dashed pen"},
        {"a pattern of dashes", line(dashes), "a dashed pen"},
        {"a wide pen", line(QPen(Qt::black, 3)), "a pen wider than a rule"},
        {"a curve", [&](QPainter& p) { p.drawPath(curve); }, "a curve"},
        {"an ellipse", [](QPainter& p) { p.drawEllipse(10, 10, 50, 50); }, "a shape of more than 5 points"},
        {"a long line",
         [](QPainter& p) {
             p.drawPolyline(QPolygonF({{0, 0}, {9, 9}, {0, 9}, {9, 0}, {5, 5}, {0, 0}}));
         },
         "a shape of more than 5 points"},
        {"a clip", then([](QPainter& p) { p.setClipRect(0, 0, 50, 50); }), "a clip"},
        {"a turn", then([](QPainter& p) { p.rotate(30); }), "a drawing turned, slanted or enlarged"},
        {"an enlargement", then([](QPainter& p) { p.scale(2, 2); }), "a drawing turned, slanted or enlarged"},
        {"opacity", then([](QPainter& p) { p.setOpacity(0.5); }), "translucent drawing"},
        {"a patterned brush", [](QPainter& p) { p.fillRect(QRect(0, 0, 10, 10), Qt::Dense4Pattern); },
         "a patterned brush"},
        {"text above the title's size", text(20, {10, 50}), "text larger than 14 points"},
        {"text off its sheet", text(13, {150, 50}), "drawing off its sheet"},
        {"a line off its sheet", [](QPainter& p) { p.drawLine(0, 0, 1000, 10); }, "drawing off its sheet"},
        {"65 boxes", [](QPainter& p) { p.fillRect(QRect(0, 0, 10, 10), Qt::red); },
         "a page of more than 64 pictures and filled shapes", 65},
        {"rules of more than ten times the sheet's width and height", [](QPainter& p) { p.drawLine(0, 0, 100, 100); },
         "a page of rules longer than 10 times its width and height", 20},
        {"text heaped on one spot", text(19, {10, 50}), "a page of more text than 2000 characters of 10 points", 200},
        {"as much on a sheet as wide as A2", text(19, {10, 50}), "", 200, PreviewPixelsPerInch, QSize(2245, 100)},
        {"a sheet wider than A2", text(19, {10, 50}), "a sheet larger than A2", 1, PreviewPixelsPerInch, QSize(2300, 100)},
        {"pictures too large", [&](QPainter& p) { p.drawImage(QRect(0, 0, 10, 10), large); },
         "a page with pictures of more than 8 million pixels", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        const QByteArray commands = Recorded(
            [&](QPainter& p) {
                for (int i = 0; i < c.Times; ++i)
                    c.Draw(p);
            },
            c.UnitsPerInch);
        TPageDrawing page;
        QString error;
        TPageBudget budget;
        EXPECT_EQ(CommandsToPage(commands, {c.Sheet, c.UnitsPerInch}, page, error, &budget), c.Error.isEmpty());
        EXPECT_EQ(error, c.Error);
        EXPECT_EQ(budget.Fault, c.Error.isEmpty()               ? TPageFault::None
                                : c.Error.startsWith("a page ") ? TPageFault::TooMuch
                                                                : TPageFault::Foreign);
    }
}

TEST(PreviewFile, RecordedPagesLookAsDrawn)
{
    QImage direct(400, 300, QImage::Format_RGB32);
    direct.fill(Qt::white);
    {
        QPainter p(&direct);
        DrawSample(p, 1);
    }
    const QImage recorded = Render(SamplePage(1));
    // Text may sit a fraction of a pixel apart; nothing else differs.
    EXPECT_LT(DifferentPixels(direct, recorded), 400 * 300 / 50);
    EXPECT_EQ(DifferentPixels(direct.copy(0, 80, 400, 220), recorded.copy(0, 80, 400, 220)), 0);
}

TEST(PreviewFile, EmptyDocumentAndUnitsRoundTrip)
{
    TPreviewFileContents c;
    c.PaperName = QStringLiteral("Letter");
    TPreviewPage page;
    page.Units = mmLoMetric;
    page.Size = QSize(2159, 2794);
    page.Commands = TPageRecorder(page.Size, 254).Commands();
    c.Pages.push_back(page);
    const TPreviewFileContents back = ParsePreviewFile(PreviewFileBytes(c), "x.ppv");
    EXPECT_EQ(back.PaperName, "Letter");
    ASSERT_EQ(back.Pages.size(), 1u);
    EXPECT_EQ(back.Pages[0].Units, mmLoMetric);
    EXPECT_EQ(back.Pages[0].Size, QSize(2159, 2794));

    c.Pages.clear();
    EXPECT_TRUE(ParsePreviewFile(PreviewFileBytes(c), "x.ppv").Pages.empty());
}

TEST(PreviewFile, EveryTruncationIsRefused)
{
    const QByteArray bytes = PreviewFileBytes(Sample(1));
    for (qsizetype n = 0; n < bytes.size(); n += (n < 64 ? 1 : 97)) {
        try {
            ParsePreviewFile(bytes.left(n), "cut.ppv");
            ADD_FAILURE() << "accepted " << n << " of " << bytes.size() << " bytes";
        } catch (const EPreviewFileError& e) {
            EXPECT_TRUE(e.Message().startsWith("cut.ppv ")) << e.Message().toStdString();
        }
    }
}

TEST(PreviewFile, WhatIsWrongIsSaid)
{
    const QByteArray good = PreviewFileBytes(Sample(1));
    QByteArray flipped = good;
    flipped[flipped.size() / 2] = char(flipped[flipped.size() / 2] ^ 0x20);
    QByteArray garbage(500, '\0');
    for (char& c : garbage)
        c = char(QRandomGenerator::global()->bounded(256));
    garbage[0] = 'G';
    QByteArray longer = good;
    longer.append('x');
    QImage text(1, 1, QImage::Format_RGB32);
    text.setText(QStringLiteral("Comment"), QString(2000, QLatin1Char('x')));
    const QByteArray described = PngOf(text);
    // Image data of 10,000 bytes more than a pixel takes; image data that
    // inflate to 100,000 bytes more, or go on after their end; a part that
    // a decoder cannot pass over.
    const QByteArray pixel = PngOf(QImage(1, 1, QImage::Format_RGB32));
    QByteArray padded = pixel;
    padded.insert(padded.size() - 12, PngChunk("IDAT", QByteArray(10000, '\0')));
    const auto withData = [&pixel](const QByteArray& data) {
        return pixel.left(33) + PngChunk("IDAT", data) + pixel.right(12);
    };
    const QByteArray going = withData(qCompress(QByteArray(4 + 100000, '\0')).mid(4));
    const QByteArray after = withData(qCompress(QByteArray(4, '\0')).mid(4) + qCompress(QByteArray(4, '\0')).mid(4));
    const QByteArray critical = pixel.left(33) + PngChunk("VOZX", "x") + pixel.mid(33);
    // Texts in five families, and in 33 fonts of one.
    const auto fonts = [](int count, bool families) {
        return Recorded([=](QPainter& p) {
            for (int i = 0; i < count; ++i) {
                QFont f(families ? QStringLiteral("Family %1").arg(i) : QStringLiteral("Verdana"));
                f.setPixelSize(families ? 10 : 3 + i / 2);
                f.setBold(i % 2);
                p.setFont(f);
                p.drawText(QPointF(10, 50), QStringLiteral("x"));
            }
        });
    };
    const QImage logo(VOZ_CONTENT_DIR "/documents/Logo.gif");
    const auto file = [](const QByteArray& commands, quint32 pages = 1) {
        return FileAround(BodyWithCommands(commands, pages));
    };
    const QString elsewhere = "f.ppv was saved by another program or another version of this one: ";
    const QString more = elsewhere + "it holds more than a print preview may show: ";
    const QString foreign = elsewhere + "it holds drawing a print preview does not show: ";
    const auto saved = [](const char* name) { return ReadFileBytes(VOZ_TEST_DATA_DIR "/preview/" + QString(name)); };
    struct {
        QByteArray Bytes;
        QString Message;
    } cases[] = {
        {QByteArray(), "f.ppv is not a print preview file."},
        {garbage, "f.ppv is not a print preview file."},
        {QByteArray("%PDF-1.4\n"), "f.ppv is not a print preview file."},
        {flipped, "f.ppv is damaged or incomplete."},
        {longer, "f.ppv is damaged or incomplete."},
        {FileAround(BodyWithCommands(Commands([](QDataStream&) {}, 0)), 2),
         "f.ppv was written by a newer version of the program."},
        {FileAround(BodyWithCommands(Commands([](QDataStream&) {}, 0)), 0), "f.ppv is damaged or incomplete."},
        // What a page and a file may hold: decoded picture area, small
        // pictures counting 64 x 64, drawing elements and pages.
        {file(Pictures(2, 2001)), more + "a page with pictures of more than 8 million pixels."},
        {file(Pictures(65, 1)), more + "a page of more than 64 pictures and filled shapes."},
        {file(Pictures(1, 2001), 3), more + "pictures of more than 12 million pixels."},
        {file(Pictures(64, 1), 46), more + "pictures of more than 12 million pixels."},
        {file(Hints(10001)), more + "a page of more than 10000 drawing elements."},
        {file(Hints(9999), 26), more + "more than 250000 drawing elements."},
        {file(Commands([](QDataStream&) {}, 0), 10001), more + "more than 10000 pages."},
        {file(fonts(5, true)), more + "more than 4 font families."},
        {file(fonts(33, false)), more + "more than 32 fonts."},
        // Drawing the program does not make, and picture data beyond the
        // pixels.
        {file(Recorded([](QPainter& p) {
             p.setPen(QPen(Qt::black, 1, Qt::DotLine));
             p.drawLine(0, 0, 10, 10);
         })),
         foreign + "a dashed pen."},
        {file(Pictures(1, critical)), foreign + "a picture with a part the program does not write (\"VOZX\")."},
        {file(Pictures(1, padded)), foreign + "a picture with more data than its pixels."},
        {file(Pictures(1, going)), foreign + "a picture with more data than its pixels."},
        {file(Pictures(1, after)), "f.ppv is damaged or incomplete."},
        {file(Pictures(1, PngOf(logo) + "more")), "f.ppv is damaged or incomplete."},
        {file(Pictures(1, PngOf(QImage(10001, 1, QImage::Format_Mono)))),
         foreign + "a picture in a form the program does not write."},
        // Pictures as other writers make them, passed over what is not
        // drawn, and reports the previous version saved with such logos:
        // colour profiles, texts, 16 bits a channel, palette and
        // transparency.
        {file(Pictures(1, described)), ""},
        {file(Pictures(1, PngOf(logo.convertToFormat(QImage::Format_RGBA64)))), ""},
        {saved("logo-16-bits-itxt.ppv"), ""},
        {saved("logo-palette-trns.ppv"), ""},
        {saved("logo-jpeg-icc.ppv"), ""},
        {saved("logo-ztxt.ppv"), ""},
    };
    for (const auto& c : cases) {
        try {
            const size_t pages = ParsePreviewFile(c.Bytes, "f.ppv").Pages.size();
            EXPECT_TRUE(c.Message.isEmpty() && pages == 1) << "accepted: " << c.Message.toStdString();
        } catch (const EPreviewFileError& e) {
            EXPECT_EQ(e.Message(), c.Message);
        }
    }
    // The well-formed empty page of the same head is accepted, and pages
    // within the budgets.
    EXPECT_EQ(ParsePreviewFile(FileAround(BodyWithCommands(Commands([](QDataStream&) {}, 0))), "f.ppv").Pages.size(),
              1u);
    EXPECT_EQ(ParsePreviewFile(FileAround(BodyWithCommands(Pictures(64, 1), 45)), "f.ppv").Pages.size(), 45u);
    EXPECT_EQ(ParsePreviewFile(FileAround(BodyWithCommands(Pictures(1, 2001), 2)), "f.ppv").Pages.size(), 2u);
}

// Bodies with a correct checksum that lie about their contents: counts far
// beyond the data, values no painter takes, unknown commands.
TEST(PreviewFile, LyingBodiesAreRefusedWithoutHarm)
{
    using W = std::function<void(QDataStream&)>;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct {
        const char* What;
        QByteArray Commands;
    } cases[] = {
        {"command count beyond the data", Commands([](QDataStream&) {}, 0xFFFFFFF0u)},
        {"path of four billion elements",
         Commands(W([](QDataStream& s) { s << quint8(20) << quint8(0) << quint32(0xFFFFFFFFu); }), 1)},
        {"polygon of four billion points",
         Commands(W([](QDataStream& s) { s << quint8(21) << quint8(0) << quint32(0xFFFFFFFFu); }), 1)},
        {"unknown command", Commands(W([](QDataStream& s) { s << quint8(99); }), 1)},
        {"unknown polygon mode", Commands(W([](QDataStream& s) { s << quint8(21) << quint8(9) << quint32(0); }), 1)},
        {"coordinate not a number",
         Commands(W([nan](QDataStream& s) { s << quint8(21) << quint8(3) << quint32(1) << nan << 0.0; }), 1)},
        {"coordinate far off",
         Commands(W([](QDataStream& s) { s << quint8(21) << quint8(3) << quint32(1) << 1e300 << 0.0; }), 1)},
        {"curve without its points",
         Commands(W([](QDataStream& s) { s << quint8(20) << quint8(0) << quint32(1) << quint8(2) << 1.0 << 1.0; }), 1)},
        {"text length beyond the data",
         Commands(W([](QDataStream& s) { s << quint8(23) << 1.0 << 1.0 << quint32(0x7FFFFFF0u); }), 1)},
        {"pen style out of range", Commands(W([](QDataStream& s) {
                                                s << quint8(4) << quint32(0xFF000000u) << 1.0 << quint8(77)
                                                  << quint16(0) << quint16(0) << quint8(0) << 2.0 << 0.0 << quint32(0);
                                            }),
                                            1)},
        {"pen with a million dashes", Commands(W([](QDataStream& s) {
                                                   s << quint8(4) << quint32(0xFF000000u) << 1.0 << quint8(6)
                                                     << quint16(0) << quint16(0) << quint8(0) << 2.0 << 0.0
                                                     << quint32(1000000);
                                               }),
                                               1)},
        {"picture that is no picture", Commands(W([](QDataStream& s) {
                                                    s << quint8(22) << 0.0 << 0.0 << 10.0 << 10.0 << 0.0 << 0.0 << 10.0
                                                      << 10.0 << QByteArray("\x89PNG\r\n\x1a\nrubbish");
                                                }),
                                                1)},
        {"font of weight zero", Commands(W([](QDataStream& s) {
                                             s << quint8(7) << QStringLiteral("Verdana") << 10.0 << qint32(-1)
                                               << qint32(0) << quint8(0) << qint32(0);
                                         }),
                                         1)},
        {"opacity above one", Commands(W([](QDataStream& s) { s << quint8(10) << 2.0; }), 1)},
        {"bytes after the last command", Commands(W([](QDataStream& s) { s << quint8(10) << 1.0 << quint8(0); }), 1)},
    };
    for (const auto& c : cases) {
        TPageDrawing page;
        QString error;
        EXPECT_FALSE(CommandsToPage(c.Commands, {QSize(100, 100), PreviewPixelsPerInch}, page, error)) << c.What;
        EXPECT_FALSE(error.isEmpty()) << c.What;
        EXPECT_THROW(ParsePreviewFile(FileAround(BodyWithCommands(c.Commands)), "f.ppv"), EPreviewFileError) << c.What;
    }
    // A page count far beyond the body.
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    out << QStringLiteral("A4") << quint32(9999);
    EXPECT_THROW(ParsePreviewFile(FileAround(body), "f.ppv"), EPreviewFileError);
}

TEST(PreviewFile, FailedWriteKeepsTheOldFile)
{
    TTempFolder dir;
    const QString file = dir.Write("old.ppv", QByteArray("old contents"));
    dir.Write("plain", QByteArray("x"));
    EXPECT_THROW(WritePreviewFile(dir.File("plain/new.ppv"), Sample(1)), EInOutError);
    EXPECT_EQ(ReadFileBytes(file), QByteArray("old contents"));
    // Pages the file could not be loaded with are not written.
    TPreviewFileContents heavy = Sample(2);
    heavy.Pages[0].Commands = heavy.Pages[1].Commands = Pictures(1, 2001);
    heavy.Pages.push_back(heavy.Pages[0]);
    EXPECT_EQ(FailureOf<EInOutError>([&] { WritePreviewFile(file, heavy); }),
              "Unable to write to " + file +
                  ": the pages would not load again (pictures of more than 12 million pixels).");
    EXPECT_EQ(ReadFileBytes(file), QByteArray("old contents"));
    try {
        ReadPreviewFile(dir.File("missing.ppv"));
        ADD_FAILURE();
    } catch (const EInOutError& e) {
        EXPECT_TRUE(e.Message().contains("missing.ppv"));
    }
}
