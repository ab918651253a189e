#include "link/AdapterFollower.h"

#include <QFileInfo>

namespace {
// The device node behind a path that may be a link (a by-id name, say).
QString node(const QString &device)
{
    const QString target = QFileInfo(device).canonicalFilePath();
    return target.isEmpty() ? device : target;
}

bool isAt(const PortDescription &port, const QString &device)
{
    const QString wanted = node(device);
    return port.systemLocation == wanted || port.systemLocation == device
           || (!port.byIdPath.isEmpty() && port.byIdPath == device);
}
} // namespace

AdapterFollower::AdapterFollower(const PortInformation &information)
    : m_information(information)
{ }

void AdapterFollower::opened(int port, const QString &device)
{
    Adapter &adapter = m_adapters[port];
    if (adapter.firstDevice.isEmpty())
        adapter.firstDevice = device;
    for (const PortDescription &p : m_information.availablePorts()) {
        if (!isAt(p, device))
            continue;
        if (p.vendorId && p.productId && !p.serialNumber.isEmpty()) {
            adapter.vendorId = *p.vendorId;
            adapter.productId = *p.productId;
            adapter.serialNumber = p.serialNumber;
        }
        return;
    }
}

std::optional<QString> AdapterFollower::replacement(int port, const QString &missingDevice) const
{
    const auto it = m_adapters.constFind(port);
    if (it == m_adapters.constEnd())
        return std::nullopt;
    const Adapter &adapter = *it;
    const QList<PortDescription> ports = m_information.availablePorts();
    if (adapter.firstDevice != missingDevice) {
        for (const PortDescription &p : ports)
            if (isAt(p, adapter.firstDevice))
                return adapter.firstDevice;
    }
    if (adapter.serialNumber.isEmpty())
        return std::nullopt;
    for (const PortDescription &p : ports) {
        if (p.vendorId == adapter.vendorId && p.productId == adapter.productId && p.serialNumber == adapter.serialNumber
            && !isAt(p, missingDevice))
            return p.systemLocation;
    }
    return std::nullopt;
}
