#include "TxHTMWriter.h"

#include "TxErrors.h"

QString HtmlEscape(const QString& text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&':
            result += QLatin1String("&amp;");
            break;
        case '<':
            result += QLatin1String("&lt;");
            break;
        case '>':
            result += QLatin1String("&gt;");
            break;
        case '"':
            result += QLatin1String("&quot;");
            break;
        default:
            result += c;
        }
    }
    return result;
}

THTMWriter::THTMWriter(QStringList& lines) : FLines(&lines) {}

THTMWriter::~THTMWriter() = default;

void THTMWriter::SetMaxBytes(qint64 maxBytes, const QString& refusal)
{
    FMaxBytes = maxBytes;
    FRefusal = refusal;
}

qint64 THTMWriter::TextBytes(const QString& text)
{
    qint64 bytes = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        // A surrogate pair takes four bytes, two for each half.
        bytes += u < 0x80 ? 1 : u < 0x800 || c.isSurrogate() ? 2 : 3;
    }
    return bytes;
}

qint64 THTMWriter::CellBytes(const QString& value, const QString& attrs)
{
    return TextBytes(OpenTag(QStringLiteral("td"), attrs)) + TextBytes(value) +
           TextBytes(CloseTag(QStringLiteral("td")));
}

qint64 THTMWriter::RowFrameBytes(const QString& rowAttrs)
{
    return LineBytes(OpenTag(QStringLiteral("tr"), rowAttrs) + CloseTag(QStringLiteral("tr")));
}

void THTMWriter::Clear()
{
    FLines->clear();
    FBytes = 0;
}

void THTMWriter::Add(const QString& line)
{
    const qint64 bytes = FBytes + LineBytes(line);
    if (FMaxBytes >= 0 && bytes > FMaxBytes)
        throw EInOutError(FRefusal);
    FLines->append(line);
    FBytes = bytes;
}

QString THTMWriter::OpenTag(const QString& tag, const QString& attrs)
{
    if (attrs.isEmpty())
        return QLatin1Char('<') + tag + QLatin1Char('>');
    return QLatin1Char('<') + tag + QLatin1Char(' ') + attrs + QLatin1Char('>');
}

QString THTMWriter::CloseTag(const QString& tag)
{
    return QLatin1String("</") + tag + QLatin1Char('>');
}

QString THTMWriter::ImageTag(const QString& src, const QString& attrs)
{
    return QLatin1String("<img src=\"") + src + QLatin1String("\" ") + attrs + QLatin1Char('>');
}

void THTMWriter::WriteTitle(const QString& text)
{
    Add(QLatin1String("<title>") + text + QLatin1String("</title>"));
}

void THTMWriter::WriteHeading(const QString& text, int level, const QString& attrs)
{
    const QString tag = QLatin1Char('h') + QString::number(level);
    Add(OpenTag(tag, attrs) + text + CloseTag(tag));
}

void THTMWriter::WriteParagraph(const QString& text, const QString& attrs)
{
    Add(OpenTag(QStringLiteral("p"), attrs) + text + CloseTag(QStringLiteral("p")));
}

void THTMWriter::WriteLines(const TStringDynArray& strings, const QString& attrs)
{
    Add(OpenTag(QStringLiteral("p"), attrs));
    for (const QString& s : strings)
        WriteLine(s);
    Add(CloseTag(QStringLiteral("p")));
}

void THTMWriter::WriteLine(const QString& text)
{
    Add(text + QLatin1String("<br>"));
}

void THTMWriter::WriteStyleLink(const QString& href, const QString& attrs)
{
    Add(QLatin1String("<link rel=\"stylesheet\" type=\"text/css\" ") + attrs + QLatin1String(" href=\"") + href +
        QLatin1String("\">"));
}

void THTMWriter::WriteBreak()
{
    Add(QStringLiteral("<br>"));
}

void THTMWriter::WriteClearBreak()
{
    Add(QStringLiteral("<br clear=\"all\">"));
}

void THTMWriter::WriteSpacer()
{
    Add(QStringLiteral("<p>&nbsp;</p>"));
}

void THTMWriter::WriteHeaderRow(const TStringDynArray& values, const TStringDynArray& cellAttrs,
                                const QString& rowAttrs)
{
    WriteCells(QStringLiteral("th"), values, cellAttrs, rowAttrs);
}

void THTMWriter::WriteRow(const TStringDynArray& values, const TStringDynArray& cellAttrs, const QString& rowAttrs)
{
    WriteCells(QStringLiteral("td"), values, cellAttrs, rowAttrs);
}

void THTMWriter::WriteCells(const QString& cellTag, const TStringDynArray& values, const TStringDynArray& cellAttrs,
                            const QString& rowAttrs)
{
    // Rows make most of a long document: the tags are built once.
    const QString open = OpenTag(cellTag);
    const QString close = CloseTag(cellTag);
    const auto openTag = [&](qsizetype i) {
        return i < cellAttrs.size() && !cellAttrs[i].isEmpty() ? OpenTag(cellTag, cellAttrs[i]) : open;
    };
    QString line = OpenTag(QStringLiteral("tr"), rowAttrs);
    qsizetype size = line.size() + 5;
    for (qsizetype i = 0; i < values.size(); ++i)
        size += openTag(i).size() + values[i].size() + close.size();
    line.reserve(size);
    for (qsizetype i = 0; i < values.size(); ++i) {
        line += openTag(i);
        line += values[i];
        line += close;
    }
    line += CloseTag(QStringLiteral("tr"));
    Add(line);
}
