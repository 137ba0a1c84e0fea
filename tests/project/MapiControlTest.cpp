#include "MapiControl.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

namespace {

// Counts the signals of one send.
struct TSignalCounts {
    explicit TSignalCounts(TMapiControl& mapi)
        : Success(&mapi, &TMapiControl::OnSuccess), Abort(&mapi, &TMapiControl::OnUserAbort),
          Error(&mapi, &TMapiControl::OnMapiError)
    {
    }
    QSignalSpy Success;
    QSignalSpy Abort;
    QSignalSpy Error;
};

QString WriteScript(const TTempFolder& dir, const QString& name, const QByteArray& body)
{
    const QString path = dir.Write(name, QByteArray("#!/bin/sh\n") + body);
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner | QFileDevice::ExeUser);
    return path;
}

} // namespace

TEST(MapiControl, RecipientsInClassOrderWithSmtpAddresses)
{
    TMapiControl mapi;
    mapi.SetRecipients({"a", "b"});
    mapi.SetCopyTo({"c"});
    mapi.SetFromName("Ann,Acme");
    mapi.SetFromAdress("ann@acme.example");
    const TMapiMessage m = mapi.BuildMessage();
    const std::vector<TMapiRecipDesc> expected{
        {MAPI_TO, "a", "SMTP:a"}, {MAPI_TO, "b", "SMTP:b"}, {MAPI_CC, "c", "SMTP:c"}};
    EXPECT_EQ(m.Recips, expected);
    EXPECT_EQ(m.Originator, (TMapiRecipDesc{MAPI_ORIG, "Ann,Acme", "ann@acme.example"}));
    EXPECT_EQ(m.SendFlags, 0u);

    mapi.SetBlindCopyTo({"d"});
    mapi.SetShowDialog(true);
    const TMapiMessage withBcc = mapi.BuildMessage();
    ASSERT_EQ(withBcc.Recips.size(), 4u);
    EXPECT_EQ(withBcc.Recips[3], (TMapiRecipDesc{MAPI_BCC, "d", "SMTP:d"}));
    EXPECT_EQ(withBcc.SendFlags, 11u);
}

TEST(MapiControl, AttachmentsKeepPathAndShowFileName)
{
    TRecordingMailTransport transport;
    TScopedMailTransport scope(transport);
    TMapiControl mapi;
    mapi.SetAttachedFiles({"/home/u/p/job 1.pxf", "C:\\docs\\old.pdf"});
    mapi.Sendmail();
    ASSERT_EQ(transport.Sent.size(), 1u);
    const std::vector<TMapiFileDesc> expected{{0, 0, -1, "/home/u/p/job 1.pxf", "job 1.pxf"},
                                              {0, 0, -1, "C:\\docs\\old.pdf", "old.pdf"}};
    EXPECT_EQ(transport.Sent[0].Files, expected);
    EXPECT_EQ(mapi.DisplayFileName(), QStringList({"job 1.pxf", "old.pdf"}));

    // A send without attachments keeps the names of the last one.
    mapi.SetAttachedFiles({});
    mapi.Sendmail();
    EXPECT_TRUE(transport.Sent[1].Files.empty());
    EXPECT_EQ(mapi.DisplayFileName().size(), 2);
}

TEST(MapiControl, NoRecipientsWithDialogStillSends)
{
    TRecordingMailTransport transport;
    TScopedMailTransport scope(transport);
    TMapiControl mapi;
    mapi.SetShowDialog(true);
    mapi.SetSubject("pdf attached");
    mapi.Sendmail();
    ASSERT_EQ(transport.Sent.size(), 1u);
    EXPECT_TRUE(transport.Sent[0].Recips.empty());
    EXPECT_EQ(transport.Sent[0].Subject, "pdf attached");
    EXPECT_EQ(transport.Sent[0].SendFlags, MAPI_LOGON_UI | MAPI_NEW_SESSION | MAPI_DIALOG);
}

// A recipient is an address and nothing more: whatever could reach the mail
// program's arguments or its mailto URL is refused by name, and nothing is
// handed over.
TEST(MapiControl, RecipientsThatAreNoPlainAddressAreRefused)
{
    struct Case {
        const char* label;
        QString to, cc, bcc;
        bool plain;
    };
    const std::vector<Case> cases{
        {"plain", "sales@maker.example", "o'brien+q@x.example", "a_b@sub.maker-b.example", true},
        {"labels led by digits", "info@163.com", "sales@3m.com", "someone@mail.1and1.de", true},
        // Whether it is an address is for the mail program's dialog to show.
        {"no dot", "sales@maker", "", "", true},
        {"mailto URL", "mailto:sales@maker.example?attach=/etc/passwd", "", "", false},
        {"query in the local part", "sales?attach=x@maker.example", "", "", false},
        {"second field", "", "a@x.example&bcc=spy@y.example", "", false},
        {"escaped", "", "", "sales%3Fattach=x@maker.example", false},
        {"fragment", "a#b@x.example", "", "", false},
        {"line break", "a@x.example\r\nbcc: spy@y.example", "", "", false},
        {"quoted line feed", "\"a\nb\"@x.example", "", "", false},
        {"option", "-x@maker.example", "", "", false},
        {"name", "", "Sales Desk", "", false},
        {"tab", "a@x.example\tb@y.example", "", "", false},
        {"no-break space", QString::fromUtf8("a@x.example\u00a0b@y.example"), "", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TRecordingMailTransport transport;
        TScopedMailTransport scope(transport);
        TMapiControl mapi;
        TSignalCounts counts(mapi);
        const auto list = [](const QString& entry) { return entry.isEmpty() ? QStringList() : QStringList{entry}; };
        mapi.SetRecipients(list(c.to));
        mapi.SetCopyTo(list(c.cc));
        mapi.SetBlindCopyTo(list(c.bcc));
        mapi.Sendmail();
        QStringList args;
        QString error;
        const int code = XdgEmailArguments(mapi.BuildMessage(), args, error);
        if (c.plain) {
            EXPECT_EQ(counts.Success.count(), 1);
            EXPECT_EQ(transport.Sent.size(), 1u);
            EXPECT_EQ(code, SUCCESS_SUCCESS);
            continue;
        }
        const QString refused = "Invalid recipient: " + c.to + c.cc + c.bcc;
        ASSERT_EQ(counts.Error.count(), 1);
        EXPECT_EQ(counts.Error[0][0].toInt(), MAPI_E_INVALID_RECIPS);
        EXPECT_EQ(mapi.ErrorText(), refused);
        EXPECT_TRUE(transport.Sent.empty());
        // The transport refuses it as well when handed one directly.
        EXPECT_EQ(code, MAPI_E_INVALID_RECIPS);
        EXPECT_EQ(error, refused);
        EXPECT_TRUE(args.isEmpty());
    }
}

TEST(MapiControl, ExactlyOneSignalPerResult)
{
    struct Case {
        int result;
        int success, abort, error;
    };
    for (const Case c : {Case{0, 1, 0, 0}, Case{1, 0, 1, 0}, Case{2, 0, 0, 1}, Case{26, 0, 0, 1}}) {
        SCOPED_TRACE(c.result);
        TRecordingMailTransport transport;
        transport.Result = c.result;
        TScopedMailTransport scope(transport);
        TMapiControl mapi;
        TSignalCounts counts(mapi);
        mapi.Sendmail();
        EXPECT_EQ(counts.Success.count(), c.success);
        EXPECT_EQ(counts.Abort.count(), c.abort);
        ASSERT_EQ(counts.Error.count(), c.error);
        if (c.error) {
            EXPECT_EQ(counts.Error[0][0].toInt(), c.result);
            EXPECT_EQ(mapi.ErrorText(), MapiErrorText(c.result));
        } else {
            EXPECT_TRUE(mapi.ErrorText().isEmpty());
        }
    }
}

TEST(XdgEmail, ArgumentListInFixedOrder)
{
    TTempFolder dir;
    const QString file = dir.Write("job 1.pxf", QByteArray("x"));
    TMapiControl mapi;
    mapi.SetSubject("Enquiry");
    mapi.SetBody("Hello\r\n\r\nAnn\rLee");
    mapi.SetRecipients({"a@x.example", "b@x.example"});
    mapi.SetCopyTo({"c@x.example"});
    mapi.SetBlindCopyTo({"d@x.example"});
    mapi.SetAttachedFiles({file});
    QStringList args;
    QString error;
    ASSERT_EQ(XdgEmailArguments(mapi.BuildMessage(), args, error), SUCCESS_SUCCESS) << error.toStdString();
    const QStringList expected{"--utf8", "--subject",   "Enquiry",    "--body",      "Hello\n\nAnn\nLee",
                               "--cc",   "c@x.example", "--bcc",      "d@x.example", "--attach",
                               file,     "a@x.example", "b@x.example"};
    EXPECT_EQ(args, expected);

    TMapiControl bare;
    ASSERT_EQ(XdgEmailArguments(bare.BuildMessage(), args, error), SUCCESS_SUCCESS);
    EXPECT_EQ(args, QStringList{"--utf8"});
}

TEST(XdgEmail, RefusesOptionLikeEntriesAndMissingAttachments)
{
    TTempFolder dir;
    struct Case {
        const char* label;
        QStringList to, cc, files;
        int code;
    };
    const QString missing = dir.File("gone.pdf");
    const QString folder = dir.Path();
    const std::vector<Case> cases{
        {"recipient", {"-x"}, {}, {}, MAPI_E_INVALID_RECIPS},
        {"copy", {}, {"--help"}, {}, MAPI_E_INVALID_RECIPS},
        {"empty entry", {"a@x.example", ""}, {}, {}, MAPI_E_INVALID_RECIPS},
        {"attachment", {}, {}, {"-x"}, MAPI_E_ATTACHMENT_OPEN_FAILURE},
        {"missing file", {}, {}, {missing}, MAPI_E_ATTACHMENT_NOT_FOUND},
        {"folder", {}, {}, {folder}, MAPI_E_ATTACHMENT_NOT_FOUND},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TMapiControl mapi;
        mapi.SetRecipients(c.to);
        mapi.SetCopyTo(c.cc);
        mapi.SetAttachedFiles(c.files);
        QStringList args{"stale"};
        QString error;
        EXPECT_EQ(XdgEmailArguments(mapi.BuildMessage(), args, error), c.code);
        EXPECT_TRUE(args.isEmpty());
        EXPECT_FALSE(error.isEmpty());
    }
}

TEST(XdgEmail, RefusedMessageNeverStartsTheProgram)
{
    TTempFolder dir;
    const QString marker = dir.File("started");
    const QString program = WriteScript(dir, "mail", "touch '" + marker.toUtf8() + "'\n");
    TXdgEmailTransport transport(program, 5000);
    TScopedMailTransport scope(transport);
    TMapiControl mapi;
    TSignalCounts counts(mapi);
    mapi.SetRecipients({"-x"});
    mapi.Sendmail();
    EXPECT_EQ(counts.Error.count(), 1);
    EXPECT_EQ(counts.Error[0][0].toInt(), MAPI_E_INVALID_RECIPS);
    EXPECT_FALSE(QFileInfo::exists(marker));
}

TEST(XdgEmail, ExitCodesMapToResults)
{
    TTempFolder dir;
    struct Case {
        const char* script;
        int code;
    };
    for (const Case c :
         {Case{"exit 0", SUCCESS_SUCCESS}, Case{"exit 1", MAPI_E_FAILURE}, Case{"exit 2", MAPI_E_ATTACHMENT_NOT_FOUND},
          Case{"exit 3", MAPI_E_NOT_SUPPORTED}, Case{"exit 4", MAPI_E_FAILURE},
          Case{"exit 5", MAPI_E_ATTACHMENT_OPEN_FAILURE}, Case{"kill -9 $$", MAPI_E_FAILURE}}) {
        SCOPED_TRACE(c.script);
        const QString program = WriteScript(dir, "mail", QByteArray(c.script) + "\n");
        TXdgEmailTransport transport(program, 10000);
        EXPECT_EQ(transport.SendMail(TMapiMessage{}).Code, c.code);
    }
}

TEST(XdgEmail, MissingMailProgramIsAnError)
{
    TTempFolder dir;
    TXdgEmailTransport transport(dir.File("no-such-program"), 5000);
    TScopedMailTransport scope(transport);
    TMapiControl mapi;
    TSignalCounts counts(mapi);
    mapi.Sendmail();
    EXPECT_EQ(counts.Abort.count(), 0);
    ASSERT_EQ(counts.Error.count(), 1);
    EXPECT_EQ(counts.Error[0][0].toInt(), MAPI_E_NOT_SUPPORTED);
    EXPECT_EQ(mapi.ErrorText(), "No e-mail program available");
}

TEST(XdgEmail, ArgumentsArriveUnchanged)
{
    TTempFolder dir;
    const QString out = dir.File("args");
    const QString program =
        WriteScript(dir, "mail", "for a in \"$@\"; do printf '%s|' \"$a\"; done > '" + out.toUtf8() + "'\n");
    TXdgEmailTransport transport(program, 10000);
    TScopedMailTransport scope(transport);
    TMapiControl mapi;
    mapi.SetSubject("Quote; rm -rf $HOME");
    mapi.SetBody("Line 1\nLine \"2\"");
    mapi.SetRecipients({"o'brien$x@x.example"});
    mapi.Sendmail();
    EXPECT_EQ(QString::fromUtf8(ReadFileBytes(out)),
              "--utf8|--subject|Quote; rm -rf $HOME|--body|Line 1\nLine \"2\"|o'brien$x@x.example|");
}

TEST(XdgEmail, SlowMailProgramIsLeftRunning)
{
    TTempFolder dir;
    const QString marker = dir.File("finished");
    const QString program = WriteScript(dir, "mail", "sleep 1\ntouch '" + marker.toUtf8() + "'\n");
    TXdgEmailTransport transport(program, 100);
    const TMailResult result = transport.SendMail(TMapiMessage{});
    EXPECT_EQ(result.Code, SUCCESS_SUCCESS);
    EXPECT_FALSE(QFileInfo::exists(marker));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(marker); }, 10000));
}
