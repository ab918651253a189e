#pragma once

#include "procedure/ProcedureEngine.h"
#include "session/SessionRecord.h"

#include <QImage>
#include <QJsonObject>
#include <QString>

// Where the run was made: the tool and the port.
struct ReportSetting
{
    QString toolVersion;
    int port = 0;
    QString device; // /dev/ttyUSB0
    QString usb;    // the adapter's USB identity, when it is on USB
    QImage chart;   // the readings over the run; none: no chart
};

struct ReportFiles
{
    QString pdf;
    QString json;
    QString csv;
    QString error; // why the report could not be written whole, empty when it was
};

// The record of one procedure run that another engineer can trust: the
// steps with their limits, what was measured and the verdicts, the events
// during the run, the readings as a chart, as a PDF, as JSON (with the
// SHA-256 of the PDF and the CSV beside it) and as the session's CSV over
// the run's span. No file of a report ever replaces one already there.
class ProcedureReport
{
public:
    ProcedureReport(const ProcedureEngine &engine, const SessionRecord &record, ReportSetting setting);

    // Writes the three files into directory, made when missing.
    ReportFiles write(const QString &directory) const;

    // "2026-12-09_1823_N42_science-port-acceptance", without a suffix.
    QString baseName() const;
    QJsonObject json(const ReportFiles &files, const QByteArray &pdfSha, const QByteArray &csvSha) const;
    QString html() const;
    QByteArray csv() const;
    QByteArray pdf() const;

private:
    QDateTime wallTime(qint64 monoMs) const;
    QString verdict() const;

    const ProcedureEngine &m_engine;
    const SessionRecord &m_record;
    ReportSetting m_setting;
    qint64 m_wallMinusMono = 0;
};
