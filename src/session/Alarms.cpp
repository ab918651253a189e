#include "session/Alarms.h"

#include "telemetry/NumberText.h"
#include "telemetry/ReplyDecoder.h"
#include "telemetry/Units.h"

#include <QDateTime>
#include <QStringList>

#include <algorithm>

namespace {

// Which way the extreme goes: the lowest for a low supply, else the highest.
bool lowest(AlarmKind kind)
{
    return kind == AlarmKind::Supply400Low || kind == AlarmKind::Supply48Low;
}

// A controller message without its terminator.
QString messageWords(const QString &reply)
{
    QString words = reply;
    if (words.endsWith(QLatin1Char('*')))
        words.chop(1);
    return words.trimmed();
}

} // namespace

QString durationText(qint64 ms)
{
    ms = std::max<qint64>(ms, 0);
    if (ms < 60 * 1000)
        return QStringLiteral("%1 s").arg(numberText(double(ms / 100) / 10));
    const qint64 s = ms / 1000;
    if (s < 60 * 60)
        return QStringLiteral("%1 min %2 s").arg(s / 60).arg(s % 60);
    return QStringLiteral("%1 h %2 min").arg(s / 3600).arg(s / 60 % 60);
}

QString Alarm::extremeText() const
{
    switch (kind) {
    case AlarmKind::Supply400Low:
    case AlarmKind::Supply48Low:
        return QStringLiteral("lowest %1 V").arg(numberText(extreme));
    case AlarmKind::Supply400High:
    case AlarmKind::Supply48High:
        return QStringLiteral("highest %1 V").arg(numberText(extreme));
    case AlarmKind::Stale:
        return QStringLiteral("%1 without a good reply").arg(durationText(qint64(extreme)));
    case AlarmKind::BadData:
        return extreme == 1 ? QStringLiteral("1 bad reply") : QStringLiteral("%1 bad replies").arg(extreme);
    case AlarmKind::ControllerMessage:
        return extreme == 1 ? QString() : QStringLiteral("sent %1 times").arg(extreme);
    case AlarmKind::LinkLost:
    case AlarmKind::LoadNotConfirmed:
        break;
    }
    return {};
}

Alarms::Alarms(SessionRecord &record)
    : m_record(record)
{
    m_record.addListener(this);
}

Alarms::~Alarms()
{
    m_record.removeListener(this);
}

void Alarms::pollRecorded(const std::vector<Telemetry> &replies)
{
    for (const Telemetry &reply : replies) {
        if (reply.outcome == ReplyOutcome::BadData) {
            Alarm &a = raise(AlarmKind::BadData, ReplyDecoder::BadData, 0);
            ++a.extreme;
            a.detail = QStringLiteral("at field %1: %2").arg(reply.badField).arg(reply.reply);
        } else {
            close(AlarmKind::BadData);
        }

        if (reply.outcome == ReplyOutcome::TextMessage) {
            const QString words = messageWords(reply.reply);
            if (const Alarm *open = openAlarm(AlarmKind::ControllerMessage); open && open->title != words)
                close(AlarmKind::ControllerMessage);
            ++raise(AlarmKind::ControllerMessage, words, 0).extreme;
        } else {
            close(AlarmKind::ControllerMessage);
        }

        // The range lamps judge a reply decoded as far as the load state.
        if (reply.has(Reading::LoadState)) {
            judgeSupply(Units::gaugeVolts400(reply.count400), Range400V, AlarmKind::Supply400Low,
                        AlarmKind::Supply400High, QStringLiteral("400 V"));
            judgeSupply(Units::gaugeVolts48(reply.count48), Range48V, AlarmKind::Supply48Low, AlarmKind::Supply48High,
                        QStringLiteral("48 V"));
        }
    }

    // A lamp grey for stale readings no longer says out of range.
    if (!m_record.suppliesFresh()) {
        for (AlarmKind kind :
             {AlarmKind::Supply400Low, AlarmKind::Supply400High, AlarmKind::Supply48Low, AlarmKind::Supply48High})
            close(kind);
    }

    const qint64 now = m_record.now().monoMs;
    if (const auto age = m_record.lastGoodAgeMs(); age && *age > SessionRecord::FreshForMs) {
        if (!openAlarm(AlarmKind::Stale))
            m_lastGoodMono = now - *age;
        raise(AlarmKind::Stale, QStringLiteral("Readings stale"), double(*age));
    } else if (Alarm *stale = openAlarm(AlarmKind::Stale)) {
        // The whole gap, up to the reply that ended it.
        stale->extreme = double(now - m_lastGoodMono);
        close(AlarmKind::Stale);
    }

    if (const auto d = m_record.loadDisagreement()) {
        raise(AlarmKind::LoadNotConfirmed, QStringLiteral("Load not confirmed"), double(d->forMs),
              QStringLiteral("Load commanded %1; the controller reports %2")
                  .arg(Units::loadWord(d->commanded), Units::loadWord(d->reported)));
    } else {
        close(AlarmKind::LoadNotConfirmed);
    }
}

void Alarms::judgeSupply(double volts, const SupplyRange &range, AlarmKind low, AlarmKind high, const QString &name)
{
    const LampLook lamp = rangeLamp(volts, range);
    if (!lamp.lit || lamp.text != QLatin1String("Low"))
        close(low);
    if (!lamp.lit || lamp.text != QLatin1String("High"))
        close(high);
    if (lamp.lit) {
        const AlarmKind kind = lamp.text == QLatin1String("Low") ? low : high;
        raise(kind, name + QLatin1Char(' ') + lamp.text, volts,
              QStringLiteral("range %1 to %2 V").arg(numberText(range.low), numberText(range.high)));
    }
}

void Alarms::eventRecorded(const EventEntry &event)
{
    switch (event.kind) {
    case EventKind::LinkLost:
        raise(AlarmKind::LinkLost, QStringLiteral("Link lost"), 0, event.text);
        break;
    case EventKind::LinkBack:
    case EventKind::PortChanged:
        close(AlarmKind::LinkLost);
        break;
    case EventKind::LoadCommanded:
    case EventKind::LoadConfirmed:
    case EventKind::LoadNotConfirmed:
    case EventKind::Refused:
    case EventKind::PpsCommanded:
    case EventKind::RateCommanded:
    case EventKind::LinkFollowed:
    case EventKind::LoggingStarted:
    case EventKind::LoggingStopped:
    case EventKind::LoggingFailed:
    case EventKind::ControllerMessage:
    case EventKind::RepliesLate:
    case EventKind::LineNoise:
    case EventKind::AlarmsAcknowledged:
    case EventKind::SessionStarted:
    case EventKind::FeedRefused:
    case EventKind::ProcedureStarted:
    case EventKind::ProcedureStep:
    case EventKind::ProcedureEnded:
    case EventKind::ProcedureAborted:
        break;
    }
}

Alarm *Alarms::openAlarm(AlarmKind kind)
{
    const auto it
        = std::find_if(m_list.rbegin(), m_list.rend(), [kind](const Alarm &a) { return a.kind == kind && a.open(); });
    return it == m_list.rend() ? nullptr : &*it;
}

Alarm &Alarms::raise(AlarmKind kind, const QString &title, double extreme, const QString &detail)
{
    // An open alarm's values change in place: a view repaints its row, the
    // list stays as it is.
    if (Alarm *a = openAlarm(kind)) {
        a->extreme = lowest(kind) ? std::min(a->extreme, extreme) : std::max(a->extreme, extreme);
        if (!detail.isEmpty())
            a->detail = detail;
        return *a;
    }
    ++m_revision;
    m_list.push_back({kind, title, detail, m_record.now(), std::nullopt, extreme, false});
    trim();
    return m_list.back();
}

void Alarms::close(AlarmKind kind)
{
    Alarm *a = openAlarm(kind);
    if (!a)
        return;
    ++m_revision;
    a->end = m_record.now();
    if (a->acknowledged)
        m_list.erase(std::find_if(m_list.begin(), m_list.end(), [a](const Alarm &x) { return &x == a; }));
}

void Alarms::trim()
{
    while (m_list.size() > MaxListed) {
        const auto closed = std::find_if(m_list.begin(), m_list.end(), [](const Alarm &a) { return !a.open(); });
        if (closed == m_list.end())
            return;
        m_list.erase(closed);
    }
}

bool Alarms::acknowledge()
{
    QStringList titles;
    for (Alarm &a : m_list) {
        if (!a.acknowledged) {
            a.acknowledged = true;
            titles << a.title;
        }
    }
    if (titles.isEmpty())
        return false;
    ++m_revision;
    m_list.erase(std::remove_if(m_list.begin(), m_list.end(), [](const Alarm &a) { return !a.open(); }), m_list.end());
    m_record.recordEvent(
        EventKind::AlarmsAcknowledged,
        QStringLiteral("Acknowledged %1: %2")
            .arg(titles.size() == 1 ? QStringLiteral("1 alarm") : QStringLiteral("%1 alarms").arg(titles.size()),
                 titles.join(QStringLiteral(", "))));
    return true;
}

int Alarms::unacknowledged() const
{
    return int(std::count_if(m_list.begin(), m_list.end(), [](const Alarm &a) { return !a.acknowledged; }));
}

QString Alarms::summary() const
{
    const auto newest = std::find_if(m_list.rbegin(), m_list.rend(), [](const Alarm &a) { return !a.acknowledged; });
    if (newest == m_list.rend())
        return {};
    const int count = unacknowledged();
    QStringList parts{
        QStringLiteral("%1: %2 %3")
            .arg(count == 1 ? QStringLiteral("1 alarm") : QStringLiteral("%1 alarms").arg(count), newest->title,
                 QDateTime::fromMSecsSinceEpoch(newest->start.wallMs).toString(QStringLiteral("HH:mm:ss"))),
        durationText(newest->durationMs(m_record.now()))};
    if (const QString extreme = newest->extremeText(); !extreme.isEmpty())
        parts << extreme;
    return parts.join(QStringLiteral(", "));
}
