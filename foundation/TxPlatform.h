#pragma once

#include <QString>
#include <QStringList>

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
};

// Message boxes on the screen, the beep of the desktop.
class TMessageBoxService : public IMessageService {
public:
    void ShowMessage(const QString& text) override;
    void ShowError(const QString& text) override;
    void Beep() override;
};

// Keeps what would have been shown, for tests.
class TRecordingMessageService : public IMessageService {
public:
    void ShowMessage(const QString& text) override { Messages.append(text); }
    void ShowError(const QString& text) override { Errors.append(text); }
    void Beep() override { ++Beeps; }
    void Clear()
    {
        Messages.clear();
        Errors.clear();
        Beeps = 0;
    }

    QStringList Messages;
    QStringList Errors;
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

// The application title shown as the caption of message boxes.
QString ApplicationTitle();
