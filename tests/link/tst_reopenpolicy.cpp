#include "link/ReopenPolicy.h"

#include <QtTest>

// When the poll brings a lost port back: the port that was lost, never while
// the operator is choosing or after they chose another, nothing while the
// device is missing and at once when it is back, at most once a second while
// it is there but won't open.
class tst_reopenpolicy : public QObject
{
    Q_OBJECT

private slots:
    // Each row is a story, one poll tick (250 ms) a character. A tick first
    // asks the policy, then something happens:
    //   .  nothing          L  the port is lost      F  lost by the reset, whose reopen failed
    //   O  the port is open again                    C  the operator closed it
    //   c  the operator opens the port dialog        x  ... and cancels it
    //   3  the operator's Done moves to port 3       1  ... back to port 1
    //   g  the device is gone                        b  ... and back
    // answers: what each tick was told, y to reopen now, - not to.
    void reopenNow_data()
    {
        QTest::addColumn<QString>("story");
        QTest::addColumn<QString>("answers");
        QTest::newRow("nothing lost") << "...."
                                      << "----";
        QTest::newRow("lost: at once, then once a second") << "L......."
                                                           << "-y---y--";
        QTest::newRow("a failed reset counts as a try") << "F......"
                                                        << "----y--";
        QTest::newRow("open again: the wish is gone") << "LOC....."
                                                      << "-y------";
        QTest::newRow("not while the operator chooses") << "cL......"
                                                        << "--------";
        QTest::newRow("choosing ends: tried at once") << "cL...x.."
                                                      << "------y-";
        QTest::newRow("operator moved to another port") << "cL3....."
                                                        << "--------";
        QTest::newRow("operator back on the lost port") << "cL3..1.."
                                                        << "------y-";
        QTest::newRow("only the port lost first comes back") << "cL3L...."
                                                             << "--------";
    }
    void reopenNow()
    {
        QFETCH(QString, story);
        QFETCH(QString, answers);

        qint64 now = 0;
        ReopenPolicy policy([&now] { return now; });
        int port = 1;
        bool open = true;
        bool choosing = false;
        bool present = true;
        QString asked;
        for (const QChar step : story) {
            asked += policy.reopenNow(open, choosing, port, present) ? u'y' : u'-';
            switch (step.toLatin1()) {
            case 'F':
                policy.triedAndFailed();
                Q_FALLTHROUGH();
            case 'L':
                open = false;
                policy.lost(port);
                break;
            case 'O':
                open = true;
                break;
            case 'C':
                open = false;
                break;
            case 'c':
                choosing = true;
                break;
            case 'x':
                choosing = false;
                break;
            case 'g':
                present = false;
                break;
            case 'b':
                present = true;
                break;
            case '1':
            case '3':
                port = step.digitValue();
                choosing = false;
                break;
            }
            now += 250;
        }
        QCOMPARE(asked, answers);
    }
};

QTEST_GUILESS_MAIN(tst_reopenpolicy)
#include "tst_reopenpolicy.moc"
