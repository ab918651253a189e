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

    // Refused (with the letter unchanged) while either supply is live; otherwise
    // the new look, or none if the load state is unknown.
    struct LoadClick
    {
        bool refused = false;
        std::optional<ButtonLook> look;
    };
    LoadClick cmdLoaded_Click(double agd48VDC, double agd400VDC);

    const QString &strCommand() const { return m_strCommand; }
    const QString &strLoadState() const { return m_strLoadState; }
    const QString &str1PPSState() const { return m_str1PPSState; }

private:
    QString m_strCommand = QStringLiteral("u");
    QString m_strLoadState = QStringLiteral("u");
    QString m_str1PPSState = QStringLiteral("D");
};
