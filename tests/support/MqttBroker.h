#pragma once

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

// A Mosquitto broker of the test's own on a free loopback port, with its
// files (config, passwords, certificates) in a folder of its own.
class MqttBroker
{
public:
    // Lines added to the broker's config, e.g. "allow_anonymous false".
    explicit MqttBroker(QStringList config = {QStringLiteral("allow_anonymous true")})
        : m_config(std::move(config))
    {
        // Run as root, the broker would drop to a user that can't read this
        // private folder; as anyone else, it stays who it is anyway.
        m_config << QStringLiteral("user root");
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        m_port = probe.serverPort();
    }
    ~MqttBroker() { stop(); }

    static QString program(const char *name)
    {
        return QStandardPaths::findExecutable(QLatin1String(name),
                                              {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")});
    }

    // More config lines, before start().
    void configure(const QStringList &lines) { m_config << lines; }
    QString path(const QString &name) const { return m_dir.filePath(name); }
    int port() const { return m_port; }
    QString url(const char *scheme = "mqtt") const
    {
        return QStringLiteral("%1://127.0.0.1:%2").arg(QLatin1String(scheme)).arg(m_port);
    }

    // Started and taking connections.
    bool start()
    {
        QFile conf(path(QStringLiteral("mosquitto.conf")));
        if (!conf.open(QIODevice::WriteOnly))
            return false;
        conf.write(QStringLiteral("listener %1 127.0.0.1\n%2\n").arg(m_port).arg(m_config.join('\n')).toUtf8());
        conf.close();
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(program("mosquitto"), {QStringLiteral("-c"), conf.fileName()});
        if (!m_process.waitForStarted())
            return false;
        QDeadlineTimer deadline(5000);
        while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
            QTcpSocket s;
            s.connectToHost(QHostAddress::LocalHost, quint16(m_port));
            if (s.waitForConnected(200))
                return true;
            QThread::msleep(50);
        }
        return false;
    }
    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        m_process.waitForFinished(5000);
        m_log += m_process.readAll();
    }
    QByteArray log()
    {
        m_log += m_process.readAll();
        return m_log;
    }

private:
    QTemporaryDir m_dir;
    QStringList m_config;
    int m_port = 0;
    QProcess m_process;
    QByteArray m_log;
};

// mosquitto_sub reading topics: every message as "topic payload", one a line.
class MqttReader
{
public:
    MqttReader(const MqttBroker &broker, const QString &topic, QStringList extra = {})
    {
        m_process.start(MqttBroker::program("mosquitto_sub"),
                        QStringList{"-h", "127.0.0.1", "-p", QString::number(broker.port()), "-t", topic, "-v"}
                            + extra);
        m_process.waitForStarted();
    }
    ~MqttReader()
    {
        m_process.terminate();
        m_process.waitForFinished(3000);
    }

    // The lines so far.
    const QList<QByteArray> &lines()
    {
        m_buffer += m_process.readAllStandardOutput();
        qsizetype nl;
        while ((nl = m_buffer.indexOf('\n')) >= 0) {
            m_lines << m_buffer.left(nl);
            m_buffer.remove(0, nl + 1);
        }
        return m_lines;
    }
    QProcess &process() { return m_process; }

private:
    QProcess m_process;
    QByteArray m_buffer;
    QList<QByteArray> m_lines;
};
