#include "archive/store/archivelocation.h"

#include "archive/store/archiveserver.h"

#include <QDir>
#include <QStandardPaths>

#include <algorithm>

namespace {
const QLatin1String SqlitePrefix("sqlite:");
// What a message shows of a location at most.
constexpr qsizetype MessageLocationLength = 120;

bool HoldsControl(const QString &text)
{
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.category() == QChar::Other_Control; });
}
// The path cleaned, without blanks around it that the line in Kestrune.ARC
// would lose ("a /" cleans to "a ", which is "a" once trimmed).
QString CleanFilePath(const QString &path)
{
    QString clean = path;
    for (QString before; clean != before;) {
        before = clean;
        clean = QDir::cleanPath(clean.trimmed());
    }
    return clean;
}
} // namespace

std::optional<ArchiveLocation> ParseArchiveLocation(const QString &given, ArchiveError *error)
{
    // Kestrune.ARC keeps the location as one line, read back trimmed.
    const QString text = given.trimmed();
    if (HoldsControl(text)) {
        *error = ArchiveError(ArchiveErrorCode::ControlInLocation);
        return std::nullopt;
    }
    if (text.startsWith(SqlitePrefix) && text.size() > SqlitePrefix.size()) {
        ArchiveLocation where;
        where.driver = ArchiveLocation::Driver::Sqlite;
        where.target = CleanFilePath(text.mid(SqlitePrefix.size()));
        if (IsMemoryDatabase(where.target)) {
            *error = ArchiveError(ArchiveErrorCode::MemoryDatabase);
            return std::nullopt;
        }
        return where;
    }
    if (std::optional<ArchiveLocation> server = ParseServerLocation(text, error))
        return server;
    if (error->Failed())
        return std::nullopt;
    *error = ArchiveError(ArchiveErrorCode::UnknownLocation).About(LocationInMessage(text));
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
    return LocationInMessage(where.driver == ArchiveLocation::Driver::Sqlite
                                 ? QDir::toNativeSeparators(where.target)
                                 : ArchiveLocationText(where));
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

bool IsMemoryDatabase(const QString &target)
{
    return target == QLatin1String(":memory:");
}

QString LocationInMessage(const QString &text)
{
    const QString masked = MaskedPasswords(text);
    if (masked.size() <= MessageLocationLength)
        return masked;
    return masked.left(MessageLocationLength - 1) + QChar(0x2026);
}
