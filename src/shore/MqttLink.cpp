#include "shore/MqttLink.h"

#include <QFileInfo>
#include <QMetaObject>

#include <mosquitto.h>

#include <cstdlib>
#include <mutex>

namespace {
constexpr int KeepAliveSeconds = 10;
// Tried again every second: publishing resumes within two of the broker's return.
constexpr unsigned ReconnectSeconds = 1;
constexpr int TlsRetryMs = 5000;

void initLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] {
        mosquitto_lib_init();
        std::atexit([] { mosquitto_lib_cleanup(); });
    });
}
} // namespace

MqttLink::MqttLink(FeedAddress address, QObject *parent)
    : QObject(parent)
    , m_address(std::move(address))
{
    m_retry.setSingleShot(true);
    m_retry.setInterval(TlsRetryMs);
    connect(&m_retry, &QTimer::timeout, this, &MqttLink::restartLoop);
}

MqttLink::~MqttLink()
{
    if (!m_mosq)
        return;
    stopLoop();
    mosquitto_destroy(m_mosq);
}

void MqttLink::setWill(const QString &topic, const QByteArray &payload)
{
    m_willTopic = topic.toUtf8();
    m_willPayload = payload;
}

bool MqttLink::start(QString *error)
{
    initLibrary();
    // A random client id and a clean session: several watchers may read one deck.
    m_mosq = mosquitto_new(nullptr, true, this);
    if (!m_mosq) {
        *error = QStringLiteral("the MQTT client could not be made");
        return false;
    }
    mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_connect_callback_set(m_mosq, &MqttLink::onConnect);
    mosquitto_disconnect_callback_set(m_mosq, &MqttLink::onDisconnect);
    mosquitto_message_callback_set(m_mosq, &MqttLink::onMessage);
    mosquitto_log_callback_set(m_mosq, &MqttLink::onLog);
    mosquitto_reconnect_delay_set(m_mosq, ReconnectSeconds, ReconnectSeconds, false);
    if (!m_address.user.isEmpty()) {
        const QByteArray user = m_address.user.toUtf8();
        const QByteArray password = m_address.password.toUtf8();
        mosquitto_username_pw_set(m_mosq, user.constData(), password.isEmpty() ? nullptr : password.constData());
    }
    if (!m_willTopic.isEmpty())
        mosquitto_will_set(m_mosq, m_willTopic.constData(), int(m_willPayload.size()), m_willPayload.constData(), 1,
                           true);
    if (m_address.tls) {
        const QByteArray ca = m_address.caFile.toLocal8Bit();
        if (!ca.isEmpty() && !QFileInfo(m_address.caFile).isReadable()) {
            *error = QStringLiteral("%1 can't be read").arg(m_address.caFile);
            return false;
        }
        const int rc = ca.isEmpty() ? mosquitto_tls_set(m_mosq, nullptr, "/etc/ssl/certs", nullptr, nullptr, nullptr)
                                    : mosquitto_tls_set(m_mosq, ca.constData(), nullptr, nullptr, nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            *error = QStringLiteral("TLS could not be set up: %1").arg(QString::fromUtf8(mosquitto_strerror(rc)));
            return false;
        }
    }
    // A broker not there yet is no error: the loop keeps trying.
    const QByteArray host = m_address.host.toUtf8();
    mosquitto_connect_async(m_mosq, host.constData(), m_address.port, KeepAliveSeconds);
    if (const int rc = mosquitto_loop_start(m_mosq); rc != MOSQ_ERR_SUCCESS) {
        *error = QStringLiteral("the MQTT client's thread could not start: %1")
                     .arg(QString::fromUtf8(mosquitto_strerror(rc)));
        return false;
    }
    m_looping = true;
    return true;
}

void MqttLink::restartLoop()
{
    // The thread ended on the failed handshake; this joins it.
    mosquitto_loop_stop(m_mosq, true);
    mosquitto_reconnect_async(m_mosq);
    mosquitto_loop_start(m_mosq);
}

void MqttLink::publish(const QString &topic, const QByteArray &payload, int qos, bool retain)
{
    m_queue.push_back({topic.toUtf8(), payload, qos, retain});
    while (m_queue.size() > m_bound) {
        m_queue.pop_front();
        ++m_dropped;
    }
    flush();
}

void MqttLink::flush()
{
    while (m_state == State::Connected && !m_queue.empty()) {
        const Outgoing &m = m_queue.front();
        const int rc = mosquitto_publish(m_mosq, nullptr, m.topic.constData(), int(m.payload.size()),
                                         m.payload.constData(), m.qos, m.retain);
        if (rc == MOSQ_ERR_NO_CONN || rc == MOSQ_ERR_ERRNO)
            return; // kept for the reconnect
        if (rc != MOSQ_ERR_SUCCESS)
            ++m_dropped; // the broker would never take it (too large, a bad topic)
        m_queue.pop_front();
    }
}

void MqttLink::finish(const QString &topic, const QByteArray &payload)
{
    if (!m_looping)
        return;
    publish(topic, payload, 1, true);
    stopLoop();
}

void MqttLink::stopLoop()
{
    if (!m_looping)
        return;
    m_looping = false;
    m_retry.stop();
    const bool connected = m_state == State::Connected;
    mosquitto_disconnect(m_mosq);
    // Connected, the loop sends what it holds, then the disconnect, and ends.
    // Otherwise it may be waiting on a connection to a host that never
    // answers: an exit must not wait for that.
    mosquitto_loop_stop(m_mosq, !connected);
}

QString MqttLink::stateText() const
{
    QString text;
    switch (m_state) {
    case State::Connected:
        text = QStringLiteral("connected");
        break;
    case State::NotConnected:
        text = QStringLiteral("not connected");
        break;
    case State::Refused:
        text = QStringLiteral("refused: %1").arg(m_refusal);
        break;
    }
    if (m_dropped > 0)
        text += QStringLiteral(" (%1 messages dropped)").arg(m_dropped);
    return text;
}

void MqttLink::connected()
{
    m_retry.stop();
    m_state = State::Connected;
    m_refusal.clear();
    flush();
    emit stateChanged();
}

void MqttLink::disconnected()
{
    if (m_state == State::Refused)
        return; // still refused, not merely away
    m_state = State::NotConnected;
    emit stateChanged();
}

void MqttLink::refuse(const QString &reason)
{
    const bool told = m_state == State::Refused && reason == m_refusal;
    m_state = State::Refused;
    m_refusal = reason;
    if (told)
        return;
    emit refused(reason);
    emit stateChanged();
}

// The loop thread's callbacks: what they learn is handed to this object's thread.

void MqttLink::onConnect(mosquitto *mosq, void *self, int rc)
{
    auto *link = static_cast<MqttLink *>(self);
    if (rc != 0) {
        const QString reason = QString::fromUtf8(mosquitto_connack_string(rc));
        QMetaObject::invokeMethod(
            link, [link, reason] { link->refuse(reason); }, Qt::QueuedConnection);
        return;
    }
    // Subscribed from here so that a reconnect subscribes again at once.
    for (const QString &topic : std::as_const(link->m_subscriptions))
        mosquitto_subscribe(mosq, nullptr, topic.toUtf8().constData(), 0);
    QMetaObject::invokeMethod(
        link, [link] { link->connected(); }, Qt::QueuedConnection);
}

void MqttLink::onDisconnect(mosquitto *, void *self, int)
{
    auto *link = static_cast<MqttLink *>(self);
    QMetaObject::invokeMethod(
        link, [link] { link->disconnected(); }, Qt::QueuedConnection);
}

void MqttLink::onMessage(mosquitto *, void *self, const mosquitto_message *message)
{
    auto *link = static_cast<MqttLink *>(self);
    const QString topic = QString::fromUtf8(message->topic);
    const QByteArray payload(static_cast<const char *>(message->payload), message->payloadlen);
    QMetaObject::invokeMethod(
        link, [link, topic, payload] { emit link->messageArrived(topic, payload); }, Qt::QueuedConnection);
}

void MqttLink::onLog(mosquitto *, void *self, int level, const char *text)
{
    if (level != MOSQ_LOG_ERR)
        return;
    const QString line = QString::fromUtf8(text);
    // A certificate the CA didn't sign, or one for another host: the library
    // says so only in its log, and its loop stops.
    if (!line.contains(QLatin1String("OpenSSL"), Qt::CaseInsensitive))
        return;
    auto *link = static_cast<MqttLink *>(self);
    const QString reason = QStringLiteral("the broker's certificate was not accepted (%1)")
                               .arg(line.section(QLatin1Char(':'), -1).trimmed());
    QMetaObject::invokeMethod(
        link,
        [link, reason] {
            link->refuse(reason);
            link->m_retry.start();
        },
        Qt::QueuedConnection);
}
