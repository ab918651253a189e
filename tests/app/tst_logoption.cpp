#include "FakeSerialControl.h"

#include "app/frmVANTOPortTestGui.h"
#include "instruments/Lamp.h"
#include "logging/LogPaths.h"
#include "logging/LogWriter.h"
#include "logging/Logging.h"
#include "session/CsvWriter.h"
#include "ui/MsgBox.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

// Logging switched on from the command line, for a run nobody clicks through.
class tst_logoption : public QObject
{
    Q_OBJECT

private slots:
    void startsLoggingAsTheDialogsOkDoes()
    {
        QTemporaryDir dir;
        LogPaths::setLogDirectory(dir.path());
        QStringList boxes;
        setMsgBoxResponder([&boxes](const QString &text, const QString &, MsgBoxButtons) {
            boxes.append(text);
            return MsgBoxAnswer::Ok;
        });

        frmVANTOPortTestGui window(std::make_unique<FakeSerialControl>());
        window.Form_Load();
        window.startLogging(QStringLiteral("shift"));

        QVERIFY(window.logging().isOn());
        QVERIFY(window.findChild<Lamp *>(QStringLiteral("CWButton1"))->Value());
        QVERIFY(boxes.isEmpty());
        window.logging().Timer2_Timer();
        QFile log(dir.filePath(QStringLiteral("shift.log")));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(log.readAll(), LogWriter::HeaderLine.toLatin1() + "\r\n");

        window.close();
        setMsgBoxResponder({});
        LogPaths::setLogDirectory(QString());
    }

    void theToolLogsFromItsFirstTick()
    {
        QTemporaryDir home;
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        tool.setProcessEnvironment(env);
        tool.start(QStringLiteral(VANTO_TOOL_BINARY),
                   {QStringLiteral("--simulate"), QStringLiteral("--sim-arg=--supplies-live"), QStringLiteral("--log"),
                    QStringLiteral("bench")});
        QVERIFY(tool.waitForStarted());

        // Header at the first 4 s tick, the first record at the second.
        const auto logText = [&home] {
            QFile log(home.filePath(QStringLiteral("VANTOData/bench.log")));
            return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
        };
        QTRY_VERIFY_WITH_TIMEOUT(logText().count("\r\n") >= 2, 15000);
        const QByteArray text = logText();
        tool.terminate();
        QVERIFY(tool.waitForFinished(5000));

        // The date and time are the locale's; the seven values follow them.
        const QList<QByteArray> lines = text.split('\n');
        QCOMPARE(lines[0], LogWriter::HeaderLine.toLatin1() + '\r');
        static const QRegularExpression record(
            QStringLiteral(R"(^[^,]+,      -?[\d.]+      -?[\d.]+      \d+      \d+      \d+      \d+      u\r$)"));
        QVERIFY2(record.match(QString::fromLatin1(lines[1])).hasMatch(), lines[1].constData());
    }

    // --csv: every good reply and every event, from start-up on.
    void theToolRecordsCsvAsItGoes()
    {
        QTemporaryDir home;
        const QString csv = home.filePath(QStringLiteral("run.csv"));
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        tool.setProcessEnvironment(env);
        tool.start(
            QStringLiteral(VANTO_TOOL_BINARY),
            {QStringLiteral("--simulate"), QStringLiteral("--sim-arg=--supplies-live"), QStringLiteral("--csv"), csv});
        QVERIFY(tool.waitForStarted());
        const auto lines = [&csv] {
            QFile file(csv);
            return file.open(QIODevice::ReadOnly) ? file.readAll().split('\n') : QList<QByteArray>();
        };
        QTRY_VERIFY_WITH_TIMEOUT(lines().size() >= 7, 15000);
        tool.terminate();
        QVERIFY(tool.waitForFinished(5000));

        const QList<QByteArray> rows = lines();
        QCOMPARE(rows[0] + '\n', CsvWriter::Header);
        // The first row says what the session ran on.
        static const QRegularExpression started(QStringLiteral(
            R"(,,,,,,,,,,"Session started: vanto-port-test [\d.]+\S*, port 1, simulated controller, \S+"$)"));
        QVERIFY2(started.match(QString::fromUtf8(rows[1])).hasMatch(), rows[1].constData());
        QVERIFY(rows[2].endsWith(",,,,,,,,,,Recording CSV to " + csv.toUtf8()));
        QVERIFY(rows[3].endsWith(",,,,,,,,,,Load commanded Unloaded"));
        static const QRegularExpression telemetry(QStringLiteral(
            R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d,[\d.]+,[\d.]+,0,0,\d+,\d+\.\d{3},\d+,\d+\.\d{3},u,$)"));
        QVERIFY2(telemetry.match(QString::fromLatin1(rows[4])).hasMatch(), rows[4].constData());
    }

    void refusesAnEmptyName_data()
    {
        QTest::addColumn<QString>("option");
        QTest::newRow("--log") << "--log";
        QTest::newRow("--csv") << "--csv";
    }
    void refusesAnEmptyName()
    {
        QFETCH(QString, option);
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        tool.setProcessEnvironment(env);
        tool.start(QStringLiteral(VANTO_TOOL_BINARY), {option + QLatin1Char('='), QStringLiteral("--simulate")});
        QVERIFY(tool.waitForFinished(10000));
        QCOMPARE(tool.exitCode(), 2);
        QVERIFY(tool.readAllStandardError().contains((option + QStringLiteral(" wants a file name")).toLatin1()));
    }
};

QTEST_MAIN(tst_logoption)
#include "tst_logoption.moc"
