#include "WindowRig.h"

#include "app/frmVANTOPortTestGui.h"
#include "instruments/Lamp.h"
#include "link/Comunication.h"
#include "link/frmCommSetup.h"
#include "ui/MsgBox.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {
const QString Bad = QStringLiteral("Bad Port Value|Subsea Port Value Can Not Be Blank less than, 1 or greater than 8!");
const QString Comm = QStringLiteral("Communication error|Incorrect comm port configuration for this machine!");

// The dialog on its own, over a fake port and a poll timer, which it reaches
// as it reaches the run: through the Done sequence.
struct DialogRig : PortChooser
{
    FakeSerialControl serial;
    QTimer Timer1;
    frmCommSetup dialog{*this, [] { return true; }};

    int currentPort() const override { return serial.CommPort(); }
    bool choose(const PortEntry &entry, const std::function<void(const PortMessage &)> &show) override
    {
        return PortSetup(serial).done(entry, show);
    }
    void chosen() override
    {
        visibleWhenChosen = dialog.isVisible();
        if (!Timer1.isActive())
            Timer1.start();
    }
    std::optional<bool> visibleWhenChosen; // the dialog, when polling was switched on

    // A port that opened at start-up and a running poll, or a failed start-up:
    // port 1 missing, port closed, poll stopped.
    explicit DialogRig(bool startFailed)
    {
        Timer1.setInterval(250);
        if (startFailed) {
            serial.failingPorts.insert(1);
        } else {
            serial.setPortOpen(true);
            Timer1.start();
        }
    }
    QLineEdit *txtSubseaPort() { return dialog.findChild<QLineEdit *>(QStringLiteral("txtSubseaPort")); }
    QPushButton *button(const char *name) { return dialog.findChild<QPushButton *>(QLatin1String(name)); }
    void type(const QString &entry)
    {
        txtSubseaPort()->clear();
        QTest::keyClicks(txtSubseaPort(), entry);
    }
    void press(const char *name)
    {
        button(name)->setFocus();
        QTest::mouseClick(button(name), Qt::LeftButton);
    }
};

// The real window on a fake port, started, with the port setup dialog at hand.
struct SetupRig : WindowRig
{
    explicit SetupRig(bool portFails = false)
        : WindowRig(portFails)
    {
        window->Form_Load();
    }
    QString status() const { return child<QLabel>("lblCommStatData")->text(); }
    void openSetup() const { child<QAction>("mnuComms")->trigger(); }
    static QWidget *dialog() { return topLevel("frmCommSetup"); }
    static QLineEdit *txtSubseaPort() { return dialog()->findChild<QLineEdit *>(QStringLiteral("txtSubseaPort")); }
    static void type(const QString &entry)
    {
        txtSubseaPort()->clear();
        QTest::keyClicks(txtSubseaPort(), entry);
    }
    static void pressDone()
    {
        QTest::mouseClick(dialog()->findChild<QPushButton *>(QStringLiteral("cmdDone")), Qt::LeftButton);
    }
};

// What the poll did while one message box stood open.
struct DuringBox
{
    QString box;
    int ticks = 0;
    bool portOpen = true;
    qsizetype sent = 0;
    QString status;
};
} // namespace

class tst_commsetup : public QObject
{
    Q_OBJECT

    QStringList m_boxes; // "title|text" of every box, in order

    void answerBoxes()
    {
        setMsgBoxResponder([this](const QString &text, const QString &title, MsgBoxButtons buttons) {
            m_boxes << title + QLatin1Char('|') + text;
            if (buttons != MsgBoxButtons::OkOnly)
                m_boxes << QStringLiteral("not an OK-only box");
            return MsgBoxAnswer::Ok;
        });
    }

private slots:
    void initTestCase()
    {
        Comunication::setSettleWait([](float) {});
    }
    void init()
    {
        QLocale::setDefault(QLocale::c());
        m_boxes.clear();
        answerBoxes();
    }
    void cleanup()
    {
        setMsgBoxResponder({});
        for (QWidget *w : QApplication::topLevelWidgets())
            w->close();
    }

    // The dialog shows what Done says, puts the focus back in the entry after
    // each message, and goes when the port was taken. (Every entry and outcome
    // of Done itself: tst_portsetup.)
    void done_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<bool>("dialogOpen");
        QTest::newRow("accepted") << "3" << QStringList() << false;
        QTest::newRow("rejected") << "9" << QStringList{Bad} << true;
        QTest::newRow("not a number: a typo keeps the link") << "abc" << QStringList{Bad} << true;
    }
    void done()
    {
        QFETCH(QString, entry);
        QFETCH(QStringList, boxes);
        QFETCH(bool, dialogOpen);

        DialogRig rig(false);
        rig.dialog.Show();
        QCOMPARE(rig.txtSubseaPort()->text(), QStringLiteral("1"));
        rig.type(entry);
        rig.press("cmdDone");

        QCOMPARE(m_boxes, boxes);
        QCOMPARE(rig.dialog.isVisible(), dialogOpen);
        if (dialogOpen) {
            // The operator corrects the entry where it stands.
            QCOMPARE(rig.dialog.focusWidget(), rig.txtSubseaPort());
            QCOMPARE(rig.txtSubseaPort()->text(), entry);
        } else {
            QCOMPARE(rig.serial.CommPort(), 3);
            // Unloaded first, then polling started.
            QCOMPARE(rig.visibleWhenChosen, std::optional<bool>(false));
        }
    }

    void cancelAndCloseBoxChangeNothing_data()
    {
        QTest::addColumn<bool>("startFailed");
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("Cancel") << false << false;
        QTest::newRow("close box") << false << true;
        QTest::newRow("Cancel after a failed start") << true << false;
        QTest::newRow("close box after a failed start") << true << true;
    }
    void cancelAndCloseBoxChangeNothing()
    {
        QFETCH(bool, startFailed);
        QFETCH(bool, closeBox);

        DialogRig rig(startFailed);
        rig.dialog.Show();
        rig.type(QStringLiteral("5"));
        if (closeBox)
            rig.dialog.close();
        else
            rig.press("cmdCancel");

        QVERIFY(!rig.dialog.isVisible());
        QVERIFY(m_boxes.isEmpty());
        QCOMPARE(rig.serial.PortOpen(), !startFailed);
        QCOMPARE(rig.serial.CommPort(), 1);
        QCOMPARE(rig.serial.opens, startFailed ? 0 : 1);
        QCOMPARE(rig.serial.closes, 0);
        QVERIFY(rig.serial.requestedPorts.isEmpty());
        QCOMPARE(rig.Timer1.isActive(), !startFailed);
    }

    // After a port that couldn't be opened, Cancel leaves it closed on the number tried.
    void cancelAfterAFailedOpenLeavesThePortClosed()
    {
        DialogRig rig(false);
        rig.serial.failingPorts.insert(4);
        rig.dialog.Show();
        rig.type(QStringLiteral("4"));
        rig.press("cmdDone");
        rig.press("cmdCancel");
        QVERIFY(!rig.dialog.isVisible());
        QVERIFY(!rig.serial.PortOpen());
        QCOMPARE(rig.serial.CommPort(), 4);
        QCOMPARE(m_boxes, QStringList{Comm});
    }

    void looks()
    {
        DialogRig rig(false);
        rig.dialog.Show();
        QCOMPARE(rig.dialog.windowTitle(), QStringLiteral("Communication Setup"));
        QCOMPARE(rig.dialog.size(), QSize(312, 213));
        QVERIFY(!rig.dialog.parentWidget());
        QCOMPARE(rig.dialog.windowType(), Qt::Window);

        const QLabel *instruction = rig.dialog.findChild<QLabel *>(QStringLiteral("Label1"));
        QCOMPARE(instruction->text(), QStringLiteral("Input a port number for the subsea communication port. "
                                                     "Then click \"Done\". Valid numbers are from 1 thru 8"));
        QCOMPARE(instruction->geometry(), QRect(24, 8, 281, 49));
        QCOMPARE(rig.dialog.findChild<QLabel *>(QStringLiteral("Label2"))->text(), QStringLiteral("Subsea Port"));
        QCOMPARE(rig.dialog.findChild<QLabel *>(QStringLiteral("Label2"))->geometry(), QRect(8, 72, 73, 17));
        QCOMPARE(rig.txtSubseaPort()->geometry(), QRect(8, 96, 49, 19));
        QCOMPARE(rig.button("cmdDone")->text(), QStringLiteral("Done"));
        QCOMPARE(rig.button("cmdDone")->geometry(), QRect(208, 96, 65, 25));
        QCOMPARE(rig.button("cmdCancel")->text(), QStringLiteral("Cancel"));
        QCOMPARE(rig.button("cmdCancel")->geometry(), QRect(208, 136, 65, 25));
        QCOMPARE(rig.txtSubseaPort()->nextInFocusChain(), rig.button("cmdDone"));
        QCOMPARE(rig.button("cmdDone")->nextInFocusChain(), rig.button("cmdCancel"));

        if (const QByteArray dir = qgetenv("VANTO_SCREENSHOT_DIR"); !dir.isEmpty())
            rig.dialog.grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/commsetup.png"));
    }

    void textBoxHasTheFocusWhenItOpens()
    {
        DialogRig rig(false);
        rig.dialog.Show();
        QVERIFY(QTest::qWaitForWindowActive(&rig.dialog));
        QCOMPARE(QApplication::focusWidget(), rig.txtSubseaPort());

        // Also when it opens again after Cancel had the focus.
        rig.press("cmdCancel");
        rig.dialog.Show();
        QVERIFY(QTest::qWaitForWindowActive(&rig.dialog));
        QCOMPARE(QApplication::focusWidget(), rig.txtSubseaPort());
    }

    void enterAndEscPressNothing()
    {
        DialogRig rig(false);
        rig.dialog.Show();
        QVERIFY(QTest::qWaitForWindowActive(&rig.dialog));
        rig.type(QStringLiteral("3"));
        for (QWidget *target :
             {static_cast<QWidget *>(rig.txtSubseaPort()), static_cast<QWidget *>(rig.button("cmdDone")),
              static_cast<QWidget *>(rig.button("cmdCancel"))}) {
            target->setFocus();
            for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
                QTest::keyClick(target, key);
        }
        QVERIFY(rig.dialog.isVisible());
        QVERIFY(m_boxes.isEmpty());
        QCOMPARE(rig.serial.CommPort(), 1);
        QCOMPARE(rig.serial.opens, 1);
        QCOMPARE(rig.serial.closes, 0);
        QCOMPARE(rig.txtSubseaPort()->text(), QStringLiteral("3"));
    }

    void showingAgainKeepsTheTypedText()
    {
        SetupRig rig;
        rig.openSetup();
        QWidget *dialog = SetupRig::dialog();
        QVERIFY(dialog && dialog->isVisible());
        SetupRig::type(QStringLiteral("5"));
        rig.openSetup();
        QVERIFY(dialog->isVisible());
        QCOMPARE(SetupRig::txtSubseaPort()->text(), QStringLiteral("5"));

        // Tucked away in the taskbar, it comes back as it was.
        dialog->setWindowState(Qt::WindowMinimized);
        rig.openSetup();
        QVERIFY(!dialog->isMinimized());
        QCOMPARE(SetupRig::txtSubseaPort()->text(), QStringLiteral("5"));
        QCOMPARE(rig.port->CommPort(), 1);
        QVERIFY(m_boxes.isEmpty());
    }

    void openedAnewShowsTheCurrentPort()
    {
        SetupRig rig;
        rig.openSetup();
        SetupRig::type(QStringLiteral("3.5"));
        SetupRig::pressDone();
        QVERIFY(!SetupRig::dialog()->isVisible());
        QCOMPARE(rig.port->CommPort(), 4);

        rig.openSetup();
        QCOMPARE(SetupRig::txtSubseaPort()->text(), QStringLiteral("4"));
        SetupRig::type(QStringLiteral("7"));
        SetupRig::dialog()->close();
        rig.openSetup();
        QCOMPARE(SetupRig::txtSubseaPort()->text(), QStringLiteral("4"));
    }

    // Start-up fails on port 1; the operator picks port 2 and polling begins.
    void failedStartRecoversThroughTheDialog()
    {
        SetupRig rig(true);
        QCOMPARE(m_boxes, QStringList{Comm});
        QVERIFY(SetupRig::dialog() && SetupRig::dialog()->isVisible());
        QVERIFY(!rig.Timer1()->isActive());

        SetupRig::type(QStringLiteral("2"));
        SetupRig::pressDone();
        QVERIFY(!SetupRig::dialog()->isVisible());
        QVERIFY(rig.port->PortOpen());
        QCOMPARE(rig.port->CommPort(), 2);
        QVERIFY(rig.Timer1()->isActive());
        QTRY_VERIFY(!rig.port->writes.isEmpty());
        QCOMPARE(rig.port->writes.first(), QByteArray("u"));
        QCOMPARE(m_boxes, QStringList{Comm});
    }

    // While a message of the dialog is up, the poll keeps ticking on a closed
    // port: "No Data", nothing sent, no failure.
    void pollRunsOnAClosedPortWhileAMessageIsUp_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("missingPort");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<bool>("portOpenAfter");
        QTest::newRow("bad value") << "9" << 0 << QStringList{Bad} << true;
        QTest::newRow("not a number: a typo keeps the link") << "abc" << 0 << QStringList{Bad} << true;
        QTest::newRow("port can't be opened") << "3" << 3 << QStringList{Comm} << false;
        QTest::newRow("neither new nor old port") << "9" << 1 << QStringList{Bad, Comm} << false;
    }
    void pollRunsOnAClosedPortWhileAMessageIsUp()
    {
        QFETCH(QString, entry);
        QFETCH(int, missingPort);
        QFETCH(QStringList, boxes);
        QFETCH(bool, portOpenAfter);

        SetupRig rig;
        QVERIFY(rig.Timer1()->isActive());
        QTRY_VERIFY(!rig.port->writes.isEmpty());
        QSignalSpy ticks(rig.Timer1(), &QTimer::timeout);
        QList<DuringBox> seen;
        setMsgBoxResponder([&](const QString &text, const QString &title, MsgBoxButtons) {
            DuringBox d;
            d.box = title + QLatin1Char('|') + text;
            const qsizetype ticksBefore = ticks.size();
            const qsizetype sentBefore = rig.port->writes.size();
            QTest::qWait(700); // the box's own event loop, as it were
            d.ticks = int(ticks.size() - ticksBefore);
            d.portOpen = rig.port->PortOpen();
            d.sent = rig.port->writes.size() - sentBefore;
            d.status = rig.status();
            seen << d;
            return MsgBoxAnswer::Ok;
        });
        if (missingPort)
            rig.port->failingPorts.insert(missingPort);

        rig.openSetup();
        SetupRig::type(entry);
        SetupRig::pressDone();

        QCOMPARE(seen.size(), boxes.size());
        for (qsizetype i = 0; i < seen.size(); ++i) {
            QCOMPARE(seen[i].box, boxes[i]);
            QVERIFY(seen[i].ticks >= 1);
            QVERIFY(!seen[i].portOpen);
            QCOMPARE(seen[i].sent, 0);
            QCOMPARE(seen[i].status, QStringLiteral("No Data"));
        }
        QVERIFY(SetupRig::dialog()->isVisible());
        QVERIFY(rig.Timer1()->isActive());
        QCOMPARE(rig.port->PortOpen(), portOpenAfter);

        // Still closed a while later: nothing reopens the operator's port behind their back.
        const qsizetype sent = rig.port->writes.size();
        QTest::qWait(600);
        QCOMPARE(rig.port->PortOpen(), portOpenAfter);
        if (!portOpenAfter) {
            QCOMPARE(rig.port->writes.size(), sent);
            QCOMPARE(rig.status(), QStringLiteral("No Data"));
        } else {
            QVERIFY(rig.port->writes.size() > sent);
        }
    }

    // A real box, answered by its OK button from a timer: the poll ticks on
    // underneath it.
    void realBoxLetsThePollRun()
    {
        SetupRig rig;
        QTRY_VERIFY(!rig.port->writes.isEmpty());
        rig.openSetup();
        SetupRig::type(QStringLiteral("9"));
        setMsgBoxResponder({});

        QSignalSpy ticks(rig.Timer1(), &QTimer::timeout);
        QString text, title;
        int ticksWhileOpen = 0;
        bool portOpenWhileOpen = true;
        qsizetype sentWhileOpen = -1;
        QString statusWhileOpen;
        qsizetype sentAtOpen = -1;
        QTimer answer;
        answer.setInterval(50);
        connect(&answer, &QTimer::timeout, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            if (sentAtOpen < 0) {
                sentAtOpen = rig.port->writes.size();
                ticks.clear();
            }
            if (ticks.size() < 3)
                return;
            text = box->text();
            title = box->windowTitle();
            ticksWhileOpen = int(ticks.size());
            portOpenWhileOpen = rig.port->PortOpen();
            sentWhileOpen = rig.port->writes.size() - sentAtOpen;
            statusWhileOpen = rig.status();
            answer.stop();
            box->button(QMessageBox::Ok)->click();
        });
        answer.start();
        SetupRig::pressDone(); // returns once the box is answered

        QCOMPARE(title, QStringLiteral("Bad Port Value"));
        QCOMPARE(text, QStringLiteral("Subsea Port Value Can Not Be Blank less than, 1 or greater than 8!"));
        QVERIFY(ticksWhileOpen >= 3);
        QVERIFY(!portOpenWhileOpen);
        QCOMPARE(sentWhileOpen, 0);
        QCOMPARE(statusWhileOpen, QStringLiteral("No Data"));
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(SetupRig::dialog()->focusWidget(), SetupRig::txtSubseaPort());
        QCOMPARE(SetupRig::txtSubseaPort()->text(), QStringLiteral("9"));

        // The old port is back and polled again.
        QVERIFY(rig.port->PortOpen());
        QCOMPARE(rig.port->CommPort(), 1);
        const qsizetype sent = rig.port->writes.size();
        QTRY_VERIFY(rig.port->writes.size() > sent);
    }
};

QTEST_MAIN(tst_commsetup)
#include "tst_commsetup.moc"
