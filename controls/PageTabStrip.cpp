#include "PageTabStrip.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionTab>
#include <QStylePainter>
#include <QTabBar>
#include <QToolButton>
#include <QWheelEvent>

#include <algorithm>

TPageTabStrip::TPageTabStrip(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto button = [this](Qt::ArrowType arrow, int step) {
        auto* b = new QToolButton(this);
        b->setArrowType(arrow);
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->hide();
        connect(b, &QToolButton::clicked, this, [this, step] { Step(step); });
        return b;
    };
    FLeftButton = button(Qt::LeftArrow, -1);
    FRightButton = button(Qt::RightArrow, 1);
    LayOut(true);
}

QString TPageTabStrip::tabText(int index) const
{
    return index >= 0 && index < FCount ? QString::number(index + 1) : QString();
}

void TPageTabStrip::SetCount(int count)
{
    count = std::max(0, count);
    if (count == FCount)
        return;
    FCount = count;
    LayOut(false);
    const int current = FCount == 0 ? -1 : std::clamp(FCurrent, 0, FCount - 1);
    if (current != FCurrent) {
        FCurrent = current;
        MakeVisible(FCurrent);
        emit currentChanged(FCurrent);
    }
    update();
}

void TPageTabStrip::setCurrentIndex(int index)
{
    if (index < 0 || index >= FCount || index == FCurrent)
        return;
    FCurrent = index;
    MakeVisible(index);
    update();
    emit currentChanged(index);
}

QSize TPageTabStrip::TabSize(int textWidth) const
{
    const auto kept = FSizes.find(textWidth);
    if (kept != FSizes.end())
        return kept->second;
    QStyleOptionTab opt;
    opt.initFrom(this);
    opt.shape = QTabBar::RoundedSouth;
    opt.text = QStringLiteral("0");
    const int hframe = style()->pixelMetric(QStyle::PM_TabBarTabHSpace, &opt, this);
    const int vframe = style()->pixelMetric(QStyle::PM_TabBarTabVSpace, &opt, this);
    const QSize contents(textWidth + hframe, fontMetrics().height() + vframe);
    const QSize size = style()->sizeFromContents(QStyle::CT_TabBarTab, &opt, contents, this);
    FSizes.emplace(textWidth, size);
    return size;
}

void TPageTabStrip::LayOut(bool all)
{
    // Tabs kept keep their places: a page added costs one tab.
    if (all) {
        FSizes.clear();
        FEdges.assign(1, 0);
    }
    const QFontMetrics metrics = fontMetrics();
    FTabHeight = TabSize(metrics.horizontalAdvance(QStringLiteral("0"))).height();
    FEdges.resize(std::min(FEdges.size(), size_t(FCount) + 1));
    for (int i = int(FEdges.size()) - 1; i < FCount; ++i)
        FEdges.push_back(FEdges.back() + TabSize(metrics.horizontalAdvance(tabText(i))).width());
    updateGeometry();
    PlaceButtons();
}

int TPageTabStrip::Area() const
{
    return FLeftButton->isVisible() ? FLeftButton->x() : width();
}

void TPageTabStrip::PlaceButtons()
{
    const bool scroll = FEdges.back() > width();
    if (scroll) {
        const int w = style()->pixelMetric(QStyle::PM_TabBarScrollButtonWidth, nullptr, this);
        FRightButton->setGeometry(width() - w, 0, w, height());
        FLeftButton->setGeometry(width() - 2 * w, 0, w, height());
    }
    FLeftButton->setVisible(scroll);
    FRightButton->setVisible(scroll);
    ScrollTo(FOffset);
    MakeVisible(FCurrent);
}

void TPageTabStrip::ScrollTo(int offset)
{
    FOffset = std::clamp(offset, 0, std::max(0, FEdges.back() - Area()));
    FLeftButton->setEnabled(FOffset > 0);
    FRightButton->setEnabled(FOffset < FEdges.back() - Area());
    update();
}

void TPageTabStrip::MakeVisible(int index)
{
    if (index < 0 || index >= FCount)
        return;
    const int left = FEdges[size_t(index)];
    const int right = FEdges[size_t(index) + 1];
    if (left < FOffset)
        ScrollTo(left);
    else if (right > FOffset + Area())
        ScrollTo(right - Area());
}

// Scrolls by whole tabs: the first tab cut at the left edge, or the first
// beyond the right edge, comes into sight.
void TPageTabStrip::Step(int tabs)
{
    if (tabs < 0) {
        const auto it = std::lower_bound(FEdges.begin(), FEdges.end(), FOffset);
        ScrollTo(it == FEdges.begin() ? 0 : *(it - 1));
    } else {
        const auto it = std::upper_bound(FEdges.begin(), FEdges.end(), FOffset + Area());
        ScrollTo(it == FEdges.end() ? FEdges.back() : *it - Area());
    }
}

QRect TPageTabStrip::tabRect(int index) const
{
    if (index < 0 || index >= FCount)
        return {};
    const int left = FEdges[size_t(index)] - FOffset;
    return QRect(left, 0, FEdges[size_t(index) + 1] - FEdges[size_t(index)], FTabHeight);
}

int TPageTabStrip::tabAt(QPoint pos) const
{
    if (pos.y() < 0 || pos.y() >= FTabHeight || pos.x() < 0 || pos.x() >= Area())
        return -1;
    const auto it = std::upper_bound(FEdges.begin(), FEdges.end(), pos.x() + FOffset);
    const int index = int(it - FEdges.begin()) - 1;
    return index >= 0 && index < FCount ? index : -1;
}

QSize TPageTabStrip::sizeHint() const
{
    return QSize(FEdges.back(), FTabHeight);
}

QSize TPageTabStrip::minimumSizeHint() const
{
    const int w = style()->pixelMetric(QStyle::PM_TabBarScrollButtonWidth, nullptr, this);
    return QSize(std::min(FEdges.back(), 2 * w + TabSize(0).width()), FTabHeight);
}

void TPageTabStrip::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::FontChange || e->type() == QEvent::StyleChange)
        LayOut(true);
}

void TPageTabStrip::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    PlaceButtons();
}

void TPageTabStrip::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Left && FCurrent > 0)
        setCurrentIndex(FCurrent - 1);
    else if (e->key() == Qt::Key_Right)
        setCurrentIndex(FCurrent + 1);
    else
        QWidget::keyPressEvent(e);
}

void TPageTabStrip::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        e->ignore();
        return;
    }
    const int index = tabAt(e->position().toPoint());
    if (index >= 0)
        setCurrentIndex(index);
}

void TPageTabStrip::wheelEvent(QWheelEvent* e)
{
    const int delta = e->angleDelta().y() != 0 ? e->angleDelta().y() : e->angleDelta().x();
    if (delta == 0 || FCount == 0) {
        e->ignore();
        return;
    }
    setCurrentIndex(std::clamp(FCurrent + (delta > 0 ? -1 : 1), 0, FCount - 1));
}

void TPageTabStrip::paintEvent(QPaintEvent*)
{
    QStylePainter p(this);
    QStyleOptionTabBarBase base;
    base.initFrom(this);
    base.shape = QTabBar::RoundedSouth;
    const int overlap = style()->pixelMetric(QStyle::PM_TabBarBaseOverlap, &base, this);
    base.rect = QRect(0, 0, width(), overlap);
    base.tabBarRect = QRect(0, 0, std::min(Area(), FEdges.back() - FOffset), FTabHeight);
    base.selectedTabRect = tabRect(FCurrent);
    p.drawPrimitive(QStyle::PE_FrameTabBarBase, base);
    // Only the tabs in sight; the current one last, over its neighbours.
    const auto first = std::upper_bound(FEdges.begin(), FEdges.end(), FOffset);
    const auto last = std::lower_bound(FEdges.begin(), FEdges.end(), FOffset + Area());
    const int from = std::max(0, int(first - FEdges.begin()) - 1);
    const int to = std::min(FCount - 1, int(last - FEdges.begin()));
    p.setClipRect(0, 0, Area(), height());
    auto draw = [&](int i) {
        QStyleOptionTab tab;
        tab.initFrom(this);
        tab.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
        tab.shape = QTabBar::RoundedSouth;
        tab.rect = tabRect(i);
        tab.text = tabText(i);
        tab.position = FCount == 1       ? QStyleOptionTab::OnlyOneTab
                       : i == 0          ? QStyleOptionTab::Beginning
                       : i == FCount - 1 ? QStyleOptionTab::End
                                         : QStyleOptionTab::Middle;
        tab.selectedPosition = i - 1 == FCurrent   ? QStyleOptionTab::PreviousIsSelected
                               : i + 1 == FCurrent ? QStyleOptionTab::NextIsSelected
                                                   : QStyleOptionTab::NotAdjacent;
        if (i == FCurrent) {
            tab.state |= QStyle::State_Selected;
            if (hasFocus())
                tab.state |= QStyle::State_HasFocus;
        }
        p.drawControl(QStyle::CE_TabBarTab, tab);
    };
    for (int i = from; i <= to; ++i)
        if (i != FCurrent)
            draw(i);
    if (FCurrent >= from && FCurrent <= to)
        draw(FCurrent);
}
