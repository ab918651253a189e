#include "model/SessionReplay.h"

#include "telemetry/NumberText.h"
#include "telemetry/Units.h"

#include <QDateTime>

#include <algorithm>

QByteArray SessionReplay::telemetryReply(const SessionRecord &record, const TickEntry &tick)
{
    const auto number = [&](Reading r, double value) {
        return tick.carries(r) ? numberText(value, QLocale::c()).toLatin1() : QByteArray();
    };
    // Replies are read as Latin-1: that gives back the bytes that came.
    const auto text
        = [&](Reading r, quint32 id) { return tick.carries(r) ? record.text(id).toLatin1() : QByteArray(); };
    QByteArray reply;
    for (const QByteArray &field :
         {number(Reading::LoadCanTemp, Units::kelvin(tick.loadCanTempC)),
          number(Reading::ControlCanTemp, Units::kelvin(tick.controlCanTempC)),
          text(Reading::PulseFrequency, tick.pulseFrequency), text(Reading::PulseWidth, tick.pulseWidth),
          number(Reading::Supply400, tick.count400), number(Reading::Supply48, tick.count48),
          tick.carries(Reading::LoadState) ? QByteArray(1, tick.loadState) : QByteArray(), QByteArray("0")}) {
        reply += field;
        reply += ',';
    }
    reply += '*';
    return reply;
}

std::optional<SessionReplay> SessionReplay::load(const QString &path, double speed, std::optional<QTime> from,
                                                 QString *why)
{
    SessionFile::Problem problem;
    const auto file = SessionFile::read(path, &problem);
    if (!file) {
        *why = problem.text();
        return std::nullopt;
    }
    return fromRecord(*file->record, speed, from, why);
}

std::optional<SessionReplay> SessionReplay::fromRecord(const SessionRecord &record, double speed,
                                                       std::optional<QTime> from, QString *why)
{
    SessionReplay replay;
    replay.m_speed = speed;
    // The ticks and the controller's messages, in the order they came.
    for (const TickEntry &tick : record.ticks())
        if (tick.outcome == TickOutcome::Telemetry && !tick.overtaken)
            replay.m_replies.push_back({tick.at.wallMs, telemetryReply(record, tick), false});
    for (const EventEntry &event : record.events()) {
        if (event.kind != EventKind::ControllerMessage)
            continue;
        QByteArray message = event.text.toLatin1();
        if (!message.endsWith('*'))
            message += '*';
        replay.m_replies.push_back({event.at.wallMs, message, true});
    }
    std::stable_sort(replay.m_replies.begin(), replay.m_replies.end(),
                     [](const Reply &a, const Reply &b) { return a.atMs < b.atMs; });
    if (replay.m_replies.empty()) {
        *why = QStringLiteral("the recording holds no replies");
        return std::nullopt;
    }
    if (from) {
        const QDateTime first = QDateTime::fromMSecsSinceEpoch(replay.m_replies.front().atMs);
        QDateTime start(first.date(), *from);
        if (start < first.addMSecs(-first.time().msecsSinceStartOfDay() % 1000))
            start = start.addDays(1); // the time comes round after midnight
        const auto at = std::lower_bound(replay.m_replies.begin(), replay.m_replies.end(), start.toMSecsSinceEpoch(),
                                         [](const Reply &r, qint64 ms) { return r.atMs < ms; });
        if (at == replay.m_replies.end()) {
            *why = QStringLiteral("the recording ends at %1, before %2")
                       .arg(QDateTime::fromMSecsSinceEpoch(replay.m_replies.back().atMs).toString(u"HH:mm:ss"),
                            from->toString(u"HH:mm:ss"));
            return std::nullopt;
        }
        replay.m_replies.erase(replay.m_replies.begin(), at);
    }
    return replay;
}

QByteArray SessionReplay::replyAt(qint64 elapsedMs)
{
    if (ended())
        return {};
    const qint64 now = m_replies.front().atMs + qint64(double(elapsedMs) * m_speed);
    const qint64 lead = qint64(double(PollMs / 2) * m_speed);
    // Fallen a whole reply behind (a faster clock, a late poll): on to the
    // last one whose moment has come, but never past a controller message.
    while (m_next + 1 < m_replies.size() && m_replies[m_next + 1].atMs <= now && !m_replies[m_next].message)
        ++m_next;
    const Reply &due = m_replies[m_next];
    // Not yet due by the middle of the poll's interval, or one that an
    // unanswered stretch of the recording left behind: silence.
    if (due.atMs > now + lead)
        return {};
    ++m_next;
    if (due.atMs < now - lead && !due.message)
        return {};
    return due.bytes;
}
