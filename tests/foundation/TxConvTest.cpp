#include "TestUtil.h"
#include "TxConv.h"
#include "TxFormat.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QSet>

namespace {

struct ConversionCase {
    TUnitsType kind;
    int index;
    int base;
    const char* label; // UTF-8
    double factor;
    double offset;
    const char* format;
};

class Conversion : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(Conversion, GivesLabelFactorOffsetAndFormat)
{
    const auto& c = GetParam();
    QString label, format;
    double factor = -7, offset = -7;
    GetUnitsConversion(c.kind, c.index, c.base, label, factor, offset, format);
    EXPECT_EQ(label, QString::fromUtf8(c.label));
    EXPECT_DOUBLE_EQ(factor, c.factor);
    EXPECT_NEAR(offset, c.offset, 1e-9);
    EXPECT_EQ(format, QString::fromLatin1(c.format));
}

INSTANTIATE_TEST_SUITE_P(Units, Conversion,
                         ::testing::Values(ConversionCase{utAirPressDrop, 5, 1, "InchWg", 0.004014630759755623, 0,
                                                          "%0.4f"},
                                           ConversionCase{utPressure, 1, 1, "Pa", 1.0, 0, "%0.0f"},
                                           ConversionCase{utAirFlowPrim, 4, 0, "cfm", 2118.8800032893155, 0, "%0.2f"},
                                           ConversionCase{utAirFlowPrim, 0, 0, "m³/s", 1.0, 0, "%0.3f"},
                                           ConversionCase{utLengthMeasure, 2, 0, "mm", 1000.0, 0, "%0.1f"},
                                           ConversionCase{utLengthMeasure, 0, 2, "m", 0.001, 0, "%0.3f"},
                                           ConversionCase{utDiameter, 3, 0, "1/8\"", 314.96062992125985, 0, "%0.0f"},
                                           ConversionCase{utLengthSmall, 2, 0, "Thou\"", 39.37007874015748, 0, "%0.3f"},
                                           ConversionCase{utViscosity, 2, 0, "Pa·s", 1.0, 0, "%0.4g"},
                                           ConversionCase{utTemperature, 1, 0, "°F", 1.8, 32, "%0.1f"},
                                           ConversionCase{utTemperature, 2, 0, "K", 1.0, 273.15, "%0.2f"},
                                           ConversionCase{utTemperatureChange, 1, 0, "°F", 1.8, 0, "%0.1f"},
                                           ConversionCase{utTemperatureChange, 2, 0, "K", 1.0, 0, "%0.2f"},
                                           // Stored in K: the base unit's offset comes off first.
                                           ConversionCase{utTemperature, 0, 2, "°C", 1.0, -273.15, "%0.1f"},
                                           ConversionCase{utTemperature, 1, 2, "°F", 1.8, 32 - 273.15 * 1.8, "%0.1f"},
                                           // Indices from outside are limited to the kind's list.
                                           ConversionCase{utVelocity, 9, 0, "fpm", 196.8503937007874, 0, "%0.1f"},
                                           ConversionCase{utVelocity, -3, 0, "m/s", 1.0, 0, "%0.2f"},
                                           ConversionCase{utVelocity, 1, 9, "fpm", 1.0, 0, "%0.1f"},
                                           ConversionCase{utVelocity, 0, -3, "m/s", 1.0, 0, "%0.2f"},
                                           ConversionCase{utTemperature, 7, -1, "K", 1.0, 273.15, "%0.2f"}));

TEST(Conversion, PlainNumbersKeepTheCallersFactor)
{
    for (int kind : {int(utNone), 54, 200, 255}) {
        QString label = "x", format;
        double factor = 2.5, offset = 7;
        GetUnitsConversion(static_cast<TUnitsType>(kind), 3, 9, label, factor, offset, format);
        EXPECT_EQ(label, "");
        EXPECT_EQ(format, "%0.1f");
        EXPECT_EQ(factor, 2.5);
        EXPECT_EQ(offset, 7);
        EXPECT_TRUE(GetUnitsLabels(static_cast<TUnitsType>(kind)).isEmpty());
        EXPECT_EQ(GetUnitsCount(static_cast<TUnitsType>(kind)), 0);
        EXPECT_EQ(DefaultMetricUnits(static_cast<TUnitsType>(kind)), 0);
        EXPECT_EQ(DefaultImperialUnits(static_cast<TUnitsType>(kind)), 0);
    }
    EXPECT_EQ(UnitsTypeFromInt(48), utVelocity);
    EXPECT_EQ(UnitsTypeFromInt(54), utNone);
    EXPECT_EQ(UnitsTypeFromInt(-1), utNone);
}

TEST(Conversion, ShowsAndReadsBackValues)
{
    QString label, format;
    double factor = 1, offset = 0;
    GetUnitsConversion(utAirPressDrop, 5, 1, label, factor, offset, format);
    EXPECT_EQ(Format(format, ToDisplayUnits(80, factor, offset)), "0.3212");
    GetUnitsConversion(utTemperature, 1, 0, label, factor, offset, format);
    EXPECT_EQ(Format(format, ToDisplayUnits(20, factor, offset)), "68.0");
    EXPECT_NEAR(FromDisplayUnits(68.0, factor, offset), 20.0, 1e-12);
    GetUnitsConversion(utTemperature, 0, 2, label, factor, offset, format);
    EXPECT_EQ(Format(format, ToDisplayUnits(293.15, factor, offset)), "20.0");
}

TEST(Clamp, LimitsIndexToTheKindsList)
{
    EXPECT_EQ(ClampUnitsIndex(utVelocity, 5), 1);
    EXPECT_EQ(ClampUnitsIndex(utVelocity, -3), 0);
    EXPECT_EQ(ClampUnitsIndex(utVelocity, 1), 1);
    EXPECT_EQ(ClampUnitsIndex(utNone, 7), 7);
    EXPECT_EQ(ClampUnitsIndex(utAirPressDrop, 7), 7);
    EXPECT_EQ(ClampUnitsIndex(utAirPressDrop, 8), 7);
    EXPECT_EQ(GetUnitsLabel(utMass, 99), "lb");
    EXPECT_EQ(GetUnitsFormat(utMass, -99), "%0.0f");
}

TEST(Tables, SharedGroupsAndLabels)
{
    EXPECT_EQ(GetUnitsLabels(utPressure), GetUnitsLabels(utAirPressDrop));
    EXPECT_EQ(GetUnitsLabels(utPressure), GetUnitsLabels(utWaterPressDrop));
    const QStringList bar = GetUnitsLabels(utPressureBar);
    EXPECT_EQ(bar.size(), 6);
    EXPECT_FALSE(bar.contains("Pa"));
    EXPECT_FALSE(bar.contains("InchWg"));
    EXPECT_EQ(GetUnitsLabel(utAirFlowPrim, 0).size(), 4); // "³" is one character
    EXPECT_EQ(GetUnitsLabels(utArea), (QStringList{"m²", "cm²", "mm²", "inch²", "ft²"}));
}

// Counts and defaults of every kind, in enumeration order.
struct KindRow {
    int count, metric, imperial;
};
const KindRow KindRows[UnitsTypeCount] = {
    {0, 0, 0}, {5, 0, 4}, {5, 3, 4}, {3, 0, 2}, {5, 3, 4}, {8, 1, 5}, {2, 0, 1}, {3, 0, 0}, {5, 0, 4},
    {4, 0, 3}, {4, 0, 2}, {3, 0, 2}, {3, 0, 2}, {5, 1, 2}, {5, 0, 2}, {5, 1, 2}, {5, 0, 2}, {5, 2, 4},
    {2, 0, 1}, {4, 2, 0}, {2, 0, 1}, {2, 0, 1}, {3, 1, 2}, {2, 0, 1}, {5, 2, 3}, {5, 0, 4}, {5, 2, 3},
    {3, 0, 2}, {3, 0, 2}, {6, 0, 3}, {6, 2, 5}, {6, 0, 3}, {2, 0, 1}, {2, 0, 1}, {3, 0, 2}, {8, 0, 2},
    {6, 0, 4}, {8, 3, 2}, {4, 0, 2}, {4, 1, 3}, {3, 0, 0}, {2, 0, 1}, {2, 0, 1}, {3, 0, 1}, {3, 0, 1},
    {2, 0, 1}, {2, 0, 1}, {3, 0, 1}, {2, 0, 1}, {7, 0, 4}, {5, 0, 3}, {4, 0, 3}, {6, 0, 5}, {8, 0, 2},
};

TEST(Tables, EveryKindIsConsistent)
{
    const QRegularExpression pattern(QStringLiteral("^%0\\.[0-9][fg]$"));
    int groups = 0;
    QSet<QString> seen;
    for (int k = 0; k < UnitsTypeCount; ++k) {
        const auto kind = static_cast<TUnitsType>(k);
        const KindRow& row = KindRows[k];
        SCOPED_TRACE(k);
        EXPECT_EQ(GetUnitsCount(kind), row.count);
        EXPECT_EQ(DefaultMetricUnits(kind), row.metric);
        EXPECT_EQ(DefaultImperialUnits(kind), row.imperial);
        if (kind == utNone)
            continue;
        EXPECT_LT(row.metric, row.count);
        EXPECT_LT(row.imperial, row.count);
        const QStringList labels = GetUnitsLabels(kind);
        ASSERT_EQ(labels.size(), row.count);
        EXPECT_EQ(QSet<QString>(labels.begin(), labels.end()).size(), labels.size()) << labels.join('|').toStdString();
        QString group;
        for (int i = 0; i < row.count; ++i) {
            QString label, format;
            double factor = 0, offset = 0;
            GetUnitsConversion(kind, i, i, label, factor, offset, format);
            EXPECT_EQ(factor, 1.0) << i;
            EXPECT_EQ(offset, 0.0);
            EXPECT_FALSE(label.isEmpty());
            EXPECT_TRUE(pattern.match(format).hasMatch()) << format.toStdString();
            EXPECT_EQ(label, labels[i]);
            group += label + format + FloatToStr(factor) + '|';
            // Shown and entered values convert back.
            GetUnitsConversion(kind, i, 0, label, factor, offset, format);
            EXPECT_GT(factor, 0);
            EXPECT_NEAR(FromDisplayUnits(ToDisplayUnits(12.5, factor, offset), factor, offset), 12.5, 1e-9);
            group += FloatToStr(factor) + '|';
        }
        if (!seen.contains(group)) {
            seen.insert(group);
            ++groups;
        }
    }
    EXPECT_EQ(groups, 43);
}

} // namespace
