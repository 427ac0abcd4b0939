// The service window against a simulated tester: create and erase data, the
// serial numbers, the six initialisations, the USB-only guard, the exchange
// trace, and the way in from the main window.

#include "guifixture.h"
#include "modalsteps.h"

#include "admin/Massge1.h"
#include "admin/Password.h"
#include "device/Rstest.h"
#include "link/commands.h"
#include "tester/testerlink.h"
#include "tools/simulator.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWindow>
#include <memory>

class TestServiceWindow : public GuiTest
{
    Q_OBJECT

    std::unique_ptr<TesterSimulator> sim;

    QList<QPushButton *> Inits()
    {
        return {FormTest->Button3, FormTest->Button4, FormTest->Button5,
                FormTest->Button6, FormTest->Button7, FormTest->Button8};
    }

private slots:
    void initTestCase()
    {
        GuiTest::initTestCase();
        FormTest->move(100, 50);
    }
    void init()
    {
        sim = std::make_unique<TesterSimulator>();
        GuiFixture::SelectPort(sim->PortName());
        PrepareLink();
        Connected = 1;
        BluetoothMode = ConfirmMode = ConfirmResult = 0;
        fx->Messages.clear();
    }

    // Each row: the button, the tester's reply, the message (empty: none).
    void commands_data()
    {
        QTest::addColumn<QStringList>("row");
        QTest::newRow("create") << QStringList{"BitBtn1", "#OK\n", ""};
        QTest::newRow("erase, #OK") << QStringList{"BitBtn2", "#OK\n", "Complete delete!!!"};
        QTest::newRow("erase, $OK") << QStringList{"BitBtn2", "$OK\n", "Failed to delete!!!"};
        QTest::newRow("erase, unlinked")
            << QStringList{"BitBtn2", "#OK\n", "Failed to open port (USB)!!!"};
        QTest::newRow("erase, no line end") << QStringList{"BitBtn2", "#OK", "Failed to delete!!!"};
        QTest::newRow("QX4826 serial 9")
            << QStringList{"Button1", "KT0099999", "Serial Number : KT0099999\n"};
        QTest::newRow("QX4826 serial 8")
            << QStringList{"Button1", "KT009999", "Wrong serial number!!!"};
        QTest::newRow("QX4826 no answer")
            << QStringList{"Button1", "KT0099999", "The tester did not answer!!!"};
        QTest::newRow("QX4826 unlinked")
            << QStringList{"Button1", "KT0099999", "Fail to open port (USB)!!!"};
        QTest::newRow("VKD-7 serial 9")
            << QStringList{"Button2", "KT0099999", "Serial Number : KT0099999\n"};
        QTest::newRow("VKD-7 Hangul")
            << QStringList{"Button2", QString::fromUtf8("KT009999한"), "Wrong serial number!!!"};
    }
    void commands()
    {
        QFETCH(QStringList, row);
        const bool serial = row[0].startsWith("Button");
        QLineEdit *edit = row[0] == "Button1" ? FormTest->Edit1 : FormTest->Edit2;
        QByteArray command = row[0] == "BitBtn1" ? Cmd::CreateData : Cmd::DeleteData;
        if (serial) {
            edit->setText(row[1]);
            command = "$S" + row[1].toLatin1() + '\n';
        } else {
            sim->SetReply(command, row[1].toLatin1());
        }
        sim->SetSilent(row[2].contains("answer"));
        const bool refused = row[2].startsWith("Wrong") || row[2].contains("open port");
        Connected = row[2].contains("open port") ? 0 : 1;
        const QMap<QString, QPushButton *> buttons = {{"BitBtn1", FormTest->BitBtn1},
                                                      {"BitBtn2", FormTest->BitBtn2},
                                                      {"Button1", FormTest->Button1},
                                                      {"Button2", FormTest->Button2}};
        buttons[row[0]]->click();
        QCOMPARE(fx->TakeTexts(), row[2].isEmpty() ? QStringList() : QStringList{row[2]});
        QCOMPARE(sim->CommandLog(), refused ? QList<QByteArray>() : QList<QByteArray>{command});
        if (serial)
            QCOMPARE(edit->text(), row[2].startsWith("Wrong") ? QString() : row[1]);
    }

    void initialisations()
    {
        Connected = 0; // no link needed
        const char *names[] = {"공장 초기화", "관리자 초기화",    "센서 초기화",
                               "출고 초기화", "측정 DATA 초기화", "정확도 DATA 초기화"};
        for (int i = 0; i < 6; ++i) {
            const QString name = QString::fromUtf8(names[i]);
            const QByteArray command =
                QByteArray("$E0%1E0%1\n").replace("%1", QByteArray::number(i + 1));
            QCOMPARE(Inits()[i]->text(), name);
            sim->ClearCommandLog();
            // No, Yes with "#OK\n", Yes with "$OK\n".
            for (int answer : {0, 1, 2}) {
                sim->SetReply(command, answer == 2 ? "$OK\n" : "#OK\n");
                QString question;
                QTimer::singleShot(0, [&] {
                    if (ConfirmMode == 5 && FormYesNo->pos() == FormTest->pos() + QPoint(300, 120))
                        question = FormYesNo->Label1->text();
                    (answer ? FormYesNo->BitBtn1 : FormYesNo->BitBtn2)->click();
                });
                Inits()[i]->click();
                QCOMPARE(question, name + QString::fromUtf8(" 하시겠습니까?"));
                QCOMPARE(sim->CommandLog(), QList<QByteArray>(answer, command));
                QCOMPARE(ConfirmResult, 0);
                const char *outcome[] = {nullptr, " 성공!!!", " 실패!!!"};
                QCOMPARE(fx->TakeTexts(),
                         answer ? QStringList{name + QString::fromUtf8(outcome[answer])}
                                : QStringList());
            }
        }
    }

    void usbOnly()
    {
        BluetoothMode = 1;
        FormTest->Edit2->setText("KT0099999");
        const QList<QPushButton *> buttons = Inits() << FormTest->Button2;
        for (QPushButton *button : buttons)
            button->click();
        QCOMPARE(fx->TakeTexts(), QStringList(7, QString::fromUtf8("USB모드만 지원 됩니다!!!")));
        QCOMPARE(ConfirmMode, 0); // no question asked
        QVERIFY(sim->CommandLog().isEmpty());
    }

    void traceInTheLog()
    {
        const QStringList header = {"Network Test !!!", "TXD : >", "RXD : <"};
        QCOMPARE(FormTest->Memo1->toPlainText().split(u'\n'), header);
        FormTest->show();
        QVERIFY(!FormTest->CheckBox1->isChecked());
        FormTest->CheckBox1->click();
        QCOMPARE(TraceEnabled, 1);
        sim->SetReply(Cmd::CreateData, QByteArray("\x01\x00 two\nlines\n", 13));
        FormTest->BitBtn2->click();
        FormTest->BitBtn1->click();
        FormTest->CheckBox1->click();
        QCOMPARE(TraceEnabled, 0);
        FormTest->BitBtn2->click();
        QCOMPARE(FormTest->Memo1->toPlainText().split(u'\n'),
                 header + QStringList({">$E001", "<#OK", ">$C500",
                                       QString::fromLatin1("<\x01\x00 two", 7), "lines"}));
        FormTest->close();
    }

    // Ctrl+Shift+T: a wrong password is refused and the prompt stays until
    // Escape; the right one opens the service window.
    void wayInFromTheMainWindow()
    {
        for (bool right : {false, true}) {
            FormMain->move(120, 80);
            FormMain->show();
            FormMain->activateWindow();
            QTRY_COMPARE(QApplication::activeWindow(), FormMain);
            ModalSteps steps;
            QPoint place;
            steps.On(FormPassWord, [&] {
                place = FormPassWord->pos();
                QTest::keyClicks(FormPassWord->Edit1,
                                 right ? AdminPassword : QStringLiteral("0000"));
                QTest::keyClick(FormPassWord->Edit1, Qt::Key_Return);
                if (!right)
                    QTest::keyClick(FormPassWord->BitBtn2, Qt::Key_Escape);
            });
            QTest::keyClick(FormMain, Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier);
            QVERIFY(steps.Done());
            QCOMPARE(place, QPoint(520, 200));
            QCOMPARE(fx->TakeTexts(),
                     right ? QStringList() : QStringList{QStringLiteral("Wrong password!!!")});
            QCOMPARE(FormTest->isVisible(), right);
            QCOMPARE(AdminUnlocked, 0);
            FormTest->close();
        }
    }

    // Frame included where the platform draws one.
    void outerSize()
    {
        FormTest->show();
        QVERIFY(QTest::qWaitForWindowExposed(FormTest));
        QVERIFY(!FormTest->windowHandle()->frameMargins().isNull());
        QCOMPARE(FormTest->frameGeometry().size(), QSize(1006, 529));
        FormTest->hide();
    }
};

QTEST_MAIN(TestServiceWindow)
#include "tst_servicewindow.moc"
