#pragma once

#include <QString>

#include <optional>

// A serial line reached over the network: a terminal server or ser2net port,
// written tcp://HOST:PORT (bytes pass as they are) or rfc2217://HOST:PORT
// (telnet with the COM port option, so the tool sets the line itself).
struct NetworkEndpoint
{
    enum class Protocol { RawTcp, Rfc2217 };

    Protocol protocol = Protocol::RawTcp;
    QString host; // an IPv6 address without its brackets
    quint16 port = 0;

    // HOST:PORT as the operator reads it in messages, IPv6 in brackets.
    QString hostAndPort() const;

    // True for a text that names a network address rather than a device.
    static bool looksLikeAddress(const QString &text);

    // Takes tcp://HOST:PORT or rfc2217://HOST:PORT. On failure returns nothing
    // and says why in error (a phrase to follow the mapping, as in PortMap).
    static std::optional<NetworkEndpoint> parse(const QString &text, QString *error = nullptr);
};
