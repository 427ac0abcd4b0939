// The fingerprints of records, batches and sets pinned by known values
// (computed apart from this program), so that an archive fingerprinted by one
// version verifies under every later one.

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
