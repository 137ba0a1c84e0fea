#pragma once

#include <QToolButton>

// A tool button with its picture above its caption, both inside the small
// sizes the windows were drawn with: the style's own layout pads the picture
// and leaves a wider font's caption cut at the bottom or the sides.
class TCompactToolButton : public QToolButton {
public:
    explicit TCompactToolButton(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static constexpr int Margin = 1; // around the picture and the caption
    static constexpr int Gap = 1;    // between them
};
