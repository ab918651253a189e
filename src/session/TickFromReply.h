#pragma once

#include "session/SessionRecord.h"

class ReplyDecoder;
struct DecodedReply;

// What the record keeps of one tick: its outcome, the letter sent, and each
// reading the reply itself carried (a field kept from an earlier reply is not
// fresh) and the decoder got to.
struct TickFromReply
{
    TickEntry tick;
    QString pulseFrequency;
    QString pulseWidth;
    QString message; // a text message of the controller
};

TickFromReply tickFromReply(const QString &strReply, const DecodedReply &decoded, const ReplyDecoder &decoder,
                            char sent);
