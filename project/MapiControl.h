#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <vector>

// Recipient classes, send flags and result codes of the mail hand-over. The
// numbers are those of Simple MAPI, which the owners' handlers know.
constexpr int MAPI_ORIG = 0;
constexpr int MAPI_TO = 1;
constexpr int MAPI_CC = 2;
constexpr int MAPI_BCC = 3;

constexpr unsigned MAPI_LOGON_UI = 0x1;
constexpr unsigned MAPI_NEW_SESSION = 0x2;
constexpr unsigned MAPI_DIALOG = 0x8;

constexpr int SUCCESS_SUCCESS = 0;
constexpr int MAPI_USER_ABORT = 1;
constexpr int MAPI_E_FAILURE = 2;
constexpr int MAPI_E_ATTACHMENT_NOT_FOUND = 11;
constexpr int MAPI_E_ATTACHMENT_OPEN_FAILURE = 12;
constexpr int MAPI_E_INVALID_RECIPS = 25;
constexpr int MAPI_E_NOT_SUPPORTED = 26;

struct TMapiRecipDesc {
    int RecipClass = MAPI_TO;
    QString Name;
    QString Address; // "SMTP:" + the entry for recipients
    bool operator==(const TMapiRecipDesc&) const = default;
};

struct TMapiFileDesc {
    int Reserved = 0;
    int Flags = 0;
    int Position = -1; // not placed in the text
    QString PathName;
    QString FileName; // shown to the reader
    bool operator==(const TMapiFileDesc&) const = default;
};

// One message as it is handed to the mail system.
struct TMapiMessage {
    QString Subject;
    QString NoteText;
    TMapiRecipDesc Originator{MAPI_ORIG, {}, {}};
    std::vector<TMapiRecipDesc> Recips;
    std::vector<TMapiFileDesc> Files;
    unsigned SendFlags = 0; // MAPI_LOGON_UI | MAPI_NEW_SESSION | MAPI_DIALOG with the dialog
};

// What the mail system answered: a result code and, for a failure, its text.
struct TMailResult {
    int Code = SUCCESS_SUCCESS;
    QString ErrorText;
};

// Text of a result code, for owners that show it.
QString MapiErrorText(int code);

// A recipient the mail system may be given: a non-empty entry that holds
// nothing a mail program or a mailto URL could read as more than an address
// (no leading "-", no "?", "&", "%", "#", ":", no blanks or control
// characters).
bool IsPlainMailAddress(const QString& address);

// The file-name part of a path: what follows the last "/" or "\".
QString MailFileNameOf(const QString& path);

// Hands a message to the user's mail system.
class IMailTransport {
public:
    virtual ~IMailTransport();
    virtual TMailResult SendMail(const TMapiMessage& message) = 0;
};

// The desktop's mail program through xdg-email. The call waits a bounded
// time: a mail program that keeps running (its compose window open) counts as
// handed over and is left running.
class TXdgEmailTransport : public IMailTransport {
public:
    explicit TXdgEmailTransport(QString program = QStringLiteral("xdg-email"), int waitMs = 30000);
    TMailResult SendMail(const TMapiMessage& message) override;

private:
    QString FProgram;
    int FWaitMs;
};

// Keeps the messages it was given and answers with `Result`.
class TRecordingMailTransport : public IMailTransport {
public:
    TMailResult SendMail(const TMapiMessage& message) override;

    std::vector<TMapiMessage> Sent;
    int Result = SUCCESS_SUCCESS;
};

// The arguments for xdg-email, checked first: every address is plain
// (IsPlainMailAddress), no attachment may look like an option, and every
// attachment must be a readable file. Returns
// SUCCESS_SUCCESS, or the error code with `error` set and `args` empty.
int XdgEmailArguments(const TMapiMessage& message, QStringList& args, QString& error);

// The current transport; before one is installed, xdg-email.
IMailTransport& MailTransport();
void SetMailTransport(IMailTransport* transport);

class TScopedMailTransport {
public:
    explicit TScopedMailTransport(IMailTransport& transport);
    ~TScopedMailTransport();
    TScopedMailTransport(const TScopedMailTransport&) = delete;
    TScopedMailTransport& operator=(const TScopedMailTransport&) = delete;

private:
    IMailTransport* FPrevious;
};

// Hands one e-mail with attachments to the user's mail system and reports
// the outcome through exactly one of its signals per send. It shows nothing
// itself; the owner's handlers decide what follows.
class TMapiControl : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Subject READ Subject WRITE SetSubject)
    Q_PROPERTY(QString Body READ Body WRITE SetBody)
    Q_PROPERTY(QString FromName READ FromName WRITE SetFromName)
    Q_PROPERTY(QString FromAdress READ FromAdress WRITE SetFromAdress)
    Q_PROPERTY(QStringList Recipients READ Recipients WRITE SetRecipients)
    Q_PROPERTY(QStringList CopyTo READ CopyTo WRITE SetCopyTo)
    Q_PROPERTY(QStringList BlindCopyTo READ BlindCopyTo WRITE SetBlindCopyTo)
    Q_PROPERTY(QStringList AttachedFiles READ AttachedFiles WRITE SetAttachedFiles)
    Q_PROPERTY(QStringList DisplayFileName READ DisplayFileName)
    Q_PROPERTY(bool ShowDialog READ ShowDialog WRITE SetShowDialog)

public:
    explicit TMapiControl(QObject* owner = nullptr);

    const QString& Subject() const { return FSubject; }
    void SetSubject(const QString& value) { FSubject = value; }
    const QString& Body() const { return FBody; }
    void SetBody(const QString& value) { FBody = value; }
    const QString& FromName() const { return FFromName; }
    void SetFromName(const QString& value) { FFromName = value; }
    const QString& FromAdress() const { return FFromAdress; }
    void SetFromAdress(const QString& value) { FFromAdress = value; }
    const QStringList& Recipients() const { return FRecipients; }
    void SetRecipients(const QStringList& value) { FRecipients = value; }
    const QStringList& CopyTo() const { return FCopyTo; }
    void SetCopyTo(const QStringList& value) { FCopyTo = value; }
    const QStringList& BlindCopyTo() const { return FBlindCopyTo; }
    void SetBlindCopyTo(const QStringList& value) { FBlindCopyTo = value; }
    const QStringList& AttachedFiles() const { return FAttachedFiles; }
    void SetAttachedFiles(const QStringList& value) { FAttachedFiles = value; }
    const QStringList& DisplayFileName() const { return FDisplayFileName; }
    bool ShowDialog() const { return FShowDialog; }
    void SetShowDialog(bool value) { FShowDialog = value; }
    // Text of the last failure; empty after a success or an abort.
    const QString& ErrorText() const { return FErrorText; }

    // The message a send hands over, built from the properties as they are.
    TMapiMessage BuildMessage() const;
    // Builds the message, hands it to the current transport and fires one
    // signal. A recipient that is not a plain address is refused
    // (MAPI_E_INVALID_RECIPS, ErrorText naming it) before anything is handed
    // over. Raises nothing.
    void Sendmail();

signals:
    void OnSuccess();
    void OnUserAbort();
    void OnMapiError(int errCode);

private:
    QString FSubject;
    QString FBody;
    QString FFromName;
    QString FFromAdress;
    QStringList FRecipients;
    QStringList FCopyTo;
    QStringList FBlindCopyTo;
    QStringList FAttachedFiles;
    QStringList FDisplayFileName;
    bool FShowDialog = false;
    QString FErrorText;
};
