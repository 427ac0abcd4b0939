#pragma once
// How the archive keeps a zero byte of a tester's text: as U+2400 (SYMBOL
// FOR NULL), the same on every database. SQLite would keep the zero, Qt's
// PostgreSQL driver refuses a statement holding one, and ODBC cuts the text
// there (two records could then meet on the duplicate key).
//
// No text from a tester ever holds U+2400: downloads and data files are read
// one byte a character (Latin-1), which never gives a character above U+00FF.
// The stored text therefore tells the original bytes exactly.

#include "records/data/recordfields.h"

#include <QString>
#include <QStringList>

inline constexpr char16_t StoredZero = u'\u2400';

// The texts as the archive stores them: every zero character as StoredZero.
// Rows without a zero are shared, not copied.
GridRows StoredTexts(const GridRows &rows);
QStringList StoredTexts(const QStringList &texts);

// The inverse: a stored text as the tester gave it, for anyone who
// recomputes a record's fingerprint or writes its original bytes.
QString OriginalText(const QString &stored);
