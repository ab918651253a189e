#include "Ser2net.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QThread>

#include <algorithm>

namespace {
quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}
} // namespace

QString Ser2net::program()
{
    // Debian puts it in sbin, which an ordinary user's PATH may lack.
    QString found = QStandardPaths::findExecutable(QStringLiteral("ser2net"));
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(QStringLiteral("ser2net"),
                                               {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin")});
    return found;
}

Ser2net::Ser2net(const QList<Bridge> &bridges)
    : m_bridges(bridges)
{
    for (qsizetype i = 0; i < m_bridges.size(); ++i)
        m_ports.append(freePort());
}

Ser2net::~Ser2net()
{
    kill();
}

QString Ser2net::address(int bridge) const
{
    const bool telnet = m_bridges.value(bridge).kind != Kind::RawTcp;
    return QStringLiteral("%1://127.0.0.1:%2").arg(telnet ? "rfc2217" : "tcp").arg(port(bridge));
}

bool Ser2net::start(QString *why)
{
    QString yaml = QStringLiteral("%YAML 1.1\n---\n");
    for (qsizetype i = 0; i < m_bridges.size(); ++i) {
        const Bridge &b = m_bridges[i];
        const char *accepter = b.kind == Kind::Rfc2217       ? "telnet(rfc2217),tcp"
                               : b.kind == Kind::PlainTelnet ? "telnet,tcp"
                                                             : "tcp";
        yaml += QStringLiteral("connection: &bridge%1\n"
                               "    accepter: %2,127.0.0.1,%3\n"
                               "    connector: serialdev,%4,%5,local\n"
                               "    options:\n"
                               "      kickolduser: true\n")
                    .arg(i)
                    .arg(QLatin1String(accepter))
                    .arg(m_ports[i])
                    .arg(b.device, b.lineSettings);
    }
    const QString config = m_dir.filePath(QStringLiteral("ser2net.yaml"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly) || file.write(yaml.toUtf8()) < 0)
        return false;
    file.close();

    kill();
    // -n: stay in the foreground; -u: no lock files, which a killed ser2net would leave behind.
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(program(), {QStringLiteral("-n"), QStringLiteral("-u"), QStringLiteral("-c"), config});
    const QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired() && m_process.state() != QProcess::NotRunning) {
        if (std::all_of(m_ports.cbegin(), m_ports.cend(), listening))
            return true;
        m_process.waitForFinished(20);
    }
    if (why)
        *why = QStringLiteral("ser2net didn't come up: ") + QString::fromLocal8Bit(m_process.readAll());
    kill();
    return false;
}

void Ser2net::kill()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(3000);
}

bool Ser2net::listening(quint16 port)
{
    // A connection to find out would make ser2net open the device: read the
    // system's table of sockets instead (IPv4 127.0.0.1, state LISTEN).
    QFile table(QStringLiteral("/proc/net/tcp"));
    if (!table.open(QIODevice::ReadOnly))
        return false;
    const QByteArray wanted = QStringLiteral("0100007F:%1").arg(port, 4, 16, QLatin1Char('0')).toUpper().toLatin1();
    for (const QByteArray &line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 3 && fields[1] == wanted && fields[3] == "0A")
            return true;
    }
    return false;
}
