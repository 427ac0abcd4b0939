// The archive's results and failures in the operator's words: every failure
// of the store worded as before it came as data, the line under the results
// window's device lines, and the import's progress and summary.

#include "archive/archivewords.h"
#include "archive/sitestate.h"
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
        QTest::newRow("server silent") << ArchiveError(C::ServerSilent).At("postgresql://db/k")
                                       << "postgresql://db/k: the server gave no answer for 10 s";
        QTest::newRow("local archive on no file")
            << ArchiveError(C::LocalNotSqlite).About("odbc:X")
            << "KESTRUNE_ARCHIVE_LOCAL must be sqlite: followed by a file path, not \"odbc:X\"";
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
        QTest::addColumn<qint64>("waiting"); // of the tester, for the site; -1: no site
        QTest::newRow("archived") << true << false << "5 new records archived, 2 already there"
                                  << "" << -1LL;
        QTest::newRow("due") << true << true
                             << "5 new records archived, 2 already there - calibration due!!!"
                             << "" << -1LL;
        QTest::newRow("a large download, grouped")
            << true << false << "499,995 new records archived, 1,509 already there"
            << "" << -1LL;
        QTest::newRow("not archived")
            << false << false << "Records not archived"
            << "Records Not Archived : /a/archive.sqlite: file is not a database" << -1LL;
        QTest::newRow("waiting for the site")
            << true << false
            << "5 new records archived, 2 already there - 12 waiting for the site server"
            << "" << 12LL;
        QTest::newRow("many waiting, grouped")
            << true << false
            << "5 new records archived, 2 already there - 1,234,567 waiting for the site server"
            << "" << 1234567LL;
        QTest::newRow("on the site, due")
            << true << true
            << "5 new records archived, 2 already there - on the site server - calibration due!!!"
            << "" << 0LL;
        QTest::newRow("not archived, site chosen")
            << false << false << "Records not archived"
            << "Records Not Archived : /a/archive.sqlite: file is not a database" << 3LL;
    }
    void downloadLine()
    {
        QFETCH(bool, archived);
        QFETCH(bool, due);
        QFETCH(QString, line);
        QFETCH(QString, failure);
        QFETCH(qint64, waiting);
        ArchiveResult<DownloadArchived> result;
        if (archived)
            result.value = line.startsWith(QLatin1String("499"))
                               ? DownloadArchived{{499995, 1509}, due}
                               : DownloadArchived{{5, 2}, due};
        else
            result.error = ArchiveError(ArchiveErrorCode::Database)
                               .At("/a/archive.sqlite")
                               .Because("file is not a database");
        const DownloadArchivingText said =
            waiting < 0 ? DownloadArchivingWords(result)
                        : DownloadArchivingWords(result, std::optional<qint64>(waiting));
        QCOMPARE(said.line, line);
        QCOMPARE(said.failure, failure);
    }

    void calibrationInterval_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::addColumn<QString>("said");
        QTest::newRow("set") << 12 << 24 << "Calibration interval set to 24 months";
        QTest::newRow("one month") << 12 << 1 << "Calibration interval set to 1 month";
        QTest::newRow("unchanged") << 24 << 24 << "Calibration interval is already 24 months";
        QTest::newRow("unchanged, one") << 1 << 1 << "Calibration interval is already 1 month";
    }
    void calibrationInterval()
    {
        QFETCH(int, before);
        QFETCH(int, after);
        QFETCH(QString, said);
        QCOMPARE(CalibrationSetText(before, after), said);
        QCOMPARE(CalibrationRangeText(),
                 QStringLiteral("The calibration interval must be 1 to 120 months"));
    }

    // The main window's line and the archive window's band: counts grouped,
    // the time alone today, the server's words on one line, short, and
    // without a password.
    void siteWords_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("why");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("line");
        using K = SiteState::Kind;
        using W = SiteState::Why;
        const QString libpq =
            "connection to server on socket \"/tmp/pg/.s.PGSQL.5432\" failed: No such file or "
            "directory\n\tIs the server running locally and accepting connections on that "
            "socket?";
        QTest::newRow("no site") << int(K::LocalOnly) << int(W::Nothing) << ""
                                 << "This PC's archive only";
        QTest::newRow("up to date") << int(K::UpToDate) << int(W::Nothing) << ""
                                    << "Site archive: up to date";
        QTest::newRow("sending") << int(K::Waiting) << int(W::Nothing) << ""
                                 << "Site archive: 1,234 records waiting since 14:02 (sending)";
        QTest::newRow("server stopped")
            << int(K::Waiting) << int(W::Unreachable) << libpq
            << "Site archive: 1,234 records waiting since 14:02 (server unreachable: No such "
               "file or directory)";
        QTest::newRow("lock wait")
            << int(K::Waiting) << int(W::Busy)
            << "ERROR:  canceling statement due to statement timeout\n(57014)"
            << "Site archive: 1,234 records waiting since 14:02 (server busy: canceling "
               "statement due to statement timeout)";
        QTest::newRow("refused")
            << int(K::Refused) << int(W::Refusal)
            << "ERROR:  permission denied for table records\n(42501)"
            << "Site archive: 1,234 records waiting since 14:02 (refused by the server: "
               "permission denied for table records)";
        QTest::newRow("password never shown")
            << int(K::Waiting) << int(W::Unreachable)
            << "bad uri postgresql://clerk:Secret1@db/k password=Secret2 pwd='Secret3'"
            << "Site archive: 1,234 records waiting since 14:02 (server unreachable: bad uri "
               "postgresql://clerk:…@db/k password=… pwd=…)";
        QTest::newRow("long reason cut")
            << int(K::Waiting) << int(W::Busy) << QString(200, QLatin1Char('x'))
            << "Site archive: 1,234 records waiting since 14:02 (server busy: " +
                   QString(MaxReasonChars - 1, QLatin1Char('x')) + "…)";
    }
    void siteWords()
    {
        QFETCH(int, kind);
        QFETCH(int, why);
        QFETCH(QString, reason);
        QFETCH(QString, line);
        SiteState state;
        state.kind = SiteState::Kind(kind);
        state.why = SiteState::Why(why);
        state.waiting = 1234;
        const QDateTime now(QDate(2024, 3, 11), QTime(16, 30));
        state.since = QDateTime(QDate(2024, 3, 11), QTime(14, 2, 31));
        if (!reason.isEmpty())
            state.reason =
                ArchiveError(ArchiveErrorCode::Database).At("postgresql:///k").Because(reason);
        QCOMPARE(SiteStateText(state, now), line);
        QVERIFY(!SiteStateText(state, now).contains("Secret"));
        // Waiting since an earlier day says the day.
        if (state.kind == SiteState::Kind::Waiting)
            QVERIFY(SiteStateText(state, now.addDays(1)).contains("since 2024-03-11 14:02 ("));
    }

    void siteBand()
    {
        const ArchiveError silent = ArchiveError(ArchiveErrorCode::ServerSilent).At("odbc:K");
        QCOMPARE(SiteBandText(silent, 1234),
                 QStringLiteral("The site server cannot be reached (the server gave no answer "
                                "for 10 s): showing this PC's records; 1,234 not yet sent"));
        QCOMPARE(SiteNeededText("Delete Old…", silent),
                 QStringLiteral("Delete Old… needs the site server, which cannot be reached (the "
                                "server gave no answer for 10 s)."));
        QCOMPARE(RecordsToSendText(1), QStringLiteral("1 record of this PC's archive will be sent "
                                                      "to this server."));
        QCOMPARE(RecordsToSendText(25000), QStringLiteral("25,000 records of this PC's archive "
                                                          "will be sent to this server."));
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
        // Across files: the records of all of them.
        QCOMPARE(ImportProgressText({0, 1200, 150000}, {"/d/a.DAT"}, 1234567),
                 QStringLiteral("File 1 of 1,200 : a.DAT\n150,000 of 1,234,567 records"));
        summary = ImportSummary{1200, 1234567, 1000, {}, false};
        QVERIFY(ImportSummaryText(summary).startsWith(
            "Files read : 1,200\nRecords added : 1,234,567\nRecords already there : 1,000\n"));
    }
};

QTEST_GUILESS_MAIN(TestArchiveWords)
#include "tst_archivewords.moc"
