// Arbitrary range files through the search, and the byte-level body readers
// against the general ones: nothing may crash, and both must agree.
#include "SilencerSearch.h"
#include "TxSilencerXML.h"
#include "TxUnitsCtrl.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    TXMLFile xml;
    xml.LoadFromBytes(bytes);
    const TXmlNode root = xml.DocumentElement();
    for (TXmlNode el = root.first_child(); el; el = el.next_sibling()) {
        if (el.type() != pugi::node_element)
            continue;
        const QString name = QString::fromUtf8(el.name());
        if (xml.FindChild(root, name) != el)
            continue; // the general readers see the first of a name only
        TDoubleDynArray general, fast;
        xml.GetFloatList(root, name, general);
        ReadFloatList(xml, root, el, name, fast);
        if (general != fast)
            std::abort();
        TOctave a{}, b{};
        bool okA = true, okB = true;
        try {
            StrToOctave(xml.GetText(root, name), a);
        } catch (const EConvertError&) {
            okA = false;
        }
        try {
            b = ReadOctave(el);
        } catch (const EConvertError&) {
            okB = false;
        }
        if (okA != okB || (okA && a != b))
            std::abort();
    }

    static QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("range.xml"));
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return 0;
    f.close();
    SetAppCode(QString::fromLatin1(AppIdentifier));
    TRecordingMessageService messages;
    TSilencerSearch search(messages);
    TSpecificationRec spec;
    spec.airflow = 2.8;
    spec.maxdP = 1e9;
    spec.width = 0.9;
    spec.height = 0.5;
    spec.diameter = 0.6;
    std::vector<TSelectionRec> found;
    try {
        search.Run(spec, {file}, found);
    } catch (const Exception&) {
    }
    for (const TSelectionRec& r : found)
        if (!std::isfinite(r.dp) || !std::isfinite(r.vp))
            std::abort();
    return 0;
}
