#include "model/ControlCommand.h"
#include "model/ControllerModel.h"
#include "model/FaultInjector.h"

#include <QtTest>

#include <QProcess>
#include <QRegularExpression>
#include <QSerialPort>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

const QRegularExpression TelemetryReply(
    QStringLiteral("^(\\d{3}\\.\\d{2}),(\\d{3}\\.\\d{2}),(\\d+),(\\d+),(\\d{1,4}),(\\d{1,4}),([ul]),0,\\*$"));

QStringList fieldsOf(const QByteArray &reply)
{
    const QRegularExpressionMatch match = TelemetryReply.match(QString::fromLatin1(reply));
    return match.hasMatch() ? match.capturedTexts().mid(1) : QStringList();
}

// The tool's conversions, to see the counts land on the readouts they stand for.
int volts400(int count)
{
    return int(std::floor(count / 4096.0 * 400));
}
int volts48(int count)
{
    return int(std::floor(count / 4096.0 * 60));
}

// One end-to-end run of the real simulator binary.
struct SimProcess
{
    QProcess process;

    QString start(const QStringList &arguments)
    {
        process.start(QStringLiteral(VANTO_SIM_BINARY), arguments);
        if (!process.waitForStarted(5000))
            return QString();
        return nextPath(5000);
    }
    QString nextPath(int timeoutMs)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (!process.canReadLine() && !deadline.hasExpired()
               && process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())))) {
        }
        return QString::fromLocal8Bit(process.readLine()).trimmed();
    }
    ~SimProcess()
    {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            if (!process.waitForFinished(3000))
                process.kill();
            process.waitForFinished(3000);
        }
    }
};

int openDevice(const QString &path)
{
    return ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
}

// Reads until a "*" arrives or the time is up; returns what came.
QByteArray readReply(int fd, int timeoutMs)
{
    QByteArray reply;
    QDeadlineTimer deadline(timeoutMs);
    while (!reply.endsWith('*') && !deadline.hasExpired()) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, int(qMax<qint64>(1, deadline.remainingTime()))) <= 0)
            continue;
        if (p.revents & (POLLHUP | POLLERR))
            break;
        char c;
        if (::read(fd, &c, 1) == 1)
            reply += c;
    }
    return reply;
}

QByteArray exchange(int fd, char letter, int timeoutMs = 1000)
{
    if (::write(fd, &letter, 1) != 1)
        return QByteArray();
    return readReply(fd, timeoutMs);
}

} // namespace

class tst_simulator : public QObject
{
    Q_OBJECT
private slots:
    // The controller model, driven directly.

    void replyHasEightCommaTerminatedFields()
    {
        ControllerModel model(1);
        for (int i = 0; i < 50; ++i) {
            const QByteArray reply = model.nextReply();
            QVERIFY2(!fieldsOf(reply).isEmpty(), reply.constData());
            QCOMPARE(reply.count(','), 8);
        }
    }

    void commandLetters_data()
    {
        QTest::addColumn<QByteArray>("letters");
        QTest::addColumn<bool>("answered");
        QTest::addColumn<char>("load");
        QTest::addColumn<bool>("sense");
        QTest::addColumn<bool>("fast");
        QTest::newRow("start") << QByteArray() << false << 'u' << false << false;
        QTest::newRow("load") << QByteArray("l") << true << 'l' << false << false;
        QTest::newRow("load then unload") << QByteArray("lu") << true << 'u' << false << false;
        QTest::newRow("sense on") << QByteArray("E") << true << 'u' << true << false;
        QTest::newRow("sense on, off") << QByteArray("ED") << true << 'u' << false << false;
        QTest::newRow("fast") << QByteArray("f") << true << 'u' << false << true;
        QTest::newRow("fast, slow") << QByteArray("fs") << true << 'u' << false << false;
        QTest::newRow("state kept across letters") << QByteArray("lEf") << true << 'l' << true << true;
        QTest::newRow("upper-case L is not a command") << QByteArray("L") << false << 'u' << false << false;
        QTest::newRow("lower-case e is not a command") << QByteArray("e") << false << 'u' << false << false;
        QTest::newRow("line end") << QByteArray("\r\n") << false << 'u' << false << false;
        QTest::newRow("terminator") << QByteArray("*") << false << 'u' << false << false;
        QTest::newRow("NUL") << QByteArray(1, '\0') << false << 'u' << false << false;
    }
    void commandLetters()
    {
        QFETCH(QByteArray, letters);
        QFETCH(bool, answered);
        QFETCH(char, load);
        QFETCH(bool, sense);
        QFETCH(bool, fast);
        ControllerModel model(7);
        bool any = false;
        for (char c : letters)
            any = model.applyCommand(c) || any;
        QCOMPARE(any, answered);
        QCOMPARE(model.loadState(), load);
        QCOMPARE(model.ppsSense(), sense);
        QCOMPARE(model.fastUpdate(), fast);
    }

    void loadStateIsEchoed()
    {
        ControllerModel model(3);
        QCOMPARE(fieldsOf(model.nextReply()).at(6), QStringLiteral("u"));
        model.applyCommand('l');
        QCOMPARE(fieldsOf(model.nextReply()).at(6), QStringLiteral("l"));
        model.applyCommand('E'); // other letters leave the load alone
        QCOMPARE(fieldsOf(model.nextReply()).at(6), QStringLiteral("l"));
        model.applyCommand('u');
        QCOMPARE(fieldsOf(model.nextReply()).at(6), QStringLiteral("u"));
    }

    void ppsSenseShowsInReply()
    {
        ControllerModel model(5);
        for (int i = 0; i < 20; ++i) {
            const QStringList f = fieldsOf(model.nextReply());
            QCOMPARE(f.at(2), QStringLiteral("0"));
            QCOMPARE(f.at(3), QStringLiteral("0"));
        }
        model.applyCommand('E');
        for (int i = 0; i < 20; ++i) {
            const QStringList f = fieldsOf(model.nextReply());
            QCOMPARE(f.at(2), QStringLiteral("1"));
            QVERIFY2(f.at(3).toInt() >= 9 && f.at(3).toInt() <= 11, qPrintable(f.at(3)));
        }
        model.applyCommand('D');
        const QStringList f = fieldsOf(model.nextReply());
        QCOMPARE(f.at(2), QStringLiteral("0"));
        QCOMPARE(f.at(3), QStringLiteral("0"));
    }

    void fastUpdateHoldsPpsReadings()
    {
        ControllerModel model(11);
        model.applyCommand('E');
        QSet<QString> slowWidths;
        for (int i = 0; i < 200; ++i)
            slowWidths.insert(fieldsOf(model.nextReply()).at(3));
        QVERIFY(slowWidths.size() > 1); // measured afresh each time, so it jitters

        model.applyCommand('f');
        const QStringList held = fieldsOf(model.nextReply());
        for (int i = 0; i < 200; ++i) {
            const QStringList f = fieldsOf(model.nextReply());
            QCOMPARE(f.at(2), held.at(2));
            QCOMPARE(f.at(3), held.at(3));
        }
        model.applyCommand('D'); // sense off reads 0 even in fast update
        QCOMPARE(fieldsOf(model.nextReply()).at(2), QStringLiteral("0"));
    }

    void supplies_data()
    {
        QTest::addColumn<bool>("live");
        QTest::addColumn<int>("lowest400");
        QTest::addColumn<int>("highest400");
        QTest::addColumn<int>("lowest48");
        QTest::addColumn<int>("highest48");
        // Live: inside the tool's green ranges (338..412, 43..53). Dead: 0 V,
        // below the load interlock's thresholds (40 V, 10 V).
        QTest::newRow("live") << true << 374 << 375 << 47 << 48;
        QTest::newRow("dead") << false << 0 << 0 << 0 << 0;
    }
    void supplies()
    {
        QFETCH(bool, live);
        QFETCH(int, lowest400);
        QFETCH(int, highest400);
        QFETCH(int, lowest48);
        QFETCH(int, highest48);
        ControllerModel model(13);
        model.setSuppliesLive(live);
        QSet<int> counts;
        for (int i = 0; i < 500; ++i) {
            const QStringList f = fieldsOf(model.nextReply());
            const int c1 = f.at(4).toInt();
            const int c2 = f.at(5).toInt();
            counts.insert(c1);
            QVERIFY2(volts400(c1) >= lowest400 && volts400(c1) <= highest400, qPrintable(f.at(4)));
            QVERIFY2(volts48(c2) >= lowest48 && volts48(c2) <= highest48, qPrintable(f.at(5)));
        }
        QVERIFY(counts.size() > 1); // converter noise, never a frozen count
    }

    void readingsDriftWithinPlausibleBounds()
    {
        ControllerModel model(17);
        double previousLoad = ControllerModel::LoadCanAmbientK;
        double lowest = 1e9, highest = -1e9;
        for (int i = 0; i < 20000; ++i) {
            const QStringList f = fieldsOf(model.nextReply());
            QVERIFY(!f.isEmpty());
            const double load = f.at(0).toDouble();
            const double control = f.at(1).toDouble();
            QVERIFY2(qAbs(load - ControllerModel::LoadCanAmbientK) < 2.0, qPrintable(f.at(0)));
            QVERIFY2(qAbs(control - ControllerModel::ControlCanAmbientK) < 2.0, qPrintable(f.at(1)));
            QVERIFY2(qAbs(load - previousLoad) <= 0.05, "a can's temperature jumped");
            previousLoad = load;
            lowest = qMin(lowest, load);
            highest = qMax(highest, load);
        }
        QVERIFY(highest - lowest > 0.1); // it does wander
    }

    void engagedLoadWarmsItsCanSlowly()
    {
        ControllerModel model(19);
        model.applyCommand('l');
        double load = 0;
        for (int i = 0; i < 40; ++i) // ten seconds of polling
            load = fieldsOf(model.nextReply()).at(0).toDouble();
        QVERIFY2(load < ControllerModel::LoadCanAmbientK + 1.0, "warmed too fast");
        for (int i = 0; i < 2000; ++i)
            load = fieldsOf(model.nextReply()).at(0).toDouble();
        QVERIFY(load > ControllerModel::LoadCanAmbientK + 4.0);
        QVERIFY(load < ControllerModel::LoadCanAmbientK + ControllerModel::LoadHeatingK + 1.5);
        model.applyCommand('u');
        for (int i = 0; i < 4000; ++i)
            load = fieldsOf(model.nextReply()).at(0).toDouble();
        QVERIFY(load < ControllerModel::LoadCanAmbientK + 1.0);
    }

    void seedReproducesReadings()
    {
        ControllerModel a(42), b(42), c(43);
        bool differs = false;
        for (int i = 0; i < 100; ++i) {
            const char letter = "ulEDsf"[i % 6];
            a.applyCommand(letter);
            b.applyCommand(letter);
            c.applyCommand(letter);
            const QByteArray ra = a.nextReply();
            QCOMPARE(b.nextReply(), ra);
            differs = differs || c.nextReply() != ra;
        }
        QVERIFY(differs);
    }

    // Faults.

    void noFaultsPassRepliesThrough()
    {
        FaultInjector faults(FaultRates{}, 1);
        const QByteArray reply("300.15,290.15,1,10,3840,3277,u,0,*");
        for (int i = 0; i < 100; ++i) {
            const Delivery d = faults.deliver(reply);
            QCOMPARE(d.first, reply);
            QVERIFY(d.second.isEmpty());
        }
    }

    void eachFault_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("silence") << QStringLiteral("silence");
        QTest::newRow("garble") << QStringLiteral("garble");
        QTest::newRow("split") << QStringLiteral("split");
        QTest::newRow("text messages") << QStringLiteral("text");
    }
    void eachFault()
    {
        QFETCH(QString, fault);
        FaultRates rates;
        if (fault == QLatin1String("silence"))
            rates.silence = 1;
        else if (fault == QLatin1String("garble"))
            rates.garble = 1;
        else if (fault == QLatin1String("split"))
            rates.split = 1;
        else
            rates.textMessages = 1;
        FaultInjector faults(rates, 99);
        ControllerModel model(99);
        int terminatorsLost = 0, terminatorsDoubled = 0;
        for (int i = 0; i < 400; ++i) {
            const QByteArray reply = model.nextReply();
            const Delivery d = faults.deliver(reply);
            const QByteArray wire = d.first + d.second;
            if (fault == QLatin1String("silence")) {
                QVERIFY(wire.isEmpty());
            } else if (fault == QLatin1String("garble")) {
                QVERIFY(wire != reply);
                const qsizetype body = reply.size() - 1;
                QCOMPARE(wire.left(body).size(), body); // bytes replaced, not dropped
                terminatorsLost += wire.size() == body;
                terminatorsDoubled += wire.endsWith("**");
            } else if (fault == QLatin1String("split")) {
                QCOMPARE(wire, reply);
                QVERIFY(!d.first.isEmpty() && !d.second.isEmpty());
                QVERIFY(d.secondDelayMs >= 20 && d.secondDelayMs <= 60);
            } else {
                QVERIFY(FaultInjector::textMessages().contains(wire));
                QVERIFY(wire.startsWith('T') || wire.startsWith('C'));
                QVERIFY(wire.endsWith('*'));
            }
        }
        if (fault == QLatin1String("garble")) {
            QVERIFY(terminatorsLost > 40);
            QVERIFY(terminatorsDoubled > 40);
        }
    }

    void faultRateIsAFraction()
    {
        FaultRates rates;
        rates.silence = 0.25;
        FaultInjector faults(rates, 5);
        int silent = 0;
        for (int i = 0; i < 4000; ++i)
            silent += faults.deliver("1,2,3,4,5,6,u,0,*").first.isEmpty();
        QVERIFY2(silent > 850 && silent < 1150, qPrintable(QString::number(silent)));
    }

    void seedReproducesFaults()
    {
        const FaultRates rates{0.2, 0.2, 0.2, 0.2};
        FaultInjector a(rates, 8), b(rates, 8), c(rates, 9);
        const QByteArray reply("300.15,290.15,1,10,3840,3277,u,0,*");
        bool differs = false;
        for (int i = 0; i < 300; ++i) {
            const Delivery da = a.deliver(reply);
            const Delivery db = b.deliver(reply);
            const Delivery dc = c.deliver(reply);
            QCOMPARE(db.first, da.first);
            QCOMPARE(db.second, da.second);
            QCOMPARE(db.secondDelayMs, da.secondDelayMs);
            differs = differs || dc.first != da.first || dc.second != da.second;
        }
        QVERIFY(differs);
    }

    // The real program over a pseudo-terminal.

    void answersCommandsOverThePseudoTerminal()
    {
        SimProcess sim;
        const QString path = sim.start({QStringLiteral("--seed"), QStringLiteral("1")});
        QVERIFY2(path.startsWith(QLatin1String("/dev/")), qPrintable(path));
        const int fd = openDevice(path);
        QVERIFY(fd >= 0);
        auto closeFd = qScopeGuard([fd] { ::close(fd); });

        QStringList f = fieldsOf(exchange(fd, 'u'));
        QVERIFY(!f.isEmpty());
        QCOMPARE(f.at(6), QStringLiteral("u"));
        f = fieldsOf(exchange(fd, 'l'));
        QVERIFY(!f.isEmpty());
        QCOMPARE(f.at(6), QStringLiteral("l"));
        QCOMPARE(fieldsOf(exchange(fd, 'E')).at(2), QStringLiteral("1"));

        // Anything else is ignored: no reply, nothing left behind for the next one.
        QCOMPARE(exchange(fd, 'x', 300), QByteArray());
        QCOMPARE(exchange(fd, '\r', 300), QByteArray());
        f = fieldsOf(exchange(fd, 'u'));
        QVERIFY(!f.isEmpty());
        QCOMPARE(f.at(6), QStringLiteral("u"));
        QCOMPARE(sim.process.readAllStandardOutput(), QByteArray()); // stdout holds paths only
    }

    // What a person at the node does, as control lines: the fields of the
    // next reply after them ('-' a field left to the model), and the error.
    void control_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("fields"); // supplies live?, pps field, held fields "i=value"
        QTest::addColumn<QString>("error");
        QTest::newRow("supplies on") << QStringList{"supplies on"} << "live" << QString();
        QTest::newRow("supplies on, off") << QStringList{"supplies on", "supplies off"} << "dead" << QString();
        QTest::newRow("pulse gone with sense on") << QStringList{"pps off"} << "dead,2=0,3=0" << QString();
        QTest::newRow("hold 400 V supply at 420 V") << QStringList{"hold supply_400 420"} << "live,4=4301" << QString();
        QTest::newRow("hold 48 V supply, temperature")
            << QStringList{"hold supply_48 55", "hold load_can_temp 61.5"} << "dead,5=3755,0=334.50" << QString();
        QTest::newRow("held, then released")
            << QStringList{"supplies on", "hold supply_400 300", "release supply_400"} << "live" << QString();
        QTest::newRow("release all") << QStringList{"supplies on", "hold supply_400 300", "hold pulse_frequency 7",
                                                    "release"}
                                     << "live,2=1" << QString();
        QTest::newRow("unknown reading") << QStringList{"hold ch3_volts 1"} << "dead"
                                         << QStringLiteral("no reading called ch3_volts");
        QTest::newRow("not a number") << QStringList{"hold supply_48 lots"} << "dead"
                                      << QStringLiteral("lots is not a number");
        QTest::newRow("on or off") << QStringList{"supplies maybe"} << "dead"
                                   << QStringLiteral("supplies wants on or off");
        QTest::newRow("unknown") << QStringList{"reboot now"} << "dead"
                                 << QStringLiteral("unknown control \"reboot now\"");
    }
    void control()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, fields);
        QFETCH(QString, error);
        ControllerModel model(1);
        model.applyCommand('E'); // 1PPS sense on, slow update: a 10 us pulse while it arrives
        QString got;
        for (const QString &line : lines)
            got = applyControl(model, line);
        QCOMPARE(got, error);
        const QStringList f = fieldsOf(model.nextReply());
        QVERIFY(!f.isEmpty());
        QStringList want = fields.split(QLatin1Char(','));
        QCOMPARE(volts400(f.at(4).toInt()) > 300, want.takeFirst() == QLatin1String("live"));
        for (const QString &held : want) {
            const QStringList kv = held.split(QLatin1Char('='));
            QCOMPARE(f.at(kv[0].toInt()), kv[1]);
        }
    }

    void sigusr1TogglesSupplies()
    {
        SimProcess sim;
        const QString path = sim.start({});
        const int fd = openDevice(path);
        QVERIFY(fd >= 0);
        auto closeFd = qScopeGuard([fd] { ::close(fd); });
        QVERIFY(fieldsOf(exchange(fd, 'u')).at(4).toInt() < 5);
        const pid_t pid = pid_t(sim.process.processId());
        QVERIFY(pid > 0); // kill(0, ...) would signal the test run itself
        ::kill(pid, SIGUSR1);
        int channel1 = 0;
        QTRY_VERIFY_WITH_TIMEOUT((channel1 = fieldsOf(exchange(fd, 'u')).value(4).toInt()) > 3000, 2000);
        QVERIFY(volts400(channel1) == 374 || volts400(channel1) == 375);
        const int volts = volts48(fieldsOf(exchange(fd, 'u')).value(5).toInt());
        QVERIFY(volts == 47 || volts == 48);
        ::kill(pid, SIGUSR1);
        QTRY_VERIFY_WITH_TIMEOUT(fieldsOf(exchange(fd, 'u')).value(4).toInt() < 5, 2000);
        QCOMPARE(sim.process.state(), QProcess::Running);
    }

    void linkPointsAtDeviceAndGoesOnExit()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("ttyVANTO"));
        QVERIFY(QFile::link(QStringLiteral("/nonexistent"), link)); // a stale link is replaced
        SimProcess sim;
        const QString path = sim.start({QStringLiteral("--link"), link});
        QCOMPARE(QFileInfo(link).symLinkTarget(), path);
        const int fd = openDevice(link);
        QVERIFY(fd >= 0);
        QVERIFY(!fieldsOf(exchange(fd, 'u')).isEmpty());
        ::close(fd);

        sim.process.terminate();
        QVERIFY(sim.process.waitForFinished(3000));
        QCOMPARE(sim.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.process.exitCode(), 0);
        QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
    }

    void linkNeverReplacesAFile()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("notes.txt"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("keep me");
        f.close();
        SimProcess sim;
        QCOMPARE(sim.start({QStringLiteral("--link"), file}), QString());
        sim.process.waitForFinished(3000);
        QCOMPARE(sim.process.state(), QProcess::NotRunning);
        QVERIFY(sim.process.exitCode() != 0);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("keep me"));
    }

    void badOptionValuesAreRefused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("rate above 1") << QStringList{QStringLiteral("--silence"), QStringLiteral("1.5")};
        QTest::newRow("negative rate") << QStringList{QStringLiteral("--garble"), QStringLiteral("-0.1")};
        QTest::newRow("rate not a number") << QStringList{QStringLiteral("--split"), QStringLiteral("often")};
        QTest::newRow("zero vanish period") << QStringList{QStringLiteral("--vanish-every"), QStringLiteral("0")};
        QTest::newRow("stray argument") << QStringList{QStringLiteral("/dev/ttyS0")};
    }
    void badOptionValuesAreRefused()
    {
        QFETCH(QStringList, arguments);
        QProcess process;
        process.start(QStringLiteral(VANTO_SIM_BINARY), arguments);
        QVERIFY(process.waitForFinished(3000));
        QVERIFY(process.exitCode() != 0);
        QCOMPARE(process.readAllStandardOutput(), QByteArray());
        QVERIFY(!process.readAllStandardError().isEmpty());
    }

    void vanishedDeviceComesBackAtTheLink()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("ttyVANTO"));
        SimProcess sim;
        const QString first = sim.start({QStringLiteral("--link"), link, QStringLiteral("--vanish-every"),
                                         QStringLiteral("0.5"), QStringLiteral("--vanish-for"), QStringLiteral("0.5")});
        QCOMPARE(QFileInfo(link).symLinkTarget(), first);
        const int fd = openDevice(link);
        QVERIFY(fd >= 0);
        auto closeFd = qScopeGuard([fd] { ::close(fd); });
        QVERIFY(!fieldsOf(exchange(fd, 'u')).isEmpty());

        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo(link).isSymLink(), 2000);
        // The open port fails, as a pulled adapter does.
        pollfd p{fd, POLLIN, 0};
        QCOMPARE(::poll(&p, 1, 1000), 1);
        QVERIFY(p.revents & (POLLHUP | POLLERR));
        QCOMPARE(openDevice(link), -1);

        const QString second = sim.nextPath(2000);
        QVERIFY2(second.startsWith(QLatin1String("/dev/")), qPrintable(second));
        QCOMPARE(QFileInfo(link).symLinkTarget(), second);
        const int again = openDevice(link);
        QVERIFY(again >= 0);
        auto closeAgain = qScopeGuard([again] { ::close(again); });
        QCOMPARE(fieldsOf(exchange(again, 'l')).value(6), QStringLiteral("l"));
    }

    void serialPortTalksThroughTheLink()
    {
        // The tool opens the link as a serial port at 9600 8N1, polls, and
        // must see the port fail when the device goes away.
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("ttyVANTO"));
        SimProcess sim;
        QVERIFY(!sim.start({QStringLiteral("--link"), link, QStringLiteral("--supplies-live"),
                            QStringLiteral("--vanish-every"), QStringLiteral("0.6")})
                     .isEmpty());
        QSerialPort port(link);
        port.setBaudRate(QSerialPort::Baud9600);
        port.setDataBits(QSerialPort::Data8);
        port.setParity(QSerialPort::NoParity);
        port.setStopBits(QSerialPort::OneStop);
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
        QSignalSpy errors(&port, &QSerialPort::errorOccurred);

        port.write("u");
        QByteArray reply;
        QTRY_VERIFY_WITH_TIMEOUT((reply += port.readAll()).endsWith('*'), 1000);
        const QStringList f = fieldsOf(reply);
        QVERIFY2(!f.isEmpty(), reply.constData());
        QVERIFY(volts400(f.at(4).toInt()) >= 374 && volts400(f.at(4).toInt()) <= 375);

        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo(link).isSymLink(), 2000);
        port.write("u"); // the next poll's command
        QTRY_VERIFY_WITH_TIMEOUT(port.error() != QSerialPort::NoError, 2000);
        QVERIFY(!errors.isEmpty());
    }

    void endsWithItsParent()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("ttyVANTO"));
        QProcess shell;
        shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("\"$0\" --link \"$1\" & wait"),
                                                QStringLiteral(VANTO_SIM_BINARY), link});
        QVERIFY(shell.waitForStarted(3000));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(link).isSymLink(), 3000);
        shell.kill();
        QVERIFY(shell.waitForFinished(3000));
        // The orphan was told to end and cleaned up after itself.
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo(link).isSymLink(), 3000);
    }
};

QTEST_GUILESS_MAIN(tst_simulator)
#include "tst_simulator.moc"
