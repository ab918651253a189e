#include "shore/FeedAddress.h"

#include <QSysInfo>
#include <QUrl>

std::optional<FeedAddress> FeedAddress::parse(const QString &url, QString *error)
{
    const QUrl u(url, QUrl::StrictMode);
    const QString scheme = u.scheme().toLower();
    FeedAddress a;
    if (!u.isValid() || (scheme != QLatin1String("mqtt") && scheme != QLatin1String("mqtts"))) {
        *error = QStringLiteral("%1 is no broker: mqtt://HOST[:PORT] or mqtts://HOST[:PORT]").arg(url);
        return std::nullopt;
    }
    if (u.host().isEmpty()) {
        *error = QStringLiteral("%1 names no host").arg(url);
        return std::nullopt;
    }
    if (!u.path().isEmpty() && u.path() != QLatin1String("/")) {
        *error = QStringLiteral("%1: a broker's URL has no path (the topic prefix is --mqtt-topic)").arg(url);
        return std::nullopt;
    }
    if (!u.userName().isEmpty() || !u.password().isEmpty()) {
        // A password in the URL would be on the command line for anyone to read.
        *error = QStringLiteral("%1: give the user with --mqtt-user and the password with --mqtt-password-file")
                     .arg(url.section(QLatin1Char('@'), -1));
        return std::nullopt;
    }
    a.tls = scheme == QLatin1String("mqtts");
    a.host = u.host();
    a.port = u.port(a.tls ? 8883 : 1883);
    if (a.port < 1 || a.port > 65535) {
        *error = QStringLiteral("%1: no such port").arg(url);
        return std::nullopt;
    }
    return a;
}

QString defaultFeedPrefix(int port)
{
    QString host = QSysInfo::machineHostName();
    // A topic level may not hold the wildcards or the separator.
    for (QChar &c : host)
        if (c == QLatin1Char('/') || c == QLatin1Char('+') || c == QLatin1Char('#'))
            c = QLatin1Char('_');
    if (host.isEmpty())
        host = QStringLiteral("localhost");
    return QStringLiteral("vanto/%1/port%2").arg(host).arg(port);
}
