// The information action against a simulated tester: the rules for its
// reply, the dialog, and the hidden way through the password prompt to the
// administration dialog.

#include "guifixture.h"
#include "modalsteps.h"

#include "admin/Administer.h"
#include "admin/Password.h"
#include "device/Information.h"
#include "link/commands.h"
#include "tools/simulator.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <memory>

namespace {
const char Unchanged[] = "earlier";

// The six value labels of the dialog and the administration dialog's total
// counter, in reply line order.
QList<QLabel *> LineLabels()
{
    return {FormInfor->Label12, FormInfor->Label3,  FormInfor->Label5, FormInfor->Label7,
            FormInfor->Label8,  FormInfor->Label10, FormAdmin->Label2};
}

QStringList Shown()
{
    QStringList texts;
    for (QLabel *label : LineLabels())
        texts << label->text();
    return texts;
}

QStringList Earlier(int from = 0)
{
    QStringList texts;
    for (int i = from; i < 7; ++i)
        texts << QString::fromLatin1(Unchanged);
    return texts;
}

QByteArray Lines(const QByteArray &header, const QByteArray &second)
{
    return header + "\nP\n" + second + "\nV\nC\nT\n6\n77\n";
}

// Where a window was put. The offscreen platform keeps a window that was
// shown before at its client origin once it is moved while hidden.
QPoint Place(const QWidget *window, const QPoint &expected)
{
    return window->geometry().topLeft() == expected ? expected : window->pos();
}

enum Finish { RightPassword, Escape, CancelButton, CloseBox };
} // namespace

class TestInformation : public QObject
{
    Q_OBJECT

    std::unique_ptr<GuiFixture> fx;
    std::unique_ptr<TesterSimulator> tester;

private slots:
    void initTestCase()
    {
        fx = std::make_unique<GuiFixture>();
        fx->CreateWindows();
        tester = std::make_unique<TesterSimulator>();
        fx->SetTable({GuiFixture::Usb(0, tester->PortName())});
        FormMain->BitBtn1Click();
        QCOMPARE(Connected, 1);
        FormMain->move(120, 60);
    }
    void cleanupTestCase()
    {
        fx.reset();
        tester.reset();
    }

    void init()
    {
        Connected = 1;
        AdminPassword = QString::fromLatin1(DefaultAdminPassword);
        tester->SetSilent(false);
        tester->SetReply(Cmd::Identify, tester->IdentificationReply());
        tester->ClearCommandLog();
        fx->Messages.clear();
    }

    void replyRules_data()
    {
        QTest::addColumn<QByteArray>("reply"); // none: the tester stays silent
        QTest::addColumn<bool>("shown");
        QTest::addColumn<QStringList>("labels");

        const QByteArray seven =
            "#I7\nQX4826 Breath\nKT77\nV3.01\n2012-05-06\n2012-06-07\n42\n4242\n";
        QTest::newRow("seven lines") << seven << true
                                     << QStringList({"QX4826 Breath", "KT77", "V3.01", "2012-05-06",
                                                     "2012-06-07", "42", "4242"});
        QTest::newRow("six announced") << Lines("#I6", "S") << false << Earlier();
        QTest::newRow("eight announced") << Lines("#I8", "S") << false << Earlier();
        QTest::newRow("99-character line")
            << Lines("#I7", QByteArray(99, 'S')) << true
            << QStringList({"P", QString(99, 'S'), "V", "C", "T", "6", "77"});
        // The line feed after 100 characters is left over as an empty line.
        QTest::newRow("100-character line")
            << Lines("#I7", QByteArray(100, 'S')) << true
            << QStringList({"P", Unchanged, "", "V", "C", "T", "6"});
        QTest::newRow("reply ends inside line 5") << QByteArray("#I7\nP\nS\nV\nC\nTT") << true
                                                  << QStringList({"P", "S", "V", "C"}) + Earlier(4);
        QTest::newRow("zero byte in line 2")
            << QByteArray("#I7\nP\nS") + '\0' + QByteArray("S\nV\nC\nT\n6\n77\n") << true
            << QStringList({"P"}) + Earlier(1);
        QTest::newRow("binary garbage") << TesterSimulator::GarbageReply() << false << Earlier();
        QTest::newRow("99,999 characters")
            << QByteArray("#I7\n") + QByteArray(99995, 'x') << true << Earlier();
        QTest::newRow("empty after ten attempts") << QByteArray() << false << Earlier();
    }

    void replyRules()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, shown);
        QFETCH(QStringList, labels);
        for (QLabel *label : LineLabels())
            label->setText(QString::fromLatin1(Unchanged));
        tester->SetSilent(reply.isEmpty());
        tester->SetReply(Cmd::Identify, reply);

        ModalSteps steps;
        QPoint placed;
        steps.On(FormInfor, [&placed] {
            placed = Place(FormInfor, FormMain->pos() + QPoint(400, 120));
            FormInfor->Button1->click();
        });
        FormMain->BitBtn2->click();

        QCOMPARE(Shown(), labels);
        QCOMPARE(steps.Done(), shown);
        QVERIFY(steps.Unexpected.isEmpty());
        QCOMPARE(fx->TakeTexts(),
                 shown ? QStringList() : QStringList({"Information Reading Error !!!"}));
        if (shown)
            QCOMPARE(placed, FormMain->pos() + QPoint(400, 120));
        QCOMPARE(tester->CommandLog(), QList<QByteArray>(reply.isEmpty() ? 10 : 1, Cmd::Identify));
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(!FormMain->ComPort1->IsOpen());
    }

    void refusedWithoutTester()
    {
        Connected = 0;
        ModalSteps steps;
        FormMain->BitBtn2Click();
        QCOMPARE(fx->TakeTexts(), QStringList({"Fail to open port (USB)!!!"}));
        QVERIFY(tester->CommandLog().isEmpty());
        QVERIFY(steps.Unexpected.isEmpty());
    }

    void escapeOnOkCloses()
    {
        ModalSteps steps;
        steps.On(FormInfor, [] { QTest::keyClick(FormInfor->Button1, Qt::Key_Escape); });
        FormMain->BitBtn2Click();
        QVERIFY(steps.Done());
        QVERIFY(steps.Unexpected.isEmpty());
        QVERIFY(!FormInfor->isVisible());
    }

    void doorToAdministration_data()
    {
        QTest::addColumn<int>("wrong");
        QTest::addColumn<int>("finish");
        QTest::newRow("right password") << 0 << int(RightPassword);
        QTest::newRow("wrong, then right") << 1 << int(RightPassword);
        QTest::newRow("wrong twice, then Escape") << 2 << int(Escape);
        QTest::newRow("Cancel") << 0 << int(CancelButton);
        QTest::newRow("close box") << 1 << int(CloseBox);
    }

    void doorToAdministration()
    {
        QFETCH(int, wrong);
        QFETCH(int, finish);
        const bool admin = finish == RightPassword;
        QPoint infoAt, promptAt, infoFrame, adminAt;
        QString counter;

        ModalSteps steps;
        steps.On(FormInfor, [&infoAt] {
            infoAt = Place(FormInfor, FormMain->pos() + QPoint(400, 120));
            QTest::mouseDClick(FormInfor->Label13, Qt::LeftButton);
        });
        for (int i = 0; i < wrong; ++i)
            steps.On(FormPassWord, [] {
                QTest::keyClicks(FormPassWord->Edit1, QStringLiteral("0000"));
                QTest::keyClick(FormPassWord->Edit1, Qt::Key_Return);
                QVERIFY(FormPassWord->isVisible());
                QVERIFY(FormPassWord->Edit1->text().isEmpty());
            });
        steps.On(FormPassWord, [&promptAt, &infoFrame, finish] {
            infoFrame = FormInfor->pos();
            promptAt = Place(FormPassWord, infoFrame);
            switch (finish) {
            case RightPassword:
                QTest::keyClicks(FormPassWord->Edit1, AdminPassword);
                QTest::keyClick(FormPassWord->Edit1, Qt::Key_Return);
                break;
            case Escape:
                QTest::keyClick(FormPassWord->Edit1, Qt::Key_Escape);
                break;
            case CancelButton:
                FormPassWord->BitBtn2->click();
                break;
            default:
                FormPassWord->close();
            }
        });
        if (admin)
            steps.On(FormAdmin, [&adminAt, &counter] {
                adminAt = Place(FormAdmin, FormMain->pos() + QPoint(400, 120));
                counter = FormAdmin->Label2->text();
                FormAdmin->Button1->click();
            });
        FormMain->BitBtn2Click();

        QVERIFY(steps.Done());
        QVERIFY(steps.Unexpected.isEmpty());
        QCOMPARE(promptAt, infoFrame);
        QCOMPARE(infoAt, FormMain->pos() + QPoint(400, 120));
        QCOMPARE(fx->TakeTexts(), QStringList(wrong, QStringLiteral("Wrong password!!!")));
        QCOMPARE(AdminUnlocked, 0);
        QVERIFY(!FormInfor->isVisible());
        if (admin) {
            QCOMPARE(adminAt, FormMain->pos() + QPoint(400, 120));
            QCOMPARE(counter,
                     QString::fromLatin1(tester->IdentificationReply().split('\n').value(7)));
        }
    }
};

QTEST_MAIN(TestInformation)
#include "tst_information.moc"
