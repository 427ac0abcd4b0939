#pragma once
// Reading the tester's download reply.

#include "base/replytext.h"
#include "records/data/recordfields.h"

#include <QByteArray>

inline constexpr int MaxRecords = 500;

// Incomplete: fewer record lines than the header announces (the tester went
// away in the middle); no rows are given then.
enum class DownloadStatus { NoData, BadCount, Incomplete, Ok };
struct DownloadReply
{
    DownloadStatus status = DownloadStatus::BadCount;
    int count = 0; // records announced
    GridRows rows; // count rows of six cells
};
DownloadReply ParseDownload(const QByteArray &reply);

// How far a download reply has come: *announced, the records its header
// announces, and *received, the record lines complete so far (at most
// *announced). False until a whole header line announcing 1 to MaxRecords
// records has come.
bool DownloadProgress(const QByteArray &replySoFar, int *received, int *announced);

// Fills row (six cells) from one record line (without its line feed).
// Columns the line does not reach are left empty.
void FillRecordRow(const QByteArray &line, GridRow &row);
