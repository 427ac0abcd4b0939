// Writes an archive as a site's would look after some years, for a look at
// the archive window: testers whose records come in the two date and time
// forms testers write, some of them due for calibration, readings that
// drift over the years. Usage:
//
//     kestrune-sample-archive FILE [RECORDS] [TESTERS]
//
// then KESTRUNE_ARCHIVE=sqlite:FILE bash tools/run.sh. FILE must not exist.

#include "archive/store/archivestore.h"
#include "tools/reportsamples.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>
#include <memory>

namespace {

// Every other tester writes "11 / Mar / 2010" and "18:30:15".
void OtherForms(GridRows &rows)
{
    for (GridRow &row : rows) {
        row[1].replace(QStringLiteral(" - "), QStringLiteral(" / "));
        row[2].replace(u'.', u':');
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2 || QFileInfo::exists(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "usage: kestrune-sample-archive NEW-FILE [RECORDS] [TESTERS]\n");
        return 2;
    }
    const int records = argc > 2 ? std::max(1, std::atoi(argv[2])) : 60000;
    const int testers = argc > 3 ? std::max(1, std::atoi(argv[3])) : 12;
    ArchiveError error;
    const std::unique_ptr<ArchiveStore> store = ArchiveStore::Open(
        {ArchiveLocation::Driver::Sqlite, QString::fromLocal8Bit(argv[1])}, &error);
    if (!store) {
        std::fprintf(stderr, "cannot open the archive: %s\n", qPrintable(error.reason));
        return 1;
    }
    for (int t = 0; t < testers; ++t) {
        ChartSample sample;
        sample.readings = records / testers;
        // Each tester starts a month after the one before, the 31st again
        // with the first, so that every tester has two years or more.
        const int late = t % 30 * 30;
        sample.first = QDate(2021, 1, 4).addDays(late);
        sample.days = 3 * 365 - late;
        sample.seed = quint32(t + 1);
        GridRows rows = RecordsOf(MakeChartInput(sample));
        if (t % 2 == 1)
            OtherForms(rows);
        const QDate calibrated = QDate(2024, 1, 15).addDays(-t * 47);
        const QStringList device{
            QStringLiteral("Device Information "),
            QStringLiteral("Serial Number         : SN00%1").arg(12300 + t * 17),
            QStringLiteral("Software Version  : V2.%1").arg(10 + t % 5),
            QStringLiteral("Last Calibration      : ") + calibrated.toString(Qt::ISODate)};
        if (!store->Add(device, rows, &error)) {
            std::fprintf(stderr, "cannot archive: %s\n", qPrintable(error.reason));
            return 1;
        }
    }
    std::printf("%d records of %d testers in %s\n", records / testers * testers, testers, argv[1]);
    return 0;
}
