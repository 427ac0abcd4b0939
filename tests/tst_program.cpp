// The program as a process: one instance at a time, and a killed instance
// does not keep the next one from starting.

#include "app/instanceguard.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class TestProgram : public QObject
{
    Q_OBJECT

    QTemporaryDir runtime;
    QTemporaryDir start;

    std::unique_ptr<QProcess> Launch()
    {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("KESTRUNE_SERIALCOMM"), start.filePath("none.txt"));
        process->setProcessEnvironment(env);
        process->setWorkingDirectory(start.path());
        process->start(QStringLiteral(KESTRUNE_PROGRAM), {});
        return process;
    }

    // True while some process holds the program's guard.
    bool GuardHeld()
    {
        InstanceGuard probe(QString::fromLatin1(InstanceGuardName));
        return !probe.Acquired();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(runtime.isValid());
        QFile::setPermissions(runtime.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    }

    void secondInstanceEndsAtOnce()
    {
        auto first = Launch();
        QVERIFY(first->waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(GuardHeld(), 20000);

        auto second = Launch();
        QVERIFY(second->waitForFinished(20000));
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);
        QVERIFY(second->readAllStandardOutput().isEmpty());
        QCOMPARE(first->state(), QProcess::Running);

        first->kill();
        QVERIFY(first->waitForFinished(20000));
    }

    void killedInstanceDoesNotBlockTheNext()
    {
        auto first = Launch();
        QTRY_VERIFY_WITH_TIMEOUT(GuardHeld(), 20000);
        first->kill(); // SIGKILL: no clean-up of any kind
        QVERIFY(first->waitForFinished(20000));
        QVERIFY(!GuardHeld());

        auto next = Launch();
        QTRY_VERIFY_WITH_TIMEOUT(GuardHeld(), 20000);
        QCOMPARE(next->state(), QProcess::Running);
        next->terminate();
        QVERIFY(next->waitForFinished(20000));
    }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
