#pragma once

#include <QTabWidget>

// A page control whose pages fill the area inside the tabs, without the
// frame the stock control draws around them, while Flat (the default).
class TFlatPageControl : public QTabWidget {
    Q_OBJECT
    Q_PROPERTY(bool Flat READ Flat WRITE SetFlat)
public:
    explicit TFlatPageControl(QWidget* parent = nullptr);

    bool Flat() const { return FFlat; }
    // Lays the pages out again at once.
    void SetFlat(bool flat);

private:
    bool FFlat = true;
};
