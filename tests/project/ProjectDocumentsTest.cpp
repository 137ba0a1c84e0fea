#include "ProjectDocuments.h"

#include "ProjectClass.h"
#include "TxApplicationPath.h"
#include "TxErrors.h"
#include "TxPlatform.h"
#include "TxVerInfo.h"
#include "UnitsManager.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QLocale>

namespace {

TSpecificationRec Spec(double airflow, double height, const TOctave& atten)
{
    TSpecificationRec s;
    s.airflow = airflow;
    s.maxdP = 150;
    s.height = height;
    s.atten = atten;
    return s;
}

TSelectionRec Sel(const QString& model, const QString& range, uint8_t shape, double widdiam, double height,
                  double length, const TOctave& atten, const TOctave& regen, double dp)
{
    TSelectionRec s;
    s.model = model;
    s.rangedesc = range;
    s.shape = shape;
    s.widdiam = widdiam;
    s.height = height;
    s.length = length;
    s.atten = atten;
    s.regen = regen;
    s.dp = dp;
    return s;
}

void SetItem(TProjectItem& item, const QString& description, int qty, double price, const TAncillArray& ancillaries)
{
    item.Description = description;
    item.Qty = qty;
    item.Price = price;
    item.Ancillaries = ancillaries;
    item.CalcAncillaryTotal();
    item.CalcTotal();
}

// Two silencers, one round and one rectangular, with texts that need escaping.
void FillTwoItemProject(TProject& p)
{
    p.ProjectName = "Clinic <West> & Annex";
    p.Attention = "J. \"Jo\" Smith";
    p.Contractor = "Air & Co";
    p.QuoteNo = "Q-17";
    p.Revision = "B";
    p.Date = QDateTime(QDate(2024, 3, 5), QTime(10, 30));
    p.Notes = QStringList{"Notes: prices < 30 days", "Delivery: 4 weeks"};
    p.VATRate = 0.15;
    p.InsertItem(Spec(1.5, 0, {5, 10, 15, 20, 25, 20, 15, 10}),
                 Sel("CS-450", "Round silencer", 0, 0.45, 0, 0.9, {6, 12, 18, 25, 30, 28, 20, 14},
                     {40, 38, 35, 30, 28, 25, 20, 15}, 85.4),
                 -1);
    p.InsertItem(Spec(0.84, 0.25, {3, 6, 9, 12, 15, 12, 9, 6}),
                 Sel("RS-600x300", "Splitter & bank", 1, 0.6, 0.3, 1.2, {4, 8, 12.5, 16, 20, 18, 12, 8},
                     {45, 42, 38, 33, 30, 27, 22, 18}, 42),
                 -1);
    SetItem(p.Item(0), "AHU 1 <supply>", 2, 1000, {{"Mounting feet", 4, 25, 0}, {"Wire guard", 0, 300, 0}});
    SetItem(p.Item(1), "AHU 2", 1, 1500.4, {{"mounting feet", 2, 30, 0}, {"Cones \"short\"", 1, 120, 0}});
    p.CalcTotals();
}

QString ShortDate(const TProject& p)
{
    return QLocale::system().toString(p.Date.date(), QLocale::ShortFormat);
}

// Head of a document without a style file in its folder.
QStringList HeadLines(const QString& title, const QStringList& rules)
{
    return QStringList{"<html>",
                       "<head>",
                       "<meta charset=\"utf-8\">",
                       "<title>" + title + "</title>",
                       "<link rel=\"stylesheet\" type=\"text/css\"  href=\"style.css\">",
                       "<link rel=\"stylesheet\" type=\"text/css\" media=\"print\" href=\"print.css\">",
                       "<style>"} +
           rules + QStringList{"</style>", "</head>", "<body>"};
}

// Letterhead block without a logo or letterhead file anywhere.
QStringList LetterheadLines()
{
    return {"<div>", "</div>", "<br clear=\"all\">", "<h1></h1>"};
}

QStringList HeaderBlock(const TProject& p, const QString& pageLine)
{
    QStringList lines{"<hr class=\"header\">",
                      "<div class=\"blockleft\">",
                      "<p> Project: <span class=\"headinfo\">Clinic &lt;West&gt; &amp; Annex</span></p>",
                      "<p> Attention: <span class=\"headinfo\">J. &quot;Jo&quot; Smith</span></p>",
                      "<p> Contractor: <span class=\"headinfo\">Air &amp; Co</span></p>",
                      "</div>",
                      "<div class=\"blockright\">",
                      "<p> Date: <span class=\"headinfo\">" + ShortDate(p) + "</span></p>",
                      "<p> Quote No: <span class=\"headinfo\">Q-17</span></p>",
                      "<p> Revision: <span class=\"headinfo\">B</span></p>"};
    if (!pageLine.isEmpty())
        lines.append(pageLine);
    lines += QStringList{"</div>", "<br clear=\"all\">", "<hr class=\"header\">", "<div class=\"keeptogether\" >"};
    return lines;
}

QStringList TailLines()
{
    return {"<p class=\"notes\">",
            "Notes: prices &lt; 30 days<br>",
            "Delivery: 4 weeks<br>",
            "</p>",
            "<br clear=\"all\">",
            "<p class=\"fineprint\">Voz 9.8</p>",
            "</body>",
            "</html>"};
}

QString Row(const QStringList& cells, const QString& rowAttrs = QString())
{
    QString line = rowAttrs.isEmpty() ? QStringLiteral("<tr>") : "<tr " + rowAttrs + ">";
    for (qsizetype i = 0; i < cells.size(); ++i)
        line += (i == 0 ? QStringLiteral("<td class=\"col1\">") : QStringLiteral("<td>")) + cells[i] + "</td>";
    return line + "</tr>";
}

const QString RuleRow = "<tr class=\"trul\"><td></td><td></td><td></td></tr>";

class ProjectDocuments : public ::testing::Test {
protected:
    void SetUp() override
    {
        CreateUnitsManager(FDir.File("units.ini"));
        FOldMakerCommonDir = MakerCommonDir;
        MakerCommonDir = FDir.File("maker") + "/";
    }
    void TearDown() override
    {
        MakerCommonDir = FOldMakerCommonDir;
        FreeUnitsManager();
    }

    QStringList Quotation(const TProject& p, const QString& folder)
    {
        THTMReporter r;
        BuildQuotation(r, p, folder, "Voz 9.8");
        return r.Lines();
    }
    QStringList Schedule(const TProject& p, const QString& folder)
    {
        THTMReporter r;
        BuildSchedule(r, p, folder, "Voz 9.8");
        return r.Lines();
    }

    TTempFolder FDir;
    QString FOldMakerCommonDir;
};

void ExpectSameLines(const QStringList& actual, const QStringList& expected)
{
    for (qsizetype i = 0; i < std::max(actual.size(), expected.size()); ++i)
        EXPECT_EQ(actual.value(i, "<missing>"), expected.value(i, "<missing>")) << "line " << i;
}

} // namespace

TEST_F(ProjectDocuments, QuotationOfTwoItems)
{
    TProject p;
    FillTwoItemProject(p);
    const QString nb3 = "&nbsp;&nbsp;&nbsp;";
    const QStringList bands{"63 Hz", "125 Hz", "250 Hz", "500 Hz", "1 kHz", "2 kHz", "4 kHz", "8 kHz"};
    const QStringList insertion{
        "&nbsp;&nbsp;&nbsp;6&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;5",
        "&nbsp;&nbsp;&nbsp;4&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;3",
        "&nbsp;&nbsp;12&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;10",
        "&nbsp;&nbsp;&nbsp;8&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;6",
        "&nbsp;&nbsp;18&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;15",
        // 12.5 is a half: away from zero.
        "&nbsp;&nbsp;13&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;9",
        "&nbsp;&nbsp;25&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;20",
        "&nbsp;&nbsp;16&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;12",
        "&nbsp;&nbsp;30&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;25",
        "&nbsp;&nbsp;20&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;15",
        "&nbsp;&nbsp;28&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;20",
        "&nbsp;&nbsp;18&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;12",
        "&nbsp;&nbsp;20&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;15",
        "&nbsp;&nbsp;12&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;9",
        "&nbsp;&nbsp;14&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;10",
        "&nbsp;&nbsp;&nbsp;8&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;6",
    };
    const QStringList regen{"40", "45", "38", "42", "35", "38", "30", "33",
                            "28", "30", "25", "27", "20", "22", "15", "18"};

    QStringList table{
        "<table align=\"left\" class=\"reporttable\">",
        Row({"<b>Description</b>", "AHU 1 &lt;supply&gt;", "AHU 2"}),
        Row({"Model", "CS-450", "RS-600x300"}),
        Row({"Silencer type", "Round silencer", "Splitter &amp; bank"}),
        Row({"Airflow (m³/s)", "1.500", "0.8400"}),
        Row({"Pressure loss (Pa)", "85.4", "42.0"}),
        Row({"Type", "Circular", "Rectangular"}),
        // The rectangular silencer's own height, not the duty's 250 mm.
        Row({"Cross sect (D/WxH mm)", "450", "600 x 300"}),
        Row({"Length (mm)", "900", "1200"}),
        Row({"Insertion loss", "Sel&nbsp;&nbsp;&nbsp;Spec", "Sel&nbsp;&nbsp;&nbsp;Spec"}),
    };
    for (int b = 0; b < 8; ++b)
        table.append(Row({nb3 + bands[b], insertion[2 * b], insertion[2 * b + 1]}));
    table.append(Row({"Regenerated noise", "&nbsp;", "&nbsp;"}));
    for (int b = 0; b < 8; ++b)
        table.append(Row({nb3 + bands[b], regen[2 * b], regen[2 * b + 1]}));
    table += QStringList{
        RuleRow,
        Row({"<b>Number off</b>", "2", "1"}),
        Row({"<b>Price per unit</b>", "1000.00", "1500.40"}),
        Row({"<b>Total</b>", "<b>2000.00</b>", "<b>1500.40</b>"}),
        RuleRow,
        Row({"<b>Ancillaries</b>"}),
        // Names met first give the row labels; unpriced lines have no row.
        Row({"Mounting feet", "4 X R25.00", "2 X R30.00"}),
        Row({"Cones &quot;short&quot;", "-", "1 X R120.00"}),
        Row({"Total ancill. per unit", "R 100.00", "R 180.00"}),
        Row({"<b>Total (ancill. only)</b>", "R 200.00", "R 180.00"}),
        RuleRow,
        Row({"<b>Total incl ancill.</b>", "<b>R 2200.00</b>", "<b>R 1680.40</b>"}),
        RuleRow,
        Row({"<b>VAT</b>", "R 330.00", "R 252.06"}),
        "</table>",
    };

    const QStringList expected =
        HeadLines("Project.htm", QuotationRules()) + QStringList{"<div>"} + LetterheadLines() +
        HeaderBlock(p, "<p>Page 1 of 1</p>") + table +
        QStringList{"</div>",
                    "<br clear=\"all\">",
                    "<p>&nbsp;</p>",
                    "<table align=\"left\" class=\"totalstable\">",
                    Row({"<b>Total price for fans & anc.</b>", "<b>  R 3880.40</b>"}),
                    Row({"<b>Total VAT</b>", "<b>  R 582.06</b>"}),
                    Row({"<b>Total incl VAT</b>", "<b>  R 4462.46</b>"}),
                    "</table>",
                    "<br clear=\"all\">",
                    "<br>",
                    "<p class=\"fineprint\">Prices subject to our standard conditions of sale and price variation</p>",
                    "<br>",
                    "<hr class=\"header\">",
                    "</div>"} +
        TailLines();
    ExpectSameLines(Quotation(p, FDir.Path()), expected);
}

TEST_F(ProjectDocuments, ScheduleOfTwoItems)
{
    TProject p;
    FillTwoItemProject(p);
    const QStringList expected =
        HeadLines("Schedule.htm", ScheduleRules()) + LetterheadLines() + HeaderBlock(p, QString()) +
        QStringList{
            "<table align=\"left\" width=\"95%\">",
            "<tr><th>Description</th><th>Air Vol</th><th>Pressure</th><th>Model</th><th>Width/</th><th>Height</th>"
            "<th>Length</th><th>Qty</th><th colspan=\"8\" align=\"center\">Attenuation [dB]</th></tr>",
            "<tr><th>&nbsp;</th><th>[m³/s]</th><th>[Pa]</th><th>&nbsp;</th><th>Diam [mm]</th><th>[mm]</th><th>[mm]</th>"
            "<th>&nbsp;</th><th>63</th><th>125</th><th>250</th><th>500</th><th>1K</th><th>2K</th><th>4K</th>"
            "<th>8K</th></tr>",
            "<tr><td>AHU 1 &lt;supply&gt;</td><td>1.50</td><td>85.4</td><td>CS-450</td><td>450</td><td>0</td>"
            "<td>900</td><td> 2</td><td>6</td><td>12</td><td>18</td><td>25</td><td>30</td><td>28</td><td>20</td>"
            "<td>14</td></tr>",
            "<tr><td>AHU 2</td><td>0.840</td><td>42.0</td><td>RS-600x300</td><td>600</td><td>300</td><td>1200</td>"
            "<td> 1</td><td>4</td><td>8</td><td>13</td><td>16</td><td>20</td><td>18</td><td>12</td><td>8</td></tr>",
            "</table>",
            "</div>",
            "<br clear=\"all\">",
            "<p>&nbsp;</p>",
            "<br>",
            "<hr class=\"header\">",
        } +
        TailLines();
    ExpectSameLines(Schedule(p, FDir.Path()), expected);
}

TEST_F(ProjectDocuments, QuotationPagesOfFourItems)
{
    struct Case {
        int items;
        int pages;
        int itemsOnLastPage;
        // Each total the sum of the figures above it, to the cent.
        std::vector<double> prices = {};
        double vatRate = 0.14;
        QStringList totals = {"0.00", "0.00", "0.00"};
    };
    for (const Case& c :
         {Case{1, 1, 1}, Case{4, 1, 4}, Case{5, 2, 1}, Case{8, 2, 4}, Case{9, 3, 1},
          Case{1, 1, 1, {120970.25}, 0.14, {"120970.25", "16935.84", "137906.09"}},
          Case{4, 1, 4, {334597.74, 328140.11, 210587.56, 191630.63}, 0.15, {"1064956.04", "159743.40", "1224699.44"}},
          Case{2, 1, 2, {0.145, 0.145}, 0.1, {"0.30", "0.04", "0.34"}}}) {
        SCOPED_TRACE(c.items);
        TProject p;
        p.VATRate = c.vatRate;
        for (int i = 0; i < c.items; ++i) {
            p.InsertItem({}, {}, -1);
            SetItem(p.Item(i), "", 1, c.prices.empty() ? 0 : c.prices[size_t(i)], {});
        }
        p.CalcTotals();
        const QStringList lines = Quotation(p, FDir.Path());
        for (int i = 0; i < 3; ++i)
            EXPECT_TRUE(lines.contains(
                Row({QStringList{"<b>Total price for fans & anc.</b>", "<b>Total VAT</b>", "<b>Total incl VAT</b>"}[i],
                     "<b>  R " + c.totals[i] + "</b>"})))
                << c.totals[i].toStdString();
        EXPECT_EQ(lines.count("<div style=\"page-break-before:always\">"), c.pages - 1);
        EXPECT_EQ(lines.filter("<p>Page ").size(), c.pages);
        EXPECT_TRUE(lines.contains(QString("<p>Page %1 of %1</p>").arg(c.pages)));
        EXPECT_EQ(lines.filter("<h1></h1>").size(), c.pages);
        // The totals follow the last page's item table, once.
        const QStringList numberRows = lines.filter("<b>Number off</b>");
        ASSERT_EQ(numberRows.size(), c.pages);
        EXPECT_EQ(numberRows.last().count("<td>"), c.itemsOnLastPage);
        if (c.pages > 1) {
            EXPECT_EQ(numberRows.first().count("<td>"), 4);
        }
        ASSERT_EQ(lines.count("<table align=\"left\" class=\"totalstable\">"), 1);
        EXPECT_GT(lines.indexOf("<table align=\"left\" class=\"totalstable\">"),
                  lines.lastIndexOf("<table align=\"left\" class=\"reporttable\">"));
    }
}

TEST_F(ProjectDocuments, EmptyProject)
{
    TProject p;
    p.Notes.clear();
    const QStringList tail{"<p class=\"fineprint\">Voz 9.8</p>", "</body>", "</html>"};
    // No page at all: no letterhead, no totals.
    ExpectSameLines(Quotation(p, FDir.Path()), HeadLines("Project.htm", QuotationRules()) + tail);

    const QStringList schedule = Schedule(p, FDir.Path());
    const qsizetype table = schedule.indexOf("<table align=\"left\" width=\"95%\">");
    ASSERT_GT(table, 0);
    EXPECT_EQ(schedule.mid(HeadLines("x", ScheduleRules()).size(), LetterheadLines().size()), LetterheadLines());
    EXPECT_TRUE(schedule[table + 1].startsWith("<tr><th>Description</th>"));
    EXPECT_TRUE(schedule[table + 2].startsWith("<tr><th>&nbsp;</th>"));
    EXPECT_EQ(schedule[table + 3], "</table>");
    EXPECT_EQ(schedule.mid(schedule.size() - 3), tail);
}

TEST_F(ProjectDocuments, AncillaryBlockWithoutPricedLines)
{
    TProject p;
    p.InsertItem({}, {}, -1);
    SetItem(p.Item(0), "x", 1, 10, {{"Mounting feet", 0, 25, 0}, {"Wire guard", 3, 0, 0}});
    const QStringList lines = Quotation(p, FDir.Path());
    const qsizetype heading = lines.indexOf(Row({"<b>Ancillaries</b>"}));
    ASSERT_GT(heading, 0);
    EXPECT_EQ(lines[heading + 1], Row({"Total ancill. per unit", "R 0.00"}));
}

TEST_F(ProjectDocuments, UnitsFollowTheUsersChoice)
{
    TProject p;
    FillTwoItemProject(p);
    SetImperialUnits();
    const QStringList quotation = Quotation(p, FDir.Path());
    EXPECT_TRUE(quotation.contains(Row({"Airflow (cfm)", "3178.3", "1779.9"})));
    EXPECT_TRUE(quotation.contains(Row({"Cross sect (D/WxH inch)", "17.7", "23.6 x 11.8"})));
    const QStringList schedule = Schedule(p, FDir.Path());
    EXPECT_EQ(schedule.filter("<th>Diam [inch]</th>").size(), 1);
    EXPECT_EQ(schedule.filter("<th>[cfm]</th><th>[Psi]</th>").size(), 1);
}

TEST(FormatBandPair, FixedColumnsOfNonBreakingSpaces)
{
    const QString nb = "&nbsp;";
    EXPECT_EQ(FormatBandPair(25, 20), nb.repeated(2) + "25" + nb.repeated(7) + "20");
    EXPECT_EQ(FormatBandPair(0, 0), nb.repeated(3) + "0" + nb.repeated(8) + "0");
    EXPECT_EQ(FormatBandPair(2.5, 112.4), nb.repeated(3) + "3" + nb.repeated(6) + "112");
    EXPECT_EQ(FormatBandPair(12345, -3), "12345" + nb.repeated(7) + "-3");
}

TEST_F(ProjectDocuments, SavedIntoTheFolderAndOpened)
{
    TRecordingDocumentOpener opener;
    TScopedDocumentOpener openerScope(opener);
    TProject p;
    FillTwoItemProject(p);
    const QString folder = FDir.File("Vozudarizazi");
    ASSERT_FALSE(QFileInfo::exists(folder));

    const QString quotation = ShowQuotation(p, "Voz 9.8", folder);
    EXPECT_EQ(quotation, folder + "/Project.htm");
    const QString schedule = ShowSchedule(p, "Voz 9.8", folder + "/");
    EXPECT_EQ(schedule, folder + "/Schedule.htm");
    EXPECT_EQ(opener.Opened, QStringList({quotation, schedule}));

    THTMReporter r;
    BuildQuotation(r, p, folder, "Voz 9.8");
    const QByteArray bytes = ReadFileBytes(quotation);
    EXPECT_EQ(bytes, r.Lines().join("\r\n").toUtf8() + "\r\n");
    EXPECT_TRUE(bytes.contains("<meta charset=\"utf-8\">"));
    EXPECT_TRUE(bytes.contains("Airflow (m\xC2\xB3/s)"));

    // A second click writes over the first document.
    p.ProjectName = "Second";
    ShowQuotation(p, "Voz 9.8", folder);
    EXPECT_TRUE(ReadFileBytes(quotation).contains("<span class=\"headinfo\">Second</span>"));
}

TEST_F(ProjectDocuments, UsersLetterheadAndStyleStayAsWritten)
{
    TRecordingDocumentOpener opener;
    TScopedDocumentOpener openerScope(opener);
    // Found in any letter case.
    FDir.Write("docs/Letterhead.txt", QByteArray("Smith & Sons <b>HVAC</b>\r\nTel 012 345\r\n"));
    FDir.Write("docs/LOGO.GIF", QByteArray("GIF89a"));
    FDir.Write("docs/style.css", QByteArray("td > b { color: #c00 }\r\n"));
    TProject p;
    FillTwoItemProject(p);
    const QStringList lines = Schedule(p, FDir.File("docs"));
    const QStringList letterhead{"<div>",
                                 "<img src=\"LOGO.GIF\" border=\"0\" align=\"left\">",
                                 "<p class=\"letterhead\">",
                                 "Smith & Sons <b>HVAC</b><br>",
                                 "Tel 012 345<br>",
                                 "</p>",
                                 "</div>"};
    EXPECT_EQ(lines.mid(lines.indexOf("<body>") + 1, letterhead.size()), letterhead);
    const qsizetype style = lines.indexOf("<style>");
    ASSERT_GT(style, 0);
    EXPECT_EQ(lines[style + 1], "td > b { color: #c00 }");
    EXPECT_EQ(lines[style + 2], ScheduleRules().first());
    EXPECT_FALSE(lines.contains("<link rel=\"stylesheet\" type=\"text/css\"  href=\"style.css\">"));

    // Every page of the quotation repeats the letterhead.
    for (int i = 0; i < 4; ++i)
        p.InsertItem({}, {}, -1);
    EXPECT_EQ(Quotation(p, FDir.File("docs")).count("Smith & Sons <b>HVAC</b><br>"), 2);
}

TEST_F(ProjectDocuments, LogoAndLetterheadFallBackToTheProgramsCopies)
{
    TRecordingDocumentOpener opener;
    TScopedDocumentOpener openerScope(opener);
    const QString savedExeDir = ExeDir;
    ExeDir = FDir.File("program folder") + "/";
    FDir.Write("program folder/documents/Logo.gif", QByteArray("GIF89a"));
    FDir.Write("program folder/documents/letterhead.txt", QByteArray("Maker & Co\r\n"));
    // The user's own picture wins over a GIF seeded beside it.
    const struct {
        QStringList Users;
        QString Shown;
    } cases[] = {{{}, "program folder/documents/Logo.gif"},
                 {{"Logo.gif", "logo.JPG"}, "docs/logo.JPG"},
                 {{"Logo.gif", "Logo.png", "Logo.jpeg"}, "docs/Logo.png"},
                 {{"LOGO.GIF"}, "docs/LOGO.GIF"}};
    for (const auto& c : cases) {
        QDir(FDir.File("docs")).removeRecursively();
        for (const QString& name : c.Users)
            FDir.Write("docs/" + name, QByteArray("picture"));
        TProject p;
        FillTwoItemProject(p);
        for (const QString& document :
             {ShowSchedule(p, "Voz 9.8", FDir.File("docs")), ShowQuotation(p, "Voz 9.8", FDir.File("docs"))})
            EXPECT_EQ(HtmlPictureFiles(document), QStringList{FDir.File(c.Shown)}) << c.Shown.toStdString();
    }
    ExeDir = savedExeDir;
    EXPECT_TRUE(ReadFileBytes(FDir.File("docs/Schedule.htm")).contains("<p class=\"letterhead\">\r\nMaker & Co<br>"));
}

TEST_F(ProjectDocuments, UnwritableDocumentIsReportedAndNotOpened)
{
    TRecordingDocumentOpener opener;
    TScopedDocumentOpener openerScope(opener);
    TProject p;
    FillTwoItemProject(p);
    const QString blocker = FDir.Write("file", QByteArray("x"));
    EXPECT_THROW(ShowQuotation(p, "Voz 9.8", blocker + "/docs"), EInOutError);
    EXPECT_THROW(ShowSchedule(p, "Voz 9.8", blocker + "/"), EInOutError);
    try {
        ShowSchedule(p, "Voz 9.8", blocker);
        ADD_FAILURE() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_TRUE(e.Message().contains(blocker)) << e.Message().toStdString();
    }
    EXPECT_TRUE(opener.Opened.isEmpty());
}

TEST_F(ProjectDocuments, DefaultFolderIsUserDataDir)
{
    TRecordingDocumentOpener opener;
    TScopedDocumentOpener openerScope(opener);
    const QString saved = UserDataDir;
    UserDataDir = FDir.File("user") + "/";
    TProject p;
    const QString path = ShowSchedule(p);
    const QString quote = ShowQuotation(p);
    UserDataDir = saved;
    EXPECT_EQ(path, FDir.File("user/Schedule.htm"));
    EXPECT_EQ(quote, FDir.File("user/Project.htm"));
    const QString version = "<p class=\"fineprint\">" + GetProductVersionText(QString()) + "</p>";
    EXPECT_TRUE(ReadFileBytes(path).contains(version.toUtf8()));
    EXPECT_TRUE(ReadFileBytes(quote).contains(version.toUtf8()));
}

TEST_F(ProjectDocuments, DocumentsBeyondTheirBoundAreRefusedBeforeAnythingIsWritten)
{
    TRecordingDocumentOpener opener;
    TScopedDocumentOpener openerScope(opener);
    const QString folder = FDir.File("docs");
    // Items with a priced ancillary of their own name each: every page
    // writes a row for every name.
    const auto ownNames = [](TProject& p, int items) {
        for (int i = 0; i < items; ++i) {
            p.Items.push_back(std::make_unique<TProjectItem>());
            SetItem(p.Item(i), "x", 1, 10, {{"Anc " + QString::number(i), 1, 1, 0}});
        }
        p.CalcTotals();
    };
    const QString tooLarge = "Cannot create file \"" + folder + "/Project.htm\". It would be larger than 64 MB";
    // Half the bound in characters of three bytes each.
    const QByteArray half = QByteArray("\xE2\x82\xAC").repeated(MaxDocumentSize / 6);
    const struct {
        int items;
        QByteArray letterhead;
        QString message;
    } cases[] = {
        {2000, {}, tooLarge + ": 2000 ancillary names on each of its 500 pages."},
        {20000, {}, tooLarge + ": 20000 ancillary names on each of its 5000 pages."},
        {5, half, tooLarge + "."}, // found while the lines are written: a letterhead on every page
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.items);
        FDir.Write("docs/letterhead.txt", c.letterhead);
        const QString file = FDir.Write("docs/Project.htm", QByteArray("old"));
        TProject p;
        ownNames(p, c.items);
        EXPECT_EQ(FailureOf<EInOutError>([&] { ShowQuotation(p, "Voz 9.8", folder); }), c.message);
        EXPECT_EQ(ReadFileBytes(file), QByteArray("old"));
    }
    EXPECT_TRUE(opener.Opened.isEmpty());

    // Below the bound the document is written whole.
    FDir.Write("docs/letterhead.txt", QByteArray());
    TProject p;
    ownNames(p, 200);
    const QByteArray bytes = ReadFileBytes(ShowQuotation(p, "Voz 9.8", folder));
    EXPECT_EQ(bytes.count("<td class=\"col1\">Anc 199</td>"), 50);
    EXPECT_TRUE(bytes.endsWith("</html>\r\n"));
}
