#include "TxString.h"

#include "TxErrors.h"
#include "TxFileRead.h"
#include "TxFormat.h"

#include <QFileInfo>
#include <QStringDecoder>

#include <cmath>
#include <cstdlib>

bool IsBlank(QChar c)
{
    return c.unicode() <= 32;
}

QString TrimLeft(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    return text.mid(i);
}

QString TrimRight(const QString& text)
{
    qsizetype n = text.size();
    while (n > 0 && IsBlank(text[n - 1]))
        --n;
    return text.left(n);
}

QString Trim(const QString& text)
{
    return TrimLeft(TrimRight(text));
}

namespace {
char16_t FoldAscii(char16_t c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char16_t>(c - 32) : c;
}
} // namespace

bool SameText(const QString& a, const QString& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i].unicode()) != FoldAscii(b[i].unicode()))
            return false;
    return true;
}

QString AsciiUpper(const QString& text)
{
    QString r = text;
    for (QChar& c : r)
        c = QChar(FoldAscii(c.unicode()));
    return r;
}

QString AsciiLower(const QString& text)
{
    QString r = text;
    for (QChar& c : r)
        if (c.unicode() >= 'A' && c.unicode() <= 'Z')
            c = QChar(static_cast<char16_t>(c.unicode() + 32));
    return r;
}

int IndexOfText(const QString& text, const QStringList& list)
{
    for (qsizetype i = 0; i < list.size(); ++i)
        if (SameText(text, list[i]))
            return static_cast<int>(i);
    return -1;
}

QString RemoveSpaces(const QString& text)
{
    QString r = text;
    r.remove(QLatin1Char(' '));
    return r;
}

QString StripDigits(const QString& text)
{
    QString r;
    for (QChar c : text)
        if (c.unicode() < '0' || c.unicode() > '9')
            r += c;
    return r;
}

int DecimalsForSigDigits(int sigDigits, int maxDecimals, double value)
{
    // Decided by the magnitude: a negative value needs the same decimals as
    // its positive twin (a sign must not count as a digit before the point).
    const QString text = FormatFixed(std::fabs(value), maxDecimals);
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    const qsizetype k = point < 0 ? text.size() : point;
    int result;
    if (k == 1) {
        result = 3;
        for (qsizetype i = 2; i < text.size(); ++i) {
            if (text[i] != QLatin1Char('0')) {
                result = static_cast<int>(i) + 1;
                break;
            }
        }
    } else {
        result = sigDigits > k ? sigDigits - static_cast<int>(k) : 0;
    }
    return std::min(result, maxDecimals);
}

QString SigDigitsFormat(int sigDigits, int maxDecimals, double value)
{
    return QStringLiteral("%0.") + QString::number(DecimalsForSigDigits(sigDigits, maxDecimals, value)) +
           QLatin1Char('f');
}

int DecimalsOfFormat(const QString& format)
{
    if (format.isEmpty())
        return 0;
    const qsizetype point = format.indexOf(QLatin1Char('.'));
    const qsizetype at = point < 0 ? 0 : point + 1;
    if (at >= format.size())
        return 0;
    const char16_t c = format[at].unicode();
    return (c >= '0' && c <= '9') ? c - '0' : 0;
}

QString GetToken(int n, QChar delimiter, const QString& text)
{
    QString remainder = Trim(text);
    QString result;
    int i = 1;
    for (; i <= n && !remainder.isEmpty(); ++i) {
        const qsizetype at = remainder.indexOf(delimiter);
        if (at >= 0) {
            result = remainder.left(at);
            remainder = remainder.mid(at + 1);
        } else {
            result = remainder;
            remainder.clear();
            if (i < n)
                result.clear();
        }
        remainder = TrimLeft(remainder);
    }
    // Ran out of pieces before the n-th: there is no such piece.
    return i <= n ? QString() : result;
}

void SplitPair(const QString& text, QChar ch, QString& left, QString& right, bool& found)
{
    left.clear();
    right.clear();
    found = false;
    const qsizetype at = text.indexOf(ch);
    if (at < 0)
        return;
    left = Trim(text.left(at));
    right = Trim(text.mid(at + 1));
    found = true;
}

namespace {
QStringList SplitPieces(const QString& text, QChar delimiter)
{
    QStringList pieces;
    QString remainder = Trim(text);
    for (;;) {
        const qsizetype at = remainder.indexOf(delimiter);
        if (at < 0)
            break;
        pieces.append(remainder.left(at));
        remainder = Trim(remainder.mid(at + 1));
    }
    if (!remainder.isEmpty())
        pieces.append(remainder);
    return pieces;
}
} // namespace

void SplitToStrings(const QString& text, QChar delimiter, QStringList& list)
{
    list = SplitPieces(text, delimiter);
}

void SplitToArray(const QString& text, QChar delimiter, TStringDynArray& array)
{
    QStringList pieces = SplitPieces(text, delimiter);
    if (!pieces.isEmpty())
        array = std::move(pieces);
}

void SplitCommaList(const QString& text, TStringDynArray& array)
{
    SplitToArray(text, QLatin1Char(','), array);
}

QString JoinWithComma(const TStringDynArray& array)
{
    return array.join(QLatin1Char(','));
}

QString JoinFloats(const TDoubleDynArray& values, const QString& format)
{
    QString result;
    const QString withComma = format + QLatin1Char(',');
    for (size_t i = 0; i < values.size(); ++i)
        result += Format(i + 1 < values.size() ? withComma : format, values[i]);
    return result;
}

namespace {
// Deletes every occurrence of `c` after the first.
QString KeepFirstOnly(const QString& text, QChar c)
{
    const qsizetype first = text.indexOf(c);
    if (first < 0)
        return text;
    QString tail = text.mid(first + 1);
    tail.remove(c);
    return text.left(first + 1) + tail;
}
} // namespace

QString NormaliseNumberText(const QString& input)
{
    QString text = RemoveSpaces(input);
    const qsizetype slash = text.indexOf(QLatin1Char('/'));
    if (slash >= 0) {
        text = KeepFirstOnly(text, QLatin1Char('/'));
        return NormaliseNumberText(text.left(slash)) + QLatin1Char('/') + NormaliseNumberText(text.mid(slash + 1));
    }
    if (text.isEmpty())
        return QStringLiteral("0");
    text.replace(QLatin1Char('e'), QLatin1Char('E'));
    text = KeepFirstOnly(text, QLatin1Char('E'));
    if (text.size() > 1) {
        QString rest;
        for (qsizetype i = 1; i < text.size(); ++i) {
            if (text[i] == QLatin1Char('-') && !(i > 1 && text[i - 1] == QLatin1Char('E')))
                continue;
            rest += text[i];
        }
        text = text.left(1) + rest;
    }
    if (text == QLatin1String("-"))
        return QStringLiteral("0");
    text = KeepFirstOnly(text, QLatin1Char('.'));
    if (text.startsWith(QLatin1Char('E')))
        text.prepend(QLatin1Char('1'));
    const qsizetype e = text.indexOf(QLatin1Char('E'));
    if (e >= 0 && e + 1 < text.size()) {
        // The exponent must be a whole number. It is kept whole: a number
        // beyond the doubles is for the reader to refuse, never to be cut
        // into another one.
        QString exponent = text.mid(e + 1);
        const qsizetype dot = exponent.indexOf(QLatin1Char('.'));
        if (dot >= 0)
            exponent.remove(dot, 1);
        const qsizetype digits = exponent.startsWith(QLatin1Char('-')) || exponent.startsWith(QLatin1Char('+')) ? 1 : 0;
        if (digits == exponent.size())
            throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(exponent));
        for (qsizetype i = digits; i < exponent.size(); ++i)
            if (exponent[i] < QLatin1Char('0') || exponent[i] > QLatin1Char('9'))
                throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(exponent));
        text = text.left(e + 1) + exponent;
    }
    return text;
}

TEntryCheck CheckTypedFloat(const QString& text, double& value)
{
    try {
        return CheckFloat(NormaliseNumberText(text), value);
    } catch (const EConvertError&) {
        return ecNoNumber;
    }
}

TEntryCheck CheckExactWhole(const QString& text, double value)
{
    // The number is digits x 10^scale: its digits without zeros at either
    // end, and the power of ten of the last one.
    qsizetype i = text.startsWith(QLatin1Char('-')) || text.startsWith(QLatin1Char('+')) ? 1 : 0;
    QString digits;
    qint64 scale = 0;
    bool point = false;
    for (; i < text.size() && (text[i].isDigit() || text[i] == QLatin1Char('.')); ++i) {
        if (text[i] == QLatin1Char('.'))
            point = true;
        else if (text[i] != QLatin1Char('0') || !digits.isEmpty())
            digits += text[i];
        if (point && text[i] != QLatin1Char('.'))
            --scale;
    }
    for (; digits.endsWith(QLatin1Char('0')); ++scale)
        digits.chop(1);
    if (digits.isEmpty())
        return ecNumber;
    bool ok = true;
    const qint64 exponent = i < text.size() ? text.mid(i + 1).toLongLong(&ok) : 0;
    if (!ok || (scale += exponent) < 0)
        return ecNotWhole;
    // Beyond 64 bits no whole number is taken anyway.
    constexpr double limit = 9223372036854775808.0;
    if (digits.size() + scale > 19 || std::fabs(value) >= limit)
        return ecNumber;
    const QString whole = digits + QString(scale, QLatin1Char('0'));
    return whole == QString::number(static_cast<qint64>(std::fabs(value))) ? ecNumber : ecOutOfRange;
}

TEntryCheck CheckTypedWhole(const QString& text, double& value)
{
    const TEntryCheck check = CheckTypedFloat(text, value);
    if (check != ecNumber)
        return check;
    return CheckExactWhole(NormaliseNumberText(text), value);
}

TEntryCheck CheckTypedPair(const QString& text, double& a, double& b, bool& two)
{
    QString normal;
    try {
        normal = NormaliseNumberText(text);
    } catch (const EConvertError&) {
        return ecNoNumber;
    }
    const qsizetype slash = normal.indexOf(QLatin1Char('/'));
    two = slash >= 0;
    const TEntryCheck first = CheckFloat(two ? normal.left(slash) : normal, a);
    return first != ecNumber || !two ? first : CheckFloat(normal.mid(slash + 1), b);
}

QString EntryCheckText(TEntryCheck check)
{
    switch (check) {
    case ecNumber:
        break;
    case ecNoNumber:
        return QStringLiteral("not a number");
    case ecOutOfRange:
        return QStringLiteral("out of range");
    case ecNotWhole:
        return QStringLiteral("not a whole number");
    }
    return QString();
}

QString StripTrailingComma(const QString& text)
{
    return text.endsWith(QLatin1Char(',')) ? text.left(text.size() - 1) : text;
}

bool ParseValuePair(const QString& text, double& a, double& b)
{
    const qsizetype slash = text.indexOf(QLatin1Char('/'));
    if (slash < 0) {
        a = StrToFloat(text);
        return false;
    }
    a = StrToFloat(text.left(slash));
    b = StrToFloat(text.mid(slash + 1));
    return true;
}

QString ReplaceCharByText(QChar ch, const QString& newText, const QString& text)
{
    // One left-to-right pass, so a new text that holds the character ends.
    QString result;
    result.reserve(text.size());
    for (QChar c : text) {
        if (c == ch)
            result += newText;
        else
            result += c;
    }
    return result;
}

QString ReplaceTextByChar(const QString& oldText, QChar ch, const QString& text)
{
    if (oldText.isEmpty())
        return text;
    QString result = text;
    result.replace(oldText, QString(ch));
    return result;
}

void LoadLinesFromFile(const QString& fileName, TStringDynArray& lines, qsizetype maxLines)
{
    if (!QFileInfo(fileName).isFile())
        return;
    QByteArray bytes;
    QString error;
    if (!ReadWholeFile(fileName, bytes, error))
        throw EInOutError(error);
    const QString text = DecodeText(bytes);
    QStringList result;
    for (qsizetype from = 0; from < text.size() && (maxLines < 0 || result.size() < maxLines);) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), from);
        end = end < 0 ? text.size() : end;
        result.append(text.mid(from, end - from).remove(QLatin1Char('\r')));
        from = end + 1;
    }
    lines = std::move(result);
}

QStringList CommaTextToList(const QString& text)
{
    QStringList items;
    const qsizetype n = text.size();
    auto blank = [&](qsizetype i) { return i < n && text[i].unicode() >= 1 && text[i].unicode() <= 32; };
    qsizetype i = 0;
    while (blank(i))
        ++i;
    while (i < n) {
        QString item;
        if (text[i] == QLatin1Char('"')) {
            ++i;
            while (i < n) {
                if (text[i] == QLatin1Char('"')) {
                    if (i + 1 < n && text[i + 1] == QLatin1Char('"')) {
                        item += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text[i++];
            }
        } else {
            const qsizetype start = i;
            while (i < n && text[i].unicode() > 32 && text[i] != QLatin1Char(','))
                ++i;
            item = text.mid(start, i - start);
        }
        items.append(item);
        while (blank(i))
            ++i;
        if (i < n && text[i] == QLatin1Char(',')) {
            if (i + 1 == n)
                items.append(QString());
            ++i;
            while (blank(i))
                ++i;
        }
        // A NUL or other character that begins no item ends the text.
        if (i < n && text[i].unicode() == 0)
            break;
    }
    return items;
}

QString ListToCommaText(const QStringList& items)
{
    if (items.size() == 1 && items[0].isEmpty())
        return QStringLiteral("\"\"");
    QString result;
    for (qsizetype k = 0; k < items.size(); ++k) {
        const QString& s = items[k];
        bool quote = false;
        for (QChar c : s)
            if (c.unicode() <= 32 || c == QLatin1Char('"') || c == QLatin1Char(','))
                quote = true;
        if (k > 0)
            result += QLatin1Char(',');
        if (quote) {
            QString q = s;
            q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
            result += QLatin1Char('"') + q + QLatin1Char('"');
        } else {
            result += s;
        }
    }
    return result;
}

namespace {
const char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
} // namespace

QString DecodeWindows1252(const QByteArray& bytes)
{
    QString result(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        result[i] = QChar(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char16_t(b));
    }
    return result;
}

QByteArray EncodeWindows1252(const QString& text)
{
    QByteArray result;
    result.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            result.append(static_cast<char>(u));
            continue;
        }
        char out = '?';
        for (int k = 0; k < 32; ++k)
            if (kCp1252High[k] == u)
                out = static_cast<char>(0x80 + k);
        result.append(out);
    }
    return result;
}

QString DecodeText(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    // Line by line: a byte of another code page in one line (a comment typed
    // in an old editor) leaves the UTF-8 of every other line as it is.
    text.clear();
    const QByteArrayView bom("\xef\xbb\xbf");
    for (qsizetype from = bytes.startsWith(bom) ? bom.size() : 0; from < bytes.size();) {
        const qsizetype end = bytes.indexOf('\n', from);
        const QByteArray line = bytes.mid(from, end < 0 ? -1 : end + 1 - from);
        QStringDecoder lineUtf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        const QString decoded = lineUtf8.decode(line);
        text += lineUtf8.hasError() ? DecodeWindows1252(line) : decoded;
        from = end < 0 ? bytes.size() : end + 1;
    }
    return text;
}
