#include "telemetry/ReplyPresenter.h"

#include "looks/Colours.h"
#include "telemetry/NumberText.h"
#include "telemetry/ReplyDecoder.h"
#include "telemetry/Units.h"

#include <QStringList>

namespace {

const QString LogSeparator = QStringLiteral("      ");

// Fields logged as sent, with control characters (a line break or NUL from a
// noisy line) shown as "?": a record must stay one whole line of text.
QString loggable(const QString &field)
{
    QString text = field;
    for (QChar &c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = u'?';
    return text;
}

} // namespace

LampLook rangeLamp(double volts, const SupplyRange &range)
{
    if (volts < range.low)
        return {true, QStringLiteral("Low")};
    if (volts > range.high)
        return {true, QStringLiteral("High")};
    return {false, QStringLiteral("OK")};
}

QString statusText(const Telemetry &reply)
{
    switch (reply.outcome) {
    case ReplyOutcome::NoData:
        return ReplyDecoder::NoData;
    case ReplyOutcome::TextMessage:
        return reply.reply; // the controller's message, shown as it came
    case ReplyOutcome::BadData:
        return ReplyDecoder::BadData;
    case ReplyOutcome::Telemetry:
    case ReplyOutcome::Unframed:
        break;
    }
    return QString();
}

DecodedReply presentReply(const Telemetry &t, bool loggingOn)
{
    DecodedReply r;
    r.Text1 = t.reply;
    r.lblCommStatData = statusText(t);

    if (t.has(Reading::LoadCanTemp))
        r.txtLoadCanTemp = numberText(t.loadCanTempC);
    if (t.has(Reading::ControlCanTemp))
        r.txtCtrCanTemp = numberText(t.controlCanTempC);
    if (t.has(Reading::PulseWidth))
        r.txtPlsWdth = t.pulseWidth;
    if (t.has(Reading::PulseFrequency))
        r.txtPlsFreq = t.pulseFrequency;
    if (t.has(Reading::Supply400))
        r.lbl400VDC = numberText(Units::gaugeVolts400(t.count400));
    if (t.has(Reading::Supply48))
        r.lbl48VDC = numberText(Units::gaugeVolts48(t.count48));
    if (!t.has(Reading::LoadState))
        return r;

    if (t.loadField == QLatin1String("u"))
        r.cmdLoaded = ButtonLook{Units::loadWord('u'), QString(), Colours::Green};
    if (t.loadField == QLatin1String("l"))
        r.cmdLoaded = ButtonLook{Units::loadWord('l'), QString(), Colours::Red};

    // Gauge, lamp and readout show the same whole volts.
    r.agd400VDC = Units::gaugeVolts400(t.count400);
    // A record stamped now holds only what this reply itself carried, never a
    // value kept from an earlier one.
    if (loggingOn && t.carried == AllReadings) {
        r.strLogLine
            = QStringList{*r.txtLoadCanTemp, *r.txtCtrCanTemp, loggable(*r.txtPlsWdth), loggable(*r.txtPlsFreq),
                          *r.lbl400VDC,      *r.lbl48VDC,      loggable(t.loadField)}
                  .join(LogSeparator);
    }
    r.sts400OK = rangeLamp(*r.agd400VDC, Range400V);
    r.agd48VDC = Units::gaugeVolts48(t.count48);
    r.sts48OK = rangeLamp(*r.agd48VDC, Range48V);
    return r;
}
