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

// The text of a PDF file as pdftotext gives it with its layout kept (pages
// separated by form feeds); empty when it cannot be read.
QString PdfToText(const QString& pdf);
// A value of pdfinfo for a PDF file ("Pages", "Page size", "Title", ...).
QString PdfInfo(const QString& pdf, const QString& key);
