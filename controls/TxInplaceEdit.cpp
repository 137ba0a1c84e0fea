#include "TxInplaceEdit.h"

#include "TxEventGuard.h"
#include "TxGrids.h"
#include "TxKeyNavigate.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleHints>
#include <QWheelEvent>

#include <algorithm>

namespace {

constexpr int kNoLimit = 32767;

} // namespace

TxInplaceEdit::TxInplaceEdit(TxCustomGrid* grid) : TxCustomEdit(grid->viewport()), FGrid(grid)
{
    // Dialog key navigation leaves Enter and Up/Down to the grid.
    setProperty(InplaceEditorProperty, true);
    setFrame(false);
    setFocusPolicy(Qt::ClickFocus);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextMargins(2, 2, 2, 0);
    setFont(grid->font());
    TxCustomEdit::SetFormatStr(QStringLiteral("%S")); // empties the edit's "0.0"
    SetShown(false);
    // What the platform's edit changes itself (paste, cut, Delete, a drop).
    connect(this, &QLineEdit::textEdited, this, [this] {
        if (FUserEdits == 0)
            FeedGrid();
    });
}

TxInplaceEdit::~TxInplaceEdit() = default;

// --- Showing and placing ---

void TxInplaceEdit::setVisible(bool visible)
{
    if (FShowing)
        TxCustomEdit::setVisible(visible);
}

void TxInplaceEdit::SetShown(bool shown)
{
    FShowing = true;
    TxCustomEdit::setVisible(shown);
    FShowing = false;
}

bool TxInplaceEdit::Visible() const
{
    return !isHidden();
}

void TxInplaceEdit::Move(const TPixelRect& loc)
{
    InternalMove(loc, true);
}

void TxInplaceEdit::UpdateLoc(const TPixelRect& loc)
{
    InternalMove(loc, false);
}

void TxInplaceEdit::InternalMove(const TPixelRect& loc, bool redraw)
{
    if (loc.IsEmpty()) {
        Hide();
        return;
    }
    redraw = redraw || isHidden();
    Invalidate();
    setGeometry(loc.Left, loc.Top, loc.Width(), loc.Height());
    raise();
    SetShown(true);
    BoundsChanged();
    if (redraw)
        Invalidate();
    if (FGrid->hasFocus())
        setFocus(Qt::OtherFocusReason);
}

void TxInplaceEdit::Hide()
{
    if (isHidden())
        return;
    Invalidate();
    // The grid takes the focus before the editor goes, so it does not wander
    // to another control (also while the window is inactive).
    if (hasFocus() || window()->focusWidget() == this)
        FGrid->setFocus(Qt::OtherFocusReason);
    SetShown(false);
    setGeometry(0, 0, 0, 0);
}

void TxInplaceEdit::Invalidate()
{
    update();
    FGrid->viewport()->update(geometry());
}

void TxInplaceEdit::BoundsChanged()
{
    setTextMargins(2, 2, 2, 0);
}

// --- Text ---

QString TxInplaceEdit::Text() const
{
    return text();
}

void TxInplaceEdit::SetText(const QString& text)
{
    ApplyMaxLength(text.size());
    setText(text);
}

void TxInplaceEdit::SetEditText(const QString& text)
{
    // The edit's own rewrites (typing, validation) pass the cell's limit as
    // the program's text does.
    SetText(text);
}

void TxInplaceEdit::SetMaxLength(int length)
{
    FMaxLength = length;
    ApplyMaxLength(text().size());
}

void TxInplaceEdit::ApplyMaxLength(qsizetype textLength)
{
    // A limit stops typing; it never cuts a text the cell already holds.
    // (Setting the platform's limit resets its text state: only on a change.)
    const qsizetype limit = FMaxLength > 0 ? std::max<qsizetype>(FMaxLength, textLength) : kNoLimit;
    const int applied = static_cast<int>(std::min<qsizetype>(limit, kNoLimit));
    if (maxLength() != applied)
        setMaxLength(applied);
}

void TxInplaceEdit::SetFormatStr(const QString& format)
{
    // The grid sets the column's format again before every store: a text
    // cell that holds "0.0" keeps it.
    const QString kept = text();
    const bool modified = isModified();
    TxCustomEdit::SetFormatStr(format);
    if (text() != kept) {
        SetText(kept);
        setModified(modified);
    }
}

void TxInplaceEdit::SelectAll()
{
    selectAll();
}

void TxInplaceEdit::Deselect()
{
    deselect();
    setCursorPosition(static_cast<int>(text().size()));
}

void TxInplaceEdit::DoEnter()
{
    TxCustomEdit::DoEnter();
}

void TxInplaceEdit::ValidateEdit()
{
    TxCustomEdit::ValidateEdit();
}

void TxInplaceEdit::ValidateError()
{
    TxCustomEdit::ValidateError();
    if (Logic().Refusal() != ecNumber)
        FGrid->EditorRefused(Logic().Refusal());
}

void TxInplaceEdit::KeepFocus()
{
    // The editor is validated while the grid stores and hides it: a value
    // set to its bound beeps, but the focus stays where the grid puts it.
}

bool TxInplaceEdit::EditCanModify()
{
    return FGrid->CanEditModify();
}

template <class F>
void TxInplaceEdit::UserEdit(F&& work)
{
    const bool outer = FUserEdits++ == 0;
    const QString before = outer ? text() : QString();
    try {
        work();
    } catch (...) {
        --FUserEdits;
        throw;
    }
    --FUserEdits;
    if (outer && text() != before)
        FeedGrid();
}

void TxInplaceEdit::FeedGrid()
{
    Guarded([this] { FGrid->UpdateText(); });
}

// --- Keys ---

bool TxInplaceEdit::WantsEscapeKey() const
{
    return true;
}

void TxInplaceEdit::Selection(int& start, int& end) const
{
    if (hasSelectedText()) {
        start = selectionStart();
        end = start + static_cast<int>(selectedText().size());
    } else {
        start = end = cursorPosition();
    }
}

void TxInplaceEdit::KeyDown(int& key, TShiftState shift)
{
    int start = 0;
    int end = 0;
    Selection(start, end);
    FGrid->EditorKeyDown(key, shift, start, end, static_cast<int>(text().size()));
    if (key != VK_NONE)
        UserEdit([&] { TxCustomEdit::KeyDown(key, shift); });
}

void TxInplaceEdit::KeyPress(QChar& key)
{
    int start = 0;
    int end = 0;
    Selection(start, end);
    FGrid->EditorKeyPress(key, start, end, static_cast<int>(text().size()));
    if (!key.isNull())
        UserEdit([&] { TxCustomEdit::KeyPress(key); });
}

void TxInplaceEdit::KeyUp(int& key, TShiftState shift)
{
    Guarded([&] { FGrid->KeyUp(key, shift); });
}

void TxInplaceEdit::TypeChar(QChar ch)
{
    KeyPress(ch);
}

bool TxInplaceEdit::event(QEvent* e)
{
    if (e->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(e);
        const bool tab = VirtualKeyOf(*ke) == VK_TAB;
        if (tab && (FGrid->Options() & xgoTabs) && !(ShiftStateOf(ke->modifiers()) & (ssCtrl | ssAlt))) {
            keyPressEvent(ke);
            return true;
        }
    }
    return TxCustomEdit::event(e);
}

bool TxInplaceEdit::focusNextPrevChild(bool next)
{
    // The grid and its editor are one stop in the window's tab order; the
    // editor, made late inside the grid, has no place of its own in it. So
    // Tab and Shift+Tab go on from where the grid stands.
    FGrid->setFocus(Qt::OtherFocusReason);
    const bool moved = FGrid->focusNextPrevChild(next);
    if (QApplication::focusWidget() == FGrid && !isHidden())
        setFocus(Qt::OtherFocusReason); // nowhere else to go
    return moved;
}

void TxInplaceEdit::keyPressEvent(QKeyEvent* e)
{
    Guarded([&] { TxCustomEdit::keyPressEvent(e); });
}

// --- Mouse ---

void TxInplaceEdit::mousePressEvent(QMouseEvent* e)
{
    const bool second =
        FClick.isValid() && FClick.elapsed() < QGuiApplication::styleHints()->mouseDoubleClickInterval();
    FClick.invalidate();
    if (e->button() == Qt::LeftButton && second) {
        mouseDoubleClickEvent(e);
        return;
    }
    TxCustomEdit::mousePressEvent(e);
}

void TxInplaceEdit::mouseDoubleClickEvent(QMouseEvent* e)
{
    TxCustomEdit::mouseDoubleClickEvent(e);
    Guarded([&] { FGrid->DblClick(); });
}

void TxInplaceEdit::mouseReleaseEvent(QMouseEvent* e)
{
    // The middle button pastes the selection clipboard.
    if (e->button() == Qt::MiddleButton && !EditCanModify()) {
        e->accept();
        return;
    }
    TxCustomEdit::mouseReleaseEvent(e);
}

void TxInplaceEdit::wheelEvent(QWheelEvent* e)
{
    const QPoint p = mapTo(FGrid->viewport(), e->position().toPoint());
    bool handled = false;
    Guarded([&] { handled = FGrid->MouseWheel(ShiftStateOf(e->modifiers()), e->angleDelta().y(), p.x(), p.y()); });
    if (handled)
        e->accept();
    else
        TxCustomEdit::wheelEvent(e);
}

// --- Focus ---

// The grid and its editor are one control to the window: entering and leaving
// are the grid's (it runs the editor's entry step when it loads a cell and
// validates when it stores), so the numeric edit's own focus work is skipped.

void TxInplaceEdit::focusInEvent(QFocusEvent* e)
{
    QLineEdit::focusInEvent(e);
    FGrid->EditorFocusIn();
}

void TxInplaceEdit::focusOutEvent(QFocusEvent* e)
{
    // The grid borrows the focus for a moment (a click on its scroll bar):
    // what was selected is still what the next key replaces.
    const bool toGrid = QApplication::focusWidget() == FGrid;
    const int start = selectionStart();
    const int length = static_cast<int>(selectedText().size());
    QLineEdit::focusOutEvent(e);
    if (toGrid && start >= 0)
        setSelection(start, length);
    FGrid->EditorFocusOut(e);
}

// --- Changes that bypass the keys ---

void TxInplaceEdit::contextMenuEvent(QContextMenuEvent* e)
{
    if (EditCanModify()) {
        TxCustomEdit::contextMenuEvent(e);
        return;
    }
    // The menu of a read-only edit: copy and select, nothing that changes.
    const bool wasReadOnly = isReadOnly();
    setReadOnly(true);
    TxCustomEdit::contextMenuEvent(e);
    setReadOnly(wasReadOnly);
}

void TxInplaceEdit::dragEnterEvent(QDragEnterEvent* e)
{
    if (EditCanModify())
        TxCustomEdit::dragEnterEvent(e);
    else
        e->ignore();
}

void TxInplaceEdit::dragMoveEvent(QDragMoveEvent* e)
{
    if (EditCanModify())
        TxCustomEdit::dragMoveEvent(e);
    else
        e->ignore();
}

void TxInplaceEdit::dropEvent(QDropEvent* e)
{
    if (EditCanModify())
        TxCustomEdit::dropEvent(e);
    else
        e->ignore();
}

void TxInplaceEdit::inputMethodEvent(QInputMethodEvent* e)
{
    if (!EditCanModify()) {
        e->ignore();
        return;
    }
    Guarded([&] { UserEdit([&] { TxCustomEdit::inputMethodEvent(e); }); });
}
