#pragma once

#include "session/SessionRecord.h"
#include "telemetry/ReplyPresenter.h"

#include <QString>

#include <deque>
#include <optional>
#include <vector>

// What an alarm is about.
enum class AlarmKind : quint8 {
    Supply400Low,
    Supply400High,
    Supply48Low,
    Supply48High,
    LinkLost,
    Stale,
    LoadNotConfirmed,
    BadData,
    ControllerMessage,
};

// One alarm: open while its condition lasts, listed until acknowledged.
struct Alarm
{
    AlarmKind kind;
    QString title; // "400 V Low", "Link lost", the controller's words
    QString detail;
    Stamp start;
    std::optional<Stamp> end; // none while open
    // The worst value while open: the lowest or highest volts, the longest
    // age in ms, the number of bad replies.
    double extreme = 0;
    bool acknowledged = false;

    bool open() const { return !end.has_value(); }
    qint64 durationMs(const Stamp &now) const { return (end ? *end : now).monoMs - start.monoMs; }
    // "lowest 293 V", "12 s without a good reply", "3 replies"; empty when
    // the kind has none.
    QString extremeText() const;
};

// "1.5 s", "4 min 12 s", "2 h 5 min".
QString durationText(qint64 ms);

// The alarms of a session. An alarm opens when a supply leaves its range (as
// its range lamp judges it), the link is lost, the readings go stale, a
// commanded load is not confirmed, a reply decodes to "Bad Data" or the
// controller sends a message; it closes when that ends, and stays listed
// until the operator acknowledges it. The lamps still show only the present:
// this is what the operator may have missed.
class Alarms : private SessionListener
{
public:
    // Alarms acknowledged and closed leave the list; beyond this many the
    // oldest closed ones go too, so a flapping supply can't grow it for ever.
    static constexpr std::size_t MaxListed = 1000;

    explicit Alarms(SessionRecord &record);
    ~Alarms();
    Alarms(const Alarms &) = delete;
    Alarms &operator=(const Alarms &) = delete;

    // After the record took a poll: its replies, oldest first.
    void pollRecorded(const std::vector<Telemetry> &replies);

    // Acknowledges every alarm not yet acknowledged, recorded as an event;
    // false when there was none.
    bool acknowledge();

    // Oldest first.
    const std::deque<Alarm> &list() const { return m_list; }
    int unacknowledged() const;
    // "2 alarms: 400 V Low 13:02:11, 1.5 s, lowest 293 V": the count not yet
    // acknowledged and the newest of them; empty when there are none.
    QString summary() const;
    // Bumped whenever an alarm is added, closed, acknowledged or dropped, so
    // a view can tell; the values of open alarms change without it.
    quint64 revision() const { return m_revision; }

private:
    void tickRecorded(const TickEntry &) override { }
    void eventRecorded(const EventEntry &event) override;

    Alarm *openAlarm(AlarmKind kind);
    Alarm &raise(AlarmKind kind, const QString &title, double extreme, const QString &detail = {});
    void close(AlarmKind kind);
    void judgeSupply(double volts, const SupplyRange &range, AlarmKind low, AlarmKind high, const QString &name);
    void trim();

    SessionRecord &m_record;
    std::deque<Alarm> m_list;
    quint64 m_revision = 0;
    qint64 m_lastGoodMono = 0; // the last good reply before the readings went stale
};
