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

// What reading pages may cost. Each picture is bounded on its own, but what
// takes the time is decoding them all and packing them into the page's
// picture again (a picture of noise takes about a second per 10 million
// pixels): a page and a file may hold so much decoded picture area (a small
// picture counts as MinPictureCost pixels) and so many drawing elements
// (commands, path and polygon points, characters), so that reading any file
// takes no more than a second or two. The program's own report is one page
// of three pictures drawn at print resolution, a few million pixels at most.
inline constexpr qint64 MaxPagePicturePixels = 8LL * 1000 * 1000;
inline constexpr qint64 MaxFilePicturePixels = 12LL * 1000 * 1000;
inline constexpr qint64 MinPictureCost = 64 * 64;
inline constexpr qint64 MaxFileElements = 2LL * 1000 * 1000;

// What is left of a file's budget as its pages are read.
struct TPageBudget {
    qint64 PicturePixels = MaxFilePicturePixels;
    qint64 Elements = MaxFileElements;
    bool Exceeded = false; // the last page asked for more than was left
};

// A canvas that records what is painted on it. Values a reader would refuse
// (not finite, beyond the limits) are written at their limit; pictures too
// large to read back, alone or with the page's others, are left out.
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
// untouched, for data that are not what a TPageRecorder writes or that ask
// for more than a page's budget or what is left of `budget`, which the page
// read is taken from (a page alone has a file's budget).
bool CommandsToPage(const QByteArray& data, QPicture& page, QString& error, TPageBudget* budget = nullptr);
