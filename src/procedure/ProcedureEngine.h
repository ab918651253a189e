#pragma once

#include "procedure/Procedure.h"
#include "procedure/ProcedureRun.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

enum class StepState : quint8 { Pending, Running, Passed, Failed, Skipped };
enum class RunState : quint8 { Ready, Running, Passed, Failed, Aborted };

QString stepStateName(StepState state);

// What was measured of one quantity while its step ran, current readings only.
struct Measured
{
    int count = 0;
    double min = 0;
    double max = 0;
    double sum = 0;

    void add(double v);
    double mean() const { return count ? sum / count : 0; }
};

struct StepResult
{
    StepState state = StepState::Pending;
    QString reason;  // why it failed or was skipped
    QString entered; // record: the value typed
    qint64 startedMs = 0;
    qint64 endedMs = 0;
    std::vector<Measured> measured;             // one per limit of the step
    std::vector<std::optional<double>> present; // the limits' quantities now, while running
};

// Runs a procedure step by step over a run. It is advanced at every poll
// (and by a timer, so timeouts pass on a silent line); the operator's
// Continue and Abort come in between. A failed step ends the run: the steps
// after it are skipped and nothing more is sent.
class ProcedureEngine
{
public:
    ProcedureEngine(Procedure procedure, ProcedureRun &run);

    void start();
    void advance();
    // Continue on the running record or instruct step. A refusal (the value
    // isn't a number, the condition doesn't hold) leaves the step running.
    QString continueStep(const QString &entered = {});
    bool canContinue() const;
    // Stops at once: the running step fails with the reason, the rest are skipped.
    void abort(const QString &reason);

    const Procedure &procedure() const { return m_procedure; }
    RunState state() const { return m_state; }
    bool running() const { return m_state == RunState::Running; }
    const std::vector<StepResult> &results() const { return m_results; }
    int current() const { return m_current; } // -1 before the start and after the end
    // The running step's time left, when it has a timeout.
    std::optional<qint64> timeLeftMs() const;
    qint64 startedMs() const { return m_startedMs; }
    qint64 endedMs() const { return m_endedMs; }
    // What the record steps took, by their field ("node", "operator").
    QString entered(const QString &field) const;

    // Told after every change of a step or of the run.
    std::function<void()> changed;

private:
    void begin(int index);
    void pass();
    void fail(const QString &reason);
    void finish(RunState state, const QString &reason);
    void sample(const Step &step, StepResult &result) const;
    // The step's limits on current readings: empty when they hold, else why not.
    QString breach(const Step &step, StepResult &result) const;
    void tell();

    Procedure m_procedure;
    ProcedureRun &m_run;
    RunState m_state = RunState::Ready;
    std::vector<StepResult> m_results;
    int m_current = -1;
    qint64 m_startedMs = 0;
    qint64 m_endedMs = 0;
    std::optional<qint64> m_holdSince; // check: the limits have held since
    QString m_lastBreach;
    bool m_commandSent = false; // load command: waiting for the report
};
