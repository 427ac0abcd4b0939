#include "device/devicefields.h"
#include "records/data/download.h"

#include <QtTest>

namespace {

const QString Date = QStringLiteral("05 / Jan / 2010");

QByteArray RecordLine(int index)
{
    return QByteArray::number(index).rightJustified(4, '0') +
           ",05 / Jan / 2010,10:00,0.050,1,0,1\n";
}

QByteArray DownloadReplyOf(const QByteArray &countText, int lines)
{
    QByteArray reply = "$D" + countText + "\n";
    for (int k = 1; k <= lines; ++k)
        reply += RecordLine(k);
    return reply;
}

} // namespace

class TestDownload : public QObject
{
    Q_OBJECT

private slots:
    void recordLine_data();
    void recordLine();
    void header_data();
    void header();
    void identification();
    void identificationLineLengths_data();
    void identificationLineLengths();
    void identificationCountNotSeven_data();
    void identificationCountNotSeven();
    void downloadCount_data();
    void downloadCount();
    void zeroByteEndsTheReply();
    void overlongRecordLine();
    void cutShortRepliesAreRefused_data();
    void cutShortRepliesAreRefused();
    void progress_data();
    void progress();
};

void TestDownload::recordLine_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QStringList>("cells");
    QTest::newRow("seven fields, no trailing comma")
        << QByteArray("0001,05 / Jan / 2010,10:00,0.050,1,0,1")
        << QStringList{"0001", Date, "10:00", "0.050%BAC", "PASS", "Manual"};
    QTest::newRow("unit 0 keeps its blank")
        << QByteArray("7,d,t,12.5,0,1,0") << QStringList{"7", "d", "t", "12.5o/oo ", "FAIL", "-"};
    QTest::newRow("unit 2") << QByteArray("7,d,t,0.25,2,0,1")
                            << QStringList{"7", "d", "t", "0.25mg/L", "PASS", "Manual"};
    QTest::newRow("unit 3 shows the reading bare")
        << QByteArray("7,d,t,0.25,3,0,1") << QStringList{"7", "d", "t", "0.25", "PASS", "Manual"};
    QTest::newRow("unit 4") << QByteArray("7,d,t,0.25,4,0,1")
                            << QStringList{"7", "d", "t", "0.25g/L", "PASS", "Manual"};
    QTest::newRow("unit 5") << QByteArray("7,d,t,0.25,5,0,1")
                            << QStringList{"7", "d", "t", "0.25ug/100mL", "PASS", "Manual"};
    QTest::newRow("unit 6") << QByteArray("7,d,t,0.25,6,0,1")
                            << QStringList{"7", "d", "t", "0.25ug/L", "PASS", "Manual"};
    QTest::newRow("unknown unit, only first character counts")
        << QByteArray("7,d,t,0.25,9,0,1") << QStringList{"7", "d", "t", "0.25", "PASS", "Manual"};
    QTest::newRow("codes read by their first character")
        << QByteArray("7,d,t,0.25,12,05,1x")
        << QStringList{"7", "d", "t", "0.25%BAC", "PASS", "Manual"};
    QTest::newRow("result 2 and sampling 0")
        << QByteArray("7,d,t,0.25,1,2,0") << QStringList{"7", "d", "t", "0.25%BAC", "-", "-"};
    QTest::newRow("carriage return after sampling code")
        << QByteArray("7,d,t,0.25,1,0,1\r")
        << QStringList{"7", "d", "t", "0.25%BAC", "PASS", "Manual"};
    QTest::newRow("empty fields") << QByteArray("7,,t,0.25,,,")
                                  << QStringList{"7", "", "t", "0.25", "-", "-"};
    QTest::newRow("fields after the seventh ignored")
        << QByteArray("7,d,t,0.25,1,0,1,extra,more,")
        << QStringList{"7", "d", "t", "0.25%BAC", "PASS", "Manual"};
    QTest::newRow("short line") << QByteArray("0001," + Date.toLatin1())
                                << QStringList{"0001", Date, "", "", "", ""};
    QTest::newRow("short line keeps its carriage return")
        << QByteArray("0001,d,10:00\r") << QStringList{"0001", "d", "10:00\r", "", "", ""};
    QTest::newRow("line ends after the unit")
        << QByteArray("7,d,t,0.25,1") << QStringList{"7", "d", "t", "0.25%BAC", "", ""};
    QTest::newRow("empty line") << QByteArray() << QStringList{"", "", "", "", "", ""};
    QTest::newRow("Latin-1 text") << QByteArray("7,d\xe9,t,1,1,0,1")
                                  << QStringList{"7",    QString::fromLatin1("d\xe9"),
                                                 "t",    "1%BAC",
                                                 "PASS", "Manual"};
}

void TestDownload::recordLine()
{
    QFETCH(QByteArray, line);
    QFETCH(QStringList, cells);
    GridRow row{"old", "old", "old", "old", "old", "old"};
    FillRecordRow(line, row);
    QCOMPARE(row, cells);
}

void TestDownload::header_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("read");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("next");
    QTest::newRow("plain") << QByteArray("$D12\nx") << true << 12 << 5;
    QTest::newRow("blanks and sign") << QByteArray("$D  -3\n") << true << -3 << 7;
    QTest::newRow("plus sign") << QByteArray("ab+7\n") << true << 7 << 5;
    QTest::newRow("any two characters") << QByteArray("\t 42\n") << true << 42 << 5;
    QTest::newRow("text after the number") << QByteArray("$D5 records\n") << true << 5 << 12;
    QTest::newRow("no line feed") << QByteArray("$D5") << true << 5 << 3;
    QTest::newRow("huge number clamped")
        << QByteArray("$D99999999999999\n") << true << INT_MAX << 17;
    QTest::newRow("no number") << QByteArray("$Dxx\n") << false << 0 << 5;
    QTest::newRow("sign without digits") << QByteArray("$D-\n") << false << 0 << 4;
    QTest::newRow("empty") << QByteArray() << false << 0 << 0;
    QTest::newRow("one character") << QByteArray("$") << false << 0 << 1;
    QTest::newRow("number only on the next line") << QByteArray("$D\n12,x\n") << false << 0 << 3;
    QTest::newRow("zero byte before the number") << QByteArray("$D\0"
                                                               "5\n",
                                                               5)
                                                 << false << 0 << 2;
}

void TestDownload::header()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, read);
    QFETCH(int, count);
    QFETCH(int, next);
    int gotCount = 0;
    int gotNext = -1;
    QCOMPARE(ReadReplyHeader(reply, &gotCount, &gotNext), read);
    if (read)
        QCOMPARE(gotCount, count);
    QCOMPARE(gotNext, next);
}

void TestDownload::identification()
{
    const QByteArray reply = "$i7\nQX4826 Kestrel\nSN-0042\nV1.07\n2010-01-31\n"
                             "2010-02-01\n123\n4567\n";
    IdentificationValues values;
    QVERIFY(ParseIdentification(reply, &values));
    QCOMPARE(values.lines, QStringList({"QX4826 Kestrel", "SN-0042", "V1.07", "2010-01-31",
                                        "2010-02-01", "123", "4567"}));
    QCOMPARE(values.present, QVector<bool>(7, true));
}

void TestDownload::identificationLineLengths_data()
{
    QTest::addColumn<QByteArray>("serial");
    QTest::addColumn<bool>("present");
    QTest::addColumn<QString>("serialValue");
    QTest::addColumn<QString>("versionValue");
    QTest::newRow("99 characters") << QByteArray(99, 'S') << true << QString(99, 'S') << "V1.07";
    // The line feed is the 101st character: the line gives nothing and the
    // line feed left over reads as an empty next line.
    QTest::newRow("100 characters") << QByteArray(100, 'S') << false << QString() << QString();
    QTest::newRow("150 characters")
        << QByteArray(100, 'S') + QByteArray(50, 'T') << false << QString() << QString(50, 'T');
}

void TestDownload::identificationLineLengths()
{
    QFETCH(QByteArray, serial);
    QFETCH(bool, present);
    QFETCH(QString, serialValue);
    QFETCH(QString, versionValue);
    const QByteArray reply = "$i7\nQX4826\n" + serial + "\nV1.07\n2010-01-31\na\nb\nc\n";
    IdentificationValues values;
    QVERIFY(ParseIdentification(reply, &values));
    QCOMPARE(values.present[1], present);
    QCOMPARE(values.lines[1], serialValue);
    QCOMPARE(values.lines[2], versionValue);
}

void TestDownload::identificationCountNotSeven_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("six announced") << QByteArray("$i6\nQX4826\nSN\nV\nC\na\nb\n");
    QTest::newRow("eight announced") << QByteArray("$i8\nQX4826\nSN\nV\nC\na\nb\nc\nd\n");
    QTest::newRow("empty reply") << QByteArray();
    QTest::newRow("no number") << QByteArray("$iX\nQX4826\n");
}

void TestDownload::identificationCountNotSeven()
{
    QFETCH(QByteArray, reply);
    IdentificationValues values;
    QVERIFY(!ParseIdentification(reply, &values));
    QCOMPARE(values.lines, QStringList(7, QString()));
    QCOMPARE(values.present, QVector<bool>(7, false));
}

void TestDownload::downloadCount_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("rows");
    QTest::newRow("zero") << DownloadReplyOf("0", 0) << int(DownloadStatus::NoData) << 0;
    QTest::newRow("one") << DownloadReplyOf("1", 1) << int(DownloadStatus::Ok) << 1;
    QTest::newRow("500") << DownloadReplyOf("500", 500) << int(DownloadStatus::Ok) << 500;
    QTest::newRow("501") << DownloadReplyOf("501", 501) << int(DownloadStatus::BadCount) << 0;
    QTest::newRow("minus one") << DownloadReplyOf("-1", 0) << int(DownloadStatus::BadCount) << 0;
    QTest::newRow("no number") << DownloadReplyOf("", 3) << int(DownloadStatus::BadCount) << 0;
    QTest::newRow("empty reply") << QByteArray() << int(DownloadStatus::BadCount) << 0;
}

void TestDownload::downloadCount()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, status);
    QFETCH(int, rows);
    const DownloadReply result = ParseDownload(reply);
    QCOMPARE(int(result.status), status);
    QCOMPARE(result.rows.size(), rows);
    if (rows > 0) {
        QCOMPARE(result.rows.first(),
                 QStringList({"0001", Date, "10:00", "0.050%BAC", "PASS", "Manual"}));
        QCOMPARE(result.rows.last()[0], QString::number(rows).rightJustified(4, '0'));
    }
}

void TestDownload::zeroByteEndsTheReply()
{
    // Processing stops at the zero byte, so the reply holds fewer lines than
    // announced.
    QByteArray reply = DownloadReplyOf("3", 3);
    reply[reply.indexOf("0002") + 6] = '\0';
    const DownloadReply result = ParseDownload(reply);
    QCOMPARE(result.status, DownloadStatus::Incomplete);
    QVERIFY(result.rows.isEmpty());
}

void TestDownload::overlongRecordLine()
{
    // The first 100 characters make one row; the rest reads as the next line.
    const QByteArray longLine = "0001,d,t,1.0,1,0,1," + QByteArray(81, 'x') + "0002,d2,t2\n";
    QCOMPARE(longLine.indexOf("0002"), 100);
    const DownloadReply result = ParseDownload("$D3\n" + longLine + RecordLine(3));
    QCOMPARE(result.status, DownloadStatus::Ok);
    QCOMPARE(result.rows.size(), 3);
    QCOMPARE(result.rows[0], QStringList({"0001", "d", "t", "1.0%BAC", "PASS", "Manual"}));
    QCOMPARE(result.rows[1], QStringList({"0002", "d2", "t2", "", "", ""}));
    QCOMPARE(result.rows[2][0], "0003");
}

void TestDownload::cutShortRepliesAreRefused_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("one line of four") << DownloadReplyOf("4", 1);
    QTest::newRow("last line without its line feed") << DownloadReplyOf("3", 3).chopped(1);
    QTest::newRow("last line cut in the middle") << DownloadReplyOf("3", 3).chopped(20);
    QTest::newRow("100 characters and no line feed") << "$D1\n" + QByteArray(100, '1');
}
void TestDownload::cutShortRepliesAreRefused()
{
    QFETCH(QByteArray, reply);
    const DownloadReply result = ParseDownload(reply);
    QCOMPARE(result.status, DownloadStatus::Incomplete);
    QVERIFY(result.rows.isEmpty());
}

void TestDownload::progress_data()
{
    QTest::addColumn<QByteArray>("replySoFar");
    QTest::addColumn<int>("received"); // -1: no progress yet
    QTest::addColumn<int>("announced");
    QTest::newRow("nothing yet") << QByteArray() << -1 << 0;
    QTest::newRow("header cut") << QByteArray("#D50") << -1 << 0;
    QTest::newRow("header") << QByteArray("#D500\n") << 0 << 500;
    QTest::newRow("a record and a half") << QByteArray("#D3\n1,a\n2,") << 1 << 3;
    QTest::newRow("more lines than announced") << QByteArray("#D2\n1\n2\n3\n") << 2 << 2;
    QTest::newRow("no data") << QByteArray("#D0\n") << -1 << 0;
    QTest::newRow("too many") << QByteArray("#D501\n") << -1 << 0;
}

void TestDownload::progress()
{
    QFETCH(QByteArray, replySoFar);
    QFETCH(int, received);
    QFETCH(int, announced);
    int got = -1;
    int count = 0;
    QCOMPARE(DownloadProgress(replySoFar, &got, &count), received >= 0);
    QCOMPARE(got, received);
    QCOMPARE(count, announced);
}

QTEST_GUILESS_MAIN(TestDownload)
#include "tst_download.moc"
