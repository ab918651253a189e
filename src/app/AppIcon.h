#pragma once

#include <QIcon>

// The tool's own icon, 16 to 256 px: a subsea connector under a green lamp.
QIcon appIcon();
