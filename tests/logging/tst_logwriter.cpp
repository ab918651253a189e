#include "logging/AppendLine.h"
#include "logging/LogDateTime.h"
#include "logging/LogPaths.h"
#include "logging/LogWriter.h"
#include "telemetry/ReplyDecoder.h"

#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

const QDateTime Morning(QDate(2026, 12, 7), QTime(8, 54, 38));
const QString WorkedBody = QStringLiteral("27      17      10      1      375      48      u");

} // namespace

class tst_logwriter : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        LogPaths::setLogDirectory(m_dir.path() + QStringLiteral("/VANTOData"));
    }

    void cleanup() { LogPaths::setLogDirectory(QString()); }

    void dateAndTimeTexts_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("generic");

        const QDateTime afternoon(QDate(2026, 3, 21), QTime(14, 5, 9));
        QTest::newRow("en_US morning") << "en_US" << Morning << "12/7/2026"
                                       << "8:54:38 AM"
                                       << "12-7-2026";
        QTest::newRow("en_US afternoon") << "en_US" << afternoon << "3/21/2026"
                                         << "2:05:09 PM"
                                         << "3-21-2026";
        QTest::newRow("en_GB morning") << "en_GB" << Morning << "07/12/2026"
                                       << "08:54:38"
                                       << "07-12-2026";
        QTest::newRow("en_GB afternoon") << "en_GB" << afternoon << "21/03/2026"
                                         << "14:05:09"
                                         << "21-03-2026";
        QTest::newRow("de_DE morning") << "de_DE" << Morning << "07.12.2026"
                                       << "08:54:38"
                                       << "07.12.2026";
        QTest::newRow("de_DE afternoon") << "de_DE" << afternoon << "21.03.2026"
                                         << "14:05:09"
                                         << "21.03.2026";
        // ASCII whatever the locale: Latin digits, no direction marks or
        // words in the date; a time that isn't ASCII becomes H:mm:ss.
        QTest::newRow("ar_EG") << "ar_EG" << Morning << "7/12/2026"
                               << "8:54:38"
                               << "7-12-2026";
        QTest::newRow("fa_IR") << "fa_IR" << afternoon << "2026/3/21"
                               << "14:05:09"
                               << "2026-3-21";
        QTest::newRow("hi_IN") << "hi_IN" << afternoon << "21/3/2026"
                               << "2:05:09 PM"
                               << "21-3-2026";
        QTest::newRow("th_TH") << "th_TH" << Morning << "7/12/2026"
                               << "8:54:38"
                               << "7-12-2026";
        QTest::newRow("bg_BG") << "bg_BG" << Morning << "7.12.2026"
                               << "8:54:38"
                               << "7.12.2026";
        QTest::newRow("ko_KR") << "ko_KR" << afternoon << "2026. 3. 21."
                               << "14:05:09"
                               << "2026. 3. 21.";
        QTest::newRow("zh_TW") << "zh_TW" << Morning << "2026/12/7"
                               << "8:54:38"
                               << "2026-12-7";
        QTest::newRow("sq_AL") << "sq_AL" << afternoon << "21.3.2026"
                               << "2:05:09 E PASDITES"
                               << "21.3.2026";
        QTest::newRow("fr_CA") << "fr_CA" << Morning << "2026-12-07"
                               << "08 h 54 min 38 s"
                               << "2026-12-07";
        // A year before 2000 must not lose its century either.
        QTest::newRow("en_US 1999") << "en_US" << QDateTime(QDate(1999, 1, 2), QTime(0, 0, 1)) << "1/2/1999"
                                    << "12:00:01 AM"
                                    << "1-2-1999";
    }

    void dateAndTimeTexts()
    {
        QFETCH(QString, locale);
        QFETCH(QDateTime, when);
        QLocale::setDefault(QLocale(locale));
        QTEST(LogDateTime::dateText(when.date()), "date");
        QTEST(LogDateTime::timeText(when.time()), "time");
        QTEST(LogPaths::genericName(when.date()), "generic");
    }

    void everyLocaleGivesSecondsYearAndSafeNames()
    {
        // Every locale Qt knows: the time has seconds, no zone, and the date a
        // four-digit year; generic names hold no character Windows refuses.
        const QString forbidden = QStringLiteral("/\\:<>\"|?*");
        for (const QLocale &locale :
             QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyCountry)) {
            QLocale::setDefault(locale);
            const QString time = LogDateTime::timeFormat();
            QVERIFY2(time.contains(u's') && !time.contains(u't'), qPrintable(locale.name() + ": " + time));
            QVERIFY2(LogDateTime::dateFormat().contains(QStringLiteral("yyyy")), qPrintable(locale.name()));
            const QString name = LogPaths::genericName(Morning.date());
            for (const QChar c : forbidden)
                QVERIFY2(!name.contains(c), qPrintable(locale.name() + ": " + name));
        }
    }

    void everyLocaleLogsAscii_data()
    {
        QTest::addColumn<QLocale>("locale");
        for (const QLocale &locale :
             QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory))
            QTest::newRow(qPrintable(locale.name() + u' ' + QLocale::scriptToCode(locale.script()))) << locale;
    }

    void everyLocaleLogsAscii()
    {
        // A header and a record with a negative reading, decimals and a
        // seven-digit voltage, as the file holds them: every byte printable
        // ASCII; Latin digits, ASCII minus, no group separators, the locale's
        // decimal separator if it is "." or ",".
        QFETCH(QLocale, locale);
        QLocale::setDefault(locale);
        const QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("ascii.log"));
        ReplyDecoder decoder;
        LogWriter writer;
        QString line;
        QVERIFY(writer.tick(line, path, Morning));
        line = decoder.ParseString(QStringLiteral("250.65,290.5,1.5,10,40960000,3277,u,*"), true).strLogLine;
        writer.recordComposed();
        QVERIFY(writer.tick(line, path, Morning));

        const QByteArray bytes = contents(path);
        const QList<QByteArray> lines = bytes.split('\n');
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0], LogWriter::HeaderLine.toLatin1() + '\r');
        for (const char c : bytes)
            QVERIFY2((c >= 0x20 && c <= 0x7e) || c == '\r' || c == '\n', bytes.constData());

        const QString point = locale.decimalPoint() == QLatin1String(",") ? QStringLiteral(",") : QStringLiteral(".");
        const QString record = QString::fromLatin1(lines[1].chopped(1));
        const QString body
            = QStringList{"-22" + point + "35", "17" + point + "5", "10", "1.5", "4000000", "48", "u"}.join(
                QStringLiteral("      "));
        QVERIFY2(record.endsWith(LogWriter::RecordSeparator + body), qPrintable(record));
        // The date keeps its four-digit year and the time its seconds, in
        // the locale's order or, where that isn't ASCII, as H:mm:ss.
        const QString stamp = record.chopped(LogWriter::RecordSeparator.size() + body.size());
        QVERIFY2(stamp.contains(QStringLiteral("2026")) && stamp.contains(QStringLiteral("54"))
                     && stamp.contains(QStringLiteral("38")),
                 qPrintable(stamp));
        const QString time = LogDateTime::timeText(Morning.time());
        QVERIFY2(stamp.endsWith(u' ' + time), qPrintable(stamp));
    }

    void pathsJoinWithOneSeparator_data()
    {
        QTest::addColumn<QString>("directory");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("path");

        QTest::newRow("typed name") << "/data/VANTOData"
                                    << "test"
                                    << "/data/VANTOData/test.log";
        QTest::newRow("directory given with separator") << "/data/VANTOData/"
                                                        << "test"
                                                        << "/data/VANTOData/test.log";
        QTest::newRow("two blanks") << "/data/VANTOData"
                                    << "  "
                                    << "/data/VANTOData/  .log";
        QTest::newRow("extension typed") << "/data/VANTOData"
                                         << "run.log"
                                         << "/data/VANTOData/run.log.log";
        QTest::newRow("default directory") << ""
                                           << "test" << QDir::homePath() + "/VANTOData/test.log";
    }

    void pathsJoinWithOneSeparator()
    {
        QFETCH(QString, directory);
        QFETCH(QString, name);
        LogPaths::setLogDirectory(directory);
        QTEST(LogPaths::fullPathFilename(name), "path");
    }

    // Each character of script is one log tick and what came before it:
    // 'b' a good reply composed a body, '-' the last reply composed none,
    // '=' no parse ran since the last tick. lines: 'H' header, 'R' record.
    void counterCycle_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("lines");
        QTest::addColumn<int>("count");

        QTest::newRow("first tick: header only") << "b"
                                                 << "H" << 1;
        QTest::newRow("twenty-one good ticks") << QString(21, u'b') << "H" + QString(19, u'R') + "H" << 1;
        QTest::newRow("ticks without a body don't count") << "b-b--b"
                                                          << "HRR" << 3;
        QTest::newRow("no parse since: the old line is not written again") << "bb==b"
                                                                           << "HRR" << 3;
        QTest::newRow("header tick with a bad reply") << "-"
                                                      << "H" << 1;
        QTest::newRow("header tick without a parse") << "="
                                                     << "H" << 1;
        QTest::newRow("header drops the waiting body") << "b="
                                                       << "H" << 1;
        QTest::newRow("skipped ticks stretch the cycle")
            << QString(10, u'b') + "--" + QString(11, u'b') << "H" + QString(19, u'R') + "H" << 1;
    }

    void counterCycle()
    {
        QFETCH(QString, script);
        QFETCH(QString, lines);

        const QString path = m_dir.filePath(QStringLiteral("cycle-%1.log").arg(QTest::currentDataTag()));
        LogWriter writer;
        QString strLogLine;
        QDateTime now = Morning;
        QByteArray expected;
        int line = 0;
        for (int i = 0; i < script.size(); ++i) {
            now = now.addSecs(4);
            const QString body = QStringLiteral("%1      17      10      1      375      48      u").arg(i);
            if (script[i] == u'b') {
                strLogLine = body;
                writer.recordComposed();
            } else if (script[i] == u'-') {
                strLogLine.clear();
            }
            const bool due = line < lines.size() && (lines[line] == u'H' ? true : script[i] == u'b');
            QCOMPARE(writer.tick(strLogLine, path, now), due);
            if (!due)
                continue;
            const QString written = lines[line] == u'H' ? LogWriter::HeaderLine
                                                        : LogDateTime::dateText(now.date()) + " "
                                                              + LogDateTime::timeText(now.time()) + ",      " + body;
            QCOMPARE(strLogLine, written); // finished in place
            expected += written.toLatin1() + "\r\n";
            ++line;
        }
        QCOMPARE(line, lines.size());
        QCOMPARE(contents(path), expected);
        QTEST(writer.intLogCount, "count");
    }

    void pathChangeMovesTheNextLineWithoutAHeader()
    {
        LogWriter writer;
        QString strLogLine;
        const QString a = m_dir.filePath(QStringLiteral("move-a.log"));
        const QString b = m_dir.filePath(QStringLiteral("move-b.log"));
        for (int i = 0; i < 4; ++i) {
            strLogLine = WorkedBody;
            writer.recordComposed();
            QVERIFY(writer.tick(strLogLine, a, Morning));
        }
        strLogLine = WorkedBody;
        writer.recordComposed();
        QVERIFY(writer.tick(strLogLine, b, Morning));

        QCOMPARE(contents(a).count("\r\n"), 4);
        QCOMPARE(contents(b), "12/7/2026 8:54:38 AM,      " + WorkedBody.toLatin1() + "\r\n");
        QCOMPARE(writer.intLogCount, 5);
    }

    void fileIsExactAndAppended()
    {
        const QString path = m_dir.filePath(QStringLiteral("exact.log"));
        writeFile(path, "line of an earlier run\r\n");

        LogWriter writer;
        QString strLogLine = WorkedBody;
        writer.recordComposed();
        QVERIFY(writer.tick(strLogLine, path, Morning)); // header
        strLogLine = WorkedBody;
        writer.recordComposed();
        QVERIFY(writer.tick(strLogLine, path, Morning));

        const QByteArray header
            = "Date     Time         Int Temp Ext Temp   1PPS   Freq     400 VDC    48 VDC      Status";
        QCOMPARE(header.size(), 87);
        QCOMPARE(contents(path),
                 "line of an earlier run\r\n" + header + "\r\n"
                     + "12/7/2026 8:54:38 AM,      27      17      10      1      375      48      u\r\n");
    }

    void missingLogDirectoryIsCreated()
    {
        LogPaths::setLogDirectory(m_dir.filePath(QStringLiteral("new/deeper/VANTOData")));
        const QString path = LogPaths::fullPathFilename(QStringLiteral("test"));
        LogWriter writer;
        QString strLogLine;
        QVERIFY(writer.tick(strLogLine, path, Morning));
        QCOMPARE(contents(path), LogWriter::HeaderLine.toLatin1() + "\r\n");
    }

    void appendFailuresNameFileAndReason_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("reason");

        QTest::newRow("below a regular file") << m_dir.filePath("plain.txt") + "/x.log"
                                              << "Not a directory";
        QTest::newRow("a directory as the file") << m_dir.filePath("adir") << "directory";
        QTest::newRow("disk full") << "/dev/full"
                                   << "No space left on device";
    }

    void appendFailuresNameFileAndReason()
    {
        QFETCH(QString, path);
        writeFile(m_dir.filePath(QStringLiteral("plain.txt")), "plain\r\n");
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("adir")));

        try {
            Comunication::AppendLine(path, LogWriter::HeaderLine.toLatin1());
            QFAIL("the write did not fail");
        } catch (const LogWriteError &error) {
            QCOMPARE(error.path(), path);
            QFETCH(QString, reason);
            QVERIFY2(error.reason().contains(reason, Qt::CaseInsensitive), qPrintable(error.reason()));
        }
        QCOMPARE(contents(m_dir.filePath(QStringLiteral("plain.txt"))), "plain\r\n");
    }

    void shortWriteLeavesOnlyWholeLines()
    {
        // A file size limit lets the kernel take part of the line, as a disk
        // filling up mid-write does.
        const QString path = m_dir.filePath(QStringLiteral("short.log"));
        const QByteArray earlier = "line of an earlier run\r\n";
        writeFile(path, earlier);

        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        rlimit tight = old;
        tight.rlim_cur = rlim_t(earlier.size() + 10);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &tight), 0);

        QString reason;
        try {
            Comunication::AppendLine(path, LogWriter::HeaderLine.toLatin1());
        } catch (const LogWriteError &error) {
            reason = error.reason();
        }
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);

        QVERIFY2(!reason.isEmpty(), "the short write was not reported");
        QCOMPARE(contents(path), earlier);
    }

    void failedWriteKeepsTheCounterAndUsesUpTheBody()
    {
        LogWriter writer;
        QString strLogLine = WorkedBody;
        writer.recordComposed();
        const QString good = m_dir.filePath(QStringLiteral("good.log"));
        QVERIFY(writer.tick(strLogLine, good, Morning));

        strLogLine = WorkedBody;
        writer.recordComposed();
        QVERIFY_THROWS_EXCEPTION(LogWriteError, writer.tick(strLogLine, "/dev/full", Morning));
        QCOMPARE(writer.intLogCount, 1);
        // The lost line is not written later under a second date.
        QVERIFY(!writer.tick(strLogLine, good, Morning));
        QCOMPARE(contents(good).count("\r\n"), 1);
    }

    void logDirectoryThatCantBeMadeIsAWriteError()
    {
        writeFile(m_dir.filePath(QStringLiteral("blocker")), "x");
        LogPaths::setLogDirectory(m_dir.filePath(QStringLiteral("blocker/VANTOData")));
        const QString path = LogPaths::fullPathFilename(QStringLiteral("test"));
        LogWriter writer;
        QString strLogLine;
        try {
            writer.tick(strLogLine, path, Morning);
            QFAIL("the write did not fail");
        } catch (const LogWriteError &error) {
            QCOMPARE(error.path(), path);
            QVERIFY2(error.reason().contains(QStringLiteral("Not a directory")), qPrintable(error.reason()));
            QVERIFY2(error.reason().contains(LogPaths::logDirectory()), qPrintable(error.reason()));
        }
        QCOMPARE(writer.intLogCount, 0);
    }
};

QTEST_GUILESS_MAIN(tst_logwriter)
#include "tst_logwriter.moc"
