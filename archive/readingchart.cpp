#include "archive/readingchart.h"

#include "base/filelines.h"

#include <QFileInfo>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace {

// The program's picture colours.
const QColor Ink(0x24, 0x31, 0x40);
const QColor PassColour(0x2E, 0xA0, 0x4F);
const QColor FailColour(0xD9, 0x3A, 0x35);
const QColor BarColour(0x7B, 0x8C, 0x9E, 80);
const QColor BarText(0x5A, 0x6B, 0x7D);
const QColor GridColour(0xE3, 0xE7, 0xEB);

constexpr int DotSize = 5;
constexpr int HoverRadius = 6;
// Saved pictures and printed pages are drawn at this size and scaled.
const QSize PictureSize(1200, 700);

// Where things go inside the chart's area.
struct Frame
{
    QRect plot;
    ValueTicks readings;
    ValueTicks counts;
    QVector<DateTick> dates;
    double xFirst = 0;
    double xLast = 1;

    double X(double x) const
    {
        return plot.left() + (x - xFirst) / (xLast - xFirst) * plot.width();
    }
    double Y(double reading) const
    {
        const double span = readings.last - readings.first;
        return plot.bottom() + 1 - (reading - readings.first) / span * plot.height();
    }
    double CountY(double count) const
    {
        return plot.bottom() + 1 - count / counts.last * plot.height();
    }
};

Frame Layout(const QRect &area, const QFontMetrics &fm, const QVector<MonthBar> &bars,
             float highest)
{
    Frame f;
    const int line = fm.height();
    f.plot = area.adjusted(fm.horizontalAdvance(QStringLiteral("0000.000")) + 10, 2 * line + 8,
                           -(fm.horizontalAdvance(QStringLiteral("000000")) + 10), -(line + 10));
    const int rows = std::max(1, f.plot.height() / (2 * line + 8));
    f.readings = NiceTicks(0, highest, rows);
    qint64 most = 1;
    for (const MonthBar &bar : bars)
        most = std::max(most, bar.tests);
    f.counts = NiceTicks(0, double(most), rows, true);
    f.xFirst = double(bars.first().firstDay);
    f.xLast = double(bars.last().endDay);
    const int labelWidth = fm.horizontalAdvance(QStringLiteral("Sep 2010")) + 16;
    f.dates = DateTicks(bars.first().firstDay, bars.last().endDay,
                        std::max(1, f.plot.width() / labelWidth));
    return f;
}

void DrawAxes(QPainter &p, const Frame &f, const QString &unit)
{
    const QFontMetrics fm = p.fontMetrics();
    p.setPen(QPen(GridColour, 1));
    for (double v : f.readings.values)
        p.drawLine(QPointF(f.plot.left(), f.Y(v)), QPointF(f.plot.right(), f.Y(v)));
    p.setPen(Ink);
    for (double v : f.readings.values) {
        const QRectF label(0, f.Y(v) - fm.height() / 2.0, f.plot.left() - 6, fm.height());
        p.drawText(label, Qt::AlignRight | Qt::AlignVCenter, TickText(v, f.readings.decimals));
    }
    p.setPen(BarText);
    for (double c : f.counts.values) {
        const QRectF label(f.plot.right() + 6, f.CountY(c) - fm.height() / 2.0, 200, fm.height());
        p.drawText(label, Qt::AlignLeft | Qt::AlignVCenter, TickText(c, 0));
    }
    p.setPen(Ink);
    for (const DateTick &tick : f.dates) {
        const double x = f.X(double(tick.day));
        p.drawLine(QPointF(x, f.plot.bottom() + 1), QPointF(x, f.plot.bottom() + 5));
        const int width = fm.horizontalAdvance(tick.label);
        p.drawText(QPointF(x - width / 2.0, f.plot.bottom() + 7 + fm.ascent()), tick.label);
    }
    p.setPen(QPen(Ink, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(f.plot.adjusted(0, 0, 0, 1));
    // Which axis is which.
    p.drawText(
        QPointF(f.plot.left() - fm.horizontalAdvance(unit) / 2.0, f.plot.top() - 6 - fm.descent()),
        unit);
    p.setPen(BarText);
    const QString tests = QStringLiteral("tests");
    p.drawText(QPointF(f.plot.right() + 6, f.plot.top() - 6 - fm.descent()), tests);
}

void DrawTitle(QPainter &p, const QRect &area, const QString &unit)
{
    const QFontMetrics fm = p.fontMetrics();
    const int baseline = area.top() + 4 + fm.ascent();
    QFont bold = p.font();
    bold.setBold(true);
    p.save();
    p.setFont(bold);
    p.setPen(Ink);
    p.drawText(QPointF(area.left() + 8, baseline), QStringLiteral("Readings in ") + unit.trimmed());
    p.restore();
    // The key, from the right edge leftwards.
    struct Key
    {
        QColor colour;
        const char *text;
        bool bar;
    };
    const Key keys[] = {{BarColour, "tests per month", true},
                        {FailColour, "FAIL", false},
                        {PassColour, "PASS", false}};
    double right = area.right() - 8;
    for (const Key &key : keys) {
        const QString text = QString::fromLatin1(key.text);
        right -= fm.horizontalAdvance(text);
        p.setPen(Ink);
        p.drawText(QPointF(right, baseline), text);
        right -= 14;
        const QPointF mark(right + 5, baseline - fm.ascent() / 2.0 + 1);
        p.setPen(Qt::NoPen);
        p.setBrush(key.colour);
        if (key.bar)
            p.drawRect(QRectF(mark.x() - 5, mark.y() - 5, 10, 10));
        else
            p.drawEllipse(mark, DotSize / 2.0 + 0.5, DotSize / 2.0 + 0.5);
        right -= 16;
    }
}

void DrawBars(QPainter &p, const Frame &f, const QVector<MonthBar> &bars)
{
    p.setPen(Qt::NoPen);
    p.setBrush(BarColour);
    for (const MonthBar &bar : bars) {
        if (bar.tests == 0)
            continue;
        const double left = f.X(double(bar.firstDay)) + 1;
        const double right = f.X(double(bar.endDay)) - 1;
        const double top = f.CountY(double(bar.tests));
        p.drawRect(QRectF(left, top, std::max(1.0, right - left), f.plot.bottom() + 1 - top));
    }
}

QImage MakeDot(const QColor &colour)
{
    QImage dot(DotSize + 2, DotSize + 2, QImage::Format_ARGB32_Premultiplied);
    dot.fill(Qt::transparent);
    QPainter p(&dot);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QRectF(1, 1, DotSize, DotSize));
    return dot;
}

// A dot as a small picture, drawn once per colour.
const QImage &DotPicture(bool fail)
{
    static const QImage pass = MakeDot(PassColour);
    static const QImage failed = MakeDot(FailColour);
    return fail ? failed : pass;
}

// Points of one colour. Dots closer than a pixel to one drawn already add
// nothing to see and are left out, so a hundred thousand points draw as
// fast as the few thousand places they cover.
void DrawDots(QPainter &p, const Frame &f, const QVector<PlotPoint> &points, bool fail,
              QVector<QPoint> *screen)
{
    const QRect &plot = f.plot;
    const int columns = plot.width() / 2 + 2;
    QVector<bool> taken(qsizetype(columns) * (plot.height() / 2 + 2), false);
    QPolygon dots;
    for (qsizetype i = 0; i < points.size(); ++i) {
        const PlotPoint &pt = points[i];
        if (pt.fail != fail)
            continue;
        const QPoint at(int(std::lround(f.X(pt.x))), int(std::lround(f.Y(pt.y))));
        if (screen)
            (*screen)[i] = at;
        const QPoint cell = (at - plot.topLeft()) / 2;
        if (cell.x() < 0 || cell.y() < 0 || cell.x() >= columns || at.y() > plot.bottom() + 1)
            continue;
        bool &seen = taken[qsizetype(cell.y()) * columns + cell.x()];
        if (seen)
            continue;
        seen = true;
        dots.append(at);
    }
    // On pictures and the screen a ready dot is quickest; on paper and in
    // documents the dots stay shapes.
    const QPaintEngine *engine = p.paintEngine();
    if (engine && engine->type() == QPaintEngine::Raster) {
        const QImage &dot = DotPicture(fail);
        const QPoint centre(dot.width() / 2, dot.height() / 2);
        for (const QPoint &at : dots)
            p.drawImage(at - centre, dot);
        return;
    }
    p.setPen(QPen(fail ? FailColour : PassColour, DotSize, Qt::SolidLine, Qt::RoundCap));
    p.drawPoints(dots);
}

} // namespace

TReadingChart::TReadingChart(QWidget *parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // In pixels, so that saved and printed charts scale with their page.
    QFont f = font();
    f.setPixelSize(11);
    setFont(f);
}

void TReadingChart::SetPoints(QVector<PlotPoint> points, const QString &unit)
{
    FPoints = std::move(points);
    FBars = MonthBars(FPoints);
    FHighest = 0;
    for (const PlotPoint &pt : FPoints)
        FHighest = std::max(FHighest, pt.y);
    FUnit = unit;
    FMessage.clear();
    FScreen.clear();
    update();
}

void TReadingChart::SetMessage(const QString &text)
{
    FPoints.clear();
    FPoints.squeeze();
    FBars.clear();
    FScreen.clear();
    FMessage = text;
    update();
}

void TReadingChart::Paint(QPainter &painter, const QRect &area) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(area, Qt::white);
    if (FPoints.isEmpty()) {
        painter.setPen(Ink);
        painter.drawText(area, Qt::AlignCenter,
                         FMessage.isEmpty() ? QStringLiteral("No readings") : FMessage);
        painter.restore();
        return;
    }
    const Frame frame = Layout(area, painter.fontMetrics(), FBars, FHighest);
    DrawTitle(painter, area, FUnit);
    DrawBars(painter, frame, FBars);
    DrawAxes(painter, frame, FUnit);
    const bool onScreen = painter.device() == this;
    if (onScreen)
        FScreen.fill(QPoint(-1000, -1000), FPoints.size());
    painter.setClipRect(frame.plot.adjusted(-DotSize, -DotSize, DotSize, DotSize));
    DrawDots(painter, frame, FPoints, false, onScreen ? &FScreen : nullptr);
    DrawDots(painter, frame, FPoints, true, onScreen ? &FScreen : nullptr);
    painter.restore();
}

void TReadingChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    Paint(painter, rect());
}

std::optional<int> TReadingChart::PointAt(const QPoint &pos) const
{
    std::optional<int> nearest;
    int best = HoverRadius * HoverRadius + 1;
    for (qsizetype i = 0; i < FScreen.size(); ++i) {
        const QPoint d = FScreen[i] - pos;
        const int distance = d.x() * d.x() + d.y() * d.y();
        // A FAIL drawn over a PASS at the same place wins.
        if (distance < best || (distance == best && FPoints[i].fail)) {
            best = distance;
            nearest = int(i);
        }
    }
    return nearest;
}

QString TReadingChart::PointTip(int index) const
{
    const PlotPoint &pt = FPoints.at(index);
    const double day = std::floor(pt.x);
    const int seconds = int(std::lround((pt.x - day) * 86400));
    const QString time = QStringLiteral("%1:%2.%3")
                             .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
                             .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                             .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("Test No : %1\nDate : %2\nTime : %3\nReading : %4 (%5)")
        .arg(QString::number(pt.testNo).rightJustified(5, u'0'), DayText(qint64(day)), time,
             ReadingText(pt.y, FUnit), QLatin1String(pt.fail ? "FAIL" : "PASS"));
}

void TReadingChart::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    const std::optional<int> point = PointAt(pos);
    if (point)
        QToolTip::showText(event->globalPosition().toPoint(), PointTip(*point), this);
    else
        QToolTip::hideText();
}

bool TReadingChart::SaveTo(const QString &path, QString *error) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = FileError(path, file.errorString());
        return false;
    }
    bool painted = false;
    if (QFileInfo(path).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0) {
        QPdfWriter pdf(&file);
        pdf.setPageOrientation(QPageLayout::Landscape);
        pdf.setTitle(QStringLiteral("Readings in ") + FUnit.trimmed());
        painted = PaintPage(pdf);
    } else {
        QImage image(PictureSize, QImage::Format_RGB32);
        QPainter painter(&image);
        painter.setFont(font());
        Paint(painter, image.rect());
        painter.end();
        painted = image.save(&file, "PNG");
    }
    if (!painted) {
        file.cancelWriting();
        *error = FileError(path, QStringLiteral("the picture could not be drawn"));
        return false;
    }
    if (!file.commit()) {
        *error = FileError(path, file.errorString());
        return false;
    }
    return true;
}

bool TReadingChart::PrintOn(QPrinter &printer) const
{
    return PaintPage(printer);
}

bool TReadingChart::PaintPage(QPaintDevice &page) const
{
    QPainter painter;
    if (!painter.begin(&page))
        return false;
    const QRect area = painter.viewport();
    const double scale = std::min(area.width() / double(PictureSize.width()),
                                  area.height() / double(PictureSize.height()));
    painter.scale(scale, scale);
    painter.setFont(font());
    Paint(painter, QRect(QPoint(0, 0), PictureSize));
    painter.end();
    return true;
}
