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
// Bounds memory and the time the checksum takes: besides what the pages'
// budgets let a file hold (TxPageStream), its pictures may carry parts that
// are not drawn (MaxPngExtraBytes each), which are read past. What the file
// holds is checked before its checksum is worked out or a picture decoded.
constexpr qint64 MaxFileBytes = 128LL * 1024 * 1024;
constexpr quint32 MaxPages = 10000;
constexpr int MaxSheetUnits = 10000000;

[[noreturn]] void Damaged(const QString& fileName)
{
    throw EPreviewFileError(Format("%s is damaged or incomplete.", fileName));
}

// Why the pages of a body are refused: empty when they are not.
struct TRefusal {
    TPageFault Fault = TPageFault::None;
    QString What;
};

// Reads the pages of `body` within a file's budget, into `contents` with
// their pictures decoded when it is given, else only checked.
TRefusal ReadBody(const QByteArray& body, TPreviewFileContents* contents)
{
    QDataStream in(body);
    in.setVersion(StreamVersion);
    QString paper;
    quint32 count = 0;
    in >> paper >> count;
    if (in.status() != QDataStream::Ok || paper.size() > 256)
        return {TPageFault::Damaged, {}};
    if (count > MaxPages)
        return {TPageFault::TooMuch, Format("more than %d pages", int(MaxPages))};
    TPageBudget budget;
    for (quint32 i = 0; i < count; ++i) {
        quint8 units = 0;
        qint32 width = 0;
        qint32 height = 0;
        QByteArray commands;
        in >> units >> width >> height >> commands;
        TPreviewPage page;
        if (in.status() != QDataStream::Ok || !UnitsFromCode(units, page.Units) || width <= 0 || height <= 0 ||
            width > MaxSheetUnits || height > MaxSheetUnits)
            return {TPageFault::Damaged, {}};
        page.Size = QSize(width, height);
        QString error;
        if (!(contents ? CommandsToPage(commands, SheetFor(page), page.Drawing, error, &budget)
                       : CheckPageCommands(commands, SheetFor(page), error, &budget)))
            return {budget.Fault, error};
        if (contents) {
            page.Commands = commands;
            contents->Pages.push_back(std::move(page));
        }
    }
    if (!in.atEnd())
        return {TPageFault::Damaged, {}};
    if (contents)
        contents->PaperName = paper;
    return {};
}

// Raises the refusal of `fileName`'s pages. The program saves no page it
// would refuse, so one that is refused comes from elsewhere.
void Refuse(const TRefusal& r, const QString& fileName)
{
    const QString elsewhere = Format("%s was saved by another program or another version of this one", fileName);
    switch (r.Fault) {
    case TPageFault::None:
        return;
    case TPageFault::TooMuch:
        throw EPreviewFileError(Format("%s: it holds more than a print preview may show: %s.", elsewhere, r.What));
    case TPageFault::Foreign:
        throw EPreviewFileError(Format("%s: it holds drawing a print preview does not show: %s.", elsewhere, r.What));
    case TPageFault::Damaged:
        break;
    }
    Damaged(fileName);
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
    // What the pages hold and cost is known from their commands and the
    // pictures' headers: a file beyond that is refused before the checksum
    // of all its bytes is worked out or any picture decoded.
    Refuse(ReadBody(body, nullptr), fileName);
    if (QCryptographicHash::hash(QByteArrayView(body), QCryptographicHash::Sha256) != bytes.right(HashBytes))
        Damaged(fileName);
    TPreviewFileContents contents;
    Refuse(ReadBody(body, &contents), fileName);
    return contents;
}

void WritePreviewFile(const QString& fileName, const TPreviewFileContents& contents)
{
    const QByteArray bytes = PreviewFileBytes(contents);
    // What would not load again is not written.
    if (const TRefusal r = ReadBody(bytes.mid(HeadBytes, bytes.size() - HeadBytes - HashBytes), nullptr);
        r.Fault != TPageFault::None)
        throw EInOutError(Format("Unable to write to %s: the pages would not load again (%s).", fileName,
                                 r.What.isEmpty() ? QStringLiteral("damaged") : r.What));
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
