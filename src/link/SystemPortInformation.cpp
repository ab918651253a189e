#include "link/SystemPortInformation.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

SystemPortInformation::SystemPortInformation(QString byIdDirectory)
    : m_byIdDirectory(std::move(byIdDirectory))
{ }

QList<PortDescription> SystemPortInformation::availablePorts() const
{
    QList<PortDescription> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        PortDescription port;
        port.portName = info.portName();
        port.systemLocation = info.systemLocation();
        port.byIdPath = byIdPath(port.systemLocation, m_byIdDirectory);
        port.description = info.description();
        port.manufacturer = info.manufacturer();
        if (info.hasVendorIdentifier())
            port.vendorId = info.vendorIdentifier();
        if (info.hasProductIdentifier())
            port.productId = info.productIdentifier();
        port.serialNumber = info.serialNumber();
        ports.append(port);
    }
    return ports;
}

QString SystemPortInformation::byIdPath(const QString &device, const QString &byIdDirectory)
{
    const QString target = QFileInfo(device).canonicalFilePath();
    if (target.isEmpty())
        return {};
    const QDir dir(byIdDirectory);
    for (const QString &name : dir.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString link = dir.filePath(name);
        if (QFileInfo(link).canonicalFilePath() == target)
            return link;
    }
    return {};
}
