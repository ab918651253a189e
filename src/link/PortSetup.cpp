#include "link/PortSetup.h"

#include "link/SerialControl.h"

#include <QTimer>

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

PortSetup::PortSetup(SerialControl &serial, QTimer &timer)
    : VANTOSerComm(serial)
    , Timer1(timer)
{ }

bool PortSetup::done(const QString &entry, const std::function<void(const PortMessage &)> &show)
{
    try {
        if (VANTOSerComm.PortOpen())
            VANTOSerComm.setPortOpen(false);

        const PortEntry checked = checkPortEntry(entry);
        switch (checked.kind) {
        case PortEntry::Kind::NotANumber:
            // No retry and no reopening: the port stays closed.
            show({CommErrorText, CommErrorTitle});
            return false;
        case PortEntry::Kind::Rejected:
            show({BadPortText, BadPortTitle});
            // Back on the number it had, also when it had not been open.
            VANTOSerComm.setPortOpen(true);
            return false;
        case PortEntry::Kind::Accepted:
            VANTOSerComm.setCommPort(checked.port);
            VANTOSerComm.setPortOpen(true);
            if (!Timer1.isActive())
                Timer1.start();
            return true;
        }
    } catch (const LinkError &) {
        show({communicationError(VANTOSerComm), CommErrorTitle});
    }
    return false;
}
