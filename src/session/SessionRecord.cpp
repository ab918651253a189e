#include "session/SessionRecord.h"

#include "telemetry/NumberText.h"
#include "telemetry/Units.h"

#include <QDateTime>
#include <QElapsedTimer>

#include <algorithm>

using Units::loadWord;

namespace {

// What the record keeps of a reply: the readings it carried itself.
TickEntry tickOf(const Telemetry &reply)
{
    TickEntry tick;
    tick.outcome = reply.outcome;
    tick.fresh = reply.carried;
    if (reply.carries(Reading::LoadCanTemp))
        tick.loadCanTempC = reply.loadCanTempC;
    if (reply.carries(Reading::ControlCanTemp))
        tick.controlCanTempC = reply.controlCanTempC;
    if (reply.carries(Reading::Supply400))
        tick.count400 = reply.count400;
    if (reply.carries(Reading::Supply48))
        tick.count48 = reply.count48;
    if (reply.carries(Reading::LoadState))
        tick.loadState = reply.loadState();
    return tick;
}

} // namespace

SessionRecord::SessionRecord(Clock clock)
    : m_clock(std::move(clock))
{
    if (!m_clock) {
        m_clock = [] {
            static QElapsedTimer since;
            if (!since.isValid())
                since.start();
            return Stamp{since.elapsed(), QDateTime::currentMSecsSinceEpoch()};
        };
    }
}

void SessionRecord::recordPoll(const std::vector<Telemetry> &replies, char sent, quint8 strays)
{
    if (replies.empty()) {
        recordPoll({Telemetry()}, sent, strays); // a poll that read nothing
        return;
    }
    for (std::size_t i = 0; i < replies.size(); ++i) {
        const Telemetry &reply = replies[i];
        TickEntry tick = tickOf(reply);
        if (i + 1 < replies.size()) {
            tick.overtaken = true;
        } else {
            tick.sent = sent;
            tick.readFailed = reply.reply == QLatin1String("?");
            tick.strays = strays;
        }
        if (tick.carries(Reading::PulseFrequency))
            tick.pulseFrequency = pooled(reply.pulseFrequency, reply.pulseFrequencyHz);
        if (tick.carries(Reading::PulseWidth))
            tick.pulseWidth = pooled(reply.pulseWidth, reply.pulseWidthUs);
        add(tick, reply.outcome == ReplyOutcome::TextMessage ? reply.reply : QString());
    }
}

void SessionRecord::recordTick(TickEntry tick, const QString &pulseFrequency, const QString &pulseWidth,
                               const QString &message)
{
    // A text already pooled needs no reading as a number again.
    const auto pooledText = [this](const QString &text) {
        const auto it = m_textIds.constFind(text);
        return it != m_textIds.constEnd() ? *it : pooled(text, wireNumber(text));
    };
    if (tick.carries(Reading::PulseFrequency))
        tick.pulseFrequency = pooledText(pulseFrequency);
    if (tick.carries(Reading::PulseWidth))
        tick.pulseWidth = pooledText(pulseWidth);
    add(tick, message);
}

void SessionRecord::add(TickEntry tick, const QString &message)
{
    tick.at = now();
    dropOld(tick.at.monoMs);
    m_ticks.push_back(tick);

    if (!tick.overtaken) {
        const bool answered = tick.outcome != TickOutcome::NoData;
        m_recentPolls.push_back({tick.at.monoMs, answered});
        m_recentReplies += answered;
        forgetOldPolls(tick.at.monoMs);
        for (int r = 0; r < ReadingCount; ++r)
            if (tick.carries(Reading(r)))
                m_lastRead[std::size_t(r)] = tick.at;
        if (tick.outcome == TickOutcome::Telemetry && tick.fresh) {
            m_lastGood = tick.at;
            if (tick.carries(Reading::Supply400) && tick.carries(Reading::Supply48)) {
                m_lastSupplies = tick.at;
                m_supplies = {Units::gaugeVolts400(tick.count400), Units::gaugeVolts48(tick.count48)};
            }
        }
    }
    for (SessionListener *listener : m_listeners)
        listener->tickRecorded(m_ticks.back());
    if (tick.outcome == TickOutcome::TextMessage)
        recordEvent(EventKind::ControllerMessage, message);
    countNoise(tick);
    if (tick.overtaken) {
        ++m_overtaken;
        return;
    }
    if (m_overtaken) {
        recordEvent(EventKind::RepliesLate, m_overtaken == 1
                                                ? QStringLiteral("1 reply arrived late")
                                                : QStringLiteral("%1 replies arrived late together").arg(m_overtaken));
        m_overtaken = 0;
    }
    followLoad(tick);
}

void SessionRecord::countNoise(const TickEntry &tick)
{
    const auto counted = [](int n, const char *one, const char *many) {
        return n == 1 ? QString::fromLatin1(one) : QString::fromLatin1(many).arg(n);
    };
    if (m_noise.any() && tick.at.monoMs - m_noiseSince >= NoiseSpanMs) {
        QStringList parts;
        if (m_noise.unanswered)
            parts << counted(m_noise.unanswered, "1 poll unanswered", "%1 polls unanswered");
        if (m_noise.garbled)
            parts << counted(m_noise.garbled, "1 reply garbled", "%1 replies garbled");
        if (m_noise.strays)
            parts << counted(m_noise.strays, "1 stray terminator", "%1 stray terminators");
        recordEvent(EventKind::LineNoise,
                    parts.join(QStringLiteral(", ")) + QStringLiteral(" in the last %1 s").arg(NoiseSpanMs / 1000));
        m_noise = {};
    }
    const bool quiet = !m_noise.any();
    m_noise.garbled += tick.outcome == TickOutcome::BadData;
    if (!tick.overtaken) {
        // The first poll of a run has nothing to answer.
        m_noise.unanswered += tick.readFailed && m_asked;
        m_noise.strays += tick.strays;
        m_asked = tick.sent != 0;
    }
    if (quiet && m_noise.any())
        m_noiseSince = tick.at.monoMs;
}

void SessionRecord::recordEvent(EventKind kind, const QString &text)
{
    m_events.push_back({now(), kind, text});
    // A listener may record an event of its own while told; the deque keeps
    // this one where it is.
    const EventEntry &event = m_events.back();
    for (SessionListener *listener : m_listeners)
        listener->eventRecorded(event);
}

void SessionRecord::removeListener(SessionListener *listener)
{
    m_listeners.erase(std::remove(m_listeners.begin(), m_listeners.end(), listener), m_listeners.end());
}

void SessionRecord::recordLoadCommand(char state)
{
    const Stamp at = now();
    m_commanded = state;
    m_commandedAt = at.monoMs;
    m_notConfirmedTold = false;
    m_confirmed = false;
    // Judged against the last report until the next one comes.
    m_disagreeing = m_reported && m_reported != state;
    m_disagreeSince = at.monoMs;
    recordEvent(EventKind::LoadCommanded, QStringLiteral("Load commanded %1").arg(loadWord(state)));
}

void SessionRecord::followLoad(const TickEntry &tick)
{
    if (!tick.carries(Reading::LoadState) || (tick.loadState != 'u' && tick.loadState != 'l'))
        return;
    m_reported = tick.loadState;
    if (!m_commanded)
        return;
    if (m_reported == m_commanded) {
        m_disagreeing = false;
        if (!m_confirmed) {
            m_confirmed = true;
            recordEvent(EventKind::LoadConfirmed,
                        QStringLiteral("The controller reports %1, as commanded").arg(loadWord(m_reported)));
        }
        return;
    }
    if (!m_disagreeing) {
        m_disagreeing = true;
        m_disagreeSince = tick.at.monoMs;
    }
    if (const auto d = loadDisagreement(); d && !m_notConfirmedTold) {
        m_notConfirmedTold = true;
        recordEvent(EventKind::LoadNotConfirmed, QStringLiteral("Load commanded %1; the controller still reports %2")
                                                     .arg(loadWord(d->commanded), loadWord(d->reported)));
    }
}

bool SessionRecord::isFresh(Reading r) const
{
    const auto &last = m_lastRead[std::size_t(r)];
    return last && now().monoMs - last->monoMs <= FreshForMs;
}

std::optional<SessionRecord::Supplies> SessionRecord::currentSupplies() const
{
    if (!m_lastSupplies || now().monoMs - m_lastSupplies->monoMs > FreshForMs)
        return std::nullopt;
    return m_supplies;
}

SessionRecord::ReplyShare SessionRecord::replyShare() const
{
    forgetOldPolls(now().monoMs);
    return {int(m_recentPolls.size()), m_recentReplies};
}

void SessionRecord::forgetOldPolls(qint64 nowMono) const
{
    const qint64 from = nowMono - ReplyShareSpanMs;
    while (!m_recentPolls.empty() && m_recentPolls.front().monoMs <= from) {
        m_recentReplies -= m_recentPolls.front().answered;
        m_recentPolls.pop_front();
    }
}

std::optional<qint64> SessionRecord::lastGoodAgeMs() const
{
    if (!m_lastGood)
        return std::nullopt;
    return now().monoMs - m_lastGood->monoMs;
}

std::optional<LoadDisagreement> SessionRecord::loadDisagreement() const
{
    if (!m_commanded || !m_disagreeing || !isFresh(Reading::LoadState))
        return std::nullopt;
    // Counted from the command when the reports disagreed already before it.
    const qint64 span = now().monoMs - std::max(m_disagreeSince, m_commandedAt);
    if (span <= ConfirmWithinMs)
        return std::nullopt;
    return LoadDisagreement{m_commanded, m_reported, span};
}

quint32 SessionRecord::pooled(const QString &text, std::optional<double> number)
{
    const auto it = m_textIds.constFind(text);
    if (it != m_textIds.constEnd())
        return *it;
    const auto id = quint32(m_texts.size());
    m_texts.append(text);
    m_textNumbers.push_back(number);
    m_textIds.insert(text, id);
    return id;
}

void SessionRecord::dropOld(qint64 nowMono)
{
    const qint64 oldest = nowMono - KeepForMs;
    while (!m_ticks.empty() && m_ticks.front().at.monoMs < oldest)
        m_ticks.pop_front();
    while (!m_events.empty() && m_events.front().at.monoMs < oldest) {
        m_events.pop_front();
        ++m_droppedEvents;
    }
}
