#pragma once

#include <QString>

#include <optional>

// Where a shore feed goes: a broker given as mqtt://HOST[:PORT] or
// mqtts://HOST[:PORT], with what the client needs to be let in.
struct FeedAddress
{
    QString host;
    int port = 1883;
    bool tls = false;
    QString user;
    QString password;
    QString caFile; // TLS: the CA that signed the broker's certificate; empty: the system's

    QString hostPort() const { return QStringLiteral("%1:%2").arg(host).arg(port); }

    // The broker's URL, or why it isn't one (then nothing else is set).
    static std::optional<FeedAddress> parse(const QString &url, QString *error);
};

// The topic prefix a deck tool publishes under by default: vanto/<host name>/port<N>.
QString defaultFeedPrefix(int port);
