#include "logging/LogWriter.h"
#include "review/SessionFile.h"
#include "review/SessionSummary.h"
#include "session/CsvWriter.h"
#include "session/SessionRecord.h"
#include "telemetry/ReplyDecoder.h"
#include "telemetry/Units.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// 2026-12-07T08:54:38.250 in Pacific time.
constexpr qint64 Winter = 1796662478250;

// A session on a clock the test moves, fed replies as the window feeds them.
struct Session
{
    qint64 now = 0;
    SessionRecord record{[this] { return Stamp{now, Winter + now}; }};
    ReplyDecoder decoder;

    void poll(const QString &reply)
    {
        record.recordPoll({decoder.decode(reply)}, 'u');
        now += 250;
    }
};

QByteArray csvOf(SessionRecord &record, const QString &dir)
{
    const QString path = dir + QStringLiteral("/saved.csv");
    QString why;
    if (!CsvWriter(record).save(path, &why))
        return "(not saved: " + why.toUtf8() + ')';
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

// The log lines LogWriter writes for these bodies, one tick 4 s apart.
QByteArray logOf(const QStringList &bodies, const QString &dir)
{
    const QString path = dir + QStringLiteral("/session.log");
    QFile::remove(path);
    LogWriter writer;
    QDateTime at = QDateTime::fromMSecsSinceEpoch(Winter);
    for (const QString &body : bodies) {
        QString line = body;
        writer.recordComposed();
        writer.tick(line, path, at);
        at = at.addSecs(4);
    }
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

} // namespace

class tst_Review : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

private slots:
    // The log writer makes its directory in the home directory.
    void initTestCase() { qputenv("HOME", m_home.path().toLocal8Bit()); }

    // What the tool writes, read back, writes the same file again: every
    // reading, text and event, in their order and at their times.
    void csvReadsBackAsWritten()
    {
        QTemporaryDir dir;
        Session s;
        s.poll(QStringLiteral("300,290,1,10,3840,3277,u,*"));
        s.poll(QString());
        s.poll(QStringLiteral("301.5,289,\"1,5\",10,3000,3277,l,*"));
        s.poll(QStringLiteral("The \"relay\", stuck\r\nretry*"));
        s.record.recordEvent(EventKind::LoadCommanded, QStringLiteral("Load commanded Loaded"));
        s.poll(QStringLiteral("300,290,,,3840,3277,u,*"));
        const QByteArray written = csvOf(s.record, dir.path());
        QVERIFY(written.contains("\"\"relay\"\""));

        SessionFile::Problem problem;
        const auto file = SessionFile::parse(written, QStringLiteral("a.csv"), &problem);
        QVERIFY2(file, qPrintable(problem.text()));
        QCOMPARE(file->format, SessionFile::Format::Csv);
        QVERIFY(!file->lastLineCut);
        QCOMPARE(csvOf(*file->record, dir.path()), written);
        QCOMPARE(file->record->events().back().kind, EventKind::LoadCommanded);

        // Times in any offset, to the millisecond, as the general parser reads them.
        for (const QByteArray time : {"2026-12-07T08:54:38.250-08:00", "2026-12-07T22:24:38.250+05:30",
                                      "2026-12-07T16:54:38.250Z", "2026-12-07T16:54:38.25+00:00"}) {
            const auto one = SessionFile::parse(CsvWriter::Header + time + ",27,,,,,,,,,\n", "t.csv", &problem);
            QVERIFY2(one, qPrintable(problem.text()));
            QCOMPARE(one->record->ticks().front().at.wallMs, Winter);
        }
    }

    // Good files, bad files and cut ones: what is read, or where it went wrong.
    void readers_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("ticks"); // -1: refused
        QTest::addColumn<int>("events");
        QTest::addColumn<bool>("cut");
        QTest::addColumn<QString>("problem"); // "line L, column C: what" when refused

        const QByteArray Header = CsvWriter::Header;
        const QByteArray row = "2026-12-07T08:54:38.250-08:00,27,17,1,10,3840,375.000,3277,48.007,u,\n";
        const QByteArray event = "2026-12-07T08:54:38.500-08:00,,,,,,,,,,\"Relay \"\"K2\"\", stuck\nretry\"\n";
        QTest::newRow("quoted event with a line break") << Header + row + event + row << 2 << 1 << false << "";
        QTest::newRow("CR LF line ends") << QByteArray(Header + row + event).replace("\n", "\r\n") << 1 << 1 << false
                                         << "";
        QTest::newRow("Latin-1 load state in UTF-8")
            << Header + QByteArray(row).replace(",u,", ",\xc3\x85,") << 1 << 0 << false << "";
        QTest::newRow("cut last row") << Header + row + row.left(20) << 1 << 0 << true << "";
        QTest::newRow("cut inside a quoted event") << Header + row + event.left(50) << 1 << 0 << true << "";
        QTest::newRow("foreign CSV") << QByteArray("time,temp\n1,2\n") << -1 << 0 << false
                                     << "line 1, column 1: not the header of a session CSV file";
        QTest::newRow("other text") << QByteArray("hello world\n") << -1 << 0 << false
                                    << "line 1, column 1: neither a session CSV file nor a log";
        QTest::newRow("binary") << QByteArray("\x7f"
                                              "ELF\x02\x01\x01\0\0\0",
                                              10)
                                << -1 << 0 << false << "line 1, column 8: not a text file";
        QTest::newRow("empty") << QByteArray() << -1 << 0 << false << "the file is empty";
        QTest::newRow("short row") << Header + row + "2026-12-07T08:54:39.000-08:00,27,17\n"
                                   << -1 << 0 << false << "line 3, column 4: 3 fields where the header has 11";
        QTest::newRow("bad time") << Header + "yesterday,27,17,1,10,3840,375.000,3277,48.007,u,\n"
                                  << -1 << 0 << false << "line 2, column 1: not a time";
        QTest::newRow("bad number") << Header + row + row + QByteArray(row).replace("3840", "38x0") << -1 << 0 << false
                                    << "line 4, column 6: not a number";
        QTest::newRow("bad load state") << Header + QByteArray(row).replace(",u,", ",ul,") << -1 << 0 << false
                                        << "line 2, column 10: a load state of more than one character";
        QTest::newRow("stray quote") << Header + "2026-12-07T08:54:38.250-08:00,,,,,,,,,,a\"b\n"
                                     << -1 << 0 << false << "line 2, column 11: badly quoted";
        QTest::newRow("event with readings")
            << Header + "2026-12-07T08:54:38.250-08:00,27,,,,,,,,,x\n"
            << -1 << 0 << false << "line 2, column 2: a row with an event holds no readings";
        QTest::newRow("line of 1 MB") << Header + QByteArray(1 << 20, 'x') + "\n"
                                      << -1 << 0 << false << "line 2, column 1: a line longer than 65536 bytes";
        QTest::newRow("more than a day") << Header + row + QByteArray(row).replace("2026-12-07", "2026-12-09") << -1
                                         << 0 << false
                                         << "line 3, column 1: the session runs on for more than 24 hours";
        QTest::newRow("a day in times set back")
            << Header + QByteArray(row).replace("2026-12-07", "2026-12-09") + row << -1 << 0 << false
            << "line 3, column 1: the session runs on for more than 24 hours";

        const QByteArray log = "12/7/2026 8:54:38 AM,      27      17      10      1      375      48      u\r\n";
        const QByteArray logHeader = LogWriter::HeaderLine.toLatin1() + "\r\n";
        QTest::newRow("log, en_US") << logHeader + log + log << 2 << 0 << false << "";
        QTest::newRow("log, LF only, cut")
            << QByteArray(logHeader + log).replace("\r\n", "\n") + log.left(30) << 1 << 0 << true << "";
        QTest::newRow("log, six readings")
            << logHeader + log + "12/7/2026 8:54:42 AM,      27      17      10      1      375      48\r\n"
            << -1 << 0 << false << "line 3, column 70: 6 readings where a record has 7";
        QTest::newRow("log, bad date") << logHeader
                                              + "13/45/2026 8:54:38 AM,      27      17      10      1      375  "
                                                "    48      u\r\n"
                                       << -1 << 0 << false
                                       << "line 2, column 1: not a date and time as the log writes them";
        QTest::newRow("log, bad volts") << logHeader + QByteArray(log).replace("375", "3a5") << -1 << 0 << false
                                        << "line 2, column 59: not a number";
    }
    void readers()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, ticks);
        QFETCH(int, events);
        QFETCH(bool, cut);
        QFETCH(QString, problem);
        SessionFile::Problem why;
        const auto file = SessionFile::parse(bytes, QStringLiteral("f"), &why);
        if (ticks < 0) {
            QVERIFY(!file);
            QVERIFY2(why.text().startsWith(QStringLiteral("f: ") + problem), qPrintable(why.text()));
            return;
        }
        QVERIFY2(file, qPrintable(why.text()));
        QCOMPARE(int(file->record->ticks().size()), ticks);
        QCOMPARE(int(file->record->events().size()), events);
        QCOMPARE(file->lastLineCut, cut);
    }

    // A log as the writer writes it in each locale reads back in that locale,
    // and a US English log in any: the readings, the times 4 s apart.
    void logInLocales_data()
    {
        QTest::addColumn<QString>("writtenIn");
        QTest::addColumn<QString>("readIn");
        QTest::newRow("en_US") << "en_US"
                               << "en_US";
        QTest::newRow("de_DE") << "de_DE"
                               << "de_DE";
        QTest::newRow("ar_EG") << "ar_EG"
                               << "ar_EG";
        QTest::newRow("en_US read in de_DE") << "en_US"
                                             << "de_DE";
    }
    void logInLocales()
    {
        QFETCH(QString, writtenIn);
        QFETCH(QString, readIn);
        QTemporaryDir dir;
        const QLocale before;
        QLocale::setDefault(QLocale(writtenIn));
        const QString comma = QLocale(writtenIn).decimalPoint() == u',' ? "," : ".";
        const QString body = QStringList{"27" + comma + "5", "17", "10", "1", "375", "48", "l"}.join("      ");
        const QByteArray log = logOf({body, body, body}, dir.path()); // a header and two records
        QLocale::setDefault(QLocale(readIn));
        SessionFile::Problem why;
        const auto file = SessionFile::parse(log, QStringLiteral("f"), &why);
        QLocale::setDefault(before);
        QVERIFY2(file, qPrintable(why.text() + "\n" + QString::fromLocal8Bit(log)));
        const auto &ticks = file->record->ticks();
        QCOMPARE(ticks.size(), std::size_t(2));
        QCOMPARE(ticks[0].loadCanTempC, 27.5);
        QCOMPARE(Units::gaugeVolts400(ticks[0].count400), 375.0);
        QCOMPARE(Units::gaugeVolts48(ticks[0].count48), 48.0);
        QCOMPARE(ticks[0].loadState, 'l');
        QCOMPARE(file->record->text(ticks[0].pulseWidth), QStringLiteral("10"));
        // Whole seconds: the log has no milliseconds.
        QCOMPARE(ticks[0].at.wallMs, Winter - Winter % 1000 + 4000);
        QCOMPARE(ticks[1].at.wallMs - ticks[0].at.wallMs, qint64(4000));
    }

    // The reviewer's figures over a span: one supply dips out of range for a
    // second among polls every 250 ms, a poll goes unanswered.
    void summary()
    {
        Session s;
        for (int i = 0; i < 40; ++i)
            s.poll(i >= 8 && i < 12 ? QStringLiteral("300,290,1,10,3000,3277,u,*") // 292 V: low
                                    : QStringLiteral("300,290,1,10,3840,3277,u,*"));
        s.record.recordEvent(EventKind::LineNoise, QStringLiteral("4 polls unanswered in the last 10 s"));
        const auto all = SessionSummary::of(s.record, Winter, Winter + 60'000, 2000, true);
        QCOMPARE(all.endMs.value() - all.startMs.value(), qint64(40 * 250));
        const auto &supply = all.figures[std::size_t(Trend::Supply400)];
        QCOMPARE(supply.samples, qint64(40));
        QCOMPARE(supply.min, Units::volts400(3000));
        QCOMPARE(supply.max, 375.0);
        QCOMPARE(supply.outsideMs.value(), qint64(1000));
        QVERIFY(!all.figures[std::size_t(Trend::LoadCanTemp)].outsideMs);
        QCOMPARE(all.answeredShare.value(), 40.0 / 44);
        QCOMPARE(all.events.at(EventKind::LineNoise), 1);

        // The span after the dip: nothing outside; a log tells no share.
        const auto later = SessionSummary::of(s.record, Winter + 3000, Winter + 9000, 2000, false);
        QCOMPARE(later.figures[std::size_t(Trend::Supply400)].outsideMs.value(), qint64(0));
        QCOMPARE(later.figures[std::size_t(Trend::Supply400)].samples, qint64(25));
        QVERIFY(!later.answeredShare);
        QVERIFY(later.events.empty());
        // The last reading holds at most holdMs, and not past the end of the
        // record: a span ending long after it counts only that.
        Session quiet;
        quiet.poll(QStringLiteral("300,290,1,10,3000,3277,u,*"));
        quiet.poll(QStringLiteral("300,290,1,10,3000,3277,u,*"));
        quiet.now += 10'000;
        quiet.poll(QStringLiteral("300,290,1,10,3000,3277,u,*"));
        QCOMPARE(SessionSummary::of(quiet.record, Winter, Winter + 60'000, 2000, false)
                     .figures[std::size_t(Trend::Supply400)]
                     .outsideMs.value(),
                 qint64(250 + 2000));
    }
};

QTEST_GUILESS_MAIN(tst_Review)
#include "tst_review.moc"
