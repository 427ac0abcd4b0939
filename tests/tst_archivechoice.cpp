// Where the archive is: server locations read into what Qt's drivers take,
// passwords kept out, Kestrune.ARC beside the settings file, and when a
// tester is due for calibration.
#include "archive/archivewords.h"
#include "archive/store/archivechoice.h"
#include "archive/store/archiveplaces.h"
#include "archive/store/archiveserver.h"
#include "archive/store/calibration.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(CalibrationState)

class TestArchiveChoice : public QObject
{
    Q_OBJECT

private slots:
    void serverUri_data();
    void serverUri();
    void refusedLocation_data();
    void refusedLocation();
    void refusedLocationMasked_data();
    void refusedLocationMasked();
    void choiceFileOwnerOnly();
    void choiceFile_data();
    void choiceFile();
    void environmentWins();
    void placesOfTheChoice_data();
    void placesOfTheChoice();
    void calibrationEdges_data();
    void calibrationEdges();

private:
    void SetEnvironment(const QByteArray &value);
};

void TestArchiveChoice::SetEnvironment(const QByteArray &value)
{
    if (value.isNull())
        qunsetenv(ArchiveEnvironment);
    else
        qputenv(ArchiveEnvironment, value);
}

void TestArchiveChoice::serverUri_data()
{
    QTest::addColumn<QString>("uri");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("option"); // one option the connection carries

    QTest::newRow("user, port, sslmode")
        << "postgres://clerk@db.example.com:5433/kestrune?sslmode=require"
        << "db.example.com" << 5433 << "kestrune"
        << "clerk"
        << "sslmode='require'";
    QTest::newRow("socket folder as parameter")
        << "postgresql:///kestrune?host=/run/sock&port=5433&user=postgres"
        << "/run/sock" << 5433 << "kestrune"
        << "postgres"
        << "keepalives='1'";
    QTest::newRow("percent-encoded socket and name") << "postgresql://%2Fvar%2Frun%2Fpg/arch%20ive"
                                                     << "/var/run/pg" << -1 << "arch ive"
                                                     << ""
                                                     << "application_name='Kestrune'";
    QTest::newRow("IPv6 with port") << "postgresql://[::1]:5432/k"
                                    << "::1" << 5432 << "k"
                                    << ""
                                    << "tcp_user_timeout='10000'";
    QTest::newRow("own time-out wins") << "postgresql://h/k?connect_timeout=2"
                                       << "h" << -1 << "k"
                                       << ""
                                       << "connect_timeout='2'";
    QTest::newRow("quote in a value") << "postgresql://h/k?application_name=O%27Neil"
                                      << "h" << -1 << "k"
                                      << ""
                                      << "application_name='O\\'Neil'";
}

void TestArchiveChoice::serverUri()
{
    QFETCH(QString, uri);
    ArchiveError error;
    const std::optional<ArchiveLocation> where = ParseArchiveLocation(uri, &error);
    QVERIFY2(where, qPrintable(ArchiveErrorText(error)));
    QCOMPARE(where->driver, ArchiveLocation::Driver::Postgres);
    QCOMPARE(ArchiveLocationText(*where), uri);
    const std::optional<ServerSettings> s = PostgresSettings(uri, &error);
    QVERIFY(s);
    QTEST(s->host, "host");
    QTEST(s->port, "port");
    QTEST(s->databaseName, "database");
    QTEST(s->userName, "user");
    QFETCH(QString, option);
    const QStringList options = s->connectOptions.split(QLatin1Char(';'));
    QVERIFY2(options.contains(option), qPrintable(s->connectOptions));
    // Each option once: the URI's own value replaces the program's.
    const QString key = option.section(QLatin1Char('='), 0, 0) + QLatin1Char('=');
    QCOMPARE(options.filter(QRegularExpression(QLatin1Char('^') + key)).size(), 1);
}

void TestArchiveChoice::refusedLocation_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("reason");

    QTest::newRow("password in the URI") << "postgresql://clerk:secret@h/k"
                                         << "password file";
    QTest::newRow("password parameter") << "postgres://h/k?password=secret"
                                        << "password file";
    QTest::newRow("password in ODBC") << "odbc:Driver={PostgreSQL Unicode};PWD=secret;"
                                      << "password file";
    QTest::newRow("password of libpq inside ODBC")
        << "odbc:DSN=site;pqopt={sslmode=require password=secret}"
        << "password file";
    QTest::newRow("pqopt password first") << "odbc:DSN=site;pqopt={password=secret}"
                                          << "password file";
    QTest::newRow("Password, blanks around") << "odbc:Server=h; Password = secret ;Port=5432"
                                             << "password file";
    QTest::newRow("pWd in braces") << "odbc:Driver={PostgreSQL};pWd={se;cret}"
                                   << "password file";
    QTest::newRow("bare pwd after a blank") << "odbc:DSN=site UID=u pwd=secret"
                                            << "password file";
    QTest::newRow("ssl key password parameter") << "postgresql://h/k?sslpassword=secret"
                                                << "password file";
    QTest::newRow("password parameter, encoded") << "postgresql://h/k?pass%77ord=secret"
                                                 << "password file";
    QTest::newRow("line break") << "sqlite:/tmp/a\nsecret.sqlite"
                                << "one line";
    QTest::newRow("in memory") << "sqlite::memory:"
                               << "in memory keeps nothing";
    QTest::newRow("port out of range") << "postgresql://h:99999/k"
                                       << "no port number";
    QTest::newRow("several hosts") << "postgresql://h1,h2/k"
                                   << "one host";
    QTest::newRow("semicolon in a value") << "postgresql://h/k?options=a%3Bb"
                                          << "';'";
}

void TestArchiveChoice::refusedLocation()
{
    QFETCH(QString, text);
    QFETCH(QString, reason);
    ArchiveError error;
    QVERIFY(!ParseArchiveLocation(text, &error));
    const QString said = ArchiveErrorText(error);
    QVERIFY2(said.contains(reason), qPrintable(said));
    // A refused password is never repeated.
    QVERIFY(!said.contains(QLatin1String("secret")));
}

// Whatever a refused location holds, its message shows no password and
// stays short.
void TestArchiveChoice::refusedLocationMasked_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown"); // a piece the message keeps

    QTest::newRow("libpq keywords") << "host=h user=u password=secret dbname=k"
                                    << "password=****";
    QTest::newRow("URI with an unknown scheme") << "pgsql://clerk:secret@h/k"
                                                << "clerk:****@h";
    QTest::newRow("ODBC without its prefix") << "Driver={x};PWD={secret};"
                                             << "PWD=****";
    QTest::newRow("100 KB") << QString(100000, QLatin1Char('y')) + "PWD=secret"
                            << "yyyy";
}

void TestArchiveChoice::refusedLocationMasked()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    for (const char *environment : {ArchiveEnvironment, LocalArchiveEnvironment}) {
        qputenv(environment, text.toUtf8());
        ArchiveError error;
        if (environment == ArchiveEnvironment)
            ChosenArchiveLocationIn(QDir::tempPath(), &error);
        else
            LocalArchiveLocation(&error);
        qunsetenv(environment);
        const QString said = ArchiveErrorText(error);
        QVERIFY2(error.Failed() && said.contains(shown), qPrintable(said));
        QVERIFY2(!said.contains(QLatin1String("secret")), qPrintable(said));
        QVERIFY2(said.size() < 400, qPrintable(said.left(400)));
    }
}

void TestArchiveChoice::choiceFileOwnerOnly()
{
    SetEnvironment(QByteArray());
    QTemporaryDir dir;
    const QString path = dir.filePath(QLatin1String(ArchiveChoiceFileName));
    // A file left readable by all before is made the owner's too.
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.close();
    QVERIFY(old.setPermissions(QFile::Permissions(0x6644)));
    ArchiveError error;
    QVERIFY(
        WriteArchiveChoice(dir.path(), {ArchiveLocation::Driver::Odbc, "KestruneSite"}, &error));
    // Owner (0x6000) reads and writes; group and others (0x0077) nothing.
    QCOMPARE(QFileInfo(path).permissions() & QFile::Permissions(0x7077),
             QFile::Permissions(0x6000));
    QCOMPARE(ChosenArchiveLocationIn(dir.path(), &error).target, QStringLiteral("KestruneSite"));
    // A location longer than the file may be is refused, not written to be
    // refused when read.
    QVERIFY(!WriteArchiveChoice(
        dir.path(), {ArchiveLocation::Driver::Odbc, "DSN=" + QString(5000, QLatin1Char('k'))},
        &error));
    QVERIFY2(ArchiveErrorText(error).contains(QLatin1String("longer than Kestrune.ARC can hold")),
             qPrintable(ArchiveErrorText(error)));
    QCOMPARE(ChosenArchiveLocationIn(dir.path(), &error).target, QStringLiteral("KestruneSite"));
}

void TestArchiveChoice::choiceFile_data()
{
    QTest::addColumn<QByteArray>("content"); // null: no file
    QTest::addColumn<QString>("target");     // empty: refused
    QTest::addColumn<QString>("reason");

    QTest::newRow("no file") << QByteArray() << "default"
                             << "";
    QTest::newRow("server") << QByteArray("postgresql:///k?host=/run/sock\r\n")
                            << "postgresql:///k?host=/run/sock"
                            << "";
    QTest::newRow("password") << QByteArray("postgresql://u:secret@h/k\r\n") << ""
                              << "Kestrune.ARC: the archive location must not hold a password";
    QTest::newRow("blanks left by cleaning the path")
        << QByteArray("sqlite: /tmp/a / \r\n") << "/tmp/a"
        << "";
    QTest::newRow("too long") << QByteArray(5000, 'x') << ""
                              << "no file of one line";
}

void TestArchiveChoice::choiceFile()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, target);
    QFETCH(QString, reason);
    SetEnvironment(QByteArray());
    QTemporaryDir dir;
    if (!content.isNull()) {
        QFile file(dir.filePath(QLatin1String(ArchiveChoiceFileName)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    ArchiveError error;
    const ArchiveLocation where = ChosenArchiveLocationIn(dir.path(), &error);
    if (target == QLatin1String("default")) {
        QVERIFY(!error.Failed());
        QCOMPARE(where.target, DefaultArchiveLocation().target);
        return;
    }
    QCOMPARE(where.target, target);
    QVERIFY2(ArchiveErrorText(error).contains(reason), qPrintable(ArchiveErrorText(error)));
    if (!target.isEmpty()) {
        // Written back, read back: the same line.
        QTemporaryDir other;
        QVERIFY(WriteArchiveChoice(other.path(), where, &error));
        QCOMPARE(ChosenArchiveLocationIn(other.path(), &error).target, target);
    }
}

void TestArchiveChoice::environmentWins()
{
    QTemporaryDir dir;
    ArchiveError error;
    QVERIFY(WriteArchiveChoice(
        dir.path(), {ArchiveLocation::Driver::Odbc, QStringLiteral("KestruneSite")}, &error));
    SetEnvironment("sqlite:/tmp/own.sqlite");
    QCOMPARE(ChosenArchiveLocationIn(dir.path(), &error).target, QStringLiteral("/tmp/own.sqlite"));
    SetEnvironment(QByteArray());
    QCOMPARE(ChosenArchiveLocationIn(dir.path(), &error).driver, ArchiveLocation::Driver::Odbc);
    // A password is not written, and the choice before stays.
    QVERIFY(!WriteArchiveChoice(
        dir.path(),
        {ArchiveLocation::Driver::Postgres, QStringLiteral("postgresql://u:secret@h/k")}, &error));
    QCOMPARE(ChosenArchiveLocationIn(dir.path(), &error).target, QStringLiteral("KestruneSite"));
}

// This PC's archive comes first: the file chosen, or with a server chosen
// the file of KESTRUNE_ARCHIVE_LOCAL, else the default file.
void TestArchiveChoice::placesOfTheChoice_data()
{
    QTest::addColumn<QByteArray>("chosen");   // KESTRUNE_ARCHIVE; null: Kestrune.ARC's line
    QTest::addColumn<QByteArray>("arcLine");  // Kestrune.ARC; null: none
    QTest::addColumn<QByteArray>("localEnv"); // KESTRUNE_ARCHIVE_LOCAL; null: unset
    QTest::addColumn<QString>("local");       // "default": the default file; empty: refused
    QTest::addColumn<QString>("site");        // empty: none
    const QByteArray none;
    const QByteArray server = "postgresql:///site?host=/run/pg";
    QTest::newRow("file chosen: no site") << QByteArray("sqlite:/srv/a.sqlite") << none
                                          << QByteArray("sqlite:/pc/l.sqlite") << "/srv/a.sqlite"
                                          << "";
    QTest::newRow("server chosen")
        << server << none << QByteArray("sqlite:/pc/l.sqlite") << "/pc/l.sqlite" << QString(server);
    QTest::newRow("server in Kestrune.ARC, default file")
        << none << QByteArray("odbc:DSN=Site") << none << "default"
        << "odbc:DSN=Site";
    QTest::newRow("nothing chosen") << none << none << none << "default"
                                    << "";
    QTest::newRow("local archive on a server")
        << server << none << QByteArray("postgresql:///pc") << ""
        << "";
    QTest::newRow("local archive no location") << server << none << QByteArray("/pc/l.sqlite") << ""
                                               << "";
}

void TestArchiveChoice::placesOfTheChoice()
{
    QFETCH(QByteArray, chosen);
    QFETCH(QByteArray, arcLine);
    QFETCH(QByteArray, localEnv);
    QFETCH(QString, local);
    QFETCH(QString, site);
    QTemporaryDir dir;
    SetEnvironment(chosen);
    if (localEnv.isNull())
        qunsetenv(LocalArchiveEnvironment);
    else
        qputenv(LocalArchiveEnvironment, localEnv);
    if (!arcLine.isNull()) {
        QFile arc(dir.filePath(QLatin1String(ArchiveChoiceFileName)));
        QVERIFY(arc.open(QIODevice::WriteOnly));
        arc.write(arcLine + "\r\n");
    }
    ArchiveError error;
    const ArchivePlaces places = ChosenArchivePlacesIn(dir.path(), &error);
    qunsetenv(LocalArchiveEnvironment);
    SetEnvironment(QByteArray());
    if (local.isEmpty()) {
        QCOMPARE(error.code, ArchiveErrorCode::LocalNotSqlite);
        QCOMPARE(ArchiveErrorText(error), QStringLiteral("KESTRUNE_ARCHIVE_LOCAL must be sqlite: "
                                                         "followed by a file path, not \"%1\"")
                                              .arg(QString::fromUtf8(localEnv)));
        QVERIFY(places.local.target.isEmpty());
        return;
    }
    QVERIFY2(!error.Failed(), qPrintable(ArchiveErrorText(error)));
    QCOMPARE(places.local.driver, ArchiveLocation::Driver::Sqlite);
    QCOMPARE(places.local.target, local == "default" ? DefaultArchiveLocation().target : local);
    QCOMPARE(places.site ? ArchiveLocationText(*places.site) : QString(), site);
}

void TestArchiveChoice::calibrationEdges_data()
{
    QTest::addColumn<QString>("calibrated");
    QTest::addColumn<int>("months");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<CalibrationState>("state");

    const auto current = CalibrationState::Current;
    const auto due = CalibrationState::Due;
    QTest::newRow("last day of the year") << "2025-03-15" << 12 << QDate(2026, 3, 15) << current;
    QTest::newRow("the day after") << "2025-03-15" << 12 << QDate(2026, 3, 16) << due;
    QTest::newRow("month end, last day") << "2025-01-31" << 1 << QDate(2025, 2, 28) << current;
    QTest::newRow("month end, day after") << "2025-01-31" << 1 << QDate(2025, 3, 1) << due;
    QTest::newRow("slashes") << "2025/3/15" << 6 << QDate(2025, 9, 16) << due;
    QTest::newRow("record date, last day")
        << "15 / Mar / 2025" << 6 << QDate(2025, 9, 15) << current;
    QTest::newRow("record date, day after") << "15 / Mar / 2025" << 6 << QDate(2025, 9, 16) << due;
    QTest::newRow("empty") << "" << 12 << QDate(2025, 1, 1) << CalibrationState::Unknown;
}

void TestArchiveChoice::calibrationEdges()
{
    QFETCH(QString, calibrated);
    QFETCH(int, months);
    QFETCH(QDate, today);
    QFETCH(CalibrationState, state);
    QCOMPARE(CalibrationStateOf(calibrated, months, today), state);
    QCOMPARE(CalibrationDue(calibrated, months, today), state != CalibrationState::Current);
}

QTEST_GUILESS_MAIN(TestArchiveChoice)
#include "tst_archivechoice.moc"
