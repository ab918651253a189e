#include "session/CsvWriter.h"
#include "session/EventList.h"
#include "session/SessionRecord.h"
#include "session/TrendPoints.h"
#include "telemetry/ReplyDecoder.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>
#include <sys/stat.h>

#include <cmath>
#include <csignal>
#include <ctime>

namespace {
const QString Full = QStringLiteral("300,290,1,10,3840,3277,u,*");
// 2026-12-07T08:54:38.250 in Pacific time, winter.
constexpr qint64 Winter = 1796662478250;

// A session on a clock the test moves, fed replies as the window feeds them.
struct Session
{
    qint64 now = 0;
    qint64 wallBase = Winter;
    SessionRecord record{[this] { return Stamp{now, wallBase + now}; }};
    ReplyDecoder decoder;

    // One poll with that reply ("" a silent one), then a poll's time passes.
    void poll(const QString &reply)
    {
        record.recordPoll({decoder.decode(reply)}, 'u');
        now += 250;
    }
    void polls(const QStringList &replies)
    {
        for (const QString &r : replies)
            poll(r);
    }
};

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// A line as text: each point's value, "|" where the chart breaks it.
QString series(Session &s, Trend trend)
{
    TrendPoints points(s.record);
    QStringList out;
    double lastKey = 0;
    for (const TickEntry &tick : s.record.ticks()) {
        points.step(tick).forEachPoint([&](Trend t, double key, double value) {
            if (t != trend)
                return;
            // The break sits just before the point it breaks the line at.
            if (std::isnan(value)) {
                QVERIFY(key > lastKey);
                out << QStringLiteral("|");
            } else {
                out << QString::number(value, 'g', 6);
            }
            lastKey = key;
        });
    }
    return out.join(u' ');
}
} // namespace

// What the charts, the event list and the CSV file make of a session.
class tst_sessionviews : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Pacific time, daylight saving time included, without a zone database.
        qputenv("TZ", "PST8PDT,M3.2.0,M11.1.0");
        tzset();
        // A write past a file size limit fails with an error, not a signal.
        std::signal(SIGXFSZ, SIG_IGN);
    }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void header()
    {
        QCOMPARE(CsvWriter::Header, QByteArray("time,load_can_temp_c,control_can_temp_c,pps_frequency_hz,pps_width_us,"
                                               "ch1_counts,ch1_volts,ch2_counts,ch2_volts,load_state,event\n"));
    }

    // One poll (or an event) and the rows it gives, the same bytes in every
    // locale, whether followed as it happens or saved afterwards.
    void rows_data()
    {
        QTest::addColumn<QStringList>("replies");
        QTest::addColumn<QString>("event"); // recorded after the replies
        QTest::addColumn<qint64>("wallBase");
        QTest::addColumn<QByteArray>("rows");

        const QByteArray t0 = "2026-12-07T08:54:38.250-08:00";
        QTest::newRow("telemetry") << QStringList{Full} << QString() << Winter
                                   << t0 + ",27,17,1,10,3840,375.000,3277,48.003,u,\n";
        QTest::newRow("volts to 3 decimals, not floored")
            << QStringList{"300.15,290.5,1,10,3000,3000,l,*"} << QString() << Winter
            << t0 + ",27.15,17.5,1,10,3000,292.969,3000,43.945,l,\n";
        QTest::newRow("1PPS fields as received") << QStringList{"300,290,1.0,10.50,0,4096,u,*"} << QString() << Winter
                                                 << t0 + ",27,17,1.0,10.50,0,0.000,4096,60.000,u,\n";
        QTest::newRow("a short reply: only what it carried") << QStringList{Full, "301,291,*"} << QString() << Winter
                                                             << t0
                                                                    + ",27,17,1,10,3840,375.000,3277,48.003,u,\n"
                                                                      "2026-12-07T08:54:38.500-08:00,28,18,,,,,,,,\n";
        QTest::newRow("no row for Bad Data or silence")
            << QStringList{"300,290,1,10,zz,3277,u,*", ""} << QString() << Winter << QByteArray();
        QTest::newRow("a controller message verbatim, quoted as it must be")
            << QStringList{"C\"Relay\", stuck*"} << QString() << Winter
            << t0 + ",,,,,,,,,,\"C\"\"Relay\"\", stuck*\"\n";
        QTest::newRow("an event") << QStringList() << QStringLiteral("Load switch refused: the load is powered")
                                  << Winter << t0 + ",,,,,,,,,,Load switch refused: the load is powered\n";
        QTest::newRow("summer time") << QStringList{Full} << QString() << qint64(1783439678250)
                                     << QByteArray(
                                            "2026-07-07T08:54:38.250-07:00,27,17,1,10,3840,375.000,3277,48.003,u,\n");
    }
    void rows()
    {
        QFETCH(QStringList, replies);
        QFETCH(QString, event);
        QFETCH(qint64, wallBase);
        QFETCH(QByteArray, rows);

        for (const char *locale : {"C", "ar_EG", "hi_IN", "de_DE"}) {
            QLocale::setDefault(QLocale(QString::fromLatin1(locale)));
            QTemporaryDir dir;
            const QString followed = dir.filePath(QStringLiteral("followed.csv"));
            Session s;
            s.wallBase = wallBase;
            CsvWriter writer(s.record);
            int failures = 0;
            writer.follow(followed, [&](const QString &) { ++failures; });
            s.polls(replies);
            if (!event.isEmpty()) {
                if (!replies.isEmpty())
                    s.now -= 250; // in the millisecond of the last poll
                s.record.recordEvent(EventKind::Refused, event);
            }
            QCOMPARE(failures, 0);
            QCOMPARE(readAll(followed), CsvWriter::Header + rows);

            const QString saved = dir.filePath(QStringLiteral("saved.csv"));
            QString reason;
            QVERIFY2(writer.save(saved, &reason), qPrintable(reason));
            QCOMPARE(readAll(saved), CsvWriter::Header + rows);
        }
    }

    void appendsWithoutASecondHeader()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("run.csv"));
        {
            Session s;
            CsvWriter first(s.record);
            first.follow(path, {});
            s.poll(Full);
        }
        Session s;
        CsvWriter second(s.record);
        second.follow(path, {});
        s.poll(Full);
        const QByteArray row = "2026-12-07T08:54:38.250-08:00,27,17,1,10,3840,375.000,3277,48.003,u,\n";
        QCOMPARE(readAll(path), CsvWriter::Header + row + row);
    }

    // A file that can't be written: following stops at the first failure and
    // says so once; saving says why; no half row is left behind.
    void failingFile_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<qint64>("sizeLimit"); // bytes a file may grow to; 0: none
        QTest::addColumn<QByteArray>("left");  // what the followed file holds at the end

        const QByteArray row = "2026-12-07T08:54:38.250-08:00,27,17,1,10,3840,375.000,3277,48.003,u,\n";
        QTest::newRow("below a regular file") << "file/run.csv" << qint64(0) << QByteArray();
        QTest::newRow("a directory") << "" << qint64(0) << QByteArray();
        QTest::newRow("a full disk") << "/dev/full" << qint64(0) << QByteArray();
        QTest::newRow("full in the middle of a row")
            << "run.csv" << qint64(CsvWriter::Header.size() + row.size() + 20) << CsvWriter::Header + row;
    }
    void failingFile()
    {
        QFETCH(QString, where);
        QFETCH(qint64, sizeLimit);
        QFETCH(QByteArray, left);

        QTemporaryDir dir;
        QFile(dir.filePath(QStringLiteral("file"))).open(QIODevice::WriteOnly);
        const QString path = where.startsWith(u'/') ? where : where.isEmpty() ? dir.path() : dir.filePath(where);

        rlimit before{};
        getrlimit(RLIMIT_FSIZE, &before);
        if (sizeLimit) {
            rlimit limited = before;
            limited.rlim_cur = rlim_t(sizeLimit);
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        }
        Session s;
        CsvWriter writer(s.record);
        QStringList reasons;
        // Told, the window records the failure as an event, from within the tick.
        writer.follow(path, [&](const QString &reason) {
            reasons << reason;
            s.record.recordEvent(EventKind::LoggingFailed, reason);
        });
        s.polls({Full, Full, Full});
        s.record.recordEvent(EventKind::PortChanged, QStringLiteral("Port 2"));
        setrlimit(RLIMIT_FSIZE, &before);

        QCOMPARE(reasons.size(), 1);
        QVERIFY(!reasons[0].isEmpty());
        QVERIFY(!writer.following());
        if (!left.isEmpty())
            QCOMPARE(readAll(path), left);

        if (!sizeLimit) {
            QString reason;
            QVERIFY(!writer.save(path, &reason));
            QVERIFY(!reason.isEmpty());
        }
        // A device is written to, never replaced.
        struct stat st
        { };
        QVERIFY(stat("/dev/full", &st) == 0 && S_ISCHR(st.st_mode));
    }

    // The points the charts get: a line breaks wherever a poll brought no
    // good reply carrying its reading, and is never drawn across the gap.
    void gaps_data()
    {
        QTest::addColumn<QStringList>("replies");
        QTest::addColumn<int>("trend");
        QTest::addColumn<QString>("points");

        const int ch1 = int(Trend::Supply400);
        QTest::newRow("good replies: one line") << QStringList{Full, Full, Full} << ch1 << "375 375 375";
        QTest::newRow("nothing before the first reply") << QStringList{"", "", Full} << ch1 << "375";
        QTest::newRow("a silent poll") << QStringList{Full, "", Full} << ch1 << "375 | 375";
        QTest::newRow("3 s stale: one break")
            << QStringList{Full} + QStringList(12, QString()) + QStringList{Full} << ch1 << "375 | 375";
        QTest::newRow("Bad Data, though it got to the count")
            << QStringList{Full, "300,290,1,10,3840,zz,u,*", Full} << ch1 << "375 | 375";
        QTest::newRow("a text message") << QStringList{Full, "Controller reset*", Full} << ch1 << "375 | 375";
        QTest::newRow("a short reply breaks what it didn't carry")
            << QStringList{Full, "301,291,*", Full} << ch1 << "375 | 375";
        QTest::newRow("and keeps what it did")
            << QStringList{Full, "301,291,*", Full} << int(Trend::LoadCanTemp) << "27 28 27";
        QTest::newRow("48 V in volts, not floored") << QStringList{Full} << int(Trend::Supply48) << "48.0029";
        QTest::newRow("a 1PPS field that is no number")
            << QStringList{Full, "300,290,x,10,3840,3277,u,*", Full} << int(Trend::PulseFrequency) << "1 | 1";
    }
    void gaps()
    {
        QFETCH(QStringList, replies);
        QFETCH(int, trend);
        QFETCH(QString, points);

        Session s;
        s.polls(replies);
        QCOMPARE(series(s, Trend(trend)), points);
    }

    // The event list of a scripted session, and a day later.
    void eventList()
    {
        Session s;
        EventListModel list(s.record);
        s.record.recordLoadCommand('u');
        s.polls({Full, "Timing signal lost*"});
        s.record.recordEvent(EventKind::LinkLost, QStringLiteral("Port 1 lost"));
        list.sync();

        const auto rows = [&list] {
            QStringList out;
            for (int r = 0; r < list.rowCount(); ++r) {
                QStringList cells;
                for (int c = 0; c < list.columnCount(); ++c)
                    cells << list.index(r, c).data().toString();
                out << cells.join(QStringLiteral(" | "));
            }
            return out;
        };
        QCOMPARE(rows(), (QStringList{
                             "08:54:38 | Load commanded | Load commanded Unloaded",
                             "08:54:38 | Load confirmed | The controller reports Unloaded, as commanded",
                             "08:54:38 | Controller message | Timing signal lost*",
                             "08:54:38 | Link lost | Port 1 lost",
                         }));
        QCOMPARE(list.index(3, 0).data(EventListModel::KeyRole).toDouble(), (Winter + 500) / 1000.0);

        // A day on the record has dropped them; the list follows.
        s.now += SessionRecord::KeepForMs + 1000;
        s.record.recordEvent(EventKind::PortChanged, QStringLiteral("Port 2"));
        s.poll(Full);
        list.sync();
        QCOMPARE(rows(), QStringList{"08:54:39 | Port changed | Port 2"});
    }
};

QTEST_GUILESS_MAIN(tst_sessionviews)
#include "tst_sessionviews.moc"
