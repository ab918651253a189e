#include "session/TrendPoints.h"

#include "telemetry/Units.h"

TrendStep TrendPoints::step(const TickEntry &tick)
{
    // Only a good reply is drawn, and of it only what it carried.
    std::array<std::optional<double>, TrendCount> readings;
    if (tick.outcome == TickOutcome::Telemetry) {
        const auto take = [&](Trend trend, Reading reading, const auto &value) {
            if (tick.carries(reading))
                readings[std::size_t(trend)] = value();
        };
        take(Trend::LoadCanTemp, Reading::LoadCanTemp, [&] { return tick.loadCanTempC; });
        take(Trend::ControlCanTemp, Reading::ControlCanTemp, [&] { return tick.controlCanTempC; });
        take(Trend::Supply400, Reading::Supply400, [&] { return Units::volts400(tick.count400); });
        take(Trend::Supply48, Reading::Supply48, [&] { return Units::volts48(tick.count48); });
        // The 1PPS fields are texts as received: drawn when they are numbers.
        take(Trend::PulseFrequency, Reading::PulseFrequency, [&] { return m_record.textNumber(tick.pulseFrequency); });
        take(Trend::PulseWidth, Reading::PulseWidth, [&] { return m_record.textNumber(tick.pulseWidth); });
    }

    TrendStep step;
    step.key = key(tick.at);
    for (std::size_t t = 0; t < readings.size(); ++t) {
        if (!readings[t]) {
            if (m_state[t] == Line::Drawing)
                m_state[t] = Line::Broken;
            continue;
        }
        step.values[t] = readings[t];
        step.breaks[t] = m_state[t] == Line::Broken;
        m_state[t] = Line::Drawing;
    }
    return step;
}
