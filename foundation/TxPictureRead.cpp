#include "TxPictureRead.h"

#include "TxFileRead.h"

#include <QBuffer>
#include <QImageReader>

#include <zlib.h>

#include <algorithm>
#include <cctype>
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

// What the picture reader takes: the sides and the memory it allows.
constexpr int MaxPictureSide = 32767;
constexpr qint64 MaxPictureBytes = 256LL * 1024 * 1024;

constexpr int MaxPngParts = 1 << 20;

const QByteArrayView PngSignature("\x89PNG\r\n\x1A\n", 8);

quint32 BigEndian32(const char* d)
{
    const auto* u = reinterpret_cast<const uchar*>(d);
    return (quint32(u[0]) << 24) | (quint32(u[1]) << 16) | (quint32(u[2]) << 8) | u[3];
}

// The bytes of `rows` rows of `width` pixels of `bits` each, with the byte
// each row starts with; none for a pass of no pixels.
qint64 RowBytes(qint64 width, qint64 rows, qint64 bits)
{
    return width == 0 || rows == 0 ? 0 : rows * (1 + (width * bits + 7) / 8);
}

// What image data of `width` x `height` pixels of `bits` inflate to: the
// rows, or the rows of the seven interlace passes.
qint64 RawBytes(qint64 width, qint64 height, int bits, bool interlaced)
{
    if (!interlaced)
        return RowBytes(width, height, bits);
    static const int pass[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                   {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    qint64 bytes = 0;
    for (const auto& p : pass) {
        auto count = [](qint64 n, int start, int step) { return n > start ? (n - start + step - 1) / step : 0; };
        bytes += RowBytes(count(width, p[0], p[2]), count(height, p[1], p[3]), bits);
    }
    return bytes;
}

// Bits a pixel of `colour` type at `depth` bits a sample; 0 for a pairing
// the format does not have.
int PixelBits(int colour, int depth)
{
    const bool low = depth == 1 || depth == 2 || depth == 4;
    switch (colour) {
    case 0: // grey
        return low || depth == 8 || depth == 16 ? depth : 0;
    case 3: // palette
        return low || depth == 8 ? depth : 0;
    case 2: // RGB, grey and alpha, RGBA
    case 4:
    case 6:
        return depth == 8 || depth == 16 ? depth * (colour == 2 ? 3 : colour == 4 ? 2 : 4) : 0;
    }
    return 0;
}

TPngLayout Refused(TPngFault fault, const QString& why)
{
    TPngLayout layout;
    layout.Fault = fault;
    layout.Why = why;
    return layout;
}

// A chunk of `type` holding `data`, with its checksum.
void AppendChunk(QByteArray& png, const char* type, QByteArrayView data)
{
    const quint32 n = quint32(data.size());
    const char length[4] = {char(n >> 24), char(n >> 16), char(n >> 8), char(n)};
    png.append(length, 4);
    const qsizetype start = png.size();
    png.append(type, 4);
    png.append(data.data(), data.size());
    const quint32 crc =
        quint32(crc32(0, reinterpret_cast<const Bytef*>(png.constData() + start), uInt(png.size() - start)));
    const char sum[4] = {char(crc >> 24), char(crc >> 16), char(crc >> 8), char(crc)};
    png.append(sum, 4);
}

// Inflates the image data of `layout` into `raw`, sized to what the header
// gives plus one byte: a byte more than that, and inflating stops.
TPngFault Inflate(const TPngLayout& layout, QByteArray& raw, QString& why)
{
    raw = QByteArray(layout.RawBytes + 1, Qt::Uninitialized);
    z_stream z{};
    if (inflateInit(&z) != Z_OK) {
        why = QStringLiteral("Out of memory");
        return TPngFault::TooMuch;
    }
    z.next_out = reinterpret_cast<Bytef*>(raw.data());
    z.avail_out = uInt(raw.size());
    int status = Z_OK;
    bool after = false; // data after the end of the stream
    for (const QByteArrayView chunk : layout.Data) {
        if (status == Z_STREAM_END) {
            after = after || !chunk.isEmpty();
            continue;
        }
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(chunk.data()));
        z.avail_in = uInt(chunk.size());
        while (z.avail_in > 0 && status == Z_OK && z.avail_out > 0)
            status = inflate(&z, Z_NO_FLUSH);
        after = after || (status == Z_STREAM_END && z.avail_in > 0);
        if (status != Z_OK && status != Z_STREAM_END)
            break;
    }
    const qint64 out = qint64(z.total_out);
    inflateEnd(&z);
    if (out > layout.RawBytes) {
        why = QStringLiteral("a picture with more data than its pixels");
        return TPngFault::Unsupported;
    }
    if (status != Z_STREAM_END || after || out != layout.RawBytes) {
        why = QStringLiteral("an invalid picture");
        return TPngFault::Damaged;
    }
    raw.chop(1);
    return TPngFault::None;
}

} // namespace

TPngLayout PngLayoutOf(QByteArrayView png, int maxSide)
{
    if (!png.startsWith(PngSignature))
        return Refused(TPngFault::Unsupported, QStringLiteral("a picture that is not PNG"));
    const auto damaged = [] { return Refused(TPngFault::Damaged, QStringLiteral("an invalid picture")); };
    TPngLayout layout;
    qint64 dataBytes = 0;
    qint64 extraBytes = 0;
    bool dataDone = false; // a part other than image data came after them
    for (qsizetype p = PngSignature.size(), parts = 0; p + 12 <= png.size(); ++parts) {
        // Writers cut image data into parts of kilobytes at least.
        if (parts > MaxPngParts)
            return Refused(TPngFault::TooMuch, QStringLiteral("a picture of more than %1 parts").arg(MaxPngParts));
        const qint64 length = BigEndian32(png.data() + p);
        const QByteArrayView type = png.sliced(p + 4, 4);
        const qsizetype body = p + 8;
        if (length > png.size() - body - 4 ||
            !std::all_of(type.begin(), type.end(), [](char c) { return std::isalpha(uchar(c)); }))
            return damaged();
        const QByteArrayView data = png.sliced(body, length);
        p = body + length + 4;
        // The parts that make the pixels are checked as the decoder would.
        if (std::isupper(uchar(type[0])) || type == "tRNS") {
            const auto* t = reinterpret_cast<const Bytef*>(type.data());
            if (crc32(crc32(0, t, 4), reinterpret_cast<const Bytef*>(data.data()), uInt(length)) !=
                BigEndian32(data.data() + length))
                return damaged();
        }
        if (layout.Header.isEmpty()) {
            if (type != "IHDR" || length != 13)
                return damaged();
            const auto* h = reinterpret_cast<const uchar*>(data.data());
            const qint64 width = BigEndian32(data.data());
            const qint64 height = BigEndian32(data.data() + 4);
            const int bits = PixelBits(h[9], h[8]);
            if (width < 1 || height < 1 || bits == 0 || h[10] != 0 || h[11] != 0 || h[12] > 1)
                return damaged();
            if (width > maxSide || height > maxSide)
                return Refused(TPngFault::Unsupported,
                               QStringLiteral("a picture in a form the program does not write"));
            layout.Header = data;
            layout.Size = QSize(int(width), int(height));
            layout.RawBytes = RawBytes(width, height, bits, h[12] == 1);
        } else if (type == "IDAT") {
            if (dataDone)
                return damaged();
            layout.Data.push_back(data);
            dataBytes += length;
        } else if (type == "IEND") {
            if (length != 0 || layout.Data.empty() || p != png.size())
                return damaged();
            if (dataBytes > layout.RawBytes + layout.RawBytes / 10 + 4096)
                return Refused(TPngFault::Unsupported, QStringLiteral("a picture with more data than its pixels"));
            return layout;
        } else if (type == "PLTE") {
            if (!layout.Data.empty() || !layout.Palette.isEmpty() || length % 3 != 0 || length > 3 * 256)
                return damaged();
            layout.Palette = data;
        } else if (std::isupper(uchar(type[0]))) {
            // A part a decoder cannot pass over.
            return Refused(TPngFault::Unsupported,
                           QStringLiteral("a picture with a part the program does not write (\"%1\")")
                               .arg(QString::fromLatin1(type)));
        } else {
            dataDone = !layout.Data.empty();
            if (type == "tRNS" && !dataDone && layout.Transparency.isEmpty() && length <= 256) {
                layout.Transparency = data;
            } else if ((extraBytes += length) > MaxPngExtraBytes) {
                return Refused(TPngFault::TooMuch,
                               QStringLiteral("a picture with more than %1 MB of parts that are not drawn")
                                   .arg(MaxPngExtraBytes / (1024 * 1024)));
            }
        }
    }
    return damaged();
}

QImage DecodePng(const TPngLayout& layout, TPngFault& fault, QString& why)
{
    fault = layout.Fault;
    why = layout.Why;
    QByteArray raw;
    if (fault == TPngFault::None)
        fault = Inflate(layout, raw, why);
    if (fault != TPngFault::None)
        return {};
    // The parts that make the pixels, the data as they came out, stored:
    // the decoder copies them, inflating nothing more.
    QByteArray png(PngSignature.data(), PngSignature.size());
    AppendChunk(png, "IHDR", layout.Header);
    if (!layout.Palette.isEmpty())
        AppendChunk(png, "PLTE", layout.Palette);
    if (!layout.Transparency.isEmpty())
        AppendChunk(png, "tRNS", layout.Transparency);
    QByteArray stored(qsizetype(compressBound(uLong(raw.size()))), Qt::Uninitialized);
    uLongf storedSize = uLongf(stored.size());
    if (compress2(reinterpret_cast<Bytef*>(stored.data()), &storedSize, reinterpret_cast<const Bytef*>(raw.constData()),
                  uLong(raw.size()), Z_NO_COMPRESSION) != Z_OK) {
        fault = TPngFault::TooMuch;
        why = QStringLiteral("Out of memory");
        return {};
    }
    raw.clear();
    AppendChunk(png, "IDAT", QByteArrayView(stored.constData(), qsizetype(storedSize)));
    stored.clear();
    AppendChunk(png, "IEND", {});
    QBuffer buffer(&png);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    QImage image = reader.read();
    if (image.size() != layout.Size) {
        fault = TPngFault::Damaged;
        why = QStringLiteral("an invalid picture");
        return {};
    }
    return image;
}

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
    if (format == "png") {
        TPngLayout layout = PngLayoutOf(bytes, MaxPictureSide);
        if (layout.Fault == TPngFault::None && layout.RawBytes > MaxPictureBytes)
            layout = Refused(TPngFault::TooMuch, QStringLiteral("a picture larger than the program reads"));
        TPngFault fault = TPngFault::None;
        const QImage image = DecodePng(layout, fault, error);
        if (image.isNull() && !error.isEmpty())
            error[0] = error[0].toUpper();
        return image;
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
