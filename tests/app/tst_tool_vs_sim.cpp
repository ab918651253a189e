#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <csignal>

namespace {
const QString Tool = QStringLiteral(VANTO_TOOL_BINARY);

// Signals the tool if it still runs. A process that has ended has no id, and
// kill(0, ...) would signal the whole process group, the test run included.
void signalTool(const QProcess &tool, int signalNumber)
{
    if (tool.processId() > 0)
        ::kill(pid_t(tool.processId()), signalNumber);
}

QStringList argumentsOf(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList args = QString::fromLocal8Bit(f.readAll()).split(QLatin1Char('\0'));
    if (!args.isEmpty() && args.last().isEmpty())
        args.removeLast();
    return args;
}

// The parent's pid from /proc/<pid>/stat; the command name in brackets may hold spaces.
qint64 parentOf(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray stat = f.readAll();
    const QList<QByteArray> rest = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    return rest.size() > 1 ? rest[1].toLongLong() : -1;
}

// Running simulators whose command line names the given link (any link when empty).
QList<qint64> simulators(const QString &link, qint64 parent = -1)
{
    QList<qint64> found;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (!isPid)
            continue;
        const QStringList args = argumentsOf(pid);
        if (args.isEmpty() || !args.first().endsWith(QLatin1String("vanto-controller-sim")))
            continue;
        if ((link.isEmpty() || args.contains(link)) && (parent < 0 || parentOf(pid) == parent))
            found << pid;
    }
    return found;
}

bool gone(qint64 pid)
{
    // A zombie still has a /proc entry, but no command line.
    return argumentsOf(pid).isEmpty();
}
} // namespace

// The tool as a technician runs it, against the controller simulator.
class tst_tool_vs_sim : public QObject
{
    Q_OBJECT

private slots:
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("stdoutHas");
        QTest::addColumn<QString>("stderrHas");
        QTest::newRow("help") << QStringList{"--help"} << 0 << "--simulate"
                              << "";
        QTest::newRow("help names trace") << QStringList{"--help"} << 0 << "--trace"
                                          << "";
        QTest::newRow("version") << QStringList{"--version"} << 0 << "1.0.0"
                                 << "";
        QTest::newRow("port 9") << QStringList{"--port", "9=/dev/x"} << 2 << ""
                                << "must be 1 to 8";
        QTest::newRow("port without device") << QStringList{"--port", "1="} << 2 << ""
                                             << "no device given";
        QTest::newRow("list ports, port 9") << QStringList{"--list-ports", "--port", "9=/dev/x"} << 2 << ""
                                            << "must be 1 to 8";
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, stdoutHas);
        QFETCH(QString, stderrHas);
        QProcess tool;
        tool.start(Tool, arguments);
        QVERIFY(tool.waitForFinished(10000));
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool.exitCode(), exitCode);
        QVERIFY2(QString::fromLocal8Bit(tool.readAllStandardOutput()).contains(stdoutHas), qPrintable(stdoutHas));
        const QString errors = QString::fromLocal8Bit(tool.readAllStandardError());
        QVERIFY2(errors.contains(stderrHas), qPrintable(errors));
    }

    // The port list needs no display: it is answered before any window system is asked for.
    void listsPortsWithoutADisplay()
    {
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QLatin1String(name));
        tool.setProcessEnvironment(env);
        tool.start(Tool, {QStringLiteral("--list-ports"), QStringLiteral("--port"), QStringLiteral("2=/dev/ttyS0")});
        QVERIFY(tool.waitForFinished(10000));
        QCOMPARE(tool.exitCode(), 0);
        const QStringList lines = QString::fromLocal8Bit(tool.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        QVERIFY(!lines.isEmpty());
        for (const QString &line : lines)
            QVERIFY2(line == QLatin1String("No serial ports found.") || line.startsWith(QLatin1String("/dev/")),
                     qPrintable(line));
        // Where the machine has a first built-in port, the mapping reaches it.
        for (const QString &line : lines)
            if (line.startsWith(QLatin1String("/dev/ttyS0;")) || line.startsWith(QLatin1String("/dev/ttyS0 ")))
                QVERIFY2(line.endsWith(QLatin1String("; port 2")), qPrintable(line));
    }

    // A few seconds of polling the simulator, then the tool is ended from
    // outside; its simulator must not outlive it.
    void pollsTheSimulatorAndTakesItAlong_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("terminated") << int(SIGTERM);
        QTest::newRow("interrupted") << int(SIGINT);
        QTest::newRow("killed") << int(SIGKILL);
    }
    void pollsTheSimulatorAndTakesItAlong()
    {
        QFETCH(int, signalNumber);
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        tool.setProcessEnvironment(env);
        tool.start(Tool, {QStringLiteral("--simulate"), QStringLiteral("--trace")});
        QVERIFY(tool.waitForStarted(5000));

        // The first poll: nothing sent before it, so nothing to read.
        QVERIFY(tool.waitForReadyRead(5000));
        while (!tool.canReadLine())
            QVERIFY(tool.waitForReadyRead(2000));
        QCOMPARE(tool.readLine().trimmed(), QByteArray("reply ? | No Data | sent u"));

        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 3000)
            tool.waitForReadyRead(int(3000 - clock.elapsed()));
        const QStringList lines
            = QString::fromLocal8Bit(tool.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        const QString shown = lines.join(QLatin1Char('\n'));
        QVERIFY2(lines.size() >= 10 && lines.size() <= 14, qPrintable(QString::number(lines.size()) + "\n" + shown));

        // Telemetry decoded without complaint: an empty status, the load reported disconnected.
        const QRegularExpression decoded(
            QStringLiteral(R"(^reply [0-9.]+,[0-9.]+,\d+,\d+,\d+,\d+,u,0,\* \|  \| sent u$)"));
        int decodedLines = 0;
        for (const QString &line : lines)
            decodedLines += decoded.match(line).hasMatch() ? 1 : 0;
        QVERIFY2(decodedLines >= lines.size() - 2, qPrintable(shown));

        const QList<qint64> children = simulators(QString(), tool.processId());
        QCOMPARE(children.size(), 1);
        const qint64 sim = children.first();
        const QStringList simArgs = argumentsOf(sim);
        const qsizetype linkAt = simArgs.indexOf(QStringLiteral("--link"));
        QVERIFY(linkAt >= 0 && linkAt + 1 < simArgs.size());
        const QString link = simArgs.at(linkAt + 1);
        QVERIFY(QFileInfo(link).isSymLink());

        signalTool(tool, signalNumber);
        QVERIFY(tool.waitForFinished(5000));
        if (signalNumber != SIGKILL) {
            // Ended as Exit ends it, tidying up after itself.
            QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
            QCOMPARE(tool.exitCode(), 0);
            QVERIFY(!QFileInfo::exists(QFileInfo(link).absolutePath()));
        }
        QTRY_VERIFY_WITH_TIMEOUT(gone(sim), 3000);
        QVERIFY(simulators(link).isEmpty());
        if (signalNumber == SIGKILL)
            QDir(QFileInfo(link).absolutePath()).removeRecursively(); // a killed tool can't tidy up
    }

    // The simulated device goes away and comes back as a new one under the same
    // link, as a re-plugged adapter does: the tool follows it by itself.
    void followsTheDeviceWhenItReappears()
    {
        QProcess tool;
        tool.start(Tool,
                   {QStringLiteral("--simulate"), QStringLiteral("--trace"),
                    QStringLiteral("--sim-arg=--vanish-every=2.5"), QStringLiteral("--sim-arg=--vanish-for=0.5")});
        QVERIFY(tool.waitForStarted(5000));
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 5000)
            tool.waitForReadyRead(int(5000 - clock.elapsed()));
        const QStringList lines
            = QString::fromLocal8Bit(tool.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        signalTool(tool, SIGTERM);
        QVERIFY(tool.waitForFinished(5000));

        // Runs of polls without telemetry: the device was away.
        QList<int> outages;
        int run = 0;
        for (const QString &line : lines) {
            if (line.contains(QLatin1String(",u,0,* |  | sent u"))) {
                if (run > 0)
                    outages << run;
                run = 0;
            } else {
                ++run;
            }
        }
        const QString shown = lines.join(QLatin1Char('\n'));
        QVERIFY2(outages.size() >= 2, qPrintable(shown)); // start-up and a return
        for (const int ticks : outages.mid(1))
            QVERIFY2(ticks <= 9, qPrintable(shown)); // half a second away, about a second to notice
        QVERIFY2(shown.contains(QLatin1String("reply  | No Data | sent -")), qPrintable(shown));
    }
};

QTEST_GUILESS_MAIN(tst_tool_vs_sim)
#include "tst_tool_vs_sim.moc"
