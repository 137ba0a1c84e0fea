#include "SilencerRanges.h"

#include "TxFileRead.h"
#include "TxFormat.h"
#include "TxString.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

const QString kHead = QStringLiteral("head");
const QString kSize = QStringLiteral("size");

QString PadLabel(const QString& label)
{
    return label.leftJustified(13, QLatin1Char(' '));
}

} // namespace

bool IsRangeFile(const QString& fileName)
{
    // A temporary reader: a file that does not parse reads as an empty
    // document and is simply no range.
    TXMLFile xml(fileName);
    const TXmlNode root = xml.DocumentElement();
    return root && SameText(xml.GetAttr(root, QStringLiteral("type")), QStringLiteral("silencer"));
}

QStringList FindRangeFiles(const QString& dataDir, QStringList* refused)
{
    QStringList ranges;
    const QDir dir(dataDir);
    const QStringList files =
        dir.entryList({QStringLiteral("*.xml")}, QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : files) {
        // Links count as what they lead to: devices, FIFOs and sockets are
        // passed over as folders are.
        const QString file = dir.filePath(name);
        const TFileKind kind = CheckFileToRead(file);
        if (kind == TFileKind::Regular && IsRangeFile(file))
            ranges.append(name);
        else if (kind == TFileKind::TooLarge && refused)
            refused->append(Format("The catalogue file \"%s\" is larger than %d MB and is left out.", file,
                                   int(MaxReadFileSize / (1024 * 1024))));
    }
    return ranges;
}

void LoadRangeFile(TXMLFile& xml, const QString& fileName)
{
    if (!QFileInfo(fileName).isFile())
        throw EXMLError(Format("Cannot open file %s: %s", fileName, QStringLiteral("No such file")));
    xml.LoadFromFile(fileName);
    if (xml.ReadStatus() == xrsInvalidFormat)
        throw EXMLError(Format("%s: %s", fileName, xml.ErrorText()));
}

TRangeShapeGroup ShapeGroupOf(const QString& shape)
{
    const QString lower = AsciiLower(shape);
    if (!lower.isEmpty() && QStringLiteral("circular annular").contains(lower))
        return TRangeShapeGroup::Circular;
    if (SameText(shape, QStringLiteral("rectangular")))
        return TRangeShapeGroup::Rectangular;
    return TRangeShapeGroup::Other;
}

QString RangeShape(TXMLFile& xml)
{
    const TXmlNode size = xml.FindChild(xml.FindChild(xml.DocumentElement(), kHead), kSize);
    return xml.GetAttr(size, QStringLiteral("shape"));
}

bool ShapeTick(TRangeShapeGroup group, bool current, bool rectChecked, bool circChecked)
{
    switch (group) {
    case TRangeShapeGroup::Circular:
        return circChecked;
    case TRangeShapeGroup::Rectangular:
        return rectChecked;
    default:
        return current;
    }
}

TRangeView ReadRangeView(TXMLFile& xml, const QString& imagesDir)
{
    TRangeView view;
    const TXmlNode head = xml.FindChild(xml.DocumentElement(), kHead);
    view.Title = xml.GetText(head, QStringLiteral("title"));
    const QString photo = xml.GetAttrByAttr(head, QStringLiteral("img"), QStringLiteral("alt"), QStringLiteral("photo"),
                                            QStringLiteral("src"));
    if (!photo.isEmpty())
        view.PhotoFile = FindDataFile(imagesDir, photo);
    const TXmlNode size = xml.FindChild(head, kSize);
    view.MemoLines = {PadLabel(QStringLiteral("maker")) + xml.GetText(head, QStringLiteral("maker")),
                      PadLabel(QStringLiteral("description")) + xml.GetText(head, QStringLiteral("description")),
                      PadLabel(QStringLiteral("usage")) + xml.GetText(head, QStringLiteral("usage")),
                      PadLabel(QStringLiteral("size kind")) + xml.GetAttr(size, QStringLiteral("kind")) +
                          QLatin1Char(' ') + xml.GetAttr(size, QStringLiteral("shape"))};
    return view;
}

bool RangeNamedIn(const QString& checked, const QString& rangeName)
{
    const QString name = Trim(rangeName);
    if (name.isEmpty())
        return false;
    for (const QString& item : checked.split(QLatin1Char(',')))
        if (Trim(item) == name)
            return true;
    return false;
}

QString FindDataFile(const QString& dir, const QString& relative)
{
    QString rel = relative;
    rel.replace(QLatin1Char('\\'), QLatin1Char('/'));
    // A name from a data file stays inside its folder: no root, no drive, no
    // step up.
    const bool drive = rel.size() >= 2 && rel[1] == QLatin1Char(':') && rel[0].isLetter() && rel[0].unicode() < 128;
    if (rel.isEmpty() || rel.startsWith(QLatin1Char('/')) || drive)
        return QString();
    const QStringList steps = rel.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (steps.contains(QStringLiteral("..")))
        return QString();
    const QString root = QDir::cleanPath(dir);
    QString found = QDir::cleanPath(root + QLatin1Char('/') + rel);
    if (!QFileInfo(found).isFile()) {
        found = root;
        for (qsizetype i = 0; i < steps.size(); ++i) {
            const QString& step = steps[i];
            if (step == QStringLiteral("."))
                continue;
            const bool last = i == steps.size() - 1;
            const QStringList entries = QDir(found).entryList(
                (last ? QDir::Files : QDir::Dirs | QDir::NoDotAndDotDot) | QDir::Hidden, QDir::Name);
            const auto match =
                std::find_if(entries.begin(), entries.end(), [&](const QString& e) { return SameText(e, step); });
            if (match == entries.end())
                return QString();
            found += QLatin1Char('/') + *match;
        }
        if (!QFileInfo(found).isFile())
            return QString();
    }
    // Nor may a symbolic link lead out of it.
    const QString realRoot = QFileInfo(root).canonicalFilePath();
    const QString real = QFileInfo(found).canonicalFilePath();
    if (realRoot.isEmpty() || !real.startsWith(realRoot + QLatin1Char('/')))
        return QString();
    return found;
}

TDocumentTarget DetailPageFor(const TSelectionRec& rec, const QString& catalogDir)
{
    TDocumentTarget target{catalogDir + QStringLiteral("index.htm"), QStringLiteral("noise_control")};
    const QString page = rec.page.Text();
    if (!page.isEmpty()) {
        const QString file = FindDataFile(catalogDir, page);
        if (!file.isEmpty())
            target = {file, QString()};
        return target;
    }
    QString left;
    QString right;
    bool found = false;
    SplitPair(AsciiLower(rec.model.Text()), QLatin1Char('-'), left, right, found);
    if (found) {
        const QString stem = StripDigits(Trim(left));
        const QString file = stem.isEmpty() ? QString() : FindDataFile(catalogDir, stem + QStringLiteral(".htm"));
        if (!file.isEmpty())
            target = {file, QString()};
    }
    return target;
}
