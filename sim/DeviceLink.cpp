#include "DeviceLink.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace DeviceLink {

static QString readLink(const QByteArray &path)
{
    char buffer[4096];
    const ssize_t n = ::readlink(path.constData(), buffer, sizeof buffer - 1);
    return n < 0 ? QString() : QFile::decodeName(QByteArray(buffer, n));
}

bool pointAt(const QString &link, const QString &target, QString *error)
{
    const QByteArray linkName = QFile::encodeName(link);
    struct stat st
    { };
    if (::lstat(linkName.constData(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        *error = QStringLiteral("%1 exists and is not a symbolic link; not replacing it").arg(link);
        return false;
    }
    // Built aside and renamed over the old link, so the path never dangles
    // half-made while the tool may be opening it.
    const QByteArray temporary = linkName + ".tmp" + QByteArray::number(::getpid());
    ::unlink(temporary.constData());
    if (::symlink(QFile::encodeName(target).constData(), temporary.constData()) != 0
        || ::rename(temporary.constData(), linkName.constData()) != 0) {
        *error = QStringLiteral("cannot make link %1: %2").arg(link, QString::fromLocal8Bit(std::strerror(errno)));
        ::unlink(temporary.constData());
        return false;
    }
    return true;
}

void remove(const QString &link, const QString &target)
{
    const QByteArray linkName = QFile::encodeName(link);
    if (!target.isEmpty() && readLink(linkName) == target)
        ::unlink(linkName.constData());
}

} // namespace DeviceLink
