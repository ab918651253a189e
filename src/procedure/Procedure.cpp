#include "procedure/Procedure.h"

#include <array>

namespace {
struct QuantityInfo
{
    const char *name;
    const char *unit;
};
constexpr std::array<QuantityInfo, 8> Quantities{{
    {"load_can_temp", "°C"},
    {"control_can_temp", "°C"},
    {"pulse_frequency", "Hz"},
    {"pulse_width", "µs"},
    {"supply_400", "V"},
    {"supply_48", "V"},
    {"load_state", ""},
    {"reply_share", "%"},
}};

QString number(double v)
{
    return QString::number(v, 'g', 10);
}
} // namespace

QString quantityName(Quantity q)
{
    return QString::fromUtf8(Quantities.at(std::size_t(q)).name);
}

QString quantityUnit(Quantity q)
{
    return QString::fromUtf8(Quantities.at(std::size_t(q)).unit);
}

std::optional<Quantity> quantityNamed(const QString &name)
{
    for (std::size_t i = 0; i < Quantities.size(); ++i)
        if (name == QLatin1String(Quantities[i].name))
            return Quantity(i);
    return std::nullopt;
}

QString Limit::text() const
{
    if (quantity == Quantity::LoadState)
        return state == 'l' ? QStringLiteral("loaded") : QStringLiteral("unloaded");
    return rangeText(min, max, quantityUnit(quantity));
}

QString rangeText(std::optional<double> min, std::optional<double> max, const QString &unitName)
{
    const QString unit = unitName.isEmpty() ? QString() : QLatin1Char(' ') + unitName;
    if (min && max)
        return number(*min) + QStringLiteral(" – ") + number(*max) + unit;
    if (min)
        return QStringLiteral("≥ ") + number(*min) + unit;
    if (max)
        return QStringLiteral("≤ ") + number(*max) + unit;
    return QStringLiteral("any");
}

QString stepKindName(StepKind kind)
{
    switch (kind) {
    case StepKind::Record:
        return QStringLiteral("record");
    case StepKind::Instruct:
        return QStringLiteral("instruct");
    case StepKind::Command:
        return QStringLiteral("command");
    case StepKind::Check:
        return QStringLiteral("check");
    }
    return {};
}

QString commandName(Command command)
{
    switch (command) {
    case Command::LoadOn:
        return QStringLiteral("load_on");
    case Command::LoadOff:
        return QStringLiteral("load_off");
    case Command::PpsOn:
        return QStringLiteral("pps_on");
    case Command::PpsOff:
        return QStringLiteral("pps_off");
    case Command::RateFast:
        return QStringLiteral("rate_fast");
    case Command::RateSlow:
        return QStringLiteral("rate_slow");
    }
    return {};
}
