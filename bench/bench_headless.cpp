// The run with no window over an 8-hour shift, in seconds: the poll cycle
// (PortRun) against the fake serial control answering with the simulator's
// own drifting replies, the settle delay and the clock simulated, logging and
// the CSV record on. Prints the time of a poll and the resident memory of the
// process after the shift: what `vanto-port-test --headless` holds after 8 h
// but for the libraries the real program maps.
//   bench_headless [POLLS]     (default 115200: 8 h at 4 Hz)
#include "FakeSerialControl.h"

#include "link/Comunication.h"
#include "model/ControllerModel.h"
#include "run/PortRun.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

double residentMB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int polls = argc > 1 ? std::atoi(argv[1]) : 115200;
    Comunication::setSettleWait([](float) {});
    QTemporaryDir dir;

    auto serial = std::make_unique<FakeSerialControl>();
    FakeSerialControl *port = serial.get();
    PortRun run(std::move(serial));
    qint64 now = 0;
    run.session().setClock([&now] { return Stamp{now, 1796640000000 + now}; });
    run.start();
    run.Timer1.stop(); // each poll is the benchmark's own
    run.startCsv(dir.filePath(QStringLiteral("shift.csv")));
    run.startLogging(dir.filePath(QStringLiteral("shift.log")));
    run.logging().Timer2.stop();

    ControllerModel controller(1);
    controller.setSuppliesLive(true);
    const double before = residentMB();
    std::vector<double> micros;
    micros.reserve(std::size_t(polls));
    for (int i = 0; i < polls; ++i) {
        controller.applyCommand('u');
        port->rx = controller.nextReply();
        const auto start = std::chrono::steady_clock::now();
        run.Timer1_Timer();
        micros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
        if (i % 16 == 15) // the log tick, every 4 s
            run.logging().Timer2_Timer();
        port->writes.clear();
        now += 250;
    }
    const double after = residentMB();

    std::sort(micros.begin(), micros.end());
    const auto at = [&](double q) { return micros[std::min(micros.size() - 1, std::size_t(q * micros.size()))]; };
    std::printf("the run without a window, %d polls (%.1f h at 4 Hz), logging and recording CSV\n", polls,
                polls / 4.0 / 3600);
    std::printf("  a poll, us                    median %.2f   p99 %.2f   max %.2f\n", at(0.5), at(0.99),
                micros.back());
    std::printf("  resident memory, MB           %.1f at the start, %.1f after the shift (target <= 30)\n", before,
                after);
    std::printf("  session record                %zu ticks, %zu events\n", run.session().ticks().size(),
                run.session().events().size());
    return 0;
}
