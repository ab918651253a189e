#include "about/WindowsRegistry.h"

#ifdef Q_OS_WIN
#include <qt_windows.h>

#ifdef _MSC_VER
#pragma comment(lib, "advapi32")
#endif

namespace {
HKEY toHkey(quintptr handle)
{
    return reinterpret_cast<HKEY>(handle);
}
} // namespace

long WindowsRegistry::openKey(quint32 root, const QByteArray &path, quint32 access, quintptr *handle)
{
    // The predefined roots are 32-bit values sign-extended to a handle's width.
    const auto rootKey = reinterpret_cast<HKEY>(static_cast<qintptr>(static_cast<qint32>(root)));
    HKEY key = nullptr;
    const LONG rc = ::RegOpenKeyExA(rootKey, path.constData(), 0, access, &key);
    if (rc == ERROR_SUCCESS)
        *handle = reinterpret_cast<quintptr>(key);
    return rc;
}

long WindowsRegistry::queryValue(quintptr handle, const QByteArray &valueName, quint32 *type, QByteArray &buffer,
                                 quint32 *size)
{
    DWORD valueType = 0;
    DWORD bytes = qMin<DWORD>(*size, DWORD(buffer.size()));
    const LONG rc = ::RegQueryValueExA(toHkey(handle), valueName.constData(), nullptr, &valueType,
                                       reinterpret_cast<LPBYTE>(buffer.data()), &bytes);
    *type = valueType;
    *size = bytes;
    return rc;
}

long WindowsRegistry::closeKey(quintptr handle)
{
    return ::RegCloseKey(toHkey(handle));
}
#endif
