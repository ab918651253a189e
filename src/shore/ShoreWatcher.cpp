#include "shore/ShoreWatcher.h"

#include "run/PortRun.h"

#include <QJsonDocument>
#include <QJsonObject>

ShoreWatcher::ShoreWatcher(PortRun &run, FeedAddress address, QString prefix, QObject *parent)
    : QObject(parent)
    , m_run(run)
    , m_link(std::move(address))
    , m_prefix(std::move(prefix))
{
    m_link.setSubscriptions({m_prefix + QStringLiteral("/telemetry"), m_prefix + QStringLiteral("/status")});
    connect(&m_link, &MqttLink::messageArrived, this, &ShoreWatcher::arrived);
    connect(&m_link, &MqttLink::stateChanged, this, &ShoreWatcher::showState);
    m_quiet.setInterval(PortRun::PollInterval);
    connect(&m_quiet, &QTimer::timeout, this, &ShoreWatcher::quietTick);
}

bool ShoreWatcher::start(QString *error)
{
    m_run.setSourceLabel(QStringLiteral("Watching %1").arg(m_prefix));
    if (!m_link.start(error))
        return false;
    m_sinceReply.start();
    m_quiet.start();
    showState();
    return true;
}

void ShoreWatcher::arrived(const QString &topic, const QByteArray &payload)
{
    const QJsonObject o = QJsonDocument::fromJson(payload).object();
    if (topic.endsWith(QLatin1String("/telemetry"))) {
        const QString reply = o.value(QLatin1String("reply")).toString();
        // Only text that came as a reply: anything else on the topic is no reading.
        if (reply.isEmpty())
            return;
        m_sinceReply.start();
        m_run.takeReplies({reply});
        return;
    }
    const QString state = o.value(QLatin1String("state")).toString();
    if (state == QLatin1String("online"))
        m_deck = QStringLiteral("deck: online, %1").arg(o.value(QLatin1String("text")).toString());
    else if (state == QLatin1String("offline"))
        m_deck = QStringLiteral("deck: offline");
    else
        m_deck = QStringLiteral("deck: status unreadable");
    showState();
}

void ShoreWatcher::quietTick()
{
    if (m_sinceReply.elapsed() < QuietMs)
        return;
    m_run.takeReplies({QStringLiteral("?")});
}

void ShoreWatcher::showState()
{
    m_run.setFeedNote(QStringLiteral("shore feed: %1  |  %2").arg(m_link.stateText(), m_deck));
}
