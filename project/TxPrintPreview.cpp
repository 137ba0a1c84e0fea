#include "TxPrintPreview.h"

#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

// The page widget inside the scroll area.
class TPreviewPageView : public QWidget {
public:
    explicit TPreviewPageView(TPrintPreview* owner) : QWidget(owner), FOwner(owner) {}

protected:
    void paintEvent(QPaintEvent* e) override
    {
        QPainter painter(this);
        FOwner->PaintView(painter, e->rect());
    }

private:
    TPrintPreview* FOwner;
};

namespace {

constexpr int MinZoom = 1;
constexpr int MaxZoom = 1000;
constexpr int ShadowWidth = 3;

// Screen pixels per page unit at 100 %.
double ScreenScale(const TPreviewPage& page)
{
    return double(PreviewPixelsPerInch) / UnitsPerInch(page.Units);
}

} // namespace

int FitZoom(TZoomState state, QSize viewport, QSize page, int margin)
{
    if (page.width() <= 0 || page.height() <= 0)
        return 100;
    const double byWidth = 100.0 * (viewport.width() - 2 * margin) / page.width();
    const double byHeight = 100.0 * (viewport.height() - 2 * margin) / page.height();
    double zoom = 100;
    switch (state) {
    case zsZoomToWidth:
        zoom = byWidth;
        break;
    case zsZoomToHeight:
        zoom = byHeight;
        break;
    case zsZoomToFit:
        zoom = std::min(byWidth, byHeight);
        break;
    case zsZoomOther:
        return 100;
    }
    return std::clamp(int(std::floor(zoom)), MinZoom, MaxZoom);
}

QSize ZoomedPageSize(const TPreviewPage& page, int zoom)
{
    const double s = ScreenScale(page) * zoom / 100.0;
    return {std::max(1, qRound(page.Size.width() * s)), std::max(1, qRound(page.Size.height() * s))};
}

TPrintPreview::TPrintPreview(QWidget* parent)
    : QScrollArea(parent), FDocument(new TPreviewDocument(this)), FView(new TPreviewPageView(this))
{
    setObjectName(QStringLiteral("PrintPreview"));
    setWidget(FView);
    setWidgetResizable(false);
    setAlignment(Qt::AlignCenter);
    setBackgroundRole(QPalette::Dark);
    horizontalScrollBar()->setTracking(true);
    verticalScrollBar()->setTracking(true);
    connect(FDocument, &TPreviewDocument::OnChange, this, &TPrintPreview::DocumentChanged);
    UpdateZoom();
}

void TPrintPreview::SetZoom(int percent)
{
    percent = std::clamp(percent, MinZoom, MaxZoom);
    if (percent == FZoom && FZoomState == zsZoomOther)
        return;
    FZoom = percent;
    FZoomState = zsZoomOther;
    UpdateZoom();
    emit OnZoomChange();
}

void TPrintPreview::SetZoomState(TZoomState state)
{
    FZoomState = state;
    UpdateZoom();
    emit OnZoomChange();
}

void TPrintPreview::SetAnnotation(bool on)
{
    FAnnotation = on;
    FView->update();
}

void TPrintPreview::SetBackground(bool on)
{
    FBackground = on;
    FView->update();
}

void TPrintPreview::resizeEvent(QResizeEvent* e)
{
    QScrollArea::resizeEvent(e);
    if (FZoomState != zsZoomOther) {
        const int before = FZoom;
        UpdateZoom();
        if (FZoom != before)
            emit OnZoomChange();
    }
}

void TPrintPreview::DocumentChanged()
{
    ++FGeneration;
    UpdateZoom();
    FView->update();
}

void TPrintPreview::UpdateZoom()
{
    TPreviewPage sheet;
    if (FDocument->CurrentPage() > 0)
        sheet = FDocument->Page(FDocument->CurrentPage());
    else {
        sheet.Units = FDocument->Units();
        sheet.Size = FDocument->PageBounds().size();
    }
    if (FZoomState != zsZoomOther)
        FZoom = FitZoom(FZoomState, viewport()->size(), ZoomedPageSize(sheet, 100), FMargin);
    const QSize page = ZoomedPageSize(sheet, FZoom);
    FView->resize(page.width() + 2 * FMargin, page.height() + 2 * FMargin);
    FView->update();
}

QImage TPrintPreview::RenderCurrentPage() const
{
    const int n = FDocument->CurrentPage();
    return n > 0 ? RenderPart(n, QRect(QPoint(0, 0), ZoomedPageSize(FDocument->Page(n), FZoom))) : QImage();
}

QImage TPrintPreview::RenderPart(int n, const QRect& area) const
{
    QImage image(area.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.translate(-area.topLeft());
        const double dpi = PreviewPixelsPerInch * FZoom / 100.0;
        PaintPage(p, FDocument->Page(n), dpi, dpi);
    }
    if (FDocument->GrayscalePreview)
        image = image.convertToFormat(QImage::Format_Grayscale8);
    return image;
}

void TPrintPreview::PaintView(QPainter& painter, const QRect& exposed)
{
    const int n = FDocument->CurrentPage();
    if (n <= 0)
        return;
    const TPreviewPage& page = FDocument->Page(n);
    const QRect target(QPoint(FMargin, FMargin), ZoomedPageSize(page, FZoom));
    if (FBackground)
        painter.fillRect(target.translated(ShadowWidth, ShadowWidth), Qt::black);
    // Only the part of the page in sight is drawn, so that painting costs
    // the window's size at any zoom; half a window more around it is kept,
    // so that scrolling a little draws nothing again.
    const QRect part = (exposed & target).translated(-target.topLeft());
    const QString key =
        QStringLiteral("%1/%2/%3/%4").arg(FGeneration).arg(n).arg(FZoom).arg(FDocument->GrayscalePreview);
    if (!part.isEmpty() && (key != FCacheKey || !FCacheArea.contains(part))) {
        const QSize half = viewport()->size() / 2;
        const QRect shown = QRect(-FView->pos(), viewport()->size()).translated(-target.topLeft());
        FCacheArea = (shown.adjusted(-half.width(), -half.height(), half.width(), half.height()) | part) &
                     QRect(QPoint(0, 0), target.size());
        FCache = RenderPart(n, FCacheArea);
        FCacheKey = key;
    }
    if (!part.isEmpty())
        painter.drawImage(part.topLeft() + target.topLeft(), FCache, part.translated(-FCacheArea.topLeft()));
    if (FAnnotation) {
        painter.save();
        painter.translate(target.topLeft());
        const double s = ScreenScale(page) * FZoom / 100.0;
        painter.scale(s, s);
        emit OnAnnotation(n, painter);
        painter.restore();
    }
}
