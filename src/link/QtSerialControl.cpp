#include "link/QtSerialControl.h"

#include "link/PortListing.h"
#include "link/SystemPortInformation.h"

#include <QFileInfo>
#include <QSerialPortInfo>

namespace {
QString describe(QSerialPort::SerialPortError error, const QString &device)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("%1 does not exist").arg(device);
    case QSerialPort::PermissionError:
#ifdef Q_OS_WIN
        return QStringLiteral("%1 is in use by another program").arg(device);
#else
        // Busy ports report the same error; tell the two apart for the operator.
        if (QFileInfo(device).isWritable())
            return QStringLiteral("%1 is in use by another program").arg(device);
        return QStringLiteral("no permission to open %1 (is this user in the dialout group?)").arg(device);
#endif
    default:
        return QStringLiteral("%1 could not be opened").arg(device);
    }
}
} // namespace

QtSerialControl::QtSerialControl(PortMap ports, std::shared_ptr<const PortInformation> portInformation)
    : SerialBackend(std::move(ports))
    , m_portInformation(portInformation ? std::move(portInformation) : std::make_shared<SystemPortInformation>())
{
    // A vanished device reports itself between ticks too, and a pseudo-terminal
    // whose far end closed keeps reporting read errors: close at once so the
    // event loop doesn't keep waking on a dead descriptor.
    QObject::connect(&m_port, &QSerialPort::errorOccurred, &m_port, [this](QSerialPort::SerialPortError error) {
        if (isDeviceGone(error) && m_port.isOpen())
            markLost();
    });
}

bool QtSerialControl::isDeviceGone(QSerialPort::SerialPortError error)
{
    return error == QSerialPort::ResourceError || error == QSerialPort::ReadError || error == QSerialPort::WriteError;
}

void QtSerialControl::markLost()
{
    m_detail = QStringLiteral("%1 stopped answering (unplugged?)").arg(m_port.portName());
    m_port.close();
    m_lost = true;
}

bool QtSerialControl::devicePresent(int port) const
{
#ifdef Q_OS_WIN
    const QString name = m_ports.device(port);
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        if (info.portName().compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
#else
    // A device node (or the link to one) goes when its adapter is pulled.
    return QFileInfo::exists(m_ports.device(port));
#endif
}

bool QtSerialControl::PortOpen() const
{
    return m_port.isOpen();
}

void QtSerialControl::setPortOpen(bool open)
{
    if (open == m_port.isOpen())
        return;
    if (!open) {
        m_port.close();
        m_lost = false;
        return;
    }
    if (m_commPort < FirstPort || m_commPort > LastPort)
        throw LinkError("invalid port number");

    const QString device = m_ports.device(m_commPort);
    m_port.setPortName(device);
    m_port.setReadBufferSize(ReceiveBufferSize);
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_detail = describe(m_port.error(), device);
        if (m_port.error() == QSerialPort::DeviceNotFoundError)
            m_detail += QStringLiteral("; ") + PortListing(*m_portInformation).summary();
        m_port.clearError();
        throw LinkError(m_detail.toStdString());
    }
    if (!m_port.setBaudRate(BaudRate) || !m_port.setParity(QSerialPort::NoParity)
        || !m_port.setDataBits(QSerialPort::Data8) || !m_port.setStopBits(QSerialPort::OneStop)
        || !m_port.setFlowControl(QSerialPort::NoFlowControl)) {
        m_detail = QStringLiteral("%1 refused the line settings").arg(device);
        m_port.close();
        throw LinkError(m_detail.toStdString());
    }
    m_lost = false;
    m_detail.clear();
}

QByteArray QtSerialControl::Input()
{
    if (!m_port.isOpen())
        throw LinkError(m_lost ? m_detail.toStdString() : "port is closed");
    // The event loop doesn't run inside a poll tick: fetch what the driver holds.
    if (m_port.bytesAvailable() == 0)
        m_port.waitForReadyRead(0);
    checkStillThere();
    if (!m_port.isOpen())
        throw LinkError(m_detail.toStdString());
    return m_inputLen > 0 ? m_port.read(m_inputLen) : m_port.readAll();
}

void QtSerialControl::Output(const QByteArray &text)
{
    if (!m_port.isOpen())
        throw LinkError("port is closed");
    if (m_port.bytesToWrite() + text.size() > TransmitBufferSize)
        fail(QStringLiteral("transmit buffer full"));
    if (m_port.write(text) != text.size())
        fail(m_port.errorString());
    // Hand the letter to the driver now rather than at the next event loop pass.
    m_port.waitForBytesWritten(0);
    checkStillThere();
}

void QtSerialControl::checkStillThere()
{
    const QSerialPort::SerialPortError error = m_port.error();
    const QString reason = m_port.errorString();
    m_port.clearError();
    if (isDeviceGone(error) && m_port.isOpen())
        markLost();
    if (m_lost)
        throw LinkError(m_detail.toStdString());
    if (error != QSerialPort::NoError && error != QSerialPort::TimeoutError)
        fail(reason);
}

void QtSerialControl::fail(const QString &what)
{
    m_detail = what;
    m_port.clearError();
    throw LinkError(what.toStdString());
}
