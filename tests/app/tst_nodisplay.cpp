#include <QProcess>
#include <QtTest>

// The real binary where no display is to be had (over SSH, in a cron job):
// the arguments are answered first, then one line says there is no display.
class tst_nodisplay : public QObject
{
    Q_OBJECT

private slots:
    void answersWithoutADisplay_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("platform"); // QT_QPA_PLATFORM, none if empty
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output"); // all it prints, or how that starts

        const QString noDisplay = QStringLiteral(
            "vanto-port-test: no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY is set): run it "
            "from a desktop session, over \"ssh -X\", or under \"xvfb-run\"\n");
        QTest::newRow("help") << QStringList{"--help"} << "" << 0 << "Usage: ";
        QTest::newRow("version") << QStringList{"--version"} << "" << 0 << "vanto-port-test 1.0.0\n";
        QTest::newRow("bad port") << QStringList{"--port", "9=/dev/ttyS0"} << "" << 2
                                  << "vanto-port-test: --port '9=/dev/ttyS0': the port number must be 1 to 8";
        QTest::newRow("empty log name") << QStringList{"--log="} << "" << 2
                                        << "vanto-port-test: --log wants a file name\n";
        QTest::newRow("unknown option") << QStringList{"--simulate", "--colour"} << "" << 1
                                        << "vanto-port-test: Unknown option 'colour'.\n";
        QTest::newRow("Qt's own options pass") << QStringList{"-platform", "offscreen", "-style=Fusion", "--colour"}
                                               << "" << 1 << "vanto-port-test: Unknown option 'colour'.\n";
        for (const char *other : {"--simulate", "--headless", "--procedure=x.toml"})
            QTest::newRow(qPrintable(QStringLiteral("watch with %1").arg(QLatin1String(other))))
                << QStringList{"--watch", "mqtt://localhost", "--mqtt-topic", "vanto/deck/port1", other} << "" << 2
                << QStringLiteral("vanto-port-test: --watch opens a window that only reads: not with --%1\n")
                       .arg(QString::fromLatin1(other).section(u'=', 0, 0).mid(2));
        QTest::newRow("no display") << QStringList{} << "" << 1 << noDisplay;
        QTest::newRow("no display to simulate on")
            << QStringList{"--simulate", "--log", "shift"} << "" << 1 << noDisplay;
        QTest::newRow("X11 asked for")
            << QStringList{} << "xcb" << 1
            << "vanto-port-test: no display to show the window on (DISPLAY is not set): run it from a desktop "
               "session, over \"ssh -X\", or under \"xvfb-run\"\n";
    }

    void answersWithoutADisplay()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, platform);
        QFETCH(int, exitCode);
        QFETCH(QString, output);

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QLatin1String(name));
        if (!platform.isEmpty())
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
        QProcess tool;
        tool.setProcessEnvironment(env);
        tool.start(QStringLiteral(VANTO_TOOL_BINARY), arguments);
        QVERIFY(tool.waitForFinished(10000));
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit); // no abort in Qt's platform plugin
        QCOMPARE(tool.exitCode(), exitCode);
        const QString out = QString::fromLocal8Bit(tool.readAllStandardOutput());
        const QString err = QString::fromLocal8Bit(tool.readAllStandardError());
        const QString printed = exitCode == 0 ? out : err;
        // A whole line given is all there is.
        if (output.endsWith(u'\n'))
            QCOMPARE(printed, output);
        else
            QVERIFY2(printed.startsWith(output), qPrintable(printed));
        QCOMPARE(exitCode == 0 ? err : out, QString());
    }
};

QTEST_GUILESS_MAIN(tst_nodisplay)
#include "tst_nodisplay.moc"
