#include "WindowRig.h"

#include "Version.h"

#include "trends/frmTrends.h"
#include "ui/MsgBox.h"

#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <qcustomplot.h>

namespace {

// Two minutes of a shift just before midnight: a row every 250 ms, the
// 400 V supply low for its second minute, a load command and a message, and
// the last row cut short.
QByteArray shiftCsv()
{
    QByteArray csv = "time,load_can_temp_c,control_can_temp_c,pps_frequency_hz,pps_width_us,ch1_counts,ch1_volts,"
                     "ch2_counts,ch2_volts,load_state,event\n";
    const QDateTime start(QDate(2026, 12, 7), QTime(23, 58));
    for (int i = 0; i < 480; ++i) {
        const QByteArray at = start.addMSecs(i * 250).toOffsetFromUtc(0).toString(Qt::ISODateWithMs).toLatin1();
        const QByteArray time = at.left(23) + "+00:00";
        csv += time
               + (i < 240 ? ",27,17,1,10,3840,375.000,3277,48.007,u,\n" : ",27,17,1,10,3000,292.969,3277,48.007,u,\n");
        if (i == 100)
            csv += time + ",,,,,,,,,,Load commanded Loaded\n";
        if (i == 300)
            csv += time + ",,,,,,,,,,\"Controller reset, twice*\"\n";
    }
    return csv + "2026-12-08T00:00:00.000+00:00,27,1";
}

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    QFile file(dir.filePath(name));
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return file.fileName();
}

QList<frmTrends *> reviews()
{
    QList<frmTrends *> out;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *t = dynamic_cast<frmTrends *>(w); t && t->reviewing() && t->isVisible())
            out << t;
    return out;
}

} // namespace

// A recorded session opened beside the live one: its own read-only window
// with the whole file and a summary, a damaged file refused in one box, and
// the live Trends window told when the session ends.
class tst_reviewwindow : public QObject
{
    Q_OBJECT

    QStringList m_boxes;
    QTemporaryDir m_dir;

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

    void aRecordedSessionUnderReview()
    {
        WindowRig rig;
        const QString path = writeFile(m_dir, QStringLiteral("shift.csv"), shiftCsv());
        QVERIFY(rig.window->openSession(path));
        QVERIFY(rig.window->openSession(path)); // several at once
        QCOMPARE(reviews().size(), 2);
        frmTrends *review = reviews().first();
        QVERIFY(QTest::qWaitForWindowExposed(review));
        QCOMPARE(review->windowTitle(), QStringLiteral("Trends - shift.csv"));
        QVERIFY(!review->findChild<QPushButton *>(QStringLiteral("cmdLive"))->isVisible());
        QVERIFY(!review->findChild<QPushButton *>(QStringLiteral("cmdSaveCsv"))->isVisible());
        QVERIFY(m_boxes.isEmpty());

        // The whole session at first, and the summary of it.
        const QCPRange shown = review->plot()->axisRect(0)->axis(QCPAxis::atBottom)->range();
        const double first = QDateTime(QDate(2026, 12, 7), QTime(23, 58)).toMSecsSinceEpoch() / 1000.0;
        QVERIFY2(shown.contains(first) && shown.contains(first + 119.75) && shown.size() < 130,
                 qPrintable(QStringLiteral("%1 .. %2").arg(shown.lower).arg(shown.upper)));
        const QString summary = review->summaryText();
        for (const char *line : {"The last line of the file was incomplete", "Duration: 0:01:59",
                                 "Ch 1 400 VDC: min 292.97, mean 333.98, max 375 V; outside range 0:00:59",
                                 "Ch 2 48 VDC: min 48, mean 48, max 48 V; outside range 0:00:00",
                                 "Polls answered: 100 %", "Load commanded: 1", "Controller message: 1"})
            QVERIFY2(summary.contains(QLatin1String(line)), qPrintable(summary));

        // The time axis says the day, and again after midnight.
        review->replotNow();
        const QVector<QString> labels = review->plot()->axisRect(2)->axis(QCPAxis::atBottom)->tickVectorLabels();
        QVERIFY2(labels.join(u'|').contains(QStringLiteral("7 Dec 2026")), qPrintable(labels.join(u'|')));

        // No line runs under a legend: each chart keeps the strip it sits in.
        for (int c = 0; c < 3; ++c) {
            QCPAxisRect *chart = review->plot()->axisRect(c);
            const auto *legend = qobject_cast<QCPLegend *>(chart->insetLayout()->elementAt(0));
            QVERIFY(legend && legend->outerRect().height() > 0);
            for (QCPGraph *graph : chart->graphs()) {
                bool found = false;
                const QCPRange values = graph->getValueRange(found, QCP::sdBoth, shown);
                if (found)
                    QVERIFY2(graph->valueAxis()->coordToPixel(values.upper) > legend->outerRect().bottom(),
                             qPrintable(graph->name()));
            }
        }

        // An event chosen in the list: the charts centre on it, the span keeps its width.
        auto *list = review->findChild<QTableView *>(QStringLiteral("lstEvents"));
        const QModelIndex message = list->model()->index(1, 2);
        QVERIFY(message.data().toString().startsWith(QStringLiteral("Controller reset")));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(message).center());
        const QCPRange centred = review->plot()->axisRect(0)->axis(QCPAxis::atBottom)->range();
        QCOMPARE(centred.center(), first + 75.0);
        QCOMPARE(centred.size(), shown.size());
        QVERIFY2(review->summaryText().contains(QLatin1String("Start: 2026-12-07 23:58:")),
                 qPrintable(review->summaryText()));
        // The saved image says what it shows.
        QVERIFY2(review->imageTitle().startsWith(QStringLiteral("shift.csv  |  2026-12-07 23:5")),
                 qPrintable(review->imageTitle()));
        QVERIFY(review->imageTitle().endsWith(QStringLiteral("vanto-port-test ") + QLatin1String(Version::Text)));
    }

    void aDamagedFileIsRefusedInOneBox()
    {
        WindowRig rig;
        QByteArray csv = shiftCsv();
        csv.replace(",3000,", ",3x00,");
        const QString path = writeFile(m_dir, QStringLiteral("damaged.csv"), csv);
        QVERIFY(!rig.window->openSession(path));
        QCOMPARE(m_boxes, QStringList{QStringLiteral("Open Session: The session could not be opened.\n\n") + path
                                      + QStringLiteral(": line 243, column 6: not a number")});
        QVERIFY(reviews().isEmpty());
    }

    void theLiveWindowIsToldTheSessionEnded()
    {
        WindowRig rig;
        rig.window->mnuTrends_Click();
        auto *trends = dynamic_cast<frmTrends *>(WindowRig::topLevel("frmTrends"));
        QVERIFY(trends && !trends->reviewing());
        QVERIFY(trends->findChild<QPushButton *>(QStringLiteral("cmdLive"))->isVisible());
        rig.window->close();
        QVERIFY(trends->isVisible());
        QVERIFY(!trends->findChild<QPushButton *>(QStringLiteral("cmdLive"))->isVisible());
        QVERIFY(!trends->following());
        QVERIFY(trends->findChild<QLabel *>(QStringLiteral("lblEnded"))
                    ->text()
                    .startsWith(QStringLiteral("The session ended at ")));
        // Shown again later, it stays as it ended.
        trends->close();
        trends->Show();
        QVERIFY(!trends->following());
    }
};

QTEST_MAIN(tst_reviewwindow)
#include "tst_reviewwindow.moc"
