#include "ui/StatusText.h"

#include <QAccessible>
#include <QPainter>
#include <QTextLayout>

namespace {

constexpr double SmallestPoints = 6;

// The text in lines of that width: broken at spaces, or within a word that is
// too long for a line.
QStringList lines(const QString &text, const QFont &font, int width)
{
    QTextLayout layout(text, font);
    QTextOption option(Qt::AlignLeft);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList result;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        result << text.mid(line.textStart(), line.textLength());
    }
    layout.endLayout();
    return result;
}

} // namespace

StatusText::StatusText(QWidget *parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void StatusText::setName(const QString &name)
{
    m_name = name;
    setAccessibleName(name);
}

void StatusText::setStatus(const QString &text, const QString &heard)
{
    // Four replies a second mostly repeat the last status.
    const QString spoken = heard.isEmpty() ? text : heard;
    if (text == this->text() && spoken == m_heard)
        return;
    if (text != this->text()) {
        setText(text);
        setToolTip(fit(text, font(), contentsRect().size()).cut ? text : QString());
    }
    m_heard = spoken;
    // The name carries the status: a screen reader reads a label's name, and
    // is told when it changes.
    setAccessibleName(spoken.isEmpty() || m_name.isEmpty() ? m_name : m_name + QStringLiteral(": ") + spoken);
    setAccessibleDescription(spoken);
    if (QAccessible::isActive()) {
        QAccessibleEvent changed(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&changed);
    }
}

StatusText::Fit StatusText::fit(const QString &text, const QFont &font, const QSize &box)
{
    Fit fit{font, {}, 0, false};
    while (true) {
        const QFontMetricsF metrics(fit.font);
        const int room = std::max(1, int(box.height() / metrics.height()));
        fit.lines = lines(text, fit.font, box.width());
        const bool smallest = fit.font.pointSizeF() <= SmallestPoints;
        if (fit.lines.size() <= room || smallest) {
            if (fit.lines.size() > room) {
                const QString rest = fit.lines.mid(room - 1).join(QString());
                fit.lines.resize(room);
                fit.lines.last() = metrics.elidedText(rest, Qt::ElideRight, box.width());
                fit.cut = true;
            }
            fit.height = fit.lines.size() * metrics.height();
            return fit;
        }
        fit.font.setPointSizeF(std::max(SmallestPoints, fit.font.pointSizeF() - 0.5));
    }
}

void StatusText::paintEvent(QPaintEvent *)
{
    const QRect box = contentsRect();
    const Fit shown = fit(text(), font(), box.size());
    const QFontMetricsF metrics(shown.font);
    QPainter painter(this);
    painter.setFont(shown.font);
    painter.setPen(palette().color(QPalette::WindowText));
    qreal baseline = box.top() + metrics.ascent();
    for (const QString &line : shown.lines) {
        painter.drawText(QPointF(box.left(), baseline), line);
        baseline += metrics.height();
    }
}
