#include "session/StatusLine.h"

#include "session/SessionRecord.h"
#include "telemetry/Units.h"

#include <QStringList>

#include <cmath>

using Units::loadWord;

namespace {
QString seconds(qint64 ms)
{
    return QStringLiteral("%1 s").arg(ms / 1000);
}
} // namespace

StatusLine statusLine(const QString &port, const SessionRecord &record, const QString &note)
{
    StatusLine line;
    QStringList parts{port};

    if (const SessionRecord::ReplyShare share = record.replyShare(); share.polls > 0) {
        const int percent = int(std::lround(100.0 * share.replies / share.polls));
        parts << QStringLiteral("replies to %1% of polls in the last minute").arg(percent);
    }

    if (const auto age = record.lastGoodAgeMs(); !age)
        parts << QStringLiteral("no reading yet");
    else if (*age <= SessionRecord::FreshForMs)
        parts << QStringLiteral("readings current");
    else
        parts << QStringLiteral("readings stale: last good reply %1 ago").arg(seconds(*age));

    QStringList link = parts;
    if (const auto d = record.loadDisagreement()) {
        line.warning = QStringLiteral("Load commanded %1; the controller still reports %2 (%3)")
                           .arg(loadWord(d->commanded), loadWord(d->reported), seconds(d->forMs));
        parts << line.warning;
        line.alarm = true;
    }
    if (!note.isEmpty()) {
        parts << note;
        link << note;
    }

    line.text = parts.join(QStringLiteral("  |  "));
    line.link = link.join(QStringLiteral("  |  "));
    return line;
}
