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
#include "shore/ShorePublisher.h"
#include "shore/ShoreWatcher.h"
#include "trends/frmTrends.h"
#include "ui/AppInfo.h"
#include "ui/DesignFont.h"
#include "ui/MsgBox.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDateTime>
#include <QStyleFactory>

#include <QFile>

#include <cstdio>
#include <memory>
#include <optional>

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
    QCommandLineOption review{QStringLiteral("review"),
                              QStringLiteral("Open FILE, a CSV file that --csv or Save CSV wrote or a text log of the "
                                             "logging switch, read only in a Trends window of its own, and nothing "
                                             "else: no port is opened. Repeatable; the tool ends when the last "
                                             "window closes."),
                              QStringLiteral("FILE")};
    QCommandLineOption mqtt{QStringLiteral("mqtt"),
                            QStringLiteral("Publish the session to the MQTT broker at URL, mqtt://HOST[:PORT] or "
                                           "mqtts://HOST[:PORT] for TLS: every good reply on PREFIX/telemetry, "
                                           "every event on PREFIX/event, the tool's state on PREFIX/status "
                                           "(retained; \"offline\" when the tool vanishes). Nothing is read from "
                                           "the network."),
                            QStringLiteral("URL")};
    QCommandLineOption mqttTopic{QStringLiteral("mqtt-topic"),
                                 QStringLiteral("The topic prefix published under or watched (default for "
                                                "publishing: vanto/<host name>/port<N>)."),
                                 QStringLiteral("PREFIX")};
    QCommandLineOption mqttUser{QStringLiteral("mqtt-user"), QStringLiteral("The user name given to the broker."),
                                QStringLiteral("NAME")};
    QCommandLineOption mqttPasswordFile{
        QStringLiteral("mqtt-password-file"),
        QStringLiteral("Read the broker password from the first line of FILE (never on the command line)."),
        QStringLiteral("FILE")};
    QCommandLineOption mqttCa{QStringLiteral("mqtt-ca"),
                              QStringLiteral("With mqtts://, trust the broker certificate FILE's CA signed (default: "
                                             "the system's CAs)."),
                              QStringLiteral("FILE")};
    QCommandLineOption watch{QStringLiteral("watch"),
                             QStringLiteral("Open the main window fed from the broker at URL instead of a port: the "
                                            "run another tool publishes under --mqtt-topic PREFIX, read only."),
                             QStringLiteral("URL")};
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

// The broker the options name, with the user and the password; none with
// why when they are wrong.
std::optional<FeedAddress> feedAddress(const QCommandLineParser &parser, const Options &options,
                                       const QCommandLineOption &url, QString *error)
{
    auto address = FeedAddress::parse(parser.value(url), error);
    if (!address)
        return std::nullopt;
    address->user = parser.value(options.mqttUser);
    address->caFile = parser.value(options.mqttCa);
    if (parser.isSet(options.mqttPasswordFile)) {
        QFile file(parser.value(options.mqttPasswordFile));
        if (!file.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("--mqtt-password-file: %1: %2").arg(file.fileName(), file.errorString());
            return std::nullopt;
        }
        address->password = QString::fromUtf8(file.readLine()).remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
    }
    return address;
}

// The shore feed the options ask for, started; none when not asked. Exits
// the program when it can't start.
std::unique_ptr<ShorePublisher> startPublisher(PortRun &run, const QCommandLineParser &parser, const Options &options)
{
    if (!parser.isSet(options.mqtt))
        return nullptr;
    QString error;
    auto address = feedAddress(parser, options, options.mqtt, &error);
    const QString prefix = parser.isSet(options.mqttTopic) ? parser.value(options.mqttTopic)
                                                           : defaultFeedPrefix(run.VANTOSerComm().CommPort());
    auto publisher
        = address ? std::make_unique<ShorePublisher>(run, *address, prefix, QCoreApplication::applicationVersion())
                  : nullptr;
    if (!publisher || !publisher->start(&error)) {
        std::fprintf(stderr, "vanto-port-test: --mqtt: %s\n", qPrintable(error));
        std::exit(2);
    }
    return publisher;
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

// The recorded sessions alone, each in its window: no run, no port. A file
// that can't be read is told on standard error and in a box.
int runReview(const QStringList &paths)
{
    int opened = 0;
    for (const QString &path : paths) {
        SessionFile::Problem problem;
        if (frmTrends *review = frmTrends::review(path, &problem)) {
            review->Show();
            ++opened;
            continue;
        }
        std::fprintf(stderr, "vanto-port-test: %s\n", qPrintable(problem.text()));
        MsgBox(QStringLiteral("The session could not be opened.\n\n%1").arg(problem.text()), MsgBoxButtons::OkOnly,
               QStringLiteral("Open Session"));
    }
    return opened ? QApplication::exec() : 1;
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
    const auto publisher = startPublisher(run, parser, options);
    if (publisher)
        QObject::connect(&publisher->link(), &MqttLink::stateChanged, [link = &publisher->link()] {
            std::printf("%s  shore feed: %s\n", qPrintable(QDateTime::currentDateTime().toString(Qt::ISODate)),
                        qPrintable(link->stateText()));
            std::fflush(stdout);
        });
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
                       options.headless, options.listPorts, options.review, options.mqtt, options.mqttTopic,
                       options.mqttUser, options.mqttPasswordFile, options.mqttCa, options.watch,
                       options.checkProcedure, options.procedure, options.openTrends});
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
        for (const QCommandLineOption *other :
             {&options.mqtt, &options.headless, &options.simulate, &options.procedure}) {
            if (parser.isSet(options.watch) && parser.isSet(*other)) {
                std::fprintf(stderr, "vanto-port-test: --watch opens a window that only reads: not with --%s\n",
                             qPrintable(other->names().constFirst()));
                return 2;
            }
        }
        if (parser.isSet(options.watch) && parser.value(options.mqttTopic).isEmpty()) {
            std::fprintf(stderr, "vanto-port-test: --watch wants the prefix it watches: --mqtt-topic PREFIX\n");
            return 2;
        }
        for (const QCommandLineOption *url : {&options.mqtt, &options.watch}) {
            QString error;
            if (parser.isSet(*url) && !feedAddress(parser, options, *url, &error)) {
                std::fprintf(stderr, "vanto-port-test: --%s: %s\n", qPrintable(url->names().constFirst()),
                             qPrintable(error));
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
    if (parser.isSet(options.review))
        return runReview(parser.values(options.review));

    SimulatorProcess simulator;
    if (parser.isSet(options.simulate) && !startSimulator(simulator, parser, options, ports))
        return 1;

    const auto portInformation = std::make_shared<SystemPortInformation>();
    frmVANTOPortTestGui window(std::make_unique<MappedSerialControl>(ports, portInformation));
    prepare(window.run(), parser, options, portInformation);
    std::unique_ptr<ShoreWatcher> watcher;
    std::unique_ptr<ShorePublisher> publisher;
    if (parser.isSet(options.watch)) {
        QString error;
        watcher = std::make_unique<ShoreWatcher>(window.run(), *feedAddress(parser, options, options.watch, &error),
                                                 parser.value(options.mqttTopic));
        if (!watcher->start(&error)) {
            std::fprintf(stderr, "vanto-port-test: --watch: %s\n", qPrintable(error));
            return 2;
        }
        window.watch(parser.value(options.mqttTopic));
    } else {
        publisher = startPublisher(window.run(), parser, options);
        window.setSimulated(parser.isSet(options.simulate));
        window.Form_Load();
    }
    if (parser.isSet(options.log))
        window.startLogging(parser.value(options.log));
    if (parser.isSet(options.openTrends))
        window.mnuTrends_Click();
    if (parser.isSet(options.procedure))
        window.openPortTest(parser.value(options.procedure));
    // A signal taken while start-up's message box was open ends the run here.
    const int code = terminated ? 0 : app.exec();
    if (publisher)
        publisher->finish();
    return code;
}
