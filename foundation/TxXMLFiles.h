#pragma once

#include "TxErrors.h"
#include "TxTypes.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <pugixml.hpp>

#include <memory>
#include <vector>

// An element of a document: a light handle, null when there is none. It stays
// valid while its document is neither cleared nor reloaded.
using TXmlNode = pugi::xml_node;
using TXmlNodeVec = std::vector<pugi::xml_node>;

// Misuse of a document: no parent given where one is needed, a second root
// element, saving without a file name.
class EXMLError : public Exception {
public:
    using Exception::Exception;
};

// Outcome of the last typed read.
enum TXmlReadStatus : int {
    xrsNone = 0,
    xrsInvalidFormat = 1,
    xrsNotFound = 2,
    xrsWrongType = 3,
    xrsParentNotFound = 4,
    xrsValueMissing = 5,
    xrsAttributeMissing = 6,
};

// Outcome of the last element write.
enum TXmlWriteStatus : int {
    xwsNone = 0,
    xwsNotElement = 1,
    xwsParentNotFound = 2,
};

// One XML document with forgiving typed reads: a missing or unreadable value
// gives the caller's default and leaves a status code instead of raising.
// Element names below the root match exactly; the root step of a path, the
// children lists and the lookups by attribute ignore ASCII letter case.
class TXMLFile {
public:
    TXMLFile();
    // Loads the file when it exists; a load failure leaves an empty document,
    // ReadStatus() 1 and the reason in ErrorText().
    explicit TXMLFile(const QString& fileName);
    static std::unique_ptr<TXMLFile> CreateFromFile(const QString& fileName);
    ~TXMLFile();
    TXMLFile(const TXMLFile&) = delete;
    TXMLFile& operator=(const TXMLFile&) = delete;

    // Replaces the document by the file's, as the constructor does.
    void LoadFromFile(const QString& fileName);
    // Replaces the document by one parsed from memory; FileName() is kept.
    void LoadFromBytes(const QByteArray& bytes);
    void Clear();
    // Writes the document to FileName() as indented UTF-8; raises EXMLError
    // without a file name and EInOutError when the file cannot be written, in
    // which case an existing file is left as it was.
    void Save();
    QByteArray SaveToBytes();

    const QString& FileName() const { return FFileName; }
    int ReadStatus() const { return FReadStatus; }
    int WriteStatus() const { return FWriteStatus; }
    const QString& ErrorText() const { return FErrorText; }
    static QString ReadStatusText(int code);
    static QString WriteStatusText(int code);

    pugi::xml_document& Doc() { return FDoc; }
    TXmlNode DocumentElement() const { return FDoc.document_element(); }

    // Navigation; no status is touched.
    TXmlNode FindChild(TXmlNode parent, const QString& name, bool create = false, int index = -1);
    TXmlNode GetNode(const QStringList& path, bool create = false);
    TXmlNode GetNodeFrom(TXmlNode start, const QStringList& path, bool create = false);
    TXmlNode FindNode(TXmlNode start, const QStringList& path);
    TXmlNode AddChild(TXmlNode parent, const QString& name);
    TXmlNodeVec GetChildren(TXmlNode parent, const QString& name); // raises EXMLError for a null parent
    TXmlNode FindChildByAttr(TXmlNode parent, const QString& name, const QString& attrName, const QString& attrValue,
                             bool create = false);

    // Typed reads; each sets ReadStatus().
    QString GetText(TXmlNode parent, const QString& name, const QString& def = QString());
    QString GetAttr(TXmlNode node, const QString& name, const QString& def = QString());
    double GetFloat(TXmlNode parent, const QString& name, double def);
    long double GetExtended(TXmlNode parent, const QString& name, long double def);
    int GetInt(TXmlNode parent, const QString& name, int def);
    void GetTextList(TXmlNode parent, const QString& name, bool useCommaText, QStringList& list);
    void GetFloatList(TXmlNode parent, const QString& name, TDoubleDynArray& list);
    void TextToList(const QString& text, bool useCommaText, QStringList& list);
    // First child `name` whose attribute matches; no status is touched.
    QString GetTextByAttr(TXmlNode parent, const QString& name, const QString& attrName, const QString& attrValue);
    QString GetAttrByAttr(TXmlNode parent, const QString& name, const QString& attrName, const QString& attrValue,
                          const QString& wantedAttr);

    // Element writes; each sets WriteStatus(). Without `reuse` a new element
    // is always appended (repeated elements).
    TXmlNode SetText(TXmlNode parent, const QString& name, const QString& value, bool reuse = true);
    TXmlNode SetTextByAttr(TXmlNode parent, const QString& name, const QString& value, const QString& attrName,
                           const QString& attrValue, bool reuse = true);
    TXmlNode SetFloat(TXmlNode parent, const QString& name, double value, const QString& pattern, bool reuse = true);
    // Value as FormatFixedExact writes it: `decimals` decimals, more where the
    // value needs them to read back exactly.
    TXmlNode SetExactFloat(TXmlNode parent, const QString& name, double value, int decimals, bool reuse = true);
    TXmlNode SetInt(TXmlNode parent, const QString& name, int value, bool reuse = true);
    void SetAttr(TXmlNode node, const QString& name, const QString& value);
    void SetAttrs(TXmlNode node, const QStringList& names, const QStringList& values);

private:
    TXmlNode NewElement(TXmlNode parent, const QByteArray& name, TXmlNode before);
    TXmlNode WalkPath(TXmlNode start, const QStringList& path, bool create);
    void Parse(const QByteArray& bytes, const QString& origin);

    QString FFileName;
    pugi::xml_document FDoc;
    int FReadStatus = xrsNone;
    int FWriteStatus = xwsNone;
    QString FErrorText;
};
