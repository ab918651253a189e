#pragma once

#include <QString>

class SessionRecord;

// The status bar's one line: which port, how the link is doing, how old the
// readings are, and what the operator must know. Alarm is for what needs
// them now (the controller not doing as commanded): shown in red.
struct StatusLine
{
    QString text; // all of it, in one line
    bool alarm = false;
    // The same in its fields: the link and the readings, the load warning
    // (the red part), and the alarms not yet acknowledged.
    QString link;
    QString warning;
    QString alarms;

    bool operator==(const StatusLine &other) const
    {
        return text == other.text && alarm == other.alarm && alarms == other.alarms;
    }
    bool operator!=(const StatusLine &other) const { return !(*this == other); }
};

// port: "Port 1: /dev/ttyUSB0"; note: a link event worth telling ("Port 1
// follows its adapter to /dev/ttyUSB1"), empty when there is none. The text
// only changes when something the operator reads changes (ages go in whole
// seconds, and only once readings are stale), so it needn't repaint each poll.
StatusLine statusLine(const QString &port, const SessionRecord &record, const QString &note = {});
