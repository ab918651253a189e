#include "AnsweringController.h"
#include "BoxRecorder.h"
#include "WindowProbe.h"

#include "app/frmVANTOPortTestGui.h"
#include "commands/CommandToggles.h"
#include "instruments/DialGauge.h"
#include "instruments/Lamp.h"
#include "link/PortMap.h"
#include "link/QtSerialControl.h"
#include "ui/MsgBox.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

// The poll cycle over the real serial backend: port 1 is a symbolic link the
// test points at a pseudo-terminal whose far end the test drives.
class tst_poll_e2e
    : public QObject
    , private WindowProbe
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_link;
    std::optional<BoxRecorder> m_recorder;
    QtSerialControl *m_port = nullptr;
    std::unique_ptr<frmVANTOPortTestGui> m_window;

public:
    tst_poll_e2e()
        : WindowProbe(m_window)
    { }

private:
    bool pointLinkAt(const QString &device)
    {
        QFile::remove(m_link);
        return QFile::link(device, m_link);
    }
    void startTool()
    {
        PortMap ports;
        ports.map(1, m_link);
        auto serial = std::make_unique<QtSerialControl>(ports);
        m_port = serial.get();
        m_window = std::make_unique<frmVANTOPortTestGui>(std::move(serial));
        m_window->Form_Load();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_link = m_dir.filePath(QStringLiteral("controller"));
    }
    void init() { m_recorder.emplace(BoxRecorder::Record::Text); }
    void cleanup()
    {
        m_window.reset();
        QFile::remove(m_link);
        m_recorder.reset();
    }

    // Ticks driven by hand, the test writing the controller's replies.
    void firstTickThenRepliesThenRepeatedLetter()
    {
        PtyController controller;
        QVERIFY(controller.isOpen());
        QVERIFY(pointLinkAt(controller.slavePath()));
        startTool();
        QVERIFY(m_port->PortOpen());
        Timer1()->stop();

        m_window->Timer1_Timer();
        QCOMPARE(raw(), QStringLiteral("?"));
        QCOMPARE(status(), QStringLiteral("No Data"));
        QVERIFY(!serialLamp());
        QVERIFY(m_port->PortOpen()); // reset, not lost
        QCOMPARE(controller.read(), QByteArray("u"));

        controller.write("300,290,1,10,3840,3277,u,*");
        m_window->Timer1_Timer();
        QVERIFY(serialLamp());
        QCOMPARE(status(), QString());
        QCOMPARE(child<QLineEdit>("txtLoadCanTemp")->text(), QStringLiteral("27"));
        QCOMPARE(child<QLineEdit>("txtCtrCanTemp")->text(), QStringLiteral("17"));
        QCOMPARE(child<QLineEdit>("txtPlsFreq")->text(), QStringLiteral("1"));
        QCOMPARE(child<QLineEdit>("txtPlsWdth")->text(), QStringLiteral("10"));
        QCOMPARE(child<QLabel>("lbl400VDC")->text(), QStringLiteral("375"));
        QCOMPARE(child<QLabel>("lbl48VDC")->text(), QStringLiteral("48"));
        QCOMPARE(controller.read(), QByteArray("u"));

        child<QPushButton>("cmd1PPSOnOff")->click();
        QByteArray sent;
        for (int i = 0; i < 3; ++i) {
            controller.write("300,290,1,10,3840,3277,u,*");
            m_window->Timer1_Timer();
            QVERIFY(serialLamp());
            sent += controller.read(100);
        }
        QCOMPARE(sent, QByteArray("EEE"));

        // Silent again: the port is reset and the letter still goes out.
        m_window->Timer1_Timer();
        QCOMPARE(status(), QStringLiteral("No Data"));
        QVERIFY(!serialLamp());
        QCOMPARE(controller.read(), QByteArray("E"));
        QVERIFY(m_recorder->boxes.isEmpty());
    }

    // The controller's device goes away and a new one appears under the same
    // name; the running tool finds it by itself.
    void controllerVanishesAndReturns_data()
    {
        QTest::addColumn<int>("awayMs");
        QTest::newRow("replaced at once") << 0;
        QTest::newRow("away for a while") << 1300;
    }
    void controllerVanishesAndReturns()
    {
        QFETCH(int, awayMs);
        auto a = std::make_unique<AnsweringController>("300,290,1,10,3840,3277,u,*");
        QVERIFY(pointLinkAt(a->pty().slavePath()));
        startTool();
        QTRY_COMPARE_WITH_TIMEOUT(child<QLineEdit>("txtLoadCanTemp")->text(), QStringLiteral("27"), 2000);
        QVERIFY(serialLamp());

        a.reset(); // pulled out
        QFile::remove(m_link);
        QTRY_VERIFY_WITH_TIMEOUT(!serialLamp(), 1000);
        QTest::qWait(awayMs);
        QCOMPARE(status(), QStringLiteral("No Data"));

        AnsweringController b("310,290,1,10,3840,3277,u,*");
        QVERIFY(pointLinkAt(b.pty().slavePath()));
        QElapsedTimer back;
        back.start();
        QTRY_VERIFY_WITH_TIMEOUT(!b.heard().isEmpty(), 1500);
        QTRY_COMPARE_WITH_TIMEOUT(child<QLineEdit>("txtLoadCanTemp")->text(), QStringLiteral("37"), 1000);
        qInfo("polling resumed %lld ms after the device came back", qint64(back.elapsed()));
        QVERIFY(serialLamp());
        QVERIFY(b.heard().count('u') == b.heard().size());
        QVERIFY(Timer1()->isActive());
        QVERIFY(m_recorder->boxes.isEmpty());
    }

    // The controller falls silent: within 2 s the readings are dimmed and the
    // load can't be switched on them; its replies restore both.
    void silenceDimsAndLocksTheLoad()
    {
        AnsweringController controller("300,290,1,10,0,0,u,*"); // both supplies dead
        QVERIFY(pointLinkAt(controller.pty().slavePath()));
        startTool();
        QTRY_COMPARE_WITH_TIMEOUT(child<QLineEdit>("txtLoadCanTemp")->text(), QStringLiteral("27"), 2000);
        const auto dimmed = [this] {
            return child<Lamp>("sts400OK")->isDimmed() && child<DialGauge>("agd48VDC")->isDimmed()
                   && child<QLineEdit>("txtLoadCanTemp")->palette().color(QPalette::Active, QPalette::Text)
                          == child<QLineEdit>("txtLoadCanTemp")->palette().color(QPalette::Disabled, QPalette::Text);
        };
        QVERIFY(!dimmed());

        controller.setSilent(true);
        QTRY_VERIFY_WITH_TIMEOUT(dimmed(), 3000);
        QVERIFY(!child<Lamp>("CWButton2")->isDimmed());
        QVERIFY(child<QLabel>("statusLine")->text().contains(QStringLiteral("readings stale")));
        child<QPushButton>("cmdLoaded")->click();
        QCOMPARE(m_recorder->boxes, QStringList{CommandToggles::NoReadingsText});
        QCOMPARE(m_window->commands().strCommand(), QStringLiteral("u"));

        controller.setSilent(false);
        QTRY_VERIFY_WITH_TIMEOUT(!child<Lamp>("sts400OK")->isDimmed(), 1000);
        QVERIFY(!dimmed());
        child<QPushButton>("cmdLoaded")->click();
        QCOMPARE(m_recorder->boxes.size(), 1);
        QCOMPARE(m_window->commands().strCommand(), QStringLiteral("l"));
    }

    // A controller that stalls and then answers every letter it owes at once:
    // the window takes the whole backlog at one poll, and when the supplies
    // went live meanwhile the load is refused on the newest reading, not on a
    // dead one still queued.
    void backlogNeverHidesLiveSupplies()
    {
        AnsweringController controller("300,290,1,10,0,0,u,*"); // both supplies dead
        QVERIFY(pointLinkAt(controller.pty().slavePath()));
        startTool();
        QTRY_COMPARE_WITH_TIMEOUT(child<QLabel>("lbl400VDC")->text(), QStringLiteral("0"), 2000);

        controller.stall();
        QTest::qWait(3000);
        const int owed = controller.resume();
        QVERIFY2(owed >= 8, qPrintable(QString::number(owed)));
        controller.setReply("300,290,1,10,3840,3277,u,*"); // made live at the node
        QTRY_COMPARE_WITH_TIMEOUT(child<QLabel>("lbl400VDC")->text(), QStringLiteral("375"), 1000);
        QVERIFY(child<QLabel>("statusLine")->text().contains(QStringLiteral("readings current")));

        child<QPushButton>("cmdLoaded")->click();
        QCOMPARE(m_recorder->boxes, QStringList{CommandToggles::LoadPoweredText});
        QCOMPARE(m_window->commands().strCommand(), QStringLiteral("u"));
        QVERIFY(controller.heard().endsWith('u'));
        bool backlogTold = false;
        for (const EventEntry &e : m_window->session().events())
            backlogTold |= e.kind == EventKind::RepliesLate && e.text.endsWith(QLatin1String("late together"));
        QVERIFY(backlogTold);
    }
};

QTEST_MAIN(tst_poll_e2e)
#include "tst_poll_e2e.moc"
