#include "archive/chartpainter.h"

#include "archive/archivewords.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

// The program's picture colours.
const QColor Ink(0x24, 0x31, 0x40);
const QColor PassColour(0x2E, 0xA0, 0x4F);
const QColor FailColour(0xD9, 0x3A, 0x35);
const QColor BarColour(0x7B, 0x8C, 0x9E, 70);
const QColor FailBarColour(0xD9, 0x3A, 0x35, 70);
const QColor BarText(0x5A, 0x6B, 0x7D);
const QColor GridColour(0xE3, 0xE7, 0xEB);
const QColor MedianColour(0x1F, 0x4E, 0x8C);
const QColor BandColour(0x1F, 0x4E, 0x8C, 55);

constexpr int DotSize = 5;

// The bars of period that overlap view, as an index range.
template <typename Period>
std::pair<qsizetype, qsizetype> InView(const QVector<Period> &periods, const ChartView &view)
{
    const auto first =
        std::upper_bound(periods.begin(), periods.end(), view.first,
                         [](double t, const Period &p) { return t < double(p.endDay); });
    const auto end =
        std::lower_bound(first, periods.end(), view.last,
                         [](const Period &p, double t) { return double(p.firstDay) < t; });
    return {first - periods.begin(), end - periods.begin()};
}

std::pair<float, float> ReadingRange(const ChartData &data, const ChartFrame &f)
{
    float lo = 0;
    float hi = 0;
    if (f.style.summary) {
        const QVector<PeriodSummary> &summaries = data.Summaries(f.style.period);
        const auto [from, to] = InView(summaries, f.view);
        for (qsizetype i = from; i < to; ++i) {
            lo = std::min(lo, summaries[i].low);
            hi = std::max(hi, summaries[i].high);
        }
    } else if (f.shown.first == 0 && f.shown.second == data.readings.size()) {
        lo = std::min(0.0f, data.lowest);
        hi = data.highest;
    } else {
        for (qsizetype i = f.shown.first; i < f.shown.second; ++i) {
            lo = std::min(lo, data.readings[i].reading);
            hi = std::max(hi, data.readings[i].reading);
        }
    }
    return {lo, hi};
}

ChartFrame Layout(const QRect &area, const QFontMetrics &fm, const ChartData &data,
                  const ChartView &view)
{
    ChartFrame f;
    f.view = view;
    f.shown = ReadingsBetween(data.readings, view.first, view.last);
    f.style = StyleOfView(f.shown.second - f.shown.first, view.Span());
    const int line = fm.height();
    const int right = fm.horizontalAdvance(QStringLiteral("000,000")) + 10 +
                      (f.style.summary ? fm.horizontalAdvance(QStringLiteral("100 %")) + 8 : 0);
    // Title, subtitle and the axes' names above; dates and the key below.
    f.plot = area.adjusted(fm.horizontalAdvance(QStringLiteral("0000.000")) + 10, 3 * line + 14,
                           -right, -(2 * line + 18));
    const int rows = std::max(1, f.plot.height() / (2 * line + 8));
    const auto [lo, hi] = ReadingRange(data, f);
    f.readings = NiceTicks(lo, hi, rows);
    const QVector<PeriodBar> &bars = data.Bars(f.style.period);
    const auto [from, to] = InView(bars, view);
    qint64 most = 1;
    double rate = 1;
    for (qsizetype i = from; i < to; ++i) {
        most = std::max(most, bars[i].tests);
        if (bars[i].tests > 0)
            rate = std::max(rate, 100.0 * double(bars[i].fails) / double(bars[i].tests));
    }
    // The bars keep to the lower half, under most of the readings.
    f.counts = NiceTicks(0, 2.0 * double(most), rows, true);
    f.rates = NiceTicks(0, std::min(rate, 100.0), rows);
    return f;
}

void DrawBars(QPainter &p, const ChartFrame &f, const QVector<PeriodBar> &bars)
{
    p.setPen(Qt::NoPen);
    const auto [from, to] = InView(bars, f.view);
    // Narrow bars touch: a gap would be all there is to see.
    const double gap =
        f.X(double(bars.value(from).endDay)) - f.X(double(bars.value(from).firstDay)) > 6 ? 1 : 0;
    for (qsizetype i = from; i < to; ++i) {
        const PeriodBar &bar = bars[i];
        const double left = f.X(double(bar.firstDay)) + gap;
        const double width = std::max(1.0, f.X(double(bar.endDay)) - gap - left);
        const double bottom = f.plot.bottom() + 1;
        const double failTop = f.CountY(double(bar.fails));
        const double top = f.CountY(double(bar.tests));
        p.setBrush(BarColour);
        p.drawRect(QRectF(left, top, width, failTop - top));
        p.setBrush(FailBarColour);
        p.drawRect(QRectF(left, failTop, width, bottom - failTop));
    }
}

void DrawAxes(QPainter &p, const ChartFrame &f, const QString &unit)
{
    const QFontMetrics fm = p.fontMetrics();
    p.setPen(QPen(GridColour, 1));
    for (double v : f.readings.values)
        p.drawLine(QPointF(f.plot.left(), f.Y(v)), QPointF(f.plot.right(), f.Y(v)));
    auto label = [&](double x, double y, int width, Qt::Alignment side, const QString &text) {
        p.drawText(QRectF(x, y - fm.height() / 2.0, width, fm.height()), side | Qt::AlignVCenter,
                   text);
    };
    p.setPen(Ink);
    for (double v : f.readings.values)
        label(0, f.Y(v), f.plot.left() - 6, Qt::AlignRight, TickText(v, f.readings.decimals));
    const int countsWidth = fm.horizontalAdvance(QStringLiteral("000,000"));
    p.setPen(BarText);
    for (double c : f.counts.values)
        label(f.plot.right() + 6, f.CountY(c), countsWidth, Qt::AlignLeft,
              GroupedCount(qint64(std::llround(c))));
    const double ratesLeft = f.plot.right() + 14 + countsWidth;
    if (f.style.summary) {
        p.setPen(FailColour);
        for (double r : f.rates.values)
            label(ratesLeft, f.RateY(r), 200, Qt::AlignLeft,
                  TickText(r, f.rates.decimals) + QStringLiteral(" %"));
    }
    p.setPen(Ink);
    // Within a few days the labels are times and days, shorter than months.
    const QString widest =
        f.view.Span() <= 3 ? QStringLiteral("00 Sep") : QStringLiteral("Sep 2010");
    const int labelWidth = fm.horizontalAdvance(widest) + 16;
    for (const TimeTick &tick :
         TimeTicks(f.view.first, f.view.last, std::max(1, f.plot.width() / labelWidth))) {
        const double x = f.X(tick.at);
        p.drawLine(QPointF(x, f.plot.bottom() + 1), QPointF(x, f.plot.bottom() + 5));
        const int width = fm.horizontalAdvance(tick.label);
        p.drawText(QPointF(x - width / 2.0, f.plot.bottom() + 7 + fm.ascent()), tick.label);
    }
    p.setPen(QPen(Ink, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(f.plot.adjusted(0, 0, 0, 1));
    // Which axis is which.
    const double names = f.plot.top() - 6 - fm.descent();
    p.drawText(QPointF(std::max(2.0, f.plot.left() - fm.horizontalAdvance(unit) / 2.0), names),
               unit);
    p.setPen(BarText);
    p.drawText(QPointF(f.plot.right() + 6, names), QStringLiteral("tests"));
    if (f.style.summary) {
        p.setPen(FailColour);
        p.drawText(QPointF(ratesLeft, names), QStringLiteral("FAIL"));
    }
}

void DrawTitle(QPainter &p, const QRect &area, const QString &heading, const QString &subheading)
{
    const QFontMetrics fm = p.fontMetrics();
    const int baseline = area.top() + 4 + fm.ascent();
    QFont bold = p.font();
    bold.setBold(true);
    p.save();
    p.setFont(bold);
    p.setPen(Ink);
    p.drawText(QPointF(area.left() + 8, baseline),
               QFontMetrics(bold).elidedText(heading, Qt::ElideRight, area.width() - 16));
    p.restore();
    p.setPen(Ink);
    p.drawText(QPointF(area.left() + 8, baseline + fm.height() + 2),
               fm.elidedText(subheading, Qt::ElideRight, area.width() - 16));
}

// The key under the dates, centred.
void DrawKey(QPainter &p, const QRect &area, const ChartStyle &style)
{
    enum class Mark { Dot, Bar, Line, Band };
    struct Key
    {
        Mark mark;
        QColor colour;
        QString text;
    };
    const QString bars = QStringLiteral("tests per ") + PeriodName(style.period);
    QVector<Key> keys;
    if (style.summary)
        keys = {{Mark::Line, MedianColour, QStringLiteral("median")},
                {Mark::Band, BandColour, QStringLiteral("10 % to 90 %")},
                {Mark::Line, FailColour, QStringLiteral("FAIL rate")}};
    else
        keys = {{Mark::Dot, PassColour, QStringLiteral("PASS")},
                {Mark::Dot, FailColour, QStringLiteral("FAIL")}};
    keys +=
        {{Mark::Bar, BarColour, bars}, {Mark::Bar, FailBarColour, QStringLiteral("of them FAIL")}};
    const QFontMetrics fm = p.fontMetrics();
    constexpr int markWidth = 14;
    constexpr int spacing = 16;
    int width = 0;
    for (const Key &key : keys)
        width += markWidth + 4 + fm.horizontalAdvance(key.text) + spacing;
    width -= spacing;
    double x = area.left() + std::max(8, (area.width() - width) / 2);
    const double baseline = area.bottom() - 4 - fm.descent();
    const double middle = baseline - fm.ascent() / 2.0 + 1;
    for (const Key &key : keys) {
        const QRectF mark(x, middle - 5, markWidth, 10);
        p.setPen(Qt::NoPen);
        p.setBrush(key.colour);
        switch (key.mark) {
        case Mark::Dot:
            p.drawEllipse(mark.center(), DotSize / 2.0 + 0.5, DotSize / 2.0 + 0.5);
            break;
        case Mark::Bar:
        case Mark::Band:
            p.drawRect(mark.adjusted(2, 0, -2, 0));
            break;
        case Mark::Line:
            p.setPen(QPen(key.colour, 2));
            p.drawLine(QPointF(mark.left(), mark.center().y()),
                       QPointF(mark.right(), mark.center().y()));
            break;
        }
        x += markWidth + 4;
        p.setPen(Ink);
        p.drawText(QPointF(x, baseline), key.text);
        x += fm.horizontalAdvance(key.text) + spacing;
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

QPoint ScreenOf(const ChartFrame &f, const ChartReading &r)
{
    return {int(std::lround(f.X(ReadingTime(r)))), int(std::lround(f.Y(r.reading)))};
}

// The readings in view of one colour. Dots closer than a pixel to one drawn
// already add nothing to see and are left out.
void DrawDots(QPainter &p, const ChartFrame &f, const QVector<ChartReading> &readings, bool fail)
{
    const QRect &plot = f.plot;
    const int columns = plot.width() / 2 + 2;
    QVector<bool> taken(qsizetype(columns) * (plot.height() / 2 + 2), false);
    QPolygon dots;
    for (qsizetype i = f.shown.first; i < f.shown.second; ++i) {
        const ChartReading &r = readings[i];
        if (bool(r.fail) != fail)
            continue;
        const QPoint at = ScreenOf(f, r);
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
        for (const QPoint &at : std::as_const(dots))
            p.drawImage(at - centre, dot);
        return;
    }
    p.setPen(QPen(fail ? FailColour : PassColour, DotSize, Qt::SolidLine, Qt::RoundCap));
    p.drawPoints(dots);
}

// Runs of periods that follow each other without a gap, each drawn as one
// line; a period alone is drawn by single.
template <typename Period, typename Line, typename Single>
void EachRun(const QVector<Period> &periods, std::pair<qsizetype, qsizetype> range, Line line,
             Single single)
{
    for (qsizetype i = range.first; i < range.second;) {
        qsizetype end = i + 1;
        while (end < range.second && periods[end].firstDay == periods[end - 1].endDay)
            ++end;
        if (end - i == 1)
            single(periods[i]);
        else
            line(i, end);
        i = end;
    }
}

template <typename Period> double Middle(const ChartFrame &f, const Period &period)
{
    return f.X((double(period.firstDay) + double(period.endDay)) / 2);
}

void DrawSummaries(QPainter &p, const ChartFrame &f, const QVector<PeriodSummary> &summaries)
{
    const auto range = InView(summaries, f.view);
    // Widened by a period on each side, so that lines run out of the plot.
    const std::pair<qsizetype, qsizetype> wide{std::max<qsizetype>(0, range.first - 1),
                                               std::min(summaries.size(), range.second + 1)};
    EachRun(
        summaries, wide,
        [&](qsizetype from, qsizetype to) {
            QPolygonF band;
            QPolygonF median;
            for (qsizetype i = from; i < to; ++i) {
                band << QPointF(Middle(f, summaries[i]), f.Y(summaries[i].high));
                median << QPointF(Middle(f, summaries[i]), f.Y(summaries[i].median));
            }
            for (qsizetype i = to - 1; i >= from; --i)
                band << QPointF(Middle(f, summaries[i]), f.Y(summaries[i].low));
            p.setPen(Qt::NoPen);
            p.setBrush(BandColour);
            p.drawPolygon(band);
            p.setPen(QPen(MedianColour, 2));
            p.setBrush(Qt::NoBrush);
            p.drawPolyline(median);
        },
        [&](const PeriodSummary &s) {
            // A period alone: its band across its width, its median a bar.
            const double left = f.X(double(s.firstDay)) + 1;
            const double right = std::max(left + 3, f.X(double(s.endDay)) - 1);
            p.setPen(Qt::NoPen);
            p.setBrush(BandColour);
            p.drawRect(QRectF(QPointF(left, f.Y(s.high)), QPointF(right, f.Y(s.low))));
            p.setPen(QPen(MedianColour, 2));
            p.drawLine(QPointF(left, f.Y(s.median)), QPointF(right, f.Y(s.median)));
        });
}

void DrawFailRate(QPainter &p, const ChartFrame &f, const QVector<PeriodBar> &bars)
{
    const auto range = InView(bars, f.view);
    const std::pair<qsizetype, qsizetype> wide{std::max<qsizetype>(0, range.first - 1),
                                               std::min(bars.size(), range.second + 1)};
    auto at = [&](const PeriodBar &bar) {
        return QPointF(Middle(f, bar), f.RateY(100.0 * double(bar.fails) / double(bar.tests)));
    };
    p.setBrush(FailColour);
    EachRun(
        bars, wide,
        [&](qsizetype from, qsizetype to) {
            QPolygonF rate;
            for (qsizetype i = from; i < to; ++i)
                rate << at(bars[i]);
            p.setPen(QPen(FailColour, 1.5));
            p.drawPolyline(rate);
        },
        [&](const PeriodBar &bar) {
            p.setPen(Qt::NoPen);
            p.drawEllipse(at(bar), 2.5, 2.5);
        });
}

QString Percent(qint64 part, qint64 whole)
{
    return QString::number(whole > 0 ? 100.0 * double(part) / double(whole) : 0, 'f', 1) +
           QStringLiteral(" %");
}

// The period of periods (sorted, without overlaps) that holds day.
template <typename Period> const Period *PeriodOf(const QVector<Period> &periods, double day)
{
    const auto it =
        std::upper_bound(periods.begin(), periods.end(), day,
                         [](double t, const Period &p) { return t < double(p.endDay); });
    return it != periods.end() && double(it->firstDay) <= day ? &*it : nullptr;
}

} // namespace

double ChartFrame::X(double day) const
{
    return plot.left() + (day - view.first) / view.Span() * plot.width();
}

double ChartFrame::DayAt(double x) const
{
    return view.first + (x - plot.left()) / plot.width() * view.Span();
}

double ChartFrame::Y(double reading) const
{
    const double span = readings.last - readings.first;
    return plot.bottom() + 1 - (reading - readings.first) / span * plot.height();
}

double ChartFrame::CountY(double count) const
{
    return plot.bottom() + 1 - count / counts.last * plot.height();
}

double ChartFrame::RateY(double percent) const
{
    return plot.bottom() + 1 - percent / rates.last * plot.height();
}

ChartView FullView(const ChartData &data)
{
    ChartView view{double(data.firstDay), double(data.lastDay + 1)};
    // Whole periods of the view's own period; widened to them, the view may
    // want longer periods (never shorter ones).
    ChartPeriod period = StyleOfView(0, view.Span()).period;
    for (;;) {
        view = {double(PeriodStart(data.firstDay, period)),
                double(PeriodEnd(PeriodStart(data.lastDay, period), period))};
        const ChartPeriod wider = StyleOfView(0, view.Span()).period;
        if (wider == period)
            return view;
        period = wider;
    }
}

ChartView FittedView(ChartView view, const ChartView &full)
{
    if (view.first > view.last)
        std::swap(view.first, view.last);
    if (view.Span() >= full.Span())
        return full;
    if (view.Span() < ShortestView) {
        const double middle = (view.first + view.last) / 2;
        view = {middle - ShortestView / 2, middle + ShortestView / 2};
    }
    const double shift =
        std::max(0.0, full.first - view.first) - std::max(0.0, view.last - full.last);
    return {view.first + shift, view.last + shift};
}

QString ChartHeading(const QString &unit, const ChartTitle &title)
{
    return QStringLiteral("Readings in ") + unit.trimmed() + QStringLiteral(", ") +
           (title.tester.isEmpty() ? QStringLiteral("all testers") : title.tester);
}

QString ChartSubheading(const ChartData &data, const ChartView &view, const ChartTitle &title)
{
    // Zoomed, the stretch shown is the period; whole days are named from the
    // first to the last.
    QString text;
    if (!(view == FullView(data))) {
        const bool days =
            view.first == std::floor(view.first) && view.last == std::floor(view.last);
        text = days ? DayText(qint64(view.first)) + QStringLiteral(" to ") +
                          DayText(qint64(view.last) - 1)
                    : MomentText(view.first) + QStringLiteral(" to ") + MomentText(view.last);
        text += QStringLiteral(" (zoomed)");
    } else if (title.period.isEmpty()) {
        text = DayText(data.firstDay) + QStringLiteral(" to ") + DayText(data.lastDay);
    } else {
        text = title.period;
    }
    if (!title.filter.isEmpty())
        text += QStringLiteral(", ") + title.filter;
    return text;
}

ChartFrame PaintChart(QPainter &painter, const QRect &area, const ChartData &data,
                      const ChartView &view, const ChartTitle &title)
{
    const ChartFrame frame = Layout(area, painter.fontMetrics(), data, view);
    DrawTitle(painter, area, ChartHeading(data.unit, title), ChartSubheading(data, view, title));
    DrawKey(painter, area, frame.style);
    painter.save();
    painter.setClipRect(frame.plot);
    DrawBars(painter, frame, data.Bars(frame.style.period));
    painter.restore();
    DrawAxes(painter, frame, data.unit);
    painter.save();
    painter.setClipRect(frame.plot.adjusted(-DotSize, -DotSize, DotSize, DotSize));
    if (frame.style.summary) {
        painter.setClipRect(frame.plot);
        DrawSummaries(painter, frame, data.Summaries(frame.style.period));
        DrawFailRate(painter, frame, data.Bars(frame.style.period));
    } else {
        DrawDots(painter, frame, data.readings, false);
        DrawDots(painter, frame, data.readings, true);
    }
    painter.restore();
    return frame;
}

std::optional<qsizetype> ReadingAt(const ChartData &data, const ChartFrame &frame,
                                   const QPoint &pos, int radius)
{
    if (frame.style.summary || frame.plot.isEmpty())
        return std::nullopt;
    const auto [near, end] = ReadingsBetween(data.readings, frame.DayAt(pos.x() - radius - 1),
                                             frame.DayAt(pos.x() + radius + 1));
    std::optional<qsizetype> nearest;
    int best = radius * radius + 1;
    for (qsizetype i = std::max(near, frame.shown.first); i < std::min(end, frame.shown.second);
         ++i) {
        const QPoint d = ScreenOf(frame, data.readings[i]) - pos;
        const int distance = d.x() * d.x() + d.y() * d.y();
        if (distance < best || (distance == best && data.readings[i].fail)) {
            best = distance;
            nearest = i;
        }
    }
    return nearest;
}

QString PeriodTipAt(const ChartData &data, const ChartFrame &frame, const QPoint &pos)
{
    if (!frame.plot.adjusted(0, 0, 0, 1).contains(pos))
        return QString();
    const double day = frame.DayAt(pos.x());
    const ChartPeriod period = frame.style.period;
    const PeriodBar *bar = PeriodOf(data.Bars(period), day);
    const PeriodSummary *summary = PeriodOf(data.Summaries(period), day);
    const bool onBar = bar && pos.y() >= frame.CountY(double(bar->tests));
    if (!onBar && !(frame.style.summary && (bar || summary)))
        return QString();
    QStringList lines{PeriodText(bar ? bar->firstDay : summary->firstDay, period)};
    if (bar)
        lines << QStringLiteral("Tests : %1 (FAIL %2, %3)")
                     .arg(GroupedCount(bar->tests), GroupedCount(bar->fails),
                          Percent(bar->fails, bar->tests));
    if (summary)
        lines << QStringLiteral("Readings in %1 : %2")
                     .arg(data.unit.trimmed(), GroupedCount(summary->readings))
              << QStringLiteral("Median : ") + ReadingText(summary->median, data.unit)
              << QStringLiteral("10 % to 90 % : ") + ReadingText(summary->low, data.unit) +
                     QStringLiteral(" to ") + ReadingText(summary->high, data.unit);
    return lines.join(u'\n');
}
