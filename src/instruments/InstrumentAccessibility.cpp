#include "instruments/InstrumentAccessibility.h"

#include "instruments/DialGauge.h"
#include "instruments/Lamp.h"
#include "telemetry/NumberText.h"

#include <QAccessibleWidget>

namespace {

class LampAccessible : public QAccessibleWidget
{
public:
    explicit LampAccessible(Lamp *lamp)
        : QAccessibleWidget(lamp, QAccessible::CheckBox)
    { }

    Lamp *lamp() const { return static_cast<Lamp *>(widget()); }

    QString text(QAccessible::Text t) const override
    {
        // The caption names it; a range lamp, without one, is named where it is made.
        if (t == QAccessible::Name && lamp()->accessibleName().isEmpty())
            return lamp()->caption();
        // The word a lamp shows, or what its colour says.
        if (t == QAccessible::Value)
            return shownWord();
        if (t == QAccessible::Description && lamp()->accessibleDescription().isEmpty())
            return lamp()->isDimmed() ? shownWord() + QStringLiteral(", not current") : shownWord();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = lamp()->Value();
        return s;
    }

    // Pressing it is clicking it (the logging lamp stops logging).
    QStringList actionNames() const override { return QStringList{pressAction()} + QAccessibleWidget::actionNames(); }
    void doAction(const QString &name) override
    {
        if (name == pressAction())
            emit lamp()->clicked();
        else
            QAccessibleWidget::doAction(name);
    }

private:
    QString shownWord() const
    {
        if (!lamp()->text().isEmpty())
            return lamp()->text();
        return lamp()->Value() ? QStringLiteral("On") : QStringLiteral("Off");
    }
};

class GaugeAccessible
    : public QAccessibleWidget
    , public QAccessibleValueInterface
{
public:
    explicit GaugeAccessible(DialGauge *gauge)
        : QAccessibleWidget(gauge, QAccessible::Dial)
    { }

    DialGauge *gauge() const { return static_cast<DialGauge *>(widget()); }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ValueInterface ? static_cast<QAccessibleValueInterface *>(this)
                                                   : QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return numberText(gauge()->Value());
        if (t == QAccessible::Description && gauge()->isDimmed() && gauge()->accessibleDescription().isEmpty())
            return QStringLiteral("not current");
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true; // the gauge shows; only the controller moves it
        return s;
    }

    QVariant currentValue() const override { return gauge()->Value(); }
    void setCurrentValue(const QVariant &) override { }
    QVariant maximumValue() const override { return gauge()->scaleMax(); }
    QVariant minimumValue() const override { return gauge()->scaleMin(); }
    QVariant minimumStepSize() const override { return 0.0; }
};

QAccessibleInterface *instrumentInterface(const QString &className, QObject *object)
{
    if (className == QLatin1String("Lamp"))
        return new LampAccessible(static_cast<Lamp *>(object));
    if (className == QLatin1String("DialGauge"))
        return new GaugeAccessible(static_cast<DialGauge *>(object));
    return nullptr;
}

} // namespace

void installInstrumentAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(instrumentInterface);
        return true;
    }();
    Q_UNUSED(installed)
}
