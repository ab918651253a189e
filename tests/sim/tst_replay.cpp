#include "model/SessionReplay.h"
#include "session/CsvWriter.h"
#include "telemetry/ReplyDecoder.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// 2026-12-07T08:54:38.250 local time, a poll every 250 ms.
const qint64 Start = QDateTime(QDate(2026, 12, 7), QTime(8, 54, 38, 250)).toMSecsSinceEpoch();

// A recorded session of 12 polls: the supply climbing by one count a poll,
// polls 4 and 5 unanswered, poll 8 a controller message.
QString recordingCsv(const QString &dir)
{
    qint64 now = 0;
    SessionRecord record([&now] { return Stamp{now, Start + now}; });
    ReplyDecoder decoder;
    for (int i = 0; i < 12; ++i) {
        const QString reply
            = i == 4 || i == 5 ? QString()
              : i == 8         ? QStringLiteral("Temperature sensor fault*")
                       : QStringLiteral("300.15,290.5,1,10,%1,3277,%2,0,*").arg(3800 + i).arg(i < 6 ? 'u' : 'l');
        record.recordPoll({decoder.decode(reply)}, 'u');
        now += 250;
    }
    const QString path = dir + QStringLiteral("/recorded.csv");
    QString why;
    return CsvWriter(record).save(path, &why) ? path : why;
}

} // namespace

class tst_Replay : public QObject
{
    Q_OBJECT

private slots:
    // Polls at the tool's rate get the recorded replies of their moment (the
    // latest within half a poll, a message never passed over): what each
    // decodes to, "-" for silence.
    void repliesFollowTheRecording_data()
    {
        QTest::addColumn<double>("speed");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("real speed") << 1.0 << QString() << QStringList{"3800 u", "3801 u", "3802 u",
                                                                       "3803 u", "-",      "-",
                                                                       "3806 l", "3807 l", "Temperature sensor fault*",
                                                                       "3809 l", "3810 l", "3811 l",
                                                                       "-"};
        QTest::newRow("4 times") << 4.0 << QString()
                                 << QStringList{"3800 u", "3803 u", "Temperature sensor fault*", "3811 l", "-"};
        QTest::newRow("twice, from 08:54:40")
            << 2.0 << "08:54:40" << QStringList{"3807 l", "Temperature sensor fault*", "3811 l", "-"};
    }
    void repliesFollowTheRecording()
    {
        QFETCH(double, speed);
        QFETCH(QString, from);
        QFETCH(QStringList, expected);
        QTemporaryDir dir;
        QString why;
        auto replay = SessionReplay::load(
            recordingCsv(dir.path()), speed,
            from.isEmpty() ? std::nullopt : std::optional(QTime::fromString(from, u"HH:mm:ss")), &why);
        QVERIFY2(replay, qPrintable(why));
        QStringList got;
        ReplyDecoder decoder;
        for (int poll = 0; poll < expected.size(); ++poll) {
            // A little late at every poll, as a real timer is.
            const QByteArray reply = replay->replyAt(poll * 250 + poll % 3 * 7);
            if (reply.isEmpty()) {
                got << "-";
                continue;
            }
            const Telemetry t = decoder.decode(QString::fromLatin1(reply));
            if (t.outcome == ReplyOutcome::TextMessage) {
                got << t.reply;
                continue;
            }
            QCOMPARE(t.outcome, ReplyOutcome::Telemetry);
            QCOMPARE(t.loadCanTempC, 27.15);
            QCOMPARE(t.controlCanTempC, 17.5);
            QCOMPARE(t.pulseWidth, QStringLiteral("10"));
            got << QStringLiteral("%1 %2").arg(t.count400).arg(t.loadField);
        }
        QCOMPARE(got, expected);
        QVERIFY(replay->ended());
    }

    void fromBeyondTheEnd()
    {
        QTemporaryDir dir;
        QString why;
        QVERIFY(!SessionReplay::load(recordingCsv(dir.path()), 1, QTime(9, 0), &why));
        QCOMPARE(why, QStringLiteral("the recording ends at 08:54:41, before 09:00:00"));
    }
};

QTEST_GUILESS_MAIN(tst_Replay)
#include "tst_replay.moc"
