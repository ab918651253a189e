#include "logging/LogWriter.h"

#include "logging/AppendLine.h"
#include "logging/LogDateTime.h"
#include "logging/LogPaths.h"

#include <QDir>

const QString LogWriter::HeaderLine
    = QStringLiteral("Date     Time         Int Temp Ext Temp   1PPS   Freq     400 VDC    48 VDC      Status");
const QString LogWriter::RecordSeparator = QStringLiteral(",      ");

bool LogWriter::tick(QString &strLogLine, const QString &path, const QDateTime &now)
{
    if (intLogCount == 0) {
        // A body waiting now is dropped: the header takes this tick.
        strLogLine = HeaderLine;
    } else {
        if (!m_bodyWaiting || strLogLine.isEmpty())
            return false;
        strLogLine = LogDateTime::dateText(now.date()) + u' ' + LogDateTime::timeText(now.time()) + RecordSeparator
                     + strLogLine;
    }
    // Whatever happens below, the body is used up.
    m_bodyWaiting = false;

    QString reason;
    if (!LogPaths::makeLogDirectory(&reason))
        throw LogWriteError(QDir::toNativeSeparators(path), reason);
    // The file is in the system's own 8-bit encoding.
    Comunication::AppendLine(path, strLogLine.toLocal8Bit());

    intLogCount = (intLogCount + 1) % 20;
    return true;
}
