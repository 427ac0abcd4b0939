#include "base/decimal.h"

#include <climits>

DecimalText ScanDecimal(QStringView text, qsizetype from, bool skipSpace)
{
    qsizetype i = from;
    const qsizetype n = text.size();
    while (skipSpace && i < n && IsCSpace(text[i].unicode()))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    DecimalText result;
    unsigned long long magnitude = 0;
    const unsigned long long limit = negative ? 0ULL - static_cast<unsigned long long>(LLONG_MIN)
                                              : static_cast<unsigned long long>(LLONG_MAX);
    const qsizetype digits = i;
    for (; i < n && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        const unsigned digit = text[i].unicode() - u'0';
        magnitude = magnitude > (limit - digit) / 10 ? limit : magnitude * 10 + digit;
    }
    if (i == digits)
        return {false, 0, from};
    result.found = true;
    result.end = i;
    result.value = !negative            ? static_cast<long long>(magnitude)
                   : magnitude == limit ? LLONG_MIN
                                        : -static_cast<long long>(magnitude);
    return result;
}
