#pragma once
// An archive in a scratch folder of the test's own (KESTRUNE_ARCHIVE points
// there), and records to put into it.

#include "archive/store/archivechoice.h"
#include "archive/store/archiveplaces.h"
#include "archive/store/archivesql.h"
#include "archive/store/archivestore.h"
#include "archive/store/sqlconnection.h"
#include "records/data/datafile.h"
#include "records/data/recordfields.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// What a failure holds, for the output of a test that fails.
inline QString Said(const ArchiveError &error)
{
    return QStringLiteral("code %1 at \"%2\": %3 %4")
        .arg(int(error.code))
        .arg(error.place, error.reason, error.detail);
}

class ArchiveFixture
{
public:
    ArchiveFixture()
    {
        qputenv(ArchiveEnvironment, "sqlite:" + Path().toLocal8Bit());
        qputenv(LocalArchiveEnvironment, "sqlite:" + LocalPath().toLocal8Bit());
    }

    QString Dir() const { return FDir.path(); }
    QString Path() const { return FDir.filePath(QStringLiteral("archive.sqlite")); }
    // This PC's archive while a server is chosen.
    QString LocalPath() const { return FDir.filePath(QStringLiteral("local.sqlite")); }
    ArchiveLocation Where() const { return {ArchiveLocation::Driver::Sqlite, Path()}; }

    std::unique_ptr<ArchiveStore> Open(ArchiveError *error = nullptr) const
    {
        ArchiveError reason;
        std::unique_ptr<ArchiveStore> store = ArchiveStore::Open(Where(), &reason);
        if (error)
            *error = reason;
        return store;
    }

    // The archive chosen in dir (KESTRUNE_ARCHIVE first), opened.
    static std::unique_ptr<ArchiveStore> OpenChosen(const QString &dir, ArchiveError *error)
    {
        const ArchiveLocation where = ChosenArchiveLocationIn(dir, error);
        return error->Failed() ? nullptr : ArchiveStore::Open(where, error);
    }

    static QByteArray Bytes(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static void Write(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(bytes), bytes.size());
    }

    // A data file at path of tester KT1 with count records numbered from
    // first on; its path.
    static QString DataFile(const QString &path, int first, int count)
    {
        Write(path, BuildRecordFileLines(Tester("KT1"),
                                         GridRows{PlainHeadings()} + Records(first, count), ',')
                        .join("\r\n")
                        .toLatin1());
        return path;
    }

    // Runs statements on the database at path as another program would.
    static void RunOn(const QString &path, const QStringList &statements)
    {
        SqlConnection other(QStringLiteral("QSQLITE"));
        QSqlDatabase db = other.Db();
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery query(db);
        QString error;
        for (const QString &sql : statements)
            QVERIFY2(RunSql(query, sql, {}, &error), qPrintable(error));
    }

    // The device lines of the tester with this serial number.
    static QStringList Tester(const QString &serial, const QString &calibration = "2011-03-15")
    {
        return {QStringLiteral("Device Information "), "Serial Number         : " + serial,
                QStringLiteral("Software Version  : V2.13"),
                "Last Calibration      : " + calibration};
    }

    // count records numbered from first on, one a day from 1 January 2010,
    // readings in %BAC and mg/L, PASS and FAIL.
    static GridRows Records(int first, int count)
    {
        static const char *const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
        GridRows rows;
        for (int i = first; i < first + count; ++i) {
            const int day = i % 28 + 1;
            const int month = i / 28 % 12;
            const int year = 2010 + i / 336 % 10;
            const QString date = QStringLiteral("%1 - %2 - %3")
                                     .arg(day, 2, 10, QLatin1Char('0'))
                                     .arg(QLatin1String(months[month]))
                                     .arg(year);
            const QString reading =
                QStringLiteral("%1").arg((i * 37 % 500) / 1000.0, 5, 'f', 3) +
                (i % 3 == 0 ? QStringLiteral(" mg/L") : QStringLiteral(" %BAC"));
            rows.append(
                {QStringLiteral("%1").arg(i + 1, 5, 10, QLatin1Char('0')), date,
                 QStringLiteral("%1:%2.00").arg(8 + i % 10).arg(i % 60, 2, 10, QLatin1Char('0')),
                 reading, i % 4 == 0 ? QStringLiteral("FAIL") : QStringLiteral("PASS"),
                 i % 2 ? QStringLiteral("Manual") : QStringLiteral("-")});
        }
        return rows;
    }

private:
    QTemporaryDir FDir;
};
