#include "archive/store/calibration.h"

#include "records/data/recordvalues.h"

#include <QRegularExpression>

#include <algorithm>

std::optional<QDate> CalibrationDate(const QString &text)
{
    static const QRegularExpression numeric(
        QStringLiteral("^\\s*(\\d{4})([-/.])(\\d{1,2})\\2(\\d{1,2})\\s*$"));
    const QRegularExpressionMatch m = numeric.match(text);
    QDate date;
    if (m.hasMatch()) {
        date = QDate(m.captured(1).toInt(), m.captured(3).toInt(), m.captured(4).toInt());
    } else {
        const long key = DateKey(text.trimmed());
        if (key > 10000000)
            date = QDate(int(key / 10000), int(key / 100 % 100), int(key % 100));
    }
    if (!date.isValid())
        return std::nullopt;
    return date;
}

CalibrationState CalibrationStateOf(const QString &lastCalibration, int months, const QDate &today)
{
    const std::optional<QDate> date = CalibrationDate(lastCalibration);
    if (!date)
        return CalibrationState::Unknown;
    return today > date->addMonths(months) ? CalibrationState::Due : CalibrationState::Current;
}

bool CalibrationDue(const QString &lastCalibration, int months, const QDate &today)
{
    return CalibrationStateOf(lastCalibration, months, today) != CalibrationState::Current;
}

QVector<ArchiveTester> DueTesters(const QVector<ArchiveTester> &testers, int months,
                                  const QDate &today)
{
    QVector<ArchiveTester> due;
    std::copy_if(
        testers.begin(), testers.end(), std::back_inserter(due),
        [&](const ArchiveTester &t) { return CalibrationDue(t.lastCalibration, months, today); });
    return due;
}
