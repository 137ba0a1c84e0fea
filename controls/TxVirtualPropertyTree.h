#pragma once

#include "TxFmtEdit.h"
#include "TxPropertyFields.h"

#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QImage>
#include <QTreeWidget>

#include <functional>

class QToolButton;
class TVirtualPropertyTree;

// A row of the property tree: a category (top level) or a field (its child).
using PVirtualNode = QTreeWidgetItem*;

using TPropertyTreeEditedEvent = std::function<void(TVirtualPropertyTree* sender, PVirtualNode node, int column)>;
using TPropertyTreeNewTextEvent =
    std::function<void(TVirtualPropertyTree* sender, PVirtualNode node, int column, const QString& text)>;

// The colour editor asks through this for a colour, preset to `color`, and
// gets false when the user cancels. The default is the platform's colour
// dialog; tests answer it themselves.
using TChooseColorFunc = std::function<bool(QWidget* parent, QColor& color)>;
bool ChooseColor(QWidget* parent, QColor& color);
// Installs `func` (empty: the platform's dialog again).
void SetChooseColorFunc(TChooseColorFunc func);

class TScopedChooseColor {
public:
    explicit TScopedChooseColor(TChooseColorFunc func);
    ~TScopedChooseColor();
    TScopedChooseColor(const TScopedChooseColor&) = delete;
    TScopedChooseColor& operator=(const TScopedChooseColor&) = delete;
};

// The editors' button picture (index 1, 10 x 10) and its sibling (index 0),
// drawn once for the whole program.
QImage PropertyButtonGlyph(int index);
// The pictures a boolean value shows, taken from the first tree's style (null
// before there is a tree).
QImage PropertyCheckPicture(bool checked);

// ---------------------------------------------------------------------------
// The in-place editors. The tree owns, places, shows and hides them.

// The borderless numeric edit of integer, text and float fields, and the
// read-only edit inside the colour and dialog editors. Up and Down commit and
// move the tree to the next row; Escape reverts; Tab and Enter commit;
// losing the focus commits.
class TVTPropertyEdit : public TxCustomEdit, private IPropertyEditHost {
    Q_OBJECT
public:
    TVTPropertyEdit(TVirtualPropertyTree* tree, QWidget* parent);

    PVirtualNode Node() const { return FNode; }
    void SetNode(PVirtualNode node) { FNode = node; }
    // False while a commit or revert runs.
    bool Active() const { return FCommit.Active(); }

    void Commit();
    void Revert();

    bool WantsEscapeKey() const override { return true; }
    void KeyDown(int& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;
    void DoExit() override;

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    QString EditorText() const override;
    void SetEditorText(const QString& text) override;
    void CommitOwnEdit() override;
    QString StoredText() const override;
    void NewText(const QString& text) override;
    void FocusTree() override;

    TVirtualPropertyTree* FTree;
    PVirtualNode FNode = nullptr;
    TPropertyEditCommit FCommit;
    bool FExitCommit = false; // committing because the focus went elsewhere
};

// The drop-down of list fields; a choice comes only from the list and is
// stored at once.
class TVTPropertyCombo : public QComboBox {
    Q_OBJECT
public:
    TVTPropertyCombo(TVirtualPropertyTree* tree, QWidget* parent);

    PVirtualNode Node() const { return FNode; }
    void SetNode(PVirtualNode node) { FNode = node; }
    // Fills the list and shows `text` without storing anything.
    void Load(const QStringList& items, const QString& text);

protected:
    void resizeEvent(QResizeEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    void TextChanged();

    TVirtualPropertyTree* FTree;
    PVirtualNode FNode = nullptr;
    bool FLoading = false;
};

// The check box of boolean fields; a click stores the new state.
class TVTPropertyCheckbox : public QCheckBox {
    Q_OBJECT
public:
    TVTPropertyCheckbox(TVirtualPropertyTree* tree, QWidget* parent);

    PVirtualNode Node() const { return FNode; }
    void SetNode(PVirtualNode node) { FNode = node; }

protected:
    // A click anywhere on it toggles it, not only on the box.
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }

private:
    TVirtualPropertyTree* FTree;
    PVirtualNode FNode = nullptr;
};

// The colour of colour fields with a button that opens the colour dialog.
class TVTPropertyColor : public QWidget {
    Q_OBJECT
public:
    TVTPropertyColor(TVirtualPropertyTree* tree, QWidget* parent);

    PVirtualNode Node() const { return FEdit->Node(); }
    void SetNode(PVirtualNode node) { FEdit->SetNode(node); }
    int32_t Color() const { return FColor; }
    void SetColor(int32_t color);
    TVTPropertyEdit* Edit() const { return FEdit; }
    QToolButton* Button() const { return FButton; }

    // The button: the colour dialog; a confirmed colour is stored.
    void ButtonClick();

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    TVirtualPropertyTree* FTree;
    int32_t FColor = 0;
    TVTPropertyEdit* FEdit;
    QToolButton* FButton;
};

// The text and "..." button of fields with a button callback.
class TVTPropertyDialog : public QWidget {
    Q_OBJECT
public:
    TVTPropertyDialog(TVirtualPropertyTree* tree, QWidget* parent);

    PVirtualNode Node() const { return FEdit->Node(); }
    void SetNode(PVirtualNode node) { FEdit->SetNode(node); }
    TVTPropertyEdit* Edit() const { return FEdit; }
    QToolButton* Button() const { return FButton; }

    // The button: the field's callback; a value it accepts is stored.
    void ButtonClick();

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    TVirtualPropertyTree* FTree;
    TVTPropertyEdit* FEdit;
    QToolButton* FButton;
};

// ---------------------------------------------------------------------------

// A two-column property list: names in column 0, values in column 1. Fields
// point to their callers' variables and are listed under bold category rows;
// selecting a field row shows the editor its kind needs over its value, and a
// value accepted there is written to the variable and reported by OnEdited.
class TVirtualPropertyTree : public QTreeWidget {
    Q_OBJECT
public:
    explicit TVirtualPropertyTree(QWidget* parent = nullptr);
    ~TVirtualPropertyTree() override;

    // Fields. Rebuild after the last field of a batch.
    TTreeField* AddField(const QString& category, const QString& caption, void* data);
    TTreeField* AddListField(const QString& category, const QString& caption, int32_t value, const QStringList& items,
                             void* data);
    TPropertyFieldList& FieldList() { return FFields; }
    const TCategories& Categories() const { return FFields.Categories(); }
    // Categories and rows from the field list, every category expanded, no
    // row selected and no editor shown.
    void Rebuild();
    // The field of a field row; nullptr for a category row.
    TTreeField* GetNodeField(PVirtualNode node) const;
    QString FieldValueToText(const TTreeField* field) const;
    // Stores a value (see StoreFieldValue) and fires OnEdited; true.
    bool SetFieldValue(PVirtualNode node, const QString& text);
    // Hides every editor and shows the one the node's field needs.
    void ShowFieldEditor(PVirtualNode node);
    // SetFieldValue, then OnNewText.
    void DoNewText(PVirtualNode node, int column, const QString& text);
    // The text of a cell: a category's name, a field's caption and value.
    QString DoGetText(PVirtualNode node, int column) const;

    // Removes every row (the fields stay) and hides the editors.
    void Clear();
    void FullExpand();
    void FullCollapse();

    const TPropertyTreeOptions& PropertyTreeOptions() const { return FOptions; }
    void SetPropertyTreeOptions(const TPropertyTreeOptions& options) { FOptions.Assign(options); }

    // Appearance.
    QColor Color() const { return FColor; }
    void SetColor(const QColor& color);
    QColor GridLineColor() const { return FGridLineColor; }
    void SetGridLineColor(const QColor& color);
    int DefaultNodeHeight() const { return FNodeHeight; }
    void SetDefaultNodeHeight(int height);
    int Margin() const { return FMargin; }
    void SetMargin(int margin);
    int TextMargin() const { return FTextMargin; }
    void SetTextMargin(int margin);

    // The whole cell of (node, column) in viewport coordinates; empty when
    // the row is not shown.
    QRect GetDisplayRect(PVirtualNode node, int column) const;
    // What a point of the viewport hits, and the row there.
    TPropertyHit HitPosition(const QPoint& pos, PVirtualNode* node = nullptr) const;
    PVirtualNode FocusedNode() const { return currentItem(); }

    TVTPropertyEdit* PropertyEdit() const { return FEdit; }
    TVTPropertyCombo* PropertyCombo() const { return FCombo; }
    TVTPropertyCheckbox* PropertyCheckbox() const { return FCheckbox; }
    TVTPropertyColor* PropertyColor() const { return FColorEditor; }
    TVTPropertyDialog* PropertyDialog() const { return FDialog; }

    TPropertyTreeEditedEvent OnEdited;
    TPropertyTreeNewTextEvent OnNewText;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;

private:
    friend class TVTPropertyEdit;
    friend class TVTPropertyCombo;
    friend class TVTPropertyColor;
    friend class TVTPropertyDialog;
    friend class TPropertyTreeDelegate;

    enum TEditorFlag : unsigned { efEdit = 1, efCombo = 2, efCheckbox = 4, efColor = 8, efDialog = 16 };

    void HideEditors();
    // Places the shown editors over their node's value cell; an editor whose
    // row is collapsed away waits hidden.
    void PlaceEditors();
    void PlaceEditor(QWidget* editor, TPropertyEditorKind kind, PVirtualNode node);
    void SelectionChanged();
    // The tree's own handling of Up or Down.
    void Navigate(int key);
    bool IsCategory(PVirtualNode node) const { return node && !node->parent(); }
    void PaintCell(QPainter* painter, const QRect& cell, PVirtualNode node, int column, bool selected) const;
    void PaintNodeButton(QPainter* painter, const QPoint& at, bool expanded) const;
    int CellTextWidth(PVirtualNode node, int column) const;
    int CategoryIndex(PVirtualNode node) const;

    TVTPropertyEdit* FEdit;
    TVTPropertyCombo* FCombo;
    TVTPropertyCheckbox* FCheckbox;
    TVTPropertyColor* FColorEditor;
    TVTPropertyDialog* FDialog;
    TPropertyFieldList FFields;
    TPropertyTreeOptions FOptions;
    unsigned FShown = 0; // TEditorFlag of the editors shown for the selection
    PVirtualNode FEditNode = nullptr;
    QColor FColor;
    QColor FGridLineColor;
    int FNodeHeight = 18;
    int FMargin = 4;
    int FTextMargin = 4;
    unsigned FGeneration = 0; // counts Clear and Rebuild: nodes of older ones are gone
};
