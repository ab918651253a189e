#include "FakeSerialControl.h"
#include "link/Comunication.h"

#include <QElapsedTimer>
#include <QtTest>

#include <cmath>

class tst_readreply : public QObject
{
    Q_OBJECT

    FakeSerialControl port;
    QList<float> waits;

private slots:
    void init()
    {
        port = FakeSerialControl();
        port.setPortOpen(true);
        port.opens = 0;
        waits.clear();
        Comunication::setSettleWait([this](float ms) { waits.append(ms); });
    }
    void cleanupTestCase() { Comunication::setSettleWait({}); }

    // Each read takes every complete reply waiting; what follows the last "*"
    // waits for the rest. arrivals: what the controller sent before each read.
    void reads_data()
    {
        QTest::addColumn<QList<QByteArray>>("arrivals");
        QTest::addColumn<QList<QStringList>>("reads"); // the result of each read
        QTest::addColumn<int>("resets");

        using Reads = QList<QStringList>;
        const QByteArray full = "300,290,1,10,3840,3277,u,*";
        QTest::newRow("one reply") << QList<QByteArray>{full} << Reads{{full}} << 0;
        QTest::newRow("a backlog, oldest first")
            << QList<QByteArray>{"300,290,*Test*" + full} << Reads{{"300,290,*", "Test*", full}} << 0;
        QTest::newRow("a backlog ending in half a reply: the rest completes it")
            << QList<QByteArray>{"a,*b,*c,", "d,*"} << Reads{{"a,*", "b,*"}, {"c,d,*"}} << 0;
        QTest::newRow("half a reply and nothing more: dropped")
            << QList<QByteArray>{"a,*c,", ""} << Reads{{"a,*"}, {"?"}} << 1;
        QTest::newRow("partial reply is dropped") << QList<QByteArray>{"300,290,1"} << Reads{{"?"}} << 1;
        QTest::newRow("partial then the rest after a reset: no stitching")
            << QList<QByteArray>{"300,290", "0,1,*"} << Reads{{"?"}, {"0,1,*"}} << 1;
        QTest::newRow("silent controller") << QList<QByteArray>{""} << Reads{{"?"}} << 1;
        QTest::newRow("bare terminators") << QList<QByteArray>{"*a,**"} << Reads{{"*", "a,*", "*"}} << 0;
        QTest::newRow("high bytes are Latin-1") << QList<QByteArray>{"T\xb0"
                                                                     "C\xff*"}
                                                << Reads{{QString::fromLatin1("T\xb0"
                                                                              "C\xff*")}}
                                                << 0;
        QTest::newRow("longest reply") << QList<QByteArray>{QByteArray(4095, 'A') + '*'}
                                       << Reads{{QString(4095, 'A') + '*'}} << 0;
        QTest::newRow("runaway line") << QList<QByteArray>{QByteArray(4096, 'A') + "*B*"} << Reads{{"?"}} << 1;
        QTest::newRow("runaway tail") << QList<QByteArray>{"a,*" + QByteArray(4096, 'A')} << Reads{{"?"}} << 1;
    }

    void reads()
    {
        QFETCH(QList<QByteArray>, arrivals);
        QFETCH(QList<QStringList>, reads);
        QFETCH(int, resets);

        QByteArray pending;
        for (qsizetype i = 0; i < reads.size(); ++i) {
            port.rx += arrivals.value(i);
            QCOMPARE(Comunication::ReadReplies(port, pending), reads[i]);
            QVERIFY(port.rx.isEmpty());
        }
        QCOMPARE(port.InputLen(), Comunication::InputChunk);
        QVERIFY(port.PortOpen());
        QCOMPARE(port.closes, resets);
        QCOMPARE(port.opens, resets);
        QCOMPARE(waits, QList<float>(reads.size(), 40.0f));
    }

    void floodIsTakenInPieces()
    {
        QByteArray pending;
        const QByteArray reply = "300,290,1,10,3840,3277,u,*";
        while (port.rx.size() < 2 * Comunication::MaxReadBytes)
            port.rx += reply;
        const QStringList first = Comunication::ReadReplies(port, pending);
        QVERIFY(!port.rx.isEmpty());
        QVERIFY(pending.size() < reply.size());
        QCOMPARE(first.constLast(), QString::fromLatin1(reply));
        QCOMPARE(first.size(), Comunication::MaxReadBytes / reply.size());
        // The rest at the next poll, the half reply completed.
        const QStringList second = Comunication::ReadReplies(port, pending);
        QVERIFY(second.constFirst().endsWith(QLatin1String("u,*")));
    }

    void closedPortReadsNothing()
    {
        port.setPortOpen(false);
        port.rx = "300,*";
        QByteArray pending = "30";
        QCOMPARE(Comunication::ReadReplies(port, pending), QStringList{QString()});
        QVERIFY(pending.isEmpty()); // a closed port's half reply is gone
        QCOMPARE(port.inputReads, 0);
        QVERIFY(waits.isEmpty());
        QCOMPARE(port.opens, 0);
        QCOMPARE(port.rx, QByteArray("300,*"));
    }

    void failingInputIsAReadFailure()
    {
        struct ThrowingPort : FakeSerialControl
        {
            QByteArray Input() override
            {
                ++inputReads;
                throw LinkError("device error");
            }
        } broken;
        broken.setPortOpen(true);
        QByteArray pending;
        QCOMPARE(Comunication::ReadReplies(broken, pending), QStringList{"?"});
        QCOMPARE(broken.closes, 1);
        QCOMPARE(broken.opens, 2);
        QVERIFY(broken.PortOpen());
    }

    void reopenFailurePropagates()
    {
        port.rx = "300,";
        port.failingPorts.insert(port.CommPort());
        QByteArray pending;
        QVERIFY_THROWS_EXCEPTION(LinkError, Comunication::ReadReplies(port, pending));
        QVERIFY(!port.PortOpen());
        // The next poll finds the port closed and reads nothing.
        QCOMPARE(Comunication::ReadReplies(port, pending), QStringList{QString()});
    }

    void waitLastsAtLeastItsLength()
    {
        QElapsedTimer clock;
        clock.start();
        Comunication::WaitMs(40.0f);
        QVERIFY2(clock.nsecsElapsed() >= 40'000'000, qPrintable(QString::number(clock.nsecsElapsed())));
    }

    void waitProcessesNoEvents()
    {
        bool fired = false;
        QTimer::singleShot(0, this, [&fired] { fired = true; });
        Comunication::WaitMs(40.0f);
        QVERIFY(!fired);
        QTRY_VERIFY(fired); // it was only held back, not lost
    }

    void waitWithoutLengthReturns_data()
    {
        QTest::addColumn<float>("ms");
        QTest::newRow("zero") << 0.0f;
        QTest::newRow("negative") << -40.0f;
        QTest::newRow("nan") << std::nanf("");
    }

    void waitWithoutLengthReturns()
    {
        // A deadline in the past must not wait until a clock comes round again.
        QFETCH(float, ms);
        QElapsedTimer clock;
        clock.start();
        Comunication::WaitMs(ms);
        QVERIFY(clock.elapsed() < 1000);
    }

    void realWaitIsTheDefault()
    {
        Comunication::setSettleWait({});
        port.rx = "a,*";
        QElapsedTimer clock;
        clock.start();
        QByteArray pending;
        QCOMPARE(Comunication::ReadReplies(port, pending), QStringList{"a,*"});
        QVERIFY(clock.nsecsElapsed() >= 40'000'000);
    }
};

QTEST_GUILESS_MAIN(tst_readreply)
#include "tst_readreply.moc"
