#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The answer to a confirmation box.
enum class TMsgAnswer { Yes, No, Cancel };

// Services the desktop gives a program: message boxes and the beep. Code asks
// the current service (`Messages()`); the program installs the real one at
// start-up, tests install a recording one.
class IMessageService {
public:
    virtual ~IMessageService();
    // A plain box: the application title as caption, no icon, one OK button.
    virtual void ShowMessage(const QString& text) = 0;
    // An error box: the application title, a stop icon, one OK button.
    virtual void ShowError(const QString& text) = 0;
    virtual void Beep() = 0;
    // A confirmation box with the buttons Yes and No, or Yes, No and Cancel.
    // A service that cannot ask answers Cancel, or No without Cancel: the
    // answer that changes nothing.
    virtual TMsgAnswer Confirm(const QString& text, bool withCancel);
};

// Message boxes on the screen, the beep of the desktop.
class TMessageBoxService : public IMessageService {
public:
    void ShowMessage(const QString& text) override;
    void ShowError(const QString& text) override;
    void Beep() override;
    TMsgAnswer Confirm(const QString& text, bool withCancel) override;
};

// Keeps what would have been shown, for tests.
class TRecordingMessageService : public IMessageService {
public:
    void ShowMessage(const QString& text) override { Messages.append(text); }
    void ShowError(const QString& text) override { Errors.append(text); }
    void Beep() override { ++Beeps; }
    // Keeps the question and gives the next of Answers; with none left, the
    // answer that changes nothing.
    TMsgAnswer Confirm(const QString& text, bool withCancel) override;
    void Clear()
    {
        Messages.clear();
        Errors.clear();
        Questions.clear();
        Answers.clear();
        Beeps = 0;
    }

    QStringList Messages;
    QStringList Errors;
    QStringList Questions;
    QList<TMsgAnswer> Answers;
    int Beeps = 0;
};

// The current service; before one is installed, messages go to the log.
IMessageService& Messages();
// Installs `service` (not owned; nullptr goes back to the log).
void SetMessageService(IMessageService* service);

// Installs a service for the lifetime of a scope and restores the previous one.
class TScopedMessageService {
public:
    explicit TScopedMessageService(IMessageService& service);
    ~TScopedMessageService();
    TScopedMessageService(const TScopedMessageService&) = delete;
    TScopedMessageService& operator=(const TScopedMessageService&) = delete;

private:
    IMessageService* FPrevious;
};

// Shows `text` in an error box unless one about `subject` (a file, say) was
// shown this way before: a failure that comes back at every turn is said
// once a run.
void ShowErrorOnce(const QString& subject, const QString& text);

// Opening documents in the programs the desktop associates with them.
class IDocumentOpener {
public:
    virtual ~IDocumentOpener();
    // Opens a file (or URL) in its associated program.
    virtual bool OpenDocument(const QString& pathOrUrl) = 0;
    // Opens an HTML document at a named anchor in the desktop's HTML handler.
    virtual bool OpenDocumentAtAnchor(const QString& path, const QString& anchor) = 0;
};

// Keeps what would have been opened: "path" or "path#anchor".
class TRecordingDocumentOpener : public IDocumentOpener {
public:
    bool OpenDocument(const QString& pathOrUrl) override
    {
        Opened.append(pathOrUrl);
        return Result;
    }
    bool OpenDocumentAtAnchor(const QString& path, const QString& anchor) override
    {
        Opened.append(path + QLatin1Char('#') + anchor);
        return Result;
    }

    QStringList Opened;
    bool Result = true;
};

// The current opener; before one is installed, the desktop's own.
IDocumentOpener& DocumentOpener();
void SetDocumentOpener(IDocumentOpener* opener);

class TScopedDocumentOpener {
public:
    explicit TScopedDocumentOpener(IDocumentOpener& opener);
    ~TScopedDocumentOpener();
    TScopedDocumentOpener(const TScopedDocumentOpener&) = delete;
    TScopedDocumentOpener& operator=(const TScopedDocumentOpener&) = delete;

private:
    IDocumentOpener* FPrevious;
};

// Shows "Could not open " + the document in an error box.
void ReportOpenFailure(const QString& document);
// Open through the current opener and report a document that cannot be
// opened.
void OpenDocumentOrReport(const QString& pathOrUrl);
void OpenDocumentAtAnchorOrReport(const QString& path, const QString& anchor);

// The application title shown as the caption of message boxes.
QString ApplicationTitle();
