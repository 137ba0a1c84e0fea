#pragma once

#include <QWidget>

#include <map>
#include <vector>

class QToolButton;

// A strip of tabs numbered "1" to the page count, one of them current: the
// pages of a print preview. It looks and answers like a tab bar at the
// bottom of a window, but lays its tabs out once for a new count, where a
// tab bar lays all of them out again for each tab added or removed: a file
// of thousands of pages comes and goes at once. Tabs that do not fit are
// scrolled to with the arrow buttons at its right end.
class TPageTabStrip : public QWidget {
    Q_OBJECT
public:
    explicit TPageTabStrip(QWidget* parent = nullptr);

    int count() const { return FCount; }
    // Makes `count` tabs. The current tab stays while there is one of its
    // number; otherwise the last becomes current (none without tabs), and
    // currentChanged says so.
    void SetCount(int count);
    QString tabText(int index) const;
    // -1 without tabs.
    int currentIndex() const { return FCurrent; }
    // An index beyond the tabs is ignored; currentChanged when it changes.
    void setCurrentIndex(int index);
    // Where tab `index` is drawn, scrolled as the strip is; empty for one
    // that is not there.
    QRect tabRect(int index) const;
    // The tab at `pos`, -1 for none.
    int tabAt(QPoint pos) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void currentChanged(int index);

protected:
    void changeEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    // The tabs' edges from the text widths, of `all` or of those added; the
    // scroll buttons.
    void LayOut(bool all);
    void PlaceButtons();
    int Area() const;
    void ScrollTo(int offset);
    void MakeVisible(int index);
    void Step(int tabs);
    QSize TabSize(int textWidth) const;

    int FCount = 0;
    int FCurrent = -1;
    int FOffset = 0;
    int FTabHeight = 0;
    // FEdges[i] is the left edge of tab i, FEdges[count] the right edge of
    // the last.
    std::vector<int> FEdges{0};
    // Tab sizes by the width of their text: page numbers have few widths.
    mutable std::map<int, QSize> FSizes;
    QToolButton* FLeftButton;
    QToolButton* FRightButton;
};
