#pragma once

#include "session/SessionRecord.h"

#include <QByteArray>
#include <QFile>

#include <functional>

// The session as CSV (RFC 4180, LF line ends, one header row): a row for each
// good telemetry reply and one for each event. Times are ISO 8601 local time
// with milliseconds and the UTC offset; numbers have "." and Latin digits in
// every locale. Writes the whole session to a file, or follows it, appending
// each row as it is recorded.
class CsvWriter : private SessionListener
{
public:
    static const QByteArray Header;

    explicit CsvWriter(SessionRecord &record);
    ~CsvWriter();

    // A tick's row, empty for a tick without a good reply: the values that
    // reply carried, volts to 3 decimals, the 1PPS fields as received.
    QByteArray row(const TickEntry &tick) const;
    // An event's row: its time and its text (a controller message as it came).
    static QByteArray row(const EventEntry &event);

    // Writes the session so far to path, the file replaced only once all of
    // it is written. On failure returns false and sets reason to why.
    bool save(const QString &path, QString *reason) const;

    // Appends to path every good reply and every event recorded from now on,
    // after a header when the file is new or empty. A row is one write, and
    // one that didn't go in whole is cut off again. At the first failure
    // (also in opening) it stops writing and calls failed once, with why.
    void follow(const QString &path, std::function<void(const QString &reason)> failed);
    bool following() const { return m_file.isOpen(); }

private:
    void tickRecorded(const TickEntry &tick) override;
    void eventRecorded(const EventEntry &event) override;
    void append(const QByteArray &row);
    void stop(const QString &reason);

    SessionRecord &m_record;
    QFile m_file;
    qint64 m_size = 0; // what the file held after the last whole row
    std::function<void(const QString &reason)> m_failed;
};
