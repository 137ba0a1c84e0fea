#include "SelectionSettings.h"

#include "TxApplicationPath.h"
#include "TxEditLogic.h"
#include "TxFormat.h"
#include "TxPlacement.h"
#include "TxString.h"
#include "TxUnitsCtrl.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <cmath>

namespace {

const QString kAir = QStringLiteral("air");
const QString kDuct = QStringLiteral("duct");
const QString kAtten = QStringLiteral("atten");
const QString kRanges = QStringLiteral("ranges");
const QString kForm = QStringLiteral("Form");
const QString kEnquiry = QStringLiteral("Enquiry");
const QString kListColWidth = QStringLiteral("ListColWidth");
const QString kUserSized = QStringLiteral("UserSized");
const QString kEditUnits = QStringLiteral("EditUnits");

} // namespace

void ReadSelection(const TCustomIniFile& ini, TSelectionValues& v)
{
    v.Flow = ini.ReadFloat(kAir, QStringLiteral("flow"), v.Flow);
    v.MaxDP = ini.ReadFloat(kAir, QStringLiteral("maxDP"), v.MaxDP);
    v.Height = ini.ReadFloat(kDuct, QStringLiteral("height"), v.Height);
    v.Width = ini.ReadFloat(kDuct, QStringLiteral("width"), v.Width);
    v.Diameter = ini.ReadFloat(kDuct, QStringLiteral("diameter"), v.Diameter);
    v.Rect = ini.ReadBool(kDuct, QStringLiteral("rect"), v.Rect);
    v.Circ = ini.ReadBool(kDuct, QStringLiteral("circ"), v.Circ);
    v.Required = CheckedBandText(ini.ReadString(kAtten, QStringLiteral("required"), v.Required), v.Required);
    v.Checked = ini.ReadString(kRanges, QStringLiteral("checked"), QString());
}

QString CheckedRangesText(const QStringList& tickedRanges)
{
    QString text;
    for (const QString& name : tickedRanges)
        text += name + QStringLiteral(", ");
    return text;
}

TEntryCheck CheckBandText(const QString& text, bool typed, QString& stored)
{
    double value = 0.0;
    TEntryCheck check = typed ? CheckTypedWhole(text, value) : CheckFloat(Trim(text), value);
    if (check == ecNumber && !typed)
        check = CheckExactWhole(Trim(text), value);
    qint64 whole = 0;
    if (check == ecNumber && !RoundHalfEven(value, whole))
        check = ecOutOfRange;
    if (check == ecNumber)
        stored = Format("%d", whole);
    return check;
}

TEntryCheck PastedBandCells(const QString& text, QStringList& cells)
{
    // A spreadsheet puts a tab between the cells of a row and a line break
    // after each row, the last one too: each tab or line break ends one cell,
    // so an empty cell is one, never a wider gap that moves the next band
    // down an octave. A cell holds comma text.
    QString grid = text;
    grid.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    grid.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (grid.endsWith(QLatin1Char('\n')))
        grid.chop(1);
    QStringList items;
    for (const QString& cell : grid.split(QRegularExpression(QStringLiteral("[\t\n]")))) {
        if (Trim(cell).isEmpty())
            return ecNoNumber;
        items += CommaTextToList(cell);
    }
    QStringList bands;
    for (qsizetype i = 0; i < OctaveBands; ++i) {
        if (i >= items.size()) {
            bands.append(QStringLiteral("0"));
            continue;
        }
        // An empty item is a gap between commas, not an entry of 0.
        if (Trim(items[i]).isEmpty())
            return ecNoNumber;
        QString band;
        if (const TEntryCheck why = CheckBandText(items[i], true, band); why != ecNumber)
            return why;
        bands.append(band);
    }
    cells = bands;
    return ecNumber;
}

QString CheckedBandText(const QString& text, const QString& fallback)
{
    const QStringList items = CommaTextToList(text);
    const QStringList fallbacks = CommaTextToList(fallback);
    QStringList bands;
    for (qsizetype i = 0; i < OctaveBands; ++i) {
        QString band;
        if (CheckBandText(items.value(i), false, band) != ecNumber)
            band = Trim(fallbacks.value(i));
        bands.append(band);
    }
    return ListToCommaText(bands);
}

void WriteSelection(TCustomIniFile& ini, const TSelectionValues& v, const QStringList& tickedRanges)
{
    TOctave bands;
    StrToOctave(v.Required, bands);
    ini.EraseSection(kAir);
    ini.WriteFloat(kAir, QStringLiteral("flow"), v.Flow);
    ini.WriteFloat(kAir, QStringLiteral("maxDP"), v.MaxDP);
    ini.EraseSection(kDuct);
    ini.WriteFloat(kDuct, QStringLiteral("height"), v.Height);
    ini.WriteFloat(kDuct, QStringLiteral("width"), v.Width);
    ini.WriteFloat(kDuct, QStringLiteral("diameter"), v.Diameter);
    ini.WriteBool(kDuct, QStringLiteral("rect"), v.Rect);
    ini.WriteBool(kDuct, QStringLiteral("circ"), v.Circ);
    ini.EraseSection(kAtten);
    ini.WriteString(kAtten, QStringLiteral("required"), v.Required);
    ini.EraseSection(kRanges);
    ini.WriteString(kRanges, QStringLiteral("checked"), CheckedRangesText(tickedRanges));
}

void ReadFormSettings(const TCustomIniFile& ini, TFormSettings& s, const TPlacementLimits& limits)
{
    // A placement saved on a larger screen must not leave the window out of reach.
    s.Placement = ReadPlacement(ini, kForm, s.Placement, limits, true);

    s.ContactEmail = ini.ReadString(kEnquiry, QStringLiteral("coEMail"), s.ContactEmail);
    s.EMailAddr = ini.ReadString(kEnquiry, QStringLiteral("eMailAddr"), s.ContactEmail);
    if (s.EMailAddr.isEmpty())
        s.EMailAddr = s.ContactEmail;
    s.WebAddress = ini.ReadString(kEnquiry, QStringLiteral("WebAddress"), s.ContactWeb);
    if (s.WebAddress.isEmpty())
        s.WebAddress = s.ContactWeb;

    const std::vector<int> defaults = s.ColWidths;
    for (size_t i = 0; i < s.ColWidths.size(); ++i)
        s.ColWidths[i] = ini.ReadInteger(kListColWidth, Format("%d", static_cast<int>(i)), s.ColWidths[i]);
    s.ColSized.assign(s.ColWidths.size(), false);
    if (!ini.ValueExists(kListColWidth, kUserSized)) {
        for (size_t i = 0; i < s.ColWidths.size(); ++i)
            s.ColSized[i] = s.ColWidths[i] != defaults[i];
        return;
    }
    TStringDynArray sized;
    SplitCommaList(ini.ReadString(kListColWidth, kUserSized, QString()), sized);
    for (const QString& item : sized) {
        int column = -1;
        if (TryStrToInt(Trim(item), column) && column >= 0 && static_cast<size_t>(column) < s.ColSized.size())
            s.ColSized[static_cast<size_t>(column)] = true;
    }
}

void WriteFormSettings(TCustomIniFile& ini, const TFormSettings& s)
{
    ini.WriteInteger(kForm, QStringLiteral("Left"), s.Placement.x());
    ini.WriteInteger(kForm, QStringLiteral("Top"), s.Placement.y());
    ini.WriteInteger(kForm, QStringLiteral("Width"), s.Placement.width());
    ini.WriteInteger(kForm, QStringLiteral("Height"), s.Placement.height());
    ini.WriteString(kEnquiry, QStringLiteral("eMailAddr"), s.EMailAddr);
    ini.WriteString(kEnquiry, QStringLiteral("coEMail"), s.ContactEmail);
    TStringDynArray sized;
    for (size_t i = 0; i < s.ColWidths.size(); ++i) {
        ini.WriteInteger(kListColWidth, Format("%d", static_cast<int>(i)), s.ColWidths[i]);
        if (i < s.ColSized.size() && s.ColSized[i])
            sized.append(Format("%d", static_cast<int>(i)));
    }
    ini.WriteString(kListColWidth, kUserSized, JoinWithComma(sized));
}

void ReadEditUnits(const TCustomIniFile& ini, TEditUnits& units)
{
    for (size_t i = 0; i < EditUnitKeys.size(); ++i)
        units[i] = ini.ReadInteger(kEditUnits, QString::fromLatin1(EditUnitKeys[i]), units[i]);
}

void WriteEditUnits(TCustomIniFile& ini, const TEditUnits& units)
{
    for (size_t i = 0; i < EditUnitKeys.size(); ++i)
        ini.WriteInteger(kEditUnits, QString::fromLatin1(EditUnitKeys[i]), units[i]);
}

QString DefaultSelectionFileName(const QString& exeDir)
{
    const QString inProgramFolder = exeDir + QStringLiteral("default.ini");
    const QFileInfo folder(exeDir);
    const QFileInfo file(inProgramFolder);
    if (folder.isDir() && folder.isWritable() && (!file.exists() || file.isWritable()))
        return inProgramFolder;
    return ConfigFileName(QStringLiteral("default.ini"));
}
