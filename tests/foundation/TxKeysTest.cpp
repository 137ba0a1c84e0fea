#include "TestUtil.h"
#include "TxKeys.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// An edit that runs both key phases and records what each saw.
class TPhaseEdit : public QLineEdit {
public:
    std::function<void(int&, TShiftState)> Down;
    std::function<void(QChar&)> Press;
    QStringList Log;

protected:
    void keyPressEvent(QKeyEvent* e) override
    {
        DispatchKeyPress(
            e,
            [&](int& key, TShiftState shift) {
                Log.append(QStringLiteral("down %1/%2").arg(key).arg(shift));
                if (Down)
                    Down(key, shift);
            },
            [&](QChar& ch) {
                Log.append(QStringLiteral("char %1").arg(ch.unicode()));
                if (Press)
                    Press(ch);
            },
            [&](QKeyEvent* ev) { QLineEdit::keyPressEvent(ev); });
    }
};

TEST(KeyStroke, CodesAndCharacters)
{
    struct {
        int qtKey;
        Qt::KeyboardModifiers mods;
        QString text;
        int vk;
        int ch; // -1: none
    } cases[] = {
        {Qt::Key_Return, Qt::NoModifier, "\r", VK_RETURN, 13},
        {Qt::Key_Enter, Qt::KeypadModifier, "\r", VK_RETURN, 13},
        {Qt::Key_Backspace, Qt::NoModifier, "\b", VK_BACK, 8},
        {Qt::Key_Escape, Qt::NoModifier, "\x1b", VK_ESCAPE, 27},
        {Qt::Key_Delete, Qt::NoModifier, "\x7f", VK_DELETE, -1},
        {Qt::Key_Up, Qt::NoModifier, "", VK_UP, -1},
        {Qt::Key_F2, Qt::NoModifier, "", VK_F2, -1},
        {Qt::Key_A, Qt::NoModifier, "a", 'A', 'a'},
        {Qt::Key_A, Qt::ShiftModifier, "A", 'A', 'A'},
        {Qt::Key_C, Qt::ControlModifier, "\x03", 'C', 3},
        {Qt::Key_V, Qt::ControlModifier, "\x16", 'V', 22},
        {Qt::Key_X, Qt::AltModifier, "x", 'X', -1},
        {Qt::Key_5, Qt::KeypadModifier, "5", VK_NUMPAD0 + 5, '5'},
        {Qt::Key_Period, Qt::NoModifier, ".", VK_OEM_PERIOD, '.'},
        {Qt::Key_Minus, Qt::NoModifier, "-", VK_OEM_MINUS, '-'},
        {Qt::Key_Exclam, Qt::ShiftModifier, "!", '1', '!'},
        {Qt::Key_Backtab, Qt::ShiftModifier, "", VK_TAB, 9},
    };
    for (const auto& c : cases) {
        QKeyEvent e(QEvent::KeyPress, c.qtKey, c.mods, c.text);
        const TKeyStroke k = KeyStrokeOf(e);
        EXPECT_EQ(k.Key, c.vk) << c.text.toStdString();
        EXPECT_EQ(k.Char.isNull() ? -1 : int(k.Char.unicode()), c.ch) << c.vk;
        EXPECT_EQ(QtKeyOfVirtualKey(c.vk) == Qt::Key_unknown, false) << c.vk;
    }
    EXPECT_EQ(ShiftStateOf(Qt::ShiftModifier | Qt::ControlModifier, Qt::LeftButton, true),
              unsigned(ssShift | ssCtrl | ssLeft | ssDouble));
}

TEST(KeyPhases, BothPhasesRunForEveryTypingKey)
{
    TPhaseEdit edit;
    QTest::keyClick(&edit, Qt::Key_A);
    EXPECT_EQ(edit.Log, (QStringList{"down 65/0", "char 97"}));
    EXPECT_EQ(edit.text(), "a");

    // Clearing the key in the key-down phase does not stop the character
    // phase; the character still types when that phase keeps it.
    edit.Log.clear();
    edit.Down = [](int& key, TShiftState) { key = 0; };
    QTest::keyClick(&edit, Qt::Key_B);
    EXPECT_EQ(edit.Log, (QStringList{"down 66/0", "char 98"}));
    EXPECT_EQ(edit.text(), "ab");

    // ...but a key without a character is gone.
    QTest::keyClick(&edit, Qt::Key_Left);
    EXPECT_EQ(edit.cursorPosition(), 2);
}

TEST(KeyPhases, CharacterPhaseCanDropOrChangeTheCharacter)
{
    TPhaseEdit edit;
    edit.Press = [](QChar& ch) {
        if (ch == QLatin1Char('x'))
            ch = QChar();
        else if (ch == QLatin1Char('e'))
            ch = QLatin1Char('E');
    };
    QTest::keyClicks(&edit, "text");
    EXPECT_EQ(edit.text(), "tEt");

    edit.Press = [](QChar& ch) {
        if (ch.unicode() == 8)
            ch = QChar();
    };
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), "tEt") << "a dropped backspace deletes nothing";
}

TEST(KeyPhases, KeyDownCanChangeTheKey)
{
    TPhaseEdit edit;
    edit.setText("abc");
    edit.setCursorPosition(3);
    edit.Down = [](int& key, TShiftState) {
        if (key == VK_UP)
            key = VK_HOME;
    };
    QTest::keyClick(&edit, Qt::Key_Up);
    EXPECT_EQ(edit.cursorPosition(), 0);
}

} // namespace
