#include "TestUtil.h"
#include "TxEditGridLogic.h"
#include "TxErrors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TNumField Number(const QString& format, double factor = 1.0, double offset = 0.0)
{
    TNumField f(fkPlain, format, 0, 0, 1);
    f.Factor = factor;
    f.Offset = offset;
    return f;
}

TDelimNumField Pair(const QString& format, double factor = 1.0)
{
    TDelimNumField f(fkPlain, format, 0, 0, 1);
    f.Factor = factor;
    return f;
}

TEnumField Colours()
{
    return TEnumField({QStringLiteral("Red"), QStringLiteral("Green"), QStringLiteral("Blue")});
}

} // namespace

TEST(EditGridValues, TextToValue)
{
    const TNumField mm = Number(QStringLiteral("%0.1f"), 1000.0);
    const TNumField count = Number(QStringLiteral("%d"));
    const TNumField fahrenheit = Number(QStringLiteral("%0.1f"), 1.8, 32.0);
    const TDelimNumField pair = Pair(QStringLiteral("%0.1f/%0.1f"));
    const TDelimNumField pairMm = Pair(QStringLiteral("%0.1f/%0.1f"), 1000.0);
    const TEnumField colours = Colours();
    const TField text(fkPlain, QStringLiteral("%S"));
    struct {
        const TField* field;
        const char* text;
        QVariant value;
    } const cases[] = {
        {&mm, "900.0", 0.9},
        {&mm, "1 234.5", 1.2345}, // typed texts pass the normaliser
        {&mm, "", 0.0},
        {&mm, "abc", QStringLiteral("abc")},
        {&count, "7", 7},
        {&count, "2.5", 2}, // nearest, ties to even
        {&count, "3.5", 4},
        {&fahrenheit, "212.0", 100.0},
        {&pair, "", QStringLiteral("0.0/0.0")},
        {&pair, "1.5/2.5", QStringLiteral("1.5/2.5")},
        {&pair, "12.5", QStringLiteral("12.5")},
        {&pair, "a/b", QStringLiteral("a/b")},
        {&pairMm, "900.0/300.0", QStringLiteral("0.9/0.3")},
        // The display format would round the stored numbers to nothing.
        {&pairMm, "12.5/30.0", QStringLiteral("0.0125/0.03")},
        {&pairMm, "12.5", QStringLiteral("0.0125")},
        {&colours, "green", 1},
        {&colours, "Purple", -1},
        {&text, "anything", QStringLiteral("anything")},
    };
    for (const auto& c : cases) {
        const QVariant v = CellTextToValue(*c.field, QString::fromUtf8(c.text));
        EXPECT_EQ(v.typeId(), c.value.typeId()) << c.text;
        if (c.value.typeId() == QMetaType::Double)
            EXPECT_NEAR(v.toDouble(), c.value.toDouble(), 1e-12) << c.text;
        else
            EXPECT_EQ(v, c.value) << c.text;
    }
}

TEST(EditGridValues, ValueToText)
{
    const TNumField mm = Number(QStringLiteral("%0.1f"), 1000.0);
    const TNumField count = Number(QStringLiteral("%d"));
    TNumField autoDigits = Number(QStringLiteral("%0.2f"));
    autoDigits.FormatType = ft_Auto;
    autoDigits.SigDigs = 3;
    const TNumField noClass = Number(QStringLiteral("%x"));
    const TDelimNumField pair = Pair(QStringLiteral("%0.1f/%0.1f"));
    const TDelimNumField pairMm = Pair(QStringLiteral("%0.1f/%0.1f"), 1000.0);
    const TEnumField colours = Colours();
    const TField text(fkPlain, QStringLiteral("%S"));
    const TField unformatted(fkPlain, QString());
    struct {
        const TField* field;
        QVariant value;
        const char* text; // null: the value cannot be shown
    } const cases[] = {
        {&mm, 0.9, "900.0"},
        {&mm, QStringLiteral("0.45"), "450.0"},
        {&mm, QStringLiteral("abc"), nullptr},
        {&mm, QString(), nullptr},
        {&mm, std::numeric_limits<double>::quiet_NaN(), nullptr},
        {&count, 2.5, "2"},
        {&count, 3.5, "4"},
        {&count, 7, "7"},
        {&autoDigits, 1234.5678, "1235"},
        {&noClass, 1.0, ""},
        {&pair, QStringLiteral("1.25/2"), "1.3/2.0"},
        {&pair, 1.5, "1.5/0.0"},
        {&pair, QStringLiteral("x"), nullptr},
        {&pairMm, QStringLiteral("0.0125/0.03"), "12.5/30.0"},
        {&colours, 1, "Green"},
        {&colours, 0.0, "Red"},
        {&colours, QStringLiteral("2"), "Blue"},
        {&colours, QStringLiteral("1.0"), "Green"},
        {&colours, QStringLiteral("1e0"), "Green"},
        {&colours, 1.5, "Blue"},
        {&colours, QStringLiteral("x"), nullptr},
        {&count, std::numeric_limits<double>::infinity(), nullptr},
        {&mm, QStringLiteral("1e400"), nullptr},
        {&text, std::numeric_limits<double>::infinity(), ""},
        {&colours, 3, nullptr},
        {&colours, -1, nullptr},
        {&text, QStringLiteral("Bob"), "Bob"},
        {&text, 2.5, "2.5"},
        {&unformatted, QStringLiteral("Bob"), "Bob"},
    };
    for (const auto& c : cases) {
        if (!c.text) {
            EXPECT_THROW(CellValueToText(*c.field, c.value), EConvertError) << c.value.toString().toStdString();
            continue;
        }
        EXPECT_EQ(CellValueToText(*c.field, c.value), QString::fromUtf8(c.text)) << c.text;
    }
    // A plain field whose format takes no text cannot show one.
    EXPECT_THROW(CellValueToText(TField(fkPlain, QStringLiteral("%0.1")), QStringLiteral("x")), EConvertError);
}

TEST(EditGridValues, AnchorsKeepTheStoredValueWhileTheTextStays)
{
    const TNumField mm = Number(QStringLiteral("%0.1f"), 1000.0);
    TValueAnchor anchor;
    EXPECT_EQ(CellValueToText(mm, 0.30049, &anchor), QStringLiteral("300.5"));
    EXPECT_TRUE(anchor.Valid);
    EXPECT_EQ(CellTextToValue(mm, QStringLiteral("300.5"), &anchor).toDouble(), 0.30049);
    EXPECT_DOUBLE_EQ(CellTextToValue(mm, QStringLiteral("300.4"), &anchor).toDouble(), 0.3004);

    const TDelimNumField pair = Pair(QStringLiteral("%0.1f/%0.1f"), 1000.0);
    EXPECT_EQ(CellValueToText(pair, QStringLiteral("0.01234/0.5"), &anchor), QStringLiteral("12.3/500.0"));
    EXPECT_TRUE(anchor.Pair);
    EXPECT_EQ(CellTextToValue(pair, QStringLiteral("12.3/500.0"), &anchor), QVariant(QStringLiteral("0.01234/0.5")));

    // Nothing to anchor when nothing is shown.
    CellValueToText(Number(QStringLiteral("%x")), 1.0, &anchor);
    EXPECT_FALSE(anchor.Valid);

    // What an editor starts from: the fewest digits that are the stored value.
    const TNumField plain = Number(QStringLiteral("%0.2f"));
    const TNumField fahrenheit = Number(QStringLiteral("%0.1f"), 1.8, 32.0);
    const struct {
        const TNumField* field;
        double stored;
        double shown;
    } editorCases[] = {
        {&plain, 12.345, 12.345}, {&plain, 1e308, 1e308},   {&plain, 0.1 + 0.2, 0.3}, // 15 digits at most
        {&mm, 0.30049, 300.49},   {&mm, 0.0125, 12.5},      {&fahrenheit, 37.5, 99.5},
    };
    for (const auto& c : editorCases)
        EXPECT_EQ(ExactEditValue(*c.field, c.stored), c.shown) << c.stored;
}

TEST(EditGridValues, AnchorsFollowMovesAndSizes)
{
    TCellAnchors anchors;
    auto at = [](double a) { return TValueAnchor{true, false, a, 0.0, QStringLiteral("t")}; };
    anchors.Set(1, 1, at(1));
    anchors.Set(1, 2, at(2));
    anchors.Set(1, 3, at(3));
    anchors.Set(2, 3, at(23));
    anchors.MoveRow(1, 3); // rows 2 and 3 move up
    EXPECT_EQ(anchors.Find(1, 1, QStringLiteral("t"))->A, 2);
    EXPECT_EQ(anchors.Find(1, 2, QStringLiteral("t"))->A, 3);
    EXPECT_EQ(anchors.Find(1, 3, QStringLiteral("t"))->A, 1);
    EXPECT_EQ(anchors.Find(2, 2, QStringLiteral("t"))->A, 23);
    anchors.MoveColumn(2, 1);
    EXPECT_EQ(anchors.Find(1, 2, QStringLiteral("t"))->A, 23);
    EXPECT_EQ(anchors.Find(2, 2, QStringLiteral("t"))->A, 3);
    EXPECT_EQ(anchors.Find(2, 2, QStringLiteral("other")), nullptr);
    anchors.Truncate(3, 3);
    EXPECT_EQ(anchors.Find(2, 3, QStringLiteral("t")), nullptr);
    EXPECT_EQ(anchors.Count(), 3);
    anchors.RemoveColumn(2);
    EXPECT_EQ(anchors.Count(), 1);
    anchors.Set(1, 2, TValueAnchor());
    EXPECT_EQ(anchors.Count(), 0);
}

TEST(EditGridSteps, Spin)
{
    struct {
        const char* format;
        double low, high, step, x;
        bool up;
        bool changed;
        double result;
    } const cases[] = {
        {"%0.1f", 0, 10, 2.5, 3, true, true, 5},
        {"%0.1f", 0, 10, 2.5, 3, false, true, 2.5},
        {"%0.1f", 0, 10, 2.5, 5, true, true, 7.5},
        {"%0.1f", 0, 10, 2.5, 5, false, true, 2.5},
        {"%0.1f", 0, 10, 2.5, 10, true, false, 10},
        {"%0.1f", 0, 10, 2.5, 0, false, false, 0},
        {"%0.1f", 0, 10, 2.5, 9, true, true, 10},
        {"%0.1f", 0, 10, 2.5, 12, true, true, 10},
        {"%0.1f", -10, 10, 2.5, -3, true, true, -2.5},
        {"%0.1f", -10, 10, 2.5, -3, false, true, -5},
        {"%0.1f", 0, 10, 0.5, 2.46, true, true, 3}, // 2.46 shows as 2.5
        {"%0.1f", 0, 0, 1, 5, true, true, 0},       // both bounds 0: always 0
        {"%0.1f", 0, 0, 1, 3, false, true, 0},
        {"%0.1f", 0, 0, 1, 0, true, false, 0},
        {"%0.1f", 0, 10, 0, 3, true, false, 3}, // no step, no move
        {"%d", 1, 5, 2, 3, true, true, 4},
        {"%d", 1, 5, 2, 3, false, true, 2},
        {"%0.2f", 0, 1, 0.1, 0.3, true, true, 0.4}, // 0.3 is a multiple of 0.1
        {"%0.2f", 0, 1, 0.1, 0.3, false, true, 0.2},
        {"%0.4g", 0, 100, 1, 7, true, true, 8},
    };
    for (const auto& c : cases) {
        TNumField f(fkSpin, QString::fromUtf8(c.format), c.low, c.high, c.step);
        double x = c.x;
        EXPECT_EQ(SpinValue(f, x, c.up), c.changed) << c.format << " " << c.x << (c.up ? " up" : " down");
        EXPECT_NEAR(x, c.result, 1e-12) << c.format << " " << c.x << (c.up ? " up" : " down");
    }
}

TEST(EditGridSteps, SpinRoundsAsShownInTheDisplayUnit)
{
    // Stored in m, shown in mm with one decimal, steps of 1 mm.
    TNumField f(fkSpin, QStringLiteral("%0.1f"), 0, 1, 0.001);
    f.Factor = 1000.0;
    double x = 0.0123;
    ASSERT_TRUE(SpinValue(f, x, true));
    EXPECT_NEAR(x, 0.013, 1e-12);
    ASSERT_TRUE(SpinValue(f, x, false));
    EXPECT_NEAR(x, 0.012, 1e-12);
}

TEST(EditGridSteps, Choice)
{
    struct {
        int position, count;
        bool forward;
        int result;
    } const cases[] = {
        {0, 3, true, 1},  {2, 3, true, 0},    {0, 3, false, 2}, {1, 3, false, 0},
        {-1, 3, true, 0}, {-1, 3, false, -2}, {0, 1, true, 0},  {0, 1, false, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StepChoice(c.position, c.count, c.forward), c.result) << c.position << "/" << c.count;
}

TEST(EditGridUnits, ApplyFieldUnits)
{
    TNumField f(fkPlain, QStringLiteral("%0.3f"), 0, 1, 1);
    f.UnitsType = utLengthMeasure;
    f.UnitsBase = 0;
    f.UnitsValue = 2;
    EXPECT_EQ(ApplyFieldUnits(f), QStringLiteral("mm"));
    EXPECT_DOUBLE_EQ(f.Factor, 1000.0);
    EXPECT_EQ(f.FormatStr, QStringLiteral("%0.1f"));
    EXPECT_EQ(f.Decimals, 1);

    f.FormatType = ft_Manual;
    f.UnitsValue = 0;
    EXPECT_EQ(ApplyFieldUnits(f), QStringLiteral("m"));
    EXPECT_DOUBLE_EQ(f.Factor, 1.0);
    EXPECT_EQ(f.FormatStr, QStringLiteral("%0.1f"));

    TNumField none(fkPlain, QStringLiteral("%0.2f"), 0, 1, 1);
    none.Factor = 25.4;
    EXPECT_EQ(ApplyFieldUnits(none), QString());
    EXPECT_DOUBLE_EQ(none.Factor, 25.4);
    EXPECT_EQ(none.FormatStr, QStringLiteral("%0.2f"));

    TDelimNumField pair(fkPlain, QStringLiteral("%0.3f/%0.3f"), 0, 0, 1);
    pair.UnitsType = utLengthMeasure;
    pair.UnitsValue = 2;
    ApplyFieldUnits(pair);
    EXPECT_EQ(pair.FormatStr, QStringLiteral("%0.1f/%0.1f"));
}

TEST(EditGridUnits, Captions)
{
    struct {
        const char *caption, *label, *result;
    } const cases[] = {
        {"Wid/Diam,mm", "m", "Wid/Diam,m"},
        {"Q", "m³/s", "m³/s"},
        {"a,b,c", "Pa", "a,Pa"},
        {"Width", "", "Width"},
        {"", "mm", "mm"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CaptionWithUnits(QString::fromUtf8(c.caption), QString::fromUtf8(c.label)),
                  QString::fromUtf8(c.result))
            << c.caption;
}

TEST(EditGridGeometry, Buttons)
{
    const TPixelRect cell{10, 20, 70, 36};
    struct {
        TEditButtonKind kind;
        int rowHeight;
        TPixelRect rect;
    } const cases[] = {
        {ebPropEd, 16, {55, 20, 71, 36}},   {ebPullDown, 16, {55, 20, 71, 36}}, {ebSpinUp, 16, {55, 20, 71, 28}},
        {ebSpinDown, 16, {55, 28, 71, 36}}, {ebSpinUp, 15, {56, 20, 71, 28}}, // 7.5 to even
        {ebSpinDown, 17, {54, 28, 71, 36}},                                   // 8.5 to even
        {ebSpinUp, 13, {58, 20, 71, 26}},                                     // 6.5 to even
    };
    for (const auto& c : cases)
        EXPECT_EQ(EditButtonRect(c.kind, cell, c.rowHeight), c.rect) << c.kind << " " << c.rowHeight;
}

TEST(EditGridGeometry, DropDownList)
{
    const TPixelRect cell{10, 20, 70, 36};
    struct {
        int count, widest;
        TPixelRect rect;
    } const cases[] = {
        {8, 20, {11, 37, 72, 133}}, // five choices and a spare row
        {3, 20, {11, 37, 72, 101}},   {1, 20, {11, 37, 72, 69}},
        {3, 100, {11, 37, 119, 101}}, // widened to the widest choice + 8
        {3, 195, {11, 37, 72, 101}},  // but not to 200 or more
    };
    for (const auto& c : cases)
        EXPECT_EQ(DropDownListRect(cell, 1, 16, 16, c.count, c.widest), c.rect) << c.count << " " << c.widest;
}
