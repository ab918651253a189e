#pragma once

#include "review/SessionFile.h"

#include <QByteArray>
#include <QTime>

#include <optional>
#include <vector>

// A recorded session played back as the controller's side of the line: each
// poll is answered with the reply the session had at that moment of its own
// time, or with silence where it had none. The recording's clock starts at
// the first poll and runs speed times as fast as the poller's.
class SessionReplay
{
public:
    // The tool's poll interval: a reply is due within half of it.
    static constexpr qint64 PollMs = 250;

    // From the recorded file at path, from the first reply at or after the
    // time of day from (the first such moment of the recording). None, with
    // why, when the file can't be read or from lies beyond its end.
    static std::optional<SessionReplay> load(const QString &path, double speed, std::optional<QTime> from,
                                             QString *why);
    static std::optional<SessionReplay> fromRecord(const SessionRecord &record, double speed, std::optional<QTime> from,
                                                   QString *why);

    // The reply to a poll elapsedMs after the first poll; empty for silence.
    QByteArray replyAt(qint64 elapsedMs);
    // Every recorded reply has had its moment.
    bool ended() const { return m_next >= m_replies.size(); }
    std::size_t replies() const { return m_replies.size(); }

    // A recorded tick as the controller sent it: kelvin, counts, the pulse
    // texts and the load state, empty fields where it carried nothing.
    static QByteArray telemetryReply(const SessionRecord &record, const TickEntry &tick);

private:
    struct Reply
    {
        qint64 atMs; // the recording's wall clock
        QByteArray bytes;
        bool message; // a controller's text message: never passed over
    };

    std::vector<Reply> m_replies;
    std::size_t m_next = 0;
    double m_speed = 1;
};
