#include "CompactToolButton.h"

#include <QStyleOptionToolButton>
#include <QStylePainter>

#include <algorithm>

TCompactToolButton::TCompactToolButton(QWidget* parent) : QToolButton(parent)
{
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
}

QSize TCompactToolButton::sizeHint() const
{
    const QFontMetrics fm(font());
    const QSize icon = iconSize();
    const QSize contents(std::max(icon.width(), fm.horizontalAdvance(QToolButton::text().remove(QLatin1Char('&')))),
                         icon.height() + Gap + fm.height());
    return (contents + QSize(2 * Margin, 2 * Margin)).expandedTo(minimumSize());
}

QSize TCompactToolButton::minimumSizeHint() const
{
    return sizeHint();
}

void TCompactToolButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);
    // The style draws the frame of a hovered, pressed or checked button.
    QStyleOptionToolButton panel = option;
    panel.text.clear();
    panel.icon = QIcon();
    painter.drawComplexControl(QStyle::CC_ToolButton, panel);

    const QFontMetrics fm(font());
    const QSize icon = iconSize();
    const int top = std::max(Margin, (height() - (icon.height() + Gap + fm.height())) / 2);
    const QIcon::Mode mode = !isEnabled() ? QIcon::Disabled : underMouse() ? QIcon::Active : QIcon::Normal;
    option.icon.paint(&painter, QRect(QPoint((width() - icon.width()) / 2, top), icon), Qt::AlignCenter, mode,
                      isChecked() ? QIcon::On : QIcon::Off);
    painter.drawItemText(QRect(0, top + icon.height() + Gap, width(), fm.height()),
                         Qt::AlignHCenter | Qt::AlignTop | Qt::TextShowMnemonic, palette(), isEnabled(), text(),
                         QPalette::ButtonText);
}
