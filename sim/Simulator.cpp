#include "Simulator.h"

#include "DeviceLink.h"
#include "model/ControlCommand.h"

#include <chrono>
#include <cstdio>

static int milliseconds(double seconds)
{
    return qMax(1, qRound(seconds * 1000.0));
}

// Garbled bytes shown as \xNN, so a verbose log stays readable text.
static QString printable(const QByteArray &bytes)
{
    QString text;
    for (const char c : bytes) {
        if (c >= 0x20 && c < 0x7f)
            text += QLatin1Char(c);
        else
            text += QStringLiteral("\\x%1").arg(quint8(c), 2, 16, QLatin1Char('0'));
    }
    return text;
}

Simulator::Simulator(const SimulatorOptions &options, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_model(options.seed)
    // Faults draw from their own stream, so turning one on doesn't change the readings.
    , m_faults(options.faults, options.seed ^ 0x9e3779b9u)
{
    m_model.setSuppliesLive(options.suppliesLive);
    connect(&m_pty, &PseudoTerminal::received, this, &Simulator::answer);

    m_sendTimer.setSingleShot(true);
    connect(&m_sendTimer, &QTimer::timeout, this, [this] {
        if (!m_outgoing.empty())
            m_outgoing.front().delayMs = 0;
        sendDue();
    });

    m_vanishTimer.setSingleShot(true);
    connect(&m_vanishTimer, &QTimer::timeout, this, [this] {
        if (m_pty.isOpen())
            vanish();
        else
            reappear();
    });

    if (options.toggleSuppliesSeconds > 0.0) {
        m_supplyTimer.setInterval(milliseconds(options.toggleSuppliesSeconds));
        connect(&m_supplyTimer, &QTimer::timeout, this, &Simulator::toggleSupplies);
    }
}

Simulator::~Simulator()
{
    stop();
}

bool Simulator::start(QString *error)
{
    if (!appear(error))
        return false;
    if (m_options.toggleSuppliesSeconds > 0.0)
        m_supplyTimer.start();
    return true;
}

void Simulator::stop()
{
    m_vanishTimer.stop();
    m_supplyTimer.stop();
    takeDeviceAway();
}

void Simulator::takeDeviceAway()
{
    m_sendTimer.stop();
    m_outgoing.clear();
    if (!m_linkTarget.isEmpty())
        DeviceLink::remove(m_options.linkPath, m_linkTarget);
    m_linkTarget.clear();
    m_pty.close();
}

void Simulator::toggleSupplies()
{
    m_model.setSuppliesLive(!m_model.suppliesLive());
    note(m_model.suppliesLive() ? QStringLiteral("supplies live") : QStringLiteral("supplies dead"));
}

void Simulator::control(const QString &line)
{
    const QString error = applyControl(m_model, line);
    if (!error.isEmpty())
        std::fprintf(stderr, "vanto-controller-sim: control: %s\n", qPrintable(error));
    else
        note(QStringLiteral("control: ") + line.simplified());
}

bool Simulator::appear(QString *error)
{
    if (!m_pty.open(error))
        return false;
    if (!m_options.linkPath.isEmpty()) {
        if (!DeviceLink::pointAt(m_options.linkPath, m_pty.slavePath(), error)) {
            m_pty.close();
            return false;
        }
        m_linkTarget = m_pty.slavePath();
    }
    note(QStringLiteral("device %1").arg(m_pty.slavePath()));
    emit deviceAppeared(m_pty.slavePath());
    if (m_options.vanishEverySeconds > 0.0)
        m_vanishTimer.start(milliseconds(m_options.vanishEverySeconds));
    return true;
}

void Simulator::vanish()
{
    note(QStringLiteral("vanishing for %1 s").arg(m_options.vanishForSeconds));
    takeDeviceAway();
    m_vanishTimer.start(milliseconds(m_options.vanishForSeconds));
}

void Simulator::reappear()
{
    QString error;
    if (!appear(&error))
        emit fatalError(error);
}

void Simulator::answer(const QByteArray &bytes)
{
    for (const char letter : bytes) {
        if (!m_model.applyCommand(letter)) {
            note(QStringLiteral("ignored byte 0x%1").arg(quint8(letter), 2, 16, QLatin1Char('0')));
            continue;
        }
        QByteArray reply = m_replay ? replayed() : m_model.nextReply();
        if (reply.isEmpty()) {
            note(QStringLiteral("'%1' -> (silent in the recording)").arg(QLatin1Char(letter)));
            continue;
        }
        if (m_options.stampReplies)
            stamp(reply);
        const Delivery delivery = m_faults.deliver(reply);
        if (m_options.verbose) {
            QString what = QStringLiteral("'%1' -> ").arg(QLatin1Char(letter));
            if (delivery.first.isEmpty())
                what += QStringLiteral("(silent)");
            else
                what += printable(delivery.first + delivery.second);
            if (!delivery.second.isEmpty())
                what += QStringLiteral(" (split, %1 ms)").arg(delivery.secondDelayMs);
            note(what);
        }
        if (delivery.first.isEmpty())
            continue;
        enqueue(delivery.first, m_options.replyDelayMs);
        if (!delivery.second.isEmpty())
            enqueue(delivery.second, delivery.secondDelayMs);
    }
}

QByteArray Simulator::replayed()
{
    if (!m_replaySince.isValid())
        m_replaySince.start();
    const QByteArray reply = m_replay->replyAt(m_replaySince.elapsed());
    if (m_replay->ended() && !m_replayEndTold) {
        m_replayEndTold = true;
        std::fprintf(stderr, "vanto-controller-sim: the recording has ended; silent from now on\n");
        std::fflush(stderr);
    }
    return reply;
}

void Simulator::stamp(QByteArray &reply)
{
    // The last field, "0," before the terminator, becomes the monotonic clock
    // in milliseconds: the same clock on both ends of a pseudo-terminal, so a
    // benchmark can tell how old the reply on the tool's screen is.
    const qsizetype last = reply.lastIndexOf(',', reply.size() - 3) + 1;
    reply.replace(last, reply.size() - 2 - last,
                  QByteArray::number(qint64(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                std::chrono::steady_clock::now().time_since_epoch())
                                                .count())));
}

void Simulator::enqueue(const QByteArray &bytes, int delayMs)
{
    // One queue keeps replies in order even when a split one is still part-way out.
    m_outgoing.push_back({bytes, delayMs});
    if (!m_sendTimer.isActive())
        sendDue();
}

void Simulator::sendDue()
{
    while (!m_outgoing.empty()) {
        const Chunk &chunk = m_outgoing.front();
        if (chunk.delayMs > 0) {
            m_sendTimer.start(chunk.delayMs);
            return;
        }
        if (!m_pty.write(chunk.bytes))
            note(QStringLiteral("write failed, reply lost"));
        m_outgoing.pop_front();
    }
}

void Simulator::note(const QString &message) const
{
    if (!m_options.verbose)
        return;
    std::fprintf(stderr, "vanto-controller-sim: %s\n", qPrintable(message));
    std::fflush(stderr);
}
