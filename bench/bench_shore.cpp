// The shore feed end to end: the real tool, headless, polls the simulator
// (which stamps each reply with the monotonic clock as it makes it) and
// publishes to a Mosquitto on loopback; a watching main window here takes the
// feed. Prints how old each reply is when the watcher's readouts take it:
// since the deck read it off the wire (the tool's --trace line, as it comes),
// and since the simulator made it (which adds the wait for the deck's next
// poll, the deck's own screen's lag too). Then how soon publishing resumes
// after the broker restarts.
//   bench_shore [SECONDS] [RESTARTS]
#include "MqttBroker.h"

#include "app/frmVANTOPortTestGui.h"
#include "run/PortRun.h"
#include "shore/ShoreWatcher.h"

#include "FakeSerialControl.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHash>

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {
qint64 monotonicMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double percentile(std::vector<qint64> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return double(v[std::min(v.size() - 1, std::size_t(p * double(v.size() - 1) + 0.5))]);
}

void wait(int ms, const std::function<bool()> &done = {})
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired() && !(done && done()))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}
} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(5, atoi(argv[1])) : 60;
    const int restarts = argc > 2 ? std::max(0, atoi(argv[2])) : 5;
    const QString prefix = QStringLiteral("bench/deck/port1");

    MqttBroker broker;
    if (!broker.start()) {
        std::fprintf(stderr, "bench_shore: the broker did not start\n");
        return 1;
    }
    QTemporaryDir home;
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    tool.setProcessEnvironment(env);
    tool.start(QStringLiteral(VANTO_TOOL_BINARY),
               {"--headless", "--trace", "--simulate", "--sim-arg=--stamp-replies", "--sim-arg=--seed=1", "--mqtt",
                broker.url(), "--mqtt-topic", prefix});
    if (!tool.waitForStarted())
        return 1;

    frmVANTOPortTestGui window(std::make_unique<FakeSerialControl>());
    QString error;
    FeedAddress address = *FeedAddress::parse(broker.url(), &error);
    ShoreWatcher watcher(window.run(), address, prefix);
    watcher.start(&error);
    window.watch(prefix);

    // When the deck took each reply, by its stamp.
    QHash<qint64, qint64> deckTook;
    QByteArray traced;
    QObject::connect(&tool, &QProcess::readyReadStandardOutput, [&] {
        const qint64 at = monotonicMs();
        traced += tool.readAllStandardOutput();
        qsizetype nl;
        while ((nl = traced.indexOf('\n')) >= 0) {
            const QByteArray line = traced.left(nl);
            traced.remove(0, nl + 1);
            if (line.startsWith("reply ") || line.startsWith("late  "))
                deckTook.insert(line.mid(6).split('|').value(0).trimmed().split(',').value(7).toLongLong(), at);
        }
    });

    QHash<qint64, qint64> watcherTook;
    std::vector<qint64> ages;
    qint64 lastShown = 0; // monotonic ms of the last reply the watcher took
    bool measuring = false;
    QObject::connect(&window.run(), &PortRun::replied, [&](const Poll &p) {
        const QString reply = p.newest().reading.reply;
        if (reply.size() < 3)
            return;
        lastShown = monotonicMs();
        // The stamp is the last field before the terminator.
        const qint64 stamp = reply.section(QLatin1Char(','), -2, -2).toLongLong();
        if (measuring && stamp > 0) {
            ages.push_back(lastShown - stamp);
            watcherTook.insert(stamp, lastShown);
        }
    });

    wait(15000, [&] { return lastShown > 0; });
    if (!lastShown) {
        std::fprintf(stderr, "bench_shore: nothing reached the watcher\n");
        return 1;
    }
    wait(2000);
    measuring = true;
    wait(seconds * 1000);
    measuring = false;
    // Either may come first: the broker and the pipe of the trace race.
    std::vector<qint64> feedAges;
    for (auto w = watcherTook.cbegin(); w != watcherTook.cend(); ++w)
        if (const auto d = deckTook.constFind(w.key()); d != deckTook.cend())
            feedAges.push_back(std::max<qint64>(0, w.value() - d.value()));
    std::printf("shore feed, %zu replies in %d s reaching the watcher's readouts\n", ages.size(), seconds);
    std::printf("  since the deck read it, ms         median %.0f   p95 %.0f   max %.0f   (%zu; target p95 <= 100)\n",
                percentile(feedAges, 0.5), percentile(feedAges, 0.95), percentile(feedAges, 1.0), feedAges.size());
    std::printf("  since the simulator made it, ms    median %.0f   p95 %.0f   max %.0f\n", percentile(ages, 0.5),
                percentile(ages, 0.95), percentile(ages, 1.0));

    std::vector<qint64> resumed, watched;
    for (int i = 0; i < restarts; ++i) {
        broker.stop();
        wait(2000);
        broker.start();
        QElapsedTimer up;
        up.start();
        const qint64 backAt = monotonicMs();
        MqttReader reader(broker, prefix + QStringLiteral("/telemetry"));
        wait(10000, [&] { return !reader.lines().isEmpty(); });
        if (reader.lines().isEmpty()) {
            std::fprintf(stderr, "bench_shore: publishing did not resume\n");
            return 1;
        }
        resumed.push_back(up.elapsed());
        wait(10000, [&] { return lastShown > backAt; });
        watched.push_back(lastShown - backAt);
    }
    if (restarts > 0) {
        std::printf("broker restarted %d times (down 2 s each), from its return, ms\n", restarts);
        std::printf("  to a reply published again   median %.0f   worst %.0f   (target <= 2000)\n",
                    percentile(resumed, 0.5), percentile(resumed, 1.0));
        std::printf("  to a reply on the watcher     median %.0f   worst %.0f\n", percentile(watched, 0.5),
                    percentile(watched, 1.0));
    }
    tool.terminate();
    tool.waitForFinished(5000);
    return 0;
}
