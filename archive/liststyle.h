#pragma once
// How the archive window writes dates in its lists and messages: in the
// results window's style, "11 - Mar - 2010" (whatever form a tester or a
// data file gave the record's date in), and a moment with its time of day,
// "11 - Mar - 2010 17:59". Times of records are shown as they are stored.

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QStyledItemDelegate>

// A record's date in the list's style when it names a day ("11 / Mar /
// 2010", "11 - Mar - 2010"); else the text as it is.
QString ListDateText(const QString &stored);
// A tester's last calibration ("2010-03-01", or as its record dates) in the
// list's style when it names a day; else the text as the tester gave it.
QString CalibrationListText(const QString &stored);
// A date key (yyyymmdd) in the list's style; empty when it names no day.
QString DateKeyText(long dateKey);
// "11 - Mar - 2010 17:59"; empty when when is not valid.
QString MomentListText(const QDateTime &when);
// The day of each month written in the list's style, for measuring the
// widest.
QStringList SampleDayTexts();

// Shows the records' dates of a table column in the list's style; the
// records keep their own texts.
class TListDateDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QString displayText(const QVariant &value, const QLocale &locale) const override;
};
