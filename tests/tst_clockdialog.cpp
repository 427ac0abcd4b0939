// The clock dialog against a simulated tester: reading the tester's clock,
// setting it to typed values or the PC's clock, the checks of typed values.

#include "guifixture.h"

#include "device/Datetime.h"
#include "device/devicefields.h"
#include "link/commands.h"
#include "tester/testerlink.h"
#include "tools/simulator.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <memory>

class TestClockDialog : public GuiTest
{
    Q_OBJECT

    std::unique_ptr<TesterSimulator> sim;

private slots:
    void init()
    {
        sim = std::make_unique<TesterSimulator>();
        GuiFixture::SelectPort(sim->PortName());
        Connected = 1;
        BluetoothMode = 0;
        fx->Messages.clear();
    }
    void cleanup()
    {
        FormTime->close();
        FormMain->ComPort1->Close();
    }

    void readWhenShown_data()
    {
        QTest::addColumn<QByteArray>("reply"); // empty: the tester is silent
        QTest::addColumn<bool>("bluetooth");
        const QByteArray clock = "#2011-04-07,18:20.50\n";
        QTest::newRow("USB") << clock << false;
        QTest::newRow("Bluetooth: read only") << clock << true;
        QTest::newRow("blank") << QByteArray("#2011-04-07 18:20.50") << false;
        QTest::newRow("no answer") << QByteArray() << false;
    }
    void readWhenShown()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, bluetooth);
        sim->SetSilent(reply.isEmpty());
        sim->SetReply(Cmd::ReadClock, reply);
        if ((BluetoothMode = bluetooth)) {
            PrepareLink();
            FormMain->ComPort1->Open();
        }
        FormTime->show();
        QCOMPARE(sim->CommandLog(), QList<QByteArray>({Cmd::ReadClock}));
        const ClockTexts texts = ParseClockReply(reply);
        QCOMPARE(FormTime->Edit2->text(), texts.Date);
        QCOMPARE(FormTime->Edit1->text(), texts.Time);
        QCOMPARE(FormTime->Button1->isEnabled(), !bluetooth);
        QCOMPARE(FormTime->Button2->isEnabled(), !bluetooth);
        QCOMPARE(FormTime->focusWidget(), FormTime->Button3);
    }

    // Each row: date and time typed (none: the PC clock button), the command
    // sent ("": none; "?": the tester stays silent), the message.
    void set_data()
    {
        QTest::addColumn<QStringList>("row");
        const QString done = "Setting complete!!!", noAnswer = "The tester did not answer!!!";
        const QString badDate = "Date Setting : 2011-01-05", badTime = "Time Setting : 08:00.00";
        QTest::newRow("typed") << QStringList{"2011-04-07", "08:05.00", "$r2011-04-07,08:05.00\n",
                                              done};
        QTest::newRow("zero-padded")
            << QStringList{"2012- 2-29", " 8:5.0  ", "$r2012-02-29,08:05.00\n", done};
        QTest::newRow("PC clock") << QStringList{"", "", "PC", done};
        QTest::newRow("silent") << QStringList{"2011-04-07", "08:05.00", "?", noAnswer};
        QTest::newRow("silent, PC clock") << QStringList{"", "", "?", noAnswer};
        QTest::newRow("too short date") << QStringList{"2011-4-7", "08:05.00", "", badDate};
        QTest::newRow("29 February 2011") << QStringList{"2011-02-29", "x", "", badDate};
        QTest::newRow("hour 24") << QStringList{"2011-04-07", "24:00.00", "", badTime};
    }
    void set()
    {
        QFETCH(QStringList, row);
        const QString date = row[0], time = row[1];
        QByteArray command = row[2].toLatin1();
        FormTime->show();
        sim->ClearCommandLog();
        sim->SetSilent(command == "?");
        FormTime->Edit2->setText(date);
        FormTime->Edit1->setText(time);
        FormTime->Timer1Timer();
        const QString pcDate = FormTime->Label3->text();
        (date.isEmpty() ? FormTime->Button2 : FormTime->Button1)->click();
        QCOMPARE(fx->TakeTexts(), QStringList({row[3]}));
        if (command.isEmpty()) {
            QVERIFY(sim->CommandLog().isEmpty());
            const bool dateRefused = row[3].startsWith("Date");
            QCOMPARE(FormTime->Edit2->text(), dateRefused ? pcDate : date);
            QCOMPARE(FormTime->Edit1->text() == time, dateRefused);
        } else if (command == "?") {
            QCOMPARE(FormTime->Edit2->text(), date);
            QCOMPARE(FormTime->Edit1->text(), time);
        } else {
            if (date.isEmpty())
                command =
                    "$r" + pcDate.toLatin1() + ',' + FormTime->Label4->text().toLatin1() + '\n';
            QCOMPARE(sim->CommandLog(), QList<QByteArray>({command}));
            const QDateTime sent = QDateTime::fromString(command.mid(2, 19), "yyyy-MM-dd,hh:mm.ss");
            QVERIFY(qAbs(sim->Clock().secsTo(sent)) <= 3);
            // The fields show the clock the tester answered with.
            QCOMPARE(FormTime->Edit2->text(), sent.toString("yyyy-MM-dd"));
        }
    }

    void refusedWithoutALinkedTester()
    {
        Connected = 0;
        FormTime->Edit2->setText("2011-05-06");
        FormTime->show();
        FormTime->Button1Click();
        FormTime->Button2Click();
        QVERIFY(sim->CommandLog().isEmpty());
        QCOMPARE(fx->Messages.last().owner, MsgOwner::None);
        QCOMPARE(fx->TakeTexts(), QStringList(3, "Failed to open port (USB)!!!"));
        QCOMPARE(FormTime->Edit2->text(), QStringLiteral("2011-05-06"));
    }
};

QTEST_MAIN(TestClockDialog)
#include "tst_clockdialog.moc"
