#include "PtyController.h"

#include <QDeadlineTimer>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

PtyController::PtyController()
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        close();
        return;
    }
    m_slavePath = QString::fromLocal8Bit(ptsname(m_master));
    // Raw on the line discipline, so bytes pass untouched both ways.
    termios t{};
    if (tcgetattr(m_master, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(m_master, TCSANOW, &t);
    }
}

PtyController::~PtyController()
{
    close();
}

void PtyController::write(const QByteArray &bytes)
{
    if (m_master >= 0 && ::write(m_master, bytes.constData(), size_t(bytes.size())) < 0)
        qWarning("pseudo-terminal write failed");
}

QByteArray PtyController::read(int waitMs)
{
    QByteArray got;
    QDeadlineTimer deadline(waitMs);
    while (m_master >= 0 && !deadline.hasExpired()) {
        pollfd p{m_master, POLLIN, 0};
        if (poll(&p, 1, int(qMax<qint64>(1, deadline.remainingTime()))) <= 0)
            continue;
        char buffer[256];
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0)
            got.append(buffer, n);
        else
            break;
    }
    return got;
}

void PtyController::close()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}
