#pragma once

#include <QtGlobal>

// The readings a telemetry reply carries, in field order.
enum class Reading : quint8 {
    LoadCanTemp,
    ControlCanTemp,
    PulseFrequency,
    PulseWidth,
    Supply400,
    Supply48,
    LoadState,
};
constexpr int ReadingCount = 7;

// One bit per reading, for sets of them.
constexpr quint8 readingBit(Reading r)
{
    return quint8(1u << unsigned(r));
}
constexpr quint8 AllReadings = (1u << ReadingCount) - 1;
