#include "TxGrids.h"

#include "TxEventGuard.h"
#include "TxInplaceEdit.h"
#include "TxPlatform.h"
#include "TxString.h"

#include <QApplication>
#include <QCursor>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QTimerEvent>
#include <QWheelEvent>

#include <algorithm>
#include <vector>

namespace {

TMouseButton ButtonOf(Qt::MouseButton b)
{
    switch (b) {
    case Qt::RightButton:
        return mbRight;
    case Qt::MiddleButton:
        return mbMiddle;
    default:
        return mbLeft;
    }
}

const QColor kSilver(192, 192, 192);
const QColor kGray(128, 128, 128);

// Dotted lines that show on any background.
void DrawXorDotted(QPainter& painter, const QRect& r, int width)
{
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    QPen pen(Qt::white, width, Qt::DotLine, Qt::FlatCap);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    if (r.width() <= width)
        painter.drawLine(r.left() + r.width() / 2, r.top(), r.left() + r.width() / 2, r.bottom());
    else if (r.height() <= width)
        painter.drawLine(r.left(), r.top() + r.height() / 2, r.right(), r.top() + r.height() / 2);
    else
        painter.drawRect(r.adjusted(0, 0, -1, -1));
    painter.restore();
}

} // namespace

QRect ToQRect(const TPixelRect& r)
{
    return QRect(r.Left, r.Top, r.Width(), r.Height());
}

// --- TxCustomGrid ---

TxCustomGrid::TxCustomGrid(QWidget* parent) : QAbstractScrollArea(parent), TGridModel(static_cast<IGridHost&>(*this))
{
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    FColor = palette().color(QPalette::Base);
    FFixedColor = palette().color(QPalette::Button);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    ScrollBarsChanged();
    const std::pair<QScrollBar*, TScrollBarKind> bars[] = {{horizontalScrollBar(), sbHorizontal},
                                                           {verticalScrollBar(), sbVertical}};
    for (const auto& [bar, kind] : bars) {
        bar->setTracking(false);
        bar->setRange(0, 0);
        connect(bar, &QAbstractSlider::actionTriggered, this,
                [this, kind = kind](int action) { ScrollBarAction(kind, action); });
        // A dragged thumb scrolls as it goes only under xgoThumbTracking (the
        // model decides); the bar echoes the grid's own position back here.
        connect(bar, &QAbstractSlider::sliderMoved, this, [this, bar = bar, kind = kind](int pos) {
            if (pos != bar->value())
                Guarded([&] { ModifyScrollBar(kind, scTrack, pos); });
        });
    }
    resize(ColCount() * DefaultColWidth(), RowCount() * DefaultRowHeight());
}

TxCustomGrid::~TxCustomGrid()
{
    FTimer.stop();
    if (auto* editor = dynamic_cast<QWidget*>(InplaceEditor())) {
        ReleaseEditor();
        delete editor;
    }
}

void TxCustomGrid::SetColor(const QColor& value)
{
    if (value == FColor)
        return;
    FColor = value;
    InvalidateGrid();
}

void TxCustomGrid::SetFixedColor(const QColor& value)
{
    if (value == FFixedColor)
        return;
    FFixedColor = value;
    InvalidateGrid();
}

void TxCustomGrid::SetBorderStyle(TGridBorderStyle value)
{
    FBorderStyle = value;
    setFrameStyle(value == bsSingle ? (QFrame::StyledPanel | QFrame::Sunken) : QFrame::NoFrame);
}

TxInplaceEdit* TxCustomGrid::InplaceEdit() const
{
    return dynamic_cast<TxInplaceEdit*>(InplaceEditor());
}

bool TxCustomGrid::IsActiveControl() const
{
    const QWidget* w = window()->focusWidget();
    return w && (w == this || isAncestorOf(w));
}

// --- Hooks into events ---

void TxCustomGrid::ColWidthsChanged()
{
    TGridModel::ColWidthsChanged();
    if (OnColWidthsChanged)
        OnColWidthsChanged(this);
}

void TxCustomGrid::DoKeyDownEvent(int& key, TShiftState shift)
{
    if (OnKeyDown)
        OnKeyDown(this, key, shift);
}

void TxCustomGrid::DoKeyPressEvent(QChar& key)
{
    if (OnKeyPress)
        OnKeyPress(this, key);
}

void TxCustomGrid::DoKeyUpEvent(int& key, TShiftState shift)
{
    if (OnKeyUp)
        OnKeyUp(this, key, shift);
}

void TxCustomGrid::DoMouseDownEvent(TMouseButton button, TShiftState shift, int X, int Y)
{
    if (OnMouseDown)
        OnMouseDown(this, button, shift, X, Y);
}

void TxCustomGrid::DoMouseMoveEvent(TShiftState shift, int X, int Y)
{
    if (OnMouseMove)
        OnMouseMove(this, shift, X, Y);
}

void TxCustomGrid::DoMouseUpEvent(TMouseButton button, TShiftState shift, int X, int Y)
{
    if (OnMouseUp)
        OnMouseUp(this, button, shift, X, Y);
}

bool TxCustomGrid::DoMouseWheelDownEvent(TShiftState shift, int X, int Y)
{
    bool handled = false;
    if (OnMouseWheelDown)
        OnMouseWheelDown(this, shift, X, Y, handled);
    return handled;
}

bool TxCustomGrid::DoMouseWheelUpEvent(TShiftState shift, int X, int Y)
{
    bool handled = false;
    if (OnMouseWheelUp)
        OnMouseWheelUp(this, shift, X, Y, handled);
    return handled;
}

void TxCustomGrid::DoEnterEvent()
{
    if (OnEnter)
        OnEnter(this);
}

void TxCustomGrid::DoExitEvent()
{
    if (OnExit)
        OnExit(this);
}

void TxCustomGrid::Click()
{
    if (OnClick)
        OnClick(this);
}

void TxCustomGrid::DblClick()
{
    if (OnDblClick)
        OnDblClick(this);
}

// --- The window ---

bool TxCustomGrid::HandleAllocated() const
{
    return testAttribute(Qt::WA_WState_Created);
}

bool TxCustomGrid::Showing() const
{
    return isVisible();
}

int TxCustomGrid::ClientWidth() const
{
    return viewport()->width();
}

int TxCustomGrid::ClientHeight() const
{
    return viewport()->height();
}

void TxCustomGrid::InvalidatePixels(const TPixelRect& r)
{
    if (!r.IsEmpty())
        viewport()->update(ToQRect(r));
}

void TxCustomGrid::InvalidateAll()
{
    viewport()->update();
}

void TxCustomGrid::UpdatePending()
{
    // Qt moves pending repaints along with the pixels it scrolls.
}

void TxCustomGrid::ScrollPixels(int dx, int dy, const TPixelRect& area)
{
    if (!area.IsEmpty())
        viewport()->scroll(dx, dy, ToQRect(area));
}

void TxCustomGrid::SetScrollRange(TScrollBarKind bar, int max)
{
    (bar == sbHorizontal ? horizontalScrollBar() : verticalScrollBar())->setRange(0, max);
}

int TxCustomGrid::ScrollRangeMax(TScrollBarKind bar) const
{
    return (bar == sbHorizontal ? horizontalScrollBar() : verticalScrollBar())->maximum();
}

void TxCustomGrid::SetScrollPos(TScrollBarKind bar, int pos)
{
    (bar == sbHorizontal ? horizontalScrollBar() : verticalScrollBar())->setValue(pos);
}

int TxCustomGrid::ScrollPos(TScrollBarKind bar) const
{
    return (bar == sbHorizontal ? horizontalScrollBar() : verticalScrollBar())->value();
}

int TxCustomGrid::ScrollBarThickness(TScrollBarKind) const
{
    return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
}

void TxCustomGrid::ScrollBarsChanged()
{
    const TScrollStyle s = ScrollBars();
    setHorizontalScrollBarPolicy(s == ssHorizontal || s == ssBoth ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(s == ssVertical || s == ssBoth ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    if (s == ssNone || s == ssVertical)
        horizontalScrollBar()->setRange(0, 0);
    if (s == ssNone || s == ssHorizontal)
        verticalScrollBar()->setRange(0, 0);
}

int TxCustomGrid::TextWidthOfZero() const
{
    return fontMetrics().horizontalAdvance(QLatin1Char('0'));
}

bool TxCustomGrid::CanFocus() const
{
    return isEnabled() && isVisible() && focusPolicy() != Qt::NoFocus;
}

bool TxCustomGrid::Focused() const
{
    return hasFocus();
}

void TxCustomGrid::SetFocus()
{
    setFocus(Qt::OtherFocusReason);
}

void TxCustomGrid::ReleaseCapture() {}

void TxCustomGrid::StartTimer()
{
    FTimer.start(60, this);
}

void TxCustomGrid::StopTimer()
{
    FTimer.stop();
}

IGridInplaceEditor* TxCustomGrid::CreateInplaceEditor()
{
    return new TxInplaceEdit(this);
}

// --- Qt events ---

bool TxCustomGrid::WantsKey(const QKeyEvent& e) const
{
    switch (VirtualKeyOf(e)) {
    case VK_UP:
    case VK_DOWN:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_HOME:
    case VK_END:
    case VK_F2:
        return true;
    case VK_TAB:
        return (Options() & xgoTabs) && !(Options() & xgoRowSelect);
    case VK_RETURN:
        // So a window's default button does not take it.
        return Options() & xgoEditing;
    default:
        return false;
    }
}

bool TxCustomGrid::event(QEvent* e)
{
    if (e->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(e);
        const bool tab = VirtualKeyOf(*ke) == VK_TAB;
        if (tab && !(ShiftStateOf(ke->modifiers()) & (ssCtrl | ssAlt)) && WantsKey(*ke)) {
            keyPressEvent(ke);
            return true;
        }
    }
    return QAbstractScrollArea::event(e);
}

void TxCustomGrid::keyPressEvent(QKeyEvent* e)
{
    Guarded([&] {
        DispatchKeyPress(
            e, [this](int& key, TShiftState shift) { KeyDown(key, shift); }, [this](QChar& ch) { CharTyped(ch); },
            [this](QKeyEvent* ev) { ev->setAccepted(WantsKey(*ev)); });
    });
}

void TxCustomGrid::keyReleaseEvent(QKeyEvent* e)
{
    int key = VirtualKeyOf(*e);
    Guarded([&] { KeyUp(key, ShiftStateOf(e->modifiers())); });
    e->setAccepted(key == 0 || WantsKey(*e));
}

void TxCustomGrid::mousePressEvent(QMouseEvent* e)
{
    const QPoint p = e->position().toPoint();
    Guarded([&] { MouseDown(ButtonOf(e->button()), ShiftStateOf(e->modifiers(), e->buttons()), p.x(), p.y()); });
    // The click that opened the editor and a quick second one in it make a
    // double click there.
    if (e->button() == Qt::LeftButton)
        if (TxInplaceEdit* editor = InplaceEdit())
            editor->ClickedOpen();
    e->accept();
}

void TxCustomGrid::mouseDoubleClickEvent(QMouseEvent* e)
{
    const QPoint p = e->position().toPoint();
    Guarded([&] { MouseDown(ButtonOf(e->button()), ShiftStateOf(e->modifiers(), e->buttons(), true), p.x(), p.y()); });
    e->accept();
}

void TxCustomGrid::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint p = e->position().toPoint();
    Guarded([&] { MouseMove(ShiftStateOf(e->modifiers(), e->buttons()), p.x(), p.y()); });
    UpdateCursor(p.x(), p.y());
    e->accept();
}

void TxCustomGrid::mouseReleaseEvent(QMouseEvent* e)
{
    const QPoint p = e->position().toPoint();
    Guarded([&] { MouseUp(ButtonOf(e->button()), ShiftStateOf(e->modifiers(), e->buttons()), p.x(), p.y()); });
    UpdateCursor(p.x(), p.y());
    e->accept();
}

void TxCustomGrid::wheelEvent(QWheelEvent* e)
{
    const QPoint p = e->position().toPoint();
    bool handled = false;
    Guarded([&] { handled = MouseWheel(ShiftStateOf(e->modifiers()), e->angleDelta().y(), p.x(), p.y()); });
    e->setAccepted(handled);
}

void TxCustomGrid::UpdateCursor(int X, int Y)
{
    switch (SizingStateAt(X, Y)) {
    case gsRowSizing:
        viewport()->setCursor(Qt::SplitVCursor);
        break;
    case gsColSizing:
        viewport()->setCursor(Qt::SplitHCursor);
        break;
    default:
        viewport()->unsetCursor();
        break;
    }
}

void TxCustomGrid::focusInEvent(QFocusEvent* e)
{
    QAbstractScrollArea::focusInEvent(e);
    const bool fromEditor = std::exchange(FFocusFromEditor, false);
    Guarded([&] {
        if (!FEntered) {
            FEntered = true;
            DoEnter();
        }
        FocusIn(fromEditor);
    });
}

void TxCustomGrid::focusOutEvent(QFocusEvent* e)
{
    QAbstractScrollArea::focusOutEvent(e);
    // A pop-up (a menu) borrows the focus without ending the edit; a window
    // that is closing (or being destroyed) stores and reports nothing.
    if (e->reason() == Qt::PopupFocusReason || window()->isHidden())
        return;
    CancelMode();
    const QWidget* to = QApplication::focusWidget();
    const bool toEditor = to && to == dynamic_cast<QWidget*>(InplaceEditor());
    Guarded([&] {
        FocusOut(toEditor);
        if (!toEditor)
            LeaveOnExit(e);
    });
}

void TxCustomGrid::EditorFocusIn()
{
    Guarded([&] {
        if (!FEntered) {
            FEntered = true;
            DoEnter();
        }
    });
}

void TxCustomGrid::EditorFocusOut(QFocusEvent* e)
{
    if (e->reason() == Qt::PopupFocusReason || window()->isHidden())
        return;
    if (QApplication::focusWidget() == this) {
        FFocusFromEditor = true;
        return;
    }
    // The grid and its editor are one control: the edit is stored whenever
    // the focus leaves both.
    Guarded([&] {
        FocusOut(false);
        LeaveOnExit(e);
    });
}

void TxCustomGrid::LeaveOnExit(QFocusEvent* e)
{
    // Another window taking the focus is no exit: coming back, the grid and
    // its editor carry on where they were.
    if (!FEntered || e->reason() == Qt::ActiveWindowFocusReason)
        return;
    FEntered = false;
    DoExit();
}

void TxCustomGrid::resizeEvent(QResizeEvent* e)
{
    QAbstractScrollArea::resizeEvent(e);
    Guarded([&] { Resized(); });
}

void TxCustomGrid::showEvent(QShowEvent* e)
{
    QAbstractScrollArea::showEvent(e);
    Guarded([&] { UpdateScrollRange(); });
}

void TxCustomGrid::hideEvent(QHideEvent* e)
{
    Guarded([&] { CancelMode(); });
    QAbstractScrollArea::hideEvent(e);
}

void TxCustomGrid::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::FontChange)
        if (auto* editor = dynamic_cast<QWidget*>(InplaceEditor()))
            editor->setFont(font());
    QAbstractScrollArea::changeEvent(e);
}

void TxCustomGrid::timerEvent(QTimerEvent* e)
{
    if (e->timerId() != FTimer.timerId()) {
        QAbstractScrollArea::timerEvent(e);
        return;
    }
    const QPoint p = viewport()->mapFromGlobal(QCursor::pos());
    Guarded([&] { TimerTick(p.x(), p.y()); });
}

void TxCustomGrid::scrollContentsBy(int, int)
{
    // The grid scrolls itself, by whole cells.
}

void TxCustomGrid::ScrollBarAction(TScrollBarKind bar, int action)
{
    QScrollBar* scrollBar = bar == sbHorizontal ? horizontalScrollBar() : verticalScrollBar();
    TScrollCode code;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        code = scLineDown;
        break;
    case QAbstractSlider::SliderSingleStepSub:
        code = scLineUp;
        break;
    case QAbstractSlider::SliderPageStepAdd:
        code = scPageDown;
        break;
    case QAbstractSlider::SliderPageStepSub:
        code = scPageUp;
        break;
    case QAbstractSlider::SliderToMinimum:
        code = scTop;
        break;
    case QAbstractSlider::SliderToMaximum:
        code = scBottom;
        break;
    case QAbstractSlider::SliderMove:
        code = scrollBar->isSliderDown() ? scTrack : scPosition;
        break;
    default:
        return;
    }
    Guarded([&] { ModifyScrollBar(bar, code, scrollBar->sliderPosition()); });
    // The bar shows where the grid went, not where the action put it; a
    // dragged thumb stays under the pointer.
    if (code != scTrack)
        scrollBar->setSliderPosition(scrollBar->value());
}

// --- Painting ---

void TxCustomGrid::paintEvent(QPaintEvent* e)
{
    QPainter painter(viewport());
    FCanvas = &painter;
    struct TCanvasReset {
        QPainter*& Canvas;
        ~TCanvasReset() { Canvas = nullptr; }
    } reset{FCanvas};

    const TGridDrawInfo info = CalcDrawInfo();
    const TxGridOptions o = Options();
    const int fx = info.Horz.FixedBoundary;
    const int fy = info.Vert.FixedBoundary;
    const int gx = info.Horz.GridBoundary;
    const int gy = info.Vert.GridBoundary;
    const QColor lineColor = FColor.rgb() == kSilver.rgb() ? kGray : kSilver;

    if (info.Horz.EffectiveLineWidth > 0 || info.Vert.EffectiveLineWidth > 0) {
        const bool fixedHorz = o & xgoFixedHorzLine;
        const bool fixedVert = o & xgoFixedVertLine;
        DrawLines(painter, info, fixedHorz, fixedVert, 0, 0, {0, 0, fx, fy}, Qt::black, FFixedColor);
        DrawLines(painter, info, fixedHorz, fixedVert, LeftCol(), 0, {fx, 0, gx, fy}, Qt::black, FFixedColor);
        DrawLines(painter, info, fixedHorz, fixedVert, 0, TopRow(), {0, fy, fx, gy}, Qt::black, FFixedColor);
        DrawLines(painter, info, o & xgoHorzLine, o & xgoVertLine, LeftCol(), TopRow(), {fx, fy, gx, gy}, lineColor,
                  FColor);
    }

    const QRect dirty = e->rect();
    DrawCells(painter, info, 0, 0, 0, 0, fx, fy, FFixedColor, gdFixed, dirty);
    DrawCells(painter, info, LeftCol(), 0, fx - ColOffset(), 0, gx, fy, FFixedColor, gdFixed, dirty);
    DrawCells(painter, info, 0, TopRow(), 0, fy, fx, gy, FFixedColor, gdFixed, dirty);
    DrawCells(painter, info, LeftCol(), TopRow(), fx - ColOffset(), fy, gx, gy, FColor, 0, dirty);

    if ((o & xgoRowSelect) && DefaultDrawing() && hasFocus()) {
        const TGridRect sel = Selection();
        const TPixelRect r = BoxRect(sel.Left, sel.Top, sel.Right, sel.Bottom);
        if (!r.IsEmpty())
            DrawXorDotted(painter, ToQRect(r), 1);
    }

    const int w = viewport()->width();
    const int h = viewport()->height();
    if (gx < w)
        painter.fillRect(QRect(gx, 0, w - gx, gy), FColor);
    if (gy < h)
        painter.fillRect(QRect(0, gy, w, h - gy), FColor);

    // The sizing and moving lines go over everything.
    if (SizingLineVisible())
        DrawXorDotted(painter, ToQRect(SizingLineRect()), 1);
    if (MoveLineVisible())
        DrawXorDotted(painter, ToQRect(MoveLineRect()), 5);
}

void TxCustomGrid::DrawLines(QPainter& painter, const TGridDrawInfo& info, bool horzLines, bool vertLines, int startCol,
                             int startRow, const TPixelRect& bounds, const QColor& onColor, const QColor& offColor)
{
    if (bounds.IsEmpty())
        return;
    // Lines of one axis as rectangles: a line after each cell from the
    // area's first one, while its centre lies before the area's end.
    auto axisLines = [&](const TGridAxisDrawInfo& axis, int first, bool vertical, bool on) {
        const int lw = axis.EffectiveLineWidth;
        if (lw == 0)
            return;
        const int start = vertical ? bounds.Left : bounds.Top;
        const long long stop = static_cast<long long>(vertical ? bounds.Right : bounds.Bottom) + lw;
        std::vector<QRect> lines;
        long long pos = start + static_cast<long long>(axis.Extent(first));
        for (int cell = first; cell < axis.GridCellCount && pos + lw / 2 < stop; ++cell) {
            if (vertical)
                lines.emplace_back(static_cast<int>(pos), bounds.Top, lw, bounds.Height());
            else
                lines.emplace_back(bounds.Left, static_cast<int>(pos), bounds.Width(), lw);
            pos += static_cast<long long>(axis.Extent(cell + 1)) + lw;
        }
        if (lines.empty())
            return;
        painter.setPen(Qt::NoPen);
        painter.setBrush(on ? onColor : offColor);
        painter.drawRects(lines.data(), static_cast<int>(lines.size()));
    };
    if (horzLines) {
        axisLines(info.Horz, startCol, true, vertLines);
        axisLines(info.Vert, startRow, false, horzLines);
    } else {
        axisLines(info.Vert, startRow, false, horzLines);
        axisLines(info.Horz, startCol, true, vertLines);
    }
}

void TxCustomGrid::DrawCells(QPainter& painter, const TGridDrawInfo& info, int startCol, int startRow, int originX,
                             int originY, int stopX, int stopY, const QColor& color, TxGridDrawState areaState,
                             const QRect& dirty)
{
    const int hl = info.Horz.EffectiveLineWidth;
    const int vl = info.Vert.EffectiveLineWidth;
    long long y = originY;
    for (int row = startRow; y < stopY && row < RowCount(); ++row) {
        const int top = static_cast<int>(y);
        const int bottom = top + RowHeights(row);
        long long x = originX;
        for (int col = startCol; x < stopX && col < ColCount(); ++col) {
            const TPixelRect where{static_cast<int>(x), top, static_cast<int>(x) + ColWidths(col), bottom};
            if (!where.IsEmpty() && dirty.intersects(ToQRect(where)))
                PaintCell(painter, info, col, row, where, color, areaState);
            x = static_cast<long long>(where.Right) + hl;
        }
        y = static_cast<long long>(bottom) + vl;
    }
}

void TxCustomGrid::PaintCell(QPainter& painter, const TGridDrawInfo& info, int ACol, int ARow, const TPixelRect& where,
                             const QColor& color, TxGridDrawState areaState)
{
    const TxGridOptions o = Options();
    TxGridDrawState state = areaState;
    if (ACol == Col() && ARow == Row() && IsActiveControl())
        state |= gdFocused;
    const TGridRect sel = Selection();
    if (ACol >= sel.Left && ACol <= sel.Right && ARow >= sel.Top && ARow <= sel.Bottom)
        state |= gdSelected;
    // The editor covers the cell it is showing.
    if ((state & gdFocused) && InplaceEditor() && InplaceEditor()->Visible() && InplaceCol() == ACol &&
        InplaceRow() == ARow)
        return;

    const QRect r = ToQRect(where);
    painter.save();
    if (DefaultDrawing()) {
        painter.setFont(font());
        const bool highlight =
            (state & gdSelected) && (!(state & gdFocused) || (o & (xgoDrawFocusSelected | xgoRowSelect)));
        const QColor brush = highlight ? palette().color(QPalette::Highlight) : color;
        painter.setBrush(brush);
        painter.setPen(highlight ? palette().color(QPalette::HighlightedText) : palette().color(QPalette::Text));
        painter.fillRect(r, brush);
    }
    DrawCell(ACol, ARow, where, state);
    painter.restore();

    if (DefaultDrawing() && (state & gdFixed) && (o & (xgoFixedVertLine | xgoFixedHorzLine))) {
        TPixelRect e = where;
        if (!(o & xgoFixedVertLine))
            e.Right += info.Horz.EffectiveLineWidth;
        else if (!(o & xgoFixedHorzLine))
            e.Bottom += info.Vert.EffectiveLineWidth;
        const QColor light = palette().color(QPalette::Light);
        const QColor dark = palette().color(QPalette::Dark);
        if (o & xgoFixedVertLine)
            painter.fillRect(QRect(e.Right - 1, e.Top, 1, e.Height()), dark);
        if (o & xgoFixedHorzLine)
            painter.fillRect(QRect(e.Left, e.Bottom - 1, e.Width(), 1), dark);
        if (o & xgoFixedVertLine)
            painter.fillRect(QRect(e.Left, e.Top, 1, e.Height() - 1), light);
        if (o & xgoFixedHorzLine)
            painter.fillRect(QRect(e.Left, e.Top, e.Width() - 1, 1), light);
    }
    if (DefaultDrawing() && (state & gdFocused) && !((o & xgoEditing) && (o & xgoAlwaysShowEditor)) &&
        !(o & xgoRowSelect))
        DrawXorDotted(painter, r, 1);
}

// --- TxDrawGrid ---

TxDrawGrid::TxDrawGrid(QWidget* parent) : TxCustomGrid(parent) {}

bool TxDrawGrid::CanEditShow()
{
    bool result = TxCustomGrid::CanEditShow();
    if (OnCanEditShow)
        OnCanEditShow(this, Col(), Row(), result);
    return result;
}

void TxDrawGrid::DrawCell(int ACol, int ARow, const TPixelRect& ARect, TxGridDrawState AState)
{
    if (OnDrawCell)
        OnDrawCell(this, ACol, ARow, ARect, AState);
}

bool TxDrawGrid::SelectCell(int ACol, int ARow)
{
    bool result = true;
    if (OnSelectCell)
        OnSelectCell(this, ACol, ARow, result);
    return result;
}

void TxDrawGrid::DoSetData(int ACol, int ARow)
{
    if (OnDoSetData)
        OnDoSetData(this, ACol, ARow);
}

void TxDrawGrid::EditRefused(int ACol, int ARow, TEntryCheck why)
{
    if (OnEditRefused)
        OnEditRefused(this, ACol, ARow, why);
}

QString TxDrawGrid::GetEditText(int ACol, int ARow)
{
    QString value;
    if (OnGetEditText)
        OnGetEditText(this, ACol, ARow, value);
    return value;
}

void TxDrawGrid::SetEditText(int ACol, int ARow, const QString& value)
{
    if (OnSetEditText)
        OnSetEditText(this, ACol, ARow, value);
}

void TxDrawGrid::ColumnMoved(int fromIndex, int toIndex)
{
    if (OnColumnMoved)
        OnColumnMoved(this, fromIndex, toIndex);
}

void TxDrawGrid::RowMoved(int fromIndex, int toIndex)
{
    if (OnRowMoved)
        OnRowMoved(this, fromIndex, toIndex);
}

void TxDrawGrid::TopLeftChanged()
{
    TxCustomGrid::TopLeftChanged();
    if (OnTopLeftChanged)
        OnTopLeftChanged(this);
}

// --- TStringGridStrings ---

int TStringGridStrings::Count() const
{
    if (FIndex > 0)
        return FGrid.ColCount();
    if (FIndex < 0)
        return FGrid.RowCount();
    return 0;
}

QString TStringGridStrings::Get(int index) const
{
    if (FIndex > 0)
        return FGrid.Cells(index, FIndex - 1);
    if (FIndex < 0)
        return FGrid.Cells(-FIndex - 1, index);
    return QString();
}

void TStringGridStrings::Put(int index, const QString& text)
{
    if (FIndex > 0)
        FGrid.SetCells(index, FIndex - 1, text);
    else if (FIndex < 0)
        FGrid.SetCells(-FIndex - 1, index, text);
}

void* TStringGridStrings::GetObject(int index) const
{
    if (FIndex > 0)
        return FGrid.Objects(index, FIndex - 1);
    if (FIndex < 0)
        return FGrid.Objects(-FIndex - 1, index);
    return nullptr;
}

void TStringGridStrings::PutObject(int index, void* object)
{
    if (FIndex > 0)
        FGrid.SetObjects(index, FIndex - 1, object);
    else if (FIndex < 0)
        FGrid.SetObjects(-FIndex - 1, index, object);
}

int TStringGridStrings::Add(const QString& text)
{
    const int n = Count();
    for (int i = 0; i < n; ++i)
        if (Get(i).isEmpty()) {
            Put(i, text);
            return i;
        }
    return -1;
}

void TStringGridStrings::Clear()
{
    if (FIndex > 0) {
        const int row = FIndex - 1;
        if (const TStringSparseList* list = FGrid.FData.Get(row)) {
            std::vector<int> stored;
            list->ForAll([&](int col, const TStringItem&) {
                stored.push_back(col);
                return 0;
            });
            for (int col : stored) {
                FGrid.SetObjects(col, row, nullptr);
                FGrid.SetCells(col, row, QString());
            }
        }
    } else if (FIndex < 0) {
        const int col = -FIndex - 1;
        for (int row = FGrid.RowCount() - 1; row >= 0; --row) {
            FGrid.SetObjects(col, row, nullptr);
            FGrid.SetCells(col, row, QString());
        }
    }
}

void TStringGridStrings::Assign(const QStringList& source)
{
    BeginUpdate();
    const int n = std::min(static_cast<int>(source.size()), Count());
    for (int i = 0; i < n; ++i) {
        PutObject(i, nullptr);
        Put(i, source[i]);
    }
    EndUpdate();
}

void TStringGridStrings::Assign(const TStringGridStrings& source)
{
    if (&source == this)
        return;
    BeginUpdate();
    const int n = std::min(source.Count(), Count());
    for (int i = 0; i < n; ++i) {
        PutObject(i, source.GetObject(i));
        Put(i, source.Get(i));
    }
    EndUpdate();
}

void TStringGridStrings::Insert(int, const QString&)
{
    throw EInvalidGridOperation(QStringLiteral("Cannot insert or delete rows from grid"));
}

void TStringGridStrings::Delete(int)
{
    throw EInvalidGridOperation(QStringLiteral("Cannot insert or delete rows from grid"));
}

void TStringGridStrings::BeginUpdate()
{
    if (FUpdateCount++ == 0)
        FGrid.SetUpdateState(true);
}

void TStringGridStrings::EndUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0)
        FGrid.SetUpdateState(false);
}

QString TStringGridStrings::CommaText() const
{
    return ListToCommaText(ToStringList());
}

void TStringGridStrings::SetCommaText(const QString& text)
{
    BeginUpdate();
    try {
        Clear();
        for (const QString& item : CommaTextToList(text))
            Add(item);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

QStringList TStringGridStrings::ToStringList() const
{
    QStringList items;
    const int n = Count();
    items.reserve(n);
    for (int i = 0; i < n; ++i)
        items.append(Get(i));
    return items;
}

// --- TxStringGrid ---

TxStringGrid::TxStringGrid(QWidget* parent) : TxDrawGrid(parent) {}

TxStringGrid::~TxStringGrid() = default;

QString TxStringGrid::Cells(int ACol, int ARow) const
{
    const TStringSparseList* row = FData.Get(ARow);
    return row ? row->Text(ACol) : QString();
}

void TxStringGrid::SetCells(int ACol, int ARow, const QString& value)
{
    if (ACol < 0 || ARow < 0)
        throw EInvalidGridOperation(QStringLiteral("Grid index out of range"));
    FData.GetOrCreate(ARow).SetText(ACol, value);
    CellChanged(ACol, ARow);
}

void* TxStringGrid::Objects(int ACol, int ARow) const
{
    const TStringSparseList* row = FData.Get(ARow);
    return row ? row->Object(ACol) : nullptr;
}

void TxStringGrid::SetObjects(int ACol, int ARow, void* value)
{
    if (ACol < 0 || ARow < 0)
        throw EInvalidGridOperation(QStringLiteral("Grid index out of range"));
    FData.GetOrCreate(ARow).SetObject(ACol, value);
    CellChanged(ACol, ARow);
}

TStringGridStrings* TxStringGrid::Rows(int ARow)
{
    if (ARow < 0)
        throw EInvalidGridOperation(QStringLiteral("Grid index out of range"));
    std::unique_ptr<TStringGridStrings>& view = FRows[ARow];
    if (!view)
        view = std::make_unique<TStringGridStrings>(*this, ARow + 1);
    return view.get();
}

TStringGridStrings* TxStringGrid::Cols(int ACol)
{
    if (ACol < 0)
        throw EInvalidGridOperation(QStringLiteral("Grid index out of range"));
    std::unique_ptr<TStringGridStrings>& view = FCols[ACol];
    if (!view)
        view = std::make_unique<TStringGridStrings>(*this, -(ACol + 1));
    return view.get();
}

int TxStringGrid::RowItemCount(int ARow) const
{
    const TStringSparseList* row = FData.Get(ARow);
    return row ? row->Count() : 0;
}

void TxStringGrid::SetAlwaysShowCell(bool value)
{
    if (value == FAlwaysShowCell)
        return;
    FAlwaysShowCell = value;
    InvalidateGrid();
}

void TxStringGrid::CellChanged(int ACol, int ARow)
{
    if (FUpdating)
        FNeedsUpdating = true;
    else
        InvalidateCell(ACol, ARow);
    // A shown editor reloads a text set from outside; not its own.
    if (ACol == Col() && ARow == Row() && FEditUpdate == 0)
        InvalidateEditor();
}

void TxStringGrid::SetUpdateState(bool updating)
{
    FUpdating = updating;
    if (!updating && FNeedsUpdating) {
        InvalidateGrid();
        FNeedsUpdating = false;
    }
}

QString TxStringGrid::GetEditText(int ACol, int ARow)
{
    QString value = Cells(ACol, ARow);
    if (OnGetEditText)
        OnGetEditText(this, ACol, ARow, value);
    return value;
}

void TxStringGrid::SetEditText(int ACol, int ARow, const QString& value)
{
    ++FEditUpdate;
    try {
        if (value != Cells(ACol, ARow))
            SetCells(ACol, ARow, value);
    } catch (...) {
        --FEditUpdate;
        throw;
    }
    --FEditUpdate;
    TxDrawGrid::SetEditText(ACol, ARow, value);
}

void TxStringGrid::ColumnMoved(int fromIndex, int toIndex)
{
    FData.ForAll([&](int, TStringSparseList& row) {
        row.Move(fromIndex, toIndex);
        return 0;
    });
    InvalidateGrid();
    TxDrawGrid::ColumnMoved(fromIndex, toIndex);
}

void TxStringGrid::RowMoved(int fromIndex, int toIndex)
{
    FData.Move(fromIndex, toIndex);
    InvalidateGrid();
    TxDrawGrid::RowMoved(fromIndex, toIndex);
}

void TxStringGrid::SizeChanged(int oldColCount, int oldRowCount)
{
    // Cells cut off by a smaller grid are gone; growing again shows empty
    // cells, not old ones.
    if (RowCount() < oldRowCount)
        FData.Truncate(RowCount());
    if (ColCount() < oldColCount)
        FData.ForAll([&](int, TStringSparseList& row) {
            row.Truncate(ColCount());
            return 0;
        });
    TxDrawGrid::SizeChanged(oldColCount, oldRowCount);
}

void TxStringGrid::DeleteRow(int ARow)
{
    if (ARow < 0 || ARow >= RowCount())
        throw EInvalidGridOperation(QStringLiteral("Grid index out of range"));
    for (int i = ARow; i < RowCount() - 1; ++i)
        MoveRow(i + 1, i);
    SetRow(std::min(std::max(ARow, FixedRows()), RowCount() - 1));
    SetRowCount(RowCount() - 1);
}

void TxStringGrid::DrawCellText(QPainter& painter, const TPixelRect& rect, const QString& text) const
{
    if (text.isEmpty())
        return;
    painter.save();
    painter.setClipRect(ToQRect(rect), Qt::IntersectClip);
    const int ascent = painter.fontMetrics().ascent();
    painter.drawText(QPoint(rect.Left + 2, rect.Top + 2 + ascent), text);
    painter.restore();
}

void TxStringGrid::DrawCell(int ACol, int ARow, const TPixelRect& ARect, TxGridDrawState AState)
{
    QPainter* canvas = Canvas();
    if (canvas && DefaultDrawing())
        DrawCellText(*canvas, ARect, Cells(ACol, ARow));
    TxDrawGrid::DrawCell(ACol, ARow, ARect, AState);
    if (canvas && !FAlwaysShowCell && (AState & gdSelected) && !(isEnabled() && IsActiveControl())) {
        canvas->save();
        canvas->fillRect(ToQRect(ARect), Color());
        canvas->setPen(palette().color(QPalette::Text));
        canvas->setFont(font());
        DrawCellText(*canvas, ARect, Cells(ACol, ARow));
        canvas->restore();
    }
}
