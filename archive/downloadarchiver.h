#pragma once
// Downloads kept in the archive as the results window takes them, through a
// worker of its own: the archive chosen for the program opens for each
// download and closes after it, as it did when the results window archived
// by itself, and no window waits meanwhile.

#include "archive/archivewords.h"
#include "records/data/recordfields.h"

#include <QObject>
#include <QStringList>

#include <functional>

class ArchiveWorker;

class TDownloadArchiver : public QObject
{
    Q_OBJECT
public:
    explicit TDownloadArchiver(QObject *parent = nullptr);

    // Archives records (no heading row) of the tester that deviceInfo names
    // into the archive chosen in dir (KESTRUNE_ARCHIVE, else dir's
    // Kestrune.ARC, else the default); told then hears, on context's
    // thread, the line to show and the message when they are not in.
    void Archive(const QString &dir, const QStringList &deviceInfo, const GridRows &records,
                 QObject *context, std::function<void(const DownloadArchivingText &)> told);
    // Downloads given and not archived yet.
    bool Busy() const;

private:
    ArchiveWorker *FWorker;
};
