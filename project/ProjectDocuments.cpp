#include "ProjectDocuments.h"

#include "DocumentFiles.h"
#include "ProjectClass.h"
#include "TxApplicationPath.h"
#include "TxErrors.h"
#include "TxFormat.h"
#include "TxSysUtils.h"
#include "UnitsManager.h"
#include "TxVerInfo.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QUrl>

#include <algorithm>

namespace {

const QString LabelCell = QStringLiteral("class=\"col1\"");
const QString Nbsp = QStringLiteral("&nbsp;");

const char* const QuotationBandLabels[OctaveBands] = {"63 Hz", "125 Hz", "250 Hz", "500 Hz",
                                                      "1 kHz", "2 kHz",  "4 kHz",  "8 kHz"};

QString Latin(const char* text)
{
    return QString::fromLatin1(text);
}

// The date as the user's desktop writes dates in short form.
QString ShortDateText(const QDateTime& date)
{
    return QLocale::system().toString(date.date(), QLocale::ShortFormat);
}

bool IsCircular(const TSelectionRec& sel)
{
    return sel.shape == 0;
}

QString ShapeText(const TSelectionRec& sel)
{
    return Latin(ShapeNames[IsCircular(sel) ? 0 : 1]);
}

// The logo as the document beside it in `dir` links it: the user's file by
// its name, the program's copy by its URL; empty when there is none.
QString LogoSource(const QString& dir)
{
    const QString logo = FindLogoFile(dir);
    if (logo.isEmpty())
        return {};
    const QFileInfo info(logo);
    if (QDir(info.absolutePath()) == QDir(dir))
        return HtmlEscape(info.fileName());
    return HtmlEscape(QUrl::fromLocalFile(info.absoluteFilePath()).toString(QUrl::FullyEncoded));
}

// Why a document is not written: it would be larger than MaxDocumentSize.
QString TooLargeText(const QString& fileName)
{
    return QStringLiteral("Cannot create file \"%1\". It would be larger than %2 MB")
        .arg(fileName)
        .arg(MaxDocumentSize / (1024 * 1024));
}

// Letterhead, logo, file name and head shared by both documents.
void BeginProjectDocument(THTMReporter& reporter, const QString& folder, const QString& fileName,
                          const TStringDynArray& rules)
{
    const QString dir = AddBackslash(folder);
    const QString letterhead = FindLetterheadFile(dir);
    reporter.SetupHeader(QString(), letterhead.isEmpty() ? dir + Latin(LetterheadFileName) : letterhead,
                         LogoSource(dir), true, true);
    reporter.SetReportFileName(dir + fileName, true);
    reporter.SetMaxBytes(MaxDocumentSize, TooLargeText(reporter.FileName()) + QLatin1Char('.'));
    reporter.BeginDocument(false, dir + Latin(StyleFileName), rules);
}

void WriteHeadInfo(THTMReporter& reporter, const QString& caption, const QString& value)
{
    reporter.Add(QStringLiteral("<p> ") + caption + QStringLiteral(": <span class=\"headinfo\">") + HtmlEscape(value) +
                 QStringLiteral("</span></p>"));
}

// The project's header between two rules; opens the block kept on one page.
// `page` 0 leaves out the page line.
void WriteHeaderBlock(THTMReporter& reporter, const TProject& project, int page, int pageCount)
{
    reporter.WriteRule(QStringLiteral("class=\"header\""));
    reporter.BeginDiv(QStringLiteral("class=\"blockleft\""));
    WriteHeadInfo(reporter, QStringLiteral("Project"), project.ProjectName);
    WriteHeadInfo(reporter, QStringLiteral("Attention"), project.Attention);
    WriteHeadInfo(reporter, QStringLiteral("Contractor"), project.Contractor);
    reporter.EndDiv();
    reporter.BeginDiv(QStringLiteral("class=\"blockright\""));
    WriteHeadInfo(reporter, QStringLiteral("Date"), ShortDateText(project.Date));
    WriteHeadInfo(reporter, QStringLiteral("Quote No"), project.QuoteNo);
    WriteHeadInfo(reporter, QStringLiteral("Revision"), project.Revision);
    if (page > 0)
        reporter.WriteParagraph(Format("Page %d of %d", page, pageCount));
    reporter.EndDiv();
    reporter.WriteClearBreak();
    reporter.WriteRule(QStringLiteral("class=\"header\""));
    reporter.BeginKeepTogether();
}

// Notes, the version line and the end of the document.
void EndProjectDocument(THTMReporter& reporter, const TProject& project, const QString& versionText)
{
    if (!project.Notes.isEmpty()) {
        TStringDynArray notes;
        for (const QString& line : project.Notes)
            notes.append(HtmlEscape(line));
        reporter.WriteLines(notes, QStringLiteral("class=\"notes\""));
        reporter.WriteClearBreak();
    }
    reporter.WriteParagraph(versionText, QStringLiteral("class=\"fineprint\""));
    reporter.EndBody();
    reporter.EndHtml();
}

// Rows of the quotation table for items first..last: a label cell, then one
// cell per item.
class TQuotationTable {
public:
    TQuotationTable(THTMReporter& reporter, const TProject& project, int first, int last)
        : FReporter(reporter), FProject(project), FFirst(first), FLast(last)
    {
    }

    template <class F>
    void Row(const QString& label, F cell)
    {
        TStringDynArray values{label};
        for (int i = FFirst; i <= FLast; ++i)
            values.append(cell(FProject.Item(i), i));
        FReporter.WriteRow(values, {LabelCell});
    }

    void LabelOnly(const QString& label) { FReporter.WriteRow({label}, {LabelCell}); }

    void Rule() { FReporter.WriteRow(TStringDynArray(FLast - FFirst + 2), {}, QStringLiteral("class=\"trul\"")); }

private:
    THTMReporter& FReporter;
    const TProject& FProject;
    int FFirst;
    int FLast;
};

// The ancillary block of the quotation: the names as a page writes them and
// the sparse cells.
struct TAncillaryRows {
    TAncillaryMatrix Matrix;
    QStringList Labels;
};

// Every page writes a row for every ancillary name: what those rows take in
// the document, counted from the names and the priced cells alone.
qint64 AncillaryRowsBytes(const TAncillaryRows& rows, int items, int pages)
{
    const qint64 dash = THTMWriter::CellBytes(QStringLiteral("-"));
    qint64 bytes = qint64(rows.Labels.size()) * items * dash;
    for (const QString& label : rows.Labels)
        bytes += qint64(pages) * (THTMWriter::RowFrameBytes() + THTMWriter::CellBytes(label, LabelCell));
    for (int i = 0; i < items; ++i)
        for (const auto& cell : rows.Matrix.ItemCells(i))
            bytes += THTMWriter::CellBytes(HtmlEscape(cell.second)) - dash;
    return bytes;
}

void WriteQuotationItems(THTMReporter& reporter, const TProject& project, int first, int last,
                         const TAncillaryRows& ancillaries)
{
    using Item = const TProjectItem&;
    TQuotationTable t(reporter, project, first, last);
    const QString dimLabel = DimensionUnits->GetLabel();

    t.Row(QStringLiteral("<b>Description</b>"), [](Item it, int) { return HtmlEscape(it.Description); });
    t.Row(QStringLiteral("Model"), [](Item it, int) { return HtmlEscape(it.Sel.model.Text()); });
    t.Row(QStringLiteral("Silencer type"), [](Item it, int) { return HtmlEscape(it.Sel.rangedesc.Text()); });
    t.Row(QStringLiteral("Airflow (") + AirflowUnits->GetLabel() + QLatin1Char(')'),
          [](Item it, int) { return AirflowUnits->FormatValue(1, it.Spec.airflow); });
    t.Row(QStringLiteral("Pressure loss (") + PressureUnits->GetLabel() + QLatin1Char(')'),
          [](Item it, int) { return PressureUnits->FormatValue(0, it.Sel.dp); });
    t.Row(QStringLiteral("Type"), [](Item it, int) { return ShapeText(it.Sel); });
    // The silencer's own size: the duty's height may be 0 (no size limit) or
    // differ from the height the search picked.
    t.Row(QStringLiteral("Cross sect (D/WxH ") + dimLabel + QLatin1Char(')'), [](Item it, int) {
        const QString width = DimensionUnits->FormatValue(0, it.Sel.widdiam);
        if (IsCircular(it.Sel))
            return width;
        return width + QStringLiteral(" x ") + DimensionUnits->FormatValue(0, it.Sel.height);
    });
    t.Row(QStringLiteral("Length (") + dimLabel + QLatin1Char(')'),
          [](Item it, int) { return DimensionUnits->FormatValue(0, it.Sel.length); });

    t.Row(QStringLiteral("Insertion loss"), [](Item, int) { return QStringLiteral("Sel&nbsp;&nbsp;&nbsp;Spec"); });
    for (int b = 0; b < OctaveBands; ++b)
        t.Row(Nbsp + Nbsp + Nbsp + Latin(QuotationBandLabels[b]), [b](Item it, int) {
            return FormatBandPair(it.Sel.atten[static_cast<size_t>(b)], it.Spec.atten[static_cast<size_t>(b)]);
        });
    t.Row(QStringLiteral("Regenerated noise"), [](Item, int) { return Nbsp; });
    for (int b = 0; b < OctaveBands; ++b)
        t.Row(Nbsp + Nbsp + Nbsp + Latin(QuotationBandLabels[b]),
              [b](Item it, int) { return Format("%0.0f", it.Sel.regen[static_cast<size_t>(b)]); });
    t.Rule();

    t.Row(QStringLiteral("<b>Number off</b>"), [](Item it, int) { return Format("%d", it.Qty); });
    // Money to the cent, each total the sum of the figures above it.
    t.Row(QStringLiteral("<b>Price per unit</b>"), [](Item it, int) { return Format("%0.2f", ShownMoney(it.Price)); });
    t.Row(QStringLiteral("<b>Total</b>"), [](Item it, int) { return Format("<b>%0.2f</b>", it.PriceTotal()); });
    t.Rule();

    t.LabelOnly(QStringLiteral("<b>Ancillaries</b>"));
    for (int row = 0; row < ancillaries.Labels.size(); ++row)
        t.Row(ancillaries.Labels[row],
              [&ancillaries, row](Item, int i) { return HtmlEscape(ancillaries.Matrix.Cell(row, i)); });
    t.Row(QStringLiteral("Total ancill. per unit"), [](Item it, int) { return Format("R %0.2f", it.AncillaryTotal); });
    t.Row(QStringLiteral("<b>Total (ancill. only)</b>"),
          [](Item it, int) { return Format("R %0.2f", it.QtyAncillaryTotal()); });
    t.Rule();
    t.Row(QStringLiteral("<b>Total incl ancill.</b>"), [](Item it, int) { return Format("<b>R %0.2f</b>", it.Total); });
    t.Rule();
    t.Row(QStringLiteral("<b>VAT</b>"), [&project](Item it, int) { return Format("R %0.2f", project.ItemVAT(it)); });
}

void WriteQuotationTotals(THTMReporter& reporter, const TProject& project)
{
    reporter.BeginTable(QStringLiteral("align=\"left\" class=\"totalstable\""));
    const auto total = [&reporter](const char* label, double value) {
        reporter.WriteRow({Latin(label), Format("<b>  R %0.2f</b>", value)}, {LabelCell});
    };
    total("<b>Total price for fans & anc.</b>", project.SubTotal);
    total("<b>Total VAT</b>", project.VAT);
    total("<b>Total incl VAT</b>", project.Total);
    reporter.EndTable();
    reporter.WriteClearBreak();
    reporter.WriteBreak();
    reporter.WriteParagraph(QStringLiteral("Prices subject to our standard conditions of sale and price variation"),
                            QStringLiteral("class=\"fineprint\""));
}

// One level: the folder's parent is the user's documents folder.
void EnsureFolder(const QString& folder)
{
    if (!QFileInfo(folder).isDir() && !QDir().mkdir(folder))
        throw EInOutError(QStringLiteral("Cannot create folder \"%1\".").arg(folder));
}

QString SaveAndShow(THTMReporter& reporter)
{
    reporter.SaveReport();
    reporter.ShowReport();
    return reporter.FileName();
}

} // namespace

QString FormatBandPair(double selected, double required)
{
    return Format("%4.0f  %7.0f", selected, required).replace(QLatin1Char(' '), Nbsp);
}

TStringDynArray QuotationRules()
{
    return {
        QStringLiteral("p { padding:0px; margin:0.2em  }"),
        QStringLiteral(".blockleft { float:left; width:60% }"),
        QStringLiteral(".blockright { float:right; text-align:right; width:32%; margin-right:5% }"),
        QStringLiteral(".headinfo { font-weight:bold }"),
        QStringLiteral(".reporttable { width:95% }"),
        QStringLiteral(
            ".reporttable td { text-align:right; width:19%; padding:0px; margin:0px; border:0px none white }"),
        QStringLiteral(".reporttable .col1 { text-align:left; width:24% }"),
        QStringLiteral(".totalstable { width:95% }"),
        QStringLiteral(".totalstable td { text-align:right; padding:1px; margin:1px; border:0px none white }"),
        QStringLiteral(".totalstable .col1 { text-align:left; width:70%}"),
        QStringLiteral(".notes { font-size:0.75em; color:gray }"),
        QStringLiteral(".trul { border-bottom:1px solid black }"),
    };
}

TStringDynArray ScheduleRules()
{
    return {
        QStringLiteral("p { padding:0px; margin:0.2em  }"),
        QStringLiteral(".blockleft { float:left; width:50% }"),
        QStringLiteral(".blockright { float:right; text-align:right; width:45%; margin-right:5% }"),
        QStringLiteral(".headinfo { font-weight:bold }"),
        QStringLiteral(".reporttable { width:95% }"),
        QStringLiteral(
            ".reporttable td { text-align:right; width:19%; padding:0px; margin:0px; border:0px none white }"),
        QStringLiteral(".reporttable .col1 { text-align:left; width:24% }"),
        QStringLiteral(".totalstable { width:95% }"),
        QStringLiteral(".totalstable td { text-align:right }"),
        QStringLiteral(".totalstable .col1 { text-align:left; width:70% }"),
        QStringLiteral(".notes { font-size:0.75em; color:gray }"),
    };
}

void BuildQuotation(THTMReporter& reporter, const TProject& project, const QString& folder, const QString& versionText)
{
    BeginProjectDocument(reporter, folder, Latin(QuotationFileName), QuotationRules());

    TAncillaryRows ancillaries;
    project.GetAncillaryMatrix(ancillaries.Matrix);
    for (const QString& name : ancillaries.Matrix.Names())
        ancillaries.Labels.append(HtmlEscape(name));

    const int n = project.ItemCount();
    const int pages = n / 4 + (n > 4 * (n / 4) ? 1 : 0);
    // Those rows alone may be too many to write: refused before any is.
    if (reporter.Bytes() + AncillaryRowsBytes(ancillaries, n, pages) > MaxDocumentSize)
        throw EInOutError(TooLargeText(reporter.FileName()) + Format(": %d ancillary names on each of its %d pages.",
                                                                     int(ancillaries.Labels.size()), pages));
    for (int page = 1; page <= pages; ++page) {
        const int first = 4 * (page - 1);
        const int last = std::min(first + 3, n - 1);
        reporter.BeginDiv(page == 1 ? QString() : QStringLiteral("style=\"page-break-before:always\""));
        reporter.WriteLetterhead();
        WriteHeaderBlock(reporter, project, page, pages);
        reporter.BeginTable(QStringLiteral("align=\"left\" class=\"reporttable\""));
        WriteQuotationItems(reporter, project, first, last, ancillaries);
        reporter.EndTable();
        reporter.EndSection();
        if (page == pages)
            WriteQuotationTotals(reporter, project);
        reporter.WriteBreak();
        reporter.WriteRule(QStringLiteral("class=\"header\""));
        reporter.EndDiv();
    }

    EndProjectDocument(reporter, project, versionText);
}

void BuildSchedule(THTMReporter& reporter, const TProject& project, const QString& folder, const QString& versionText)
{
    BeginProjectDocument(reporter, folder, Latin(ScheduleFileName), ScheduleRules());

    reporter.WriteLetterhead();
    WriteHeaderBlock(reporter, project, 0, 0);
    reporter.BeginTable(QStringLiteral("align=\"left\" width=\"95%\""));

    TStringDynArray cellAttrs(8);
    cellAttrs.append(QStringLiteral("colspan=\"8\" align=\"center\""));
    reporter.WriteHeaderRow({QStringLiteral("Description"), QStringLiteral("Air Vol"), QStringLiteral("Pressure"),
                             QStringLiteral("Model"), QStringLiteral("Width/"), QStringLiteral("Height"),
                             QStringLiteral("Length"), QStringLiteral("Qty"), QStringLiteral("Attenuation [dB]")},
                            cellAttrs);

    const QString dimBracket = DimensionUnits->GetBracketLabel();
    TStringDynArray units{Nbsp,
                          AirflowUnits->GetBracketLabel(),
                          PressureUnits->GetBracketLabel(),
                          Nbsp,
                          QStringLiteral("Diam ") + dimBracket,
                          dimBracket,
                          dimBracket,
                          Nbsp};
    for (const char* band : BandLabels)
        units.append(Latin(band));
    reporter.WriteHeaderRow(units, {});

    for (int i = 0; i < project.ItemCount(); ++i) {
        const TProjectItem& it = project.Item(i);
        TStringDynArray cells{HtmlEscape(it.Description),
                              AirflowUnits->FormatValue(0, it.Spec.airflow),
                              PressureUnits->FormatValue(0, it.Sel.dp),
                              HtmlEscape(it.Sel.model.Text()),
                              DimensionUnits->FormatValue(0, it.Sel.widdiam),
                              DimensionUnits->FormatValue(0, it.Sel.height),
                              DimensionUnits->FormatValue(0, it.Sel.length),
                              Format(" %d", it.Qty)};
        for (const double a : it.Sel.atten)
            cells.append(Format("%0.0f", a));
        reporter.WriteRow(cells, {});
    }

    reporter.EndTable();
    reporter.EndSection();
    reporter.WriteBreak();
    reporter.WriteRule(QStringLiteral("class=\"header\""));

    EndProjectDocument(reporter, project, versionText);
}

QString ShowQuotation(const TProject& project, const QString& versionText, const QString& folder)
{
    EnsureFolder(folder);
    THTMReporter reporter;
    BuildQuotation(reporter, project, folder, versionText);
    return SaveAndShow(reporter);
}

QString ShowSchedule(const TProject& project, const QString& versionText, const QString& folder)
{
    EnsureFolder(folder);
    THTMReporter reporter;
    BuildSchedule(reporter, project, folder, versionText);
    return SaveAndShow(reporter);
}

QString ShowQuotation(const TProject& project)
{
    return ShowQuotation(project, GetProductVersionText(QString()), UserDataDir);
}

QString ShowSchedule(const TProject& project)
{
    return ShowSchedule(project, GetProductVersionText(QString()), UserDataDir);
}
