#pragma once
// The unit the operator last picked for the archive window's chart, kept
// from one start to the next in the file Kestrune.CHT beside the settings
// file: one line, the unit as the unit list writes it ("mg/L", "o/oo"). It
// is how this operator likes to look at readings, so it stays in the
// operator's own start directory rather than in an archive that a whole
// site shares, and it is there also while the site's server is away.

#include <QString>

#include <optional>

inline const char ChartUnitFileName[] = "Kestrune.CHT";

// The unit of the unit list (as the list writes it: "o/oo ", "%BAC", ...)
// that dir's Kestrune.CHT names; std::nullopt when there is no such file,
// it cannot be read, or it names no unit of the list. Nothing is said then:
// the chart starts in the selection's most common unit.
std::optional<QString> ReadChartUnit(const QString &dir);

// Writes unit as the one line of dir's Kestrune.CHT, replacing the file
// atomically; false with the reason in *error.
bool WriteChartUnit(const QString &dir, const QString &unit, QString *error);
