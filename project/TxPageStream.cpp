#include "TxPageStream.h"

#include "TxFormat.h"

#include <QBuffer>
#include <QDataStream>
#include <QImage>
#include <QImageReader>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTextItem>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

constexpr QDataStream::Version StreamVersion = QDataStream::Qt_6_4;
constexpr quint32 MaxCommands = 2000000;
constexpr int MaxDashes = 64;
constexpr qsizetype MaxTextLength = 100000;
constexpr int MaxImageSide = 10000;
constexpr qint64 MaxImagePixels = 16LL * 1000 * 1000; // a page at 300 dpi is about 9 million
constexpr double MaxPenValue = 100000;
constexpr double MaxFontSize = 100000;
constexpr qsizetype MaxFamilyLength = 1000;

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

// What a picture of `size` takes of a page's or a file's budget.
qint64 PictureCost(QSize size)
{
    return std::max(qint64(size.width()) * size.height(), MinPictureCost);
}

// `pixelsLeft`: what the page's budget still holds.
void WriteImage(QDataStream& out, const QImage& image, qint64& pixelsLeft)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    // A picture the reader would refuse is left out rather than lose the page.
    const bool fits = image.width() <= MaxImageSide && image.height() <= MaxImageSide &&
                      qint64(image.width()) * image.height() <= MaxImagePixels &&
                      PictureCost(image.size()) <= pixelsLeft;
    if (!image.isNull() && fits) {
        image.save(&buffer, "PNG");
        pixelsLeft -= PictureCost(image.size());
    }
    out << png;
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
        FOut << textItem.text().left(MaxTextLength);
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
        if (style == Qt::TexturePattern)
            WriteImage(FOut, brush.textureImage(), FPixelsLeft);
    }

    void WriteImageCommand(const QRectF& r, const QImage& image, const QRectF& sr)
    {
        Begin(cmImage);
        WriteRect(FOut, r);
        WriteRect(FOut, sr);
        WriteImage(FOut, image, FPixelsLeft);
    }

    QDataStream& FOut;
    qint64 FPixelsLeft = MaxPagePicturePixels;
};

// ---------------------------------------------------------------------------
// Reading

class TCommandReader {
public:
    TCommandReader(QDataStream& in, const TPageBudget& budget)
        : FIn(in), FFilePixels(budget.PicturePixels), FElements(budget.Elements)
    {
    }

    bool Ok() const { return FOk && FIn.status() == QDataStream::Ok; }
    const QString& Error() const { return FError; }
    bool Exceeded() const { return FExceeded; }
    // What is left of the file's budget.
    qint64 PixelsLeft() const { return FFilePixels; }
    qint64 ElementsLeft() const { return FElements; }

    void Fail(const QString& what)
    {
        if (FOk)
            FError = what;
        FOk = false;
    }

    // Takes `n` drawing elements from the budget.
    void Spend(qint64 n)
    {
        if (n > FElements) {
            FExceeded = FOk;
            Fail(Format("more than %d million drawing elements", int(MaxFileElements / 1000000)));
        }
        FElements -= n;
    }

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
            Fail(QStringLiteral("a value out of range"));
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

    QString Text()
    {
        QString s;
        FIn >> s;
        if (s.size() > MaxTextLength)
            Fail(QStringLiteral("a text too long"));
        Spend(s.size());
        return s;
    }

    QTransform Transform()
    {
        double m[9];
        for (double& v : m)
            v = Real();
        return QTransform(m[0], m[1], m[2], m[3], m[4], m[5], m[6], m[7], m[8]);
    }

    QPainterPath Path()
    {
        QPainterPath path;
        const quint8 rule = U8();
        if (rule > Qt::WindingFill)
            Fail(QStringLiteral("an unknown fill rule"));
        path.setFillRule(Qt::FillRule(rule));
        const quint32 n = U32();
        if (!Ok() || qint64(n) * PathElementBytes > Left()) {
            Fail(QStringLiteral("a path longer than its data"));
            return path;
        }
        Spend(n);
        for (quint32 i = 0; i < n && Ok(); ++i) {
            const quint8 type = U8();
            const QPointF p = Point();
            switch (type) {
            case QPainterPath::MoveToElement:
                path.moveTo(p);
                break;
            case QPainterPath::LineToElement:
                path.lineTo(p);
                break;
            case QPainterPath::CurveToElement: {
                if (i + 2 >= n) {
                    Fail(QStringLiteral("a curve without its points"));
                    break;
                }
                QPointF c[2];
                for (QPointF& q : c) {
                    if (U8() != QPainterPath::CurveToDataElement)
                        Fail(QStringLiteral("a curve without its points"));
                    q = Point();
                }
                i += 2;
                path.cubicTo(p, c[0], c[1]);
                break;
            }
            default:
                Fail(QStringLiteral("an unknown path element"));
            }
        }
        return path;
    }

    QFont Font()
    {
        QFont font;
        const QString family = Text();
        const double pointSize = Real(-1, MaxFontSize);
        const qint32 pixelSize = I32();
        const qint32 weight = I32();
        const quint8 flags = U8();
        const qint32 stretch = I32();
        if (!Ok())
            return font;
        if (family.size() > MaxFamilyLength || pixelSize > MaxFontSize || weight < 1 || weight > 1000 || stretch < 0 ||
            stretch > 4000) {
            Fail(QStringLiteral("an invalid font"));
            return font;
        }
        font.setFamily(family);
        if (pixelSize > 0)
            font.setPixelSize(pixelSize);
        else if (pointSize > 0)
            font.setPointSizeF(pointSize);
        font.setWeight(QFont::Weight(weight));
        font.setItalic(flags & 1);
        font.setUnderline(flags & 2);
        font.setOverline(flags & 4);
        font.setStrikeOut(flags & 8);
        font.setKerning(!(flags & 16));
        if (stretch > 0)
            font.setStretch(stretch);
        return font;
    }

    QImage Image()
    {
        QByteArray png;
        FIn >> png;
        if (!Ok() || png.isEmpty())
            return {};
        QBuffer buffer(&png);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "png");
        const QSize size = reader.size();
        if (!size.isValid() || size.width() > MaxImageSide || size.height() > MaxImageSide ||
            qint64(size.width()) * size.height() > MaxImagePixels) {
            Fail(QStringLiteral("an invalid picture"));
            return {};
        }
        const qint64 cost = PictureCost(size);
        if (cost > FPagePixels || cost > FFilePixels) {
            FExceeded = FOk;
            Fail(Format(cost > FPagePixels ? "a page with pictures of more than %d million pixels"
                                           : "pictures of more than %d million pixels",
                        int((cost > FPagePixels ? MaxPagePicturePixels : MaxFilePicturePixels) / 1000000)));
            return {};
        }
        FPagePixels -= cost;
        FFilePixels -= cost;
        QImage image = reader.read();
        if (image.isNull())
            Fail(QStringLiteral("an invalid picture"));
        return image;
    }

    // Plays one command on `p`; a bad command leaves the reader failed.
    void Play(QPainter& p)
    {
        const quint8 command = U8();
        Spend(1);
        if (!Ok())
            return;
        switch (command) {
        case cmTransform: {
            const QTransform t = Transform();
            if (Ok())
                p.setTransform(t);
            break;
        }
        case cmClip: {
            const quint8 op = U8();
            const QPainterPath path = Path();
            if (op > Qt::IntersectClip)
                Fail(QStringLiteral("an unknown clip operation"));
            if (Ok())
                p.setClipPath(path, Qt::ClipOperation(op));
            break;
        }
        case cmClipEnabled: {
            const quint8 on = U8();
            if (Ok())
                p.setClipping(on != 0);
            break;
        }
        case cmPen:
            ReadPen(p);
            break;
        case cmBrush:
            ReadBrush(p);
            break;
        case cmBrushOrigin: {
            const QPointF o = Point();
            if (Ok())
                p.setBrushOrigin(o);
            break;
        }
        case cmFont: {
            const QFont f = Font();
            if (Ok())
                p.setFont(f);
            break;
        }
        case cmBackground: {
            const quint8 mode = U8();
            const QColor colour = Colour();
            if (mode > Qt::OpaqueMode)
                Fail(QStringLiteral("an unknown background mode"));
            if (Ok()) {
                p.setBackgroundMode(Qt::BGMode(mode));
                p.setBackground(colour);
            }
            break;
        }
        case cmHints: {
            const qint32 hints = I32();
            if (Ok())
                p.setRenderHints(QPainter::RenderHints(hints & 0xFF));
            break;
        }
        case cmOpacity: {
            const double o = Real(0, 1);
            if (Ok())
                p.setOpacity(o);
            break;
        }
        case cmPath: {
            const QPainterPath path = Path();
            if (Ok())
                p.drawPath(path);
            break;
        }
        case cmPolygon:
            ReadPolygon(p);
            break;
        case cmImage: {
            const QRectF r = Rect();
            const QRectF sr = Rect();
            const QImage image = Image();
            if (Ok() && !image.isNull())
                p.drawImage(r, image, sr);
            break;
        }
        case cmText: {
            const QPointF at = Point();
            const QString text = Text();
            const QFont f = Font();
            if (Ok()) {
                // A text item carries its own font; the state's comes back after it.
                const QFont state = p.font();
                p.setFont(f);
                p.drawText(at, text);
                p.setFont(state);
            }
            break;
        }
        default:
            Fail(QStringLiteral("an unknown command"));
        }
    }

private:
    void ReadPen(QPainter& p)
    {
        const QColor colour = Colour();
        const double width = Real(0, MaxPenValue);
        const quint8 style = U8();
        const quint16 cap = U16();
        const quint16 join = U16();
        const quint8 cosmetic = U8();
        const double miter = Real(0, MaxPenValue);
        const double offset = Real();
        const quint32 n = U32();
        if (!Ok())
            return;
        if (style > Qt::CustomDashLine || (cap != Qt::FlatCap && cap != Qt::SquareCap && cap != Qt::RoundCap) ||
            (join != Qt::MiterJoin && join != Qt::BevelJoin && join != Qt::RoundJoin && join != Qt::SvgMiterJoin) ||
            n > MaxDashes) {
            Fail(QStringLiteral("an invalid pen"));
            return;
        }
        QList<qreal> dashes;
        for (quint32 i = 0; i < n; ++i)
            dashes.append(Real(0, MaxPenValue));
        if (!Ok())
            return;
        QPen pen(colour);
        pen.setWidthF(width);
        pen.setStyle(Qt::PenStyle(style));
        pen.setCapStyle(Qt::PenCapStyle(cap));
        pen.setJoinStyle(Qt::PenJoinStyle(join));
        pen.setCosmetic(cosmetic != 0);
        pen.setMiterLimit(miter);
        if (style == Qt::CustomDashLine) {
            // An empty or all-zero pattern would have nothing to draw with.
            bool any = false;
            for (qreal d : dashes)
                any = any || d > 0;
            if (dashes.size() >= 2 && dashes.size() % 2 == 0 && any)
                pen.setDashPattern(dashes);
            else
                pen.setStyle(Qt::SolidLine);
        }
        pen.setDashOffset(offset);
        p.setPen(pen);
    }

    void ReadBrush(QPainter& p)
    {
        const quint8 style = U8();
        const QColor colour = Colour();
        const QTransform t = Transform();
        if (!Ok())
            return;
        if (style > Qt::TexturePattern || style == Qt::LinearGradientPattern || style == Qt::RadialGradientPattern ||
            style == Qt::ConicalGradientPattern) {
            Fail(QStringLiteral("an invalid brush"));
            return;
        }
        QBrush brush;
        if (style == Qt::TexturePattern) {
            const QImage texture = Image();
            if (!Ok())
                return;
            brush = texture.isNull() ? QBrush(colour) : QBrush(texture);
        } else {
            brush = QBrush(colour, Qt::BrushStyle(style));
        }
        brush.setTransform(t);
        p.setBrush(brush);
    }

    void ReadPolygon(QPainter& p)
    {
        const quint8 mode = U8();
        const quint32 n = U32();
        if (!Ok() || mode > QPaintEngine::PolylineMode || qint64(n) * PointBytes > Left()) {
            Fail(QStringLiteral("an invalid polygon"));
            return;
        }
        Spend(n);
        QPolygonF points;
        points.reserve(n);
        for (quint32 i = 0; i < n; ++i)
            points.append(Point());
        if (!Ok())
            return;
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
    }

    QDataStream& FIn;
    bool FOk = true;
    QString FError;
    bool FExceeded = false;
    qint64 FPagePixels = MaxPagePicturePixels;
    qint64 FFilePixels;
    qint64 FElements;
};

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

bool CommandsToPage(const QByteArray& data, QPicture& page, QString& error, TPageBudget* budget)
{
    QDataStream in(data);
    in.setVersion(StreamVersion);
    TPageBudget pageAlone;
    TPageBudget& left = budget ? *budget : pageAlone;
    TCommandReader reader(in, left);
    left.Exceeded = false;
    const quint32 count = reader.U32();
    if (!reader.Ok() || count > MaxCommands || qint64(count) > reader.Left()) {
        error = QStringLiteral("a page of unknown length");
        return false;
    }
    QPicture result;
    {
        QPainter painter(&result);
        for (quint32 i = 0; i < count && reader.Ok(); ++i)
            reader.Play(painter);
        painter.end();
    }
    if (!reader.Ok()) {
        error = reader.Error().isEmpty() ? QStringLiteral("a page cut short") : reader.Error();
        left.Exceeded = reader.Exceeded();
        return false;
    }
    if (!in.atEnd()) {
        error = QStringLiteral("data after the last command");
        return false;
    }
    left.PicturePixels = reader.PixelsLeft();
    left.Elements = reader.ElementsLeft();
    page = result;
    return true;
}
