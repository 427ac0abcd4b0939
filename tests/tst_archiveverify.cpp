// The verifier over plain rows: an archive of two testers made as the store
// makes it, then altered the ways a tamperer could, row by row, and the
// breaks it must name; and the words of its verdict.

#include "archive/store/archiveverify.h"
#include "archive/verifywords.h"

#include <QDateTime>
#include <QTest>

#include <algorithm>
#include <functional>

namespace {

struct PlainRecord
{
    qint64 id = 0;
    qint64 testerId = 0;
    std::optional<qint64> batchId;
    QByteArray fingerprint;
    GridRow texts;
};

// The tables as rows.
struct PlainArchive
{
    QMap<qint64, QString> testers;
    QVector<ArchiveBatch> batches;
    QVector<PlainRecord> records;
    QVector<DeletionEntry> deletions;
    QVector<DeletedRecord> deleted;

    PlainRecord *Record(const QString &testNo)
    {
        for (PlainRecord &r : records)
            if (r.texts[0] == testNo)
                return &r;
        return nullptr;
    }
    ArchiveBatch *Batch(qint64 testerId, qint64 number)
    {
        for (ArchiveBatch &b : batches)
            if (b.testerId == testerId && b.number == number)
                return &b;
        return nullptr;
    }
    // A record as a tamperer adds it: its fingerprint taken as the store
    // takes it.
    void Insert(qint64 testerId, std::optional<qint64> batchId, const QString &testNo)
    {
        PlainRecord r;
        r.id = records.last().id + 1;
        r.testerId = testerId;
        r.batchId = batchId;
        r.texts = {testNo,
                   QStringLiteral("02-Mar-2024"),
                   QStringLiteral("09:00:00"),
                   QStringLiteral("0.000%BAC"),
                   QStringLiteral("PASS"),
                   QStringLiteral("Active")};
        r.fingerprint = RecordFingerprint(testers[testerId], r.texts);
        records << r;
    }
    // A record taken by a deletion with its entry.
    void Delete(const QString &testNo, qint64 auditId, std::optional<qint64> scope)
    {
        PlainRecord *r = Record(testNo);
        deleted << DeletedRecord{auditId, r->testerId, r->fingerprint};
        if (std::none_of(deletions.begin(), deletions.end(),
                         [&](const DeletionEntry &e) { return e.auditId == auditId; }))
            deletions << DeletionEntry{auditId, scope, 0};
        for (DeletionEntry &e : deletions)
            if (e.auditId == auditId)
                ++e.count;
        records.erase(records.begin() + (r - records.data()));
    }
};

GridRow Texts(int testNo)
{
    return {QString::number(testNo),
            QStringLiteral("01-Jan-2021"),
            QStringLiteral("10:%1:00").arg(testNo, 2, 10, QLatin1Char('0')),
            QStringLiteral("0.0%1%BAC").arg(testNo),
            QStringLiteral("PASS"),
            QStringLiteral("Active")};
}

// SN1 (id 1): batch 1 with tests 1, 2, 3 and batch 2 with tests 4, 5;
// SN2 (id 2): batch 1 with tests 11, 12. Record ids in the order archived.
PlainArchive Made()
{
    PlainArchive a;
    a.testers = {{1, QStringLiteral("SN1")}, {2, QStringLiteral("SN2")}};
    const QVector<QPair<qint64, QVector<int>>> batches = {
        {1, {1, 2, 3}}, {2, {11, 12}}, {1, {4, 5}}};
    QMap<qint64, QByteArray> heads;
    QMap<qint64, qint64> numbers;
    qint64 recordId = 0;
    qint64 batchId = 0;
    for (const auto &[testerId, tests] : batches) {
        ArchiveBatch b;
        b.id = ++batchId;
        b.testerId = testerId;
        b.serialNumber = a.testers[testerId];
        b.number = ++numbers[testerId];
        b.madeAt = 1700000000000 + b.id;
        b.pc = QStringLiteral("PC1");
        b.osUser = QStringLiteral("ann");
        b.kind = QStringLiteral("download");
        for (int test : tests) {
            PlainRecord r{++recordId, testerId, b.id, {}, Texts(test)};
            r.fingerprint = RecordFingerprint(b.serialNumber, r.texts);
            b.fingerprints += r.fingerprint;
            a.records << r;
        }
        b.added = tests.size();
        b.prevHash = heads.value(testerId, FirstPrevHash());
        b.hash = BatchHash(b);
        heads[testerId] = b.hash;
        a.batches << b;
    }
    return a;
}

ArchiveVerdict Verified(PlainArchive a)
{
    ArchiveVerifier v;
    for (auto t = a.testers.cbegin(); t != a.testers.cend(); ++t)
        v.AddTester(t.key(), t.value());
    for (const DeletionEntry &e : std::as_const(a.deletions))
        v.AddDeletion(e);
    for (const DeletedRecord &d : std::as_const(a.deleted))
        v.AddDeleted(d);
    std::sort(a.batches.begin(), a.batches.end(), [](const ArchiveBatch &x, const ArchiveBatch &y) {
        return std::pair(x.testerId, x.number) < std::pair(y.testerId, y.number);
    });
    for (ArchiveBatch b : std::as_const(a.batches)) {
        b.serialNumber.clear(); // the row does not hold it
        v.AddBatch(b);
    }
    // As the database gives them: in id order.
    std::sort(a.records.begin(), a.records.end(),
              [](const PlainRecord &x, const PlainRecord &y) { return x.id < y.id; });
    for (const PlainRecord &r : std::as_const(a.records)) {
        VerifyRecord row;
        row.id = r.id;
        row.testerId = r.testerId;
        row.batchId = r.batchId;
        row.fingerprint = r.fingerprint;
        for (int i = 0; i < RecordColumns; ++i)
            row.texts[size_t(i)] = r.texts[i];
        v.AddRecord(row);
    }
    return v.Finish();
}

// A break in short: "changed SN1 batch 1 test 2", "removed SN1 batch 1 at 2".
QString Brief(const VerifyBreak &b)
{
    static const char *const kinds[] = {"changed",       "removed",        "added",
                                        "batch altered", "batch unlinked", "damaged"};
    QString text = QLatin1String(kinds[int(b.kind)]) + QLatin1Char(' ') + b.serialNumber;
    if (b.batchNumber > 0)
        text += QStringLiteral(" batch %1").arg(b.batchNumber);
    if (b.kind == VerifyBreakKind::Removed)
        text += QStringLiteral(" at %1").arg(b.position);
    else if (!b.testNo.isEmpty())
        text += QStringLiteral(" test ") + b.testNo;
    return text;
}

using Tamper = std::function<void(PlainArchive &)>;

} // namespace

Q_DECLARE_METATYPE(Tamper)
Q_DECLARE_METATYPE(VerifyBreak)

class TestArchiveVerify : public QObject
{
    Q_OBJECT
private slots:
    void breaksNamed_data();
    void breaksNamed();
    void breaksBeyondTheNamedAreCounted();
    void damageIsABreak();
    void sealOfAPrintout();
    void words_data();
    void words();
};

void TestArchiveVerify::breaksNamed_data()
{
    QTest::addColumn<Tamper>("tamper");
    QTest::addColumn<QStringList>("breaks");
    QTest::addColumn<qint64>("deleted");

    const auto reading = [](PlainRecord *r) { r->texts[3] = QStringLiteral("0.150%BAC"); };
    QTest::newRow("intact") << Tamper([](PlainArchive &) {}) << QStringList() << qint64(0);
    QTest::newRow("reading changed") << Tamper([=](PlainArchive &a) { reading(a.Record("2")); })
                                     << QStringList{"changed SN1 batch 1 test 2"} << qint64(0);
    QTest::newRow("reading changed, fingerprint taken again") << Tamper([=](PlainArchive &a) {
        PlainRecord *r = a.Record("2");
        reading(r);
        r->fingerprint = RecordFingerprint(QStringLiteral("SN1"), r->texts);
    }) << QStringList{"changed SN1 batch 1 test 2"} << qint64(0);
    QTest::newRow("only the stored fingerprint changed")
        << Tamper([](PlainArchive &a) { a.Record("12")->fingerprint = QByteArray(64, 'a'); })
        << QStringList{"changed SN2 batch 1 test 12"} << qint64(0);
    QTest::newRow("record moved to another tester")
        << Tamper([](PlainArchive &a) { a.Record("5")->testerId = 2; })
        << QStringList{"changed SN2 batch 2 test 5"} << qint64(0);
    QTest::newRow("record removed") << Tamper([](PlainArchive &a) { a.records.removeAt(1); })
                                    << QStringList{"removed SN1 batch 1 at 2"} << qint64(0);
    QTest::newRow("first and last of a batch removed") << Tamper([](PlainArchive &a) {
        a.records.removeAt(4);
        a.records.removeAt(3);
    }) << QStringList{"removed SN2 batch 1 at 1", "removed SN2 batch 1 at 2"}
                                                       << qint64(0);
    QTest::newRow("all of a batch removed")
        << Tamper([](PlainArchive &a) { a.records.remove(5, 2); })
        << QStringList{"removed SN1 batch 2 at 1", "removed SN1 batch 2 at 2"} << qint64(0);
    QTest::newRow("deleted with an entry") << Tamper([](PlainArchive &a) {
        a.Delete(QStringLiteral("1"), 7, 1);
        a.Delete(QStringLiteral("2"), 7, 1);
    }) << QStringList() << qint64(2);
    QTest::newRow("deleted with an entry for all testers") << Tamper([](PlainArchive &a) {
        a.Delete(QStringLiteral("1"), 7, std::nullopt);
        a.Delete(QStringLiteral("11"), 7, std::nullopt);
    }) << QStringList() << qint64(2);
    QTest::newRow("deleted, entry missing") << Tamper([](PlainArchive &a) {
        a.Delete(QStringLiteral("2"), 7, 1);
        a.deletions.clear();
    }) << QStringList{"removed SN1 batch 1 at 2"}
                                            << qint64(0);
    QTest::newRow("deleted, entry of the other tester")
        << Tamper([](PlainArchive &a) { a.Delete(QStringLiteral("2"), 7, 2); })
        << QStringList{"removed SN1 batch 1 at 2"} << qint64(0);
    QTest::newRow("deleted, entry counting fewer than it lists") << Tamper([](PlainArchive &a) {
        a.Delete(QStringLiteral("1"), 7, 1);
        a.Delete(QStringLiteral("2"), 7, 1);
        a.deletions[0].count = 1;
    }) << QStringList{"removed SN1 batch 1 at 1", "removed SN1 batch 1 at 2"}
                                                                 << qint64(0);
    QTest::newRow("record inserted into a batch")
        << Tamper([](PlainArchive &a) { a.Insert(1, 3, QStringLiteral("6")); })
        << QStringList{"added SN1 batch 2 test 6"} << qint64(0);
    QTest::newRow("record inserted in no batch")
        << Tamper([](PlainArchive &a) { a.Insert(2, std::nullopt, QStringLiteral("13")); })
        << QStringList{"added SN2 test 13"} << qint64(0);
    QTest::newRow("record inserted into a batch that is not there")
        << Tamper([](PlainArchive &a) { a.Insert(2, 99, QStringLiteral("13")); })
        << QStringList{"added SN2 test 13"} << qint64(0);
    QTest::newRow("removed and another inserted") << Tamper([](PlainArchive &a) {
        a.records.removeAt(0);
        a.Insert(1, 1, QStringLiteral("9"));
    }) << QStringList{"removed SN1 batch 1 at 1", "added SN1 batch 1 test 9"}
                                                  << qint64(0);
    QTest::newRow("batch hash edited")
        << Tamper([](PlainArchive &a) { a.Batch(2, 1)->hash = QByteArray(64, 'f'); })
        << QStringList{"batch altered SN2 batch 1"} << qint64(0);
    QTest::newRow("batch's PC edited")
        << Tamper([](PlainArchive &a) { a.Batch(1, 1)->pc = QStringLiteral("PC9"); })
        << QStringList{"batch altered SN1 batch 1"} << qint64(0);
    QTest::newRow("batch edited, its hash taken again") << Tamper([](PlainArchive &a) {
        ArchiveBatch *b = a.Batch(1, 1);
        b->madeAt += 1000;
        b->hash = BatchHash(*b);
    }) << QStringList{"batch unlinked SN1 batch 2"} << qint64(0);
    QTest::newRow("batch's fingerprints cut, its hash taken again") << Tamper([](PlainArchive &a) {
        ArchiveBatch *b = a.Batch(1, 2);
        b->fingerprints.chop(64);
        b->hash = BatchHash(*b);
    }) << QStringList{"batch altered SN1 batch 2", "added SN1 batch 2 test 5"}
                                                                    << qint64(0);
    QTest::newRow("batch removed") << Tamper([](PlainArchive &a) {
        a.batches.removeAt(0);
        a.records.remove(0, 3);
    }) << QStringList{"batch unlinked SN1 batch 2"}
                                   << qint64(0);
    QTest::newRow("batch removed, its records left")
        << Tamper([](PlainArchive &a) { a.batches.removeAt(0); })
        << QStringList{"batch unlinked SN1 batch 2", "added SN1 test 1", "added SN1 test 2",
                       "added SN1 test 3"}
        << qint64(0);
}

void TestArchiveVerify::breaksNamed()
{
    QFETCH(Tamper, tamper);
    QFETCH(QStringList, breaks);
    QFETCH(qint64, deleted);
    PlainArchive archive = Made();
    const qint64 made = archive.records.size();
    tamper(archive);
    const ArchiveVerdict verdict = Verified(archive);
    QStringList found;
    for (const VerifyBreak &b : verdict.breaks)
        found << Brief(b);
    found.sort();
    breaks.sort();
    QCOMPARE(found, breaks);
    QCOMPARE(verdict.breakCount, qint64(breaks.size()));
    QCOMPARE(verdict.Intact(), breaks.isEmpty());
    QCOMPARE(verdict.deleted, deleted);
    QCOMPARE(verdict.records, qint64(archive.records.size()));
    QCOMPARE(verdict.testers.size(), 2);
    if (!breaks.isEmpty())
        return;
    // An intact archive: each tester's head is the hash of its last batch.
    QCOMPARE(verdict.testers[0].head, archive.Batch(1, 2)->hash);
    QCOMPARE(verdict.testers[1].head, archive.Batch(2, 1)->hash);
    QCOMPARE(verdict.testers[0].batches, qint64(2));
    QCOMPARE(verdict.testers[0].records + verdict.testers[1].records + deleted, made);
}

void TestArchiveVerify::breaksBeyondTheNamedAreCounted()
{
    PlainArchive archive = Made();
    for (int i = 0; i < NamedBreaksAtMost + 5; ++i)
        archive.Insert(2, std::nullopt, QString::number(100 + i));
    const ArchiveVerdict verdict = Verified(archive);
    QCOMPARE(verdict.breaks.size(), NamedBreaksAtMost);
    QCOMPARE(verdict.breakCount, qint64(NamedBreaksAtMost + 5));
    QVERIFY(VerifyReportLines(verdict, 0).last().contains(QLatin1String("and 5 more breaks")));
}

void TestArchiveVerify::damageIsABreak()
{
    ArchiveVerifier v;
    v.AddDamage(QStringLiteral("Page 7 is never used"));
    const ArchiveVerdict verdict = v.Finish();
    QVERIFY(!verdict.Intact());
    QCOMPARE(VerifyBreakText(verdict.breaks.value(0)),
             QStringLiteral("the archive file is damaged: Page 7 is never used"));
}

void TestArchiveVerify::sealOfAPrintout()
{
    SelectionSeal seal;
    seal.records = 2;
    seal.fingerprint = QByteArray(64, 'a');
    const QString fingerprint = "Fingerprint : " + QString(64, QLatin1Char('a'));
    QCOMPARE(SelectionSealLines(seal), (QStringList{fingerprint, "Last verify : none"}));
    seal.lastVerifiedAt = QDateTime(QDate(2026, 12, 8), QTime(10, 15)).toMSecsSinceEpoch();
    seal.lastVerdict = QStringLiteral("3 breaks");
    const QStringList lines = SelectionSealLines(seal);
    QCOMPARE(lines.value(0), fingerprint);
    QVERIFY2(lines.value(1).startsWith("Last verify : 08 - Dec - 2026") &&
                 lines.value(1).endsWith(", 3 breaks"),
             qPrintable(lines.value(1)));
}

void TestArchiveVerify::words_data()
{
    QTest::addColumn<VerifyBreak>("found");
    QTest::addColumn<QString>("words");
    const auto make = [](VerifyBreakKind kind, qint64 batch, const QString &testNo) {
        VerifyBreak b;
        b.kind = kind;
        b.serialNumber = QStringLiteral("SN0012345");
        b.batchNumber = batch;
        b.testNo = testNo;
        if (!testNo.isEmpty()) {
            b.date = QStringLiteral("01-Jan-2021");
            b.time = QStringLiteral("10:15:00");
        }
        return b;
    };
    QTest::newRow("changed") << make(VerifyBreakKind::Changed, 3, QStringLiteral("17"))
                             << "Tester SN0012345, batch 3, record 17 (01-Jan-2021 10:15:00): "
                                "changed";
    VerifyBreak removed = make(VerifyBreakKind::Removed, 3, {});
    removed.position = 2;
    removed.fingerprint = QByteArray(64, 'c');
    QTest::newRow("removed") << removed
                             << "Tester SN0012345, batch 3, its record 2 (fingerprint " +
                                    QString(64, QLatin1Char('c')) +
                                    "): removed without a deletion entry";
    QTest::newRow("added") << make(VerifyBreakKind::Added, 0, QStringLiteral("18"))
                           << "Tester SN0012345, record 18 (01-Jan-2021 10:15:00): added "
                              "outside a batch";
    QTest::newRow("batch hash") << make(VerifyBreakKind::BatchAltered, 4, {})
                                << "Tester SN0012345, batch 4: batch altered: its hash does not "
                                   "match its contents";
    QTest::newRow("batch link") << make(VerifyBreakKind::BatchUnlinked, 4, {})
                                << "Tester SN0012345, batch 4: batch altered: its link to the "
                                   "batch before it is broken";
}

void TestArchiveVerify::words()
{
    QFETCH(VerifyBreak, found);
    QFETCH(QString, words);
    QCOMPARE(VerifyBreakText(found), words);

    ArchiveVerdict verdict;
    verdict.records = 124503;
    verdict.testers.resize(37);
    QCOMPARE(VerifySummaryText(verdict, 2140),
             QStringLiteral("Verified 124,503 records of 37 testers in 2.1 s: intact"));
    verdict.breaks << found;
    verdict.breakCount = 1;
    verdict.testers.resize(1);
    verdict.records = 1;
    QCOMPARE(VerifySummaryText(verdict, 60),
             QStringLiteral("Verified 1 record of 1 tester in 0.1 s: not intact, 1 break"));
    QCOMPARE(VerifyAuditDetails(verdict), QStringLiteral("1 breaks"));
}

QTEST_GUILESS_MAIN(TestArchiveVerify)
#include "tst_archiveverify.moc"
