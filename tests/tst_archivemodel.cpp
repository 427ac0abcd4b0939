// The archive window's table of records read through the worker: the count
// and first page come together, other rows are empty until their page comes
// and then fill, only the latest selection is shown, a page that cannot be
// read is told once, and every row comes out for writing.

#include "archivefixture.h"

#include "archive/archivemodel.h"
#include "archive/store/archiveworker.h"

#include <QSemaphore>
#include <QSignalSpy>
#include <QtTest>

class TestArchiveModel : public QObject
{
    Q_OBJECT

    std::unique_ptr<ArchiveFixture> fx;
    std::unique_ptr<ArchiveWorker> worker;
    std::unique_ptr<TArchiveModel> model;
    QList<ArchiveError> shown, failed;

    static constexpr int Archived = 1000;

    QString Cell(int row, int column) const
    {
        return model->data(model->index(row, column), Qt::DisplayRole).toString();
    }
    // The records of query as the store itself gives them.
    static GridRows Expected(ArchiveStore &store, const ArchiveQuery &query, ArchiveSort sort)
    {
        ArchiveError error;
        const QVector<ArchivedRecord> records =
            store.Page(query, sort, 0, 10 * Archived, &error).value_or(QVector<ArchivedRecord>());
        GridRows rows;
        for (const ArchivedRecord &r : records)
            rows << r.cells;
        return rows;
    }

private slots:
    void init()
    {
        fx = std::make_unique<ArchiveFixture>();
        {
            ArchiveError error;
            auto store = fx->Open(&error);
            QVERIFY(store);
            QVERIFY(store->Add(ArchiveFixture::Tester("KT1"), ArchiveFixture::Records(0, Archived),
                               &error));
        }
        worker = std::make_unique<ArchiveWorker>();
        worker->Open(fx->Where());
        model = std::make_unique<TArchiveModel>(worker.get());
        shown.clear();
        failed.clear();
        model->OnShown = [this](const ArchiveError &error) { shown << error; };
        model->OnReadFailure = [this](const ArchiveError &error) { failed << error; };
    }
    void cleanup()
    {
        model.reset();
        worker.reset();
        fx.reset();
    }

    // Nothing shows until the count and the first page come together; a
    // row further down is empty, asked for, and filled when its page comes.
    void rowsFillAsTheirPagesCome()
    {
        const ArchiveSort sort{0, false};
        model->Show({}, sort);
        QCOMPARE(model->rowCount(), 0);
        QVERIFY(model->Waiting());
        QTRY_COMPARE(shown.size(), 1);
        QVERIFY(!shown[0].Failed());
        QCOMPARE(model->Records(), Archived);
        ArchiveError error;
        const GridRows expected = Expected(*fx->Open(&error), {}, sort);
        QCOMPARE(Cell(0, 0), expected[0][0]); // the first page came with the count
        QVERIFY(!model->Waiting());

        QSignalSpy changed(model.get(), &QAbstractItemModel::dataChanged);
        const int row = 3 * TArchiveModel::PageRows + 17;
        QCOMPARE(Cell(row, 0), QString());
        QVERIFY(model->Waiting());
        QCOMPARE(Cell(row + 1, 0), QString()); // the same page, asked for once
        QTRY_VERIFY(!model->Waiting());
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed[0][0].toModelIndex().row(), 3 * TArchiveModel::PageRows);
        QCOMPARE(changed[0][1].toModelIndex().row(), 4 * TArchiveModel::PageRows - 1);
        for (int column = 0; column < RecordColumns; ++column)
            QCOMPARE(Cell(row, column), expected[row][column]);
        QVERIFY(failed.isEmpty());
    }

    // A table scrolled far in a moment: the pages it passed and that the
    // worker has not begun are not read before the ones it shows now; coming
    // back to them asks again.
    void scrolledFarPastPages()
    {
        {
            ArchiveError error;
            QVERIFY(fx->Open(&error)->Add(ArchiveFixture::Tester("KT2"),
                                          ArchiveFixture::Records(0, 2 * Archived), &error));
        }
        model->Show({}, {});
        QTRY_COMPARE(shown.size(), 1);
        const int pages = int(model->Records() / TArchiveModel::PageRows);
        QCOMPARE(pages, 15);
        // The worker busy until every page has been asked for.
        QSemaphore release;
        worker->Run(
            this,
            [&release](ArchiveStore &, const ArchiveJob &, ArchiveError *) {
                release.acquire();
                return std::optional(true);
            },
            [](const ArchiveResult<bool> &) {});
        QSignalSpy changed(model.get(), &QAbstractItemModel::dataChanged);
        for (int page = 1; page < pages; ++page)
            QCOMPARE(Cell(page * TArchiveModel::PageRows, 0), QString());
        release.release();
        QTRY_VERIFY(!model->Waiting());
        QVERIFY(failed.isEmpty());
        QCOMPARE(changed.size(), TArchiveModel::KeptPages);
        QCOMPARE(changed.last()[0].toModelIndex().row(), (pages - 1) * TArchiveModel::PageRows);
        ArchiveError error;
        const GridRows expected = Expected(*fx->Open(&error), {}, {});
        for (int page = 1; page < pages; ++page) {
            const int row = page * TArchiveModel::PageRows;
            Cell(row, 0);
            QTRY_COMPARE(Cell(row, 0), expected[row][0]);
        }
    }

    // Selections asked for one after another: only the last is shown.
    void onlyTheLatestSelection()
    {
        ArchiveQuery fails;
        fails.criteria.byResult = true;
        fails.criteria.result = QStringLiteral("FAIL");
        model->Show({}, {});
        model->Show(fails, {1, true});
        QTRY_VERIFY(!model->Waiting());
        QTest::qWait(20);
        QCOMPARE(shown.size(), 1);
        QCOMPARE(model->Records(), Archived / 4);
        QCOMPARE(model->Query().criteria.result, QStringLiteral("FAIL"));
        QCOMPARE(Cell(0, 4), QStringLiteral("FAIL"));

        // A selection cleared before it came is never shown.
        model->Show({}, {});
        model->Clear();
        QTRY_VERIFY(!worker->Busy());
        QCOMPARE(shown.size(), 1);
        QCOMPARE(model->rowCount(), 0);
    }

    // A selection the search dialog would refuse leaves the table empty and
    // says why.
    void refusedSelection()
    {
        ArchiveQuery refused;
        refused.criteria.byTestNo = true;
        refused.criteria.testNoFrom = QStringLiteral("0");
        refused.criteria.testNoTo = QStringLiteral("100000");
        model->Show(refused, {});
        QTRY_COMPARE(shown.size(), 1);
        QCOMPARE(shown[0].code, ArchiveErrorCode::SettingsIncorrect);
        QCOMPARE(model->rowCount(), 0);
    }

    // Pages that cannot be read (another program took the table away): the
    // failure is told once, the rows stay empty and are not asked for again.
    void unreadablePagesToldOnce()
    {
        model->Show({}, {});
        QTRY_COMPARE(shown.size(), 1);
        ArchiveFixture::RunOn(fx->Path(), {"DROP TABLE records"});
        QCOMPARE(Cell(2 * TArchiveModel::PageRows, 0), QString());
        QCOMPARE(Cell(4 * TArchiveModel::PageRows, 0), QString());
        QTRY_VERIFY(!model->Waiting());
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed[0].code, ArchiveErrorCode::Database);
        QVERIFY2(failed[0].reason.contains("records"), qPrintable(Said(failed[0])));
        QCOMPARE(Cell(6 * TArchiveModel::PageRows, 0), QString());
        QVERIFY(!model->Waiting());
        QCOMPARE(Cell(0, 0).isEmpty(), false); // the first page is kept
    }

    // Every row for writing: the headings with the sort mark, then the
    // records in the table's order.
    void allRowsInTheTablesOrder()
    {
        const ArchiveSort sort{3, true};
        model->Show({}, sort);
        QTRY_COMPARE(shown.size(), 1);
        std::optional<ArchiveResult<GridRows>> all;
        model->AllRows(this, [&](const ArchiveResult<GridRows> &rows) { all = rows; });
        QTRY_VERIFY(all.has_value());
        QVERIFY(all->value);
        QCOMPARE(all->value->size(), Archived + 1);
        QCOMPARE(all->value->first(), model->Headings());
        QVERIFY(all->value->first()[3].startsWith(QLatin1String(AscendingMark)));
        ArchiveError error;
        QCOMPARE(all->value->mid(1), Expected(*fx->Open(&error), {}, sort));
    }
};

QTEST_GUILESS_MAIN(TestArchiveModel)
#include "tst_archivemodel.moc"
