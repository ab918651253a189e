#include "instruments/DialGauge.h"

#include "instruments/InstrumentAccessibility.h"
#include "telemetry/NumberText.h"
#include "ui/DesignFont.h"

#include <QAccessible>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double Pi = 3.14159265358979323846;
const QColor NeedleColor(210, 0, 0);

// No scale has more marks than fit on a dial; a tiny step must not hang the paint.
constexpr int MaxMarks = 400;

} // namespace

DialGauge::DialGauge(QWidget *parent)
    : QWidget(parent)
{
    setFont(designFont());
    installInstrumentAccessibility();
}

void DialGauge::setValue(double value)
{
    if (std::isnan(value) || value == m_value)
        return;
    m_value = value;
    update();
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, value);
        QAccessible::updateAccessibility(&event);
    }
}

void DialGauge::setScale(double min, double max)
{
    if (!std::isfinite(min) || !std::isfinite(max))
        return;
    m_min = min;
    m_max = max;
    update();
}

void DialGauge::setMarks(double major, double minor)
{
    m_major = std::isfinite(major) ? major : 0.0;
    m_minor = std::isfinite(minor) ? minor : 0.0;
    update();
}

void DialGauge::setDimmed(bool dimmed)
{
    if (m_dimmed == dimmed)
        return;
    m_dimmed = dimmed;
    update();
}

QSize DialGauge::sizeHint() const
{
    return QSize(137, 57);
}

QSize DialGauge::minimumSizeHint() const
{
    return QSize(60, 30);
}

void DialGauge::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(font());
    const QColor ink = palette().color(QPalette::WindowText);
    const QFontMetricsF metrics(font());

    const double span = m_max - m_min;
    // Where on the half circle a value sits: 0 at the left end, 1 at the right.
    auto fraction = [&](double v) { return span == 0.0 ? 0.0 : std::clamp((v - m_min) / span, 0.0, 1.0); };

    std::vector<double> majors, minors;
    auto collect = [&](double step, std::vector<double> &into) {
        if (!(step > 0.0))
            return;
        const double count = std::floor(std::abs(span) / step + 1e-9);
        if (count > MaxMarks)
            return;
        for (int k = 0; k <= int(count); ++k)
            into.push_back(m_min + std::copysign(k * step, span));
    };
    collect(m_major, majors);
    collect(m_minor, minors);

    // The pivot sits low in the middle; the radius is whatever leaves room
    // for the numbers above the arc and beside its two ends.
    const double digitHeight = metrics.tightBoundingRect(QStringLiteral("0123456789")).height();
    double labelWidth = 0;
    for (double v : majors)
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(numberText(v)));
    const double hubRadius = 4.0;
    const QPointF pivot(width() / 2.0, height() - hubRadius - 2.5);
    const double radius = std::max(8.0, std::min(pivot.y() - digitHeight - 4.0, pivot.x() - labelWidth - 4.0));
    auto direction = [&](double v) {
        const double angle = Pi * (1.0 - fraction(v));
        return QPointF(std::cos(angle), -std::sin(angle));
    };

    // Scale: the arc, then minor and major marks on its inside.
    painter.setPen(QPen(ink, 1.0));
    painter.setBrush(Qt::NoBrush);
    const QRectF arcBox(pivot.x() - radius, pivot.y() - radius, 2 * radius, 2 * radius);
    painter.drawArc(arcBox, 0, 180 * 16);
    for (double v : minors) {
        const QPointF d = direction(v);
        painter.drawLine(pivot + d * (radius - 3.0), pivot + d * radius);
    }
    painter.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::FlatCap));
    for (double v : majors) {
        const QPointF d = direction(v);
        painter.drawLine(pivot + d * (radius - 6.0), pivot + d * radius);
    }

    // Numbers outside the arc, each centred on its mark's direction, written as
    // the readouts beside the gauge are.
    painter.setPen(ink);
    for (double v : majors) {
        const QString label = numberText(v);
        const QPointF d = direction(v);
        const double w = metrics.horizontalAdvance(label);
        const double reach = 2.0 + std::abs(d.x()) * w / 2 + std::abs(d.y()) * digitHeight / 2;
        const QPointF centre = pivot + d * (radius + reach);
        painter.drawText(QPointF(centre.x() - w / 2, centre.y() + digitHeight / 2), label);
    }

    // Needle, tapering to its tip, held at the end stops beyond the scale.
    const QPointF d = direction(m_value);
    const QPointF across(-d.y(), d.x());
    const double length = radius - 1.5;
    QPainterPath needle;
    needle.moveTo(pivot + across * 1.6);
    needle.lineTo(pivot + d * length + across * 0.5);
    needle.lineTo(pivot + d * length - across * 0.5);
    needle.lineTo(pivot - across * 1.6);
    needle.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_dimmed ? palette().color(QPalette::Disabled, QPalette::WindowText) : NeedleColor);
    painter.drawPath(needle);

    QRadialGradient hub(pivot - QPointF(1.2, 1.2), hubRadius * 1.3);
    hub.setColorAt(0.0, QColor(150, 150, 150));
    hub.setColorAt(1.0, QColor(30, 30, 30));
    painter.setBrush(hub);
    painter.drawEllipse(pivot, hubRadius, hubRadius);
}
