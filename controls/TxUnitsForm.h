#pragma once

#include "TxConv.h"

#include <QDialog>
#include <QListWidget>
#include <QPoint>
#include <QRect>
#include <QSize>

class TNumField;

// Height of the pop-up for `count` units: (count + 0.5) item heights, halves
// to even (5 units of 13 pixels: 72).
int UnitsPopupHeight(int count, int itemHeight);
// Width for the widest label: 10 + the larger of 50 and that width.
int UnitsPopupWidth(int widestLabel);
// Top-left corner for a pop-up of `size` wanted at `topLeft`, moved so that
// it lies on `screen` (the screen's available area).
QPoint UnitsPopupPos(const QPoint& topLeft, const QSize& size, const QRect& screen);

// A pop-up list that Return and Escape ask to close.
class TClosingList : public QListWidget {
    Q_OBJECT
public:
    using QListWidget::QListWidget;

signals:
    void closeRequested();

protected:
    void keyPressEvent(QKeyEvent* e) override;
};

// The list of the pop-up: Return, Escape and any mouse press close it.
class TUnitsList : public TClosingList {
    Q_OBJECT
public:
    using TClosingList::TClosingList;

protected:
    void mousePressEvent(QMouseEvent* e) override;
};

// The units pop-up: a frameless list of the units of one quantity kind with
// the current unit highlighted. It closes on Return, Escape, a mouse press on
// the list or a click outside; there is no cancel: whatever unit is
// highlighted when it closes is the choice.
class TUnitsForm : public QDialog {
    Q_OBJECT
public:
    explicit TUnitsForm(QWidget* parent = nullptr);

    // Lists the kind's units with `current` highlighted and sizes the form.
    void FillUnitList(TUnitsType kind, int current);
    // Places the form with its top-left corner at `topLeft`, kept on the screen.
    void PlaceAt(const QPoint& topLeft);
    // The highlighted unit, -1 when none.
    int SelectedIndex() const;

    TUnitsList* ListBox1;

    // Shows a pop-up for `kind` at `topLeft` until it closes and returns the
    // chosen unit index; -1 (and no pop-up) for a kind without units.
    static int ChooseUnits(TUnitsType kind, int current, const QPoint& topLeft);
    // The same for a field: a chosen unit is written into its UnitsValue.
    // Returns whether a unit was chosen.
    static bool ChooseFieldUnits(TNumField& field, const QPoint& topLeft);

protected:
    void showEvent(QShowEvent* e) override;
};
