#include "logging/Logging.h"

#include "logging/AppendLine.h"

Logging::Logging(QObject *parent)
    : QObject(parent)
    , m_clock([] { return QDateTime::currentDateTime(); })
{
    Timer2.setInterval(4000);
    connect(&Timer2, &QTimer::timeout, this, &Logging::Timer2_Timer);
}

void Logging::start(const QString &path)
{
    m_path = path;
    if (!Timer2.isActive())
        Timer2.start();
    emit loggingChanged(true);
}

void Logging::CWButton1_Click()
{
    if (isOn())
        stop();
    else
        emit loggingChanged(false); // the lamp shows off whatever it was told
}

void Logging::stop()
{
    emit loggingChanged(false);
    Timer2.stop();
}

void Logging::Timer2_Timer()
{
    try {
        m_writer.tick(strLogLine, m_path, m_clock());
    } catch (const LogWriteError &error) {
        reportFailure(error);
    }
}

QString Logging::failureText(const QString &path, const QString &reason)
{
    return QStringLiteral("The log file %1 could not be written: %2.\n\nLogging has been "
                          "switched off; choose File > Logging to start it again.")
        .arg(path, reason);
}

void Logging::reportFailure(const LogWriteError &error)
{
    // The line is lost either way; stop before telling, so no tick runs into
    // the same wall while the operator reads about it.
    stop();
    // Logging may be switched on again while that is shown; a failure then
    // switches it off again without telling twice.
    if (m_reporting)
        return;
    m_reporting = true;
    emit writeFailed(error.path(), error.reason());
    m_reporting = false;
}
