#pragma once
// Downloads kept in the archive as the results window takes them, through a
// worker of its own: this PC's archive opens for each download and closes
// after it, and no window waits meanwhile. With a site's server chosen the
// records then wait in this PC's outbox, and the sender is told to send
// them; the line of the last download says when they reached the server.

#include "archive/archivewords.h"
#include "records/data/recordfields.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <optional>

class ArchiveWorker;
class SiteSender;

class TDownloadArchiver : public QObject
{
    Q_OBJECT
public:
    using Told = std::function<void(const DownloadArchivingText &)>;

    // The records go to the site's server through sender.
    explicit TDownloadArchiver(SiteSender *sender, QObject *parent = nullptr);

    // Archives records (no heading row) of the tester that deviceInfo names
    // into this PC's archive as chosen in dir (KESTRUNE_ARCHIVE, else dir's
    // Kestrune.ARC, else the default); told then hears, on context's
    // thread, the line to show and the message when they are not in, and
    // the line again as its records reach the site's server.
    void Archive(const QString &dir, const QStringList &deviceInfo, const GridRows &records,
                 QObject *context, Told told);
    // Downloads given and not archived yet.
    bool Busy() const;

signals:
    // Records came into this PC's archive.
    void Archived();

private:
    // The last download while records of its tester wait for the site.
    struct Last
    {
        QPointer<QObject> context;
        Told told;
        ArchiveLocation local;
        QString serialNumber;
        DownloadArchived archived;
        qint64 waiting = 0;
    };
    void Recount();

    ArchiveWorker *FWorker;
    SiteSender *const FSender;
    std::optional<Last> FLast;
    quint64 FDownloads = 0;
};
