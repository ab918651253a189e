#include "WindowRig.h"

#include "session/CsvWriter.h"
#include "trends/frmTrends.h"
#include "ui/MsgBox.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <qcustomplot.h>

#include <cmath>

namespace {
const QByteArray Full = "300,290,1,10,3840,3277,u,*";
const auto topLevel = &WindowRig::topLevel;

int countTopLevels(const char *name)
{
    int n = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        n += w->objectName() == QLatin1String(name);
    return n;
}

// The 400 V line as the chart holds it: each value, "|" for a break.
QString supplyLine(frmTrends *trends)
{
    QStringList out;
    const auto data = trends->graph(Trend::Supply400)->data();
    for (auto it = data->constBegin(); it != data->constEnd(); ++it)
        out << (std::isnan(it->value) ? QStringLiteral("|") : QString::number(it->value));
    return out.join(u' ');
}
} // namespace

// The Trends window on the real main window: how it is opened, what it draws
// and when, and how it tells a file it couldn't write.
class tst_trends : public QObject
{
    Q_OBJECT

    QStringList m_boxes;

private slots:
    void init()
    {
        m_boxes.clear();
        setMsgBoxResponder([this](const QString &text, const QString &title, MsgBoxButtons) {
            m_boxes << title + QStringLiteral(": ") + text;
            return MsgBoxAnswer::Ok;
        });
    }
    void cleanup()
    {
        setMsgBoxResponder({});
        for (QWidget *w : QApplication::topLevelWidgets())
            w->close();
    }

    void menuEntryShortcutAndOneWindow()
    {
        // Its place in the menu bar is checked with the main window's menu.
        WindowRig rig;
        rig.window->Form_Load();
        auto *mnuTrends = rig.child<QAction>("mnuTrends");
        QVERIFY(!mnuTrends->menu()); // acts at once

        QVERIFY(QTest::qWaitForWindowActive(rig.window.get()));
        QTest::keyClick(rig.window.get(), Qt::Key_T, Qt::ControlModifier);
        QWidget *trends = topLevel("frmTrends");
        QVERIFY(trends && trends->isVisible());
        QCOMPARE(trends->windowTitle(), QStringLiteral("Trends"));
        QVERIFY(!trends->isModal());

        // Asked for again, open or closed: the same window, once.
        mnuTrends->trigger();
        trends->close();
        mnuTrends->trigger();
        QCOMPARE(countTopLevels("frmTrends"), 1);
        QCOMPARE(topLevel("frmTrends"), trends);
        QVERIFY(trends->isVisible());

        // It keeps the tool running once the main window has gone.
        rig.window->mnuExit_Click();
        QVERIFY(trends->isVisible() && trends->testAttribute(Qt::WA_QuitOnClose));
    }

    // Points are added only while the window is on screen; shown again it
    // takes up what it missed. Lines break where no good reply came.
    void drawsTheSessionWhenShown()
    {
        WindowRig rig;
        rig.startHeld();
        rig.window->mnuTrends_Click();
        auto *trends = static_cast<frmTrends *>(topLevel("frmTrends"));
        rig.tick(Full);
        rig.tick();
        rig.tick(Full);
        QCOMPARE(supplyLine(trends), QStringLiteral("375 | 375"));
        // The last 10 minutes, up to the newest point (within a pixel).
        const QCPAxis *time = trends->plot()->axisRect(0)->axis(QCPAxis::atBottom);
        QCOMPARE(time->range().size(), frmTrends::LiveSpanS);
        const double last = TrendPoints::key(rig.window->session().ticks().back().at);
        QVERIFY(std::abs(time->coordToPixel(last) - time->coordToPixel(time->range().upper)) < 1);

        trends->close();
        rig.tick("300,290,1,10,zz,3277,u,*");
        rig.tick(Full);
        QCOMPARE(supplyLine(trends), QStringLiteral("375 | 375"));
        rig.window->mnuTrends_Click();
        QCOMPARE(supplyLine(trends), QStringLiteral("375 | 375 | 375"));
    }

    // The operator zooming or panning the time axis stops the live view;
    // "Live" resumes it, "Whole session" fits it all.
    void liveAndWholeSession()
    {
        WindowRig rig;
        rig.startHeld();
        rig.window->mnuTrends_Click();
        auto *trends = static_cast<frmTrends *>(topLevel("frmTrends"));
        QCPAxis *time = trends->plot()->axisRect(1)->axis(QCPAxis::atBottom);
        rig.tick(Full);

        time->moveRange(-60); // as a drag does
        QVERIFY(!trends->following());
        rig.tick(Full);
        const double last = TrendPoints::key(rig.window->session().ticks().back().at);
        QVERIFY(trends->plot()->axisRect(0)->axis(QCPAxis::atBottom)->range().upper < last);

        trends->findChild<QPushButton *>(QStringLiteral("cmdLive"))->click();
        QVERIFY(trends->following());
        QCOMPARE(time->range().upper, last);
        QCOMPARE(time->range().size(), frmTrends::LiveSpanS);

        trends->findChild<QPushButton *>(QStringLiteral("cmdWhole"))->click();
        QVERIFY(!trends->following());
        QVERIFY(time->range().contains(TrendPoints::key(rig.window->session().ticks().front().at)));
        QVERIFY(time->range().contains(last));
    }

    // Save CSV and Save Image write their file, or say which and why in a box.
    void saving_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<bool>("written");

        QTest::newRow("a new file") << "out" << true;
        QTest::newRow("below a regular file") << "file/out" << false;
        QTest::newRow("a directory") << "" << false;
        QTest::newRow("a full disk") << "/dev/full" << false;
    }
    void saving()
    {
        QFETCH(QString, where);
        QFETCH(bool, written);

        QTemporaryDir dir;
        QFile(dir.filePath(QStringLiteral("file"))).open(QIODevice::WriteOnly);
        const QString path = where.startsWith(u'/') ? where : where.isEmpty() ? dir.path() : dir.filePath(where);
        WindowRig rig;
        rig.startHeld();
        rig.window->mnuTrends_Click();
        auto *trends = static_cast<frmTrends *>(topLevel("frmTrends"));
        rig.tick(Full);

        const QString csv = where.isEmpty() || where.startsWith(u'/') ? path : path + QStringLiteral(".csv");
        const QString png = where.isEmpty() || where.startsWith(u'/') ? path : path + QStringLiteral(".png");
        QCOMPARE(trends->saveCsv(csv), written);
        QCOMPARE(trends->saveImage(png), written);
        if (written) {
            QVERIFY(m_boxes.isEmpty());
            QFile file(csv);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY(file.readAll().startsWith(CsvWriter::Header));
            QVERIFY(!QImage(png).isNull());
            return;
        }
        QCOMPARE(m_boxes.size(), 2);
        QVERIFY2(m_boxes[0].startsWith(QStringLiteral("Save CSV: The CSV file %1 could not be written: ").arg(csv)),
                 qPrintable(m_boxes[0]));
        QVERIFY2(m_boxes[1].startsWith(QStringLiteral("Save Image: The image %1 could not be written: ").arg(png)),
                 qPrintable(m_boxes[1]));
        QVERIFY(!m_boxes[0].endsWith(QStringLiteral(": ."))); // a reason is given
    }

    // --csv to a file that can't be written: said once, in the status bar
    // and as an event, and the tool polls on.
    void csvFailureToldOnce()
    {
        WindowRig rig;
        rig.startHeld();
        rig.window->startCsv(QStringLiteral("/dev/full"));
        for (int i = 0; i < 8; ++i)
            QCOMPARE(rig.tick(Full), QByteArray("u"));

        int failures = 0;
        for (const EventEntry &e : rig.window->session().events())
            failures += e.kind == EventKind::LoggingFailed;
        QCOMPARE(failures, 1);
        const QString status = rig.child<QLabel>("statusLine")->text();
        QVERIFY2(status.contains(QStringLiteral("CSV record stopped: /dev/full could not be written")),
                 qPrintable(status));
        QVERIFY(m_boxes.isEmpty());
    }
};

QTEST_MAIN(tst_trends)
#include "tst_trends.moc"
