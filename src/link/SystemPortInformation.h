#pragma once

#include "link/PortInformation.h"

// The machine's serial ports, as Qt Serial Port finds them, each with the
// stable name udev gives it under /dev/serial/by-id when there is one.
class SystemPortInformation : public PortInformation
{
public:
    explicit SystemPortInformation(QString byIdDirectory = QStringLiteral("/dev/serial/by-id"));

    QList<PortDescription> availablePorts() const override;

    // The first link in the directory that resolves to the device, empty when none does.
    static QString byIdPath(const QString &device, const QString &byIdDirectory);

private:
    QString m_byIdDirectory;
};
