#pragma once
// The archive location chosen for this program: the file Kestrune.ARC beside
// the settings file holds it in one line; KESTRUNE_ARCHIVE wins over it.

#include "archive/store/archivelocation.h"

#include <QString>

#include <optional>

inline const char ArchiveChoiceFileName[] = "Kestrune.ARC";
// One line never comes near this; a larger file is not read.
inline constexpr qint64 ArchiveChoiceMaxBytes = 4096;

// The location in dir's Kestrune.ARC. No file, or an empty line: std::nullopt
// with no error. A file that cannot be read or a line that is no location:
// std::nullopt with the reason in *error.
std::optional<ArchiveLocation> ReadArchiveChoice(const QString &dir, ArchiveError *error);
// Writes where as the one line of dir's Kestrune.ARC, atomically; false with
// the reason in *error.
bool WriteArchiveChoice(const QString &dir, const ArchiveLocation &where, ArchiveError *error);

// KESTRUNE_ARCHIVE when set, else Kestrune.ARC in dir when it names a
// location, else the default. When the chosen text cannot be read, *error
// says why and the target is empty (the store refuses it); *error is cleared
// otherwise.
ArchiveLocation ChosenArchiveLocationIn(const QString &dir, ArchiveError *error);

// What the Database dialog takes: a file path for a local archive (relative
// to dir), or a server location ("postgresql://", "postgres://" or "odbc:").
// std::nullopt with the reason in *error, also for a server location that
// holds a password.
std::optional<ArchiveLocation> DatabaseChoice(bool server, const QString &text, const QString &dir,
                                              ArchiveError *error);
