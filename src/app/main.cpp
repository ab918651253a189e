#include "app/AppInfo.h"
#include "app/frmVANTOPortTestGui.h"
#include "link/PortMap.h"
#include "link/QtSerialControl.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QProcess>
#include <QStyleFactory>
#include <QTemporaryDir>

#include <cstdio>

#ifdef Q_OS_UNIX
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {
#ifdef Q_OS_UNIX
int s_terminatePipe[2] = {-1, -1};

extern "C" void forwardTerminate(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(s_terminatePipe[0], &byte, 1);
}

// Ctrl+C, a hang-up or a plain kill end the run the way Exit does, so the port
// is released, the simulator stopped and its temporary folder removed. The
// signal handler only wakes the event loop; the work is done there.
void endOnTerminate(bool &terminated)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, s_terminatePipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(s_terminatePipe[1], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [&terminated] {
        char bytes[16];
        while (::read(s_terminatePipe[1], bytes, sizeof bytes) > 0) {
        }
        terminated = true;
        QApplication::closeAllWindows();
        QCoreApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = forwardTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : {SIGTERM, SIGINT, SIGHUP})
        sigaction(number, &action, nullptr);
}
#else
void endOnTerminate(bool &) {}
#endif

// Starts the controller simulator on a pseudo-terminal and returns the path the
// tool should open; empty (with a reason on stderr) when it didn't come up.
QString startSimulator(QProcess &sim, const QTemporaryDir &dir, const QStringList &extraArguments)
{
    const QString link = dir.filePath(QStringLiteral("controller"));
    sim.setProgram(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("vanto-controller-sim")));
    sim.setArguments(QStringList{QStringLiteral("--link"), link} + extraArguments);
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start();
    if (!sim.waitForStarted(5000)) {
        std::fprintf(stderr, "vanto-port-test: can't start the simulator %s: %s\n", qPrintable(sim.program()),
                     qPrintable(sim.errorString()));
        return {};
    }
    // The simulator announces its device on its first line once the link exists.
    while (!sim.canReadLine()) {
        if (!sim.waitForReadyRead(5000)) {
            std::fprintf(stderr, "vanto-port-test: the simulator did not report its device\n");
            return {};
        }
    }
    sim.readLine();
    return link;
}
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vanto-port-test"));
    QApplication::setApplicationDisplayName(AppInfo::Title);
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2.%3").arg(AppInfo::Major).arg(AppInfo::Minor).arg(AppInfo::Revision));
    // One look on every desktop; the coloured buttons rely on it.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Diagnostic tool for one science port of a subsea node controller, over a serial line."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption portOption(
        QStringLiteral("port"),
        QStringLiteral("Map serial port number N (1 to 8) to DEVICE, e.g. 1=/dev/ttyS0 or a pseudo-terminal. "
                       "Repeatable. Unmapped port N is /dev/ttyUSB<N-1>."),
        QStringLiteral("N=DEVICE"));
    const QCommandLineOption simulateOption(
        QStringLiteral("simulate"),
        QStringLiteral("Start the built-in controller simulator and talk to it as port 1."));
    const QCommandLineOption simArgOption(
        QStringLiteral("sim-arg"),
        QStringLiteral("Pass ARG to the simulator (repeatable), e.g. --sim-arg=--supplies-live."),
        QStringLiteral("ARG"));
    const QCommandLineOption traceOption(
        QStringLiteral("trace"),
        QStringLiteral("Print every poll on standard output: the reply, the status text and the letter sent."));
    parser.addOptions({portOption, simulateOption, simArgOption, traceOption});
    parser.process(app);

    bool terminated = false;
    endOnTerminate(terminated);

    PortMap ports;
    for (const QString &mapping : parser.values(portOption)) {
        const QString error = ports.parse(mapping);
        if (!error.isEmpty()) {
            std::fprintf(stderr, "vanto-port-test: --port %s\n", qPrintable(error));
            return 2;
        }
    }

    QProcess simulator;
    QTemporaryDir simulatorDir;
    const bool simulate = parser.isSet(simulateOption);
    if (simulate) {
        const QString device = startSimulator(simulator, simulatorDir, parser.values(simArgOption));
        if (device.isEmpty())
            return 1;
        ports.map(1, device);
    }

    frmVANTOPortTestGui window(std::make_unique<QtSerialControl>(ports));
    window.setSimulated(simulate);
    window.setTrace(parser.isSet(traceOption));
    window.Form_Load();
    // A signal taken while start-up's message box was open ends the run here.
    const int status = terminated ? 0 : app.exec();

    if (simulate) {
        simulator.terminate();
        simulator.waitForFinished(2000);
    }
    return status;
}
