#include "ui/StatusField.h"

#include <QAccessible>
#include <QPainter>
#include <QStyle>

StatusField::StatusField(const QString &name, QWidget *parent)
    : QLabel(parent)
    , m_name(name)
{
    setTextFormat(Qt::PlainText);
    // The status bar gives the field what room there is; it never widens the window.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setAccessibleName(name);
    hide();
}

void StatusField::setField(const QString &text, qsizetype from, qsizetype to)
{
    m_from = std::clamp<qsizetype>(from, 0, text.size());
    m_to = std::clamp<qsizetype>(to, m_from, text.size());
    if (text != this->text()) {
        setText(text);
        // The name carries the text: a screen reader reads the name of a
        // label, and is told when it changes.
        setAccessibleName(text.isEmpty() ? m_name : m_name + QStringLiteral(": ") + text);
        setAccessibleDescription(text);
        if (QAccessible::isActive()) {
            QAccessibleEvent changed(this, QAccessible::NameChanged);
            QAccessible::updateAccessibility(&changed);
        }
    }
    setVisible(!text.isEmpty());
    updateTip();
    update();
}

QString StatusField::shownText(int width) const
{
    const QString full = text();
    const QFontMetrics metrics(font());
    if (metrics.horizontalAdvance(full) <= width)
        return full;
    const QString head = full.left(m_from);
    const QString tail = full.mid(m_to);
    const int room = width - metrics.horizontalAdvance(head) - metrics.horizontalAdvance(tail);
    const QString middle = metrics.elidedText(full.mid(m_from, m_to - m_from), Qt::ElideMiddle, std::max(room, 0));
    const QString shortened = head + middle + tail;
    if (room > 0 && metrics.horizontalAdvance(shortened) <= width)
        return shortened;
    // Not even the important part fits: cut at the end.
    return metrics.elidedText(full, Qt::ElideRight, width);
}

QSize StatusField::sizeHint() const
{
    return QLabel::sizeHint();
}

QSize StatusField::minimumSizeHint() const
{
    return {fontMetrics().horizontalAdvance(QStringLiteral("\u2026")) * 4, QLabel::minimumSizeHint().height()};
}

void StatusField::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect box = contentsRect();
    style()->drawItemText(&painter, box, int(alignment()), palette(), isEnabled(), shownText(box.width()),
                          foregroundRole());
}

void StatusField::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    updateTip();
}

void StatusField::updateTip()
{
    setToolTip(shownText(contentsRect().width()) == text() ? QString() : text());
}
