#pragma once

#include <QColor>

// The three state colours of buttons and lamps.
namespace Colours {
inline const QColor Green(0, 255, 0);
inline const QColor Red(255, 0, 0);
inline const QColor Yellow(255, 255, 0);
} // namespace Colours
