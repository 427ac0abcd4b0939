#include "archive/reportpainter.h"

#include "archive/archivewords.h"
#include "archive/chartscale.h"
#include "archive/liststyle.h"
#include "archive/reportflow.h"
#include "archive/verifywords.h"
#include "base/filelines.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>

#include <algorithm>

using namespace ReportStyle;

namespace {

// Texts that call for attention: a calibration due, a FAIL.
const QColor FailInk(0xB0, 0x2A, 0x25);
const QColor PassBar(0x9A, 0xA8, 0xB6);
const QColor FailBar(0xD9, 0x3A, 0x35);

// The chart is drawn as on a picture this wide, scaled to the page: its
// texts then read like the page's small print.
constexpr int ChartCanvasWidth = 780;
constexpr double ChartHeight = 3000;
constexpr double ShortestChart = 2200;
// The width of A4: the tables' columns are made for it.
constexpr double NarrowestPaper = 210 / 25.4 * ReportUnitsPerInch;

QString DayWords(const QDate &date)
{
    return DayText(date.toJulianDay());
}

void TitleBlock(ReportFlow &flow, const ReportInput &input)
{
    const double title = flow.Line(ReportFont::Title);
    flow.Text(ReportFont::Title, QRectF(flow.left, flow.y, flow.Width(), title),
              Qt::AlignLeft | Qt::AlignVCenter, input.title);
    flow.y += title + 20;
    flow.Paragraph(ReportFont::Body,
                   TestersWords(input) + QStringLiteral(", ") +
                       PeriodWords(input.criteria, input.figures),
                   Muted);
    flow.y += 40;
    flow.Box(QRectF(flow.left, flow.y, flow.Width(), 14), Ink);
    flow.y += 14;
}

void TesterSection(ReportFlow &flow, const ReportInput &input)
{
    ReportTable table(flow, {{QStringLiteral("Serial Number"), 0.22, Qt::AlignLeft},
                             {QStringLiteral("Software Version"), 0.2, Qt::AlignLeft},
                             {QStringLiteral("Last Calibration"), 0.2, Qt::AlignLeft},
                             {QStringLiteral("Calibration"), 0.38, Qt::AlignLeft}});
    flow.Section(input.testers.size() == 1 ? QStringLiteral("Tester") : QStringLiteral("Testers"),
                 2 * table.RowHeight());
    const QDate day = input.made.date();
    if (input.testers.isEmpty()) {
        flow.Paragraph(ReportFont::Body, QStringLiteral("No tester."));
    } else {
        table.Headings();
        for (const ReportTester &t : input.testers) {
            const bool due = CalibrationDue(t.lastCalibration, input.calibrationMonths, day);
            table.Row({t.serialNumber, t.softwareVersion, CalibrationListText(t.lastCalibration),
                       CalibrationWords(t.lastCalibration, input.calibrationMonths, day)},
                      {Ink, Ink, Ink, due ? FailInk : Ink});
        }
        table.End();
    }
    flow.y += Gap;
    flow.Paragraph(ReportFont::Small,
                   QStringLiteral("The site's calibration interval is %1 months; judged on %2.")
                       .arg(input.calibrationMonths)
                       .arg(DayWords(day)),
                   Muted);
}

void SelectionSection(ReportFlow &flow, const ReportInput &input, qint64 total)
{
    flow.Section(QStringLiteral("Selection"), 4 * flow.Line(ReportFont::Body));
    flow.Pair(QStringLiteral("Testers"), TestersWords(input));
    flow.Pair(QStringLiteral("Period"), PeriodWords(input.criteria, input.figures));
    flow.Pair(QStringLiteral("Filter"), FilterWords(input.criteria));
    flow.Pair(QStringLiteral("Records"), GroupedCount(total));
    if (input.fingerprint)
        flow.Pair(QStringLiteral("Fingerprint (SHA-256)"), *input.fingerprint, ReportFont::Mono);
}

void SummarySection(ReportFlow &flow, const ReportFigures &figures)
{
    QVector<std::pair<QString, QString>> strip{
        {QStringLiteral("Tests"), GroupedCount(figures.tests)},
        {QStringLiteral("PASS"), GroupedCount(figures.pass)},
        {QStringLiteral("FAIL"), GroupedCount(figures.fail)},
        {QStringLiteral("Fail rate"), PercentText(figures.FailRate())}};
    if (figures.OtherResults() > 0)
        strip.append({QStringLiteral("Other results"), GroupedCount(figures.OtherResults())});
    const double stripHeight = flow.Line(ReportFont::Small) + flow.Line(ReportFont::Figure) + 100;
    flow.Section(QStringLiteral("Summary"), stripHeight);
    flow.FigureStrip(strip, stripHeight);
    flow.y += 2 * Gap;

    ReportTable table(flow, {{QStringLiteral("Unit"), 0.12, Qt::AlignLeft},
                             {QStringLiteral("Readings"), 0.13, Qt::AlignRight},
                             {QStringLiteral("No number"), 0.14, Qt::AlignRight},
                             {QStringLiteral("Minimum"), 0.14, Qt::AlignRight},
                             {QStringLiteral("Median"), 0.13, Qt::AlignRight},
                             {QStringLiteral("90th percentile"), 0.2, Qt::AlignRight},
                             {QStringLiteral("Maximum"), 0.14, Qt::AlignRight}});
    if (figures.units.isEmpty()) {
        flow.Paragraph(ReportFont::Body, QStringLiteral("No readings with a unit."));
    } else {
        flow.Need(3 * table.RowHeight());
        table.Headings();
        for (const UnitFigures &u : figures.units) {
            const bool any = u.readings > 0;
            auto value = [&](double v) { return any ? ValueText(v, u.unit) : QStringLiteral("-"); };
            table.Row({u.unit.trimmed(), GroupedCount(u.readings), GroupedCount(u.noNumber),
                       value(u.minimum), value(u.median), value(u.percentile90), value(u.maximum)});
        }
        table.End();
    }
    flow.y += Gap;
    if (figures.noUnit > 0)
        flow.Paragraph(ReportFont::Small,
                       QStringLiteral("Readings without a unit of the unit list: %1.")
                           .arg(GroupedCount(figures.noUnit)));
    if (figures.undated > 0)
        flow.Paragraph(ReportFont::Small, QStringLiteral("Tests whose date cannot be read: %1.")
                                              .arg(GroupedCount(figures.undated)));
    flow.Paragraph(ReportFont::Small, FiguresFootnote(), Muted);
}

void MonthSection(ReportFlow &flow, const ReportFigures &figures)
{
    ReportTable table(flow, {{QStringLiteral("Month"), 0.14, Qt::AlignLeft},
                             {QStringLiteral("Tests"), 0.11, Qt::AlignRight},
                             {QStringLiteral("PASS"), 0.11, Qt::AlignRight},
                             {QStringLiteral("FAIL"), 0.11, Qt::AlignRight},
                             {QStringLiteral("Fail rate"), 0.11, Qt::AlignRight},
                             {QStringLiteral("Tests, FAIL in red"), 0.42, Qt::AlignLeft}});
    flow.Section(QStringLiteral("Tests per month"), 2 * table.RowHeight());
    if (figures.months.isEmpty()) {
        flow.Paragraph(ReportFont::Body, QStringLiteral("No dated tests."));
        return;
    }
    qint64 most = 1;
    for (const MonthTests &m : figures.months)
        most = std::max(most, m.tests);
    table.Headings();
    for (const MonthTests &m : figures.months) {
        const QRectF row =
            table.Row({MonthText(m.year, m.month), GroupedCount(m.tests), GroupedCount(m.pass),
                       GroupedCount(m.fail), PercentText(FailRate(m.pass, m.fail)), QString()});
        if (m.tests == 0)
            continue;
        const QRectF cell =
            table.Cell(row, 5).adjusted(0, row.height() * 0.22, -Gap, -row.height() * 0.22);
        const double whole = cell.width() * double(m.tests) / double(most);
        const double failed = whole * double(m.fail) / double(m.tests);
        flow.Box(QRectF(cell.left(), cell.top(), std::max(whole, 6.0), cell.height()), PassBar);
        if (m.fail > 0)
            flow.Box(QRectF(cell.left(), cell.top(), std::max(failed, 6.0), cell.height()),
                     FailBar);
    }
    table.End();
}

void ChartSection(ReportFlow &flow, const ReportInput &input)
{
    // Shorter to stay on the page, unless that makes it too short.
    const double room = flow.bottom - flow.y - flow.SectionHeight();
    const double height =
        room >= ShortestChart
            ? std::min(ChartHeight, room)
            : std::min(ChartHeight, flow.bottom - flow.top - flow.SectionHeight());
    flow.Section(QStringLiteral("Chart"), height);
    if (input.chart.readings.isEmpty()) {
        const QString unit = input.chart.unit.trimmed();
        flow.Paragraph(ReportFont::Body, unit.isEmpty()
                                             ? QStringLiteral("No readings to chart.")
                                             : QStringLiteral("No readings in ") + unit + u'.');
        return;
    }
    flow.Add({ReportItem::Kind::Chart, QRectF(flow.left, flow.y, flow.Width(), height),
              ReportFont::Small, 0, Ink, QString()});
    flow.y += height;
}

void RecordSection(ReportFlow &flow, const ReportInput &input, qint64 listed, qint64 total)
{
    QVector<ReportColumn> columns;
    const double shares[RecordColumns] = {0.13, 0.2, 0.14, 0.19, 0.16, 0.18};
    const QStringList headings = PlainHeadings();
    for (int c = 0; c < RecordColumns; ++c)
        columns.append({headings.value(c).trimmed(), shares[c], Qt::AlignHCenter});
    ReportTable table(flow, columns);
    flow.Section(QStringLiteral("Records"), flow.Line(ReportFont::Body) + 2 * table.RowHeight());
    if (listed == 0) {
        flow.Paragraph(ReportFont::Body, QStringLiteral("No records in the selection."));
        return;
    }
    flow.Paragraph(ReportFont::Body,
                   (listed < total ? QStringLiteral("The first %1 of %2 records")
                                         .arg(GroupedCount(listed), GroupedCount(total))
                                   : QStringLiteral("All %1 records").arg(GroupedCount(total))) +
                       QStringLiteral(", in the order of the archive window's list."));
    flow.y += Gap;
    table.Headings();
    const QVector<QColor> passed(RecordColumns, Ink);
    QVector<QColor> failed = passed;
    failed[4] = FailInk;
    for (qint64 i = 0; i < listed; ++i) {
        const GridRow &record = input.records.at(qsizetype(i));
        table.Row(record, record.value(4).trimmed() == QLatin1String("FAIL") ? failed : passed);
    }
    table.End();
    const QString more = MoreRecordsText(total, listed);
    if (!more.isEmpty()) {
        flow.y += Gap;
        flow.Paragraph(ReportFont::Bold, more);
    }
}

// The last lines of the report, under a rule: the selection's fingerprint
// and the archive's last verify, as a printout of the selection ends.
void SealSection(ReportFlow &flow, const SelectionSeal &seal)
{
    const QStringList lines = SelectionSealLines(seal);
    flow.y += 2 * Gap;
    flow.Need(3 * Gap + lines.size() * flow.Line(ReportFont::Mono));
    flow.Box(QRectF(flow.left, flow.y, flow.Width(), 5), Rule);
    flow.y += 2 * Gap;
    for (const QString &line : lines)
        flow.Paragraph(ReportFont::Mono, line);
}

// The running header of every page after the first and the footer of every
// page, once the number of pages is known.
void AddPageFrames(QVector<ReportPageItems> &pages, const QSizeF &paper, const ReportInput &input,
                   const ReportFonts &fonts)
{
    const double left = MarginSide;
    const double width = paper.width() - 2 * MarginSide;
    const QString made =
        DayWords(input.made.date()) + input.made.toString(QStringLiteral(" hh:mm"));
    const QString heading =
        fonts.Metrics(ReportFont::Small)
            .elidedText(input.title + QStringLiteral(": ") + TestersWords(input) +
                            QStringLiteral(", ") + PeriodWords(input.criteria, input.figures),
                        Qt::ElideRight, width);
    const double footer = paper.height() - MarginBottom + 150;
    const int count = int(pages.size());
    const int flags = Qt::AlignVCenter | Qt::TextSingleLine;
    for (int i = 0; i < count; ++i) {
        ReportPageItems &page = pages[i];
        if (i > 0) {
            page.append({ReportItem::Kind::Text, QRectF(left, MarginTop - 300, width, 120),
                         ReportFont::Small, Qt::AlignLeft | flags, Muted, heading});
            page.append({ReportItem::Kind::Box, QRectF(left, MarginTop - 160, width, 5),
                         ReportFont::Small, 0, Rule, QString()});
        }
        page.append({ReportItem::Kind::Box, QRectF(left, footer, width, 5), ReportFont::Small, 0,
                     Rule, QString()});
        page.append({ReportItem::Kind::Text, QRectF(left, footer + 40, width, 120),
                     ReportFont::Small, Qt::AlignLeft | flags, Muted,
                     QStringLiteral("Made %1 by %2").arg(made, ProgramWords())});
        page.append({ReportItem::Kind::Text, QRectF(left, footer + 40, width, 120),
                     ReportFont::Small, Qt::AlignRight | flags, Ink,
                     QStringLiteral("page %1 of %2").arg(i + 1).arg(count)});
    }
}

void DrawChart(QPainter &painter, const QRectF &rect, const ReportInput &input,
               const ReportFonts &fonts)
{
    const double scale = rect.width() / ChartCanvasWidth;
    const QRect canvas(0, 0, ChartCanvasWidth, int(rect.height() / scale));
    painter.save();
    painter.translate(rect.topLeft());
    painter.scale(scale, scale);
    QFont font = fonts.Font(ReportFont::Small);
    font.setPixelSize(11);
    painter.setFont(font);
    painter.fillRect(canvas, Qt::white);
    PaintChart(painter, canvas, input.chart, input.chartView.value_or(FullView(input.chart)),
               input.chartTitle);
    painter.restore();
}

// Draws every page of layout on device, asking progress before the first
// and after each; abort is called when it answers false.
ReportOutcome PaintPages(const ReportLayout &layout, QPagedPaintDevice &device,
                         const ReportProgress &progress, const std::function<void()> &abort,
                         QString *error)
{
    const int pages = layout.PageCount();
    if (progress && !progress(0, pages))
        return ReportOutcome::Cancelled;
    QPainter painter;
    if (!painter.begin(&device)) {
        *error = QStringLiteral("the document could not be started");
        return ReportOutcome::Failed;
    }
    const double scale = device.logicalDpiX() / ReportUnitsPerInch;
    for (int i = 0; i < pages; ++i) {
        if (i > 0 && !device.newPage()) {
            painter.end();
            *error = QStringLiteral("a new page could not be started");
            return ReportOutcome::Failed;
        }
        painter.save();
        painter.scale(scale, scale);
        layout.Paint(painter, i);
        painter.restore();
        if (progress && !progress(i + 1, pages)) {
            if (abort)
                abort();
            painter.end();
            return ReportOutcome::Cancelled;
        }
    }
    if (!painter.end()) {
        *error = QStringLiteral("the document could not be finished");
        return ReportOutcome::Failed;
    }
    return ReportOutcome::Done;
}

} // namespace

QString ProgramWords()
{
    return QStringLiteral("Kestrune " KESTRUNE_VERSION);
}

ReportLayout::ReportLayout(ReportInput input, const QSizeF &paper)
    : FInput(std::move(input)), FScale(std::min(1.0, paper.width() / NarrowestPaper)),
      FPaper(paper / FScale)
{
    const ReportFonts fonts;
    ReportFlow flow(FPaper, fonts);
    const qint64 listed = std::min<qint64>(FInput.records.size(), std::max(0, FInput.recordLimit));
    const qint64 total = std::max(FInput.figures.tests, listed);
    TitleBlock(flow, FInput);
    TesterSection(flow, FInput);
    SelectionSection(flow, FInput, total);
    SummarySection(flow, FInput.figures);
    MonthSection(flow, FInput.figures);
    ChartSection(flow, FInput);
    RecordSection(flow, FInput, listed, total);
    if (FInput.seal)
        SealSection(flow, *FInput.seal);
    FPages = std::move(flow.pages);
    AddPageFrames(FPages, FPaper, FInput, fonts);
}

void ReportLayout::Paint(QPainter &painter, int index) const
{
    const ReportFonts fonts;
    painter.save();
    painter.scale(FScale, FScale);
    painter.setRenderHint(QPainter::Antialiasing);
    std::optional<ReportFont> current;
    for (const ReportItem &item : FPages.at(index)) {
        switch (item.kind) {
        case ReportItem::Kind::Text:
            if (current != item.font) {
                painter.setFont(fonts.Font(item.font));
                current = item.font;
            }
            painter.setPen(item.colour);
            painter.drawText(item.rect, item.flags, item.text);
            break;
        case ReportItem::Kind::Box:
            painter.fillRect(item.rect, item.colour);
            break;
        case ReportItem::Kind::Chart:
            DrawChart(painter, item.rect, FInput, fonts);
            current.reset();
            painter.setPen(Rule);
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(item.rect);
            break;
        }
    }
    painter.restore();
}

QSizeF PaperOf(const QPageSize &size, QPageLayout::Orientation orientation)
{
    const QSizeF mm = size.size(QPageSize::Millimeter);
    const QSizeF units = mm * (ReportUnitsPerInch / 25.4);
    return orientation == QPageLayout::Landscape ? units.transposed() : units;
}

ReportOutcome SaveReport(const ReportInput &input, const QString &path,
                         const ReportProgress &progress, QString *error, const ReportPaper &paper)
{
    const ReportLayout layout(input, PaperOf(paper.size, paper.orientation));
    // The document is made in memory and written whole: a stopped report
    // never touches the file.
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter pdf(&buffer);
        pdf.setResolution(int(ReportUnitsPerInch));
        pdf.setPageLayout(QPageLayout(paper.size, paper.orientation, QMarginsF()));
        pdf.setTitle(input.title + QStringLiteral(": ") + TestersWords(input));
        pdf.setCreator(ProgramWords());
        QString reason;
        const ReportOutcome outcome = PaintPages(layout, pdf, progress, {}, &reason);
        if (outcome != ReportOutcome::Done) {
            if (error)
                *error = FileError(path, reason);
            return outcome;
        }
    }
    if (!SaveBytesAtomically(path, bytes, error))
        return ReportOutcome::Failed;
    return ReportOutcome::Done;
}

ReportOutcome PrintReport(const ReportInput &input, QPrinter &printer,
                          const ReportProgress &progress, QString *error)
{
    // The report keeps its own margins, measured from the paper's edge.
    printer.setFullPage(true);
    const QSizeF mm = printer.pageLayout().fullRect(QPageLayout::Millimeter).size();
    const ReportLayout layout(input, mm * (ReportUnitsPerInch / 25.4));
    QString reason;
    const ReportOutcome outcome = PaintPages(
        layout, printer, progress, [&printer] { printer.abort(); }, &reason);
    if (outcome == ReportOutcome::Failed && error)
        *error = reason;
    return outcome;
}
