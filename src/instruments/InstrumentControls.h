#pragma once

#include <QRect>
#include <QString>

class DialGauge;
class Lamp;
class QWidget;

// Builders for the lamps and gauges of the main window, as its design has them.

// A square LED with its caption: red off, green on ("Logging On/Off").
Lamp *captionLamp(QWidget *parent, const char *name, const QString &caption, const QRect &geometry);
// A supply's tall range lamp: green "OK" off, red "High" on.
Lamp *rangeLamp(QWidget *parent, const char *name, const QString &accessibleName, const QRect &geometry);
// A dial from 0 to maximum with major and minor marks.
DialGauge *gauge(QWidget *parent, const char *name, double maximum, double major, double minor, const QRect &geometry);
