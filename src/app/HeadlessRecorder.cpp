#include "app/HeadlessRecorder.h"

#include "link/PortSetup.h"
#include "run/PortRun.h"

#include <QDateTime>

#include <cstdio>

HeadlessRecorder::HeadlessRecorder(PortRun &run, QObject *parent)
    : QObject(parent)
    , m_run(run)
{
    connect(&m_run, &PortRun::polled, this, &HeadlessRecorder::tell);
}

void HeadlessRecorder::start()
{
    if (!m_run.start(true)) {
        const QString detail = m_run.VANTOSerComm().lastErrorDetail();
        std::fprintf(stderr, "vanto-port-test: %s%s%s; trying again until it is there\n",
                     qPrintable(PortSetup::CommErrorText), detail.isEmpty() ? "" : " ", qPrintable(detail));
        std::fflush(stderr);
    }
    tell();
}

void HeadlessRecorder::tell()
{
    const SerialControl &serial = m_run.VANTOSerComm();
    QString link = m_run.portLabel();
    if (!serial.PortOpen() && !serial.lastErrorDetail().isEmpty())
        link += QStringLiteral(" (") + serial.lastErrorDetail() + QLatin1Char(')');
    const auto age = m_run.session().lastGoodAgeMs();
    const QString readings = !age                                ? QStringLiteral("no reading yet")
                             : *age <= SessionRecord::FreshForMs ? QStringLiteral("readings current")
                                                                 : QStringLiteral("readings stale");
    const QString state = link + QStringLiteral("  |  ") + readings;
    if (state == m_told)
        return;
    m_told = state;
    std::printf("%s  %s\n", qPrintable(QDateTime::currentDateTime().toString(Qt::ISODate)), qPrintable(state));
    std::fflush(stdout);
}
