#pragma once
// Reading a workbook file back, entry by entry, to see that it is whole
// before it replaces an old file: libxlsxwriter writes each part to a
// temporary file first and does not notice when the disk refuses part of
// one (it frees that space again before it writes the zip file), so a
// workbook with a cut-off sheet could otherwise pass for complete.

#include <QByteArrayView>
#include <QString>

#include <functional>

// Hands every entry of the zip file at path to take, inflated, in pieces of
// a bounded size (an entry's first piece may be empty), in the order of the
// zip's directory. False with the reason in *reason when the file is no zip
// file this reads (stored or deflated entries, no zip64), or when an entry
// does not inflate to the size and CRC its directory records.
using ZipPieceTaker = std::function<void(const QString &name, QByteArrayView piece)>;
bool ReadZipEntries(const QString &path, const ZipPieceTaker &take, QString *reason);

// Empty when the workbook at path is whole: a zip file whose entries all
// inflate as recorded, each XML part ending with its root element's end tag,
// and a first sheet among them. Otherwise what is wrong.
QString WorkbookDamage(const QString &path);
