#include "TestUtil.h"
#include "TxFields.h"
#include "TxFmtEdit.h"
#include "TxPlatform.h"
#include "TxUnitsForm.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <functional>

namespace {

bool WaitActive(QWidget* window)
{
    window->activateWindow();
    return QTest::qWaitForWindowActive(window) &&
           QTest::qWaitFor([window] { return QApplication::activeWindow() == window; });
}

// Runs `drive` on the next units pop-up once it shows; `drive` must close it.
// Without `expected`, a pop-up that shows is a failure and is closed.
void DriveNextPopup(std::function<void(TUnitsForm&)> drive, bool expected = true)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    int tries = 0;
    QObject::connect(timer, &QTimer::timeout, [timer, drive, expected, tries]() mutable {
        auto* form = qobject_cast<TUnitsForm*>(QApplication::activePopupWidget());
        if (form && form->isVisible()) {
            timer->stop();
            timer->deleteLater();
            if (!expected) {
                ADD_FAILURE() << "a units pop-up opened";
                form->accept();
                return;
            }
            drive(*form);
            return;
        }
        if (++tries > (expected ? 300 : 10)) {
            timer->stop();
            timer->deleteLater();
            if (expected)
                ADD_FAILURE() << "no units pop-up opened";
        }
    });
    timer->start();
}

QStringList Items(const QListWidget& list)
{
    QStringList items;
    for (int i = 0; i < list.count(); ++i)
        items.append(list.item(i)->text());
    return items;
}

TEST(UnitsPopupGeometry, HeightAndWidth)
{
    struct {
        int count, itemHeight, height;
    } const cases[] = {{2, 13, 32}, {3, 13, 46}, {5, 13, 72}, {8, 13, 110}, {1, 16, 24}, {4, 18, 81}};
    for (const auto& c : cases)
        EXPECT_EQ(UnitsPopupHeight(c.count, c.itemHeight), c.height) << c.count << " x " << c.itemHeight;
    EXPECT_EQ(UnitsPopupWidth(20), 60);
    EXPECT_EQ(UnitsPopupWidth(50), 60);
    EXPECT_EQ(UnitsPopupWidth(73), 83);
}

TEST(UnitsPopupGeometry, KeptOnTheScreen)
{
    const QRect screen(0, 0, 800, 600);
    const QSize size(60, 72);
    struct {
        QPoint wanted, placed;
    } const cases[] = {
        {{100, 100}, {100, 100}}, {{790, 100}, {740, 100}}, {{100, 590}, {100, 528}},
        {{795, 595}, {740, 528}}, {{-30, -10}, {0, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UnitsPopupPos(c.wanted, size, screen), c.placed) << c.wanted.x() << "," << c.wanted.y();
    // On a second screen to the right.
    EXPECT_EQ(UnitsPopupPos({1900, 50}, size, QRect(800, 0, 1024, 768)), QPoint(1764, 50));
    // Larger than the screen: its top-left corner stays visible.
    EXPECT_EQ(UnitsPopupPos({10, 10}, QSize(900, 700), screen), QPoint(0, 0));
}

TEST(UnitsPopup, ListsTheKindsUnits)
{
    TUnitsForm form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Units"));
    form.FillUnitList(utLengthMeasure, 2);
    EXPECT_EQ(Items(*form.ListBox1), (QStringList{"m", "cm", "mm", "inch", "ft"}));
    EXPECT_EQ(form.SelectedIndex(), 2);
    const int itemHeight = form.ListBox1->sizeHintForRow(0);
    EXPECT_EQ(form.height(), UnitsPopupHeight(5, itemHeight));
    const QFontMetrics metrics(form.ListBox1->font());
    EXPECT_EQ(form.width(), UnitsPopupWidth(metrics.horizontalAdvance(QStringLiteral("inch"))));

    form.FillUnitList(utAirPressDrop, 40); // an index beyond the list highlights nothing
    EXPECT_EQ(form.ListBox1->count(), 8);
    EXPECT_EQ(form.SelectedIndex(), -1);
    form.FillUnitList(utNone, 0);
    EXPECT_EQ(form.ListBox1->count(), 0);
}

TEST(UnitsPopup, ReturnEscapeAndMousePressChoose)
{
    struct {
        const char* how;
        std::function<void(TUnitsForm&)> drive;
        int chosen;
    } const cases[] = {
        {"Up Up Return",
         [](TUnitsForm& f) {
             QTest::keyClick(f.ListBox1, Qt::Key_Up);
             QTest::keyClick(f.ListBox1, Qt::Key_Up);
             QTest::keyClick(f.ListBox1, Qt::Key_Return);
         },
         0},
        {"Down Escape",
         [](TUnitsForm& f) {
             QTest::keyClick(f.ListBox1, Qt::Key_Down);
             QTest::keyClick(f.ListBox1, Qt::Key_Escape);
         },
         3},
        {"press on cm",
         [](TUnitsForm& f) {
             const QRect r = f.ListBox1->visualItemRect(f.ListBox1->item(1));
             QTest::mousePress(f.ListBox1->viewport(), Qt::LeftButton, {}, r.center());
         },
         1},
        {"right press on ft",
         [](TUnitsForm& f) {
             const QRect r = f.ListBox1->visualItemRect(f.ListBox1->item(4));
             QTest::mousePress(f.ListBox1->viewport(), Qt::RightButton, {}, r.center());
         },
         4},
    };
    for (const auto& c : cases) {
        DriveNextPopup(c.drive);
        EXPECT_EQ(TUnitsForm::ChooseUnits(utLengthMeasure, 2, QPoint(40, 40)), c.chosen) << c.how;
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    }
}

TEST(UnitsPopup, ClickOutsideCloses)
{
    QWidget form;
    form.resize(400, 300);
    form.show();
    ASSERT_TRUE(WaitActive(&form));
    QPoint shownAt;
    DriveNextPopup([&](TUnitsForm& f) {
        shownAt = f.pos();
        QTest::keyClick(f.ListBox1, Qt::Key_Down);
        QTest::mouseClick(f.windowHandle(), Qt::LeftButton, {}, QPoint(-20, -20));
    });
    const QPoint at = form.mapToGlobal(QPoint(100, 100));
    EXPECT_EQ(TUnitsForm::ChooseUnits(utLengthMeasure, 2, at), 3);
    EXPECT_EQ(shownAt, at);
}

TEST(UnitsPopup, FieldMode)
{
    TNumField field(0, QStringLiteral("%0.1f"), 0, 0, 0);
    field.UnitsType = utVelocity;
    DriveNextPopup([](TUnitsForm& f) {
        EXPECT_EQ(Items(*f.ListBox1), (QStringList{"m/s", "fpm"}));
        EXPECT_EQ(f.SelectedIndex(), 0);
        QTest::keyClick(f.ListBox1, Qt::Key_Down);
        QTest::keyClick(f.ListBox1, Qt::Key_Return);
    });
    EXPECT_TRUE(TUnitsForm::ChooseFieldUnits(field, QPoint(10, 10)));
    EXPECT_EQ(field.UnitsValue, 1);

    TNumField plain(0, QStringLiteral("%0.1f"), 0, 0, 0);
    plain.UnitsValue = 3;
    DriveNextPopup({}, false);
    EXPECT_FALSE(TUnitsForm::ChooseFieldUnits(plain, QPoint(10, 10)));
    EXPECT_EQ(plain.UnitsValue, 3);
    QTest::qWait(150);
}

// ---------------------------------------------------------------------------
// The unit label's click

class LabelClick : public ::testing::Test {
protected:
    TRecordingMessageService Service;
    TScopedMessageService Scope{Service};
    QWidget Form;
    TFmtEditLabel* Label = new TFmtEditLabel(&Form);
    TFmtEdit* A = new TFmtEdit(&Form);
    TFmtEdit* B = new TFmtEdit(&Form);
    QList<QObject*> Edited;
    int Clicks = 0;

    void SetUp() override
    {
        auto* layout = new QVBoxLayout(&Form);
        layout->addWidget(Label);
        layout->addWidget(A);
        layout->addWidget(B);
        for (TFmtEdit* e : {A, B}) {
            e->SetUnitsType(utLengthMeasure);
            e->SetUnitsValue(2);
            e->OnUnitsEdited = [this](QObject* sender) { Edited.append(sender); };
        }
        Label->OnClick = [this](QObject* sender) {
            EXPECT_EQ(sender, Label);
            ++Clicks;
        };
        Form.show();
        ASSERT_TRUE(WaitActive(&Form));
    }
};

TEST_F(LabelClick, ChoiceConvertsEveryLinkedEdit)
{
    A->SetValue(0.9);
    B->SetValue(1.5);
    A->SetUnitsLabel(Label);
    B->SetUnitsLabel(Label);
    ASSERT_EQ(Label->text(), QStringLiteral("mm"));
    QStringList listed;
    int highlighted = -1;
    QPoint shownAt;
    DriveNextPopup([&](TUnitsForm& f) {
        listed = Items(*f.ListBox1);
        highlighted = f.SelectedIndex();
        shownAt = f.pos();
        QTest::keyClick(f.ListBox1, Qt::Key_Up);
        QTest::keyClick(f.ListBox1, Qt::Key_Up);
        QTest::keyClick(f.ListBox1, Qt::Key_Return);
    });
    QTest::mouseClick(Label, Qt::LeftButton);
    EXPECT_EQ(listed, (QStringList{"m", "cm", "mm", "inch", "ft"}));
    EXPECT_EQ(highlighted, 2);
    EXPECT_EQ(shownAt, Label->mapToGlobal(Label->rect().center()) + QPoint(5, 5));
    EXPECT_EQ(A->text(), QStringLiteral("0.900"));
    EXPECT_EQ(B->text(), QStringLiteral("1.500"));
    EXPECT_EQ(Label->text(), QStringLiteral("m"));
    EXPECT_EQ(Edited, (QList<QObject*>{A, B}));
    EXPECT_EQ(Clicks, 1);

    // Escape applies the highlighted unit as well.
    DriveNextPopup([](TUnitsForm& f) {
        QTest::keyClick(f.ListBox1, Qt::Key_End);
        QTest::keyClick(f.ListBox1, Qt::Key_Escape);
    });
    QTest::mouseClick(Label, Qt::LeftButton);
    EXPECT_EQ(A->UnitsValue(), 4);
    EXPECT_EQ(B->UnitsValue(), 4);
    EXPECT_EQ(Label->text(), QStringLiteral("ft"));
    EXPECT_EQ(Edited.size(), 4);
}

TEST_F(LabelClick, TheIndexIsLimitedForEachEdit)
{
    B->SetUnitsType(utVelocity);
    A->SetUnitsLabel(Label);
    B->SetUnitsLabel(Label);
    DriveNextPopup([](TUnitsForm& f) {
        QTest::keyClick(f.ListBox1, Qt::Key_Down);
        QTest::keyClick(f.ListBox1, Qt::Key_Return);
    });
    QTest::mouseClick(Label, Qt::LeftButton);
    EXPECT_EQ(A->UnitsValue(), 3);
    EXPECT_EQ(B->UnitsValue(), 1);
}

TEST_F(LabelClick, NothingHighlightedChangesNothing)
{
    A->SetValue(0.9);
    A->SetUnitsLabel(Label);
    DriveNextPopup([](TUnitsForm& f) {
        f.ListBox1->setCurrentRow(-1);
        f.accept();
    });
    QTest::mouseClick(Label, Qt::LeftButton);
    EXPECT_EQ(A->UnitsValue(), 2);
    EXPECT_EQ(A->text(), QStringLiteral("900.0"));
    EXPECT_TRUE(Edited.isEmpty());
    EXPECT_EQ(Clicks, 1);
}

TEST_F(LabelClick, NoPopupWithoutUnits)
{
    QTest::mouseClick(Label, Qt::LeftButton); // no edits linked
    EXPECT_EQ(Clicks, 1);

    A->SetUnitsType(utNone);
    A->SetUnitsLabel(Label);
    DriveNextPopup({}, false);
    QTest::mouseClick(Label, Qt::LeftButton);
    QTest::qWait(150);
    EXPECT_EQ(Clicks, 2);
    EXPECT_TRUE(Edited.isEmpty());
}

TEST_F(LabelClick, OnlyALeftClickInsideCounts)
{
    QTest::mouseClick(Label, Qt::RightButton);
    QTest::mousePress(Label, Qt::LeftButton);
    QTest::mouseRelease(Label, Qt::LeftButton, {}, QPoint(-5, -5));
    EXPECT_EQ(Clicks, 0);
    // A double-click is one click.
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                              QEvent::MouseButtonRelease}) {
        const QPointF at(2, 2);
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, at, Label->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(Label, &e);
    }
    EXPECT_EQ(Clicks, 1);
}

TEST_F(LabelClick, OpeningThePopupDoesNotValidateTheEdit)
{
    A->SetRangeHi(2.0);
    A->SetUnitsLabel(Label);
    A->setFocus(Qt::TabFocusReason);
    A->selectAll();
    QTest::keyClicks(A, QStringLiteral("5000"));
    ASSERT_TRUE(A->isModified());
    int exits = 0;
    A->OnExit = [&](QObject*) { ++exits; };
    DriveNextPopup([](TUnitsForm& f) {
        QTest::keyClick(f.ListBox1, Qt::Key_Home);
        QTest::keyClick(f.ListBox1, Qt::Key_Return);
    });
    QTest::mouseClick(Label, Qt::LeftButton);
    EXPECT_EQ(Service.Beeps, 0);
    EXPECT_EQ(exits, 0);
    EXPECT_EQ(A->text(), QStringLiteral("5.000")); // converted, not yet range-checked
    ASSERT_TRUE(QTest::qWaitFor([this] { return A->hasFocus(); }));
}

} // namespace
