// Draws the main window's pictures into resources/pictures/.
//
//   g++ -std=c++20 -fPIC make_pictures.cpp $(pkg-config --cflags --libs Qt6Gui) -o /tmp/make_pictures
//   QT_QPA_PLATFORM=offscreen /tmp/make_pictures resources/pictures
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>

namespace {

const QColor Teal(11, 79, 108);
const QColor TealLight(52, 128, 160);
const QColor TealDark(6, 52, 72);
const QColor Steel(150, 160, 168);

QImage Blank(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void Save(const QImage& image, const QString& dir, const char* name)
{
    if (!image.save(dir + QLatin1Char('/') + QLatin1String(name)))
        std::fprintf(stderr, "cannot write %s\n", name);
}

// A duct silencer seen from the side: casing, splitters, air arrows.
void DrawSilencer(QPainter& p, const QRectF& r)
{
    QLinearGradient casing(r.topLeft(), r.bottomLeft());
    casing.setColorAt(0, QColor(200, 208, 214));
    casing.setColorAt(0.5, QColor(236, 240, 243));
    casing.setColorAt(1, QColor(160, 170, 178));
    p.setPen(QPen(TealDark, 1.2));
    p.setBrush(casing);
    p.drawRoundedRect(r, 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(214, 206, 176));
    const double gap = r.height() / 4.0;
    for (int i = 0; i < 3; ++i) {
        const double y = r.top() + gap * (i + 0.5) + gap * 0.25;
        p.drawRoundedRect(QRectF(r.left() + r.width() * 0.12, y, r.width() * 0.76, gap * 0.5), 2, 2);
    }
}

QImage Logo()
{
    QImage image = Blank(210, 40);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    DrawSilencer(p, QRectF(4, 7, 40, 26));
    p.setPen(QPen(Teal, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(0.5, 20), QPointF(3, 20));
    p.drawLine(QPointF(45, 20), QPointF(50, 20));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(21);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Teal);
    p.drawText(QRectF(55, 0, 155, 30), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Vozudarizazi"));
    QFont small(QStringLiteral("DejaVu Sans"));
    small.setPixelSize(9);
    p.setFont(small);
    p.setPen(QColor(86, 112, 124));
    p.drawText(QRectF(56, 27, 155, 12), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("duct silencer selection"));
    return image;
}

QImage SaveIcon()
{
    QImage image = Blank(24, 24);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath body;
    body.moveTo(3, 3);
    body.lineTo(18, 3);
    body.lineTo(21, 6);
    body.lineTo(21, 21);
    body.lineTo(3, 21);
    body.closeSubpath();
    p.setPen(QPen(TealDark, 1.2));
    p.setBrush(Teal);
    p.drawPath(body);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(236, 240, 243));
    p.drawRect(QRectF(7, 4, 10, 6));
    p.setBrush(TealDark);
    p.drawRect(QRectF(13, 5, 2.5, 4));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(6, 13, 12, 7), 1, 1);
    return image;
}

QImage LoadIcon()
{
    QImage image = Blank(24, 24);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(150, 110, 30), 1.2));
    p.setBrush(QColor(232, 188, 92));
    QPainterPath back;
    back.moveTo(2.5, 6);
    back.lineTo(9, 6);
    back.lineTo(11, 8);
    back.lineTo(20.5, 8);
    back.lineTo(20.5, 20);
    back.lineTo(2.5, 20);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(QColor(248, 214, 128));
    QPainterPath front;
    front.moveTo(2.5, 20);
    front.lineTo(6, 11);
    front.lineTo(23, 11);
    front.lineTo(20.5, 20);
    front.closeSubpath();
    p.drawPath(front);
    return image;
}

QImage CatalogIcon()
{
    QImage image = Blank(24, 24);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(TealDark, 1.2));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 3.5, 15, 18));
    p.setBrush(Teal);
    p.drawRect(QRectF(3.5, 2.5, 15, 18));
    p.setPen(QPen(Qt::white, 1.4));
    p.drawLine(QPointF(7, 7), QPointF(15, 7));
    p.drawLine(QPointF(7, 10), QPointF(13, 10));
    DrawSilencer(p, QRectF(6.5, 12.5, 10, 6));
    return image;
}

QImage HelpIcon()
{
    QImage image = Blank(24, 24);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(TealDark, 1.2));
    p.setBrush(TealLight);
    p.drawEllipse(QRectF(2.5, 2.5, 19, 19));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(15);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(2.5, 2.5, 19, 19), Qt::AlignCenter, QStringLiteral("?"));
    return image;
}

QImage ProjectIcon()
{
    QImage image = Blank(24, 24);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(120, 90, 40), 1.2));
    p.setBrush(QColor(200, 160, 100));
    p.drawRoundedRect(QRectF(4, 3.5, 16, 19), 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(6, 6, 12, 14.5));
    p.setPen(QPen(Steel, 1.2));
    p.setBrush(QColor(220, 224, 228));
    p.drawRoundedRect(QRectF(8.5, 2, 7, 3.5), 1, 1);
    p.setPen(QPen(Teal, 1.3));
    for (int i = 0; i < 4; ++i)
        p.drawLine(QPointF(8, 9.5 + 3 * i), QPointF(16, 9.5 + 3 * i));
    return image;
}

enum TState { Normal, Hot, Down };

QImage Button(const QString& caption, TState state)
{
    QImage image = Blank(81, 21);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QColor top = state == Hot ? QColor(74, 150, 182) : state == Down ? TealDark : TealLight;
    const QColor bottom = state == Hot ? QColor(22, 98, 128) : state == Down ? QColor(11, 70, 96) : Teal;
    QLinearGradient g(0, 0, 0, 21);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setPen(QPen(TealDark, 1));
    p.setBrush(g);
    // The buttons stand 70 pixels apart: the shape keeps clear of the
    // transparent margins its neighbours overlap.
    p.drawRoundedRect(QRectF(6.5, 0.5, 68, 20), 4, 4);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    const double shift = state == Down ? 1 : 0;
    p.drawText(QRectF(6 + shift, shift, 69, 21), Qt::AlignCenter, caption);
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    Save(Logo(), dir, "logo.png");
    Save(SaveIcon(), dir, "save.png");
    Save(LoadIcon(), dir, "load.png");
    Save(CatalogIcon(), dir, "catalog.png");
    Save(HelpIcon(), dir, "help.png");
    Save(ProjectIcon(), dir, "project.png");
    const struct {
        const char* name;
        const char* caption;
    } buttons[] = {{"search", "Search"}, {"detail", "Detail"}, {"report", "Report"}, {"addproject", "Project"}};
    for (const auto& b : buttons) {
        const QString caption = QString::fromLatin1(b.caption);
        Save(Button(caption, Normal), dir, (QByteArray(b.name) + ".png").constData());
        Save(Button(caption, Hot), dir, (QByteArray(b.name) + "_hot.png").constData());
        Save(Button(caption, Down), dir, (QByteArray(b.name) + "_down.png").constData());
    }
    return 0;
}
