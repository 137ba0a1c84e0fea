#include "TxEditGrids.h"

#include "TxConv.h"
#include "TxEventGuard.h"
#include "TxFormat.h"
#include "TxInplaceEdit.h"
#include "TxPlatform.h"
#include "TxString.h"
#include "TxUnitsForm.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

// The button pictures live in the controls library's own resources.
static void InitControlsResources()
{
    Q_INIT_RESOURCE(controls);
}

namespace {

QString ListIndexError(int index)
{
    return QStringLiteral("List index out of bounds (%1)").arg(index);
}

} // namespace

// --- TEditGridList ---

TEditGridList::TEditGridList(QWidget* parent) : TClosingList(parent)
{
    setWindowFlags(Qt::Popup);
    // The press that closes the list by landing outside it ends there: on
    // the pull-down button it must not open the list again.
    setAttribute(Qt::WA_NoMouseReplay);
    setFrameShape(QFrame::Box);
    setLineWidth(1);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    hide();
}

void TEditGridList::mousePressEvent(QMouseEvent* e)
{
    if (!rect().contains(e->position().toPoint())) {
        hide();
        e->accept();
        return;
    }
    TClosingList::mousePressEvent(e);
    emit choicePressed();
}

void TEditGridList::keyReleaseEvent(QKeyEvent* e)
{
    TClosingList::keyReleaseEvent(e);
    if (!e->isAutoRepeat() && isVisible())
        emit keyReleased();
}

void TEditGridList::focusOutEvent(QFocusEvent* e)
{
    TClosingList::focusOutEvent(e);
    hide();
}

// --- TxEditGrid ---

TxEditGrid::TxEditGrid(QWidget* parent) : TxStringGrid(parent)
{
    InitControlsResources();
    FColorEditCol = Color();
    FColorEditMode = Color();
    FColorEditModeText = palette().color(QPalette::Text);
    SetDefaultColWidth(60);
    SetDefaultRowHeight(16);
    SetScrollBars(ssBoth);
    SetColWidths(0, 40);
    SetColWidths(1, 50);
    SetColWidths(2, 50);
    resize(206, 72);
    SetOptions(xgoFixedVertLine | xgoFixedHorzLine | xgoVertLine | xgoHorzLine | xgoRangeSelect | xgoColSizing |
               xgoEditing);

    FPropEdButton = MakeButton(QStringLiteral(":/controls/PROPEDPIC"));
    FPullDownButton = MakeButton(QStringLiteral(":/controls/PULLDNPIC"));
    FSpinUpButton = MakeButton(QStringLiteral(":/controls/SPINUPPIC"));
    FSpinDownButton = MakeButton(QStringLiteral(":/controls/SPINDNPIC"));
    connect(FPropEdButton, &QToolButton::clicked, this, [this] {
        Guarded([this] {
            if (OnPropEditClick)
                OnPropEditClick(this, Col(), Row());
        });
    });
    connect(FPullDownButton, &QToolButton::released, this, [this] { Guarded([this] { PullDownReleased(); }); });
    connect(FSpinUpButton, &QToolButton::clicked, this, [this] { Guarded([this] { SpinUp(); }); });
    connect(FSpinDownButton, &QToolButton::clicked, this, [this] { Guarded([this] { SpinDown(); }); });

    FList = new TEditGridList(this);
    connect(FList, &TEditGridList::choicePressed, this, [this] {
        Guarded([this] {
            ApplyListChoice();
            CloseDropDown();
        });
    });
    connect(FList, &TEditGridList::closeRequested, this, [this] { Guarded([this] { CloseDropDown(); }); });
    connect(FList, &TEditGridList::keyReleased, this, [this] { Guarded([this] { ApplyListChoice(); }); });
}

TxEditGrid::~TxEditGrid() = default;

QToolButton* TxEditGrid::MakeButton(const QString& picture)
{
    auto* button = new QToolButton(viewport());
    button->setIcon(QIcon(picture));
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoRaise(false);
    button->resize(15, 15);
    button->hide();
    return button;
}

// --- Properties ---

void TxEditGrid::SetFieldDefs(const QStringList& lines)
{
    FFieldDefs = lines;
    BuildGrid();
}

void TxEditGrid::SetColorEditCol(const QColor& value)
{
    if (value == FColorEditCol)
        return;
    FColorEditCol = value;
    InvalidateGrid();
}

// --- Fields ---

TField* TxEditGrid::Field(int index) const
{
    if (index < 0 || index >= FieldCount())
        return nullptr;
    return FFields[static_cast<size_t>(index)].get();
}

TField* TxEditGrid::FieldOrThrow(int index) const
{
    TField* field = Field(index);
    if (!field)
        throw EInvalidGridOperation(ListIndexError(index));
    return field;
}

void TxEditGrid::ClearFields()
{
    FFields.clear();
}

void TxEditGrid::AppendField(std::unique_ptr<TField> field)
{
    FFields.push_back(std::move(field));
}

void TxEditGrid::SetFieldAt(int index, std::unique_ptr<TField> field)
{
    if (index < 0 || index >= FieldCount())
        throw EInvalidGridOperation(ListIndexError(index));
    FFields[static_cast<size_t>(index)] = std::move(field);
}

void TxEditGrid::ReportFieldError(const QString& text, int index)
{
    Messages().ShowMessage(text + IntToStr(index));
}

std::unique_ptr<TField> TxEditGrid::ParseFieldDef(int index)
{
    const QString line = FFieldDefs.value(index);
    TFieldDef def;
    try {
        def = ::ParseFieldDef(line, FDelim);
    } catch (const Exception&) {
        // The line's format could not make its default text: the column
        // still gets a text field and its caption.
        QStringList parts = SplitFieldDef(line, FDelim);
        while (parts.size() < 4)
            parts.append(QString());
        uint8_t kind = fkPlain;
        if (SameText(parts[3], QStringLiteral("PE")))
            kind = fkPropEditor;
        else if (SameText(parts[3], QStringLiteral("Spin")))
            kind = fkSpin;
        def.Field = std::make_unique<TField>(kind, QStringLiteral("%S"));
        def.Caption = parts[2].isEmpty() ? parts[0] : parts[0] + QLatin1Char(',') + parts[2];
        def.DefaultText.clear();
        Messages().ShowError(QStringLiteral("Error initialising ") + parts[0]);
    }
    FParts = QStringList{def.Caption, def.DefaultText};
    return std::move(def.Field);
}

void TxEditGrid::SetFieldDef(int index, const QString& line)
{
    if (index < 0 || index >= FFieldDefs.size() || index >= FieldCount())
        throw EInvalidGridOperation(ListIndexError(index));
    FFieldDefs[index] = line;
    FFields[static_cast<size_t>(index)].reset();
    FFields[static_cast<size_t>(index)] = ParseFieldDef(index);
}

QVariant TxEditGrid::GetCellValue(int ACol, int ARow)
{
    const QString text = Cells(ACol, ARow);
    if (!IsDataCell(ACol, ARow))
        return text;
    FWorkField = FieldOfCell(ACol, ARow);
    const TField* field = Field(FWorkField);
    if (!field)
        return text;
    return CellTextToValue(*field, text, FAnchors.Find(ACol, ARow, text));
}

void TxEditGrid::SetCellValue(int ACol, int ARow, const QVariant& value)
{
    if (!IsDataCell(ACol, ARow)) {
        SetCells(ACol, ARow, VariantToText(value));
        FAnchors.Remove(ACol, ARow);
        return;
    }
    FWorkField = FieldOfCell(ACol, ARow);
    const TField* field = Field(FWorkField);
    QString text;
    TValueAnchor anchor;
    if (!field) {
        text = VariantToText(value);
    } else {
        try {
            text = CellValueToText(*field, value, &anchor);
        } catch (const Exception&) {
            text.clear();
            anchor = TValueAnchor();
        }
    }
    SetCells(ACol, ARow, text);
    FAnchors.Set(ACol, ARow, anchor);
}

void TxEditGrid::ReshowCell(int ACol, int ARow, const QVariant& value)
{
    if (!IsDataCell(ACol, ARow)) {
        SetCellValue(ACol, ARow, value);
        return;
    }
    const TField* field = Field(FieldOfCell(ACol, ARow));
    if (!field)
        return;
    const bool number = dynamic_cast<const TNumField*>(field) && !dynamic_cast<const TDelimNumField*>(field);
    if (number && value.typeId() == QMetaType::QString)
        return; // no number: the text stays
    if (dynamic_cast<const TEnumField*>(field) && value.toInt() < 0)
        return; // no choice: the text stays
    try {
        TValueAnchor anchor;
        const QString text = CellValueToText(*field, value, &anchor);
        SetCells(ACol, ARow, text);
        FAnchors.Set(ACol, ARow, anchor);
    } catch (const Exception&) {
    }
}

void TxEditGrid::SetFieldUnits(int index, TUnitsType unitsType, int unitsBase, int unitsValue, TFormatType formatType,
                               double factor, double offset)
{
    try {
        auto* field = dynamic_cast<TNumField*>(FieldOrThrow(index));
        if (!field)
            throw EConvertError(QStringLiteral("Field %1 is not numeric").arg(index));
        field->UnitsType = unitsType;
        field->UnitsValue = unitsValue;
        field->UnitsBase = unitsBase;
        if (unitsType == utNone) {
            field->Factor = factor;
            field->Offset = offset;
        }
        field->FormatType = formatType;
        FieldUnitsChanged(index, field);
    } catch (const Exception&) {
        ReportFieldError(QStringLiteral("Error setting units, field def "), index);
    }
}

void TxEditGrid::SetFieldEditable(int index, bool value)
{
    try {
        FieldOrThrow(index)->Editable = value;
        InvalidateGrid();
    } catch (const Exception&) {
        ReportFieldError(QStringLiteral("Error setting editable field def "), index);
    }
}

TUnitsType TxEditGrid::GetUnitsType(int index)
{
    try {
        if (const auto* field = dynamic_cast<const TNumField*>(FieldOrThrow(index)))
            return field->UnitsType;
    } catch (const Exception&) {
        ReportFieldError(QStringLiteral("Error getting units type, field def "), index);
    }
    return utNone;
}

int TxEditGrid::GetUnitsValue(int index)
{
    try {
        if (const auto* field = dynamic_cast<const TNumField*>(FieldOrThrow(index)))
            return field->UnitsValue;
    } catch (const Exception&) {
        ReportFieldError(QStringLiteral("Error getting units value, field def "), index);
    }
    return 0;
}

double TxEditGrid::GetRangeLo(int index)
{
    try {
        if (const auto* field = dynamic_cast<const TNumField*>(FieldOrThrow(index)))
            return ToDisplayUnits(field->Low, field->Factor, field->Offset);
    } catch (const Exception&) {
        ReportFieldError(QStringLiteral("Error getting range lo, field def "), index);
    }
    return 0.0;
}

double TxEditGrid::GetRangeHi(int index)
{
    try {
        if (const auto* field = dynamic_cast<const TNumField*>(FieldOrThrow(index)))
            return ToDisplayUnits(field->High, field->Factor, field->Offset);
    } catch (const Exception&) {
        ReportFieldError(QStringLiteral("Error getting range hi, field def "), index);
    }
    return 0.0;
}

void TxEditGrid::SetEditorRange(double lo, double hi)
{
    FEditorRangeLo = lo;
    FEditorRangeHi = hi;
}

void TxEditGrid::ShowUnitsPopup(TxEditGrid* grid, int index, int X, int Y, TField*& field)
{
    auto* number = dynamic_cast<TNumField*>(field);
    if (!grid || !number || number->UnitsType == utNone)
        return;
    try {
        TUnitsForm::ChooseFieldUnits(*number, QPoint(X, Y));
    } catch (const Exception&) {
        // Whatever unit the field holds now is shown.
    }
    grid->FieldUnitsChanged(index, number);
}

// --- Buttons and the drop-down list ---

void TxEditGrid::HideEditButtons()
{
    for (QToolButton* button : {FPropEdButton, FPullDownButton, FSpinUpButton, FSpinDownButton}) {
        if (!button)
            continue;
        button->setEnabled(false);
        button->hide();
    }
}

void TxEditGrid::ShowButton(QToolButton* button, TEditButtonKind kind, int ACol, int ARow)
{
    const TPixelRect r = EditButtonRect(kind, CellRect(ACol, ARow), RowHeights(ARow));
    button->setGeometry(ToQRect(r));
    button->setIconSize(QSize(std::max(1, r.Width() - 4), std::max(1, r.Height() - 2)));
    button->setEnabled(true);
    button->show();
    button->raise();
}

void TxEditGrid::PlaceVisibleButtons()
{
    const std::pair<QToolButton*, TEditButtonKind> buttons[] = {{FPullDownButton, ebPullDown},
                                                                {FSpinUpButton, ebSpinUp},
                                                                {FSpinDownButton, ebSpinDown},
                                                                {FPropEdButton, ebPropEd}};
    for (const auto& [button, kind] : buttons)
        if (button && !button->isHidden())
            ShowButton(button, kind, Col(), Row());
}

void TxEditGrid::Spin(bool up)
{
    auto* field = dynamic_cast<TNumField*>(Field(FSelectedField));
    // A pair has no single number to step.
    if (!field || dynamic_cast<TDelimNumField*>(field))
        return;
    const QVariant value = GetCellValue(Col(), Row());
    if (value.typeId() == QMetaType::QString)
        return; // no number to step from
    double x = value.toDouble();
    if (!SpinValue(*field, x, up))
        return;
    SetCellValue(Col(), Row(), x);
    DoSetData(Col(), Row());
}

void TxEditGrid::ChoiceStep(bool forward)
{
    if (!IsDataCell(Col(), Row()))
        return;
    const auto* choice = dynamic_cast<const TEnumField*>(Field(FieldOfCell(Col(), Row())));
    if (!choice)
        return;
    const QVariant value = GetCellValue(Col(), Row());
    const int position = value.typeId() == QMetaType::Int ? value.toInt() : -1;
    SetCellValue(Col(), Row(), StepChoice(position, static_cast<int>(choice->Items.size()), forward));
    DoSetData(Col(), Row());
}

void TxEditGrid::PullDownReleased()
{
    if (FList->isVisible()) {
        CloseDropDown();
        return;
    }
    const auto* choice = dynamic_cast<const TEnumField*>(Field(FSelectedField));
    if (!choice)
        return;
    FList->clear();
    const int itemHeight = DefaultRowHeight();
    const QFontMetrics metrics(FList->font());
    int widest = 0;
    for (const QString& text : choice->Items) {
        auto* item = new QListWidgetItem(text, FList);
        const int width = metrics.horizontalAdvance(text);
        item->setSizeHint(QSize(width, itemHeight));
        widest = std::max(widest, width);
    }
    const QVariant value = GetCellValue(Col(), Row());
    FList->setCurrentRow(value.typeId() == QMetaType::Int ? value.toInt() : -1);
    const TPixelRect r = DropDownListRect(CellRect(Col(), Row()), GridLineWidth(), DefaultRowHeight(), itemHeight,
                                          static_cast<int>(choice->Items.size()), widest);
    FList->setGeometry(QRect(viewport()->mapToGlobal(QPoint(r.Left, r.Top)), QSize(r.Width(), r.Height())));
    FList->show();
    FList->setFocus(Qt::PopupFocusReason);
}

void TxEditGrid::ApplyListChoice()
{
    const int index = FList->currentRow();
    if (index < 0)
        return;
    SetCellValue(Col(), Row(), index);
    DoSetData(Col(), Row());
}

void TxEditGrid::CloseDropDown()
{
    FList->hide();
    setFocus(Qt::OtherFocusReason);
}

// --- Selection and the editor ---

bool TxEditGrid::SelectCell(int ACol, int ARow)
{
    bool result = false;
    try {
        if (IsDataCell(ACol, ARow)) {
            result = true;
            FWorkField = FieldOfCell(ACol, ARow);
            if (FList->isVisible())
                FList->hide();
            HideEditButtons();
            FSelectedField = -1;
            FEditorFormat = QStringLiteral("%S");
            SetEditorRange(0.0, 0.0);
            if (!FFields.empty()) {
                const TField* field = FieldOrThrow(FWorkField);
                FSelectedField = FWorkField;
                FEditorFormat = field->FormatStr;
                if (field->Kind == fkPropEditor)
                    ShowButton(FPropEdButton, ebPropEd, ACol, ARow);
                else if (field->Kind == fkSpin) {
                    ShowButton(FSpinUpButton, ebSpinUp, ACol, ARow);
                    ShowButton(FSpinDownButton, ebSpinDown, ACol, ARow);
                }
                if (dynamic_cast<const TNumField*>(field))
                    SetEditorRange(GetRangeLo(FWorkField), GetRangeHi(FWorkField));
                else if (dynamic_cast<const TEnumField*>(field))
                    ShowButton(FPullDownButton, ebPullDown, ACol, ARow);
            }
        }
    } catch (const Exception&) {
    }
    if (OnSelectCell)
        OnSelectCell(this, ACol, ARow, result);
    return result;
}

void TxEditGrid::EditorSettingsOf(int ACol, int ARow, QString& format, double& lo, double& hi)
{
    format = QStringLiteral("%S");
    lo = 0.0;
    hi = 0.0;
    if (!IsDataCell(ACol, ARow))
        return;
    const TField* field = Field(FieldOfCell(ACol, ARow));
    if (!field)
        return;
    format = field->FormatStr;
    if (const auto* number = dynamic_cast<const TNumField*>(field)) {
        lo = ToDisplayUnits(number->Low, number->Factor, number->Offset);
        hi = ToDisplayUnits(number->High, number->Factor, number->Offset);
    }
}

bool TxEditGrid::CanEditShow()
{
    // The base answer first: while the grid is being built it is always no.
    if (!TxStringGrid::CanEditShow())
        return false;
    const TField* field = Field(CurrentField());
    return !field || field->Editable;
}

void TxEditGrid::UpdateEdit()
{
    if (!FPullDownButton) {
        TxStringGrid::UpdateEdit(); // still being built
        return;
    }
    if (CanEditShow()) {
        // The editor covers the cell; only the pull-down button stays on it.
        FPropEdButton->hide();
        FSpinUpButton->hide();
        FSpinDownButton->hide();
    }
    TxStringGrid::UpdateEdit();
    if (!FPullDownButton->isHidden())
        FPullDownButton->raise();
}

void TxEditGrid::UpdateEditor()
{
    TxStringGrid::UpdateEditor();
    TxInplaceEdit* editor = InplaceEdit();
    if (!editor)
        return;
    // The editor has no units: its format and range are the field's as shown.
    QString format;
    double lo = 0.0;
    double hi = 0.0;
    EditorSettingsOf(Col(), Row(), format, lo, hi);
    editor->SetFormatStr(format);
    editor->SetRangeLo(lo);
    editor->SetRangeHi(hi);
    LoadExactValue(*editor);
    QPalette colours = editor->palette();
    colours.setColor(QPalette::Base, FColorEditMode);
    colours.setColor(QPalette::Text, FColorEditModeText);
    editor->setPalette(colours);
}

void TxEditGrid::StoreEdit()
{
    TxInplaceEdit* editor = InplaceEdit();
    if (!editor) {
        TxStringGrid::StoreEdit();
        return;
    }
    // Validated by the field of the cell it was opened on.
    QString format;
    double lo = 0.0;
    double hi = 0.0;
    EditorSettingsOf(InplaceCol(), InplaceRow(), format, lo, hi);
    editor->SetFormatStr(format);
    editor->SetRangeLo(lo);
    editor->SetRangeHi(hi);
    // A typed text a number cell cannot take goes back to what the editor
    // opened with: no number, one no double holds, a fraction for a whole
    // number.
    TEntryCheck refused = ecNumber;
    if (const TNumField* number = NumberField(InplaceCol(), InplaceRow());
        number && editor->isModified() && editor->text() != editor->OldValue()) {
        double typed = 0.0;
        refused = IsIntegerFormat(number->FormatStr) ? CheckTypedWhole(editor->text(), typed)
                                                     : CheckTypedFloat(editor->text(), typed);
        if (refused != ecNumber) {
            editor->Reset();
            Messages().Beep();
        }
    }
    editor->ValidateEdit();
    StoreEditValue(*editor);
    if (refused != ecNumber)
        EditRefused(InplaceCol(), InplaceRow(), refused);
}

void TxEditGrid::StoreEditValue(TxInplaceEdit& editor)
{
    // The cell shows a typed decimal rounded to its format; its value stays
    // the number typed (or, after a refused entry, the one it had), so totals
    // and files never see the rounding.
    const TNumField* number = AnchoredField(InplaceCol(), InplaceRow());
    if (number && FEditAnchor.Valid && !editor.isModified()) {
        // Nothing typed, or nothing taken: the cell keeps its text and value.
        editor.SetText(FEditAnchor.Text);
        UpdateText();
        FAnchors.Set(InplaceCol(), InplaceRow(), FEditAnchor);
        return;
    }
    double shown = 0.0;
    if (!number || !editor.isModified() || !editor.TryGetFloat(shown)) {
        UpdateText();
        return;
    }
    double stored = FromDisplayUnits(shown, number->Factor, number->Offset);
    if (FEditAnchor.Valid && shown == ExactEditValue(*number, FEditAnchor.A))
        stored = FEditAnchor.A; // what the editor opened with
    editor.SetValue(shown);
    UpdateText();
    FAnchors.Set(InplaceCol(), InplaceRow(), {true, false, stored, 0.0, Cells(InplaceCol(), InplaceRow())});
}

const TNumField* TxEditGrid::NumberField(int ACol, int ARow)
{
    if (!IsDataCell(ACol, ARow))
        return nullptr;
    const auto* number = dynamic_cast<const TNumField*>(Field(FieldOfCell(ACol, ARow)));
    return number && !dynamic_cast<const TDelimNumField*>(number) ? number : nullptr;
}

const TNumField* TxEditGrid::AnchoredField(int ACol, int ARow)
{
    const TNumField* number = NumberField(ACol, ARow);
    return number && IsFloatFormat(number->FormatStr) ? number : nullptr;
}

void TxEditGrid::LoadExactValue(TxInplaceEdit& editor)
{
    // A cell's text may be its value rounded: the editor starts from the
    // value itself, so that what is not retyped stays exact.
    FEditAnchor = TValueAnchor();
    const TNumField* number = AnchoredField(Col(), Row());
    const TValueAnchor* anchor = number ? FAnchors.Find(Col(), Row(), editor.text()) : nullptr;
    if (!anchor || anchor->Pair)
        return;
    FEditAnchor = *anchor;
    editor.SetText(FloatToStr(ExactEditValue(*number, anchor->A)));
    editor.DoEnter();
    editor.SelectAll();
}

void TxEditGrid::SetEditText(int ACol, int ARow, const QString& value)
{
    // A typed text is the user's value, also when it comes back to the text
    // a stored value was shown with.
    if (value != Cells(ACol, ARow))
        FAnchors.Remove(ACol, ARow);
    TxStringGrid::SetEditText(ACol, ARow, value);
}

void TxEditGrid::SetDefaultColWidth(int value)
{
    const int fixedCols = FixedCols();
    const int fixedRows = FixedRows();
    SetFixedCols(0);
    SetFixedRows(0);
    TxStringGrid::SetDefaultColWidth(value);
    SetFixedCols(fixedCols);
    SetFixedRows(fixedRows);
}

// --- Input ---

void TxEditGrid::KeyDown(int& key, TShiftState shift)
{
    if ((key == VK_RIGHT || key == VK_LEFT) && IsDataCell(Col(), Row()) &&
        dynamic_cast<const TEnumField*>(Field(FieldOfCell(Col(), Row())))) {
        ChoiceStep(key == VK_RIGHT);
        key = 0;
        return;
    }
    TxStringGrid::KeyDown(key, shift);
}

void TxEditGrid::MouseDown(TMouseButton button, TShiftState shift, int X, int Y)
{
    TxStringGrid::MouseDown(button, shift, X, Y);
    if (GridState() == gsRowSizing || GridState() == gsColSizing)
        return;
    const TGridCoord cell = MouseCoord(X, Y);
    if (cell.X < 0 || cell.Y < 0)
        return;
    if (RecordOfCell(cell.X, cell.Y) == 0) {
        const int index = FieldOfCell(cell.X, cell.Y);
        FWorkField = index;
        TField* field = Field(index);
        if (!field || !FUnitsPopupProc)
            return;
        const QPoint screen = viewport()->mapToGlobal(QPoint(X, Y));
        FUnitsPopupProc(this, index, screen.x(), screen.y(), field);
        if (const TField* current = Field(index))
            FEditorFormat = current->FormatStr;
        if (OnAfterRightClick)
            OnAfterRightClick(this, index);
        RefreshField(index);
    } else if (button == mbLeft && (shift & ssDouble) && cell == Current() && IsDataCell(cell.X, cell.Y) &&
               CellHasPickList(cell.X, cell.Y)) {
        ChoiceStep(true);
    }
}

void TxEditGrid::MouseMove(TShiftState shift, int X, int Y)
{
    TxStringGrid::MouseMove(shift, X, Y);
    if (!FList->isVisible())
        return;
    const TGridCoord cell = MouseCoord(X, Y);
    if (cell.X >= 0 && cell.Y >= 0 && !CellHasPickList(cell.X, cell.Y))
        CloseDropDown();
}

void TxEditGrid::MouseUp(TMouseButton button, TShiftState shift, int X, int Y)
{
    TxStringGrid::MouseUp(button, shift, X, Y);
    if (!FList->isVisible())
        return;
    const TGridCoord cell = MouseCoord(X, Y);
    if (cell.X >= 0 && cell.Y >= 0 && CellHasPickList(cell.X, cell.Y))
        CloseDropDown();
}

void TxEditGrid::DoEnter()
{
    TxStringGrid::DoEnter();
    // The click that brought the focus does not open the editor.
    SetFocusClickFlag(1);
    SelectCell(Col(), Row());
}

void TxEditGrid::TopLeftChanged()
{
    TxStringGrid::TopLeftChanged();
    PlaceVisibleButtons();
}

void TxEditGrid::ColWidthsChanged()
{
    TxStringGrid::ColWidthsChanged();
    PlaceVisibleButtons();
}

void TxEditGrid::ColumnMoved(int fromIndex, int toIndex)
{
    FAnchors.MoveColumn(fromIndex, toIndex);
    TxStringGrid::ColumnMoved(fromIndex, toIndex);
}

void TxEditGrid::RowMoved(int fromIndex, int toIndex)
{
    FAnchors.MoveRow(fromIndex, toIndex);
    TxStringGrid::RowMoved(fromIndex, toIndex);
}

void TxEditGrid::SizeChanged(int oldColCount, int oldRowCount)
{
    TxStringGrid::SizeChanged(oldColCount, oldRowCount);
    FAnchors.Truncate(ColCount(), RowCount());
}

// --- Painting ---

void TxEditGrid::DrawText(QPainter& painter, const TPixelRect& rect, const QString& text) const
{
    if (text.isEmpty())
        return;
    painter.save();
    painter.setClipRect(ToQRect(rect), Qt::IntersectClip);
    painter.drawText(QPoint(rect.Left + 2, rect.Top + 2 + painter.fontMetrics().ascent()), text);
    painter.restore();
}

void TxEditGrid::DrawCell(int ACol, int ARow, const TPixelRect& ARect, TxGridDrawState AState)
{
    QPainter* canvas = Canvas();
    if (!canvas) {
        TxStringGrid::DrawCell(ACol, ARow, ARect, AState);
        return;
    }
    FWorkField = FieldOfCell(ACol, ARow);
    const TField* field = Field(FWorkField);
    const QColor windowText = palette().color(QPalette::Text);
    const bool selected = AState & gdSelected;
    const bool focused = AState & gdFocused;
    const bool editColour = FColorEditCol != Color();
    QColor textColour = windowText;
    if (!focused && CellHasPickList(ACol, ARow))
        textColour = windowText;
    else if (selected && (!focused || (Options() & (xgoDrawFocusSelected | xgoRowSelect))))
        textColour = canvas->pen().color();
    const QString stored = Cells(ACol, ARow);
    if (IsDataCell(ACol, ARow)) {
        const QRect r = ToQRect(ARect);
        if (editColour)
            canvas->fillRect(r, FColorEditCol);
        if (AlwaysShowCell() && selected && !IsActiveControl()) {
            canvas->fillRect(r, palette().color(QPalette::ToolTipBase));
            textColour = windowText;
        }
        canvas->setPen(textColour);
        // With default drawing the string grid draws the stored text next, on
        // the filled cell: that text alone shows, never over the value.
        if (field && !DefaultDrawing()) {
            QString shown;
            if (dynamic_cast<const TNumField*>(field))
                shown = FieldDisplayText(*field, stored);
            else if (editColour)
                shown = stored;
            DrawText(*canvas, ARect, shown);
        }
    }
    TxStringGrid::DrawCell(ACol, ARow, ARect, AState);
    if (!AlwaysShowCell() && editColour && selected && !(isEnabled() && IsActiveControl())) {
        canvas->fillRect(ToQRect(ARect), FColorEditCol);
        canvas->setPen(textColour);
        DrawText(*canvas, ARect, stored);
    }
}
