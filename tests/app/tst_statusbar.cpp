#include "WindowRig.h"

#include "monitors/frmAlarms.h"
#include "monitors/frmLine.h"
#include "ui/StatusField.h"
#include "ui/StatusText.h"

#include <QAccessible>
#include <QCheckBox>
#include <QDateTime>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

namespace {
const QByteArray Full = "300,290,1,10,3840,3277,u,*";
const QByteArray Low = "300,290,1,10,3001,3277,u,*"; // 400 V at 293 V
const QDateTime Base(QDate(2026, 12, 9), QTime(13, 2, 10));

// The real window on a fake port and a clock the test moves; ticks by hand.
struct Rig : WindowRig
{
    qint64 now = 0;
    Rig()
    {
        window->session().setClock([this] { return Stamp{now, Base.toMSecsSinceEpoch() + now}; });
        startHeld();
    }
    void polls(const QList<QByteArray> &replies)
    {
        for (const QByteArray &r : replies) {
            now += 250;
            tick(r);
        }
    }
    QString heard(const char *name) const
    {
        return QAccessible::queryAccessibleInterface(child(name))->text(QAccessible::Name);
    }
    bool red(const char *name) const { return child(name)->palette().color(QPalette::WindowText) == QColor(255, 0, 0); }
};
} // namespace

// The status line and the status bar as a screen reader hears them, the
// alarms there and in their list, and the Line window.
class tst_statusbar : public QObject
{
    Q_OBJECT

private slots:
    void everyStatusIsHeard_data()
    {
        QTest::addColumn<QList<QByteArray>>("replies");
        QTest::addColumn<bool>("commandLoad"); // after the first reply
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("heard"); // how the name starts
        QTest::addColumn<bool>("red");

        QTest::newRow("Bad Data, with where it stopped")
            << QList<QByteArray>{Full, "300,2x0,*"} << false << "lblCommStatData"
            << "Comm Status: Bad Data at field 1" << false;
        QTest::newRow("a controller message")
            << QList<QByteArray>{Full, "TSupply tripped*"} << false << "lblCommStatData"
            << "Comm Status: TSupply tripped*" << false;
        QTest::newRow("No Data") << QList<QByteArray>{Full, ""} << false << "lblCommStatData"
                                 << "Comm Status: No Data" << false;
        QTest::newRow("the link, never red")
            << QList<QByteArray>{Full} << false << "statusLine"
            << "Link status: Port 1: /dev/fake1  |  replies to 100% of polls in the last minute  |  readings current"
            << false;
        QTest::newRow("the load warning, red")
            << QList<QByteArray>(10, "300,290,1,10,0,0,u,*") << true << "loadWarning"
            << "Load warning: Load commanded Loaded; the controller still reports Unloaded (2 s)" << true;
        QTest::newRow("an alarm, red") << QList<QByteArray>{Full, Low} << false << "alarmField"
                                       << "Alarms: 1 alarm: 400 V Low 13:02:10, 0 s, lowest 293 V" << true;
    }
    void everyStatusIsHeard()
    {
        QFETCH(QList<QByteArray>, replies);
        QFETCH(bool, commandLoad);
        QFETCH(QString, field);
        QFETCH(QString, heard);
        QFETCH(bool, red);

        Rig rig;
        rig.polls({replies.first()});
        if (commandLoad)
            rig.window->cmdLoaded_Click();
        rig.polls(replies.mid(1));
        const QByteArray name = field.toLatin1();
        QVERIFY2(rig.heard(name).startsWith(heard), qPrintable(rig.heard(name)));
        QVERIFY(!rig.child(name)->isHidden());
        QCOMPARE(rig.red(name), red);
    }

    // A field too long for its room gives way in the middle of its less
    // important part; the whole is its tooltip and what is heard.
    void longFieldsShortenInTheMiddle_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("starts");
        QTest::addColumn<QString>("ends");

        QTest::newRow("room for all") << 2000 << "Port 1: /dev/serial/by-id/usb-FTDI"
                                      << "readings current";
        QTest::newRow("the port's name gives way") << 300 << "Port 1: /dev/"
                                                   << "  |  readings current";
        QTest::newRow("no room even for the rest: cut at the end") << 60 << "Port"
                                                                   << "\u2026";
    }
    void longFieldsShortenInTheMiddle()
    {
        QFETCH(int, width);
        const QString port = QStringLiteral("Port 1: /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
        const QString text = port + QStringLiteral("  |  readings current");
        StatusField f(QStringLiteral("Link status"));
        f.setField(text, 0, port.size());
        f.resize(width, 20);
        QFETCH(QString, starts);
        QFETCH(QString, ends);
        const QString shown = f.shownText(width);
        QVERIFY2(shown.startsWith(starts) && shown.endsWith(ends), qPrintable(shown));
        QVERIFY(f.fontMetrics().horizontalAdvance(shown) <= width);
        QCOMPARE(f.toolTip(), shown == text ? QString() : text);
        QCOMPARE(f.text(), text);
        QCOMPARE(QAccessible::queryAccessibleInterface(&f)->text(QAccessible::Name), "Link status: " + text);
    }

    // Acknowledge by the button and by the key: the alarms leave the status
    // bar, the list keeps an open one until it closes, the record has the event.
    void acknowledgeByButtonAndKey()
    {
        Rig rig;
        rig.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
        rig.polls({Full, Low, Full, "300,2x0,*", Full});
        auto *button = rig.child<QPushButton>("cmdAcknowledge");
        QVERIFY(!button->isHidden());
        QVERIFY(rig.child<QLabel>("alarmField")->text().startsWith(QStringLiteral("2 alarms: Bad Data 13:02:11")));

        rig.window->mnuAlarms_Click();
        auto *list = dynamic_cast<frmAlarms *>(WindowRig::topLevel("frmAlarms"));
        QVERIFY(list);
        QAbstractItemModel *rows = list->findChild<QTableView *>("lstAlarms")->model();
        QCOMPARE(rows->rowCount(), 2);
        QCOMPARE(rows->index(0, 3).data().toString(), QStringLiteral("400 V Low"));
        QCOMPARE(rows->index(0, 4).data().toString(), QStringLiteral("lowest 293 V"));
        if (const QByteArray dir = qgetenv("VANTO_SCREENSHOT_DIR"); !dir.isEmpty())
            list->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/alarms-window.png"));

        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(button->isHidden());
        QVERIFY(rig.child<QLabel>("alarmField")->isHidden());
        QCOMPARE(rows->rowCount(), 0);
        QCOMPARE(rig.window->session().events().back().kind, EventKind::AlarmsAcknowledged);

        rig.polls({Low});
        QVERIFY(!button->isHidden());
        rig.window->activateWindow();
        QTest::keyClick(rig.window.get(), Qt::Key_K, Qt::ControlModifier);
        QVERIFY(button->isHidden());
        QCOMPARE(rows->rowCount(), 1); // still low: listed until it closes
        rig.polls({Full});
        QCOMPARE(rows->rowCount(), 0);
    }

    // A load warning and two alarms at once: each in its own field, only they
    // red, each heard whole with its name however little room it has.
    void warningAndAlarmsSideBySide()
    {
        Rig rig;
        rig.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
        const QByteArray dead = "300,290,1,10,0,0,u,*";
        rig.polls({dead});
        rig.window->acknowledgeAlarms(); // both supplies low: seen
        rig.window->cmdLoaded_Click();
        rig.polls(QList<QByteArray>(10, dead) + QList<QByteArray>{"300,2x0,1,*", dead});
        QVERIFY(rig.child<QLabel>("alarmField")->text().startsWith(QStringLiteral("2 alarms: Bad Data 13:02:13")));
        QVERIFY(!rig.child("loadWarning")->isHidden());
        QVERIFY(rig.red("loadWarning") && rig.red("alarmField") && !rig.red("statusLine"));
        for (const char *name : {"lblCommStatData", "statusLine", "loadWarning", "alarmField"}) {
            auto *field = rig.child<QLabel>(name);
            QVERIFY2(rig.heard(name).endsWith(field->text()), name);
            if (auto *f = qobject_cast<StatusField *>(field)) {
                QVERIFY(f->geometry().right() <= rig.window->width());
                if (f->shownText(f->contentsRect().width()) != f->text())
                    QCOMPARE(f->toolTip(), f->text());
            }
            qInfo("%s", qPrintable(rig.heard(name)));
        }
        if (const QByteArray dir = qgetenv("VANTO_SCREENSHOT_DIR"); !dir.isEmpty())
            rig.window->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/statusbar-warning-alarms.png"));
    }

    // A garbled reply as the Line window shows it: the letter sent, the bytes
    // received escaped or in hex, the reply's time from its letter.
    void lineWindowShowsAGarbledReply()
    {
        Rig rig;
        rig.polls({Full});
        rig.window->mnuLine_Click();
        auto *line = dynamic_cast<frmLine *>(WindowRig::topLevel("frmLine"));
        QVERIFY(line);
        rig.polls({QByteArray("300,2\x00x0\r\n,*", 12)});
        const QStringList lines = line->shownText().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], QStringLiteral("13:02:10.250 received 300,290,1,10,3840,3277,u,*"));
        QCOMPARE(lines[1], QStringLiteral("13:02:10.250 sent     u"));
        QCOMPARE(lines[2],
                 QStringLiteral("13:02:10.500 received 300,2\\x00x0\\r\\n,*   (reply 250 ms after the letter)"));
        QCOMPARE(lines[3], QStringLiteral("13:02:10.500 sent     u"));
        if (const QByteArray dir = qgetenv("VANTO_SCREENSHOT_DIR"); !dir.isEmpty()) {
            line->show();
            line->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/line-garbled.png"));
        }

        line->findChild<QCheckBox *>("chkHex")->setChecked(true);
        QCOMPARE(line->shownText().split(QLatin1Char('\n')).value(2),
                 QStringLiteral(
                     "13:02:10.500 received 33 30 30 2C 32 00 78 30 0D 0A 2C 2A   (reply 250 ms after the letter)"));

        line->findChild<QPushButton *>("cmdPause")->setChecked(true);
        rig.polls({Full});
        QCOMPARE(line->shownText().split(QLatin1Char('\n')).size(), 4);
        line->findChild<QPushButton *>("cmdPause")->setChecked(false);
        QCOMPARE(line->shownText().split(QLatin1Char('\n')).size(), 6);

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("line.txt"));
        QVERIFY(line->save(path));
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(saved.readAll()), line->shownText() + QLatin1Char('\n'));

        line->cmdClear_Click();
        QCOMPARE(line->shownText(), QString());
    }
};

QTEST_MAIN(tst_statusbar)
#include "tst_statusbar.moc"
