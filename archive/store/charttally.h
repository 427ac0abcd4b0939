#pragma once
// The archive's tally of tests for the chart: how many records each day
// holds of each unit and result, and whether their reading is a number the
// chart can draw. It is kept in the transaction that archives records and in
// the one that deletes old ones, so that the chart's bars and the count of
// readings in each unit come from a few thousand rows instead of every
// record; a selection the tally cannot tell apart (a tester, test numbers, a
// reading range) is counted from the records themselves.

#include "archive/store/archivequery.h"

#include <QSqlDatabase>
#include <QStringList>

#include <optional>
#include <vector>

// The statements that make the tally and the chart's index, and fill the
// tally from the records already archived.
QStringList ChartTallyStatements();

// Counts the records of tester with an id above afterId (those just
// archived) into the tally.
bool TallyArchived(QSqlDatabase db, qint64 testerId, qint64 afterId, QString *reason);

// A row of the tally: the tests of one day, unit, result and drawing.
struct TallyRow
{
    qint64 dateKey = 0;
    QString unit;
    bool drawn = false; // the reading reads as a number the chart draws
    QString result;
    qint64 tests = 0;
};

// The records archived counted as they go in, for the tally's rows that
// TallyArchived would count from the records themselves.
class TallyCounter
{
public:
    void Count(qint64 dateKey, const QString &unit, bool drawn, const QString &result);
    // Each key once with its tests, in date order.
    std::vector<TallyRow> Rows() const;

private:
    struct Key
    {
        qint64 dateKey;
        int unit;
        bool drawn;
        int result;
    };
    std::vector<Key> FKeys;
    // The few units and results met, each once: keys hold their index.
    QStringList FUnits, FResults;
};

// The statement adding one TallyRow (date_key, unit, drawn, result_text,
// tests bound in that order) to the tally.
QString TallyRowSql();

// Counts again the days before dateKey (yyyymmdd) from the records left
// there, once old records have been deleted.
bool TallyAfterDeleting(QSqlDatabase db, long dateKey, QString *reason);

// The tally's conditions for query; nullopt when the tally cannot tell its
// records apart.
std::optional<ArchiveFilterSql> TallyFilterOf(const ArchiveQuery &query);

// The highest record id now, for TallyArchived.
std::optional<qint64> HighestRecordId(QSqlDatabase db, QString *reason);

// The index that holds every value the chart reads of a reading, in the
// order of its unit and day.
inline constexpr char ChartReadingIndex[] = "records_by_chart";
