#pragma once

#include "TxErrors.h"
#include "TxFileRead.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

#include <sys/types.h>

// A settings file could not be saved ("Unable to write to <file>").
class EIniFileException : public Exception {
public:
    using Exception::Exception;
};

// "Unable to write to <file>: <reason>".
EIniFileException UnableToWrite(const QString& fileName, const QString& reason);

// How long a save waits for another copy of the program to finish its own.
inline constexpr int SettingsLockWaitMs = 1000;

// The lock of a settings file, held over one read-change-write of it so that
// two copies of the program never save over each other's changes: the
// system's advisory lock on "<file>.lock", which ends with the process that
// holds it, so one left by a copy that was killed stops nobody. Released, the
// lock file is removed. Where the file system has no locks, the object holds
// none (Held() is false): the save goes on, whole by its atomic replace.
class TSettingsLock {
public:
    TSettingsLock(int fd, QString lockFile, bool held = true) : FFd(fd), FLockFile(std::move(lockFile)), FHeld(held) {}
    ~TSettingsLock();
    TSettingsLock(const TSettingsLock&) = delete;
    TSettingsLock& operator=(const TSettingsLock&) = delete;
    bool Held() const { return FHeld; }

private:
    int FFd;
    QString FLockFile;
    bool FHeld;
};

// Takes the lock of `fileName` within `waitMs`, making the file's folder
// first when it is missing. The lock file is opened without following a link
// and without blocking (read-only when the user may not write it: a lock
// needs no more), must be a regular file and is never read, so nothing that
// stands in its place can stall or fool the save. Null, with `error` saying
// why, when the folder cannot be made, another program keeps the lock for
// longer, or "<file>.lock" is something else than a regular file or cannot
// be opened: the save must not go on.
std::unique_ptr<TSettingsLock> LockSettingsFile(const QString& fileName, QString& error,
                                                int waitMs = SettingsLockWaitMs);

// The system calls the lock is taken with; tests put in their own to play a
// user who may not write the lock file, or a file system without locks.
struct TLockCalls {
    int (*Open)(const char* name, int flags, mode_t mode);
    int (*Flock)(int fd, int operation);
};
// Takes the lock with `calls` from now on; returns the calls used before.
TLockCalls SetLockCalls(const TLockCalls& calls);
// The system's own calls, those used unless a test put in others.
TLockCalls SystemLockCalls();

// Why a settings file would not be read, found without reading it: "Cannot
// open file "<name>". It is not a regular file." and the like; empty for a
// file that can be read or is not there at all.
QString SettingsFileRefusal(const QString& fileName);

// The bytes a settings store would hold, refused with EIniFileException
// ("Unable to write to <file>: ...") when they exceed what the store's reader
// reads: nothing is written that would read back as no settings at all.
void CheckSettingsSize(const QString& fileName, const QByteArray& bytes);

// Named values grouped in sections, with the typed reads and writes every
// settings store of the program shares. Every read takes a default and never
// fails: a missing value or text that does not convert gives the default.
// Integers are decimal text ("0x" hexadecimal accepted on reading), doubles
// the shortest text with "." that reads back exactly, Booleans "1" or "0"
// (any non-zero integer reads true).
class TCustomIniFile {
public:
    TCustomIniFile() = default;
    TCustomIniFile(const TCustomIniFile&) = delete;
    TCustomIniFile& operator=(const TCustomIniFile&) = delete;
    virtual ~TCustomIniFile();

    virtual QString ReadString(const QString& section, const QString& key, const QString& def) const = 0;
    virtual void WriteString(const QString& section, const QString& key, const QString& value) = 0;
    virtual QStringList ReadSections() const = 0;
    // Key names of a section.
    virtual QStringList ReadSection(const QString& section) const = 0;
    // "key=value" for every value of a section.
    virtual QStringList ReadSectionValues(const QString& section) const = 0;
    virtual bool SectionExists(const QString& section) const = 0;
    virtual bool ValueExists(const QString& section, const QString& key) const = 0;
    virtual void DeleteKey(const QString& section, const QString& key) = 0;
    virtual void EraseSection(const QString& section) = 0;

    int ReadInteger(const QString& section, const QString& key, int def) const;
    void WriteInteger(const QString& section, const QString& key, int value);
    double ReadFloat(const QString& section, const QString& key, double def) const;
    void WriteFloat(const QString& section, const QString& key, double value);
    bool ReadBool(const QString& section, const QString& key, bool def) const;
    void WriteBool(const QString& section, const QString& key, bool value);
};

// Integer text of a settings value: decimal, or hexadecimal after "0x".
bool TryIniTextToInt(const QString& text, int& value);
// The value of a hexadecimal digit, -1 for any other character.
int HexDigit(QChar c);

// The text of an INI file as lines, with the lookups and edits of the Windows
// profile functions: section and key names are compared without ASCII case,
// the first match wins, values are trimmed and lose one pair of enclosing
// quotes, and an edit touches only the lines it must. Lines are "[section]",
// "key=value", comments (";" or "#"), blank lines, and anything else, which
// is kept as it stands. Sections of the same name act as one.
class TIniDocument {
public:
    // Reads UTF-8 text; a line that is not valid UTF-8 is read as Windows-1252.
    void Parse(const QByteArray& bytes);
    // UTF-8 text with the line ends the file had (LF for a new one).
    QByteArray ToBytes() const;
    bool IsEmpty() const { return FLines.empty(); }

    std::optional<QString> Value(const QString& section, const QString& key) const;
    QStringList Sections() const;
    QStringList Keys(const QString& section) const;
    QStringList KeyValues(const QString& section) const;
    bool HasSection(const QString& section) const;

    // Each returns whether the text changed.
    bool SetValue(const QString& section, const QString& key, const QString& value);
    bool DeleteKey(const QString& section, const QString& key);
    bool EraseSection(const QString& section);

private:
    enum class TLineKind { Other, Section, Key };
    struct TLine {
        QString Text;
        TLineKind Kind = TLineKind::Other;
        QString Name; // section or key name, trimmed
    };

    static TLine ParseLine(const QString& text);
    // Calls f(index) for every key line of the sections named `section`.
    template <class F>
    void ForEachKeyLine(const QString& section, F f) const;
    std::optional<size_t> FindKeyLine(const QString& section, const QString& key) const;

    std::vector<TLine> FLines;
    bool FCrLf = false;
};

// An INI file on disk. An object reads the file once, at its first read,
// and again only when the file has changed since (another object or program
// saved it). Each write that changes it reads, changes and saves it at once,
// holding the file's lock throughout, and saves through a temporary file, so
// a failed save leaves the old file whole and raises EIniFileException.
// Between BeginUpdate and EndUpdate the file is read once, written once, at
// EndUpdate, and locked from the first write on. Where the file system has
// no locks, a save that would replace what another program saved since the
// read raises instead. A missing file, or a name that leads to anything but
// a regular file, reads as empty; no save is larger than the reader reads.
class TIniFile : public TCustomIniFile {
public:
    explicit TIniFile(QString fileName);
    ~TIniFile() override;

    const QString& FileName() const { return FFileName; }

    QString ReadString(const QString& section, const QString& key, const QString& def) const override;
    void WriteString(const QString& section, const QString& key, const QString& value) override;
    QStringList ReadSections() const override;
    QStringList ReadSection(const QString& section) const override;
    QStringList ReadSectionValues(const QString& section) const override;
    bool SectionExists(const QString& section) const override;
    bool ValueExists(const QString& section, const QString& key) const override;
    void DeleteKey(const QString& section, const QString& key) override;
    void EraseSection(const QString& section) override;

    // Batches writes; nested calls count. The outermost EndUpdate saves what
    // changed (raising EIniFileException when it cannot). Destroying the
    // object inside a batch drops its unsaved changes.
    void BeginUpdate();
    void EndUpdate();

private:
    const TIniDocument& Document() const;
    template <class F>
    void Modify(F edit);
    void Save();
    void Unlock();

    QString FFileName;
    // What was read, shared with other objects while a TIniReadShare lasts;
    // a write makes a document of its own.
    mutable std::shared_ptr<TIniDocument> FDocument;
    // The file the document was read from, or saved to.
    mutable TFileStamp FStamp;
    // Why the file, which is there, could not be read: saving would lose its
    // contents.
    mutable QString FReadError;
    // The lock of one write or batch, once tried.
    bool FLockTried = false;
    std::unique_ptr<TSettingsLock> FLock;
    QString FLockError;
    int FUpdateCount = 0;
    mutable bool FLoaded = false;
    bool FDirty = false;
};

// While an object of this class lives, settings files that have not changed
// are read once: every TIniFile (and registry store) that reads one shares
// what the first made of it. The start-up holds one, so that its many readers
// of the program's INI file and of the registry read each once.
class TIniReadShare {
public:
    TIniReadShare();
    ~TIniReadShare();
    TIniReadShare(const TIniReadShare&) = delete;
    TIniReadShare& operator=(const TIniReadShare&) = delete;

    static bool Active();
    // What `reader` made of `fileName` as it was at `stamp`, kept during the
    // share; null when nothing was. What is kept is never changed.
    static std::shared_ptr<void> Find(const char* reader, const QString& fileName, const TFileStamp& stamp);
    static void Keep(const char* reader, const QString& fileName, const TFileStamp& stamp, std::shared_ptr<void> made);
};
