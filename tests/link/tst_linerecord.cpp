#include "link/LineRecord.h"

#include <QtTest>

// The line's bytes as kept: escaped, in hex, bounded, and each reply timed
// from its letter.
class tst_linerecord : public QObject
{
    Q_OBJECT

private slots:
    void texts_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("escaped");
        QTest::addColumn<QString>("hex");
        QTest::newRow("printable as it is") << QByteArray("300,u,*") << "300,u,*"
                                            << "33 30 30 2C 75 2C 2A";
        QTest::newRow("line ends, tab, backslash") << QByteArray("\r\n\t\\") << "\\r\\n\\t\\\\"
                                                   << "0D 0A 09 5C";
        QTest::newRow("NUL, DEL and high bytes") << QByteArray("a\x00\x7f\xff", 4) << "a\\x00\\x7f\\xff"
                                                 << "61 00 7F FF";
    }
    void texts()
    {
        QFETCH(QByteArray, bytes);
        QTEST(escapedText(bytes), "escaped");
        QTEST(hexText(bytes), "hex");
    }

    void keepsTheLastBytesAndTimesReplies()
    {
        qint64 now = 0;
        LineRecord line([&now] { return LineRecord::Time{now, now}; });
        line.received("stray*"); // no letter waiting: not timed
        now = 100;
        line.sent("u");
        now = 300;
        line.received("300,2"); // no "*" yet
        now = 550;
        line.received("90,*4");
        QCOMPARE(line.chunks().size(), std::size_t(4));
        QCOMPARE(line.chunks()[0].replyMs, -1);
        QCOMPARE(line.chunks()[2].replyMs, -1);
        QCOMPARE(line.chunks()[3].replyMs, 450);
        QCOMPARE(line.chunks()[1].direction, LineDirection::Sent);
        QVERIFY(chunkText(line.chunks()[3], false)
                    .endsWith(QStringLiteral("90,*   (reply 450 ms after the letter)\n") + QString(22, u' ') + u'4'));

        const QByteArray block(LineRecord::KeepBytes / 4, 'x');
        for (int i = 0; i < 5; ++i)
            line.received(block + char('0' + i));
        QCOMPARE(line.bytes(), LineRecord::KeepBytes);
        qsizetype total = 0;
        for (const LineChunk &c : line.chunks())
            total += c.bytes.size();
        QCOMPARE(total, LineRecord::KeepBytes);
        QVERIFY(line.chunks().back().bytes.endsWith('4'));
        QCOMPARE(line.chunks().front().bytes.size(), LineRecord::KeepBytes / 4 - 3); // cut to the byte

        const quint64 next = line.nextNumber();
        line.clear();
        QCOMPARE(line.bytes(), 0);
        line.sent("s");
        QCOMPARE(line.chunks().front().number, next); // numbers go on, so a view knows what it showed
    }
};

QTEST_GUILESS_MAIN(tst_linerecord)
#include "tst_linerecord.moc"
