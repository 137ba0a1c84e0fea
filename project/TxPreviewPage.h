#pragma once

#include "TxPageStream.h"

#include <QByteArray>
#include <QPageSize>
#include <QSize>
#include <QString>

#include <vector>

class QPainter;

// Units of a preview's page canvas. Pixels are those of a 96 dpi screen, so
// that a page looks the same on every screen and in every file.
enum TPreviewUnits { mmPixel, mmLoMetric, mmHiMetric, mmLoEnglish, mmHiEnglish, mmTWIPS, mmPoints };

inline constexpr int PreviewPixelsPerInch = 96;

// How many units make an inch: 96 pixels, 254 tenths or 2540 hundredths of a
// millimetre, 100 or 1000 parts of an inch, 1440 twips, 72 points.
int UnitsPerInch(TPreviewUnits units);
// `value` in other units, rounded to the nearest whole unit (halves away
// from zero).
int ConvertUnits(int value, TPreviewUnits from, TPreviewUnits to);
// A unit code read from a file; false for one that is not a unit.
bool UnitsFromCode(int code, TPreviewUnits& units);

// One page: what was drawn in `Units` on a sheet of `Size` units, as
// recorded (see TxPageStream) and as the drawing read from that.
struct TPreviewPage {
    QByteArray Commands;
    TPageDrawing Drawing;
    TPreviewUnits Units = mmPixel;
    QSize Size;
};

// The sheet of `page` for reading its commands.
TPageSheet SheetFor(const TPreviewPage& page);

// Plays `page` on `painter` at `dpiX` x `dpiY` dots per inch of the
// painter's coordinates, with the sheet's top-left corner at its origin.
void PaintPage(QPainter& painter, const TPreviewPage& page, double dpiX, double dpiY);

// The papers a preview offers, by name.
struct TPaperInfo {
    QString Name;
    QPageSize Size;
};
const std::vector<TPaperInfo>& StandardPapers();
// A paper's size in `units`, portrait.
QSize PaperSizeIn(const QPageSize& paper, TPreviewUnits units);
// Whether two sizes are one sheet, either way up: printers round their
// sizes to points and pages are kept in whole units, so a millimetre
// tells a sheet.
bool SameSheet(const QPageSize& a, const QPageSize& b);
// The sheet `page` was drawn on.
QPageSize SheetOf(const TPreviewPage& page);
