#include "TestUtil.h"
#include "TxPlatform.h"
#include "TxShell.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <vector>

namespace {

struct ExecCase {
    const char* exec;
    const char* program;
    QStringList args;
};

class DesktopExec : public ::testing::TestWithParam<ExecCase> {};

TEST_P(DesktopExec, PutsTheWholeUrlInOneArgument)
{
    const ExecCase& c = GetParam();
    const TCommandLine cmd =
        ExpandDesktopExec(QString::fromUtf8(c.exec), "file:///p/a%20b.htm#x", "web", "Browser", "/apps/web.desktop");
    EXPECT_EQ(cmd.Program, c.program) << c.exec;
    EXPECT_EQ(cmd.Arguments, c.args) << c.exec;
}

INSTANTIATE_TEST_SUITE_P(
    FieldCodes, DesktopExec,
    ::testing::Values(
        ExecCase{"firefox %u", "firefox", {"file:///p/a%20b.htm#x"}},
        ExecCase{"/usr/bin/browser --new-window %U", "/usr/bin/browser", {"--new-window", "file:///p/a%20b.htm#x"}},
        ExecCase{"viewer %F %u", "viewer", {"file:///p/a%20b.htm#x"}},
        ExecCase{"plain", "plain", {"file:///p/a%20b.htm#x"}},
        ExecCase{"\"/opt/My Browser/run\" --url=%u", "/opt/My Browser/run", {"--url=file:///p/a%20b.htm#x"}},
        ExecCase{"b \"quoted %u\" %u", "b", {"quoted %u", "file:///p/a%20b.htm#x"}},
        ExecCase{"b \"a\\\"q\" %u", "b", {"a\"q", "file:///p/a%20b.htm#x"}},
        ExecCase{"b %i %c %k %d %% %u",
                 "b",
                 {"--icon", "web", "Browser", "/apps/web.desktop", "%", "file:///p/a%20b.htm#x"}},
        ExecCase{"b  \t %u  ", "b", {"file:///p/a%20b.htm#x"}}, ExecCase{"b \"open", "", {}}, ExecCase{"", "", {}},
        ExecCase{"%u", "", {}}));

TEST(DocumentUrl, AbsoluteFileUrlWithTheAnchorAlwaysAfterAHash)
{
    TTempFolder dir;
    const QString page = dir.Write("cat alog/index.htm", QByteArray("x"));
    const QString url = DocumentUrlWithAnchor(dir.Path() + "/cat alog/../cat alog/index.htm", "noise_control");
    EXPECT_EQ(url, QUrl::fromLocalFile(page).toString(QUrl::FullyEncoded) + "#noise_control");
    EXPECT_TRUE(url.startsWith("file:///"));
    EXPECT_TRUE(url.contains("cat%20alog/index.htm#noise_control"));
    EXPECT_TRUE(DocumentUrlWithAnchor(page, "").endsWith("index.htm#"));
}

TEST(DesktopExecWithoutDocument, LeavesTheFileCodesOut)
{
    for (const char* exec : {"viewer --tab %u", "viewer --tab", "\"viewer\" --tab %F"}) {
        const TCommandLine cmd = ExpandDesktopExec(QString::fromUtf8(exec), QString());
        EXPECT_EQ(cmd.Program, "viewer") << exec;
        EXPECT_EQ(cmd.Arguments, QStringList({"--tab"})) << exec;
    }
}

class ShellOpener : public ::testing::Test {
protected:
    void SetUp() override
    {
        Dir.Write(
            "home/applications/web-browser.desktop",
            QByteArray("[Desktop Action new]\nExec=wrong %u\n[Desktop Entry]\nName=Web\nExec=/bin/web\\s--tab %u\n"));
        Dir.Write("sys/applications/kde/viewer.desktop", QByteArray("[Desktop Entry]\nExec=kview %U\n"));
    }
    TShellDocumentOpener Opener(const QString& id)
    {
        return TShellDocumentOpener([id] { return id; }, {Dir.File("home"), Dir.File("sys")},
                                    [this](const TCommandLine& c, const std::function<void()>&) {
                                        Started.push_back(c);
                                        return true;
                                    });
    }
    TTempFolder Dir;
    std::vector<TCommandLine> Started;
};

TEST_F(ShellOpener, StartsTheHtmlHandlerWithThePageAndAnchor)
{
    auto opener = Opener("web-browser.desktop");
    const QString page = Dir.Write("catalog/index.htm", QByteArray("x"));
    EXPECT_TRUE(opener.OpenDocumentAtAnchor(page, "noise_control"));
    ASSERT_EQ(Started.size(), 1u);
    EXPECT_EQ(Started[0].Program, "/bin/web");
    EXPECT_EQ(Started[0].Arguments,
              QStringList({"--tab", QUrl::fromLocalFile(page).toString(QUrl::FullyEncoded) + "#noise_control"}));
}

TEST_F(ShellOpener, FindsVendorPrefixedIdsInSubFolders)
{
    auto opener = Opener("kde-viewer.desktop");
    EXPECT_TRUE(opener.OpenDocumentAtAnchor(Dir.File("p.htm"), ""));
    ASSERT_EQ(Started.size(), 1u);
    EXPECT_EQ(Started[0].Program, "kview");
    EXPECT_TRUE(Started[0].Arguments.value(0).endsWith("/p.htm#"));
}

// Without a handler that starts, the page still opens, without its anchor.
TEST_F(ShellOpener, NoHandlerOpensThePageThroughXdgOpen)
{
    Dir.Write("home/applications/noexec.desktop", QByteArray("[Desktop Entry]\nName=x\n"));
    const QString page = Dir.Write("p.htm", QByteArray("x"));
    for (const char* id : {"", "missing.desktop", "../web-browser.desktop", "noexec.desktop"}) {
        Started.clear();
        EXPECT_TRUE(Opener(id).OpenDocumentAtAnchor(page, "a")) << id;
        ASSERT_EQ(Started.size(), 1u) << id;
        EXPECT_EQ(Started[0].Program, "xdg-open");
        EXPECT_EQ(Started[0].Arguments, QStringList{page});
    }
}

TEST_F(ShellOpener, AFailedStartFallsBackAndThenFails)
{
    QStringList tried;
    TShellDocumentOpener opener([] { return QStringLiteral("web-browser.desktop"); }, {Dir.File("home")},
                                [&](const TCommandLine& c, const std::function<void()>&) {
                                    tried << c.Program;
                                    return c.Program == "xdg-open" && tried.size() < 3;
                                });
    EXPECT_TRUE(opener.OpenDocumentAtAnchor(Dir.File("p.htm"), "a"));
    EXPECT_FALSE(opener.OpenDocumentAtAnchor(Dir.File("p.htm"), "a"));
    EXPECT_EQ(tried, QStringList({"/bin/web", "xdg-open", "/bin/web", "xdg-open"}));
}

// Handlers that cannot open the document: the report comes when they end.
TEST_F(ShellOpener, AHandlerEndingWithAnErrorIsReported)
{
    const QString failing = Dir.Write("bin/xdg-open", QByteArray("#!/bin/sh\nexit 4\n"));
    QFile::setPermissions(failing, QFile::permissions(failing) | QFile::ExeOwner);
    Dir.Write("home/applications/failing.desktop", QByteArray("[Desktop Entry]\nExec=" + failing.toUtf8() + " %u\n"));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(Dir.File("bin")) + ":" + path);
    TRecordingMessageService messages;
    TScopedMessageService scope(messages);
    TShellDocumentOpener opener([] { return QStringLiteral("failing.desktop"); }, {Dir.File("home")}, StartHandler);
    const QString page = Dir.Write("catalog/index.htm", QByteArray("x"));
    EXPECT_TRUE(opener.OpenDocumentAtAnchor(page, "noise_control"));
    EXPECT_TRUE(opener.OpenDocument(Dir.File("quote.htm")));
    // The page is reported once: after its handler, xdg-open failed too.
    const bool reported = QTest::qWaitFor(
        [&] {
            return messages.Errors.size() == 2 && QCoreApplication::instance()->findChildren<QProcess*>().isEmpty();
        },
        20000);
    qputenv("PATH", path);
    ASSERT_TRUE(reported) << messages.Errors.join("|").toStdString();
    messages.Errors.sort();
    EXPECT_EQ(messages.Errors, QStringList({"Could not open " + page, "Could not open " + Dir.File("quote.htm")}));

    // A handler that opens its document is not reported; one that is not
    // there is.
    bool opened = false, missing = false;
    EXPECT_TRUE(StartHandler({"/bin/sh", {"-c", "exit 0"}}, [&] { opened = true; }));
    EXPECT_TRUE(StartHandler({Dir.File("bin/no-such-handler"), {}}, [&] { missing = true; }));
    ASSERT_TRUE(
        QTest::qWaitFor([] { return QCoreApplication::instance()->findChildren<QProcess*>().isEmpty(); }, 20000));
    EXPECT_FALSE(opened);
    EXPECT_TRUE(missing);
}

TEST(OpenAtAnchor, GoesThroughTheInstalledOpener)
{
    TRecordingDocumentOpener recorder;
    TScopedDocumentOpener scope(recorder);
    EXPECT_TRUE(OpenDocumentAtAnchor("/p/index.htm", "noise_control"));
    recorder.Result = false;
    EXPECT_FALSE(OpenDocumentAtAnchor("/p/a.htm", ""));
    EXPECT_EQ(recorder.Opened, QStringList({"/p/index.htm#noise_control", "/p/a.htm#"}));
}

} // namespace
