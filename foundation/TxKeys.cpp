#include "TxKeys.h"

#include <QKeyEvent>

TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons, bool doubleClick)
{
    TShiftState s = 0;
    if (modifiers & Qt::ShiftModifier)
        s |= ssShift;
    if (modifiers & Qt::AltModifier)
        s |= ssAlt;
    if (modifiers & Qt::ControlModifier)
        s |= ssCtrl;
    if (buttons & Qt::LeftButton)
        s |= ssLeft;
    if (buttons & Qt::RightButton)
        s |= ssRight;
    if (buttons & Qt::MiddleButton)
        s |= ssMiddle;
    if (doubleClick)
        s |= ssDouble;
    return s;
}

namespace {

struct KeyPair {
    int qt;
    int vk;
};

const KeyPair kKeys[] = {
    {Qt::Key_Backspace, VK_BACK},
    {Qt::Key_Tab, VK_TAB},
    {Qt::Key_Backtab, VK_TAB},
    {Qt::Key_Return, VK_RETURN},
    {Qt::Key_Enter, VK_RETURN},
    {Qt::Key_Shift, VK_SHIFT},
    {Qt::Key_Control, VK_CONTROL},
    {Qt::Key_Alt, VK_MENU},
    {Qt::Key_AltGr, VK_MENU},
    {Qt::Key_Pause, VK_PAUSE},
    {Qt::Key_CapsLock, VK_CAPITAL},
    {Qt::Key_Escape, VK_ESCAPE},
    {Qt::Key_Space, VK_SPACE},
    {Qt::Key_PageUp, VK_PRIOR},
    {Qt::Key_PageDown, VK_NEXT},
    {Qt::Key_End, VK_END},
    {Qt::Key_Home, VK_HOME},
    {Qt::Key_Left, VK_LEFT},
    {Qt::Key_Up, VK_UP},
    {Qt::Key_Right, VK_RIGHT},
    {Qt::Key_Down, VK_DOWN},
    {Qt::Key_Print, VK_SNAPSHOT},
    {Qt::Key_Insert, VK_INSERT},
    {Qt::Key_Delete, VK_DELETE},
    {Qt::Key_Help, VK_HELP},
    {Qt::Key_Menu, VK_APPS},
    {Qt::Key_Semicolon, VK_OEM_1},
    {Qt::Key_Colon, VK_OEM_1},
    {Qt::Key_Equal, VK_OEM_PLUS},
    {Qt::Key_Plus, VK_OEM_PLUS},
    {Qt::Key_Comma, VK_OEM_COMMA},
    {Qt::Key_Less, VK_OEM_COMMA},
    {Qt::Key_Minus, VK_OEM_MINUS},
    {Qt::Key_Underscore, VK_OEM_MINUS},
    {Qt::Key_Period, VK_OEM_PERIOD},
    {Qt::Key_Greater, VK_OEM_PERIOD},
    {Qt::Key_Slash, VK_OEM_2},
    {Qt::Key_Question, VK_OEM_2},
    {Qt::Key_QuoteLeft, VK_OEM_3},
    {Qt::Key_AsciiTilde, VK_OEM_3},
    {Qt::Key_BracketLeft, VK_OEM_4},
    {Qt::Key_BraceLeft, VK_OEM_4},
    {Qt::Key_Backslash, VK_OEM_5},
    {Qt::Key_Bar, VK_OEM_5},
    {Qt::Key_BracketRight, VK_OEM_6},
    {Qt::Key_BraceRight, VK_OEM_6},
    {Qt::Key_Apostrophe, VK_OEM_7},
    {Qt::Key_QuoteDbl, VK_OEM_7},
};

// Shifted digits on a US layout, so Shift+1 is still the key '1'.
const KeyPair kShiftedDigits[] = {
    {Qt::Key_Exclam, '1'},    {Qt::Key_At, '2'},          {Qt::Key_NumberSign, '3'}, {Qt::Key_Dollar, '4'},
    {Qt::Key_Percent, '5'},   {Qt::Key_AsciiCircum, '6'}, {Qt::Key_Ampersand, '7'},  {Qt::Key_Asterisk, '8'},
    {Qt::Key_ParenLeft, '9'}, {Qt::Key_ParenRight, '0'},
};

} // namespace

int VirtualKeyOf(const QKeyEvent& e)
{
    const int key = e.key();
    const bool keypad = e.modifiers() & Qt::KeypadModifier;
    if (keypad) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9)
            return VK_NUMPAD0 + (key - Qt::Key_0);
        switch (key) {
        case Qt::Key_Asterisk:
            return VK_MULTIPLY;
        case Qt::Key_Plus:
            return VK_ADD;
        case Qt::Key_Minus:
            return VK_SUBTRACT;
        case Qt::Key_Period:
        case Qt::Key_Comma:
            return VK_DECIMAL;
        case Qt::Key_Slash:
            return VK_DIVIDE;
        default:
            break;
        }
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return 'A' + (key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return '0' + (key - Qt::Key_0);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return VK_F1 + (key - Qt::Key_F1);
    for (const auto& p : kKeys)
        if (p.qt == key)
            return p.vk;
    for (const auto& p : kShiftedDigits)
        if (p.qt == key)
            return p.vk;
    return VK_UNKNOWN;
}

QChar CharOf(const QKeyEvent& e)
{
    const Qt::KeyboardModifiers mods = e.modifiers();
    switch (e.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return QChar(13);
    case Qt::Key_Backspace:
        return QChar(8);
    case Qt::Key_Escape:
        return QChar(27);
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return QChar(9);
    case Qt::Key_Delete:
        return QChar();
    default:
        break;
    }
    const bool ctrl = mods & Qt::ControlModifier;
    const bool alt = mods & Qt::AltModifier;
    if (ctrl && !alt) {
        if (e.key() >= Qt::Key_A && e.key() <= Qt::Key_Z)
            return QChar(static_cast<char16_t>(1 + e.key() - Qt::Key_A));
        return QChar();
    }
    if (alt && !ctrl)
        return QChar(); // a menu accelerator, not a character
    const QString text = e.text();
    if (text.isEmpty())
        return QChar();
    const QChar c = text.at(0);
    if (c.unicode() < 32 || c.unicode() == 127)
        return QChar();
    return c;
}

TKeyStroke KeyStrokeOf(const QKeyEvent& e)
{
    TKeyStroke k;
    k.Key = VirtualKeyOf(e);
    k.Shift = ShiftStateOf(e.modifiers());
    k.Char = CharOf(e);
    return k;
}

int QtKeyOfVirtualKey(int key)
{
    if (key >= 'A' && key <= 'Z')
        return Qt::Key_A + (key - 'A');
    if (key >= '0' && key <= '9')
        return Qt::Key_0 + (key - '0');
    if (key >= VK_NUMPAD0 && key <= VK_NUMPAD0 + 9)
        return Qt::Key_0 + (key - VK_NUMPAD0);
    if (key >= VK_F1 && key <= VK_F24)
        return Qt::Key_F1 + (key - VK_F1);
    for (const auto& p : kKeys)
        if (p.vk == key)
            return p.qt;
    return Qt::Key_unknown;
}

namespace {

int QtKeyOfChar(QChar ch)
{
    switch (ch.unicode()) {
    case 13:
        return Qt::Key_Return;
    case 8:
        return Qt::Key_Backspace;
    case 27:
        return Qt::Key_Escape;
    case 9:
        return Qt::Key_Tab;
    default:
        break;
    }
    const char16_t u = ch.toUpper().unicode();
    if (u < 128 && u >= 32)
        return u; // Qt numbers printable ASCII keys by their upper-case code
    return Qt::Key_unknown;
}

} // namespace

void DispatchKeyPress(QKeyEvent* e, const std::function<void(int& key, TShiftState shift)>& keyDown,
                      const std::function<void(QChar& ch)>& keyPress, const std::function<void(QKeyEvent* e)>& standard)
{
    const TKeyStroke stroke = KeyStrokeOf(*e);
    int key = stroke.Key;
    if (keyDown)
        keyDown(key, stroke.Shift);
    if (!stroke.Char.isNull()) {
        QChar ch = stroke.Char;
        if (keyPress)
            keyPress(ch);
        if (ch.isNull()) {
            e->accept();
            return;
        }
        if (ch == stroke.Char) {
            standard(e);
            return;
        }
        // Ctrl+letter characters keep their modifiers; a character changed by a
        // handler is typed as plain text.
        const bool control = ch.unicode() < 32;
        const QString text =
            control && ch.unicode() != 13 && ch.unicode() != 8 && ch.unicode() != 27 && ch.unicode() != 9 ? QString()
                                                                                                          : QString(ch);
        const Qt::KeyboardModifiers mods = control ? e->modifiers() : (e->modifiers() & Qt::ShiftModifier);
        QKeyEvent changed(e->type(), QtKeyOfChar(ch), mods, text, e->isAutoRepeat());
        standard(&changed);
        e->setAccepted(changed.isAccepted());
        return;
    }
    if (key == VK_NONE) {
        e->accept();
        return;
    }
    if (key == stroke.Key) {
        standard(e);
        return;
    }
    QKeyEvent changed(e->type(), QtKeyOfVirtualKey(key), e->modifiers(), QString(), e->isAutoRepeat());
    standard(&changed);
    e->setAccepted(changed.isAccepted());
}
