#include "FlatPageControl.h"
#include "RolloverImage.h"
#include "TestUtil.h"

#include <QApplication>
#include <QEnterEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

QPixmap Filled(Qt::GlobalColor colour)
{
    QPixmap p(16, 16);
    p.fill(colour);
    return p;
}

// Which of the three pictures is shown: 1, 2, 3, 0 for none, -1 otherwise.
int Shown(const TRolloverImage& image)
{
    const QPixmap p = image.Picture();
    if (p.isNull())
        return 0;
    const QRgb c = p.toImage().pixel(0, 0);
    if (c == QColor(Qt::red).rgb())
        return 1;
    if (c == QColor(Qt::green).rgb())
        return 2;
    if (c == QColor(Qt::blue).rgb())
        return 3;
    return -1;
}

void Enter(QWidget& w)
{
    const QPointF at(4, 4);
    QEnterEvent e(at, at, w.mapToGlobal(at));
    QApplication::sendEvent(&w, &e);
}

void Leave(QWidget& w)
{
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(&w, &e);
}

void SendMouse(QWidget& w, QEvent::Type type, Qt::MouseButton button, QPoint at = QPoint(4, 4))
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent e(type, QPointF(at), w.mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}

class RolloverImage : public ::testing::Test {
protected:
    QWidget Form;
    TRolloverImage* Image = new TRolloverImage(&Form);
    QLineEdit* Edit = new QLineEdit(&Form);
    QStringList Log;

    void SetUp() override
    {
        auto* layout = new QVBoxLayout(&Form);
        layout->addWidget(Image);
        layout->addWidget(Edit);
        Image->SetPicture(Filled(Qt::red));
        Image->SetPicture2(Filled(Qt::green));
        Image->SetPicture3(Filled(Qt::blue));
        Image->OnMouseEnter = [this](QObject*) { Log.append(QStringLiteral("enter")); };
        Image->OnMouseLeave = [this](QObject*) { Log.append(QStringLiteral("leave")); };
        Image->OnMouseDown = [this](QObject*, Qt::MouseButton, TShiftState shift, int, int) {
            Log.append(shift & ssDouble ? QStringLiteral("down2") : QStringLiteral("down"));
        };
        Image->OnMouseUp = [this](QObject*, Qt::MouseButton, TShiftState, int, int) {
            Log.append(QStringLiteral("up"));
        };
        Image->OnClick = [this](QObject*) { Log.append(QStringLiteral("click")); };
        QObject::connect(Image, &TRolloverImage::clicked, [this] { Log.append(QStringLiteral("clicked")); });
    }
};

TEST_F(RolloverImage, PicturesFollowThePointerAndTheButton)
{
    EXPECT_EQ(Shown(*Image), 1);
    Enter(*Image);
    EXPECT_EQ(Shown(*Image), 2);
    SendMouse(*Image, QEvent::MouseButtonPress, Qt::LeftButton);
    EXPECT_EQ(Shown(*Image), 3);
    SendMouse(*Image, QEvent::MouseButtonRelease, Qt::LeftButton);
    EXPECT_EQ(Shown(*Image), 2);
    Leave(*Image);
    EXPECT_EQ(Shown(*Image), 1);
    EXPECT_EQ(Log, (QStringList{"enter", "down", "up", "click", "clicked", "leave"}));
}

TEST_F(RolloverImage, PressBeforeAnyEnterKeepsTheNormalPicture)
{
    SendMouse(*Image, QEvent::MouseButtonPress, Qt::LeftButton);
    SendMouse(*Image, QEvent::MouseButtonRelease, Qt::LeftButton);
    Leave(*Image);
    EXPECT_EQ(Shown(*Image), 1);
}

TEST_F(RolloverImage, EmptySecondPicture)
{
    Image->SetPicture2(QPixmap());
    Enter(*Image);
    EXPECT_EQ(Shown(*Image), 0);
    Leave(*Image);
    EXPECT_EQ(Shown(*Image), 1);
    // A leave with no enter before it keeps what is shown.
    TRolloverImage fresh;
    fresh.SetPicture(Filled(Qt::red));
    Leave(fresh);
    EXPECT_EQ(Shown(fresh), 1);
}

TEST_F(RolloverImage, ClicksOnlyOnALeftReleaseInside)
{
    struct {
        const char* what;
        Qt::MouseButton button;
        QPoint releaseAt;
        int clicks;
    } const cases[] = {
        {"left inside", Qt::LeftButton, {4, 4}, 1},
        {"left dragged off", Qt::LeftButton, {-10, 4}, 0},
        {"right", Qt::RightButton, {4, 4}, 0},
    };
    for (const auto& c : cases) {
        Log.clear();
        SendMouse(*Image, QEvent::MouseButtonPress, c.button);
        SendMouse(*Image, QEvent::MouseButtonRelease, c.button, c.releaseAt);
        EXPECT_EQ(Log.count(QStringLiteral("click")), c.clicks) << c.what;
    }
}

TEST_F(RolloverImage, DoubleClickGivesOneClick)
{
    // The platform's sequences: with and without a second press before the
    // double-click event.
    const QList<QList<QEvent::Type>> sequences = {
        {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonPress, QEvent::MouseButtonDblClick,
         QEvent::MouseButtonRelease},
        {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease},
    };
    for (const auto& sequence : sequences) {
        Log.clear();
        for (QEvent::Type type : sequence)
            SendMouse(*Image, type, Qt::LeftButton);
        EXPECT_EQ(Log.count(QStringLiteral("click")), 1);
        EXPECT_EQ(Log.count(QStringLiteral("clicked")), 1);
        EXPECT_EQ(Shown(*Image), 2);
    }
}

TEST_F(RolloverImage, NeverTakesTheFocus)
{
    Form.show();
    Form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Form));
    Edit->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([this] { return Edit->hasFocus(); }));
    QTest::mouseClick(Image, Qt::LeftButton);
    EXPECT_TRUE(Edit->hasFocus());
    EXPECT_EQ(Log.count(QStringLiteral("click")), 1);
    EXPECT_EQ(Image->focusPolicy(), Qt::NoFocus);
}

// ---------------------------------------------------------------------------

class FlatPages : public ::testing::Test {
protected:
    QWidget Form;
    TFlatPageControl* Pages = new TFlatPageControl(&Form);
    QTabWidget* Stock = new QTabWidget(&Form);

    void SetUp() override
    {
        for (QTabWidget* t : {static_cast<QTabWidget*>(Pages), Stock}) {
            t->addTab(new QWidget, QStringLiteral("Items"));
            t->addTab(new QWidget, QStringLiteral("Ancillaries"));
            t->setGeometry(0, 0, 300, 200);
        }
        Stock->move(0, 210);
        Form.resize(300, 420);
        Form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&Form));
    }

    static QSize PageArea(const QTabWidget& t) { return t.currentWidget()->size(); }
};

TEST_F(FlatPages, FlatPagesFillTheFrame)
{
    EXPECT_TRUE(Pages->Flat());
    const QSize flat = PageArea(*Pages);
    const QSize stock = PageArea(*Stock);
    EXPECT_GT(flat.width(), stock.width());
    EXPECT_GT(flat.height(), stock.height());

    // Toggling lays the pages out again without a resize.
    Pages->SetFlat(false);
    EXPECT_EQ(Pages->size(), QSize(300, 200));
    EXPECT_EQ(PageArea(*Pages), stock);
    EXPECT_EQ(Pages->currentWidget()->geometry(), Stock->currentWidget()->geometry());
    Pages->SetFlat(true);
    EXPECT_EQ(PageArea(*Pages), flat);
}

TEST_F(FlatPages, FlatIsAProperty)
{
    EXPECT_TRUE(Pages->setProperty("Flat", false));
    EXPECT_FALSE(Pages->Flat());
    EXPECT_EQ(Pages->property("Flat"), QVariant(false));
}

} // namespace
