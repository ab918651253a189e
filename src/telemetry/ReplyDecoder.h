#pragma once

#include "telemetry/ReplyPresenter.h"
#include "telemetry/Telemetry.h"

#include <QString>

#include <array>

// Decodes the controller's replies into typed readings. Keeps the fields of
// earlier replies, since a short reply only overwrites the fields it carries.
class ReplyDecoder
{
public:
    static constexpr int FieldSlots = 8;
    // Fields 0 to 6 go into a log record.
    static constexpr int LoggedFields = 7;

    // Texts the decoding shows in the status line.
    static inline const QString NoData = QStringLiteral("No Data");
    static inline const QString BadData = QStringLiteral("Bad Data");

    // Decodes one reply (terminator included). Never throws: a field that is
    // no number ends the decoding as BadData, with what the steps before it
    // reached.
    Telemetry decode(const QString &strReply);

    // The window's texts for one reply: decode() and presentReply() in one.
    DecodedReply ParseString(const QString &strReply, bool loggingOn)
    {
        return presentReply(decode(strReply), loggingOn);
    }

    const std::array<QString, FieldSlots> &fields() const { return strFields; }
    int fieldCount() const { return intFieldCount; }

    // A reply that is a message of the controller, shown as it came: it starts
    // with "T" or "C".
    static bool isTextMessage(const QString &strReply)
    {
        return strReply.startsWith(QLatin1Char('T')) || strReply.startsWith(QLatin1Char('C'));
    }

private:
    void splitFields(const QString &strReply);

    std::array<QString, FieldSlots> strFields; // never cleared between replies
    int intFieldCount = 0;                     // fields stored from the current reply
};
