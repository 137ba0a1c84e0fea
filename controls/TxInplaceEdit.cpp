#include "TxInplaceEdit.h"

#include "TxFormat.h"
#include "TxGrids.h"
#include "TxKeyNavigate.h"
#include "TxPlatform.h"
#include "TxString.h"

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

#include <chrono>
#include <cmath>

namespace {

template <class F>
void Guarded(F&& f)
{
    try {
        f();
    } catch (const Exception& e) {
        Messages().ShowError(e.Message());
    } catch (const std::exception& e) {
        Messages().ShowError(QString::fromUtf8(e.what()));
    }
}

qint64 MonotonicMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool HasAny(const QString& format, const char* letters)
{
    for (const char* c = letters; *c; ++c)
        if (format.contains(QLatin1Char(*c)))
            return true;
    return false;
}

bool IsStringClass(const QString& f)
{
    return HasAny(f, "sS");
}
bool IsPairClass(const QString& f)
{
    return HasAny(f, "/");
}
bool IsIntegerClass(const QString& f)
{
    return HasAny(f, "dD");
}
bool IsFloatClass(const QString& f)
{
    return HasAny(f, "fFgG");
}
bool IsGeneralClass(const QString& f)
{
    return HasAny(f, "gG");
}

constexpr int kNoLimit = 32767;

} // namespace

TxInplaceEdit::TxInplaceEdit(TxCustomGrid* grid) : QLineEdit(grid->viewport()), FGrid(grid)
{
    // Dialog key navigation leaves Enter and Up/Down to the grid.
    setProperty(InplaceEditorProperty, true);
    setFrame(false);
    setFocusPolicy(Qt::ClickFocus);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextMargins(2, 2, 2, 0);
    setFont(grid->font());
    setMaxLength(kNoLimit);
    SetShown(false);
    connect(this, &QLineEdit::textEdited, this, [this] { Guarded([this] { FGrid->UpdateText(); }); });
}

TxInplaceEdit::~TxInplaceEdit() = default;

// --- Showing and placing ---

void TxInplaceEdit::setVisible(bool visible)
{
    if (FShowing)
        QLineEdit::setVisible(visible);
}

void TxInplaceEdit::SetShown(bool shown)
{
    FShowing = true;
    QLineEdit::setVisible(shown);
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
    setMaxLength(kNoLimit);
    setText(text);
    ApplyMaxLength();
}

void TxInplaceEdit::SetMaxLength(int length)
{
    FMaxLength = length;
    ApplyMaxLength();
}

void TxInplaceEdit::ApplyMaxLength()
{
    // A limit stops typing; it never cuts a text the cell already holds.
    const int limit = FMaxLength > 0 ? std::max(FMaxLength, static_cast<int>(text().size())) : kNoLimit;
    setMaxLength(std::min(limit, kNoLimit));
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
    FOldValue = text();
    FModified = false;
}

void TxInplaceEdit::Reset()
{
    if (!FModified)
        return;
    setText(FOldValue);
    FModified = false;
}

bool TxInplaceEdit::EditCanModify() const
{
    return FGrid->CanEditModify();
}

bool TxInplaceEdit::CheckRange(double& x) const
{
    const double lo = FRangeLo;
    const double hi = FRangeHi;
    if (IsStringClass(FFormatStr) || std::fabs(lo - hi) < 1e-5)
        return true;
    if (x < lo) {
        if (lo == 0.0 || std::fabs((lo - x) / lo) > 0.005) {
            x = lo;
            return false;
        }
    }
    if (x > hi) {
        if (hi == 0.0 || std::fabs((x - hi) / hi) > 0.005) {
            x = hi;
            return false;
        }
    }
    return true;
}

bool TxInplaceEdit::Validate(const QString& s)
{
    try {
        if (IsStringClass(FFormatStr)) {
            setText(Format(FFormatStr, s));
            FModified = true;
            return true;
        }
        const QString n = NormaliseNumberText(s);
        bool ok = true;
        if (IsPairClass(FFormatStr)) {
            double a = 0.0;
            double b = 0.0;
            const bool two = ParseValuePair(n, a, b);
            ok = CheckRange(a);
            if (two) {
                ok = CheckRange(b) && ok;
                setText(Format(FFormatStr, a, b));
            } else {
                setText(Format(FFormatStr.left(FFormatStr.indexOf(QLatin1Char('/'))), a));
            }
        } else {
            double x = StrToFloat(n);
            ok = CheckRange(x);
            if (IsIntegerClass(FFormatStr)) {
                if (!std::isfinite(x) || std::fabs(x) > 9.0e18)
                    throw EConvertError(QStringLiteral("Integer out of range"));
                setText(Format(FFormatStr, static_cast<long long>(std::nearbyint(x))));
            } else {
                setText(Format(FFormatStr, x));
            }
        }
        FModified = true;
        return ok;
    } catch (const Exception&) {
        return true; // not a number: the text stays as typed
    }
}

void TxInplaceEdit::ValidateEdit()
{
    // The editor is being stored and hidden: a value set to its bound beeps,
    // but the focus does not go back into it.
    if (FModified && !Validate(text())) {
        FModified = true;
        Messages().Beep();
    }
}

// --- Keys ---

void TxInplaceEdit::Selection(int& start, int& end) const
{
    if (hasSelectedText()) {
        start = selectionStart();
        end = start + static_cast<int>(selectedText().size());
    } else {
        start = end = cursorPosition();
    }
}

bool TxInplaceEdit::AcceptsChar(QChar ch) const
{
    const char16_t c = ch.unicode();
    const bool digit = c >= '0' && c <= '9';
    if (IsPairClass(FFormatStr))
        return digit || c == '-' || c == '.' || c == '/';
    if (IsIntegerClass(FFormatStr))
        return digit || c == '-';
    if (IsFloatClass(FFormatStr))
        return digit || c == '-' || c == '.' || (IsGeneralClass(FFormatStr) && (c == 'e' || c == 'E'));
    return true;
}

void TxInplaceEdit::KeyDown(int& key, TShiftState shift)
{
    int start = 0;
    int end = 0;
    Selection(start, end);
    FGrid->EditorKeyDown(key, shift, start, end, static_cast<int>(text().size()));
    if (key != 0)
        EditKeyDown(key);
}

void TxInplaceEdit::KeyPress(QChar& ch)
{
    int start = 0;
    int end = 0;
    Selection(start, end);
    FGrid->EditorKeyPress(ch, start, end, static_cast<int>(text().size()));
    if (!ch.isNull())
        EditKeyPress(ch);
}

void TxInplaceEdit::EditKeyDown(int& key)
{
    if (key != VK_BACK)
        return;
    // Backspace deletes the character before the caret, never a whole
    // selection.
    if (EditCanModify() && !isReadOnly()) {
        int start = 0;
        int end = 0;
        Selection(start, end);
        if (start > 0) {
            setSelection(start - 1, 1);
            del();
        }
    }
    key = 0;
}

void TxInplaceEdit::EditKeyPress(QChar& ch)
{
    const char16_t c = ch.unicode();
    // Clipboard keys are left to the edit itself.
    if (c == 0 || c == 3 || c == 22 || c == 24)
        return;
    if (c == 27) {
        Reset();
    } else if (EditCanModify() && !isReadOnly()) {
        if (c == 8) {
            FModified = true;
        } else if (c == 13) {
            ValidateEdit();
        } else if (c >= 32 && !ch.isSurrogate()) {
            int start = 0;
            int end = 0;
            Selection(start, end);
            if (end - start >= 2) {
                del();
                setCursorPosition(start);
            }
            FModified = true;
            if (!AcceptsChar(ch))
                Messages().Beep();
            else
                insert(QString(ch));
        }
    }
    ch = QChar();
}

void TxInplaceEdit::TypeChar(QChar ch)
{
    KeyPress(ch);
}

bool TxInplaceEdit::event(QEvent* e)
{
    if (e->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(e);
        const bool tab = ke->key() == Qt::Key_Tab || ke->key() == Qt::Key_Backtab;
        if (tab && (FGrid->Options() & xgoTabs) && !(ke->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            keyPressEvent(ke);
            return true;
        }
    }
    return QLineEdit::event(e);
}

void TxInplaceEdit::keyPressEvent(QKeyEvent* e)
{
    Guarded([&] {
        DispatchKeyPress(
            e, [this](int& key, TShiftState shift) { KeyDown(key, shift); }, [this](QChar& ch) { KeyPress(ch); },
            [this](QKeyEvent* ev) { QLineEdit::keyPressEvent(ev); });
    });
}

void TxInplaceEdit::keyReleaseEvent(QKeyEvent* e)
{
    int key = VirtualKeyOf(*e);
    Guarded([&] { FGrid->KeyUp(key, ShiftStateOf(e->modifiers())); });
    QLineEdit::keyReleaseEvent(e);
}

// --- Mouse ---

void TxInplaceEdit::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton && FClickTime &&
        MonotonicMs() - *FClickTime < QGuiApplication::styleHints()->mouseDoubleClickInterval()) {
        FClickTime.reset();
        mouseDoubleClickEvent(e);
        return;
    }
    FClickTime.reset();
    QLineEdit::mousePressEvent(e);
}

void TxInplaceEdit::mouseDoubleClickEvent(QMouseEvent* e)
{
    QLineEdit::mouseDoubleClickEvent(e);
    Guarded([&] { FGrid->DblClick(); });
}

void TxInplaceEdit::mouseReleaseEvent(QMouseEvent* e)
{
    // The middle button pastes the selection clipboard.
    if (e->button() == Qt::MiddleButton && !EditCanModify()) {
        e->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(e);
}

void TxInplaceEdit::wheelEvent(QWheelEvent* e)
{
    const QPoint p = mapTo(FGrid->viewport(), e->position().toPoint());
    bool handled = false;
    Guarded([&] { handled = FGrid->MouseWheel(ShiftStateOf(e->modifiers()), e->angleDelta().y(), p.x(), p.y()); });
    if (handled)
        e->accept();
    else
        QLineEdit::wheelEvent(e);
}

// --- Focus ---

void TxInplaceEdit::focusInEvent(QFocusEvent* e)
{
    QLineEdit::focusInEvent(e);
    FGrid->EditorFocusIn();
}

void TxInplaceEdit::focusOutEvent(QFocusEvent* e)
{
    QLineEdit::focusOutEvent(e);
    FGrid->EditorFocusOut(e);
}

// --- Changes that bypass the keys ---

void TxInplaceEdit::contextMenuEvent(QContextMenuEvent* e)
{
    if (EditCanModify()) {
        QLineEdit::contextMenuEvent(e);
        return;
    }
    // The menu of a read-only edit: copy and select, nothing that changes.
    const bool wasReadOnly = isReadOnly();
    setReadOnly(true);
    QLineEdit::contextMenuEvent(e);
    setReadOnly(wasReadOnly);
}

void TxInplaceEdit::dragEnterEvent(QDragEnterEvent* e)
{
    if (EditCanModify())
        QLineEdit::dragEnterEvent(e);
    else
        e->ignore();
}

void TxInplaceEdit::dragMoveEvent(QDragMoveEvent* e)
{
    if (EditCanModify())
        QLineEdit::dragMoveEvent(e);
    else
        e->ignore();
}

void TxInplaceEdit::dropEvent(QDropEvent* e)
{
    if (EditCanModify())
        QLineEdit::dropEvent(e);
    else
        e->ignore();
}

void TxInplaceEdit::inputMethodEvent(QInputMethodEvent* e)
{
    if (EditCanModify())
        QLineEdit::inputMethodEvent(e);
    else
        e->ignore();
}
