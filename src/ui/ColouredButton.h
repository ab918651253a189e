#pragma once

#include <QPushButton>

// A command button whose background colour shows a state.
class ColouredButton : public QPushButton
{
public:
    using QPushButton::QPushButton;

    QColor BackColor() const { return palette().color(QPalette::Button); }
    void setBackColor(const QColor &colour)
    {
        QPalette p = palette();
        p.setColor(QPalette::Button, colour);
        // Dark text on every state colour, whatever the desktop's theme.
        p.setColor(QPalette::ButtonText, Qt::black);
        // One that can't be pressed keeps the colour, which still tells the state.
        p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(120, 120, 120));
        setPalette(p);
    }
};
