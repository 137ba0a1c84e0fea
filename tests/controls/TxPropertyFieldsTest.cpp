#include "TestUtil.h"
#include "TxErrors.h"
#include "TxKeys.h"
#include "TxPropertyFields.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(PropertyFieldList, CategoriesInTheOrderOfTheirFirstField)
{
    TPropertyFieldList list;
    TTreeField* a = list.AddField(QStringLiteral("Air"), QStringLiteral("Airflow"), nullptr);
    TTreeField* b = list.AddField(QStringLiteral("Size"), QStringLiteral("Area"), nullptr);
    TTreeField* c = list.AddField(QStringLiteral("Air"), QStringLiteral("Pressure"), nullptr);
    TTreeField* d = list.AddField(QStringLiteral("air"), QStringLiteral("Speed"), nullptr); // names are exact
    list.BuildCategories();
    const TCategories& cats = list.Categories();
    ASSERT_EQ(cats.size(), 3u);
    EXPECT_EQ(cats[0].Name, QStringLiteral("Air"));
    EXPECT_EQ(cats[0].Fields, (std::vector<TTreeField*>{a, c}));
    EXPECT_EQ(cats[1].Name, QStringLiteral("Size"));
    EXPECT_EQ(cats[1].Fields, (std::vector<TTreeField*>{b}));
    EXPECT_EQ(cats[2].Fields, (std::vector<TTreeField*>{d}));
    EXPECT_EQ(list.FieldAt(0, 1), c);
    EXPECT_EQ(list.FieldAt(0, 2), nullptr);
    EXPECT_EQ(list.FieldAt(3, 0), nullptr);
    EXPECT_EQ(list.FieldAt(-1, 0), nullptr);

    // Building again gives the same categories, not a second set.
    list.BuildCategories();
    EXPECT_EQ(list.Categories().size(), 3u);

    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_TRUE(list.Categories().empty());
    EXPECT_EQ(list.FieldAt(0, 0), nullptr);
}

TEST(PropertyFieldList, NewFieldsAreZeroedAndKeepTheirAddress)
{
    TPropertyFieldList list;
    int tag = 0;
    TTreeField* first = list.AddField(QStringLiteral("C"), QStringLiteral("First"), &tag);
    EXPECT_EQ(first->Data, &tag);
    EXPECT_EQ(first->Value, nullptr);
    EXPECT_EQ(first->Kind, tfInteger);
    EXPECT_FALSE(first->OnButton);
    EXPECT_TRUE(first->Items.isEmpty());
    EXPECT_EQ(first->IntLo, 0);
    EXPECT_EQ(first->FloatHi, 0.0);
    EXPECT_EQ(first->UnitsType, utNone);
    for (int i = 0; i < 100; ++i)
        list.AddField(QStringLiteral("C"), QString::number(i), nullptr);
    EXPECT_EQ(list.Field(0), first);
    EXPECT_EQ(first->Caption, QStringLiteral("First"));

    // A list field's variable belongs to the field.
    TTreeField* units = list.AddListField(QStringLiteral("Air"), QStringLiteral("Pressure"), 2,
                                          {QStringLiteral("kPa"), QStringLiteral("Pa"), QStringLiteral("Psi")}, &tag);
    EXPECT_EQ(units->Kind, tfList);
    ASSERT_NE(units->Value, nullptr);
    EXPECT_EQ(*static_cast<int32_t*>(units->Value), 2);
    EXPECT_EQ(units->Items.size(), 3);
    EXPECT_EQ(FieldValueToText(*units), QStringLiteral("Psi"));
}

TEST(PropertyFieldValues, TextOfEveryKind)
{
    int32_t integer = -42;
    QString string = QStringLiteral("Hello");
    int32_t index = 2;
    uint8_t boolean = 1;
    int32_t color = 255;

    TTreeField f;
    f.Items = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
    struct {
        uint8_t kind;
        void* value;
        const char* text;
    } const cases[] = {
        {tfInteger, &integer, "-42"},   {tfString, &string, "Hello"}, {tfList, &index, "c"}, {tfBoolean, &boolean, " "},
        {tfColor, &color, "255, 0, 0"}, {tfFloat, nullptr, ""},       {tfList, nullptr, ""}, {6, &integer, ""},
    };
    for (const auto& c : cases) {
        f.Kind = c.kind;
        f.Value = c.value;
        EXPECT_EQ(FieldValueToText(f), QString::fromUtf8(c.text)) << int(c.kind);
    }

    // A list index outside the items shows nothing.
    f.Kind = tfList;
    f.Value = &index;
    for (const int32_t bad : {3, -1, std::numeric_limits<int32_t>::max()}) {
        index = bad;
        EXPECT_EQ(FieldValueToText(f), QString()) << bad;
    }

    f.Kind = tfColor;
    f.Value = &color;
    color = 0x00FF8040;
    EXPECT_EQ(FieldValueToText(f), QStringLiteral("64, 128, 255"));
    boolean = 0;
    f.Kind = tfBoolean;
    f.Value = &boolean;
    EXPECT_EQ(FieldValueToText(f), QStringLiteral(" "));
}

TEST(PropertyFieldValues, FloatsInTheirDisplayUnit)
{
    double value = 0.0;
    TTreeField f;
    f.Kind = tfFloat;
    f.Value = &value;
    struct {
        TUnitsType kind;
        int base, unit;
        const char* format;
        double value;
        const char* text;
    } const cases[] = {
        {utPressure, 1, 2, "", 1000.0, "0.1450"},   // Pa shown in Psi, the unit's "%0.4f"
        {utPressure, 1, 1, "%0.3f", 80.0, "80"},    // the unit's format, not FormatStr
        {utAirPressDrop, 1, 5, "", 80.0, "0.3212"}, // InchWg
        {utTemperature, 0, 1, "", 20.0, "68.0"},    // with the offset
        {utLengthMeasure, 0, 2, "", 0.9, "900.0"},  // m shown in mm
        {utNone, 0, 0, "%0.2f", 2.125, "2.13"},     // halves away from zero
        {utNone, 0, 0, "%0.0f", -0.4, "0"},         // never "-0"
        {utNone, 0, 0, "%d", 2.5, "2.5"},           // a pattern that cannot take a float
        {utNone, 0, 0, "", 2.5, ""},                // no pattern, no text
        {utVelocity, 0, 7, "", 1.0, "196.9"},       // an index beyond the table: its last unit
    };
    for (const auto& c : cases) {
        f.UnitsType = c.kind;
        f.UnitsBase = c.base;
        f.UnitsValue = c.unit;
        f.FormatStr = QString::fromLatin1(c.format);
        value = c.value;
        EXPECT_EQ(FieldValueToText(f), QString::fromUtf8(c.text)) << int(c.kind) << " " << c.value;
    }
}

TEST(PropertyFieldValues, Colours)
{
    struct {
        const char* text;
        int32_t color;
    } const good[] = {
        {"255, 0, 0", 255},
        {"10, 20, 30", 10 + 20 * 256 + 30 * 65536},
        {"  1,2,   3", 1 + 2 * 256 + 3 * 65536}, // leading blanks allowed
        {"300, 0, 0", 44},                       // kept as one byte
        {"0, 0, 255", 0xFF0000},
    };
    for (const auto& c : good) {
        EXPECT_EQ(TextToColor(QString::fromLatin1(c.text)), c.color) << c.text;
    }
    for (const char* bad : {"", "1, 2", "1, 2, x", "1 , 2, 3", "a, b, c", "1; 2; 3"})
        EXPECT_THROW(TextToColor(QString::fromLatin1(bad)), EConvertError) << bad;
    for (const int32_t color : {0, 255, 0x123456, 0xFFFFFF})
        EXPECT_EQ(TextToColor(ColorToText(color)), color);
}

TEST(PropertyFieldValues, Storing)
{
    int32_t integer = 7;
    QString string;
    int32_t index = 1;
    uint8_t boolean = 0;
    int32_t color = 0;
    double number = 1.5;
    TTreeField f;
    f.Items = {QStringLiteral("m/s"), QStringLiteral("fpm"), QStringLiteral("fpm")};
    auto as = [&f](uint8_t kind, void* value) {
        f.Kind = kind;
        f.Value = value;
    };

    as(tfInteger, &integer);
    EXPECT_TRUE(StoreFieldValue(f, QStringLiteral("ignored"), QVariant(25), false));
    EXPECT_EQ(integer, 25);
    // Text that is no number, a value beyond 32 bits: nothing stored.
    EXPECT_FALSE(StoreFieldValue(f, QString(), QVariant(QStringLiteral("abc")), false));
    EXPECT_FALSE(StoreFieldValue(f, QString(), QVariant(qlonglong(5000000000)), false));
    EXPECT_FALSE(StoreFieldValue(f, QString(), QVariant(), false));
    EXPECT_EQ(integer, 25);

    as(tfString, &string);
    EXPECT_TRUE(StoreFieldValue(f, QStringLiteral("typed text"), QVariant(3), false));
    EXPECT_EQ(string, QStringLiteral("typed text"));

    as(tfList, &index);
    EXPECT_TRUE(StoreFieldValue(f, QStringLiteral("fpm"), QVariant(), false));
    EXPECT_EQ(index, 1); // the first equal item
    EXPECT_TRUE(StoreFieldValue(f, QStringLiteral("m/s"), QVariant(), false));
    EXPECT_EQ(index, 0);
    EXPECT_FALSE(StoreFieldValue(f, QStringLiteral("M/S"), QVariant(), false)); // exact
    EXPECT_FALSE(StoreFieldValue(f, QString(), QVariant(), false));
    EXPECT_EQ(index, 0);

    as(tfBoolean, &boolean);
    EXPECT_TRUE(StoreFieldValue(f, QStringLiteral(" "), QVariant(), true));
    EXPECT_EQ(boolean, 1);
    EXPECT_TRUE(StoreFieldValue(f, QStringLiteral(" "), QVariant(), false));
    EXPECT_EQ(boolean, 0);

    as(tfColor, &color);
    EXPECT_TRUE(StoreFieldValue(f, QStringLiteral("10, 20, 30"), QVariant(), false));
    EXPECT_EQ(color, 10 + 20 * 256 + 30 * 65536);
    EXPECT_THROW(StoreFieldValue(f, QStringLiteral("10, 20"), QVariant(), false), EConvertError);
    EXPECT_EQ(color, 10 + 20 * 256 + 30 * 65536);

    as(tfFloat, &number);
    EXPECT_TRUE(StoreFieldValue(f, QStringLiteral("900.0"), QVariant(0.9), false));
    EXPECT_EQ(number, 0.9);
    EXPECT_FALSE(StoreFieldValue(f, QStringLiteral("x"), QVariant(QStringLiteral("x")), false));
    EXPECT_FALSE(StoreFieldValue(f, QString(), QVariant(std::nan("")), false));
    EXPECT_EQ(number, 0.9);

    // No variable, an unknown kind: nothing.
    as(tfString, nullptr);
    EXPECT_FALSE(StoreFieldValue(f, QStringLiteral("x"), QVariant(), false));
    as(9, &integer);
    EXPECT_FALSE(StoreFieldValue(f, QStringLiteral("1"), QVariant(1), false));
    EXPECT_EQ(integer, 25);
}

// ---------------------------------------------------------------------------

// An edit and its tree, in memory; records the order of the calls.
class TFakePropertyEdit : public IPropertyEditHost {
public:
    TPropertyEditCommit Commit;
    QString Text;
    QString Stored;
    QString Formatted; // how the field shows a stored text
    QStringList Calls;
    bool ActiveDuringNewText = true;
    bool ActiveDuringFocus = true;
    bool ThrowOnNewText = false;

    QString EditorText() const override { return Text; }
    void SetEditorText(const QString& text) override
    {
        Text = text;
        Calls << QStringLiteral("set ") + text;
    }
    void CommitOwnEdit() override { Calls << QStringLiteral("own commit"); }
    QString StoredText() const override { return Stored; }
    void NewText(const QString& text) override
    {
        ActiveDuringNewText = Commit.Active();
        Calls << QStringLiteral("new ") + text;
        if (ThrowOnNewText)
            throw EConvertError(QStringLiteral("bad"));
        Stored = Formatted.isEmpty() ? text : Formatted;
    }
    void FocusTree() override
    {
        ActiveDuringFocus = Commit.Active();
        Calls << QStringLiteral("focus tree");
    }
};

TEST(PropertyEditCommit, CommitStoresAChangedTextOnly)
{
    TFakePropertyEdit edit;
    edit.Text = edit.Stored = QStringLiteral("12.50");
    edit.Commit.Commit(edit);
    EXPECT_EQ(edit.Calls, (QStringList{QStringLiteral("own commit"), QStringLiteral("focus tree")}));
    EXPECT_TRUE(edit.Commit.Active());

    edit.Calls.clear();
    edit.Text = QStringLiteral("13");
    edit.Formatted = QStringLiteral("13.00");
    edit.Commit.Commit(edit);
    EXPECT_EQ(edit.Calls, (QStringList{QStringLiteral("own commit"), QStringLiteral("new 13"),
                                       QStringLiteral("set 13.00"), QStringLiteral("focus tree")}));
    EXPECT_EQ(edit.Text, QStringLiteral("13.00"));
    // Moving the focus away during the commit commits nothing more.
    EXPECT_FALSE(edit.ActiveDuringNewText);
    EXPECT_FALSE(edit.ActiveDuringFocus);
    EXPECT_TRUE(edit.Commit.Active());
}

TEST(PropertyEditCommit, RevertBringsBackTheStoredText)
{
    TFakePropertyEdit edit;
    edit.Stored = QStringLiteral("12.50");
    edit.Text = QStringLiteral("99");
    edit.Commit.Revert(edit);
    // The text first: the edit then has nothing to validate as it loses the focus.
    EXPECT_EQ(edit.Calls, (QStringList{QStringLiteral("set 12.50"), QStringLiteral("focus tree")}));
    EXPECT_FALSE(edit.ActiveDuringFocus);
    EXPECT_TRUE(edit.Commit.Active());
}

TEST(PropertyEditCommit, AFailedStoreLeavesTheEditActive)
{
    TFakePropertyEdit edit;
    edit.Stored = QStringLiteral("1, 2, 3");
    edit.Text = QStringLiteral("1, 2");
    edit.ThrowOnNewText = true;
    EXPECT_THROW(edit.Commit.Commit(edit), EConvertError);
    EXPECT_TRUE(edit.Commit.Active());
    EXPECT_EQ(edit.Stored, QStringLiteral("1, 2, 3"));
}

TEST(PropertyEditCommit, KeyActions)
{
    struct {
        int key;
        TPropertyEditKey action;
    } const cases[] = {
        {VK_UP, TPropertyEditKey::CommitAndMove}, {VK_DOWN, TPropertyEditKey::CommitAndMove},
        {VK_ESCAPE, TPropertyEditKey::Revert},    {VK_TAB, TPropertyEditKey::Commit},
        {VK_RETURN, TPropertyEditKey::Commit},    {VK_LEFT, TPropertyEditKey::Normal},
        {VK_PRIOR, TPropertyEditKey::Normal},     {'A', TPropertyEditKey::Normal},
        {VK_BACK, TPropertyEditKey::Normal},      {VK_NONE, TPropertyEditKey::Normal},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PropertyEditKeyAction(c.key), c.action) << c.key;
}

// ---------------------------------------------------------------------------

TEST(PropertyEditorPlacement, BoundsOverTheValueCell)
{
    const QRect cell(100, 32, 150, 16); // right edge 250, bottom edge 48
    struct {
        TPropertyEditorKind kind;
        int natural;
        QRect bounds;
    } const cases[] = {
        {TPropertyEditorKind::Edit, 0, QRect(104, 34, 146, 14)},
        {TPropertyEditorKind::Combo, 0, QRect(101, 31, 152, 15)},
        {TPropertyEditorKind::Combo, 22, QRect(101, 31, 152, 22)},
        {TPropertyEditorKind::CheckBox, 0, QRect(102, 34, 148, 13)},
        {TPropertyEditorKind::Color, 0, QRect(100, 31, 151, 17)},
        {TPropertyEditorKind::Dialog, 0, QRect(100, 33, 150, 14)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PropertyEditorBounds(c.kind, cell, c.natural), c.bounds) << int(c.kind) << " " << c.natural;

    EXPECT_EQ(ComboVisibleRect(QSize(152, 22)), QRect(2, 3, 147, 16));
    EXPECT_EQ(ColorEditRect(QSize(151, 17)), QRect(18, 2, 116, 14));
    EXPECT_EQ(DialogEditRect(QSize(150, 14)), QRect(0, 0, 133, 13));
    EXPECT_EQ(EditorButtonRect(QSize(150, 14)), QRect(132, 0, 18, 14));
}

TEST(PropertyHitPositions, ButtonStripAndValueButton)
{
    struct {
        int column, x, width;
        bool withButton;
        TPropertyHit hit;
    } const cases[] = {
        {0, 0, 80, false, TPropertyHit::Button},     {0, 14, 80, false, TPropertyHit::Button},
        {0, 15, 80, false, TPropertyHit::None},      {1, 5, 150, true, TPropertyHit::None},
        {1, 132, 150, true, TPropertyHit::None},     {1, 133, 150, true, TPropertyHit::CheckBox},
        {1, 149, 150, true, TPropertyHit::CheckBox}, {1, 149, 150, false, TPropertyHit::None},
        {1, 150, 150, true, TPropertyHit::None},     {1, 10, 80, false, TPropertyHit::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PropertyHitPosition(c.column, c.x, c.width, c.withButton), c.hit)
            << c.column << " " << c.x << " " << c.width << " " << c.withButton;

    TTreeField f;
    EXPECT_FALSE(FieldHasButton(f));
    for (const uint8_t kind : {tfList, tfColor}) {
        f.Kind = kind;
        EXPECT_TRUE(FieldHasButton(f));
    }
    f.Kind = tfFloat;
    EXPECT_FALSE(FieldHasButton(f));
    f.OnButton = [](QVariant&) { return 1; };
    EXPECT_TRUE(FieldHasButton(f));
}

TEST(PropertyTreeOptions, DefaultsAndAssign)
{
    TPropertyTreeOptions options;
    EXPECT_TRUE(options.ShowRangeError);
    EXPECT_TRUE(options.ShowValidityError);
    EXPECT_EQ(options.RangeErrorText, QStringLiteral("Value must be in range of %d - %d!"));
    EXPECT_EQ(options.ValidityErrorText, QStringLiteral("\"%s\" is not a valid number!"));
    EXPECT_EQ(options.ErrorTitle, QStringLiteral("Error..."));

    TPropertyTreeOptions other;
    other.ShowRangeError = false;
    other.ShowValidityError = false;
    other.RangeErrorText = QStringLiteral("a");
    other.ValidityErrorText = QStringLiteral("b");
    other.ErrorTitle = QStringLiteral("c");
    options.Assign(other);
    EXPECT_FALSE(options.ShowRangeError);
    EXPECT_FALSE(options.ShowValidityError);
    EXPECT_EQ(options.RangeErrorText, QStringLiteral("a"));
    EXPECT_EQ(options.ValidityErrorText, QStringLiteral("b"));
    EXPECT_EQ(options.ErrorTitle, QStringLiteral("c"));
}

} // namespace
