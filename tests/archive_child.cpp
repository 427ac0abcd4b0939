// Another PC archiving: archive_child LOCATION SERIAL FIRST COUNT archives
// COUNT records numbered from FIRST on of tester SERIAL into LOCATION and
// prints "added already"; on failure it prints the reason and ends with 1.
// A PC sending its outbox: archive_child --send LOCAL SITE sends what waits
// in the archive LOCAL to the archive SITE, a batch of a few hundred
// records at a time, and ends with 0 once nothing waits (1 with the reason
// when something holds the records back).
// archive_child LOCATION SERIAL FIRST COUNT PARTS PC archives them in PARTS
// downloads one after the other, as the PC named PC.
#include "archivefixture.h"

#include "archive/archivewords.h"
#include "archive/store/sitesender.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

int Send(const QString &local, const QString &site)
{
    ArchiveError error;
    const std::optional<ArchiveLocation> here = ParseArchiveLocation(local, &error);
    const std::optional<ArchiveLocation> there = ParseArchiveLocation(site, &error);
    if (!here || !there) {
        std::fprintf(stderr, "%s\n", qPrintable(ArchiveErrorText(error)));
        return 2;
    }
    SiteSender sender;
    sender.SetBatchRecords(300);
    QObject::connect(&sender, &SiteSender::StateChanged, [](const SiteState &state) {
        if (state.why == SiteState::Why::Nothing)
            return;
        std::fprintf(stderr, "%s\n", qPrintable(ArchiveErrorText(state.reason)));
        QCoreApplication::exit(1);
    });
    QTimer done;
    QObject::connect(&done, &QTimer::timeout, [&sender] {
        if (sender.State().kind == SiteState::Kind::UpToDate && !sender.Sending())
            QCoreApplication::exit(0);
    });
    done.start(20);
    sender.Start({*here, *there});
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QLatin1String("--send"))
        return Send(args[2], args[3]);
    if (args.size() != 5 && args.size() != 7) {
        std::fprintf(stderr, "usage: archive_child LOCATION SERIAL FIRST COUNT [PARTS PC]\n"
                             "       archive_child --send LOCAL SITE\n");
        return 2;
    }
    ArchiveError error;
    const std::optional<ArchiveLocation> where = ParseArchiveLocation(args[1], &error);
    std::unique_ptr<ArchiveStore> store = where ? ArchiveStore::Open(*where, &error) : nullptr;
    const int first = args[3].toInt();
    const int count = args[4].toInt();
    const int parts = args.size() == 7 ? std::max(1, args[5].toInt()) : 1;
    ArchiveOrigin origin;
    if (args.size() == 7)
        origin.pc = args[6];
    ArchiveCounts total;
    for (int part = 0; store && part < parts; ++part) {
        const int from = first + count * part / parts;
        const int to = first + count * (part + 1) / parts;
        const std::optional<ArchiveCounts> counts =
            store->Add(ArchiveFixture::Tester(args[2]), ArchiveFixture::Records(from, to - from),
                       origin, &error);
        if (!counts) {
            store.reset();
            break;
        }
        total.added += counts->added;
        total.already += counts->already;
    }
    if (!store) {
        std::fprintf(stderr, "%s\n", qPrintable(ArchiveErrorText(error)));
        return 1;
    }
    std::printf("%lld %lld\n", total.added, total.already);
    return 0;
}
