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
    }
};

QTEST_GUILESS_MAIN(tst_replay_e2e)
#include "tst_replay_e2e.moc"
