#pragma once

#include "looks/ButtonLook.h"

#include <QString>

#include <array>
#include <optional>

// How a range lamp looks after a reply: lit (red) or unlit (green), and its text.
struct LampLook
{
    bool lit = false;
    QString text;

    bool operator==(const LampLook &other) const { return lit == other.lit && text == other.text; }
};

// What one reply changes on the main window, member by member in the order the
// decoder sets them. An empty optional means "leave that control as it is".
// Applying it is one assignment per member that holds a value.
struct DecodedReply
{
    QString Text1;                         // always: the raw reply
    QString lblCommStatData;               // always: "No Data", a message, "" or "Bad Data"
    std::optional<QString> txtLoadCanTemp; // deg C
    std::optional<QString> txtCtrCanTemp;  // deg C
    std::optional<QString> txtPlsWdth;     // field text as sent
    std::optional<QString> txtPlsFreq;     // field text as sent
    std::optional<QString> lbl400VDC;      // whole volts
    std::optional<QString> lbl48VDC;       // whole volts
    std::optional<ButtonLook> cmdLoaded;   // caption and colour; the tooltip stays
    std::optional<double> agd400VDC;
    QString strLogLine; // always replaces the waiting record; empty unless logging
    std::optional<LampLook> sts400OK;
    std::optional<double> agd48VDC;
    std::optional<LampLook> sts48OK;
};

// Decodes the controller's replies. Keeps the fields of earlier replies, since a
// short reply only overwrites the fields it carries.
class ReplyDecoder
{
public:
    static constexpr int FieldSlots = 8;
    // Fields 0 to 6 go into a log record.
    static constexpr int LoggedFields = 7;

    // Texts the decoder shows in the status line.
    static inline const QString NoData = QStringLiteral("No Data");
    static inline const QString BadData = QStringLiteral("Bad Data");

    // Converter counts: full scale is 400 V on channel 1 and 60 V on channel 2.
    static constexpr double FullScaleCount = 4096;
    static constexpr double Range400V = 400;
    static constexpr double Range48V = 60;

    // Range limits; a value on a limit is in range.
    static constexpr double Low400V = 338;
    static constexpr double High400V = 412;
    static constexpr double Low48V = 43;
    static constexpr double High48V = 53;

    // Decodes one reply (terminator included). loggingOn asks for the log record
    // body, composed only from a reply that carried all of its fields. Never throws: a field that is no number ends the
    // decoding with "Bad Data", keeping what the steps before it changed.
    DecodedReply ParseString(const QString &strReply, bool loggingOn);

    const std::array<QString, FieldSlots> &fields() const { return strFields; }
    int fieldCount() const { return intFieldCount; }

    // A reply that is a message of the controller, shown as it came: it starts
    // with "T" or "C".
    static bool isTextMessage(const QString &strReply)
    {
        return strReply.startsWith(QLatin1Char('T')) || strReply.startsWith(QLatin1Char('C'));
    }

    // The lamp look for a gauge value against its range.
    static LampLook rangeLamp(double value, double lowLimit, double highLimit);

private:
    void splitFields(const QString &strReply);

    std::array<QString, FieldSlots> strFields; // never cleared between replies
    int intFieldCount = 0;                     // fields stored from the current reply
};
