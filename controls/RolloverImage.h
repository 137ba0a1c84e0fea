#pragma once

#include "TxKeys.h"

#include <QLabel>
#include <QPixmap>

#include <functional>

// A picture used as a button: a second picture while the pointer is over it,
// a third while a mouse button is pressed on it. It never takes the focus, so
// clicking it leaves the focus where the user was typing.
class TRolloverImage : public QLabel {
    Q_OBJECT
public:
    using TMouseEvent = std::function<void(QObject* Sender, Qt::MouseButton Button, TShiftState Shift, int X, int Y)>;
    using TNotifyEvent = std::function<void(QObject* Sender)>;

    explicit TRolloverImage(QWidget* parent = nullptr);

    // The picture shown now; set it to give the normal picture.
    QPixmap Picture() const { return pixmap(); }
    void SetPicture(const QPixmap& picture) { setPixmap(picture); }
    QPixmap Picture2() const { return FPicture2; }
    void SetPicture2(const QPixmap& picture) { FPicture2 = picture; }
    QPixmap Picture3() const { return FPicture3; }
    void SetPicture3(const QPixmap& picture) { FPicture3 = picture; }

    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TNotifyEvent OnClick;

signals:
    void clicked();

protected:
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    void SaveNormalPicture();
    void Press(QMouseEvent* e, bool doubleClick);

    QPixmap FSaved;
    QPixmap FPicture2;
    QPixmap FPicture3;
    bool FSavePending = true;
    bool FClickArmed = false;
};
