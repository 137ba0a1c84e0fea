#include "TxXMLFiles.h"

#include "TxFileRead.h"
#include "TxFormat.h"
#include "TxSaveFile.h"
#include "TxString.h"

#include <QFile>

#include <algorithm>
#include <cstring>

namespace {

// Comments and processing instructions are kept as nodes so that an element
// holding one besides its text reads as "value missing", as it should.
constexpr unsigned kParseOptions =
    pugi::parse_default | pugi::parse_comments | pugi::parse_pi | pugi::parse_declaration;

QByteArray U8(const QString& text)
{
    return text.toUtf8();
}

QString FromU8(const char* text)
{
    return QString::fromUtf8(text);
}

bool IsElementNamed(const TXmlNode& node, const QByteArray& name)
{
    return node.type() == pugi::node_element && std::strcmp(node.name(), name.constData()) == 0;
}

bool IsElementLike(const TXmlNode& node, const QString& name)
{
    return node.type() == pugi::node_element && SameText(FromU8(node.name()), name);
}

// The text of an element that holds nothing or a single text or
// character-data node; anything else has no text value.
bool ElementText(const TXmlNode& element, QString& text)
{
    const TXmlNode first = element.first_child();
    if (!first) {
        text.clear();
        return true;
    }
    if (first.next_sibling() || (first.type() != pugi::node_pcdata && first.type() != pugi::node_cdata))
        return false;
    text = FromU8(first.value());
    return true;
}

bool SetElementText(TXmlNode element, const QString& value)
{
    QString current;
    if (!ElementText(element, current))
        return false;
    while (TXmlNode child = element.first_child())
        element.remove_child(child);
    if (!value.isEmpty())
        element.append_child(pugi::node_pcdata).set_value(U8(value).constData());
    return true;
}

// The value of an attribute matched case-insensitively; a child without the
// attribute never matches.
bool AttrMatches(const TXmlNode& node, const QByteArray& attrName, const QString& attrValue)
{
    const pugi::xml_attribute attr = node.attribute(attrName.constData());
    return attr && SameText(FromU8(attr.value()), attrValue);
}

// The encoding named by the XML declaration, in lower case; empty when
// there is no declaration or it names none.
QByteArray DeclaredEncoding(const QByteArray& bytes)
{
    qsizetype i = 0;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n'))
        ++i;
    if (!QByteArrayView(bytes).sliced(i).startsWith("<?xml"))
        return {};
    const qsizetype end = bytes.indexOf("?>", i);
    if (end < 0)
        return {};
    const QByteArray decl = bytes.mid(i, end - i);
    qsizetype at = decl.indexOf("encoding");
    if (at < 0)
        return {};
    at += 8;
    auto skipBlanks = [&] {
        while (at < decl.size() && (decl[at] == ' ' || decl[at] == '\t' || decl[at] == '\r' || decl[at] == '\n'))
            ++at;
    };
    skipBlanks();
    if (at >= decl.size() || decl[at] != '=')
        return {};
    ++at;
    skipBlanks();
    if (at >= decl.size() || (decl[at] != '"' && decl[at] != '\''))
        return {};
    const qsizetype close = decl.indexOf(decl[at], at + 1);
    if (close < 0)
        return {};
    return decl.mid(at + 1, close - at - 1).toLower();
}

bool IsValidUtf8(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p != end) {
        const unsigned c = *p++;
        if (c < 0x80)
            continue;
        int more = 0;
        unsigned min = 0;
        unsigned code = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
            min = 0x80;
            code = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            min = 0x800;
            code = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            min = 0x10000;
            code = c & 0x07;
        } else {
            return false;
        }
        if (end - p < more)
            return false;
        for (int k = 0; k < more; ++k) {
            if ((p[k] & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (p[k] & 0x3F);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        p += more;
    }
    return true;
}

// pugixml reads neither Windows-1252 nor reliably ISO-8859-1, so such text
// is transcoded before parsing: where the declaration names one of them, and
// where it names none or UTF-8 but the bytes are no UTF-8 (older programs
// wrote 8-bit text without saying so).
bool ReadAsWindows1252(const QByteArray& bytes)
{
    const QByteArray name = DeclaredEncoding(bytes);
    if (name == "windows-1252" || name == "cp1252" || name == "x-cp1252" || name == "iso-8859-1" ||
        name == "iso_8859-1" || name == "latin1")
        return true;
    if (!name.isEmpty() && name != "utf-8" && name != "utf8")
        return false;
    // A byte order mark or a zero byte up front: UTF-16 or UTF-32, which
    // pugixml detects itself.
    const QByteArrayView head = QByteArrayView(bytes).first(std::min<qsizetype>(bytes.size(), 4));
    if (head.startsWith("\xEF\xBB\xBF") || head.startsWith("\xFE\xFF") || head.startsWith("\xFF\xFE") ||
        head.contains('\0'))
        return false;
    return !IsValidUtf8(bytes);
}

// XML 1.0 has no way to write the C0 controls other than tab, line feed and
// carriage return (pugixml would write "&#12;", which parsers reject), nor
// U+FFFE and U+FFFF: they become blanks.
void MakeWritable(std::string& text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
            text[i] = ' ';
        } else if (c == 0xEF && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0xBF &&
                   (static_cast<unsigned char>(text[i + 2]) & 0xFE) == 0xBE) {
            text.replace(i, 3, 1, ' ');
        }
    }
}

bool NeedsMaking(const char* text)
{
    for (auto* p = reinterpret_cast<const unsigned char*>(text); *p; ++p)
        if ((*p < 0x20 && *p != '\t' && *p != '\n' && *p != '\r') ||
            (*p == 0xEF && p[1] == 0xBF && (p[2] & 0xFE) == 0xBE))
            return true;
    return false;
}

template <typename T>
void MakeValueWritable(T item)
{
    if (NeedsMaking(item.value())) {
        std::string text = item.value();
        MakeWritable(text);
        item.set_value(text.c_str());
    }
}

// Every value below `root` made writable; a loop, not recursion, because
// nesting depth is the file's to choose.
void MakeTreeWritable(TXmlNode root)
{
    TXmlNode n = root.first_child();
    while (n) {
        if (n.type() == pugi::node_element || n.type() == pugi::node_declaration) {
            for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute())
                MakeValueWritable(a);
        } else {
            MakeValueWritable(n);
        }
        if (n.first_child()) {
            n = n.first_child();
            continue;
        }
        while (n && n != root && !n.next_sibling())
            n = n.parent();
        n = n && n != root ? n.next_sibling() : TXmlNode();
    }
}

class TByteWriter : public pugi::xml_writer {
public:
    explicit TByteWriter(QByteArray& out) : FOut(out) {}
    void write(const void* data, size_t size) override
    {
        FOut.append(static_cast<const char*>(data), static_cast<qsizetype>(size));
    }

private:
    QByteArray& FOut;
};

} // namespace

TXMLFile::TXMLFile() = default;

TXMLFile::TXMLFile(const QString& fileName)
{
    LoadFromFile(fileName);
}

TXMLFile::~TXMLFile() = default;

std::unique_ptr<TXMLFile> TXMLFile::CreateFromFile(const QString& fileName)
{
    return std::make_unique<TXMLFile>(fileName);
}

void TXMLFile::LoadFromFile(const QString& fileName)
{
    Clear();
    FFileName = fileName;
    FReadStatus = xrsNone;
    FErrorText.clear();
    // A missing file is the caller's business: it gives an empty document.
    if (fileName.isEmpty() || !QFile::exists(fileName))
        return;
    QByteArray bytes;
    if (!ReadWholeFile(fileName, bytes, FErrorText)) {
        FReadStatus = xrsInvalidFormat;
        return;
    }
    Parse(bytes, fileName);
}

void TXMLFile::LoadFromBytes(const QByteArray& bytes)
{
    Clear();
    FReadStatus = xrsNone;
    FErrorText.clear();
    Parse(bytes, QString());
}

void TXMLFile::Parse(const QByteArray& bytes, const QString& origin)
{
    QByteArray buffer;
    pugi::xml_encoding encoding = pugi::encoding_auto;
    if (ReadAsWindows1252(bytes)) {
        buffer = DecodeWindows1252(bytes).toUtf8();
        encoding = pugi::encoding_utf8;
    } else {
        buffer = bytes;
    }
    const pugi::xml_parse_result result =
        FDoc.load_buffer(buffer.constData(), static_cast<size_t>(buffer.size()), kParseOptions, encoding);
    if (result)
        return;

    const qsizetype offset = std::clamp<qsizetype>(static_cast<qsizetype>(result.offset), 0, buffer.size());
    int line = 1;
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < offset; ++i)
        if (buffer[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    const int column = static_cast<int>(offset - lineStart) + 1;
    const QString reason = Format("%s (line %d, column %d)", FromU8(result.description()), line, column);
    FErrorText = origin.isEmpty() ? reason : Format("%s: %s", origin, reason);
    FReadStatus = xrsInvalidFormat;
    Clear();
}

void TXMLFile::Clear()
{
    FDoc.reset();
}

QByteArray TXMLFile::SaveToBytes()
{
    // The text goes out as UTF-8 whatever the file it came from declared.
    for (TXmlNode node = FDoc.first_child(); node; node = node.next_sibling())
        if (node.type() == pugi::node_declaration) {
            if (pugi::xml_attribute encoding = node.attribute("encoding"))
                encoding.set_value("UTF-8");
            break;
        }
    MakeTreeWritable(FDoc);
    QByteArray out;
    TByteWriter writer(out);
    FDoc.save(writer, PUGIXML_TEXT("\t"), pugi::format_default, pugi::encoding_utf8);
    return out;
}

void TXMLFile::Save()
{
    if (FFileName.isEmpty())
        throw EXMLError(QStringLiteral("File name not known"));
    QString reason;
    if (!SaveFileAtomically(FFileName, SaveToBytes(), &reason))
        throw EInOutError(Format("Unable to write to %s: %s", FFileName, reason));
}

QString TXMLFile::ReadStatusText(int code)
{
    static const char* const texts[] = {
        "none",          "invalid file format", "not found", "wrong type", "parent node not found",
        "value missing", "attribute missing"};
    return code >= 0 && code < 7 ? QString::fromLatin1(texts[code]) : QString();
}

QString TXMLFile::WriteStatusText(int code)
{
    static const char* const texts[] = {"none", "not an element node", "parent node not found"};
    return code >= 0 && code < 3 ? QString::fromLatin1(texts[code]) : QString();
}

// Navigation

TXmlNode TXMLFile::FindChild(TXmlNode parent, const QString& name, bool create, int index)
{
    if (!parent)
        return {};
    const QByteArray n = U8(name);
    for (TXmlNode child = parent.first_child(); child; child = child.next_sibling())
        if (IsElementNamed(child, n))
            return child;
    if (!create)
        return {};
    if (index >= 0) {
        TXmlNode at = parent.first_child();
        for (int k = 0; k < index && at; ++k)
            at = at.next_sibling();
        if (at)
            return NewElement(parent, n, at);
    }
    return NewElement(parent, n, TXmlNode());
}

TXmlNode TXMLFile::NewElement(TXmlNode parent, const QByteArray& name, TXmlNode before)
{
    // A document has one root element; a second would not be XML.
    if (parent.type() == pugi::node_document)
        for (TXmlNode root = parent.first_child(); root; root = root.next_sibling())
            if (root.type() == pugi::node_element)
                throw EXMLError(Format("Cannot add the element %s: the document already has the root element %s",
                                       FromU8(name.constData()), FromU8(root.name())));
    return before ? parent.insert_child_before(name.constData(), before) : parent.append_child(name.constData());
}

TXmlNode TXMLFile::WalkPath(TXmlNode start, const QStringList& path, bool create)
{
    if (path.isEmpty())
        return {};
    TXmlNode current = start;
    qsizetype i = 0;
    if (!start) {
        const TXmlNode root = FDoc.document_element();
        if (root && SameText(FromU8(root.name()), path[0])) {
            current = root;
        } else if (!create) {
            return {};
        } else {
            current = NewElement(FDoc, U8(path[0]), TXmlNode());
        }
        i = 1;
    }
    for (; i < path.size() && current; ++i)
        current = FindChild(current, path[i], create, -1);
    return current;
}

TXmlNode TXMLFile::GetNode(const QStringList& path, bool create)
{
    return WalkPath(TXmlNode(), path, create);
}

TXmlNode TXMLFile::GetNodeFrom(TXmlNode start, const QStringList& path, bool create)
{
    return WalkPath(start, path, create);
}

TXmlNode TXMLFile::FindNode(TXmlNode start, const QStringList& path)
{
    return WalkPath(start, path, false);
}

TXmlNode TXMLFile::AddChild(TXmlNode parent, const QString& name)
{
    if (!parent)
        return {};
    return NewElement(parent, U8(name), TXmlNode());
}

TXmlNodeVec TXMLFile::GetChildren(TXmlNode parent, const QString& name)
{
    if (!parent)
        throw EXMLError(Format("Parent node not found (looking for %s)", name));
    TXmlNodeVec result;
    for (TXmlNode child = parent.first_child(); child; child = child.next_sibling())
        if (IsElementLike(child, name))
            result.push_back(child);
    return result;
}

TXmlNode TXMLFile::FindChildByAttr(TXmlNode parent, const QString& name, const QString& attrName,
                                   const QString& attrValue, bool create)
{
    if (!parent)
        return {};
    const QByteArray attr = U8(attrName);
    for (TXmlNode child = parent.first_child(); child; child = child.next_sibling())
        if (IsElementLike(child, name) && AttrMatches(child, attr, attrValue))
            return child;
    if (!create)
        return {};
    TXmlNode added = AddChild(parent, name);
    SetAttr(added, attrName, attrValue);
    return added;
}

// Reads

QString TXMLFile::GetText(TXmlNode parent, const QString& name, const QString& def)
{
    FReadStatus = xrsNone;
    if (!parent) {
        FReadStatus = xrsParentNotFound;
        return def;
    }
    const TXmlNode child = FindChild(parent, name);
    if (!child) {
        FReadStatus = xrsNotFound;
        return def;
    }
    QString text;
    if (!ElementText(child, text)) {
        FReadStatus = xrsValueMissing;
        return def;
    }
    return text;
}

QString TXMLFile::GetAttr(TXmlNode node, const QString& name, const QString& def)
{
    FReadStatus = xrsNone;
    if (!node) {
        FReadStatus = xrsAttributeMissing;
        return def;
    }
    const QString value = FromU8(node.attribute(U8(name).constData()).value());
    return value.isEmpty() ? def : value;
}

double TXMLFile::GetFloat(TXmlNode parent, const QString& name, double def)
{
    const QString text = GetText(parent, name);
    if (FReadStatus != xrsNone)
        return def;
    // Blanks around a number are layout, not part of it.
    double value = 0.0;
    if (!TryStrToFloat(Trim(text), value)) {
        FReadStatus = xrsWrongType;
        return def;
    }
    return value;
}

long double TXMLFile::GetExtended(TXmlNode parent, const QString& name, long double def)
{
    // The files' numbers are doubles; only the default may be wider.
    const double value = GetFloat(parent, name, 0.0);
    return FReadStatus == xrsNone ? value : def;
}

int TXMLFile::GetInt(TXmlNode parent, const QString& name, int def)
{
    const double x = GetFloat(parent, name, 0.0);
    int value = def;
    if (FReadStatus == xrsNone && AsWholeNumber(ecNumber, x, value) != ecNumber)
        FReadStatus = xrsWrongType;
    return value;
}

void TXMLFile::TextToList(const QString& text, bool useCommaText, QStringList& list)
{
    const QString stripped = StripTrailingComma(text);
    if (useCommaText) {
        list = CommaTextToList(stripped);
        if (list.isEmpty())
            FReadStatus = xrsNotFound;
        return;
    }
    list.clear();
    SplitCommaList(stripped, list);
}

void TXMLFile::GetTextList(TXmlNode parent, const QString& name, bool useCommaText, QStringList& list)
{
    FReadStatus = xrsNone;
    TextToList(GetText(parent, name), useCommaText, list);
}

void TXMLFile::GetFloatList(TXmlNode parent, const QString& name, TDoubleDynArray& list)
{
    FReadStatus = xrsNone;
    list.clear();
    const QStringList items = CommaTextToList(StripTrailingComma(RemoveSpaces(GetText(parent, name))));
    if (items.isEmpty()) {
        FReadStatus = xrsNotFound;
        return;
    }
    list.reserve(static_cast<size_t>(items.size()));
    for (const QString& item : items) {
        double value = 0.0;
        if (!TryStrToFloat(item, value)) {
            FReadStatus = xrsWrongType;
            list.clear();
            return;
        }
        list.push_back(value);
    }
}

QString TXMLFile::GetTextByAttr(TXmlNode parent, const QString& name, const QString& attrName, const QString& attrValue)
{
    if (!parent)
        return {};
    const QByteArray attr = U8(attrName);
    for (const TXmlNode& child : GetChildren(parent, name))
        if (AttrMatches(child, attr, attrValue)) {
            QString text;
            return ElementText(child, text) ? text : QString();
        }
    return {};
}

QString TXMLFile::GetAttrByAttr(TXmlNode parent, const QString& name, const QString& attrName, const QString& attrValue,
                                const QString& wantedAttr)
{
    if (!parent)
        return {};
    const QByteArray attr = U8(attrName);
    for (const TXmlNode& child : GetChildren(parent, name))
        if (AttrMatches(child, attr, attrValue))
            return FromU8(child.attribute(U8(wantedAttr).constData()).value());
    return {};
}

// Writes

TXmlNode TXMLFile::SetText(TXmlNode parent, const QString& name, const QString& value, bool reuse)
{
    FWriteStatus = xwsNone;
    if (!parent) {
        FWriteStatus = xwsParentNotFound;
        return {};
    }
    TXmlNode element = reuse ? FindChild(parent, name) : TXmlNode();
    if (!element)
        element = AddChild(parent, name);
    // Null when the parent cannot hold elements (a text node, say).
    if (!element || (element.type() == pugi::node_element && !SetElementText(element, value)))
        FWriteStatus = xwsNotElement;
    return element;
}

TXmlNode TXMLFile::SetTextByAttr(TXmlNode parent, const QString& name, const QString& value, const QString& attrName,
                                 const QString& attrValue, bool reuse)
{
    TXmlNode element = SetText(parent, name, value, reuse);
    SetAttr(element, attrName, attrValue);
    return element;
}

TXmlNode TXMLFile::SetFloat(TXmlNode parent, const QString& name, double value, const QString& pattern, bool reuse)
{
    return SetText(parent, name, Format(pattern, value), reuse);
}

TXmlNode TXMLFile::SetExactFloat(TXmlNode parent, const QString& name, double value, int decimals, bool reuse)
{
    return SetText(parent, name, FormatFixedExact(value, decimals), reuse);
}

TXmlNode TXMLFile::SetInt(TXmlNode parent, const QString& name, int value, bool reuse)
{
    return SetText(parent, name, Format("%d", value), reuse);
}

void TXMLFile::SetAttr(TXmlNode node, const QString& name, const QString& value)
{
    if (!node)
        return;
    const QByteArray n = U8(name);
    pugi::xml_attribute attr = node.attribute(n.constData());
    if (!attr)
        attr = node.append_attribute(n.constData());
    if (attr)
        attr.set_value(U8(value).constData());
}

void TXMLFile::SetAttrs(TXmlNode node, const QStringList& names, const QStringList& values)
{
    const qsizetype n = std::min(names.size(), values.size());
    for (qsizetype i = 0; i < n; ++i)
        SetAttr(node, names[i], values[i]);
}
