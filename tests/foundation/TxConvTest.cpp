#include "TestUtil.h"
#include "TxConv.h"
#include "TxFormat.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QSet>

#include <vector>

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

    // A value typed in a unit that is a decimal step from the stored one is
    // the double nearest the exact result, and shows back as typed.
    const struct {
        int unit; // of utLengthMeasure, stored in m
        double shown;
        double stored;
    } exact[] = {{2, 900.45, 0.90045}, {3, 35.45, 0.90043}, {1, 0.3, 0.003}, {2, -0.1, -0.0001}};
    for (const auto& c : exact) {
        GetUnitsConversion(utLengthMeasure, c.unit, 0, label, factor, offset, format);
        EXPECT_EQ(FromDisplayUnits(c.shown, factor, offset), c.stored) << c.shown << " " << label.toStdString();
        if (c.unit != 3) { // 39.37... per metre is no short decimal
            EXPECT_EQ(ToDisplayUnits(c.stored, factor, offset), c.shown) << c.stored;
        }
    }
    // More factors in turn than the conversion remembers: each converts as
    // the first time.
    const std::pair<double, double> steps[] = {{1000, 300}, {100, 30}, {60, 18}, {3600, 1080}, {0.001, 0.0003}};
    for (int pass = 0; pass < 3; ++pass)
        for (const auto& [f, shown] : steps)
            EXPECT_EQ(ToDisplayUnits(0.3, f, 0), shown) << f;
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

// Definitions the factors follow from, in SI units.
constexpr double kInch = 0.0254;
constexpr double kFoot = 0.3048;
constexpr double kPound = 0.45359237;
constexpr double kGravity = 9.80665;
constexpr double kBtu = 1055.05585262; // International Table
constexpr double kKcal = 4186.8;       // International Table
constexpr double kPsi = kPound * kGravity / (kInch * kInch);
constexpr double kInchWater = 1000 * kGravity * kInch; // conventional: 1000 kg/m³
constexpr double kInchMercury = 13595.1 * kGravity * kInch; // mercury at 0 °C
constexpr double kMetreHead = 1000 * kGravity;
constexpr double kAtm = 101325;
constexpr double kGallonUS = 231 * kInch * kInch * kInch;
constexpr double kGallonImp = 4.54609e-3;
constexpr double kHorsepower = 550 * kFoot * kPound * kGravity;
constexpr double kDegF = 5.0 / 9.0; // K per °F step
constexpr double kPi = 3.14159265358979323846;

struct SIFactor {
    const char* label;
    double si;                     // display units per unit of entry 0
    const char* rounded = nullptr; // why the table holds a rounded value
};

struct SIGroup {
    std::vector<TUnitsType> kinds;
    std::vector<SIFactor> units;
};

const std::vector<SIGroup>& SIGroups()
{
    static const std::vector<SIGroup> groups = {
        {{utAirFlowPrim, utAirFlowSec},
         {{"m³/s", 1}, {"m³/min", 60}, {"m³/hr", 3600}, {"l/s", 1000}, {"cfm", 60 / (kFoot * kFoot * kFoot)}}},
        {{utAirFlowSmall}, {{"l/s", 1}, {"m³/min", 0.06}, {"cfm", 0.06 / (kFoot * kFoot * kFoot)}}},
        {{utAirFlowRate},
         {{"m³/s/m²", 1}, {"m³/min/m²", 60}, {"m³/hr/m²", 3600}, {"l/s/m²", 1000}, {"cfm/ft²", 60 / kFoot}}},
        {{utAirPressDrop, utPressure, utPressureSteam, utWaterPressDrop},
         {{"kPa", 1},
          {"Pa", 1000},
          {"Psi", 1000 / kPsi},
          {"Bar", 0.01},
          {"Atm", 1000 / kAtm},
          {"InchWg", 1000 / kInchWater},
          {"InchHg", 1000 / kInchMercury, "0.295, three digits"},
          {"mHead", 1000 / kMetreHead}}},
        {{utAltitude}, {{"m", 1}, {"ft", 1 / kFoot}}},
        {{utAngularSpeed}, {{"rpm", 1}, {"Rad/s", 2 * kPi / 60}, {"Rev/s", 1.0 / 60}}},
        {{utArea},
         {{"m²", 1}, {"cm²", 1e4}, {"mm²", 1e6}, {"inch²", 1 / (kInch * kInch)}, {"ft²", 1 / (kFoot * kFoot)}}},
        {{utCondensateRate}, {{"g/s", 1}, {"kg/s", 1e-3}, {"kg/min", 0.06}, {"lb/hr", 3.6 / kPound}}},
        {{utConductance},
         {{"kW/°C", 1}, {"W/°C", 1000}, {"MBH/°F", 3600 * kDegF / kBtu}, {"Btu/h°F", 3600e3 * kDegF / kBtu}}},
        {{utConductivity},
         {{"W/mK", 1}, {"mW/mK", 1000}, {"Btu/hr·ft°F", 3600 * kFoot * kDegF / kBtu, "0.5777, 0.015 % low"}}},
        {{utDensity}, {{"kg/m³", 1}, {"mg/L", 1000}, {"lb/ft³", kFoot * kFoot * kFoot / kPound}}},
        {{utDiameter}, {{"m", 1}, {"mm", 1000}, {"inch", 1 / kInch}, {"1/8\"", 8 / kInch}, {"ft", 1 / kFoot}}},
        {{utDutyPrim, utDutySec},
         {{"kW", 1},
          {"W", 1000},
          {"Btu/hr", 3600e3 / kBtu},
          {"MBh", 3600 / kBtu},
          {"kcal/hr", 3600e3 / kKcal, "859.184, 0.08 % low"}}},
        {{utDutyRate},
         {{"W/m²", 1},
          {"kW/m²", 1e-3},
          {"Btu/hr·ft²", 3600 * kFoot * kFoot / kBtu},
          {"MBh/ft²", 3.6 * kFoot * kFoot / kBtu},
          {"kcal/hr·ft²", 3600 * kFoot * kFoot / kKcal, "from 859.184 kcal/hr per kW"}}},
        {{utEnergy}, {{"kJ", 1}, {"J", 1000}, {"kW-hr", 1 / 3600.0}, {"W-hr", 1 / 3.6}, {"Btu", 1000 / kBtu}}},
        {{utEnthalpy}, {{"kJ/kg", 1}, {"Btu/lb", 1000 * kPound / kBtu}}},
        {{utFinDensity}, {{"fpi", 1}, {"fin/mm", 1e-3 / kInch}, {"fins/m", 1 / kInch}, {"fins/ft", 12}}},
        {{utHeatOfRespir}, {{"kJ/kg/day", 1}, {"Btu/lb/day", 1000 * kPound / kBtu}}},
        {{utHeatTransCoeff},
         {{"W/m²°C", 1}, {"Btu/hr·ft²°F", 3600 * kFoot * kFoot * kDegF / kBtu, "0.17612, 0.005 % high"}}},
        {{utHumidity}, {{"kg/kg", 1}, {"g/kg", 1000}, {"gr/lb", 7000}}},
        {{utLengthBig}, {{"m", 1}, {"ft", 1 / kFoot}}},
        {{utLengthMeasure, utLengthPrim, utLengthSec},
         {{"m", 1}, {"cm", 100}, {"mm", 1000}, {"inch", 1 / kInch}, {"ft", 1 / kFoot}}},
        {{utLengthSmall}, {{"mm", 1}, {"um", 1000}, {"Thou\"", 1e-3 / (kInch / 1000)}}},
        {{utMass}, {{"kg", 1}, {"ton SI", 1e-3}, {"lb", 1 / kPound}}},
        {{utMassFlow, utMassFlowGas},
         {{"kg/s", 1},
          {"g/s", 1000},
          {"kg/hr", 3600},
          {"lb/s", 1 / kPound},
          {"lb/min", 60 / kPound},
          {"lb/hr", 3600 / kPound}}},
        {{utMassFlux},
         {{"kg/m²s", 1},
          {"g/m²s", 1000},
          {"kg/m²hr", 3600},
          {"lb/ft²s", kFoot * kFoot / kPound},
          {"lb/ft²min", 60 * kFoot * kFoot / kPound},
          {"lb/ft²hr", 3600 * kFoot * kFoot / kPound}}},
        {{utMetRate}, {{"W/P", 1}, {"Btu/hr/P", 3600 / kBtu}}},
        {{utPeopleDensity}, {{"m²/P", 1}, {"ft²/P", 1 / (kFoot * kFoot)}}},
        {{utPower}, {{"kW", 1}, {"W", 1000}, {"HP", 1000 / kHorsepower}}},
        {{utPressureBar},
         {{"kPa", 1},
          {"Psi", 1000 / kPsi},
          {"Bar", 0.01},
          {"Atm", 1000 / kAtm},
          {"InchHg", 1000 / kInchMercury, "0.295, three digits"},
          {"mHead", 1000 / kMetreHead}}},
        {{utPressureRateGas, utPressureRateLiquid},
         {{"Pa/m", 1}, {"kPa/m", 1e-3}, {"iwg/100'", 100 * kFoot / kInchWater}, {"Psi/ft", kFoot / kPsi}}},
        {{utProportion}, {{"fraction", 1}, {"%", 100}, {"ratio", 1}}},
        {{utSpecificHeat}, {{"kJ/kg·K", 1}, {"Btu/lb°F", 1000 * kPound * kDegF / kBtu, "0.23883, 0.005 % low"}}},
        {{utSpecificVol}, {{"m³/kg", 1}, {"ft³/lb", kPound / (kFoot * kFoot * kFoot)}}},
        {{utTemperature, utTemperatureChange}, {{"°C", 1}, {"°F", 1 / kDegF}, {"K", 1}}},
        {{utThermalCapacity}, {{"W-hr/m²°C", 1}, {"Btu/ft²°F", 3600 * kFoot * kFoot * kDegF / kBtu}}},
        {{utThermalResist}, {{"m²°C/W", 1}, {"ft²·hr·°F/Btu", kBtu / (3600 * kFoot * kFoot * kDegF)}}},
        {{utTime}, {{"sec", 1}, {"min", 1 / 60.0}, {"hr", 1 / 3600.0}}},
        {{utVelocity}, {{"m/s", 1}, {"fpm", 60 / kFoot}}},
        {{utViscosity},
         {{"kg/m·s", 1},
          {"N·s/m²", 1},
          {"Pa·s", 1},
          {"cP", 1000},
          {"lbm/ft·s", kFoot / kPound},
          {"lbf·s/ft²", kFoot * kFoot / (kPound * kGravity), "0.020885, five digits"},
          {"lbf·hr/ft²", kFoot * kFoot / (kPound * kGravity) / 3600, "5.8014e-06, five digits"}}},
        {{utVolume},
         {{"m³", 1},
          {"litre", 1000},
          {"cc", 1e6},
          {"ft³", 1 / (kFoot * kFoot * kFoot), "35.32, four digits"},
          {"inch³", 1 / (kInch * kInch * kInch), "61023, whole"}}},
        {{utVolumeFluid},
         {{"kl", 1}, {"litre", 1000}, {"IP Gal", 1 / kGallonImp, "220, whole"}, {"US Gal", 1 / kGallonUS}}},
        {{utWaterFlow},
         {{"l/s", 1},
          {"l/min", 60},
          {"dm³/hr", 3600},
          {"m³/hr", 3.6},
          {"m³/s", 1e-3},
          {"usgpm", 60e-3 / kGallonUS}}},
    };
    return groups;
}

// Every factor against its value from the definitions: to a part in a
// million (Btu, psi and hp are written to seven digits), or to 0.2 % for the
// factors the table holds rounded, each named with its reason.
TEST(Tables, EveryFactorFollowsFromTheSIDefinitions)
{
    QSet<int> covered;
    for (const SIGroup& group : SIGroups()) {
        for (TUnitsType kind : group.kinds) {
            SCOPED_TRACE(int(kind));
            covered.insert(kind);
            ASSERT_EQ(GetUnitsCount(kind), int(group.units.size()));
            for (int i = 0; i < GetUnitsCount(kind); ++i) {
                const SIFactor& unit = group.units[size_t(i)];
                QString label, format;
                double factor = 0, offset = 0;
                GetUnitsConversion(kind, i, 0, label, factor, offset, format);
                EXPECT_EQ(label, QString::fromUtf8(unit.label));
                EXPECT_NEAR(factor / unit.si, 1.0, unit.rounded ? 2e-3 : 1e-6)
                    << unit.label << (unit.rounded ? " (rounded: " : "") << (unit.rounded ? unit.rounded : "")
                    << (unit.rounded ? ")" : "");
            }
        }
    }
    EXPECT_EQ(covered.size(), UnitsTypeCount - 1) << "every kind but utNone";
}

} // namespace
