#include "TestUtil.h"
#include "TxErrors.h"
#include "TxPlatform.h"
#include "TxSilencerXML.h"
#include "TxXMLFiles.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

const QString kCode = QString::fromLatin1(AppIdentifier);

// A catalogue file with the parts a case changes put in.
QString Catalogue(const QString& rootAttrs, const QString& code, const QString& sizeAttrs,
                  const QString& extraHead = QString(), const QString& body = QStringLiteral("<body/>"))
{
    return QStringLiteral("<?xml version=\"1.0\"?>\n<catalogue %1>\n<head>\n<code>%2</code>\n<title>Range</title>\n"
                          "<size %3>L,D</size>\n%4</head>\n%5\n</catalogue>\n")
        .arg(rootAttrs, code, sizeAttrs, extraHead, body);
}

const char* const kVariableRectangular = R"(<?xml version="1.0"?>
<catalogue type="silencer">
  <head>
    <code>{3A7E91C4-58D2-4B6F-A0E3-7C19D54B28F6}</code>
    <title>Rectangular splitters</title>
    <maker>DEZ Uder</maker>
    <description>Variable splitter attenuator</description>
    <usage>Ducts</usage>
    <prefix>RV</prefix>
    <size shape="Rectangular" kind="variable" length="l" width="w" gap="G" height="h" maxmodules="m">L, W, G, M</size>
    <length>600,900</length>
    <height>300, 600, 900,</height>
    <width>600,1200</width>
    <kfactor>1.2</kfactor>
    <weight eqn="a*h+b">10, 20, 30</weight>
    <media kind="wool">48</media>
    <img src="rv.png" alt="photo"/>
    <IMG src="rv-ga.png" alt="ga"/>
    <ref href="one.htm"/>
    <ref href="two.htm"/>
    <page href="rv.htm"/>
  </head>
  <body>
    <item>
      <name>A</name>
      <size>900, 600, 200, 3</size>
      <sil>1,2,3,4,5,6,7,8</sil>
      <kfactor>1.5</kfactor>
      <weight>12.5</weight>
      <ancillary><name>Flange</name><weight>2</weight></ancillary>
      <ancillary><name>Hood</name></ancillary>
    </item>
    <Item>
      <name>B</name>
      <size>1200</size>
    </Item>
    <other><name>C</name></other>
  </body>
</catalogue>
)";

class CatalogTest : public ::testing::Test {
protected:
    void SetUp() override { SetAppCode(kCode); }

    QString Write(const QString& text, const QString& name = QStringLiteral("range.xml"))
    {
        return FDir.Write(name, text);
    }

    TTempFolder FDir;
    TRecordingMessageService FMessages;
};

TEST_F(CatalogTest, VariableRectangularRangeFillsTheModel)
{
    TSilencerCatalog cat(FMessages);
    cat.LoadFromFile(Write(QString::fromUtf8(kVariableRectangular)));
    EXPECT_TRUE(FMessages.Messages.isEmpty()) << FMessages.Messages.join('|').toStdString();

    EXPECT_EQ(cat.Code, kCode);
    EXPECT_EQ(cat.Title, "Rectangular splitters");
    EXPECT_EQ(cat.Maker, "DEZ Uder");
    EXPECT_EQ(cat.Description, "Variable splitter attenuator");
    EXPECT_EQ(cat.Usage, "Ducts");
    EXPECT_EQ(cat.Prefix, "RV");
    EXPECT_EQ(cat.Shape, "Rectangular");
    EXPECT_EQ(cat.Kind, "variable");
    EXPECT_EQ(cat.SizeColumns, (QStringList{"L", "W", "G", "M"}));
    EXPECT_EQ(cat.SilencerType, stRectangularVariable);

    // Column names match the size list in any case; a variable range takes
    // its heights from the head, not from a column.
    EXPECT_EQ(cat.LengthColumn, "l");
    EXPECT_EQ(cat.LengthIndex, 0);
    EXPECT_EQ(cat.WidthIndex, 1);
    EXPECT_EQ(cat.GapIndex, 2);
    EXPECT_EQ(cat.HeightIndex, -1);
    EXPECT_EQ(cat.DiameterIndex, -1);
    EXPECT_EQ(cat.PodIndex, -1);

    EXPECT_EQ(cat.Heights, (TDoubleDynArray{300, 600, 900}));
    EXPECT_EQ(cat.WeightEqn, "a*h+b");
    EXPECT_EQ(cat.Weights, (TDoubleDynArray{10, 20, 30}));
    EXPECT_EQ(cat.Media.MediaKind, "wool");
    EXPECT_EQ(cat.Media.Media, 48.0);
    EXPECT_EQ(cat.KFactor, 1.2);
    ASSERT_EQ(cat.Images.size(), 2u);
    EXPECT_EQ(cat.Images[1].src, "rv-ga.png");
    EXPECT_EQ(cat.Images[1].alt, "ga");
    ASSERT_EQ(cat.Refs.size(), 2u);
    EXPECT_EQ(cat.Refs[1].href, "two.htm");

    ASSERT_EQ(cat.ItemCount, 2) << "only item children are bodies, in any case";
    ASSERT_EQ(cat.Items.size(), 2u);
    const TSilencerItem& a = cat.Items[0];
    EXPECT_EQ(a.Owner, &cat);
    EXPECT_EQ(a.Name, "A");
    EXPECT_EQ(a.Size, (TDoubleDynArray{900, 600, 200, 3}));
    EXPECT_EQ(a.Sil, (TDoubleDynArray{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(a.Length, 900.0);
    EXPECT_EQ(a.Width, 600.0);
    EXPECT_EQ(a.Gap, 200.0);
    EXPECT_EQ(a.Height, 0.0);
    EXPECT_EQ(a.Diameter, 0.0);
    EXPECT_EQ(a.Pod, 0.0);
    EXPECT_EQ(a.KFactor, 1.5);
    EXPECT_EQ(a.Weight, 12.5);
    ASSERT_EQ(a.Ancillaries.size(), 2u);
    EXPECT_EQ(a.Ancillaries[0].Name, "Flange");
    EXPECT_EQ(a.Ancillaries[0].Weight, 2.0);
    EXPECT_EQ(a.Ancillaries[1].Name, "Hood");
    EXPECT_EQ(a.Ancillaries[1].Weight, 0.0);

    // A size list shorter than a column's position gives 0 there.
    const TSilencerItem& b = cat.Items[1];
    EXPECT_EQ(b.Length, 1200.0);
    EXPECT_EQ(b.Width, 0.0);
    EXPECT_EQ(b.Gap, 0.0);
    EXPECT_EQ(b.KFactor, 1.0);
    EXPECT_EQ(b.Weight, 0.0);
    EXPECT_TRUE(b.Sil.empty());
}

// ---- the checks and their messages ------------------------------------------

struct CheckCase {
    const char* label;
    const char* rootAttrs;
    bool rightCode;
    const char* sizeAttrs;
    const char* message; // "{file}" stands for the file name; empty: none
    int type;            // the silencer type after the load; -1: the one before
    bool readsHead;      // whether the title was read
};

void PrintTo(const CheckCase& c, std::ostream* os)
{
    *os << c.label;
}

class CatalogCheck : public CatalogTest, public ::testing::WithParamInterface<CheckCase> {
protected:
    void Check(const std::function<void(TSilencerCatalog&, const QString&)>& load)
    {
        const CheckCase& c = GetParam();
        const QString code = c.rightCode ? kCode : kCode.toLower();
        const QString file = Write(Catalogue(QString::fromLatin1(c.rootAttrs), code, QString::fromLatin1(c.sizeAttrs)));
        TSilencerCatalog cat(FMessages);
        cat.SilencerType = 7;
        load(cat, file);

        QStringList expected;
        if (*c.message)
            expected << QString::fromUtf8(c.message).replace("{file}", file);
        EXPECT_EQ(FMessages.Messages, expected);
        EXPECT_TRUE(FMessages.Errors.isEmpty());
        EXPECT_EQ(cat.SilencerType, c.type < 0 ? 7 : c.type);
        EXPECT_EQ(cat.Title, c.readsHead ? "Range" : "");
    }
};

TEST_P(CatalogCheck, FromTheFile)
{
    Check([](TSilencerCatalog& cat, const QString& file) { cat.LoadFromFile(file); });
}

TEST_P(CatalogCheck, FromADocumentTheCallerParsed)
{
    Check([](TSilencerCatalog& cat, const QString& file) {
        TXMLFile xml(file);
        cat.LoadFromFile(file, xml);
    });
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CatalogCheck,
    ::testing::Values(
        CheckCase{"TypeInAnyCase", "type=\"Silencer\"", true, "shape=\"circular\" kind=\"fixed\"", "", 0, true},
        CheckCase{"NoType", "", false, "shape=\"circular\" kind=\"fixed\"", "", -1, false},
        CheckCase{"OtherType", "type=\"damper\"", false, "shape=\"oval\"", "", -1, false},
        CheckCase{"CodeInOtherCase", "type=\"silencer\"", false, "shape=\"circular\" kind=\"fixed\"",
                  "Invalid silencer data file...\r\n{file}", -1, false},
        CheckCase{"CircularVariable", "type=\"silencer\"", true, "shape=\"CIRCULAR\" kind=\"Variable\"", "", 1, true},
        CheckCase{"AnnularFixed", "type=\"silencer\"", true, "shape=\"annular\" kind=\"fixed\"", "", 2, true},
        CheckCase{"AnnularVariable", "type=\"silencer\"", true, "shape=\"annular\" kind=\"VARIABLE\"", "", 3, true},
        CheckCase{"RectangularFixed", "type=\"silencer\"", true, "shape=\"rectangular\" kind=\"Fixed\"", "", 4, true},
        CheckCase{"RectangularVariable", "type=\"silencer\"", true, "shape=\"rectangular\" kind=\"variable\"", "", 5,
                  true},
        CheckCase{"KindMissing", "type=\"silencer\"", true, "shape=\"rectangular\"",
                  " not recognised as a valid silencer kind...", -1, true},
        CheckCase{"KindUnknown", "type=\"silencer\"", true, "shape=\"circular\" kind=\"adjustable\"",
                  "adjustable not recognised as a valid silencer kind...", -1, true},
        CheckCase{"ShapeUnknown", "type=\"silencer\"", true, "shape=\"oval\" kind=\"fixed\"",
                  "oval not recognised as a valid silencer shape...", -1, true},
        CheckCase{"ShapeMissing", "type=\"silencer\"", true, "kind=\"fixed\"",
                  " not recognised as a valid silencer shape...", -1, true}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(CatalogTest, MissingFileIsReported)
{
    const QString file = FDir.File("gone.xml");
    TSilencerCatalog cat(FMessages);
    cat.LoadFromFile(file);
    EXPECT_EQ(FMessages.Messages, QStringList{"File not found...\r\n" + file});

    FMessages.Clear();
    TXMLFile xml;
    cat.LoadFromFile(file, xml);
    EXPECT_EQ(FMessages.Messages, QStringList{"File not found...\r\n" + file});
}

TEST_F(CatalogTest, MalformedFileRaisesWithoutMessage)
{
    const QString file = Write("<catalogue type=\"silencer\"><head></catalogue>");
    TSilencerCatalog cat(FMessages);
    try {
        cat.LoadFromFile(file);
        FAIL() << "no error";
    } catch (const EXMLError& e) {
        EXPECT_TRUE(e.Message().contains(file)) << e.Message().toStdString();
    }
    TXMLFile xml(file);
    EXPECT_THROW(cat.LoadFromFile(file, xml), EXMLError);
    EXPECT_TRUE(FMessages.Messages.isEmpty());
}

TEST_F(CatalogTest, RangesWithoutBodies)
{
    TSilencerCatalog cat(FMessages);
    cat.LoadFromFile(Write(QString::fromUtf8(kVariableRectangular)));
    ASSERT_EQ(cat.ItemCount, 2);

    const QString circular = QStringLiteral("shape=\"circular\" kind=\"fixed\"");
    cat.LoadFromFile(Write(Catalogue("type=\"silencer\"", kCode, circular, {}, "<body><other/></body>")));
    EXPECT_EQ(cat.ItemCount, 0);
    EXPECT_TRUE(cat.Items.empty());

    cat.LoadFromFile(Write(QString::fromUtf8(kVariableRectangular)));
    cat.LoadFromFile(Write(Catalogue("type=\"silencer\"", kCode, circular, {}, QString())));
    EXPECT_EQ(cat.ItemCount, 0) << "a range without a body element at all";
    EXPECT_TRUE(FMessages.Messages.isEmpty());
}

TEST_F(CatalogTest, NoHeadAtAllIsAnInvalidFile)
{
    const QString file = Write("<catalogue type=\"silencer\"><body/></catalogue>");
    TSilencerCatalog cat(FMessages);
    cat.LoadFromFile(file);
    EXPECT_EQ(FMessages.Messages, QStringList{"Invalid silencer data file...\r\n" + file});
}

TEST_F(CatalogTest, NewLoadReplacesWhatTheLastOneRead)
{
    TSilencerCatalog cat(FMessages);
    cat.LoadFromFile(Write(QString::fromUtf8(kVariableRectangular)));
    ASSERT_FALSE(cat.Heights.empty());

    cat.LoadFromFile(Write(Catalogue("type=\"silencer\"", kCode, "shape=\"annular\" kind=\"fixed\" diameter=\"d\"")));
    EXPECT_EQ(cat.SilencerType, stAnnularFixed);
    EXPECT_TRUE(cat.Heights.empty());
    EXPECT_TRUE(cat.Weights.empty());
    EXPECT_TRUE(cat.WeightEqn.isEmpty());
    EXPECT_TRUE(cat.Images.empty());
    EXPECT_EQ(cat.SizeColumns, (QStringList{"L", "D"}));
    EXPECT_EQ(cat.DiameterIndex, 1);
    EXPECT_EQ(cat.WidthIndex, -1);
    EXPECT_EQ(cat.GapIndex, -1);
    EXPECT_TRUE(cat.WidthColumn.isEmpty());
    EXPECT_EQ(cat.KFactor, 1.0);
    EXPECT_TRUE(FMessages.Messages.isEmpty());
}

TEST_F(CatalogTest, ColumnIndices)
{
    // Named but absent, unnamed, and unnamed where the list has an empty name.
    TSilencerCatalog cat(FMessages);
    cat.LoadFromFile(Write(QStringLiteral("<catalogue type=\"silencer\"><head><code>%1</code>"
                                          "<size shape=\"annular\" kind=\"fixed\" diameter=\"x\" length=\"\">"
                                          "\"\",D</size></head>"
                                          "<body><item><size>5,6</size></item></body></catalogue>")
                               .arg(kCode)));
    EXPECT_EQ(cat.SizeColumns, (QStringList{"", "D"}));
    EXPECT_EQ(cat.DiameterIndex, -1);
    EXPECT_EQ(cat.LengthIndex, -1);
    EXPECT_EQ(cat.PodIndex, -1);
    ASSERT_EQ(cat.ItemCount, 1);
    EXPECT_EQ(cat.Items[0].Length, 0.0);
    EXPECT_EQ(cat.Items[0].Diameter, 0.0);
}

TEST_F(CatalogTest, MessagesGoToTheCurrentServiceByDefault)
{
    TScopedMessageService scoped(FMessages);
    TSilencerCatalog cat;
    cat.LoadFromFile(Write(Catalogue("type=\"silencer\"", kCode, "shape=\"oval\"")));
    EXPECT_EQ(FMessages.Messages, QStringList{"oval not recognised as a valid silencer shape..."});
}

TEST(ValueAt, OutsideTheListGivesZero)
{
    const TDoubleDynArray list{4.0, 5.0};
    EXPECT_EQ(ValueAt(-1, list), 0.0);
    EXPECT_EQ(ValueAt(0, list), 4.0);
    EXPECT_EQ(ValueAt(1, list), 5.0);
    EXPECT_EQ(ValueAt(2, list), 0.0);
    EXPECT_EQ(ValueAt(0, {}), 0.0);
}

} // namespace
