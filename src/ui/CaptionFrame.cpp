#include "ui/CaptionFrame.h"

#include <QPainter>
#include <QStyle>
#include <qdrawutil.h>

namespace {
constexpr int CaptionLeft = 8; // pixels from the frame's left edge
constexpr int CaptionGap = 2;  // pixels of line left out either side
} // namespace

CaptionFrame::CaptionFrame(const QString &caption, QWidget *parent)
    : QGroupBox(caption, parent)
{ }

int CaptionFrame::borderTop() const
{
    return fontMetrics().height() / 2;
}

QRect CaptionFrame::captionRect() const
{
    const QFontMetrics metrics = fontMetrics();
    return QRect(CaptionLeft, 0, metrics.horizontalAdvance(title()) + 2 * CaptionGap, metrics.height());
}

void CaptionFrame::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect caption = title().isEmpty() ? QRect() : captionRect();
    painter.setClipRegion(QRegion(rect()).subtracted(caption));
    qDrawShadeRect(&painter, rect().adjusted(0, borderTop(), 0, 0), palette(), true, 1);
    painter.setClipping(false);
    style()->drawItemText(&painter, caption, Qt::AlignCenter, palette(), isEnabled(), title(), QPalette::WindowText);
}
