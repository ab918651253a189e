#include "telemetry/ReplyDecoder.h"

#include "looks/Colours.h"
#include "telemetry/NumberText.h"

#include <QStringList>

#include <cmath>

namespace {

const QString LogSeparator = QStringLiteral("      ");

constexpr double AbsoluteZeroOffset = 273; // kelvin on the wire, deg C on screen

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

DecodedReply ReplyDecoder::ParseString(const QString &strReply, bool loggingOn)
{
    intFieldCount = 0;

    DecodedReply r;
    r.Text1 = strReply;

    if (strReply.isEmpty() || strReply == QLatin1String("?")) {
        r.lblCommStatData = NoData;
        return r;
    }
    if (isTextMessage(strReply)) {
        // A text message from the controller, shown as it came.
        r.lblCommStatData = strReply;
        return r;
    }
    r.lblCommStatData = QString();

    // A reply that never got its terminator is shown raw and not decoded.
    if (!strReply.contains(QLatin1Char('*')))
        return r;
    splitFields(strReply);

    const auto fail = [&r]() {
        r.lblCommStatData = BadData;
        return r;
    };

    const auto loadCan = wireNumber(strFields[0]);
    if (!loadCan)
        return fail();
    r.txtLoadCanTemp = numberText(*loadCan - AbsoluteZeroOffset);
    const auto ctrCan = wireNumber(strFields[1]);
    if (!ctrCan)
        return fail();
    r.txtCtrCanTemp = numberText(*ctrCan - AbsoluteZeroOffset);

    r.txtPlsWdth = strFields[3];
    r.txtPlsFreq = strFields[2];

    const auto count400 = wireNumber(strFields[4]);
    if (!count400)
        return fail();
    r.lbl400VDC = numberText(std::floor(*count400 / FullScaleCount * Range400V));
    const auto count48 = wireNumber(strFields[5]);
    if (!count48)
        return fail();
    r.lbl48VDC = numberText(std::floor(*count48 / FullScaleCount * Range48V));

    if (strFields[6] == QLatin1String("u"))
        r.cmdLoaded = ButtonLook{QStringLiteral("Unloaded"), QString(), Colours::Green};
    if (strFields[6] == QLatin1String("l"))
        r.cmdLoaded = ButtonLook{QStringLiteral("Loaded"), QString(), Colours::Red};

    // The gauges take the readout text, so gauge, lamp and readout always agree.
    r.agd400VDC = readoutNumber(*r.lbl400VDC);
    if (!r.agd400VDC)
        return fail();

    // A record stamped now holds only what this reply itself carried, never a
    // value kept from an earlier one.
    if (loggingOn && intFieldCount >= LoggedFields) {
        r.strLogLine
            = QStringList{*r.txtLoadCanTemp, *r.txtCtrCanTemp, loggable(*r.txtPlsWdth), loggable(*r.txtPlsFreq),
                          *r.lbl400VDC,      *r.lbl48VDC,      loggable(strFields[6])}
                  .join(LogSeparator);
    }

    r.sts400OK = rangeLamp(*r.agd400VDC, Low400V, High400V);

    r.agd48VDC = readoutNumber(*r.lbl48VDC);
    if (!r.agd48VDC)
        return fail();
    r.sts48OK = rangeLamp(*r.agd48VDC, Low48V, High48V);
    return r;
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

LampLook ReplyDecoder::rangeLamp(double value, double lowLimit, double highLimit)
{
    if (value < lowLimit)
        return {true, QStringLiteral("Low")};
    if (value > highLimit)
        return {true, QStringLiteral("High")};
    return {false, QStringLiteral("OK")};
}
