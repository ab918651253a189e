#include "shore/FeedMessages.h"

#include "session/EventList.h"
#include "telemetry/Units.h"

#include <QDateTime>
#include <QJsonDocument>

#include <cmath>

namespace FeedMessages {

QString isoTime(qint64 wallMs)
{
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(wallMs);
    const int offset = t.offsetFromUtc() / 60;
    const int magnitude = std::abs(offset);
    return t.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"))
           + QStringLiteral("%1%2:%3")
                 .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                 .arg(magnitude / 60, 2, 10, QLatin1Char('0'))
                 .arg(magnitude % 60, 2, 10, QLatin1Char('0'));
}

namespace {
// Kelvin less 273 leaves binary noise (17.139999999999986): not what was sent.
double tidy(double value)
{
    return std::round(value * 1e6) / 1e6;
}

QJsonObject measured(double value, const char *unit)
{
    return {{QStringLiteral("value"), value}, {QStringLiteral("unit"), QString::fromUtf8(unit)}};
}

// A pulse field as sent, and as a number when it is one.
QJsonObject pulse(const QString &text, std::optional<double> number, const char *unit)
{
    QJsonObject o{{QStringLiteral("text"), text}, {QStringLiteral("unit"), QString::fromUtf8(unit)}};
    o.insert(QStringLiteral("value"), number ? QJsonValue(*number) : QJsonValue());
    return o;
}

QJsonObject supply(double count, double volts)
{
    QJsonObject o = measured(volts, "V");
    o.insert(QStringLiteral("count"), count);
    return o;
}
} // namespace

QJsonObject telemetry(const Telemetry &t, qint64 wallMs)
{
    QJsonObject readings;
    if (t.carries(Reading::LoadCanTemp))
        readings.insert(QStringLiteral("load_can_temperature"), measured(tidy(t.loadCanTempC), "°C"));
    if (t.carries(Reading::ControlCanTemp))
        readings.insert(QStringLiteral("control_can_temperature"), measured(tidy(t.controlCanTempC), "°C"));
    if (t.carries(Reading::PulseFrequency))
        readings.insert(QStringLiteral("pulse_frequency"), pulse(t.pulseFrequency, t.pulseFrequencyHz, "Hz"));
    if (t.carries(Reading::PulseWidth))
        readings.insert(QStringLiteral("pulse_width"), pulse(t.pulseWidth, t.pulseWidthUs, "µs"));
    if (t.carries(Reading::Supply400))
        readings.insert(QStringLiteral("supply_400v"), supply(t.count400, Units::volts400(t.count400)));
    if (t.carries(Reading::Supply48))
        readings.insert(QStringLiteral("supply_48v"), supply(t.count48, Units::volts48(t.count48)));
    if (t.carries(Reading::LoadState)) {
        const char state = t.loadState();
        readings.insert(
            QStringLiteral("load_state"),
            QJsonObject{{QStringLiteral("text"), t.loadField},
                        {QStringLiteral("value"),
                         state == 'u' || state == 'l' ? QJsonValue(Units::loadWord(state)) : QJsonValue()}});
    }
    return {{QStringLiteral("time"), isoTime(wallMs)},
            {QStringLiteral("reply"), t.reply},
            {QStringLiteral("readings"), readings}};
}

QJsonObject event(const EventEntry &e)
{
    return {{QStringLiteral("time"), isoTime(e.at.wallMs)},
            {QStringLiteral("kind"), eventKindName(e.kind)},
            {QStringLiteral("text"), e.text}};
}

QJsonObject online(const DeckStatus &s)
{
    return {{QStringLiteral("state"), QStringLiteral("online")},
            {QStringLiteral("version"), s.version},
            {QStringLiteral("port"), s.port},
            {QStringLiteral("device"), s.device},
            {QStringLiteral("link"), s.link},
            {QStringLiteral("current"), s.current},
            {QStringLiteral("text"), s.text}};
}

QJsonObject offline()
{
    return {{QStringLiteral("state"), QStringLiteral("offline")}};
}

QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace FeedMessages
