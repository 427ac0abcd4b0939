// The records as an Excel workbook: each workbook written is read back by
// unzipping it and reading its sheet's XML (workbookreader.h), as a
// spreadsheet program would find it: cell types and number formats, date
// serials, texts that do not read as what their column holds, the header
// block, the frozen heading row and its autofilter, numbers with a full stop
// in a German locale (ctest runs this test with LC_ALL=de_DE.UTF-8), and the
// old file kept whole whenever writing fails.

#include "filebytes.h"
#include "workbookreader.h"

#include "records/workbook/recordworkbook.h"
#include "records/workbook/workbookcells.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <clocale>

namespace {

const QStringList Device{"Device Information ", "Serial Number         : KT0012345",
                         "Software Version  : V2.13", "Last Calibration      : 2011-03-15"};
const GridRow Tester{"00001", "11 - Mar - 2010", "18:20.50", "0.045 mg/L", "PASS", "Manual"};

// The row's seven cells as ReadBack::Shown gives them.
QStringList ShownRow(const ReadBack &book, int row)
{
    QStringList shown;
    for (const char column : QByteArray("ABCDEFG"))
        shown << book.Shown(QLatin1Char(column) + QString::number(row));
    return shown;
}

bool German()
{
    return qEnvironmentVariable("LC_ALL").startsWith(QLatin1String("de_DE"));
}

} // namespace

class TestWorkbook : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    QString Path(const QString &name) const { return dir.filePath(name); }
    QStringList Entries() const
    {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

    ReadBack Write(const GridRows &records, const QStringList &header = Device)
    {
        const QString path = Path(QStringLiteral("book.xlsx"));
        GridRows grid{PlainHeadings()};
        grid += records;
        QString error;
        if (!WriteRecordWorkbook(path, header, grid, &error)) {
            ReadBack failed;
            failed.error = error;
            return failed;
        }
        return ReadWorkbook(path);
    }

private slots:
    void init()
    {
        for (const QString &name : Entries())
            QVERIFY(QDir(dir.path()).remove(name));
    }

    void localeAsRunByCtest()
    {
        // Qt has set the C library's locale from the environment; writing
        // a workbook must not change it.
        if (!German())
            QSKIP("Run with LC_ALL=de_DE.UTF-8 (as ctest does) to write under a German locale.");
        QCOMPARE(std::localeconv()->decimal_point, ",");
    }

    // A record's six texts joined by commas; the seven cells joined by "|",
    // each "n:value:format", "s:text" or empty for no cell.
    void cells_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<QString>("shown");
        const auto row = [](const char *tag, const char *record, const char *shown) {
            QTest::newRow(tag) << QString::fromUtf8(record) << QString::fromUtf8(shown);
        };
        row("tester's record", "00001,11 - Mar - 2010,18:20.50,0.045 mg/L,PASS,Manual",
            "n:1:00000|n:40248:dd-mmm-yyyy|n:0.764467592593:hh:mm:ss|n:0.045:0.000|s:mg/L|s:PASS|"
            "s:Manual");
        row("unreadable date, time and reading", "12,2010-03-11,25:00,ERR%BAC,FAIL,-",
            "n:12:General|s:2010-03-11|s:25:00|s:ERR%BAC||s:FAIL|s:-");
        row("minutes only, per mille with its blank", "3,01 - Jan - 2009, 7:05,0.120o/oo ,PASS,-",
            "n:3:General|n:39814:dd-mmm-yyyy|n:0.295138888889:hh:mm:ss|n:0.12:0.000|s:o/oo|s:PASS|"
            "s:-");
        row("midnight, bare reading", "4,05 - Jul - 2011,00:00:00,0.033,-,",
            "n:4:General|n:40729:dd-mmm-yyyy|n:0:hh:mm:ss|n:0.033:0.000||s:-|");
        row("whole number in ug/L", "5,,,  120ug/L,,", "n:5:General|||n:120:General|s:ug/L||");
        row("exponent", "6,,,1e-3mg/L,,", "n:6:General|||n:0.001:General|s:mg/L||");
        row("negative reading", "7,,,-0.005%BAC,,", "n:7:General|||n:-0.005:0.000|s:%BAC||");
        row("leading zero of a reading", "8,,,05.0%BAC,,", "n:8:General|||n:5:00.0|s:%BAC||");
        row("test number with a letter", "A12,,,,,", "s:A12||||||");
        row("test number of 16 digits", "1234567890123456,,,,,", "s:1234567890123456||||||");
        row("day before the spreadsheet's 1900 gap", "10,28 - Feb - 1900,,,,",
            "n:10:General|s:28 - Feb - 1900|||||");
        row("first serial day after it", "11,01 - Mar - 1900,,,,",
            "n:11:General|n:61:dd-mmm-yyyy|||||");
        row("last day", "12,31 - Dec - 9999,,,,", "n:12:General|n:2958465:dd-mmm-yyyy|||||");
        row("markup and other scripts", "14,,,,<b>&amp;\",Пробa ✓",
            "n:14:General|||||s:<b>&amp;\"|s:Пробa ✓");
        row("empty record", ",,,,,", "||||||");
        row("short record", "15", "n:15:General||||||");
    }
    void cells()
    {
        QFETCH(QString, record);
        QFETCH(QString, shown);
        const ReadBack book = Write({record.split(u',')});
        QVERIFY2(book.error.isEmpty(), qPrintable(book.error));
        QCOMPARE(ShownRow(book, 7).join(u'|'), shown);
    }

    void headerBlockAndHeadingRow_data()
    {
        QTest::addColumn<QStringList>("header");
        QTest::addColumn<int>("headingRow");
        QTest::newRow("device lines") << Device << 6;
        QTest::newRow("selection in words")
            << QStringList{"Archive", "Tester: all", "Dates: 2010-01-01 to 2010-12-31"} << 5;
        QTest::newRow("no header") << QStringList() << 1;
    }
    void headerBlockAndHeadingRow()
    {
        QFETCH(QStringList, header);
        QFETCH(int, headingRow);
        const ReadBack book = Write({Tester, Tester, Tester}, header);
        QVERIFY2(book.error.isEmpty(), qPrintable(book.error));
        for (int line = 0; line < header.size(); ++line)
            QCOMPARE(book.Shown(QStringLiteral("A%1").arg(line + 1)), "s:" + header[line]);
        if (headingRow > 1)
            QCOMPARE(ShownRow(book, headingRow - 1), QStringList(7, QString()));
        QStringList headings;
        for (const char *heading :
             {"Test No", "Date", "Time", "Reading", "Unit", "Test Result", "Sampling Type"})
            headings << QStringLiteral("s:") + QLatin1String(heading);
        QCOMPARE(ShownRow(book, headingRow), headings);
        QCOMPARE(book.Shown(QStringLiteral("A%1").arg(headingRow + 3)), "n:1:00000");
        QCOMPARE(book.frozenTopLeft, QStringLiteral("A%1").arg(headingRow + 1));
        QCOMPARE(book.autoFilter, QStringLiteral("A%1:G%2").arg(headingRow).arg(headingRow + 3));
        // The spreadsheet program finds the filter's range by this name.
        QVERIFY(book.parts.value("xl/workbook.xml")
                    .contains(QStringLiteral("_xlnm._FilterDatabase\" localSheetId=\"0\" "
                                             "hidden=\"1\">Records!$A$%1:$G$%2<")
                                  .arg(headingRow)
                                  .arg(headingRow + 3)
                                  .toUtf8()));
    }

    void columnsFitTheirTexts()
    {
        GridRow longResult = Tester;
        longResult[4] = QStringLiteral("Refused: the subject did not blow long enough");
        GridRow tooLong = Tester;
        tooLong[5] = QString(200, u'x');
        const ReadBack book = Write({Tester, longResult, tooLong});
        QVERIFY2(book.error.isEmpty(), qPrintable(book.error));
        QList<int> widths;
        for (const QString &width : book.widths)
            widths << int(width.toDouble());
        // Headings with room for the filter button; the long result; the
        // longest text cut to 60; the device lines do not widen column A.
        QCOMPARE(widths, QList<int>({10, 13, 10, 10, 8, 47, 60}));
    }

    // In a German locale the C library's printf writes "0,045": each number
    // and width has to be written with a full stop all the same.
    void numbersWithAFullStop()
    {
        GridRow record = Tester;
        record[3] = QStringLiteral("1.5g/L");
        const ReadBack book = Write({Tester, record});
        QVERIFY2(book.error.isEmpty(), qPrintable(book.error));
        const QByteArray sheet = book.parts.value("xl/worksheets/sheet1.xml");
        QVERIFY(sheet.contains("<v>0.045</v>"));
        QVERIFY(sheet.contains("<v>1.5</v>"));
        QVERIFY(sheet.contains("<v>0.7644675925925926</v>"));
        QVERIFY(sheet.contains("width=\"10.7109375\""));
        QVERIFY(!sheet.contains(","));
        if (German())
            QCOMPARE(std::localeconv()->decimal_point, ",");
    }

    void manyRowsOneByOne()
    {
        const QString path = Path(QStringLiteral("many.xlsx"));
        RecordWorkbook workbook;
        QString error;
        QVERIFY(workbook.Open(path, Device, &error));
        constexpr int Rows = 20000;
        GridRow record = Tester;
        for (int n = 1; n <= Rows; ++n) {
            record[0] = QString::number(n);
            QVERIFY(workbook.AddRecord(record));
        }
        QCOMPARE(workbook.RecordsAdded(), qint64(Rows));
        // Nothing at the path until the workbook is complete.
        QVERIFY(!QFile::exists(path));
        QVERIFY2(workbook.Finish(&error), qPrintable(error));
        const ReadBack book = ReadWorkbook(path);
        QVERIFY2(book.error.isEmpty(), qPrintable(book.error));
        QCOMPARE(book.Shown(QStringLiteral("A7")), QStringLiteral("n:1:General"));
        QCOMPARE(book.Shown(QStringLiteral("A%1").arg(Rows + 6)),
                 QStringLiteral("n:%1:General").arg(Rows));
        QCOMPARE(book.autoFilter, QStringLiteral("A6:G%1").arg(Rows + 6));
        QCOMPARE(Entries(), QStringList("many.xlsx"));
    }

    // What fails leaves the old file as it was and nothing beside it.
    void failureKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reason"); // in the error text
        QTest::newRow("folder that is a file") << "blocker/book.xlsx"
                                               << "blocker";
        QTest::newRow("worksheet full") << "book.xlsx"
                                        << "(1,048,576 rows)";
        QTest::newRow("dropped unfinished") << "book.xlsx"
                                            << "";
    }
    void failureKeepsTheOldFile()
    {
        QFETCH(QString, name);
        QFETCH(QString, reason);
        WriteAll(Path("blocker"), "a file, not a folder");
        WriteAll(Path("book.xlsx"), "old contents");
        const QString path = Path(name);
        QString error;
        {
            RecordWorkbook workbook;
            const QStringList header =
                reason.endsWith("rows)") ? QStringList(int(WorkbookMaxRows) - 3) : Device;
            if (workbook.Open(path, header, &error)) {
                QVERIFY(workbook.AddRecord(Tester));
                if (!reason.isEmpty()) {
                    // Row 1,048,576 was the last.
                    QVERIFY(!workbook.AddRecord(Tester));
                    QVERIFY(!workbook.Finish(&error));
                }
            }
        }
        if (reason.isEmpty())
            QVERIFY2(error.isEmpty(), qPrintable(error));
        else
            QVERIFY2(error.startsWith(QDir::toNativeSeparators(path)) && error.contains(reason),
                     qPrintable(error));
        QCOMPARE(ReadAll(Path("book.xlsx")), QByteArray("old contents"));
        QCOMPARE(Entries(), QStringList({"blocker", "book.xlsx"}));
    }

    // On Windows the C library opens names in the ANSI code page, which has
    // no check mark: such a folder is named by its short form.
    void folderNamedInAnyScript()
    {
        const QString folder = Path(QString::fromUtf8("Pr\u00fcfung \u2713 \u03a9"));
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + QStringLiteral("/book.xlsx");
        QString error;
        QVERIFY2(WriteRecordWorkbook(path, Device, {PlainHeadings(), Tester}, &error),
                 qPrintable(error));
        const ReadBack book = ReadWorkbook(path);
        QVERIFY2(book.error.isEmpty(), qPrintable(book.error));
        QCOMPARE(book.Shown(QStringLiteral("A7")), QStringLiteral("n:1:00000"));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList("book.xlsx"));
        QVERIFY(QDir(folder).removeRecursively());
    }

    void replacedFileKeepsItsPermissions()
    {
        const QString path = Path(QStringLiteral("book.xlsx"));
        WriteAll(path, "old contents");
        const QFile::Permissions permissions =
            QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadUser;
        QVERIFY(QFile::setPermissions(path, permissions));
        const QFile::Permissions before = QFile::permissions(path);
        QVERIFY(!Write({Tester}).parts.isEmpty());
        QCOMPARE(QFile::permissions(path), before);
    }

    // An independent reader of zip files agrees (where unzip is installed).
    void unzipFindsNoError()
    {
        const QString unzip = QStandardPaths::findExecutable(QStringLiteral("unzip"));
        if (unzip.isEmpty())
            QSKIP("unzip is not installed here");
        QVERIFY(Write({Tester}).error.isEmpty());
        QProcess test;
        test.start(unzip, {QStringLiteral("-t"), Path(QStringLiteral("book.xlsx"))});
        QVERIFY(test.waitForFinished());
        QVERIFY2(test.exitCode() == 0, test.readAllStandardOutput().constData());
    }
};

QTEST_GUILESS_MAIN(TestWorkbook)
#include "tst_workbook.moc"
