#pragma once

#include "about/SysInfo.h"

#include <QFileInfo>
#include <QSet>
#include <QStringList>

// Records every start asked for. Like a real start, it fails for a path that
// isn't an existing file, and for any path it is told to fail.
class RecordingLauncher : public Launcher
{
public:
    QStringList started;   // every start asked for, in order
    QSet<QString> failing; // paths whose start fails although they exist

    bool start(const QString &program) override
    {
        started.append(program);
        return QFileInfo(program).isFile() && !failing.contains(program);
    }
};
