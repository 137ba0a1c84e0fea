#pragma once

#include "TxEditGrids.h"

// The edit grid with one column per field and one row per record: column 0
// is fixed (empty, or the record numbers), row 0 holds the captions. Field 0
// is always plain text; its definition line only counts.
class TxColGrid : public TxEditGrid {
    Q_OBJECT
public:
    explicit TxColGrid(QWidget* parent = nullptr);

    int CurrentField() override { return Col(); }
    int CurrentRecord() override { return Row(); }
    int FieldOfCell(int ACol, int) override { return ACol; }
    int RecordOfCell(int, int ARow) override { return ARow; }
    void RefreshField(int index) override;
    void BuildGrid() override;
    void FieldUnitsChanged(int index, TField* field) override;
    bool CellHasPickList(int ACol, int ARow) override;
    bool IsDataCell(int ACol, int ARow) override;
    bool IsFieldEditable(int ACol, int ARow) override;

    // A replaced line resets its column: caption and default texts. A
    // failure is reported, not raised.
    void SetFieldDef(int index, const QString& line) override;
    // With item numbers, the new last row gets its number.
    void SetRowCount(int value) override;
};
