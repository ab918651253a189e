#pragma once

#include "session/SessionRecord.h"

#include <QList>
#include <QObject>

class DialGauge;
class Lamp;
class QWidget;

// Shows how current each reading is: the controls of a reading the controller
// has not refreshed within its time are dimmed, and each readout's tooltip says
// when it was read. A gauge's needle and a range lamp have no state to show
// before their reading is first read either, so they are grey then too (an
// empty readout needs no dimming). What counts as current is the session
// record's to say.
class StaleReadings : public QObject
{
public:
    explicit StaleReadings(const SessionRecord &record, QObject *parent = nullptr);

    // The readout (a text box or label), and the gauge and range lamp if any,
    // that show one reading.
    void watch(Reading reading, QWidget *readout, DialGauge *gauge = nullptr, Lamp *lamp = nullptr);

    // Dims what went stale and restores what was refreshed; touches (and so
    // repaints) only controls whose state changes. Once a tick.
    void update();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class Known : quint8 { Unset, Never, Stale, Current };
    struct Watched
    {
        Reading reading;
        QWidget *readout;
        DialGauge *gauge;
        Lamp *lamp;
        bool dimmed = false;
        Known known = Known::Unset; // Unset: update() hasn't looked yet
    };

    QString readAt(Reading reading) const;

    const SessionRecord &m_record;
    QList<Watched> m_watched;
};
