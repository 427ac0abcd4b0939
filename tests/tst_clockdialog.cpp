// The clock dialog against a simulated tester: reading the tester's clock,
// setting it to typed values and to the PC's clock, the checks of the typed
// values, Bluetooth mode and Escape.

#include "guifixture.h"

#include "device/Datetime.h"
#include "device/devicefields.h"
#include "link/commands.h"
#include "tools/simulator.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <memory>

namespace {
const QDateTime TesterStart(QDate(2011, 4, 7), QTime(18, 20, 50));

bool IsPcDate(const QString &text)
{
    return QDate::fromString(text, QStringLiteral("yyyy-MM-dd")) == QDate::currentDate();
}

bool IsPcTime(const QString &text)
{
    const QTime time = QTime::fromString(text, QStringLiteral("hh:mm.ss"));
    return time.isValid() && qAbs(time.secsTo(QTime::currentTime())) <= 5;
}
} // namespace

class TestClockDialog : public QObject
{
    Q_OBJECT

    std::unique_ptr<GuiFixture> fx;
    std::unique_ptr<TesterSimulator> sim;

    // The dialog shown over the tester; the clock it read is in the fields.
    void ShowDialog()
    {
        FormTime->show();
        sim->ClearCommandLog();
    }

private slots:
    void initTestCase()
    {
        fx = std::make_unique<GuiFixture>();
        fx->CreateWindows();
    }
    void cleanupTestCase() { fx.reset(); }

    void init()
    {
        sim = std::make_unique<TesterSimulator>();
        sim->SetClock(TesterStart);
        GuiFixture::SelectPort(sim->PortName());
        Connected = 1;
        BluetoothMode = 0;
        fx->Messages.clear();
    }
    void cleanup()
    {
        FormTime->close();
        FormMain->ComPort1->Close();
        sim.reset();
    }

    void designedState()
    {
        QCOMPARE(FormTime->windowTitle(), QStringLiteral("Date / Time Setup"));
        QCOMPARE(FormTime->size(), QSize(463, 104));
        QCOMPARE(FormTime->Label1->text(), QStringLiteral("Device Date/Time"));
        QCOMPARE(FormTime->Label2->text(), QStringLiteral("PC    Date/Time"));
        QCOMPARE(FormTime->Button1->text(), QStringLiteral("Set Date/Time"));
        QCOMPARE(FormTime->Button2->text(), QStringLiteral("PC Set Date/Time"));
        QCOMPARE(FormTime->Button3->text(), QStringLiteral("Cancel"));
        QCOMPARE(FormTime->Timer1->interval(), 500);
        QVERIFY(FormTime->Timer1->isActive());
        QWidget *expected[] = {FormTime->Button3, FormTime->Button2, FormTime->Button1,
                               FormTime->Edit2, FormTime->Edit1};
        for (int i = 0; i + 1 < 5; ++i) {
            QWidget *next = expected[i]->nextInFocusChain();
            while (!(next->focusPolicy() & Qt::TabFocus))
                next = next->nextInFocusChain();
            QCOMPARE(next, expected[i + 1]);
        }
        FormTime->Edit2->setText(QString(2000, u'2'));
        QCOMPARE(FormTime->Edit2->text().size(), 1023);
    }

    void timerShowsThePcClock()
    {
        FormTime->Timer1Timer();
        QVERIFY(IsPcDate(FormTime->Label3->text()));
        QVERIFY(IsPcTime(FormTime->Label4->text()));
    }

    void showingReadsTheTesterClock()
    {
        sim->ClearCommandLog();
        FormTime->show();
        QCOMPARE(sim->CommandLog(), QList<QByteArray>({Cmd::ReadClock}));
        QCOMPARE(FormTime->Edit2->text(), QStringLiteral("2011-04-07"));
        QVERIFY(FormTime->Edit1->text().startsWith(QStringLiteral("18:20.5")));
        QVERIFY(FormTime->Button1->isEnabled());
        QVERIFY(FormTime->Button2->isEnabled());
        QCOMPARE(FormTime->focusWidget(), FormTime->Button3);
        QVERIFY(fx->Messages.isEmpty());
    }

    void replyLayouts_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::newRow("blank separator") << QByteArray("#2011-04-07 18:20.50") << "2011-04-07"
                                         << "18:20.50";
        QTest::newRow("no separator") << QByteArray("#20110407") << "20110407"
                                      << "";
        QTest::newRow("no answer") << QByteArray() << ""
                                   << "";
    }
    void replyLayouts()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, date);
        QFETCH(QString, time);
        if (reply.isEmpty())
            sim->SetSilent(true);
        else
            sim->SetReply(Cmd::ReadClock, reply);
        FormTime->show();
        QCOMPARE(FormTime->Edit2->text(), date);
        QCOMPARE(FormTime->Edit1->text(), time);
    }

    void refusedWithoutALinkedTester_data()
    {
        QTest::addColumn<int>("connected");
        QTest::addColumn<int>("portIndex");
        QTest::newRow("not linked") << 0 << 0;
        QTest::newRow("no port selected") << 1 << -1;
    }
    void refusedWithoutALinkedTester()
    {
        QFETCH(int, connected);
        QFETCH(int, portIndex);
        FormTime->Edit2->setText(QStringLiteral("2011-05-06"));
        FormTime->Edit1->setText(QStringLiteral("07:08.09"));
        Connected = connected;
        FormSetup->ComboBox1->setCurrentIndex(portIndex);
        FormTime->show();
        FormTime->Button1Click();
        FormTime->Button2Click();
        QVERIFY(sim->CommandLog().isEmpty());
        QCOMPARE(fx->Messages.size(), 3);
        for (const ShownMessage &m : fx->Messages) {
            QCOMPARE(m.text, QStringLiteral("Failed to open port (USB)!!!"));
            QCOMPARE(m.caption, QStringLiteral("Failure"));
            QCOMPARE(m.owner, MsgOwner::None);
        }
        QCOMPARE(FormTime->Edit2->text(), QStringLiteral("2011-05-06"));
        QCOMPARE(FormTime->Edit1->text(), QStringLiteral("07:08.09"));
    }

    void bluetoothReadsButCannotSet()
    {
        BluetoothMode = 1;
        FormMain->PrepareLink();
        FormMain->ComPort1->Open();
        FormTime->show();
        QCOMPARE(FormTime->Edit2->text(), QStringLiteral("2011-04-07"));
        QVERIFY(!FormTime->Button1->isEnabled());
        QVERIFY(!FormTime->Button2->isEnabled());
        QVERIFY(FormMain->ComPort1->IsOpen());
        FormTime->close();

        BluetoothMode = 0;
        FormMain->ComPort1->Close();
        FormTime->show();
        QVERIFY(FormTime->Button1->isEnabled());
        QVERIFY(FormTime->Button2->isEnabled());
    }

    void setTypedClock_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QDateTime>("clock");
        QTest::newRow("plain") << "2011-04-07"
                               << "08:05.00" << QByteArray("$r2011-04-07,08:05.00\n")
                               << QDateTime(QDate(2011, 4, 7), QTime(8, 5));
        QTest::newRow("zero-padded") << "2012- 2-29"
                                     << " 8:5.0  " << QByteArray("$r2012-02-29,08:05.00\n")
                                     << QDateTime(QDate(2012, 2, 29), QTime(8, 5));
        QTest::newRow("read reply") << "2020-12-31"
                                    << "23:50.00\n"
                                    << QByteArray("$r2020-12-31,23:50.00\n")
                                    << QDateTime(QDate(2020, 12, 31), QTime(23, 50));
    }
    void setTypedClock()
    {
        QFETCH(QString, date);
        QFETCH(QString, time);
        QFETCH(QByteArray, command);
        QFETCH(QDateTime, clock);
        ShowDialog();
        FormTime->Edit2->setText(date);
        FormTime->Edit1->setText(time);
        QTest::mouseClick(FormTime->Button1, Qt::LeftButton);
        QCOMPARE(sim->CommandLog(), QList<QByteArray>({command}));
        QVERIFY(qAbs(sim->Clock().secsTo(clock)) <= 3);
        // The fields show the tester's clock as it answered.
        QCOMPARE(FormTime->Edit2->text(), clock.date().toString(QStringLiteral("yyyy-MM-dd")));
        QVERIFY(CheckedTime(FormTime->Edit1->text()).has_value());
        QCOMPARE(fx->TakeTexts(), QStringList({"Setting complete!!!"}));
    }

    void badEntriesSendNothing_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::addColumn<bool>("dateFails");
        QTest::newRow("date too short") << "2011-4-7"
                                        << "08:05.00" << true;
        QTest::newRow("31 February") << "2011-02-31"
                                     << "08:05.00" << true;
        QTest::newRow("31 April") << "2011-04-31"
                                  << "08:05.00" << true;
        QTest::newRow("29 February 2011") << "2011-02-29"
                                          << "08:05.00" << true;
        QTest::newRow("1999") << "1999-12-31"
                              << "08:05.00" << true;
        QTest::newRow("month 13") << "2011-13-01"
                                  << "bad time" << true;
        QTest::newRow("hour 24") << "2011-04-07"
                                 << "24:00.00" << false;
        QTest::newRow("time too short") << "2011-04-07"
                                        << "8:05.00" << false;
        QTest::newRow("minute 60") << "2011-04-07"
                                   << "18:60.00" << false;
        QTest::newRow("overlong") << "2011-04-07" << QString(3000, u'x') << false;
    }
    void badEntriesSendNothing()
    {
        QFETCH(QString, date);
        QFETCH(QString, time);
        QFETCH(bool, dateFails);
        ShowDialog();
        FormTime->Edit2->setText(date);
        FormTime->Edit1->setText(time);
        const QDateTime before = sim->Clock();
        FormTime->Button1Click();
        QVERIFY(sim->CommandLog().isEmpty());
        QVERIFY(qAbs(sim->Clock().secsTo(before)) <= 1);
        QCOMPARE(fx->Messages.size(), 1);
        QCOMPARE(fx->Messages[0].text, dateFails ? QStringLiteral("Date Setting : 2011-01-05")
                                                 : QStringLiteral("Time Setting : 08:00.00"));
        QCOMPARE(fx->Messages[0].caption, QStringLiteral("Failure"));
        QCOMPARE(fx->Messages[0].owner, MsgOwner::None);
        if (dateFails) {
            QVERIFY(IsPcDate(FormTime->Edit2->text()));
            QCOMPARE(FormTime->Edit1->text(), time);
        } else {
            QCOMPARE(FormTime->Edit2->text(), date);
            QVERIFY(IsPcTime(FormTime->Edit1->text()));
        }
    }

    void setToThePcClock()
    {
        ShowDialog();
        FormTime->Timer1Timer();
        const QByteArray command = "$r" + FormTime->Label3->text().toLatin1() + ',' +
                                   FormTime->Label4->text().toLatin1() + '\n';
        FormTime->Button2Click();
        QCOMPARE(sim->CommandLog(), QList<QByteArray>({command}));
        QVERIFY(qAbs(sim->Clock().secsTo(QDateTime::currentDateTime())) <= 3);
        QVERIFY(IsPcDate(FormTime->Edit2->text()));
        QCOMPARE(fx->TakeTexts(), QStringList({"Setting complete!!!"}));
    }

    void setWithoutAnswerSaysSo_data()
    {
        QTest::addColumn<bool>("vanish");
        QTest::addColumn<bool>("pcClock");
        QTest::newRow("silent, typed") << false << false;
        QTest::newRow("silent, PC clock") << false << true;
        QTest::newRow("vanished, typed") << true << false;
    }
    void setWithoutAnswerSaysSo()
    {
        QFETCH(bool, vanish);
        QFETCH(bool, pcClock);
        ShowDialog();
        const QString date = FormTime->Edit2->text();
        const QString time = FormTime->Edit1->text();
        if (vanish)
            sim->Vanish();
        else
            sim->SetSilent(true);
        if (pcClock)
            FormTime->Button2Click();
        else
            FormTime->Button1Click();
        QCOMPARE(fx->Messages.size(), 1);
        QCOMPARE(fx->Messages[0].text, QStringLiteral("The tester did not answer!!!"));
        QCOMPARE(fx->Messages[0].caption, QStringLiteral("Failure"));
        QCOMPARE(FormTime->Edit2->text(), date);
        QCOMPARE(FormTime->Edit1->text(), time);
    }

    void escapeCloses_data()
    {
        QTest::addColumn<int>("control");
        int i = 0;
        for (const char *name : {"Edit2", "Edit1", "Button1", "Button2", "Button3"})
            QTest::newRow(name) << i++;
    }
    void escapeCloses()
    {
        QFETCH(int, control);
        Connected = 0;
        FormTime->show();
        QWidget *const controls[] = {FormTime->Edit2, FormTime->Edit1, FormTime->Button1,
                                     FormTime->Button2, FormTime->Button3};
        QTest::keyRelease(controls[control], Qt::Key_Escape);
        QVERIFY(!FormTime->isVisible());
    }
};

QTEST_MAIN(TestClockDialog)
#include "tst_clockdialog.moc"
