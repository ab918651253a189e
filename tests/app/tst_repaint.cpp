#include "FakeSerialControl.h"

#include "app/frmVANTOPortTestGui.h"
#include "link/Comunication.h"
#include "ui/MsgBox.h"

#include <QApplication>
#include <QTimer>
#include <QtTest>

namespace {

// Names the paint events the window's own controls receive.
class PaintRecorder : public QObject
{
public:
    QSet<QString> painted;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !watched->objectName().isEmpty())
            painted.insert(watched->objectName());
        return false;
    }
};

const QStringList Controls{"CWButton1",       "CWButton2",  "cmdFstUpdt", "cmdLoaded",     "cmd1PPSOnOff",
                           "agd400VDC",       "lbl400VDC",  "sts400OK",   "agd48VDC",      "lbl48VDC",
                           "sts48OK",         "txtPlsWdth", "txtPlsFreq", "txtCtrCanTemp", "txtLoadCanTemp",
                           "lblCommStatData", "Text1"};

} // namespace

// A tick paints only what its reply changed: on a laptop on battery, polling
// four times a second must not redraw a window that shows the same thing.
class tst_repaint : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Comunication::setSettleWait([](float) {});
        setMsgBoxResponder([](const QString &, const QString &, MsgBoxButtons) { return MsgBoxAnswer::Ok; });
    }
    void cleanupTestCase()
    {
        Comunication::setSettleWait({});
        setMsgBoxResponder({});
    }

    void paintsWhatChanged_data()
    {
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("second");
        QTest::addColumn<QStringList>("expected");

        const QByteArray worked("300,290,1,10,3840,3277,u,*");
        QTest::newRow("same reply") << worked << worked << QStringList{};
        QTest::newRow("same text message")
            << QByteArray("Controller reset*") << QByteArray("Controller reset*") << QStringList{};
        QTest::newRow("silent again") << QByteArray() << QByteArray() << QStringList{};
        QTest::newRow("400 V moves") << worked << QByteArray("300,290,1,10,3700,3277,u,*")
                                     << QStringList{"Text1", "agd400VDC", "lbl400VDC"};
        QTest::newRow("48 V out of range") << worked << QByteArray("300,290,1,10,3840,4000,u,*")
                                           << QStringList{"Text1", "agd48VDC", "lbl48VDC", "sts48OK"};
        QTest::newRow("load engaged") << worked << QByteArray("300,290,1,10,3840,3277,l,*")
                                      << QStringList{"Text1", "cmdLoaded"};
        QTest::newRow("pulse width") << worked << QByteArray("300,290,1,11,3840,3277,u,*")
                                     << QStringList{"Text1", "txtPlsWdth"};
        QTest::newRow("load can warms") << worked << QByteArray("301,290,1,10,3840,3277,u,*")
                                        << QStringList{"Text1", "txtLoadCanTemp"};
    }

    void paintsWhatChanged()
    {
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, second);
        QFETCH(QStringList, expected);

        auto owned = std::make_unique<FakeSerialControl>();
        FakeSerialControl &port = *owned;
        frmVANTOPortTestGui window(std::move(owned));
        window.Form_Load();
        window.findChild<QTimer *>(QStringLiteral("Timer1"))->stop();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        port.rx = first;
        window.Timer1_Timer();
        QApplication::processEvents();

        PaintRecorder recorder;
        qApp->installEventFilter(&recorder);
        port.rx = second;
        window.Timer1_Timer();
        QApplication::processEvents();
        qApp->removeEventFilter(&recorder);

        QStringList painted;
        for (const QString &name : Controls)
            if (recorder.painted.contains(name))
                painted.append(name);
        expected.sort();
        painted.sort();
        QCOMPARE(painted.join(u' '), expected.join(u' '));
        window.close();
    }
};

QTEST_MAIN(tst_repaint)
#include "tst_repaint.moc"
