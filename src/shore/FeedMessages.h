#pragma once

#include "session/SessionRecord.h"
#include "telemetry/Telemetry.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// What the shore feed publishes, as compact JSON. Times are ISO 8601 with
// milliseconds and the local offset, e.g. 2026-12-09T18:05:01.250+01:00.
namespace FeedMessages {

QString isoTime(qint64 wallMs);

// PREFIX/telemetry: one good reply, the reply text exactly as received and
// the readings it carried, each with its unit.
QJsonObject telemetry(const Telemetry &reply, qint64 wallMs);
// PREFIX/event: one event of the session record.
QJsonObject event(const EventEntry &event);

// PREFIX/status (retained): what the deck tool is doing.
struct DeckStatus
{
    QString version;
    int port = 0;
    QString device;
    QString link;         // "open", "not open" or "lost"
    bool current = false; // the readings are current
    QString text;         // the deck's status bar
};
QJsonObject online(const DeckStatus &status);
// Also the broker's last will for the tool.
QJsonObject offline();

QByteArray compact(const QJsonObject &object);

} // namespace FeedMessages
