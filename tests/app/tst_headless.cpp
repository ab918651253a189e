#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

// The recorder with no display, the real programs: it waits for a port that
// isn't there yet, records a CSV and a log once the controller answers, and a
// SIGTERM ends it with both files whole.
class tst_headless : public QObject
{
    Q_OBJECT

    static QByteArray readFile(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void recordsWithoutADisplayAndEndsCleanly()
    {
        QTemporaryDir home;
        const QString line = home.filePath(QStringLiteral("line"));
        const QString csv = home.filePath(QStringLiteral("soak.csv"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QLatin1String(name));

        QProcess tool;
        tool.setProcessEnvironment(env);
        tool.start(QStringLiteral(VANTO_TOOL_BINARY),
                   {"--headless", "--port", "1=" + line, "--csv", csv, "--log", "soak"});
        QVERIFY(tool.waitForStarted());
        QByteArray said;
        const auto waitFor = [&](const char *text, int ms) {
            QDeadlineTimer deadline(ms);
            while (!said.contains(text) && !deadline.hasExpired()) {
                tool.waitForReadyRead(100);
                said += tool.readAllStandardOutput();
            }
            return said.contains(text);
        };
        QVERIFY2(waitFor("not open", 5000), said.constData());
        QVERIFY(tool.readAllStandardError().contains("Incorrect comm port configuration for this machine!"));

        // The controller comes: the recorder opens the port by itself.
        QProcess sim;
        sim.start(QStringLiteral(VANTO_SIM_BINARY), {"--link", line, "--supplies-live"});
        QVERIFY(sim.waitForStarted());
        QVERIFY2(waitFor("readings current", 5000), said.constData());
        QVERIFY(said.contains("Port 1: " + line.toLocal8Bit() + "  |  "));
        // Two log ticks: the header, then a record.
        QTest::qWait(8500);

        ::kill(pid_t(tool.processId()), SIGTERM);
        QVERIFY(tool.waitForFinished(5000));
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool.exitCode(), 0);
        sim.terminate();
        sim.waitForFinished(5000);

        const QList<QByteArray> rows = readFile(csv).split('\n');
        QVERIFY(rows.first().startsWith("time,load_can_temp_c,"));
        QVERIFY(rows.last().isEmpty()); // the last row is whole
        int readings = 0;
        for (const QByteArray &row : rows)
            readings += row.split(',').value(6).toDouble() > 370; // ch1_volts, the 400 V live
        QVERIFY2(readings >= 20, qPrintable(QString::number(readings)));

        const QList<QByteArray> log = readFile(QDir(home.filePath("VANTOData")).filePath("soak.log")).split('\n');
        QVERIFY2(log.size() >= 3, qPrintable(QString::number(log.size())));
        QVERIFY(log[0].startsWith("Date     Time") && log[0].endsWith('\r'));
        QVERIFY2(log[1].contains(",      ") && log[1].endsWith("      u\r"), log[1].constData());
    }
};

QTEST_GUILESS_MAIN(tst_headless)
#include "tst_headless.moc"
