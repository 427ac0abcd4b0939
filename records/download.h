#pragma once
// Reading the tester's identification and download replies.

#include "records/recordfields.h"

#include <QByteArray>

inline constexpr int MaxRecords = 500;
inline constexpr int MaxReplyText = 99999;
inline constexpr int MaxReplyLine = 100; // characters consumed for one line

// Reads the header line "%c%c%d" at the start of reply. Returns false when no
// number can be read. *next is set to the start of the line after the header.
bool ReadReplyHeader(const QByteArray &reply, int *count, int *next);

// Identification reply: true when its header announces 7 lines. values gets
// the texts of information lines 2, 3 and 4 (serial number, software version,
// last calibration); a line whose line feed is not within 100 characters
// gives no value (the entry stays empty and is flagged absent in present).
struct IdentificationValues
{
    QStringList lines; // index 0..6 = information lines 1..7; missing ones empty
    QVector<bool> present;
};
bool ParseIdentification(const QByteArray &reply, IdentificationValues *values);

// The information dialog reads the identification from a copy of the reply
// of at most this many characters: a line reaching beyond it gives nothing.
inline constexpr int MaxInformationText = 999;
bool ParseInformation(const QByteArray &reply, IdentificationValues *values);

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
