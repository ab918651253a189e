#include "link/AdapterFollower.h"

#include <QtTest>

namespace {
// The ports a machine lists, each "device vendor:product serial" ("-" for none).
class ListedPorts : public PortInformation
{
public:
    QList<PortDescription> ports;

    void set(const QStringList &listed)
    {
        ports.clear();
        for (const QString &entry : listed) {
            const QStringList f = entry.split(QLatin1Char(' '));
            PortDescription p;
            p.systemLocation = f[0];
            p.portName = f[0].section(QLatin1Char('/'), -1);
            if (f[1] != QLatin1String("-")) {
                p.vendorId = quint16(f[1].section(QLatin1Char(':'), 0, 0).toUInt(nullptr, 16));
                p.productId = quint16(f[1].section(QLatin1Char(':'), 1, 1).toUInt(nullptr, 16));
            }
            if (f[2] != QLatin1String("-"))
                p.serialNumber = f[2];
            ports << p;
        }
    }
    QList<PortDescription> availablePorts() const override { return ports; }
};
} // namespace

// A port follows its USB adapter when it comes back under another name, only
// when the adapter has a serial number, and goes back to its first device
// when that is there again.
class tst_adapterfollower : public QObject
{
    Q_OBJECT

private slots:
    void replacement_data()
    {
        QTest::addColumn<QStringList>("atOpen");  // listed when port 1 opened /dev/ttyUSB0
        QTest::addColumn<QString>("missing");     // port 1's device, now gone
        QTest::addColumn<QStringList>("now");     // listed now
        QTest::addColumn<QString>("replacement"); // empty: none

        const QString usb0 = QStringLiteral("/dev/ttyUSB0 0403:6001 A10KZ3");
        const QString usb1 = QStringLiteral("/dev/ttyUSB1 0403:6001 A10KZ3");
        QTest::newRow("nothing back") << QStringList{usb0} << "/dev/ttyUSB0" << QStringList() << QString();
        QTest::newRow("back under another name")
            << QStringList{usb0} << "/dev/ttyUSB0" << QStringList{usb1} << "/dev/ttyUSB1";
        QTest::newRow("another adapter of the same make")
            << QStringList{usb0} << "/dev/ttyUSB0" << QStringList{"/dev/ttyUSB1 0403:6001 B77QX1"} << QString();
        QTest::newRow("another product with the same serial")
            << QStringList{usb0} << "/dev/ttyUSB0" << QStringList{"/dev/ttyUSB1 067b:2303 A10KZ3"} << QString();
        QTest::newRow("no serial number: not followed") << QStringList{"/dev/ttyUSB0 067b:2303 -"} << "/dev/ttyUSB0"
                                                        << QStringList{"/dev/ttyUSB1 067b:2303 -"} << QString();
        QTest::newRow("not on USB: not followed")
            << QStringList{"/dev/ttyUSB0 - -"} << "/dev/ttyUSB0" << QStringList{"/dev/ttyS0 - -"} << QString();
        // Followed to ttyUSB1 before; that went too, and ttyUSB0 is there again.
        QTest::newRow("the first device is preferred")
            << QStringList{usb0} << "/dev/ttyUSB1"
            << QStringList{"/dev/ttyUSB2 0403:6001 A10KZ3", "/dev/ttyUSB0 0403:6001 A10KZ3"} << "/dev/ttyUSB0";
    }
    void replacement()
    {
        QFETCH(QStringList, atOpen);
        QFETCH(QString, missing);
        QFETCH(QStringList, now);
        QFETCH(QString, replacement);

        ListedPorts listed;
        AdapterFollower follower(listed);
        listed.set(atOpen);
        follower.opened(1, QStringLiteral("/dev/ttyUSB0"));
        listed.set(now);
        QCOMPARE(follower.replacement(1, missing).value_or(QString()), replacement);
        // Another port number was never opened: nothing to follow.
        QVERIFY(!follower.replacement(2, missing));
    }
};

QTEST_GUILESS_MAIN(tst_adapterfollower)
#include "tst_adapterfollower.moc"
