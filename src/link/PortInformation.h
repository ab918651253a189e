#pragma once

#include <QList>
#include <QString>

#include <optional>

// One serial port as the system describes it. The USB fields are empty for a
// port that isn't on USB.
struct PortDescription
{
    QString portName;       // ttyUSB0
    QString systemLocation; // /dev/ttyUSB0
    QString byIdPath;       // /dev/serial/by-id/usb-FTDI_..., which survives re-plugging
    QString description;
    QString manufacturer;
    std::optional<quint16> vendorId;
    std::optional<quint16> productId;
    QString serialNumber;
};

// Where the serial ports present right now come from; the system in the tool,
// a fixed list in tests.
class PortInformation
{
public:
    virtual ~PortInformation() = default;
    virtual QList<PortDescription> availablePorts() const = 0;
};
