#pragma once

#include <QByteArray>
#include <QString>

#include <stdexcept>

// A log line that could not be written. It names the file and says why in
// words an operator can act on.
class LogWriteError : public std::runtime_error
{
public:
    LogWriteError(const QString &path, const QString &reason);

    QString path() const { return m_path; }
    QString reason() const { return m_reason; }

private:
    QString m_path;
    QString m_reason;
};

namespace Comunication {

// Appends one line and CR LF to the file at path, creating the file if
// needed; the file is closed again before returning. Either the whole line
// lands in the file or none of it does: a short write is cut back off.
// Throws LogWriteError on any failure.
void AppendLine(const QString &path, const QByteArray &line);

} // namespace Comunication
