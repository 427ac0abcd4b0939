// The archive location: a text of any bytes is read as a location or refused.
// A location read hands the drivers no password and no option that the text
// did not name as one of its own (each value stays one value), a message
// about a refused text stays short, and the location comes back the same
// through Kestrune.ARC.

#include "archive/store/archivechoice.h"
#include "archive/store/archiveserver.h"
#include "fuzz/fuzzing.h"

#include <QRegularExpression>

namespace {

constexpr qsizetype MessageLength = 120;

void SkipBlanks(const QString &text, qsizetype *at)
{
    while (*at < text.size() && text[*at].isSpace())
        ++*at;
}

// The keys of a libpq connection string ("key = 'value' key=value"), read
// as libpq reads them; std::nullopt where libpq would refuse it.
std::optional<QStringList> ConninfoKeys(const QString &conninfo)
{
    QStringList keys;
    qsizetype at = 0;
    for (;;) {
        SkipBlanks(conninfo, &at);
        if (at >= conninfo.size())
            return keys;
        const qsizetype start = at;
        while (at < conninfo.size() && conninfo[at] != u'=' && !conninfo[at].isSpace())
            ++at;
        keys << conninfo.mid(start, at - start);
        SkipBlanks(conninfo, &at);
        if (at >= conninfo.size() || conninfo[at] != u'=')
            return std::nullopt;
        ++at;
        SkipBlanks(conninfo, &at);
        const bool quoted = at < conninfo.size() && conninfo[at] == u'\'';
        at += quoted ? 1 : 0;
        for (; at < conninfo.size(); ++at) {
            if (conninfo[at] == u'\\') {
                ++at;
                continue;
            }
            if (quoted ? conninfo[at] == u'\'' : conninfo[at].isSpace())
                break;
        }
        if (quoted && at >= conninfo.size())
            return std::nullopt;
        at += quoted ? 1 : 0;
    }
}

// The value as Qt's PostgreSQL driver quotes it.
QString QtQuoted(QString value)
{
    value.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    value.replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + value + QLatin1Char('\'');
}

void CheckPostgres(const QString &uri)
{
    ArchiveError error;
    const std::optional<ServerSettings> s = PostgresSettings(uri, &error);
    FUZZ_CHECK(s);
    // What the driver hands libpq: its own fields quoted, then the options
    // with every ';' made a blank.
    QString conninfo =
        QStringLiteral("host=%1 dbname=%2 user=%3 ")
            .arg(QtQuoted(s->host), QtQuoted(s->databaseName), QtQuoted(s->userName));
    conninfo += QString(s->connectOptions).replace(QLatin1Char(';'), QLatin1Char(' '));
    const std::optional<QStringList> keys = ConninfoKeys(conninfo);
    FUZZ_CHECK(keys);
    FUZZ_CHECK(keys->size() == 3 + s->connectOptions.count(QLatin1Char(';')) + 1);
    static const QRegularExpression plain(QStringLiteral("^[a-z_]+$"));
    for (const QString &key : *keys) {
        FUZZ_CHECK(plain.match(key).hasMatch());
        FUZZ_CHECK(!key.contains(QLatin1String("password")));
    }
}

// The parts of an ODBC connection string, split at ';' outside braces.
QStringList OdbcParts(const QString &connection)
{
    QStringList parts{QString()};
    int depth = 0;
    for (QChar c : connection) {
        if (c == u'{')
            ++depth;
        else if (c == u'}' && depth > 0)
            --depth;
        if (c == u';' && depth == 0)
            parts << QString();
        else
            parts.last() += c;
    }
    return parts;
}

void CheckOdbc(const QString &connection)
{
    const ServerSettings s = OdbcSettings(connection);
    for (const QString &part : OdbcParts(s.databaseName)) {
        const QString key = part.section(QLatin1Char('='), 0, 0).trimmed().toLower();
        FUZZ_CHECK(key != QLatin1String("pwd") && !key.contains(QLatin1String("password")));
        // Options psqlODBC hands libpq, in braces.
        const QString value = part.section(QLatin1Char('='), 1).trimmed();
        if (!value.startsWith(QLatin1Char('{')))
            continue;
        const std::optional<QStringList> inner =
            ConninfoKeys(value.mid(1, value.lastIndexOf(QLatin1Char('}')) - 1));
        for (const QString &innerKey : inner.value_or(QStringList()))
            FUZZ_CHECK(!innerKey.toLower().contains(QLatin1String("password")));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(InputBytes(data, size));
    ArchiveError error;
    const std::optional<ArchiveLocation> where = ParseArchiveLocation(text, &error);
    if (!where) {
        FUZZ_CHECK(error.Failed());
        FUZZ_CHECK(error.detail.size() <= MessageLength);
        FUZZ_CHECK(LocationInMessage(text).size() <= MessageLength);
        return 0;
    }
    FUZZ_CHECK(!where->target.isEmpty());
    if (where->driver == ArchiveLocation::Driver::Postgres)
        CheckPostgres(where->target);
    if (where->driver == ArchiveLocation::Driver::Odbc)
        CheckOdbc(where->target);

    // Read again from its own text, and from Kestrune.ARC.
    const QString written = ArchiveLocationText(*where);
    const std::optional<ArchiveLocation> again = ParseArchiveLocation(written, &error);
    FUZZ_CHECK(again && again->driver == where->driver && again->target == where->target);
    const QString dir = ScratchDir();
    if (!WriteArchiveChoice(dir, *where, &error)) {
        FUZZ_CHECK(error.code == ArchiveErrorCode::LocationTooLong);
        return 0;
    }
    const std::optional<ArchiveLocation> stored = ReadArchiveChoice(dir, &error);
    FUZZ_CHECK(stored && stored->driver == where->driver && stored->target == where->target);
    return 0;
}
