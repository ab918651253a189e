#pragma once

#include <QFont>
#include <QStringList>

// The font every window, lamp and gauge of the tool was laid out for: "MS Sans
// Serif" at 8.25 point. Where it is missing, a font of the same metrics stands
// in, so captions fit the boxes drawn for them.
inline QFont designFont()
{
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Liberation Sans"),
                                QStringLiteral("Arial"), QStringLiteral("Helvetica")});
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25);
    font.setWeight(QFont::Normal);
    return font;
}
