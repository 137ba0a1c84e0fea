#include "TxColGrids.h"

#include "TxFormat.h"
#include "TxPlatform.h"

#include <optional>
#include <vector>

TxColGrid::TxColGrid(QWidget* parent) : TxEditGrid(parent)
{
    SetColWidths(0, 20);
    // As a grid read from a window layout: built from its (empty) lines.
    BuildGrid();
}

void TxColGrid::RefreshField(int index)
{
    for (int r = 1; r < RowCount(); ++r)
        if (!Cells(index, r).isEmpty()) // an empty cell would read as 0
            ReshowCell(index, r, GetCellValue(index, r));
}

void TxColGrid::BuildGrid()
{
    SetFixedCols(0);
    HideEditButtons();
    const int count = static_cast<int>(FieldDefs().size());
    if (count == 0)
        return;
    SetColCount(count);
    ClearFields();
    Anchors().Clear();
    SetCells(0, 0, QString());
    for (int r = 1; r < RowCount(); ++r)
        SetCells(0, r, ShowItemNumbers() ? IntToStr(r) : QString());
    AppendField(std::make_unique<TField>(fkPlain, QStringLiteral("%S")));
    for (int i = 1; i < count; ++i) {
        AppendField(ParseFieldDef(i));
        const QStringList parts = FieldDefParts();
        SetCells(i, 0, parts.value(0));
        for (int r = 1; r < RowCount(); ++r)
            SetCells(i, r, parts.value(1));
    }
    // A single line leaves no column to scroll: it cannot be fixed.
    if (ColCount() > 1)
        SetFixedCols(1);
}

void TxColGrid::SetFieldDef(int index, const QString& line)
{
    try {
        TxEditGrid::SetFieldDef(index, line);
        Anchors().RemoveColumn(index);
        const QStringList parts = FieldDefParts();
        SetCells(index, 0, parts.value(0));
        for (int r = 1; r < RowCount(); ++r)
            SetCells(index, r, parts.value(1));
    } catch (const Exception&) {
        ReportFieldError(QStringLiteral("Error replacing field def (col) "), index);
    }
}

void TxColGrid::FieldUnitsChanged(int index, TField* field)
{
    auto* number = dynamic_cast<TNumField*>(field);
    if (!number)
        return;
    // Read with the old conversion; a cell that holds no number keeps its
    // text, and an empty one (a new-record row) stays empty.
    std::vector<std::optional<QVariant>> saved(static_cast<size_t>(std::max(RowCount(), 0)));
    for (int r = 1; r < RowCount(); ++r) {
        if (Cells(index, r).isEmpty())
            continue;
        const QVariant value = GetCellValue(index, r);
        if (dynamic_cast<TDelimNumField*>(number) || value.typeId() != QMetaType::QString)
            saved[static_cast<size_t>(r)] = value;
    }
    const QString label = ApplyFieldUnits(*number);
    SetEditorRange(GetRangeLo(index), GetRangeHi(index));
    SetCells(index, 0, CaptionWithUnits(Cells(index, 0), label));
    for (int r = 1; r < RowCount() && r < static_cast<int>(saved.size()); ++r)
        if (saved[static_cast<size_t>(r)])
            ReshowCell(index, r, *saved[static_cast<size_t>(r)]);
}

bool TxColGrid::CellHasPickList(int ACol, int ARow)
{
    return ARow >= 1 && ACol < FieldCount() && dynamic_cast<const TEnumField*>(Field(ACol));
}

bool TxColGrid::IsDataCell(int ACol, int ARow)
{
    return ARow >= 1 && ARow >= FixedRows() && ACol >= FixedCols();
}

bool TxColGrid::IsFieldEditable(int ACol, int ARow)
{
    const TField* field = Field(ACol);
    return ARow >= 1 && field && field->Editable;
}

void TxColGrid::SetRowCount(int value)
{
    TxEditGrid::SetRowCount(value);
    const int last = RowCount() - 1;
    if (ShowItemNumbers() && last >= 1)
        SetCells(0, last, IntToStr(last));
}
