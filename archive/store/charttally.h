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

// The statements that make the tally and the chart's index, and fill the
// tally from the records already archived.
QStringList ChartTallyStatements();

// Counts the records of tester with an id above afterId (those just
// archived) into the tally.
bool TallyArchived(QSqlDatabase db, qint64 testerId, qint64 afterId, QString *reason);

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
