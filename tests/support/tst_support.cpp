#include "FakeSerialControl.h"

#include <QtTest>

// The fake must behave like the control it stands in for, or every suite built
// on it tests the wrong thing.
class tst_support : public QObject
{
    Q_OBJECT
private slots:
    void fakeReadsAtMostInputLen()
    {
        FakeSerialControl port;
        port.setPortOpen(true);
        port.rx = "ab*";
        port.setInputLen(1);
        QCOMPARE(port.Input(), QByteArray("a"));
        port.setInputLen(0);
        QCOMPARE(port.Input(), QByteArray("b*"));
        QCOMPARE(port.Input(), QByteArray());
    }
    void fakeRefusesWhatTheRealControlRefuses()
    {
        FakeSerialControl port;
        QVERIFY_THROWS_EXCEPTION(LinkError, port.Output("u"));
        QVERIFY_THROWS_EXCEPTION(LinkError, port.setCommPort(9));
        port.failingPorts.insert(1);
        QVERIFY_THROWS_EXCEPTION(LinkError, port.setPortOpen(true));
        QVERIFY(!port.PortOpen());
    }
};

QTEST_GUILESS_MAIN(tst_support)
#include "tst_support.moc"
