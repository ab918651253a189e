#pragma once

#include "telemetry/Reading.h"
#include "telemetry/Telemetry.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <array>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

// When something happened: a monotonic clock for ages and spans (it never
// jumps), the wall clock for what the operator reads and exports.
struct Stamp
{
    qint64 monoMs = 0; // monotonic milliseconds
    qint64 wallMs = 0; // milliseconds since the epoch, UTC
};

// What one reply brought.
using TickOutcome = ReplyOutcome;

// One tick as the record keeps it: small and flat, so that a shift of them
// stays a few megabytes.
struct TickEntry
{
    Stamp at;
    TickOutcome outcome = TickOutcome::NoData;
    char sent = 0;      // the letter that went out, 0 when none did
    char loadState = 0; // 'u' or 'l' as reported, when fresh
    quint8 fresh = 0;   // one bit per Reading the reply carried and decoded
    // A reply that a newer one read at the same poll overtook: history, not
    // the present. The poll's own reply is the last of its read.
    bool overtaken = false;
    bool readFailed = false; // the read found no complete reply ("?")
    quint8 strays = 0;       // bare terminators the poll's read held besides its replies
    double loadCanTempC = 0;
    double controlCanTempC = 0;
    double count400 = 0; // converter counts, full scale 4096
    double count48 = 0;
    quint32 pulseFrequency = 0; // texts as received, in the record's text pool
    quint32 pulseWidth = 0;

    bool carries(Reading r) const { return fresh & readingBit(r); }
};

// What the operator did or the link went through, for the event list.
enum class EventKind : quint8 {
    LoadCommanded,
    LoadConfirmed,
    LoadNotConfirmed,
    Refused,
    PpsCommanded,
    RateCommanded,
    LinkLost,
    LinkBack,
    LinkFollowed,
    PortChanged,
    LoggingStarted,
    LoggingStopped,
    LoggingFailed,
    ControllerMessage,
    RepliesLate,    // a backlog of replies taken at one poll
    LineNoise,      // unanswered polls, garbled replies, stray terminators
    SessionStarted, // what the session runs on: version, port, device
    AlarmsAcknowledged,
    FeedRefused, // the shore broker refused the credentials or the certificate
    ProcedureStarted,
    ProcedureStep, // a step's verdict
    ProcedureEnded,
    ProcedureAborted,
};

struct EventEntry
{
    Stamp at;
    EventKind kind;
    QString text;
};

// Told of each tick and event as the record takes it, so that a chart or a
// file can follow the session without reading it all again. A tick is told
// before the events it brings (its text message, a load confirmed).
class SessionListener
{
public:
    virtual void tickRecorded(const TickEntry &tick) = 0;
    virtual void eventRecorded(const EventEntry &event) = 0;

protected:
    ~SessionListener() = default;
};

// The controller keeps reporting a load state other than the one commanded.
struct LoadDisagreement
{
    char commanded = 0;
    char reported = 0;
    qint64 forMs = 0; // how long the reports have disagreed
};

// The session as it happened: every tick with what its reply carried, every
// command and link event, each with its time. It answers how fresh each
// reading is, how many polls got a reply, and whether the controller obeyed
// the last load command; the trends draw its history. Older than a day is
// dropped.
class SessionRecord
{
public:
    using Clock = std::function<Stamp()>;

    // A reading older than this is stale: 8 polls.
    static constexpr qint64 FreshForMs = 2000;
    // The load state may disagree this long after a command before it is told.
    static constexpr qint64 ConfirmWithinMs = 2000;
    static constexpr qint64 ReplyShareSpanMs = 60 * 1000;
    static constexpr qint64 KeepForMs = 24 * 60 * 60 * 1000;
    // What a noisy line did is told at most this often, in one event.
    static constexpr qint64 NoiseSpanMs = 10 * 1000;

    // Without a clock: the steady clock and the system's wall clock.
    explicit SessionRecord(Clock clock = {});

    Stamp now() const { return m_clock(); }
    void setClock(Clock clock) { m_clock = std::move(clock); }

    // Adds one poll, stamped now: every reply its read took, oldest first,
    // the last its own (a NoData one when none came), the letter it sent and
    // the stray terminators its read held. Only the poll's own reply
    // refreshes readings and counts as a poll; the ones it overtook are kept
    // as history and told as an event. A text message becomes an event, and
    // so does a load state confirmed or not confirmed; what a noisy line did
    // is gathered into an event every NoiseSpanMs.
    void recordPoll(const std::vector<Telemetry> &replies, char sent, quint8 strays = 0);
    // Adds one tick as it stands, stamped now: what recordPoll() does for
    // each reply. Pulse texts go to the pool.
    void recordTick(TickEntry tick, const QString &pulseFrequency = {}, const QString &pulseWidth = {},
                    const QString &message = {});
    void recordEvent(EventKind kind, const QString &text);
    // The operator commanded the load state ('u' or 'l'); so does start-up.
    void recordLoadCommand(char state);

    // Freshness: the reading was carried by a poll's own reply within FreshForMs.
    bool everRead(Reading r) const { return m_lastRead[std::size_t(r)].has_value(); }
    std::optional<Stamp> lastRead(Reading r) const { return m_lastRead[std::size_t(r)]; }
    bool isFresh(Reading r) const;
    // The supplies as the gauges show them (whole volts), from the last poll's
    // reply that carried both counts, while that is within FreshForMs: what
    // the load interlock decides on. None when they are not current.
    struct Supplies
    {
        double volts400 = 0;
        double volts48 = 0;
    };
    std::optional<Supplies> currentSupplies() const;
    bool suppliesFresh() const { return currentSupplies().has_value(); }

    // Polls in the last minute, and how many of them got a framed reply.
    struct ReplyShare
    {
        int polls = 0;
        int replies = 0;
    };
    ReplyShare replyShare() const;
    // Age of the last poll's reply decoded to its end that carried a reading;
    // none before the first.
    std::optional<qint64> lastGoodAgeMs() const;

    // The reported load state has disagreed with the commanded one for more
    // than ConfirmWithinMs, on fresh replies.
    std::optional<LoadDisagreement> loadDisagreement() const;

    const std::deque<TickEntry> &ticks() const { return m_ticks; }
    const std::deque<EventEntry> &events() const { return m_events; }
    // Events dropped for age so far: events().front() is the session's event
    // of that number, counted from 0.
    std::size_t droppedEvents() const { return m_droppedEvents; }
    const QString &text(quint32 id) const { return m_texts.at(id); }
    // The pooled text as a number, when it is one.
    std::optional<double> textNumber(quint32 id) const { return m_textNumbers.at(id); }

    // A listener is told of everything recorded until it is removed; it may
    // record events itself, but not add or remove listeners while told.
    void addListener(SessionListener *listener) { m_listeners.push_back(listener); }
    void removeListener(SessionListener *listener);

private:
    void add(TickEntry tick, const QString &message);
    quint32 pooled(const QString &text, std::optional<double> number);
    void dropOld(qint64 nowMono);
    void followLoad(const TickEntry &tick);
    void countNoise(const TickEntry &tick);
    void forgetOldPolls(qint64 nowMono) const;

    Clock m_clock;
    std::deque<TickEntry> m_ticks;
    std::deque<EventEntry> m_events;
    std::size_t m_droppedEvents = 0;
    std::vector<SessionListener *> m_listeners;
    // Pulse texts repeat from reply to reply: each distinct one is kept once.
    QStringList m_texts;
    std::vector<std::optional<double>> m_textNumbers;
    QHash<QString, quint32> m_textIds;
    std::array<std::optional<Stamp>, ReadingCount> m_lastRead;
    std::optional<Stamp> m_lastGood;
    std::optional<Stamp> m_lastSupplies;
    Supplies m_supplies;
    int m_overtaken = 0; // replies overtaken since the last poll's own
    // The polls of the last ReplyShareSpanMs, for the reply share without
    // going through the ticks at every poll.
    struct RecentPoll
    {
        qint64 monoMs;
        bool answered;
    };
    mutable std::deque<RecentPoll> m_recentPolls;
    mutable int m_recentReplies = 0;

    // The noisy line since m_noiseSince.
    struct Noise
    {
        int unanswered = 0;
        int garbled = 0;
        int strays = 0;
        bool any() const { return unanswered || garbled || strays; }
    };
    Noise m_noise;
    qint64 m_noiseSince = 0;
    bool m_asked = false; // the last poll sent a letter: this one owes a reply

    // Load confirmation.
    char m_commanded = 0;
    qint64 m_commandedAt = 0;
    char m_reported = 0;
    qint64 m_disagreeSince = 0; // monotonic ms of the first disagreeing report in a row
    bool m_disagreeing = false;
    bool m_confirmed = false;
    bool m_notConfirmedTold = false;
};
