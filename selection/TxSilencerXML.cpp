#include "TxSilencerXML.h"

#include "TxString.h"

#include <QFile>

namespace {

QString& AppCodeStore()
{
    static QString code;
    return code;
}

} // namespace

void SetAppCode(const QString& code)
{
    AppCodeStore() = code;
}

const QString& AppCode()
{
    return AppCodeStore();
}

double ValueAt(int index, const TDoubleDynArray& list)
{
    return index >= 0 && static_cast<size_t>(index) < list.size() ? list[static_cast<size_t>(index)] : 0.0;
}

TSilencerCatalog::TSilencerCatalog() = default;

TSilencerCatalog::TSilencerCatalog(IMessageService& messages) : FMessages(&messages) {}

IMessageService& TSilencerCatalog::Msg() const
{
    return FMessages ? *FMessages : Messages();
}

void TSilencerCatalog::ResetColumns()
{
    LengthColumn.clear();
    WidthColumn.clear();
    HeightColumn.clear();
    DiameterColumn.clear();
    GapColumn.clear();
    PodColumn.clear();
    LengthIndex = WidthIndex = HeightIndex = DiameterIndex = GapIndex = PodIndex = -1;
}

int TSilencerCatalog::ColumnIndex(const QString& name) const
{
    // An unnamed column is no column, even where the list holds an empty name.
    return name.isEmpty() ? -1 : IndexOfText(name, SizeColumns);
}

bool TSilencerCatalog::CheckFileExists(const QString& fileName)
{
    if (!fileName.isEmpty() && QFile::exists(fileName))
        return true;
    Msg().ShowMessage(QStringLiteral("File not found...\r\n") + fileName);
    return false;
}

void TSilencerCatalog::LoadFromFile(const QString& fileName)
{
    ResetColumns();
    if (!CheckFileExists(fileName))
        return;
    TXMLFile xml(fileName);
    if (xml.ReadStatus() == xrsInvalidFormat)
        throw EXMLError(xml.ErrorText());
    LoadFromDocument(xml, fileName);
}

void TSilencerCatalog::LoadFromFile(const QString& fileName, TXMLFile& parsed)
{
    ResetColumns();
    if (!CheckFileExists(fileName))
        return;
    // The caller's load failed: the same error as reading the file here.
    if (!parsed.ErrorText().isEmpty())
        throw EXMLError(parsed.ErrorText());
    LoadFromDocument(parsed, fileName);
}

void TSilencerCatalog::LoadFromDocument(TXMLFile& xml, const QString& fileName)
{
    ResetColumns();
    const TXmlNode root = xml.DocumentElement();
    const TXmlNode head = xml.FindChild(root, QStringLiteral("head"));
    const TXmlNode body = xml.FindChild(root, QStringLiteral("body"));
    const TXmlNode size = xml.FindChild(head, QStringLiteral("size"));
    if (!SameText(xml.GetAttr(root, QStringLiteral("type")), QStringLiteral("silencer")))
        return;

    Code = xml.GetText(head, QStringLiteral("code"));
    if (Code != AppCode()) {
        Msg().ShowMessage(QStringLiteral("Invalid silencer data file...\r\n") + fileName);
        return;
    }

    Title = xml.GetText(head, QStringLiteral("title"));
    Maker = xml.GetText(head, QStringLiteral("maker"));
    Description = xml.GetText(head, QStringLiteral("description"));
    Usage = xml.GetText(head, QStringLiteral("usage"));
    Prefix = xml.GetText(head, QStringLiteral("prefix"));
    Shape = xml.GetAttr(size, QStringLiteral("shape"));
    Kind = xml.GetAttr(size, QStringLiteral("kind"));
    xml.GetTextList(head, QStringLiteral("size"), true, SizeColumns);
    LengthColumn = xml.GetAttr(size, QStringLiteral("length"));
    LengthIndex = ColumnIndex(LengthColumn);

    ReadShape(xml, head, size);

    Media.MediaKind = xml.GetAttr(xml.FindChild(head, QStringLiteral("media")), QStringLiteral("kind"));
    Media.Media = xml.GetFloat(head, QStringLiteral("media"), 0.0);
    KFactor = xml.GetFloat(head, QStringLiteral("kfactor"), 1.0);

    Images.clear();
    Refs.clear();
    if (head) {
        for (const TXmlNode& img : xml.GetChildren(head, QStringLiteral("img")))
            Images.push_back({xml.GetAttr(img, QStringLiteral("src")), xml.GetAttr(img, QStringLiteral("alt"))});
        for (const TXmlNode& ref : xml.GetChildren(head, QStringLiteral("ref")))
            Refs.push_back({xml.GetAttr(ref, QStringLiteral("href"))});
    }

    if (ReadBodies) {
        ReadItems(xml, body);
    } else {
        Items.clear();
        ItemCount = 0;
    }
}

void TSilencerCatalog::ReadShape(TXMLFile& xml, TXmlNode head, TXmlNode size)
{
    // Only a variable rectangular range has these; none may linger from the
    // range loaded before.
    WeightEqn.clear();
    Weights.clear();
    Heights.clear();

    const bool fixed = SameText(Kind, QStringLiteral("fixed"));
    const bool variable = SameText(Kind, QStringLiteral("variable"));
    auto column = [&](const char* attr, QString& name, int& index) {
        name = xml.GetAttr(size, QString::fromLatin1(attr));
        index = ColumnIndex(name);
    };
    auto badKind = [&] { Msg().ShowMessage(Kind + QStringLiteral(" not recognised as a valid silencer kind...")); };

    if (SameText(Shape, QStringLiteral("circular"))) {
        column("diameter", DiameterColumn, DiameterIndex);
        if (fixed)
            SilencerType = stCircularFixed;
        else if (variable)
            SilencerType = stCircularVariable;
        else
            badKind();
    } else if (SameText(Shape, QStringLiteral("annular"))) {
        column("diameter", DiameterColumn, DiameterIndex);
        column("pod", PodColumn, PodIndex);
        if (fixed)
            SilencerType = stAnnularFixed;
        else if (variable)
            SilencerType = stAnnularVariable;
        else
            badKind();
    } else if (SameText(Shape, QStringLiteral("rectangular"))) {
        column("width", WidthColumn, WidthIndex);
        column("gap", GapColumn, GapIndex);
        if (fixed) {
            column("height", HeightColumn, HeightIndex);
            SilencerType = stRectangularFixed;
        } else if (variable) {
            xml.GetFloatList(head, QStringLiteral("height"), Heights);
            WeightEqn = xml.GetAttr(xml.FindChild(head, QStringLiteral("weight")), QStringLiteral("eqn"));
            xml.GetFloatList(head, QStringLiteral("weight"), Weights);
            SilencerType = stRectangularVariable;
        } else {
            badKind();
        }
    } else {
        Msg().ShowMessage(Shape + QStringLiteral(" not recognised as a valid silencer shape..."));
    }
}

void TSilencerCatalog::ReadItems(TXMLFile& xml, TXmlNode body)
{
    Items.clear();
    if (body) {
        for (const TXmlNode& node : xml.GetChildren(body, QStringLiteral("item"))) {
            TSilencerItem item;
            item.Owner = this;
            item.Name = xml.GetText(node, QStringLiteral("name"));
            xml.GetFloatList(node, QStringLiteral("sil"), item.Sil);
            xml.GetFloatList(node, QStringLiteral("size"), item.Size);
            item.KFactor = xml.GetFloat(node, QStringLiteral("kfactor"), 1.0);
            item.Weight = xml.GetFloat(node, QStringLiteral("weight"), 0.0);
            for (const TXmlNode& anc : xml.GetChildren(node, QStringLiteral("ancillary")))
                item.Ancillaries.push_back(
                    {xml.GetText(anc, QStringLiteral("name")), xml.GetFloat(anc, QStringLiteral("weight"), 0.0)});
            item.Length = ValueAt(LengthIndex, item.Size);
            item.Width = ValueAt(WidthIndex, item.Size);
            item.Height = ValueAt(HeightIndex, item.Size);
            item.Diameter = ValueAt(DiameterIndex, item.Size);
            item.Gap = ValueAt(GapIndex, item.Size);
            item.Pod = ValueAt(PodIndex, item.Size);
            Items.push_back(std::move(item));
        }
    }
    ItemCount = static_cast<int>(Items.size());
}
