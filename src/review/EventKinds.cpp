#include "review/EventKinds.h"

#include <QRegularExpression>

namespace {

struct Pattern
{
    EventKind kind;
    const char *pattern;
};

// The texts the tool writes for each kind; the first that matches names it.
const Pattern Patterns[] = {
    {EventKind::SessionStarted, "^Session started"},
    {EventKind::LoadNotConfirmed, "^Load commanded \\w+; the controller still reports"},
    {EventKind::LoadCommanded, "^Load commanded (Loaded|Unloaded)$"},
    {EventKind::LoadConfirmed, "^The controller reports (Loaded|Unloaded), as commanded$"},
    {EventKind::Refused, "^Load switch refused"},
    {EventKind::PpsCommanded, "^1PPS sense commanded (on|off)$"},
    {EventKind::RateCommanded, "^(Slow|Fast) update commanded$"},
    {EventKind::LinkFollowed, "^Port \\d follows its adapter to "},
    {EventKind::LinkBack, "^Port \\d.* open again$"},
    {EventKind::LinkLost, "^Port \\d.* lost$"},
    {EventKind::PortChanged, "^Port \\d(: .*)?$"},
    {EventKind::LoggingStarted, "^(Logging to |Recording CSV to )"},
    {EventKind::LoggingStopped, "^Logging stopped$"},
    {EventKind::LoggingFailed, "^(The log file .* could not be written|CSV record stopped)"},
    {EventKind::RepliesLate, "^\\d+ repl(y|ies) arrived late"},
    {EventKind::LineNoise, "^\\d+ (polls?|repl(y|ies)|stray).* in the last \\d+ s$"},
    {EventKind::AlarmsAcknowledged, "^Acknowledged \\d+ alarms?: "},
    {EventKind::FeedRefused, "^Shore feed refused: "},
    {EventKind::ProcedureStarted, "^Procedure started: "},
    {EventKind::ProcedureStep, "^Step \\d+ (passed|failed): "},
    {EventKind::ProcedureEnded, "^Procedure ended: (PASS|FAIL)"},
    {EventKind::ProcedureAborted, "^Procedure aborted at step \\d+: "},
};

} // namespace

EventKind eventKindOf(const QString &text)
{
    static const auto compiled = [] {
        std::vector<std::pair<EventKind, QRegularExpression>> list;
        for (const Pattern &p : Patterns)
            list.emplace_back(p.kind, QRegularExpression(QString::fromLatin1(p.pattern),
                                                         QRegularExpression::DotMatchesEverythingOption));
        return list;
    }();
    for (const auto &[kind, expression] : compiled)
        if (expression.match(text).hasMatch())
            return kind;
    return EventKind::ControllerMessage;
}
