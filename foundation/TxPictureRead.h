#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QString>

// Whether `data` holds the whole of its picture. The GIF and JPEG readers
// draw whatever part of a picture its file holds and call that a success,
// so for those formats the file's blocks are walked up to the end of the
// first frame (GIF) or the end-of-image marker (JPEG). Other formats are
// taken as whole: their readers report a cut themselves.
bool PictureDataComplete(QByteArrayView data);

// The picture in `fileName`, read whole with the checks of ReadWholeFile.
// A null image, with `error` saying why, when the file cannot be read, the
// reader fails or the file ends before the picture does.
QImage ReadWholePicture(const QString& fileName, QString& error);
