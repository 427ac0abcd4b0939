// The archive window's selection written out in one ordered pass: a data
// file and the tab-separated export hold, byte for byte, what writing the
// same rows all at once has always written (the lines built whole, then
// saved), in every sort; a workbook holds the records in the table's order;
// a file that cannot be written, or a Cancel, leaves the old file as it was.

#include "archivefixture.h"
#include "workbookreader.h"

#include "archive/selectionfile.h"
#include "archive/store/archiveworker.h"
#include "records/data/datafile.h"

#include <QtTest>

namespace {

// Cells that the file forms must carry or drop exactly: line breaks, a
// separator, letters beyond ASCII and one beyond Latin-1.
GridRows OddRecords()
{
    return {{"00901", "01 - Jan - 2012", "07:07.07", "0.07\r %BAC", "PASS", "Manual\r\n"},
            {"00902", "02 - Jan - 2012", "08:08\t08", "0.080 %BAC", "FAIL", "-"},
            {"00903", "03 - Jan - 2012", QString::fromUtf8("09:09.09"),
             QString::fromUtf8("0.090 \xc2\xb5g/L"), QString::fromUtf8("F\xc3\xa9"),
             QString::fromUtf8("\xe2\x90\x80")},
            {"00904", "04 - Jan - 2012", "10:10.10", "0.100, %BAC", "PASS", ""}};
}

QByteArray Bytes(const QString &path)
{
    return ArchiveFixture::Bytes(path);
}

} // namespace
Q_DECLARE_METATYPE(SelectionFileKind)

class TestSelectionFile : public QObject
{
    Q_OBJECT

    ArchiveFixture fx;
    std::unique_ptr<ArchiveStore> store;
    const QStringList device = ArchiveFixture::Tester("KT1");

    SelectionFile FileOf(const QString &name, SelectionFileKind kind, const ArchiveQuery &query,
                         ArchiveSort sort)
    {
        ArchiveError error;
        SelectionFile file;
        file.path = fx.Dir() + QLatin1Char('/') + name;
        file.kind = kind;
        file.headerLines = device;
        file.headings = PlainHeadings();
        file.headings[sort.column].prepend(
            QLatin1String(sort.ascending ? AscendingMark : DescendingMark));
        file.query = query;
        file.sort = sort;
        file.count = store->Select(query, sort, &error).value_or(-1);
        return file;
    }
    // The selection's records as one page, in its order.
    GridRows RowsOf(const SelectionFile &file)
    {
        ArchiveError error;
        GridRows rows;
        const auto page = store->Page(file.query, file.sort, 0, int(file.count), &error);
        if (!page)
            return rows;
        for (const ArchivedRecord &r : *page)
            rows << r.cells;
        return rows;
    }

private slots:
    void initTestCase()
    {
        ArchiveError error;
        store = fx.Open(&error);
        QVERIFY2(store, qPrintable(Said(error)));
        QVERIFY(store->Add(device, ArchiveFixture::Records(0, 300) + OddRecords(), &error));
        QVERIFY(
            store->Add(ArchiveFixture::Tester("KT2"), ArchiveFixture::Records(0, 5000), &error));
    }
    void cleanupTestCase() { store.reset(); }

    void textFilesAsTheyWereWritten_data()
    {
        QTest::addColumn<SelectionFileKind>("kind");
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("ascending");
        QTest::addColumn<bool>("fails");
        for (const auto kind : {SelectionFileKind::DataFile, SelectionFileKind::Spreadsheet})
            for (int column = 0; column < RecordColumns; ++column)
                for (bool ascending : {true, false})
                    for (bool fails : {false, true})
                        QTest::addRow("%s, column %d %s%s",
                                      kind == SelectionFileKind::DataFile ? "DAT" : "xls", column,
                                      ascending ? "up" : "down", fails ? ", FAIL" : "")
                            << kind << column << ascending << fails;
    }
    void textFilesAsTheyWereWritten()
    {
        QFETCH(SelectionFileKind, kind);
        QFETCH(int, column);
        QFETCH(bool, ascending);
        QFETCH(bool, fails);
        ArchiveError error;
        ArchiveQuery query;
        query.testerId = store->Testers(&error).value().first().id;
        query.criteria.byResult = fails;
        query.criteria.result = QStringLiteral("FAIL");
        const SelectionFile file = FileOf("selection", kind, query, {column, ascending});
        QVERIFY(file.count > 0);
        const QChar separator = kind == SelectionFileKind::DataFile ? u',' : u'\t';
        const QString before = fx.Dir() + "/before";
        QString failure;
        QVERIFY(SaveLinesAtomically(
            before, BuildRecordFileLines(device, GridRows{file.headings} + RowsOf(file), separator),
            &failure));
        const auto written = WriteSelectionFile(*store, file, ArchiveJob(), &error);
        QVERIFY2(written, qPrintable(Said(error)));
        QVERIFY2(written->failure.isEmpty(), qPrintable(written->failure));
        QCOMPARE(written->records, file.count);
        QCOMPARE(Bytes(file.path), Bytes(before));
        QVERIFY(Bytes(file.path).startsWith("Kestrune\r\nDevice Information \r\n"));
    }

    void workbookInTheTablesOrder()
    {
        ArchiveError error;
        const SelectionFile file =
            FileOf("selection.xlsx", ExportKindOf("selection.xlsx"), {}, {4, false});
        QCOMPARE(file.kind, SelectionFileKind::Workbook);
        const auto written = WriteSelectionFile(*store, file, ArchiveJob(), &error);
        QVERIFY2(written && written->failure.isEmpty(), qPrintable(Said(error)));
        const ReadBack book = ReadWorkbook(file.path);
        QVERIFY2(book.error.isEmpty(), qPrintable(book.error));
        const GridRows rows = RowsOf(file);
        QCOMPARE(qint64(rows.size()), file.count);
        // The device lines, an empty row and the headings come first.
        QCOMPARE(book.Shown("A2"), "s:" + device[1]);
        for (int i = 0; i < rows.size(); i += 97)
            QCOMPARE(book.Shown(QStringLiteral("F%1").arg(7 + i)), "s:" + rows[i][4]);
        QCOMPARE(book.Shown(QStringLiteral("F%1").arg(7 + rows.size() - 1)), "s:" + rows.last()[4]);
        QCOMPARE(book.Shown(QStringLiteral("A%1").arg(7 + rows.size())), QString());
    }

    // A selection that grew since it was counted: as many as were counted.
    void noMoreThanCounted()
    {
        ArchiveError error;
        SelectionFile file = FileOf("counted.DAT", SelectionFileKind::DataFile, {}, {0, true});
        file.count = 10;
        const auto written = WriteSelectionFile(*store, file, ArchiveJob(), &error);
        QVERIFY(written);
        QCOMPARE(written->records, 10);
        DataFileContent content;
        QString reason;
        QCOMPARE(LoadDataFile(file.path, &content, &reason), DataFileStatus::Ok);
        QCOMPARE(content.records.size(), 10);
    }

    void oldFileKeptUnlessWhole_data()
    {
        QTest::addColumn<SelectionFileKind>("kind");
        QTest::addColumn<bool>("cancel"); // else a folder that is not there
        QTest::newRow("DAT cancelled") << SelectionFileKind::DataFile << true;
        QTest::newRow("xlsx cancelled") << SelectionFileKind::Workbook << true;
        QTest::newRow("DAT nowhere") << SelectionFileKind::DataFile << false;
        QTest::newRow("xlsx nowhere") << SelectionFileKind::Workbook << false;
    }
    void oldFileKeptUnlessWhole()
    {
        QFETCH(SelectionFileKind, kind);
        QFETCH(bool, cancel);
        SelectionFile file = FileOf(cancel ? "old.file" : "nowhere/new.file", kind, {}, {1, true});
        if (cancel)
            ArchiveFixture::Write(file.path, "the old file");
        store.reset();
        ArchiveWorker worker;
        worker.Open(fx.Where());
        std::optional<ArchiveResult<SelectionWritten>> result;
        // Cancelled once the new file is begun beside the old one.
        worker.Run(
            this,
            [file, cancel](ArchiveStore &s, const ArchiveJob &self, ArchiveError *error) {
                if (cancel)
                    self.Cancel();
                return WriteSelectionFile(s, file, self, error);
            },
            [&](const ArchiveResult<SelectionWritten> &r) { result = r; });
        QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 20000);
        ArchiveError error;
        store = fx.Open(&error);
        if (cancel) {
            QCOMPARE(result->error.code, ArchiveErrorCode::Cancelled);
            QCOMPARE(Bytes(file.path), QByteArray("the old file"));
        } else {
            QVERIFY(result->value);
            QVERIFY2(result->value->failure.startsWith(QDir::toNativeSeparators(file.path)),
                     qPrintable(result->value->failure));
            QVERIFY(!QFileInfo::exists(file.path));
        }
        QCOMPARE(QDir(fx.Dir()).entryList({"old.file.*"}, QDir::Files), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestSelectionFile)
#include "tst_selectionfile.moc"
