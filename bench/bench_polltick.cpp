// One whole poll tick of the real main window, offscreen, against the fake port
// and without the settle delay: what the tick costs on top of that delay.
// "handler" is Timer1_Timer alone; "with repaint" adds the event loop pass that
// paints what the tick changed, as follows every tick in the running tool.
//   bench_polltick [TICKS]     (default 20000 per scenario)
#include "FakeSerialControl.h"

#include "app/frmVANTOPortTestGui.h"
#include "link/Comunication.h"
#include "model/ControllerModel.h"
#include "ui/MsgBox.h"

#include <QApplication>
#include <QFile>
#include <QStyleFactory>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double micros(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

// CPU time of the whole process, every thread (the painter hands work to a
// thread pool): the tick's own cost, whatever else the machine is running.
double processCpuMicros()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e6 + t.tv_nsec / 1e3;
}

void report(const char *scenario, const char *what, std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    const auto at = [&](double q) { return samples[std::min(samples.size() - 1, size_t(q * samples.size()))]; };
    std::printf("%-22s %-13s %7zu %9.1f %9.1f %9.1f %9.1f\n", scenario, what, samples.size(), at(0.5), at(0.99),
                at(0.999), samples.back());
}

// Replies that move every readout, gauge and lamp from tick to tick, with a
// silent tick and a text message among them: the most a tick ever repaints.
std::function<QByteArray(int)> everythingMoving()
{
    std::vector<QByteArray> out;
    for (int i = 0; i < 14; ++i) {
        out.push_back(QStringLiteral("%1,%2,1,%3,%4,%5,%6,*")
                          .arg(300 + i % 3)
                          .arg(290 + i % 2)
                          .arg(10 + i % 4)
                          .arg(3500 + 50 * i)
                          .arg(3000 + 40 * i)
                          .arg(i % 5 == 0 ? u'l' : u'u')
                          .toLatin1());
    }
    out.push_back(QByteArray()); // the controller said nothing: "No Data"
    out.push_back("Controller reset*");
    return [out](int tick) { return out[tick % out.size()]; };
}

class Scenario
{
public:
    Scenario(QApplication &app, frmVANTOPortTestGui &window, FakeSerialControl &port)
        : m_app(app)
        , m_window(window)
        , m_port(port)
    { }

    bool run(const char *name, int ticks, const std::function<QByteArray(int)> &reply)
    {
        std::vector<double> handler, whole, cpu;
        handler.reserve(ticks);
        whole.reserve(ticks);
        cpu.reserve(ticks);
        const int warmUp = 500;
        for (int i = 0; i < warmUp + ticks; ++i) {
            m_port.rx = reply(i);
            m_port.writes.clear();

            const double cpuStart = processCpuMicros();
            const Clock::time_point start = Clock::now();
            m_window.Timer1_Timer();
            const Clock::time_point handled = Clock::now();
            m_app.processEvents();
            const Clock::time_point painted = Clock::now();
            const double cpuEnd = processCpuMicros();

            if (i >= warmUp) {
                handler.push_back(micros(handled - start));
                whole.push_back(micros(painted - start));
                cpu.push_back(cpuEnd - cpuStart);
            }
            if (m_port.writes.size() != 1 || !m_port.PortOpen()) {
                std::fprintf(stderr, "bench_polltick: tick %d did not poll once (%lld writes, port %s)\n", i,
                             static_cast<long long>(m_port.writes.size()), m_port.PortOpen() ? "open" : "closed");
                return false;
            }
        }
        report(name, "handler", handler);
        report(name, "with repaint", whole);
        report(name, "CPU time", cpu);
        return true;
    }

private:
    QApplication &m_app;
    frmVANTOPortTestGui &m_window;
    FakeSerialControl &m_port;
};

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    const int ticks = argc > 1 ? std::max(1000, std::atoi(argv[1])) : 20000;

    // No box may stop the run; none is expected.
    setMsgBoxResponder([](const QString &text, const QString &, MsgBoxButtons) {
        std::fprintf(stderr, "bench_polltick: unexpected message box: %s\n", qPrintable(text));
        return MsgBoxAnswer::Ok;
    });
    Comunication::setSettleWait([](float) {});

    auto owned = std::make_unique<FakeSerialControl>();
    FakeSerialControl &port = *owned;
    frmVANTOPortTestGui window(std::move(owned));
    window.Form_Load();
    // The ticks are driven from here, one after another, not by the 250 ms timer.
    window.findChild<QTimer *>(QStringLiteral("Timer1"))->stop();
    app.processEvents();

    QFile load(QStringLiteral("/proc/loadavg"));
    const QByteArray loadAverage = load.open(QIODevice::ReadOnly) ? load.readLine().trimmed() : QByteArray("?");
    std::printf("poll tick without the settle delay, microseconds (%s platform; load average %s)\n",
                qPrintable(app.platformName()), loadAverage.constData());
    std::printf("wall-clock times, and the process's CPU time for the tick with its repaint\n");
    std::printf("%-22s %-13s %7s %9s %9s %9s %9s\n", "scenario", "", "ticks", "median", "p99", "p99.9", "max");
    Scenario scenario(app, window, port);

    const QByteArray worked("300,290,1,10,3840,3277,u,*");
    if (!scenario.run("same reply every tick", ticks, [&](int) { return worked; }))
        return 1;

    // The simulator's controller: supplies live, 1PPS sensed, readings drifting.
    ControllerModel controller(1);
    controller.setSuppliesLive(true);
    controller.applyCommand('E');
    const auto simulated = [&](int) {
        controller.applyCommand('u');
        return controller.nextReply();
    };
    if (!scenario.run("simulated controller", ticks, simulated))
        return 1;

    if (!scenario.run("everything moving", ticks, everythingMoving()))
        return 1;
    return 0;
}
