#include "app/EndOnSignal.h"

#include <QCoreApplication>

#ifdef Q_OS_UNIX
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int s_signalPipe[2] = {-1, -1};

extern "C" void forwardSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(s_signalPipe[0], &byte, 1);
}
} // namespace

void endOnSignal(bool &terminated, std::function<void()> end)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, s_signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(s_signalPipe[1], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [&terminated, end = std::move(end)] {
        char bytes[16];
        while (::read(s_signalPipe[1], bytes, sizeof bytes) > 0) {
        }
        terminated = true;
        end();
        QCoreApplication::quit();
    });
    struct sigaction action
    { };
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : {SIGTERM, SIGINT, SIGHUP})
        sigaction(number, &action, nullptr);
}
#else
void endOnSignal(bool &, std::function<void()>) { }
#endif
