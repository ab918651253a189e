#include "link/PortListing.h"

#include "link/SerialControl.h"

#include <QFileInfo>

namespace {
QString usbIds(const PortDescription &port)
{
    const auto hex = [](std::optional<quint16> id) {
        return id ? QStringLiteral("%1").arg(*id, 4, 16, QLatin1Char('0')) : QStringLiteral("????");
    };
    if (!port.vendorId && !port.productId)
        return {};
    return QStringLiteral("USB %1:%2").arg(hex(port.vendorId), hex(port.productId));
}

QString numbersText(const QList<int> &numbers, const QString &device)
{
    if (numbers.isEmpty())
        return QStringLiteral("no port number (--port N=%1 gives it one)").arg(device);
    QStringList texts;
    for (int n : numbers)
        texts << QString::number(n);
    return (numbers.size() == 1 ? QStringLiteral("port ") : QStringLiteral("ports "))
           + texts.join(QStringLiteral(", "));
}
} // namespace

PortListing::PortListing(const PortInformation &information)
    : m_ports(information.availablePorts())
{ }

QStringList PortListing::lines(const PortMap &map) const
{
    QStringList lines;
    // Network ports first: the operator named them, and no machine lists them.
    for (int n = SerialControl::FirstPort; n <= SerialControl::LastPort; ++n)
        if (map.endpoint(n))
            lines << QStringLiteral("%1: network port; port %2").arg(map.device(n)).arg(n);
    if (m_ports.isEmpty())
        return lines << QStringLiteral("No serial ports found.");
    for (const PortDescription &port : m_ports) {
        QString line = port.systemLocation;
        if (!port.byIdPath.isEmpty())
            line += QStringLiteral(" (%1)").arg(port.byIdPath);
        QStringList facts;
        for (const QString &fact : {port.description, port.manufacturer, usbIds(port)})
            if (!fact.isEmpty())
                facts << fact;
        if (!port.serialNumber.isEmpty())
            facts << QStringLiteral("serial %1").arg(port.serialNumber);
        if (!facts.isEmpty())
            line += QStringLiteral(": ") + facts.join(QStringLiteral(", "));
        line += QStringLiteral("; ") + numbersText(numbersFor(port, map), port.systemLocation);
        lines << line;
    }
    return lines;
}

QString PortListing::summary() const
{
    if (m_ports.isEmpty())
        return QStringLiteral("no serial ports found");
    QStringList names;
    for (const PortDescription &port : m_ports)
        names << (port.description.isEmpty() ? port.systemLocation
                                             : QStringLiteral("%1 (%2)").arg(port.systemLocation, port.description));
    return QStringLiteral("serial ports here: ") + names.join(QStringLiteral(", "));
}

QList<int> PortListing::numbersFor(const PortDescription &port, const PortMap &map)
{
    QList<int> numbers;
    for (int n = SerialControl::FirstPort; n <= SerialControl::LastPort; ++n) {
        const QString device = map.device(n);
        const QString resolved = QFileInfo(device).canonicalFilePath();
        if (device == port.systemLocation || (!port.byIdPath.isEmpty() && device == port.byIdPath)
            || (!resolved.isEmpty() && resolved == QFileInfo(port.systemLocation).canonicalFilePath()))
            numbers << n;
    }
    return numbers;
}
