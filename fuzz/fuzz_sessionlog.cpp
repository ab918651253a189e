// Feeds arbitrary lines after a log header to the session file reader in
// the running locale. Whatever it accepts must be whole ticks of the seven
// readings, in time order within a day.
#include "logging/LogWriter.h"
#include "review/SessionFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void finding(const char *what, const QByteArray &input)
{
    std::fprintf(stderr, "fuzz_sessionlog: %s\n  input: %s\n", what, input.left(2000).constData());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes
        = LogWriter::HeaderLine.toLatin1() + "\r\n" + QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
    SessionFile::Problem problem;
    const auto file = SessionFile::parse(bytes, QStringLiteral("fuzz.log"), &problem);
    if (!file) {
        if (problem.what.isEmpty() || problem.line < 1 || problem.column < 1)
            finding("a refusal that doesn't say where", bytes);
        return 0;
    }
    if (file->format != SessionFile::Format::Log)
        finding("a log read as something else", bytes);
    const auto &ticks = file->record->ticks();
    if (!file->record->events().empty())
        finding("a log gave events", bytes);
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        if (ticks[i].fresh != AllReadings || ticks[i].outcome != TickOutcome::Telemetry)
            finding("a record that isn't all seven readings", bytes);
        if (i > 0 && ticks[i].at.monoMs < ticks[i - 1].at.monoMs)
            finding("time ran back", bytes);
        if (ticks[i].at.monoMs > SessionRecord::KeepForMs)
            finding("more than a day kept", bytes);
    }
    return 0;
}
