#include "TxEmailDlg.h"

#include "MapiControl.h"
#include "TxPlatform.h"
#include "TxRegistry.h"
#include "TxSysUtils.h"
#include "TxTextViewer.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

namespace {

const QString CrLf = "\r\n";

QString ReadSender(const QString& key)
{
    return TRegistryIniFile(RegCommon).ReadString("User", key, "<none>");
}

void WriteSender(const QString& name, const QString& company, const QString& email)
{
    TRegistryIniFile reg(RegCommon);
    reg.WriteString("User", "Name", name);
    reg.WriteString("User", "Company", company);
    reg.WriteString("User", "EMail", email);
}

// Every test gets its own registry store, a recording mail transport and
// message service.
class EmailForm : public ::testing::Test {
protected:
    EmailForm() : FTransportScope(Transport), FMessagesScope(Messages)
    {
        SetRegistryFileName(FDir.File("registry.conf"));
    }
    ~EmailForm() override { SetRegistryFileName(QString()); }

    std::unique_ptr<TEmailForm> NewForm() { return std::make_unique<TEmailForm>(); }

    // The enquiry the project window sends.
    void Preset(TEmailForm& form, const QString& body = "Dear Sirs\r\n\r\nPlease quote\r\n")
    {
        form.SetupMessage("sales@maker.example, second@maker.example", "audit@acme.example\r\nboss@acme.example\r\n",
                          "Enquiry", Attachment, body, "Ann Lee", "Acme", "ann@acme.example");
    }

    void ShowAndActivate(TEmailForm& form)
    {
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }

    TTempFolder FDir;
    TRecordingMailTransport Transport;
    TScopedMailTransport FTransportScope;
    TRecordingMessageService Messages;
    TScopedMessageService FMessagesScope;
    const QString Attachment = FDir.Write("jobs/Job 7.pxf", QByteArray("<project>\r\n  <body/>\r\n</project>\r\n"));
};

} // namespace

TEST_F(EmailForm, SendHandsOverThePresetMessage)
{
    auto form = NewForm();
    Preset(*form);
    form->show();
    EXPECT_EQ(form->windowTitle(), "Email");
    EXPECT_EQ(form->RecipientsEd->text(), "sales@maker.example, second@maker.example");
    EXPECT_EQ(form->SubjectEd->text(), "Enquiry");
    EXPECT_EQ(form->BodyEd->toPlainText(), "Dear Sirs\n\nPlease quote\n");
    EXPECT_EQ(form->FromNameEd->text(), "Ann Lee");
    EXPECT_EQ(form->FromCompanyEd->text(), "Acme");
    EXPECT_EQ(form->FromAddressEd->text(), "ann@acme.example");
    ASSERT_EQ(form->AttachmentList->count(), 1);
    EXPECT_EQ(form->AttachmentList->item(0)->text(), Attachment);

    QTest::mouseClick(form->ToolButton1, Qt::LeftButton);

    ASSERT_EQ(Transport.Sent.size(), 1u);
    const TMapiMessage& m = Transport.Sent[0];
    const std::vector<TMapiRecipDesc> recips{{MAPI_TO, "sales@maker.example", "SMTP:sales@maker.example"},
                                             {MAPI_TO, "second@maker.example", "SMTP:second@maker.example"},
                                             {MAPI_BCC, "audit@acme.example", "SMTP:audit@acme.example"},
                                             {MAPI_BCC, "boss@acme.example", "SMTP:boss@acme.example"}};
    EXPECT_EQ(m.Recips, recips);
    EXPECT_EQ(m.Subject, "Enquiry");
    EXPECT_EQ(m.NoteText, "Dear Sirs\r\n\r\nPlease quote\r\n\r\n\r\nAnn Lee\r\nAcme\r\nann@acme.example");
    EXPECT_EQ(m.Originator, (TMapiRecipDesc{MAPI_ORIG, "Ann Lee,Acme", "ann@acme.example"}));
    EXPECT_EQ(m.Files, (std::vector<TMapiFileDesc>{{0, 0, -1, Attachment, "Job 7.pxf"}}));
    EXPECT_EQ(m.SendFlags, MAPI_LOGON_UI | MAPI_NEW_SESSION | MAPI_DIALOG);

    // What the project window reads back after OK.
    EXPECT_EQ(form->result(), QDialog::Accepted);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->Mapi->Recipients(), QStringList({"sales@maker.example", "second@maker.example"}));
    EXPECT_EQ(form->FromAddressEd->text(), "ann@acme.example");
    EXPECT_TRUE(Messages.Errors.isEmpty());
}

TEST_F(EmailForm, TypedTextsAreWhatIsSent)
{
    auto form = NewForm();
    Preset(*form);
    form->show();
    form->RecipientsEd->setText("\"sales@maker.example\" desk@maker.example");
    form->SubjectEd->setText("Enquiry Q-17");
    form->BodyEd->setPlainText("Line 1\nLine 2");
    form->FromNameEd->setText("Bo");
    form->FromCompanyEd->setText("");
    form->FromAddressEd->setText("bo@acme.example");
    QTest::mouseClick(form->ToolButton1, Qt::LeftButton);

    ASSERT_EQ(Transport.Sent.size(), 1u);
    const TMapiMessage& m = Transport.Sent[0];
    ASSERT_EQ(m.Recips.size(), 4u);
    EXPECT_EQ(m.Recips[0].Name, "sales@maker.example");
    EXPECT_EQ(m.Recips[1].Name, "desk@maker.example");
    EXPECT_EQ(m.Subject, "Enquiry Q-17");
    EXPECT_EQ(m.NoteText, "Line 1\r\nLine 2\r\n\r\nBo\r\n\r\nbo@acme.example");
    EXPECT_EQ(m.Originator.Name, "Bo,");
    EXPECT_EQ(form->ToText, "\"sales@maker.example\" desk@maker.example");
    EXPECT_EQ(form->Body, "Line 1\r\nLine 2");
    EXPECT_EQ(ReadSender("Name"), "Bo");
    EXPECT_EQ(ReadSender("Company"), "");
    EXPECT_EQ(ReadSender("EMail"), "bo@acme.example");
}

TEST_F(EmailForm, RecipientsSplitAsCommaText)
{
    struct Case {
        const char* to;
        QStringList recipients;
        QString refused; // the first entry that is no address
    };
    const std::vector<Case> cases{
        {"a@x.example, b@y.example", {"a@x.example", "b@y.example"}, ""},
        {"info@163.com, sales@3m.com", {"info@163.com", "sales@3m.com"}, ""},
        {"John Smith", {"John", "Smith"}, ""},
        {"\"John Smith\"", {}, "John Smith"},
        {"a@x.example\r\nb@y.example\r\n", {"a@x.example", "b@y.example"}, ""},
        // Empty entries address nobody.
        {"a@x.example,", {"a@x.example"}, ""},
        {"a@x.example ,, b@y.example", {"a@x.example", "b@y.example"}, ""},
        {"", {}, ""},
    };
    auto form = NewForm();
    form->show();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.to);
        Transport.Sent.clear();
        form->RecipientsEd->setText(c.to);
        form->SendMessage();
        if (!c.refused.isEmpty()) {
            EXPECT_TRUE(Transport.Sent.empty());
            EXPECT_EQ(form->StatusBar->currentMessage(), "Error sending email... Invalid recipient: " + c.refused);
            continue;
        }
        ASSERT_EQ(Transport.Sent.size(), 1u);
        QStringList names;
        for (const TMapiRecipDesc& r : Transport.Sent.back().Recips)
            names.append(r.Name);
        EXPECT_EQ(names, c.recipients);
    }
}

TEST_F(EmailForm, EmptyBodyStillCarriesTheSender)
{
    auto form = NewForm();
    form->SetupMessage("", "", "", QString(), "", "Ann", "Acme", "ann@acme.example");
    form->show();
    form->SendMessage();
    ASSERT_EQ(Transport.Sent.size(), 1u);
    const TMapiMessage& m = Transport.Sent[0];
    EXPECT_EQ(m.NoteText, "\r\n\r\nAnn\r\nAcme\r\nann@acme.example");
    EXPECT_EQ(m.Originator.Name, "Ann,Acme");
    EXPECT_TRUE(m.Recips.empty());
    EXPECT_TRUE(m.Files.empty());
}

TEST_F(EmailForm, SenderComesFromTheRegistryAndGoesBack)
{
    {
        // Nothing stored: the desktop's defaults.
        auto form = NewForm();
        QString owner, organization;
        GetRegisteredOwner(owner, organization);
        EXPECT_EQ(form->DefaultName, owner);
        EXPECT_EQ(form->DefaultCompany, organization);
        EXPECT_EQ(form->DefaultEMail, GetDefaultMailAddress());
        EXPECT_EQ(form->SenderName, owner);
        EXPECT_EQ(form->SenderEMail, GetDefaultMailAddress());
    }
    WriteSender("Cy Dee", "Dee & Co", "cy@dee.example");
    auto form = NewForm();
    EXPECT_EQ(form->SenderName, "Cy Dee");
    EXPECT_EQ(form->SenderCompany, "Dee & Co");
    EXPECT_EQ(form->SenderEMail, "cy@dee.example");
    form->show();
    EXPECT_EQ(form->FromCompanyEd->text(), "Dee & Co");

    // Cancel after editing keeps what the window had, here the preset.
    Preset(*form);
    form->hide();
    form->show();
    form->FromNameEd->setText("typed");
    form->FromAddressEd->setText("typed@x.example");
    QTest::mouseClick(form->ToolButton2, Qt::LeftButton);
    EXPECT_EQ(form->result(), QDialog::Rejected);
    EXPECT_TRUE(Transport.Sent.empty());
    EXPECT_EQ(ReadSender("Name"), "Ann Lee");
    EXPECT_EQ(ReadSender("Company"), "Acme");
    EXPECT_EQ(ReadSender("EMail"), "ann@acme.example");
    EXPECT_EQ(form->SenderName, "Ann Lee");
}

TEST_F(EmailForm, OutcomeOfTheSend)
{
    struct Case {
        int result;
        bool closed;
        QString status;
        int beeps;
    };
    const std::vector<Case> cases{
        {SUCCESS_SUCCESS, true, "", 0},
        {MAPI_USER_ABORT, false, "Sending cancelled", 0},
        {MAPI_E_FAILURE, false, "Error sending email... " + MapiErrorText(MAPI_E_FAILURE), 1},
        {MAPI_E_NOT_SUPPORTED, false, "Error sending email... " + MapiErrorText(MAPI_E_NOT_SUPPORTED), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.result);
        Transport.Result = c.result;
        Messages.Clear();
        auto form = NewForm();
        Preset(*form);
        form->show();
        form->setResult(-1);
        form->FromNameEd->setText("Typed Name");
        QTest::mouseClick(form->ToolButton1, Qt::LeftButton);
        EXPECT_EQ(form->isVisible(), !c.closed);
        EXPECT_EQ(form->StatusBar->currentMessage(), c.status);
        EXPECT_EQ(Messages.Beeps, c.beeps);
        if (c.closed)
            continue;
        // Still open: Cancel closes, keeping the sender of the failed send.
        EXPECT_EQ(form->result(), -1);
        QTest::mouseClick(form->ToolButton2, Qt::LeftButton);
        EXPECT_EQ(form->result(), QDialog::Rejected);
        EXPECT_EQ(ReadSender("Name"), "Typed Name");
    }
}

TEST_F(EmailForm, AddressThatLooksLikeAnOptionIsRefused)
{
    // The desktop transport checks the message before it starts anything.
    const QString marker = FDir.File("ran");
    const QString script = FDir.Write("mailer", QByteArray("#!/bin/sh\ntouch '") + marker.toUtf8() + "'\n");
    QFile::setPermissions(script, QFile::permissions(script) | QFileDevice::ExeOwner);
    TXdgEmailTransport desktop(script, 5000);
    TScopedMailTransport scope(desktop);

    auto form = NewForm();
    Preset(*form);
    form->show();
    form->RecipientsEd->setText("--help sales@maker.example");
    QTest::mouseClick(form->ToolButton1, Qt::LeftButton);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->StatusBar->currentMessage(),
              "Error sending email... " + MapiErrorText(MAPI_E_INVALID_RECIPS) + ": --help");
    EXPECT_EQ(Messages.Beeps, 1);
    EXPECT_FALSE(QFile::exists(marker));
}

TEST_F(EmailForm, ModalResultOfEachButton)
{
    auto form = NewForm();
    Preset(*form);
    QTimer::singleShot(0, form.get(), [&form] { form->ToolButton1->click(); });
    EXPECT_EQ(form->exec(), QDialog::Accepted);
    EXPECT_EQ(Transport.Sent.size(), 1u);

    QTimer::singleShot(0, form.get(), [&form] { form->ToolButton2->click(); });
    EXPECT_EQ(form->exec(), QDialog::Rejected);

    // Closed otherwise: Escape, and the sender is still saved.
    WriteSender("x", "y", "z");
    QTimer::singleShot(0, form.get(), [&form] { QTest::keyClick(form.get(), Qt::Key_Escape); });
    EXPECT_EQ(form->exec(), QDialog::Rejected);
    EXPECT_EQ(ReadSender("Name"), "Ann Lee");
    EXPECT_EQ(Transport.Sent.size(), 1u);
}

TEST_F(EmailForm, AttachmentListFromTheComposedText)
{
    auto form = NewForm();
    form->SetupMessage("", "", "", "/a/one.pxf, /b/two.pdf,", "", "", "", "");
    EXPECT_EQ(form->Attachments, QStringList({"/a/one.pxf", "/b/two.pdf"}));
    form->SetupMessage("", "", "", QStringList{"/a/Smith, J.pxf"}, "", "", "", "");
    EXPECT_EQ(form->Attachments, QStringList({"/a/Smith, J.pxf"}));
    form->show();
    ASSERT_EQ(form->AttachmentList->count(), 1);
    EXPECT_EQ(form->AttachmentList->item(0)->text(), "/a/Smith, J.pxf");
    EXPECT_EQ(form->AttachmentList->iconSize(), QSize(32, 32));
    EXPECT_FALSE(form->AttachmentList->item(0)->icon().isNull());
}

TEST_F(EmailForm, AttachmentAddedByTheLabel)
{
    const QString extra = FDir.Write("extra.txt", QByteArray("terms"));
    auto form = NewForm();
    Preset(*form);
    ShowAndActivate(*form);
    EXPECT_EQ(form->Label3->cursor().shape(), Qt::PointingHandCursor);

    const auto pickOnOpen = [&form](const QString& file) {
        QTimer::singleShot(0, form.get(), [&form, file] {
            form->OpenDialog1->selectFile(file);
            static_cast<QDialog*>(form->OpenDialog1)->accept();
        });
    };
    pickOnOpen(extra);
    QTest::mouseClick(form->Label3, Qt::LeftButton);
    ASSERT_EQ(form->AttachmentList->count(), 2);
    EXPECT_EQ(form->AttachmentList->item(1)->text(), extra);

    // Cancelled: dropped at the next showing.
    QTest::mouseClick(form->ToolButton2, Qt::LeftButton);
    form->show();
    ASSERT_EQ(form->AttachmentList->count(), 1);

    // Sent: part of the message and of the window's attachments from then on.
    pickOnOpen(extra);
    form->Label3Click();
    QTest::mouseClick(form->ToolButton1, Qt::LeftButton);
    ASSERT_EQ(Transport.Sent.size(), 1u);
    ASSERT_EQ(Transport.Sent[0].Files.size(), 2u);
    EXPECT_EQ(Transport.Sent[0].Files[1].PathName, extra);
    EXPECT_EQ(form->Attachments, QStringList({Attachment, extra}));
    form->show();
    EXPECT_EQ(form->AttachmentList->count(), 2);

    // A dialog closed without a choice adds nothing.
    QTimer::singleShot(0, form.get(), [&form] { form->OpenDialog1->reject(); });
    form->Label3Click();
    EXPECT_EQ(form->AttachmentList->count(), 2);
}

TEST_F(EmailForm, DoubleClickShowsTheAttachmentAsText)
{
    auto form = NewForm();
    Preset(*form);
    form->SetupMessage("", "", "", QStringList{Attachment, FDir.File("gone.pdf")}, "", "", "", "");
    ShowAndActivate(*form);
    QWidget* viewport = form->AttachmentList->viewport();

    // Nothing selected: nothing happens.
    form->AttachmentList->clearSelection();
    form->AttachmentListDblClick();
    EXPECT_EQ(form->findChild<TTextViewer*>(), nullptr);

    const QPoint item = form->AttachmentList->visualItemRect(form->AttachmentList->item(0)).center();
    // A double click begins with a click, which selects the item.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, item);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, item);
    auto* viewer = form->findChild<TTextViewer*>();
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_FALSE(viewer->isModal());
    EXPECT_EQ(viewer->FileName(), Attachment);
    EXPECT_EQ(viewer->windowTitle(), "Job 7.pxf");
    EXPECT_TRUE(viewer->Text()->isReadOnly());
    EXPECT_EQ(viewer->Text()->toPlainText(), "<project>\n  <body/>\n</project>\n");
    viewer->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(form->findChild<TTextViewer*>(), nullptr);

    // A file that is gone is reported.
    form->AttachmentList->setCurrentRow(1);
    form->AttachmentListDblClick();
    EXPECT_EQ(form->findChild<TTextViewer*>(), nullptr);
    ASSERT_EQ(Messages.Errors.size(), 1);
    EXPECT_TRUE(Messages.Errors[0].contains("gone.pdf"));
    EXPECT_TRUE(Transport.Sent.empty());
}

TEST_F(EmailForm, EnterAndArrowsMoveBetweenEdits)
{
    auto form = NewForm();
    ShowAndActivate(*form);
    struct Case {
        QWidget* from;
        Qt::Key key;
        QWidget* to;
    };
    const std::vector<Case> cases{
        {form->RecipientsEd, Qt::Key_Return, form->SubjectEd},
        {form->RecipientsEd, Qt::Key_Down, form->SubjectEd},
        {form->SubjectEd, Qt::Key_Up, form->RecipientsEd},
        {form->SubjectEd, Qt::Key_Enter, form->BodyEd},
        {form->FromAddressEd, Qt::Key_Down, form->FromCompanyEd},
        {form->FromCompanyEd, Qt::Key_Return, form->FromNameEd},
        {form->FromNameEd, Qt::Key_Up, form->FromCompanyEd},
        // The memo keeps its keys.
        {form->BodyEd, Qt::Key_Return, form->BodyEd},
        {form->BodyEd, Qt::Key_Up, form->BodyEd},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.from->objectName().toStdString() + " " + std::to_string(c.key));
        c.from->setFocus();
        QTest::keyClick(QApplication::focusWidget(), c.key);
        EXPECT_EQ(QApplication::focusWidget(), c.to);
    }
    EXPECT_EQ(form->BodyEd->toPlainText(), "\n");
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(Transport.Sent.empty());
}
