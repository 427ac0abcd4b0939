// The service window against a simulated tester: create and erase data, the
// serial numbers, the six initialisations with their questions, the USB-only
// guard, the exchange trace in the log, and the way in from the main window.

#include "guifixture.h"

#include "admin/Massge1.h"
#include "admin/Password.h"
#include "device/Rstest.h"
#include "link/commands.h"
#include "tools/simulator.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <memory>

namespace {
QString U(const char *text)
{
    return QString::fromUtf8(text);
}

QStringList MemoLines()
{
    return FormTest->Memo1->toPlainText().split(u'\n');
}

const QStringList Header = {"Network Test !!!", "TXD : >", "RXD : <"};
} // namespace

class TestServiceWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<GuiFixture> fx;
    std::unique_ptr<TesterSimulator> sim;

    QPushButton *InitButton(int index)
    {
        QPushButton *const buttons[] = {FormTest->Button3, FormTest->Button4, FormTest->Button5,
                                        FormTest->Button6, FormTest->Button7, FormTest->Button8};
        return buttons[index];
    }

    // Clicks button and answers the confirmation dialog once it shows.
    struct Question
    {
        QString text;
        QPoint place;
        int mode = 0;
    };
    Question ClickAndAnswer(QPushButton *button, bool yes)
    {
        Question asked;
        QTimer::singleShot(0, [&asked, yes] {
            asked = {FormYesNo->Label1->text(), FormYesNo->pos(), ConfirmMode};
            (yes ? FormYesNo->BitBtn1 : FormYesNo->BitBtn2)->click();
        });
        button->click();
        return asked;
    }

private slots:
    void initTestCase()
    {
        fx = std::make_unique<GuiFixture>();
        fx->CreateWindows();
        FormTest->move(100, 50);
    }
    void cleanupTestCase() { fx.reset(); }

    void init()
    {
        sim = std::make_unique<TesterSimulator>();
        GuiFixture::SelectPort(sim->PortName());
        Connected = 1;
        BluetoothMode = 0;
        ConfirmMode = 0;
        ConfirmResult = 0;
        fx->Messages.clear();
    }
    void cleanup()
    {
        FormTest->close();
        FormMain->ComPort1->Close();
        sim.reset();
    }

    void designedState()
    {
        QCOMPARE(FormTest->windowTitle(), U("통신 검사"));
        QCOMPARE(FormTest->size(), QSize(1006, 529));
        QVERIFY(FormTest->maximumSize().width() > 1006);
        QCOMPARE(FormTest->Memo1->size(), QSize(457, 409));
        QCOMPARE(MemoLines(), Header);
        QCOMPARE(FormTest->GroupBox2->title(), U("QX4826용"));
        QCOMPARE(FormTest->GroupBox4->title(), U("VKD-7용(USB만 사용가능)"));
        QCOMPARE(FormTest->BitBtn1->text(), U("데이터생성"));
        QCOMPARE(FormTest->BitBtn2->text(), U("데이터지우기"));
        QCOMPARE(FormTest->Button1->text(), U("시리얼셋팅"));
        QCOMPARE(FormTest->Button2->text(), U("시리얼셋팅"));
        const QStringList captions = {U("공장 초기화"),      U("관리자 초기화"),
                                      U("센서 초기화"),      U("출고 초기화"),
                                      U("측정 DATA 초기화"), U("정확도 DATA 초기화")};
        for (int i = 0; i < 6; ++i)
            QCOMPARE(InitButton(i)->text(), captions[i]);
        QStringList descriptions;
        for (const QLabel *label : FormTest->GroupBox4->findChildren<QLabel *>())
            descriptions << label->text();
        QCOMPARE(descriptions,
                 QStringList({U("RTC를 제외한 모든 설정값을 초기화"),
                              U("RTC, 압력/알콜센서 교정 값 및 일자,"),
                              U("시리얼 번호, 정확도 검사 일자 및 측정 DATA를"),
                              U("제와한 나머지 설정값을 초기화"), U("센서의 사용횟수를 초기화"),
                              U("교정후 사용횟수, 제품의 총 사용 횟수 , 측정 DATA,"),
                              U("센서의 총 사용 횟수 초기화"), U("측정 DATA 초기화"),
                              U("정확도 DATA  초기화")}));
        QCOMPARE(FormTest->Edit1->maxLength(), 9);
        QCOMPARE(FormTest->Edit2->maxLength(), 9);
        QCOMPARE(FormTest->CheckBox1->text(), QStringLiteral("Trace"));
        QVERIFY(!FormTest->CheckBox1->isChecked());
        QCOMPARE(TraceEnabled, 0);
    }

    void createData()
    {
        FormTest->BitBtn1->click();
        QCOMPARE(sim->CommandLog(), QList<QByteArray>({Cmd::CreateData}));
        QVERIFY(fx->Messages.isEmpty());

        Connected = 0;
        FormTest->BitBtn1->click();
        QCOMPARE(sim->CommandLog().size(), 1);
        QCOMPARE(fx->Messages.size(), 1);
        QCOMPARE(fx->Messages[0].text, QStringLiteral("Failed to open port (USB)!!!"));
        QCOMPARE(fx->Messages[0].owner, MsgOwner::None);
    }

    void eraseData_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("caption");
        QTest::newRow("#OK") << QByteArray("#OK\n") << "Complete delete!!!"
                             << "Completion";
        QTest::newRow("$OK") << QByteArray("$OK\n") << "Failed to delete!!!"
                             << "Failure";
        QTest::newRow("no line end") << QByteArray("#OK") << "Failed to delete!!!"
                                     << "Failure";
        QTest::newRow("more after") << QByteArray("#OK\n#OK\n") << "Failed to delete!!!"
                                    << "Failure";
        QTest::newRow("silent") << QByteArray() << "Failed to delete!!!"
                                << "Failure";
    }
    void eraseData()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, text);
        QFETCH(QString, caption);
        if (reply.isEmpty())
            sim->SetSilent(true);
        else
            sim->SetReply(Cmd::DeleteData, reply);
        FormTest->BitBtn2->click();
        QCOMPARE(sim->CommandLog(), QList<QByteArray>({Cmd::DeleteData}));
        QCOMPARE(fx->Messages.size(), 1);
        QCOMPARE(fx->Messages[0].text, text);
        QCOMPARE(fx->Messages[0].caption, caption);
        QCOMPARE(fx->Messages[0].owner, MsgOwner::None);
    }

    void initialisations_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("success");
        QTest::addColumn<QString>("failure");
        QTest::newRow("factory") << 0 << Cmd::FactoryInit << U("공장 초기화 하시겠습니까?")
                                 << U("공장 초기화 성공!!!") << U("공장 초기화 실패!!!");
        QTest::newRow("administrator") << 1 << Cmd::AdminInit << U("관리자 초기화 하시겠습니까?")
                                       << U("관리자 초기화 성공!!!") << U("관리자 초기화 실패!!!");
        QTest::newRow("sensor") << 2 << Cmd::SensorInit << U("센서 초기화 하시겠습니까?")
                                << U("센서 초기화 성공!!!") << U("센서 초기화 실패!!!");
        QTest::newRow("shipping") << 3 << Cmd::ShippingInit << U("출고 초기화 하시겠습니까?")
                                  << U("출고 초기화 성공!!!") << U("출고 초기화 실패!!!");
        QTest::newRow("measurement data")
            << 4 << Cmd::MeasurementInit << U("측정 DATA 초기화 하시겠습니까?")
            << U("측정 DATA 초기화 성공!!!") << U("측정 DATA 초기화 실패!!!");
        QTest::newRow("accuracy data")
            << 5 << Cmd::AccuracyInit << U("정확도 DATA 초기화 하시겠습니까?")
            << U("정확도 DATA 초기화 성공!!!") << U("정확도 DATA 초기화 실패!!!");
    }
    void initialisations()
    {
        QFETCH(int, index);
        QFETCH(QByteArray, command);
        QFETCH(QString, question);
        QFETCH(QString, success);
        QFETCH(QString, failure);
        // They need no link.
        Connected = 0;
        QPushButton *button = InitButton(index);

        const Question asked = ClickAndAnswer(button, false);
        QCOMPARE(asked.text, question);
        QCOMPARE(asked.mode, 5);
        QCOMPARE(asked.place, FormTest->pos() + QPoint(300, 120));
        QVERIFY(sim->CommandLog().isEmpty());
        QVERIFY(fx->Messages.isEmpty());

        ClickAndAnswer(button, true);
        QCOMPARE(sim->CommandLog(), QList<QByteArray>({command}));
        QCOMPARE(ConfirmResult, 0);
        QCOMPARE(fx->Messages.size(), 1);
        QCOMPARE(fx->Messages[0].text, success);
        QCOMPARE(fx->Messages[0].caption, QStringLiteral("Completion"));
        QCOMPARE(fx->Messages[0].owner, MsgOwner::Application);

        fx->Messages.clear();
        sim->SetReply(command, "$OK\n");
        ClickAndAnswer(button, true);
        QCOMPARE(sim->CommandLog().size(), 2);
        QCOMPARE(fx->TakeTexts(), QStringList({failure}));
        QCOMPARE(fx->Messages.size(), 0);
    }

    void usbOnlyFunctionsRefuseBluetooth()
    {
        BluetoothMode = 1;
        FormTest->Edit2->setText(QStringLiteral("KT0099999"));
        for (QPushButton *button :
             {FormTest->Button3, FormTest->Button4, FormTest->Button5, FormTest->Button6,
              FormTest->Button7, FormTest->Button8, FormTest->Button2}) {
            fx->Messages.clear();
            button->click();
            QCOMPARE(fx->Messages.size(), 1);
            QCOMPARE(fx->Messages[0].text, U("USB모드만 지원 됩니다!!!"));
            QCOMPARE(fx->Messages[0].caption, QString());
            QCOMPARE(fx->Messages[0].owner, MsgOwner::Application);
        }
        // No question was asked and nothing sent.
        QCOMPARE(ConfirmMode, 0);
        QVERIFY(sim->CommandLog().isEmpty());
        QCOMPARE(FormTest->Edit2->text(), QStringLiteral("KT0099999"));
    }

    void serialNumbers_data()
    {
        QTest::addColumn<bool>("vkd");
        QTest::addColumn<QString>("serial");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("caption");
        const QString reply = QStringLiteral("Serial Number : KT0099999\n");
        const QString wrong = QStringLiteral("Wrong serial number!!!");
        const QString noAnswer = QStringLiteral("The tester did not answer!!!");
        for (bool vkd : {false, true}) {
            const char *model = vkd ? "VKD-7" : "QX4826";
            QTest::addRow("%s, 9 characters", model)
                << vkd << "KT0099999" << false << reply << "Completion";
            QTest::addRow("%s, 8 characters", model)
                << vkd << "KT009999" << false << wrong << "Failure";
            QTest::addRow("%s, Hangul", model)
                << vkd << U("KT009999한") << false << wrong << "Failure";
            QTest::addRow("%s, no answer", model)
                << vkd << "KT0099999" << true << noAnswer << "Failure";
        }
    }
    void serialNumbers()
    {
        QFETCH(bool, vkd);
        QFETCH(QString, serial);
        QFETCH(bool, silent);
        QFETCH(QString, text);
        QFETCH(QString, caption);
        sim->SetSilent(silent);
        FormMain->PrepareLink();
        QLineEdit *edit = vkd ? FormTest->Edit2 : FormTest->Edit1;
        edit->setText(serial);
        (vkd ? FormTest->Button2 : FormTest->Button1)->click();
        const bool sent = text != QStringLiteral("Wrong serial number!!!");
        QCOMPARE(sim->CommandLog(),
                 sent ? QList<QByteArray>({"$S" + serial.toLatin1() + '\n'}) : QList<QByteArray>());
        QCOMPARE(edit->text(), sent ? serial : QString());
        QCOMPARE(fx->Messages.size(), 1);
        QCOMPARE(fx->Messages[0].text, text);
        QCOMPARE(fx->Messages[0].caption, caption);
        QCOMPARE(fx->Messages[0].owner, MsgOwner::Application);
    }

    void qx4826SerialNeedsALinkAndUsesThePortAsSet()
    {
        TesterSimulator other;
        FormTest->Edit1->setText(QStringLiteral("KT0099999"));
        Connected = 0;
        FormTest->Button1->click();
        QCOMPARE(fx->TakeTexts(), QStringList({"Fail to open port (USB)!!!"}));
        QVERIFY(sim->CommandLog().isEmpty());

        // The port list points at the other tester; the port object was last
        // set to this one.
        Connected = 1;
        FormMain->PrepareLink();
        FormSetup->ComboBox1->insertItem(0, other.PortName());
        FormSetup->ComboBox1->setCurrentIndex(0);
        FormTest->Button1->click();
        QCOMPARE(sim->CommandLog(), QList<QByteArray>({"$SKT0099999\n"}));
        QVERIFY(other.CommandLog().isEmpty());
    }

    void vkd7SerialNeedsNoLink()
    {
        Connected = 0;
        FormTest->Edit2->setText(QStringLiteral("KT0099999"));
        FormTest->Button2->click();
        QCOMPARE(sim->CommandLog(), QList<QByteArray>({"$SKT0099999\n"}));
        QCOMPARE(fx->TakeTexts(), QStringList({"Serial Number : KT0099999\n"}));
    }

    void traceWritesEachExchangeIntoTheLog()
    {
        FormTest->show();
        FormTest->CheckBox1->click();
        QCOMPARE(TraceEnabled, 1);
        FormTest->BitBtn2->click();
        sim->SetReply(Cmd::CreateData, QByteArray("\x01\x00 two\nlines\n", 13));
        FormTest->BitBtn1->click();
        QCOMPARE(MemoLines(),
                 Header + QStringList({">$E001", "<#OK", ">$C500",
                                       QString::fromLatin1("<\x01\x00 two", 7), "lines"}));

        FormTest->CheckBox1->click();
        QCOMPARE(TraceEnabled, 0);
        FormTest->BitBtn2->click();
        QCOMPARE(MemoLines().size(), 8);
        QCOMPARE(sim->CommandLog().size(), 3);

        // The box shows the switch as it is at each showing.
        FormTest->close();
        TraceEnabled = 1;
        FormTest->show();
        QVERIFY(FormTest->CheckBox1->isChecked());
        FormTest->CheckBox1->click();
        QCOMPARE(TraceEnabled, 0);
    }

    // Ctrl+Shift+T on the main window asks for the administrator password;
    // the prompt reports the right one through AdminUnlocked.
    void wayInFromTheMainWindow_data()
    {
        QTest::addColumn<int>("unlocked");
        QTest::newRow("right password") << 1;
        QTest::newRow("wrong password") << 0;
    }
    void wayInFromTheMainWindow()
    {
        QFETCH(int, unlocked);
        FormMain->move(120, 80);
        FormMain->show();
        FormMain->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), FormMain);
        QPoint place;
        bool prompted = false;
        QTimer::singleShot(0, [&, unlocked] {
            prompted = FormPassWord->isVisible();
            place = FormPassWord->pos();
            AdminUnlocked = unlocked;
            FormPassWord->close();
        });
        QTest::keyClick(FormMain, Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(prompted);
        QCOMPARE(place, QPoint(520, 200));
        QCOMPARE(FormTest->isVisible(), unlocked == 1);
        QCOMPARE(AdminUnlocked, 0);
        QVERIFY(fx->Messages.isEmpty());
    }
};

QTEST_MAIN(TestServiceWindow)
#include "tst_servicewindow.moc"
