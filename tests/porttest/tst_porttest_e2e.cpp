#include "link/PortMap.h"
#include "link/QtSerialControl.h"
#include "logging/LogPaths.h"
#include "porttest/frmPortTest.h"
#include "run/PortRun.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

// The shipped procedure run in the Port Test window against the simulator,
// the test acting as the technician at the window and at the node.
class tst_porttest_e2e : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QProcess m_sim;
    QString m_control;
    std::unique_ptr<PortRun> m_run;
    std::unique_ptr<frmPortTest> m_window;

    template<typename T>
    T *child(const char *name) const
    {
        return m_window->findChild<T *>(QLatin1String(name));
    }
    void atNode(const QByteArray &line)
    {
        QFile pipe(m_control);
        QVERIFY(pipe.open(QIODevice::WriteOnly));
        pipe.write(line + '\n');
    }
    // With VANTO_SCREENSHOTS set, the window and the report are kept there.
    void keep(const QString &name) const
    {
        const QString dir = qEnvironmentVariable("VANTO_SCREENSHOTS");
        if (dir.isEmpty())
            return;
        QTest::qWait(200); // the layout takes the last texts
        m_window->grab().save(QDir(dir).filePath(name + QStringLiteral(".png")));
        if (!m_window->engine()->running() && !m_window->reportPath().isEmpty())
            for (const char *suffix : {".pdf", ".json", ".csv"})
                QFile::copy(m_window->reportPath().chopped(4) + QLatin1String(suffix),
                            QDir(dir).filePath(name + QLatin1String(suffix)));
    }
    int running() const { return m_window->engine() ? m_window->engine()->current() : -1; }
    // Waits for step n (from 1) to run, then what the operator does there.
    bool reach(int step, int timeoutMs = 5000)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (running() != step - 1 && !deadline.hasExpired() && m_window->engine()->running())
            QTest::qWait(50);
        return running() == step - 1;
    }
    void type(const QString &value)
    {
        child<QLineEdit>("txtValue")->setText(value);
        child<QPushButton>("cmdContinue")->click();
    }
    void continueWhenEnabled()
    {
        QTRY_VERIFY_WITH_TIMEOUT(child<QPushButton>("cmdContinue")->isEnabled(), 5000);
        child<QPushButton>("cmdContinue")->click();
    }
    QJsonObject report() const
    {
        const QString pdf = m_window->reportPath();
        QFile json(pdf.chopped(4) + QStringLiteral(".json"));
        if (!json.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(json.readAll()).object();
    }
    static QString pdfText(const QString &pdf)
    {
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        p.waitForFinished(20000);
        return QString::fromUtf8(p.readAllStandardOutput());
    }

    // The first six steps, as the technician goes through them: node and
    // operator typed, the link judged over 30 s, the supplies off (they
    // start dead), the load on, the supplies on.
    void throughSupplyOn(const QByteArray &atNodeBefore)
    {
        m_window->cmdStart_Click();
        QVERIFY(reach(1));
        type(QStringLiteral("N-0042"));
        QVERIFY(reach(2));
        type(QStringLiteral("A. Tech"));
        QVERIFY(reach(4, 40000));
        continueWhenEnabled();
        QVERIFY(reach(6));
        QCOMPARE(m_run->commands().strLoadState(), QStringLiteral("l"));
        if (!atNodeBefore.isEmpty())
            atNode(atNodeBefore);
        atNode("supplies on");
        continueWhenEnabled();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        LogPaths::setLogDirectory(m_dir.filePath(QStringLiteral("data")));
        m_control = m_dir.filePath(QStringLiteral("control"));
        m_sim.start(QStringLiteral(VANTO_SIM_BINARY),
                    {QStringLiteral("--seed=7"), QStringLiteral("--control"), m_control});
        QVERIFY(m_sim.waitForReadyRead(5000));
        const QString device = QString::fromLocal8Bit(m_sim.readLine()).trimmed();
        PortMap map;
        map.map(1, device);
        m_run = std::make_unique<PortRun>(std::make_unique<QtSerialControl>(map));
        QVERIFY(m_run->start());
        m_window = std::make_unique<frmPortTest>(*m_run);
        m_window->Show();
        m_window->choose(QStringLiteral(VANTO_SOURCE_DIR "/procedures/science-port-acceptance.toml"));
        QVERIFY(m_window->loaded().ok());
    }
    void cleanupTestCase()
    {
        m_window.reset();
        m_run.reset();
        m_sim.terminate();
        m_sim.waitForFinished(5000);
    }

    void pass()
    {
        throughSupplyOn({});
        QVERIFY(reach(7));
        QTest::qWait(4000);
        keep(QStringLiteral("port-test-mid-run"));
        QVERIFY(reach(11, 25000));
        atNode("supplies off");
        continueWhenEnabled();
        QTRY_VERIFY_WITH_TIMEOUT(!m_window->engine()->running(), 10000);
        QCOMPARE(m_window->engine()->state(), RunState::Passed);
        QVERIFY(child<QLabel>("lblVerdict")->text().startsWith(QLatin1String("PASS")));
        QCOMPARE(m_run->commands().strLoadState(), QStringLiteral("u"));
        keep(QStringLiteral("port-test-pass"));

        // The report, field by field.
        const QJsonObject json = report();
        QCOMPARE(json[QStringLiteral("verdict")].toString(), QStringLiteral("PASS"));
        QCOMPARE(json[QStringLiteral("node")].toString(), QStringLiteral("N-0042"));
        QCOMPARE(json[QStringLiteral("operator")].toString(), QStringLiteral("A. Tech"));
        QCOMPARE(json[QStringLiteral("port")].toInt(), 1);
        const QJsonObject procedure = json[QStringLiteral("procedure")].toObject();
        QCOMPARE(procedure[QStringLiteral("name")].toString(), QStringLiteral("Science port acceptance"));
        QCOMPARE(procedure[QStringLiteral("sha256")].toString().size(), 64);
        QCOMPARE(procedure[QStringLiteral("sha256")].toString(),
                 QString::fromLatin1(m_window->engine()->procedure().sha256));
        const QJsonArray steps = json[QStringLiteral("steps")].toArray();
        QCOMPARE(steps.size(), 12);
        for (const QJsonValue &step : steps)
            QCOMPARE(step[QStringLiteral("verdict")].toString(), QStringLiteral("passed"));
        const QJsonObject supply = steps[6][QStringLiteral("readings")].toArray()[0].toObject();
        QCOMPARE(supply[QStringLiteral("name")].toString(), QStringLiteral("supply_400"));
        QVERIFY(supply[QStringLiteral("measured_min")].toDouble() >= 338);
        QVERIFY(supply[QStringLiteral("measured_max")].toDouble() <= 412);
        // One sample a poll over the step.
        const int samples = supply[QStringLiteral("samples")].toInt();
        QVERIFY2(samples >= 40 && samples <= 4 * steps[6][QStringLiteral("duration_s")].toDouble() + 2,
                 qPrintable(QString::number(samples)));
        QVERIFY(steps[6][QStringLiteral("duration_s")].toDouble() >= 10);
        const QString started = json[QStringLiteral("started")].toString();
        QVERIFY2(
            QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}[+-]\\d\\d:\\d\\d$"))
                .match(started)
                .hasMatch(),
            qPrintable(started));

        // The files beside it are the ones the JSON vouches for.
        const QString pdf = m_window->reportPath();
        QFile pdfFile(pdf), csvFile(pdf.chopped(4) + QStringLiteral(".csv"));
        QVERIFY(pdfFile.open(QIODevice::ReadOnly) && csvFile.open(QIODevice::ReadOnly));
        const QByteArray csv = csvFile.readAll();
        QCOMPARE(json[QStringLiteral("pdf")][QStringLiteral("sha256")].toString().toLatin1(),
                 QCryptographicHash::hash(pdfFile.readAll(), QCryptographicHash::Sha256).toHex());
        QCOMPARE(json[QStringLiteral("csv")][QStringLiteral("sha256")].toString().toLatin1(),
                 QCryptographicHash::hash(csv, QCryptographicHash::Sha256).toHex());
        QVERIFY(csv.contains("Procedure started: Science port acceptance 1.0"));
        QVERIFY(csv.contains("Procedure ended: PASS"));

        const QString text = pdfText(pdf);
        for (const QString &want : {QStringLiteral("PASS"), QStringLiteral("N-0042"), QStringLiteral("A. Tech"),
                                    QStringLiteral("Science port acceptance, version 1.0"),
                                    QString::fromLatin1(m_window->engine()->procedure().sha256.left(32)),
                                    QStringLiteral("supply_400"), QStringLiteral("Procedure ended: PASS")})
            QVERIFY2(text.contains(want), qPrintable(want + QStringLiteral(" not in:\n") + text));
    }

    void fail()
    {
        // A held 400 V supply above its range: the check of the ranges fails.
        const QString before = m_window->reportPath();
        throughSupplyOn("hold supply_400 420");
        QTRY_VERIFY_WITH_TIMEOUT(!m_window->engine()->running(), 45000);
        QCOMPARE(m_window->engine()->state(), RunState::Failed);
        QVERIFY(child<QLabel>("lblVerdict")->text().startsWith(QLatin1String("FAIL")));
        // Nothing more was sent: the load stays as the run left it, and the window says so.
        QCOMPARE(m_run->commands().strLoadState(), QStringLiteral("l"));
        QVERIFY(child<QLabel>("lblLoad")->text().startsWith(QLatin1String("Load commanded: loaded")));
        keep(QStringLiteral("port-test-fail"));

        // Never over the earlier report, though node and procedure are the same.
        QVERIFY(m_window->reportPath() != before);
        QVERIFY(QFile::exists(before));
        const QJsonObject json = report();
        QCOMPARE(json[QStringLiteral("verdict")].toString(), QStringLiteral("FAIL"));
        const QJsonArray steps = json[QStringLiteral("steps")].toArray();
        QCOMPARE(steps[6][QStringLiteral("verdict")].toString(), QStringLiteral("failed"));
        const QString reason = steps[6][QStringLiteral("reason")].toString();
        QVERIFY2(reason.contains(QStringLiteral("supply_400 420 V, wanted 338 – 412 V")), qPrintable(reason));
        QCOMPARE(steps[7][QStringLiteral("verdict")].toString(), QStringLiteral("skipped"));
        QVERIFY(pdfText(m_window->reportPath()).contains(QLatin1String("FAIL")));
        atNode("release");
        atNode("supplies off");
    }
};

QTEST_MAIN(tst_porttest_e2e)
#include "tst_porttest_e2e.moc"
