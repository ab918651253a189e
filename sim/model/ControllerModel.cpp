#include "model/ControllerModel.h"

#include <algorithm>

ControllerModel::ControllerModel(quint32 seed)
    : m_rng(seed)
{ }

bool ControllerModel::applyCommand(char letter)
{
    switch (letter) {
    case 'u':
    case 'l':
        m_load = letter;
        return true;
    case 'E':
        m_ppsSense = true;
        return true;
    case 'D':
        m_ppsSense = false;
        return true;
    case 's':
        m_fastUpdate = false;
        return true;
    case 'f':
        m_fastUpdate = true;
        return true;
    default:
        return false;
    }
}

double ControllerModel::uniform()
{
    // Drawn straight from the engine: the standard distributions differ
    // between libraries, and a seed must give the same run everywhere.
    return m_rng() / 4294967296.0;
}

int ControllerModel::spread(int lsb)
{
    return int(m_rng() % quint32(2 * lsb + 1)) - lsb;
}

void ControllerModel::drift()
{
    // A slow random walk pulled back towards where each can settles; the
    // pull on the load can is weak, so engaging the load warms it over minutes
    // of polling rather than at once.
    const double loadTarget = LoadCanAmbientK + (m_load == 'l' ? LoadHeatingK : 0.0);
    m_loadCanK += (loadTarget - m_loadCanK) * 0.002 + (uniform() - 0.5) * 0.05;
    m_controlCanK += (ControlCanAmbientK - m_controlCanK) * 0.005 + (uniform() - 0.5) * 0.04;

    if (!m_ppsSense || !m_pulsePresent) {
        m_ppsFrequency = 0;
        m_ppsWidth = 0;
    } else if (!m_fastUpdate) {
        m_ppsFrequency = 1;
        m_ppsWidth = 10 + (uniform() < 0.3 ? spread(1) : 0);
    }
    // Fast update with sense on: the timing signal isn't checked, so the last
    // measurement stands.
}

QByteArray ControllerModel::nextReply()
{
    drift();

    int channel1 = 0;
    int channel2 = 0;
    if (m_suppliesLive) {
        channel1 = Channel1LiveCount + spread(3);
        channel2 = Channel2LiveCount + spread(3);
    } else {
        // A dead bus still shows converter noise.
        channel1 = int(m_rng() % 5);
        channel2 = int(m_rng() % 5);
    }
    channel1 = std::clamp(channel1, 0, 4095);
    channel2 = std::clamp(channel2, 0, 4095);

    std::array<QByteArray, 6> values{QByteArray::number(m_loadCanK, 'f', 2), QByteArray::number(m_controlCanK, 'f', 2),
                                     QByteArray::number(m_ppsFrequency),     QByteArray::number(m_ppsWidth),
                                     QByteArray::number(channel1),           QByteArray::number(channel2)};
    for (std::size_t i = 0; i < values.size(); ++i)
        if (m_held[i])
            values[i] = i < 2 ? QByteArray::number(*m_held[i], 'f', 2) : QByteArray::number(qint64(*m_held[i]));

    QByteArray reply;
    reply.reserve(40);
    for (const QByteArray &field :
         {values[0], values[1], values[2], values[3], values[4], values[5], QByteArray(1, m_load), QByteArray("0")}) {
        reply += field;
        reply += ',';
    }
    reply += '*';
    return reply;
}

void ControllerModel::hold(int field, double value)
{
    if (field >= 0 && field < int(m_held.size()))
        m_held[std::size_t(field)] = value;
}

void ControllerModel::release(int field)
{
    if (field >= 0 && field < int(m_held.size()))
        m_held[std::size_t(field)].reset();
}

void ControllerModel::releaseAll()
{
    m_held.fill(std::nullopt);
}
