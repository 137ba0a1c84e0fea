#include "GridTestHost.h"
#include "TestUtil.h"
#include "TxGridModel.h"
#include "TxPlatform.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>

namespace {

// Runs `f` and returns the message of the grid error it raised.
template <class F>
QString GridError(F f)
{
    try {
        f();
    } catch (const EInvalidGridOperation& e) {
        return e.Message();
    }
    return QString();
}

// A 5 x 20 grid in a 200 x 100 client area.
struct TTallGrid : TTestGridModel {
    TTallGrid()
    {
        Width = 200;
        Height = 100;
        SetRowCount(20);
    }
};

} // namespace

TEST(GridModel, NewGridDefaults)
{
    TTestGridModel g;
    EXPECT_EQ(g.ColCount(), 5);
    EXPECT_EQ(g.RowCount(), 5);
    EXPECT_EQ(g.FixedCols(), 1);
    EXPECT_EQ(g.FixedRows(), 1);
    EXPECT_EQ(g.Options(), 0x041Fu);
    EXPECT_EQ(g.DefaultColWidth(), 64);
    EXPECT_EQ(g.DefaultRowHeight(), 16);
    EXPECT_EQ(g.GridLineWidth(), 1);
    EXPECT_EQ(g.ScrollBars(), ssBoth);
    EXPECT_EQ(g.DefaultColFormatStr(), QStringLiteral("%S"));
    EXPECT_EQ(g.Current(), (TGridCoord{1, 1}));
    EXPECT_EQ(g.Anchor(), (TGridCoord{1, 1}));
    EXPECT_EQ(g.TopLeft(), (TGridCoord{1, 1}));
    EXPECT_FALSE(g.EditorMode());
    EXPECT_FALSE(g.HasColWidths());
    EXPECT_FALSE(g.HasRowHeights());
    EXPECT_FALSE(g.HasColFormats());
    EXPECT_FALSE(g.HasTabStops());
    EXPECT_EQ(g.ColCount() * g.DefaultColWidth(), 320);
    EXPECT_EQ(g.RowCount() * g.DefaultRowHeight(), 80);
}

TEST(GridModel, ExtentArraysAppearOnFirstWrite)
{
    TTestGridModel g;
    g.SetRowHeights(2, 20);
    EXPECT_TRUE(g.HasRowHeights());
    EXPECT_FALSE(g.HasColWidths());
    EXPECT_EQ(g.RowHeights(2), 20);
    EXPECT_EQ(g.RowHeights(1), 16);
    g.SetColWidths(0, 30);
    EXPECT_TRUE(g.HasColWidths());
    // A new default drops the per-index entries.
    g.SetDefaultColWidth(50);
    EXPECT_FALSE(g.HasColWidths());
    EXPECT_EQ(g.ColWidths(0), 50);
    // Growing and shrinking keeps the array in step with the count.
    g.SetRowCount(8);
    EXPECT_EQ(g.RowHeights(7), 16);
    EXPECT_EQ(g.RowHeights(2), 20);
    g.SetRowCount(2);
    g.SetRowCount(5);
    EXPECT_EQ(g.RowHeights(2), 16);
}

// Extents at the ends of the ints are kept where no sum of pixels
// overflows; a huge cell shows, cut at the client edge.
TEST(GridModel, ExtentsAreClamped)
{
    // Each stores an extent and gives what was kept.
    using TStore = int (*)(TTestGridModel&, int);
    const TStore colWidth = [](TTestGridModel& g, int v) { return g.SetColWidths(1, v), g.ColWidths(1); };
    const TStore rowHeight = [](TTestGridModel& g, int v) { return g.SetRowHeights(1, v), g.RowHeights(1); };
    const TStore defWidth = [](TTestGridModel& g, int v) { return g.SetDefaultColWidth(v), g.DefaultColWidth(); };
    const TStore defHeight = [](TTestGridModel& g, int v) { return g.SetDefaultRowHeight(v), g.DefaultRowHeight(); };
    const TStore lineWidth = [](TTestGridModel& g, int v) { return g.SetGridLineWidth(v), g.GridLineWidth(); };
    const struct {
        TStore store;
        int stored, kept;
        bool cellShows; // cell (1, 1)
    } cases[] = {{colWidth, INT_MAX, kMaxCellExtent, true},   {colWidth, INT_MIN, -1, false},
                 {rowHeight, INT_MAX, kMaxCellExtent, true},  {rowHeight, INT_MIN, -1, false},
                 {defWidth, INT_MAX, kMaxCellExtent, false},  {defWidth, INT_MIN, -1, false},
                 {defHeight, INT_MAX, kMaxCellExtent, false}, {defHeight, INT_MIN, -1, false},
                 {lineWidth, INT_MAX, kMaxCellExtent, false}, {lineWidth, INT_MIN, -1, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        TTestGridModel g;
        EXPECT_EQ(c.store(g, c.stored), c.kept);
        const TPixelRect r = g.CellRect(1, 1);
        EXPECT_EQ(r.Right > r.Left && r.Bottom > r.Top, c.cellShows);
        EXPECT_LE(r.Right, g.Width);
        EXPECT_LE(r.Bottom, g.Height);
        g.MoveCurrent(4, 4, true, true);
        g.ModifyScrollBar(sbHorizontal, scBottom, 0);
        g.ModifyScrollBar(sbVertical, scTop, 0);
    }
}

TEST(GridModel, ColumnFormats)
{
    TTestGridModel g;
    EXPECT_EQ(g.ColFormatStr(3), QStringLiteral("%S"));
    g.SetColFormatStr(2, QStringLiteral("ABCDEFGHIJKLMNO"));
    EXPECT_TRUE(g.HasColFormats());
    EXPECT_EQ(g.ColFormatStr(2), QStringLiteral("ABCDEFGHIJKL"));
    EXPECT_EQ(g.ColFormatStr(3), QStringLiteral("%S"));
    EXPECT_EQ(g.ColFormatStr(-1), QStringLiteral("%S"));
    // A cut never splits a character.
    g.SetColFormatStr(1, QStringLiteral("aaaaaaaaaaa") + QString::fromUtf8("\xF0\x9F\x98\x80"));
    EXPECT_EQ(g.ColFormatStr(1), QStringLiteral("aaaaaaaaaaa"));
    g.SetDefaultColFormatStr(QStringLiteral("%0.1f and then some"));
    EXPECT_FALSE(g.HasColFormats());
    EXPECT_EQ(g.DefaultColFormatStr(), QStringLiteral("%0.1f and th"));
    EXPECT_EQ(g.ColFormatStr(2), QStringLiteral("%0.1f and th"));
}

TEST(GridModel, SettersRejectBadIndexes)
{
    TTestGridModel g;
    const QString range = QStringLiteral("Grid index out of range");
    EXPECT_EQ(GridError([&] { g.SetColWidths(5, 10); }), range);
    EXPECT_EQ(GridError([&] { g.SetColWidths(-1, 10); }), range);
    EXPECT_EQ(GridError([&] { g.SetRowHeights(-3, 10); }), range);
    EXPECT_EQ(GridError([&] { g.SetColFormatStr(5, QStringLiteral("x")); }), range);
    EXPECT_EQ(GridError([&] { g.SetColFormatStr(-1, QStringLiteral("x")); }), range);
    EXPECT_EQ(GridError([&] { g.SetFixedCols(-1); }), range);
    EXPECT_EQ(GridError([&] { g.SetFixedRows(5); }), QStringLiteral("Fixed row count must be less than row count"));
    EXPECT_EQ(GridError([&] { g.SetFixedCols(5); }),
              QStringLiteral("Fixed column count must be less than column count"));
    EXPECT_EQ(GridError([&] { g.MoveColumn(0, 5); }), range);
    EXPECT_EQ(GridError([&] { g.MoveRow(-1, 2); }), range);
    EXPECT_EQ(GridError([&] { g.DeleteRow(-1); }), range);
    EXPECT_EQ(GridError([&] { g.DeleteColumn(5); }), range);
    EXPECT_EQ(GridError([&] { g.MoveCurrent(5, 1, true, true); }), range);
    // The failed setters left nothing behind.
    EXPECT_FALSE(g.HasColWidths());
    EXPECT_FALSE(g.HasRowHeights());
    EXPECT_FALSE(g.HasColFormats());
    // Getters answer the default for any index outside the grid.
    EXPECT_EQ(g.ColWidths(-1), 64);
    EXPECT_EQ(g.ColWidths(99), 64);
    EXPECT_EQ(g.RowHeights(-1), 16);
    EXPECT_TRUE(g.TabStops(-1));
}

TEST(GridModel, CountLimits)
{
    TTestGridModel g;
    g.SetColWidths(1, 30);
    g.SetColFormatStr(1, QStringLiteral("%d"));
    EXPECT_EQ(GridError([&] { g.SetColCount(kMaxGridExtents); }), QStringLiteral("Grid too large for operation"));
    EXPECT_EQ(GridError([&] { g.SetRowCount(kMaxGridExtents + 5); }), QStringLiteral("Grid too large for operation"));
    EXPECT_EQ(g.ColCount(), 5);
    EXPECT_EQ(g.RowCount(), 5);
    EXPECT_EQ(g.FixedCols(), 1);
    EXPECT_EQ(g.ColWidths(1), 30);
    EXPECT_EQ(g.ColFormatStr(1), QStringLiteral("%d"));

    g.SetColCount(0);
    EXPECT_EQ(g.ColCount(), 1);
    EXPECT_EQ(g.FixedCols(), 0);
    g.SetRowCount(-4);
    EXPECT_EQ(g.RowCount(), 1);
    EXPECT_EQ(g.FixedRows(), 0);
    EXPECT_EQ(g.Current(), (TGridCoord{0, 0}));
}

TEST(GridModel, OptionsSetter)
{
    TTestGridModel g;
    g.SetOptions(xgoDefaultOptions | xgoRowSelect | xgoAlwaysShowEditor);
    EXPECT_EQ(g.Options(), xgoDefaultOptions | xgoRowSelect);
    // Row select keeps the anchor in the last column and the current cell in
    // the first scrolling one.
    EXPECT_EQ(g.Anchor().X, 4);
    EXPECT_EQ(g.Current().X, 1);
}

TEST(GridModel, CellGeometry)
{
    TTestGridModel g;
    EXPECT_EQ(g.CellRect(1, 1), (TPixelRect{65, 17, 129, 33}));
    EXPECT_EQ(g.CellRect(0, 0), (TPixelRect{0, 0, 64, 16}));
    EXPECT_EQ(g.BoxRect(1, 1, 2, 2), (TPixelRect{65, 17, 194, 50}));
    // The last column is cut at the client edge.
    EXPECT_EQ(g.CellRect(4, 1), (TPixelRect{260, 17, 320, 33}));

    struct {
        int x, y;
        TGridCoord cell;
    } const points[] = {
        {64, 16, {0, 0}},  {65, 17, {1, 1}}, {130, 20, {2, 1}},  {130, 40, {2, 2}},
        {129, 33, {1, 1}}, {0, 0, {0, 0}},   {330, 5, {-1, -1}}, {5, 90, {-1, -1}},
    };
    g.Width = 400;
    g.Height = 120;
    for (const auto& p : points)
        EXPECT_EQ(g.MouseCoord(p.x, p.y), p.cell) << p.x << "," << p.y;
}

TEST(GridModel, LastFullyVisibleColumn)
{
    TTestGridModel g;
    // A cell's trailing line may end one line width beyond the client edge.
    g.Width = 194;
    EXPECT_EQ(g.CalcDrawInfo().Horz.LastFullVisibleCell, 2);
    EXPECT_EQ(g.VisibleColCount(), 2);
    g.Width = 193;
    EXPECT_EQ(g.CalcDrawInfo().Horz.LastFullVisibleCell, 1);
    // With the lines off, cells are packed.
    g.SetOptions(xgoRangeSelect | xgoEditing);
    g.Width = 192;
    EXPECT_EQ(g.CalcDrawInfo().Horz.FixedBoundary, 64);
    EXPECT_EQ(g.CalcDrawInfo().Horz.LastFullVisibleCell, 2);
}

TEST(GridModel, HiddenCellTakesItsLineOnly)
{
    TTestGridModel g;
    g.SetColWidths(2, 0);
    EXPECT_EQ(g.CellRect(3, 1), (TPixelRect{131, 17, 195, 33}));
    EXPECT_EQ(g.MouseCoord(130, 20), (TGridCoord{2, 1}));
}

TEST(GridModel, ScrollBarMapping)
{
    TTallGrid g;
    g.UpdateScrollRange();
    EXPECT_EQ(g.CalcMaxTopLeft({4, 19}, g.CalcDrawInfo()), (TGridCoord{3, 16}));
    EXPECT_EQ(g.RangeMax[sbVertical], 127);
    EXPECT_EQ(g.RangeMax[sbHorizontal], 127);

    g.ModifyScrollBar(sbVertical, scPosition, 64);
    EXPECT_EQ(g.TopRow(), 9);
    g.ModifyScrollBar(sbVertical, scPosition, 127);
    EXPECT_EQ(g.TopRow(), 16);
    g.ModifyScrollBar(sbVertical, scTop, 0);
    EXPECT_EQ(g.TopRow(), 1);
    g.ModifyScrollBar(sbVertical, scBottom, 0);
    EXPECT_EQ(g.TopRow(), 16);
    g.ModifyScrollBar(sbVertical, scLineDown, 0);
    EXPECT_EQ(g.TopRow(), 16);
    g.ModifyScrollBar(sbVertical, scPageUp, 0);
    EXPECT_EQ(g.TopRow(), 13);
    g.ModifyScrollBar(sbVertical, scPageDown, 0);
    EXPECT_EQ(g.TopRow(), 16);

    g.SetTopRow(8);
    EXPECT_EQ(g.Pos[sbVertical], 59);
    EXPECT_EQ(g.ScrollBarPosition(sbVertical), 59);

    // The thumb drags the view only with thumb tracking.
    g.ModifyScrollBar(sbVertical, scTrack, 0);
    EXPECT_EQ(g.TopRow(), 8);
    g.SetOptions(g.Options() | xgoThumbTracking);
    g.ModifyScrollBar(sbVertical, scTrack, 0);
    EXPECT_EQ(g.TopRow(), 1);
}

TEST(GridModel, ScrollBarsWhenEverythingFits)
{
    TTestGridModel g;
    g.Width = 400;
    g.Height = 200;
    g.RangeMax[sbVertical] = 127;
    g.UpdateScrollRange();
    EXPECT_EQ(g.RangeMax[sbHorizontal], 0);
    EXPECT_EQ(g.RangeMax[sbVertical], 0);
    EXPECT_EQ(g.ScrollBarPosition(sbHorizontal), 0);
    EXPECT_EQ(g.ScrollBarPosition(sbVertical), 0);
    for (TScrollCode code : {scLineUp, scLineDown, scPageUp, scPageDown, scPosition, scTrack, scTop, scBottom}) {
        g.ModifyScrollBar(sbVertical, code, 64);
        g.ModifyScrollBar(sbHorizontal, code, 127);
    }
    EXPECT_EQ(g.TopLeft(), (TGridCoord{1, 1}));
    EXPECT_EQ(g.Pos[sbVertical], 0);
    EXPECT_EQ(MulDiv(5, 127, 0), -1);
    EXPECT_EQ(MulDiv(64, 15, 127), 8);
    EXPECT_EQ(MulDiv(-64, 15, 127), -8);
}

TEST(GridModel, OneColumnGridScrollsByPixels)
{
    TTestGridModel g;
    g.SetColCount(1);
    g.SetColWidths(0, 500);
    g.UpdateScrollRange();
    EXPECT_EQ(g.RangeMax[sbHorizontal], 180);
    g.ModifyScrollBar(sbHorizontal, scLineDown, 0);
    EXPECT_EQ(g.ColOffset(), 7);
    g.ModifyScrollBar(sbHorizontal, scPageDown, 0);
    EXPECT_EQ(g.ColOffset(), 180);
    EXPECT_EQ(g.Pos[sbHorizontal], 180);
    g.ModifyScrollBar(sbHorizontal, scPosition, 50);
    EXPECT_EQ(g.ColOffset(), 50);
    EXPECT_EQ(g.Scrolls.back().Dx, 130);
}

TEST(GridModel, KeyNavigation)
{
    struct Case {
        const char* name;
        TGridCoord start;
        int key;
        TShiftState shift;
        TGridCoord current;
        TGridCoord topLeft;
    } const cases[] = {
        {"PgDn", {1, 1}, VK_NEXT, 0, {1, 4}, {1, 4}},
        {"Ctrl+End", {1, 1}, VK_END, ssCtrl, {4, 19}, {3, 16}},
        {"Ctrl+Home", {4, 19}, VK_HOME, ssCtrl, {1, 1}, {1, 1}},
        {"Shift+Tab", {1, 1}, VK_TAB, ssShift, {4, 19}, {3, 16}},
        {"Tab wraps", {4, 19}, VK_TAB, 0, {1, 1}, {1, 1}},
        {"Tab", {2, 3}, VK_TAB, 0, {3, 3}, {2, 1}},
        {"Shift+Tab row", {1, 3}, VK_TAB, ssShift, {4, 2}, {3, 1}},
        {"Alt+Tab", {2, 3}, VK_TAB, ssAlt, {2, 3}, {1, 1}},
        {"Up stops", {1, 1}, VK_UP, 0, {1, 1}, {1, 1}},
        {"End", {2, 2}, VK_END, 0, {4, 2}, {3, 1}},
        {"Home", {4, 2}, VK_HOME, 0, {1, 2}, {1, 1}},
        {"Ctrl+PgDn", {1, 2}, VK_NEXT, ssCtrl, {1, 4}, {1, 1}},
        {"Ctrl+Down scrolls only", {1, 2}, VK_DOWN, ssCtrl, {1, 2}, {1, 2}},
    };
    for (const Case& c : cases) {
        TTallGrid g;
        g.FocusCell(c.start.X, c.start.Y, true);
        if (c.start.X == 1 && c.start.Y == 1)
            g.MoveTopLeft(1, 1);
        g.Press(c.key, c.shift);
        EXPECT_EQ(g.Current(), c.current) << c.name;
        EXPECT_EQ(g.TopLeft(), c.topLeft) << c.name;
    }
}

TEST(GridModel, ShiftWithArrowsExtendsTheRange)
{
    TTallGrid g;
    g.Press(VK_DOWN, ssShift);
    g.Press(VK_RIGHT, ssShift);
    EXPECT_EQ(g.Current(), (TGridCoord{2, 2}));
    EXPECT_EQ(g.Anchor(), (TGridCoord{1, 1}));
    EXPECT_EQ(g.Selection(), (TGridRect{1, 1, 2, 2}));
    // Shift+Tab moves the anchor along.
    g.Press(VK_TAB, ssShift);
    EXPECT_EQ(g.Current(), (TGridCoord{1, 2}));
    EXPECT_EQ(g.Anchor(), g.Current());
    // With editing on, moving the anchor moves the current cell.
    g.MoveAnchor({3, 3});
    EXPECT_EQ(g.Current(), (TGridCoord{3, 3}));
    EXPECT_EQ(g.Anchor(), (TGridCoord{3, 3}));
    // Without range select the anchor always follows.
    g.SetOptions(g.Options() & ~static_cast<TxGridOptions>(xgoRangeSelect));
    g.Press(VK_DOWN, ssShift);
    EXPECT_EQ(g.Anchor(), g.Current());
}

TEST(GridModel, ColumnSizingByMouse)
{
    TTestGridModel g;
    g.SetOptions(g.Options() | xgoColSizing);
    g.MouseDown(mbLeft, ssLeft, 129, 5);
    EXPECT_EQ(g.GridState(), gsColSizing);
    EXPECT_EQ(g.SizingIndex(), 1);
    EXPECT_TRUE(g.SizingLineVisible());
    g.MouseUp(mbLeft, 0, 100, 5);
    EXPECT_EQ(g.GridState(), gsNormal);
    EXPECT_FALSE(g.SizingLineVisible());
    EXPECT_EQ(g.ColWidths(1), 35);
    EXPECT_EQ(g.ColWidthsChanges, 1);

    // Dragged to 1 pixel or less, the column keeps its width.
    TTestGridModel h;
    h.SetOptions(h.Options() | xgoColSizing);
    h.MouseDown(mbLeft, ssLeft, 129, 5);
    h.MouseMove(ssLeft, 80, 5);
    h.MouseUp(mbLeft, 0, 60, 5);
    EXPECT_EQ(h.ColWidths(1), 64);
    EXPECT_EQ(h.ColWidthsChanges, 0);
    EXPECT_FALSE(h.HasColWidths());
}

TEST(GridModel, SizingZones)
{
    TTestGridModel g;
    g.SetOptions(g.Options() | xgoColSizing | xgoRowSizing);
    for (int x = 120; x <= 140; ++x) {
        const bool hot = x >= 126 && x <= 133;
        EXPECT_EQ(g.SizingStateAt(x, 5), hot ? gsColSizing : gsNormal) << x;
        EXPECT_EQ(g.SizingStateAt(x, 20), gsNormal) << x; // scrolling rows
    }
    EXPECT_EQ(g.SizingStateAt(5, 33), gsRowSizing);
    EXPECT_EQ(g.SizingStateAt(70, 33), gsNormal);
    g.SetOptions(xgoDefaultOptions);
    EXPECT_EQ(g.SizingStateAt(129, 5), gsNormal);
}

TEST(GridModel, SizingSubtractsTheDrawnLineWidth)
{
    struct Case {
        TxGridOptions options;
        int press;
        int release;
        int width;
    } const cases[] = {
        {xgoDefaultOptions, 194, 180, 50},                           // 180 - (65 + 65)
        {xgoRangeSelect | xgoEditing, 192, 180, 52},                 // no lines: 180 - (64 + 64)
        {xgoFixedHorzLine | xgoHorzLine | xgoEditing, 192, 180, 52}, // horizontal lines only
    };
    for (const Case& c : cases) {
        TTestGridModel g;
        g.SetOptions(c.options | xgoColSizing);
        g.MouseDown(mbLeft, ssLeft, c.press, 5);
        ASSERT_EQ(g.GridState(), gsColSizing);
        EXPECT_EQ(g.SizingIndex(), 2);
        g.MouseUp(mbLeft, 0, c.release, 5);
        EXPECT_EQ(g.ColWidths(2), c.width);
    }
}

TEST(GridModel, RowSizingByMouse)
{
    TTestGridModel g;
    g.SetOptions(g.Options() | xgoRowSizing);
    g.MouseDown(mbLeft, ssLeft, 10, 33);
    ASSERT_EQ(g.GridState(), gsRowSizing);
    g.MouseMove(ssLeft, 10, 45);
    EXPECT_EQ(g.SizingPos(), 45);
    g.MouseUp(mbLeft, 0, 10, 45);
    EXPECT_EQ(g.RowHeights(1), 28);
}

TEST(GridModel, MovingColumnsCarriesWidthsAndFormats)
{
    TTestGridModel g;
    g.SetColWidths(1, 30);
    g.SetColWidths(2, 40);
    g.SetColWidths(3, 50);
    g.SetColFormatStr(1, QStringLiteral("A"));
    g.SetColFormatStr(2, QStringLiteral("B"));
    g.SetColFormatStr(3, QStringLiteral("C"));
    g.SetTabStops(1, false);
    const int before = g.WholeInvalidations;
    g.MoveColumn(1, 3);
    EXPECT_EQ(g.ColWidths(1), 40);
    EXPECT_EQ(g.ColWidths(2), 50);
    EXPECT_EQ(g.ColWidths(3), 30);
    EXPECT_EQ(g.ColFormatStr(1), QStringLiteral("B"));
    EXPECT_EQ(g.ColFormatStr(2), QStringLiteral("C"));
    EXPECT_EQ(g.ColFormatStr(3), QStringLiteral("A"));
    EXPECT_FALSE(g.TabStops(3));
    EXPECT_TRUE(g.TabStops(1));
    EXPECT_EQ(g.Col(), 3); // the current column went along
    EXPECT_TRUE(g.Log.contains(QStringLiteral("colmoved 1,3")));
    EXPECT_GT(g.WholeInvalidations, before);

    g.MoveColumn(3, 1);
    EXPECT_EQ(g.ColFormatStr(1), QStringLiteral("A"));
    EXPECT_EQ(g.ColWidths(1), 30);
    EXPECT_EQ(g.Col(), 1);
}

TEST(GridModel, MovesRepaintTheWholeGrid)
{
    TTestGridModel g;
    int before = g.WholeInvalidations;
    g.MoveRow(1, 3);
    EXPECT_GT(g.WholeInvalidations, before);
    before = g.WholeInvalidations;
    g.MoveColumn(4, 2);
    EXPECT_GT(g.WholeInvalidations, before);
}

TEST(GridModel, MoveAdjustOfTheCurrentRow)
{
    TTestGridModel g;
    g.SetRowCount(6);
    g.FocusCell(1, 3, true);
    g.MoveRow(1, 4); // 3 lies between: one up
    EXPECT_EQ(g.Row(), 2);
    g.MoveRow(4, 1); // back down
    EXPECT_EQ(g.Row(), 3);
    g.MoveRow(3, 5); // the row itself
    EXPECT_EQ(g.Row(), 5);
    EXPECT_EQ(g.Anchor().Y, 5);
}

TEST(GridModel, GridsKeepTheirOwnFormats)
{
    TTestGridModel a;
    TTestGridModel b;
    a.SetColFormatStr(1, QStringLiteral("%d"));
    b.SetColFormatStr(1, QStringLiteral("%0.2f"));
    b.SetColFormatStr(4, QStringLiteral("%s"));
    a.SetColCount(9);
    EXPECT_EQ(a.ColFormatStr(8), QStringLiteral("%S"));
    EXPECT_EQ(b.ColCount(), 5);
    EXPECT_EQ(b.ColFormatStr(1), QStringLiteral("%0.2f"));
    EXPECT_EQ(b.ColFormatStr(4), QStringLiteral("%s"));
    a.SetColCount(2);
    EXPECT_EQ(b.ColFormatStr(4), QStringLiteral("%s"));
    EXPECT_EQ(a.ColFormatStr(1), QStringLiteral("%d"));
}

TEST(GridModel, SizeChangeClampsEvenWhenSelectCellRefuses)
{
    TTestGridModel g;
    g.FocusCell(4, 4, true);
    g.Refuse = {{4, 2}};
    g.SetRowCount(3);
    EXPECT_EQ(g.Current(), (TGridCoord{4, 2}));
    EXPECT_EQ(g.Anchor(), (TGridCoord{4, 2}));
    g.SetColCount(2);
    EXPECT_EQ(g.Current(), (TGridCoord{1, 2}));
}

TEST(GridModel, FixedCountBelowNewCount)
{
    TTestGridModel g;
    g.SetFixedCols(3);
    g.SetColCount(3);
    EXPECT_EQ(g.FixedCols(), 2);
    EXPECT_EQ(g.Current(), (TGridCoord{2, 1}));
}

TEST(GridModel, DeletingRowsAndColumns)
{
    TTestGridModel g;
    g.SetColWidths(2, 22);
    g.DeleteColumn(2);
    EXPECT_EQ(g.ColCount(), 4);
    EXPECT_EQ(g.ColWidths(2), 64);
    g.Log.clear();
    g.DeleteRow(1);
    EXPECT_EQ(g.RowCount(), 4);
    EXPECT_EQ(g.Log.first(), QStringLiteral("rowmoved 1,4"));
}

TEST(GridModel, ClickTypeAndEnter)
{
    TTestGridModel g;
    const TPixelRect r = g.CellRect(2, 2);
    g.MouseDown(mbLeft, ssLeft, r.Left + 3, r.Top + 3);
    g.MouseUp(mbLeft, 0, r.Left + 3, r.Top + 3);
    EXPECT_EQ(g.Current(), (TGridCoord{2, 2}));
    EXPECT_FALSE(g.EditorMode());

    QChar seven('7');
    g.CharTyped(seven);
    ASSERT_NE(g.Editor(), nullptr);
    EXPECT_TRUE(g.Editor()->Visible());
    EXPECT_TRUE(g.EditorFocused);
    EXPECT_EQ(g.Editor()->Bounds, r);
    EXPECT_EQ(g.Cells.value(QStringLiteral("2,2")), QStringLiteral("7"));

    g.Log.clear();
    g.Editor()->PressKey(VK_RETURN);
    g.Editor()->TypeChar(QChar(13));
    EXPECT_EQ(g.Log,
              (QStringList{QStringLiteral("set 2,2=7"), QStringLiteral("data 2,2"), QStringLiteral("select 2,2")}));
    EXPECT_FALSE(g.Editor()->Visible());
    EXPECT_FALSE(g.EditorMode());
    EXPECT_EQ(g.InplaceCol(), -1);
    EXPECT_TRUE(g.GridFocused);

    // A second Enter opens the editor again, on the stored text.
    g.Press(VK_RETURN, 0, QChar(13));
    EXPECT_TRUE(g.Editor()->Visible());
    EXPECT_EQ(g.Editor()->Text(), QStringLiteral("7"));
    EXPECT_EQ(g.Editor()->Validations, 1);
}

TEST(GridModel, EditorTakesTheColumnFormat)
{
    TTestGridModel g;
    g.SetColFormatStr(1, QStringLiteral("%d"));
    g.Press(VK_F2);
    ASSERT_NE(g.Editor(), nullptr);
    EXPECT_EQ(g.Editor()->FormatStr, QStringLiteral("%d"));
    // F2 leaves the caret at the end without a selection.
    EXPECT_EQ(g.Editor()->SelStart, g.Editor()->SelEnd);
    g.Editor()->PressKey(VK_RIGHT);
    EXPECT_EQ(g.Col(), 1); // Right only moves the caret
    g.Editor()->PressKey(VK_DOWN);
    EXPECT_EQ(g.Current(), (TGridCoord{1, 2}));
    EXPECT_FALSE(g.EditorMode());
}

TEST(GridModel, DownWhileEditingStoresOnce)
{
    TTestGridModel g;
    g.Press(VK_RETURN, 0, QChar(13));
    ASSERT_TRUE(g.Editor()->Visible());
    g.Editor()->TypeChar(QChar('x'));
    g.Log.clear();
    g.Editor()->PressKey(VK_DOWN);
    EXPECT_EQ(g.Current(), (TGridCoord{1, 2}));
    EXPECT_EQ(g.Log.filter(QStringLiteral("data")), QStringList{QStringLiteral("data 1,1")});
    EXPECT_FALSE(g.Editor()->Visible());
}

TEST(GridModel, AlwaysShowEditorFollowsTheCell)
{
    TTestGridModel g;
    g.SetOptions(g.Options() | xgoAlwaysShowEditor);
    ASSERT_NE(g.Editor(), nullptr);
    EXPECT_TRUE(g.Editor()->Visible());
    g.Editor()->TypeChar(QChar('a'));
    g.Log.clear();
    // Enter does nothing in the grid; Right at the end of the text moves on.
    QChar enter(13);
    g.KeyPress(enter);
    EXPECT_EQ(enter, QChar(13));
    g.Editor()->PressKey(VK_RIGHT);
    EXPECT_EQ(g.Col(), 2);
    EXPECT_TRUE(g.Editor()->Visible());
    EXPECT_EQ(g.Editor()->Bounds, g.CellRect(2, 1));
    EXPECT_EQ(g.Log.filter(QStringLiteral("data")), QStringList{QStringLiteral("data 1,1")});
}

TEST(GridModel, FocusLeavingStoresAndReturns)
{
    TTestGridModel g;
    g.Press(VK_RETURN, 0, QChar(13));
    g.Editor()->TypeChar(QChar('q'));
    g.Log.clear();
    g.FocusOut(false);
    EXPECT_EQ(g.Log.filter(QStringLiteral("data")), QStringList{QStringLiteral("data 1,1")});
    EXPECT_FALSE(g.Editor()->Visible());
    EXPECT_TRUE(g.EditorMode());
    g.FocusIn(false);
    EXPECT_TRUE(g.Editor()->Visible());
    EXPECT_EQ(g.Editor()->Text(), QStringLiteral("q"));
    // Leaving the grid for another control ends editing.
    g.DoExit();
    EXPECT_FALSE(g.EditorMode());
    EXPECT_FALSE(g.Editor()->Visible());
}

TEST(GridModel, ReadOnlyCellTakesNoTyping)
{
    TTestGridModel g;
    g.EditLimit = -1;
    g.Cells[QStringLiteral("1,1")] = QStringLiteral("fixed");
    g.Press(VK_F2);
    ASSERT_TRUE(g.Editor()->Visible());
    EXPECT_FALSE(g.CanEditModify());
    TRecordingMessageService messages;
    TScopedMessageService scope(messages);
    for (QChar c : {QChar('z'), QChar(8), QChar(22), QChar(24)}) {
        QChar k = c;
        g.EditorKeyPress(k, 0, 5, 5);
        EXPECT_TRUE(k.isNull()) << int(c.unicode());
    }
    for (int key : {VK_DELETE, VK_INSERT}) {
        int k = key;
        g.EditorKeyDown(k, key == VK_INSERT ? TShiftState(ssShift) : TShiftState(0), 0, 0, 5);
        EXPECT_EQ(k, 0);
    }
    EXPECT_EQ(messages.Beeps, 0);
}

TEST(GridModel, ShowingTheEditorIsRefusedWithRowSelect)
{
    TTestGridModel g;
    g.SetOptions(g.Options() | xgoRowSelect);
    QChar ch('a');
    g.CharTyped(ch);
    EXPECT_TRUE(ch.isNull()); // dropped, not typed into a hidden editor
    EXPECT_EQ(g.Editor(), nullptr);
    EXPECT_TRUE(g.Cells.isEmpty());
}

TEST(GridModel, FocusClickFlag)
{
    ResetFocusClickFlag();
    TTestGridModel g;
    const TPixelRect r = g.CellRect(1, 1);
    // The grid's focus entry set the flag: the first click only selects.
    SetFocusClickFlag(1);
    g.MouseDown(mbLeft, ssLeft, r.Left + 2, r.Top + 2);
    g.MouseUp(mbLeft, 0, r.Left + 2, r.Top + 2);
    EXPECT_EQ(FocusClickFlag(), 0);
    EXPECT_TRUE(g.Editor() == nullptr || !g.Editor()->Visible());
    g.MouseDown(mbLeft, ssLeft, r.Left + 2, r.Top + 2);
    g.MouseUp(mbLeft, 0, r.Left + 2, r.Top + 2);
    ASSERT_NE(g.Editor(), nullptr);
    EXPECT_TRUE(g.Editor()->Visible());

    // A press in a sizing zone leaves it set.
    TTestGridModel h;
    h.SetOptions(h.Options() | xgoColSizing);
    SetFocusClickFlag(1);
    h.MouseDown(mbLeft, ssLeft, 129, 5);
    h.MouseUp(mbLeft, 0, 129, 5);
    EXPECT_EQ(FocusClickFlag(), 1);
    // So does a click that does not make the grid the active control.
    h.Active = false;
    h.MouseDown(mbLeft, ssLeft, 100, 40);
    EXPECT_EQ(FocusClickFlag(), 1);
    ResetFocusClickFlag();
}

TEST(GridModel, WheelMovesTheCurrentRow)
{
    TTallGrid g;
    for (int row = 2; row <= 4; ++row) {
        EXPECT_TRUE(g.MouseWheel(0, -120, 50, 50));
        EXPECT_EQ(g.Row(), row);
        EXPECT_EQ(g.TopRow(), 1);
    }
    g.MouseWheel(0, -120, 50, 50);
    EXPECT_EQ(g.Row(), 5);
    EXPECT_EQ(g.TopRow(), 2);
    // Half a notch waits for the other half.
    g.MouseWheel(0, -60, 50, 50);
    EXPECT_EQ(g.Row(), 5);
    g.MouseWheel(0, -60, 50, 50);
    EXPECT_EQ(g.Row(), 6);

    TTallGrid h;
    h.MouseWheel(0, 120, 50, 50);
    EXPECT_EQ(h.Row(), 1);
    EXPECT_EQ(h.TopRow(), 1);
}

TEST(GridModel, SelectingByDragAndTimer)
{
    TTallGrid g;
    g.SetOptions(g.Options() & ~static_cast<TxGridOptions>(xgoEditing));
    const TPixelRect a = g.CellRect(1, 2);
    const TPixelRect b = g.CellRect(2, 3);
    g.MouseDown(mbLeft, ssLeft, a.Left + 2, a.Top + 2);
    EXPECT_EQ(g.GridState(), gsSelecting);
    EXPECT_TRUE(g.TimerRunning);
    g.MouseMove(ssLeft, b.Left + 2, b.Top + 2);
    EXPECT_EQ(g.Selection(), (TGridRect{1, 2, 2, 3}));
    // Below the view the timer pulls the anchor down a row per tick.
    g.TimerTick(b.Left + 2, 99);
    g.TimerTick(b.Left + 2, 99);
    EXPECT_EQ(g.Anchor(), (TGridCoord{2, 5}));
    EXPECT_EQ(g.TopRow(), 2);
    g.MouseUp(mbLeft, 0, b.Left + 2, b.Top + 2);
    EXPECT_FALSE(g.TimerRunning);
    EXPECT_EQ(g.GridState(), gsNormal);
}

TEST(GridModel, ColumnMovingByDrag)
{
    TTestGridModel g;
    g.SetOptions(g.Options() | xgoColMoving);
    g.MouseDown(mbLeft, ssLeft, 70, 5); // title of column 1
    ASSERT_EQ(g.GridState(), gsColMoving);
    EXPECT_TRUE(g.MoveLineVisible());
    g.TimerTick(200, 5); // over column 3's title
    EXPECT_EQ(g.MovePos(), 3);
    g.MouseUp(mbLeft, 0, 200, 5);
    EXPECT_FALSE(g.MoveLineVisible());
    EXPECT_TRUE(g.Log.contains(QStringLiteral("colmoved 1,3")));
    EXPECT_EQ(g.Col(), 3);
}

TEST(GridModel, ScrollingMovesPixelsOrRepaints)
{
    TTallGrid g;
    g.Scrolls.clear();
    g.SetTopRow(3);
    ASSERT_EQ(g.Scrolls.size(), 1u);
    EXPECT_EQ(g.Scrolls[0].Dy, -34);
    EXPECT_EQ(g.Scrolls[0].Area, (TPixelRect{0, 17, 200, 100}));
    const int whole = g.WholeInvalidations;
    g.SetTopRow(16); // more than a screenful
    EXPECT_EQ(g.Scrolls.size(), 1u);
    EXPECT_GT(g.WholeInvalidations, whole);
}

TEST(GridModel, ModelWithoutWindowDoesNotScroll)
{
    TTallGrid g;
    g.Window = false;
    g.Invalidated.clear();
    g.FocusCell(1, 19, true);
    EXPECT_EQ(g.TopRow(), 1);
    EXPECT_TRUE(g.Invalidated.empty());
}

namespace {

// Counts the edits stored into cells the grid does not have.
class TOutsideStoreGrid : public TTestGridModel {
public:
    int OutsideStores = 0;
    void SetEditText(int ACol, int ARow, const QString& value) override
    {
        if (ACol >= ColCount() || ARow >= RowCount())
            ++OutsideStores;
        TTestGridModel::SetEditText(ACol, ARow, value);
    }
};

} // namespace

// Random keys, clicks, resizes and count changes never take the current
// cell, the anchor or the top-left out of the grid; a shown editor always
// holds the current cell and covers its rectangle, and no edit lands outside
// the grid.
TEST(GridModel, RandomUseKeepsCellsInsideTheGrid)
{
    const int keys[] = {VK_UP,  VK_DOWN, VK_LEFT, VK_RIGHT,  VK_PRIOR,  VK_NEXT,   VK_HOME,
                        VK_END, VK_TAB,  VK_F2,   VK_RETURN, VK_ESCAPE, VK_DELETE, 'A'};
    const TShiftState shifts[] = {0, ssShift, ssCtrl, ssShift | ssCtrl, ssAlt};
    TRecordingMessageService messages;
    TScopedMessageService scope(messages);
    for (unsigned seed : {1u, 7u, 42u, 1234u, 99991u}) {
        std::mt19937 rng(seed);
        auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        TOutsideStoreGrid g;
        auto check = [&](int step) {
            ASSERT_GE(g.Col(), 0) << seed << "/" << step;
            ASSERT_LT(g.Col(), g.ColCount()) << seed << "/" << step;
            ASSERT_GE(g.Row(), 0) << seed << "/" << step;
            ASSERT_LT(g.Row(), g.RowCount()) << seed << "/" << step;
            ASSERT_GE(g.Anchor().X, 0);
            ASSERT_LT(g.Anchor().X, g.ColCount()) << seed << "/" << step;
            ASSERT_GE(g.Anchor().Y, 0);
            ASSERT_LT(g.Anchor().Y, g.RowCount()) << seed << "/" << step;
            ASSERT_GE(g.LeftCol(), g.FixedCols()) << seed << "/" << step;
            ASSERT_LT(g.LeftCol(), g.ColCount()) << seed << "/" << step;
            ASSERT_GE(g.TopRow(), g.FixedRows()) << seed << "/" << step;
            ASSERT_LT(g.TopRow(), g.RowCount()) << seed << "/" << step;
            ASSERT_GE(g.FixedCols(), 0);
            ASSERT_LT(g.FixedCols(), g.ColCount());
            ASSERT_EQ(g.OutsideStores, 0) << seed << "/" << step;
            if (g.Editor() && g.Editor()->Visible()) {
                ASSERT_EQ((TGridCoord{g.InplaceCol(), g.InplaceRow()}), g.Current()) << seed << "/" << step;
                ASSERT_EQ(g.Editor()->Bounds, g.CellRect(g.Col(), g.Row())) << seed << "/" << step;
            }
        };
        for (int step = 0; step < 3000; ++step) {
            const int X = pick(-10, g.Width + 10);
            const int Y = pick(-10, g.Height + 10);
            try {
                switch (pick(0, 15)) {
                case 0:
                case 1:
                case 2:
                    g.Press(keys[pick(0, 13)], shifts[pick(0, 4)],
                            pick(0, 3) == 0 ? QChar(pick(0, 1) ? 13 : 'x') : QChar());
                    break;
                case 3:
                    g.MouseDown(pick(0, 3) ? mbLeft : mbRight,
                                ssLeft | (pick(0, 3) == 0 ? TShiftState(ssDouble) : TShiftState(0)), X, Y);
                    break;
                case 4:
                    g.MouseMove(ssLeft, X, Y);
                    break;
                case 5:
                    g.MouseUp(mbLeft, 0, X, Y);
                    break;
                case 6:
                    g.Width = pick(0, 400);
                    g.Height = pick(0, 300);
                    g.Resized();
                    break;
                case 7:
                    g.SetColCount(pick(-1, 12));
                    break;
                case 8:
                    g.SetRowCount(pick(-1, 40));
                    break;
                case 9:
                    if (pick(0, 1))
                        g.SetFixedCols(pick(0, 3));
                    else
                        g.SetFixedRows(pick(0, 3));
                    break;
                case 10:
                    g.SetColWidths(pick(0, g.ColCount() - 1), pick(0, 9) ? pick(-1, 150) : INT_MAX);
                    if (pick(0, 1))
                        g.SetRowHeights(pick(0, g.RowCount() - 1), pick(-1, 60));
                    break;
                case 11:
                    g.SetOptions(static_cast<TxGridOptions>(pick(0, 0x7FFF)));
                    break;
                case 12:
                    g.MouseWheel(0, pick(0, 1) ? 120 : -120, X, Y);
                    break;
                case 13:
                    g.TimerTick(X, Y);
                    break;
                case 14:
                    if (pick(0, 1))
                        g.MoveColumn(pick(0, g.ColCount() - 1), pick(0, g.ColCount() - 1));
                    else
                        g.MoveRow(pick(0, g.RowCount() - 1), pick(0, g.RowCount() - 1));
                    break;
                case 15:
                    g.ModifyScrollBar(pick(0, 1) ? sbHorizontal : sbVertical, static_cast<TScrollCode>(pick(0, 8)),
                                      pick(0, 127));
                    break;
                }
            } catch (const EInvalidGridOperation&) {
                // fixed counts the grid refuses
            }
            check(step);
            if (::testing::Test::HasFatalFailure())
                return;
        }
    }
}
