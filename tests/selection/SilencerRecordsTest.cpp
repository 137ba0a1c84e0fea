#include "SilencerRecords.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

struct CutCase {
    QString text;
    QString expected;
};

TEST(FixedText, CutsAtCapacityOnCharacterBoundary)
{
    const QString sixty = QString(60, QLatin1Char('M'));
    const QString clef = QString::fromUtf8("\xF0\x9D\x84\x9E"); // one character, two UTF-16 units
    const CutCase cases[] = {
        {sixty, sixty.left(48)},
        {QString(48, QLatin1Char('x')), QString(48, QLatin1Char('x'))},
        {QString(), QString()},
        // Characters that took one byte in the old code page count one each.
        {QString(50, QChar(0x00B3)), QString(48, QChar(0x00B3))},
        {QString::fromUtf8("Schalldämpfer-Ä") + QString(40, QChar(0x00FC)),
         (QString::fromUtf8("Schalldämpfer-Ä") + QString(40, QChar(0x00FC))).left(48)},
        // A pair that would straddle the limit is dropped whole.
        {QString(47, QLatin1Char('a')) + clef + QLatin1String("b"), QString(47, QLatin1Char('a'))},
        {QString(46, QLatin1Char('a')) + clef + QLatin1String("b"), QString(46, QLatin1Char('a')) + clef},
    };
    for (const auto& c : cases) {
        TFixedText<48> t;
        t = c.text;
        EXPECT_EQ(t.Text(), c.expected);
        EXPECT_LE(t.Length(), 48);
        EXPECT_TRUE(t.Text().isValidUtf16() || !c.text.isValidUtf16());
    }
}

TEST(FixedText, ShorterTextClearsTheRest)
{
    TFixedText<16> a = QStringLiteral("ABCDEFGHIJKLMNOP");
    a = QStringLiteral("XY");
    EXPECT_EQ(a.Text(), "XY");
    EXPECT_EQ(a, TFixedText<16>(QStringLiteral("XY")));
}

TEST(SelectionRec, CapacitiesMatchTheFileFields)
{
    TSelectionRec r;
    const QString longText(200, QLatin1Char('z'));
    r.prefix = longText;
    r.model = longText;
    r.rangedesc = longText;
    r.size = longText;
    r.photo = longText;
    r.ga = longText;
    r.page = longText;
    EXPECT_EQ(r.prefix.Length(), 16);
    EXPECT_EQ(r.model.Length(), 48);
    EXPECT_EQ(r.rangedesc.Length(), 96);
    EXPECT_EQ(r.size.Length(), 96);
    EXPECT_EQ(r.photo.Length(), 96);
    EXPECT_EQ(r.ga.Length(), 96);
    EXPECT_EQ(r.page.Length(), 16);
}

TSelectionRec FilledRecord()
{
    TSelectionRec r;
    r.prefix = QStringLiteral("RS");
    r.model = QStringLiteral("RS-600x300");
    r.rangedesc = QString::fromUtf8("Rectangular splitter ½ module");
    r.size = QStringLiteral("W,H=600,300");
    r.shape = 1;
    r.widdiam = 0.6;
    r.nmodules = 2;
    r.height = 0.3;
    r.length = 1.2;
    r.weight = 42.5;
    r.atten = {9, 10, 15, 45, 50, 50, 45, 20};
    r.regen = {40.99, 38.99, 35.99, 36.99, 35.99, 33.99, 30.99, 28.99};
    r.dp = 37;
    r.db = 54.2;
    r.vp = 8.5;
    r.photo = QStringLiteral("rs_photo.jpg");
    r.ga = QStringLiteral("rs_ga.gif");
    r.page = QStringLiteral("rs.htm");
    return r;
}

TEST(SelectionRec, CopiesByAssignmentAndBytes)
{
    const TSelectionRec original = FilledRecord();
    TSelectionRec copy;
    copy = original;
    EXPECT_EQ(copy, original);
    EXPECT_EQ(copy.rangedesc.Text(), QString::fromUtf8("Rectangular splitter ½ module"));

    // A heap copy outlives its source: nothing in the record points elsewhere.
    auto heap = std::make_unique<TSelectionRec>(original);
    TSelectionRec bytes;
    std::memcpy(&bytes, heap.get(), sizeof bytes);
    heap.reset();
    EXPECT_EQ(bytes, original);
    EXPECT_EQ(bytes.page.Text(), "rs.htm");

    copy.model = QStringLiteral("other");
    EXPECT_EQ(original.model.Text(), "RS-600x300");
}

TEST(SpecificationRec, CopiesByAssignment)
{
    TSpecificationRec spec;
    spec.airflow = 2.8;
    spec.maxdP = 100;
    spec.width = 0.6;
    spec.height = 0.3;
    spec.diameter = 0;
    spec.atten = {9, 10, 15, 45, 50, 50, 45, 20};
    const TSpecificationRec copy = spec;
    EXPECT_EQ(copy, spec);
    EXPECT_EQ(sizeof(TSpecificationRec), 13 * sizeof(double));
}

} // namespace
