#include "TxPageStream.h"

#include "TxFormat.h"
#include "TxPictureRead.h"
#include "TxPreviewPage.h"

#include <QBuffer>
#include <QDataStream>
#include <QImage>
#include <QMutex>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <QTextItem>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

constexpr QDataStream::Version StreamVersion = QDataStream::Qt_6_4;
constexpr quint32 MaxCommands = 2000000;
constexpr int MaxDashes = 64;
constexpr int MaxImageSide = 10000;
constexpr double MaxPenValue = 100000;
constexpr double MaxFontSize = 100000;
constexpr qsizetype MaxFamilyLength = 100;
// How far drawing may lie off its sheet: what rounding leaves.
constexpr double SheetSlack = 1;
// The report's body text, in points: the unit of a page's text.
constexpr int BodyPoints = 10;
// The sheet whose width holds MaxPageCharacters.
constexpr double A4WidthMillimetres = 210;

enum TCommand : quint8 {
    cmTransform = 1,
    cmClip = 2,
    cmClipEnabled = 3,
    cmPen = 4,
    cmBrush = 5,
    cmBrushOrigin = 6,
    cmFont = 7,
    cmBackground = 8,
    cmHints = 9,
    cmOpacity = 10,
    cmPath = 20,
    cmPolygon = 21,
    cmImage = 22,
    cmText = 23,
};

// Element sizes on the stream, for checking counts against what is left.
constexpr qint64 PathElementBytes = 1 + 2 * 8;
constexpr qint64 PointBytes = 2 * 8;

// ---------------------------------------------------------------------------
// Writing

// The last pictures compressed and decoded. A report is drawn again at each
// activation and paper change with the same pictures: each is compressed
// once (told by its cache key, which changes with its pixels) and its PNG
// decoded once (told by its bytes). Pictures of the report on every paper
// are kept; a decoded picture that is the one compressed is kept once.
struct TPictureMemo {
    struct TEntry {
        qint64 Key = 0;
        QByteArray Png;
        QImage Source;
        QImage Decoded;
        qint64 Pixels() const
        {
            const qint64 decoded = Decoded.cacheKey() == Source.cacheKey() ? 0 : PictureCost(Decoded.size());
            return (Source.isNull() ? 0 : PictureCost(Source.size())) + (Decoded.isNull() ? 0 : decoded);
        }
    };
    static constexpr size_t MaxEntries = 32;
    static constexpr qint64 MaxPixels = 6 * MaxPagePicturePixels;
    QMutex Lock;
    std::vector<TEntry> Entries; // most recent first
    TPictureWork Work;

    // The entry that `match`es, made the most recent.
    TEntry* Find(const std::function<bool(const TEntry&)>& match)
    {
        const auto it = std::find_if(Entries.begin(), Entries.end(), match);
        if (it == Entries.end())
            return nullptr;
        std::rotate(Entries.begin(), it, it + 1);
        return &Entries.front();
    }
    void Add(TEntry entry)
    {
        Entries.insert(Entries.begin(), std::move(entry));
        Trim();
    }
    void Trim()
    {
        qint64 pixels = 0;
        for (size_t i = 0; i < Entries.size(); ++i)
            if ((pixels += Entries[i].Pixels()) > MaxPixels || i == MaxEntries) {
                Entries.resize(std::max<size_t>(i, 1));
                return;
            }
    }
};

TPictureMemo& Memo()
{
    static TPictureMemo memo;
    return memo;
}

QByteArray CompressedPng(const QImage& image);

QByteArray PngOf(const QImage& image)
{
    TPictureMemo& memo = Memo();
    const QMutexLocker lock(&memo.Lock);
    if (const auto* e = memo.Find([&](const auto& e) { return e.Key != 0 && e.Key == image.cacheKey(); }))
        return e->Png;
    ++memo.Work.Compressed;
    QByteArray png = CompressedPng(image);
    if (!image.isNull() && !png.isEmpty())
        memo.Add({image.cacheKey(), png, image, {}});
    return png;
}

// The picture `png` holds, decoded once while it is kept.
QImage DecodedPng(const QByteArray& png, const std::function<QImage()>& decode)
{
    TPictureMemo& memo = Memo();
    const QMutexLocker lock(&memo.Lock);
    if (const auto* e = memo.Find([&](const auto& e) { return !e.Decoded.isNull() && e.Png == png; }))
        return e->Decoded;
    ++memo.Work.Decoded;
    const QImage image = decode();
    if (image.isNull())
        return image;
    if (auto* e = memo.Find([&](const auto& e) { return e.Png == png; })) {
        e->Decoded = image == e->Source ? e->Source : image;
        memo.Trim();
        return e->Decoded;
    }
    memo.Add({0, png, {}, image});
    return image;
}

// `image` as a PNG the reader takes: its pixels only, at eight bits a
// channel at most.
QByteArray CompressedPng(const QImage& image)
{
    QImage pixels = image;
    if (pixels.depth() > 32 || pixels.format() == QImage::Format_Grayscale16)
        pixels = pixels.convertToFormat(pixels.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    // The same pixels without texts, colour profile or offset, which the
    // writer would put in parts of their own.
    QImage bare(pixels.constBits(), pixels.width(), pixels.height(), pixels.bytesPerLine(), pixels.format());
    bare.setColorTable(pixels.colorTable());
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!bare.isNull())
        bare.save(&buffer, "PNG");
    return png;
}

// What the reader takes: a finite value within the limits.
double Real(double v, double limit = PageStreamCoordinateLimit)
{
    return std::isfinite(v) ? std::clamp(v, -limit, limit) : 0.0;
}

void WritePoint(QDataStream& out, const QPointF& p)
{
    out << Real(p.x()) << Real(p.y());
}

void WriteRect(QDataStream& out, const QRectF& r)
{
    out << Real(r.x()) << Real(r.y()) << Real(r.width()) << Real(r.height());
}

void WriteTransform(QDataStream& out, const QTransform& t)
{
    for (double v : {t.m11(), t.m12(), t.m13(), t.m21(), t.m22(), t.m23(), t.m31(), t.m32(), t.m33()})
        out << Real(v);
}

void WritePath(QDataStream& out, const QPainterPath& path)
{
    out << quint8(path.fillRule()) << quint32(path.elementCount());
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        out << quint8(e.type) << Real(e.x) << Real(e.y);
    }
}

void WriteFont(QDataStream& out, const QFont& font)
{
    quint8 flags = 0;
    if (font.italic())
        flags |= 1;
    if (font.underline())
        flags |= 2;
    if (font.overline())
        flags |= 4;
    if (font.strikeOut())
        flags |= 8;
    if (!font.kerning())
        flags |= 16;
    out << font.family().left(MaxFamilyLength) << Real(font.pointSizeF(), MaxFontSize)
        << qint32(std::min(font.pixelSize(), int(MaxFontSize))) << qint32(font.weight()) << flags
        << qint32(font.stretch());
}

QColor BrushColour(const QBrush& brush)
{
    if (const QGradient* g = brush.gradient(); g && !g->stops().isEmpty())
        return g->stops().first().second;
    return brush.color();
}

class TCommandEngine : public QPaintEngine {
public:
    explicit TCommandEngine(QDataStream& out) : QPaintEngine(QPaintEngine::AllFeatures), FOut(out) {}

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }

    void updateState(const QPaintEngineState& state) override
    {
        const DirtyFlags dirty = state.state();
        if (dirty & DirtyTransform) {
            Begin(cmTransform);
            WriteTransform(FOut, state.transform());
        }
        if (dirty & DirtyClipPath) {
            Begin(cmClip);
            FOut << quint8(state.clipOperation());
            WritePath(FOut, state.clipPath());
        }
        if (dirty & DirtyClipRegion) {
            QPainterPath path;
            path.addRegion(state.clipRegion());
            Begin(cmClip);
            FOut << quint8(state.clipOperation());
            WritePath(FOut, path);
        }
        if (dirty & DirtyClipEnabled) {
            Begin(cmClipEnabled);
            FOut << quint8(state.isClipEnabled());
        }
        if (dirty & DirtyPen)
            WritePen(state.pen());
        if (dirty & DirtyBrush)
            WriteBrush(state.brush());
        if (dirty & DirtyBrushOrigin) {
            Begin(cmBrushOrigin);
            WritePoint(FOut, state.brushOrigin());
        }
        if (dirty & DirtyFont) {
            Begin(cmFont);
            WriteFont(FOut, state.font());
        }
        if (dirty & (DirtyBackground | DirtyBackgroundMode)) {
            Begin(cmBackground);
            FOut << quint8(state.backgroundMode()) << quint32(BrushColour(state.backgroundBrush()).rgba());
        }
        if (dirty & DirtyHints) {
            Begin(cmHints);
            FOut << qint32(state.renderHints());
        }
        if (dirty & DirtyOpacity) {
            Begin(cmOpacity);
            FOut << std::clamp(Real(state.opacity()), 0.0, 1.0);
        }
    }

    void drawPath(const QPainterPath& path) override
    {
        Begin(cmPath);
        WritePath(FOut, path);
    }

    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override
    {
        Begin(cmPolygon);
        FOut << quint8(mode) << quint32(count);
        for (int i = 0; i < count; ++i)
            WritePoint(FOut, points[i]);
    }

    void drawPixmap(const QRectF& r, const QPixmap& pm, const QRectF& sr) override
    {
        WriteImageCommand(r, pm.toImage(), sr);
    }

    void drawImage(const QRectF& r, const QImage& image, const QRectF& sr, Qt::ImageConversionFlags) override
    {
        WriteImageCommand(r, image, sr);
    }

    void drawTextItem(const QPointF& p, const QTextItem& textItem) override
    {
        Begin(cmText);
        WritePoint(FOut, p);
        FOut << textItem.text();
        WriteFont(FOut, textItem.font());
    }

    quint32 Count = 0;

private:
    void Begin(TCommand command)
    {
        FOut << quint8(command);
        ++Count;
    }

    void WritePen(const QPen& pen)
    {
        Begin(cmPen);
        FOut << quint32(pen.color().rgba()) << std::abs(Real(pen.widthF(), MaxPenValue)) << quint8(pen.style())
             << quint16(pen.capStyle()) << quint16(pen.joinStyle()) << quint8(pen.isCosmetic())
             << std::abs(Real(pen.miterLimit(), MaxPenValue)) << Real(pen.dashOffset());
        const QList<qreal> dashes = pen.style() == Qt::CustomDashLine ? pen.dashPattern() : QList<qreal>();
        FOut << quint32(std::min<qsizetype>(dashes.size(), MaxDashes));
        for (qsizetype i = 0; i < dashes.size() && i < MaxDashes; ++i)
            FOut << std::abs(Real(dashes[i], MaxPenValue));
    }

    void WriteBrush(const QBrush& brush)
    {
        Begin(cmBrush);
        Qt::BrushStyle style = brush.style();
        if (style == Qt::LinearGradientPattern || style == Qt::RadialGradientPattern ||
            style == Qt::ConicalGradientPattern)
            style = Qt::SolidPattern;
        FOut << quint8(style) << quint32(BrushColour(brush).rgba());
        WriteTransform(FOut, brush.transform());
    }

    void WriteImageCommand(const QRectF& r, const QImage& image, const QRectF& sr)
    {
        Begin(cmImage);
        WriteRect(FOut, r);
        WriteRect(FOut, sr);
        FOut << PngOf(image);
    }

    QDataStream& FOut;
};

// ---------------------------------------------------------------------------
// Reading

using TStep = TPageDrawing::TStep;

TPageFault FaultOf(TPngFault fault)
{
    switch (fault) {
    case TPngFault::None:
        return TPageFault::None;
    case TPngFault::Damaged:
        return TPageFault::Damaged;
    case TPngFault::TooMuch:
        return TPageFault::TooMuch;
    case TPngFault::Unsupported:
        break;
    }
    return TPageFault::Foreign;
}

// The widest a pen of the program's pages is: a rule of one screen pixel.
double MaxPenWidth(const TPageSheet& sheet)
{
    return std::max(1.0, std::round(sheet.UnitsPerInch / double(PreviewPixelsPerInch)));
}

// Characters of body text a page on `sheet` may hold: half of them for the
// report's body, the same whatever the sheet, half for the letterhead,
// whose lines run across the sheet: as many again for each A4 width more.
int PageCharacters(const TPageSheet& sheet)
{
    const double millimetres = sheet.Size.width() * 25.4 / sheet.UnitsPerInch;
    return int(MaxPageCharacters / 2 * (1 + std::max(1.0, millimetres / A4WidthMillimetres)));
}

class TCommandReader {
public:
    TCommandReader(QDataStream& in, const TPageSheet& sheet, const TPageBudget& budget, bool decode)
        : FIn(in), FSheet(sheet), FDecode(decode), FFilePixels(budget.PicturePixels), FFileElements(budget.Elements),
          FFonts(budget.Fonts), FRulesLeft(double(MaxPageRules) * (sheet.Size.width() + sheet.Size.height())),
          FCharacters(PageCharacters(sheet)),
          FTextLeft(FCharacters * std::pow(BodyPoints * sheet.UnitsPerInch / 72.0, 2))
    {
    }

    bool Ok() const { return FFault == TPageFault::None && FIn.status() == QDataStream::Ok; }
    const QString& Error() const { return FError; }
    TPageFault Fault() const { return FFault; }
    qint64 PixelsLeft() const { return FFilePixels; }
    qint64 ElementsLeft() const { return FFileElements; }
    const TFontsUsed& FontsUsed() const { return FFonts; }
    std::vector<TStep> Steps;

    void Fail(TPageFault fault, const QString& what)
    {
        if (FFault == TPageFault::None) {
            FFault = fault;
            FError = what;
        }
    }
    void Damaged(const char* what) { Fail(TPageFault::Damaged, QString::fromLatin1(what)); }
    void Foreign(const char* what) { Fail(TPageFault::Foreign, QString::fromLatin1(what)); }

    qint64 Left() const { return FIn.device()->bytesAvailable(); }

    quint8 U8()
    {
        quint8 v = 0;
        FIn >> v;
        return v;
    }
    quint16 U16()
    {
        quint16 v = 0;
        FIn >> v;
        return v;
    }
    quint32 U32()
    {
        quint32 v = 0;
        FIn >> v;
        return v;
    }
    qint32 I32()
    {
        qint32 v = 0;
        FIn >> v;
        return v;
    }

    double Real(double low = -PageStreamCoordinateLimit, double high = PageStreamCoordinateLimit)
    {
        double v = 0;
        FIn >> v;
        if (!std::isfinite(v) || v < low || v > high) {
            Damaged("a value out of range");
            return 0;
        }
        return v;
    }

    QPointF Point()
    {
        const double x = Real();
        const double y = Real();
        return {x, y};
    }

    QRectF Rect()
    {
        const QPointF p = Point();
        const double w = Real();
        const double h = Real();
        return {p, QSizeF(w, h)};
    }

    QColor Colour() { return QColor::fromRgba(U32()); }

    QString Text(qsizetype longest)
    {
        QString s;
        FIn >> s;
        if (s.size() > longest)
            Fail(TPageFault::TooMuch, Format("a text of more than %d characters", int(longest)));
        Spend(s.size());
        return s;
    }

    // Plays one command, checked; a bad one leaves the reader failed.
    void Read()
    {
        const quint8 command = U8();
        Spend(1);
        if (!Ok())
            return;
        switch (command) {
        case cmTransform:
            ReadTransform();
            break;
        case cmClip:
        case cmClipEnabled:
            Foreign("a clip");
            break;
        case cmPen:
            ReadPen();
            break;
        case cmBrush:
            ReadBrush();
            break;
        case cmBrushOrigin:
            Foreign("a brush origin");
            break;
        case cmFont: {
            const QFont f = Font();
            Add([f](QPainter& p, const QTransform&) { p.setFont(f); });
            break;
        }
        case cmBackground: {
            const quint8 mode = U8();
            const QColor colour = Colour();
            if (mode > Qt::OpaqueMode)
                Damaged("an unknown background mode");
            Add([mode, colour](QPainter& p, const QTransform&) {
                p.setBackgroundMode(Qt::BGMode(mode));
                p.setBackground(colour);
            });
            break;
        }
        case cmHints: {
            // As pictures played them: smoothing on or off, the rest the painter's.
            const auto hints = QPainter::RenderHints::fromInt(I32());
            Add([hints](QPainter& p, const QTransform&) {
                p.setRenderHint(QPainter::Antialiasing, hints.testFlag(QPainter::Antialiasing));
                p.setRenderHint(QPainter::SmoothPixmapTransform, hints.testFlag(QPainter::SmoothPixmapTransform));
            });
            break;
        }
        case cmOpacity:
            Foreign("translucent drawing");
            break;
        case cmPath:
            ReadPath();
            break;
        case cmPolygon:
            ReadPolygon();
            break;
        case cmImage:
            ReadImage();
            break;
        case cmText:
            ReadText();
            break;
        default:
            Damaged("an unknown command");
        }
    }

private:
    void Add(TStep step)
    {
        if (Ok() && FDecode)
            Steps.push_back(std::move(step));
    }

    // Takes `n` drawing elements from the page's and the file's budget.
    void Spend(qint64 n)
    {
        if (n > FPageElements)
            Fail(TPageFault::TooMuch, Format("a page of more than %d drawing elements", int(MaxPageElements)));
        else if (n > FFileElements)
            Fail(TPageFault::TooMuch, Format("more than %d drawing elements", int(MaxFileElements)));
        FPageElements -= n;
        FFileElements -= n;
    }

    // A picture or a filled shape more.
    void Area()
    {
        if (++FAreas > MaxPageAreas)
            Fail(TPageFault::TooMuch, Format("a page of more than %d pictures and filled shapes", MaxPageAreas));
    }

    // `p` where it lands on the sheet; drawing off the sheet is refused.
    QPointF OnSheet(const QPointF& p)
    {
        const QPointF q = FTransform.map(p);
        if (q.x() < -SheetSlack || q.y() < -SheetSlack || q.x() > FSheet.Size.width() + SheetSlack ||
            q.y() > FSheet.Size.height() + SheetSlack)
            Foreign("drawing off its sheet");
        return q;
    }

    void ReadTransform()
    {
        double m[9];
        for (double& v : m)
            v = Real();
        if (!Ok())
            return;
        // The report only ever shrinks its drawing to fit small paper.
        if (m[1] != 0 || m[2] != 0 || m[3] != 0 || m[5] != 0 || m[8] != 1 || m[0] <= 0 || m[0] > 1 || m[4] <= 0 ||
            m[4] > 1 || std::abs(m[6]) > FSheet.Size.width() || std::abs(m[7]) > FSheet.Size.height()) {
            Foreign("a drawing turned, slanted or enlarged");
            return;
        }
        FTransform = QTransform(m[0], m[1], m[2], m[3], m[4], m[5], m[6], m[7], m[8]);
        Add([t = FTransform](QPainter& p, const QTransform& base) { p.setTransform(t * base); });
    }

    void ReadPen()
    {
        const QColor colour = Colour();
        const double width = Real(0, MaxPenValue);
        const quint8 style = U8();
        const quint16 cap = U16();
        const quint16 join = U16();
        const quint8 cosmetic = U8();
        Real(0, MaxPenValue); // miter limit: no joins are mitred
        Real();               // dash offset: no pen is dashed
        const quint32 dashes = U32();
        if (!Ok())
            return;
        if (style > Qt::CustomDashLine || (cap != Qt::FlatCap && cap != Qt::SquareCap && cap != Qt::RoundCap) ||
            (join != Qt::MiterJoin && join != Qt::BevelJoin && join != Qt::RoundJoin && join != Qt::SvgMiterJoin) ||
            dashes > MaxDashes) {
            Damaged("an invalid pen");
            return;
        }
        if ((style != Qt::NoPen && style != Qt::SolidLine) || dashes > 0) {
            Foreign("a dashed pen");
            return;
        }
        if (width > MaxPenWidth(FSheet)) {
            Foreign("a pen wider than a rule");
            return;
        }
        FPen = style != Qt::NoPen;
        QPen pen(colour, width, Qt::PenStyle(style), Qt::PenCapStyle(cap), Qt::PenJoinStyle(join));
        pen.setCosmetic(cosmetic != 0);
        Add([pen](QPainter& p, const QTransform&) { p.setPen(pen); });
    }

    void ReadBrush()
    {
        const quint8 style = U8();
        const QColor colour = Colour();
        for (int i = 0; i < 9; ++i)
            Real(); // the brush's transform: nothing to place in a solid colour
        if (!Ok())
            return;
        if (style > Qt::TexturePattern || style == Qt::LinearGradientPattern || style == Qt::RadialGradientPattern ||
            style == Qt::ConicalGradientPattern) {
            Damaged("an invalid brush");
            return;
        }
        if (style != Qt::NoBrush && style != Qt::SolidPattern) {
            Foreign("a patterned brush");
            return;
        }
        FBrush = style != Qt::NoBrush;
        const QBrush brush(colour, Qt::BrushStyle(style));
        Add([brush](QPainter& p, const QTransform&) { p.setBrush(brush); });
    }

    QFont Font()
    {
        QFont font;
        const QString family = Text(MaxFamilyLength);
        const double pointSize = Real(-1, MaxFontSize);
        const qint32 pixelSize = I32();
        const qint32 weight = I32();
        const quint8 flags = U8();
        const qint32 stretch = I32();
        if (!Ok())
            return font;
        if (pixelSize > MaxFontSize || (pixelSize <= 0 && pointSize <= 0) || weight < 1 || weight > 1000 ||
            stretch < 0 || stretch > 4000) {
            Damaged("an invalid font");
            return font;
        }
        // In sheet units, whatever the painter's resolution.
        const double height = pixelSize > 0 ? pixelSize : pointSize * FSheet.UnitsPerInch / 72;
        if (height > std::round(double(MaxFontPoints) * FSheet.UnitsPerInch / 72)) {
            Fail(TPageFault::Foreign, Format("text larger than %d points", MaxFontPoints));
            return font;
        }
        font.setFamily(family);
        font.setPixelSize(std::max(1, int(std::lround(height))));
        font.setWeight(QFont::Weight(weight));
        font.setItalic(flags & 1);
        font.setUnderline(flags & 2);
        font.setOverline(flags & 4);
        font.setStrikeOut(flags & 8);
        font.setKerning(!(flags & 16));
        if (stretch > 0)
            font.setStretch(stretch);
        // Each font and family costs finding, painting and embedding in PDF.
        const QString familyKey = family.toCaseFolded();
        const QString fontKey = font.key().toCaseFolded();
        if (!FFonts.Families.contains(familyKey) && FFonts.Families.size() >= MaxFileFamilies)
            Fail(TPageFault::TooMuch, Format("more than %d font families", MaxFileFamilies));
        else if (!FFonts.Fonts.contains(fontKey) && FFonts.Fonts.size() >= MaxFileFonts)
            Fail(TPageFault::TooMuch, Format("more than %d fonts", MaxFileFonts));
        FFonts.Families.insert(familyKey);
        FFonts.Fonts.insert(fontKey);
        return font;
    }

    // A shape's `n` points of `bytes` each, read by `next`: where they land,
    // how long their rules run, whether they fill an area.
    QPolygonF Shape(quint32 n, qint64 bytes, bool filled, const std::function<QPointF()>& next)
    {
        if (Ok() && qint64(n) * bytes > Left())
            Damaged("a shape longer than its data");
        if (!Ok() || n > quint32(MaxShapePoints)) {
            Fail(TPageFault::Foreign, Format("a shape of more than %d points", MaxShapePoints));
            return {};
        }
        Spend(n);
        QPolygonF points;
        QPolygonF landed;
        for (quint32 i = 0; i < n && Ok(); ++i) {
            points.append(next());
            landed.append(OnSheet(points.back()));
        }
        if (FPen) {
            for (qsizetype i = 1; i < landed.size(); ++i)
                FRulesLeft -= QLineF(landed[i - 1], landed[i]).length();
            if (FRulesLeft < 0)
                Fail(TPageFault::TooMuch,
                     Format("a page of rules longer than %d times its width and height", MaxPageRules));
        }
        if (FBrush && filled)
            Area();
        return points;
    }

    void ReadPath()
    {
        const quint8 rule = U8();
        const quint32 n = U32();
        if (rule > Qt::WindingFill)
            Damaged("an unknown fill rule");
        std::vector<quint8> types;
        const QPolygonF points = Shape(n, PathElementBytes, true, [&] {
            types.push_back(U8());
            if (types.back() != QPainterPath::MoveToElement && types.back() != QPainterPath::LineToElement)
                Foreign("a curve");
            return Point();
        });
        if (!Ok())
            return;
        QPainterPath path;
        path.setFillRule(Qt::FillRule(rule));
        for (qsizetype i = 0; i < points.size(); ++i) {
            if (types[size_t(i)] == QPainterPath::MoveToElement)
                path.moveTo(points[i]);
            else
                path.lineTo(points[i]);
        }
        Add([path](QPainter& p, const QTransform&) { p.drawPath(path); });
    }

    void ReadPolygon()
    {
        const quint8 mode = U8();
        const quint32 n = U32();
        if (mode > QPaintEngine::PolylineMode)
            Damaged("an invalid polygon");
        const QPolygonF points = Shape(n, PointBytes, mode != QPaintEngine::PolylineMode, [this] { return Point(); });
        if (!Ok())
            return;
        Add([points, mode](QPainter& p, const QTransform&) {
            switch (mode) {
            case QPaintEngine::OddEvenMode:
                p.drawPolygon(points, Qt::OddEvenFill);
                break;
            case QPaintEngine::WindingMode:
                p.drawPolygon(points, Qt::WindingFill);
                break;
            case QPaintEngine::ConvexMode:
                p.drawConvexPolygon(points);
                break;
            default:
                p.drawPolyline(points);
            }
        });
    }

    void ReadImage()
    {
        const QRectF r = Rect();
        const QRectF sr = Rect();
        QByteArray png;
        FIn >> png;
        if (!Ok())
            return;
        OnSheet(r.topLeft());
        OnSheet(r.bottomRight());
        if (png.isEmpty())
            return;
        const TPngLayout layout = PngLayoutOf(png, MaxImageSide);
        if (layout.Fault != TPngFault::None) {
            Fail(FaultOf(layout.Fault), layout.Why);
            return;
        }
        const qint64 cost = PictureCost(layout.Size);
        if (cost > FPagePixels)
            Fail(TPageFault::TooMuch,
                 Format("a page with pictures of more than %d million pixels", int(MaxPagePicturePixels / 1000000)));
        else if (cost > FFilePixels)
            Fail(TPageFault::TooMuch,
                 Format("pictures of more than %d million pixels", int(MaxFilePicturePixels / 1000000)));
        FPagePixels -= cost;
        FFilePixels -= cost;
        Area();
        if (!Ok() || !FDecode)
            return;
        TPngFault fault = TPngFault::None;
        QString why;
        const QImage image = DecodedPng(png, [&] { return DecodePng(layout, fault, why); });
        if (image.isNull()) {
            Fail(FaultOf(fault), why);
            return;
        }
        Add([r, image, sr](QPainter& p, const QTransform&) { p.drawImage(r, image, sr); });
    }

    void ReadText()
    {
        const QPointF at = Point();
        const QString text = Text(MaxTextLength);
        const QFont f = Font();
        if (!Ok())
            return;
        OnSheet(at);
        // Each character counts its font's square.
        const double height = f.pixelSize() * std::max(FTransform.m11(), FTransform.m22());
        FTextLeft -= double(text.size()) * height * height;
        if (FTextLeft < 0)
            Fail(TPageFault::TooMuch,
                 Format("a page of more text than %d characters of %d points", FCharacters, BodyPoints));
        // A text item carries its own font; the state's comes back after it.
        Add([at, text, f](QPainter& p, const QTransform&) {
            const QFont state = p.font();
            p.setFont(f);
            p.drawText(at, text);
            p.setFont(state);
        });
    }

    QDataStream& FIn;
    const TPageSheet& FSheet;
    const bool FDecode;
    TPageFault FFault = TPageFault::None;
    QString FError;
    QTransform FTransform;
    bool FPen = true;
    bool FBrush = false;
    qint64 FPagePixels = MaxPagePicturePixels;
    qint64 FFilePixels;
    qint64 FPageElements = MaxPageElements;
    qint64 FFileElements;
    int FAreas = 0;
    TFontsUsed FFonts;
    double FRulesLeft;
    int FCharacters;
    double FTextLeft;
};

// Reads the page in `data` on `sheet`, its pictures decoded when `decode`.
bool ReadPage(const QByteArray& data, const TPageSheet& sheet, bool decode, std::vector<TStep>* steps, QString& error,
              TPageBudget* budget)
{
    QDataStream in(data);
    in.setVersion(StreamVersion);
    TPageBudget pageAlone;
    TPageBudget& left = budget ? *budget : pageAlone;
    TCommandReader reader(in, sheet, left, decode);
    left.Fault = TPageFault::Damaged;
    const quint32 count = reader.U32();
    if (!reader.Ok() || count > MaxCommands || qint64(count) > reader.Left() || sheet.Size.isEmpty()) {
        error = QStringLiteral("a page of unknown length");
        return false;
    }
    if (std::max(sheet.Size.width(), sheet.Size.height()) > MaxSheetMillimetres / 25.4 * sheet.UnitsPerInch) {
        error = QStringLiteral("a sheet larger than A2");
        left.Fault = TPageFault::Foreign;
        return false;
    }
    for (quint32 i = 0; i < count && reader.Ok(); ++i)
        reader.Read();
    if (!reader.Ok()) {
        error = reader.Error().isEmpty() ? QStringLiteral("a page cut short") : reader.Error();
        left.Fault = reader.Error().isEmpty() ? TPageFault::Damaged : reader.Fault();
        return false;
    }
    if (!in.atEnd()) {
        error = QStringLiteral("data after the last command");
        return false;
    }
    left.PicturePixels = reader.PixelsLeft();
    left.Elements = reader.ElementsLeft();
    left.Fonts = reader.FontsUsed();
    left.Fault = TPageFault::None;
    if (steps)
        *steps = std::move(reader.Steps);
    return true;
}

} // namespace

struct TPageRecorder::TData {
    TData() : Out(&Body, QIODevice::WriteOnly), Engine(Out) { Out.setVersion(StreamVersion); }
    QByteArray Body;
    QDataStream Out;
    TCommandEngine Engine;
};

TPageRecorder::TPageRecorder(QSize size, int unitsPerInch)
    : D(std::make_unique<TData>()), FSize(size), FUnitsPerInch(std::max(1, unitsPerInch))
{
}

TPageRecorder::~TPageRecorder() = default;

QPaintEngine* TPageRecorder::paintEngine() const
{
    return &D->Engine;
}

QByteArray TPageRecorder::Commands() const
{
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out.setVersion(StreamVersion);
    out << D->Engine.Count;
    out.writeRawData(D->Body.constData(), int(D->Body.size()));
    return data;
}

int TPageRecorder::metric(PaintDeviceMetric m) const
{
    switch (m) {
    case PdmWidth:
        return FSize.width();
    case PdmHeight:
        return FSize.height();
    case PdmWidthMM:
        return qRound(FSize.width() * 25.4 / FUnitsPerInch);
    case PdmHeightMM:
        return qRound(FSize.height() * 25.4 / FUnitsPerInch);
    case PdmNumColors:
        return INT_MAX;
    case PdmDepth:
        return 32;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return FUnitsPerInch;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return int(devicePixelRatioFScale());
    }
    return 0;
}

qint64 PictureCost(QSize size)
{
    return std::max(qint64(size.width()) * size.height(), MinPictureCost);
}

void TPageDrawing::Play(QPainter& painter) const
{
    painter.save();
    const QTransform base = painter.worldTransform();
    // What a new canvas starts with; the page sets the rest.
    painter.setPen(QPen());
    painter.setBrush(Qt::NoBrush);
    painter.setBackground(Qt::white);
    painter.setBackgroundMode(Qt::TransparentMode);
    for (const TStep& step : FSteps)
        step(painter, base);
    painter.restore();
}

bool CommandsToPage(const QByteArray& data, const TPageSheet& sheet, TPageDrawing& page, QString& error,
                    TPageBudget* budget)
{
    std::vector<TStep> steps;
    if (!ReadPage(data, sheet, true, &steps, error, budget))
        return false;
    page.FSteps = std::move(steps);
    return true;
}

bool CheckPageCommands(const QByteArray& data, const TPageSheet& sheet, QString& error, TPageBudget* budget)
{
    return ReadPage(data, sheet, false, nullptr, error, budget);
}

TPictureWork PageStreamPictureWork()
{
    TPictureMemo& memo = Memo();
    const QMutexLocker lock(&memo.Lock);
    return memo.Work;
}
