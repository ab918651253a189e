#pragma once

#include <QString>

// A fixed name for a device whose real path changes each time it appears,
// so the tool can be pointed at one path for the whole run.
namespace DeviceLink {

// Makes `link` a symbolic link to `target`, replacing an earlier symbolic
// link in one step. Refuses to replace anything that is not a symbolic link.
bool pointAt(const QString &link, const QString &target, QString *error);

// Removes `link` if it is still a symbolic link to `target`, so a link that
// someone else has re-pointed since is left alone.
void remove(const QString &link, const QString &target);

} // namespace DeviceLink
