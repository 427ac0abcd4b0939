#pragma once
// Text files of lines in the program's single-byte code page: settings file,
// data files and export files.

#include <QString>
#include <QStringList>

// Reads a whole file. A line ends at CR LF, at a lone CR or at a lone LF; a
// final line end adds no empty line. Every byte becomes the character of the
// same code (Latin-1). Returns false with the reason in *error; lines is then
// left as it was.
bool LoadLines(const QString &path, QStringList &lines, QString *error);

// Writes every line followed by CR LF, one byte a character (characters
// beyond Latin-1 become '?'). The file is replaced atomically: a new
// file is written beside it and renamed over it, so a failed save leaves the
// old file as it was. Returns false with the reason in *error.
bool SaveLinesAtomically(const QString &path, const QStringList &lines, QString *error);
