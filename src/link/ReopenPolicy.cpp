#include "link/ReopenPolicy.h"

ReopenPolicy::ReopenPolicy(Clock clock)
    : m_clock(std::move(clock))
{ }

void ReopenPolicy::lost(int port)
{
    if (!m_wanted)
        m_lostPort = port;
    m_wanted = true;
}

void ReopenPolicy::triedAndFailed()
{
    m_tried = true;
    m_lastTry = m_clock();
}

bool ReopenPolicy::reopenNow(bool portOpen, bool operatorChoosing, int currentPort, bool devicePresent)
{
    if (portOpen) {
        m_wanted = false;
        return false;
    }
    if (!m_wanted || operatorChoosing || currentPort != m_lostPort)
        return false;
    if (!devicePresent) {
        // Tries that failed while it was gone say nothing about the device
        // that comes back.
        m_tried = false;
        return false;
    }
    const qint64 now = m_clock();
    if (m_tried && now - m_lastTry < RetryIntervalMs)
        return false;
    m_tried = true;
    m_lastTry = now;
    return true;
}
