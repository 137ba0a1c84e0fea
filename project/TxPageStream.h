#pragma once

#include <QByteArray>
#include <QPaintDevice>
#include <QSet>
#include <QSize>
#include <QString>
#include <QTransform>

#include <functional>
#include <memory>
#include <vector>

class QPainter;

// Preview pages are recorded as paint commands in a form of the program's
// own, from which the page's drawing is made. Preview files carry the
// commands, not Qt's picture format: its reader believes the counts it finds,
// and its text moves a little each time a picture is played into another, so
// pages would not come back as they were. The commands are checked while
// they are read: a file from elsewhere can be refused, never crash the
// program.
//
// Recorded: pens (colour, width, style, caps, joins, dashes), brushes
// (colour, style; a gradient as its first colour), fonts, background,
// transforms, clipping, render hints, opacity; paths, polygons, lines,
// rectangles, ellipses, images, pixmaps and text (as text, so that PDF made
// from loaded pages still holds it).
//
// Read back is only what the program's own pages hold: the report, its
// rules and the page frame. Pens are solid and no wider than a rule, brushes
// solid, shapes straight lines of a few points, fonts no larger than the
// report's title, transforms at most shrink, and everything lies on the
// sheet; pictures are PNG in any of its forms, their parts that are not
// drawn (texts, colour profiles: what other writers, and earlier versions
// of the program, put in) passed over unread, their image data inflated no
// further than their header says. A page that holds anything else is
// refused, and so is one that asks for more than its budget, so that
// reading a file, saving all of it as PDF or printing it, and painting any
// of its pages at any zoom take about a second at most: text heaped on one
// spot of the widest sheet, whose longer letterhead lines hold the most
// text, takes the longest at the largest zoom.

// Coordinates and sizes beyond this are written at this limit.
inline constexpr double PageStreamCoordinateLimit = 1e7;

// What reading pages may cost. Decoding pictures takes the time: a page and a
// file may hold so much decoded picture area (a small picture counts as
// MinPictureCost pixels), known from the pictures' headers before any is
// decoded. Playing a page takes time with its commands, shape points and
// characters (drawing elements), and, painted at a large zoom, with what of
// it lies in the window: every picture and filled shape may fill the window,
// a rule costs its whole length, and text of large letters heaped on one
// spot takes long. So a page may hold so many pictures and filled shapes,
// rules of so many times its sheet's width and height together, and text
// that covers as much as so many characters of the report's body text
// (each character counts its font's height squared) on a sheet as wide as
// A4, and more on a wider one, whose letterhead lines run longer. Each font
// costs finding it, and each family embedding it in PDF: a file may use so
// many. Sheets are no larger than A2, more than the
// largest paper the window offers. The program's own report holds a few
// thousand elements, three pictures and one filled box, rules of less than
// three times its sheet's width and height, text of a few hundred
// characters besides its letterhead in one family and a few fonts, and
// keeps its pictures within the page's budget on every paper, lowering
// their resolution where it must.
inline constexpr qint64 MaxPagePicturePixels = 8LL * 1000 * 1000;
inline constexpr qint64 MaxFilePicturePixels = 12LL * 1000 * 1000;
inline constexpr qint64 MinPictureCost = 64 * 64;
inline constexpr qint64 MaxPageElements = 10LL * 1000;
inline constexpr qint64 MaxFileElements = 250LL * 1000;
inline constexpr int MaxPageAreas = 64;
inline constexpr int MaxPageRules = 10;
inline constexpr int MaxPageCharacters = 2000;
inline constexpr int MaxSheetMillimetres = 600;
inline constexpr int MaxFileFamilies = 4;
inline constexpr int MaxFileFonts = 32;
// Sizes of what the program draws: the points of a rectangle, the report's
// title, a letterhead line at its longest.
inline constexpr int MaxShapePoints = 5;
inline constexpr int MaxFontPoints = 14;
inline constexpr qsizetype MaxTextLength = 1000;
// What a picture of `size` takes of a page's or a file's budget.
qint64 PictureCost(QSize size);

// The sheet a page is drawn on: `Size` units, `UnitsPerInch` of which make
// an inch.
struct TPageSheet {
    QSize Size;
    int UnitsPerInch = 96;
};

// Why a page was refused: its data are not what a recorder writes, it asks
// for more than its budget, or it holds drawing the program's pages never do.
enum class TPageFault { None, Damaged, TooMuch, Foreign };

// The font families (case folded) and fonts a file's pages used so far.
struct TFontsUsed {
    QSet<QString> Families;
    QSet<QString> Fonts;
};

// What is left of a file's budget as its pages are read.
struct TPageBudget {
    qint64 PicturePixels = MaxFilePicturePixels;
    qint64 Elements = MaxFileElements;
    TFontsUsed Fonts;
    TPageFault Fault = TPageFault::None; // why the last page was refused
};

// A page as read from its commands, pictures decoded: played on a painter
// whose coordinates are the sheet's units, as often as it is shown.
class TPageDrawing {
public:
    void Play(QPainter& painter) const;

    // One command played: `base` is the painter's transform before the page.
    using TStep = std::function<void(QPainter& painter, const QTransform& base)>;

private:
    friend bool CommandsToPage(const QByteArray&, const TPageSheet&, TPageDrawing&, QString&, TPageBudget*);
    std::vector<TStep> FSteps;
};

// A canvas that records what is painted on it as it was painted; values
// beyond PageStreamCoordinateLimit or not finite are written at the limit.
// Pictures are written as PNG without their texts, colour profile and
// offset, and at eight bits a channel at most.
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

// How many pictures recorders have compressed and readers decoded; one
// drawn again unchanged, or read again, is neither.
struct TPictureWork {
    qint64 Compressed = 0;
    qint64 Decoded = 0;
};
TPictureWork PageStreamPictureWork();

// The drawing of the commands in `data` on `sheet`. False, with `error` set
// and `page` untouched, for data that are not what a TPageRecorder writes,
// hold drawing the program's pages never do, or ask for more than a page's
// budget or what is left of `budget`, which the page read is taken from (a
// page alone has a file's budget); `budget->Fault` says which.
bool CommandsToPage(const QByteArray& data, const TPageSheet& sheet, TPageDrawing& page, QString& error,
                    TPageBudget* budget = nullptr);
// The same checks without decoding a picture: pictures count by their
// headers.
bool CheckPageCommands(const QByteArray& data, const TPageSheet& sheet, QString& error, TPageBudget* budget = nullptr);
