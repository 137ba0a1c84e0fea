#include "TxPreviewFile.h"

#include "TxFileRead.h"
#include "TxFormat.h"
#include "TxPageStream.h"
#include "TxSaveFile.h"

#include <QCryptographicHash>
#include <QDataStream>

namespace {

constexpr quint32 Magic = 0x565A5050; // "VZPP"
constexpr QDataStream::Version StreamVersion = QDataStream::Qt_6_4;
constexpr int HeadBytes = 4 + 2 + 2 + 4;
constexpr int HashBytes = 32;
// Pages hold their pictures decoded and packed again, which may take more
// room than the picture files they came from: what is written must read
// back. A page the program draws keeps its pictures within
// MaxPagePicturePixels, at most 4 bytes each packed, and a file it saves
// again was read first.
constexpr qint64 MaxFileBytes = 128LL * 1024 * 1024;
constexpr quint32 MaxPages = 10000;
constexpr int MaxSheetUnits = 10000000;

[[noreturn]] void Damaged(const QString& fileName)
{
    throw EPreviewFileError(Format("%s is damaged or incomplete.", fileName));
}

} // namespace

QByteArray PreviewFileBytes(const TPreviewFileContents& contents)
{
    QByteArray body;
    {
        QDataStream out(&body, QIODevice::WriteOnly);
        out.setVersion(StreamVersion);
        out << contents.PaperName << quint32(contents.Pages.size());
        for (const TPreviewPage& page : contents.Pages)
            out << quint8(page.Units) << qint32(page.Size.width()) << qint32(page.Size.height()) << page.Commands;
    }
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(StreamVersion);
    out << Magic << PreviewFileVersion << quint16(0) << quint32(body.size());
    out.writeRawData(body.constData(), int(body.size()));
    const QByteArray hash = QCryptographicHash::hash(body, QCryptographicHash::Sha256);
    out.writeRawData(hash.constData(), int(hash.size()));
    return bytes;
}

TPreviewFileContents ParsePreviewFile(const QByteArray& bytes, const QString& fileName)
{
    QDataStream head(bytes);
    head.setVersion(StreamVersion);
    quint32 magic = 0;
    quint16 version = 0;
    quint16 flags = 0;
    quint32 bodySize = 0;
    head >> magic;
    if (head.status() != QDataStream::Ok || magic != Magic)
        throw EPreviewFileError(Format("%s is not a print preview file.", fileName));
    if (bytes.size() > MaxFileBytes)
        throw EPreviewFileError(Format("%s holds more than a print preview may show: it is larger than %d MB.",
                                       fileName, int(MaxFileBytes / (1024 * 1024))));
    head >> version >> flags >> bodySize;
    if (head.status() != QDataStream::Ok)
        Damaged(fileName);
    if (version > PreviewFileVersion)
        throw EPreviewFileError(Format("%s was written by a newer version of the program.", fileName));
    if (version == 0 || qint64(bodySize) + HeadBytes + HashBytes != bytes.size())
        Damaged(fileName);
    const QByteArray body = QByteArray::fromRawData(bytes.constData() + HeadBytes, bodySize);
    if (QCryptographicHash::hash(QByteArrayView(body), QCryptographicHash::Sha256) != bytes.right(HashBytes))
        Damaged(fileName);

    QDataStream in(body);
    in.setVersion(StreamVersion);
    TPreviewFileContents contents;
    TPageBudget budget;
    quint32 count = 0;
    in >> contents.PaperName >> count;
    if (in.status() != QDataStream::Ok || count > MaxPages || contents.PaperName.size() > 256)
        Damaged(fileName);
    for (quint32 i = 0; i < count; ++i) {
        quint8 units = 0;
        qint32 width = 0;
        qint32 height = 0;
        QByteArray commands;
        in >> units >> width >> height >> commands;
        TPreviewPage page;
        QString error;
        if (in.status() != QDataStream::Ok || !UnitsFromCode(units, page.Units) || width <= 0 || height <= 0 ||
            width > MaxSheetUnits || height > MaxSheetUnits)
            Damaged(fileName);
        if (!CommandsToPage(commands, page.Picture, error, &budget)) {
            if (budget.Exceeded)
                throw EPreviewFileError(Format("%s holds more than a print preview may show: %s.", fileName, error));
            Damaged(fileName);
        }
        page.Commands = commands;
        page.Size = QSize(width, height);
        contents.Pages.push_back(std::move(page));
    }
    if (!in.atEnd())
        Damaged(fileName);
    return contents;
}

void WritePreviewFile(const QString& fileName, const TPreviewFileContents& contents)
{
    const QByteArray bytes = PreviewFileBytes(contents);
    QString reason;
    if (!SaveFileAtomically(fileName, bytes, &reason))
        throw EInOutError(Format("Unable to write to %s: %s", fileName, reason));
}

TPreviewFileContents ReadPreviewFile(const QString& fileName)
{
    QByteArray bytes;
    QString error;
    if (!ReadWholeFile(fileName, bytes, error, MaxFileBytes))
        throw EInOutError(error);
    return ParsePreviewFile(bytes, fileName);
}
