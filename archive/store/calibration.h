#pragma once
// When a tester is due for calibration: its last calibration, as its device
// line gives it, older than the site's calibration interval.

#include "archive/store/archivestore.h"

#include <QDate>
#include <QString>
#include <QVector>

#include <optional>

// The interval when the archive has none stored, and the intervals allowed.
inline constexpr int DefaultCalibrationMonths = 12;
inline constexpr int MinCalibrationMonths = 1;
inline constexpr int MaxCalibrationMonths = 120;

// The date of a last-calibration text: "yyyy-mm-dd" (also with '/' or '.'),
// or a date as the tester writes its records; std::nullopt for anything else.
std::optional<QDate> CalibrationDate(const QString &text);

enum class CalibrationState {
    Current, // calibrated within the interval
    Due,     // the last calibration is older than the interval
    Unknown  // the last calibration cannot be read: nothing shows it is current
};

// On the day the interval ends the tester is still current; from the next
// day on it is due.
CalibrationState CalibrationStateOf(const QString &lastCalibration, int months, const QDate &today);
// Due or Unknown.
bool CalibrationDue(const QString &lastCalibration, int months, const QDate &today);

// The testers that are due, in the order given.
QVector<ArchiveTester> DueTesters(const QVector<ArchiveTester> &testers, int months,
                                  const QDate &today);
