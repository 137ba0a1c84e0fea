#pragma once

#include "TxConv.h"
#include "TxFields.h"
#include "TxFormat.h"
#include "TxKeys.h"

#include <QString>
#include <QVariant>

// ---------------------------------------------------------------------------
// Format classes. The letters anywhere in a pattern decide; where several
// match, callers test them in the order their rule states.

bool IsStringFormat(const QString& format);  // "s" or "S"
bool IsPairFormat(const QString& format);    // "/"
bool IsIntegerFormat(const QString& format); // "d" or "D"
bool IsFloatFormat(const QString& format);   // "f", "F", "g" or "G"
bool IsGeneralFormat(const QString& format); // "g" or "G"

// Whether an edit with `format` takes the typed character `ch` (one code
// point: one QChar or a surrogate pair). Pair: "-", ".", "/", digits;
// integer: digits, "-"; floating: digits, "-", "." (general also "e", "E");
// any other pattern every printable character. Control characters and lone
// surrogates are never taken.
bool EditAcceptsChar(const QString& format, const QString& ch);

// Range check of one display value against display bounds: a value beyond a
// bound becomes the bound and fails, except within half a per cent of a
// non-zero bound, where it stays and passes. Bounds closer than 1e-5 mean no
// range.
bool CheckRangeValue(double& x, double lo, double hi);

// Nearest whole number, ties to even; false when it does not fit 64 bits.
bool RoundHalfEven(double x, qint64& result);

// A value as a number by the one rule: a number as it is (NaN or an
// infinity is out of range), text as CheckFloat reads it or, when `typed`,
// as a typed entry reads (CheckTypedFloat); anything else is no number.
TEntryCheck CheckValueNumber(const QVariant& value, double& x, bool typed = false);

// A value as plain text ("2.5", "7", the text itself); a double that is no
// finite number is the empty text.
QString VariantToText(const QVariant& value);

// X (display units) as a format type shows it: ft_Auto by significant
// digits, ft_AutoOverride by significant digits below 10^(2 - decimals),
// otherwise with the pattern.
QString FormatNumberByType(double x, const QString& format, TFormatType type, int sigDigs, int decimals);

// The stored value a text was written for. Texts are rounded to their
// format; while an edit or a cell still holds the text, its value is the
// stored one, so re-showing it in another unit never drifts.
struct TValueAnchor {
    bool Valid = false;
    bool Pair = false;
    double A = 0.0; // stored units
    double B = 0.0; // second number of a pair
    QString Text;
};

// ---------------------------------------------------------------------------

// What the edit logic needs of the control it drives: the text buffer with
// its selection and modified mark, and the control's overridable operations,
// which the key handling calls back so that a descendant's override counts.
class IEditHost {
public:
    virtual ~IEditHost();

    virtual QString EditText() const = 0;
    // Replaces the text and clears the modified mark, as the platform's edit
    // does; the caret goes to the end (an edit without the focus may show
    // the text from its start).
    virtual void SetEditText(const QString& text) = 0;
    // The selection: its start (the caret when nothing is selected) and length.
    virtual int EditSelStart() const = 0;
    virtual int EditSelLength() const = 0;
    // Selects `length` characters from `start`; the caret ends the selection.
    virtual void SetEditSel(int start, int length) = 0;
    virtual bool EditModified() const = 0;
    virtual void SetEditModified(bool modified) = 0;
    virtual bool EditReadOnly() const = 0;
    virtual int EditMaxLength() const = 0;

    virtual bool EditCanModify() = 0;
    virtual void Reset() = 0;
    virtual bool Validate(const QString& text) = 0;
    virtual void ValidateError() = 0;
    virtual void ValidateEdit() = 0;
    // Puts the focus back on the control after a failed validation.
    virtual void KeepFocus() = 0;
    // The display unit changed: the linked label shows `caption`.
    virtual void UnitsCaptionChanged(const QString& caption) = 0;
    // Typing stopped at the maximum length (the edit has beeped).
    virtual void TextCut() {}
};

// The numeric edit without a window: key filtering, validation, range check,
// formatting and unit conversion. Values are stored in the base unit; shown =
// stored * Factor + Offset.
//
// The value is the stored value the logic last set or validated for as long as
// the text still shows it: a change of display unit, a focus change or a
// reading never rounds it to the shown digits, nor does typing that leaves
// the text as it was on entry. Once the user changes the text, it says the
// value.
class TxEditLogic {
public:
    explicit TxEditLogic(IEditHost& host);
    TxEditLogic(const TxEditLogic&) = delete;
    TxEditLogic& operator=(const TxEditLogic&) = delete;

    // Settings. Setting the pattern, format type or significant digits only
    // stores them; the unit setters refresh the conversion and the text.
    QString FormatStr() const { return FFormatStr; }
    // "%S" over the text "0.0" empties the text.
    void SetFormatStr(const QString& format);
    TFormatType FormatType() const { return FFormatType; }
    void SetFormatType(TFormatType type) { FFormatType = type; }
    int SigDigs() const { return FSigDigs; }
    void SetSigDigs(int digits) { FSigDigs = digits; }
    // Decimals of FormatStr; follows the pattern.
    int Decimals() const { return FDecimals; }

    double RangeLo = 0.0; // bounds in stored units; equal bounds: no range
    double RangeHi = 0.0;
    double Factor = 1.0;
    double Offset = 0.0;

    TUnitsType UnitsType() const { return FUnitsType; }
    // Limits both unit indices to the kind's table and resets Factor and Offset.
    void SetUnitsType(TUnitsType kind);
    int UnitsBase() const { return FUnitsBase; }
    void SetUnitsBase(int index);
    int UnitsValue() const { return FUnitsValue; }
    void SetUnitsValue(int index);
    // The label of the display unit after the last refresh.
    QString UnitsCaption() const { return FUnitsCaption; }

    // The text when the edit last received the focus.
    QString OldValue;

    // X (display units) as the format type says.
    QString FormatNumber(double x) const;

    // The value in stored units: a Double, an Integer for "%d" patterns, a
    // string for text and pair patterns. Text that is no number comes back as
    // the text itself, never as 0.
    QVariant GetValue() const;
    // Strict numeric read for number patterns; false for text that is no
    // number and for text or pair patterns.
    bool TryGetFloat(double& value) const;
    // As TryGetFloat; raises EConvertError naming the text.
    double AsFloat() const;
    // Shows `value` (stored units). A value that cannot be shown empties the
    // text.
    void SetValue(const QVariant& value);

    // The default overridable operations.
    // Rewrites `text` in the edit's format and checks the range; false when a
    // number had to be set to a bound, or when the text is no number a
    // double holds (for integer patterns no whole number): then the text the
    // edit had on entry comes back (text that is still that entry text passes
    // untouched). Only a real change replaces the value: a text that ends as
    // it began keeps the exact value it had. A pattern of no class leaves the
    // text.
    bool Validate(const QString& text);
    // Why the last Validate refused its text (a whole number for integer
    // patterns); ecNumber when it took it.
    TEntryCheck Refusal() const { return FRefusal; }
    void ValidateError();
    // When modified and Validate fails: focus back, modified again, error.
    void ValidateEdit();
    // When modified: the entry text comes back, the mark is cleared.
    void Reset();

    // Focus entry: the text becomes OldValue, the mark is cleared.
    void Enter();
    // The text changed other than by the logic showing a value: it alone
    // says the value now.
    void TextEdited();
    // Escape is the edit's only while there is something to undo.
    bool WantsEscapeKey() const { return FHost.EditModified(); }

    // Key-down phase: Backspace deletes the character before the caret (a
    // selection is not deleted as a whole) and never reaches the platform.
    void KeyDown(int& key, TShiftState shift);
    // Character phase: every character but #0, Ctrl+C, Ctrl+V and Ctrl+X is
    // handled here and then discarded (`key` becomes #0).
    void KeyPress(QChar& key);
    // One typed code point: tested against the format; a refused one beeps
    // and changes nothing, an accepted one replaces the selection.
    void TypeChar(const QString& ch);

    // Converts the shown value into the current unit and format.
    void UpdateUnits();

private:
    double ToStored(double shown) const;
    double ToShown(double stored) const;
    bool CheckRange(double& x) const;
    // Texts of stored values in the display unit and format; NumberText is
    // null for a pattern of no class.
    QString NumberText(double stored) const;
    QString PairText(double a, double b) const;
    // Show stored values and remember them as the anchor.
    void ShowNumber(double stored);
    void ShowPair(double a, double b);
    // The exact value `text` stands for: the one the logic showed it for,
    // or the entry's once the text is back to what it was on entry.
    const TValueAnchor* ExactFor(const QString& text, bool pair) const;
    // The stored value(s) `text` stands for: the anchor's when it shows them.
    bool ReadStored(const QString& text, const TValueAnchor* anchor, bool pair, double& a, double& b) const;
    void Anchor(bool pair, double a, double b);

    IEditHost& FHost;
    QString FFormatStr = QStringLiteral("%0.1f");
    TFormatType FFormatType = ft_Fixed;
    int FSigDigs = 5;
    int FDecimals = 1;
    TUnitsType FUnitsType = utNone;
    int FUnitsBase = 0;
    int FUnitsValue = 0;
    QString FUnitsCaption;
    TValueAnchor FAnchor;
    TValueAnchor FEntryAnchor; // behind OldValue, for Reset
    TEntryCheck FRefusal = ecNumber;
};
