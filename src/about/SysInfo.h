#pragma once

#include "about/Registry.h"

#include <QString>

#include <stdexcept>

// A registry value that was read but can't be made into text. It passes out of
// GetKeyValue to its caller.
class RegistryError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Starts a program by path without waiting for it; false when it can't be started.
class Launcher
{
public:
    virtual ~Launcher() = default;
    virtual bool start(const QString &program) = 0;
};

class ProcessLauncher : public Launcher
{
public:
    bool start(const QString &program) override;
};

// Reads one registry value as text into KeyVal. False, with KeyVal empty, when
// the key can't be opened or the value can't be read (missing, or longer than
// the buffer). Values of a type that isn't text or a number leave KeyVal as it
// was and still count as read. Throws RegistryError for a value without data.
// The key is closed on every way out.
bool GetKeyValue(Registry &registry, quint32 KeyRoot, const QString &KeyName, const QString &SubKeyRef,
                 QString &KeyVal);

// True when path names an existing ordinary file: not a directory, not hidden
// (and, on Windows, not a system file).
bool isNormalFile(const QString &path);

// Finds the system information tool through the registry and starts it, or
// tells the operator it is unavailable. Never throws.
void StartSysInfo(Registry &registry, Launcher &launcher);
