#include "link/MappedSerialControl.h"

MappedSerialControl::MappedSerialControl(PortMap ports, std::shared_ptr<const PortInformation> portInformation)
    : m_ports(ports)
    , m_device(ports, std::move(portInformation))
    , m_network(ports)
{ }

void MappedSerialControl::remap(int port, const QString &device)
{
    m_ports.map(port, device);
    m_device.remap(port, device);
}

void MappedSerialControl::setCommPort(int port)
{
    // Both backends keep the number, so whichever opens next has it.
    if (PortOpen())
        throw LinkError("the port number can't change while the port is open");
    m_device.setCommPort(port);
    m_network.setCommPort(port);
    m_commPort = port;
}

void MappedSerialControl::setPortOpen(bool open)
{
    if (!open) {
        m_active->setPortOpen(false);
        return;
    }
    if (PortOpen())
        return;
    m_active = m_ports.endpoint(m_commPort) ? static_cast<SerialControl *>(&m_network) : &m_device;
    m_active->setPortOpen(true);
}

void MappedSerialControl::setInputLen(int count)
{
    m_device.setInputLen(count);
    m_network.setInputLen(count);
}
