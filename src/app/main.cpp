#include "app/AppInfo.h"
#include "app/WindowFont.h"
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

struct Options
{
    QCommandLineOption port{QStringLiteral("port"),
                            QStringLiteral("Map serial port number N (1 to 8) to DEVICE, e.g. 1=/dev/ttyS0 or a "
                                           "pseudo-terminal. Repeatable. Unmapped port N is /dev/ttyUSB<N-1>."),
                            QStringLiteral("N=DEVICE")};
    QCommandLineOption simulate{QStringLiteral("simulate"),
                                QStringLiteral("Start the built-in controller simulator and talk to it as port 1.")};
    QCommandLineOption simArg{QStringLiteral("sim-arg"),
                              QStringLiteral("Pass ARG to the simulator (repeatable), e.g. --sim-arg=--supplies-live."),
                              QStringLiteral("ARG")};
};

void setIdentity()
{
    QCoreApplication::setApplicationName(QStringLiteral("vanto-port-test"));
    QCoreApplication::setApplicationVersion(
        QStringLiteral("%1.%2.%3").arg(AppInfo::Major).arg(AppInfo::Minor).arg(AppInfo::Revision));
}

void describe(QCommandLineParser &parser, const Options &options)
{
    parser.setApplicationDescription(QStringLiteral(
        "Diagnostic tool for one science port of a subsea node controller, over a serial line."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({options.port, options.simulate, options.simArg});
}
}

int main(int argc, char *argv[])
{
    const Options options;
    {
        // Help and version are answered before any window system is needed.
        QCoreApplication probe(argc, argv);
        setIdentity();
        QCommandLineParser parser;
        describe(parser, options);
        parser.parse(probe.arguments());
        if (parser.isSet(QStringLiteral("help")))
            parser.showHelp();
        if (parser.isSet(QStringLiteral("version")))
            parser.showVersion();
    }

    QApplication app(argc, argv);
    setIdentity();
    QApplication::setApplicationDisplayName(AppInfo::Title);
    // One look on every desktop; the coloured buttons rely on it.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setFont(windowFont());

    QCommandLineParser parser;
    describe(parser, options);
    parser.process(app);

    PortMap ports;
    for (const QString &mapping : parser.values(options.port)) {
        const QString error = ports.parse(mapping);
        if (!error.isEmpty()) {
            std::fprintf(stderr, "vanto-port-test: --port %s\n", qPrintable(error));
            return 2;
        }
    }

    QProcess simulator;
    QTemporaryDir simulatorDir;
    const bool simulate = parser.isSet(options.simulate);
    if (simulate) {
        const QString device = startSimulator(simulator, simulatorDir, parser.values(options.simArg));
        if (device.isEmpty())
            return 1;
        ports.map(1, device);
    }

    frmVANTOPortTestGui window(std::make_unique<QtSerialControl>(ports));
    window.setSimulated(simulate);
    window.Form_Load();
    const int status = app.exec();

    if (simulate) {
        simulator.terminate();
        simulator.waitForFinished(2000);
    }
    return status;
}
