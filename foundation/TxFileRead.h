#pragma once

#include <QByteArray>
#include <QFile>
#include <QImageReader>
#include <QString>

#include <functional>

// Every file the program reads whole comes through here. A name that leads,
// links followed, to a device, a FIFO or a socket is never read: /dev/zero
// would never end and a FIFO would block the open itself. A file larger than
// its reader's bound is refused before a byte is read.

// The bound of every reader but the preview file's, whose pages are pictures
// and which has a larger bound of its own, and the settings files': far above
// any catalogue or picture file, and the most a project file may hold (the
// program saves no larger one).
constexpr qint64 MaxReadFileSize = 64LL * 1024 * 1024;

// The bound of the settings files (INI files, the registry store): hundreds
// of times what the program keeps in them, and small enough that reading one
// at the bound, which the start-up and every save of settings do, costs
// milliseconds, not seconds and a gigabyte of short lines. No settings file
// is saved larger.
constexpr qint64 MaxSettingsFileSize = 1024 * 1024;

enum class TFileKind { Regular, Missing, NotRegular, TooLarge };

// Why a file of that kind is not read: "Cannot open file "<name>". It is not
// a regular file." and the like; empty for a regular file.
QString FileRefusedText(TFileKind kind, const QString& fileName, qint64 maxBytes = MaxReadFileSize);

// What `fileName` is, links followed, found without opening it: a regular
// file of at most `maxBytes`, nothing (a broken link too), something other
// than a regular file, or a regular file that is too large.
TFileKind CheckFileToRead(const QString& fileName, qint64 maxBytes = MaxReadFileSize);

// Opens a file that CheckFileToRead accepts, without ever blocking; false
// with `error` naming the file otherwise.
bool OpenFileToRead(QFile& file, const QString& fileName, QString& error, qint64 maxBytes = MaxReadFileSize);

// The whole content of a file OpenFileToRead accepts, also when it has grown
// since, up to `maxBytes`; false with `error` naming the file otherwise.
bool ReadWholeFile(const QString& fileName, QByteArray& bytes, QString& error, qint64 maxBytes = MaxReadFileSize);

// Tells one state of a file from another without reading it: device, inode,
// size and the times of the last change, links followed; all zero for a name
// that leads to nothing. A file saved anew (renamed over the old one) or
// changed in place gets another stamp.
struct TFileStamp {
    quint64 Device = 0;
    quint64 Inode = 0;
    qint64 Size = 0;
    qint64 Modified = 0; // nanoseconds
    qint64 Changed = 0;  // nanoseconds
    bool operator==(const TFileStamp&) const = default;
};
TFileStamp FileStampOf(const QString& fileName);

// Called with the name of every file ReadWholeFile reads, for tests that
// count reads; an empty function (the default) stops it.
void SetWholeFileReadObserver(std::function<void(const QString& fileName)> observer);

// A picture reader on a file OpenFileToRead accepts. A refused file reads as
// no picture (a null image, an invalid size) and errorString() says why.
class TPictureReader : public QImageReader {
public:
    explicit TPictureReader(const QString& fileName);
    ~TPictureReader();
    TPictureReader(const TPictureReader&) = delete;
    TPictureReader& operator=(const TPictureReader&) = delete;
    QString errorString() const;

private:
    QFile FFile;
    QString FRefused;
};
