#pragma once

#include "looks/ButtonLook.h"

#include <QString>

#include <optional>

// The operator's three toggles. They share one command letter, sent at every
// poll: the letter of the latest click.
class CommandToggles
{
public:
    // Supplies above these read as live: the load is powered and must not be switched.
    static constexpr double LiveVolts48 = 10;
    static constexpr double LiveVolts400 = 40;

    static inline const QString LoadPoweredText = QStringLiteral(
        "The hardware senses the load as powered,have VANTO Ops Center shut off the load before switching!");
    static inline const QString LoadPoweredTitle = QStringLiteral("Load Powered");

    // The state a run starts with: unload, 1PPS sense off.
    void reset();

    ButtonLook cmd1PPSOnOff_Click();
    // Keyed on the button's own caption; another caption leaves everything as it is.
    std::optional<ButtonLook> cmdFstUpdt_Click(const QString &caption);

    static inline const QString NoReadingsText
        = QStringLiteral("No current supply readings from the controller: the load can't be switched until readings "
                         "arrive. Check the serial link.");
    static inline const QString NoReadingsTitle = QStringLiteral("Load Interlock");

    // Why a load click was refused.
    enum class Refusal {
        None,
        Powered,   // a supply gauge reads live
        NoReadings // the gauges don't hold current readings to decide on
    };
    // Refused (with the letter unchanged) while the supply readings are not
    // current or either supply is live; otherwise the new look, or none if the
    // load state is unknown.
    struct LoadClick
    {
        Refusal refusal = Refusal::None;
        std::optional<ButtonLook> look;
    };
    LoadClick cmdLoaded_Click(double agd48VDC, double agd400VDC, bool suppliesCurrent);

    const QString &strCommand() const { return m_strCommand; }
    const QString &strLoadState() const { return m_strLoadState; }
    const QString &str1PPSState() const { return m_str1PPSState; }

private:
    QString m_strCommand = QStringLiteral("u");
    QString m_strLoadState = QStringLiteral("u");
    QString m_str1PPSState = QStringLiteral("D");
};
