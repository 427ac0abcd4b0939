// The settings file Kestrune.CFG and the line files it is written through.

#include "app/settingsfile.h"
#include "base/filelines.h"
#include "tester/mainstate.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>
#include <sys/resource.h>

namespace {

QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

bool WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The lines of a valid file with distinct values, to be spoilt by the tests.
QStringList SampleLines()
{
    QStringList lines{".Kestrune Ver 1.0", "0", "2", "11", "5", "-3"};
    for (int k = 0; k < 7; ++k)
        lines << QString::number(-100 * k - 1) << QString::number(10 * k + 2);
    for (int i = 0; i < 6; ++i)
        lines << "0";
    lines << ObscurePassword("0427") << "1"
          << ".End";
    return lines;
}

QByteArray Crlf(const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += line.toLatin1() + "\r\n";
    return bytes;
}

} // namespace

class TestSettingsFile : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> FTemp;
    QTemporaryDir &FDir() { return *FTemp; }
    QString CfgPath() { return FDir().filePath(SettingsFileName); }
    void WriteCfg(const QStringList &lines) { QVERIFY(WriteBytes(CfgPath(), Crlf(lines))); }

private slots:
    void init()
    {
        ResetMainState();
        FTemp = std::make_unique<QTemporaryDir>();
        QVERIFY(FDir().isValid());
    }

    void loadLinesSplitsAtEveryLineEnd_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("crlf") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
        QTest::newRow("lone cr") << QByteArray("a\rb\r") << QStringList{"a", "b"};
        QTest::newRow("lone lf") << QByteArray("a\nb\n") << QStringList{"a", "b"};
        QTest::newRow("mixed") << QByteArray("a\r\nb\rc\nd") << QStringList{"a", "b", "c", "d"};
        QTest::newRow("lf cr is two ends") << QByteArray("a\n\rb") << QStringList{"a", "", "b"};
        QTest::newRow("empty lines kept")
            << QByteArray("\r\n\r\nx\r\n") << QStringList{"", "", "x"};
        QTest::newRow("no final end") << QByteArray("a\r\nb") << QStringList{"a", "b"};
        QTest::newRow("empty file") << QByteArray() << QStringList{};
        QTest::newRow("latin-1 bytes")
            << QByteArray("\xe9t\xe9\r\n\x9c\xff")
            << QStringList{QString::fromLatin1("\xe9t\xe9"), QString::fromLatin1("\x9c\xff")};
    }
    void loadLinesSplitsAtEveryLineEnd()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        const QString path = FDir().filePath("lines.txt");
        QVERIFY(WriteBytes(path, bytes));
        QStringList read{"left over"};
        QString error;
        QVERIFY2(LoadLines(path, read, &error), qPrintable(error));
        QCOMPARE(read, lines);
    }

    void loadLinesReportsMissingFile()
    {
        QStringList lines{"kept"};
        QString error;
        QVERIFY(!LoadLines(FDir().filePath("absent.txt"), lines, &error));
        QVERIFY(error.contains("absent.txt"));
        QCOMPARE(lines, QStringList{"kept"});
    }

    void roundTripKeepsEveryValue()
    {
        const int link[5] = {0, 3, 11, 5, -2};
        for (int k = 0; k < 5; ++k)
            LinkSettings[k] = link[k];
        for (int k = 0; k < 7; ++k)
            WindowPositions[k] = {-37 * k - 5, 19 * k - 40};
        AdminPassword = "0427";
        BluetoothMode = 1;
        QString error;
        QVERIFY2(SaveSettings(FDir().path(), &error), qPrintable(error));
        const QByteArray first = ReadBytes(CfgPath());

        ResetMainState();
        QCOMPARE(LoadSettings(FDir().path(), &error), SettingsLoad::Loaded);
        for (int k = 0; k < 5; ++k)
            QCOMPARE(LinkSettings[k], link[k]);
        for (int k = 0; k < 7; ++k) {
            QCOMPARE(WindowPositions[k].Left, -37 * k - 5);
            QCOMPARE(WindowPositions[k].Top, 19 * k - 40);
        }
        QCOMPARE(AdminPassword, QString("0427"));
        QCOMPARE(BluetoothMode, 1);

        QVERIFY2(SaveSettings(FDir().path(), &error), qPrintable(error));
        QCOMPARE(ReadBytes(CfgPath()), first);
    }

    void savedFileHasExactBytes()
    {
        LinkSettings[PortIndex] = 2;
        WindowPositions[0] = {-12, 340};
        WindowPositions[1] = {7, -8};
        AdminPassword = "5183";
        QString error;
        QVERIFY2(SaveSettings(FDir().path(), &error), qPrintable(error));
        const QByteArray expected = ".Kestrune Ver 1.0\r\n1\r\n2\r\n7\r\n0\r\n0\r\n"
                                    "-12\r\n340\r\n7\r\n-8\r\n"
                                    "0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n"
                                    "0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n"
                                    "\xa9\xd6\xed\xb8\r\n0\r\n.End\r\n";
        QCOMPARE(ReadBytes(CfgPath()), expected);
        QCOMPARE(FileLines.size(), 29);
    }

    void missingFileGivesDefaults()
    {
        LinkSettings[AutoSearch] = 0;
        WindowPositions[3] = {5, 5};
        QString error;
        QCOMPARE(LoadSettings(FDir().path(), &error), SettingsLoad::Missing);
        QCOMPARE(LinkSettings[AutoSearch], 1);
        QCOMPARE(LinkSettings[BaudIndex], 7);
        QCOMPARE(WindowPositions[3].Left, 0);
    }

    void shortFileIsIgnored()
    {
        WriteCfg(SampleLines().mid(0, 26));
        QString error;
        QCOMPARE(LoadSettings(FDir().path(), &error), SettingsLoad::TooShort);
        QCOMPARE(LinkSettings[AutoSearch], 1);
        QCOMPARE(LinkSettings[PortIndex], 0);
        QCOMPARE(LinkSettings[BaudIndex], 7);
        for (const TWindowPosition &p : WindowPositions)
            QVERIFY(p.Left == 0 && p.Top == 0);
        QCOMPARE(AdminPassword, QString("5183"));
    }

    void fileWithoutModeLineLeavesUsb()
    {
        WriteCfg(SampleLines().mid(0, 27));
        QString error;
        QCOMPARE(LoadSettings(FDir().path(), &error), SettingsLoad::Loaded);
        QCOMPARE(LinkSettings[BaudIndex], 11);
        QCOMPARE(WindowPositions[6].Left, -601);
        QCOMPARE(AdminPassword, QString("0427"));
        QCOMPARE(BluetoothMode, 0);
    }

    void shortPasswordLineKeepsDefault()
    {
        QStringList lines = SampleLines();
        lines[26] = QString::fromLatin1("\xa9\xd6");
        WriteCfg(lines);
        QString error;
        QCOMPARE(LoadSettings(FDir().path(), &error), SettingsLoad::Loaded);
        QCOMPARE(AdminPassword, QString("5183"));
        QCOMPARE(BluetoothMode, 1);
        QCOMPARE(WindowPositions[1].Top, 12);
    }

    void extraLinesAreDroppedOnSave()
    {
        QStringList lines = SampleLines();
        lines << "junk"
              << "more junk"
              << "7";
        WriteCfg(lines);
        QString error;
        QCOMPARE(LoadSettings(FDir().path(), &error), SettingsLoad::Loaded);
        QVERIFY2(SaveSettings(FDir().path(), &error), qPrintable(error));
        QCOMPARE(ReadBytes(CfgPath()), Crlf(SampleLines()));
    }

    void invalidValueStopsLoading_data()
    {
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("baudIndex");  // 7 when not reached
        QTest::addColumn<int>("resultsTop"); // 0 when not reached
        QTest::addColumn<QString>("password");
        QTest::newRow("auto search") << 1 << "yes" << 7 << 0 << "5183";
        QTest::newRow("spare link value") << 4 << "5.0" << 11 << 0 << "5183";
        QTest::newRow("main window top") << 7 << "" << 11 << 0 << "5183";
        QTest::newRow("spare position") << 15 << "1O" << 11 << 12 << "5183";
        QTest::newRow("mode") << 27 << "USB" << 11 << 12 << "0427";
    }
    void invalidValueStopsLoading()
    {
        QFETCH(int, line);
        QFETCH(QString, text);
        QFETCH(int, baudIndex);
        QFETCH(int, resultsTop);
        QFETCH(QString, password);
        QStringList lines = SampleLines();
        lines[line] = text;
        WriteCfg(lines);
        QString error;
        QCOMPARE(LoadSettings(FDir().path(), &error), SettingsLoad::Invalid);
        QCOMPARE(error, QString("'%1' is not a valid integer value").arg(text));
        QCOMPARE(LinkSettings[BaudIndex], baudIndex);
        QCOMPARE(WindowPositions[1].Top, resultsTop);
        QCOMPARE(AdminPassword, password);
        QCOMPARE(BluetoothMode, 0);
    }

    // A file no settings file can be is refused before it is read, and a long
    // bad value is shown cut to a readable length.
    void hostileFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("loaded");
        QTest::addColumn<QString>("error");
        const QByteArray valid = Crlf(SampleLines());
        const QByteArray fill(SettingsMaxBytes - valid.size(), '\n');
        QTest::newRow("64 KB") << valid + fill << int(SettingsLoad::Loaded) << QString();
        QTest::newRow("over 64 KB") << valid + fill + '\n'
                                    << int(SettingsLoad::Invalid) << ": larger than 64 KB";
        QStringList lines = SampleLines();
        lines[2] = QString(60000, '9');
        QTest::newRow("long value") << Crlf(lines) << int(SettingsLoad::Invalid)
                                    << "'" + QString(40, '9') + "...' is not a valid integer value";
    }
    void hostileFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, loaded);
        QFETCH(QString, error);
        QVERIFY(WriteBytes(CfgPath(), bytes));
        QString said;
        QCOMPARE(int(LoadSettings(FDir().path(), &said)), loaded);
        QVERIFY2(error.startsWith(':') ? said == CfgPath() + error : said == error,
                 qPrintable(said));
    }

    void unreadableFileIsReported()
    {
        QVERIFY(QDir(FDir().path()).mkdir(SettingsFileName));
        QString error;
        QCOMPARE(LoadSettings(FDir().path(), &error), SettingsLoad::Invalid);
        QVERIFY(error.contains(SettingsFileName));
        QVERIFY(QDir(FDir().path()).rmdir(SettingsFileName));
    }

    // Values are read the way the program's integer conversion reads them:
    // leading blanks are skipped, anything after the digits is refused.
    void integerValues_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("value");
        QTest::newRow("zero") << "0" << true << 0;
        QTest::newRow("negative") << "-1024" << true << -1024;
        QTest::newRow("plus sign") << "+7" << true << 7;
        QTest::newRow("leading zeros") << "007" << true << 7;
        QTest::newRow("leading blanks") << "  42" << true << 42;
        QTest::newRow("largest") << "2147483647" << true << 2147483647;
        QTest::newRow("smallest") << "-2147483648" << true << int(-2147483648LL);
        QTest::newRow("too large") << "2147483648" << false << 0;
        QTest::newRow("too small") << "-2147483649" << false << 0;
        QTest::newRow("far too large") << "99999999999999999999999" << false << 0;
        QTest::newRow("trailing blank") << "42 " << false << 0;
        QTest::newRow("blank after sign") << "- 4" << false << 0;
        QTest::newRow("leading tab") << "\t42" << false << 0;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("only sign") << "-" << false << 0;
        QTest::newRow("two signs") << "--4" << false << 0;
        QTest::newRow("hexadecimal") << "$1F" << false << 0;
        QTest::newRow("fraction") << "1.5" << false << 0;
        QTest::newRow("exponent") << "1e3" << false << 0;
        QTest::newRow("other digits") << QString(QChar(0x0663)) << false << 0;
        QTest::newRow("wide digits") << QString(QChar(0xff11)) << false << 0;
    }
    void integerValues()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, value);
        int parsed = -99;
        QCOMPARE(ParseSettingsInt(text, &parsed), valid);
        QCOMPARE(parsed, valid ? value : -99);
    }

    void maskNeverBreaksTheLine()
    {
        for (char16_t c = 0x20; c < 0x7f; ++c) {
            const QString plain(4, QChar(c));
            const QString hidden = ObscurePassword(plain);
            QCOMPARE(hidden.size(), 4);
            for (QChar h : hidden) {
                QVERIFY(h != QChar(0) && h != QChar('\r') && h != QChar('\n'));
                QVERIFY(h != QChar(c));
            }
            QCOMPARE(ObscurePassword(hidden), plain);
        }
    }

    void everyDigitSurvivesTheFile_data()
    {
        QTest::addColumn<QString>("password");
        for (char d = '0'; d <= '9'; ++d)
            QTest::newRow(QByteArray(1, d)) << QString(4, QChar(d));
    }
    void everyDigitSurvivesTheFile()
    {
        QFETCH(QString, password);
        AdminPassword = password;
        QString error;
        QVERIFY2(SaveSettings(FDir().path(), &error), qPrintable(error));
        AdminPassword = "x";
        QCOMPARE(LoadSettings(FDir().path(), &error), SettingsLoad::Loaded);
        QCOMPARE(AdminPassword, password);
    }

    void failedSaveKeepsNoTrace_data()
    {
        QTest::addColumn<QString>("subPath");
        QTest::newRow("missing directory") << "absent/Kestrune.CFG";
        QTest::newRow("directory is a file") << "plain/Kestrune.CFG";
    }
    void failedSaveKeepsNoTrace()
    {
        QFETCH(QString, subPath);
        QVERIFY(WriteBytes(FDir().filePath("plain"), "old"));
        const QString path = FDir().filePath(subPath);
        QString error;
        QVERIFY(!SaveLinesAtomically(path, {"new"}, &error));
        QVERIFY2(error.contains(QDir::toNativeSeparators(path)) && error.size() > path.size() + 3,
                 qPrintable(error));
        QCOMPARE(ReadBytes(FDir().filePath("plain")), QByteArray("old"));
        QCOMPARE(QDir(FDir().path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{"plain"});
    }

    void settingsSaveReportsReason()
    {
        QString error;
        QVERIFY(!SaveSettings(FDir().filePath("absent"), &error));
        QVERIFY(error.contains(SettingsFileName));
    }

    // A write that fails half-way (here the file size limit, which binds
    // every user, root included) must leave the old file whole.
    void failedWriteKeepsOldFile()
    {
        WriteCfg(SampleLines());
        const QByteArray old = ReadBytes(CfgPath());
        QStringList big;
        for (int i = 0; i < 400; ++i)
            big << QString(60, QChar('a' + i % 26));

        rlimit saved{};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 4096;
        QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
        QString error;
        const bool saved1 = SaveLinesAtomically(CfgPath(), big, &error);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        QVERIFY(!saved1);
        QVERIFY(!error.isEmpty());
        QCOMPARE(ReadBytes(CfgPath()), old);
        QCOMPARE(QDir(FDir().path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{SettingsFileName});
    }
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
