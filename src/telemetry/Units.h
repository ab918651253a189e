#pragma once

#include <QString>

#include <cmath>

// From what the controller sends to what the technician reads.
namespace Units {

// Kelvin on the wire, deg C on screen.
constexpr double AbsoluteZeroOffset = 273;
inline double celsius(double kelvin)
{
    return kelvin - AbsoluteZeroOffset;
}
inline double kelvin(double celsius)
{
    return celsius + AbsoluteZeroOffset;
}

// Converter counts: full scale is 400 V on channel 1 and 60 V on channel 2.
constexpr double FullScaleCount = 4096;
constexpr double Range400V = 400;
constexpr double Range48V = 60;

// Supply volts from converter counts, division first as the controller's
// own tools do.
inline double volts400(double count)
{
    return count / FullScaleCount * Range400V;
}
inline double volts48(double count)
{
    return count / FullScaleCount * Range48V;
}
// What the readouts and gauges show: whole volts, floored.
inline double gaugeVolts400(double count)
{
    return std::floor(volts400(count));
}
inline double gaugeVolts48(double count)
{
    return std::floor(volts48(count));
}

// The load state as the window names it.
inline QString loadWord(char state)
{
    return state == 'l' ? QStringLiteral("Loaded") : QStringLiteral("Unloaded");
}

} // namespace Units
