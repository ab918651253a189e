#include "session/TrendPoints.h"

#include "telemetry/NumberText.h"
#include "telemetry/ReplyDecoder.h"

double TrendPoints::volts400(double count)
{
    return count / ReplyDecoder::FullScaleCount * ReplyDecoder::Range400V;
}

double TrendPoints::volts48(double count)
{
    return count / ReplyDecoder::FullScaleCount * ReplyDecoder::Range48V;
}

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
        take(Trend::Supply400, Reading::Supply400, [&] { return volts400(tick.count400); });
        take(Trend::Supply48, Reading::Supply48, [&] { return volts48(tick.count48); });
        // The 1PPS fields are texts as received: drawn when they are numbers.
        take(Trend::PulseFrequency, Reading::PulseFrequency,
             [&] { return wireNumber(m_record.text(tick.pulseFrequency)); });
        take(Trend::PulseWidth, Reading::PulseWidth, [&] { return wireNumber(m_record.text(tick.pulseWidth)); });
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
