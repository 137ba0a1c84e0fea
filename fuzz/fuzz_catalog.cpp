// Catalogue files are untrusted input: whatever the bytes, reading them,
// walking the document, checking it as a catalogue and writing it back must
// neither crash nor hang.
#include "TxErrors.h"
#include "TxPlatform.h"
#include "TxSilencerXML.h"
#include "TxXMLFiles.h"

#include <cstdint>
#include <cstdlib>

namespace {

void Walk(TXMLFile& xml)
{
    const TXmlNode root = xml.DocumentElement();
    const TXmlNode head = xml.GetNode({QString::fromUtf8(root.name()), "head"});
    const TXmlNode size = xml.FindNode(root, {"head", "size"});
    xml.GetText(head, "title", "none");
    xml.GetFloat(head, "kfactor", 1.0);
    xml.GetInt(head, "count", 0);
    xml.GetExtended(size, "x", 0.0L);
    QStringList names;
    xml.GetTextList(head, "size", true, names);
    xml.GetTextList(head, "size", false, names);
    xml.GetAttrByAttr(head, "img", "alt", "photo", "src");
    if (root) {
        for (const TXmlNode& child : xml.GetChildren(root, "body")) {
            for (const TXmlNode& item : xml.GetChildren(child, "item")) {
                TDoubleDynArray values;
                xml.GetFloatList(item, "sil", values);
                xml.GetTextByAttr(item, "img", "alt", "ga");
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static TRecordingMessageService messages;
    static const bool once = [] {
        SetAppCode(QString::fromLatin1(AppIdentifier));
        return true;
    }();
    (void)once;

    TXMLFile xml;
    xml.LoadFromBytes(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (xml.ReadStatus() == xrsInvalidFormat) {
        if (xml.ErrorText().isEmpty() || xml.DocumentElement())
            std::abort();
        return 0;
    }
    Walk(xml);

    messages.Clear();
    TSilencerCatalog catalog(messages);
    catalog.LoadFromDocument(xml, QStringLiteral("fuzz.xml"));
    if (catalog.ItemCount != static_cast<int>(catalog.Items.size()))
        std::abort();

    // Writes into whatever came in; a create-walk may meet another root.
    try {
        const TXmlNode head = xml.GetNode({"catalogue", "head"}, true);
        xml.SetText(head, "title", catalog.Title + "\u00b3", true);
        xml.SetAttr(xml.SetText(head, "img", "x.png", false), "alt", catalog.Kind);
        xml.FindChild(xml.Doc(), "catalogue", true);
    } catch (const EXMLError&) {
    }

    // What the program writes it can read again.
    const QByteArray saved = xml.SaveToBytes();
    TXMLFile again;
    again.LoadFromBytes(saved);
    if (again.ReadStatus() == xrsInvalidFormat)
        std::abort();
    return 0;
}
