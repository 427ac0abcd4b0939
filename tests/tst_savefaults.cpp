// Saving when the disk refuses part of a file: every writer keeps the old
// file, leaves nothing behind and says why. The refusal is a file size limit
// set in a child process, which binds every user, root included.

#include "guifixture.h"

#include "app/filelines.h"
#include "app/settingsfile.h"
#include "records/Result.h"
#include "records/datafile.h"
#include "records/recordstate.h"

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Pipe
{
    int fd[2] = {-1, -1};
    Pipe()
    {
        if (::pipe(fd) != 0)
            fd[0] = fd[1] = -1;
    }
    ~Pipe()
    {
        for (int f : fd)
            if (f >= 0)
                ::close(f);
    }
};

// Runs save in a child whose files may not grow beyond limit bytes and
// returns the text it gave back.
QByteArray UnderFileSizeLimit(rlim_t limit, const std::function<QByteArray()> &save)
{
    Pipe pipe;
    const pid_t child = ::fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit r{};
        ::getrlimit(RLIMIT_FSIZE, &r);
        r.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &r);
        const QByteArray text = save();
        const bool sent = ::write(pipe.fd[1], text.constData(), text.size()) == text.size();
        ::_exit(sent ? 0 : 1);
    }
    ::close(pipe.fd[1]);
    pipe.fd[1] = -1;
    QByteArray text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipe.fd[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, n);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? text : QByteArray("<child failed>");
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestSaveFaults : public QObject
{
    Q_OBJECT

    std::unique_ptr<GuiFixture> fx;

    // Opens a data file of count records in the results window.
    void ShowRecords(int count)
    {
        GridRows rows{PlainHeadings()};
        for (int i = 1; i <= count; ++i)
            rows.append({QString::number(i).rightJustified(5, u'0'), "05 - Jan - 2010", "10:00.00",
                         "0.050 %BAC", "PASS", "Manual"});
        const QString path = fx->Dir() + QStringLiteral("/records.DAT");
        QString error;
        QVERIFY(SaveLinesAtomically(
            path, BuildRecordFileLines(ShownDeviceInfoHeadings(), rows, ','), &error));
        fx->ChosenFiles << path;
        FormResult->BitBtn3Click();
        QCOMPARE(RecordCount, count);
    }

private slots:
    void initTestCase()
    {
        fx = std::make_unique<GuiFixture>();
        fx->CreateWindows();
        FormResult->show();
    }
    void cleanupTestCase() { fx.reset(); }

    void refusedWriteKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("writer");
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("limit");
        QTest::newRow("settings file") << "settings" << 0 << 64;
        QTest::newRow("small data file") << "save" << 3 << 256;
        QTest::newRow("large data file") << "save" << 500 << 20000;
        QTest::newRow("small export") << "export" << 3 << 256;
        QTest::newRow("large export") << "export" << 500 << 20000;
    }
    void refusedWriteKeepsTheOldFile()
    {
        QFETCH(QString, writer);
        QFETCH(int, records);
        QFETCH(int, limit);
        QTemporaryDir dir(fx->Dir() + QStringLiteral("/XXXXXX"));
        const QString path = dir.filePath(writer == "settings" ? SettingsFileName : "old.file");
        {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("old contents");
        }
        if (records > 0)
            ShowRecords(records);
        fx->Messages.clear();

        const QString said = QString::fromLocal8Bit(UnderFileSizeLimit(rlim_t(limit), [&] {
            QString error;
            if (writer == "settings")
                return (SaveSettings(dir.path(), &error) ? QString("saved") : error).toLocal8Bit();
            fx->ChosenFiles << path;
            fx->Answers << mrOk;
            if (writer == "save")
                FormResult->BitBtn2Click();
            else
                FormResult->BitBtn8Click();
            return fx->Messages.last().caption.toLocal8Bit() + '|' +
                   fx->Messages.last().text.toLocal8Bit();
        }));

        QVERIFY2(said.contains(QFileInfo(path).fileName()) && said.contains("File too large"),
                 qPrintable(said));
        if (writer != "settings")
            QVERIFY(said.startsWith("Failure|Cannot save "));
        QCOMPARE(ReadAll(path), QByteArray("old contents"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList(QFileInfo(path).fileName()));
    }
};

QTEST_MAIN(TestSaveFaults)
#include "tst_savefaults.moc"
