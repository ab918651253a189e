// A recorded 8-hour shift opened for review. "write FILE" makes the CSV file
// of one: 115,200 polls of the simulator's controller model on a clock that
// moves 250 ms a poll (supplies switched every 20 min, 20 s of silence every
// 30 min, a controller message every 2 min, a line noise event after each
// silence). "open FILE [PNG]" opens it as File > Open Session does, offscreen,
// and prints the time to the first full drawing and the resident memory with
// the window open; PNG saves the window as it is then.
//   bench_review write FILE
//   bench_review open FILE [PNG [SAVED]]     (SAVED: the charts as Save Image writes them)
#include "ProcessFigures.h"
#include "model/ControllerModel.h"
#include "session/CsvWriter.h"
#include "telemetry/ReplyDecoder.h"
#include "trends/frmTrends.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QStyleFactory>

#include <cstdio>
#include <cstring>

namespace {

constexpr int ShiftPolls = 8 * 3600 * 4;
constexpr int PollMs = 250;
constexpr int Minute = 60 * 1000 / PollMs; // polls

int write(const QString &path)
{
    qint64 mono = 0;
    // Yesterday's day shift, 06:00 to 14:00.
    const qint64 wallStart = QDateTime(QDate::currentDate().addDays(-1), QTime(6, 0)).toMSecsSinceEpoch();
    SessionRecord record([&] { return Stamp{mono, wallStart + mono}; });
    ControllerModel controller(1);
    controller.setSuppliesLive(true);
    ReplyDecoder decoder;
    record.recordEvent(EventKind::SessionStarted,
                       QStringLiteral("Session started: vanto-port-test (bench), port 1, /dev/ttyUSB0"));
    record.recordLoadCommand('u');
    for (int i = 0; i < ShiftPolls; ++i, mono += PollMs) {
        if (i % (20 * Minute) == 0 && i > 0)
            controller.setSuppliesLive(!controller.suppliesLive());
        const bool silent = i % (30 * Minute) >= 15 * Minute && i % (30 * Minute) < 15 * Minute + 80;
        controller.applyCommand('u');
        QString reply = QString::fromLatin1(controller.nextReply());
        if (i % (2 * Minute) == Minute)
            reply = QStringLiteral("Controller reset*");
        // A silent poll reads nothing: "?", as the reply reader gives it.
        record.recordPoll({decoder.decode(silent ? QStringLiteral("?") : reply)}, 'u');
    }
    QString why;
    if (!CsvWriter(record).save(path, &why)) {
        std::fprintf(stderr, "bench_review: %s\n", qPrintable(why));
        return 1;
    }
    std::printf("bench_review: wrote %s: %zu ticks, %zu events, %.1f MB\n", qPrintable(path), record.ticks().size(),
                record.events().size(), QFile(path).size() / 1e6);
    return 0;
}

int open(const QString &path, const char *png, const char *saved)
{
    const double beforeMb = residentMb();
    QElapsedTimer timer;
    timer.start();
    SessionFile::Problem problem;
    frmTrends *review = frmTrends::review(path, &problem);
    if (!review) {
        std::fprintf(stderr, "bench_review: %s\n", qPrintable(problem.text()));
        return 1;
    }
    const double readMs = timer.nsecsElapsed() / 1e6;
    review->Show();
    QApplication::processEvents();
    review->replotNow();
    review->repaint();
    const double drawnMs = timer.nsecsElapsed() / 1e6;
    std::printf("bench_review: %s read in %.0f ms, first full drawing after %.0f ms\n", qPrintable(path), readMs,
                drawnMs);
    std::printf("bench_review: resident memory %.1f MB with it open (%.1f MB before)\n", residentMb(), beforeMb);
    if (png && !review->grab().save(QString::fromLocal8Bit(png))) {
        std::fprintf(stderr, "bench_review: %s not saved\n", png);
        return 1;
    }
    if (saved && !review->saveImage(QString::fromLocal8Bit(saved)))
        return 1;
    delete review;
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    if (argc >= 3 && std::strcmp(argv[1], "write") == 0)
        return write(QString::fromLocal8Bit(argv[2]));
    if (argc >= 3 && std::strcmp(argv[1], "open") == 0)
        return open(QString::fromLocal8Bit(argv[2]), argc > 3 ? argv[3] : nullptr, argc > 4 ? argv[4] : nullptr);
    std::fprintf(stderr, "usage: bench_review write FILE | open FILE [PNG]\n");
    return 2;
}
