// Feeds an arbitrary byte stream to the reply reader through the fake serial
// control, arriving in pieces between polls as a real line delivers it, and
// decodes every reply that comes out as the poll tick does.
#include "FakeSerialControl.h"

#include "link/Comunication.h"
#include "telemetry/ReplyDecoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void finding(const char *what, const QString &reply)
{
    std::fprintf(stderr, "fuzz_readreply: %s\n  reply: %s\n", what, qPrintable(reply.left(200)));
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool noSettleWait = [] {
        Comunication::setSettleWait([](float) {});
        return true;
    }();
    (void)noSettleWait;
    if (size == 0)
        return 0;

    // The first byte sets how much of the stream arrives before each poll.
    const qsizetype piece = 1 + data[0] % 64;
    const QByteArray stream = QByteArray::fromRawData(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    FakeSerialControl port;
    port.setPortOpen(true);
    ReplyDecoder decoder;
    QByteArray pending;
    qsizetype arrived = 0;
    // Where in the stream the waiting half reply starts. Checked piece by
    // piece against the stream, never by copying what is buffered: a copy at
    // every poll of a long input is work for nothing.
    qsizetype cursor = 0;
    // Every poll takes what is buffered (up to its bound) or empties it, so
    // the stream is used up within this many polls.
    const qsizetype polls = stream.size() / piece + 2 * (stream.size() / Comunication::MaxReadBytes) + 3;
    for (qsizetype poll = 0; poll < polls && (arrived < stream.size() || !port.rx.isEmpty()); ++poll) {
        const qsizetype n = std::min(piece, stream.size() - arrived);
        port.rx += stream.mid(arrived, n);
        arrived += n;

        const QStringList replies = Comunication::ReadReplies(port, pending);
        if (!port.PortOpen())
            finding("the port was left closed", {});
        if (replies.isEmpty())
            finding("a read gave no result", {});
        if (replies == QStringList{QStringLiteral("?")}) {
            if (!pending.isEmpty())
                finding("a failed read kept half a reply", {});
            cursor = arrived - port.rx.size(); // what it read is dropped
            continue;
        }
        for (const QString &reply : replies) {
            if (!reply.endsWith(QLatin1Char('*')) || reply.count(QLatin1Char('*')) != 1)
                finding("a reply is not framed by exactly one terminator at its end", reply);
            if (reply.size() > Comunication::MaxReplyLength)
                finding("a reply is longer than the longest accepted", reply);
            if (reply.toLatin1() != QByteArrayView(stream).sliced(cursor, reply.size()))
                finding("a reply is not the input as it came", reply);
            cursor += reply.size();
            decoder.ParseString(reply, true);
        }
        if (cursor + pending.size() + port.rx.size() != arrived
            || pending != QByteArrayView(stream).sliced(cursor, pending.size()))
            finding("what waits for the next poll is not the rest of the input", replies.constLast());
    }
    if (arrived != stream.size() || !port.rx.isEmpty())
        finding("the stream was not used up", QString());
    return 0;
}
