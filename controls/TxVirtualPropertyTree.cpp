#include "TxVirtualPropertyTree.h"

#include "TxEventGuard.h"
#include "TxKeyNavigate.h"

#include <QApplication>
#include <QColorDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QWheelEvent>

#include <algorithm>
#include <array>

namespace {

TChooseColorFunc& ColorFunc()
{
    static TChooseColorFunc func;
    return func;
}

QColor ToQColor(int32_t color)
{
    const auto c = static_cast<uint32_t>(color);
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

int32_t FromQColor(const QColor& color)
{
    return static_cast<int32_t>(static_cast<uint32_t>(color.red()) | (static_cast<uint32_t>(color.green()) << 8) |
                                (static_cast<uint32_t>(color.blue()) << 16));
}

// The check box pictures the tree draws for boolean values, taken from the
// style of the first tree.
struct TCheckPictures {
    QImage Unchecked;
    QImage Checked;
};

TCheckPictures& CheckPictures()
{
    static TCheckPictures pictures;
    return pictures;
}

void TakeCheckPictures(const QWidget* tree)
{
    TCheckPictures& p = CheckPictures();
    if (!p.Checked.isNull())
        return;
    for (const bool checked : {false, true}) {
        QImage image(13, 13, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        QStyleOptionButton option;
        option.rect = image.rect();
        option.state = QStyle::State_Enabled | (checked ? QStyle::State_On : QStyle::State_Off);
        option.palette = tree->palette();
        tree->style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &painter, tree);
        painter.end();
        (checked ? p.Checked : p.Unchecked) = image;
    }
}

// System colours of the old platform.
QColor WindowColor()
{
    return QApplication::palette().color(QPalette::Base);
}

QColor HighlightColor()
{
    return QApplication::palette().color(QPalette::Highlight);
}

constexpr int kStripWidth = 15; // the column of expand buttons at the left

} // namespace

QImage PropertyCheckPicture(bool checked)
{
    return checked ? CheckPictures().Checked : CheckPictures().Unchecked;
}

bool ChooseColor(QWidget* parent, QColor& color)
{
    if (ColorFunc())
        return ColorFunc()(parent, color);
    const QColor chosen = QColorDialog::getColor(color, parent);
    if (!chosen.isValid())
        return false;
    color = chosen;
    return true;
}

void SetChooseColorFunc(TChooseColorFunc func)
{
    ColorFunc() = std::move(func);
}

TScopedChooseColor::TScopedChooseColor(TChooseColorFunc func)
{
    SetChooseColorFunc(std::move(func));
}

TScopedChooseColor::~TScopedChooseColor()
{
    SetChooseColorFunc(nullptr);
}

QImage PropertyButtonGlyph(int index)
{
    static std::array<QImage, 2> glyphs;
    index = std::clamp(index, 0, 1);
    QImage& glyph = glyphs[static_cast<size_t>(index)];
    if (glyph.isNull()) {
        glyph = QImage(10, 10, QImage::Format_ARGB32_Premultiplied);
        glyph.fill(Qt::transparent);
        QPainter p(&glyph);
        if (index == 0) {
            // A drop-down arrow.
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::black);
            const QPoint arrow[3] = {QPoint(1, 3), QPoint(9, 3), QPoint(5, 7)};
            p.drawPolygon(arrow, 3);
        } else {
            // Three dots.
            for (const int x : {1, 4, 7})
                p.fillRect(x, 6, 2, 2, Qt::black);
        }
    }
    return glyph;
}

// ---------------------------------------------------------------------------
// Row sizes; the tree paints its rows itself.

class TPropertyTreeDelegate : public QStyledItemDelegate {
public:
    explicit TPropertyTreeDelegate(TVirtualPropertyTree* tree) : QStyledItemDelegate(tree), FTree(tree) {}

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const override
    {
        return QSize(FTree->CellTextWidth(FTree->itemFromIndex(index), index.column()), FTree->FNodeHeight);
    }

private:
    TVirtualPropertyTree* FTree;
};

// ---------------------------------------------------------------------------
// TVTPropertyEdit

TVTPropertyEdit::TVTPropertyEdit(TVirtualPropertyTree* tree, QWidget* parent) : TxCustomEdit(parent), FTree(tree)
{
    // Dialog key navigation leaves Enter, Up and Down to the editor.
    setProperty(InplaceEditorProperty, true);
    setFrame(false);
    setFocusPolicy(Qt::ClickFocus);
    setFont(tree->font());
    hide();
}

void TVTPropertyEdit::Commit()
{
    if (!FTree->GetNodeField(FNode)) {
        CommitEdit();
        return;
    }
    FCommit.Commit(*this);
}

void TVTPropertyEdit::Revert()
{
    FCommit.Revert(*this);
}

void TVTPropertyEdit::KeyDown(int& key, TShiftState shift)
{
    switch (PropertyEditKeyAction(key)) {
    case TPropertyEditKey::CommitAndMove: {
        const int move = key;
        key = VK_NONE;
        Commit();
        FTree->Navigate(move);
        return;
    }
    case TPropertyEditKey::Revert:
        key = VK_NONE;
        Revert();
        return;
    case TPropertyEditKey::Commit:
        key = VK_NONE;
        Commit();
        return;
    case TPropertyEditKey::Normal:
        TxCustomEdit::KeyDown(key, shift);
        return;
    }
}

void TVTPropertyEdit::KeyPress(QChar& key)
{
    // The characters of the keys the key-down phase handled: Escape would
    // reset, Tab would be typed (or refused with a beep).
    if (key == QChar(27) || key == QChar(9) || key == QChar(13)) {
        key = QChar();
        return;
    }
    TxCustomEdit::KeyPress(key);
}

void TVTPropertyEdit::DoExit()
{
    TxCustomEdit::DoExit();
    if (!Active() || !FTree->GetNodeField(FNode))
        return;
    // The user moved on: the commit leaves the focus where it went, unless
    // that is the tree or nowhere.
    const QWidget* focus = QApplication::focusWidget();
    FExitCommit = focus && focus != FTree && !FTree->isAncestorOf(focus);
    // Runs inside the platform's focus change: nothing may leave it.
    Guarded([this] { Commit(); });
    FExitCommit = false;
}

bool TVTPropertyEdit::event(QEvent* e)
{
    // Tab is the editor's, not the window's focus chain.
    if (e->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(e);
        const bool tab = VirtualKeyOf(*ke) == VK_TAB;
        if (tab && !(ShiftStateOf(ke->modifiers()) & (ssCtrl | ssAlt))) {
            keyPressEvent(ke);
            return true;
        }
    }
    return TxCustomEdit::event(e);
}

void TVTPropertyEdit::keyPressEvent(QKeyEvent* e)
{
    Guarded([&] { TxCustomEdit::keyPressEvent(e); });
}

QString TVTPropertyEdit::EditorText() const
{
    return text();
}

void TVTPropertyEdit::SetEditorText(const QString& text)
{
    setText(text);
}

void TVTPropertyEdit::CommitOwnEdit()
{
    CommitEdit();
}

QString TVTPropertyEdit::StoredText() const
{
    return FTree->FieldValueToText(FTree->GetNodeField(FNode));
}

void TVTPropertyEdit::NewText(const QString& text)
{
    FTree->DoNewText(FNode, 1, text);
}

void TVTPropertyEdit::FocusTree()
{
    if (FExitCommit)
        return;
    FTree->setFocus(Qt::OtherFocusReason);
}

// ---------------------------------------------------------------------------
// TVTPropertyCombo

TVTPropertyCombo::TVTPropertyCombo(TVirtualPropertyTree* tree, QWidget* parent) : QComboBox(parent), FTree(tree)
{
    setProperty(InplaceEditorProperty, true);
    setEditable(false); // a choice comes only from the list
    // The wheel over it scrolls the tree; it picks only once the list has the focus.
    setFocusPolicy(Qt::StrongFocus);
    setFont(tree->font());
    hide();
    connect(this, &QComboBox::currentIndexChanged, this, [this] { Guarded([this] { TextChanged(); }); });
}

void TVTPropertyCombo::Load(const QStringList& items, const QString& text)
{
    FLoading = true;
    clear();
    addItems(items);
    setCurrentIndex(static_cast<int>(items.indexOf(text)));
    FLoading = false;
}

void TVTPropertyCombo::TextChanged()
{
    if (FLoading)
        return;
    const TTreeField* field = FTree->GetNodeField(FNode);
    if (!field)
        return;
    const QString text = currentText();
    if (text == FTree->FieldValueToText(field))
        return;
    FTree->DoNewText(FNode, 1, text);
    // OnEdited may have rebuilt the tree.
    field = FTree->GetNodeField(FNode);
    if (!field)
        return;
    FLoading = true;
    setCurrentIndex(findText(FTree->FieldValueToText(field), Qt::MatchExactly | Qt::MatchCaseSensitive));
    FLoading = false;
}

void TVTPropertyCombo::resizeEvent(QResizeEvent* e)
{
    QComboBox::resizeEvent(e);
    // Only the inside shows over the cell, not the frame.
    setMask(QRegion(ComboVisibleRect(size())));
}

void TVTPropertyCombo::wheelEvent(QWheelEvent* e)
{
    if (hasFocus())
        QComboBox::wheelEvent(e);
    else
        e->ignore();
}

// ---------------------------------------------------------------------------
// TVTPropertyCheckbox

TVTPropertyCheckbox::TVTPropertyCheckbox(TVirtualPropertyTree* tree, QWidget* parent) : QCheckBox(parent), FTree(tree)
{
    setProperty(InplaceEditorProperty, true);
    setFocusPolicy(Qt::ClickFocus);
    hide();
    connect(this, &QCheckBox::clicked, this, [this] {
        Guarded([this] {
            FTree->SetFieldValue(FNode, text());
            setText(QString());
        });
    });
}

namespace {

// The colour and dialog editors: a read-only text with a "..." button, over
// the whole value cell.
void SetUpButtonEditor(QWidget* editor, TVTPropertyEdit* edit, QToolButton* button)
{
    editor->setProperty(InplaceEditorProperty, true);
    edit->SetFormatStr(QStringLiteral("%S"));
    edit->setReadOnly(true);
    edit->show();
    editor->setAutoFillBackground(true); // nothing of the cell shows through
    editor->setBackgroundRole(QPalette::Base);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setIcon(QIcon(QPixmap::fromImage(PropertyButtonGlyph(1))));
    button->setIconSize(QSize(10, 10));
    editor->hide();
}

} // namespace

// ---------------------------------------------------------------------------
// TVTPropertyColor

TVTPropertyColor::TVTPropertyColor(TVirtualPropertyTree* tree, QWidget* parent)
    : QWidget(parent), FTree(tree), FEdit(new TVTPropertyEdit(tree, this)), FButton(new QToolButton(this))
{
    SetUpButtonEditor(this, FEdit, FButton);
    connect(FButton, &QToolButton::clicked, this, [this] { Guarded([this] { ButtonClick(); }); });
}

void TVTPropertyColor::SetColor(int32_t color)
{
    FColor = color;
    update();
}

void TVTPropertyColor::ButtonClick()
{
    QColor color = ToQColor(FColor);
    if (!ChooseColor(this, color))
        return;
    FColor = FromQColor(color);
    FEdit->setText(ColorToText(FColor));
    FEdit->Commit();
    update();
}

void TVTPropertyColor::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int h = height();
    p.setPen(FTree->GridLineColor());
    p.drawLine(0, 0, width() - 1, 0);
    p.drawLine(0, h - 1, width() - 1, h - 1);
    // The swatch: (1, 2) to (13, H - 2), framed in black.
    const QRect swatch(1, 2, 12, h - 4);
    p.fillRect(swatch, ToQColor(FColor));
    p.setPen(Qt::black);
    p.drawRect(swatch.adjusted(0, 0, -1, -1));
}

void TVTPropertyColor::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    FEdit->setGeometry(ColorEditRect(size()));
    FButton->setGeometry(EditorButtonRect(size()));
}

// ---------------------------------------------------------------------------
// TVTPropertyDialog

TVTPropertyDialog::TVTPropertyDialog(TVirtualPropertyTree* tree, QWidget* parent)
    : QWidget(parent), FTree(tree), FEdit(new TVTPropertyEdit(tree, this)), FButton(new QToolButton(this))
{
    SetUpButtonEditor(this, FEdit, FButton);
    connect(FButton, &QToolButton::clicked, this, [this] { Guarded([this] { ButtonClick(); }); });
}

void TVTPropertyDialog::ButtonClick()
{
    const TTreeField* field = FTree->GetNodeField(Node());
    if (!field || !field->OnButton)
        return;
    QVariant value = FEdit->text();
    if (field->OnButton(value) != 1)
        return;
    const QString text = value.toString();
    // A number is stored from the numeric edit below this editor, so that
    // edit takes the accepted value as well.
    if (field->Kind == tfInteger || field->Kind == tfFloat)
        FTree->PropertyEdit()->setText(text);
    FEdit->setText(text);
    FEdit->Commit();
    update();
}

void TVTPropertyDialog::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    FEdit->setGeometry(DialogEditRect(size()));
    FButton->setGeometry(EditorButtonRect(size()));
}

// ---------------------------------------------------------------------------
// TVirtualPropertyTree

TVirtualPropertyTree::TVirtualPropertyTree(QWidget* parent)
    : QTreeWidget(parent), FColor(WindowColor()), FGridLineColor(QApplication::palette().color(QPalette::Button))
{
    setColumnCount(2);
    setHeaderHidden(true);
    header()->setStretchLastSection(true); // column 1 fills what column 0 leaves
    header()->setSectionResizeMode(0, QHeaderView::Interactive);
    header()->setMinimumSectionSize(0);
    setColumnWidth(0, 80);
    setIndentation(0);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAnimated(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAllColumnsShowFocus(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers); // the tree never edits a node itself
    setExpandsOnDoubleClick(true);
    setItemDelegate(new TPropertyTreeDelegate(this));
    SetColor(FColor);
    TakeCheckPictures(this);

    FEdit = new TVTPropertyEdit(this, viewport());
    FCombo = new TVTPropertyCombo(this, viewport());
    FCheckbox = new TVTPropertyCheckbox(this, viewport());
    FColorEditor = new TVTPropertyColor(this, viewport());
    FDialog = new TVTPropertyDialog(this, viewport());

    connect(this, &QTreeWidget::itemSelectionChanged, this, [this] { Guarded([this] { SelectionChanged(); }); });
}

TVirtualPropertyTree::~TVirtualPropertyTree()
{
    // No commit into fields while the window goes.
    disconnect(this, nullptr, this, nullptr);
    FShown = 0;
    FEditNode = nullptr;
    for (TVTPropertyEdit* edit : {FEdit, FColorEditor->Edit(), FDialog->Edit()})
        edit->SetNode(nullptr);
    FCombo->SetNode(nullptr);
    FCheckbox->SetNode(nullptr);
}

TTreeField* TVirtualPropertyTree::AddField(const QString& category, const QString& caption, void* data)
{
    return FFields.AddField(category, caption, data);
}

TTreeField* TVirtualPropertyTree::AddListField(const QString& category, const QString& caption, int32_t value,
                                               const QStringList& items, void* data)
{
    return FFields.AddListField(category, caption, value, items, data);
}

void TVirtualPropertyTree::Rebuild()
{
    HideEditors();
    clearSelection();
    ++FGeneration;
    FFields.BuildCategories();
    setCurrentItem(nullptr);
    QTreeWidget::clear();
    const TCategories& categories = FFields.Categories();
    int widest = 0;
    for (const TCategory& category : categories) {
        auto* root = new QTreeWidgetItem(this);
        for (size_t j = 0; j < category.Fields.size(); ++j)
            new QTreeWidgetItem(root);
        root->setExpanded(true);
        widest = std::max(widest, CellTextWidth(root, 0));
        for (int j = 0; j < root->childCount(); ++j)
            widest = std::max(widest, CellTextWidth(root->child(j), 0));
    }
    if (!categories.empty())
        setColumnWidth(0, widest);
    viewport()->update();
}

int TVirtualPropertyTree::CategoryIndex(PVirtualNode node) const
{
    if (!node)
        return -1;
    return indexOfTopLevelItem(node->parent() ? node->parent() : node);
}

TTreeField* TVirtualPropertyTree::GetNodeField(PVirtualNode node) const
{
    if (!node || !node->parent() || node->treeWidget() != this)
        return nullptr;
    return FFields.FieldAt(CategoryIndex(node), node->parent()->indexOfChild(node));
}

QString TVirtualPropertyTree::FieldValueToText(const TTreeField* field) const
{
    return field ? ::FieldValueToText(*field) : QString();
}

bool TVirtualPropertyTree::SetFieldValue(PVirtualNode node, const QString& text)
{
    TTreeField* field = GetNodeField(node);
    if (!field)
        return true;
    StoreFieldValue(*field, text, FEdit->Value(), FCheckbox->isChecked());
    viewport()->update();
    if (OnEdited)
        OnEdited(this, node, currentColumn());
    return true;
}

void TVirtualPropertyTree::DoNewText(PVirtualNode node, int column, const QString& text)
{
    const unsigned generation = FGeneration;
    if (SetFieldValue(node, text) && OnNewText && generation == FGeneration)
        OnNewText(this, node, column, text);
}

QString TVirtualPropertyTree::DoGetText(PVirtualNode node, int column) const
{
    if (!node)
        return QString();
    if (IsCategory(node)) {
        const int index = CategoryIndex(node);
        const TCategories& categories = FFields.Categories();
        if (column != 0 || index < 0 || index >= static_cast<int>(categories.size()))
            return QString();
        return categories[static_cast<size_t>(index)].Name;
    }
    const TTreeField* field = GetNodeField(node);
    if (!field)
        return QString();
    return column == 0 ? field->Caption : FieldValueToText(field);
}

void TVirtualPropertyTree::HideEditors()
{
    // A focused editor commits as it loses the focus to the tree.
    const QWidget* focus = QApplication::focusWidget();
    if (focus && focus != this && isAncestorOf(focus))
        setFocus(Qt::OtherFocusReason);
    FShown = 0;
    FEditNode = nullptr;
    for (QWidget* editor : std::initializer_list<QWidget*>{FEdit, FCombo, FCheckbox, FColorEditor, FDialog})
        editor->hide();
    for (TVTPropertyEdit* edit : {FEdit, FColorEditor->Edit(), FDialog->Edit()})
        edit->SetNode(nullptr);
    FCombo->SetNode(nullptr);
    FCheckbox->SetNode(nullptr);
}

void TVirtualPropertyTree::ShowFieldEditor(PVirtualNode node)
{
    HideEditors();
    TTreeField* field = GetNodeField(node);
    if (!field || !field->Value)
        return;
    FEditNode = node;
    const QString text = FieldValueToText(field);
    if (field->OnButton) {
        FDialog->Edit()->setText(text);
        FDialog->SetNode(node);
        FShown |= efDialog;
    }
    switch (field->Kind) {
    case tfString:
        FEdit->SetFormatStr(QStringLiteral("%S"));
        FEdit->SetUnitsType(utNone);
        FEdit->SetValue(*static_cast<const QString*>(field->Value));
        FEdit->SetNode(node);
        FShown |= efEdit;
        break;
    case tfInteger:
        FEdit->SetRangeLo(field->IntLo);
        FEdit->SetRangeHi(field->IntHi);
        FEdit->SetFormatStr(QStringLiteral("%d"));
        FEdit->SetUnitsType(utNone);
        FEdit->SetValue(*static_cast<const int32_t*>(field->Value));
        FEdit->SetNode(node);
        FShown |= efEdit;
        break;
    case tfFloat:
        FEdit->SetRangeLo(field->FloatLo);
        FEdit->SetRangeHi(field->FloatHi);
        FEdit->SetFormatStr(field->FormatStr);
        FEdit->SetUnitsType(field->UnitsType);
        FEdit->SetUnitsBase(field->UnitsBase);
        FEdit->SetUnitsValue(field->UnitsValue);
        FEdit->SetValue(*static_cast<const double*>(field->Value));
        FEdit->SetNode(node);
        FShown |= efEdit;
        break;
    case tfList:
        FCombo->SetNode(node);
        FCombo->Load(field->Items, text);
        FShown |= efCombo;
        break;
    case tfBoolean:
        FCheckbox->setText(QString());
        FCheckbox->SetNode(node);
        FCheckbox->setChecked(*static_cast<const uint8_t*>(field->Value) != 0);
        FShown |= efCheckbox;
        break;
    case tfColor:
        FColorEditor->Edit()->setText(text);
        FColorEditor->SetNode(node);
        FColorEditor->SetColor(*static_cast<const int32_t*>(field->Value));
        FShown |= efColor;
        break;
    default:
        break;
    }
    PlaceEditors();
    // With a button callback the dialog editor lies on top; its edit is
    // read-only, so the edit below it does not take the focus.
    if ((FShown & efEdit) && !(FShown & efDialog) && FEdit->isVisible()) {
        FEdit->setFocus(Qt::OtherFocusReason);
        FEdit->selectAll();
    }
}

void TVirtualPropertyTree::PlaceEditors()
{
    if (!FEditNode || FShown == 0)
        return;
    if (FShown & efEdit)
        PlaceEditor(FEdit, TPropertyEditorKind::Edit, FEditNode);
    if (FShown & efCombo)
        PlaceEditor(FCombo, TPropertyEditorKind::Combo, FEditNode);
    if (FShown & efCheckbox)
        PlaceEditor(FCheckbox, TPropertyEditorKind::CheckBox, FEditNode);
    if (FShown & efColor)
        PlaceEditor(FColorEditor, TPropertyEditorKind::Color, FEditNode);
    if (FShown & efDialog) {
        PlaceEditor(FDialog, TPropertyEditorKind::Dialog, FEditNode);
        FDialog->raise();
    }
}

void TVirtualPropertyTree::PlaceEditor(QWidget* editor, TPropertyEditorKind kind, PVirtualNode node)
{
    const QRect cell = GetDisplayRect(node, 1);
    if (!cell.isValid()) {
        // The row is collapsed away: the editor waits hidden.
        const QWidget* focus = QApplication::focusWidget();
        if (focus && (focus == editor || editor->isAncestorOf(focus)))
            setFocus(Qt::OtherFocusReason);
        editor->hide();
        return;
    }
    const int natural = kind == TPropertyEditorKind::Combo ? editor->sizeHint().height() : 0;
    editor->setGeometry(PropertyEditorBounds(kind, cell, natural));
    editor->show();
}

void TVirtualPropertyTree::SelectionChanged()
{
    const QList<QTreeWidgetItem*> selected = selectedItems();
    if (!selected.isEmpty())
        ShowFieldEditor(selected.first());
}

void TVirtualPropertyTree::Navigate(int key)
{
    QKeyEvent e(QEvent::KeyPress, QtKeyOfVirtualKey(key), Qt::NoModifier);
    QTreeWidget::keyPressEvent(&e);
}

void TVirtualPropertyTree::Clear()
{
    HideEditors();
    clearSelection();
    ++FGeneration;
    setCurrentItem(nullptr);
    QTreeWidget::clear();
}

void TVirtualPropertyTree::FullExpand()
{
    expandAll();
}

void TVirtualPropertyTree::FullCollapse()
{
    collapseAll();
}

void TVirtualPropertyTree::SetColor(const QColor& color)
{
    FColor = color;
    QPalette pal = palette();
    pal.setColor(QPalette::Base, color);
    setPalette(pal);
    viewport()->update();
}

void TVirtualPropertyTree::SetGridLineColor(const QColor& color)
{
    FGridLineColor = color;
    viewport()->update();
    FColorEditor->update();
}

void TVirtualPropertyTree::SetDefaultNodeHeight(int height)
{
    FNodeHeight = std::max(1, height);
    doItemsLayout();
}

void TVirtualPropertyTree::SetMargin(int margin)
{
    FMargin = margin;
    viewport()->update();
}

void TVirtualPropertyTree::SetTextMargin(int margin)
{
    FTextMargin = margin;
    viewport()->update();
}

QRect TVirtualPropertyTree::GetDisplayRect(PVirtualNode node, int column) const
{
    if (!node || node->treeWidget() != this)
        return QRect();
    return visualRect(indexFromItem(node, column));
}

TPropertyHit TVirtualPropertyTree::HitPosition(const QPoint& pos, PVirtualNode* node) const
{
    const QModelIndex index = indexAt(pos);
    QTreeWidgetItem* item = index.isValid() ? itemFromIndex(index) : nullptr;
    if (node)
        *node = item;
    if (!item)
        return TPropertyHit::None;
    const QRect cell = visualRect(index);
    const TTreeField* field = GetNodeField(item);
    const bool withButton = item->isSelected() && field && FieldHasButton(*field);
    return PropertyHitPosition(index.column(), pos.x() - cell.x(), cell.width(), withButton);
}

int TVirtualPropertyTree::CellTextWidth(PVirtualNode node, int column) const
{
    QFont f = font();
    f.setBold(IsCategory(node));
    const int text = QFontMetrics(f).horizontalAdvance(DoGetText(node, column));
    return text + 2 * FTextMargin + (column == 0 ? FMargin : 0);
}

void TVirtualPropertyTree::keyPressEvent(QKeyEvent* e)
{
    Guarded([&] {
        if (VirtualKeyOf(*e) == VK_RETURN) {
            // Enter moves down as Down does.
            QKeyEvent down(QEvent::KeyPress, QtKeyOfVirtualKey(VK_DOWN), e->modifiers() & ~Qt::KeypadModifier);
            QTreeWidget::keyPressEvent(&down);
            e->setAccepted(down.isAccepted());
            return;
        }
        QTreeWidget::keyPressEvent(e);
    });
}

void TVirtualPropertyTree::mousePressEvent(QMouseEvent* e)
{
    Guarded([&] {
        QTreeWidget::mousePressEvent(e);
        if (e->button() != Qt::LeftButton)
            return;
        PVirtualNode node = nullptr;
        const TPropertyHit hit = HitPosition(e->position().toPoint(), &node);
        if (!node)
            return;
        if (hit == TPropertyHit::CheckBox) {
            setCurrentItem(node, 0);
        } else if (hit == TPropertyHit::Button) {
            if (node->childCount() > 0)
                node->setExpanded(!node->isExpanded());
            if (currentItem() != node || !node->isSelected()) {
                if (PVirtualNode focused = currentItem())
                    focused->setSelected(false);
                setCurrentItem(node);
                node->setSelected(true);
            }
        }
    });
}

void TVirtualPropertyTree::resizeEvent(QResizeEvent* e)
{
    QTreeWidget::resizeEvent(e);
    PlaceEditors();
}

void TVirtualPropertyTree::updateGeometries()
{
    QTreeWidget::updateGeometries();
    PlaceEditors();
}

void TVirtualPropertyTree::scrollContentsBy(int dx, int dy)
{
    QTreeWidget::scrollContentsBy(dx, dy);
    PlaceEditors();
}

void TVirtualPropertyTree::paintEvent(QPaintEvent* e)
{
    {
        QPainter p(viewport());
        p.setPen(FGridLineColor);
        p.drawLine(kStripWidth, 0, kStripWidth, viewport()->height());
    }
    QTreeWidget::paintEvent(e);
}

void TVirtualPropertyTree::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const
{
    PVirtualNode node = itemFromIndex(index);
    if (!node)
        return;
    const bool selected = node->isSelected();
    const QRect row = option.rect;
    int right = 0;
    for (int column = 0; column < 2; ++column) {
        const QRect cell(columnViewportPosition(column), row.y(), columnWidth(column), row.height());
        PaintCell(painter, cell, node, column, selected);
        right = cell.x() + cell.width();
    }
    painter->save();
    painter->setPen(FGridLineColor);
    // Grid lines under the row and right of each column.
    painter->drawLine(0, row.y() + row.height() - 1, right - 1, row.y() + row.height() - 1);
    for (int column = 0; column < 2; ++column) {
        const int x = columnViewportPosition(column) + columnWidth(column) - 1;
        painter->drawLine(x, row.y(), x, row.y() + row.height() - 1);
    }
    // The strip of expand buttons.
    painter->fillRect(QRect(0, row.y(), kStripWidth, row.height()), FColor);
    painter->drawLine(kStripWidth, row.y(), kStripWidth, row.y() + row.height() - 1);
    painter->restore();
    if (IsCategory(node) && node->childCount() > 0)
        PaintNodeButton(painter, QPoint(3, row.y() + 3), node->isExpanded());
}

void TVirtualPropertyTree::PaintCell(QPainter* painter, const QRect& cell, PVirtualNode node, int column,
                                     bool selected) const
{
    const bool category = IsCategory(node);
    if (selected)
        painter->fillRect(cell, column == 0 ? HighlightColor() : FColor);
    else if (!category)
        painter->fillRect(cell, WindowColor());

    painter->save();
    QFont f = font();
    f.setBold(category);
    painter->setFont(f);
    painter->setPen(column == 0 && selected ? WindowColor() : palette().color(QPalette::Text));
    // Column 1 text starts Margin further left than column 0's.
    const int indent = (column == 0 ? FMargin : 0) + FTextMargin;
    const QRect textRect = cell.adjusted(indent, 0, -FTextMargin, 0);
    painter->setClipRect(cell);
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, DoGetText(node, column));
    painter->restore();

    if (column == 1) {
        const TTreeField* field = GetNodeField(node);
        if (field && field->Kind == tfBoolean && field->Value) {
            const bool checked = *static_cast<const uint8_t*>(field->Value) != 0;
            const TCheckPictures& pictures = CheckPictures();
            painter->drawImage(cell.topLeft(), checked ? pictures.Checked : pictures.Unchecked);
        }
    }
}

void TVirtualPropertyTree::PaintNodeButton(QPainter* painter, const QPoint& at, bool expanded) const
{
    painter->save();
    const QRect box(at, QSize(9, 9));
    painter->fillRect(box, WindowColor());
    painter->setPen(QColor(128, 128, 128));
    painter->drawRect(box.adjusted(0, 0, -1, -1));
    painter->setPen(palette().color(QPalette::Text));
    painter->drawLine(at.x() + 2, at.y() + 4, at.x() + 6, at.y() + 4);
    if (!expanded)
        painter->drawLine(at.x() + 4, at.y() + 2, at.x() + 4, at.y() + 6);
    painter->restore();
}
