#pragma once

#include <QByteArray>
#include <QPaintDevice>
#include <QPicture>
#include <QSize>
#include <QString>

#include <memory>

// Preview pages are recorded as paint commands in a form of the program's
// own, from which the page's picture is made. Preview files carry the
// commands, not Qt's picture format: its reader believes the counts it finds,
// and its text moves a little each time a picture is played into another, so
// pages would not come back as they were. The commands are checked while
// they are read: a file from elsewhere can be refused, never crash the
// program.
//
// Kept: pens (colour, width, style, caps, joins, dashes), brushes (colour,
// style, texture; a gradient as its first colour), fonts, background,
// transforms, clipping, render hints, opacity; paths, polygons, lines,
// rectangles, ellipses, images, pixmaps and text (as text, so that PDF made
// from loaded pages still holds it).

// Coordinates and sizes beyond this are refused on reading.
inline constexpr double PageStreamCoordinateLimit = 1e7;

// A canvas that records what is painted on it. Values a reader would refuse
// (not finite, beyond the limits) are written at their limit; pictures too
// large to read back are left out.
class TPageRecorder : public QPaintDevice {
public:
    // A sheet of `size` units, `unitsPerInch` of which make an inch.
    TPageRecorder(QSize size, int unitsPerInch);
    ~TPageRecorder() override;
    TPageRecorder(const TPageRecorder&) = delete;
    TPageRecorder& operator=(const TPageRecorder&) = delete;

    QPaintEngine* paintEngine() const override;
    // What was painted, complete once the painter has ended.
    QByteArray Commands() const;

protected:
    int metric(PaintDeviceMetric m) const override;

private:
    struct TData;
    std::unique_ptr<TData> D;
    QSize FSize;
    int FUnitsPerInch;
};

// A picture of the commands in `data`. False, with `error` set and `page`
// untouched, for data that are not what a TPageRecorder writes.
bool CommandsToPage(const QByteArray& data, QPicture& page, QString& error);
