#include "FakePortInformation.h"
#include "FakeSerialControl.h"

#include "link/Comunication.h"
#include "logging/LogWriter.h"
#include "run/PortRun.h"

#include "Version.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QByteArray Live = "300,290,1,10,3840,3277,u,*";
const QByteArray Dead = "300,290,1,10,0,0,u,*";

// The run on a fake port and a clock the test moves; polls by hand.
struct Rig
{
    FakeSerialControl *port;
    std::unique_ptr<PortRun> run;
    qint64 now = 0;

    explicit Rig(bool portMissing = false)
    {
        auto fake = std::make_unique<FakeSerialControl>();
        if (portMissing)
            fake->failingPorts.insert(1);
        port = fake.get();
        run = std::make_unique<PortRun>(std::move(fake));
        run->session().setClock([this] { return Stamp{now, 1796640000000 + now}; });
    }
    // One poll with the controller having sent that; returns the letter sent.
    QByteArray poll(const QByteArray &received = {})
    {
        port->rx += received;
        const qsizetype before = port->writes.size();
        run->Timer1_Timer();
        now += 250;
        return port->writes.size() == before ? QByteArray() : port->writes.last();
    }
    QStringList events(EventKind kind) const
    {
        QStringList texts;
        for (const EventEntry &e : run->session().events())
            if (e.kind == kind)
                texts << e.text;
        return texts;
    }
};
} // namespace

// The poll cycle with no window and no Widgets: the poll, the log tick,
// reopening a lost port, the Done sequence and the operator's intents.
class tst_run : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Comunication::setSettleWait([](float) {});
    }

    // The session's first event, and so a new CSV file's first row, says what
    // it ran on: the adapter's identity where the device is one, the device
    // alone otherwise; the CSV's own note follows it. Once per run.
    void sessionStartedFirst_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("expected");
        QTest::newRow("USB adapter") << "/dev/ttyUSB0"
                                     << ", port 1, /dev/ttyUSB0 (USB 0403:6001 FTDI FT232R USB UART serial A50285BI)";
        QTest::newRow("built-in port") << "/dev/ttyS0"
                                       << ", port 1, /dev/ttyS0";
        QTest::newRow("network") << "rfc2217://deck-server:4001"
                                 << ", port 1, rfc2217://deck-server:4001";
    }
    void sessionStartedFirst()
    {
        QFETCH(QString, device);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        Rig rig;
        rig.port->devices.insert(1, device);
        rig.run->setPortInformation(std::make_shared<FakePortInformation>(
            QList<PortDescription>{FakePortInformation::ftdi(QStringLiteral("ttyUSB0"), QStringLiteral("A50285BI")),
                                   FakePortInformation::builtIn(QStringLiteral("ttyS0"))}));
        rig.run->startCsv(dir.filePath(QStringLiteral("run.csv")));
        QVERIFY(rig.run->start());
        rig.run->start();
        const auto &events = rig.run->session().events();
        QVERIFY(events.size() >= 3);
        QCOMPARE(events[0].kind, EventKind::SessionStarted);
        QCOMPARE(events[0].text,
                 QStringLiteral("Session started: vanto-port-test ") + QLatin1String(Version::Text) + expected);
        QCOMPARE(events[1].text, QStringLiteral("Recording CSV to ") + dir.filePath(QStringLiteral("run.csv")));
        QCOMPARE(rig.events(EventKind::SessionStarted).size(), 1);
    }

    // What a poll hands on: the replies decoded before the letter goes out,
    // then the poll recorded.
    void pollDecodesBeforeItSends()
    {
        Rig rig;
        QVERIFY(rig.run->start());
        QVERIFY(rig.run->polling());
        qsizetype writesWhenReplied = -1;
        QObject::connect(rig.run.get(), &PortRun::replied,
                         [&](const Poll &) { writesWhenReplied = rig.port->writes.size(); });
        QSignalSpy polled(rig.run.get(), &PortRun::polled);

        rig.poll(); // the first poll answers nothing
        QCOMPARE(rig.poll(Dead + Live), QByteArray("u"));
        QCOMPARE(writesWhenReplied, 1);
        QCOMPARE(polled.size(), 2);
        const Poll p = polled.last().at(0).value<Poll>();
        QCOMPARE(p.replies.size(), std::size_t(2));
        QCOMPARE(p.newest().reading.count400, 3840.0);
        QCOMPARE(p.newest().shown.lbl400VDC, std::optional<QString>(QStringLiteral("375")));
        QCOMPARE(p.sent, 'u');
        QCOMPARE(rig.run->session().ticks().size(), std::size_t(3));
        QCOMPARE(rig.run->session().currentSupplies()->volts400, 375.0);
    }

    // The load switch decides on the record's newest supplies, and says why
    // it refuses; its look and the letter follow a switch.
    void loadIntent_data()
    {
        QTest::addColumn<QByteArray>("received");
        QTest::addColumn<int>("wait");
        QTest::addColumn<int>("refusal");

        QTest::newRow("dead, current") << Dead << 0 << int(CommandToggles::Refusal::None);
        QTest::newRow("live") << Live << 0 << int(CommandToggles::Refusal::Powered);
        QTest::newRow("dead, a poll past 2 s") << Dead << 2250 << int(CommandToggles::Refusal::NoReadings);
        QTest::newRow("nothing read") << QByteArray() << 0 << int(CommandToggles::Refusal::NoReadings);
    }
    void loadIntent()
    {
        QFETCH(QByteArray, received);
        QFETCH(int, wait);
        QFETCH(int, refusal);

        Rig rig;
        rig.run->start();
        rig.poll();
        rig.poll(received);
        rig.now += wait - 250;
        QSignalSpy looks(rig.run.get(), &PortRun::lookChanged);
        QCOMPARE(int(rig.run->toggleLoad()), refusal);
        const bool switched = refusal == int(CommandToggles::Refusal::None);
        QCOMPARE(looks.size(), switched ? 1 : 0);
        QCOMPARE(rig.poll(), QByteArray(switched ? "l" : "u"));
        QCOMPARE(rig.events(EventKind::Refused).size(), switched ? 0 : 1);
    }

    // The update toggle keeps its own state: Slow, Fast, Slow again.
    void rateIntentAlternates()
    {
        Rig rig;
        rig.run->start();
        QSignalSpy looks(rig.run.get(), &PortRun::lookChanged);
        rig.run->toggleRate();
        QCOMPARE(rig.poll(), QByteArray("s"));
        rig.run->toggleRate();
        QCOMPARE(rig.poll(), QByteArray("f"));
        QCOMPARE(looks.at(0).at(1).value<ButtonLook>().Caption, QStringLiteral("Fast Update"));
        QCOMPARE(looks.at(1).at(1).value<ButtonLook>().Caption, QStringLiteral("Slow Update"));
    }

    // The log tick: the header first, then a record of a reply that carried
    // all its values, nothing for one that didn't.
    void logTicks()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("run.log"));
        Rig rig;
        rig.run->start();
        rig.run->startLogging(path);
        QVERIFY(rig.run->logging().isOn());
        rig.poll(Live);
        rig.run->logging().Timer2_Timer(); // header
        rig.poll(Live);
        rig.run->logging().Timer2_Timer(); // record
        rig.poll("301,290,*");
        rig.run->logging().Timer2_Timer(); // a short reply: nothing
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0], LogWriter::HeaderLine.toLatin1() + '\r');
        QVERIFY(lines[1].endsWith(",      27      17      10      1      375      48      u\r"));
        QCOMPARE(rig.events(EventKind::LoggingStarted), QStringList{"Logging to " + QDir::toNativeSeparators(path)});
        rig.run->CWButton1_Click();
        QVERIFY(!rig.run->logging().isOn());
        QCOMPARE(rig.events(EventKind::LoggingStopped).size(), 1);
    }

    // A port lost while polling is reopened by the poll that finds it back; a
    // device that is there but won't open is tried at most once a second.
    void lostPortIsReopened()
    {
        Rig rig;
        rig.run->start();
        rig.poll(Live);
        rig.port->vanish();
        QCOMPARE(rig.poll(), QByteArray());
        QCOMPARE(rig.events(EventKind::LinkLost).size(), 1);
        rig.poll();
        QVERIFY(!rig.port->PortOpen());
        rig.port->comeBack();
        QCOMPARE(rig.poll(), QByteArray("u"));
        QVERIFY(rig.port->PortOpen());
        QCOMPARE(rig.events(EventKind::LinkBack), QStringList{"Port 1: /dev/fake1 open again"});
    }

    // With retry (the recorder with nobody to choose a port), a port missing
    // at start-up is opened once it is there.
    void missingPortAtStartIsRetried_data()
    {
        QTest::addColumn<bool>("retry");
        QTest::newRow("the window's start-up: polling stays off") << false;
        QTest::newRow("the recorder's: it polls on") << true;
    }
    void missingPortAtStartIsRetried()
    {
        QFETCH(bool, retry);
        Rig rig(true);
        QVERIFY(!rig.run->start(retry));
        QCOMPARE(rig.run->polling(), retry);
        rig.port->failingPorts.clear();
        rig.now += 1000;
        rig.poll();
        QCOMPARE(rig.port->PortOpen(), retry);
    }

    // The Done sequence as the run does it for the dialog.
    void choosePort_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("startFailed");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<int>("commPort");
        QTest::addColumn<bool>("open");

        const QString bad = PortSetup::BadPortTitle;
        const QString comm = PortSetup::CommErrorTitle;
        QTest::newRow("accepted") << "3" << false << QStringList() << 3 << true;
        QTest::newRow("accepted after a failed start") << "2" << true << QStringList() << 2 << true;
        QTest::newRow("out of range") << "9" << false << QStringList{bad} << 1 << true;
        QTest::newRow("not a number keeps the link") << "abc" << false << QStringList{bad} << 1 << true;
        QTest::newRow("not a number, no port before") << "abc" << true << QStringList{bad, comm} << 1 << false;
    }
    void choosePort()
    {
        QFETCH(QString, entry);
        QFETCH(bool, startFailed);
        QFETCH(QStringList, boxes);
        QFETCH(int, commPort);
        QFETCH(bool, open);

        Rig rig(startFailed);
        rig.run->start();
        rig.port->failingPorts.remove(2);
        if (!startFailed)
            rig.poll(Live + "300,29"); // half a reply of the old port waiting
        QStringList shown;
        const bool unload = rig.run->choosePort(checkPortEntry(entry), [&](const PortMessage &m) {
            shown << m.title;
            QVERIFY(!rig.port->PortOpen()); // a poll under the box reads nothing
        });
        QCOMPARE(shown, boxes);
        QCOMPARE(rig.port->CommPort(), commPort);
        QCOMPARE(rig.port->PortOpen(), open);
        QCOMPARE(unload, boxes.isEmpty());
        if (unload)
            rig.run->portChosen();
        QCOMPARE(rig.run->polling(), unload || !startFailed);
        // The new port's first reply is read as it came, nothing of the old in front.
        if (open) {
            rig.poll(Live);
            QCOMPARE(rig.run->session().ticks().back().count400, 3840.0);
        }
    }
};

QTEST_GUILESS_MAIN(tst_run)
#include "tst_run.moc"
