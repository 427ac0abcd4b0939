// The archive's results and failures in the operator's words: every failure
// of the store worded as before it came as data, the line under the results
// window's device lines, and the import's progress and summary.

#include "archive/archivewords.h"
#include "archive/store/archiveschema.h"

#include <QDir>
#include <QtTest>

Q_DECLARE_METATYPE(SearchCriteria)

Q_DECLARE_METATYPE(ArchiveError)

class TestArchiveWords : public QObject
{
    Q_OBJECT

private slots:
    void failures_data()
    {
        QTest::addColumn<ArchiveError>("error");
        QTest::addColumn<QString>("text");
        using C = ArchiveErrorCode;
        const QString at = QStringLiteral("/srv/archive.sqlite");
        QTest::newRow("no location") << ArchiveError(C::NoLocation) << "no archive location";
        QTest::newRow("unknown location")
            << ArchiveError(C::UnknownLocation).About("mysql://host/db")
            << "KESTRUNE_ARCHIVE must be sqlite: followed by a file path, postgresql:// followed "
               "by a server, or odbc: followed by a connection string, not \"mysql://host/db\"";
        QTest::newRow("password")
            << ArchiveError(C::PasswordInLocation)
            << "the archive location must not hold a password: libpq reads it from its password "
               "file (PGPASSFILE or ~/.pgpass) or service file, ODBC from the DSN";
        QTest::newRow("odbc alone") << ArchiveError(C::NoOdbcConnection)
                                    << "odbc: must be followed by a connection string or DSN";
        QTest::newRow("port") << ArchiveError(C::NoPortNumber).About("99999")
                              << "the port \"99999\" is no port number";
        QTest::newRow("ipv6") << ArchiveError(C::UnbracketedAddress)
                              << "an IPv6 address must be in brackets, then a port";
        QTest::newRow("hosts") << ArchiveError(C::SeveralHosts) << "one host only";
        QTest::newRow("parameter") << ArchiveError(C::UnknownParameter).About("Bad-Key")
                                   << "\"Bad-Key\" is no connection parameter";
        QTest::newRow("semicolon") << ArchiveError(C::SemicolonInParameter).About("options")
                                   << "the value of options must not contain ';'";
        QTest::newRow("no value") << ArchiveError(C::ParameterWithoutValue).About("sslmode")
                                  << "the parameter \"sslmode\" has no value";
        QTest::newRow("no path") << ArchiveError(C::NoFilePath)
                                 << "the archive needs the path of its file";
        QTest::newRow("no server")
            << ArchiveError(C::NoServerLocation)
            << "a server must be given as postgresql:// followed by the server, or odbc: "
               "followed by a connection string or DSN";
        QTest::newRow("choice file too long")
            << ArchiveError(C::NotOneLine).About("/d/Kestrune.ARC")
            << "/d/Kestrune.ARC is no file of one line";
        QTest::newRow("choice in a file that is no location")
            << ArchiveError(C::PasswordInLocation).At("/d/Kestrune.ARC")
            << "/d/Kestrune.ARC: the archive location must not hold a password: libpq reads it "
               "from its password file (PGPASSFILE or ~/.pgpass) or service file, ODBC from the "
               "DSN";
        QTest::newRow("file") << ArchiveError(C::FileFailed).At(at).Because("Permission denied")
                              << at + ": Permission denied";
        QTest::newRow("folder") << ArchiveError(C::CannotMakeFolder).At(at).About("/srv")
                                << at + ": cannot make the folder /srv";
        QTest::newRow("not a file") << ArchiveError(C::NotAFile).At(at) << at + ": not a file";
        QTest::newRow("sqlite driver") << ArchiveError(C::DriverMissing).At(at).About("QSQLITE")
                                       << at + ": the SQLite driver of Qt is missing";
        QTest::newRow("server driver") << ArchiveError(C::DriverMissing).At("odbc:K").About("QODBC")
                                       << "odbc:K: the QODBC driver of Qt is missing";
        QTest::newRow("database") << ArchiveError(C::Database).At(at).Because("database is locked")
                                  << at + ": database is locked";
        QTest::newRow("another program's")
            << ArchiveError(C::NotAnArchive).At(at) << at + ": not a Kestrune archive";
        QTest::newRow("newer") << ArchiveError(C::NewerArchive).At(at).OfVersion(99)
                               << at + QStringLiteral(": the archive was written by a newer "
                                                      "Kestrune (archive version 99, this "
                                                      "program knows up to %1)")
                                           .arg(ArchiveSchemaVersion);
        QTest::newRow("settings") << ArchiveError(C::SettingsIncorrect) << "Settings incorrect";
        QTest::newRow("interval") << ArchiveError(C::CalibrationOutOfRange)
                                  << "the calibration interval must be 1 to 120 months";
        QTest::newRow("cancelled") << ArchiveError(C::Cancelled) << "Cancelled";
        QTest::newRow("unreadable data file")
            << ArchiveError(C::DataFileRefused).Because("the file is too large")
            << "the file is too large";
        QTest::newRow("empty data file") << ArchiveError(C::DataFileEmpty) << "the file is empty";
        QTest::newRow("mismatch") << ArchiveError(C::DataFileMismatch)
                                  << "Kestrune Data format mismatch !!!";
    }
    void failures()
    {
        QFETCH(ArchiveError, error);
        QFETCH(QString, text);
        QCOMPARE(ArchiveErrorText(error), text);
    }

    // No failure goes without words.
    void everyFailureWorded()
    {
        for (int code = int(ArchiveErrorCode::None) + 1;
             code <= int(ArchiveErrorCode::DataFileMismatch); ++code) {
            const ArchiveError error = ArchiveError(ArchiveErrorCode(code)).Because("r").About("d");
            QVERIFY2(!ArchiveErrorText(error).isEmpty(), qPrintable(QString::number(code)));
        }
    }

    void downloadLine_data()
    {
        QTest::addColumn<bool>("archived");
        QTest::addColumn<bool>("due");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("failure");
        QTest::newRow("archived") << true << false << "5 new records archived, 2 already there"
                                  << "";
        QTest::newRow("due") << true << true
                             << "5 new records archived, 2 already there - calibration due!!!"
                             << "";
        QTest::newRow("not archived")
            << false << false << "Records not archived"
            << "Records Not Archived : /a/archive.sqlite: file is not a database";
    }
    void downloadLine()
    {
        QFETCH(bool, archived);
        QFETCH(bool, due);
        QFETCH(QString, line);
        QFETCH(QString, failure);
        ArchiveResult<DownloadArchived> result;
        if (archived)
            result.value = DownloadArchived{{5, 2}, due};
        else
            result.error = ArchiveError(ArchiveErrorCode::Database)
                               .At("/a/archive.sqlite")
                               .Because("file is not a database");
        const DownloadArchivingText said = DownloadArchivingWords(result);
        QCOMPARE(said.line, line);
        QCOMPARE(said.failure, failure);
    }

    // The summaries of tst_archivestore's imports: files refused with their
    // reasons, and a cancelled one.
    void selectionHeader_data()
    {
        QTest::addColumn<QString>("tester");
        QTest::addColumn<SearchCriteria>("criteria");
        QTest::addColumn<QStringList>("lines");
        SearchCriteria all;
        QTest::newRow("all testers, no filter")
            << "all testers" << all
            << QStringList{"Kestrune archive", "Tester : all testers", "Dates : all dates",
                           "Filter : none"};
        // Reversed ends are read in order, as the search reads them.
        SearchCriteria every;
        every.byDate = true;
        every.dateFrom = "2010-03-31";
        every.dateTo = "2010-03-01";
        every.byTestNo = true;
        every.testNoFrom = "200";
        every.testNoTo = "0100";
        every.byReading = true;
        every.readingFrom = "0.000";
        every.readingTo = "0.080";
        every.unit = "%BAC";
        every.byResult = true;
        every.result = "FAIL";
        QTest::newRow("one tester, every filter")
            << "SN0012345" << every
            << QStringList{"Kestrune archive", "Tester : SN0012345",
                           "Dates : 01 - Mar - 2010 to 31 - Mar - 2010",
                           "Filter : Test No 100 to 200; Reading 0.000 to 0.080 %BAC; "
                           "Test Result FAIL"};
    }
    void selectionHeader()
    {
        QFETCH(QString, tester);
        QFETCH(SearchCriteria, criteria);
        QFETCH(QStringList, lines);
        QCOMPARE(SelectionHeaderLines(tester, criteria), lines);
    }

    void importSummary()
    {
        const QString dir = QStringLiteral("/data");
        ImportSummary summary{3, 40, 20, {}, false};
        summary.refused.append(
            {dir + "/other.DAT", ArchiveError(ArchiveErrorCode::DataFileMismatch)});
        summary.refused.append(
            {dir + "/missing.DAT",
             ArchiveError(ArchiveErrorCode::DataFileRefused).Because("No such file or directory")});
        const QString text = ImportSummaryText(summary);
        QVERIFY(text.startsWith("Files read : 3\nRecords added : 40\nRecords already there : 20\n"
                                "Files refused : 2\n"));
        QVERIFY(text.contains("other.DAT : Kestrune Data format mismatch !!!"));
        QVERIFY(text.endsWith(QDir::toNativeSeparators(dir + "/missing.DAT") +
                              " : No such file or directory"));
        summary = ImportSummary{1, 10, 0, {}, true};
        QVERIFY(ImportSummaryText(summary).endsWith("Import cancelled"));
        QCOMPARE(ImportProgressText({1, 5, 12345}, {"/d/a.DAT", "/d/b.DAT"}),
                 QStringLiteral("File 2 of 5 : b.DAT\n12,345 records"));
        QCOMPARE(GroupedCount(1234567), QStringLiteral("1,234,567"));
    }
};

QTEST_GUILESS_MAIN(TestArchiveWords)
#include "tst_archivewords.moc"
