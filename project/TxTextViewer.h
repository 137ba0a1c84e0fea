#pragma once

#include <QDialog>
#include <QString>

class QPlainTextEdit;

// A read-only window on a text file, the program's own in place of the
// desktop's plain text editor. It closes itself and frees itself.
class TTextViewer : public QDialog {
    Q_OBJECT
public:
    TTextViewer(const QString& fileName, const QString& text, QWidget* parent = nullptr);

    // Shows the file's text (UTF-8, else Windows-1252) beside `parent`
    // without blocking it. A file that cannot be read is reported and gives
    // nullptr.
    static TTextViewer* OpenFile(const QString& fileName, QWidget* parent = nullptr);

    const QString& FileName() const { return FFileName; }
    QPlainTextEdit* Text() const { return FText; }

private:
    QString FFileName;
    QPlainTextEdit* FText;
};
