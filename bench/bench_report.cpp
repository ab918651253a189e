// The Port Test report and the procedure's cost. First a one-hour procedure
// run on a clock that moves 250 ms a poll (14,400 polls of the simulator's
// model, supplies live, the run's own record), then the report of it written
// whole: the Trends drawing of the hour, the PDF, the JSON and the CSV, timed
// (median of several). Then the CPU of polling at 4 Hz on the real timer
// with no window, and with the Port Test window open and a procedure running.
//   bench_report [SECONDS] [REPEATS]      (CPU spans, default 30 s; default 5 reports)
#include "FakeSerialControl.h"
#include "ProcessFigures.h"

#include "link/Comunication.h"
#include "model/ControllerModel.h"
#include "porttest/ProcedureReport.h"
#include "porttest/frmPortTest.h"
#include "procedure/ProcedureFile.h"
#include "run/PortRun.h"
#include "trends/frmTrends.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {
class ModelPort : public FakeSerialControl
{
public:
    ControllerModel controller{1};

    void Output(const QByteArray &text) override
    {
        if (!PortOpen())
            throw LinkError("port is closed");
        for (const char letter : text)
            if (controller.applyCommand(letter))
                rx += controller.nextReply();
    }
};

double cpuPercent(int seconds)
{
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    return 100 * (cpuSeconds() - cpu0) / (wall.nsecsElapsed() / 1e9);
}

const QByteArray HourLong = R"(name = "One hour"
version = "1"
[[step]]
kind = "record"
text = "Node"
field = "node"
[[step]]
kind = "check"
text = "Each supply inside its range for an hour"
readings = [{ name = "supply_400", min = 338, max = 412 }, { name = "supply_48", min = 43, max = 53 },
            { name = "load_can_temp", min = 0, max = 50 }, { name = "reply_share", min = 95 }]
hold = 3600
timeout = 3700
)";
} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 5;
    QTemporaryDir dir;

    auto port = std::make_unique<ModelPort>();
    ModelPort &model = *port;
    model.controller.setSuppliesLive(true);
    PortRun run(std::move(port));
    qint64 mono = 0;
    const qint64 wallStart = QDateTime::currentMSecsSinceEpoch() - 3700 * 1000;
    run.session().setClock([&] { return Stamp{mono, wallStart + mono}; });
    // The fake line answers at once: no settling wait between reads.
    Comunication::setSettleWait([](float) {});
    run.start();
    run.Timer1.stop();

    const ProcedureLoad load = parseProcedure(HourLong, QStringLiteral("hour.toml"));
    if (!load.ok())
        return 1;
    PortRunAccess access(run);
    ProcedureEngine engine(load.procedure, access);
    engine.start();
    engine.continueStep(QStringLiteral("N-1"));
    int polls = 0;
    while (engine.running() && polls < 3700 * 4) {
        mono += PortRun::PollInterval;
        run.Timer1_Timer();
        engine.advance();
        ++polls;
    }
    std::printf("procedure: %s after %d polls (%.0f s), %zu ticks in the record\n",
                engine.state() == RunState::Passed ? "PASS" : "not passed", polls, polls / 4.0,
                run.session().ticks().size());

    std::vector<double> ms;
    ReportFiles files;
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer t;
        t.start();
        ReportSetting setting;
        setting.toolVersion = QStringLiteral("bench");
        {
            frmTrends trends(run.session());
            const auto stamp = [&](qint64 m) { return Stamp{m, wallStart + m}; };
            setting.chart
                = trends.spanImage(stamp(engine.startedMs()), stamp(engine.endedMs()), QSize(1200, 800)).toImage();
        }
        files = ProcedureReport(engine, run.session(), setting).write(dir.path());
        ms.push_back(t.nsecsElapsed() / 1e6);
        if (!files.error.isEmpty()) {
            std::printf("report failed: %s\n", qPrintable(files.error));
            return 1;
        }
    }
    std::sort(ms.begin(), ms.end());
    std::printf("report of the hour (chart, PDF, JSON, CSV): median %.0f ms, slowest %.0f ms of %d\n",
                ms[ms.size() / 2], ms.back(), repeats);
    std::printf("  PDF %.0f kB, JSON %.1f kB, CSV %.0f kB\n", QFileInfo(files.pdf).size() / 1024.0,
                QFileInfo(files.json).size() / 1024.0, QFileInfo(files.csv).size() / 1024.0);

    // The real timer from here on, the clock running on.
    QElapsedTimer since;
    since.start();
    const qint64 monoAt = mono;
    run.session().setClock([&] { return Stamp{monoAt + since.elapsed(), wallStart + monoAt + since.elapsed()}; });
    run.Timer1.start(PortRun::PollInterval);
    std::printf("CPU polling at 4 Hz, no window: %.2f %% of a core over %d s\n", cpuPercent(seconds), seconds);

    QFile file(dir.filePath(QStringLiteral("hour.toml")));
    file.open(QIODevice::WriteOnly);
    file.write(HourLong);
    file.close();
    frmPortTest window(run);
    window.Show();
    window.choose(file.fileName());
    window.cmdStart_Click();
    window.findChild<QLineEdit *>(QStringLiteral("txtValue"))->setText(QStringLiteral("N-1"));
    window.cmdContinue_Click();
    std::printf("CPU polling at 4 Hz, Port Test window open, a check running: %.2f %% of a core over %d s\n",
                cpuPercent(seconds), seconds);
    std::printf("  (still running: %s)\n", window.engine() && window.engine()->running() ? "yes" : "no");
    window.cmdAbort_Click();
    return 0;
}
