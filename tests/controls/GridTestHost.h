#pragma once

// A window-less host and editor for driving the grid model in tests.

#include "TxGridModel.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <memory>
#include <vector>

#include <ostream>

inline void PrintTo(const TGridCoord& c, std::ostream* os)
{
    *os << "(" << c.X << ", " << c.Y << ")";
}

inline void PrintTo(const TPixelRect& r, std::ostream* os)
{
    *os << "{" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << "}";
}

inline void PrintTo(const TGridRect& r, std::ostream* os)
{
    *os << "[" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << "]";
}

class TFakeGridHost;

// An editor that keeps its text and selection and feeds typed characters
// through the grid's editor key handling, as the real one does.
class TFakeInplaceEditor : public IGridInplaceEditor {
public:
    explicit TFakeInplaceEditor(TGridModel& grid, TFakeGridHost& host) : FGrid(grid), FHost(host) {}

    void Move(const TPixelRect& loc) override;
    void UpdateLoc(const TPixelRect& loc) override
    {
        if (!FVisible)
            Move(loc);
        else
            Bounds = loc;
    }
    void Hide() override;
    bool Visible() const override { return FVisible; }
    QString Text() const override { return FText; }
    void SetText(const QString& text) override
    {
        FText = text;
        SelStart = SelEnd = static_cast<int>(text.size());
    }
    int MaxLength() const override { return FMaxLength; }
    void SetMaxLength(int length) override { FMaxLength = length; }
    void SetFormatStr(const QString& format) override { FormatStr = format; }
    void ValidateEdit() override { ++Validations; }
    void DoEnter() override { ++Entries; }
    void SelectAll() override
    {
        SelStart = 0;
        SelEnd = static_cast<int>(FText.size());
    }
    void Deselect() override { SelStart = SelEnd = static_cast<int>(FText.size()); }
    void TypeChar(QChar ch) override;
    // A key pressed while the editor has the focus.
    void PressKey(int key, TShiftState shift = 0);

    TPixelRect Bounds;
    QString FormatStr;
    int SelStart = 0;
    int SelEnd = 0;
    int Validations = 0;
    int Entries = 0;

private:
    TGridModel& FGrid;
    TFakeGridHost& FHost;
    QString FText;
    int FMaxLength = 0;
    bool FVisible = false;
};

class TFakeGridHost : public IGridHost {
public:
    bool HandleAllocated() const override { return Window; }
    bool Showing() const override { return Window; }
    int ClientWidth() const override { return Width; }
    int ClientHeight() const override { return Height; }
    void InvalidatePixels(const TPixelRect& r) override { Invalidated.push_back(r); }
    void InvalidateAll() override { ++WholeInvalidations; }
    void UpdatePending() override {}
    void ScrollPixels(int dx, int dy, const TPixelRect& area) override { Scrolls.push_back({dx, dy, area}); }
    void SetScrollRange(TScrollBarKind bar, int max) override { RangeMax[bar] = max; }
    int ScrollRangeMax(TScrollBarKind bar) const override { return RangeMax[bar]; }
    void SetScrollPos(TScrollBarKind bar, int pos) override { Pos[bar] = pos; }
    int ScrollPos(TScrollBarKind bar) const override { return Pos[bar]; }
    int ScrollBarThickness(TScrollBarKind) const override { return 0; }
    void ScrollBarsChanged() override {}
    int TextWidthOfZero() const override { return 7; }
    bool CanFocus() const override { return true; }
    bool Focused() const override { return GridFocused; }
    void SetFocus() override
    {
        GridFocused = true;
        EditorFocused = false;
    }
    bool IsActiveControl() const override { return Active; }
    void ReleaseCapture() override {}
    void StartTimer() override { TimerRunning = true; }
    void StopTimer() override { TimerRunning = false; }
    IGridInplaceEditor* CreateInplaceEditor() override
    {
        Editors.push_back(std::make_unique<TFakeInplaceEditor>(*Grid, *this));
        return Editors.back().get();
    }

    struct TScroll {
        int Dx;
        int Dy;
        TPixelRect Area;
    };
    TGridModel* Grid = nullptr;
    bool Window = true;
    bool Active = true;
    bool GridFocused = true;
    bool EditorFocused = false;
    bool TimerRunning = false;
    int Width = 320;
    int Height = 80;
    int RangeMax[2] = {0, 0};
    int Pos[2] = {0, 0};
    int WholeInvalidations = 0;
    std::vector<TPixelRect> Invalidated;
    std::vector<TScroll> Scrolls;
    std::vector<std::unique_ptr<TFakeInplaceEditor>> Editors;
};

inline void TFakeInplaceEditor::Move(const TPixelRect& loc)
{
    if (loc.IsEmpty()) {
        Hide();
        return;
    }
    Bounds = loc;
    FVisible = true;
    if (FHost.GridFocused) {
        FHost.GridFocused = false;
        FHost.EditorFocused = true;
    }
}

inline void TFakeInplaceEditor::Hide()
{
    if (!FVisible)
        return;
    FVisible = false;
    Bounds = {};
    if (FHost.EditorFocused) {
        FHost.EditorFocused = false;
        FHost.GridFocused = true;
    }
}

inline void TFakeInplaceEditor::TypeChar(QChar ch)
{
    FGrid.EditorKeyPress(ch, SelStart, SelEnd, static_cast<int>(FText.size()));
    if (ch.isNull() || ch.unicode() < 32)
        return;
    FText.replace(SelStart, SelEnd - SelStart, ch);
    SelStart = SelEnd = SelStart + 1;
    FGrid.UpdateText(); // what the real editor does on a user edit
}

inline void TFakeInplaceEditor::PressKey(int key, TShiftState shift)
{
    FGrid.EditorKeyDown(key, shift, SelStart, SelEnd, static_cast<int>(FText.size()));
}

// A grid model on a fake host that records what its hooks see.
class TTestGridModel : public TFakeGridHost, public TGridModel {
public:
    TTestGridModel() : TGridModel(static_cast<IGridHost&>(*this)) { Grid = this; }

    TFakeInplaceEditor* Editor() const { return static_cast<TFakeInplaceEditor*>(InplaceEditor()); }
    // Key down then, when it types one, the character (as the widget does).
    void Press(int key, TShiftState shift = 0, QChar ch = QChar())
    {
        KeyDown(key, shift);
        if (!ch.isNull())
            CharTyped(ch);
    }

    bool SelectCell(int ACol, int ARow) override
    {
        Log << QStringLiteral("select %1,%2").arg(ACol).arg(ARow);
        return Refuse.empty() || std::find(Refuse.begin(), Refuse.end(), TGridCoord{ACol, ARow}) == Refuse.end();
    }
    void DoSetData(int ACol, int ARow) override { Log << QStringLiteral("data %1,%2").arg(ACol).arg(ARow); }
    QString GetEditText(int ACol, int ARow) override { return Cells.value(Key(ACol, ARow)); }
    void SetEditText(int ACol, int ARow, const QString& value) override
    {
        Cells[Key(ACol, ARow)] = value;
        Log << QStringLiteral("set %1,%2=%3").arg(ACol).arg(ARow).arg(value);
    }
    int GetEditLimit() override { return EditLimit; }
    void ColWidthsChanged() override
    {
        ++ColWidthsChanges;
        TGridModel::ColWidthsChanged();
    }
    void RowMoved(int from, int to) override { Log << QStringLiteral("rowmoved %1,%2").arg(from).arg(to); }
    void ColumnMoved(int from, int to) override { Log << QStringLiteral("colmoved %1,%2").arg(from).arg(to); }
    bool DoMouseWheelDownEvent(TShiftState, int, int) override { return false; }

    static QString Key(int c, int r) { return QStringLiteral("%1,%2").arg(c).arg(r); }

    QStringList Log;
    QHash<QString, QString> Cells;
    std::vector<TGridCoord> Refuse;
    int EditLimit = 0;
    int ColWidthsChanges = 0;
};
