#pragma once

#include <QtGlobal>

#ifdef Q_OS_WIN
#include "about/Registry.h"

// The system registry through advapi32's single-byte-character functions.
class WindowsRegistry : public Registry
{
public:
    long openKey(quint32 root, const QByteArray &path, quint32 access, quintptr *handle) override;
    long queryValue(quintptr handle, const QByteArray &valueName, quint32 *type, QByteArray &buffer,
                    quint32 *size) override;
    long closeKey(quintptr handle) override;
};
#endif
