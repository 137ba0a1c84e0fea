#include "TestUtil.h"
#include "TxErrors.h"
#include "TxFormat.h"

#include <gtest/gtest.h>

#include <charconv>
#include <climits>
#include <cmath>
#include <string>
#include <limits>

namespace {

struct FloatCase {
    const char* pattern;
    double value;
    const char* expected;
};

class FormatFloat : public ::testing::TestWithParam<FloatCase> {};

TEST_P(FormatFloat, MatchesExpectedText)
{
    const auto& c = GetParam();
    EXPECT_EQ(Format(QString::fromLatin1(c.pattern), c.value), QString::fromLatin1(c.expected))
        << c.pattern << " of " << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    Fixed, FormatFloat,
    ::testing::Values(FloatCase{"%0.0f", 2.5, "3"}, FloatCase{"%0.0f", 3.5, "4"}, FloatCase{"%0.0f", -2.5, "-3"},
                      FloatCase{"%0.0f", 0.5, "1"}, FloatCase{"%0.0f", 0.49999999999999994, "0"},
                      FloatCase{"%0.2f", 0.125, "0.13"}, FloatCase{"%0.2f", 0.375, "0.38"},
                      FloatCase{"%0.2f", 2.675, "2.67"}, // 2.675 is stored just below the half
                      FloatCase{"%0.1f", 0.25, "0.3"}, FloatCase{"%0.3f", -0.0001, "0.000"},
                      FloatCase{"%0.0f", -0.4, "0"}, FloatCase{"%0.1f", -0.0, "0.0"}, FloatCase{"%0.3f", 2.8, "2.800"},
                      FloatCase{"%0.0f", 1e20, "100000000000000000000"}, FloatCase{"%0.2f", 999.995, "1000.00"},
                      FloatCase{"%0.1f", 9.95, "9.9"}, FloatCase{"%0.1f", 99.95, "100.0"},
                      FloatCase{"%0.4f", 0.004014630759755623, "0.0040"}, FloatCase{"%f", 1.0, "1.00"},
                      FloatCase{"%6.1f", 2.25, "   2.3"}, FloatCase{"%-6.1f|", 2.25, "2.3   |"}));

INSTANTIATE_TEST_SUITE_P(General, FormatFloat,
                         ::testing::Values(FloatCase{"%0.3g", 0.00005, "0.00005"}, FloatCase{"%0.3g", 0.000005, "5E-6"},
                                           FloatCase{"%0.3g", 1.5, "1.5"}, FloatCase{"%0.3g", 123.0, "123"},
                                           FloatCase{"%0.3g", 1234.0, "1.23E3"}, FloatCase{"%0.4g", 0.0, "0"},
                                           FloatCase{"%0.2g", 0.125, "0.13"}, FloatCase{"%0.1g", 8.5, "9"},
                                           FloatCase{"%0.1g", 9.5, "1E1"}, FloatCase{"%0.2g", 125.0, "1.3E2"},
                                           FloatCase{"%0.2g", 12500000000000000.0, "1.3E16"},
                                           FloatCase{"%0.3g", -0.00123, "-0.00123"}, FloatCase{"%0.4g", 2.8, "2.8"},
                                           FloatCase{"%0.3g", 99.96, "100"}, FloatCase{"%0.1g", 1000.0, "1E3"},
                                           FloatCase{"%0.3g", -0.0, "0"}));

TEST(Format, MixesLiteralsTextsAndIntegers)
{
    EXPECT_EQ(Format("%0.1f/%0.1f", 0.0, 0.0), "0.0/0.0");
    EXPECT_EQ(Format("%d items found...", 12), "12 items found...");
    EXPECT_EQ(Format("%s-%S", QStringLiteral("ABC"), "12"), "ABC-12");
    EXPECT_EQ(Format("100%%"), "100%");
    EXPECT_EQ(Format("%d", -42), "-42");
    EXPECT_EQ(Format("%.4x%.4x", 0x409, 0x4e4), "040904e4");
    EXPECT_EQ(Format("%d.%d.%d.%d", 2, 1, 3, 4), "2.1.3.4");
    EXPECT_EQ(Format("[%0.0f dB]", 54.20607723180502), "[54 dB]");
}

TEST(Format, MalformedPatternsRaise)
{
    EXPECT_THROW(Format("%0.1", 1.0), EConvertError);
    EXPECT_THROW(Format("%", 1.0), EConvertError);
    EXPECT_THROW(Format("%d", 1.5), EConvertError);  // wrong kind
    EXPECT_THROW(Format("%0.1f", 1), EConvertError); // an integer is not a float
    EXPECT_THROW(Format("%s", 1), EConvertError);
    EXPECT_THROW(Format("%d %d", 1), EConvertError); // missing argument
    EXPECT_THROW(Format("%q", 1), EConvertError);
}

TEST(Format, NeverPrintsNonFiniteAsNumbers)
{
    EXPECT_EQ(Format("%0.1f", std::numeric_limits<double>::quiet_NaN()), "NAN");
    EXPECT_EQ(Format("%0.1f", -std::numeric_limits<double>::infinity()), "-INF");
}

struct ParseCase {
    const char* text;
    bool ok;
    double value;
};

class StrictParser : public ::testing::TestWithParam<ParseCase> {};

TEST_P(StrictParser, AcceptsOnlyPlainNumbers)
{
    const auto& c = GetParam();
    double v = -777;
    const bool ok = TryStrToFloat(QString::fromUtf8(c.text), v);
    EXPECT_EQ(ok, c.ok) << c.text;
    if (c.ok)
        EXPECT_EQ(v, c.value) << c.text;
    else
        EXPECT_EQ(v, -777) << "a refused text leaves the target alone: " << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StrictParser,
    ::testing::Values(ParseCase{"2.8", true, 2.8}, ParseCase{"-2E-3", true, -0.002}, ParseCase{"+5", true, 5},
                      ParseCase{".5", true, 0.5}, ParseCase{"5.", true, 5}, ParseCase{"1e300", true, 1e300},
                      ParseCase{"1e-400", false, 0}, ParseCase{"2e9223372036854775807", false, 0},
                      ParseCase{"2e-9223372036854775807", false, 0}, ParseCase{"0.000", true, 0},
                      ParseCase{"1e-310", true, 1e-310}, ParseCase{"0e-999", true, 0}, ParseCase{"inf", false, 0},
                      ParseCase{"nan", false, 0}, ParseCase{"NaN", false, 0}, ParseCase{"infinity", false, 0},
                      ParseCase{"0x10", false, 0}, ParseCase{"1,000.5", false, 0}, ParseCase{"2,8", false, 0},
                      ParseCase{"", false, 0}, ParseCase{" 1", false, 0}, ParseCase{"1 ", false, 0},
                      ParseCase{"1e400", false, 0}, ParseCase{"1E", false, 0}, ParseCase{"E5", false, 0},
                      ParseCase{"-", false, 0}, ParseCase{".", false, 0}, ParseCase{"1.2.3", false, 0},
                      ParseCase{"１", false, 0}, ParseCase{"5e-", false, 0}));

// Whole numbers read by the one number rule: a whole value in any of its
// forms is taken, a fraction or one beyond the ints is refused with its reason.
TEST(StrictParser, WholeNumbersAndRaisingForms)
{
    const std::pair<const char*, int> wholes[] = {
        {"12", 12}, {"2.0", 2},    {"2e0", 2},   {"2.", 2},  {"+5", 5},
        {"-0", 0},  {"1.5e1", 15}, {"10e-1", 1}, {"007", 7}, {"2147483647.0", 2147483647}};
    for (const auto& [text, value] : wholes) {
        int i = -777;
        EXPECT_EQ(CheckWholeNumber(QString::fromLatin1(text), i), ecNumber) << text;
        EXPECT_EQ(i, value) << text;
        EXPECT_EQ(StrToIntDef(QString::fromLatin1(text), 7), value) << text;
    }
    const std::pair<const char*, TEntryCheck> refused[] = {
        {"2.5", ecNotWhole},           {"25e-1", ecNotWhole},  {"1e-300", ecNotWhole}, {"2147483648", ecOutOfRange},
        {"-2147483649", ecOutOfRange}, {"1e10", ecOutOfRange}, {"1e20", ecOutOfRange}, {"1e400", ecOutOfRange},
        {"1e-400", ecOutOfRange},      {"0x10", ecNoNumber},   {"", ecNoNumber},       {" 2", ecNoNumber},
        {"nan", ecNoNumber},           {"2,0", ecNoNumber}};
    for (const auto& [text, check] : refused) {
        int i = -777;
        EXPECT_EQ(CheckWholeNumber(QString::fromLatin1(text), i), check) << text;
        EXPECT_EQ(i, -777) << text;
        EXPECT_FALSE(TryStrToInt(QString::fromLatin1(text), i)) << text;
        EXPECT_EQ(StrToIntDef(QString::fromLatin1(text), 7), 7) << text;
    }
    EXPECT_EQ(StrToInt("-2147483648"), INT_MIN);
    EXPECT_THROW(StrToInt(""), EConvertError);
    EXPECT_THROW(StrToFloat("abc"), EConvertError);
    EXPECT_EQ(StrToFloatDef("abc", 1.5), 1.5);
}

TEST(FloatToStr, ShortestTextReadsBackExactly)
{
    for (double v : {2.8, 0.1, 1.0 / 3.0, 1e-5, 123456789.125, -0.004014630759755623, 1e300, 5e-324, 0.0}) {
        const QString text = FloatToStr(v);
        EXPECT_FALSE(text.contains(QLatin1Char(','))) << text.toStdString();
        EXPECT_EQ(StrToFloat(text), v) << text.toStdString();
    }
    EXPECT_EQ(FloatToStr(2.8), "2.8");
    EXPECT_EQ(FloatToStr(80), "80");
    EXPECT_EQ(FloatToStr(1e-5), "1E-5");
}

TEST(FormatFixedExact, AtLeastTheDecimalsAndAsManyMoreAsReadBack)
{
    const struct {
        double value;
        int decimals;
        const char* text;
    } cases[] = {{0.0125, 3, "0.0125"},     {0.125, 2, "0.125"},   {12.5, 3, "12.500"}, {-0.0, 3, "0.000"},
                 {1e-7, 1, "0.0000001"},    {-2.675, 2, "-2.675"}, {0.9, 0, "0.9"},     {80, 0, "80"},
                 {3.5e-301, 0, "3.5E-301"}, {1e300, 3, "1E300"}};
    for (const auto& c : cases)
        EXPECT_EQ(FormatFixedExact(c.value, c.decimals), QString::fromLatin1(c.text)) << c.value;
    for (double v : {1e300, 5e-324, -123456789.123456789, 0.1 + 0.2})
        EXPECT_EQ(StrToFloat(FormatFixedExact(v, 3)), v) << v;
}

} // namespace

namespace {

// The quick path for plain decimals must round exactly as the general
// conversion does.
TEST(StrictParser, PlainDecimalsRoundLikeTheGeneralConversion)
{
    uint64_t seed = 12345;
    auto next = [&] {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        return seed >> 33;
    };
    for (int i = 0; i < 20000; ++i) {
        const int digits = 1 + static_cast<int>(next() % 15);
        std::string text;
        if (next() % 3 == 0)
            text += '-';
        const int point = static_cast<int>(next() % static_cast<uint64_t>(digits + 1));
        for (int d = 0; d < digits; ++d) {
            if (d == point && d > 0)
                text += '.';
            text += static_cast<char>('0' + next() % 10);
        }
        double fast = 0, general = 0;
        ASSERT_TRUE(TryAsciiToFloat(text.data(), text.data() + text.size(), fast)) << text;
        std::from_chars(text.data(), text.data() + text.size(), general);
        EXPECT_EQ(fast, general) << text;
    }
}

} // namespace
