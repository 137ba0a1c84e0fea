#include "SilencerReport.h"

#include "TxApplicationPath.h"
#include "TxErrors.h"
#include "TxFormat.h"
#include "TxPrintPreviewDlg.h"
#include "TxString.h"
#include "TxVerInfo.h"
#include "UnitsManager.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

const QString LogoFile = QStringLiteral("Logo.gif");
const QString LetterheadFile = QStringLiteral("letterhead.txt");
constexpr QRgb TitleColor = clNavy;

// The sheet inset by one report unit, kept as the old canvas kept
// rectangles: right and bottom are the first coordinates outside.
struct TInset {
    int Left;
    int Top;
    int Right;
    int Bottom;
};

QString WithSlash(const QString& folder)
{
    return folder.isEmpty() || folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

QString RequiredFile(const QString& folder, const QString& name)
{
    const QString path = FindFileNoCase(folder, name);
    if (path.isEmpty())
        throw EInOutError(Format("Cannot open file \"%s\". The file does not exist.", folder + name));
    return path;
}

QImage LoadPicture(const QString& path)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    const QImage image = reader.read();
    if (image.isNull())
        throw EInOutError(Format("Unable to load the picture \"%s\". %s", path, reader.errorString()));
    return image;
}

const TUnitsCtrl& Quantity(const TUnitsCtrl* q)
{
    if (!q)
        throw Exception(QStringLiteral("The display units are not set up."));
    return *q;
}

QString Value(const TUnitsCtrl* q, double si)
{
    return Quantity(q).FormatValue(0, si);
}

QString UnitOf(const TUnitsCtrl* q)
{
    return Quantity(q).GetLabel();
}

// Guarantees the end of the document, as the report's last step.
class TEndDoc {
public:
    explicit TEndDoc(TPreviewDocument& doc) : FDoc(doc) {}
    ~TEndDoc() { FDoc.EndDoc(); }
    TEndDoc(const TEndDoc&) = delete;
    TEndDoc& operator=(const TEndDoc&) = delete;

private:
    TPreviewDocument& FDoc;
};

void DrawPictures(TPrintPreviewForm& f, QPainter& canvas, const TSilencerReportInput& in, const TInset& c, QPoint u)
{
    const QString images = WithSlash(in.ExeDir.isEmpty() ? ExeDir : in.ExeDir) + QStringLiteral("images/");
    QImage photo;
    QImage drawing;
    if (const QString p = FindFileNoCase(images, in.Rec.photo.Text()); !in.Rec.photo.IsEmpty() && !p.isEmpty())
        photo = LoadPicture(p);
    if (const QString p = FindFileNoCase(images, in.Rec.ga.Text()); !in.Rec.ga.IsEmpty() && !p.isEmpty())
        drawing = LoadPicture(p);
    const int gap = 2 * u.y();
    // Room left above the "Dimensions" line and the bottom margin.
    const int lineHeight = int(std::trunc(FontPixelHeight(ReportFontSize, f.CanvasUnits()) * 1.2 + 1e-9));
    const int roomBelow = c.Bottom - f.ReportCursor.y() - int(std::trunc(u.y() * 0.2)) - lineHeight;
    const double s = PictureScale(photo.size(), drawing.size(), gap, c.Right - c.Left, roomBelow);
    auto scaled = [s](const QImage& image) {
        return image.isNull() ? QSize(0, 0)
                              : QSize(std::max(1, qRound(image.width() * s)), std::max(1, qRound(image.height() * s)));
    };
    const QSize photoSize = scaled(photo);
    const QSize drawingSize = scaled(drawing);
    if (!photo.isNull())
        canvas.drawImage(QRect(f.ReportCursor, photoSize), photo);
    int h = photoSize.height();
    f.ReportCursor.rx() += photoSize.width() + gap;
    if (!drawing.isNull())
        canvas.drawImage(QRect(f.ReportCursor, drawingSize), drawing);
    f.ReportCursor.setX(c.Left);
    h = std::max(h, drawing.isNull() ? photoSize.height() : drawingSize.height());
    f.ReportCursor.ry() += h + int(std::trunc(u.y() * 0.2));
}

void DrawReport(TPrintPreviewForm& f, const TSilencerReportInput& in)
{
    TPreviewDocument& doc = f.Document();
    QPainter* canvas = f.Canvas();
    if (!canvas)
        throw Exception(QStringLiteral("The preview has no page to draw on."));
    const QString documents = WithSlash(in.UserDataDir.isEmpty() ? UserDataDir : in.UserDataDir);
    const TSelectionRec& rec = in.Rec;
    const TSpecificationRec& spec = in.Spec;

    const QImage logo = LoadPicture(RequiredFile(documents, LogoFile));
    f.SetTransparentBackground();
    f.ReportRuleColor = clBlack;
    f.SetRulePenWidth(1);

    const QPoint u(doc.ToUnits(100, mmLoMetric), doc.ToUnits(100, mmLoMetric));
    f.ReportUnit = u;
    const QRect sheet = doc.PageBounds();
    const TInset c{sheet.left() + u.x(), sheet.top() + u.y(), sheet.left() + sheet.width() - u.x(),
                   sheet.top() + sheet.height() - u.y()};

    const int logoLeft = c.Left + int(std::trunc(u.x() * 0.5));
    canvas->drawImage(QPoint(logoLeft, c.Top), logo);
    f.ReportCursor = QPoint(logoLeft + logo.width() + int(std::trunc(u.x() * 0.5)), c.Top);

    TStringDynArray letterhead;
    LoadLinesFromFile(RequiredFile(documents, LetterheadFile), letterhead);
    f.SetReportFont(fsPlain, 8, clNone);
    for (const QString& line : letterhead)
        f.WriteText(line);

    auto body = [&f] { f.SetReportFont(fsPlain, ReportFontSize, clBlack); };
    auto feed = [&f](int times = 1) {
        for (int i = 0; i < times; ++i)
            f.LineFeed(1);
    };
    auto tabs = [&f](const QString& text) { f.WriteTabbedList(text, fsPlain, clNone, 0); };

    body();
    f.ReportCursor.setX(c.Left);
    feed();
    f.DrawRule(c.Right);
    feed();

    f.WriteLine(QStringLiteral("Silencer Report"), fsBold, TitleColor, 14);
    body();
    feed(2);

    f.ReportColumn1 = 5 * u.x();
    f.ReportColumn2 = 7 * u.x();

    f.WriteLine(QStringLiteral("Specification"), fsBold, clNone, 12);
    body();
    feed();
    f.WriteThreeColumns(QStringLiteral("Airflow"), Value(AirflowUnits, spec.airflow), UnitOf(AirflowUnits));
    f.WriteThreeColumns(QStringLiteral("Max dP"), Value(PressureUnits, spec.maxdP), UnitOf(PressureUnits));
    feed();

    f.SetReportFont(fsBold, ReportFontSize, clBlack);
    f.WriteLabelValue(QStringLiteral("Required size"), QString());
    body();
    if (in.Rectangular) {
        f.WriteLabelValue(QStringLiteral("Rectangular"), QString());
        f.WriteThreeColumns(QStringLiteral("  Height"), Value(DimensionUnits, spec.height), UnitOf(DimensionUnits));
        f.WriteThreeColumns(QStringLiteral("  Width"), Value(DimensionUnits, spec.width), UnitOf(DimensionUnits));
    }
    if (in.Circular) {
        f.WriteLabelValue(QStringLiteral("Circular"), QString());
        f.WriteThreeColumns(QStringLiteral("  Diameter"), Value(DimensionUnits, spec.diameter), UnitOf(DimensionUnits));
    }

    feed();
    f.WriteLabelValue(QStringLiteral("Attenuation Required [dB]"), QString());
    f.ReportTabStart = u.x();
    f.ReportTabStep = u.x();
    tabs(OctaveToStr(spec.atten, QStringLiteral("%0.0f")));
    feed(2);

    f.WriteLine(QStringLiteral("Silencer selected"), fsBold, clNone, 12);
    body();
    feed();
    f.WriteLabelValue(QStringLiteral("Model"), rec.model.Text());
    if (rec.shape == 0)
        f.WriteThreeColumns(QStringLiteral("Diameter"), Value(DimensionUnits, rec.widdiam), UnitOf(DimensionUnits));
    else if (rec.shape == 1)
        f.WriteThreeColumns(QStringLiteral("Width"), Value(DimensionUnits, rec.widdiam), UnitOf(DimensionUnits));
    f.WriteThreeColumns(QStringLiteral("Height"), Value(DimensionUnits, rec.height), UnitOf(DimensionUnits));
    f.WriteThreeColumns(QStringLiteral("Length"), Value(DimensionUnits, rec.length), UnitOf(DimensionUnits));
    f.WriteLabelValue(QStringLiteral("Modules"), IntToStr(rec.nmodules));
    feed();

    f.ReportTabStart = u.x();
    f.ReportTabStep = u.x();
    f.WriteLabelValue(QStringLiteral("Attenuation Achieved [dB]"), QString());
    tabs(OctaveToStr(rec.atten, QStringLiteral("%0.0f")));
    feed();
    f.WriteLabelValue(QStringLiteral("Regenerated Noise [dB]"), QString());
    tabs(OctaveToStr(rec.regen, QStringLiteral("%0.0f")));
    feed();

    f.WriteThreeColumns(QStringLiteral("Static Insertion Loss"), Format("%0.1f", rec.db), QStringLiteral("dB"));
    f.WriteThreeColumns(QStringLiteral("Passage velocity"), Value(VelocityUnits, rec.vp), UnitOf(VelocityUnits));
    f.WriteThreeColumns(QStringLiteral("Pressure drop"), Value(PressureUnits, rec.dp), UnitOf(PressureUnits));
    feed(3);

    DrawPictures(f, *canvas, in, c, u);

    f.WriteLine(QStringLiteral("Dimensions: ") + rec.size.Text(), fsItalic, clNone, ReportFontSize);

    f.ReportCursor = QPoint(c.Left, c.Bottom);
    f.DoWriteLine(in.VersionText.isEmpty() ? ReportVersionText() : in.VersionText, fsPlain, clNone, 8);

    body();
}

} // namespace

QString ReportVersionText()
{
    return GetProductVersionText(QString());
}

QString FindFileNoCase(const QString& folder, const QString& name)
{
    // A name from a data file may use either separator; each part is found
    // on its own.
    QString wanted = name;
    wanted.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QStringList parts = wanted.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return {};
    QDir dir(folder);
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const bool last = i + 1 == parts.size();
        const QDir::Filters filter = (last ? QDir::Files : QDir::Dirs) | QDir::Hidden | QDir::System;
        const QFileInfo exact(dir.filePath(parts[i]));
        QString found;
        if (last ? exact.isFile() : exact.isDir())
            found = parts[i];
        else
            for (const QString& entry : dir.entryList(filter | QDir::NoDotAndDotDot, QDir::Name))
                if (SameText(entry, parts[i])) {
                    found = entry;
                    break;
                }
        if (found.isEmpty())
            return {};
        if (last)
            return dir.filePath(found);
        if (!dir.cd(found))
            return {};
    }
    return {};
}

double PictureScale(QSize photo, QSize drawing, int gap, int width, int height)
{
    double s = 1.0;
    const int pictures = photo.width() + drawing.width();
    const int gaps = drawing.width() > 0 ? gap : 0;
    if (pictures > 0 && pictures + gaps > width && width - gaps > 0)
        s = std::min(s, double(width - gaps) / pictures);
    const int tallest = std::max(photo.height(), drawing.height());
    if (tallest > 0 && height > 0 && tallest * s > height)
        s = std::min(s, double(height) / tallest);
    return s;
}

void BuildReport(TPrintPreviewForm& form, const TSilencerReportInput& input)
{
    TPreviewDocument& doc = form.Document();
    doc.PrintJobTitle = QStringLiteral("RAV Silencer report");
    if (form.FormComboBox->currentIndex() >= 0)
        doc.SetPaperName(form.FormComboBox->currentText());
    doc.BeginDoc();
    const TEndDoc end(doc);
    DrawReport(form, input);
}
