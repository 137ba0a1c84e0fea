#pragma once

#include "SilencerRecords.h"
#include "TxTypes.h"
#include "TxXMLFiles.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <memory>
#include <utility>
#include <vector>

// One ancillary line of an item: what it is, how many per silencer, the unit
// price and their product at the price shown (kept by
// TProjectItem::CalcAncillaryTotal).
struct TAncillRec {
    QString Name;
    int Qty = 0;
    double Price = 0;
    double Total = 0;
    bool operator==(const TAncillRec&) const = default;
};

using TAncillArray = std::vector<TAncillRec>;

// What one project may hold: far beyond any real quotation, and no more than
// the project window shows within a couple of seconds. Open refuses a file
// beyond them, Save a project beyond them, and the window takes no more.
inline constexpr int MaxProjectItems = 5000;
// Lines of all items together. What they cost is the quotation's: it builds
// the matrix of priced names (a copy of each name as a key, another as a row
// label) before it can count the rows its pages would write, so the longest
// names at this bound come to some 150 MB, counted and refused there. It is
// every item at its bound with the five built-in ancillaries, or 450 items
// each with a list of 55.
inline constexpr int MaxProjectAncillaries = 25000;
// Lines of one item, which the ancillaries page shows at once: more than any
// list of defaults, and shown in a fraction of a second.
inline constexpr int MaxItemAncillaries = 1000;
// Characters of each header field, description and ancillary name.
inline constexpr int MaxProjectText = 1000;
// Characters of the notes, their lines joined by one break each.
inline constexpr int MaxProjectNotes = 100000;
// What bounds the document built from a project file: its nodes of every
// kind (elements, attributes, texts, comments), with room to spare beyond
// the largest project, and the bytes of one text (the notes, at up to three
// bytes a character).
inline constexpr int MaxProjectNodes = 1000 + MaxProjectItems * 100 + MaxProjectAncillaries * 4;
inline constexpr int MaxProjectTextBytes = 4 * MaxProjectNotes;

// Money as the project window and the documents show it: to the cent,
// halves away from zero on the decimal value (0.145 shows as 0.15). Every
// total is built from such figures, so what the client reads adds up; prices
// and quantities stay as typed. Amounts of a trillion and more are taken as
// they are.
double ShownMoney(double amount);
// The amount shown times `factor` (a quantity, a VAT rate), to the cent.
double MoneyTimes(double amount, double factor);

// Settings every new project and item starts from, read once at start-up.
double ProjectVATRate();
const TAncillArray& DefaultAncillaries();
// Reads [VAT] Rate of the program INI file and the [Ancillaries] section of
// the ancillaries file, in file order, over the built-in values. Files that
// are missing or values that do not convert leave the built-ins; nothing is
// shown. Lines beyond what an item holds are left out and names cut to fit;
// what was cut is said in the text returned (empty when nothing was).
QString InitProjectSettings(const QString& programIniFile, const QString& ancillariesFile);

// One silencer line of a quotation. Its totals are figures as shown, built
// from the prices shown; the prices themselves stay as typed.
class TProjectItem {
public:
    // Every field zero or empty (the start of reading one from a file).
    TProjectItem();
    // A new line for a selection: quantity 1, price 0, the default ancillaries.
    TProjectItem(const TSpecificationRec& spec, const TSelectionRec& sel);

    // Reads one item element; raises EConvertError for band text that is not
    // a list of numbers and for a price that is not a finite number.
    static std::unique_ptr<TProjectItem> CreateFromXML(TXMLFile& xml, TXmlNode node);
    void WriteXML(TXMLFile& xml, TXmlNode node) const;

    // Appends a line with Total 0; the caller recomputes the totals.
    void AddAncillary(const QString& name, int qty, double price);
    // Removes a line (an index outside the list does nothing) and recomputes
    // the ancillary total.
    void DeleteAncillary(int index);
    void CalcAncillaryTotal();
    void CalcTotal();
    // Qty silencers at the price shown, and Qty times the ancillary total:
    // together the item's Total.
    double PriceTotal() const;
    double QtyAncillaryTotal() const;

    TSpecificationRec Spec;
    TSelectionRec Sel;
    QString Description;
    int Qty = 0;
    double Price = 0;
    TAncillArray Ancillaries;
    double AncillaryTotal = 0;
    double Total = 0;
};

// The ancillary block of the quotation: one row per priced ancillary name
// (first spelling met), one column per item. Only the priced cells are held;
// every other cell is "-".
class TAncillaryMatrix {
public:
    const QStringList& Names() const { return FNames; }
    // "%d X R%0.2f" of the item's last priced line of that row's name, or "-".
    QString Cell(int row, int item) const;
    // The priced cells of an item: row and text, one per row.
    const std::vector<std::pair<int, QString>>& ItemCells(int item) const
    {
        return FCells.at(static_cast<size_t>(item));
    }

private:
    friend class TProject;
    QStringList FNames;
    std::vector<std::vector<std::pair<int, QString>>> FCells;
};

// A quotation: header, items in order, totals.
class TProject {
public:
    TProject();
    TProject(const TProject&) = delete;
    TProject& operator=(const TProject&) = delete;

    // Empties the header, notes back to the three default lines, no items;
    // the VAT rate stays.
    void New();
    void ClearItems();
    // A new item for the selection at `index`; any index outside the items
    // (-1 included) appends.
    void InsertItem(const TSpecificationRec& spec, const TSelectionRec& sel, int index);
    void DeleteItem(int index);
    // Takes the item out of `fromIndex` and puts it at `toIndex` of the
    // shortened list. Indexes outside the items do nothing.
    void MoveItem(int fromIndex, int toIndex);
    void DeleteItemAncillary(int itemIndex, int ancillaryIndex);
    // SubTotal: the items' totals; VAT: the sum of each item's VAT to the
    // cent; Total: their sum.
    void CalcTotals();
    double ItemVAT(const TProjectItem& item) const;
    // Whether every total stays a finite number once item `index` holds
    // `qty` and `price`.
    bool ItemFits(int index, int qty, double price) const;
    // The same for ancillary line `line` of item `itemIndex` (the line count
    // for a line still to be added).
    bool AncillaryFits(int itemIndex, int line, int qty, double price) const;
    // The ancillary block of the quotation, in time and memory in proportion
    // to the items and their lines.
    void GetAncillaryMatrix(TAncillaryMatrix& matrix) const;
    // Why the project holds more than the bounds above allow; empty when it
    // does not.
    QString BeyondBounds() const;
    // The ancillary lines of all items.
    int AncillaryCount() const;
    // Why no item can be added (too many items, or no room for the default
    // ancillaries a new one takes); empty when one can.
    QString NewItemRefusal() const;
    // Why item `itemIndex` can take no further ancillary line; empty when it
    // can.
    QString NewAncillaryRefusal(int itemIndex) const;

    int ItemCount() const { return static_cast<int>(Items.size()); }
    TProjectItem& Item(int index) { return *Items.at(static_cast<size_t>(index)); }
    const TProjectItem& Item(int index) const { return *Items.at(static_cast<size_t>(index)); }

    // Writes the project file; on failure says "Error writing file <name>"
    // and why, leaves an existing file as it was and returns false. A project
    // Open would not read again (too large, beyond the bounds) is refused
    // before anything is written.
    bool SaveToFile(const QString& fileName);
    // Reads a project file into this project; on failure (a total that is
    // no finite number, a project beyond the bounds among them) says why,
    // leaves the project as it was and returns false.
    bool LoadFromFile(const QString& fileName);

    QString ProjectName;
    QString QuoteNo;
    QString Revision;
    QString Attention;
    QString Contractor;
    QDateTime Date;
    QStringList Notes;
    std::vector<std::unique_ptr<TProjectItem>> Items;
    double SubTotal = 0;
    double VAT = 0;
    double Total = 0;
    double VATRate = 0;

private:
    void ReadFrom(TXMLFile& xml, TXmlNode root);
    // Sub total and VAT with item `index` counted at `itemTotal`.
    void SumTotals(int index, double itemTotal, double& subTotal, double& vat) const;
    bool TotalsFit(int index, double itemTotal) const;
};

// The project file's date text "dd MM yyyy", and its reading: three whole
// numbers by the one number rule, day, month and year. Text that holds no
// such numbers gives an invalid date; numbers that make no date (a fraction,
// 31 02) raise EConvertError with the reason.
QString ProjectDateToStr(const QDateTime& date);
QDate StrToProjectDate(const QString& text);
