// The archive's worker: jobs run on a thread of its own with the store open
// there, while the caller's event loop keeps running; answers come back in
// order on the caller's thread, progress now and then, cancelling stops a
// job or keeps it from beginning, and going away waits for the job in hand.

#include "archivefixture.h"

#include "archive/store/archiveimport.h"
#include "archive/store/archiveworker.h"

#include <QElapsedTimer>
#include <QSemaphore>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include <atomic>

namespace {

// A job that gives what it was given, and says on which thread it ran.
struct Echo
{
    int value = 0;
    QThread *thread = nullptr;
};

auto EchoJob(int value)
{
    return [value](ArchiveStore &, const ArchiveJob &, ArchiveError *) {
        return std::optional<Echo>(Echo{value, QThread::currentThread()});
    };
}

qint64 CountIn(const ArchiveFixture &fx)
{
    ArchiveError error;
    auto store = fx.Open(&error);
    return store ? store->Count({}, &error).value_or(-1) : -1;
}

} // namespace

class TestArchiveWorker : public QObject
{
    Q_OBJECT

    std::unique_ptr<ArchiveFixture> fx;

private slots:
    void init() { fx = std::make_unique<ArchiveFixture>(); }
    void cleanup() { fx.reset(); }

    // The window's loop goes on while a download is archived: a timer ticks
    // meanwhile (the job waits for its ticks, so a worker on this thread
    // would never end), and the result comes through the answer.
    void downloadArchivedWhileTheLoopRuns()
    {
        std::atomic<int> ticks{0};
        QTimer ticking;
        connect(&ticking, &QTimer::timeout, this, [&] { ++ticks; });
        ticking.start(5);
        ArchiveWorker worker;
        worker.Open(fx->Where());
        const QStringList tester = ArchiveFixture::Tester("KT7");
        const GridRows records = ArchiveFixture::Records(0, 20000);
        std::optional<ArchiveResult<DownloadArchived>> answer;
        QThread *answeredOn = nullptr;
        worker.Run(
            this,
            [&ticks, tester, records](ArchiveStore &store, const ArchiveJob &,
                                      ArchiveError *error) {
                QElapsedTimer waited;
                waited.start();
                while (ticks < 3 && waited.elapsed() < 5000)
                    QThread::msleep(1);
                if (ticks < 3)
                    return std::optional<DownloadArchived>();
                return ArchiveDownload(store, tester, records, QDate(2030, 1, 1), error);
            },
            [&](const ArchiveResult<DownloadArchived> &archived) {
                answer = archived;
                answeredOn = QThread::currentThread();
            });
        QVERIFY(worker.Busy());
        QTRY_VERIFY_WITH_TIMEOUT(answer.has_value(), 20000);
        QVERIFY2(answer->value, qPrintable(Said(answer->error)));
        QCOMPARE(answer->value->counts.added, 20000);
        QVERIFY(answer->value->calibrationDue);
        QCOMPARE(answeredOn, QThread::currentThread());
        QVERIFY(ticks >= 3);
        QVERIFY(!worker.Busy());
        QCOMPARE(CountIn(*fx), 20000);
    }

    // One job after another in the order given, each answered in that order
    // on this thread, each run on the worker's one thread.
    void answersInOrderOnTheCallersThread()
    {
        ArchiveWorker worker;
        worker.Open(fx->Where());
        QList<int> heard;
        QSet<QThread *> ranOn;
        for (int i = 0; i < 20; ++i)
            worker.Run(this, EchoJob(i), [&](const ArchiveResult<Echo> &echo) {
                QCOMPARE(QThread::currentThread(), thread());
                heard << echo->value;
                ranOn << echo->thread;
            });
        QTRY_COMPARE(heard.size(), 20);
        for (int i = 0; i < 20; ++i)
            QCOMPARE(heard[i], i);
        QCOMPARE(ranOn.size(), 1);
        QVERIFY(!ranOn.contains(thread()));
    }

    // An archive that cannot be opened answers every job with why, without
    // running it; another location given opens.
    void unopenedArchiveAnswersWithWhy()
    {
        QVERIFY(QDir().mkpath(fx->Path())); // a folder where the file should be
        ArchiveWorker worker;
        worker.Open(fx->Where());
        bool ran = false;
        std::optional<ArchiveResult<int>> answer;
        worker.Run(
            this,
            [&ran](ArchiveStore &, const ArchiveJob &, ArchiveError *) {
                ran = true;
                return std::optional(1);
            },
            [&](const ArchiveResult<int> &said) { answer = said; });
        QTRY_VERIFY(answer.has_value());
        QVERIFY(!ran && !answer->value);
        QCOMPARE(answer->error.code, ArchiveErrorCode::NotAFile);
        QCOMPARE(answer->error.place, QDir::toNativeSeparators(fx->Path()));

        std::optional<ArchiveResult<Echo>> echo;
        worker.Open({ArchiveLocation::Driver::Sqlite, fx->Dir() + "/other.sqlite"});
        worker.Run(this, EchoJob(7), [&](const ArchiveResult<Echo> &said) { echo = said; });
        QTRY_VERIFY(echo.has_value());
        QVERIFY2(echo->value, qPrintable(Said(echo->error)));

        std::optional<ArchiveResult<Echo>> nowhere;
        ArchiveWorker unplaced;
        unplaced.Run(this, EchoJob(1), [&](const ArchiveResult<Echo> &said) { nowhere = said; });
        QTRY_VERIFY(nowhere.has_value());
        QCOMPARE(nowhere->error.code, ArchiveErrorCode::NoLocation);
    }

    // A job cancelled while another runs never begins; the one that runs
    // sees the cancel where it asks.
    void cancelledJobs()
    {
        ArchiveWorker worker;
        worker.Open(fx->Where());
        QSemaphore started, release;
        std::optional<ArchiveResult<int>> first, second;
        const ArchiveJob running = worker.Run(
            this,
            [&](ArchiveStore &, const ArchiveJob &self, ArchiveError *error) -> std::optional<int> {
                started.release();
                release.acquire();
                if (self.Cancelled()) {
                    *error = ArchiveError(ArchiveErrorCode::Cancelled);
                    return std::nullopt;
                }
                return 1;
            },
            [&](const ArchiveResult<int> &said) { first = said; });
        bool secondRan = false;
        const ArchiveJob waiting = worker.Run(
            this,
            [&secondRan](ArchiveStore &, const ArchiveJob &, ArchiveError *) {
                secondRan = true;
                return std::optional(2);
            },
            [&](const ArchiveResult<int> &said) { second = said; });
        QVERIFY(started.tryAcquire(1, 5000));
        waiting.Cancel();
        running.Cancel();
        release.release();
        QTRY_VERIFY(first && second);
        QCOMPARE(first->error.code, ArchiveErrorCode::Cancelled);
        QCOMPARE(second->error.code, ArchiveErrorCode::Cancelled);
        QVERIFY(!secondRan);
        QVERIFY(!worker.Busy());
    }

    // An import cancelled from its progress: the files before stay whole,
    // nothing of the file in hand does; progress comes now and then, not
    // once per record.
    void importCancelledFromItsProgress()
    {
        const QStringList paths = {ArchiveFixture::DataFile(fx->Dir() + "/small.DAT", 0, 10),
                                   ArchiveFixture::DataFile(fx->Dir() + "/large.DAT", 0, 60000)};
        ArchiveWorker worker;
        worker.Open(fx->Where());
        std::atomic<int> asked{0};
        QList<ArchiveProgress> told;
        std::optional<ArchiveResult<ImportSummary>> answer;
        ArchiveJob job;
        job = worker.Run(
            this,
            [paths, &asked](ArchiveStore &store, const ArchiveJob &self, ArchiveError *) {
                return std::optional(
                    ImportDataFiles(store, paths, [&](int file, int files, qint64 records) {
                        ++asked;
                        self.Progress({file, files, records});
                        return !self.Cancelled();
                    }));
            },
            [&](const ArchiveResult<ImportSummary> &summary) { answer = summary; },
            [&](const ArchiveProgress &progress) {
                told << progress;
                if (progress.part == 1 && progress.records > 0)
                    job.Cancel();
            });
        QTRY_VERIFY_WITH_TIMEOUT(answer.has_value(), 30000);
        QVERIFY(answer->value);
        QVERIFY(answer->value->cancelled);
        QCOMPARE(answer->value->filesRead, 1);
        QCOMPARE(CountIn(*fx), 10);
        QVERIFY(!told.isEmpty());
        QCOMPARE(told.first().parts, 2);
        QVERIFY(told.size() <= asked);
    }

    // Progress told many times in a moment reaches the caller a few times,
    // the latest each time.
    void progressThrottled()
    {
        ArchiveWorker worker;
        worker.Open(fx->Where());
        QList<qint64> told;
        bool done = false;
        QElapsedTimer took;
        took.start();
        worker.Run(
            this,
            [](ArchiveStore &, const ArchiveJob &self, ArchiveError *) {
                QElapsedTimer running;
                running.start();
                for (qint64 i = 1; running.elapsed() < 350; ++i)
                    self.Progress({0, 1, i});
                return std::optional(true);
            },
            [&](const ArchiveResult<bool> &) { done = true; },
            [&](const ArchiveProgress &progress) { told << progress.records; });
        QTRY_VERIFY(done);
        QVERIFY2(told.size() >= 1 && told.size() <= took.elapsed() / ArchiveJob::ProgressMs + 2,
                 qPrintable(QString::number(told.size())));
        QVERIFY(std::is_sorted(told.begin(), told.end()));
    }

    // A context gone before its answer hears nothing; the worker goes on.
    void contextGoneHearsNothing()
    {
        ArchiveWorker worker;
        worker.Open(fx->Where());
        bool heard = false;
        auto context = std::make_unique<QObject>();
        worker.Run(context.get(), EchoJob(1), [&](const ArchiveResult<Echo> &) { heard = true; });
        context.reset();
        std::optional<ArchiveResult<Echo>> later;
        worker.Run(this, EchoJob(2), [&](const ArchiveResult<Echo> &said) { later = said; });
        QTRY_VERIFY(later.has_value());
        QCOMPARE(later->value->value, 2);
        QVERIFY(!heard);
    }

    // Going away waits for the job in hand and for those given after it:
    // the records are in, and nobody is answered any more.
    void goingAwayWaitsForTheJobs()
    {
        bool heard = false;
        {
            ArchiveWorker worker;
            worker.Open(fx->Where());
            for (int part = 0; part < 3; ++part)
                worker.Run(
                    this,
                    [part](ArchiveStore &store, const ArchiveJob &, ArchiveError *error) {
                        QThread::msleep(50);
                        return store.Add(ArchiveFixture::Tester("KT1"),
                                         ArchiveFixture::Records(part * 100, 100), error);
                    },
                    [&](const ArchiveResult<ArchiveCounts> &) { heard = true; });
        }
        QCOMPARE(CountIn(*fx), 300);
        QTest::qWait(20);
        QVERIFY(!heard);
    }
};

QTEST_GUILESS_MAIN(TestArchiveWorker)
#include "tst_archiveworker.moc"
