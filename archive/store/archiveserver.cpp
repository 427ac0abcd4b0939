#include "archive/store/archiveserver.h"

#include "archive/store/archivesql.h"
#include "archive/store/serverwatchdog.h"

#include <QDir>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>
#include <utility>

namespace {

const QLatin1String PostgresPrefixes[] = {QLatin1String("postgresql://"),
                                          QLatin1String("postgres://")};

// What the program adds to every server connection unless the URI says
// otherwise: time-outs, keepalives that notice a server gone silent, and its
// name in the server's list of sessions.
QList<std::pair<QString, QString>> DefaultOptions()
{
    const QString seconds = QString::number(ArchiveServerTimeoutSeconds);
    return {
        {QStringLiteral("connect_timeout"), seconds},
        {QStringLiteral("keepalives"), QStringLiteral("1")},
        {QStringLiteral("keepalives_idle"), seconds},
        {QStringLiteral("keepalives_interval"), QStringLiteral("2")},
        {QStringLiteral("keepalives_count"), QStringLiteral("3")},
        {QStringLiteral("tcp_user_timeout"), QString::number(ArchiveServerTimeoutSeconds * 2000)},
        {QStringLiteral("application_name"), QStringLiteral("Kestrune")}};
}

QString Decoded(const QString &text)
{
    return QUrl::fromPercentEncoding(text.toUtf8());
}

// A value as libpq's connection string takes it: quoted, with backslash and
// quote escaped.
QString Quoted(QString value)
{
    value.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    value.replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + value + QLatin1Char('\'');
}

// A key that names a password, in an ODBC connection string ("PWD",
// "Password" in any case or spacing) and in the libpq options that
// psqlODBC passes on inside braces ("pqopt={password=...}",
// "sslpassword"): after the start, a ';', a '{' or a blank, up to its '='.
// "passfile" (libpq's password file) names a file, not a password.
const QString PasswordKey = QStringLiteral("(?:^|[;{\\s&?])[^;{}=&?\\s]*(?:pwd|passw)[^;{}=&]*=");

bool HoldsPasswordKey(const QString &text)
{
    static const QRegularExpression key(PasswordKey, QRegularExpression::CaseInsensitiveOption);
    return key.match(text).hasMatch();
}

bool TakePort(const QString &port, ServerSettings *s, ArchiveError *error)
{
    bool ok = false;
    s->port = port.toInt(&ok);
    if (ok && s->port > 0 && s->port <= 65535)
        return true;
    *error = ArchiveError(ArchiveErrorCode::NoPortNumber).About(LocationInMessage(port));
    return false;
}

// Host and port of "host", "host:port", "[v6]" or "[v6]:port".
bool SplitHost(const QString &hostAndPort, ServerSettings *s, ArchiveError *error)
{
    QString host = hostAndPort;
    QString port;
    if (host.startsWith(QLatin1Char('['))) {
        const int end = host.indexOf(QLatin1Char(']'));
        port = host.mid(end + 1);
        host = host.mid(1, end - 1);
        if (end < 0 || (!port.isEmpty() && !port.startsWith(QLatin1Char(':')))) {
            *error = ArchiveError(ArchiveErrorCode::UnbracketedAddress);
            return false;
        }
        port = port.mid(1);
    } else if (const int colon = host.lastIndexOf(QLatin1Char(':')); colon >= 0) {
        port = host.mid(colon + 1);
        host = host.left(colon);
    }
    if (host.contains(QLatin1Char(','))) {
        *error = ArchiveError(ArchiveErrorCode::SeveralHosts);
        return false;
    }
    s->host = Decoded(host);
    return port.isEmpty() || TakePort(port, s, error);
}

// One query parameter of the URI: the connection's own fields, or an option.
bool TakeParameter(const QString &key, const QString &value, ServerSettings *s,
                   QList<std::pair<QString, QString>> *options, ArchiveError *error)
{
    static const QRegularExpression keyword(QStringLiteral("^[a-z_]+$"));
    if (HoldsPasswordKey(key + QLatin1Char('='))) {
        *error = ArchiveError(ArchiveErrorCode::PasswordInLocation);
        return false;
    }
    if (!keyword.match(key).hasMatch()) {
        *error = ArchiveError(ArchiveErrorCode::UnknownParameter).About(LocationInMessage(key));
        return false;
    }
    // Qt's driver turns every ';' of its options into a blank.
    if (value.contains(QLatin1Char(';'))) {
        *error = ArchiveError(ArchiveErrorCode::SemicolonInParameter).About(LocationInMessage(key));
        return false;
    }
    if (key == QLatin1String("host"))
        s->host = value;
    else if (key == QLatin1String("port"))
        return TakePort(value, s, error);
    else if (key == QLatin1String("dbname"))
        s->databaseName = value;
    else if (key == QLatin1String("user"))
        s->userName = value;
    else if (key == QLatin1String("ssl") && value == QLatin1String("true"))
        options->append({QStringLiteral("sslmode"), QStringLiteral("require")});
    else
        options->append({key, value});
    return true;
}

} // namespace

std::optional<ServerSettings> PostgresSettings(const QString &uri, ArchiveError *error)
{
    QString rest;
    for (const QLatin1String &prefix : PostgresPrefixes)
        if (uri.startsWith(prefix))
            rest = uri.mid(prefix.size());
    ServerSettings s;
    const int question = rest.indexOf(QLatin1Char('?'));
    const QString query = question < 0 ? QString() : rest.mid(question + 1);
    rest = rest.left(question < 0 ? rest.size() : question);
    const int slash = rest.indexOf(QLatin1Char('/'));
    QString authority = rest.left(slash < 0 ? rest.size() : slash);
    if (slash >= 0)
        s.databaseName = Decoded(rest.mid(slash + 1));
    if (const int at = authority.lastIndexOf(QLatin1Char('@')); at >= 0) {
        const QString user = authority.left(at);
        if (user.contains(QLatin1Char(':'))) {
            *error = ArchiveError(ArchiveErrorCode::PasswordInLocation);
            return std::nullopt;
        }
        s.userName = Decoded(user);
        authority = authority.mid(at + 1);
    }
    if (!SplitHost(authority, &s, error))
        return std::nullopt;
    QList<std::pair<QString, QString>> options;
    for (const QString &pair : query.split(QLatin1Char('&'), Qt::SkipEmptyParts)) {
        const int equals = pair.indexOf(QLatin1Char('='));
        if (equals < 0) {
            *error = ArchiveError(ArchiveErrorCode::ParameterWithoutValue)
                         .About(LocationInMessage(Decoded(pair)));
            return std::nullopt;
        }
        if (!TakeParameter(Decoded(pair.left(equals)), Decoded(pair.mid(equals + 1)), &s, &options,
                           error))
            return std::nullopt;
    }
    for (const auto &option : DefaultOptions()) {
        const bool given = std::any_of(options.begin(), options.end(),
                                       [&](const auto &o) { return o.first == option.first; });
        if (!given)
            options.append(option);
    }
    QStringList texts;
    for (const auto &[key, value] : options)
        texts << key + QLatin1Char('=') + Quoted(value);
    s.connectOptions = texts.join(QLatin1Char(';'));
    return s;
}

ServerSettings OdbcSettings(const QString &connection)
{
    ServerSettings s;
    // A bare DSN becomes a connection string so that keepalives can follow it.
    s.databaseName =
        connection.contains(QLatin1Char('=')) ? connection : QStringLiteral("DSN=") + connection;
    if (!s.databaseName.contains(QLatin1String("keepalive"), Qt::CaseInsensitive)) {
        if (!s.databaseName.endsWith(QLatin1Char(';')))
            s.databaseName += QLatin1Char(';');
        s.databaseName +=
            QStringLiteral("KeepaliveTime=%1;KeepaliveInterval=2").arg(ArchiveServerTimeoutSeconds);
    }
    s.connectOptions = QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1").arg(ArchiveServerTimeoutSeconds);
    return s;
}

std::optional<ArchiveLocation> ParseServerLocation(const QString &text, ArchiveError *error)
{
    const QLatin1String odbc(OdbcPrefix);
    if (text.startsWith(odbc)) {
        const QString connection = text.mid(odbc.size()).trimmed();
        if (connection.isEmpty()) {
            *error = ArchiveError(ArchiveErrorCode::NoOdbcConnection);
            return std::nullopt;
        }
        if (HoldsPasswordKey(connection)) {
            *error = ArchiveError(ArchiveErrorCode::PasswordInLocation);
            return std::nullopt;
        }
        return ArchiveLocation{ArchiveLocation::Driver::Odbc, connection};
    }
    for (const QLatin1String &prefix : PostgresPrefixes) {
        if (!text.startsWith(prefix))
            continue;
        if (!PostgresSettings(text, error))
            return std::nullopt;
        return ArchiveLocation{ArchiveLocation::Driver::Postgres, text};
    }
    *error = {};
    return std::nullopt;
}

QString MaskedPasswords(const QString &text)
{
    // The value after a password key: in braces, or up to the next
    // separator; and the password of a URI's user part.
    static const QRegularExpression value(QLatin1Char('(') + PasswordKey +
                                              QStringLiteral(")(\\{[^}]*\\}?|[^;&}\\s]*)"),
                                          QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression userPart(QStringLiteral("^(\\w+://[^:/?#@]*):[^/?#]*@"));
    QString masked = text;
    masked.replace(value, QStringLiteral("\\1****"));
    masked.replace(userPart, QStringLiteral("\\1:****@"));
    return masked;
}

QString ArchiveDriverName(ArchiveLocation::Driver driver)
{
    switch (driver) {
    case ArchiveLocation::Driver::Postgres:
        return QStringLiteral("QPSQL");
    case ArchiveLocation::Driver::Odbc:
        return QStringLiteral("QODBC");
    case ArchiveLocation::Driver::Sqlite:
        break;
    }
    return QStringLiteral("QSQLITE");
}

bool OpenServer(QSqlDatabase db, const ArchiveLocation &where, ArchiveError *error)
{
    const QString driver = ArchiveDriverName(where.driver);
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        *error = ArchiveError(ArchiveErrorCode::DriverMissing).About(driver);
        return false;
    }
    std::optional<ServerSettings> s;
    if (where.driver == ArchiveLocation::Driver::Odbc)
        s = OdbcSettings(where.target);
    else
        s = PostgresSettings(where.target, error);
    if (!s)
        return false;
    db.setHostName(s->host);
    db.setDatabaseName(s->databaseName);
    db.setUserName(s->userName);
    db.setPort(s->port);
    db.setConnectOptions(s->connectOptions);
    if (!db.open()) {
        *error = DatabaseError(SqlReason(db.lastError()));
        return false;
    }
    // A statement that waits longer (for a lock another program holds) is
    // cancelled by the server, and so is a transaction of this program that
    // stays idle: a PC that hangs in the middle of one lets go of the
    // tester's lock. A server that stops answering is the watchdog's
    // (serverwatchdog.h).
    QSqlQuery query(db);
    QString reason;
    if (RunSql(query,
               QStringLiteral("SELECT set_config('statement_timeout', ?, false),"
                              " set_config('idle_in_transaction_session_timeout', ?, false)"),
               {QString::number(ArchiveServerTimeoutSeconds * 1000),
                QString::number(ServerIdleTransactionSeconds * 1000)},
               &reason))
        return true;
    *error = DatabaseError(reason);
    return false;
}

bool LongerStatements(QSqlDatabase db, ArchiveLocation::Driver driver, int seconds, QString *reason)
{
    if (driver == ArchiveLocation::Driver::Sqlite)
        return true;
    ServerWatchAllow(seconds + ArchiveServerTimeoutSeconds);
    QSqlQuery query(db);
    return RunSql(query, QStringLiteral("SELECT set_config('statement_timeout', ?, true)"),
                  {QString::number(seconds * 1000)}, reason);
}

LongPass::LongPass(QSqlDatabase db, ArchiveLocation::Driver driver) : FDb(db), FDriver(driver) {}

bool LongPass::Began(QString *reason)
{
    constexpr int PassSeconds = 3600;
    if (FDriver == ArchiveLocation::Driver::Sqlite)
        return true;
    FTransaction.emplace(FDb);
    QSqlQuery query(FDb);
    return FTransaction->Began(reason) &&
           RunSql(query, QStringLiteral("SET TRANSACTION READ ONLY"), {}, reason) &&
           RunSql(query, QStringLiteral("SELECT set_config('statement_timeout', ?, true)"),
                  {QString::number(PassSeconds * 1000)}, reason);
}

void LongPass::Heard()
{
    if (FTransaction)
        ServerWatchRestart();
}
