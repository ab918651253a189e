#include "link/PortMap.h"

#include "link/SerialControl.h"

QString PortMap::device(int port) const
{
    if (const auto it = m_devices.constFind(port); it != m_devices.constEnd())
        return *it;
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(port);
#else
    return QStringLiteral("/dev/ttyUSB%1").arg(port - 1);
#endif
}

void PortMap::map(int port, const QString &device)
{
    m_devices.insert(port, device);
}

std::optional<NetworkEndpoint> PortMap::endpoint(int port) const
{
    const QString target = device(port);
    return NetworkEndpoint::looksLikeAddress(target) ? NetworkEndpoint::parse(target) : std::nullopt;
}

QString PortMap::parse(const QString &mapping)
{
    const qsizetype eq = mapping.indexOf(QLatin1Char('='));
    bool ok = false;
    const int port = eq > 0 ? mapping.left(eq).trimmed().toInt(&ok) : 0;
    const QString device = eq > 0 ? mapping.mid(eq + 1) : QString();
    if (!ok || port < SerialControl::FirstPort || port > SerialControl::LastPort)
        return QStringLiteral("'%1': the port number must be 1 to 8, as in 1=/dev/ttyUSB0").arg(mapping);
    if (device.isEmpty())
        return QStringLiteral("'%1': no device given, as in 1=/dev/ttyUSB0").arg(mapping);
    QString why;
    if (NetworkEndpoint::looksLikeAddress(device) && !NetworkEndpoint::parse(device, &why))
        return QStringLiteral("'%1': %2").arg(mapping, why);
    map(port, device);
    return {};
}
