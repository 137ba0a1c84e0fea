#include "TxFileRead.h"

#include "TxFormat.h"

#include <QFileInfo>

#include <algorithm>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

QString FileRefusedText(TFileKind kind, const QString& fileName, qint64 maxBytes)
{
    switch (kind) {
    case TFileKind::Missing:
        return Format("Cannot open file \"%s\". No such file.", fileName);
    case TFileKind::NotRegular:
        return Format("Cannot open file \"%s\". It is not a regular file.", fileName);
    case TFileKind::TooLarge:
        return Format("Cannot open file \"%s\". It is larger than %d MB.", fileName, int(maxBytes / (1024 * 1024)));
    case TFileKind::Regular:
        break;
    }
    return QString();
}

TFileKind CheckFileToRead(const QString& fileName, qint64 maxBytes)
{
    const QFileInfo info(fileName);
    if (fileName.isEmpty() || !info.exists())
        return TFileKind::Missing;
    if (!info.isFile())
        return TFileKind::NotRegular;
    return info.size() > maxBytes ? TFileKind::TooLarge : TFileKind::Regular;
}

bool OpenFileToRead(QFile& file, const QString& fileName, QString& error, qint64 maxBytes)
{
    TFileKind kind = CheckFileToRead(fileName, maxBytes);
    if (kind != TFileKind::Regular) {
        error = FileRefusedText(kind, fileName, maxBytes);
        return false;
    }
    // The file may have been swapped since the look: open without blocking
    // and look again at what was opened.
    const int fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = Format("Cannot open file \"%s\". %s", fileName, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        kind = TFileKind::NotRegular;
    else if (st.st_size > maxBytes)
        kind = TFileKind::TooLarge;
    file.close();
    file.setFileName(fileName);
    if (kind == TFileKind::Regular && file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return true;
    error = kind == TFileKind::Regular ? Format("Cannot open file \"%s\". %s", fileName, file.errorString())
                                       : FileRefusedText(kind, fileName, maxBytes);
    ::close(fd);
    return false;
}

namespace {

std::function<void(const QString&)> GReadObserver;

} // namespace

void SetWholeFileReadObserver(std::function<void(const QString& fileName)> observer)
{
    GReadObserver = std::move(observer);
}

TFileStamp FileStampOf(const QString& fileName)
{
    struct stat st {};
    if (fileName.isEmpty() || ::stat(QFile::encodeName(fileName).constData(), &st) != 0)
        return TFileStamp();
    constexpr qint64 second = 1000000000;
    return TFileStamp{quint64(st.st_dev), quint64(st.st_ino), qint64(st.st_size),
                      qint64(st.st_mtim.tv_sec) * second + st.st_mtim.tv_nsec,
                      qint64(st.st_ctim.tv_sec) * second + st.st_ctim.tv_nsec};
}

bool ReadWholeFile(const QString& fileName, QByteArray& bytes, QString& error, qint64 maxBytes)
{
    QFile file;
    if (!OpenFileToRead(file, fileName, error, maxBytes))
        return false;
    if (GReadObserver)
        GReadObserver(fileName);
    QByteArray data;
    data.reserve(qsizetype(std::min(file.size(), maxBytes)));
    char chunk[64 * 1024];
    for (;;) {
        const qint64 n = file.read(chunk, sizeof chunk);
        if (n < 0) {
            error = Format("Error reading file \"%s\". %s", fileName, file.errorString());
            return false;
        }
        if (n == 0)
            break;
        if (data.size() + n > maxBytes) {
            error = FileRefusedText(TFileKind::TooLarge, fileName, maxBytes);
            return false;
        }
        data.append(chunk, qsizetype(n));
    }
    bytes = std::move(data);
    return true;
}

TPictureReader::TPictureReader(const QString& fileName)
{
    if (OpenFileToRead(FFile, fileName, FRefused))
        setDevice(&FFile);
}

TPictureReader::~TPictureReader()
{
    // The reader's format handler must go before the file it reads.
    setDevice(nullptr);
}

QString TPictureReader::errorString() const
{
    return FRefused.isEmpty() ? QImageReader::errorString() : FRefused;
}
