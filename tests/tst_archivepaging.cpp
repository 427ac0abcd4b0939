// The archive window's pages of a selection: sought from the boundary row of
// a page read before (going down and going up, past pages not read), or
// counted from the nearer end, they hold the same records as counting from
// the start does, in every sort order and with every kind of filter, small
// selections and large ones; text columns sort as the operator's language
// does (here American English), not by their character codes.

#include "archivefixture.h"
#include "searchcriteria.h"

#include "archive/store/archivesql.h"
#include "archive/store/sqlconnection.h"

#include <QCollator>
#include <QtTest>

#include <algorithm>

namespace {

constexpr int PageRows = 64;

// Texts whose order differs between the language and the character codes:
// ':' goes before '.', a blank before both, small letters before capitals.
GridRows LanguageRecords()
{
    const QStringList times = {"09:05.00", "09:05:00", "09:05 00", "10:00.00", "9:59.59"};
    const QStringList readings = {"0.100 %BAC", "0.100 mg/L", "0.100 MG/L", "0.050 %BAC",
                                  "0.1OO %BAC"};
    const QStringList results = {"FAIL", "fail", "Pass", "PASS", "-"};
    const QStringList samplings = {"Manual", "manual", "-"};
    GridRows rows;
    for (int i = 0; i < 60; ++i)
        rows.append({QString::number(i + 1).rightJustified(5, u'0'),
                     QStringLiteral("%1 - Mar - 2011").arg(i % 28 + 1, 2, 10, QLatin1Char('0')),
                     times[i % times.size()], readings[i / 2 % readings.size()],
                     results[i / 3 % results.size()], samplings[i % samplings.size()]});
    return rows;
}

struct Row
{
    GridRow cells;
    qint64 id = 0;
    qint64 number = 0; // test_no or date_key
};

} // namespace
Q_DECLARE_METATYPE(SearchCriteria)

class TestArchivePaging : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    ArchiveLocation where;
    std::unique_ptr<ArchiveStore> store;
    QHash<QString, qint64> testers;

    ArchiveQuery QueryOf(const QString &tester, const SearchCriteria &criteria) const
    {
        ArchiveQuery query;
        if (!tester.isEmpty())
            query.testerId = testers.value(tester);
        query.criteria = criteria;
        return query;
    }

    // The selection read plainly and sorted here: by the number, or by the
    // text as the language orders it (equal ones by their characters), then
    // by id.
    QVector<Row> Expected(const ArchiveQuery &query, ArchiveSort sort) const
    {
        ArchiveError error;
        const std::optional<ArchiveFilterSql> filter = ArchiveFilterOf(query, &error);
        SqlConnection other(QStringLiteral("QSQLITE"));
        QSqlDatabase db = other.Db();
        db.setDatabaseName(where.target);
        db.open();
        QSqlQuery sql(db);
        QString reason;
        const QString number = sort.column == 0 ? "test_no" : "date_key";
        RunSql(sql,
               "SELECT test_no_text, date_text, time_text, reading_text, result_text,"
               " sampling_text, id, " +
                   number + " FROM records" + filter->where,
               filter->values, &reason);
        QVector<Row> rows;
        while (sql.next()) {
            Row row;
            for (int c = 0; c < RecordColumns; ++c)
                row.cells << sql.value(c).toString();
            row.id = sql.value(6).toLongLong();
            row.number = sql.value(7).toLongLong();
            rows << row;
        }
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseSensitive);
        const auto before = [&](const Row &a, const Row &b) {
            int order = 0;
            if (sort.column < 2) {
                order = a.number < b.number ? -1 : a.number > b.number ? 1 : 0;
            } else {
                const QString &x = a.cells[sort.column];
                const QString &y = b.cells[sort.column];
                order = collator.compare(x, y);
                if (order == 0)
                    order = x < y ? -1 : x > y ? 1 : 0;
            }
            if (!sort.ascending)
                order = -order;
            return order != 0 ? order < 0 : a.id < b.id;
        };
        std::sort(rows.begin(), rows.end(), before);
        return rows;
    }

    static QStringList Ids(const QVector<ArchivedRecord> &records)
    {
        QStringList ids;
        for (const ArchivedRecord &r : records)
            ids << QString::number(r.id) + QLatin1Char(' ') + r.cells.join(u'|');
        return ids;
    }
    static QStringList Ids(const QVector<Row> &rows)
    {
        QStringList ids;
        for (const Row &r : rows)
            ids << QString::number(r.id) + QLatin1Char(' ') + r.cells.join(u'|');
        return ids;
    }

    std::optional<QVector<ArchivedRecord>> Read(const ArchiveQuery &query, ArchiveSort sort,
                                                const ArchivePageAsk &ask)
    {
        ArchiveError error;
        auto page = store->Page(query, sort, ask, &error);
        if (!page)
            qWarning("%s", qPrintable(Said(error)));
        return page;
    }

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        where = {ArchiveLocation::Driver::Sqlite, dir.filePath("archive.sqlite")};
        ArchiveError error;
        store = ArchiveStore::Open(where, &error);
        QVERIFY2(store, qPrintable(Said(error)));
        QVERIFY(store->Add(ArchiveFixture::Tester("KT1"), ArchiveFixture::Records(0, 600), &error));
        QVERIFY(
            store->Add(ArchiveFixture::Tester("KT2"), ArchiveFixture::Records(100, 300), &error));
        QVERIFY(store->Add(ArchiveFixture::Tester("KT3"), LanguageRecords(), &error));
        const auto listed = store->Testers(&error);
        QVERIFY(listed);
        for (const ArchiveTester &t : *listed)
            testers.insert(t.serialNumber, t.id);
    }
    void cleanupTestCase() { store.reset(); }

    void sameRecordsHoweverSought_data()
    {
        QTest::addColumn<QString>("tester");
        QTest::addColumn<SearchCriteria>("criteria");
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("ascending");
        const struct
        {
            const char *name;
            const char *tester;
            SearchCriteria criteria;
        } filters[] = {
            {"all", "", {}},
            {"one tester", "KT1", {}},
            {"few of a tester", "KT3", {}},
            {"dates", "", Criteria("", "2010-02-01|2010-07-31", "", "")},
            {"readings", "", Criteria("", "", "%BAC|0.000|0.250", "")},
            {"no reading in range", "", Criteria("", "", "%BAC|4.000|5.000", "")},
            {"FAIL", "", Criteria("", "", "", "FAIL")},
            {"test numbers", "", Criteria("1|50", "", "", "")},
            {"dates, FAIL", "", Criteria("", "2010-02-01|2010-07-31", "", "FAIL")},
            {"a tester's readings", "KT2", Criteria("", "", "%BAC|0.000|0.250", "")},
            {"all kinds", "KT1", Criteria("1|400", "2010-01-01|2011-12-31", "%BAC|0|1", "PASS")},
        };
        for (const auto &f : filters)
            for (int column = 0; column < RecordColumns; ++column)
                for (bool ascending : {true, false})
                    QTest::addRow("%s, column %d %s", f.name, column, ascending ? "up" : "down")
                        << QString::fromLatin1(f.tester) << f.criteria << column << ascending;
    }
    void sameRecordsHoweverSought()
    {
        QFETCH(QString, tester);
        QFETCH(SearchCriteria, criteria);
        QFETCH(int, column);
        QFETCH(bool, ascending);
        const ArchiveQuery query = QueryOf(tester, criteria);
        const ArchiveSort sort{column, ascending};
        const QStringList expected = Ids(Expected(query, sort));
        ArchiveError error;
        const std::optional<qint64> count = store->Select(query, sort, &error);
        QVERIFY2(count, qPrintable(Said(error)));
        QCOMPARE(*count, qint64(expected.size()));
        const int pages = int((*count + PageRows - 1) / PageRows);
        const auto ask = [&](int page) {
            ArchivePageAsk a;
            a.first = qint64(page) * PageRows;
            a.limit = PageRows;
            a.count = *count;
            return a;
        };

        // Counted from the start, or from the end past the middle.
        QVector<QVector<ArchivedRecord>> counted;
        for (int page = 0; page < pages; ++page) {
            const auto read = Read(query, sort, ask(page));
            QVERIFY(read);
            counted << *read;
        }
        QStringList all;
        for (const auto &page : counted)
            all += Ids(page);
        QCOMPARE(all, expected);

        // Down the table, each page sought from the last row of the one
        // before; up it, from the first row of the one after.
        QStringList down, up;
        QVector<ArchivedRecord> previous;
        for (int page = 0; page < pages; ++page) {
            ArchivePageAsk a = ask(page);
            if (!previous.isEmpty())
                a.before = ArchiveAnchor{a.first - 1, KeyOf(previous.last())};
            const auto read = Read(query, sort, a);
            QVERIFY(read);
            down += Ids(*read);
            previous = *read;
        }
        QCOMPARE(down, expected);
        previous.clear();
        for (int page = pages - 1; page >= 0; --page) {
            ArchivePageAsk a = ask(page);
            if (!previous.isEmpty())
                a.after = ArchiveAnchor{a.first + PageRows, KeyOf(previous.first())};
            const auto read = Read(query, sort, a);
            QVERIFY(read);
            up = Ids(*read) + up;
            previous = *read;
        }
        QCOMPARE(up, expected);

        // Two pages past a page read, either way.
        for (int page = 0; page + 3 < pages; ++page) {
            ArchivePageAsk a = ask(page + 3);
            a.before = ArchiveAnchor{qint64(page + 1) * PageRows - 1, KeyOf(counted[page].last())};
            const auto forward = Read(query, sort, a);
            QVERIFY(forward);
            QCOMPARE(Ids(*forward), Ids(counted[page + 3]));
            ArchivePageAsk b = ask(page);
            b.after = ArchiveAnchor{qint64(page + 3) * PageRows, KeyOf(counted[page + 3].first())};
            const auto backward = Read(query, sort, b);
            QVERIFY(backward);
            QCOMPARE(Ids(*backward), Ids(counted[page]));
        }

        // The whole selection in one pass, as it is written to a file.
        QVector<ArchivedRecord> passed;
        QVERIFY(store->ForEachRecord(
            query, sort, *count,
            [&](const ArchivedRecord &record) {
                passed << record;
                return true;
            },
            &error));
        QCOMPARE(Ids(passed), expected);
    }

    // The records of KT3 by a text column: the language's order of its
    // values, which their character codes would not give.
    void textsInTheLanguagesOrder_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QStringList>("values");
        QTest::newRow("time") << 2
                              << QStringList{"09:05 00", "09:05:00", "09:05.00", "10:00.00",
                                             "9:59.59"};
        QTest::newRow("reading") << 3
                                 << QStringList{"0.050 %BAC", "0.100 %BAC", "0.100 mg/L",
                                                "0.100 MG/L", "0.1OO %BAC"};
        QTest::newRow("result") << 4 << QStringList{"-", "fail", "FAIL", "Pass", "PASS"};
        QTest::newRow("sampling") << 5 << QStringList{"-", "manual", "Manual"};
    }
    void textsInTheLanguagesOrder()
    {
        QFETCH(int, column);
        QFETCH(QStringList, values);
        const ArchiveQuery query = QueryOf("KT3", {});
        for (const bool ascending : {true, false}) {
            ArchiveError error;
            const auto count = store->Select(query, {column, ascending}, &error);
            QVERIFY(count);
            ArchivePageAsk ask;
            ask.limit = int(*count);
            ask.count = *count;
            const auto page = store->Page(query, {column, ascending}, ask, &error);
            QVERIFY2(page, qPrintable(Said(error)));
            QStringList seen;
            for (const ArchivedRecord &r : *page)
                if (seen.isEmpty() || seen.last() != r.cells[column])
                    seen << r.cells[column];
            QStringList expected = values;
            if (!ascending)
                std::reverse(expected.begin(), expected.end());
            QCOMPARE(seen, expected);
        }
    }
};

QTEST_GUILESS_MAIN(TestArchivePaging)
#include "tst_archivepaging.moc"
