#pragma once
// What went wrong on the way to the archive, as data: a code, and what a
// message about it needs (the place, the database's or the system's own
// words, the piece that is wrong). The windows put it into words.

#include <QString>

enum class ArchiveErrorCode {
    None,
    // The location
    NoLocation,            // none given: a choice that could not be read leaves none
    UnknownLocation,       // detail: the text, which names no kind of location
    PasswordInLocation,    // a password among the location's parts
    NoOdbcConnection,      // "odbc:" with nothing after it
    NoPortNumber,          // detail: what stands where the port should
    UnbracketedAddress,    // an IPv6 address without its brackets before a port
    SeveralHosts,          // more than one server
    UnknownParameter,      // detail: the parameter's name
    SemicolonInParameter,  // detail: the parameter's name
    ParameterWithoutValue, // detail: the parameter
    NoFilePath,            // a local archive chosen without the path of its file
    NoServerLocation,      // a server chosen with a text that names none
    LocalNotSqlite,        // detail: KESTRUNE_ARCHIVE_LOCAL's text, which names no SQLite file
    // Kestrune.ARC and the archive's file
    NotOneLine,       // detail: the path of a file too large, or of no file at all
    FileFailed,       // reason: the system's words
    CannotMakeFolder, // detail: the folder
    NotAFile,
    // The database
    DriverMissing, // detail: Qt's name of the driver
    Database,      // reason: the database's own words
    NotAnArchive,  // the tables of another program
    NewerArchive,  // version: the archive's
    ServerSilent,  // the server stopped answering and was given up
    // Requests
    SettingsIncorrect,     // a test-number range that the search dialog refuses
    CalibrationOutOfRange, // an interval outside MinCalibrationMonths..MaxCalibrationMonths
    RetentionOutOfRange,   // a minimum retention outside MinRetentionYears..MaxRetentionYears
    InsideRetention,       // a cut-off within the minimum retention; version: its years
    Cancelled,
    // Data files brought in
    DataFileRefused, // reason: why it could not be read
    DataFileEmpty,
    DataFileMismatch, // the first line is not the marker
};

struct ArchiveError
{
    ArchiveError() = default;
    explicit ArchiveError(ArchiveErrorCode what) : code(what) {}
    // The same failure with one more thing said about it.
    ArchiveError At(const QString &where) const;
    ArchiveError Because(const QString &words) const;
    ArchiveError About(const QString &what) const;
    ArchiveError OfVersion(int archiveVersion) const;

    ArchiveErrorCode code = ArchiveErrorCode::None;
    // The archive or the file where it happened, as the operator reads it;
    // empty when the message names none.
    QString place;
    QString reason;  // the database's or the system's own words
    QString detail;  // the piece of a location, the path or the name the code speaks of
    int version = 0; // the archive's version (NewerArchive)

    bool Failed() const { return code != ArchiveErrorCode::None; }
};

inline ArchiveError ArchiveError::At(const QString &where) const
{
    ArchiveError e = *this;
    e.place = where;
    return e;
}

inline ArchiveError ArchiveError::Because(const QString &words) const
{
    ArchiveError e = *this;
    e.reason = words;
    return e;
}

inline ArchiveError ArchiveError::About(const QString &what) const
{
    ArchiveError e = *this;
    e.detail = what;
    return e;
}

inline ArchiveError ArchiveError::OfVersion(int archiveVersion) const
{
    ArchiveError e = *this;
    e.version = archiveVersion;
    return e;
}
