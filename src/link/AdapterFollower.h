#pragma once

#include "link/PortInformation.h"

#include <QMap>
#include <QString>

#include <optional>

// Follows a USB serial adapter that was pulled out and came back under another
// name (/dev/ttyUSB0 before, /dev/ttyUSB1 now). Only adapters that carry a
// serial number are followed: two adapters of one make can't be told apart
// otherwise. The device a port number was first opened on is always
// preferred when it is back.
class AdapterFollower
{
public:
    explicit AdapterFollower(const PortInformation &information);

    // Port number N was opened on device: remember the adapter behind it.
    void opened(int port, const QString &device);

    // Port N's device is missing: the device its adapter is at now, if it is
    // back under another name, or the port's first device if that is back.
    std::optional<QString> replacement(int port, const QString &missingDevice) const;

private:
    struct Adapter
    {
        QString firstDevice;
        quint16 vendorId = 0;
        quint16 productId = 0;
        QString serialNumber; // empty: not followed
    };

    const PortInformation &m_information;
    QMap<int, Adapter> m_adapters;
};
