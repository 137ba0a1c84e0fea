#include "SilencerReport.h"

#include "DocumentFiles.h"
#include "SilencerRanges.h"
#include "TxApplicationPath.h"
#include "TxErrors.h"
#include "TxFileRead.h"
#include "TxFormat.h"
#include "TxPictureRead.h"
#include "TxPageStream.h"
#include "TxPrintPreviewDlg.h"
#include "TxString.h"
#include "TxVerInfo.h"
#include "UnitsManager.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <future>
#include <vector>

namespace {

constexpr QRgb TitleColor = clNavy;
// Letterhead lines, in points.
constexpr int LetterheadFontSize = 8;
// The header's height, in report units: the logo's box at most, and the
// room of the letterhead.
constexpr double HeaderHeight = 3;
// Far more letterhead lines than any header holds; the rest is never read.
constexpr qsizetype MaxLetterheadLines = 1000;

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

// The inset seen through a canvas scaled by `s`, never larger.
TInset Unscaled(const TInset& c, double s)
{
    return {int(std::ceil(c.Left / s)), int(std::ceil(c.Top / s)), int(c.Right / s), int(c.Bottom / s)};
}

TReportPictureWork Work;

// Pictures the report read and scaled. The report is drawn again at each
// activation and paper change, and a camera's pictures take long to decode
// and scale: each file is read once while it stays as it was, and each
// picture scaled once to a size. A scaled picture is the same image each
// time, so that the page recorder compresses it once too.
class TPictureStore {
public:
    QImage Read(const QString& path, QString& why)
    {
        const TFileEntry key = KeyOf(path);
        if (const QImage* kept = Find(key))
            return *kept;
        ++Work.Read;
        const QImage image = ReadWholePicture(path, why);
        if (!image.isNull())
            Keep(FFiles, {key.Path, key.Modified, key.Changed, key.Bytes, image}, MaxFiles, MaxFilePixels);
        return image;
    }

    // Reads the files of `paths` not kept yet side by side: a report's
    // photo and drawing take as long as the larger.
    void ReadAhead(const QStringList& paths)
    {
        std::vector<std::pair<TFileEntry, std::future<QImage>>> reads;
        for (const QString& path : paths)
            if (TFileEntry key = KeyOf(path); !path.isEmpty() && !Find(key))
                reads.emplace_back(std::move(key), std::async(std::launch::async, [path] {
                                       QString why;
                                       return ReadWholePicture(path, why);
                                   }));
        for (auto& [key, read] : reads) {
            ++Work.Read;
            key.Image = read.get();
            if (!key.Image.isNull())
                Keep(FFiles, std::move(key), MaxFiles, MaxFilePixels);
        }
    }

    void Clear()
    {
        FFiles.clear();
        FScaled.clear();
    }

    QImage Scaled(const QImage& image, QSize size)
    {
        if (image.size() == size)
            return image;
        for (auto it = FScaled.begin(); it != FScaled.end(); ++it)
            if (it->Key == image.cacheKey() && it->Size == size) {
                std::rotate(FScaled.begin(), it, it + 1);
                return FScaled.front().Image;
            }
        ++Work.Scaled;
        const QImage scaled = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        Keep(FScaled, {image.cacheKey(), size, scaled}, 32, 6 * MaxPagePicturePixels);
        return scaled;
    }

private:
    static constexpr size_t MaxFiles = 6;
    static constexpr qint64 MaxFilePixels = 40LL * 1000 * 1000;
    struct TFileEntry {
        QString Path;
        QDateTime Modified;
        QDateTime Changed;
        qint64 Bytes;
        QImage Image;
    };
    struct TScaledEntry {
        qint64 Key;
        QSize Size;
        QImage Image;
    };
    static TFileEntry KeyOf(const QString& path)
    {
        const QFileInfo info(path);
        return {info.absoluteFilePath(),
                info.lastModified(),
                info.fileTime(QFileDevice::FileMetadataChangeTime),
                info.size(),
                {}};
    }
    // The picture of the file as `key` found it, made the most recent.
    const QImage* Find(const TFileEntry& key)
    {
        for (auto it = FFiles.begin(); it != FFiles.end(); ++it)
            if (it->Path == key.Path && it->Modified == key.Modified && it->Changed == key.Changed &&
                it->Bytes == key.Bytes) {
                std::rotate(FFiles.begin(), it, it + 1);
                return &FFiles.front().Image;
            }
        return nullptr;
    }
    // Most recent first, as many as `most` and their pixels within `pixels`,
    // the newest kept whatever its size: the pictures of a few reports, and
    // those of the report on every paper.
    template <class T>
    static void Keep(std::vector<T>& entries, T entry, size_t most, qint64 pixels)
    {
        entries.insert(entries.begin(), std::move(entry));
        qint64 sum = 0;
        for (size_t i = 0; i < entries.size(); ++i)
            if ((sum += PictureCost(entries[i].Image.size())) > pixels || i == most) {
                entries.resize(std::max<size_t>(i, 1));
                return;
            }
    }
    std::vector<TFileEntry> FFiles;
    std::vector<TScaledEntry> FScaled;
};

TPictureStore& Pictures()
{
    static TPictureStore store;
    return store;
}

// The picture in the file `path`; a null image, and `error` saying why,
// when it cannot be read whole: a cut file would be drawn in part, or as a
// black block.
QImage ReadPicture(const QString& path, QString& error)
{
    QString why;
    const QImage image = Pictures().Read(path, why);
    if (image.isNull())
        error = Format("Unable to load the picture \"%s\": %s.", path, why);
    return image;
}

QImage LoadPicture(const QString& path)
{
    QString error;
    const QImage image = ReadPicture(path, error);
    if (image.isNull())
        throw EInOutError(error);
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

QString BandLabelList()
{
    QStringList labels;
    for (const char* label : BandLabels)
        labels.append(QString::fromLatin1(label));
    return labels.join(QStringLiteral(", "));
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

// The canvas scaled by `s` until Restore or the end of the scope.
class TScaledCanvas {
public:
    TScaledCanvas(QPainter& canvas, double s) : FCanvas(&canvas)
    {
        FCanvas->save();
        FCanvas->scale(s, s);
    }
    ~TScaledCanvas() { Restore(); }
    void Restore()
    {
        if (FCanvas)
            FCanvas->restore();
        FCanvas = nullptr;
    }
    TScaledCanvas(const TScaledCanvas&) = delete;
    TScaledCanvas& operator=(const TScaledCanvas&) = delete;

private:
    QPainter* FCanvas;
};

// A layout that only moves its cursor: it measures how far the report runs.
class TMeasureLayout : public TReportLayout {
public:
    explicit TMeasureLayout(TPreviewUnits units) : FUnits(units) {}
    QPainter* Canvas() const override { return nullptr; }
    TPreviewUnits CanvasUnits() const override { return FUnits; }

private:
    TPreviewUnits FUnits;
};

// What the report shows besides the records: the documents' logo and
// letterhead, and the record's pictures (paths; loaded when drawn).
struct TReportFiles {
    QImage Logo;
    QString LetterheadFile;
    TStringDynArray Letterhead;
    QString Photo;
    QString Drawing;
};

// How the header is laid out, and what laying it out found.
struct THeader {
    int LogoHeight = 0;         // the logo's box, canvas units
    int LetterheadHeight = 0;   // how far the letterhead ran
    bool LetterheadCut = false; // lines that did not fit were left out
};

QString PicturePath(const QString& images, const QString& name)
{
    return name.isEmpty() ? QString() : FindFileNoCase(images, name);
}

// How far a line feed moves in a font of that height (LineFeed).
int FeedOf(int fontHeight)
{
    return int(std::trunc(std::abs(fontHeight) * 1.2 + 1e-9));
}

// The room the "Dimensions" line takes in the body font: its feed, or the
// font's full height where its descenders reach further.
int LastLineHeight(const TReportLayout& f)
{
    return std::max(FeedOf(FontPixelHeight(ReportFontSize, f.CanvasUnits())), QFontMetrics(f.ReportFont()).height());
}

// Pictures are kept at no more than this for the size they are drawn at:
// print needs no more.
constexpr int PictureDpi = 300;

// A picture and where it goes on the canvas.
struct TPlacedPicture {
    QRect Target;
    QImage Image;
};

// Draws `pictures` at no more than PictureDpi, and lower where together
// they would hold more than a page may keep (MaxPagePicturePixels): every
// picture of the report is kept, and its page reads back, on any paper.
void DrawPictures(QPainter& canvas, const std::vector<TPlacedPicture>& pictures)
{
    const double perInch = canvas.device() ? canvas.device()->logicalDpiX() : PictureDpi;
    std::vector<QSize> sizes(pictures.size());
    auto costAt = [&](double dpi) {
        qint64 cost = 0;
        for (size_t i = 0; i < pictures.size(); ++i) {
            const QRectF device = canvas.deviceTransform().mapRect(QRectF(pictures[i].Target));
            const QSize most(std::max(1, int(std::ceil(device.width() * dpi / perInch))),
                             std::max(1, int(std::ceil(device.height() * dpi / perInch))));
            const QSize own = pictures[i].Image.size();
            sizes[i] = own.width() > most.width() || own.height() > most.height()
                           ? own.scaled(most, Qt::KeepAspectRatio)
                           : own;
            cost += PictureCost(sizes[i]);
        }
        return cost;
    };
    double dpi = PictureDpi;
    for (qint64 cost = costAt(dpi); cost > MaxPagePicturePixels && dpi > 1;
         cost = costAt(dpi *= std::min(0.95, std::sqrt(double(MaxPagePicturePixels) / cost)))) {
    }
    for (size_t i = 0; i < pictures.size(); ++i) {
        const QImage& image = pictures[i].Image;
        canvas.drawImage(pictures[i].Target, Pictures().Scaled(image, sizes[i]));
    }
}

// `size` made to fit `box`, aspect kept; never larger, never empty.
QSize FitInto(QSize size, QSize box)
{
    if (size.width() > box.width() || size.height() > box.height())
        size.scale(box.expandedTo(QSize(1, 1)), Qt::KeepAspectRatio);
    return size.expandedTo(QSize(1, 1));
}

// Logo and letterhead in the top left corner, half a unit inside the page
// frame. However large the user's logo, it takes no more than its box of
// the header, so the report below keeps its size. It shrinks, to half its
// size at most, to leave the letterhead room beside it; where that leaves
// less than a third of the width, the letterhead goes below it. Letterhead
// lines wrap at the frame and fill the header's height at most: the rest is
// left out. The cursor ends below both.
void DrawHeader(TReportLayout& f, std::vector<TPlacedPicture>* pictures, const TReportFiles& files, const TInset& c,
                QPoint u, THeader& header)
{
    const int inset = int(std::trunc(u.x() * 0.5));
    const QPoint corner(c.Left + inset, c.Top + inset);
    const int right = c.Right - inset;
    const int room = right - corner.x();
    f.SetReportFont(fsPlain, LetterheadFontSize, clNone);
    const QFontMetrics metrics(f.ReportFont());
    const qsizetype roomLines = std::max(1, int(HeaderHeight * u.y()) / std::max(1, FeedOf(f.FontHeight())));
    // Of the lines that may show, one wider than the room counts as the
    // room: only that much of it is measured.
    int letterheadWidth = 0;
    for (qsizetype i = 0; i < std::min(files.Letterhead.size(), roomLines); ++i) {
        bool wider = false;
        const QStringList start = WrapToWidth(files.Letterhead[i], metrics, room, 1, &wider);
        letterheadWidth = std::max(letterheadWidth, wider ? room : metrics.horizontalAdvance(start.value(0)));
    }
    QSize logo;
    bool beside = true;
    if (!files.Logo.isNull()) {
        logo = FitInto(files.Logo.size(), QSize(room, header.LogoHeight));
        if (!files.Letterhead.isEmpty()) {
            const int besideLetterhead = room - inset - letterheadWidth;
            const QSize shrunk = besideLetterhead < logo.width()
                                     ? FitInto(logo, {std::max(besideLetterhead, logo.width() / 2), logo.height()})
                                     : logo;
            beside = room - inset - shrunk.width() >= room / 3;
            if (beside)
                logo = shrunk;
        }
        if (pictures)
            pictures->push_back({QRect(corner, logo), files.Logo});
    }
    f.ReportCursor = beside ? QPoint(corner.x() + (logo.isEmpty() ? 0 : logo.width() + inset), corner.y())
                            : QPoint(corner.x(), corner.y() + logo.height() + inset);
    const int top = f.ReportCursor.y();
    qsizetype lines = roomLines;
    header.LetterheadCut = false;
    for (const QString& line : files.Letterhead) {
        if (lines == 0) {
            header.LetterheadCut = true;
            break;
        }
        bool more = false;
        const QStringList parts = WrapToWidth(line, metrics, right - f.ReportCursor.x(), lines, &more);
        for (const QString& part : parts)
            f.WriteText(part);
        lines -= parts.size();
        header.LetterheadCut = more;
        if (more)
            break;
    }
    header.LetterheadHeight = f.ReportCursor.y() - top;
    f.ReportCursor.setY(std::max(f.ReportCursor.y(), corner.y() + logo.height()));
}

// The report down to where the pictures go: header, duty and silencer;
// the logo goes to `pictures`.
void DrawText(TReportLayout& f, std::vector<TPlacedPicture>* pictures, const TSilencerReportInput& in,
              const TReportFiles& files, const TInset& c, QPoint u, THeader& header)
{
    const TSelectionRec& rec = in.Rec;
    const TSpecificationRec& spec = in.Spec;
    f.ReportUnit = u;
    DrawHeader(f, pictures, files, c, u, header);

    auto body = [&f] { f.SetReportFont(fsPlain, ReportFontSize, clBlack); };
    auto feed = [&f](int times = 1) {
        for (int i = 0; i < times; ++i)
            f.LineFeed(1);
    };
    auto tabs = [&f](const QString& text) { f.WriteTabbedList(text, fsPlain, clNone, 0); };
    // The band names over the values, in the values' columns.
    auto bandLabels = [&f, &body] {
        f.WriteTabbedList(BandLabelList(), fsBold, clNone, ReportFontSize);
        body();
    };

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
    bandLabels();
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
    bandLabels();
    tabs(OctaveToStr(rec.atten, QStringLiteral("%0.0f")));
    feed();
    f.WriteLabelValue(QStringLiteral("Regenerated Noise [dB]"), QString());
    tabs(OctaveToStr(rec.regen, QStringLiteral("%0.0f")));
    feed();

    f.WriteThreeColumns(QStringLiteral("Static Insertion Loss"), Format("%0.1f", rec.db), QStringLiteral("dB"));
    f.WriteThreeColumns(QStringLiteral("Passage velocity"), Value(VelocityUnits, rec.vp), UnitOf(VelocityUnits));
    f.WriteThreeColumns(QStringLiteral("Pressure drop"), Value(PressureUnits, rec.dp), UnitOf(PressureUnits));
    feed(3);
}

// Places photo and drawing below the text.
void PlacePictures(TReportLayout& f, std::vector<TPlacedPicture>& pictures, const TReportFiles& files, const TInset& c,
                   QPoint u)
{
    const QImage photo = files.Photo.isEmpty() ? QImage() : LoadPicture(files.Photo);
    const QImage drawing = files.Drawing.isEmpty() ? QImage() : LoadPicture(files.Drawing);
    const int gap = 2 * u.y();
    // Room left above the "Dimensions" line and the bottom margin.
    const int roomBelow = c.Bottom - f.ReportCursor.y() - int(std::trunc(u.y() * 0.2)) - LastLineHeight(f);
    const double s = PictureScale(photo.size(), drawing.size(), gap, c.Right - c.Left, roomBelow);
    auto scaled = [s](const QImage& image) {
        return image.isNull() ? QSize(0, 0)
                              : QSize(std::max(1, qRound(image.width() * s)), std::max(1, qRound(image.height() * s)));
    };
    const QSize photoSize = scaled(photo);
    const QSize drawingSize = scaled(drawing);
    if (!photo.isNull())
        pictures.push_back({QRect(f.ReportCursor, photoSize), photo});
    int h = photoSize.height();
    f.ReportCursor.rx() += photoSize.width() + gap;
    if (!drawing.isNull())
        pictures.push_back({QRect(f.ReportCursor, drawingSize), drawing});
    f.ReportCursor.setX(c.Left);
    h = std::max(h, drawing.isNull() ? photoSize.height() : drawingSize.height());
    f.ReportCursor.ry() += h + int(std::trunc(u.y() * 0.2));
}

// The height the pictures ask for: as large as the width allows, up to
// four report units; and, on the sheet whatever the report's scale, the
// height at which each is 30 x 20 mm at least (never above its own size).
struct TPictureRoom {
    int Wanted = 0;
    int Least = 0;
};

TPictureRoom PictureRoom(const TReportFiles& files, const TInset& c, QPoint u)
{
    const QSize photo = files.Photo.isEmpty() ? QSize() : TPictureReader(files.Photo).size();
    const QSize drawing = files.Drawing.isEmpty() ? QSize() : TPictureReader(files.Drawing).size();
    const int tallest = std::max(photo.height(), drawing.height());
    if (tallest <= 0)
        return {};
    const double s = PictureScale(photo.expandedTo({0, 0}), drawing.expandedTo({0, 0}), 2 * u.y(), c.Right - c.Left, 0);
    double least = 0;
    for (const QSize& picture : {photo, drawing})
        if (picture.width() > 0 && picture.height() > 0)
            least = std::max({least, 3.0 * u.x() / picture.width(), 2.0 * u.y() / picture.height()});
    // One unit more for the rounding of the pictures' sizes.
    return {std::min(int(std::ceil(tallest * s)), 4 * u.y()), int(std::ceil(tallest * std::min({least, s, 1.0}))) + 1};
}

// How much the report must shrink so that text, readable pictures and the
// "Dimensions" line stay inside `c`: 1 when they fit as they are. Where
// they do not, the logo's box gives way first, down to the letterhead's
// height beside it (or one unit), so that no logo makes the report smaller
// than it is without one. The logo grows on a shrunk page, so the measure
// is repeated with the new scale. `header` gets the logo's box.
double ReportScale(const TReportLayout& f, const TSilencerReportInput& in, const TReportFiles& files, const TInset& c,
                   QPoint u, THeader& header)
{
    header.LogoHeight = int(HeaderHeight * u.y());
    const int room = c.Bottom - c.Top;
    double s = 1.0;
    for (int pass = 0; pass < 4; ++pass) {
        const TInset inner = Unscaled(c, s);
        TMeasureLayout m(f.CanvasUnits());
        m.ResetReportFont(f.ReportFont(), f.FontHeight());
        DrawText(m, nullptr, in, files, inner, u, header);
        const int text = m.ReportCursor.y() - inner.Top + int(std::trunc(u.y() * 0.2)) + LastLineHeight(m);
        const TPictureRoom pictures = PictureRoom(files, inner, u);
        // Scaled by `s`, the text takes s x text and the pictures the larger
        // of s x wanted and their least.
        double fits = double(room) / (text + pictures.Wanted);
        if (pictures.Least > 0 && pictures.Least < room)
            fits = std::min(fits, double(room - pictures.Least) / text);
        if (s <= fits + 1e-9)
            break;
        if (pass == 0 && !files.Logo.isNull()) {
            const int needed = text + std::max(pictures.Wanted, pictures.Least);
            const int least = std::min(header.LogoHeight, std::max(header.LetterheadHeight, u.y()));
            header.LogoHeight = std::max(least, header.LogoHeight - (needed - room));
            continue;
        }
        s = fits;
    }
    return s;
}

// The files of the report; `note` says which of logo and letterhead it
// goes without.
TReportFiles ReportFiles(const TSilencerReportInput& in, QString& note)
{
    QStringList missing;
    const QString documents = WithSlash(in.UserDataDir.isEmpty() ? UserDataDir : in.UserDataDir);
    const QString exeDir = WithSlash(in.ExeDir.isEmpty() ? ExeDir : in.ExeDir);
    const QString shipped = exeDir.isEmpty() ? QString() : exeDir + QStringLiteral("documents/");
    TReportFiles files;
    const QString images = exeDir + QStringLiteral("images/");
    files.Photo = PicturePath(images, in.Rec.photo.Text());
    files.Drawing = PicturePath(images, in.Rec.ga.Text());
    const QString logo = FindLogoFile(documents, shipped);
    Pictures().ReadAhead({logo, files.Photo, files.Drawing});
    QString unreadable;
    if (!logo.isEmpty())
        files.Logo = ReadPicture(logo, unreadable);
    else
        missing.append(QString::fromLatin1(LogoFileName));
    files.LetterheadFile = FindLetterheadFile(documents, shipped);
    if (!files.LetterheadFile.isEmpty())
        LoadLinesFromFile(files.LetterheadFile, files.Letterhead, MaxLetterheadLines);
    else
        missing.append(QString::fromLatin1(LetterheadFileName));
    QStringList notes;
    if (!missing.isEmpty())
        notes.append(Format("No %s in \"%s\" or in \"%s\": the report goes without %s.",
                            QLatin1Char('"') + missing.join(QStringLiteral("\" and no \"")) + QLatin1Char('"'),
                            documents, shipped, missing.size() > 1 ? QStringLiteral("them") : QStringLiteral("it")));
    if (!unreadable.isEmpty())
        notes.append(unreadable + QStringLiteral(" The report goes without the logo."));
    note = notes.join(QLatin1Char('\n'));
    return files;
}

QString DrawReport(TPrintPreviewForm& f, const TSilencerReportInput& in)
{
    TPreviewDocument& doc = f.Document();
    QPainter* canvas = f.Canvas();
    if (!canvas)
        throw Exception(QStringLiteral("The preview has no page to draw on."));
    QString note;
    const TReportFiles files = ReportFiles(in, note);
    f.SetTransparentBackground();
    f.ReportRuleColor = clBlack;
    f.SetRulePenWidth(1);

    const QPoint u(doc.ToUnits(100, mmLoMetric), doc.ToUnits(100, mmLoMetric));
    const QRect sheet = doc.PageBounds();
    const TInset c{sheet.left() + u.x(), sheet.top() + u.y(), sheet.left() + sheet.width() - u.x(),
                   sheet.top() + sheet.height() - u.y()};

    // Small paper gets the whole report shrunk rather than cut or its
    // pictures lost; the frame and the footer keep their places.
    THeader header;
    const double s = ReportScale(f, in, files, c, u, header);
    TScaledCanvas scaled(*canvas, s);
    const TInset inner = Unscaled(c, s);
    std::vector<TPlacedPicture> pictures;
    DrawText(f, &pictures, in, files, inner, u, header);
    if (header.LetterheadCut)
        note += (note.isEmpty() ? QString() : QStringLiteral("\n")) +
                Format("\"%s\" holds more than the report's header has room for: the report leaves out what does "
                       "not fit.",
                       files.LetterheadFile);
    PlacePictures(f, pictures, files, inner, u);
    DrawPictures(*canvas, pictures);
    f.WriteLine(QStringLiteral("Dimensions: ") + in.Rec.size.Text(), fsItalic, clNone, ReportFontSize);
    scaled.Restore();

    f.ReportCursor = QPoint(c.Left, c.Bottom);
    f.DoWriteLine(in.VersionText.isEmpty() ? ReportVersionText() : in.VersionText, fsPlain, clNone, 8);

    f.SetReportFont(fsPlain, ReportFontSize, clBlack);
    return note;
}

} // namespace

TReportPictureWork ReportPictureWork()
{
    return Work;
}

void ReleaseReportPictures()
{
    Pictures().Clear();
}

QString ReportVersionText()
{
    return GetProductVersionText(QString());
}

QString FindFileNoCase(const QString& folder, const QString& name)
{
    return FindDataFile(folder, name);
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

QString BuildReport(TPrintPreviewForm& form, const TSilencerReportInput& input)
{
    TPreviewDocument& doc = form.Document();
    doc.PrintJobTitle = QStringLiteral("RAV Silencer report");
    if (form.FormComboBox->currentIndex() >= 0)
        doc.SetPaperName(form.FormComboBox->currentText());
    doc.BeginDoc();
    const TEndDoc end(doc);
    return DrawReport(form, input);
}
