#include "TestUtil.h"
#include "TxErrors.h"
#include "TxFields.h"
#include "TxPlatform.h"

#include <gtest/gtest.h>

namespace {

TEST(SplitFieldDef, SplitsAndTrims)
{
    EXPECT_EQ(SplitFieldDef("", ';'), QStringList());
    EXPECT_EQ(SplitFieldDef(";;;", ';'), (QStringList{"", "", ""}));
    EXPECT_EQ(SplitFieldDef("Qty;%0.4g;; ;0;0;", ';'), (QStringList{"Qty", "%0.4g", "", "", "0", "0"}));
    EXPECT_EQ(SplitFieldDef(" Item\t; %0.2f;; ;0;0", ';'), (QStringList{"Item", "%0.2f", "", "", "0", "0"}));
    EXPECT_EQ(SplitFieldDef("a|b", '|'), (QStringList{"a", "b"}));
}

enum class Cls { Field, Num, DelimNum, Enum };

struct LineCase {
    const char* line;
    Cls cls;
    int kind;
    const char* format;
    const char* caption;
    const char* defaultText;
    double low, high, step;
    QStringList items;
};

class FieldLine : public ::testing::TestWithParam<LineCase> {};

Cls ClassOf(const TField* f)
{
    if (dynamic_cast<const TDelimNumField*>(f))
        return Cls::DelimNum;
    if (dynamic_cast<const TNumField*>(f))
        return Cls::Num;
    if (dynamic_cast<const TEnumField*>(f))
        return Cls::Enum;
    return Cls::Field;
}

TEST_P(FieldLine, BuildsFieldCaptionAndDefault)
{
    const auto& c = GetParam();
    TRecordingMessageService messages;
    TScopedMessageService scope(messages);
    const TFieldDef def = ParseFieldDef(QString::fromUtf8(c.line));
    SCOPED_TRACE(c.line);
    ASSERT_TRUE(def.Field);
    EXPECT_EQ(ClassOf(def.Field.get()), c.cls);
    EXPECT_EQ(def.Field->Kind, c.kind);
    EXPECT_EQ(def.Field->FormatStr, QString::fromUtf8(c.format));
    EXPECT_TRUE(def.Field->Editable);
    EXPECT_EQ(def.Caption, QString::fromUtf8(c.caption));
    EXPECT_EQ(def.DefaultText, QString::fromUtf8(c.defaultText));
    if (auto* num = dynamic_cast<const TNumField*>(def.Field.get())) {
        EXPECT_EQ(num->Low, c.low);
        EXPECT_EQ(num->High, c.high);
        EXPECT_EQ(num->Step, c.step);
        EXPECT_EQ(num->UnitsType, utNone);
        EXPECT_EQ(num->Factor, 1.0);
        EXPECT_EQ(num->Offset, 0.0);
        EXPECT_EQ(num->FormatType, ft_Fixed);
        EXPECT_EQ(num->SigDigs, 5);
    }
    if (auto* e = dynamic_cast<const TEnumField*>(def.Field.get())) {
        EXPECT_EQ(e->Items, c.items);
    }
    EXPECT_TRUE(messages.Errors.isEmpty()) << messages.Errors.join('|').toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Lines, FieldLine,
    ::testing::Values(
        LineCase{"Qty;%0.4g;; ;0;0", Cls::Num, 0, "%0.4g", "Qty", "0", 0, 0, 1.0, {}},
        LineCase{"Qty;%0.4g;; ;0;0;", Cls::Num, 0, "%0.4g", "Qty", "0", 0, 0, 1.0, {}},
        LineCase{"Wid/Diam,mm; %0.3f;;;0;0", Cls::Num, 0, "%0.3f", "Wid/Diam,mm", "0.000", 0, 0, 1.0, {}},
        LineCase{" Price; %0.2f;; ;0;0", Cls::Num, 0, "%0.2f", "Price", "0.00", 0, 0, 1.0, {}},
        LineCase{
            "Size;%0.1f/%0.1f;mm;Spin;0;10", Cls::DelimNum, 3, "%0.1f/%0.1f", "Size,mm", "0.0/0.0", 0, 10, 1.0, {}},
        LineCase{"Count;%d;;;1;5;2", Cls::Num, 0, "%d", "Count", "0", 1, 5, 2.0, {}},
        LineCase{"Len;%0.2f;m;pe;-1.5;2e3;0.25", Cls::Num, 1, "%0.2f", "Len,m", "0.00", -1.5, 2000, 0.25, {}},
        LineCase{"Colour;enum;;Red;Green", Cls::Enum, 2, "", "Colour", "Red", 0, 0, 0, {"Red", "Green"}},
        LineCase{"Colour;ENUM;;Spin;Red", Cls::Enum, 2, "", "Colour", "Spin", 0, 0, 0, {"Spin", "Red"}},
        // The third piece is always the unit text, also on a choice line.
        LineCase{"Colour;enum;Red;Green", Cls::Enum, 2, "", "Colour,Red", "Green", 0, 0, 0, {"Green"}},
        LineCase{"Colour;enum", Cls::Enum, 2, "", "Colour", "", 0, 0, 0, {"", "", ""}},
        LineCase{"Colour;enum;;A;;B", Cls::Enum, 2, "", "Colour", "A", 0, 0, 0, {"A", "", "B"}},
        LineCase{"", Cls::Field, 0, "", "", "", 0, 0, 0, {}}, LineCase{";;;", Cls::Field, 0, "", "", "", 0, 0, 0, {}},
        LineCase{"Name;%S", Cls::Field, 0, "%S", "Name", "", 0, 0, 0, {}},
        LineCase{"Description; %S;;;", Cls::Field, 0, "%S", "Description", "", 0, 0, 0, {}},
        LineCase{"Text;%0.1", Cls::Field, 0, "%0.1", "Text", "", 0, 0, 0, {}},
        LineCase{"Note; %S;;Spin", Cls::Field, 3, "%S", "Note", "", 0, 0, 0, {}}));

struct BadCase {
    const char* line;
    const char* error;
    const char* caption;
    const char* defaultText;
};

TEST(FieldLine, BadBoundsGiveATextFieldAndOneError)
{
    const BadCase cases[] = {
        {"Width;%0.1f", "Error initialising Width", "Width", "0.0"},
        {"Width;%0.1f;mm;Spin;0", "Error initialising Width", "Width,mm", "0.0"},
        {"Qty;%d;;;a;5", "Error initialising Qty", "Qty", "0"},
        {"Qty;%d;;;1;5;x", "Error initialising Qty", "Qty", "0"},
        {"Pair;%0.1f/%0.1f;;;1,5;2", "Error initialising Pair", "Pair", "0.0/0.0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        TRecordingMessageService messages;
        TScopedMessageService scope(messages);
        const TFieldDef def = ParseFieldDef(QString::fromUtf8(c.line));
        ASSERT_TRUE(def.Field);
        EXPECT_EQ(typeid(*def.Field), typeid(TField));
        EXPECT_EQ(def.Field->FormatStr, "%S");
        EXPECT_EQ(messages.Errors, QStringList{QString::fromUtf8(c.error)});
        EXPECT_TRUE(messages.Messages.isEmpty());
        EXPECT_EQ(def.Caption, QString::fromUtf8(c.caption));
        EXPECT_EQ(def.DefaultText, QString::fromUtf8(c.defaultText));
    }
}

TEST(NumField, DecimalsFollowTheFormat)
{
    TNumField f(0, "%0.3f", 0, 0, 0);
    EXPECT_EQ(f.Decimals, 3);
    f.FormatStr = "%0.1f";
    f.UpdateDecimals();
    EXPECT_EQ(f.Decimals, 1);
    TEnumField e(QStringList{"a", "b"});
    EXPECT_EQ(e.Kind, fkEnum);
    EXPECT_EQ(e.FormatStr, "");
}

} // namespace
