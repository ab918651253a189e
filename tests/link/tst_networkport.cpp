#include "link/MappedSerialControl.h"
#include "link/NetworkSerialControl.h"
#include "link/PortMap.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// A port on which nothing listens.
quint16 closedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

// A listener whose queue of connections is full and that never accepts: the
// system drops the next connection attempt unanswered, as a host that is gone.
class FullListener
{
public:
    FullListener()
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(m_fd, reinterpret_cast<sockaddr *>(&address), length) != 0 || ::listen(m_fd, 0) != 0
            || ::getsockname(m_fd, reinterpret_cast<sockaddr *>(&address), &length) != 0)
            return;
        m_port = ntohs(address.sin_port);
        for (QTcpSocket &filler : m_fillers) {
            filler.connectToHost(QHostAddress::LocalHost, m_port);
            filler.waitForConnected(300);
        }
    }
    ~FullListener() { ::close(m_fd); }
    quint16 port() const { return m_port; }

private:
    int m_fd = -1;
    quint16 m_port = 0;
    QTcpSocket m_fillers[2];
};

PortMap mapped(const QString &address)
{
    PortMap ports;
    ports.map(1, address);
    return ports;
}

// Reads without an event loop, as a poll tick does, until the text has come.
QByteArray readWithoutEvents(SerialControl &port, int count)
{
    QByteArray got;
    for (int i = 0; i < 50 && got.size() < count; ++i) {
        got += port.Input();
        QThread::msleep(10);
    }
    return got;
}
} // namespace

// The network backend on its own, against listeners of the test's making.
class tst_networkport : public QObject
{
    Q_OBJECT

private slots:
    void networkMappings_data()
    {
        QTest::addColumn<QString>("mapping");
        QTest::addColumn<QString>("error"); // empty: accepted
        QTest::addColumn<QString>("hostAndPort");
        QTest::addColumn<bool>("rfc2217");

        QTest::newRow("raw TCP") << "1=tcp://deck-unit:4001"
                                 << ""
                                 << "deck-unit:4001" << false;
        QTest::newRow("RFC 2217") << "2=rfc2217://10.0.0.7:2217"
                                  << ""
                                  << "10.0.0.7:2217" << true;
        QTest::newRow("scheme in capitals") << "1=RFC2217://deck-unit:1"
                                            << ""
                                            << "deck-unit:1" << true;
        QTest::newRow("IPv6 in brackets") << "8=tcp://[fd00::2]:65535"
                                          << ""
                                          << "[fd00::2]:65535" << false;
        QTest::newRow("unknown scheme")
            << "1=telnet://deck-unit:23"
            << "'1=telnet://deck-unit:23': unknown scheme \"telnet\", use tcp:// or rfc2217://, as in "
               "1=rfc2217://deck-unit:4001"
            << "" << false;
        QTest::newRow("port 0") << "1=tcp://deck-unit:0"
                                << "'1=tcp://deck-unit:0': the TCP port must be 1 to 65535, as in "
                                   "1=rfc2217://deck-unit:4001"
                                << "" << false;
        QTest::newRow("port 65536") << "1=tcp://deck-unit:65536"
                                    << "the TCP port must be 1 to 65535"
                                    << "" << false;
        QTest::newRow("no port") << "1=tcp://deck-unit"
                                 << "the TCP port must be 1 to 65535"
                                 << "" << false;
        QTest::newRow("port not a number") << "1=tcp://deck-unit:+401"
                                           << "the TCP port must be 1 to 65535"
                                           << "" << false;
        QTest::newRow("no host") << "1=rfc2217://:4001"
                                 << "'1=rfc2217://:4001': no host given, as in 1=rfc2217://deck-unit:4001"
                                 << "" << false;
        QTest::newRow("IPv6 without brackets")
            << "1=tcp://fd00::2:4001"
            << "'1=tcp://fd00::2:4001': an IPv6 address goes in brackets, as in 1=tcp://[fd00::2]:4001"
            << "" << false;
        QTest::newRow("not IPv6 in brackets") << "1=tcp://[deck-unit]:4001"
                                              << "not an IPv6 address in brackets"
                                              << "" << false;
        QTest::newRow("not a host name") << "1=tcp://deck unit:4001"
                                         << "\"deck unit\" is not a host name"
                                         << "" << false;
        QTest::newRow("a path after the port") << "1=tcp://deck-unit:4001/x"
                                               << "only HOST:PORT may follow the scheme"
                                               << "" << false;
        QTest::newRow("user name") << "1=tcp://tech@deck-unit:4001"
                                   << "only HOST:PORT may follow the scheme"
                                   << "" << false;
    }
    void networkMappings()
    {
        QFETCH(QString, mapping);
        QFETCH(QString, error);
        QFETCH(QString, hostAndPort);
        QFETCH(bool, rfc2217);

        PortMap map;
        const QString got = map.parse(mapping);
        const int port = mapping.left(1).toInt();
        if (!error.isEmpty()) {
            QVERIFY2(got.contains(error), qPrintable(got));
            QVERIFY(got.startsWith(QLatin1Char('\'') + mapping + QLatin1String("': ")));
            QVERIFY(!map.endpoint(port));
            return;
        }
        QCOMPARE(got, QString());
        QCOMPARE(map.device(port), mapping.mid(2));
        const auto endpoint = map.endpoint(port);
        QVERIFY(endpoint);
        QCOMPARE(endpoint->hostAndPort(), hostAndPort);
        QCOMPARE(endpoint->protocol == NetworkEndpoint::Protocol::Rfc2217, rfc2217);
    }

    void devicesAreNotAddresses()
    {
        PortMap map;
        map.map(2, QStringLiteral("/dev/pts/3"));
        QVERIFY(!map.endpoint(1));
        QVERIFY(!map.endpoint(2));
    }

    // The cause comes on the second line of the communication error.
    void openFailsWithItsCause_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("detail");

        const QString refused = QStringLiteral("127.0.0.1:%1").arg(closedPort());
        QTest::newRow("nothing listens") << "tcp://" + refused << refused + ": connection refused";
        QTest::newRow("nothing listens, RFC 2217") << "rfc2217://" + refused << refused + ": connection refused";
        QTest::newRow("host not found") << "tcp://deck-unit.invalid:4001"
                                        << "deck-unit.invalid:4001: host not found";
    }
    void openFailsWithItsCause()
    {
        QFETCH(QString, address);
        QFETCH(QString, detail);
        MappedSerialControl port(mapped(address));
        QVERIFY_THROWS_EXCEPTION(LinkError, port.setPortOpen(true));
        QVERIFY(!port.PortOpen());
        QVERIFY(!port.PortLost());
        QCOMPARE(port.lastErrorDetail(), detail);
    }

    // A host that never answers, and a raw port taken for RFC 2217: both fail
    // at the bound rather than hold the window.
    void silentHostsTimeOut()
    {
        FullListener gone;
        QVERIFY(gone.port() != 0);
        NetworkSerialControl port(mapped(QStringLiteral("tcp://127.0.0.1:%1").arg(gone.port())));
        QVERIFY_THROWS_EXCEPTION(LinkError, port.setPortOpen(true));
        QCOMPARE(port.lastErrorDetail(), QStringLiteral("127.0.0.1:%1: timed out").arg(gone.port()));

        QTcpServer raw;
        QVERIFY(raw.listen(QHostAddress::LocalHost));
        NetworkSerialControl telnet(mapped(QStringLiteral("rfc2217://127.0.0.1:%1").arg(raw.serverPort())));
        QVERIFY_THROWS_EXCEPTION(LinkError, telnet.setPortOpen(true));
        QCOMPARE(telnet.lastErrorDetail(),
                 QStringLiteral("127.0.0.1:%1: no RFC 2217 answer (a raw TCP port? try tcp://)").arg(raw.serverPort()));
        QVERIFY(!telnet.PortOpen());
    }

    void rawTcpBothWaysWithoutAnEventLoop()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        NetworkSerialControl port(mapped(QStringLiteral("tcp://127.0.0.1:%1").arg(server.serverPort())));
        port.setPortOpen(true);
        QVERIFY(port.PortOpen());
        QVERIFY(server.waitForNewConnection(1000));
        QTcpSocket *controller = server.nextPendingConnection();

        port.Output("u");
        QVERIFY(controller->waitForReadyRead(1000));
        QCOMPARE(controller->readAll(), QByteArray("u"));

        // Bytes pass as they are, 255 included; one character a read.
        controller->write("300,\xff,*");
        controller->waitForBytesWritten(1000);
        port.setInputLen(1);
        QCOMPARE(readWithoutEvents(port, 1), QByteArray("3"));
        port.setInputLen(0);
        QCOMPARE(readWithoutEvents(port, 5), QByteArray("00,\xff,*"));

        port.setPortOpen(false);
        QVERIFY(!port.PortOpen());
        QVERIFY_THROWS_EXCEPTION(LinkError, port.Output("u"));
        QVERIFY_THROWS_EXCEPTION(LinkError, port.Input());
        QVERIFY(controller->waitForDisconnected(1000));
    }

    // The server going away is a lost port, whether a read finds it or the
    // event loop between ticks does.
    void aClosedConnectionIsALostPort_data()
    {
        QTest::addColumn<bool>("eventLoop");
        QTest::newRow("found by a read") << false;
        QTest::newRow("found between ticks") << true;
    }
    void aClosedConnectionIsALostPort()
    {
        QFETCH(bool, eventLoop);
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        const QString where = QStringLiteral("127.0.0.1:%1").arg(server.serverPort());
        NetworkSerialControl port(mapped("tcp://" + where));
        port.setPortOpen(true);
        QVERIFY(server.waitForNewConnection(1000));
        delete server.nextPendingConnection();

        if (eventLoop) {
            QTRY_VERIFY_WITH_TIMEOUT(!port.PortOpen(), 1000);
        } else {
            QThread::msleep(50);
            QVERIFY_THROWS_EXCEPTION(LinkError, port.Input());
        }
        QVERIFY(!port.PortOpen());
        QVERIFY(port.PortLost());
        QCOMPARE(port.lastErrorDetail(), where + ": connection closed by the server");
        QVERIFY_THROWS_EXCEPTION(LinkError, port.Input());

        // Back again: the next open connects anew.
        port.setPortOpen(true);
        QVERIFY(port.PortOpen());
        QVERIFY(!port.PortLost());
    }

    // Whether a lost address answers is learnt in the background: never yes
    // while nothing listens, yes a poll after something does.
    void presenceIsProbedWithoutBlocking()
    {
        const quint16 free = closedPort();
        const PortMap ports = mapped(QStringLiteral("tcp://127.0.0.1:%1").arg(free));
        MappedSerialControl port(ports);
        QElapsedTimer asked;
        asked.start();
        for (int poll = 0; poll < 4; ++poll) {
            QVERIFY(!port.devicePresent(1));
            QTest::qWait(50);
        }
        QVERIFY2(asked.elapsed() < 1000, "a probe waited on the network");

        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost, free));
        QTRY_VERIFY_WITH_TIMEOUT(port.devicePresent(1), 2000);
        port.setPortOpen(true);
        QVERIFY(port.PortOpen());
    }

    void portNumberRules()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        PortMap ports = mapped(QStringLiteral("tcp://127.0.0.1:%1").arg(server.serverPort()));
        ports.map(2, QStringLiteral("/dev/no-such-serial-device"));
        MappedSerialControl port(ports);
        QVERIFY_THROWS_EXCEPTION(LinkError, port.setCommPort(0));
        QVERIFY_THROWS_EXCEPTION(LinkError, port.setCommPort(9));
        port.setPortOpen(true);
        QVERIFY(port.PortOpen());
        QVERIFY_THROWS_EXCEPTION(LinkError, port.setCommPort(2));
        QCOMPARE(port.CommPort(), 1);

        // The same control opens a device for the next number.
        port.setPortOpen(false);
        port.setCommPort(2);
        QVERIFY_THROWS_EXCEPTION(LinkError, port.setPortOpen(true));
        QVERIFY(port.lastErrorDetail().contains(QStringLiteral("/dev/no-such-serial-device")));
    }
};

QTEST_GUILESS_MAIN(tst_networkport)
#include "tst_networkport.moc"
