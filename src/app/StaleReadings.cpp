#include "app/StaleReadings.h"

#include "instruments/DialGauge.h"
#include "instruments/Lamp.h"
#include "logging/LogDateTime.h"

#include <QDateTime>
#include <QHelpEvent>
#include <QToolTip>
#include <QWidget>

namespace {
// Text in the desktop's disabled colour, the control itself left usable.
void dimText(QWidget *w, bool dimmed)
{
    if (!dimmed) {
        w->setPalette(QPalette());
        return;
    }
    QPalette p = w->palette();
    for (const QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText}) {
        const QColor grey = p.color(QPalette::Disabled, role);
        p.setColor(QPalette::Active, role, grey);
        p.setColor(QPalette::Inactive, role, grey);
    }
    w->setPalette(p);
}
} // namespace

StaleReadings::StaleReadings(const SessionRecord &record, QObject *parent)
    : QObject(parent)
    , m_record(record)
{ }

void StaleReadings::watch(Reading reading, QWidget *readout, DialGauge *gauge, Lamp *lamp)
{
    m_watched.append({reading, readout, gauge, lamp});
    readout->installEventFilter(this);
}

void StaleReadings::update()
{
    for (Watched &w : m_watched) {
        const bool read = m_record.everRead(w.reading);
        const bool current = m_record.isFresh(w.reading);
        // Readouts are empty until read; a lamp or a needle is never empty,
        // so it shows no state until there is a current one.
        const bool dimmed = read && !current;
        const Known known = current ? Known::Current : read ? Known::Stale : Known::Never;
        if (dimmed == w.dimmed && known == w.known)
            continue;
        w.dimmed = dimmed;
        w.known = known;
        dimText(w.readout, dimmed);
        // Heard as well as seen.
        w.readout->setAccessibleDescription(dimmed ? QStringLiteral("not current") : QString());
        const QString never = known == Known::Never ? QStringLiteral("no reading yet") : QString();
        if (w.gauge) {
            w.gauge->setDimmed(known != Known::Current);
            w.gauge->setAccessibleDescription(never);
        }
        if (w.lamp) {
            w.lamp->setDimmed(known != Known::Current);
            w.lamp->setAccessibleDescription(never);
        }
    }
}

bool StaleReadings::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return false;
    for (const Watched &w : std::as_const(m_watched)) {
        if (w.readout != watched)
            continue;
        // Worked out when asked, so the age is right and no tick pays for it.
        const QString text = readAt(w.reading);
        if (text.isEmpty())
            return false;
        QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), text, w.readout);
        return true;
    }
    return false;
}

QString StaleReadings::readAt(Reading reading) const
{
    const auto last = m_record.lastRead(reading);
    if (!last)
        return {};
    const QTime time = QDateTime::fromMSecsSinceEpoch(last->wallMs).time();
    const qint64 age = (m_record.now().monoMs - last->monoMs) / 1000;
    return QStringLiteral("Read at %1, %2 s ago").arg(LogDateTime::timeText(time)).arg(age);
}
