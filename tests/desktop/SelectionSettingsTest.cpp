#include "SelectionSettings.h"
#include "TestUtil.h"
#include "TxConv.h"
#include "TxErrors.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

TSelectionValues Defaults()
{
    TSelectionValues v;
    v.Flow = 2.8;
    v.MaxDP = 80;
    v.Height = 0.5;
    v.Width = 0.9;
    v.Diameter = 0.6;
    v.Required = "9,10,15,45,50,50,45,20";
    return v;
}

TEST(SelectionFile, WritesTheFourSectionsWithPointDecimals)
{
    TTempFolder dir;
    const QString file = dir.Write("default.ini", QByteArray("[other]\nkeep=1\n[air]\nstale=1\n"));
    TIniFile ini(file);
    TSelectionValues v = Defaults();
    v.Circ = false;
    // Every value reads back exactly; one typed in mm is written as typed.
    v.Width = FromDisplayUnits(300, 1000, 0);
    v.Diameter = 2.0 / 3.0;
    WriteSelection(ini, v, {"a.xml", "b.xml"});
    const QByteArray text = ReadFileBytes(file);
    for (const char* line : {"[other]\nkeep=1\n", "flow=2.8\n", "maxDP=80\n", "height=0.5\n", "width=0.3\n",
                             "diameter=0.6666666666666666\n", "rect=1\n", "circ=0\n",
                             "required=9,10,15,45,50,50,45,20\n", "checked=\"a.xml, b.xml, \""})
        EXPECT_TRUE(text.contains(line)) << line << "\n" << text.constData();
    EXPECT_FALSE(text.contains("stale"));
    EXPECT_FALSE(text.contains("2,8"));

    TSelectionValues back;
    ReadSelection(TIniFile(file), back);
    EXPECT_DOUBLE_EQ(back.Flow, 2.8);
    EXPECT_EQ(back.Diameter, v.Diameter);
    EXPECT_FALSE(back.Circ);
    EXPECT_TRUE(back.Rect);
    EXPECT_EQ(back.Checked, "a.xml, b.xml, ");
}

TEST(SelectionFile, MissingValuesKeepWhatTheWindowHas)
{
    TTempFolder dir;
    const QString file = dir.Write("default.ini", QByteArray("[air]\nflow=abc\nmaxDP=120\n[duct]\nrect=0\n"));
    TSelectionValues v = Defaults();
    v.Checked = "x";
    ReadSelection(TIniFile(file), v);
    EXPECT_DOUBLE_EQ(v.Flow, 2.8);
    EXPECT_DOUBLE_EQ(v.MaxDP, 120);
    EXPECT_FALSE(v.Rect);
    EXPECT_TRUE(v.Circ);
    EXPECT_EQ(v.Required, "9,10,15,45,50,50,45,20");
    EXPECT_EQ(v.Checked, "");

    TSelectionValues none = Defaults();
    ReadSelection(TIniFile(dir.File("missing.ini")), none);
    EXPECT_DOUBLE_EQ(none.Width, 0.9);
}

TEST(SelectionFile, BandsThatAreNoNumberAreNeitherWrittenNorRead)
{
    TTempFolder dir;
    const QByteArray old("[atten]\nrequired=1,2,3,4,5,6,7,8\n");
    const QString file = dir.Write("default.ini", old);
    for (const char* bands : {"9,10,15,45,50,50,45,12abc", "9,10,15,45,50,50,45,\"\"", "9,nan,15,45,50,50,45,20"}) {
        TSelectionValues v = Defaults();
        v.Required = bands;
        TIniFile ini(file);
        EXPECT_THROW(WriteSelection(ini, v, {}), EConvertError) << bands;
        EXPECT_EQ(ReadFileBytes(file), old);
    }

    // Each band as a band cell stores it; one a cell would refuse, or none,
    // is the window's band.
    const std::pair<const char*, const char*> reads[] = {
        {"\"1 \",x,3,4e0,,6,-7", "1,10,3,4,50,6,-7,20"},
        {"9,10,15.5,45,50,50,45,20", "9,10,15,45,50,50,45,20"},
        {"1e300,10,15,45,50,50,45,1e19", "9,10,15,45,50,50,45,20"},
        {"5-,-0,2e1,9.0,1E-400,inf,0x10,\"\"", "9,0,20,9,50,50,45,20"},
        {"1,2", "1,2,15,45,50,50,45,20"},
        {"12345678901234567,1e18", "9,1000000000000000000,15,45,50,50,45,20"},
    };
    for (const auto& [required, bands] : reads) {
        SCOPED_TRACE(required);
        dir.Write("default.ini", QByteArray("[atten]\nrequired=") + required + "\n");
        TSelectionValues v = Defaults();
        ReadSelection(TIniFile(file), v);
        EXPECT_EQ(v.Required, bands);
    }
    EXPECT_EQ(CheckedBandText("", "1,2"), "1,2,,,,,,");
}

// A paste is taken whole by the band cells' typed rule, or not at all.
TEST(SelectionFile, PastedBandsAreTakenAsTheCellsTakeThemOrRefused)
{
    const struct {
        const char* pasted;
        TEntryCheck why;
        const char* cells;
    } pastes[] = {
        {"5-,10,15,45,50,50,45,20", ecNumber, "5,10,15,45,50,50,45,20"},
        {"9.0 1e1 -0 \"2 0\" 1e18", ecNumber, "9,10,0,20,1000000000000000000,0,0,0"},
        {"9,10,15", ecNumber, "9,10,15,0,0,0,0,0"},
        {"1,2,3,4,5,6,7,8,x", ecNumber, "1,2,3,4,5,6,7,8"},
        {"10,,15,45,50,50,45,20", ecNoNumber, ""},
        {"1,2,", ecNoNumber, ""},
        {" ", ecNoNumber, ""},
        {"", ecNoNumber, ""},
        {"1 2 x", ecNoNumber, ""},
        {"1e300,10,15,45,50,50,45,20", ecOutOfRange, ""},
        {"1e19", ecOutOfRange, ""},
        {"1,2,3,4,5,6,7,9.25", ecNotWhole, ""},
        {"12345678901234567", ecOutOfRange, ""},
        // Each tab or line break ends one cell, the last line break none.
        {"10\t15\t45\t50\t50\t45\t20\t25\r\n", ecNumber, "10,15,45,50,50,45,20,25"},
        {"10\t\t15\t45\t50\t50\t45\t20", ecNoNumber, ""},
        {"10\n\n15\n45\n50\n50\n45\n20\n", ecNoNumber, ""},
        {"\t10\t15\t45\t50\t50\t45\t20\n", ecNoNumber, ""},
    };
    for (const auto& p : pastes) {
        SCOPED_TRACE(p.pasted);
        QStringList cells;
        EXPECT_EQ(PastedBandCells(p.pasted, cells), p.why);
        EXPECT_EQ(cells.join(','), p.cells);
    }
}

TEST(SelectionFile, NothingTickedWritesAnEmptyList)
{
    EXPECT_EQ(CheckedRangesText({}), "");
    EXPECT_EQ(CheckedRangesText({"a.xml"}), "a.xml, ");
}

TEST(FormSettings, EnquiryDefaultsComeFromTheContactValues)
{
    TTempFolder dir;
    const QString file =
        dir.Write("p.ini", QByteArray("[Enquiry]\ncoEMail=sales@example.org\neMailAddr=\nWebAddress=\n"));
    TFormSettings s;
    s.Placement = QRect(10, 20, 629, 531);
    s.ContactEmail = "maker@example.com";
    s.ContactWeb = "www.example.com";
    s.ColWidths = {90, 60};
    ReadFormSettings(TIniFile(file), s, {QSize(1280, 1024), QRect(0, 0, 1280, 1000), QSize(611, 506), QMargins()});
    EXPECT_EQ(s.ContactEmail, "sales@example.org");
    EXPECT_EQ(s.EMailAddr, "sales@example.org");
    EXPECT_EQ(s.WebAddress, "www.example.com");
    EXPECT_EQ(s.Placement, QRect(10, 20, 629, 531));
    EXPECT_EQ(s.ColWidths, (std::vector<int>{90, 60}));
}

TEST(FormSettings, PlacementIsKeptOnTheScreenAndWrittenBack)
{
    TTempFolder dir;
    const QString file = dir.Write(
        "p.ini", QByteArray("[Form]\nLeft=5000\nTop=-40\nWidth=650\nHeight=99999\n[ListColWidth]\n0=120\n1=x\n"));
    TFormSettings s;
    s.ColWidths = {90, 60, 50};
    ReadFormSettings(TIniFile(file), s,
                     {QSize(1280, 1024), QRect(0, 0, 1280, 632), QSize(611, 506), QMargins(4, 32, 4, 4)});
    EXPECT_EQ(s.Placement, QRect(626, 32, 650, 596));
    EXPECT_EQ(s.ColWidths, (std::vector<int>{120, 60, 50}));
    EXPECT_EQ(s.ColSized, (std::vector<bool>{true, false, false})) << "a file of old has its sized columns guessed";

    s.EMailAddr = "a@b.cd";
    s.ContactEmail = "c@d.ef";
    s.WebAddress = "never";
    s.ColSized = {true, false, true};
    TIniFile out(dir.File("out.ini"));
    WriteFormSettings(out, s);
    EXPECT_EQ(ReadFileBytes(dir.File("out.ini")),
              QByteArray("[Form]\nLeft=626\nTop=32\nWidth=650\nHeight=596\n\n[Enquiry]\neMailAddr=a@b.cd\n"
                         "coEMail=c@d.ef\n\n[ListColWidth]\n0=120\n1=60\n2=50\nUserSized=0,2\n"));
    // Sized at the default width, and not sized at another, as stored.
    s.ColWidths = {120, 70, 50};
    ReadFormSettings(out, s, {QSize(1280, 1024), QRect(0, 0, 1280, 632), QSize(611, 506), QMargins()});
    EXPECT_EQ(s.ColSized, (std::vector<bool>{true, false, true}));
}

TEST(EditUnits, FiveKeysInOrder)
{
    TTempFolder dir;
    TIniFile ini(dir.File("p.ini"));
    WriteEditUnits(ini, {1, 2, 3, 0, 4});
    EXPECT_EQ(ReadFileBytes(dir.File("p.ini")),
              QByteArray("[EditUnits]\nAirFlow=1\nMaxDP=2\nHeight=3\nWidth=0\nDiameter=4\n"));
    TEditUnits units{9, 9, 9, 9, 9};
    dir.Write("q.ini", QByteArray("[editunits]\nmaxdp=7\nWidth=bad\n"));
    ReadEditUnits(TIniFile(dir.File("q.ini")), units);
    EXPECT_EQ(units, (TEditUnits{9, 7, 9, 9, 9}));
}

TEST(SelectionFileName, ProgramFolderWhileWritable)
{
    TTempFolder dir;
    EXPECT_EQ(DefaultSelectionFileName(dir.Path() + "/"), dir.Path() + "/default.ini");
    // A program folder that is no folder cannot hold the file, even for root.
    const QString notFolder = dir.Write("file", QByteArray("x"));
    const QString chosen = DefaultSelectionFileName(notFolder + "/");
    EXPECT_FALSE(chosen.startsWith(notFolder));
    EXPECT_TRUE(chosen.endsWith("/default.ini"));
}

} // namespace
