#include "FakePortInformation.h"

#include "link/PortListing.h"
#include "link/SystemPortInformation.h"

#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(QList<PortDescription>)

// Telling the serial ports present apart: the --list-ports lines, and the
// summary the communication error gives when the chosen port doesn't exist.
class tst_portlisting : public QObject
{
    Q_OBJECT

    static PortMap mapped(const QStringList &mappings)
    {
        PortMap map;
        for (const QString &m : mappings)
            map.parse(m);
        return map;
    }

private slots:
    void lines_data()
    {
        QTest::addColumn<QList<PortDescription>>("ports");
        QTest::addColumn<QStringList>("mappings");
        QTest::addColumn<QStringList>("expected");
        const PortDescription ftdi0 = FakePortInformation::ftdi("ttyUSB0", "A50285BI");
        const PortDescription ftdi1 = FakePortInformation::ftdi("ttyUSB1", "B7340FQ2");
        const PortDescription ttyS0 = FakePortInformation::builtIn("ttyS0");
        PortDescription noProduct = ftdi1;
        noProduct.productId.reset();
        noProduct.byIdPath.clear();
        noProduct.serialNumber.clear();

        QTest::newRow("none") << QList<PortDescription>{} << QStringList{} << QStringList{"No serial ports found."};
        QTest::newRow("adapter under the default")
            << QList{ftdi0} << QStringList{}
            << QStringList{"/dev/ttyUSB0 (/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0): "
                           "FT232R USB UART, FTDI, USB 0403:6001, serial A50285BI; port 1"};
        QTest::newRow("by-id mapping and the default both reach it")
            << QList{ftdi1} << QStringList{"1=/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_B7340FQ2-if00-port0"}
            << QStringList{"/dev/ttyUSB1 (/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_B7340FQ2-if00-port0): "
                           "FT232R USB UART, FTDI, USB 0403:6001, serial B7340FQ2; ports 1, 2"};
        QTest::newRow("mapped away from the default")
            << QList{ftdi0, ttyS0} << QStringList{"1=/dev/ttyS0"}
            << QStringList{"/dev/ttyUSB0 (/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0): "
                           "FT232R USB UART, FTDI, USB 0403:6001, serial A50285BI; no port number "
                           "(--port N=/dev/ttyUSB0 gives it one)",
                           "/dev/ttyS0; port 1"};
        QTest::newRow("built-in port, unmapped")
            << QList{ttyS0} << QStringList{}
            << QStringList{"/dev/ttyS0; no port number (--port N=/dev/ttyS0 gives it one)"};
        QTest::newRow("a network port first")
            << QList{ttyS0} << QStringList{"3=rfc2217://deck-unit:4001"}
            << QStringList{"rfc2217://deck-unit:4001: network port; port 3",
                           "/dev/ttyS0; no port number (--port N=/dev/ttyS0 gives it one)"};
        QTest::newRow("a network port, no serial port")
            << QList<PortDescription>{} << QStringList{"1=tcp://10.0.0.7:4001"}
            << QStringList{"tcp://10.0.0.7:4001: network port; port 1", "No serial ports found."};
        QTest::newRow("partly known adapter")
            << QList{noProduct} << QStringList{}
            << QStringList{"/dev/ttyUSB1: FT232R USB UART, FTDI, USB 0403:????; port 2"};
    }
    void lines()
    {
        QFETCH(QList<PortDescription>, ports);
        QFETCH(QStringList, mappings);
        QFETCH(QStringList, expected);
        QCOMPARE(PortListing(FakePortInformation(ports)).lines(mapped(mappings)), expected);
    }

    void summary()
    {
        QCOMPARE(PortListing(FakePortInformation()).summary(), QStringLiteral("no serial ports found"));
        const FakePortInformation two(
            {FakePortInformation::ftdi("ttyUSB1", "A50285BI"), FakePortInformation::builtIn("ttyS0")});
        QCOMPARE(PortListing(two).summary(),
                 QStringLiteral("serial ports here: /dev/ttyUSB1 (FT232R USB UART), /dev/ttyS0"));
    }

    // Links are followed both ways: a port mapped through any link to the
    // device, and the by-id link found for a device.
    void followsLinks()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString device = dir.filePath(QStringLiteral("ttyUSB5"));
        const QString other = dir.filePath(QStringLiteral("ttyUSB6"));
        QVERIFY(QFile(device).open(QIODevice::WriteOnly));
        QVERIFY(QFile(other).open(QIODevice::WriteOnly));
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("by-id"))));
        const QString byId = dir.filePath(QStringLiteral("by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"));
        QVERIFY(QFile::link(other, dir.filePath(QStringLiteral("by-id/usb-Other-if00-port0"))));
        QVERIFY(QFile::link(device, byId));

        QCOMPARE(SystemPortInformation::byIdPath(device, dir.filePath(QStringLiteral("by-id"))), byId);
        QCOMPARE(SystemPortInformation::byIdPath(dir.filePath(QStringLiteral("gone")), dir.filePath("by-id")),
                 QString());
        QCOMPARE(SystemPortInformation::byIdPath(device, dir.filePath(QStringLiteral("no-such-dir"))), QString());

        PortDescription port;
        port.systemLocation = device;
        const QString alias = dir.filePath(QStringLiteral("controller"));
        QVERIFY(QFile::link(device, alias));
        QCOMPARE(PortListing::numbersFor(port, mapped({"3=" + alias, "4=" + other})), QList<int>{3});
    }
};

QTEST_GUILESS_MAIN(tst_portlisting)
#include "tst_portlisting.moc"
