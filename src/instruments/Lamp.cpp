#include "instruments/Lamp.h"

#include "instruments/InstrumentAccessibility.h"
#include "ui/DesignFont.h"

#include <QAccessible>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include <algorithm>
#include <cmath>

namespace {

QColor mix(const QColor &a, const QColor &b, double t)
{
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t),
                            float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t));
}

double luminance(const QColor &c)
{
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The sunken ring a panel lamp sits in: shaded dark above, light below.
void paintBezel(QPainter &painter, const QRectF &r, double radius, const QPalette &palette)
{
    QLinearGradient ring(r.topLeft(), r.bottomRight());
    ring.setColorAt(0.0, palette.color(QPalette::Dark));
    ring.setColorAt(1.0, palette.color(QPalette::Light));
    painter.setPen(QPen(palette.color(QPalette::Shadow), 1.0));
    painter.setBrush(ring);
    painter.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
}

// A screen reader in use hears what changed.
void tell(Lamp *lamp, QAccessible::Event what)
{
    if (!QAccessible::isActive())
        return;
    if (what == QAccessible::StateChanged) {
        QAccessible::State changed;
        changed.checked = true;
        QAccessibleStateChangeEvent event(lamp, changed);
        QAccessible::updateAccessibility(&event);
    }
    QAccessibleEvent event(lamp, what == QAccessible::StateChanged ? QAccessible::DescriptionChanged : what);
    QAccessible::updateAccessibility(&event);
}

// The square LED's side, in a lamp of that height.
int ledSide(int height)
{
    return std::max(6, std::min(height - 4, 17));
}

// Largest font, up to the panel size, in which the text fits the bar's width.
QFont fittedFont(QFont font, const QString &text, int width)
{
    if (QFontMetrics(font).horizontalAdvance(text) <= width)
        return font;
    font.setStretch(QFont::Condensed);
    int pixels = QFontMetrics(font).height();
    while (pixels > 7 && QFontMetrics(font).horizontalAdvance(text) > width)
        font.setPixelSize(--pixels);
    return font;
}

} // namespace

Lamp::Lamp(QWidget *parent)
    : Lamp(Shape::SquareLed, parent)
{ }

Lamp::Lamp(Shape shape, QWidget *parent)
    : QWidget(parent)
    , m_shape(shape)
{
    setFont(designFont());
    setFocusPolicy(Qt::StrongFocus);
    installInstrumentAccessibility();
}

void Lamp::setValue(bool value)
{
    if (m_value == value)
        return;
    m_value = value;
    update();
    tell(this, QAccessible::StateChanged);
}

// Setters repaint only on a change: the poll tick sets the range lamps' texts
// four times a second, mostly to what they already show.
void Lamp::setCaption(const QString &caption)
{
    if (m_caption == caption)
        return;
    m_caption = caption;
    update();
    tell(this, QAccessible::NameChanged);
}

void Lamp::setOnColor(const QColor &color)
{
    if (m_onColor == color)
        return;
    m_onColor = color;
    update();
}

void Lamp::setOffColor(const QColor &color)
{
    if (m_offColor == color)
        return;
    m_offColor = color;
    update();
}

void Lamp::setOnText(const QString &text)
{
    if (m_onText == text)
        return;
    m_onText = text;
    update();
    if (m_value)
        tell(this, QAccessible::DescriptionChanged);
}

void Lamp::setOffText(const QString &text)
{
    if (m_offText == text)
        return;
    m_offText = text;
    update();
    if (!m_value)
        tell(this, QAccessible::DescriptionChanged);
}

void Lamp::setDimmed(bool dimmed)
{
    if (m_dimmed == dimmed)
        return;
    m_dimmed = dimmed;
    update();
    tell(this, QAccessible::DescriptionChanged);
}

QColor Lamp::currentColor() const
{
    // A lamp that shows no current state has no colour of its own: a pale
    // green would still read as "OK".
    if (m_dimmed)
        return palette().color(QPalette::Disabled, QPalette::Button);
    return m_value ? m_onColor : m_offColor;
}

QColor Lamp::ink() const
{
    return palette().color(m_dimmed ? QPalette::Disabled : QPalette::Active, QPalette::WindowText);
}

void Lamp::setShape(Shape shape)
{
    m_shape = shape;
    updateGeometry();
    update();
}

QSize Lamp::sizeHint() const
{
    return m_shape == Shape::TallBar ? QSize(25, 57) : QSize(89, 33);
}

QSize Lamp::minimumSizeHint() const
{
    return m_shape == Shape::TallBar ? QSize(12, 16) : QSize(16, 12);
}

void Lamp::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_shape == Shape::TallBar)
        paintBar(painter);
    else
        paintLed(painter);
}

QRect Lamp::captionRect() const
{
    const int left = 2 + ledSide(height()) + 5;
    return QRect(left, 0, width() - left, height());
}

QStringList Lamp::captionLines() const
{
    // Qt's own word wrap would also break after the "/" of "On/Off".
    const QFontMetrics metrics(font());
    const int width = captionRect().width();
    QStringList lines;
    for (const QString &word : m_caption.split(u' ', Qt::SkipEmptyParts)) {
        if (!lines.isEmpty() && metrics.horizontalAdvance(lines.last() + u' ' + word) <= width)
            lines.last() += u' ' + word;
        else
            lines << word;
    }
    return lines;
}

void Lamp::paintLed(QPainter &painter)
{
    const QColor lit = currentColor();
    const int side = ledSide(height());
    const QRectF bezel(2, (height() - side) / 2, side, side);
    paintBezel(painter, bezel, 2.5, palette());

    // The face: the lamp's own colour edge to edge, with a glint top left so
    // it reads as a lit lens rather than a painted square.
    const QRectF face = bezel.adjusted(2, 2, -2, -2);
    painter.setPen(QPen(lit.darker(150), 1.0));
    painter.setBrush(lit);
    painter.drawRoundedRect(face.adjusted(0.5, 0.5, -0.5, -0.5), 1.5, 1.5);
    QRadialGradient glint(face.left() + face.width() * 0.3, face.top() + face.height() * 0.3, face.width() * 0.3);
    glint.setColorAt(0.0, QColor(255, 255, 255, 200));
    glint.setColorAt(1.0, QColor(255, 255, 255, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(glint);
    painter.drawRoundedRect(face.adjusted(1, 1, -1, -1), 1.5, 1.5);

    painter.setPen(ink());
    painter.setFont(font());
    QRect drawn;
    painter.drawText(captionRect(), Qt::AlignLeft | Qt::AlignVCenter, captionLines().join(u'\n'), &drawn);

    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = drawn.adjusted(-1, 0, 1, 0).intersected(rect());
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void Lamp::paintBar(QPainter &painter)
{
    const QColor lit = currentColor();
    paintBezel(painter, QRectF(rect()), 2.0, palette());

    // A lit tube: a soft sheen left of centre, shading to the right edge.
    const QRectF face = QRectF(rect()).adjusted(2, 2, -2, -2);
    QLinearGradient tube(face.topLeft(), face.topRight());
    tube.setColorAt(0.0, lit.darker(115));
    tube.setColorAt(0.3, mix(lit, Qt::white, 0.3));
    tube.setColorAt(0.55, lit);
    tube.setColorAt(1.0, lit.darker(120));
    painter.setPen(QPen(lit.darker(150), 1.0));
    painter.setBrush(tube);
    painter.drawRect(face.adjusted(0.5, 0.5, -0.5, -0.5));

    const QString shown = text();
    if (shown.isEmpty())
        return;
    const QRect textRect = face.toRect().adjusted(1, 0, -1, 0);
    const QFont textFont = fittedFont(font(), shown, textRect.width());
    const QColor ink = this->ink();
    // With a light window text (dark desktop themes) on a bright lamp the
    // word would vanish; a thin contrasting outline keeps it legible. A dimmed
    // lamp is meant to recede.
    if (!m_dimmed && contrast(ink, lit) < 3.0) {
        QPainterPath path;
        const QFontMetricsF metrics(textFont);
        const QPointF origin(textRect.center().x() + 0.5 - metrics.horizontalAdvance(shown) / 2,
                             textRect.center().y() + 0.5 + (metrics.ascent() - metrics.descent()) / 2);
        path.addText(origin, textFont, shown);
        painter.setPen(QPen(luminance(ink) > 0.5 ? Qt::black : Qt::white, 2.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
    }
    painter.setFont(textFont);
    painter.setPen(ink);
    painter.drawText(textRect, Qt::AlignCenter, shown);

    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = face.toRect().adjusted(1, 1, -1, -1);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void Lamp::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void Lamp::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_pressed) {
        m_pressed = false;
        event->accept();
        // As with a button, letting go outside the lamp takes the click back.
        if (rect().contains(event->position().toPoint()))
            emit clicked();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void Lamp::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        event->accept();
        emit clicked();
        return;
    }
    QWidget::keyPressEvent(event);
}
