#include "records/data/recordvalues.h"

#include "base/decimal.h"
#include "records/data/recordfields.h"

#include <QByteArray>

#include <charconv>
#include <cmath>

long TextToLong(const QString &text)
{
    return ClampedTo<long>(ScanDecimal(text).value);
}

float TextToFloat(QStringView text)
{
    int at = 0;
    while (at < text.size() && IsCSpace(text[at].unicode()))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == u'+' || text[at] == u'-')) {
        negative = text[at] == u'-';
        ++at;
    }
    // The longest piece that can still be a number: digits, point, exponent,
    // and the letters of "inf" and "nan".
    QByteArray bytes;
    for (; at < text.size() && text[at].unicode() < 0x80 && text[at] > u' '; ++at) {
        const char c = char(text[at].unicode());
        if (c == '+' || c == '-') {
            const char before = bytes.isEmpty() ? 0 : bytes.back();
            if (before != 'e' && before != 'E')
                break;
        }
        bytes += c;
    }
    double value = 0;
    const char *begin = bytes.constData();
    const std::from_chars_result parsed = std::from_chars(begin, begin + bytes.size(), value);
    if (parsed.ec == std::errc::result_out_of_range) {
        const bool tiny = bytes.contains("e-") || bytes.contains("E-");
        value = tiny ? 0.0 : HUGE_VAL;
    } else if (parsed.ec != std::errc()) {
        value = 0;
    }
    return float(negative ? -value : value);
}

long DateKey(const QString &date)
{
    QString text = date.mid(11, 4);
    const QString month = date.mid(5, 3);
    for (int m = 0; m <= 12; ++m) {
        if (month == QLatin1String(MonthNames[m])) {
            text += QString::number(m).rightJustified(2, u'0');
            break;
        }
    }
    text += date.left(2);
    return TextToLong(text);
}

long PickedDateKey(const QString &text)
{
    return TextToLong(text.mid(0, 4) + text.mid(5, 2) + text.mid(8, 2));
}

bool ReadingComparable(const QString &reading)
{
    if (reading.isEmpty())
        return false;
    const QChar first = reading.front();
    return first == u' ' || (first >= u'0' && first <= u'5');
}

float ReadingValue(const QString &reading)
{
    return TextToFloat(QStringView(reading).left(5));
}

QStringView ReadingUnit(const QString &reading)
{
    return QStringView(reading).mid(6, 9);
}

namespace {
bool AsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Two digits 0-9 at text[at]; -1 when they are not there.
int TwoDigits(QStringView text, qsizetype at)
{
    if (at + 2 > text.size() || !AsciiDigit(text[at]) || !AsciiDigit(text[at + 1]))
        return -1;
    return (text[at].unicode() - u'0') * 10 + (text[at + 1].unicode() - u'0');
}
} // namespace

std::optional<int> TimeOfDaySeconds(QStringView time)
{
    time = time.trimmed();
    // The hour may come with one digit.
    const qsizetype colon = time.indexOf(u':');
    if (colon < 1 || colon > 2)
        return std::nullopt;
    const int hour = colon == 2            ? TwoDigits(time, 0)
                     : AsciiDigit(time[0]) ? time[0].unicode() - u'0'
                                           : -1;
    const int minute = TwoDigits(time, colon + 1);
    int second = 0;
    const qsizetype rest = colon + 3;
    if (rest < time.size()) {
        if (time.size() != rest + 3 || (time[rest] != u':' && time[rest] != u'.'))
            return std::nullopt;
        second = TwoDigits(time, rest + 1);
    } else if (rest != time.size()) {
        return std::nullopt;
    }
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return std::nullopt;
    return hour * 3600 + minute * 60 + second;
}

ReadingParts SplitReading(QStringView reading)
{
    // The longest unit first: "g/L" also ends "mg/L" and "ug/L".
    static const QString units[] = {UnitText('5'), UnitText('0'), UnitText('1'),
                                    UnitText('2'), UnitText('6'), UnitText('4')};
    for (const QString &unit : units) {
        if (reading.endsWith(unit))
            return {reading.chopped(unit.size()), reading.right(unit.size())};
    }
    return {reading, QStringView()};
}

std::optional<double> ReadingNumber(QStringView value)
{
    const QByteArray text = value.trimmed().toLatin1();
    if (text.isEmpty())
        return std::nullopt;
    const char *begin = text.constData();
    const char *end = begin + text.size();
    // from_chars takes no leading '+', and reads the same in every locale.
    if (*begin == '+')
        ++begin;
    double number = 0;
    const std::from_chars_result parsed = std::from_chars(begin, end, number);
    if (parsed.ec != std::errc() || parsed.ptr != end || !std::isfinite(number))
        return std::nullopt;
    return number;
}

std::optional<QDate> DateOfRecord(QStringView date)
{
    while (date.endsWith(u' '))
        date.chop(1);
    if (date.size() != 15)
        return std::nullopt;
    for (const qsizetype at : {2, 3, 4, 8, 9, 10}) {
        if (date[at].isLetterOrNumber())
            return std::nullopt;
    }
    int month = 0;
    for (int m = 1; m <= 12 && month == 0; ++m) {
        if (date.mid(5, 3) == QLatin1String(MonthNames[m]))
            month = m;
    }
    const int day = TwoDigits(date, 0);
    const int century = TwoDigits(date, 11);
    const int year = TwoDigits(date, 13);
    const QDate read(century * 100 + year, month, day);
    if (month == 0 || day < 0 || century < 0 || year < 0 || !read.isValid())
        return std::nullopt;
    return read;
}
