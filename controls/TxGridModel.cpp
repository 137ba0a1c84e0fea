#include "TxGridModel.h"

#include "TxPlatform.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

IGridInplaceEditor::~IGridInplaceEditor() = default;
IGridHost::~IGridHost() = default;

namespace {

int gFocusClickFlag = 0;

const char* const SIndexOutOfRange = "Grid index out of range";
const char* const STooManyDeleted = "Too many rows or columns deleted";
const char* const SGridTooLarge = "Grid too large for operation";
const char* const SFixedColTooBig = "Fixed column count must be less than column count";
const char* const SFixedRowTooBig = "Fixed row count must be less than row count";

[[noreturn]] void InvalidOp(const char* message)
{
    throw EInvalidGridOperation(QString::fromLatin1(message));
}

// Pixel sums run in 64 bits and are kept well inside int afterwards, so huge
// extents cannot overflow the geometry.
constexpr long long kPixelLimit = 1LL << 30;

int ClampPixel(long long v)
{
    return static_cast<int>(std::clamp(v, -kPixelLimit, kPixelLimit));
}

void MoveAdjust(int& index, int from, int to)
{
    if (index == from)
        index = to;
    else if (from < to && index > from && index <= to)
        --index;
    else if (from > to && index >= to && index < from)
        ++index;
}

TGridRect NormalisedRect(const TGridCoord& a, const TGridCoord& b)
{
    return {std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
}

int BarPosition(int value, int fixed, int max)
{
    if (max <= fixed)
        return 0; // everything fits
    return std::clamp(MulDiv(value - fixed, 127, max - fixed), 0, 127);
}

} // namespace

String12 CutString12(const QString& text)
{
    if (text.size() <= 12)
        return text;
    qsizetype n = 12;
    if (text.at(n - 1).isHighSurrogate())
        --n;
    return text.left(n);
}

int ClampCellExtent(int value)
{
    return std::clamp(value, -1, kMaxCellExtent);
}

int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const long long num = static_cast<long long>(a) * b;
    const long long den = c;
    long long q = num / den;
    const long long r = num % den;
    // Half away from zero.
    if (2 * std::llabs(r) >= std::llabs(den))
        q += ((num < 0) != (den < 0)) ? -1 : 1;
    if (q > INT_MAX || q < INT_MIN)
        return -1;
    return static_cast<int>(q);
}

int FocusClickFlag()
{
    return gFocusClickFlag;
}

void SetFocusClickFlag(int value)
{
    gFocusClickFlag = value;
}

void ResetFocusClickFlag()
{
    gFocusClickFlag = 0;
}

// --- TGridExtents ---

int TGridExtents::Get(int index, int def) const
{
    if (index < 0 || index >= Count())
        return def;
    return FItems[static_cast<size_t>(index)];
}

void TGridExtents::Set(int index, int value)
{
    if (index < 0 || index >= Count())
        InvalidOp(SIndexOutOfRange);
    FItems[static_cast<size_t>(index)] = value;
}

void TGridExtents::Resize(long long newCount, int def)
{
    if (newCount < 0)
        InvalidOp(STooManyDeleted);
    if (newCount >= kMaxGridExtents)
        InvalidOp(SGridTooLarge);
    if (newCount == 0) {
        std::vector<int>().swap(FItems);
        return;
    }
    FItems.resize(static_cast<size_t>(newCount), def);
}

void TGridExtents::Move(int from, int to)
{
    if (from < 0 || to < 0 || from >= Count() || to >= Count() || from == to)
        return;
    const auto first = FItems.begin();
    if (from < to)
        std::rotate(first + from, first + from + 1, first + to + 1);
    else
        std::rotate(first + to, first + from, first + from + 1);
}

int TGridAxisDrawInfo::Extent(int index) const
{
    return Columns ? Grid->ColWidths(index) : Grid->RowHeights(index);
}

// --- TGridModel: construction and properties ---

TGridModel::TGridModel(IGridHost& host) : FHost(host)
{
    Initialize();
}

TGridModel::~TGridModel() = default;

void TGridModel::Initialize()
{
    FTopLeft = {FFixedCols, FFixedRows};
    FCurrent = FTopLeft;
    FAnchor = FCurrent;
    if (FOptions & xgoRowSelect)
        FAnchor.X = FColCount - 1;
}

TGridRect TGridModel::Selection() const
{
    return NormalisedRect(FCurrent, FAnchor);
}

int TGridModel::ColWidths(int index) const
{
    if (index < 0 || index >= FColCount)
        return FDefaultColWidth;
    return FColWidths.Get(index, FDefaultColWidth);
}

int TGridModel::RowHeights(int index) const
{
    if (index < 0 || index >= FRowCount)
        return FDefaultRowHeight;
    return FRowHeights.Get(index, FDefaultRowHeight);
}

bool TGridModel::TabStops(int index) const
{
    if (index < 0 || index >= FColCount)
        return true;
    return FTabStops.Get(index, 1) != 0;
}

String12 TGridModel::ColFormatStr(int index) const
{
    if (FFormatsExist && index >= 0 && index < FColCount && index < static_cast<int>(FColFormats.size()))
        return FColFormats[static_cast<size_t>(index)];
    return FDefaultColFormatStr;
}

void TGridModel::SetColWidths(int index, int value)
{
    if (index < 0 || index >= FColCount)
        InvalidOp(SIndexOutOfRange);
    value = ClampCellExtent(value);
    if (!FColWidths.Exists())
        FColWidths.Resize(FColCount, FDefaultColWidth);
    if (value != FColWidths.Get(index, FDefaultColWidth)) {
        InvalidateGrid();
        FColWidths.Set(index, value);
        ColWidthsChanged();
    }
}

void TGridModel::SetRowHeights(int index, int value)
{
    if (index < 0 || index >= FRowCount)
        InvalidOp(SIndexOutOfRange);
    value = ClampCellExtent(value);
    if (!FRowHeights.Exists())
        FRowHeights.Resize(FRowCount, FDefaultRowHeight);
    if (value != FRowHeights.Get(index, FDefaultRowHeight)) {
        InvalidateGrid();
        FRowHeights.Set(index, value);
        RowHeightsChanged();
    }
}

void TGridModel::SetTabStops(int index, bool value)
{
    if (index < 0 || index >= FColCount)
        InvalidOp(SIndexOutOfRange);
    if (!FTabStops.Exists())
        FTabStops.Resize(FColCount, 1);
    FTabStops.Set(index, value ? 1 : 0);
}

void TGridModel::SetColFormatStr(int index, const QString& value)
{
    const String12 text = CutString12(value);
    if (index < 0 || index >= FColCount)
        InvalidOp(SIndexOutOfRange);
    if (!FFormatsExist) {
        FColFormats.assign(static_cast<size_t>(FColCount), FDefaultColFormatStr);
        FFormatsExist = true;
    }
    QString& entry = FColFormats[static_cast<size_t>(index)];
    if (entry != text)
        entry = text;
}

void TGridModel::SetDefaultColWidth(int value)
{
    FColWidths.Clear();
    FDefaultColWidth = ClampCellExtent(value);
    ColWidthsChanged();
    InvalidateGrid();
}

void TGridModel::SetDefaultRowHeight(int value)
{
    FRowHeights.Clear();
    FDefaultRowHeight = ClampCellExtent(value);
    RowHeightsChanged();
    InvalidateGrid();
}

void TGridModel::SetDefaultColFormatStr(const QString& value)
{
    FDefaultColFormatStr = CutString12(value);
    std::vector<QString>().swap(FColFormats);
    FFormatsExist = false;
    InvalidateGrid();
}

void TGridModel::SetGridLineWidth(int value)
{
    value = ClampCellExtent(value);
    if (value == FGridLineWidth)
        return;
    FGridLineWidth = value;
    InvalidateGrid();
    EditorFollows();
}

void TGridModel::SetOptions(TxGridOptions value)
{
    value &= xgoAllOptions;
    if (value == FOptions)
        return;
    if (value & xgoRowSelect)
        value &= ~static_cast<TxGridOptions>(xgoAlwaysShowEditor);
    FOptions = value;
    if (!(value & xgoEditing) || (value & xgoRowSelect))
        HideEdit();
    if (!FEditorMode) {
        if (value & xgoAlwaysShowEditor)
            ShowEditor();
        else
            HideEditor();
    }
    if (value & xgoRowSelect)
        MoveCurrent(Col(), Row(), true, false);
    InvalidateGrid();
    EditorFollows(); // the line options move the cells
}

void TGridModel::SetScrollBars(TScrollStyle value)
{
    if (value == FScrollBars)
        return;
    FScrollBars = value;
    FHost.ScrollBarsChanged();
    UpdateScrollRange();
}

void TGridModel::SetDefaultDrawing(bool value)
{
    if (value == FDefaultDrawing)
        return;
    FDefaultDrawing = value;
    InvalidateGrid();
}

void TGridModel::SetEditorMode(bool value)
{
    if (!value) {
        HideEditor();
        return;
    }
    ShowEditor();
    if (FInplaceEdit)
        FInplaceEdit->Deselect();
}

void TGridModel::SetColCount(int value)
{
    if (value == FColCount)
        return;
    if (value < 1)
        value = 1;
    if (value >= kMaxGridExtents)
        InvalidOp(SGridTooLarge);
    if (value <= FFixedCols)
        SetFixedCols(value - 1);
    ChangeSize(value, FRowCount);
    if (FOptions & xgoRowSelect) {
        FAnchor.X = FColCount - 1;
        InvalidateGrid();
    }
}

void TGridModel::SetRowCount(int value)
{
    if (value == FRowCount)
        return;
    if (value < 1)
        value = 1;
    if (value >= kMaxGridExtents)
        InvalidOp(SGridTooLarge);
    if (value <= FFixedRows)
        SetFixedRows(value - 1);
    ChangeSize(FColCount, value);
}

void TGridModel::SetFixedCols(int value)
{
    if (value == FFixedCols)
        return;
    if (value < 0)
        InvalidOp(SIndexOutOfRange);
    if (value >= FColCount)
        InvalidOp(SFixedColTooBig);
    // The edit belongs to the cell it was opened on; the editor comes back
    // on the new current cell.
    HideEdit();
    FFixedCols = value;
    Initialize();
    InvalidateGrid();
    UpdateScrollRange();
    UpdateEdit();
}

void TGridModel::SetFixedRows(int value)
{
    if (value == FFixedRows)
        return;
    if (value < 0)
        InvalidOp(SIndexOutOfRange);
    if (value >= FRowCount)
        InvalidOp(SFixedRowTooBig);
    // The edit belongs to the cell it was opened on; the editor comes back
    // on the new current cell.
    HideEdit();
    FFixedRows = value;
    Initialize();
    InvalidateGrid();
    UpdateScrollRange();
    UpdateEdit();
}

void TGridModel::SetCol(int value)
{
    if (value != Col())
        FocusCell(value, Row(), true);
}

void TGridModel::SetRow(int value)
{
    if (value != Row())
        FocusCell(Col(), value, true);
}

void TGridModel::SetLeftCol(int value)
{
    value = std::clamp(value, FFixedCols, FColCount - 1);
    MoveTopLeft(value, TopRow());
}

void TGridModel::SetTopRow(int value)
{
    value = std::clamp(value, FFixedRows, FRowCount - 1);
    MoveTopLeft(LeftCol(), value);
}

int TGridModel::VisibleColCount() const
{
    return CalcDrawInfo().Horz.LastFullVisibleCell - LeftCol() + 1;
}

int TGridModel::VisibleRowCount() const
{
    return CalcDrawInfo().Vert.LastFullVisibleCell - TopRow() + 1;
}

// --- Geometry ---

int TGridModel::EffectiveLineWidth(bool columns) const
{
    const TxGridOptions lines = columns ? (xgoFixedVertLine | xgoVertLine) : (xgoFixedHorzLine | xgoHorzLine);
    return (FOptions & lines) ? std::max(0, FGridLineWidth) : 0;
}

void TGridModel::CalcFixedAxis(TGridAxisDrawInfo& axis, bool columns) const
{
    axis.Grid = this;
    axis.Columns = columns;
    axis.EffectiveLineWidth = EffectiveLineWidth(columns);
    axis.FixedCellCount = columns ? FFixedCols : FFixedRows;
    axis.FirstGridCell = columns ? FTopLeft.X : FTopLeft.Y;
    axis.GridCellCount = columns ? FColCount : FRowCount;
    long long boundary = 0;
    for (int i = 0; i < axis.FixedCellCount && boundary <= kPixelLimit; ++i)
        boundary += axis.Extent(i) + axis.EffectiveLineWidth;
    axis.FixedBoundary = ClampPixel(boundary);
}

void TGridModel::CalcAxis(TGridAxisDrawInfo& axis, int extent) const
{
    axis.GridExtent = extent;
    axis.FullVisBoundary = axis.FixedBoundary;
    axis.LastFullVisibleCell = axis.FirstGridCell;
    const long long limit = static_cast<long long>(extent) + axis.EffectiveLineWidth;
    long long boundary = axis.FixedBoundary;
    for (int i = axis.FirstGridCell; i < axis.GridCellCount; ++i) {
        boundary += axis.Extent(i) + axis.EffectiveLineWidth;
        if (boundary > limit) {
            boundary = extent;
            break;
        }
        axis.LastFullVisibleCell = i;
        axis.FullVisBoundary = ClampPixel(boundary);
    }
    axis.GridBoundary = ClampPixel(boundary);
}

TGridDrawInfo TGridModel::CalcDrawInfo() const
{
    return CalcDrawInfoXY(FHost.ClientWidth(), FHost.ClientHeight());
}

TGridDrawInfo TGridModel::CalcDrawInfoXY(int useWidth, int useHeight) const
{
    TGridDrawInfo info;
    CalcFixedAxis(info.Horz, true);
    CalcFixedAxis(info.Vert, false);
    CalcAxis(info.Horz, useWidth);
    CalcAxis(info.Vert, useHeight);
    return info;
}

namespace {

// Position of the start of a cell; 0 beyond the grid extent.
long long LinePos(const TGridAxisDrawInfo& axis, int line)
{
    long long result = 0;
    int start = 0;
    if (line >= axis.FixedCellCount) {
        if (line >= axis.FirstGridCell)
            result = axis.FixedBoundary;
        start = axis.FirstGridCell;
    }
    for (int i = start; i < line; ++i) {
        result += axis.Extent(i) + axis.EffectiveLineWidth;
        if (result > axis.GridExtent)
            return 0;
    }
    return result;
}

bool ScreenAxis(const TGridAxisDrawInfo& axis, int first, int last, bool includeLine, int& screenMin, int& screenMax)
{
    if (first >= axis.FixedCellCount && first < axis.FirstGridCell) {
        if (last < axis.FirstGridCell)
            return false;
        first = axis.FirstGridCell;
    }
    if (last > axis.LastFullVisibleCell) {
        last = axis.LastFullVisibleCell;
        if (last < axis.GridCellCount - 1)
            ++last;
        if (LinePos(axis, last) == 0)
            --last;
    }
    const long long start = LinePos(axis, first);
    long long end = LinePos(axis, last);
    if (end == 0)
        end = start + axis.Extent(first);
    else
        end += axis.Extent(last);
    if (end > axis.GridExtent)
        end = axis.GridExtent;
    if (includeLine)
        end += axis.EffectiveLineWidth;
    screenMin = ClampPixel(start);
    screenMax = ClampPixel(end);
    return true;
}

int CoordOnAxis(const TGridAxisDrawInfo& axis, int pos)
{
    int start = axis.FirstGridCell;
    int stop = axis.GridCellCount - 1;
    long long line = axis.FixedBoundary;
    if (pos < axis.FixedBoundary) {
        start = 0;
        stop = axis.FixedCellCount - 1;
        line = 0;
    }
    for (int i = start; i <= stop; ++i) {
        line += axis.Extent(i) + axis.EffectiveLineWidth;
        if (pos < line)
            return i;
    }
    return -1;
}

int MaxTopLeftOnAxis(const TGridAxisDrawInfo& axis, int start)
{
    int result = start;
    long long line = static_cast<long long>(axis.GridExtent) + axis.EffectiveLineWidth;
    for (int i = start; i >= axis.FixedCellCount; --i) {
        const int extent = axis.Extent(i);
        if (extent <= 0)
            continue;
        line -= extent + axis.EffectiveLineWidth;
        if (line < axis.FixedBoundary) {
            if (result == start && axis.Extent(start) <= 0)
                result = i;
            break;
        }
        result = i;
    }
    return result;
}

} // namespace

TPixelRect TGridModel::GridRectToScreenRect(const TGridRect& rect, bool includeLine) const
{
    if (rect.Left > rect.Right || rect.Top > rect.Bottom)
        return {};
    const TGridDrawInfo info = CalcDrawInfo();
    if (rect.Left > info.Horz.LastFullVisibleCell + 1 || rect.Top > info.Vert.LastFullVisibleCell + 1)
        return {};
    TPixelRect result;
    if (!ScreenAxis(info.Horz, rect.Left, rect.Right, includeLine, result.Left, result.Right))
        return {};
    if (!ScreenAxis(info.Vert, rect.Top, rect.Bottom, includeLine, result.Top, result.Bottom))
        return {};
    return result;
}

TPixelRect TGridModel::BoxRect(int ALeft, int ATop, int ARight, int ABottom) const
{
    return GridRectToScreenRect({ALeft, ATop, ARight, ABottom}, false);
}

TPixelRect TGridModel::CellRect(int ACol, int ARow) const
{
    return BoxRect(ACol, ARow, ACol, ARow);
}

TGridCoord TGridModel::CalcCoordFromPoint(int X, int Y, const TGridDrawInfo& info) const
{
    return {CoordOnAxis(info.Horz, X), CoordOnAxis(info.Vert, Y)};
}

TGridCoord TGridModel::MouseCoord(int X, int Y) const
{
    TGridCoord c = CalcCoordFromPoint(X, Y, CalcDrawInfo());
    if (c.X < 0 || c.Y < 0)
        c = {-1, -1};
    return c;
}

void TGridModel::MouseToCell(int X, int Y, int& ACol, int& ARow) const
{
    const TGridCoord c = MouseCoord(X, Y);
    ACol = c.X;
    ARow = c.Y;
}

TGridCoord TGridModel::CalcMaxTopLeft(const TGridCoord& coord, const TGridDrawInfo& info) const
{
    return {MaxTopLeftOnAxis(info.Horz, coord.X), MaxTopLeftOnAxis(info.Vert, coord.Y)};
}

void TGridModel::CalcSizingState(int X, int Y, TGridState& state, int& index, int& sizingPos, int& sizingOfs,
                                 const TGridDrawInfo& fixedInfo) const
{
    state = gsNormal;
    index = -1;
    if (!(FOptions & (xgoRowSizing | xgoColSizing)))
        return;
    TGridDrawInfo info = fixedInfo;
    info.Horz.GridExtent = FHost.ClientWidth();
    info.Vert.GridExtent = FHost.ClientHeight();

    auto axisState = [&](const TGridAxisDrawInfo& axis, int pos, TGridState newState) {
        int range = axis.EffectiveLineWidth;
        int back = 0;
        if (range < 7) {
            range = 7;
            back = (range - axis.EffectiveLineWidth) / 2;
        }
        long long line = axis.FixedBoundary;
        for (int i = axis.FirstGridCell; i < axis.GridCellCount; ++i) {
            line += axis.Extent(i);
            if (line > axis.GridBoundary)
                break;
            if (pos >= line - back && pos <= line - back + range) {
                state = newState;
                sizingPos = ClampPixel(line);
                sizingOfs = ClampPixel(line - pos);
                index = i;
                return;
            }
            line += axis.EffectiveLineWidth;
        }
        // The edge of the client area sizes the partly shown cell; there is
        // none when the last cell ends exactly there.
        const int edgeCell = axis.LastFullVisibleCell + 1;
        if (axis.GridBoundary == axis.GridExtent && pos >= axis.GridExtent - back && pos <= axis.GridExtent &&
            edgeCell < axis.GridCellCount) {
            state = newState;
            sizingPos = axis.GridExtent;
            sizingOfs = axis.GridExtent - pos;
            index = edgeCell;
        }
    };

    if (X > info.Horz.FixedBoundary && (FOptions & xgoColSizing)) {
        if (Y >= info.Vert.FixedBoundary)
            return;
        axisState(info.Horz, X, gsColSizing);
    } else if (Y > info.Vert.FixedBoundary && (FOptions & xgoRowSizing)) {
        if (X >= info.Horz.FixedBoundary)
            return;
        axisState(info.Vert, Y, gsRowSizing);
    }
}

TGridState TGridModel::SizingStateAt(int X, int Y) const
{
    if (FGridState != gsNormal)
        return FGridState;
    TGridState state;
    int index = -1, pos = 0, ofs = 0;
    CalcSizingState(X, Y, state, index, pos, ofs, CalcDrawInfo());
    return state;
}

TPixelRect TGridModel::SizingLineRect() const
{
    if (!FSizingLineVisible)
        return {};
    const TGridDrawInfo info = CalcDrawInfo();
    if (FGridState == gsRowSizing)
        return {0, FSizingPos, info.Horz.GridBoundary, FSizingPos + 1};
    return {FSizingPos, 0, FSizingPos + 1, info.Vert.GridBoundary};
}

TPixelRect TGridModel::MoveLineRect() const
{
    if (!FMoveLineVisible)
        return {};
    if (FGridState == gsRowMoving) {
        const TPixelRect r = CellRect(0, FMovePos);
        const int y = FMovePos > FMoveIndex ? r.Bottom : r.Top;
        return {0, y - 2, FHost.ClientWidth(), y + 3};
    }
    const TPixelRect r = CellRect(FMovePos, 0);
    const int x = FMovePos > FMoveIndex ? r.Right : r.Left;
    return {x - 2, 0, x + 3, FHost.ClientHeight()};
}

void TGridModel::DrawSizingLine()
{
    if (FSizingLineVisible)
        FHost.InvalidatePixels(SizingLineRect());
    FSizingLineVisible = !FSizingLineVisible;
    if (FSizingLineVisible)
        FHost.InvalidatePixels(SizingLineRect());
}

void TGridModel::DrawMove()
{
    if (FMoveLineVisible)
        FHost.InvalidatePixels(MoveLineRect());
    FMoveLineVisible = !FMoveLineVisible;
    if (FMoveLineVisible)
        FHost.InvalidatePixels(MoveLineRect());
}

// --- Invalidation ---

void TGridModel::InvalidateGrid()
{
    FHost.InvalidateAll();
}

void TGridModel::InvalidateRect(const TGridRect& rect)
{
    if (!FHost.HandleAllocated())
        return;
    const TPixelRect r = GridRectToScreenRect(rect, true);
    if (!r.IsEmpty())
        FHost.InvalidatePixels(r);
}

void TGridModel::InvalidateCell(int ACol, int ARow)
{
    InvalidateRect({ACol, ARow, ACol, ARow});
}

void TGridModel::InvalidateEditor()
{
    FInplaceCol = -1;
    FInplaceRow = -1;
    UpdateEdit();
}

void TGridModel::SelectionMoved(const TGridRect& oldSel)
{
    if (!FHost.HandleAllocated())
        return;
    const TPixelRect a = GridRectToScreenRect(oldSel, true);
    const TPixelRect b = GridRectToScreenRect(Selection(), true);
    if (a == b)
        return;
    if (!a.Intersects(b)) {
        if (!a.IsEmpty())
            FHost.InvalidatePixels(a);
        if (!b.IsEmpty())
            FHost.InvalidatePixels(b);
        return;
    }
    const TPixelRect u{std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
                       std::max(a.Bottom, b.Bottom)};
    const TPixelRect i{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
                       std::min(a.Bottom, b.Bottom)};
    const TPixelRect bands[] = {
        {u.Left, u.Top, i.Left, u.Bottom},
        {i.Left, u.Top, i.Right, i.Top},
        {i.Right, u.Top, u.Right, u.Bottom},
        {i.Left, i.Bottom, i.Right, u.Bottom},
    };
    for (const TPixelRect& band : bands)
        if (!band.IsEmpty())
            FHost.InvalidatePixels(band);
}

// --- Current cell, anchor and top-left ---

void TGridModel::MoveCurrent(int ACol, int ARow, bool moveAnchor, bool show)
{
    if (ACol < 0 || ARow < 0 || ACol >= FColCount || ARow >= FRowCount)
        InvalidOp(SIndexOutOfRange);
    if (!SelectCell(ACol, ARow))
        return;
    const TGridRect oldSel = Selection();
    const TGridCoord oldCurrent = FCurrent;
    FCurrent = {ACol, ARow};
    if (!(FOptions & xgoAlwaysShowEditor))
        HideEditor();
    if (moveAnchor || !(FOptions & xgoRangeSelect)) {
        FAnchor = FCurrent;
        if (FOptions & xgoRowSelect)
            FAnchor.X = FColCount - 1;
    }
    if (FOptions & xgoRowSelect)
        FCurrent.X = FFixedCols;
    if (show)
        ClampInView(FCurrent);
    SelectionMoved(oldSel);
    InvalidateCell(oldCurrent.X, oldCurrent.Y);
    InvalidateCell(ACol, ARow);
    EditorFollows();
}

void TGridModel::MoveAnchor(const TGridCoord& newAnchor)
{
    if ((FOptions & xgoRangeSelect) && !(FOptions & xgoEditing)) {
        if (newAnchor.X < 0 || newAnchor.Y < 0 || newAnchor.X >= FColCount || newAnchor.Y >= FRowCount)
            InvalidOp(SIndexOutOfRange);
        const TGridRect oldSel = Selection();
        FAnchor = newAnchor;
        if (FOptions & xgoRowSelect)
            FAnchor.X = FColCount - 1;
        ClampInView(newAnchor);
        SelectionMoved(oldSel);
    } else {
        MoveCurrent(newAnchor.X, newAnchor.Y, true, true);
    }
}

void TGridModel::FocusCell(int ACol, int ARow, bool moveAnchor)
{
    MoveCurrent(ACol, ARow, moveAnchor, true);
    UpdateEdit();
    Click();
}

void TGridModel::ClampInView(const TGridCoord& coord)
{
    if (!FHost.HandleAllocated())
        return;
    const TGridDrawInfo info = CalcDrawInfo();
    if (coord.X > info.Horz.LastFullVisibleCell || coord.Y > info.Vert.LastFullVisibleCell || coord.X < LeftCol() ||
        coord.Y < TopRow()) {
        const TGridCoord oldTopLeft = FTopLeft;
        const TGridCoord maxTopLeft = CalcMaxTopLeft(coord, info);
        FHost.UpdatePending();
        // A fixed cell never becomes the first scrolling one.
        if (coord.X < LeftCol())
            FTopLeft.X = std::max(coord.X, FFixedCols);
        else if (coord.X > info.Horz.LastFullVisibleCell)
            FTopLeft.X = maxTopLeft.X;
        if (coord.Y < TopRow())
            FTopLeft.Y = std::max(coord.Y, FFixedRows);
        else if (coord.Y > info.Vert.LastFullVisibleCell)
            FTopLeft.Y = maxTopLeft.Y;
        TopLeftMoved(oldTopLeft);
    }
}

void TGridModel::MoveTopLeft(int ALeft, int ATop)
{
    if (ALeft == FTopLeft.X && ATop == FTopLeft.Y)
        return;
    FHost.UpdatePending();
    const TGridCoord oldTopLeft = FTopLeft;
    FTopLeft = {ALeft, ATop};
    TopLeftMoved(oldTopLeft);
}

void TGridModel::TopLeftMoved(const TGridCoord& oldTopLeft)
{
    UpdateScrollPos();
    const TGridDrawInfo info = CalcDrawInfo();
    // Sum of the extents scrolled over; false when more than a screenful.
    auto scrollAmount = [](const TGridAxisDrawInfo& axis, int oldPos, int newPos, int& amount) {
        const int start = std::min(oldPos, newPos);
        const int stop = std::max(oldPos, newPos);
        const long long room = static_cast<long long>(axis.GridBoundary) - axis.FixedBoundary;
        long long sum = 0;
        for (int i = start; i < stop; ++i) {
            sum += axis.Extent(i) + axis.EffectiveLineWidth;
            if (sum > room)
                return false;
        }
        amount = static_cast<int>(oldPos < newPos ? -sum : sum);
        return true;
    };
    int dx = 0, dy = 0;
    if (scrollAmount(info.Horz, oldTopLeft.X, FTopLeft.X, dx) && scrollAmount(info.Vert, oldTopLeft.Y, FTopLeft.Y, dy))
        ScrollData(dx, dy);
    else
        InvalidateGrid();
    TopLeftChanged();
}

void TGridModel::ScrollData(int dx, int dy)
{
    if (dx == 0 && dy == 0)
        return;
    const TGridDrawInfo info = CalcDrawInfo();
    const int fx = info.Horz.FixedBoundary;
    const int fy = info.Vert.FixedBoundary;
    const int w = info.Horz.GridExtent;
    const int h = info.Vert.GridExtent;
    if (dy == 0) {
        FHost.ScrollPixels(dx, 0, {fx, 0, w, h});
    } else if (dx == 0) {
        FHost.ScrollPixels(0, dy, {0, fy, w, h});
    } else {
        FHost.ScrollPixels(dx, 0, {fx, 0, w, fy});
        FHost.ScrollPixels(0, dy, {0, fy, fx, h});
        FHost.ScrollPixels(dx, dy, {fx, fy, w, h});
    }
    if (FOptions & xgoRowSelect)
        InvalidateRect(Selection());
}

void TGridModel::TopLeftChanged()
{
    if (FEditorMode)
        EditorFollows();
}

// --- Scroll bars ---

int TGridModel::ScrollBarPosition(TScrollBarKind bar) const
{
    const TGridDrawInfo info = CalcDrawInfo();
    const TGridCoord maxTopLeft = CalcMaxTopLeft({FColCount - 1, FRowCount - 1}, info);
    if (bar == sbHorizontal) {
        if (FColCount == 1)
            return FColOffset;
        return BarPosition(LeftCol(), FFixedCols, maxTopLeft.X);
    }
    return BarPosition(TopRow(), FFixedRows, maxTopLeft.Y);
}

void TGridModel::UpdateScrollPos()
{
    if (!FHost.HandleAllocated() || FScrollBars == ssNone)
        return;
    auto setPos = [this](TScrollBarKind bar, int pos) {
        if (FHost.ScrollPos(bar) != pos)
            FHost.SetScrollPos(bar, pos);
    };
    if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) {
        if (FColCount == 1) {
            const TGridDrawInfo info = CalcDrawInfo();
            const int space = FHost.ClientWidth() - info.Horz.FixedBoundary;
            const int width = ColWidths(0);
            if (FColOffset > 0 && space > width - FColOffset)
                ModifyPixelScrollBar(scPosition, width - space);
            else
                setPos(sbHorizontal, FColOffset);
        } else {
            setPos(sbHorizontal, ScrollBarPosition(sbHorizontal));
        }
    }
    if (FScrollBars == ssVertical || FScrollBars == ssBoth)
        setPos(sbVertical, ScrollBarPosition(sbVertical));
}

void TGridModel::UpdateScrollRange()
{
    if (FScrollBars == ssNone || FUpdatingScrollRange || !FHost.HandleAllocated() || !FHost.Showing())
        return;
    const TScrollStyle setting = FScrollBars;
    const bool horzAllowed = setting == ssHorizontal || setting == ssBoth;
    const bool vertAllowed = setting == ssVertical || setting == ssBoth;
    auto showing = [this](TScrollBarKind bar, bool allowed) { return allowed && FHost.ScrollRangeMax(bar) != 0; };

    // Work out the ranges as if no bar were shown.
    int horzExtent = FHost.ClientWidth();
    int vertExtent = FHost.ClientHeight();
    if (showing(sbHorizontal, horzAllowed))
        vertExtent += FHost.ScrollBarThickness(sbHorizontal);
    if (showing(sbVertical, vertAllowed))
        horzExtent += FHost.ScrollBarThickness(sbVertical);
    const TGridCoord oldTopLeft = FTopLeft;
    bool updated = false;
    auto flush = [&] {
        if (!updated) {
            FHost.UpdatePending();
            updated = true;
        }
    };
    auto maxTopLeft = [&] {
        return CalcMaxTopLeft({FColCount - 1, FRowCount - 1}, CalcDrawInfoXY(horzExtent, vertExtent));
    };
    auto setHorz = [&] {
        if (!horzAllowed)
            return;
        if (FColCount == 1) {
            FHost.SetScrollRange(sbHorizontal, std::max(0, ColWidths(0) - FHost.ClientWidth()));
            return;
        }
        const int max = maxTopLeft().X;
        FHost.SetScrollRange(sbHorizontal, FFixedCols < max ? 127 : 0);
        if (oldTopLeft.X > max) {
            flush();
            FTopLeft.X = max;
        }
    };
    auto setVert = [&] {
        if (!vertAllowed)
            return;
        const int max = maxTopLeft().Y;
        FHost.SetScrollRange(sbVertical, FFixedRows < max ? 127 : 0);
        if (oldTopLeft.Y > max) {
            flush();
            FTopLeft.Y = max;
        }
    };

    // Showing or hiding a bar resizes the client area; that must not come
    // back here while the ranges are being set.
    FUpdatingScrollRange = true;
    try {
        setHorz();
        vertExtent = FHost.ClientHeight();
        setVert();
        if (horzExtent != FHost.ClientWidth()) {
            horzExtent = FHost.ClientWidth();
            setHorz();
        }
    } catch (...) {
        FUpdatingScrollRange = false;
        throw;
    }
    FUpdatingScrollRange = false;
    UpdateScrollPos();
    if (FTopLeft != oldTopLeft)
        TopLeftMoved(oldTopLeft);
}

void TGridModel::ModifyScrollBar(TScrollBarKind bar, TScrollCode code, int pos)
{
    if (FHost.Showing() && FHost.CanFocus() && !FHost.Focused())
        FHost.SetFocus();
    if (bar == sbHorizontal && FColCount == 1) {
        ModifyPixelScrollBar(code, pos);
        return;
    }
    const TGridDrawInfo info = CalcDrawInfo();
    const TGridCoord maxTopLeft = CalcMaxTopLeft({FColCount - 1, FRowCount - 1}, info);
    const bool horz = bar == sbHorizontal;
    const TGridAxisDrawInfo& axis = horz ? info.Horz : info.Vert;
    const int current = horz ? FTopLeft.X : FTopLeft.Y;
    const int fixed = horz ? FFixedCols : FFixedRows;
    const int max = horz ? maxTopLeft.X : maxTopLeft.Y;

    int result = current;
    int previous;
    do {
        previous = result;
        switch (code) {
        case scLineUp:
            --result;
            break;
        case scLineDown:
            ++result;
            break;
        case scPageUp: {
            const TGridCoord back = CalcMaxTopLeft(FTopLeft, info);
            result -= std::max(1, current - (horz ? back.X : back.Y));
            break;
        }
        case scPageDown:
            result += std::max(1, axis.LastFullVisibleCell - current);
            break;
        case scTrack:
            if (!(FOptions & xgoThumbTracking))
                break;
            [[fallthrough]];
        case scPosition:
            result = fixed + MulDiv(std::clamp(pos, 0, 127), max - fixed, 127);
            break;
        case scTop:
            result = fixed;
            break;
        case scBottom:
            result = max;
            break;
        case scEndScroll:
            break;
        }
    } while (!(result <= fixed || result >= max || axis.Extent(result) > 0 || result == previous));
    result = std::clamp(result, fixed, std::max(fixed, max));
    if (result != current) {
        if (horz)
            MoveTopLeft(result, TopRow());
        else
            MoveTopLeft(LeftCol(), result);
    }
}

void TGridModel::ModifyPixelScrollBar(TScrollCode code, int pos)
{
    const TGridDrawInfo info = CalcDrawInfo();
    const int width = ColWidths(0);
    const int space = FHost.ClientWidth() - info.Horz.FixedBoundary;
    const int maxShift = width - space;
    int offset = FColOffset;
    switch (code) {
    case scLineUp:
        offset -= FHost.TextWidthOfZero();
        break;
    case scLineDown:
        offset += FHost.TextWidthOfZero();
        break;
    case scPageUp:
        offset -= space;
        break;
    case scPageDown:
        offset += space;
        break;
    case scTrack:
        if (!(FOptions & xgoThumbTracking))
            break;
        [[fallthrough]];
    case scPosition:
        offset = pos;
        break;
    case scTop:
        offset = 0;
        break;
    case scBottom:
        offset = maxShift;
        break;
    case scEndScroll:
        break;
    }
    if (offset > maxShift)
        offset = maxShift;
    if (offset < 0)
        offset = 0;
    if (offset == FColOffset)
        return;
    const int old = FColOffset;
    FColOffset = offset;
    ScrollData(old - offset, 0);
    InvalidateRect({0, 0, 0, FFixedRows});
    FHost.UpdatePending();
    UpdateScrollPos();
}

// --- Size changes and moves ---

void TGridModel::ChangeSize(int newColCount, int newRowCount)
{
    if (newColCount >= kMaxGridExtents || newRowCount >= kMaxGridExtents)
        InvalidOp(SGridTooLarge);
    const bool window = FHost.HandleAllocated();
    TGridDrawInfo oldInfo;
    if (window)
        oldInfo = CalcDrawInfo();
    const int oldColCount = FColCount;
    const int oldRowCount = FRowCount;
    FColCount = newColCount;
    FRowCount = newRowCount;
    if (FFixedCols >= FColCount)
        FFixedCols = FColCount - 1;
    if (FFixedRows >= FRowCount)
        FFixedRows = FRowCount - 1;
    try {
        ApplySize(window ? &oldInfo : nullptr, oldColCount, oldRowCount);
    } catch (...) {
        FColCount = oldColCount;
        FRowCount = oldRowCount;
        try {
            ApplySize(window ? &oldInfo : nullptr, oldColCount, oldRowCount);
        } catch (...) {
            ClampIntoGrid();
        }
        InvalidateGrid();
        throw;
    }
}

void TGridModel::ApplySize(const TGridDrawInfo* oldInfo, int oldColCount, int oldRowCount)
{
    if (FColWidths.Exists())
        FColWidths.Resize(FColCount, FDefaultColWidth);
    if (FTabStops.Exists())
        FTabStops.Resize(FColCount, 1);
    if (FFormatsExist)
        FColFormats.resize(static_cast<size_t>(FColCount), FDefaultColFormatStr);
    if (FRowHeights.Exists())
        FRowHeights.Resize(FRowCount, FDefaultRowHeight);

    const TGridCoord oldTopLeft = FTopLeft;
    if (FCurrent.X >= FColCount || FCurrent.Y >= FRowCount)
        MoveCurrent(std::min(FCurrent.X, FColCount - 1), std::min(FCurrent.Y, FRowCount - 1), true, true);
    const TGridCoord anchor{std::min(FAnchor.X, FColCount - 1), std::min(FAnchor.Y, FRowCount - 1)};
    if (anchor != FAnchor)
        MoveAnchor(anchor);
    // SelectCell may have refused the move; the cells must stay in the grid.
    ClampIntoGrid();

    if (FTopLeft != oldTopLeft) {
        InvalidateGrid();
    } else if (oldInfo) {
        const TGridDrawInfo info = CalcDrawInfo();
        const int w = FHost.ClientWidth();
        const int h = FHost.ClientHeight();
        const TPixelRect col = CellRect(std::min(oldInfo->Horz.LastFullVisibleCell, info.Horz.LastFullVisibleCell), 0);
        const TPixelRect row = CellRect(0, std::min(oldInfo->Vert.LastFullVisibleCell, info.Vert.LastFullVisibleCell));
        FHost.InvalidatePixels({col.IsEmpty() ? 0 : col.Left, 0, w, h});
        FHost.InvalidatePixels({0, row.IsEmpty() ? 0 : row.Top, w, h});
    }
    UpdateScrollRange();
    EditorFollows();
    SizeChanged(oldColCount, oldRowCount);
}

void TGridModel::ClampIntoGrid()
{
    FCurrent.X = std::clamp(FCurrent.X, 0, FColCount - 1);
    FCurrent.Y = std::clamp(FCurrent.Y, 0, FRowCount - 1);
    FAnchor.X = std::clamp(FAnchor.X, 0, FColCount - 1);
    FAnchor.Y = std::clamp(FAnchor.Y, 0, FRowCount - 1);
    if (FTopLeft.X >= FColCount || FTopLeft.Y >= FRowCount || FTopLeft.X < FFixedCols || FTopLeft.Y < FFixedRows) {
        const TGridCoord max = CalcMaxTopLeft({FColCount - 1, FRowCount - 1}, CalcDrawInfoXY(0, 0));
        if (FTopLeft.X >= FColCount)
            FTopLeft.X = max.X;
        if (FTopLeft.Y >= FRowCount)
            FTopLeft.Y = max.Y;
        FTopLeft.X = std::clamp(FTopLeft.X, FFixedCols, FColCount - 1);
        FTopLeft.Y = std::clamp(FTopLeft.Y, FFixedRows, FRowCount - 1);
    }
}

void TGridModel::MoveColumn(int fromIndex, int toIndex)
{
    if (fromIndex < 0 || toIndex < 0 || fromIndex >= FColCount || toIndex >= FColCount)
        InvalidOp(SIndexOutOfRange);
    if (fromIndex == toIndex)
        return;
    FColWidths.Move(fromIndex, toIndex);
    FTabStops.Move(fromIndex, toIndex);
    if (FFormatsExist) {
        const auto first = FColFormats.begin();
        if (fromIndex < toIndex)
            std::rotate(first + fromIndex, first + fromIndex + 1, first + toIndex + 1);
        else
            std::rotate(first + toIndex, first + fromIndex, first + fromIndex + 1);
    }
    MoveAdjust(FCurrent.X, fromIndex, toIndex);
    MoveAdjust(FAnchor.X, fromIndex, toIndex);
    MoveAdjust(FInplaceCol, fromIndex, toIndex);
    InvalidateGrid();
    ColumnMoved(fromIndex, toIndex);
    if (FColWidths.Exists())
        ColWidthsChanged();
    UpdateEdit();
}

void TGridModel::MoveRow(int fromIndex, int toIndex)
{
    if (fromIndex < 0 || toIndex < 0 || fromIndex >= FRowCount || toIndex >= FRowCount)
        InvalidOp(SIndexOutOfRange);
    FRowHeights.Move(fromIndex, toIndex);
    MoveAdjust(FCurrent.Y, fromIndex, toIndex);
    MoveAdjust(FAnchor.Y, fromIndex, toIndex);
    MoveAdjust(FInplaceRow, fromIndex, toIndex);
    InvalidateGrid();
    RowMoved(fromIndex, toIndex);
    if (FRowHeights.Exists())
        RowHeightsChanged();
    UpdateEdit();
}

void TGridModel::DeleteColumn(int ACol)
{
    if (ACol < 0 || ACol >= FColCount)
        InvalidOp(SIndexOutOfRange);
    MoveColumn(ACol, FColCount - 1);
    SetColCount(FColCount - 1);
}

void TGridModel::DeleteRow(int ARow)
{
    if (ARow < 0 || ARow >= FRowCount)
        InvalidOp(SIndexOutOfRange);
    MoveRow(ARow, FRowCount - 1);
    SetRowCount(FRowCount - 1);
}

void TGridModel::ColWidthsChanged()
{
    UpdateScrollRange();
    UpdateEdit();
}

void TGridModel::RowHeightsChanged()
{
    UpdateScrollRange();
    UpdateEdit();
}

void TGridModel::Resized()
{
    UpdateScrollRange();
    EditorFollows();
}

// --- Editor ---

bool TGridModel::CanEditShow()
{
    return (FOptions & xgoEditing) && !(FOptions & xgoRowSelect) && FEditorMode && FHost.HandleAllocated() &&
           ((FOptions & xgoAlwaysShowEditor) || FHost.IsActiveControl());
}

void TGridModel::ShowEditor()
{
    FEditorMode = true;
    UpdateEdit();
}

void TGridModel::HideEditor()
{
    FEditorMode = false;
    HideEdit();
}

void TGridModel::ShowEditorChar(QChar ch)
{
    ShowEditor();
    // With no editor up the character has nowhere to go: typing it into a
    // hidden editor would change a cell nobody sees.
    if (FInplaceEdit && FInplaceEdit->Visible())
        FInplaceEdit->TypeChar(ch);
}

void TGridModel::UpdateEditor()
{
    FInplaceCol = Col();
    FInplaceRow = Row();
    FInplaceEdit->SetFormatStr(ColFormatStr(Col()));
    FInplaceEdit->SetText(QString());
    FInplaceEdit->SetText(GetEditText(Col(), Row()));
    FInplaceEdit->SetMaxLength(GetEditLimit());
    FCanEditModify = FInplaceEdit->MaxLength() != -1;
    FInplaceEdit->DoEnter();
    FInplaceEdit->SelectAll();
}

void TGridModel::UpdateEdit()
{
    if (!CanEditShow())
        return;
    if (!FInplaceEdit) {
        FInplaceEdit = CreateEditor();
        if (!FInplaceEdit)
            return;
        UpdateEditor();
    } else if (FInplaceCol != Col() || FInplaceRow != Row()) {
        HideEdit();
        UpdateEditor();
    }
    if (CanEditShow())
        FInplaceEdit->Move(CellRect(Col(), Row()));
}

void TGridModel::EditorFollows()
{
    if (!FInplaceEdit || FInplaceCol < 0 || FInplaceRow < 0)
        return;
    if (FInplaceCol != Col() || FInplaceRow != Row()) {
        HideEdit();
        UpdateEdit();
        return;
    }
    FInplaceEdit->UpdateLoc(CellRect(FInplaceCol, FInplaceRow));
}

void TGridModel::StoreEdit()
{
    FInplaceEdit->SetFormatStr(ColFormatStr(FInplaceCol));
    FInplaceEdit->ValidateEdit();
    UpdateText();
}

void TGridModel::EditorRefused(TEntryCheck why)
{
    if (FInplaceCol >= 0 && FInplaceRow >= 0)
        EditRefused(FInplaceCol, FInplaceRow, why);
}

void TGridModel::UpdateText()
{
    if (FInplaceEdit && FInplaceCol != -1 && FInplaceRow != -1)
        SetEditText(FInplaceCol, FInplaceRow, FInplaceEdit->Text());
}

void TGridModel::HideEdit()
{
    if (FInplaceCol < 0 || FInplaceRow < 0 || !FInplaceEdit)
        return;
    const int col = FInplaceCol;
    const int row = FInplaceRow;
    try {
        // A cell the grid no longer has takes nothing.
        if (col < FColCount && row < FRowCount) {
            StoreEdit();
            DoSetData(col, row);
        }
    } catch (...) {
        FInplaceCol = -1;
        FInplaceRow = -1;
        if (FInplaceEdit)
            FInplaceEdit->Hide();
        throw;
    }
    FInplaceCol = -1;
    FInplaceRow = -1;
    if (FInplaceEdit)
        FInplaceEdit->Hide();
}

// --- Keys ---

void TGridModel::KeyDown(int& key, TShiftState shift)
{
    DoKeyDownEvent(key, shift);
    if (!CanGridAcceptKey(key, shift))
        key = 0;
    if (key == 0)
        return;
    const bool rowSelect = FOptions & xgoRowSelect;
    const TGridDrawInfo info = CalcDrawInfo();
    const int pageWidth = std::max(1, info.Horz.LastFullVisibleCell - LeftCol());
    const int pageHeight = std::max(1, info.Vert.LastFullVisibleCell - TopRow());
    TGridCoord current = FCurrent;
    TGridCoord topLeft = FTopLeft;
    bool moveAnchor = !(shift & ssShift);

    if (shift & ssCtrl) {
        switch (key) {
        case VK_UP:
            --topLeft.Y;
            break;
        case VK_DOWN:
            ++topLeft.Y;
            break;
        case VK_LEFT:
            if (!rowSelect) {
                current.X -= pageWidth;
                topLeft.X -= pageWidth;
            }
            break;
        case VK_RIGHT:
            if (!rowSelect) {
                current.X += pageWidth;
                topLeft.X += pageWidth;
            }
            break;
        case VK_PRIOR:
            current.Y = TopRow();
            break;
        case VK_NEXT:
            current.Y = info.Vert.LastFullVisibleCell;
            break;
        case VK_HOME:
            current = {FFixedCols, FFixedRows};
            break;
        case VK_END:
            current = {FColCount - 1, FRowCount - 1};
            break;
        default:
            break;
        }
    } else {
        switch (key) {
        case VK_UP:
            --current.Y;
            break;
        case VK_DOWN:
            ++current.Y;
            break;
        case VK_LEFT:
            if (rowSelect)
                --topLeft.X;
            else
                --current.X;
            break;
        case VK_RIGHT:
            if (rowSelect)
                ++topLeft.X;
            else
                ++current.X;
            break;
        case VK_NEXT:
            current.Y += pageHeight;
            topLeft.Y += pageHeight;
            break;
        case VK_PRIOR:
            current.Y -= pageHeight;
            topLeft.Y -= pageHeight;
            break;
        case VK_HOME:
            if (rowSelect)
                topLeft.X = FFixedCols;
            else
                current.X = FFixedCols;
            break;
        case VK_END:
            if (rowSelect)
                topLeft.X = FColCount - 1;
            else
                current.X = FColCount - 1;
            break;
        case VK_TAB:
            if (!(shift & ssAlt)) {
                // Step to the next (or, with Shift, the previous) tab stop,
                // wrapping over rows; Shift+Tab moves the anchor too.
                const bool backward = shift & ssShift;
                for (int steps = 0; steps <= FColCount; ++steps) {
                    if (backward) {
                        if (--current.X < FFixedCols) {
                            current.X = FColCount - 1;
                            if (--current.Y < FFixedRows)
                                current.Y = FRowCount - 1;
                        }
                    } else {
                        if (++current.X >= FColCount) {
                            current.X = FFixedCols;
                            if (++current.Y >= FRowCount)
                                current.Y = FFixedRows;
                        }
                    }
                    if (TabStops(current.X) || current.X == FCurrent.X)
                        break;
                }
                moveAnchor = true;
            }
            break;
        case VK_F2:
            SetEditorMode(true);
            break;
        default:
            break;
        }
    }

    const TGridCoord maxTopLeft = CalcMaxTopLeft({FColCount - 1, FRowCount - 1}, info);
    auto clamp = [](int v, int lo, int hi) { return v > hi ? hi : (v < lo ? lo : v); };
    topLeft.X = clamp(topLeft.X, FFixedCols, maxTopLeft.X);
    topLeft.Y = clamp(topLeft.Y, FFixedRows, maxTopLeft.Y);
    if (topLeft != FTopLeft)
        MoveTopLeft(topLeft.X, topLeft.Y);
    current.X = clamp(current.X, FFixedCols, FColCount - 1);
    current.Y = clamp(current.Y, FFixedRows, FRowCount - 1);
    if (current != FCurrent)
        FocusCell(current.X, current.Y, moveAnchor);
}

void TGridModel::KeyPress(QChar& key)
{
    DoKeyPressEvent(key);
    if (!(FOptions & xgoAlwaysShowEditor) && key.unicode() == 13) {
        if (FEditorMode) {
            HideEditor();
            // So the cell just edited is selected again (its OnSelectCell fires).
            SelectCell(Col(), Row());
        } else {
            ShowEditor();
        }
        key = QChar();
    }
}

void TGridModel::KeyUp(int& key, TShiftState shift)
{
    DoKeyUpEvent(key, shift);
}

void TGridModel::CharTyped(QChar& ch)
{
    if ((FOptions & xgoEditing) && (ch.unicode() == 8 || ch.unicode() >= 32)) {
        ShowEditorChar(ch);
        ch = QChar();
    } else {
        KeyPress(ch);
    }
}

void TGridModel::EditorKeyDown(int& key, TShiftState shift, int selStart, int selEnd, int textLength)
{
    const bool forward = FOptions & xgoAlwaysShowEditor;
    const bool ctrl = shift & ssCtrl;
    const bool leftSide = selStart == 0 && (selEnd == 0 || selEnd == textLength);
    const bool rightSide = (selStart == 0 || selEnd == selStart) && selEnd == textLength;
    auto toGrid = [&] {
        KeyDown(key, shift);
        key = 0;
    };
    switch (key) {
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_ESCAPE:
        toGrid();
        break;
    case VK_INSERT:
        if (!(shift & (ssShift | ssAlt | ssCtrl)))
            toGrid();
        else if ((shift & (ssShift | ssAlt | ssCtrl)) == ssShift && !CanEditModify())
            key = 0;
        break;
    case VK_LEFT:
    case VK_HOME:
        if (forward && (ctrl || leftSide))
            toGrid();
        break;
    case VK_RIGHT:
    case VK_END:
        if (forward && (ctrl || rightSide))
            toGrid();
        break;
    case VK_F2:
        DoKeyDownEvent(key, shift);
        if (key == VK_F2) {
            if (FInplaceEdit)
                FInplaceEdit->Deselect();
            key = 0;
            return;
        }
        break;
    case VK_TAB:
        if (!(shift & ssAlt))
            toGrid();
        break;
    case VK_DELETE:
        if (!CanEditModify())
            key = 0;
        break;
    default:
        break;
    }
    if (key != 0)
        DoKeyDownEvent(key, shift);
}

void TGridModel::EditorKeyPress(QChar& key, int selStart, int selEnd, int textLength)
{
    KeyPress(key);
    const char16_t c = key.unicode();
    if (c >= 32 && !CanEditAcceptKey(key)) {
        key = QChar();
        Messages().Beep();
        return;
    }
    switch (c) {
    case 0:
        return;
    case 9:
    case 27:
        key = QChar();
        return;
    case 13:
        if (FInplaceEdit) {
            if (selStart == 0 && selEnd == textLength)
                FInplaceEdit->Deselect();
            else
                FInplaceEdit->SelectAll();
        }
        key = QChar();
        return;
    default:
        break;
    }
    if ((c == 8 || c == 22 || c == 24 || c >= 32) && !CanEditModify())
        key = QChar();
}

// --- Mouse ---

void TGridModel::MouseDown(TMouseButton button, TShiftState shift, int X, int Y)
{
    HideEdit();
    if (FHost.CanFocus()) {
        FHost.SetFocus();
        if (!FHost.IsActiveControl()) {
            FHost.ReleaseCapture();
            return;
        }
    }
    if (button == mbLeft && (shift & ssDouble)) {
        DblClick();
    } else if (button == mbLeft) {
        const TGridDrawInfo info = CalcDrawInfo();
        TGridState state;
        int index = -1, pos = 0, ofs = 0;
        CalcSizingState(X, Y, state, index, pos, ofs, info);
        if (state != gsNormal) {
            FGridState = state;
            FSizingIndex = index;
            FSizingPos = pos;
            FSizingOfs = ofs;
            DrawSizingLine();
            return;
        }
        const TGridCoord cell = CalcCoordFromPoint(X, Y, info);
        if (cell.X >= FFixedCols && cell.Y >= FFixedRows) {
            if (FOptions & xgoEditing) {
                if (cell == FCurrent && FocusClickFlag() == 0) {
                    ShowEditor();
                } else {
                    MoveCurrent(cell.X, cell.Y, true, true);
                    UpdateEdit();
                }
                Click();
            } else {
                FGridState = gsSelecting;
                FHost.StartTimer();
                if (shift & ssShift)
                    MoveAnchor(cell);
                else
                    MoveCurrent(cell.X, cell.Y, true, true);
            }
        } else if ((FOptions & xgoRowMoving) && cell.X >= 0 && cell.X < FFixedCols && cell.Y >= FFixedRows) {
            FMoveIndex = FMovePos = cell.Y;
            if (BeginRowDrag(FMoveIndex, FMovePos, X, Y)) {
                FGridState = gsRowMoving;
                FHost.UpdatePending();
                DrawMove();
                FHost.StartTimer();
            }
        } else if ((FOptions & xgoColMoving) && cell.Y >= 0 && cell.Y < FFixedRows && cell.X >= FFixedCols) {
            FMoveIndex = FMovePos = cell.X;
            if (BeginColumnDrag(FMoveIndex, FMovePos, X, Y)) {
                FGridState = gsColMoving;
                FHost.UpdatePending();
                DrawMove();
                FHost.StartTimer();
            }
        }
    }
    try {
        DoMouseDownEvent(button, shift, X, Y);
    } catch (...) {
        if (FMoveLineVisible)
            DrawMove();
        throw;
    }
    SetFocusClickFlag(0);
}

void TGridModel::MoveAndScroll(int mouse, int cellHit, TGridDrawInfo& info, bool columns, int X, int Y)
{
    const TGridAxisDrawInfo* axis = columns ? &info.Horz : &info.Vert;
    if (cellHit == FMovePos)
        return;
    if (FMovePos == axis->FixedCellCount && mouse < axis->FixedBoundary)
        return;
    if (FMovePos == axis->GridCellCount - 1 && mouse > axis->GridBoundary)
        return;
    DrawMove();
    const TScrollBarKind bar = columns ? sbHorizontal : sbVertical;
    if (mouse < axis->FixedBoundary) {
        if (FMovePos > axis->FixedCellCount) {
            ModifyScrollBar(bar, scLineUp, 0);
            FHost.UpdatePending();
            info = CalcDrawInfo();
            axis = columns ? &info.Horz : &info.Vert;
        }
        cellHit = axis->FirstGridCell;
    } else if (mouse >= axis->FullVisBoundary) {
        if (FMovePos == axis->LastFullVisibleCell && FMovePos < axis->GridCellCount - 1) {
            ModifyScrollBar(bar, scLineDown, 0);
            FHost.UpdatePending();
            info = CalcDrawInfo();
            axis = columns ? &info.Horz : &info.Vert;
        }
        cellHit = axis->LastFullVisibleCell;
    } else if (cellHit < 0) {
        cellHit = FMovePos;
    }
    int index = FMoveIndex;
    int pos = cellHit;
    const bool accept = columns ? CheckColumnDrag(index, pos, X, Y) : CheckRowDrag(index, pos, X, Y);
    if (accept && pos >= 0 && pos < axis->GridCellCount)
        FMovePos = pos;
    DrawMove();
}

void TGridModel::MouseMove(TShiftState shift, int X, int Y)
{
    switch (FGridState) {
    case gsSelecting:
    case gsRowMoving:
    case gsColMoving: {
        TGridDrawInfo info = CalcDrawInfo();
        const TGridCoord cell = CalcCoordFromPoint(X, Y, info);
        if (cell.X >= FFixedCols && cell.Y >= FFixedRows && cell.X <= info.Horz.LastFullVisibleCell + 1 &&
            cell.Y <= info.Vert.LastFullVisibleCell + 1) {
            if (FGridState == gsSelecting) {
                if (cell != FAnchor)
                    MoveAnchor(cell);
            } else if (FGridState == gsColMoving) {
                MoveAndScroll(X, cell.X, info, true, X, Y);
            } else {
                MoveAndScroll(Y, cell.Y, info, false, X, Y);
            }
        }
        break;
    }
    case gsRowSizing:
    case gsColSizing:
        DrawSizingLine();
        FSizingPos = (FGridState == gsRowSizing ? Y : X) + FSizingOfs;
        DrawSizingLine();
        break;
    default:
        break;
    }
    DoMouseMoveEvent(shift, X, Y);
}

int TGridModel::ResizeLine(const TGridAxisDrawInfo& axis) const
{
    // The lines between the cells count only as wide as they are drawn.
    long long start = axis.FixedBoundary;
    for (int i = axis.FirstGridCell; i < FSizingIndex; ++i)
        start += axis.Extent(i) + axis.EffectiveLineWidth;
    return ClampPixel(FSizingPos - start);
}

void TGridModel::MouseUp(TMouseButton button, TShiftState shift, int X, int Y)
{
    struct TBackToNormal {
        TGridState& State;
        ~TBackToNormal() { State = gsNormal; }
    } backToNormal{FGridState};

    switch (FGridState) {
    case gsSelecting:
        MouseMove(shift, X, Y);
        FHost.StopTimer();
        UpdateEdit();
        Click();
        break;
    case gsRowSizing:
    case gsColSizing: {
        const TGridDrawInfo info = CalcDrawInfo();
        if (FSizingLineVisible)
            DrawSizingLine();
        // The release point is where the line ends up.
        FSizingPos = (FGridState == gsRowSizing ? Y : X) + FSizingOfs;
        if (FGridState == gsColSizing) {
            const int size = ResizeLine(info.Horz);
            if (size > 1 && FSizingIndex >= 0 && FSizingIndex < FColCount)
                SetColWidths(FSizingIndex, size);
        } else {
            const int size = ResizeLine(info.Vert);
            if (size > 1 && FSizingIndex >= 0 && FSizingIndex < FRowCount)
                SetRowHeights(FSizingIndex, size);
        }
        // The press stored and hid the edit; a click that sized nothing
        // brings the editor back too.
        UpdateEdit();
        break;
    }
    case gsRowMoving:
    case gsColMoving: {
        if (FMoveLineVisible)
            DrawMove();
        FHost.StopTimer();
        int index = FMoveIndex;
        int pos = FMovePos;
        if (FGridState == gsColMoving) {
            if (EndColumnDrag(index, pos, X, Y) && FMoveIndex != FMovePos)
                MoveColumn(FMoveIndex, FMovePos);
        } else {
            if (EndRowDrag(index, pos, X, Y) && FMoveIndex != FMovePos)
                MoveRow(FMoveIndex, FMovePos);
        }
        UpdateEdit();
        break;
    }
    default:
        UpdateEdit();
        break;
    }
    DoMouseUpEvent(button, shift, X, Y);
}

bool TGridModel::MouseWheel(TShiftState shift, int delta, int X, int Y)
{
    FWheelAccumulator += delta;
    bool handled = false;
    while (FWheelAccumulator >= 120) {
        FWheelAccumulator -= 120;
        handled = DoMouseWheelUp(shift, X, Y) || handled;
    }
    while (FWheelAccumulator <= -120) {
        FWheelAccumulator += 120;
        handled = DoMouseWheelDown(shift, X, Y) || handled;
    }
    return handled || FWheelAccumulator != 0;
}

bool TGridModel::DoMouseWheelDown(TShiftState shift, int X, int Y)
{
    bool handled = DoMouseWheelDownEvent(shift, X, Y);
    if (!handled) {
        if (Row() < FRowCount - 1)
            SetRow(Row() + 1);
        handled = true;
    }
    return handled;
}

bool TGridModel::DoMouseWheelUp(TShiftState shift, int X, int Y)
{
    bool handled = DoMouseWheelUpEvent(shift, X, Y);
    if (!handled) {
        if (Row() > FFixedRows)
            SetRow(Row() - 1);
        handled = true;
    }
    return handled;
}

void TGridModel::TimedScroll(TGridScrollDirection direction)
{
    TGridCoord anchor = FAnchor;
    if ((direction & sdLeft) && anchor.X > FFixedCols)
        --anchor.X;
    if ((direction & sdRight) && anchor.X < FColCount - 1)
        ++anchor.X;
    if ((direction & sdUp) && anchor.Y > FFixedRows)
        --anchor.Y;
    if ((direction & sdDown) && anchor.Y < FRowCount - 1)
        ++anchor.Y;
    if (anchor != FAnchor)
        MoveAnchor(anchor);
}

void TGridModel::TimerTick(int X, int Y)
{
    if (FGridState != gsSelecting && FGridState != gsRowMoving && FGridState != gsColMoving)
        return;
    TGridDrawInfo info = CalcDrawInfo();
    const TGridCoord cell = CalcCoordFromPoint(X, Y, info);
    switch (FGridState) {
    case gsColMoving:
        MoveAndScroll(X, cell.X, info, true, X, Y);
        break;
    case gsRowMoving:
        MoveAndScroll(Y, cell.Y, info, false, X, Y);
        break;
    case gsSelecting: {
        TGridScrollDirection direction = 0;
        if (X < info.Horz.FixedBoundary)
            direction |= sdLeft;
        else if (X > info.Horz.FullVisBoundary)
            direction |= sdRight;
        if (Y < info.Vert.FixedBoundary)
            direction |= sdUp;
        else if (Y > info.Vert.FullVisBoundary)
            direction |= sdDown;
        if (direction != 0)
            TimedScroll(direction);
        break;
    }
    default:
        break;
    }
}

void TGridModel::CancelMode()
{
    switch (FGridState) {
    case gsSelecting:
        FHost.StopTimer();
        break;
    case gsRowSizing:
    case gsColSizing:
        if (FSizingLineVisible)
            DrawSizingLine();
        break;
    case gsRowMoving:
    case gsColMoving:
        if (FMoveLineVisible)
            DrawMove();
        FHost.StopTimer();
        break;
    default:
        break;
    }
    FGridState = gsNormal;
}

// --- Focus ---

void TGridModel::FocusIn(bool fromEditor)
{
    if (fromEditor)
        return;
    InvalidateRect(Selection());
    UpdateEdit();
}

void TGridModel::FocusOut(bool toEditor)
{
    InvalidateRect(Selection());
    if (!toEditor)
        HideEdit();
}

void TGridModel::DoEnter()
{
    DoEnterEvent();
}

void TGridModel::DoExit()
{
    DoExitEvent();
    if (!(FOptions & xgoAlwaysShowEditor) && FEditorMode)
        HideEditor();
}
