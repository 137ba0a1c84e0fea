#include "TxRegistry.h"

#include "TxFileRead.h"
#include "TxPlatform.h"
#include "TxSaveFile.h"
#include "TxString.h"

#include <QScopeGuard>
#include <QStandardPaths>

namespace {

QString GRegistryFileName;

// "Software\DEZ Uder\" → "Software/DEZ Uder", the path of a group.
QString KeyToPath(const QString& key)
{
    QString path = key;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return parts.join(QLatin1Char('/'));
}

QString JoinPath(const QString& a, const QString& b)
{
    if (a.isEmpty())
        return b;
    if (b.isEmpty())
        return a;
    return a + QLatin1Char('/') + b;
}

// The value of the `digits` hexadecimal digits at `at`, or -1.
int HexAt(QStringView text, qsizetype at, int digits)
{
    if (at + digits > text.size())
        return -1;
    int value = 0;
    for (int i = 0; i < digits; ++i) {
        const int d = HexDigit(text[at + i]);
        if (d < 0)
            return -1;
        value = value * 16 + d;
    }
    return value;
}

// The store's text, in the layout of Qt's INI settings files: a section per
// first part of the paths ("General" for paths of one part), the rest of the
// path as the key with "\" between its parts. Names keep letters, digits and
// "_-." and give every other character as "%XX", or "%UXXXX" above 255;
// values are UTF-8 with C escapes, in double quotes when they hold ";", ","
// or "=" or begin or end with a blank, and with one more "@" before a
// leading "@".

QString EscapeName(const QString& path)
{
    QString result;
    for (const QChar c : path) {
        const char16_t u = c.unicode();
        if (u == u'/')
            result += QLatin1Char('\\');
        else if ((u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') || u == u'_' ||
                 u == u'-' || u == u'.')
            result += c;
        else if (u <= 0xFF)
            result += QStringLiteral("%%1").arg(int(u), 2, 16, QLatin1Char('0')).toUpper();
        else
            result += QStringLiteral("%U%1").arg(int(u), 4, 16, QLatin1Char('0')).toUpper();
    }
    return result;
}

QString UnescapeName(QStringView text)
{
    QString result;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        int code = -1;
        if (c == QLatin1Char('%') && i + 1 < text.size() && text[i + 1] == QLatin1Char('U') &&
            (code = HexAt(text, i + 2, 4)) >= 0) {
            i += 5;
        } else if (c == QLatin1Char('%') && (code = HexAt(text, i + 1, 2)) >= 0) {
            i += 2;
        }
        if (code >= 0)
            result += QChar(char16_t(code));
        else
            result += c == QLatin1Char('\\') ? QChar(QLatin1Char('/')) : c;
    }
    return result;
}

// The letter of a character's C escape ("n" for a line feed), or 0.
char EscapeLetter(char16_t c)
{
    switch (c) {
    case u'\a':
        return 'a';
    case u'\b':
        return 'b';
    case u'\f':
        return 'f';
    case u'\n':
        return 'n';
    case u'\r':
        return 'r';
    case u'\t':
        return 't';
    case u'\v':
        return 'v';
    case u'"':
        return '"';
    case u'\\':
        return '\\';
    default:
        return 0;
    }
}

// The character a C escape letter stands for ("\n" for "n"); the letter
// itself for one that stands for no other character.
QChar EscapedChar(QChar letter)
{
    for (const char16_t c : u"\a\b\f\n\r\t\v")
        if (c && QLatin1Char(EscapeLetter(c)) == letter)
            return QChar(c);
    return letter;
}

QString EscapeValue(const QString& value)
{
    const QString text = value.startsWith(QLatin1Char('@')) ? QLatin1Char('@') + value : value;
    QString result;
    bool quote = !text.isEmpty() && (text.front() == QLatin1Char(' ') || text.back() == QLatin1Char(' '));
    // A digit after a "\x" escape would be read as part of it.
    bool afterHex = false;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        quote = quote || u == u';' || u == u',' || u == u'=';
        if (afterHex && HexDigit(c) >= 0) {
            result += QStringLiteral("\\x%1").arg(int(u), 0, 16);
            continue;
        }
        afterHex = false;
        if (const char letter = EscapeLetter(u)) {
            result += QLatin1Char('\\');
            result += QLatin1Char(letter);
        } else if (u < 0x20) {
            result += QStringLiteral("\\x%1").arg(int(u), 0, 16);
            afterHex = true;
        } else {
            result += c;
        }
    }
    return quote ? QLatin1Char('"') + result + QLatin1Char('"') : result;
}

// `text` without the ASCII blanks and control characters at either end, the
// only ones the layout trims: other blanks are part of names and values.
QStringView TrimBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

// The value of a key line's text after "=": quotes left out, C escapes
// read, ASCII blanks outside quotes at either end dropped, and a ";" outside
// quotes ending it.
QString UnescapeValue(QStringView text)
{
    QString result;
    qsizetype kept = 0; // the result up to its last character that stays
    bool quoted = false;
    qsizetype i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
            kept = result.size();
            continue;
        }
        if (!quoted && c == QLatin1Char(';'))
            break;
        if (c == QLatin1Char('\\') && i + 1 < text.size()) {
            const QChar e = text[++i];
            if (e == QLatin1Char('x') || (e >= QLatin1Char('0') && e <= QLatin1Char('7'))) {
                const int base = e == QLatin1Char('x') ? 16 : 8;
                qsizetype at = e == QLatin1Char('x') ? i + 1 : i;
                int code = 0;
                for (; at < text.size() && code <= 0xFFF; ++at) {
                    const int d = HexDigit(text[at]);
                    if (d < 0 || d >= base)
                        break;
                    code = code * base + d;
                }
                result += QChar(char16_t(code));
                i = at - 1;
            } else {
                result += EscapedChar(e);
            }
            kept = result.size();
            continue;
        }
        result += c;
        if (quoted || !IsBlank(c))
            kept = result.size();
    }
    result.truncate(kept);
    if (result.startsWith(QStringLiteral("@@")))
        result.remove(0, 1);
    return result;
}

std::map<QString, QString> ParseStore(const QByteArray& bytes)
{
    std::map<QString, QString> values;
    QString group;
    const QString text = QString::fromUtf8(bytes);
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        line = TrimBlanks(line);
        if (line.isEmpty() || line.front() == QLatin1Char(';') || line.front() == QLatin1Char('#'))
            continue;
        if (line.front() == QLatin1Char('[')) {
            const QStringView name = line.mid(1, line.lastIndexOf(QLatin1Char(']')) - 1);
            group = name == QLatin1String("General")    ? QString()
                    : name == QLatin1String("%General") ? QStringLiteral("General")
                                                        : KeyToPath(UnescapeName(name));
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        const QString key = KeyToPath(UnescapeName(TrimBlanks(line.left(std::max<qsizetype>(eq, 0)))));
        if (eq > 0 && !key.isEmpty())
            values[JoinPath(group, key)] = UnescapeValue(line.mid(eq + 1));
    }
    return values;
}

QByteArray StoreText(const std::map<QString, QString>& values)
{
    // By section; the paths of one part go first, under "General".
    std::map<QString, QString> sections;
    for (const auto& [path, value] : values) {
        const qsizetype slash = path.indexOf(QLatin1Char('/'));
        sections[slash < 0 ? QString() : path.left(slash)] +=
            EscapeName(path.mid(slash + 1)) + QLatin1Char('=') + EscapeValue(value) + QLatin1Char('\n');
    }
    QString text;
    for (const auto& [section, lines] : sections) {
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        const QString name = section.isEmpty()                     ? QStringLiteral("General")
                             : section == QLatin1String("General") ? QStringLiteral("%General")
                                                                   : EscapeName(section);
        text += QLatin1Char('[') + name + QStringLiteral("]\n") + lines;
    }
    return text.toUtf8();
}

// The values of the store; false with the reason when it is there but cannot
// be read. A name that leads to no regular file is no store.
bool ReadStore(const QString& fileName, std::map<QString, QString>& values, QString& error)
{
    values.clear();
    const TFileKind kind = CheckFileToRead(fileName, MaxSettingsFileSize);
    if (kind == TFileKind::Missing || kind == TFileKind::NotRegular)
        return true;
    QByteArray bytes;
    if (!ReadWholeFile(fileName, bytes, error, MaxSettingsFileSize))
        return false;
    values = ParseStore(bytes);
    return true;
}

// The names of the values (or of the groups) right below `group`, sorted.
QStringList Children(const std::map<QString, QString>& values, const QString& group, bool groups)
{
    const QString prefix = group.isEmpty() ? QString() : group + QLatin1Char('/');
    QStringList result;
    for (auto it = values.lower_bound(prefix); it != values.end() && it->first.startsWith(prefix); ++it) {
        const QStringView rest = QStringView(it->first).mid(prefix.size());
        const qsizetype slash = rest.indexOf(QLatin1Char('/'));
        if (groups && slash > 0)
            result.append(rest.left(slash).toString());
        else if (!groups && slash < 0)
            result.append(rest.toString());
    }
    result.sort();
    result.removeDuplicates();
    return result;
}

} // namespace

QString RegistryFileName()
{
    if (!GRegistryFileName.isEmpty())
        return GRegistryFileName;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/DEZ Uder/registry.conf");
}

void SetRegistryFileName(const QString& fileName)
{
    GRegistryFileName = fileName;
}

QString RegistryReadSubject(const QString& fileName)
{
    return QStringLiteral("read ") + fileName;
}

TRegistryIniFile::TRegistryIniFile(const QString& key) : FKey(KeyToPath(key)), FFileName(RegistryFileName())
{
    // Taken before the read: a change made meanwhile makes the next one read again.
    const TFileStamp stamp = FileStampOf(FFileName);
    if (const auto shared = TIniReadShare::Find("registry", FFileName, stamp)) {
        FValues = *std::static_pointer_cast<const TValues>(shared);
        return;
    }
    QString error;
    if (!ReadStore(FFileName, FValues, error))
        ShowErrorOnce(RegistryReadSubject(FFileName), error);
    else if (TIniReadShare::Active())
        TIniReadShare::Keep("registry", FFileName, stamp, std::make_shared<TValues>(FValues));
}

TRegistryIniFile::~TRegistryIniFile()
{
    try {
        UpdateFile();
    } catch (const std::exception&) {
        // Saved silently: the caller who cares calls UpdateFile.
    }
}

QString TRegistryIniFile::GroupPath(const QString& section) const
{
    return JoinPath(FKey, KeyToPath(section));
}

QString TRegistryIniFile::ValuePath(const QString& section, const QString& key) const
{
    return JoinPath(GroupPath(section), key);
}

void TRegistryIniFile::Apply(TValues& values, const TChange& change)
{
    switch (change.Kind) {
    case TChange::Set:
        values[change.Path] = change.Value;
        break;
    case TChange::RemoveGroup: {
        const QString prefix = change.Path + QLatin1Char('/');
        auto it = values.lower_bound(prefix);
        while (it != values.end() && it->first.startsWith(prefix))
            it = values.erase(it);
        values.erase(change.Path);
        break;
    }
    case TChange::Remove:
        values.erase(change.Path);
        break;
    }
}

void TRegistryIniFile::Change(const TChange& change)
{
    Apply(FValues, change);
    FChanges.push_back(change);
}

QString TRegistryIniFile::ReadString(const QString& section, const QString& key, const QString& def) const
{
    const auto it = FValues.find(ValuePath(section, key));
    return it != FValues.end() ? it->second : def;
}

void TRegistryIniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    Change({TChange::Set, ValuePath(section, key), value});
}

QStringList TRegistryIniFile::ReadSections() const
{
    return Children(FValues, FKey, true);
}

QStringList TRegistryIniFile::ReadSection(const QString& section) const
{
    return Children(FValues, GroupPath(section), false);
}

QStringList TRegistryIniFile::ReadSectionValues(const QString& section) const
{
    QStringList result;
    for (const QString& key : ReadSection(section))
        result.append(key + QLatin1Char('=') + ReadString(section, key, QString()));
    return result;
}

bool TRegistryIniFile::SectionExists(const QString& section) const
{
    const QString prefix = GroupPath(section) + QLatin1Char('/');
    const auto it = FValues.lower_bound(prefix);
    return it != FValues.end() && it->first.startsWith(prefix);
}

bool TRegistryIniFile::ValueExists(const QString& section, const QString& key) const
{
    return FValues.count(ValuePath(section, key)) > 0;
}

void TRegistryIniFile::DeleteKey(const QString& section, const QString& key)
{
    if (ValueExists(section, key))
        Change({TChange::Remove, ValuePath(section, key), QString()});
}

void TRegistryIniFile::EraseSection(const QString& section)
{
    Change({TChange::RemoveGroup, GroupPath(section), QString()});
}

void TRegistryIniFile::UpdateFile()
{
    if (FChanges.empty())
        return;
    // Tried once: a failure is said to the caller, not again when the object goes.
    const auto done = qScopeGuard([this] { FChanges.clear(); });
    QString reason;
    const auto lock = LockSettingsFile(FFileName, reason);
    TValues values;
    if (!lock || !ReadStore(FFileName, values, reason))
        throw UnableToWrite(FFileName, reason);
    for (const TChange& change : FChanges)
        Apply(values, change);
    const QByteArray bytes = StoreText(values);
    CheckSettingsSize(FFileName, bytes);
    if (!SaveFileAtomically(FFileName, bytes, &reason))
        throw UnableToWrite(FFileName, reason);
    FValues = std::move(values);
}
