#pragma once

// The grid widgets: TxCustomGrid paints and feeds a TGridModel, TxDrawGrid
// turns its hooks into events, TxStringGrid keeps a text per cell.

#include "TxGridCells.h"
#include "TxGridModel.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QColor>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>

class QPainter;
class TxInplaceEdit;

enum TGridBorderStyle : unsigned char { bsNone, bsSingle };

QRect ToQRect(const TPixelRect& r);

using TGridNotifyEvent = std::function<void(QObject* Sender)>;
using TGridKeyEvent = std::function<void(QObject* Sender, int& Key, TShiftState Shift)>;
using TGridKeyPressEvent = std::function<void(QObject* Sender, QChar& Key)>;
using TGridMouseEvent = std::function<void(QObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TGridMouseMoveEvent = std::function<void(QObject* Sender, TShiftState Shift, int X, int Y)>;
using TGridMouseWheelUpDownEvent = std::function<void(QObject* Sender, TShiftState Shift, int X, int Y, bool& Handled)>;

class TxCustomGrid : public QAbstractScrollArea, protected IGridHost, public TGridModel {
    Q_OBJECT
public:
    explicit TxCustomGrid(QWidget* parent = nullptr);
    ~TxCustomGrid() override;

    // Background of the scrolling cells (the window colour at first).
    QColor Color() const { return FColor; }
    void SetColor(const QColor& value);
    QColor FixedColor() const { return FFixedColor; }
    void SetFixedColor(const QColor& value);
    TGridBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TGridBorderStyle value);
    // The painter while a cell is drawn (null otherwise); its brush and pen
    // hold the cell's colours.
    QPainter* Canvas() const { return FCanvas; }
    TxInplaceEdit* InplaceEdit() const;
    // The grid, or its editor, is the focused control of its window.
    bool IsActiveControl() const override;

    TGridNotifyEvent OnClick;
    TGridNotifyEvent OnDblClick;
    TGridNotifyEvent OnEnter;
    TGridNotifyEvent OnExit;
    TGridKeyEvent OnKeyDown;
    TGridKeyPressEvent OnKeyPress;
    TGridKeyEvent OnKeyUp;
    TGridMouseEvent OnMouseDown;
    TGridMouseMoveEvent OnMouseMove;
    TGridMouseEvent OnMouseUp;
    TGridMouseWheelUpDownEvent OnMouseWheelDown;
    TGridMouseWheelUpDownEvent OnMouseWheelUp;
    TGridNotifyEvent OnColWidthsChanged;

protected:
    virtual void DrawCell(int ACol, int ARow, const TPixelRect& ARect, TxGridDrawState AState) = 0;

    // The model's hooks.
    void ColWidthsChanged() override;
    void DoKeyDownEvent(int& key, TShiftState shift) override;
    void DoKeyPressEvent(QChar& key) override;
    void DoKeyUpEvent(int& key, TShiftState shift) override;
    void DoMouseDownEvent(TMouseButton button, TShiftState shift, int X, int Y) override;
    void DoMouseMoveEvent(TShiftState shift, int X, int Y) override;
    void DoMouseUpEvent(TMouseButton button, TShiftState shift, int X, int Y) override;
    bool DoMouseWheelDownEvent(TShiftState shift, int X, int Y) override;
    bool DoMouseWheelUpEvent(TShiftState shift, int X, int Y) override;
    void DoEnterEvent() override;
    void DoExitEvent() override;
    void Click() override;
    void DblClick() override;

    // The window.
    bool HandleAllocated() const override;
    bool Showing() const override;
    int ClientWidth() const override;
    int ClientHeight() const override;
    void InvalidatePixels(const TPixelRect& r) override;
    void InvalidateAll() override;
    void UpdatePending() override;
    void ScrollPixels(int dx, int dy, const TPixelRect& area) override;
    void SetScrollRange(TScrollBarKind bar, int max) override;
    int ScrollRangeMax(TScrollBarKind bar) const override;
    void SetScrollPos(TScrollBarKind bar, int pos) override;
    int ScrollPos(TScrollBarKind bar) const override;
    int ScrollBarThickness(TScrollBarKind bar) const override;
    void ScrollBarsChanged() override;
    int TextWidthOfZero() const override;
    bool CanFocus() const override;
    bool Focused() const override;
    void SetFocus() override;
    void ReleaseCapture() override;
    void StartTimer() override;
    void StopTimer() override;
    IGridInplaceEditor* CreateInplaceEditor() override;

    // Qt events.
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void changeEvent(QEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    friend class TxInplaceEdit;
    // Focus moving into or out of the editor, seen from the grid.
    void EditorFocusIn();
    void EditorFocusOut(QFocusEvent* e);
    void LeaveOnExit(QFocusEvent* e);
    bool WantsKey(const QKeyEvent& e) const;
    void ScrollBarAction(TScrollBarKind bar, int action);
    void UpdateCursor(int X, int Y);
    void DrawLines(QPainter& painter, const TGridDrawInfo& info, bool horzLines, bool vertLines, int startCol,
                   int startRow, const TPixelRect& bounds, const QColor& onColor, const QColor& offColor);
    void DrawCells(QPainter& painter, const TGridDrawInfo& info, int startCol, int startRow, int originX, int originY,
                   int stopX, int stopY, const QColor& color, TxGridDrawState areaState, const QRect& dirty);
    void PaintCell(QPainter& painter, const TGridDrawInfo& info, int ACol, int ARow, const TPixelRect& where,
                   const QColor& color, TxGridDrawState areaState);

    QColor FColor;
    QColor FFixedColor;
    TGridBorderStyle FBorderStyle = bsSingle;
    QPainter* FCanvas = nullptr;
    QBasicTimer FTimer;
    bool FEntered = false;
    bool FFocusFromEditor = false;
};

using TDrawCellEvent =
    std::function<void(QObject* Sender, int ACol, int ARow, const TPixelRect& Rect, TxGridDrawState State)>;
using TSelectCellEvent = std::function<void(QObject* Sender, int ACol, int ARow, bool& CanSelect)>;
using TCanEditShowEvent = std::function<void(QObject* Sender, int ACol, int ARow, bool& CanEditShow)>;
using TDoSetDataEvent = std::function<void(QObject* Sender, int ACol, int ARow)>;
// A text typed into a cell was refused (the grid has beeped); the cell keeps
// its value.
using TEditRefusedEvent = std::function<void(QObject* Sender, int ACol, int ARow, TEntryCheck Why)>;
using TGetEditEvent = std::function<void(QObject* Sender, int ACol, int ARow, QString& Value)>;
using TSetEditEvent = std::function<void(QObject* Sender, int ACol, int ARow, const QString& Value)>;
using TMovedEvent = std::function<void(QObject* Sender, int FromIndex, int ToIndex)>;

// The grid for windows: the hooks of TxCustomGrid as events.
class TxDrawGrid : public TxCustomGrid {
    Q_OBJECT
public:
    explicit TxDrawGrid(QWidget* parent = nullptr);

    bool CanEditShow() override;

    TDrawCellEvent OnDrawCell;
    TSelectCellEvent OnSelectCell;
    TCanEditShowEvent OnCanEditShow;
    TDoSetDataEvent OnDoSetData;
    // Fired as the edit is stored, before the cell's OnDoSetData.
    TEditRefusedEvent OnEditRefused;
    TGetEditEvent OnGetEditText;
    TSetEditEvent OnSetEditText;
    TMovedEvent OnColumnMoved;
    TMovedEvent OnRowMoved;
    TGridNotifyEvent OnTopLeftChanged;

protected:
    void DrawCell(int ACol, int ARow, const TPixelRect& ARect, TxGridDrawState AState) override;
    bool SelectCell(int ACol, int ARow) override;
    void DoSetData(int ACol, int ARow) override;
    void EditRefused(int ACol, int ARow, TEntryCheck why) override;
    QString GetEditText(int ACol, int ARow) override;
    void SetEditText(int ACol, int ARow, const QString& value) override;
    void ColumnMoved(int fromIndex, int toIndex) override;
    void RowMoved(int fromIndex, int toIndex) override;
    void TopLeftChanged() override;
};

class TxStringGrid;

// One row or one column of a string grid seen as a list of texts.
class TStringGridStrings {
public:
    // Index code: row r is r + 1, column c is -(c + 1), 0 is no line.
    TStringGridStrings(TxStringGrid& grid, int index) : FGrid(grid), FIndex(index) {}

    int Count() const;
    QString Get(int index) const;
    void Put(int index, const QString& text);
    void* GetObject(int index) const;
    void PutObject(int index, void* object);
    // Writes the text into the first empty item and answers its index; -1
    // (and the text is dropped) when there is none.
    int Add(const QString& text);
    void Clear();
    // Items from 0 on take the list's texts (and no objects); what does not
    // fit is dropped.
    void Assign(const QStringList& source);
    void Assign(const TStringGridStrings& source);
    // A grid's lines cannot be inserted or deleted through a view.
    void Insert(int index, const QString& text);
    void Delete(int index);
    void BeginUpdate();
    void EndUpdate();
    QString CommaText() const;
    void SetCommaText(const QString& text);
    QStringList ToStringList() const;

private:
    TxStringGrid& FGrid;
    int FIndex;
    int FUpdateCount = 0;
};

// A grid with a text and an object pointer per cell, stored sparsely.
class TxStringGrid : public TxDrawGrid {
    Q_OBJECT
public:
    explicit TxStringGrid(QWidget* parent = nullptr);
    ~TxStringGrid() override;

    QString Cells(int ACol, int ARow) const;
    void SetCells(int ACol, int ARow, const QString& value);
    // Not owned by the grid.
    void* Objects(int ACol, int ARow) const;
    void SetObjects(int ACol, int ARow, void* value);
    // Views owned by the grid and valid for its life.
    TStringGridStrings* Rows(int ARow);
    TStringGridStrings* Cols(int ACol);
    // Stored items of a row: its highest stored column + 1.
    int RowItemCount(int ARow) const;
    // Show the selection also while the grid is not the active control.
    bool AlwaysShowCell() const { return FAlwaysShowCell; }
    void SetAlwaysShowCell(bool value);

    void DeleteRow(int ARow) override;

protected:
    void DrawCell(int ACol, int ARow, const TPixelRect& ARect, TxGridDrawState AState) override;
    QString GetEditText(int ACol, int ARow) override;
    void SetEditText(int ACol, int ARow, const QString& value) override;
    void ColumnMoved(int fromIndex, int toIndex) override;
    void RowMoved(int fromIndex, int toIndex) override;
    void SizeChanged(int oldColCount, int oldRowCount) override;

private:
    friend class TStringGridStrings;
    void SetUpdateState(bool updating);
    void CellChanged(int ACol, int ARow);
    void DrawCellText(QPainter& painter, const TPixelRect& rect, const QString& text) const;

    TSparseList<TStringSparseList> FData;
    std::map<int, std::unique_ptr<TStringGridStrings>> FRows;
    std::map<int, std::unique_ptr<TStringGridStrings>> FCols;
    bool FUpdating = false;
    bool FNeedsUpdating = false;
    int FEditUpdate = 0;
    bool FAlwaysShowCell = false;
};
