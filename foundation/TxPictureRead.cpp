#include "TxPictureRead.h"

#include "TxFileRead.h"

#include <QBuffer>
#include <QImageReader>

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

} // namespace

bool PictureDataComplete(QByteArrayView data)
{
    const auto* d = reinterpret_cast<const uchar*>(data.data());
    if (data.startsWith("GIF8"))
        return GifComplete(d, data.size());
    if (data.startsWith("\xFF\xD8\xFF"))
        return JpegComplete(d, data.size());
    return true;
}

QImage ReadWholePicture(const QString& fileName, QString& error)
{
    QByteArray bytes;
    if (!ReadWholeFile(fileName, bytes, error))
        return {};
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    QImage image;
    if (!reader.read(&image)) {
        error = reader.errorString();
        return {};
    }
    if (!PictureDataComplete(bytes)) {
        error = QStringLiteral("The file ends before the picture does");
        return {};
    }
    return image;
}
