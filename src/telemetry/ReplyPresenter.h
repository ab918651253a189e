#pragma once

#include "looks/ButtonLook.h"
#include "telemetry/Telemetry.h"

#include <QString>

#include <optional>

// A supply's range, as its range lamp judges the gauge; a value on a limit is
// in range.
struct SupplyRange
{
    double low;
    double high;

    bool contains(double volts) const { return !(volts < low) && !(volts > high); }
};
constexpr SupplyRange Range400V{338, 412};
constexpr SupplyRange Range48V{43, 53};

// How a range lamp looks after a reply: lit (red) or unlit (green), and its text.
struct LampLook
{
    bool lit = false;
    QString text;

    bool operator==(const LampLook &other) const { return lit == other.lit && text == other.text; }
};
LampLook rangeLamp(double volts, const SupplyRange &range);

// What one reply changes on the main window, member by member in the order the
// decoding reaches them. An empty optional means "leave that control as it
// is". Applying it is one assignment per member that holds a value.
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

// The window's texts for a reply. loggingOn asks for the log record body,
// composed only from a reply that carried every value it holds.
DecodedReply presentReply(const Telemetry &reply, bool loggingOn);

// The status line's text for a reply.
QString statusText(const Telemetry &reply);
