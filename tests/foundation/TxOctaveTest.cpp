#include "TestUtil.h"
#include "TxErrors.h"
#include "TxFormat.h"
#include "TxUnitsCtrl.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

const TOctave DefaultDuty{9, 10, 15, 45, 50, 50, 45, 20};
const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Inf = std::numeric_limits<double>::infinity();

TEST(OctaveText, FormatsEightValuesWithSeparators)
{
    EXPECT_EQ(OctaveToStr(DefaultDuty, "%0.0f"), "9, 10, 15, 45, 50, 50, 45, 20");
    EXPECT_EQ(OctaveToStr(ZeroOctave, "%0.0f"), "0, 0, 0, 0, 0, 0, 0, 0");
    EXPECT_EQ(OctaveToStr(TOctave{1.25, 2, 3, 4, 5, 6, 7, 8.05}, "%0.1f"), "1.3, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0, 8.1");
    EXPECT_EQ(OctaveToExactStr(TOctave{1.25, 2, 3, 4, 5, 6, 7, 8.05}, 1), "1.25, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0, 8.05");
}

struct ParseCase {
    const char* text;
    TOctave expected;
};

class OctaveParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(OctaveParse, FillsBandsInOrder)
{
    TOctave s;
    s.fill(99);
    StrToOctave(QString::fromUtf8(GetParam().text), s);
    EXPECT_EQ(s, GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, OctaveParse,
    ::testing::Values(ParseCase{"9,10,15", {9, 10, 15, 0, 0, 0, 0, 0}},
                      ParseCase{"9 10,15", {9, 10, 15, 0, 0, 0, 0, 0}}, ParseCase{"", {0, 0, 0, 0, 0, 0, 0, 0}},
                      ParseCase{"   ", {0, 0, 0, 0, 0, 0, 0, 0}},
                      ParseCase{"1,2,3,4,5,6,7,8,9", {1, 2, 3, 4, 5, 6, 7, 8}},
                      ParseCase{"1,2,3,4,5,6,7,8,x", {1, 2, 3, 4, 5, 6, 7, 8}}, // the ninth is not read
                      ParseCase{"9, 10, 15, 45, 50, 50, 45, 20", {9, 10, 15, 45, 50, 50, 45, 20}},
                      ParseCase{"  -1.5 ,\t2e1", {-1.5, 20, 0, 0, 0, 0, 0, 0}},
                      ParseCase{"\"3\" , \" 4 \"", {3, 4, 0, 0, 0, 0, 0, 0}}));

TEST(OctaveParse, BadItemRaisesAndKeepsTarget)
{
    for (const char* text : {"1,2,", "1,x", "1,,2", "1;2", "1,2,3,4,5,6,7,\"\"", "inf", "1,nan", "1,0x10", "1,2.5.1"}) {
        TOctave s = DefaultDuty;
        EXPECT_THROW(StrToOctave(QString::fromUtf8(text), s), EConvertError) << text;
        EXPECT_EQ(s, DefaultDuty) << text;
    }
}

TEST(OctaveText, RoundTripsThroughText)
{
    const TOctave s{12.5, -3.25, 0, 1e-3, 100, 42.125, 7, 65.5};
    TOctave back{};
    StrToOctave(OctaveToStr(s, "%0.4f"), back);
    EXPECT_EQ(back, s);
}

TEST(OctaveLevels, AddsDecibels)
{
    const double tenLog2 = 10 * std::log10(2.0);
    for (double x : {0.0, 3.0, 54.2, -20.0, 120.0})
        EXPECT_NEAR(AddDecibels(x, x), x + tenLog2, 1e-12) << x;
    EXPECT_NEAR(AddDecibels(0, 0), 3.0103, 5e-5);
    EXPECT_NEAR(AddDecibels(80, 0), 80.0, 1e-3); // a much lower level hardly counts
    EXPECT_DOUBLE_EQ(AddDecibels(40, 50), AddDecibels(50, 40));
}

TEST(OctaveLevels, TotalsInBalancedOrder)
{
    EXPECT_NEAR(OctaveTotal(DefaultDuty), 54.20607723180502, 1e-9);
    EXPECT_EQ(Format("[%0.0f dB]", OctaveTotal(DefaultDuty)), "[54 dB]");
    // The pairing decides the last bits. On these spectra a running sum from
    // either end gives other bits than the balanced pairs, so only that
    // pairing matches.
    for (const TOctave& s : {TOctave{6, 12, 20, 35, 55, 54, 38, 27}, TOctave{1, 2, 3, 4, 5, 6, 7, 8},
                             TOctave{10, 10, 10, 10, 10, 10, 10, 10}}) {
        const double t4 = AddDecibels(AddDecibels(s[0], s[1]), AddDecibels(s[2], s[3]));
        const double t5 = AddDecibels(AddDecibels(s[4], s[5]), AddDecibels(s[6], s[7]));
        double upward = s[0];
        double downward = s[7];
        for (int i = 1; i < OctaveBands; ++i) {
            upward = AddDecibels(upward, s[i]);
            downward = AddDecibels(downward, s[OctaveBands - 1 - i]);
        }
        ASSERT_NE(upward, AddDecibels(t4, t5)) << s[0];
        ASSERT_NE(downward, AddDecibels(t4, t5)) << s[0];
        EXPECT_EQ(OctaveTotal(s), AddDecibels(t4, t5)) << s[0];
    }
    for (double x : {0.0, 20.0, 63.5}) {
        TOctave s;
        FillOctave(s, x);
        EXPECT_NEAR(OctaveTotal(s), x + 10 * std::log10(8.0), 1e-9) << x;
    }
}

TEST(OctaveCompare, MeetsEveryBand)
{
    TOctave higher = DefaultDuty;
    higher[7] += 0.5;
    TOctave lower = DefaultDuty;
    lower[3] -= 1e-9;
    TOctave nanA = DefaultDuty;
    nanA[0] = NaN;
    TOctave nanB = DefaultDuty;
    nanB[7] = NaN;
    EXPECT_TRUE(OctaveMeetsAll(DefaultDuty, DefaultDuty));
    EXPECT_TRUE(OctaveMeetsAll(higher, DefaultDuty));
    EXPECT_FALSE(OctaveMeetsAll(DefaultDuty, higher));
    EXPECT_FALSE(OctaveMeetsAll(lower, DefaultDuty));
    EXPECT_FALSE(OctaveMeetsAll(nanA, DefaultDuty));
    EXPECT_FALSE(OctaveMeetsAll(DefaultDuty, nanB));
    EXPECT_FALSE(OctaveMeetsAll(nanA, nanA));
}

TEST(OctaveFill, FillsAndOffsetsInPlace)
{
    TOctave s;
    FillOctave(s, 4.5);
    EXPECT_EQ(s, (TOctave{4.5, 4.5, 4.5, 4.5, 4.5, 4.5, 4.5, 4.5}));
    TOctave row = RegenCorrections[0];
    OffsetOctave(row, row, 10);
    EXPECT_EQ(row, (TOctave{8, 4, 3, 0, -2, -6, -9, -12}));
}

struct RegenCase {
    int modules;
    double dim;
    double v;
    int row;
};

class Regen : public ::testing::TestWithParam<RegenCase> {};

TEST_P(Regen, PicksCorrectionRowByVelocity)
{
    const auto& c = GetParam();
    TOctave s{};
    RegenSpectrum(c.modules, s, c.dim, c.v);
    const double level =
        10 * std::log10(c.dim) + 47 + 50 * std::log10(c.v / 10) + 10 * std::log10(c.modules / 10.0) + 10;
    for (int i = 0; i < OctaveBands; ++i)
        EXPECT_NEAR(s[i], level + RegenCorrections[c.row][i], 1e-9) << "band " << i << " v " << c.v;
}

INSTANTIATE_TEST_SUITE_P(Velocities, Regen,
                         ::testing::Values(RegenCase{1, 0.5, 10, 1}, RegenCase{1, 0.5, 8, 1}, RegenCase{1, 0.5, 32, 1},
                                           RegenCase{1, 0.5, 7.99, 0}, RegenCase{1, 0.5, 32.01, 2},
                                           RegenCase{3, 1.2, 2, 0}, RegenCase{10, 0.3, 40, 2}));

TEST(Regen, MatchesWorkedExample)
{
    TOctave s{};
    RegenSpectrum(1, s, 0.5, 10);
    const TOctave expected{40.99, 38.99, 35.99, 36.99, 35.99, 33.99, 30.99, 28.99};
    for (int i = 0; i < OctaveBands; ++i)
        EXPECT_NEAR(s[i], expected[i], 0.005) << "band " << i;
}

TEST(Regen, RaisesOutsideDomainAndKeepsOutput)
{
    struct Bad {
        int modules;
        double dim;
        double v;
    };
    for (const Bad& b : {Bad{1, 0, 10}, Bad{1, 0.5, 0}, Bad{0, 0.5, 10}, Bad{-1, 0.5, 10}, Bad{1, -0.5, 10},
                         Bad{1, 0.5, -10}, Bad{1, NaN, 10}, Bad{1, 0.5, NaN}, Bad{1, Inf, 10}, Bad{1, 0.5, Inf}}) {
        TOctave s = DefaultDuty;
        EXPECT_THROW(RegenSpectrum(b.modules, s, b.dim, b.v), EMathError) << b.modules << " " << b.dim << " " << b.v;
        EXPECT_EQ(s, DefaultDuty);
    }
}

} // namespace
