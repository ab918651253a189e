#include "app/AppIcon.h"

#include <QDirIterator>
#include <QPixmap>

QIcon appIcon()
{
    // The same pictures the desktop's menu shows, rendered from the one drawing
    // at build time and built in, so no image plugin is needed to load them.
    QIcon icon;
    QDirIterator sizes(QStringLiteral(":/icons"), {QStringLiteral("*.png")}, QDir::Files, QDirIterator::Subdirectories);
    while (sizes.hasNext())
        icon.addPixmap(QPixmap(sizes.next()));
    return icon;
}
