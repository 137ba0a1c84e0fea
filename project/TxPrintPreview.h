#pragma once

#include "TxPreviewDocument.h"

#include <QImage>
#include <QScrollArea>

class QPainter;

enum TZoomState { zsZoomOther, zsZoomToWidth, zsZoomToHeight, zsZoomToFit };

// The zoom, in percent, at which a page of `page` screen pixels fits the
// `viewport` with `margin` pixels around it; at least 1.
int FitZoom(TZoomState state, QSize viewport, QSize page, int margin);
// A sheet's size on the screen at `zoom` percent, in screen pixels.
QSize ZoomedPageSize(const TPreviewPage& page, int zoom);

class TPreviewPageView;

// Shows the current page of its document at a zoom, scrolled inside a
// margin; notes on the page (the printer's printable area) come from
// OnAnnotation while Annotation is on.
class TPrintPreview : public QScrollArea {
    Q_OBJECT
public:
    explicit TPrintPreview(QWidget* parent = nullptr);

    TPreviewDocument* Document() const { return FDocument; }

    int Zoom() const { return FZoom; }
    // A fixed zoom in percent (1 to 1000).
    void SetZoom(int percent);
    TZoomState ZoomState() const { return FZoomState; }
    // Fit modes follow the window's size.
    void SetZoomState(TZoomState state);

    bool Annotation() const { return FAnnotation; }
    void SetAnnotation(bool on);
    // The shadow around the page.
    bool Background() const { return FBackground; }
    void SetBackground(bool on);
    int Margin() const { return FMargin; }

    // The current page as it is shown at the current zoom, without notes.
    QImage RenderCurrentPage() const;
    // The part `area` of page `n` at the current zoom, in screen pixels
    // from the page's top-left corner.
    QImage RenderPart(int n, const QRect& area) const;

signals:
    void OnZoomChange();
    // Drawn over the page on the screen only; `painter` draws in the page's
    // units.
    void OnAnnotation(int pageNumber, QPainter& painter);

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    friend class TPreviewPageView;
    void DocumentChanged();
    void UpdateZoom();
    void PaintView(QPainter& painter, const QRect& exposed);

    TPreviewDocument* FDocument;
    TPreviewPageView* FView;
    int FZoom = 100;
    TZoomState FZoomState = zsZoomOther;
    bool FAnnotation = true;
    bool FBackground = true;
    int FMargin = 10;
    quint64 FGeneration = 0;
    QImage FCache;
    QRect FCacheArea;
    QString FCacheKey;
};
