#include "app/DisplayCheck.h"
#include "app/EndOnSignal.h"
#include "app/HeadlessRecorder.h"
#include "app/SimulatorProcess.h"
#include "app/frmVANTOPortTestGui.h"
#include "link/MappedSerialControl.h"
#include "link/PortListing.h"
#include "link/PortMap.h"
#include "link/SystemPortInformation.h"
#include "logging/LogPaths.h"
#include "procedure/ProcedureFile.h"
#include "run/PortRun.h"
#include "ui/AppInfo.h"
#include "ui/DesignFont.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QStyleFactory>

#include <cstdio>

namespace {
struct Options
{
    QCommandLineOption port{QStringLiteral("port"),
                            QStringLiteral("Map serial port number N (1 to 8) to DEVICE, e.g. 1=/dev/ttyS0 or a "
                                           "pseudo-terminal, or to a serial line on the network: "
                                           "1=rfc2217://HOST:PORT (telnet with the COM port option; the tool sets "
                                           "the line to 9600 8N1) or 1=tcp://HOST:PORT (raw TCP; the server's own "
                                           "line settings apply). Repeatable. Unmapped port N is /dev/ttyUSB<N-1>."),
                            QStringLiteral("N=DEVICE")};
    QCommandLineOption simulate{QStringLiteral("simulate"),
                                QStringLiteral("Start the built-in controller simulator and talk to it as port 1.")};
    QCommandLineOption simArg{QStringLiteral("sim-arg"),
                              QStringLiteral("Pass ARG to the simulator (repeatable), e.g. --sim-arg=--supplies-live."),
                              QStringLiteral("ARG")};
    QCommandLineOption trace{
        QStringLiteral("trace"),
        QStringLiteral("Print every poll on standard output: the reply, the status text and the letter sent.")};
    QCommandLineOption log{QStringLiteral("log"),
                           QStringLiteral("Start logging at once to NAME.log in the log directory (~/VANTOData), as "
                                          "File > Logging does with NAME typed in."),
                           QStringLiteral("NAME")};
    QCommandLineOption listPorts{
        QStringLiteral("list-ports"),
        QStringLiteral("List the serial ports present, with what tells USB adapters apart and the port number 1 to 8 "
                       "each answers to under the --port options given, then exit.")};
    QCommandLineOption csv{QStringLiteral("csv"),
                           QStringLiteral("Append every good telemetry reply and every event to FILE as CSV as it "
                                          "happens (a header row when the file is new)."),
                           QStringLiteral("FILE")};
    QCommandLineOption headless{
        QStringLiteral("headless"),
        QStringLiteral("Run without a window or a display: poll, log (--log) and record (--csv) as the window does, "
                       "the commands left at their start state, a line on standard output each time the link or "
                       "the readings' currency changes. Ctrl+C or SIGTERM ends it with every file closed.")};
    QCommandLineOption checkProcedure{
        QStringLiteral("check-procedure"),
        QStringLiteral("Read the procedure FILE and print its steps, or every fault in it with its file, line and "
                       "column, then exit: 0 when it can run, 1 on a fault. Needs no display."),
        QStringLiteral("FILE")};
    QCommandLineOption procedure{QStringLiteral("procedure"),
                                 QStringLiteral("Open the Port Test window with the procedure FILE chosen."),
                                 QStringLiteral("FILE")};
    // For the benchmarks: the Trends window open from the start.
    QCommandLineOption openTrends = [] {
        QCommandLineOption o{QStringLiteral("open-trends"), QStringLiteral("Open the Trends window at start-up.")};
        o.setFlags(QCommandLineOption::HiddenFromHelp);
        return o;
    }();
};

// No application display name: Qt would append it to every window title.
void setIdentity()
{
    QCoreApplication::setApplicationName(QStringLiteral("vanto-port-test"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(Version::Text));
}

bool startSimulator(SimulatorProcess &simulator, const QCommandLineParser &parser, const Options &options,
                    PortMap &ports)
{
    const QString device = simulator.start(parser.values(options.simArg));
    if (device.isEmpty())
        return false;
    ports.map(1, device);
    return true;
}

// What the options ask of the run, with or without a window: before
// start-up, so the CSV file has its first event too.
void prepare(PortRun &run, const QCommandLineParser &parser, const Options &options,
             std::shared_ptr<const PortInformation> portInformation)
{
    run.setPortInformation(std::move(portInformation));
    run.setSimulated(parser.isSet(options.simulate));
    run.setTrace(parser.isSet(options.trace));
    if (parser.isSet(options.csv))
        run.startCsv(parser.value(options.csv));
}

int checkProcedure(const QString &path)
{
    const ProcedureLoad load = loadProcedure(path);
    for (const ProcedureFault &fault : load.faults)
        std::fprintf(stderr, "%s\n", qPrintable(fault.toString()));
    if (!load.ok())
        return 1;
    for (const QString &line : describeProcedure(load.procedure))
        std::printf("%s\n", qPrintable(line));
    return 0;
}

// The same run as the window's, with no display: within the probe's
// QCoreApplication, which the arguments were checked with.
int runHeadless(const QCommandLineParser &parser, const Options &options, PortMap ports)
{
    bool terminated = false;
    SimulatorProcess simulator;
    if (parser.isSet(options.simulate) && !startSimulator(simulator, parser, options, ports))
        return 1;
    // One listing of the machine's ports: the error that names the ports there
    // and the adapter a lost port follows.
    const auto portInformation = std::make_shared<SystemPortInformation>();
    PortRun run(std::make_unique<MappedSerialControl>(ports, portInformation));
    prepare(run, parser, options, portInformation);
    endOnSignal(terminated, [&run] { run.stop(); });
    HeadlessRecorder recorder(run);
    recorder.start();
    if (parser.isSet(options.log))
        run.startLogging(LogPaths::fullPathFilename(parser.value(options.log)));
    QCoreApplication::exec();
    run.stop();
    return 0;
}

void describe(QCommandLineParser &parser, const Options &options)
{
    parser.setApplicationDescription(
        QStringLiteral("Diagnostic tool for one science port of a subsea node controller, over a serial line."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({options.port, options.simulate, options.simArg, options.trace, options.log, options.csv,
                       options.headless, options.listPorts, options.checkProcedure, options.procedure,
                       options.openTrends});
}
} // namespace

int main(int argc, char *argv[])
{
    const Options options;
    QCommandLineParser parser;
    PortMap ports;
    {
        // Every argument is checked before a window system is needed.
        QCoreApplication probe(argc, argv);
        setIdentity();
        describe(parser, options);
        parser.process(withoutWindowSystemOptions(probe.arguments()));
        if (parser.isSet(options.log) && parser.value(options.log).isEmpty()) {
            std::fprintf(stderr, "vanto-port-test: --log wants a file name\n");
            return 2;
        }
        if (parser.isSet(options.csv) && parser.value(options.csv).isEmpty()) {
            std::fprintf(stderr, "vanto-port-test: --csv wants a file name\n");
            return 2;
        }
        for (const QString &mapping : parser.values(options.port)) {
            const QString error = ports.parse(mapping);
            if (!error.isEmpty()) {
                std::fprintf(stderr, "vanto-port-test: --port %s\n", qPrintable(error));
                return 2;
            }
        }
        if (parser.isSet(options.listPorts)) {
            for (const QString &line : PortListing(SystemPortInformation()).lines(ports))
                std::printf("%s\n", qPrintable(line));
            return 0;
        }
        if (parser.isSet(options.checkProcedure))
            return checkProcedure(parser.value(options.checkProcedure));
        if (parser.isSet(options.headless))
            return runHeadless(parser, options, ports);
        if (const QString reason = noDisplayReason(probe.arguments()); !reason.isEmpty()) {
            std::fprintf(stderr, "vanto-port-test: %s\n", qPrintable(reason));
            return 1;
        }
    }

    QApplication app(argc, argv);
    setIdentity();
    // Names the installed desktop entry, so Wayland desktops match the window to it.
    QGuiApplication::setDesktopFileName(QStringLiteral("vanto-port-test"));
    // One look on every desktop; the coloured buttons rely on it.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setFont(designFont());

    bool terminated = false;
    endOnSignal(terminated, [] { QApplication::closeAllWindows(); });

    SimulatorProcess simulator;
    if (parser.isSet(options.simulate) && !startSimulator(simulator, parser, options, ports))
        return 1;

    const auto portInformation = std::make_shared<SystemPortInformation>();
    frmVANTOPortTestGui window(std::make_unique<MappedSerialControl>(ports, portInformation));
    prepare(window.run(), parser, options, portInformation);
    window.setSimulated(parser.isSet(options.simulate));
    window.Form_Load();
    if (parser.isSet(options.log))
        window.startLogging(parser.value(options.log));
    if (parser.isSet(options.openTrends))
        window.mnuTrends_Click();
    if (parser.isSet(options.procedure))
        window.openPortTest(parser.value(options.procedure));
    // A signal taken while start-up's message box was open ends the run here.
    return terminated ? 0 : app.exec();
}
