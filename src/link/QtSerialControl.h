#pragma once

#include "link/PortInformation.h"
#include "link/PortMap.h"
#include "link/SerialControl.h"

#include <QSerialPort>

#include <memory>

// The serial control on a real port: 9600 baud, no parity, 8 data bits,
// 1 stop bit, the port number looked up in the port map. When the device
// doesn't exist, the error names the serial ports that do.
class QtSerialControl : public SerialControl
{
public:
    static constexpr qint32 BaudRate = 9600;
    static constexpr qint64 ReceiveBufferSize = 1024;
    static constexpr qint64 TransmitBufferSize = 512;

    explicit QtSerialControl(PortMap ports = PortMap(), std::shared_ptr<const PortInformation> portInformation = {});

    int CommPort() const override { return m_commPort; }
    void setCommPort(int port) override;
    bool PortOpen() const override;
    void setPortOpen(bool open) override;
    int InputLen() const override { return m_inputLen; }
    void setInputLen(int count) override { m_inputLen = count; }
    QByteArray Input() override;
    void Output(const QByteArray &text) override;
    bool PortLost() const override { return m_lost; }
    QString lastErrorDetail() const override { return m_detail; }
    QString device(int port) const override { return m_ports.device(port); }
    bool devicePresent(int port) const override;
    void remap(int port, const QString &device) override { m_ports.map(port, device); }

    const PortMap &ports() const { return m_ports; }

private:
    static bool isDeviceGone(QSerialPort::SerialPortError error);
    void markLost();
    void fail(const QString &what);
    void checkStillThere();

    PortMap m_ports;
    std::shared_ptr<const PortInformation> m_portInformation;
    QSerialPort m_port;
    int m_commPort = 1;
    int m_inputLen = 0;
    bool m_lost = false;
    QString m_detail;
};
