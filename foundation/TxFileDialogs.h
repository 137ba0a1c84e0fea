#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QWidget;

// The desktop's open and save dialogs behind a service, as the message boxes
// are: windows ask the current service (`FileDialogs()`), the program uses
// QFileDialog, tests install a recording one that answers for the user.

// What one dialog is shown with. `Filter` is written as window layouts give
// it: "Description|pattern|Description|pattern".
struct TFileDialogRequest {
    bool Save = false;
    QString Title;
    QString Filter;
    QString DefaultExt; // without the dot
    QString InitialDir;
    QString FileName; // the name proposed
};

class IFileDialogService {
public:
    virtual ~IFileDialogService();
    // Shows the dialog; true with `fileName` set when the user chose a file.
    virtual bool Execute(QWidget* parent, const TFileDialogRequest& request, QString& fileName) = 0;
};

// QFileDialog on the screen. A save dialog always asks before it replaces a
// file: a proposed name must never cost the user a file.
class TQtFileDialogService : public IFileDialogService {
public:
    bool Execute(QWidget* parent, const TFileDialogRequest& request, QString& fileName) override;
};

// Keeps every request and answers with the next of `Answers`: a file name,
// or the empty text for a cancelled dialog. With no answers left the dialog
// is cancelled.
class TRecordingFileDialogService : public IFileDialogService {
public:
    bool Execute(QWidget* parent, const TFileDialogRequest& request, QString& fileName) override;

    QList<TFileDialogRequest> Requests;
    QStringList Answers;
};

// The current service; before one is installed, QFileDialog.
IFileDialogService& FileDialogs();
// Installs `service` (not owned; nullptr goes back to QFileDialog).
void SetFileDialogService(IFileDialogService* service);

class TScopedFileDialogService {
public:
    explicit TScopedFileDialogService(IFileDialogService& service);
    ~TScopedFileDialogService();
    TScopedFileDialogService(const TScopedFileDialogService&) = delete;
    TScopedFileDialogService& operator=(const TScopedFileDialogService&) = delete;

private:
    IFileDialogService* FPrevious;
};

// "A (*.x)|*.x|All Files (*.*)|*.*" as QFileDialog reads it:
// "A (*.x);;All Files (*)". Patterns of one entry may be separated by ";";
// "*.*" means every file, with or without an extension.
QString QtFileDialogFilter(const QString& filter);
// `fileName` with "." + `defaultExt` added when its name has no extension.
QString WithDefaultExt(const QString& fileName, const QString& defaultExt);
