#include "link/NetworkSerialControl.h"

#include "link/LineRecord.h"

#include <QHostAddress>
#include <QHostInfo>

#include <chrono>
#include <future>
#include <memory>
#include <thread>

namespace {
struct Lookup
{
    QList<QHostAddress> addresses;
    bool timedOut = false;
};

Lookup lookUp(const QString &host, const QDeadlineTimer &deadline)
{
    if (QHostAddress literal; literal.setAddress(host))
        return {{literal}, false};
    // The system's resolver knows no time limit of ours: ask it on a thread of
    // its own and stop waiting at the deadline (the thread ends by itself).
    auto promise = std::make_shared<std::promise<QList<QHostAddress>>>();
    std::future<QList<QHostAddress>> answer = promise->get_future();
    std::thread([host, promise] { promise->set_value(QHostInfo::fromName(host).addresses()); }).detach();
    if (answer.wait_for(std::chrono::milliseconds(qMax<qint64>(0, deadline.remainingTime())))
        != std::future_status::ready)
        return {{}, true};
    return {answer.get(), false};
}

QString describe(QAbstractSocket::SocketError error, const QString &errorString)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return QStringLiteral("connection refused");
    case QAbstractSocket::SocketTimeoutError:
        return QStringLiteral("timed out");
    case QAbstractSocket::HostNotFoundError:
        return QStringLiteral("host not found");
    case QAbstractSocket::RemoteHostClosedError:
        return QStringLiteral("connection closed by the server");
    default:
        return errorString.isEmpty() ? QStringLiteral("connection failed")
                                     : errorString.left(1).toLower() + errorString.mid(1);
    }
}

// What a server wrote before it hung up, fit for a message: ser2net says there
// why it can't open its device.
QString whatWasSaid(const QByteArray &bytes)
{
    QString said;
    for (const char c : bytes)
        said += c >= ' ' && c <= '~' ? QLatin1Char(c) : QLatin1Char(' ');
    said = said.simplified();
    return said.size() > 80 ? said.left(77) + QStringLiteral("...") : said;
}

int remaining(const QDeadlineTimer &deadline)
{
    return int(qMax<qint64>(0, deadline.remainingTime()));
}
} // namespace

NetworkSerialControl::NetworkSerialControl(PortMap ports)
    : SerialBackend(std::move(ports))
{
    m_socket.setReadBufferSize(ReceiveBufferSize);
    // A connection dropped between ticks is noticed by the event loop; the port
    // is lost from then on, as a pulled adapter is.
    QObject::connect(&m_socket, &QAbstractSocket::stateChanged, &m_socket, [this](QAbstractSocket::SocketState state) {
        if (m_open && state == QAbstractSocket::UnconnectedState)
            markLost();
    });
}

NetworkSerialControl::~NetworkSerialControl()
{
    // The socket outlives the members its handler writes: silence it first.
    QObject::disconnect(&m_socket, nullptr, nullptr, nullptr);
    close();
}

void NetworkSerialControl::setPortOpen(bool open)
{
    if (open == m_open)
        return;
    if (open)
        this->open();
    else
        close();
}

bool NetworkSerialControl::devicePresent(int port) const
{
    const std::optional<NetworkEndpoint> endpoint = m_ports.endpoint(port);
    if (!endpoint)
        return false;
    const QString address = m_ports.device(port);
    if (m_probe && m_probed == address) {
        const QAbstractSocket::SocketState state = m_probe->state();
        // It answers; the probe goes when the port opens.
        if (state == QAbstractSocket::ConnectedState)
            return true;
        if (state != QAbstractSocket::UnconnectedState && !m_probeDeadline.hasExpired())
            return false; // still trying
    }
    // None yet, or the last one failed or took too long: try again.
    m_probe = std::make_unique<QTcpSocket>();
    m_probed = address;
    m_probeDeadline.setRemainingTime(ConnectTimeoutMs);
    m_probe->connectToHost(endpoint->host, endpoint->port);
    return false;
}

void NetworkSerialControl::open()
{
    if (m_commPort < FirstPort || m_commPort > LastPort)
        throw LinkError("invalid port number");
    const std::optional<NetworkEndpoint> endpoint = m_ports.endpoint(m_commPort);
    if (!endpoint) {
        m_detail = QStringLiteral("%1 is not a network address").arg(m_ports.device(m_commPort));
        throw LinkError(m_detail.toStdString());
    }
    m_endpoint = *endpoint;
    m_probe.reset();
    m_received.clear();
    m_telnet.reset();

    // One bound for the whole open, so a host that doesn't answer can't hold
    // the window for long.
    const QDeadlineTimer deadline(ConnectTimeoutMs);
    connectWithin(deadline);
    // Letters go out as they are written, not held back to fill a segment.
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    if (m_endpoint.protocol == NetworkEndpoint::Protocol::Rfc2217)
        negotiateWithin(deadline);

    m_open = true;
    m_lost = false;
    m_detail.clear();
}

void NetworkSerialControl::connectWithin(const QDeadlineTimer &deadline)
{
    const Lookup found = lookUp(m_endpoint.host, deadline);
    if (found.timedOut)
        failOpen(QStringLiteral("timed out looking up the host"));
    if (found.addresses.isEmpty())
        failOpen(QStringLiteral("host not found"));
    // A name may stand for several addresses (localhost for ::1 and
    // 127.0.0.1): the first that takes the connection wins.
    QString why;
    for (const QHostAddress &address : found.addresses) {
        m_socket.abort();
        m_socket.connectToHost(address, m_endpoint.port);
        if (m_socket.waitForConnected(remaining(deadline))) {
            ++m_connections;
            return;
        }
        why = describe(m_socket.error(), m_socket.errorString());
        if (deadline.hasExpired())
            break;
    }
    failOpen(why);
}

void NetworkSerialControl::negotiateWithin(const QDeadlineTimer &deadline)
{
    m_telnet.emplace();
    if (!negotiate(m_telnet->start()))
        failOpen(describe(m_socket.error(), m_socket.errorString()));
    // The first letter must find the line set: wait until the server has
    // taken the settings.
    while (!m_telnet->lineConfirmed()) {
        if (m_telnet->comPortRefused())
            failOpen(QStringLiteral("the server doesn't take the COM port option (RFC 2217); try tcp://"));
        if (m_socket.bytesAvailable() == 0 && !m_socket.waitForReadyRead(remaining(deadline))) {
            if (m_socket.state() != QAbstractSocket::ConnectedState) {
                const QString said = whatWasSaid(m_received);
                failOpen(said.isEmpty() ? describe(m_socket.error(), m_socket.errorString())
                                        : QStringLiteral("closed by the server: %1").arg(said));
            }
            failOpen(QStringLiteral("no RFC 2217 answer (a raw TCP port? try tcp://)"));
        }
        take(m_socket.readAll());
        if (m_received.size() > ReceiveBufferSize)
            m_received = m_received.right(ReceiveBufferSize);
    }
}

void NetworkSerialControl::take(const QByteArray &bytes)
{
    if (!m_telnet) {
        m_received += bytes;
        return;
    }
    m_received += m_telnet->receive(bytes);
    if (m_line)
        m_line->negotiation(LineDirection::NegotiationReceived, m_telnet->takeNegotiation());
    negotiate(m_telnet->takeOutgoing());
}

bool NetworkSerialControl::negotiate(const QByteArray &bytes)
{
    if (m_line)
        m_line->negotiation(LineDirection::NegotiationSent, bytes);
    return send(bytes);
}

bool NetworkSerialControl::dropBuffers()
{
    if (!m_open)
        return false;
    // What has come already belongs to the reply that failed.
    fetch();
    m_received.clear();
    if (!m_open)
        return false;
    if (m_telnet) {
        m_telnet->purge();
        if (!negotiate(m_telnet->takeOutgoing())) {
            markLost();
            return false;
        }
    }
    return m_socket.state() == QAbstractSocket::ConnectedState;
}

bool NetworkSerialControl::send(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return true;
    if (m_socket.write(bytes) != bytes.size())
        return false;
    // Into the system's hands now, not at the next pass of the event loop.
    m_socket.flush();
    return true;
}

QByteArray NetworkSerialControl::Input()
{
    if (!m_open)
        throw LinkError(m_lost ? m_detail.toStdString() : "port is closed");
    if (m_received.isEmpty())
        fetch();
    if (!m_open)
        throw LinkError(m_detail.toStdString());
    const qsizetype count = m_inputLen > 0 ? qMin<qsizetype>(m_inputLen, m_received.size()) : m_received.size();
    const QByteArray taken = m_received.left(count);
    m_received.remove(0, count);
    return taken;
}

void NetworkSerialControl::fetch()
{
    // The event loop doesn't run inside a poll tick: fetch what the system holds.
    if (m_socket.bytesAvailable() == 0)
        m_socket.waitForReadyRead(0);
    take(m_socket.readAll());
    if (m_open && m_socket.state() != QAbstractSocket::ConnectedState)
        markLost();
}

void NetworkSerialControl::Output(const QByteArray &text)
{
    if (!m_open)
        throw LinkError("port is closed");
    const QByteArray bytes = m_telnet ? Rfc2217Session::escape(text) : text;
    if (m_socket.bytesToWrite() + bytes.size() > TransmitBufferSize)
        fail(QStringLiteral("transmit buffer full"));
    if (!send(bytes))
        fail(m_socket.errorString());
    if (m_open && m_socket.state() != QAbstractSocket::ConnectedState)
        markLost();
    if (!m_open)
        throw LinkError(m_detail.toStdString());
}

void NetworkSerialControl::markLost()
{
    m_detail
        = QStringLiteral("%1: %2").arg(m_endpoint.hostAndPort(), describe(m_socket.error(), m_socket.errorString()));
    m_open = false;
    m_lost = true;
    m_received.clear();
    m_telnet.reset();
}

void NetworkSerialControl::close()
{
    m_open = false;
    m_lost = false;
    m_received.clear();
    m_telnet.reset();
    m_socket.abort();
}

void NetworkSerialControl::failOpen(const QString &why)
{
    m_detail = QStringLiteral("%1: %2").arg(m_endpoint.hostAndPort(), why);
    m_socket.abort();
    m_telnet.reset();
    m_received.clear();
    throw LinkError(m_detail.toStdString());
}

void NetworkSerialControl::fail(const QString &what)
{
    m_detail = QStringLiteral("%1: %2").arg(m_endpoint.hostAndPort(), what);
    throw LinkError(m_detail.toStdString());
}
