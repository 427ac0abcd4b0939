#pragma once
// The program's windows in a test: a scratch start directory, a serial-port
// table file of the test's own, and every message box seen and answered.

#include "app/Main.h"
#include "app/windows.h"
#include "device/Setup.h"
#include "kit/filedialogs.h"
#include "kit/messagebox.h"
#include "tester/mainstate.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QList>
#include <QObject>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>
#include <utility>

struct ShownMessage
{
    MsgOwner owner;
    QString text;
    QString caption;
    MsgButtons buttons;
    MsgIcon icon;
};

class GuiFixture
{
public:
    GuiFixture()
    {
        QDir::setCurrent(FDir.path());
        TablePath = FDir.filePath(QStringLiteral("serialcomm.txt"));
        qputenv("KESTRUNE_SERIALCOMM", TablePath.toLocal8Bit());
        SetTable({});
        // Downloads are archived: into this folder, never the user's, also
        // while a server is chosen.
        qputenv("KESTRUNE_ARCHIVE",
                "sqlite:" + FDir.filePath(QStringLiteral("archive.sqlite")).toLocal8Bit());
        qputenv("KESTRUNE_ARCHIVE_LOCAL",
                "sqlite:" + FDir.filePath(QStringLiteral("local.sqlite")).toLocal8Bit());
        CatchMessages();
        AnswerFileDialogs();
    }
    ~GuiFixture()
    {
        DestroyForms();
        SetMessageHandler({});
        SetFileDialogHandler({});
        QDir::setCurrent(QDir::tempPath());
    }

    // Creates the windows as the program does; the supervision timer is
    // driven by hand in the tests.
    void CreateWindows()
    {
        CreateForms();
        FormMain->Timer1->stop();
    }

    QString Dir() const { return FDir.path(); }

    // Every message box is seen and answered here instead of being shown
    // (the default; SetMessageHandler({}) shows the real boxes).
    void CatchMessages()
    {
        SetMessageHandler([this](const MessageRequest &r) {
            Messages.append({r.owner, r.text, r.caption, r.buttons, r.icon});
            return Answers.isEmpty() ? int(mrOk) : Answers.takeFirst();
        });
    }

    // Every file dialog is seen here and answered with the next of
    // ChosenFiles (the default; SetFileDialogHandler({}) shows the real ones).
    void AnswerFileDialogs()
    {
        SetFileDialogHandler([this](const FileDialogRequest &r) {
            FileRequests.append(r);
            return ChosenFiles.isEmpty() ? QString() : ChosenFiles.takeFirst();
        });
    }

    // value name, port name
    void SetTable(const QList<std::pair<QString, QString>> &entries)
    {
        QFile file(TablePath);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        for (const auto &e : entries)
            file.write((e.first + QLatin1Char('\t') + e.second + QLatin1Char('\n')).toLatin1());
    }
    static std::pair<QString, QString> Usb(int n, const QString &port)
    {
        return {QStringLiteral("\\Device\\Serial%1").arg(n), port};
    }
    static std::pair<QString, QString> Bluetooth(int n, const QString &port)
    {
        return {QStringLiteral("\\Device\\BthModem%1").arg(n), port};
    }

    // The port list holds just port, selected, and the link settings point
    // at it: a device action then talks to the tester behind it.
    static void SelectPort(const QString &port)
    {
        FormSetup->ComboBox1->clear();
        FormSetup->ComboBox1->addItem(port);
        FormSetup->ComboBox1->setCurrentIndex(0);
        LinkSettings[PortIndex] = 0;
    }

    // The texts of the messages shown since the last call.
    QStringList TakeTexts()
    {
        QStringList texts;
        for (const ShownMessage &m : Messages)
            texts << m.text;
        Messages.clear();
        return texts;
    }

    QString TablePath;
    QList<ShownMessage> Messages;
    QList<int> Answers;
    QList<FileDialogRequest> FileRequests;
    QStringList ChosenFiles;

private:
    QTemporaryDir FDir;
};

// The base of a test class of windows: the fixture and the windows are made
// before its first test and go after its last. A class that does more there
// calls these first (initTestCase) or last (cleanupTestCase).
class GuiTest : public QObject
{
    Q_OBJECT

protected:
    std::unique_ptr<GuiFixture> fx;

protected slots:
    void initTestCase()
    {
        fx = std::make_unique<GuiFixture>();
        fx->CreateWindows();
    }
    void cleanupTestCase() { fx.reset(); }
};
