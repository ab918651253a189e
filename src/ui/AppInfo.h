#pragma once

#include <QString>

// The application's identity, as the about box and untitled message boxes show it.
namespace AppInfo {
inline const QString Title = QStringLiteral("VantoGui");
constexpr int Major = 1;
constexpr int Minor = 0;
constexpr int Revision = 0;
} // namespace AppInfo
