#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

// Which device a serial port number (1 to 8) stands for. On Windows port N is
// COMN; elsewhere a USB serial adapter, /dev/ttyUSB(N-1), unless the operator
// maps the number to another device (a pseudo-terminal included).
class PortMap
{
public:
    QString device(int port) const;
    void map(int port, const QString &device);

    // Takes "N=DEVICE" as given to --port. Returns an error text, empty when it
    // was accepted.
    QString parse(const QString &mapping);

private:
    QMap<int, QString> m_devices;
};
