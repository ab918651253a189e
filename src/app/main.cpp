#include "app/EndOnSignal.h"
#include "app/SimulatorProcess.h"
#include "app/frmVANTOPortTestGui.h"
#include "link/PortMap.h"
#include "link/QtSerialControl.h"
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
                                           "pseudo-terminal. Repeatable. Unmapped port N is /dev/ttyUSB<N-1>."),
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
    QCommandLineOption csv{QStringLiteral("csv"),
                           QStringLiteral("Append every good telemetry reply and every event to FILE as CSV as it "
                                          "happens (a header row when the file is new)."),
                           QStringLiteral("FILE")};
    // For the benchmarks: the Trends window open from the start.
    QCommandLineOption openTrends = [] {
        QCommandLineOption o{QStringLiteral("open-trends"), QStringLiteral("Open the Trends window at start-up.")};
        o.setFlags(QCommandLineOption::HiddenFromHelp);
        return o;
    }();
};

void setIdentity()
{
    QCoreApplication::setApplicationName(QStringLiteral("vanto-port-test"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(Version::Text));
}

void describe(QCommandLineParser &parser, const Options &options)
{
    parser.setApplicationDescription(
        QStringLiteral("Diagnostic tool for one science port of a subsea node controller, over a serial line."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions(
        {options.port, options.simulate, options.simArg, options.trace, options.log, options.csv, options.openTrends});
}
} // namespace

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
    QApplication::setFont(designFont());

    QCommandLineParser parser;
    describe(parser, options);
    parser.process(app);
    if (parser.isSet(options.log) && parser.value(options.log).isEmpty()) {
        std::fprintf(stderr, "vanto-port-test: --log wants a file name\n");
        return 2;
    }
    if (parser.isSet(options.csv) && parser.value(options.csv).isEmpty()) {
        std::fprintf(stderr, "vanto-port-test: --csv wants a file name\n");
        return 2;
    }

    bool terminated = false;
    endOnSignal(terminated);

    PortMap ports;
    for (const QString &mapping : parser.values(options.port)) {
        const QString error = ports.parse(mapping);
        if (!error.isEmpty()) {
            std::fprintf(stderr, "vanto-port-test: --port %s\n", qPrintable(error));
            return 2;
        }
    }

    SimulatorProcess simulator;
    const bool simulate = parser.isSet(options.simulate);
    if (simulate) {
        const QString device = simulator.start(parser.values(options.simArg));
        if (device.isEmpty())
            return 1;
        ports.map(1, device);
    }

    frmVANTOPortTestGui window(std::make_unique<QtSerialControl>(ports));
    window.setSimulated(simulate);
    window.setTrace(parser.isSet(options.trace));
    // Before start-up, so the CSV file has its first event too.
    if (parser.isSet(options.csv))
        window.startCsv(parser.value(options.csv));
    window.Form_Load();
    if (parser.isSet(options.log))
        window.startLogging(parser.value(options.log));
    if (parser.isSet(options.openTrends))
        window.mnuTrends_Click();
    // A signal taken while start-up's message box was open ends the run here.
    return terminated ? 0 : app.exec();
}
