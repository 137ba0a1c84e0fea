#pragma once

#include "SilencerRecords.h"
#include "TxXMLFiles.h"

#include <QString>
#include <QStringList>

// What the main window knows about the catalogue's ranges without a window:
// which files are ranges, how a range's shape ties it to the shape boxes,
// what the range view shows and which catalogue page a result opens.

// The names (with extension) of the range files of `dataDir`: its "*.xml"
// files, without sub-folders, whose root element's `type` is "silencer" (any
// letter case), in name order. A file that does not parse, and a name that
// leads to no regular file, is left out without a message; a file too large
// to read is left out with one in `refused`.
QStringList FindRangeFiles(const QString& dataDir, QStringList* refused = nullptr);
bool IsRangeFile(const QString& fileName);

// Loads a range file into `xml`; a file that is missing or no XML raises
// EXMLError with the reason.
void LoadRangeFile(TXMLFile& xml, const QString& fileName);

// Which shape box a range follows.
enum class TRangeShapeGroup { Circular, Rectangular, Other };
// The lower-cased shape found in "circular annular" follows the "Circular"
// box, "rectangular" in any case the "Rectangular" box; anything else, an
// empty shape too, neither.
TRangeShapeGroup ShapeGroupOf(const QString& shape);
// The `shape` attribute of head/size of a loaded range.
QString RangeShape(TXMLFile& xml);
// The tick a range gets from the two boxes; `current` when it follows none.
bool ShapeTick(TRangeShapeGroup group, bool current, bool rectChecked, bool circChecked);

// The range view of a loaded range.
struct TRangeView {
    QString Title;
    QString PhotoFile; // full path; empty when the range names no photo
    QStringList MemoLines;
};
// Title, photo (found in `imagesDir`) and the four detail lines, each label
// padded to 13 characters: maker, description, usage and "size kind" with
// the kind and shape of head/size.
TRangeView ReadRangeView(TXMLFile& xml, const QString& imagesDir);

// Whether a saved "checked" list names `rangeName`: the list is split at ","
// and each item compared whole, blanks trimmed, letter case kept.
bool RangeNamedIn(const QString& checked, const QString& rangeName);

// A document to open and the anchor to open it at.
struct TDocumentTarget {
    QString Path;
    QString Anchor;
    friend bool operator==(const TDocumentTarget&, const TDocumentTarget&) = default;
};
// The catalogue page of a result, in `catalogDir` (ending in "/"): the
// record's own page when it names one that exists; for a record without a
// page, the page named after the model's prefix (lower case, digits removed,
// "abc.htm" for "ABC12-600") when it exists; else index.htm at
// "noise_control".
TDocumentTarget DetailPageFor(const TSelectionRec& rec, const QString& catalogDir);

// `relative` below `dir` ("\" read as "/"), each step matched without regard
// to letter case when the exact name is not there; empty when nothing
// matches.
QString FindDataFile(const QString& dir, const QString& relative);
