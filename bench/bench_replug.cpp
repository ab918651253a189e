// How soon polling resumes when a USB adapter is plugged back in: the real
// tool polls a controller played here on a pseudo-terminal, reached through a
// link as an adapter's device name is; the device goes away (the link with it)
// and comes back, 20 times. For each return: the time to the tool's first
// letter on the new device, and to the first good reply on its screen (its
// --trace line for that reply).
//   bench_replug [CYCLES] [TOOL]     (default 20, the tool built beside it)
#include "PtyController.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {
QByteArray reply(int cycle)
{
    return QStringLiteral("%1,290,1,10,0,0,u,*").arg(300 + cycle % 50).toLatin1();
}

void report(const char *what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    const auto at = [&](double q) { return ms[std::min(ms.size() - 1, size_t(q * ms.size()))]; };
    std::printf("  %-36s median %6.0f ms   p95 %6.0f ms   max %6.0f ms\n", what, at(0.5), at(0.95), ms.back());
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int cycles = argc > 1 ? std::atoi(argv[1]) : 20;
    const QString program = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral(VANTO_TOOL_BINARY);
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("ttyUSB0"));

    auto device = std::make_unique<PtyController>();
    QFile::link(device->slavePath(), link);
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("HOME"), dir.path());
    tool.setProcessEnvironment(env);
    tool.start(program, {QStringLiteral("--trace"), QStringLiteral("--port"), QStringLiteral("1=") + link});
    if (!tool.waitForStarted(5000)) {
        std::fprintf(stderr, "bench_replug: can't start %s\n", qPrintable(program));
        return 1;
    }

    std::vector<double> toLetter, toScreen;
    QByteArray seen;
    for (int cycle = 0; cycle <= cycles; ++cycle) {
        // Plugged in: answer until the tool shows this cycle's reply.
        QElapsedTimer since;
        since.start();
        double letterAt = -1, screenAt = -1;
        const QByteArray expected = "reply " + reply(cycle) + " |";
        while (screenAt < 0 && since.elapsed() < 10000) {
            if (!device->read(2).isEmpty()) {
                if (letterAt < 0)
                    letterAt = double(since.nsecsElapsed()) / 1e6;
                device->write(reply(cycle));
            }
            tool.waitForReadyRead(0);
            seen += tool.readAllStandardOutput();
            if (seen.contains(expected))
                screenAt = double(since.nsecsElapsed()) / 1e6;
        }
        seen.clear();
        if (screenAt < 0) {
            std::fprintf(stderr, "bench_replug: no good reply on screen in cycle %d\n", cycle);
            return 1;
        }
        // The first cycle is the start-up, not a return.
        if (cycle > 0) {
            toLetter.push_back(letterAt);
            toScreen.push_back(screenAt);
        }
        if (cycle == cycles)
            break;
        // Pulled out: the device and its name go; a second later (and a part of
        // a poll, so returns fall all over the poll's period) it is back.
        device.reset();
        QFile::remove(link);
        const QElapsedTimer away = [] {
            QElapsedTimer t;
            t.start();
            return t;
        }();
        const qint64 awayMs = 1000 + QRandomGenerator::global()->bounded(250);
        while (away.elapsed() < awayMs) {
            tool.waitForReadyRead(50);
            tool.readAllStandardOutput();
        }
        device = std::make_unique<PtyController>();
        QFile::link(device->slavePath(), link);
    }
    tool.terminate();
    tool.waitForFinished(3000);

    std::printf("replug: %d returns of the device after 1 to 1.25 s away (real tool, offscreen, polling at 4 Hz)\n",
                cycles);
    report("device back to the first letter", toLetter);
    report("device back to the first good reply", toScreen);
    return 0;
}
