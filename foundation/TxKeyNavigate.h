#pragma once

#include <QObject>

class QKeyEvent;
class QWidget;

// Dialog key navigation: in a single-line edit (line edit, spin box, editable
// combo box) or a tab bar of `form`, Enter and Down move the focus to the
// next control and Up to the previous one, and the key goes no further. Other
// keys and other controls are left alone, and so is the in-place editor of a
// grid: a widget that has, or sits in one that has, the dynamic property
// "voz_inplace_editor" set to true. Returns whether it took the key.
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

// The property a grid sets on its in-place editor.
inline constexpr const char* InplaceEditorProperty = "voz_inplace_editor";
