#pragma once

#include <QByteArray>
#include <QString>

#include <deque>
#include <functional>

// Which way bytes went, and whether they were the line's own or a network
// port's telnet negotiation.
enum class LineDirection : quint8 { Sent, Received, NegotiationSent, NegotiationReceived };

// Bytes that went one way at one time.
struct LineChunk
{
    quint64 number = 0; // counted from the first chunk recorded, clearing included
    qint64 monoMs = 0;
    qint64 wallMs = 0;
    LineDirection direction = LineDirection::Sent;
    QByteArray bytes;
    // Received: from the last command letter sent to the "*" this chunk holds;
    // -1 when it holds none or no letter was waiting.
    qint64 replyMs = -1;
};

// The line itself: every byte sent and received, with its time and
// direction, the last KeepBytes of them. A reply is timed from the command
// letter before it to the read that took its "*".
class LineRecord
{
public:
    struct Time
    {
        qint64 monoMs;
        qint64 wallMs;
    };
    using Clock = std::function<Time()>;
    static constexpr qsizetype KeepBytes = 100000;

    // On the run's clock, so that the line and the session record agree.
    explicit LineRecord(Clock clock);

    void sent(const QByteArray &bytes) { add(LineDirection::Sent, bytes); }
    void received(const QByteArray &bytes) { add(LineDirection::Received, bytes); }
    void negotiation(LineDirection direction, const QByteArray &bytes);
    void clear();

    const std::deque<LineChunk> &chunks() const { return m_chunks; }
    qsizetype bytes() const { return m_bytes; }
    // The number the next chunk will have.
    quint64 nextNumber() const { return m_next; }

private:
    void add(LineDirection direction, const QByteArray &bytes);

    Clock m_clock;
    std::deque<LineChunk> m_chunks;
    qsizetype m_bytes = 0;
    quint64 m_next = 0;
    qint64 m_askedAt = -1; // a command letter sent, its reply not yet complete
};

// The bytes as text: printable ASCII as it is, "\r", "\n", "\t", "\\" and
// "\xNN" for the rest.
QString escapedText(const QByteArray &bytes);
// The bytes as hex, two digits each, a space between.
QString hexText(const QByteArray &bytes);
// One chunk as the Line window shows it: its time to the millisecond, its
// direction, its bytes (escaped or hex) broken after each "*", and the reply
// time.
QString chunkText(const LineChunk &chunk, bool hex);
