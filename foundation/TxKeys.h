#pragma once

#include <QChar>

#include <functional>

class QKeyEvent;

// Key codes as the program's key handlers know them (the old platform's
// virtual-key numbering), so handlers compare with 13 for Enter, 38 for Up...
enum TVirtualKey : int {
    VK_NONE = 0,
    VK_BACK = 0x08,
    VK_TAB = 0x09,
    VK_RETURN = 0x0D,
    VK_SHIFT = 0x10,
    VK_CONTROL = 0x11,
    VK_MENU = 0x12,
    VK_PAUSE = 0x13,
    VK_CAPITAL = 0x14,
    VK_ESCAPE = 0x1B,
    VK_SPACE = 0x20,
    VK_PRIOR = 0x21,
    VK_NEXT = 0x22,
    VK_END = 0x23,
    VK_HOME = 0x24,
    VK_LEFT = 0x25,
    VK_UP = 0x26,
    VK_RIGHT = 0x27,
    VK_DOWN = 0x28,
    VK_SNAPSHOT = 0x2C,
    VK_INSERT = 0x2D,
    VK_DELETE = 0x2E,
    VK_HELP = 0x2F,
    VK_APPS = 0x5D,
    VK_NUMPAD0 = 0x60,
    VK_MULTIPLY = 0x6A,
    VK_ADD = 0x6B,
    VK_SUBTRACT = 0x6D,
    VK_DECIMAL = 0x6E,
    VK_DIVIDE = 0x6F,
    VK_F1 = 0x70,
    VK_F2 = 0x71,
    VK_F24 = 0x87,
    VK_OEM_1 = 0xBA,      // ;
    VK_OEM_PLUS = 0xBB,   // =
    VK_OEM_COMMA = 0xBC,  // ,
    VK_OEM_MINUS = 0xBD,  // -
    VK_OEM_PERIOD = 0xBE, // .
    VK_OEM_2 = 0xBF,      // /
    VK_OEM_3 = 0xC0,      // `
    VK_OEM_4 = 0xDB,      // [
    VK_OEM_5 = 0xDC,      // backslash
    VK_OEM_6 = 0xDD,      // ]
    VK_OEM_7 = 0xDE,      // '
    VK_UNKNOWN = 0xFF,    // a key with no code of its own
};
// Letters and digits use their upper-case ASCII codes ('A' = 0x41, '0' = 0x30).

// Modifier keys and mouse buttons held during an input event.
enum TShiftFlag : unsigned {
    ssShift = 1,
    ssAlt = 2,
    ssCtrl = 4,
    ssLeft = 8,
    ssRight = 16,
    ssMiddle = 32,
    ssDouble = 64,
};
using TShiftState = unsigned;

TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons = Qt::NoButton,
                         bool doubleClick = false);

// One keystroke as the two phases see it.
struct TKeyStroke {
    int Key = VK_NONE; // key-down phase
    TShiftState Shift = 0;
    QChar Char; // character phase; null when the key types none
};

int VirtualKeyOf(const QKeyEvent& e);
// The character a key press types: Enter #13, Backspace #8, Escape #27, Tab #9,
// Ctrl+letter #1..#26, otherwise the typed text; none for Delete, cursor keys
// and Alt combinations.
QChar CharOf(const QKeyEvent& e);
TKeyStroke KeyStrokeOf(const QKeyEvent& e);
// The Qt key of a virtual-key code (for handlers that change the key).
int QtKeyOfVirtualKey(int key);

// Runs one key press through both phases, as the old platform delivered it:
// keyDown(key, shift) first, then, when the key types a character,
// keyPress(ch), which runs even when the key-down phase cleared the key.
// The control's standard handling (`standard`) then sees the keystroke only
// where a phase left it: a typing key when the character survived (changed
// characters are passed on changed), any other key when the key-down phase
// left the key (a changed key is passed on as that key).
void DispatchKeyPress(QKeyEvent* e, const std::function<void(int& key, TShiftState shift)>& keyDown,
                      const std::function<void(QChar& ch)>& keyPress,
                      const std::function<void(QKeyEvent* e)>& standard);
