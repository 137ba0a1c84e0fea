#include "TxPictureRead.h"

#include "TxFileRead.h"

#include <QBuffer>
#include <QImageReader>

#include <cstdlib>

namespace {

// The blocks of a GIF up to the end of its first image.
bool GifComplete(const uchar* d, qsizetype n)
{
    qsizetype p = 13; // signature and screen descriptor
    if (n < p)
        return false;
    auto skipTable = [&p](uchar flags) {
        if (flags & 0x80)
            p += qsizetype(3) << ((flags & 7) + 1);
    };
    auto skipSubBlocks = [&p, d, n] {
        while (p < n) {
            const uchar length = d[p++];
            if (length == 0)
                return true;
            p += length;
        }
        return false;
    };
    skipTable(d[10]);
    while (p < n) {
        const uchar block = d[p++];
        if (block == 0x21) { // extension: label, then sub-blocks
            ++p;
            if (!skipSubBlocks())
                return false;
        } else if (block == 0x2C) { // image: descriptor, colour table, code size, data
            if (p + 9 > n)
                return false;
            const uchar flags = d[p + 8];
            p += 9;
            skipTable(flags);
            ++p;
            return skipSubBlocks();
        } else {
            return false;
        }
    }
    return false;
}

// The markers of a JPEG up to its end-of-image marker. Segments are skipped
// by their length (a thumbnail inside one has an end marker of its own);
// stuffed bytes, restarts and fill bytes of the scans are passed over.
bool JpegComplete(const uchar* d, qsizetype n)
{
    qsizetype p = 2;
    while (p + 1 < n) {
        if (d[p] != 0xFF || d[p + 1] == 0xFF) {
            ++p;
            continue;
        }
        const uchar marker = d[p + 1];
        p += 2;
        if (marker == 0xD9)
            return true;
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;
        if (p + 2 > n)
            return false;
        p += (qsizetype(d[p]) << 8) | d[p + 1];
    }
    return false;
}

quint32 Le(const uchar* d, int bytes)
{
    quint32 v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | d[i];
    return v;
}

// The runs of a run-length coded BMP up to its end-of-bitmap code.
bool BmpRunsComplete(const uchar* d, qsizetype n, qint64 p, bool fourBits)
{
    while (p + 1 < n) {
        const uchar count = d[p];
        const uchar code = d[p + 1];
        p += 2;
        if (count > 0 || code == 0) // a run, or the end of a line
            continue;
        if (code == 1)
            return true;
        if (code == 2) { // a move: two bytes of offsets
            p += 2;
            continue;
        }
        // `code` pixels as they are, padded to a word.
        const qint64 bytes = fourBits ? (code + 1) / 2 : code;
        p += (bytes + 1) & ~qint64(1);
    }
    return false;
}

// A BMP's rows: all of them from where its header says they begin.
bool BmpComplete(const uchar* d, qsizetype n)
{
    constexpr int FileHead = 14;
    if (n < FileHead + 12)
        return false;
    const qint64 start = Le(d + 10, 4);
    const quint32 infoSize = Le(d + FileHead, 4);
    qint64 width = 0;
    qint64 height = 0;
    quint32 bits = 0;
    quint32 compression = 0;
    if (infoSize == 12) { // the old core header: 16-bit sizes
        width = Le(d + 18, 2);
        height = Le(d + 20, 2);
        bits = Le(d + 24, 2);
    } else {
        if (n < FileHead + 20)
            return false;
        width = qint32(Le(d + 18, 4));
        height = std::abs(qint64(qint32(Le(d + 22, 4))));
        bits = Le(d + 28, 2);
        compression = Le(d + 30, 4);
    }
    if (compression == 1 || compression == 2)
        return BmpRunsComplete(d, n, start, compression == 2);
    const qint64 rowBytes = (width * bits + 31) / 32 * 4;
    return width > 0 && height > 0 && start + rowBytes * height <= n;
}

} // namespace

QByteArray WholePictureFormat(QByteArrayView data)
{
    if (data.startsWith("\x89PNG\r\n\x1A\n"))
        return QByteArrayLiteral("png");
    if (data.startsWith("GIF8"))
        return QByteArrayLiteral("gif");
    if (data.startsWith("\xFF\xD8\xFF"))
        return QByteArrayLiteral("jpeg");
    if (data.startsWith("BM"))
        return QByteArrayLiteral("bmp");
    return {};
}

bool PictureDataComplete(QByteArrayView data)
{
    const auto* d = reinterpret_cast<const uchar*>(data.data());
    const QByteArray format = WholePictureFormat(data);
    if (format == "gif")
        return GifComplete(d, data.size());
    if (format == "jpeg")
        return JpegComplete(d, data.size());
    if (format == "bmp")
        return BmpComplete(d, data.size());
    return format == "png";
}

QImage ReadWholePicture(const QString& fileName, QString& error)
{
    QByteArray bytes;
    if (!ReadWholeFile(fileName, bytes, error))
        return {};
    const QByteArray format = WholePictureFormat(bytes);
    if (format.isEmpty()) {
        error = QStringLiteral("It is not a PNG, GIF, JPEG or BMP picture");
        return {};
    }
    if (!PictureDataComplete(bytes)) {
        error = QStringLiteral("The file ends before the picture does");
        return {};
    }
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    QImage image;
    if (!reader.read(&image)) {
        error = reader.errorString();
        return {};
    }
    return image;
}
