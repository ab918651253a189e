#pragma once

#include "session/SessionRecord.h"

#include <QString>

#include <memory>

// A session recorded earlier, read back whole from the CSV file the tool
// writes or from the text log of the logging switch. A file is read all or
// not at all; only a last line cut short (the tool killed while writing) is
// left out without complaint. Lines and files are bounded, so a huge or
// foreign file costs an error, not the memory.
struct SessionFile
{
    enum class Format { Csv, Log };
    // Longest line (or CSV record) taken, and the most readings kept: a day
    // of polls at 4 a second, with room.
    static constexpr qsizetype MaxLineBytes = 64 * 1024;
    static constexpr qsizetype MaxTicks = 400'000;

    Format format = Format::Csv;
    std::unique_ptr<SessionRecord> record;
    bool lastLineCut = false;
    // Polls the file tells went unanswered (CSV noise events); none for a log.
    std::optional<qint64> unansweredPolls;

    // What was wrong and where: line and column count from 1, 0 when the
    // fault isn't in one place.
    struct Problem
    {
        QString path;
        qint64 line = 0;
        int column = 0;
        QString what;
        QString text() const;
    };

    // Reads path; on failure returns nothing and tells why in problem.
    static std::optional<SessionFile> read(const QString &path, Problem *problem);
    // The same from bytes in memory (path only names them in a problem).
    static std::optional<SessionFile> parse(const QByteArray &bytes, const QString &path, Problem *problem);
};
