#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QFileDialog;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QStatusBar;
class QToolBar;
class QToolButton;
class TFormKeyNavigator;
class TMapiControl;

// The small modal window in which the user checks and completes an e-mail
// before it goes to the mail program: recipients, subject, text, attachments
// and the sender. The sender's name, organisation and address are kept for
// the user under the maker's common registry key, shared by the maker's
// programs.
//
// Use: SetupMessage, exec(); Accepted once the mail program took the message
// (then Mapi->Recipients() are the recipients sent to and FromAddressEd the
// sender's address), Rejected after "Cancel" or when closed otherwise. A send
// that fails or that the user cancels in the mail program leaves the window
// open with the reason in the status bar.
class TEmailForm : public QDialog {
    Q_OBJECT
public:
    explicit TEmailForm(QWidget* parent = nullptr);
    ~TEmailForm() override;

    // Presets the message; overrides the sender read from the registry.
    // `attachmentList` holds paths separated by ",".
    void SetupMessage(const QString& toText, const QString& blindCopyText, const QString& subject,
                      const QString& attachmentList, const QString& body, const QString& senderName,
                      const QString& senderCompany, const QString& senderEMail);
    // The same with the paths as a list, so that a path with a comma stays whole.
    void SetupMessage(const QString& toText, const QString& blindCopyText, const QString& subject,
                      const QStringList& attachments, const QString& body, const QString& senderName,
                      const QString& senderCompany, const QString& senderEMail);

    // The message as the window keeps it between uses.
    QString ToText;        // recipients, separated by commas or blanks
    QString BlindCopyText; // one recipient per line
    QString Subject;
    QStringList Attachments; // full paths
    QString Body;            // without the sender block; CR LF line ends
    QString SenderName;
    QString SenderCompany;
    QString SenderEMail;
    // What the sender fields fall back to when the registry has no value.
    QString DefaultName;
    QString DefaultCompany;
    QString DefaultEMail;

    QToolBar* ToolBar1;
    QToolButton* ToolButton1; // "&Send"
    QToolButton* ToolButton2; // "&Cancel"
    QLineEdit* RecipientsEd;
    QLineEdit* SubjectEd;
    QPlainTextEdit* BodyEd;
    QLabel* Label3; // "Attachments:", adds one when clicked
    QListWidget* AttachmentList;
    QLineEdit* FromAddressEd;
    QLineEdit* FromCompanyEd;
    QLineEdit* FromNameEd;
    QStatusBar* StatusBar;
    QFileDialog* OpenDialog1;
    TMapiControl* Mapi;

    // The controls from the fields, the fields from the controls.
    void ShowFields();
    void ReadFields();
    // Fills the mail component from the fields and hands the message over.
    void SendMessage();
    void LoadDefaults();
    void LoadSender();
    void SaveSender();
    // Appends an item for `path` to the attachment list.
    void AddAttachment(const QString& path);

    // The window's commands, as the buttons, the label and the list run them.
    void ToolButton1Click();
    void ToolButton2Click();
    void Label3Click();
    void AttachmentListDblClick();

    // Every way of closing saves the sender.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void MapiSuccess();
    void MapiUserAbort();
    void MapiMapiError(int errCode);
    void BuildLayout();

    TFormKeyNavigator* FKeyNavigator;
};
