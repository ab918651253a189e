#pragma once

#include "session/SessionRecord.h"
#include "session/TrendPoints.h"

#include <QStringList>

#include <map>

// What a reviewer asks of a session or of a span of it: when it ran, each
// reading's minimum, mean and maximum and how long it was outside its range
// (the supplies, by the lamps' limits), the share of polls answered where
// that is known, and the events by kind.
struct SessionSummary
{
    struct Figures
    {
        Trend trend;
        qint64 samples = 0;
        double min = 0;
        double mean = 0;
        double max = 0;
        std::optional<qint64> outsideMs; // none: the reading has no range
    };

    std::optional<qint64> startMs; // wall clock, ms since the epoch
    std::optional<qint64> endMs;
    std::vector<Figures> figures; // one per trend
    std::optional<double> answeredShare;
    std::map<EventKind, int> events;

    // Over the ticks and events within [fromMs, toMs] of the wall clock.
    // A reading holds until the next reply carrying it, at most holdMs: no
    // longer than the tool calls it current. tellsPolls: the record's noise
    // events count the unanswered polls (a CSV file's do, a log has none).
    static SessionSummary of(const SessionRecord &record, qint64 fromMs, qint64 toMs, qint64 holdMs, bool tellsPolls);

    // As the window shows it, a line for each item.
    QStringList lines() const;
};
