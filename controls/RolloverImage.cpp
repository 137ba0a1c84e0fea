#include "RolloverImage.h"

#include <QMouseEvent>

TRolloverImage::TRolloverImage(QWidget* parent) : QLabel(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

void TRolloverImage::SaveNormalPicture()
{
    if (!FSavePending)
        return;
    FSaved = pixmap();
    FSavePending = false;
}

void TRolloverImage::enterEvent(QEnterEvent* e)
{
    QLabel::enterEvent(e);
    SaveNormalPicture();
    setPixmap(FPicture2);
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void TRolloverImage::leaveEvent(QEvent* e)
{
    QLabel::leaveEvent(e);
    // A leave with no enter before it has no normal picture to restore.
    if (!FSavePending)
        setPixmap(FSaved);
    if (OnMouseLeave)
        OnMouseLeave(this);
}

void TRolloverImage::Press(QMouseEvent* e, bool doubleClick)
{
    // Only a left press that is not the second half of a double-click makes
    // a click, so a double-click gives one click.
    if (e->button() == Qt::LeftButton)
        FClickArmed = !doubleClick;
    if (OnMouseDown) {
        const QPoint p = e->position().toPoint();
        OnMouseDown(this, e->button(), ShiftStateOf(e->modifiers(), e->buttons(), doubleClick), p.x(), p.y());
    }
    SaveNormalPicture();
    setPixmap(FPicture3);
    e->accept();
}

void TRolloverImage::mousePressEvent(QMouseEvent* e)
{
    Press(e, false);
}

void TRolloverImage::mouseDoubleClickEvent(QMouseEvent* e)
{
    Press(e, true);
}

void TRolloverImage::mouseReleaseEvent(QMouseEvent* e)
{
    const QPoint p = e->position().toPoint();
    const bool click = FClickArmed && e->button() == Qt::LeftButton && rect().contains(p);
    if (e->button() == Qt::LeftButton)
        FClickArmed = false;
    if (OnMouseUp)
        OnMouseUp(this, e->button(), ShiftStateOf(e->modifiers(), e->buttons()), p.x(), p.y());
    setPixmap(FPicture2);
    e->accept();
    if (click) {
        if (OnClick)
            OnClick(this);
        emit clicked();
    }
}
