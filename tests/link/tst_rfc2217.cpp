#include "link/Rfc2217Session.h"

#include <QtTest>

namespace {
using S = Rfc2217Session;

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (const int v : values)
        b.append(char(v));
    return b;
}

// The line settings, as the client asks for them once the server takes the option.
const QByteArray Settings = bytes({S::IAC, S::SB, 44, 1, 0, 0, 0x25, 0x80, S::IAC, S::SE}) // 9600 baud
                            + bytes({S::IAC, S::SB, 44, 2, 8, S::IAC, S::SE})              // 8 data bits
                            + bytes({S::IAC, S::SB, 44, 3, 1, S::IAC, S::SE})              // no parity
                            + bytes({S::IAC, S::SB, 44, 4, 1, S::IAC, S::SE})              // 1 stop bit
                            + bytes({S::IAC, S::SB, 44, 5, 1, S::IAC, S::SE});             // no flow control

// What ser2net 4 sends as a client connects, and after the client's offers.
const QByteArray Ser2netOpening = bytes({S::IAC, S::WILL, 3, S::IAC, S::DO,   3, S::IAC, S::WILL, 1, S::IAC, S::DONT, 1,
                                         S::IAC, S::DO,   0, S::IAC, S::WILL, 0, S::IAC, S::DO,   44});
const QByteArray Ser2netReplies
    = bytes({S::IAC, S::SB, 44, 107, 0, S::IAC, S::SE, S::IAC, S::DO, 3})
      + bytes({S::IAC, S::SB, 44, 101, 0, 0, 0x25, 0x80, S::IAC, S::SE})
      + bytes({S::IAC, S::SB, 44, 102, 8, S::IAC, S::SE, S::IAC, S::SB, 44, 103, 1, S::IAC, S::SE})
      + bytes({S::IAC, S::SB, 44, 104, 1, S::IAC, S::SE, S::IAC, S::SB, 44, 105, 1, S::IAC, S::SE});
} // namespace

// The telnet client of the network backend, byte for byte.
class tst_rfc2217 : public QObject
{
    Q_OBJECT

private slots:
    void offersOnStart()
    {
        Rfc2217Session session;
        QCOMPARE(session.start(), bytes({S::IAC, S::WILL, 0, S::IAC, S::DO, 0, S::IAC, S::WILL, 3, S::IAC, S::DO, 3,
                                         S::IAC, S::WILL, 44}));
        QCOMPARE(session.takeOutgoing(), QByteArray());
        QVERIFY(!session.lineConfirmed());
    }

    // One row per rule: what the server sends, the serial data in it and what
    // the client answers, after its offers. Every row also runs cut at every
    // point and byte by byte: a command split across two reads reads the same.
    void fromTheServer_data()
    {
        QTest::addColumn<QByteArray>("fromServer");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("confirmed");
        QTest::addColumn<bool>("refused");

        const QByteArray reply("300,290,1,10,3840,3277,u,*");
        QTest::newRow("plain data") << reply << reply << QByteArray() << false << false;
        QTest::newRow("doubled IAC is one data byte") << QByteArray("a") + bytes({S::IAC, S::IAC}) + "b"
                                                      << QByteArray("a\xff"
                                                                    "b")
                                                      << QByteArray() << false << false;
        QTest::newRow("ser2net's opening: echo refused, then the settings")
            << Ser2netOpening << QByteArray() << bytes({S::IAC, S::DONT, 1}) + Settings << false << false;
        QTest::newRow("ser2net's replies and notices, then data")
            << Ser2netOpening + Ser2netReplies + reply << reply << bytes({S::IAC, S::DONT, 1}) + Settings << true
            << false;
        QTest::newRow("line and modem notices inside a reply, IAC doubled in one")
            << QByteArray("30") + bytes({S::IAC, S::SB, 44, 106, 0x60, S::IAC, S::SE}) + "0,"
                   + bytes({S::IAC, S::SB, 44, 107, S::IAC, S::IAC, S::IAC, S::SE}) + "*"
            << QByteArray("300,*") << QByteArray() << false << false;
        QTest::newRow("NOP, go-ahead, data mark, are-you-there carry nothing")
            << QByteArray("a") + bytes({S::IAC, S::NOP, S::IAC, 249, S::IAC, 242, S::IAC, 246}) + "b"
            << QByteArray("ab") << QByteArray() << false << false;
        QTest::newRow("options not ours are refused")
            << bytes({S::IAC, S::WILL, 1, S::IAC, S::DO, 24, S::IAC, S::DO, 31, S::IAC, S::WILL, 44}) << QByteArray()
            << bytes({S::IAC, S::DONT, 1, S::IAC, S::WONT, 24, S::IAC, S::WONT, 31, S::IAC, S::DONT, 44}) << false
            << false;
        QTest::newRow("refusing what was never on needs no answer")
            << bytes({S::IAC, S::WONT, 1, S::IAC, S::DONT, 24}) << QByteArray() << QByteArray() << false << false;
        QTest::newRow("agreed options switched off are acknowledged")
            << bytes({S::IAC, S::DO, 0, S::IAC, S::DONT, 0, S::IAC, S::WILL, 3, S::IAC, S::WONT, 3}) << QByteArray()
            << bytes({S::IAC, S::WONT, 0, S::IAC, S::DONT, 3}) << false << false;
        QTest::newRow("agreement repeated is not answered again")
            << bytes({S::IAC, S::DO, 44, S::IAC, S::DO, 44, S::IAC, S::WILL, 0, S::IAC, S::WILL, 0, S::IAC, S::DO, 3,
                      S::IAC, S::DO, 3})
            << QByteArray() << Settings << false << false;
        QTest::newRow("COM port option refused")
            << bytes({S::IAC, S::DONT, 44}) << QByteArray() << QByteArray() << false << true;
        QTest::newRow("COM port option taken back") << bytes({S::IAC, S::DO, 44, S::IAC, S::DONT, 44}) << QByteArray()
                                                    << Settings + bytes({S::IAC, S::WONT, 44}) << false << true;
        QTest::newRow("stray SE") << bytes({S::IAC, S::SE}) + "x" << QByteArray("x") << QByteArray() << false << false;
        QTest::newRow("sub-negotiation cut short by a command")
            << bytes({S::IAC, S::SB, 44, 101, 0, S::IAC, S::WILL, 1}) + "z" << QByteArray("z")
            << bytes({S::IAC, S::DONT, 1}) << false << false;
        QTest::newRow("overlong sub-negotiation skipped")
            << bytes({S::IAC, S::SB, 44, 101}) + QByteArray(200, 'q') + bytes({S::IAC, S::SE}) + "ok"
            << QByteArray("ok") << QByteArray() << false << false;
        QTest::newRow("another option's sub-negotiation")
            << bytes({S::IAC, S::SB, 24, 1, S::IAC, S::SE}) + "*" << QByteArray("*") << QByteArray() << false << false;
    }
    void fromTheServer()
    {
        QFETCH(QByteArray, fromServer);
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, answer);
        QFETCH(bool, confirmed);
        QFETCH(bool, refused);

        for (qsizetype cut = 0; cut <= fromServer.size(); ++cut) {
            Rfc2217Session session;
            session.start();
            QByteArray got = session.receive(fromServer.left(cut));
            got += session.receive(fromServer.mid(cut));
            QCOMPARE(got, data);
            QCOMPARE(session.takeOutgoing(), answer);
            QCOMPARE(session.lineConfirmed(), confirmed);
            QCOMPARE(session.comPortRefused(), refused);
        }
        Rfc2217Session session;
        session.start();
        QByteArray got;
        for (const char c : fromServer)
            got += session.receive(QByteArray(1, c));
        QCOMPARE(got, data);
        QCOMPARE(session.takeOutgoing(), answer);
    }

    void escapesIacOnTheWayOut_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("letter") << QByteArray("u") << QByteArray("u");
        QTest::newRow("nothing") << QByteArray() << QByteArray();
        QTest::newRow("IAC") << QByteArray("\xff") << QByteArray("\xff\xff");
        QTest::newRow("two IACs among data") << QByteArray("a\xff\xff"
                                                           "b")
                                             << QByteArray("a\xff\xff\xff\xff"
                                                           "b");
    }
    void escapesIacOnTheWayOut()
    {
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, wire);
        QCOMPARE(Rfc2217Session::escape(data), wire);
    }

    void everyByteSurvivesTheRoundTrip()
    {
        QByteArray all;
        for (int i = 0; i < 256; ++i)
            all.append(char(i));
        all += all;
        Rfc2217Session session;
        QCOMPARE(session.receive(Rfc2217Session::escape(all)), all);
        QCOMPARE(session.takeOutgoing(), QByteArray());
    }

    // A purge asks for both of the server's buffers, counts the server's
    // answer, and what was negotiation is told apart from the data around it.
    void purgesAndTellsNegotiationApart()
    {
        Rfc2217Session session;
        session.start();
        session.receive(Ser2netOpening);
        session.takeOutgoing();
        session.takeNegotiation();
        session.purge();
        QCOMPARE(session.takeOutgoing(), bytes({S::IAC, S::SB, 44, 12, 3, S::IAC, S::SE}));

        const QByteArray answer = bytes({S::IAC, S::SB, 44, 112, 3, S::IAC, S::SE});
        QCOMPARE(session.receive("ab" + answer + bytes({'c', S::IAC, S::IAC, 'd'})), "abc" + bytes({S::IAC}) + "d");
        QCOMPARE(session.purgesAnswered(), 1);
        QCOMPARE(session.takeNegotiation(), answer);
        QCOMPARE(session.takeNegotiation(), QByteArray());
    }
};

QTEST_APPLESS_MAIN(tst_rfc2217)
#include "tst_rfc2217.moc"
