#pragma once

#include "TxIniFile.h"

#include <QString>

#include <map>
#include <vector>

// The current user's registry: one store per user, shared by the maker's
// programs. A registry key such as "Software\DEZ Uder\Vozudarizazi" is a
// group path, "\" taken as "/". The store is a text file laid out as Qt's INI
// settings files are, the layout earlier versions of the program wrote it in.
// Machine-wide keys have no store here; code that read them uses its
// defaults.

// The file that holds the store: $XDG_CONFIG_HOME/DEZ Uder/registry.conf
// unless SetRegistryFileName chose another.
QString RegistryFileName();
// Points the store at another file; the empty text goes back to the default.
void SetRegistryFileName(const QString& fileName);
// What ShowErrorOnce keeps a store that cannot be read under: apart from the
// file's name, under which its failed saves are said, so that neither keeps
// the other from being said.
QString RegistryReadSubject(const QString& fileName);

// A registry key seen as an INI file: its sub-keys are the sections, their
// values the keys. Values are kept as text in the encodings of
// TCustomIniFile, so typed reads accept what typed writes produce.
// The store is read once, when the object is made, by the bounded reader: a
// name that leads to anything but a regular file reads as an empty store, and
// so does a store too large or otherwise unreadable, which is reported once a
// run. Writes are saved by UpdateFile, or silently when the object goes.
// Values are kept exactly: blanks at either end, other than ASCII ones, need
// no quotes, as the layout trims none of them.
class TRegistryIniFile : public TCustomIniFile {
public:
    explicit TRegistryIniFile(const QString& key);
    ~TRegistryIniFile() override;

    QString ReadString(const QString& section, const QString& key, const QString& def) const override;
    void WriteString(const QString& section, const QString& key, const QString& value) override;
    QStringList ReadSections() const override;
    QStringList ReadSection(const QString& section) const override;
    QStringList ReadSectionValues(const QString& section) const override;
    bool SectionExists(const QString& section) const override;
    bool ValueExists(const QString& section, const QString& key) const override;
    void DeleteKey(const QString& section, const QString& key) override;
    void EraseSection(const QString& section) override;
    // Saves the writes now, made under the store's lock to the store as it is
    // then, so that what another copy of the program saved meanwhile stays.
    // When the store cannot be locked (a file system without locks saves
    // unlocked), read or written whole, or would grow larger than it can be
    // read, it keeps what it held, the writes are dropped and
    // EIniFileException says "Unable to write to <file>: <reason>".
    void UpdateFile();

private:
    // Every value of the store by its full path.
    using TValues = std::map<QString, QString>;
    // One write, kept to be made again to the store as UpdateFile finds it.
    struct TChange {
        enum TKind { Set, Remove, RemoveGroup } Kind;
        QString Path;
        QString Value;
    };
    static void Apply(TValues& values, const TChange& change);

    QString GroupPath(const QString& section) const;
    QString ValuePath(const QString& section, const QString& key) const;
    void Change(const TChange& change);

    QString FKey;
    QString FFileName;
    TValues FValues;
    std::vector<TChange> FChanges;
};
