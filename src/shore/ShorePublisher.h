#pragma once

#include "session/SessionRecord.h"
#include "shore/MqttLink.h"

#include <QObject>

class PortRun;
struct Poll;

// The run published to a broker under one topic prefix: every good reply on
// PREFIX/telemetry (QoS 0), every event of the session record on
// PREFIX/event (QoS 1), and what the tool is doing on PREFIX/status,
// retained, which the broker's last will sets to offline when the tool
// vanishes. It only publishes: nothing from the network reaches the run.
class ShorePublisher
    : public QObject
    , private SessionListener
{
public:
    ShorePublisher(PortRun &run, FeedAddress address, QString prefix, QString version, QObject *parent = nullptr);
    ~ShorePublisher() override;

    bool start(QString *error);
    // The status set offline, what is queued sent, and the client disconnected.
    void finish();

    MqttLink &link() { return m_link; }
    const QString &prefix() const { return m_prefix; }

private:
    void tickRecorded(const TickEntry &) override { }
    void eventRecorded(const EventEntry &event) override;
    void replied(const Poll &poll);
    void publishStatus(bool always);
    void showState();
    QString topic(const char *leaf) const;

    PortRun &m_run;
    MqttLink m_link;
    QString m_prefix;
    QString m_version;
    static constexpr qint64 TextEveryMs = 5000;

    QByteArray m_status; // the status last published
    QString m_state;     // ... its port, device, link and currency
    qint64 m_statusAtMs = 0;
    QString m_note; // what the deck's status bar says of the feed
    bool m_finished = false;
};
