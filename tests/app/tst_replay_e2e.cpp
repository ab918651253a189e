#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

// The real programs: a session recorded with --csv against the simulator,
// played back through the simulator's --replay into a second CSV file, reads
// the same row for row: every reading, and the controller's messages, in
// their order.
class tst_replay_e2e : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

    // Runs the tool headless on the simulator for ms, recording to csv.
    bool record(const QString &csv, const QStringList &simArgs, int ms)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), m_home.path());
        QProcess tool;
        tool.setProcessEnvironment(env);
        QStringList args{"--headless", "--simulate", "--csv", csv};
        for (const QString &a : simArgs)
            args << "--sim-arg=" + a;
        tool.start(QStringLiteral(VANTO_TOOL_BINARY), args);
        if (!tool.waitForStarted())
            return false;
        QTest::qWait(ms);
        ::kill(pid_t(tool.processId()), SIGTERM);
        return tool.waitForFinished(5000) && tool.exitCode() == 0;
    }

    // The readings of each telemetry row and the text of each controller
    // message, times aside.
    static QStringList readings(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {"(unreadable)"};
        QStringList rows;
        for (const QByteArray &line : file.readAll().split('\n')) {
            const qsizetype comma = line.indexOf(',');
            const QByteArray rest = line.mid(comma + 1);
            if (comma < 0 || line.startsWith("time,"))
                continue;
            if (!rest.startsWith(",,,,,,,,,"))
                rows << QString::fromLatin1(rest);
            else if (rest.endsWith('*') || rest.endsWith("*\""))
                rows << QString::fromLatin1(rest.mid(9)); // a controller message
        }
        return rows;
    }

private slots:
    void aReplayedSessionMatchesItsRecording()
    {
        const QString recorded = m_home.filePath(QStringLiteral("recorded.csv"));
        const QString replayed = m_home.filePath(QStringLiteral("replayed.csv"));
        QVERIFY(record(recorded, {"--supplies-live", "--text-messages=0.05", "--silence=0.05", "--seed=7"}, 8000));
        const QStringList original = readings(recorded);
        QVERIFY2(original.size() > 20, qPrintable(original.join('\n')));

        QVERIFY(record(replayed, {"--replay=" + recorded}, 9500));
        const QStringList again = readings(replayed);
        QCOMPARE(again.mid(0, original.size()), original);
        // Silent once the recording has run out.
        QCOMPARE(again.size(), original.size());

        // --review opens the recording without a port; a damaged copy is
        // told on standard error with its line and column.
        QFile file(recorded);
        file.open(QIODevice::ReadOnly);
        QByteArray damaged = file.readAll();
        const qsizetype at = damaged.indexOf(",u,\n"); // the first telemetry row's load state
        const qsizetype line = damaged.left(at).count('\n') + 1;
        damaged.insert(at + 1, 'x');
        const QString bad = m_home.filePath(QStringLiteral("damaged.csv"));
        QFile out(bad);
        out.open(QIODevice::WriteOnly);
        out.write(damaged);
        out.close();
        for (const QString &path : {recorded, bad}) {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            QProcess tool;
            tool.setProcessEnvironment(env);
            tool.start(QStringLiteral(VANTO_TOOL_BINARY), {"--review", path, "--port", "1=/nonexistent/tty"});
            QVERIFY(tool.waitForStarted());
            QVERIFY(!tool.waitForFinished(2000)); // a window (or the box) stays open
            const QByteArray said = tool.readAllStandardError();
            tool.kill();
            tool.waitForFinished();
            QVERIFY2(!said.contains("comm port"), said.constData());
            if (path == bad)
                QVERIFY2(said.contains("vanto-port-test: " + bad.toLocal8Bit() + ": line " + QByteArray::number(line)
                                       + ", column 10: a load state of more than one"),
                         said.constData());
            else
                QVERIFY2(!said.contains("vanto-port-test:"), said.constData());
        }
    }
};

QTEST_GUILESS_MAIN(tst_replay_e2e)
#include "tst_replay_e2e.moc"
