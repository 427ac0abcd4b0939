#include "records/data/printlayout.h"

#include <QtTest>

namespace {

const QStringList Device{"Device Information ", "Serial Number        : ", "Software Version  : ",
                         "Last Calibration     : "};

GridRows Grid(int records)
{
    GridRows rows{PlainHeadings()};
    for (int r = 1; r <= records; ++r) {
        const QString n = QString::number(r);
        rows << GridRow{n, "d" + n, "t" + n, "r" + n, "PASS", "Manual"};
    }
    return rows;
}

// The six items of one grid row, as they stand in the page from index at.
void CheckRow(const PrintPage &page, int at, const GridRow &row, int x0, int w, int y)
{
    QVERIFY(page.size() >= at + RecordColumns);
    for (int j = 0; j < RecordColumns; ++j) {
        QCOMPARE(page[at + j].x, x0 + j * w);
        QCOMPARE(page[at + j].y, y);
        QCOMPARE(page[at + j].text, row[j]);
    }
}

} // namespace

class TestPrintLayout : public QObject
{
    Q_OBJECT

private slots:
    void resultsFirstPage();
    void resultsPageBreak_data();
    void resultsPageBreak();
    void resultsEmptyWindowFitsOnePage();
    void resultsPageWithoutLineHeight();
    void searchJobs_data();
    void searchJobs();
    void searchJobsPrinted_data();
    void searchJobsPrinted();
    void archivePages_data();
    void archivePages();
};

void TestPrintLayout::resultsFirstPage()
{
    const PrintJob job = ResultsPrintLayout(4800, 8000, Device, Grid(2));
    QCOMPARE(job.size(), 1);
    const PrintPage &page = job[0];
    QCOMPARE(page.size(), 5 + 3 * RecordColumns);
    for (int k = 0; k < 4; ++k) {
        QCOMPARE(page[k].x, 300);
        QCOMPARE(page[k].y, 500 + 100 * k);
        QCOMPARE(page[k].text, Device[k]);
    }
    QCOMPARE(page[4].y, 900);
    QCOMPARE(page[4].text, QString());
    CheckRow(page, 5, PlainHeadings(), 300, 600, 1000);
    CheckRow(page, 11, Grid(2)[1], 300, 600, 1100);
    CheckRow(page, 17, Grid(2)[2], 300, 600, 1200);
}

void TestPrintLayout::resultsPageBreak_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("pages");
    QTest::addColumn<int>("lastPageRows");
    // With a line height of 100 the first page holds lines 10 to 75: the
    // headings and 65 records.
    QTest::newRow("last line free") << 64 << 1 << 65;
    QTest::newRow("last row on line 75 leaves a headings page") << 65 << 2 << 1;
    QTest::newRow("one row on the second page") << 66 << 2 << 2;
    QTest::newRow("second page full") << 65 + 70 << 3 << 1;
}

void TestPrintLayout::resultsPageBreak()
{
    QFETCH(int, records);
    QFETCH(int, pages);
    QFETCH(int, lastPageRows);
    const GridRows grid = Grid(records);
    const PrintJob job = ResultsPrintLayout(8000, 8000, Device, grid);
    QCOMPARE(job.size(), pages);
    QCOMPARE(job[0].size(), 5 + RecordColumns * std::min(records + 1, 66));
    QCOMPARE(job[0].last().y, 100 * std::min(records + 10, 75));
    if (pages > 1) {
        CheckRow(job[1], 0, PlainHeadings(), 500, 1000, 500);
        if (job[1].size() > RecordColumns)
            CheckRow(job[1], RecordColumns, grid[66], 500, 1000, 600);
    }
    const int deviceItems = pages > 1 ? 0 : 5;
    QCOMPARE(job.last().size(), deviceItems + RecordColumns * lastPageRows);
    CheckRow(job.last(), deviceItems, pages > 1 ? PlainHeadings() : grid[0], 500, 1000,
             pages > 1 ? 500 : 1000);
}

void TestPrintLayout::resultsEmptyWindowFitsOnePage()
{
    GridRows grid{PlainHeadings()};
    for (int r = 0; r < 16; ++r)
        grid << GridRow(RecordColumns, QString());
    const PrintJob job = ResultsPrintLayout(4800, 6600, Device, grid);
    QCOMPARE(job.size(), 1);
    QCOMPARE(job[0].size(), 5 + 17 * RecordColumns);
    CheckRow(job[0], 5, PlainHeadings(), 300, 600, 10 * 82);
    CheckRow(job[0], 5 + 16 * RecordColumns, grid[16], 300, 600, 26 * 82);
}

void TestPrintLayout::resultsPageWithoutLineHeight()
{
    const PrintJob job = ResultsPrintLayout(100, 50, Device, Grid(30));
    QCOMPARE(job.size(), 1);
    QCOMPARE(job[0].size(), 5 + 31 * RecordColumns);
}

void TestPrintLayout::searchJobs_data()
{
    QTest::addColumn<int>("fontHeight");
    QTest::addColumn<int>("records");
    QTest::addColumn<QVector<int>>("rowsPerJob");
    // Line height 75 on a page 1500 high: lines up to 15, so the first job
    // holds lines 5 to 15 and every further job lines 0 to 15.
    QTest::newRow("one job") << -10 << 9 << QVector<int>{10};
    QTest::newRow("positive font height") << 10 << 9 << QVector<int>{10};
    QTest::newRow("three jobs") << -10 << 39 << QVector<int>{11, 16, 13};
    QTest::newRow("break after the last row") << -10 << 26 << QVector<int>{11, 16, 0};
}

void TestPrintLayout::searchJobs()
{
    QFETCH(int, fontHeight);
    QFETCH(int, records);
    QFETCH(QVector<int>, rowsPerJob);
    const GridRows grid = Grid(records);
    const QVector<PrintJob> jobs = SearchPrintLayout(1600, 1500, fontHeight, Device, grid);
    QCOMPARE(jobs.size(), rowsPerJob.size());
    int row = 0;
    for (int k = 0; k < jobs.size(); ++k) {
        QCOMPARE(jobs[k].size(), 1);
        const PrintPage &page = jobs[k][0];
        int at = 0;
        int line = 0;
        if (k == 0) {
            for (int d = 0; d < 4; ++d) {
                QCOMPARE(page[d].x, 100);
                QCOMPARE(page[d].y, (d + 3) * 75);
                QCOMPARE(page[d].text, Device[d]);
            }
            QCOMPARE(page[4].y, 7 * 75);
            QCOMPARE(page[4].text, QString());
            at = 5;
            line = 5;
        }
        QCOMPARE(page.size(), at + RecordColumns * rowsPerJob[k]);
        for (int r = 0; r < rowsPerJob[k]; ++r, ++row, ++line)
            CheckRow(page, at + r * RecordColumns, grid[row], 100, 200, (line + 3) * 75);
    }
    QCOMPARE(row, grid.size());
}

void TestPrintLayout::searchJobsPrinted_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("printed");
    QTest::newRow("headings only") << 0 << 1;
    QTest::newRow("one job") << 9 << 1;
    QTest::newRow("three jobs") << 39 << 3;
    QTest::newRow("break after the last row") << 26 << 2;
}

void TestPrintLayout::searchJobsPrinted()
{
    QFETCH(int, records);
    QFETCH(int, printed);
    QVector<PrintJob> jobs = SearchPrintLayout(1600, 1500, -10, Device, Grid(records));
    DropEmptyLastJob(jobs);
    QCOMPARE(jobs.size(), printed);
    for (const PrintJob &job : jobs)
        QVERIFY(!job[0].isEmpty());
    QCOMPARE(jobs.last()[0].last().text, records ? QStringLiteral("Manual") : PlainHeadings()[5]);
}

void TestPrintLayout::archivePages_data()
{
    QTest::addColumn<int>("headerLines");
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("pages");
    // Lines 3 on: the header, a blank line, the headings, then rows up to
    // line 74; the page's number on line 77.
    QTest::newRow("headings only") << 6 << 0 << 1;
    QTest::newRow("one row") << 6 << 1 << 1;
    QTest::newRow("a page full") << 6 << 64 << 1;
    QTest::newRow("one more") << 6 << 65 << 2;
    QTest::newRow("many pages") << 6 << 1000 << 16;
    QTest::newRow("a short header") << 1 << 69 << 1;
    QTest::newRow("no header") << 0 << 71 << 2;
}

void TestPrintLayout::archivePages()
{
    QFETCH(int, headerLines);
    QFETCH(int, records);
    QFETCH(int, pages);
    QStringList header;
    for (int k = 0; k < headerLines; ++k)
        header << QStringLiteral("header %1").arg(k);
    const GridRows grid = Grid(records);
    const PrintJob job = ArchivePrintLayout(4800, 8000, header, grid);
    QCOMPARE(job.size(), pages);
    QCOMPARE(ArchivePageCount(headerLines, records), pages);
    const int perPage = ArchiveRowsPerPage(headerLines);
    QCOMPARE(perPage, 70 - headerLines);
    int row = 1;
    for (int p = 0; p < pages; ++p) {
        const PrintPage &page = job[p];
        // Every page says what it is, under its headings, and which it is.
        for (int k = 0; k < headerLines; ++k) {
            QCOMPARE(page[k].text, header[k]);
            QCOMPARE(page[k].y, (3 + k) * 100);
            QCOMPARE(page[k].x, 300);
        }
        CheckRow(page, headerLines, grid[0], 300, 600, (4 + headerLines) * 100);
        const int rows = std::min(perPage, records - p * perPage);
        QCOMPARE(page.size(), headerLines + (1 + rows) * RecordColumns + 1);
        for (int r = 0; r < rows; ++r, ++row)
            CheckRow(page, headerLines + (1 + r) * RecordColumns, grid[row], 300, 600,
                     (5 + headerLines + r) * 100);
        QCOMPARE(page.last().text, QStringLiteral("page %1 of %2").arg(p + 1).arg(pages));
        QCOMPARE(page.last().y, 7700);
        for (const PrintItem &item : page)
            QVERIFY(item.y + 100 <= 8000 - 200);
    }
    QCOMPARE(row, grid.size());
}

QTEST_GUILESS_MAIN(TestPrintLayout)
#include "tst_printlayout.moc"
