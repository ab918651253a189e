#include "link/Comunication.h"

#include "link/LineRecord.h"

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

// Everything the port holds now, up to MaxReadBytes; nothing when the read fails.
std::optional<QByteArray> takeBuffered(SerialControl &port)
{
    QByteArray taken;
    try {
        while (taken.size() < MaxReadBytes) {
            const QByteArray chunk = port.Input();
            if (chunk.isEmpty())
                break;
            taken += chunk;
        }
    } catch (const LinkError &) {
        return std::nullopt; // reported like a silent controller
    }
    return taken;
}

// Splits at each "*"; what follows the last stays in pending. Nothing when no
// reply is complete or one runs on too long.
std::optional<QStringList> splitReplies(QByteArray &pending)
{
    QStringList replies;
    qsizetype start = 0;
    for (qsizetype end = pending.indexOf('*'); end >= 0; end = pending.indexOf('*', start)) {
        if (end + 1 - start > MaxReplyLength)
            return std::nullopt;
        replies << QString::fromLatin1(pending.constData() + start, end + 1 - start);
        start = end + 1;
    }
    pending.remove(0, start);
    if (replies.isEmpty() || pending.size() >= MaxReplyLength)
        return std::nullopt;
    return replies;
}

} // namespace

QStringList ReadReplies(SerialControl &VANTOSerComm, QByteArray &pending, LineRecord *line)
{
    if (!VANTOSerComm.PortOpen()) {
        pending.clear();
        return {QString()};
    }

    VANTOSerComm.setInputLen(InputChunk);
    if (settleWait())
        settleWait()(SettleDelayMs);
    else
        WaitMs(SettleDelayMs);

    const auto taken = takeBuffered(VANTOSerComm);
    if (taken) {
        if (line)
            line->received(*taken);
        pending += *taken;
        if (const auto replies = splitReplies(pending))
            return *replies;
    }

    // Reset the port so the next poll starts clean: its buffers dropped where
    // it can, else closed and reopened, as after a failed read. A failure to
    // reopen is the caller's to handle.
    pending.clear();
    if (taken && VANTOSerComm.dropBuffers())
        return {QStringLiteral("?")};
    VANTOSerComm.setPortOpen(false);
    VANTOSerComm.setPortOpen(true);
    return {QStringLiteral("?")};
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
