#include "TxSaveFile.h"

#include "TxFormat.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

bool SaveFileAtomically(const QString& fileName, const QByteArray& bytes, QString* error)
{
    // The rename would put a regular file in the place of a device or a FIFO
    // that the name leads to.
    struct stat target {};
    if (::stat(QFile::encodeName(fileName).constData(), &target) == 0 && !S_ISREG(target.st_mode)) {
        if (error)
            *error = QStringLiteral("Not a regular file");
        return false;
    }
    // QSaveFile on its own commits a file cut short when its buffered flush
    // or a short write fails (a full disk): write unbuffered and check each
    // call until the system says why it cannot go on.
    QSaveFile file(fileName);
    const auto fail = [&](const QString& reason) {
        if (error)
            *error = reason;
        file.cancelWriting();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(file.errorString());
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0)
            return fail(file.errorString());
        done += n;
    }
    // Some file systems find out only when the data goes to disk.
    if (::fsync(file.handle()) != 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool MakeFolderPath(const QString& folder, QString* error)
{
    const QString path = QDir::cleanPath(QDir(folder).absolutePath());
    const QByteArray name = QFile::encodeName(path);
    const auto fail = [&](int code) {
        if (error)
            *error = Format("Cannot create the folder %s: %s", path, QString::fromLocal8Bit(std::strerror(code)));
        return false;
    };
    struct stat st {};
    if (::stat(name.constData(), &st) == 0)
        return S_ISDIR(st.st_mode) || fail(ENOTDIR);
    const QString parent = QFileInfo(path).path();
    if (parent != path && !MakeFolderPath(parent, error))
        return false;
    if (::mkdir(name.constData(), 0777) == 0)
        return true;
    const int code = errno;
    return (code == EEXIST && ::stat(name.constData(), &st) == 0 && S_ISDIR(st.st_mode)) || fail(code);
}
