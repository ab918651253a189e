#pragma once

#include <QString>

#include <functional>

class QIODevice;

// Writes a file whole or not at all: into a temporary file that replaces the
// old one only once everything is written. A device or pipe (which can't be
// replaced, and mustn't be) is written straight. write() puts the content on
// the device and returns false, with its reason, when it couldn't. On failure
// returns false and sets reason to why, in words an operator can act on.
bool saveFile(const QString &path, const std::function<bool(QIODevice &, QString *reason)> &write, QString *reason);
