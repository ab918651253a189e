#include "AnsweringController.h"
#include "BoxRecorder.h"
#include "Ser2net.h"
#include "WindowProbe.h"

#include "app/frmVANTOPortTestGui.h"
#include "instruments/Lamp.h"
#include "link/Comunication.h"
#include "link/MappedSerialControl.h"
#include "link/NetworkSerialControl.h"
#include "link/PortSetup.h"
#include "ui/MsgBox.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTimer>
#include <QtTest>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {
const QByteArray ReplyA("300,290,1,10,3840,3277,u,*"); // load can 27 deg C
const QByteArray ReplyB("310,290,1,10,3840,3277,u,*"); // load can 37 deg C

// The line settings of a pseudo-terminal as "9600 8N1", as ser2net left them.
QString lineSettings(const QString &device)
{
    const int fd = ::open(qPrintable(device), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios t{};
    const bool read = fd >= 0 && tcgetattr(fd, &t) == 0;
    if (fd >= 0)
        ::close(fd);
    if (!read)
        return QStringLiteral("unreadable");
    const speed_t speed = cfgetospeed(&t);
    const int baud = speed == B9600 ? 9600 : speed == B19200 ? 19200 : speed == B115200 ? 115200 : -1;
    const int bits = (t.c_cflag & CSIZE) == CS8 ? 8 : (t.c_cflag & CSIZE) == CS7 ? 7 : 0;
    const char parity = !(t.c_cflag & PARENB) ? 'N' : (t.c_cflag & PARODD) ? 'O' : 'E';
    return QStringLiteral("%1 %2%3%4%5")
        .arg(baud)
        .arg(bits)
        .arg(QLatin1Char(parity))
        .arg(t.c_cflag & CSTOPB ? 2 : 1)
        .arg(t.c_cflag & CRTSCTS ? QStringLiteral(" rts/cts") : QString());
}

#define REQUIRE_SER2NET() \
    if (Ser2net::program().isEmpty()) \
    QSKIP("ser2net is not installed (scripts/install-deps installs it): the network end-to-end tests did not run")
} // namespace

// The tool against a real ser2net on loopback, bridging to a pseudo-terminal
// that the test plays as the controller.
class tst_ser2net_e2e
    : public QObject
    , private WindowProbe
{
    Q_OBJECT

    std::optional<BoxRecorder> m_recorder;
    std::unique_ptr<frmVANTOPortTestGui> m_window;

public:
    tst_ser2net_e2e()
        : WindowProbe(m_window)
    { }

private:
    void startTool(const QString &address)
    {
        PortMap ports;
        QCOMPARE(ports.parse("1=" + address), QString());
        m_window = std::make_unique<frmVANTOPortTestGui>(std::make_unique<MappedSerialControl>(ports));
        m_window->Form_Load();
    }

    static void kinds()
    {
        QTest::addColumn<Ser2net::Kind>("kind");
        QTest::newRow("raw TCP") << Ser2net::Kind::RawTcp;
        QTest::newRow("RFC 2217") << Ser2net::Kind::Rfc2217;
    }

private slots:
    void init() { m_recorder.emplace(BoxRecorder::Record::Text); }
    void cleanup()
    {
        m_window.reset();
        m_recorder.reset();
    }

    // Polls and decodes through ser2net; with RFC 2217 the tool sets the line,
    // with raw TCP the server's own settings (here 19200 8N2) stay. (A
    // pseudo-terminal keeps 8 data bits and no parity whatever it is told.)
    void pollsAndDecodes_data() { kinds(); }
    void pollsAndDecodes()
    {
        REQUIRE_SER2NET();
        QFETCH(Ser2net::Kind, kind);
        AnsweringController controller(ReplyA);
        Ser2net server({{kind, controller.pty().slavePath(), QStringLiteral("19200n82")}});
        QString why;
        QVERIFY2(server.start(&why), qPrintable(why));

        startTool(server.address(0));
        QVERIFY(m_recorder->boxes.isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(loadCanTemp(), QStringLiteral("27"), 3000);
        QVERIFY(serialLamp());
        QCOMPARE(status(), QString());
        QCOMPARE(lineSettings(controller.pty().slavePath()),
                 kind == Ser2net::Kind::Rfc2217 ? QStringLiteral("9600 8N1") : QStringLiteral("19200 8N2"));

        // A new letter goes out and every later poll repeats it.
        child<QPushButton>("cmd1PPSOnOff")->click();
        QTRY_VERIFY_WITH_TIMEOUT(controller.heard().endsWith("EEE"), 3000);
        QVERIFY(serialLamp());
        const QByteArray heard = controller.heard();
        QCOMPARE(heard.count('u') + heard.count('E'), heard.size());
        QVERIFY(m_recorder->boxes.isEmpty());
    }

    // Bytes pass both ways as they are, the telnet escape byte 255 included.
    void everyBytePasses_data() { kinds(); }
    void everyBytePasses()
    {
        REQUIRE_SER2NET();
        QFETCH(Ser2net::Kind, kind);
        PtyController controller;
        Ser2net server({{kind, controller.slavePath()}});
        QString why;
        QVERIFY2(server.start(&why), qPrintable(why));
        PortMap ports;
        ports.map(1, server.address(0));
        NetworkSerialControl port(ports);
        port.setPortOpen(true);

        const QByteArray all = [] {
            QByteArray b;
            for (int i = 0; i < 256; ++i)
                b.append(char(i));
            return b;
        }();
        port.Output(all);
        QByteArray heard;
        for (int i = 0; i < 20 && heard.size() < all.size(); ++i)
            heard += controller.read(100);
        QCOMPARE(heard, all);

        controller.write(all);
        QByteArray got;
        for (int i = 0; i < 100 && got.size() < all.size(); ++i) {
            got += port.Input();
            QTest::qWait(10);
        }
        QCOMPARE(got, all);
    }

    // A poll without a complete reply drops the buffers instead of opening a
    // new connection (over RFC 2217 the server purges its own, and says so);
    // the next reply reads whole.
    void incompleteReplyDropsBuffersWithoutReconnecting_data() { kinds(); }
    void incompleteReplyDropsBuffersWithoutReconnecting()
    {
        REQUIRE_SER2NET();
        QFETCH(Ser2net::Kind, kind);
        PtyController controller;
        Ser2net server({{kind, controller.slavePath()}});
        QString why;
        QVERIFY2(server.start(&why), qPrintable(why));
        PortMap ports;
        ports.map(1, server.address(0));
        NetworkSerialControl port(ports);
        port.setPortOpen(true);
        QCOMPARE(port.connections(), 1);

        QByteArray pending;
        // Long enough for the bytes to cross the pty, ser2net and the socket on
        // a loaded machine: a read before they are there tests nothing.
        controller.write("300,29"); // cut off by a noisy line
        QTest::qWait(1000);
        QCOMPARE(Comunication::ReadReplies(port, pending), QStringList{QStringLiteral("?")});
        QVERIFY(port.PortOpen());
        QCOMPARE(port.connections(), 1);
        if (kind == Ser2net::Kind::Rfc2217) {
            for (int i = 0; i < 50 && port.purgesAnswered() == 0; ++i) {
                QCOMPARE(port.Input(), QByteArray());
                QTest::qWait(20);
            }
            QCOMPARE(port.purgesAnswered(), 1);
        }

        controller.write(ReplyA);
        QTest::qWait(1000);
        QCOMPARE(Comunication::ReadReplies(port, pending), QStringList{QString::fromLatin1(ReplyA)});
        QCOMPARE(port.connections(), 1);
    }

    // The deck machine's ser2net dies and comes back: polling resumes by itself.
    void serverRestartResumesPolling_data() { kinds(); }
    void serverRestartResumesPolling()
    {
        REQUIRE_SER2NET();
        QFETCH(Ser2net::Kind, kind);
        AnsweringController controller(ReplyA);
        Ser2net server({{kind, controller.pty().slavePath()}});
        QString why;
        QVERIFY2(server.start(&why), qPrintable(why));
        startTool(server.address(0));
        QTRY_COMPARE_WITH_TIMEOUT(loadCanTemp(), QStringLiteral("27"), 3000);

        server.kill();
        QTRY_VERIFY_WITH_TIMEOUT(!serialLamp(), 2000);
        QTest::qWait(1200);
        QCOMPARE(status(), QStringLiteral("No Data"));
        QVERIFY(!m_window->VANTOSerComm().PortOpen());

        controller.setReply(ReplyB);
        QVERIFY2(server.start(&why), qPrintable(why));
        QElapsedTimer back;
        back.start();
        QTRY_COMPARE_WITH_TIMEOUT(loadCanTemp(), QStringLiteral("37"), 3000);
        qInfo("polling resumed %lld ms after ser2net listened again", qint64(back.elapsed()));
        QVERIFY(serialLamp());
        QVERIFY(Timer1()->isActive());
        QVERIFY(m_recorder->boxes.isEmpty());
        if (kind == Ser2net::Kind::Rfc2217)
            QCOMPARE(lineSettings(controller.pty().slavePath()), QStringLiteral("9600 8N1"));
    }

    // A port that can't be opened gives the communication error with its cause
    // at start-up, and the port setup dialog.
    void unopenablePortsSayWhy_data()
    {
        QTest::addColumn<QString>("what");
        QTest::newRow("nothing listens") << "closed";
        QTest::newRow("ser2net can't open its device") << "no device";
        QTest::newRow("telnet without the COM port option") << "plain telnet";
    }
    void unopenablePortsSayWhy()
    {
        QFETCH(QString, what);
        PtyController controller;
        std::unique_ptr<Ser2net> server;
        QString address;
        QString cause;
        if (what == QLatin1String("closed")) {
            QTcpServer probe;
            probe.listen(QHostAddress::LocalHost);
            const QString where = QStringLiteral("127.0.0.1:%1").arg(probe.serverPort());
            probe.close();
            address = "rfc2217://" + where;
            cause = where + ": connection refused";
        } else {
            REQUIRE_SER2NET();
            const bool plain = what == QLatin1String("plain telnet");
            server = std::make_unique<Ser2net>(QList<Ser2net::Bridge>{
                {plain ? Ser2net::Kind::PlainTelnet : Ser2net::Kind::Rfc2217,
                 plain ? controller.slavePath() : QStringLiteral("/dev/no-such-serial-device")}});
            QString why;
            QVERIFY2(server->start(&why), qPrintable(why));
            address = server->address(0);
            const QString where = QStringLiteral("127.0.0.1:%1: ").arg(server->port(0));
            cause = plain ? where + "the server doesn't take the COM port option (RFC 2217); try tcp://"
                          : where + "closed by the server: Device open failure";
        }
        startTool(address);
        QCOMPARE(m_recorder->boxes.size(), 1);
        QVERIFY2(m_recorder->boxes[0].startsWith(PortSetup::CommErrorText + "\n\n" + cause),
                 qPrintable(m_recorder->boxes[0]));
        QVERIFY(!Timer1()->isActive());
        const QWidgetList windows = QApplication::topLevelWidgets();
        QVERIFY(std::any_of(windows.cbegin(), windows.cend(), [](const QWidget *w) {
            return w->objectName() == QLatin1String("frmCommSetup") && w->isVisible();
        }));
    }
};

QTEST_MAIN(tst_ser2net_e2e)
#include "tst_ser2net_e2e.moc"
