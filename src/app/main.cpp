#include "app/EndOnSignal.h"
#include "app/SimulatorProcess.h"
#include "app/frmVANTOPortTestGui.h"
#include "link/MappedSerialControl.h"
#include "link/PortMap.h"
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
    parser.addOptions({options.port, options.simulate, options.simArg, options.trace, options.log});
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

    frmVANTOPortTestGui window(std::make_unique<MappedSerialControl>(ports));
    window.setSimulated(simulate);
    window.setTrace(parser.isSet(options.trace));
    window.Form_Load();
    if (parser.isSet(options.log))
        window.startLogging(parser.value(options.log));
    // A signal taken while start-up's message box was open ends the run here.
    return terminated ? 0 : app.exec();
}
