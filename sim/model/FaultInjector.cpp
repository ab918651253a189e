#include "model/FaultInjector.h"

FaultInjector::FaultInjector(const FaultRates &rates, quint32 seed)
    : m_rates(rates)
    , m_rng(seed)
{ }

const QList<QByteArray> &FaultInjector::textMessages()
{
    // The controller's own notices start with "T" or "C"; the tool shows them verbatim.
    static const QList<QByteArray> messages{
        "Temperature sensor fault*",
        "Controller reset*",
        "Timing signal lost*",
        "Check load relay*",
    };
    return messages;
}

bool FaultInjector::chance(double rate)
{
    if (rate <= 0.0)
        return false;
    return m_rng() / 4294967296.0 < rate;
}

QByteArray FaultInjector::garbled(QByteArray reply)
{
    const bool terminated = reply.endsWith('*');
    if (terminated)
        reply.chop(1);
    if (!reply.isEmpty()) {
        const int hits = 1 + int(below(3));
        for (int i = 0; i < hits; ++i)
            reply[int(below(quint32(reply.size())))] = char(below(256));
    }
    if (terminated) {
        switch (below(4)) {
        case 0: // terminator lost: the reader runs dry
            break;
        case 1: // terminator doubled: the stray "*" frames an empty reply next
            reply += "**";
            break;
        default:
            reply += '*';
        }
    }
    return reply;
}

Delivery FaultInjector::deliver(const QByteArray &reply)
{
    Delivery delivery;
    if (chance(m_rates.silence))
        return delivery;

    QByteArray text = reply;
    if (chance(m_rates.textMessages))
        text = textMessages().at(int(below(quint32(textMessages().size()))));
    if (chance(m_rates.garble))
        text = garbled(text);

    if (text.size() > 1 && chance(m_rates.split)) {
        const int cut = 1 + int(below(quint32(text.size() - 1)));
        delivery.first = text.left(cut);
        delivery.second = text.mid(cut);
        delivery.secondDelayMs = 20 + int(below(41));
    } else {
        delivery.first = text;
    }
    return delivery;
}
