#pragma once

// The grid family's logic without a window: extents, column formats,
// geometry, current cell and selection, scrolling, keys, mouse, the editor's
// life cycle and the property setters. A widget (TxCustomGrid) implements the
// host interface and paints what this says; tests drive it with a fake host.

#include "TxErrors.h"
#include "TxFormat.h"
#include "TxKeys.h"

#include <QChar>
#include <QString>

#include <cstdint>
#include <vector>

// The grids' exception class.
class EInvalidGridOperation : public Exception {
public:
    using Exception::Exception;
};

// A pixel rectangle in client coordinates; Right and Bottom are exclusive.
struct TPixelRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    bool Intersects(const TPixelRect& r) const
    {
        return !IsEmpty() && !r.IsEmpty() && Left < r.Right && r.Left < Right && Top < r.Bottom && r.Top < Bottom;
    }
    friend bool operator==(const TPixelRect&, const TPixelRect&) = default;
};

// A cell: X is the column, Y the row, both counted from 0 over fixed and
// scrolling cells.
struct TGridCoord {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TGridCoord&, const TGridCoord&) = default;
};

// A block of cells; both ends inclusive.
struct TGridRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    friend bool operator==(const TGridRect&, const TGridRect&) = default;
};

enum TxGridOption : unsigned {
    xgoFixedVertLine = 1u << 0,
    xgoFixedHorzLine = 1u << 1,
    xgoVertLine = 1u << 2,
    xgoHorzLine = 1u << 3,
    xgoRangeSelect = 1u << 4,
    xgoDrawFocusSelected = 1u << 5,
    xgoRowSizing = 1u << 6,
    xgoColSizing = 1u << 7,
    xgoRowMoving = 1u << 8,
    xgoColMoving = 1u << 9,
    xgoEditing = 1u << 10,
    xgoTabs = 1u << 11,
    xgoRowSelect = 1u << 12,
    xgoAlwaysShowEditor = 1u << 13,
    xgoThumbTracking = 1u << 14,
};
// A set of TxGridOption bits (15 of 16 used).
using TxGridOptions = unsigned;
constexpr TxGridOptions xgoAllOptions = 0x7FFF;
// What a new grid has: the four line options, range select and editing.
constexpr TxGridOptions xgoDefaultOptions = 0x041F;

enum TGridState : unsigned char { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsRowMoving, gsColMoving };

enum TxGridDrawStateFlag : unsigned { gdSelected = 1, gdFocused = 2, gdFixed = 4 };
using TxGridDrawState = unsigned;

enum TGridScrollDirectionFlag : unsigned { sdLeft = 1, sdRight = 2, sdUp = 4, sdDown = 8 };
using TGridScrollDirection = unsigned;

enum TScrollStyle : unsigned char { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TScrollBarKind : unsigned char { sbHorizontal, sbVertical };
enum TScrollCode : unsigned char {
    scLineUp,
    scLineDown,
    scPageUp,
    scPageDown,
    scPosition, // thumb released at Pos
    scTrack,    // thumb dragged to Pos
    scTop,
    scBottom,
    scEndScroll,
};
enum TMouseButton : unsigned char { mbLeft, mbRight, mbMiddle };

// A column format string: at most 12 characters.
using String12 = QString;
// Cuts a text to a String12 without splitting a surrogate pair.
String12 CutString12(const QString& text);

// a * b / c rounded half away from zero, computed in 64 bits; -1 when c is 0
// or the result does not fit.
int MulDiv(int a, int b, int c);

// One value shared by every grid of the process: a click on a grid's current
// cell opens the editor only while it is 0; every completed mouse-down
// clears it, and a grid may set it when it receives the focus.
int FocusClickFlag();
void SetFocusClickFlag(int value);
void ResetFocusClickFlag(); // for tests

// Largest extent-array or count size, exclusive.
constexpr int kMaxGridExtents = 134217726;

// The widest column, tallest row and thickest line a grid takes: more than
// any screen shows, and far enough from the ints' ends that no sum of pixels
// overflows. Below, -1 hides a column or row with its line.
constexpr int kMaxCellExtent = 32767;
int ClampCellExtent(int value);

// Per-index extents (widths, heights, tab stops) that take no memory while
// every entry has the default.
class TGridExtents {
public:
    bool Exists() const { return !FItems.empty(); }
    int Count() const { return static_cast<int>(FItems.size()); }
    // The entry, or `def` when there is none.
    int Get(int index, int def) const;
    void Set(int index, int value); // the entry must exist
    // Grows (new entries take `def`) or shrinks to newCount entries; 0 frees
    // the block. Raises EInvalidGridOperation and leaves the entries
    // unchanged when the count is negative or too large.
    void Resize(long long newCount, int def);
    void Move(int from, int to);
    void Clear() { FItems.clear(); }

private:
    std::vector<int> FItems;
};

// One axis of the geometry: columns (horizontal) or rows (vertical).
struct TGridAxisDrawInfo {
    int EffectiveLineWidth = 0;
    int FixedBoundary = 0;
    int GridBoundary = 0;
    int GridExtent = 0;
    int LastFullVisibleCell = 0;
    int FullVisBoundary = 0;
    int FixedCellCount = 0;
    int FirstGridCell = 0;
    int GridCellCount = 0;
    const class TGridModel* Grid = nullptr;
    bool Columns = true;

    int Extent(int index) const;
};

struct TGridDrawInfo {
    TGridAxisDrawInfo Horz;
    TGridAxisDrawInfo Vert;
};

// The grid's view of its in-place editor.
class IGridInplaceEditor {
public:
    virtual ~IGridInplaceEditor();
    // Places and shows the editor over a pixel rectangle (an empty one hides
    // it) and passes the grid's focus on to it. Move always repaints,
    // UpdateLoc only when the editor was hidden.
    virtual void Move(const TPixelRect& loc) = 0;
    virtual void UpdateLoc(const TPixelRect& loc) = 0;
    // Hides the editor; when it had the focus, the grid gets it.
    virtual void Hide() = 0;
    virtual bool Visible() const = 0;
    virtual QString Text() const = 0;
    // Text set by the program; it never reaches the grid as an edit.
    virtual void SetText(const QString& text) = 0;
    // 0 means no limit; -1 marks a cell that may not be modified.
    virtual int MaxLength() const = 0;
    virtual void SetMaxLength(int length) = 0;
    virtual void SetFormatStr(const QString& format) = 0;
    // Checks and formats the text; a value out of range becomes its bound
    // with a beep. Never raises, never takes the focus.
    virtual void ValidateEdit() = 0;
    // The editor's focus-entry step: remember the text, clear the modified mark.
    virtual void DoEnter() = 0;
    virtual void SelectAll() = 0;
    // Caret to the end of the text, nothing selected.
    virtual void Deselect() = 0;
    // A character typed into the editor (character phase only).
    virtual void TypeChar(QChar ch) = 0;
};

// What the grid asks of its window.
class IGridHost {
public:
    virtual ~IGridHost();
    virtual bool HandleAllocated() const = 0; // the window exists
    virtual bool Showing() const = 0;
    virtual int ClientWidth() const = 0;
    virtual int ClientHeight() const = 0;
    virtual void InvalidatePixels(const TPixelRect& r) = 0;
    virtual void InvalidateAll() = 0;
    // Paint what is pending now (before pixels are scrolled).
    virtual void UpdatePending() = 0;
    // Moves the pixels of `area` by (dx, dy) and repaints what is uncovered.
    virtual void ScrollPixels(int dx, int dy, const TPixelRect& area) = 0;
    virtual void SetScrollRange(TScrollBarKind bar, int max) = 0; // min is 0
    virtual int ScrollRangeMax(TScrollBarKind bar) const = 0;
    virtual void SetScrollPos(TScrollBarKind bar, int pos) = 0;
    virtual int ScrollPos(TScrollBarKind bar) const = 0;
    virtual int ScrollBarThickness(TScrollBarKind bar) const = 0;
    // The scroll-bar setting changed: show or hide the bars it allows.
    virtual void ScrollBarsChanged() = 0;
    virtual int TextWidthOfZero() const = 0;
    virtual bool CanFocus() const = 0;
    virtual bool Focused() const = 0; // the grid's own window
    virtual void SetFocus() = 0;
    // The grid, or its editor, is its window's focused control.
    virtual bool IsActiveControl() const = 0;
    virtual void ReleaseCapture() = 0;
    virtual void StartTimer() = 0; // 60 ms ticks to TimerTick
    virtual void StopTimer() = 0;
    virtual IGridInplaceEditor* CreateInplaceEditor() = 0;
};

class TGridModel {
public:
    explicit TGridModel(IGridHost& host);
    virtual ~TGridModel();
    TGridModel(const TGridModel&) = delete;
    TGridModel& operator=(const TGridModel&) = delete;

    // --- Properties ---
    int ColCount() const { return FColCount; }
    virtual void SetColCount(int value);
    int RowCount() const { return FRowCount; }
    virtual void SetRowCount(int value);
    int FixedCols() const { return FFixedCols; }
    void SetFixedCols(int value);
    int FixedRows() const { return FFixedRows; }
    void SetFixedRows(int value);
    int Col() const { return FCurrent.X; }
    void SetCol(int value);
    int Row() const { return FCurrent.Y; }
    void SetRow(int value);
    int LeftCol() const { return FTopLeft.X; }
    void SetLeftCol(int value);
    int TopRow() const { return FTopLeft.Y; }
    void SetTopRow(int value);
    TGridCoord Current() const { return FCurrent; }
    TGridCoord Anchor() const { return FAnchor; }
    TGridCoord TopLeft() const { return FTopLeft; }
    TGridRect Selection() const;

    // Widths, heights and the line width are kept within ClampCellExtent.
    int ColWidths(int index) const;
    void SetColWidths(int index, int value);
    int RowHeights(int index) const;
    void SetRowHeights(int index, int value);
    bool TabStops(int index) const;
    void SetTabStops(int index, bool value);
    String12 ColFormatStr(int index) const;
    void SetColFormatStr(int index, const QString& value);
    bool HasColWidths() const { return FColWidths.Exists(); }
    bool HasRowHeights() const { return FRowHeights.Exists(); }
    bool HasTabStops() const { return FTabStops.Exists(); }
    bool HasColFormats() const { return FFormatsExist; }

    int DefaultColWidth() const { return FDefaultColWidth; }
    virtual void SetDefaultColWidth(int value);
    int DefaultRowHeight() const { return FDefaultRowHeight; }
    void SetDefaultRowHeight(int value);
    String12 DefaultColFormatStr() const { return FDefaultColFormatStr; }
    void SetDefaultColFormatStr(const QString& value);
    int GridLineWidth() const { return FGridLineWidth; }
    void SetGridLineWidth(int value);
    TxGridOptions Options() const { return FOptions; }
    void SetOptions(TxGridOptions value);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle value);
    bool DefaultDrawing() const { return FDefaultDrawing; }
    void SetDefaultDrawing(bool value);
    bool EditorMode() const { return FEditorMode; }
    void SetEditorMode(bool value);
    int VisibleColCount() const;
    int VisibleRowCount() const;
    TGridState GridState() const { return FGridState; }
    int InplaceCol() const { return FInplaceCol; }
    int InplaceRow() const { return FInplaceRow; }
    int ColOffset() const { return FColOffset; }
    IGridInplaceEditor* InplaceEditor() const { return FInplaceEdit; }

    // --- Geometry ---
    TGridDrawInfo CalcDrawInfo() const;
    TGridDrawInfo CalcDrawInfoXY(int useWidth, int useHeight) const;
    TPixelRect CellRect(int ACol, int ARow) const;
    TPixelRect BoxRect(int ALeft, int ATop, int ARight, int ABottom) const;
    TPixelRect GridRectToScreenRect(const TGridRect& rect, bool includeLine) const;
    TGridCoord MouseCoord(int X, int Y) const;
    TGridCoord CalcCoordFromPoint(int X, int Y, const TGridDrawInfo& info) const;
    void MouseToCell(int X, int Y, int& ACol, int& ARow) const;
    TGridCoord CalcMaxTopLeft(const TGridCoord& coord, const TGridDrawInfo& info) const;
    virtual void CalcSizingState(int X, int Y, TGridState& state, int& index, int& sizingPos, int& sizingOfs,
                                 const TGridDrawInfo& fixedInfo) const;
    // The sizing state a point would start (for the cursor).
    TGridState SizingStateAt(int X, int Y) const;
    bool Sizing(int X, int Y) const { return SizingStateAt(X, Y) != gsNormal; }
    // The sizing or moving line while one is drawn (empty otherwise).
    TPixelRect SizingLineRect() const;
    TPixelRect MoveLineRect() const;
    bool SizingLineVisible() const { return FSizingLineVisible; }
    bool MoveLineVisible() const { return FMoveLineVisible; }
    int SizingIndex() const { return FSizingIndex; }
    int SizingPos() const { return FSizingPos; }
    int MovePos() const { return FMovePos; }
    // The horizontal and vertical scroll-bar positions the model wants.
    int ScrollBarPosition(TScrollBarKind bar) const;

    // --- Navigation and structure ---
    void MoveCurrent(int ACol, int ARow, bool moveAnchor, bool show);
    void MoveAnchor(const TGridCoord& newAnchor);
    void MoveTopLeft(int ALeft, int ATop);
    void FocusCell(int ACol, int ARow, bool moveAnchor);
    void ClampInView(const TGridCoord& coord);
    void MoveColumn(int fromIndex, int toIndex);
    void MoveRow(int fromIndex, int toIndex);
    virtual void DeleteColumn(int ACol);
    virtual void DeleteRow(int ARow);
    void ModifyScrollBar(TScrollBarKind bar, TScrollCode code, int pos);
    void UpdateScrollPos();
    void UpdateScrollRange();
    void InvalidateCell(int ACol, int ARow);
    void InvalidateRect(const TGridRect& rect);
    void InvalidateGrid();
    virtual void InvalidateEditor();

    // --- Editor ---
    void ShowEditor();
    void HideEditor();
    void ShowEditorChar(QChar ch);
    virtual void UpdateEdit();
    virtual void StoreEdit();
    void HideEdit();
    void UpdateText();
    virtual bool CanEditShow();
    virtual bool CanEditModify() { return FCanEditModify; }
    virtual bool CanEditAcceptKey(QChar) { return true; }
    virtual bool CanGridAcceptKey(int, TShiftState) { return true; }
    virtual QString GetEditText(int, int) { return QString(); }
    virtual void SetEditText(int, int, const QString&) {}
    virtual int GetEditLimit() { return 0; }
    bool IsActiveControl() const { return FHost.IsActiveControl(); }

    // --- Input (the widget translates its events into these) ---
    virtual void KeyDown(int& key, TShiftState shift);
    virtual void KeyPress(QChar& key);
    virtual void KeyUp(int& key, TShiftState shift);
    // A character typed while the grid itself has the focus.
    void CharTyped(QChar& ch);
    virtual void MouseDown(TMouseButton button, TShiftState shift, int X, int Y);
    virtual void MouseMove(TShiftState shift, int X, int Y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int X, int Y);
    // Wheel turned by `delta` (120 a notch); true when handled.
    bool MouseWheel(TShiftState shift, int delta, int X, int Y);
    virtual bool DoMouseWheelDown(TShiftState shift, int X, int Y);
    virtual bool DoMouseWheelUp(TShiftState shift, int X, int Y);
    // The auto-scroll timer ticked with the pointer at (X, Y).
    void TimerTick(int X, int Y);
    void CancelMode();
    // Focus: the grid's window got it (fromEditor: out of its own editor),
    // lost it (toEditor: into its own editor); the grid became or stopped
    // being the focused control of its window.
    void FocusIn(bool fromEditor);
    void FocusOut(bool toEditor);
    virtual void DoEnter();
    virtual void DoExit();
    // The client area changed size or was shown.
    void Resized();

    // Keys that arrive in the editor (selection and text length are the
    // editor's at the time); may change or clear the key.
    void EditorKeyDown(int& key, TShiftState shift, int selStart, int selEnd, int textLength);
    void EditorKeyPress(QChar& key, int selStart, int selEnd, int textLength);
    // The editor refused what was typed into its cell and has beeped; the
    // cell keeps its value.
    void EditorRefused(TEntryCheck why);

protected:
    virtual bool SelectCell(int, int) { return true; }
    virtual void DoSetData(int, int) {}
    virtual void EditRefused(int, int, TEntryCheck) {}
    virtual void ColumnMoved(int, int) {}
    virtual void RowMoved(int, int) {}
    virtual void SizeChanged(int, int) {}
    virtual void TopLeftChanged();
    virtual void ColWidthsChanged();
    virtual void RowHeightsChanged();
    virtual void TimedScroll(TGridScrollDirection direction);
    virtual IGridInplaceEditor* CreateEditor() { return FHost.CreateInplaceEditor(); }
    // Binds the editor to the current cell and loads it: the column's
    // format, the cell's text and edit limit, then everything selected.
    virtual void UpdateEditor();
    virtual bool BeginColumnDrag(int&, int&, int, int) { return true; }
    virtual bool BeginRowDrag(int&, int&, int, int) { return true; }
    virtual bool CheckColumnDrag(int&, int&, int, int) { return true; }
    virtual bool CheckRowDrag(int&, int&, int, int) { return true; }
    virtual bool EndColumnDrag(int&, int&, int, int) { return true; }
    virtual bool EndRowDrag(int&, int&, int, int) { return true; }
    // The platform's events, fired where the old framework fired them.
    virtual void DoKeyDownEvent(int&, TShiftState) {}
    virtual void DoKeyPressEvent(QChar&) {}
    virtual void DoKeyUpEvent(int&, TShiftState) {}
    virtual void DoMouseDownEvent(TMouseButton, TShiftState, int, int) {}
    virtual void DoMouseMoveEvent(TShiftState, int, int) {}
    virtual void DoMouseUpEvent(TMouseButton, TShiftState, int, int) {}
    virtual bool DoMouseWheelDownEvent(TShiftState, int, int) { return false; }
    virtual bool DoMouseWheelUpEvent(TShiftState, int, int) { return false; }
    virtual void DoEnterEvent() {}
    virtual void DoExitEvent() {}
    virtual void Click() {}
    virtual void DblClick() {}

    IGridHost& Host() const { return FHost; }
    // Forgets the editor without touching it (its owner destroys it).
    void ReleaseEditor() { FInplaceEdit = nullptr; }

private:
    void Initialize();
    void ChangeSize(int newColCount, int newRowCount);
    void ApplySize(const TGridDrawInfo* oldInfo, int oldColCount, int oldRowCount);
    void TopLeftMoved(const TGridCoord& oldTopLeft);
    void SelectionMoved(const TGridRect& oldSel);
    void ScrollData(int dx, int dy);
    void ModifyPixelScrollBar(TScrollCode code, int pos);
    void DrawSizingLine();
    void DrawMove();
    void MoveAndScroll(int mouse, int cellHit, TGridDrawInfo& info, bool columns, int X, int Y);
    int ResizeLine(const TGridAxisDrawInfo& axis) const;
    void CalcFixedAxis(TGridAxisDrawInfo& axis, bool columns) const;
    void CalcAxis(TGridAxisDrawInfo& axis, int extent) const;
    int EffectiveLineWidth(bool columns) const;
    void ClampIntoGrid();
    // Keeps the editor on the current cell: one bound to another cell is
    // stored and bound again where the rules allow; a shown one takes its
    // cell's rectangle as it is now. An editor that holds no cell stays hidden.
    void EditorFollows();

    IGridHost& FHost;
    TGridCoord FAnchor;
    int FColCount = 5;
    TGridExtents FColWidths;
    std::vector<QString> FColFormats;
    bool FFormatsExist = false;
    IGridInplaceEditor* FInplaceEdit = nullptr;
    TGridExtents FTabStops;
    TGridCoord FCurrent;
    int FDefaultColWidth = 64;
    String12 FDefaultColFormatStr = QStringLiteral("%S");
    int FDefaultRowHeight = 16;
    int FFixedCols = 1;
    int FFixedRows = 1;
    int FGridLineWidth = 1;
    TxGridOptions FOptions = xgoDefaultOptions;
    int FRowCount = 5;
    TGridExtents FRowHeights;
    TScrollStyle FScrollBars = ssBoth;
    TGridCoord FTopLeft;
    int FSizingIndex = -1;
    int FSizingPos = 0;
    int FSizingOfs = 0;
    int FMoveIndex = 0;
    int FMovePos = 0;
    int FColOffset = 0;
    bool FDefaultDrawing = true;
    bool FEditorMode = false;
    TGridState FGridState = gsNormal;
    bool FCanEditModify = true;
    int FInplaceCol = -1;
    int FInplaceRow = -1;
    bool FSizingLineVisible = false;
    bool FMoveLineVisible = false;
    bool FUpdatingScrollRange = false;
    int FWheelAccumulator = 0;
};
