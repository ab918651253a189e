#include "FakePortInformation.h"
#include "PtyController.h"

#include "link/PortMap.h"
#include "link/QtSerialControl.h"

#include <QtTest>

Q_DECLARE_METATYPE(QList<PortDescription>)

// The real serial backend, on a pseudo-terminal standing in for the controller's line.
class tst_serialport : public QObject
{
    Q_OBJECT

    static QByteArray readFor(QtSerialControl &port, int ms)
    {
        QByteArray got;
        QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired()) {
            got += port.Input();
            QTest::qWait(10);
        }
        return got;
    }

private slots:
    void portMap_data()
    {
        QTest::addColumn<QString>("mapping");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("pty") << "1=/dev/pts/7" << true;
        QTest::newRow("last port") << "8=/dev/ttyS0" << true;
        QTest::newRow("port 0") << "0=/dev/ttyS0" << false;
        QTest::newRow("port 9") << "9=/dev/ttyS0" << false;
        QTest::newRow("no number") << "x=/dev/ttyS0" << false;
        QTest::newRow("no device") << "2=" << false;
        QTest::newRow("no equals") << "/dev/ttyS0" << false;
    }
    void portMap()
    {
        QFETCH(QString, mapping);
        QFETCH(bool, accepted);
        PortMap map;
        const QString before = map.device(mapping.left(1).toInt() > 0 ? mapping.left(1).toInt() : 1);
        QCOMPARE(map.parse(mapping).isEmpty(), accepted);
        if (accepted)
            QCOMPARE(map.device(mapping.left(1).toInt()), mapping.mid(2));
        else
            QCOMPARE(map.device(mapping.left(1).toInt() > 0 ? mapping.left(1).toInt() : 1), before);
    }

    void unmappedPortsAreUsbAdapters()
    {
        PortMap map;
        QCOMPARE(map.device(1), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(map.device(8), QStringLiteral("/dev/ttyUSB7"));
    }

    void talksToTheControllerEnd()
    {
        PtyController controller;
        QVERIFY(controller.isOpen());
        PortMap map;
        map.map(1, controller.slavePath());
        QtSerialControl port(map);
        port.setPortOpen(true);
        QVERIFY(port.PortOpen());

        port.Output("u");
        QCOMPARE(controller.read(), QByteArray("u"));

        controller.write("300,290,1,10,3840,3277,u,*");
        port.setInputLen(0);
        QCOMPARE(readFor(port, 300), QByteArray("300,290,1,10,3840,3277,u,*"));

        // One character a read, the rest left for the next.
        controller.write("ab*");
        QTest::qWait(50);
        port.setInputLen(1);
        QCOMPARE(port.Input(), QByteArray("a"));
        QCOMPARE(port.Input(), QByteArray("b"));
        QCOMPARE(port.Input(), QByteArray("*"));
        QCOMPARE(port.Input(), QByteArray());

        port.setPortOpen(false);
        QVERIFY(!port.PortOpen());
        QVERIFY(!port.PortLost());
        QVERIFY_THROWS_EXCEPTION(LinkError, port.Output("u"));
        QVERIFY_THROWS_EXCEPTION(LinkError, port.Input());
    }

    void refusesWhatCantBeOpened()
    {
        PortMap map;
        map.map(2, QStringLiteral("/dev/no-such-serial-device"));
        QtSerialControl port(map);
        port.setCommPort(2);
        QVERIFY_THROWS_EXCEPTION(LinkError, port.setPortOpen(true));
        QVERIFY(!port.PortOpen());
        QVERIFY(port.lastErrorDetail().contains(QStringLiteral("/dev/no-such-serial-device")));
        QVERIFY_THROWS_EXCEPTION(LinkError, port.setCommPort(0));
        QVERIFY_THROWS_EXCEPTION(LinkError, port.setCommPort(9));
        QCOMPARE(port.CommPort(), 2);
    }

    // A missing device's error names the serial ports that are there instead.
    void aMissingDeviceNamesThePortsPresent_data()
    {
        QTest::addColumn<QList<PortDescription>>("present");
        QTest::addColumn<QString>("detail");
        QTest::newRow("one adapter") << QList{FakePortInformation::ftdi("ttyUSB1", "A50285BI")}
                                     << "/dev/no-such-serial-device does not exist; serial ports here: /dev/ttyUSB1 "
                                        "(FT232R USB UART)";
        QTest::newRow("none") << QList<PortDescription>{}
                              << "/dev/no-such-serial-device does not exist; no serial ports found";
    }
    void aMissingDeviceNamesThePortsPresent()
    {
        QFETCH(QList<PortDescription>, present);
        QFETCH(QString, detail);
        PortMap map;
        map.map(1, QStringLiteral("/dev/no-such-serial-device"));
        QtSerialControl port(map, std::make_shared<FakePortInformation>(present));
        try {
            port.setPortOpen(true);
            QFAIL("opened a device that doesn't exist");
        } catch (const LinkError &e) {
            QCOMPARE(QString::fromStdString(e.what()), detail);
        }
        QCOMPARE(port.lastErrorDetail(), detail);
    }

    void portNumberIsFixedWhileOpen()
    {
        PtyController controller;
        PortMap map;
        map.map(1, controller.slavePath());
        QtSerialControl port(map);
        port.setPortOpen(true);
        QVERIFY_THROWS_EXCEPTION(LinkError, port.setCommPort(2));
        QCOMPARE(port.CommPort(), 1);
    }

    void aVanishedDeviceClosesThePort()
    {
        PtyController controller;
        PortMap map;
        map.map(1, controller.slavePath());
        QtSerialControl port(map);
        port.setPortOpen(true);
        controller.close();
        QTest::qWait(50);
        bool failed = false;
        for (int i = 0; i < 10 && !failed; ++i) {
            try {
                port.Input();
                port.Output("u");
                QTest::qWait(20);
            } catch (const LinkError &) {
                failed = true;
            }
        }
        QVERIFY(failed || !port.PortOpen());
        QVERIFY(!port.PortOpen());
        QVERIFY(port.PortLost());
    }
};

QTEST_GUILESS_MAIN(tst_serialport)
#include "tst_serialport.moc"
