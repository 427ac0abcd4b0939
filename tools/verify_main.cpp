// kestrune-verify LOCATION: verifies the records archive at LOCATION (as
// KESTRUNE_ARCHIVE takes it) without writing to it, and prints the verdict:
// the summary and every tester's chain head, or each break. Exits 0 when the
// archive is intact, 1 when it is not, 2 when it cannot be read.

#include "archive/archivewords.h"
#include "archive/store/archivelocation.h"
#include "archive/store/archiveverify.h"
#include "archive/verifywords.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

namespace {

enum ExitCode { Intact = 0, NotIntact = 1, Unreadable = 2 };

void Print(FILE *to, const QString &line)
{
    std::fputs(line.toLocal8Bit().constData(), to);
    std::fputc('\n', to);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2 || args[1].isEmpty() || args[1].startsWith(QLatin1Char('-'))) {
        Print(stderr, QStringLiteral("usage: kestrune-verify LOCATION\n"
                                     "LOCATION as KESTRUNE_ARCHIVE takes it: sqlite:<file>, "
                                     "postgresql://... or odbc:<connection string or DSN>"));
        return Unreadable;
    }
    ArchiveError error;
    const std::optional<ArchiveLocation> where = ParseArchiveLocation(args[1], &error);
    QElapsedTimer clock;
    clock.start();
    const std::optional<ArchiveVerdict> verdict =
        where ? VerifyArchiveAt(*where, {}, &error) : std::nullopt;
    if (!verdict) {
        Print(stderr, QStringLiteral("kestrune-verify: cannot read the archive: ") +
                          ArchiveErrorText(error));
        return Unreadable;
    }
    for (const QString &line : VerifyReportLines(*verdict, clock.elapsed()))
        Print(stdout, line);
    return verdict->Intact() ? Intact : NotIntact;
}
