// The Trends window over an 8-hour shift: the real main window, offscreen, on a
// fake port answered by the simulator's controller model, polled 115,200 times
// on a clock that moves 250 ms a poll (readings drifting, supplies switched
// every 20 min, 20 s of silence every 30 min, a controller message every 2 min,
// an operator action every 3 min). Then: the first draw of the whole shift, a
// full repaint (median of several) in the live and the whole-session view, the
// resident memory, and the CPU while polling at 4 Hz with the window open and
// following live, and with it closed.
//   bench_trends [SECONDS] [REPAINTS]      (CPU spans, default 60 s; default 15 repaints)
#include "FakeSerialControl.h"
#include "ProcessFigures.h"

#include "app/frmVANTOPortTestGui.h"
#include "link/Comunication.h"
#include "model/ControllerModel.h"
#include "trends/frmTrends.h"
#include "ui/MsgBox.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPushButton>
#include <QStyleFactory>
#include <QTimer>

#include <qcustomplot.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

constexpr int ShiftPolls = 8 * 3600 * 4;
constexpr int PollMs = 250;
constexpr int Minute = 60 * 1000 / PollMs; // polls

// The controller at the other end of the fake line: each letter the tool
// sends is answered with the model's next reply, unless it is silent.
class ModelPort : public FakeSerialControl
{
public:
    ControllerModel controller{1};
    bool silent = false;
    QByteArray message; // sent instead of the next reply

    void Output(const QByteArray &text) override
    {
        if (!PortOpen())
            throw LinkError("port is closed");
        for (const char letter : text) {
            if (!controller.applyCommand(letter))
                continue;
            const QByteArray reply = controller.nextReply();
            if (silent)
                continue;
            rx += message.isEmpty() ? reply : message;
            message.clear();
        }
    }
};

double medianMs(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

// A full repaint: the charts drawn again from their data, then the whole
// window painted, as when it is uncovered.
std::vector<double> repaints(frmTrends &trends, int count)
{
    std::vector<double> ms;
    for (int i = 0; i < count; ++i) {
        QElapsedTimer timer;
        timer.start();
        trends.replotNow();
        trends.repaint();
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    return ms;
}

double pollingCpu(int seconds)
{
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    // A loop of its own: quitting the application would close its windows.
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    return 100 * (cpuSeconds() - cpu0) / (wall.nsecsElapsed() / 1e9);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setQuitOnLastWindowClosed(false);
    const int seconds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 60;
    const int count = argc > 2 ? std::max(3, std::atoi(argv[2])) : 15;

    // Boxes (the load interlock's) are answered at once; the settle delay is
    // skipped while the shift is filled in.
    setMsgBoxResponder([](const QString &, const QString &, MsgBoxButtons) { return MsgBoxAnswer::Ok; });
    Comunication::setSettleWait([](float) {});

    auto owned = std::make_unique<ModelPort>();
    ModelPort &port = *owned;
    port.controller.setSuppliesLive(true);
    frmVANTOPortTestGui window(std::move(owned));

    // The shift ends now: its clock starts 8 hours ago and moves a poll a tick.
    qint64 mono = 0;
    const qint64 wallStart = QDateTime::currentMSecsSinceEpoch() - qint64(ShiftPolls) * PollMs;
    SessionRecord &record = window.session();
    record.setClock([&] { return Stamp{mono, wallStart + mono}; });
    window.Form_Load();
    window.findChild<QTimer *>(QStringLiteral("Timer1"))->stop();

    QElapsedTimer fill;
    fill.start();
    for (int i = 0; i < ShiftPolls; ++i, mono += PollMs) {
        if (i % (20 * Minute) == 0 && i > 0)
            port.controller.setSuppliesLive(!port.controller.suppliesLive());
        port.silent = i % (30 * Minute) >= 15 * Minute && i % (30 * Minute) < 15 * Minute + 80;
        if (i % (2 * Minute) == Minute)
            port.message = "Controller reset*";
        if (i % (3 * Minute) == Minute / 2) {
            switch (i / (3 * Minute) % 3) {
            case 0:
                window.cmd1PPSOnOff_Click();
                break;
            case 1:
                window.cmdFstUpdt_Click();
                break;
            default:
                window.cmdLoaded_Click();
            }
        }
        window.Timer1_Timer();
    }
    const double fillS = fill.nsecsElapsed() / 1e9;
    app.processEvents();
    const double shiftMb = residentMb();

    QElapsedTimer firstDraw;
    firstDraw.start();
    window.mnuTrends_Click();
    frmTrends *trends = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("frmTrends"))
            trends = static_cast<frmTrends *>(w);
    if (!trends) {
        std::fprintf(stderr, "bench_trends: no Trends window\n");
        return 1;
    }
    app.processEvents();
    const double firstDrawMs = firstDraw.nsecsElapsed() / 1e6;

    const std::vector<double> live = repaints(*trends, count);
    trends->findChild<QPushButton *>(QStringLiteral("cmdWhole"))->click();
    const std::vector<double> whole = repaints(*trends, count);
    trends->findChild<QPushButton *>(QStringLiteral("cmdLive"))->click();
    app.processEvents();
    const double withTrendsMb = residentMb();

    // Polling on the real timer at 4 Hz, the clock running on from the shift.
    QElapsedTimer since;
    since.start();
    const qint64 monoAt = mono;
    record.setClock([&] { return Stamp{monoAt + since.elapsed(), wallStart + monoAt + since.elapsed()}; });
    port.silent = false;
    window.findChild<QTimer *>(QStringLiteral("Timer1"))->start();
    const double cpuOpen = pollingCpu(seconds);
    trends->close();
    const double cpuClosed = pollingCpu(seconds);
    const double finalMb = residentMb();

    const std::size_t events = record.events().size();
    QFile load(QStringLiteral("/proc/loadavg"));
    const QByteArray loadAverage = load.open(QIODevice::ReadOnly) ? load.readLine().trimmed() : QByteArray("?");
    std::printf("bench_trends: an 8-hour shift, %zu ticks and %zu events (filled in %.1f s); %s platform, load "
                "average %s\n",
                record.ticks().size(), events, fillS, qPrintable(app.platformName()), loadAverage.constData());
    std::printf("  %-58s %9s   %s\n", "figure", "value", "target");
    std::printf("  %-58s %9.1f\n", "first draw of the shift on opening, ms", firstDrawMs);
    std::printf("  %-58s %9.2f   <= 16\n", "full repaint, live view (last 10 min), median ms", medianMs(live));
    std::printf("  %-58s %9.2f   <= 16\n", "full repaint, whole session (8 h), median ms", medianMs(whole));
    std::printf("  %-58s %9.1f\n", "resident memory, shift recorded, Trends never opened, MB", shiftMb);
    std::printf("  %-58s %9.1f   <= 60\n", "resident memory, Trends open on the shift, MB", withTrendsMb);
    std::printf("  %-58s %9.1f   <= 60\n", "resident memory at the end, MB", finalMb);
    std::printf("  %-58s %9.2f   <= 1.5\n", "CPU polling, Trends open and following live, % of a core", cpuOpen);
    std::printf("  %-58s %9.2f   <= 0.5\n", "CPU polling, Trends closed, % of a core", cpuClosed);
    std::printf("  (%d repaints each; CPU over %d s each; no settle delay)\n", count, seconds);
    return 0;
}
