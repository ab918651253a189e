#include "review/SessionSummary.h"

#include "session/EventList.h"
#include "telemetry/NumberText.h"
#include "telemetry/ReplyPresenter.h"
#include "telemetry/Units.h"

#include <QDateTime>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <limits>

namespace {

struct Line
{
    Trend trend;
    const char *name;
    const char *unit;
};

const Line Lines[] = {
    {Trend::LoadCanTemp, "Load can", "deg C"},       {Trend::ControlCanTemp, "Control can", "deg C"},
    {Trend::Supply400, "Ch 1 400 VDC", "V"},         {Trend::Supply48, "Ch 2 48 VDC", "V"},
    {Trend::PulseFrequency, "1PPS frequency", "Hz"}, {Trend::PulseWidth, "1PPS width", "\u00b5s"},
};

std::optional<double> valueOf(const SessionRecord &record, const TickEntry &tick, Trend trend)
{
    switch (trend) {
    case Trend::LoadCanTemp:
        return tick.carries(Reading::LoadCanTemp) ? std::optional(tick.loadCanTempC) : std::nullopt;
    case Trend::ControlCanTemp:
        return tick.carries(Reading::ControlCanTemp) ? std::optional(tick.controlCanTempC) : std::nullopt;
    case Trend::Supply400:
        return tick.carries(Reading::Supply400) ? std::optional(Units::volts400(tick.count400)) : std::nullopt;
    case Trend::Supply48:
        return tick.carries(Reading::Supply48) ? std::optional(Units::volts48(tick.count48)) : std::nullopt;
    case Trend::PulseFrequency:
        return tick.carries(Reading::PulseFrequency) ? record.textNumber(tick.pulseFrequency) : std::nullopt;
    case Trend::PulseWidth:
        return tick.carries(Reading::PulseWidth) ? record.textNumber(tick.pulseWidth) : std::nullopt;
    }
    return {};
}

// Outside the range the lamp judges by, in the whole volts it shows.
std::optional<bool> outside(const TickEntry &tick, Trend trend)
{
    if (trend == Trend::Supply400)
        return !Range400V.contains(Units::gaugeVolts400(tick.count400));
    if (trend == Trend::Supply48)
        return !Range48V.contains(Units::gaugeVolts48(tick.count48));
    return {};
}

QString duration(qint64 ms)
{
    const qint64 s = ms / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600)
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

SessionSummary SessionSummary::of(const SessionRecord &record, qint64 fromMs, qint64 toMs, qint64 holdMs,
                                  bool tellsPolls)
{
    SessionSummary summary;
    const auto &ticks = record.ticks();
    const auto inSpan = [&](const Stamp &at) { return at.wallMs >= fromMs && at.wallMs <= toMs; };
    const auto widen = [&](qint64 ms) {
        summary.startMs = std::min(summary.startMs.value_or(ms), ms);
        summary.endMs = std::max(summary.endMs.value_or(ms), ms);
    };

    struct Sums
    {
        qint64 n = 0;
        double min = std::numeric_limits<double>::infinity();
        double max = -std::numeric_limits<double>::infinity();
        double sum = 0;
        qint64 outsideMs = 0;
        std::optional<qint64> heldUntil; // where the last value's hold ends
        bool lastOutside = false;
    };
    std::array<Sums, TrendCount> sums{};
    qint64 answered = 0;
    std::optional<qint64> unanswered = tellsPolls ? std::optional<qint64>(0) : std::nullopt;

    for (const TickEntry &tick : ticks) {
        if (!inSpan(tick.at))
            continue;
        widen(tick.at.wallMs);
        answered += tick.outcome != TickOutcome::NoData && !tick.overtaken;
        for (const Line &line : Lines) {
            const auto value = valueOf(record, tick, line.trend);
            if (!value)
                continue;
            Sums &s = sums[std::size_t(line.trend)];
            // The previous value held until now or for holdMs, whichever is first.
            if (s.heldUntil && s.lastOutside)
                s.outsideMs += std::min(*s.heldUntil, tick.at.wallMs) - (*s.heldUntil - holdMs);
            ++s.n;
            s.sum += *value;
            s.min = std::min(s.min, *value);
            s.max = std::max(s.max, *value);
            s.heldUntil = tick.at.wallMs + holdMs;
            s.lastOutside = outside(tick, line.trend).value_or(false);
        }
    }
    // The last value holds to the end of the span, at most holdMs, and never
    // past the end of what was recorded.
    const qint64 end = ticks.empty() ? toMs : std::min(toMs, ticks.back().at.wallMs);
    for (const Line &line : Lines) {
        Sums &s = sums[std::size_t(line.trend)];
        if (s.heldUntil && s.lastOutside)
            s.outsideMs += std::max<qint64>(0, std::min(*s.heldUntil, end) - (*s.heldUntil - holdMs));
        const bool ranged = line.trend == Trend::Supply400 || line.trend == Trend::Supply48;
        summary.figures.push_back({line.trend, s.n, s.n ? s.min : 0, s.n ? s.sum / double(s.n) : 0, s.n ? s.max : 0,
                                   ranged ? std::optional(s.outsideMs) : std::nullopt});
    }

    static const QRegularExpression polls(QStringLiteral("^(\\d+) polls? unanswered"));
    for (const EventEntry &event : record.events()) {
        if (!inSpan(event.at))
            continue;
        widen(event.at.wallMs);
        ++summary.events[event.kind];
        if (unanswered && event.kind == EventKind::LineNoise)
            if (const auto m = polls.match(event.text); m.hasMatch())
                *unanswered += m.captured(1).toLongLong();
    }
    if (unanswered && answered + *unanswered > 0)
        summary.answeredShare = double(answered) / double(answered + *unanswered);
    return summary;
}

QStringList SessionSummary::lines() const
{
    QStringList out;
    if (!startMs) {
        out << QStringLiteral("Nothing recorded in this span");
        return out;
    }
    const auto time
        = [](qint64 ms) { return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")); };
    out << QStringLiteral("Start: %1").arg(time(*startMs)) << QStringLiteral("End: %1").arg(time(*endMs))
        << QStringLiteral("Duration: %1").arg(duration(*endMs - *startMs));
    for (const Figures &f : figures) {
        const Line &line
            = *std::find_if(std::begin(Lines), std::end(Lines), [&](const Line &l) { return l.trend == f.trend; });
        const QString name = QString::fromUtf8(line.name);
        if (f.samples == 0) {
            out << QStringLiteral("%1: no readings").arg(name);
            continue;
        }
        const auto n = [](double v) { return numberText(std::round(v * 100) / 100); };
        QString text = QStringLiteral("%1: min %2, mean %3, max %4 %5")
                           .arg(name, n(f.min), n(f.mean), n(f.max), QString::fromUtf8(line.unit));
        if (f.outsideMs)
            text += QStringLiteral("; outside range %1").arg(duration(*f.outsideMs));
        out << text;
    }
    out << (answeredShare
                ? QStringLiteral("Polls answered: %1 %").arg(numberText(std::round(*answeredShare * 1000) / 10))
                : QStringLiteral("Polls answered: not in the file"));
    if (events.empty())
        out << QStringLiteral("Events: none");
    for (const auto &[kind, count] : events)
        out << QStringLiteral("%1: %2").arg(eventKindName(kind)).arg(count);
    return out;
}
