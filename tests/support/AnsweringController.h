#pragma once

#include "PtyController.h"

#include <QTimer>

#include <utility>

// The controller at the far end of a pseudo-terminal, as the tests play it:
// answers every letter it hears with one reply, or none while silent. Works
// while the test's event loop runs.
class AnsweringController
{
public:
    explicit AnsweringController(QByteArray reply)
        : m_reply(std::move(reply))
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            for (const char letter : m_pty.read(1)) {
                m_heard += letter;
                if (m_stalled)
                    ++m_owed;
                else if (!m_silent)
                    m_pty.write(m_reply);
            }
        });
        m_timer.start();
    }
    PtyController &pty() { return m_pty; }
    QByteArray heard() const { return m_heard; }
    void setReply(const QByteArray &reply) { m_reply = reply; }
    // Hears the letters but answers none.
    void setSilent(bool silent) { m_silent = silent; }
    // A busy controller: holds its replies while stalled, then sends every
    // one it owes at once.
    void stall() { m_stalled = true; }
    int resume()
    {
        m_stalled = false;
        QByteArray backlog;
        for (int i = 0; i < m_owed; ++i)
            backlog += m_reply;
        m_pty.write(backlog);
        return std::exchange(m_owed, 0);
    }

private:
    PtyController m_pty;
    QByteArray m_reply;
    QByteArray m_heard;
    bool m_silent = false;
    bool m_stalled = false;
    int m_owed = 0;
    QTimer m_timer;
};
