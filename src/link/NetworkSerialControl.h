#pragma once

#include "link/NetworkEndpoint.h"
#include "link/Rfc2217Session.h"
#include "link/SerialBackend.h"

#include <QDeadlineTimer>
#include <QTcpSocket>

#include <memory>
#include <optional>

// The serial control on a line reached over the network (a terminal server or
// ser2net): raw TCP, or telnet with the COM port option that sets the remote
// line to 9600 baud, no parity, 8 data bits, 1 stop bit. Everything happens
// within the caller's event, as on a serial port: opening waits for the
// connection at most ConnectTimeoutMs, reads fetch what has arrived, writes
// leave at once. A connection the far end drops is a lost port.
class NetworkSerialControl : public SerialBackend
{
public:
    static constexpr int ConnectTimeoutMs = 2000;
    static constexpr qint64 ReceiveBufferSize = 1024;
    static constexpr qint64 TransmitBufferSize = 512;

    explicit NetworkSerialControl(PortMap ports = PortMap());
    ~NetworkSerialControl() override;
    NetworkSerialControl(const NetworkSerialControl &) = delete;
    NetworkSerialControl &operator=(const NetworkSerialControl &) = delete;

    bool PortOpen() const override { return m_open; }
    void setPortOpen(bool open) override;
    QByteArray Input() override;
    void Output(const QByteArray &text) override;
    // Whether the address answers, learnt without blocking: a connection is
    // tried in the background and the answer comes at a later call, once the
    // event loop has run. So a lost port is reopened only when it can be, and
    // a server that is down never holds the window.
    bool devicePresent(int port) const override;
    // Over RFC 2217 the server is asked to purge its buffers too (PURGE-DATA);
    // raw TCP drops only what has arrived here. False when the connection is
    // gone: then it is opened anew.
    bool dropBuffers() override;
    void setLineRecord(LineRecord *line) override { m_line = line; }
    // Connections opened so far, for telling a purge from a reconnect.
    int connections() const { return m_connections; }
    // Purges the server has answered on this connection.
    int purgesAnswered() const { return m_telnet ? m_telnet->purgesAnswered() : 0; }

private:
    void open();
    void connectWithin(const QDeadlineTimer &deadline);
    void negotiateWithin(const QDeadlineTimer &deadline);
    void take(const QByteArray &bytes);
    void fetch();
    bool send(const QByteArray &bytes);
    bool negotiate(const QByteArray &bytes);
    void markLost();
    void close();
    [[noreturn]] void failOpen(const QString &why);
    [[noreturn]] void fail(const QString &what);

    QTcpSocket m_socket;
    mutable std::unique_ptr<QTcpSocket> m_probe; // a connection tried to see if the address answers
    mutable QString m_probed;                    // the address it tries
    mutable QDeadlineTimer m_probeDeadline;
    NetworkEndpoint m_endpoint;
    std::optional<Rfc2217Session> m_telnet;
    QByteArray m_received; // serial data not yet taken by Input
    bool m_open = false;
    int m_connections = 0;
    LineRecord *m_line = nullptr;
};
