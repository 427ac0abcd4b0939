// The program itself under a file-size limit, as an administrator may set one
// for a user: pressing exit saves the settings, the write is refused, the
// operator reads "File too large" and the old settings file stays whole.
// Runs on an X server of its own (xvfb-run); xdotool presses the button.

#include "app/settingsfile.h"
#include "tester/mainstate.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {
// Smaller than any settings file the program writes.
constexpr rlim_t FileSizeLimit = 64;
constexpr int Timeout = 30000;

// Runs xdotool with arguments; false when it fails. Its output goes to *output.
bool XDoTool(const QStringList &arguments, QByteArray *output = nullptr)
{
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), arguments);
    if (!tool.waitForFinished(Timeout) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0)
        return false;
    if (output)
        *output = tool.readAllStandardOutput().trimmed();
    return true;
}
} // namespace

class TestFileSizeLimit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(!qEnvironmentVariableIsEmpty("DISPLAY"), "run under xvfb-run");
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty(),
                 "xdotool is missing (tools/deps.sh installs it)");
    }

    void exitSavesIntoTheLimit()
    {
        QTemporaryDir start;
        QTemporaryDir runtime;
        QFile::setPermissions(runtime.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        // The main window in the screen's corner, where the exit button is
        // found without a window manager.
        WindowPositions[0] = {0, 0};
        AdminPassword = QStringLiteral("2468");
        QString error;
        QVERIFY2(SaveSettings(start.path(), &error), qPrintable(error));
        const QString settingsPath = QDir(start.path()).filePath(SettingsFileName);
        QFile settings(settingsPath);
        QVERIFY(settings.open(QIODevice::ReadOnly));
        const QByteArray old = settings.readAll();
        settings.close();
        QVERIFY(rlim_t(old.size()) > FileSizeLimit);

        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("KESTRUNE_SERIALCOMM"), start.filePath("none.txt"));
        env.insert(QStringLiteral("KESTRUNE_MESSAGES"), QStringLiteral("stderr"));
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(start.path());
        program.setChildProcessModifier([] {
            // The signal's default action, whatever this test inherited:
            // only the program itself may ignore it.
            std::signal(SIGXFSZ, SIG_DFL);
            const rlimit limit{FileSizeLimit, FileSizeLimit};
            setrlimit(RLIMIT_FSIZE, &limit);
        });
        program.start(QStringLiteral(KESTRUNE_PROGRAM), {});
        QVERIFY(program.waitForStarted(Timeout));

        // xdotool waits until the main window is on the screen.
        QByteArray window;
        QVERIFY2(XDoTool({"search", "--sync", "--all", "--onlyvisible", "--pid",
                          QString::number(program.processId()), "--name", "^Kestrune$"},
                         &window),
                 program.readAllStandardError().constData());
        // The exit button: left 548, top 6, 100 x 61.
        QVERIFY(XDoTool({"mousemove", "--window", QString::fromLatin1(window), "--sync", "598",
                         "36", "click", "1"}));

        QVERIFY(program.waitForFinished(Timeout));
        const QString said = QString::fromLocal8Bit(program.readAllStandardError());
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QVERIFY2(said.contains(QLatin1String("File too large")), qPrintable(said));

        QVERIFY(settings.open(QIODevice::ReadOnly));
        QCOMPARE(settings.readAll(), old);
        QCOMPARE(QDir(start.path()).entryList(QDir::Files),
                 QStringList{QString::fromLatin1(SettingsFileName)});
    }
};

QTEST_GUILESS_MAIN(TestFileSizeLimit)
#include "tst_filesizelimit.moc"
