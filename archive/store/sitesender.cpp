#include "archive/store/sitesender.h"

#include "archive/store/archiveoutbox.h"
#include "archive/store/archiveworker.h"
#include "archive/store/serverwatchdog.h"

#include <QTimer>

#include <algorithm>
#include <utility>

namespace {
// The batch grows while the server takes it quickly and shrinks when it
// takes long: a tester's lock on the server is held for a moment only, and
// a slow link stays well within the watchdog's patience.
constexpr int FewestRecords = 250;
constexpr int MostRecords = 8000;
constexpr qint64 QuickPushMs = 1000;
constexpr qint64 SlowPushMs = 3000;

bool RefusedAtOpening(ArchiveErrorCode code)
{
    return code == ArchiveErrorCode::NewerArchive || code == ArchiveErrorCode::NotAnArchive ||
           code == ArchiveErrorCode::DriverMissing;
}
} // namespace

// What a step reads from this PC's archive.
struct SiteSender::Outgoing
{
    OutboxState state;
    QVector<OutboxGroup> groups;
};

// What the server took of a batch: the records committed, the site's
// calibration interval once all were, and what held the rest back.
struct SiteSender::Taken
{
    QVector<qint64> committed;
    std::optional<int> months;
    SiteState::Why heldBack = SiteState::Why::Nothing;
    ArchiveError reason;
};

SiteSender::SiteSender(QObject *parent)
    : QObject(parent), FLocal(new ArchiveWorker(this, QThread::LowPriority)),
      FServer(new ArchiveWorker(this, QThread::LowPriority)), FRetry(new QTimer(this))
{
    FRetry->setSingleShot(true);
    connect(FRetry, &QTimer::timeout, this, &SiteSender::Cycle);
}

SiteSender::~SiteSender()
{
    // A batch in hand on the server is cut short rather than waited for;
    // its records stay in the outbox and are sent again, which adds nothing
    // twice.
    FLocal->CancelAll();
    FServer->CancelAll();
}

void SiteSender::SetRetryDelays(int firstMs, int lastMs)
{
    FFirstRetryMs = FDelayMs = firstMs;
    FLastRetryMs = lastMs;
}

void SiteSender::SetBatchRecords(int records)
{
    FBatch = records;
}

void SiteSender::Start(const ArchivePlaces &places)
{
    if (FStarted && SamePlaces(places, FPlaces))
        return;
    FStarted = true;
    FPlaces = places;
    ++FGeneration;
    FLocal->CancelAll();
    FServer->CancelAll();
    FRetry->stop();
    FDelayMs = FFirstRetryMs;
    FCycle = FAgain = FStopped = false;
    FCommitted.clear();
    FSiteMonths.reset();
    FHeldBack.reset();
    if (!places.site) {
        FLocal->Close();
        FServer->Close();
        Show({});
        return;
    }
    FSite = ArchiveLocationText(*places.site);
    FLocal->Open(places.local);
    FServer->Open(*places.site);
    FSyncInterval = true;
    Cycle();
}

void SiteSender::Kick()
{
    if (!FPlaces.site || FStopped)
        return;
    if (FCycle)
        FAgain = true;
    else
        Cycle();
}

void SiteSender::Retry()
{
    if (FStopped) {
        FStopped = false;
        FDelayMs = FFirstRetryMs;
    }
    Kick();
}

void SiteSender::Cycle()
{
    if (!FPlaces.site || FStopped || FCycle)
        return;
    FCycle = true;
    FAgain = false;
    FSentAny = false;
    FRetry->stop();
    Step();
}

void SiteSender::Step()
{
    const quint64 generation = FGeneration;
    const QString site = FSite;
    const QVector<qint64> committed = std::exchange(FCommitted, {});
    const std::optional<int> months = std::exchange(FSiteMonths, std::nullopt);
    const int batch = FBatch;
    FLocal->Run(
        this,
        [site, committed, months, batch](ArchiveStore &store, const ArchiveJob &,
                                         ArchiveError *error) -> std::optional<Outgoing> {
            if (!ArchiveOutbox::Sent(store, site, committed, error))
                return std::nullopt;
            // The site's interval, for judging downloads while the server
            // is away.
            if (months && store.CalibrationMonths(error) != months &&
                !store.SetCalibrationMonths(*months, error))
                return std::nullopt;
            const std::optional<OutboxState> state = ArchiveOutbox::KeepFor(store, site, error);
            std::optional<QVector<OutboxGroup>> groups;
            if (state)
                groups = ArchiveOutbox::Next(store, batch, error);
            if (!groups)
                return std::nullopt;
            return Outgoing{*state, std::move(*groups)};
        },
        [this, generation, sent = !committed.isEmpty()](const ArchiveResult<Outgoing> &outgoing) {
            if (generation != FGeneration)
                return;
            if (!outgoing) {
                // Nothing left the outbox: it is sent again.
                FHeldBack.reset();
                HoldBack(SiteState::Why::LocalArchive, outgoing.error);
                return;
            }
            if (sent) {
                FSentAny = true;
                emit Sent();
            }
            Got(*outgoing);
        });
}

void SiteSender::Got(const Outgoing &outgoing)
{
    SiteState state = FState;
    state.waiting = outgoing.state.waiting;
    state.since = outgoing.state.since;
    if (const auto held = std::exchange(FHeldBack, std::nullopt)) {
        if (held->first != SiteState::Why::Refusal) {
            FState.waiting = state.waiting;
            FState.since = state.since;
            HoldBack(held->first, held->second);
            return;
        }
        FStopped = true;
        FCycle = false;
        state.kind = SiteState::Kind::Refused;
        state.why = held->first;
        state.reason = held->second;
        Show(state);
        emit Refused(held->second);
        return;
    }
    state.why = SiteState::Why::Nothing;
    state.reason = {};
    if (outgoing.groups.isEmpty()) {
        state.kind = SiteState::Kind::UpToDate;
        Show(state);
        if (FSyncInterval)
            Push({}); // only the site's interval is asked for
        else
            Finish();
        return;
    }
    state.kind = SiteState::Kind::Waiting;
    Show(state);
    Push(outgoing.groups);
}

void SiteSender::Push(const QVector<OutboxGroup> &groups)
{
    const quint64 generation = FGeneration;
    qint64 records = 0;
    for (const OutboxGroup &group : groups)
        records += group.rows.size();
    FSyncInterval = false;
    FPushTook.start();
    FServer->Run(
        this,
        [groups](ArchiveStore &store, const ArchiveJob &self,
                 ArchiveError *) -> std::optional<Taken> {
            Taken taken;
            // Records going out show that the server answers: the watchdog
            // waits anew.
            const auto answering = [&self](qint64) {
                ServerWatchRestart();
                return !self.Cancelled();
            };
            // The records new on the server are one batch there, from this PC.
            ArchiveOrigin sent;
            sent.kind = QLatin1String(BatchSent);
            sent.source = sent.pc;
            for (const OutboxGroup &group : groups) {
                ArchiveError failed;
                if (store.Add(group.deviceInfo, group.rows, sent, &failed, answering)) {
                    taken.committed += group.ids;
                    continue;
                }
                // Refused for want of rights, which no wait mends; else busy
                // while the server still answers; else away.
                ArchiveError unasked;
                const std::optional<bool> may = ArchiveOutbox::MayAdd(store, &unasked);
                taken.heldBack = !may   ? SiteState::Why::Unreachable
                                 : *may ? SiteState::Why::Busy
                                        : SiteState::Why::Refusal;
                taken.reason = failed;
                return taken;
            }
            ArchiveError unread;
            taken.months = store.CalibrationMonths(&unread);
            return taken;
        },
        [this, generation, records](const ArchiveResult<Taken> &taken) {
            if (generation == FGeneration)
                Pushed(taken, records);
        });
}

void SiteSender::Pushed(const ArchiveResult<Taken> &taken, qint64 records)
{
    if (!taken) {
        // Not opened, or the server stopped answering.
        FServer->Close();
        if (records == 0) {
            Finish();
            return;
        }
        FHeldBack.emplace(RefusedAtOpening(taken.error.code) ? SiteState::Why::Refusal
                                                             : SiteState::Why::Unreachable,
                          taken.error);
    } else {
        FCommitted = taken->committed;
        FSiteMonths = taken->months;
        if (taken->heldBack != SiteState::Why::Nothing) {
            if (taken->heldBack == SiteState::Why::Unreachable)
                FServer->Close();
            FHeldBack.emplace(taken->heldBack, taken->reason);
        } else {
            const qint64 took = FPushTook.elapsed();
            if (records >= FBatch && took < QuickPushMs)
                FBatch = std::min(MostRecords, FBatch * 2);
            else if (took > SlowPushMs)
                FBatch = std::max(FewestRecords, FBatch / 2);
        }
    }
    // Back to this PC's archive: what was committed leaves the outbox, and
    // the next batch is read.
    Step();
}

void SiteSender::HoldBack(SiteState::Why why, const ArchiveError &reason)
{
    SiteState state = FState;
    state.kind = SiteState::Kind::Waiting;
    state.why = why;
    state.reason = reason;
    Show(state);
    FCycle = false;
    FAgain = false;
    FRetry->start(FDelayMs);
    FDelayMs = std::min(FLastRetryMs, FDelayMs * 2);
}

void SiteSender::Finish()
{
    FCycle = false;
    FDelayMs = FFirstRetryMs;
    FServer->Close();
    if (FSentAny && FState.kind == SiteState::Kind::UpToDate)
        emit Drained();
    FSentAny = false;
    if (FAgain)
        Cycle();
}

void SiteSender::Show(SiteState state)
{
    const bool same = state.kind == FState.kind && state.why == FState.why &&
                      state.waiting == FState.waiting && state.since == FState.since &&
                      state.reason.code == FState.reason.code &&
                      state.reason.reason == FState.reason.reason;
    FState = std::move(state);
    if (!same)
        emit StateChanged(FState);
}
