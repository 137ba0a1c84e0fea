#include "TestUtil.h"
#include "TxFmtEdit.h"
#include "TxPlatform.h"

#include <QApplication>
#include <QDialog>
#include <QInputMethodEvent>
#include <QPushButton>
#include <QShortcut>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>

namespace {

// The platform reports a window active before the application has moved the
// focus into it.
bool WaitActive(QWidget* window)
{
    window->activateWindow();
    return QTest::qWaitForWindowActive(window) &&
           QTest::qWaitFor([window] { return QApplication::activeWindow() == window; });
}

// A window with two numeric edits, shown and active.
class FmtEditWindow : public ::testing::Test {
protected:
    TRecordingMessageService Service;
    TScopedMessageService Scope{Service};
    QWidget Form;
    TFmtEdit* Edit = new TFmtEdit(&Form);
    TFmtEdit* Other = new TFmtEdit(&Form);
    int Enters = 0;
    int Exits = 0;
    int OtherEnters = 0;

    void SetUp() override
    {
        auto* layout = new QVBoxLayout(&Form);
        layout->addWidget(Edit);
        layout->addWidget(Other);
        Edit->OnEnter = [this](QObject*) { ++Enters; };
        Edit->OnExit = [this](QObject*) { ++Exits; };
        Other->OnEnter = [this](QObject*) { ++OtherEnters; };
        Form.show();
        ASSERT_TRUE(WaitActive(&Form));
    }

    // Tabs into the edit (which selects its text) and types `keys`.
    void TypeInto(const QString& keys)
    {
        Edit->setModified(false);
        Other->setFocus(Qt::TabFocusReason);
        Edit->setFocus(Qt::TabFocusReason);
        Edit->selectAll();
        QTest::keyClicks(Edit, keys);
    }
};

TEST(FmtEdit, NewEdit)
{
    TFmtEdit edit;
    EXPECT_EQ(edit.text(), QStringLiteral("0.0"));
    EXPECT_EQ(edit.FormatStr(), QStringLiteral("%0.1f"));
    EXPECT_EQ(edit.FormatType(), ft_Fixed);
    EXPECT_EQ(edit.SigDigs(), 5);
    EXPECT_EQ(edit.UnitsType(), utNone);
    EXPECT_EQ(edit.UnitsValue(), 0);
    EXPECT_EQ(edit.UnitsBase(), 0);
    EXPECT_EQ(edit.RangeLo(), 0.0);
    EXPECT_EQ(edit.RangeHi(), 0.0);
    EXPECT_EQ(edit.UnitsLabel(), nullptr);
    EXPECT_FALSE(edit.isModified());
    EXPECT_EQ(edit.OldValue(), QString());
    EXPECT_DOUBLE_EQ(edit.AsFloat(), 0.0);
}

TEST(FmtEdit, LayoutPropertiesSetTheUnitsBeforeTheText)
{
    TFmtEdit edit;
    edit.setProperty("FormatType", int(ft_Fixed));
    edit.setProperty("UnitsType", int(utLengthMeasure));
    edit.setProperty("UnitsValue", 2);
    edit.setProperty("RangeHi", 2.0);
    edit.setText(QStringLiteral("750.0"));
    EXPECT_EQ(edit.UnitsType(), utLengthMeasure);
    EXPECT_EQ(edit.FormatStr(), QStringLiteral("%0.1f"));
    EXPECT_EQ(edit.RangeHi(), 2.0);
    EXPECT_DOUBLE_EQ(edit.AsFloat(), 0.75);
}

TEST_F(FmtEditWindow, TypedKeysAreFiltered)
{
    Edit->SetFormatStr(QStringLiteral("%d"));
    TypeInto(QStringLiteral("2.5"));
    EXPECT_EQ(Edit->text(), QStringLiteral("25"));
    EXPECT_EQ(Service.Beeps, 1);
    EXPECT_EQ(Edit->Value(), QVariant(25));

    Service.Clear();
    Edit->SetFormatStr(QStringLiteral("%0.1f/%0.1f"));
    TypeInto(QStringLiteral("2/3x"));
    EXPECT_EQ(Edit->text(), QStringLiteral("2/3"));
    EXPECT_EQ(Service.Beeps, 1);
    QTest::keyClick(Edit, Qt::Key_Return);
    EXPECT_EQ(Edit->text(), QStringLiteral("2.0/3.0"));
    EXPECT_EQ(Edit->Value(), QVariant(QStringLiteral("2.0/3.0")));

    Service.Clear();
    Edit->SetFormatStr(QStringLiteral("%S"));
    TypeInto(QStringLiteral("Hello, World"));
    EXPECT_EQ(Edit->text(), QStringLiteral("Hello, World"));
    EXPECT_EQ(Service.Beeps, 0);
}

TEST_F(FmtEditWindow, TypingOverASelection)
{
    Edit->setFocus(Qt::TabFocusReason);
    Edit->setText(QStringLiteral("12345"));
    Edit->setSelection(2, 2);
    QTest::keyClick(Edit, Qt::Key_9);
    EXPECT_EQ(Edit->text(), QStringLiteral("1295"));
    EXPECT_EQ(Edit->cursorPosition(), 3);
    EXPECT_FALSE(Edit->hasSelectedText());

    Edit->setSelection(1, 2);
    QTest::keyClick(Edit, Qt::Key_X);
    EXPECT_EQ(Edit->text(), QStringLiteral("1295"));
    EXPECT_EQ(Edit->selectedText(), QStringLiteral("29"));

    // Backspace deletes the character before the caret.
    Edit->setCursorPosition(2);
    QTest::keyClick(Edit, Qt::Key_Backspace);
    EXPECT_EQ(Edit->text(), QStringLiteral("195"));
    EXPECT_EQ(Edit->cursorPosition(), 1);
    EXPECT_TRUE(Edit->isModified());

    Edit->setReadOnly(true);
    QTest::keyClick(Edit, Qt::Key_Backspace);
    QTest::keyClick(Edit, Qt::Key_7);
    EXPECT_EQ(Edit->text(), QStringLiteral("195"));
}

TEST_F(FmtEditWindow, KeyHandlersSeeAndStopKeys)
{
    Edit->setFocus(Qt::TabFocusReason);
    QList<int> downs;
    Edit->OnKeyDown = [&](QObject* sender, int& key, TShiftState) {
        EXPECT_EQ(sender, Edit);
        downs.append(key);
    };
    Edit->OnKeyPress = [&](QObject*, QChar& key) {
        if (key == QLatin1Char('5'))
            key = QLatin1Char('6');
        if (key == QLatin1Char('1'))
            key = QChar();
    };
    Edit->selectAll();
    QTest::keyClicks(Edit, QStringLiteral("512"));
    EXPECT_EQ(Edit->text(), QStringLiteral("62"));
    EXPECT_EQ(downs, (QList<int>{'5', '1', '2'}));
}

TEST_F(FmtEditWindow, EscapeRestoresTheEntryText)
{
    Edit->setText(QStringLiteral("42.0"));
    TypeInto(QStringLiteral("77"));
    EXPECT_EQ(Edit->text(), QStringLiteral("77"));
    QTest::keyClick(Edit, Qt::Key_Escape);
    EXPECT_EQ(Edit->text(), QStringLiteral("42.0"));
    EXPECT_FALSE(Edit->isModified());
}

TEST_F(FmtEditWindow, ReturnChecksTheRangeAndKeepsTheFocus)
{
    struct {
        const char* format;
        double lo, hi;
        const char* typed;
        const char* shown;
        int beeps;
    } const cases[] = {
        {"%0.2f", 10, 100, "9.96", "9.96", 0},
        {"%0.2f", 10, 100, "101", "100.00", 1},
        {"%0.1f", 0, 50, "-1", "0.0", 1},
    };
    for (const auto& c : cases) {
        Service.Clear();
        Edit->SetFormatStr(QString::fromLatin1(c.format));
        Edit->SetRangeLo(c.lo);
        Edit->SetRangeHi(c.hi);
        TypeInto(QString::fromLatin1(c.typed));
        QTest::keyClick(Edit, Qt::Key_Return);
        EXPECT_EQ(Edit->text(), QString::fromLatin1(c.shown)) << c.typed;
        EXPECT_EQ(Service.Beeps, c.beeps) << c.typed;
        EXPECT_TRUE(Edit->hasFocus());
    }
}

TEST_F(FmtEditWindow, TabOutOfRangeKeepsTheFocus)
{
    Edit->SetFormatStr(QStringLiteral("%0.2f"));
    Edit->SetRangeLo(10);
    Edit->SetRangeHi(100);
    TypeInto(QStringLiteral("101"));
    Enters = Exits = OtherEnters = 0;
    QString textSeenByExit;
    Edit->OnExit = [&](QObject*) {
        ++Exits;
        textSeenByExit = Edit->text();
    };
    QTest::keyClick(Edit, Qt::Key_Tab);
    EXPECT_EQ(Edit->text(), QStringLiteral("100.00"));
    EXPECT_EQ(textSeenByExit, QStringLiteral("100.00")); // validated before the exit event
    EXPECT_TRUE(Edit->hasFocus());
    EXPECT_EQ(QApplication::focusWidget(), Edit);
    EXPECT_EQ(Exits, 1);
    EXPECT_EQ(Enters, 0);
    EXPECT_EQ(OtherEnters, 0);
    EXPECT_EQ(Service.Beeps, 1);
    EXPECT_TRUE(Edit->isModified());

    // Now within range: Tab leaves.
    QTest::keyClick(Edit, Qt::Key_Tab);
    EXPECT_TRUE(Other->hasFocus());
    EXPECT_EQ(Exits, 2);
    EXPECT_EQ(OtherEnters, 1);
    EXPECT_EQ(Service.Beeps, 1);
}

TEST_F(FmtEditWindow, AnotherWindowOpeningDoesNotValidate)
{
    Edit->SetRangeHi(50);
    TypeInto(QStringLiteral("60"));
    Enters = Exits = 0;
    {
        QDialog dialog(&Form);
        auto* field = new QLineEdit(&dialog);
        dialog.setModal(true);
        dialog.show();
        ASSERT_TRUE(WaitActive(&dialog));
        EXPECT_TRUE(field->hasFocus());
        EXPECT_FALSE(Edit->hasFocus());
        dialog.close();
    }
    ASSERT_TRUE(WaitActive(&Form));
    EXPECT_TRUE(Edit->hasFocus());
    EXPECT_EQ(Edit->text(), QStringLiteral("60"));
    EXPECT_TRUE(Edit->isModified());
    EXPECT_EQ(Service.Beeps, 0);
    EXPECT_EQ(Enters, 0);
    EXPECT_EQ(Exits, 0);
    // Escape still restores the entry text: the entry was not run again.
    QTest::keyClick(Edit, Qt::Key_Escape);
    EXPECT_EQ(Edit->text(), QStringLiteral("0.0"));
}

TEST_F(FmtEditWindow, CommitEdit)
{
    Edit->SetRangeHi(50);
    Edit->setText(QStringLiteral("40"));
    Edit->setModified(true);
    Edit->CommitEdit();
    EXPECT_EQ(Edit->text(), QStringLiteral("40.0"));
    EXPECT_EQ(Exits, 1);
    EXPECT_FALSE(Edit->isModified());
    EXPECT_EQ(Service.Beeps, 0);
}

TEST_F(FmtEditWindow, FailedCommitTakesTheFocusFromAnotherEdit)
{
    int otherExits = 0;
    Other->OnExit = [&](QObject*) { ++otherExits; };
    Other->setFocus(Qt::TabFocusReason);
    Other->selectAll();
    QTest::keyClicks(Other, QStringLiteral("7"));
    Edit->SetRangeHi(50);
    Edit->setText(QStringLiteral("60"));
    Edit->setModified(true);
    Enters = Exits = 0;

    Edit->CommitEdit(); // a window's command, the focus elsewhere
    EXPECT_EQ(Edit->text(), QStringLiteral("50.0"));
    EXPECT_EQ(Service.Beeps, 1);
    EXPECT_TRUE(Edit->hasFocus());
    EXPECT_EQ(Enters, 0); // the entry text stays what it was
    EXPECT_EQ(Exits, 1);
    // The other edit left as usual: validated, its exit event fired.
    EXPECT_EQ(Other->text(), QStringLiteral("7.0"));
    EXPECT_EQ(otherExits, 1);
}

TEST_F(FmtEditWindow, PastedOrDroppedTextThatIsNoNumber)
{
    Edit->setText(QStringLiteral("12.0"));
    Other->setFocus(Qt::TabFocusReason);
    Edit->setFocus(Qt::TabFocusReason);
    Edit->selectAll();
    Edit->insert(QStringLiteral("1x2")); // what a paste or a drop does
    ASSERT_TRUE(Edit->isModified());
    QTest::keyClick(Edit, Qt::Key_Tab);
    EXPECT_EQ(Edit->text(), QStringLiteral("12.0"));
    EXPECT_TRUE(Edit->hasFocus());
    EXPECT_EQ(Service.Beeps, 1);
    double v = 0;
    EXPECT_TRUE(Edit->TryGetFloat(v));
    EXPECT_DOUBLE_EQ(v, 12.0);
}

TEST_F(FmtEditWindow, PassingThroughKeepsTheValueAndPastedTextReplacesIt)
{
    Edit->SetUnitsType(utLengthMeasure);
    Edit->SetUnitsValue(2);
    Edit->SetValue(0.50004);
    ASSERT_EQ(Edit->text(), QStringLiteral("500.0"));
    Edit->setFocus(Qt::TabFocusReason);
    QTest::keyClick(Edit, Qt::Key_Tab);
    EXPECT_EQ(Edit->AsFloat(), 0.50004);

    Edit->setFocus(Qt::TabFocusReason);
    Edit->selectAll();
    Edit->insert(QStringLiteral("500.0")); // the text shown, pasted: no change
    EXPECT_EQ(Edit->AsFloat(), 0.50004);
    Edit->selectAll();
    Edit->insert(QStringLiteral("500.00"));
    EXPECT_EQ(Edit->AsFloat(), 0.5);
}

TEST_F(FmtEditWindow, ALongTextShowsFromItsStartWithoutTheFocus)
{
    Edit->SetFormatStr(QStringLiteral("%0.3f"));
    Edit->setFocus(Qt::TabFocusReason);
    Edit->selectAll();
    Edit->insert(QStringLiteral("1e99")); // pasted
    QTest::keyClick(Edit, Qt::Key_Tab);
    ASSERT_FALSE(Edit->hasFocus());
    EXPECT_TRUE(Edit->text().startsWith(QStringLiteral("99999999999999996"))) << Edit->text().toStdString();
    EXPECT_EQ(Edit->cursorPosition(), 0);
    Edit->SetValue(1e40); // set while another control has the focus
    EXPECT_EQ(Edit->cursorPosition(), 0);
}

TEST_F(FmtEditWindow, InputMethodTextMeetsTheFilter)
{
    TypeInto(QString());
    Edit->selectAll();
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("1a2"));
    QApplication::sendEvent(Edit, &commit);
    EXPECT_EQ(Edit->text(), QStringLiteral("12"));
    EXPECT_EQ(Service.Beeps, 1);
}

TEST_F(FmtEditWindow, EscapeInADialog)
{
    QDialog dialog(&Form);
    auto* edit = new TFmtEdit(&dialog);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(edit);
    layout->addWidget(new QPushButton(QStringLiteral("OK"), &dialog));
    dialog.show();
    ASSERT_TRUE(WaitActive(&dialog));
    ASSERT_TRUE(edit->hasFocus()); // the window's first focus is an entry
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("5"));
    ASSERT_TRUE(edit->isModified());

    QTest::keyClick(edit, Qt::Key_Escape); // resets, the dialog stays
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(edit->text(), QStringLiteral("0.0"));
    QTest::keyClick(edit, Qt::Key_Escape); // nothing to reset: the dialog closes
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(FmtEditWindow, EscapeShortcutOfTheWindow)
{
    int fired = 0;
    QShortcut shortcut(QKeySequence(Qt::Key_Escape), &Form);
    QObject::connect(&shortcut, &QShortcut::activated, [&] { ++fired; });
    TypeInto(QStringLiteral("5"));
    QTest::keyClick(Edit, Qt::Key_Escape);
    EXPECT_EQ(fired, 0);
    QTest::keyClick(Edit, Qt::Key_Escape);
    EXPECT_EQ(fired, 1);
}

// ---------------------------------------------------------------------------
// Unit label links

class EditLabel : public ::testing::Test {
protected:
    static void Measure(TxCustomEdit& edit)
    {
        edit.SetUnitsType(utLengthMeasure);
        edit.SetUnitsBase(0);
        edit.SetUnitsValue(2);
    }
};

TEST_F(EditLabel, LinkShowsTheUnit)
{
    TFmtEditLabel label;
    TFmtEdit edit;
    Measure(edit);
    edit.SetValue(0.9);
    edit.SetUnitsLabel(&label);
    EXPECT_EQ(label.text(), QStringLiteral("mm"));
    EXPECT_EQ(label.Edits(), (QList<TxCustomEdit*>{&edit}));
    edit.SetUnitsLabel(&label); // no duplicates
    EXPECT_EQ(label.Edits().size(), 1);
    edit.SetUnitsValue(0);
    EXPECT_EQ(label.text(), QStringLiteral("m"));
    EXPECT_EQ(edit.text(), QStringLiteral("0.900"));
}

TEST_F(EditLabel, TextPatternBecomesANumberOnLink)
{
    TFmtEditLabel label;
    TFmtEdit edit;
    edit.SetFormatStr(QStringLiteral("%S"));
    edit.SetUnitsLabel(&label);
    EXPECT_EQ(edit.FormatStr(), QStringLiteral("%0.1f"));
}

TEST_F(EditLabel, RelinkingLeavesTheOldLabel)
{
    TFmtEditLabel first;
    TFmtEditLabel second;
    TFmtEdit edit;
    edit.SetUnitsLabel(&first);
    edit.SetUnitsLabel(&second);
    EXPECT_TRUE(first.Edits().isEmpty());
    EXPECT_EQ(second.Edits(), (QList<TxCustomEdit*>{&edit}));
    edit.SetUnitsLabel(nullptr);
    EXPECT_TRUE(second.Edits().isEmpty());
    EXPECT_EQ(edit.UnitsLabel(), nullptr);
}

TEST_F(EditLabel, DestroyingEitherSideUnlinks)
{
    auto label = std::make_unique<TFmtEditLabel>();
    TFmtEdit a;
    TFmtEdit b;
    a.SetUnitsLabel(label.get());
    b.SetUnitsLabel(label.get());
    label.reset();
    EXPECT_EQ(a.UnitsLabel(), nullptr);
    EXPECT_EQ(b.UnitsLabel(), nullptr);
    a.SetUnitsValue(0); // no label to write to

    TFmtEditLabel other;
    auto edit = std::make_unique<TFmtEdit>();
    edit->SetUnitsLabel(&other);
    a.SetUnitsLabel(&other);
    edit.reset();
    EXPECT_EQ(other.Edits(), (QList<TxCustomEdit*>{&a}));
}

} // namespace
