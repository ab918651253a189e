#include "ControlChannel.h"
#include "SignalWatcher.h"
#include "Simulator.h"
#include "Version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRandomGenerator>

#include <cstdio>
#include <cstdlib>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#endif

namespace {

[[noreturn]] void fail(const QString &message)
{
    std::fprintf(stderr, "vanto-controller-sim: %s\n", qPrintable(message));
    std::exit(2);
}

double number(const QCommandLineParser &parser, const QString &name, double low, double high)
{
    bool ok = false;
    const QString text = parser.value(name);
    const double value = text.toDouble(&ok);
    if (!ok || value < low || value > high)
        fail(QStringLiteral("--%1 wants a number from %2 to %3, not \"%4\"").arg(name).arg(low).arg(high).arg(text));
    return value;
}

} // namespace

int main(int argc, char *argv[])
{
#ifdef Q_OS_LINUX
    // A tool that starts us as its controller must never leave us behind.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
#endif
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vanto-controller-sim"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(Version::Text));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Stands in for the science port controller at the far end of a serial line.\n"
                       "Opens a pseudo-terminal and prints its device path on stdout (a new line each time\n"
                       "the device reappears); point the port test tool at that path. Answers each command\n"
                       "letter (u l E D s f) with one reply such as 300.15,290.15,1,10,3840,3277,u,0,*\n"
                       "and ignores every other byte.\n"
                       "\n"
                       "Starts with the load disconnected (u), 1PPS sense off (D: frequency and width read 0)\n"
                       "and slow update (s: the 1PPS pulse is measured with every reply). In fast update (f)\n"
                       "the pulse is not checked and the 1PPS readings hold their last values. The load can\n"
                       "warms slowly while the load is engaged (l).\n"
                       "\n"
                       "Signals: SIGUSR1 toggles the supplies live/dead; SIGTERM, SIGINT and SIGHUP end\n"
                       "the simulator and remove the link. It also ends when its parent process dies."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QList<QCommandLineOption> options{
        {QStringLiteral("link"),
         QStringLiteral("Make <path> a symbolic link to the device (replacing an earlier symbolic link; "
                        "never a file), kept pointing at the device when it reappears, removed on exit."),
         QStringLiteral("path")},
        {QStringLiteral("seed"),
         QStringLiteral("Seed for the readings and the faults; the same seed and commands give the same "
                        "replies. Default: random."),
         QStringLiteral("n")},
        {QStringLiteral("supplies-live"),
         QStringLiteral("Start with both supplies live: about 3840 counts (375 V) on channel 1 and about "
                        "3277 counts (48 V) on channel 2. Default: dead, a few counts of noise (0 V).")},
        {QStringLiteral("toggle-supplies"), QStringLiteral("Toggle the supplies live/dead every <seconds>."),
         QStringLiteral("seconds")},
        {QStringLiteral("silence"),
         QStringLiteral("Send no reply to this fraction (0 to 1) of commands; the command still takes effect."),
         QStringLiteral("rate")},
        {QStringLiteral("garble"),
         QStringLiteral("Replace one to three bytes of this fraction of replies with random bytes; half of "
                        "those also lose or double the terminator \"*\"."),
         QStringLiteral("rate")},
        {QStringLiteral("split"), QStringLiteral("Send this fraction of replies in two writes 20 to 60 ms apart."),
         QStringLiteral("rate")},
        {QStringLiteral("text-messages"),
         QStringLiteral("Answer this fraction of commands with a controller text message instead of telemetry, "
                        "e.g. \"Temperature sensor fault*\" or \"Controller reset*\"."),
         QStringLiteral("rate")},
        {QStringLiteral("vanish-every"),
         QStringLiteral("Take the device away after it has been there <seconds>: close it and remove the link, "
                        "so the tool's port fails. It comes back as a new device, re-linked and printed on stdout."),
         QStringLiteral("seconds")},
        {QStringLiteral("vanish-for"), QStringLiteral("How long the device stays away (default 5)."),
         QStringLiteral("seconds"), QStringLiteral("5")},
        {QStringLiteral("reply-delay"), QStringLiteral("Wait <ms> before answering each command (default 0)."),
         QStringLiteral("ms"), QStringLiteral("0")},
        {QStringLiteral("stamp-replies"),
         QStringLiteral("Put the time each reply is made (the monotonic clock, in ms) in its last field, which the "
                        "tool doesn't use, so that a benchmark can tell how old the reply the tool shows is.")},
        {QStringLiteral("replay"),
         QStringLiteral("Answer each command with the reply that the session recorded in <file> (a CSV file of the "
                        "port test tool or its text log) had at that moment of its own time, silent where it had "
                        "none; the load state and the readings are the recording's, whatever the commands. Ends "
                        "silent when the recording does."),
         QStringLiteral("file")},
        {QStringLiteral("speed"),
         QStringLiteral("With --replay: run the recording's clock <n> times as fast as real time (default 1); the "
                        "polls still come at the tool's rate, so replies in between are passed over."),
         QStringLiteral("n"), QStringLiteral("1")},
        {QStringLiteral("from"),
         QStringLiteral("With --replay: start at the first reply at or after this time of day of the recording."),
         QStringLiteral("HH:MM:SS")},
        {QStringLiteral("control"),
         QStringLiteral("Read control lines from the named pipe <path> (made if missing, removed on exit), as a "
                        "person at the node acts: \"supplies on|off\", \"pps on|off\" (the 1PPS pulse reaching the "
                        "port), \"hold NAME VALUE\" (a reading held, in deg C, Hz, us or V: load_can_temp, "
                        "control_can_temp, pulse_frequency, pulse_width, supply_400, supply_48), \"release [NAME]\"."),
         QStringLiteral("path")},
        {QStringLiteral("verbose"), QStringLiteral("Report commands, replies and faults on stderr.")},
    };
    parser.addOptions(options);
    parser.process(app);
    if (!parser.positionalArguments().isEmpty())
        fail(QStringLiteral("unexpected argument \"%1\"; see --help").arg(parser.positionalArguments().first()));

    SimulatorOptions settings;
    settings.linkPath = parser.value(QStringLiteral("link"));
    if (parser.isSet(QStringLiteral("seed")))
        settings.seed = quint32(number(parser, QStringLiteral("seed"), 0, 4294967295.0));
    else
        settings.seed = QRandomGenerator::system()->generate();
    settings.suppliesLive = parser.isSet(QStringLiteral("supplies-live"));
    const double day = 86400.0;
    if (parser.isSet(QStringLiteral("toggle-supplies")))
        settings.toggleSuppliesSeconds = number(parser, QStringLiteral("toggle-supplies"), 0.001, day);
    if (parser.isSet(QStringLiteral("silence")))
        settings.faults.silence = number(parser, QStringLiteral("silence"), 0, 1);
    if (parser.isSet(QStringLiteral("garble")))
        settings.faults.garble = number(parser, QStringLiteral("garble"), 0, 1);
    if (parser.isSet(QStringLiteral("split")))
        settings.faults.split = number(parser, QStringLiteral("split"), 0, 1);
    if (parser.isSet(QStringLiteral("text-messages")))
        settings.faults.textMessages = number(parser, QStringLiteral("text-messages"), 0, 1);
    if (parser.isSet(QStringLiteral("vanish-every")))
        settings.vanishEverySeconds = number(parser, QStringLiteral("vanish-every"), 0.001, day);
    settings.vanishForSeconds = number(parser, QStringLiteral("vanish-for"), 0.001, day);
    settings.replyDelayMs = int(number(parser, QStringLiteral("reply-delay"), 0, 10000));
    settings.stampReplies = parser.isSet(QStringLiteral("stamp-replies"));
    settings.verbose = parser.isSet(QStringLiteral("verbose"));
    if (settings.verbose)
        std::fprintf(stderr, "vanto-controller-sim: seed %u\n", settings.seed);

    Simulator simulator(settings);
    if (parser.isSet(QStringLiteral("replay"))) {
        std::optional<QTime> from;
        if (parser.isSet(QStringLiteral("from"))) {
            from = QTime::fromString(parser.value(QStringLiteral("from")), QStringLiteral("HH:mm:ss"));
            if (!from->isValid())
                fail(QStringLiteral("--from wants a time of day as HH:MM:SS, not \"%1\"")
                         .arg(parser.value(QStringLiteral("from"))));
        }
        QString why;
        auto replay = SessionReplay::load(parser.value(QStringLiteral("replay")),
                                          number(parser, QStringLiteral("speed"), 0.01, 10000), from, &why);
        if (!replay)
            fail(QStringLiteral("--replay %1").arg(why));
        simulator.setReplay(std::move(*replay));
    } else if (parser.isSet(QStringLiteral("speed")) || parser.isSet(QStringLiteral("from"))) {
        fail(QStringLiteral("--speed and --from go with --replay"));
    }
    QObject::connect(&simulator, &Simulator::deviceAppeared, [](const QString &path) {
        // stdout carries device paths and nothing else: the tool reads them.
        std::printf("%s\n", qPrintable(path));
        std::fflush(stdout);
    });
    QObject::connect(&simulator, &Simulator::fatalError, &app, [&](const QString &message) {
        std::fprintf(stderr, "vanto-controller-sim: %s\n", qPrintable(message));
        QCoreApplication::exit(1);
    });

    SignalWatcher signalWatcher;
    QObject::connect(&signalWatcher, &SignalWatcher::terminateRequested, &app, &QCoreApplication::quit);
    QObject::connect(&signalWatcher, &SignalWatcher::toggleSuppliesRequested, &simulator, &Simulator::toggleSupplies);

    QString error;
    ControlChannel control;
    if (parser.isSet(QStringLiteral("control"))) {
        if (!control.open(parser.value(QStringLiteral("control")), &error))
            fail(error);
        QObject::connect(&control, &ControlChannel::line, &simulator, &Simulator::control);
    }
    if (!simulator.start(&error))
        fail(error);
    const int status = app.exec();
    simulator.stop();
    return status;
}
