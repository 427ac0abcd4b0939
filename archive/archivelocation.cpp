#include "archive/archivestore.h"

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
    *error = QStringLiteral("%1 must be sqlite: followed by a file path, not \"%2\"")
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
    error->clear();
    if (!qEnvironmentVariableIsSet(ArchiveEnvironment))
        return DefaultArchiveLocation();
    const std::optional<ArchiveLocation> chosen =
        ParseArchiveLocation(qEnvironmentVariable(ArchiveEnvironment), error);
    return chosen ? *chosen : ArchiveLocation{ArchiveLocation::Driver::Sqlite, QString()};
}

std::unique_ptr<ArchiveStore> OpenChosenArchive(QString *error)
{
    const ArchiveLocation where = ChosenArchiveLocation(error);
    if (!error->isEmpty())
        return nullptr;
    return ArchiveStore::Open(where, error);
}
