#include "TxPropertyFields.h"

#include "TxErrors.h"
#include "TxFormat.h"
#include "TxKeys.h"
#include "TxString.h"

#include <cmath>
#include <limits>

namespace {

// A rectangle given by its edges, the right and bottom ones outside it.
QRect FromEdges(int left, int top, int right, int bottom)
{
    return QRect(left, top, right - left, bottom - top);
}

int RightEdge(const QRect& r)
{
    return r.x() + r.width();
}

int BottomEdge(const QRect& r)
{
    return r.y() + r.height();
}

} // namespace

// ---------------------------------------------------------------------------
// TPropertyFieldList

TTreeField* TPropertyFieldList::AddField(const QString& category, const QString& caption, void* data)
{
    auto field = std::make_unique<TTreeField>();
    field->Category = category;
    field->Caption = caption;
    field->Data = data;
    FFields.push_back(std::move(field));
    return FFields.back().get();
}

TTreeField* TPropertyFieldList::AddListField(const QString& category, const QString& caption, int32_t value,
                                             const QStringList& items, void* data)
{
    TTreeField* field = AddField(category, caption, data);
    field->Kind = tfList;
    field->OwnedCell = std::make_unique<int32_t>(value);
    field->Value = field->OwnedCell.get();
    field->Items = items;
    return field;
}

void TPropertyFieldList::Clear()
{
    FCategories.clear();
    FFields.clear();
}

TTreeField* TPropertyFieldList::Field(int index) const
{
    if (index < 0 || index >= Count())
        return nullptr;
    return FFields[static_cast<size_t>(index)].get();
}

void TPropertyFieldList::BuildCategories()
{
    FCategories.clear();
    for (const auto& field : FFields) {
        TCategory* found = nullptr;
        for (TCategory& c : FCategories)
            if (c.Name == field->Category) {
                found = &c;
                break;
            }
        if (!found) {
            FCategories.push_back(TCategory{field->Category, {}});
            found = &FCategories.back();
        }
        found->Fields.push_back(field.get());
    }
}

TTreeField* TPropertyFieldList::FieldAt(int category, int index) const
{
    if (category < 0 || category >= static_cast<int>(FCategories.size()))
        return nullptr;
    const TCategory& c = FCategories[static_cast<size_t>(category)];
    if (index < 0 || index >= static_cast<int>(c.Fields.size()))
        return nullptr;
    return c.Fields[static_cast<size_t>(index)];
}

// ---------------------------------------------------------------------------
// Values

QString ColorToText(int32_t color)
{
    const auto c = static_cast<uint32_t>(color);
    return Format(QStringLiteral("%d, %d, %d"), static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

int32_t TextToColor(const QString& text)
{
    QString rest = text + QLatin1Char(',');
    uint32_t parts[3] = {0, 0, 0};
    for (uint32_t& part : parts) {
        const qsizetype comma = rest.indexOf(QLatin1Char(','));
        const QString item = TrimLeft(rest.left(comma < 0 ? rest.size() : comma));
        int value = 0;
        if (comma < 0 || !TryStrToInt(item, value))
            throw EConvertError(Format(QStringLiteral("'%s' is not a valid integer value"), item));
        part = static_cast<uint32_t>(value) & 0xFF;
        rest = rest.mid(comma + 1);
    }
    return static_cast<int32_t>(parts[0] | (parts[1] << 8) | (parts[2] << 16));
}

QString FieldValueToText(const TTreeField& field)
{
    if (!field.Value)
        return QString();
    switch (field.Kind) {
    case tfInteger:
        return IntToStr(*static_cast<const int32_t*>(field.Value));
    case tfString:
        return *static_cast<const QString*>(field.Value);
    case tfList: {
        const int32_t index = *static_cast<const int32_t*>(field.Value);
        return index >= 0 && index < field.Items.size() ? field.Items.at(index) : QString();
    }
    case tfBoolean:
        return QStringLiteral(" ");
    case tfColor:
        return ColorToText(*static_cast<const int32_t*>(field.Value));
    case tfFloat: {
        const double value = *static_cast<const double*>(field.Value);
        // Painting asks for this text: a pattern of the caller's that cannot
        // format the value must not raise from there.
        try {
            if (field.UnitsType != utNone) {
                QString label;
                QString format;
                double factor = 1.0;
                double offset = 0.0;
                GetUnitsConversion(field.UnitsType, field.UnitsValue, field.UnitsBase, label, factor, offset, format);
                return Format(format, ToDisplayUnits(value, factor, offset));
            }
            return Format(field.FormatStr, value);
        } catch (const Exception&) {
            return FloatToStr(value);
        }
    }
    default:
        return QString();
    }
}

bool StoreFieldValue(TTreeField& field, const QString& text, const QVariant& editValue, bool checked)
{
    if (!field.Value)
        return false;
    switch (field.Kind) {
    case tfInteger: {
        // The edit answers an Integer for an integer pattern; text that is
        // still no number after its validation is never read as 0.
        const QMetaType::Type type = static_cast<QMetaType::Type>(editValue.typeId());
        if (type == QMetaType::QString || !editValue.isValid())
            return false;
        bool ok = false;
        const qlonglong v = editValue.toLongLong(&ok);
        if (!ok || v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
            return false;
        *static_cast<int32_t*>(field.Value) = static_cast<int32_t>(v);
        return true;
    }
    case tfString:
        *static_cast<QString*>(field.Value) = text;
        return true;
    case tfList: {
        const qsizetype index = field.Items.indexOf(text);
        if (index < 0)
            return false;
        *static_cast<int32_t*>(field.Value) = static_cast<int32_t>(index);
        return true;
    }
    case tfBoolean:
        *static_cast<uint8_t*>(field.Value) = checked ? 1 : 0;
        return true;
    case tfColor:
        *static_cast<int32_t*>(field.Value) = TextToColor(text);
        return true;
    case tfFloat: {
        const QMetaType::Type type = static_cast<QMetaType::Type>(editValue.typeId());
        if (type == QMetaType::QString || !editValue.isValid())
            return false;
        bool ok = false;
        const double v = editValue.toDouble(&ok);
        if (!ok || !std::isfinite(v))
            return false;
        *static_cast<double*>(field.Value) = v;
        return true;
    }
    default:
        return false;
    }
}

// ---------------------------------------------------------------------------
// Commit and revert

IPropertyEditHost::~IPropertyEditHost() = default;

TPropertyEditKey PropertyEditKeyAction(int key)
{
    switch (key) {
    case VK_UP:
    case VK_DOWN:
        return TPropertyEditKey::CommitAndMove;
    case VK_ESCAPE:
        return TPropertyEditKey::Revert;
    case VK_TAB:
    case VK_RETURN:
        return TPropertyEditKey::Commit;
    default:
        return TPropertyEditKey::Normal;
    }
}

namespace {

// Clears a flag for the lifetime of a scope, also when the work raises.
class TInactive {
public:
    explicit TInactive(bool& flag) : FFlag(flag) { FFlag = false; }
    ~TInactive() { FFlag = true; }
    TInactive(const TInactive&) = delete;
    TInactive& operator=(const TInactive&) = delete;

private:
    bool& FFlag;
};

} // namespace

void TPropertyEditCommit::Commit(IPropertyEditHost& host)
{
    host.CommitOwnEdit();
    TInactive inactive(FActive);
    if (host.EditorText() != host.StoredText()) {
        host.NewText(host.EditorText());
        host.SetEditorText(host.StoredText());
    }
    host.FocusTree();
}

void TPropertyEditCommit::Revert(IPropertyEditHost& host)
{
    TInactive inactive(FActive);
    host.SetEditorText(host.StoredText());
    host.FocusTree();
}

// ---------------------------------------------------------------------------
// Placement

QRect PropertyEditorBounds(TPropertyEditorKind kind, const QRect& cell, int naturalHeight)
{
    const int l = cell.x();
    const int t = cell.y();
    const int r = RightEdge(cell);
    const int b = BottomEdge(cell);
    switch (kind) {
    case TPropertyEditorKind::Edit:
        return FromEdges(l + 4, t + 2, r, b);
    case TPropertyEditorKind::Combo: {
        // A combo keeps its own height, as the old platform's did.
        QRect bounds = FromEdges(l + 1, t - 1, r + 3, b - 2);
        if (naturalHeight > 0)
            bounds.setHeight(naturalHeight);
        return bounds;
    }
    case TPropertyEditorKind::CheckBox:
        return FromEdges(l + 2, t + 2, r, b - 1);
    case TPropertyEditorKind::Color:
        return FromEdges(l, t - 1, r + 1, b);
    case TPropertyEditorKind::Dialog:
        return FromEdges(l, t + 1, r, b - 1);
    }
    return cell;
}

QRect ComboVisibleRect(const QSize& size)
{
    return FromEdges(2, 3, size.width() - 3, size.height() - 3);
}

QRect ColorEditRect(const QSize& size)
{
    return FromEdges(18, 2, size.width() - 17, size.height() - 1);
}

QRect DialogEditRect(const QSize& size)
{
    return FromEdges(0, 0, size.width() - 17, size.height() - 1);
}

QRect EditorButtonRect(const QSize& size)
{
    return FromEdges(size.width() - 18, 0, size.width(), size.height());
}

// ---------------------------------------------------------------------------
// Hit positions

TPropertyHit PropertyHitPosition(int column, int x, int width, bool selectedFieldWithButton)
{
    if (column == 0 && x < 15)
        return TPropertyHit::Button;
    if (column == 1 && selectedFieldWithButton && x >= width - 17 && x < width)
        return TPropertyHit::CheckBox;
    return TPropertyHit::None;
}

bool FieldHasButton(const TTreeField& field)
{
    return field.OnButton || field.Kind == tfList || field.Kind == tfColor;
}
