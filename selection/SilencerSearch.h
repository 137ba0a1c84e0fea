#pragma once

#include "SilencerRecords.h"
#include "TxErrors.h"
#include "TxPlatform.h"
#include "TxSilencerXML.h"
#include "TxTypes.h"
#include "TxXMLFiles.h"

#include <QString>
#include <QStringList>

#include <array>
#include <vector>

// Raised for a body whose values leave a step of the search undefined; the
// search reports it as "error processing " + the body's name.
class EBodyError : public Exception {
public:
    using Exception::Exception;
};

// Sizes within half a millimetre count as equal in every size comparison: a
// duct typed as another unit shows it comes back a fraction of a millimetre
// off (1000 mm shows as 39.37 inch, which is 999.998 mm), and products of
// metre values carry binary noise (1.5 x 0.6 m < 0.9 m). The millionth keeps
// the half millimetre itself inside in binary.
inline constexpr double SizeToleranceMm = 0.5 + 1e-6;

// A size in metres for one body: the body's own value in `columnIndex` of
// `sizes` (mm), else from the range's offered sizes `headList` (mm): the
// first when nothing is required, otherwise the largest not above
// `required` (m) by more than SizeToleranceMm, or the smallest when all are.
// Raises EBodyError when the column is not in the body's list or nothing is
// offered.
double PickSize(int columnIndex, const TDoubleDynArray& sizes, const TDoubleDynArray& headList, double required);

// The smallest index whose entry is not less than `value` (mm) by more than
// SizeToleranceMm, the last index when every entry is; -1 for an empty list.
int IndexOfFirstAtLeast(const TDoubleDynArray& list, double value);

// Readers of a body's values straight on the document's bytes, giving what
// the XML reader gives: `ReadFloatList` as TXMLFile::GetFloatList of the
// child `qname` of `parent` (whose node `element` is), `ReadOctave` as
// StrToOctave of the element's text (raising on a bad band), `ReadBodyFloat`
// as TXMLFile::GetFloat where that reads a number. Texts they do not handle
// go to the general readers.
void ReadFloatList(TXMLFile& xml, TXmlNode parent, TXmlNode element, const QString& qname, TDoubleDynArray& list);
TOctave ReadOctave(TXmlNode element);
// A body's number: `def` when the element is missing, EBodyError when it is
// there but holds no number (a catalogue slip must not pass as the default).
double ReadBodyFloat(TXmlNode element, double def);

// The inputs of a duty in the main window's order; band i is diBand + i.
enum TDutyInput : int { diAirflow, diMaxDP, diWidth, diHeight, diDiameter, diBand };

// The first duty input that no silencer can meet: an airflow or a
// pressure-drop limit not above 0, a negative size (0 means no size test), a
// negative band, or no finite number; -1 when the duty can be searched.
int ImpossibleDutyInput(const TSpecificationRec& spec);

// The refusal of that input, naming it; `shown` is its value as the user
// sees it, unit included.
QString ImpossibleDutyMessage(int input, const QString& shown);

// Finds the silencers of the given ranges that meet a duty: size, attenuation
// in every band and pressure drop. No window: the main window feeds it the
// ticked range files and lists what it finds.
class TSilencerSearch {
public:
    explicit TSilencerSearch(IMessageService& messages);
    TSilencerSearch(const TSilencerSearch&) = delete;
    TSilencerSearch& operator=(const TSilencerSearch&) = delete;

    // Searches `rangeFiles` (full paths) in order and appends one record per
    // accepted body to `results`. A body that cannot be processed is
    // reported and skipped; the checker reports unfit ranges, which are still
    // searched. A file that cannot be loaded ends the search by raising its
    // load error; what was found before stays in `results`.
    void Run(const TSpecificationRec& spec, const QStringList& rangeFiles, std::vector<TSelectionRec>& results);

    // The reader of the range files, for callers that share it.
    TXMLFile& Xml() { return FXml; }

private:
    void SearchRange(const TSpecificationRec& spec, const QString& fileName, std::vector<TSelectionRec>& results);

    IMessageService& FMessages;
    TXMLFile FXml;
    TSilencerCatalog FCatalog;
};

// The result list's columns: Model, W or D, H, L, SIL, dB, dp, Vp.
inline constexpr int ResultColumnCount = 8;

// The caption and the seven sub-item texts of a result row, formatted through
// the display quantities (which must exist).
QStringList ResultColumnTexts(const TSelectionRec& rec);

// Sort state of the result list: the column rows are sorted by and each
// column's direction (1 ascending, -1 descending).
struct TResultSort {
    int SortColumn = 0;
    std::array<int, ResultColumnCount> SortDirection{1, 1, 1, 1, 1, 1, 1, 1};

    // A header click: that column becomes the sort column and its direction
    // turns round (the first click on a column sorts descending).
    void ColumnClick(int column);
};

// Orders records by the sort column's value: the model's character codes for
// column 0, `db` for columns 4 and 5, the column's number otherwise. A strict
// weak ordering, so equal keys keep their order in a stable sort.
bool ResultLess(const TSelectionRec& a, const TSelectionRec& b, const TResultSort& sort);

// Sorts indices into `records` stably by ResultLess.
void SortResultIndices(const std::vector<TSelectionRec>& records, std::vector<int>& order, const TResultSort& sort);
