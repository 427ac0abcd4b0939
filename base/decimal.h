#pragma once
// Decimal integers in texts, read the way the C library's strtol and "%d"
// read them: white space, an optional sign, then digits. Settings values,
// reply counts, typed dates and sort keys all go through here.

#include <QStringView>
#include <limits>

// White space as the C library's isspace sees it in the "C" locale.
inline bool IsCSpace(char16_t c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

struct DecimalText
{
    bool found = false;  // at least one digit followed the sign
    long long value = 0; // saturated at the limits of long long
    qsizetype end = 0;   // index just after the last digit read
};

// Reads from index from of text; skipSpace lets C white space lead.
DecimalText ScanDecimal(QStringView text, qsizetype from = 0, bool skipSpace = true);

// value clamped into the range of Int.
template <typename Int> Int ClampedTo(long long value)
{
    if (value < static_cast<long long>(std::numeric_limits<Int>::min()))
        return std::numeric_limits<Int>::min();
    if (value > static_cast<long long>(std::numeric_limits<Int>::max()))
        return std::numeric_limits<Int>::max();
    return static_cast<Int>(value);
}
