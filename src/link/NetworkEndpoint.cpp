#include "link/NetworkEndpoint.h"

#include <QHostAddress>
#include <QUrl>

namespace {
const QString Example = QStringLiteral("as in 1=rfc2217://deck-unit:4001");

std::optional<NetworkEndpoint> refuse(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return std::nullopt;
}

// 1 to 65535 in plain digits; 0 for anything else.
quint16 portNumber(const QString &text)
{
    bool ok = false;
    const uint value = text.size() <= 5 && !text.startsWith(QLatin1Char('+')) ? text.toUInt(&ok) : 0;
    return ok && value >= 1 && value <= 65535 ? quint16(value) : 0;
}
} // namespace

QString NetworkEndpoint::hostAndPort() const
{
    const bool v6 = host.contains(QLatin1Char(':'));
    return (v6 ? QStringLiteral("[%1]:%2") : QStringLiteral("%1:%2")).arg(host).arg(port);
}

bool NetworkEndpoint::looksLikeAddress(const QString &text)
{
    return text.contains(QLatin1String("://"));
}

std::optional<NetworkEndpoint> NetworkEndpoint::parse(const QString &text, QString *error)
{
    const qsizetype schemeEnd = text.indexOf(QLatin1String("://"));
    if (schemeEnd < 0)
        return refuse(error, QStringLiteral("not a network address, %1").arg(Example));

    NetworkEndpoint endpoint;
    const QString scheme = text.left(schemeEnd).toLower();
    if (scheme == QLatin1String("tcp"))
        endpoint.protocol = Protocol::RawTcp;
    else if (scheme == QLatin1String("rfc2217"))
        endpoint.protocol = Protocol::Rfc2217;
    else
        return refuse(error,
                      QStringLiteral("unknown scheme \"%1\", use tcp:// or rfc2217://, %2").arg(scheme, Example));

    const QString rest = text.mid(schemeEnd + 3);
    for (const char c : {'/', '?', '#', '@'}) {
        if (rest.contains(QLatin1Char(c)))
            return refuse(error, QStringLiteral("only HOST:PORT may follow the scheme, %1").arg(Example));
    }

    QString host;
    QString port;
    if (rest.startsWith(QLatin1Char('['))) {
        const qsizetype close = rest.indexOf(QLatin1Char(']'));
        const QHostAddress address(close > 0 ? rest.mid(1, close - 1) : QString());
        if (close < 0 || address.protocol() != QAbstractSocket::IPv6Protocol)
            return refuse(error, QStringLiteral("not an IPv6 address in brackets, as in 1=tcp://[fd00::2]:4001"));
        host = address.toString();
        if (rest.mid(close + 1, 1) == QLatin1String(":"))
            port = rest.mid(close + 2);
    } else {
        const qsizetype colon = rest.lastIndexOf(QLatin1Char(':'));
        host = colon >= 0 ? rest.left(colon) : rest;
        port = colon >= 0 ? rest.mid(colon + 1) : QString();
        if (host.contains(QLatin1Char(':')))
            return refuse(error, QStringLiteral("an IPv6 address goes in brackets, as in 1=tcp://[fd00::2]:4001"));
        if (host.isEmpty())
            return refuse(error, QStringLiteral("no host given, %1").arg(Example));
        QUrl check;
        check.setHost(host, QUrl::StrictMode);
        if (!check.isValid() || check.host().isEmpty())
            return refuse(error, QStringLiteral("\"%1\" is not a host name, %2").arg(host, Example));
    }

    endpoint.port = portNumber(port);
    if (endpoint.port == 0)
        return refuse(error, QStringLiteral("the TCP port must be 1 to 65535, %1").arg(Example));
    endpoint.host = host;
    return endpoint;
}
