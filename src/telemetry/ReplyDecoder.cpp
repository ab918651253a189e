#include "telemetry/ReplyDecoder.h"

#include "telemetry/NumberText.h"
#include "telemetry/Units.h"

Telemetry ReplyDecoder::decode(const QString &strReply)
{
    intFieldCount = 0;

    Telemetry t;
    t.reply = strReply;
    if (strReply.isEmpty() || strReply == QLatin1String("?"))
        return t; // NoData
    if (isTextMessage(strReply)) {
        t.outcome = ReplyOutcome::TextMessage;
        return t;
    }
    // A reply that never got its terminator is shown raw and not decoded.
    if (!strReply.contains(QLatin1Char('*'))) {
        t.outcome = ReplyOutcome::Unframed;
        return t;
    }
    splitFields(strReply);

    // Each step reaches its readings, kept or carried by this reply, or ends
    // the decoding on a field that is no number.
    const auto reach = [&](std::initializer_list<Reading> readings, int field) {
        for (const Reading r : readings) {
            t.reached |= readingBit(r);
            if (field < intFieldCount)
                t.carried |= readingBit(r);
        }
    };
    const auto bad = [&](int field) {
        t.outcome = ReplyOutcome::BadData;
        t.badField = field;
        return t;
    };

    const auto loadCan = wireNumber(strFields[0]);
    if (!loadCan)
        return bad(0);
    t.loadCanTempC = Units::celsius(*loadCan);
    reach({Reading::LoadCanTemp}, 0);
    const auto ctrCan = wireNumber(strFields[1]);
    if (!ctrCan)
        return bad(1);
    t.controlCanTempC = Units::celsius(*ctrCan);
    reach({Reading::ControlCanTemp}, 1);

    t.pulseFrequency = strFields[2];
    t.pulseWidth = strFields[3];
    t.pulseFrequencyHz = wireNumber(t.pulseFrequency);
    t.pulseWidthUs = wireNumber(t.pulseWidth);
    reach({Reading::PulseFrequency}, 2);
    reach({Reading::PulseWidth}, 3);

    const auto count400 = wireNumber(strFields[4]);
    if (!count400)
        return bad(4);
    t.count400 = *count400;
    reach({Reading::Supply400}, 4);
    const auto count48 = wireNumber(strFields[5]);
    if (!count48)
        return bad(5);
    t.count48 = *count48;
    reach({Reading::Supply48}, 5);

    t.loadField = strFields[6];
    reach({Reading::LoadState}, 6);
    t.outcome = ReplyOutcome::Telemetry;
    return t;
}

void ReplyDecoder::splitFields(const QString &strReply)
{
    // Every field ends with a comma; whatever follows the last comma (the
    // terminator) is not a field. An empty field takes no slot of its own: the
    // next field with text is stored at the same index, and an empty last field
    // blanks its slot rather than leave an earlier reply's value standing there.
    qsizetype start = 0;
    qsizetype comma = strReply.indexOf(QLatin1Char(','), start);
    while (comma >= 0) {
        const QString token = strReply.mid(start, comma - start);
        strFields[intFieldCount] = token;
        if (!token.isEmpty())
            ++intFieldCount;
        if (intFieldCount == FieldSlots)
            break; // later fields of the same reply are ignored
        start = comma + 1;
        comma = strReply.indexOf(QLatin1Char(','), start);
    }
}
