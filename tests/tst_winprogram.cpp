// The program on Windows: the main window links the simulated tester found
// through the registry, downloads its 500 records and saves them; the
// single-instance guard is the named mutex.

#include "comtester.h"
#include "guifixture.h"

#include "app/instanceguard.h"
#include "base/filelines.h"
#include "base/processend.h"
#include "records/Result.h"
#include "records/data/datafile.h"
#include "records/data/recordstate.h"
#include "records/stringgrid.h"

#include <QApplication>
#include <QProcess>

class TestWinProgram : public QObject
{
    Q_OBJECT

private slots:
    void connectDownloadAndSave()
    {
        GuiFixture fx;
        // The system's own table: the registry, as the test script filled it.
        qunsetenv("KESTRUNE_SERIALCOMM");
        fx.CreateWindows();
        BluetoothMode = 0;
        LinkSettings[AutoSearch] = 1;
        FormMain->BitBtn1Click();
        QCOMPARE(Connected, 1);
        QCOMPARE(FormSetup->ComboBox1->currentText(), TesterPort());
        QVERIFY(!FormSetup->ComboBox1->isEnabled());

        FormResult->show();
        IdleTicks = 7;
        FormResult->BitBtn1Click();
        QCOMPARE(RecordCount, 500);
        QCOMPARE(IdleTicks, 0);
        const QString path = fx.Dir() + QStringLiteral("/records.DAT");
        fx.ChosenFiles << path;
        FormResult->BitBtn2Click();
        QVERIFY(fx.TakeTexts().isEmpty());

        QStringList lines;
        QVERIFY(LoadLines(path, lines, nullptr));
        DataFileContent content;
        QCOMPARE(ParseDataFileLines(lines, &content), DataFileStatus::Ok);
        QCOMPARE(content.records.size(), 500);
        QCOMPARE(content.records.first(), FormResult->StringGrid1->Rows()[1]);

        FormMain->BitBtn6Click();
        QCOMPARE(Connected, 0);
    }

    void guardInThisProcess()
    {
        const QString name = QStringLiteral("Kestrune test %1").arg(::GetCurrentProcessId());
        {
            InstanceGuard first(name);
            QVERIFY(first.Acquired());
            QVERIFY(!InstanceGuard(name).Acquired());
        }
        QVERIFY(InstanceGuard(name).Acquired());
    }

    // The program's own mutex held here: a started program ends at once, with
    // exit code 0 and no window.
    void secondProgramEndsAtOnce()
    {
        InstanceGuard running(QString::fromLatin1(InstanceGuardName));
        QVERIFY(running.Acquired());
        QProcess program;
        // The build keeps the program in app/ beside tests/.
        program.start(
            QCoreApplication::applicationDirPath() + QStringLiteral("/../app/kestrune.exe"), {});
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
    }
};

// The test's verdict is written when qExec returns; the process then ends
// as the program does (see EndProcess).
int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    TestWinProgram test;
    QTEST_SET_MAIN_SOURCE_PATH
    return EndProcess(QTest::qExec(&test, argc, argv));
}
#include "tst_winprogram.moc"
