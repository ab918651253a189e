#pragma once

#include "link/NetworkSerialControl.h"
#include "link/PortMap.h"
#include "link/QtSerialControl.h"

// The serial control the tool runs with: each port number opens what the port
// map gives it, a device through the serial port backend or a network address
// through the network one, chosen anew at every open.
class MappedSerialControl : public SerialControl
{
public:
    // The port information names the serial ports there when a device is missing.
    explicit MappedSerialControl(PortMap ports = PortMap(),
                                 std::shared_ptr<const PortInformation> portInformation = {});

    int CommPort() const override { return m_commPort; }
    void setCommPort(int port) override;
    bool PortOpen() const override { return m_active->PortOpen(); }
    void setPortOpen(bool open) override;
    int InputLen() const override { return m_active->InputLen(); }
    void setInputLen(int count) override;
    QByteArray Input() override { return m_active->Input(); }
    void Output(const QByteArray &text) override { m_active->Output(text); }
    bool PortLost() const override { return m_active->PortLost(); }
    bool dropBuffers() override { return m_active->dropBuffers(); }
    void setLineRecord(LineRecord *line) override { m_network.setLineRecord(line); }
    QString lastErrorDetail() const override { return m_active->lastErrorDetail(); }
    QString device(int port) const override { return m_ports.device(port); }
    bool devicePresent(int port) const override
    {
        return m_ports.endpoint(port) ? m_network.devicePresent(port) : m_device.devicePresent(port);
    }
    void remap(int port, const QString &device) override;

    const PortMap &ports() const { return m_ports; }

private:
    PortMap m_ports;
    QtSerialControl m_device;
    NetworkSerialControl m_network;
    SerialControl *m_active = &m_device; // the one last opened, or tried
    int m_commPort = 1;
};
