// The texts of the device dialogs: the tester's clock reply and the typed
// date and time.

#include "device/devicefields.h"

#include <QTest>

class TestDeviceFields : public QObject
{
    Q_OBJECT

private slots:
    void clockReply_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QStringList>("fields"); // date, time
        QTest::newRow("comma, line end stays")
            << QByteArray("#2011-04-07,18:20.50\n") << QStringList{"2011-04-07", "18:20.50\n"};
        QTest::newRow("blank, any lead, rest dropped")
            << QByteArray("22011-04-07 18:20.50,OK") << QStringList{"2011-04-07", "18:20.50"};
        QTest::newRow("no separator") << QByteArray("#2011\n1") << QStringList{"2011\n1", ""};
        QTest::newRow("lead only") << QByteArray("#") << QStringList{"", ""};
        QTest::newRow("binary") << QByteArray("\x01\x00\xff,\x7f", 5)
                                << QStringList{QString::fromLatin1("\0\xff", 2), "\x7f"};
        QTest::newRow("overlong cut") << "#" + QByteArray(2000, '9') + ",1"
                                      << QStringList{QString(MaxFieldLength, u'9'), "1"};
    }
    void clockReply()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QStringList, fields);
        const ClockTexts texts = ParseClockReply(reply);
        QCOMPARE(QStringList({texts.Date, texts.Time}), fields);
    }

    // Dates have a "-" in their row name; the value is empty when refused.
    void typedEntries_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("value");
        const QList<std::pair<const char *, const char *>> rows = {
            {"2011-04-07", "2011-04-07"},
            {"3000-12-31 rest", "3000-12-31"},
            {"2012-02-29", "2012-02-29"},
            {" 2011- 4-7", "2011-04-07"},
            {"2011-4-7", ""},
            {"2011-02-31", ""},
            {"2011-04-31", ""},
            {"2011-02-29", ""},
            {"1999-12-31", ""},
            {"2011-13-01", ""},
            {"2011-00-10", ""},
            {"2011 -04-07", ""},
            {"99999999999-01-01", ""},
            {"23:59.59", "23:59:59"},
            {" 8:5.0  ", "08:05:00"},
            {"24:00.00", ""},
            {"8:05.00", ""},
            {"18:60.00", ""},
            {"18:20:50", ""}};
        for (const auto &[text, value] : rows)
            QTest::newRow(text) << text << value;
    }
    void typedEntries()
    {
        QFETCH(QString, text);
        QFETCH(QString, value);
        const bool date = text.contains(u'-');
        const std::optional<QDate> d = CheckedDate(text);
        const std::optional<QTime> t = CheckedTime(text);
        QCOMPARE(date ? (d ? d->toString(Qt::ISODate) : QString())
                      : (t ? t->toString(Qt::ISODate) : QString()),
                 value);
    }
};

QTEST_GUILESS_MAIN(TestDeviceFields)
#include "tst_devicefields.moc"
