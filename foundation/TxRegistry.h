#pragma once

#include "TxIniFile.h"

#include <QString>

#include <memory>

class QSettings;

// The current user's registry: one store per user, shared by the maker's
// programs, in QSettings' native format. A registry key such as
// "Software\DEZ Uder\Vozudarizazi" is a group path, "\" taken as "/".
// Machine-wide keys have no store here; code that read them uses its
// defaults.

// The file that holds the store: $XDG_CONFIG_HOME/DEZ Uder/registry.conf
// unless SetRegistryFileName chose another.
QString RegistryFileName();
// Points the store at another file; the empty text goes back to the default.
void SetRegistryFileName(const QString& fileName);

// A registry key seen as an INI file: its sub-keys are the sections, their
// values the keys. Values are kept as text in the encodings of
// TCustomIniFile, so typed reads accept what typed writes produce. Writes are
// saved by UpdateFile, or silently when the object goes.
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
    // Saves the writes now. When the store cannot be written whole it keeps
    // what it held before and EIniFileException says "Unable to write to
    // <file>".
    void UpdateFile();

private:
    QString GroupPath(const QString& section) const;
    QString ValuePath(const QString& section, const QString& key) const;

    QString FKey;
    std::unique_ptr<QSettings> FSettings;
    bool FChanged = false;
};
