#include "porttest/ProcedureReport.h"

#include "session/CsvWriter.h"
#include "session/EventList.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextDocument>
#include <QUrl>

#include <cstdlib>

namespace {
QString slug(const QString &text)
{
    QString s = text.trimmed().toLower();
    s.replace(QRegularExpression(QStringLiteral("[^a-z0-9._-]+")), QStringLiteral("-"));
    s.remove(QRegularExpression(QStringLiteral("^-+|-+$")));
    return s.left(40);
}

// Local time with its offset written out, "+00:00" rather than "Z".
QString isoWithOffset(const QDateTime &t)
{
    const int offset = t.offsetFromUtc();
    return t.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"))
           + QStringLiteral("%1%2:%3")
                 .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                 .arg(std::abs(offset) / 3600, 2, 10, QLatin1Char('0'))
                 .arg(std::abs(offset) % 3600 / 60, 2, 10, QLatin1Char('0'));
}

QString number(double v)
{
    return QString::number(v, 'g', 6);
}

// Written whole or not at all, and never over a file already there.
bool writeNew(const QString &path, const QByteArray &content, QString *reason)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        *reason = file.errorString();
        return false;
    }
    if (file.write(content) != content.size() || !file.flush()) {
        *reason = file.errorString();
        file.close();
        file.remove();
        return false;
    }
    file.close();
    return true;
}
} // namespace

ProcedureReport::ProcedureReport(const ProcedureEngine &engine, const SessionRecord &record, ReportSetting setting)
    : m_engine(engine)
    , m_record(record)
    , m_setting(std::move(setting))
{
    const Stamp now = record.now();
    m_wallMinusMono = now.wallMs - now.monoMs;
}

QDateTime ProcedureReport::wallTime(qint64 monoMs) const
{
    return QDateTime::fromMSecsSinceEpoch(monoMs + m_wallMinusMono);
}

QString ProcedureReport::verdict() const
{
    return m_engine.state() == RunState::Passed ? QStringLiteral("PASS") : QStringLiteral("FAIL");
}

QString ProcedureReport::baseName() const
{
    QStringList parts{wallTime(m_engine.startedMs()).toString(QStringLiteral("yyyy-MM-dd_HHmm"))};
    const QString node = slug(m_engine.entered(QStringLiteral("node")));
    if (!node.isEmpty())
        parts << node;
    parts << slug(m_engine.procedure().name);
    return parts.join(QLatin1Char('_'));
}

QByteArray ProcedureReport::csv() const
{
    const qint64 from = m_engine.startedMs();
    const qint64 to = m_engine.endedMs();
    CsvWriter writer(const_cast<SessionRecord &>(m_record));
    QByteArray out = CsvWriter::Header;
    const auto &ticks = m_record.ticks();
    const auto &events = m_record.events();
    auto tick = std::find_if(ticks.begin(), ticks.end(), [from](const TickEntry &t) { return t.at.monoMs >= from; });
    auto event
        = std::find_if(events.begin(), events.end(), [from](const EventEntry &e) { return e.at.monoMs >= from; });
    const auto tickIn = [&] { return tick != ticks.end() && tick->at.monoMs <= to; };
    const auto eventIn = [&] { return event != events.end() && event->at.monoMs <= to; };
    while (tickIn() || eventIn()) {
        if (!eventIn() || (tickIn() && tick->at.monoMs <= event->at.monoMs))
            out += writer.row(*tick++);
        else
            out += CsvWriter::row(*event++);
    }
    return out;
}

QJsonObject ProcedureReport::json(const ReportFiles &files, const QByteArray &pdfSha, const QByteArray &csvSha) const
{
    const Procedure &p = m_engine.procedure();
    QJsonArray steps;
    for (std::size_t i = 0; i < p.steps.size(); ++i) {
        const Step &step = p.steps[i];
        const StepResult &r = m_engine.results()[i];
        QJsonArray readings;
        for (std::size_t l = 0; l < step.limits.size(); ++l) {
            const Limit &limit = step.limits[l];
            QJsonObject reading{{QStringLiteral("name"), quantityName(limit.quantity)},
                                {QStringLiteral("unit"), quantityUnit(limit.quantity)},
                                {QStringLiteral("limits"), limit.text()}};
            if (limit.min)
                reading[QStringLiteral("min_limit")] = *limit.min;
            if (limit.max)
                reading[QStringLiteral("max_limit")] = *limit.max;
            if (l < r.measured.size() && r.measured[l].count > 0) {
                reading[QStringLiteral("measured_min")] = r.measured[l].min;
                reading[QStringLiteral("measured_mean")] = r.measured[l].mean();
                reading[QStringLiteral("measured_max")] = r.measured[l].max;
                reading[QStringLiteral("samples")] = r.measured[l].count;
            }
            readings.append(reading);
        }
        QJsonObject s{{QStringLiteral("number"), int(i + 1)}, {QStringLiteral("kind"), stepKindName(step.kind)},
                      {QStringLiteral("text"), step.text},    {QStringLiteral("verdict"), stepStateName(r.state)},
                      {QStringLiteral("reason"), r.reason},   {QStringLiteral("readings"), readings}};
        if (step.kind == StepKind::Command)
            s[QStringLiteral("command")] = commandName(step.command);
        if (step.kind == StepKind::Record) {
            s[QStringLiteral("field")] = step.field;
            s[QStringLiteral("entered")] = r.entered;
        }
        if (r.state == StepState::Passed || r.state == StepState::Failed)
            s[QStringLiteral("duration_s")] = (r.endedMs - r.startedMs) / 1000.0;
        steps.append(s);
    }
    QJsonArray events;
    for (const EventEntry &e : m_record.events())
        if (e.at.monoMs >= m_engine.startedMs() && e.at.monoMs <= m_engine.endedMs())
            events.append(
                QJsonObject{{QStringLiteral("time"), isoWithOffset(QDateTime::fromMSecsSinceEpoch(e.at.wallMs))},
                            {QStringLiteral("kind"), eventKindName(e.kind)},
                            {QStringLiteral("text"), e.text}});
    return QJsonObject{
        {QStringLiteral("tool_version"), m_setting.toolVersion},
        {QStringLiteral("started"), isoWithOffset(wallTime(m_engine.startedMs()))},
        {QStringLiteral("ended"), isoWithOffset(wallTime(m_engine.endedMs()))},
        {QStringLiteral("operator"), m_engine.entered(QStringLiteral("operator"))},
        {QStringLiteral("node"), m_engine.entered(QStringLiteral("node"))},
        {QStringLiteral("port"), m_setting.port},
        {QStringLiteral("device"), m_setting.device},
        {QStringLiteral("usb"), m_setting.usb},
        {QStringLiteral("procedure"), QJsonObject{{QStringLiteral("name"), p.name},
                                                  {QStringLiteral("version"), p.version},
                                                  {QStringLiteral("file"), p.path},
                                                  {QStringLiteral("sha256"), QString::fromLatin1(p.sha256)}}},
        {QStringLiteral("verdict"), verdict()},
        {QStringLiteral("aborted"), m_engine.state() == RunState::Aborted},
        {QStringLiteral("steps"), steps},
        {QStringLiteral("events"), events},
        {QStringLiteral("pdf"), QJsonObject{{QStringLiteral("file"), QFileInfo(files.pdf).fileName()},
                                            {QStringLiteral("sha256"), QString::fromLatin1(pdfSha)}}},
        {QStringLiteral("csv"), QJsonObject{{QStringLiteral("file"), QFileInfo(files.csv).fileName()},
                                            {QStringLiteral("sha256"), QString::fromLatin1(csvSha)}}},
    };
}

QString ProcedureReport::html() const
{
    const Procedure &p = m_engine.procedure();
    const auto esc = [](const QString &s) { return s.toHtmlEscaped(); };
    const bool pass = m_engine.state() == RunState::Passed;
    QString h = QStringLiteral("<html><body style='font-family: sans-serif; font-size: 9pt'>");
    h += QStringLiteral("<h2>Port test report: %1</h2>").arg(esc(p.name));
    h += QStringLiteral("<p style='font-size: 16pt; font-weight: bold; color: %1'>%2%3</p>")
             .arg(pass ? QStringLiteral("#148232") : QStringLiteral("#c81e1e"), verdict(),
                  m_engine.state() == RunState::Aborted ? QStringLiteral(" (aborted)") : QString());
    const auto row = [&](const QString &k, const QString &v) {
        return QStringLiteral("<tr><td><b>%1</b></td><td>%2</td></tr>").arg(esc(k), esc(v));
    };
    h += QStringLiteral("<table cellspacing='0' cellpadding='2'>");
    h += row(QStringLiteral("Node"), m_engine.entered(QStringLiteral("node")));
    h += row(QStringLiteral("Operator"), m_engine.entered(QStringLiteral("operator")));
    h += row(QStringLiteral("Started"), isoWithOffset(wallTime(m_engine.startedMs())));
    h += row(QStringLiteral("Ended"), isoWithOffset(wallTime(m_engine.endedMs())));
    h += row(QStringLiteral("Port"), QStringLiteral("%1 (%2)").arg(m_setting.port).arg(m_setting.device));
    h += row(QStringLiteral("USB adapter"), m_setting.usb.isEmpty() ? QStringLiteral("not on USB") : m_setting.usb);
    h += row(QStringLiteral("Procedure"), QStringLiteral("%1, version %2").arg(p.name, p.version));
    h += row(QStringLiteral("Procedure file"), p.path);
    h += row(QStringLiteral("SHA-256"), QString::fromLatin1(p.sha256));
    h += row(QStringLiteral("Tool version"), m_setting.toolVersion);
    h += QStringLiteral("</table><h3>Steps</h3>");
    h += QStringLiteral(
        "<table border='1' cellspacing='0' cellpadding='3' width='100%'><tr><th>#</th><th>Step</th>"
        "<th>Limits</th><th>Min / mean / max</th><th>Duration</th><th>Verdict</th><th>Reason</th></tr>");
    for (std::size_t i = 0; i < p.steps.size(); ++i) {
        const Step &step = p.steps[i];
        const StepResult &r = m_engine.results()[i];
        QStringList limits, measured;
        for (std::size_t l = 0; l < step.limits.size(); ++l) {
            limits << quantityName(step.limits[l].quantity) + QLatin1Char(' ') + step.limits[l].text();
            const Measured &m = l < r.measured.size() ? r.measured[l] : Measured{};
            measured << (m.count ? QStringLiteral("%1 / %2 / %3").arg(number(m.min), number(m.mean()), number(m.max))
                                 : QStringLiteral("–"));
        }
        if (step.kind == StepKind::Record) {
            if (step.numeric)
                limits << rangeText(step.min, step.max, {});
            measured << r.entered;
        }
        const bool judged = r.state == StepState::Passed || r.state == StepState::Failed;
        const QString colour = r.state == StepState::Passed   ? QStringLiteral("#148232")
                               : r.state == StepState::Failed ? QStringLiteral("#c81e1e")
                                                              : QStringLiteral("#666666");
        h += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td><td>%5</td>"
                            "<td style='color: %6'><b>%7</b></td><td>%8</td></tr>")
                 .arg(i + 1)
                 .arg(esc(step.text), esc(limits.join(QStringLiteral("; "))), esc(measured.join(QStringLiteral("; "))),
                      judged ? QStringLiteral("%1 s").arg((r.endedMs - r.startedMs) / 1000.0, 0, 'f', 1) : QString(),
                      colour, stepStateName(r.state), esc(r.reason));
    }
    h += QStringLiteral("</table><h3>Events</h3><table cellspacing='0' cellpadding='2'>");
    for (const EventEntry &e : m_record.events())
        if (e.at.monoMs >= m_engine.startedMs() && e.at.monoMs <= m_engine.endedMs())
            h += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td></tr>")
                     .arg(QDateTime::fromMSecsSinceEpoch(e.at.wallMs).toString(QStringLiteral("HH:mm:ss")),
                          esc(eventKindName(e.kind)), esc(e.text));
    h += QStringLiteral("</table>");
    if (!m_setting.chart.isNull())
        h += QStringLiteral("<h3>Readings</h3><img src='chart:run' width='640'>");
    return h + QStringLiteral("</body></html>");
}

QByteArray ProcedureReport::pdf() const
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    writer.setResolution(300);
    writer.setTitle(QStringLiteral("Port test report: %1").arg(m_engine.procedure().name));
    writer.setCreator(QStringLiteral("vanto-port-test %1").arg(m_setting.toolVersion));
    QTextDocument document;
    if (!m_setting.chart.isNull())
        document.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("chart:run")), m_setting.chart);
    document.setHtml(html());
    // Printed without a page size of its own, the document numbers its pages.
    document.print(&writer);
    return out;
}

ReportFiles ProcedureReport::write(const QString &directory) const
{
    ReportFiles files;
    if (!QDir().mkpath(directory)) {
        files.error = QStringLiteral("the folder %1 could not be made").arg(directory);
        return files;
    }
    const QDir dir(directory);
    // A name none of the three files has yet.
    const QString base = baseName();
    QString stem = base;
    for (int n = 2; QFile::exists(dir.filePath(stem + QStringLiteral(".pdf")))
                    || QFile::exists(dir.filePath(stem + QStringLiteral(".json")))
                    || QFile::exists(dir.filePath(stem + QStringLiteral(".csv")));
         ++n)
        stem = QStringLiteral("%1-%2").arg(base).arg(n);
    files.pdf = dir.filePath(stem + QStringLiteral(".pdf"));
    files.json = dir.filePath(stem + QStringLiteral(".json"));
    files.csv = dir.filePath(stem + QStringLiteral(".csv"));

    const QByteArray pdfBytes = pdf();
    const QByteArray csvBytes = csv();
    const QByteArray pdfSha = QCryptographicHash::hash(pdfBytes, QCryptographicHash::Sha256).toHex();
    const QByteArray csvSha = QCryptographicHash::hash(csvBytes, QCryptographicHash::Sha256).toHex();
    const QByteArray jsonBytes = QJsonDocument(json(files, pdfSha, csvSha)).toJson();
    QString reason;
    for (const auto &[path, bytes] : {std::pair{files.pdf, pdfBytes}, {files.csv, csvBytes}, {files.json, jsonBytes}})
        if (!writeNew(path, bytes, &reason)) {
            files.error = QStringLiteral("%1 could not be written: %2").arg(path, reason);
            return files;
        }
    return files;
}
