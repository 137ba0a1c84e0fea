#include "TestUtil.h"
#include "TxErrors.h"
#include "TxString.h"

#include <gtest/gtest.h>

namespace {

struct NormCase {
    const char* in;
    const char* out;
};

class NormaliseNumber : public ::testing::TestWithParam<NormCase> {};

TEST_P(NormaliseNumber, GivesCanonicalText)
{
    EXPECT_EQ(NormaliseNumberText(QString::fromUtf8(GetParam().in)), QString::fromUtf8(GetParam().out))
        << "input '" << GetParam().in << "'";
}

INSTANTIATE_TEST_SUITE_P(Examples, NormaliseNumber,
                         ::testing::Values(NormCase{" 1 2.5 ", "12.5"}, NormCase{"1.2.3", "1.23"},
                                           NormCase{"12-3", "123"}, NormCase{"-2e-3", "-2E-3"},
                                           NormCase{"2e400", "2E400"}, NormCase{"", "0"}, NormCase{"-", "0"},
                                           NormCase{"3/4.5.6", "3/4.56"}, NormCase{"e", "1E"}, NormCase{"5E", "5E"},
                                           NormCase{"1e5e6", "1E56"}, NormCase{"-3/-4", "-3/-4"},
                                           NormCase{"1/2/3", "1/23"}, NormCase{"/", "0/0"}, NormCase{"E-5", "1E5"},
                                           NormCase{"2e1.5", "2E15"}, NormCase{"1e-301", "1E-301"},
                                           NormCase{"1e+5", "1E+5"}));

TEST(NormaliseNumber, ExponentThatIsNoIntegerRaises)
{
    EXPECT_THROW(NormaliseNumberText("5e-"), EConvertError);
    EXPECT_THROW(NormaliseNumberText("5ex"), EConvertError);
}

// A typed number is kept as typed when a double holds it and refused with its
// reason otherwise; no exponent is ever cut into another number.
TEST(NormaliseNumber, TypedNumbersAreReadOrRefused)
{
    const struct {
        const char* text;
        TEntryCheck check;
        TEntryCheck whole; // as a whole number
        double value;
    } cases[] = {
        {"12 345", ecNumber, ecNumber, 12345},     {"1e300", ecNumber, ecNumber, 1e300},
        {"1E-300", ecNumber, ecNotWhole, 1e-300},  {"1e0300", ecNumber, ecNumber, 1e300},
        {"2.5e1", ecNumber, ecNumber, 25},         {"1e308", ecNumber, ecNumber, 1e308},
        {"1e 3 0 1", ecNumber, ecNumber, 1e301},   {"3.5e-301", ecNumber, ecNotWhole, 3.5e-301},
        {"1e309", ecOutOfRange, ecOutOfRange, 0},  {"1e400", ecOutOfRange, ecOutOfRange, 0},
        {"1e999", ecOutOfRange, ecOutOfRange, 0},  {"2e-400", ecOutOfRange, ecOutOfRange, 0},
        {"1e-999", ecOutOfRange, ecOutOfRange, 0}, {"1e99999999999", ecOutOfRange, ecOutOfRange, 0},
        {"0e99999999999", ecNumber, ecNumber, 0},  {"2.5", ecNumber, ecNotWhole, 2.5},
        {"9.25", ecNumber, ecNotWhole, 9.25},      {"-3", ecNumber, ecNumber, -3},
        {"abc", ecNoNumber, ecNoNumber, 0},        {"1e-", ecNoNumber, ecNoNumber, 0},
    };
    for (const auto& c : cases) {
        double value = -777;
        EXPECT_EQ(CheckTypedFloat(QString::fromLatin1(c.text), value), c.check) << c.text;
        EXPECT_EQ(value, c.check == ecNumber ? c.value : -777) << c.text;
        EXPECT_EQ(CheckTypedWhole(QString::fromLatin1(c.text), value), c.whole) << c.text;
    }
    EXPECT_EQ(EntryCheckText(ecNotWhole), QStringLiteral("not a whole number"));
}

TEST(Split, PiecesKeepBlanksBeforeDelimiters)
{
    TStringDynArray a;
    SplitToArray("  a , b,,c, ", QLatin1Char(','), a);
    EXPECT_EQ(a, (QStringList{"a ", "b", "", "c"}));

    SplitToArray("a, b ,c", QLatin1Char(','), a);
    EXPECT_EQ(a, (QStringList{"a", "b ", "c"}));

    SplitToArray("a,", QLatin1Char(','), a);
    EXPECT_EQ(a, QStringList{"a"});

    a = QStringList{"keep"};
    SplitToArray("   ", QLatin1Char(','), a);
    EXPECT_EQ(a, QStringList{"keep"}) << "no pieces leave the array alone";

    QStringList list{"old"};
    SplitToStrings("", QLatin1Char(';'), list);
    EXPECT_TRUE(list.isEmpty()) << "the string list is always cleared";
}

struct TokenCase {
    int n;
    const char* text;
    const char* expected;
};

class Token : public ::testing::TestWithParam<TokenCase> {};

TEST_P(Token, PicksNthPiece)
{
    const auto& c = GetParam();
    EXPECT_EQ(GetToken(c.n, QLatin1Char(';'), QString::fromUtf8(c.text)), QString::fromUtf8(c.expected))
        << c.n << " of '" << c.text << "'";
}

INSTANTIATE_TEST_SUITE_P(Pieces, Token,
                         ::testing::Values(TokenCase{2, " x ; y ", "y"}, TokenCase{1, " x ; y ", "x "},
                                           TokenCase{3, "x;y", ""}, TokenCase{0, "x;y", ""}, TokenCase{3, "a;b;", ""},
                                           TokenCase{2, "a;b;", "b"}, TokenCase{2, "a;;c", ""},
                                           TokenCase{3, "a;;c", "c"}, TokenCase{1, "", ""}));

TEST(TextRoutines, SmallOnes)
{
    EXPECT_EQ(IndexOfText("AIR", {"duct", "air"}), 1);
    EXPECT_EQ(IndexOfText("AIR", {}), -1);
    EXPECT_EQ(IndexOfText("ä", {"Ä"}), -1) << "only ASCII letters fold";
    EXPECT_EQ(JoinWithComma({"x"}), "x");
    EXPECT_EQ(JoinWithComma({}), "");
    EXPECT_EQ(JoinWithComma({"a", "b"}), "a,b");
    EXPECT_EQ(JoinFloats({900, 1200}, "%0.0f"), "900,1200");
    EXPECT_EQ(JoinFloats({}, "%0.0f"), "");
    EXPECT_EQ(StripTrailingComma("1,2,,"), "1,2,");
    EXPECT_EQ(StripTrailingComma("1,2"), "1,2");
    EXPECT_EQ(RemoveSpaces(" a\tb c "), "a\tbc");
    EXPECT_EQ(StripDigits("a1b22c"), "abc");
    EXPECT_EQ(Trim(QString::fromUtf8("\t x \x01")), "x");

    QString l, r;
    bool found = true;
    SplitPair("ABC-12", QLatin1Char('-'), l, r, found);
    EXPECT_EQ(l, "ABC");
    EXPECT_EQ(r, "12");
    EXPECT_TRUE(found);
    SplitPair("ABC", QLatin1Char('-'), l, r, found);
    EXPECT_EQ(l, "");
    EXPECT_EQ(r, "");
    EXPECT_FALSE(found);
}

TEST(Decimals, ForSignificantDigits)
{
    struct {
        double value;
        int expected;
    } cases[] = {{0.00123, 5},  {1.5, 3},     {1.05, 4},    {0, 3},        {123.456, 2},
                 {0.000123, 6}, {12345.6, 0}, {-0.0001, 6}, {-123.456, 2}, {1e-13, 3}};
    for (const auto& c : cases)
        EXPECT_EQ(DecimalsForSigDigits(5, 12, c.value), c.expected) << c.value;
    EXPECT_EQ(DecimalsForSigDigits(5, 2, 0.00123), 2) << "capped";
    EXPECT_EQ(SigDigitsFormat(5, 12, 123.456), "%0.2f");
    EXPECT_EQ(SigDigitsFormat(5, 12, 0.000123), "%0.6f");
    EXPECT_EQ(DecimalsOfFormat("%0.3f"), 3);
    EXPECT_EQ(DecimalsOfFormat("%0.12f"), 1);
    EXPECT_EQ(DecimalsOfFormat("%d"), 0);
    EXPECT_EQ(DecimalsOfFormat(""), 0);
}

TEST(ValuePair, ReadsOneOrTwoNumbers)
{
    double a = 0, b = -1;
    EXPECT_TRUE(ParseValuePair("3/4.5", a, b));
    EXPECT_EQ(a, 3);
    EXPECT_EQ(b, 4.5);
    b = -1;
    EXPECT_FALSE(ParseValuePair("7.25", a, b));
    EXPECT_EQ(a, 7.25);
    EXPECT_EQ(b, -1) << "second value untouched";
    EXPECT_THROW(ParseValuePair("3/x", a, b), EConvertError);
    EXPECT_THROW(ParseValuePair("", a, b), EConvertError);
}

TEST(Replace, LineBreaksRoundTripThroughInvertedQuestionMark)
{
    const QChar mark(0xBF);
    const QString notes = QStringLiteral("Notes:\r\nDelivery:\r\nValidity:\r\n");
    const QString stored = ReplaceTextByChar("\r\n", mark, notes);
    EXPECT_EQ(stored, QString::fromUtf8("Notes:¿Delivery:¿Validity:¿"));
    EXPECT_EQ(ReplaceCharByText(mark, "\r\n", stored), notes);
    // A text that already held the mark comes back with a line break there.
    EXPECT_EQ(ReplaceCharByText(mark, "\r\n", ReplaceTextByChar("\r\n", mark, QString::fromUtf8("a¿b"))), "a\r\nb");
    EXPECT_EQ(ReplaceTextByChar("", mark, "abc"), "abc");
}

TEST(Replace, TerminatesWhenReplacementHoldsTheCharacter)
{
    EXPECT_EQ(ReplaceCharByText(QLatin1Char('a'), "aa", "xax"), "xaax");
    EXPECT_EQ(ReplaceTextByChar("a", QLatin1Char('a'), "aaa"), "aaa");
    EXPECT_EQ(ReplaceTextByChar("ab", QLatin1Char('a'), "aabb"), "aab");
}

TEST(LoadLines, ReadsLinesWithAnyEnding)
{
    TTempFolder dir;
    TStringDynArray lines{"untouched"};
    LoadLinesFromFile(dir.File("missing.txt"), lines);
    EXPECT_EQ(lines, QStringList{"untouched"});

    LoadLinesFromFile(dir.Write("a.txt", QByteArray("one\r\ntwo\nth\rree\n\nlast")), lines);
    EXPECT_EQ(lines, (QStringList{"one", "two", "three", "", "last"}));

    LoadLinesFromFile(dir.Write("b.txt", QByteArray("x\n")), lines);
    EXPECT_EQ(lines, QStringList{"x"});

    LoadLinesFromFile(dir.Write("c.txt", QByteArray("caf\xe9 m\xb3/s")), lines);
    EXPECT_EQ(lines, QStringList{QString::fromUtf8("café m³/s")}) << "Windows-1252 when not UTF-8";

    LoadLinesFromFile(dir.Write("d.txt", QByteArray("\xef\xbb\xbf"
                                                    "caf\xc3\xa9")),
                      lines);
    EXPECT_EQ(lines, QStringList{QString::fromUtf8("café")});

    LoadLinesFromFile(dir.Write("e.txt", QByteArray()), lines);
    EXPECT_TRUE(lines.isEmpty());

    LoadLinesFromFile(dir.File("a.txt"), lines, 3);
    EXPECT_EQ(lines, (QStringList{"one", "two", "three"}));
    LoadLinesFromFile(dir.Write("f.txt", QByteArray("\n\n\n")), lines, 2);
    EXPECT_EQ(lines, (QStringList{"", ""}));
}

TEST(CommaText, SplitsAndJoinsLikeListControls)
{
    EXPECT_EQ(CommaTextToList("a b,c"), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(CommaTextToList(""), QStringList{});
    EXPECT_EQ(CommaTextToList("1,2,"), (QStringList{"1", "2", ""}));
    EXPECT_EQ(CommaTextToList("a,,b"), (QStringList{"a", "", "b"}));
    EXPECT_EQ(CommaTextToList(" \"x y\",\"q\"\"t\" "), (QStringList{"x y", "q\"t"}));
    EXPECT_EQ(CommaTextToList("9,10,15,45,50,50,45,20").size(), 8);
    EXPECT_EQ(ListToCommaText({"a", "b c", "", "d\"e"}), "a,\"b c\",,\"d\"\"e\"");
    EXPECT_EQ(ListToCommaText({""}), "\"\"");
    for (const QStringList& l : {QStringList{"x y", "z"}, QStringList{"1", "", "3"}, QStringList{"a,b"}})
        EXPECT_EQ(CommaTextToList(ListToCommaText(l)), l);
}

TEST(Encoding, Windows1252BothWays)
{
    EXPECT_EQ(DecodeWindows1252(QByteArray("\x80\xb0\xbf")), QString::fromUtf8("€°¿"));
    EXPECT_EQ(EncodeWindows1252(QString::fromUtf8("€°¿")), QByteArray("\x80\xb0\xbf"));
    EXPECT_EQ(EncodeWindows1252(QString::fromUtf8("✓")), QByteArray("?"));
    EXPECT_EQ(DecodeText(QByteArray("m\xc2\xb3/s")), QString::fromUtf8("m³/s"));
}

} // namespace
