#include "TxDesignScale.h"

#include <QFont>
#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace {

constexpr double DesignFigureWidth = 6.0;

} // namespace

double DesignScale(const QFont& font)
{
    const double figure = QFontMetricsF(font).horizontalAdvance(QStringLiteral("0123456789")) / 10.0;
    return std::max(1.0, figure / DesignFigureWidth);
}

int ScaleDesignWidth(int width, const QFont& font)
{
    return static_cast<int>(std::lround(width * DesignScale(font)));
}
