#pragma once

#include "TxGridModel.h"

#include <QLineEdit>

#include <optional>

class TxCustomGrid;

// The borderless edit a grid lays over its current cell. It passes
// navigation keys, the wheel, double clicks and key releases on to its grid,
// asks the grid whether the text may change, and is shown, placed and hidden
// by the grid only.
//
// It carries the part of the numeric edit that a cell editor uses: the
// format decides which characters are typed (digits for "%d", a number for
// "%0.1f", anything for "%S"), and storing validates and formats the text,
// setting a value outside RangeLo..RangeHi to its bound with a beep.
class TxInplaceEdit : public QLineEdit, public IGridInplaceEditor {
    Q_OBJECT
public:
    explicit TxInplaceEdit(TxCustomGrid* grid);
    ~TxInplaceEdit() override;

    TxCustomGrid* Grid() const { return FGrid; }

    void Move(const TPixelRect& loc) override;
    void UpdateLoc(const TPixelRect& loc) override;
    void Hide() override;
    bool Visible() const override;
    QString Text() const override;
    void SetText(const QString& text) override;
    int MaxLength() const override { return FMaxLength; }
    void SetMaxLength(int length) override;
    void SetFormatStr(const QString& format) override { FFormatStr = format; }
    void ValidateEdit() override;
    void DoEnter() override;
    void SelectAll() override;
    void Deselect() override;
    void TypeChar(QChar ch) override;

    QString FormatStr() const { return FFormatStr; }
    double RangeLo() const { return FRangeLo; }
    void SetRangeLo(double value) { FRangeLo = value; }
    double RangeHi() const { return FRangeHi; }
    void SetRangeHi(double value) { FRangeHi = value; }
    bool Modified() const { return FModified; }
    void SetModified(bool value) { FModified = value; }
    // Back to the text the editor had when it was loaded.
    void Reset();
    // Formats the text; false when a number had to be set to a bound.
    bool Validate(const QString& text);
    // The grid decides whether its cell may change.
    bool EditCanModify() const;
    // Repaints the editor and the grid under it.
    void Invalidate();
    // The time (monotonic, ms) of the grid click that opened the editor.
    void SetClickTime(qint64 ms) { FClickTime = ms; }

    // Only the grid shows and hides the editor.
    void setVisible(bool visible) override;

protected:
    virtual void BoundsChanged();

    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
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
    void KeyDown(int& key, TShiftState shift);
    void KeyPress(QChar& ch);
    // The numeric edit's own handling of a key and a character.
    void EditKeyDown(int& key);
    void EditKeyPress(QChar& ch);
    bool AcceptsChar(QChar ch) const;
    bool CheckRange(double& x) const;
    void Selection(int& start, int& end) const;
    void InternalMove(const TPixelRect& loc, bool redraw);
    void SetShown(bool shown);
    void ApplyMaxLength();

    TxCustomGrid* FGrid;
    QString FFormatStr = QStringLiteral("%S");
    double FRangeLo = 0.0;
    double FRangeHi = 0.0;
    bool FModified = false;
    QString FOldValue;
    int FMaxLength = 0;
    std::optional<qint64> FClickTime;
    bool FShowing = false;
};
