// Draws the desktop program's images: the toolbar strip, the caption and
// border bitmaps and the application icon. Run it once after changing a
// drawing and commit the images it writes:
//   cmake --build <build> --target trawler_make_images
//   QT_QPA_PLATFORM=offscreen <build>/bin/trawler_make_images res
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>

#include <cstdio>
#include <functional>
#include <vector>

namespace {

// The 16 colours of the classic palette: every toolbar image uses only these.
const QColor kBlack(0, 0, 0), kMaroon(128, 0, 0), kGreen(0, 128, 0), kOlive(128, 128, 0), kNavy(0, 0, 128),
    kPurple(128, 0, 128), kTeal(0, 128, 128), kSilver(192, 192, 192), kGrey(128, 128, 128), kRed(255, 0, 0),
    kLime(0, 255, 0), kYellow(255, 255, 0), kBlue(0, 0, 255), kFuchsia(255, 0, 255), kAqua(0, 255, 255),
    kWhite(255, 255, 255);

using Draw = std::function<void(QPainter&)>;

void box(QPainter& p, int x, int y, int w, int h, const QColor& fill, const QColor& line)
{
    p.fillRect(x, y, w, h, line);
    p.fillRect(x + 1, y + 1, w - 2, h - 2, fill);
}

void letter(QPainter& p, const QString& text, const QRect& r, const QColor& c, int px = 11)
{
    QFont f("DejaVu Sans");
    f.setPixelSize(px);
    f.setBold(true);
    f.setStyleStrategy(QFont::NoAntialias);
    p.setFont(f);
    p.setPen(c);
    p.drawText(r, Qt::AlignCenter, text);
}

void monitor(QPainter& p, int x, int y, const QColor& screen)
{
    box(p, x, y, 7, 6, screen, kBlack);
    p.fillRect(x + 2, y + 6, 3, 1, kBlack);
    p.fillRect(x + 1, y + 7, 5, 1, kBlack);
}

void cylinder(QPainter& p, int x, int y, int w, int h, const QColor& body)
{
    p.setPen(kBlack);
    p.setBrush(body);
    p.drawRect(x, y + 2, w - 1, h - 5);
    p.drawEllipse(x, y + h - 5, w - 1, 4);
    p.setBrush(kWhite);
    p.drawEllipse(x, y, w - 1, 4);
}

// One image per toolbar button, in the toolbar's order of commands.
std::vector<Draw> toolbarImages()
{
    return {
        // 32777 save folder
        [](QPainter& p) {
            box(p, 1, 4, 14, 10, kYellow, kOlive);
            p.fillRect(1, 2, 6, 3, kOlive);
            p.fillRect(2, 3, 4, 1, kYellow);
        },
        // 32772 start capture
        [](QPainter& p) {
            p.setPen(kGreen);
            p.setBrush(kLime);
            p.drawPolygon(QPolygon({QPoint(4, 2), QPoint(13, 8), QPoint(4, 14)}));
        },
        // 32773 stop capture
        [](QPainter& p) { box(p, 3, 3, 10, 10, kRed, kMaroon); },
        // 32774 parse: a page turned into rows
        [](QPainter& p) {
            box(p, 2, 1, 10, 14, kWhite, kBlack);
            for (int y = 4; y < 13; y += 3)
                p.fillRect(4, y, 6, 1, kBlue);
            p.fillRect(11, 9, 4, 1, kRed);
            p.fillRect(13, 8, 1, 3, kRed);
        },
        // 32778 choose the database
        [](QPainter& p) { cylinder(p, 3, 1, 10, 14, kAqua); },
        // 32779 scanners: one machine sending
        [](QPainter& p) {
            monitor(p, 0, 4, kRed);
            p.fillRect(8, 7, 6, 1, kRed);
            p.fillRect(12, 5, 1, 5, kRed);
            p.fillRect(13, 6, 1, 3, kRed);
        },
        // 32780 scanned: one machine receiving
        [](QPainter& p) {
            monitor(p, 9, 4, kAqua);
            p.fillRect(1, 7, 7, 1, kBlue);
            p.fillRect(5, 5, 1, 5, kBlue);
            p.fillRect(6, 6, 1, 3, kBlue);
        },
        // 32781 scan relations: two machines joined
        [](QPainter& p) {
            monitor(p, 0, 1, kRed);
            monitor(p, 9, 8, kAqua);
            p.fillRect(4, 10, 5, 1, kBlack);
            p.fillRect(4, 9, 1, 2, kBlack);
        },
        // 32793 ICMP type shares: a pie
        [](QPainter& p) {
            p.setPen(kBlack);
            p.setBrush(kYellow);
            p.drawEllipse(1, 1, 13, 13);
            p.setBrush(kRed);
            p.drawPie(1, 1, 13, 13, 0, 120 * 16);
            p.setBrush(kBlue);
            p.drawPie(1, 1, 13, 13, 120 * 16, 100 * 16);
        },
        // 32816 insert an IP-MAC row
        [](QPainter& p) {
            box(p, 1, 2, 11, 11, kWhite, kBlack);
            p.fillRect(3, 5, 6, 1, kGrey);
            p.fillRect(3, 8, 6, 1, kGrey);
            p.fillRect(10, 10, 6, 2, kGreen);
            p.fillRect(12, 8, 2, 6, kGreen);
        },
        // 32792 change an IP-MAC binding
        [](QPainter& p) {
            box(p, 1, 2, 11, 11, kWhite, kBlack);
            p.setPen(QPen(kMaroon, 2));
            p.drawLine(6, 13, 14, 5);
            p.fillRect(4, 13, 2, 2, kBlack);
        },
        // 32785 IP-MAC map: a two-column table
        [](QPainter& p) {
            box(p, 1, 2, 14, 12, kWhite, kNavy);
            p.fillRect(2, 3, 12, 2, kNavy);
            p.fillRect(7, 5, 1, 8, kNavy);
            p.fillRect(2, 8, 12, 1, kSilver);
            p.fillRect(2, 11, 12, 1, kSilver);
        },
        // 32787 destination traffic: bars
        [](QPainter& p) {
            p.fillRect(1, 14, 14, 1, kBlack);
            box(p, 2, 8, 3, 6, kBlue, kNavy);
            box(p, 6, 3, 3, 11, kRed, kMaroon);
            box(p, 10, 6, 3, 8, kLime, kGreen);
        },
        // 32788 TCP pairs
        [](QPainter& p) {
            box(p, 0, 0, 16, 16, kNavy, kNavy);
            letter(p, "T", QRect(0, 0, 16, 16), kWhite);
        },
        // 32789 UDP pairs
        [](QPainter& p) {
            box(p, 0, 0, 16, 16, kTeal, kTeal);
            letter(p, "U", QRect(0, 0, 16, 16), kWhite);
        },
        // 32790 LAN sharing: two machines on a wire
        [](QPainter& p) {
            monitor(p, 0, 1, kAqua);
            monitor(p, 9, 1, kAqua);
            p.fillRect(1, 13, 14, 1, kGreen);
            p.fillRect(3, 9, 1, 4, kGreen);
            p.fillRect(12, 9, 1, 4, kGreen);
        },
        // 32795 SYN table
        [](QPainter& p) {
            box(p, 0, 0, 16, 16, kPurple, kPurple);
            letter(p, "S", QRect(0, 0, 16, 16), kYellow);
        },
        // 57664 about
        [](QPainter& p) {
            p.setPen(kNavy);
            p.setBrush(kBlue);
            p.drawEllipse(1, 1, 13, 13);
            letter(p, "?", QRect(1, 1, 14, 14), kWhite);
        },
    };
}

bool save(const QImage& image, const QString& path)
{
    if (image.save(path))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

QImage blank(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

// The steel-blue frame: lighter at its outer edge, like a raised border.
QImage border(int w, int h, bool vertical)
{
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient g(0, 0, vertical ? w : 0, vertical ? 0 : h);
    g.setColorAt(0, QColor(120, 150, 210));
    g.setColorAt(1, QColor(30, 60, 140));
    p.fillRect(image.rect(), g);
    return image;
}

QImage captionBand()
{
    QImage image(365, 23, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient g(0, 0, 0, 23);
    g.setColorAt(0, QColor(110, 150, 230));
    g.setColorAt(0.45, QColor(40, 80, 180));
    g.setColorAt(1, QColor(20, 50, 140));
    p.fillRect(image.rect(), g);
    p.fillRect(0, 0, 365, 1, QColor(170, 200, 250));
    return image;
}

enum class Glyph { Close, Restore, Maximize, Minimize };

// A caption button, 16 by 15: rounded face, white glyph; hot faces glow.
QImage captionButton(Glyph glyph, bool hot)
{
    QImage image = blank(16, 15);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor face = glyph == Glyph::Close ? (hot ? QColor(240, 90, 60) : QColor(200, 60, 40))
                                              : (hot ? QColor(90, 150, 255) : QColor(50, 100, 210));
    QLinearGradient g(0, 0, 0, 15);
    g.setColorAt(0, face.lighter(140));
    g.setColorAt(1, face);
    p.setPen(QPen(QColor(255, 255, 255, hot ? 255 : 200), 1));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 14), 3, 3);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(Qt::NoBrush);
    switch (glyph) {
    case Glyph::Close:
        p.drawLine(5, 4, 11, 10);
        p.drawLine(11, 4, 5, 10);
        break;
    case Glyph::Maximize:
        p.setPen(QPen(Qt::white, 1));
        p.drawRect(4, 3, 8, 8);
        p.drawLine(4, 4, 12, 4);
        break;
    case Glyph::Restore:
        p.setPen(QPen(Qt::white, 1));
        p.drawRect(6, 3, 6, 5);
        p.fillRect(4, 6, 7, 6, face);
        p.drawRect(4, 6, 6, 5);
        break;
    case Glyph::Minimize:
        p.fillRect(4, 9, 7, 2, Qt::white);
        break;
    }
    return image;
}

// The application icon: a trawler with its net, on a sea-blue disc.
QImage appIcon(int size)
{
    QImage image = blank(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 90, 170));
    p.drawEllipse(QRectF(0.5, 0.5, 31, 31));
    // hull
    QPainterPath hull;
    hull.moveTo(4, 17);
    hull.lineTo(24, 17);
    hull.lineTo(21, 23);
    hull.lineTo(7, 23);
    hull.closeSubpath();
    p.setBrush(QColor(200, 40, 30));
    p.drawPath(hull);
    // wheelhouse and mast
    p.setBrush(Qt::white);
    p.drawRect(QRectF(8, 12, 7, 5));
    p.setPen(QPen(QColor(240, 220, 120), 1.5));
    p.drawLine(QPointF(19, 6), QPointF(19, 17));
    // the net, trailing astern
    p.setPen(QPen(QColor(250, 250, 250), 1));
    p.drawLine(QPointF(19, 6), QPointF(29, 20));
    p.setBrush(Qt::NoBrush);
    QPainterPath net;
    net.moveTo(24, 21);
    net.quadTo(30, 26, 24, 28);
    net.quadTo(21, 25, 24, 21);
    p.drawPath(net);
    // water line
    p.setPen(QPen(QColor(140, 200, 250), 1.5));
    p.drawLine(QPointF(3, 25), QPointF(21, 25));
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("res");
    QDir().mkpath(out + "/caption");
    bool ok = true;

    const auto images = toolbarImages();
    QImage strip = blank(16 * int(images.size()), 16);
    {
        QPainter p(&strip);
        for (std::size_t i = 0; i < images.size(); ++i) {
            p.save();
            p.translate(16 * int(i), 0);
            p.setClipRect(0, 0, 16, 16);
            images[i](p);
            p.restore();
        }
    }
    ok &= save(strip, out + "/toolbar.png");

    ok &= save(border(4, 212, true), out + "/caption/130.png");
    ok &= save(border(345, 4, false).mirrored(false, true), out + "/caption/131.png");
    ok &= save(border(4, 212, true).mirrored(true, false), out + "/caption/132.png");
    ok &= save(captionBand(), out + "/caption/133.png");
    ok &= save(captionButton(Glyph::Close, false), out + "/caption/134.png");
    ok &= save(captionButton(Glyph::Restore, false), out + "/caption/135.png");
    ok &= save(captionButton(Glyph::Maximize, false), out + "/caption/136.png");
    ok &= save(captionButton(Glyph::Minimize, false), out + "/caption/137.png");
    ok &= save(captionButton(Glyph::Close, true), out + "/caption/138.png");
    ok &= save(captionButton(Glyph::Restore, true), out + "/caption/139.png");
    ok &= save(captionButton(Glyph::Maximize, true), out + "/caption/140.png");
    ok &= save(captionButton(Glyph::Minimize, true), out + "/caption/141.png");

    ok &= save(appIcon(16), out + "/trawler-16.png");
    ok &= save(appIcon(32), out + "/trawler-32.png");
    ok &= save(appIcon(48), out + "/trawler-48.png");
    return ok ? 0 : 1;
}
