#pragma once

#include <QByteArray>

#include <array>
#include <optional>
#include <random>

// The port controller as the serial line sees it: the state its command
// letters set and the telemetry reply it sends back. No I/O, so it can be
// driven directly and reproduced from a seed.
class ControllerModel
{
public:
    explicit ControllerModel(quint32 seed);

    // Takes one received byte. Returns true for a command letter, which the
    // controller answers with one reply; any other byte is ignored.
    bool applyCommand(char letter);

    // The reply to the command just applied: eight comma-terminated fields and
    // the terminator "*". Every call moves the readings on by one step.
    QByteArray nextReply();

    void setSuppliesLive(bool live) { m_suppliesLive = live; }
    // The 1PPS pulse reaching the port, as the node sends it: without it the
    // sensed frequency and width read 0.
    void setPulsePresent(bool present) { m_pulsePresent = present; }
    bool pulsePresent() const { return m_pulsePresent; }
    // Holds the reply field (0 to 5: the two temperatures in K, pulse
    // frequency and width, the two channels' counts) at a value until
    // released; the rest of the model runs on.
    void hold(int field, double value);
    void release(int field);
    void releaseAll();
    bool suppliesLive() const { return m_suppliesLive; }
    char loadState() const { return m_load; }
    bool ppsSense() const { return m_ppsSense; }
    bool fastUpdate() const { return m_fastUpdate; }

    // Where the readings settle: both cans at ambient, the load can warmer
    // while the load is engaged.
    static constexpr double LoadCanAmbientK = 300.15;
    static constexpr double ControlCanAmbientK = 290.15;
    static constexpr double LoadHeatingK = 8.0;
    // Converter counts (4096 full scale) of the two supplies when live:
    // 375 V on the 400 V bus, 48 V on the 48 V bus.
    static constexpr int Channel1LiveCount = 3840;
    static constexpr int Channel2LiveCount = 3277;

private:
    void drift();
    double uniform();    // [0, 1)
    int spread(int lsb); // -lsb .. +lsb

    std::mt19937 m_rng;
    char m_load = 'u';
    bool m_ppsSense = false;
    bool m_fastUpdate = false;
    bool m_suppliesLive = false;
    bool m_pulsePresent = true;
    std::array<std::optional<double>, 6> m_held;
    double m_loadCanK = LoadCanAmbientK;
    double m_controlCanK = ControlCanAmbientK;
    int m_ppsFrequency = 0;
    int m_ppsWidth = 0;
};
