#include "SilencerRanges.h"
#include "TestUtil.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

QByteArray RangeXml(const char* root, const char* shape, const char* kind = "fixed")
{
    return QStringLiteral("<?xml version=\"1.0\"?>\n<catalogue type=\"%1\"><head><title>Title %2</title>"
                          "<maker>Maker</maker><description>Desc</description><usage>Use</usage>"
                          "<size shape=\"%2\" kind=\"%3\">d,l</size><img src=\"Photo.PNG\" alt=\"photo\"/></head>"
                          "<body/></catalogue>\n")
        .arg(QString::fromUtf8(root), QString::fromUtf8(shape), QString::fromUtf8(kind))
        .toUtf8();
}

TEST(RangeFiles, OnlySilencerRangesOfTheFolderInNameOrder)
{
    TTempFolder dir;
    dir.Write("data/b.xml", RangeXml("silencer", "circular"));
    dir.Write("data/A.xml", RangeXml("SILENCER", "rectangular"));
    dir.Write("data/c.xml", RangeXml("fan", "circular"));
    dir.Write("data/broken.xml", QByteArray("<catalogue type=\"silencer\"><head>"));
    dir.Write("data/empty.xml", QByteArray());
    dir.Write("data/notes.txt", RangeXml("silencer", "circular"));
    dir.Write("data/sub/d.xml", RangeXml("silencer", "circular"));
    EXPECT_EQ(FindRangeFiles(dir.File("data")), QStringList({"A.xml", "b.xml"}));
    EXPECT_TRUE(FindRangeFiles(dir.File("none")).isEmpty());
}

TEST(RangeFiles, TheShippedCatalogueHasNineRanges)
{
    const QStringList ranges = FindRangeFiles(QStringLiteral(VOZ_CONTENT_DIR "/data"));
    EXPECT_EQ(ranges.size(), 9);
    EXPECT_EQ(ranges.value(0), "tap-annular.xml");
}

struct ShapeCase {
    const char* shape;
    TRangeShapeGroup group;
};

class ShapeGroups : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(ShapeGroups, FollowTheirBox)
{
    EXPECT_EQ(ShapeGroupOf(QString::fromUtf8(GetParam().shape)), GetParam().group) << GetParam().shape;
}

INSTANTIATE_TEST_SUITE_P(Shapes, ShapeGroups,
                         ::testing::Values(ShapeCase{"circular", TRangeShapeGroup::Circular},
                                           ShapeCase{"Annular", TRangeShapeGroup::Circular},
                                           ShapeCase{"CIRCULAR", TRangeShapeGroup::Circular},
                                           ShapeCase{"Rectangular", TRangeShapeGroup::Rectangular},
                                           ShapeCase{"rectangular", TRangeShapeGroup::Rectangular},
                                           ShapeCase{"", TRangeShapeGroup::Other},
                                           ShapeCase{"oval", TRangeShapeGroup::Other},
                                           ShapeCase{"rect", TRangeShapeGroup::Other}));

TEST(ShapeTicks, BoxesDecideOnlyTheirShapes)
{
    using G = TRangeShapeGroup;
    EXPECT_FALSE(ShapeTick(G::Circular, true, true, false));
    EXPECT_TRUE(ShapeTick(G::Circular, false, false, true));
    EXPECT_FALSE(ShapeTick(G::Rectangular, true, false, true));
    EXPECT_TRUE(ShapeTick(G::Rectangular, false, true, false));
    EXPECT_TRUE(ShapeTick(G::Other, true, false, false));
    EXPECT_FALSE(ShapeTick(G::Other, false, true, true));
}

TEST(RangeView, TitlePhotoAndPaddedDetailLines)
{
    TTempFolder dir;
    const QString file = dir.Write("data/r.xml", RangeXml("silencer", "circular"));
    const QString photo = dir.Write("images/photo.png", QByteArray("png"));
    TXMLFile xml;
    LoadRangeFile(xml, file);
    const TRangeView view = ReadRangeView(xml, dir.File("images"));
    EXPECT_EQ(view.Title, "Title circular");
    EXPECT_EQ(view.PhotoFile, photo); // found without regard to letter case
    EXPECT_EQ(view.MemoLines, QStringList({"maker        Maker", "description  Desc", "usage        Use",
                                           "size kind    fixed circular"}));
    EXPECT_EQ(RangeShape(xml), "circular");
}

TEST(RangeView, MissingOrBrokenFilesRaise)
{
    TTempFolder dir;
    TXMLFile xml;
    EXPECT_THROW(LoadRangeFile(xml, dir.File("gone.xml")), EXMLError);
    EXPECT_THROW(LoadRangeFile(xml, dir.Write("bad.xml", QByteArray("<a>"))), EXMLError);
}

struct CheckedCase {
    const char* checked;
    const char* name;
    bool ticked;
};

class CheckedRanges : public ::testing::TestWithParam<CheckedCase> {};

TEST_P(CheckedRanges, MatchWholeNames)
{
    const CheckedCase& c = GetParam();
    EXPECT_EQ(RangeNamedIn(QString::fromUtf8(c.checked), QString::fromUtf8(c.name)), c.ticked)
        << c.checked << " / " << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Lists, CheckedRanges,
    ::testing::Values(CheckedCase{"XAB.xml, ", "AB.xml", false}, CheckedCase{"XAB.xml, ", "XAB.xml", true},
                      CheckedCase{"AB.xml, XAB.xml, ", "AB.xml", true}, CheckedCase{"AB.xml,XAB.xml", "XAB.xml", true},
                      CheckedCase{"  AB.xml  ", "AB.xml", true}, CheckedCase{"ab.xml, ", "AB.xml", false},
                      CheckedCase{"AB.xml.bak, ", "AB.xml", false}, CheckedCase{", , ", "", false}));

TEST(DetailPage, OwnPageThenPrefixPageThenIndex)
{
    TTempFolder dir;
    const QString catalog = dir.Path() + "/catalog/";
    dir.Write("catalog/index.htm", QByteArray("i"));
    TSelectionRec rec;
    rec.model = QStringLiteral("ABC12-600");
    EXPECT_EQ(DetailPageFor(rec, catalog), (TDocumentTarget{catalog + "index.htm", "noise_control"}));
    const QString abc = dir.Write("catalog/abc.htm", QByteArray("a"));
    EXPECT_EQ(DetailPageFor(rec, catalog), (TDocumentTarget{abc, ""}));

    rec.page = QStringLiteral("own.htm");
    EXPECT_EQ(DetailPageFor(rec, catalog), (TDocumentTarget{catalog + "index.htm", "noise_control"}));
    const QString own = dir.Write("catalog/Own.htm", QByteArray("o"));
    EXPECT_EQ(DetailPageFor(rec, catalog), (TDocumentTarget{own, ""}));

    TSelectionRec plain;
    plain.model = QStringLiteral("ABC");
    EXPECT_EQ(DetailPageFor(plain, catalog).Anchor, "noise_control");
    plain.model = QStringLiteral("12-600");
    EXPECT_EQ(DetailPageFor(plain, catalog).Anchor, "noise_control");
}

TEST(DataFiles, BackslashesAndLetterCase)
{
    TTempFolder dir;
    const QString f = dir.Write("Images/Sub/Pic.png", QByteArray("p"));
    EXPECT_EQ(FindDataFile(dir.Path(), "images\\sub\\pic.PNG"), f);
    EXPECT_EQ(FindDataFile(dir.Path(), "Images/Sub/Pic.png"), QDir::cleanPath(f));
    EXPECT_EQ(FindDataFile(dir.Path(), "images/sub"), "");
    EXPECT_EQ(FindDataFile(dir.Path(), "/etc/passwd"), "");
    EXPECT_EQ(FindDataFile(dir.Path(), ""), "");
}

} // namespace
