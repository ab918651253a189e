#pragma once

#include <QFont>
#include <QStringList>

// Lamps and gauges letter their captions, texts and numbers in the small panel
// font of the original desktop; where it is missing the platform's sans-serif
// stands in at the same size.
inline QFont instrumentFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25);
    font.setWeight(QFont::Normal);
    return font;
}
