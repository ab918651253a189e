#pragma once

#include "link/NetworkEndpoint.h"

#include <QMap>
#include <QString>
#include <QStringList>

// Which device a serial port number (1 to 8) stands for. On Windows port N is
// COMN; elsewhere a USB serial adapter, /dev/ttyUSB(N-1), unless the operator
// maps the number to another device (a pseudo-terminal included) or to a
// serial line on the network (tcp://HOST:PORT, rfc2217://HOST:PORT).
class PortMap
{
public:
    // The device path or network address, as given.
    QString device(int port) const;
    void map(int port, const QString &device);

    // The network address port N is mapped to; nothing for a device.
    std::optional<NetworkEndpoint> endpoint(int port) const;

    // Takes "N=DEVICE" or "N=ADDRESS" as given to --port. Returns an error text,
    // empty when it was accepted.
    QString parse(const QString &mapping);

private:
    QMap<int, QString> m_devices;
};
