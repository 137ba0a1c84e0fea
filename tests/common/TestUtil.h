#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <ostream>

// Readable failure output for Qt texts.
void PrintTo(const QString& text, std::ostream* os);
void PrintTo(const QStringList& list, std::ostream* os);

// A fresh folder for one test, removed afterwards.
class TTempFolder {
public:
    TTempFolder();
    QString Path() const { return FDir.path(); }
    // Full path of `name` inside the folder.
    QString File(const QString& name) const;
    // Writes `contents` to `name` (folders created) and returns its full path.
    QString Write(const QString& name, const QByteArray& contents) const;
    QString Write(const QString& name, const QString& contents) const { return Write(name, contents.toUtf8()); }

private:
    QTemporaryDir FDir;
};

QByteArray ReadFileBytes(const QString& path);
QString TestDataDir();
