#include "MapiControl.h"

#include "TxErrors.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QPointer>
#include <QProcess>

#include <algorithm>

IMailTransport::~IMailTransport() = default;

namespace {

const QString SmtpPrefix = QStringLiteral("SMTP:");

QString PlainAddress(const QString& address)
{
    return address.startsWith(SmtpPrefix, Qt::CaseInsensitive) ? address.mid(SmtpPrefix.size()) : address;
}

// Processes that outlived the wait. They must not be destroyed while they run
// (QProcess would kill the user's mail program), so they stay reachable here
// until they end on their own.
QList<QPointer<QProcess>>& RunningMailPrograms()
{
    static auto* list = new QList<QPointer<QProcess>>;
    return *list;
}

void LetRun(QProcess* process)
{
    QList<QPointer<QProcess>>& running = RunningMailPrograms();
    running.removeAll(nullptr);
    running.append(process);
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
}

TMailResult ResultOfExitCode(int exitCode)
{
    // xdg-email: 1 syntax, 2 file missing, 3 no tool, 4 action failed, 5 file not readable.
    switch (exitCode) {
    case 0:
        return {};
    case 2:
        return {MAPI_E_ATTACHMENT_NOT_FOUND, MapiErrorText(MAPI_E_ATTACHMENT_NOT_FOUND)};
    case 3:
        return {MAPI_E_NOT_SUPPORTED, MapiErrorText(MAPI_E_NOT_SUPPORTED)};
    case 5:
        return {MAPI_E_ATTACHMENT_OPEN_FAILURE, MapiErrorText(MAPI_E_ATTACHMENT_OPEN_FAILURE)};
    default:
        return {MAPI_E_FAILURE, MapiErrorText(MAPI_E_FAILURE)};
    }
}

IMailTransport* gTransport = nullptr;

QString InvalidRecipientText(const QString& address)
{
    return MapiErrorText(MAPI_E_INVALID_RECIPS) + QStringLiteral(": ") + address;
}

} // namespace

bool IsPlainMailAddress(const QString& address)
{
    // The mail program would read a leading "-" as one of its options, and
    // the mailto URL it builds the rest as more fields, more addresses or
    // another URL. Whether the address is one the mail program's dialog
    // shows the user; real ones come in more shapes than any rule knows.
    if (address.isEmpty() || address.startsWith(QLatin1Char('-')))
        return false;
    return std::none_of(address.begin(), address.end(), [](QChar c) {
        return c.category() == QChar::Other_Control || c.isSpace() || QStringLiteral("?&%#:").contains(c);
    });
}

QString MapiErrorText(int code)
{
    switch (code) {
    case SUCCESS_SUCCESS:
        return {};
    case MAPI_USER_ABORT:
        return QStringLiteral("Sending cancelled");
    case MAPI_E_FAILURE:
        return QStringLiteral("Error sending email");
    case MAPI_E_ATTACHMENT_NOT_FOUND:
        return QStringLiteral("Attachment not found");
    case MAPI_E_ATTACHMENT_OPEN_FAILURE:
        return QStringLiteral("Attachment cannot be read");
    case MAPI_E_INVALID_RECIPS:
        return QStringLiteral("Invalid recipient");
    case MAPI_E_NOT_SUPPORTED:
        return QStringLiteral("No e-mail program available");
    default:
        return QStringLiteral("Mail error %1").arg(code);
    }
}

QString MailFileNameOf(const QString& path)
{
    const qsizetype at = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(at + 1);
}

int XdgEmailArguments(const TMapiMessage& message, QStringList& args, QString& error)
{
    args.clear();
    error.clear();
    QStringList result{QStringLiteral("--utf8")};
    if (!message.Subject.isEmpty())
        result << QStringLiteral("--subject") << message.Subject;
    if (!message.NoteText.isEmpty()) {
        // xdg-email writes every line break as CR LF itself: a CR of ours
        // would reach the message as an extra one.
        QString body = message.NoteText;
        body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        body.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        result << QStringLiteral("--body") << body;
    }

    QStringList to;
    for (const int recipClass : {MAPI_CC, MAPI_BCC, MAPI_TO}) {
        for (const TMapiRecipDesc& r : message.Recips) {
            if (r.RecipClass != recipClass)
                continue;
            const QString address = PlainAddress(r.Address);
            if (!IsPlainMailAddress(address)) {
                error = InvalidRecipientText(address);
                return MAPI_E_INVALID_RECIPS;
            }
            if (recipClass == MAPI_CC)
                result << QStringLiteral("--cc") << address;
            else if (recipClass == MAPI_BCC)
                result << QStringLiteral("--bcc") << address;
            else
                to << address;
        }
    }

    for (const TMapiFileDesc& f : message.Files) {
        if (f.PathName.startsWith(QLatin1Char('-'))) {
            error = MapiErrorText(MAPI_E_ATTACHMENT_OPEN_FAILURE) + QStringLiteral(": ") + f.PathName;
            return MAPI_E_ATTACHMENT_OPEN_FAILURE;
        }
        if (!QFileInfo(f.PathName).isFile()) {
            error = MapiErrorText(MAPI_E_ATTACHMENT_NOT_FOUND) + QStringLiteral(": ") + f.PathName;
            return MAPI_E_ATTACHMENT_NOT_FOUND;
        }
        QFile probe(f.PathName);
        if (!probe.open(QIODevice::ReadOnly)) {
            error = MapiErrorText(MAPI_E_ATTACHMENT_OPEN_FAILURE) + QStringLiteral(": ") + f.PathName;
            return MAPI_E_ATTACHMENT_OPEN_FAILURE;
        }
        result << QStringLiteral("--attach") << f.PathName;
    }

    args = result + to;
    return SUCCESS_SUCCESS;
}

TXdgEmailTransport::TXdgEmailTransport(QString program, int waitMs) : FProgram(std::move(program)), FWaitMs(waitMs) {}

TMailResult TXdgEmailTransport::SendMail(const TMapiMessage& message)
{
    QStringList args;
    QString error;
    if (const int code = XdgEmailArguments(message, args, error); code != SUCCESS_SUCCESS)
        return {code, error};

    auto* process = new QProcess;
    process->setProgram(FProgram);
    process->setArguments(args);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start();
    if (!process->waitForStarted(FWaitMs)) {
        if (process->state() == QProcess::NotRunning) {
            delete process;
            return {MAPI_E_NOT_SUPPORTED, MapiErrorText(MAPI_E_NOT_SUPPORTED)};
        }
        LetRun(process);
        return {};
    }
    if (!process->waitForFinished(FWaitMs)) {
        if (process->state() != QProcess::NotRunning) {
            // Still open for the user to finish the message: handed over.
            LetRun(process);
            return {};
        }
    }
    const bool crashed = process->exitStatus() != QProcess::NormalExit;
    const int exitCode = process->exitCode();
    delete process;
    if (crashed)
        return {MAPI_E_FAILURE, MapiErrorText(MAPI_E_FAILURE)};
    return ResultOfExitCode(exitCode);
}

TMailResult TRecordingMailTransport::SendMail(const TMapiMessage& message)
{
    Sent.push_back(message);
    return {Result, Result > MAPI_USER_ABORT ? MapiErrorText(Result) : QString()};
}

IMailTransport& MailTransport()
{
    static TXdgEmailTransport desktop;
    return gTransport ? *gTransport : desktop;
}

void SetMailTransport(IMailTransport* transport)
{
    gTransport = transport;
}

TScopedMailTransport::TScopedMailTransport(IMailTransport& transport) : FPrevious(gTransport)
{
    gTransport = &transport;
}

TScopedMailTransport::~TScopedMailTransport()
{
    gTransport = FPrevious;
}

TMapiControl::TMapiControl(QObject* owner) : QObject(owner) {}

TMapiMessage TMapiControl::BuildMessage() const
{
    TMapiMessage m;
    m.Subject = FSubject;
    m.NoteText = FBody;
    m.Originator = {MAPI_ORIG, FFromName, FFromAdress};
    const auto addRecips = [&m](const QStringList& list, int recipClass) {
        for (const QString& entry : list)
            m.Recips.push_back({recipClass, entry, SmtpPrefix + entry});
    };
    addRecips(FRecipients, MAPI_TO);
    addRecips(FCopyTo, MAPI_CC);
    addRecips(FBlindCopyTo, MAPI_BCC);
    for (const QString& path : FAttachedFiles)
        m.Files.push_back({0, 0, -1, path, MailFileNameOf(path)});
    m.SendFlags = FShowDialog ? (MAPI_LOGON_UI | MAPI_NEW_SESSION | MAPI_DIALOG) : 0u;
    return m;
}

void TMapiControl::Sendmail()
{
    if (!FAttachedFiles.isEmpty()) {
        FDisplayFileName.clear();
        for (const QString& path : FAttachedFiles)
            FDisplayFileName.append(MailFileNameOf(path));
    }
    TMailResult result;
    const TMapiMessage message = BuildMessage();
    const auto invalid = std::find_if(message.Recips.begin(), message.Recips.end(),
                                      [](const TMapiRecipDesc& r) { return !IsPlainMailAddress(r.Name); });
    try {
        if (invalid != message.Recips.end())
            result = {MAPI_E_INVALID_RECIPS, InvalidRecipientText(invalid->Name)};
        else
            result = MailTransport().SendMail(message);
    } catch (const Exception& e) {
        result = {MAPI_E_FAILURE, e.Message()};
    } catch (...) {
        result = {MAPI_E_FAILURE, MapiErrorText(MAPI_E_FAILURE)};
    }
    FErrorText.clear();
    if (result.Code == SUCCESS_SUCCESS) {
        emit OnSuccess();
    } else if (result.Code == MAPI_USER_ABORT) {
        emit OnUserAbort();
    } else {
        FErrorText = result.ErrorText.isEmpty() ? MapiErrorText(result.Code) : result.ErrorText;
        emit OnMapiError(result.Code);
    }
}
