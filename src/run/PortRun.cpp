#include "run/PortRun.h"

#include "Version.h"

#include "link/AdapterFollower.h"
#include "link/Comunication.h"
#include "session/CsvWriter.h"
#include "telemetry/Units.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>

PortRun::PortRun(std::unique_ptr<SerialControl> serial, QObject *parent)
    : QObject(parent)
    , m_serial(std::move(serial))
    , m_reopen([this] { return m_session.now().monoMs; })
    , m_rateCaption(QStringLiteral("Slow Update"))
    , m_logging(this)
{
    m_serial->setLineRecord(&m_line);
    Timer1.setParent(this);
    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setInterval(PollInterval);
    connect(&Timer1, &QTimer::timeout, this, &PortRun::Timer1_Timer);

    connect(&m_logging, &Logging::loggingChanged, this, [this](bool on) {
        if (on != m_loggingOn) {
            m_loggingOn = on;
            if (on)
                m_session.recordEvent(EventKind::LoggingStarted,
                                      QStringLiteral("Logging to %1").arg(QDir::toNativeSeparators(m_logging.path())));
            else
                m_session.recordEvent(EventKind::LoggingStopped, QStringLiteral("Logging stopped"));
        }
        emit loggingChanged(on);
    });
    connect(&m_logging, &Logging::writeFailed, this, [this](const QString &path, const QString &reason) {
        m_session.recordEvent(EventKind::LoggingFailed, Logging::failureText(path, reason));
        emit logWriteFailed(path, reason);
    });
}

PortRun::~PortRun()
{
    stop();
    m_serial->setLineRecord(nullptr); // the line record goes first
}

void PortRun::setPortInformation(std::shared_ptr<const PortInformation> information)
{
    m_portInformation = std::move(information);
    m_follower = m_portInformation ? std::make_unique<AdapterFollower>(*m_portInformation) : nullptr;
}

bool PortRun::start(bool retry)
{
    if (!m_sessionStarted) {
        // The first event of the session, and so the first row of a new CSV
        // file: what the readings that follow came through.
        m_sessionStarted = true;
        m_session.recordEvent(EventKind::SessionStarted, sessionStartedText());
        if (!m_csvStartedNote.isEmpty())
            m_session.recordEvent(EventKind::LoggingStarted, m_csvStartedNote);
        m_csvStartedNote.clear();
    }
    m_commands.reset();
    m_session.recordLoadCommand('u');
    try {
        m_serial->setPortOpen(true);
        Timer1.start();
        return true;
    } catch (const LinkError &) {
        if (retry) {
            // Nobody is there to choose another port: poll on, and open this
            // one once it is there.
            m_reopen.lost(m_serial->CommPort());
            m_reopen.triedAndFailed();
            Timer1.start();
        } else {
            Timer1.stop();
        }
        return false;
    }
}

void PortRun::stop()
{
    Timer1.stop();
    m_logging.Timer2.stop();
    try {
        m_serial->setPortOpen(false);
    } catch (const LinkError &) {
        // Closing can't leave the port more open than it was.
    }
    m_pending.clear();
    m_csv.reset();
}

void PortRun::Timer1_Timer()
{
    // A poll never fails: a closed or lost port reads as "No Data" and nothing
    // is sent until the port is back.
    reopenLostPort();
    QStringList replies;
    try {
        replies = Comunication::ReadReplies(*m_serial, m_pending, &m_line);
    } catch (const LinkError &) {
        // The reset after a failed read couldn't reopen the port. That was a
        // reopen try too.
        replies = {QString()};
        portLost();
        m_reopen.triedAndFailed();
    }
    poll(std::move(replies), true);
}

void PortRun::takeReplies(const QStringList &replies)
{
    poll(replies.isEmpty() ? QStringList{QString()} : replies, false);
}

void PortRun::poll(QStringList replies, bool readAndSend)
{
    Poll p;
    // A bare terminator beside replies is a noisy line's, not a reply.
    p.strays = quint8(std::min<qsizetype>(replies.count(QStringLiteral("*")), 255));
    if (p.strays && p.strays < replies.size())
        replies.removeAll(QStringLiteral("*"));

    // Every reply in order, since a short one keeps the fields of those before
    // it; the newest comes last and is the present.
    p.replies.reserve(std::size_t(replies.size()));
    for (const QString &reply : std::as_const(replies)) {
        PolledReply r{m_decoder.decode(reply), {}};
        r.shown = presentReply(r.reading, m_logging.isOn());
        m_logging.setRecord(r.shown.strLogLine);
        p.replies.push_back(std::move(r));
    }
    emit replied(p);

    if (readAndSend && m_serial->PortOpen()) {
        try {
            const QByteArray letter = m_commands.strCommand().toLatin1();
            m_serial->Output(letter);
            m_line.sent(letter);
            p.sent = m_commands.strCommand().at(0).toLatin1();
        } catch (const LinkError &) {
            // Only a send that took the port down calls for a reopen; a port
            // still open is the operator's to close.
            if (!m_serial->PortOpen())
                portLost();
        }
    }
    if (readAndSend && m_serial->PortLost())
        portLost();

    std::vector<Telemetry> readings;
    readings.reserve(p.replies.size());
    for (const PolledReply &r : p.replies)
        readings.push_back(r.reading);
    m_session.recordPoll(readings, p.sent, p.strays);
    m_alarms.pollRecorded(readings);
    if (readAndSend)
        noteOpenPort();
    if (m_trace)
        trace(p);
    emit polled(p);
}

void PortRun::trace(const Poll &p) const
{
    for (std::size_t i = 0; i + 1 < p.replies.size(); ++i)
        std::printf("late  %s | %s\n", qPrintable(p.replies[i].reading.reply),
                    qPrintable(p.replies[i].shown.lblCommStatData));
    std::printf("reply %s | %s | sent %s\n", qPrintable(p.newest().reading.reply),
                qPrintable(p.newest().shown.lblCommStatData), p.sent ? qPrintable(m_commands.strCommand()) : "-");
    std::fflush(stdout);
}

void PortRun::portLost()
{
    if (!m_reopen.wanted()) {
        const QString detail = m_serial->lastErrorDetail();
        m_session.recordEvent(EventKind::LinkLost, detail.isEmpty() ? portLabel() + QStringLiteral(" lost") : detail);
    }
    m_pending.clear();
    m_reopen.lost(m_serial->CommPort());
}

void PortRun::reopenLostPort()
{
    // While the operator is choosing a port, the choice is theirs.
    const bool operatorChoosing = m_operatorChoosing && m_operatorChoosing();
    const int port = m_serial->CommPort();
    const bool ours = m_reopen.wanted() && !operatorChoosing && port == m_reopen.lostPort() && !m_serial->PortOpen();
    // Asked only while a reopen is due: over the network it tries a connection.
    bool present = ours && m_serial->devicePresent(port);
    if (ours && !present && m_follower) {
        // The adapter may be back under another name.
        if (const auto moved = m_follower->replacement(port, m_serial->device(port))) {
            m_serial->remap(port, *moved);
            present = m_serial->devicePresent(port);
            m_linkNote = QStringLiteral("Port %1 follows its adapter to %2").arg(port).arg(*moved);
            m_session.recordEvent(EventKind::LinkFollowed, m_linkNote);
        }
    }
    if (!m_reopen.reopenNow(m_serial->PortOpen(), operatorChoosing, port, present))
        return;
    try {
        m_serial->setPortOpen(true);
        m_reopen.reopened();
        m_session.recordEvent(EventKind::LinkBack, portLabel() + QStringLiteral(" open again"));
    } catch (const LinkError &) {
        // Still not there; the policy says when to try again.
    }
}

void PortRun::noteOpenPort()
{
    if (!m_serial->PortOpen())
        return;
    const int port = m_serial->CommPort();
    const QString device = m_serial->device(port);
    if (port == m_openPort && device == m_openDevice)
        return;
    if (m_openPort && port != m_openPort) {
        // The operator moved to another port: what was said of the last one is done.
        m_linkNote.clear();
        m_session.recordEvent(EventKind::PortChanged, portLabel());
    }
    m_openPort = port;
    m_openDevice = device;
    if (m_follower)
        m_follower->opened(port, device);
}

QString PortRun::portLabel() const
{
    const int port = m_serial->CommPort();
    const QString where = m_simulated ? QStringLiteral("simulated controller") : m_serial->device(port);
    QString label
        = where.isEmpty() ? QStringLiteral("Port %1").arg(port) : QStringLiteral("Port %1: %2").arg(port).arg(where);
    if (!m_serial->PortOpen())
        label += QStringLiteral(", not open");
    return label;
}

QString PortRun::sessionStartedText() const
{
    const int port = m_serial->CommPort();
    const QString device = m_serial->device(port);
    QString text = QStringLiteral("Session started: vanto-port-test %1, port %2")
                       .arg(QString::fromLatin1(Version::Text))
                       .arg(port);
    if (m_simulated)
        text += QStringLiteral(", simulated controller");
    if (!device.isEmpty())
        text += QStringLiteral(", ") + device; // a network device is its address
    if (!m_portInformation || device.isEmpty())
        return text;
    // The adapter behind the device: what tells one USB adapter from another.
    const QString real = QFileInfo(device).canonicalFilePath();
    for (const PortDescription &p : m_portInformation->availablePorts()) {
        if (p.systemLocation != device && p.systemLocation != real)
            continue;
        if (!p.vendorId || !p.productId)
            break;
        QStringList usb{QStringLiteral("USB %1:%2")
                            .arg(*p.vendorId, 4, 16, QLatin1Char('0'))
                            .arg(*p.productId, 4, 16, QLatin1Char('0'))};
        for (const QString &part : {p.manufacturer, p.description})
            if (!part.isEmpty())
                usb << part;
        if (!p.serialNumber.isEmpty())
            usb << QStringLiteral("serial ") + p.serialNumber;
        text += QStringLiteral(" (%1)").arg(usb.join(u' '));
        break;
    }
    return text;
}

bool PortRun::acknowledgeAlarms()
{
    if (!m_alarms.acknowledge())
        return false;
    emit statusChanged();
    return true;
}

StatusLine PortRun::status() const
{
    QStringList notes{m_reopen.wanted() ? m_serial->lastErrorDetail() : m_linkNote, m_csvNote, m_feedNote};
    notes.removeAll(QString());
    StatusLine line = statusLine(m_sourceLabel.isEmpty() ? portLabel() : m_sourceLabel, m_session,
                                 notes.join(QStringLiteral("  |  ")));
    line.alarms = m_alarms.summary();
    return line;
}

void PortRun::setFeedNote(const QString &note)
{
    if (note == m_feedNote)
        return;
    m_feedNote = note;
    emit statusChanged();
}

void PortRun::setSourceLabel(const QString &label)
{
    m_sourceLabel = label;
    emit statusChanged();
}

void PortRun::toggle1PPS()
{
    emit lookChanged(CommandButton::Pps, m_commands.cmd1PPSOnOff_Click());
    m_session.recordEvent(EventKind::PpsCommanded, m_commands.str1PPSState() == QLatin1String("E")
                                                       ? QStringLiteral("1PPS sense commanded on")
                                                       : QStringLiteral("1PPS sense commanded off"));
}

void PortRun::toggleRate()
{
    const auto look = m_commands.cmdFstUpdt_Click(m_rateCaption);
    if (!look)
        return;
    m_rateCaption = look->Caption;
    m_fastRate = m_commands.strCommand() == QLatin1String("f");
    emit lookChanged(CommandButton::Update, *look);
    m_session.recordEvent(EventKind::RateCommanded, m_commands.strCommand() == QLatin1String("s")
                                                        ? QStringLiteral("Slow update commanded")
                                                        : QStringLiteral("Fast update commanded"));
}

CommandToggles::Refusal PortRun::toggleLoad()
{
    // The supplies the gauges show, if they are current.
    const auto supplies = m_session.currentSupplies();
    const CommandToggles::LoadClick click = m_commands.cmdLoaded_Click(
        supplies ? supplies->volts48 : 0, supplies ? supplies->volts400 : 0, supplies.has_value());
    switch (click.refusal) {
    case CommandToggles::Refusal::Powered:
        m_session.recordEvent(EventKind::Refused, QStringLiteral("Load switch refused: the load is powered"));
        break;
    case CommandToggles::Refusal::NoReadings:
        m_session.recordEvent(EventKind::Refused, QStringLiteral("Load switch refused: no current supply readings"));
        break;
    case CommandToggles::Refusal::None:
        if (click.look) {
            emit lookChanged(CommandButton::Load, *click.look);
            m_session.recordLoadCommand(m_commands.strLoadState().at(0).toLatin1());
        }
        break;
    }
    return click.refusal;
}

bool PortRun::choosePort(const PortEntry &entry, const std::function<void(const PortMessage &)> &show)
{
    // Whatever was half read belongs to the port as it was.
    m_pending.clear();
    return PortSetup(*m_serial).done(entry, show);
}

void PortRun::portChosen()
{
    if (!Timer1.isActive())
        Timer1.start();
}

void PortRun::startLogging(const QString &path)
{
    m_logging.start(path);
}

void PortRun::CWButton1_Click()
{
    m_logging.CWButton1_Click();
}

void PortRun::startCsv(const QString &path)
{
    m_csv = std::make_unique<CsvWriter>(m_session);
    m_csv->follow(path, [this, path](const QString &reason) { csvFailed(path, reason); });
    if (!m_csv->following())
        return;
    const QString note = QStringLiteral("Recording CSV to %1").arg(QDir::toNativeSeparators(path));
    if (m_sessionStarted)
        m_session.recordEvent(EventKind::LoggingStarted, note);
    else
        m_csvStartedNote = note;
}

void PortRun::csvFailed(const QString &path, const QString &reason)
{
    m_csvNote = QStringLiteral("CSV record stopped: %1 could not be written (%2)")
                    .arg(QDir::toNativeSeparators(path), reason);
    m_session.recordEvent(EventKind::LoggingFailed, m_csvNote);
    emit statusChanged();
}
