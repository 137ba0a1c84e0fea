#include "TxEditGridLogic.h"

#include "TxConv.h"
#include "TxEditLogic.h"
#include "TxErrors.h"
#include "TxFormat.h"
#include "TxString.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

[[noreturn]] void NotANumber()
{
    throw EConvertError(QStringLiteral("Value out of range"));
}

void RequireFinite(double x)
{
    if (!std::isfinite(x))
        NotANumber();
}

qint64 Rounded(double x)
{
    qint64 r = 0;
    if (!RoundHalfEven(x, r))
        NotANumber();
    return r;
}

QVariant IntegerVariant(qint64 r)
{
    if (r >= std::numeric_limits<int>::min() && r <= std::numeric_limits<int>::max())
        return QVariant(static_cast<int>(r));
    return QVariant(static_cast<qlonglong>(r));
}

// A choice position: the nearest whole number, ties to even.
bool VariantToInt(const QVariant& value, qint64& i)
{
    double x = 0.0;
    return CheckValueNumber(value, x) == ecNumber && RoundHalfEven(x, i);
}

bool Close(double a, double b)
{
    return std::fabs(a - b) <= 1e-12 * std::max(std::fabs(a), std::fabs(b));
}

// Stored numbers of a pair as text: in the field's format, unless that
// format loses them (a display format with fewer decimals than the stored
// unit needs); then exactly.
QString StoredPairText(const QString& format, double a, double b)
{
    const QString text = Format(format, a, b);
    double x = 0.0;
    double y = 0.0;
    try {
        if (!ParseValuePair(text, x, y) || (Close(x, a) && Close(y, b)))
            return text;
    } catch (const Exception&) {
        return text;
    }
    return FloatToStr(a) + QLatin1Char('/') + FloatToStr(b);
}

// A stored value rounded as the field shows it.
double RoundedToFormat(const TNumField& field, double x)
{
    const double shown = ToDisplayUnits(x, field.Factor, field.Offset);
    try {
        QString text;
        if (IsIntegerFormat(field.FormatStr))
            text = Format(field.FormatStr, Rounded(shown));
        else if (IsFloatFormat(field.FormatStr))
            text = Format(field.FormatStr, shown);
        else
            return x;
        double r = 0.0;
        if (!TryStrToFloat(Trim(text), r))
            return x;
        const double stored = FromDisplayUnits(r, field.Factor, field.Offset);
        return std::isfinite(stored) ? stored : x;
    } catch (const Exception&) {
        return x;
    }
}

} // namespace

// --- TCellAnchors ---

void TCellAnchors::Set(int col, int row, const TValueAnchor& anchor)
{
    if (anchor.Valid)
        FItems[{col, row}] = anchor;
    else
        FItems.erase({col, row});
}

const TValueAnchor* TCellAnchors::Find(int col, int row, const QString& text) const
{
    const auto it = FItems.find({col, row});
    if (it == FItems.end() || !it->second.Valid || it->second.Text != text)
        return nullptr;
    return &it->second;
}

void TCellAnchors::Remove(int col, int row)
{
    FItems.erase({col, row});
}

void TCellAnchors::RemoveColumn(int col)
{
    std::erase_if(FItems, [col](const auto& item) { return item.first.first == col; });
}

namespace {

int MovedIndex(int index, int from, int to)
{
    if (index == from)
        return to;
    if (from < to && index > from && index <= to)
        return index - 1;
    if (to < from && index >= to && index < from)
        return index + 1;
    return index;
}

} // namespace

void TCellAnchors::MoveRow(int from, int to)
{
    std::map<std::pair<int, int>, TValueAnchor> moved;
    for (auto& [cell, anchor] : FItems)
        moved.emplace(std::make_pair(cell.first, MovedIndex(cell.second, from, to)), std::move(anchor));
    FItems.swap(moved);
}

void TCellAnchors::MoveColumn(int from, int to)
{
    std::map<std::pair<int, int>, TValueAnchor> moved;
    for (auto& [cell, anchor] : FItems)
        moved.emplace(std::make_pair(MovedIndex(cell.first, from, to), cell.second), std::move(anchor));
    FItems.swap(moved);
}

void TCellAnchors::Truncate(int colCount, int rowCount)
{
    std::erase_if(FItems, [colCount, rowCount](const auto& item) {
        return item.first.first >= colCount || item.first.second >= rowCount;
    });
}

// --- Values ---

QVariant CellTextToValue(const TField& field, const QString& text, const TValueAnchor* anchor)
{
    if (anchor && (!anchor->Valid || anchor->Text != text))
        anchor = nullptr;
    try {
        if (const auto* pair = dynamic_cast<const TDelimNumField*>(&field)) {
            double a = 0.0;
            double b = 0.0;
            bool two = true;
            if (anchor && anchor->Pair) {
                a = anchor->A;
                b = anchor->B;
            } else {
                double x = 0.0;
                double y = 0.0;
                two = ParseValuePair(text.isEmpty() ? QStringLiteral("0.0/0.0") : text, x, y);
                a = FromDisplayUnits(x, pair->Factor, pair->Offset);
                b = two ? FromDisplayUnits(y, pair->Factor, pair->Offset) : 0.0;
            }
            RequireFinite(a);
            RequireFinite(b);
            if (!two)
                return Format(QStringLiteral("%0.04g"), a);
            return StoredPairText(pair->FormatStr, a, b);
        }
        if (const auto* num = dynamic_cast<const TNumField*>(&field)) {
            double x = 0.0;
            if (anchor && !anchor->Pair)
                x = anchor->A;
            else if (CheckTypedFloat(text, x) == ecNumber)
                x = FromDisplayUnits(x, num->Factor, num->Offset);
            else
                NotANumber();
            RequireFinite(x);
            if (IsIntegerFormat(num->FormatStr))
                return IntegerVariant(Rounded(x));
            return x;
        }
        if (const auto* choice = dynamic_cast<const TEnumField*>(&field))
            return IndexOfText(text, choice->Items);
    } catch (const Exception&) {
    }
    return text;
}

QString CellValueToText(const TField& field, const QVariant& value, TValueAnchor* anchor)
{
    if (anchor)
        *anchor = TValueAnchor();
    if (const auto* pair = dynamic_cast<const TDelimNumField*>(&field)) {
        double a = 0.0;
        double b = 0.0;
        if (!ParseValuePair(VariantToText(value), a, b))
            b = 0.0;
        const double x = ToDisplayUnits(a, pair->Factor, pair->Offset);
        const double y = ToDisplayUnits(b, pair->Factor, pair->Offset);
        RequireFinite(x);
        RequireFinite(y);
        const QString text = Format(pair->FormatStr, x, y);
        if (anchor)
            *anchor = {true, true, a, b, text};
        return text;
    }
    if (const auto* num = dynamic_cast<const TNumField*>(&field)) {
        double v = 0.0;
        if (CheckValueNumber(value, v) != ecNumber)
            NotANumber();
        const double x = ToDisplayUnits(v, num->Factor, num->Offset);
        RequireFinite(x);
        QString text;
        if (IsIntegerFormat(num->FormatStr))
            text = Format(num->FormatStr, Rounded(x));
        else if (IsFloatFormat(num->FormatStr))
            text = FormatNumberByType(x, num->FormatStr, num->FormatType, num->SigDigs, num->Decimals);
        if (anchor && !text.isEmpty())
            *anchor = {true, false, v, 0.0, text};
        return text;
    }
    if (const auto* choice = dynamic_cast<const TEnumField*>(&field)) {
        qint64 i = -1;
        if (!VariantToInt(value, i) || i < 0 || i >= choice->Items.size())
            throw EConvertError(QStringLiteral("List index out of bounds (%1)").arg(VariantToText(value)));
        return choice->Items[static_cast<qsizetype>(i)];
    }
    const QString text = VariantToText(value);
    // A field without a format is plain text: the value as it is.
    if (field.FormatStr.isEmpty())
        return text;
    return Format(field.FormatStr, text);
}

double ExactEditValue(const TNumField& field, double stored)
{
    const double x = ToDisplayUnits(stored, field.Factor, field.Offset);
    if (!std::isfinite(x))
        return x;
    // Beyond 15 digits a decimal text may not survive the conversion: the
    // editor then shows 15, which its grid reads back as the stored value.
    double y = x;
    for (int digits = 1; digits <= 15; ++digits) {
        if (!TryStrToFloat(Format(QStringLiteral("%0.") + QString::number(digits) + QLatin1Char('g'), x), y))
            return x;
        if (FromDisplayUnits(y, field.Factor, field.Offset) == stored)
            break;
    }
    return y;
}

QString FieldDisplayText(const TField& field, const QString& text)
{
    try {
        if (const auto* pair = dynamic_cast<const TDelimNumField*>(&field)) {
            double a = 0.0;
            double b = 0.0;
            if (!ParseValuePair(text, a, b))
                b = 0.0;
            return Format(pair->FormatStr, a, b);
        }
        if (const auto* num = dynamic_cast<const TNumField*>(&field)) {
            const double x = StrToFloat(text);
            if (IsIntegerFormat(num->FormatStr))
                return Format(num->FormatStr, Rounded(x));
            return Format(num->FormatStr, x);
        }
    } catch (const Exception&) {
    }
    return QString();
}

// --- Steps ---

bool SpinValue(const TNumField& field, double& x, bool up)
{
    const double step = field.Step;
    if (!std::isfinite(x) || !std::isfinite(step) || step == 0.0)
        return false;
    if (x == (up ? field.High : field.Low))
        return false;
    double v = RoundedToFormat(field, x);
    // The remainder towards zero, exact (a quotient's fraction is not). A
    // remainder of almost a whole step is none either: 0.3 holds 0.1 three
    // times, though not in binary.
    double r = std::fmod(v, step);
    if (std::fabs(r) < 1e-5 || std::fabs(std::fabs(r) - std::fabs(step)) < 1e-5)
        r = 0.0;
    const bool positive = v > 0.0;
    const bool negative = v < 0.0;
    v -= r;
    if (up && (r == 0.0 || positive))
        v += step;
    else if (!up && (r == 0.0 || negative))
        v -= step;
    if (v < field.Low)
        v = field.Low;
    else if (v > field.High)
        v = field.High;
    x = v;
    return true;
}

int StepChoice(int position, int count, bool forward)
{
    if (forward)
        return position == count - 1 ? 0 : position + 1;
    return position == 0 ? count - 1 : position - 1;
}

// --- Units and captions ---

QString ApplyFieldUnits(TNumField& field)
{
    QString label;
    QString format;
    GetUnitsConversion(field.UnitsType, field.UnitsValue, field.UnitsBase, label, field.Factor, field.Offset, format);
    if (field.FormatType != ft_Manual && field.UnitsType != utNone)
        field.FormatStr = format;
    if (dynamic_cast<TDelimNumField*>(&field) && !field.FormatStr.contains(QLatin1Char('/')))
        field.FormatStr = field.FormatStr + QLatin1Char('/') + field.FormatStr;
    field.UpdateDecimals();
    return label;
}

QString CaptionWithUnits(const QString& caption, const QString& label)
{
    if (label.isEmpty())
        return caption;
    const qsizetype comma = caption.indexOf(QLatin1Char(','));
    if (comma < 0)
        return label;
    return caption.left(comma + 1) + label;
}

// --- Geometry ---

TPixelRect EditButtonRect(TEditButtonKind kind, const TPixelRect& cell, int rowHeight)
{
    const int width = rowHeight;
    int height = rowHeight;
    int top = cell.Top;
    if (kind == ebSpinUp || kind == ebSpinDown) {
        height = static_cast<int>(std::nearbyint(rowHeight / 2.0));
        if (kind == ebSpinDown)
            top += height;
    }
    const int left = cell.Right - width + 1;
    return {left, top, left + width, top + height};
}

TPixelRect DropDownListRect(const TPixelRect& cell, int gridLineWidth, int defaultRowHeight, int itemHeight, int count,
                            int widestText)
{
    const int left = cell.Left + gridLineWidth;
    const int top = cell.Top + gridLineWidth + defaultRowHeight;
    int width = gridLineWidth + cell.Width();
    const int wanted = widestText + 8;
    if (wanted > width && wanted < 200)
        width = wanted;
    const int height = itemHeight * (std::min(count, 5) + 1);
    return {left, top, left + width, top + height};
}
