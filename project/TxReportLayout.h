#pragma once

#include "TxPreviewPage.h"

#include <QColor>
#include <QFontMetrics>
#include <QFont>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>

class QPainter;

// Font styles of the layout routines, combined with "|".
using TFontStyles = unsigned;
inline constexpr TFontStyles fsPlain = 0;
inline constexpr TFontStyles fsBold = 1;
inline constexpr TFontStyles fsItalic = 2;
inline constexpr TFontStyles fsUnderline = 4;
inline constexpr TFontStyles fsStrikeOut = 8;

// Colours of the layout routines as qRgb values; clNone keeps the current one.
inline constexpr QRgb clNone = 0x1FFFFFFF;
inline constexpr QRgb clBlack = 0xFF000000;
inline constexpr QRgb clNavy = 0xFF000080;

// Colour of the frame every preview page gets.
inline constexpr QRgb PageFrameColor = 0xFFF5F5DC;

// Writes lines, label-value rows, three-column rows, tabbed band rows and
// rules on a page canvas at a cursor that the routines advance. Positions
// are canvas units; a text's position is its top-left corner. The layout
// keeps the font and text colour (a canvas has no text colour of its own);
// the canvas keeps the pen, whose colour and width rules use.
class TReportLayout {
public:
    virtual ~TReportLayout();

    // The canvas being drawn on; null when there is none.
    virtual QPainter* Canvas() const = 0;
    // The units of the canvas, for point sizes and pixel widths.
    virtual TPreviewUnits CanvasUnits() const { return mmPixel; }

    // Shared layout state: the drawer sets it, the routines read and advance it.
    QPoint ReportCursor;
    QPoint ReportUnit; // 10 mm in canvas units, horizontally and vertically
    int ReportColumn1 = 0;
    int ReportColumn2 = 0;
    int ReportTabStart = 0;
    int ReportTabStep = 0;
    QRgb ReportRuleColor = clBlack;

    void AdvanceY(int dy) { ReportCursor.ry() += dy; }
    // Moves the cursor down by the font's height x factor x 1.2, truncated.
    void LineFeed(double factor);
    // Style always; colour unless clNone; size (points) when above 0.
    void SetReportFont(TFontStyles style, int size, QRgb colour);
    void SetTransparentBackground();
    void WriteLine(const QString& text, TFontStyles style, QRgb colour, int size);
    void DoWriteLine(const QString& text, TFontStyles style, QRgb colour, int size);
    void WriteText(const QString& text);
    void WriteLabelValue(const QString& label, const QString& value);
    void WriteThreeColumns(const QString& a, const QString& b, const QString& c);
    // Comma-separated items at tab columns: the first 0.3 x ReportUnit.X right
    // of the cursor, the second ReportTabStart further than twice that, the
    // rest ReportTabStep apart. No items: nothing is written, no line feed.
    void WriteTabbedList(const QString& commaText, TFontStyles style, QRgb colour, int size);
    // A rule in ReportRuleColor from the cursor to `right`; the cursor stays.
    void DrawRule(int right);
    // The canvas pen's width, given in pixels.
    void SetRulePenWidth(int width);

    // The font: family and height as the old canvas kept it, negative for a
    // font given in points (pixels of the canvas units), positive for one
    // given by its cell height.
    const QFont& ReportFont() const { return FFont; }
    int FontHeight() const { return FFontHeight; }
    QRgb FontColor() const { return FFontColor; }
    // A new canvas starts with `font` of cell height `height` in black.
    void ResetReportFont(const QFont& font, int height);

    // Writes `text` with its top-left corner at `at` in the current font;
    // every routine writes through it.
    virtual void TextOut(QPoint at, const QString& text);

private:
    QFont FFont{QStringLiteral("Verdana")};
    int FFontHeight = 11;
    QRgb FFontColor = clBlack;
};

// The frame of a new page: `sheet` inset by `margin` framed in
// PageFrameColor with a pen of width 0 and no brush, and "Page n"
// right-aligned just below the frame's bottom-right corner in `font` at 8
// points. The canvas keeps the frame's pen and brush.
void DrawPageFrame(QPainter& canvas, const QRect& sheet, int margin, int pageNumber, const QFont& font,
                   TPreviewUnits units);
// The printer's printable area as dotted silver lines across the sheet.
void DrawPrintableBoundary(QPainter& canvas, const QRect& sheet, const QRect& printable);
// `text` in lines no wider than `width` in `metrics`: broken at blanks,
// which the breaks drop, and inside a word only where the word alone is
// wider; never inside a character. At most `maxLines` lines (any number
// when negative); `more` tells whether the text needed more.
QStringList WrapToWidth(const QString& text, const QFontMetrics& metrics, int width, qsizetype maxLines = -1,
                        bool* more = nullptr);
// The cell height of a font of `points` on a canvas of `units`: a whole
// number, rounded.
int FontPixelHeight(int points, TPreviewUnits units);
