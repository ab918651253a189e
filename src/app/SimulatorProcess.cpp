#include "app/SimulatorProcess.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

SimulatorProcess::~SimulatorProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        m_process.waitForFinished(2000);
    }
}

QString SimulatorProcess::start(const QStringList &extraArguments)
{
    const QString link = m_dir.filePath(QStringLiteral("controller"));
    m_process.setProgram(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("vanto-controller-sim")));
    m_process.setArguments(QStringList{QStringLiteral("--link"), link} + extraArguments);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start();
    if (!m_process.waitForStarted(5000)) {
        std::fprintf(stderr, "vanto-port-test: can't start the simulator %s: %s\n", qPrintable(m_process.program()),
                     qPrintable(m_process.errorString()));
        return {};
    }
    // The simulator announces its device on its first line once the link exists.
    while (!m_process.canReadLine()) {
        if (!m_process.waitForReadyRead(5000)) {
            std::fprintf(stderr, "vanto-port-test: the simulator did not report its device\n");
            return {};
        }
    }
    m_process.readLine();
    return link;
}
