#include "FakeSerialControl.h"
#include "MqttBroker.h"

#include "app/frmVANTOPortTestGui.h"
#include "run/PortRun.h"
#include "session/EventList.h"
#include "shore/FeedMessages.h"
#include "shore/ShorePublisher.h"
#include "shore/ShoreWatcher.h"

#include <QAction>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <csignal>

// The shore feed against a real Mosquitto broker on loopback: what arrives,
// the retained status and the last will, a broker restart, TLS with a CA of
// the test's own, refused credentials, and a watcher beside the deck.
class tst_shore_e2e : public QObject
{
    Q_OBJECT

    static constexpr auto Prefix = "vanto/testhost/port1";
    static constexpr int Wait = 8000;

    static std::unique_ptr<PortRun> deckRun()
    {
        return std::make_unique<PortRun>(std::make_unique<FakeSerialControl>());
    }

    static FeedAddress address(const MqttBroker &broker, const char *scheme = "mqtt")
    {
        QString error;
        return *FeedAddress::parse(broker.url(scheme), &error);
    }

    static QString reply(int i) { return QStringLiteral("%1,290.14,1,100,%2,3284,u,0,*").arg(300 + i).arg(3600 + i); }

    static QJsonObject json(const QByteArray &line)
    {
        return QJsonDocument::fromJson(line.mid(line.indexOf(' ') + 1)).object();
    }

    static QList<QByteArray> on(MqttReader &reader, const char *leaf)
    {
        QList<QByteArray> found;
        const QByteArray topic = QByteArray(Prefix) + '/' + leaf + ' ';
        for (const QByteArray &line : reader.lines())
            if (line.startsWith(topic))
                found << line;
        return found;
    }

    static int count(const SessionRecord &record, EventKind kind)
    {
        return int(std::count_if(record.events().begin(), record.events().end(),
                                 [kind](const EventEntry &e) { return e.kind == kind; }));
    }

    static bool run(const QString &program, const QStringList &arguments)
    {
        QProcess p;
        p.start(program, arguments);
        return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }

    // A CA and a broker certificate it signed, for 127.0.0.1.
    static bool makeCertificates(const MqttBroker &broker)
    {
        const auto at = [&](const char *name) { return broker.path(QLatin1String(name)); };
        QFile ext(at("ext"));
        ext.open(QIODevice::WriteOnly);
        ext.write("subjectAltName=IP:127.0.0.1,DNS:localhost\n");
        ext.close();
        for (const char *ca : {"ca", "other"})
            if (!run("openssl",
                     {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                      QStringLiteral("/CN=%1 test CA").arg(ca), "-keyout", at(ca) + ".key", "-out", at(ca) + ".crt"}))
                return false;
        return run("openssl", {"req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=127.0.0.1", "-keyout",
                               at("broker.key"), "-out", at("broker.csr")})
               && run("openssl", {"x509", "-req", "-in", at("broker.csr"), "-CA", at("ca.crt"), "-CAkey", at("ca.key"),
                                  "-CAcreateserial", "-days", "2", "-extfile", at("ext"), "-out", at("broker.crt")});
    }

private slots:
    void everyMessageArrivesAsPublished()
    {
        MqttBroker broker;
        QVERIFY(broker.start());
        MqttReader reader(broker, QString::fromLatin1(Prefix) + "/#");
        const auto deck = deckRun();
        ShorePublisher publisher(*deck, address(broker), Prefix, "9.8.7");
        QString error;
        QVERIFY2(publisher.start(&error), qPrintable(error));
        QTRY_VERIFY_WITH_TIMEOUT(publisher.link().state() == MqttLink::State::Connected, Wait);
        // The reader is there once it has the retained status.
        QTRY_VERIFY_WITH_TIMEOUT(!on(reader, "status").isEmpty(), Wait);

        const QStringList replies{reply(1), "300,abc,*", reply(2), "?", "301,291,*"};
        std::vector<Telemetry> decoded;
        connect(deck.get(), &PortRun::replied, this, [&](const Poll &p) { decoded.push_back(p.newest().reading); });
        deck->session().recordLoadCommand('u');
        for (const QString &r : replies)
            deck->takeReplies({r});
        deck->takeReplies({"Controller restarted*"});
        // Only good replies: the bad one, the empty poll and the message are not telemetry.
        QTRY_COMPARE_WITH_TIMEOUT(on(reader, "telemetry").size(), 3, Wait);
        const QList<QByteArray> telemetry = on(reader, "telemetry");
        for (const auto &[line, index] : {std::pair{telemetry[0], 0}, {telemetry[1], 2}, {telemetry[2], 4}}) {
            const QJsonObject sent = FeedMessages::telemetry(decoded[std::size_t(index)], 0);
            QCOMPARE(json(line)["reply"], sent["reply"]);
            QCOMPARE(json(line)["readings"], sent["readings"]);
            QVERIFY(QDateTime::fromString(json(line)["time"].toString(), Qt::ISODateWithMs).isValid());
        }

        // Every event of the record, in its order.
        QTRY_VERIFY_WITH_TIMEOUT(on(reader, "event").size() >= 3, Wait);
        QStringList kinds, recorded;
        for (const QByteArray &line : on(reader, "event"))
            kinds << json(line)["kind"].toString() + ": " + json(line)["text"].toString();
        for (const EventEntry &e : deck->session().events())
            recorded << eventKindName(e.kind) + ": " + e.text;
        QTRY_COMPARE_WITH_TIMEOUT(kinds.size(), recorded.size(), Wait);
        QCOMPARE(kinds, recorded);
        QVERIFY(kinds.contains("Controller message: Controller restarted*"));
        QVERIFY(kinds.contains("Load confirmed: The controller reports Unloaded, as commanded"));

        const QJsonObject status = json(on(reader, "status").last());
        QCOMPARE(status["state"].toString(), "online");
        QCOMPARE(status["version"].toString(), "9.8.7");
        QCOMPARE(status["port"].toInt(), 1);
        QCOMPARE(status["link"].toString(), "not open");
        QCOMPARE(status["current"].toBool(), true);

        // A clean end leaves the retained status offline, as the will would.
        publisher.finish();
        QTRY_COMPARE_WITH_TIMEOUT(json(on(reader, "status").last())["state"].toString(), "offline", Wait);
    }

    void retainedStatusAndTheLastWill()
    {
        MqttBroker broker;
        QVERIFY(broker.start());
        QTemporaryDir dir;
        const QString line = dir.filePath("line");
        QProcess sim;
        sim.start(QStringLiteral(VANTO_SIM_BINARY), {"--link", line});
        QVERIFY(sim.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(line), Wait);
        QProcess tool;
        tool.start(QStringLiteral(VANTO_TOOL_BINARY),
                   {"--headless", "--port", "1=" + line, "--mqtt", broker.url(), "--mqtt-topic", Prefix});
        QVERIFY(tool.waitForStarted());

        // A reader that comes later is told at once, by the retained status.
        QTest::qWait(1500);
        MqttReader later(broker, QString::fromLatin1(Prefix) + "/status");
        QTRY_VERIFY_WITH_TIMEOUT(!later.lines().isEmpty() && json(later.lines().last())["current"].toBool(), Wait);
        QCOMPARE(json(later.lines().last())["state"].toString(), "online");
        QCOMPARE(json(later.lines().last())["device"].toString(), line);
        QCOMPARE(json(later.lines().last())["link"].toString(), "open");

        ::kill(pid_t(tool.processId()), SIGKILL);
        QVERIFY(tool.waitForFinished(5000));
        QTRY_COMPARE_WITH_TIMEOUT(json(later.lines().last())["state"].toString(), "offline", Wait);
        sim.terminate();
        sim.waitForFinished(5000);
    }

    void resumesAfterTheBrokerRestarts()
    {
        // A reader's session the broker keeps across its restart, QoS 0 included.
        MqttBroker broker;
        broker.configure(
            {"persistence true", "persistence_location " + broker.path("") + "/", "queue_qos0_messages true"});
        QVERIFY(broker.start());
        const QStringList keep{"-c", "-i", "vanto-shore-test", "-q", "1"};
        const auto deck = deckRun();
        ShorePublisher publisher(*deck, address(broker), Prefix, "1");
        publisher.link().setQueueBound(5);
        QString error;
        QVERIFY(publisher.start(&error));
        QTRY_VERIFY_WITH_TIMEOUT(publisher.link().state() == MqttLink::State::Connected, Wait);
        {
            MqttReader reader(broker, QString::fromLatin1(Prefix) + "/telemetry", keep);
            QTRY_VERIFY_WITH_TIMEOUT(
                [&] {
                    deck->takeReplies({reply(0)});
                    QTest::qWait(100);
                    return !reader.lines().isEmpty();
                }(),
                Wait);
        }

        broker.stop();
        QTRY_VERIFY_WITH_TIMEOUT(publisher.link().state() == MqttLink::State::NotConnected, Wait);
        // Away: the poll goes on, the queue keeps the newest, the status bar counts the rest.
        for (int i = 1; i <= 12; ++i)
            deck->takeReplies({reply(i)});
        QCOMPARE(publisher.link().queued(), std::size_t(5));
        const qint64 dropped = publisher.link().dropped();
        QVERIFY(dropped >= 7);
        QVERIFY2(deck->status().text.contains(
                     QStringLiteral("shore feed: not connected (%1 messages dropped)").arg(dropped)),
                 qPrintable(deck->status().text));

        QVERIFY(broker.start());
        QTRY_VERIFY_WITH_TIMEOUT(publisher.link().state() == MqttLink::State::Connected, Wait);
        MqttReader reader(broker, QString::fromLatin1(Prefix) + "/telemetry", keep);
        QTRY_VERIFY_WITH_TIMEOUT(on(reader, "telemetry").join().contains(reply(12).toLatin1()), Wait);
        const QByteArray arrived = on(reader, "telemetry").join();
        QVERIFY2(!arrived.contains(reply(1).toLatin1()), arrived.constData()); // the oldest, dropped
        QCOMPARE(publisher.link().dropped(), dropped);
        QVERIFY(
            deck->status().text.contains(QStringLiteral("shore feed: connected (%1 messages dropped)").arg(dropped)));
    }

    void tlsWithTheTestsOwnCa()
    {
        MqttBroker broker;
        QVERIFY(makeCertificates(broker));
        broker.configure({"cafile " + broker.path("ca.crt"), "certfile " + broker.path("broker.crt"),
                          "keyfile " + broker.path("broker.key")});
        QVERIFY(broker.start());
        MqttReader reader(broker, QString::fromLatin1(Prefix) + "/#", {"--cafile", broker.path("ca.crt")});

        const auto deck = deckRun();
        FeedAddress trusted = address(broker, "mqtts");
        trusted.caFile = broker.path("ca.crt");
        ShorePublisher publisher(*deck, trusted, Prefix, "1");
        QString error;
        QVERIFY(publisher.start(&error));
        QTRY_VERIFY_WITH_TIMEOUT(publisher.link().state() == MqttLink::State::Connected, Wait);
        QTRY_VERIFY_WITH_TIMEOUT(!on(reader, "status").isEmpty(), Wait);
        deck->takeReplies({reply(3)});
        QTRY_COMPARE_WITH_TIMEOUT(on(reader, "telemetry").size(), 1, Wait);

        // A broker the CA given didn't sign: said why, once, though the client tries again.
        const auto other = deckRun();
        FeedAddress untrusted = trusted;
        untrusted.caFile = broker.path("other.crt");
        ShorePublisher refused(*other, untrusted, "vanto/other/port1", "1");
        QVERIFY(refused.start(&error));
        QTRY_VERIFY_WITH_TIMEOUT(refused.link().state() == MqttLink::State::Refused, Wait);
        QVERIFY2(refused.link().refusal().contains("certificate"), qPrintable(refused.link().refusal()));
        QTRY_VERIFY_WITH_TIMEOUT(broker.log().count("unknown ca") >= 2, 15000);
        QCOMPARE(count(other->session(), EventKind::FeedRefused), 1);
        other->takeReplies({reply(4)});
        QVERIFY(other->status().text.contains("shore feed: refused: the broker's certificate was not accepted"));

        // A CA file that isn't there stops the tool before it starts.
        FeedAddress missing = trusted;
        missing.caFile = broker.path("none.crt");
        ShorePublisher never(*other, missing, "vanto/none/port1", "1");
        QVERIFY(!never.start(&error));
        QVERIFY(error.contains("none.crt"));
    }

    void refusedCredentials()
    {
        MqttBroker broker({"allow_anonymous false"});
        QVERIFY(run(MqttBroker::program("mosquitto_passwd"), {"-b", "-c", broker.path("passwords"), "deck", "s3cret"}));
        QFile::setPermissions(broker.path("passwords"), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
        broker.configure({"password_file " + broker.path("passwords")});
        QVERIFY(broker.start());

        const auto deck = deckRun();
        FeedAddress wrong = address(broker);
        wrong.user = "deck";
        wrong.password = "secret";
        ShorePublisher publisher(*deck, wrong, Prefix, "1");
        QString error;
        QVERIFY(publisher.start(&error));
        QTRY_VERIFY_WITH_TIMEOUT(publisher.link().state() == MqttLink::State::Refused, Wait);
        // Tried again each second, told once; the run goes on meanwhile.
        QTRY_VERIFY_WITH_TIMEOUT(broker.log().count("not authorised") >= 3, Wait);
        QCOMPARE(count(deck->session(), EventKind::FeedRefused), 1);
        deck->takeReplies({reply(1)});
        QVERIFY(deck->session().isFresh(Reading::Supply400));
        QVERIFY2(deck->status().text.contains("shore feed: refused: Connection Refused: not authorised."),
                 qPrintable(deck->status().text));

        const auto other = deckRun();
        FeedAddress right = wrong;
        right.password = "s3cret";
        ShorePublisher allowed(*other, right, "vanto/right/port1", "1");
        QVERIFY(allowed.start(&error));
        QTRY_VERIFY_WITH_TIMEOUT(allowed.link().state() == MqttLink::State::Connected, Wait);
        QCOMPARE(count(other->session(), EventKind::FeedRefused), 0);
    }

    void aWatcherDecodesWhatTheDeckDecoded()
    {
        MqttBroker broker;
        QVERIFY(broker.start());
        const auto deck = deckRun();
        ShorePublisher publisher(*deck, address(broker), Prefix, "1");
        QString error;
        QVERIFY(publisher.start(&error));
        QTRY_VERIFY_WITH_TIMEOUT(publisher.link().state() == MqttLink::State::Connected, Wait);

        frmVANTOPortTestGui window(std::make_unique<FakeSerialControl>());
        ShoreWatcher watcher(window.run(), address(broker), Prefix);
        QVERIFY(watcher.start(&error));
        window.watch(Prefix);
        QCOMPARE(window.windowTitle(), frmVANTOPortTestGui::Caption + " [watching vanto/testhost/port1]");
        for (const char *name : {"cmdFstUpdt", "cmdLoaded", "cmd1PPSOnOff"})
            QVERIFY2(!window.findChild<QPushButton *>(name)->isEnabled(), name);
        for (const char *name : {"mnuComms", "mnuLogging", "mnuPortTest"})
            QVERIFY2(!window.findChild<QAction *>(name)->isEnabled(), name);
        QVERIFY(window.findChild<QAction *>("mnuTrends")->isEnabled());
        // Subscribed once the deck's retained status is there.
        QTRY_VERIFY_WITH_TIMEOUT(window.run().status().text.startsWith("Watching vanto/testhost/port1 (deck online)"),
                                 Wait);
        QVERIFY2(window.run().status().text.contains(
                     "shore feed: connected  |  deck: Port 1: /dev/fake1, not open, readings not current"),
                 qPrintable(window.run().status().text));

        QStringList deckShown, watcherShown;
        const auto shown = [](QStringList &into) {
            return [&into](const Poll &p) {
                const DecodedReply &r = p.newest().shown;
                into << QStringList{r.Text1,
                                    r.lblCommStatData,
                                    r.txtLoadCanTemp.value_or("-"),
                                    r.txtCtrCanTemp.value_or("-"),
                                    r.txtPlsFreq.value_or("-"),
                                    r.txtPlsWdth.value_or("-"),
                                    r.lbl400VDC.value_or("-"),
                                    r.lbl48VDC.value_or("-"),
                                    r.cmdLoaded ? r.cmdLoaded->Caption : "-"}
                            .join('|');
            };
        };
        connect(deck.get(), &PortRun::replied, this, shown(deckShown));
        connect(&window.run(), &PortRun::replied, this, shown(watcherShown));
        for (const QString &r : {reply(1), QString("301,291,*"), QString("300.5,290,n/a,x,4000,3500,l,0,*")})
            deck->takeReplies({r});
        QTRY_COMPARE_WITH_TIMEOUT(watcherShown.size(), deckShown.size(), Wait);
        QCOMPARE(watcherShown, deckShown);
        QCOMPARE(window.findChild<QLineEdit *>("txtLoadCanTemp")->text(), "27.5");
        QVERIFY(window.session().isFresh(Reading::Supply48));
        QCOMPARE(window.session().currentSupplies()->volts400, deck->session().currentSupplies()->volts400);
        // Nothing goes back: the deck was never asked anything.
        QVERIFY(static_cast<FakeSerialControl &>(deck->VANTOSerComm()).writes.isEmpty());
        QVERIFY(static_cast<FakeSerialControl &>(window.VANTOSerComm()).writes.isEmpty());

        // A deck gone quiet goes stale on the watcher's own clock, then offline.
        QTRY_VERIFY_WITH_TIMEOUT(!window.session().isFresh(Reading::Supply48), Wait);
        publisher.finish();
        QTRY_VERIFY_WITH_TIMEOUT(window.run().status().text.startsWith("Watching vanto/testhost/port1 (deck offline)"),
                                 Wait);
    }
};

QTEST_MAIN(tst_shore_e2e)
#include "tst_shore_e2e.moc"
