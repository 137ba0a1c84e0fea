#pragma once

#include <QByteArray>
#include <QPicture>
#include <QString>

// Preview pages are pictures of paint commands. Preview files do not carry
// Qt's own picture format, whose reader believes the counts it finds, but the
// commands in a form of their own that is checked while it is read: a file
// from elsewhere can be refused, never crash the program.
//
// Kept: pens (colour, width, style, caps, joins, dashes), brushes (colour,
// style, texture; a gradient as its first colour), fonts, background,
// transforms, clipping, render hints, opacity; paths, polygons, lines,
// rectangles, ellipses, images, pixmaps and text (as text, so that PDF made
// from loaded pages still holds it).

// Coordinates and sizes beyond this are refused on reading.
inline constexpr double PageStreamCoordinateLimit = 1e7;

// The commands of `page`.
QByteArray PageToCommands(const QPicture& page);
// A picture of the commands in `data`. False, with `error` set and `page`
// untouched, for data that are not what PageToCommands writes.
bool CommandsToPage(const QByteArray& data, QPicture& page, QString& error);
