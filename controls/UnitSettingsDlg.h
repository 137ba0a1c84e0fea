#pragma once

#include "TxKeys.h"
#include "TxVirtualPropertyTree.h"

#include <QDialog>
#include <QIcon>

#include <array>

class QToolBar;
class QToolButton;

// The "Settings" window in which the user picks the display unit of each of
// the program's display quantities, grouped under "Air" and "Size", or sets
// them all at once to the metric or imperial defaults. A pick takes effect on
// the display quantity at once; there is no cancel. The window keeps its
// placement in the program's INI file. The main window shows it with exec()
// and then applies the units.
class TUnitSettingsForm : public QDialog {
    Q_OBJECT
public:
    explicit TUnitSettingsForm(QWidget* parent = nullptr);
    ~TUnitSettingsForm() override;

    QToolBar* ToolBar1;
    QToolButton* AcceptBtn;
    QToolButton* MetricBtn;
    QToolButton* ImperialBtn;
    std::array<QIcon, 4> ImageList1; // close, units, expand, collapse
    TVirtualPropertyTree* UnitsTree;
    QToolButton* ExpandAllBtn;
    QToolButton* CollapseAllBtn;
    QWidget* ToolButton3; // separators
    QWidget* ToolButton4;

    // Event handlers.
    // Restores the saved placement.
    void FormCreate();
    // The first activation lists the display quantities.
    void FormActivate();
    // Saves the placement.
    void FormDeactivate();
    void FormKeyDown(int& key, TShiftState shift);
    void AcceptBtnClick();
    void MetricBtnClick();
    void ImperialBtnClick();
    void ExpandAllBtnClick();
    void CollapseAllBtnClick();
    // A unit picked in the tree goes to its display quantity at once.
    void UnitsTreeEdited(TVirtualPropertyTree* sender, PVirtualNode node, int column);

    // Every row shows its display quantity's unit again.
    void RefreshUnitFields();

protected:
    void changeEvent(QEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QToolButton* AddButton(const QString& name, const QString& caption, int picture);
    QWidget* AddSeparator(const QString& name);

    bool FNotFilled = true; // the tree waits for the first activation
    bool FActive = false;
};
