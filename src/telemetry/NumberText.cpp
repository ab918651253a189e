#include "telemetry/NumberText.h"

#include <cmath>

namespace {

std::optional<double> finiteNumber(const QString &text, QLocale locale)
{
    // Group separators in a reading would only hide a garbled field.
    locale.setNumberOptions(locale.numberOptions() | QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = locale.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

std::optional<double> wireNumber(const QString &text)
{
    return finiteNumber(text, QLocale::c());
}

QString numberText(double value, const QLocale &locale)
{
    QLocale shown = locale;
    shown.setNumberOptions(QLocale::OmitGroupSeparator);
    // -0 (from "-0" on the wire, or a floor of a tiny negative) reads as 0.
    if (value == 0)
        value = 0;
    return shown.toString(value, 'g', 15);
}

std::optional<double> readoutNumber(const QString &text, const QLocale &locale)
{
    return finiteNumber(text, locale);
}
