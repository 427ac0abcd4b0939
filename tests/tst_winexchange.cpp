// The exchange and the registry's serial-port table on Windows, against the
// simulated tester behind a COM port. tools/test-windows.sh registers it as
// \Device\VCP0 and a Bluetooth port as \Device\BthModem0.

#include "comtester.h"

#include "device/devicefields.h"
#include "link/commands.h"
#include "link/discovery.h"
#include "link/exchange.h"
#include "records/data/download.h"

#include <QtTest>

namespace {

bool HasEntry(const QList<SerialCommEntry> &table, const QString &value, const QString &port)
{
    for (const SerialCommEntry &e : table) {
        if (e.ValueName == value && e.PortName == port)
            return true;
    }
    return false;
}

} // namespace

class TestWinExchange : public QObject
{
    Q_OBJECT

    TComPort port;

private slots:
    void initTestCase()
    {
        port.SetPort(TesterPort());
        port.Timeouts().SetReadInterval(200);
        port.Timeouts().SetReadTotalC(200);
        port.Open();
    }
    void cleanupTestCase() { port.Close(); }

    void identificationAndDownload()
    {
        QByteArray reply;
        RS232Write(port, Cmd::Identify, reply, {});
        QVERIFY(IsSupportedTester(reply));
        IdentificationValues values;
        QVERIFY(ParseIdentification(reply, &values));

        // A stale reply waiting in the queue is dropped before the command.
        port.WriteStr(Cmd::Identify);
        QVERIFY(SettledInputCount(port) > 0);
        RS232Write(port, Cmd::Download, reply, {});
        const DownloadReply download = ParseDownload(reply);
        QCOMPARE(download.status, DownloadStatus::Ok);
        QCOMPARE(download.count, 500);
        QCOMPARE(download.rows.size(), 500);
        QCOMPARE(port.InputCount(), 0);
    }

    void registryTable()
    {
        qunsetenv("KESTRUNE_SERIALCOMM");
        const QList<SerialCommEntry> table = ReadSerialCommTable();
        QVERIFY(HasEntry(table, QStringLiteral("\\Device\\VCP0"), TesterPort()));
        QVERIFY(HasEntry(table, QStringLiteral("\\Device\\BthModem0"), QStringLiteral("COM7")));
        const QStringList usb = PortsOfMode(table, 0);
        const QStringList bluetooth = PortsOfMode(table, 1);
        QVERIFY(usb.contains(TesterPort()));
        QVERIFY(!usb.contains(QStringLiteral("COM7")));
        QCOMPARE(bluetooth, QStringList{QStringLiteral("COM7")});
    }
};

QTEST_GUILESS_MAIN(TestWinExchange)
#include "tst_winexchange.moc"
