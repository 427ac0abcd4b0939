#include "records/download.h"

#include "kit/decimal.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

// The part of a reply the program looks at: up to its first zero byte and
// never more than MaxReplyText characters.
QByteArray UsableReply(const QByteArray &reply)
{
    QByteArray text = reply.left(MaxReplyText);
    const int zero = text.indexOf('\0');
    if (zero >= 0)
        text.truncate(zero);
    return text;
}

struct ReplyLine
{
    QByteArray text;
    bool ended = false; // its line feed lay within the characters consumed
};

// Takes the line starting at *pos, consuming at most MaxReplyLine characters:
// up to and including its line feed, or MaxReplyLine characters when the line
// feed comes later (the rest then reads as the next line).
ReplyLine TakeLine(const QByteArray &text, int *pos)
{
    const int start = std::min(*pos, int(text.size()));
    const int span = std::min(MaxReplyLine, int(text.size()) - start);
    const char *begin = text.constData() + start;
    const void *lf = span > 0 ? std::memchr(begin, '\n', size_t(span)) : nullptr;
    if (lf) {
        const int length = int(static_cast<const char *>(lf) - begin);
        *pos = start + length + 1;
        return {text.mid(start, length), true};
    }
    *pos = start + span;
    return {text.mid(start, span), false};
}

// A decimal number as "%d" reads it: blanks, an optional sign, digits. Values
// beyond the range of int are clamped.
bool ReadDecimal(const QByteArray &text, int from, int *value)
{
    const DecimalText number = ScanDecimal(QString::fromLatin1(text), from);
    if (number.found)
        *value = ClampedTo<int>(number.value);
    return number.found;
}

char FirstCode(const QByteArray &field)
{
    return field.isEmpty() ? '\0' : field.at(0);
}

} // namespace

bool ReadReplyHeader(const QByteArray &reply, int *count, int *next)
{
    const QByteArray text = UsableReply(reply);
    int pos = 0;
    const ReplyLine header = TakeLine(text, &pos);
    *next = pos;
    // The number is looked for in the header line only, so that a short
    // header never takes a record's test number for the count.
    if (header.text.size() < 2)
        return false;
    return ReadDecimal(header.text, 2, count);
}

bool ParseIdentification(const QByteArray &reply, IdentificationValues *values)
{
    values->lines = QStringList(7, QString());
    values->present = QVector<bool>(7, false);
    const QByteArray text = UsableReply(reply);
    int count = 0;
    int pos = 0;
    if (!ReadReplyHeader(text, &count, &pos) || count != 7)
        return false;
    for (int k = 0; k < 7; ++k) {
        const ReplyLine line = TakeLine(text, &pos);
        if (!line.ended)
            continue;
        values->lines[k] = QString::fromLatin1(line.text);
        values->present[k] = true;
    }
    return true;
}

bool ParseInformation(const QByteArray &reply, IdentificationValues *values)
{
    return ParseIdentification(reply.left(MaxInformationText), values);
}

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
