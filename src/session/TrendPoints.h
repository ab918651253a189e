#pragma once

#include "session/SessionRecord.h"

#include <array>
#include <limits>
#include <optional>

// The lines the trend charts draw.
enum class Trend : quint8 {
    LoadCanTemp,    // deg C
    ControlCanTemp, // deg C
    Supply400,      // volts
    Supply48,       // volts
    PulseFrequency, // Hz
    PulseWidth,     // us
};
constexpr int TrendCount = 6;

// What one tick adds to the charts: a point on each line the reply carried.
// A line is never drawn across ticks without a good reply carrying its
// reading: the first point after such a stretch comes with a NaN just before
// it, where the chart breaks the line. The NaN sits next to the point rather
// than after the last good one, so that a chart thinning its points to one
// pixel's worth keeps the gap however far it zooms out.
struct TrendStep
{
    static constexpr double BreakBeforeS = 0.001;

    double key = 0; // seconds since the epoch, as the charts' time axis counts
    std::array<std::optional<double>, TrendCount> values;
    std::array<bool, TrendCount> breaks{}; // a NaN goes before the value

    std::optional<double> value(Trend trend) const { return values[std::size_t(trend)]; }

    // f(trend, key, value) for each point this step adds, in order.
    template<typename F>
    void forEachPoint(F &&f) const
    {
        for (std::size_t t = 0; t < values.size(); ++t) {
            if (!values[t])
                continue;
            if (breaks[t])
                f(Trend(t), key - BreakBeforeS, std::numeric_limits<double>::quiet_NaN());
            f(Trend(t), key, *values[t]);
        }
    }
};

// Turns the ticks of a session, one after another, into chart points.
class TrendPoints
{
public:
    explicit TrendPoints(const SessionRecord &record)
        : m_record(record)
    { }

    TrendStep step(const TickEntry &tick);
    // Before the session is drawn again from its start.
    void restart() { m_state.fill(Line::Unstarted); }

    static double key(const Stamp &at) { return at.wallMs / 1000.0; }

private:
    enum class Line : quint8 { Unstarted, Drawing, Broken };

    const SessionRecord &m_record;
    std::array<Line, TrendCount> m_state{};
};
