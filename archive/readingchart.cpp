#include "archive/readingchart.h"

#include "base/filelines.h"

#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace {

const QColor Ink(0x24, 0x31, 0x40);
const QColor DragColour(0x1F, 0x4E, 0x8C, 40);

constexpr int HoverRadius = 6;
// A drag shorter than this is a click.
constexpr int ShortestDrag = 4;
// A drag over more days than this zooms to whole days.
constexpr double WholeDaysAbove = 3;
// Saved pictures are drawn at this size; pages at its width, as high as
// the page's shape makes it.
const QSize PictureSize(1200, 700);
// The lines under a chart on a page keep this far from its left edge.
constexpr int ClosingIndent = 16;

// Draws the chart of data over view into area, or message in its place
// when there are no readings; where it put things.
std::optional<ChartFrame> PaintChartArea(QPainter &painter, const QRect &area,
                                         const ChartData &data, const ChartView &view,
                                         const ChartTitle &title, const QString &message)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(area, Qt::white);
    std::optional<ChartFrame> frame;
    if (data.readings.isEmpty()) {
        QString text = message;
        if (text.isEmpty())
            text = data.unit.isEmpty() ? QStringLiteral("No readings")
                                       : QStringLiteral("No readings in ") + data.unit.trimmed();
        painter.setPen(Ink);
        painter.drawText(area, Qt::AlignCenter, text);
    } else {
        frame = PaintChart(painter, area, data, view, title);
    }
    painter.restore();
    return frame;
}

// The chart scaled across a whole page of a document or printer, its
// closing lines under it.
bool PaintPage(const ChartPrintout &chart, QPaintDevice &page)
{
    QPainter painter;
    if (!painter.begin(&page))
        return false;
    const QRect area = painter.viewport();
    const double scale = area.width() / double(PictureSize.width());
    painter.scale(scale, scale);
    painter.setFont(chart.font);
    const int width = PictureSize.width();
    const int height = int(area.height() / scale);
    // A blank line between the chart and the lines under it.
    const int line = painter.fontMetrics().height();
    const int under = chart.closing.isEmpty() ? 0 : int(chart.closing.size() + 1) * line;
    PaintChartArea(painter, QRect(0, 0, width, height - under), chart.data, chart.view, chart.title,
                   chart.message);
    painter.setPen(Ink);
    int y = height - under + line;
    for (const QString &text : chart.closing) {
        painter.drawText(QRect(ClosingIndent, y, width - 2 * ClosingIndent, line),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
        y += line;
    }
    painter.end();
    return true;
}

} // namespace

bool IsChartDocument(const QString &path)
{
    return QFileInfo(path).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0;
}

bool SaveChart(const ChartPrintout &chart, const QString &path, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = FileError(path, file.errorString());
        return false;
    }
    bool painted = false;
    if (IsChartDocument(path)) {
        QPdfWriter pdf(&file);
        pdf.setPageOrientation(QPageLayout::Landscape);
        pdf.setTitle(ChartHeading(chart.data.unit, chart.title));
        painted = PaintPage(chart, pdf);
    } else {
        QImage image(PictureSize, QImage::Format_RGB32);
        QPainter painter(&image);
        painter.setFont(chart.font);
        PaintChartArea(painter, image.rect(), chart.data, chart.view, chart.title, chart.message);
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

bool PrintChart(const ChartPrintout &chart, QPrinter &printer)
{
    return PaintPage(chart, printer);
}

TReadingChart::TReadingChart(QWidget *parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // In pixels, so that saved and printed charts scale with their page.
    QFont f = font();
    f.setPixelSize(11);
    setFont(f);
}

void TReadingChart::SetInput(ChartInput input)
{
    SetData(PrepareChart(std::move(input)));
}

void TReadingChart::SetData(ChartData prepared)
{
    FData = std::move(prepared);
    FMessage.clear();
    FView.reset();
    FFrame.reset();
    FDragFrom.reset();
    update();
}

void TReadingChart::SetMessage(const QString &text)
{
    FData = ChartData();
    FView.reset();
    FFrame.reset();
    FDragFrom.reset();
    FMessage = text;
    update();
}

void TReadingChart::SetTitle(const ChartTitle &title)
{
    FTitle = title;
    update();
}

ChartView TReadingChart::View() const
{
    return FView.value_or(FullView(FData));
}

void TReadingChart::SetView(const ChartView &view)
{
    const ChartView full = FullView(FData);
    const ChartView fitted = FittedView(view, full);
    if (fitted == full)
        FView.reset();
    else
        FView = fitted;
    FFrame.reset();
    update();
}

void TReadingChart::ResetView()
{
    SetView(FullView(FData));
}

ChartStyle TReadingChart::Style() const
{
    const ChartView view = View();
    const auto [first, end] = ReadingsBetween(FData.readings, view.first, view.last);
    return StyleOfView(end - first, view.Span());
}

void TReadingChart::Paint(QPainter &painter, const QRect &area) const
{
    PaintChartArea(painter, area, FData, View(), FTitle, FMessage);
}

void TReadingChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    FFrame = PaintChartArea(painter, rect(), FData, View(), FTitle, FMessage);
    if (FDragFrom && FFrame) {
        const QRect &plot = FFrame->plot;
        const int left = std::clamp(std::min(*FDragFrom, FDragTo), plot.left(), plot.right());
        const int right = std::clamp(std::max(*FDragFrom, FDragTo), plot.left(), plot.right());
        painter.fillRect(QRect(left, plot.top(), right - left + 1, plot.height()), DragColour);
    }
}

std::optional<int> TReadingChart::PointAt(const QPoint &pos) const
{
    if (!FFrame)
        return std::nullopt;
    const std::optional<qsizetype> at = ReadingAt(FData, *FFrame, pos, HoverRadius);
    return at ? std::optional<int>(int(*at)) : std::nullopt;
}

QString TReadingChart::PointTip(int index) const
{
    const ChartReading &r = FData.readings.at(index);
    return QStringLiteral("Test No : %1\nDate : %2\nTime : %3\nReading : %4 (%5)")
        .arg(QString::number(r.testNo).rightJustified(5, u'0'), DayText(r.day),
             r.timed ? TimeText(int(r.second)) : QString(), ReadingText(r.reading, FData.unit),
             QLatin1String(r.fail ? "FAIL" : "PASS"));
}

QString TReadingChart::PeriodTip(const QPoint &pos) const
{
    return FFrame ? PeriodTipAt(FData, *FFrame, pos) : QString();
}

void TReadingChart::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    if (FDragFrom) {
        FDragTo = pos.x();
        QToolTip::hideText();
        update();
        return;
    }
    const std::optional<int> point = PointAt(pos);
    const QString tip = point ? PointTip(*point) : PeriodTip(pos);
    if (!tip.isEmpty())
        QToolTip::showText(event->globalPosition().toPoint(), tip, this);
    else
        QToolTip::hideText();
}

void TReadingChart::mousePressEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    if (event->button() != Qt::LeftButton || !FFrame || !FFrame->plot.contains(pos))
        return;
    FDragFrom = pos.x();
    FDragTo = pos.x();
}

void TReadingChart::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !FDragFrom)
        return;
    const int from = *FDragFrom;
    const int to = int(event->position().x());
    FDragFrom.reset();
    if (std::abs(to - from) >= ShortestDrag && FFrame) {
        ChartView view{FFrame->DayAt(std::min(from, to)), FFrame->DayAt(std::max(from, to))};
        // Over more than a few days a minute more or less is no matter.
        if (view.Span() > WholeDaysAbove)
            view = {std::floor(view.first), std::ceil(view.last)};
        SetView(view);
    }
    update();
}

void TReadingChart::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        ResetView();
}

ChartPrintout TReadingChart::Printout() const
{
    return {FData, View(), FTitle, FMessage, font(), {}};
}

bool TReadingChart::SaveTo(const QString &path, QString *error) const
{
    return SaveChart(Printout(), path, error);
}

bool TReadingChart::PrintOn(QPrinter &printer) const
{
    return PrintChart(Printout(), printer);
}
