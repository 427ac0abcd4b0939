#include "archive/store/archiveplaces.h"

#include "archive/store/archivechoice.h"

std::optional<ArchiveLocation> LocalArchiveLocation(ArchiveError *error)
{
    *error = {};
    if (!qEnvironmentVariableIsSet(LocalArchiveEnvironment))
        return DefaultArchiveLocation();
    const QString text = qEnvironmentVariable(LocalArchiveEnvironment);
    ArchiveError unread;
    const std::optional<ArchiveLocation> where = ParseArchiveLocation(text, &unread);
    if (!where || where->driver != ArchiveLocation::Driver::Sqlite) {
        *error = ArchiveError(ArchiveErrorCode::LocalNotSqlite).About(LocationInMessage(text));
        return std::nullopt;
    }
    return where;
}

ArchivePlaces ChosenArchivePlacesIn(const QString &dir, ArchiveError *error)
{
    const ArchiveLocation chosen = ChosenArchiveLocationIn(dir, error);
    if (error->Failed() || chosen.driver == ArchiveLocation::Driver::Sqlite)
        return {chosen, std::nullopt};
    const std::optional<ArchiveLocation> local = LocalArchiveLocation(error);
    return {local.value_or(ArchiveLocation{ArchiveLocation::Driver::Sqlite, QString()}), chosen};
}

bool SamePlace(const ArchiveLocation &a, const ArchiveLocation &b)
{
    return a.driver == b.driver && a.target == b.target;
}

bool SamePlaces(const ArchivePlaces &a, const ArchivePlaces &b)
{
    return SamePlace(a.local, b.local) && a.site.has_value() == b.site.has_value() &&
           (!a.site || SamePlace(*a.site, *b.site));
}
