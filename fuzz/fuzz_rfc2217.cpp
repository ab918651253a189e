// Feeds an arbitrary byte stream, as a telnet server might send it, to the
// RFC 2217 client session: once whole and once cut in two where the first byte
// says. Whatever the server sends, the serial data and the answers must not
// depend on how the network cut the stream, the data can't outgrow the input,
// the answers stay bounded, and every byte survives escaping.
#include "link/Rfc2217Session.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void finding(const char *what)
{
    std::fprintf(stderr, "fuzz_rfc2217: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray stream(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    const qsizetype cut = qsizetype(data[0]) * stream.size() / 255;

    Rfc2217Session whole;
    const QByteArray offers = whole.start();
    const QByteArray wholeData = whole.receive(stream);
    const QByteArray wholeOut = whole.takeOutgoing();

    Rfc2217Session split;
    split.start();
    QByteArray splitData = split.receive(stream.left(cut));
    QByteArray splitOut = split.takeOutgoing();
    splitData += split.receive(stream.mid(cut));
    splitOut += split.takeOutgoing();

    if (wholeData != splitData || wholeOut != splitOut)
        finding("a cut in the stream changed what came out");
    if (whole.lineConfirmed() != split.lineConfirmed() || whole.comPortRefused() != split.comPortRefused())
        finding("a cut in the stream changed the session's state");
    if (wholeData.size() > stream.size())
        finding("more data out than bytes in");
    // Each three-byte negotiation earns at most one three-byte answer, and the
    // line settings (38 bytes) go out each time the server takes the option.
    if (wholeOut.size() > (stream.size() / 3 + 1) * 41)
        finding("answers out of all proportion to the input");

    Rfc2217Session fresh;
    if (fresh.receive(Rfc2217Session::escape(stream)) != stream || !fresh.takeOutgoing().isEmpty())
        finding("escaped data didn't come back as it was");
    (void)offers;
    return 0;
}
