#pragma once
// The PostgreSQL server that the test suite starts (tools/pg-test-server.sh,
// a CTest fixture): a fresh database of its own for each test, its location
// for Qt's PostgreSQL and ODBC drivers, and a connection of the test's own
// that plays another PC.

#include "archive/archivewords.h"
#include "archive/store/archiveserver.h"
#include "archive/store/archivesql.h"
#include "archive/store/archivestore.h"
#include "archive/store/sqlconnection.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <memory>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// The folder of the server's socket, set by the suite; empty outside it.
inline QString TestServerFolder()
{
    return qEnvironmentVariable("KESTRUNE_TEST_PGHOST");
}

// Runs program with arguments; false with what it said when it failed.
inline bool RunProgram(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    const bool done = process.waitForFinished(120000) && process.exitCode() == 0;
    if (!done)
        qWarning("%s: %s", qPrintable(program), process.readAllStandardError().constData());
    return done;
}

// Runs tools/pg-test-server.sh with action (start, kill, restart, stop) on folder.
inline bool ServerScript(const QString &action, const QString &folder)
{
    return RunProgram("bash", {qEnvironmentVariable("KESTRUNE_TEST_PGSCRIPT"), action, folder});
}

// A database of the given name, empty, on the server in folder.
inline bool FreshDatabase(const QString &name, const QString &folder = TestServerFolder())
{
    const QString bin = QStringLiteral("/usr/lib/postgresql/15/bin/");
    return RunProgram(bin + "dropdb", {"--if-exists", "-h", folder, "-U", "postgres", name}) &&
           RunProgram(bin + "createdb", {"-h", folder, "-U", "postgres", name});
}

// The server's drivers, and SQLite for the statements that all three share.
enum class ServerDriver { Postgres, Odbc, Sqlite };
Q_DECLARE_METATYPE(ServerDriver)

// The database on the server at host (a socket folder or an address), as
// the archive location of driver.
inline ArchiveLocation ServerLocation(ServerDriver driver, const QString &database,
                                      const QString &user = QStringLiteral("postgres"),
                                      const QString &host = TestServerFolder(), int port = 5432)
{
    static QTemporaryDir scratch;
    if (driver == ServerDriver::Sqlite)
        return {ArchiveLocation::Driver::Sqlite, scratch.filePath(database + ".sqlite")};
    if (driver == ServerDriver::Odbc)
        return {ArchiveLocation::Driver::Odbc,
                QStringLiteral("Driver={PostgreSQL Unicode};Servername=%1;Port=%2;"
                               "Database=%3;Username=%4")
                    .arg(host)
                    .arg(port)
                    .arg(database, user)};
    return {ArchiveLocation::Driver::Postgres,
            "postgresql:///" + database + "?host=" + QUrl::toPercentEncoding(host) +
                "&port=" + QString::number(port) + "&user=" + user};
}

// A TCP port on this machine that takes connections and never answers.
class SilentPort
{
public:
    SilentPort() : FFd(::socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof a;
        if (::bind(FFd, reinterpret_cast<sockaddr *>(&a), size) == 0 && ::listen(FFd, 4) == 0 &&
            ::getsockname(FFd, reinterpret_cast<sockaddr *>(&a), &size) == 0)
            FPort = ntohs(a.sin_port);
    }
    ~SilentPort() { ::close(FFd); }
    SilentPort(const SilentPort &) = delete;
    SilentPort &operator=(const SilentPort &) = delete;
    int Port() const { return FPort; }

private:
    int FFd;
    int FPort = 0;
};

// A connection of the test's own to a database, as another program would
// have it.
class OtherProgram
{
public:
    explicit OtherProgram(const QString &database, const QString &folder = TestServerFolder())
        : FSql(QStringLiteral("QPSQL"))
    {
        ArchiveError error;
        if (!OpenServer(FSql.Db(),
                        ServerLocation(ServerDriver::Postgres, database, "postgres", folder),
                        &error))
            qWarning("%s", qPrintable(error.reason));
    }
    QSqlDatabase Db() const { return FSql.Db(); }

    // Runs sql with values; the first column of its first row, or an invalid
    // value when it failed or gave no row.
    QVariant Run(const QString &sql, const QVariantList &values = {})
    {
        QSqlQuery query(Db());
        QString error;
        if (!RunSql(query, sql, values, &error)) {
            qWarning("%s", qPrintable(error));
            return {};
        }
        return query.next() ? query.value(0) : QVariant();
    }

    // Waits until count other sessions wait for a lock.
    bool WaitForLockWaiters(int count)
    {
        return QTest::qWaitFor(
            [&] {
                // Within a transaction the server keeps showing the first look.
                Run(QStringLiteral("SELECT pg_stat_clear_snapshot()"));
                return Run(QStringLiteral("SELECT COUNT(*) FROM pg_stat_activity"
                                          " WHERE wait_event_type = 'Lock'"))
                           .toInt() >= count;
            },
            20000);
    }

private:
    SqlConnection FSql;
};

// A fresh archive named after the test and row, opened through driver: a
// new database on the server, or a new SQLite file; its name in *database.
inline std::unique_ptr<ArchiveStore> FreshStore(ServerDriver driver, QString *database)
{
    *database =
        QString::fromLatin1(QTest::currentTestFunction()).toLower() +
        QString::fromLatin1(QTest::currentDataTag()).replace(QRegularExpression("\\W"), "_");
    const ArchiveLocation where = ServerLocation(driver, *database);
    if (driver == ServerDriver::Sqlite ? QFile::exists(where.target) : !FreshDatabase(*database))
        return nullptr;
    ArchiveError error;
    auto store = ArchiveStore::Open(where, &error);
    if (!store)
        qWarning("%s", qPrintable(ArchiveErrorText(error)));
    return store;
}

// Skips the test when the suite did not start a server.
#define REQUIRE_TEST_SERVER()                                                                      \
    do {                                                                                           \
        if (TestServerFolder().isEmpty())                                                          \
            QSKIP("no test server: run the tests through ctest");                                  \
    } while (false)
