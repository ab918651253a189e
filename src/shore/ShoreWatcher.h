#pragma once

#include "shore/MqttLink.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class PortRun;

// A run fed from a broker instead of a port: each reply another tool
// published under the prefix goes through the run's own decoder, as if read,
// so every reading, lamp and chart is what the deck shows. It only reads:
// the run sends nothing anywhere.
class ShoreWatcher : public QObject
{
public:
    // With no reply for this long the watcher polls empty, as the deck would
    // show "No Data", and the readings go stale on their own clock.
    static constexpr int QuietMs = 1000;

    ShoreWatcher(PortRun &run, FeedAddress address, QString prefix, QObject *parent = nullptr);

    bool start(QString *error);
    MqttLink &link() { return m_link; }

private:
    void arrived(const QString &topic, const QByteArray &payload);
    void quietTick();
    void showState();

    PortRun &m_run;
    MqttLink m_link;
    QString m_prefix;
    QString m_deckState = QStringLiteral("deck not heard yet");
    QString m_deckDetail;
    QTimer m_quiet;
    QElapsedTimer m_sinceReply;
};
