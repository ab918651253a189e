#include "instruments/InstrumentControls.h"

#include "instruments/DialGauge.h"
#include "instruments/Lamp.h"
#include "looks/Colours.h"
#include "ui/Controls.h"

namespace {
const QString RangeTip = QStringLiteral("OK Range +/- 10%  = Green else Red");
} // namespace

Lamp *captionLamp(QWidget *parent, const char *name, const QString &caption, const QRect &geometry)
{
    auto *l = place(new Lamp(parent), name, geometry);
    l->setShape(Lamp::Shape::SquareLed);
    l->setCaption(caption);
    l->setOffColor(Colours::Red);
    l->setOnColor(Colours::Green);
    return l;
}

Lamp *rangeLamp(QWidget *parent, const char *name, const QString &accessibleName, const QRect &geometry)
{
    auto *l = place(new Lamp(parent), name, geometry);
    l->setAccessibleName(accessibleName); // it has no caption of its own
    l->setShape(Lamp::Shape::TallBar);
    l->setOffColor(Colours::Green);
    l->setOffText(QStringLiteral("OK"));
    l->setOnColor(Colours::Red);
    l->setOnText(QStringLiteral("High"));
    l->setToolTip(RangeTip);
    return l;
}

DialGauge *gauge(QWidget *parent, const char *name, double maximum, double major, double minor, const QRect &geometry)
{
    auto *g = place(new DialGauge(parent), name, geometry);
    g->setScale(0, maximum);
    g->setMarks(major, minor);
    return g;
}
