// Settings files a user or another program may have written: parsing, reading
// and editing must never crash, what is written must read back, and an edit
// must not disturb any other value.
#include "TxFormat.h"
#include "TxIniFile.h"
#include "TxString.h"

#include <cstdint>
#include <cstdlib>
#include <map>
#include <utility>

namespace {

using TValues = std::map<std::pair<QString, QString>, QString>;

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

// Every value the document offers, by section and key (first match wins).
TValues AllValues(const TIniDocument& doc)
{
    TValues values;
    for (const QString& section : doc.Sections())
        for (const QString& key : doc.Keys(section)) {
            const auto v = doc.Value(section, key);
            Check(v.has_value());
            values.emplace(std::make_pair(AsciiLower(section), AsciiLower(key)), *v);
        }
    return values;
}

TIniDocument Reparsed(const TIniDocument& doc)
{
    TIniDocument again;
    again.Parse(doc.ToBytes());
    return again;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // First byte: length of the section name to edit; then the name, a value
    // of up to 24 bytes, and the file.
    const char* bytes = reinterpret_cast<const char*>(data);
    size_t pos = 0;
    const size_t nameLen = size > 0 ? data[0] % 16 : 0;
    pos = size > 0 ? 1 : 0;
    const size_t n1 = std::min(nameLen, size - pos);
    const QString section = QString::fromUtf8(bytes + pos, static_cast<qsizetype>(n1));
    pos += n1;
    const size_t n2 = std::min<size_t>(24, size - pos);
    const QString value = QString::fromUtf8(bytes + pos, static_cast<qsizetype>(n2));
    pos += n2;

    TIniDocument doc;
    doc.Parse(QByteArray(bytes + pos, static_cast<qsizetype>(size - pos)));
    const TValues before = AllValues(doc);
    for (const auto& [where, text] : before) {
        int i = 0;
        (void)TryIniTextToInt(text, i);
        (void)StrToFloatDef(text, 0.0);
    }
    Check(AllValues(Reparsed(doc)) == before);

    // Write one value: it reads back (line breaks become blanks) and nothing
    // else changes, also after saving and reading again.
    QString expected = value;
    expected.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    doc.SetValue(section, QStringLiteral("Left"), value);
    Check(doc.Value(section, QStringLiteral("Left")) == expected);
    TIniDocument saved = Reparsed(doc);
    Check(saved.Value(section, QStringLiteral("Left")) == expected);
    TValues after = AllValues(saved);
    for (const auto& [where, text] : before) {
        if (where.second == QStringLiteral("left") && saved.Value(where.first, QStringLiteral("Left")) == expected)
            continue;
        Check(after.count(where) == 1 && after.at(where) == text);
    }

    // Delete and erase leave nothing of what they removed.
    saved.DeleteKey(section, QStringLiteral("Left"));
    Check(!saved.Value(section, QStringLiteral("Left")).has_value());
    saved.EraseSection(section);
    Check(!Reparsed(saved).HasSection(section));
    return 0;
}
