#pragma once

// The edit grid: a string grid whose fields are set up by field-definition
// lines. Each field converts its cells' texts to values in stored units and
// back, gives the in-place editor its format and range, and shows editor
// buttons at the current cell: a drop-down list for choices, spin buttons, a
// property-editor button. A press on a field's caption opens the units
// pop-up. How fields and records map to columns and rows is left to derived
// grids (TxColGrid: one column per field, one row per record).

#include "TxEditGridLogic.h"
#include "TxFields.h"
#include "TxGrids.h"
#include "TxUnitsForm.h"

#include <QColor>
#include <QListWidget>
#include <QStringList>
#include <QToolButton>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

class TxEditGrid;
class TxInplaceEdit;

using TAfterRightClickEvent = std::function<void(QObject* Sender, int ARow)>;
using TEditButtonClickEvent = std::function<void(QObject* Sender, int ACol, int ARow)>;
// Called on a press of a field's caption with the field index, the pointer's
// screen position and the field.
using TUnitsPopupProc = std::function<void(TxEditGrid* Grid, int FieldIndex, int X, int Y, TField*& Field)>;

// The drop-down list of a choice field: a pop-up list below the cell. It
// hides itself when it loses the focus.
class TEditGridList : public TClosingList {
    Q_OBJECT
public:
    explicit TEditGridList(QWidget* parent);

signals:
    void choicePressed(); // a mouse press (the item under it is current)
    void keyReleased();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
};

class TxEditGrid : public TxStringGrid {
    Q_OBJECT
public:
    explicit TxEditGrid(QWidget* parent = nullptr);
    ~TxEditGrid() override;

    // --- Properties ---
    // One field-definition line per field; setting them rebuilds the grid.
    QStringList FieldDefs() const { return FFieldDefs; }
    void SetFieldDefs(const QStringList& lines);
    void SetFieldDefArray(const QStringList& lines) { SetFieldDefs(lines); }
    QChar Delim() const { return FDelim; }
    void SetDelim(QChar value) { FDelim = value; }
    // Background of the data cells.
    QColor ColorEditCol() const { return FColorEditCol; }
    void SetColorEditCol(const QColor& value);
    // Background and text of the in-place editor.
    QColor ColorEditMode() const { return FColorEditMode; }
    void SetColorEditMode(const QColor& value) { FColorEditMode = value; }
    QColor ColorEditModeText() const { return FColorEditModeText; }
    void SetColorEditModeText(const QColor& value) { FColorEditModeText = value; }
    // Record numbers in the first column (column grids).
    bool ShowItemNumbers() const { return FShowItemNumbers; }
    void SetShowItemNumbers(bool value) { FShowItemNumbers = value; }

    // After a press on a caption, with the field index.
    TAfterRightClickEvent OnAfterRightClick;
    // The property-editor button of the current cell was clicked.
    TEditButtonClickEvent OnPropEditClick;
    // --- Fields ---
    int FieldCount() const { return static_cast<int>(FFields.size()); }
    // The field object, null when there is none.
    TField* Field(int index) const;

    // Values in stored units (see CellTextToValue and CellValueToText); cells
    // that hold no value give and take plain text.
    virtual QVariant GetCellValue(int ACol, int ARow);
    virtual void SetCellValue(int ACol, int ARow, const QVariant& value);
    // Replaces line `index` and its field; raises for an index with no field.
    virtual void SetFieldDef(int index, const QString& line);

    // How fields and records map to cells.
    virtual int CurrentField() = 0;
    virtual int CurrentRecord() = 0;
    virtual int FieldOfCell(int ACol, int ARow) = 0;
    virtual int RecordOfCell(int ACol, int ARow) = 0; // 0: the caption record
    virtual void RefreshField(int index) = 0;
    virtual void BuildGrid() = 0;
    virtual void FieldUnitsChanged(int index, TField* field) = 0;
    virtual bool CellHasPickList(int ACol, int ARow) = 0;
    virtual bool IsDataCell(int ACol, int ARow) = 0;
    virtual bool IsFieldEditable(int ACol, int ARow) = 0;

    // The field of line `index`; FieldDefParts then holds its caption and
    // the default text of its cells.
    std::unique_ptr<TField> ParseFieldDef(int index);
    QStringList FieldDefParts() const { return FParts; }

    void SetUnitsPopupProc(TUnitsPopupProc proc) { FUnitsPopupProc = std::move(proc); }
    // The field's units; factor and offset count only without a kind.
    void SetFieldUnits(int index, TUnitsType unitsType, int unitsBase, int unitsValue, TFormatType formatType,
                       double factor, double offset);
    void SetFieldEditable(int index, bool value);
    TUnitsType GetUnitsType(int index);
    int GetUnitsValue(int index);
    // A number field's bounds in display units; 0 for other fields.
    double GetRangeLo(int index);
    double GetRangeHi(int index);
    // The units pop-up for a number field with a unit kind; then the grid
    // re-shows the field in the chosen unit.
    static void ShowUnitsPopup(TxEditGrid* grid, int index, int X, int Y, TField*& field);

    // --- Editor settings, buttons and the drop-down list ---
    // What the last selected cell gives its editor.
    QString EditorFormat() const { return FEditorFormat; }
    double EditorRangeLo() const { return FEditorRangeLo; }
    double EditorRangeHi() const { return FEditorRangeHi; }
    QToolButton* PropEdButton() const { return FPropEdButton; }
    QToolButton* PullDownButton() const { return FPullDownButton; }
    QToolButton* SpinUpButton() const { return FSpinUpButton; }
    QToolButton* SpinDownButton() const { return FSpinDownButton; }
    TEditGridList* DropDownList() const { return FList; }

    // What the buttons do at the current cell.
    void SpinUp() { Spin(true); }
    void SpinDown() { Spin(false); }
    void ChoiceStep(bool forward);
    // Opens the drop-down list, or closes it when it is open.
    void PullDownReleased();
    void ApplyListChoice();
    void CloseDropDown();

    // --- The grid family's operations ---
    void SetDefaultColWidth(int value) override;
    bool CanEditShow() override;
    void UpdateEdit() override;
    void StoreEdit() override;
    void KeyDown(int& key, TShiftState shift) override;
    void MouseDown(TMouseButton button, TShiftState shift, int X, int Y) override;
    void MouseMove(TShiftState shift, int X, int Y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int X, int Y) override;
    void DoEnter() override;

protected:
    void UpdateEditor() override;
    bool SelectCell(int ACol, int ARow) override;
    void DrawCell(int ACol, int ARow, const TPixelRect& ARect, TxGridDrawState AState) override;
    void TopLeftChanged() override;
    void ColWidthsChanged() override;
    void SetEditText(int ACol, int ARow, const QString& value) override;
    void ColumnMoved(int fromIndex, int toIndex) override;
    void RowMoved(int fromIndex, int toIndex) override;
    void SizeChanged(int oldColCount, int oldRowCount) override;

    // For derived grids.
    void ClearFields();
    void AppendField(std::unique_ptr<TField> field);
    void SetFieldAt(int index, std::unique_ptr<TField> field);
    void HideEditButtons();
    void SetEditorRange(double lo, double hi);
    TCellAnchors& Anchors() { return FAnchors; }
    // Shows a value again in its cell; a cell whose text is no value of its
    // field keeps the text.
    void ReshowCell(int ACol, int ARow, const QVariant& value);
    static void ReportFieldError(const QString& text, int index);

private:
    // The number field of a cell (no pair), null for other cells; the
    // anchored one's typed value is kept exactly behind its rounded text.
    const TNumField* NumberField(int ACol, int ARow);
    const TNumField* AnchoredField(int ACol, int ARow);
    void LoadExactValue(TxInplaceEdit& editor);
    // Stores the editor's text into its cell, with the exact value behind it.
    void StoreEditValue(TxInplaceEdit& editor);
    void Spin(bool up);
    TField* FieldOrThrow(int index) const;
    // What an editor on the cell validates with.
    void EditorSettingsOf(int ACol, int ARow, QString& format, double& lo, double& hi);
    void ShowButton(QToolButton* button, TEditButtonKind kind, int ACol, int ARow);
    void PlaceVisibleButtons();
    QToolButton* MakeButton(const QString& picture);
    void DrawText(QPainter& painter, const TPixelRect& rect, const QString& text) const;

    QStringList FFieldDefs;
    QChar FDelim = QLatin1Char(';');
    QColor FColorEditCol;
    QColor FColorEditMode;
    QColor FColorEditModeText;
    bool FShowItemNumbers = false;
    std::vector<std::unique_ptr<TField>> FFields;
    QStringList FParts;
    TUnitsPopupProc FUnitsPopupProc;
    QToolButton* FPropEdButton = nullptr;
    QToolButton* FPullDownButton = nullptr;
    QToolButton* FSpinUpButton = nullptr;
    QToolButton* FSpinDownButton = nullptr;
    TEditGridList* FList = nullptr;
    int FWorkField = -1;     // the field last worked on
    int FSelectedField = -1; // the field of the selected cell, -1 when none
    QString FEditorFormat = QStringLiteral("%S");
    double FEditorRangeLo = 0.0;
    double FEditorRangeHi = 0.0;
    TCellAnchors FAnchors;
    TValueAnchor FEditAnchor; // the exact value of the cell the editor opened on
};
