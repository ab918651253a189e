#pragma once

#include <QDateTime>
#include <QString>

// Decides what each log tick writes: the column header on every twentieth
// line written (the first included), otherwise the waiting record body with
// the date and time in front; nothing when no body has been composed since
// the last line was written.
class LogWriter
{
public:
    static const QString HeaderLine;      // 87 characters
    static const QString RecordSeparator; // between time and body

    // Lines written, modulo 20; 0 means the next line is the header.
    int intLogCount = 0;

    // The parser composed a record body into strLogLine.
    void recordComposed() { m_bodyWaiting = true; }

    // One log tick. strLogLine becomes the finished line in place and is
    // appended to path; returns whether a line was written. The counter only
    // moves when the line is in the file: a LogWriteError leaves it as it was
    // (the line itself is lost).
    bool tick(QString &strLogLine, const QString &path, const QDateTime &now);

private:
    bool m_bodyWaiting = false;
};
