#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <QString>

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

// The picture in `fileName`, read whole with the checks of ReadWholeFile.
// A null image, with `error` saying why, when the file cannot be read, is
// not in a format of WholePictureFormat, the reader fails or the file ends
// before the picture does.
QImage ReadWholePicture(const QString& fileName, QString& error);
