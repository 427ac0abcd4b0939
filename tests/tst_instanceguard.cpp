// The single-instance guard, held in this process and in child processes.
// Run with "--hold <directory> <name>" the executable takes the guard,
// reports on stdout and waits until it is killed.

#include "app/instanceguard.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

int HoldGuard(const QString &directory, const QString &name)
{
    InstanceGuard guard(name, directory);
    std::fputs(guard.Acquired() ? "held\n" : "refused\n", stdout);
    std::fflush(stdout);
    if (!guard.Acquired())
        return 1;
    for (;;)
        pause();
}

// Starts this executable holding the guard; returns its first line.
QByteArray StartHolder(QProcess &child, const QString &directory, const QString &name)
{
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--hold"), directory, name});
    if (!child.waitForStarted(10000))
        return "not started";
    while (!child.canReadLine()) {
        if (!child.waitForReadyRead(10000))
            return "no answer";
    }
    return child.readLine().trimmed();
}

} // namespace

class TestInstanceGuard : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> FTemp;
    QString Dir() const { return FTemp->path(); }

private slots:
    void init()
    {
        FTemp = std::make_unique<QTemporaryDir>();
        QVERIFY(FTemp->isValid());
    }

    void secondGuardInProcessIsRefused()
    {
        InstanceGuard first(InstanceGuardName, Dir());
        QVERIFY(first.Acquired());
        InstanceGuard second(InstanceGuardName, Dir());
        QVERIFY(!second.Acquired());
        InstanceGuard other(QStringLiteral("Another Name"), Dir());
        QVERIFY(other.Acquired());
    }

    void releasedWithTheGuard()
    {
        auto first = std::make_unique<InstanceGuard>(InstanceGuardName, Dir());
        QVERIFY(first->Acquired());
        first.reset();
        InstanceGuard again(InstanceGuardName, Dir());
        QVERIFY(again.Acquired());
    }

    void namesStayInTheirDirectory_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("slashes") << QStringLiteral("../../x/y");
        QTest::newRow("blanks and colons") << QStringLiteral("Unique Name : of Mutex");
        QTest::newRow("non-ASCII") << QStringLiteral("Gu\u00e4rd \u2603");
    }
    void namesStayInTheirDirectory()
    {
        QFETCH(QString, name);
        InstanceGuard first(name, Dir());
        QVERIFY(first.Acquired());
        InstanceGuard second(name, Dir());
        QVERIFY(!second.Acquired());
        const QStringList files =
            QDir(Dir()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
        QCOMPARE(files.size(), 1);
    }

    // Without a place for the lock file nothing tells instances apart; the
    // program must still start rather than end silently.
    void guardThatCannotBeSetUpDoesNotStopTheProgram()
    {
        const QString missing = QDir(Dir()).filePath(QStringLiteral("absent"));
        InstanceGuard first(InstanceGuardName, missing);
        InstanceGuard second(InstanceGuardName, missing);
        QVERIFY(first.Acquired());
        QVERIFY(second.Acquired());
    }

    void childHoldingTheGuardBlocksUntilKilled()
    {
        QProcess child;
        QCOMPARE(StartHolder(child, Dir(), InstanceGuardName), QByteArray("held"));

        {
            InstanceGuard blocked(InstanceGuardName, Dir());
            QVERIFY(!blocked.Acquired());
        }
        QProcess second;
        QCOMPARE(StartHolder(second, Dir(), InstanceGuardName), QByteArray("refused"));
        QVERIFY(second.waitForFinished(10000));

        child.kill(); // SIGKILL: the child gets no chance to clean up
        QVERIFY(child.waitForFinished(10000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);

        InstanceGuard after(InstanceGuardName, Dir());
        QVERIFY(after.Acquired());
    }

    // The lock must not leak into programs started by the holder: a child
    // that outlives the guard would otherwise keep it.
    void startedProgramsDoNotInheritTheGuard()
    {
        QProcess bystander;
        {
            InstanceGuard guard(InstanceGuardName, Dir());
            QVERIFY(guard.Acquired());
            QCOMPARE(StartHolder(bystander, Dir(), QStringLiteral("Bystander")),
                     QByteArray("held"));
        }
        InstanceGuard after(InstanceGuardName, Dir());
        QVERIFY(after.Acquired());
        bystander.kill();
        QVERIFY(bystander.waitForFinished(10000));
    }
};

int main(int argc, char **argv)
{
    if (argc == 4 && qstrcmp(argv[1], "--hold") == 0)
        return HoldGuard(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    QCoreApplication app(argc, argv);
    TestInstanceGuard test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_instanceguard.moc"
