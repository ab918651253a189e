#include "procedure/ProcedureRun.h"
#include "run/PortRun.h"

namespace {
std::optional<Reading> readingOf(Quantity q)
{
    switch (q) {
    case Quantity::LoadCanTemp:
        return Reading::LoadCanTemp;
    case Quantity::ControlCanTemp:
        return Reading::ControlCanTemp;
    case Quantity::PulseFrequency:
        return Reading::PulseFrequency;
    case Quantity::PulseWidth:
        return Reading::PulseWidth;
    case Quantity::Supply400:
        return Reading::Supply400;
    case Quantity::Supply48:
        return Reading::Supply48;
    case Quantity::LoadState:
        return Reading::LoadState;
    case Quantity::ReplyShare:
        break;
    }
    return std::nullopt;
}
} // namespace

qint64 PortRunAccess::nowMs() const
{
    return m_run.session().now().monoMs;
}

std::optional<double> PortRunAccess::value(Quantity q, qint64 sinceMs) const
{
    const SessionRecord &record = m_run.session();
    const auto &ticks = record.ticks();
    if (q == Quantity::ReplyShare) {
        int polls = 0;
        int answered = 0;
        for (auto tick = ticks.rbegin(); tick != ticks.rend() && tick->at.monoMs >= sinceMs; ++tick)
            if (!tick->overtaken) {
                ++polls;
                answered += tick->outcome != TickOutcome::NoData;
            }
        if (polls == 0)
            return std::nullopt;
        return 100.0 * answered / polls;
    }
    // The supplies as the gauges and the interlock see them.
    if (q == Quantity::Supply400 || q == Quantity::Supply48) {
        const auto supplies = record.currentSupplies();
        if (!supplies)
            return std::nullopt;
        return q == Quantity::Supply400 ? supplies->volts400 : supplies->volts48;
    }
    const Reading r = *readingOf(q);
    if (!record.isFresh(r))
        return std::nullopt;
    for (auto tick = ticks.rbegin(); tick != ticks.rend(); ++tick) {
        if (tick->overtaken || !tick->carries(r))
            continue;
        switch (r) {
        case Reading::LoadCanTemp:
            return tick->loadCanTempC;
        case Reading::ControlCanTemp:
            return tick->controlCanTempC;
        case Reading::PulseFrequency:
            return record.textNumber(tick->pulseFrequency);
        case Reading::PulseWidth:
            return record.textNumber(tick->pulseWidth);
        case Reading::LoadState:
            return tick->loadState ? std::optional<double>(tick->loadState) : std::nullopt;
        default:
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<qint64> PortRunAccess::lastReplyAgeMs() const
{
    return m_run.session().lastGoodAgeMs();
}

char PortRunAccess::loadCommanded() const
{
    return m_run.commands().strLoadState() == QLatin1String("l") ? 'l' : 'u';
}

bool PortRunAccess::ppsOn() const
{
    return m_run.commands().str1PPSState() == QLatin1String("E");
}

bool PortRunAccess::fastRate() const
{
    return m_run.fastRate();
}

QString PortRunAccess::toggleLoad()
{
    switch (m_run.toggleLoad()) {
    case CommandToggles::Refusal::Powered:
        return CommandToggles::LoadPoweredText;
    case CommandToggles::Refusal::NoReadings:
        return CommandToggles::NoReadingsText;
    case CommandToggles::Refusal::None:
        break;
    }
    return {};
}

void PortRunAccess::toggle1PPS()
{
    m_run.toggle1PPS();
}

void PortRunAccess::toggleRate()
{
    m_run.toggleRate();
}

void PortRunAccess::recordEvent(EventKind kind, const QString &text)
{
    m_run.session().recordEvent(kind, text);
}
