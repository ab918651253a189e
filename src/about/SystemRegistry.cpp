#include "about/Registry.h"

#ifdef Q_OS_WIN
#include "about/WindowsRegistry.h"
#else
#include "about/MemoryRegistry.h"
#endif

std::unique_ptr<Registry> makeSystemRegistry()
{
#ifdef Q_OS_WIN
    return std::make_unique<WindowsRegistry>();
#else
    auto registry = std::make_unique<MemoryRegistry>();
    registerSystemInfoTool(*registry);
    return registry;
#endif
}
