#include "TxEmailDlg.h"

#include "MapiControl.h"
#include "TxApplicationPath.h"
#include "TxEventGuard.h"
#include "TxKeyNavigate.h"
#include "TxPlatform.h"
#include "TxRegistry.h"
#include "TxString.h"
#include "TxSysUtils.h"
#include "TxTextViewer.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString UserSection = QStringLiteral("User");
const QString CrLf = QStringLiteral("\r\n");

// Recipients as list controls read comma text: separated by commas or
// blanks, double quotes keeping blanks inside. Empty entries address nobody.
QStringList RecipientsOf(const QString& text)
{
    QStringList list = CommaTextToList(text);
    list.removeAll(QString());
    return list;
}

// One entry per line (CR LF, LF or CR); empty lines address nobody.
QStringList LinesOf(const QString& text)
{
    QString t = text;
    t.replace(CrLf, QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = t.split(QLatin1Char('\n'));
    lines.removeAll(QString());
    return lines;
}

QString FolderOfProgram()
{
    return ExeDir.isEmpty() ? QCoreApplication::applicationDirPath() : ExeDir;
}

} // namespace

TEmailForm::TEmailForm(QWidget* parent) : QDialog(parent)
{
    BuildLayout();
    FKeyNavigator = new TFormKeyNavigator(this);

    // FormCreate
    OpenDialog1->setDirectory(FolderOfProgram());
    LoadDefaults();
    LoadSender();
}

TEmailForm::~TEmailForm() = default;

void TEmailForm::BuildLayout()
{
    setObjectName(QStringLiteral("EmailForm"));
    setWindowTitle(QStringLiteral("Email"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);

    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolButton1 = new QToolButton(ToolBar1);
    ToolButton1->setObjectName(QStringLiteral("ToolButton1"));
    ToolButton1->setText(QStringLiteral("&Send"));
    ToolButton2 = new QToolButton(ToolBar1);
    ToolButton2->setObjectName(QStringLiteral("ToolButton2"));
    ToolButton2->setText(QStringLiteral("&Cancel"));
    ToolBar1->addWidget(ToolButton1);
    ToolBar1->addWidget(ToolButton2);
    layout->addWidget(ToolBar1);

    auto* content = new QVBoxLayout;
    content->setContentsMargins(8, 0, 8, 0);
    layout->addLayout(content, 1);

    auto* head = new QFormLayout;
    RecipientsEd = new QLineEdit(this);
    RecipientsEd->setObjectName(QStringLiteral("RecipientsEd"));
    SubjectEd = new QLineEdit(this);
    SubjectEd->setObjectName(QStringLiteral("SubjectEd"));
    head->addRow(QStringLiteral("To:"), RecipientsEd);
    head->addRow(QStringLiteral("Subject:"), SubjectEd);
    content->addLayout(head);

    auto* middle = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    auto* bodyLabel = new QLabel(QStringLiteral("Body:"), this);
    BodyEd = new QPlainTextEdit(this);
    BodyEd->setObjectName(QStringLiteral("BodyEd"));
    left->addWidget(bodyLabel);
    left->addWidget(BodyEd, 1);
    auto* right = new QVBoxLayout;
    Label3 = new QLabel(QStringLiteral("Attachments:"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setCursor(Qt::PointingHandCursor);
    QPalette linkPalette = Label3->palette();
    linkPalette.setColor(QPalette::WindowText, linkPalette.color(QPalette::Link));
    Label3->setPalette(linkPalette);
    Label3->installEventFilter(this);
    AttachmentList = new QListWidget(this);
    AttachmentList->setObjectName(QStringLiteral("AttachmentList"));
    AttachmentList->setViewMode(QListView::IconMode);
    AttachmentList->setIconSize(QSize(32, 32));
    AttachmentList->setMovement(QListView::Static);
    AttachmentList->setResizeMode(QListView::Adjust);
    AttachmentList->setWordWrap(true);
    AttachmentList->setSelectionMode(QAbstractItemView::SingleSelection);
    AttachmentList->viewport()->installEventFilter(this);
    right->addWidget(Label3);
    right->addWidget(AttachmentList, 1);
    middle->addLayout(left, 3);
    middle->addLayout(right, 2);
    content->addLayout(middle, 1);

    auto* sender = new QFormLayout;
    sender->setLabelAlignment(Qt::AlignRight);
    FromAddressEd = new QLineEdit(this);
    FromAddressEd->setObjectName(QStringLiteral("FromAddressEd"));
    FromCompanyEd = new QLineEdit(this);
    FromCompanyEd->setObjectName(QStringLiteral("FromCompanyEd"));
    FromNameEd = new QLineEdit(this);
    FromNameEd->setObjectName(QStringLiteral("FromNameEd"));
    sender->addRow(QStringLiteral("From Address"), FromAddressEd);
    sender->addRow(QStringLiteral("Organization"), FromCompanyEd);
    sender->addRow(QStringLiteral("User Name"), FromNameEd);
    content->addLayout(sender);

    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setSizeGripEnabled(false);
    layout->addWidget(StatusBar);

    OpenDialog1 = new QFileDialog(this);
    OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
    OpenDialog1->setFileMode(QFileDialog::ExistingFile);
    OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);

    Mapi = new TMapiControl(this);
    Mapi->setObjectName(QStringLiteral("Mapi"));
    Mapi->SetShowDialog(false);
    connect(Mapi, &TMapiControl::OnSuccess, this, [this] { Guarded([this] { MapiSuccess(); }); });
    connect(Mapi, &TMapiControl::OnUserAbort, this, [this] { Guarded([this] { MapiUserAbort(); }); });
    connect(Mapi, &TMapiControl::OnMapiError, this,
            [this](int errCode) { Guarded([this, errCode] { MapiMapiError(errCode); }); });

    connect(ToolButton1, &QToolButton::clicked, this, [this] { Guarded([this] { ToolButton1Click(); }); });
    connect(ToolButton2, &QToolButton::clicked, this, [this] { Guarded([this] { ToolButton2Click(); }); });

    resize(408, 402);
}

void TEmailForm::SetupMessage(const QString& toText, const QString& blindCopyText, const QString& subject,
                              const QString& attachmentList, const QString& body, const QString& senderName,
                              const QString& senderCompany, const QString& senderEMail)
{
    QStringList attachments;
    SplitToStrings(attachmentList, QLatin1Char(','), attachments);
    SetupMessage(toText, blindCopyText, subject, attachments, body, senderName, senderCompany, senderEMail);
}

void TEmailForm::SetupMessage(const QString& toText, const QString& blindCopyText, const QString& subject,
                              const QStringList& attachments, const QString& body, const QString& senderName,
                              const QString& senderCompany, const QString& senderEMail)
{
    ToText = toText;
    BlindCopyText = blindCopyText;
    Subject = subject;
    Attachments = attachments;
    Body = body;
    SenderName = senderName;
    SenderCompany = senderCompany;
    SenderEMail = senderEMail;
}

void TEmailForm::ShowFields()
{
    RecipientsEd->setText(ToText);
    SubjectEd->setText(Subject);
    QString body = Body;
    body.replace(CrLf, QStringLiteral("\n"));
    BodyEd->setPlainText(body);
    FromNameEd->setText(SenderName);
    FromCompanyEd->setText(SenderCompany);
    FromAddressEd->setText(SenderEMail);
    AttachmentList->clear();
    for (const QString& path : Attachments)
        AddAttachment(path);
}

void TEmailForm::ReadFields()
{
    ToText = RecipientsEd->text();
    Subject = SubjectEd->text();
    Body = BodyEd->toPlainText();
    Body.replace(QLatin1Char('\n'), CrLf);
    SenderName = FromNameEd->text();
    SenderCompany = FromCompanyEd->text();
    SenderEMail = FromAddressEd->text();
    Attachments.clear();
    for (int i = 0; i < AttachmentList->count(); ++i)
        Attachments.append(AttachmentList->item(i)->text());
}

void TEmailForm::SendMessage()
{
    ReadFields();
    // Paint what is pending before the mail program takes over; the user's
    // input waits, so a second click cannot send twice.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    Mapi->SetShowDialog(true);
    Mapi->SetRecipients(RecipientsOf(ToText));
    Mapi->SetBlindCopyTo(LinesOf(BlindCopyText));
    Mapi->SetSubject(Subject);
    Mapi->SetBody(Body + CrLf + CrLf + SenderName + CrLf + SenderCompany + CrLf + SenderEMail);
    Mapi->SetAttachedFiles(Attachments);
    Mapi->SetFromName(SenderName + QLatin1Char(',') + SenderCompany);
    Mapi->SetFromAdress(SenderEMail);
    Mapi->Sendmail();
}

void TEmailForm::LoadDefaults()
{
    GetRegisteredOwner(DefaultName, DefaultCompany);
    DefaultEMail = GetDefaultMailAddress();
}

void TEmailForm::LoadSender()
{
    const TRegistryIniFile reg(RegCommon);
    SenderName = reg.ReadString(UserSection, QStringLiteral("Name"), DefaultName);
    SenderCompany = reg.ReadString(UserSection, QStringLiteral("Company"), DefaultCompany);
    SenderEMail = reg.ReadString(UserSection, QStringLiteral("EMail"), DefaultEMail);
}

void TEmailForm::SaveSender()
{
    TRegistryIniFile reg(RegCommon);
    reg.WriteString(UserSection, QStringLiteral("Name"), SenderName);
    reg.WriteString(UserSection, QStringLiteral("Company"), SenderCompany);
    reg.WriteString(UserSection, QStringLiteral("EMail"), SenderEMail);
    reg.UpdateFile();
}

void TEmailForm::AddAttachment(const QString& path)
{
    new QListWidgetItem(style()->standardIcon(QStyle::SP_FileIcon), path, AttachmentList);
}

void TEmailForm::ToolButton1Click()
{
    SendMessage();
}

void TEmailForm::ToolButton2Click()
{
    reject();
}

void TEmailForm::Label3Click()
{
    if (OpenDialog1->exec() != QDialog::Accepted)
        return;
    const QStringList files = OpenDialog1->selectedFiles();
    if (!files.isEmpty())
        AddAttachment(files.first());
}

void TEmailForm::AttachmentListDblClick()
{
    const QList<QListWidgetItem*> selected = AttachmentList->selectedItems();
    if (!selected.isEmpty())
        TTextViewer::OpenFile(selected.first()->text(), this);
}

void TEmailForm::MapiSuccess()
{
    StatusBar->clearMessage();
    accept();
}

void TEmailForm::MapiUserAbort()
{
    // Nothing went out: the window stays for another try or Cancel.
    StatusBar->showMessage(QStringLiteral("Sending cancelled"));
}

void TEmailForm::MapiMapiError(int errCode)
{
    Q_UNUSED(errCode);
    Messages().Beep();
    QString text = QStringLiteral("Error sending email...");
    if (!Mapi->ErrorText().isEmpty())
        text += QLatin1Char(' ') + Mapi->ErrorText();
    StatusBar->showMessage(text);
}

void TEmailForm::done(int result)
{
    Guarded([this] { SaveSender(); });
    QDialog::done(result);
}

void TEmailForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    ShowFields();
    StatusBar->clearMessage();
}

bool TEmailForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Label3 && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && Label3->rect().contains(mouse->position().toPoint())) {
            Guarded([this] { Label3Click(); });
            return true;
        }
    } else if (watched == AttachmentList->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        // The press before it has already updated the selection.
        Guarded([this] { AttachmentListDblClick(); });
    }
    return QDialog::eventFilter(watched, event);
}
