#pragma once

#include <QByteArray>
#include <QList>

#include <random>

// How often each fault strikes, as a fraction of replies (0 = never, 1 = always).
struct FaultRates
{
    double silence = 0.0;
    double garble = 0.0;
    double split = 0.0;
    double textMessages = 0.0;
};

// What goes on the wire in answer to one command.
struct Delivery
{
    QByteArray first;      // empty: the controller stays silent
    QByteArray second;     // the rest of a split reply, empty if not split
    int secondDelayMs = 0; // pause between the two writes
};

// Spoils replies the way a flaky line or a troubled controller would,
// reproducibly for a given seed.
class FaultInjector
{
public:
    FaultInjector(const FaultRates &rates, quint32 seed);

    Delivery deliver(const QByteArray &reply);

    static const QList<QByteArray> &textMessages();

private:
    bool chance(double rate);
    quint32 below(quint32 n) { return m_rng() % n; }
    QByteArray garbled(QByteArray reply);

    FaultRates m_rates;
    std::mt19937 m_rng;
};
