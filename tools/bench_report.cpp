// Figures for the report of a selection: laying out and writing a report of
// 100 pages as a PDF document (target: under 5 s), and one of 10,000
// listed records of a selection of 30,000. Printed as
// "name<TAB>value<TAB>unit" lines.
//
// bench_report FOLDER also keeps the documents in FOLDER for a look, with
// one of a month of a few tests.

#include "archive/reportpainter.h"
#include "tools/benchfigures.h"
#include "tools/reportsamples.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

namespace {

void Figure(const char *name, double value, const char *unit)
{
    std::printf("%s\t%.2f\t%s\n", name, value, unit);
    std::fflush(stdout);
}

// The record limit that gives pages pages.
int LimitFor(ReportInput input, int pages)
{
    int limit = 5000;
    for (int round = 0; round < 8; ++round) {
        input.recordLimit = limit;
        const int made =
            ReportLayout(input, PaperOf(QPageSize(QPageSize::A4), QPageLayout::Portrait))
                .PageCount();
        if (made == pages)
            break;
        limit += (pages - made) * 50;
    }
    return limit;
}

// The best of three, in seconds.
double Write(const ReportInput &input, const QString &path)
{
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        QString error;
        ReportOutcome outcome = ReportOutcome::Failed;
        best = std::min(best, Measure([&] { outcome = SaveReport(input, path, {}, &error); }));
        if (outcome != ReportOutcome::Done) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            std::exit(1);
        }
    }
    return best / 1000;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir scratch;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : scratch.path();

    if (argc > 1) {
        // A month of a few tests, for a look.
        ReportInput input = SampleReport(60, QDate(2021, 3, 1), 30);
        input.allTesters = false;
        input.testers.removeLast();
        input.criteria.byDate = true;
        input.criteria.dateFrom = QStringLiteral("2021-03-01");
        input.criteria.dateTo = QStringLiteral("2021-03-31");
        input.fingerprint =
            QStringLiteral("9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08");
        QString error;
        SaveReport(input, QDir(folder).filePath(QStringLiteral("report_few.pdf")), {}, &error);
    }

    ReportInput input = SampleReport(30000, QDate(2021, 1, 4), 365);

    input.recordLimit = LimitFor(input, 100);
    const QString hundred = QDir(folder).filePath(QStringLiteral("report_100_pages.pdf"));
    const double layout =
        Measure([&] {
            ReportLayout(input, PaperOf(QPageSize(QPageSize::A4), QPageLayout::Portrait));
        }) /
        1000;
    Figure("report_100_pages_layout_s", layout, "s");
    Figure("report_100_pages_s", Write(input, hundred), "s");
    Figure("report_100_pages_file_mb", QFileInfo(hundred).size() / 1048576.0, "MB");

    input.recordLimit = ReportRecordLimit;
    const QString full = QDir(folder).filePath(QStringLiteral("report_10000_records.pdf"));
    Figure("report_10000_records_s", Write(input, full), "s");
    Figure(
        "report_10000_records_pages",
        ReportLayout(input, PaperOf(QPageSize(QPageSize::A4), QPageLayout::Portrait)).PageCount(),
        "pages");
    return 0;
}
