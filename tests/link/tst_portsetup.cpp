#include "FakeSerialControl.h"

#include "link/PortSetup.h"

#include <QTimer>
#include <QtTest>

namespace {
const QString Bad = QStringLiteral("Bad Port Value|Subsea Port Value Can Not Be Blank less than, 1 or greater than 8!");
const QString Comm = QStringLiteral("Communication error|Incorrect comm port configuration for this machine!");
} // namespace

// Done of the port setup dialog, without the dialog: the entry check, the
// port moved, and the messages in the order they are due.
class tst_portsetup : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void done_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<bool>("startFailed");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("missingPort");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<bool>("portOpen");
        QTest::addColumn<int>("commPort");
        QTest::addColumn<bool>("dialogOpen");
        QTest::addColumn<bool>("polling");

        const QStringList none;
        const QString c = QStringLiteral("C");
        // Accepted, and the port opens: the dialog goes, polling runs.
        QTest::newRow("3") << c << false << "3" << 0 << none << true << 3 << false << true;
        QTest::newRow("8") << c << false << "8" << 0 << none << true << 8 << false << true;
        QTest::newRow("2.5 is port 2") << c << false << "2.5" << 0 << none << true << 2 << false << true;
        QTest::newRow("3.5 is port 4") << c << false << "3.5" << 0 << none << true << 4 << false << true;
        QTest::newRow("7.5 is port 8") << c << false << "7.5" << 0 << none << true << 8 << false << true;
        QTest::newRow("1e0") << c << false << "1e0" << 0 << none << true << 1 << false << true;
        QTest::newRow("blanks around") << c << false << " 6 " << 0 << none << true << 6 << false << true;
        QTest::newRow("after a failed start") << c << true << "2" << 0 << none << true << 2 << false << true;
        QTest::newRow("German 4,5 is port 4") << "de_DE" << false << "4,5" << 0 << none << true << 4 << false << true;

        // Rejected: the old port is opened again, the dialog stays.
        QTest::newRow("empty") << c << false << "" << 0 << QStringList{Bad} << true << 1 << true << true;
        QTest::newRow("0") << c << false << "0" << 0 << QStringList{Bad} << true << 1 << true << true;
        QTest::newRow("9") << c << false << "9" << 0 << QStringList{Bad} << true << 1 << true << true;
        QTest::newRow("0.5") << c << false << "0.5" << 0 << QStringList{Bad} << true << 1 << true << true;
        QTest::newRow("8.4") << c << false << "8.4" << 0 << QStringList{Bad} << true << 1 << true << true;
        QTest::newRow("-3") << c << false << "-3" << 0 << QStringList{Bad} << true << 1 << true << true;
        QTest::newRow("1e308") << c << false << "1e308" << 0 << QStringList{Bad} << true << 1 << true << true;
        QTest::newRow("German 8,4") << "de_DE" << false << "8,4" << 0 << QStringList{Bad} << true << 1 << true << true;
        // ... and when the old port can't be opened either, both messages.
        QTest::newRow("rejected after a failed start")
            << c << true << "9" << 0 << QStringList{Bad, Comm} << false << 1 << true << false;
        QTest::newRow("empty after a failed start")
            << c << true << "" << 0 << QStringList{Bad, Comm} << false << 1 << true << false;

        // Not a number: a typo, turned down like a number out of range; the
        // working port is opened again on its number.
        for (const char *entry : {"abc", " ", "NaN", "inf", "-inf", "1e309", "4,5", "0x3", "3abc"})
            QTest::newRow(entry) << c << false << entry << 0 << QStringList{Bad} << true << 1 << true << true;
        QTest::newRow("abc after a failed start")
            << c << true << "abc" << 0 << QStringList{Bad, Comm} << false << 1 << true << false;

        // A port that can't be opened: closed, on the new number.
        QTest::newRow("missing port") << c << false << "3" << 3 << QStringList{Comm} << false << 3 << true << true;
        QTest::newRow("missing port after a failed start")
            << c << true << "3" << 3 << QStringList{Comm} << false << 3 << true << false;
    }
    void done()
    {
        QFETCH(QString, locale);
        QFETCH(bool, startFailed);
        QFETCH(QString, entry);
        QFETCH(int, missingPort);
        QFETCH(QStringList, boxes);
        QFETCH(bool, portOpen);
        QFETCH(int, commPort);
        QFETCH(bool, dialogOpen);
        QFETCH(bool, polling);

        QLocale::setDefault(QLocale(locale));
        FakeSerialControl serial;
        QTimer Timer1;
        // A port that opened at start-up and a running poll, or a failed
        // start-up: port 1 missing, port closed, poll stopped.
        if (startFailed) {
            serial.failingPorts.insert(1);
        } else {
            serial.setPortOpen(true);
            Timer1.start(250);
        }
        if (missingPort)
            serial.failingPorts.insert(missingPort);

        PortSetup setup(serial);
        QStringList shown;
        QList<bool> openWhileShown;
        const bool unload = setup.done(checkPortEntry(entry), [&](const PortMessage &m) {
            shown << m.title + QLatin1Char('|') + m.text;
            openWhileShown << serial.PortOpen();
        });
        // The dialog gone, its caller starts a poll that had stopped.
        if (unload && !Timer1.isActive())
            Timer1.start(250);

        QCOMPARE(shown, boxes);
        // A box is up while the port is closed: ticks under it read nothing.
        QCOMPARE(openWhileShown, QList<bool>(boxes.size(), false));
        QCOMPARE(serial.PortOpen(), portOpen);
        QCOMPARE(serial.CommPort(), commPort);
        QCOMPARE(!unload, dialogOpen);
        QCOMPARE(Timer1.isActive(), polling);
        for (const int requested : std::as_const(serial.requestedPorts))
            QVERIFY2(requested >= 1 && requested <= 8, qPrintable(QString::number(requested)));
    }
};

QTEST_GUILESS_MAIN(tst_portsetup)
#include "tst_portsetup.moc"
