#include "archive/store/archivelocation.h"

#include "archive/store/archiveserver.h"

#include <QDir>
#include <QStandardPaths>

namespace {
const QLatin1String SqlitePrefix("sqlite:");
}

std::optional<ArchiveLocation> ParseArchiveLocation(const QString &text, ArchiveError *error)
{
    if (text.startsWith(SqlitePrefix) && text.size() > SqlitePrefix.size()) {
        ArchiveLocation where;
        where.driver = ArchiveLocation::Driver::Sqlite;
        where.target = QDir::cleanPath(text.mid(SqlitePrefix.size()));
        return where;
    }
    if (std::optional<ArchiveLocation> server = ParseServerLocation(text, error))
        return server;
    if (error->Failed())
        return std::nullopt;
    *error = ArchiveError(ArchiveErrorCode::UnknownLocation).About(text);
    return std::nullopt;
}

ArchiveLocation DefaultArchiveLocation()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return {ArchiveLocation::Driver::Sqlite,
            QDir(folder).filePath(QStringLiteral("archive.sqlite"))};
}

QString ArchivePlaceText(const ArchiveLocation &where)
{
    return where.driver == ArchiveLocation::Driver::Sqlite ? QDir::toNativeSeparators(where.target)
                                                           : ArchiveLocationText(where);
}

QString ArchiveLocationText(const ArchiveLocation &where)
{
    switch (where.driver) {
    case ArchiveLocation::Driver::Sqlite:
        return SqlitePrefix + where.target;
    case ArchiveLocation::Driver::Odbc:
        return QLatin1String(OdbcPrefix) + where.target;
    case ArchiveLocation::Driver::Postgres:
        break;
    }
    return where.target;
}
