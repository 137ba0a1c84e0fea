#include "TxReportLayout.h"

#include "TxFormat.h"
#include "TxString.h"

#include <QPainter>

#include <cmath>
#include <cstdlib>

TReportLayout::~TReportLayout() = default;

namespace {

constexpr int TextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip | Qt::TextSingleLine;

} // namespace

QStringList WrapToWidth(const QString& text, const QFontMetrics& metrics, int width, qsizetype maxLines, bool* more)
{
    // Only about a line's worth of text is measured for each line: the
    // characters' own widths guess where it ends, and measured probes on
    // either side of the guess, then halving between them, find it. So the
    // time grows with the text, not with the text times its lines.
    auto fits = [&](qsizetype from, qsizetype length) {
        return length == 0 || metrics.horizontalAdvance(text.mid(from, length)) <= width;
    };
    QStringList lines;
    qsizetype pos = 0;
    qsizetype end = text.size();
    qsizetype previous = 64;
    for (;;) {
        const qsizetype rest = end - pos;
        if (maxLines >= 0 && lines.size() >= maxLines) {
            if (more)
                *more = rest > 0;
            return lines;
        }
        // The guess looks no further than a few lines like the last one.
        const qsizetype reach = std::min(rest, 4 * std::max<qsizetype>(previous, 64));
        qsizetype guess = 0;
        for (int sum = 0; guess < reach;) {
            const qsizetype n = text[pos + guess].isHighSurrogate() && guess + 1 < rest ? 2 : 1;
            sum += n == 1 ? metrics.horizontalAdvance(text[pos + guess])
                          : metrics.horizontalAdvance(text.mid(pos + guess, 2));
            if (sum > width)
                break;
            guess += n;
        }
        qsizetype low = 0;
        qsizetype over = -1;
        if (fits(pos, guess)) {
            low = guess;
            for (qsizetype step = 1; low < rest; step *= 2) {
                const qsizetype probe = std::min(rest, low + step);
                if (!fits(pos, probe)) {
                    over = probe;
                    break;
                }
                low = probe;
            }
        } else {
            over = guess;
            for (qsizetype step = 1; low == 0 && over > 1; step *= 2) {
                const qsizetype probe = std::max<qsizetype>(0, over - step);
                if (fits(pos, probe))
                    low = probe;
                else
                    over = probe;
                if (probe == 0)
                    break;
            }
        }
        if (over < 0) {
            if (rest > 0 || lines.isEmpty())
                lines.append(text.mid(pos, rest));
            if (more)
                *more = false;
            return lines;
        }
        // The longest start that fits: widths grow with the length.
        qsizetype high = over - 1;
        while (low < high) {
            const qsizetype mid = (low + high + 1) / 2;
            if (fits(pos, mid))
                low = mid;
            else
                high = mid - 1;
        }
        qsizetype cut = QStringView(text).mid(pos, low + 1).lastIndexOf(QLatin1Char(' '));
        if (cut <= 0) {
            cut = std::max<qsizetype>(low, 1);
            if (cut < rest && text[pos + cut].isLowSurrogate())
                cut += cut > 1 ? -1 : 1;
        }
        lines.append(text.mid(pos, cut).trimmed());
        pos += cut;
        previous = cut;
        while (pos < end && text[pos].isSpace())
            ++pos;
        while (end > pos && text[end - 1].isSpace())
            --end;
    }
}

int FontPixelHeight(int points, TPreviewUnits units)
{
    return ConvertUnits(points, mmPoints, units);
}

void TReportLayout::LineFeed(double factor)
{
    // The old canvas moved up for a font given by its cell height; the
    // height's size is what counts. The small addend keeps products such
    // as 10 x 1.2 from truncating one short.
    const double dy = std::abs(FFontHeight) * factor * 1.2;
    AdvanceY(int(std::trunc(dy + 1e-9)));
}

void TReportLayout::SetReportFont(TFontStyles style, int size, QRgb colour)
{
    FFont.setBold(style & fsBold);
    FFont.setItalic(style & fsItalic);
    FFont.setUnderline(style & fsUnderline);
    FFont.setStrikeOut(style & fsStrikeOut);
    if (colour != clNone)
        FFontColor = colour;
    if (size > 0)
        FFontHeight = -FontPixelHeight(size, CanvasUnits());
    FFont.setPixelSize(std::max(1, std::abs(FFontHeight)));
    if (QPainter* canvas = Canvas())
        canvas->setFont(FFont);
}

void TReportLayout::ResetReportFont(const QFont& font, int height)
{
    FFont = font;
    FFontHeight = height;
    FFont.setPixelSize(std::max(1, std::abs(height)));
    FFontColor = clBlack;
}

void TReportLayout::SetTransparentBackground()
{
    if (QPainter* canvas = Canvas()) {
        canvas->setBackground(Qt::white);
        canvas->setBackgroundMode(Qt::TransparentMode);
    }
}

void TReportLayout::TextOut(QPoint at, const QString& text)
{
    QPainter* canvas = Canvas();
    if (!canvas)
        return;
    // The pen belongs to the rules; text takes the font's colour.
    const QPen pen = canvas->pen();
    canvas->setFont(FFont);
    canvas->setPen(QColor::fromRgba(FFontColor));
    canvas->drawText(QRectF(at, QSizeF(0, 0)), TextFlags, text);
    canvas->setPen(pen);
}

void TReportLayout::WriteLine(const QString& text, TFontStyles style, QRgb colour, int size)
{
    DoWriteLine(text, style, colour, size);
}

void TReportLayout::DoWriteLine(const QString& text, TFontStyles style, QRgb colour, int size)
{
    SetReportFont(style, size, colour);
    TextOut(ReportCursor, text);
    LineFeed(1);
}

void TReportLayout::WriteText(const QString& text)
{
    TextOut(ReportCursor, text);
    LineFeed(1);
}

void TReportLayout::WriteLabelValue(const QString& label, const QString& value)
{
    TextOut(ReportCursor, label);
    TextOut(ReportCursor + QPoint(ReportColumn1, 0), value);
    LineFeed(1);
}

void TReportLayout::WriteThreeColumns(const QString& a, const QString& b, const QString& c)
{
    TextOut(ReportCursor, a);
    TextOut(ReportCursor + QPoint(ReportColumn1, 0), b);
    TextOut(ReportCursor + QPoint(ReportColumn2, 0), c);
    LineFeed(1);
}

void TReportLayout::WriteTabbedList(const QString& commaText, TFontStyles style, QRgb colour, int size)
{
    SetReportFont(style, size, colour);
    TStringDynArray items;
    SplitToArray(commaText, QLatin1Char(','), items);
    if (items.isEmpty())
        return;
    const int t = int(std::trunc(ReportUnit.x() * 0.3));
    int x = ReportCursor.x() + t;
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (i == 1)
            x = ReportCursor.x() + 2 * t + ReportTabStart;
        else if (i > 1)
            x += ReportTabStep;
        TextOut(QPoint(x, ReportCursor.y()), Trim(items[i]));
    }
    LineFeed(1);
}

void TReportLayout::DrawRule(int right)
{
    QPainter* canvas = Canvas();
    if (!canvas)
        return;
    QPen pen = canvas->pen();
    pen.setColor(QColor::fromRgba(ReportRuleColor));
    canvas->setPen(pen);
    canvas->drawLine(ReportCursor, QPoint(right, ReportCursor.y()));
}

void TReportLayout::SetRulePenWidth(int width)
{
    QPainter* canvas = Canvas();
    if (!canvas)
        return;
    QPen pen = canvas->pen();
    pen.setWidth(ConvertUnits(width, mmPixel, CanvasUnits()));
    canvas->setPen(pen);
}

void DrawPageFrame(QPainter& canvas, const QRect& sheet, int margin, int pageNumber, const QFont& font,
                   TPreviewUnits units)
{
    canvas.setRenderHint(QPainter::SmoothPixmapTransform, false);
    canvas.setPen(QPen(QColor::fromRgba(PageFrameColor), 0));
    canvas.setBrush(Qt::NoBrush);
    // Right and bottom as the first coordinates outside the frame.
    const int left = sheet.left() + margin;
    const int top = sheet.top() + margin;
    const int right = sheet.left() + sheet.width() - margin;
    const int bottom = sheet.top() + sheet.height() - margin;
    canvas.drawRect(QRect(left, top, right - left - 1, bottom - top - 1));
    QFont small = font;
    small.setPixelSize(std::max(1, FontPixelHeight(8, units)));
    const QFont previous = canvas.font();
    const QPen framePen = canvas.pen();
    canvas.setFont(small);
    canvas.setPen(Qt::black);
    const QPointF corner(right, bottom);
    canvas.drawText(QRectF(corner, QSizeF(0, 0)), Qt::AlignRight | Qt::AlignTop | Qt::TextDontClip | Qt::TextSingleLine,
                    Format("Page %d", pageNumber));
    canvas.setFont(previous);
    canvas.setPen(framePen);
}

void DrawPrintableBoundary(QPainter& canvas, const QRect& sheet, const QRect& printable)
{
    canvas.save();
    canvas.setPen(QPen(QColor(192, 192, 192), 0, Qt::DotLine));
    const int top = sheet.top();
    const int bottom = sheet.bottom() + 1;
    const int left = sheet.left();
    const int right = sheet.right() + 1;
    const int pl = printable.left();
    const int pr = printable.right() + 1;
    const int pt = printable.top();
    const int pb = printable.bottom() + 1;
    canvas.drawLine(pl, top, pl, bottom);
    canvas.drawLine(pr, top, pr, bottom);
    canvas.drawLine(left, pt, right, pt);
    canvas.drawLine(left, pb, right, pb);
    canvas.restore();
}
