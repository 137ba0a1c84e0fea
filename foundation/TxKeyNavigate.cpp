#include "TxKeyNavigate.h"

#include "TxKeys.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTabBar>
#include <QWidget>

namespace {

bool InInplaceEditor(QWidget* widget, QWidget* form)
{
    for (QWidget* w = widget; w; w = w->parentWidget()) {
        if (w->property(InplaceEditorProperty).toBool())
            return true;
        if (w == form)
            break;
    }
    return false;
}

bool IsSingleLineControl(QWidget* widget)
{
    if (auto* combo = qobject_cast<QComboBox*>(widget))
        return combo->isEditable();
    // A date picker is no edit: its arrow keys step the date.
    if (qobject_cast<QDateTimeEdit*>(widget))
        return false;
    return qobject_cast<QLineEdit*>(widget) || qobject_cast<QAbstractSpinBox*>(widget) ||
           qobject_cast<QTabBar*>(widget);
}

bool CanTakeTabFocus(QWidget* w, QWidget* form)
{
    return (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && !w->focusProxy() && w->isVisibleTo(form) &&
           w->isEnabled() && form->isAncestorOf(w);
}

// The next or previous control in the form's tab order, as Tab would reach it.
void MoveFocus(QWidget* form, QWidget* from, bool next)
{
    QWidget* w = from;
    for (;;) {
        w = next ? w->nextInFocusChain() : w->previousInFocusChain();
        if (!w || w == from)
            return;
        if (CanTakeTabFocus(w, form)) {
            w->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return;
        }
    }
}

} // namespace

bool FormKeyNavigate(QWidget* form, int& key)
{
    if (key != VK_RETURN && key != VK_DOWN && key != VK_UP)
        return false;
    QWidget* focus = QApplication::focusWidget();
    if (!form || !focus || !form->isAncestorOf(focus) || !IsSingleLineControl(focus) || InInplaceEditor(focus, form))
        return false;
    MoveFocus(form, focus, key != VK_UP);
    key = VK_NONE;
    return true;
}

bool FormKeyNavigate(QWidget* form, QKeyEvent* event)
{
    int key = VirtualKeyOf(*event);
    if (!FormKeyNavigate(form, key))
        return false;
    event->accept();
    return true;
}

TFormKeyNavigator::TFormKeyNavigator(QWidget* form) : QObject(form), FForm(form)
{
    // Keys go to the focused control first and reach the form only when the
    // control ignores them; watching the application sees them first.
    qApp->installEventFilter(this);
}

bool TFormKeyNavigator::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || watched != QApplication::focusWidget())
        return false;
    return FormKeyNavigate(FForm, static_cast<QKeyEvent*>(event));
}
