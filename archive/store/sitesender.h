#pragma once
// The sender of this PC's outbox to the site's server. It works through
// workers of its own, so with connections and threads of its own: one on
// this PC's archive, one on the server. It sends the records waiting in
// batches, each tester's part of a batch in one transaction on the server,
// and lets them go from the outbox once the server has committed them. It
// sends when started with records waiting, when told that records came (a
// download, an import), and while records wait every 30 s, waiting longer
// each time up to 5 minutes while the server stays away. A server that
// refuses the records for a reason that waiting does not mend (no right to
// add records, the archive of a newer program) stops it until it is asked
// to try again; it says so once.

#include "archive/store/archiveerror.h"
#include "archive/store/archiveplaces.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QVector>

#include <optional>

class ArchiveWorker;
class QTimer;
struct OutboxGroup;
template <class T> struct ArchiveResult;

struct SiteState
{
    enum class Kind {
        LocalOnly, // no site chosen: this PC's archive only
        UpToDate,  // nothing waits for the site
        Waiting,   // records wait: being sent, or held back (why)
        Refused    // the server refuses them (why): stopped
    };
    // What holds the records back.
    enum class Why {
        Nothing,      // they are being sent
        Unreachable,  // the server cannot be reached, or stopped answering
        Busy,         // the server answered but took nothing this time (a lock, a time-out)
        LocalArchive, // this PC's archive could not be read
        Refusal       // the server will not take them
    };
    Kind kind = Kind::LocalOnly;
    Why why = Why::Nothing;
    qint64 waiting = 0;
    QDateTime since;     // when the oldest record waiting was queued
    ArchiveError reason; // the failure behind why
};

class SiteSender : public QObject
{
    Q_OBJECT
public:
    static constexpr int FirstRetryMs = 30000;
    static constexpr int LastRetryMs = 300000;

    explicit SiteSender(QObject *parent = nullptr);
    ~SiteSender() override;

    // Sends this PC's records to the site of places; without a site nothing
    // is sent. Places other than the last begin anew (a site other than the
    // one the outbox was kept for queues every record for this one); the
    // same places change nothing.
    void Start(const ArchivePlaces &places);
    // Records came into this PC's archive: they are sent now.
    void Kick();
    // As Kick, and a sender stopped by a refusal tries again.
    void Retry();

    const SiteState &State() const { return FState; }
    const ArchivePlaces &Places() const { return FPlaces; }
    // A batch is in hand.
    bool Sending() const { return FCycle; }

    // The waits between tries while records wait (30 s, growing to 5 min).
    void SetRetryDelays(int firstMs, int lastMs);
    // Records read from the outbox at once at first (it then grows or
    // shrinks with the time the server takes).
    void SetBatchRecords(int records);

signals:
    void StateChanged(const SiteState &state);
    // Records reached the site's server and left the outbox.
    void Sent();
    // The outbox is empty after records were sent.
    void Drained();
    // The server refuses the records: said once until Retry or Start.
    void Refused(const ArchiveError &reason);

private:
    struct Outgoing;
    struct Taken;

    // A cycle sends until nothing waits or something holds the records
    // back: each step lets what the server committed go from the outbox and
    // reads the next batch, then sends it.
    void Cycle();
    void Step();
    void Got(const Outgoing &outgoing);
    void Push(const QVector<OutboxGroup> &groups);
    void Pushed(const ArchiveResult<Taken> &taken, qint64 records);
    void HoldBack(SiteState::Why why, const ArchiveError &reason);
    void Finish();
    void Show(SiteState state);

    ArchiveWorker *const FLocal;
    ArchiveWorker *const FServer;
    QTimer *const FRetry;
    ArchivePlaces FPlaces;
    bool FStarted = false;
    QString FSite; // the site's location as the outbox keeps it
    quint64 FGeneration = 0;
    SiteState FState;
    bool FCycle = false;   // a cycle runs
    bool FAgain = false;   // told meanwhile: one more cycle after it
    bool FStopped = false; // refused
    bool FSentAny = false; // in this cycle
    bool FSyncInterval = false;
    int FFirstRetryMs = FirstRetryMs;
    int FLastRetryMs = LastRetryMs;
    int FDelayMs = FirstRetryMs;
    int FBatch = 2000;
    // After a push: the records the server committed, to leave the outbox,
    // and what held the rest back.
    QVector<qint64> FCommitted;
    std::optional<int> FSiteMonths;
    std::optional<std::pair<SiteState::Why, ArchiveError>> FHeldBack;
    QElapsedTimer FPushTook;
};

Q_DECLARE_METATYPE(SiteState)
