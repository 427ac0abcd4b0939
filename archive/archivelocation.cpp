#include "archive/archivestore.h"

#include "archive/archivechoice.h"
#include "archive/archiveserver.h"
#include "tester/mainstate.h"

#include <QDir>
#include <QStandardPaths>

namespace {
const QLatin1String SqlitePrefix("sqlite:");
}

std::optional<ArchiveLocation> ParseArchiveLocation(const QString &text, QString *error)
{
    if (text.startsWith(SqlitePrefix) && text.size() > SqlitePrefix.size()) {
        ArchiveLocation where;
        where.driver = ArchiveLocation::Driver::Sqlite;
        where.target = QDir::cleanPath(text.mid(SqlitePrefix.size()));
        return where;
    }
    if (std::optional<ArchiveLocation> server = ParseServerLocation(text, error))
        return server;
    if (!error->isEmpty())
        return std::nullopt;
    *error = QStringLiteral("%1 must be sqlite: followed by a file path, postgresql:// followed "
                            "by a server, or odbc: followed by a connection string, not \"%2\"")
                 .arg(QLatin1String(ArchiveEnvironment), text);
    return std::nullopt;
}

ArchiveLocation DefaultArchiveLocation()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return {ArchiveLocation::Driver::Sqlite,
            QDir(folder).filePath(QStringLiteral("archive.sqlite"))};
}

ArchiveLocation ChosenArchiveLocation(QString *error)
{
    return ChosenArchiveLocationIn(StartDirectory, error);
}

std::unique_ptr<ArchiveStore> OpenChosenArchive(QString *error)
{
    const ArchiveLocation where = ChosenArchiveLocation(error);
    if (!error->isEmpty())
        return nullptr;
    return ArchiveStore::Open(where, error);
}
