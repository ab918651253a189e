#pragma once

#include <QFont>
#include <QStringList>

// The font every window of the tool was laid out for. Where it is missing, a
// font of the same metrics stands in, so captions fit the boxes drawn for them.
inline QFont windowFont()
{
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Liberation Sans"),
                                QStringLiteral("Arial"), QStringLiteral("Helvetica")});
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25);
    return font;
}
