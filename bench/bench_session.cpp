// What keeping the session costs: the time to record one poll tick (decoding
// its reply into what the record keeps, then adding it), and the memory of an
// 8-hour shift of ticks (115,200 at 4 Hz) with an event every few minutes.
//   bench_session [TICKS]     (default 115200)
#include "session/SessionRecord.h"
#include "telemetry/ReplyDecoder.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;

// Heap bytes in use: what the record holds, to the byte, whatever the
// allocator keeps in reserve.
double heapMB()
{
    return double(mallinfo2().uordblks) / (1024.0 * 1024.0);
}

// A controller whose readings drift as a real one's do, with the odd silent
// poll and text message.
QString reply(int i)
{
    if (i % 997 == 0)
        return {};
    if (i % 4001 == 0)
        return QStringLiteral("Controller temperature check*");
    const double t = i / 4.0;
    return QStringLiteral("%1,%2,1,%3,%4,%5,%6,0,*")
        .arg(300.0 + 2 * std::sin(t / 600), 0, 'f', 2)
        .arg(290.0 + std::sin(t / 900), 0, 'f', 2)
        .arg(10 + i % 3)
        .arg(3840 + int(20 * std::sin(t / 60)))
        .arg(3277 + int(10 * std::cos(t / 45)))
        .arg((i / 2400) % 2 ? QLatin1Char('l') : QLatin1Char('u'));
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int ticks = argc > 1 ? std::atoi(argv[1]) : 115200;

    qint64 now = 0;
    ReplyDecoder decoder;
    const double before = heapMB();
    auto record = std::make_unique<SessionRecord>([&now] { return Stamp{now, 1796640000000 + now}; });
    record->recordLoadCommand('u');

    std::vector<double> micros;
    micros.reserve(size_t(ticks));
    std::vector<QString> replies;
    for (int i = 0; i < 1000; ++i)
        replies.push_back(reply(i));
    for (int i = 0; i < ticks; ++i) {
        const QString r = i < 1000 ? replies[size_t(i)] : reply(i);
        const std::vector<Telemetry> decoded{decoder.decode(r)};
        const auto start = Clock::now();
        record->recordPoll(decoded, 'u');
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        if (i % 1200 == 600) // every five minutes, an operator's command
            record->recordEvent(EventKind::PpsCommanded, QStringLiteral("1PPS sense commanded on"));
        now += 250;
    }
    const double after = heapMB();

    std::sort(micros.begin(), micros.end());
    const auto at = [&](double q) { return micros[std::min(micros.size() - 1, size_t(q * micros.size()))]; };
    std::printf("session record, %d ticks (%.1f h at 4 Hz), %zu events\n", ticks, ticks / 4.0 / 3600,
                record->events().size());
    std::printf("  recording a tick, us    median %.2f   p99 %.2f   max %.2f\n", at(0.5), at(0.99), micros.back());
    std::printf("  memory of the record    %.2f MB (%.0f bytes a tick)\n", after - before,
                (after - before) * 1024 * 1024 / ticks);
    return 0;
}
