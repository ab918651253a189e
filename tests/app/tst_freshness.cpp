#include "WindowRig.h"

#include "app/frmVANTOPortTestGui.h"
#include "instruments/DialGauge.h"
#include "instruments/Lamp.h"
#include "link/Comunication.h"
#include "ui/MsgBox.h"

#include <QAccessible>
#include <QDateTime>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolTip>
#include <QtTest>

namespace {
const QByteArray Full = "300,290,1,10,0,0,u,*";
const QDateTime Base(QDate(2026, 12, 7), QTime(8, 54, 38));

// The real window on a fake port and a clock the test moves; ticks by hand.
struct Rig : WindowRig
{
    qint64 now = 0;
    Rig()
    {
        window->session().setClock([this] { return Stamp{now, Base.toMSecsSinceEpoch() + now}; });
        startHeld();
    }
    // Polls a quarter of a second apart ("" a silent one).
    void polls(const QList<QByteArray> &replies)
    {
        for (const QByteArray &r : replies) {
            tick(r);
            now += 250;
        }
    }
    bool textDimmed(const char *name) const
    {
        const QPalette p = child(name)->palette();
        return p.color(QPalette::Active, QPalette::Text) == p.color(QPalette::Disabled, QPalette::Text)
               && p.color(QPalette::Active, QPalette::WindowText) == p.color(QPalette::Disabled, QPalette::WindowText);
    }
    // What is dimmed, a letter a reading in field order: t c f w H h.
    QString dimmed() const
    {
        QString letters;
        const auto add = [&](char letter, bool dim) {
            if (dim)
                letters += QLatin1Char(letter);
        };
        add('t', textDimmed("txtLoadCanTemp"));
        add('c', textDimmed("txtCtrCanTemp"));
        add('f', textDimmed("txtPlsFreq"));
        add('w', textDimmed("txtPlsWdth"));
        add('H', textDimmed("lbl400VDC") && child<DialGauge>("agd400VDC")->isDimmed()
                     && child<Lamp>("sts400OK")->isDimmed());
        add('h',
            textDimmed("lbl48VDC") && child<DialGauge>("agd48VDC")->isDimmed() && child<Lamp>("sts48OK")->isDimmed());
        return letters;
    }
    QString toolTip(const char *name) const
    {
        QWidget *w = child(name);
        QHelpEvent event(QEvent::ToolTip, QPoint(2, 2), w->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(w, &event);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    }
    QString status() const { return child<QLabel>("statusLine")->text(); }
};
} // namespace

// What the operator sees of how current the readings are: stale ones dimmed,
// each readout telling when it was read, the link in the status bar.
class tst_freshness : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Comunication::setSettleWait([](float) {});
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        setMsgBoxResponder([](const QString &, const QString &, MsgBoxButtons) { return MsgBoxAnswer::Ok; });
    }
    void cleanupTestCase() { setMsgBoxResponder({}); }

    // Replies a poll apart, then `wait` ms on one more (silent) poll applies what it finds.
    void staleReadingsAreDimmed_data()
    {
        QTest::addColumn<QList<QByteArray>>("replies");
        QTest::addColumn<int>("wait");
        QTest::addColumn<QString>("dimmed");
        QTest::addColumn<QString>("status");

        const QList<QByteArray> eight(8, QByteArray());
        QTest::newRow("nothing read: the start look") << QList<QByteArray>() << 0 << ""
                                                      << "no reading yet";
        QTest::newRow("a good reply") << QList<QByteArray>{Full} << 250 << ""
                                      << "readings current";
        QTest::newRow("2 s on") << QList<QByteArray>{Full} << 2000 << ""
                                << "readings current";
        QTest::newRow("a poll past 2 s") << QList<QByteArray>{Full} << 2250 << "tcfwHh"
                                         << "readings stale: last good reply 2 s ago";
        QTest::newRow("a short reply restores what it carries")
            << QList<QByteArray>{Full} + eight + QList<QByteArray>{"301,290,*"} << 0 << "fwHh"
            << "readings current";
        QTest::newRow("a good reply restores all")
            << QList<QByteArray>{Full} + eight + QList<QByteArray>{"", Full} << 0 << ""
            << "readings current";
    }
    void staleReadingsAreDimmed()
    {
        QFETCH(QList<QByteArray>, replies);
        QFETCH(int, wait);
        QFETCH(QString, dimmed);
        QFETCH(QString, status);

        Rig rig;
        rig.polls(replies);
        rig.now += wait - (replies.isEmpty() ? 0 : 250);
        rig.tick();
        QCOMPARE(rig.dimmed(), dimmed);
        QVERIFY2(rig.status().contains(status), qPrintable(rig.status()));
        // The lamps of the link and of logging tell the present: never dimmed.
        QVERIFY(!rig.child<Lamp>("CWButton1")->isDimmed() && !rig.child<Lamp>("CWButton2")->isDimmed());
        // A screen reader hears it too.
        const bool stale = dimmed.contains(QLatin1Char('H'));
        QCOMPARE(QAccessible::queryAccessibleInterface(rig.child("sts400OK"))
                     ->text(QAccessible::Description)
                     .endsWith(QLatin1String(", not current")),
                 stale);
        QCOMPARE(QAccessible::queryAccessibleInterface(rig.child("txtPlsFreq"))->text(QAccessible::Description),
                 dimmed.contains(QLatin1Char('f')) ? QStringLiteral("not current") : QString());
        // The range lamps keep their own tooltip.
        QCOMPARE(rig.child("sts400OK")->toolTip(), QStringLiteral("OK Range +/- 10%  = Green else Red"));
    }

    // A range lamp is green or red only on a current reading: grey before the
    // first one and while stale, with its text, and heard so.
    void rangeLampsShowOnlyWhatIsKnown_data()
    {
        QTest::addColumn<QList<QByteArray>>("replies");
        QTest::addColumn<int>("wait");
        QTest::addColumn<QString>("colour"); // of the 400 V lamp: grey, green or red
        QTest::addColumn<QString>("heard");  // its description

        const QByteArray live = "300,290,1,10,3840,3277,u,*";
        QTest::newRow("before the first reading") << QList<QByteArray>() << 0 << "grey"
                                                  << "no reading yet";
        QTest::newRow("a text message is no reading") << QList<QByteArray>{"Controller reset*"} << 0 << "grey"
                                                      << "no reading yet";
        QTest::newRow("current, in range") << QList<QByteArray>{live} << 250 << "green"
                                           << "OK";
        QTest::newRow("current, low") << QList<QByteArray>{Full} << 250 << "red"
                                      << "Low";
        QTest::newRow("stale") << QList<QByteArray>{live} << 2250 << "grey"
                               << "OK, not current";
        QTest::newRow("a short reply keeps the supplies stale")
            << QList<QByteArray>{live} + QList<QByteArray>(8, QByteArray()) + QList<QByteArray>{"301,290,*"} << 0
            << "grey"
            << "OK, not current";
    }
    void rangeLampsShowOnlyWhatIsKnown()
    {
        QFETCH(QList<QByteArray>, replies);
        QFETCH(int, wait);
        QFETCH(QString, colour);
        QFETCH(QString, heard);

        Rig rig;
        rig.window->show();
        rig.polls(replies);
        rig.now += wait - (replies.isEmpty() ? 0 : 250);
        rig.tick();
        auto *lamp = rig.child<Lamp>("sts400OK");
        const QImage image = lamp->grab().toImage();
        const QColor c = image.pixelColor(image.width() * 11 / 20, image.height() - 6);
        const QString seen = qAbs(c.red() - c.green()) < 40 && qAbs(c.green() - c.blue()) < 40 ? "grey"
                             : c.green() > c.red()                                             ? "green"
                                                                                               : "red";
        QCOMPARE(seen, colour);
        QCOMPARE(lamp->isDimmed(), colour == QLatin1String("grey"));
        QCOMPARE(rig.child<DialGauge>("agd400VDC")->isDimmed(), colour == QLatin1String("grey"));
        QCOMPARE(QAccessible::queryAccessibleInterface(lamp)->text(QAccessible::Description), heard);
        if (const QByteArray dir = qgetenv("VANTO_SCREENSHOT_DIR"); !dir.isEmpty())
            rig.window->grab().save(
                QStringLiteral("%1/range-lamps-%2.png")
                    .arg(QString::fromLocal8Bit(dir),
                         QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-').remove(u',')));
    }

    void readoutsTellWhenTheyWereRead()
    {
        Rig rig;
        QCOMPARE(rig.toolTip("txtPlsFreq"), QString()); // nothing read yet
        rig.polls({Full});
        rig.now += 12000;
        QCOMPARE(rig.toolTip("txtPlsFreq"), QStringLiteral("Read at 8:54:38 AM, 12 s ago"));
        QCOMPARE(rig.toolTip("lbl48VDC"), QStringLiteral("Read at 8:54:38 AM, 12 s ago"));
    }

    // The controller keeps reporting another load state than commanded: the
    // status bar says so in a red field of its own until they agree; the
    // link's field stays as it is.
    void unconfirmedLoadIsToldInRed()
    {
        Rig rig;
        rig.polls({Full});
        rig.window->cmdLoaded_Click(); // commands "l"
        auto *warning = rig.child<QLabel>("loadWarning");
        const auto red = [&] {
            return !warning->isHidden() && warning->palette().color(QPalette::WindowText) == QColor(255, 0, 0);
        };
        rig.polls(QList<QByteArray>(9, Full));
        QVERIFY(!red());
        rig.polls({Full});
        QVERIFY(red());
        QVERIFY2(
            warning->text().startsWith(QStringLiteral("Load commanded Loaded; the controller still reports Unloaded")),
            qPrintable(warning->text()));
        QVERIFY(!rig.status().contains(QStringLiteral("Load commanded")));
        QVERIFY(rig.child<QLabel>("statusLine")->palette().color(QPalette::WindowText) != QColor(255, 0, 0));
        rig.polls({"300,290,1,10,0,0,l,*"});
        QVERIFY(!red());
    }
};

QTEST_MAIN(tst_freshness)
#include "tst_freshness.moc"
