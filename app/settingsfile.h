#pragma once
// The settings file "Kestrune.CFG" in the start directory.

#include <QString>
#include <QStringList>

inline const char SettingsFileName[] = "Kestrune.CFG";

// The 29 lines of the file for the current settings.
QStringList BuildSettingsLines();

enum class SettingsLoad { Missing, TooShort, Invalid, Loaded };
// Takes the settings from the lines of a file (the globals of the main
// window's unit). Invalid: a value line is not a decimal integer; *error then
// holds "'<text>' is not a valid integer value" and the values read before it
// stay.
SettingsLoad ApplySettingsLines(const QStringList &lines, QString *error);

// Loading step by step: defaults, then the file in dir when it exists. For a
// missing file the caller sets the centred positions.
SettingsLoad LoadSettings(const QString &dir, QString *error);
// Writes the file in dir, atomically. False with the reason in *error.
bool SaveSettings(const QString &dir, QString *error);

// The obscured password: each character combined with its mask byte.
QString ObscurePassword(const QString &password);
