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
    explicit Logging(QObject *parent = nullptr);

    bool isOn() const { return Timer2.isActive(); }
    int intLogCount() const { return m_writer.intLogCount; }
    // The log file; empty until logging was first started. Kept when logging stops.
    const QString &path() const { return m_path; }

    // What a parse left for the log: a record body, or nothing ("No Data", a
    // text message, a reply that didn't carry every value).
    void setRecord(const QString &body)
    {
        strLogLine = body;
        if (!body.isEmpty())
            m_writer.recordComposed();
    }

    // Clock for the record date and time (tests).
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

    // Switches logging on to the file at path; already on, it stays on
    // without restarting the 4 s period and the next line goes to the new file.
    void start(const QString &path);
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

    QString strLogLine; // the waiting record body, finished in place at a tick
    QString m_path;
    std::function<QDateTime()> m_clock;
    LogWriter m_writer;
    bool m_reporting = false;
};
