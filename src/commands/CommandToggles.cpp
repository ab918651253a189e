#include "commands/CommandToggles.h"

#include "looks/Colours.h"

void CommandToggles::reset()
{
    m_strCommand = QStringLiteral("u");
    m_strLoadState = QStringLiteral("u");
    m_str1PPSState = QStringLiteral("D");
}

ButtonLook CommandToggles::cmd1PPSOnOff_Click()
{
    if (m_str1PPSState != QLatin1String("E")) {
        m_strCommand = m_str1PPSState = QStringLiteral("E");
        return {QStringLiteral("1PPS Enabled"), QStringLiteral("One PPS sense is turned ON"), Colours::Green};
    }
    m_strCommand = m_str1PPSState = QStringLiteral("D");
    return {QStringLiteral("1PPS Disabled"), QStringLiteral("One PPS sense is turned OFF"), Colours::Red};
}

std::optional<ButtonLook> CommandToggles::cmdFstUpdt_Click(const QString &caption)
{
    // The caption names the mode the click selects; the tooltip what the next click will do.
    if (caption == QLatin1String("Slow Update")) {
        m_strCommand = QStringLiteral("s");
        return ButtonLook{QStringLiteral("Fast Update"),
                          QStringLiteral("Click will make the controller run with out checking the timming signal."),
                          Colours::Green};
    }
    if (caption == QLatin1String("Fast Update")) {
        m_strCommand = QStringLiteral("f");
        return ButtonLook{QStringLiteral("Slow Update"),
                          QStringLiteral("Click will make the controller check the timing signals."), Colours::Red};
    }
    return std::nullopt;
}

CommandToggles::LoadClick CommandToggles::cmdLoaded_Click(double agd48VDC, double agd400VDC, bool suppliesCurrent)
{
    // Gauges left standing by a silent line say nothing about the hardware now.
    if (!suppliesCurrent)
        return {Refusal::NoReadings, std::nullopt};
    // Written as "not at or below" so that a reading that isn't a number refuses too.
    if (!(agd48VDC <= LiveVolts48) || !(agd400VDC <= LiveVolts400))
        return {Refusal::Powered, std::nullopt};

    if (m_strLoadState == QLatin1String("u")) {
        m_strCommand = m_strLoadState = QStringLiteral("l");
        return {Refusal::None,
                ButtonLook{QStringLiteral("Loaded"),
                           QStringLiteral("Load is engaged, do not connect to an extension cord!"), Colours::Red}};
    }
    if (m_strLoadState == QLatin1String("l")) {
        m_strCommand = m_strLoadState = QStringLiteral("u");
        return {Refusal::None,
                ButtonLook{QStringLiteral("Unloaded"), QStringLiteral("Load is disconnected."), Colours::Green}};
    }
    return {Refusal::None, std::nullopt};
}
