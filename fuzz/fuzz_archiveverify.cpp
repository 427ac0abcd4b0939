// The verifier on a damaged archive: a small archive of several testers,
// batches and a deletion, with bytes at places the input picks overwritten
// and the file cut short where it says. The verifier ends, leaves the file
// as it was (it only reads), and either refuses the file with a reason or
// gives a verdict; an archive left whole is intact.
//
// The input is read four bytes at a time: three give a place in the file
// (big-endian, taken modulo its size) and the fourth the byte put there.
// Three bytes left over give the length the file is cut to, in the same way.

#include "archive/store/archiveschema.h"
#include "archive/store/archivestore.h"
#include "archive/store/archiveverify.h"
#include "fuzz/fuzzing.h"

#include <QCoreApplication>

namespace {

QByteArray Contents(const QString &path)
{
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

QStringList TesterLines(int tester)
{
    return {QStringLiteral("Device Information "),
            QStringLiteral("Serial Number         : SN%1").arg(tester, 7, 10, QLatin1Char('0')),
            QStringLiteral("Software Version  : V2.13"),
            QStringLiteral("Last Calibration      : 2011-03-15")};
}

// count records from first on, one a day from 1 January 2010.
GridRows Records(int first, int count)
{
    GridRows rows;
    for (int i = first; i < first + count; ++i)
        rows.append(
            {QStringLiteral("%1").arg(i + 1, 5, 10, QLatin1Char('0')),
             QDate(2010, 1, 1).addDays(i).toString(QStringLiteral("dd - MMM - yyyy")),
             QStringLiteral("%1:%2.00").arg(8 + i % 10).arg(i % 60, 2, 10, QLatin1Char('0')),
             QStringLiteral("0.%1 %BAC").arg(i * 37 % 500, 3, 10, QLatin1Char('0')),
             i % 4 == 0 ? QStringLiteral("FAIL") : QStringLiteral("PASS"),
             i % 2 ? QStringLiteral("Manual") : QStringLiteral("-")});
    return rows;
}

// Three testers with two batches each, a setting changed and the first
// days' records deleted: every table the verifier reads holds rows. Made
// once; each input starts from a copy of its bytes.
QByteArray SmallArchive()
{
    const QString path = ScratchDir() + QStringLiteral("/made.sqlite");
    {
        ArchiveError error;
        std::unique_ptr<ArchiveStore> store =
            ArchiveStore::Open({ArchiveLocation::Driver::Sqlite, path}, &error);
        FUZZ_CHECK(store);
        for (int tester = 1; tester <= 3; ++tester) {
            FUZZ_CHECK(store->Add(TesterLines(tester), Records(0, 6), &error));
            FUZZ_CHECK(store->Add(TesterLines(tester), Records(4, 6), &error));
        }
        FUZZ_CHECK(store->SetCalibrationMonths(24, &error));
        FUZZ_CHECK(store->DeleteOlderThan(20100103, std::nullopt, &error).value_or(0) == 6);
    }
    // Closed: everything is in the file itself.
    FUZZ_CHECK(!QFileInfo::exists(path + QStringLiteral("-wal")));
    return Contents(path);
}

qsizetype PlaceIn(const uint8_t *at, qsizetype size)
{
    return qsizetype((quint32(at[0]) << 16) | (quint32(at[1]) << 8) | at[2]) % size;
}

QByteArray Damaged(const QByteArray &whole, const uint8_t *data, size_t size)
{
    QByteArray bytes = whole;
    size_t i = 0;
    for (; i + 4 <= size; i += 4)
        bytes[PlaceIn(data + i, bytes.size())] = char(data[i + 3]);
    if (size - i == 3)
        bytes.truncate(PlaceIn(data + i, bytes.size()));
    return bytes;
}

// Why a damaged file may be refused: the database's words (or what is
// wrong with its version's table), or what its version says it is.
bool ARefusal(const ArchiveError &error)
{
    switch (error.code) {
    case ArchiveErrorCode::Database:
    case ArchiveErrorCode::Damaged:
        return !error.reason.isEmpty();
    case ArchiveErrorCode::NotAnArchive:
        return true;
    case ArchiveErrorCode::NewerArchive:
        return error.version > ArchiveSchemaVersion;
    case ArchiveErrorCode::UnverifiableArchive:
        return error.version > 0 && error.version < ArchiveSchemaVersion;
    default:
        return false;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QByteArray whole = SmallArchive();
    const QByteArray bytes = Damaged(whole, data, size);
    const QString path = WriteScratchFile(QStringLiteral("archive.sqlite"), bytes);
    ArchiveError error;
    const std::optional<ArchiveVerdict> verdict =
        VerifyArchiveAt({ArchiveLocation::Driver::Sqlite, path}, {}, &error);
    // Only read: the file as it was, and nothing made beside it.
    FUZZ_CHECK(Contents(path) == bytes);
    for (const char *beside : {"-wal", "-shm", "-journal"})
        FUZZ_CHECK(!QFileInfo::exists(path + QLatin1String(beside)));
    if (bytes == whole)
        FUZZ_CHECK(verdict && verdict->Intact());
    if (!verdict) {
        if (!ARefusal(error))
            std::fprintf(stderr, "refused: code %d, version %d, reason %s\n", int(error.code),
                         error.version, qPrintable(error.reason));
        FUZZ_CHECK(ARefusal(error) && !error.place.isEmpty());
        return 0;
    }
    FUZZ_CHECK(!error.Failed());
    FUZZ_CHECK(verdict->breakCount >= verdict->breaks.size());
    FUZZ_CHECK(verdict->breaks.size() <= NamedBreaksAtMost);
    return 0;
}
