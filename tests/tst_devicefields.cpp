// The texts of the device dialogs: the tester's clock reply, the typed date
// and time, the PC clock texts and the serial number.

#include "device/devicefields.h"

#include <QTest>

class TestDeviceFields : public QObject
{
    Q_OBJECT

private slots:
    void clockReply_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::newRow("comma") << QByteArray("#2011-04-07,18:20.50") << "2011-04-07"
                               << "18:20.50";
        QTest::newRow("line end stays") << QByteArray("#2011-04-07,18:20.50\n") << "2011-04-07"
                                        << "18:20.50\n";
        QTest::newRow("blank") << QByteArray("#2011-04-07 18:20.50") << "2011-04-07"
                               << "18:20.50";
        QTest::newRow("any lead") << QByteArray("22011-04-07,18:20.50") << "2011-04-07"
                                  << "18:20.50";
        QTest::newRow("more after time") << QByteArray("#2011-04-07,18:20.50,OK 1") << "2011-04-07"
                                         << "18:20.50";
        QTest::newRow("no separator") << QByteArray("#2011-04-07\n18:20") << "2011-04-07\n18:20"
                                      << "";
        QTest::newRow("separator last") << QByteArray("#2011-04-07,") << "2011-04-07"
                                        << "";
        QTest::newRow("empty date") << QByteArray("# 18:20.50") << ""
                                    << "18:20.50";
        QTest::newRow("lead only") << QByteArray("#") << ""
                                   << "";
        QTest::newRow("empty") << QByteArray() << ""
                               << "";
        QTest::newRow("binary") << QByteArray("\x01\x00\xff,\x7f", 5)
                                << QString::fromLatin1(QByteArray("\x00\xff", 2)) << "\x7f";
        QTest::newRow("overlong date cut")
            << "#" + QByteArray(2000, '9') + ",1" << QString(MaxFieldLength, u'9') << "1";
        QTest::newRow("overlong time cut")
            << "#1," + QByteArray(2000, '8') << "1" << QString(MaxFieldLength, u'8');
    }
    void clockReply()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, date);
        QFETCH(QString, time);
        const ClockTexts texts = ParseClockReply(reply);
        QCOMPARE(texts.Date, date);
        QCOMPARE(texts.Time, time);
    }

    void typedDate_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("date"); // invalid: refused
        QTest::newRow("plain") << "2011-04-07" << QDate(2011, 4, 7);
        QTest::newRow("last day") << "3000-12-31" << QDate(3000, 12, 31);
        QTest::newRow("leap day") << "2012-02-29" << QDate(2012, 2, 29);
        QTest::newRow("blanks before numbers") << "2011- 4- 7" << QDate(2011, 4, 7);
        QTest::newRow("leading blank") << " 2011-4-07" << QDate(2011, 4, 7);
        QTest::newRow("rest ignored") << "2011-04-07 and more" << QDate(2011, 4, 7);
        QTest::newRow("too short") << "2011-4-7" << QDate();
        QTest::newRow("31 February") << "2011-02-31" << QDate();
        QTest::newRow("31 April") << "2011-04-31" << QDate();
        QTest::newRow("29 February, no leap year") << "2011-02-29" << QDate();
        QTest::newRow("year before") << "1999-12-31" << QDate();
        QTest::newRow("year after") << "3001-01-01" << QDate();
        QTest::newRow("month 13") << "2011-13-01" << QDate();
        QTest::newRow("month 0") << "2011-00-10" << QDate();
        QTest::newRow("day 32") << "2011-01-32" << QDate();
        QTest::newRow("slashes") << "2011/04/07" << QDate();
        QTest::newRow("blank before dash") << "2011 -04-07" << QDate();
        QTest::newRow("two numbers") << "2011-04-  " << QDate();
        QTest::newRow("letters") << "abcdefghij" << QDate();
        QTest::newRow("huge year") << "99999999999999-01-01" << QDate();
        QTest::newRow("negative day") << "2011-04--7" << QDate();
    }
    void typedDate()
    {
        QFETCH(QString, text);
        QFETCH(QDate, date);
        const std::optional<QDate> checked = CheckedDate(text);
        QCOMPARE(checked.has_value(), date.isValid());
        if (checked)
            QCOMPARE(*checked, date);
    }

    void typedTime_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QTime>("time"); // invalid: refused
        QTest::newRow("plain") << "18:20.50" << QTime(18, 20, 50);
        QTest::newRow("last second") << "23:59.59" << QTime(23, 59, 59);
        QTest::newRow("midnight") << "00:00.00" << QTime(0, 0, 0);
        QTest::newRow("few digits, enough length") << " 8:5.0  " << QTime(8, 5, 0);
        QTest::newRow("line end after") << "18:20.50\n" << QTime(18, 20, 50);
        QTest::newRow("hour 24") << "24:00.00" << QTime();
        QTest::newRow("too short") << "8:05.00" << QTime();
        QTest::newRow("minute 60") << "18:60.00" << QTime();
        QTest::newRow("second 60") << "18:20.60" << QTime();
        QTest::newRow("negative hour") << "-1:00.00" << QTime();
        QTest::newRow("colon for point") << "18:20:50" << QTime();
        QTest::newRow("letters") << "hh:nn.ss" << QTime();
    }
    void typedTime()
    {
        QFETCH(QString, text);
        QFETCH(QTime, time);
        const std::optional<QTime> checked = CheckedTime(text);
        QCOMPARE(checked.has_value(), time.isValid());
        if (checked)
            QCOMPARE(*checked, time);
    }

    void pcClockTexts()
    {
        const QDateTime morning(QDate(2011, 1, 5), QTime(8, 5, 3));
        QCOMPARE(PcDateText(morning), QStringLiteral("2011-01-05"));
        QCOMPARE(PcTimeText(morning), QStringLiteral("08:05.03"));
        QVERIFY(CheckedDate(PcDateText(morning)).has_value());
        QVERIFY(CheckedTime(PcTimeText(morning)).has_value());
    }

    void serialNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("nine") << "KT0012345" << true;
        QTest::newRow("blanks and signs") << "A 1-2.3/4" << true;
        QTest::newRow("eight") << "KT001234" << false;
        QTest::newRow("ten") << "KT00123456" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("Hangul") << QString::fromUtf8("KT001234한") << false;
        QTest::newRow("tab") << "KT00\t2345" << false;
    }
    void serialNumber()
    {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QCOMPARE(IsSerialNumber(text), accepted);
    }
};

QTEST_GUILESS_MAIN(TestDeviceFields)
#include "tst_devicefields.moc"
