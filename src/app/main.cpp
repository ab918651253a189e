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

namespace {
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
    const QCommandLineOption logOption(
        QStringLiteral("log"),
        QStringLiteral("Start logging at once to NAME.log in the log directory (~/VANTOData), as File > Logging "
                       "does with NAME typed in."),
        QStringLiteral("NAME"));
    parser.addOptions({portOption, simulateOption, simArgOption, logOption});
    parser.process(app);
    if (parser.isSet(logOption) && parser.value(logOption).isEmpty()) {
        std::fprintf(stderr, "vanto-port-test: --log wants a file name\n");
        return 2;
    }

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
    window.Form_Load();
    if (parser.isSet(logOption))
        window.startLogging(parser.value(logOption));
    const int status = app.exec();

    if (simulate) {
        simulator.terminate();
        simulator.waitForFinished(2000);
    }
    return status;
}
