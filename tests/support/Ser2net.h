#pragma once

#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A ser2net of the test's own on 127.0.0.1, from a configuration written for
// it: each bridge joins a free TCP port to a device, as raw TCP or as telnet
// with the COM port option. It can be killed and started again on the same
// ports, as a deck machine that restarts.
class Ser2net
{
public:
    enum class Kind { RawTcp, Rfc2217, PlainTelnet };
    struct Bridge
    {
        Kind kind = Kind::RawTcp;
        QString device;
        QString lineSettings = QStringLiteral("9600n81"); // what ser2net sets on opening the device
    };

    // The installed program; empty when there is none.
    static QString program();

    explicit Ser2net(const QList<Bridge> &bridges);
    ~Ser2net();
    Ser2net(const Ser2net &) = delete;
    Ser2net &operator=(const Ser2net &) = delete;

    // Starts it and waits until every bridge listens; false, with ser2net's
    // own words in why, when it didn't come up.
    bool start(QString *why = nullptr);
    // Ends it at once (SIGKILL), as a crash or a power cut does.
    void kill();

    quint16 port(int bridge) const { return m_ports.value(bridge); }
    // The address to give --port: rfc2217://127.0.0.1:PORT or tcp://127.0.0.1:PORT.
    QString address(int bridge) const;

private:
    static bool listening(quint16 port);

    QList<Bridge> m_bridges;
    QList<quint16> m_ports;
    QTemporaryDir m_dir;
    QProcess m_process;
};
