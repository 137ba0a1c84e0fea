#include "GridTestHost.h"
#include "TestUtil.h"
#include "TxGrids.h"
#include "TxInplaceEdit.h"
#include "TxFormat.h"
#include "TxPlatform.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDropEvent>
#include <QImage>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTest>
#include <QWheelEvent>

#include <functional>
#include <memory>
#include <random>
#include <type_traits>

namespace {

// A top-level window holding a grid and another control to take the focus.
class TGridWindow {
public:
    explicit TGridWindow(TxStringGrid* grid = nullptr) : Grid(grid ? grid : new TxStringGrid)
    {
        Grid->setParent(&Window);
        Grid->setGeometry(0, 0, 404, 154);
        Other = new QLineEdit(&Window);
        Other->setGeometry(0, 170, 100, 22);
        Window.resize(420, 200);
        Window.show();
        Window.activateWindow();
        Active = QTest::qWaitForWindowActive(&Window);
        Grid->setFocus();
    }

    // Centre of a cell in viewport coordinates.
    QPoint CellCentre(int c, int r) const { return ToQRect(Grid->CellRect(c, r)).center(); }
    void Click(int c, int r) { QTest::mouseClick(Grid->viewport(), Qt::LeftButton, {}, CellCentre(c, r)); }
    // Keys go where the application sends them: the focused widget.
    static void Key(Qt::Key key, Qt::KeyboardModifiers mods = {})
    {
        QTest::keyClick(QApplication::focusWidget(), key, mods);
    }
    static void Type(char c) { QTest::keyClick(QApplication::focusWidget(), c); }
    QColor Pixel(int x, int y) const { return Grid->viewport()->grab().toImage().pixelColor(x, y); }

    QWidget Window;
    TxStringGrid* Grid;
    QLineEdit* Other;
    bool Active = false;
};

// Records the events that tell about an edit.
void RecordEdits(TxDrawGrid& g, QStringList& log)
{
    g.OnSetEditText = [&log](QObject*, int c, int r, const QString& v) {
        log << QStringLiteral("set %1,%2=%3").arg(c).arg(r).arg(v);
    };
    g.OnDoSetData = [&log](QObject*, int c, int r) { log << QStringLiteral("data %1,%2").arg(c).arg(r); };
    g.OnSelectCell = [&log](QObject*, int c, int r, bool&) { log << QStringLiteral("select %1,%2").arg(c).arg(r); };
}

// A grid that, like an edit grid, sets the shared click flag on focus entry.
class TFlagGrid : public TxStringGrid {
protected:
    void DoEnter() override
    {
        TxStringGrid::DoEnter();
        SetFocusClickFlag(1);
    }
};

class TReadOnlyGrid : public TxStringGrid {
protected:
    int GetEditLimit() override { return -1; }
};

void TypeText(const QString& keys)
{
    for (QChar c : keys)
        TGridWindow::Type(static_cast<char>(c.unicode()));
}

// A shown editor holds the current cell and covers exactly its rectangle.
::testing::AssertionResult EditorOnItsCell(const TxCustomGrid& g)
{
    const TxInplaceEdit* editor = g.InplaceEdit();
    if (!editor || editor->isHidden())
        return ::testing::AssertionSuccess();
    const QRect cell = ToQRect(g.CellRect(g.Col(), g.Row()));
    if (g.InplaceCol() == g.Col() && g.InplaceRow() == g.Row() && editor->geometry() == cell)
        return ::testing::AssertionSuccess();
    auto text = [](const QRect& r) {
        return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
    };
    return ::testing::AssertionFailure() << "editor of (" << g.InplaceCol() << ", " << g.InplaceRow() << ") at "
                                         << text(editor->geometry()) << " over (" << g.Col() << ", " << g.Row()
                                         << ") at " << text(cell);
}

// Where one part of a scroll bar (an arrow, the thumb) is.
QPoint BarPart(const QScrollBar* bar, QStyle::SubControl part)
{
    QStyleOptionSlider opt;
    opt.initFrom(bar);
    opt.subControls = QStyle::SC_All;
    opt.orientation = bar->orientation();
    opt.minimum = bar->minimum();
    opt.maximum = bar->maximum();
    opt.sliderPosition = bar->sliderPosition();
    opt.sliderValue = bar->value();
    opt.singleStep = bar->singleStep();
    opt.pageStep = bar->pageStep();
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &opt, part, bar).center();
}

void ClickBar(QScrollBar* bar, QStyle::SubControl part)
{
    QTest::mouseClick(bar, Qt::LeftButton, {}, BarPart(bar, part));
}

} // namespace

TEST(Grids, NewGrid)
{
    TxDrawGrid g;
    EXPECT_EQ(g.size(), QSize(320, 80));
    EXPECT_EQ(g.Options(), 0x041Fu);
    EXPECT_EQ(g.DefaultRowHeight(), 16);
    EXPECT_EQ(g.Current(), (TGridCoord{1, 1}));
    EXPECT_FALSE(g.HasColWidths());
    EXPECT_FALSE(g.HasRowHeights());
    EXPECT_FALSE(g.HasColFormats());
    EXPECT_EQ(g.BorderStyle(), bsSingle);
    EXPECT_EQ(g.Color(), g.palette().color(QPalette::Base));
    EXPECT_EQ(g.InplaceEdit(), nullptr);
}

TEST(Grids, ClickTypeAndEnter)
{
    TGridWindow w;
    ASSERT_TRUE(w.Active);
    QStringList log;
    RecordEdits(*w.Grid, log);
    w.Click(2, 2);
    EXPECT_EQ(w.Grid->Current(), (TGridCoord{2, 2}));
    EXPECT_EQ(w.Grid->InplaceEdit(), nullptr);

    TGridWindow::Type('7');
    TxInplaceEdit* editor = w.Grid->InplaceEdit();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->Visible());
    EXPECT_EQ(QApplication::focusWidget(), editor);
    EXPECT_EQ(editor->geometry(), ToQRect(w.Grid->CellRect(2, 2)));
    EXPECT_EQ(w.Grid->Cells(2, 2), QStringLiteral("7"));

    log.clear();
    TGridWindow::Key(Qt::Key_Return);
    EXPECT_EQ(log,
              (QStringList{QStringLiteral("set 2,2=7"), QStringLiteral("data 2,2"), QStringLiteral("select 2,2")}));
    EXPECT_FALSE(editor->Visible());
    EXPECT_FALSE(w.Grid->EditorMode());
    EXPECT_EQ(QApplication::focusWidget(), w.Grid);

    // Enter again opens the editor on the stored text.
    TGridWindow::Key(Qt::Key_Return);
    EXPECT_TRUE(editor->Visible());
    EXPECT_EQ(editor->text(), QStringLiteral("7"));
    EXPECT_EQ(editor->selectedText(), QStringLiteral("7"));
}

TEST(Grids, IntegerColumnRefusesAPoint)
{
    TRecordingMessageService messages;
    TScopedMessageService scope(messages);
    TGridWindow w;
    ASSERT_TRUE(w.Active);
    w.Grid->SetColFormatStr(1, QStringLiteral("%d"));
    TGridWindow::Key(Qt::Key_F2);
    TxInplaceEdit* editor = w.Grid->InplaceEdit();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->FormatStr(), QStringLiteral("%d"));
    TGridWindow::Type('4');
    TGridWindow::Type('.');
    EXPECT_EQ(messages.Beeps, 1);
    TGridWindow::Type('2');
    EXPECT_EQ(editor->text(), QStringLiteral("42"));
    EXPECT_EQ(messages.Beeps, 1);
    EXPECT_EQ(w.Grid->Cells(1, 1), QStringLiteral("42"));
}

TEST(Grids, StoringClampsToTheRangeAndBeeps)
{
    TRecordingMessageService messages;
    TScopedMessageService scope(messages);
    TGridWindow w;
    ASSERT_TRUE(w.Active);
    QStringList log;
    RecordEdits(*w.Grid, log);
    w.Grid->SetColFormatStr(1, QStringLiteral("%0.1f"));
    TGridWindow::Key(Qt::Key_F2);
    TxInplaceEdit* editor = w.Grid->InplaceEdit();
    editor->SetRangeLo(0.0);
    editor->SetRangeHi(50.0);
    TGridWindow::Type('6');
    TGridWindow::Type('0');
    TGridWindow::Key(Qt::Key_Return);
    EXPECT_EQ(w.Grid->Cells(1, 1), QStringLiteral("50.0"));
    EXPECT_EQ(messages.Beeps, 1);
    EXPECT_FALSE(editor->Visible());
    EXPECT_EQ(QApplication::focusWidget(), w.Grid);
    EXPECT_TRUE(log.contains(QStringLiteral("data 1,1")));
}

TEST(Grids, DownWhileEditingMovesOnAndStoresOnce)
{
    TGridWindow w;
    ASSERT_TRUE(w.Active);
    QStringList log;
    RecordEdits(*w.Grid, log);
    TGridWindow::Type('x');
    ASSERT_TRUE(w.Grid->InplaceEdit()->Visible());
    log.clear();
    TGridWindow::Key(Qt::Key_Down);
    EXPECT_EQ(w.Grid->Current(), (TGridCoord{1, 2}));
    EXPECT_EQ(log.filter(QStringLiteral("data")), QStringList{QStringLiteral("data 1,1")});
    EXPECT_FALSE(w.Grid->InplaceEdit()->Visible());
    EXPECT_EQ(w.Grid->Cells(1, 1), QStringLiteral("x"));
}

TEST(Grids, LeftAndRightStayInTheEditor)
{
    TGridWindow w;
    ASSERT_TRUE(w.Active);
    TGridWindow::Type('a');
    TGridWindow::Type('b');
    TGridWindow::Key(Qt::Key_Left);
    TGridWindow::Key(Qt::Key_Left);
    TGridWindow::Key(Qt::Key_Left);
    TGridWindow::Key(Qt::Key_Right);
    EXPECT_EQ(w.Grid->Col(), 1);
    EXPECT_EQ(w.Grid->InplaceEdit()->cursorPosition(), 1);
    // Backspace takes the character before the caret.
    TGridWindow::Key(Qt::Key_Backspace);
    EXPECT_EQ(w.Grid->Cells(1, 1), QStringLiteral("b"));
}

TEST(Grids, FocusLeavingForAnotherWindowStoresAndComesBack)
{
    TGridWindow w;
    ASSERT_TRUE(w.Active);
    QStringList log;
    RecordEdits(*w.Grid, log);
    TGridWindow::Type('5');
    TxInplaceEdit* editor = w.Grid->InplaceEdit();
    ASSERT_TRUE(editor->hasFocus());
    log.clear();

    QWidget other;
    other.resize(100, 50);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_EQ(log.filter(QStringLiteral("data")), QStringList{QStringLiteral("data 1,1")});
    EXPECT_EQ(w.Grid->Cells(1, 1), QStringLiteral("5"));
    EXPECT_TRUE(w.Grid->EditorMode());

    w.Window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.Window));
    EXPECT_TRUE(editor->Visible());
    EXPECT_EQ(QApplication::focusWidget(), editor);
    EXPECT_EQ(editor->text(), QStringLiteral("5"));
    EXPECT_EQ(log.filter(QStringLiteral("data")).size(), 1);
}

TEST(Grids, FocusLeavingForAnotherControlEndsTheEdit)
{
    TGridWindow w;
    ASSERT_TRUE(w.Active);
    QStringList log;
    RecordEdits(*w.Grid, log);
    int exits = 0;
    w.Grid->OnExit = [&](QObject*) { ++exits; };
    TGridWindow::Type('5');
    log.clear();
    w.Other->setFocus();
    EXPECT_EQ(log.filter(QStringLiteral("data")), QStringList{QStringLiteral("data 1,1")});
    EXPECT_EQ(exits, 1);
    EXPECT_FALSE(w.Grid->EditorMode());
    EXPECT_FALSE(w.Grid->InplaceEdit()->Visible());
    EXPECT_EQ(QApplication::focusWidget(), w.Other);
}

TEST(Grids, FirstClickAfterFocusEntryOpensNoEditor)
{
    ResetFocusClickFlag();
    TGridWindow w(new TFlagGrid);
    ASSERT_TRUE(w.Active);
    w.Other->setFocus();
    w.Click(1, 1);
    EXPECT_EQ(QApplication::focusWidget(), w.Grid);
    EXPECT_TRUE(w.Grid->InplaceEdit() == nullptr || !w.Grid->InplaceEdit()->Visible());
    EXPECT_EQ(FocusClickFlag(), 0);
    w.Click(1, 1);
    ASSERT_NE(w.Grid->InplaceEdit(), nullptr);
    EXPECT_TRUE(w.Grid->InplaceEdit()->Visible());

    // A plain string grid opens it at once.
    TGridWindow plain;
    ASSERT_TRUE(plain.Active);
    plain.Other->setFocus();
    plain.Click(1, 1);
    ASSERT_NE(plain.Grid->InplaceEdit(), nullptr);
    EXPECT_TRUE(plain.Grid->InplaceEdit()->Visible());
    ResetFocusClickFlag();
}

TEST(Grids, SecondQuickClickInTheEditorIsADoubleClick)
{
    TGridWindow w;
    ASSERT_TRUE(w.Active);
    int doubles = 0;
    w.Grid->OnDblClick = [&](QObject*) { ++doubles; };
    w.Click(1, 1);
    TxInplaceEdit* editor = w.Grid->InplaceEdit();
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(editor->Visible());
    QTest::mouseClick(editor, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(doubles, 1);
    // The time is used once.
    QTest::mouseClick(editor, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(doubles, 1);
}

TEST(Grids, ColumnSizingWithTheMouse)
{
    TGridWindow w;
    ASSERT_TRUE(w.Active);
    w.Grid->SetOptions(w.Grid->Options() | xgoColSizing);
    int changes = 0;
    w.Grid->OnColWidthsChanged = [&](QObject*) { ++changes; };
    QWidget* vp = w.Grid->viewport();
    // Sent, not moved: the window system sends no move to a pointer that is
    // already there, and under load it may come late.
    auto move = [vp](QPoint pos, Qt::MouseButtons buttons) {
        QMouseEvent e(QEvent::MouseMove, pos, vp->mapToGlobal(pos), Qt::NoButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(vp, &e);
    };
    move(QPoint(129, 5), Qt::NoButton);
    EXPECT_EQ(vp->cursor().shape(), Qt::SplitHCursor);
    QTest::mousePress(vp, Qt::LeftButton, {}, QPoint(129, 5));
    move(QPoint(110, 5), Qt::LeftButton);
    QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(100, 5));
    EXPECT_EQ(w.Grid->ColWidths(1), 35);
    EXPECT_EQ(changes, 1);
}

TEST(Grids, WheelMovesTheCurrentRow)
{
    TGridWindow w;
    ASSERT_TRUE(w.Active);
    w.Grid->SetRowCount(20);
    auto wheel = [&](int delta) {
        const QPointF pos(100, 40);
        QWheelEvent e(pos, w.Grid->viewport()->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w.Grid->viewport(), &e);
    };
    wheel(-120);
    wheel(-120);
    EXPECT_EQ(w.Grid->Row(), 3);
    EXPECT_EQ(w.Grid->TopRow(), 1);
    wheel(120);
    wheel(120);
    wheel(120);
    EXPECT_EQ(w.Grid->Row(), 1);
}

TEST(Grids, ScrollBarActionsMoveByCells)
{
    TGridWindow w;
    ASSERT_TRUE(w.Active);
    w.Grid->SetRowCount(40);
    QScrollBar* bar = w.Grid->verticalScrollBar();
    EXPECT_EQ(bar->maximum(), 127);
    // The bar shows up with the next layout pass and narrows the client.
    const int width = w.Grid->viewport()->width();
    QApplication::processEvents();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_LT(w.Grid->viewport()->width(), width);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(w.Grid->TopRow(), 2);
    EXPECT_EQ(bar->value(), w.Grid->ScrollBarPosition(sbVertical));
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(bar->value(), 127);
    EXPECT_EQ(w.Grid->TopRow(), w.Grid->CalcMaxTopLeft({4, 39}, w.Grid->CalcDrawInfo()).Y);
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(w.Grid->TopRow(), 1);
    EXPECT_EQ(bar->value(), 0);
    // All rows fit again: no bar, position 0.
    w.Grid->SetRowCount(3);
    EXPECT_EQ(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), 0);
}

TEST(Grids, TabMovesBetweenCellsOnlyWithTabs)
{
    TGridWindow w;
    ASSERT_TRUE(w.Active);
    TGridWindow::Key(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), w.Other);

    w.Grid->setFocus();
    w.Grid->SetOptions(w.Grid->Options() | xgoTabs);
    TGridWindow::Key(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), w.Grid);
    EXPECT_EQ(w.Grid->Col(), 2);
    TGridWindow::Key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(w.Grid->Col(), 1);
    // From the editor too.
    TGridWindow::Key(Qt::Key_F2);
    TGridWindow::Key(Qt::Key_Tab);
    EXPECT_EQ(w.Grid->Col(), 2);
}

TEST(Grids, EditorMarksAndLooks)
{
    TGridWindow w;
    ASSERT_TRUE(w.Active);
    TGridWindow::Key(Qt::Key_F2);
    TxInplaceEdit* editor = w.Grid->InplaceEdit();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->property("voz_inplace_editor").toBool());
    EXPECT_FALSE(editor->hasFrame());
    EXPECT_EQ(editor->textMargins(), QMargins(2, 2, 2, 0));
    EXPECT_EQ(editor->parentWidget(), w.Grid->viewport());
    // Its own visibility is the grid's business only.
    TGridWindow::Key(Qt::Key_Return);
    ASSERT_FALSE(editor->Visible());
    editor->setVisible(true);
    EXPECT_FALSE(editor->Visible());
    editor->show();
    EXPECT_TRUE(editor->isHidden());
}

TEST(Grids, ReadOnlyCellChangesNothing)
{
    TRecordingMessageService messages;
    TScopedMessageService scope(messages);
    TGridWindow w(new TReadOnlyGrid);
    ASSERT_TRUE(w.Active);
    w.Grid->SetCells(1, 1, QStringLiteral("keep"));
    TGridWindow::Key(Qt::Key_F2);
    TxInplaceEdit* editor = w.Grid->InplaceEdit();
    ASSERT_NE(editor, nullptr);
    EXPECT_FALSE(editor->EditCanModify());
    QApplication::clipboard()->setText(QStringLiteral("pasted"));
    TGridWindow::Type('x');
    TGridWindow::Key(Qt::Key_Backspace);
    TGridWindow::Key(Qt::Key_Home);
    TGridWindow::Key(Qt::Key_Delete);
    TGridWindow::Key(Qt::Key_V, Qt::ControlModifier);
    TGridWindow::Key(Qt::Key_Insert, Qt::ShiftModifier);
    TGridWindow::Key(Qt::Key_X, Qt::ControlModifier);
    TGridWindow::Key(Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(editor->text(), QStringLiteral("keep"));
    EXPECT_EQ(w.Grid->Cells(1, 1), QStringLiteral("keep"));
    EXPECT_EQ(messages.Beeps, 0);
}

TEST(Grids, HandlerErrorsAreShownNotThrown)
{
    TRecordingMessageService messages;
    TScopedMessageService scope(messages);
    TGridWindow w;
    ASSERT_TRUE(w.Active);
    w.Grid->OnSelectCell = [](QObject*, int, int, bool&) { throw Exception(QStringLiteral("no way")); };
    w.Click(2, 2);
    EXPECT_EQ(messages.Errors, QStringList{QStringLiteral("no way")});
    EXPECT_EQ(w.Grid->Current(), (TGridCoord{1, 1}));
}

TEST(Grids, GridLineColours)
{
    TGridWindow w;
    ASSERT_TRUE(w.Active);
    EXPECT_EQ(w.Pixel(64, 8), QColor(Qt::black));          // fixed corner
    EXPECT_EQ(w.Pixel(100, 16), QColor(Qt::black));        // under the column titles
    EXPECT_EQ(w.Pixel(129, 25), QColor(0xC0, 0xC0, 0xC0)); // between scrolling columns
    EXPECT_EQ(w.Pixel(150, 33), QColor(0xC0, 0xC0, 0xC0)); // between scrolling rows
    w.Grid->SetColor(QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(w.Pixel(129, 25), QColor(0x80, 0x80, 0x80));
    EXPECT_EQ(w.Pixel(150, 40), QColor(0xC0, 0xC0, 0xC0)); // the cell itself
    // Without lines, cells sit side by side.
    w.Grid->SetOptions(xgoRangeSelect | xgoEditing);
    EXPECT_EQ(w.Pixel(64, 8), w.Grid->FixedColor());
}

TEST(Grids, SelectionShowsOnlyWhileActive)
{
    TGridWindow w;
    ASSERT_TRUE(w.Active);
    const QColor highlight = w.Grid->palette().color(QPalette::Highlight);
    TGridWindow::Key(Qt::Key_Down, Qt::ShiftModifier);
    TGridWindow::Key(Qt::Key_Right, Qt::ShiftModifier);
    ASSERT_EQ(w.Grid->Selection(), (TGridRect{1, 1, 2, 2}));
    const QPoint selected = w.CellCentre(1, 1); // selected, not current
    EXPECT_EQ(w.Pixel(selected.x(), selected.y()), highlight);

    // The editor's focus counts as the grid's.
    TGridWindow::Key(Qt::Key_F2);
    ASSERT_EQ(QApplication::focusWidget(), w.Grid->InplaceEdit());
    EXPECT_EQ(w.Pixel(selected.x(), selected.y()), highlight);

    w.Other->setFocus();
    EXPECT_EQ(w.Pixel(selected.x(), selected.y()), w.Grid->Color());
    w.Grid->SetAlwaysShowCell(true);
    EXPECT_EQ(w.Pixel(selected.x(), selected.y()), highlight);
}

TEST(Grids, UnselectedRepaintClipsTheText)
{
    TGridWindow w;
    ASSERT_TRUE(w.Active);
    w.Grid->SetCells(1, 1, QStringLiteral("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW"));
    w.Other->setFocus();
    // The current cell is selected; drawn unselected, its long text must not
    // spill over the line into the next cell.
    const QImage image = w.Grid->viewport()->grab().toImage();
    const TPixelRect cell = w.Grid->CellRect(1, 1);
    for (int y = cell.Top; y < cell.Bottom; ++y)
        ASSERT_EQ(image.pixelColor(cell.Right, y), QColor(0xC0, 0xC0, 0xC0)) << y;
    bool inked = false;
    for (int x = cell.Left; x < cell.Right; ++x)
        inked = inked || image.pixelColor(x, cell.Top + 8) != w.Grid->Color();
    EXPECT_TRUE(inked);
}

TEST(Grids, EditorCoversOnlyItsOwnCell)
{
    TGridWindow w;
    ASSERT_TRUE(w.Active);
    w.Grid->SetCells(1, 1, QStringLiteral("under"));
    TGridWindow::Key(Qt::Key_F2);
    // The editor is up: the cell is not painted (the editor paints it).
    TxInplaceEdit* editor = w.Grid->InplaceEdit();
    ASSERT_TRUE(editor->Visible());
    // Hidden out of view, the cell is painted again.
    w.Grid->SetRowCount(40);
    w.Grid->SetTopRow(10);
    EXPECT_FALSE(editor->Visible());
    w.Grid->SetTopRow(1);
    EXPECT_TRUE(editor->Visible());
}

TEST(Grids, FocusedCellIsPaintedWhenNoEditorCoversIt)
{
    TGridWindow w;
    ASSERT_TRUE(w.Active);
    w.Grid->SetCells(1, 1, QStringLiteral("WWW"));
    w.Grid->OnCanEditShow = [](QObject*, int, int, bool& can) { can = false; };
    TGridWindow::Key(Qt::Key_F2);
    ASSERT_TRUE(w.Grid->EditorMode());
    ASSERT_TRUE(w.Grid->InplaceEdit() == nullptr);
    const QImage image = w.Grid->viewport()->grab().toImage();
    const TPixelRect cell = w.Grid->CellRect(1, 1);
    // Painted: the cell's background with its text on it.
    int ink = 0;
    int paper = 0;
    for (int x = cell.Left + 2; x < cell.Right - 2; ++x)
        for (int y = cell.Top + 2; y < cell.Bottom - 2; ++y) {
            const QColor c = image.pixelColor(x, y);
            ink += c.lightness() < 100 ? 1 : 0;
            paper += c == w.Grid->Color() ? 1 : 0;
        }
    EXPECT_GT(ink, 10);
    EXPECT_GT(paper, 200);
}

// What the window shows (its backing store) is what a full paint gives:
// every change invalidates, and scrolled pixels land where they belong.
TEST(Grids, ScreenMatchesAFreshPaint)
{
    TGridWindow w;
    ASSERT_TRUE(w.Active);
    TxStringGrid& g = *w.Grid;
    g.SetColCount(12);
    g.SetRowCount(60);
    g.SetOptions(g.Options() | xgoColSizing | xgoRowSizing);
    for (int r = 0; r < 60; ++r)
        for (int c = 0; c < 12; ++c)
            g.SetCells(c, r, QStringLiteral("r%1c%2").arg(r).arg(c));
    auto differences = [&] {
        QTest::qWait(20);
        const QImage screen =
            w.Window.screen()->grabWindow(w.Window.winId()).toImage().convertToFormat(QImage::Format_RGB32);
        const QPoint at = g.viewport()->mapTo(&w.Window, QPoint(0, 0));
        const QImage shown = screen.copy(at.x(), at.y(), g.viewport()->width(), g.viewport()->height());
        const QImage fresh = g.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        if (shown.size() != fresh.size())
            return -1;
        int n = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                n += shown.pixel(x, y) != fresh.pixel(x, y) ? 1 : 0;
        return n;
    };
    ASSERT_EQ(differences(), 0);

    const Qt::Key keys[] = {Qt::Key_Down,   Qt::Key_Up,  Qt::Key_Right, Qt::Key_Left, Qt::Key_PageDown,
                            Qt::Key_PageUp, Qt::Key_End, Qt::Key_Home,  Qt::Key_F2,   Qt::Key_Return};
    std::mt19937 rng(5);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int step = 0; step < 60; ++step) {
        switch (pick(0, 9)) {
        case 0:
        case 1:
        case 2:
            TGridWindow::Key(keys[pick(0, 9)], pick(0, 3) == 0 ? Qt::ShiftModifier : Qt::NoModifier);
            break;
        case 3:
            TGridWindow::Key(keys[pick(0, 7)], Qt::ControlModifier);
            break;
        case 4:
            g.verticalScrollBar()->triggerAction(pick(0, 1) ? QAbstractSlider::SliderPageStepAdd
                                                            : QAbstractSlider::SliderSingleStepSub);
            break;
        case 5:
            g.horizontalScrollBar()->triggerAction(pick(0, 1) ? QAbstractSlider::SliderSingleStepAdd
                                                              : QAbstractSlider::SliderSingleStepSub);
            break;
        case 6:
            g.SetColWidths(pick(0, 11), pick(20, 90));
            break;
        case 7:
            g.SetCells(g.Col(), g.Row(), QStringLiteral("s%1").arg(step));
            break;
        case 8:
            if (pick(0, 1))
                g.MoveColumn(pick(1, 11), pick(1, 11));
            else
                g.SetRowCount(pick(30, 60));
            break;
        case 9:
            w.Click(pick(1, 3), pick(1, 5));
            break;
        }
        ASSERT_EQ(differences(), 0) << "step " << step;
        ASSERT_TRUE(EditorOnItsCell(g)) << "step " << step;
    }
}

// --- The editor and the cell it holds ---

// A click on a column line sizes nothing, then the scroll bar moves the rows:
// what is typed next lands in the current cell, under an editor that scrolls
// with it.
TEST(Grids, ASizingClickAndAScrollKeepTheEditorOnItsCell)
{
    TGridWindow w;
    ASSERT_TRUE(w.Active);
    TxStringGrid& g = *w.Grid;
    g.SetRowCount(42);
    g.SetOptions(g.Options() | xgoColSizing);
    QApplication::processEvents();
    QScrollBar* bar = g.verticalScrollBar();
    ASSERT_TRUE(bar->isVisible());
    ClickBar(bar, QStyle::SC_ScrollBarAddLine);
    ClickBar(bar, QStyle::SC_ScrollBarAddLine);
    ASSERT_EQ(g.TopRow(), 3);
    g.SetCells(1, 5, QStringLiteral("8"));
    w.Click(1, 5);
    w.Click(1, 5);
    ASSERT_TRUE(g.InplaceEdit() && g.InplaceEdit()->Visible());

    const QPoint line(g.CellRect(1, 0).Right, g.CellRect(1, 0).Bottom / 2);
    QTest::mousePress(g.viewport(), Qt::LeftButton, {}, line);
    QTest::mouseRelease(g.viewport(), Qt::LeftButton, {}, line);
    EXPECT_TRUE(EditorOnItsCell(g));
    ClickBar(bar, QStyle::SC_ScrollBarSubLine);
    ASSERT_EQ(g.TopRow(), 2);
    EXPECT_TRUE(EditorOnItsCell(g));
    TypeText(QStringLiteral("999")); // over the selected "8"
    EXPECT_TRUE(EditorOnItsCell(g));
    w.Click(1, 7);
    EXPECT_EQ(g.Cells(1, 5), QStringLiteral("999"));
    EXPECT_TRUE(EditorOnItsCell(g));
}

// The grid and its editor are one stop in the window's tab order.
TEST(Grids, TabFromTheEditorGoesOnAsFromTheGrid)
{
    TGridWindow w;
    ASSERT_TRUE(w.Active);
    TxStringGrid* grid = w.Grid;
    QLineEdit* after = w.Other;
    auto* before = new QLineEdit(&w.Window);
    before->setGeometry(110, 170, 100, 22);
    before->show();
    QWidget::setTabOrder(before, grid);
    QWidget::setTabOrder(grid, after);
    grid->setFocus();

    TGridWindow::Type('5');
    ASSERT_EQ(QApplication::focusWidget(), grid->InplaceEdit());
    TGridWindow::Key(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), after);
    EXPECT_EQ(grid->Cells(1, 1), QStringLiteral("5"));
    TGridWindow::Key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), grid);

    TGridWindow::Type('6');
    ASSERT_EQ(QApplication::focusWidget(), grid->InplaceEdit());
    TGridWindow::Key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), before);
    EXPECT_EQ(grid->Cells(1, 1), QStringLiteral("6"));
    EXPECT_TRUE(grid->InplaceEdit()->isHidden());
}

TEST(Grids, ADraggedThumbScrollsWhileDraggingOnlyWithThumbTracking)
{
    for (const bool tracking : {false, true}) {
        SCOPED_TRACE(tracking);
        TGridWindow w;
        ASSERT_TRUE(w.Active);
        TxStringGrid& g = *w.Grid;
        g.SetRowCount(60);
        g.SetOptions(g.Options() | (tracking ? TxGridOptions(xgoThumbTracking) : 0));
        QApplication::processEvents();
        QScrollBar* bar = g.verticalScrollBar();
        const QPoint from = BarPart(bar, QStyle::SC_ScrollBarSlider);
        const QPoint to = from + QPoint(0, bar->height() / 3);
        QTest::mousePress(bar, Qt::LeftButton, {}, from);
        QMouseEvent drag(QEvent::MouseMove, to, bar->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &drag);
        EXPECT_EQ(g.TopRow() > 1, tracking);
        QTest::mouseRelease(bar, Qt::LeftButton, {}, to);
        EXPECT_GT(g.TopRow(), 1);
        EXPECT_EQ(bar->value(), g.ScrollBarPosition(sbVertical));
    }
}

// Counts that shrink under an open editor never take an edit into a cell
// that is gone; one that stays keeps it.
TEST(Grids, CountChangesWhileEditingStoreOnlyInsideTheGrid)
{
    struct TCase {
        const char* Name;
        std::function<void(TxStringGrid&)> Change;
        bool CellStays;
    };
    const TCase cases[] = {
        {"rows", [](TxStringGrid& g) { g.SetRowCount(3); }, false},
        {"columns", [](TxStringGrid& g) { g.SetColCount(2); }, false},
        {"fixed rows", [](TxStringGrid& g) { g.SetFixedRows(4); }, true},
        {"fixed columns", [](TxStringGrid& g) { g.SetFixedCols(3); }, true},
    };
    for (const TCase& c : cases) {
        for (const bool always : {false, true}) {
            SCOPED_TRACE(QStringLiteral("%1%2").arg(c.Name, always ? " always shown" : "").toStdString());
            TGridWindow w;
            ASSERT_TRUE(w.Active);
            TxStringGrid& g = *w.Grid;
            g.SetRowCount(6);
            g.SetOptions(g.Options() | (always ? TxGridOptions(xgoAlwaysShowEditor) : 0));
            int outside = 0;
            g.OnSetEditText = [&](QObject*, int col, int row, const QString&) {
                outside += col >= g.ColCount() || row >= g.RowCount() ? 1 : 0;
            };
            w.Click(3, 4);
            TGridWindow::Type('7');
            ASSERT_EQ(g.InplaceRow(), 4);
            c.Change(g);
            EXPECT_EQ(outside, 0);
            EXPECT_TRUE(EditorOnItsCell(g));
            g.SetColCount(5);
            g.SetRowCount(6);
            EXPECT_EQ(g.Cells(3, 4), c.CellStays ? QStringLiteral("7") : QString());
        }
    }
}

TEST(Grids, TheEditorFollowsItsCellWhenTheClientAreaChanges)
{
    TGridWindow w;
    ASSERT_TRUE(w.Active);
    TxStringGrid& g = *w.Grid;
    g.SetColCount(6);
    w.Click(5, 2);
    TGridWindow::Type('8');
    ASSERT_TRUE(g.InplaceEdit()->Visible());
    const int width = g.InplaceEdit()->width();

    // Narrower: the cell is cut at the edge.
    g.resize(g.width() - 40, g.height());
    QApplication::processEvents();
    EXPECT_TRUE(EditorOnItsCell(g));
    EXPECT_LT(g.InplaceEdit()->width(), width);
    g.resize(g.width() + 40, g.height());
    QApplication::processEvents();
    EXPECT_TRUE(EditorOnItsCell(g));
    EXPECT_EQ(g.InplaceEdit()->width(), width);

    // A vertical bar comes and narrows the client.
    g.SetRowCount(40);
    QApplication::processEvents();
    ASSERT_TRUE(g.verticalScrollBar()->isVisible());
    EXPECT_TRUE(EditorOnItsCell(g));
    EXPECT_LT(g.InplaceEdit()->width(), width);
    g.SetRowCount(5);
    QApplication::processEvents();
    EXPECT_TRUE(EditorOnItsCell(g));
    EXPECT_EQ(g.InplaceEdit()->width(), width);
    EXPECT_EQ(g.Cells(5, 2), QStringLiteral("8"));
}

// --- The in-place editor is the numeric edit ---

static_assert(std::is_base_of_v<TxCustomEdit, TxInplaceEdit>);

namespace {

// Cells of at most Limit characters (0: no limit, -1: read-only).
class TLimitGrid : public TxStringGrid {
public:
    int Limit = 0;

protected:
    int GetEditLimit() override { return Limit; }
};

// An editor that counts what the grid's store asks of the numeric edit.
class TCountingEditor : public TxInplaceEdit {
public:
    using TxInplaceEdit::TxInplaceEdit;
    QStringList Validated;
    bool Validate(const QString& text) override
    {
        Validated << text;
        return TxInplaceEdit::Validate(text);
    }
};

class TCountingEditorGrid : public TxStringGrid {
protected:
    IGridInplaceEditor* CreateInplaceEditor() override { return new TCountingEditor(this); }
};

} // namespace

TEST(InplaceEdit, ColumnFormatFiltersValidatesAndClamps)
{
    struct TCase {
        const char* Format;
        double Lo, Hi;
        const char* Keys;
        QString Stored;
        int Beeps;
    };
    const TCase cases[] = {
        {"%0.1f", 0, 50, "60", QStringLiteral("50.0"), 1},
        {"%0.1f", 0, 50, "50.2", QStringLiteral("50.2"), 0},
        {"%0.1f", 0, 50, "-1", QStringLiteral("0.0"), 1},
        {"%0.2f", 10, 100, "9.96", QStringLiteral("9.96"), 0},
        {"%0.2f", 10, 100, "9.9", QStringLiteral("10.00"), 1},
        {"%0.2f", 10, 100, "101", QStringLiteral("100.00"), 1},
        {"%0.1f", 0, 0, "12a.5", QStringLiteral("12.5"), 1},
        {"%d", 0, 0, "4.2", QStringLiteral("42"), 1},
        {"%d", 0, 0, "2x5", QStringLiteral("25"), 1},
        {"%0.1f/%0.1f", 0, 0, "2/3", QStringLiteral("2.0/3.0"), 0},
        {"%0.1f/%0.1f", 0, 0, "2a/3", QStringLiteral("2.0/3.0"), 1},
        {"%0.1f/%0.1f", 0, 50, "60/70", QStringLiteral("50.0/50.0"), 1},
        {"%0.1f/%0.1f", 0, 0, "4", QStringLiteral("4.0"), 0},
        {"%0.3g", 0, 0, "1e3x", Format(QStringLiteral("%0.3g"), 1000.0), 1},
        {"%S", 0, 0, "a.b/c", QStringLiteral("a.b/c"), 0},
        {"enum", 0, 0, "Round 2", QStringLiteral("Round 2"), 0},
    };
    TRecordingMessageService messages;
    TScopedMessageService scope(messages);
    TGridWindow w;
    ASSERT_TRUE(w.Active);
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.Format) + " " + c.Keys);
        w.Grid->SetColFormatStr(1, QString::fromLatin1(c.Format));
        messages.Clear();
        TGridWindow::Key(Qt::Key_F2);
        TxInplaceEdit* editor = w.Grid->InplaceEdit();
        ASSERT_NE(editor, nullptr);
        ASSERT_EQ(editor->FormatStr(), QString::fromLatin1(c.Format));
        editor->SetRangeLo(c.Lo);
        editor->SetRangeHi(c.Hi);
        editor->selectAll();
        TypeText(QString::fromLatin1(c.Keys));
        TGridWindow::Key(Qt::Key_Return);
        EXPECT_EQ(w.Grid->Cells(1, 1), c.Stored);
        EXPECT_EQ(messages.Beeps, c.Beeps);
        // The store never takes the focus back into the hidden editor.
        EXPECT_FALSE(editor->Visible());
        EXPECT_EQ(QApplication::focusWidget(), w.Grid);
    }
}

TEST(InplaceEdit, PastedTextThatIsNoNumberGivesTheCellItsTextBack)
{
    TRecordingMessageService messages;
    TScopedMessageService scope(messages);
    TGridWindow w;
    ASSERT_TRUE(w.Active);
    w.Grid->SetColFormatStr(1, QStringLiteral("%0.1f"));
    w.Grid->SetCells(1, 1, QStringLiteral("5.0"));
    TGridWindow::Key(Qt::Key_F2);
    w.Grid->InplaceEdit()->selectAll();
    QApplication::clipboard()->setText(QStringLiteral("abc"));
    TGridWindow::Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(w.Grid->Cells(1, 1), QStringLiteral("abc"));
    TGridWindow::Key(Qt::Key_Return);
    EXPECT_EQ(w.Grid->Cells(1, 1), QStringLiteral("5.0"));
    EXPECT_EQ(messages.Beeps, 1);
    EXPECT_EQ(QApplication::focusWidget(), w.Grid);
}

TEST(InplaceEdit, ClampingWhileTheFocusLeavesKeepsItWhereItWent)
{
    TRecordingMessageService messages;
    TScopedMessageService scope(messages);
    TGridWindow w;
    ASSERT_TRUE(w.Active);
    w.Grid->SetColFormatStr(1, QStringLiteral("%0.1f"));
    TGridWindow::Key(Qt::Key_F2);
    TxInplaceEdit* editor = w.Grid->InplaceEdit();
    editor->SetRangeLo(0.0);
    editor->SetRangeHi(50.0);
    TypeText(QStringLiteral("60"));
    w.Other->setFocus();
    EXPECT_EQ(w.Grid->Cells(1, 1), QStringLiteral("50.0"));
    EXPECT_EQ(messages.Beeps, 1);
    EXPECT_EQ(QApplication::focusWidget(), w.Other);
    EXPECT_FALSE(editor->Visible());
}

TEST(InplaceEdit, FormatIsTakenBeforeLoadAndBeforeStore)
{
    TGridWindow w;
    ASSERT_TRUE(w.Active);
    w.Grid->SetColFormatStr(1, QStringLiteral("%d"));
    w.Grid->SetColFormatStr(2, QStringLiteral("%0.2f"));
    TGridWindow::Key(Qt::Key_F2);
    TxInplaceEdit* editor = w.Grid->InplaceEdit();
    EXPECT_EQ(editor->FormatStr(), QStringLiteral("%d"));
    TGridWindow::Type('7');
    // A format changed while editing counts when the edit is stored.
    w.Grid->SetColFormatStr(1, QStringLiteral("%0.2f"));
    TGridWindow::Key(Qt::Key_Return);
    EXPECT_EQ(w.Grid->Cells(1, 1), QStringLiteral("7.00"));
    TGridWindow::Key(Qt::Key_Right);
    TGridWindow::Key(Qt::Key_F2);
    EXPECT_EQ(editor->FormatStr(), QStringLiteral("%0.2f"));
    // Back in a text column the text stays as typed, "0.0" too.
    w.Grid->SetColFormatStr(2, QStringLiteral("%S"));
    TGridWindow::Key(Qt::Key_Return);
    TGridWindow::Key(Qt::Key_Right);
    TGridWindow::Key(Qt::Key_F2);
    EXPECT_EQ(editor->FormatStr(), QStringLiteral("%S"));
    TypeText(QStringLiteral("0.0"));
    TGridWindow::Key(Qt::Key_Return);
    EXPECT_EQ(w.Grid->Cells(3, 1), QStringLiteral("0.0"));
}

TEST(InplaceEdit, TheCellFollowsOnlyTheUsersEdits)
{
    TRecordingMessageService messages;
    TScopedMessageService scope(messages);
    TGridWindow w;
    ASSERT_TRUE(w.Active);
    QStringList log;
    RecordEdits(*w.Grid, log);
    w.Grid->SetColFormatStr(1, QStringLiteral("%d"));
    TGridWindow::Key(Qt::Key_F2);
    TxInplaceEdit* editor = w.Grid->InplaceEdit();
    log.clear();
    TypeText(QStringLiteral("1x2"));
    TGridWindow::Key(Qt::Key_Backspace);
    EXPECT_EQ(log,
              (QStringList{QStringLiteral("set 1,1=1"), QStringLiteral("set 1,1=12"), QStringLiteral("set 1,1=1")}));
    EXPECT_EQ(messages.Beeps, 1);

    // A text the program loads is no edit; a paste is.
    log.clear();
    w.Grid->SetCells(1, 1, QStringLiteral("9"));
    EXPECT_EQ(editor->text(), QStringLiteral("9"));
    EXPECT_TRUE(log.isEmpty());
    QApplication::clipboard()->setText(QStringLiteral("34"));
    TGridWindow::Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(log, QStringList{QStringLiteral("set 1,1=34")});
}

TEST(InplaceEdit, EditLimitStopsTypingButCutsNoText)
{
    TRecordingMessageService messages;
    TScopedMessageService scope(messages);
    auto* grid = new TLimitGrid;
    grid->Limit = 3;
    grid->SetColFormatStr(1, QStringLiteral("%0.1f"));
    grid->SetCells(2, 1, QStringLiteral("12345"));
    TGridWindow w(grid);
    ASSERT_TRUE(w.Active);
    TGridWindow::Key(Qt::Key_F2);
    TypeText(QStringLiteral("1234"));
    EXPECT_EQ(w.Grid->InplaceEdit()->text(), QStringLiteral("123"));
    EXPECT_EQ(messages.Beeps, 1);
    TGridWindow::Key(Qt::Key_Return);
    EXPECT_EQ(w.Grid->Cells(1, 1), QStringLiteral("123.0"));
    TGridWindow::Key(Qt::Key_Right);
    TGridWindow::Key(Qt::Key_F2);
    EXPECT_EQ(w.Grid->InplaceEdit()->text(), QStringLiteral("12345"));
}

TEST(InplaceEdit, ReadOnlyCellTakesNoInputMethodTextOrDrop)
{
    TRecordingMessageService messages;
    TScopedMessageService scope(messages);
    auto* grid = new TLimitGrid;
    grid->Limit = -1;
    grid->SetColFormatStr(1, QStringLiteral("%d"));
    grid->SetCells(1, 1, QStringLiteral("12"));
    TGridWindow w(grid);
    ASSERT_TRUE(w.Active);
    TGridWindow::Key(Qt::Key_F2);
    TxInplaceEdit* editor = w.Grid->InplaceEdit();
    QInputMethodEvent ime;
    ime.setCommitString(QStringLiteral("5"));
    QApplication::sendEvent(editor, &ime);
    QMimeData mime;
    mime.setText(QStringLiteral("7"));
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(editor, &drop);
    TGridWindow::Key(Qt::Key_Return);
    EXPECT_EQ(w.Grid->Cells(1, 1), QStringLiteral("12"));
    EXPECT_EQ(messages.Beeps, 0);
}

TEST(InplaceEdit, InputMethodTextMeetsTheColumnFilter)
{
    TRecordingMessageService messages;
    TScopedMessageService scope(messages);
    TGridWindow w;
    ASSERT_TRUE(w.Active);
    QStringList log;
    RecordEdits(*w.Grid, log);
    w.Grid->SetColFormatStr(1, QStringLiteral("%d"));
    TGridWindow::Key(Qt::Key_F2);
    log.clear();
    QInputMethodEvent ime;
    ime.setCommitString(QStringLiteral("4.2"));
    QApplication::sendEvent(w.Grid->InplaceEdit(), &ime);
    EXPECT_EQ(w.Grid->Cells(1, 1), QStringLiteral("42"));
    EXPECT_EQ(messages.Beeps, 1);
    EXPECT_EQ(log, QStringList{QStringLiteral("set 1,1=42")});
}

TEST(InplaceEdit, BackspaceAtTheLeftSideGoesToTheGridOnly)
{
    TRecordingMessageService messages;
    TScopedMessageService scope(messages);
    TGridWindow w;
    ASSERT_TRUE(w.Active);
    QStringList log;
    RecordEdits(*w.Grid, log);
    QList<int> keys;
    w.Grid->OnKeyDown = [&](QObject*, int& key, TShiftState) { keys << key; };
    w.Grid->SetCells(1, 1, QStringLiteral("ab"));
    TGridWindow::Key(Qt::Key_F2);
    TxInplaceEdit* editor = w.Grid->InplaceEdit();
    editor->setCursorPosition(0);
    keys.clear();
    log.clear();
    TGridWindow::Key(Qt::Key_Backspace);
    EXPECT_EQ(keys, QList<int>{VK_BACK});
    EXPECT_EQ(editor->text(), QStringLiteral("ab"));
    EXPECT_TRUE(log.isEmpty());
    EXPECT_EQ(messages.Beeps, 0);
    EXPECT_EQ(w.Grid->Current(), (TGridCoord{1, 1}));
    // It takes the character before the selection, not the selection.
    editor->setSelection(1, 1);
    TGridWindow::Key(Qt::Key_Backspace);
    EXPECT_EQ(editor->text(), QStringLiteral("b"));
    EXPECT_EQ(w.Grid->Cells(1, 1), QStringLiteral("b"));
}

TEST(InplaceEdit, LeftAndRightAtTheSidesGoToTheGridWhenTheEditorStays)
{
    TGridWindow w;
    ASSERT_TRUE(w.Active);
    w.Grid->SetCells(2, 1, QStringLiteral("abc"));
    w.Grid->SetCol(2);
    w.Grid->SetOptions(w.Grid->Options() | xgoAlwaysShowEditor);
    TxInplaceEdit* editor = w.Grid->InplaceEdit();
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(editor->Visible());
    editor->setCursorPosition(1);
    TGridWindow::Key(Qt::Key_Left); // inside the text: the caret moves
    EXPECT_EQ(w.Grid->Col(), 2);
    EXPECT_EQ(editor->cursorPosition(), 0);
    TGridWindow::Key(Qt::Key_Left); // at the left side: the grid moves
    EXPECT_EQ(w.Grid->Col(), 1);
    TGridWindow::Key(Qt::Key_Right); // all selected: the right side too
    EXPECT_EQ(w.Grid->Col(), 2);
    editor->setCursorPosition(1);
    TGridWindow::Key(Qt::Key_Right, Qt::ControlModifier); // Ctrl anywhere: a page on
    EXPECT_GT(w.Grid->Col(), 2);
}

TEST(InplaceEdit, EscapeIsTheGridsEvenInADialog)
{
    QDialog dialog;
    auto* grid = new TxStringGrid(&dialog);
    grid->setGeometry(0, 0, 300, 100);
    dialog.resize(320, 120);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    grid->setFocus();
    QList<int> keys;
    grid->OnKeyDown = [&](QObject*, int& key, TShiftState) { keys << key; };
    TGridWindow::Key(Qt::Key_F2);
    TxInplaceEdit* editor = grid->InplaceEdit();
    ASSERT_EQ(QApplication::focusWidget(), editor);
    for (const char* typed : {"", "5"}) {
        SCOPED_TRACE(typed);
        TypeText(QString::fromLatin1(typed));
        keys.clear();
        TGridWindow::Key(Qt::Key_Escape);
        ASSERT_TRUE(dialog.isVisible());
        EXPECT_TRUE(editor->Visible());
        EXPECT_EQ(editor->text(), QString::fromLatin1(typed));
        EXPECT_EQ(keys, QList<int>{VK_ESCAPE});
    }
    // Without the editor it is the dialog's.
    TGridWindow::Key(Qt::Key_Return);
    ASSERT_EQ(QApplication::focusWidget(), grid);
    TGridWindow::Key(Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
}

TEST(InplaceEdit, StoringGoesThroughTheEditsOverridableValidation)
{
    TGridWindow w(new TCountingEditorGrid);
    ASSERT_TRUE(w.Active);
    w.Grid->SetColFormatStr(1, QStringLiteral("%0.1f"));
    TGridWindow::Type('7');
    auto* editor = dynamic_cast<TCountingEditor*>(w.Grid->InplaceEdit());
    ASSERT_NE(editor, nullptr);
    TGridWindow::Key(Qt::Key_Return);
    EXPECT_EQ(editor->Validated, QStringList{QStringLiteral("7")});
    EXPECT_EQ(w.Grid->Cells(1, 1), QStringLiteral("7.0"));
    // Nothing typed: nothing to validate.
    TGridWindow::Key(Qt::Key_Return);
    TGridWindow::Key(Qt::Key_Return);
    EXPECT_EQ(editor->Validated.size(), 1);
}

// --- String grid ---

TEST(StringGrid, CommaTextOfARow)
{
    TxStringGrid g;
    g.SetColCount(8);
    g.SetRowCount(1);
    const QString bands = QStringLiteral("9,10,15,45,50,50,45,20");
    g.Rows(0)->SetCommaText(bands);
    const QStringList expected = bands.split(QLatin1Char(','));
    for (int c = 0; c < 8; ++c)
        EXPECT_EQ(g.Cells(c, 0), expected[c]);
    EXPECT_EQ(g.Rows(0)->CommaText(), bands);
    EXPECT_EQ(g.Rows(0)->Count(), 8);

    // An empty item does not hold its cell; items beyond the row are dropped.
    g.Rows(0)->SetCommaText(QStringLiteral("a,,b"));
    EXPECT_EQ(g.Cells(0, 0), QStringLiteral("a"));
    EXPECT_EQ(g.Cells(1, 0), QStringLiteral("b"));
    EXPECT_EQ(g.RowItemCount(0), 2);
    g.Rows(0)->SetCommaText(QStringLiteral("1 2 3 4 5 6 7 8 9 10"));
    EXPECT_EQ(g.Cells(7, 0), QStringLiteral("8"));
    EXPECT_EQ(g.Rows(0)->Add(QStringLiteral("x")), -1);
}

TEST(StringGrid, CellsAndObjects)
{
    TxStringGrid g;
    int token = 0;
    g.SetCells(2, 3, QStringLiteral("x"));
    EXPECT_EQ(g.RowItemCount(3), 3);
    g.SetCells(2, 3, QString());
    EXPECT_EQ(g.Cells(2, 3), QString());
    EXPECT_EQ(g.RowItemCount(3), 0);
    g.SetObjects(1, 3, nullptr);
    EXPECT_EQ(g.RowItemCount(3), 0);
    g.SetObjects(1, 3, &token);
    g.SetCells(1, 3, QString()); // the object keeps the cell
    EXPECT_EQ(g.Objects(1, 3), &token);
    EXPECT_EQ(g.RowItemCount(3), 2);
    EXPECT_EQ(g.Cells(-1, 0), QString());
    EXPECT_THROW(g.SetCells(-1, 0, QStringLiteral("x")), EInvalidGridOperation);
    EXPECT_THROW(g.Rows(-1), EInvalidGridOperation);
}

TEST(StringGrid, ColumnViews)
{
    TxStringGrid g;
    g.Cols(2)->Assign(QStringList{QStringLiteral("t"), QStringLiteral("u"), QStringLiteral("v")});
    EXPECT_EQ(g.Cells(2, 0), QStringLiteral("t"));
    EXPECT_EQ(g.Cells(2, 2), QStringLiteral("v"));
    g.Rows(1)->Assign(*g.Cols(2));
    EXPECT_EQ(g.Cells(0, 1), QStringLiteral("t"));
    EXPECT_EQ(g.Cells(2, 1), QStringLiteral("v"));
    g.Cols(2)->Clear();
    EXPECT_EQ(g.Cells(2, 0), QString());
    EXPECT_EQ(g.Cols(2)->CommaText(), QStringLiteral(",,,,"));
    EXPECT_THROW(g.Rows(0)->Insert(0, QStringLiteral("x")), EInvalidGridOperation);
    EXPECT_THROW(g.Cols(0)->Delete(0), EInvalidGridOperation);
    EXPECT_EQ(g.Rows(1), g.Rows(1));
}

TEST(StringGrid, DeleteRowMovesTheRowsBelowUp)
{
    TxStringGrid g;
    g.SetRowCount(4);
    for (int r = 0; r < 4; ++r)
        g.SetCells(0, r, QStringLiteral("r%1").arg(r));
    QStringList moves;
    g.OnRowMoved = [&](QObject*, int from, int to) { moves << QStringLiteral("%1,%2").arg(from).arg(to); };
    g.DeleteRow(1);
    EXPECT_EQ(moves, (QStringList{QStringLiteral("2,1"), QStringLiteral("3,2")}));
    EXPECT_EQ(g.RowCount(), 3);
    EXPECT_EQ(g.Cols(0)->ToStringList(),
              (QStringList{QStringLiteral("r0"), QStringLiteral("r2"), QStringLiteral("r3")}));
    // The row that left the grid is gone for good.
    g.SetRowCount(4);
    EXPECT_EQ(g.Cells(0, 3), QString());
    EXPECT_THROW(g.DeleteRow(4), EInvalidGridOperation);
}

TEST(StringGrid, MovingColumnsAndShrinking)
{
    TxStringGrid g;
    g.Rows(1)->SetCommaText(QStringLiteral("a,b,c,d,e"));
    g.MoveColumn(1, 3);
    EXPECT_EQ(g.Rows(1)->CommaText(), QStringLiteral("a,c,d,b,e"));
    g.SetColCount(2);
    g.SetColCount(5);
    EXPECT_EQ(g.Rows(1)->CommaText(), QStringLiteral("a,c,,,"));
}

TEST(StringGrid, SettingTheCurrentCellReloadsTheEditor)
{
    TGridWindow w;
    ASSERT_TRUE(w.Active);
    QStringList log;
    RecordEdits(*w.Grid, log);
    w.Grid->SetCells(1, 1, QStringLiteral("old"));
    TGridWindow::Key(Qt::Key_F2);
    TxInplaceEdit* editor = w.Grid->InplaceEdit();
    ASSERT_EQ(editor->text(), QStringLiteral("old"));
    log.clear();
    w.Grid->SetCells(1, 1, QStringLiteral("new"));
    EXPECT_EQ(editor->text(), QStringLiteral("new"));
    EXPECT_TRUE(editor->Visible());
    EXPECT_TRUE(log.filter(QStringLiteral("data")).isEmpty());
    // The editor's own text goes to the cell without a reload.
    editor->Deselect();
    TGridWindow::Type('s');
    EXPECT_EQ(w.Grid->Cells(1, 1), QStringLiteral("news"));
    EXPECT_EQ(editor->cursorPosition(), 4);
    EXPECT_FALSE(editor->hasSelectedText());
    // Another cell's text leaves the editor alone.
    w.Grid->SetCells(2, 1, QStringLiteral("other"));
    EXPECT_EQ(editor->text(), QStringLiteral("news"));
}

TEST(StringGrid, CanEditShowEvent)
{
    TGridWindow w;
    ASSERT_TRUE(w.Active);
    w.Grid->OnCanEditShow = [](QObject*, int ACol, int, bool& can) { can = can && ACol != 2; };
    w.Click(2, 1);
    QChar typed;
    w.Grid->OnKeyPress = [&](QObject*, QChar& k) { typed = k; };
    TGridWindow::Type('z');
    EXPECT_TRUE(w.Grid->InplaceEdit() == nullptr || !w.Grid->InplaceEdit()->Visible());
    EXPECT_EQ(w.Grid->Cells(2, 1), QString());
    w.Click(3, 1);
    TGridWindow::Type('z');
    EXPECT_EQ(w.Grid->Cells(3, 1), QStringLiteral("z"));
    EXPECT_EQ(typed, QChar('z'));
}
