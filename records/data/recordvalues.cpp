#include "records/data/recordvalues.h"

#include "base/decimal.h"

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
