#pragma once

#include "TxFormat.h"
#include "TxIniFile.h"
#include "TxPlacement.h"

#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <array>
#include <vector>

// The main window's settings files: its own sections of the program INI file
// and the saved selection. The window gathers what its controls hold into
// these plain values and applies what is read, in the order the reads give.

// The selection: the duty in base units, the shape boxes, the band row and
// the ticked ranges.
struct TSelectionValues {
    double Flow = 0.0;     // m³/s
    double MaxDP = 0.0;    // Pa
    double Height = 0.0;   // m
    double Width = 0.0;    // m
    double Diameter = 0.0; // m
    bool Rect = true;
    bool Circ = true;
    QString Required; // the band row's comma text
    QString Checked;  // ticked range names, each followed by ", "
};

// Reads the sections "air", "duct", "atten" and "ranges"; each value
// defaults to the one `values` holds, "checked" to the empty text, and each
// band of "required" that is no number to its band in `values`.
void ReadSelection(const TCustomIniFile& ini, TSelectionValues& values);
// Erases the four sections, so no stale key survives, and writes them anew;
// "checked" is built from `tickedRanges` in list order. A band row that is
// not all numbers raises EConvertError, as a search does, before the file is
// touched.
void WriteSelection(TCustomIniFile& ini, const TSelectionValues& values, const QStringList& tickedRanges);
// The band cells' rule: a whole number of dB that a 64-bit integer holds,
// stored as the cells' "%d" writes it. `typed` reads `text` as an entry typed
// into a cell (blanks and stray minus signs dropped, no text is 0);
// otherwise strictly, as a file value.
TEntryCheck CheckBandText(const QString& text, bool typed, QString& stored);
// The eight band cells a pasted text gives, each item by the typed rule:
// bands past the last item are 0, items past the eighth are left out. Each
// tab or line break ends one cell of comma text, as a spreadsheet copies its
// cells (the line break after the last row ends no cell). A text with no
// item, or with an item the rule refuses or an empty one, or an empty cell,
// gives why and leaves `cells` alone.
TEntryCheck PastedBandCells(const QString& text, QStringList& cells);
// The eight bands of the comma text `text` read from a file, each that is
// missing or that a band cell would refuse taken from `fallback` instead.
QString CheckedBandText(const QString& text, const QString& fallback);
// "name, " for every ticked range.
QString CheckedRangesText(const QStringList& tickedRanges);

// The window's own sections of the program INI file.
struct TFormSettings {
    QRect Placement;            // position and size of the client area
    QString ContactEmail;       // the maker's contact e-mail, kept in "Enquiry"
    QString ContactWeb;         // default of the web address
    QString EMailAddr;          // enquiry address
    QString WebAddress;         // web address
    std::vector<int> ColWidths; // result list columns
    // The result list columns the user sized, "UserSized" of "ListColWidth":
    // the indices joined by ",".
    std::vector<bool> ColSized;
};

// "Form" (defaults: the current placement; kept within `limits`), "Enquiry" and
// "ListColWidth", in this order. "coEMail" replaces ContactEmail; an empty
// or missing "eMailAddr" reads as that e-mail and an empty "WebAddress" as
// ContactWeb. A file without "UserSized" counts a column whose width is not
// the default as sized.
void ReadFormSettings(const TCustomIniFile& ini, TFormSettings& settings, const TPlacementLimits& limits);
// "Form"; "Enquiry" "eMailAddr" then "coEMail"; "ListColWidth" for every
// column. The web address is never written.
void WriteFormSettings(TCustomIniFile& ini, const TFormSettings& settings);

// Display unit indices of the airflow, maximum pressure drop, height, width
// and diameter edits, in the order of the section "EditUnits".
inline constexpr std::array<const char*, 5> EditUnitKeys{"AirFlow", "MaxDP", "Height", "Width", "Diameter"};
using TEditUnits = std::array<int, EditUnitKeys.size()>;
void ReadEditUnits(const TCustomIniFile& ini, TEditUnits& units);
void WriteEditUnits(TCustomIniFile& ini, const TEditUnits& units);

// The saved selection of a program folder: "default.ini" in it while the
// folder can be written, otherwise the user's own copy beside the program INI
// file (seeded once from the program folder's file).
QString DefaultSelectionFileName(const QString& exeDir);
