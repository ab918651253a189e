#pragma once

#include "link/PortInformation.h"

// Port information for tests: whatever ports the test says are present.
class FakePortInformation : public PortInformation
{
public:
    explicit FakePortInformation(QList<PortDescription> ports = {})
        : m_ports(std::move(ports))
    { }

    QList<PortDescription> availablePorts() const override { return m_ports; }

    // An FTDI adapter as udev describes one.
    static PortDescription ftdi(const QString &name, const QString &serial)
    {
        PortDescription port;
        port.portName = name;
        port.systemLocation = QStringLiteral("/dev/") + name;
        port.byIdPath = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_%1-if00-port0").arg(serial);
        port.description = QStringLiteral("FT232R USB UART");
        port.manufacturer = QStringLiteral("FTDI");
        port.vendorId = 0x0403;
        port.productId = 0x6001;
        port.serialNumber = serial;
        return port;
    }

    // A built-in port: a device name and nothing more.
    static PortDescription builtIn(const QString &name)
    {
        PortDescription port;
        port.portName = name;
        port.systemLocation = QStringLiteral("/dev/") + name;
        return port;
    }

private:
    QList<PortDescription> m_ports;
};
