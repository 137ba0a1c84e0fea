#include "TxIniFile.h"

#include "TxFileRead.h"

#include "TxFormat.h"
#include "TxSaveFile.h"
#include "TxString.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsQuote(QChar c)
{
    return c == QLatin1Char('"') || c == QLatin1Char('\'');
}

// A line break inside a name or value would split the line and turn the rest
// into a key or section of its own.
QString OneLine(const QString& text)
{
    QString result = text;
    for (QChar& c : result)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            c = QLatin1Char(' ');
    return result;
}

// A section or key name as it is stored and looked up.
QString CleanName(const QString& name)
{
    return OneLine(Trim(name));
}

QString DecodeValue(const QString& raw)
{
    const QString value = Trim(raw);
    if (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

// Values that reading would change (blanks at either end, enclosing quotes)
// are written inside one more pair of double quotes so they read back as
// written.
QString EncodeValue(const QString& value)
{
    if (value.isEmpty())
        return value;
    const bool needsQuotes = IsBlank(value.front()) || IsBlank(value.back()) ||
                             (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front());
    return needsQuotes ? QLatin1Char('"') + value + QLatin1Char('"') : value;
}

// The text after the "=" of a key line.
QString RawValue(const QString& line)
{
    return line.mid(line.indexOf(QLatin1Char('=')) + 1);
}

} // namespace

int HexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// ---------------------------------------------------------------------------
// Saving

EIniFileException UnableToWrite(const QString& fileName, const QString& reason)
{
    return EIniFileException(Format("Unable to write to %s: %s", fileName, reason));
}

TSettingsLock::~TSettingsLock()
{
    // Removed while still held, and only while it is still this file: a copy
    // that waits on it finds it gone and makes a new one.
    struct stat held {};
    struct stat now {};
    const QByteArray name = QFile::encodeName(FLockFile);
    if (::fstat(FFd, &held) == 0 && ::lstat(name.constData(), &now) == 0 && held.st_dev == now.st_dev &&
        held.st_ino == now.st_ino)
        ::unlink(name.constData());
    ::close(FFd);
}

namespace {

int OpenFile(const char* name, int flags, mode_t mode)
{
    return ::open(name, flags, mode);
}

TLockCalls GLockCalls = SystemLockCalls();

} // namespace

TLockCalls SystemLockCalls()
{
    return {OpenFile, ::flock};
}

TLockCalls SetLockCalls(const TLockCalls& calls)
{
    return std::exchange(GLockCalls, calls);
}

std::unique_ptr<TSettingsLock> LockSettingsFile(const QString& fileName, QString& error, int waitMs)
{
    error.clear();
    if (fileName.isEmpty()) {
        error = QStringLiteral("No file name");
        return nullptr;
    }
    if (!MakeFolderPath(QFileInfo(fileName).absolutePath(), &error))
        return nullptr;
    const QString lockFile = fileName + QStringLiteral(".lock");
    const QByteArray name = QFile::encodeName(lockFile);
    const QString notRegular = Format("Its lock file %s is not a regular file", lockFile);
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        const int how = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
        int fd = GLockCalls.Open(name.constData(), O_RDWR | O_CREAT | how, 0666);
        const int code = errno;
        if (fd < 0 && (code == EACCES || code == EPERM))
            fd = GLockCalls.Open(name.constData(), O_RDONLY | how, 0);
        if (fd < 0) {
            struct stat st {};
            error = ::lstat(name.constData(), &st) == 0 && !S_ISREG(st.st_mode)
                        ? notRegular
                        : Format("Cannot create its lock file %s: %s", lockFile,
                                 QString::fromLocal8Bit(std::strerror(code)));
            return nullptr;
        }
        struct stat opened {};
        if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
            ::close(fd);
            error = notRegular;
            return nullptr;
        }
        if (GLockCalls.Flock(fd, LOCK_EX | LOCK_NB) == 0) {
            // The holder before may have removed the file as it let go.
            struct stat now {};
            if (::lstat(name.constData(), &now) == 0 && now.st_dev == opened.st_dev && now.st_ino == opened.st_ino)
                return std::make_unique<TSettingsLock>(fd, lockFile);
        } else if (errno == ENOLCK || errno == EOPNOTSUPP) {
            // A file system without locks: saving unlocked beats never saving.
            return std::make_unique<TSettingsLock>(fd, lockFile, false);
        } else if (errno != EWOULDBLOCK && errno != EINTR) {
            const int lockCode = errno;
            ::close(fd);
            error = Format("Cannot lock %s: %s", lockFile, QString::fromLocal8Bit(std::strerror(lockCode)));
            return nullptr;
        }
        ::close(fd);
        if (waited.elapsed() >= waitMs) {
            error = QStringLiteral("Another program keeps it locked");
            return nullptr;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

QString SettingsFileRefusal(const QString& fileName)
{
    QFile file;
    QString error;
    if (CheckFileToRead(fileName) == TFileKind::Missing || OpenFileToRead(file, fileName, error, MaxSettingsFileSize))
        return QString();
    return error;
}

void CheckSettingsSize(const QString& fileName, const QByteArray& bytes)
{
    if (bytes.size() > MaxSettingsFileSize)
        throw UnableToWrite(fileName, Format("it would be larger than %d MB, more than can be read",
                                             int(MaxSettingsFileSize / (1024 * 1024))));
}

// ---------------------------------------------------------------------------
// TCustomIniFile

TCustomIniFile::~TCustomIniFile() = default;

bool TryIniTextToInt(const QString& text, int& value)
{
    const QString t = Trim(text);
    if (t.size() > 2 && t[0] == QLatin1Char('0') && (t[1] == QLatin1Char('x') || t[1] == QLatin1Char('X'))) {
        const QString digits = t.mid(2);
        if (digits.size() > 8)
            return false;
        uint32_t v = 0;
        for (QChar c : digits) {
            const int d = HexDigit(c);
            if (d < 0)
                return false;
            v = v * 16 + static_cast<uint32_t>(d);
        }
        value = static_cast<int32_t>(v);
        return true;
    }
    return TryStrToInt(t, value);
}

int TCustomIniFile::ReadInteger(const QString& section, const QString& key, int def) const
{
    int value = 0;
    return TryIniTextToInt(ReadString(section, key, QString()), value) ? value : def;
}

void TCustomIniFile::WriteInteger(const QString& section, const QString& key, int value)
{
    WriteString(section, key, IntToStr(value));
}

double TCustomIniFile::ReadFloat(const QString& section, const QString& key, double def) const
{
    return StrToFloatDef(Trim(ReadString(section, key, QString())), def);
}

void TCustomIniFile::WriteFloat(const QString& section, const QString& key, double value)
{
    WriteString(section, key, FormatFixedExact(value, 0));
}

bool TCustomIniFile::ReadBool(const QString& section, const QString& key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const QString& section, const QString& key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

// ---------------------------------------------------------------------------
// TIniDocument

TIniDocument::TLine TIniDocument::ParseLine(const QString& text)
{
    TLine line;
    line.Text = text;
    const QString t = Trim(text);
    if (t.isEmpty() || t[0] == QLatin1Char(';') || t[0] == QLatin1Char('#'))
        return line;
    if (t[0] == QLatin1Char('[')) {
        const qsizetype close = t.lastIndexOf(QLatin1Char(']'));
        if (close > 0) {
            line.Kind = TLineKind::Section;
            line.Name = CleanName(t.mid(1, close - 1));
        }
        return line;
    }
    const qsizetype eq = t.indexOf(QLatin1Char('='));
    if (eq > 0) {
        line.Name = CleanName(t.left(eq));
        if (!line.Name.isEmpty())
            line.Kind = TLineKind::Key;
    }
    return line;
}

void TIniDocument::Parse(const QByteArray& bytes)
{
    FLines.clear();
    FCrLf = false;
    QString text = DecodeText(bytes);
    // A byte-order mark written twice would come back as text in the first line.
    while (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    if (text.isEmpty())
        return;
    const qsizetype firstBreak = text.indexOf(QLatin1Char('\n'));
    FCrLf = firstBreak > 0 && text[firstBreak - 1] == QLatin1Char('\r');
    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.last().isEmpty())
        lines.removeLast();
    FLines.reserve(static_cast<size_t>(lines.size()));
    for (QString& line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        FLines.push_back(ParseLine(line));
    }
}

QByteArray TIniDocument::ToBytes() const
{
    const QString eol = FCrLf ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QString text;
    for (const TLine& line : FLines) {
        text += line.Text;
        text += eol;
    }
    return text.toUtf8();
}

template <class F>
void TIniDocument::ForEachKeyLine(const QString& section, F f) const
{
    const QString name = CleanName(section);
    bool inSection = false;
    for (size_t i = 0; i < FLines.size(); ++i) {
        const TLine& line = FLines[i];
        if (line.Kind == TLineKind::Section)
            inSection = SameText(line.Name, name);
        else if (inSection && line.Kind == TLineKind::Key && f(i))
            return;
    }
}

std::optional<size_t> TIniDocument::FindKeyLine(const QString& section, const QString& key) const
{
    const QString name = CleanName(key);
    std::optional<size_t> found;
    ForEachKeyLine(section, [&](size_t i) {
        if (!SameText(FLines[i].Name, name))
            return false;
        found = i;
        return true;
    });
    return found;
}

std::optional<QString> TIniDocument::Value(const QString& section, const QString& key) const
{
    const auto i = FindKeyLine(section, key);
    if (!i)
        return std::nullopt;
    return DecodeValue(RawValue(FLines[*i].Text));
}

QStringList TIniDocument::Sections() const
{
    QStringList result;
    for (const TLine& line : FLines)
        if (line.Kind == TLineKind::Section && IndexOfText(line.Name, result) < 0)
            result.append(line.Name);
    return result;
}

QStringList TIniDocument::Keys(const QString& section) const
{
    QStringList result;
    ForEachKeyLine(section, [&](size_t i) {
        result.append(FLines[i].Name);
        return false;
    });
    return result;
}

QStringList TIniDocument::KeyValues(const QString& section) const
{
    QStringList result;
    ForEachKeyLine(section, [&](size_t i) {
        result.append(FLines[i].Name + QLatin1Char('=') + DecodeValue(RawValue(FLines[i].Text)));
        return false;
    });
    return result;
}

bool TIniDocument::HasSection(const QString& section) const
{
    const QString name = CleanName(section);
    for (const TLine& line : FLines)
        if (line.Kind == TLineKind::Section && SameText(line.Name, name))
            return true;
    return false;
}

bool TIniDocument::SetValue(const QString& section, const QString& key, const QString& value)
{
    const QString sectionName = CleanName(section);
    const QString keyName = CleanName(key);
    const QString text = OneLine(value);

    if (const auto i = FindKeyLine(sectionName, keyName)) {
        TLine& line = FLines[*i];
        if (DecodeValue(RawValue(line.Text)) == text)
            return false;
        // Keep the key's spelling and the spacing around "=".
        qsizetype start = line.Text.indexOf(QLatin1Char('=')) + 1;
        while (start < line.Text.size() && IsBlank(line.Text[start]))
            ++start;
        line.Text = line.Text.left(start) + EncodeValue(text);
        return true;
    }

    TLine newLine{keyName + QLatin1Char('=') + EncodeValue(text), TLineKind::Key, keyName};
    // A new key goes after the last key of the first section of that name.
    std::optional<size_t> after;
    for (size_t i = 0; i < FLines.size(); ++i) {
        const TLine& line = FLines[i];
        if (line.Kind == TLineKind::Section) {
            if (after)
                break;
            if (SameText(line.Name, sectionName))
                after = i;
        } else if (after && line.Kind == TLineKind::Key) {
            after = i;
        }
    }
    if (after) {
        FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(*after + 1), std::move(newLine));
        return true;
    }
    if (!FLines.empty() && !Trim(FLines.back().Text).isEmpty())
        FLines.push_back(TLine{});
    FLines.push_back(TLine{QLatin1Char('[') + sectionName + QLatin1Char(']'), TLineKind::Section, sectionName});
    FLines.push_back(std::move(newLine));
    return true;
}

bool TIniDocument::DeleteKey(const QString& section, const QString& key)
{
    const QString name = CleanName(key);
    std::vector<size_t> doomed;
    ForEachKeyLine(section, [&](size_t i) {
        if (SameText(FLines[i].Name, name))
            doomed.push_back(i);
        return false;
    });
    for (auto it = doomed.rbegin(); it != doomed.rend(); ++it)
        FLines.erase(FLines.begin() + static_cast<std::ptrdiff_t>(*it));
    return !doomed.empty();
}

bool TIniDocument::EraseSection(const QString& section)
{
    const QString name = CleanName(section);
    const size_t before = FLines.size();
    std::vector<TLine> kept;
    kept.reserve(before);
    bool erasing = false;
    for (TLine& line : FLines) {
        if (line.Kind == TLineKind::Section)
            erasing = SameText(line.Name, name);
        if (!erasing)
            kept.push_back(std::move(line));
    }
    FLines = std::move(kept);
    return FLines.size() != before;
}

// ---------------------------------------------------------------------------
// TIniFile

namespace {

// What the readers made of the files they read while a TIniReadShare lasts,
// by reader and file name.
struct TSharedRead {
    TFileStamp Stamp;
    std::shared_ptr<void> Made;
};
int GShareCount = 0;
std::map<std::pair<QString, QString>, TSharedRead> GSharedReads;

} // namespace

TIniReadShare::TIniReadShare()
{
    ++GShareCount;
}

TIniReadShare::~TIniReadShare()
{
    if (--GShareCount == 0)
        GSharedReads.clear();
}

bool TIniReadShare::Active()
{
    return GShareCount > 0;
}

std::shared_ptr<void> TIniReadShare::Find(const char* reader, const QString& fileName, const TFileStamp& stamp)
{
    const auto it = GSharedReads.find({QLatin1String(reader), fileName});
    return it != GSharedReads.end() && it->second.Stamp == stamp ? it->second.Made : nullptr;
}

void TIniReadShare::Keep(const char* reader, const QString& fileName, const TFileStamp& stamp,
                         std::shared_ptr<void> made)
{
    if (Active())
        GSharedReads[{QLatin1String(reader), fileName}] = TSharedRead{stamp, std::move(made)};
}

TIniFile::TIniFile(QString fileName) : FFileName(std::move(fileName)), FDocument(std::make_shared<TIniDocument>()) {}

TIniFile::~TIniFile() = default;

const TIniDocument& TIniFile::Document() const
{
    if (FLoaded && (FUpdateCount > 0 || FileStampOf(FFileName) == FStamp))
        return *FDocument;
    FLoaded = true;
    FReadError.clear();
    // Taken before the read: a change made meanwhile makes the next read read again.
    FStamp = FileStampOf(FFileName);
    // A write reads what is there under the lock, and changes a document of its own.
    const bool shared = TIniReadShare::Active() && !FLockTried;
    if (shared) {
        if (auto made = TIniReadShare::Find("ini", FFileName, FStamp)) {
            FDocument = std::static_pointer_cast<TIniDocument>(made);
            return *FDocument;
        }
    }
    FDocument = std::make_shared<TIniDocument>();
    const TFileKind kind = CheckFileToRead(FFileName, MaxSettingsFileSize);
    if (kind == TFileKind::Missing || kind == TFileKind::NotRegular)
        return *FDocument;
    QByteArray bytes;
    if (!ReadWholeFile(FFileName, bytes, FReadError, MaxSettingsFileSize))
        return *FDocument;
    FDocument->Parse(bytes);
    if (shared)
        TIniReadShare::Keep("ini", FFileName, FStamp, FDocument);
    return *FDocument;
}

template <class F>
void TIniFile::Modify(F edit)
{
    // The first change of a write or batch locks the file, and reads anew
    // what another copy of the program saved meanwhile.
    if (!FLockTried) {
        FLockTried = true;
        FLock = LockSettingsFile(FFileName, FLockError);
        FLoaded = false;
    }
    Document();
    const bool changed = edit(*FDocument);
    if (FUpdateCount > 0) {
        FDirty = FDirty || changed;
        return;
    }
    const auto unlock = qScopeGuard([this] { Unlock(); });
    if (changed)
        Save();
}

void TIniFile::Unlock()
{
    FLock.reset();
    FLockTried = false;
    FLockError.clear();
}

void TIniFile::Save()
{
    // What is not saved is not kept: the next read reads the file.
    FLoaded = false;
    if (!FLockError.isEmpty())
        throw UnableToWrite(FFileName, FLockError);
    // Saving over a file that could not be read would throw its contents away.
    if (!FReadError.isEmpty())
        throw UnableToWrite(FFileName, FReadError);
    // Unlocked, what another program saved since the read would be lost.
    if (FLock && !FLock->Held() && FileStampOf(FFileName) != FStamp)
        throw UnableToWrite(FFileName, QStringLiteral("Another program changed it meanwhile, and it cannot be locked"));
    const QByteArray bytes = FDocument->ToBytes();
    CheckSettingsSize(FFileName, bytes);
    QString reason;
    if (!SaveFileAtomically(FFileName, bytes, &reason))
        throw UnableToWrite(FFileName, reason);
    // Still locked: no other copy has saved since.
    FStamp = FileStampOf(FFileName);
    FLoaded = true;
}

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& def) const
{
    const auto value = Document().Value(section, key);
    return value ? *value : def;
}

void TIniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    Modify([&](TIniDocument& d) { return d.SetValue(section, key, value); });
}

QStringList TIniFile::ReadSections() const
{
    return Document().Sections();
}

QStringList TIniFile::ReadSection(const QString& section) const
{
    return Document().Keys(section);
}

QStringList TIniFile::ReadSectionValues(const QString& section) const
{
    return Document().KeyValues(section);
}

bool TIniFile::SectionExists(const QString& section) const
{
    return Document().HasSection(section);
}

bool TIniFile::ValueExists(const QString& section, const QString& key) const
{
    return Document().Value(section, key).has_value();
}

void TIniFile::DeleteKey(const QString& section, const QString& key)
{
    Modify([&](TIniDocument& d) { return d.DeleteKey(section, key); });
}

void TIniFile::EraseSection(const QString& section)
{
    Modify([&](TIniDocument& d) { return d.EraseSection(section); });
}

void TIniFile::BeginUpdate()
{
    if (FUpdateCount++ == 0) {
        FLoaded = false;
        FDirty = false;
    }
}

void TIniFile::EndUpdate()
{
    if (FUpdateCount == 0 || --FUpdateCount > 0)
        return;
    const bool dirty = FDirty;
    FDirty = false;
    const auto unlock = qScopeGuard([this] { Unlock(); });
    if (dirty)
        Save();
}
