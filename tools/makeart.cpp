// Draws the program's pictures: the toolbar glyphs of the main window, the
// results window and the archive window, the clock-setup picture of the
// connection dialog, the program icon and the main window's background, and
// the icon file of the Windows program and its installer. Usage:
// kestrune-art [resources directory]

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>
#include <QtMath>

#include <cstdio>
#include <functional>

namespace {

// One palette for every glyph.
const QColor Ink(0x24, 0x31, 0x40);
const QColor Blue(0x25, 0x6F, 0xB8);
const QColor Steel(0x7B, 0x8C, 0x9E);
const QColor Metal(0xC9, 0xD1, 0xD9);
const QColor Green(0x2E, 0xA0, 0x4F);
const QColor Red(0xD9, 0x3A, 0x35);
const QColor Paper(0xFB, 0xFC, 0xFD);
const QColor Folder(0xF0, 0xB6, 0x3F);
const qreal Stroke = 1.1; // outline width in icon units (a 32 x 32 box)

using IconPainter = std::function<void(QPainter &)>;

QPen Outline(const QColor &fill)
{
    QPen pen(fill.darker(165), Stroke);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

// A shape filled with a soft top-to-bottom shading and outlined in a darker
// shade of its own colour.
void Shape(QPainter &p, const QPainterPath &path, const QColor &fill)
{
    const QRectF r = path.boundingRect();
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, fill.lighter(118));
    g.setColorAt(1, fill.darker(108));
    p.setPen(Outline(fill));
    p.setBrush(g);
    p.drawPath(path);
}

QPainterPath RoundRect(qreal x, qreal y, qreal w, qreal h, qreal r)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(x, y, w, h), r, r);
    return path;
}

QPainterPath Polygon(std::initializer_list<QPointF> points)
{
    QPainterPath path;
    path.addPolygon(QPolygonF(QList<QPointF>(points)));
    path.closeSubpath();
    return path;
}

void Line(QPainter &p, QPointF a, QPointF b, const QColor &colour, qreal width)
{
    QPen pen(colour, width);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    p.drawLine(a, b);
}

// Drawn along the x axis, connector to the left, then turned so that it
// points to the upper left.
void UsbPlug(QPainter &p)
{
    p.save();
    p.translate(16.5, 15.5);
    p.rotate(45);
    p.scale(0.92, 0.92);
    Line(p, {8, 0}, {22, 0}, Ink.lighter(130), 3);
    Shape(p, Polygon({{5, -4.5}, {10, -3}, {10, 3}, {5, 4.5}}), Ink.lighter(160));
    Shape(p, RoundRect(-18, -5.5, 11.5, 11, 1), Metal);
    p.setPen(Qt::NoPen);
    p.setBrush(Ink.lighter(140));
    p.drawRect(QRectF(-16, -3, 4, 2));
    p.drawRect(QRectF(-16, 1, 4, 2));
    Shape(p, RoundRect(-7, -7.5, 13, 15, 2.8), Blue);
    // The USB trident on the body.
    const QColor mark(255, 255, 255, 215);
    Line(p, {-4, 0}, {3, 0}, mark, 1.1);
    Line(p, {-2, 0}, {-0.5, -3}, mark, 1.0);
    Line(p, {-0.5, -3}, {1.5, -3}, mark, 1.0);
    Line(p, {-1, 0}, {0.5, 3}, mark, 1.0);
    Line(p, {0.5, 3}, {1.5, 3}, mark, 1.0);
    p.setPen(Qt::NoPen);
    p.setBrush(mark);
    p.drawEllipse(QPointF(-4, 0), 1.2, 1.2);
    p.drawPolygon(QPolygonF({QPointF(2.7, -1.4), QPointF(4.5, 0), QPointF(2.7, 1.4)}));
    p.restore();
}

void UsbPlugCrossed(QPainter &p)
{
    UsbPlug(p);
    Line(p, {5, 27}, {28, 4}, QColor(255, 255, 255, 230), 5);
    Line(p, {5, 27}, {28, 4}, Red, 3);
}

void Clipboard(QPainter &p)
{
    Shape(p, RoundRect(5, 4, 22, 27, 2.5), Steel);
    Shape(p, RoundRect(7.5, 7, 17, 21.5, 0.8), Paper);
    Shape(p, RoundRect(11, 2, 10, 6, 1.8), Metal);
    for (int row = 0; row < 3; ++row) {
        const qreal y = 12.5 + row * 5.5;
        QPainterPath tick(QPointF(9.5, y));
        tick.lineTo(11, y + 1.6);
        tick.lineTo(14, y - 1.8);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(Green, 1.7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(tick);
        Line(p, {16, y}, {22, y}, Steel.lighter(120), 1.3);
    }
}

void Spanner(QPainter &p)
{
    QPainterPath head;
    head.addEllipse(QPointF(0, 0), 7.2, 7.2);
    QPainterPath jaw;
    jaw.addRect(QRectF(-2.7, -9, 5.4, 8.6));
    QPainterPath handle = RoundRect(-2.6, 3, 5.2, 22, 2.6);
    QPainterPath hole;
    hole.addEllipse(QPointF(0, 21.5), 1.3, 1.3);
    QPainterPath spanner = head.subtracted(jaw).united(handle).subtracted(hole);
    p.save();
    p.translate(11.5, 10.5);
    p.rotate(-45);
    Shape(p, spanner.simplified(), QColor(0x6C, 0x8E, 0xAE));
    p.restore();
}

void Information(QPainter &p)
{
    QPainterPath circle;
    circle.addEllipse(QPointF(16, 16), 13.5, 13.5);
    Shape(p, circle, Blue);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(16, 9.3), 2.2, 2.2);
    p.drawPath(RoundRect(13.9, 13.2, 4.2, 11.8, 1.2));
}

void ExitArrow(QPainter &p)
{
    Shape(p, RoundRect(3, 3.5, 14, 25, 1), QColor(0xE4, 0xE8, 0xEC));
    Shape(p, Polygon({{5.5, 6}, {12, 8}, {12, 29}, {5.5, 26.5}}), Steel);
    Shape(
        p,
        Polygon({{12, 12.5}, {20, 12.5}, {20, 7.5}, {30, 16}, {20, 24.5}, {20, 19.5}, {12, 19.5}}),
        Green);
}

void Download(QPainter &p)
{
    Shape(p, Polygon({{3, 19}, {9, 19}, {11, 23}, {21, 23}, {23, 19}, {29, 19}, {29, 29}, {3, 29}}),
          Steel);
    Shape(p, Polygon({{13, 2.5}, {19, 2.5}, {19, 11}, {24, 11}, {16, 19.5}, {8, 11}, {13, 11}}),
          Blue);
}

void Floppy(QPainter &p)
{
    Shape(p, Polygon({{4, 4}, {24.5, 4}, {28, 7.5}, {28, 28}, {4, 28}}), Blue);
    Shape(p, RoundRect(9, 4, 13, 9, 0.6), Metal);
    p.setPen(Qt::NoPen);
    p.setBrush(Blue.darker(140));
    p.drawRect(QRectF(17, 5.5, 3, 6));
    Shape(p, RoundRect(7.5, 16.5, 17, 11.5, 0.8), Paper);
    for (qreal y : {20.0, 23.5})
        Line(p, {10, y}, {22, y}, Steel.lighter(125), 1.0);
}

void OpenFolder(QPainter &p)
{
    Shape(p, Polygon({{3, 7}, {11, 7}, {13.5, 9.5}, {26, 9.5}, {26, 27}, {3, 27}}),
          Folder.darker(112));
    Shape(p, RoundRect(7, 12, 20, 13, 0.5), Paper);
    Shape(p, Polygon({{7, 15}, {30, 15}, {26, 27}, {3, 27}}), Folder);
}

void Spreadsheet(QPainter &p)
{
    Shape(p, Polygon({{5, 3}, {21, 3}, {27, 9}, {27, 29}, {5, 29}}), Paper);
    Shape(p, Polygon({{21, 3}, {21, 9}, {27, 9}}), QColor(0xDD, 0xE3, 0xE9));
    p.setPen(Qt::NoPen);
    p.setBrush(Green);
    p.drawRect(QRectF(8, 11, 16, 4));
    const QColor grid = Green.lighter(135);
    for (qreal y : {15.0, 19.0, 23.0, 27.0})
        Line(p, {8, y}, {24, y}, grid, 0.9);
    for (qreal x : {8.0, 13.5, 19.0, 24.0})
        Line(p, {x, 11}, {x, 27}, grid, 0.9);
}

void Printer(QPainter &p)
{
    Shape(p, RoundRect(9, 3, 14, 12, 0.5), Paper);
    Shape(p, RoundRect(3, 11, 26, 12, 2.2), Steel);
    Shape(p, RoundRect(6, 18.5, 20, 3, 1), Ink.lighter(150));
    Shape(p, Polygon({{8.5, 20}, {23.5, 20}, {23.5, 29.5}, {8.5, 29.5}}), Paper);
    for (qreal y : {23.5, 26.5})
        Line(p, {11, y}, {21, y}, Steel.lighter(125), 1.0);
    p.setPen(Qt::NoPen);
    p.setBrush(Green.lighter(120));
    p.drawEllipse(QPointF(25.5, 14.5), 1.2, 1.2);
}

void Magnifier(QPainter &p)
{
    Line(p, {19.5, 19.5}, {28, 28}, Ink.lighter(120), 5);
    Line(p, {20.5, 20.5}, {27.5, 27.5}, Ink.lighter(190), 1.4);
    QPainterPath lens;
    lens.addEllipse(QPointF(13, 13), 9.5, 9.5);
    QRadialGradient glass(QPointF(10, 10), 11);
    glass.setColorAt(0, QColor(0xEA, 0xF4, 0xFD));
    glass.setColorAt(1, QColor(0xA8, 0xCB, 0xEB));
    p.setBrush(glass);
    p.setPen(QPen(Steel.darker(140), 2.6));
    p.drawPath(lens);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 220), 1.4, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(7, 7, 12, 12), 100 * 16, 70 * 16);
}

// A database drum of stacked discs, left edge x, top y, disc height h.
void Drum(QPainter &p, qreal x, qreal y, qreal w, qreal h, int discs)
{
    const qreal rim = w * 0.16;
    for (int k = discs - 1; k >= 0; --k) {
        const qreal top = y + k * h;
        QPainterPath disc(QPointF(x, top));
        disc.lineTo(x, top + h);
        disc.arcTo(QRectF(x, top + h - rim, w, 2 * rim), 180, 180);
        disc.lineTo(x + w, top);
        disc.arcTo(QRectF(x, top - rim, w, 2 * rim), 0, -180);
        Shape(p, disc, Blue);
    }
    QPainterPath lid;
    lid.addEllipse(QRectF(x, y - rim, w, 2 * rim));
    Shape(p, lid, Blue.lighter(150));
}

void Archive(QPainter &p)
{
    Drum(p, 6, 7, 20, 7, 3);
}

void Import(QPainter &p)
{
    Shape(p, Polygon({{3, 2}, {13, 2}, {17, 6}, {17, 19}, {3, 19}}), Paper);
    for (qreal y : {8.0, 11.5, 15.0})
        Line(p, {6, y}, {14, y}, Steel.lighter(125), 1.0);
    Drum(p, 15, 20, 15, 4, 2);
    Shape(p, Polygon({{18, 7}, {24, 7}, {24, 12}, {28, 12}, {21, 18.5}, {14, 12}, {18, 12}}),
          Green);
}

// A report: a page with a title, a bar chart and lines of text, a seal of
// approval at its foot.
void Report(QPainter &p)
{
    Shape(p, Polygon({{6, 2}, {21, 2}, {27, 8}, {27, 30}, {6, 30}}), Paper);
    Shape(p, Polygon({{21, 2}, {21, 8}, {27, 8}}), QColor(0xDD, 0xE3, 0xE9));
    Line(p, {9.5, 6}, {17, 6}, Ink.lighter(150), 1.6);
    p.setPen(Qt::NoPen);
    const qreal bars[] = {5, 8, 6.5, 10};
    for (int i = 0; i < 4; ++i) {
        p.setBrush(i == 3 ? Red : Blue);
        p.drawRect(QRectF(10 + i * 3.5, 20 - bars[i], 2.6, bars[i]));
    }
    Line(p, {9, 20.5}, {24, 20.5}, Steel, 0.9);
    for (qreal y : {24.0, 27.0})
        Line(p, {9.5, y}, {18, y}, Steel.lighter(125), 1.0);
    QPainterPath seal;
    seal.addEllipse(QPointF(23, 26), 3.2, 3.2);
    Shape(p, seal, Green);
}

void Refresh(QPainter &p)
{
    for (int half = 0; half < 2; ++half) {
        p.save();
        p.translate(16, 16);
        p.rotate(180 * half);
        QPen pen(half ? Green : Blue, 3.4, Qt::SolidLine, Qt::FlatCap);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(-11, -11, 22, 22), 20 * 16, 140 * 16);
        p.setPen(Outline(half ? Green : Blue));
        p.setBrush(half ? Green : Blue);
        p.drawPolygon(QPolygonF({QPointF(-16, -1), QPointF(-6, -1), QPointF(-11, 6)}));
        p.restore();
    }
}

QPainterPath Gear(QPointF centre, qreal outer, qreal inner, int teeth)
{
    QPainterPath gear;
    const qreal step = 2 * M_PI / teeth;
    for (int i = 0; i < teeth; ++i) {
        const qreal a = i * step;
        const qreal angles[4] = {a - step * 0.30, a - step * 0.17, a + step * 0.17,
                                 a + step * 0.30};
        const qreal radii[4] = {inner, outer, outer, inner};
        for (int k = 0; k < 4; ++k) {
            const QPointF pt = centre + QPointF(qCos(angles[k]), qSin(angles[k])) * radii[k];
            if (i == 0 && k == 0)
                gear.moveTo(pt);
            else
                gear.lineTo(pt);
        }
        const qreal next = a + step * 0.70;
        gear.arcTo(QRectF(centre.x() - inner, centre.y() - inner, 2 * inner, 2 * inner),
                   -qRadiansToDegrees(angles[3]), -qRadiansToDegrees(next - angles[3]));
    }
    gear.closeSubpath();
    return gear;
}

// A small icon above a lower-case word, centred, on a transparent ground.
QImage Glyph(int width, int height, const QString &word, const IconPainter &icon)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);

    const int labelHeight = 15;
    const qreal iconSize = height - labelHeight - 5;
    p.save();
    p.translate((width - iconSize) / 2.0, 2);
    p.scale(iconSize / 32.0, iconSize / 32.0);
    icon(p);
    p.restore();

    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    font.setHintingPreference(QFont::PreferFullHinting);
    p.setFont(font);
    p.setPen(Ink);
    p.drawText(QRect(0, height - labelHeight - 1, width, labelHeight), Qt::AlignCenter, word);
    return image;
}

// The look of a button that is not available: grey, lighter, flatter.
QImage Greyed(const QImage &source)
{
    QImage image = source.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int v = 120 + qGray(line[x]) * 45 / 100;
            line[x] = qRgba(v, v, v + 4, qAlpha(line[x]) * 85 / 100);
        }
    }
    return image;
}

QImage ClockSetup()
{
    QImage image(97, 57, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    p.translate(3, 12);
    p.scale(34 / 32.0, 34 / 32.0);
    QPainterPath gear = Gear(QPointF(16, 16), 15, 11.5, 10);
    Shape(p, gear, QColor(0x6C, 0x8E, 0xAE));
    QPainterPath face;
    face.addEllipse(QPointF(16, 16), 8, 8);
    Shape(p, face, Paper);
    Line(p, {16, 16}, {16, 10.5}, Ink, 1.5);
    Line(p, {16, 16}, {20, 17.5}, Ink, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(Red);
    p.drawEllipse(QPointF(16, 16), 1.1, 1.1);
    p.resetTransform();

    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(10);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Ink);
    p.drawText(QRect(39, 14, 58, 14), Qt::AlignCenter, QStringLiteral("DATE/TIME"));
    p.setPen(Blue);
    p.drawText(QRect(39, 29, 58, 14), Qt::AlignCenter, QStringLiteral("SETUP"));
    return image;
}

// A hand-held tester seen from the front, mouthpiece up: body, display and
// keys, as outlines on the backdrop.
void TesterSilhouette(QPainter &p, const QRectF &box)
{
    const qreal w = box.width();
    const qreal h = box.height();
    p.save();
    p.translate(box.topLeft());
    QPainterPath body;
    body.moveTo(w * 0.18, h * 0.16);
    body.cubicTo(w * 0.16, h * 0.10, w * 0.84, h * 0.10, w * 0.82, h * 0.16);
    body.cubicTo(w * 0.98, h * 0.45, w * 0.96, h * 0.92, w * 0.80, h * 0.98);
    body.cubicTo(w * 0.60, h * 1.02, w * 0.40, h * 1.02, w * 0.20, h * 0.98);
    body.cubicTo(w * 0.04, h * 0.92, w * 0.02, h * 0.45, w * 0.18, h * 0.16);
    QLinearGradient shade(0, 0, w, h);
    shade.setColorAt(0, QColor(255, 255, 255, 34));
    shade.setColorAt(1, QColor(255, 255, 255, 10));
    p.setBrush(shade);
    p.setPen(QPen(QColor(255, 255, 255, 70), 1.6));
    p.drawPath(body);
    p.drawRoundedRect(QRectF(w * 0.40, 0, w * 0.20, h * 0.14), 6, 6);
    p.setBrush(QColor(255, 255, 255, 22));
    p.drawRoundedRect(QRectF(w * 0.24, h * 0.26, w * 0.52, h * 0.24), 8, 8);
    QFont digits(QStringLiteral("DejaVu Sans"));
    digits.setPixelSize(int(h * 0.062));
    digits.setWeight(QFont::ExtraLight);
    p.setFont(digits);
    p.setPen(QColor(255, 255, 255, 95));
    p.drawText(QRectF(w * 0.24, h * 0.26, w * 0.52, h * 0.24), Qt::AlignCenter,
               QStringLiteral("0.000"));
    p.setPen(QPen(QColor(255, 255, 255, 60), 1.4));
    p.setBrush(QColor(255, 255, 255, 16));
    for (qreal x : {0.34, 0.66})
        p.drawEllipse(QPointF(w * x, h * 0.64), w * 0.08, w * 0.08);
    p.drawRoundedRect(QRectF(w * 0.36, h * 0.76, w * 0.28, h * 0.07), 6, 6);
    p.restore();
}

// The program's icon: a tester, mouthpiece up, on a rounded blue tile. The
// shapes are laid out on a 256-unit square and scaled to each size.
QImage AppIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0);
    QLinearGradient tile(0, 0, 0, 256);
    tile.setColorAt(0, Blue.lighter(125));
    tile.setColorAt(1, Blue.darker(125));
    p.setPen(Qt::NoPen);
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(8, 8, 240, 240), 44, 44);

    QPainterPath body;
    body.moveTo(82, 58);
    body.cubicTo(80, 48, 176, 48, 174, 58);
    body.cubicTo(200, 110, 196, 208, 170, 222);
    body.cubicTo(142, 232, 114, 232, 86, 222);
    body.cubicTo(60, 208, 56, 110, 82, 58);
    p.setBrush(Paper);
    p.setPen(QPen(Ink, 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(body);
    p.drawRoundedRect(QRectF(110, 22, 36, 34), 8, 8);
    p.setBrush(Ink);
    p.drawRoundedRect(QRectF(86, 82, 84, 50), 8, 8);
    p.setPen(Qt::NoPen);
    p.setBrush(Green.lighter(130));
    for (int i = 0; i < 3; ++i)
        p.drawRoundedRect(QRectF(98 + i * 22, 100, 16, 14), 2, 2);
    p.setBrush(Red);
    p.drawEllipse(QPointF(104, 166), 14, 14);
    p.setBrush(Green);
    p.drawEllipse(QPointF(152, 166), 14, 14);
    return image;
}

QImage Background()
{
    const int w = 1003;
    const int h = 565;
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);

    QLinearGradient sky(0, 0, w, h);
    sky.setColorAt(0, QColor(0x0F, 0x2A, 0x46));
    sky.setColorAt(0.55, QColor(0x17, 0x46, 0x6B));
    sky.setColorAt(1, QColor(0x21, 0x66, 0x86));
    p.fillRect(image.rect(), sky);
    QRadialGradient glow(QPointF(w * 0.74, h * 0.38), w * 0.55);
    glow.setColorAt(0, QColor(255, 255, 255, 38));
    glow.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(image.rect(), glow);

    // Breath waves: long soft curves through the lower part.
    for (int i = 0; i < 7; ++i) {
        const qreal base = h * 0.70 + i * 11;
        const qreal lift = 38 - i * 3.5;
        QPainterPath wave(QPointF(-20, base));
        wave.cubicTo(QPointF(w * 0.25, base - lift), QPointF(w * 0.45, base + lift * 1.2),
                     QPointF(w * 0.68, base - lift * 0.2));
        wave.cubicTo(QPointF(w * 0.82, base - lift * 0.9), QPointF(w * 0.92, base - lift * 0.4),
                     QPointF(w + 20, base - lift * 0.8));
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(0xBF, 0xE4, 0xF5, 70 - i * 7), i == 0 ? 2.2 : 1.3));
        p.drawPath(wave);
    }
    QPainterPath band(QPointF(0, h));
    band.lineTo(0, h * 0.86);
    band.cubicTo(QPointF(w * 0.3, h * 0.80), QPointF(w * 0.6, h * 0.95), QPointF(w, h * 0.84));
    band.lineTo(w, h);
    band.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 14));
    p.drawPath(band);

    TesterSilhouette(p, QRectF(w * 0.71, h * 0.12, 140, 290));

    QFont title(QStringLiteral("DejaVu Sans"));
    title.setWeight(QFont::ExtraLight);
    title.setPixelSize(86);
    title.setLetterSpacing(QFont::AbsoluteSpacing, 3);
    p.setFont(title);
    p.setPen(QColor(255, 255, 255, 240));
    p.drawText(QPointF(72, h * 0.47), QStringLiteral("Kestrune"));
    p.fillRect(QRectF(78, h * 0.47 + 22, 360, 1), QColor(255, 255, 255, 90));
    QFont subtitle(QStringLiteral("DejaVu Sans"));
    subtitle.setPixelSize(14);
    subtitle.setLetterSpacing(QFont::AbsoluteSpacing, 3.2);
    p.setFont(subtitle);
    p.setPen(QColor(0xD5, 0xE8, 0xF3, 200));
    p.drawText(QPointF(79, h * 0.47 + 50), QStringLiteral("BREATH-ALCOHOL TESTER COMPANION"));
    p.end();

    // A trace of noise keeps the gradient from banding in the JPEG.
    QRandomGenerator noise(1003565);
    for (int y = 0; y < h; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int d = int(noise.bounded(5)) - 2;
            line[x] = qRgb(qBound(0, qRed(line[x]) + d, 255), qBound(0, qGreen(line[x]) + d, 255),
                           qBound(0, qBlue(line[x]) + d, 255));
        }
    }
    return image;
}

bool Save(const QImage &image, const QString &path, const char *format, int quality = -1)
{
    if (image.save(path, format, quality))
        return true;
    std::fprintf(stderr, "kestrune-art: cannot write %s\n", qPrintable(path));
    return false;
}

// A Windows icon file holding the icon at several sizes, each as a PNG image.
bool SaveIcoFile(const QList<int> &sizes, const QString &path)
{
    QByteArray directory, images;
    auto put16 = [&directory](int v) { directory.append(char(v & 0xFF)).append(char(v >> 8)); };
    auto put32 = [&put16](int v) { put16(v & 0xFFFF), put16(v >> 16); };
    put16(0), put16(1), put16(int(sizes.size()));
    const int firstImage = 6 + 16 * int(sizes.size());
    for (int size : sizes) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!AppIcon(size).save(&buffer, "PNG"))
            return false;
        // Width and height 0 stand for 256.
        directory.append(char(size & 0xFF)).append(char(size & 0xFF)).append(2, '\0');
        put16(1), put16(32), put32(int(png.size())), put32(firstImage + int(images.size()));
        images += png;
    }
    QFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(directory + images) > 0 && file.flush())
        return true;
    std::fprintf(stderr, "kestrune-art: cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("resources"));
    if (!out.mkpath(QStringLiteral("glyphs"))) {
        std::fprintf(stderr, "kestrune-art: cannot create %s/glyphs\n", qPrintable(out.path()));
        return 1;
    }

    struct Item
    {
        const char *file;
        int height;
        const char *word;
        IconPainter icon;
    };
    const Item items[] = {
        {"connect", 57, "connect", UsbPlug},
        {"disconnect", 57, "disconnect", UsbPlugCrossed},
        {"result", 57, "result", Clipboard},
        {"setting", 57, "setting", Spanner},
        {"information", 57, "information", Information},
        {"exit", 57, "exit", ExitArrow},
        {"archive", 57, "archive", Archive},
        {"read", 62, "read", Download},
        {"save", 62, "save", Floppy},
        {"file", 62, "file", OpenFolder},
        {"excel", 62, "excel", Spreadsheet},
        {"print", 62, "print", Printer},
        {"result_exit", 62, "exit", ExitArrow},
        {"search", 62, "search", Magnifier},
        {"import", 62, "import", Import},
        {"refresh", 62, "refresh", Refresh},
        {"report", 62, "report", Report},
    };
    bool ok = true;
    for (const Item &item : items) {
        const QImage glyph = Glyph(97, item.height, QString::fromLatin1(item.word), item.icon);
        const QString name = QString::fromLatin1(item.file);
        ok &= Save(glyph, out.filePath("glyphs/" + name + ".png"), "PNG");
        if (name == QLatin1String("connect") || name == QLatin1String("disconnect"))
            ok &= Save(Greyed(glyph), out.filePath("glyphs/" + name + "_grey.png"), "PNG");
    }
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("icons/%1x%1").arg(size);
        ok &= out.mkpath(dir) && Save(AppIcon(size), out.filePath(dir + "/kestrune.png"), "PNG");
    }
    ok &=
        SaveIcoFile({16, 24, 32, 48, 64, 256}, out.filePath(QStringLiteral("icons/kestrune.ico")));
    ok &= Save(ClockSetup(), out.filePath(QStringLiteral("glyphs/datetime_setup.png")), "PNG");
    ok &= Save(Background(), out.filePath(QStringLiteral("background.jpg")), "JPEG", 90);
    return ok ? 0 : 1;
}
