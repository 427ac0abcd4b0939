#include "tools/archivewindowmeasure.h"

#include "archive/Archive.h"
#include "archive/archivemodel.h"
#include "archive/readingchart.h"
#include "kit/messagebox.h"
#include "tools/benchfigures.h"
#include "tools/chartsamples.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QTableView>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

void Report(const char *what, double ms)
{
    std::printf("%-58s %9.1f ms\n", what, ms);
    std::fflush(stdout);
}

// Until done says so, the window answering meanwhile.
void WaitFor(const std::function<bool()> &done)
{
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}

// Until what changed has been painted.
void Paint()
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

// Until the window has read what it asked for (its chart aside) and painted
// it.
void Settle()
{
    Paint();
    WaitFor([] { return !FormArchive->Reading(); });
    Paint();
}

double WaitForChart()
{
    return Measure([] {
        WaitFor([] { return !FormArchive->ChartLoading(); });
        Settle();
    });
}

void Records(const char *what)
{
    std::printf("%-58s %9lld\n", what, FormArchive->Records->Records());
}

} // namespace

MemoryUse MeasureArchiveWindow(const ArchiveLocation &where)
{
    const QByteArray location = "sqlite:" + where.target.toLocal8Bit();
    qputenv("KESTRUNE_ARCHIVE", location);
    SetMessageHandler([](const MessageRequest &r) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(r.caption), qPrintable(r.text));
        return int(mrOk);
    });
    const MemoryUse opened = MeasureMemory([] {
        FormArchive = new TFormArchive(nullptr);
        Report("archive window opened (testers, count, first page)", Measure([] {
                   FormArchive->show();
                   Settle();
               }));
        Records("    records in the selection");
        Report("    then its chart loaded on its own thread", WaitForChart());
        std::printf("%-58s %9lld\n", "    points in the chart",
                    qint64(FormArchive->Chart1->Points().size()));
        Report("scrolled to the last record", Measure([] {
                   FormArchive->StringGrid2->scrollToBottom();
                   Settle();
               }));
    });
    std::printf("%-46s peak +%.1f MB, held +%.1f MB\n", "memory held by the archive window, opened",
                opened.peakKb / 1024.0, opened.heldKb / 1024.0);
    FormArchive->CheckBox4->click();
    FormArchive->ComboBox4->setCurrentIndex(1);
    Report("filter applied: FAIL of all testers", Measure([] {
               FormArchive->Button1->click();
               Settle();
           }));
    Records("    records in the selection");
    Report("    then its chart loaded", WaitForChart());
    FormArchive->SelectTester(43);
    Report("another tester selected, FAIL", Measure(Settle));
    Records("    records in the selection");
    Report("    then its chart loaded", WaitForChart());
    FormArchive->SelectTester(0);
    WaitForChart();
    QHeaderView *headings = FormArchive->StringGrid2->horizontalHeader();
    Report("FAIL of all testers sorted by reading", Measure([headings] {
               emit headings->sectionClicked(3);
               Settle();
           }));
    Report("    then scrolled to the last record", Measure([] {
               FormArchive->StringGrid2->scrollToBottom();
               Settle();
           }));
    WaitForChart();
    ReportMemory("memory held by the archive window, closed", [] {
        FormArchive->close();
        Settle();
    });
    delete FormArchive;
    FormArchive = nullptr;
    SetMessageHandler({});
    return opened;
}

void MeasureChartPainting(int points)
{
    ChartSample sample;
    sample.readings = points;
    TReadingChart chart;
    chart.resize(552, 372);
    chart.SetInput(MakeChartInput(sample));
    chart.show();
    Paint();
    QImage screen(chart.size(), QImage::Format_RGB32);
    double best = 1e9;
    for (int i = 0; i < 5; ++i)
        best = std::min(best, Measure([&] {
                            QPainter painter(&screen);
                            chart.Paint(painter, screen.rect());
                        }));
    char what[80];
    std::snprintf(what, sizeof what, "chart of %d points painted (552 x 372, best of 5)", points);
    Report(what, best);
    QImage picture(1200, 700, QImage::Format_RGB32);
    Report("    the same as a 1200 x 700 picture", Measure([&] {
               QPainter painter(&picture);
               chart.Paint(painter, picture.rect());
           }));
}
