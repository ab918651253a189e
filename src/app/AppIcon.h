#pragma once

#include <QIcon>

// The tool's own 32 x 32 icon: a subsea connector under a green lamp.
QIcon appIcon();
