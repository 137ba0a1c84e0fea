#include "ProjectClass.h"

#include "TxErrors.h"
#include "TxFileRead.h"
#include "TxFormat.h"
#include "TxIniFile.h"
#include "TxPlatform.h"
#include "TxSaveFile.h"
#include "TxString.h"
#include "TxUnitsCtrl.h"

#include <QFileInfo>
#include <QStringConverter>
#include <QStringDecoder>

#include <algorithm>
#include <climits>
#include <cmath>
#include <exception>
#include <limits>
#include <optional>
#include <unordered_map>

namespace {

const char* const DeveloperText = "Vededudezar Software";
const char* const ManufacturerText = "DEZ Uder";
const char* const FileDescriptionText = "DEZ Uder Project File";

// Stands for each line break of the notes in the file; older files rely on it.
constexpr QChar NotesBreak(0x00BF);

TAncillArray BuiltInAncillaries()
{
    TAncillArray list;
    for (const char* name :
         {"Matching angles", "Mounting feet", "Inlet outlet cones", "Anti-vibration mounts", "Wire guard"})
        list.push_back({QString::fromLatin1(name), 0, 0, 0});
    return list;
}

struct TProjectSettings {
    double VATRate = 0.14;
    TAncillArray Ancillaries = BuiltInAncillaries();
};

TProjectSettings& Settings()
{
    static TProjectSettings settings;
    return settings;
}

QStringList DefaultNotes()
{
    return {QStringLiteral("Notes:"), QStringLiteral("Delivery:"), QStringLiteral("Validity:")};
}

// A list's text: every line followed by CR LF.
QString ListText(const QStringList& lines)
{
    QString text;
    for (const QString& line : lines)
        text += line + QStringLiteral("\r\n");
    return text;
}

// Lines of a text broken at CR LF, CR or LF; a final break adds no empty line.
QStringList TextLines(const QString& text)
{
    QStringList lines;
    QString line;
    bool pending = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            lines.append(line);
            line.clear();
            pending = false;
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
        } else {
            line += c;
            pending = true;
        }
    }
    if (pending)
        lines.append(line);
    return lines;
}

// Text that names a number the field cannot hold: one no double holds, NaN
// or an infinity, or for a whole number a fraction or one beyond its range.
// Such a number fails the load with its reason: it can only come from a
// damaged file. Other text that is no number reads as the field's default.
void RefuseImpossible(const QString& text, const QString& what, bool whole)
{
    const QString number = Trim(text);
    double x = 0;
    int i = 0;
    TEntryCheck check = CheckFloat(number, x);
    if (whole)
        check = AsWholeNumber(check, x, i);
    if (check == ecOutOfRange || check == ecNotWhole)
        throw EConvertError(QStringLiteral("'%1' is not a valid %2: %3").arg(number, what, EntryCheckText(check)));
    QString name = AsciiLower(number);
    if (name.startsWith(QLatin1Char('+')) || name.startsWith(QLatin1Char('-')))
        name.remove(0, 1);
    if (name == QLatin1String("nan") || name == QLatin1String("inf") || name == QLatin1String("infinity"))
        throw EConvertError(QStringLiteral("'%1' is not a valid %2").arg(number, what));
}

double ReadNumber(TXMLFile& xml, TXmlNode parent, const QString& name)
{
    const double value = xml.GetFloat(parent, name, 0);
    if (xml.ReadStatus() == xrsWrongType)
        RefuseImpossible(xml.GetText(parent, name), name, false);
    return value;
}

int ReadWholeNumber(TXMLFile& xml, TXmlNode parent, const QString& name, int def)
{
    const int value = xml.GetInt(parent, name, def);
    if (xml.ReadStatus() == xrsWrongType)
        RefuseImpossible(xml.GetText(parent, name), name, true);
    return value;
}

// "Name, qty, price" as an item stores it. The last two pieces are the
// numbers; everything before the comma that ends the name is the name as it
// was written, commas and blanks included.
TAncillRec ParseAncillaryText(const QString& text)
{
    TAncillRec rec;
    TStringDynArray pieces;
    SplitToArray(text, QLatin1Char(','), pieces);
    for (QString& piece : pieces)
        piece = Trim(piece);
    if (pieces.isEmpty())
        return rec;

    const QString qtyName = QStringLiteral("ancillary quantity");
    const QString priceName = QStringLiteral("ancillary price");
    const qsizetype n = pieces.size();
    // The quantity and the price are written last.
    if (n >= 3) {
        RefuseImpossible(pieces[n - 2], qtyName, true);
        RefuseImpossible(pieces[n - 1], priceName, false);
    }
    int qty = 0;
    double price = 0;
    if (n >= 3 && TryStrToInt(pieces[n - 2], qty) && TryStrToFloat(pieces[n - 1], price)) {
        const qsizetype priceComma = text.lastIndexOf(QLatin1Char(','));
        rec.Name = text.left(text.lastIndexOf(QLatin1Char(','), priceComma - 1));
        rec.Qty = qty;
        rec.Price = price;
        return rec;
    }
    rec.Name = pieces[0];
    if (n < 2)
        return rec;
    RefuseImpossible(pieces[1], qtyName, true);
    if (!TryStrToInt(pieces[1], qty))
        return rec;
    rec.Qty = qty;
    if (n < 3)
        return rec;
    RefuseImpossible(pieces[2], priceName, false);
    if (!TryStrToFloat(pieces[2], price))
        return rec;
    rec.Price = price;
    return rec;
}

QString ShapeText(uint8_t shape)
{
    return QString::fromLatin1(ShapeNames[shape == 0 ? 0 : 1]);
}

void ReadOctave(TXMLFile& xml, TXmlNode parent, const QString& name, TOctave& s)
{
    StrToOctave(xml.GetText(parent, name, QString()), s);
}

// The text of an ancillary line as an item element stores it.
QString AncillaryText(const TAncillRec& rec)
{
    return Format("%S, %d, %s", rec.Name, rec.Qty, FormatFixedExact(rec.Price, 2));
}

// At most `length` UTF-16 units, never half a surrogate pair.
QString CutText(const QString& text, int length)
{
    qsizetype n = std::min<qsizetype>(text.size(), length);
    if (n < text.size() && n > 0 && text[n - 1].isHighSurrogate())
        --n;
    return text.left(n);
}

// Why a text is longer than a project holds; empty when it is not.
QString TextBeyondBounds(const QString& what, qsizetype length)
{
    if (length <= MaxProjectText)
        return {};
    return Format("%s has %d characters; a text holds at most %d", what, int(length), MaxProjectText);
}

// Why the header holds more than a project may; empty when it does not.
QString HeaderBeyondBounds(const TProject& p)
{
    for (const auto& [what, text] :
         {std::pair{"the project name", &p.ProjectName}, std::pair{"the quote number", &p.QuoteNo},
          std::pair{"the revision", &p.Revision}, std::pair{"the attention", &p.Attention},
          std::pair{"the contractor", &p.Contractor}})
        if (QString why = TextBeyondBounds(QString::fromLatin1(what), text->size()); !why.isEmpty())
            return why;
    const qsizetype notes = p.Notes.join(QLatin1Char('\n')).size();
    if (notes > MaxProjectNotes)
        return Format("the notes have %d characters; they hold at most %d", int(notes), MaxProjectNotes);
    return {};
}

// Why item `number` (from 1) holds more than an item may; empty when it does
// not.
QString ItemBeyondBounds(const TProjectItem& item, int number)
{
    if (item.Description.size() > MaxProjectText)
        return TextBeyondBounds(Format("the description of item %d", number), item.Description.size());
    const int lines = static_cast<int>(item.Ancillaries.size());
    if (lines > MaxItemAncillaries)
        return Format("item %d has %d ancillaries; an item holds at most %d", number, lines, MaxItemAncillaries);
    for (const TAncillRec& rec : item.Ancillaries)
        if (rec.Name.size() > MaxProjectText)
            return TextBeyondBounds(Format("an ancillary name of item %d", number), rec.Name.size());
    return {};
}

QString ItemCountBeyondBounds(qsizetype count)
{
    if (count <= MaxProjectItems)
        return {};
    return Format("it holds %d items; a project holds at most %d", int(std::min<qsizetype>(count, INT_MAX)),
                  MaxProjectItems);
}

QString AncillaryCountBeyondBounds(qsizetype count)
{
    if (count <= MaxProjectAncillaries)
        return {};
    return Format("it holds %d ancillaries; a project holds at most %d", int(std::min<qsizetype>(count, INT_MAX)),
                  MaxProjectAncillaries);
}

// Counts what a project file holds from its bytes, before anything is built
// of them, and stops at the first bound passed: a file refused here costs no
// more than its bytes. What it counts is what the reader takes (the items of
// the first body, the lines of each item's first ancillaries); the bytes of a
// text and the nodes of every kind bound what the document costs. A file
// that is no well-formed XML passes on to the parser, which says so.
class TProjectFileScan {
public:
    explicit TProjectFileScan(QByteArrayView bytes) : FText(bytes) {}

    // Why the file holds more than a project may; empty when it does not.
    QString Run()
    {
        const qsizetype n = FText.size();
        qsizetype i = 0;
        while (i < n && FWhy.isEmpty()) {
            if (FText[i] != '<') {
                const qsizetype end = Find("<", i);
                Text(i, end);
                i = end;
            } else if (At(i, "<!--")) {
                i = Skip(Find("-->", i + 4), 3);
                AddNodes(1);
            } else if (At(i, "<![CDATA[")) {
                const qsizetype end = Find("]]>", i + 9);
                Text(i + 9, end);
                i = Skip(end, 3);
            } else if (At(i, "<?")) {
                i = Skip(Find("?>", i + 2), 2);
                AddNodes(1);
            } else if (At(i, "<!")) {
                i = SkipDeclaration(i + 2);
            } else if (At(i, "</")) {
                i = Skip(Find(">", i + 2), 1);
                if (FDepth > 0)
                    --FDepth;
            } else {
                i = StartTag(i + 1);
            }
        }
        return FWhy;
    }

private:
    enum TKind : uint8_t { kOther, kBody, kItem, kAncillaries };
    static constexpr int TrackedDepth = 6;

    bool At(qsizetype i, const char* what) const { return FText.sliced(i).startsWith(QByteArrayView(what)); }
    qsizetype Find(const char* what, qsizetype from) const
    {
        const qsizetype at = FText.indexOf(QByteArrayView(what), from);
        return at < 0 ? FText.size() : at;
    }
    qsizetype Skip(qsizetype at, qsizetype length) const { return std::min(at + length, FText.size()); }
    static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

    void AddNodes(qint64 count)
    {
        FNodes += count;
        if (FNodes > MaxProjectNodes && FWhy.isEmpty())
            FWhy = Format("it holds more than %d XML nodes; a project file holds at most %d", int(MaxProjectNodes),
                          int(MaxProjectNodes));
    }

    // A text, a reference counted as one byte; blanks alone make no node.
    void Text(qsizetype from, qsizetype to)
    {
        qsizetype i = from;
        while (i < to && IsBlank(FText[i]))
            ++i;
        if (i == to)
            return;
        AddNodes(1);
        qint64 bytes = 0;
        for (i = from; i < to && bytes <= MaxProjectTextBytes; ++i, ++bytes)
            if (FText[i] == '&') {
                const qsizetype semicolon = FText.indexOf(';', i);
                if (semicolon > i && semicolon < to && semicolon - i <= 16)
                    i = semicolon;
            }
        if (bytes > MaxProjectTextBytes && FWhy.isEmpty())
            FWhy = Format("it holds a text of more than %d bytes; no text of a project is that long",
                          int(MaxProjectTextBytes));
    }

    // "<!DOCTYPE ...>" with its internal subset, whose quoted texts may hold
    // brackets.
    qsizetype SkipDeclaration(qsizetype i)
    {
        int brackets = 0;
        for (; i < FText.size(); ++i) {
            const char c = FText[i];
            if (c == '"' || c == '\'') {
                const qsizetype close = FText.indexOf(c, i + 1);
                i = close < 0 ? FText.size() - 1 : close;
            } else if (c == '[') {
                ++brackets;
            } else if (c == ']') {
                --brackets;
            } else if (c == '>' && brackets <= 0) {
                return i + 1;
            }
        }
        return FText.size();
    }

    // An element's start: its name, then its attributes up to ">" or "/>".
    qsizetype StartTag(qsizetype i)
    {
        const qsizetype n = FText.size();
        const qsizetype nameStart = i;
        while (i < n && !IsBlank(FText[i]) && FText[i] != '/' && FText[i] != '>')
            ++i;
        const QByteArrayView name = FText.sliced(nameStart, i - nameStart);
        qint64 attributes = 0;
        bool empty = false;
        while (i < n) {
            const char c = FText[i];
            if (c == '>') {
                ++i;
                break;
            }
            if (c == '/') {
                empty = true;
            } else if (c == '"' || c == '\'') {
                const qsizetype close = FText.indexOf(c, i + 1);
                i = close < 0 ? n : close;
                ++attributes;
            }
            ++i;
        }
        AddNodes(1 + attributes);
        Open(name);
        if (empty && FDepth > 0)
            --FDepth;
        return i;
    }

    static bool SameName(QByteArrayView name, const char* wanted)
    {
        return name.compare(QByteArrayView(wanted), Qt::CaseInsensitive) == 0;
    }

    void Open(QByteArrayView name)
    {
        const TKind parent = FDepth >= 1 && FDepth <= TrackedDepth ? FKinds[FDepth - 1] : kOther;
        ++FDepth;
        TKind kind = kOther;
        if (FDepth == 2 && !FBodySeen && name == "body") {
            FBodySeen = true;
            kind = kBody;
        } else if (parent == kBody && SameName(name, "item")) {
            kind = kItem;
            FItemLines = 0;
            FAncillariesSeen = false;
            if (++FItems > MaxProjectItems)
                FWhy =
                    Format("it holds more than %d items; a project holds at most %d", MaxProjectItems, MaxProjectItems);
        } else if (parent == kItem && !FAncillariesSeen && name == "ancillaries") {
            FAncillariesSeen = true;
            kind = kAncillaries;
        } else if (parent == kAncillaries && SameName(name, "aitem")) {
            if (++FItemLines > MaxItemAncillaries)
                FWhy = Format("item %d has more than %d ancillaries; an item holds at most %d", int(FItems),
                              MaxItemAncillaries, MaxItemAncillaries);
            else if (++FLines > MaxProjectAncillaries)
                FWhy = Format("it holds more than %d ancillaries; a project holds at most %d", MaxProjectAncillaries,
                              MaxProjectAncillaries);
        }
        if (FDepth <= TrackedDepth)
            FKinds[FDepth - 1] = kind;
    }

    QByteArrayView FText;
    QString FWhy;
    qint64 FNodes = 0;
    qint64 FDepth = 0;
    TKind FKinds[TrackedDepth] = {};
    bool FBodySeen = false;
    bool FAncillariesSeen = false;
    qint64 FItems = 0;
    qint64 FItemLines = 0;
    qint64 FLines = 0;
};

// A file in UTF-16 or UTF-32 as UTF-8, which the scan and the parser read
// alike; any other as it is.
QByteArray AsEightBitText(const QByteArray& bytes)
{
    const QByteArrayView head = QByteArrayView(bytes).first(std::min<qsizetype>(bytes.size(), 4));
    if (!head.startsWith("\xFE\xFF") && !head.startsWith("\xFF\xFE") && !head.contains('\0'))
        return bytes;
    const std::optional<QStringConverter::Encoding> encoding = QStringConverter::encodingForData(bytes, u'<');
    if (!encoding)
        return bytes;
    QStringDecoder decode(*encoding);
    return QString(decode(bytes)).toUtf8();
}

// Below this a double holds an amount to the cent with room to spare.
constexpr double MoneyWithCents = 1e12;

bool HasCents(double amount)
{
    return std::fabs(amount) < MoneyWithCents;
}

// The sum of two figures to the cent, exactly: in whole cents.
double MoneySum(double a, double b)
{
    if (!HasCents(a) || !HasCents(b))
        return a + b;
    return (RoundDecimalProduct(a, 100) + RoundDecimalProduct(b, 100)) / 100;
}

// An item's total: its silencers and their ancillaries.
double ItemTotalOf(int qty, double price, double ancillaryTotal)
{
    return MoneySum(MoneyTimes(price, qty), MoneyTimes(ancillaryTotal, qty));
}

} // namespace

// Money ---------------------------------------------------------------------

double ShownMoney(double amount)
{
    return HasCents(amount) ? RoundDecimalProduct(amount, 100) / 100 : amount;
}

double MoneyTimes(double amount, double factor)
{
    const double shown = ShownMoney(amount);
    if (!HasCents(shown))
        return ShownMoney(shown * factor);
    return RoundDecimalProduct(RoundDecimalProduct(shown, 100), factor) / 100;
}

// Settings ------------------------------------------------------------------

double ProjectVATRate()
{
    return Settings().VATRate;
}

const TAncillArray& DefaultAncillaries()
{
    return Settings().Ancillaries;
}

QString InitProjectSettings(const QString& programIniFile, const QString& ancillariesFile)
{
    TProjectSettings& settings = Settings();
    settings.VATRate = 0.14;
    {
        TIniFile ini(programIniFile);
        settings.VATRate = ini.ReadFloat(QStringLiteral("VAT"), QStringLiteral("Rate"), settings.VATRate);
    }

    settings.Ancillaries = BuiltInAncillaries();
    if (!QFileInfo(ancillariesFile).isFile())
        return {};
    TIniFile ini(ancillariesFile);
    settings.Ancillaries.clear();
    int lines = 0;
    bool namesCut = false;
    for (const QString& line : ini.ReadSectionValues(QStringLiteral("Ancillaries"))) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        // Every new item takes the list: it must fit in one.
        if (++lines > MaxItemAncillaries)
            continue;
        TAncillRec rec;
        rec.Name = CutText(line.left(eq), MaxProjectText);
        namesCut = namesCut || rec.Name.size() < eq;
        const QString value = line.mid(eq + 1);
        int qty = 0;
        double price = 0;
        if (TryStrToInt(GetToken(1, QLatin1Char(','), value), qty)) {
            rec.Qty = qty;
            if (TryStrToFloat(GetToken(2, QLatin1Char(','), value), price))
                rec.Price = price;
        }
        settings.Ancillaries.push_back(rec);
    }
    QStringList cuts;
    if (lines > MaxItemAncillaries)
        cuts << Format("it has %d ancillaries and an item holds at most %d: the first %d are used", lines,
                       MaxItemAncillaries, MaxItemAncillaries);
    if (namesCut)
        cuts << Format("names longer than %d characters are cut", MaxProjectText);
    if (cuts.isEmpty())
        return {};
    return QStringLiteral("Default ancillaries ") + ancillariesFile + QStringLiteral(": ") +
           cuts.join(QStringLiteral("; ")) + QLatin1Char('.');
}

// Items ---------------------------------------------------------------------

TProjectItem::TProjectItem() = default;

TProjectItem::TProjectItem(const TSpecificationRec& spec, const TSelectionRec& sel)
    : Spec(spec), Sel(sel), Qty(1), Price(0), Ancillaries(DefaultAncillaries())
{
    CalcAncillaryTotal();
    CalcTotal();
}

void TProjectItem::AddAncillary(const QString& name, int qty, double price)
{
    Ancillaries.push_back({name, qty, price, 0});
}

void TProjectItem::DeleteAncillary(int index)
{
    if (index < 0 || index >= static_cast<int>(Ancillaries.size()))
        return;
    Ancillaries.erase(Ancillaries.begin() + index);
    CalcAncillaryTotal();
}

void TProjectItem::CalcAncillaryTotal()
{
    AncillaryTotal = 0;
    for (TAncillRec& rec : Ancillaries) {
        rec.Total = MoneyTimes(rec.Price, rec.Qty);
        AncillaryTotal = MoneySum(AncillaryTotal, rec.Total);
    }
}

void TProjectItem::CalcTotal()
{
    Total = ItemTotalOf(Qty, Price, AncillaryTotal);
}

double TProjectItem::PriceTotal() const
{
    return MoneyTimes(Price, Qty);
}

double TProjectItem::QtyAncillaryTotal() const
{
    return MoneyTimes(AncillaryTotal, Qty);
}

std::unique_ptr<TProjectItem> TProjectItem::CreateFromXML(TXMLFile& xml, TXmlNode node)
{
    auto item = std::make_unique<TProjectItem>();
    item->Description = xml.GetText(node, QStringLiteral("description"), QString());
    item->Qty = ReadWholeNumber(xml, node, QStringLiteral("qty"), 1);
    item->Price = ReadNumber(xml, node, QStringLiteral("price"));

    if (const TXmlNode spec = xml.FindChild(node, QStringLiteral("specification"))) {
        TSpecificationRec& s = item->Spec;
        s.airflow = ReadNumber(xml, spec, QStringLiteral("airflow"));
        s.maxdP = ReadNumber(xml, spec, QStringLiteral("maxdP"));
        s.width = ReadNumber(xml, spec, QStringLiteral("width"));
        s.height = ReadNumber(xml, spec, QStringLiteral("height"));
        s.diameter = ReadNumber(xml, spec, QStringLiteral("diameter"));
        ReadOctave(xml, spec, QStringLiteral("atten"), s.atten);
    }

    if (const TXmlNode sel = xml.FindChild(node, QStringLiteral("selection"))) {
        TSelectionRec& s = item->Sel;
        s.model = xml.GetText(sel, QStringLiteral("model"), QString());
        s.prefix = xml.GetText(sel, QStringLiteral("prefix"), QString());
        s.rangedesc = xml.GetText(sel, QStringLiteral("rangedesc"), QString());
        s.size = xml.GetText(sel, QStringLiteral("size"), QString());
        s.shape = SameText(xml.GetText(sel, QStringLiteral("shape"), QString()), QStringLiteral("circular")) ? 0 : 1;
        s.widdiam = ReadNumber(xml, sel, QStringLiteral("widdiam"));
        s.nmodules = ReadWholeNumber(xml, sel, QStringLiteral("nmodules"), 0);
        s.height = ReadNumber(xml, sel, QStringLiteral("height"));
        s.length = ReadNumber(xml, sel, QStringLiteral("length"));
        s.weight = ReadNumber(xml, sel, QStringLiteral("weight"));
        ReadOctave(xml, sel, QStringLiteral("atten"), s.atten);
        ReadOctave(xml, sel, QStringLiteral("regen"), s.regen);
        s.dp = ReadNumber(xml, sel, QStringLiteral("dp"));
        s.db = ReadNumber(xml, sel, QStringLiteral("db"));
        s.vp = ReadNumber(xml, sel, QStringLiteral("vp"));
        s.photo = xml.GetTextByAttr(sel, QStringLiteral("img"), QStringLiteral("alt"), QStringLiteral("photo"));
        s.ga = xml.GetTextByAttr(sel, QStringLiteral("img"), QStringLiteral("alt"), QStringLiteral("ga"));
        s.page = xml.GetText(sel, QStringLiteral("page"), QString());
    }

    item->Ancillaries.clear();
    if (const TXmlNode anc = xml.FindChild(node, QStringLiteral("ancillaries")))
        for (const TXmlNode& a : xml.GetChildren(anc, QStringLiteral("aitem")))
            item->Ancillaries.push_back(ParseAncillaryText(QString::fromUtf8(a.child_value())));

    item->CalcAncillaryTotal();
    item->CalcTotal();
    return item;
}

void TProjectItem::WriteXML(TXMLFile& xml, TXmlNode node) const
{
    // Numbers keep the decimals the file always had, and more where a value
    // needs them to come back as it was.
    xml.SetText(node, QStringLiteral("description"), Description);
    xml.SetInt(node, QStringLiteral("qty"), Qty);
    xml.SetExactFloat(node, QStringLiteral("price"), Price, 3);

    const TXmlNode spec = xml.FindChild(node, QStringLiteral("specification"), true);
    xml.SetExactFloat(spec, QStringLiteral("airflow"), Spec.airflow, 3);
    xml.SetExactFloat(spec, QStringLiteral("maxdP"), Spec.maxdP, 3);
    xml.SetExactFloat(spec, QStringLiteral("width"), Spec.width, 3);
    xml.SetExactFloat(spec, QStringLiteral("height"), Spec.height, 3);
    xml.SetExactFloat(spec, QStringLiteral("diameter"), Spec.diameter, 3);
    xml.SetText(spec, QStringLiteral("atten"), OctaveToExactStr(Spec.atten, 1));

    const TXmlNode sel = xml.FindChild(node, QStringLiteral("selection"), true);
    xml.SetText(sel, QStringLiteral("model"), Sel.model.Text());
    xml.SetText(sel, QStringLiteral("prefix"), Sel.prefix.Text());
    xml.SetText(sel, QStringLiteral("rangedesc"), Sel.rangedesc.Text());
    xml.SetText(sel, QStringLiteral("size"), Sel.size.Text());
    xml.SetText(sel, QStringLiteral("shape"), ShapeText(Sel.shape));
    xml.SetExactFloat(sel, QStringLiteral("widdiam"), Sel.widdiam, 3);
    xml.SetInt(sel, QStringLiteral("nmodules"), Sel.nmodules);
    xml.SetExactFloat(sel, QStringLiteral("height"), Sel.height, 3);
    xml.SetExactFloat(sel, QStringLiteral("length"), Sel.length, 3);
    xml.SetExactFloat(sel, QStringLiteral("weight"), Sel.weight, 3);
    xml.SetText(sel, QStringLiteral("atten"), OctaveToExactStr(Sel.atten, 1));
    xml.SetText(sel, QStringLiteral("regen"), OctaveToExactStr(Sel.regen, 1));
    xml.SetExactFloat(sel, QStringLiteral("dp"), Sel.dp, 3);
    xml.SetExactFloat(sel, QStringLiteral("db"), Sel.db, 3);
    xml.SetExactFloat(sel, QStringLiteral("vp"), Sel.vp, 3);
    xml.SetTextByAttr(sel, QStringLiteral("img"), Sel.photo.Text(), QStringLiteral("alt"), QStringLiteral("photo"),
                      false);
    xml.SetTextByAttr(sel, QStringLiteral("img"), Sel.ga.Text(), QStringLiteral("alt"), QStringLiteral("ga"), false);
    xml.SetText(sel, QStringLiteral("page"), Sel.page.Text());

    const TXmlNode anc = xml.FindChild(node, QStringLiteral("ancillaries"), true);
    for (const TAncillRec& rec : Ancillaries)
        xml.SetText(anc, QStringLiteral("aitem"), AncillaryText(rec), false);
}

// Project -------------------------------------------------------------------

TProject::TProject() : Date(QDateTime::currentDateTime()), Notes(DefaultNotes()), VATRate(ProjectVATRate()) {}

void TProject::New()
{
    ProjectName.clear();
    QuoteNo.clear();
    Revision.clear();
    Attention.clear();
    Contractor.clear();
    Date = QDateTime::currentDateTime();
    Notes = DefaultNotes();
    SubTotal = 0;
    VAT = 0;
    Total = 0;
    ClearItems();
}

void TProject::ClearItems()
{
    Items.clear();
}

void TProject::InsertItem(const TSpecificationRec& spec, const TSelectionRec& sel, int index)
{
    auto item = std::make_unique<TProjectItem>(spec, sel);
    if (index >= 0 && index < ItemCount())
        Items.insert(Items.begin() + index, std::move(item));
    else
        Items.push_back(std::move(item));
    CalcTotals();
}

void TProject::DeleteItem(int index)
{
    if (index < 0 || index >= ItemCount())
        return;
    Items.erase(Items.begin() + index);
    CalcTotals();
}

void TProject::MoveItem(int fromIndex, int toIndex)
{
    if (fromIndex < 0 || fromIndex >= ItemCount() || toIndex < 0 || toIndex >= ItemCount())
        return;
    std::unique_ptr<TProjectItem> item = std::move(Items[static_cast<size_t>(fromIndex)]);
    Items.erase(Items.begin() + fromIndex);
    Items.insert(Items.begin() + toIndex, std::move(item));
}

void TProject::DeleteItemAncillary(int itemIndex, int ancillaryIndex)
{
    if (itemIndex < 0 || itemIndex >= ItemCount())
        return;
    TProjectItem& item = Item(itemIndex);
    item.DeleteAncillary(ancillaryIndex);
    item.CalcTotal();
    CalcTotals();
}

void TProject::SumTotals(int index, double itemTotal, double& subTotal, double& vat) const
{
    subTotal = 0;
    vat = 0;
    for (int i = 0; i < ItemCount(); ++i) {
        const double total = i == index ? itemTotal : Item(i).Total;
        subTotal = MoneySum(subTotal, total);
        vat = MoneySum(vat, MoneyTimes(total, VATRate));
    }
}

void TProject::CalcTotals()
{
    SumTotals(-1, 0, SubTotal, VAT);
    Total = MoneySum(SubTotal, VAT);
}

double TProject::ItemVAT(const TProjectItem& item) const
{
    return MoneyTimes(item.Total, VATRate);
}

bool TProject::TotalsFit(int index, double itemTotal) const
{
    double subTotal = 0;
    double vat = 0;
    SumTotals(index, itemTotal, subTotal, vat);
    // A total out of range anywhere leaves the grand total so.
    return std::isfinite(subTotal + vat);
}

bool TProject::ItemFits(int index, int qty, double price) const
{
    return TotalsFit(index, ItemTotalOf(qty, price, Item(index).AncillaryTotal));
}

bool TProject::AncillaryFits(int itemIndex, int line, int qty, double price) const
{
    const TProjectItem& item = Item(itemIndex);
    const double lineTotal = MoneyTimes(price, qty);
    double ancillaries = 0;
    for (size_t i = 0; i < item.Ancillaries.size(); ++i)
        ancillaries = MoneySum(ancillaries, static_cast<int>(i) == line ? lineTotal : item.Ancillaries[i].Total);
    if (line >= static_cast<int>(item.Ancillaries.size()))
        ancillaries = MoneySum(ancillaries, lineTotal);
    return TotalsFit(itemIndex, ItemTotalOf(item.Qty, item.Price, ancillaries));
}

QString TAncillaryMatrix::Cell(int row, int item) const
{
    for (const auto& [r, text] : ItemCells(item))
        if (r == row)
            return text;
    return QStringLiteral("-");
}

void TProject::GetAncillaryMatrix(TAncillaryMatrix& matrix) const
{
    matrix.FNames.clear();
    matrix.FCells.assign(Items.size(), {});
    // Names compare as SameText does: ASCII letters without regard to case.
    std::unordered_map<QString, int> rows;
    for (size_t col = 0; col < Items.size(); ++col) {
        auto& cells = matrix.FCells[col];
        for (const TAncillRec& rec : Items[col]->Ancillaries) {
            if (rec.Qty <= 0 || rec.Price <= 0)
                continue;
            const auto [at, added] = rows.try_emplace(AsciiLower(rec.Name), static_cast<int>(matrix.FNames.size()));
            const int row = at->second;
            if (added)
                matrix.FNames.append(rec.Name);
            const QString text = Format("%d X R%0.2f", rec.Qty, ShownMoney(rec.Price));
            const auto same = std::find_if(cells.begin(), cells.end(), [row](const auto& c) { return c.first == row; });
            if (same == cells.end())
                cells.emplace_back(row, text);
            else // the later line of a name is what the cell shows
                same->second = text;
        }
    }
}

QString TProject::BeyondBounds() const
{
    if (QString why = HeaderBeyondBounds(*this); !why.isEmpty())
        return why;
    if (QString why = ItemCountBeyondBounds(Items.size()); !why.isEmpty())
        return why;
    for (int i = 0; i < ItemCount(); ++i)
        if (QString why = ItemBeyondBounds(Item(i), i + 1); !why.isEmpty())
            return why;
    return AncillaryCountBeyondBounds(AncillaryCount());
}

int TProject::AncillaryCount() const
{
    qsizetype count = 0;
    for (const auto& item : Items)
        count += static_cast<qsizetype>(item->Ancillaries.size());
    return static_cast<int>(std::min<qsizetype>(count, INT_MAX));
}

QString TProject::NewItemRefusal() const
{
    if (ItemCount() >= MaxProjectItems)
        return Format("A project holds at most %d items", MaxProjectItems);
    if (AncillaryCount() + static_cast<qsizetype>(DefaultAncillaries().size()) > MaxProjectAncillaries)
        return Format("A project holds at most %d ancillaries", MaxProjectAncillaries);
    return {};
}

QString TProject::NewAncillaryRefusal(int itemIndex) const
{
    if (static_cast<int>(Item(itemIndex).Ancillaries.size()) >= MaxItemAncillaries)
        return Format("An item holds at most %d ancillaries", MaxItemAncillaries);
    if (AncillaryCount() >= MaxProjectAncillaries)
        return Format("A project holds at most %d ancillaries", MaxProjectAncillaries);
    return {};
}

// Project file --------------------------------------------------------------

QString ProjectDateToStr(const QDateTime& date)
{
    const QDate d = date.date();
    const auto twoDigits = [](int v) { return QString::number(v).rightJustified(2, QLatin1Char('0')); };
    return twoDigits(d.day()) + QLatin1Char(' ') + twoDigits(d.month()) + QLatin1Char(' ') +
           QString::number(d.year()).rightJustified(4, QLatin1Char('0'));
}

QDate StrToProjectDate(const QString& text)
{
    const QStringList parts = Trim(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() != 3)
        return {};
    int numbers[3] = {};
    for (int i = 0; i < 3; ++i) {
        const TEntryCheck check = CheckWholeNumber(parts[i], numbers[i]);
        if (check == ecNoNumber)
            return {};
        if (check != ecNumber)
            throw EConvertError(QStringLiteral("'%1' is not a valid date: %2").arg(Trim(text), EntryCheckText(check)));
    }
    // Numbers that make no date read as no date at all: the project then takes the current date.
    return QDate(numbers[2], numbers[1], numbers[0]);
}

bool TProject::SaveToFile(const QString& fileName)
{
    const auto refuse = [&fileName](const QString& reason) {
        QString message = QStringLiteral("Error writing file ") + fileName;
        if (!reason.isEmpty())
            message += QStringLiteral(": ") + reason;
        Messages().ShowMessage(message);
        return false;
    };
    // Nothing is written that Open would refuse.
    if (const QString why = BeyondBounds(); !why.isEmpty())
        return refuse(why);
    QString reason;
    try {
        auto xml = TXMLFile::CreateFromFile(fileName);
        xml->Clear();
        const TXmlNode root = xml->GetNode({QStringLiteral("project")}, true);
        xml->SetAttr(root, QStringLiteral("version"), QStringLiteral("1.00"));
        xml->SetAttr(root, QStringLiteral("developer"), QString::fromLatin1(DeveloperText));
        const TXmlNode head = xml->FindChild(root, QStringLiteral("head"), true);
        const TXmlNode body = xml->FindChild(root, QStringLiteral("body"), true);

        xml->SetText(head, QStringLiteral("filedescription"), QString::fromLatin1(FileDescriptionText));
        xml->SetText(head, QStringLiteral("manufacturer"), QString::fromLatin1(ManufacturerText));
        xml->SetText(head, QStringLiteral("quoteno"), QuoteNo);
        xml->SetText(head, QStringLiteral("revision"), Revision);
        xml->SetText(head, QStringLiteral("date"), ProjectDateToStr(Date));
        xml->SetText(head, QStringLiteral("projectname"), ProjectName);
        xml->SetText(head, QStringLiteral("attention"), Attention);
        xml->SetText(head, QStringLiteral("contractor"), Contractor);
        xml->SetText(head, QStringLiteral("notes"),
                     ReplaceTextByChar(QStringLiteral("\r\n"), NotesBreak, ListText(Notes)));

        for (const auto& item : Items)
            item->WriteXML(*xml, xml->AddChild(body, QStringLiteral("item")));

        const QByteArray bytes = xml->SaveToBytes();
        if (bytes.size() > MaxReadFileSize)
            reason = Format("the project file would be larger than %d MB, more than can be opened",
                            int(MaxReadFileSize / (1024 * 1024)));
        else if (SaveFileAtomically(fileName, bytes, &reason))
            return true;
    } catch (const std::exception&) {
        // A half-built document is never written; the old file stays whole.
    }
    return refuse(reason);
}

void TProject::ReadFrom(TXMLFile& xml, TXmlNode root)
{
    const TXmlNode head = xml.FindChild(root, QStringLiteral("head"));
    ProjectName = xml.GetText(head, QStringLiteral("projectname"), QString());
    Attention = xml.GetText(head, QStringLiteral("attention"), QString());
    if (Attention.isEmpty())
        Attention = xml.GetText(head, QStringLiteral("consultant"), QString());
    Contractor = xml.GetText(head, QStringLiteral("contractor"), QString());
    QuoteNo = xml.GetText(head, QStringLiteral("quoteno"), QString());
    Revision = xml.GetText(head, QStringLiteral("revision"), QString());
    const QDate date = StrToProjectDate(xml.GetText(head, QStringLiteral("date"), QString()));
    Date = date.isValid() ? QDateTime(date, QTime(0, 0)) : QDateTime::currentDateTime();
    Notes = TextLines(
        ReplaceCharByText(NotesBreak, QStringLiteral("\r\n"), xml.GetText(head, QStringLiteral("notes"), QString())));
    // A project beyond the bounds is refused before its items are built.
    if (QString why = HeaderBeyondBounds(*this); !why.isEmpty())
        throw EConvertError(why);

    const TXmlNode body = xml.FindChild(root, QStringLiteral("body"));
    const TXmlNodeVec nodes = xml.GetChildren(body, QStringLiteral("item"));
    if (QString why = ItemCountBeyondBounds(nodes.size()); !why.isEmpty())
        throw EConvertError(why);
    for (const TXmlNode& node : nodes) {
        Items.push_back(TProjectItem::CreateFromXML(xml, node));
        if (QString why = ItemBeyondBounds(*Items.back(), ItemCount()); !why.isEmpty())
            throw EConvertError(why);
    }
    if (QString why = AncillaryCountBeyondBounds(AncillaryCount()); !why.isEmpty())
        throw EConvertError(why);
    CalcTotals();
    // Any line or item total out of range leaves the grand total so.
    if (!std::isfinite(Total))
        throw EConvertError(QStringLiteral("a total is too large"));
}

bool TProject::LoadFromFile(const QString& fileName)
{
    if (const TFileKind kind = CheckFileToRead(fileName); kind != TFileKind::Regular) {
        Messages().ShowMessage(kind == TFileKind::Missing ? QStringLiteral("Project file not found: ") + fileName
                                                          : FileRefusedText(kind, fileName));
        return false;
    }
    const auto readError = [&fileName](const QString& reason) {
        Messages().ShowMessage(QStringLiteral("Error reading project file ") + fileName + QStringLiteral(": ") +
                               reason);
        return false;
    };
    const auto xml = std::make_unique<TXMLFile>();
    {
        QByteArray bytes;
        QString error;
        const bool read = ReadWholeFile(fileName, bytes, error);
        if (read) {
            bytes = AsEightBitText(bytes);
            // Counted before anything is built of it.
            if (const QString why = TProjectFileScan(bytes).Run(); !why.isEmpty())
                return readError(why);
            xml->LoadFromBytes(bytes);
        }
        if (!read || xml->ReadStatus() == xrsInvalidFormat) {
            Messages().ShowMessage(QStringLiteral("File does not have valid format: ") + fileName);
            return false;
        }
    }

    const TXmlNode root = xml->DocumentElement();
    bool valid = false;
    try {
        const TXmlNode head = xml->FindChild(root, QStringLiteral("head"));
        valid =
            SameText(QString::fromUtf8(root.name()), QStringLiteral("project")) &&
            SameText(xml->GetAttr(root, QStringLiteral("developer"), QString()), QLatin1String(DeveloperText)) &&
            SameText(xml->GetText(head, QStringLiteral("manufacturer"), QString()), QLatin1String(ManufacturerText)) &&
            SameText(xml->GetText(head, QStringLiteral("filedescription"), QString()),
                     QLatin1String(FileDescriptionText));
    } catch (const std::exception&) {
        valid = false;
    }
    if (!valid) {
        Messages().ShowMessage(QStringLiteral("Not a valid DEZ Uder project file") + QChar(13) + fileName);
        return false;
    }

    // Read into a fresh project so that a failure leaves this one untouched.
    TProject loaded;
    loaded.VATRate = VATRate;
    QString reason;
    bool failed = false;
    try {
        loaded.ReadFrom(*xml, root);
    } catch (const Exception& e) {
        failed = true;
        reason = e.Message();
    } catch (const std::exception& e) {
        failed = true;
        reason = QString::fromUtf8(e.what());
    }
    if (failed)
        return readError(reason);

    ProjectName = std::move(loaded.ProjectName);
    QuoteNo = std::move(loaded.QuoteNo);
    Revision = std::move(loaded.Revision);
    Attention = std::move(loaded.Attention);
    Contractor = std::move(loaded.Contractor);
    Date = loaded.Date;
    Notes = std::move(loaded.Notes);
    Items = std::move(loaded.Items);
    CalcTotals();
    return true;
}
