#pragma once

#include "telemetry/Reading.h"

#include <QString>

#include <optional>

// How the tool understood one reply.
enum class ReplyOutcome : quint8 {
    NoData,      // nothing framed arrived ("?"), or the port was closed ("")
    TextMessage, // a message of the controller, shown as it came
    BadData,     // telemetry that stopped decoding part-way: a field is no number
    Telemetry,   // telemetry decoded to its end
    Unframed,    // text without a terminator: shown raw, not decoded
};

// One reply as a value: what it was, which readings the decoding reached and
// which of them the reply itself carried (the rest are kept from earlier
// replies), and the readings as numbers and as the controller wrote them.
// Everything after the decoder takes this and parses nothing again.
struct Telemetry
{
    ReplyOutcome outcome = ReplyOutcome::NoData;
    QString reply;     // exactly as read, terminator included
    int badField = -1; // BadData: the field that is no number

    quint8 reached = 0; // one readingBit() per reading the decoding got to
    quint8 carried = 0; // ... and that this reply itself carried

    double loadCanTempC = 0;
    double controlCanTempC = 0;
    QString pulseFrequency; // as the controller sent them
    QString pulseWidth;
    std::optional<double> pulseFrequencyHz; // when the text is a number
    std::optional<double> pulseWidthUs;
    double count400 = 0; // converter counts, full scale 4096
    double count48 = 0;
    QString loadField; // field 6 as sent: "u" or "l" for a load state

    bool has(Reading r) const { return reached & readingBit(r); }
    bool carries(Reading r) const { return carried & readingBit(r); }
    // The load state as reported ('u', 'l', or another single letter as
    // sent), '?' for a field of another length, 0 when the decoding didn't
    // get there.
    char loadState() const
    {
        if (!has(Reading::LoadState))
            return 0;
        return loadField.size() == 1 ? loadField.at(0).toLatin1() : '?';
    }
};
