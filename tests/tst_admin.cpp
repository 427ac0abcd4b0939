// Administration: the password prompt, the password change, the CAL setting,
// deleting every record in the tester, and the confirmation dialog.

#include "guifixture.h"
#include "modalsteps.h"
#include "ptypair.h"

#include "admin/Administer.h"
#include "admin/Massge1.h"
#include "admin/Password.h"
#include "admin/passwordchange.h"
#include "link/commands.h"
#include "link/exchange.h"
#include "tools/simulator.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <memory>

namespace {
enum Answer { Yes, No, CloseBox, EscapeThenNo };

// Answers the next confirmation; question gets the text it showed.
void Confirm(ModalSteps &steps, int answer, QString *question = nullptr, QPoint *place = nullptr)
{
    steps.On(FormYesNo, [answer, question, place] {
        if (question)
            *question = FormYesNo->Label1->text();
        if (place)
            *place = FormYesNo->pos();
        switch (answer) {
        case Yes:
            FormYesNo->BitBtn1->click();
            break;
        case No:
            FormYesNo->BitBtn2->click();
            break;
        case EscapeThenNo:
            QTest::keyClick(FormYesNo->BitBtn1, Qt::Key_Escape);
            QVERIFY(FormYesNo->isVisible());
            FormYesNo->BitBtn2->click();
            break;
        default:
            FormYesNo->close();
        }
    });
}

// The port list holds port alone, and a tester is linked on it.
void LinkTo(const QString &port)
{
    FormSetup->ComboBox1->clear();
    FormSetup->ComboBox1->addItem(port);
    FormSetup->ComboBox1->setCurrentIndex(0);
    LinkSettings[PortIndex] = 0;
    Connected = 1;
}

// Whether the password prompt lets password through.
bool PromptAccepts(const QString &password)
{
    AdminUnlocked = 0;
    FormPassWord->show();
    QTest::keyClicks(FormPassWord->Edit1, password);
    QTest::keyClick(FormPassWord->Edit1, Qt::Key_Return);
    FormPassWord->hide();
    const bool accepted = AdminUnlocked == 1;
    AdminUnlocked = 0;
    return accepted;
}
} // namespace

class TestAdmin : public QObject
{
    Q_OBJECT

    std::unique_ptr<GuiFixture> fx;
    std::unique_ptr<TesterSimulator> tester;

private slots:
    void initTestCase()
    {
        fx = std::make_unique<GuiFixture>();
        fx->CreateWindows();
        FormAdmin->move(200, 100);
    }
    void cleanupTestCase()
    {
        fx.reset();
        tester.reset();
    }

    void init()
    {
        tester = std::make_unique<TesterSimulator>();
        LinkTo(tester->PortName());
        AdminPassword = QString::fromLatin1(DefaultAdminPassword);
        AdminUnlocked = 0;
        ConfirmResult = 0;
        fx->Messages.clear();
        FormAdmin->show();
    }
    void cleanup() { FormAdmin->hide(); }

    void passwordChangeChecks_data()
    {
        QTest::addColumn<QString>("old");
        QTest::addColumn<QString>("fresh");
        QTest::addColumn<QString>("confirmation");
        QTest::addColumn<int>("result");
        const int accepted = int(PasswordChange::Accepted);
        const int refused = int(PasswordChange::Refused);
        const int notDigits = int(PasswordChange::NotDigits);
        QTest::newRow("four digits") << "5183"
                                     << "0429"
                                     << "0429" << accepted;
        QTest::newRow("old password wrong") << "5184"
                                            << "0429"
                                            << "0429" << refused;
        QTest::newRow("old password empty") << ""
                                            << "0429"
                                            << "0429" << refused;
        QTest::newRow("confirmation differs") << "5183"
                                              << "0429"
                                              << "0428" << refused;
        QTest::newRow("three digits") << "5183"
                                      << "042"
                                      << "042" << refused;
        QTest::newRow("five digits") << "5183"
                                     << "04291"
                                     << "04291" << refused;
        QTest::newRow("a letter") << "5183"
                                  << "04a9"
                                  << "04a9" << notDigits;
        QTest::newRow("a space") << "5183"
                                 << "04 9"
                                 << "04 9" << notDigits;
        QTest::newRow("a superscript two") << "5183"
                                           << QString::fromLatin1("04\xb2"
                                                                  "9")
                                           << QString::fromLatin1("04\xb2"
                                                                  "9")
                                           << notDigits;
        QTest::newRow("letters and old password wrong") << "1111"
                                                        << "abcd"
                                                        << "abcd" << refused;
        QTest::newRow("letters, confirmation differs") << "5183"
                                                       << "abcd"
                                                       << "abce" << refused;
    }

    void passwordChangeChecks()
    {
        QFETCH(QString, old);
        QFETCH(QString, fresh);
        QFETCH(QString, confirmation);
        QFETCH(int, result);
        QCOMPARE(int(CheckPasswordChange(QStringLiteral("5183"), old, fresh, confirmation)),
                 result);
    }

    void passwordPrompt_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("key"); // 0: the OK button
        QTest::addColumn<bool>("unlocked");
        QTest::addColumn<bool>("wrong");
        QTest::newRow("right, Enter") << "5183" << int(Qt::Key_Return) << true << false;
        QTest::newRow("right, OK") << "5183" << 0 << true << false;
        QTest::newRow("fifth character not taken")
            << "51839" << int(Qt::Key_Enter) << true << false;
        QTest::newRow("wrong, Enter") << "5182" << int(Qt::Key_Return) << false << true;
        QTest::newRow("empty, Enter") << "" << int(Qt::Key_Return) << false << false;
        QTest::newRow("empty, OK") << "" << 0 << false << true;
        QTest::newRow("right, Escape") << "5183" << int(Qt::Key_Escape) << false << false;
    }

    void passwordPrompt()
    {
        QFETCH(QString, typed);
        QFETCH(int, key);
        QFETCH(bool, unlocked);
        QFETCH(bool, wrong);
        FormPassWord->show();
        QTest::keyClicks(FormPassWord->Edit1, typed);
        if (key)
            QTest::keyClick(FormPassWord->Edit1, Qt::Key(key));
        else
            FormPassWord->BitBtn1->click();
        QCOMPARE(AdminUnlocked, unlocked ? 1 : 0);
        QCOMPARE(fx->TakeTexts(), wrong ? QStringList({"Wrong password!!!"}) : QStringList());
        const bool stays = !unlocked && key != Qt::Key_Escape;
        QCOMPARE(FormPassWord->isVisible(), stays);
        if (wrong)
            QVERIFY(FormPassWord->Edit1->text().isEmpty());
        FormPassWord->close();
        QVERIFY(FormPassWord->Edit1->text().isEmpty());
        QCOMPARE(AdminUnlocked, unlocked ? 1 : 0);
    }

    void passwordChange_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("old");
        QTest::addColumn<QString>("fresh");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("password");
        QTest::newRow("four digits") << int(Yes) << "5183"
                                     << "0429"
                                     << "Change complete!!!"
                                     << "0429";
        QTest::newRow("a letter") << int(Yes) << "5183"
                                  << "04a9"
                                  << "Only numbers are available!!!"
                                  << "5183";
        QTest::newRow("old password wrong") << int(Yes) << "5184"
                                            << "0429"
                                            << "Fail to change!!!"
                                            << "5183";
        QTest::newRow("answered No") << int(No) << "5183"
                                     << "0429"
                                     << ""
                                     << "5183";
        QTest::newRow("close box") << int(CloseBox) << "5183"
                                   << "0429"
                                   << ""
                                   << "5183";
    }

    void passwordChange()
    {
        QFETCH(int, answer);
        QFETCH(QString, old);
        QFETCH(QString, fresh);
        QFETCH(QString, message);
        QFETCH(QString, password);
        FormAdmin->Edit1->setText(old);
        FormAdmin->Edit2->setText(fresh);
        FormAdmin->Edit3->setText(fresh);
        ModalSteps steps;
        QString question;
        QPoint place;
        Confirm(steps, answer, &question, &place);
        FormAdmin->Button2->click();

        QVERIFY(steps.Done());
        QCOMPARE(question, QStringLiteral("Are you sure you want to change your password?"));
        QCOMPARE(place, FormAdmin->pos() + QPoint(0, 120));
        QCOMPARE(ConfirmResult, 0);
        QCOMPARE(fx->TakeTexts(), message.isEmpty() ? QStringList() : QStringList({message}));
        QCOMPARE(AdminPassword, password);
        const bool answered = answer == Yes;
        QCOMPARE(FormAdmin->Edit1->text(), answered ? QString() : old);
        QCOMPARE(FormAdmin->Edit3->text(), answered ? QString() : fresh);
        QVERIFY(PromptAccepts(password));
        QCOMPARE(PromptAccepts(QStringLiteral("5183")), password == QLatin1String("5183"));
        FormAdmin->close();
        QVERIFY(FormAdmin->Edit2->text().isEmpty());
    }

    void calSetting_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("item");
        QTest::addColumn<bool>("linked");
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QString>("message");
        QTest::newRow("300") << int(Yes) << 2 << true << CalCommand(2) << "Setting complete!!!";
        QTest::newRow("1000") << int(Yes) << 9 << true << QByteArray("$L0009\n")
                              << "Setting complete!!!";
        QTest::newRow("nothing chosen")
            << int(Yes) << -1 << true << QByteArray() << "Fail to setting!!!";
        QTest::newRow("no tester")
            << int(Yes) << 2 << false << QByteArray() << "Fail to setting!!!";
        QTest::newRow("answered No") << int(No) << 2 << true << QByteArray() << "";
    }

    void calSetting()
    {
        QFETCH(int, answer);
        QFETCH(int, item);
        QFETCH(bool, linked);
        QFETCH(QByteArray, command);
        QFETCH(QString, message);
        Connected = linked ? 1 : 0;
        // Whatever the tester answers, the setting counts as sent.
        tester->SetGarbage(true);
        FormAdmin->Label2->setText(QStringLiteral("4242"));
        FormAdmin->ComboBox1->setCurrentIndex(item);
        ModalSteps steps;
        QString question;
        Confirm(steps, answer, &question);
        FormAdmin->Button3->click();

        QVERIFY(steps.Done());
        QCOMPARE(question, QStringLiteral("Are you sure you want to change your CAL setting?"));
        QCOMPARE(tester->CommandLog(),
                 command.isEmpty() ? QList<QByteArray>() : QList<QByteArray>({command}));
        QCOMPARE(fx->TakeTexts(), message.isEmpty() ? QStringList() : QStringList({message}));
        QCOMPARE(FormAdmin->Label2->text(), QStringLiteral("4242"));
        QVERIFY(!FormMain->ComPort1->IsOpen());
        FormAdmin->close();
        QCOMPARE(FormAdmin->ComboBox1->currentIndex(), -1);
    }

    void calPortErrorClosesThePort()
    {
        PtyPair pty;
        QVERIFY(pty.IsValid());
        LinkTo(pty.PortName());
        // The tester goes away once the port is open, just as the command
        // is written.
        TraceEnabled = 1;
        ExchangeTraceSink = [&pty](const QString &line) {
            if (line.startsWith(QLatin1Char('>')))
                pty.CloseMaster();
        };
        FormAdmin->ComboBox1->setCurrentIndex(0);
        ModalSteps steps;
        Confirm(steps, Yes);
        FormAdmin->Button3->click();
        TraceEnabled = 0;
        ExchangeTraceSink = nullptr;

        QVERIFY(steps.Done());
        QCOMPARE(fx->Messages.size(), 1);
        QCOMPARE(fx->Messages[0].icon, MsgIcon::Stop);
        QCOMPARE(fx->Messages[0].caption, QStringLiteral("Dunmaris"));
        QVERIFY(!FormMain->ComPort1->IsOpen());
    }

    void deleteAllData_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("port"); // empty: the simulated tester
        QTest::addColumn<int>("sent");
        QTest::addColumn<QString>("message");
        QTest::newRow("#OK") << int(Yes) << QByteArray("#OK\n") << "" << 1 << "Delete complete!!!";
        QTest::newRow("$OK") << int(Yes) << QByteArray("$OK\n") << "" << 1 << "Fail to delete!!!";
        QTest::newRow("#OK and more")
            << int(Yes) << QByteArray("#OK\n#") << "" << 1 << "Fail to delete!!!";
        QTest::newRow("port cannot be opened")
            << int(Yes) << QByteArray("#OK\n") << "nosuchport" << 0 << "Fail to delete!!!";
        QTest::newRow("answered No") << int(No) << QByteArray("#OK\n") << "" << 0 << "";
        QTest::newRow("Escape does not answer")
            << int(EscapeThenNo) << QByteArray("#OK\n") << "" << 0 << "";
    }

    void deleteAllData()
    {
        QFETCH(int, answer);
        QFETCH(QByteArray, reply);
        QFETCH(QString, port);
        QFETCH(int, sent);
        QFETCH(QString, message);
        tester->SetReply(Cmd::DeleteAll, reply);
        if (!port.isEmpty())
            LinkTo(fx->Dir() + QLatin1Char('/') + port);
        ModalSteps steps;
        QString question;
        Confirm(steps, answer, &question);
        FormAdmin->Button4->click();

        QVERIFY(steps.Done());
        QCOMPARE(question, QStringLiteral("Are you sure you want to delete all data?"));
        QCOMPARE(tester->CommandLog(), QList<QByteArray>(sent, Cmd::DeleteAll));
        QCOMPARE(fx->TakeTexts(), message.isEmpty() ? QStringList() : QStringList({message}));
        QVERIFY(!FormMain->ComPort1->IsOpen());
    }

    void deleteRefusedWithoutTester()
    {
        Connected = 0;
        ModalSteps steps;
        Confirm(steps, Yes);
        FormAdmin->Button4->click();
        QCOMPARE(fx->TakeTexts(), QStringList({"Fail to open port (USB)!!!"}));
        QVERIFY(tester->CommandLog().isEmpty());
    }

    void confirmationModes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("question");
        QTest::addColumn<int>("result");
        const QString caller = QString::fromUtf8("공장 초기화 하시겠습니까?");
        QTest::newRow("1, Yes") << 1 << int(Yes) << "Are you sure you want to change your password?"
                                << 1;
        QTest::newRow("2, No") << 2 << int(No)
                               << "Are you sure you want to change your CAL setting?" << 0;
        QTest::newRow("3, close box")
            << 3 << int(CloseBox) << "Are you sure you want to delete all data?" << 0;
        QTest::newRow("5, Yes") << 5 << int(Yes) << caller << 1;
        QTest::newRow("4 keeps the text") << 4 << int(No) << caller << 0;
    }

    void confirmationModes()
    {
        QFETCH(int, mode);
        QFETCH(int, answer);
        QFETCH(QString, question);
        QFETCH(int, result);
        FormYesNo->Label1->setText(QString::fromUtf8("공장 초기화 하시겠습니까?"));
        ConfirmMode = mode;
        ModalSteps steps;
        QString shown;
        Confirm(steps, answer, &shown);
        FormYesNo->ShowModal();
        // The answer is there as soon as the modal wait returns.
        QCOMPARE(ConfirmResult, result);
        QVERIFY(steps.Done());
        QCOMPARE(shown, question);
        QCOMPARE(FormYesNo->Label1->text(), question);
    }
};

QTEST_MAIN(TestAdmin)
#include "tst_admin.moc"
