#pragma once

#include "Version.h"

#include <QString>

// The application's identity, as the about box and untitled message boxes show it.
namespace AppInfo {
inline const QString Title = QStringLiteral("VantoGui");
constexpr int Major = Version::Major;
constexpr int Minor = Version::Minor;
constexpr int Revision = Version::Revision;
} // namespace AppInfo
