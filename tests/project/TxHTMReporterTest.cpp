#include "TxHTMReporter.h"

#include "TxApplicationPath.h"
#include "TxErrors.h"
#include "TxPlatform.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <QFileInfo>

#include <functional>

namespace {

struct TWriterCase {
    const char* label;
    std::function<void(THTMWriter&)> write;
    QStringList lines;
};

QStringList HeadLines(const QString& title = QStringLiteral("Report"))
{
    return {"<html>", "<head>", "<meta charset=\"utf-8\">", "<title>" + title + "</title>"};
}

} // namespace

TEST(HTMWriter, TagTexts)
{
    EXPECT_EQ(THTMWriter::OpenTag("p"), "<p>");
    EXPECT_EQ(THTMWriter::OpenTag("p", "class=\"x\""), "<p class=\"x\">");
    EXPECT_EQ(THTMWriter::CloseTag("p"), "</p>");
    EXPECT_EQ(THTMWriter::TableTag("width=\"95%\""), "<table width=\"95%\">");
    EXPECT_EQ(THTMWriter::TableEndTag(), "</table>");
    EXPECT_EQ(THTMWriter::HtmlTag() + THTMWriter::HeadTag() + THTMWriter::BodyTag() + THTMWriter::ParagraphTag() +
                  THTMWriter::DivTag(),
              "<html><head><body><p><div>");
    EXPECT_EQ(THTMWriter::HtmlEndTag() + THTMWriter::HeadEndTag() + THTMWriter::BodyEndTag() +
                  THTMWriter::ParagraphEndTag() + THTMWriter::DivEndTag(),
              "</html></head></body></p></div>");
    EXPECT_EQ(THTMWriter::ImageTag("logo.gif"), "<img src=\"logo.gif\" >");
    EXPECT_EQ(THTMWriter::ImageTag("logo.gif", "border=\"0\""), "<img src=\"logo.gif\" border=\"0\">");
}

TEST(HTMWriter, EachOperationAppendsItsLines)
{
    const std::vector<TWriterCase> cases{
        {"begin/end",
         [](THTMWriter& w) {
             w.BeginHtml();
             w.BeginHead();
             w.EndHead();
             w.BeginBody("class=\"b\"");
             w.BeginParagraph();
             w.EndParagraph();
             w.BeginDiv();
             w.EndDiv();
             w.BeginTable("border=\"1\"");
             w.EndTable();
             w.EndBody();
             w.EndHtml();
         },
         {"<html>", "<head>", "</head>", "<body class=\"b\">", "<p>", "</p>", "<div>", "</div>", "<table border=\"1\">",
          "</table>", "</body>", "</html>"}},
        {"tag", [](THTMWriter& w) { w.WriteTag("col", "span=\"2\""); }, {"<col span=\"2\">"}},
        {"title", [](THTMWriter& w) { w.WriteTitle("Project.htm"); }, {"<title>Project.htm</title>"}},
        {"heading",
         [](THTMWriter& w) {
             w.WriteHeading("Quote", 2, "class=\"a\"");
             w.WriteHeading("", 1);
         },
         {"<h2 class=\"a\">Quote</h2>", "<h1></h1>"}},
        {"image", [](THTMWriter& w) { w.WriteImage("logo.gif"); }, {"<img src=\"logo.gif\" >"}},
        {"paragraph", [](THTMWriter& w) { w.WriteParagraph("x", "class=\"n\""); }, {"<p class=\"n\">x</p>"}},
        {"no lines", [](THTMWriter& w) { w.WriteLines({}, ""); }, {"<p>", "</p>"}},
        {"lines",
         [](THTMWriter& w) {
             w.WriteLines({"a", "b"}, "class=\"letterhead\"");
         },
         {"<p class=\"letterhead\">", "a<br>", "b<br>", "</p>"}},
        {"line", [](THTMWriter& w) { w.WriteLine("x"); }, {"x<br>"}},
        {"style links",
         [](THTMWriter& w) {
             w.WriteStyleLink("style.css");
             w.WriteStyleLink("print.css", "media=\"print\"");
         },
         {"<link rel=\"stylesheet\" type=\"text/css\"  href=\"style.css\">",
          "<link rel=\"stylesheet\" type=\"text/css\" media=\"print\" href=\"print.css\">"}},
        {"breaks",
         [](THTMWriter& w) {
             w.WriteBreak();
             w.NewLine();
             w.WriteClearBreak();
             w.ClearFloats();
         },
         {"<br>", "<br>", "<br clear=\"all\">", "<br clear=\"all\">"}},
        {"rules",
         [](THTMWriter& w) {
             w.WriteRule();
             w.WriteRule("class=\"header\"");
         },
         {"<hr>", "<hr class=\"header\">"}},
        {"spacer", [](THTMWriter& w) { w.WriteSpacer(); }, {"<p>&nbsp;</p>"}},
        {"row with one cell attribute",
         [](THTMWriter& w) {
             w.WriteRow({"a", "b", "c"}, {"class=\"col1\""});
         },
         {"<tr><td class=\"col1\">a</td><td>b</td><td>c</td></tr>"}},
        {"empty row", [](THTMWriter& w) { w.WriteRow({}, {}); }, {"<tr></tr>"}},
        {"header row",
         [](THTMWriter& w) {
             w.WriteHeaderRow({"x", "y"}, {"", "align=\"right\""}, "class=\"h\"");
         },
         {"<tr class=\"h\"><th>x</th><th align=\"right\">y</th></tr>"}},
    };
    for (const TWriterCase& c : cases) {
        SCOPED_TRACE(c.label);
        QStringList lines{"kept"};
        THTMWriter w(lines);
        c.write(w);
        EXPECT_EQ(lines, QStringList{"kept"} + c.lines);
        // What the lines written take saved, each with CR LF.
        EXPECT_EQ(w.Bytes(), c.lines.isEmpty() ? 0 : (c.lines.join("\r\n") + "\r\n").toUtf8().size());
    }
    // A row takes its frame and its cells.
    EXPECT_EQ(THTMWriter::RowFrameBytes() + THTMWriter::CellBytes("a", "class=\"col1\"") + THTMWriter::CellBytes("b") +
                  THTMWriter::CellBytes("c"),
              THTMWriter::LineBytes("<tr><td class=\"col1\">a</td><td>b</td><td>c</td></tr>"));
    QStringList lines{"a"};
    THTMWriter writer(lines);
    writer.WriteBreak();
    writer.Clear();
    EXPECT_TRUE(lines.isEmpty());
    EXPECT_EQ(writer.Bytes(), 0);
}

TEST(HTMWriter, ALineBeyondTheBoundIsRefused)
{
    QStringList lines;
    THTMWriter w(lines);
    w.SetMaxBytes(2 * THTMWriter::LineBytes("<p>\u20AC</p>"), "Too large.");
    w.WriteParagraph("\u20AC");
    w.WriteParagraph("\u20AC");
    EXPECT_EQ(FailureOf<EInOutError>([&] { w.WriteBreak(); }), "Too large.");
    EXPECT_EQ(lines.size(), 2);
    EXPECT_EQ(w.Bytes(), 2 * 12);
    w.SetMaxBytes(-1, QString());
    w.WriteBreak();
    EXPECT_EQ(lines.size(), 3);
}

TEST(HTMWriter, EscapesOutsideTexts)
{
    EXPECT_EQ(HtmlEscape("A&B <x>"), "A&amp;B &lt;x&gt;");
    EXPECT_EQ(HtmlEscape("12\" duct"), "12&quot; duct");
    EXPECT_EQ(HtmlEscape("Müller's"), "Müller's");
    QStringList lines;
    THTMWriter(lines).WriteParagraph(HtmlEscape("A&B <x>"));
    EXPECT_EQ(lines, QStringList{"<p>A&amp;B &lt;x&gt;</p>"});
}

TEST(HTMReporter, ValuesAfterConstruction)
{
    THTMReporter r("/opt/voz/program/", "/opt/maker/Common Files/");
    EXPECT_EQ(r.Title(), "Report");
    EXPECT_EQ(r.Heading(), "");
    EXPECT_FALSE(r.LogoLeft());
    EXPECT_FALSE(r.LogoWithLetterhead());
    EXPECT_EQ(r.FileName(), "/opt/voz/program/Report/Report.htm");
    EXPECT_EQ(r.LetterheadFile(), "LetterHead.txt");
    EXPECT_EQ(r.LogoFile(), "ReportLogo.gif");
    EXPECT_TRUE(r.Lines().isEmpty());

    const QString savedExe = ExeDir;
    ExeDir = "/usr/lib/voz/";
    EXPECT_EQ(THTMReporter().FileName(), "/usr/lib/voz/Report/Report.htm");
    ExeDir = savedExe;

    r.SetReportFileName("/home/u/Documents/Project.htm", false);
    EXPECT_EQ(r.Title(), "Report");
    r.SetReportFileName("/home/u/Documents/Project.htm", true);
    EXPECT_EQ(r.FileName(), "/home/u/Documents/Project.htm");
    EXPECT_EQ(r.Title(), "Project.htm");
    r.SetReportFileName("C:\\Reports\\Schedule.htm", true);
    EXPECT_EQ(r.Title(), "Schedule.htm");

    r.BeginKeepTogether();
    r.BeginKeepTogether("id=\"p1\"");
    r.EndSection();
    EXPECT_EQ(r.Lines(), QStringList({"<div class=\"keeptogether\" >", "<div class=\"keeptogether\" id=\"p1\">",
                                      "</div>", "<br clear=\"all\">", "<p>&nbsp;</p>"}));
}

TEST(HTMReporter, BeginDocumentStyleBranches)
{
    TTempFolder dir;
    const QString emptyStyle = dir.Write("empty.css", QByteArray());
    const QString style = dir.Write("style.css", QByteArray("body { color: red }\r\np > b { x: \"\xC3\xBC\" }\r\n"));
    const QStringList links{"<link rel=\"stylesheet\" type=\"text/css\"  href=\"style.css\">",
                            "<link rel=\"stylesheet\" type=\"text/css\" media=\"print\" href=\"print.css\">"};
    const QStringList tail{"</head>", "<body>"};
    struct Case {
        const char* label;
        QString styleFile;
        QStringList rules;
        QStringList middle;
    };
    const std::vector<Case> cases{
        {"empty style file", emptyStyle, {}, {"<style>", "</style>"}},
        {"style file and rules",
         style,
         {"td { a: b }"},
         {"<style>", "body { color: red }", "p > b { x: \"ü\" }", "td { a: b }", "</style>"}},
        {"no style file", "", {}, links},
        {"missing style file",
         dir.File("none.css"),
         {"td { a: b }"},
         links + QStringList{"<style>", "td { a: b }", "</style>"}},
        {"folder as style file", dir.Path(), {}, links},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        THTMReporter r(dir.Path() + "/", dir.Path() + "/maker/");
        r.Lines().append("old");
        r.BeginDocument(false, c.styleFile, c.rules);
        EXPECT_EQ(r.Lines(), HeadLines() + c.middle + tail);
    }
}

TEST(HTMReporter, LetterheadLayouts)
{
    TTempFolder dir;
    const QString letterhead = dir.Write("Letterhead.txt", QByteArray("<b>Acme</b>\r\nM\xFCller Street\r\n"));
    struct Case {
        const char* label;
        bool logoLeft, withLetterhead;
        QStringList lines;
    };
    const std::vector<Case> cases{
        {"logo with letterhead",
         true,
         true,
         {"<div>", "<img src=\"logo.gif\" border=\"0\" align=\"left\">", "<p class=\"letterhead\">", "<b>Acme</b><br>",
          "Müller Street<br>", "</p>", "</div>", "<br clear=\"all\">", "<h1>Quote</h1>"}},
        {"heading block",
         false,
         false,
         {"<div class=\"heading\">", "<img src=\"logo.gif\" border=\"0\" align=\"right\">", "<h1>Quote</h1>", "</div>",
          "<br clear=\"all\">", "<div>", "<p class=\"letterhead\" align=\"right\">", "<b>Acme</b><br>",
          "Müller Street<br>", "</p>", "</div>", "<br clear=\"all\">"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        THTMReporter r(dir.Path() + "/", dir.Path() + "/maker/");
        r.SetupHeader("Quote", letterhead, "logo.gif", c.logoLeft, c.withLetterhead);
        r.WriteLetterhead();
        EXPECT_EQ(r.Lines(), c.lines);
    }

    THTMReporter r(dir.Path() + "/", dir.Path() + "/maker/");
    r.SetupHeader("", letterhead, "logo.gif", true, true);
    r.BeginDocument(true, "", {});
    ASSERT_GE(r.Lines().size(), 2);
    EXPECT_EQ(r.Lines().mid(r.Lines().size() - 2), QStringList({"<h1></h1>", "<hr class=\"header\">"}));
}

TEST(HTMReporter, LetterheadFallsBackToMakersFolder)
{
    TTempFolder dir;
    const QString maker = dir.Path() + "/maker/";
    THTMReporter none(dir.Path() + "/", maker);
    none.SetupHeader("", dir.File("user/Letterhead.txt"), "logo.gif", true, true);
    none.WriteLetterhead();
    EXPECT_EQ(none.LetterheadFile(), maker + "letterhead.txt");
    EXPECT_EQ(none.Lines(), QStringList({"<div>", "<img src=\"logo.gif\" border=\"0\" align=\"left\">", "</div>",
                                         "<br clear=\"all\">", "<h1></h1>"}));

    dir.Write("maker/Letterhead.txt", QByteArray("Maker Ltd"));
    THTMReporter r(dir.Path() + "/", maker);
    r.SetupHeader("", dir.File("user/Letterhead.txt"), "logo.gif", true, true);
    r.WriteLetterhead();
    EXPECT_TRUE(r.Lines().contains("Maker Ltd<br>"));
    // Later pages go straight to the maker's file even once the user's exists.
    dir.Write("user/Letterhead.txt", QByteArray("Own Ltd"));
    r.WriteLetterhead();
    EXPECT_EQ(r.Lines().count("Maker Ltd<br>"), 2);
    EXPECT_EQ(r.LetterheadFile(), maker + "Letterhead.txt");
}

TEST(HTMReporter, SaveWritesUtf8WithCrLf)
{
    TTempFolder dir;
    THTMReporter r(dir.Path() + "/", dir.Path() + "/maker/");
    r.SetReportFileName(dir.File("Project.htm"), true);
    r.BeginDocument(false, "", {});
    r.WriteParagraph(HtmlEscape("A&B <x> Müller \u20AC \U0001F600"));
    r.EndBody();
    r.EndHtml();
    r.SaveReport();
    const QByteArray expected =
        "<html>\r\n<head>\r\n<meta charset=\"utf-8\">\r\n<title>Project.htm</title>\r\n"
        "<link rel=\"stylesheet\" type=\"text/css\"  href=\"style.css\">\r\n"
        "<link rel=\"stylesheet\" type=\"text/css\" media=\"print\" href=\"print.css\">\r\n"
        "</head>\r\n<body>\r\n<p>A&amp;B &lt;x&gt; M\xC3\xBCller \xE2\x82\xAC \xF0\x9F\x98\x80</p>\r\n"
        "</body>\r\n</html>\r\n";
    EXPECT_EQ(ReadFileBytes(dir.File("Project.htm")), expected);
    // Counted as saved, in UTF-8.
    EXPECT_EQ(r.Bytes(), expected.size());
}

TEST(HTMReporter, FailedSaveRaisesAndKeepsNothingHalfWritten)
{
    TTempFolder dir;
    dir.Write("plain", QByteArray("file"));
    THTMReporter r(dir.Path() + "/", dir.Path() + "/maker/");
    r.SetReportFileName(dir.File("plain/Project.htm"), true);
    r.BeginDocument(false, "", {});
    EXPECT_THROW(r.SaveReport(), EInOutError);
    EXPECT_EQ(ReadFileBytes(dir.File("plain")), QByteArray("file"));
}

TEST(HTMReporter, ShowReportOpensTheSavedFile)
{
    TRecordingDocumentOpener opener;
    TScopedDocumentOpener openerScope(opener);
    TRecordingMessageService messages;
    TScopedMessageService messageScope(messages);
    THTMReporter r("/p/", "/m/");
    r.SetReportFileName("/home/u/Documents/Schedule.htm", true);
    r.ShowReport();
    EXPECT_EQ(opener.Opened, QStringList{"/home/u/Documents/Schedule.htm"});
    EXPECT_TRUE(messages.Errors.isEmpty());

    opener.Result = false;
    r.ShowReport();
    EXPECT_EQ(messages.Errors, QStringList{"Could not open /home/u/Documents/Schedule.htm"});
}
