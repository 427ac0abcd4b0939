// The download reply: a count line and the record lines. No announced record
// is lost, every row has its six cells, and the coded cells hold only their
// texts.

#include "fuzz/fuzzing.h"
#include "records/data/download.h"

namespace {

bool SameReply(const DownloadReply &a, const DownloadReply &b)
{
    return a.status == b.status && a.count == b.count && a.rows == b.rows;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray reply = InputBytes(data, size);
    const DownloadReply parsed = ParseDownload(reply);

    int count = 0;
    int next = 0;
    const bool header = ReadReplyHeader(reply, &count, &next);
    switch (parsed.status) {
    case DownloadStatus::Ok:
        FUZZ_CHECK(header && count == parsed.count);
        FUZZ_CHECK(parsed.count >= 1 && parsed.count <= MaxRecords);
        FUZZ_CHECK(parsed.rows.size() == parsed.count);
        break;
    case DownloadStatus::NoData:
        FUZZ_CHECK(header && count == 0 && parsed.rows.isEmpty());
        break;
    case DownloadStatus::BadCount:
        FUZZ_CHECK(!header || count < 0 || count > MaxRecords);
        FUZZ_CHECK(parsed.rows.isEmpty());
        break;
    }

    const QStringList results = {ResultText('0'), ResultText('1'), ResultText('2')};
    const QStringList samplings = {SamplingText('1'), SamplingText('0')};
    for (const GridRow &row : parsed.rows) {
        FUZZ_CHECK(row.size() == RecordColumns);
        for (int column = 0; column < 3; ++column)
            FUZZ_CHECK(row[column].size() <= MaxReplyLine &&
                       !row[column].contains(QLatin1Char(',')) &&
                       !row[column].contains(QLatin1Char('\n')));
        FUZZ_CHECK(row[4].isEmpty() || results.contains(row[4]));
        FUZZ_CHECK(row[5].isEmpty() || samplings.contains(row[5]));
    }

    FUZZ_CHECK(SameReply(parsed, ParseDownload(WithIgnoredTail(reply, MaxReplyText))));
    return 0;
}
