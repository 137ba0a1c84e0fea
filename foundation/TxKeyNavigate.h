#pragma once

#include <QObject>

class QKeyEvent;
class QWidget;

// The property a grid sets on its in-place editor.
inline constexpr const char* InplaceEditorProperty = "voz_inplace_editor";

// Dialog key navigation: in a single-line edit (line edit, spin box, editable
// combo box; not a date picker) or a tab bar of `form`, Enter (VK_RETURN)
// and Down move the focus to the next control and Up to the previous one,
// and `key` becomes 0 so the control does not see it. Other keys and other controls are left
// alone, and so is the in-place editor of a grid: a widget that has, or sits
// in one that has, the dynamic property InplaceEditorProperty set to true.
// Returns whether it took the key.
bool FormKeyNavigate(QWidget* form, int& key);
// The same for a key event, accepted when taken.
bool FormKeyNavigate(QWidget* form, QKeyEvent* event);

// Applies FormKeyNavigate to every key pressed in `form`'s controls before
// the control sees it. Lives as long as the form.
class TFormKeyNavigator : public QObject {
    Q_OBJECT
public:
    explicit TFormKeyNavigator(QWidget* form);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* FForm;
};
