#include "SilencerSearch.h"

#include "TxFileRead.h"
#include "TxFormat.h"
#include "TxString.h"
#include "TxUnitsCtrl.h"
#include "UnitsManager.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <string>

namespace {

const QString kHead = QStringLiteral("head");
const QString kSize = QStringLiteral("size");
const QString kLength = QStringLiteral("length");
const QString kHeight = QStringLiteral("height");
const QString kWidth = QStringLiteral("width");
const QString kDiameter = QStringLiteral("diameter");
const QString kPod = QStringLiteral("pod");
const QString kGap = QStringLiteral("gap");
const QString kMaxModules = QStringLiteral("maxmodules");
const QString kShape = QStringLiteral("shape");
const QString kKind = QStringLiteral("kind");
const QString kKFactor = QStringLiteral("kfactor");
const QString kPrefix = QStringLiteral("prefix");
const QString kDescription = QStringLiteral("description");
const QString kImg = QStringLiteral("img");
const QString kAlt = QStringLiteral("alt");
const QString kSrc = QStringLiteral("src");
const QString kPhoto = QStringLiteral("photo");
const QString kGa = QStringLiteral("ga");
const QString kPage = QStringLiteral("page");
const QString kHref = QStringLiteral("href");
const QString kBody = QStringLiteral("body");
const QString kName = QStringLiteral("name");

// a is not above b by more than the size tolerance (millimetres).
bool AtMostMm(double a, double b)
{
    return a <= b + SizeToleranceMm;
}

// lo <= required <= hi, all in metres, compared as millimetres.
bool WithinMm(double lo, double required, double hi)
{
    return AtMostMm(lo * 1000.0, required * 1000.0) && AtMostMm(required * 1000.0, hi * 1000.0);
}

// The body's value in a named size column (mm).
double ColumnValue(int index, const TDoubleDynArray& sizes, const QString& what)
{
    if (index < 0 || index >= static_cast<int>(sizes.size()))
        throw EBodyError(QStringLiteral("no %1 in the size list").arg(what));
    return sizes[static_cast<size_t>(index)];
}

int ColumnIndex(const QString& name, const QStringList& columns)
{
    return name.isEmpty() ? -1 : IndexOfText(name, columns);
}

// A catalogue value that only makes sense above 0.
double Positive(double value, const QString& what)
{
    if (!(value > 0.0))
        throw EBodyError(QStringLiteral("the %1 must be above 0").arg(what));
    return value;
}

double CheckedQuotient(double num, double den)
{
    if (den == 0.0 || !std::isfinite(num) || !std::isfinite(den))
        throw EBodyError(QStringLiteral("division by zero"));
    return num / den;
}

// Readers straight on the document's bytes, for the values every body has.
// They give what the XML reader gives and hand anything unusual (quotes,
// non-ASCII text, long lists) to it.

// The first element child named exactly `name`.
TXmlNode Child(TXmlNode parent, const char* name)
{
    for (TXmlNode c = parent.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element && std::strcmp(c.name(), name) == 0)
            return c;
    return {};
}

// The element's text: "" for an empty element, null when it is missing or
// holds anything but one text node (the reader's default applies).
const char* TextOf(TXmlNode element)
{
    if (!element)
        return nullptr;
    const TXmlNode first = element.first_child();
    if (!first)
        return "";
    if (first.next_sibling() || (first.type() != pugi::node_pcdata && first.type() != pugi::node_cdata))
        return nullptr;
    return first.value();
}

// The first `size`, `sil` and `kfactor` elements of a body, in one pass.
struct TBodyNodes {
    TXmlNode Size;
    TXmlNode Sil;
    TXmlNode KFactor;

    explicit TBodyNodes(TXmlNode body)
    {
        for (TXmlNode c = body.first_child(); c; c = c.next_sibling()) {
            if (c.type() != pugi::node_element)
                continue;
            const char* n = c.name();
            if (n[0] == 's') {
                if (!Size && n[1] == 'i' && n[2] == 'z' && n[3] == 'e' && n[4] == 0)
                    Size = c;
                else if (!Sil && n[1] == 'i' && n[2] == 'l' && n[3] == 0)
                    Sil = c;
            } else if (n[0] == 'k' && !KFactor && std::strcmp(n, "kfactor") == 0) {
                KFactor = c;
            }
        }
    }
};

bool IsBlankByte(char c)
{
    return c >= 1 && c <= 32;
}

enum class TScan { Number, Invalid, General };

// Reads one list item from `p` up to the next comma or blank (blanks other
// than the space too when `spaceIsBlank`; spaces are skipped otherwise, as
// the reader removes them first), by the program's one number reader. A quote
// makes the whole text one for the general reader.
TScan ScanItem(const char*& p, const char* end, bool spaceIsBlank, double& value)
{
    const char* start = p;
    bool spaces = false;
    for (; p != end; ++p) {
        const char c = *p;
        if (c == ',' || (c >= 1 && c < 32) || (c == ' ' && spaceIsBlank))
            break;
        if (c == '"')
            return TScan::General;
        spaces = spaces || c == ' ';
    }
    if (!spaces)
        return TryAsciiToFloat(start, p, value) ? TScan::Number : TScan::Invalid;
    std::string item;
    item.reserve(static_cast<size_t>(p - start));
    for (const char* q = start; q != p; ++q)
        if (*q != ' ')
            item.push_back(*q);
    return TryAsciiToFloat(item.data(), item.data() + item.size(), value) ? TScan::Number : TScan::Invalid;
}

} // namespace

// The number list of `element`, the child `qname` of `parent`, as
// TXMLFile::GetFloatList reads it: spaces removed, one trailing comma
// dropped, items between commas; one bad item empties the list. Quoted
// items go to the XML reader, which knows every form of comma text.
void ReadFloatList(TXMLFile& xml, TXmlNode parent, TXmlNode element, const QString& qname, TDoubleDynArray& list)
{
    list.clear();
    const char* text = TextOf(element);
    if (!text)
        return;
    const char* end = text + std::strlen(text);
    // Where the last non-space character is a comma, that comma is dropped.
    const char* last = end;
    while (last != text && last[-1] == ' ')
        --last;
    if (last != text && last[-1] == ',')
        end = last - 1;
    const char* p = text;
    auto skipBlanks = [&] {
        while (p != end && IsBlankByte(*p))
            ++p;
    };
    skipBlanks();
    while (p != end) {
        double v = 0.0;
        switch (ScanItem(p, end, false, v)) {
        case TScan::Number:
            list.push_back(v);
            break;
        case TScan::Invalid:
            list.clear();
            return;
        case TScan::General:
            list.clear();
            xml.GetFloatList(parent, qname, list);
            return;
        }
        skipBlanks();
        if (p != end && *p == ',') {
            ++p;
            // Spaces count as removed: a comma they alone follow ends the text.
            const char* q = p;
            while (q != end && *q == ' ')
                ++q;
            if (q == end) {
                list.clear(); // an empty last item
                return;
            }
            skipBlanks();
        }
    }
}

// The element's bands, as StrToOctave reads its text: items between commas
// or blanks, the first eight converted (a bad one raises), missing bands 0.
TOctave ReadOctave(TXmlNode element)
{
    TOctave bands{};
    const char* text = TextOf(element);
    if (!text)
        return bands;
    const char* end = text + std::strlen(text);
    const char* p = text;
    auto skipBlanks = [&] {
        while (p != end && IsBlankByte(*p))
            ++p;
    };
    auto bad = [&] {
        return EConvertError(QStringLiteral("'%1' is not a valid band value").arg(QString::fromUtf8(text)));
    };
    skipBlanks();
    int count = 0;
    while (p != end && count < OctaveBands) {
        double v = 0.0;
        switch (ScanItem(p, end, true, v)) {
        case TScan::Number:
            bands[static_cast<size_t>(count++)] = v;
            break;
        case TScan::Invalid:
            throw bad();
        case TScan::General:
            StrToOctave(QString::fromUtf8(text), bands);
            return bands;
        }
        skipBlanks();
        if (p != end && *p == ',') {
            ++p;
            if (p == end && count < OctaveBands)
                throw bad(); // an empty last item
            skipBlanks();
        }
    }
    return bands;
}

namespace {

// The element's number between blanks; false when it holds anything else.
bool TryReadFloat(TXmlNode element, double& value)
{
    const char* text = TextOf(element);
    if (!text)
        return false;
    const char* end = text + std::strlen(text);
    while (text != end && IsBlankByte(*text))
        ++text;
    while (end != text && IsBlankByte(end[-1]))
        --end;
    return TryAsciiToFloat(text, end, value);
}

} // namespace

double ReadBodyFloat(TXmlNode element, double def)
{
    if (!element)
        return def;
    double v = 0.0;
    if (!TryReadFloat(element, v))
        throw EBodyError(QStringLiteral("'%1' is not a number").arg(QString::fromUtf8(element.child_value())));
    return v;
}

namespace {

enum class TShapeClass { Round, Rectangular, Unknown };

// What the search reads of a range once, before its bodies.
struct TRangeInfo {
    TShapeClass Shape = TShapeClass::Unknown;
    bool Annular = false;
    bool Fixed = false;
    QStringList Columns;
    int LengthIndex = -1;
    int DiameterIndex = -1;
    int PodIndex = -1;
    int HeightIndex = -1;
    int WidthIndex = -1;
    int ModulesIndex = -1;
    int GapIndex = -1;
    TDoubleDynArray Lengths;
    TDoubleDynArray Heights;
    TDoubleDynArray Widths;
    double KRange = 1.0;
    bool KRangeBad = false; // not a number, or not above 0
    QString Prefix;
    QString Description;
    QString Photo;
    QString Ga;
    QString Page;
};

} // namespace

double PickSize(int columnIndex, const TDoubleDynArray& sizes, const TDoubleDynArray& headList, double required)
{
    if (columnIndex != -1)
        return 0.001 * ColumnValue(columnIndex, sizes, QStringLiteral("size column"));
    if (headList.empty())
        throw EBodyError(QStringLiteral("no size offered"));
    if (!(required > 0))
        return 0.001 * headList.front();
    size_t i = headList.size();
    while (i-- > 0)
        if (AtMostMm(headList[i], required * 1000.0))
            return 0.001 * headList[i];
    return 0.001 * headList.front();
}

int IndexOfFirstAtLeast(const TDoubleDynArray& list, double value)
{
    for (size_t i = 0; i < list.size(); ++i)
        if (AtMostMm(value, list[i]))
            return static_cast<int>(i);
    return static_cast<int>(list.size()) - 1;
}

int ImpossibleDutyInput(const TSpecificationRec& spec)
{
    auto above0 = [](double v) { return v > 0.0 && std::isfinite(v); };
    auto atLeast0 = [](double v) { return v >= 0.0 && std::isfinite(v); };
    if (!above0(spec.airflow))
        return diAirflow;
    if (!above0(spec.maxdP))
        return diMaxDP;
    if (!atLeast0(spec.width))
        return diWidth;
    if (!atLeast0(spec.height))
        return diHeight;
    if (!atLeast0(spec.diameter))
        return diDiameter;
    for (int i = 0; i < OctaveBands; ++i)
        if (!atLeast0(spec.atten[static_cast<size_t>(i)]))
            return diBand + i;
    return -1;
}

QString ImpossibleDutyMessage(int input, const QString& shown)
{
    static const char* const bands[OctaveBands] = {"63 Hz", "125 Hz", "250 Hz", "500 Hz",
                                                   "1 kHz", "2 kHz",  "4 kHz",  "8 kHz"};
    switch (input) {
    case diAirflow:
        return Format("Airflow must be greater than 0, not %s.", shown);
    case diMaxDP:
        return Format("Max DP must be greater than 0, not %s.", shown);
    case diWidth:
        return Format("Width must be 0 (no size requirement) or more, not %s.", shown);
    case diHeight:
        return Format("Height must be 0 (no size requirement) or more, not %s.", shown);
    case diDiameter:
        return Format("Diameter must be 0 (no size requirement) or more, not %s.", shown);
    default:
        return Format("Attenuation at %s must be 0 dB or more, not %s.",
                      bands[std::clamp(input - diBand, 0, OctaveBands - 1)], shown);
    }
}

TSilencerSearch::TSilencerSearch(IMessageService& messages) : FMessages(messages), FCatalog(messages)
{
    // The search wants the checker's verdicts, not its model of the bodies.
    FCatalog.ReadBodies = false;
}

void TSilencerSearch::Run(const TSpecificationRec& spec, const QStringList& rangeFiles,
                          std::vector<TSelectionRec>& results)
{
    for (const QString& fileName : rangeFiles)
        SearchRange(spec, fileName, results);
}

void TSilencerSearch::SearchRange(const TSpecificationRec& spec, const QString& fileName,
                                  std::vector<TSelectionRec>& results)
{
    // One open and one read per range: the checker is handed the parsed
    // document, and the file is known to exist once it has been read.
    QByteArray bytes;
    QString error;
    if (!ReadWholeFile(fileName, bytes, error))
        throw EXMLError(error);
    FXml.LoadFromBytes(bytes);
    if (FXml.ReadStatus() == xrsInvalidFormat)
        throw EXMLError(Format("%s: %s", fileName, FXml.ErrorText()));

    // The checker's verdicts are messages only: the range is searched anyway.
    FCatalog.LoadFromDocument(FXml, fileName);

    TXMLFile& xml = FXml;
    const TXmlNode root = xml.DocumentElement();
    const TXmlNode head = xml.FindChild(root, kHead);
    const TXmlNode size = xml.FindChild(head, kSize);

    TRangeInfo r;
    const QString shape = xml.GetAttr(size, kShape);
    xml.GetTextList(head, kSize, true, r.Columns);
    r.LengthIndex = ColumnIndex(xml.GetAttr(size, kLength), r.Columns);
    xml.GetFloatList(head, kLength, r.Lengths);
    if (SameText(shape, QStringLiteral("circular")) || SameText(shape, QStringLiteral("annular"))) {
        r.Shape = TShapeClass::Round;
        r.Annular = SameText(shape, QStringLiteral("annular"));
        r.Fixed = SameText(xml.GetAttr(size, kKind, QStringLiteral("fixed")), QStringLiteral("fixed"));
        r.DiameterIndex = ColumnIndex(xml.GetAttr(size, kDiameter), r.Columns);
        if (r.Annular)
            r.PodIndex = ColumnIndex(xml.GetAttr(size, kPod), r.Columns);
    } else if (SameText(shape, QStringLiteral("rectangular"))) {
        r.Shape = TShapeClass::Rectangular;
        r.Fixed = SameText(xml.GetAttr(size, kKind, QStringLiteral("variable")), QStringLiteral("fixed"));
        r.HeightIndex = ColumnIndex(xml.GetAttr(size, kHeight), r.Columns);
        r.WidthIndex = ColumnIndex(xml.GetAttr(size, kWidth), r.Columns);
        r.ModulesIndex = ColumnIndex(xml.GetAttr(size, kMaxModules), r.Columns);
        r.GapIndex = ColumnIndex(xml.GetAttr(size, kGap), r.Columns);
        xml.GetFloatList(head, kHeight, r.Heights);
        xml.GetFloatList(head, kWidth, r.Widths);
    } else {
        // The checker has said the shape is unknown; without a shape there is
        // no size rule to apply.
        return;
    }
    r.KRange = xml.GetFloat(head, kKFactor, 1.0);
    // Missing gives the default; anything else must be a positive number.
    r.KRangeBad = xml.ReadStatus() == xrsWrongType || xml.ReadStatus() == xrsValueMissing || !(r.KRange > 0.0);
    r.Prefix = xml.GetText(head, kPrefix);
    r.Description = xml.GetText(head, kDescription);
    r.Photo = xml.GetAttrByAttr(head, kImg, kAlt, kPhoto, kSrc);
    r.Ga = xml.GetAttrByAttr(head, kImg, kAlt, kGa, kSrc);
    r.Page = xml.GetAttr(xml.FindChild(head, kPage), kHref);

    const TXmlNode body = xml.FindChild(root, kBody);
    double H = 0.0;
    double W = 0.0;
    TDoubleDynArray sizes;
    for (TXmlNode node = body.first_child(); node; node = node.next_sibling()) {
        if (node.type() != pugi::node_element)
            continue;
        try {
            const TBodyNodes parts(node);
            ReadFloatList(xml, node, parts.Size, kSize, sizes);
            int modules = 1;
            const double L = Positive(PickSize(r.LengthIndex, sizes, r.Lengths, 0.0), kLength);
            double D = 0.0;
            double area = 0.0;

            if (r.Shape == TShapeClass::Round) {
                if (r.Fixed) {
                    D = 0.001 * Positive(ColumnValue(r.DiameterIndex, sizes, kDiameter), kDiameter);
                    if (spec.diameter != 0.0 && !WithinMm(0.8 * D, spec.diameter, 1.5 * D))
                        continue;
                    if (r.Annular) {
                        const double P = 0.001 * ColumnValue(r.PodIndex, sizes, kPod);
                        if (!(P >= 0.0 && P < D))
                            throw EBodyError(QStringLiteral("the pod must be smaller than the diameter"));
                        area = std::numbers::pi / 4.0 * (D * D - P * P);
                    } else {
                        area = std::numbers::pi / 4.0 * D * D;
                    }
                } else {
                    D = spec.diameter;
                    area = std::numbers::pi * D * D / 4.0;
                }
            } else {
                if (r.Fixed) {
                    H = 0.001 * ColumnValue(r.HeightIndex, sizes, kHeight);
                    W = 0.001 * ColumnValue(r.WidthIndex, sizes, kWidth);
                } else {
                    H = PickSize(r.HeightIndex, sizes, r.Heights, spec.height);
                    W = PickSize(r.WidthIndex, sizes, r.Widths, spec.width);
                }
                Positive(H, kHeight);
                Positive(W, kWidth);
                const bool sizeTestFirst = r.Fixed;
                auto sizeTests = [&] {
                    return (spec.height == 0.0 || WithinMm(0.8 * H, spec.height, 1.5 * H)) &&
                           (spec.width == 0.0 || WithinMm(0.5 * W, spec.width, 2.0 * W));
                };
                if (sizeTestFirst && !sizeTests())
                    continue;
                auto gapRatio = [&] {
                    const double gap = ColumnValue(r.GapIndex, sizes, kGap);
                    const double width = ColumnValue(r.WidthIndex, sizes, kWidth);
                    if (!(gap < width))
                        throw EBodyError(QStringLiteral("the gap must be smaller than the width"));
                    return CheckedQuotient(gap, width);
                };
                if (r.Fixed) {
                    area = H * W * gapRatio();
                } else if (r.ModulesIndex != -1) {
                    const double moduleMm = ColumnValue(r.WidthIndex, sizes, kWidth);
                    // As many modules as fit the width, with the size tolerance.
                    const double wanted = CheckedQuotient(spec.width * 1000.0 + SizeToleranceMm, moduleMm);
                    modules = static_cast<int>(std::clamp(std::trunc(wanted), -1e9, 1e9));
                    if (modules < 1)
                        modules = 1;
                    const double limit = std::trunc(ColumnValue(r.ModulesIndex, sizes, kMaxModules));
                    if (modules > limit)
                        modules = static_cast<int>(std::max(limit, -1e9));
                    W = modules * 0.001 * moduleMm;
                    area = H * W * gapRatio();
                } else {
                    area = H * W;
                }
                if (!sizeTestFirst && !sizeTests())
                    continue;
            }

            const TOctave sil = ReadOctave(parts.Sil);
            if (!OctaveMeetsAll(sil, spec.atten))
                continue;

            double bodyK = 1.0;
            const TXmlNode kNode = parts.KFactor;
            const QString param = kNode ? QString::fromUtf8(kNode.attribute("param").value()) : QString();
            if (!param.isEmpty()) {
                if (r.Shape != TShapeClass::Rectangular)
                    throw EBodyError(QStringLiteral("a K-factor by size needs a rectangular range"));
                TDoubleDynArray factors;
                ReadFloatList(xml, node, kNode, kKFactor, factors);
                int index = -1;
                if (SameText(param, kHeight))
                    index = IndexOfFirstAtLeast(r.Heights, 1000.0 * H);
                else if (SameText(param, kWidth))
                    index = IndexOfFirstAtLeast(r.Widths, 1000.0 * W);
                else if (SameText(param, kDiameter))
                    index =
                        H < W ? IndexOfFirstAtLeast(r.Heights, 1000.0 * H) : IndexOfFirstAtLeast(r.Widths, 1000.0 * W);
                else
                    throw EBodyError(QStringLiteral("unknown K-factor parameter"));
                if (index < 0 || index >= static_cast<int>(factors.size()))
                    throw EBodyError(QStringLiteral("K-factor list too short"));
                bodyK = factors[static_cast<size_t>(index)];
            } else {
                bodyK = ReadBodyFloat(kNode, 1.0);
            }
            Positive(bodyK, kKFactor);
            if (r.KRangeBad)
                throw EBodyError(QStringLiteral("the range's K-factor is no positive number"));

            if (!(area > 0.0) || !std::isfinite(area))
                throw EBodyError(QStringLiteral("no passage area"));
            const double v = spec.airflow / area;
            const double dp = v * v * r.KRange * bodyK * 0.5 * 1.2;
            if (!std::isfinite(v) || !std::isfinite(dp))
                throw EBodyError(QStringLiteral("invalid velocity or pressure drop"));
            if (dp > spec.maxdP)
                continue;
            const double total = OctaveTotal(sil);
            if (!std::isfinite(total))
                throw EBodyError(QStringLiteral("attenuation total out of range"));

            const bool rect = r.Shape == TShapeClass::Rectangular;
            const QString name = xml.GetText(node, kName);
            TSelectionRec rec;
            rec.prefix = r.Prefix;
            rec.model = name.isEmpty() ? r.Prefix : r.Prefix + QLatin1Char('-') + name;
            rec.size = JoinWithComma(r.Columns) + QLatin1Char('=') + JoinFloats(sizes, QStringLiteral("%0.0f"));
            rec.rangedesc = r.Description;
            rec.shape = rect ? 1 : 0;
            rec.widdiam = rect ? W : D;
            rec.nmodules = modules;
            rec.height = rect ? H : 0.0;
            rec.length = L;
            rec.weight = ReadBodyFloat(Child(node, "weight"), 0.0);
            rec.atten = sil;
            rec.db = total;
            rec.dp = dp;
            rec.vp = v;
            try {
                RegenSpectrum(modules, rec.regen, rect ? H : D, v);
            } catch (const Exception&) {
                rec.regen = ZeroOctave;
            }
            const QString ownPhoto = xml.GetAttrByAttr(node, kImg, kAlt, kPhoto, kSrc);
            const QString ownGa = xml.GetAttrByAttr(node, kImg, kAlt, kGa, kSrc);
            rec.photo = ownPhoto.isEmpty() ? r.Photo : ownPhoto;
            rec.ga = ownGa.isEmpty() ? r.Ga : ownGa;
            rec.page = r.Page;
            results.push_back(rec);
        } catch (const Exception&) {
            FMessages.ShowMessage(QStringLiteral("error processing ") + xml.GetText(node, kName));
        }
    }
}

QStringList ResultColumnTexts(const TSelectionRec& rec)
{
    return {rec.model.Text(),
            DimensionUnits->FormatValue(0, rec.widdiam),
            DimensionUnits->FormatValue(0, rec.height),
            DimensionUnits->FormatValue(0, rec.length),
            OctaveToStr(rec.atten, QStringLiteral("%0.0f")),
            Format("%0.0f", rec.db),
            PressureUnits->FormatValue(0, rec.dp),
            VelocityUnits->FormatValue(0, rec.vp)};
}

void TResultSort::ColumnClick(int column)
{
    if (column < 0 || column >= ResultColumnCount)
        return;
    SortColumn = column;
    SortDirection[static_cast<size_t>(column)] = -SortDirection[static_cast<size_t>(column)];
}

namespace {

double SortKey(const TSelectionRec& rec, int column)
{
    switch (column) {
    case 1:
        return rec.widdiam;
    case 2:
        return rec.height;
    case 3:
        return rec.length;
    case 4:
    case 5:
        return rec.db;
    case 6:
        return rec.dp;
    default:
        return rec.vp;
    }
}

} // namespace

bool ResultLess(const TSelectionRec& a, const TSelectionRec& b, const TResultSort& sort)
{
    const int column = std::clamp(sort.SortColumn, 0, ResultColumnCount - 1);
    const bool ascending = sort.SortDirection[static_cast<size_t>(column)] >= 0;
    if (column == 0) {
        // Character codes, case-sensitive.
        const int c = QString::compare(a.model.Text(), b.model.Text(), Qt::CaseSensitive);
        return ascending ? c < 0 : c > 0;
    }
    const double x = SortKey(a, column);
    const double y = SortKey(b, column);
    return ascending ? x < y : y < x;
}

void SortResultIndices(const std::vector<TSelectionRec>& records, std::vector<int>& order, const TResultSort& sort)
{
    std::stable_sort(order.begin(), order.end(), [&](int i, int j) {
        return ResultLess(records[static_cast<size_t>(i)], records[static_cast<size_t>(j)], sort);
    });
}
