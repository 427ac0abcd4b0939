#include "records/data/download.h"

#include "base/replytext.h"

#include <algorithm>
#include <climits>

namespace {

char FirstCode(const QByteArray &field)
{
    return field.isEmpty() ? '\0' : field.at(0);
}

} // namespace

DownloadReply ParseDownload(const QByteArray &reply)
{
    DownloadReply result;
    const QByteArray text = UsableReply(reply);
    int pos = 0;
    if (!ReadReplyHeader(text, &result.count, &pos)) {
        result.status = DownloadStatus::BadCount;
        return result;
    }
    if (result.count == 0) {
        result.status = DownloadStatus::NoData;
        return result;
    }
    if (result.count < 0 || result.count > MaxRecords) {
        result.status = DownloadStatus::BadCount;
        return result;
    }
    result.rows.resize(result.count);
    for (GridRow &row : result.rows) {
        const ReplyLine line = TakeLine(text, &pos);
        // A line without its line feed at the end of the reply was cut off;
        // one cut at its 100th character goes on in the next line.
        if (!line.ended && pos >= text.size()) {
            result.rows.clear();
            result.status = DownloadStatus::Incomplete;
            return result;
        }
        FillRecordRow(line.text, row);
    }
    result.status = DownloadStatus::Ok;
    return result;
}

bool DownloadProgress(const QByteArray &replySoFar, int *received, int *announced)
{
    int count = 0;
    int next = 0;
    const QByteArray text = UsableReply(replySoFar);
    if (!ReadReplyHeader(text, &count, &next) || next == 0 || text.at(next - 1) != '\n' ||
        count < 1 || count > MaxRecords)
        return false;
    *announced = count;
    *received =
        int(std::min<qsizetype>(count, std::count(text.cbegin() + next, text.cend(), '\n')));
    return true;
}

void FillRecordRow(const QByteArray &line, GridRow &row)
{
    row = GridRow(RecordColumns, QString());
    int start = 0;
    for (int field = 0; field <= 6 && start <= line.size(); ++field) {
        int end = line.indexOf(',', start);
        if (end < 0)
            end = line.size();
        const QByteArray text = line.mid(start, end - start);
        start = end + 1;
        switch (field) {
        case 4:
            row[3] += UnitText(FirstCode(text));
            break;
        case 5:
            row[4] = ResultText(FirstCode(text));
            break;
        case 6:
            row[5] = SamplingText(FirstCode(text));
            break;
        default:
            row[field] = QString::fromLatin1(text);
            break;
        }
    }
}
