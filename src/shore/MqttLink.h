#pragma once

#include "shore/FeedAddress.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <deque>

struct mosquitto;

// One client of an MQTT broker, on Debian's libmosquitto. Its network loop
// runs on a thread of its own, so publishing never waits for the broker:
// messages wait in a bounded queue (the oldest dropped first, and counted)
// while it is away, and the client reconnects by itself. What the loop thread
// learns reaches this object's thread as queued calls.
class MqttLink : public QObject
{
    Q_OBJECT

public:
    enum class State : quint8 { NotConnected, Connected, Refused };
    static constexpr std::size_t DefaultQueueBound = 10000; // some 40 minutes of replies at 4 a second

    explicit MqttLink(FeedAddress address, QObject *parent = nullptr);
    ~MqttLink() override;

    // Before start(): what the broker publishes for this client when it
    // vanishes, and the topics it reads (none while publishing).
    void setWill(const QString &topic, const QByteArray &payload);
    void setSubscriptions(const QStringList &topics) { m_subscriptions = topics; }
    void setQueueBound(std::size_t bound) { m_bound = bound; }

    // Starts connecting; false with why when the client can't even be made
    // (a CA file that isn't there, no memory).
    bool start(QString *error);
    // Queued, and sent at once while connected.
    void publish(const QString &topic, const QByteArray &payload, int qos, bool retain = false);
    // A clean end: what is queued and this last message go out if connected,
    // then the client disconnects (the broker sends no will for it).
    void finish(const QString &topic, const QByteArray &payload);

    State state() const { return m_state; }
    // Why the broker refused (credentials, certificate), while it does.
    QString refusal() const { return m_refusal; }
    qint64 dropped() const { return m_dropped; }
    std::size_t queued() const { return m_queue.size(); }
    const FeedAddress &address() const { return m_address; }

    // "connected", "not connected (12 messages dropped)", ...
    QString stateText() const;

signals:
    // The state, not the count of messages dropped, which only grows.
    void stateChanged();
    // Told once for each refusal in a row.
    void refused(const QString &reason);
    void messageArrived(const QString &topic, const QByteArray &payload);

private:
    struct Outgoing
    {
        QByteArray topic;
        QByteArray payload;
        int qos;
        bool retain;
    };

    static void onConnect(mosquitto *, void *self, int rc);
    static void onDisconnect(mosquitto *, void *self, int rc);
    static void onMessage(mosquitto *, void *self, const struct mosquitto_message *message);
    static void onLog(mosquitto *, void *self, int level, const char *text);

    void connected();
    void disconnected();
    void refuse(const QString &reason);
    void flush();
    void restartLoop();
    void stopLoop();

    FeedAddress m_address;
    mosquitto *m_mosq = nullptr;
    bool m_looping = false;
    QStringList m_subscriptions;
    QByteArray m_willTopic;
    QByteArray m_willPayload;
    std::deque<Outgoing> m_queue;
    std::size_t m_bound = DefaultQueueBound;
    qint64 m_dropped = 0;
    State m_state = State::NotConnected;
    QString m_refusal;
    // The library's loop gives up on a failed TLS handshake: tried again from here.
    QTimer m_retry;
};
