// Feeds an arbitrary byte stream to the reply reader through the fake serial
// control, arriving in pieces between polls as a real line delivers it, and
// decodes what comes out as the poll tick does.
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
    qsizetype arrived = 0;
    // Every poll either takes a reply off the buffer or empties it, so the
    // stream is used up within this many polls.
    const qsizetype polls = stream.size() / piece + stream.size() + 2;
    for (qsizetype poll = 0; poll < polls && (arrived < stream.size() || !port.rx.isEmpty()); ++poll) {
        const qsizetype n = std::min(piece, stream.size() - arrived);
        port.rx += stream.mid(arrived, n);
        arrived += n;

        const QByteArray before = port.rx;
        const QString reply = Comunication::ReadReply(port);
        if (!port.PortOpen())
            finding("the port was left closed", reply);
        if (reply == QLatin1String("?")) {
            if (!port.rx.isEmpty())
                finding("a failed read left input behind", reply);
        } else {
            if (!reply.endsWith(QLatin1Char('*')) || reply.count(QLatin1Char('*')) != 1)
                finding("a reply is not framed by exactly one terminator at its end", reply);
            if (reply.size() > Comunication::MaxReplyLength)
                finding("a reply is longer than the longest accepted", reply);
            if (reply.toLatin1() + port.rx != before)
                finding("the reply and what stays buffered are not the input as it came", reply);
        }
        decoder.ParseString(reply, true);
    }
    if (arrived != stream.size() || !port.rx.isEmpty())
        finding("the stream was not used up", QString());
    return 0;
}
