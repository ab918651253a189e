#pragma once

#include "link/PortInformation.h"
#include "link/PortMap.h"

#include <QStringList>

// The serial ports present, told apart for the operator: what --list-ports
// prints, and the ports named when the chosen one doesn't exist.
class PortListing
{
public:
    explicit PortListing(const PortInformation &information);

    // One line a port: its device, its by-id path, description, manufacturer,
    // USB vendor:product and serial number, then the port numbers that reach
    // it under the map. A single line saying so when there is no port.
    QStringList lines(const PortMap &map) const;

    // "serial ports here: /dev/ttyUSB1 (FT232R USB UART)", or "no serial ports found".
    QString summary() const;

    // The port numbers 1 to 8 whose device is this port, by its own name, its
    // by-id link or any other link that resolves to it.
    static QList<int> numbersFor(const PortDescription &port, const PortMap &map);

private:
    QList<PortDescription> m_ports;
};
