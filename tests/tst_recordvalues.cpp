// Reading a record's time, and its reading as a number and a unit, as the
// chart and the workbook take them, and its date as a day.

#include "records/data/recordvalues.h"

#include <QtTest>

class TestRecordValues : public QObject
{
    Q_OBJECT
private slots:
    void timeOfDay_data()
    {
        QTest::addColumn<QString>("time");
        QTest::addColumn<int>("seconds"); // -1: no time
        QTest::newRow("colons") << "18:20:50" << 18 * 3600 + 20 * 60 + 50;
        QTest::newRow("tester's point") << "18:20.50" << 18 * 3600 + 20 * 60 + 50;
        QTest::newRow("minutes only") << "07:05" << 7 * 3600 + 5 * 60;
        QTest::newRow("one-digit hour, blanks") << " 7:05.09\r" << 7 * 3600 + 5 * 60 + 9;
        QTest::newRow("midnight") << "00:00:00" << 0;
        QTest::newRow("last second") << "23:59.59" << 86399;
        QTest::newRow("hour 24") << "24:00:00" << -1;
        QTest::newRow("minute 60") << "12:60" << -1;
        QTest::newRow("second 60") << "12:00:60" << -1;
        QTest::newRow("comma") << "12:00,10" << -1;
        QTest::newRow("trailing text") << "12:00:10x" << -1;
        QTest::newRow("short seconds") << "12:00:1" << -1;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("letters") << "ab:cd" << -1;
        QTest::newRow("other digits") << QString::fromUtf8("\u0661\u0662:00") << -1;
    }
    void timeOfDay()
    {
        QFETCH(QString, time);
        QFETCH(int, seconds);
        QCOMPARE(TimeOfDaySeconds(time).value_or(-1), seconds);
    }

    void readingParts_data()
    {
        QTest::addColumn<QString>("reading");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<double>("number"); // -1: no number
        QTest::newRow("%BAC") << "0.045%BAC"
                              << "0.045"
                              << "%BAC" << 0.045;
        QTest::newRow("per mille, its blank") << "0.120o/oo "
                                              << "0.120"
                                              << "o/oo " << 0.12;
        QTest::newRow("mg/L, not g/L") << "0.250mg/L"
                                       << "0.250"
                                       << "mg/L" << 0.25;
        QTest::newRow("ug/L, not g/L") << "  120ug/L"
                                       << "  120"
                                       << "ug/L" << 120.0;
        QTest::newRow("g/L") << "1.5g/L"
                             << "1.5"
                             << "g/L" << 1.5;
        QTest::newRow("ug/100mL") << "25ug/100mL"
                                  << "25"
                                  << "ug/100mL" << 25.0;
        QTest::newRow("bare") << "0.033"
                              << "0.033"
                              << "" << 0.033;
        QTest::newRow("no number") << "ERR%BAC"
                                   << "ERR"
                                   << "%BAC" << -1.0;
        QTest::newRow("number and text") << "0.03x%BAC"
                                         << "0.03x"
                                         << "%BAC" << -1.0;
        QTest::newRow("comma decimal") << "0,045%BAC"
                                       << "0,045"
                                       << "%BAC" << -1.0;
        QTest::newRow("empty") << ""
                               << ""
                               << "" << -1.0;
    }
    void readingParts()
    {
        QFETCH(QString, reading);
        QFETCH(QString, value);
        QFETCH(QString, unit);
        QFETCH(double, number);
        const ReadingParts parts = SplitReading(reading);
        QCOMPARE(parts.value.toString(), value);
        QCOMPARE(parts.unit.toString(), unit);
        QCOMPARE(ReadingNumber(parts.value).value_or(-1.0), number);
    }

    void dateOfRecord_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QDate>("day"); // invalid: no date
        QTest::newRow("tester's") << "11 - Mar - 2010" << QDate(2010, 3, 11);
        QTest::newRow("slashes") << "01 / Jan / 2009" << QDate(2009, 1, 1);
        QTest::newRow("blanks after") << "31 - Dec - 2099  " << QDate(2099, 12, 31);
        QTest::newRow("leap day") << "29 - Feb - 2012" << QDate(2012, 2, 29);
        QTest::newRow("no leap day") << "29 - Feb - 2011" << QDate();
        QTest::newRow("day 00") << "00 - Jan - 2010" << QDate();
        QTest::newRow("day 32") << "32 - Jan - 2010" << QDate();
        QTest::newRow("month in capitals") << "11 - MAR - 2010" << QDate();
        QTest::newRow("month 000") << "11 - 000 - 2010" << QDate();
        QTest::newRow("one-digit day") << "1 - Mar - 2010" << QDate();
        QTest::newRow("blank before") << " 11 - Mar - 2010" << QDate();
        QTest::newRow("text after") << "11 - Mar - 2010x" << QDate();
        QTest::newRow("letter between") << "11 x Mar - 2010" << QDate();
        QTest::newRow("two-digit year") << "11 - Mar - 10" << QDate();
        QTest::newRow("other digits")
            << QString::fromUtf8("11 - Mar - \u0662\u0660\u0661\u0660") << QDate();
        QTest::newRow("empty") << "" << QDate();
    }
    void dateOfRecord()
    {
        QFETCH(QString, date);
        QFETCH(QDate, day);
        QCOMPARE(DateOfRecord(date).value_or(QDate()), day);
    }
};

QTEST_APPLESS_MAIN(TestRecordValues)
#include "tst_recordvalues.moc"
