#include "ControlChannel.h"

#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

ControlChannel::ControlChannel(QObject *parent)
    : QObject(parent)
{ }

ControlChannel::~ControlChannel()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        ::unlink(QFile::encodeName(m_path).constData());
    }
}

bool ControlChannel::open(const QString &path, QString *error)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st
    { };
    if (::lstat(name.constData(), &st) == 0) {
        if (!S_ISFIFO(st.st_mode)) {
            *error = QStringLiteral("%1 exists and is not a named pipe").arg(path);
            return false;
        }
    } else if (::mkfifo(name.constData(), 0600) != 0) {
        *error = QStringLiteral("can't make the named pipe %1: %2")
                     .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    // Read and write: our own writer keeps the pipe from reading end-of-file
    // each time a writer closes.
    m_fd = ::open(name.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        *error = QStringLiteral("can't open %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    m_path = path;
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ControlChannel::readAvailable);
    return true;
}

void ControlChannel::readAvailable()
{
    char buffer[512];
    ssize_t n = 0;
    while ((n = ::read(m_fd, buffer, sizeof buffer)) > 0)
        m_pending.append(buffer, qsizetype(n));
    for (qsizetype end = m_pending.indexOf('\n'); end >= 0; end = m_pending.indexOf('\n')) {
        const QString text = QString::fromUtf8(m_pending.left(end));
        m_pending.remove(0, end + 1);
        emit line(text);
    }
    // A line never ended is not allowed to grow without bound.
    if (m_pending.size() > 4096)
        m_pending.clear();
}
