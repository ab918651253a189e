#pragma once

#include <QtGlobal>

#include <functional>

// When the poll tick brings back a port that went away on its own (an adapter
// pulled out, a reset after a failed read that could not reopen it). A port the
// operator closed or chose is theirs: it is never reopened behind their back.
// While the device is missing nothing is tried; the first tick that finds it
// back tries at once.
class ReopenPolicy
{
public:
    // Monotonic milliseconds.
    using Clock = std::function<qint64()>;

    // A device that is there but won't open is tried again at most this often.
    static constexpr qint64 RetryIntervalMs = 1000;

    explicit ReopenPolicy(Clock clock);

    // The port went away without the operator closing it. Only the port number
    // lost first is brought back.
    void lost(int port);
    // A reopen was just tried and failed outside reopenNow() (the reset after
    // a failed read): the next try waits its interval like any other.
    void triedAndFailed();
    // The port is open again.
    void reopened() { m_wanted = false; }

    // Asked at the start of each tick: try to reopen the port now? An open port
    // ends the wish; while the operator is choosing a port, or after they chose
    // another number, or while the device is missing, nothing is tried. A yes
    // counts as a try.
    bool reopenNow(bool portOpen, bool operatorChoosing, int currentPort, bool devicePresent = true);

    bool wanted() const { return m_wanted; }
    int lostPort() const { return m_lostPort; }

private:
    Clock m_clock;
    bool m_wanted = false;
    int m_lostPort = 0;
    bool m_tried = false;
    qint64 m_lastTry = 0;
};
