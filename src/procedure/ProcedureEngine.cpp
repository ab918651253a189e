#include "procedure/ProcedureEngine.h"

#include <algorithm>
#include <cmath>

QString stepStateName(StepState state)
{
    switch (state) {
    case StepState::Pending:
        return QStringLiteral("pending");
    case StepState::Running:
        return QStringLiteral("running");
    case StepState::Passed:
        return QStringLiteral("passed");
    case StepState::Failed:
        return QStringLiteral("failed");
    case StepState::Skipped:
        return QStringLiteral("skipped");
    }
    return {};
}

void Measured::add(double v)
{
    if (count == 0)
        min = max = v;
    min = std::min(min, v);
    max = std::max(max, v);
    sum += v;
    ++count;
}

namespace {
qint64 ms(double seconds)
{
    return qint64(std::llround(seconds * 1000));
}

QString valueText(Quantity q, double v)
{
    if (q == Quantity::LoadState)
        return v == 'l' ? QStringLiteral("loaded") : v == 'u' ? QStringLiteral("unloaded") : QStringLiteral("unknown");
    const QString unit = quantityUnit(q);
    return QString::number(v, 'g', 6) + (unit.isEmpty() ? QString() : QLatin1Char(' ') + unit);
}

char wantedLoad(Command c)
{
    return c == Command::LoadOn ? 'l' : 'u';
}
} // namespace

ProcedureEngine::ProcedureEngine(Procedure procedure, ProcedureRun &run)
    : m_procedure(std::move(procedure))
    , m_run(run)
    , m_results(m_procedure.steps.size())
{ }

void ProcedureEngine::start()
{
    if (m_state != RunState::Ready || m_procedure.steps.empty())
        return;
    m_state = RunState::Running;
    m_startedMs = m_run.nowMs();
    m_run.recordEvent(EventKind::ProcedureStarted,
                      QStringLiteral("Procedure started: %1 %2").arg(m_procedure.name, m_procedure.version));
    begin(0);
}

void ProcedureEngine::begin(int index)
{
    m_current = index;
    m_holdSince.reset();
    m_lastBreach.clear();
    m_commandSent = false;
    const Step &step = m_procedure.steps[std::size_t(index)];
    StepResult &result = m_results[std::size_t(index)];
    result.state = StepState::Running;
    result.startedMs = m_run.nowMs();
    result.measured.assign(step.limits.size(), {});
    result.present.assign(step.limits.size(), std::nullopt);
    tell();

    if (step.kind != StepKind::Command)
        return advance();
    switch (step.command) {
    case Command::LoadOn:
    case Command::LoadOff:
        if (m_run.loadCommanded() != wantedLoad(step.command)) {
            const QString refusal = m_run.toggleLoad();
            if (!refusal.isEmpty())
                return fail(refusal);
        }
        m_commandSent = true;
        return advance();
    case Command::PpsOn:
    case Command::PpsOff:
        if (m_run.ppsOn() != (step.command == Command::PpsOn))
            m_run.toggle1PPS();
        return pass();
    case Command::RateFast:
    case Command::RateSlow:
        // The update toggle's first click may select the rate already running.
        for (int click = 0; click < 2 && m_run.fastRate() != (step.command == Command::RateFast); ++click)
            m_run.toggleRate();
        return pass();
    }
}

void ProcedureEngine::advance()
{
    if (m_state != RunState::Running)
        return;
    const qint64 now = m_run.nowMs();
    const Step &step = m_procedure.steps[std::size_t(m_current)];
    StepResult &result = m_results[std::size_t(m_current)];

    const auto age = m_run.lastReplyAgeMs();
    const qint64 silentMs = age ? *age : now - m_startedMs;
    if (silentMs > ms(m_procedure.linkLostS))
        return abort(QStringLiteral("no reply from the controller for more than %1 s").arg(m_procedure.linkLostS));

    const qint64 elapsed = now - result.startedMs;
    switch (step.kind) {
    case StepKind::Record:
    case StepKind::Instruct:
        sample(step, result);
        m_lastBreach = breach(step, result);
        if (step.timeoutS > 0 && elapsed >= ms(step.timeoutS))
            return fail(QStringLiteral("timed out after %1 s").arg(step.timeoutS)
                        + (m_lastBreach.isEmpty() ? QString() : QStringLiteral(": ") + m_lastBreach));
        break;
    case StepKind::Command: {
        const auto reported = m_run.value(Quantity::LoadState, now);
        if (reported && *reported == wantedLoad(step.command))
            return pass();
        if (elapsed >= ms(step.confirmS)) {
            const QString now
                = reported ? valueText(Quantity::LoadState, *reported) : QStringLiteral("no current report");
            return fail(
                QStringLiteral("the controller did not report the load %1 within %2 s (%3)")
                    .arg(wantedLoad(step.command) == 'l' ? QStringLiteral("loaded") : QStringLiteral("unloaded"))
                    .arg(step.confirmS)
                    .arg(now));
        }
        break;
    }
    case StepKind::Check: {
        sample(step, result);
        const QString why = breach(step, result);
        if (why.isEmpty()) {
            if (!m_holdSince)
                m_holdSince = now;
            if (now - *m_holdSince >= ms(step.holdS))
                return pass();
        } else {
            m_holdSince.reset();
            m_lastBreach = why;
        }
        if (elapsed >= ms(step.timeoutS)) {
            QString reason = QStringLiteral("not held for %1 s within %2 s").arg(step.holdS).arg(step.timeoutS);
            if (!m_lastBreach.isEmpty())
                reason += QStringLiteral(": ") + m_lastBreach;
            return fail(reason);
        }
        break;
    }
    }
    tell();
}

void ProcedureEngine::sample(const Step &step, StepResult &result) const
{
    const qint64 now = m_run.nowMs();
    for (std::size_t i = 0; i < step.limits.size(); ++i) {
        const Limit &limit = step.limits[i];
        // The share of polls answered is over the hold, or the step so far.
        const qint64 since = std::max(result.startedMs, now - ms(step.holdS));
        result.present[i] = m_run.value(limit.quantity, since);
        // A share of polls is measured once a whole hold of them is in.
        const bool gathering = limit.quantity == Quantity::ReplyShare && now - result.startedMs < ms(step.holdS);
        if (result.present[i] && limit.quantity != Quantity::LoadState && !gathering)
            result.measured[i].add(*result.present[i]);
    }
}

QString ProcedureEngine::breach(const Step &step, StepResult &result) const
{
    QStringList why;
    const qint64 elapsed = m_run.nowMs() - result.startedMs;
    for (std::size_t i = 0; i < step.limits.size(); ++i) {
        const Limit &limit = step.limits[i];
        const auto &v = result.present[i];
        const QString name = quantityName(limit.quantity);
        if (limit.quantity == Quantity::ReplyShare) {
            // Judged once a whole hold of polls is in.
            if (elapsed < ms(step.holdS))
                continue;
            if (!v)
                why << QStringLiteral("%1: no polls").arg(name);
            else if (!limit.within(*v))
                why << QStringLiteral("%1 %2 outside %3").arg(name, valueText(limit.quantity, *v), limit.text());
            continue;
        }
        if (!v)
            why << QStringLiteral("%1 not current").arg(name);
        else if (!limit.within(*v))
            why << QStringLiteral("%1 %2, wanted %3").arg(name, valueText(limit.quantity, *v), limit.text());
    }
    return why.join(QStringLiteral("; "));
}

bool ProcedureEngine::canContinue() const
{
    if (m_state != RunState::Running)
        return false;
    const Step &step = m_procedure.steps[std::size_t(m_current)];
    if (step.kind == StepKind::Record)
        return true;
    if (step.kind != StepKind::Instruct)
        return false;
    auto result = m_results[std::size_t(m_current)];
    sample(step, result);
    return breach(step, result).isEmpty();
}

QString ProcedureEngine::continueStep(const QString &entered)
{
    if (m_state != RunState::Running)
        return QStringLiteral("The procedure is not running.");
    const Step &step = m_procedure.steps[std::size_t(m_current)];
    StepResult &result = m_results[std::size_t(m_current)];
    if (step.kind == StepKind::Instruct) {
        if (!canContinue())
            return QStringLiteral("Not yet: ") + m_lastBreach;
        return pass(), QString();
    }
    if (step.kind != StepKind::Record)
        return QStringLiteral("This step goes on by itself.");
    const QString value = entered.trimmed();
    if (value.isEmpty())
        return QStringLiteral("Type a value first.");
    result.entered = value;
    if (!step.numeric)
        return pass(), QString();
    bool isNumber = false;
    const double number = value.toDouble(&isNumber);
    if (!isNumber || !std::isfinite(number))
        return QStringLiteral("'%1' is not a number.").arg(value);
    if ((step.min && !(number >= *step.min)) || (step.max && !(number <= *step.max)))
        return fail(QStringLiteral("%1 outside %2").arg(value, rangeText(step.min, step.max, {}))), QString();
    return pass(), QString();
}

void ProcedureEngine::pass()
{
    StepResult &result = m_results[std::size_t(m_current)];
    result.state = StepState::Passed;
    result.endedMs = m_run.nowMs();
    const Step &step = m_procedure.steps[std::size_t(m_current)];
    m_run.recordEvent(EventKind::ProcedureStep,
                      QStringLiteral("Step %1 passed: %2").arg(m_current + 1).arg(step.text)
                          + (result.entered.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(result.entered)));
    if (std::size_t(m_current + 1) < m_results.size())
        return begin(m_current + 1);
    finish(RunState::Passed, {});
}

void ProcedureEngine::fail(const QString &reason)
{
    StepResult &result = m_results[std::size_t(m_current)];
    result.state = StepState::Failed;
    result.reason = reason;
    result.endedMs = m_run.nowMs();
    m_run.recordEvent(EventKind::ProcedureStep, QStringLiteral("Step %1 failed: %2: %3")
                                                    .arg(m_current + 1)
                                                    .arg(m_procedure.steps[std::size_t(m_current)].text, reason));
    finish(RunState::Failed, reason);
}

void ProcedureEngine::abort(const QString &reason)
{
    if (m_state != RunState::Running)
        return;
    StepResult &result = m_results[std::size_t(m_current)];
    result.state = StepState::Failed;
    result.reason = QStringLiteral("aborted: ") + reason;
    result.endedMs = m_run.nowMs();
    m_run.recordEvent(EventKind::ProcedureAborted,
                      QStringLiteral("Procedure aborted at step %1: %2").arg(m_current + 1).arg(reason));
    finish(RunState::Aborted, reason);
}

void ProcedureEngine::finish(RunState state, const QString &reason)
{
    m_state = state;
    m_endedMs = m_run.nowMs();
    for (std::size_t i = std::size_t(m_current + 1); i < m_results.size(); ++i) {
        m_results[i].state = StepState::Skipped;
        m_results[i].reason = QStringLiteral("after step %1 failed").arg(m_current + 1);
    }
    m_current = -1;
    if (state != RunState::Aborted)
        m_run.recordEvent(EventKind::ProcedureEnded,
                          QStringLiteral("Procedure ended: %1")
                                  .arg(state == RunState::Passed ? QStringLiteral("PASS") : QStringLiteral("FAIL"))
                              + (reason.isEmpty() ? QString() : QStringLiteral(": ") + reason));
    tell();
}

std::optional<qint64> ProcedureEngine::timeLeftMs() const
{
    if (m_state != RunState::Running)
        return std::nullopt;
    const Step &step = m_procedure.steps[std::size_t(m_current)];
    const double limit = step.kind == StepKind::Command ? step.confirmS : step.timeoutS;
    if (!(limit > 0) || (step.kind == StepKind::Command && !m_commandSent))
        return std::nullopt;
    const qint64 elapsed = m_run.nowMs() - m_results[std::size_t(m_current)].startedMs;
    return std::max<qint64>(0, ms(limit) - elapsed);
}

QString ProcedureEngine::entered(const QString &field) const
{
    for (std::size_t i = 0; i < m_results.size(); ++i)
        if (m_procedure.steps[i].field == field)
            return m_results[i].entered;
    return {};
}

void ProcedureEngine::tell()
{
    if (changed)
        changed();
}
