#include "TxPreviewFile.h"

#include "TxPageStream.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QCryptographicHash>
#include <QDataStream>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>

namespace {

// Everything the preview's pages may hold.
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
    p.setPen(QPen(Qt::red, 3, Qt::DashLine, Qt::RoundCap, Qt::BevelJoin));
    p.drawLine(20, 90, 380, 90);
    QPen custom(Qt::darkGreen, 2);
    custom.setDashPattern({4, 2, 1, 2});
    p.setPen(custom);
    p.drawPolyline(QPolygonF({QPointF(20, 100), QPointF(60, 140), QPointF(100, 100)}));
    p.setBrush(QBrush(Qt::cyan, Qt::Dense4Pattern));
    p.drawPolygon(QPolygonF({QPointF(120, 100), QPointF(160, 140), QPointF(200, 100)}), Qt::WindingFill);
    p.setBrush(QColor(255, 200, 0, 128));
    p.drawEllipse(QRectF(220, 100, 60, 40));
    QPainterPath path;
    path.moveTo(300, 100);
    path.cubicTo(320, 80, 340, 160, 380, 120);
    path.lineTo(300, 150);
    path.closeSubpath();
    p.drawPath(path);
    QImage image(30, 20, QImage::Format_ARGB32);
    image.fill(QColor(10, 120, 200));
    p.drawImage(QPoint(20, 160), image);
    p.drawPixmap(QRect(60, 160, 60, 40), QPixmap::fromImage(image));
    p.save();
    p.setClipRect(QRect(150, 160, 40, 40));
    p.translate(170, 180);
    p.rotate(30);
    p.setOpacity(0.5);
    p.fillRect(QRect(-40, -40, 80, 80), Qt::magenta);
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
    EXPECT_TRUE(CommandsToPage(page.Commands, page.Picture, error)) << error.toStdString();
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

// `count` plain pictures of `side` x `side`, each drawn into a small square.
QByteArray Pictures(quint32 count, int side)
{
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::darkBlue);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return Commands(
        [&](QDataStream& s) {
            for (quint32 i = 0; i < count; ++i)
                s << quint8(22) << 0.0 << 0.0 << 10.0 << 10.0 << 0.0 << 0.0 << double(side) << double(side) << png;
        },
        count);
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

// Pictures beyond what a page may hold are left out, so that what the
// program records always reads back.
TEST(PreviewFile, RecordedPagesStayWithinTheirBudget)
{
    TPageRecorder recorder(QSize(800, 1100), PreviewPixelsPerInch);
    QPainter p(&recorder);
    QImage large(2000, 2000, QImage::Format_RGB32);
    large.fill(Qt::darkBlue);
    for (int i = 0; i < 3; ++i)
        p.drawImage(QRect(0, 0, 100, 100), large);
    p.end();
    QPicture page;
    QString error;
    EXPECT_TRUE(CommandsToPage(recorder.Commands(), page, error)) << error.toStdString();
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
        // pictures counting 64 x 64, and drawing elements.
        {FileAround(BodyWithCommands(Pictures(2, 2001))),
         "f.ppv holds more than a print preview may show: a page with pictures of more than 8 million pixels."},
        {FileAround(BodyWithCommands(Pictures(1954, 1))),
         "f.ppv holds more than a print preview may show: a page with pictures of more than 8 million pixels."},
        {FileAround(BodyWithCommands(Pictures(1000, 2), 3)),
         "f.ppv holds more than a print preview may show: pictures of more than 12 million pixels."},
        {FileAround(BodyWithCommands(Commands(
             [](QDataStream& s) {
                 s << quint8(21) << quint8(3) << quint32(2000001);
                 for (int i = 0; i < 2000001; ++i)
                     s << 0.0 << 0.0;
             },
             1))),
         "f.ppv holds more than a print preview may show: more than 2 million drawing elements."},
    };
    for (const auto& c : cases) {
        try {
            ParsePreviewFile(c.Bytes, "f.ppv");
            ADD_FAILURE() << "accepted: " << c.Message.toStdString();
        } catch (const EPreviewFileError& e) {
            EXPECT_EQ(e.Message(), c.Message);
        }
    }
    // The well-formed empty page of the same head is accepted, and pages
    // within the budgets.
    EXPECT_EQ(ParsePreviewFile(FileAround(BodyWithCommands(Commands([](QDataStream&) {}, 0))), "f.ppv").Pages.size(),
              1u);
    EXPECT_EQ(ParsePreviewFile(FileAround(BodyWithCommands(Pictures(1953, 1))), "f.ppv").Pages.size(), 1u);
    EXPECT_EQ(ParsePreviewFile(FileAround(BodyWithCommands(Pictures(1000, 2), 2)), "f.ppv").Pages.size(), 2u);
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
        QPicture page;
        QString error;
        EXPECT_FALSE(CommandsToPage(c.Commands, page, error)) << c.What;
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
    try {
        ReadPreviewFile(dir.File("missing.ppv"));
        ADD_FAILURE();
    } catch (const EInOutError& e) {
        EXPECT_TRUE(e.Message().contains("missing.ppv"));
    }
}
