#pragma once
// A PostgreSQL server of the test's own (tools/pg-test-server.sh in a folder
// of its own), which the test may stop, start again, freeze (every process
// of it stopped, as a frozen machine looks) and thaw without disturbing
// other tests; PCs with an archive of their own each; and the longest time
// the event loop went without a turn.

#include "archivefixture.h"
#include "serverfixture.h"

#include "archive/store/archiveoutbox.h"
#include "archive/store/sitesender.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <csignal>
#include <sys/types.h>

class OwnServer
{
public:
    OwnServer()
    {
        // The server's own user goes through the folder.
        QFile::setPermissions(FDir.path(), QFile::permissions(FDir.path()) | QFileDevice::ExeGroup |
                                               QFileDevice::ExeOther);
        FStarted = ServerScript("start", Folder());
    }
    ~OwnServer()
    {
        Thaw();
        ServerScript("stop", Folder());
    }
    OwnServer(const OwnServer &) = delete;
    OwnServer &operator=(const OwnServer &) = delete;

    bool Started() const { return FStarted; }
    QString Folder() const { return FDir.filePath(QStringLiteral("pg")); }
    ArchiveLocation Location(ServerDriver driver, const QString &database) const
    {
        return ServerLocation(driver, database, QStringLiteral("postgres"), Folder());
    }
    bool Fresh(const QString &database) const { return FreshDatabase(database, Folder()); }

    // At once, as a crash or a power cut; Restart brings it back.
    bool Kill() { return ServerScript("kill", Folder()); }
    bool Restart() { return ServerScript("restart", Folder()); }

    // The processes of the server: the postmaster and its children.
    QList<pid_t> Processes() const
    {
        QFile pidFile(Folder() + QStringLiteral("/data/postmaster.pid"));
        if (!pidFile.open(QIODevice::ReadOnly))
            return {};
        const pid_t postmaster = pid_t(pidFile.readLine().trimmed().toLong());
        QList<pid_t> pids{postmaster};
        for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
            QFile stat(QStringLiteral("/proc/") + entry + QStringLiteral("/stat"));
            if (entry.toLong() <= 0 || !stat.open(QIODevice::ReadOnly))
                continue;
            // pid (name) state ppid ...: the name may hold blanks.
            const QByteArray line = stat.readAll();
            const QList<QByteArray> after = line.mid(line.lastIndexOf(')') + 2).split(' ');
            if (after.value(1).toLong() == postmaster)
                pids << pid_t(entry.toLong());
        }
        return pids;
    }
    // Every process stopped: connections stay open, nothing answers.
    void Freeze()
    {
        FFrozen = Processes();
        for (const pid_t pid : FFrozen)
            ::kill(pid, SIGSTOP);
    }
    // One process stopped (a backend).
    void Freeze(pid_t pid)
    {
        FFrozen << pid;
        ::kill(pid, SIGSTOP);
    }
    void Thaw()
    {
        for (const pid_t pid : std::exchange(FFrozen, {}))
            ::kill(pid, SIGCONT);
    }

private:
    QTemporaryDir FDir;
    bool FStarted = false;
    QList<pid_t> FFrozen;
};

// A PC: its own archive, and its sender.
class SitePc
{
public:
    SitePc() : Local{ArchiveLocation::Driver::Sqlite, FDir.filePath(QStringLiteral("pc.sqlite"))}
    {
        Sender.SetRetryDelays(300, 1500);
    }

    // Records of tester serial come into this PC's archive, waiting for site.
    bool Take(const ArchiveLocation &site, const QString &serial, int first, int count)
    {
        ArchiveError error;
        auto store = ArchiveStore::Open(Local, &error);
        const bool done = store &&
                          ArchiveOutbox::KeepFor(*store, ArchiveLocationText(site), &error) &&
                          store->Add(ArchiveFixture::Tester(serial),
                                     ArchiveFixture::Records(first, count), &error);
        if (!done)
            qWarning("%s", qPrintable(Said(error)));
        return done;
    }
    qint64 Waiting() const
    {
        ArchiveError error;
        auto store = ArchiveStore::Open(Local, &error);
        const auto state = store ? ArchiveOutbox::State(*store, &error) : std::nullopt;
        return state ? state->waiting : -1;
    }

    QTemporaryDir FDir;
    const ArchiveLocation Local;
    SiteSender Sender;
};

// The longest time the event loop went without a turn while it lives.
class LoopGaps
{
public:
    LoopGaps()
    {
        FTick.setInterval(5);
        QObject::connect(&FTick, &QTimer::timeout,
                         [this] { FLongest = std::max(FLongest, FSince.restart()); });
        FSince.start();
        FTick.start();
    }
    qint64 LongestMs() const { return std::max(FLongest, FSince.elapsed()); }

private:
    QTimer FTick;
    QElapsedTimer FSince;
    qint64 FLongest = 0;
};
