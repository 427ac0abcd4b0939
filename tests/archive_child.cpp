// Another PC archiving: archive_child LOCATION SERIAL FIRST COUNT archives
// COUNT records numbered from FIRST on of tester SERIAL into LOCATION and
// prints "added already"; on failure it prints the reason and ends with 1.
#include "archivefixture.h"

#include "archive/archivewords.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5) {
        std::fprintf(stderr, "usage: archive_child LOCATION SERIAL FIRST COUNT\n");
        return 2;
    }
    ArchiveError error;
    const std::optional<ArchiveLocation> where = ParseArchiveLocation(args[1], &error);
    std::unique_ptr<ArchiveStore> store = where ? ArchiveStore::Open(*where, &error) : nullptr;
    const std::optional<ArchiveCounts> counts =
        store ? store->Add(ArchiveFixture::Tester(args[2]),
                           ArchiveFixture::Records(args[3].toInt(), args[4].toInt()), &error)
              : std::nullopt;
    if (!counts) {
        std::fprintf(stderr, "%s\n", qPrintable(ArchiveErrorText(error)));
        return 1;
    }
    std::printf("%lld %lld\n", counts->added, counts->already);
    return 0;
}
