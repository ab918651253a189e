#include "link/PortSetup.h"

#include "link/SerialControl.h"

#include <cmath>

PortEntry checkPortEntry(const QString &entry, const QLocale &locale)
{
    if (entry.isEmpty())
        return {PortEntry::Kind::Rejected};
    bool isNumber = false;
    const double value = locale.toDouble(entry, &isNumber);
    // "nan" and "inf" parse, but name no port.
    if (!isNumber || !std::isfinite(value))
        return {PortEntry::Kind::NotANumber};
    if (value < SerialControl::FirstPort || value > SerialControl::LastPort)
        return {PortEntry::Kind::Rejected};
    return {PortEntry::Kind::Accepted, int(std::nearbyint(value))};
}

QString PortSetup::communicationError(const SerialControl &serial)
{
    const QString detail = serial.lastErrorDetail();
    return detail.isEmpty() ? CommErrorText : CommErrorText + QStringLiteral("\n\n") + detail;
}

PortSetup::PortSetup(SerialControl &serial)
    : VANTOSerComm(serial)
{ }

bool PortSetup::done(const PortEntry &entry, const std::function<void(const PortMessage &)> &show)
{
    try {
        if (VANTOSerComm.PortOpen())
            VANTOSerComm.setPortOpen(false);

        switch (entry.kind) {
        case PortEntry::Kind::NotANumber:
        case PortEntry::Kind::Rejected:
            show({BadPortText, BadPortTitle});
            // Back on the number it had, also when it had not been open.
            VANTOSerComm.setPortOpen(true);
            return false;
        case PortEntry::Kind::Accepted:
            VANTOSerComm.setCommPort(entry.port);
            VANTOSerComm.setPortOpen(true);
            return true;
        }
    } catch (const LinkError &) {
        show({communicationError(VANTOSerComm), CommErrorTitle});
    }
    return false;
}
