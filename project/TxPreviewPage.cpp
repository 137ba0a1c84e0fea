#include "TxPreviewPage.h"

#include <QPainter>

#include <cstdint>

int UnitsPerInch(TPreviewUnits units)
{
    switch (units) {
    case mmPixel:
        return PreviewPixelsPerInch;
    case mmLoMetric:
        return 254;
    case mmHiMetric:
        return 2540;
    case mmLoEnglish:
        return 100;
    case mmHiEnglish:
        return 1000;
    case mmTWIPS:
        return 1440;
    case mmPoints:
        return 72;
    }
    return PreviewPixelsPerInch;
}

int ConvertUnits(int value, TPreviewUnits from, TPreviewUnits to)
{
    const int64_t num = int64_t(value) * UnitsPerInch(to);
    const int64_t den = UnitsPerInch(from);
    // Whole-number rounding, halves away from zero, without floating point.
    const int64_t q = num >= 0 ? (2 * num + den) / (2 * den) : -((-2 * num + den) / (2 * den));
    return int(q);
}

bool UnitsFromCode(int code, TPreviewUnits& units)
{
    if (code < mmPixel || code > mmPoints)
        return false;
    units = TPreviewUnits(code);
    return true;
}

TPageSheet SheetFor(const TPreviewPage& page)
{
    return {page.Size, UnitsPerInch(page.Units)};
}

void PaintPage(QPainter& painter, const TPreviewPage& page, double dpiX, double dpiY)
{
    painter.save();
    const double perInch = UnitsPerInch(page.Units);
    painter.scale(dpiX / perInch, dpiY / perInch);
    page.Drawing.Play(painter);
    painter.restore();
}

const std::vector<TPaperInfo>& StandardPapers()
{
    static const std::vector<TPaperInfo> papers{
        {QStringLiteral("A3"), QPageSize(QPageSize::A3)},
        {QStringLiteral("A4"), QPageSize(QPageSize::A4)},
        {QStringLiteral("A5"), QPageSize(QPageSize::A5)},
        {QStringLiteral("B4"), QPageSize(QPageSize::B4)},
        {QStringLiteral("B5"), QPageSize(QPageSize::B5)},
        {QStringLiteral("Letter"), QPageSize(QPageSize::Letter)},
        {QStringLiteral("Legal"), QPageSize(QPageSize::Legal)},
        // The Executive that print systems and paper trays know; Qt's own
        // "Executive" is a sheet of 7.5 x 10 in that no printer offers.
        {QStringLiteral("Executive"), QPageSize(QPageSize::ExecutiveStandard)},
        {QStringLiteral("Tabloid"), QPageSize(QPageSize::Tabloid)},
    };
    return papers;
}

bool SameSheet(const QPageSize& a, const QPageSize& b)
{
    auto portrait = [](const QPageSize& p) {
        const QSizeF size = p.size(QPageSize::Millimeter);
        return size.width() <= size.height() ? size : size.transposed();
    };
    const QSizeF x = portrait(a);
    const QSizeF y = portrait(b);
    return qAbs(x.width() - y.width()) <= 1 && qAbs(x.height() - y.height()) <= 1;
}

QPageSize SheetOf(const TPreviewPage& page)
{
    const double perInch = UnitsPerInch(page.Units);
    return QPageSize(QSizeF(page.Size.width() * 25.4 / perInch, page.Size.height() * 25.4 / perInch),
                     QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
}

QSize PaperSizeIn(const QPageSize& paper, TPreviewUnits units)
{
    // Through hundredths of a millimetre, the finest unit the sizes are given in.
    const QSizeF mm = paper.size(QPageSize::Millimeter);
    const int w = qRound(mm.width() * 100);
    const int h = qRound(mm.height() * 100);
    return {ConvertUnits(w, mmHiMetric, units), ConvertUnits(h, mmHiMetric, units)};
}
