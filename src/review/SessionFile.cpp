#include "review/SessionFile.h"

#include "logging/LogDateTime.h"
#include "logging/LogWriter.h"
#include "review/EventKinds.h"
#include "session/CsvWriter.h"
#include "telemetry/NumberText.h"
#include "telemetry/Units.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <csv.h>

#include <charconv>
#include <cmath>
#include <vector>

namespace {

using Problem = SessionFile::Problem;

// A file's lines, one at a time and never longer than MaxLineBytes.
class Lines
{
public:
    explicit Lines(QIODevice &device)
        : m_device(device)
        , m_buffer(std::size_t(SessionFile::MaxLineBytes) + 2) // one byte more than allowed, and the NUL
    { }

    // The next line with its terminator; false at the end or for a line too
    // long (tooLong() then says so).
    bool next(QByteArray &line)
    {
        if (m_device.atEnd())
            return false;
        // Into one buffer for all lines: a fresh one of this size each line
        // would be mapped and unmapped every time.
        const qint64 read = m_device.readLine(m_buffer.data(), qint64(m_buffer.size()));
        if (read <= 0)
            return false;
        line = QByteArray(m_buffer.data(), qsizetype(read));
        ++m_number;
        if (line.size() > SessionFile::MaxLineBytes) {
            m_tooLong = true;
            return false;
        }
        return !line.isEmpty();
    }
    qint64 number() const { return m_number; }
    bool tooLong() const { return m_tooLong; }
    // The line had no line break: the file ends in the middle of it.
    static bool cut(const QByteArray &line) { return !line.endsWith('\n'); }

private:
    QIODevice &m_device;
    std::vector<char> m_buffer;
    qint64 m_number = 0;
    bool m_tooLong = false;
};

QByteArray withoutBreak(QByteArray line)
{
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line;
}

// The record a file is read into, its clock set to each row's time. The
// monotonic clock never goes back, even where the wall clock was set back.
class Builder
{
public:
    Builder()
        : m_stamp(std::make_shared<Stamp>())
        , m_record(std::make_unique<SessionRecord>([stamp = m_stamp] { return *stamp; }))
    { }

    // False, with why, when the session grows past what is kept.
    bool at(qint64 wallMs, QString *why)
    {
        if (!m_first) {
            m_first = wallMs;
            m_earliest = m_latest = wallMs;
        }
        m_stamp->wallMs = wallMs;
        m_stamp->monoMs = std::max(m_stamp->monoMs, wallMs - *m_first);
        // The span of the times themselves, whatever their order: a clock set
        // back doesn't make a longer file fit, and the file written back from
        // it, in the record's order, spans the same.
        m_earliest = std::min(m_earliest, wallMs);
        m_latest = std::max(m_latest, wallMs);
        if (m_latest - m_earliest > SessionRecord::KeepForMs) {
            *why = QStringLiteral("the session runs on for more than 24 hours, longer than the tool keeps");
            return false;
        }
        return true;
    }
    bool tick(const TickEntry &tick, const QString &frequency, const QString &width, QString *why)
    {
        if (qsizetype(m_record->ticks().size()) >= SessionFile::MaxTicks) {
            *why = QStringLiteral("more than %1 readings, more than a day of polls").arg(SessionFile::MaxTicks);
            return false;
        }
        m_record->recordTick(tick, frequency, width);
        return true;
    }
    void event(const QString &text) { m_record->recordEvent(eventKindOf(text), text); }
    std::unique_ptr<SessionRecord> take() { return std::move(m_record); }

private:
    std::shared_ptr<Stamp> m_stamp;
    std::unique_ptr<SessionRecord> m_record;
    std::optional<qint64> m_first;
    qint64 m_earliest = 0;
    qint64 m_latest = 0;
};

struct Failure
{
    qint64 line;
    int column;
    QString what;
};

// ---- CSV ----------------------------------------------------------------

// A number as the CSV writer writes it; anything else the wire would take.
std::optional<double> csvNumber(const QByteArray &field)
{
    double value = 0;
    const char *end = field.constData() + field.size();
    const auto [at, error] = std::from_chars(field.constData(), end, value);
    if (error == std::errc() && at == end)
        return std::isfinite(value) ? std::optional(value) : std::nullopt;
    return wireNumber(QString::fromLatin1(field));
}

// "2026-12-07T08:54:38.250-08:00" as the writer writes it, read without the
// general parser (a shift has a hundred thousand); anything else through it.
std::optional<qint64> csvTime(const QByteArray &f)
{
    const auto digits = [&](int from, int count, int &into) {
        into = 0;
        for (int i = from; i < from + count; ++i) {
            if (f[i] < '0' || f[i] > '9')
                return false;
            into = into * 10 + (f[i] - '0');
        }
        return true;
    };
    int y, mo, d, h, mi, sec, ms, oh, om;
    if (f.size() == 29 && f[4] == '-' && f[7] == '-' && f[10] == 'T' && f[13] == ':' && f[16] == ':' && f[19] == '.'
        && (f[23] == '+' || f[23] == '-') && f[26] == ':' && digits(0, 4, y) && digits(5, 2, mo) && digits(8, 2, d)
        && digits(11, 2, h) && digits(14, 2, mi) && digits(17, 2, sec) && digits(20, 3, ms) && digits(24, 2, oh)
        && digits(27, 2, om)) {
        const QDate date(y, mo, d);
        if (date.isValid() && h < 24 && mi < 60 && sec < 60 && oh < 24 && om < 60) {
            const qint64 offsetMs = (oh * 60 + om) * 60'000LL * (f[23] == '-' ? -1 : 1);
            return (date.toJulianDay() - QDate(1970, 1, 1).toJulianDay()) * 86'400'000LL
                   + ((h * 60 + mi) * 60 + sec) * 1000LL + ms - offsetMs;
        }
    }
    const QDateTime at = QDateTime::fromString(QString::fromLatin1(f), Qt::ISODateWithMs);
    return at.isValid() ? std::optional(at.toMSecsSinceEpoch()) : std::nullopt;
}

constexpr int CsvColumns = 11;
enum CsvColumn { Time, LoadCan, ControlCan, Frequency, Width, Counts1, Volts1, Counts2, Volts2, Load, Event };

class CsvReader
{
public:
    explicit CsvReader(QIODevice &device)
        : m_lines(device)
    {
        csv_init(&m_parser, CSV_STRICT | CSV_STRICT_FINI);
    }
    ~CsvReader() { csv_free(&m_parser); }

    std::optional<Failure> read(SessionFile &file)
    {
        static const QRegularExpression unanswered(QStringLiteral("^(\\d+) polls? unanswered"));
        QByteArray line;
        qint64 unansweredPolls = 0;
        bool lastCut = false;
        while (!m_failure && m_lines.next(line)) {
            if (m_lines.number() == 1) {
                if (withoutBreak(line) != withoutBreak(CsvWriter::Header))
                    return Failure{1, 1, QStringLiteral("not the header of a session CSV file")};
                continue;
            }
            if (m_record.empty() && m_bytes == 0) {
                if (withoutBreak(line).isEmpty())
                    continue; // a blank line between rows
                m_recordLine = m_lines.number();
            }
            m_bytes += line.size();
            if (m_bytes > SessionFile::MaxLineBytes)
                return Failure{m_recordLine, 1,
                               QStringLiteral("a row longer than %1 bytes").arg(SessionFile::MaxLineBytes)};
            lastCut = Lines::cut(line);
            if (lastCut)
                break; // the tool was stopped while writing this row
            if (csv_parse(&m_parser, line.constData(), size_t(line.size()), field, rowEnd, this) != size_t(line.size()))
                return Failure{m_lines.number(), int(m_record.size()) + 1,
                               QStringLiteral("badly quoted field (%1)")
                                   .arg(QString::fromLatin1(csv_strerror(csv_error(&m_parser))))};
            for (const QString &text : m_events)
                if (const auto m = unanswered.match(text); m.hasMatch())
                    unansweredPolls += m.captured(1).toLongLong();
            m_events.clear();
        }
        if (m_lines.tooLong())
            return Failure{m_lines.number(), 1,
                           QStringLiteral("a line longer than %1 bytes").arg(SessionFile::MaxLineBytes)};
        if (m_failure)
            return m_failure;
        if (m_lines.number() == 0)
            return Failure{0, 0, QStringLiteral("the file is empty")};
        // A quoted field still open at the end is a row cut short too.
        file.lastLineCut = lastCut || m_bytes > 0 || !m_record.empty();
        file.record = m_builder.take();
        file.unansweredPolls = unansweredPolls;
        return {};
    }

private:
    static void field(void *bytes, size_t size, void *self)
    {
        auto *reader = static_cast<CsvReader *>(self);
        reader->m_record.push_back(QByteArray(static_cast<const char *>(bytes), qsizetype(size)));
    }
    static void rowEnd(int, void *self)
    {
        auto *reader = static_cast<CsvReader *>(self);
        if (!reader->m_failure)
            reader->m_failure = reader->row();
        reader->m_record.clear();
        reader->m_bytes = 0;
    }

    std::optional<Failure> row()
    {
        const auto fail = [&](int column, const QString &what) { return Failure{m_recordLine, column + 1, what}; };
        const auto &f = m_record;
        if (f.size() != CsvColumns)
            return fail(std::min(int(f.size()), CsvColumns - 1),
                        QStringLiteral("%1 fields where the header has %2").arg(f.size()).arg(CsvColumns));
        const auto at = csvTime(f[Time]);
        if (!at)
            return fail(Time, QStringLiteral("not a time like 2026-12-07T08:54:38.250-08:00"));
        QString why;
        if (!m_builder.at(*at, &why))
            return fail(Time, why);

        if (!f[Event].isEmpty()) {
            for (int c = LoadCan; c < Event; ++c)
                if (!f[c].isEmpty())
                    return fail(c, QStringLiteral("a row with an event holds no readings"));
            const QString text = QString::fromUtf8(f[Event]);
            m_builder.event(text);
            m_events.push_back(text);
            return {};
        }

        TickEntry tick;
        tick.outcome = TickOutcome::Telemetry;
        const auto number = [&](int column, Reading reading, double &into) -> std::optional<Failure> {
            if (f[column].isEmpty())
                return {};
            const auto value = csvNumber(f[column]);
            if (!value)
                return fail(column, QStringLiteral("not a number"));
            into = *value;
            tick.fresh |= readingBit(reading);
            return {};
        };
        double volts = 0;
        for (const auto &problem :
             {number(LoadCan, Reading::LoadCanTemp, tick.loadCanTempC),
              number(ControlCan, Reading::ControlCanTemp, tick.controlCanTempC),
              number(Counts1, Reading::Supply400, tick.count400), number(Volts1, Reading::Supply400, volts),
              number(Counts2, Reading::Supply48, tick.count48), number(Volts2, Reading::Supply48, volts)})
            if (problem)
                return problem;
        if (f[Counts1].isEmpty() != f[Volts1].isEmpty() || f[Counts2].isEmpty() != f[Volts2].isEmpty())
            return fail(f[Counts1].isEmpty() != f[Volts1].isEmpty() ? Counts1 : Counts2,
                        QStringLiteral("counts and volts come together"));
        if (!f[Load].isEmpty()) {
            // One character as received: "u", "l", or what a noisy line made
            // of it, a Latin-1 one written in UTF-8 like the rest.
            const QString load = QString::fromUtf8(f[Load]);
            if (load.size() != 1 || load.at(0).unicode() > 0xff || load.at(0).unicode() == 0)
                return fail(Load, QStringLiteral("a load state of more than one character"));
            tick.loadState = load.at(0).toLatin1();
            tick.fresh |= readingBit(Reading::LoadState);
        }
        if (!f[Frequency].isEmpty())
            tick.fresh |= readingBit(Reading::PulseFrequency);
        if (!f[Width].isEmpty())
            tick.fresh |= readingBit(Reading::PulseWidth);
        if (!m_builder.tick(tick, QString::fromUtf8(f[Frequency]), QString::fromUtf8(f[Width]), &why))
            return fail(Time, why);
        return {};
    }

    Lines m_lines;
    csv_parser m_parser{};
    Builder m_builder;
    std::vector<QByteArray> m_record; // the fields of the row being read
    qsizetype m_bytes = 0;            // what the row being read has taken so far
    qint64 m_recordLine = 0;
    QStringList m_events; // read since the last line
    std::optional<Failure> m_failure;
};

// ---- Text log -----------------------------------------------------------

// How one log's dates, times and numbers read: the running locale's way, or
// the US English one the tool writes on many machines.
std::optional<QLocale> logLocale(const QString &dateTime)
{
    for (const QLocale &locale : {QLocale(), QLocale(QLocale::English, QLocale::UnitedStates)})
        if (LogDateTime::readDateTime(dateTime, locale).isValid())
            return locale;
    return {};
}

class LogReader
{
public:
    explicit LogReader(QIODevice &device)
        : m_lines(device)
    { }

    std::optional<Failure> read(SessionFile &file)
    {
        QByteArray bytes;
        bool any = false;
        while (m_lines.next(bytes)) {
            if (Lines::cut(bytes)) {
                file.lastLineCut = true;
                break;
            }
            if (bytes.contains('\0'))
                return Failure{m_lines.number(), int(bytes.indexOf('\0')) + 1, QStringLiteral("not text")};
            const QString line = QString::fromLocal8Bit(withoutBreak(bytes));
            if (line.isEmpty() || line == LogWriter::HeaderLine) {
                any = any || !line.isEmpty();
                continue;
            }
            if (const auto failure = record(line))
                return failure;
            any = true;
        }
        if (m_lines.tooLong())
            return Failure{m_lines.number(), 1,
                           QStringLiteral("a line longer than %1 bytes").arg(SessionFile::MaxLineBytes)};
        if (!any && !file.lastLineCut)
            return Failure{0, 0, QStringLiteral("the file holds no log lines")};
        file.record = m_builder.take();
        return {};
    }

private:
    std::optional<Failure> record(const QString &line)
    {
        const qint64 n = m_lines.number();
        const qsizetype bodyAt = line.indexOf(LogWriter::RecordSeparator);
        if (bodyAt < 0)
            return Failure{n, 1, QStringLiteral("neither the log's header nor a record (date, time, readings)")};
        const QString dateTime = line.left(bodyAt);
        if (!m_locale)
            m_locale = logLocale(dateTime);
        const QDateTime at = m_locale ? LogDateTime::readDateTime(dateTime, *m_locale) : QDateTime();
        if (!at.isValid())
            return Failure{n, 1, QStringLiteral("not a date and time as the log writes them")};
        QString why;
        if (!m_builder.at(at.toMSecsSinceEpoch(), &why))
            return Failure{n, 1, why};

        static const QString Gap(6, u' ');
        qsizetype from = bodyAt + LogWriter::RecordSeparator.size();
        QStringList fields;
        std::vector<int> columns;
        for (;;) {
            const qsizetype gap = line.indexOf(Gap, from);
            columns.push_back(int(from) + 1);
            fields.push_back(line.mid(from, gap < 0 ? -1 : gap - from));
            if (gap < 0)
                break;
            from = gap + Gap.size();
        }
        if (fields.size() != 7)
            return Failure{n, fields.size() < 7 ? int(line.size()) + 1 : columns[7],
                           QStringLiteral("%1 readings where a record has 7").arg(fields.size())};

        TickEntry tick;
        tick.outcome = TickOutcome::Telemetry;
        tick.fresh = AllReadings;
        std::array<double, 4> values{};
        constexpr int Numbers[] = {0, 1, 4, 5};
        for (int i = 0; i < 4; ++i) {
            const auto value = readoutNumber(fields[Numbers[i]], *m_locale);
            if (!value)
                return Failure{n, columns[Numbers[i]], QStringLiteral("not a number")};
            values[i] = *value;
        }
        if (fields[6].isEmpty())
            return Failure{n, columns[6], QStringLiteral("no load state")};
        tick.loadCanTempC = values[0];
        tick.controlCanTempC = values[1];
        // The log has the whole volts the gauges showed: the least count that shows them.
        tick.count400 = std::ceil(values[2] * Units::FullScaleCount / Units::Range400V);
        tick.count48 = std::ceil(values[3] * Units::FullScaleCount / Units::Range48V);
        tick.loadState = fields[6].size() == 1 ? fields[6].at(0).toLatin1() : '?';
        if (!m_builder.tick(tick, fields[3], fields[2], &why))
            return Failure{n, 1, why};
        return {};
    }

    Lines m_lines;
    Builder m_builder;
    std::optional<QLocale> m_locale;
};

std::optional<SessionFile> readFrom(QIODevice &device, const QString &path, Problem *problem)
{
    const auto failed = [&](const Failure &f) {
        *problem = {QDir::toNativeSeparators(path), f.line, f.column, f.what};
        return std::nullopt;
    };
    const QByteArray start = device.peek(SessionFile::MaxLineBytes);
    if (start.isEmpty())
        return failed({0, 0, QStringLiteral("the file is empty")});
    if (const qsizetype nul = start.indexOf('\0'); nul >= 0)
        return failed({start.left(nul).count('\n') + 1, int(nul - start.lastIndexOf('\n', nul)),
                       QStringLiteral("not a text file")});
    const QByteArray first = withoutBreak(start.left(start.indexOf('\n')));

    SessionFile file;
    std::optional<Failure> failure;
    if (first == withoutBreak(CsvWriter::Header) || first.startsWith("time,")) {
        file.format = SessionFile::Format::Csv;
        failure = CsvReader(device).read(file);
    } else {
        file.format = SessionFile::Format::Log;
        failure = LogReader(device).read(file);
        if (failure && failure->line == 1)
            failure->what = QStringLiteral("neither a session CSV file nor a log of the logging switch");
    }
    if (failure)
        return failed(*failure);
    return file;
}

} // namespace

QString SessionFile::Problem::text() const
{
    if (line == 0)
        return QStringLiteral("%1: %2").arg(path, what);
    return QStringLiteral("%1: line %2, column %3: %4").arg(path).arg(line).arg(column).arg(what);
}

std::optional<SessionFile> SessionFile::read(const QString &path, Problem *problem)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *problem = {QDir::toNativeSeparators(path), 0, 0, file.errorString()};
        return std::nullopt;
    }
    return readFrom(file, path, problem);
}

std::optional<SessionFile> SessionFile::parse(const QByteArray &bytes, const QString &path, Problem *problem)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return readFrom(buffer, path, problem);
}
