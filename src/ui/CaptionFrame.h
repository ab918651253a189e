#pragma once

#include <QGroupBox>

// A frame as the tool's windows were designed with: an etched border whose top
// line the caption interrupts, the caption standing on it. The controls inside
// are placed from the frame's top left corner and start below the line.
class CaptionFrame : public QGroupBox
{
    Q_OBJECT

public:
    explicit CaptionFrame(const QString &caption, QWidget *parent = nullptr);

    // Where the top line runs, and the caption's box across it.
    int borderTop() const;
    QRect captionRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;
};
