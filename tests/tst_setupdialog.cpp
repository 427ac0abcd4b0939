// The connection settings dialog: its two lists, the link type taking effect
// at the click, O K and Cancel, Escape, and the way to the clock dialog.

#include "guifixture.h"

#include "device/Datetime.h"
#include "tools/simulator.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <memory>

class TestSetupDialog : public GuiTest
{
    Q_OBJECT

    QStringList Items(const QComboBox *box)
    {
        QStringList items;
        for (int i = 0; i < box->count(); ++i)
            items << box->itemText(i);
        return items;
    }

private slots:

    void init()
    {
        FormSetup->close();
        Connected = 0;
        BluetoothMode = 0;
        LinkSettings[AutoSearch] = 1;
        LinkSettings[PortIndex] = 0;
        LinkSettings[BaudIndex] = 7;
        for (QWidget *w : {static_cast<QWidget *>(FormSetup->ComboBox1),
                           static_cast<QWidget *>(FormSetup->RadioButton1),
                           static_cast<QWidget *>(FormSetup->RadioButton2)})
            w->setEnabled(true);
        fx->SetTable({GuiFixture::Usb(0, QStringLiteral("ttyUSB1")),
                      GuiFixture::Usb(1, QStringLiteral("ttyUSB0")),
                      GuiFixture::Bluetooth(0, QStringLiteral("rfcomm0"))});
        fx->Messages.clear();
    }

    void designedState()
    {
        QCOMPARE(FormSetup->windowTitle(), QStringLiteral("Setting"));
        QCOMPARE(FormSetup->size(), QSize(527, 287));
        QCOMPARE(Items(FormSetup->ComboBox1),
                 QStringList({"COM0", "COM1", "COM2", "COM3", "COM4"}));
        QCOMPARE(FormSetup->ComboBox1->currentText(), QStringLiteral("COM1"));
        QCOMPARE(
            Items(FormSetup->ComboBox2),
            QStringList({"Custom", "110", "300", "600", "1200", "2400", "4800", "9600", "14400",
                         "19200", "38400", "56000", "57600", "115200", "128000", "256000"}));
        QCOMPARE(FormSetup->ComboBox2->currentText(), QStringLiteral("9600"));
        QVERIFY(!FormSetup->ComboBox2->isEnabled());
        QCOMPARE(FormSetup->Button1->text(), QStringLiteral("Cancel"));
        QCOMPARE(FormSetup->Button2->text(), QStringLiteral("O K"));
        QCOMPARE(FormSetup->CheckBox1->text(), QStringLiteral("USB Auto Search"));
        QCOMPARE(FormSetup->GroupBox1->title(), QStringLiteral(" COM Port "));
        QCOMPARE(FormSetup->GroupBox2->title(), QStringLiteral(" Baud Rate "));
    }

    void settingsButtonRefreshesThePortList()
    {
        FormMain->move(100, 60);
        QPoint placed;
        QTimer::singleShot(0, [&placed] {
            placed = FormSetup->pos();
            FormSetup->close();
        });
        FormMain->BitBtn3Click();
        QCOMPARE(placed, QPoint(350, 110));
        QCOMPARE(Items(FormSetup->ComboBox1), QStringList({"ttyUSB0", "ttyUSB1"}));
    }

    void showsTheStoredLinkType_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("autoSearch");
        QTest::addColumn<QStringList>("ports");
        QTest::newRow("USB") << 0 << 1 << QStringList({"ttyUSB0", "ttyUSB1"});
        QTest::newRow("USB, fixed port") << 0 << 0 << QStringList({"ttyUSB0", "ttyUSB1"});
        QTest::newRow("Bluetooth") << 1 << 1 << QStringList({"rfcomm0"});
        QTest::newRow("Bluetooth, fixed port") << 1 << 0 << QStringList({"rfcomm0"});
    }
    void showsTheStoredLinkType()
    {
        QFETCH(int, mode);
        QFETCH(int, autoSearch);
        QFETCH(QStringList, ports);
        // Start from the other link type so that showing changes it.
        BluetoothMode = 1 - mode;
        FormSetup->show();
        FormSetup->close();
        BluetoothMode = mode;
        LinkSettings[AutoSearch] = autoSearch;
        FormSetup->show();
        QCOMPARE(FormSetup->RadioButton2->isChecked(), mode == 1);
        QCOMPARE(FormSetup->CheckBox1->isEnabled(), mode == 0);
        // The box shows the stored choice, also where it is disabled.
        QCOMPARE(FormSetup->CheckBox1->isChecked(), autoSearch == 1);
        QCOMPARE(Items(FormSetup->ComboBox1), ports);
    }

    void linkTypeTakesEffectAtTheClick()
    {
        LinkSettings[AutoSearch] = 1;
        FormSetup->show();
        FormSetup->RadioButton2->click();
        QCOMPARE(BluetoothMode, 1);
        QCOMPARE(Items(FormSetup->ComboBox1), QStringList({"rfcomm0"}));
        QVERIFY(!FormSetup->CheckBox1->isChecked());
        FormSetup->Button1->click();
        QVERIFY(!FormSetup->isVisible());
        QCOMPARE(BluetoothMode, 1);
        QCOMPARE(LinkSettings[AutoSearch], 1);

        FormSetup->show();
        FormSetup->RadioButton1->click();
        QCOMPARE(BluetoothMode, 0);
        QVERIFY(FormSetup->CheckBox1->isChecked());
        QVERIFY(FormSetup->CheckBox1->isEnabled());
        QCOMPARE(Items(FormSetup->ComboBox1), QStringList({"ttyUSB0", "ttyUSB1"}));
    }

    void okStoresTheChoices()
    {
        LinkSettings[PortIndex] = 1;
        LinkSettings[BaudIndex] = 9;
        FormSetup->show();
        QCOMPARE(FormSetup->ComboBox2->currentText(), QStringLiteral("19200"));
        FormSetup->ComboBox1->setCurrentIndex(0);
        FormSetup->CheckBox1->setChecked(false);
        FormSetup->Button2->click();
        QVERIFY(!FormSetup->isVisible());
        QCOMPARE(LinkSettings[AutoSearch], 0);
        QCOMPARE(LinkSettings[PortIndex], 0);
        QCOMPARE(LinkSettings[BaudIndex], 9);
    }

    void portIndexBeyondTheListSelectsNothing()
    {
        LinkSettings[PortIndex] = 5;
        FormSetup->show();
        QCOMPARE(FormSetup->ComboBox1->currentIndex(), -1);
        FormSetup->Button2->click();
        QCOMPARE(LinkSettings[PortIndex], -1);
    }

    void nothingChangesWhileLinked()
    {
        fx->SetTable({});
        FormSetup->show();
        FormSetup->close();
        const QStringList before = Items(FormSetup->ComboBox1);
        fx->SetTable({GuiFixture::Bluetooth(0, QStringLiteral("rfcomm9"))});
        Connected = 1;
        BluetoothMode = 1;
        FormSetup->show();
        QVERIFY(FormSetup->RadioButton2->isChecked());
        QCOMPARE(Items(FormSetup->ComboBox1), before);
        FormSetup->close();
        QTimer::singleShot(0, FormSetup, &QWidget::close);
        FormMain->BitBtn3Click(); // no refresh while linked either
        QCOMPARE(Items(FormSetup->ComboBox1), before);
    }

    void clockDialogNeedsALinkedTester()
    {
        FormSetup->show();
        FormSetup->BitBtn1->click();
        QCOMPARE(fx->Messages.size(), 1);
        QCOMPARE(fx->Messages[0].text, QStringLiteral("Fail to open port (USB)!!!"));
        QCOMPARE(fx->Messages[0].caption, QStringLiteral("Failure"));
        QCOMPARE(fx->Messages[0].owner, MsgOwner::Application);
        QVERIFY(!FormTime->isVisible());

        Connected = 1;
        FormSetup->move(200, 100);
        QPoint placed;
        QTimer::singleShot(0, [&placed] {
            placed = FormTime->pos();
            FormTime->close();
        });
        FormSetup->BitBtn1->click();
        QCOMPARE(placed, QPoint(450, 220));
        QCOMPARE(fx->Messages.size(), 1);
    }

    void escapeClosesFromMostControls_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("closes");
        QTest::newRow("port list") << "ComboBox1" << true;
        QTest::newRow("auto search") << "CheckBox1" << true;
        QTest::newRow("baud list") << "ComboBox2" << true;
        QTest::newRow("date/time") << "BitBtn1" << true;
        QTest::newRow("cancel") << "Button1" << true;
        QTest::newRow("ok") << "Button2" << true;
        QTest::newRow("USB") << "RadioButton1" << false;
        QTest::newRow("Bluetooth") << "RadioButton2" << false;
    }
    void escapeClosesFromMostControls()
    {
        QFETCH(QString, control);
        QFETCH(bool, closes);
        const QMap<QString, QWidget *> controls = {
            {"ComboBox1", FormSetup->ComboBox1},       {"CheckBox1", FormSetup->CheckBox1},
            {"ComboBox2", FormSetup->ComboBox2},       {"BitBtn1", FormSetup->BitBtn1},
            {"Button1", FormSetup->Button1},           {"Button2", FormSetup->Button2},
            {"RadioButton1", FormSetup->RadioButton1}, {"RadioButton2", FormSetup->RadioButton2}};
        FormSetup->show();
        QWidget *w = controls.value(control);
        QTest::keyClick(w, Qt::Key_Escape);
        QCOMPARE(!FormSetup->isVisible(), closes);
        QCOMPARE(LinkSettings[PortIndex], 0);
    }
};

QTEST_MAIN(TestSetupDialog)
#include "tst_setupdialog.moc"
