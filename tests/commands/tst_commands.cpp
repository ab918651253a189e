#include "BoxRecorder.h"
#include "WindowRig.h"

#include "app/frmVANTOPortTestGui.h"
#include "commands/CommandToggles.h"
#include "link/Comunication.h"
#include "session/SessionRecord.h"
#include "ui/ColouredButton.h"
#include "ui/MsgBox.h"

#include <QMessageBox>
#include <QTimer>
#include <QtTest>

#include <limits>

namespace {
const QColor Green(0, 255, 0);
const QColor Red(255, 0, 0);
const QColor Yellow(255, 255, 0);

const QString PoweredText = QStringLiteral(
    "The hardware senses the load as powered,have VANTO Ops Center shut off the load before switching!");

struct Look
{
    QString caption;
    QString toolTip;
    QColor colour;
};

// The real window on a fake port, started, with the poll timer held so each
// tick is the test's own, and current readings of dead supplies.
struct Rig : WindowRig
{
    Rig()
    {
        startHeld();
        currentSupplies();
    }
    ColouredButton *button(const char *name) const
    {
        return dynamic_cast<ColouredButton *>(window->findChild<QPushButton *>(QLatin1String(name)));
    }
    void click(const char *name) const { QTest::mouseClick(button(name), Qt::LeftButton); }
    Look look(const char *name) const
    {
        ColouredButton *b = button(name);
        return {b->text(), b->toolTip(), b->BackColor()};
    }
};

void compareLook(const Look &actual, const Look &expected)
{
    QCOMPARE(actual.caption, expected.caption);
    QCOMPARE(actual.toolTip, expected.toolTip);
    QCOMPARE(actual.colour, expected.colour);
}
} // namespace

Q_DECLARE_METATYPE(Look)

class tst_commands : public QObject
{
    Q_OBJECT

    std::optional<BoxRecorder> m_recorder; // "title|text" of every box shown

private slots:
    void initTestCase()
    {
        Comunication::setSettleWait([](float) {});
    }
    void init() { m_recorder.emplace(); }
    void cleanup() { m_recorder.reset(); }

    // Each toggle through two clicks: the look and the letter after each.
    void toggleCycles_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<Look>("first");
        QTest::addColumn<QByteArray>("firstLetter");
        QTest::addColumn<Look>("second");
        QTest::addColumn<QByteArray>("secondLetter");

        QTest::newRow("1PPS") << "cmd1PPSOnOff" << Look{"1PPS Enabled", "One PPS sense is turned ON", Green}
                              << QByteArray("E") << Look{"1PPS Disabled", "One PPS sense is turned OFF", Red}
                              << QByteArray("D");
        QTest::newRow("update rate")
            << "cmdFstUpdt"
            << Look{"Fast Update", "Click will make the controller run with out checking the timming signal.", Green}
            << QByteArray("s") << Look{"Slow Update", "Click will make the controller check the timing signals.", Red}
            << QByteArray("f");
        QTest::newRow("load") << "cmdLoaded"
                              << Look{"Loaded", "Load is engaged, do not connect to an extension cord!", Red}
                              << QByteArray("l") << Look{"Unloaded", "Load is disconnected.", Green} << QByteArray("u");
    }
    void toggleCycles()
    {
        QFETCH(QString, button);
        QFETCH(Look, first);
        QFETCH(QByteArray, firstLetter);
        QFETCH(Look, second);
        QFETCH(QByteArray, secondLetter);

        Rig rig;
        const QByteArray name = button.toLatin1();
        QCOMPARE(rig.tick(), QByteArray("u")); // start-up's letter

        rig.click(name);
        compareLook(rig.look(name), first);
        QCOMPARE(rig.tick(), firstLetter);
        QCOMPARE(rig.tick(), firstLetter); // repeated until the next click

        rig.click(name);
        compareLook(rig.look(name), second);
        QCOMPARE(rig.tick(), secondLetter);

        // Back to the start of the cycle.
        rig.click(name);
        compareLook(rig.look(name), first);
        QCOMPARE(rig.tick(), firstLetter);
        QVERIFY(m_recorder->boxes.isEmpty());
    }

    void designLooksUntilTheFirstClick()
    {
        Rig rig;
        compareLook(rig.look("cmdLoaded"), {"Load On/Off", "", Yellow});
        compareLook(rig.look("cmd1PPSOnOff"), {"1PPS On/Off", "One PPS sense is OFF", Yellow});
        compareLook(rig.look("cmdFstUpdt"), {"Slow Update", "", Green});
    }

    // The update toggle reads its state off its own caption.
    void updateToggleIgnoresAForeignCaption()
    {
        CommandToggles toggles;
        QVERIFY(!toggles.cmdFstUpdt_Click(QStringLiteral("Update")).has_value());
        QVERIFY(!toggles.cmdFstUpdt_Click(QStringLiteral("slow update")).has_value());
        QCOMPARE(toggles.strCommand(), QStringLiteral("u"));
    }

    // The rule itself, on the gauges' volts: a strict "above" at each limit.
    void interlockLimits_data()
    {
        QTest::addColumn<double>("volts48");
        QTest::addColumn<double>("volts400");
        QTest::addColumn<bool>("refused");

        QTest::newRow("both at rest") << 0.0 << 0.0 << false;
        QTest::newRow("48 V at its limit") << 10.0 << 0.0 << false;
        QTest::newRow("48 V just above") << 10.0001 << 0.0 << true;
        QTest::newRow("48 V at 11") << 11.0 << 0.0 << true;
        QTest::newRow("48 V live") << 48.0 << 0.0 << true;
        QTest::newRow("400 V at its limit") << 0.0 << 40.0 << false;
        QTest::newRow("400 V just above") << 0.0 << 40.0001 << true;
        QTest::newRow("400 V at 41") << 0.0 << 41.0 << true;
        QTest::newRow("both at their limits") << 10.0 << 40.0 << false;
        QTest::newRow("both live") << 48.0 << 375.0 << true;
    }
    void interlockLimits()
    {
        QFETCH(double, volts48);
        QFETCH(double, volts400);
        QFETCH(bool, refused);

        CommandToggles toggles;
        const auto click = toggles.cmdLoaded_Click(volts48, volts400, true);
        QCOMPARE(click.refusal, refused ? CommandToggles::Refusal::Powered : CommandToggles::Refusal::None);
        QCOMPARE(toggles.strCommand(), QString::fromLatin1(refused ? "u" : "l"));
    }

    // The interlock on the window, the supplies read from the controller's
    // counts (the gauges show whole volts): at and just above each limit,
    // switching on and switching off.
    void interlock_data()
    {
        QTest::addColumn<int>("count48");
        QTest::addColumn<int>("count400");
        QTest::addColumn<bool>("refused");

        QTest::newRow("both at rest") << 0 << 0 << false;
        QTest::newRow("48 V at its limit, 10 V") << 683 << 0 << false;
        QTest::newRow("48 V just above, 11 V") << 751 << 0 << true;
        QTest::newRow("48 V live") << 3277 << 0 << true;
        QTest::newRow("400 V at its limit, 40 V") << 0 << 410 << false;
        QTest::newRow("400 V just above, 41 V") << 0 << 420 << true;
        QTest::newRow("both at their limits") << 683 << 410 << false;
        QTest::newRow("both live") << 3277 << 3840 << true;
    }
    void interlock()
    {
        QFETCH(int, count48);
        QFETCH(int, count400);
        QFETCH(bool, refused);

        for (const bool loaded : {false, true}) {
            Rig rig;
            if (loaded)
                rig.click("cmdLoaded");
            rig.click("cmd1PPSOnOff"); // the letter on the wire is now the 1PPS one
            const Look before = rig.look("cmdLoaded");
            const QString stateBefore = rig.window->commands().strLoadState();

            rig.tick(QStringLiteral("300,290,1,10,%1,%2,x,*").arg(count400).arg(count48).toLatin1());
            rig.click("cmdLoaded");

            if (refused) {
                QCOMPARE(m_recorder->boxes, QStringList{QStringLiteral("Load Powered|") + PoweredText});
                compareLook(rig.look("cmdLoaded"), before);
                QCOMPARE(rig.window->commands().strLoadState(), stateBefore);
                QCOMPARE(rig.tick(), QByteArray("E"));
            } else {
                QVERIFY(m_recorder->boxes.isEmpty());
                QCOMPARE(rig.look("cmdLoaded").caption, QString::fromLatin1(loaded ? "Unloaded" : "Loaded"));
                QCOMPARE(rig.window->commands().strLoadState(), QString::fromLatin1(loaded ? "u" : "l"));
                QCOMPARE(rig.tick(), loaded ? QByteArray("u") : QByteArray("l"));
            }
            m_recorder->boxes.clear();
        }
    }

    // The gauges decide only while they hold current readings: a good reply
    // carrying both supply counts within the last 2 s. Each reply is a poll a
    // second after the one before ("" a silent one); the click comes `wait` ms
    // after the last.
    void staleInterlock_data()
    {
        QTest::addColumn<QStringList>("replies");
        QTest::addColumn<int>("wait");
        QTest::addColumn<QString>("box"); // empty: the load is switched

        const QString dead = QStringLiteral("300,290,1,10,0,0,x,*");
        const QString live = QStringLiteral("300,290,1,10,3840,3277,x,*");
        const QString interlock = QStringLiteral("Load Interlock");
        QTest::newRow("before the first reply") << QStringList() << 0 << interlock;
        QTest::newRow("a text message only") << QStringList{"Controller reset*"} << 0 << interlock;
        QTest::newRow("dead supplies just read") << QStringList{dead} << 0 << QString();
        QTest::newRow("2 s after: still current") << QStringList{dead} << 2000 << QString();
        QTest::newRow("a poll later: stale") << QStringList{dead} << 2250 << interlock;
        QTest::newRow("silence since") << QStringList{dead, "", "", ""} << 0 << interlock;
        QTest::newRow("a short reply without the supply fields")
            << QStringList{dead, "", "", "301,290,1,10,*"} << 0 << interlock;
        QTest::newRow("supplies garbled") << QStringList{"300,290,1,10,0,zz,x,*"} << 0 << interlock;
        QTest::newRow("the 400 V carried, the 48 V kept from before")
            << QStringList{dead, "", "", "301,290,1,10,0,*"} << 0 << interlock;
        QTest::newRow("current and live") << QStringList{live} << 0 << QStringLiteral("Load Powered");
        // A backlog taken at one poll: its newest reply is the present.
        QTest::newRow("a backlog of dead readings, the newest live")
            << QStringList{dead + dead + dead + live} << 0 << QStringLiteral("Load Powered");
        QTest::newRow("a backlog of live readings, the newest dead")
            << QStringList{live + live + dead} << 0 << QString();
    }
    void staleInterlock()
    {
        QFETCH(QStringList, replies);
        QFETCH(int, wait);
        QFETCH(QString, box);

        WindowRig rig;
        qint64 now = 0;
        rig.window->session().setClock([&now] { return Stamp{now, 1796640000000 + now}; });
        rig.startHeld();
        for (const QString &reply : std::as_const(replies)) {
            rig.tick(reply.toLatin1());
            now += 1000;
        }
        now += wait - (replies.isEmpty() ? 0 : 1000);
        QTest::mouseClick(rig.window->findChild<QPushButton *>(QStringLiteral("cmdLoaded")), Qt::LeftButton);

        if (box.isEmpty()) {
            QVERIFY(m_recorder->boxes.isEmpty());
            QCOMPARE(rig.window->commands().strCommand(), QStringLiteral("l"));
            return;
        }
        QCOMPARE(m_recorder->boxes.size(), 1);
        QVERIFY2(m_recorder->boxes[0].startsWith(box + QLatin1Char('|')), qPrintable(m_recorder->boxes[0]));
        if (box == QLatin1String("Load Interlock"))
            QCOMPARE(m_recorder->boxes[0],
                     QStringLiteral("Load Interlock|No current supply readings from the controller: the "
                                    "load can't be switched until readings arrive. Check the serial link."));
        QCOMPARE(rig.window->commands().strCommand(), QStringLiteral("u"));
        QCOMPARE(rig.window->commands().strLoadState(), QStringLiteral("u"));
    }

    // The refusal as the operator meets it: a plain box with OK only; the poll
    // goes on under it and keeps sending the letter of before.
    void refusalIsARealBoxOverARunningPoll()
    {
        Rig rig;
        rig.click("cmdFstUpdt");
        rig.tick("300,290,1,10,0,3277,x,*"); // the 48 V live
        auto *Timer1 = rig.window->findChild<QTimer *>(QStringLiteral("Timer1"));
        Timer1->start();
        setMsgBoxResponder({});

        QSignalSpy ticks(Timer1, &QTimer::timeout);
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::Critical;
        Qt::TextFormat format = Qt::AutoText;
        QList<QAbstractButton *> buttons;
        QTimer answer;
        answer.setInterval(50);
        connect(&answer, &QTimer::timeout, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || ticks.size() < 2)
                return;
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            format = box->textFormat();
            buttons = box->buttons();
            answer.stop();
            box->button(QMessageBox::Ok)->click();
        });
        answer.start();
        rig.click("cmdLoaded");

        QCOMPARE(title, QStringLiteral("Load Powered"));
        QCOMPARE(text, PoweredText);
        QCOMPARE(icon, QMessageBox::NoIcon);
        QCOMPARE(format, Qt::PlainText);
        QCOMPARE(buttons.size(), 1);
        QVERIFY(ticks.size() >= 2);
        QVERIFY(rig.port->writes.size() >= 2);
        QCOMPARE(rig.port->writes.last(), QByteArray("s"));
        compareLook(rig.look("cmdLoaded"), {"Load On/Off", "", Yellow});
        QCOMPARE(rig.window->commands().strCommand(), QStringLiteral("s"));
    }

    // A gauge reading that is no number can't vouch for a dead supply.
    void interlockRefusesWhatIsNotANumber()
    {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        CommandToggles toggles;
        QCOMPARE(toggles.cmdLoaded_Click(nan, 0, true).refusal, CommandToggles::Refusal::Powered);
        QCOMPARE(toggles.cmdLoaded_Click(0, nan, true).refusal, CommandToggles::Refusal::Powered);
        QCOMPARE(toggles.strLoadState(), QStringLiteral("u"));
        QCOMPARE(toggles.strCommand(), QStringLiteral("u"));
    }

    // The controller's report repaints the button; the next click still follows
    // the operator's own state.
    void parserRepaintsTheLoadButtonOnly()
    {
        Rig rig;
        rig.tick();
        QCOMPARE(rig.tick("300,290,1,10,0,0,l,*"), QByteArray("u"));
        QCOMPARE(rig.look("cmdLoaded").caption, QStringLiteral("Loaded"));
        QCOMPARE(rig.look("cmdLoaded").colour, Red);
        QCOMPARE(rig.look("cmdLoaded").toolTip, QString());
        QCOMPARE(rig.window->commands().strLoadState(), QStringLiteral("u"));
        QCOMPARE(rig.window->commands().strCommand(), QStringLiteral("u"));

        rig.click("cmdLoaded"); // "u" → "l": engages, although the button already said so
        compareLook(rig.look("cmdLoaded"), {"Loaded", "Load is engaged, do not connect to an extension cord!", Red});
        QCOMPARE(rig.tick("300,290,1,10,0,0,u,*"), QByteArray("l"));
        QCOMPARE(rig.look("cmdLoaded").caption, QStringLiteral("Unloaded"));
        QCOMPARE(rig.look("cmdLoaded").colour, Green);
        QCOMPARE(rig.look("cmdLoaded").toolTip,
                 QStringLiteral("Load is engaged, do not connect to an extension cord!"));
        QCOMPARE(rig.window->commands().strLoadState(), QStringLiteral("l"));

        rig.click("cmdLoaded");
        compareLook(rig.look("cmdLoaded"), {"Unloaded", "Load is disconnected.", Green});
        QCOMPARE(rig.tick("300,290,1,10,0,0,x,*"), QByteArray("u"));
        compareLook(rig.look("cmdLoaded"), {"Unloaded", "Load is disconnected.", Green});
    }

    // The three toggles share one letter: the latest click's.
    void latestClickOwnsTheWire()
    {
        Rig rig;
        rig.click("cmd1PPSOnOff");
        QCOMPARE(rig.tick(), QByteArray("E"));
        rig.click("cmdLoaded");
        QCOMPARE(rig.tick(), QByteArray("l"));
        QCOMPARE(rig.tick(), QByteArray("l"));
        QCOMPARE(rig.port->writes.mid(rig.port->writes.size() - 3), (QList<QByteArray>{"E", "l", "l"}));

        // Clicks between two ticks: only the last one goes out.
        rig.click("cmdFstUpdt");
        rig.click("cmd1PPSOnOff");
        QCOMPARE(rig.tick(), QByteArray("D"));
        QCOMPARE(rig.window->commands().str1PPSState(), QStringLiteral("D"));
        QCOMPARE(rig.window->commands().strLoadState(), QStringLiteral("l"));
        for (const QByteArray &w : std::as_const(rig.port->writes))
            QCOMPARE(w.size(), 1);
    }
};

QTEST_MAIN(tst_commands)
#include "tst_commands.moc"
