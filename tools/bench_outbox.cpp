// Figures for this PC's outbox and the site's server, as "name<TAB>value<TAB>unit"
// lines: the longest time the event loop waits while a download of 500
// records is archived and sent with the server stopped, frozen in the
// middle of a batch, and healthy (target: under 100 ms each); the time to
// drain an outbox of 100,000 records, and the time PostgreSQL's COPY takes
// for the same rows into a table like the site's, in the same run.
//
//     bash tools/pg-test-server.sh start /tmp/kestrune-bench
//     build/tools/bench_outbox /tmp/kestrune-bench
//     bash tools/pg-test-server.sh stop /tmp/kestrune-bench
//
// The benchmark freezes that server (SIGSTOP to each of its processes) for a
// while and thaws it again: give it a server of its own.

#include "archive/downloadarchiver.h"
#include "archive/store/archiveoutbox.h"
#include "archive/store/archiveplaces.h"
#include "archive/store/serverwatchdog.h"
#include "archive/store/sitesender.h"
#include "tools/benchrecords.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <libpq-fe.h>

#include <csignal>
#include <cstdio>
#include <functional>

namespace {

QString Folder;

void Figure(const char *name, double value, const char *unit)
{
    std::printf("%s\t%.1f\t%s\n", name, value, unit);
    std::fflush(stdout);
}

[[noreturn]] void Fail(const QString &why)
{
    std::fprintf(stderr, "%s\n", qPrintable(why));
    std::exit(1);
}

QString Uri(const QString &database, const QString &host = Folder)
{
    return "postgresql:///" + database + "?user=postgres&host=" + QUrl::toPercentEncoding(host);
}

// A new empty database on the server; its location.
ArchiveLocation FreshDatabase(const QString &name)
{
    for (const char *program : {"dropdb", "createdb"}) {
        QStringList arguments = {"-h", Folder, "-U", "postgres", name};
        if (QLatin1String(program) == QLatin1String("dropdb"))
            arguments.prepend("--if-exists");
        QProcess client;
        client.setStandardErrorFile(QProcess::nullDevice());
        client.start(QStringLiteral("/usr/lib/postgresql/15/bin/") + program, arguments);
        client.waitForFinished(-1);
    }
    return {ArchiveLocation::Driver::Postgres, Uri(name)};
}

// The processes of the server: every one whose parent is the postmaster.
QList<pid_t> ServerProcesses()
{
    QFile pidFile(Folder + QStringLiteral("/data/postmaster.pid"));
    if (!pidFile.open(QIODevice::ReadOnly))
        Fail("no server in " + Folder);
    const pid_t postmaster = pid_t(pidFile.readLine().trimmed().toLong());
    QList<pid_t> pids{postmaster};
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/") + entry + QStringLiteral("/stat"));
        if (entry.toLong() <= 0 || !stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        if (line.mid(line.lastIndexOf(')') + 2).split(' ').value(1).toLong() == postmaster)
            pids << pid_t(entry.toLong());
    }
    return pids;
}

void Signal(const QList<pid_t> &pids, int signal)
{
    for (const pid_t pid : pids)
        ::kill(pid, signal);
}

// The longest turn of the event loop while until() does not hold.
qint64 LongestBlock(const std::function<bool()> &until, int timeoutMs)
{
    QElapsedTimer since;
    QElapsedTimer all;
    qint64 longest = 0;
    QTimer tick;
    tick.setInterval(2);
    QObject::connect(&tick, &QTimer::timeout,
                     [&] { longest = std::max(longest, since.restart()); });
    since.start();
    all.start();
    tick.start();
    while (!until()) {
        if (all.elapsed() > timeoutMs)
            Fail(QStringLiteral("took longer than %1 ms").arg(timeoutMs));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    return std::max(longest, since.elapsed());
}

PGconn *Connect(const QString &database)
{
    PGconn *connection = PQconnectdb(qPrintable(Uri(database)));
    if (PQstatus(connection) != CONNECTION_OK)
        Fail(QString::fromLocal8Bit(PQerrorMessage(connection)));
    return connection;
}

void Exec(PGconn *connection, const char *sql)
{
    PGresult *result = PQexec(connection, sql);
    const ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK && status != PGRES_COPY_IN)
        Fail(QString::fromLocal8Bit(PQresultErrorMessage(result)));
    PQclear(result);
}

// Archiving a download of 500 records as the results window has it done,
// until the sender has the records on the server or is held back.
void ArchiveFiveHundred(const char *name, const ArchiveLocation &site,
                        const std::function<void()> &meanwhile, const QTemporaryDir &dir)
{
    qputenv(ArchiveEnvironment, ArchiveLocationText(site).toUtf8());
    qputenv(LocalArchiveEnvironment,
            "sqlite:" + dir.filePath(QLatin1String(name) + ".sqlite").toUtf8());
    SiteSender sender;
    TDownloadArchiver archiver(&sender);
    QObject context;
    bool told = false;
    archiver.Archive(dir.path(), Device(1), MakeRecords(500, 7), &context,
                     [&](const DownloadArchivingText &) { told = true; });
    meanwhile();
    const qint64 block = LongestBlock(
        [&] {
            return told && !sender.Sending() &&
                   (sender.State().kind == SiteState::Kind::UpToDate ||
                    sender.State().why != SiteState::Why::Nothing);
        },
        60000);
    Figure(qPrintable(QStringLiteral("archive_500_%1_longest_block").arg(QLatin1String(name))),
           double(block), "ms");
}

void ArchivingAgainstServers(const QTemporaryDir &dir)
{
    // Stopped: a socket folder with no server in it.
    ArchiveFiveHundred(
        "stopped", {ArchiveLocation::Driver::Postgres, Uri("bench", dir.path())}, [] {}, dir);
    // Frozen in the middle of a batch: the batch first waits for a lock that
    // another program holds, then every process of the server stops.
    const ArchiveLocation frozen = FreshDatabase("bench_frozen");
    {
        ArchiveError error;
        auto store = ArchiveStore::Open(frozen, &error);
        if (!store || !store->Add(Device(1), MakeRecords(1, 9), &error))
            Fail(ArchiveErrorText(error));
    }
    PGconn *holder = Connect("bench_frozen");
    Exec(holder, "BEGIN");
    Exec(holder, "UPDATE testers SET records = records");
    QList<pid_t> stopped;
    ArchiveFiveHundred(
        "hung", frozen,
        [&] {
            LongestBlock(
                [&] {
                    // Within its transaction the holder would see the first
                    // look at the server's activity again and again.
                    Exec(holder, "SELECT pg_stat_clear_snapshot()");
                    PGresult *waiting = PQexec(holder, "SELECT COUNT(*) FROM pg_stat_activity"
                                                       " WHERE wait_event_type = 'Lock'");
                    const bool any = PQntuples(waiting) == 1 && atoi(PQgetvalue(waiting, 0, 0)) > 0;
                    PQclear(waiting);
                    return any;
                },
                30000);
            stopped = ServerProcesses();
            Signal(stopped, SIGSTOP);
        },
        dir);
    Signal(stopped, SIGCONT);
    Exec(holder, "ROLLBACK");
    PQfinish(holder);
    ArchiveFiveHundred(
        "healthy", FreshDatabase("bench_healthy"), [] {}, dir);
}

void DrainAgainstCopy(const QTemporaryDir &dir)
{
    const int records = 100000;
    const ArchiveLocation site = FreshDatabase("bench_drain");
    const ArchiveLocation local{ArchiveLocation::Driver::Sqlite, dir.filePath("drain.sqlite")};
    const GridRows rows = MakeRecords(records, 11);
    {
        ArchiveError error;
        auto store = ArchiveStore::Open(local, &error);
        if (!store || !ArchiveOutbox::KeepFor(*store, ArchiveLocationText(site), &error) ||
            !store->Add(Device(2), rows, &error))
            Fail(ArchiveErrorText(error));
        // The site's tables made, as a PC finds them.
        if (!ArchiveStore::Open(site, &error))
            Fail(ArchiveErrorText(error));
    }
    SiteSender sender;
    QElapsedTimer took;
    took.start();
    sender.Start({local, site});
    const qint64 block = LongestBlock(
        [&] { return sender.State().kind == SiteState::Kind::UpToDate && !sender.Sending(); },
        600000);
    const double drainMs = double(took.elapsed());
    Figure("outbox_drain_100000", drainMs, "ms");
    Figure("outbox_drain_100000_longest_block", double(block), "ms");

    // The same rows by COPY into a table like the site's records, with its
    // indexes.
    PGconn *connection = Connect("bench_drain");
    Exec(connection, "CREATE TABLE copied (LIKE records INCLUDING ALL)");
    QByteArray data;
    const QByteArray now = QByteArray::number(QDateTime::currentMSecsSinceEpoch());
    for (const GridRow &row : rows) {
        QByteArray line = "1";
        for (const QString &cell : row)
            line += '\t' + cell.toUtf8();
        const float reading = ReadingValue(row.value(3));
        line += '\t' + QByteArray::number(qint64(TextToLong(row.value(0)))) + '\t' +
                QByteArray::number(qint64(DateKey(row.value(1)))) + "\t1\t" +
                QByteArray::number(double(reading)) + '\t' +
                ReadingUnit(row.value(3)).toString().toUtf8() + '\t' + now + '\n';
        data += line;
    }
    took.restart();
    Exec(connection, "BEGIN");
    Exec(connection, "COPY copied (tester_id, test_no_text, date_text, time_text, reading_text,"
                     " result_text, sampling_text, test_no, date_key, reading_ok, reading, unit,"
                     " archived_at) FROM STDIN");
    if (PQputCopyData(connection, data.constData(), int(data.size())) != 1 ||
        PQputCopyEnd(connection, nullptr) != 1)
        Fail(QString::fromLocal8Bit(PQerrorMessage(connection)));
    PGresult *copied = PQgetResult(connection);
    if (PQresultStatus(copied) != PGRES_COMMAND_OK)
        Fail(QString::fromLocal8Bit(PQresultErrorMessage(copied)));
    PQclear(copied);
    Exec(connection, "COMMIT");
    const double copyMs = double(took.elapsed());
    PQfinish(connection);
    Figure("copy_100000", copyMs, "ms");
    Figure("outbox_drain_to_copy", drainMs / copyMs, "x");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        Fail("usage: bench_outbox FOLDER (a server of its own, started with "
             "tools/pg-test-server.sh start FOLDER)");
    Folder = QString::fromLocal8Bit(argv[1]);
    QTemporaryDir dir;
    ArchivingAgainstServers(dir);
    DrainAgainstCopy(dir);
    return 0;
}
