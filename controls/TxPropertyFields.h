#pragma once

#include "TxConv.h"

#include <QRect>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// The property tree's data without a window: the fields, their categories,
// the text of a value, storing a typed value, the commit and revert of the
// in-place edit and where each editor sits over its cell.

// Field kinds; the variable `Value` points to has the type named here.
enum TTreeFieldKind : uint8_t {
    tfInteger = 0, // int32_t
    tfString = 1,  // QString
    tfList = 2,    // int32_t, an index into Items
    tfBoolean = 3, // uint8_t, 0 false
    tfColor = 4,   // int32_t, red in the low byte, then green, then blue
    tfFloat = 5,   // double
};

// The "..." button's callback: given the value (in and out), answers 1 to
// accept the value it leaves.
using TTreeFieldButtonEvent = std::function<int(QVariant& value)>;

// One row of the property tree. `Value` points to the caller's variable, of
// the type its kind names; `Data` is the caller's tag.
struct TTreeField {
    TTreeField() = default;
    TTreeField(const TTreeField&) = delete;
    TTreeField& operator=(const TTreeField&) = delete;

    QString Caption;
    QString Category;
    void* Data = nullptr;
    void* Value = nullptr;
    uint8_t Kind = tfInteger;
    TTreeFieldButtonEvent OnButton;
    QStringList Items;
    int32_t IntLo = 0;
    int32_t IntHi = 0;
    double FloatLo = 0.0; // in the stored unit
    double FloatHi = 0.0;
    QString FormatStr; // pattern of a float without units
    TUnitsType UnitsType = utNone;
    int32_t UnitsBase = 0;  // the unit the variable holds the value in
    int32_t UnitsValue = 0; // the unit the value is shown and typed in

    // The cell of a list field the tree allocated; lives with the field.
    std::unique_ptr<int32_t> OwnedCell;
};

struct TCategory {
    QString Name;
    std::vector<TTreeField*> Fields;
};
using TCategories = std::vector<TCategory>;

// The field list and the categories built from it. A field keeps its
// address for as long as it is in the list.
class TPropertyFieldList {
public:
    // Appends a field with these values and all others zero.
    TTreeField* AddField(const QString& category, const QString& caption, void* data);
    // A list field whose variable is a new cell, owned by the field.
    TTreeField* AddListField(const QString& category, const QString& caption, int32_t value, const QStringList& items,
                             void* data);
    // Empties the list and the categories.
    void Clear();

    int Count() const { return static_cast<int>(FFields.size()); }
    TTreeField* Field(int index) const;

    // Categories in the order of their first field (names compared exactly),
    // each with its fields in list order.
    void BuildCategories();
    const TCategories& Categories() const { return FCategories; }
    // Field `index` of category `category`; nullptr when there is none.
    TTreeField* FieldAt(int category, int index) const;

private:
    std::vector<std::unique_ptr<TTreeField>> FFields;
    TCategories FCategories;
};

// "%d, %d, %d" of red (low byte), green and blue.
QString ColorToText(int32_t color);
// Three integers separated by commas, each allowed leading blanks and kept
// as one byte: red + green * 256 + blue * 65536. Raises EConvertError.
int32_t TextToColor(const QString& text);

// The text a field's value shows: the integer, the string, the chosen item,
// " " for a boolean (a picture is drawn instead), the colour's three parts, a
// float in its display unit's format or, without units, in FormatStr. A field
// without a variable, a list index outside Items and a float that its pattern
// cannot format show no text (the float its plain number).
QString FieldValueToText(const TTreeField& field);

// Stores a value into the field's variable: an integer or a float from the
// in-place edit's value (text that is no number, and an integer beyond 32
// bits, store nothing), the string and the colour from `text` (a bad colour
// raises EConvertError before anything is stored), the list index of the
// first item equal to `text` (none: unchanged), the boolean from `checked`.
// Returns whether the variable was written.
bool StoreFieldValue(TTreeField& field, const QString& text, const QVariant& editValue, bool checked);

// ---------------------------------------------------------------------------
// The in-place edit's commit and revert

// What commit and revert need of the edit and of its tree.
class IPropertyEditHost {
public:
    virtual ~IPropertyEditHost();
    virtual QString EditorText() const = 0;
    virtual void SetEditorText(const QString& text) = 0;
    // The numeric edit's own commit: validation, exit event, mark cleared.
    virtual void CommitOwnEdit() = 0;
    // The text of the value the edited field holds.
    virtual QString StoredText() const = 0;
    // Hands a changed text to the tree, which stores it.
    virtual void NewText(const QString& text) = 0;
    virtual void FocusTree() = 0;
};

// What a key pressed in the in-place edit does.
enum class TPropertyEditKey {
    Normal,        // the edit's own handling
    Commit,        // Tab, Enter
    CommitAndMove, // Up, Down: then the tree moves to the next row
    Revert,        // Escape
};
TPropertyEditKey PropertyEditKeyAction(int key);

class TPropertyEditCommit {
public:
    // The edit's commit; a text that differs from the stored value's is
    // stored and shown again as the stored value's text; the tree takes the
    // focus.
    void Commit(IPropertyEditHost& host);
    // The stored value's text comes back and the tree takes the focus. The
    // text comes back first, so that leaving the edit has nothing left to
    // validate (no beep for a reverted value out of range).
    void Revert(IPropertyEditHost& host);
    // Losing the focus commits, except while a commit or revert moves it.
    bool Active() const { return FActive; }

private:
    bool FActive = true;
};

// ---------------------------------------------------------------------------
// Placement of the editors over the value cell

enum class TPropertyEditorKind { Edit, Combo, CheckBox, Color, Dialog };

// The editor's bounds for the value cell `cell`; `naturalHeight` is the
// combo's own height, which it keeps (0: the cell's).
QRect PropertyEditorBounds(TPropertyEditorKind kind, const QRect& cell, int naturalHeight = 0);
// The part of a combo of `size` left visible: its frame is hidden.
QRect ComboVisibleRect(const QSize& size);
// Inside the colour and dialog editors of `size`: the edit and the button.
QRect ColorEditRect(const QSize& size);
QRect DialogEditRect(const QSize& size);
QRect EditorButtonRect(const QSize& size);

// ---------------------------------------------------------------------------
// Mouse hit positions

enum class TPropertyHit { None, Button, CheckBox };

// The hit position of a point `x` pixels from the left of a cell `width`
// wide in `column`: the expand button in column 0 below 15 pixels; in column
// 1 the rightmost 17 pixels of a selected field row whose field has a button
// (a callback, a list or a colour).
TPropertyHit PropertyHitPosition(int column, int x, int width, bool selectedFieldWithButton);
bool FieldHasButton(const TTreeField& field);

// ---------------------------------------------------------------------------

// The tree's published error settings; stored only, never shown.
class TPropertyTreeOptions {
public:
    bool ShowRangeError = true;
    bool ShowValidityError = true;
    QString RangeErrorText = QStringLiteral("Value must be in range of %d - %d!");
    QString ValidityErrorText = QStringLiteral("\"%s\" is not a valid number!");
    QString ErrorTitle = QStringLiteral("Error...");

    void Assign(const TPropertyTreeOptions& source) { *this = source; }
};
