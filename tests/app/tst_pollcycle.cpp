#include "WindowRig.h"

#include "app/frmVANTOPortTestGui.h"
#include "instruments/Lamp.h"
#include "link/Comunication.h"
#include "ui/MsgBox.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <cstdio>
#include <functional>

#include <unistd.h>

namespace {
const QByteArray GoodReply = "300,290,1,10,3840,3277,u,*";
int settleWaits = 0; // settle delays asked for, skipped

// The fake control, also counting every attempt to open it (failed ones too)
// and letting a test look at the window at the moment a command goes out.
class WatchedPort : public FakeSerialControl
{
public:
    int openAttempts = 0;
    QList<qint64> failedOpensAt; // ms on the clock below
    QElapsedTimer clock;
    std::function<void()> onOutput;

    WatchedPort() { clock.start(); }

    void setPortOpen(bool open) override
    {
        if (open && !PortOpen())
            ++openAttempts;
        try {
            FakeSerialControl::setPortOpen(open);
        } catch (const LinkError &) {
            failedOpensAt << clock.elapsed();
            throw;
        }
    }
    void Output(const QByteArray &text) override
    {
        if (onOutput)
            onOutput();
        FakeSerialControl::Output(text);
    }
};

// What the operator sees of one poll.
struct Screen
{
    QString raw;
    QString status;
    bool serialLamp = false;
    QString loadCanTemp;
};

// The real window, started, with the fake port. Ticks are driven by hand unless
// a test lets Timer1 run.
struct Rig : BasicWindowRig<WatchedPort>
{
    QTimer *Timer1;

    Rig()
    {
        startHeld();
        Timer1 = BasicWindowRig::Timer1();
    }
    Screen screen() const
    {
        return {child<QLineEdit>("Text1")->text(), child<QLabel>("lblCommStatData")->text(),
                child<Lamp>("CWButton2")->Value(), child<QLineEdit>("txtLoadCanTemp")->text()};
    }
    void tick() { window->Timer1_Timer(); }
};

// What the code under test prints on standard output while it runs.
QByteArray printedBy(const std::function<void()> &run)
{
    QTemporaryFile file;
    if (!file.open())
        return "can't capture";
    std::fflush(stdout);
    const int saved = ::dup(STDOUT_FILENO);
    ::dup2(file.handle(), STDOUT_FILENO);
    run();
    std::fflush(stdout);
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    file.seek(0);
    return file.readAll();
}

const auto topLevel = &WindowRig::topLevel;
} // namespace

// The poll tick on the real window: read, lamp, parse, send, and what it does
// when the port is closed, fails or goes away.
class tst_pollcycle : public QObject
{
    Q_OBJECT

    QStringList m_boxes;

private slots:
    void initTestCase()
    {
        // The 40 ms settle delay only slows these tests down.
        Comunication::setSettleWait([](float) { ++settleWaits; });
    }
    void init()
    {
        m_boxes.clear();
        setMsgBoxResponder([this](const QString &text, const QString &, MsgBoxButtons) {
            m_boxes.append(text);
            return MsgBoxAnswer::Ok;
        });
    }
    void cleanup()
    {
        setMsgBoxResponder({});
        for (QWidget *w : QApplication::topLevelWidgets())
            w->close();
    }

    void firstTickReadsNothingAndSendsUnload()
    {
        Rig rig;
        QCOMPARE(rig.port->opens, 1);
        rig.tick();
        const Screen s = rig.screen();
        QCOMPARE(s.raw, QStringLiteral("?"));
        QCOMPARE(s.status, QStringLiteral("No Data"));
        QVERIFY(!s.serialLamp);
        QCOMPARE(rig.port->writes, QList<QByteArray>{"u"});
        // The failed read reset the port.
        QCOMPARE(rig.port->closes, 1);
        QCOMPARE(rig.port->opens, 2);
        QVERIFY(m_boxes.isEmpty());
    }

    // Each row: what the controller has sent since the last tick, and what the
    // window must show by the time that tick sends its letter.
    void tickShowsItsReplyBeforeSending_data()
    {
        QTest::addColumn<QByteArray>("received");
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("lamp");
        QTest::addColumn<QString>("loadCanTemp");
        QTest::addColumn<int>("resets");

        QTest::newRow("telemetry") << GoodReply << QString::fromLatin1(GoodReply) << "" << true << "27" << 0;
        QTest::newRow("telemetry with fractions")
            << QByteArray("300.15,290.15,1,10,3840,3277,u,0,*") << "300.15,290.15,1,10,3840,3277,u,0,*"
            << "" << true << "27.15" << 0;
        QTest::newRow("text message") << QByteArray("Controller reset*") << "Controller reset*"
                                      << "Controller reset*" << true << "" << 0;
        QTest::newRow("cut short") << QByteArray("300,290,1") << "?"
                                   << "No Data" << false << "" << 1;
        QTest::newRow("silent") << QByteArray() << "?"
                                << "No Data" << false << "" << 1;
    }
    void tickShowsItsReplyBeforeSending()
    {
        QFETCH(QByteArray, received);
        QFETCH(QString, raw);
        QFETCH(QString, status);
        QFETCH(bool, lamp);
        QFETCH(QString, loadCanTemp);
        QFETCH(int, resets);

        Rig rig;
        rig.tick(); // the command the controller answers
        const int closesBefore = rig.port->closes;
        std::optional<Screen> atSend;
        rig.port->onOutput = [&] { atSend = rig.screen(); };
        rig.port->rx = received;
        rig.tick();

        QVERIFY(atSend);
        QCOMPARE(atSend->raw, raw);
        QCOMPARE(atSend->status, status);
        QCOMPARE(atSend->serialLamp, lamp);
        QCOMPARE(atSend->loadCanTemp, loadCanTemp);
        QCOMPARE(rig.port->closes - closesBefore, resets);
        QCOMPARE(rig.port->writes, (QList<QByteArray>{"u", "u"}));
        QVERIFY(m_boxes.isEmpty());
    }

    void silentControllerAfterAReply()
    {
        Rig rig;
        rig.tick();
        rig.port->rx = GoodReply;
        rig.tick();
        QVERIFY(rig.screen().serialLamp);
        for (int i = 1; i <= 4; ++i) {
            const int closes = rig.port->closes;
            rig.tick();
            const Screen s = rig.screen();
            QCOMPARE(s.status, QStringLiteral("No Data"));
            QVERIFY(!s.serialLamp);
            QCOMPARE(rig.port->closes, closes + 1);
            QCOMPARE(rig.port->writes.size(), 2 + i);
            QCOMPARE(rig.port->writes.last(), QByteArray("u"));
            // The readouts keep the last good reply.
            QCOMPARE(s.loadCanTemp, QStringLiteral("27"));
        }
    }

    // Every complete reply waiting is taken at one poll: each goes into the
    // record, the window shows the newest, one letter goes out per poll.
    // arrivals: what the controller sent before each tick. record: one
    // letter per recorded reply, "o" overtaken by a newer one, "." a poll's own.
    void everyWaitingReplyIsTakenAtOnce_data()
    {
        QTest::addColumn<QList<QByteArray>>("arrivals");
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("loadCanTemp");
        QTest::addColumn<QString>("record");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<int>("strays");

        const QByteArray a = "300,290,1,10,3840,3277,u,*";
        const QByteArray b = "310,290,1,10,3840,3277,u,*";
        QTest::newRow("one reply") << QList<QByteArray>{a} << QString::fromLatin1(a) << ""
                                   << "27"
                                   << "." << QStringList() << 0;
        QTest::newRow("a backlog: the newest is the present")
            << QList<QByteArray>{a + a + b} << QString::fromLatin1(b) << ""
            << "37"
            << "oo." << QStringList{"2 replies arrived late together"} << 0;
        QTest::newRow("a backlog ending in half a reply")
            << QList<QByteArray>{a + b.left(12), b.mid(12)} << QString::fromLatin1(b) << ""
            << "37"
            << ".." << QStringList() << 0;
        QTest::newRow("a stray terminator is no reply")
            << QList<QByteArray>{a.chopped(1) + "**"} << QString::fromLatin1(a) << ""
            << "27"
            << "." << QStringList() << 1;
        QTest::newRow("a text message inside a backlog")
            << QList<QByteArray>{a + "Check load relay*" + b} << QString::fromLatin1(b) << ""
            << "37"
            << "oo." << QStringList{"Check load relay*", "2 replies arrived late together"} << 0;
        QTest::newRow("a text message newest") << QList<QByteArray>{b + "Check load relay*"} << "Check load relay*"
                                               << "Check load relay*"
                                               << "37"
                                               << "o." << QStringList{"Check load relay*", "1 reply arrived late"} << 0;
    }
    void everyWaitingReplyIsTakenAtOnce()
    {
        QFETCH(QList<QByteArray>, arrivals);
        QFETCH(QString, raw);
        QFETCH(QString, status);
        QFETCH(QString, loadCanTemp);
        QFETCH(QString, record);
        QFETCH(QStringList, events);
        QFETCH(int, strays);

        Rig rig;
        const auto &session = rig.window->session();
        const std::size_t eventsBefore = session.events().size();
        for (const QByteArray &arrival : arrivals) {
            rig.port->rx = arrival;
            rig.tick();
        }
        const Screen s = rig.screen();
        QCOMPARE(s.raw, raw);
        QCOMPARE(s.status, status);
        QCOMPARE(s.loadCanTemp, loadCanTemp);
        QVERIFY(s.serialLamp);
        QString recorded;
        for (const TickEntry &t : session.ticks())
            recorded += t.overtaken ? u'o' : u'.';
        QCOMPARE(recorded, record);
        QCOMPARE(int(session.ticks().back().strays), strays);
        QStringList told;
        for (auto e = session.events().begin() + qsizetype(eventsBefore); e != session.events().end(); ++e)
            if (e->kind == EventKind::RepliesLate || e->kind == EventKind::ControllerMessage)
                told << e->text;
        QCOMPARE(told, events);
        QCOMPARE(rig.port->writes.size(), arrivals.size()); // one letter a poll
        QCOMPARE(rig.port->closes, 0);
    }

    void newLetterGoesOutNextTickAndRepeats_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QByteArray>("letter");
        QTest::newRow("1PPS") << "cmd1PPSOnOff" << QByteArray("E");
        QTest::newRow("update rate") << "cmdFstUpdt" << QByteArray("s");
        QTest::newRow("load, supplies dead") << "cmdLoaded" << QByteArray("l");
    }
    void newLetterGoesOutNextTickAndRepeats()
    {
        QFETCH(QString, button);
        QFETCH(QByteArray, letter);
        Rig rig;
        rig.port->rx = "300,290,1,10,0,0,u,*"; // dead supplies, just read
        rig.tick();
        rig.child<QPushButton>(qPrintable(button))->click();
        for (int i = 0; i < 4; ++i) {
            rig.port->rx = GoodReply;
            rig.tick();
        }
        QCOMPARE(rig.port->writes, (QList<QByteArray>{"u", letter, letter, letter, letter}));
        QVERIFY(m_boxes.isEmpty());
    }

    void timerDrivesTheTickEveryQuarterSecond()
    {
        Rig rig;
        QCOMPARE(rig.Timer1->interval(), 250);
        rig.Timer1->start();
        QTRY_COMPARE_WITH_TIMEOUT(rig.port->writes.size(), 4, 1500);
        QCOMPARE(rig.port->writes, QList<QByteArray>(4, "u"));
    }

    // Closed by the operator (the port setup dialog): ticks go on, read nothing,
    // send nothing and leave the port to the operator.
    void closedPortReadsNothingAndSendsNothing()
    {
        Rig rig;
        rig.tick();
        rig.port->setPortOpen(false);
        const int attempts = rig.port->openAttempts;
        const int reads = rig.port->inputReads;
        const int waits = settleWaits;
        QSignalSpy ticks(rig.Timer1, &QTimer::timeout);
        rig.Timer1->start();
        QTest::qWait(1300);
        QVERIFY(ticks.size() >= 4);
        const Screen s = rig.screen();
        QCOMPARE(s.raw, QString());
        QCOMPARE(s.status, QStringLiteral("No Data"));
        QVERIFY(!s.serialLamp);
        QCOMPARE(rig.port->writes.size(), 1);
        QCOMPARE(rig.port->inputReads, reads);
        QCOMPARE(settleWaits, waits); // nothing to wait for
        QCOMPARE(rig.port->openAttempts, attempts);
        QVERIFY(rig.Timer1->isActive());

        rig.port->setPortOpen(true);
        rig.port->rx = GoodReply;
        QTRY_VERIFY_WITH_TIMEOUT(rig.screen().serialLamp, 600);
        QCOMPARE(rig.port->writes.last(), QByteArray("u"));
        QVERIFY(m_boxes.isEmpty());
    }

    void failedSendDoesNotStopPolling()
    {
        Rig rig;
        rig.port->failOutput = true;
        rig.tick();
        rig.tick();
        QVERIFY(rig.port->writes.isEmpty());
        QCOMPARE(rig.screen().status, QStringLiteral("No Data"));
        rig.port->failOutput = false;
        rig.port->rx = GoodReply;
        rig.tick();
        QVERIFY(rig.screen().serialLamp);
        QCOMPARE(rig.port->writes, QList<QByteArray>{"u"});
        QVERIFY(m_boxes.isEmpty());
    }

    // The port goes away without the operator closing it: ticks keep running,
    // show "No Data" and send nothing; while the device is missing nothing is
    // tried, and the first tick that finds it back reopens it and polls.
    void lostPortIsReopenedTheTickItIsBack_data()
    {
        QTest::addColumn<bool>("pulledOut");
        QTest::newRow("adapter pulled out") << true;
        QTest::newRow("reset after a failed read can't reopen") << false;
    }
    void lostPortIsReopenedTheTickItIsBack()
    {
        QFETCH(bool, pulledOut);
        Rig rig;
        rig.port->rx = GoodReply;
        rig.tick();
        QVERIFY(rig.screen().serialLamp);
        if (pulledOut) {
            rig.port->vanish();
        } else {
            rig.port->failingPorts.insert(1);
            rig.tick(); // silent controller: the reset closes the port and can't reopen it
            QVERIFY(!rig.port->PortOpen());
        }
        const int writes = rig.port->writes.size();
        const int attempts = rig.port->openAttempts;
        for (int i = 0; i < 12; ++i)
            rig.tick();
        QCOMPARE(rig.port->openAttempts, attempts);
        QCOMPARE(rig.port->writes.size(), writes);
        QCOMPARE(rig.screen().status, QStringLiteral("No Data"));
        QVERIFY(!rig.screen().serialLamp);

        rig.port->comeBack();
        rig.port->rx = GoodReply; // the controller answers what went out before it was lost
        rig.tick();
        QVERIFY(rig.port->PortOpen());
        QCOMPARE(rig.port->writes.size(), writes + 1);
        QVERIFY(rig.screen().serialLamp);
        QVERIFY(m_boxes.isEmpty());

        // The same under the running poll timer: polling resumes by itself.
        rig.port->vanish();
        rig.Timer1->start();
        QTest::qWait(600);
        rig.port->comeBack();
        QTRY_VERIFY_WITH_TIMEOUT(rig.port->PortOpen() && rig.port->writes.size() > writes + 1, 600);
    }

    // The trace a technician watches: one line a tick, telling truly whether the
    // letter went out.
    void traceTellsWhatEachTickDid()
    {
        Rig rig;
        rig.window->setTrace(true);
        const QByteArray printed = printedBy([&] {
            rig.tick();
            rig.port->rx = GoodReply;
            rig.tick();
            rig.port->rx = "Controller reset*";
            rig.port->failOutput = true;
            rig.tick();
            rig.port->failOutput = false;
            rig.port->setPortOpen(false);
            rig.tick();
        });
        QCOMPARE(printed, QByteArray("reply ? | No Data | sent u\n"
                                     "reply 300,290,1,10,3840,3277,u,* |  | sent u\n"
                                     "reply Controller reset* | Controller reset* | sent -\n"
                                     "reply  | No Data | sent -\n"));
    }

    // While the port setup dialog is open the port is the operator's to choose.
    void noReopenWhileTheOperatorChoosesAPort()
    {
        Rig rig;
        rig.tick();
        rig.port->vanish();
        rig.window->mnuComms_Click();
        QWidget *setup = topLevel("frmCommSetup");
        QVERIFY(setup && setup->isVisible());
        const int attempts = rig.port->openAttempts;
        rig.Timer1->start();
        QTest::qWait(1300);
        QCOMPARE(rig.port->openAttempts, attempts);

        rig.port->comeBack();
        setup->close();
        QTRY_VERIFY_WITH_TIMEOUT(rig.port->PortOpen(), 1300);
        QVERIFY(m_boxes.isEmpty());
    }

    // A send fails, and before the next tick the operator picks a port that
    // can't be opened and gives up: the port stays closed until they choose again.
    void operatorsFailedChoiceIsNotRetried()
    {
        Rig rig;
        rig.port->failOutput = true;
        rig.tick();
        rig.port->failOutput = false;
        rig.port->failingPorts.insert(2);
        rig.window->mnuComms_Click();
        QWidget *setup = topLevel("frmCommSetup");
        QVERIFY(setup);
        setup->findChild<QLineEdit *>(QStringLiteral("txtSubseaPort"))->setText(QStringLiteral("2"));
        setup->findChild<QPushButton *>(QStringLiteral("cmdDone"))->click();
        QCOMPARE(m_boxes.size(), 1);
        setup->findChild<QPushButton *>(QStringLiteral("cmdCancel"))->click();
        QVERIFY(!setup->isVisible());

        const int attempts = rig.port->openAttempts;
        rig.Timer1->start();
        QTest::qWait(1300);
        QCOMPARE(rig.port->openAttempts, attempts);
        QVERIFY(!rig.port->PortOpen());
        QVERIFY(rig.port->writes.isEmpty());
        QCOMPARE(rig.screen().status, QStringLiteral("No Data"));
    }

    // A message box of the port setup dialog holds the handler while the port is
    // closed; the ticks that run meanwhile read nothing and send nothing.
    void ticksDuringASetupMessageBox()
    {
        Rig rig;
        rig.tick();
        rig.window->mnuComms_Click();
        QWidget *setup = topLevel("frmCommSetup");
        QVERIFY(setup);
        setup->findChild<QLineEdit *>(QStringLiteral("txtSubseaPort"))->setText(QStringLiteral("9"));

        std::optional<Screen> duringBox;
        int ticksDuringBox = 0;
        int writesDuringBox = -1;
        setMsgBoxResponder([&](const QString &text, const QString &, MsgBoxButtons) {
            m_boxes.append(text);
            QSignalSpy ticks(rig.Timer1, &QTimer::timeout);
            const int writes = rig.port->writes.size();
            QTest::qWait(800); // the operator reads the box
            ticksDuringBox = int(ticks.size());
            writesDuringBox = int(rig.port->writes.size()) - writes;
            duringBox = rig.screen();
            return MsgBoxAnswer::Ok;
        });
        rig.Timer1->start();
        setup->findChild<QPushButton *>(QStringLiteral("cmdDone"))->click();

        QCOMPARE(m_boxes.size(), 1);
        QVERIFY(ticksDuringBox >= 2);
        QCOMPARE(writesDuringBox, 0);
        QVERIFY(duringBox);
        QCOMPARE(duringBox->raw, QString());
        QCOMPARE(duringBox->status, QStringLiteral("No Data"));
        // The dialog reopened the port after the box: polling resumes.
        const int writes = rig.port->writes.size();
        QTRY_VERIFY_WITH_TIMEOUT(rig.port->writes.size() > writes, 600);
        QCOMPARE(m_boxes.size(), 1);
    }
};

QTEST_MAIN(tst_pollcycle)
#include "tst_pollcycle.moc"
