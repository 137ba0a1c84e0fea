#include "TestUtil.h"
#include "TxUnitsCtrl.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

struct AutoCase {
    TUnitsType kind;
    int extra;
    double d;
    const char* pattern;
};

class AutoFormat : public ::testing::TestWithParam<AutoCase> {};

TEST_P(AutoFormat, PicksDecimalsFromMagnitude)
{
    const auto& c = GetParam();
    EXPECT_EQ(AutoFormatString(c.kind, "%0.3f", c.extra, c.d), QString::fromLatin1(c.pattern)) << c.d;
}

INSTANTIATE_TEST_SUITE_P(
    Values, AutoFormat,
    ::testing::Values(AutoCase{utAirFlowPrim, 0, 2.8, "%0.2f"}, AutoCase{utAirFlowPrim, 0, 80, "%0.1f"},
                      AutoCase{utAirFlowPrim, 0, 500, "%0.0f"}, AutoCase{utAirFlowPrim, 0, 0.05, "%0.4f"},
                      AutoCase{utAirFlowPrim, 0, 0.0005, "%0.3g"}, AutoCase{utAirFlowPrim, 0, 0, "%0.0f"},
                      AutoCase{utAirFlowPrim, 0, 5e-10, "%0.0f"}, AutoCase{utAirFlowPrim, 0, -0.05, "%0.4f"},
                      AutoCase{utAirFlowPrim, 0, 99.99, "%0.1f"}, AutoCase{utAirFlowPrim, 0, 100, "%0.0f"},
                      AutoCase{utAirFlowPrim, 0, 9.99, "%0.2f"}, AutoCase{utAirFlowPrim, 0, 0.99, "%0.3f"},
                      // The double nearest each limit falls into the band above it.
                      AutoCase{utAirFlowPrim, 0, 0.1, "%0.3f"}, AutoCase{utAirFlowPrim, 0, 0.01, "%0.4f"},
                      AutoCase{utAirFlowPrim, 0, 0.001, "%0.5f"}, AutoCase{utAirFlowPrim, 0, 0.00099, "%0.3g"},
                      AutoCase{utAirFlowPrim, 0, 1e9, "%0.0g"}, AutoCase{utAirFlowPrim, 2, 1e9, "%0.2g"},
                      AutoCase{utAirFlowPrim, 1, 500, "%0.1f"}, AutoCase{utAirFlowPrim, -1, 500, "%0.0f"},
                      AutoCase{utAirFlowPrim, -1, 2.8, "%0.1f"}, AutoCase{utPressureBar, 0, 101.325, "%0.3f"},
                      AutoCase{utPressureBar, 1, 101.325, "%0.1f"}, AutoCase{utPressure, 0, 101.325, "%0.0f"}));

TEST(AutoFormat, NonFiniteValuesGiveAPattern)
{
    for (double d : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                     -std::numeric_limits<double>::infinity(), 1e300})
        EXPECT_TRUE(AutoFormatString(utAirFlowPrim, "", 0, d).startsWith("%0.")) << d;
}

struct ValueCase {
    TUnitsType kind;
    int base;
    int unit;
    int decimals;
    double value;
    const char* text;
    const char* withLabel;
};

class UnitsCtrlFormat : public ::testing::TestWithParam<ValueCase> {};

TEST_P(UnitsCtrlFormat, FormatsBaseValuesInTheChosenUnit)
{
    const auto& c = GetParam();
    TUnitsCtrl ctrl("Air", "Test", c.kind, c.base, c.unit, false);
    EXPECT_EQ(ctrl.FormatValue(c.decimals, c.value), QString::fromUtf8(c.text));
    EXPECT_EQ(ctrl.FormatWithLabel(" ", c.decimals, c.value), QString::fromUtf8(c.withLabel));
}

INSTANTIATE_TEST_SUITE_P(Values, UnitsCtrlFormat,
                         ::testing::Values(ValueCase{utAirFlowPrim, 0, 0, 0, 2.8, "2.80", "2.80 m³/s"},
                                           ValueCase{utAirFlowPrim, 0, 4, 0, 2.8, "5933", "5933 cfm"},
                                           ValueCase{utAirFlowPrim, 0, 4, 1, 2.8, "5932.9", "5932.9 cfm"},
                                           ValueCase{utLengthMeasure, 0, 2, 1, 0.5, "500.0", "500.0 mm"},
                                           ValueCase{utLengthMeasure, 0, 2, 0, 0.5, "500", "500 mm"},
                                           ValueCase{utLengthMeasure, 0, 3, 0, 0.5, "19.7", "19.7 inch"},
                                           ValueCase{utAirFlowPrim, 0, 0, 0, -0.05, "-0.0500", "-0.0500 m³/s"},
                                           ValueCase{utPressure, 1, 1, 0, 80, "80.0", "80.0 Pa"},
                                           ValueCase{utPressure, 1, 5, 0, 80, "0.321", "0.321 InchWg"},
                                           ValueCase{utTemperature, 0, 1, 0, 20, "68.0", "68.0 °F"},
                                           ValueCase{utAirFlowPrim, 0, 0, 0, 0.0005, "0.0005", "0.0005 m³/s"}));

TEST(UnitsCtrl, FixedFormatUsesTheUnitsFormat)
{
    TUnitsCtrl ctrl("Size", "Dimension", utLengthMeasure, 0, 2, true);
    EXPECT_EQ(ctrl.FormatValue(0, 0.5), "500.0");
    EXPECT_EQ(ctrl.FormatValue(3, 0.5), "500.0");
    ctrl.SetUnitIndex(0);
    EXPECT_EQ(ctrl.FormatValue(0, 0.5), "0.500");
}

TEST(UnitsCtrl, UnitChangesRefreshTheConversion)
{
    TUnitsCtrl ctrl("Air", "Pressure", utPressure, 1, 1, false);
    EXPECT_EQ(ctrl.GetLabel(), "Pa");
    EXPECT_EQ(ctrl.GetBracketLabel(), "[Pa]");
    EXPECT_EQ(ctrl.Factor, 1.0);
    ctrl.SetImperial();
    EXPECT_EQ(ctrl.GetUnitIndex(), 2);
    EXPECT_EQ(ctrl.GetLabel(), "Psi");
    EXPECT_DOUBLE_EQ(ctrl.Factor, 0.1450376807894691 / 1000);
    ctrl.SetMetric();
    EXPECT_EQ(ctrl.GetLabel(), "kPa");
    EXPECT_EQ(ctrl.Format, "%0.3f");
    // Indices from outside stay inside the kind's list.
    ctrl.SetUnitIndex(99);
    EXPECT_EQ(ctrl.GetUnitIndex(), 7);
    EXPECT_EQ(ctrl.GetLabel(), "mHead");
    ctrl.SetUnitIndex(-3);
    EXPECT_EQ(ctrl.GetUnitIndex(), 0);
    EXPECT_EQ(ctrl.Field.UnitsBase, 1);
    EXPECT_EQ(ctrl.Field.UnitsType, utPressure);
}

} // namespace
