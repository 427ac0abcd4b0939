// Device information and administration against a simulated tester, and the
// confirmation dialog's modes.

#include "guifixture.h"
#include "modalsteps.h"
#include "ptypair.h"

#include "admin/Administer.h"
#include "admin/Massge1.h"
#include "admin/Password.h"
#include "admin/passwordchange.h"
#include "device/Information.h"
#include "device/Rstest.h"
#include "link/commands.h"
#include "tools/simulator.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <memory>

namespace {
// Answers the next confirmation with Yes (1), No (0) or the close box (-1).
void Confirm(ModalSteps &steps, int answer, QString *question)
{
    steps.On(FormYesNo, [answer, question] {
        *question = FormYesNo->Label1->text();
        if (answer < 0)
            FormYesNo->close();
        else
            (answer ? FormYesNo->BitBtn1 : FormYesNo->BitBtn2)->click();
    });
}

void LinkTo(const QString &port)
{
    FormSetup->ComboBox1->clear();
    FormSetup->ComboBox1->addItem(port);
    LinkSettings[PortIndex] = 0;
    Connected = 1;
}

// Where a window was put. The offscreen platform keeps a window shown before
// at its client origin when it is moved while hidden.
QPoint Place(const QWidget *window, const QPoint &expected)
{
    return window->geometry().topLeft() == expected ? expected : window->pos();
}
} // namespace

class TestAdmin : public GuiTest
{
    Q_OBJECT
    std::unique_ptr<TesterSimulator> tester;
    QString question;

private slots:
    void init()
    {
        tester = std::make_unique<TesterSimulator>();
        LinkTo(tester->PortName());
        fx->Messages.clear();
    }

    void informationReply_data()
    {
        QTest::addColumn<QByteArray>("reply"); // empty: the tester stays silent
        QTest::addColumn<QString>("labels");   // "-": the label keeps its text
        auto lines = [](const char *header, const QByteArray &second) {
            return header + ("\nP\n" + second + "\nV\nC\nT\n6\n77\n");
        };
        QTest::newRow("seven") << lines("#I7", "S") << "P S V C T 6 77";
        QTest::newRow("six announced") << lines("#I6", "S") << "";
        QTest::newRow("eight announced") << lines("#I8", "S") << "";
        QTest::newRow("99 characters")
            << lines("#I7", QByteArray(99, 'S')) << "P " + QString(99, 'S') + " V C T 6 77";
        QTest::newRow("100 characters") << lines("#I7", QByteArray(100, 'S')) << "P -  V C T 6";
        QTest::newRow("zero byte") << QByteArray("#I7\nP\nS") + '\0' + "\n"
                                   << "P - - - - - -";
        QTest::newRow("garbage") << TesterSimulator::GarbageReply() << "";
        QTest::newRow("99,999 characters") << "#I7\n" + QByteArray(99995, 'x') << "- - - - - - -";
        QTest::newRow("silent") << QByteArray() << "";
    }
    void informationReply()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, labels);
        const QList<QLabel *> shownIn = {FormInfor->Label12, FormInfor->Label3, FormInfor->Label5,
                                         FormInfor->Label7,  FormInfor->Label8, FormInfor->Label10,
                                         FormAdmin->Label2};
        for (QLabel *label : shownIn)
            label->setText(QStringLiteral("-"));
        tester->SetSilent(reply.isEmpty());
        tester->SetReply(Cmd::Identify, reply);
        ModalSteps steps;
        QPoint placed;
        steps.On(FormInfor, [&placed] {
            placed = Place(FormInfor, FormMain->pos() + QPoint(400, 120));
            QTest::keyClick(FormInfor->Button1, Qt::Key_Escape);
        });
        FormMain->BitBtn2->click();

        const bool shown = !labels.isEmpty();
        QCOMPARE(steps.Done(), shown);
        QStringList texts;
        for (QLabel *label : shownIn)
            texts << label->text();
        QCOMPARE(texts.join(' '), shown ? labels : QStringLiteral("- - - - - - -"));
        QCOMPARE(fx->TakeTexts(), QStringList(shown ? 0 : 1, "Information Reading Error !!!"));
        QCOMPARE(placed, shown ? FormMain->pos() + QPoint(400, 120) : QPoint());
        QCOMPARE(tester->CommandLog(), QList<QByteArray>(reply.isEmpty() ? 10 : 1, Cmd::Identify));
    }

    void doorToAdministration_data()
    {
        QTest::addColumn<int>("wrong");
        QTest::addColumn<int>("last"); // Enter, Escape or 0: the close box
        QTest::newRow("wrong, then right") << 1 << int(Qt::Key_Return);
        QTest::newRow("wrong twice, then Escape") << 2 << int(Qt::Key_Escape);
        QTest::newRow("close box") << 0 << 0;
    }
    void doorToAdministration()
    {
        QFETCH(int, wrong);
        QFETCH(int, last);
        ModalSteps steps;
        QPoint infoAt, promptAt, adminAt;
        steps.On(FormInfor, [] { QTest::mouseDClick(FormInfor->Label13, Qt::LeftButton); });
        for (int i = 0; i < wrong; ++i)
            steps.On(FormPassWord, [] {
                QTest::keyClicks(FormPassWord->Edit1, QStringLiteral("0000"));
                QTest::keyClick(FormPassWord->Edit1, Qt::Key_Return);
            });
        steps.On(FormPassWord, [&, last] {
            infoAt = FormInfor->pos();
            promptAt = Place(FormPassWord, infoAt);
            QTest::keyClicks(FormPassWord->Edit1, AdminPassword);
            if (last)
                QTest::keyClick(FormPassWord->Edit1, Qt::Key(last));
            else
                FormPassWord->close();
        });
        const bool admin = last == Qt::Key_Return;
        if (admin)
            steps.On(FormAdmin, [&adminAt] {
                adminAt = Place(FormAdmin, FormMain->pos() + QPoint(400, 120));
                FormAdmin->Button1->click();
            });
        FormMain->BitBtn2Click();

        QVERIFY(steps.Done());
        QCOMPARE(promptAt, infoAt);
        QCOMPARE(fx->TakeTexts(), QStringList(wrong, QStringLiteral("Wrong password!!!")));
        QCOMPARE(AdminUnlocked, 0);
        QCOMPARE(adminAt, admin ? FormMain->pos() + QPoint(400, 120) : QPoint());
        QCOMPARE(FormAdmin->Label2->text().toLatin1(),
                 tester->IdentificationReply().split('\n').value(7));
    }

    void passwordChangeChecks_data()
    {
        QTest::addColumn<QString>("typed"); // old, new and confirmation
        QTest::addColumn<int>("result");
        const int ok = int(PasswordChange::Accepted), refused = int(PasswordChange::Refused);
        const int notDigits = int(PasswordChange::NotDigits);
        QTest::newRow("four digits") << "5183 0429 0429" << ok;
        QTest::newRow("old wrong") << "5184 0429 0429" << refused;
        QTest::newRow("confirmation differs") << "5183 0429 0428" << refused;
        QTest::newRow("three digits") << "5183 042 042" << refused;
        QTest::newRow("a letter") << "5183 04a9 04a9" << notDigits;
        QTest::newRow("superscript two") << QString::fromUtf8("5183 04²9 04²9") << notDigits;
        QTest::newRow("letters, old wrong") << "1111 abcd abcd" << refused;
    }
    void passwordChangeChecks()
    {
        QFETCH(QString, typed);
        QFETCH(int, result);
        const QStringList t = typed.split(' ');
        QCOMPARE(int(CheckPasswordChange("5183", t[0], t[1], t[2])), result);
    }

    void deviceOperations_data()
    {
        QTest::addColumn<int>("button"); // 3: CAL "300", 4: delete all data
        QTest::addColumn<int>("answer");
        QTest::addColumn<QByteArray>("reply"); // empty: the port fails
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QString>("message"); // the error box by its caption
        const QByteArray none, cal = "$L0002\n", del = Cmd::DeleteAll;
        QTest::newRow("CAL") << 3 << 1 << QByteArray("?") << cal << "Setting complete!!!";
        QTest::newRow("CAL, port error") << 3 << 1 << none << none << "Dunmaris";
        QTest::newRow("CAL, No") << 3 << 0 << QByteArray("?") << none << "";
        QTest::newRow("delete, #OK")
            << 4 << 1 << QByteArray("#OK\n") << del << "Delete complete!!!";
        QTest::newRow("delete, $OK") << 4 << 1 << QByteArray("$OK\n") << del << "Fail to delete!!!";
        QTest::newRow("delete, no port") << 4 << 1 << none << none << "Fail to delete!!!";
        QTest::newRow("delete, close box") << 4 << -1 << QByteArray("#OK\n") << none << "";
    }
    void deviceOperations()
    {
        QFETCH(int, button);
        QFETCH(int, answer);
        QFETCH(QByteArray, reply);
        QFETCH(QByteArray, sent);
        QFETCH(QString, message);
        const bool cal = button == 3;
        tester->SetReply(cal ? CalCommand(2) : Cmd::DeleteAll, reply);
        PtyPair pty;
        QMetaObject::Connection goAway;
        if (reply.isEmpty()) {
            LinkTo(cal ? pty.PortName() : fx->Dir() + QStringLiteral("/gone"));
            // The tester goes away as the command is written: its trace line
            // reaches the service window's log just before.
            TraceEnabled = 1;
            goAway = connect(FormTest->Memo1, &QPlainTextEdit::textChanged,
                             [&pty] { pty.CloseMaster(); });
        }
        FormAdmin->Label2->setText(QStringLiteral("4242"));
        FormAdmin->ComboBox1->setCurrentIndex(2);
        ModalSteps steps;
        Confirm(steps, answer, &question);
        (cal ? FormAdmin->Button3 : FormAdmin->Button4)->click();
        TraceEnabled = 0;
        disconnect(goAway);

        QCOMPARE(question, cal ? "Are you sure you want to change your CAL setting?"
                               : "Are you sure you want to delete all data?");
        QCOMPARE(tester->CommandLog(), QList<QByteArray>(sent.isEmpty() ? 0 : 1, sent));
        QStringList seen;
        for (const ShownMessage &m : fx->Messages)
            seen << (m.icon == MsgIcon::Stop ? m.caption : m.text);
        QCOMPARE(seen, QStringList(message.isEmpty() ? 0 : 1, message));
        QCOMPARE(FormAdmin->Label2->text(), QStringLiteral("4242"));
        QVERIFY(!FormMain->ComPort1->IsOpen());
    }

    void confirmationModes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("shown");
        const QString caller = QString::fromUtf8("공장 초기화 하시겠습니까?");
        QTest::newRow("1") << 1 << 1 << "Are you sure you want to change your password?";
        QTest::newRow("1, close box")
            << 1 << -1 << "Are you sure you want to change your password?";
        QTest::newRow("5: the caller's text") << 5 << 1 << caller;
        QTest::newRow("4: the text stays") << 4 << 0 << caller;
    }
    void confirmationModes()
    {
        QFETCH(int, mode);
        QFETCH(int, answer);
        QFETCH(QString, shown);
        FormYesNo->Label1->setText(QString::fromUtf8("공장 초기화 하시겠습니까?"));
        ConfirmMode = mode;
        ConfirmResult = 0;
        ModalSteps steps;
        Confirm(steps, answer, &question);
        FormYesNo->ShowModal();
        QCOMPARE(ConfirmResult, answer == 1 ? 1 : 0); // set before the modal wait returns
        QCOMPARE(question, shown);
    }

    void calListItemHeight()
    {
        QComboBox *list = FormAdmin->ComboBox1;
        FormAdmin->show();
        list->showPopup();
        QVERIFY(list->view()->isVisible());
        for (int row = 0; row < list->count(); ++row)
            QCOMPARE(list->view()->visualRect(list->model()->index(row, 0)).height(), 14);
        list->hidePopup();
        FormAdmin->hide();
    }
};

QTEST_MAIN(TestAdmin)
#include "tst_admin.moc"
