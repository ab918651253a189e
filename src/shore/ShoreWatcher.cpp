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
    m_deckDetail.clear();
    if (state == QLatin1String("online")) {
        m_deckState = QStringLiteral("deck online");
        // The deck's port and whether its readings are current: the rest the watcher tells itself.
        m_deckDetail = QStringLiteral("deck: %1, readings %2")
                           .arg(o.value(QLatin1String("text")).toString().section(QStringLiteral("  |  "), 0, 0),
                                o.value(QLatin1String("current")).toBool() ? QStringLiteral("current")
                                                                           : QStringLiteral("not current"));
    } else if (state == QLatin1String("offline")) {
        m_deckState = QStringLiteral("deck offline");
    } else {
        m_deckState = QStringLiteral("deck status unreadable");
    }
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
    // What matters most first: the status bar may be too narrow for the rest.
    m_run.setSourceLabel(QStringLiteral("Watching %1 (%2)").arg(m_prefix, m_deckState));
    QStringList notes{QStringLiteral("shore feed: ") + m_link.stateText(), m_deckDetail};
    notes.removeAll(QString());
    m_run.setFeedNote(notes.join(QStringLiteral("  |  ")));
}
