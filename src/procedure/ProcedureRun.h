#pragma once

#include "procedure/Procedure.h"
#include "session/SessionRecord.h"

#include <QString>

#include <optional>

// What a procedure may see of the run and do to it: no more than the
// operator could at the window. Readings come only while current.
class ProcedureRun
{
public:
    virtual ~ProcedureRun() = default;

    virtual qint64 nowMs() const = 0; // monotonic
    // The quantity as the window shows it now; none while it is not current.
    // The reply share is over the polls since sinceMs.
    virtual std::optional<double> value(Quantity q, qint64 sinceMs) const = 0;
    // Age of the last reply that carried readings; none before the first.
    virtual std::optional<qint64> lastReplyAgeMs() const = 0;

    virtual char loadCommanded() const = 0; // 'l' or 'u'
    virtual bool ppsOn() const = 0;
    virtual bool fastRate() const = 0;
    // The operator's intents. A refused load switch gives the text of the
    // interlock's message box; empty when accepted.
    virtual QString toggleLoad() = 0;
    virtual void toggle1PPS() = 0;
    virtual void toggleRate() = 0;

    virtual void recordEvent(EventKind kind, const QString &text) = 0;
};

class PortRun;

// The procedure's view of the real run.
class PortRunAccess : public ProcedureRun
{
public:
    explicit PortRunAccess(PortRun &run)
        : m_run(run)
    { }

    qint64 nowMs() const override;
    std::optional<double> value(Quantity q, qint64 sinceMs) const override;
    std::optional<qint64> lastReplyAgeMs() const override;
    char loadCommanded() const override;
    bool ppsOn() const override;
    bool fastRate() const override;
    QString toggleLoad() override;
    void toggle1PPS() override;
    void toggleRate() override;
    void recordEvent(EventKind kind, const QString &text) override;

private:
    PortRun &m_run;
};
