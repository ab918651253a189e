// Replies decoded per second, for a good reply and for ones that end in "Bad Data".
#include "telemetry/ReplyDecoder.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Case
{
    const char *name;
    QString reply;
    bool logging;
};

// Decodes the reply over and over for about a second, five times, and keeps the
// best run: the figure least disturbed by whatever else the machine is doing.
double repliesPerSecond(const Case &c, qint64 &sink)
{
    ReplyDecoder decoder;
    constexpr int Batch = 2000;
    double best = 0;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer clock;
        clock.start();
        qint64 decoded = 0;
        while (clock.nsecsElapsed() < 1'000'000'000) {
            for (int i = 0; i < Batch; ++i) {
                const DecodedReply r = decoder.ParseString(c.reply, c.logging);
                sink += r.lblCommStatData.size() + r.strLogLine.size();
            }
            decoded += Batch;
        }
        best = std::max(best, decoded / (clock.nsecsElapsed() / 1e9));
    }
    return best;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);

    const std::vector<Case> cases{
        {"worked example", QStringLiteral("300,290,1,10,3840,3277,u,*"), false},
        {"worked example, logging on", QStringLiteral("300,290,1,10,3840,3277,u,*"), true},
        {"Bad Data in the first field", QStringLiteral("3x0,290,1,10,3840,3277,u,*"), false},
        {"Bad Data in the sixth field", QStringLiteral("300,290,1,10,3840,32x7,u,*"), false},
    };

    qint64 sink = 0;
    std::printf("%-32s %16s %12s\n", "reply", "replies/s", "us/reply");
    for (const Case &c : cases) {
        const double rate = repliesPerSecond(c, sink);
        std::printf("%-32s %16.0f %12.3f\n", c.name, rate, 1e6 / rate);
    }
    // Printed so the work above can't be optimised away.
    std::printf("(checksum %lld)\n", static_cast<long long>(sink));
    return 0;
}
