#include "model/ControlCommand.h"

#include <QStringList>

#include <cmath>

namespace {
const char *const Names[]
    = {"load_can_temp", "control_can_temp", "pulse_frequency", "pulse_width", "supply_400", "supply_48"};

int fieldNamed(const QString &name)
{
    for (int i = 0; i < 6; ++i)
        if (name == QLatin1String(Names[i]))
            return i;
    return -1;
}

// The value as the reply carries it: kelvin and converter counts.
double onWire(int field, double value)
{
    switch (field) {
    case 0:
    case 1:
        return value + 273;
    case 4:
        return std::round(value * 4096 / 400);
    case 5:
        return std::round(value * 4096 / 60);
    default:
        return value;
    }
}

std::optional<bool> onOff(const QString &word)
{
    if (word == QLatin1String("on"))
        return true;
    if (word == QLatin1String("off"))
        return false;
    return std::nullopt;
}
} // namespace

QString applyControl(ControllerModel &model, const QString &line)
{
    const QStringList words = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return {};
    const QString &verb = words.front();
    if ((verb == QLatin1String("supplies") || verb == QLatin1String("pps")) && words.size() == 2) {
        const auto on = onOff(words[1]);
        if (!on)
            return QStringLiteral("%1 wants on or off").arg(verb);
        if (verb == QLatin1String("supplies"))
            model.setSuppliesLive(*on);
        else
            model.setPulsePresent(*on);
        return {};
    }
    if (verb == QLatin1String("hold") && words.size() == 3) {
        const int field = fieldNamed(words[1]);
        bool ok = false;
        const double value = words[2].toDouble(&ok);
        if (field < 0)
            return QStringLiteral("no reading called %1").arg(words[1]);
        if (!ok || !std::isfinite(value))
            return QStringLiteral("%1 is not a number").arg(words[2]);
        model.hold(field, onWire(field, value));
        return {};
    }
    if (verb == QLatin1String("release") && words.size() <= 2) {
        if (words.size() == 1) {
            model.releaseAll();
            return {};
        }
        const int field = fieldNamed(words[1]);
        if (field < 0)
            return QStringLiteral("no reading called %1").arg(words[1]);
        model.release(field);
        return {};
    }
    return QStringLiteral("unknown control \"%1\"").arg(line.simplified());
}
