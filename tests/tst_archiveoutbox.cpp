// This PC's outbox without a server: records queued in the transaction that
// brings them in, every record queued again for another site, records that
// leave only for the site they were sent to; the sender draining it into a
// second archive; records deleted on the site not sent again; the watchdog
// that gives up a silent server.

#include "archivefixture.h"

#include "archive/store/archiveoutbox.h"
#include "archive/store/serverwatchdog.h"
#include "archive/store/sitesender.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

#include <atomic>

namespace {

qint64 Waiting(ArchiveStore &store)
{
    ArchiveError error;
    const std::optional<OutboxState> state = ArchiveOutbox::State(store, &error);
    if (!state)
        qWarning("%s", qPrintable(Said(error)));
    return state ? state->waiting : -1;
}

// One step of a row: "add SERIAL FIRST COUNT", "keep SITE", "sent SITE N"
// (the first N records waiting, sent to SITE) or "delete YYYYMMDD" (the
// records dated before, of every tester).
bool RunStep(ArchiveStore &store, const QString &step)
{
    const QStringList words = step.split(QLatin1Char(' '));
    ArchiveError error;
    bool done = false;
    if (words[0] == "add") {
        done = store
                   .Add(ArchiveFixture::Tester(words[1]),
                        ArchiveFixture::Records(words[2].toInt(), words[3].toInt()), &error)
                   .has_value();
    } else if (words[0] == "keep") {
        done = ArchiveOutbox::KeepFor(store, words[1], &error).has_value();
    } else if (words[0] == "sent") {
        const auto groups = ArchiveOutbox::Next(store, words[2].toInt(), &error);
        QVector<qint64> ids;
        for (const OutboxGroup &group : groups.value_or(QVector<OutboxGroup>()))
            ids += group.ids;
        done = groups && ArchiveOutbox::Sent(store, words[1], ids, &error);
    } else if (words[0] == "delete") {
        done = store.DeleteOlderThan(words[1].toLong(), std::nullopt, &error).has_value();
    }
    if (!done)
        qWarning("%s: %s", qPrintable(step), qPrintable(Said(error)));
    return done;
}

} // namespace

class TestArchiveOutbox : public QObject
{
    Q_OBJECT

    std::unique_ptr<ArchiveFixture> fx;

private slots:
    void init() { fx = std::make_unique<ArchiveFixture>(); }
    void cleanup() { fx.reset(); }

    void queuedWithWhatComesIn_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QList<int>>("waiting"); // after each step
        QTest::newRow("no site: nothing waits")
            << QStringList{"add A 0 10", "add A 5 10"} << QList<int>{0, 0};
        QTest::newRow("kept for a site: what is new waits")
            << QStringList{"keep S", "add A 0 10", "add A 5 10", "add B 0 3"}
            << QList<int>{0, 10, 15, 18};
        QTest::newRow("records from before the site wait too")
            << QStringList{"add A 0 10", "keep S", "add A 0 12", "keep S"}
            << QList<int>{0, 10, 12, 12};
        QTest::newRow("sent to the site they wait for")
            << QStringList{"keep S", "add A 0 10", "sent S 4", "sent T 4", "sent S 100"}
            << QList<int>{0, 10, 6, 6, 0};
        QTest::newRow("another site: every record again")
            << QStringList{"keep S",     "add A 0 10", "add B 0 5",
                           "sent S 100", "keep T",     "sent S 100"}
            << QList<int>{0, 10, 15, 0, 15, 15};
        // Records(0, 400): 336 of 2010, 64 of 2011.
        QTest::newRow("records deleted here leave the outbox")
            << QStringList{"keep S", "add A 0 400", "delete 20110101", "sent S 1000"}
            << QList<int>{0, 400, 400, 0};
        QTest::newRow("an id deleted and given again")
            << QStringList{"keep S",    "add A 0 400", "delete 20200101",
                           "add B 0 3", "sent S 2",    "sent S 100"}
            << QList<int>{0, 400, 400, 400, 398, 0};
    }
    void queuedWithWhatComesIn()
    {
        QFETCH(QStringList, steps);
        QFETCH(QList<int>, waiting);
        ArchiveError error;
        auto store = fx->Open(&error);
        QVERIFY2(store, qPrintable(Said(error)));
        for (int i = 0; i < steps.size(); ++i) {
            QVERIFY2(RunStep(*store, steps[i]), qPrintable(steps[i]));
            QCOMPARE(Waiting(*store), qint64(waiting[i]));
        }
    }

    // The first records waiting, by tester in the order they came, each
    // with the device lines of its tester; the time the oldest was queued.
    void nextByTester()
    {
        ArchiveError error;
        auto store = fx->Open(&error);
        const qint64 before = QDateTime::currentMSecsSinceEpoch();
        QVERIFY(ArchiveOutbox::KeepFor(*store, "S", &error));
        QVERIFY(store->Add(ArchiveFixture::Tester("A"), ArchiveFixture::Records(0, 3), &error));
        QVERIFY(store->Add(ArchiveFixture::Tester("B", "2012-01-01"), ArchiveFixture::Records(0, 2),
                           &error));
        QVERIFY(store->Add(ArchiveFixture::Tester("A"), ArchiveFixture::Records(3, 2), &error));
        const auto state = ArchiveOutbox::State(*store, &error);
        QCOMPARE(state->waiting, 7);
        QVERIFY(state->since.toMSecsSinceEpoch() >= before &&
                state->since <= QDateTime::currentDateTime());
        QCOMPARE(ArchiveOutbox::WaitingOf(*store, "A", &error), 5);
        QCOMPARE(ArchiveOutbox::KeptFor(*store, &error), QStringLiteral("S"));
        const auto groups = ArchiveOutbox::Next(*store, 6, &error);
        QVERIFY2(groups, qPrintable(Said(error)));
        QCOMPARE(groups->size(), 2);
        QCOMPARE((*groups)[0].deviceInfo, ArchiveFixture::Tester("A"));
        QCOMPARE((*groups)[0].rows, ArchiveFixture::Records(0, 3) + ArchiveFixture::Records(3, 1));
        QCOMPARE((*groups)[1].deviceInfo, ArchiveFixture::Tester("B", "2012-01-01"));
        QCOMPARE((*groups)[1].rows, ArchiveFixture::Records(0, 2));
        QCOMPARE((*groups)[0].ids, QVector<qint64>({1, 2, 3, 6}));
        QCOMPARE((*groups)[1].ids, QVector<qint64>({4, 5}));
    }

    // The sender drains this PC's outbox into the site's archive (here a
    // second file: it does to a server what it does to a file), and brings
    // back the site's calibration interval.
    void senderDrainsTheOutbox_data()
    {
        QTest::addColumn<int>("records"); // of each of two testers
        QTest::newRow("nothing waits") << 0;
        QTest::newRow("one batch") << 40;
        QTest::newRow("many batches") << 6000;
    }
    void senderDrainsTheOutbox()
    {
        QFETCH(int, records);
        ArchiveError error;
        QTemporaryDir siteDir;
        const ArchiveLocation site{ArchiveLocation::Driver::Sqlite,
                                   siteDir.filePath("site.sqlite")};
        QVERIFY(ArchiveStore::Open(site, &error)->SetCalibrationMonths(7, &error));
        {
            auto local = fx->Open(&error);
            QVERIFY(ArchiveOutbox::KeepFor(*local, ArchiveLocationText(site), &error));
            for (const char *serial : {"A", "B"})
                QVERIFY(local->Add(ArchiveFixture::Tester(serial),
                                   ArchiveFixture::Records(0, records), &error));
        }
        SiteSender sender;
        sender.SetBatchRecords(500);
        QSignalSpy drained(&sender, &SiteSender::Drained);
        QSignalSpy states(&sender, &SiteSender::StateChanged);
        sender.Start({fx->Where(), site});
        QTRY_VERIFY_WITH_TIMEOUT(
            !sender.Sending() && sender.State().kind == SiteState::Kind::UpToDate, 30000);
        QCOMPARE(drained.size(), records > 0 ? 1 : 0);
        QCOMPARE(ArchiveStore::Open(site, &error)->Count({}, &error), 2 * records);
        auto local = fx->Open(&error);
        QCOMPARE(Waiting(*local), 0);
        QTRY_COMPARE(local->CalibrationMonths(&error), 7);
        // The count went down as batches went: the line shows progress.
        if (records > 1000)
            QVERIFY2(states.size() > 3, qPrintable(QString::number(states.size())));
        // Started again the same: nothing more.
        sender.Start({fx->Where(), site});
        QVERIFY(!sender.Sending());
        // Records that come are sent when told.
        QVERIFY(local->Add(ArchiveFixture::Tester("C"), ArchiveFixture::Records(0, 5), &error));
        QCOMPARE(Waiting(*local), 5);
        sender.Kick();
        QTRY_COMPARE(Waiting(*local), 0);
        QTRY_COMPARE(drained.size(), records > 0 ? 2 : 1);
        QCOMPARE(ArchiveStore::Open(site, &error)->Count({}, &error), 2 * records + 5);
    }

    // Records deleted on the site ("Delete Old…" there) are never sent
    // again by this PC, which keeps them; records still waiting when the
    // site deleted older ones are sent all the same: an archive keeps what
    // was downloaded, and the deletion is repeated by hand.
    void deletedOnTheSite_data()
    {
        QTest::addColumn<bool>("sentFirst");
        QTest::addColumn<int>("deleted"); // on the site
        QTest::addColumn<int>("onSite");  // once the next records are sent
        // Records(0, 400): 336 of 2010, 64 of 2011; then 10 more of 2011.
        QTest::newRow("sent, then deleted there") << true << 336 << 64 + 10;
        QTest::newRow("deleted there while they wait") << false << 0 << 400 + 10;
    }
    void deletedOnTheSite()
    {
        QFETCH(bool, sentFirst);
        QFETCH(int, deleted);
        QFETCH(int, onSite);
        ArchiveError error;
        QTemporaryDir siteDir;
        const ArchiveLocation site{ArchiveLocation::Driver::Sqlite,
                                   siteDir.filePath("site.sqlite")};
        auto local = fx->Open(&error);
        QVERIFY(ArchiveOutbox::KeepFor(*local, ArchiveLocationText(site), &error));
        QVERIFY(local->Add(ArchiveFixture::Tester("A"), ArchiveFixture::Records(0, 400), &error));
        // Each time as a program started anew.
        const auto send = [&] {
            SiteSender sender;
            sender.Start({fx->Where(), site});
            return QTest::qWaitFor(
                [&] {
                    return !sender.Sending() && sender.State().kind == SiteState::Kind::UpToDate;
                },
                30000);
        };
        if (sentFirst)
            QVERIFY(send());
        auto siteStore = ArchiveStore::Open(site, &error);
        QVERIFY2(siteStore, qPrintable(Said(error)));
        QCOMPARE(siteStore->DeleteOlderThan(20110101, std::nullopt, &error), deleted);
        QVERIFY(local->Add(ArchiveFixture::Tester("A"), ArchiveFixture::Records(400, 10), &error));
        QVERIFY(send());
        QCOMPARE(siteStore->Count({}, &error), onSite);
        QCOMPARE(Waiting(*local), 0);
        QCOMPARE(local->Count({}, &error), 410);
    }

    // A watch runs out after its seconds of silence (the cut is called,
    // else the thread is to be given up), not while statements begin, not
    // after it ended; and at once when asked.
    void watchRunsOut_data()
    {
        QTest::addColumn<bool>("cuttable");
        QTest::addColumn<int>("restartEveryMs"); // 0: never
        QTest::addColumn<int>("endAfterMs");
        QTest::addColumn<bool>("now");
        QTest::addColumn<bool>("ranOut");
        QTest::newRow("silent, cut") << true << 0 << 1600 << false << true;
        QTest::newRow("silent, given up") << false << 0 << 1600 << false << true;
        QTest::newRow("statements keep it") << true << 300 << 2200 << false << false;
        QTest::newRow("ended before") << true << 0 << 500 << false << false;
        QTest::newRow("at once") << true << 0 << 200 << true << true;
    }
    void watchRunsOut()
    {
        QFETCH(bool, cuttable);
        QFETCH(int, restartEveryMs);
        QFETCH(int, endAfterMs);
        QFETCH(bool, now);
        QFETCH(bool, ranOut);
        std::atomic<int> cuts{0};
        std::atomic<int> heard{-1}; // what ranOut heard: 1 cut, 0 given up
        QElapsedTimer took;
        std::atomic<qint64> ranOutAfter{-1};
        bool ran = false;
        took.start();
        {
            ServerWatch watch(
                cuttable ? std::function<void()>([&] { ++cuts; }) : std::function<void()>(),
                [&](bool cut) {
                    heard = cut ? 1 : 0;
                    ranOutAfter = took.elapsed();
                },
                1);
            if (now)
                watch.End().RunOutNow();
            while (took.elapsed() < endAfterMs) {
                QThread::msleep(restartEveryMs ? restartEveryMs : 20);
                if (restartEveryMs)
                    ServerWatchRestart();
            }
            ran = watch.RanOut();
        }
        QCOMPARE(ran, ranOut);
        QCOMPARE(heard.load(), ranOut ? int(cuttable) : -1);
        QCOMPARE(cuts.load(), ranOut && cuttable ? 1 : 0);
        // Not early (the watch's clock and this one round apart by a
        // millisecond) and not hanging; how long exactly is not this test's
        // business, on a loaded machine under the sanitizers least of all.
        if (ranOut && !now)
            QVERIFY2(ranOutAfter >= 950 && ranOutAfter < 5000,
                     qPrintable(QString::number(ranOutAfter)));
        // Gone, it runs out no more.
        QThread::msleep(restartEveryMs ? 0 : 200);
        QCOMPARE(cuts.load(), ranOut && cuttable ? 1 : 0);
    }
};

QTEST_GUILESS_MAIN(TestArchiveOutbox)
#include "tst_archiveoutbox.moc"
