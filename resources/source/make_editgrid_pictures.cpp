// Draws the edit grid's button pictures into resources/pictures/.
//
//   g++ -std=c++20 -fPIC make_editgrid_pictures.cpp $(pkg-config --cflags --libs Qt6Gui) -o /tmp/make_editgrid_pictures
//   QT_QPA_PLATFORM=offscreen /tmp/make_editgrid_pictures resources/pictures
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPolygonF>

#include <cstdio>

namespace {

constexpr int Side = 15;

QImage Blank()
{
    QImage image(Side, Side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void Save(const QImage& image, const QString& dir, const char* name)
{
    if (!image.save(dir + QLatin1Char('/') + QLatin1String(name)))
        std::fprintf(stderr, "cannot write %s\n", name);
}

// A solid triangle four rows high, pointing up or down, centred at row `top`.
void Triangle(QPainter& p, int top, bool up)
{
    for (int i = 0; i < 4; ++i) {
        const int half = up ? i : 3 - i;
        p.fillRect(7 - half, top + i, 2 * half + 1, 1, Qt::black);
    }
}

QImage PropertyEditor()
{
    QImage image = Blank();
    QPainter p(&image);
    for (int x : {3, 6, 9})
        p.fillRect(x, 7, 2, 2, Qt::black);
    return image;
}

QImage PullDown()
{
    QImage image = Blank();
    QPainter p(&image);
    Triangle(p, 4, false);
    p.fillRect(4, 10, 7, 1, Qt::black);
    return image;
}

QImage Spin(bool up)
{
    QImage image = Blank();
    QPainter p(&image);
    Triangle(p, 5, up);
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    Save(PropertyEditor(), dir, "propedpic.png");
    Save(PullDown(), dir, "pulldnpic.png");
    Save(Spin(true), dir, "spinuppic.png");
    Save(Spin(false), dir, "spindnpic.png");
    return 0;
}
