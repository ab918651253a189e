#include "logging/AppendLine.h"

#include <QDir>
#include <QFile>

LogWriteError::LogWriteError(const QString &path, const QString &reason)
    : std::runtime_error(QStringLiteral("%1: %2").arg(path, reason).toStdString())
    , m_path(path)
    , m_reason(reason)
{ }

namespace Comunication {

void AppendLine(const QString &path, const QByteArray &line)
{
    const QString shownPath = QDir::toNativeSeparators(path);
    const QByteArray bytes = line + "\r\n";

    // Unbuffered, so a failing write shows here and not at close.
    QFile file(path);
    if (!file.open(QIODevice::Append | QIODevice::Unbuffered))
        throw LogWriteError(shownPath, file.errorString());

    const qint64 sizeBefore = file.size();
    const qint64 written = file.write(bytes);
    if (written != bytes.size()) {
        const QString reason
            = written < 0 || file.error() != QFileDevice::NoError
                  ? file.errorString()
                  : QStringLiteral("only %1 of %2 bytes could be written (disk full?)").arg(written).arg(bytes.size());
        // Keep the file to whole lines: cut off what part of the line got in.
        if (file.size() != sizeBefore && !file.resize(sizeBefore)) {
            const QString cutError = file.errorString();
            file.close();
            throw LogWriteError(shownPath,
                                QStringLiteral("%1; the partial line could not be removed: %2").arg(reason, cutError));
        }
        file.close();
        throw LogWriteError(shownPath, reason);
    }

    file.close();
    if (file.error() != QFileDevice::NoError)
        throw LogWriteError(shownPath, file.errorString());
}

} // namespace Comunication
