#pragma once

#include "link/PortInformation.h"
#include "link/SerialBackend.h"

#include <QSerialPort>

#include <memory>

// The serial control on a real port: 9600 baud, no parity, 8 data bits,
// 1 stop bit, the port number looked up in the port map. When the device
// doesn't exist, the error names the serial ports that do.
class QtSerialControl : public SerialBackend
{
public:
    static constexpr qint32 BaudRate = 9600;
    static constexpr qint64 ReceiveBufferSize = 1024;
    static constexpr qint64 TransmitBufferSize = 512;

    explicit QtSerialControl(PortMap ports = PortMap(), std::shared_ptr<const PortInformation> portInformation = {});

    bool PortOpen() const override;
    void setPortOpen(bool open) override;
    QByteArray Input() override;
    void Output(const QByteArray &text) override;
    bool devicePresent(int port) const override;

private:
    static bool isDeviceGone(QSerialPort::SerialPortError error);
    void markLost();
    void fail(const QString &what);
    void checkStillThere();

    std::shared_ptr<const PortInformation> m_portInformation;
    QSerialPort m_port;
};
