#include "link/Comunication.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>

namespace Comunication {

namespace {

std::function<void(float)> &settleWait()
{
    static std::function<void(float)> wait;
    return wait;
}

// One day: far beyond any settle delay, and keeps the deadline arithmetic in range.
constexpr double LongestWaitMs = 24.0 * 60 * 60 * 1000;

// Reads up to and including the first "*"; nothing when the input runs dry,
// the read fails or the line runs on too long.
std::optional<QString> readToTerminator(SerialControl &port)
{
    QString reply;
    try {
        for (;;) {
            if (reply.size() == MaxReplyLength)
                return std::nullopt;
            const QByteArray chunk = port.Input();
            if (chunk.isEmpty())
                return std::nullopt;
            // A control that hands over more than the one character asked for
            // is read through to the terminator as well; what it handed over
            // beyond the terminator cannot be put back.
            for (const char c : chunk) {
                if (reply.size() == MaxReplyLength)
                    return std::nullopt;
                reply.append(QLatin1Char(c));
                if (c == '*')
                    return reply;
            }
        }
    } catch (const LinkError &) {
        return std::nullopt; // reported like a silent controller
    }
}

} // namespace

QString ReadReply(SerialControl &VANTOSerComm)
{
    if (!VANTOSerComm.PortOpen())
        return QString();

    VANTOSerComm.setInputLen(1);
    if (settleWait())
        settleWait()(SettleDelayMs);
    else
        WaitMs(SettleDelayMs);

    if (const auto reply = readToTerminator(VANTOSerComm))
        return *reply;

    // Reset the port so the next poll starts clean; a failure to reopen is the
    // caller's to handle.
    VANTOSerComm.setPortOpen(false);
    VANTOSerComm.setPortOpen(true);
    return QStringLiteral("?");
}

void WaitMs(float ms)
{
    if (!(ms > 0))
        return;
    // steady_clock is monotonic and 64 bits wide, so unlike a 32-bit millisecond
    // counter it cannot wrap while we wait; sleeping instead of spinning spares
    // the CPU, and no events are processed meanwhile.
    using Clock = std::chrono::steady_clock;
    const auto length = std::chrono::duration<double, std::milli>(std::min<double>(ms, LongestWaitMs));
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(length);
    for (auto now = Clock::now(); now < deadline; now = Clock::now())
        std::this_thread::sleep_for(deadline - now);
}

void setSettleWait(std::function<void(float ms)> wait)
{
    settleWait() = std::move(wait);
}

} // namespace Comunication
