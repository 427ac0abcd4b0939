// "Delete Old…" and the audit trail in the operator's words: the cut-off as
// typed, the minimum retention it must leave alone, the scope and the last
// question, and the trail's entries as listed, saved and printed.

#include "archive/archivewords.h"
#include "archive/cutoff.h"
#include "archive/store/archivetrail.h"
#include "archive/trailrows.h"

#include <QDateTime>
#include <QtTest>

Q_DECLARE_METATYPE(TrailEntry)

namespace {
TrailEntry Entry(TrailKind kind, const QString &name, const QString &serial, qint64 count,
                 qint64 already = 0)
{
    TrailEntry e;
    e.at = QDateTime(QDate(2026, 12, 8), QTime(5, 4, 1)).toMSecsSinceEpoch();
    e.pc = QStringLiteral("PC-7");
    e.user = QStringLiteral("anna");
    e.kind = kind;
    e.kindName = name;
    e.serialNumber = serial;
    e.count = count;
    e.already = already;
    return e;
}
} // namespace

class TestTrailWords : public QObject
{
    Q_OBJECT

private slots:
    void typedCutOff_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QDate>("day"); // invalid: refused
        QTest::newRow("picked") << "2021-01-01" << QDate(2021, 1, 1);
        QTest::newRow("blanks around") << "  2020-02-29 " << QDate(2020, 2, 29);
        QTest::newRow("as listed") << "01 - Jan - 2021" << QDate(2021, 1, 1);
        QTest::newRow("no such day") << "2021-02-29" << QDate();
        QTest::newRow("month 13") << "2021-13-01" << QDate();
        QTest::newRow("short") << "2021-1-1" << QDate();
        QTest::newRow("listed, no such day") << "31 - Apr - 2021" << QDate();
        QTest::newRow("empty") << "" << QDate();
        QTest::newRow("words") << "last year" << QDate();
    }
    void typedCutOff()
    {
        QFETCH(QString, typed);
        QFETCH(QDate, day);
        QCOMPARE(TypedCutOff(typed).value_or(QDate()), day);
    }

    void retention_data()
    {
        QTest::addColumn<int>("years");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QDate>("cutOff");
        QTest::addColumn<bool>("inside");
        QTest::addColumn<QString>("refusal");
        const QDate today(2026, 12, 8);
        const QString five = "Records are kept at least 5 years: the cut-off can be 08 - Dec - "
                             "2021 at the latest";
        QTest::newRow("the latest day") << 5 << today << QDate(2021, 12, 8) << false << five;
        QTest::newRow("a day later") << 5 << today << QDate(2021, 12, 9) << true << five;
        QTest::newRow("long before") << 5 << today << QDate(2010, 1, 1) << false << five;
        QTest::newRow("today") << 5 << today << today << true << five;
        QTest::newRow("one year") << 1 << today << QDate(2025, 12, 9) << true
                                  << "Records are kept at least 1 year: the cut-off can be 08 - "
                                     "Dec - 2025 at the latest";
        QTest::newRow("29 February")
            << 5 << QDate(2024, 2, 29) << QDate(2019, 3, 1) << true
            << "Records are kept at least 5 years: the cut-off can be 28 - Feb - 2019 at the "
               "latest";
    }
    void retention()
    {
        QFETCH(int, years);
        QFETCH(QDate, today);
        QFETCH(QDate, cutOff);
        QFETCH(bool, inside);
        QFETCH(QString, refusal);
        QCOMPARE(InsideRetention(cutOff, years, today), inside);
        QCOMPARE(RetentionRefusalText(years, LatestCutOff(years, today)), refusal);
    }

    void deleteTexts_data()
    {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<int>("testers");
        QTest::addColumn<qint64>("count");
        QTest::addColumn<QStringList>("texts"); // scope, question, count
        QTest::newRow("one tester")
            << "SN0012345" << 37 << 1509LL
            << QStringList{"Tester SN0012345",
                           "Delete 1,509 records of tester SN0012345 dated before 01 - Jan - 2021?",
                           "1,509 records dated before 01 - Jan - 2021"};
        QTest::newRow("all testers")
            << "" << 37 << 124503LL
            << QStringList{"All 37 testers",
                           "Delete 124,503 records of all 37 testers dated before 01 - Jan - 2021?",
                           "124,503 records dated before 01 - Jan - 2021"};
        QTest::newRow("one record") << "SN1" << 2 << 1LL
                                    << QStringList{"Tester SN1",
                                                   "Delete 1 record of tester SN1 dated before "
                                                   "01 - Jan - 2021?",
                                                   "1 record dated before 01 - Jan - 2021"};
        QTest::newRow("none") << "SN1" << 1 << 0LL
                              << QStringList{"Tester SN1",
                                             "Delete 0 records of tester SN1 dated before 01 - "
                                             "Jan - 2021?",
                                             "No records dated before 01 - Jan - 2021"};
        QTest::newRow("the only tester")
            << "" << 1 << 5LL
            << QStringList{"All testers (1)",
                           "Delete 5 records of all testers (1) dated before 01 - Jan - 2021?",
                           "5 records dated before 01 - Jan - 2021"};
    }
    void deleteTexts()
    {
        QFETCH(QString, serial);
        QFETCH(int, testers);
        QFETCH(qint64, count);
        QFETCH(QStringList, texts);
        QCOMPARE(QStringList({DeleteScopeText(serial, testers),
                              DeleteQuestionText(count, serial, testers, 20210101),
                              DeleteCountText(count, 20210101)}),
                 texts);
    }

    void trailEntries_data()
    {
        QTest::addColumn<TrailEntry>("entry");
        QTest::addColumn<QString>("listed"); // the list's cells, '|' between them
        QTest::addColumn<QString>("saved");  // the file's line, '|' for the tabs
        const QString at = "08 - Dec - 2026 05:04:01|";
        const QString savedAt = "2026-12-08 05:04:01|";
        TrailEntry import = Entry(TrailKind::Import, "import", "SN0012345", 12, 3);
        import.source = "old\tfile.DAT";
        import.hash = "ab12";
        QTest::newRow("download") << Entry(TrailKind::Download, "download", "SN0012345", 1509)
                                  << at + "Download|SN0012345|1,509 new, 0 already there|PC-7|"
                                          "anna|"
                                  << savedAt + "Download|SN0012345|1509|0|PC-7|anna||";
        QTest::newRow("import, a tab in its name")
            << import << at + "Import|SN0012345|12 new, 3 already there|PC-7|anna|old\tfile.DAT"
            << savedAt + "Import|SN0012345|12|3|PC-7|anna|old file.DAT|ab12";
        TrailEntry sent = Entry(TrailKind::Sent, "sent", "SN1", 4);
        sent.source = "PC-2";
        QTest::newRow("sent") << sent << at + "Sent|SN1|4 new, 0 already there|PC-7|anna|from PC-2"
                              << savedAt + "Sent|SN1|4|0|PC-7|anna|from PC-2|";
        QTest::newRow("carried over") << Entry(TrailKind::CarriedOver, "carried over", "SN1", 70)
                                      << at + "Carried over|SN1|70 new, 0 already there|PC-7|anna|"
                                      << savedAt + "Carried over|SN1|70|0|PC-7|anna||";
        TrailEntry all = Entry(TrailKind::Deletion, "deletion", "", 124503);
        all.cutOff = 20210101;
        all.hash = "ff00";
        QTest::newRow("deletion of all testers")
            << all
            << at + "Deletion|all testers|124,503 deleted|PC-7|anna|dated before 01 - Jan - 2021"
            << savedAt + "Deletion|all testers|124503||PC-7|anna|dated before 01 - Jan - 2021|ff00";
        TrailEntry setting = Entry(TrailKind::Setting, "setting", "", 0);
        setting.details = "retention_years 5 -> 7";
        QTest::newRow("retention set")
            << setting << at + "Setting|||PC-7|anna|Keep records at least 5 -> 7 years"
            << savedAt + "Setting||||PC-7|anna|Keep records at least 5 -> 7 years|";
        setting.details = "calibration_months 12 -> 24";
        QTest::newRow("calibration set")
            << setting << at + "Setting|||PC-7|anna|Calibration every 12 -> 24 months"
            << savedAt + "Setting||||PC-7|anna|Calibration every 12 -> 24 months|";
        TrailEntry verify = Entry(TrailKind::Verify, "verify", "", 124503);
        verify.details = "intact";
        QTest::newRow("verify") << verify
                                << at + "Verify|all testers|124,503 verified|PC-7|anna|intact"
                                << savedAt + "Verify|all testers|124503||PC-7|anna|intact|";
        QTest::newRow("a kind of a newer program")
            << Entry(TrailKind::Other, "rekeyed", "SN1", 2) << at + "rekeyed|SN1||PC-7|anna|"
            << savedAt + "rekeyed|SN1|2||PC-7|anna||";
    }
    void trailEntries()
    {
        QFETCH(TrailEntry, entry);
        QFETCH(QString, listed);
        QFETCH(QString, saved);
        QCOMPARE(TrailRow(entry).join(u'|'), listed);
        const QByteArray heading =
            "Time\tEntry\tTester\tRecords\tAlready there\tPC\tUser\tDetails\tFingerprint\r\n";
        QCOMPARE(TrailFileBytes({entry}),
                 "\xEF\xBB\xBF" + heading + saved.replace(u'|', u'\t').toUtf8() + "\r\n");
        // Printed: PC and user in one column.
        const GridRows printed = TrailPrintRows({entry});
        QCOMPARE(printed.size(), 2);
        QCOMPARE(printed[0].size(), TrailPrintColumns().size());
        QCOMPARE(printed[1][4], QStringLiteral("PC-7 / anna"));
    }

    void savedInUtf8()
    {
        TrailEntry e = Entry(TrailKind::Import, "import", "SN1", 1);
        e.source = QStringLiteral("검사기록.DAT");
        e.user = QStringLiteral("Jürgen");
        const QByteArray bytes = TrailFileBytes({e});
        QVERIFY(bytes.contains(QStringLiteral("검사기록.DAT").toUtf8()));
        QVERIFY(bytes.contains("J\xC3\xBCrgen"));
    }

    void filterWords_data()
    {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<long>("from");
        QTest::addColumn<long>("to");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("everything")
            << "" << 0L << 0L << QStringList{"Tester : all testers", "Dates : all"};
        QTest::newRow("a tester, a period")
            << "SN0012345" << 20210101L << 20211231L
            << QStringList{"Tester : SN0012345 and all testers",
                           "Dates : 01 - Jan - 2021 to 31 - Dec - 2021"};
        QTest::newRow("from") << "" << 20210101L << 0L
                              << QStringList{"Tester : all testers",
                                             "Dates : from 01 - Jan - 2021"};
        QTest::newRow("to") << "" << 0L << 20211231L
                            << QStringList{"Tester : all testers", "Dates : to 31 - Dec - 2021"};
    }
    void filterWords()
    {
        QFETCH(QString, serial);
        QFETCH(long, from);
        QFETCH(long, to);
        QFETCH(QStringList, words);
        QCOMPARE(TrailFilterWords(serial, from, to), words);
        const QStringList header =
            TrailPrintHeader(serial, from, to, 1234, QDateTime(QDate(2026, 12, 8), QTime(5, 4, 1)));
        const QStringList expected =
            QStringList{"Audit trail"} + words +
            QStringList{"Entries : 1,234", "Printed : 08 - Dec - 2026 05:04"};
        QCOMPARE(header, expected);
    }
};

QTEST_MAIN(TestTrailWords)
#include "tst_trailwords.moc"
