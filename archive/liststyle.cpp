#include "archive/liststyle.h"

#include "archive/chartscale.h"
#include "archive/store/calibration.h"
#include "records/data/recordvalues.h"

#include <QDate>

QString ListDateText(const QString &stored)
{
    const QString day = DateKeyText(DateKey(stored));
    return day.isEmpty() ? stored : day;
}

QString CalibrationListText(const QString &stored)
{
    const std::optional<QDate> day = CalibrationDate(stored);
    return day ? DayText(day->toJulianDay()) : stored;
}

QString DateKeyText(long dateKey)
{
    const std::optional<qint64> day = DayOfDateKey(dateKey);
    return day ? DayText(*day) : QString();
}

QString MomentListText(const QDateTime &when)
{
    if (!when.isValid())
        return QString();
    return DayText(when.date().toJulianDay()) + when.toString(QStringLiteral(" hh:mm"));
}

QStringList SampleDayTexts()
{
    QStringList days;
    for (int month = 1; month <= 12; ++month)
        days << DayText(QDate(2000, month, 28).toJulianDay());
    return days;
}

QString TListDateDelegate::displayText(const QVariant &value, const QLocale &locale) const
{
    if (value.typeId() == QMetaType::QString)
        return ListDateText(value.toString());
    return QStyledItemDelegate::displayText(value, locale);
}
