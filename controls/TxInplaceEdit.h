#pragma once

#include "TxFmtEdit.h"
#include "TxGridModel.h"

#include <QElapsedTimer>

class TxCustomGrid;

// The borderless numeric edit a grid lays over its current cell. The grid
// gives it the column's format before it loads a cell and again before it
// stores it, so the typed characters, the validation, the range and the
// formatting are the numeric edit's own; with the default "%S" the text stays
// as typed. It passes navigation keys, the wheel, double clicks and key
// releases on to its grid, asks the grid whether the text may change, and is
// shown, placed and hidden by the grid only.
class TxInplaceEdit : public TxCustomEdit, public IGridInplaceEditor {
    Q_OBJECT
public:
    explicit TxInplaceEdit(TxCustomGrid* grid);
    ~TxInplaceEdit() override;

    TxCustomGrid* Grid() const { return FGrid; }

    // What the grid asks of its editor.
    void Move(const TPixelRect& loc) override;
    void UpdateLoc(const TPixelRect& loc) override;
    void Hide() override;
    bool Visible() const override;
    QString Text() const override;
    void SetText(const QString& text) override;
    int MaxLength() const override { return FMaxLength; }
    void SetMaxLength(int length) override;
    void SetFormatStr(const QString& format) override;
    void ValidateEdit() override;
    // A refused text is the grid's to report.
    void ValidateError() override;
    void DoEnter() override;
    void SelectAll() override;
    void Deselect() override;
    void TypeChar(QChar ch) override;

    // The grid decides whether its cell may change.
    bool EditCanModify() override;
    // Escape is the grid's while it edits, never the window's.
    bool WantsEscapeKey() const override;
    void KeyDown(int& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;
    void KeyUp(int& key, TShiftState shift) override;

    // Repaints the editor and the grid under it.
    void Invalidate();
    // The grid was clicked (which may have opened the editor): a quick
    // second click in the editor makes a double click.
    void ClickedOpen() { FClick.start(); }

    // Only the grid shows and hides the editor.
    void setVisible(bool visible) override;

protected:
    virtual void BoundsChanged();

    void SetEditText(const QString& text) override;
    void KeepFocus() override;

    bool event(QEvent* e) override;
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;

private:
    void Selection(int& start, int& end) const;
    void InternalMove(const TPixelRect& loc, bool redraw);
    void SetShown(bool shown);
    void ApplyMaxLength(qsizetype textLength);
    // Runs the edit's own handling of the user's input; when it changed the
    // text, the grid follows once at the end.
    template <class F>
    void UserEdit(F&& work);
    void FeedGrid();

    TxCustomGrid* FGrid;
    int FMaxLength = 0;
    QElapsedTimer FClick;
    bool FShowing = false;
    int FUserEdits = 0;
};
