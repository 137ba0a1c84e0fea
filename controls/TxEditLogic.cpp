#include "TxEditLogic.h"

#include "TxErrors.h"
#include "TxFormat.h"
#include "TxPlatform.h"
#include "TxString.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

bool HasAnyOf(const QString& text, const char* letters)
{
    for (const char* c = letters; *c; ++c)
        if (text.contains(QLatin1Char(*c)))
            return true;
    return false;
}

bool IsDigit(char16_t c)
{
    return c >= '0' && c <= '9';
}

qint64 RoundedOrThrow(double x)
{
    qint64 r = 0;
    if (!RoundHalfEven(x, r))
        throw EConvertError(QStringLiteral("Value out of range"));
    return r;
}

void RequireFinite(double x)
{
    if (!std::isfinite(x))
        throw EConvertError(QStringLiteral("Value out of range"));
}

// A typed number by the one rule; raises for anything else.
double TypedNumber(const QString& text)
{
    double x = 0.0;
    if (CheckTypedFloat(text, x) != ecNumber)
        throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    return x;
}

} // namespace

bool IsStringFormat(const QString& format)
{
    return HasAnyOf(format, "sS");
}

bool IsPairFormat(const QString& format)
{
    return format.contains(QLatin1Char('/'));
}

bool IsIntegerFormat(const QString& format)
{
    return HasAnyOf(format, "dD");
}

bool IsFloatFormat(const QString& format)
{
    return HasAnyOf(format, "fFgG");
}

bool IsGeneralFormat(const QString& format)
{
    return HasAnyOf(format, "gG");
}

bool EditAcceptsChar(const QString& format, const QString& ch)
{
    if (ch.isEmpty())
        return false;
    const char16_t c = ch.at(0).unicode();
    if (c < 32 || c == 127)
        return false;
    if (ch.size() == 1 && QChar::isSurrogate(c))
        return false;
    if (ch.size() == 2 && !(QChar::isHighSurrogate(c) && QChar::isLowSurrogate(ch.at(1).unicode())))
        return false;
    if (ch.size() > 2)
        return false;
    const bool single = ch.size() == 1;
    if (IsPairFormat(format))
        return single && (IsDigit(c) || c == '-' || c == '.' || c == '/');
    if (IsIntegerFormat(format))
        return single && (IsDigit(c) || c == '-');
    if (IsFloatFormat(format)) {
        if (single && (IsDigit(c) || c == '-' || c == '.'))
            return true;
        return single && IsGeneralFormat(format) && (c == 'e' || c == 'E');
    }
    return true;
}

bool CheckRangeValue(double& x, double lo, double hi)
{
    if (std::fabs(lo - hi) < 1e-5)
        return true;
    if (x < lo) {
        if (lo == 0.0 || std::fabs((lo - x) / lo) > 0.005) {
            x = lo;
            return false;
        }
    }
    if (x > hi) {
        if (hi == 0.0 || std::fabs((x - hi) / hi) > 0.005) {
            x = hi;
            return false;
        }
    }
    return true;
}

bool RoundHalfEven(double x, qint64& result)
{
    if (!std::isfinite(x))
        return false;
    const double r = std::nearbyint(x); // the default rounding mode: ties to even
    // 2^63 is exact in a double; anything from it up does not fit.
    if (r >= 9223372036854775808.0 || r < -9223372036854775808.0)
        return false;
    result = static_cast<qint64>(r);
    return true;
}

IEditHost::~IEditHost() = default;

TxEditLogic::TxEditLogic(IEditHost& host) : FHost(host) {}

void TxEditLogic::SetFormatStr(const QString& format)
{
    FFormatStr = format;
    FDecimals = DecimalsOfFormat(format);
    if (format == QLatin1String("%S") && FHost.EditText() == QLatin1String("0.0"))
        FHost.SetEditText(QString());
}

void TxEditLogic::SetUnitsType(TUnitsType kind)
{
    FUnitsType = kind;
    FUnitsValue = ClampUnitsIndex(kind, FUnitsValue);
    FUnitsBase = ClampUnitsIndex(kind, FUnitsBase);
    Factor = 1.0;
    Offset = 0.0;
    UpdateUnits();
}

void TxEditLogic::SetUnitsBase(int index)
{
    FUnitsBase = ClampUnitsIndex(FUnitsType, index);
    UpdateUnits();
}

void TxEditLogic::SetUnitsValue(int index)
{
    FUnitsValue = ClampUnitsIndex(FUnitsType, index);
    UpdateUnits();
}

double TxEditLogic::ToStored(double shown) const
{
    return FromDisplayUnits(shown, Factor, Offset);
}

double TxEditLogic::ToShown(double stored) const
{
    return ToDisplayUnits(stored, Factor, Offset);
}

bool TxEditLogic::CheckRange(double& x) const
{
    if (IsStringFormat(FFormatStr))
        return true;
    return CheckRangeValue(x, ToShown(RangeLo), ToShown(RangeHi));
}

TEntryCheck CheckValueNumber(const QVariant& value, double& x, bool typed)
{
    switch (value.typeId()) {
    case QMetaType::QString:
        return typed ? CheckTypedFloat(value.toString(), x) : CheckFloat(value.toString(), x);
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong: {
        const double v = value.toDouble();
        if (!std::isfinite(v))
            return ecOutOfRange;
        x = v;
        return ecNumber;
    }
    default:
        return ecNoNumber;
    }
}

QString VariantToText(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return std::isfinite(value.toDouble()) ? FloatToStr(value.toDouble()) : QString();
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
        return IntToStr(value.toLongLong());
    case QMetaType::ULongLong:
        return QString::number(value.toULongLong());
    default:
        return value.toString();
    }
}

QString FormatNumberByType(double x, const QString& format, TFormatType type, int sigDigs, int decimals)
{
    switch (type) {
    case ft_Auto:
        return Format(SigDigitsFormat(sigDigs, 12, x), x);
    case ft_AutoOverride:
        if (std::pow(10.0, 2 - decimals) > x)
            return Format(SigDigitsFormat(sigDigs, 12, x), x);
        return Format(format, x);
    case ft_Fixed:
    case ft_Manual:
        break;
    }
    return Format(format, x);
}

QString TxEditLogic::FormatNumber(double x) const
{
    return FormatNumberByType(x, FFormatStr, FFormatType, FSigDigs, FDecimals);
}

QVariant TxEditLogic::GetValue() const
{
    const QString text = FHost.EditText();
    try {
        if (IsStringFormat(FFormatStr))
            return Format(FFormatStr, text);
        // Text the logic showed stands for the exact value behind it, not for
        // its rounded digits.
        const TValueAnchor* anchored = ExactFor(text, IsPairFormat(FFormatStr));
        if (IsPairFormat(FFormatStr)) {
            double a = 0.0;
            double b = 0.0;
            const bool two = ParseValuePair(text, a, b);
            a = anchored ? anchored->A : ToStored(a);
            b = anchored ? anchored->B : ToStored(b);
            if (two)
                return Format(FFormatStr, a, b);
            return Format(QStringLiteral("%0.4g"), a);
        }
        const double x = anchored ? anchored->A : ToStored(TypedNumber(text));
        RequireFinite(x);
        if (IsIntegerFormat(FFormatStr)) {
            const qint64 r = RoundedOrThrow(x);
            if (r >= std::numeric_limits<int>::min() && r <= std::numeric_limits<int>::max())
                return QVariant(static_cast<int>(r));
            return QVariant(static_cast<qlonglong>(r));
        }
        return x;
    } catch (const Exception&) {
        return text;
    }
}

bool TxEditLogic::TryGetFloat(double& value) const
{
    if (IsStringFormat(FFormatStr) || IsPairFormat(FFormatStr))
        return false;
    const QVariant v = GetValue();
    if (v.typeId() == QMetaType::QString)
        return false;
    value = v.toDouble();
    return true;
}

double TxEditLogic::AsFloat() const
{
    double value = 0.0;
    if (!TryGetFloat(value))
        throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(FHost.EditText()));
    return value;
}

void TxEditLogic::Anchor(bool pair, double a, double b)
{
    FAnchor.Valid = std::isfinite(a) && std::isfinite(b);
    FAnchor.Pair = pair;
    FAnchor.A = a;
    FAnchor.B = b;
    FAnchor.Text = FHost.EditText();
}

QString TxEditLogic::NumberText(double stored) const
{
    const double x = ToShown(stored);
    RequireFinite(x);
    if (IsIntegerFormat(FFormatStr))
        return Format(FFormatStr, RoundedOrThrow(x));
    if (IsFloatFormat(FFormatStr))
        return FormatNumber(x);
    return QString(); // a pattern of no class shows no number
}

QString TxEditLogic::PairText(double a, double b) const
{
    const double x = ToShown(a);
    const double y = ToShown(b);
    RequireFinite(x);
    RequireFinite(y);
    return Format(FFormatStr, x, y);
}

void TxEditLogic::ShowNumber(double stored)
{
    const QString text = NumberText(stored);
    if (text.isNull())
        return; // a pattern of no class leaves the text
    FHost.SetEditText(text);
    Anchor(false, stored, 0.0);
}

void TxEditLogic::ShowPair(double a, double b)
{
    FHost.SetEditText(PairText(a, b));
    Anchor(true, a, b);
}

void TxEditLogic::SetValue(const QVariant& value)
{
    try {
        if (IsStringFormat(FFormatStr)) {
            FHost.SetEditText(Format(FFormatStr, VariantToText(value)));
            FAnchor.Valid = false;
            return;
        }
        if (IsPairFormat(FFormatStr)) {
            double a = 0.0;
            double b = 0.0;
            if (!ParseValuePair(VariantToText(value), a, b))
                b = 0.0;
            ShowPair(a, b);
            return;
        }
        double x = 0.0;
        if (CheckValueNumber(value, x) != ecNumber)
            throw EConvertError(QStringLiteral("Not a number"));
        ShowNumber(x);
    } catch (const Exception&) {
        FHost.SetEditText(QString());
        FAnchor.Valid = false;
    }
}

bool TxEditLogic::Validate(const QString& text)
{
    FRefusal = ecNumber;
    if (IsStringFormat(FFormatStr)) {
        try {
            FHost.SetEditText(Format(FFormatStr, text));
            FHost.SetEditModified(true);
            FAnchor.Valid = false;
        } catch (const Exception&) {
        }
        return true;
    }
    if (!IsPairFormat(FFormatStr) && !IsIntegerFormat(FFormatStr) && !IsFloatFormat(FFormatStr)) {
        // A pattern of no class (a choice or plain text field) takes every
        // character, so its text is no number to check: it stays as typed.
        FHost.SetEditModified(true);
        FAnchor.Valid = false;
        return true;
    }
    const bool pair = IsPairFormat(FFormatStr);
    double a = 0.0;
    double b = 0.0;
    bool two = false;
    TEntryCheck check = pair                          ? CheckTypedPair(text, a, b, two)
                        : IsIntegerFormat(FFormatStr) ? CheckTypedWhole(text, a)
                                                      : CheckTypedFloat(text, a);
    bool ok = true;
    QString shown;
    if (check == ecNumber) {
        try {
            if (pair) {
                // Every number is checked, so each one out of range is set to its bound.
                ok = CheckRange(a);
                if (two) {
                    const bool okB = CheckRange(b);
                    ok = ok && okB;
                    shown = Format(FFormatStr, a, b);
                } else {
                    b = 0.0;
                    shown = Format(FFormatStr.left(FFormatStr.indexOf(QLatin1Char('/'))), a);
                }
            } else {
                ok = CheckRange(a);
                shown = IsIntegerFormat(FFormatStr) ? Format(FFormatStr, RoundedOrThrow(a)) : FormatNumber(a);
            }
        } catch (const Exception&) {
            check = ecOutOfRange; // a whole number beyond the integers
        }
    }
    if (check != ecNumber) {
        // No number (pasted, dropped or typed through an input method), or
        // one the edit cannot hold as typed. Text that is still what the
        // edit had on entry stays; anything else goes back to it.
        if (text == OldValue)
            return true;
        FRefusal = check;
        FHost.SetEditText(OldValue);
        FAnchor = FEntryAnchor;
        return false;
    }
    // A text that still shows the value behind it keeps that exact value.
    const TValueAnchor* same = ExactFor(text, pair);
    const TValueAnchor kept = ok && shown == text && same ? *same : TValueAnchor();
    FHost.SetEditText(shown);
    FHost.SetEditModified(true);
    if (kept.Valid)
        FAnchor = kept;
    else
        Anchor(pair, ToStored(a), ToStored(b));
    return ok;
}

void TxEditLogic::ValidateError()
{
    Messages().Beep();
}

void TxEditLogic::ValidateEdit()
{
    if (!FHost.EditModified())
        return;
    if (FHost.Validate(FHost.EditText()))
        return;
    FHost.KeepFocus();
    FHost.SetEditModified(true);
    FHost.ValidateError();
}

void TxEditLogic::Reset()
{
    if (!FHost.EditModified())
        return;
    FHost.SetEditText(OldValue);
    FAnchor = FEntryAnchor;
    FHost.SetEditModified(false);
}

void TxEditLogic::Enter()
{
    OldValue = FHost.EditText();
    FEntryAnchor = FAnchor;
    FHost.SetEditModified(false);
}

void TxEditLogic::TextEdited()
{
    FAnchor.Valid = false;
}

void TxEditLogic::KeyDown(int& key, TShiftState /*shift*/)
{
    if (key != VK_BACK)
        return;
    key = VK_NONE;
    if (!FHost.EditCanModify() || FHost.EditReadOnly())
        return;
    const int start = FHost.EditSelStart();
    if (start <= 0)
        return;
    QString text = FHost.EditText();
    if (start > text.size())
        return;
    // A surrogate pair goes as one character.
    int count = 1;
    if (start >= 2 && text.at(start - 1).isLowSurrogate() && text.at(start - 2).isHighSurrogate())
        count = 2;
    text.remove(start - count, count);
    FHost.SetEditText(text);
    FHost.SetEditSel(start - count, 0);
    TextEdited();
}

void TxEditLogic::KeyPress(QChar& key)
{
    const char16_t c = key.unicode();
    if (c == 0 || c == 3 || c == 22 || c == 24)
        return; // clipboard keys work as in a plain edit
    if (c == 27) {
        FHost.Reset();
    } else if (FHost.EditCanModify() && !FHost.EditReadOnly()) {
        if (c == 8)
            FHost.SetEditModified(true); // the deletion took place at key down
        else if (c == 13)
            FHost.ValidateEdit();
        else
            TypeChar(QString(key));
    }
    key = QChar();
}

void TxEditLogic::TypeChar(const QString& ch)
{
    if (!FHost.EditCanModify() || FHost.EditReadOnly())
        return;
    if (!EditAcceptsChar(FFormatStr, ch)) {
        Messages().Beep();
        return;
    }
    const QString text = FHost.EditText();
    const int start = std::clamp(FHost.EditSelStart(), 0, static_cast<int>(text.size()));
    const int length = std::clamp(FHost.EditSelLength(), 0, static_cast<int>(text.size()) - start);
    const QString changed = text.left(start) + ch + text.mid(start + length);
    if (changed.size() > FHost.EditMaxLength()) {
        Messages().Beep();
        FHost.TextCut();
        return;
    }
    FHost.SetEditText(changed);
    FHost.SetEditSel(std::min(start + static_cast<int>(ch.size()), static_cast<int>(changed.size())), 0);
    FHost.SetEditModified(true);
    TextEdited();
}

const TValueAnchor* TxEditLogic::ExactFor(const QString& text, bool pair) const
{
    if (FAnchor.Valid && FAnchor.Pair == pair && FAnchor.Text == text)
        return &FAnchor;
    // Typing that ends where it began is no change.
    if (FEntryAnchor.Valid && FEntryAnchor.Pair == pair && FEntryAnchor.Text == text && text == OldValue)
        return &FEntryAnchor;
    return nullptr;
}

bool TxEditLogic::ReadStored(const QString& text, const TValueAnchor* anchor, bool pair, double& a, double& b) const
{
    if (anchor && anchor->Valid && anchor->Pair == pair && anchor->Text == text) {
        a = anchor->A;
        b = anchor->B;
        return true;
    }
    try {
        b = 0.0;
        if (pair) {
            // Carried as numbers, not through a text rounded to the old
            // decimals; a single number gets 0 as its second.
            double x = 0.0;
            double y = 0.0;
            bool two = false;
            if (CheckTypedPair(text, x, y, two) != ecNumber)
                return false;
            a = ToStored(x);
            b = two ? ToStored(y) : 0.0;
        } else {
            a = ToStored(TypedNumber(text));
        }
        return std::isfinite(a) && std::isfinite(b);
    } catch (const Exception&) {
        return false;
    }
}

void TxEditLogic::UpdateUnits()
{
    if ((IsStringFormat(FFormatStr) || IsIntegerFormat(FFormatStr)) && FUnitsType == utNone)
        return;
    try {
        const bool pair = IsPairFormat(FFormatStr);
        double a = 0.0;
        double b = 0.0;
        // Read with the old conversion. Text that is no number is kept, but
        // the unit, label and format still change.
        const bool have =
            !IsStringFormat(FFormatStr) && ReadStored(FHost.EditText(), ExactFor(FHost.EditText(), pair), pair, a, b);
        // The entry text, which Escape brings back, follows the unit too.
        double entryA = 0.0;
        double entryB = 0.0;
        const bool haveEntry = !IsStringFormat(FFormatStr) && !OldValue.isEmpty() &&
                               ReadStored(OldValue, &FEntryAnchor, pair, entryA, entryB);

        QString caption;
        QString format;
        GetUnitsConversion(FUnitsType, FUnitsValue, FUnitsBase, caption, Factor, Offset, format);
        if (FFormatType != ft_Manual && FUnitsType != utNone)
            FFormatStr = format;
        if (IsStringFormat(FFormatStr))
            return;
        FDecimals = DecimalsOfFormat(FFormatStr);
        FUnitsCaption = caption;
        FHost.UnitsCaptionChanged(caption);
        if (pair) {
            if (!IsPairFormat(FFormatStr))
                FFormatStr = FFormatStr + QLatin1Char('/') + FFormatStr;
            if (have)
                ShowPair(a, b);
        } else if (have) {
            ShowNumber(a);
        }
        const QString entry = !haveEntry ? QString() : pair ? PairText(entryA, entryB) : NumberText(entryA);
        if (!entry.isNull()) {
            OldValue = entry;
            FEntryAnchor = {true, pair, entryA, entryB, entry};
        }
    } catch (const Exception&) {
    }
}
