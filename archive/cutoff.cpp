#include "archive/cutoff.h"

#include "archive/store/archivetrail.h"
#include "records/data/recordvalues.h"

#include <QRegularExpression>

std::optional<QDate> TypedCutOff(const QString &text)
{
    const QString typed = text.trimmed();
    static const QRegularExpression picked(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})$"));
    const QRegularExpressionMatch m = picked.match(typed);
    if (m.hasMatch()) {
        const QDate day(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        return day.isValid() ? std::optional<QDate>(day) : std::nullopt;
    }
    return DateOfRecord(typed);
}

long CutOffKey(const QDate &day)
{
    return long(day.year()) * 10000 + day.month() * 100 + day.day();
}

bool InsideRetention(const QDate &cutOff, int years, const QDate &today)
{
    return CutOffKey(cutOff) > LatestCutOff(years, today);
}
