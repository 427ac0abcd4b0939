#pragma once
// The settings file "Kestrune.CFG" in the start directory.

#include "tester/mainstate.h"

#include <QString>
#include <QStringList>

inline const char SettingsFileName[] = "Kestrune.CFG";
// 29 short lines never come near this; a larger file is not read.
inline constexpr qint64 SettingsMaxBytes = 64 * 1024;
// An invalid value is shown with at most this many characters.
inline constexpr int ShownValueLength = 40;

// The 29 lines of the file for the current settings.
QStringList BuildSettingsLines();

enum class SettingsLoad { Missing, TooShort, Invalid, Loaded };
// Takes the settings from the lines of a file (the globals of the main
// window's unit). Invalid: a value line is not a decimal integer; *error then
// holds "'<text>' is not a valid integer value", the text cut to
// ShownValueLength characters and "...", and the values read before it stay. Lines 1 to 19, 26 and
// 27 are taken; a file of exactly 27 lines leaves BluetoothMode as it is, a mode other than 0 or 1
// reads as 0 (USB), and a password line shorter than 4 characters leaves AdminPassword as it is.
SettingsLoad ApplySettingsLines(const QStringList &lines, QString *error);

// Loading step by step: defaults, then the file in dir when it exists. For a
// missing file the caller sets the centred positions. A file that exists but
// cannot be read, is no regular file or is larger than SettingsMaxBytes gives
// Invalid with the reason in *error. The file goes
// through FileLines.
SettingsLoad LoadSettings(const QString &dir, QString *error);
// Writes the file in dir, atomically. False with the reason in *error.
bool SaveSettings(const QString &dir, QString *error);

// The centred window place on a desktop of the given size.
TWindowPosition CentredPosition(int desktopWidth, int desktopHeight);
// Puts every stored window position that lies off the desktop (left beyond
// width - 100 or below 0, top beyond height - 50 or below 0) at the centred
// place, each coordinate on its own.
void ClampWindowPositions(int desktopWidth, int desktopHeight);

// The obscured password: each of the first four characters combined with the
// mask byte of its position. Applying it twice gives the password back.
QString ObscurePassword(const QString &password);

// A value line as an integer: leading blanks, an optional sign, decimal
// digits, nothing after them, within the range of int.
bool ParseSettingsInt(const QString &text, int *value);
