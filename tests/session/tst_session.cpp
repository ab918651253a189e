#include "session/SessionRecord.h"
#include "session/StatusLine.h"
#include "telemetry/ReplyDecoder.h"

#include <QtTest>

namespace {
const QString Full = QStringLiteral("300,290,1,10,3840,3277,u,*");

// A session on a clock the test moves, fed replies as the window feeds them.
// The wall clock can be stepped on its own, as a time server may.
struct Session
{
    qint64 now = 0;
    qint64 wallStep = 0;
    SessionRecord record{[this] { return Stamp{now, 1796640000000 + now + wallStep}; }};
    ReplyDecoder decoder;

    // One poll that read those replies, oldest first, the last its own ("" a
    // closed port, "?" a failed read), then a poll's time passes. Several
    // replies stand in one string as they came: "a,*b,*".
    void poll(const QString &replies, char sent = 'u', quint8 strays = 0)
    {
        QStringList taken = replies.split(QLatin1Char('*'), Qt::SkipEmptyParts);
        for (QString &reply : taken)
            reply += QLatin1Char('*');
        if (taken.isEmpty() || !replies.endsWith(QLatin1Char('*')))
            taken = QStringList{replies};
        std::vector<Telemetry> readings;
        for (const QString &reply : std::as_const(taken))
            readings.push_back(decoder.decode(reply));
        record.recordPoll(readings, sent, strays);
        now += 250;
    }
    void polls(const QStringList &replies)
    {
        for (const QString &r : replies)
            poll(r);
    }
    // The readings fresh now, one letter each in field order: t c f w H h l.
    QString fresh() const
    {
        QString letters;
        for (int r = 0; r < ReadingCount; ++r)
            if (record.isFresh(Reading(r)))
                letters += QLatin1Char("tcfwHhl"[r]);
        return letters;
    }
    QStringList events() const
    {
        QStringList texts;
        for (const EventEntry &e : record.events())
            texts << e.text;
        return texts;
    }
};
} // namespace

// The session record: which readings are current, how the link is doing,
// whether the controller obeys the load command, and what the status bar says.
class tst_session : public QObject
{
    Q_OBJECT

private slots:
    // Replies come a poll (250 ms) apart; `wait` ms pass after the last.
    void freshness_data()
    {
        QTest::addColumn<QStringList>("replies");
        QTest::addColumn<int>("wait");
        QTest::addColumn<QString>("fresh");

        const QStringList nine(9, QString());
        QTest::newRow("nothing read yet") << QStringList() << 0 << "";
        QTest::newRow("a full reply") << QStringList{Full} << 0 << "tcfwHhl";
        QTest::newRow("2 s on: still current") << QStringList{Full} << 2000 << "tcfwHhl";
        QTest::newRow("a poll past 2 s: stale") << QStringList{Full} << 2250 << "";
        QTest::newRow("silence keeps nothing fresh") << QStringList{Full} + nine << 0 << "";
        QTest::newRow("a short reply refreshes only what it carries")
            << QStringList{Full} + nine + QStringList{"301,290,*"} << 0 << "tc";
        QTest::newRow("Bad Data at the 48 V count") << QStringList{"300,290,1,10,3840,zz,u,*"} << 0 << "tcfwH";
        QTest::newRow("a text message refreshes nothing") << QStringList{"Controller reset*"} << 0 << "";
        QTest::newRow("a backlog refreshes what its newest reply carried")
            << QStringList{Full} + nine + QStringList{Full + Full + "301,290,*"} << 0 << "tc";
        QTest::newRow("the 400 V carried, the 48 V kept from before")
            << QStringList{Full} + nine + QStringList{"301,290,1,10,3840,*"} << 0 << "tcfwH";
    }
    void freshness()
    {
        QFETCH(QStringList, replies);
        QFETCH(int, wait);
        QFETCH(QString, fresh);

        Session s;
        s.polls(replies);
        s.now += wait - (replies.isEmpty() ? 0 : 250);
        QCOMPARE(s.fresh(), fresh);
        QCOMPARE(s.record.suppliesFresh(), fresh.contains(QLatin1Char('H')) && fresh.contains(QLatin1Char('h')));
    }

    // Ages are told on the monotonic clock: a wall clock set back or forward
    // (a time server, a technician fixing the laptop's clock) moves nothing.
    void freshnessFollowsTheMonotonicClock_data()
    {
        QTest::addColumn<qint64>("wallStep");
        QTest::addColumn<int>("wait"); // after the last reply
        QTest::addColumn<bool>("fresh");

        for (const qint64 step : {qint64(0), -3600 * 1000LL, 3600 * 1000LL}) {
            const QByteArray name = step < 0 ? "wall back an hour" : step > 0 ? "wall on an hour" : "wall steady";
            QTest::newRow(name + ", 2 s on") << step << 2000 << true;
            QTest::newRow(name + ", a poll past 2 s") << step << 2250 << false;
        }
    }
    void freshnessFollowsTheMonotonicClock()
    {
        QFETCH(qint64, wallStep);
        QFETCH(int, wait);
        QFETCH(bool, fresh);

        Session s;
        s.record.recordLoadCommand('l');
        s.polls({Full, Full}); // reports "u": not yet confirmed
        s.now += wait - 250;
        s.wallStep = wallStep; // while the line is silent
        QCOMPARE(s.record.isFresh(Reading::Supply400), fresh);
        QCOMPARE(s.record.suppliesFresh(), fresh);
        QCOMPARE(*s.record.lastGoodAgeMs(), wait);
        QCOMPARE(s.record.replyShare().polls, 2);
        // The confirmation's grace, too: told only while the reports are fresh.
        QCOMPARE(s.record.loadDisagreement().has_value(), fresh && wait + 250 > SessionRecord::ConfirmWithinMs);
    }

    // The load state the controller reports against the one last commanded
    // (start-up commands "u"). Each step is a poll: u or l a reply reporting
    // it, - a silent poll, U or L the operator commanding it.
    void confirmation_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("warning"); // what the status bar warns of at the end; empty: nothing
        QTest::addColumn<QStringList>("events");

        const QString cmdL = QStringLiteral("Load commanded Loaded");
        const QString cmdU = QStringLiteral("Load commanded Unloaded");
        const QString okL = QStringLiteral("The controller reports Loaded, as commanded");
        const QString okU = QStringLiteral("The controller reports Unloaded, as commanded");
        const QString notL = QStringLiteral("Load commanded Loaded; the controller still reports Unloaded");
        QTest::newRow("agrees") << "uuuuLulllllllll" << QString() << QStringList{cmdU, okU, cmdL, okL};
        QTest::newRow("2 s of disagreement is allowed") << "uLuuuuuuuuu" << QString() << QStringList{cmdU, okU, cmdL};
        QTest::newRow("a poll more is not") << "uLuuuuuuuuuu"
                                            << "Load commanded Loaded; the controller still reports Unloaded (2 s)"
                                            << QStringList{cmdU, okU, cmdL, notL};
        QTest::newRow("told until they agree")
            << "uLuuuuuuuuuuuuuuuul" << QString() << QStringList{cmdU, okU, cmdL, notL, okL};
        QTest::newRow("commanded otherwise")
            << "uLuuuuuuuuuuuuuUu" << QString() << QStringList{cmdU, okU, cmdL, notL, cmdU, okU};
        QTest::newRow("loaded at start-up")
            << "llllllllll"
            << "Load commanded Unloaded; the controller still reports Loaded (2 s)"
            << QStringList{cmdU, "Load commanded Unloaded; the controller still reports Loaded"};
        QTest::newRow("no replies: nothing to confirm on")
            << "uLuuu--------------" << QString() << QStringList{cmdU, okU, cmdL};
        // Confirmed, and long after a report of the other state: its grace
        // counts from that report, not from the command.
        const QString notU = QStringLiteral("Load commanded Loaded; the controller still reports Unloaded");
        QTest::newRow("confirmed, then disagreeing: 2 s of grace")
            << "uLllllllllllllllllllluuuuuuuuu" << QString() << QStringList{cmdU, okU, cmdL, okL};
        QTest::newRow("confirmed, then disagreeing: a poll more")
            << "uLllllllllllllllllllluuuuuuuuuu"
            << "Load commanded Loaded; the controller still reports Unloaded (2 s)"
            << QStringList{cmdU, okU, cmdL, okL, notU};
    }
    void confirmation()
    {
        QFETCH(QString, steps);
        QFETCH(QString, warning);
        QFETCH(QStringList, events);

        Session s;
        s.record.recordLoadCommand('u');
        for (const QChar step : steps) {
            if (step.isUpper()) {
                s.record.recordLoadCommand(step.toLower().toLatin1());
                continue;
            }
            s.poll(step == u'-' ? QString() : QStringLiteral("300,290,1,10,0,0,%1,*").arg(step));
        }
        s.now -= 250; // the status bar is read at the end of the last poll
        const StatusLine line = statusLine(QStringLiteral("Port 1"), s.record);
        QCOMPARE(line.alarm, !warning.isEmpty());
        if (!warning.isEmpty())
            QVERIFY2(line.text.endsWith(warning), qPrintable(line.text));
        QCOMPARE(s.events(), events);
    }

    // What the status bar says of the link; it changes only with what it says.
    void statusLineTellsTheLink_data()
    {
        QTest::addColumn<QStringList>("replies");
        QTest::addColumn<int>("wait");
        QTest::addColumn<QString>("text");

        QTest::newRow("before the first poll") << QStringList() << 0 << "Port 1: /dev/ttyUSB0  |  no reading yet";
        QTest::newRow("every poll answered")
            << QStringList{Full, Full} << 0
            << "Port 1: /dev/ttyUSB0  |  replies to 100% of polls in the last minute  |  readings current";
        QTest::newRow("three replies in four polls")
            << QStringList{Full, "", Full, Full} << 0
            << "Port 1: /dev/ttyUSB0  |  replies to 75% of polls in the last minute  |  readings current";
        QTest::newRow("silent for 12 s")
            << QStringList{Full} + QStringList(48, QString()) << 0
            << "Port 1: /dev/ttyUSB0  |  replies to 2% of polls in the last minute  |  readings stale: last good "
               "reply 12 s ago";
        QTest::newRow("a minute on, no poll counts")
            << QStringList{Full} << 61000 << "Port 1: /dev/ttyUSB0  |  readings stale: last good reply 61 s ago";
        QTest::newRow("239 of 240 polls rounds to 100%")
            << QStringList{""} + QStringList(239, Full) << 0
            << "Port 1: /dev/ttyUSB0  |  replies to 100% of polls in the last minute  |  readings current";
        QTest::newRow("a backlog is one poll") << QStringList{"", Full + Full + Full} << 0
                                               << "Port 1: /dev/ttyUSB0  |  replies to 50% of polls in the last "
                                                  "minute  |  readings current";
        QTest::newRow("a bare terminator is no reading")
            << QStringList{"*"} << 0
            << "Port 1: /dev/ttyUSB0  |  replies to 100% of polls in the last minute  |  "
               "no reading yet";
        QTest::newRow("only Bad Data") << QStringList{"300,290,1,10,zz,0,u,*"} << 0
                                       << "Port 1: /dev/ttyUSB0  |  replies to 100% of polls in the last minute  |  "
                                          "no reading yet";
    }
    void statusLineTellsTheLink()
    {
        QFETCH(QStringList, replies);
        QFETCH(int, wait);
        QFETCH(QString, text);

        Session s;
        s.polls(replies);
        s.now += wait - (replies.isEmpty() ? 0 : 250);
        const StatusLine line = statusLine(QStringLiteral("Port 1: /dev/ttyUSB0"), s.record);
        QCOMPARE(line.text, text);
        QVERIFY(!line.alarm);
        // Polls of current readings leave the text as it is: no repaint.
        if (text.contains(QLatin1String("100%")) && text.endsWith(QLatin1String("readings current"))) {
            s.polls({Full, Full});
            QCOMPARE(statusLine(QStringLiteral("Port 1: /dev/ttyUSB0"), s.record).text, text);
        }
    }

    // What a noisy line did, and a backlog, are told as events: one line for
    // each 10 s of noise. Each step is a poll 250 ms after the one before: g a
    // good reply, - no reply to the letter sent, x Bad Data, * a good reply
    // with a stray terminator, c a closed port (nothing sent), B a backlog of
    // three replies ending in a good one.
    void noisyLineIsToldInOneEvent_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QStringList>("events");

        const QString g40(40, u'g');
        QTest::newRow("a quiet line") << g40 + g40 << QStringList();
        QTest::newRow("the first poll of a run owes nothing") << "-" + g40 + g40 << QStringList();
        QTest::newRow("10 s of noise in one event")
            << "g--x*" + g40 << QStringList{"2 polls unanswered, 1 reply garbled, 1 stray terminator in the last 10 s"};
        QTest::newRow("one of a kind") << "g-" + g40 << QStringList{"1 poll unanswered in the last 10 s"};
        QTest::newRow("not told before its 10 s are up") << "g-" + QString(38, u'g') << QStringList();
        QTest::newRow("noise on and on: an event each 10 s")
            << "g" + QString(81, u'-')
            << QStringList{"40 polls unanswered in the last 10 s", "40 polls unanswered in the last 10 s"};
        QTest::newRow("a closed port is not asked") << "g" + QString(40, u'c') + "cg" << QStringList();
        QTest::newRow("a backlog") << "gBg" << QStringList{"2 replies arrived late together"};
        QTest::newRow("a garbled reply inside a backlog")
            << "gXg" + g40 << QStringList{"2 replies arrived late together", "1 reply garbled in the last 10 s"};
    }
    void noisyLineIsToldInOneEvent()
    {
        QFETCH(QString, steps);
        QFETCH(QStringList, events);

        const QString bad = QStringLiteral("300,290,1,10,zz,0,u,*");
        Session s;
        for (const QChar step : steps) {
            switch (step.unicode()) {
            case 'g':
                s.poll(Full);
                break;
            case '-':
                s.poll(QStringLiteral("?"));
                break;
            case 'x':
                s.poll(bad);
                break;
            case '*':
                s.poll(Full, 'u', 1);
                break;
            case 'c':
                s.poll(QString(), 0);
                break;
            case 'B':
                s.poll(Full + Full + Full);
                break;
            case 'X':
                s.poll(Full + bad + Full);
                break;
            }
        }
        QStringList told;
        for (const EventEntry &e : s.record.events())
            if (e.kind == EventKind::LineNoise || e.kind == EventKind::RepliesLate)
                told << e.text;
        QCOMPARE(told, events);
    }

    // A day is kept; older ticks and events go.
    void keepsADay()
    {
        Session s;
        for (int hour = 0; hour < 30; ++hour) {
            s.record.recordEvent(EventKind::PortChanged, QString::number(hour));
            s.poll(Full);
            s.now += 3600 * 1000 - 250;
        }
        const qint64 oldest = s.record.ticks().back().at.monoMs - SessionRecord::KeepForMs;
        QVERIFY(s.record.ticks().front().at.monoMs >= oldest);
        QVERIFY(s.record.ticks().size() == 24 || s.record.ticks().size() == 25);
        QVERIFY(s.record.events().front().at.monoMs >= oldest);
    }
};

QTEST_GUILESS_MAIN(tst_session)
#include "tst_session.moc"
