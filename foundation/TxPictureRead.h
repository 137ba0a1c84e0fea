#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <QSize>
#include <QString>

#include <utility>
#include <vector>

// The picture formats whose end the program can tell, by the first bytes
// of `data`: "png", "gif", "jpeg" or "bmp"; empty for any other.
QByteArray WholePictureFormat(QByteArrayView data);

// Whether `data` holds the whole of its picture. The PNG reader fails on a
// file that ends early; the GIF, JPEG and BMP readers draw whatever part of
// a picture the file holds (a BMP's missing rows come out black) and call
// that a success, so for those the file's blocks are walked up to the end
// of the first frame (GIF), the end-of-image marker (JPEG) or the last row
// (BMP). False for any other format: its end cannot be told.
bool PictureDataComplete(QByteArrayView data);

// Why a PNG is refused: its chunks do not make a PNG, it is in a form the
// reader does not take, or it asks for more than its bounds.
enum class TPngFault { None, Damaged, Unsupported, TooMuch };

// A PNG as its chunks give it, nothing inflated: the parts that make the
// pixels (header, palette, transparency, image data), where they lie.
// Other parts (texts, colour profiles, gamma, resolution, times...) are
// passed over unread; drawing needs none of them.
struct TPngLayout {
    TPngFault Fault = TPngFault::None;
    QString Why; // what is wrong, when Fault is set
    QSize Size;
    qint64 RawBytes = 0; // what the image data inflate to, by the header
    QByteArrayView Header;
    QByteArrayView Palette;
    QByteArrayView Transparency;
    std::vector<QByteArrayView> Data; // the image data chunks' contents
};

// What the parts of a PNG that are not drawn may hold, all together: far
// more than the colour profiles and texts real writers put in.
inline constexpr qint64 MaxPngExtraBytes = 4LL * 1024 * 1024;

// The layout of the PNG in `png`, whose sides are `maxSide` at most. Its
// image data may take a tenth more than they inflate to, and a little:
// writers pack them in less, or a little more when they do not pack at all.
// The views point into `png`.
TPngLayout PngLayoutOf(QByteArrayView png, int maxSide);
// The picture of a PNG whose layout was taken: its image data inflated to
// the size the header gives and no further (a stream that goes on is
// refused, not inflated to its end), the parts passed over left unread. A
// null image, `fault` and `why` set, when the data do not give the pixels.
QImage DecodePng(const TPngLayout& layout, TPngFault& fault, QString& why);

// The picture in `fileName`, read whole with the checks of ReadWholeFile.
// A null image, with `error` saying why, when the file cannot be read, is
// not in a format of WholePictureFormat, the reader fails or the file ends
// before the picture does. A PNG is read as DecodePng reads it.
QImage ReadWholePicture(const QString& fileName, QString& error);
