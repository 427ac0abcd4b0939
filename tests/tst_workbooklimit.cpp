// A disk that takes only part of a workbook: at every file-size limit (set
// in a child process, which binds root too) the workbook is either written
// whole and reads back (workbookreader.h unzips it and reads every XML part
// to its end) or refused with the path in the reason, the old file as it
// was and nothing left beside it. libxlsxwriter writes each part to a
// temporary file first and overlooks a refused write there; the limits
// swept include those where a part, the sheet too, came out cut off.

#include "childprocess.h"
#include "filebytes.h"
#include "workbookreader.h"

#include "records/workbook/recordworkbook.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestWorkbookLimit : public QObject
{
    Q_OBJECT

private slots:
    void wholeOrNotAtAll_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("step");
        QTest::newRow("3 records") << 3 << 256 << 8192 << 256;
        QTest::newRow("500 records, around the sheet's size") << 500 << 150000 << 162000 << 500;
    }
    void wholeOrNotAtAll()
    {
        QFETCH(int, records);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(int, step);
        GridRows grid{PlainHeadings()};
        for (int n = 1; n <= records; ++n)
            grid << GridRow{
                QString::number(n), "11 - Mar - 2010", "18:20.50", "0.045 mg/L", "PASS", "Manual"};
        int written = 0;
        int refused = 0;
        for (int limit = from; limit <= to; limit += step) {
            QTemporaryDir dir;
            const QString path = dir.filePath(QStringLiteral("book.xlsx"));
            WriteAll(path, "old contents");
            const QString said = UnderFileSizeLimit(rlim_t(limit), [&] {
                QString error;
                return WriteRecordWorkbook(path, {"Device Information "}, grid, &error)
                           ? QStringLiteral("written")
                           : error;
            });
            const QString at = QStringLiteral("limit %1: %2").arg(limit).arg(said);
            const QStringList entries =
                QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
            QVERIFY2(entries == QStringList("book.xlsx"), qPrintable(at));
            if (said == QLatin1String("written")) {
                const ReadBack book = ReadWorkbook(path);
                QVERIFY2(book.error.isEmpty(), qPrintable(at + " / " + book.error));
                QCOMPARE(book.Shown(QStringLiteral("A%1").arg(records + 3)),
                         QStringLiteral("n:%1:General").arg(records));
                ++written;
            } else {
                QVERIFY2(said.startsWith(path + ": "), qPrintable(at));
                QVERIFY2(ReadAll(path) == "old contents", qPrintable(at));
                ++refused;
            }
        }
        // The sweep reaches from refusal to success.
        QVERIFY(written > 0 && refused > 0);
    }

    // The rows wait in a temporary file, deleted at once but holding its
    // space while open: a workbook dropped unfinished closes it.
    void droppedWorkbookGivesItsSpaceBack()
    {
        const auto openFiles = [] {
            return QDir(QStringLiteral("/proc/self/fd"))
                .entryList(QDir::AllEntries | QDir::System)
                .size();
        };
        QTemporaryDir dir;
        const qsizetype before = openFiles();
        for (int dropped = 0; dropped < 3; ++dropped) {
            RecordWorkbook workbook;
            QString error;
            QVERIFY(workbook.Open(dir.filePath(QStringLiteral("book.xlsx")), {}, &error));
            for (int n = 0; n < 1000; ++n)
                QVERIFY(workbook.AddRecord({QString::number(n), "11 - Mar - 2010"}));
        }
        QCOMPARE(openFiles(), before);
        QVERIFY(QDir(dir.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    }
};

QTEST_GUILESS_MAIN(TestWorkbookLimit)
#include "tst_workbooklimit.moc"
