#include "FakeSerialControl.h"

#include "logging/LogPaths.h"
#include "porttest/frmPortTest.h"
#include "run/PortRun.h"

#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {
// The run on a fake port and a clock the test moves, fed replies by hand.
struct Rig
{
    std::unique_ptr<PortRun> run;
    qint64 now = 0;

    Rig()
    {
        run = std::make_unique<PortRun>(std::make_unique<FakeSerialControl>());
        run->session().setClock([this] { return Stamp{now, 1796640000000 + now}; });
        run->start();
        run->Timer1.stop();
    }
    void reply(const QString &reply, qint64 afterMs = 250)
    {
        now += afterMs;
        run->takeReplies({reply});
    }
};

const QString Live = QStringLiteral("300,290,1,10,3840,3277,u,*");
const QString Dead = QStringLiteral("300,290,1,10,0,0,u,*");
} // namespace

class tst_porttest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString procedure(const QByteArray &steps)
    {
        static int n = 0;
        const QString path = m_dir.filePath(QStringLiteral("p%1.toml").arg(++n));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write("name = \"P\"\nversion = \"1\"\n" + steps);
        return path;
    }

private slots:
    void initTestCase() { LogPaths::setLogDirectory(m_dir.filePath(QStringLiteral("data"))); }

    // What the procedure reads of the run: the window's readings, only while current.
    void readings_data()
    {
        QTest::addColumn<QStringList>("replies"); // 250 ms apart; "" a poll unanswered
        QTest::addColumn<qint64>("wait");         // after the last, before reading
        QTest::addColumn<int>("quantity");
        QTest::addColumn<QVariant>("want"); // none: not current
        QTest::newRow("400 V supply, whole volts as the gauge")
            << QStringList{Live} << qint64(0) << int(Quantity::Supply400) << QVariant(375.0);
        QTest::newRow("48 V supply") << QStringList{Live} << qint64(0) << int(Quantity::Supply48) << QVariant(48.0);
        QTest::newRow("supplies fresh at 2 s")
            << QStringList{Live} << qint64(2000) << int(Quantity::Supply48) << QVariant(48.0);
        QTest::newRow("supplies stale past 2 s")
            << QStringList{Live} << qint64(2001) << int(Quantity::Supply400) << QVariant();
        QTest::newRow("temperature in deg C")
            << QStringList{Live} << qint64(0) << int(Quantity::LoadCanTemp) << QVariant(27.0);
        QTest::newRow("temperature stale") << QStringList{Live, "", "", "", "", "", "", "", "", ""} << qint64(0)
                                           << int(Quantity::ControlCanTemp) << QVariant();
        QTest::newRow("pulse width") << QStringList{Live} << qint64(0) << int(Quantity::PulseWidth) << QVariant(10.0);
        QTest::newRow("load state reported")
            << QStringList{Dead} << qint64(0) << int(Quantity::LoadState) << QVariant(double('u'));
        QTest::newRow("reply share over the span")
            << QStringList{Live, "", Live, Live} << qint64(0) << int(Quantity::ReplyShare) << QVariant(75.0);
    }
    void readings()
    {
        QFETCH(QStringList, replies);
        QFETCH(qint64, wait);
        QFETCH(int, quantity);
        QFETCH(QVariant, want);
        Rig rig;
        const qint64 since = rig.now + 1;
        for (const QString &r : replies)
            rig.reply(r);
        rig.now += wait;
        const auto got = PortRunAccess(*rig.run).value(Quantity(quantity), since);
        QCOMPARE(got.has_value(), want.isValid());
        if (got)
            QCOMPARE(*got, want.toDouble());
    }

    // A refused load switch fails its step with the box's own text.
    void refusal_data()
    {
        QTest::addColumn<QString>("reply"); // none: no reading yet
        QTest::addColumn<QString>("reason");
        QTest::newRow("no readings") << QString() << CommandToggles::NoReadingsText;
        QTest::newRow("supplies live") << Live << CommandToggles::LoadPoweredText;
    }
    void refusal()
    {
        QFETCH(QString, reply);
        QFETCH(QString, reason);
        Rig rig;
        if (!reply.isEmpty())
            rig.reply(reply);
        frmPortTest window(*rig.run);
        window.choose(procedure("[[step]]\nkind = \"command\"\ncommand = \"load_on\"\n"));
        window.cmdStart_Click();
        QCOMPARE(window.engine()->state(), RunState::Failed);
        QCOMPARE(window.engine()->results()[0].reason, reason);
        QCOMPARE(rig.run->commands().strLoadState(), QStringLiteral("u"));
        QVERIFY(window.findChild<QLabel *>(QStringLiteral("lblVerdict"))->text().startsWith(QLatin1String("FAIL")));
        QVERIFY(QFile::exists(window.reportPath()));
        if (const QString dir = qEnvironmentVariable("VANTO_SCREENSHOTS"); !dir.isEmpty()) {
            window.show();
            QTest::qWait(100);
            window.grab().save(QDir(dir).filePath(QStringLiteral("port-test-refused.png")));
        }
    }

    // A wrong procedure never starts; the window says every fault.
    void faultsShownStartRefused()
    {
        Rig rig;
        frmPortTest window(*rig.run);
        window.choose(procedure("[[step]]\nkind = \"wait\"\n"));
        const auto *faults = window.findChild<QPlainTextEdit *>(QStringLiteral("txtFaults"));
        QVERIFY(faults->toPlainText().contains(QLatin1String(":4:8: step 1: unknown step kind 'wait'")));
        QVERIFY(!window.findChild<QPushButton *>(QStringLiteral("cmdStart"))->isEnabled());
        window.cmdStart_Click();
        QVERIFY(!window.engine());
    }

    // Closing the window aborts: recorded, reported, nothing more sent.
    void closingAborts()
    {
        Rig rig;
        rig.reply(Dead);
        frmPortTest window(*rig.run);
        window.Show();
        window.choose(procedure("[[step]]\nkind = \"instruct\"\ntext = \"Wait\"\n"
                                "[[step]]\nkind = \"command\"\ncommand = \"load_on\"\n"));
        window.cmdStart_Click();
        QVERIFY(window.engine()->running());
        window.close();
        QCOMPARE(window.engine()->state(), RunState::Aborted);
        QCOMPARE(rig.run->session().events().back().kind, EventKind::ProcedureAborted);
        QCOMPARE(rig.run->commands().strLoadState(), QStringLiteral("u"));
        QVERIFY(QFile::exists(window.reportPath()));
    }
};

QTEST_MAIN(tst_porttest)
#include "tst_porttest.moc"
