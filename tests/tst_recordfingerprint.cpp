// The fingerprints of records, batches and sets pinned by known values
// (computed apart from this program), so that an archive fingerprinted by one
// version verifies under every later one.

#include "archive/store/fingerprintahead.h"
#include "archive/store/recordfingerprint.h"

#include <QtTest>

namespace {

const char First[] = "2b6f69a7ed11cbe4458be24073e208c497591f7d1a90ce44a9de18b407cac39f";
const char Second[] = "5250a4dd2e4280824faca7bd34578666c12be1b90cf667e4beb07eb2c2eb12cc";

GridRow FirstRow()
{
    return {QStringLiteral("00001"), QStringLiteral("01 - Jan - 2021"),
            QStringLiteral("08:15"), QStringLiteral("0.000 o/oo "),
            QStringLiteral("PASS"),  QStringLiteral("Manual")};
}

GridRow SecondRow()
{
    return {QStringLiteral("00002"), QStringLiteral("02 - Feb - 2022"),
            QStringLiteral("23:59"), QStringLiteral("0.251 %BAC"),
            QStringLiteral("FAIL"),  QStringLiteral("-")};
}

ArchiveBatch FirstBatch()
{
    ArchiveBatch batch;
    batch.serialNumber = QStringLiteral("SN0012345");
    batch.number = 1;
    batch.madeAt = 1609459200000;
    batch.pc = QStringLiteral("PC-1");
    batch.osUser = QStringLiteral("anna");
    batch.kind = QStringLiteral("download");
    batch.added = 2;
    batch.fingerprints = QByteArray(First) + Second;
    batch.prevHash = FirstPrevHash();
    return batch;
}

// count records of one tester, each unlike the others.
GridRows ManyRows(int count)
{
    GridRows rows;
    for (int at = 0; at < count; ++at) {
        GridRow row = at % 2 ? SecondRow() : FirstRow();
        row[0] = QString::number(at);
        rows << row;
    }
    return rows;
}

} // namespace

class TestRecordFingerprint : public QObject
{
    Q_OBJECT

private slots:
    void record_data()
    {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QStringList>("row");
        QTest::addColumn<QByteArray>("fingerprint");
        QTest::newRow("download") << QStringLiteral("SN0012345") << FirstRow() << QByteArray(First);
        QTest::newRow("percent") << QStringLiteral("SN0012345") << SecondRow()
                                 << QByteArray(Second);
        QTest::newRow("empty texts")
            << QString() << QStringList(RecordColumns, QString())
            << QByteArray("406e1f76bf16026f0fd2ed4ea6da8704c76977c1676827be234c651c56e23e09");
        // Lengths in bytes of UTF-8, a NUL kept within its field.
        QTest::newRow("non-ASCII and NUL")
            << QStringLiteral("SN\u00c4")
            << QStringList{QStringLiteral("1"),
                           QStringLiteral("\u00c4rger"),
                           QString::fromLatin1("x\0y", 3),
                           QString(),
                           QString(),
                           QString()}
            << QByteArray("c8e3e35fd6540f79938d3b162c665edaf5f40d73b4e20fcd5652f349d0b6953d");
        // The same characters split differently between two fields.
        QTest::newRow("12|3")
            << QStringLiteral("SN1")
            << QStringList{QStringLiteral("12"), QStringLiteral("3"), {}, {}, {}, {}}
            << QByteArray("f6814e6e063e2923db90c613cd31b58f6fc0411b2af14f2e4b57a9237b33b0b8");
        QTest::newRow("1|23")
            << QStringLiteral("SN1")
            << QStringList{QStringLiteral("1"), QStringLiteral("23"), {}, {}, {}, {}}
            << QByteArray("30bfbf4ff77fd6c4534fe54dfa32ca38c744595c56b90cc38d4dfcb1fe3c3b0e");
    }
    void record()
    {
        QFETCH(QString, serial);
        QFETCH(QStringList, row);
        QFETCH(QByteArray, fingerprint);
        QCOMPARE(RecordFingerprint(serial, row), fingerprint);
        // One fingerprinter over many records gives each its own value.
        RecordFingerprinter fingerprinter(serial);
        QCOMPARE(fingerprinter.Of(FirstRow()), RecordFingerprint(serial, FirstRow()));
        QCOMPARE(fingerprinter.Of(row), fingerprint);
        std::array<QStringView, RecordColumns> texts;
        for (int i = 0; i < RecordColumns; ++i)
            texts[size_t(i)] = row[i];
        QCOMPARE(fingerprinter.Of(texts), fingerprint);
    }

    void batch_data()
    {
        QTest::addColumn<bool>("second");
        QTest::addColumn<QByteArray>("hash");
        QTest::newRow("first of a tester")
            << false
            << QByteArray("28690d35190963a3336d8e4cdb8eca498a6af2d6a440549dc5e8d080066ecc64");
        QTest::newRow("chained import, nothing new")
            << true
            << QByteArray("33f04d4b92b843deef31a3e0089ad4aa2ae63146e17c219ad457a9b73d31074f");
    }
    void batch()
    {
        QFETCH(bool, second);
        QFETCH(QByteArray, hash);
        ArchiveBatch batch = FirstBatch();
        QCOMPARE(batch.prevHash, QByteArray(64, '0'));
        if (second) {
            batch.prevHash = BatchHash(batch);
            batch.number = 2;
            batch.madeAt = 1609459260000;
            batch.pc = QStringLiteral("PC-2");
            batch.osUser = QStringLiteral("bo");
            batch.kind = QStringLiteral("import");
            batch.source = QStringLiteral("SN0012345.DAT");
            batch.added = 0;
            batch.already = 2;
            batch.fingerprints.clear();
        }
        // Neither the row's id, its tester's id nor a stored hash is hashed.
        batch.id = 77;
        batch.testerId = 5;
        batch.hash = "whatever";
        QCOMPARE(BatchHash(batch), hash);
    }

    // Fingerprints taken on a thread of their own are those of
    // RecordFingerprint, in order, and the batch's hash is BatchHash's
    // whether every record was added, some, or none.
    void ahead_data()
    {
        QTest::addColumn<GridRows>("rows");
        QTest::addColumn<int>("added"); // the first added records, the rest already there
        QTest::addColumn<QByteArray>("hash");
        QTest::newRow("none") << GridRows() << 0 << QByteArray();
        QTest::newRow("one") << GridRows{FirstRow()} << 1 << QByteArray();
        QTest::newRow("the first batch")
            << GridRows{FirstRow(), SecondRow()} << 2
            << QByteArray("28690d35190963a3336d8e4cdb8eca498a6af2d6a440549dc5e8d080066ecc64");
        QTest::newRow("many") << ManyRows(5000) << 5000 << QByteArray();
        QTest::newRow("many, some there already") << ManyRows(5000) << 1234 << QByteArray();
        QTest::newRow("many, all there already") << ManyRows(300) << 0 << QByteArray();
    }
    void ahead()
    {
        QFETCH(GridRows, rows);
        QFETCH(int, added);
        QFETCH(QByteArray, hash);
        const QString serial = QStringLiteral("SN0012345");
        FingerprintAhead ahead(serial, rows);
        ArchiveBatch batch = FirstBatch();
        batch.fingerprints.clear();
        ahead.HashBatch(batch);
        QCOMPARE(ahead.Size(), rows.size());
        QByteArray all;
        for (qsizetype at = 0; at < rows.size(); ++at) {
            const QByteArray expected = RecordFingerprint(serial, rows[at]);
            QCOMPARE(ahead.At(at).toByteArray(), expected);
            all += expected;
        }
        QCOMPARE(ahead.First(rows.size()), all);
        QCOMPARE(ahead.First(added), all.left(added * FingerprintLength));
        batch.added = added;
        batch.already = rows.size() - added;
        batch.fingerprints = ahead.First(added);
        const QByteArray taken = ahead.BatchHashOf(batch);
        QCOMPARE(taken, BatchHash(batch));
        if (!hash.isEmpty())
            QCOMPARE(taken, hash);
        // Another batch than the one asked for is hashed as it is.
        batch.number = 2;
        QCOMPARE(ahead.BatchHashOf(batch), BatchHash(batch));
    }

    // Given up at once (a failure, a cancel) or never asked for the batch:
    // the thread stops and is waited for, with no hang.
    void ahead_given_up_data()
    {
        QTest::addColumn<int>("read");
        QTest::newRow("nothing read") << 0;
        QTest::newRow("some read") << 10;
        QTest::newRow("all read, no batch") << 2000;
    }
    void ahead_given_up()
    {
        QFETCH(int, read);
        const GridRows rows = ManyRows(2000);
        QElapsedTimer timer;
        timer.start();
        {
            FingerprintAhead ahead(QStringLiteral("SN1"), rows);
            if (read > 0)
                QCOMPARE(ahead.At(read - 1).toByteArray(),
                         RecordFingerprint(QStringLiteral("SN1"), rows[read - 1]));
        }
        QVERIFY(timer.elapsed() < 10000);
    }

    void set_data()
    {
        QTest::addColumn<QByteArray>("fingerprints");
        QTest::addColumn<QByteArray>("set");
        QTest::newRow("two in order")
            << QByteArray(First) + Second
            << QByteArray("6fa5508d539052c8c1419393c69a17283ecd3f9130c2f80e96fbf2ad15f8c1e0");
        QTest::newRow("the other order")
            << QByteArray(Second) + First
            << QByteArray("b73bc8d8b749a07e37e88b1f2927ef769b85be0425c752065ce10eac0ae6eff4");
        QTest::newRow("empty")
            << QByteArray()
            << QByteArray("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    }
    void set()
    {
        QFETCH(QByteArray, fingerprints);
        QFETCH(QByteArray, set);
        QCOMPARE(SetFingerprint(fingerprints), set);
        SetFingerprinter one;
        for (qsizetype at = 0; at < fingerprints.size(); at += FingerprintLength)
            one.Add(QByteArrayView(fingerprints).sliced(at, FingerprintLength));
        QCOMPARE(one.Result(), set);
    }
};

QTEST_GUILESS_MAIN(TestRecordFingerprint)
#include "tst_recordfingerprint.moc"
