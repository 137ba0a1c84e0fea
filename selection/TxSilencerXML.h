#pragma once

#include "TxPlatform.h"
#include "TxTypes.h"
#include "TxXMLFiles.h"

#include <QString>

#include <cstdint>
#include <vector>

// The identifier every catalogue file must carry as its head code; the
// start-up hands it to SetAppCode.
inline constexpr char AppIdentifier[] = "{3A7E91C4-58D2-4B6F-A0E3-7C19D54B28F6}";

void SetAppCode(const QString& code);
const QString& AppCode();

// The list's entry at `index`, 0 when the index lies outside it.
double ValueAt(int index, const TDoubleDynArray& list);

// Shape and kind of a range in one code.
enum TSilencerType : std::uint8_t {
    stCircularFixed = 0,
    stCircularVariable = 1,
    stAnnularFixed = 2,
    stAnnularVariable = 3,
    stRectangularFixed = 4,
    stRectangularVariable = 5,
};

struct TSilMedia {
    QString MediaKind;
    double Media = 0.0;
};

struct TSilImage {
    QString src;
    QString alt;
};

struct TSilRef {
    QString href;
};

struct TAncillary {
    QString Name;
    double Weight = 0.0;
};

class TSilencerCatalog;

// One silencer body; dimensions in millimetres, 0 when the range has no
// column for them.
struct TSilencerItem {
    const TSilencerCatalog* Owner = nullptr;
    QString Name;
    double Length = 0.0;
    double Width = 0.0;
    double Height = 0.0;
    double Diameter = 0.0;
    double Gap = 0.0;
    double Pod = 0.0;
    TDoubleDynArray Sil;
    TDoubleDynArray Size;
    double Weight = 0.0;
    double KFactor = 1.0;
    std::vector<TAncillary> Ancillaries;
};

// Loads one catalogue file into a model and reports what makes it unfit for
// the program: a wrong head code, an unknown size kind or shape. Files that
// are no silencer range are passed over in silence.
class TSilencerCatalog {
public:
    // Messages go to the program's current message service.
    TSilencerCatalog();
    explicit TSilencerCatalog(IMessageService& messages);
    TSilencerCatalog(const TSilencerCatalog&) = delete;
    TSilencerCatalog& operator=(const TSilencerCatalog&) = delete;

    // Raises EXMLError with the parser's reason when the file is no XML.
    void LoadFromFile(const QString& fileName);
    // The same check on a document the caller has already read from the file.
    void LoadFromFile(const QString& fileName, TXMLFile& parsed);
    // The checks on a parsed document alone; the file name is only for the
    // messages.
    void LoadFromDocument(TXMLFile& xml, const QString& fileName);

    QString Title;
    QString Maker;
    QString Description;
    QString Usage;
    QString Prefix;
    QString Shape;
    QString Kind;
    QString Code;
    TStringDynArray SizeColumns;

    QString LengthColumn;
    QString WidthColumn;
    QString HeightColumn;
    QString DiameterColumn;
    QString GapColumn;
    QString PodColumn;
    int LengthIndex = -1;
    int WidthIndex = -1;
    int HeightIndex = -1;
    int DiameterIndex = -1;
    int GapIndex = -1;
    int PodIndex = -1;

    std::uint8_t SilencerType = stCircularFixed;
    QString WeightEqn;
    TDoubleDynArray Weights;
    TDoubleDynArray Heights;
    TSilMedia Media;
    double KFactor = 1.0;
    std::vector<TSilImage> Images;
    std::vector<TSilRef> Refs;
    // The bodies are read into Items only when set; the checks do not need
    // them, so a caller that wants the verdicts alone clears it.
    bool ReadBodies = true;
    int ItemCount = 0;
    std::vector<TSilencerItem> Items;

private:
    IMessageService& Msg() const;
    bool CheckFileExists(const QString& fileName);
    void ResetColumns();
    int ColumnIndex(const QString& name) const;
    void ReadShape(TXMLFile& xml, TXmlNode head, TXmlNode size);
    void ReadItems(TXMLFile& xml, TXmlNode body);

    IMessageService* FMessages = nullptr;
};
