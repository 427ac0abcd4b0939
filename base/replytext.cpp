#include "base/replytext.h"

#include "base/decimal.h"

#include <QString>

#include <algorithm>
#include <cstring>

namespace {

// A decimal number as "%d" reads it: blanks, an optional sign, digits. Values
// beyond the range of int are clamped.
bool ReadDecimal(const QByteArray &text, int from, int *value)
{
    const DecimalText number = ScanDecimal(QString::fromLatin1(text), from);
    if (number.found)
        *value = ClampedTo<int>(number.value);
    return number.found;
}

} // namespace

QByteArray UsableReply(const QByteArray &reply)
{
    QByteArray text = reply.left(MaxReplyText);
    const int zero = text.indexOf('\0');
    if (zero >= 0)
        text.truncate(zero);
    return text;
}

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
