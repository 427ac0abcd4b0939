#pragma once
// Where the records go: this PC's own archive always, an SQLite file, and
// the site's archive on a server when one is chosen. Every download and
// import is kept on this PC first; its outbox then sends it to the site.

#include "archive/store/archivelocation.h"

#include <QString>

#include <optional>

// The environment variable that moves this PC's archive while a server is
// chosen: "sqlite:" and a file path.
inline const char LocalArchiveEnvironment[] = "KESTRUNE_ARCHIVE_LOCAL";

struct ArchivePlaces
{
    ArchiveLocation local;               // this PC's archive (SQLite)
    std::optional<ArchiveLocation> site; // the site's server; none: this PC's archive only
};

// This PC's archive while a server is chosen: KESTRUNE_ARCHIVE_LOCAL when
// set, else the default file. std::nullopt with the reason in *error when
// KESTRUNE_ARCHIVE_LOCAL names no SQLite file.
std::optional<ArchiveLocation> LocalArchiveLocation(ArchiveError *error);

// The places of the location chosen in dir (ChosenArchiveLocationIn): an
// SQLite file chosen is this PC's archive and there is no site; a server
// chosen is the site. When the choice cannot be read, *error says why and
// the local target is empty (the store refuses it).
ArchivePlaces ChosenArchivePlacesIn(const QString &dir, ArchiveError *error);

// The same location, as the program writes it.
bool SamePlace(const ArchiveLocation &a, const ArchiveLocation &b);
bool SamePlaces(const ArchivePlaces &a, const ArchivePlaces &b);
