#include "TxPlatform.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QtGlobal>

IMessageService::~IMessageService() = default;

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

QString ApplicationTitle()
{
    const QString name = QGuiApplication::applicationDisplayName();
    return name.isEmpty() ? QStringLiteral("Vozudarizazi") : name;
}

void TMessageBoxService::ShowMessage(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(), text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

void TMessageBoxService::ShowError(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, ApplicationTitle(), text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

void TMessageBoxService::Beep()
{
    QApplication::beep();
}
