#include "TxRegistry.h"

#include "TxFormat.h"
#include "TxSaveFile.h"

#include <QFile>
#include <QSettings>
#include <QStandardPaths>

namespace {

QString GRegistryFileName;

// "Software\DEZ Uder\" → "Software/DEZ Uder", the path QSettings groups use.
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

// Qt's writer commits a file cut short when the disk fills part-way, and
// reports success. Whole, its text ends a line and holds a "key=value" line
// for every key.
bool WrittenWhole(const QByteArray& text, qsizetype keys)
{
    if (text.isEmpty())
        return keys == 0;
    if (!text.endsWith('\n'))
        return false;
    qsizetype lines = 0;
    for (const QByteArray& line : text.split('\n'))
        if (!line.startsWith('[') && line.contains('='))
            ++lines;
    return lines == keys;
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

TRegistryIniFile::TRegistryIniFile(const QString& key)
    : FKey(KeyToPath(key)), FSettings(std::make_unique<QSettings>(RegistryFileName(), QSettings::NativeFormat))
{
}

TRegistryIniFile::~TRegistryIniFile() = default;

QString TRegistryIniFile::GroupPath(const QString& section) const
{
    return JoinPath(FKey, KeyToPath(section));
}

QString TRegistryIniFile::ValuePath(const QString& section, const QString& key) const
{
    return JoinPath(GroupPath(section), key);
}

QString TRegistryIniFile::ReadString(const QString& section, const QString& key, const QString& def) const
{
    const QVariant value = FSettings->value(ValuePath(section, key));
    return value.isValid() ? value.toString() : def;
}

void TRegistryIniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    FSettings->setValue(ValuePath(section, key), value);
    FChanged = true;
}

QStringList TRegistryIniFile::ReadSections() const
{
    FSettings->beginGroup(FKey);
    const QStringList result = FSettings->childGroups();
    FSettings->endGroup();
    return result;
}

QStringList TRegistryIniFile::ReadSection(const QString& section) const
{
    FSettings->beginGroup(GroupPath(section));
    const QStringList result = FSettings->childKeys();
    FSettings->endGroup();
    return result;
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
    FSettings->beginGroup(GroupPath(section));
    const bool exists = !FSettings->childKeys().isEmpty() || !FSettings->childGroups().isEmpty();
    FSettings->endGroup();
    return exists;
}

bool TRegistryIniFile::ValueExists(const QString& section, const QString& key) const
{
    return FSettings->contains(ValuePath(section, key));
}

void TRegistryIniFile::DeleteKey(const QString& section, const QString& key)
{
    // QSettings also drops a sub-key of the same name; the program never
    // gives a value and a sub-key one name.
    if (FSettings->contains(ValuePath(section, key))) {
        FSettings->remove(ValuePath(section, key));
        FChanged = true;
    }
}

void TRegistryIniFile::EraseSection(const QString& section)
{
    FSettings->remove(GroupPath(section));
    FChanged = true;
}

void TRegistryIniFile::UpdateFile()
{
    if (!FChanged)
        return;
    const QString fileName = FSettings->fileName();
    QFile file(fileName);
    const bool existed = file.open(QIODevice::ReadOnly);
    const QByteArray before = existed ? file.readAll() : QByteArray();
    file.close();
    FSettings->sync();
    if (FSettings->status() == QSettings::NoError) {
        FChanged = false;
        if (file.open(QIODevice::ReadOnly) && WrittenWhole(file.readAll(), FSettings->allKeys().size()))
            return;
        file.close();
        if (existed)
            SaveFileAtomically(fileName, before);
        else
            QFile::remove(fileName);
    }
    throw EIniFileException(Format("Unable to write to %s", fileName));
}
