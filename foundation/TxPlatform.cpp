#include "TxPlatform.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>
#include <QGuiApplication>
#include <QMessageBox>
#include <QSet>
#include <QtGlobal>

IMessageService::~IMessageService() = default;

TMsgAnswer IMessageService::Confirm(const QString&, bool withCancel)
{
    return withCancel ? TMsgAnswer::Cancel : TMsgAnswer::No;
}

TMsgAnswer TRecordingMessageService::Confirm(const QString& text, bool withCancel)
{
    Questions.append(text);
    if (Answers.isEmpty())
        return IMessageService::Confirm(text, withCancel);
    return Answers.takeFirst();
}
IDocumentOpener::~IDocumentOpener() = default;

namespace {

class TLogMessageService : public IMessageService {
public:
    void ShowMessage(const QString& text) override { qInfo("%s", qUtf8Printable(text)); }
    void ShowError(const QString& text) override { qWarning("%s", qUtf8Printable(text)); }
    void Beep() override {}
};

TLogMessageService& LogService()
{
    static TLogMessageService service;
    return service;
}

IMessageService* gService = nullptr;

// Until the program installs its own, documents go to the desktop's opener.
class TDefaultDocumentOpener : public IDocumentOpener {
public:
    bool OpenDocument(const QString& pathOrUrl) override
    {
        const QUrl url = QFileInfo::exists(pathOrUrl) ? QUrl::fromLocalFile(QFileInfo(pathOrUrl).absoluteFilePath())
                                                      : QUrl(pathOrUrl);
        return QDesktopServices::openUrl(url);
    }
    bool OpenDocumentAtAnchor(const QString& path, const QString& anchor) override
    {
        QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
        url.setFragment(anchor);
        return QDesktopServices::openUrl(url);
    }
};

TDefaultDocumentOpener& DefaultOpener()
{
    static TDefaultDocumentOpener opener;
    return opener;
}

IDocumentOpener* gOpener = nullptr;

} // namespace

IMessageService& Messages()
{
    return gService ? *gService : LogService();
}

void SetMessageService(IMessageService* service)
{
    gService = service;
}

TScopedMessageService::TScopedMessageService(IMessageService& service) : FPrevious(gService)
{
    gService = &service;
}

TScopedMessageService::~TScopedMessageService()
{
    gService = FPrevious;
}

IDocumentOpener& DocumentOpener()
{
    return gOpener ? *gOpener : DefaultOpener();
}

void SetDocumentOpener(IDocumentOpener* opener)
{
    gOpener = opener;
}

TScopedDocumentOpener::TScopedDocumentOpener(IDocumentOpener& opener) : FPrevious(gOpener)
{
    gOpener = &opener;
}

TScopedDocumentOpener::~TScopedDocumentOpener()
{
    gOpener = FPrevious;
}

void ShowErrorOnce(const QString& subject, const QString& text)
{
    static QSet<QString> shown;
    if (shown.contains(subject))
        return;
    shown.insert(subject);
    Messages().ShowError(text);
}

void ReportOpenFailure(const QString& document)
{
    Messages().ShowError(QStringLiteral("Could not open ") + document);
}

void OpenDocumentOrReport(const QString& pathOrUrl)
{
    if (!DocumentOpener().OpenDocument(pathOrUrl))
        ReportOpenFailure(pathOrUrl);
}

void OpenDocumentAtAnchorOrReport(const QString& path, const QString& anchor)
{
    if (!DocumentOpener().OpenDocumentAtAnchor(path, anchor))
        ReportOpenFailure(path);
}

QString ApplicationTitle()
{
    const QString name = QGuiApplication::applicationDisplayName();
    return name.isEmpty() ? QStringLiteral("Vozudarizazi") : name;
}

void TMessageBoxService::ShowMessage(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(), text, QMessageBox::Ok, QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void TMessageBoxService::ShowError(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, ApplicationTitle(), text, QMessageBox::Ok, QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void TMessageBoxService::Beep()
{
    QApplication::beep();
}

TMsgAnswer TMessageBoxService::Confirm(const QString& text, bool withCancel)
{
    // A lone carriage return breaks the line as it does in the old boxes.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
    if (withCancel)
        buttons |= QMessageBox::Cancel;
    QMessageBox box(QMessageBox::Question, ApplicationTitle(), shown, buttons, QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Yes);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return TMsgAnswer::Yes;
    case QMessageBox::No:
        return TMsgAnswer::No;
    default:
        // Escape or the close box.
        return withCancel ? TMsgAnswer::Cancel : TMsgAnswer::No;
    }
}
