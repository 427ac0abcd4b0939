// Figures for the chart of readings by itself at 1,000,000 readings over
// three years: making the data ready when it arrives, drawing it on the
// archive window (552 x 372) and as a picture (1200 x 700), drawing a zoom
// to two days (single readings again), and the memory the chart holds.
// Targets: a draw under 100 ms, under 100 MB held. Printed as
// "name<TAB>value<TAB>unit" lines.
//
// bench_chart FOLDER also writes the pictures that the figures are taken
// from, and some of a few hundred readings, into FOLDER for a look.

#include "archive/readingchart.h"
#include "tools/benchfigures.h"
#include "tools/chartsamples.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>

#include <cstdio>

namespace {

void Figure(const char *name, double value, const char *unit)
{
    std::printf("%s\t%.1f\t%s\n", name, value, unit);
    std::fflush(stdout);
}

double BestDraw(const TReadingChart &chart, const QSize &size)
{
    QImage picture(size, QImage::Format_RGB32);
    double best = 1e9;
    for (int i = 0; i < 5; ++i)
        best = std::min(best, Measure([&] {
                            QPainter painter(&picture);
                            painter.setFont(chart.font());
                            chart.Paint(painter, picture.rect());
                        }));
    return best;
}

void Save(const TReadingChart &chart, const QString &folder, const QString &name, const QSize &size)
{
    if (folder.isEmpty())
        return;
    QImage picture(size, QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.setFont(chart.font());
    chart.Paint(painter, picture.rect());
    painter.end();
    picture.save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

// The chart as the archive window shows it and larger, whole and zoomed.
void SaveViews(TReadingChart &chart, const QString &folder, const QString &name)
{
    Save(chart, folder, name + QStringLiteral("_552"), QSize(552, 372));
    Save(chart, folder, name + QStringLiteral("_1200"), QSize(1200, 700));
    const ChartView all = chart.View();
    chart.SetView({all.first + 200, all.first + 207});
    Save(chart, folder, name + QStringLiteral("_week_552"), QSize(552, 372));
    chart.SetView({all.first + 200.25, all.first + 201.75});
    Save(chart, folder, name + QStringLiteral("_hours_552"), QSize(552, 372));
    chart.ResetView();
    if (!folder.isEmpty()) {
        QString error;
        chart.SaveTo(QDir(folder).filePath(name + QStringLiteral(".pdf")), &error);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const ChartTitle title{QStringLiteral("SN0012345"), QString(), QString()};

    if (!folder.isEmpty()) {
        TReadingChart few;
        few.SetTitle({QString(), QStringLiteral("01 - Mar - 2021 to 31 - Oct - 2021"),
                      QStringLiteral("PASS and FAIL")});
        ChartSample sample;
        sample.readings = 300;
        sample.first = QDate(2021, 3, 1);
        sample.days = 245;
        few.SetInput(MakeChartInput(sample));
        SaveViews(few, folder, QStringLiteral("few"));
    }

    // The memory from before the readings arrive: the chart keeps them.
    TReadingChart chart;
    chart.SetTitle(title);
    RestartPeak();
    const long before = StatusKb("VmRSS");
    ChartSample million;
    million.readings = 1000000;
    ChartInput input = MakeChartInput(million);
    Figure("chart_prepare_1m_ms", Measure([&] { chart.SetInput(std::move(input)); }), "ms");
    Figure("chart_memory_peak_1m_mb", (StatusKb("VmHWM") - before) / 1024.0, "MB");
    malloc_trim(0);
    Figure("chart_memory_1m_mb", (StatusKb("VmRSS") - before) / 1024.0, "MB");
    Figure("chart_draw_1m_ms", BestDraw(chart, QSize(552, 372)), "ms");
    Figure("chart_draw_1m_picture_ms", BestDraw(chart, QSize(1200, 700)), "ms");
    const ChartView all = chart.View();
    chart.SetView({all.first + 400, all.first + 402});
    Figure("chart_draw_1m_zoomed_ms", BestDraw(chart, QSize(552, 372)), "ms");
    const auto [first, end] = ReadingsBetween(chart.Points(), all.first + 400, all.first + 402);
    Figure(chart.Style().summary ? "chart_zoomed_summarised" : "chart_zoomed_dots",
           double(end - first), "readings");
    chart.ResetView();
    SaveViews(chart, folder, QStringLiteral("million"));
    return 0;
}
