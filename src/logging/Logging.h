#pragma once

#include "logging/LogWriter.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class LogWriteError;

// The logging switch and the log timer. Logging is started by the log file
// dialog and stopped by a click on the logging lamp, or by a file that can't
// be written: then writeFailed tells once which file and why.
class Logging : public QObject
{
    Q_OBJECT

public:
    // strLogLine is the window's record line, read and finished at each tick;
    // logPath gives the current log file.
    Logging(QString &strLogLine, std::function<QString()> logPath, QObject *parent = nullptr);

    bool isOn() const { return Timer2.isActive(); }
    int intLogCount() const { return m_writer.intLogCount; }

    // The parser composed a record body into strLogLine.
    void recordComposed() { m_writer.recordComposed(); }

    // Clock for the record date and time (tests).
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

    // Switches logging on; already on, it stays on without restarting the
    // 4 s period.
    void start();
    // The lamp's click: stops logging if it is on; it never starts it.
    void CWButton1_Click();
    // The log timer's tick: writes the line that is due, if any.
    void Timer2_Timer();

    QTimer Timer2;

    static inline const QString FailureTitle = QStringLiteral("Logging error");
    // What the operator is told when a line could not be written.
    static QString failureText(const QString &path, const QString &reason);

signals:
    // The logging state for the lamp.
    void loggingChanged(bool on);
    // A line could not be written and logging has stopped. Not raised again
    // while a slot connected to it is still running (a box open over it).
    void writeFailed(const QString &path, const QString &reason);

private:
    void stop();
    void reportFailure(const LogWriteError &error);

    QString &m_strLogLine;
    std::function<QString()> m_logPath;
    std::function<QDateTime()> m_clock;
    LogWriter m_writer;
    bool m_reporting = false;
};
