#include "session/CsvWriter.h"

#include "session/SaveFile.h"
#include "telemetry/NumberText.h"
#include "telemetry/Units.h"

#include <QDateTime>
#include <QFileInfo>

#include <cstdlib>

namespace {

constexpr int ValueColumns = 9; // between the time and the event

// ISO 8601 with milliseconds and the offset the local time had then:
// "2026-12-07T08:54:38.250-08:00".
QByteArray isoTime(qint64 wallMs)
{
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(wallMs);
    const int offsetMinutes = at.offsetFromUtc() / 60;
    const int minutes = std::abs(offsetMinutes);
    // A format string is read in the C locale: Latin digits everywhere.
    return at.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz")).toLatin1() + (offsetMinutes < 0 ? '-' : '+')
           + QByteArray::number(minutes / 60).rightJustified(2, '0') + ':'
           + QByteArray::number(minutes % 60).rightJustified(2, '0');
}

// Quoted when it holds a comma, a quote or a line break, quotes doubled.
QByteArray field(const QString &text)
{
    QByteArray bytes = text.toUtf8();
    if (bytes.contains(',') || bytes.contains('"') || bytes.contains('\n') || bytes.contains('\r'))
        bytes = '"' + bytes.replace('"', "\"\"") + '"';
    return bytes;
}

QByteArray number(double value)
{
    return numberText(value, QLocale::c()).toLatin1();
}

QByteArray volts(double value)
{
    return QByteArray::number(value, 'f', 3);
}

} // namespace

const QByteArray CsvWriter::Header = "time,load_can_temp_c,control_can_temp_c,pps_frequency_hz,pps_width_us,"
                                     "ch1_counts,ch1_volts,ch2_counts,ch2_volts,load_state,event\n";

CsvWriter::CsvWriter(SessionRecord &record)
    : m_record(record)
{ }

CsvWriter::~CsvWriter()
{
    m_record.removeListener(this);
}

QByteArray CsvWriter::row(const TickEntry &tick) const
{
    if (tick.outcome != TickOutcome::Telemetry)
        return {};
    const auto carried = [&](Reading r, const auto &text) { return tick.carries(r) ? text() : QByteArray(); };
    QByteArrayList fields{
        isoTime(tick.at.wallMs),
        carried(Reading::LoadCanTemp, [&] { return number(tick.loadCanTempC); }),
        carried(Reading::ControlCanTemp, [&] { return number(tick.controlCanTempC); }),
        carried(Reading::PulseFrequency, [&] { return field(m_record.text(tick.pulseFrequency)); }),
        carried(Reading::PulseWidth, [&] { return field(m_record.text(tick.pulseWidth)); }),
        carried(Reading::Supply400, [&] { return number(tick.count400); }),
        carried(Reading::Supply400, [&] { return volts(Units::volts400(tick.count400)); }),
        carried(Reading::Supply48, [&] { return number(tick.count48); }),
        carried(Reading::Supply48, [&] { return volts(Units::volts48(tick.count48)); }),
        carried(Reading::LoadState, [&] { return field(QString(QLatin1Char(tick.loadState))); }),
        QByteArray(),
    };
    return fields.join(',') + '\n';
}

QByteArray CsvWriter::row(const EventEntry &event)
{
    return isoTime(event.at.wallMs) + QByteArray(ValueColumns + 1, ',') + field(event.text) + '\n';
}

bool CsvWriter::save(const QString &path, QString *reason) const
{
    return saveFile(
        path,
        [this](QIODevice &file, QString *) {
            // Ticks and events in the order they happened, a tick before an
            // event of the same millisecond (the events a reply brings).
            const auto &ticks = m_record.ticks();
            const auto &events = m_record.events();
            auto tick = ticks.begin();
            auto event = events.begin();
            QByteArray chunk = Header;
            while (tick != ticks.end() || event != events.end()) {
                if (event == events.end() || (tick != ticks.end() && tick->at.monoMs <= event->at.monoMs))
                    chunk += row(*tick++);
                else
                    chunk += row(*event++);
                if (chunk.size() >= 64 * 1024) {
                    if (file.write(chunk) != chunk.size())
                        return false;
                    chunk.clear();
                }
            }
            return file.write(chunk) == chunk.size();
        },
        reason);
}

void CsvWriter::follow(const QString &path, std::function<void(const QString &reason)> failed)
{
    m_failed = std::move(failed);
    m_file.setFileName(path);
    // Unbuffered, so that each row is one write and a failing one shows at
    // once. A device or pipe has no end to append at.
    const QFileInfo info(path);
    const QIODevice::OpenMode mode = info.exists() && !info.isFile() ? QIODevice::WriteOnly : QIODevice::Append;
    if (!m_file.open(mode | QIODevice::Unbuffered)) {
        stop(m_file.errorString());
        return;
    }
    m_size = m_file.size();
    m_record.addListener(this);
    if (m_size == 0)
        append(Header);
}

void CsvWriter::tickRecorded(const TickEntry &tick)
{
    if (tick.outcome == TickOutcome::Telemetry)
        append(row(tick));
}

void CsvWriter::eventRecorded(const EventEntry &event)
{
    append(row(event));
}

void CsvWriter::append(const QByteArray &row)
{
    if (!m_file.isOpen())
        return;
    const qint64 written = m_file.write(row);
    if (written == row.size()) {
        m_size += written;
        return;
    }
    QString reason
        = written < 0 || m_file.error() != QFileDevice::NoError
              ? m_file.errorString()
              : QStringLiteral("only %1 of %2 bytes could be written (disk full?)").arg(written).arg(row.size());
    // Whole rows only: cut off what part of the row got in.
    if (m_file.size() != m_size && !m_file.resize(m_size))
        reason += QStringLiteral("; the partial row could not be removed: %1").arg(m_file.errorString());
    stop(reason);
}

void CsvWriter::stop(const QString &reason)
{
    m_file.close();
    // Told after closing: whatever the failure brings (an event) isn't written.
    if (m_failed)
        m_failed(reason);
}
