#include "TxFmtEdit.h"

#include "TxPlatform.h"
#include "TxUnitsForm.h"

#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>

namespace {

// Set while a failed validation on exit puts the focus back: the focus
// events this causes in any edit are no entry or exit of the user's.
int ReturningFocus = 0;

// Focus that moves because a pop-up or another window opened or closed.
bool IsWindowFocusChange(Qt::FocusReason reason)
{
    return reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason;
}

} // namespace

// ---------------------------------------------------------------------------
// TxCustomEdit

TxCustomEdit::TxCustomEdit(QWidget* parent) : QLineEdit(parent), FLogic(*this)
{
    setText(QStringLiteral("0.0"));
    // Text from anywhere but the logic (paste, Delete, undo, a caller's
    // setText) stands for itself; the logic anchors its own texts after
    // setting them.
    connect(this, &QLineEdit::textChanged, this, [this] { FLogic.TextEdited(); });
    // The platform's edit cuts a paste or a drop at the maximum length.
    connect(this, &QLineEdit::inputRejected, this, [this] {
        if (text().size() >= maxLength()) {
            Messages().Beep();
            TextCut();
        }
    });
}

void TxCustomEdit::TextCut()
{
    if (OnTextCut)
        OnTextCut(this);
}

TxCustomEdit::~TxCustomEdit()
{
    if (FUnitsLabel)
        FUnitsLabel->RemoveEdit(this);
}

void TxCustomEdit::SetUnitsLabel(TFmtEditLabel* label)
{
    if (FUnitsLabel && FUnitsLabel != label)
        FUnitsLabel->RemoveEdit(this);
    if (IsStringFormat(FormatStr()))
        FLogic.SetFormatStr(QStringLiteral("%0.1f"));
    FUnitsLabel = label;
    if (label) {
        label->AddEdit(this);
        SetUnitsValue(UnitsValue()); // the label shows the unit at once
    }
}

void TxCustomEdit::CommitEdit()
{
    ValidateEdit();
    if (OnExit)
        OnExit(this);
    setModified(false);
}

bool TxCustomEdit::EditCanModify()
{
    return true;
}

void TxCustomEdit::Reset()
{
    FLogic.Reset();
}

bool TxCustomEdit::Validate(const QString& text)
{
    return FLogic.Validate(text);
}

void TxCustomEdit::ValidateError()
{
    FLogic.ValidateError();
    if (FLogic.Refusal() != ecNumber && OnRefused)
        OnRefused(this, FLogic.Refusal());
}

void TxCustomEdit::ValidateEdit()
{
    FLogic.ValidateEdit();
}

bool TxCustomEdit::WantsEscapeKey() const
{
    return FLogic.WantsEscapeKey();
}

void TxCustomEdit::KeyDown(int& key, TShiftState shift)
{
    if (OnKeyDown)
        OnKeyDown(this, key, shift);
    if (key != VK_NONE)
        FLogic.KeyDown(key, shift);
}

void TxCustomEdit::KeyPress(QChar& key)
{
    if (OnKeyPress)
        OnKeyPress(this, key);
    if (!key.isNull())
        FLogic.KeyPress(key);
}

void TxCustomEdit::KeyUp(int& key, TShiftState shift)
{
    if (OnKeyUp)
        OnKeyUp(this, key, shift);
}

void TxCustomEdit::DoEnter()
{
    FLogic.Enter();
    if (OnEnter)
        OnEnter(this);
}

void TxCustomEdit::DoExit()
{
    if (OnExit)
        OnExit(this);
}

bool TxCustomEdit::event(QEvent* e)
{
    if (e->type() == QEvent::ShortcutOverride) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (VirtualKeyOf(*k) == VK_ESCAPE) {
            // Claimed only while there is something to reset, so that a
            // window's Escape shortcut works over an unmodified edit.
            k->setAccepted(WantsEscapeKey());
            return true;
        }
    }
    return QLineEdit::event(e);
}

void TxCustomEdit::keyPressEvent(QKeyEvent* e)
{
    if (VirtualKeyOf(*e) == VK_ESCAPE && !WantsEscapeKey()) {
        e->ignore(); // on to the window: a dialog closes
        return;
    }
    DispatchKeyPress(
        e, [this](int& key, TShiftState shift) { KeyDown(key, shift); }, [this](QChar& ch) { KeyPress(ch); },
        [this](QKeyEvent* ev) { QLineEdit::keyPressEvent(ev); });
}

void TxCustomEdit::keyReleaseEvent(QKeyEvent* e)
{
    int key = VirtualKeyOf(*e);
    KeyUp(key, ShiftStateOf(e->modifiers()));
    if (key == VK_NONE) {
        e->accept();
        return;
    }
    QLineEdit::keyReleaseEvent(e);
}

void TxCustomEdit::focusInEvent(QFocusEvent* e)
{
    // Coming back from a pop-up or another window is no entry; the first
    // focus of a window that opens is.
    const bool returning = FFocusAway && IsWindowFocusChange(e->reason());
    FFocusAway = false;
    if (!returning && ReturningFocus == 0 && !FKeepingFocus)
        DoEnter();
    QLineEdit::focusInEvent(e);
}

void TxCustomEdit::focusOutEvent(QFocusEvent* e)
{
    if (IsWindowFocusChange(e->reason()) || ReturningFocus > 0) {
        FFocusAway = IsWindowFocusChange(e->reason());
        QLineEdit::focusOutEvent(e);
        return;
    }
    FValidatingOnExit = true;
    ValidateEdit();
    FValidatingOnExit = false;
    // A failed validation has put the focus back already.
    if (!hasFocus()) {
        QLineEdit::focusOutEvent(e);
        ShowFromStart();
    }
    DoExit();
}

void TxCustomEdit::ShowFromStart()
{
    // A text wider than the edit would show only its tail, which reads as
    // another number.
    setCursorPosition(0);
}

void TxCustomEdit::inputMethodEvent(QInputMethodEvent* e)
{
    // Text an input method commits is typed character by character, so it
    // meets the same filter as keys; compositions still in progress are the
    // platform's and are validated on exit.
    const QString commit = e->commitString();
    if (commit.isEmpty() || !e->preeditString().isEmpty() || e->replacementLength() != 0) {
        QLineEdit::inputMethodEvent(e);
        return;
    }
    for (qsizetype i = 0; i < commit.size(); ++i) {
        if (commit.at(i).isHighSurrogate() && i + 1 < commit.size() && commit.at(i + 1).isLowSurrogate()) {
            FLogic.TypeChar(commit.mid(i, 2));
            ++i;
            continue;
        }
        QChar ch = commit.at(i);
        if (ch.unicode() < 32)
            continue; // no control keys through an input method
        KeyPress(ch);
    }
    e->accept();
}

QString TxCustomEdit::EditText() const
{
    return text();
}

void TxCustomEdit::SetEditText(const QString& text)
{
    setText(text);
    if (!hasFocus())
        ShowFromStart();
}

int TxCustomEdit::EditSelStart() const
{
    return hasSelectedText() ? selectionStart() : cursorPosition();
}

int TxCustomEdit::EditSelLength() const
{
    return hasSelectedText() ? selectionLength() : 0;
}

void TxCustomEdit::SetEditSel(int start, int length)
{
    if (length == 0)
        setCursorPosition(start);
    else
        setSelection(start, length);
}

bool TxCustomEdit::EditModified() const
{
    return isModified();
}

void TxCustomEdit::SetEditModified(bool modified)
{
    setModified(modified);
}

bool TxCustomEdit::EditReadOnly() const
{
    return isReadOnly();
}

int TxCustomEdit::EditMaxLength() const
{
    return maxLength();
}

void TxCustomEdit::KeepFocus()
{
    if (!isVisible())
        return;
    // On exit the focus has already gone to a control that never saw it
    // arrive; otherwise (a commit) its holder leaves as usual.
    const bool onExit = FValidatingOnExit;
    if (onExit)
        ++ReturningFocus;
    FKeepingFocus = true;
    setFocus(Qt::OtherFocusReason);
    FKeepingFocus = false;
    if (onExit)
        --ReturningFocus;
}

void TxCustomEdit::UnitsCaptionChanged(const QString& caption)
{
    if (FUnitsLabel)
        FUnitsLabel->setText(caption);
}

// ---------------------------------------------------------------------------
// TFmtEdit

void TFmtEdit::SetFormatTypeValue(int type)
{
    if (type >= ft_Auto && type <= ft_Manual)
        SetFormatType(static_cast<TFormatType>(type));
}

// ---------------------------------------------------------------------------
// TFmtEditLabel

TFmtEditLabel::TFmtEditLabel(QWidget* parent) : QLabel(parent) {}

TFmtEditLabel::~TFmtEditLabel()
{
    const QList<QPointer<TxCustomEdit>> edits = FEdits;
    for (auto it = edits.rbegin(); it != edits.rend(); ++it)
        if (*it)
            (*it)->SetUnitsLabel(nullptr);
}

QList<TxCustomEdit*> TFmtEditLabel::Edits() const
{
    QList<TxCustomEdit*> edits;
    for (const QPointer<TxCustomEdit>& edit : FEdits)
        if (edit)
            edits.append(edit);
    return edits;
}

void TFmtEditLabel::AddEdit(TxCustomEdit* edit)
{
    for (const QPointer<TxCustomEdit>& e : FEdits)
        if (e == edit)
            return;
    FEdits.append(edit);
}

void TFmtEditLabel::RemoveEdit(TxCustomEdit* edit)
{
    FEdits.removeIf([edit](const QPointer<TxCustomEdit>& e) { return e.isNull() || e == edit; });
}

void TFmtEditLabel::Click(const QPoint& pointer)
{
    const QPointer<TFmtEditLabel> self(this);
    const QList<TxCustomEdit*> live = Edits();
    if (!live.isEmpty()) {
        const TxCustomEdit* first = live.first();
        const int index = TUnitsForm::ChooseUnits(first->UnitsType(), first->UnitsValue(), pointer + QPoint(5, 5));
        if (!self)
            return;
        if (index >= 0) {
            // Handlers may unlink or destroy edits on the way.
            const QList<QPointer<TxCustomEdit>> edits = FEdits;
            for (const QPointer<TxCustomEdit>& edit : edits) {
                if (edit)
                    edit->SetUnitsValue(index);
                if (edit && edit->OnUnitsEdited)
                    edit->OnUnitsEdited(edit);
            }
        }
    }
    if (self && OnClick)
        OnClick(this);
}

void TFmtEditLabel::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        FPressed = true;
    QLabel::mousePressEvent(e);
}

void TFmtEditLabel::mouseDoubleClickEvent(QMouseEvent* e)
{
    // The second half of a double-click is no second click (the default
    // would take it for a press).
    FPressed = false;
    e->accept();
}

void TFmtEditLabel::mouseReleaseEvent(QMouseEvent* e)
{
    const bool click = FPressed && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
    if (e->button() == Qt::LeftButton)
        FPressed = false;
    QLabel::mouseReleaseEvent(e);
    if (click)
        Click(e->globalPosition().toPoint());
}
