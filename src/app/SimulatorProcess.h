#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// The controller simulator as a child process on a pseudo-terminal, reached
// through a link in a private temporary folder. It ends with the tool.
class SimulatorProcess
{
public:
    ~SimulatorProcess();

    // Starts vanto-controller-sim from the tool's own folder and returns the
    // path to open as the serial port; empty (with the reason on stderr) when
    // it didn't come up.
    QString start(const QStringList &extraArguments);

private:
    QProcess m_process;
    QTemporaryDir m_dir;
};
