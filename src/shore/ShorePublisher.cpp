#include "shore/ShorePublisher.h"

#include "run/PortRun.h"
#include "shore/FeedMessages.h"

ShorePublisher::ShorePublisher(PortRun &run, FeedAddress address, QString prefix, QString version, QObject *parent)
    : QObject(parent)
    , m_run(run)
    , m_link(std::move(address))
    , m_prefix(std::move(prefix))
    , m_version(std::move(version))
{
    m_link.setWill(topic("status"), FeedMessages::compact(FeedMessages::offline()));
    connect(&m_run, &PortRun::replied, this, &ShorePublisher::replied);
    connect(&m_run, &PortRun::polled, this, [this] {
        publishStatus(false);
        showState();
    });
    connect(&m_link, &MqttLink::stateChanged, this, [this] {
        // A broker back after a restart may have lost the retained status.
        if (m_link.state() == MqttLink::State::Connected)
            publishStatus(true);
        showState();
    });
    connect(&m_link, &MqttLink::refused, this, [this](const QString &reason) {
        m_run.session().recordEvent(EventKind::FeedRefused, QStringLiteral("Shore feed refused: %1").arg(reason));
    });
    m_run.session().addListener(this);
}

ShorePublisher::~ShorePublisher()
{
    m_run.session().removeListener(this);
    finish();
}

bool ShorePublisher::start(QString *error)
{
    if (!m_link.start(error))
        return false;
    publishStatus(true);
    showState();
    return true;
}

void ShorePublisher::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    m_link.finish(topic("status"), FeedMessages::compact(FeedMessages::offline()));
}

QString ShorePublisher::topic(const char *leaf) const
{
    return m_prefix + QLatin1Char('/') + QLatin1String(leaf);
}

void ShorePublisher::replied(const Poll &poll)
{
    if (m_finished)
        return;
    const qint64 wallMs = m_run.session().now().wallMs;
    for (const PolledReply &r : poll.replies)
        if (r.reading.outcome == ReplyOutcome::Telemetry)
            m_link.publish(topic("telemetry"), FeedMessages::compact(FeedMessages::telemetry(r.reading, wallMs)), 0);
}

void ShorePublisher::eventRecorded(const EventEntry &event)
{
    if (!m_finished)
        m_link.publish(topic("event"), FeedMessages::compact(FeedMessages::event(event)), 1);
}

void ShorePublisher::publishStatus(bool always)
{
    if (m_finished)
        return;
    const SerialControl &serial = m_run.VANTOSerComm();
    FeedMessages::DeckStatus s;
    s.version = m_version;
    s.port = serial.CommPort();
    s.device = serial.device(s.port);
    s.link = serial.PortOpen()   ? QStringLiteral("open")
             : serial.PortLost() ? QStringLiteral("lost")
                                 : QStringLiteral("not open");
    const auto age = m_run.session().lastGoodAgeMs();
    s.current = age && *age <= SessionRecord::FreshForMs;
    // The deck's status bar without what it says of this feed.
    s.text = m_run.status().text.remove(QStringLiteral("  |  ") + m_note);
    // The port, the link and the currency go out as they change; the status
    // bar's text, whose reply share moves at every poll, at most every few seconds.
    const QString state = QStringLiteral("%1 %2 %3 %4").arg(s.port).arg(s.device, s.link).arg(s.current);
    const qint64 nowMs = m_run.session().now().monoMs;
    const QByteArray status = FeedMessages::compact(FeedMessages::online(s));
    if (!always && (status == m_status || (state == m_state && nowMs - m_statusAtMs < TextEveryMs)))
        return;
    m_status = status;
    m_state = state;
    m_statusAtMs = nowMs;
    m_link.publish(topic("status"), status, 1, true);
}

void ShorePublisher::showState()
{
    m_note = QStringLiteral("shore feed: ") + m_link.stateText();
    m_run.setFeedNote(m_note);
}
