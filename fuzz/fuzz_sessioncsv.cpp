// Feeds arbitrary rows after a session CSV header to the session file
// reader. Whatever it accepts must write back as a file that reads the same:
// a reader that loses or bends a field on the way shows there. The first
// write may round what it read (numbers keep 15 digits, and the volts are
// worked out from the rounded counts); from then on nothing may change.
#include "review/SessionFile.h"
#include "session/CsvWriter.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// The record as CsvWriter::save() writes it, in memory.
QByteArray csvOf(SessionRecord &record)
{
    CsvWriter writer(record);
    QByteArray out = CsvWriter::Header;
    auto tick = record.ticks().begin();
    auto event = record.events().begin();
    while (tick != record.ticks().end() || event != record.events().end()) {
        if (event == record.events().end() || (tick != record.ticks().end() && tick->at.monoMs <= event->at.monoMs))
            out += writer.row(*tick++);
        else
            out += CsvWriter::row(*event++);
    }
    return out;
}

[[noreturn]] void finding(const char *what, const QByteArray &a, const QByteArray &b)
{
    std::fprintf(stderr, "fuzz_sessioncsv: %s\n--- first\n%s\n--- second\n%s\n", what, a.left(2000).constData(),
                 b.left(2000).constData());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = CsvWriter::Header + QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
    SessionFile::Problem problem;
    auto file = SessionFile::parse(bytes, QStringLiteral("fuzz.csv"), &problem);
    if (!file) {
        if (problem.what.isEmpty() || problem.line < 0 || problem.column < 0)
            finding("a refusal that says nothing", bytes, problem.text().toUtf8());
        return 0;
    }
    const QByteArray once = csvOf(*file->record);
    auto again = SessionFile::parse(once, QStringLiteral("again.csv"), &problem);
    if (!again)
        finding("what it read writes back as a file it refuses", once, problem.text().toUtf8());
    if (again->lastLineCut)
        finding("what it wrote back reads as cut", once, {});
    const QByteArray twice = csvOf(*again->record);
    auto third = SessionFile::parse(twice, QStringLiteral("third.csv"), &problem);
    if (!third)
        finding("what it wrote back twice it refuses", twice, problem.text().toUtf8());
    const QByteArray thrice = csvOf(*third->record);
    if (thrice != twice)
        finding("read back, the file is not the same", twice, thrice);
    return 0;
}
