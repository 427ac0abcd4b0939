// Finding the tester: the serial-port table, the port lists of the two link
// types and the identification check.

#include "link/discovery.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using Table = QList<SerialCommEntry>;
Q_DECLARE_METATYPE(Table)

namespace {

bool WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QStringList ValueNames(const Table &table)
{
    QStringList names;
    for (const SerialCommEntry &e : table)
        names << e.ValueName;
    return names;
}

QStringList PortNames(const Table &table)
{
    QStringList names;
    for (const SerialCommEntry &e : table)
        names << e.PortName;
    return names;
}

} // namespace

class TestDiscovery : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> FTemp;

    // A tty class directory as sysfs shows it: one directory per tty, with a
    // "device" entry when hardware is behind it and a "type" for UARTs.
    void AddTty(const QString &name, bool device, const QByteArray &type = QByteArray())
    {
        QDir dir(FTemp->filePath("class"));
        QVERIFY(dir.mkpath(name));
        if (device)
            QVERIFY(dir.mkpath(name + "/device"));
        if (!type.isNull())
            QVERIFY(WriteBytes(dir.filePath(name + "/type"), type));
    }

private slots:
    void init()
    {
        FTemp = std::make_unique<QTemporaryDir>();
        QVERIFY(FTemp->isValid());
        QVERIFY(QDir(FTemp->path()).mkpath("class"));
        QVERIFY(QDir(FTemp->path()).mkpath("dev"));
    }
    void cleanup() { qunsetenv("KESTRUNE_SERIALCOMM"); }

    void portsOfMode_data()
    {
        QTest::addColumn<Table>("table");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("ports");
        const Table both{{"\\Device\\BthModem0", "COM7"}, {"\\Device\\Serial0", "COM1"}};
        QTest::newRow("usb") << both << 0 << QStringList{"COM1"};
        QTest::newRow("bluetooth") << both << 1 << QStringList{"COM7"};
        QTest::newRow("mode 2") << both << 2 << QStringList{};
        QTest::newRow("mode -1") << both << -1 << QStringList{};
        const Table odd{{"\\Device\\bthmodem1", "COM3"},
                        {"\\Device\\BthModem", "COM4"},
                        {"\\Device\\BthMode", "COM5"},
                        {"BthModem", "COM6"},
                        {"", "COM8"},
                        {"\\DEVICE\\BthModem12", "COM9"}};
        QTest::newRow("usb takes near misses")
            << odd << 0 << QStringList{"COM3", "COM5", "COM6", "COM8"};
        QTest::newRow("bluetooth by position only") << odd << 1 << QStringList{"COM4", "COM9"};
        const Table order{{"\\Device\\VCP0", "COM9"},
                          {"\\Device\\Serial0", "COM2"},
                          {"\\Device\\Serial1", "COM2"}};
        QTest::newRow("table order and duplicates kept")
            << order << 0 << QStringList{"COM9", "COM2", "COM2"};
    }
    void portsOfMode()
    {
        QFETCH(Table, table);
        QFETCH(int, mode);
        QFETCH(QStringList, ports);
        QCOMPARE(PortsOfMode(table, mode), ports);
    }

    void sortedPortList_data()
    {
        QTest::addColumn<QStringList>("ports");
        QTest::addColumn<QStringList>("sorted");
        QTest::newRow("text order")
            << QStringList{"COM2", "COM10", "COM1"} << QStringList{"COM1", "COM10", "COM2"};
        QTest::newRow("duplicates")
            << QStringList{"COM3", "COM1", "COM3"} << QStringList{"COM1", "COM3"};
        QTest::newRow("case") << QStringList{"com4", "COM3", "Com4", "COM4"}
                              << QStringList{"COM3", "com4"};
        QTest::newRow("case in order") << QStringList{"ttyUSB1", "TTYACM0", "rfcomm0"}
                                       << QStringList{"rfcomm0", "TTYACM0", "ttyUSB1"};
        QTest::newRow("empty") << QStringList{} << QStringList{};
    }
    void sortedPortList()
    {
        QFETCH(QStringList, ports);
        QFETCH(QStringList, sorted);
        QCOMPARE(SortedPortList(ports), sorted);
    }

    void identification_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("supported");
        const QByteArray head("$i7\nQX4826");
        QTest::newRow("20 characters") << head.leftJustified(20, 'A') << true;
        QTest::newRow("19 characters") << head.leftJustified(19, 'A') << false;
        QTest::newRow("full reply")
            << QByteArray("$i7\nHWM-5 Breath\nS1234\nV1.02\n2023-01-05\n12\n40\n77\n") << true;
        QTest::newRow("VKD-7 blank") << QByteArray("$i7\nVKD-7 AAAAAAAAAAAAAA") << true;
        QTest::newRow("VKD-7x") << QByteArray("$i7\nVKD-7xAAAAAAAAAAAAAA") << false;
        QTest::newRow("lower case") << QByteArray("$i7\nqx4826AAAAAAAAAAAAAA") << false;
        QTest::newRow("code one place late") << QByteArray("$i7\n QX4826AAAAAAAAAAAAA") << false;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("nul bytes") << QByteArray("$i7\nQX48\0\0AAAAAAAAAAAAAA", 24) << false;
    }
    void identification()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, supported);
        QCOMPARE(IsSupportedTester(reply), supported);
    }

    void modelCodeOfShortReplies()
    {
        QCOMPARE(ModelCode("$i7\nQX4826rest"), QByteArray("QX4826"));
        QCOMPARE(ModelCode("$i7\nQX4"), QByteArray("QX4"));
        QCOMPARE(ModelCode("$i"), QByteArray());
    }

    void tableFileReplacesSystemTable()
    {
        const QString path = FTemp->filePath("serialcomm.txt");
        QVERIFY(WriteBytes(path, "\\Device\\BthModem0\tCOM7\r\n"
                                 "\r\n"
                                 "   \r\n"
                                 "no tab here\r\n"
                                 "\\Device\\Serial0\tpts/3\n"
                                 "\\Device\\Serial1\tname\twith tab\n"));
        qputenv("KESTRUNE_SERIALCOMM", QFile::encodeName(path));
        const Table table = ReadSerialCommTable();
        QCOMPARE(ValueNames(table),
                 (QStringList{"\\Device\\BthModem0", "\\Device\\Serial0", "\\Device\\Serial1"}));
        QCOMPARE(PortNames(table), (QStringList{"COM7", "pts/3", "name\twith tab"}));
        QCOMPARE(PortsOfMode(table, 1), QStringList{"COM7"});
    }

    void missingTableFileListsNothing()
    {
        qputenv("KESTRUNE_SERIALCOMM", QFile::encodeName(FTemp->filePath("absent.txt")));
        QVERIFY(ReadSerialCommTable().isEmpty());
    }

    void linuxTableKeepsRealPortsOnly()
    {
        AddTty("ttyS0", true, "4\n");
        AddTty("ttyS1", true, "0\n"); // placeholder of the 8250 driver
        AddTty("ttyS2", false);
        AddTty("ttyS3", true, "junk");
        AddTty("ttyUSB10", true);
        AddTty("ttyUSB2", true);
        AddTty("ttyACM0", true);
        AddTty("ttyAMA0", true, "83\n");
        AddTty("tty0", false);
        AddTty("console", false);
        AddTty("ptmx", false);
        AddTty("rfcomm1", false);
        QVERIFY(WriteBytes(FTemp->filePath("dev/rfcomm0"), ""));
        QVERIFY(WriteBytes(FTemp->filePath("dev/rfcomm1"), ""));
        QVERIFY(WriteBytes(FTemp->filePath("dev/ttyS5"), ""));

        const Table table = SerialCommTableFrom(FTemp->filePath("class"), FTemp->filePath("dev"));
        QCOMPARE(PortNames(table), (QStringList{"rfcomm0", "rfcomm1", "ttyACM0", "ttyAMA0", "ttyS0",
                                                "ttyUSB2", "ttyUSB10"}));
        QCOMPARE(ValueNames(table),
                 (QStringList{"\\Device\\BthModem0", "\\Device\\BthModem1", "\\Device\\USBSER000",
                              "\\Device\\Serial0", "\\Device\\Serial1", "\\Device\\VCP0",
                              "\\Device\\VCP1"}));
        QCOMPARE(PortsOfMode(table, 1), (QStringList{"rfcomm0", "rfcomm1"}));
        QCOMPARE(PortsOfMode(table, 0),
                 (QStringList{"ttyACM0", "ttyAMA0", "ttyS0", "ttyUSB2", "ttyUSB10"}));
    }

    void emptyOrMissingDirectoriesListNothing()
    {
        QVERIFY(SerialCommTableFrom(FTemp->filePath("class"), FTemp->filePath("dev")).isEmpty());
        QVERIFY(SerialCommTableFrom(FTemp->filePath("nothing"), FTemp->filePath("none")).isEmpty());
    }

    // The machine's own table: every on-board port listed must have a UART.
    void thisMachineListsNoPlaceholders()
    {
        const Table table = SystemSerialCommTable();
        for (const SerialCommEntry &e : table) {
            QVERIFY2(!e.PortName.startsWith('/'), qPrintable(e.PortName));
            if (!e.PortName.startsWith("ttyS"))
                continue;
            QFile type("/sys/class/tty/" + e.PortName + "/type");
            QVERIFY(type.open(QIODevice::ReadOnly));
            QVERIFY2(type.readAll().trimmed() != "0", qPrintable(e.PortName));
        }
        QCOMPARE(ReadSerialCommTable().size(), table.size());
    }
};

QTEST_GUILESS_MAIN(TestDiscovery)
#include "tst_discovery.moc"
