#include "BoxRecorder.h"
#include "FakePortInformation.h"
#include "PtyController.h"
#include "WindowProbe.h"

#include "app/frmVANTOPortTestGui.h"
#include "link/PortMap.h"
#include "link/QtSerialControl.h"
#include "ui/MsgBox.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

// The operator's controls end to end: the real serial backend on
// pseudo-terminals, the test playing the controller at their far ends.
class tst_operator_e2e
    : public QObject
    , private WindowProbe
{
    Q_OBJECT

    std::optional<BoxRecorder> m_recorder;
    PtyController m_port1;
    PtyController m_port2;
    std::unique_ptr<frmVANTOPortTestGui> m_window;

public:
    tst_operator_e2e()
        : WindowProbe(m_window)
    { }

private:
    static QWidget *setupDialog()
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("frmCommSetup"))
                return w;
        return nullptr;
    }
    // Letters the tool sends over the next polls, until `count` have come.
    static QByteArray letters(PtyController &line, int count)
    {
        QByteArray got;
        QDeadlineTimer deadline(5000);
        while (got.size() < count && !deadline.hasExpired()) {
            QTest::qWait(20);
            got += line.read(1);
        }
        return got;
    }
    // What the line carries once `polls` more ticks have run.
    QByteArray afterPolls(PtyController &line, int polls)
    {
        QSignalSpy ticks(child<QTimer>("Timer1"), &QTimer::timeout);
        QByteArray got;
        QDeadlineTimer deadline(5000);
        while (ticks.size() < polls && !deadline.hasExpired()) {
            QTest::qWait(10);
            got += line.read(1);
        }
        QTest::qWait(30); // lets a write still queued in the port reach the line
        return got + line.read(20);
    }

private slots:
    void init()
    {
        QVERIFY(m_port1.isOpen() && m_port2.isOpen());
        m_recorder.emplace();
        PortMap map;
        map.map(1, m_port1.slavePath());
        map.map(2, m_port2.slavePath());
        map.map(3, QStringLiteral("/nonexistent/vanto-port-3"));
        m_window = std::make_unique<frmVANTOPortTestGui>(std::make_unique<QtSerialControl>(
            map, std::make_shared<FakePortInformation>(QList{FakePortInformation::ftdi("ttyUSB1", "A50285BI")})));
        m_window->Form_Load();
    }
    void cleanup()
    {
        m_window.reset();
        m_recorder.reset();
        for (QWidget *w : QApplication::topLevelWidgets())
            w->close();
        m_port1.read(50);
        m_port2.read(50);
    }

    void clickChangesTheLetterWithinOnePoll()
    {
        QVERIFY(m_recorder->boxes.isEmpty());
        QCOMPARE(letters(m_port1, 2), QByteArray("uu"));

        // A click between two polls: the very next poll carries the new letter.
        m_port1.read(20);
        child<QPushButton>("cmd1PPSOnOff")->click();
        QByteArray got = afterPolls(m_port1, 1);
        QVERIFY2(got.endsWith('E') && got.size() <= 2, got.constData()); // at most one earlier letter in flight
        QCOMPARE(afterPolls(m_port1, 2), QByteArray("EE"));

        // Load engaged, on current readings of dead supplies: the controller's
        // echo repaints the button.
        m_port1.write("300,290,1,10,0,0,u,*");
        QTRY_COMPARE(child<QLineEdit>("txtLoadCanTemp")->text(), QStringLiteral("27"));
        m_port1.read(20);
        child<QPushButton>("cmdLoaded")->click();
        got = afterPolls(m_port1, 1);
        QVERIFY2(got.endsWith('l') && got.size() <= 2, got.constData());
        m_port1.write("301,290,1,10,0,0,l,*");
        QTRY_COMPARE(child<QLineEdit>("txtLoadCanTemp")->text(), QStringLiteral("28"));
        QCOMPARE(child<QPushButton>("cmdLoaded")->text(), QStringLiteral("Loaded"));
        QCOMPARE(child<QLabel>("lblCommStatData")->text(), QString());
        QCOMPARE(letters(m_port1, 2), QByteArray("ll"));
    }

    void portChangeMovesThePoll()
    {
        QCOMPARE(letters(m_port1, 1), QByteArray("u"));
        child<QPushButton>("cmdFstUpdt")->click();
        QCOMPARE(afterPolls(m_port1, 2).right(2), QByteArray("ss"));

        child<QAction>("mnuComms")->trigger();
        QWidget *dialog = setupDialog();
        QVERIFY(dialog && dialog->isVisible());
        auto *entry = dialog->findChild<QLineEdit *>(QStringLiteral("txtSubseaPort"));
        QCOMPARE(entry->text(), QStringLiteral("1"));
        entry->clear();
        QTest::keyClicks(entry, QStringLiteral("2"));
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmdDone")), Qt::LeftButton);
        QVERIFY(m_recorder->boxes.isEmpty());
        QVERIFY(!dialog->isVisible());
        QCOMPARE(m_window->VANTOSerComm().CommPort(), 2);
        m_port1.read(20); // whatever left before the switch

        // The second line now carries the poll, the first hears nothing more.
        QCOMPARE(letters(m_port2, 2), QByteArray("ss"));
        m_port2.write("310,290,1,10,0,0,u,*");
        QTRY_COMPARE(child<QLineEdit>("txtLoadCanTemp")->text(), QStringLiteral("37"));
        QCOMPARE(afterPolls(m_port1, 3), QByteArray());
        QVERIFY(child<QTimer>("Timer1")->isActive());
    }

    // A port that isn't there: the operator is told why, the line stays quiet,
    // and picking the first port again brings the poll back.
    void missingPortThenBack()
    {
        QCOMPARE(letters(m_port1, 1), QByteArray("u"));
        child<QAction>("mnuComms")->trigger();
        QWidget *dialog = setupDialog();
        auto *entry = dialog->findChild<QLineEdit *>(QStringLiteral("txtSubseaPort"));
        auto *done = dialog->findChild<QPushButton *>(QStringLiteral("cmdDone"));
        entry->clear();
        QTest::keyClicks(entry, QStringLiteral("3"));
        QTest::mouseClick(done, Qt::LeftButton);

        QCOMPARE(m_recorder->boxes.size(), 1);
        QCOMPARE(m_recorder->boxes[0],
                 QStringLiteral("Communication error|Incorrect comm port configuration for this machine!"
                                "\n\n/nonexistent/vanto-port-3 does not exist; serial ports here: "
                                "/dev/ttyUSB1 (FT232R USB UART)"));
        QVERIFY(dialog->isVisible());
        QVERIFY(!m_window->VANTOSerComm().PortOpen());
        QCOMPARE(m_window->VANTOSerComm().CommPort(), 3);
        QVERIFY(child<QTimer>("Timer1")->isActive());
        m_port1.read(20);
        QCOMPARE(afterPolls(m_port1, 2), QByteArray());
        QCOMPARE(child<QLabel>("lblCommStatData")->text(), QStringLiteral("No Data"));

        entry->clear();
        QTest::keyClicks(entry, QStringLiteral("1"));
        QTest::mouseClick(done, Qt::LeftButton);
        QCOMPARE(m_recorder->boxes.size(), 1);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(letters(m_port1, 2), QByteArray("uu"));
    }
};

QTEST_MAIN(tst_operator_e2e)
#include "tst_operator_e2e.moc"
