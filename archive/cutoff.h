#pragma once
// The day before which "Delete Old…" deletes, as the operator types or
// picks it, and the minimum retention that it must leave alone: records are
// kept at least N years, so the cut-off lies N years before today or
// earlier.

#include <QDate>
#include <QString>

#include <optional>

// "2021-01-01" (as the date picker gives it) or "01 - Jan - 2021" (as the
// lists write it), blanks around it allowed; nothing for any other text or a
// day its month does not have.
std::optional<QDate> TypedCutOff(const QString &text);
// The date key (yyyymmdd) of day.
long CutOffKey(const QDate &day);
// A cut-off after the latest the store allows (LatestCutOff in
// archive/store/archivetrail.h) would delete records still to be kept.
bool InsideRetention(const QDate &cutOff, int years, const QDate &today);
