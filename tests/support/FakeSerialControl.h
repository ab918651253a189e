#pragma once

#include "link/SerialControl.h"

#include <QList>
#include <QMap>
#include <QSet>

// A serial control for tests: a scripted receive buffer, a record of what was
// sent, and switchable open failures.
class FakeSerialControl : public SerialControl
{
public:
    QByteArray rx;              // what the "controller" has sent and is not read yet
    QList<QByteArray> writes;   // every Output, in order
    QSet<int> failingPorts;     // port numbers whose opening fails: their devices are missing
    QMap<int, QString> devices; // port numbers remapped to another device
    bool failOutput = false;    // Output throws even while open
    int opens = 0;              // successful opens
    int closes = 0;             // closes of an open port
    int inputReads = 0;         // calls of Input
    QList<int> requestedPorts;  // every number handed to setCommPort, refused ones too

    int CommPort() const override { return m_port; }
    void setCommPort(int port) override
    {
        requestedPorts << port;
        if (m_open)
            throw LinkError("port is open");
        if (port < FirstPort || port > LastPort)
            throw LinkError("invalid port number");
        m_port = port;
    }

    bool PortOpen() const override { return m_open; }
    void setPortOpen(bool open) override
    {
        if (open == m_open)
            return;
        if (open) {
            if (failingPorts.contains(m_port))
                throw LinkError("cannot open port");
            m_open = true;
            m_lost = false;
            ++opens;
        } else {
            m_open = false;
            ++closes;
        }
    }

    int InputLen() const override { return m_inputLen; }
    void setInputLen(int count) override { m_inputLen = count; }

    QByteArray Input() override
    {
        ++inputReads;
        if (!m_open)
            throw LinkError("port is closed");
        const int n = m_inputLen == 0 ? rx.size() : qMin<int>(m_inputLen, rx.size());
        const QByteArray taken = rx.left(n);
        rx.remove(0, n);
        return taken;
    }

    void Output(const QByteArray &text) override
    {
        if (!m_open || failOutput)
            throw LinkError("port is closed");
        writes.append(text);
    }

    bool PortLost() const override { return m_lost; }
    QString device(int port) const override
    {
        const auto it = devices.constFind(port);
        return it != devices.constEnd() ? *it : QStringLiteral("/dev/fake%1").arg(port);
    }
    // A port whose opening fails is one whose device is missing.
    bool devicePresent(int port) const override { return !failingPorts.contains(port); }
    void remap(int port, const QString &device) override { devices.insert(port, device); }

    // The device goes away as a pulled USB adapter does: the port closes itself.
    void vanish()
    {
        m_open = false;
        m_lost = true;
        failingPorts.insert(m_port);
    }
    void comeBack() { failingPorts.remove(m_port); }

private:
    int m_port = 1;
    bool m_open = false;
    bool m_lost = false;
    int m_inputLen = 0;
};
