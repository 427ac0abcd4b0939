#include "device/devicefields.h"

#include "base/decimal.h"
#include "base/replytext.h"

#include <climits>

namespace {

bool IsSeparator(char c)
{
    return c == ',' || c == ' ';
}

QString Field(const QByteArray &reply, int from, int to)
{
    return QString::fromLatin1(reply.mid(from, qMin(to - from, MaxFieldLength)));
}

// Reads a decimal number the way "%d" of the scan functions does: blanks
// first, an optional sign, at least one digit. Numbers too large for an int
// come out at the int's limit, which every range check refuses.
bool ScanNumber(const QString &text, int &pos, int &value)
{
    const DecimalText number = ScanDecimal(text, pos);
    if (!number.found)
        return false;
    pos = int(number.end);
    value = ClampedTo<int>(number.value);
    return true;
}

bool ScanLiteral(const QString &text, int &pos, QChar c)
{
    if (pos >= text.size() || text[pos] != c)
        return false;
    ++pos;
    return true;
}

// Three numbers joined by first and second, as "%d<first>%d<second>%d".
bool ScanThree(const QString &text, QChar first, QChar second, int (&n)[3])
{
    int pos = 0;
    return ScanNumber(text, pos, n[0]) && ScanLiteral(text, pos, first) &&
           ScanNumber(text, pos, n[1]) && ScanLiteral(text, pos, second) &&
           ScanNumber(text, pos, n[2]);
}

} // namespace

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

ClockTexts ParseClockReply(const QByteArray &reply)
{
    ClockTexts texts;
    if (reply.size() <= 1)
        return texts;
    int end = 1;
    while (end < reply.size() && !IsSeparator(reply[end]))
        ++end;
    texts.Date = Field(reply, 1, end);
    if (end >= reply.size())
        return texts;
    const int timeStart = end + 1;
    end = timeStart;
    while (end < reply.size() && !IsSeparator(reply[end]))
        ++end;
    texts.Time = Field(reply, timeStart, end);
    return texts;
}

QString PcDateText(const QDateTime &now)
{
    return now.toString(QStringLiteral("yyyy-MM-dd"));
}

QString PcTimeText(const QDateTime &now)
{
    return now.toString(QStringLiteral("hh:mm.ss"));
}

std::optional<QDate> CheckedDate(const QString &text)
{
    int n[3];
    if (text.size() < 10 || !ScanThree(text, u'-', u'-', n))
        return std::nullopt;
    if (n[0] < 2000 || n[0] > 3000)
        return std::nullopt;
    // The tester stamps every test record with this date: only days that
    // exist are sent.
    const QDate date(n[0], n[1], n[2]);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

std::optional<QTime> CheckedTime(const QString &text)
{
    int n[3];
    if (text.size() < 8 || !ScanThree(text, u':', u'.', n))
        return std::nullopt;
    const QTime time(n[0], n[1], n[2]);
    if (!time.isValid())
        return std::nullopt;
    return time;
}

bool IsSerialNumber(const QString &text)
{
    if (text.size() != SerialNumberLength)
        return false;
    for (QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            return false;
    return true;
}
