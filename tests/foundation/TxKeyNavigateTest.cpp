#include "TestUtil.h"
#include "TxKeyNavigate.h"
#include "TxKeys.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

// A dialog with one control of each kind, in tab order.
struct TDialog {
    TDialog()
    {
        auto* layout = new QVBoxLayout(&Form);
        auto add = [&](QWidget* w, const char* name) {
            w->setObjectName(name);
            layout->addWidget(w);
            return w;
        };
        add(Edit, "edit");
        add(Spin, "spin");
        Editable->setEditable(true);
        Editable->addItems({"a", "b"});
        add(Editable, "editable");
        Plain->addItems({"a", "b", "c"});
        add(Plain, "plain");
        Date->setDate(QDate(2024, 5, 15));
        add(Date, "date");
        add(Memo, "memo");
        Grid->setProperty(InplaceEditorProperty, true);
        Grid->setFocusPolicy(Qt::StrongFocus);
        GridEditor = new QLineEdit(Grid);
        layout->addWidget(Grid);
        Tabs->addTab("one");
        Tabs->addTab("two");
        add(Tabs, "tabs");
        add(Disabled, "disabled");
        Disabled->setEnabled(false);
        add(Hidden, "hidden");
        add(Last, "last");
        Navigator = std::make_unique<TFormKeyNavigator>(&Form);
        Form.show();
        Hidden->hide();
        Form.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&Form));
    }

    QWidget Form;
    QLineEdit* Edit = new QLineEdit;
    QSpinBox* Spin = new QSpinBox;
    QComboBox* Editable = new QComboBox;
    QComboBox* Plain = new QComboBox;
    QDateEdit* Date = new QDateEdit;
    QPlainTextEdit* Memo = new QPlainTextEdit;
    QWidget* Grid = new QWidget;
    QLineEdit* GridEditor = nullptr;
    QTabBar* Tabs = new QTabBar;
    QLineEdit* Disabled = new QLineEdit;
    QLineEdit* Hidden = new QLineEdit;
    QLineEdit* Last = new QLineEdit;
    std::unique_ptr<TFormKeyNavigator> Navigator;
};

struct NavCase {
    const char* from;
    Qt::Key key;
    const char* to; // name of the control that has the focus afterwards
};

class KeyNavigation : public ::testing::TestWithParam<NavCase> {};

QWidget* Control(TDialog& d, const char* name)
{
    return QByteArray(name) == "grid" ? d.GridEditor : d.Form.findChild<QWidget*>(name);
}

// The focus may sit in the line edit inside a spin box or combo box.
bool HasFocusWithin(QWidget* w)
{
    QWidget* focus = QApplication::focusWidget();
    return focus && (focus == w || w->isAncestorOf(focus));
}

TEST_P(KeyNavigation, MovesFocusFromSingleLineControlsOnly)
{
    TDialog d;
    const NavCase& c = GetParam();
    QWidget* from = Control(d, c.from);
    QWidget* to = Control(d, c.to);
    ASSERT_TRUE(from && to);
    from->setFocus();
    ASSERT_TRUE(HasFocusWithin(from));
    const int spinBefore = d.Spin->value();
    const int plainBefore = d.Plain->currentIndex();
    const QDate dateBefore = d.Date->date();
    QTest::keyClick(QApplication::focusWidget(), c.key);
    EXPECT_TRUE(HasFocusWithin(to)) << c.from << " key " << c.key << " gave "
                                    << QApplication::focusWidget()->objectName().toStdString();
    EXPECT_EQ(d.Spin->value(), spinBefore) << "the key never reached the spin box";
    if (from == d.Plain) {
        EXPECT_EQ(d.Plain->currentIndex(), plainBefore + 1) << "a plain combo box keeps its keys";
    }
    if (from == d.Date) {
        EXPECT_NE(d.Date->date(), dateBefore) << "a date picker keeps its arrow keys";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Dialog, KeyNavigation,
    ::testing::Values(NavCase{"edit", Qt::Key_Return, "spin"}, NavCase{"edit", Qt::Key_Enter, "spin"},
                      NavCase{"edit", Qt::Key_Down, "spin"}, NavCase{"spin", Qt::Key_Up, "edit"},
                      NavCase{"spin", Qt::Key_Down, "editable"}, NavCase{"editable", Qt::Key_Up, "spin"},
                      NavCase{"editable", Qt::Key_Return, "plain"}, NavCase{"plain", Qt::Key_Down, "plain"},
                      NavCase{"date", Qt::Key_Down, "date"}, NavCase{"date", Qt::Key_Up, "date"},
                      NavCase{"memo", Qt::Key_Return, "memo"}, NavCase{"grid", Qt::Key_Return, "grid"},
                      NavCase{"grid", Qt::Key_Down, "grid"}, NavCase{"tabs", Qt::Key_Down, "last"},
                      NavCase{"last", Qt::Key_Up, "tabs"}, NavCase{"edit", Qt::Key_Left, "edit"},
                      NavCase{"edit", Qt::Key_Up, "last"}));

TEST(KeyNavigation, MemoKeepsItsEnterAndKeyCodesAreCleared)
{
    TDialog d;
    d.Memo->setFocus();
    QTest::keyClicks(d.Memo, "ab");
    QTest::keyClick(d.Memo, Qt::Key_Return);
    QTest::keyClicks(d.Memo, "c");
    EXPECT_EQ(d.Memo->toPlainText(), "ab\nc");

    d.Edit->setFocus();
    int key = VK_RETURN;
    EXPECT_TRUE(FormKeyNavigate(&d.Form, key));
    EXPECT_EQ(key, VK_NONE);
    EXPECT_TRUE(d.Spin->hasFocus());
    key = VK_TAB;
    EXPECT_FALSE(FormKeyNavigate(&d.Form, key));
    EXPECT_EQ(key, VK_TAB);
}

} // namespace
