// The Line window and the alarms on the real main window, offscreen, on a fake
// port that answers every letter at once: the line record filled to its
// 100,000 bytes, the resident memory before and after the Line window shows
// them (as text and as hex), the CPU while polling at 4 Hz with the window
// open and following; and at which poll an alarm reaches the status bar and
// the Alarms list after the reply that opened it.
//   bench_line [SECONDS]      (CPU span, default 60 s)
#include "FakeSerialControl.h"
#include "ProcessFigures.h"

#include "app/frmVANTOPortTestGui.h"
#include "link/Comunication.h"
#include "monitors/frmLine.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QTableView>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

const QByteArray Good = "300,290,1,10,3840,3277,u,*";
const QByteArray Low = "300,290,1,10,3001,3277,u,*";

// Each letter is answered before the next poll reads.
class AnsweringPort : public FakeSerialControl
{
public:
    QByteArray reply = Good;
    void Output(const QByteArray &text) override
    {
        FakeSerialControl::Output(text);
        rx += reply;
        writes.clear(); // a shift of letters would grow the fake, not the tool
    }
};

template<typename T>
T *topLevel(const char *name)
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String(name))
            return dynamic_cast<T *>(w);
    return nullptr;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const int seconds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 60;
    Comunication::setSettleWait([](float) {});

    auto owned = std::make_unique<AnsweringPort>();
    AnsweringPort &port = *owned;
    frmVANTOPortTestGui window(std::move(owned));
    window.Form_Load();
    auto *timer = window.findChild<QTimer *>(QStringLiteral("Timer1"));
    timer->stop();

    // The alarm: which poll shows it, counted from the one whose reply opened it.
    window.mnuAlarms_Click();
    auto *alarmList = window.findChild<QLabel *>(QStringLiteral("alarmField"));
    QAbstractItemModel *rows = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *list = w->findChild<QTableView *>(QStringLiteral("lstAlarms")))
            rows = list->model();
    window.Timer1_Timer();
    port.reply = Low; // the next poll reads the first low reply
    window.Timer1_Timer();
    int statusLag = -1;
    int listLag = -1;
    for (int poll = 0; poll < 8 && (statusLag < 0 || listLag < 0); ++poll) {
        QElapsedTimer t;
        t.start();
        window.Timer1_Timer();
        if (statusLag < 0 && !alarmList->isHidden())
            statusLag = poll;
        if (listLag < 0 && rows && rows->rowCount() > 0)
            listLag = poll;
    }
    port.reply = Good;
    window.Timer1_Timer();

    // The line record filled to what it keeps.
    const qsizetype perPoll = Good.size() + 1;
    const int fillPolls = int(LineRecord::KeepBytes / perPoll) + 100;
    app.processEvents();
    const double emptyMb = residentMb();
    for (int i = 0; i < fillPolls; ++i)
        window.Timer1_Timer();
    app.processEvents();
    const qsizetype kept = window.run().line().bytes();
    const double beforeMb = residentMb();

    QElapsedTimer open;
    open.start();
    window.mnuLine_Click();
    auto *line = topLevel<frmLine>("frmLine");
    if (!line) {
        std::fprintf(stderr, "bench_line: no Line window\n");
        return 1;
    }
    app.processEvents();
    const double openMs = open.nsecsElapsed() / 1e6;
    const double textMb = residentMb();
    line->findChild<QCheckBox *>(QStringLiteral("chkHex"))->setChecked(true);
    app.processEvents();
    const double hexMb = residentMb();
    line->findChild<QCheckBox *>(QStringLiteral("chkHex"))->setChecked(false);

    timer->start();
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const double cpu = 100 * (cpuSeconds() - cpu0) / (wall.nsecsElapsed() / 1e9);
    const double followMb = residentMb();

    QFile load(QStringLiteral("/proc/loadavg"));
    const QByteArray loadAverage = load.open(QIODevice::ReadOnly) ? load.readLine().trimmed() : QByteArray("?");
    std::printf("bench_line: %s platform, load average %s\n", qPrintable(app.platformName()), loadAverage.constData());
    std::printf("  %-62s %9s   %s\n", "figure", "value", "target");
    std::printf("  %-62s %9d   0\n", "alarm in the status bar, polls after the reply that opened it", statusLag);
    std::printf("  %-62s %9d   0\n", "alarm in the Alarms list, polls after that reply", listLag);
    std::printf("  %-62s %9lld\n", "bytes kept by the line record", qlonglong(kept));
    std::printf("  %-62s %9.1f   <= 10\n", "resident memory the line record's bytes take, MB", beforeMb - emptyMb);
    std::printf("  %-62s %9.1f\n", "opening the Line window on them, ms", openMs);
    std::printf("  %-62s %9.1f   <= 10\n", "resident memory the Line window adds, as text, MB", textMb - beforeMb);
    std::printf("  %-62s %9.1f   <= 10\n", "resident memory the Line window adds, as hex, MB", hexMb - beforeMb);
    std::printf("  %-62s %9.1f   <= 10\n", "resident memory added, after following, MB", followMb - beforeMb);
    std::printf("  %-62s %9.2f   <= 1\n", "CPU polling at 4 Hz, Line window following, % of a core", cpu);
    std::printf("  (CPU over %d s; no settle delay)\n", seconds);
    return 0;
}
