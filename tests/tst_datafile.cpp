#include "base/filelines.h"
#include "records/data/datafile.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

const QStringList Device{"Device Information ", "Serial Number         : SN-0042",
                         "Software Version  : V1.07", "Last Calibration      : 2010-01-31"};

GridRows ThreeRecords()
{
    return {{"0001", "05 / Jan / 2010", "10:00", "0.050%BAC", "PASS", "Manual"},
            {"0002", "31 / Dec / 2009", "23:59", "0.120o/oo ", "FAIL", "-"},
            {"0003", "", "", "", "-", "-"}};
}

GridRows Grid(const QStringList &headings, const GridRows &records)
{
    GridRows rows{headings};
    rows += records;
    return rows;
}

QStringList MarkedHeadings()
{
    QStringList headings = PlainHeadings();
    headings[1] = AscendingMark + headings[1];
    return headings;
}

QStringList HeaderLines(int lineCount)
{
    QStringList lines = QStringList{DataFileMarker} + Device;
    while (lines.size() < lineCount)
        lines << QString();
    return lines;
}

} // namespace

class TestDataFile : public QObject
{
    Q_OBJECT

private slots:
    void layout();
    void roundTripDropsOnlyTheSortMark();
    void roundTripThroughDisk();
    void marker_data();
    void marker();
    void shortFiles_data();
    void shortFiles();
    void recordLine_data();
    void recordLine();
    void emptyLinesAreRecords();
    void longLinesAreCut();
    void export_();
    void refusedBeforeReading_data();
    void refusedBeforeReading();
};

void TestDataFile::layout()
{
    const QStringList lines =
        BuildRecordFileLines(Device, Grid(PlainHeadings(), ThreeRecords()), ',');
    QCOMPARE(lines.size(), 14);
    QCOMPARE(lines.mid(0, 10), HeaderLines(10));
    QCOMPARE(lines[10], "  Test No,  Date,  Time,  Reading,  Test Result,  Sampling Type,");
    QCOMPARE(lines[12], "0002,31 / Dec / 2009,23:59,0.120o/oo ,FAIL,-,");
    QCOMPARE(lines[13], "0003,,,,-,-,");
}

void TestDataFile::roundTripDropsOnlyTheSortMark()
{
    const QStringList first =
        BuildRecordFileLines(Device, Grid(MarkedHeadings(), ThreeRecords()), ',');
    DataFileContent content;
    QCOMPARE(ParseDataFileLines(first, &content), DataFileStatus::Ok);
    QCOMPARE(content.deviceInfo, Device);
    QCOMPARE(content.records, ThreeRecords());
    const QStringList second =
        BuildRecordFileLines(content.deviceInfo, Grid(PlainHeadings(), content.records), ',');
    QCOMPARE(second.size(), first.size());
    for (int k = 0; k < first.size(); ++k) {
        if (k != 10)
            QCOMPARE(second[k], first[k]);
    }
    QCOMPARE(first[10], "  Test No,v   Date,  Time,  Reading,  Test Result,  Sampling Type,");
    QCOMPARE(second[10], "  Test No,  Date,  Time,  Reading,  Test Result,  Sampling Type,");
}

void TestDataFile::roundTripThroughDisk()
{
    // A tester that ends its lines with CR LF leaves a carriage return in
    // the device lines and in the last field of a short record line.
    QStringList device = Device;
    device[1] += '\r';
    GridRows records = ThreeRecords();
    records[2] = {"0003", "05 / Jan / 2010", "10:00\r", "", "", ""};
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("records.DAT");
    QString error;
    QVERIFY2(SaveLinesAtomically(
                 path, BuildRecordFileLines(device, Grid(PlainHeadings(), records), ','), &error),
             qPrintable(error));
    QStringList lines;
    QVERIFY2(LoadLines(path, lines, &error), qPrintable(error));
    QCOMPARE(lines.size(), 14);
    DataFileContent content;
    QCOMPARE(ParseDataFileLines(lines, &content), DataFileStatus::Ok);
    QCOMPARE(content.deviceInfo[1], "Serial Number         : SN-0042");
    QCOMPARE(content.deviceInfo[3], Device[3]);
    QCOMPARE(content.records.size(), 3);
    QCOMPARE(content.records[0], ThreeRecords()[0]);
    QCOMPARE(content.records[2], QStringList({"0003", "05 / Jan / 2010", "10:00", "", "", ""}));
    DataFileContent loaded;
    QCOMPARE(LoadDataFile(path, &loaded, &error), DataFileStatus::Ok);
    QCOMPARE(loaded.deviceInfo, content.deviceInfo);
    QCOMPARE(loaded.records, content.records);
}

void TestDataFile::marker_data()
{
    QTest::addColumn<QString>("marker");
    QTest::addColumn<int>("status");
    QTest::newRow("marker") << "Kestrune" << int(DataFileStatus::Ok);
    QTest::newRow("lower case") << "kestrune" << int(DataFileStatus::Mismatch);
    QTest::newRow("upper case") << "KESTRUNE" << int(DataFileStatus::Mismatch);
    QTest::newRow("trailing blank") << "Kestrune " << int(DataFileStatus::Mismatch);
    QTest::newRow("empty first line") << "" << int(DataFileStatus::Mismatch);
}

void TestDataFile::marker()
{
    QFETCH(QString, marker);
    QFETCH(int, status);
    QStringList lines = BuildRecordFileLines(Device, Grid(PlainHeadings(), ThreeRecords()), ',');
    lines[0] = marker;
    DataFileContent content;
    QCOMPARE(int(ParseDataFileLines(lines, &content)), status);
    QCOMPARE(content.records.size(), status == int(DataFileStatus::Ok) ? 3 : 0);
}

void TestDataFile::shortFiles_data()
{
    QTest::addColumn<int>("lineCount");
    QTest::addColumn<int>("status");
    QTest::newRow("no lines") << 0 << int(DataFileStatus::Empty);
    QTest::newRow("marker only") << 1 << int(DataFileStatus::Mismatch);
    QTest::newRow("four lines") << 4 << int(DataFileStatus::Mismatch);
    QTest::newRow("marker and device lines") << 5 << int(DataFileStatus::Ok);
    QTest::newRow("up to the heading line") << 11 << int(DataFileStatus::Ok);
}

void TestDataFile::shortFiles()
{
    QFETCH(int, lineCount);
    QFETCH(int, status);
    const QStringList lines =
        BuildRecordFileLines(Device, Grid(PlainHeadings(), {}), ',').mid(0, lineCount);
    QCOMPARE(lines.size(), lineCount);
    DataFileContent content;
    content.records = ThreeRecords();
    QCOMPARE(int(ParseDataFileLines(lines, &content)), status);
    QVERIFY(content.records.isEmpty());
    QCOMPARE(content.deviceInfo, status == int(DataFileStatus::Ok) ? Device : QStringList());
}

void TestDataFile::recordLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("cells");
    QTest::newRow("six fields") << "1,d,t,r,PASS,Manual,"
                                << QStringList{"1", "d", "t", "r", "PASS", "Manual"};
    QTest::newRow("five commas") << "1,d,t,r,PASS,Manual"
                                 << QStringList{"1", "d", "t", "r", "PASS", ""};
    QTest::newRow("text after the sixth comma")
        << "1,d,t,r,PASS,Manual,x,y," << QStringList{"1", "d", "t", "r", "PASS", "Manual"};
    QTest::newRow("empty fields") << ",,t,,," << QStringList{"", "", "t", "", "", ""};
    QTest::newRow("no comma") << "0001" << QStringList(RecordColumns, QString());
    QTest::newRow("tab separated")
        << "1\td\tt\tr\tPASS\tManual\t" << QStringList(RecordColumns, QString());
}

void TestDataFile::recordLine()
{
    QFETCH(QString, line);
    QFETCH(QStringList, cells);
    DataFileContent content;
    QCOMPARE(ParseDataFileLines(HeaderLines(11) + QStringList{line}, &content), DataFileStatus::Ok);
    QCOMPARE(content.records, GridRows{cells});
}

void TestDataFile::emptyLinesAreRecords()
{
    const QStringList lines = HeaderLines(11) + QStringList{"1,a,b,c,d,e,", "", "2,,,,,,", ""};
    DataFileContent content;
    QCOMPARE(ParseDataFileLines(lines, &content), DataFileStatus::Ok);
    QCOMPARE(content.records.size(), 4);
    QCOMPARE(content.records[1], QStringList(RecordColumns, QString()));
    QCOMPARE(content.records[3], QStringList(RecordColumns, QString()));
}

void TestDataFile::longLinesAreCut()
{
    const QString fits = QString(998, 'x') + ",";
    const QString cutBeforeComma = QString(999, 'x') + ",";
    const QString sixthCommaCut = "1,2,3,4,5," + QString(989, 'y') + ",";
    QCOMPARE(sixthCommaCut.size(), DataFileMaxLine + 1);
    const QString longDevice = QString(1200, 'S');
    QStringList lines = HeaderLines(11) + QStringList{fits, cutBeforeComma, sixthCommaCut};
    lines[2] = longDevice;
    DataFileContent content;
    QCOMPARE(ParseDataFileLines(lines, &content), DataFileStatus::Ok);
    QCOMPARE(content.deviceInfo[1], longDevice.left(DataFileMaxLine));
    QCOMPARE(content.records.size(), 3);
    QCOMPARE(content.records[0][0], QString(998, 'x'));
    QCOMPARE(content.records[1], QStringList(RecordColumns, QString()));
    QCOMPARE(content.records[2], QStringList({"1", "2", "3", "4", "5", ""}));
}

void TestDataFile::export_()
{
    const QStringList lines =
        BuildRecordFileLines(Device, Grid(MarkedHeadings(), ThreeRecords()), '\t');
    QCOMPARE(lines.size(), 14);
    QCOMPARE(lines.mid(0, 10), HeaderLines(10));
    QCOMPARE(lines[10], "  Test No\tv   Date\t  Time\t  Reading\t  Test Result\t  Sampling Type\t");
    for (int k = 11; k < 14; ++k) {
        QVERIFY(lines[k].endsWith('\t'));
        const QStringList fields = lines[k].split('\t');
        QCOMPARE(fields.size(), RecordColumns + 1);
        QCOMPARE(fields.mid(0, RecordColumns), ThreeRecords()[k - 11]);
    }
}

// Files that cannot be data files are refused without being read whole: a
// device that never ends, a FIFO that would wait for a writer for ever, a
// file too large, too many records.
void TestDataFile::refusedBeforeReading_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("device") << "/dev/zero"
                            << "not a regular file";
    QTest::newRow("fifo") << "fifo"
                          << "not a regular file";
    QTest::newRow("over 64 MB") << "sparse"
                                << "larger than 64 MB";
    QTest::newRow("over a million records") << "lines"
                                            << "more than 1,000,000 records";
}

void TestDataFile::refusedBeforeReading()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QString path = dir.filePath("records.DAT");
    if (kind == "fifo") {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == "sparse") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("Kestrune\r\n") > 0);
        QVERIFY(file.resize(DataFileMaxBytes + 1));
    } else if (kind == "lines") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Kestrune\r\n" + QByteArray(10 + DataFileMaxRecords + 1, '\n'));
    } else {
        path = kind;
    }
    DataFileContent content;
    content.records = ThreeRecords();
    QString error;
    QCOMPARE(LoadDataFile(path, &content, &error), DataFileStatus::Refused);
    QCOMPARE(error, path + ": " + reason);
    QVERIFY(content.records.isEmpty());
}

QTEST_GUILESS_MAIN(TestDataFile)
#include "tst_datafile.moc"
