#pragma once

#include "link/PortMap.h"
#include "link/SerialControl.h"

// What the serial port backend and the network one share: the port map, the
// port number, the read length, whether the port was lost, and what is known
// of the last failure.
class SerialBackend : public SerialControl
{
public:
    explicit SerialBackend(PortMap ports)
        : m_ports(std::move(ports))
    { }

    int CommPort() const override { return m_commPort; }
    void setCommPort(int port) override
    {
        if (PortOpen())
            throw LinkError("the port number can't change while the port is open");
        if (port < FirstPort || port > LastPort)
            throw LinkError("invalid port number");
        m_commPort = port;
    }
    int InputLen() const override { return m_inputLen; }
    void setInputLen(int count) override { m_inputLen = count; }
    bool PortLost() const override { return m_lost; }
    QString lastErrorDetail() const override { return m_detail; }
    QString device(int port) const override { return m_ports.device(port); }
    void remap(int port, const QString &device) override { m_ports.map(port, device); }

    const PortMap &ports() const { return m_ports; }

protected:
    PortMap m_ports;
    int m_commPort = 1;
    int m_inputLen = 0;
    bool m_lost = false;
    QString m_detail;
};
