#include "session/TickFromReply.h"

#include "telemetry/NumberText.h"
#include "telemetry/ReplyDecoder.h"

namespace {
constexpr double AbsoluteZeroOffset = 273; // as the readouts show it

TickOutcome outcomeOf(const QString &strReply, const DecodedReply &decoded)
{
    if (decoded.lblCommStatData == ReplyDecoder::NoData)
        return TickOutcome::NoData;
    if (ReplyDecoder::isTextMessage(strReply))
        return TickOutcome::TextMessage;
    // Decoded to its end: the last step sets the 48 V lamp.
    return decoded.sts48OK ? TickOutcome::Telemetry : TickOutcome::BadData;
}
} // namespace

TickFromReply tickFromReply(const QString &strReply, const DecodedReply &decoded, const ReplyDecoder &decoder,
                            char sent)
{
    TickFromReply t;
    t.tick.sent = sent;
    t.tick.outcome = outcomeOf(strReply, decoded);
    if (t.tick.outcome == TickOutcome::TextMessage)
        t.message = strReply;

    const auto &fields = decoder.fields();
    const int carried = decoder.fieldCount();
    const auto fresh = [&](Reading r, bool shown) {
        if (shown && int(r) < carried)
            t.tick.fresh |= quint8(1u << unsigned(r));
        return shown && int(r) < carried;
    };
    if (fresh(Reading::LoadCanTemp, decoded.txtLoadCanTemp.has_value()))
        t.tick.loadCanTempC = *wireNumber(fields[0]) - AbsoluteZeroOffset;
    if (fresh(Reading::ControlCanTemp, decoded.txtCtrCanTemp.has_value()))
        t.tick.controlCanTempC = *wireNumber(fields[1]) - AbsoluteZeroOffset;
    if (fresh(Reading::PulseFrequency, decoded.txtPlsFreq.has_value()))
        t.pulseFrequency = *decoded.txtPlsFreq;
    if (fresh(Reading::PulseWidth, decoded.txtPlsWdth.has_value()))
        t.pulseWidth = *decoded.txtPlsWdth;
    if (fresh(Reading::Supply400, decoded.lbl400VDC.has_value()))
        t.tick.count400 = *wireNumber(fields[4]);
    if (fresh(Reading::Supply48, decoded.lbl48VDC.has_value()))
        t.tick.count48 = *wireNumber(fields[5]);
    // The load state is reported when the reply reached its field, also when
    // it holds neither "u" nor "l" (the button is then left alone).
    if (fresh(Reading::LoadState, t.tick.outcome == TickOutcome::Telemetry)) {
        const QString &state = fields[6];
        t.tick.loadState = state.size() == 1 ? state.at(0).toLatin1() : '?';
    }
    return t;
}
