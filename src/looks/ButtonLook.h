#pragma once

#include <QColor>
#include <QString>

// How a command button looks: what a click or a reply paints on it.
struct ButtonLook
{
    QString Caption;
    QString ToolTipText;
    QColor BackColor;

    bool operator==(const ButtonLook &other) const
    {
        return Caption == other.Caption && ToolTipText == other.ToolTipText && BackColor == other.BackColor;
    }
};
