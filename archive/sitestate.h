#pragma once
// The site's archive as the operator sees it: the main window's one line on
// whether this PC's records are on the site's server, the band over the
// archive window when it shows this PC's records because the server cannot
// be read, and the other words about the site. The server's own words are
// cut to a readable length and never show a password.

#include "archive/store/sitesender.h"

#include <QLabel>
#include <QWidget>

// The server's (or this PC's archive's) words for a failure, on one line:
// without the place, the server's error codes and a password, cut to about
// MaxReasonChars.
inline constexpr int MaxReasonChars = 80;
QString SiteReasonText(const ArchiveError &error);

// "Site archive: up to date", "Site archive: 1,234 records waiting since
// 14:02 (server unreachable: reason)", "This PC's archive only". now tells
// whether since is today (its time only) or not (its date too).
QString SiteStateText(const SiteState &state, const QDateTime &now);

// "The site server cannot be reached (reason): showing this PC's records;
// 1,234 not yet sent"
QString SiteBandText(const ArchiveError &why, qint64 unsent);

// What a window cannot do while the server cannot be read: "what needs the
// site server, which cannot be reached (reason)."
QString SiteNeededText(const QString &what, const ArchiveError &why);

// Said once when the server refuses this PC's records.
QString SiteRefusedText(const ArchiveError &why);

// The Database window: how many of this PC's records a server would get.
QString RecordsToSendText(qint64 records);

// The main window's line: a dot of the state's colour and its words, the
// whole reason in the tooltip.
class TSiteStateLabel : public QWidget
{
    Q_OBJECT
public:
    explicit TSiteStateLabel(QWidget *parent);
    void Show(const SiteState &state);
    QString Text() const;

    QLabel *Image1, *Label1;
};

// The archive window's band while it shows this PC's records instead of the
// site's.
class TSiteBand : public QLabel
{
    Q_OBJECT
public:
    explicit TSiteBand(QWidget *parent);
    void Show(const ArchiveError &why, qint64 unsent);
};
