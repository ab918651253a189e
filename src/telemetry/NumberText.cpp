#include "telemetry/NumberText.h"

#include <cmath>

namespace {

std::optional<double> finiteNumber(const QString &text)
{
    // Group separators in a reading would only hide a garbled field. Made
    // once: setting an option on a copy allocates, at every number.
    static const QLocale c = [] {
        QLocale l = QLocale::c();
        l.setNumberOptions(QLocale::RejectGroupSeparator);
        return l;
    }();
    bool ok = false;
    const double value = c.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

std::optional<double> wireNumber(const QString &text)
{
    return finiteNumber(text);
}

QChar decimalSeparator(const QLocale &locale)
{
    // Arabic and Persian use a separator of their own, which the ASCII log
    // can't hold.
    return locale.decimalPoint() == QLatin1String(",") ? u',' : u'.';
}

QString numberText(double value, const QLocale &locale)
{
    // -0 (from "-0" on the wire, or a floor of a tiny negative) reads as 0.
    if (value == 0)
        value = 0;
    // Whole numbers below 1e15 (every volt readout) come out of 'g' with 15
    // digits as plain integers; printing them as such is much cheaper.
    if (std::abs(value) < 1e15 && value == std::trunc(value))
        return QString::number(qint64(value));
    // Native digits, minus signs with direction marks and exponents such as
    // "×10^" would not survive an ASCII log, nor Qt's own reading back.
    QString text = QLocale::c().toString(value, 'g', 15);
    if (decimalSeparator(locale) == u',')
        text.replace(u'.', u',');
    return text;
}

std::optional<double> readoutNumber(const QString &text, const QLocale &locale)
{
    if (decimalSeparator(locale) == u'.')
        return finiteNumber(text);
    if (text.contains(u'.'))
        return std::nullopt;
    QString point = text;
    return finiteNumber(point.replace(u',', u'.'));
}
