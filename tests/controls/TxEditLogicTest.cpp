#include "EditTestUtil.h"
#include "TestUtil.h"
#include "TxErrors.h"
#include "TxPlatform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

class EditLogic : public ::testing::Test {
protected:
    TRecordingMessageService Service;
    TScopedMessageService Scope{Service};
    TMemoryEdit Edit;

    // Focus in, everything selected, `typed` keyed in.
    void Retype(const QString& typed)
    {
        Edit.Enter();
        Edit.Type(typed);
    }
};

TEST(FormatClasses, AcceptedCharacters)
{
    struct {
        const char* format;
        const char* accepted;
        const char* refused;
    } const cases[] = {
        {"%0.1f/%0.1f", "0123456789-./", "eE+ ,a"},
        {"%d", "0123456789-", ".eE/ a"},
        {"%0.2f", "0123456789-.", "eE/ ,a+"},
        {"%0.4g", "0123456789-.eE", "/ ,a+"},
        {"%S", "aZ 9.,/+!", ""},
    };
    for (const auto& c : cases) {
        const QString f = QString::fromLatin1(c.format);
        for (const char* p = c.accepted; *p; ++p)
            EXPECT_TRUE(EditAcceptsChar(f, QString(QLatin1Char(*p)))) << c.format << " '" << *p << "'";
        for (const char* p = c.refused; *p; ++p)
            EXPECT_FALSE(EditAcceptsChar(f, QString(QLatin1Char(*p)))) << c.format << " '" << *p << "'";
    }
    // Control characters and broken surrogates never reach a text.
    for (const char16_t control : {char16_t(1), char16_t(9), char16_t(26), char16_t(127)})
        EXPECT_FALSE(EditAcceptsChar(QStringLiteral("%S"), QString(QChar(control))));
    EXPECT_FALSE(EditAcceptsChar(QStringLiteral("%S"), QString(QChar(0xD83D))));
    EXPECT_TRUE(EditAcceptsChar(QStringLiteral("%S"), QString::fromUtf8("\xF0\x9F\x98\x80")));
    EXPECT_FALSE(EditAcceptsChar(QStringLiteral("%0.1f"), QString::fromUtf8("\xF0\x9F\x98\x80")));
    EXPECT_TRUE(EditAcceptsChar(QStringLiteral("%S"), QString::fromUtf8("\xC3\xA4")));
}

TEST(RangeCheck, BoundsAndTolerance)
{
    struct {
        double lo, hi, x;
        bool ok;
        double result;
    } const cases[] = {
        {10, 100, 9.96, true, 9.96},   // within half a per cent of the bound
        {10, 100, 9.9, false, 10},     //
        {10, 100, 100.4, true, 100.4}, //
        {10, 100, 101, false, 100},    //
        {0, 50, 50.2, true, 50.2},     //
        {0, 50, 60, false, 50},        //
        {0, 50, -1, false, 0},         // a zero bound has no tolerance
        {0, 50, -1e-9, false, 0},      //
        {-50, 0, 1e-9, false, 0},      //
        {0, 0, -1e6, true, -1e6},      // equal bounds: no range
        {5, 5.000001, 99, true, 99},   //
        {-20, -10, -25, false, -20},   // negative bounds use their magnitude
        {-20, -10, -20.05, true, -20.05},
    };
    for (const auto& c : cases) {
        double x = c.x;
        EXPECT_EQ(CheckRangeValue(x, c.lo, c.hi), c.ok) << c.lo << ".." << c.hi << " " << c.x;
        EXPECT_DOUBLE_EQ(x, c.result) << c.lo << ".." << c.hi << " " << c.x;
    }
}

TEST(RangeCheck, RoundHalfEven)
{
    struct {
        double x;
        qint64 r;
    } const cases[] = {{2.5, 2}, {3.5, 4}, {-2.5, -2}, {2.4999, 2}, {1e15 + 0.5, 1000000000000000}};
    for (const auto& c : cases) {
        qint64 r = 0;
        ASSERT_TRUE(RoundHalfEven(c.x, r)) << c.x;
        EXPECT_EQ(r, c.r) << c.x;
    }
    qint64 r = 0;
    EXPECT_FALSE(RoundHalfEven(1e300, r));
    EXPECT_FALSE(RoundHalfEven(std::nan(""), r));
}

TEST_F(EditLogic, NewLogicDefaults)
{
    EXPECT_EQ(Edit.Logic.FormatStr(), QStringLiteral("%0.1f"));
    EXPECT_EQ(Edit.Logic.FormatType(), ft_Fixed);
    EXPECT_EQ(Edit.Logic.SigDigs(), 5);
    EXPECT_EQ(Edit.Logic.Decimals(), 1);
    EXPECT_EQ(Edit.Logic.UnitsType(), utNone);
    EXPECT_EQ(Edit.Logic.RangeLo, 0.0);
    EXPECT_EQ(Edit.Logic.RangeHi, 0.0);
    EXPECT_EQ(Edit.Logic.Factor, 1.0);
    EXPECT_EQ(Edit.Logic.Offset, 0.0);
}

TEST_F(EditLogic, FormatNumberByType)
{
    struct {
        TFormatType type;
        const char* format;
        double x;
        const char* text;
    } const cases[] = {
        {ft_AutoOverride, "%0.1f", 9.99, "9.990"},
        {ft_AutoOverride, "%0.1f", 10, "10.0"},
        {ft_AutoOverride, "%0.1f", 0.0123, "0.0123"},
        {ft_AutoOverride, "%0.1f", 1234.56, "1234.6"},
        {ft_AutoOverride, "%0.3f", 0.5, "0.500"},
        {ft_Auto, "%0.1f", 123.456, "123.46"},
        {ft_Auto, "%0.1f", 0.00123, "0.00123"},
        {ft_Fixed, "%0.2f", 9.99, "9.99"},
        {ft_Manual, "%0.0f", 2.5, "3"},
        {ft_Fixed, "%0.1f", -0.04, "0.0"},
    };
    for (const auto& c : cases) {
        Edit.Logic.SetFormatStr(QString::fromLatin1(c.format));
        Edit.Logic.SetFormatType(c.type);
        EXPECT_EQ(Edit.Logic.FormatNumber(c.x), QString::fromLatin1(c.text)) << c.format << " " << c.x;
        Edit.Logic.SetValue(c.x);
        EXPECT_EQ(Edit.Text, QString::fromLatin1(c.text)) << c.format << " " << c.x;
    }
}

TEST_F(EditLogic, ReturnValidatesAgainstTheRange)
{
    struct {
        const char* format;
        double lo, hi;
        const char* typed;
        const char* shown;
        int beeps;
    } const cases[] = {
        {"%0.2f", 10, 100, "9.96", "9.96", 0},
        {"%0.2f", 10, 100, "9.9", "10.00", 1},
        {"%0.2f", 10, 100, "100.4", "100.40", 0},
        {"%0.2f", 10, 100, "101", "100.00", 1},
        {"%0.1f", 0, 50, "50.2", "50.2", 0},
        {"%0.1f", 0, 50, "60", "50.0", 1},
        {"%0.1f", 0, 50, "-1", "0.0", 1},
        {"%0.1f", 0, 0, "-123456", "-123456.0", 0},
        {"%0.4g", 0, 0, "1e3", "1000", 0},
        {"%0.1f", 0, 0, "1.2.3", "1.2", 0},
        {"%0.1f", 0, 0, "-", "0.0", 0},
        {"%0.1f/%0.1f", 0, 10, "2/30", "2.0/10.0", 1},
        {"%0.1f/%0.1f", 1, 10, "0/30", "1.0/10.0", 1},
        {"%0.1f/%0.1f", 0, 10, "7", "7.0", 0},
        {"%d", 0, 10, "25", "10", 1},
        // A pattern of no class (a choice field) keeps what was typed.
        {"enum", 0, 10, "Round", "Round", 0},
        {"enum", 0, 10, "100", "100", 0},
    };
    for (const auto& c : cases) {
        Service.Clear();
        Edit.FocusKept = 0;
        Edit.Logic.SetFormatStr(QString::fromLatin1(c.format));
        Edit.Logic.RangeLo = c.lo;
        Edit.Logic.RangeHi = c.hi;
        Retype(QString::fromLatin1(c.typed) + QLatin1Char('\r'));
        SCOPED_TRACE(c.typed);
        EXPECT_EQ(Edit.Text, QString::fromLatin1(c.shown));
        EXPECT_EQ(Service.Beeps, c.beeps);
        EXPECT_EQ(Edit.FocusKept, c.beeps); // a failure keeps the focus
        EXPECT_TRUE(Edit.Modified);         // committing clears it, not Return
    }
}

TEST_F(EditLogic, ValidateOnlyWhenModified)
{
    Edit.Logic.RangeHi = 10;
    Edit.Text = QStringLiteral("99");
    Edit.Logic.ValidateEdit();
    EXPECT_EQ(Edit.Text, QStringLiteral("99"));
    EXPECT_EQ(Service.Beeps, 0);
}

TEST_F(EditLogic, KeyFilterByFormat)
{
    struct {
        const char* format;
        const char* typed;
        const char* text;
        int beeps;
    } const cases[] = {
        {"%d", "2.5", "25", 1},
        {"%0.1f/%0.1f", "2/3x", "2/3", 1},
        {"%0.1f", "-1.5e3", "-1.53", 1},
        {"%0.3g", "-1.5e3", "-1.5e3", 0},
        {"%S", "Abc xyz!", "Abc xyz!", 0},
        {"%d", "1\x01\x1a", "1", 2}, // Ctrl+A and Ctrl+Z are refused
        {"%S",
         "a\x01"
         "b",
         "ab", 1}, // and never typed into a text
    };
    for (const auto& c : cases) {
        Service.Clear();
        Edit.Logic.SetFormatStr(QString::fromLatin1(c.format));
        Retype(QString::fromLatin1(c.typed));
        EXPECT_EQ(Edit.Text, QString::fromLatin1(c.text)) << c.format << " " << c.typed;
        EXPECT_EQ(Service.Beeps, c.beeps) << c.format << " " << c.typed;
    }
}

TEST_F(EditLogic, ValuesByFormatClass)
{
    Edit.Logic.SetFormatStr(QStringLiteral("%d"));
    Retype(QStringLiteral("2.5"));
    const QVariant integer = Edit.Logic.GetValue();
    EXPECT_EQ(integer.typeId(), QMetaType::Int);
    EXPECT_EQ(integer.toInt(), 25);

    Edit.Text = QStringLiteral("2.5"); // pasted: ties go to even
    EXPECT_EQ(Edit.Logic.GetValue().toInt(), 2);
    Edit.Text = QStringLiteral("3.5");
    EXPECT_EQ(Edit.Logic.GetValue().toInt(), 4);

    Edit.Logic.SetFormatStr(QStringLiteral("%0.1f/%0.1f"));
    Retype(QStringLiteral("2/3\r"));
    EXPECT_EQ(Edit.Text, QStringLiteral("2.0/3.0"));
    EXPECT_EQ(Edit.Logic.GetValue(), QVariant(QStringLiteral("2.0/3.0")));
    Edit.Text = QStringLiteral("2");
    EXPECT_EQ(Edit.Logic.GetValue(), QVariant(QStringLiteral("2")));

    Edit.Logic.SetFormatStr(QStringLiteral("%S"));
    Edit.Text = QStringLiteral("Flanged");
    EXPECT_EQ(Edit.Logic.GetValue(), QVariant(QStringLiteral("Flanged")));

    Edit.Logic.SetFormatStr(QStringLiteral("%0.2f"));
    Edit.Text = QStringLiteral("1 2.5");
    const QVariant floating = Edit.Logic.GetValue();
    EXPECT_EQ(floating.typeId(), QMetaType::Double);
    EXPECT_DOUBLE_EQ(floating.toDouble(), 12.5);
}

TEST_F(EditLogic, TextThatIsNoNumberIsNeverZero)
{
    for (const char* format : {"%0.1f", "%d", "%0.3g"}) {
        Edit.Logic.SetFormatStr(QString::fromLatin1(format));
        Edit.Text = QStringLiteral("abc");
        EXPECT_EQ(Edit.Logic.GetValue(), QVariant(QStringLiteral("abc"))) << format;
        double v = 7.0;
        EXPECT_FALSE(Edit.Logic.TryGetFloat(v)) << format;
        EXPECT_EQ(v, 7.0);
        EXPECT_THROW(Edit.Logic.AsFloat(), EConvertError) << format;
    }
    Edit.Logic.SetFormatStr(QStringLiteral("%d"));
    Edit.Text = QStringLiteral("1e30");
    EXPECT_EQ(Edit.Logic.GetValue(), QVariant(QStringLiteral("1e30")));
}

TEST_F(EditLogic, PastedTextThatIsNoNumberGoesBack)
{
    Edit.Text = QStringLiteral("12.0");
    Edit.Enter();
    Edit.Text = QStringLiteral("12a"); // pasted past the key filter
    Edit.Modified = true;
    Edit.Logic.ValidateEdit();
    EXPECT_EQ(Edit.Text, QStringLiteral("12.0"));
    EXPECT_EQ(Service.Beeps, 1);
    EXPECT_EQ(Edit.FocusKept, 1);
    EXPECT_TRUE(Edit.Modified);
    // The entry text passes the next time.
    Edit.Logic.ValidateEdit();
    EXPECT_EQ(Edit.Text, QStringLiteral("12.0"));
    EXPECT_EQ(Service.Beeps, 1);

    // An entry text that is no number itself does not lock the user in.
    Edit.Text = QStringLiteral("n/a");
    Edit.Enter();
    Edit.Modified = true;
    EXPECT_TRUE(Edit.Logic.Validate(Edit.Text));
    EXPECT_EQ(Edit.Text, QStringLiteral("n/a"));
}

TEST_F(EditLogic, TypingOverASelection)
{
    Edit.Text = QStringLiteral("12345");
    Edit.Select(2, 2);
    Edit.Type(QStringLiteral("9"));
    EXPECT_EQ(Edit.Text, QStringLiteral("1295"));
    EXPECT_EQ(Edit.SelStart, 3);
    EXPECT_EQ(Edit.SelLength, 0);
    EXPECT_TRUE(Edit.Modified);

    // A refused character leaves text and selection alone.
    Edit.Text = QStringLiteral("12345");
    Edit.Modified = false;
    Edit.Select(1, 3);
    Edit.Type(QStringLiteral("x"));
    EXPECT_EQ(Edit.Text, QStringLiteral("12345"));
    EXPECT_EQ(Edit.SelStart, 1);
    EXPECT_EQ(Edit.SelLength, 3);
    EXPECT_FALSE(Edit.Modified);
    EXPECT_EQ(Service.Beeps, 1);

    // The length limit holds.
    Edit.MaxLength = 5;
    Edit.Select(5, 0);
    Edit.Type(QStringLiteral("6"));
    EXPECT_EQ(Edit.Text, QStringLiteral("12345"));
    EXPECT_EQ(Service.Beeps, 2);
}

TEST_F(EditLogic, Backspace)
{
    struct {
        int start, length;
        bool readOnly, canModify;
        const char* text;
        int caret;
    } const cases[] = {
        {3, 0, false, true, "1245", 2},  {1, 3, false, true, "2345", 0}, // a selection is not deleted
        {0, 2, false, true, "12345", 0}, {3, 0, true, true, "12345", 3}, {3, 0, false, false, "12345", 3},
    };
    for (const auto& c : cases) {
        Edit.Text = QStringLiteral("12345");
        Edit.Modified = false;
        Edit.ReadOnly = c.readOnly;
        Edit.CanModify = c.canModify;
        Edit.Select(c.start, c.length);
        int key = VK_BACK;
        Edit.Logic.KeyDown(key, 0);
        EXPECT_EQ(key, VK_NONE); // never reaches the platform's edit
        QChar ch(8);
        Edit.Logic.KeyPress(ch);
        EXPECT_TRUE(ch.isNull());
        EXPECT_EQ(Edit.Text, QString::fromLatin1(c.text)) << c.start << "," << c.length;
        EXPECT_EQ(Edit.SelStart, c.caret) << c.start << "," << c.length;
        EXPECT_EQ(Edit.Modified, !c.readOnly && c.canModify);
    }
    EXPECT_EQ(Service.Beeps, 0);
}

TEST_F(EditLogic, ClipboardKeysPassThrough)
{
    for (const char16_t c : {char16_t(3), char16_t(22), char16_t(24)}) {
        QChar ch(c);
        Edit.Logic.KeyPress(ch);
        EXPECT_EQ(ch.unicode(), c);
    }
    EXPECT_EQ(Edit.Text, QStringLiteral("0.0"));
    EXPECT_EQ(Service.Beeps, 0);
}

TEST_F(EditLogic, EscapeRestoresTheEntryText)
{
    Edit.Text = QStringLiteral("42.0");
    Retype(QStringLiteral("77"));
    EXPECT_EQ(Edit.Text, QStringLiteral("77"));
    EXPECT_TRUE(Edit.Logic.WantsEscapeKey());
    Edit.Type(QString(QChar(27)));
    EXPECT_EQ(Edit.Text, QStringLiteral("42.0"));
    EXPECT_FALSE(Edit.Modified);
    EXPECT_FALSE(Edit.Logic.WantsEscapeKey());

    // Escape works in a read-only edit too; typing does not.
    Edit.ReadOnly = true;
    Edit.Type(QStringLiteral("5"));
    EXPECT_EQ(Edit.Text, QStringLiteral("42.0"));
}

// Every value read as a number comes down to the one rule: numbers as they
// are, text strictly or as the user's typing reads.
TEST(EditValues, ValueAsNumber)
{
    const struct {
        QVariant value;
        TEntryCheck strict, typed;
        double x;
    } cases[] = {
        {2.5, ecNumber, ecNumber, 2.5},
        {7, ecNumber, ecNumber, 7},
        {Q_INT64_C(-9000000000), ecNumber, ecNumber, -9e9},
        {std::numeric_limits<double>::infinity(), ecOutOfRange, ecOutOfRange, 0},
        {std::numeric_limits<double>::quiet_NaN(), ecOutOfRange, ecOutOfRange, 0},
        {QStringLiteral("2.5"), ecNumber, ecNumber, 2.5},
        {QStringLiteral("1 2"), ecNoNumber, ecNumber, 12},
        {QStringLiteral("1e400"), ecOutOfRange, ecOutOfRange, 0},
        {QStringLiteral("1 e400"), ecNoNumber, ecOutOfRange, 0},
        {QStringLiteral("abc"), ecNoNumber, ecNoNumber, 0},
        {true, ecNoNumber, ecNoNumber, 0},
        {QVariant(), ecNoNumber, ecNoNumber, 0},
    };
    for (const auto& c : cases) {
        for (const bool typed : {false, true}) {
            double x = -777;
            const TEntryCheck check = typed ? c.typed : c.strict;
            EXPECT_EQ(CheckValueNumber(c.value, x, typed), check) << c.value.toString().toStdString() << typed;
            EXPECT_EQ(x, check == ecNumber ? c.x : -777) << c.value.toString().toStdString() << typed;
        }
    }
}

TEST_F(EditLogic, SetValue)
{
    struct {
        const char* format;
        QVariant value;
        const char* text;
    } const cases[] = {
        {"%0.2f", 2.345, "2.35"},
        {"%0.2f", QStringLiteral("1.5"), "1.50"},
        {"%0.2f", QStringLiteral("abc"), ""}, // no number: empty, not 0
        {"%0.2f", QVariant(), ""},
        {"%d", 2.5, "2"},
        {"%d", 7, "7"},
        {"%S", 2.5, "2.5"},
        {"%S", QStringLiteral("abc"), "abc"},
        {"%0.1f/%0.1f", QStringLiteral("2/3"), "2.0/3.0"},
        {"%0.1f/%0.1f", 2.5, "2.5/0.0"},
        {"%0.1f/%0.1f", QStringLiteral("2/x"), ""},
        // Strings are read strictly: a typed entry's blanks are no number.
        {"%0.2f", QStringLiteral("1 2"), ""},
        {"%0.2f", QStringLiteral("1e400"), ""},
        {"%0.2f", std::numeric_limits<double>::infinity(), ""},
        {"%S", std::numeric_limits<double>::infinity(), ""},
        {"%0.2f", true, ""},
        {"%0.2f", Q_UINT64_C(18446744073709551615), "18446744073709551616.00"},
    };
    for (const auto& c : cases) {
        Edit.Logic.SetFormatStr(QString::fromLatin1(c.format));
        Edit.Text = QStringLiteral("old");
        Edit.Logic.SetValue(c.value);
        EXPECT_EQ(Edit.Text, QString::fromLatin1(c.text)) << c.format << " " << c.value.toString().toStdString();
    }
    // A pattern of no class leaves the text.
    Edit.Logic.SetFormatStr(QStringLiteral("%x"));
    Edit.Text = QStringLiteral("old");
    Edit.Logic.SetValue(5);
    EXPECT_EQ(Edit.Text, QStringLiteral("old"));
}

TEST_F(EditLogic, TextPatternEmptiesTheNewText)
{
    Edit.Logic.SetFormatStr(QStringLiteral("%S"));
    EXPECT_EQ(Edit.Text, QString());
    Edit.Text = QStringLiteral("1.0");
    Edit.Logic.SetFormatStr(QStringLiteral("%S"));
    EXPECT_EQ(Edit.Text, QStringLiteral("1.0"));
}

class EditUnits : public EditLogic {
protected:
    void SetUp() override
    {
        Edit.Logic.SetUnitsType(utLengthMeasure);
        Edit.Logic.SetUnitsBase(0);
        Edit.Logic.SetUnitsValue(2);
    }
};

TEST_F(EditUnits, StoredInMetresShownInMillimetres)
{
    Edit.Logic.SetValue(0.9);
    EXPECT_EQ(Edit.Text, QStringLiteral("900.0"));
    EXPECT_EQ(Edit.Caption, QStringLiteral("mm"));
    EXPECT_EQ(Edit.Logic.FormatStr(), QStringLiteral("%0.1f"));
    EXPECT_DOUBLE_EQ(Edit.Logic.AsFloat(), 0.9);

    Edit.Logic.SetUnitsValue(0);
    EXPECT_EQ(Edit.Text, QStringLiteral("0.900"));
    EXPECT_EQ(Edit.Caption, QStringLiteral("m"));
    EXPECT_EQ(Edit.Logic.Decimals(), 3);

    Edit.Logic.SetUnitsValue(2);
    Edit.Logic.SetUnitsValue(3);
    EXPECT_EQ(Edit.Text, QStringLiteral("35.43"));
    Edit.Logic.SetUnitsValue(2);
    EXPECT_EQ(Edit.Text, QStringLiteral("900.0"));

    Edit.Logic.SetUnitsValue(99); // limited to the table
    EXPECT_EQ(Edit.Logic.UnitsValue(), 4);
    EXPECT_EQ(Edit.Caption, QStringLiteral("ft"));
}

TEST_F(EditUnits, AValueKeepsItsBitsUntilTheUserTypes)
{
    // Neither unit changes, nor a focus change without typing, nor Escape
    // after typing round the value to the digits shown.
    for (double value : {0.9, 0.899922, 0.500126, 1.0 / 3.0}) {
        SCOPED_TRACE(value);
        Edit.Logic.SetValue(value);
        const QString shown = Edit.Text;
        for (int unit : {0, 1, 3, 4, 2}) {
            Edit.Logic.SetUnitsValue(unit);
            EXPECT_EQ(Edit.Logic.AsFloat(), value) << unit;
        }
        EXPECT_EQ(Edit.Text, shown);
        Edit.Enter();
        Edit.Logic.ValidateEdit();
        Edit.Type(QStringLiteral("7\x1b"));
        EXPECT_EQ(Edit.Text, shown);
        EXPECT_EQ(Edit.Logic.GetValue(), QVariant(value));
    }

    // Typing that ends with the text it began with changes nothing; a typed
    // change says the value, also one that reads as the same digits.
    Edit.Logic.SetValue(0.50004);
    for (const char* keys : {"500.0\r", "500.01\b\r", "7\x1b", "500.0"}) {
        Retype(QString::fromLatin1(keys));
        EXPECT_EQ(Edit.Logic.AsFloat(), 0.50004) << keys;
    }
    Retype(QStringLiteral("500.00\r"));
    EXPECT_EQ(Edit.Text, QStringLiteral("500.0"));
    for (int unit : {3, 4, 2})
        Edit.Logic.SetUnitsValue(unit);
    EXPECT_EQ(Edit.Logic.AsFloat(), 0.5);
    Retype(QStringLiteral("750"));
    Edit.Logic.SetUnitsValue(0);
    EXPECT_EQ(Edit.Text, QStringLiteral("0.750"));
}

TEST_F(EditUnits, EscapeAfterAUnitChangeShowsTheEntryInTheNewUnit)
{
    const struct {
        const char* entry; // nullptr: the value 0.5 shown by the edit
        int unit;
        const char* escaped;
    } cases[] = {{nullptr, 3, "19.69"}, {"250", 3, "9.84"}, {"abc", 0, "abc"}, {nullptr, 0, "0.500"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.unit);
        Edit.Logic.SetUnitsValue(2);
        Edit.Logic.SetValue(0.5);
        if (c.entry)
            Edit.Text = QString::fromLatin1(c.entry);
        Edit.Enter();
        Edit.Logic.SetUnitsValue(c.unit);
        Edit.Type(QStringLiteral("5\x1b"));
        EXPECT_EQ(Edit.Text, QString::fromLatin1(c.escaped));
        EXPECT_EQ(Edit.Logic.OldValue, Edit.Text);
    }
    // The exact value comes back, not the digits shown.
    EXPECT_EQ(Edit.Logic.AsFloat(), 0.5);
}

TEST_F(EditUnits, UnreadableTextIsKeptWhileTheUnitChanges)
{
    Edit.Text = QStringLiteral("abc");
    Edit.Logic.SetUnitsValue(0);
    EXPECT_EQ(Edit.Text, QStringLiteral("abc"));
    EXPECT_EQ(Edit.Caption, QStringLiteral("m"));
    EXPECT_EQ(Edit.Logic.Factor, 1.0);
    EXPECT_EQ(Edit.Logic.FormatStr(), QStringLiteral("%0.3f"));
    Edit.Text = QStringLiteral("1.5");
    Edit.Logic.SetUnitsValue(2);
    EXPECT_EQ(Edit.Text, QStringLiteral("1500.0"));
}

TEST_F(EditUnits, RangeIsInStoredUnits)
{
    Edit.Logic.RangeLo = 0.1;
    Edit.Logic.RangeHi = 2.0;
    Retype(QStringLiteral("2500\r"));
    EXPECT_EQ(Edit.Text, QStringLiteral("2000.0"));
    EXPECT_EQ(Service.Beeps, 1);
    EXPECT_DOUBLE_EQ(Edit.Logic.AsFloat(), 2.0);
}

TEST_F(EditUnits, PairsKeepTheirPrecision)
{
    Edit.Logic.SetFormatType(ft_Fixed);
    Edit.Logic.SetFormatStr(QStringLiteral("%0.1f/%0.1f"));
    Edit.Logic.SetValue(QStringLiteral("0.905/1.234"));
    EXPECT_EQ(Edit.Text, QStringLiteral("905.0/1234.0"));
    Edit.Logic.SetUnitsValue(0);
    EXPECT_EQ(Edit.Logic.FormatStr(), QStringLiteral("%0.3f/%0.3f"));
    EXPECT_EQ(Edit.Text, QStringLiteral("0.905/1.234"));
    Edit.Logic.SetUnitsValue(2);
    EXPECT_EQ(Edit.Text, QStringLiteral("905.0/1234.0"));

    // Typed and not yet validated: read as numbers, not through a rounded text.
    Retype(QStringLiteral("905/1234"));
    Edit.Logic.SetUnitsValue(0);
    EXPECT_EQ(Edit.Text, QStringLiteral("0.905/1.234"));
    EXPECT_EQ(Edit.Logic.GetValue(), QVariant(QStringLiteral("0.905/1.234")));
}

TEST_F(EditLogic, TemperatureOffsetAndManualFormat)
{
    Edit.Logic.SetUnitsType(utTemperature);
    Edit.Logic.SetValue(20.0);
    EXPECT_EQ(Edit.Text, QStringLiteral("20.0"));
    Edit.Logic.SetUnitsValue(1);
    EXPECT_EQ(Edit.Text, QStringLiteral("68.0"));
    EXPECT_EQ(Edit.Caption, QString::fromUtf8("\xC2\xB0"
                                              "F"));
    EXPECT_DOUBLE_EQ(Edit.Logic.AsFloat(), 20.0);

    Edit.Logic.SetFormatType(ft_Manual);
    Edit.Logic.SetFormatStr(QStringLiteral("%0.3f"));
    Edit.Logic.SetUnitsValue(2);
    EXPECT_EQ(Edit.Logic.FormatStr(), QStringLiteral("%0.3f"));
    EXPECT_EQ(Edit.Text, QStringLiteral("293.150"));
}

TEST_F(EditLogic, NoUnitsKeepsFactorAndLeavesTextAndIntegerPatterns)
{
    Edit.Logic.Factor = 2.0;
    Edit.Logic.Offset = 1.0;
    Edit.Logic.SetUnitsValue(0);
    EXPECT_EQ(Edit.Logic.Factor, 2.0);
    EXPECT_EQ(Edit.Logic.Offset, 1.0);
    EXPECT_EQ(Edit.CaptionChanges, 1);
    Edit.Logic.SetValue(3.0);
    EXPECT_EQ(Edit.Text, QStringLiteral("7.0"));
    EXPECT_DOUBLE_EQ(Edit.Logic.AsFloat(), 3.0);

    for (const char* format : {"%d", "%S"}) {
        Edit.Logic.SetFormatStr(QString::fromLatin1(format));
        Edit.Text = QStringLiteral("5");
        Edit.CaptionChanges = 0;
        Edit.Logic.SetUnitsValue(0);
        EXPECT_EQ(Edit.CaptionChanges, 0) << format;
        EXPECT_EQ(Edit.Text, QStringLiteral("5")) << format;
    }

    // Setting a kind resets the conversion and limits the indices.
    Edit.Logic.SetFormatStr(QStringLiteral("%0.1f"));
    Edit.Logic.SetUnitsValue(7);
    Edit.Logic.SetUnitsType(utVelocity);
    EXPECT_EQ(Edit.Logic.UnitsValue(), 1);
    EXPECT_EQ(Edit.Logic.Offset, 0.0);
    EXPECT_EQ(Edit.Caption, QStringLiteral("fpm"));
}

} // namespace
